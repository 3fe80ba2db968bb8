// The sound manager with its lists, one-shot sounds and sound sources,
// listened to through the mixer without an audio device.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

#include "app/myglobs.h"
#include "app/startlog.h"
#include "app/winmain.h"
#include "gfx/display.h"
#include "sound/soundmanager.h"
#include "sound_test_util.h"

using namespace soundtest;

namespace {

// Sounds of 50 ms (1102 frames) at 22050 Hz unless said otherwise.
class SoundManagerTest : public ::testing::Test {
protected:
    void SetUp() override {
        EnterTestFolder();
        plat::SetSoundManualMixing(true);
        ResetStartLogForTest();
        WriteWav("beep.wav");
        WavSpec loud;
        loud.value = 16000;
        WriteWav("beep2.wav", loud);
        WriteWav("engine.wav");
        WriteWav("bird.wav");
        WriteWav("1203.wav");
        WriteText("soundsources1.list",
                  "beep beep.wav control\n"
                  "engine engine.wav loop\n"
                  "bird bird.wav rnd5\n"
                  "missing nofile.wav plain\n"
                  "1203 1203.wav control\n");
        // A later file comes first: "beep" now names beep2.wav.
        WriteText("soundsources2.list", "beep beep2.wav plain\nclick beep.wav plain\n");
        frameTime = 16;
    }
    void TearDown() override { soundManager.Release(); }

    void Init() { ASSERT_EQ(soundManager.Init(), 1); }

