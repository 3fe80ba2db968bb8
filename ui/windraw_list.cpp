// List control drawing: rows, scroll bar and the turning 3-D previews of the
// object and track-type lists.
#include <cmath>

#include "app/myglobs.h"
#include "app/winmain.h"
#include "gfx/display.h"
#include "gfx/myfont.h"
#include "gfx/screensprites.h"
#include "platform/d3dx8math.h"
#include "rail/layoutstate.h"
#include "rail/track.h"
#include "ui/coordinates.h"
#include "ui/window.h"
#include "world/lightlist.h"
#include "world/xobject.h"

namespace {

constexpr int INTERFACE_SLOT = 10;
constexpr int WHITE_SLOT = 9;
constexpr float PREVIEW_FOV = 0.7853982f;

// The turning angle shared by every preview list.
float previewAngle = 0.0f;

void FillRect(DWORD colour, int x1, int y1, int x2, int y2) {
    if (screenSprites.GetUseSpriteBatch())
        screenSprites.AddFilledRect(colour, static_cast<float>(x1), static_cast<float>(y1), static_cast<float>(x2),
                                    static_cast<float>(y2), WHITE_SLOT, 0);
    else
        screenSprites.AddScreenfixFilledRect(colour, x1, y1, x2, y2, WHITE_SLOT, 0);
}

// Both passes of one object record at the current world transform.
void DrawRecord(int xid) {
    if (!myGlobs.xObjects || xid < 0 || xid >= myGlobs.xObjectCount) return;
    myGlobs.xObjects[xid].Draw(0, 0, 1, 0, 0, 0);
    myGlobs.xObjects[xid].Draw(0, 0, 2, 0, 0, 0);
}

}  // namespace

void WINLIST::Draw(int x, int y) {
    if (rowHeight <= 0 || width <= 0) return;  // never set up
    const bool second = myGlobs.secondEdition != 0;
    const int clip = width - scrollBarWidth + 1;
    if (kind == WINLIST_TEXT) {
        FillRect(0x80646464, x, y, x + width, y + height);
        for (int i = 0; i < visible && first + i < count; ++i) {
            const int r = first + i;
            if (r == selected) FillRect(0x80001010, x, y + i * rowHeight, x + width - 1, y + (i + 1) * rowHeight);
            const DWORD c = colourColumn ? colour[r] : (second ? 0xFFFAD830 : 0xFFFFFFFF);
            DrawFontText(x + 3, y + i * rowHeight, text[r], "font_taho", 17, c, SPRITEMODE_LINEAR, clip);
        }
    } else if (kind == WINLIST_XOBJECT || kind == WINLIST_TRACKTYPE) {
        FillRect(0x80646464, x, y, x + width, y + height);
        for (int i = 0; i < visible && first + i < count; ++i) {
            const int r = first + i;
            if (r == selected) FillRect(0x8000AAAA, x, y + i * rowHeight, x + width - 1, y + (i + 1) * rowHeight);
            FillRect(0x80000000, x, y + (i + 1) * rowHeight - 12, x + width - 1, y + (i + 1) * rowHeight);
            const char* name = kind == WINLIST_XOBJECT ? text[r] : trackList.GetTypeName(r);
            DrawFontText(x + 3, y + (i + 1) * rowHeight - 13, name, "font_taho2", 15,
                         second ? 0xFFFFAE37 : 0xFFFFFFFF, SPRITEMODE_LINEAR, clip);
        }
    } else if (kind == WINLIST_IMAGE) {
        FillRect(0x80646464, x, y, x + rowWidth - 1, y + height);
        for (int i = 0; i < visible && first + i < count; ++i) {
            const int r = first + i;
            if (r == selected) FillRect(0x80FF0000, x, y + i * rowHeight, x + rowWidth - 1, y + (i + 1) * rowHeight);
            screenSprites.AddScreenfixQuad(static_cast<float>(x + 2), static_cast<float>(y + i * rowHeight + 2),
                                           static_cast<float>(x + rowWidth - 3),
                                           static_cast<float>(y + (i + 1) * rowHeight - 2), imageRect[r][0],
                                           imageRect[r][1], imageRect[r][2], imageRect[r][3], texture[r]);
        }
    }

    // Scroll bar.
    UpdateThumb();
    int aw, ah, tw, th;
    GetInterfaceImageSize(567, &aw, &ah);
    GetInterfaceImageSize(605, &tw, &th);
    DrawImageRect(567, x + upLeft, y + upTop, aw, ah, INTERFACE_SLOT, 0xFFFFFFFF, 0);
    const int columnTop = y + upBottom + 1;
    const int columnHeight = (y + downTop) - columnTop;
    if (columnHeight > 0) DrawImageRect(606, x + upLeft, columnTop, aw, columnHeight, INTERFACE_SLOT, 0xFFFFFFFF, 0);
    int dw, dh;
    GetInterfaceImageSize(568, &dw, &dh);
    DrawImageRect(568, x + downLeft, y + downTop, dw, dh, INTERFACE_SLOT, 0xFFFFFFFF, 0);
    DrawImageRect(605, x + thumbLeft, y + thumbTop, tw, th, INTERFACE_SLOT, 0xFFFFFFFF, 0);
}

