// Drawing of the track: the types' meshes, the shared render buffer, the
// pieces with their markers and signs, and the track labels.
#include <cmath>
#include <cstring>

#include "app/myglobs.h"
#include "app/startlog.h"
#include "app/winmain.h"
#include "gfx/geometry.h"
#include "gfx/myfont.h"
#include "gfx/render.h"
#include "gfx/texturemanager.h"
#include "rail/control.h"
#include "rail/layoutstate.h"
#include "rail/power.h"
#include "rail/track.h"
#include "rail/xtrack.h"
#include "ui/coordinates.h"
#include "ui/window.h"
#include "world/xobject.h"

// track_links.cpp
IDirect3DDevice8* TrackDevice();
int TrackCameraEye(D3DXVECTOR3* eye);
DISPLAY_BUFFER* TrackCreateBuffer(int vertexBytes, int indexBytes, DISPLAY_BUFFER* node);
void TrackReleaseBuffer(DISPLAY_BUFFER** node);
IDirect3DVertexBuffer8* TrackGetVB(DISPLAY_BUFFER* node);
IDirect3DIndexBuffer8* TrackGetIB(DISPLAY_BUFFER* node);
void TrackLightsOn(float x, float y);
void TrackLightsOff();
void TrackRestoreRenderState(D3DRENDERSTATETYPE state, DWORD fallback);

namespace {
constexpr double DEG = 3.14159265358979323846 / 180.0;

// Texture slots of the track drawing.
constexpr int SLOT_TRACK = 5;
constexpr int SLOT_TRACK_SELECTED = 8;
constexpr int SLOT_TUNNEL = 23;
constexpr int SLOT_BRIDGE = 24;
constexpr int SLOT_HIGHLIGHT = 34;

// Object ids of the markers and signs.
constexpr int OBJ_POWER = 100;
constexpr int OBJ_INSULATION = 102;
constexpr int OBJ_MARK = 103;
constexpr int OBJ_DETACH_OFF = 104;
constexpr int OBJ_DETACH_ON = 105;
constexpr int OBJ_BARRIER_STOP = 106;
constexpr int OBJ_BARRIER_GO = 107;
constexpr int IMAGE_FREE_END = 704;

// Render-state values the display keeps as its defaults (used when the
// display cannot tell them).
constexpr DWORD DEFAULT_ALPHABLEND = 0;
constexpr DWORD DEFAULT_ALPHATEST = 1;
constexpr DWORD DEFAULT_CULL = 3;
constexpr DWORD DEFAULT_ZWRITE = 1;
constexpr DWORD DEFAULT_LIGHTING = 1;
constexpr DWORD DEFAULT_ZBIAS = 0;
constexpr DWORD DEFAULT_SRCBLEND = 5;
constexpr DWORD DEFAULT_DESTBLEND = 6;

void BindSlot(IDirect3DDevice8* device, int slot) { textureManager.SetTexture(device, slot); }

void DrawRange(IDirect3DDevice8* device, DISPLAY_BUFFER* node, int firstVertex, int vertexCount, int firstIndex,
               int triangles) {
    IDirect3DVertexBuffer8* vb = TrackGetVB(node);
    IDirect3DIndexBuffer8* ib = TrackGetIB(node);
    if (!vb || !ib || triangles <= 0) return;
    device->SetVertexShader(TRACK_FVF);
    device->SetStreamSource(0, vb, 32);
    device->SetIndices(ib, 0);
    device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, firstVertex, vertexCount, firstIndex, triangles);
}

// Row-vector matrices of the piece transform.
struct M4 {
    float m[4][4];
};
M4 Identity() {
    M4 r{};
    for (int i = 0; i < 4; i++) r.m[i][i] = 1.0f;
    return r;
}
M4 Mul(const M4& a, const M4& b) {
    M4 r{};
    for (int i = 0; i < 4; i++)
        for (int j = 0; j < 4; j++)
            for (int k = 0; k < 4; k++) r.m[i][j] += a.m[i][k] * b.m[k][j];
    return r;
}
M4 RotX(float deg) {
    M4 r = Identity();
    float c = float(std::cos(deg * DEG)), s = float(std::sin(deg * DEG));
    r.m[1][1] = c;
    r.m[1][2] = s;
    r.m[2][1] = -s;
    r.m[2][2] = c;
    return r;
}
M4 RotY(float deg) {
    M4 r = Identity();
    float c = float(std::cos(deg * DEG)), s = float(std::sin(deg * DEG));
    r.m[0][0] = c;
    r.m[0][2] = -s;
    r.m[2][0] = s;
    r.m[2][2] = c;
    return r;
}
M4 RotZ(float deg) {
    M4 r = Identity();
    float c = float(std::cos(deg * DEG)), s = float(std::sin(deg * DEG));
    r.m[0][0] = c;
    r.m[0][1] = s;
    r.m[1][0] = -s;
    r.m[1][1] = c;
    return r;
}

