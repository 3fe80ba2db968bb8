// Window definitions: the game panels and the editor windows with their
// items, and the small helpers the game-state machine opens them with.
#include "ui/windefs.h"

#include "app/filesearch.h"
#include "app/myglobs.h"
#include "app/startlog.h"
#include "app/texts.h"
#include "gfx/display.h"
#include "gfx/myfont.h"
#include "rail/layoutfile.h"

// The window objects exist for the whole run; they hold no resources until
// their items are created.
WINDOW winInfoPanel;
WINDOW winMessageOneLine;
WINDOW winMessageTwoLines;

WINDOW winTrackAttrib;
WINDOW winModeMessage;
WINDOW winLoadMessage;
WINDOW winExitEditor;
WINDOW winSwitchAttrib;
WINDOW winCameraPath;
WINDOW winCameraPathPlay;
WINDOW winCameraPathRecord;
WINDOW winOptions;
WINDOW winBuildChoice;
WINDOW winXfileLists;
WINDOW winInfoText;
WINDOW winBuildTracks;
WINDOW winPutVehicles;
WINDOW winPutObj;
WINDOW winSelOpt;
WINDOW winSystemControl;
WINDOW winEdTerrain;
WINDOW winAttr;
WINDOW winSAttr;
WINDOW winDAttr;
WINDOW winTtAttr;
WINDOW winSoundAttr;
WINDOW winObjAttr;
WINDOW winSiAttr;
WINDOW winBarAttr;
WINDOW winPowerValue;
WINDOW winSkybox;
WINDOW winLoadFile;
WINDOW winSaveFile;
WINDOW winTrackName;
WINDOW winTerrobjColor;
WINDOW winHouseColor;
WINDOW winDetachAttrib;
WINDOW winTtableAttrib;
WINDOW winSelectControl;
WINDOW winRootcheckEd;
WINDOW winTableSize;
WINDOW winResizeTable;
WINDOW winVehicleAttrib;

namespace {

const char* T(int n) { return texts.Get(n); }

// The size the toolkit draws small texts in (font "font_taho2").
constexpr int SMALLTEXT_SIZE = 15;

// Item makers over one window. Items with id 0 are decorations: they are
// created disabled so that a press on them stays available to the window.
struct Maker {
    WINDOW& w;

