// The bitmap fonts: a 5-column pixel design of our own, smoothed while it is
// scaled up, packed into a white-on-transparent texture with a glyph table.
#include <algorithm>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "content/content.h"
#include "content/image.h"
#include "content/pixfont.h"

namespace {

using Rows = std::vector<std::string>;

// Body glyphs: 7 rows above the baseline and up to 2 below (descenders).
const std::map<unsigned char, Rows>& BaseGlyphs() {
    static const std::map<unsigned char, Rows> g = {
        {'A', {".###.", "#...#", "#...#", "#####", "#...#", "#...#", "#...#"}},
        {'B', {"####.", "#...#", "#...#", "####.", "#...#", "#...#", "####."}},
        {'C', {".###.", "#...#", "#....", "#....", "#....", "#...#", ".###."}},
        {'D', {"####.", "#...#", "#...#", "#...#", "#...#", "#...#", "####."}},
        {'E', {"#####", "#....", "#....", "####.", "#....", "#....", "#####"}},
        {'F', {"#####", "#....", "#....", "####.", "#....", "#....", "#...."}},
        {'G', {".###.", "#...#", "#....", "#.###", "#...#", "#...#", ".####"}},
        {'H', {"#...#", "#...#", "#...#", "#####", "#...#", "#...#", "#...#"}},
        {'I', {".###.", "..#..", "..#..", "..#..", "..#..", "..#..", ".###."}},
        {'J', {"..###", "...#.", "...#.", "...#.", "...#.", "#..#.", ".##.."}},
        {'K', {"#...#", "#..#.", "#.#..", "##...", "#.#..", "#..#.", "#...#"}},
        {'L', {"#....", "#....", "#....", "#....", "#....", "#....", "#####"}},
        {'M', {"#...#", "##.##", "#.#.#", "#.#.#", "#...#", "#...#", "#...#"}},
        {'N', {"#...#", "#...#", "##..#", "#.#.#", "#..##", "#...#", "#...#"}},
        {'O', {".###.", "#...#", "#...#", "#...#", "#...#", "#...#", ".###."}},
        {'P', {"####.", "#...#", "#...#", "####.", "#....", "#....", "#...."}},
        {'Q', {".###.", "#...#", "#...#", "#...#", "#.#.#", "#..#.", ".##.#"}},
        {'R', {"####.", "#...#", "#...#", "####.", "#.#..", "#..#.", "#...#"}},
        {'S', {".####", "#....", "#....", ".###.", "....#", "....#", "####."}},
        {'T', {"#####", "..#..", "..#..", "..#..", "..#..", "..#..", "..#.."}},
        {'U', {"#...#", "#...#", "#...#", "#...#", "#...#", "#...#", ".###."}},
        {'V', {"#...#", "#...#", "#...#", "#...#", "#...#", ".#.#.", "..#.."}},
        {'W', {"#...#", "#...#", "#...#", "#.#.#", "#.#.#", "#.#.#", ".#.#."}},
        {'X', {"#...#", "#...#", ".#.#.", "..#..", ".#.#.", "#...#", "#...#"}},
        {'Y', {"#...#", "#...#", ".#.#.", "..#..", "..#..", "..#..", "..#.."}},
        {'Z', {"#####", "....#", "...#.", "..#..", ".#...", "#....", "#####"}},
        {'a', {".....", ".....", ".###.", "....#", ".####", "#...#", ".####"}},
        {'b', {"#....", "#....", "####.", "#...#", "#...#", "#...#", "####."}},
        {'c', {".....", ".....", ".###.", "#....", "#....", "#....", ".###."}},
        {'d', {"....#", "....#", ".####", "#...#", "#...#", "#...#", ".####"}},
        {'e', {".....", ".....", ".###.", "#...#", "#####", "#....", ".###."}},
        {'f', {"..##.", ".#...", "####.", ".#...", ".#...", ".#...", ".#..."}},
        {'g', {".....", ".....", ".####", "#...#", "#...#", "#...#", ".####", "....#", ".###."}},
        {'h', {"#....", "#....", "####.", "#...#", "#...#", "#...#", "#...#"}},
        {'i', {"..#..", ".....", ".##..", "..#..", "..#..", "..#..", ".###."}},
        {'j', {"...#.", ".....", "..##.", "...#.", "...#.", "...#.", "...#.", "#..#.", ".##.."}},
        {'k', {"#....", "#....", "#..#.", "#.#..", "##...", "#.#..", "#..#."}},
        {'l', {".##..", "..#..", "..#..", "..#..", "..#..", "..#..", ".###."}},
        {'m', {".....", ".....", "##.#.", "#.#.#", "#.#.#", "#.#.#", "#.#.#"}},
        {'n', {".....", ".....", "####.", "#...#", "#...#", "#...#", "#...#"}},
        {'o', {".....", ".....", ".###.", "#...#", "#...#", "#...#", ".###."}},
        {'p', {".....", ".....", "####.", "#...#", "#...#", "#...#", "####.", "#....", "#...."}},
        {'q', {".....", ".....", ".####", "#...#", "#...#", "#...#", ".####", "....#", "....#"}},
        {'r', {".....", ".....", "#.##.", "##...", "#....", "#....", "#...."}},
        {'s', {".....", ".....", ".####", "#....", ".###.", "....#", "####."}},
        {'t', {".#...", ".#...", "####.", ".#...", ".#...", ".#...", "..##."}},
        {'u', {".....", ".....", "#...#", "#...#", "#...#", "#...#", ".####"}},
        {'v', {".....", ".....", "#...#", "#...#", "#...#", ".#.#.", "..#.."}},
        {'w', {".....", ".....", "#...#", "#...#", "#.#.#", "#.#.#", ".#.#."}},
        {'x', {".....", ".....", "#...#", ".#.#.", "..#..", ".#.#.", "#...#"}},
        {'y', {".....", ".....", "#...#", "#...#", "#...#", "#...#", ".####", "....#", ".###."}},
        {'z', {".....", ".....", "#####", "...#.", "..#..", ".#...", "#####"}},
        {'0', {".###.", "#...#", "#..##", "#.#.#", "##..#", "#...#", ".###."}},
        {'1', {"..#..", ".##..", "..#..", "..#..", "..#..", "..#..", ".###."}},
        {'2', {".###.", "#...#", "....#", "...#.", "..#..", ".#...", "#####"}},
        {'3', {"####.", "....#", "....#", ".###.", "....#", "....#", "####."}},
        {'4', {"...#.", "..##.", ".#.#.", "#..#.", "#####", "...#.", "...#."}},
        {'5', {"#####", "#....", "####.", "....#", "....#", "#...#", ".###."}},
        {'6', {"..##.", ".#...", "#....", "####.", "#...#", "#...#", ".###."}},
        {'7', {"#####", "....#", "...#.", "..#..", ".#...", ".#...", ".#..."}},
        {'8', {".###.", "#...#", "#...#", ".###.", "#...#", "#...#", ".###."}},
        {'9', {".###.", "#...#", "#...#", ".####", "....#", "...#.", ".##.."}},
        {'.', {".....", ".....", ".....", ".....", ".....", ".....", "..#.."}},
        {':', {".....", ".....", "..#..", ".....", ".....", ".....", "..#.."}},
        {',', {".....", ".....", ".....", ".....", ".....", ".....", "..#..", ".#..."}},
        {'!', {"..#..", "..#..", "..#..", "..#..", "..#..", ".....", "..#.."}},
        {'?', {".###.", "#...#", "....#", "...#.", "..#..", ".....", "..#.."}},
        {'=', {".....", ".....", "####.", ".....", "####.", ".....", "....."}},
        {'+', {".....", "..#..", "..#..", "#####", "..#..", "..#..", "....."}},
        {'-', {".....", ".....", ".....", "####.", ".....", ".....", "....."}},
        {'_', {".....", ".....", ".....", ".....", ".....", ".....", ".....", "#####"}},
        {';', {".....", ".....", "..#..", ".....", ".....", ".....", "..#..", ".#..."}},
        {'$', {"..#..", ".####", "#.#..", ".###.", "..#.#", "####.", "..#.."}},
        {'*', {".....", "#.#.#", ".###.", "#####", ".###.", "#.#.#", "....."}},
        {'(', {"...#.", "..#..", ".#...", ".#...", ".#...", "..#..", "...#."}},
        {')', {".#...", "..#..", "...#.", "...#.", "...#.", "..#..", ".#..."}},
        {'\\', {"#....", "#....", ".#...", "..#..", "...#.", "....#", "....#"}},
        {'/', {"....#", "....#", "...#.", "..#..", ".#...", "#....", "#...."}},
        {'%', {"##...", "##..#", "...#.", "..#..", ".#...", "#..##", "...##"}},
        {'\'', {"..#..", "..#..", ".#...", ".....", ".....", ".....", "....."}},
    };
    return g;
}

enum Accent { NONE, ACUTE, DIAERESIS, DOUBLE_ACUTE, RING, CARON, DOT, OGONEK, STROKE };

struct Composite {
    unsigned char code;
    unsigned char base;
    Accent accent;
};

// The accented letters of the glyph table (Windows-1250 bytes).
const Composite COMPOSITES[] = {
    {0xF6, 'o', DIAERESIS},    {0xFC, 'u', DIAERESIS}, {0xF3, 'o', ACUTE},  {0xF5, 'o', DOUBLE_ACUTE},
    {0xFA, 'u', ACUTE},        {0xE9, 'e', ACUTE},     {0xE1, 'a', ACUTE},  {0xFB, 'u', DOUBLE_ACUTE},
    {0xED, 'i', ACUTE},        {0xD6, 'O', DIAERESIS}, {0xDC, 'U', DIAERESIS}, {0xD3, 'O', ACUTE},
    {0xD5, 'O', DOUBLE_ACUTE}, {0xDA, 'U', ACUTE},     {0xC9, 'E', ACUTE},  {0xDB, 'U', DOUBLE_ACUTE},
    {0xCD, 'I', ACUTE},        {0xC1, 'A', ACUTE},     {0xE4, 'a', DIAERESIS}, {0xB9, 'a', OGONEK},
    {0xE6, 'c', ACUTE},        {0xEA, 'e', OGONEK},    {0xB3, 'l', STROKE}, {0xF1, 'n', ACUTE},
    {0x9C, 's', ACUTE},        {0xBF, 'z', DOT},       {0x9F, 'z', ACUTE},  {0xA5, 'A', OGONEK},
    {0xC6, 'C', ACUTE},        {0xCA, 'E', OGONEK},    {0xA3, 'L', STROKE}, {0xD1, 'N', ACUTE},
    {0x8C, 'S', ACUTE},        {0xAF, 'Z', DOT},       {0x8F, 'Z', ACUTE},  {0xF9, 'u', RING},
    {0xD9, 'U', RING},         {0xE8, 'c', CARON},     {0xC8, 'C', CARON},  {0xF2, 'n', CARON},
    {0xD2, 'N', CARON},        {0xE0, 'r', ACUTE},     {0xC0, 'R', ACUTE},
};

constexpr int CELL_ROWS = 11;  // 2 accent rows, 7 body rows, 2 descender rows
constexpr int BODY_TOP = 2;

// A glyph as an 11-row bitmap of 5 columns (not yet trimmed).
Rows EmptyCell() { return Rows(CELL_ROWS, std::string(5, '.')); }

void Stamp(Rows& cell, int row, const char* pattern) {
    if (row < 0 || row >= CELL_ROWS) return;
    for (int i = 0; i < 5 && pattern[i]; ++i)
        if (pattern[i] == '#') cell[row][i] = '#';
}

Rows MakeCell(unsigned char c) {
    Rows cell = EmptyCell();
    if (c == 0xDF) {  // sharp s
        const Rows r = {".##..", "#..#.", "#..#.", "#.#..", "#..#.", "#...#", "#.##."};
        for (int i = 0; i < 7; ++i) Stamp(cell, BODY_TOP + i, r[i].c_str());
        return cell;
    }
    if (c == 0x92) {  // closing quote
        Stamp(cell, BODY_TOP, "..##.");
        Stamp(cell, BODY_TOP + 1, "...#.");
        Stamp(cell, BODY_TOP + 2, "..#..");
        return cell;
    }
    auto it = BaseGlyphs().find(c);
    if (it != BaseGlyphs().end()) {
        for (size_t i = 0; i < it->second.size(); ++i) Stamp(cell, BODY_TOP + int(i), it->second[i].c_str());
        return cell;
    }
    for (const Composite& comp : COMPOSITES) {
        if (comp.code != c) continue;
        cell = MakeCell(comp.base);
        const bool upper = comp.base >= 'A' && comp.base <= 'Z';
        // Lower-case accents sit in the two empty rows above the x-height;
        // capitals carry them in the accent rows of the cell.
        const int top = upper ? 0 : BODY_TOP;
        if (!upper && comp.base == 'i') {  // the accent replaces the dot
            cell[BODY_TOP] = ".....";
        }
        switch (comp.accent) {
            case ACUTE:
                Stamp(cell, top, "...#.");
                Stamp(cell, top + 1, "..#..");
                break;
            case DIAERESIS: Stamp(cell, top + 1, ".#.#."); break;
            case DOUBLE_ACUTE:
                Stamp(cell, top, "..#.#");
                Stamp(cell, top + 1, ".#.#.");
                break;
            case RING:
                Stamp(cell, top, "..#..");
                Stamp(cell, top + 1, ".#.#.");
                break;
            case CARON:
                Stamp(cell, top, ".#.#.");
                Stamp(cell, top + 1, "..#..");
                break;
            case DOT: Stamp(cell, top + 1, "..#.."); break;
            case OGONEK:
                Stamp(cell, BODY_TOP + 7, "...#.");
                Stamp(cell, BODY_TOP + 8, "....#");
                break;
            case STROKE:
                Stamp(cell, BODY_TOP + 3, upper ? ".#..." : "...#.");
                Stamp(cell, BODY_TOP + 4, upper ? "#...." : ".##..");
                if (upper) Stamp(cell, BODY_TOP + 2, "..#..");
                break;
            case NONE: break;
        }
        return cell;
    }
    return cell;
}

// The characters of the glyph table in index order (110 is the space).
std::vector<unsigned char> TableCharacters() {
    std::vector<unsigned char> out;
    for (char c = 'a'; c <= 'z'; ++c) out.push_back(static_cast<unsigned char>(c));
    for (char c = 'A'; c <= 'Z'; ++c) out.push_back(static_cast<unsigned char>(c));
    for (char c = '0'; c <= '9'; ++c) out.push_back(static_cast<unsigned char>(c));
    const char* punct = " .:,!?=+-_;$*()\\/";
    for (const char* p = punct; *p; ++p) out.push_back(static_cast<unsigned char>(*p));
    const unsigned char more[] = {0xF6, 0xFC, 0xF3, 0xF5, 0xFA, 0xE9, 0xE1, 0xFB, 0xED, 0xD6, 0xDC, 0xD3, 0xD5,
                                  0xDA, 0xC9, 0xDB, 0xCD, 0xC1, '%',  0xE4, 0xDF, 0xB9, 0xE6, 0xEA, 0xB3, 0xF1,
                                  0x9C, 0xBF, 0x9F, 0xA5, 0xC6, 0xCA, 0xA3, 0xD1, 0x8C, 0xAF, 0x8F, 0xF9, 0xD9,
                                  0x92, 0xE8, 0xC8, 0xF2, 0xD2, 0xE0, 0xC0};
    for (unsigned char c : more) out.push_back(c);
    return out;
}

// Doubles a bitmap with edge smoothing: a corner pixel of a staircase is
// filled so that diagonals become lines (the classic 2x pixel-art scaler).
std::vector<std::vector<bool>> Scale2(const std::vector<std::vector<bool>>& in) {
    const int h = static_cast<int>(in.size()), w = static_cast<int>(in[0].size());
    auto at = [&](int x, int y) { return x >= 0 && y >= 0 && x < w && y < h && in[y][x]; };
    std::vector<std::vector<bool>> out(h * 2, std::vector<bool>(w * 2, false));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const bool p = at(x, y), a = at(x, y - 1), b = at(x + 1, y), c = at(x - 1, y), d = at(x, y + 1);
            bool e0 = p, e1 = p, e2 = p, e3 = p;
            if (!p) {
                // Fill the inner corner between two set neighbours.
                e0 = c && a && !(b && d);
                e1 = a && b && !(c && d);
                e2 = c && d && !(a && b);
                e3 = d && b && !(a && c);
                // Only where a true diagonal runs (avoid blobs in closed shapes).
                if (e0 && at(x - 1, y - 1)) e0 = false;
                if (e1 && at(x + 1, y - 1)) e1 = false;
                if (e2 && at(x - 1, y + 1)) e2 = false;
                if (e3 && at(x + 1, y + 1)) e3 = false;
            }
            out[y * 2][x * 2] = e0;
            out[y * 2][x * 2 + 1] = e1;
            out[y * 2 + 1][x * 2] = e2;
            out[y * 2 + 1][x * 2 + 1] = e3;
        }
    return out;
}

