#include "ui/coordinates.h"

#include <cmath>

#include "app/myglobs.h"
#include "app/startlog.h"
#include "gfx/display.h"
#include "gfx/screensprites.h"

namespace {

struct SHEET_ENTRY {
    int id;
    RECT first;   // first edition sheet
    RECT second;  // second edition sheet
};

// Source rectangles of the interface images. The sheet keeps a free texel
// between images so that filtered drawing never bleeds into a neighbour.
const SHEET_ENTRY SHEET[] = {
    {5, {292, 301, 324, 333}, {908, 343, 940, 375}},
    {206, {927, 0, 957, 30}, {318, 94, 348, 124}},
    {218, {878, 0, 908, 30}, {768, 71, 798, 101}},
    {219, {298, 141, 328, 171}, {799, 71, 829, 101}},
    {220, {983, 301, 1013, 331}, {830, 71, 860, 101}},
    {223, {880, 62, 910, 92}, {203, 474, 233, 504}},
    {226, {983, 332, 1013, 362}, {820, 383, 850, 413}},
    {227, {419, 334, 449, 364}, {0, 399, 30, 429}},
    {231, {954, 363, 984, 393}, {31, 399, 61, 429}},
    {232, {880, 31, 910, 61}, {203, 474, 233, 504}},
    {233, {984, 363, 1014, 393}, {62, 399, 92, 429}},
    {234, {509, 365, 539, 395}, {250, 401, 280, 431}},
    {235, {540, 365, 570, 395}, {281, 401, 311, 431}},
    {236, {571, 365, 601, 395}, {312, 401, 342, 431}},
    {237, {602, 365, 632, 395}, {343, 401, 373, 431}},
    {238, {633, 365, 663, 395}, {374, 401, 404, 431}},
    {239, {664, 365, 694, 395}, {720, 404, 750, 434}},
    {240, {695, 365, 725, 395}, {750, 404, 780, 434}},
    {241, {726, 365, 756, 395}, {781, 404, 811, 434}},
    {242, {757, 365, 787, 395}, {405, 406, 435, 436}},
    {550, {568, 71, 628, 131}, {514, 129, 574, 189}},
    {551, {638, 0, 662, 12}, {266, 122, 290, 134}},
    {552, {257, 186, 293, 210}, {514, 231, 606, 271}},
    {553, {328, 101, 362, 135}, {680, 338, 714, 372}},
    {555, {363, 101, 397, 135}, {715, 338, 749, 372}},
    {557, {701, 0, 713, 12}, {317, 125, 329, 137}},
    {558, {839, 83, 855, 99}, {992, 118, 1008, 134}},
    {559, {704, 85, 720, 101}, {300, 120, 316, 136}},
    {560, {478, 327, 500, 349}, {22, 483, 42, 503}},
    {561, {681, 109, 703, 131}, {683, 187, 703, 207}},
    {562, {1004, 31, 1017, 43}, {453, 278, 470, 295}},
    {563, {688, 0, 701, 12}, {300, 102, 317, 119}},
    {564, {839, 0, 864, 55}, {992, 61, 1018, 117}},
    {565, {976, 0, 999, 55}, {275, 65, 299, 121}},
    {566, {813, 0, 824, 5}, {980, 61, 991, 66}},
    {567, {715, 1, 727, 13}, {663, 161, 676, 174}},
    {568, {728, 0, 740, 12}, {1009, 118, 1022, 131}},
    {569, {1018, 25, 1024, 45}, {340, 74, 346, 94}},
    {570, {1012, 104, 1018, 124}, {266, 101, 272, 121}},
    {571, {330, 424, 335, 444}, {1019, 61, 1024, 81}},
    {572, {257, 141, 297, 181}, {607, 231, 647, 271}},
    {573, {860, 154, 900, 194}, {648, 231, 688, 271}},
    {574, {660, 160, 700, 200}, {860, 235, 900, 275}},
    {575, {350, 186, 390, 226}, {201, 258, 241, 298}},
    {576, {391, 186, 431, 226}, {689, 260, 729, 300}},
    {577, {432, 186, 472, 226}, {730, 260, 770, 300}},
    {578, {901, 186, 929, 214}, {771, 260, 811, 300}},
    {579, {942, 186, 970, 214}, {812, 260, 852, 300}},
    {580, {741, 0, 753, 12}, {330, 125, 342, 137}},
    {581, {754, 0, 766, 12}, {420, 129, 432, 141}},
    {582, {328, 0, 418, 100}, {677, 0, 767, 100}},
    {583, {432, 0, 436, 100}, {270, 0, 274, 100}},
    {584, {419, 0, 431, 100}, {257, 0, 269, 100}},
    {585, {983, 186, 1023, 226}, {242, 269, 282, 309}},
    {586, {501, 71, 567, 132}, {925, 71, 991, 132}},
    {587, {721, 85, 751, 93}, {433, 269, 463, 277}},
    {588, {0, 0, 256, 128}, {0, 0, 256, 128}},
    {589, {0, 128, 256, 256}, {420, 0, 676, 128}},
    {590, {0, 256, 256, 384}, {0, 129, 256, 257}},
    {591, {0, 384, 256, 512}, {257, 141, 513, 269}},
    {592, {911, 31, 975, 95}, {275, 0, 339, 64}},
    {593, {437, 71, 501, 135}, {860, 71, 924, 135}},
    {594, {396, 424, 412, 449}, {677, 101, 693, 126}},
    {595, {681, 132, 703, 154}, {851, 406, 873, 428}},
    {596, {268, 424, 272, 446}, {345, 0, 349, 22}},
    {597, {976, 56, 1023, 103}, {860, 187, 907, 234}},
    {598, {276, 424, 299, 428}, {925, 132, 948, 136}},
    {599, {681, 85, 704, 108}, {1001, 306, 1024, 329}},
    {600, {276, 432, 280, 437}, {345, 23, 349, 28}},
    {601, {767, 0, 777, 10}, {969, 61, 979, 71}},
    {602, {284, 432, 289, 436}, {1019, 82, 1024, 86}},
    {603, {1000, 0, 1024, 24}, {680, 162, 704, 186}},
    {604, {704, 102, 859, 259}, {704, 102, 859, 259}},
    {605, {865, 41, 877, 78}, {300, 65, 313, 102}},
    {606, {340, 424, 352, 428}, {980, 67, 992, 71}},
    {607, {257, 227, 533, 263}, {283, 296, 559, 332}},
    {608, {328, 136, 490, 186}, {860, 136, 1022, 186}},
    {609, {508, 424, 532, 426}, {627, 166, 651, 190}},
    {610, {526, 132, 550, 156}, {283, 269, 307, 293}},
    {611, {551, 132, 575, 156}, {308, 269, 332, 293}},
    {612, {576, 132, 600, 156}, {333, 269, 357, 293}},
    {613, {601, 132, 625, 156}, {358, 269, 382, 293}},
    {614, {473, 201, 497, 225}, {383, 269, 407, 293}},
    {615, {498, 201, 522, 225}, {408, 269, 432, 293}},
    {616, {457, 301, 481, 325}, {471, 269, 495, 293}},
    {617, {482, 301, 506, 325}, {496, 272, 520, 296}},
    {618, {845, 306, 869, 330}, {521, 272, 545, 296}},
    {619, {450, 334, 474, 358}, {546, 272, 570, 296}},
    {620, {954, 334, 978, 358}, {571, 272, 595, 296}},
    {621, {850, 365, 874, 389}, {596, 272, 620, 296}},
    {622, {875, 365, 899, 389}, {621, 272, 645, 296}},
    {623, {656, 150, 681, 159}, {654, 181, 679, 190}},
    {624, {356, 424, 359, 428}, {1021, 0, 1024, 4}},
    {625, {860, 195, 896, 231}, {627, 129, 663, 165}},
    {626, {534, 201, 570, 237}, {901, 269, 937, 305}},
    {627, {571, 201, 607, 237}, {938, 269, 974, 305}},
    {628, {839, 56, 859, 76}, {951, 406, 971, 426}},
    {629, {608, 201, 644, 237}, {975, 269, 1011, 305}},
    {630, {645, 201, 681, 237}, {853, 276, 889, 312}},
    {631, {897, 227, 933, 263}, {201, 299, 237, 335}},
    {632, {934, 227, 970, 263}, {890, 306, 926, 342}},
    {633, {971, 227, 1007, 263}, {927, 306, 963, 342}},
    {634, {860, 232, 896, 268}, {964, 306, 1000, 342}},
    {635, {811, 260, 839, 288}, {238, 310, 274, 346}},
    {636, {257, 264, 285, 292}, {837, 313, 873, 349}},
    {637, {294, 264, 322, 292}, {0, 329, 36, 365}},
    {638, {331, 264, 359, 292}, {37, 329, 73, 365}},
    {639, {368, 264, 396, 292}, {74, 329, 110, 365}},
    {640, {405, 264, 433, 292}, {111, 329, 147, 365}},
    {641, {442, 264, 478, 300}, {148, 329, 184, 365}},
    {642, {479, 264, 507, 292}, {275, 333, 311, 369}},
    {643, {897, 264, 933, 300}, {312, 333, 348, 369}},
    {644, {934, 264, 970, 300}, {349, 333, 385, 369}},
    {645, {971, 264, 1007, 300}, {386, 333, 422, 369}},
    {646, {848, 269, 884, 305}, {423, 333, 459, 369}},
    {647, {516, 297, 552, 333}, {460, 333, 496, 369}},
    {648, {553, 297, 589, 333}, {497, 333, 533, 369}},
    {649, {590, 297, 626, 333}, {185, 336, 221, 372}},
    {650, {788, 365, 818, 395}, {436, 406, 466, 436}},
    {651, {627, 297, 663, 333}, {534, 338, 570, 374}},
    {652, {664, 297, 692, 325}, {571, 338, 607, 374}},
    {660, {325, 301, 357, 333}, {941, 343, 973, 375}},
    {661, {358, 301, 390, 333}, {974, 343, 1006, 375}},
    {662, {629, 85, 680, 145}, {969, 0, 1020, 60}},
    {663, {391, 301, 423, 333}, {222, 347, 254, 379}},
    {664, {424, 301, 456, 333}, {820, 350, 852, 382}},
    {665, {885, 301, 917, 333}, {0, 366, 32, 398}},
    {666, {912, 96, 932, 116}, {973, 406, 993, 426}},
    {667, {918, 301, 950, 333}, {33, 366, 65, 398}},
    {668, {398, 101, 432, 133}, {664, 129, 698, 161}},
    {669, {775, 297, 809, 329}, {750, 338, 784, 370}},
    {670, {810, 297, 844, 329}, {785, 338, 819, 370}},
    {671, {257, 301, 291, 333}, {874, 343, 908, 375}},
    {672, {663, 0, 687, 12}, {340, 41, 348, 73}},
    {673, {958, 0, 970, 24}, {433, 129, 467, 137}},
    {674, {257, 0, 327, 140}, {349, 0, 419, 140}},
    {675, {501, 334, 651, 364}, {418, 375, 568, 405}},
    {676, {652, 334, 802, 364}, {569, 375, 719, 405}},
    {678, {803, 334, 953, 364}, {853, 375, 1003, 405}},
    {679, {257, 365, 407, 395}, {99, 380, 249, 410}},
    {680, {836, 5, 839, 8}, {1021, 5, 1024, 8}},
    {681, {925, 0, 927, 3}, {1021, 21, 1023, 24}},
    {682, {791, 9, 794, 12}, {1021, 9, 1024, 12}},
    {683, {830, 4, 833, 6}, {345, 29, 348, 31}},
    {684, {304, 424, 307, 427}, {1021, 13, 1024, 16}},
    {685, {310, 424, 312, 427}, {1021, 25, 1023, 28}},
    {686, {316, 424, 319, 427}, {1021, 17, 1024, 20}},
    {687, {322, 424, 325, 426}, {1021, 29, 1024, 31}},
    {688, {437, 0, 637, 70}, {768, 0, 968, 70}},
    {689, {638, 14, 838, 84}, {0, 258, 200, 328}},
    {690, {583, 238, 610, 258}, {923, 406, 950, 426}},
    {691, {364, 424, 372, 464}, {908, 187, 1008, 227}},
    {692, {376, 424, 380, 464}, {340, 0, 344, 40}},
    {693, {384, 424, 392, 464}, {908, 228, 1008, 268}},
    {694, {491, 160, 659, 200}, {514, 190, 682, 230}},
    {695, {900, 365, 924, 389}, {646, 272, 670, 296}},
    {696, {860, 93, 911, 153}, {575, 129, 626, 189}},
    {697, {257, 334, 419, 364}, {255, 370, 417, 400}},
    {698, {701, 297, 737, 333}, {607, 338, 643, 374}},
    {699, {925, 365, 949, 389}, {497, 406, 521, 430}},
    {700, {262, 424, 264, 426}, {345, 32, 347, 34}},
    {701, {534, 260, 810, 296}, {560, 301, 836, 337}},
    {702, {819, 365, 849, 395}, {467, 406, 497, 436}},
    {703, {850, 390, 874, 414}, {521, 406, 545, 430}},
    {704, {951, 301, 983, 333}, {66, 366, 98, 398}},
    {705, {875, 390, 899, 414}, {546, 406, 570, 430}},
    {706, {900, 390, 924, 414}, {571, 406, 595, 430}},
    {707, {925, 390, 949, 414}, {596, 406, 620, 430}},
    {708, {870, 0, 878, 32}, {257, 101, 265, 133}},
    {709, {778, 0, 812, 8}, {467, 129, 501, 137}},
    {710, {408, 365, 508, 395}, {720, 373, 820, 403}},
    {711, {950, 394, 974, 418}, {621, 406, 645, 430}},
    {712, {975, 394, 999, 418}, {646, 406, 670, 430}},
    {713, {1000, 394, 1024, 418}, {671, 406, 695, 430}},
    {714, {257, 396, 281, 420}, {696, 406, 720, 430}},
    {716, {474, 424, 503, 432}, {314, 65, 340, 91}},
    {717, {420, 424, 470, 504}, {874, 406, 922, 426}},
    {718, {738, 297, 774, 333}, {644, 338, 680, 374}},

};
constexpr int SHEET_COUNT = static_cast<int>(sizeof(SHEET) / sizeof(SHEET[0]));

const RECT FALLBACK_SOURCE = {53, 0, 62, 14};
const RECT FALLBACK_SCREEN = {100, 100, 109, 114};

const SHEET_ENTRY* FindEntry(int id) {
    // The table is sorted by id.
    int lo = 0, hi = SHEET_COUNT - 1;
    while (lo <= hi) {
        const int mid = (lo + hi) / 2;
        if (SHEET[mid].id == id) return &SHEET[mid];
        if (SHEET[mid].id < id)
            lo = mid + 1;
        else
            hi = mid - 1;
    }
    return nullptr;
}

struct PLACE {
    int id;
    int firstX, firstY;    // first edition: x from the anchor, y
    int secondX, secondY;  // second edition
    int anchor;            // 0 left edge, 1 right edge (x = W + value), 2 centre (W / 2 + value)
    int fromBottom;        // y counts from the bottom edge (y = H + value)
};

const PLACE PLACES[] = {
    {206, -315, 3, -298, 12, 1, 0},  {218, -225, 3, -202, 12, 1, 0},  {219, -40, 170, -45, 109, 1, 0},
    {220, -40, 136, -44, 60, 1, 0},  {223, -123, 3, -138, 12, 1, 0},  {226, -375, 3, -362, 12, 1, 0},
    {227, -345, 3, -330, 12, 1, 0},  {231, -405, 3, -394, 12, 1, 0},  {232, -123, 3, -138, 12, 1, 0},
    {233, -63, 3, -74, 12, 1, 0},    {234, -195, 3, -170, 12, 1, 0},  {236, -255, 3, -234, 12, 1, 0},
    {237, -285, 3, -266, 12, 1, 0},  {238, -93, 3, -106, 12, 1, 0},   {239, -33, 3, -33, 3, 1, 0},
    {240, -33, 3, -43, 12, 1, 0},    {241, -40, 84, -40, 84, 1, 0},   {242, -40, 84, -40, 84, 1, 0},
    {588, 179, 49, 179, 49, 0, 0},   {589, 179, 129, 179, 129, 0, 0}, {590, 179, 208, 179, 208, 0, 0},
    {591, 179, 288, 179, 288, 0, 0}, {607, -438, 0, -475, 0, 1, 0},   {608, -162, 0, -61, 53, 1, 0},
    {650, -435, 3, -426, 11, 1, 0},  {674, -80, -150, -80, -150, 1, 1}, {675, -150, 40, -150, 40, 1, 0},
    {676, -150, 70, -150, 70, 1, 0}, {678, 10, 40, 10, 40, 0, 0},     {679, 10, 70, 10, 70, 0, 0},
    {688, 0, -140, 0, -140, 0, 1},   {689, 0, -70, 0, -70, 0, 1},     {691, -3, 0, -3, 0, 2, 0},
    {692, -2, 0, -2, 0, 2, 0},       {693, -3, 0, -3, 0, 2, 0},       {694, -84, 0, -84, 0, 2, 0},
    {697, -162, 0, -162, 0, 1, 0},   {701, -479, 0, -479, 0, 1, 0},   {702, -476, 3, -458, 12, 1, 0},
    {710, -108, 36, -108, 36, 1, 0}, {716, -29, 123, -29, 123, 1, 0}, {717, -50, 128, -50, 128, 1, 0},
};

const PLACE* FindPlace(int id) {
    for (const PLACE& p : PLACES)
        if (p.id == id) return &p;
    return nullptr;
}

int ImageSize(int id, int* w, int* h) {
    RECT src;
    const int slot = GetCoordinates(id, &src, nullptr);
    *w = src.right - src.left;
    *h = src.bottom - src.top;
    return slot;
}

}  // namespace

