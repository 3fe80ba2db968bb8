// Interface element coordinates: the sheet table, screen places, fallbacks,
// image offsets and the interface image drawing.
#include "support/display_support.h"
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <vector>

#include "app/myglobs.h"
#include "gfx/display.h"
#include "gfx/screensprites.h"
#include "platform/window.h"
#include "ui/coordinates.h"

namespace {

RECT Source(int id) {
    RECT r{-1, -1, -1, -1};
    GetCoordinates(id, &r, nullptr);
    return r;
}

bool Overlap(const RECT& a, const RECT& b) {
    return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

}  // namespace

TEST(Coordinates, SheetRectanglesLieInsideTheSheetWithoutOverlapInBothEditions) {
    const int* ids = nullptr;
    const int count = GetKnownInterfaceIds(&ids);
    ASSERT_GT(count, 150);
    for (int edition = 1; edition >= 0; --edition) {
        myGlobs.firstEdition = edition;
        std::vector<RECT> seen;
        for (int i = 0; i < count; ++i) {
            const int id = ids[i];
            if (id == 310) continue;
            const RECT r = Source(id);
            EXPECT_GE(r.left, 0) << id;
            EXPECT_GE(r.top, 0) << id;
            EXPECT_LE(r.right, INTERFACE_SHEET_WIDTH) << id;
            EXPECT_LE(r.bottom, INTERFACE_SHEET_HEIGHT) << id;
            EXPECT_GT(r.right, r.left) << id;
            EXPECT_GT(r.bottom, r.top) << id;
            for (size_t k = 0; k < seen.size(); ++k) {
                // The sky box pair shares one face in the second edition.
                if (!edition && (id == 232) && std::memcmp(&seen[k], &r, sizeof r) == 0) continue;
                EXPECT_FALSE(Overlap(seen[k], r)) << "id " << id << " edition " << edition;
            }
            seen.push_back(r);
        }
    }
    myGlobs.firstEdition = 1;
}

TEST(Coordinates, FixedRowsAndWidgetSizes) {
    struct Row {
        int id;
        RECT r;
    };
    const Row first[] = {{206, {927, 0, 957, 30}},     {223, {880, 62, 910, 92}},   {232, {880, 31, 910, 61}},
                         {560, {478, 327, 500, 349}},  {562, {1004, 31, 1017, 43}}, {567, {715, 1, 727, 13}},
                         {588, {0, 0, 256, 128}},      {604, {704, 102, 859, 259}}, {623, {656, 150, 681, 159}}};
    for (const Row& row : first) {
        const RECT r = Source(row.id);
        EXPECT_EQ(std::memcmp(&r, &row.r, sizeof r), 0) << row.id;
    }
    auto size = [](int id, int w, int h) {
        const RECT r = Source(id);
        EXPECT_EQ(r.right - r.left, w) << id;
        EXPECT_EQ(r.bottom - r.top, h) << id;
    };
    size(561, 22, 22);
    size(563, 13, 12);
    size(564, 25, 55);
    size(565, 23, 55);
    size(566, 11, 5);
    size(568, 12, 12);
    size(605, 12, 37);
    size(606, 12, 4);
    size(569, 6, 20);
    size(624, 3, 4);
    size(668, 34, 32);
    size(672, 24, 12);
    size(597, 47, 47);
    size(690, 27, 20);

    myGlobs.firstEdition = 0;
    const RECT q = Source(206);
    EXPECT_EQ(q.left, 318);
    EXPECT_EQ(q.top, 94);
    size(560, 20, 20);
    size(562, 17, 17);
    size(672, 8, 32);
    RECT s{};
    EXPECT_EQ(GetCoordinates(607, &s, nullptr), 37);
    myGlobs.firstEdition = 1;
    EXPECT_EQ(GetCoordinates(607, &s, nullptr), 10);
    EXPECT_EQ(GetCoordinates(310, &s, nullptr), 31);
    EXPECT_EQ(s.right, 1024);
    EXPECT_EQ(s.bottom, 1024);
}

TEST(Coordinates, UnknownIdsAnswerTheFallback) {
    RECT src{}, scr{};
    EXPECT_EQ(GetCoordinates(999, &src, &scr), 10);
    EXPECT_EQ(src.left, 53);
    EXPECT_EQ(src.bottom, 14);
    EXPECT_EQ(scr.left, 100);
    EXPECT_EQ(scr.bottom, 114);
    src = RECT{};
    EXPECT_EQ(GetCoordinates(1009, &src, &scr), 10);
    EXPECT_EQ(src.right, 62);
    EXPECT_EQ(GetCoordinates(1002, &src, &scr), 10);
    EXPECT_EQ(src.left, 6);
    EXPECT_EQ(src.right, 95);
    // An element without a place leaves the screen rectangle untouched.
    scr = RECT{1, 2, 3, 4};
    GetCoordinates(560, &src, &scr);
    EXPECT_EQ(scr.left, 1);
    EXPECT_EQ(scr.bottom, 4);
}

TEST(Coordinates, ToolbarPlacesFollowTheScreenWidth) {
    ASSERT_TRUE(StartHeadlessDisplay());
    ASSERT_EQ(display.GetScreenWidth(), 800);
    RECT scr{};
    GetCoordinates(206, nullptr, &scr);
    EXPECT_EQ(scr.left, 485);
    EXPECT_EQ(scr.right, 515);
    EXPECT_EQ(scr.top, 3);
    EXPECT_EQ(scr.bottom, 33);
    GetCoordinates(588, nullptr, &scr);
    EXPECT_EQ(scr.left, 179);
    EXPECT_EQ(scr.top, 49);
    EXPECT_EQ(scr.right, 179 + 256);
    GetCoordinates(689, nullptr, &scr);
    EXPECT_EQ(scr.left, 0);
    EXPECT_EQ(scr.top, 600 - 70);
    myGlobs.firstEdition = 0;
    GetCoordinates(206, nullptr, &scr);
    EXPECT_EQ(scr.left, 800 - 298);
    EXPECT_EQ(scr.top, 12);
    myGlobs.firstEdition = 1;
}

TEST(Coordinates, ImageOffsets) {
    int dx = 5, dy = 5;
    GetImageOffset(550, 0, &dx, &dy);
    EXPECT_EQ(dx, -30);
    EXPECT_EQ(dy, -30);
    GetImageOffset(553, 176, &dx, &dy);
    EXPECT_EQ(dx, 17);
    EXPECT_EQ(dy, 27);
    dx = dy = 99;
    GetImageOffset(553, 90, &dx, &dy);  // not a known angle step: unchanged
    EXPECT_EQ(dx, 99);
    EXPECT_EQ(dy, 99);
    GetImageOffset(556, 0, &dx, &dy);
    EXPECT_EQ(dy, 17);
    GetImageOffset(566, 0, &dx, &dy);
    EXPECT_EQ(dx, 0);
    EXPECT_EQ(dy, -2);
    GetImageOffset(4000, 0, &dx, &dy);
    EXPECT_EQ(dx, 0);
    EXPECT_EQ(dy, 0);
}

TEST(Coordinates, InterfaceImageOfSizeZeroDrawsItsOwnSize) {
    ASSERT_TRUE(StartHeadlessDisplay());
    ASSERT_EQ(screenSprites.Init(), 1);
    screenSprites.SetDrawPointer(0);
    screenSprites.LockScreenfixVB();
    ASSERT_EQ(DrawInterfaceImage(562, 40, 50, 0, 0, 0xffffffff, 0), 1);
    screenSprites.UnlockScreenfixVB();
    IDirect3DVertexBuffer8* vb = display.GetVB(screenSprites.GetScreenfixBatch().buffer);
    ASSERT_NE(vb, nullptr);
    BYTE* p = nullptr;
    ASSERT_EQ(vb->Lock(0, 0, &p, D3DLOCK_READONLY), S_OK);
    SCREENFIXVERTEX v[6];
    std::memcpy(v, p, sizeof v);
    vb->Unlock();
    EXPECT_FLOAT_EQ(v[0].x, 40.0f);
    EXPECT_FLOAT_EQ(v[0].y, 50.0f);
    EXPECT_FLOAT_EQ(v[5].x, 53.0f);  // 13 wide
    EXPECT_FLOAT_EQ(v[5].y, 62.0f);  // 12 high
}

// The pictures of the control table's cells (51 pixels wide, the name at 56
// pixels down) stay inside their cell at the places the entries put them;
// the detach picture is drawn 8 pixels above its place.
TEST(Coordinates, ControlTablePicturesFitTheirCells) {
    myGlobs.firstEdition = 1;
    struct Place {
        int id, x, y;
    };
    const Place places[] = {{564, 7, 3},  {572, 0, 0},  {573, 0, 0},   {574, 0, 0},   {575, 0, 0},
                            {578, 17, 7}, {579, 17, 7}, {660, 0, 0},   {661, 0, 0},   {713, 12, 3},
                            {714, 12, 30}};
    for (const Place& p : places) {
        const RECT r = Source(p.id);
        EXPECT_LE(p.x + (r.right - r.left), 51) << p.id;
        if (p.id != 564) EXPECT_LE(p.y + (r.bottom - r.top), 56) << p.id;
    }
}