struct FontStyle {
    const char* name;
    int scale;      // output pixels per design pixel
    int padLeft;    // transparent columns around the glyph inside its rectangle
    int padRight;
    bool bold;
    bool outline;
};

// Renders one trimmed glyph (cols x 11 design pixels) into an image.
content::Image RenderGlyph(const Rows& cell, int firstCol, int cols, const FontStyle& st) {
    std::vector<std::vector<bool>> bits(CELL_ROWS, std::vector<bool>(cols + 2, false));
    for (int y = 0; y < CELL_ROWS; ++y)
        for (int x = 0; x < cols; ++x) bits[y][x + 1] = cell[y][firstCol + x] == '#';
    auto big = Scale2(Scale2(bits));  // 4x, smoothed diagonals
    const int ss = 4;                 // supersampling per output pixel
    const int S = st.scale;
    const int outW = cols * S + st.padLeft + st.padRight + (st.bold ? 1 : 0);
    const int outH = CELL_ROWS * S;
    content::Image img(outW, outH, content::Rgba{1, 1, 1, 0});
    const int bigW = static_cast<int>(big[0].size()), bigH = static_cast<int>(big.size());
    // Output pixel (ox, oy) covers design range [ox/S, (ox+1)/S); sample the 4x
    // bitmap at ss x ss points within it.
    std::vector<float> cover(size_t(outW) * outH, 0.0f);
    for (int oy = 0; oy < outH; ++oy)
        for (int ox = 0; ox < outW; ++ox) {
            int hits = 0;
            for (int sy = 0; sy < ss; ++sy)
                for (int sx = 0; sx < ss; ++sx) {
                    const float dx = (ox - st.padLeft + (sx + 0.5f) / ss) / S + 1.0f;  // design x (+1 border)
                    const float dy = (oy + (sy + 0.5f) / ss) / S;
                    const int bx = static_cast<int>(dx * 4), by = static_cast<int>(dy * 4);
                    bool on = bx >= 0 && by >= 0 && bx < bigW && by < bigH && big[by][bx];
                    if (!on && st.bold) {
                        const int bx2 = static_cast<int>((dx - 1.0f / S) * 4);
                        on = bx2 >= 0 && by >= 0 && bx2 < bigW && by < bigH && big[by][bx2];
                    }
                    hits += on ? 1 : 0;
                }
            cover[size_t(oy) * outW + ox] = float(hits) / float(ss * ss);
        }
    for (int y = 0; y < outH; ++y)
        for (int x = 0; x < outW; ++x) {
            float a = cover[size_t(y) * outW + x];
            content::Rgba c{1, 1, 1, a};
            if (st.outline && a < 1.0f) {
                // A soft dark rim under the glyph keeps it readable on any ground.
                float rim = 0;
                for (int j = -1; j <= 1; ++j)
                    for (int i = -1; i <= 1; ++i) {
                        const int xx = x + i, yy = y + j;
                        if (xx < 0 || yy < 0 || xx >= outW || yy >= outH) continue;
                        rim = std::max(rim, cover[size_t(yy) * outW + xx]);
                    }
                rim *= 0.55f;
                const float outA = a + rim * (1 - a);
                const float lum = outA > 0 ? a / outA : 1.0f;
                c = content::Rgba{lum, lum, lum, outA};
            }
            img.At(x, y) = c;
        }
    return img;
}

