#include "platform/dsound.h"

#include <SDL.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <memory>
#include <mutex>
#include <new>
#include <vector>

namespace {

constexpr int kDefaultRate = 22050;
constexpr int kDeviceFrames = 512;  // SDL buffer: about 23 ms at 22050 Hz

std::atomic<bool> manualMixing{false};

class SoundBuffer;

// The mixing state of one device object. Buffers keep it alive through a
// shared pointer, so a buffer released after its device still works (silent).
struct Core {
    std::mutex lock;  // guards the buffer list and every buffer's play state
    std::vector<SoundBuffer*> buffers;
    int rate = kDefaultRate;
    WAVEFORMATEX primaryFormat{};
    DWORD cooperativeLevel = 0;
    SDL_AudioDeviceID device = 0;
    bool live = true;  // false once the device object is released
};

// Every live device object, for MixSoundFrames. Never destroyed, so the audio
// callback and late releases during process exit find it intact.
struct Registry {
    std::mutex lock;
    std::vector<std::shared_ptr<Core>> cores;
};
Registry& Devices() {
    static Registry* registry = new Registry;
    return *registry;
}

WAVEFORMATEX MakePcmFormat(int rate, int channels, int bits) {
    WAVEFORMATEX f{};
    f.wFormatTag = WAVE_FORMAT_PCM;
    f.nChannels = (WORD)channels;
    f.nSamplesPerSec = (DWORD)rate;
    f.wBitsPerSample = (WORD)bits;
    f.nBlockAlign = (WORD)(channels * bits / 8);
    f.nAvgBytesPerSec = f.nSamplesPerSec * f.nBlockAlign;
    f.cbSize = 0;
    return f;
}

bool IsValidPcm(const WAVEFORMATEX& f) {
    if (f.wFormatTag != WAVE_FORMAT_PCM) return false;
    if (f.nChannels != 1 && f.nChannels != 2) return false;
    if (f.wBitsPerSample != 8 && f.wBitsPerSample != 16) return false;
    if (f.nSamplesPerSec < DSBFREQUENCY_MIN || f.nSamplesPerSec > DSBFREQUENCY_MAX) return false;
    if (f.nBlockAlign != f.nChannels * f.wBitsPerSample / 8) return false;
    if (f.nAvgBytesPerSec != f.nSamplesPerSec * f.nBlockAlign) return false;
    return true;
}

// Hundredths of a decibel to a linear gain; -10000 and below are silence.
float GainOf(LONG hundredthsDb) {
    if (hundredthsDb <= DSBVOLUME_MIN) return 0.0f;
    if (hundredthsDb >= 0) return 1.0f;
    return std::pow(10.0f, (float)hundredthsDb / 2000.0f);
}

class SoundBuffer final : public RefCounted<IDirectSoundBuffer> {
public:
    SoundBuffer(std::shared_ptr<Core> core, bool primary, DWORD flags) : core_(std::move(core)), primary_(primary), flags_(flags) {}

    ~SoundBuffer() override {
        std::lock_guard<std::mutex> lk(core_->lock);
        auto& v = core_->buffers;
        v.erase(std::remove(v.begin(), v.end(), this), v.end());
    }

    // Secondary buffer set-up (before it is visible to the mixer).
    bool InitSecondary(const WAVEFORMATEX& format, DWORD bytes) {
        format_ = format;
        DWORD block = format.nBlockAlign;
        bytes -= bytes % block;
        if (bytes == 0) return false;
        try {
            data_ = std::make_shared<std::vector<uint8_t>>(bytes, format.wBitsPerSample == 8 ? 0x80 : 0x00);
        } catch (const std::bad_alloc&) {
            return false;
        }
        UpdateGains();
        return true;
    }

    void InitDuplicate(const SoundBuffer& original) {
        format_ = original.format_;
        data_ = original.data_;
        std::lock_guard<std::mutex> lk(core_->lock);
        volume_ = original.volume_;
        pan_ = original.pan_;
        frequency_ = original.frequency_;
        UpdateGains();
    }

