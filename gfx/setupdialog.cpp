// The display set-up dialog's logic and its configuration file.
#include "gfx/setupdialog.h"

#include <cstdio>

#include "app/myglobs.h"
#include "app/texts.h"
#include "gfx/display.h"
#include "platform/d3d8_dialog.h"
#include "platform/paths.h"

int dialogWidth = 800;
int dialog16Bit = 1;
int dialogHardware = 1;
int dialogFullscreen = 1;

namespace {

std::function<void(DISPLAY_DIALOG*)> dialogHook;

void ReadConfig() {
    FILE* f = plat::OpenFile(DisplayConfigFileName(), "rb");
    if (!f) return;
    int v[4] = {dialogWidth, dialog16Bit, dialogHardware, dialogFullscreen};
    for (int i = 0; i < 4; ++i)
        if (std::fscanf(f, "%d", &v[i]) != 1) break;
    std::fclose(f);
    dialogWidth = v[0];
    dialog16Bit = v[1] ? 1 : 0;
    dialogHardware = v[2] ? 1 : 0;
    dialogFullscreen = v[3] ? 1 : 0;
}

void WriteConfig() {
    FILE* f = plat::OpenFile(DisplayConfigFileName(), "wb");
    if (!f) return;  // a file that cannot be created is skipped
    std::fprintf(f, "%d\n", dialogWidth);
    std::fprintf(f, "%d\n", dialog16Bit ? 1 : 0);
    std::fprintf(f, "%d\n", dialogHardware ? 1 : 0);
    std::fprintf(f, "%d\n", dialogFullscreen ? 1 : 0);
    std::fclose(f);
}

void InitDialog(DISPLAY_DIALOG* dlg) {
    dlg->title = texts.Get(328);
    dlg->captions[IDC_DLG_DEPTHGROUP] = texts.Get(329);
    dlg->captions[IDC_DLG_RESGROUP] = texts.Get(330);
    dlg->captions[IDC_DLG_16BIT] = "16 bit";
    dlg->captions[IDC_DLG_32BIT] = "32 bit";
    ReadConfig();
    dlg->listItems.clear();
    int remembered = -1;
    for (int i = 0; i < display.GetModeCount(); ++i) {
        DISPLAY_MODE m;
        if (!display.GetMode(i, &m)) continue;
        dlg->listItems.push_back(std::to_string(m.width) + " x " + std::to_string(m.height));
        if ((int)m.width == dialogWidth) remembered = i;
    }
    dlg->listSelection = remembered >= 0 ? remembered : 0;
    dialogHardware = 1;
    dialogFullscreen = 1;
    SetDisplayDialogButtons(dlg, dialogHardware, dialogFullscreen, dialog16Bit);
}

void Accept(DISPLAY_DIALOG* dlg) {
    int index = dlg->listSelection;
    if (index < 0 || index >= display.GetModeCount()) index = 0;
    DISPLAY_MODE m{0, 0, 0, 0};
    display.GetMode(index, &m);
    dialogWidth = (int)m.width;
    WriteConfig();
    display.SetDisplayMode(dialog16Bit ? 16 : 32, dialogFullscreen, dialogHardware, (int)m.width, (int)m.height);
    dlg->ended = true;
}

}  // namespace

const char* DisplayConfigFileName() { return myGlobs.firstEdition ? "dcfg.txt" : "qm_dcfg.txt"; }

void SetDisplayDialogButtons(DISPLAY_DIALOG* dialog, int hardware, int fullscreen, int is16Bit) {
    if (!dialog) return;
    dialog->checked[IDC_DLG_16BIT] = is16Bit ? 1 : 0;
    dialog->checked[IDC_DLG_32BIT] = is16Bit ? 0 : 1;
    // The hardware and full-screen pairs exist only in other layouts of the
    // resource; their states are kept all the same.
    dialog->checked[IDC_DLG_HARDWARE] = hardware ? 1 : 0;
    dialog->checked[IDC_DLG_SOFTWARE] = hardware ? 0 : 1;
    dialog->checked[IDC_DLG_FULLSCREEN] = fullscreen ? 1 : 0;
    dialog->checked[IDC_DLG_WINDOWED] = fullscreen ? 0 : 1;
}

intptr_t DisplayDialogProc(DISPLAY_DIALOG* dialog, UINT message, WPARAM wParam, LPARAM) {
    if (!dialog) return 0;
    if (message == WM_INITDIALOG) {
        InitDialog(dialog);
        return 1;
    }
    if (message == WM_COMMAND) {
        switch (LOWORD(wParam)) {
            case IDC_DLG_16BIT:
                dialog16Bit = 1;
                SetDisplayDialogButtons(dialog, dialogHardware, dialogFullscreen, dialog16Bit);
                break;
            case IDC_DLG_32BIT:
                dialog16Bit = 0;
                SetDisplayDialogButtons(dialog, dialogHardware, dialogFullscreen, dialog16Bit);
                break;
            case IDOK:
            case IDCANCEL: Accept(dialog); break;
            default: break;
        }
    }
    return 0;
}

void SetDisplayDialogHook(std::function<void(DISPLAY_DIALOG*)> hook) { dialogHook = std::move(hook); }

void RunDisplaySetupDialog() {
    DISPLAY_DIALOG dlg;
    DisplayDialogProc(&dlg, WM_INITDIALOG, 0, 0);
    if (dialogHook) {
        dialogHook(&dlg);
    } else {
        plat::ModeDialogLayout layout;
        layout.title = dlg.title;
        layout.radioGroupCaption = dlg.captions[IDC_DLG_DEPTHGROUP];
        layout.radio1Caption = dlg.captions[IDC_DLG_16BIT];
        layout.radio2Caption = dlg.captions[IDC_DLG_32BIT];
        layout.radioChecked = dlg.checked[IDC_DLG_16BIT] ? 0 : 1;
        layout.listGroupCaption = dlg.captions[IDC_DLG_RESGROUP];
        layout.listItems = dlg.listItems;
        layout.listSelection = dlg.listSelection;
        layout.onRadio = [&dlg](int index) {
            DisplayDialogProc(&dlg, WM_COMMAND, index == 0 ? IDC_DLG_16BIT : IDC_DLG_32BIT, 0);
        };
        if (plat::RunModeDialog(layout)) dlg.listSelection = layout.listSelection;
        // Without a dialog front end the remembered choice is accepted as is.
    }
    if (!dlg.ended) DisplayDialogProc(&dlg, WM_COMMAND, IDOK, 0);
}
