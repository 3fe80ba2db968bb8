// The display set-up dialog's logic and its configuration file.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "gfx/display.h"
#include "gfx/setupdialog.h"

namespace {

std::string ReadFile(const char* name) {
    std::ifstream f(name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

class SetupDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        home = std::filesystem::current_path();
        std::filesystem::path dir = home / (std::string("setupdialog_") +
                                            ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(dir);
        std::filesystem::create_directories(dir);
        std::filesystem::current_path(dir);
        D3DDISPLAYMODE desktop{1024, 768, 60, D3DFMT_X8R8G8B8};
        D3DDISPLAYMODE modes[3] = {{1024, 768, 60, D3DFMT_X8R8G8B8},
                                   {800, 600, 60, D3DFMT_X8R8G8B8},
                                   {1280, 960, 60, D3DFMT_X8R8G8B8}};
        plat::SetAdapterModesForTest(&desktop, modes, 3);
        display.d3d = Direct3DCreate8(D3D_SDK_VERSION);
        ASSERT_EQ(display.BuildModeTable(), 3);  // 800, 1024, 1280 after sorting
        dialogWidth = 800;
        dialog16Bit = 1;
    }
    void TearDown() override {
        plat::SetAdapterModesForTest(nullptr, nullptr, 0);
        std::filesystem::current_path(home);
    }
    std::filesystem::path home;
};

}  // namespace

TEST_F(SetupDialogTest, DefaultsWithoutConfigFile) {
    DISPLAY_DIALOG dlg;
    EXPECT_EQ(DisplayDialogProc(&dlg, WM_INITDIALOG, 0, 0), 1);
    ASSERT_EQ(dlg.listItems.size(), 3u);
    EXPECT_EQ(dlg.listItems[0], "800 x 600");
    EXPECT_EQ(dlg.listItems[2], "1280 x 960");
    EXPECT_EQ(dlg.listSelection, 0);
    EXPECT_EQ(dlg.checked[IDC_DLG_16BIT], 1);
    EXPECT_EQ(dlg.checked[IDC_DLG_32BIT], 0);
    EXPECT_EQ(dialogHardware, 1);
    EXPECT_EQ(dialogFullscreen, 1);
}

TEST_F(SetupDialogTest, ChoiceIsStoredAndRemembered) {
    DISPLAY_DIALOG dlg;
    DisplayDialogProc(&dlg, WM_INITDIALOG, 0, 0);
    dlg.listSelection = 1;
    EXPECT_EQ(DisplayDialogProc(&dlg, WM_COMMAND, IDC_DLG_32BIT, 0), 0);
    EXPECT_EQ(dlg.checked[IDC_DLG_32BIT], 1);
    EXPECT_EQ(dlg.checked[IDC_DLG_16BIT], 0);
    DisplayDialogProc(&dlg, WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(dlg.ended);
    EXPECT_EQ(ReadFile("dcfg.txt"), "1024\n0\n1\n1\n");
    EXPECT_EQ(display.GetRequestedWidth(), 1024);
    EXPECT_EQ(display.GetRequestedHeight(), 768);
    EXPECT_EQ(display.GetColorDepth(), 32);
    EXPECT_EQ(display.IsFullscreen(), 1);
    EXPECT_EQ(display.GetHardwareTnL(), 1);

    // Opening again preselects the remembered width and depth.
    dialogWidth = 0;
    dialog16Bit = 1;
    DISPLAY_DIALOG again;
    DisplayDialogProc(&again, WM_INITDIALOG, 0, 0);
    EXPECT_EQ(again.listSelection, 1);
    EXPECT_EQ(again.checked[IDC_DLG_32BIT], 1);
}

TEST_F(SetupDialogTest, EscapeAcceptsLikeOkAndBadIndexFallsBack) {
    {
        std::ofstream f("dcfg.txt", std::ios::binary);
        f << "1280\n1\n0\n0\n";
    }
    DISPLAY_DIALOG dlg;
    DisplayDialogProc(&dlg, WM_INITDIALOG, 0, 0);
    EXPECT_EQ(dlg.listSelection, 2);
    EXPECT_EQ(dialogHardware, 1);  // both flags are forced on when the dialog opens
    EXPECT_EQ(dialogFullscreen, 1);
    DisplayDialogProc(&dlg, WM_COMMAND, IDCANCEL, 0);
    EXPECT_EQ(ReadFile("dcfg.txt"), "1280\n1\n1\n1\n");
    EXPECT_EQ(display.GetRequestedWidth(), 1280);
    EXPECT_EQ(display.GetColorDepth(), 16);

    DISPLAY_DIALOG bad;
    DisplayDialogProc(&bad, WM_INITDIALOG, 0, 0);
    bad.listSelection = 3;  // one past the last mode
    DisplayDialogProc(&bad, WM_COMMAND, IDOK, 0);
    EXPECT_EQ(display.GetRequestedWidth(), 800);
    bad.listSelection = -1;  // nothing selected
    DisplayDialogProc(&bad, WM_COMMAND, IDOK, 0);
    EXPECT_EQ(display.GetRequestedWidth(), 800);
}

TEST_F(SetupDialogTest, RunWithoutFrontEndAcceptsRememberedChoice) {
    {
        std::ofstream f("dcfg.txt", std::ios::binary);
        f << "1024\n0\n1\n1\n";
    }
    bool called = false;
    SetDisplayDialogHook([&](DISPLAY_DIALOG* dlg) {
        called = true;
        EXPECT_EQ(dlg->listSelection, 1);
    });
    RunDisplaySetupDialog();  // the hook does not press OK: the run accepts anyway
    SetDisplayDialogHook(nullptr);
    EXPECT_TRUE(called);
    EXPECT_EQ(display.GetRequestedWidth(), 1024);
    EXPECT_EQ(display.GetColorDepth(), 32);
}

TEST_F(SetupDialogTest, ButtonPairsFollowTheFlags) {
    DISPLAY_DIALOG dlg;
    SetDisplayDialogButtons(&dlg, 0, 1, 1);
    EXPECT_EQ(dlg.checked[IDC_DLG_HARDWARE], 0);
    EXPECT_EQ(dlg.checked[IDC_DLG_SOFTWARE], 1);
    EXPECT_EQ(dlg.checked[IDC_DLG_FULLSCREEN], 1);
    EXPECT_EQ(dlg.checked[IDC_DLG_16BIT], 1);
    SetDisplayDialogButtons(nullptr, 1, 1, 1);  // no dialog: nothing happens
}
