#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <new>

#include "app/filesearch.h"
#include "app/myglobs.h"
#include "app/random.h"
#include "app/startlog.h"
#include "app/winmain.h"
#include "gfx/display.h"
#include "platform/paths.h"
#include "sound/soundlists.h"
#include "sound/soundmanager.h"

namespace {

constexpr float kPi = 3.14159265358979f;
constexpr int kMaxTokenLength = 1023;
constexpr int kMaxRandomSeconds = 1000000;

int ClampInt(int v, int lo, int hi) { return v < lo ? lo : (v > hi ? hi : v); }

// A uniform value in [0, 1) from the shared 15-bit generator.
double UnitRandom() { return (double)VelRand() / (double)(VEL_RAND_MAX + 1); }

void LogNameTooLong(const char* listName, const std::string& name) {
    WriteStartLog("Name too long in sound list file ", NOLINEEND);
    WriteStartLog(listName, NOLINEEND);
    WriteStartLog(", entry skipped: ", NOLINEEND);
    WriteStartLog(name.c_str());
}

struct SoundTriple {
    std::string name, wav, mode;
};

// Reads the next triple; false at the end of the list.
bool ReadTriple(FILE* f, SoundTriple* t) {
    return ReadListToken(f, &t->name) && ReadListToken(f, &t->wav) && ReadListToken(f, &t->mode);
}

}  // namespace

