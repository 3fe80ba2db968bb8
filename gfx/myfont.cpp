#include "gfx/myfont.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <new>

#include "app/myglobs.h"
#include "app/startlog.h"
#include "app/texts.h"
#include "gfx/display.h"
#include "gfx/screensprites.h"
#include "gfx/texturemanager.h"
#include "platform/paths.h"

namespace {

MYFONT* fontList = nullptr;

// Characters of glyph indices 110 and up, in index order (Windows-1250 bytes
// for the accented letters).
constexpr unsigned char EXTRA_GLYPHS[] = {
    ' ',  '.',  ':',  ',',  '!',  '?',  '=',  '+',  '-',  '_',  ';',  '$',  '*',  '(',  ')',  '\\',
    '/',  0xF6, 0xFC, 0xF3, 0xF5, 0xFA, 0xE9, 0xE1, 0xFB, 0xED, 0xD6, 0xDC, 0xD3, 0xD5, 0xDA, 0xC9,
    0xC1, 0xDB, 0xCD, '%',  0xE4, 0xDF, 0xB9, 0xE6, 0xEA, 0xB3, 0xF1, 0x9C, 0xBF, 0x9F, 0xA5, 0xC6,
    0xCA, 0xA3, 0xD1, 0x8C, 0xAF, 0x8F, 0xF9, 0xD9, 0x92, 0xE8, 0xC8, 0xF2, 0xD2, 0xE0, 0xC0};
static_assert(sizeof(EXTRA_GLYPHS) == 173 - 110, "glyph table runs from 110 to 172");

// Character code -> glyph index, -1 for characters without a glyph.
std::array<int, 256> BuildGlyphTable() {
    std::array<int, 256> t{};
    t.fill(-1);
    for (int c = 'a'; c <= 'z'; ++c) t[c] = c - 'a';
    for (int c = 'A'; c <= 'Z'; ++c) t[c] = 50 + c - 'A';
    for (int c = '0'; c <= '9'; ++c) t[c] = 100 + c - '0';
    for (size_t i = 0; i < sizeof(EXTRA_GLYPHS); ++i) t[EXTRA_GLYPHS[i]] = 110 + static_cast<int>(i);
    return t;
}

const std::array<int, 256>& GlyphTable() {
    static const std::array<int, 256> table = BuildGlyphTable();
    return table;
}

// Glyph coordinates are texels of the font texture; values beyond any texture
// are cut to this, so that the widths computed from them stay in range.
constexpr int kGlyphCoordLimit = 16384;

int ClampGlyphCoord(int v) { return std::clamp(v, -kGlyphCoordLimit, kGlyphCoordLimit); }

// Truncation to int for screen positions and sizes. Values far off any screen
// (very long texts at large sizes) stop at +-2^30, so that small offsets added
// to the result stay in range; NaN gives 0.
int TruncateToInt(float v) {
    constexpr float kLimit = 1073741824.0f;
    if (v != v) return 0;
    return static_cast<int>(std::clamp(v, -kLimit, kLimit));
}

}  // namespace

int GetGlyphIndex(unsigned char c) {
    const int i = GlyphTable()[c];
    return i < 0 ? GLYPH_QUESTION : i;
}

int GetFileGlyphIndex(unsigned char c) {
    if (c == '~') return GLYPH_SPACE;
    if (c == ' ') return -1;  // a file token is never a blank
    return GlyphTable()[c];
}

MYFONT::MYFONT() = default;

void MYFONT::ReadGlyphs(FILE* file) {
    char line[512];
    while (std::fgets(line, sizeof line, file)) {
        // Lines longer than the buffer are treated as broken.
        if (!std::strchr(line, '\n') && !std::feof(file)) break;
        const char* p = line;
        while (*p == ' ' || *p == '\t' || *p == '\r' || *p == '\n') ++p;
        if (*p == '\0') continue;  // blank line
        char token[256];
        int left, top, right, bottom;
        if (std::sscanf(line, "%255s %d %d %d %d", token, &left, &top, &right, &bottom) != 5) break;
        const int index = GetFileGlyphIndex(static_cast<unsigned char>(token[0]));
        if (index < 0 || index >= MAXGLYPHS) continue;
        int* g = glyphs[index];
        g[0] = ClampGlyphCoord(left);
        g[1] = ClampGlyphCoord(top);
        g[2] = ClampGlyphCoord(right) + 1;
        g[3] = ClampGlyphCoord(bottom) + 1;
        g[4] = g[2] - g[0] + 1;
        g[5] = g[3] - g[1] + 1;
    }
}

int MYFONT::InitFromFile(const char* fontName, int slot, int fontSpacing) {
    if (!fontName) return 0;
    CopyText(name, FONTNAMELEN, fontName);
    textureSlot = slot;
    spacing = fontSpacing;
    char fileName[FONTNAMELEN + 8];
    JoinStrings(fileName, sizeof fileName, name, ".txt");
    FILE* file = plat::OpenFile(fileName, "rt");
    if (!file) {
        WriteStartLog("Unable to open font file in MYFONT::InitFromFile() !!! -  ", NOLINEEND);
        WriteStartLog(fileName);
        return 0;
    }
    ReadGlyphs(file);
    std::fclose(file);
    next = fontList;
    fontList = this;
    return 1;
}

