// tools/run, the script that builds and starts the program for a user: on a
// machine without a display it stops at once and says what is missing,
// rather than starting an invisible program.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>

namespace {

TEST(RunScript, StopsWithAMessageWithoutADisplay) {
    const std::filesystem::path script = std::filesystem::path(VEL_TEST_DATA) / ".." / ".." / "tools" / "run";
    ASSERT_TRUE(std::filesystem::exists(script)) << script;
    const std::string cmd =
        "env -u DISPLAY -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER bash '" + script.string() + "' 2>&1";
    FILE* p = popen(cmd.c_str(), "r");
    ASSERT_NE(p, nullptr);
    std::string out;
    char buf[256];
    while (std::fgets(buf, sizeof buf, p)) out += buf;
    const int status = pclose(p);
    EXPECT_NE(status, 0) << out;
    EXPECT_NE(out.find("no display"), std::string::npos) << out;
    EXPECT_NE(out.find("DISPLAY"), std::string::npos) << out;
    // Nothing was installed or built first.
    EXPECT_EQ(out.find("Installing"), std::string::npos) << out;
    EXPECT_EQ(out.find("Built target"), std::string::npos) << out;
}

}  // namespace