bool ReadListToken(FILE* f, std::string* token) {
    token->clear();
    int c;
    do {
        c = fgetc(f);
    } while (c != EOF && (c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'));
    if (c == EOF) return false;
    while (c != EOF && !(c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f')) {
        if ((int)token->size() < kMaxTokenLength) token->push_back((char)c);
        c = fgetc(f);
    }
    return true;
}

std::vector<std::string> FoundListFiles(const char* pattern, const char* suffix) {
    FindFiles(pattern);
    std::vector<std::string> names;
    int count = std::min(myGlobs.foundFileCount, MAXFOUNDFILES);
    for (int i = 0; i < count; ++i) {
        std::string n(myGlobs.foundFiles[i], strnlen(myGlobs.foundFiles[i], FOUNDFILENAMELEN));
        names.push_back(n + suffix);
    }
    return names;
}

// ---------------------------------------------------------------------------
// Sound lists

void SOUND_MANAGER::ReadSoundListFiles(bool entryPass) {
    const char* pattern = myGlobs.firstEdition ? "soundsources*.list" : "qm_soundsources*.list";
    for (const std::string& name : FoundListFiles(pattern, "list")) {
        if (entryPass)
            FillSourceList(name.c_str());
        else
            LoadListWavFiles(name.c_str());
    }
}

void SOUND_MANAGER::LoadListWavFiles(const char* fileName) {
    WriteStartLog("Reading from file: ", NOLINEEND);
    WriteStartLog(fileName);
    FILE* f = plat::OpenFile(fileName, "rb");
    if (!f) {
        WriteStartLog("Unable to open sound list file: ", NOLINEEND);
        WriteStartLog(fileName, NOLINEEND);
        WriteStartLog(" !!!");
        return;
    }
    SoundTriple t;
    while (ReadTriple(f, &t)) {
        // Over-long names are reported by the entry pass.
        if (t.name.size() >= SOUND_NAME_LEN || t.wav.size() >= SOUND_NAME_LEN) continue;
        bool loaded = false;
        for (LOADED_SOUND* l = loadedSounds; l && !loaded; l = l->next) loaded = strcmp(l->fileName, t.wav.c_str()) == 0;
        if (!loaded) LoadWavFile(t.wav.c_str());
    }
    fclose(f);
    WriteStartLog(" ... file processed");
}

void SOUND_MANAGER::FillSourceList(const char* fileName) {
    FILE* f = plat::OpenFile(fileName, "rb");
    if (!f) {
        WriteStartLog("Unable to open sound source list file: ", NOLINEEND);
        WriteStartLog(fileName, NOLINEEND);
        WriteStartLog(" !!!");
        return;
    }
    SoundTriple t;
    while (ReadTriple(f, &t)) {
        if (t.name.size() >= SOUND_NAME_LEN) {
            LogNameTooLong(fileName, t.name);
            continue;
        }
        if (t.wav.size() >= SOUND_NAME_LEN) {
            LogNameTooLong(fileName, t.wav);
            continue;
        }
        SOUND_ENTRY* e = new (std::nothrow) SOUND_ENTRY;
        if (!e) {
            WriteStartLog("Out of memory in SOUND_MANAGER::FillSourceList()!!!");
            break;
        }
        CopyText(e->soundName, SOUND_NAME_LEN, t.name.c_str());
        CopyText(e->wavFileName, SOUND_NAME_LEN, t.wav.c_str());
        if (t.mode == "loop") {
            e->loop = 1;
        } else if (t.mode == "control") {
            e->control = 1;
        } else if (t.mode.size() >= 4 && t.mode.compare(0, 3, "rnd") == 0) {
            int seconds = ClampInt(atoi(t.mode.c_str() + 3), 0, kMaxRandomSeconds);
            e->randomPeriod = seconds * 1000;
        }
        e->maxCopies = MAX_SOUND_COPIES;
        e->copiesPlaying = 0;
        e->next = soundList;
        soundList = e;
    }
    fclose(f);
}

// ---------------------------------------------------------------------------
// Sound sources

SOUND_SOURCE::~SOUND_SOURCE() {
    if (buffer) {
        buffer->Stop();
        buffer->Release();
        buffer = nullptr;
    }
}

int SOUND_SOURCE::Init(IDirectSound8* dev, void* ownerObject, const D3DXVECTOR3* pos, int loopFlag, int period,
                       int positionalFlag, int baseVol, IDirectSoundBuffer* soundBuffer, SOUND_SOURCE* nextSource,
                       int randomFrequency) {
    if (!dev || !soundBuffer || FAILED(dev->DuplicateSoundBuffer(soundBuffer, &buffer))) {
        WriteStartLog("Unable to duplicate soundbuffer in SOUND_SOURCE::Init()!!!");
        buffer = nullptr;
        return 0;
    }
    object = ownerObject;
    if (pos) {
        position[0] = pos->x;
        position[1] = pos->y;
        position[2] = pos->z;
    }
    loop = ownerObject ? loopFlag : 0;
    randomPeriod = period > 0 ? period : 0;
    randomTimer = randomPeriod;
    positional = positionalFlag;
    baseVolume = baseVol > 0 ? 0 : baseVol;
    next = nextSource;
    pan = 0;
    volume = -10000;
    prevVolume = -10000;
    frequencyOffset = randomFrequency ? (int)(UnitRandom() * 4000.0) - 2000 : 0;
    // Until the first update, which sets the rate (22050 Hz + offset) before
    // the source can sound, the silent buffer gets the bare offset: 0 keeps
    // the WAV file's own rate, and a value the buffer cannot take is refused
    // and leaves that rate.
    frequency = 0 + frequencyOffset;
    buffer->SetVolume(-10000);
    buffer->SetFrequency((DWORD)frequency);
    buffer->SetPan(0);
    return 1;
}

void SOUND_SOURCE::Update(float frequencyPercent, int vol, int panValue) {
    if (!buffer) return;
    pan = ClampInt(panValue, -10000, 10000);
    frequency = ClampSoundFrequency((22050.0 + frequencyOffset) * (double)frequencyPercent / 100.0);
    if (vol < -6000) vol = -10000;
    if (vol > 0) vol = 0;
    volume = vol;
    buffer->SetVolume(volume);
    buffer->SetFrequency((DWORD)frequency);
    buffer->SetPan(pan);

    bool mayTrigger = true;
    if (randomPeriod > 0) {
        mayTrigger = false;
        randomTimer += frameTime;
        if (randomTimer >= 2 * randomPeriod) {
            randomTimer = (int)(UnitRandom() * randomPeriod * 2.0);
            mayTrigger = true;
        }
    }

    if (loop) {
        if (volume >= -9999 && prevVolume == -10000) buffer->Play(0, 0, DSBPLAY_LOOPING);
    } else if (randomPeriod == 0) {
        // A controlled sound plays once each time its volume rises past -2000.
        if (volume >= -1999 && prevVolume < -1999) buffer->Play(0, 0, 0);
    } else if (mayTrigger && volume >= -9999) {
        DWORD status = 0;
        buffer->GetStatus(&status);
        if (!(status & DSBSTATUS_PLAYING)) buffer->Play(0, 0, 0);
    }
    if (volume == -10000 && prevVolume >= -9999) buffer->Stop();
    prevVolume = volume;
}

int SOUND_SOURCE::UpdateAutoAdjusted() {
    if (!positional) return 1;
    if (!buffer) return 0;
    int attenuation = -10000, p = 0;
    DetSoundVolumePan(D3DXVECTOR3(position[0], position[1], position[2]), &attenuation, &p);
    volume = ClampInt(baseVolume + attenuation, -10000, 0);
    pan = ClampInt(p, -10000, 10000);
    buffer->SetVolume(volume);
    buffer->SetPan(pan);
    DWORD status = 0;
    buffer->GetStatus(&status);
    if (!(status & DSBSTATUS_PLAYING) && !loop) return 0;
    if (loop) {
        if (volume >= -9999 && prevVolume == -10000) buffer->Play(0, 0, DSBPLAY_LOOPING);
        if (volume == -10000 && prevVolume >= -9999) buffer->Stop();
    }
    prevVolume = volume;
    return 1;
}

void SOUND_SOURCE::Play() {
    if (buffer) buffer->Play(0, 0, loop ? DSBPLAY_LOOPING : 0);
}

void SOUND_SOURCE::Silence() {
    if (!buffer) return;
    buffer->SetVolume(-10000);
    buffer->Stop();
    volume = -10000;
}

int SOUND_MANAGER::RegisterSource(void* object, const char* name, const char* alternativeName,
                                  int randomFrequency, int forceLoop) {
    if (!initialised) return 0;
    int loopFlag = 0, period = 0;
    IDirectSoundBuffer* b = FindSound(name, &loopFlag, nullptr, &period);
    if (!b && alternativeName) {
        loopFlag = 0;
        period = 0;
        b = FindSound(alternativeName, &loopFlag, nullptr, &period);
    }
    if (!b) {
        WriteStartLog("Sound not found for object: ", NOLINEEND);
        WriteStartLog(name ? name : "");
        return 0;
    }
    SOUND_SOURCE* s = new (std::nothrow) SOUND_SOURCE;
    if (!s) {
        WriteStartLog("Out of memory in SOUND_MANAGER::RegisterSource()!!!");
        return 0;
    }
    if (forceLoop) loopFlag = 1;
    if (!s->Init(device, object, nullptr, loopFlag, period, 0, 0, b, sources, randomFrequency)) {
        delete s;
        return 0;
    }
    sources = s;
    return 1;
}

int SOUND_MANAGER::HasSource(void* object) {
    for (SOUND_SOURCE* s = sources; s; s = s->next)
        if (s->object == object) return 1;
    return 0;
}

void SOUND_MANAGER::RemoveSource(void* object) {
    SOUND_SOURCE* prev = nullptr;
    for (SOUND_SOURCE* s = sources; s; prev = s, s = s->next) {
        if (s->object != object) continue;
        s->Silence();
        if (prev)
            prev->next = s->next;
        else
            sources = s->next;
        delete s;
        return;
    }
}

void SOUND_MANAGER::UpdateSource(void* object, float frequency, int volume, int pan) {
    for (SOUND_SOURCE* s = sources; s; s = s->next) {
        if (s->object != object) continue;
        if (volume < -6000) volume = -10000;
        if (volume > 0) volume = 0;
        s->Update(frequency, volume, pan);
        return;
    }
}

int SOUND_MANAGER::PlayAutoAdjustedSound(void* object, const char* name, const D3DXVECTOR3& position,
                                         int baseVolume) {
    if (!initialised) return 0;
    int loopFlag = 0;
    IDirectSoundBuffer* b = FindSound(name, &loopFlag);
    if (!b) {
        WriteStartLog("Sound not found in SOUND_MANAGER::PlayAutoAdjustedSound()!!!: ", NOLINEEND);
        WriteStartLog(name ? name : "");
        return 0;
    }
    SOUND_SOURCE* s = new (std::nothrow) SOUND_SOURCE;
    if (!s) {
        WriteStartLog("Out of memory in SOUND_MANAGER::PlayAutoAdjustedSound()!!!");
        return 0;
    }
    if (baseVolume > 0) baseVolume = 0;
    if (baseVolume < -6000) baseVolume = -10000;
    if (!s->Init(device, object, &position, loopFlag, 0, 1, baseVolume, b, sources, 0)) {
        delete s;
        return 0;
    }
    sources = s;
    s->UpdateAutoAdjusted();
    s->Play();
    return 1;
}

// ---------------------------------------------------------------------------
// Volume and pan from the camera

void DetSoundVolumePan(const D3DXVECTOR3& point, int* volume, int* pan) {
    D3DXVECTOR3 eye(0.0f, 0.0f, 0.0f), target(0.0f, 0.0f, 0.0f);
    float yaw = 0.0f;
    display.GetCamera(&eye, &target, nullptr);
    display.GetCameraAngles(&yaw, nullptr, nullptr);

    float dx = point.x - eye.x, dy = point.y - eye.y, dz = point.z - eye.z;
    float d = std::sqrt(dx * dx + dy * dy + dz * dz);
    float attenuation = (d - 3.0f) * 150.0f;
    int vol = -10000, p = 0;
    if (std::isfinite(attenuation) && attenuation < 10000.0f) {
        vol = -std::max(0, (int)attenuation);
        // The angle at the eye between the view target and the point, both
        // seen from above; a point straight ahead or behind is centred.
        float tx = target.x - eye.x, ty = target.y - eye.y;
        float lt = std::sqrt(tx * tx + ty * ty), lp = std::sqrt(dx * dx + dy * dy);
        if (lt > 1e-6f && lp > 1e-6f) {
            float c = std::clamp((tx * dx + ty * dy) / (lt * lp), -1.0f, 1.0f);
            float a = std::acos(c);
            if (a > kPi / 2.0f) a = kPi - a;
            int magnitude = (int)(a * 4000.0f / kPi);
            float side = dx * std::sin(yaw) + dy * std::cos(yaw);
            p = side > 0.0f ? magnitude : -magnitude;
        }
    }
    if (volume) *volume = vol;
    if (pan) *pan = p;
}