// The transform of a piece's base mesh: scale (stretched pieces), pitch, roll
// (curves), heading, translation, in that order of application.
M4 PieceMatrix(const TRACK* p) {
    M4 m = Identity();
    if (p->kind == TRACK_STRETCHED) m.m[0][0] = p->length / 0.25f;
    m = Mul(m, RotY(p->pitch));
    if (p->kind == TRACK_CURVE) m = Mul(m, RotX(-p->pitch / 7.0f));
    m = Mul(m, RotZ(p->heading));
    m.m[3][0] += p->x;
    m.m[3][1] += p->y;
    m.m[3][2] += p->z;
    return m;
}

// Sets the world transform of a piece; the curve's roll applies to its base
// mesh only.
void SetPieceTransform(const TRACK* p, bool baseMesh) {
    SetWorldTranslation(p->x, p->y, p->z);
    if (p->heading != 0.0f) RotateWorldZ(p->heading);
    if (baseMesh && p->kind == TRACK_CURVE && p->pitch != 0.0f) RotateWorldX(-p->pitch / 7.0f);
    if (p->pitch != 0.0f) RotateWorldY(p->pitch);
    if (p->kind == TRACK_STRETCHED) ScaleWorldX(p->length / 0.25f);
}

void DrawMarker(int objId, float x, float y, float z, float heading) {
    DrawXObjectAt(objId, x, y, z, heading, 0.0f, 1.0f, -1, -1, 0, 0.0f, 12, 1);
}
} // namespace

// ---------------------------------------------------------------------------
// Type draws (the caller has set the world transform)

void TrackDrawTypeBase(DISPLAY_BUFFER* node, int vertexCount, int triangles, int mode, int endPiece) {
    IDirect3DDevice8* device = TrackDevice();
    if (!device) return;
    if (mode == 3) {
        device->SetRenderState(D3DRS_ZBIAS, 2);
        device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ONE);
        device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
        device->SetRenderState(D3DRS_LIGHTING, FALSE);
        BindSlot(device, SLOT_HIGHLIGHT);
    } else {
        BindSlot(device, mode == 2 ? SLOT_TRACK_SELECTED : SLOT_TRACK);
    }
    DrawRange(device, node, 0, vertexCount, 0, triangles);
    if (mode == 3) {
        TrackRestoreRenderState(D3DRS_ZBIAS, DEFAULT_ZBIAS);
        TrackRestoreRenderState(D3DRS_SRCBLEND, DEFAULT_SRCBLEND);
        TrackRestoreRenderState(D3DRS_DESTBLEND, DEFAULT_DESTBLEND);
        TrackRestoreRenderState(D3DRS_LIGHTING, DEFAULT_LIGHTING);
    }
    if (endPiece) {
        RotateWorldZ(90.0f);
        DrawXObject(BUFFERSTOP_OBJID, 1, 0xFFFFFFFF, 0xFFFFFFFF, 0, 12, -1);
    }
}

void TrackDrawTypeTunnel(DISPLAY_BUFFER* node, int firstVertex, int vertexCount, int firstIndex, int triangles) {
    IDirect3DDevice8* device = TrackDevice();
    if (!device) return;
    BindSlot(device, SLOT_TUNNEL);
    DrawRange(device, node, firstVertex, vertexCount, firstIndex, triangles);
}

void TrackDrawTypeBridge(DISPLAY_BUFFER* node, int firstVertex, int vertexCount, int firstIndex, int triangles) {
    IDirect3DDevice8* device = TrackDevice();
    if (!device) return;
    BindSlot(device, SLOT_BRIDGE);
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
    device->SetRenderState(D3DRS_ALPHATESTENABLE, TRUE);
    DrawRange(device, node, firstVertex, vertexCount, firstIndex, triangles);
    // Back to the state the track pass draws in.
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    device->SetRenderState(D3DRS_ALPHATESTENABLE, FALSE);
}

void TRACK_LIST::RenderType(int i, int mode) {
    if (XTRACK* t = GetType(i)) t->Render(mode);
}

