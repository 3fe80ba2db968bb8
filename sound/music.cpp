#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <thread>

#include "app/myglobs.h"
#include "app/startlog.h"
#include "platform/paths.h"
#include "sound/soundlists.h"
#include "sound/soundmanager.h"

namespace {

size_t ReadCallback(void* ptr, size_t size, size_t count, void* source) {
    return fread(ptr, size, count, static_cast<FILE*>(source));
}
int SeekCallback(void* source, ogg_int64_t offset, int whence) {
    return fseek(static_cast<FILE*>(source), (long)offset, whence);
}
int CloseCallback(void* source) { return fclose(static_cast<FILE*>(source)); }
long TellCallback(void* source) { return ftell(static_cast<FILE*>(source)); }

const ov_callbacks kFileCallbacks = {ReadCallback, SeekCallback, CloseCallback, TellCallback};

// The frame counter is shared with the render loop of the main thread.
int FramesDrawn() { return std::atomic_ref<int>(myGlobs.frameCounter).load(); }
void ResetFramesDrawn() { std::atomic_ref<int>(myGlobs.frameCounter).store(0); }

void PauseBriefly() { std::this_thread::sleep_for(std::chrono::milliseconds(1)); }

const char* LockErrorName(HRESULT hr) {
    switch (hr) {
        case DSERR_BUFFERLOST: return "DSERR_BUFFERLOST";
        case DSERR_PRIOLEVELNEEDED: return "DSERR_PRIOLEVELNEEDED";
        case DSERR_INVALIDPARAM: return "DSERR_INVALIDPARAM";
        case DSERR_INVALIDCALL: return "DSERR_INVALIDCALL";
        default: return "baj van!!";
    }
}

}  // namespace

// ---------------------------------------------------------------------------
// Music lists and the stream buffer (start-up)

void SOUND_MANAGER::ReadMusicLists() {
    const char* pattern = myGlobs.firstEdition ? "vlm_ogg*.txt" : "qm_ogg*.txt";
    for (const std::string& name : FoundListFiles(pattern, ".txt")) {
        if (musicRowCount >= MAX_MUSIC_ROWS) break;
        WriteStartLog("Reading ogg list file: ", NOLINEEND);
        WriteStartLog(name.c_str());
        FILE* f = plat::OpenFile(name.c_str(), "rb");
        if (!f) {
            WriteStartLog("Unable to open ogg list file: ", NOLINEEND);
            WriteStartLog(name.c_str(), NOLINEEND);
            WriteStartLog(" !!!");
            continue;
        }
        std::string logical, file;
        while (musicRowCount < MAX_MUSIC_ROWS && ReadListToken(f, &logical) && ReadListToken(f, &file)) {
            if (logical.size() >= MUSIC_NAME_LEN || file.size() >= MUSIC_NAME_LEN) {
                WriteStartLog("Name too long in ogg list file ", NOLINEEND);
                WriteStartLog(name.c_str(), NOLINEEND);
                WriteStartLog(", entry skipped: ", NOLINEEND);
                WriteStartLog(logical.size() >= MUSIC_NAME_LEN ? logical.c_str() : file.c_str());
                continue;
            }
            CopyText(musicNames[musicRowCount], MUSIC_NAME_LEN, logical.c_str());
            CopyText(musicFiles[musicRowCount], MUSIC_NAME_LEN, file.c_str());
            musicRowCount++;
        }
        fclose(f);
        WriteStartLog(" ... file processed");
    }
}

void SOUND_MANAGER::CreateMusicStream() {
    WAVEFORMATEX format{};
    format.wFormatTag = WAVE_FORMAT_PCM;
    format.nChannels = 2;
    format.nSamplesPerSec = 22050;
    format.wBitsPerSample = 16;
    format.nBlockAlign = 4;
    format.nAvgBytesPerSec = 88200;
    DSBUFFERDESC desc{};
    desc.dwSize = sizeof(desc);
    desc.dwFlags = DSBCAPS_CTRLVOLUME;
    desc.dwBufferBytes = (DWORD)streamSize;
    desc.lpwfxFormat = &format;
    if (FAILED(device->CreateSoundBuffer(&desc, &streamBuffer, nullptr))) {
        WriteStartLog("Unable to create ogg sound buffer in SOUND_MANAGER::Init()!!!");
        streamBuffer = nullptr;
        return;
    }
    playRequest = 0;
    void* p1 = nullptr;
    void* p2 = nullptr;
    DWORD n1 = 0, n2 = 0;
    if (FAILED(streamBuffer->Lock(0, (DWORD)streamSize, &p1, &n1, &p2, &n2, 0))) {
        WriteStartLog("Unable to lock sound buffer in SOUND_MANAGER::LoadWavFile()!!!");
        streamBuffer->Release();
        streamBuffer = nullptr;
        return;
    }
    memset(p1, 0, n1);
    if (p2) memset(p2, 0, n2);
    streamBuffer->Unlock(p1, n1, p2, n2);

    musicQuit = 0;
    musicEvent = CreateEvent(nullptr, FALSE, FALSE, nullptr);
    musicThread = CreateThread(nullptr, 0, OggThread, this, 0, &musicThreadId);
    if (!musicThread) {
        WriteStartLog("Unable to create ogg thread!!!");
        if (musicEvent) CloseHandle(musicEvent);
        musicEvent = nullptr;
        streamBuffer->Release();
        streamBuffer = nullptr;
        return;
    }
    WriteStartLog("Ogg thread created...");
}