    static DWORD StatusOf(IDirectSoundBuffer* b) {
        DWORD s = 0;
        b->GetStatus(&s);
        return s;
    }
    static LONG VolumeOf(IDirectSoundBuffer* b) {
        LONG v = 0;
        b->GetVolume(&v);
        return v;
    }
    static LONG PanOf(IDirectSoundBuffer* b) {
        LONG v = 0;
        b->GetPan(&v);
        return v;
    }
    static DWORD FrequencyOf(IDirectSoundBuffer* b) {
        DWORD v = 0;
        b->GetFrequency(&v);
        return v;
    }
    static int CopyCount() {
        int n = 0;
        for (PLAYING_SOUND* p = soundManager.GetPlayingCopies(); p; p = p->next) ++n;
        return n;
    }
    static int SourceCount() {
        int n = 0;
        for (SOUND_SOURCE* s = soundManager.GetSources(); s; s = s->next) ++n;
        return n;
    }
    static SOUND_SOURCE* SourceOf(void* object) {
        for (SOUND_SOURCE* s = soundManager.GetSources(); s; s = s->next)
            if (s->object == object) return s;
        return nullptr;
    }
};

TEST_F(SoundManagerTest, InitLoadsTheListsAndLogsEachStep) {
    Init();
    EXPECT_TRUE(LogHas("********** Begin of Direct Sound Init **********"));
    EXPECT_TRUE(LogHas("dwMaxHwMixingAllBuffers: 0"));
    EXPECT_TRUE(LogHas("dwPlayCpuOverheadSwBuffers: 0"));
    EXPECT_TRUE(LogHas("Reading from file: soundsources1.list"));
    EXPECT_TRUE(LogHas("Sound file loaded: beep.wav"));
    EXPECT_TRUE(LogHas("Sound file loaded: beep2.wav"));
    EXPECT_TRUE(LogHas("Unable to open the .wav file: nofile.wav"));
    EXPECT_TRUE(LogHas(" ... file processed"));
    EXPECT_TRUE(LogHas("ogg support disabled..."));
    EXPECT_TRUE(LogHas("********** End of Direct Sound Init **********"));
    // Each WAV file is loaded once however often the lists name it.
    EXPECT_EQ(LogCount("Sound file loaded: beep.wav"), 1);
    EXPECT_EQ(LogCount("Unable to open the .wav file: nofile.wav"), 1);

    int loop = -1, control = -1, period = -1;
    SOUND_ENTRY* entry = nullptr;
    EXPECT_NE(soundManager.FindSound("bird", &loop, &control, &period, &entry), nullptr);
    EXPECT_EQ(period, 5000);
    EXPECT_EQ(loop, 0);
    ASSERT_NE(entry, nullptr);
    EXPECT_STREQ(entry->wavFileName, "bird.wav");
    EXPECT_EQ(entry->maxCopies, 10);
    soundManager.FindSound("engine", &loop, &control, &period);
    EXPECT_EQ(loop, 1);
    EXPECT_EQ(control, 0);
    soundManager.FindSound("beep", nullptr, nullptr, nullptr, &entry);
    EXPECT_STREQ(entry->wavFileName, "beep2.wav");
    // A sound whose WAV is missing exists but has no buffer and no entry.
    EXPECT_EQ(soundManager.FindSound("missing", &loop, nullptr, nullptr, &entry), nullptr);
    EXPECT_EQ(entry, nullptr);
    EXPECT_EQ(soundManager.FindSound("nosuchname"), nullptr);
    EXPECT_EQ(soundManager.FindSound(nullptr), nullptr);

    control = 0;
    EXPECT_EQ(soundManager.FindSoundById(1203, &control), 1);
    EXPECT_EQ(control, 1);
    EXPECT_EQ(soundManager.FindSoundById(1204, &control), 0);
}

TEST_F(SoundManagerTest, MalformedListsAreSkippedWithALogLine) {
    std::string longName(64, 'n');
    WriteText("soundsources3.list", longName + " beep.wav loop\n" + "fine " + std::string(64, 'w') +
                                        ".wav loop\n" + "rare beep.wav rnd\n" + "odd beep.wav rndx\n" +
                                        "huge beep.wav rnd99999999999\n" + "last beep.wav");
    Init();
    EXPECT_TRUE(LogHas("Name too long in sound list file soundsources3.list, entry skipped: " + longName));
    EXPECT_EQ(soundManager.FindSound(longName.c_str()), nullptr);
    EXPECT_EQ(soundManager.FindSound("fine"), nullptr);
    int period = -1, loop = -1;
    // "rnd" alone is a plain word; "rndx" gives no period; huge ones are held.
    soundManager.FindSound("rare", &loop, nullptr, &period);
    EXPECT_EQ(period, 0);
    soundManager.FindSound("odd", nullptr, nullptr, &period);
    EXPECT_EQ(period, 0);
    soundManager.FindSound("huge", nullptr, nullptr, &period);
    EXPECT_EQ(period, 1000000 * 1000);
    // An unfinished triple at the end is not read.
    EXPECT_EQ(soundManager.FindSound("last"), nullptr);
}

TEST_F(SoundManagerTest, WithoutAnAudioDeviceNothingPlays) {
    plat::SetSoundManualMixing(false);
    setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
    EXPECT_EQ(soundManager.PlaySound("beep"), 0);  // not initialised yet
    EXPECT_EQ(soundManager.Init(), 0);
    EXPECT_TRUE(LogHas("Unable to create DirectSound !!!"));
    EXPECT_EQ(soundManager.GetDevice(), nullptr);
    int obj = 0;
    EXPECT_EQ(soundManager.PlaySound("beep"), 0);
    EXPECT_EQ(soundManager.RegisterSource(&obj, "engine"), 0);
    EXPECT_EQ(soundManager.PlayAutoAdjustedSound(nullptr, "beep", D3DXVECTOR3(0, 0, 0), 0), 0);
    soundManager.Update();
}

TEST_F(SoundManagerTest, PlaySoundClampsItsValuesAndDoesNotRestart) {
    Init();
    IDirectSoundBuffer* b = soundManager.FindSound("click");
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(soundManager.PlaySound("click", -7000, -20000, 1000.0f), 1);
    EXPECT_EQ(VolumeOf(b), -10000);
    EXPECT_EQ(PanOf(b), -10000);
    EXPECT_EQ(FrequencyOf(b), 100000u);
    EXPECT_TRUE(StatusOf(b) & DSBSTATUS_PLAYING);
    // While it plays a second request changes nothing and still succeeds.
    EXPECT_EQ(soundManager.PlaySound("click", 0, 0, 100.0f), 1);
    EXPECT_EQ(VolumeOf(b), -10000);
    Pump(2000);
    EXPECT_FALSE(StatusOf(b) & DSBSTATUS_PLAYING);

    EXPECT_EQ(soundManager.PlaySound("click", 500, 300, 0.1f), 1);
    EXPECT_EQ(VolumeOf(b), 0);
    EXPECT_EQ(PanOf(b), 300);
    EXPECT_EQ(FrequencyOf(b), 100u);
    b->Stop();
    b->SetCurrentPosition(0);
    EXPECT_EQ(soundManager.PlaySound("click", -6000, 0, 100.0f), 1);
    EXPECT_EQ(VolumeOf(b), -6000);
    EXPECT_EQ(FrequencyOf(b), 22050u);
    b->Stop();

    // Unknown names are logged; the alternative name stands in.
    EXPECT_EQ(soundManager.PlaySound("nosuch", 0, 0, 100.0f, 0, "click"), 1);
    EXPECT_EQ(soundManager.PlaySound("nosuch", 0, 0, 100.0f, 0, "nosuch2"), 0);
    EXPECT_TRUE(LogHas("Sound not found in SOUND_MANAGER::PlaySound(): nosuch"));
    EXPECT_EQ(soundManager.PlaySound("missing"), 0);
}

TEST_F(SoundManagerTest, PlayedSoundIsHeardAtItsVolume) {
    Init();
    // beep2.wav holds a constant 16000; at -600 it is heard at half.
    EXPECT_EQ(soundManager.PlaySound("beep", -600, 0, 100.0f), 1);
    EXPECT_NEAR(Pump(100), 16000 * 0.501187, 2);
}

TEST_F(SoundManagerTest, TheEleventhCopyIsRefusedUntilUpdateFreesOne) {
    Init();
    SOUND_ENTRY* entry = nullptr;
    soundManager.FindSound("click", nullptr, nullptr, nullptr, &entry);
    ASSERT_NE(entry, nullptr);
    for (int i = 0; i < 10; ++i) ASSERT_EQ(soundManager.PlaySound("click", 0, 0, 100.0f, 1), 1) << i;
    EXPECT_EQ(entry->copiesPlaying, 10);
    EXPECT_EQ(soundManager.PlaySound("click", 0, 0, 100.0f, 1), 0);
    EXPECT_EQ(CopyCount(), 10);
    // The copies play together: ten times the sample value, clipped.
    EXPECT_EQ(Pump(10), 32767);

    // Nothing has ended: Update keeps them all.
    soundManager.Update();
    EXPECT_EQ(CopyCount(), 10);
    Pump(2000);
    soundManager.Update();
    EXPECT_EQ(CopyCount(), 0);
    EXPECT_EQ(entry->copiesPlaying, 0);
    EXPECT_EQ(soundManager.PlaySound("click", 0, 0, 100.0f, 1), 1);
    EXPECT_EQ(entry->copiesPlaying, 1);

    // A copy plays at its own clamped frequency and volume.
    PLAYING_SOUND* p = soundManager.GetPlayingCopies();
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p->entry, entry);
    EXPECT_EQ(FrequencyOf(p->buffer), 22050u);
    soundManager.PlaySound("click", 200, 0, 1000.0f, 1);
    p = soundManager.GetPlayingCopies();
    EXPECT_EQ(FrequencyOf(p->buffer), 100000u);
    EXPECT_EQ(VolumeOf(p->buffer), 0);
}

