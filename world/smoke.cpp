#include "world/smoke.h"

#include <climits>
#include <cmath>
#include <cstring>
#include <new>

#include "app/myglobs.h"
#include "app/random.h"
#include "app/startlog.h"
#include "app/winmain.h"
#include "gfx/display.h"
#include "gfx/texturemanager.h"
#include "platform/d3d8.h"
#include "platform/d3dx8math.h"

namespace {

// Particles must always fade: a source set up with no fade (or a negative
// one) would otherwise keep its particles forever.
constexpr float MIN_FADE = 0.01f;  // alpha per ms: at most 25.5 s of life

float Rand01() { return (float)VelRand() / 32767.0f; }

bool Matches(const SMOKE_SOURCE* s, const void* owner, int kind) {
    return s->owner == owner && (s->kind == kind || kind == SMOKEKIND_ANY);
}

struct SMOKE_VERTEX {
    float x, y, z;
    DWORD colour;
    float u, v;
};
static_assert(sizeof(SMOKE_VERTEX) == SMOKE_SYSTEM::VERTEXSIZE);

}  // namespace

int SmokeIntervalFromRate(float rate) {
    if (!(rate > 0.0f) || !std::isfinite(rate)) return 0;
    double ms = 1000.0 / (double)rate;
    if (ms >= (double)(INT_MAX / 4)) return INT_MAX / 4;
    int interval = (int)ms;
    // A rate above 1000 per second still emits, one particle per ms.
    return interval < 1 ? 1 : interval;
}

// ---------------------------------------------------------------------------
SMOKE_SOURCE::SMOKE_SOURCE(const void* ownerIn, int kindIn, float rate, float px, float py, float pz)
    : owner(ownerIn), kind(kindIn), x(px), y(py), z(pz) {
    interval = SmokeIntervalFromRate(rate);
    templ.x = px;
    templ.y = py;
    templ.z = pz;
    templ.alpha = 255.0f;
    switch (kind) {
        case SMOKEKIND_STEAM:
            templ.halfWidth = 0.2f;
            templ.halfHeight = 0.7f;
            templ.vz = 0.0004f;
            templ.halfWidthGrowth = 0.0001f;
            templ.halfHeightGrowth = 0.0005f;
            templ.fade = 0.1f;
            textureSlot = 22;
            randHalfWidthGrowth = 0.0001f;
            randHalfHeightGrowth = 0.001f;
            randZSpeed = 0.001f;
            randFade = 0.1f;
            break;
        case SMOKEKIND_SPARKS:
            templ.halfWidth = 0.02f;
            templ.halfHeight = 0.02f;
            templ.vz = 0.002f;
            templ.halfWidthGrowth = -0.00001f;
            templ.halfHeightGrowth = -0.00001f;
            templ.fade = 0.2f;
            textureSlot = 26;
            falling = 1;
            randXSpeed = 0.0015f;
            randYSpeed = 0.0015f;
            randZSpeed = 0.0005f;
            randAngle = 6.2831855f;
            randFade = 0.1f;
            break;
        default:
            templ.halfWidth = 0.02f;
            templ.halfHeight = 0.2f;
            templ.vz = 0.0008f;
            templ.halfWidthGrowth = 0.0005f;
            templ.halfHeightGrowth = 0.0008f;
            templ.fade = 0.2f;
            textureSlot = 22;
            randHalfWidthGrowth = 0.0002f;
            randZSpeed = 0.0005f;
            randFade = 0.1f;
            break;
    }
}

SMOKE_SOURCE::~SMOKE_SOURCE() { FreeParticles(); }

void SMOKE_SOURCE::FreeParticles() {
    while (particles) {
        SMOKE_PARTICLE* n = particles->next;
        delete particles;
        particles = n;
    }
}

int SMOKE_SOURCE::CountParticles() const {
    int n = 0;
    for (const SMOKE_PARTICLE* p = particles; p; p = p->next) n++;
    return n;
}

void SMOKE_SOURCE::SetRate(float rate) {
    interval = SmokeIntervalFromRate(rate);
    if (timer > interval) timer = interval;
}

void SMOKE_SOURCE::Emit() {
    SMOKE_PARTICLE* p = new (std::nothrow) SMOKE_PARTICLE(templ);
    if (!p) {
        WriteStartLog("Out of memory in SMOKE_SOURCE::Update()!!!");
        return;
    }
    p->halfWidthGrowth += Rand01() * randHalfWidthGrowth;
    p->halfHeightGrowth += Rand01() * randHalfHeightGrowth;
    p->fade += Rand01() * randFade;
    if (!(p->fade >= MIN_FADE)) p->fade = MIN_FADE;
    float a = Rand01() * randAngle;
    p->vx += Rand01() * std::sin(a) * randXSpeed;
    p->vy += Rand01() * std::cos(a) * randYSpeed;
    p->vz += Rand01() * randZSpeed;
    p->fallSpeed = 0.0f;
    p->next = particles;
    particles = p;
}