    void Attach() {
        std::lock_guard<std::mutex> lk(core_->lock);
        core_->buffers.push_back(this);
    }

    bool IsPrimary() const { return primary_; }

    // Mixes into the float accumulator (lock held by the caller).
    void MixInto(float* acc, int frames, int outRate) {
        if (!playing_ || primary_ || !data_) return;
        const uint8_t* d = data_->data();
        const uint64_t total = data_->size() / format_.nBlockAlign;
        if (total == 0) return;
        const uint64_t rate = frequency_ ? frequency_ : format_.nSamplesPerSec;
        const uint64_t step = (rate << 32) / (uint64_t)outRate;
        const uint64_t length = total << 32;
        const bool stereo = format_.nChannels == 2;
        const bool eight = format_.wBitsPerSample == 8;
        auto sample = [&](uint64_t frame, float* l, float* r) {
            const uint8_t* p = d + frame * format_.nBlockAlign;
            if (eight) {
                *l = (float)(((int)p[0] - 128) * 256);
                *r = stereo ? (float)(((int)p[1] - 128) * 256) : *l;
            } else {
                int16_t a, b;
                memcpy(&a, p, 2);
                *l = a;
                if (stereo) {
                    memcpy(&b, p + 2, 2);
                    *r = b;
                } else {
                    *r = *l;
                }
            }
        };
        for (int i = 0; i < frames; ++i) {
            uint64_t frame = position_ >> 32;
            uint32_t frac = (uint32_t)(position_ & 0xFFFFFFFFu);
            float l, r;
            sample(frame, &l, &r);
            if (frac != 0) {
                uint64_t next = frame + 1;
                if (next >= total) next = looping_ ? 0 : frame;
                float l1, r1;
                sample(next, &l1, &r1);
                float t = (float)frac / 4294967296.0f;
                l += (l1 - l) * t;
                r += (r1 - r) * t;
            }
            acc[2 * i] += l * gainLeft_;
            acc[2 * i + 1] += r * gainRight_;
            position_ += step;
            if (position_ >= length) {
                if (looping_) {
                    position_ %= length;
                } else {
                    // A one-shot that reached its end stops and rewinds.
                    playing_ = false;
                    position_ = 0;
                    return;
                }
            }
        }
    }

    // --- IDirectSoundBuffer
    HRESULT GetCaps(LPDSBCAPS caps) override {
        if (!caps || caps->dwSize < sizeof(DSBCAPS)) return DSERR_INVALIDPARAM;
        caps->dwFlags = flags_ | DSBCAPS_LOCSOFTWARE;
        caps->dwBufferBytes = primary_ ? (DWORD)(kDeviceFrames * 4) : (DWORD)data_->size();
        caps->dwUnlockTransferRate = 0;
        caps->dwPlayCpuOverhead = 0;
        return DS_OK;
    }

    HRESULT GetCurrentPosition(LPDWORD playCursor, LPDWORD writeCursor) override {
        if (primary_) {
            if (playCursor) *playCursor = 0;
            if (writeCursor) *writeCursor = 0;
            return DS_OK;
        }
        std::lock_guard<std::mutex> lk(core_->lock);
        DWORD size = (DWORD)data_->size();
        DWORD play = (DWORD)(position_ >> 32) * format_.nBlockAlign;
        DWORD write = play;
        if (playing_) {
            // The write cursor runs about 10 ms ahead of the play cursor.
            DWORD rate = frequency_ ? frequency_ : format_.nSamplesPerSec;
            DWORD lead = (rate / 100) * format_.nBlockAlign;
            if (lead >= size) lead = size - format_.nBlockAlign;
            write = (play + lead) % size;
        }
        if (playCursor) *playCursor = play;
        if (writeCursor) *writeCursor = write;
        return DS_OK;
    }

