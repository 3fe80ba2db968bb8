// The sound manager: DirectSound start-up, the loaded WAV sounds, named
// one-shot sounds, sound sources bound to scene objects or world points, and
// the streamed Ogg Vorbis music with its thread.
#pragma once

#ifndef OV_EXCLUDE_STATIC_CALLBACKS
#define OV_EXCLUDE_STATIC_CALLBACKS
#endif
#include <vorbis/vorbisfile.h>

#include <atomic>

#include "platform/d3dx8math.h"
#include "platform/dsound.h"
#include "platform/thread.h"

constexpr int SOUND_NAME_LEN = 64;    // sound and WAV file names, 63 characters
constexpr int MUSIC_NAME_LEN = 32;    // music names and file names, 31 characters
constexpr int MAX_MUSIC_ROWS = 100;
constexpr int MUSIC_STREAM_SIZE = 32768;
constexpr int MUSIC_HALF_SIZE = MUSIC_STREAM_SIZE / 2;
constexpr int MUSIC_DECODE_BLOCK = 4096;
constexpr int MAX_SOUND_COPIES = 10;

// One row of the sound lists: a logical sound name bound to a WAV file.
struct SOUND_ENTRY {
    SOUND_ENTRY* next = nullptr;
    char soundName[SOUND_NAME_LEN] = {};
    char wavFileName[SOUND_NAME_LEN] = {};
    int loop = 0;
    int control = 0;
    int randomPeriod = 0;  // ms, 0 = not random
    int maxCopies = MAX_SOUND_COPIES;
    int copiesPlaying = 0;
};

// A WAV file loaded into its own static buffer (null when it could not be
// opened, so it is not tried again).
struct LOADED_SOUND {
    char fileName[SOUND_NAME_LEN] = {};
    IDirectSoundBuffer* buffer = nullptr;
    LOADED_SOUND* next = nullptr;
};

// A duplicate buffer playing one copy of a sound.
struct PLAYING_SOUND {
    PLAYING_SOUND* prev = nullptr;
    PLAYING_SOUND* next = nullptr;
    IDirectSoundBuffer* buffer = nullptr;
    SOUND_ENTRY* entry = nullptr;
};

// A sound played on behalf of a scene object or at a fixed world point.
class SOUND_SOURCE {
public:
    SOUND_SOURCE() = default;
    ~SOUND_SOURCE();
    SOUND_SOURCE(const SOUND_SOURCE&) = delete;
    SOUND_SOURCE& operator=(const SOUND_SOURCE&) = delete;

    int Init(IDirectSound8* device, void* ownerObject, const D3DXVECTOR3* pos, int loopFlag, int period,
             int positionalFlag, int baseVol, IDirectSoundBuffer* soundBuffer, SOUND_SOURCE* nextSource,
             int randomFrequency);
    // Owner-driven update: frequency in percent of 22050 Hz, volume in
    // hundredths of a decibel, pan -10000..10000.
    void Update(float frequencyPercent, int vol, int panValue);
    // Positional update from the camera; 0 when the source has finished.
    int UpdateAutoAdjusted();
    void Play();
    // Silences the buffer at once.
    void Silence();

    void* object = nullptr;
    IDirectSoundBuffer* buffer = nullptr;
    int frequency = 0;
    int frequencyOffset = 0;
    int volume = -10000;
    int prevVolume = -10000;
    int pan = 0;
    int baseVolume = 0;
    float position[3] = {0.0f, 0.0f, 0.0f};
    int positional = 0;
    int loop = 0;
    int randomPeriod = 0;
    int randomTimer = 0;
    SOUND_SOURCE* next = nullptr;
};

class SOUND_MANAGER {
public:
    SOUND_MANAGER();
    ~SOUND_MANAGER();
    SOUND_MANAGER(const SOUND_MANAGER&) = delete;
    SOUND_MANAGER& operator=(const SOUND_MANAGER&) = delete;

    int Init();
    void Release();
    void Update();

    // Plays a named sound once: its own buffer (not restarted while it plays)
    // or, with duplicate set, a copy of it. Volume in hundredths of a
    // decibel, pan -10000..10000, frequency in percent of 22050 Hz.
    int PlaySound(const char* name, int volume = 0, int pan = 0, float frequency = 100.0f, int duplicate = 0,
                  const char* alternativeName = nullptr);
    IDirectSoundBuffer* FindSound(const char* name, int* loop = nullptr, int* control = nullptr,
                                  int* period = nullptr, SOUND_ENTRY** entry = nullptr);
    int FindSoundById(int number, int* control);
    void LoadWavFile(const char* fileName);
    void AddSound(const char* fileName, IDirectSoundBuffer* buffer);