void MYFONT::GetGlyph(unsigned char c, RECT* rect, int* width, int* height) const {
    const int* g = glyphs[GetGlyphIndex(c)];
    if (rect) {
        rect->left = g[0];
        rect->top = g[1];
        rect->right = g[2];
        rect->bottom = g[3];
    }
    if (width) *width = g[4];
    if (height) *height = g[5];
}

void MYFONT::DrawLine(float x, float y, const char* text, int size, DWORD colour, int mode) const {
    if (!text || !*text) return;
    int h0 = 0;
    GetGlyph(static_cast<unsigned char>(text[0]), nullptr, nullptr, &h0);
    if (h0 <= 0) return;  // a font without a usable first glyph draws nothing
    const float s = size == -1 ? 1.0f : static_cast<float>(size) / static_cast<float>(h0);
    const bool useSprites = screenSprites.GetUseSpriteBatch() == 1;
    float pen = x;
    for (const char* p = text; *p; ++p) {
        RECT r;
        int w, h;
        GetGlyph(static_cast<unsigned char>(*p), &r, &w, &h);
        const float drawnWidth = static_cast<float>(w) * s;
        const int drawnHeight = size == -1 ? h : size;
        if (useSprites) {
            screenSprites.AddSprite(pen, y, pen + drawnWidth, y + static_cast<float>(drawnHeight), r.left, r.top,
                                    r.right, r.bottom, textureSlot, colour, mode);
        } else {
            const int x1 = TruncateToInt(pen + 0.49f);
            const int x2 = TruncateToInt(pen + drawnWidth + 0.49f) - 1;
            const int iy = TruncateToInt(y);
            screenSprites.AddScreenfixSprite(x1, iy, x2, iy + drawnHeight - 1, r.left, r.top, r.right, r.bottom,
                                             textureSlot, colour, mode);
        }
        pen += (static_cast<float>(w) + 1.0f + static_cast<float>(spacing)) * s;
    }
}

void MYFONT::Measure(const char* text, int size, float* width, float* height) const {
    float w = 0.0f;
    int hMax = 0;
    if (text) {
        for (const char* p = text; *p; ++p) {
            int gw, gh;
            GetGlyph(static_cast<unsigned char>(*p), nullptr, &gw, &gh);
            if (gh > hMax) hMax = gh;
            float s = 1.0f;
            if (size != -1) {
                if (gh <= 0) continue;  // an empty glyph takes no room
                s = static_cast<float>(size) / static_cast<float>(gh);
            }
            w += (static_cast<float>(gw) + 1.0f) * s + static_cast<float>(spacing) * s;
        }
    }
    if (width) *width = w;
    if (height) *height = size == -1 ? static_cast<float>(hMax) : static_cast<float>(size);
}

void MYFONT::FitLine(char* text, char* rest, int restSize, int size, int widthLimit) const {
    if (rest && restSize > 0) rest[0] = '\0';
    if (!text || !*text) return;
    int h0 = 0;
    GetGlyph(static_cast<unsigned char>(text[0]), nullptr, nullptr, &h0);
    const float s = (size == -1 || h0 <= 0) ? 1.0f : static_cast<float>(size) / static_cast<float>(h0);
    const float limit = static_cast<float>(widthLimit);

    float running = 0.0f;
    int breakPos = -1;
    int i = 0;
    while (running <= limit && text[i] != '\0' && text[i] != '\n') {
        if ((text[i] == ' ' && text[i + 1] != '\0') || text[i] == '\r') breakPos = i;
        int w;
        GetGlyph(static_cast<unsigned char>(text[i]), nullptr, &w, nullptr);
        running += (static_cast<float>(w) + static_cast<float>(spacing)) * s + s;
        ++i;
    }
    if (text[i] == '\0') return;  // the whole text fits

    int restStart;
    if (text[i] == '\n') {
        // A line feed ends the line where it stands; a CR before it goes too.
        breakPos = (i > 0 && text[i - 1] == '\r') ? i - 1 : i;
        restStart = i + 1;
    } else if (breakPos > 0) {
        restStart = breakPos + 1;
    } else {
        // One word longer than the limit: break before the character that did
        // not fit, and keep it for the next line (at least one character
        // stays on this line so that callers always make progress).
        breakPos = i - 1 > 0 ? i - 1 : 1;
        restStart = breakPos;
    }
    if (rest && restSize > 0) CopyText(rest, restSize, text + restStart);
    text[breakPos] = '\0';
}

MYFONT* GetFontList() { return fontList; }

MYFONT* FindFont(const char* fontName) {
    if (!fontName) return nullptr;
    for (MYFONT* f = fontList; f; f = f->next)
        if (std::strcmp(f->name, fontName) == 0) return f;
    return nullptr;
}

