// The software mixer behind the DirectSound layer, listened to directly
// through MixSoundFrames (no audio device).
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <thread>
#include <vector>

#include "platform/dsound.h"

namespace {

WAVEFORMATEX Pcm(int rate, int channels, int bits) {
    WAVEFORMATEX f{};
    f.wFormatTag = WAVE_FORMAT_PCM;
    f.nChannels = (WORD)channels;
    f.nSamplesPerSec = (DWORD)rate;
    f.wBitsPerSample = (WORD)bits;
    f.nBlockAlign = (WORD)(channels * bits / 8);
    f.nAvgBytesPerSec = f.nSamplesPerSec * f.nBlockAlign;
    return f;
}

class Mixer : public ::testing::Test {
protected:
    void SetUp() override {
        plat::SetSoundManualMixing(true);
        ASSERT_EQ(DirectSoundCreate8(nullptr, &ds, nullptr), DS_OK);
        ASSERT_EQ(ds->SetCooperativeLevel(nullptr, DSSCL_PRIORITY), DS_OK);
    }
    void TearDown() override {
        for (auto* b : buffers) b->Release();
        if (ds) ds->Release();
    }

    // A 16-bit buffer at `rate` whose frames hold the given left/right values.
    IDirectSoundBuffer* Make16(int rate, const std::vector<int16_t>& left, const std::vector<int16_t>& right,
                               DWORD flags = DSBCAPS_CTRLVOLUME | DSBCAPS_CTRLPAN | DSBCAPS_CTRLFREQUENCY) {
        WAVEFORMATEX f = Pcm(rate, 2, 16);
        DSBUFFERDESC d{};
        d.dwSize = sizeof(d);
        d.dwFlags = flags;
        d.dwBufferBytes = (DWORD)left.size() * 4;
        d.lpwfxFormat = &f;
        IDirectSoundBuffer* b = nullptr;
        EXPECT_EQ(ds->CreateSoundBuffer(&d, &b, nullptr), DS_OK);
        if (!b) return nullptr;
        void *p1, *p2;
        DWORD n1, n2;
        EXPECT_EQ(b->Lock(0, d.dwBufferBytes, &p1, &n1, &p2, &n2, 0), DS_OK);
        auto* s = static_cast<int16_t*>(p1);
        for (size_t i = 0; i < left.size(); ++i) {
            s[2 * i] = left[i];
            s[2 * i + 1] = right[i];
        }
        EXPECT_EQ(b->Unlock(p1, n1, p2, n2), DS_OK);
        buffers.push_back(b);
        return b;
    }
    IDirectSoundBuffer* Constant(int frames, int16_t value) {
        return Make16(22050, std::vector<int16_t>(frames, value), std::vector<int16_t>(frames, value));
    }
    IDirectSoundBuffer* Ramp(int frames) {
        std::vector<int16_t> v(frames);
        for (int i = 0; i < frames; ++i) v[i] = (int16_t)(i * 10);
        return Make16(22050, v, v);
    }
    std::vector<int16_t> Mix(int frames) {
        std::vector<int16_t> out((size_t)frames * 2);
        plat::MixSoundFrames(out.data(), frames);
        return out;
    }
    DWORD Position(IDirectSoundBuffer* b) {
        DWORD play = 0, write = 0;
        b->GetCurrentPosition(&play, &write);
        return play;
    }
    DWORD Status(IDirectSoundBuffer* b) {
        DWORD s = 0;
        b->GetStatus(&s);
        return s;
    }