    HRESULT GetFormat(LPWAVEFORMATEX format, DWORD sizeAllocated, LPDWORD sizeWritten) override {
        WAVEFORMATEX f;
        if (primary_) {
            std::lock_guard<std::mutex> lk(core_->lock);
            f = core_->primaryFormat;
        } else {
            f = format_;
        }
        if (!format) {
            if (!sizeWritten) return DSERR_INVALIDPARAM;
            *sizeWritten = sizeof(WAVEFORMATEX);
            return DS_OK;
        }
        DWORD n = std::min<DWORD>(sizeAllocated, sizeof(WAVEFORMATEX));
        if (n < sizeof(PCMWAVEFORMAT)) return DSERR_INVALIDPARAM;
        memcpy(format, &f, n);
        if (sizeWritten) *sizeWritten = n;
        return DS_OK;
    }

    HRESULT GetVolume(LPLONG volume) override {
        if (!volume) return DSERR_INVALIDPARAM;
        if (!(flags_ & DSBCAPS_CTRLVOLUME)) return DSERR_CONTROLUNAVAIL;
        std::lock_guard<std::mutex> lk(core_->lock);
        *volume = volume_;
        return DS_OK;
    }

    HRESULT GetPan(LPLONG pan) override {
        if (!pan) return DSERR_INVALIDPARAM;
        if (!(flags_ & DSBCAPS_CTRLPAN)) return DSERR_CONTROLUNAVAIL;
        std::lock_guard<std::mutex> lk(core_->lock);
        *pan = pan_;
        return DS_OK;
    }

    HRESULT GetFrequency(LPDWORD frequency) override {
        if (!frequency) return DSERR_INVALIDPARAM;
        if (primary_ || !(flags_ & DSBCAPS_CTRLFREQUENCY)) return DSERR_CONTROLUNAVAIL;
        std::lock_guard<std::mutex> lk(core_->lock);
        *frequency = frequency_ ? frequency_ : format_.nSamplesPerSec;
        return DS_OK;
    }

    HRESULT GetStatus(LPDWORD status) override {
        if (!status) return DSERR_INVALIDPARAM;
        std::lock_guard<std::mutex> lk(core_->lock);
        DWORD s = 0;
        if (playing_) s |= DSBSTATUS_PLAYING | DSBSTATUS_LOCSOFTWARE;
        if (playing_ && looping_) s |= DSBSTATUS_LOOPING;
        *status = s;
        return DS_OK;
    }

    HRESULT Lock(DWORD offset, DWORD bytes, LPVOID* audioPtr1, LPDWORD audioBytes1, LPVOID* audioPtr2,
                 LPDWORD audioBytes2, DWORD flags) override {
        if (!audioPtr1 || !audioBytes1) return DSERR_INVALIDPARAM;
        *audioPtr1 = nullptr;
        *audioBytes1 = 0;
        if (audioPtr2) *audioPtr2 = nullptr;
        if (audioBytes2) *audioBytes2 = 0;
        if (primary_) {
            std::lock_guard<std::mutex> lk(core_->lock);
            return core_->cooperativeLevel < DSSCL_WRITEPRIMARY ? DSERR_PRIOLEVELNEEDED : DSERR_INVALIDCALL;
        }
        DWORD size = (DWORD)data_->size();
        if (flags & DSBLOCK_FROMWRITECURSOR) {
            DWORD play = 0;
            GetCurrentPosition(&play, &offset);
        }
        if (flags & DSBLOCK_ENTIREBUFFER) bytes = size;
        if (offset >= size || bytes == 0 || bytes > size) return DSERR_INVALIDPARAM;
        DWORD first = std::min(bytes, size - offset);
        DWORD second = bytes - first;
        if (!audioPtr2 || !audioBytes2) second = 0;
        // The caller writes into a staging copy that Unlock commits, so the
        // mixer never reads memory that another thread is writing.
        PendingLock lock;
        lock.staging.reset(new (std::nothrow) uint8_t[first + second]);
        if (!lock.staging) return DSERR_OUTOFMEMORY;
        lock.offset = offset;
        lock.first = first;
        lock.second = second;
        std::lock_guard<std::mutex> lk(core_->lock);
        const uint8_t* base = data_->data();
        memcpy(lock.staging.get(), base + offset, first);
        if (second) memcpy(lock.staging.get() + first, base, second);
        *audioPtr1 = lock.staging.get();
        *audioBytes1 = first;
        if (second) {
            *audioPtr2 = lock.staging.get() + first;
            *audioBytes2 = second;
        }
        locks_.push_back(std::move(lock));
        return DS_OK;
    }

