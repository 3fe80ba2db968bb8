// Glyph tables, measuring and line fitting of the bitmap fonts.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

#include "app/startlog.h"
#include "gfx/myfont.h"

namespace {

void WriteFile(const char* name, const std::string& text) {
    FILE* f = std::fopen(name, "wb");
    ASSERT_NE(f, nullptr);
    std::fwrite(text.data(), 1, text.size(), f);
    std::fclose(f);
}

std::string ReadFile(const char* name) {
    std::ifstream in(name, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// A font whose glyphs are all 10 wide (file right = left + 8) and 20 high
// (file bottom = top + 18), except 'W' which is 30 wide, and 'i' which is 4
// wide.
std::string FixedGlyphFile() {
    std::string s;
    const char* chars = "abcdefghjklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVXYZ0123456789.:,!?";
    int x = 0;
    for (const char* c = chars; *c; ++c) {
        s += std::string(1, *c) + " " + std::to_string(x) + " 0 " + std::to_string(x + 8) + " 18\n";
        x += 10;
    }
    s += "~ 700 0 708 18\n";
    s += "W 720 0 748 18\n";
    s += "i 760 0 762 18\n";
    return s;
}

MYFONT* LoadFixedFont(const char* name, int spacing) {
    WriteFile((std::string(name) + ".txt").c_str(), FixedGlyphFile());
    return InitFont(name, 28, spacing);
}

}  // namespace

TEST(MyFontGlyphs, IndexTableCoversLettersDigitsPunctuationAndAccents) {
    EXPECT_EQ(GetGlyphIndex('a'), 0);
    EXPECT_EQ(GetGlyphIndex('z'), 25);
    EXPECT_EQ(GetGlyphIndex('A'), 50);
    EXPECT_EQ(GetGlyphIndex('Z'), 75);
    EXPECT_EQ(GetGlyphIndex('0'), 100);
    EXPECT_EQ(GetGlyphIndex('9'), 109);
    EXPECT_EQ(GetGlyphIndex(' '), 110);
    EXPECT_EQ(GetGlyphIndex('?'), 115);
    EXPECT_EQ(GetGlyphIndex('%'), 145);
    EXPECT_EQ(GetGlyphIndex('/'), 126);
    EXPECT_EQ(GetGlyphIndex(0xF6), 127);
    EXPECT_EQ(GetGlyphIndex(0xC1), 142);
    EXPECT_EQ(GetGlyphIndex(0xCA), 158);
    EXPECT_EQ(GetGlyphIndex(0xC0), 172);
    // Characters without a glyph, and '~' when drawing, take the '?' glyph.
    EXPECT_EQ(GetGlyphIndex('~'), GLYPH_QUESTION);
    EXPECT_EQ(GetGlyphIndex('#'), GLYPH_QUESTION);
    EXPECT_EQ(GetGlyphIndex(0x01), GLYPH_QUESTION);
    EXPECT_EQ(GetGlyphIndex(0xFF), GLYPH_QUESTION);
    // In a glyph file '~' is the space and unknown characters are skipped.
    EXPECT_EQ(GetFileGlyphIndex('~'), GLYPH_SPACE);
    EXPECT_EQ(GetFileGlyphIndex('#'), -1);
    EXPECT_EQ(GetFileGlyphIndex('A'), 50);
}

TEST(MyFontGlyphs, FileParsingStoresOnePastRightAndBottomAndLaterLinesWin) {
    WriteFile("parsefont.txt",
              "A 10 20 19 39\n"
              "~ 1 2 5 8\n"
              "\n"
              "# 0 0 100 100\n"  // no glyph for '#': read and ignored
              "b 5 5 9 9\n"
              "b 40 50 44 60\n"  // replaces the earlier 'b'
              "c 1 2 3\n"        // four tokens: reading stops here
              "d 1 1 5 5\n");
    MYFONT* font = InitFont("parsefont", 28, 0);
    ASSERT_NE(font, nullptr);
    EXPECT_EQ(FindFont("parsefont"), font);

    const int* a = font->glyphs[50];
    EXPECT_EQ(a[0], 10);
    EXPECT_EQ(a[1], 20);
    EXPECT_EQ(a[2], 20);
    EXPECT_EQ(a[3], 40);
    EXPECT_EQ(a[4], 11);
    EXPECT_EQ(a[5], 21);

    RECT r;
    int w = 0, h = 0;
    font->GetGlyph(' ', &r, &w, &h);  // the '~' line
    EXPECT_EQ(r.left, 1);
    EXPECT_EQ(r.right, 6);
    EXPECT_EQ(w, 6);
    EXPECT_EQ(h, 8);

    font->GetGlyph('b', &r, &w, &h);
    EXPECT_EQ(r.left, 40);
    EXPECT_EQ(r.top, 50);
    EXPECT_EQ(w, 6);
    EXPECT_EQ(h, 12);

    // Nothing after the broken line was read.
    font->GetGlyph('d', nullptr, &w, &h);
    EXPECT_EQ(w, 0);
    EXPECT_EQ(h, 0);
    font->GetGlyph('c', nullptr, &w, nullptr);
    EXPECT_EQ(w, 0);
    for (int i = 0; i < MAXGLYPHS; ++i)
        if (i != 50 && i != 1 && i != GLYPH_SPACE) {
            EXPECT_EQ(font->glyphs[i][4], 0) << "glyph " << i;
        }
}

TEST(MyFontGlyphs, NumbersBeyondAnyTextureAreBoundedWhenRead) {
    WriteFile("wildfont.txt",
              "A -2147483648 -2147483648 2147483647 2147483647\n"
              "b 0 0 2147483646 18\n"
              "c 0 5 9 4\n"  // one row high: bottom one above top
              "d 3 4 12 22\n");
    MYFONT* font = InitFont("wildfont", 28, 0);
    ASSERT_NE(font, nullptr);
    RECT r;
    int w = 0, h = 0;
    font->GetGlyph('A', &r, &w, &h);
    EXPECT_EQ(r.left, -16384);
    EXPECT_EQ(r.right, 16385);
    EXPECT_EQ(w, 32770);
    EXPECT_EQ(h, 32770);
    font->GetGlyph('b', &r, &w, &h);
    EXPECT_EQ(r.right, 16385);
    EXPECT_EQ(w, 16386);
    // The lines after the wild ones are read as usual.
    font->GetGlyph('d', &r, &w, &h);
    EXPECT_EQ(r.left, 3);
    EXPECT_EQ(r.bottom, 23);
    EXPECT_EQ(w, 11);
    EXPECT_EQ(h, 20);

    // A long text at a huge size measures to a large width instead of
    // overflowing; the height is the size.
    std::string text(250, 'c');
    int mw = 0, mh = 0;
    MeasureFontText("wildfont", text.c_str(), 2000000000, &mw, &mh);
    EXPECT_GT(mw, 1000000000);
    EXPECT_GT(mh, 1000000000);
    MeasureFontText("wildfont", "bAb", -1, &mw, &mh);
    EXPECT_EQ(mw, 16387 + 32771 + 16387);
    EXPECT_EQ(mh, 32770);
}

TEST(MyFontGlyphs, MissingFileIsLoggedAndTheFontIsNotListed) {
    ResetStartLogForTest("fontlog.txt");
    EXPECT_EQ(InitFont("nosuchfont", 29, -3), nullptr);
    EXPECT_EQ(FindFont("nosuchfont"), nullptr);
    const std::string log = ReadFile("fontlog.txt");
    EXPECT_NE(log.find("Unable to open font file in MYFONT::InitFromFile() !!! -  nosuchfont.txt"), std::string::npos)
        << log;

    // Texts in an unknown font measure nothing and leave the outputs alone.
    int w = 77, h = 88;
    MeasureFontText("nosuchfont", "abc", 20, &w, &h);
    EXPECT_EQ(w, 77);
    EXPECT_EQ(h, 88);
    ResetStartLogForTest(nullptr);
}

TEST(MyFontGlyphs, LookupComparesTheWholeNameWithCase) {
    ASSERT_NE(LoadFixedFont("casefont", 0), nullptr);
    EXPECT_NE(FindFont("casefont"), nullptr);
    EXPECT_EQ(FindFont("CASEFONT"), nullptr);
    EXPECT_EQ(FindFont("casefon"), nullptr);
    EXPECT_EQ(FindFont(nullptr), nullptr);
}

TEST(MyFontMeasure, WidthSumsGlyphsPlusOneAndSpacingScaledBySize) {
    MYFONT* font = LoadFixedFont("measurefont", -3);
    ASSERT_NE(font, nullptr);
    int w = -1, h = -1;
    MeasureFontText("measurefont", "", -1, &w, &h);
    EXPECT_EQ(w, 0);
    EXPECT_EQ(h, 0);
    MeasureFontText("measurefont", "", 25, &w, &h);
    EXPECT_EQ(w, 0);
    EXPECT_EQ(h, 25);

    // Natural size: (10 + 1 - 3) + (30 + 1 - 3) = 36; height the tallest glyph.
    MeasureFontText("measurefont", "aW", -1, &w, &h);
    EXPECT_EQ(w, 36);
    EXPECT_EQ(h, 20);
    // Size 10 halves every glyph of height 20.
    MeasureFontText("measurefont", "aW", 10, &w, &h);
    EXPECT_EQ(w, 18);
    EXPECT_EQ(h, 10);
    // Null outputs are allowed.
    MeasureFontText("measurefont", "aW", 10, nullptr, &h);
    MeasureFontText("measurefont", "aW", 10, &w, nullptr);
}

TEST(MyFontMeasure, EmptyGlyphTakesNoRoomInsteadOfDividingByZero) {
    WriteFile("holefont.txt", "a 0 0 8 18\n");
    MYFONT* font = InitFont("holefont", 28, 0);
    ASSERT_NE(font, nullptr);
    float w = -1.0f, h = -1.0f;
    font->Measure("a#a", 20, &w, &h);  // '#' maps to '?', which has no glyph
    EXPECT_FLOAT_EQ(w, 22.0f);
    EXPECT_FLOAT_EQ(h, 20.0f);
}

namespace {

struct Fit {
    std::string line;
    std::string rest;
};

Fit FitText(const MYFONT* font, const char* text, int size, int limit) {
    char buf[256];
    char rest[256];
    std::strcpy(buf, text);
    std::memset(rest, 'x', sizeof rest);
    font->FitLine(buf, rest, sizeof rest, size, limit);
    return {buf, rest};
}

}  // namespace

TEST(MyFontFitLine, BreaksAtTheLastSpaceBeforeTheLimit) {
    MYFONT* font = LoadFixedFont("fitfont", 0);
    ASSERT_NE(font, nullptr);
    // Every glyph advances 11 at size 20 (10 + spacing 0 + 1).
    // "abc def ghi": the limit ends inside the third word.
    Fit f = FitText(font, "abc def ghi", 20, 95);
    EXPECT_EQ(f.line, "abc def");
    EXPECT_EQ(f.rest, "ghi");

    // A text that fits is kept whole and the rest is empty.
    f = FitText(font, "abc def", 20, 500);
    EXPECT_EQ(f.line, "abc def");
    EXPECT_EQ(f.rest, "");

    // Half size halves the widths, so the whole text fits.
    f = FitText(font, "abc def ghi", 10, 95);
    EXPECT_EQ(f.line, "abc def ghi");
}

TEST(MyFontFitLine, CrLfAndLoneLfEndTheLineWithoutLosingCharacters) {
    MYFONT* font = LoadFixedFont("lffont", 0);
    ASSERT_NE(font, nullptr);
    Fit f = FitText(font, "abc\r\ndef", 20, 500);
    EXPECT_EQ(f.line, "abc");
    EXPECT_EQ(f.rest, "def");

    f = FitText(font, "abc\ndef", 20, 500);
    EXPECT_EQ(f.line, "abc");
    EXPECT_EQ(f.rest, "def");

    // A space earlier in the line does not move a line feed's break.
    f = FitText(font, "ab cd\nef gh", 20, 500);
    EXPECT_EQ(f.line, "ab cd");
    EXPECT_EQ(f.rest, "ef gh");
}

TEST(MyFontFitLine, ForcedBreakKeepsTheCharacterThatDidNotFitForTheNextLine) {
    MYFONT* font = LoadFixedFont("forcefont", 0);
    ASSERT_NE(font, nullptr);
    // No space to break at: "abc" is 33 wide, the 'd' takes it to 44, past
    // the limit of 40, so 'd' starts the next line.
    Fit f = FitText(font, "abcdefgh", 20, 40);
    EXPECT_EQ(f.line, "abc");
    EXPECT_EQ(f.rest, "defgh");
    // Joining line and rest gives back the text.
    EXPECT_EQ(f.line + f.rest, "abcdefgh");

    // A limit narrower than one glyph still leaves one character per line.
    f = FitText(font, "abcd", 20, 0);
    EXPECT_EQ(f.line, "a");
    EXPECT_EQ(f.rest, "bcd");
}

TEST(MyFontFitLine, RestCopyIsBounded) {
    MYFONT* font = LoadFixedFont("boundfont", 0);
    ASSERT_NE(font, nullptr);
    char buf[64] = "ab cdefghijklmnop";
    char rest[6];
    std::memset(rest, 'x', sizeof rest);
    font->FitLine(buf, rest, sizeof rest, 20, 30);
    EXPECT_STREQ(buf, "ab");
    EXPECT_STREQ(rest, "cdefg");
    // Without a rest buffer only the line is cut.
    char buf2[64] = "ab cdefghijklmnop";
    font->FitLine(buf2, nullptr, 0, 20, 30);
    EXPECT_STREQ(buf2, "ab");
}
