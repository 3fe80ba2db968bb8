// Starts the whole program in-process (under Xvfb in the test run), runs a few
// frames and closes its window, checking the start log's milestones.
#include <gtest/gtest.h>

#include <string>

#include "app/myglobs.h"
#include "app/startlog.h"
#include "app/texts.h"
#include "app/winmain.h"
#include "gfx/display.h"
#include "platform/platform_hooks.h"
#include "support/testutil.h"

namespace {

std::string LogText() {
    std::string raw = veltest::ReadFile("startlog.txt");
    std::string out;
    for (char c : raw)
        if (c != '\0') out += c;
    return out;
}

// Positions of the lines in the log, in order; -1 for a missing line.
bool InOrder(const std::string& log, std::initializer_list<const char*> lines) {
    size_t pos = 0;
    for (const char* l : lines) {
        size_t p = log.find(l, pos);
        if (p == std::string::npos) {
            ADD_FAILURE() << "missing or out of order: " << l;
            return false;
        }
        pos = p + 1;
    }
    return true;
}

}  // namespace

TEST(Startup, RunsFramesAndShutsDownOnClose) {
    veltest::TempDir dir;
    ResetStartLogForTest();
    plat::SetIgnoreSystemInput(true);
    DWORD now = 10000;
    int ticks = 0;
    plat::SetClockHook([&]() {
        ++ticks;
        if (ticks == 60) PostMessageA(display.GetWindowHandle(), WM_CLOSE, 0, 0);
        return now += 16;
    });
    char cmd[] = "-c32 -x800 -y600";
    int rc = WinMain(PlatformInstance(), nullptr, cmd, SW_SHOWDEFAULT);
    plat::SetClockHook(nullptr);
    EXPECT_EQ(rc, 0);
    EXPECT_EQ(myGlobs.quit, 1);
    EXPECT_EQ(myGlobs.running, 0);
    EXPECT_GT(myGlobs.frameCounter, 0);
    std::string log = LogText();
    InOrder(log, {"Command line parameter: -c32 -x800 -y600", "Command line parameters:", "c32", "x800", "y600",
                  "End of command line parameters...", "***** Init ended...", "Begin message loop...",
                  "**************** STARTING SHUT DOWN ****************", "ReleaseXObjects() passed...",
                  "ReleaseGlobals() passed..."});
}

TEST(Startup, FailedDisplayShowsTheMessageBoxAndReturnsOne) {
    veltest::TempDir dir;
    veltest::WriteFile("texts.txt", [] {
        std::string s;
        for (int i = 0; i < 330; ++i) s += std::to_string(i) + " t" + std::to_string(i) + "\r\n#\r\n";
        return s;
    }());
    texts.Reload();
    ResetStartLogForTest();
    std::string caption, text;
    int boxes = 0;
    plat::SetMessageBoxHook([&](const char* t, const char* c) {
        text = t;
        caption = c;
        ++boxes;
        return IDOK;
    });
    // The window system refuses the window: the display cannot start.
    plat::FailNextWindowCreation();
    char cmd[] = "-c32 -x800 -y600";
    int rc = WinMain(PlatformInstance(), nullptr, cmd, SW_SHOWDEFAULT);
    plat::SetMessageBoxHook(nullptr);
    EXPECT_EQ(rc, 1);
    EXPECT_EQ(boxes, 1);
    EXPECT_EQ(caption, "t326");
    EXPECT_EQ(text, "t327");
    std::string log = LogText();
    InOrder(log, {"Display could not be initialized!!!", "Error code: 25"});
    EXPECT_EQ(log.find("***** DirectSound init"), std::string::npos);
    EXPECT_EQ(log.find("Begin message loop..."), std::string::npos);
}