int GetKnownInterfaceIds(const int** ids) {
    static int list[SHEET_COUNT + 1];
    static int count = 0;
    if (count == 0) {
        for (int i = 0; i < SHEET_COUNT; ++i) {
            if (SHEET[i].id > 310 && (count == 0 || list[count - 1] < 310)) list[count++] = 310;
            list[count++] = SHEET[i].id;
        }
    }
    if (ids) *ids = list;
    return count;
}

int GetCoordinates(INTERFACE_ID id, RECT* source, RECT* screen) {
    if (id >= 1000) return GetCoordinatesQM(id, source, screen);
    const bool first = myGlobs.firstEdition != 0;
    if (id == 310) {
        if (source) *source = RECT{0, 0, 1024, 1024};
        return 31;
    }
    const SHEET_ENTRY* e = FindEntry(id);
    if (!e) {
        TraceText("Unknown Id by GetCoordinates()");
        if (source) *source = FALLBACK_SOURCE;
        if (screen) *screen = FALLBACK_SCREEN;
        return 10;
    }
    const RECT src = first ? e->first : e->second;
    if (source) *source = src;
    const PLACE* p = FindPlace(id);
    if (p && screen) {
        const int W = display.GetScreenWidth();
        const int H = display.GetScreenHeight();
        int x = first ? p->firstX : p->secondX;
        int y = first ? p->firstY : p->secondY;
        if (p->anchor == 1) x += W;
        if (p->anchor == 2) x += W / 2;
        if (p->fromBottom) y += H;
        screen->left = x;
        screen->top = y;
        screen->right = x + (src.right - src.left);
        screen->bottom = y + (src.bottom - src.top);
    }
    if (!first && (id == 607 || id == 608)) return 37;
    return 10;
}