    HRESULT Play(DWORD reserved1, DWORD priority, DWORD flags) override {
        if (reserved1 != 0 || (priority != 0 && !(flags_ & DSBCAPS_LOCDEFER))) return DSERR_INVALIDPARAM;
        std::lock_guard<std::mutex> lk(core_->lock);
        if (core_->cooperativeLevel == 0) return DSERR_PRIOLEVELNEEDED;
        if (primary_ && !(flags & DSBPLAY_LOOPING)) return DSERR_INVALIDPARAM;
        playing_ = true;
        looping_ = (flags & DSBPLAY_LOOPING) != 0;
        return DS_OK;
    }

    HRESULT SetCurrentPosition(DWORD newPosition) override {
        if (primary_) return DSERR_INVALIDCALL;
        if (newPosition >= data_->size()) return DSERR_INVALIDPARAM;
        std::lock_guard<std::mutex> lk(core_->lock);
        position_ = (uint64_t)(newPosition / format_.nBlockAlign) << 32;
        return DS_OK;
    }

    HRESULT SetFormat(LPCWAVEFORMATEX format) override {
        if (!primary_) return DSERR_INVALIDCALL;
        if (!format) return DSERR_INVALIDPARAM;
        if (!IsValidPcm(*format)) return DSERR_BADFORMAT;
        SDL_AudioDeviceID reopen = 0;
        int newRate = (int)format->nSamplesPerSec;
        {
            std::lock_guard<std::mutex> lk(core_->lock);
            if (core_->cooperativeLevel < DSSCL_PRIORITY) return DSERR_PRIOLEVELNEEDED;
            core_->primaryFormat = *format;
            core_->primaryFormat.cbSize = 0;
            if (core_->rate == newRate) return DS_OK;
            reopen = core_->device;
            core_->device = 0;
        }
        // The output rate follows the primary format. Closing waits for the
        // audio callback, so it runs without the mixing lock held.
        if (reopen) SDL_CloseAudioDevice(reopen);
        SDL_AudioDeviceID dev = 0;
        if (reopen) dev = OpenDevice(core_.get(), newRate);
        std::lock_guard<std::mutex> lk(core_->lock);
        core_->rate = newRate;
        core_->device = dev;
        if (dev) SDL_PauseAudioDevice(dev, 0);
        return DS_OK;
    }

    HRESULT SetVolume(LONG volume) override {
        if (!(flags_ & DSBCAPS_CTRLVOLUME)) return DSERR_CONTROLUNAVAIL;
        if (volume < DSBVOLUME_MIN || volume > DSBVOLUME_MAX) return DSERR_INVALIDPARAM;
        std::lock_guard<std::mutex> lk(core_->lock);
        volume_ = volume;
        UpdateGains();
        return DS_OK;
    }

    HRESULT SetPan(LONG pan) override {
        if (!(flags_ & DSBCAPS_CTRLPAN)) return DSERR_CONTROLUNAVAIL;
        if (pan < DSBPAN_LEFT || pan > DSBPAN_RIGHT) return DSERR_INVALIDPARAM;
        std::lock_guard<std::mutex> lk(core_->lock);
        pan_ = pan;
        UpdateGains();
        return DS_OK;
    }