void SMOKE_SOURCE::Update(int dt) {
    if (dt < 0) dt = 0;
    timer -= dt;
    if (interval <= 0) {
        // No emission: the timer rests at 0 until a rate is set.
        if (timer < 0) timer = 0;
    } else {
        while (timer <= 0) {
            timer += interval;
            // After a long pause the lost time is not made up with a burst.
            if (timer < -1000) timer = 0;
            if (active) Emit();
        }
    }

    float fdt = (float)dt;
    SMOKE_PARTICLE** link = &particles;
    while (*link) {
        SMOKE_PARTICLE* p = *link;
        p->z -= fdt * p->vz;
        if (falling) {
            p->fallSpeed += fdt / 30000.0f;
            p->z += fdt * p->fallSpeed / 5.0f;
        }
        p->x += fdt * p->vx;
        p->y += fdt * p->vy;
        p->halfWidth += fdt * p->halfWidthGrowth;
        if (p->halfWidth < 0.0f) p->halfWidth = 0.0f;
        p->halfHeight += fdt * p->halfHeightGrowth;
        if (p->halfHeight < 0.0f) p->halfHeight = 0.0f;
        p->alpha -= fdt * p->fade;
        if (!(p->alpha > 0.0f)) {
            *link = p->next;
            delete p;
        } else {
            link = &p->next;
        }
    }
}

// ---------------------------------------------------------------------------
SMOKE_SYSTEM::SMOKE_SYSTEM() {}

SMOKE_SYSTEM::~SMOKE_SYSTEM() { RemoveAll(); }

void SMOKE_SYSTEM::RemoveAll() {
    while (sources) {
        SMOKE_SOURCE* n = sources->next;
        delete sources;
        sources = n;
    }
}

void SMOKE_SYSTEM::InitVB() {
    vertexBuffer = display.AddVertexBuffer(FVF, MAXVERTICES * VERTEXSIZE, 0, 0, nullptr);
    if (vertexBuffer)
        WriteStartLog("Creating vertex buffer for SMOKE_SYSTEM passed...");
    else
        WriteStartLog("Creating vertex buffer for SMOKE_SYSTEM failed!!!");
}

void SMOKE_SYSTEM::ReleaseVB() {
    display.RemoveVertexBuffer(&vertexBuffer);
    vertexBuffer = nullptr;
    WriteStartLog("SMOKE_SYSTEM::ReleaseVB() passed...");
}

SMOKE_SOURCE* SMOKE_SYSTEM::FindSource(const void* owner, int kind) const {
    for (SMOKE_SOURCE* s = sources; s; s = s->next)
        if (Matches(s, owner, kind)) return s;
    return nullptr;
}

void SMOKE_SYSTEM::AddSmokeSource(const void* owner, int kind, float rate, float x, float y, float z) {
    if (FindSource(owner, kind)) return;
    SMOKE_SOURCE* s = new (std::nothrow) SMOKE_SOURCE(owner, kind, rate, x, y, z);
    if (!s) {
        WriteStartLog("Out of memory in SMOKE_SYSTEM::AddSmokeSource()");
        return;
    }
    s->next = sources;
    sources = s;
}

void SMOKE_SYSTEM::RemoveSmokeSource(const void* owner, int kind) {
    SMOKE_SOURCE** link = &sources;
    while (*link) {
        SMOKE_SOURCE* s = *link;
        if (Matches(s, owner, kind)) {
            *link = s->next;
            delete s;
        } else {
            link = &s->next;
        }
    }
}

void SMOKE_SYSTEM::SetSourceActive(const void* owner, int kind, int flag) {
    if (SMOKE_SOURCE* s = FindSource(owner, kind)) s->active = flag;
}

void SMOKE_SYSTEM::SetSourceParams(const void* owner, int kind, float rate, float x, float y, float z, float zSpeed,
                                   float halfWidthGrowth, float halfHeightGrowth, float fade, int textureSlot) {
    SMOKE_SOURCE* s = FindSource(owner, kind);
    if (!s) return;
    s->x = s->templ.x = x;
    s->y = s->templ.y = y;
    s->z = s->templ.z = z;
    if (textureSlot != 0) s->textureSlot = textureSlot;
    if (zSpeed != -1.0f) s->templ.vz = zSpeed / 100000.0f;
    if (halfWidthGrowth != -1.0f) s->templ.halfWidthGrowth = halfWidthGrowth / 100000.0f;
    if (halfHeightGrowth != -1.0f) s->templ.halfHeightGrowth = halfHeightGrowth / 100000.0f;
    if (fade != -1.0f) {
        float f = fade / 500.0f;
        s->templ.fade = (f >= MIN_FADE) ? f : MIN_FADE;
    }
    if (rate != -1.0f) s->SetRate(rate);
}