    WINOBJ* Text(int id, int text, int x, int y, uint32_t flags = 0) {
        return w.AddWinobj(id, WINOBJ_TEXT, 0, T(text), x, y, 0, 0, id != 0, flags);
    }
    // A text item created with a fixed string (the value texts under the
    // gauges start as "0" until their handler fills them).
    WINOBJ* Value(int id, int x, int y) { return w.AddWinobj(id, WINOBJ_TEXT, 0, "0", x, y, 0, 0, 1, 0); }
    WINOBJ* Title(int id, int text, int x, int y, uint32_t flags = 0) {
        return w.AddWinobj(id, WINOBJ_TITLE, 0, text >= 0 ? T(text) : "", x, y, 0, 0, id != 0, flags);
    }
    WINOBJ* SmallText(int id, int text, int x, int y, int width = 0, uint32_t flags = 0) {
        return w.AddWinobj(id, WINOBJ_SMALLTEXT, 0, T(text), x, y, width, 0, id != 0, flags);
    }
    // A small caption centred on x, as wide as its text.
    WINOBJ* Caption(int id, int text, int x, int y) {
        int width = 0;
        MeasureFontText("font_taho2", T(text), SMALLTEXT_SIZE, &width, nullptr);
        return SmallText(id, text, x, y, width, WINOBJ_CENTRED);
    }
    WINOBJ* Tick(int id, int x, int y, int on = 0, int size = 18) {
        return w.AddWinobj(id, WINOBJ_BUTTON, on ? WINOBJ_BUTTON_ON : WINOBJ_BUTTON_OFF, nullptr, x, y, size, size, 1,
                           0);
    }
    // A tick box with its label to the right.
    void TickText(int id, int text, int x, int y, int on = 0) {
        Tick(id, x, y, on);
        Text(0, text, x + 25, y);
    }
    WINOBJ* Ok(int id, int x, int y) { return w.AddWinobj(id, WINOBJ_OK, 0, nullptr, x, y, 0, 0, 1, 0); }
    WINOBJ* Cancel(int id, int x, int y) { return w.AddWinobj(id, WINOBJ_CANCEL, 0, nullptr, x, y, 0, 0, 1, 0); }
    WINOBJ* Edit(int id, int x, int y, int width, int height) {
        return w.AddWinobj(id, WINOBJ_EDIT, 0, nullptr, x, y, width, height, 1, 0);
    }
    WINOBJ* List(int id, int x, int y, int width, int height) {
        return w.AddWinobj(id, WINOBJ_LIST, 0, nullptr, x, y, width, height, 1, 0);
    }
    WINOBJ* Button(int id, int text, int x, int y) {
        return w.AddWinobj(id, WINOBJ_TEXTBUTTON, 0, T(text), x, y, 0, 0, 1, WINOBJ_CENTRED);
    }
    WINOBJ* Picture(int id, int image, int x, int y, uint32_t flags = 0) {
        return w.AddWinobj(id, WINOBJ_PICTURE, 0, &image, x, y, 0, 0, 1, flags);
    }
    WINOBJ* Separator(int y, int width) {
        int image = 609;
        return w.AddWinobj(0, WINOBJ_PICTURE, 0, &image, 10, y, width, 0, 0, 0);
    }
    WINOBJ* Gauge(int id, int kind, int x, int y) {
        int level = 0, gw = 0, gh = 0;
        GetInterfaceImageSize(kind == WINOBJ_GAUGE ? 564 : 565, &gw, &gh);
        return w.AddWinobj(id, kind, 0, &level, x, y, gw, gh, 1, 0);
    }
    WINOBJ* Slider(int id, int x, int y, int width, float percent) {
        return w.AddWinobj(id, WINOBJ_SLIDER, 0, &percent, x, y, width, 0, 1, 0);
    }
    WINOBJ* Colour(int id, int kind, int x, int y, int width, int height) {
        return w.AddWinobj(id, kind, 0, nullptr, x, y, width, height, 1, 0);
    }
};

// The common layout of the control attribute windows. firstSet holds the
// texts of the first set of choices (2 or 3 of them).
// With namedChoices the labels of the first set are items 21 to 23, which
// the object control lists rename for the object being controlled.
void MakeAttribWindow(WINDOW& w, int caption, int height, const int* firstSet, int firstCount, bool power,
                      bool namedChoices = false) {
    w.Init(T(caption), WINDOW_COLOUR, power ? 40 : 100, power ? 10 : 20, 290, height, WINSTYLE_ALTBACK);
    Maker m{w};
    m.Text(0, 175, 20, 20);
    m.Edit(13, 195, 20, 0, 0);
    m.Text(0, 304, 20, 40);
    for (int i = 0; i < firstCount; ++i) {
        m.Tick(1 + i, 35, 60 + 20 * i, i == 0);
        m.Text(namedChoices ? 21 + i : 0, firstSet[i], 60, 60 + 20 * i);
    }
    // Everything below the first set moves up when it has only two choices.
    const int d = (firstCount == 2) ? -20 : 0;
    m.Text(0, 341, 20, 125 + d);
    const int dirIds[3] = {power ? 18 : 4, power ? 19 : 5, power ? 20 : 6};
    for (int i = 0; i < 3; ++i) m.TickText(dirIds[i], 342 + i, 35, 147 + 20 * i + d, i == 0);
    m.Text(0, 345, 20, 212 + d);
    m.Tick(14, 35, 233 + d, 1);
    m.Text(0, 346, 60, 233 + d);
    m.Tick(15, 150, 233 + d);
    m.Text(0, 347, 175, 233 + d);
    m.Tick(16, 35, 253 + d);
    m.Text(0, 348, 60, 253 + d);
    m.Tick(17, 150, 253 + d);
    m.Text(0, 349, 175, 253 + d);
    if (power) {
        m.Text(0, 13, 20, 277);
        m.Gauge(7, WINOBJ_GAUGE, 30, 297);
        m.Value(21, 70, 317);
        m.Text(0, 17, 145, 277);
        m.Gauge(8, WINOBJ_GAUGE2, 145, 297);
        m.Value(22, 185, 317);
        m.Text(0, 19, 20, 365);
        m.Edit(11, 175, 365, 100, 20);
        m.Button(12, 124, 140, 395);
        m.Ok(9, 70, 430);
        m.Cancel(10, 195, 430);
    } else {
        m.Text(0, 17, 20, 305 + d);
        m.Gauge(8, WINOBJ_GAUGE2, 160, 285 + d);
        m.Value(18, 200, 305 + d);
        m.Text(0, 19, 20, 355 + d);
        m.Edit(11, 175, 355 + d, 100, 20);
        m.Button(12, 124, 140, 385 + d);
        m.Ok(9, 70, 420 + d);
        m.Cancel(10, 195, 420 + d);
    }
    windowList.AddWindow(&w);
}

// A name edit with a "show name" tick box and a remove button.
void MakeNameWindow(WINDOW& w, int caption, int text) {
    w.Init(T(caption), WINDOW_COLOUR, 100, 20, 260, 230, WINSTYLE_ALTBACK);
    Maker m{w};
    m.Text(0, text, 20, 15);
    m.Edit(1, 35, 50, 100, 20);
    m.TickText(2, 90, 35, 85);
    m.Button(3, 124, 120, 120);
    m.Ok(9, 70, 170);
    m.Cancel(10, 160, 170);
    windowList.AddWindow(&w);
}

void MakeColourWindow(WINDOW& w, bool house) {
    w.Init(T(84), WINDOW_COLOUR, 100, 20, 378, 480, WINSTYLE_ALTBACK);
    Maker m{w};
    m.Text(0, 181, 20, 0);
    m.Colour(4, WINOBJ_COLORPICKER, 55, 15, 260, 208);
    if (house) {
        m.Text(0, 182, 40, 230);
        m.Text(0, 182, 194, 230);
        m.Colour(5, WINOBJ_COLORBAR2, 40, 250, 134, 50);
        m.Colour(6, WINOBJ_COLORBAR2, 194, 250, 134, 50);
        m.Text(0, 183, 40, 310);
        m.Text(0, 183, 194, 310);
        m.Colour(7, WINOBJ_COLORBAR, 40, 330, 134, 50);
        m.Colour(8, WINOBJ_COLORBAR, 194, 330, 134, 50);
    } else {
        m.Text(0, 182, 50, 230);
        m.Colour(6, WINOBJ_COLORBAR2, 50, 250, 268, 50);
        m.Text(0, 183, 50, 310);
        m.Colour(8, WINOBJ_COLORBAR, 50, 330, 268, 50);
    }
    m.Ok(9, 130, 410);
    m.Cancel(10, 230, 410);
    windowList.AddWindow(&w);
}

}  // namespace