int GetCoordinatesQM(INTERFACE_ID id, RECT* source, RECT* screen) {
    static const RECT QM[9] = {{1, 451, 5, 482},    {97, 451, 123, 482}, {6, 451, 95, 482},
                               {25, 443, 31, 446},  {33, 443, 39, 446},  {41, 444, 48, 450},
                               {49, 444, 56, 450},  {57, 444, 60, 450},  {62, 444, 66, 448}};
    if (id >= 1000 && id <= 1008) {
        if (source) *source = QM[id - 1000];
        return 10;
    }
    TraceText("Unknown Id by GetCoordinatesQM()");
    if (source) *source = FALLBACK_SOURCE;
    if (screen) *screen = FALLBACK_SCREEN;
    return 10;
}

int DrawImageRect(INTERFACE_ID id, int x, int y, int w, int h, int slot, DWORD colour, int mode) {
    RECT src;
    GetCoordinates(id, &src, nullptr);
    if (screenSprites.GetUseSpriteBatch())
        return screenSprites.AddSprite(static_cast<float>(x), static_cast<float>(y), static_cast<float>(x + w - 1),
                                       static_cast<float>(y + h - 1), src.left, src.top, src.right - 1,
                                       src.bottom - 1, slot, colour, mode);
    return screenSprites.AddScreenfixSprite(x, y, x + w - 1, y + h - 1, src.left, src.top, src.right - 1,
                                            src.bottom - 1, slot, colour, mode);
}