    HRESULT SetFrequency(DWORD frequency) override {
        if (primary_ || !(flags_ & DSBCAPS_CTRLFREQUENCY)) return DSERR_CONTROLUNAVAIL;
        if (frequency != DSBFREQUENCY_ORIGINAL && (frequency < DSBFREQUENCY_MIN || frequency > DSBFREQUENCY_MAX))
            return DSERR_INVALIDPARAM;
        std::lock_guard<std::mutex> lk(core_->lock);
        frequency_ = frequency;
        return DS_OK;
    }

    HRESULT Stop() override {
        std::lock_guard<std::mutex> lk(core_->lock);
        playing_ = false;  // the position is kept
        return DS_OK;
    }

    HRESULT Unlock(LPVOID audioPtr1, DWORD audioBytes1, LPVOID audioPtr2, DWORD audioBytes2) override {
        if (primary_) return DSERR_INVALIDCALL;
        if (!audioPtr1) return DSERR_INVALIDPARAM;
        std::lock_guard<std::mutex> lk(core_->lock);
        auto it = std::find_if(locks_.begin(), locks_.end(),
                               [&](const PendingLock& l) { return l.staging.get() == audioPtr1; });
        if (it == locks_.end()) return DSERR_INVALIDPARAM;
        uint8_t* second = it->second ? it->staging.get() + it->first : nullptr;
        if (audioBytes1 > it->first || (audioPtr2 && audioPtr2 != second) || (!audioPtr2 && audioBytes2) ||
            audioBytes2 > it->second)
            return DSERR_INVALIDPARAM;
        uint8_t* base = data_->data();
        memcpy(base + it->offset, it->staging.get(), audioBytes1);
        if (audioPtr2 && audioBytes2) memcpy(base, second, audioBytes2);
        locks_.erase(it);
        return DS_OK;
    }

    HRESULT Restore() override { return DS_OK; }

    static SDL_AudioDeviceID OpenDevice(Core* core, int rate);

private:
    // Left and right gains from volume and pan: a positive pan attenuates the
    // left channel by pan hundredths of a decibel, a negative one the right.
    void UpdateGains() {
        gainLeft_ = GainOf(volume_ - std::max<LONG>(0, pan_));
        gainRight_ = GainOf(volume_ + std::min<LONG>(0, pan_));
    }

    std::shared_ptr<Core> core_;
    bool primary_;
    DWORD flags_;
    WAVEFORMATEX format_{};
    std::shared_ptr<std::vector<uint8_t>> data_;  // shared by duplicates
    struct PendingLock {
        std::unique_ptr<uint8_t[]> staging;
        DWORD offset = 0, first = 0, second = 0;
    };
    std::vector<PendingLock> locks_;
    LONG volume_ = 0;
    LONG pan_ = 0;
    DWORD frequency_ = 0;  // 0 = the format's own rate
    float gainLeft_ = 1.0f;
    float gainRight_ = 1.0f;
    uint64_t position_ = 0;  // in frames, 32.32 fixed point
    bool playing_ = false;
    bool looping_ = false;
};

// Mixes one core into the accumulator (stereo floats).
void MixCore(Core& core, float* acc, int frames) {
    for (SoundBuffer* b : core.buffers) b->MixInto(acc, frames, core.rate);
}

void StoreFrames(const float* acc, int16_t* out, int frames) {
    for (int i = 0; i < frames * 2; ++i) {
        float v = std::nearbyint(acc[i]);
        out[i] = (int16_t)std::clamp(v, -32768.0f, 32767.0f);
    }
}

void SDLCALL AudioCallback(void* userdata, Uint8* stream, int len) {
    Core* core = static_cast<Core*>(userdata);
    int frames = len / 4;
    thread_local std::vector<float> acc;
    acc.assign((size_t)frames * 2, 0.0f);
    {
        std::lock_guard<std::mutex> lk(core->lock);
        MixCore(*core, acc.data(), frames);
    }
    memset(stream, 0, (size_t)len);
    StoreFrames(acc.data(), reinterpret_cast<int16_t*>(stream), frames);
}

SDL_AudioDeviceID SoundBuffer::OpenDevice(Core* core, int rate) {
    SDL_AudioSpec want{};
    want.freq = rate;
    want.format = AUDIO_S16SYS;
    want.channels = 2;
    want.samples = kDeviceFrames;
    want.callback = AudioCallback;
    want.userdata = core;
    SDL_AudioSpec have{};
    return SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
}

class SoundDevice final : public RefCounted<IDirectSound8> {
public:
    explicit SoundDevice(std::shared_ptr<Core> core, bool sdlStarted) : core_(std::move(core)), sdl_(sdlStarted) {}

