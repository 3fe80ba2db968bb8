// Font glyph tables: the input is read as a font's glyph file, and texts
// with every glyph are drawn (screen-fixed and batched), measured, fitted
// into lines and drawn as billboards.
#include <cstdio>
#include <cstring>
#include <string>

#include "fuzz/fuzz_support.h"
#include "gfx/myfont.h"
#include "gfx/screensprites.h"
#include "gfx/texturemanager.h"

namespace {

// Every byte value once, then words and line breaks.
std::string SampleText() {
    std::string s;
    for (int c = 1; c < 256; ++c) s.push_back(char(c));
    return s + " Velmarine 0123456789 ~ a\r\nb c\nlong words that must be broken";
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (!velfuzz::StartProgram()) return 0;
    velfuzz::WriteInput("fuzzfont.txt", data, size);
    // The first input makes the font; later ones read their glyph table into
    // the same record, since fonts are never taken out of the font list.
    static MYFONT* font = nullptr;
    if (!font) {
        font = InitFont("fuzzfont", GTEX_FONTP, -3);
        if (!font) return 0;
    } else {
        std::memset(font->glyphs, 0, sizeof font->glyphs);
        FILE* file = std::fopen("fuzzfont.txt", "rt");
        if (!file) return 0;
        font->ReadGlyphs(file);
        std::fclose(file);
    }
    static const std::string text = SampleText();
    for (int sprites = 0; sprites < 2; ++sprites) {
        screenSprites.SetUseSpriteBatch(sprites);
        for (int size : {-1, 1, 18, 300}) {
            DrawFontText(10, 20, text.c_str(), "fuzzfont", size, 0xFFFFFFFFu, 0, -1);
            DrawFontText(10, 40, text.c_str(), "fuzzfont", size, 0xFFFFFFFFu, 0, 200);
            DrawFontTextCentered(60, "Centred", "fuzzfont", size, 0xFFFFFFFFu, 0);
            int w = 0, h = 0;
            MeasureFontText("fuzzfont", text.c_str(), size, &w, &h);
            char line[256];
            char rest[256];
            std::strncpy(line, text.c_str() + 100, sizeof line - 1);
            line[sizeof line - 1] = '\0';
            font->FitLine(line, rest, sizeof rest, size, 150);
        }
    }
    screenSprites.SetUseSpriteBatch(0);
    DrawFontTextBox(text.c_str(), 1.0f, 2.0f, -3.0f, 0xFFFFFFFFu, 0, 20.0f, "fuzzfont", 1);
    velfuzz::RunFrames(1);
    return 0;
}