    IDirectSound8* ds = nullptr;
    std::vector<IDirectSoundBuffer*> buffers;
};

TEST_F(Mixer, VolumeIsHundredthsOfADecibel) {
    // A sine tone at full scale of 16000 played at -600 (-6 dB) peaks at half.
    std::vector<int16_t> tone(2205);
    for (int i = 0; i < 2205; ++i) tone[i] = (int16_t)std::lround(16000.0 * std::sin(2 * M_PI * 441.0 * i / 22050.0));
    IDirectSoundBuffer* b = Make16(22050, tone, tone);
    ASSERT_EQ(b->SetVolume(-600), DS_OK);
    ASSERT_EQ(b->Play(0, 0, DSBPLAY_LOOPING), DS_OK);
    std::vector<int16_t> out = Mix(2205);
    int peak = 0, sourcePeak = 0;
    for (int16_t s : out) peak = std::max(peak, std::abs((int)s));
    for (int16_t s : tone) sourcePeak = std::max(sourcePeak, std::abs((int)s));
    EXPECT_GT(sourcePeak, 15900);
    EXPECT_NEAR(peak, sourcePeak * std::pow(10.0, -0.3), 1.0);
    // Each sample is the source sample scaled, not just the peak.
    for (int i = 0; i < 2205; ++i) ASSERT_NEAR(out[2 * i], tone[i] * std::pow(10.0, -0.3), 1.0) << i;

    LONG v = 0;
    EXPECT_EQ(b->GetVolume(&v), DS_OK);
    EXPECT_EQ(v, -600);
    EXPECT_EQ(b->SetVolume(-10000), DS_OK);
    for (int16_t s : Mix(500)) ASSERT_EQ(s, 0);
    EXPECT_EQ(b->SetVolume(-10001), DSERR_INVALIDPARAM);
    EXPECT_EQ(b->SetVolume(1), DSERR_INVALIDPARAM);
    EXPECT_EQ(b->SetVolume(0), DS_OK);
    EXPECT_EQ(Mix(1)[0], tone[(2205 + 500) % 2205]);
}

TEST_F(Mixer, PanAttenuatesTheOtherChannel) {
    IDirectSoundBuffer* b = Constant(1000, 10000);
    ASSERT_EQ(b->Play(0, 0, DSBPLAY_LOOPING), DS_OK);
    ASSERT_EQ(b->SetPan(-10000), DS_OK);
    auto out = Mix(10);
    EXPECT_EQ(out[0], 10000);
    EXPECT_EQ(out[1], 0);
    ASSERT_EQ(b->SetPan(10000), DS_OK);
    out = Mix(10);
    EXPECT_EQ(out[0], 0);
    EXPECT_EQ(out[1], 10000);
    // A partial pan lowers only the far channel, by pan hundredths of a dB.
    ASSERT_EQ(b->SetPan(-600), DS_OK);
    out = Mix(10);
    EXPECT_EQ(out[0], 10000);
    EXPECT_NEAR(out[1], 5012, 1);
    // Volume and pan add up.
    ASSERT_EQ(b->SetVolume(-600), DS_OK);
    ASSERT_EQ(b->SetPan(600), DS_OK);
    out = Mix(10);
    EXPECT_NEAR(out[0], 10000 * std::pow(10.0, -0.6), 1);
    EXPECT_NEAR(out[1], 5012, 1);
    EXPECT_EQ(b->SetPan(10001), DSERR_INVALIDPARAM);
}

TEST_F(Mixer, FrequencyChangesThePlaybackSpeed) {
    IDirectSoundBuffer* b = Ramp(1000);
    ASSERT_EQ(b->SetFrequency(44100), DS_OK);
    ASSERT_EQ(b->Play(0, 0, 0), DS_OK);
    auto out = Mix(100);
    // Twice as fast: output frame i is source frame 2i, and 200 frames went by.
    for (int i = 0; i < 100; ++i) ASSERT_EQ(out[2 * i], 2 * i * 10) << i;
    EXPECT_EQ(Position(b), 200u * 4u);
    DWORD f = 0;
    EXPECT_EQ(b->GetFrequency(&f), DS_OK);
    EXPECT_EQ(f, 44100u);

    // Half speed interpolates between neighbouring frames.
    ASSERT_EQ(b->SetFrequency(11025), DS_OK);
    out = Mix(4);
    EXPECT_EQ(out[0], 2000);
    EXPECT_EQ(out[2], 2005);
    EXPECT_EQ(out[4], 2010);
    EXPECT_EQ(Position(b), 202u * 4u);

    // 0 returns to the buffer's own rate.
    ASSERT_EQ(b->SetFrequency(DSBFREQUENCY_ORIGINAL), DS_OK);
    EXPECT_EQ(b->GetFrequency(&f), DS_OK);
    EXPECT_EQ(f, 22050u);
    Mix(10);
    EXPECT_EQ(Position(b), 212u * 4u);
    EXPECT_EQ(b->SetFrequency(99), DSERR_INVALIDPARAM);
    EXPECT_EQ(b->SetFrequency(100001), DSERR_INVALIDPARAM);
}

TEST_F(Mixer, LoopingWrapsAndOneShotEnds) {
    IDirectSoundBuffer* loop = Ramp(100);
    ASSERT_EQ(loop->Play(0, 0, DSBPLAY_LOOPING), DS_OK);
    auto out = Mix(250);
    EXPECT_EQ(out[2 * 100], 0);
    EXPECT_EQ(out[2 * 101], 10);
    EXPECT_EQ(out[2 * 249], 490);
    EXPECT_EQ(Position(loop), 50u * 4u);
    EXPECT_EQ(Status(loop), (DWORD)(DSBSTATUS_PLAYING | DSBSTATUS_LOOPING | DSBSTATUS_LOCSOFTWARE));
    loop->Stop();

    IDirectSoundBuffer* once = Ramp(100);
    ASSERT_EQ(once->Play(0, 0, 0), DS_OK);
    EXPECT_TRUE(Status(once) & DSBSTATUS_PLAYING);
    EXPECT_FALSE(Status(once) & DSBSTATUS_LOOPING);
    out = Mix(150);
    EXPECT_EQ(out[2 * 99], 990);
    for (int i = 100; i < 150; ++i) ASSERT_EQ(out[2 * i], 0) << i;
    // A finished one-shot is no longer playing and starts again from the top.
    EXPECT_EQ(Status(once), 0u);
    EXPECT_EQ(Position(once), 0u);

    // Even at the top speed a tiny looping buffer keeps wrapping.
    IDirectSoundBuffer* tiny = Ramp(2);
    tiny->SetFrequency(100000);
    tiny->Play(0, 0, DSBPLAY_LOOPING);
    Mix(1000);
    EXPECT_TRUE(Status(tiny) & DSBSTATUS_PLAYING);
}

TEST_F(Mixer, StopKeepsThePosition) {
    IDirectSoundBuffer* b = Ramp(1000);
    b->Play(0, 0, 0);
    Mix(30);
    EXPECT_EQ(b->Stop(), DS_OK);
    EXPECT_EQ(Status(b), 0u);
    DWORD play = 0, write = 0;
    b->GetCurrentPosition(&play, &write);
    EXPECT_EQ(play, 30u * 4u);
    EXPECT_EQ(write, play);
    for (int16_t s : Mix(10)) ASSERT_EQ(s, 0);
    b->Play(0, 0, 0);
    b->GetCurrentPosition(&play, &write);
    EXPECT_GT(write, play);  // the write cursor runs ahead while playing
    EXPECT_EQ(Mix(1)[0], 300);
    EXPECT_EQ(b->SetCurrentPosition(4 * 500 + 3), DS_OK);
    EXPECT_EQ(Mix(1)[0], 5000);
    EXPECT_EQ(b->SetCurrentPosition(4000), DSERR_INVALIDPARAM);
}

TEST_F(Mixer, DuplicatesShareSamplesButNotState) {
    IDirectSoundBuffer* a = Constant(1000, 1000);
    a->SetVolume(-600);
    IDirectSoundBuffer* b = nullptr;
    ASSERT_EQ(ds->DuplicateSoundBuffer(a, &b), DS_OK);
    buffers.push_back(b);
    LONG v = 0;
    b->GetVolume(&v);
    EXPECT_EQ(v, -600);  // a duplicate starts with the original's settings
    b->SetVolume(0);
    b->SetPan(10000);

    a->Play(0, 0, DSBPLAY_LOOPING);
    b->Play(0, 0, 0);
    auto out = Mix(10);
    EXPECT_EQ(out[0], 501 + 0);
    EXPECT_EQ(out[1], 501 + 1000);
    a->Stop();
    EXPECT_TRUE(Status(b) & DSBSTATUS_PLAYING);
    EXPECT_EQ(Position(a), 10u * 4u);

    // New samples written through the original are heard by the copy.
    void *p1, *p2;
    DWORD n1, n2;
    ASSERT_EQ(a->Lock(0, 0, &p1, &n1, &p2, &n2, DSBLOCK_ENTIREBUFFER), DS_OK);
    EXPECT_EQ(n1, 4000u);
    auto* s = static_cast<int16_t*>(p1);
    for (int i = 0; i < 2000; ++i) s[i] = 3000;
    a->Unlock(p1, n1, p2, n2);
    out = Mix(1);
    EXPECT_EQ(out[1], 3000);

    // The original released first: the copy keeps its samples.
    a->Release();
    buffers.erase(buffers.begin());
    out = Mix(1);
    EXPECT_EQ(out[1], 3000);
}

TEST_F(Mixer, LockWrapsAroundTheEnd) {
    IDirectSoundBuffer* b = Ramp(100);  // 400 bytes, frame i holds 10 i
    void *p1 = nullptr, *p2 = nullptr;
    DWORD n1 = 0, n2 = 0;
    ASSERT_EQ(b->Lock(300, 200, &p1, &n1, &p2, &n2, 0), DS_OK);
    EXPECT_EQ(n1, 100u);
    EXPECT_EQ(n2, 100u);
    ASSERT_NE(p2, nullptr);
    // The parts show the buffer's bytes from 300 to the end and from 0 on.
    EXPECT_EQ(static_cast<int16_t*>(p1)[0], 750);
    EXPECT_EQ(static_cast<int16_t*>(p2)[0], 0);
    EXPECT_EQ(static_cast<int16_t*>(p2)[2], 10);
    static_cast<int16_t*>(p1)[0] = -1;  // frame 75, left
    static_cast<int16_t*>(p2)[2] = -2;  // frame 1, left
    // Written bytes count from Unlock on.
    b->Play(0, 0, DSBPLAY_LOOPING);
    EXPECT_EQ(Mix(2)[2], 10);
    EXPECT_EQ(b->Unlock(p1, n1, p2, n2), DS_OK);
    b->Stop();
    b->SetCurrentPosition(0);
    b->Play(0, 0, DSBPLAY_LOOPING);
    auto out = Mix(100);
    EXPECT_EQ(out[2 * 1], -2);
    EXPECT_EQ(out[2 * 75], -1);
    EXPECT_EQ(out[2 * 76], 760);
    // An unlock of a lock that is no longer held is refused.
    EXPECT_EQ(b->Unlock(p1, n1, p2, n2), DSERR_INVALIDPARAM);

    // Within the buffer no second part is given; without a second pointer
    // a wrapping lock gives the first part only.
    ASSERT_EQ(b->Lock(0, 400, &p1, &n1, &p2, &n2, 0), DS_OK);
    EXPECT_EQ(n1, 400u);
    EXPECT_EQ(p2, nullptr);
    EXPECT_EQ(n2, 0u);
    EXPECT_EQ(b->Unlock(p1, 401, nullptr, 0), DSERR_INVALIDPARAM);
    EXPECT_EQ(b->Unlock(p1, n1, nullptr, 0), DS_OK);
    ASSERT_EQ(b->Lock(300, 200, &p1, &n1, nullptr, nullptr, 0), DS_OK);
    EXPECT_EQ(n1, 100u);
    EXPECT_EQ(b->Unlock(p1, n1, nullptr, 0), DS_OK);
    EXPECT_EQ(b->Lock(400, 4, &p1, &n1, &p2, &n2, 0), DSERR_INVALIDPARAM);
    EXPECT_EQ(b->Lock(0, 401, &p1, &n1, &p2, &n2, 0), DSERR_INVALIDPARAM);
    EXPECT_EQ(b->Lock(0, 0, &p1, &n1, &p2, &n2, 0), DSERR_INVALIDPARAM);
    char outside[4];
    EXPECT_EQ(b->Unlock(outside, 4, nullptr, 0), DSERR_INVALIDPARAM);
}

TEST_F(Mixer, EightBitAndMonoBuffers) {
    WAVEFORMATEX f = Pcm(22050, 1, 8);
    DSBUFFERDESC d{};
    d.dwSize = sizeof(d);
    d.dwFlags = DSBCAPS_CTRLVOLUME;
    d.dwBufferBytes = 3;
    d.lpwfxFormat = &f;
    IDirectSoundBuffer* b = nullptr;
    ASSERT_EQ(ds->CreateSoundBuffer(&d, &b, nullptr), DSERR_INVALIDPARAM);  // below 4 bytes
    d.dwBufferBytes = 4;
    ASSERT_EQ(ds->CreateSoundBuffer(&d, &b, nullptr), DS_OK);
    buffers.push_back(b);
    void *p1, *p2;
    DWORD n1, n2;
    ASSERT_EQ(b->Lock(0, 4, &p1, &n1, &p2, &n2, 0), DS_OK);
    const uint8_t bytes[4] = {0x80, 0xFF, 0x00, 0x90};
    memcpy(p1, bytes, 4);
    b->Unlock(p1, n1, p2, n2);
    b->Play(0, 0, 0);
    auto out = Mix(4);
    const int16_t expect[4] = {0, 127 * 256, -128 * 256, 16 * 256};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(out[2 * i], expect[i]);
        EXPECT_EQ(out[2 * i + 1], expect[i]);  // mono feeds both sides
    }
    // Without the control flags the controls are refused.
    EXPECT_EQ(b->SetPan(0), DSERR_CONTROLUNAVAIL);
    EXPECT_EQ(b->SetFrequency(22050), DSERR_CONTROLUNAVAIL);
}

