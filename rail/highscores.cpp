// High-score table and the start of a layout run.
#include "rail/highscores.h"

#include <cstdio>
#include <cstring>

#include "app/messagequeue.h"
#include "app/myglobs.h"
#include "app/startlog.h"
#include "app/texts.h"
#include "app/winmain.h"
#include "gfx/myfont.h"
#include "platform/paths.h"
#include "rail/infotext.h"
#include "rail/track.h"

namespace {

constexpr const char* HIGHSCOREFILE = "highscores.bin";
constexpr int HIGHSCORESTATE = 24;
constexpr int FILESIZE = HIGHSCORECOUNT * HIGHSCORERECORDSIZE;

}  // namespace

HIGHSCORES::HIGHSCORES() { Load(); }

void HIGHSCORES::SetDefaults() {
    for (int i = 0; i < HIGHSCORECOUNT; i++) {
        records[i] = HIGHSCORE_RECORD{};
        CopyText(records[i].name, HIGHSCORENAMELEN, "Anonymous");
        records[i].score = 150 - 10 * i;
    }
}

int HIGHSCORES::Load() {
    unsigned char b[FILESIZE];
    if (FILE* file = plat::OpenFile(HIGHSCOREFILE, "rb")) {
        const size_t got = std::fread(b, 1, FILESIZE, file);
        std::fclose(file);
        if (got != static_cast<size_t>(FILESIZE)) {
            // A short file is left as it is; the table shows the defaults.
            WriteStartLog("highscores.bin is cut short, the default table is used");
            SetDefaults();
            return 0;
        }
        for (int i = 0; i < HIGHSCORECOUNT; i++) {
            const unsigned char* r = b + i * HIGHSCORERECORDSIZE;
            std::memcpy(records[i].name, r, HIGHSCORENAMELEN);
            records[i].name[HIGHSCORENAMELEN - 1] = '\0';
            records[i].score = recordio::GetInt(r + HIGHSCORENAMELEN);
        }
        return 1;
    }
    SetDefaults();
    std::memset(b, 0, sizeof b);
    for (int i = 0; i < HIGHSCORECOUNT; i++) {
        unsigned char* r = b + i * HIGHSCORERECORDSIZE;
        std::memcpy(r, records[i].name, HIGHSCORENAMELEN);
        recordio::PutInt(r + HIGHSCORENAMELEN, records[i].score);
    }
    FILE* file = plat::OpenFile(HIGHSCOREFILE, "wb");
    bool written = false;
    if (file) {
        written = std::fwrite(b, 1, FILESIZE, file) == static_cast<size_t>(FILESIZE);
        if (std::fclose(file) != 0) written = false;
        if (!written) std::remove(plat::ResolvePath(HIGHSCOREFILE).c_str());
    }
    if (!written) WriteStartLog("Unable to create highscores.bin in HIGHSCORES::HIGHSCORES()!!!");
    return 0;
}

const char* HIGHSCORES::GetName(int i) const { return (i >= 0 && i < HIGHSCORECOUNT) ? records[i].name : ""; }

int HIGHSCORES::GetScore(int i) const { return (i >= 0 && i < HIGHSCORECOUNT) ? records[i].score : 0; }

void HIGHSCORES::Draw() {
    if (gameState != HIGHSCORESTATE) return;
    DrawFontText(330, 60, texts.Get(292), "font_ocra", -1, 0xFFFFFFFF, 0, -1);
    for (int i = 0; i < HIGHSCORECOUNT; i++) {
        int g = (15 - i) * 128 / 15 + 128;
        if (g > 255) g = 255;
        const DWORD colour = 0xFF000000u | (DWORD(g) << 16) | (DWORD(g) << 8) | DWORD(g);
        const int y = 100 + 18 * i;
        char text[32];
        std::snprintf(text, sizeof text, "%d.", i + 1);
        DrawFontText(290, y, text, "fontp", 15, colour, 0, -1);
        DrawFontText(320, y, records[i].name, "font2", -1, colour, 0, -1);
        std::snprintf(text, sizeof text, "$%d", records[i].score);
        int width = 0;
        MeasureFontText("fontp", text, 15, &width, nullptr);
        DrawFontText(520 - width, y, text, "fontp", 15, colour, 0, -1);
    }
}

void ResetJourney(const char* layoutFileName) {
    myGlobs.crashState = 0;
    myGlobs.crashedTrain = nullptr;
    infoText.Load(layoutFileName);
    myGlobs.freeCamera = 1;
    myGlobs.journeyMode = 0;
    myGlobs.journeyTrain = nullptr;
    messageQueue.Reset();
}
