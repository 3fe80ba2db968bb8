#include "sound/soundmanager.h"

#include <cmath>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "app/myglobs.h"
#include "app/startlog.h"
#include "gfx/display.h"
#include "sound/soundlists.h"
#include "sound/wavfile.h"

namespace {

void LogWithName(const char* text, const char* name, const char* tail = nullptr) {
    WriteStartLog(text, NOLINEEND);
    if (tail) {
        WriteStartLog(name ? name : "", NOLINEEND);
        WriteStartLog(tail);
    } else {
        WriteStartLog(name ? name : "");
    }
}

void LogCap(const char* label, DWORD value) {
    WriteStartLog(label, NOLINEEND);
    WriteStartLogInt((int)value);
}

}  // namespace

int ClampSoundFrequency(double hz) {
    if (!std::isfinite(hz)) return 22050;
    if (hz < 100.0) return 100;
    if (hz > 100000.0) return 100000;
    return (int)hz;
}

SOUND_MANAGER::SOUND_MANAGER() {
    streamSize = MUSIC_STREAM_SIZE;
    playRequest = 0;
    streamStatus = 2;
    effectsOn = 1;
    musicOn = 1;
    currentMusicName[0] = 0;
    playlistIndex = 0;
    // Music exists only when the edition chosen before construction is not
    // the first one.
    musicEnabled = myGlobs.firstEdition ? 0 : 1;
}

SOUND_MANAGER::~SOUND_MANAGER() { Release(); }

int SOUND_MANAGER::Init() {
    if (device) Release();  // a second start-up begins from scratch
    WriteStartLog("********** Begin of Direct Sound Init **********");
    if (FAILED(DirectSoundCreate8(nullptr, &device, nullptr))) {
        WriteStartLog("Unable to create DirectSound !!!");
        device = nullptr;
        return 0;
    }

    DSCAPS caps{};
    caps.dwSize = sizeof(caps);
    device->GetCaps(&caps);
    LogCap("dwMaxHwMixingAllBuffers: ", caps.dwMaxHwMixingAllBuffers);
    LogCap("dwMaxHwMixingStaticBuffers: ", caps.dwMaxHwMixingStaticBuffers);
    LogCap("dwMaxHwMixingStreamingBuffers: ", caps.dwMaxHwMixingStreamingBuffers);
    LogCap("dwFreeHwMixingAllBuffers: ", caps.dwFreeHwMixingAllBuffers);
    LogCap("dwFreeHwMemBytes: ", caps.dwFreeHwMemBytes);
    LogCap("dwMaxContigFreeHwMemBytes: ", caps.dwMaxContigFreeHwMemBytes);
    LogCap("dwPlayCpuOverheadSwBuffers: ", caps.dwPlayCpuOverheadSwBuffers);

    if (FAILED(device->SetCooperativeLevel(display.GetWindowHandle(), DSSCL_PRIORITY))) {
        WriteStartLog("Unable to set cooperativ level for DirectSound !!!");
        return 0;
    }

    DSBUFFERDESC desc{};
    desc.dwSize = sizeof(desc);
    desc.dwFlags = DSBCAPS_PRIMARYBUFFER;
    IDirectSoundBuffer* primary = nullptr;
    if (FAILED(device->CreateSoundBuffer(&desc, &primary, nullptr))) {
        WriteStartLog("Unable to create primary sound buffer !!!");
        return 0;
    }
    WAVEFORMATEX format{};
    format.wFormatTag = WAVE_FORMAT_PCM;
    format.nChannels = 2;
    format.nSamplesPerSec = 22050;
    format.wBitsPerSample = 16;
    format.nBlockAlign = 4;
    format.nAvgBytesPerSec = 88200;
    if (FAILED(primary->SetFormat(&format))) {
        WriteStartLog("Unable to set the format of primary sound buffer!!!");
        primary->Release();
        return 0;
    }
    primary->Release();

    ReadSoundListFiles(false);
    ReadSoundListFiles(true);
    if (musicEnabled) ReadMusicLists();

    if (musicEnabled)
        CreateMusicStream();
    else
        WriteStartLog("ogg support disabled...");

    WriteStartLog("********** End of Direct Sound Init **********");
    initialised = 1;
    return 1;
}