TEST_F(Mixer, LoudBuffersAreClippedNotWrapped) {
    IDirectSoundBuffer* a = Constant(100, 30000);
    IDirectSoundBuffer* b = Constant(100, 30000);
    a->Play(0, 0, 0);
    b->Play(0, 0, 0);
    auto out = Mix(1);
    EXPECT_EQ(out[0], 32767);
}

TEST_F(Mixer, PrimaryBufferSetsTheOutputFormat) {
    DSBUFFERDESC d{};
    d.dwSize = 36;  // the size of the record on the original platform
    d.dwFlags = DSBCAPS_PRIMARYBUFFER;
    IDirectSoundBuffer* primary = nullptr;
    ASSERT_EQ(ds->CreateSoundBuffer(&d, &primary, nullptr), DS_OK);
    buffers.push_back(primary);
    WAVEFORMATEX bad = Pcm(22050, 2, 16);
    bad.nAvgBytesPerSec = 1;
    EXPECT_EQ(primary->SetFormat(&bad), DSERR_BADFORMAT);
    ds->SetCooperativeLevel(nullptr, DSSCL_NORMAL);
    WAVEFORMATEX f = Pcm(44100, 2, 16);
    EXPECT_EQ(primary->SetFormat(&f), DSERR_PRIOLEVELNEEDED);
    ds->SetCooperativeLevel(nullptr, DSSCL_PRIORITY);
    ASSERT_EQ(primary->SetFormat(&f), DS_OK);
    WAVEFORMATEX got{};
    DWORD written = 0;
    ASSERT_EQ(primary->GetFormat(&got, sizeof(got), &written), DS_OK);
    EXPECT_EQ(got.nSamplesPerSec, 44100u);
    void *p1, *p2;
    DWORD n1, n2;
    EXPECT_EQ(primary->Lock(0, 4, &p1, &n1, &p2, &n2, 0), DSERR_PRIOLEVELNEEDED);
    EXPECT_EQ(primary->SetVolume(0), DSERR_CONTROLUNAVAIL);

    // Mixing now runs at 44100 Hz: a 22050 Hz buffer moves half a frame per
    // output frame.
    IDirectSoundBuffer* b = Ramp(1000);
    b->Play(0, 0, 0);
    std::vector<int16_t> out(200);
    EXPECT_EQ(plat::MixSoundFrames(out.data(), 100), 44100);
    EXPECT_EQ(Position(b), 50u * 4u);
    EXPECT_EQ(out[2], 5);

    d.dwBufferBytes = 4;
    IDirectSoundBuffer* other = nullptr;
    EXPECT_EQ(ds->CreateSoundBuffer(&d, &other, nullptr), DSERR_INVALIDPARAM);
    EXPECT_EQ(other, nullptr);
}