void DrawImage(INTERFACE_ID id, int x, int y, int slot, DWORD colour) {
    int w, h;
    ImageSize(id, &w, &h);
    DrawImageRect(id, x, y, w, h, slot, colour, 0);
}

void DrawImageHStretch(INTERFACE_ID id, int x, int y, int w, int slot) {
    int iw, ih;
    ImageSize(id, &iw, &ih);
    DrawImageRect(id, x, y, w, ih, slot, 0xffffffff, 0);
}

void DrawImageVStretch(INTERFACE_ID id, int x, int y, int h, int slot) {
    int iw, ih;
    ImageSize(id, &iw, &ih);
    DrawImageRect(id, x, y, iw, h, slot, 0xffffffff, 0);
}

void DrawImageStretched(INTERFACE_ID id, int x, int y, int w, int h, int slot, int mode) {
    DrawImageRect(id, x, y, w, h, slot, 0xffffffff, mode);
}

int DrawImageTile(INTERFACE_ID id, int x, int y) {
    RECT src;
    const int slot = GetCoordinates(id, &src, nullptr);
    const float fx = static_cast<float>(x), fy = static_cast<float>(y);
    return screenSprites.AddSprite(fx, fy, fx + static_cast<float>(src.right - src.left),
                                   fy + static_cast<float>(src.bottom - src.top), src.left, src.top, src.right,
                                   src.bottom, slot, 0xffffffff, SPRITEMODE_LINEAR);
}