TEST_F(SoundManagerTest, LoopingSourceFollowsItsVolume) {
    Init();
    int engine = 0;
    ASSERT_EQ(soundManager.RegisterSource(&engine, "engine"), 1);
    EXPECT_EQ(soundManager.HasSource(&engine), 1);
    int other = 0;
    EXPECT_EQ(soundManager.HasSource(&other), 0);
    SOUND_SOURCE* s = SourceOf(&engine);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->loop, 1);
    EXPECT_EQ(s->volume, -10000);
    EXPECT_EQ(s->frequencyOffset, 0);

    soundManager.UpdateSource(&engine, 100.0f, -10000, 0);
    EXPECT_FALSE(StatusOf(s->buffer) & DSBSTATUS_PLAYING);
    soundManager.UpdateSource(&engine, 100.0f, -500, 20000);
    EXPECT_TRUE(StatusOf(s->buffer) & DSBSTATUS_LOOPING);
    EXPECT_EQ(s->pan, 10000);
    EXPECT_EQ(s->frequency, 22050);
    Pump(5000);  // loops past its end
    EXPECT_TRUE(StatusOf(s->buffer) & DSBSTATUS_PLAYING);
    // Below -6000 counts as silence and stops it.
    soundManager.UpdateSource(&engine, 150.0f, -6500, 0);
    EXPECT_EQ(s->volume, -10000);
    EXPECT_FALSE(StatusOf(s->buffer) & DSBSTATUS_PLAYING);
    EXPECT_EQ(s->frequency, 33075);
    soundManager.UpdateSource(&engine, 100.0f, -3000, 0);
    EXPECT_TRUE(StatusOf(s->buffer) & DSBSTATUS_PLAYING);

    // Removing silences and frees it.
    IDirectSoundBuffer* own = soundManager.FindSound("engine");
    soundManager.RemoveSource(&engine);
    EXPECT_EQ(soundManager.HasSource(&engine), 0);
    EXPECT_FALSE(StatusOf(own) & DSBSTATUS_PLAYING);
    EXPECT_EQ(Pump(10), 0);

    // An unknown sound falls back to the alternative name or is logged.
    EXPECT_EQ(soundManager.RegisterSource(&other, "1999", "engine"), 1);
    EXPECT_EQ(soundManager.RegisterSource(&other, "1998", "1997"), 0);
    EXPECT_TRUE(LogHas("Sound not found for object: 1998"));
}