void InitGameWindows() {
    const bool second = myGlobs.secondEdition != 0;

    winInfoPanel.Init("", WINDOW_COLOUR, 256, 17, 370, 390, WINSTYLE_NOFRAME);
    const int infoRows[7][2] = {{second ? 373 : 305, 16}, {306, 46}, {307, 76}, {308, 125},
                                {309, 155},            {310, 200}, {311, 225}};
    for (int i = 0; i < 7; ++i)
        winInfoPanel.AddWinobj(i + 1, WINOBJ_TITLE, 0, T(infoRows[i][0]), 143, infoRows[i][1], 0, 0, 0,
                               WINOBJ_CENTRED | WINOBJ_SPRITEBATCH);
    windowList.AddWindow(&winInfoPanel);
    for (int id = 1; id <= 8; ++id) SetWinobjColor(&winInfoPanel, id, second ? 0xFF102020 : 0xC0FFFFB0);
    for (int id : {1, 3, 5}) SetWinobjFontSize(&winInfoPanel, id, 25);
    for (int id : {2, 4, 6, 7}) SetWinobjFontSize(&winInfoPanel, id, 20);

    winMessageOneLine.Init("", WINDOW_COLOUR, 275, 160, 300, 150, WINSTYLE_SMALL);
    {
        Maker m{winMessageOneLine};
        winMessageOneLine.AddWinobj(1, WINOBJ_TITLE, 0, "", 25, 40, 0, 0, 1, 0);
        m.Text(2, 290, 110, 90);
    }
    windowList.AddWindow(&winMessageOneLine);

    winMessageTwoLines.Init("", WINDOW_COLOUR, 275, 160, 300, 200, WINSTYLE_BOX);
    for (int i = 0; i < 2; ++i) {
        if (WINOBJ* o = winMessageTwoLines.AddWinobj(1 + i, WINOBJ_TITLE, 0, "", 150, 45 + 25 * i, 0, 0, 1,
                                                      WINOBJ_CENTRED))
            o->fontSize = 20;
    }
    Maker{winMessageTwoLines}.Picture(99, 690, 150, 120, WINOBJ_CENTRED);
    windowList.AddWindow(&winMessageTwoLines);
}