// ---------------------------------------------------------------------------
// Main-thread side

void SOUND_MANAGER::PlayMusic(const char* name) {
    if (!musicEnabled || !streamBuffer || !musicOn) return;
    if (playRequest.load()) StopMusic();
    WaitForMusicStopped();

    char wanted[MUSIC_NAME_LEN];
    CopyText(wanted, MUSIC_NAME_LEN, name);
    if (strcmp(wanted, currentMusicName) != 0)
        playlistIndex = 0;
    else
        playlistIndex++;

    // The index-th row of that name; past the last one the playlist wraps.
    auto findRow = [&](int index) {
        for (int i = 0; i < musicRowCount; ++i)
            if (strcmp(musicNames[i], wanted) == 0 && index-- == 0) return i;
        return -1;
    };
    int row = findRow(playlistIndex);
    if (row < 0 && playlistIndex > 0) {
        playlistIndex = 0;
        row = findRow(0);
    }
    FILE* f = row >= 0 ? plat::OpenFile(musicFiles[row], "rb") : nullptr;
    if (!f) {
        currentMusicName[0] = 0;
        return;
    }
    if (ov_open_callbacks(f, &oggStream, nullptr, 0, kFileCallbacks) < 0) {
        // A failed open leaves the file to the caller.
        fclose(f);
        WriteStartLog("Input does not appear to be an Ogg bitstream!!!");
        currentMusicName[0] = 0;
        return;
    }
    streamOpen = 1;
    CopyText(currentMusicName, MUSIC_NAME_LEN, wanted);
    playRequest = 1;
}

void SOUND_MANAGER::StopMusic() {
    if (!musicEnabled || !streamBuffer) return;
    if (playRequest.load()) {
        playRequest = 0;
        streamBuffer->SetVolume(-10000);
    }
}

void SOUND_MANAGER::SetMusicOn(int flag) {
    if (flag == musicOn) return;
    musicOn = flag;
    if (flag)
        PlayMusic(currentMusicName);
    else
        StopMusic();
}

// Waits until the music thread has stopped the stream and closed its file.
// Without a running thread the stream is closed here.
void SOUND_MANAGER::WaitForMusicStopped() {
    while (streamStatus.load() != 2 || streamOpen.load()) {
        if (!musicThread || WaitForSingleObject(musicThread, 0) == WAIT_OBJECT_0) {
            CloseMusicStream();
            streamStatus = 2;
            return;
        }
        PauseBriefly();
    }
}

void SOUND_MANAGER::StopMusicThread() {
    if (!musicThread) return;
    musicQuit = 1;
    if (musicEvent) SetEvent(musicEvent);
    WaitForSingleObject(musicThread, INFINITE);
    CloseHandle(musicThread);
    musicThread = nullptr;
    if (musicEvent) CloseHandle(musicEvent);
    musicEvent = nullptr;
}

void SOUND_MANAGER::CloseMusicStream() {
    if (streamOpen.load()) {
        ov_clear(&oggStream);
        streamOpen = 0;
    }
}

// ---------------------------------------------------------------------------
// The music thread

DWORD WINAPI OggThread(LPVOID param) {
    SOUND_MANAGER* manager = static_cast<SOUND_MANAGER*>(param);
    return manager ? manager->RunMusicThread() : 0;
}