TEST_F(SoundManagerTest, RandomFrequencyDetunesAroundTheBaseRate) {
    Init();
    int objects[20];
    for (int& o : objects) {
        ASSERT_EQ(soundManager.RegisterSource(&o, "engine", nullptr, 1, 0), 1);
        SOUND_SOURCE* s = SourceOf(&o);
        EXPECT_GE(s->frequencyOffset, -2000);
        EXPECT_LE(s->frequencyOffset, 1999);
        // Until its first update the silent source holds the bare offset; a
        // rate the buffer cannot take leaves the file's own.
        EXPECT_EQ(s->frequency, s->frequencyOffset);
        const DWORD initial = FrequencyOf(s->buffer);
        if (s->frequencyOffset >= 100) {
            EXPECT_EQ(initial, (DWORD)s->frequencyOffset);
        } else {
            EXPECT_EQ(initial, FrequencyOf(soundManager.FindSound("engine")));
        }
        EXPECT_FALSE(StatusOf(s->buffer) & DSBSTATUS_PLAYING);
        // The first update sets the detuned rate before the source sounds.
        soundManager.UpdateSource(&o, 50.0f, -100, 0);
        EXPECT_EQ(s->frequency, (int)((22050 + s->frequencyOffset) * 50.0 / 100.0));
        EXPECT_EQ(FrequencyOf(s->buffer), (DWORD)s->frequency);
    }
}

TEST_F(SoundManagerTest, ControlledSourcePlaysOnceOnEachRise) {
    Init();
    int lever = 0;
    ASSERT_EQ(soundManager.RegisterSource(&lever, "1203"), 1);
    SOUND_SOURCE* s = SourceOf(&lever);
    soundManager.UpdateSource(&lever, 100.0f, -3000, 0);
    EXPECT_FALSE(StatusOf(s->buffer) & DSBSTATUS_PLAYING);
    soundManager.UpdateSource(&lever, 100.0f, -1999, 0);
    EXPECT_TRUE(StatusOf(s->buffer) & DSBSTATUS_PLAYING);
    EXPECT_FALSE(StatusOf(s->buffer) & DSBSTATUS_LOOPING);
    Pump(2000);
    EXPECT_FALSE(StatusOf(s->buffer) & DSBSTATUS_PLAYING);
    // Staying loud does not play it again; falling and rising does.
    soundManager.UpdateSource(&lever, 100.0f, -1000, 0);
    EXPECT_FALSE(StatusOf(s->buffer) & DSBSTATUS_PLAYING);
    soundManager.UpdateSource(&lever, 100.0f, -2500, 0);
    soundManager.UpdateSource(&lever, 100.0f, -1000, 0);
    EXPECT_TRUE(StatusOf(s->buffer) & DSBSTATUS_PLAYING);
}

