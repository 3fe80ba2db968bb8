// Layout description texts.
#include "rail/infotext.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "app/startlog.h"
#include "app/texts.h"
#include "gfx/myfont.h"
#include "platform/paths.h"
#include "ui/windefs.h"
#include "ui/window.h"

INFO_TEXT::INFO_TEXT() {}

void INFO_TEXT::SetText(const char* newText) { CopyText(text, sizeof text, newText ? newText : ""); }

const char* INFO_TEXT::GetLine(int i) const { return (i >= 0 && i < lineCount) ? lines[i] : ""; }

void INFO_TEXT::Load(const char* layoutFileName) {
    bLoaded = 0;
    if (layoutFileName && std::strlen(layoutFileName) > 4) {
        std::string name(layoutFileName);
        name.replace(name.size() - 3, 3, "txt");
        if (FILE* file = plat::OpenFile(name.c_str(), "rb")) {
            int n = 0;
            int c;
            while (n < INFOTEXTLEN && (c = std::fgetc(file)) != EOF) text[n++] = static_cast<char>(c);
            text[n] = '\0';
            std::fclose(file);
            bLoaded = 1;
        }
    }
    if (!bLoaded) SetText(texts.Get(129));
    Wrap();
    for (int i = 0; i < INFOTEXTSHOWNLINES; i++) SetWinobjText(&winInfoText, i + 1, GetLine(i));
}

void INFO_TEXT::Wrap() {
    std::memset(lines, 0, sizeof lines);
    int line = 0;
    int pixels = 0;
    int chars = 0;
    // A line after a line break starts with two blanks, one begun because the
    // previous one was full starts empty.
    auto startLine = [&](bool afterBreak) {
        if (afterBreak) {
            std::strcpy(lines[line], "  ");
            pixels = 8;
            chars = 2;
        } else {
            lines[line][0] = '\0';
            pixels = 0;
            chars = 0;
        }
    };
    auto nextLine = [&](bool afterBreak) {
        if (++line < INFOTEXTLINES) startLine(afterBreak);
    };
    startLine(true);

    const char* p = text;
    char piece[INFOTEXTLINELEN];
    while (*p && line < INFOTEXTLINES) {
        if (*p == '\r' || *p == '\n') {
            if (p[0] == '\r' && p[1] == '\n') p++;
            p++;
            nextLine(true);
            continue;
        }
        const bool blanks = *p == ' ';
        const char* q = p;
        if (blanks) {
            while (*q == ' ') q++;
        } else {
            while (*q && *q != ' ' && *q != '\r' && *q != '\n') q++;
        }
        const int len = static_cast<int>(q - p);
        int width = 0;
        if (len < INFOTEXTLINELEN) {
            std::memcpy(piece, p, len);
            piece[len] = '\0';
            MeasureFontText("fontp", piece, 12, &width, nullptr);
        }
        if (len >= INFOTEXTLINELEN || width >= INFOTEXTWIDTH) {
            // Too long for any line: a word is dropped, a run of blanks ends
            // the line as well.
            if (blanks) nextLine(false);
            p = q;
            continue;
        }
        if (pixels + width < INFOTEXTWIDTH && chars + len < INFOTEXTLINELEN) {
            std::memcpy(lines[line] + chars, piece, len + 1);
            chars += len;
            pixels += width;
            p = q;
            continue;
        }
        // The piece does not fit: a word moves to the next line, blanks go.
        nextLine(false);
        if (blanks) p = q;
    }
    lineCount = line < INFOTEXTLINES ? line + 1 : INFOTEXTLINES;
}
