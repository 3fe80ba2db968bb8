// Window drawing: frames, boxes, items, edit fields and sliders, all into
// the screen-sprite batches.
#include <cstring>

#include "app/myglobs.h"
#include "app/startlog.h"
#include "gfx/myfont.h"
#include "gfx/screensprites.h"
#include "ui/coordinates.h"
#include "ui/window.h"

namespace {

constexpr int INTERFACE_SLOT = 10;
constexpr int WHITE_SLOT = 9;

bool SecondEdition() { return myGlobs.secondEdition != 0; }

// A filled rectangle into the batch in use.
void FillRect(DWORD colour, int x1, int y1, int x2, int y2, int slot, int mode) {
    if (screenSprites.GetUseSpriteBatch())
        screenSprites.AddFilledRect(colour, static_cast<float>(x1), static_cast<float>(y1), static_cast<float>(x2),
                                    static_cast<float>(y2), slot, mode);
    else
        screenSprites.AddScreenfixFilledRect(colour, x1, y1, x2, y2, slot, mode);
}

// An image in its own size straight into the sprite batch.
void SpriteImage(int id, int x, int y, DWORD colour, int mode) {
    const int saved = screenSprites.GetUseSpriteBatch();
    screenSprites.SetUseSpriteBatch(1);
    int w, h;
    GetInterfaceImageSize(id, &w, &h);
    DrawImageRect(id, x, y, w, h, INTERFACE_SLOT, colour, mode);
    screenSprites.SetUseSpriteBatch(saved);
}

void Image(int id, int x, int y) { DrawImage(id, x, y, INTERFACE_SLOT, 0xFFFFFFFF); }

}  // namespace

void DrawBox(int left, int top, int right, int bottom, DWORD colour, int mode) {
    screenSprites.AddFilledRect(colour, static_cast<float>(left), static_cast<float>(top), static_cast<float>(right),
                                static_cast<float>(bottom), INTERFACE_SLOT, mode);
    const bool second = SecondEdition();
    int hw, hh, vw, vh;
    GetInterfaceImageSize(672, &hw, &hh);
    GetInterfaceImageSize(673, &vw, &vh);
    const int bottomEdge = second ? 708 : 672;
    const int rightEdge = second ? 709 : 673;
    int bw, bh, rw, rh;
    GetInterfaceImageSize(bottomEdge, &bw, &bh);
    GetInterfaceImageSize(rightEdge, &rw, &rh);
    if (hw > 0)
        for (int x = left; x + hw <= right; x += hw) SpriteImage(672, x, top, 0xFFFFFFFF, 0);
    if (vh > 0)
        for (int y = top; y + vh <= bottom; y += vh) SpriteImage(673, left, y, 0xFFFFFFFF, 0);
    if (bw > 0)
        for (int x = left; x + bw <= right; x += bw) SpriteImage(bottomEdge, x, bottom - bh, 0xFFFFFFFF, 0);
    if (rh > 0)
        for (int y = top; y + rh <= bottom; y += rh) SpriteImage(rightEdge, right - rw, y, 0xFFFFFFFF, 0);
    int w, h;
    SpriteImage(668, left, top, 0xFFFFFFFF, 0);
    GetInterfaceImageSize(670, &w, &h);
    SpriteImage(670, left, bottom - h, 0xFFFFFFFF, 0);
    GetInterfaceImageSize(669, &w, &h);
    SpriteImage(669, right - w, top, 0xFFFFFFFF, 0);
    GetInterfaceImageSize(671, &w, &h);
    SpriteImage(671, right - w, bottom - h, 0xFFFFFFFF, 0);
}

void DrawWindowFrameAlt(const char* caption, int left, int top, int right, int bottom) {
    const int w = right - left, h = bottom - top;
    DrawImageStretched(1008, left + 2, top + 2, w - 4, h - 4, INTERFACE_SLOT, 0);
    DrawImageStretched(1003, left, top + 29, 6, h - 35, INTERFACE_SLOT, 0);
    DrawImageStretched(1004, right - 5, top + 29, 6, h - 35, INTERFACE_SLOT, 0);
    Image(1000, left, top);
    DrawImageHStretch(1002, left + 4, top, w - 29, INTERFACE_SLOT);
    Image(1001, right - 25, top);
    DrawImageHStretch(1007, left + 6, bottom - 6, w - 11, INTERFACE_SLOT);
    Image(1006, right - 5, bottom - 6);
    Image(1005, left, bottom - 6);
    DrawFontText(left + 15, top + 4, caption, "font_caption", 27, 0xFFF8AC39, SPRITEMODE_LINEAR, -1);
}