TEST_F(SoundManagerTest, RandomSourceTriggersWhenItsTimerRunsOut) {
    Init();
    int tree = 0;
    ASSERT_EQ(soundManager.RegisterSource(&tree, "bird"), 1);
    SOUND_SOURCE* s = SourceOf(&tree);
    EXPECT_EQ(s->randomPeriod, 5000);
    EXPECT_EQ(s->randomTimer, 5000);
    frameTime = 1000;
    for (int i = 0; i < 4; ++i) {
        soundManager.UpdateSource(&tree, 100.0f, -100, 0);
        EXPECT_FALSE(StatusOf(s->buffer) & DSBSTATUS_PLAYING) << i;
    }
    soundManager.UpdateSource(&tree, 100.0f, -100, 0);  // the timer reaches 10000
    EXPECT_TRUE(StatusOf(s->buffer) & DSBSTATUS_PLAYING);
    EXPECT_GE(s->randomTimer, 0);
    EXPECT_LT(s->randomTimer, 10000);
    // The pauses are random but never longer than twice the period.
    Pump(2000);
    int updates = 0;
    while (!(StatusOf(s->buffer) & DSBSTATUS_PLAYING) && updates < 20) {
        soundManager.UpdateSource(&tree, 100.0f, -100, 0);
        ++updates;
    }
    EXPECT_GE(updates, 1);
    EXPECT_LE(updates, 10);
}

TEST_F(SoundManagerTest, UpdateFreesOneFinishedPositionalSourcePerFrame) {
    Init();
    D3DXVECTOR3 where(0.0f, 0.0f, 0.0f);
    ASSERT_EQ(soundManager.PlayAutoAdjustedSound(nullptr, "click", where, 500), 1);
    ASSERT_EQ(soundManager.PlayAutoAdjustedSound(nullptr, "click", where, -7000), 1);
    EXPECT_EQ(SourceCount(), 2);
    SOUND_SOURCE* s = soundManager.GetSources();
    EXPECT_EQ(s->baseVolume, -10000);
    EXPECT_EQ(s->next->baseVolume, 0);
    EXPECT_EQ(s->positional, 1);
    EXPECT_EQ(s->loop, 0);
    EXPECT_TRUE(StatusOf(s->buffer) & DSBSTATUS_PLAYING);
    soundManager.Update();
    EXPECT_EQ(SourceCount(), 2);
    Pump(2000);
    soundManager.Update();
    EXPECT_EQ(SourceCount(), 1);
    soundManager.Update();
    EXPECT_EQ(SourceCount(), 0);
    EXPECT_EQ(soundManager.PlayAutoAdjustedSound(nullptr, "nosuch", where, 0), 0);
    EXPECT_TRUE(LogHas("Sound not found in SOUND_MANAGER::PlayAutoAdjustedSound()!!!: nosuch"));
}

TEST_F(SoundManagerTest, ReleaseFreesEverythingAndStopsPlaying) {
    Init();
    int obj = 0;
    soundManager.RegisterSource(&obj, "engine");
    soundManager.UpdateSource(&obj, 100.0f, 0, 0);
    soundManager.PlaySound("click", 0, 0, 100.0f, 1);
    soundManager.Release();
    EXPECT_EQ(soundManager.IsInitialised(), 0);
    EXPECT_EQ(soundManager.GetSources(), nullptr);
    EXPECT_EQ(soundManager.GetLoadedSounds(), nullptr);
    EXPECT_EQ(soundManager.GetSoundList(), nullptr);
    EXPECT_EQ(soundManager.GetPlayingCopies(), nullptr);
    std::vector<int16_t> out(20);
    EXPECT_EQ(plat::MixSoundFrames(out.data(), 10), 0);  // no device left
    EXPECT_EQ(soundManager.PlaySound("click"), 0);
    // It can start again.
    Init();
    EXPECT_EQ(soundManager.PlaySound("click"), 1);
}

}  // namespace