bool WriteFont(const std::string& out, const FontStyle& st) {
    const int texW = 512, texH = 512;
    content::Image tex(texW, texH, content::Rgba{1, 1, 1, 0});
    std::string table;
    int penX = 1, penY = 1;
    const int rowH = CELL_ROWS * st.scale;
    int usedH = 0;
    for (unsigned char c : TableCharacters()) {
        content::Image glyph;
        if (c == ' ') {
            glyph = content::Image(3 * st.scale + st.padLeft + st.padRight, rowH, content::Rgba{1, 1, 1, 0});
        } else {
            Rows cell = MakeCell(c);
            int first = 5, last = -1;
            for (int y = 0; y < CELL_ROWS; ++y)
                for (int x = 0; x < 5; ++x)
                    if (cell[y][x] == '#') {
                        first = std::min(first, x);
                        last = std::max(last, x);
                    }
            if (last < first) first = last = 0;
            glyph = RenderGlyph(cell, first, last - first + 1, st);
        }
        if (penX + glyph.Width() + 1 > texW) {
            penX = 1;
            penY += rowH + 2;
        }
        if (penY + rowH > texH) return false;
        tex.Copy(glyph, penX, penY);
        char line[64];
        const unsigned char fileChar = c == ' ' ? '~' : c;
        std::snprintf(line, sizeof line, "%c %d %d %d %d\r\n", fileChar, penX, penY, penX + glyph.Width() - 2,
                      penY + rowH - 2);
        table += line;
        penX += glyph.Width() + 2;
        usedH = penY + rowH;
    }
    // The texture only needs the rows that hold glyphs (rounded to a power of two).
    int h = 16;
    while (h < usedH + 1) h *= 2;
    content::Image trimmed = tex.Crop(0, 0, texW, h);
    bool ok = content::WriteBytes(out + "/" + st.name + ".txt", table);
    ok = content::WriteDds(out, std::string("objects/bitmaps/") + st.name + ".dds", trimmed,
                           content::DdsFormat::A8R8G8B8) &&
         ok;
    return ok;
}