TEST_F(Mixer, CreationChecksItsArguments) {
    DSBUFFERDESC d{};
    d.dwSize = sizeof(d);
    d.dwBufferBytes = 400;
    IDirectSoundBuffer* b = nullptr;
    EXPECT_EQ(ds->CreateSoundBuffer(&d, &b, nullptr), DSERR_INVALIDPARAM);  // no format
    WAVEFORMATEX f = Pcm(22050, 2, 24);
    d.lpwfxFormat = &f;
    EXPECT_EQ(ds->CreateSoundBuffer(&d, &b, nullptr), DSERR_BADFORMAT);
    f = Pcm(22050, 3, 16);
    EXPECT_EQ(ds->CreateSoundBuffer(&d, &b, nullptr), DSERR_BADFORMAT);
    f = Pcm(22050, 2, 16);
    f.wFormatTag = 3;
    EXPECT_EQ(ds->CreateSoundBuffer(&d, &b, nullptr), DSERR_BADFORMAT);
    f = Pcm(22050, 2, 16);
    d.dwSize = 12;
    EXPECT_EQ(ds->CreateSoundBuffer(&d, &b, nullptr), DSERR_INVALIDPARAM);
    d.dwSize = sizeof(d);
    d.dwBufferBytes = DSBSIZE_MAX + 1;
    EXPECT_EQ(ds->CreateSoundBuffer(&d, &b, nullptr), DSERR_INVALIDPARAM);
    EXPECT_EQ(b, nullptr);

    DSCAPS caps{};
    caps.dwSize = sizeof(caps);
    ASSERT_EQ(ds->GetCaps(&caps), DS_OK);
    EXPECT_EQ(caps.dwMinSecondarySampleRate, 100u);
    EXPECT_EQ(caps.dwMaxSecondarySampleRate, 100000u);
    caps.dwSize = 8;
    EXPECT_EQ(ds->GetCaps(&caps), DSERR_INVALIDPARAM);
    IDirectSoundBuffer* dup = nullptr;
    EXPECT_EQ(ds->DuplicateSoundBuffer(nullptr, &dup), DSERR_INVALIDPARAM);
}