void TRACK_LIST::RenderTypeTunnel(int i) {
    if (XTRACK* t = GetType(i)) t->RenderTunnel();
}

void TRACK_LIST::RenderTypeBridge(int i) {
    if (XTRACK* t = GetType(i)) t->RenderBridge();
}

void TRACK_LIST::FillTypeList(WINDOW* window, int item) {
    InitWinList(window, item, 3, 0);
    for (int i = 0; i < typeCount; i++) AddWinListObjectRow(window, item, i, i);
    RestoreWinListScroll(window, item);
}

// ---------------------------------------------------------------------------
// Shared render buffer

void TRACK_LIST::CreateRenderBuffer() {
    bufferVertices = bufferTriangles = bufferIndices = 0;
    if (pBuffer) TrackReleaseBuffer(&pBuffer);
    pBuffer = TrackCreateBuffer(vbCapacity, ibCapacity, nullptr);
    bBufferCreated = pBuffer ? 1 : 0;
}

void TRACK_LIST::ReleaseRenderBuffer() {
    if (pBuffer) TrackReleaseBuffer(&pBuffer);
    pBuffer = nullptr;
    bBufferCreated = 0;
    bufferVertices = bufferTriangles = bufferIndices = 0;
}

int TRACK_LIST::FillRenderBuffer() {
    IDirect3DVertexBuffer8* vb = bBufferCreated ? TrackGetVB(pBuffer) : nullptr;
    IDirect3DIndexBuffer8* ib = bBufferCreated ? TrackGetIB(pBuffer) : nullptr;
    if (!vb || !ib) {
        for (TRACK* p = pHead; p; p = p->pNext) p->bInBuffer = 0;
        return 0;
    }
    if (!pHead) {
        bufferVertices = bufferTriangles = bufferIndices = 0;
        return 1;
    }
    BYTE* vdata = nullptr;
    BYTE* idata = nullptr;
    if (FAILED(vb->Lock(0, 0, &vdata, 0)) || !vdata) {
        for (TRACK* p = pHead; p; p = p->pNext) p->bInBuffer = 0;
        return 0;
    }
    if (FAILED(ib->Lock(0, 0, &idata, 0)) || !idata) {
        vb->Unlock();
        for (TRACK* p = pHead; p; p = p->pNext) p->bInBuffer = 0;
        return 0;
    }
    XVERTEX* vout = reinterpret_cast<XVERTEX*>(vdata);
    WORD* iout = reinterpret_cast<WORD*>(idata);
    bufferVertices = bufferTriangles = bufferIndices = 0;
    for (TRACK* p = pHead; p; p = p->pNext) {
        p->bInBuffer = 0;
        if (p->bSelected || p->groundState == GROUND_RAISED || p->bTurntable) continue;
        XTRACK* t = GetType(p->typeIndex);
        if (!t) continue;
        int bv = 0, bi = 0, bt = 0;
        t->GetBaseCounts(&bv, &bi, &bt);
        if (32 * (bufferVertices + bv) >= vbCapacity || 2 * (bufferIndices + bi) >= ibCapacity) continue;
        if (TrackLitByLamp(p->x, p->y)) continue;
        const XVERTEX* sv = nullptr;
        const WORD* si = nullptr;
        if (!t->LockBase(&sv, &si)) continue;
        M4 m = PieceMatrix(p);
        float uScale = (p->kind == TRACK_STRETCHED) ? p->length / 0.25f : 1.0f;
        for (int k = 0; k < bv; k++) {
            XVERTEX v = sv[k];
            float x = v.x, y = v.y, z = v.z;
            v.x = x * m.m[0][0] + y * m.m[1][0] + z * m.m[2][0] + m.m[3][0];
            v.y = x * m.m[0][1] + y * m.m[1][1] + z * m.m[2][1] + m.m[3][1];
            v.z = x * m.m[0][2] + y * m.m[1][2] + z * m.m[2][2] + m.m[3][2];
            v.u *= uScale;
            vout[bufferVertices + k] = v;
        }
        for (int k = 0; k < bi; k++) iout[bufferIndices + k] = static_cast<WORD>(si[k] + bufferVertices);
        t->UnlockBase();
        bufferVertices += bv;
        bufferIndices += bi;
        bufferTriangles += bt;
        p->bInBuffer = 1;
    }
    ib->Unlock();
    vb->Unlock();
    return 1;
}