void SOUND_MANAGER::Release() {
    if (musicEnabled && streamBuffer && playRequest.load()) {
        StopMusic();
        WaitForMusicStopped();
    }
    StopMusicThread();
    CloseMusicStream();
    if (streamBuffer) {
        streamBuffer->Release();
        streamBuffer = nullptr;
    }
    while (playingCopies) {
        PLAYING_SOUND* p = playingCopies;
        playingCopies = p->next;
        if (p->buffer) {
            p->buffer->Stop();
            p->buffer->Release();
        }
        delete p;
    }
    while (sources) {
        SOUND_SOURCE* s = sources;
        sources = s->next;
        delete s;
    }
    while (loadedSounds) {
        LOADED_SOUND* l = loadedSounds;
        loadedSounds = l->next;
        if (l->buffer) l->buffer->Release();
        delete l;
    }
    while (soundList) {
        SOUND_ENTRY* e = soundList;
        soundList = e->next;
        delete e;
    }
    if (device) {
        device->Release();
        device = nullptr;
    }
    initialised = 0;
}

void SOUND_MANAGER::LoadWavFile(const char* fileName) {
    if (!fileName || !device) return;
    WAVEFORMATEX format{};
    std::vector<uint8_t> data;
    if (!ReadWaveFile(fileName, &format, &data)) {
        LogWithName("Unable to open the .wav file: ", fileName);
        // Kept without a buffer: the file is not tried again and the sound
        // plays nothing.
        LOADED_SOUND* l = new (std::nothrow) LOADED_SOUND;
        if (!l) {
            WriteStartLog("Out of memory in SOUND_MANAGER::AddSound()!!!");
            return;
        }
        CopyText(l->fileName, SOUND_NAME_LEN, fileName);
        l->next = loadedSounds;
        loadedSounds = l;
        return;
    }
    DSBUFFERDESC desc{};
    desc.dwSize = sizeof(desc);
    desc.dwFlags = DSBCAPS_CTRLFREQUENCY | DSBCAPS_CTRLPAN | DSBCAPS_CTRLVOLUME;
    desc.dwBufferBytes = (DWORD)data.size();
    desc.lpwfxFormat = &format;
    IDirectSoundBuffer* buffer = nullptr;
    if (FAILED(device->CreateSoundBuffer(&desc, &buffer, nullptr))) {
        WriteStartLog("Unable to create sound buffer in SOUND_MANAGER::LoadWavFile()!!!");
        return;
    }
    void* p1 = nullptr;
    void* p2 = nullptr;
    DWORD n1 = 0, n2 = 0;
    if (FAILED(buffer->Lock(0, (DWORD)data.size(), &p1, &n1, &p2, &n2, 0))) {
        WriteStartLog("Unable to lock sound buffer in SOUND_MANAGER::LoadWavFile()!!!");
        buffer->Release();
        return;
    }
    memcpy(p1, data.data(), n1);
    if (p2 && n2) memcpy(p2, data.data() + n1, n2);
    buffer->Unlock(p1, n1, p2, n2);
    AddSound(fileName, buffer);
}

void SOUND_MANAGER::AddSound(const char* fileName, IDirectSoundBuffer* buffer) {
    LOADED_SOUND* l = new (std::nothrow) LOADED_SOUND;
    if (!l) {
        WriteStartLog("Out of memory in SOUND_MANAGER::AddSound()!!!");
        if (buffer) buffer->Release();
        return;
    }
    CopyText(l->fileName, SOUND_NAME_LEN, fileName);
    l->buffer = buffer;
    l->next = loadedSounds;
    loadedSounds = l;
    LogWithName("Sound file loaded: ", fileName);
}

IDirectSoundBuffer* SOUND_MANAGER::FindSound(const char* name, int* loop, int* control, int* period,
                                             SOUND_ENTRY** entry) {
    if (entry) *entry = nullptr;
    if (!name) return nullptr;
    SOUND_ENTRY* e = soundList;
    while (e && strcmp(e->soundName, name) != 0) e = e->next;
    if (!e) return nullptr;
    if (loop) *loop = e->loop;
    if (control) *control = e->control;
    if (period) *period = e->randomPeriod;
    for (LOADED_SOUND* l = loadedSounds; l; l = l->next) {
        if (strcmp(l->fileName, e->wavFileName) == 0) {
            if (l->buffer && entry) *entry = e;
            return l->buffer;
        }
    }
    return nullptr;
}

