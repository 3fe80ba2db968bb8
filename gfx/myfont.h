// Bitmap fonts: a glyph texture in a global texture slot and a text file that
// gives each glyph's rectangle. Every character becomes one quad of the
// screen sprites.
#pragma once

#include <cstdio>

#include "platform/win32.h"

constexpr int MAXGLYPHS = 200;
constexpr int FONTNAMELEN = 64;
constexpr int GLYPH_QUESTION = 115;  // '?' and every character without a glyph
constexpr int GLYPH_SPACE = 110;

// Glyph index of a character when drawing; GLYPH_QUESTION for characters
// outside the table.
int GetGlyphIndex(unsigned char c);
// Glyph index of a character in a glyph file ('~' stands for the space);
// -1 for characters outside the table.
int GetFileGlyphIndex(unsigned char c);

class MYFONT {
public:
    MYFONT();

    // Fills the record from "<name>.txt" and links it into the font list.
    // Answers 1, or 0 (logged, not linked) when the file cannot be opened.
    int InitFromFile(const char* fontName, int slot, int fontSpacing);
    // Reads glyph lines from an open file (stops at the first line that does
    // not hold five tokens).
    void ReadGlyphs(FILE* file);

    // The glyph of a character: rectangle (right and bottom inclusive), width
    // and height. Outputs may be null.
    void GetGlyph(unsigned char c, RECT* rect, int* width, int* height) const;

    void DrawLine(float x, float y, const char* text, int size, DWORD colour, int mode) const;
    void Measure(const char* text, int size, float* width, float* height) const;
    // Cuts text (in place) to the part that fits widthLimit; the rest of the
    // text, when asked for, is copied to rest (restSize bytes, terminated).
    void FitLine(char* text, char* rest, int restSize, int size, int widthLimit) const;

    MYFONT* next = nullptr;
    int glyphs[MAXGLYPHS][6] = {};  // left, top, right, bottom, width, height
    char name[FONTNAMELEN] = {};
    int textureSlot = 0;
    int spacing = 0;
};

// The font list (new fonts go to the front).
MYFONT* GetFontList();
MYFONT* FindFont(const char* fontName);
// Unlinks and frees every font (tests and shut-down).
void ReleaseFonts();

void InitFonts();
MYFONT* InitFont(const char* fontName, int slot, int fontSpacing);

void DrawFontText(int x, int y, const char* text, const char* fontName, int size, DWORD colour, int mode,
                  int widthLimit);
void DrawFontTextCentered(int y, const char* text, const char* fontName, int size, DWORD colour, int mode);
void DrawFontNumber(int x, int y, int number, const char* fontName, int size, DWORD colour, int mode);
void DrawFontTextBiased(int x, int y, const char* text, const char* fontName, int size, DWORD colour, int mode,
                        int widthLimit);
void MeasureFontText(const char* fontName, const char* text, int size, int* width, int* height);
// A text as a camera-facing billboard at a world point; size 1 is 1/30 world
// unit per glyph pixel; line n moves the text up by n line heights.
void DrawFontTextBox(const char* text, float x, float y, float z, DWORD colour, int mode, float size,
                     const char* fontName, int line);
