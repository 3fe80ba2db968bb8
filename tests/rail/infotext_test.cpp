// Layout description texts: the file next to the layout, its limits and the
// wrapping into lines.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "app/messagequeue.h"
#include "app/myglobs.h"
#include "app/startlog.h"
#include "app/texts.h"
#include "gfx/myfont.h"
#include "rail/highscores.h"
#include "rail/infotext.h"
#include "support/testutil.h"

namespace {

// Glyphs 10 wide and 20 high: 6.6 pixels a character at size 12.
void LoadTestFont() {
    std::string s;
    const char* chars = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789.:,!?";
    int x = 0;
    for (const char* c = chars; *c; ++c) {
        s += std::string(1, *c) + " " + std::to_string(x) + " 0 " + std::to_string(x + 8) + " 18\n";
        x += 10;
    }
    s += "~ 700 0 708 18\n";
    veltest::WriteFile("fontp.txt", s);
    ASSERT_NE(InitFont("fontp", 28, 0), nullptr);
}

int Width(const char* text) {
    int w = 0;
    MeasureFontText("fontp", text, 12, &w, nullptr);
    return w;
}

// The width of a line as the wrapping counts it: each word and each run of
// blanks measured alone; two leading blanks count 8 pixels.
int PieceWidths(const std::string& line) {
    size_t i = 0;
    int total = 0;
    if (line.compare(0, 2, "  ") == 0) {
        total = 8;
        i = 2;
    }
    while (i < line.size()) {
        size_t j = i;
        const bool blank = line[i] == ' ';
        while (j < line.size() && (line[j] == ' ') == blank) j++;
        total += Width(line.substr(i, j - i).c_str());
        i = j;
    }
    return total;
}

// The words of a text in order.
std::string Words(const std::string& text) {
    std::string out, word;
    for (char c : text + " ") {
        if (c == ' ' || c == '\r' || c == '\n') {
            if (!word.empty()) out += word + "|";
            word.clear();
        } else {
            word += c;
        }
    }
    return out;
}

}  // namespace

TEST(InfoText, ShortNamesAndMissingFilesGiveTheDefaultText) {
    veltest::TempDir dir;
    INFO_TEXT info;
    info.Load("a.ro");
    EXPECT_EQ(info.IsLoaded(), 0);
    EXPECT_STREQ(info.GetText(), texts.Get(129));
    info.Load(nullptr);
    EXPECT_EQ(info.IsLoaded(), 0);
    info.Load("nothing.roa");
    EXPECT_EQ(info.IsLoaded(), 0);
    EXPECT_STREQ(info.GetText(), texts.Get(129));
    EXPECT_EQ(info.taskState, 3);
}

TEST(InfoText, TextFileNextToTheLayoutIsReadUpToItsLimit) {
    veltest::TempDir dir;
    veltest::WriteFile("Hills.txt", "Green hills and a long tunnel.");
    INFO_TEXT info;
    info.Load("Hills.roa");
    EXPECT_EQ(info.IsLoaded(), 1);
    EXPECT_STREQ(info.GetText(), "Green hills and a long tunnel.");
    EXPECT_STREQ(info.GetLine(0), "  Green hills and a long tunnel.");
    EXPECT_EQ(info.GetLineCount(), 1);
    EXPECT_STREQ(info.GetLine(1), "");

    veltest::WriteFile("long.txt", std::string(2500, 'x'));
    info.Load("long.roa");
    EXPECT_EQ(std::strlen(info.GetText()), 1900u);
}

TEST(InfoText, LinesBreakAtCharacterLimitsAndLineEnds) {
    // Without the font the pieces have no width: only the 100-character
    // limit of a line counts.
    INFO_TEXT info;
    std::string text;
    for (int i = 0; i < 30; i++) text += "word" + std::to_string(i % 10) + " ";
    info.SetText(("First\r\nSecond\nThird\r" + text).c_str());
    info.Wrap();
    EXPECT_STREQ(info.GetLine(0), "  First");
    EXPECT_STREQ(info.GetLine(1), "  Second");  // CR LF counts once
    EXPECT_STREQ(info.GetLine(2), "  Third");
    EXPECT_EQ(std::strncmp(info.GetLine(3), "  word0 word1", 13), 0);
    for (int i = 0; i < info.GetLineCount(); i++) EXPECT_LT(std::strlen(info.GetLine(i)), 100u);
    // A line begun because the previous one was full starts without blanks
    // and never with the blank that ended the previous one.
    EXPECT_NE(info.GetLine(4)[0], ' ');
    EXPECT_EQ(Words(info.GetLine(3)) + Words(info.GetLine(4)), Words(text));

    // A word of 100 characters or more is dropped.
    info.SetText(("before " + std::string(120, 'q') + " after").c_str());
    info.Wrap();
    EXPECT_EQ(Words(info.GetLine(0)), "before|after|");

    // More than 20 lines are cut at 20.
    std::string many;
    for (int i = 0; i < 30; i++) many += "line" + std::to_string(i) + "\n";
    info.SetText(many.c_str());
    info.Wrap();
    EXPECT_EQ(info.GetLineCount(), 20);
    EXPECT_STREQ(info.GetLine(19), "  line19");
    EXPECT_STREQ(info.GetLine(20), "");
}

TEST(InfoText, LinesStayNarrowerThanTheWindow) {
    veltest::TempDir dir;
    LoadTestFont();
    std::string text;
    for (int i = 0; i < 60; i++) text += std::string(3 + i % 9, static_cast<char>('a' + i % 26)) + "  ";
    INFO_TEXT info;
    info.SetText(text.c_str());
    info.Wrap();
    ASSERT_GT(info.GetLineCount(), 2);
    std::string all;
    for (int i = 0; i < info.GetLineCount(); i++) {
        EXPECT_LT(PieceWidths(info.GetLine(i)), 540) << info.GetLine(i);
        all += std::string(info.GetLine(i)) + " ";
    }
    EXPECT_EQ(Words(all), Words(text));

    // A word of 540 pixels or more is dropped (90 characters: 594 pixels).
    info.SetText(("short " + std::string(90, 'm') + " end").c_str());
    info.Wrap();
    EXPECT_EQ(Words(info.GetLine(0)), "short|end|");
}

TEST(InfoText, StartOfARunResetsTheJourney) {
    veltest::TempDir dir;
    veltest::WriteFile("Town.txt", "A small town.");
    myGlobs.crashState = 1;
    myGlobs.journeyMode = 1;
    myGlobs.freeCamera = 0;
    messageQueue.AddMessage("old");
    ResetJourney("Town.roa");
    EXPECT_EQ(myGlobs.crashState, 0);
    EXPECT_EQ(myGlobs.journeyMode, 0);
    EXPECT_EQ(myGlobs.journeyTrain, nullptr);
    EXPECT_EQ(myGlobs.freeCamera, 1);
    EXPECT_EQ(messageQueue.GetCount(), 0);
    EXPECT_STREQ(infoText.GetText(), "A small town.");
}
