// Streamed music: the music lists, the playlist of a name and the music
// thread, with music enabled the only way it can be: by choosing the second
// edition before the sound manager is constructed.
#include <gtest/gtest.h>

#include <dirent.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <functional>
#include <memory>
#include <thread>

#include "app/myglobs.h"
#include "app/startlog.h"
#include "sound/soundmanager.h"
#include "sound_test_util.h"

using namespace soundtest;

namespace {

int CountEntries(const char* folder) {
    int n = 0;
    if (DIR* d = opendir(folder)) {
        while (readdir(d)) ++n;
        closedir(d);
    }
    return n;
}

void CopyTestFile(const std::string& from, const std::string& to) {
    std::ifstream in(std::string(VEL_TEST_DATA) + "/sound/" + from, std::ios::binary);
    std::ofstream out(to, std::ios::binary);
    out << in.rdbuf();
}

class MusicTest : public ::testing::Test {
protected:
    void SetUp() override {
        EnterTestFolder();
        plat::SetSoundManualMixing(true);
        ResetStartLogForTest();
        CopyTestFile("tone440.ogg", "tune_a.ogg");
        CopyTestFile("tone880.ogg", "tune_b.ogg");
        WriteText("not_ogg.ogg", "plain text, not a Vorbis stream");
        WriteText("qm_ogg1.txt", "edit tune_a.ogg\njourney tune_b.ogg\nedit tune_b.ogg\nbroken not_ogg.ogg\n");
        WriteText("qm_ogg2.txt", "gone missing_file.ogg\n" + std::string(32, 'x') + " tune_a.ogg\n");
        myGlobs.firstEdition = 0;
        myGlobs.secondEdition = 1;
        sm = std::make_unique<SOUND_MANAGER>();
    }
    void TearDown() override {
        sm.reset();
        myGlobs.firstEdition = 1;
        myGlobs.secondEdition = 0;
    }

    // Runs the frame loop's part: mix a little, count a drawn frame, update,
    // until the condition holds. Returns the loudest sample heard.
    bool RunUntil(const std::function<bool()>& done, int* peak = nullptr, int seconds = 20) {
        auto until = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
        while (std::chrono::steady_clock::now() < until) {
            int p = Pump(64);
            if (peak && p > *peak) *peak = p;
            std::atomic_ref<int>(myGlobs.frameCounter).fetch_add(1);
            sm->Update();
            if (done()) return true;
            std::this_thread::sleep_for(std::chrono::microseconds(500));
        }
        return false;
    }