void WINLIST::DrawPreviews(int x, int y) {
    if (kind != WINLIST_XOBJECT && kind != WINLIST_TRACKTYPE) return;
    previewAngle += static_cast<float>(frameTime) / 2000.0f;
    IDirect3DDevice8* device = display.GetDevice();
    if (!device || rowHeight <= 0) return;

    lightList.SetFullAmbient();
    D3DXMATRIX projection, identity;
    D3DXMatrixPerspectiveFovLH(&projection, PREVIEW_FOV, display.GetAspectRatio(), 0.1f, display.GetFarPlane());
    device->SetTransform(D3DTS_PROJECTION, &projection);
    D3DXMatrixIdentity(&identity);
    device->SetTransform(D3DTS_WORLD, &identity);
    D3DVIEWPORT8 saved{};
    device->GetViewport(&saved);

    const int screenW = display.GetScreenWidth(), screenH = display.GetScreenHeight();
    for (int i = 0; i < visible && first + i < count; ++i) {
        const int r = first + i;
        D3DVIEWPORT8 vp = saved;
        const int vx = x + 2, vy = y + i * rowHeight + 2;
        const int vw = width - scrollBarWidth - 4, vh = rowHeight - 14;
        if (vx < 0 || vy < 0 || vw <= 0 || vh <= 0 || vx + vw > screenW || vy + vh > screenH) continue;
        vp.X = static_cast<DWORD>(vx);
        vp.Y = static_cast<DWORD>(vy);
        vp.Width = static_cast<DWORD>(vw);
        vp.Height = static_cast<DWORD>(vh);

        D3DXVECTOR3 eye, target;
        int xid = -1;
        if (kind == WINLIST_XOBJECT) {
            xid = object[r];
            if (!myGlobs.xObjects || xid < 0 || xid >= myGlobs.xObjectCount) continue;
            const XOBJECT& o = myGlobs.xObjects[xid];
            const float radius = o.sphereRadius;
            const float cz = o.sphereCentre.z;
            eye = D3DXVECTOR3(std::sin(previewAngle) * 2.0f * radius, std::cos(previewAngle) * 2.0f * radius, 2.0f * cz);
            target = D3DXVECTOR3(0.0f, 0.0f, cz);
        } else {
            eye = D3DXVECTOR3(std::sin(previewAngle) * 2.0f, std::cos(previewAngle) * 2.0f, -1.0f);
            target = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
        }
        const D3DXVECTOR3 up(0.0f, 0.0f, -1.0f);
        D3DXMATRIX view;
        D3DXMatrixLookAtLH(&view, &eye, &target, &up);
        device->SetTransform(D3DTS_VIEW, &view);

        if (FAILED(device->TestCooperativeLevel())) break;
        device->SetViewport(&vp);
        device->Clear(0, nullptr, D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
        device->BeginScene();
        if (kind == WINLIST_TRACKTYPE) {
            device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
            trackList.RenderType(r, 1);
            device->SetRenderState(D3DRS_CULLMODE, display.GetDefaultRenderState(D3DRS_CULLMODE));
        } else {
            const XOBJECT& o = myGlobs.xObjects[xid];
            DrawRecord(DetBlinkXID(xid, currentTime));
            const float d = o.vehicleLength2;
            if (d > 0.0f && xid + 1 < myGlobs.xObjectCount) {
                for (int direction : {1, -1}) {
                    D3DXVECTOR3 p(0.0f, 0.0f, 0.0f);
                    DetPosAlongHeading(0.0f, 0.0f, 0.0f, 0.0f, 0.0f, direction, d, &p, nullptr);
                    D3DXMATRIX world;
                    D3DXMatrixTranslation(&world, p.x, p.y, p.z);
                    device->SetTransform(D3DTS_WORLD, &world);
                    DrawRecord(xid + 1);
                }
                device->SetTransform(D3DTS_WORLD, &identity);
            }
        }
        device->EndScene();
    }

    device->SetViewport(&saved);
    display.UpdateView(1, layoutState.GetCameraTargetX(), layoutState.GetCameraTargetY());
    D3DXMatrixPerspectiveFovLH(&projection, PREVIEW_FOV, display.GetAspectRatio(), display.GetNearPlane(),
                               display.GetFarPlane());
    device->SetTransform(D3DTS_PROJECTION, &projection);
    lightList.RestoreAmbient();
}