    // Sound sources bound to objects.
    int RegisterSource(void* object, const char* name, const char* alternativeName = nullptr,
                       int randomFrequency = 0, int forceLoop = 0);
    int HasSource(void* object);
    void RemoveSource(void* object);
    void UpdateSource(void* object, float frequency, int volume, int pan);
    int PlayAutoAdjustedSound(void* object, const char* name, const D3DXVECTOR3& position, int baseVolume);

    // Music.
    void PlayMusic(const char* name);
    void StopMusic();
    void SetMusicOn(int flag);
    int IsMusicOn() const { return musicOn; }

    // The music thread's loop; returns when the manager shuts it down.
    DWORD RunMusicThread();

    // State for the options window and the tests.
    int IsInitialised() const { return initialised; }
    int IsMusicEnabled() const { return musicEnabled; }
    IDirectSound8* GetDevice() const { return device; }
    int GetStreamStatus() const { return streamStatus.load(); }
    int GetPlayRequest() const { return playRequest.load(); }
    int GetPlaylistIndex() const { return playlistIndex; }
    const char* GetCurrentMusicName() const { return currentMusicName; }
    int GetMusicRowCount() const { return musicRowCount; }
    int IsMusicThreadRunning() const { return musicThread != nullptr; }
    SOUND_SOURCE* GetSources() const { return sources; }
    SOUND_ENTRY* GetSoundList() const { return soundList; }
    LOADED_SOUND* GetLoadedSounds() const { return loadedSounds; }
    PLAYING_SOUND* GetPlayingCopies() const { return playingCopies; }

private:
    void ReadSoundListFiles(bool entryPass);
    void FillSourceList(const char* fileName);
    void LoadListWavFiles(const char* fileName);
    void ReadMusicLists();
    void CreateMusicStream();
    int PlayCopy(IDirectSoundBuffer* soundBuffer, SOUND_ENTRY* entry, int volume, int pan, float frequency);
    void WaitForMusicStopped();
    void StopMusicThread();
    void CloseMusicStream();
    void FillHalf(DWORD offset);

    IDirectSound8* device = nullptr;
    LOADED_SOUND* loadedSounds = nullptr;
    SOUND_SOURCE* sources = nullptr;
    SOUND_ENTRY* soundList = nullptr;
    int initialised = 0;
    PLAYING_SOUND* playingCopies = nullptr;
    int musicEnabled = 0;

    // Music fields. The ones written by one thread and read by the other are
    // atomics; the handshake order is carried by streamStatus.
    IDirectSoundBuffer* streamBuffer = nullptr;
    int streamSize = MUSIC_STREAM_SIZE;
    std::atomic<int> playRequest{0};
    std::atomic<int> streamStatus{2};  // 0 playing, 1 ended, 2 stopped
    std::atomic<int> streamOpen{0};    // the Ogg Vorbis stream holds an open file
    std::atomic<int> musicQuit{0};     // asks the music thread to end
    char decodeArea[MUSIC_DECODE_BLOCK + MUSIC_DECODE_BLOCK] = {};
    int overflowLength = 0;
    OggVorbis_File oggStream{};
    int lastHalf = 0;
    HANDLE musicEvent = nullptr;
    HANDLE musicThread = nullptr;
    DWORD musicThreadId = 0;
    char musicFiles[MAX_MUSIC_ROWS][MUSIC_NAME_LEN] = {};
    char musicNames[MAX_MUSIC_ROWS][MUSIC_NAME_LEN] = {};
    int musicRowCount = 0;
    int playlistIndex = 0;
    char currentMusicName[MUSIC_NAME_LEN] = {};

    int effectsOn = 1;
    int musicOn = 1;
};

extern SOUND_MANAGER soundManager;

// Volume (hundredths of a decibel, -10000 silent) and pan of a sound at a
// world point, as heard from the camera.
void DetSoundVolumePan(const D3DXVECTOR3& point, int* volume, int* pan);

// The music thread procedure; its parameter is the sound manager.
DWORD WINAPI OggThread(LPVOID param);