TEST_F(Mixer, PlayNeedsACooperativeLevel) {
    IDirectSound8* fresh = nullptr;
    ASSERT_EQ(DirectSoundCreate8(nullptr, &fresh, nullptr), DS_OK);
    WAVEFORMATEX f = Pcm(22050, 2, 16);
    DSBUFFERDESC d{};
    d.dwSize = sizeof(d);
    d.dwBufferBytes = 400;
    d.lpwfxFormat = &f;
    IDirectSoundBuffer* b = nullptr;
    ASSERT_EQ(fresh->CreateSoundBuffer(&d, &b, nullptr), DS_OK);
    EXPECT_EQ(b->Play(0, 0, 0), DSERR_PRIOLEVELNEEDED);
    EXPECT_EQ(fresh->SetCooperativeLevel(nullptr, 9), DSERR_INVALIDPARAM);
    fresh->SetCooperativeLevel(nullptr, DSSCL_NORMAL);
    EXPECT_EQ(b->Play(0, 0, 0), DS_OK);
    // A buffer outliving its device object stays safe to use.
    fresh->Release();
    EXPECT_EQ(b->Stop(), DS_OK);
    b->Release();
}

TEST(DirectSoundDevice, NoAudioDriverFailsCleanly) {
    plat::SetSoundManualMixing(false);
    setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
    IDirectSound8* ds = reinterpret_cast<IDirectSound8*>(1);
    EXPECT_EQ(DirectSoundCreate8(nullptr, &ds, nullptr), DSERR_NODRIVER);
    EXPECT_EQ(ds, nullptr);
}

TEST(DirectSoundDevice, DummyDriverPlaysSilently) {
    plat::SetSoundManualMixing(false);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    IDirectSound8* ds = nullptr;
    ASSERT_EQ(DirectSoundCreate8(nullptr, &ds, nullptr), DS_OK);
    ds->SetCooperativeLevel(nullptr, DSSCL_PRIORITY);
    WAVEFORMATEX f = Pcm(22050, 2, 16);
    DSBUFFERDESC d{};
    d.dwSize = sizeof(d);
    d.dwBufferBytes = 4 * 2205;  // 0.1 s
    d.lpwfxFormat = &f;
    IDirectSoundBuffer* b = nullptr;
    ASSERT_EQ(ds->CreateSoundBuffer(&d, &b, nullptr), DS_OK);
    ASSERT_EQ(b->Play(0, 0, 0), DS_OK);
    // The device's own clock finishes the one-shot.
    DWORD status = DSBSTATUS_PLAYING;
    auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while ((status & DSBSTATUS_PLAYING) && std::chrono::steady_clock::now() < until) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        b->GetStatus(&status);
    }
    EXPECT_EQ(status & DSBSTATUS_PLAYING, 0u);
    b->Release();
    ds->Release();
}

}  // namespace