int DrawImageSized(INTERFACE_ID id, int x, int y, int w, int h) {
    RECT src;
    const int slot = GetCoordinates(id, &src, nullptr);
    return screenSprites.AddSprite(static_cast<float>(x), static_cast<float>(y), static_cast<float>(x + w),
                                   static_cast<float>(y + h), src.left, src.top, src.right, src.bottom, slot,
                                   0xffffffff, SPRITEMODE_LINEAR);
}

int DrawInterfaceImage(INTERFACE_ID id, int x, int y, int w, int h, DWORD colour, int mode) {
    RECT src;
    const int slot = GetCoordinates(id, &src, nullptr);
    if (w == 0) w = src.right - src.left;
    if (h == 0) h = src.bottom - src.top;
    return screenSprites.AddScreenfixSprite(x, y, x + w - 1, y + h - 1, src.left, src.top, src.right - 1,
                                            src.bottom - 1, slot, colour, mode);
}

int DrawImageBillboard(INTERFACE_ID id, float x, float y, float z, float size, DWORD colour, int mode, int centred) {
    RECT src;
    const int slot = GetCoordinates(id, &src, nullptr);
    const int iw = src.right - src.left;
    const int ih = src.bottom - src.top;
    if (iw <= 0) return 0;
    if (mode & SPRITEMODE_DISTANCE) {
        D3DXVECTOR3 eye(0.0f, 0.0f, 0.0f);
        display.GetCamera(&eye, nullptr, nullptr);
        const float dx = x - eye.x, dy = y - eye.y, dz = z - eye.z;
        size *= std::sqrt(std::sqrt(dx * dx + dy * dy + dz * dz)) / 3.0f;
    }
    const float height = size * static_cast<float>(ih) / static_cast<float>(iw);
    const float x1 = -size / 2.0f, x2 = size / 2.0f;
    const float y1 = centred ? height / 2.0f : 0.0f;
    const float y2 = y1 - height;
    return screenSprites.AddOrientedSprite(x1, y1, x2, y2, src.left, src.top, src.right, src.bottom,
                                           D3DXVECTOR3(x, y, z), 1, slot, colour, mode, 2, 1.0f);
}