void DrawWindowFrame(const char* caption, int left, int top, int right, int bottom, uint32_t style) {
    if (SecondEdition()) {
        DrawWindowFrameAlt(caption, left, top, right, bottom);
        return;
    }
    const int w = right - left, h = bottom - top;
    if (style & WINSTYLE_SMALL) {
        FillRect(0x80606080, left, top, right, bottom, WHITE_SLOT, 0);
        FillRect(0x80404050, left, top, right, top + 25, WHITE_SLOT, 0);
        Image(680, left, top);
        Image(681, right - 3, top);
        Image(682, left, bottom - 3);
        Image(683, right - 3, bottom - 3);
        DrawImageHStretch(684, left + 3, top, w - 6, INTERFACE_SLOT);
        DrawImageStretched(685, right - 3, top + 3, 3, h - 6, INTERFACE_SLOT, 0);
        DrawImageStretched(687, left, top + 3, 3, h - 6, INTERFACE_SLOT, 0);
        DrawImageHStretch(686, left + 3, bottom - 3, w - 6, INTERFACE_SLOT);
        int tw = 0, th = 0;
        MeasureFontText("fontp", caption ? caption : "", 15, &tw, &th);
        DrawFontText(left + w / 2 - tw / 2, top + 6, caption, "fontp", 15, 0xFFFFFFFF, SPRITEMODE_LINEAR, -1);
        return;
    }
    DrawImageStretched((style & WINSTYLE_ALTBACK) ? 700 : 604, left + 5, top + 21, w - 25, h - 25, INTERFACE_SLOT, 0);
    Image(595, left, top);
    DrawImageHStretch(596, left + 13, top, w - 13, INTERFACE_SLOT);
    Image(597, right - 46, top);
    DrawImageStretched(598, right - 22, top + 47, 23, h - 47, INTERFACE_SLOT, 0);
    DrawImageHStretch(600, left + 10, bottom - 4, w - 10, INTERFACE_SLOT);
    Image(599, right - 22, bottom - 22);
    Image(601, left, bottom - 9);
    DrawImageStretched(602, left, top + 13, 5, h - 13, INTERFACE_SLOT, 0);
    DrawFontText(left + 15, top + 6, caption, "font_taho", 17, 0xFFFFFF00, SPRITEMODE_LINEAR, -1);
}

void DrawWinobjEdit(const char* buffer, int x, int y, int enabled, uint32_t flags, int size, DWORD colour) {
    if (!buffer) return;
    const char* font = (flags & WINOBJ_SPRITEBATCH) ? "fontp" : "font_taho";
    int tw = 0, th = 0;
    MeasureFontText(font, buffer, size, &tw, &th);
    if (!enabled) {
        colour = 0xFF77304C;
    } else if (!(flags & WINOBJ_SPRITEBATCH)) {
        FillRect(0xA0606060, x - 1, y - 3, x + tw + 1, y + th - 1, WHITE_SLOT, 0);
    }
    DrawFontText(x, y, buffer, font, size, colour, SPRITEMODE_LINEAR, -1);
}

void WINSLIDER::Draw(int x, int y) const {
    int bw, bh, kw, kh;
    GetInterfaceImageSize(624, &bw, &bh);
    GetInterfaceImageSize(623, &kw, &kh);
    DrawImageRect(624, x, y + (kh - bh) / 2, width, bh, INTERFACE_SLOT, 0xFFFFFFFF, 0);
    DrawImageRect(623, x + knobLeft, y, kw, kh, INTERFACE_SLOT, 0xFFFFFFFF, 0);
}