bool WriteFonts(const std::string& out) {
    const FontStyle styles[] = {
        {"fontp", 3, 1, 1, true, false},
        {"font_taho", 3, 2, 2, false, false},
        {"font_taho2", 2, 1, 1, true, true},
    };
    bool ok = true;
    for (const FontStyle& s : styles) ok = WriteFont(out, s) && ok;
    return ok;
}

}  // namespace

namespace content {

Image RenderPixelText(const std::string& text, int scale, bool bold, bool outline) {
    const FontStyle st{"", scale, 0, 0, bold, outline};
    std::vector<Image> glyphs;
    int width = 0;
    for (unsigned char c : text) {
        Image g;
        if (c == ' ') {
            g = Image(3 * scale, CELL_ROWS * scale, Rgba{1, 1, 1, 0});
        } else {
            Rows cell = MakeCell(c);
            int first = 5, last = -1;
            for (int y = 0; y < CELL_ROWS; ++y)
                for (int x = 0; x < 5; ++x)
                    if (cell[y][x] == '#') {
                        first = std::min(first, x);
                        last = std::max(last, x);
                    }
            if (last < first) first = last = 0;
            g = RenderGlyph(cell, first, last - first + 1, st);
        }
        width += g.Width() + scale;
        glyphs.push_back(std::move(g));
    }
    Image out(std::max(1, width), CELL_ROWS * scale, Rgba{1, 1, 1, 0});
    int x = 0;
    for (const Image& g : glyphs) {
        out.Blit(g, x, 0);
        x += g.Width() + scale;
    }
    return out;
}

}  // namespace content

VEL_CONTENT_GENERATOR("20_fonts", WriteFonts);