    ~SoundDevice() override {
        SDL_AudioDeviceID dev;
        {
            std::lock_guard<std::mutex> lk(core_->lock);
            dev = core_->device;
            core_->device = 0;
            core_->live = false;
        }
        if (dev) SDL_CloseAudioDevice(dev);
        if (sdl_) SDL_QuitSubSystem(SDL_INIT_AUDIO);
        Registry& reg = Devices();
        std::lock_guard<std::mutex> lk(reg.lock);
        reg.cores.erase(std::remove(reg.cores.begin(), reg.cores.end(), core_), reg.cores.end());
    }

    HRESULT CreateSoundBuffer(LPCDSBUFFERDESC desc, LPDIRECTSOUNDBUFFER* buffer, LPUNKNOWN outer) override {
        if (outer) return DSERR_NOAGGREGATION;
        if (!desc || !buffer) return DSERR_INVALIDPARAM;
        *buffer = nullptr;
        if (desc->dwSize != sizeof(DSBUFFERDESC) && desc->dwSize != 36 && desc->dwSize != 20)
            return DSERR_INVALIDPARAM;
        DWORD flags = desc->dwFlags;
        if (flags & DSBCAPS_PRIMARYBUFFER) {
            if (desc->dwBufferBytes != 0 || desc->lpwfxFormat || (flags & DSBCAPS_CTRLFREQUENCY))
                return DSERR_INVALIDPARAM;
            SoundBuffer* b = new (std::nothrow) SoundBuffer(core_, true, flags);
            if (!b) return DSERR_OUTOFMEMORY;
            b->Attach();
            *buffer = b;
            return DS_OK;
        }
        if (flags & (DSBCAPS_CTRL3D | DSBCAPS_CTRLFX)) return DSERR_CONTROLUNAVAIL;
        if (!desc->lpwfxFormat) return DSERR_INVALIDPARAM;
        if (!IsValidPcm(*desc->lpwfxFormat)) return DSERR_BADFORMAT;
        if (desc->dwBufferBytes < DSBSIZE_MIN || desc->dwBufferBytes > DSBSIZE_MAX) return DSERR_INVALIDPARAM;
        SoundBuffer* b = new (std::nothrow) SoundBuffer(core_, false, flags);
        if (!b) return DSERR_OUTOFMEMORY;
        if (!b->InitSecondary(*desc->lpwfxFormat, desc->dwBufferBytes)) {
            b->Release();
            return DSERR_OUTOFMEMORY;
        }
        b->Attach();
        *buffer = b;
        return DS_OK;
    }

    HRESULT GetCaps(LPDSCAPS caps) override {
        if (!caps || caps->dwSize != sizeof(DSCAPS)) return DSERR_INVALIDPARAM;
        DWORD size = caps->dwSize;
        memset(caps, 0, sizeof(DSCAPS));
        caps->dwSize = size;
        // Everything is mixed in software: no hardware buffers or memory.
        caps->dwFlags = DSCAPS_PRIMARYMONO | DSCAPS_PRIMARYSTEREO | DSCAPS_PRIMARY8BIT | DSCAPS_PRIMARY16BIT |
                        DSCAPS_CONTINUOUSRATE | DSCAPS_SECONDARYMONO | DSCAPS_SECONDARYSTEREO |
                        DSCAPS_SECONDARY8BIT | DSCAPS_SECONDARY16BIT;
        caps->dwMinSecondarySampleRate = DSBFREQUENCY_MIN;
        caps->dwMaxSecondarySampleRate = DSBFREQUENCY_MAX;
        caps->dwPrimaryBuffers = 1;
        return DS_OK;
    }