void ReleaseFonts() {
    while (fontList) {
        MYFONT* f = fontList;
        fontList = f->next;
        delete f;
    }
}

MYFONT* InitFont(const char* fontName, int slot, int fontSpacing) {
    MYFONT* font = new (std::nothrow) MYFONT();
    if (!font) {
        WriteStartLog("Out of memory in InitFont() !!!");
        return nullptr;
    }
    if (!font->InitFromFile(fontName, slot, fontSpacing)) {
        delete font;
        return nullptr;
    }
    return font;
}

void InitFonts() {
    struct FontSpec {
        const char* name;
        const char* texture;
        int slot;
        int spacing;
        bool secondOnly;
    };
    static const FontSpec fonts[] = {
        {"fontp", "\\objects\\bitmaps\\fontp.dds", 28, 0, false},
        {"font_taho", "\\objects\\bitmaps\\font_taho.dds", 29, -3, false},
        {"font_taho2", "\\objects\\bitmaps\\font_taho2.dds", 30, -3, false},
        {"font_caption", "\\objects\\bitmaps\\font_caption.dds", 36, -3, true},
    };
    for (const FontSpec& f : fonts) {
        if (f.secondOnly && myGlobs.firstEdition) continue;
        InitFont(f.name, f.slot, f.spacing);
        textureManager.AddGTexture(display.GetDevice(), f.texture, f.slot, display.GetTextureFormat(), 1);
    }
}

void DrawFontText(int x, int y, const char* text, const char* fontName, int size, DWORD colour, int mode,
                  int widthLimit) {
    MYFONT* font = FindFont(fontName);
    if (!font || !text || !*text) return;
    if (widthLimit == -1) {
        font->DrawLine(static_cast<float>(x), static_cast<float>(y), text, size, colour, mode);
        return;
    }
    char line[256];
    CopyText(line, sizeof line, text);
    font->FitLine(line, nullptr, 0, size, widthLimit);
    font->DrawLine(static_cast<float>(x), static_cast<float>(y), line, size, colour, mode);
}

void DrawFontTextCentered(int y, const char* text, const char* fontName, int size, DWORD colour, int mode) {
    if (!FindFont(fontName)) return;
    int width = 0;
    MeasureFontText(fontName, text, size, &width, nullptr);
    DrawFontText(400 - width / 2, y, text, fontName, size, colour, mode, -1);
}

void DrawFontNumber(int x, int y, int number, const char* fontName, int size, DWORD colour, int mode) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%d", number);
    DrawFontText(x, y, buf, fontName, size, colour, mode, -1);
}

void DrawFontTextBiased(int x, int y, const char* text, const char* fontName, int size, DWORD colour, int mode,
                        int widthLimit) {
    if (!text) return;
    DrawFontText(x + texts.GetTextBias(text), y, text, fontName, size, colour, mode, widthLimit);
}

void MeasureFontText(const char* fontName, const char* text, int size, int* width, int* height) {
    MYFONT* font = FindFont(fontName);
    if (!font) return;
    float w = 0.0f, h = 0.0f;
    font->Measure(text, size, &w, &h);
    if (width) *width = TruncateToInt(w);
    if (height) *height = TruncateToInt(h);
}

void DrawFontTextBox(const char* text, float x, float y, float z, DWORD colour, int mode, float size,
                     const char* fontName, int line) {
    MYFONT* font = FindFont(fontName);
    if (!font || !text || !*text) return;
    float g = size / 30.0f;
    if (mode & SPRITEMODE_DISTANCE) {
        D3DXVECTOR3 eye(0.0f, 0.0f, 0.0f);
        display.GetCamera(&eye, nullptr, nullptr);
        const float dx = x - eye.x, dy = y - eye.y, dz = z - eye.z;
        g *= std::sqrt(std::sqrt(dx * dx + dy * dy + dz * dz)) / 10.0f;
    }
    float textWidth = 0.0f, textHeight = 0.0f;
    font->Measure(text, -1, &textWidth, &textHeight);
    const D3DXVECTOR3 point(x, y, z);
    const float upper = g * (static_cast<float>(line) + 0.5f) * textHeight;
    const float lower = upper - g * textHeight;
    float pen = -g * textWidth / 2.0f;
    bool first = true;
    for (const char* p = text; *p; ++p) {
        RECT r;
        int w;
        font->GetGlyph(static_cast<unsigned char>(*p), &r, &w, nullptr);
        const int added = screenSprites.AddOrientedSprite(pen, upper, pen + g * static_cast<float>(w), lower, r.left,
                                                          r.top, r.right, r.bottom, point, first ? 1 : 0,
                                                          font->textureSlot, colour, mode, 2, 1.0f);
        // Without its own run the rest of the text would join another label.
        if (first && !added) return;
        first = false;
        pen += g * (static_cast<float>(w) + 1.0f);
    }
}
