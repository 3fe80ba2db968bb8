#include "app/messagequeue.h"

#include <cstring>

#include "app/myglobs.h"
#include "app/startlog.h"
#include "app/texts.h"
#include "app/winmain.h"
#include "gfx/myfont.h"
#include "gfx/display.h"
#include "gfx/screensprites.h"
#include "ui/coordinates.h"

MESSAGE_QUEUE::MESSAGE_QUEUE() { Reset(); }

void MESSAGE_QUEUE::Reset() {
    writeIndex = 0;
    oldestIndex = 0;
    count = 0;
    visibleMax = 3;
}

void MESSAGE_QUEUE::AddMessage(const char* message, uint32_t messageColour, int messageFlags) {
    CopyText(text[writeIndex], MESSAGELEN, message);  // at most 99 characters
    age[writeIndex] = 0;
    colour[writeIndex] = messageColour;
    flags[writeIndex] = messageFlags;
    writeIndex = (writeIndex + 1) % MAXMESSAGES;
    if (count == MAXMESSAGES)
        oldestIndex = writeIndex;
    else
        ++count;
}

uint32_t MESSAGE_QUEUE::AlphaForAge(uint32_t messageAge) {
    if (messageAge < 9001) return 0xff;
    if (messageAge >= 10000) return 0;
    return (10000 - messageAge) / 4;
}

void MESSAGE_QUEUE::Age(uint32_t ms) {
    if (count == 0) return;
    for (int i = 0; i < MAXMESSAGES; ++i) age[i] += ms;
    while (count >= 1 && age[oldestIndex] > 10000) {
        oldestIndex = (oldestIndex + 1) % MAXMESSAGES;
        --count;
    }
}

void MESSAGE_QUEUE::Draw() {
    if (!myGlobs.sceneVisible) return;
    DrawPanel(&textWidth, &panelHeight);
    if (count == 0) return;
    Age(static_cast<uint32_t>(frameTime));
    if (count == 0) return;
    int first = count > visibleMax ? count - visibleMax : 0;
    int y = 2;
    for (int i = first; i < count; ++i) {
        int slot = (oldestIndex + i) % MAXMESSAGES;
        DrawMessage(text[slot], 6, y, age[slot], colour[slot], flags[slot]);
        y += 13;
    }
}

void MESSAGE_QUEUE::DrawMessage(const char* message, int x, int y, uint32_t messageAge, uint32_t messageColour,
                                int messageFlags) {
    uint32_t c = (messageColour & 0x00ffffff) | (AlphaForAge(messageAge) << 24);
    char line[MESSAGELEN + 4];
    JoinStrings(line, sizeof line, (messageFlags & 1) ? "   " : "- ", message);
    DrawFontText(x, y, line, "font_taho", 17, c, 0, textWidth);
}

void MESSAGE_QUEUE::DrawPanel(int* width, int* height) {
    int middle = 300;
    if (display.IsFullscreen()) {
        int extra = display.GetScreenWidth() - 800;
        middle += extra < 0 ? 0 : extra > 200 ? 200 : extra;
    }
    RECT left{}, right{};
    GetCoordinates(691, &left, nullptr);
    GetCoordinates(693, &right, nullptr);
    int leftW = left.right - left.left;
    int rightW = right.right - right.left;
    DrawImage(691, 0, 0, 10, 0xffffffff);
    DrawImageHStretch(692, leftW, 0, middle, 10);
    DrawImage(693, leftW + middle, 0, 10, 0xffffffff);
    const char* title = texts.Get(324);
    int titleW = 0;
    MeasureFontText("fontp", title, 35, &titleW, nullptr);
    DrawFontText((middle - titleW) / 2 + 5, 7, title, "fontp", 35, 0x10004080, 0, -1);
    *width = leftW + middle + rightW - 6;
    *height = (left.bottom - left.top) - 6;
}
