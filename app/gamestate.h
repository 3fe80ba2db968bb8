// The outer screen state machine with the main menu and the loading screen.
#pragma once

enum GAME_STATE {
    START_STATE = 1,
    MENU_STATE = 3,
    MENU_BUILD_STATE = 4,
    EDITOR_ENTER_STATE = 7,
    EDITOR_RUN_STATE = 8,
    MENU_ENTER_STATE = 11,
    QUIT_FADE_STATE = 27,
    QUIT_STATE = 28,
    INFO_STATE = 30,
    INFO_WAIT_STATE = 31,
    LOADING_STATE = 36,
    EXIT_STATE = 37,
    CLOSED_STATE = 39
};

struct MENU_ITEM {
    int id;
    int kind;
    char label[68];
    int restOffset;
    int width;
    int height;
    int clickable;
    int present;
};

extern int stateEntered;

void RunGameState();
int RunMenuPanel(int mode, const MENU_ITEM* records);
int LoadGameData();
void DrawLoadingScreen();
void DrawScreenGrid();
void UpdatePauseKey();
void DrawPauseText();
void TakeScreenshot();
void OpenTwoLineMessage(const char* first, const char* second);
void CloseTwoLineMessage();
int IsPauseRequested();
int GetMenuArmX(int slot);
void ResetGameStateForTest();