void InitEditorWindows() {
    WriteStartLog("Initializing editor windows...");
    const bool second = myGlobs.secondEdition != 0;
    const uint32_t S = WINSTYLE_ALTBACK;

    winTrackAttrib.Init(T(200), WINDOW_COLOUR, 10, 50, 240, 195, S);
    {
        Maker m{winTrackAttrib};
        m.Text(0, 201, 20, 15);
        m.Edit(1, 30, 40, 100, 20);
        m.TickText(2, 90, 30, 75);
        m.Button(3, 124, 115, 105);
        m.Ok(99, 70, 140);
        m.Cancel(100, 150, 140);
    }
    windowList.AddWindow(&winTrackAttrib);

    winModeMessage.Init(T(195), WINDOW_COLOUR, 200, 200, 250, 170, S);
    {
        Maker m{winModeMessage};
        m.Text(1, 196, 116, 50, WINOBJ_CENTRED);
        m.Ok(99, 110, 100);
    }
    windowList.AddWindow(&winModeMessage);

    winLoadMessage.Init(T(34), WINDOW_COLOUR, 200, 200, 260, 190, S);
    {
        Maker m{winLoadMessage};
        m.Text(1, 196, 121, 55, WINOBJ_CENTRED);
        m.Text(2, 196, 121, 80, WINOBJ_CENTRED);
        m.Ok(99, 115, 125);
    }
    windowList.AddWindow(&winLoadMessage);

    {
        int sw = display.GetScreenWidth(), sh = display.GetScreenHeight();
        if (sw <= 0) sw = 800;
        if (sh <= 0) sh = 600;
        winExitEditor.Init(T(128), WINDOW_COLOUR, sw / 2 - 110, sh / 2 - 170, 220, 170, S);
        Maker m{winExitEditor};
        m.Text(1, 196, 100, 50, WINOBJ_CENTRED);
        m.Ok(99, 70, 100);
        m.Cancel(100, 120, 100);
    }
    windowList.AddWindow(&winExitEditor);

    winSwitchAttrib.Init(T(193), WINDOW_COLOUR, 10, 50, 250, 150, S);
    {
        Maker m{winSwitchAttrib};
        m.Text(0, 194, 20, 0);
        m.Edit(1, 70, 20, 100, 20);
        m.TickText(2, 90, 70, 50);
        m.Ok(99, 90, 95);
        m.Cancel(100, 150, 95);
    }
    windowList.AddWindow(&winSwitchAttrib);

    winCameraPath.Init(T(190), WINDOW_COLOUR, 10, 50, 235, 100, S);
    {
        Maker m{winCameraPath};
        m.Button(1, 191, 60, 10);
        m.Button(2, 192, 160, 10);
        m.Ok(99, 110, 50);
    }
    windowList.AddWindow(&winCameraPath);

    winCameraPathPlay.Init(T(188), WINDOW_COLOUR, 10, 50, 140, 75, S);
    Maker{winCameraPathPlay}.Button(1, 189, 65, 15);
    windowList.AddWindow(&winCameraPathPlay);

    winCameraPathRecord.Init(T(184), WINDOW_COLOUR, 10, 50, 250, 90, S);
    {
        Maker m{winCameraPathRecord};
        m.Text(0, 185, 15, 10);
        winCameraPathRecord.AddWinobj(1, WINOBJ_TEXT, 0, "", 150, 16, 0, 0, 1, 0);
        m.Button(2, 187, 70, 40);
        m.Button(3, 186, 170, 40);
    }
    windowList.AddWindow(&winCameraPathRecord);

    winOptions.Init(T(152), WINDOW_COLOUR, 10, 30, 230, second ? 440 : 415, S);
    {
        Maker m{winOptions};
        auto row = [&m](int text, int id, int y) {
            m.Text(0, text, 20, y);
            m.Tick(id, 175, y);
        };
        row(206, 5, 22);
        row(336, 10, 45);
        m.Text(0, 153, 20, 72);
        m.Slider(2, 100, 76, 100, 0.0f);
        row(380, 14, 97);
        row(381, 15, 122);
        m.Separator(147, 200);
        row(151, 1, 160);
        row(170, 3, 185);
        row(321, 8, 210);
        row(322, 9, 235);
        m.Separator(262, 200);
        row(171, 4, 275);
        row(359, 11, 300);
        row(233, 7, 325);
        row(376, 12, 350);
        // Music exists in the second edition only; the first edition keeps
        // the tick box hidden and shows no label for it.
        if (second) row(377, 13, 375);
        else m.Tick(13, 175, 375);
        m.Ok(99, 100, second ? 397 : 372);
    }
    windowList.AddWindow(&winOptions);

    winBuildChoice.Init(T(174), WINDOW_COLOUR, 10, 50, 230, 150, S);
    {
        Maker m{winBuildChoice};
        m.TickText(1, 172, 20, 15);
        m.TickText(2, 173, 20, 45);
        m.Ok(99, 100, 90);
    }
    windowList.AddWindow(&winBuildChoice);

    winXfileLists.Init(T(166), WINDOW_COLOUR, 200, 110, 350, 265, S);
    {
        Maker m{winXfileLists};
        m.List(1, 25, 25, 280, 170);
        m.Ok(99, 160, 210);
    }
    windowList.AddWindow(&winXfileLists);
    SetWinobjColor(&winXfileLists, 1, 0xFF800000);
    SetWinobjColor(&winXfileLists, 2, 0xFF800000);

    winInfoText.Init(T(130), WINDOW_COLOUR, 200, 110, 400, 180, WINSTYLE_SMALL);
    {
        Maker m{winInfoText};
        for (int i = 0; i < 12; ++i) winInfoText.AddWinobj(1 + i, WINOBJ_TEXT, 0, "", 20, 20 + 20 * i, 0, 0, 1, 0);
        m.Text(13, 290, 160, 130);
        m.Button(18, 180, 265, 260);
        m.Ok(99, 300, 300);
    }
    windowList.AddWindow(&winInfoText);

    winBuildTracks.Init(T(115), WINDOW_COLOUR, 0, 46, 156, 430, S);
    {
        Maker m{winBuildTracks};
        m.List(1, 20, 15, 100, 240);
        // Tool pictures in three rows of three columns, each with a small
        // caption centred under it; the pictures keep their image size.
        const int tools[8][5] = {{2, 635, 142, 17, 253}, {11, 652, 150, 15, 253}, {4, 637, 144, 18, 253},
                                 {6, 639, 146, 12, 297}, {7, 640, 147, 0, 297},   {3, 636, 143, 13, 297},
                                 {10, 642, 149, 14, 341}, {5, 638, 145, 16, 341}};
        const int column[3] = {12, 55, 98};
        for (int i = 0; i < 8; ++i) {
            WINOBJ* picture = m.Picture(tools[i][0], tools[i][1], column[i % 3], tools[i][4]);
            if (!picture) continue;
            m.Caption(tools[i][3], tools[i][2], picture->x + picture->w / 2, picture->y + picture->h);
        }
        // The third row's free column holds the name and turntable tools,
        // one above the other.
        if (WINOBJ* name = m.Picture(8, 628, column[2] + 4, 341)) m.Picture(19, 666, name->x, name->y + name->h + 3);
        m.Ok(9, 65, 388);
    }
    windowList.AddWindow(&winBuildTracks);

    winPutVehicles.Init(T(116), WINDOW_COLOUR, 0, 46, 156, 391, S);
    {
        Maker m{winPutVehicles};
        for (int id = 1; id <= 3; ++id) m.List(id, 20, 15, 100, 230);
        m.Button(6, 112, 70, 255);
        m.Button(7, 113, 70, 282);
        m.Button(8, 114, 70, 309);
        m.Ok(9, 65, 340);
    }
    windowList.AddWindow(&winPutVehicles);

    {
        const bool signs = myGlobs.useSignType != 0;
        const int d = signs ? 25 : 0;
        winPutObj.Init(T(22), WINDOW_COLOUR, 0, 46, 156, 446 + d, S);
        Maker m{winPutObj};
        for (int id : {3, 4, 5, 6, 13, 16}) m.List(id, 20, 15, 100, 230);
        m.Button(7, 104, 70, 255);
        m.Button(14, 105, 70, 280);
        m.Button(8, 107, 70, 305);
        m.Button(11, 106, 70, 330);
        m.Button(12, 108, 70, 355 + d);
        m.Button(17, 392, 70, 355);
        m.SmallText(0, 303, 15, 380 + d);
        m.SmallText(15, 225, 88, 380 + d);
        m.Ok(9, 65, 400 + d);
    }
    windowList.AddWindow(&winPutObj);

    winSelOpt.Init(T(111), WINDOW_COLOUR, 100, 20, 220, 221, S);
    {
        Maker m{winSelOpt};
        const int images[4] = {629, 706, 235, 552};
        for (int i = 0; i < 4; ++i) {
            const int y = 20 + 40 * i;
            m.Tick(2 + 2 * i, 20, y);
            m.Text(1 + 2 * i, 299 + i, 60, y);
            // A picture of the kind beside the row, for show only.
            if (WINOBJ* p = m.Picture(0, images[i], 150, y)) p->enabled = 0;
        }
        m.Ok(9, 100, 180);
    }
    windowList.AddWindow(&winSelOpt);

    winSystemControl.Init(T(110), WINDOW_COLOUR, 100, 20, 180, 261, S);
    {
        Maker m{winSystemControl};
        const int rows[5][3] = {{5, 718, 95}, {1, 625, 125}, {2, 626, 126}, {3, 627, 127}, {4, 698, 166}};
        for (int i = 0; i < 5; ++i) {
            const int y = 15 + 40 * i;
            m.Picture(rows[i][0], rows[i][1], 20, y);
            m.Text(rows[i][0], rows[i][2], 60, y + 8);
        }
        m.Ok(9, 78, 220);
    }
    windowList.AddWindow(&winSystemControl);

    {
        const int dx = second ? 7 : 0;
        winEdTerrain.Init(T(109), WINDOW_COLOUR, 0, 46, second ? 155 : 141, 491, S);
        Maker m{winEdTerrain};
        // Two rows of tools in three columns centred at x 24, 62 and 100,
        // clear of the frame's right column; brush/cell painting (5/6) and
        // grid view (1/2) share their places, one of each pair being shown at
        // a time. Each caption sits under its picture.
        const int column[3] = {12 + dx, 50 + dx, 88 + dx};
        const int tools[8][3] = {{5, 619, 0}, {6, 620, 0}, {1, 610, 1}, {2, 611, 1},
                                 {3, 612, 2}, {4, 613, 3}, {7, 614, 4}, {12, 705, 5}};
        const int captions[6] = {131, 132, 133, 134, 139, 140};
        for (const auto& t : tools) {
            const int place = t[2];
            WINOBJ* picture = m.Picture(t[0], t[1], column[place % 3], place < 3 ? 4 : 45);
            if (picture && (t[0] != 5 && t[0] != 1))
                m.Caption(0, captions[place], picture->x + picture->w / 2, picture->y + picture->h);
        }
        // Shading channels: tick boxes in the colour of their channel after
        // one label; the blur switch with its own label below.
        m.SmallText(0, 403, 6 + dx, 89);
        m.Tick(13, 50 + dx, 87);
        m.Tick(14, 70 + dx, 87);
        m.Tick(15, 90 + dx, 87);
        m.Tick(18, 6 + dx, 108);
        m.SmallText(0, 404, 27 + dx, 110);
        m.Separator(130, 100 + 2 * dx);
        m.Text(0, 141, 6 + dx, 133);
        m.Slider(8, 6 + dx, 153, 96, 0.0f);
        m.Separator(168, 100 + 2 * dx);
        m.Text(0, 135, 6 + dx, 171);
        m.List(11, 5 + dx, 190, 127, 200);
        m.Button(19, 360, 62 + dx, 394);
        m.Button(16, 216, 62 + dx, 417);
        m.SmallText(0, 303, 6 + dx, 445);
        m.SmallText(17, 225, 50 + dx, 445);
        m.Ok(9, 96 + dx, 445);
    }
    windowList.AddWindow(&winEdTerrain);
    SetWinobjColor(&winEdTerrain, 13, 0xFFC02818);
    SetWinobjColor(&winEdTerrain, 14, 0xFF208A28);
    SetWinobjColor(&winEdTerrain, 15, 0xFF2048C8);

    {
        const int powerSet[3] = {10, 11, 12};
        const int switchSet[3] = {28, 29, 30};
        const int detachSet[3] = {35, 36, 37};
        const int ttSet[3] = {387, 388, 391};
        const int soundSet[3] = {394, 395, 396};
        const int objSet[3] = {399, 401, 402};
        const int signalSet[3] = {203, 204, 205};
        const int barrierSet[2] = {210, 211};
        MakeAttribWindow(winAttr, 18, 485, powerSet, 3, true);
        MakeAttribWindow(winSAttr, 20, 475, switchSet, 3, false);
        MakeAttribWindow(winDAttr, 21, 475, detachSet, 3, false);
        MakeAttribWindow(winTtAttr, 386, 475, ttSet, 3, false);
        MakeAttribWindow(winSoundAttr, 393, 475, soundSet, 3, false);
        MakeAttribWindow(winObjAttr, 398, 475, objSet, 3, false, true);
        MakeAttribWindow(winSiAttr, 202, 475, signalSet, 3, false);
        MakeAttribWindow(winBarAttr, 209, 455, barrierSet, 2, false);
    }

    winPowerValue.Init(T(40), WINDOW_COLOUR, 100, 20, 280, 275, S);
    {
        Maker m{winPowerValue};
        m.Text(0, 14, 20, 20);
        m.Edit(1, 35, 50, 100, 20);
        m.Text(0, 41, 35, 95);
        m.Gauge(8, WINOBJ_GAUGE, 145, 75);
        m.Value(22, 185, 95);
        m.TickText(2, 90, 35, 145);
        m.Button(3, 124, 130, 180);
        m.Ok(9, 70, 220);
        m.Cancel(10, 180, 220);
    }
    windowList.AddWindow(&winPowerValue);

    winSkybox.Init(T(375), WINDOW_COLOUR, 270, 160, 216, 270, S);
    {
        Maker m{winSkybox};
        m.List(1, 21, 21, 160, 180);
        m.Ok(9, 95, 215);
    }
    windowList.AddWindow(&winSkybox);

    winLoadFile.Init(T(50), WINDOW_COLOUR, 270, 150, 270, 257, S);
    {
        Maker m{winLoadFile};
        m.List(1, 48, 21, 160, 170);
        m.Ok(9, 80, 205);
        m.Cancel(10, 170, 205);
    }
    windowList.AddWindow(&winLoadFile);

    winSaveFile.Init(T(51), WINDOW_COLOUR, 100, 20, 250, 280, S);
    {
        Maker m{winSaveFile};
        m.List(3, 45, 25, 140, 150);
        m.Text(0, 52, 45, 180);
        m.Edit(1, 45, 200, 100, 25);
        m.Ok(9, 70, 238);
        m.Cancel(10, 150, 238);
    }
    windowList.AddWindow(&winSaveFile);

    winTrackName.Init(T(85), WINDOW_COLOUR, 100, 20, 400, 380, S);
    {
        Maker m{winTrackName};
        m.Edit(1, 15, 80, 100, 30);
        m.Button(2, 94, 200, 150);
        m.Ok(9, 150, 320);
        m.Cancel(10, 250, 320);
    }
    windowList.AddWindow(&winTrackName);

    MakeColourWindow(winTerrobjColor, false);
    MakeColourWindow(winHouseColor, true);
    MakeNameWindow(winDetachAttrib, 70, 71);
    MakeNameWindow(winTtableAttrib, 384, 385);

    winSelectControl.Init(T(72), WINDOW_COLOUR, 100, 20, 170, 215, S);
    {
        Maker m{winSelectControl};
        m.List(1, 25, 20, 100, 150);
        m.Ok(9, 40, 178);
        m.Cancel(10, 100, 178);
    }
    windowList.AddWindow(&winSelectControl);

    winRootcheckEd.Init(T(86), WINDOW_COLOUR, 75, 20, 475, 480, S);
    {
        Maker m{winRootcheckEd};
        m.List(1, 15, 30, 250, 150);
        const int columns[6] = {15, 95, 145, 195, 265, 335};
        for (int i = 0; i < 6; ++i) m.SmallText(0, 98 + i, columns[i], 210);
        m.Edit(2, columns[0], 230, 70, 20);
        m.Tick(3, columns[1], 233, 0, 10);
        m.Tick(4, columns[2], 233, 0, 10);
        m.Edit(5, columns[3], 230, 50, 20);
        m.Edit(6, columns[4], 230, 50, 20);
        m.Tick(7, columns[5], 233, 0, 10);
        m.Button(8, 87, 80, 275);
        m.Button(11, 88, 200, 275);
        m.Button(12, 89, 320, 275);
        m.TickText(13, 91, 15, 315);
        m.TickText(14, 92, 15, 340);
        m.TickText(15, 93, 15, 365, 1);
        m.Ok(9, 180, 415);
        m.Cancel(10, 260, 415);
    }
    windowList.AddWindow(&winRootcheckEd);

    winTableSize.Init(T(95), WINDOW_COLOUR, 100, 20, 280, 250, S);
    {
        Maker m{winTableSize};
        m.Text(0, 96, 20, 20);
        m.Edit(1, 190, 20, 80, 20);
        m.Text(0, 97, 20, 50);
        m.Edit(2, 190, 50, 100, 20);
        m.TickText(3, 207, 20, 90);
        m.TickText(4, 208, 20, 120);
        m.Ok(9, 90, 180);
        m.Cancel(10, 170, 180);
    }
    windowList.AddWindow(&winTableSize);

    winResizeTable.Init(T(216), WINDOW_COLOUR, 100, 20, 260, 200, S);
    {
        Maker m{winResizeTable};
        m.Text(0, 96, 20, 20);
        m.Edit(1, 160, 20, 60, 20);
        m.Text(0, 97, 20, 50);
        m.Edit(2, 160, 50, 60, 20);
        m.Ok(9, 120, 130);
    }
    windowList.AddWindow(&winResizeTable);

    winVehicleAttrib.Init(T(351), WINDOW_COLOUR, 100, 20, 200, 195, S);
    {
        Maker m{winVehicleAttrib};
        m.Text(0, 352, 15, 5);
        for (int i = 0; i < 4; ++i) m.TickText(1 + i, 353 + i, 20, 30 + 25 * i, i == 0);
        m.Ok(9, 60, 145);
        m.Cancel(10, 120, 145);
    }
    windowList.AddWindow(&winVehicleAttrib);

    WriteStartLog("Window init executed...");
}

// ---------------------------------------------------------------------------
// Helpers of the game-state machine

void ShowTwoLineMessageWindow(const char* first, const char* second) {
    SetWinobjText(&winMessageTwoLines, 1, first ? first : "");
    SetWinobjText(&winMessageTwoLines, 2, second ? second : "");
    winMessageTwoLines.Show(0);
}

void ShowInfoWindow(int show) {
    if (show) winInfoPanel.Show(0);
    else winInfoPanel.Hide();
}

void ShowLoadWindow() {
    char pattern[16];
    JoinStrings(pattern, sizeof pattern, "*", GetLayoutExtension());
    FindFiles(pattern);
    FillFileList(&winLoadFile, 1);
    SelectWinListRow(&winLoadFile, 1, 0);
    winLoadFile.Show(2);
}

void StartTableSizeEditing() {
    winTableSize.InitWinobjEdit(1, "4", 2, &myGlobs.pendingKey, "0123456789");
    winTableSize.InitWinobjEdit(2, "3", 2, &myGlobs.pendingKey, "0123456789");
    if (WINOBJ* o = winTableSize.FindWinobj(2))
        if (o->edit) o->edit->active = 0;
}