void WINOBJ::Draw(int left, int top, int titleHeight, int hovered) {
    if (!visible) return;
    const int X = left + x, Y = top + titleHeight + y;
    const bool sprites = (flags & WINOBJ_SPRITEBATCH) != 0;
    if (sprites) screenSprites.SetUseSpriteBatch(1);
    const bool second = SecondEdition();
    switch (kind) {
        case WINOBJ_BUTTON:
            if (state == WINOBJ_BUTTON_ON) DrawImageRect(560, X, Y, w, h, INTERFACE_SLOT, colour, SPRITEMODE_LINEAR);
            else if (state == WINOBJ_BUTTON_OFF)
                DrawImageRect(561, X, Y, w, h, INTERFACE_SLOT, colour, SPRITEMODE_LINEAR);
            else TraceText("Unknown object state by DrawWINOBJ()");
            break;
        case WINOBJ_TITLE:
        case WINOBJ_TEXT:
            DrawFontText(X, Y, text, fontName, fontSize, colour, SPRITEMODE_LINEAR, -1);
            break;
        case WINOBJ_SMALLTEXT:
        case WINOBJ_SMALLTEXT2:
            DrawFontText(X, Y, text, fontName, fontSize, 0xFF003030, SPRITEMODE_LINEAR, -1);
            break;
        case WINOBJ_OK:
        case WINOBJ_CANCEL: {
            const int image = kind == WINOBJ_OK ? 562 : 563;
            DrawImageRect(image, X, Y, w, h, INTERFACE_SLOT, 0xFFFFFFFF, 0);
            if (hovered) {
                int iw, ih;
                GetInterfaceImageSize(image, &iw, &ih);
                DrawImageRect(image, X, Y, iw, ih, INTERFACE_SLOT, 0xFFFFFFFF, SPRITEMODE_ADDITIVE);
            }
            break;
        }
        case WINOBJ_GAUGE:
        case WINOBJ_GAUGE2: {
            Image(kind == WINOBJ_GAUGE ? 564 : 565, X, Y);
            const int markerY = top + titleHeight + gaugeBottom - (gaugeBottom - gaugeTop) * value / 100;
            Image(566, X + (kind == WINOBJ_GAUGE ? 16 : 14), markerY - 2);
            break;
        }
        case WINOBJ_LIST:
            if (list) list->Draw(X, Y);
            break;
        case WINOBJ_EDIT:
            if (edit) DrawWinobjEdit(edit->text, X, Y, enabled, flags, fontSize, colour);
            break;
        case WINOBJ_COLORPICKER:
            screenSprites.AddColorGradient(0xFFFFFFFF, 1, D3DXVECTOR2(static_cast<float>(X), static_cast<float>(Y + h)),
                                           D3DXVECTOR2(static_cast<float>(X + w / 2), static_cast<float>(Y)),
                                           D3DXVECTOR2(static_cast<float>(X + w), static_cast<float>(Y + h)),
                                           WHITE_SLOT);
            break;
        case WINOBJ_COLORBAR:
            screenSprites.AddColorGradient(colourA, 3, D3DXVECTOR2(static_cast<float>(X), static_cast<float>(Y)),
                                           D3DXVECTOR2(static_cast<float>(X + w), static_cast<float>(Y + h)),
                                           D3DXVECTOR2(0.0f, 0.0f), WHITE_SLOT);
            break;
        case WINOBJ_COLORBAR2:
            screenSprites.AddColorGradient(colourB, 2, D3DXVECTOR2(static_cast<float>(X), static_cast<float>(Y)),
                                           D3DXVECTOR2(static_cast<float>(X + w), static_cast<float>(Y + h)),
                                           D3DXVECTOR2(0.0f, 0.0f), WHITE_SLOT);
            break;
        case WINOBJ_TEXTBUTTON: {
            int cw, ch;
            GetInterfaceImageSize(569, &cw, &ch);
            Image(569, X, Y);
            DrawImageRect(571, X + cw, Y, w - 2 * cw, ch, INTERFACE_SLOT, 0xFFFFFFFF, 0);
            Image(570, X + w - cw, Y);
            int tw = 0, th = 0;
            MeasureFontText("font_taho2", label, 15, &tw, &th);
            DWORD c;
            if (second) c = hovered ? 0xFF534032 : 0xFFFFAE37;
            else c = hovered ? 0xFF00FFFF : 0xFFFFFFFF;
            DrawFontText(X + cw, Y + (ch - th) / 2 + 1, label, "font_taho2", 15, c, SPRITEMODE_LINEAR, -1);
            break;
        }
        case WINOBJ_PICTURE:
            for (int pass = 0; pass < (hovered ? 2 : 1); ++pass) {
                const int mode = pass ? SPRITEMODE_ADDITIVE : 0;
                if (pictureHighlight) FillRect(0x80FF0000, X - 2, Y - 2, X + w + 2, Y + h + 2, WHITE_SLOT, mode);
                DrawImageRect(pictureId, X, Y, w, h, pictureSlot, 0xFFFFFFFF, mode);
            }
            break;
        case WINOBJ_SLIDER:
            slider.Draw(X, Y);
            break;
        default:
            TraceText("Unknown type by WINOBJ::Draw()");
            break;
    }
    if (sprites) screenSprites.SetUseSpriteBatch(0);
}

void WINDOW::Draw() {
    if (!visible) return;
    if (styleFlags & WINSTYLE_BOX) {
        DrawBox(left, top, right, bottom, SecondEdition() ? 0xE0653F27 : 0xE0103030, 0);
    } else if (!(styleFlags & WINSTYLE_NOFRAME)) {
        DrawWindowFrame(caption, left, top, right, bottom, styleFlags);
    }
    const int hover = GetHoverWinobj();
    for (WINOBJ* o = items; o; o = o->next) o->Draw(left, top, titleHeight, o->id == hover);
}

void WINDOW::DrawPreviews() {
    if (!visible) return;
    for (WINOBJ* o = items; o; o = o->next)
        if (o->visible && o->list) o->list->DrawPreviews(left + o->x, top + o->y + titleHeight);
}