    std::unique_ptr<SOUND_MANAGER> sm;
};

TEST_F(MusicTest, InitReadsTheListsAndStartsTheThread) {
    ASSERT_EQ(sm->IsMusicEnabled(), 1);
    ASSERT_EQ(sm->Init(), 1);
    EXPECT_TRUE(LogHas("Reading ogg list file: qm_ogg1.txt"));
    EXPECT_TRUE(LogHas("Reading ogg list file: qm_ogg2.txt"));
    EXPECT_TRUE(LogHas("Name too long in ogg list file qm_ogg2.txt, entry skipped: " + std::string(32, 'x')));
    EXPECT_TRUE(LogHas("Ogg thread created..."));
    EXPECT_FALSE(LogHas("ogg support disabled..."));
    EXPECT_EQ(sm->GetMusicRowCount(), 5);
    EXPECT_EQ(sm->IsMusicThreadRunning(), 1);
    EXPECT_EQ(sm->GetStreamStatus(), 2);
}

TEST_F(MusicTest, PlaysToTheEndThenTheNextFileOfTheNameThenWraps) {
    ASSERT_EQ(sm->Init(), 1);
    sm->PlayMusic("edit");
    EXPECT_EQ(sm->GetPlayRequest(), 1);
    EXPECT_STREQ(sm->GetCurrentMusicName(), "edit");
    EXPECT_EQ(sm->GetPlaylistIndex(), 0);

    int peak = 0;
    ASSERT_TRUE(RunUntil([&] { return sm->GetStreamStatus() == 0; }, &peak));
    // The tune is heard (sine of amplitude 0.5 of full scale).
    ASSERT_TRUE(RunUntil([&] { return sm->GetPlaylistIndex() == 1; }, &peak));
    EXPECT_GT(peak, 10000);
    EXPECT_STREQ(sm->GetCurrentMusicName(), "edit");
    EXPECT_EQ(sm->GetPlayRequest(), 1);
    // After the last "edit" file the playlist starts again.
    ASSERT_TRUE(RunUntil([&] { return sm->GetPlaylistIndex() == 0; }));
    EXPECT_STREQ(sm->GetCurrentMusicName(), "edit");
    EXPECT_EQ(sm->GetPlayRequest(), 1);
}

TEST_F(MusicTest, AskingForTheSameNameAgainPlaysItsNextFile) {
    ASSERT_EQ(sm->Init(), 1);
    sm->PlayMusic("edit");
    ASSERT_TRUE(RunUntil([&] { return sm->GetStreamStatus() == 0; }));
    sm->PlayMusic("edit");
    EXPECT_EQ(sm->GetPlaylistIndex(), 1);
    sm->PlayMusic("edit");
    EXPECT_EQ(sm->GetPlaylistIndex(), 0);
    sm->PlayMusic("journey");
    EXPECT_EQ(sm->GetPlaylistIndex(), 0);
    EXPECT_STREQ(sm->GetCurrentMusicName(), "journey");
    // A name without rows stops the music and clears the name.
    sm->PlayMusic("nothing");
    EXPECT_EQ(sm->GetPlayRequest(), 0);
    EXPECT_STREQ(sm->GetCurrentMusicName(), "");
    // So does a row whose file is missing.
    sm->PlayMusic("gone");
    EXPECT_STREQ(sm->GetCurrentMusicName(), "");
    ASSERT_TRUE(RunUntil([&] { return sm->GetStreamStatus() == 2; }));
    // Nothing restarts on its own.
    RunUntil([] { return false; }, nullptr, 1);
    EXPECT_EQ(sm->GetPlayRequest(), 0);
}

TEST_F(MusicTest, AFileThatIsNotVorbisIsLoggedAndMusicStaysStopped) {
    ASSERT_EQ(sm->Init(), 1);
    int before = CountEntries("/proc/self/fd");
    sm->PlayMusic("broken");
    EXPECT_TRUE(LogHas("Input does not appear to be an Ogg bitstream!!!"));
    EXPECT_EQ(sm->GetPlayRequest(), 0);
    EXPECT_STREQ(sm->GetCurrentMusicName(), "");
    EXPECT_EQ(CountEntries("/proc/self/fd"), before);  // the file was closed
    int peak = 0;
    RunUntil([] { return false; }, &peak, 1);
    EXPECT_EQ(sm->GetStreamStatus(), 2);
    EXPECT_EQ(peak, 0);
}

TEST_F(MusicTest, StopsBeforeTheThreadSawThemLeakNoStream) {
    ASSERT_EQ(sm->Init(), 1);
    int before = CountEntries("/proc/self/fd");
    for (int i = 0; i < 5; ++i) {
        sm->PlayMusic("journey");
        sm->StopMusic();
    }
    EXPECT_EQ(sm->GetPlayRequest(), 0);
    ASSERT_TRUE(RunUntil([&] { return CountEntries("/proc/self/fd") == before; }));
    EXPECT_EQ(sm->GetStreamStatus(), 2);
}

TEST_F(MusicTest, TheMusicSwitch) {
    ASSERT_EQ(sm->Init(), 1);
    sm->PlayMusic("edit");
    ASSERT_TRUE(RunUntil([&] { return sm->GetStreamStatus() == 0; }));
    sm->SetMusicOn(0);
    EXPECT_EQ(sm->IsMusicOn(), 0);
    EXPECT_EQ(sm->GetPlayRequest(), 0);
    ASSERT_TRUE(RunUntil([&] { return sm->GetStreamStatus() == 2; }));
    int peak = 0;
    RunUntil([] { return false; }, &peak, 1);
    EXPECT_EQ(peak, 0);  // silenced at once
    // Switched off, asking for music does nothing.
    sm->PlayMusic("journey");
    EXPECT_EQ(sm->GetPlayRequest(), 0);
    EXPECT_STREQ(sm->GetCurrentMusicName(), "edit");
    // Switching on plays the current name again (its next file).
    sm->SetMusicOn(1);
    EXPECT_EQ(sm->GetPlayRequest(), 1);
    EXPECT_STREQ(sm->GetCurrentMusicName(), "edit");
    EXPECT_EQ(sm->GetPlaylistIndex(), 1);
    ASSERT_TRUE(RunUntil([&] { return sm->GetStreamStatus() == 0; }, &peak));
}

TEST_F(MusicTest, ShutDownStopsAndJoinsTheThread) {
    int threads = CountEntries("/proc/self/task");
    ASSERT_EQ(sm->Init(), 1);
    EXPECT_EQ(CountEntries("/proc/self/task"), threads + 1);
    sm->PlayMusic("edit");
    ASSERT_TRUE(RunUntil([&] { return sm->GetStreamStatus() == 0; }));
    sm->Release();
    EXPECT_EQ(sm->IsMusicThreadRunning(), 0);
    // The thread has returned; give the system a moment to retire it.
    for (int i = 0; i < 200 && CountEntries("/proc/self/task") != threads; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_EQ(CountEntries("/proc/self/task"), threads);
    sm->PlayMusic("edit");  // no stream buffer any more: nothing happens
    EXPECT_EQ(sm->GetPlayRequest(), 0);
}

TEST(MusicDisabled, EveryRunHasNoMusic) {
    EnterTestFolder();
    plat::SetSoundManualMixing(true);
    ResetStartLogForTest();
    WriteText("vlm_ogg1.txt", "edit tune_a.ogg\n");
    // The global manager was constructed after the settings object, which
    // chose the first edition.
    ASSERT_EQ(soundManager.IsMusicEnabled(), 0);
    int threads = CountEntries("/proc/self/task");
    ASSERT_EQ(soundManager.Init(), 1);
    EXPECT_TRUE(LogHas("ogg support disabled..."));
    EXPECT_FALSE(LogHas("Reading ogg list file: vlm_ogg1.txt"));
    EXPECT_EQ(soundManager.GetMusicRowCount(), 0);
    EXPECT_EQ(soundManager.IsMusicThreadRunning(), 0);
    EXPECT_EQ(CountEntries("/proc/self/task"), threads);
    soundManager.PlayMusic("edit");
    EXPECT_EQ(soundManager.GetPlayRequest(), 0);
    soundManager.SetMusicOn(0);
    EXPECT_EQ(soundManager.IsMusicOn(), 0);
    soundManager.SetMusicOn(1);
    EXPECT_EQ(soundManager.IsMusicOn(), 1);
    EXPECT_EQ(soundManager.GetPlayRequest(), 0);
    soundManager.Release();
}

}  // namespace