    HRESULT DuplicateSoundBuffer(LPDIRECTSOUNDBUFFER original, LPDIRECTSOUNDBUFFER* duplicate) override {
        if (!original || !duplicate) return DSERR_INVALIDPARAM;
        *duplicate = nullptr;
        SoundBuffer* src = dynamic_cast<SoundBuffer*>(original);
        if (!src || src->IsPrimary()) return DSERR_INVALIDCALL;
        DSBCAPS caps{sizeof(DSBCAPS), 0, 0, 0, 0};
        src->GetCaps(&caps);
        SoundBuffer* b = new (std::nothrow) SoundBuffer(core_, false, caps.dwFlags & ~DSBCAPS_LOCSOFTWARE);
        if (!b) return DSERR_OUTOFMEMORY;
        b->InitDuplicate(*src);
        b->Attach();
        *duplicate = b;
        return DS_OK;
    }

    HRESULT SetCooperativeLevel(HWND, DWORD level) override {
        if (level < DSSCL_NORMAL || level > DSSCL_WRITEPRIMARY) return DSERR_INVALIDPARAM;
        std::lock_guard<std::mutex> lk(core_->lock);
        core_->cooperativeLevel = level;
        return DS_OK;
    }

    HRESULT Compact() override { return DS_OK; }
    HRESULT GetSpeakerConfig(LPDWORD config) override {
        if (!config) return DSERR_INVALIDPARAM;
        *config = 4;  // stereo
        return DS_OK;
    }
    HRESULT SetSpeakerConfig(DWORD) override { return DS_OK; }

private:
    std::shared_ptr<Core> core_;
    bool sdl_;
};

}  // namespace

HRESULT DirectSoundCreate8(const GUID* device, LPDIRECTSOUND8* ds, LPUNKNOWN outer) {
    if (!ds) return DSERR_INVALIDPARAM;
    *ds = nullptr;
    if (outer) return DSERR_NOAGGREGATION;
    if (device) return DSERR_NODRIVER;  // only the default device exists
    auto core = std::make_shared<Core>();
    core->primaryFormat = MakePcmFormat(kDefaultRate, 2, 16);
    bool sdl = false;
    if (!manualMixing.load()) {
        if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return DSERR_NODRIVER;
        sdl = true;
        core->device = SoundBuffer::OpenDevice(core.get(), core->rate);
        if (!core->device) {
            SDL_QuitSubSystem(SDL_INIT_AUDIO);
            return DSERR_NODRIVER;
        }
    }
    SoundDevice* dev = new (std::nothrow) SoundDevice(core, sdl);
    if (!dev) {
        if (core->device) SDL_CloseAudioDevice(core->device);
        if (sdl) SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return DSERR_OUTOFMEMORY;
    }
    {
        Registry& reg = Devices();
        std::lock_guard<std::mutex> lk(reg.lock);
        reg.cores.push_back(core);
    }
    if (core->device) SDL_PauseAudioDevice(core->device, 0);
    *ds = dev;
    return DS_OK;
}

namespace plat {

void SetSoundManualMixing(bool manual) { manualMixing.store(manual); }

int MixSoundFrames(int16_t* out, int frames) {
    if (!out || frames <= 0) return 0;
    std::vector<float> acc((size_t)frames * 2, 0.0f);
    int rate = 0;
    Registry& reg = Devices();
    std::lock_guard<std::mutex> rl(reg.lock);
    for (auto& core : reg.cores) {
        std::lock_guard<std::mutex> lk(core->lock);
        MixCore(*core, acc.data(), frames);
        rate = core->rate;
    }
    StoreFrames(acc.data(), out, frames);
    return rate;
}

}  // namespace plat