void TRACK_LIST::DrawRenderBuffer() {
    if (!bBufferCreated || bufferTriangles <= 0) return;
    IDirect3DDevice8* device = TrackDevice();
    if (!device) return;
    SetIdentityWorld();
    BindSlot(device, SLOT_TRACK);
    DrawRange(device, pBuffer, 0, bufferVertices, 0, bufferTriangles);
}

// ---------------------------------------------------------------------------
// Pieces

void TRACK::Render() {
    IDirect3DDevice8* device = TrackDevice();
    XTRACK* type = trackList.GetType(typeIndex);
    bool knownKind = kind >= 0 && kind <= 5;
    if (!knownKind) TraceText("Unknown type by TRACK::Render()");
    if (device && type && knownKind) {
        // 1. Tunnel over a piece partly under the ground.
        if (groundState == GROUND_UNDER && layoutState.GetDrawUnderground()) {
            bool grid = TrackGridView() != 0;
            device->SetRenderState(grid ? D3DRS_ZWRITEENABLE : D3DRS_ALPHABLENDENABLE, FALSE);
            SetPieceTransform(this, false);
            type->RenderTunnel();
            device->SetRenderState(grid ? D3DRS_ZWRITEENABLE : D3DRS_ALPHABLENDENABLE, TRUE);
        }
        // 2. Bridge under a raised piece.
        if (groundState == GROUND_RAISED && layoutState.GetDrawRaised() && !bTurntable) {
            SetPieceTransform(this, false);
            type->RenderBridge();
        } else if (groundState == GROUND_RAISED) {
            device->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
        }
        // 3. The base mesh, unless the shared buffer holds it.
        if (!bInBuffer && !bTurntable) {
            SetPieceTransform(this, true);
            if (kind == TRACK_STRETCHED) {
                D3DMATRIX tm{};
                tm.m[0][0] = length / 0.25f;
                tm.m[1][1] = 1.0f;
                tm.m[2][2] = 1.0f;
                tm.m[3][3] = 1.0f;
                device->SetTransform(D3DTS_TEXTURE0, &tm);
                device->SetTextureStageState(0, D3DTSS_TEXTURETRANSFORMFLAGS, D3DTTFF_COUNT2);
            }
            type->Render(bSelected ? 2 : 1);
            device->SetTextureStageState(0, D3DTSS_TEXTURETRANSFORMFLAGS, D3DTTFF_DISABLE);
        }
        if (groundState == GROUND_RAISED) device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    }
    // 4. Turntable pit and deck; the turn advances while it is drawn.
    if (bTurntable) {
        if (device) {
            DrawXObjectAt(turntableObj, x, y, z, pitHeading, pitch, 1.0f, -1, -1, 0, 0.0f, 12, 1);
            DrawXObjectAt(turntableObj + 1, x, y, z, heading, pitch, 1.0f, -1, -1, bSelected, 0.0f, 12, 1);
        }
        if (bTurning && !layoutState.IsPaused()) UpdateTurntable();
    }
    if (!device) return;
    bool highlighted = bHighlight || layoutState.GetHighlightedObject() == this;
    // 5. Highlight look.
    if (highlighted && type && knownKind && !bTurntable) {
        SetPieceTransform(this, true);
        type->Render(3);
    }
    // 6. The buffer stop of an end piece drawn from the shared buffer.
    if (kind == TRACK_ENDPIECE && bInBuffer)
        DrawXObjectAt(BUFFERSTOP_OBJID, x, y, z, heading + 90.0f, pitch, 1.0f, -1, -1, 0, 0.0f, 12, 1);
    // 7. Markers.
    float mh = heading + (kind == TRACK_CURVE ? 11.25f : 0.0f);
    float spin = currentTime / 3.0f;
    int showControls = controlList.GetShowControls();
    if (pOwnNode && showControls) DrawMarker(OBJ_POWER, x, y, z, mh);
    for (int i = 0; i < 3; i++)
        if (end[i].mark == 1 && end[i].state != END_NONE) DrawMarker(OBJ_MARK, end[i].x, end[i].y, end[i].z, spin);
    if (highlighted) DrawMarker(OBJ_MARK, x, y, z, spin);
    if (showControls) {
        for (int i = 0; i < 3; i++) {
            if (!end[i].bInsulated || end[i].state == END_NONE) continue;
            float h = heading;
            if (i == 1 && (kind == TRACK_CURVE || kind == TRACK_RIGHTSWITCH)) h += 22.5f;
            if (i == 1 && kind == TRACK_LEFTSWITCH) h -= 22.5f;
            DrawMarker(OBJ_INSULATION, end[i].x, end[i].y, end[i].z, h);
        }
    }
    if (bDetach) DrawMarker(bDetachActive ? OBJ_DETACH_ON : OBJ_DETACH_OFF, x, y, z, mh);
    if (bBarrier) {
        UpdateBarrier(barrierState, 1);
        DrawMarker(barrierShown == 1 ? OBJ_BARRIER_STOP : OBJ_BARRIER_GO, x, y, z,
                   mh + (barrierSide == 1 ? 180.0f : 0.0f));
    }
    // 8. Switch signs: a right switch shows its sign along the piece, a left
    // switch turned round.
    if (trackList.GetShowSwitchSigns() && IsSwitch()) {
        if (kind == TRACK_RIGHTSWITCH)
            DrawXObjectAt(switchState == 1 ? 501 : 500, x, y, z - 0.08f, heading, pitch, 1.0f, -1, -1, 0, 0.0f, 12,
                          1);
        else
            DrawXObjectAt(switchState == 1 ? 503 : 502, x, y, z - 0.08f, heading + 180.0f, -pitch, 1.0f, -1, -1, 0,
                          0.0f, 12, 1);
    }
}