void SMOKE_SYSTEM::SetSourceRandom(const void* owner, int kind, float halfWidthGrowth, float halfHeightGrowth,
                                   float xSpeed, float ySpeed, float zSpeed, float fade, float angle) {
    SMOKE_SOURCE* s = FindSource(owner, kind);
    if (!s) return;
    const float keep = 1000000.0f;
    if (halfWidthGrowth != keep) s->randHalfWidthGrowth = halfWidthGrowth;
    if (halfHeightGrowth != keep) s->randHalfHeightGrowth = halfHeightGrowth;
    if (xSpeed != keep) s->randXSpeed = xSpeed;
    if (ySpeed != keep) s->randYSpeed = ySpeed;
    if (zSpeed != keep) s->randZSpeed = zSpeed;
    if (fade != keep) s->randFade = fade;
    if (angle != keep) s->randAngle = angle;
}

void SMOKE_SYSTEM::Update() { UpdateBy(frameTime); }

void SMOKE_SYSTEM::UpdateBy(int dt) {
    for (SMOKE_SOURCE* s = sources; s; s = s->next) s->Update(dt);
}

int SMOKE_SYSTEM::WriteVertices(unsigned char* out, int limit) {
    SMOKE_VERTEX* v = reinterpret_cast<SMOKE_VERTEX*>(out);
    int written = 0;
    bool full = false;
    for (SMOKE_SOURCE* s = sources; s; s = s->next) {
        s->firstVertex = written;
        s->quads = 0;
        if (full) continue;
        for (SMOKE_PARTICLE* p = s->particles; p; p = p->next) {
            if (written + 6 > limit) {
                full = true;
                break;
            }
            float w = p->halfWidth, h = p->halfHeight;
            int a = (int)p->alpha;
            if (a < 0) a = 0;
            if (a > 255) a = 255;
            DWORD c = ((DWORD)a << 24) | 0xFFFFFFu;
            SMOKE_VERTEX* q = v + written;
            q[0] = {-w, h, 0.0f, c, 0.0f, 0.0f};
            q[1] = {w, h, 0.0f, c, 1.0f, 0.0f};
            q[2] = {w, -h, 0.0f, c, 1.0f, 1.0f};
            q[3] = {-w, h, 0.0f, c, 0.0f, 0.0f};
            q[4] = {w, -h, 0.0f, c, 1.0f, 1.0f};
            q[5] = {-w, -h, 0.0f, c, 0.0f, 1.0f};
            written += 6;
            s->quads += 2;
        }
    }
    return written;
}

void SMOKE_SYSTEM::FillVB() {
    filled = 0;
    for (SMOKE_SOURCE* s = sources; s; s = s->next) s->quads = 0;
    IDirect3DVertexBuffer8* vb = vertexBuffer ? display.GetVB(vertexBuffer) : nullptr;
    if (!vb) return;
    BYTE* data = nullptr;
    if (FAILED(vb->Lock(0, 0, &data, D3DLOCK_DISCARD)) || !data) return;
    WriteVertices(data, maxVertices);
    vb->Unlock();
    filled = 1;
}

void SMOKE_SYSTEM::Render() {
    if (!myGlobs.sceneVisible || !filled) return;
    IDirect3DDevice8* dev = display.GetDevice();
    IDirect3DVertexBuffer8* vb = vertexBuffer ? display.GetVB(vertexBuffer) : nullptr;
    if (!dev || !vb) return;
    bool any = false;
    for (SMOKE_SOURCE* s = sources; s; s = s->next)
        if (s->quads > 0) any = true;
    if (!any) return;

    dev->SetRenderState(D3DRS_LIGHTING, FALSE);
    dev->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
    dev->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    dev->SetRenderState(D3DRS_ALPHATESTENABLE, FALSE);
    dev->SetRenderState(D3DRS_ZWRITEENABLE, FALSE);
    dev->SetVertexShader(FVF);
    dev->SetStreamSource(0, vb, VERTEXSIZE);

    D3DXMATRIX world;
    display.GetBillboardMatrix(&world, 1);
    for (SMOKE_SOURCE* s = sources; s; s = s->next) {
        if (s->quads <= 0) continue;
        textureManager.SetGTexture(s->textureSlot);
        if (s->kind == SMOKEKIND_SPARKS) {
            dev->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
            dev->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
        }
        int count = s->quads / 2;
        int i = 0;
        for (SMOKE_PARTICLE* p = s->particles; p && i < count; p = p->next, i++) {
            world._41 = p->x;
            world._42 = p->y;
            world._43 = p->z;
            dev->SetTransform(D3DTS_WORLD, &world);
            dev->DrawPrimitive(D3DPT_TRIANGLELIST, s->firstVertex + i * 6, 2);
        }
        if (s->kind == SMOKEKIND_SPARKS) {
            display.RestoreRenderState(D3DRS_SRCBLEND);
            display.RestoreRenderState(D3DRS_DESTBLEND);
        }
    }
    display.RestoreRenderState(D3DRS_LIGHTING);
    display.RestoreTextureStageState(0, D3DTSS_ALPHAOP);
    display.RestoreRenderState(D3DRS_ALPHABLENDENABLE);
    display.RestoreRenderState(D3DRS_ALPHATESTENABLE);
    display.RestoreRenderState(D3DRS_ZWRITEENABLE);
}
