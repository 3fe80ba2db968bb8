// The display set-up dialog: colour depth and screen resolution, remembered
// in the display-configuration file ("dcfg.txt", four integer lines).
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/win32.h"

#ifndef WM_INITDIALOG
#define WM_INITDIALOG 0x0110
#endif

// Item ids of the dialog resource.
constexpr int IDC_DLG_FULLSCREEN = 1002;
constexpr int IDC_DLG_WINDOWED = 1003;
constexpr int IDC_DLG_SOFTWARE = 1004;
constexpr int IDC_DLG_HARDWARE = 1005;
constexpr int IDC_DLG_16BIT = 1006;
constexpr int IDC_DLG_32BIT = 1007;
constexpr int IDC_DLG_DEPTHGROUP = 1013;
constexpr int IDC_DLG_RESGROUP = 1014;
constexpr int IDC_DLG_MODELIST = 1015;

// The dialog's items as the procedure sees them; a front end (GTK, or none
// in scripted runs) shows them and feeds the user's actions back.
struct DISPLAY_DIALOG {
    std::string title = "Display settings";
    std::map<int, std::string> captions;  // group boxes and buttons by id
    std::map<int, int> checked;           // radio buttons by id
    std::vector<std::string> listItems;   // the drop-down list 1015
    int listSelection = -1;               // -1 = nothing selected
    bool ended = false;
};

// Dialog state kept between the dialog's messages.
extern int dialogWidth;
extern int dialog16Bit;
extern int dialogHardware;
extern int dialogFullscreen;

// The dialog procedure: WM_INITDIALOG fills the items, WM_COMMAND with an
// item id handles the buttons; 1 (OK) and 2 (Escape, close box) accept.
// Answers 1 for the initialisation message and 0 otherwise.
intptr_t DisplayDialogProc(DISPLAY_DIALOG* dialog, UINT message, WPARAM wParam, LPARAM lParam);
void SetDisplayDialogButtons(DISPLAY_DIALOG* dialog, int hardware, int fullscreen, int is16Bit);

// The edition's configuration file name.
const char* DisplayConfigFileName();

// Runs the modal dialog: initialises it, shows it (GTK where available; a
// run without a dialog front end accepts the remembered choice at once) and
// leaves the choice in the display through DISPLAY::SetDisplayMode.
void RunDisplaySetupDialog();

// Test hook: replaces the front end. The function receives the initialised
// dialog and plays the user's part by calling DisplayDialogProc.
void SetDisplayDialogHook(std::function<void(DISPLAY_DIALOG*)> hook);
