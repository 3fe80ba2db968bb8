// The layout's description text: read from the text file next to the layout
// and wrapped into the lines of the information window.
#pragma once

constexpr int INFOTEXTLEN = 1900;
constexpr int INFOTEXTLINES = 20;
constexpr int INFOTEXTLINELEN = 100;
constexpr int INFOTEXTSHOWNLINES = 11;
constexpr int INFOTEXTWIDTH = 540;

class INFO_TEXT {
public:
    INFO_TEXT();

    // Reads the description of a layout file (its name with the last three
    // characters replaced by "txt") and fills the information window.
    void Load(const char* layoutFileName);
    // Lays the text into lines (font "fontp", size 12, 540 pixels wide).
    void Wrap();

    int IsLoaded() const { return bLoaded; }
    const char* GetText() const { return text; }
    void SetText(const char* newText);
    int GetLineCount() const { return lineCount; }
    // A wrapped line; "" beyond the lines in use.
    const char* GetLine(int i) const;

    int bLoaded = 0;
    int taskState = 3;
    char text[INFOTEXTLEN + 1] = {};
    char lines[INFOTEXTLINES][INFOTEXTLINELEN] = {};
    int lineCount = 0;
};

extern INFO_TEXT infoText;
