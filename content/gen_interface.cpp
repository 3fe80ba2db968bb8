// The interface sheet "bitmap.dds": every interface image of the coordinate
// table painted into its rectangle (buttons, frames, arrows, tick boxes,
// toolbar pictograms, panels, cursor icons and the main-menu plates).
#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "content/content.h"
#include "content/image.h"
#include "content/interface_sheet.h"
#include "content/pixfont.h"

namespace content {

const std::vector<SheetRect>& SheetRects() {
    static const std::vector<SheetRect> rects = {
#include "content/sheet_rects.inc"
    };
    return rects;
}

namespace {

constexpr float PI = 3.14159265f;

// Theme colours of the first edition.
const Rgba INK = Hex(0xf4efd8);        // pictogram strokes
const Rgba INK_SHADOW{0, 0, 0, 0.55f};
const Rgba TEAL_TOP = Hex(0x3d8088), TEAL_BOTTOM = Hex(0x163a40);
const Rgba FRAME_LIGHT = Hex(0x7fb8b8), FRAME_MID = Hex(0x2f6468), FRAME_DARK = Hex(0x0f2a2e);
const Rgba BRASS = Hex(0xe0b448), RED = Hex(0xd0402e), GREEN = Hex(0x54b040);

enum Picto {
    P_NONE, P_TRASH, P_HOUSE, P_ORBIT, P_ZOOM, P_SKY, P_COPY, P_PASTE, P_SELECT, P_GEAR, P_MOUNTAIN, P_WAGON,
    P_ENGINE, P_RAILS, P_EYE, P_COUPLING, P_EXIT, P_SUN, P_MOON, P_HELP, P_CAMERA, P_TREE, P_SWITCH_R,
    P_SWITCH_L, P_BARRIER, P_TURNTABLE, P_POWER, P_LEVER, P_JOIN, P_INSULATE, P_HEIGHT, P_NAME, P_LEVEL,
    P_RAISE, P_BRUSH, P_CELL, P_GRID, P_BRIGHTER, P_DARKER, P_FLATTEN, P_RESIZE, P_PLUS, P_MINUS,
    P_ARROW_UP, P_ARROW_DOWN, P_ARROW_LEFT, P_ARROW_RIGHT, P_ROTATE_L, P_ROTATE_R, P_CHECK, P_CROSS, P_DOT,
    P_TARGET, P_SPEAKER, P_SIGNAL, P_OBJECTS, P_FOLDER, P_DISK, P_LIST, P_EDGES, P_EDGES_OFF,
};

// ---------------------------------------------------------------------------
// Pictograms, drawn into the box (x, y, s, s) with the given ink.

struct Pen {
    Image& img;
    float x, y, s;
    Rgba ink;
    float X(float u) const { return x + u * s; }
    float Y(float v) const { return y + v * s; }
    void L(float u0, float v0, float u1, float v1, float w = 0.09f) const {
        img.Line(X(u0), Y(v0), X(u1), Y(v1), std::max(1.0f, w * s), ink);
    }
    void D(float u, float v, float r) const { img.Disc(X(u), Y(v), r * s, ink); }
    void R(float u, float v, float r, float w = 0.08f) const { img.Ring(X(u), Y(v), r * s, std::max(1.0f, w * s), ink); }
    void B(float u0, float v0, float u1, float v1, float rad = 0.04f) const {
        img.RoundRect(X(u0), Y(v0), X(u1), Y(v1), rad * s, ink);
    }
    void F(float u0, float v0, float u1, float v1, float w = 0.08f) const {
        img.RoundRectFrame(X(u0), Y(v0), X(u1), Y(v1), 0.04f * s, std::max(1.0f, w * s), ink);
    }
    void T(float a, float b, float c, float d, float e, float f) const {
        img.Triangle(X(a), Y(b), X(c), Y(d), X(e), Y(f), ink);
    }
    void Arrow(float u0, float v0, float u1, float v1, float head = 0.22f) const {
        L(u0, v0, u1, v1);
        const float a = std::atan2(v1 - v0, u1 - u0);
        T(u1 + std::cos(a) * head * 0.3f, v1 + std::sin(a) * head * 0.3f, u1 - std::cos(a - 0.5f) * head,
          v1 - std::sin(a - 0.5f) * head, u1 - std::cos(a + 0.5f) * head, v1 - std::sin(a + 0.5f) * head);
    }
    void Arc(float cu, float cv, float r, float a0, float a1, float w = 0.09f) const {
        const int n = 24;
        for (int i = 0; i < n; ++i) {
            const float t0 = a0 + (a1 - a0) * i / n, t1 = a0 + (a1 - a0) * (i + 1) / n;
            L(cu + r * std::cos(t0), cv + r * std::sin(t0), cu + r * std::cos(t1), cv + r * std::sin(t1), w);
        }
    }
};

void DrawPicto(Image& img, Picto p, float x, float y, float s, const Rgba& ink) {
    const Pen q{img, x, y, s, ink};
    switch (p) {
        case P_NONE: break;
        case P_TRASH:
            q.L(0.2f, 0.25f, 0.8f, 0.25f);
            q.L(0.4f, 0.17f, 0.6f, 0.17f);
            q.L(0.27f, 0.3f, 0.33f, 0.85f);
            q.L(0.73f, 0.3f, 0.67f, 0.85f);
            q.L(0.33f, 0.85f, 0.67f, 0.85f);
            q.L(0.5f, 0.38f, 0.5f, 0.76f, 0.06f);
            q.L(0.41f, 0.38f, 0.43f, 0.76f, 0.06f);
            q.L(0.59f, 0.38f, 0.57f, 0.76f, 0.06f);
            break;
        case P_HOUSE:
            q.T(0.12f, 0.5f, 0.5f, 0.15f, 0.88f, 0.5f);
            q.B(0.22f, 0.48f, 0.78f, 0.86f, 0.01f);
            img.RoundRect(q.X(0.44f), q.Y(0.62f), q.X(0.58f), q.Y(0.86f), 1, TEAL_BOTTOM);
            break;
        case P_ORBIT:
            q.Arc(0.5f, 0.5f, 0.32f, 0.4f, 2.9f);
            q.Arc(0.5f, 0.5f, 0.32f, 3.5f, 6.0f);
            q.T(0.05f, 0.52f, 0.31f, 0.52f, 0.18f, 0.72f);
            q.T(0.95f, 0.48f, 0.69f, 0.48f, 0.82f, 0.28f);
            q.D(0.5f, 0.5f, 0.08f);
            break;
        case P_ZOOM:
            q.R(0.42f, 0.42f, 0.24f, 0.1f);
            q.L(0.6f, 0.6f, 0.84f, 0.84f, 0.14f);
            q.L(0.32f, 0.42f, 0.52f, 0.42f, 0.07f);
            q.L(0.42f, 0.32f, 0.42f, 0.52f, 0.07f);
            break;
        case P_SKY:
            q.D(0.38f, 0.38f, 0.16f);
            for (int i = 0; i < 8; ++i) {
                const float a = i * PI / 4;
                q.L(0.38f + 0.22f * std::cos(a), 0.38f + 0.22f * std::sin(a), 0.38f + 0.3f * std::cos(a),
                    0.38f + 0.3f * std::sin(a), 0.06f);
            }
            q.D(0.55f, 0.7f, 0.14f);
            q.D(0.72f, 0.64f, 0.17f);
            q.B(0.45f, 0.66f, 0.88f, 0.82f, 0.08f);
            break;
        case P_COPY:
            q.F(0.18f, 0.14f, 0.6f, 0.66f);
            q.B(0.4f, 0.34f, 0.84f, 0.88f);
            break;
        case P_PASTE:
            q.F(0.22f, 0.2f, 0.78f, 0.88f);
            q.B(0.36f, 0.12f, 0.64f, 0.26f);
            q.L(0.34f, 0.45f, 0.66f, 0.45f, 0.06f);
            q.L(0.34f, 0.6f, 0.66f, 0.6f, 0.06f);
            q.L(0.34f, 0.75f, 0.56f, 0.75f, 0.06f);
            break;
        case P_SELECT:
            for (int i = 0; i < 4; ++i) {
                q.L(0.12f + i * 0.17f, 0.14f, 0.2f + i * 0.17f, 0.14f, 0.06f);
                q.L(0.12f, 0.14f + i * 0.17f, 0.12f, 0.22f + i * 0.17f, 0.06f);
            }
            q.T(0.4f, 0.38f, 0.4f, 0.9f, 0.88f, 0.7f);
            break;
        case P_GEAR:
            for (int i = 0; i < 8; ++i) {
                const float a = i * PI / 4;
                q.L(0.5f + 0.18f * std::cos(a), 0.5f + 0.18f * std::sin(a), 0.5f + 0.36f * std::cos(a),
                    0.5f + 0.36f * std::sin(a), 0.14f);
            }
            q.D(0.5f, 0.5f, 0.27f);
            img.Disc(q.X(0.5f), q.Y(0.5f), 0.1f * s, TEAL_BOTTOM);
            break;
        case P_MOUNTAIN:
            q.T(0.05f, 0.85f, 0.4f, 0.22f, 0.72f, 0.85f);
            q.T(0.4f, 0.85f, 0.68f, 0.4f, 0.95f, 0.85f);
            img.Triangle(q.X(0.33f), q.Y(0.35f), q.X(0.4f), q.Y(0.22f), q.X(0.47f), q.Y(0.35f), Hex(0xffffff));
            break;
        case P_WAGON:
            q.B(0.1f, 0.3f, 0.9f, 0.7f, 0.05f);
            q.D(0.28f, 0.78f, 0.09f);
            q.D(0.72f, 0.78f, 0.09f);
            img.Line(q.X(0.5f), q.Y(0.36f), q.X(0.5f), q.Y(0.64f), std::max(1.0f, 0.06f * s), TEAL_BOTTOM);
            break;
        case P_ENGINE:
            q.B(0.08f, 0.42f, 0.66f, 0.7f, 0.08f);
            q.B(0.58f, 0.22f, 0.92f, 0.7f, 0.03f);
            q.B(0.16f, 0.24f, 0.28f, 0.44f, 0.02f);
            q.D(0.24f, 0.78f, 0.1f);
            q.D(0.5f, 0.78f, 0.1f);
            q.D(0.78f, 0.78f, 0.1f);
            img.RoundRect(q.X(0.66f), q.Y(0.3f), q.X(0.84f), q.Y(0.45f), 1, TEAL_BOTTOM);
            break;
        case P_RAILS:
            q.L(0.3f, 0.08f, 0.22f, 0.92f, 0.08f);
            q.L(0.7f, 0.08f, 0.78f, 0.92f, 0.08f);
            for (int i = 0; i < 5; ++i) {
                const float v = 0.16f + i * 0.18f;
                q.L(0.14f, v, 0.86f, v, 0.07f);
            }
            break;
        case P_EYE:
            q.Arc(0.5f, 0.85f, 0.5f, -2.55f, -0.59f, 0.08f);
            q.Arc(0.5f, 0.15f, 0.5f, 0.59f, 2.55f, 0.08f);
            q.D(0.5f, 0.5f, 0.14f);
            break;
        case P_COUPLING:
            q.B(0.05f, 0.35f, 0.38f, 0.65f, 0.04f);
            q.B(0.62f, 0.35f, 0.95f, 0.65f, 0.04f);
            q.L(0.38f, 0.5f, 0.46f, 0.5f, 0.07f);
            q.L(0.54f, 0.5f, 0.62f, 0.5f, 0.07f);
            q.L(0.46f, 0.4f, 0.54f, 0.6f, 0.05f);
            break;
        case P_EXIT:
            q.F(0.14f, 0.12f, 0.56f, 0.88f);
            q.Arrow(0.42f, 0.5f, 0.9f, 0.5f);
            break;
        case P_SUN:
            q.D(0.5f, 0.5f, 0.2f);
            for (int i = 0; i < 8; ++i) {
                const float a = i * PI / 4;
                q.L(0.5f + 0.28f * std::cos(a), 0.5f + 0.28f * std::sin(a), 0.5f + 0.4f * std::cos(a),
                    0.5f + 0.4f * std::sin(a), 0.07f);
            }
            break;
        case P_MOON:
            q.D(0.48f, 0.5f, 0.3f);
            img.Disc(q.X(0.62f), q.Y(0.4f), 0.27f * s, TEAL_TOP);
            q.D(0.8f, 0.2f, 0.04f);
            q.D(0.75f, 0.75f, 0.03f);
            break;
        case P_HELP:
            q.R(0.5f, 0.5f, 0.38f, 0.08f);
            q.Arc(0.5f, 0.4f, 0.13f, PI, 2.4f * PI, 0.09f);
            q.L(0.5f, 0.53f, 0.5f, 0.62f, 0.09f);
            q.D(0.5f, 0.75f, 0.06f);
            break;
        case P_CAMERA:
            q.B(0.1f, 0.3f, 0.9f, 0.8f, 0.08f);
            q.B(0.34f, 0.2f, 0.62f, 0.32f, 0.03f);
            img.Disc(q.X(0.5f), q.Y(0.55f), 0.17f * s, TEAL_BOTTOM);
            q.D(0.5f, 0.55f, 0.09f);
            break;
        case P_TREE:
            q.B(0.45f, 0.6f, 0.55f, 0.9f, 0.01f);
            q.T(0.2f, 0.7f, 0.5f, 0.08f, 0.8f, 0.7f);
            break;
        case P_SWITCH_R:
        case P_SWITCH_L: {
            const float m = p == P_SWITCH_R ? 1.0f : -1.0f;
            q.L(0.5f, 0.92f, 0.5f, 0.08f, 0.1f);
            q.Arc(0.5f + m * 0.6f, 0.92f, 0.6f, m > 0 ? PI : 0.0f, m > 0 ? PI * 1.3f : -PI * 0.3f, 0.1f);
            break;
        }
        case P_BARRIER:
            q.B(0.12f, 0.45f, 0.2f, 0.9f, 0.01f);
            q.L(0.16f, 0.5f, 0.92f, 0.5f, 0.13f);
            for (int i = 0; i < 3; ++i)
                img.RoundRect(q.X(0.3f + i * 0.22f), q.Y(0.44f), q.X(0.4f + i * 0.22f), q.Y(0.56f), 1, RED);
            break;
        case P_TURNTABLE:
            q.R(0.5f, 0.5f, 0.38f, 0.08f);
            q.L(0.18f, 0.42f, 0.82f, 0.58f, 0.07f);
            q.L(0.18f, 0.58f, 0.82f, 0.42f, 0.0f);
            q.L(0.2f, 0.36f, 0.8f, 0.52f, 0.05f);
            q.L(0.2f, 0.48f, 0.8f, 0.64f, 0.05f);
            q.D(0.5f, 0.5f, 0.06f);
            break;
        case P_POWER:
            q.T(0.56f, 0.06f, 0.22f, 0.56f, 0.5f, 0.56f);
            q.T(0.44f, 0.94f, 0.78f, 0.44f, 0.5f, 0.44f);
            break;
        case P_LEVER:
            q.B(0.15f, 0.72f, 0.85f, 0.9f, 0.03f);
            q.L(0.5f, 0.8f, 0.72f, 0.2f, 0.1f);
            q.D(0.72f, 0.2f, 0.1f);
            break;
        case P_JOIN:
            q.L(0.08f, 0.35f, 0.38f, 0.35f, 0.09f);
            q.L(0.08f, 0.65f, 0.38f, 0.65f, 0.09f);
            q.L(0.62f, 0.35f, 0.92f, 0.35f, 0.09f);
            q.L(0.62f, 0.65f, 0.92f, 0.65f, 0.09f);
            q.Arrow(0.38f, 0.5f, 0.55f, 0.5f, 0.16f);
            break;
        case P_INSULATE:
            q.L(0.1f, 0.5f, 0.42f, 0.5f, 0.12f);
            q.L(0.58f, 0.5f, 0.9f, 0.5f, 0.12f);
            img.RoundRect(q.X(0.44f), q.Y(0.3f), q.X(0.56f), q.Y(0.7f), 1, BRASS);
            break;
        case P_HEIGHT:
            q.L(0.1f, 0.8f, 0.9f, 0.35f, 0.1f);
            q.Arrow(0.75f, 0.9f, 0.75f, 0.12f, 0.2f);
            break;
        case P_NAME:
            q.F(0.1f, 0.3f, 0.9f, 0.7f);
            q.L(0.22f, 0.5f, 0.6f, 0.5f, 0.07f);
            q.L(0.7f, 0.38f, 0.7f, 0.62f, 0.05f);
            break;
        case P_LEVEL:
            q.L(0.1f, 0.55f, 0.9f, 0.55f, 0.1f);
            q.L(0.1f, 0.8f, 0.9f, 0.3f, 0.05f);
            q.Arrow(0.5f, 0.15f, 0.5f, 0.45f, 0.16f);
            break;
        case P_RAISE:
            q.T(0.05f, 0.9f, 0.5f, 0.45f, 0.95f, 0.9f);
            q.Arrow(0.5f, 0.42f, 0.5f, 0.05f, 0.2f);
            break;
        case P_BRUSH:
            q.L(0.78f, 0.12f, 0.45f, 0.55f, 0.12f);
            q.T(0.3f, 0.5f, 0.5f, 0.62f, 0.15f, 0.9f);
            break;
        case P_CELL:
            q.F(0.12f, 0.12f, 0.88f, 0.88f, 0.06f);
            q.L(0.5f, 0.12f, 0.5f, 0.88f, 0.05f);
            q.L(0.12f, 0.5f, 0.88f, 0.5f, 0.05f);
            q.B(0.14f, 0.14f, 0.5f, 0.5f, 0.0f);
            break;
        case P_GRID:
            for (int i = 0; i < 4; ++i) {
                const float t = 0.14f + i * 0.24f;
                q.L(t, 0.12f, t, 0.88f, 0.05f);
                q.L(0.12f, t, 0.88f, t, 0.05f);
            }
            break;
        case P_BRIGHTER:
        case P_DARKER:
            q.R(0.5f, 0.5f, 0.34f, 0.08f);
            q.Arc(0.5f, 0.5f, 0.17f, 0, 2 * PI, 0.34f);
            if (p == P_DARKER) img.Disc(q.X(0.5f), q.Y(0.5f), 0.24f * s, Hex(0x101418));
            q.L(0.82f, 0.12f, 0.82f, 0.34f, 0.07f);
            q.L(0.71f, 0.23f, 0.93f, 0.23f, 0.07f);
            if (p == P_DARKER) {
                img.Line(q.X(0.71f), q.Y(0.23f), q.X(0.93f), q.Y(0.23f), std::max(1.0f, 0.09f * s), Hex(0x101418));
                q.L(0.71f, 0.23f, 0.93f, 0.23f, 0.07f);
                img.Line(q.X(0.82f), q.Y(0.1f), q.X(0.82f), q.Y(0.2f), std::max(1.0f, 0.1f * s), TEAL_BOTTOM);
                img.Line(q.X(0.82f), q.Y(0.26f), q.X(0.82f), q.Y(0.36f), std::max(1.0f, 0.1f * s), TEAL_BOTTOM);
            }
            break;
        case P_FLATTEN:
            q.L(0.08f, 0.62f, 0.92f, 0.62f, 0.1f);
            q.Arrow(0.3f, 0.12f, 0.3f, 0.5f, 0.16f);
            q.Arrow(0.7f, 0.12f, 0.7f, 0.5f, 0.16f);
            q.B(0.08f, 0.7f, 0.92f, 0.9f, 0.02f);
            break;
        case P_RESIZE:
            q.F(0.2f, 0.2f, 0.8f, 0.8f, 0.06f);
            q.Arrow(0.5f, 0.5f, 0.92f, 0.92f, 0.2f);
            q.Arrow(0.5f, 0.5f, 0.08f, 0.08f, 0.2f);
            break;
        case P_PLUS:
            q.L(0.2f, 0.5f, 0.8f, 0.5f, 0.16f);
            q.L(0.5f, 0.2f, 0.5f, 0.8f, 0.16f);
            break;
        case P_MINUS: q.L(0.2f, 0.5f, 0.8f, 0.5f, 0.16f); break;
        case P_ARROW_UP: q.T(0.5f, 0.18f, 0.86f, 0.78f, 0.14f, 0.78f); break;
        case P_ARROW_DOWN: q.T(0.5f, 0.82f, 0.14f, 0.22f, 0.86f, 0.22f); break;
        case P_ARROW_LEFT: q.T(0.18f, 0.5f, 0.78f, 0.14f, 0.78f, 0.86f); break;
        case P_ARROW_RIGHT: q.T(0.82f, 0.5f, 0.22f, 0.86f, 0.22f, 0.14f); break;
        case P_ROTATE_L:
        case P_ROTATE_R: {
            const bool left = p == P_ROTATE_L;
            q.Arc(0.5f, 0.55f, 0.3f, left ? -0.2f : PI + 0.2f, left ? -PI * 1.1f : PI * 2.1f, 0.1f);
            if (left)
                q.T(0.62f, 0.22f, 0.86f, 0.5f, 0.95f, 0.22f);
            else
                q.T(0.38f, 0.22f, 0.14f, 0.5f, 0.05f, 0.22f);
            break;
        }
        case P_CHECK:
            q.L(0.18f, 0.52f, 0.42f, 0.76f, 0.15f);
            q.L(0.42f, 0.76f, 0.84f, 0.24f, 0.15f);
            break;
        case P_CROSS:
            q.L(0.22f, 0.22f, 0.78f, 0.78f, 0.15f);
            q.L(0.78f, 0.22f, 0.22f, 0.78f, 0.15f);
            break;
        case P_DOT: q.D(0.5f, 0.5f, 0.3f); break;
        case P_TARGET:
            q.R(0.5f, 0.5f, 0.36f, 0.06f);
            q.R(0.5f, 0.5f, 0.16f, 0.06f);
            q.L(0.5f, 0.02f, 0.5f, 0.26f, 0.05f);
            q.L(0.5f, 0.74f, 0.5f, 0.98f, 0.05f);
            q.L(0.02f, 0.5f, 0.26f, 0.5f, 0.05f);
            q.L(0.74f, 0.5f, 0.98f, 0.5f, 0.05f);
            break;
        case P_SPEAKER:
            q.B(0.12f, 0.38f, 0.32f, 0.62f, 0.01f);
            q.T(0.3f, 0.5f, 0.58f, 0.16f, 0.58f, 0.84f);
            q.Arc(0.55f, 0.5f, 0.22f, -0.8f, 0.8f, 0.07f);
            q.Arc(0.55f, 0.5f, 0.36f, -0.8f, 0.8f, 0.07f);
            break;
        case P_SIGNAL:
            q.B(0.36f, 0.08f, 0.64f, 0.62f, 0.08f);
            q.L(0.5f, 0.62f, 0.5f, 0.94f, 0.08f);
            img.Disc(q.X(0.5f), q.Y(0.22f), 0.09f * s, RED);
            img.Disc(q.X(0.5f), q.Y(0.46f), 0.09f * s, GREEN);
            break;
        case P_FOLDER:  // open a layout: a folder with an arrow out of it
            q.B(0.1f, 0.3f, 0.86f, 0.84f, 0.04f);
            q.B(0.1f, 0.22f, 0.42f, 0.34f, 0.03f);
            img.RoundRect(q.X(0.16f), q.Y(0.42f), q.X(0.8f), q.Y(0.78f), 1, TEAL_BOTTOM);
            q.Arrow(0.48f, 0.72f, 0.48f, 0.36f, 0.2f);
            break;
        case P_DISK:  // save a layout
            q.B(0.14f, 0.14f, 0.86f, 0.86f, 0.06f);
            img.RoundRect(q.X(0.28f), q.Y(0.14f), q.X(0.68f), q.Y(0.4f), 1, TEAL_BOTTOM);
            img.RoundRect(q.X(0.52f), q.Y(0.18f), q.X(0.62f), q.Y(0.36f), 1, ink);
            img.RoundRect(q.X(0.26f), q.Y(0.52f), q.X(0.74f), q.Y(0.86f), 2, TEAL_BOTTOM);
            break;
        case P_LIST:  // lists of objects
            for (int i = 0; i < 4; ++i) {
                const float v = 0.2f + i * 0.2f;
                q.D(0.18f, v, 0.06f);
                q.L(0.32f, v, 0.86f, v, 0.09f);
            }
            break;
        case P_EDGES:
        case P_EDGES_OFF:  // the view scrolls when the pointer meets a screen edge
            q.F(0.3f, 0.3f, 0.7f, 0.7f, 0.06f);
            q.Arrow(0.5f, 0.28f, 0.5f, 0.04f, 0.16f);
            q.Arrow(0.5f, 0.72f, 0.5f, 0.96f, 0.16f);
            q.Arrow(0.28f, 0.5f, 0.04f, 0.5f, 0.16f);
            q.Arrow(0.72f, 0.5f, 0.96f, 0.5f, 0.16f);
            if (p == P_EDGES_OFF) img.Line(q.X(0.12f), q.Y(0.88f), q.X(0.88f), q.Y(0.12f), std::max(1.0f, 0.12f * s), RED);
            break;
        case P_OBJECTS:
            q.T(0.05f, 0.6f, 0.3f, 0.25f, 0.55f, 0.6f);
            q.B(0.12f, 0.58f, 0.48f, 0.88f, 0.0f);
            q.B(0.68f, 0.62f, 0.76f, 0.88f, 0.0f);
            q.D(0.72f, 0.45f, 0.22f);
            break;
    }
}

// A pictogram with a soft shadow.
void Icon(Image& img, Picto p, float x, float y, float s, const Rgba& ink = INK) {
    const float off = std::max(1.0f, s / 24.0f);
    DrawPicto(img, p, x + off, y + off, s, INK_SHADOW);
    DrawPicto(img, p, x, y, s, ink);
}

// ---------------------------------------------------------------------------
// Widgets

struct Box {
    int x, y, w, h;
};

void Button(Image& img, const Box& b, Picto p, bool pressed = false) {
    img.RoundRect(b.x + 0.5f, b.y + 0.5f, b.x + b.w - 0.5f, b.y + b.h - 0.5f, 4, Hex(0x0b1f22));
    Image face(b.w - 2, b.h - 2);
    face.Bevel(0, 0, b.w - 2, b.h - 2, pressed ? TEAL_BOTTOM : TEAL_TOP, pressed ? TEAL_TOP : TEAL_BOTTOM, 1, pressed);
    for (int y = 0; y < face.Height(); ++y)
        for (int x = 0; x < face.Width(); ++x) {
            const float cx = std::min({float(x), float(face.Width() - 1 - x), float(y), float(face.Height() - 1 - y)});
            if (cx < 3 && std::hypot(3 - std::min(float(x), float(face.Width() - 1 - x)),
                                     3 - std::min(float(y), float(face.Height() - 1 - y))) > 3.2f &&
                std::min(float(x), float(face.Width() - 1 - x)) < 3 && std::min(float(y), float(face.Height() - 1 - y)) < 3)
                face.At(x, y).a = 0;
        }
    img.Blit(face, b.x + 1, b.y + 1);
    const float s = std::min(b.w, b.h) * 0.72f;
    Icon(img, p, b.x + (b.w - s) / 2, b.y + (b.h - s) / 2, s);
}

// A picture of a window list or tool: a light plate with a dark pictogram.
void Picture(Image& img, const Box& b, Picto p) {
    img.RoundRect(b.x + 0.5f, b.y + 0.5f, b.x + b.w - 0.5f, b.y + b.h - 0.5f, 5, Hex(0x0e2528));
    img.RoundRect(b.x + 1.5f, b.y + 1.5f, b.x + b.w - 1.5f, b.y + b.h - 1.5f, 4, Hex(0x2a5a60));
    img.RoundRect(b.x + 2.5f, b.y + 2.5f, b.x + b.w - 2.5f, b.y + b.h / 2.0f, 3, Rgba{1, 1, 1, 0.12f});
    const float s = std::min(b.w, b.h) * 0.74f;
    Icon(img, p, b.x + (b.w - s) / 2, b.y + (b.h - s) / 2, s);
}

// A cursor icon: the pictogram alone, with a dark outline for any ground.
void CursorIcon(Image& img, const Box& b, Picto p, bool active) {
    const float s = std::min(b.w, b.h) * 0.9f;
    const float x = b.x + (b.w - s) / 2, y = b.y + (b.h - s) / 2;
    for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx)
            if (dx || dy) DrawPicto(img, p, x + dx, y + dy, s, Rgba{0, 0, 0, 0.8f});
    DrawPicto(img, p, x, y, s, active ? BRASS : INK);
}

void Panel(Image& img, const Box& b, float alpha = 0.88f) {
    Image face(b.w, b.h, Rgba{0, 0, 0, 0});
    face.RoundRect(0.5f, 0.5f, b.w - 0.5f, b.h - 0.5f, 6, Rgba{0.05f, 0.16f, 0.18f, alpha});
    face.RoundRectFrame(0.5f, 0.5f, b.w - 0.5f, b.h - 0.5f, 6, 1.5f, Rgba{0.5f, 0.75f, 0.75f, 0.9f});
    face.RoundRect(2, 2, b.w - 2, b.h * 0.45f, 5, Rgba{1, 1, 1, 0.07f});
    img.Copy(face, b.x, b.y);
}

void Clear(Image& img, const Box& b) { img.FillRect(b.x, b.y, b.w, b.h, Rgba{0, 0, 0, 0}); }

float Clamp(float v, float lo, float hi) { return v < lo ? lo : (v > hi ? hi : v); }

// Frame pieces share a vertical profile: bright rim, mid band, dark rim.
Rgba FrameProfile(float t) {
    if (t < 0.2f) return Mix(FRAME_LIGHT, FRAME_MID, t / 0.2f);
    if (t < 0.8f) return FRAME_MID;
    return Mix(FRAME_MID, FRAME_DARK, (t - 0.8f) / 0.2f);
}

void HorizontalBar(Image& img, const Box& b) {
    for (int y = 0; y < b.h; ++y)
        for (int x = 0; x < b.w; ++x) img.At(b.x + x, b.y + y) = FrameProfile((y + 0.5f) / b.h);
}

void VerticalBar(Image& img, const Box& b) {
    for (int y = 0; y < b.h; ++y)
        for (int x = 0; x < b.w; ++x) img.At(b.x + x, b.y + y) = FrameProfile((x + 0.5f) / b.w);
}

// A frame corner: the bar profile bent around a quarter circle. corner: 0 top
// left, 1 top right, 2 bottom right, 3 bottom left; thick = bar thickness.
void Corner(Image& img, const Box& b, int corner, float thick) {
    for (int y = 0; y < b.h; ++y)
        for (int x = 0; x < b.w; ++x) {
            float lx = x + 0.5f, ly = y + 0.5f;
            if (corner == 1 || corner == 2) lx = b.w - lx;
            if (corner == 2 || corner == 3) ly = b.h - ly;
            // Distance into the bar from the outer edge.
            const float r = std::max(float(b.w), float(b.h));
            const float d = std::min({lx, ly, thick * 2});
            (void)r;
            const float t = Clamp(d / thick, 0.0f, 1.0f);
            if (d <= thick)
                img.At(b.x + x, b.y + y) = FrameProfile(t);
            else
                img.At(b.x + x, b.y + y) = Rgba{0.05f, 0.16f, 0.18f, 0.85f};
        }
}

void Arrow(Image& img, const Box& b, Picto p) {
    img.RoundRect(b.x + 0.5f, b.y + 0.5f, b.x + b.w - 0.5f, b.y + b.h - 0.5f, 2, FRAME_MID);
    img.RoundRectFrame(b.x + 0.5f, b.y + 0.5f, b.x + b.w - 0.5f, b.y + b.h - 0.5f, 2, 1, FRAME_LIGHT);
    DrawPicto(img, p, b.x + 1.5f, b.y + 1.5f, b.w - 3.0f, INK);
}

void MenuPlate(Image& img, const Box& b, const Rgba& tint) {
    Image plate(b.w, b.h, Rgba{0, 0, 0, 0});
    plate.RoundRect(6, 8, b.w - 4, b.h - 4, 18, Rgba{0, 0, 0, 0.35f});  // shadow
    plate.RoundRect(2, 2, b.w - 8, b.h - 10, 18, Hex(0x2b2118));
    plate.RoundRect(5, 5, b.w - 11, b.h - 13, 15, Hex(0xf3ead2));
    plate.RoundRect(9, 9, b.w - 15, b.h - 17, 12, Mix(Hex(0xf8f1de), tint, 0.35f));
    plate.RoundRectFrame(13, 13, b.w - 19, b.h - 21, 9, 2, Mix(Hex(0x2b2118), tint, 0.6f));
    plate.RoundRect(12, 12, b.w - 18, (b.h - 10) * 0.42f, 9, Rgba{1, 1, 1, 0.25f});
    for (float rx : {20.0f, float(b.w) - 26.0f})
        for (float ry : {20.0f, float(b.h) - 28.0f}) {
            plate.Disc(rx, ry, 3.5f, Hex(0x8a7a5a));
            plate.Disc(rx - 0.8f, ry - 0.8f, 1.5f, Hex(0xe8dcc0));
        }
    img.Copy(plate, b.x, b.y);
}

void Gauge(Image& img, const Box& b) {
    img.RoundRect(b.x + 0.5f, b.y + 0.5f, b.x + b.w - 0.5f, b.y + b.h - 0.5f, 3, Hex(0x0e2528));
    img.VGradient(b.x + 4, b.y + 4, b.w - 8, b.h - 8, GREEN, RED);
    for (int k = 0; k <= 10; ++k) {
        const int y = b.y + 4 + k * (b.h - 9) / 10;
        img.Line(b.x + 2.0f, y + 0.5f, b.x + (k % 5 == 0 ? 9.0f : 6.0f), y + 0.5f, 1, INK);
    }
}

// Tick boxes are drawn in their item's colour (the colour multiplies the
// image), so they are painted white: an opaque rim, a faint inside that lets
// the window show through, and an opaque tick.
void TickBox(Image& img, const Box& b, bool on) {
    Image box(b.w, b.h, Rgba{1, 1, 1, 0});
    box.RoundRect(0.5f, 0.5f, b.w - 0.5f, b.h - 0.5f, 3, Rgba{1, 1, 1, 1});
    box.FillRect(2, 2, b.w - 4, b.h - 4, Rgba{1, 1, 1, 0.18f});
    if (on) DrawPicto(box, P_CHECK, 2.0f, 1.0f, b.w - 3.0f, Rgba{1, 1, 1, 1});
    img.Copy(box, b.x, b.y);
}

void ControlCell(Image& img, const Box& b, Picto p, bool on) {
    Picture(img, b, P_NONE);
    const float s = std::min(b.w, b.h) * 0.7f;
    Icon(img, p, b.x + (b.w - s) / 2, b.y + (b.h - s) / 2, s, on ? Hex(0xf6d460) : Hex(0x9ab0b0));
    img.Disc(b.x + b.w - 7.0f, b.y + 7.0f, 3.5f, on ? GREEN : RED);
}

// The pieces of the big window frame.
void EdgeLine(Image& img, const Box& b, const Rgba& c) { img.FillRect(b.x, b.y, b.w, b.h, c); }

void TitleBar(Image& img, const Box& b) {
    img.VGradient(b.x, b.y, b.w, b.h, Hex(0x3f8a90), Hex(0x1a4a50));
    EdgeLine(img, Box{b.x, b.y, b.w, 1}, FRAME_LIGHT);
    EdgeLine(img, Box{b.x, b.y + b.h - 1, b.w, 1}, FRAME_DARK);
}

void LeftEdge(Image& img, const Box& b) {
    for (int x = 0; x < b.w; ++x)
        for (int y = 0; y < b.h; ++y) img.At(b.x + x, b.y + y) = x == 0 ? FRAME_LIGHT : (x == b.w - 1 ? FRAME_DARK : FRAME_MID);
}

void BottomEdge(Image& img, const Box& b) {
    for (int y = 0; y < b.h; ++y)
        for (int x = 0; x < b.w; ++x) img.At(b.x + x, b.y + y) = y == 0 ? FRAME_DARK : (y == b.h - 1 ? FRAME_DARK : FRAME_MID);
}

void RightColumn(Image& img, const Box& b) {
    for (int x = 0; x < b.w; ++x) {
        Rgba c = Mix(Hex(0x2a6a70), Hex(0x163a40), float(x) / b.w);
        if (x == 0) c = FRAME_DARK;
        if (x == 1) c = FRAME_LIGHT;
        if (x == b.w - 1) c = FRAME_DARK;
        if (x == b.w / 2) c = Scale(c, 0.8f);  // a groove down the column
        for (int y = 0; y < b.h; ++y) img.At(b.x + x, b.y + y) = c;
    }
}

// Makes one outer corner of a rectangle round (corner: 0 top left, 1 top
// right, 2 bottom right, 3 bottom left).
void RoundOff(Image& img, const Box& b, int corner, float r) {
    for (int y = 0; y < int(r) + 1 && y < b.h; ++y)
        for (int x = 0; x < int(r) + 1 && x < b.w; ++x) {
            const float d = std::hypot(r - (x + 0.5f), r - (y + 0.5f)) - r;
            if (d <= 0) continue;
            const int px = (corner == 1 || corner == 2) ? b.x + b.w - 1 - x : b.x + x;
            const int py = (corner == 2 || corner == 3) ? b.y + b.h - 1 - y : b.y + y;
            img.At(px, py).a *= Clamp(1.0f - d, 0.0f, 1.0f);
        }
}

// ---------------------------------------------------------------------------

void PaintId(Image& img, int id, const Box& b) {
    switch (id) {
        case 5: {  // the mouse pointer
            Clear(img, b);
            const float s = b.w;
            auto tri = [&](float o, const Rgba& c) {
                img.Triangle(b.x + 2 + o, b.y + 1 + o, b.x + 2 + o, b.y + s * 0.8f + o, b.x + s * 0.6f + o,
                             b.y + s * 0.6f + o, c);
                img.Line(b.x + s * 0.3f + o, b.y + s * 0.6f + o, b.x + s * 0.48f + o, b.y + s * 0.95f + o, 4, c);
            };
            tri(1.5f, Rgba{0, 0, 0, 0.4f});
            tri(0, Hex(0x101010));
            img.Triangle(b.x + 4, b.y + 5, b.x + 4, b.y + s * 0.7f, b.x + s * 0.5f, b.y + s * 0.57f, Hex(0xfafafa));
            img.Line(b.x + s * 0.31f, b.y + s * 0.62f, b.x + s * 0.46f, b.y + s * 0.9f, 2, Hex(0xfafafa));
            return;
        }
        case 206: Button(img, b, P_TRASH); return;
        case 218: Button(img, b, P_HOUSE); return;
        case 219: Button(img, b, P_ORBIT); return;
        case 220: Button(img, b, P_ZOOM); return;
        case 223: Button(img, b, P_MOON); return;  // by day: switch to night
        case 232: Button(img, b, P_SUN, true); return;  // at night: switch to day
        case 226: Button(img, b, P_COPY); return;
        case 227: Button(img, b, P_PASTE); return;
        case 231: Button(img, b, P_SELECT); return;
        case 233: Button(img, b, P_GEAR); return;
        case 234: Button(img, b, P_MOUNTAIN); return;
        case 235: Button(img, b, P_TREE); return;
        case 236: Button(img, b, P_ENGINE); return;
        case 237: Button(img, b, P_RAILS); return;
        case 238: Button(img, b, P_EYE); return;
        case 239: Button(img, b, P_COUPLING); return;
        case 240: Button(img, b, P_EXIT); return;
        case 241: Button(img, b, P_EDGES_OFF); return;
        case 242: Button(img, b, P_EDGES); return;
        case 650: Button(img, b, P_SELECT, true); return;
        case 702: Button(img, b, P_CAMERA); return;
        case 550: Clear(img, b); CursorIcon(img, b, P_TARGET, false); return;
        case 551:
            Clear(img, b);
            img.Triangle(b.x + 1.0f, b.y + b.h / 2.0f, b.x + b.w - 1.0f, b.y + 1.0f, b.x + b.w - 1.0f, b.y + b.h - 1.0f, BRASS);
            return;
        case 552: Picture(img, b, P_ENGINE); return;
        case 553: Clear(img, b); CursorIcon(img, b, P_ARROW_UP, true); return;
        case 555: Clear(img, b); CursorIcon(img, b, P_ARROW_DOWN, true); return;
        case 557: Clear(img, b); img.Disc(b.x + 6.0f, b.y + 6.0f, 5, Hex(0x101010)); img.Disc(b.x + 6.0f, b.y + 6.0f, 3.5f, BRASS); return;
        case 558: Clear(img, b); CursorIcon(img, b, P_PLUS, true); return;
        case 559: Clear(img, b); CursorIcon(img, b, P_CROSS, false); return;
        case 560: TickBox(img, b, true); return;
        case 561: TickBox(img, b, false); return;
        case 562:
            img.RoundRect(b.x + 0.5f, b.y + 0.5f, b.x + b.w - 0.5f, b.y + b.h - 0.5f, 2, Hex(0x2f7a3a));
            DrawPicto(img, P_CHECK, b.x + 1.0f, b.y + 0.0f, b.h - 0.0f, INK);
            return;
        case 563:
            img.RoundRect(b.x + 0.5f, b.y + 0.5f, b.x + b.w - 0.5f, b.y + b.h - 0.5f, 2, Hex(0x9a3024));
            DrawPicto(img, P_CROSS, b.x + 1.0f, b.y + 0.0f, b.h - 0.0f, INK);
            return;
        case 564:
        case 565: Gauge(img, b); return;
        case 566:
            Clear(img, b);
            img.Triangle(b.x + 0.5f, b.y + 0.5f, b.x + 0.5f, b.y + b.h - 0.5f, b.x + b.w - 0.5f, b.y + b.h / 2.0f, BRASS);
            return;
        case 567: Arrow(img, b, P_ARROW_UP); return;
        case 568: Arrow(img, b, P_ARROW_DOWN); return;
        case 580: Arrow(img, b, P_ARROW_LEFT); return;
        case 581: Arrow(img, b, P_ARROW_RIGHT); return;
        case 605:
            img.RoundRect(b.x + 0.5f, b.y + 0.5f, b.x + b.w - 0.5f, b.y + b.h - 0.5f, 3, FRAME_LIGHT);
            img.RoundRect(b.x + 2.5f, b.y + 2.5f, b.x + b.w - 2.5f, b.y + b.h - 2.5f, 2, FRAME_MID);
            for (int k = -1; k <= 1; ++k)
                img.Line(b.x + 3.0f, b.y + b.h / 2.0f + k * 3, b.x + b.w - 3.0f, b.y + b.h / 2.0f + k * 3, 1, FRAME_LIGHT);
            return;
        case 606: img.FillRect(b.x, b.y, b.w, b.h, Hex(0x14343a)); img.FillRect(b.x + b.w / 2 - 1, b.y, 2, b.h, Hex(0x0a1a1c)); return;
        case 569:
        case 570:
        case 571: {  // labelled button: caps and a stretchable middle
            for (int y = 0; y < b.h; ++y)
                for (int x = 0; x < b.w; ++x) {
                    const float t = (y + 0.5f) / b.h;
                    Rgba c = Mix(TEAL_TOP, TEAL_BOTTOM, t);
                    if (y == 0) c = FRAME_LIGHT;
                    if (y == b.h - 1) c = FRAME_DARK;
                    img.At(b.x + x, b.y + y) = c;
                }
            if (id != 571) {
                // Rounded outer side.
                for (int y = 0; y < b.h; ++y)
                    for (int x = 0; x < b.w; ++x) {
                        const float ox = id == 569 ? float(x) : float(b.w - 1 - x);
                        const float dy = std::min(float(y), float(b.h - 1 - y));
                        if (ox < 4 && dy < 4 && std::hypot(4 - ox, 4 - dy) > 4.5f) img.At(b.x + x, b.y + y).a = 0;
                        if (ox < 1 && dy >= 4) img.At(b.x + x, b.y + y) = FRAME_LIGHT;
                    }
            }
            return;
        }
        case 572: ControlCell(img, b, P_SWITCH_R, true); return;
        case 573: ControlCell(img, b, P_SWITCH_R, false); return;
        case 574: ControlCell(img, b, P_SWITCH_L, true); return;
        case 575: ControlCell(img, b, P_SWITCH_L, false); return;
        case 576: ControlCell(img, b, P_POWER, true); return;
        case 577: ControlCell(img, b, P_POWER, false); return;
        case 578: ControlCell(img, b, P_COUPLING, true); return;
        case 579: ControlCell(img, b, P_COUPLING, false); return;
        case 660: ControlCell(img, b, P_BARRIER, false); return;
        case 661: ControlCell(img, b, P_BARRIER, true); return;
        case 582: {  // control table frame, left part holding the fold button
            Panel(img, b, 0.92f);
            return;
        }
        case 583:
            // Middle of the control table frame: it is drawn over the cells,
            // so only the arrow strip on top is filled and the cell rows
            // (from 18 down) stay open.
            Clear(img, b);
            HorizontalBar(img, Box{b.x, b.y, b.w, 6});
            img.FillRect(b.x, b.y + 6, b.w, 12, Rgba{0.05f, 0.16f, 0.18f, 0.88f});
            HorizontalBar(img, Box{b.x, b.y + b.h - 6, b.w, 6});
            return;
        case 584: Panel(img, b, 0.92f); return;
        case 585: Picture(img, b, P_ARROW_DOWN); return;
        case 586: Picture(img, b, P_LEVER); return;
        case 587: img.RoundRect(b.x + 0.5f, b.y + 0.5f, b.x + b.w - 0.5f, b.y + b.h - 0.5f, 3, FRAME_LIGHT); return;
        case 588: MenuPlate(img, b, Hex(0xa0a0a0)); return;
        case 589: MenuPlate(img, b, Hex(0x7ac060)); return;
        case 590: MenuPlate(img, b, Hex(0x70a0d0)); return;
        case 591: MenuPlate(img, b, Hex(0xe07a60)); return;
        case 592:
        case 593: {  // the end of a menu arm: a round brass boss
            Clear(img, b);
            const float cx = b.x + b.w / 2.0f, cy = b.y + 20 + 12.5f;
            img.Disc(cx + 1.5f, cy + 2, 15, Rgba{0, 0, 0, 0.35f});
            img.Disc(cx, cy, 15, Hex(0x6a4a1a));
            img.Disc(cx, cy, 12.5f, BRASS);
            img.Disc(cx - 3, cy - 3, 5, Hex(0xf8e0a0));
            return;
        }
        case 594: {  // the menu arm: a polished rod
            for (int y = 0; y < b.h; ++y) {
                const float t = (y + 0.5f) / b.h;
                const float rod = std::fabs(t - 0.5f) * 2;
                Rgba c = rod < 0.6f ? Mix(Hex(0xf8e0a0), Hex(0x8a6a2a), rod / 0.6f) : Rgba{0, 0, 0, 0};
                if (rod >= 0.6f && rod < 0.8f) c = Rgba{0, 0, 0, 0.3f};
                for (int x = 0; x < b.w; ++x) img.At(b.x + x, b.y + y) = c;
            }
            return;
        }
        // Big window frame: a 22 pixel title bar, a 23 pixel right column,
        // 5 pixel left and bottom edges.
        case 595: TitleBar(img, b); RoundOff(img, b, 0, 5); EdgeLine(img, Box{b.x, b.y, 1, b.h}, FRAME_LIGHT); return;
        case 596: TitleBar(img, b); return;
        case 597: {  // the top right corner holding the close box
            Clear(img, b);
            TitleBar(img, Box{b.x, b.y, b.w, 22});
            RightColumn(img, Box{b.x + b.w - 23, b.y + 22, 23, b.h - 22});
            RoundOff(img, Box{b.x, b.y, b.w, 22}, 1, 5);
            const Box close{b.x + b.w - 21, b.y + 4, 17, 17};
            img.RoundRect(close.x + 0.5f, close.y + 0.5f, close.x + close.w - 0.5f, close.y + close.h - 0.5f, 3, Hex(0x9a3024));
            img.RoundRectFrame(close.x + 0.5f, close.y + 0.5f, close.x + close.w - 0.5f, close.y + close.h - 0.5f, 3, 1, Hex(0xe08070));
            DrawPicto(img, P_CROSS, close.x + 1.0f, close.y + 1.0f, close.w - 2.0f, INK);
            return;
        }
        case 598: RightColumn(img, b); return;
        case 599: {
            Clear(img, b);
            RightColumn(img, Box{b.x, b.y, b.w, b.h});
            BottomEdge(img, Box{b.x, b.y + b.h - 5, b.w - 23, 5});
            RoundOff(img, b, 2, 5);
            return;
        }
        case 600: BottomEdge(img, b); return;
        case 601: {
            Clear(img, b);
            LeftEdge(img, Box{b.x, b.y, 5, b.h});
            BottomEdge(img, Box{b.x, b.y + b.h - 5, b.w, 5});
            RoundOff(img, b, 3, 4);
            return;
        }
        case 602: LeftEdge(img, b); return;
        case 603: Arrow(img, b, P_CROSS); return;
        case 604:
        case 700: {
            for (int y = 0; y < b.h; ++y)
                for (int x = 0; x < b.w; ++x) {
                    const float n = Fbm((b.x + x) / 24.0f, (b.y + y) / 24.0f, 1 << 16, 3, 5);
                    img.At(b.x + x, b.y + y) = Rgba{0.60f + 0.05f * n, 0.70f + 0.05f * n, 0.70f + 0.05f * n, 0.95f};
                }
            return;
        }
        // Small window frame.
        case 680: Corner(img, b, 0, 3); return;
        case 681: Corner(img, b, 1, 3); return;
        case 682: Corner(img, b, 3, 3); return;
        case 683: Corner(img, b, 2, 3); return;
        case 684: HorizontalBar(img, b); return;
        case 685: VerticalBar(img, b); return;
        case 686: HorizontalBar(img, b); return;
        case 687: VerticalBar(img, b); return;
        // Boxes (DrawBox): corners and edges over a filled rectangle.
        case 668: case 669: case 670: case 671: {
            Clear(img, b);
            const int c = id == 668 ? 0 : id == 669 ? 1 : id == 670 ? 3 : 2;
            for (int y = 0; y < b.h; ++y)
                for (int x = 0; x < b.w; ++x) {
                    float lx = x + 0.5f, ly = y + 0.5f;
                    if (c == 1 || c == 2) lx = b.w - lx;
                    if (c == 2 || c == 3) ly = b.h - ly;
                    const float d = std::min(lx, ly);
                    if (d < 3) img.At(b.x + x, b.y + y) = FrameProfile(d / 3);
                }
            // A brass corner rivet.
            const float rx = (c == 1 || c == 2) ? b.x + b.w - 6.0f : b.x + 6.0f;
            const float ry = (c == 2 || c == 3) ? b.y + b.h - 6.0f : b.y + 6.0f;
            img.Disc(rx, ry, 2.5f, BRASS);
            return;
        }
        case 672: Clear(img, b); HorizontalBar(img, Box{b.x, b.y, b.w, 3}); HorizontalBar(img, Box{b.x, b.y + b.h - 3, b.w, 3}); return;
        case 673: Clear(img, b); VerticalBar(img, Box{b.x, b.y, 3, b.h}); VerticalBar(img, Box{b.x + b.w - 3, b.y, 3, b.h}); return;
        case 708: Clear(img, b); VerticalBar(img, Box{b.x, b.y, 3, b.h}); return;
        case 709: Clear(img, b); HorizontalBar(img, Box{b.x, b.y, b.w, 3}); return;
        // Screen panels.
        case 607: case 608: case 674: case 675: case 676: case 678: case 679: case 688: case 689: case 694:
        case 697: case 701: case 710: case 716: case 717: Panel(img, b); return;
        case 691: case 693: {  // message panel ends (drawn left and right of the stretched middle)
            Clear(img, b);
            Image face(b.w * 2, b.h, Rgba{0, 0, 0, 0});
            face.RoundRect(0.5f, 0.5f, b.w * 2 - 0.5f, b.h - 0.5f, 8, Rgba{0.05f, 0.16f, 0.18f, 0.8f});
            face.RoundRectFrame(0.5f, 0.5f, b.w * 2 - 0.5f, b.h - 0.5f, 8, 1.5f, Rgba{0.5f, 0.75f, 0.75f, 0.9f});
            img.Copy(face.Crop(id == 691 ? 0 : b.w, 0, b.w, b.h), b.x, b.y);
            return;
        }
        case 692: {
            Image face(40, b.h, Rgba{0, 0, 0, 0});
            face.RoundRect(0.5f, 0.5f, 39.5f, b.h - 0.5f, 8, Rgba{0.05f, 0.16f, 0.18f, 0.8f});
            face.RoundRectFrame(0.5f, 0.5f, 39.5f, b.h - 0.5f, 8, 1.5f, Rgba{0.5f, 0.75f, 0.75f, 0.9f});
            img.Copy(face.Crop(18, 0, b.w, b.h), b.x, b.y);
            return;
        }
        case 690: Picture(img, b, P_CHECK); return;
        case 662: {  // a cell of the control table
            Clear(img, b);
            img.RoundRect(b.x + 1.5f, b.y + 1.5f, b.x + b.w - 1.5f, b.y + b.h - 1.5f, 4, Rgba{0.1f, 0.26f, 0.28f, 0.9f});
            img.RoundRectFrame(b.x + 1.5f, b.y + 1.5f, b.x + b.w - 1.5f, b.y + b.h - 1.5f, 4, 1, FRAME_LIGHT);
            return;
        }
        case 696:
            Clear(img, b);
            img.RoundRectFrame(b.x + 1.5f, b.y + 1.5f, b.x + b.w - 1.5f, b.y + b.h - 1.5f, 4, 3, BRASS);
            return;
        case 609: img.FillRect(b.x, b.y, b.w, b.h, Rgba{0.5f, 0.75f, 0.75f, 0.8f}); return;
        case 623:
            img.RoundRect(b.x + 0.5f, b.y + 0.5f, b.x + b.w - 0.5f, b.y + b.h - 0.5f, 3, BRASS);
            img.Line(b.x + b.w / 2.0f, b.y + 1.5f, b.x + b.w / 2.0f, b.y + b.h - 1.5f, 1, Hex(0x6a4a1a));
            return;
        case 624: img.FillRect(b.x, b.y, b.w, b.h, FRAME_LIGHT); img.FillRect(b.x, b.y + b.h - 1, b.w, 1, FRAME_DARK); return;
        // Terrain window tool pictures.
        case 610: Picture(img, b, P_MOUNTAIN); return;
        case 611: Picture(img, b, P_GRID); return;
        case 612: Picture(img, b, P_BRIGHTER); return;
        case 613: Picture(img, b, P_DARKER); return;
        case 614: Picture(img, b, P_RAISE); return;
        case 619: Picture(img, b, P_CELL); return;
        case 620: Picture(img, b, P_BRUSH); return;
        case 705: Picture(img, b, P_FLATTEN); return;
        // Cursor icons of the terrain tools.
        case 615: Clear(img, b); CursorIcon(img, b, P_BRIGHTER, false); return;
        case 616: Clear(img, b); CursorIcon(img, b, P_BRIGHTER, true); return;
        case 617: Clear(img, b); CursorIcon(img, b, P_DARKER, false); return;
        case 618: Clear(img, b); CursorIcon(img, b, P_DARKER, true); return;
        case 621: Clear(img, b); CursorIcon(img, b, P_RAISE, false); return;
        case 622: Clear(img, b); CursorIcon(img, b, P_RAISE, true); return;
        case 644: Clear(img, b); CursorIcon(img, b, P_FLATTEN, false); return;
        case 695: Clear(img, b); CursorIcon(img, b, P_WAGON, false); return;
        case 699: Clear(img, b); CursorIcon(img, b, P_HOUSE, false); return;
        case 703: Clear(img, b); CursorIcon(img, b, P_TREE, false); return;
        case 706: Picture(img, b, P_OBJECTS); return;
        case 707: Clear(img, b); CursorIcon(img, b, P_LEVEL, false); return;
        case 711: Clear(img, b); CursorIcon(img, b, P_SIGNAL, false); return;
        case 712: Clear(img, b); CursorIcon(img, b, P_TURNTABLE, false); return;
        case 713: Picture(img, b, P_ROTATE_L); return;
        case 714: Picture(img, b, P_ROTATE_R); return;
        case 704: {  // free track end label: a yellow ring
            Clear(img, b);
            img.Ring(b.x + b.w / 2.0f, b.y + b.h / 2.0f, b.w * 0.36f, b.w * 0.12f, Hex(0xffffff));
            img.Disc(b.x + b.w / 2.0f, b.y + b.h / 2.0f, b.w * 0.12f, Hex(0xffffff));
            return;
        }
        // Pictures of the control and track windows, 36 x 36.
        case 625: Picture(img, b, P_FOLDER); return;
        case 626: Picture(img, b, P_DISK); return;
        case 627: Picture(img, b, P_GEAR); return;
        case 698: Picture(img, b, P_LIST); return;
        case 718: Picture(img, b, P_GRID); return;
        case 629: Picture(img, b, P_RAILS); return;
        case 630: Picture(img, b, P_SIGNAL); return;
        case 631: Picture(img, b, P_SPEAKER); return;
        case 632: Picture(img, b, P_HOUSE); return;
        case 633: Picture(img, b, P_ENGINE); return;
        case 634: Picture(img, b, P_ORBIT); return;
        case 635: Picture(img, b, P_JOIN); return;
        case 636: Picture(img, b, P_INSULATE); return;
        case 637: Picture(img, b, P_HEIGHT); return;
        case 638: Picture(img, b, P_COUPLING); return;
        case 639: Picture(img, b, P_POWER); return;
        case 640: Picture(img, b, P_LEVER); return;
        case 642: Picture(img, b, P_BARRIER); return;
        case 652: Picture(img, b, P_LEVEL); return;
        // The name and turntable tools of the track window.
        case 628: Picture(img, b, P_NAME); return;
        case 666: Picture(img, b, P_TURNTABLE); return;
        // Cursor icons of the track tools.
        case 641: Clear(img, b); CursorIcon(img, b, P_NAME, false); return;
        case 643: Clear(img, b); CursorIcon(img, b, P_BARRIER, false); return;
        case 645: Clear(img, b); CursorIcon(img, b, P_HEIGHT, false); return;
        case 646: Clear(img, b); CursorIcon(img, b, P_JOIN, false); return;
        case 647: Clear(img, b); CursorIcon(img, b, P_LEVER, false); return;
        case 648: Clear(img, b); CursorIcon(img, b, P_INSULATE, false); return;
        case 649: Clear(img, b); CursorIcon(img, b, P_COUPLING, false); return;
        case 651: Clear(img, b); CursorIcon(img, b, P_POWER, false); return;
        case 663: Picture(img, b, P_SPEAKER); return;
        case 664: Picture(img, b, P_SUN); return;
        case 665: Picture(img, b, P_MOON); return;
        case 667: Picture(img, b, P_TREE); return;
        default:
            Picture(img, b, P_DOT);
            return;
    }
}

// The second edition's window frame pieces (ids 1000 to 1008) live in the
// lower left corner of the sheet.
void PaintSecondEditionFrame(Image& img) {
    const int rects[9][4] = {{1, 451, 5, 482},   {97, 451, 123, 482}, {6, 451, 95, 482},
                             {25, 443, 31, 446}, {33, 443, 39, 446},  {41, 444, 48, 450},
                             {49, 444, 56, 450}, {57, 444, 60, 450},  {62, 444, 66, 448}};
    for (int i = 0; i < 9; ++i) {
        const Box b{rects[i][0], rects[i][1], rects[i][2] - rects[i][0], rects[i][3] - rects[i][1]};
        if (i == 2)
            HorizontalBar(img, b);
        else if (i == 8)
            img.FillRect(b.x, b.y, b.w, b.h, Rgba{0.25f, 0.16f, 0.1f, 0.9f});
        else
            img.FillRect(b.x, b.y, b.w, b.h, Hex(0x6a4a2a));
    }
}

// A stretched image is sampled up to half a texel beyond its last column
// and row, so each image repeats its right column and bottom row into the
// free texels next to it; a neighbour's colours never bleed into it.
void ExtrudeEdges(Image& img) {
    const int W = img.Width(), H = img.Height();
    std::vector<char> used(static_cast<size_t>(W) * H, 0);
    auto mark = [&](int l, int t, int r, int b) {
        for (int y = std::max(0, t); y < std::min(H, b); ++y)
            for (int x = std::max(0, l); x < std::min(W, r); ++x) used[static_cast<size_t>(y) * W + x] = 1;
    };
    for (const SheetRect& r : SheetRects()) mark(r.left, r.top, r.right, r.bottom);
    mark(0, 440, 130, 485);  // the second edition's frame pieces
    auto isFree = [&](int x, int y) { return x >= 0 && y >= 0 && x < W && y < H && !used[static_cast<size_t>(y) * W + x]; };
    for (const SheetRect& r : SheetRects()) {
        if (r.right <= r.left || r.bottom <= r.top) continue;
        bool column = true, row = true;
        for (int y = r.top; y < r.bottom; ++y) column = column && isFree(r.right, y);
        for (int x = r.left; x < r.right; ++x) row = row && isFree(x, r.bottom);
        if (column) {
            for (int y = r.top; y < r.bottom; ++y) img.At(r.right, y) = img.At(r.right - 1, y);
            mark(r.right, r.top, r.right + 1, r.bottom);
        }
        if (row) {
            for (int x = r.left; x < r.right; ++x) img.At(x, r.bottom) = img.At(x, r.bottom - 1);
            mark(r.left, r.bottom, r.right, r.bottom + 1);
        }
        if (column && row && isFree(r.right, r.bottom)) {
            img.At(r.right, r.bottom) = img.At(r.right - 1, r.bottom - 1);
            mark(r.right, r.bottom, r.right + 1, r.bottom + 1);
        }
    }
}

bool WriteInterfaceSheet(const std::string& out) {
    Image sheet(1024, 512, Rgba{0, 0, 0, 0});
    PaintSecondEditionFrame(sheet);
    for (const SheetRect& r : SheetRects()) {
        const Box b{r.left, r.top, r.right - r.left, r.bottom - r.top};
        if (b.w <= 0 || b.h <= 0) continue;
        PaintId(sheet, r.id, b);
    }
    ExtrudeEdges(sheet);
    return WriteDds(out, "objects/bitmaps/bitmap.dds", sheet, DdsFormat::A8R8G8B8);
}

}  // namespace

VEL_CONTENT_GENERATOR("40_interface", WriteInterfaceSheet);

}  // namespace content