void TRACK_LIST::Render() {
    if (typeCount == 0) return;
    IDirect3DDevice8* device = TrackDevice();
    if (device) {
        device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
        device->SetRenderState(D3DRS_ALPHATESTENABLE, FALSE);
        device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
        DrawRenderBuffer();
    }
    for (TRACK* p = pHead; p; p = p->pNext) {
        if (device) TrackLightsOn(p->x, p->y);
        p->Render();
    }
    if (!device) return;
    TrackLightsOff();
    TrackRestoreRenderState(D3DRS_ALPHABLENDENABLE, DEFAULT_ALPHABLEND);
    TrackRestoreRenderState(D3DRS_ALPHATESTENABLE, DEFAULT_ALPHATEST);
    TrackRestoreRenderState(D3DRS_CULLMODE, DEFAULT_CULL);
    TrackRestoreRenderState(D3DRS_ZWRITEENABLE, DEFAULT_ZWRITE);
    if (pHead) {
        float spin = currentTime / 3.0f;
        const BARRIER_PREVIEW& b = barrierPreview;
        if (b.bChooseA) DrawMarker(OBJ_MARK, b.vPostADrawn.x, b.vPostADrawn.y, b.vPostADrawn.z, spin);
        if (b.bChooseB) DrawMarker(OBJ_MARK, b.vPostBDrawn.x, b.vPostBDrawn.y, b.vPostBDrawn.z, spin);
    }
}

void TRACK_LIST::DrawTrackInfo() {
    int labels = layoutState.GetShowLabels();
    int info = layoutState.GetShowInfo();
    int pieceNames = layoutState.GetBuildInfo();
    if (!labels && !pieceNames) return;
    D3DXVECTOR3 eye(0, 0, 0);
    TrackCameraEye(&eye);
    int showControls = controlList.GetShowControls();
    for (TRACK* p = pHead; p; p = p->pNext) {
        if (labels) {
            for (int i = 0; i < 3; i++) {
                const TRACK_END& e = p->end[i];
                if (e.state != END_FREE) continue;
                float dx = e.x - p->x, dy = e.y - p->y;
                float d = std::sqrt(dx * dx + dy * dy);
                float lx = e.x, ly = e.y;
                if (d > 0.2f) {
                    lx += dx / d * 0.2f;
                    ly += dy / d * 0.2f;
                }
                float dist = DetDistance3D(eye.x, eye.y, eye.z, lx, ly, e.z);
                float lz = e.z - 0.25f * std::pow(dist, 0.25f) / 2.5f;
                DrawImageBillboard(IMAGE_FREE_END, lx, ly, lz, 0.2f, 0xFFFFFF00, 0x40006, 1);
            }
        }
        if (labels && info) {
            if (p->featureName[0])
                DrawFontTextBox(p->featureName, p->x, p->y, p->z - 0.3f, 0xFFFFFF00, 0x40006, 0.5f, "fontp", 0);
            if (p->pOwnNode && showControls)
                DrawFontTextBox(p->pOwnNode->name, p->x, p->y, p->z - 0.3f, 0xFFFFFF00, 0x40006, 0.5f, "fontp", 0);
        }
        if (pieceNames && p->name[0])
            DrawFontTextBox(p->name, p->x, p->y, p->z - 0.3f, 0xFFFFFF00, 0x40006, 0.5f, "fontp", 0);
    }
}