int SOUND_MANAGER::FindSoundById(int number, int* control) {
    char name[16];
    snprintf(name, sizeof name, "%d", number);
    int c = 0;
    if (!FindSound(name, nullptr, &c)) return 0;
    if (control) *control = c;
    return 1;
}

int SOUND_MANAGER::PlaySound(const char* name, int volume, int pan, float frequency, int duplicate,
                             const char* alternativeName) {
    if (!initialised) return 0;
    SOUND_ENTRY* entry = nullptr;
    IDirectSoundBuffer* buffer = FindSound(name, nullptr, nullptr, nullptr, &entry);
    if (!buffer && alternativeName) buffer = FindSound(alternativeName, nullptr, nullptr, nullptr, &entry);
    if (!buffer) {
        LogWithName("Sound not found in SOUND_MANAGER::PlaySound(): ", name);
        return 0;
    }
    if (duplicate) return PlayCopy(buffer, entry, volume, pan, frequency);

    DWORD status = 0;
    buffer->GetStatus(&status);
    if (status & DSBSTATUS_PLAYING) return 1;
    if (volume < -6000) volume = -10000;
    if (volume > 0) volume = 0;
    if (pan < -10000) pan = -10000;
    if (pan > 10000) pan = 10000;
    buffer->SetVolume(volume);
    buffer->SetPan(pan);
    buffer->SetFrequency((DWORD)ClampSoundFrequency((double)frequency * 22050.0 / 100.0));
    return SUCCEEDED(buffer->Play(0, 0, 0)) ? 1 : 0;
}

int SOUND_MANAGER::PlayCopy(IDirectSoundBuffer* soundBuffer, SOUND_ENTRY* entry, int volume, int pan,
                            float frequency) {
    if (!entry || entry->copiesPlaying >= entry->maxCopies) return 0;
    PLAYING_SOUND* node = new (std::nothrow) PLAYING_SOUND;
    if (!node) {
        WriteStartLog("Out of memory in SOUND_MANAGER::AddPlayWavSound() !!!");
        return 0;
    }
    if (FAILED(device->DuplicateSoundBuffer(soundBuffer, &node->buffer))) {
        delete node;
        return 0;
    }
    int hz = ClampSoundFrequency((double)frequency * 22050.0 / 100.0);
    if (volume < -10000) volume = -10000;
    if (volume > 0) volume = 0;
    node->buffer->SetVolume(volume);
    node->buffer->SetFrequency((DWORD)hz);
    node->buffer->SetPan(pan);
    node->buffer->Play(0, 0, 0);
    entry->copiesPlaying++;
    node->entry = entry;
    node->next = playingCopies;
    if (playingCopies) playingCopies->prev = node;
    playingCopies = node;
    return 1;
}

void SOUND_MANAGER::Update() {
    if (!initialised) return;

    // Music: when a file has ended, the next one of the same name follows.
    if (musicEnabled && musicOn && playRequest.load() && streamStatus.load() == 1 && currentMusicName[0])
        PlayMusic(currentMusicName);

    // Free the copies that have finished.
    PLAYING_SOUND* p = playingCopies;
    while (p) {
        PLAYING_SOUND* next = p->next;
        DWORD status = 0;
        p->buffer->GetStatus(&status);
        if (!(status & DSBSTATUS_PLAYING)) {
            if (p->prev)
                p->prev->next = p->next;
            else
                playingCopies = p->next;
            if (p->next) p->next->prev = p->prev;
            if (p->entry) p->entry->copiesPlaying--;
            p->buffer->Stop();
            p->buffer->Release();
            delete p;
        }
        p = next;
    }

    // Positional sources; at most one finished source is freed per frame.
    SOUND_SOURCE* prev = nullptr;
    for (SOUND_SOURCE* s = sources; s; prev = s, s = s->next) {
        if (!s->UpdateAutoAdjusted()) {
            if (prev)
                prev->next = s->next;
            else
                sources = s->next;
            delete s;
            break;
        }
    }
}