void GetImageOffset(INTERFACE_ID id, int angle, int* dx, int* dy) {
    auto set = [&](int x, int y) {
        if (dx) *dx = x;
        if (dy) *dy = y;
    };
    const int step = angle / 22;
    switch (id) {
        case 550: set(-30, -30); return;
        case 551: set(-12, -6); return;
        case 552: set(-46, -20); return;
        case 553:
            if (step == 0) set(0, -5);
            else if (step == 8) set(17, 27);
            else TraceText("Unknown angle by GetImageOffset() IMAGE_V1...");
            return;
        case 554:
            if (step == 0) set(0, -5);
            else if (step == 8) set(17, 17);
            else TraceText("Unknown angle by GetImageOffset() IMAGE_V1...");
            return;
        case 555:
            if (step == 0) set(0, 27);
            else if (step == 8) set(17, -5);
            else TraceText("Unknown angle by GetImageOffset() IMAGE_V2...");
            return;
        case 556:
            if (step == 0) set(0, 17);
            else if (step == 8) set(17, -5);
            else TraceText("Unknown angle by GetImageOffset() IMAGE_V2...");
            return;
        case 557: set(-6, -6); return;
        case 558:
        case 559: set(-8, -8); return;
        case 566: set(0, -2); return;
        default:
            set(0, 0);
            TraceText("Unknown type by GetImageOffset()");
            return;
    }
}
