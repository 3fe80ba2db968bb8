// A native modal dialog for the display set-up: a group of two radio buttons,
// a group with a drop-down list and an OK button (GTK 3 where the build has
// it). The caller owns the logic; the dialog reports the user's actions.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace plat {

struct ModeDialogLayout {
    std::string title;
    std::string radioGroupCaption;
    std::string radio1Caption, radio2Caption;
    int radioChecked = 0;  // 0 or 1
    std::string listGroupCaption;
    std::vector<std::string> listItems;
    int listSelection = 0;
    std::string okCaption = "OK";
    // Called when a radio button is chosen (0 or 1).
    std::function<void(int)> onRadio;
};

// Shows the dialog modally. Answers true when it was shown and closed (by OK,
// Enter, Escape or the close box), with the list selection at that moment
// in listSelection; false when no dialog can be shown.
bool RunModeDialog(ModeDialogLayout& layout);

}  // namespace plat