DWORD SOUND_MANAGER::RunMusicThread() {
    int wasPlaying = 0;
    int restart = 0;
    while (!musicQuit.load()) {
        HANDLE event = musicEvent;
        DWORD r = MsgWaitForMultipleObjects(1, &event, TRUE, 25, QS_TIMER);
        if (r != WAIT_TIMEOUT && r != WAIT_FAILED) {
            MSG msg;
            while (plat::PeekThreadMessage(&msg, PM_REMOVE)) {
            }
        }
        if (musicQuit.load()) break;

        if (!streamBuffer) {
            wasPlaying = playRequest.load();
            continue;
        }
        int request = playRequest.load();

        if (request && wasPlaying && streamStatus.load() == 1) {
            streamBuffer->Stop();
            continue;
        }

        if (!request) {
            if (wasPlaying) {
                streamBuffer->Stop();
                void* p1 = nullptr;
                void* p2 = nullptr;
                DWORD n1 = 0, n2 = 0;
                if (FAILED(streamBuffer->Lock(0, (DWORD)streamSize, &p1, &n1, &p2, &n2, 0))) {
                    WriteStartLog("Unable to lock sound buffer in OggThread()!!!");
                } else {
                    memset(p1, 0, n1);
                    if (p2) memset(p2, 0, n2);
                    streamBuffer->Unlock(p1, n1, p2, n2);
                }
            }
            // A stream opened and stopped again before this thread saw it is
            // closed too.
            CloseMusicStream();
            wasPlaying = 0;
            restart = 0;
            streamStatus = 2;
            continue;
        }

        if (!wasPlaying) {
            // Line the stream up: run the silent buffer until its play
            // position has crossed from the first half into the second.
            streamBuffer->Play(0, 0, DSBPLAY_LOOPING);
            bool lined = true;
            for (int phase = 0; phase < 2 && lined; ++phase) {
                for (;;) {
                    if (musicQuit.load() || !playRequest.load()) {
                        lined = false;
                        break;
                    }
                    DWORD pos = 0;
                    streamBuffer->GetCurrentPosition(&pos, nullptr);
                    if (phase == 0 ? pos < (DWORD)MUSIC_HALF_SIZE : pos > (DWORD)MUSIC_HALF_SIZE) break;
                    PauseBriefly();
                }
            }
            if (!lined) {
                streamBuffer->Stop();
                continue;
            }
            overflowLength = 0;
            ResetFramesDrawn();
            restart = 1;
            streamBuffer->Stop();
            streamStatus = 0;
        }
        wasPlaying = 1;

        if (restart) {
            // Start only once the renderer has settled.
            if (FramesDrawn() <= 5) continue;
            streamBuffer->SetVolume(0);
            streamBuffer->Play(0, 0, DSBPLAY_LOOPING);
        }

        DWORD pos = 0;
        streamBuffer->GetCurrentPosition(&pos, nullptr);
        DWORD half = pos > (DWORD)MUSIC_HALF_SIZE ? 0 : (DWORD)MUSIC_HALF_SIZE;
        if ((int)half != lastHalf || restart) {
            restart = 0;
            FillHalf(half);
        }
    }
    return 0;
}

// Decodes the next part of the stream into one half of the buffer.
void SOUND_MANAGER::FillHalf(DWORD offset) {
    void* p1 = nullptr;
    void* p2 = nullptr;
    DWORD n1 = 0, n2 = 0;
    HRESULT hr = streamBuffer->Lock(offset, (DWORD)MUSIC_HALF_SIZE, &p1, &n1, &p2, &n2, 0);
    if (FAILED(hr)) {
        WriteStartLog(LockErrorName(hr));
        return;
    }
    char* dst = static_cast<char*>(p1);
    int room = (int)n1;
    int written = 0;
    char* overflow = decodeArea + MUSIC_DECODE_BLOCK;
    if (overflowLength > 0) {
        int n = overflowLength < room ? overflowLength : room;
        memcpy(dst, overflow, (size_t)n);
        written = n;
    }
    int newOverflow = 0;
    bool ended = false;
    while (written < room) {
        int bitstream = 0;
        long n = ov_read(&oggStream, decodeArea, MUSIC_DECODE_BLOCK, 0, 2, 1, &bitstream);
        if (n <= 0) {
            ended = true;
            break;
        }
        int space = room - written;
        if (n <= space) {
            memcpy(dst + written, decodeArea, (size_t)n);
            written += (int)n;
        } else {
            // The rest of the block waits for the next half.
            memcpy(dst + written, decodeArea, (size_t)space);
            written += space;
            newOverflow = (int)n - space;
            memcpy(overflow, decodeArea + space, (size_t)newOverflow);
        }
    }
    if (ended && written < room) {
        // Nothing stale may play after the last decoded sample.
        memset(dst + written, 0, (size_t)(room - written));
        written = room;
    }
    streamBuffer->Unlock(p1, (DWORD)written, nullptr, 0);
    if (ended) streamStatus = 1;
    lastHalf = (int)offset;
    overflowLength = newOverflow;
}