namespace {

// Orbit camera of the editor around the ground point (0, 0): distance 13,
// pitch -30 degrees.
void SetOrbitCamera(float yaw) {
    display.SetCameraAngles(yaw, -0.5235988f, 13.0f);
    display.UpdateView(1, 0.0f, 0.0f);
}

float ViewSpaceX(const D3DXVECTOR3& p) {
    D3DXMATRIX view;
    display.GetViewMatrix(&view);
    D3DXVECTOR3 out;
    D3DXVec3TransformCoord(&out, &p, &view);
    return out.x;
}

TEST(SoundVolumePan, VolumeFallsWithDistanceFromTheEye) {
    SetOrbitCamera(1.5707964f);
    D3DXVECTOR3 eye;
    display.GetCamera(&eye, nullptr, nullptr);
    int volume = 1, pan = 1;
    // At the eye itself: full volume, centred (no direction to take).
    DetSoundVolumePan(eye, &volume, &pan);
    EXPECT_EQ(volume, 0);
    EXPECT_EQ(pan, 0);
    DetSoundVolumePan(D3DXVECTOR3(eye.x, eye.y, eye.z + 3.0f), &volume, &pan);
    EXPECT_EQ(volume, 0);
    DetSoundVolumePan(D3DXVECTOR3(eye.x, eye.y, eye.z + 23.0f), &volume, &pan);
    EXPECT_NEAR(volume, -3000, 1);
    DetSoundVolumePan(D3DXVECTOR3(eye.x, eye.y, eye.z + 3.0f + 10000.0f / 150.0f + 0.01f), &volume, &pan);
    EXPECT_EQ(volume, -10000);
    EXPECT_EQ(pan, 0);
    DetSoundVolumePan(D3DXVECTOR3(1e30f, 0.0f, 0.0f), &volume, &pan);
    EXPECT_EQ(volume, -10000);
    EXPECT_EQ(pan, 0);
}

TEST(SoundVolumePan, PanFollowsTheSideOfTheScreen) {
    for (float yaw : {0.0f, 1.5707964f, 2.5f, -2.0f}) {
        SetOrbitCamera(yaw);
        D3DXVECTOR3 eye, target;
        display.GetCamera(&eye, &target, nullptr);
        // Points left and right of the view target, across the view line.
        D3DXVECTOR3 dir(target.x - eye.x, target.y - eye.y, 0.0f);
        D3DXVECTOR3 across(-dir.y, dir.x, 0.0f);
        D3DXVECTOR3 a = target + across * 0.5f, b = target - across * 0.5f;
        int volume = 0, panA = 0, panB = 0;
        DetSoundVolumePan(a, &volume, &panA);
        DetSoundVolumePan(b, &volume, &panB);
        // The angle at the eye is atan(0.5) on both sides.
        EXPECT_NEAR(std::abs(panA), std::atan(0.5f) * 4000.0f / 3.14159265f, 1.0f) << yaw;
        EXPECT_EQ(panA, -panB) << yaw;
        EXPECT_EQ(panA > 0, ViewSpaceX(a) > 0) << yaw;
        EXPECT_EQ(panB > 0, ViewSpaceX(b) > 0) << yaw;
        // Straight ahead is centred; beside the eye is the widest pan.
        DetSoundVolumePan(target, &volume, &panA);
        EXPECT_EQ(panA, 0);
        D3DXVECTOR3 side(eye.x + across.x, eye.y + across.y, 0.0f);
        DetSoundVolumePan(side, &volume, &panA);
        EXPECT_NEAR(std::abs(panA), 2000, 1) << yaw;
    }
}

}  // namespace
