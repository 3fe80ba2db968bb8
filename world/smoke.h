// Smoke and spark particles: sources owned by vehicles and placed objects
// emit camera-facing particles that rise, grow and fade.
#pragma once

struct DISPLAY_BUFFER;

struct SMOKE_PARTICLE {
    float x = 0.0f, y = 0.0f, z = 0.0f;
    float halfWidth = 0.0f;
    float halfHeight = 0.0f;
    float alpha = 0.0f;               // 0..255
    float vx = 0.0f, vy = 0.0f, vz = 0.0f;  // units per ms; z speed is upward (z decreases)
    float fallSpeed = 0.0f;
    float halfWidthGrowth = 0.0f;
    float halfHeightGrowth = 0.0f;
    float fade = 0.0f;                // alpha lost per ms
    SMOKE_PARTICLE* next = nullptr;
};

// Kinds of smoke sources. SMOKEKIND_ANY matches every kind in the find,
// remove and set operations.
constexpr int SMOKEKIND_SMOKE = 0;
constexpr int SMOKEKIND_STEAM = 1;
constexpr int SMOKEKIND_SPARKS = 3;
constexpr int SMOKEKIND_ANY = 4;

struct SMOKE_SOURCE {
    SMOKE_SOURCE(const void* owner, int kind, float rate, float x, float y, float z);
    ~SMOKE_SOURCE();
    SMOKE_SOURCE(const SMOKE_SOURCE&) = delete;
    SMOKE_SOURCE& operator=(const SMOKE_SOURCE&) = delete;

    // Advances the emission timer and every particle by dt milliseconds.
    void Update(int dt);
    void Emit();
    void SetRate(float rate);
    void FreeParticles();
    int CountParticles() const;

    SMOKE_SOURCE* next = nullptr;
    const void* owner = nullptr;
    int kind = 0;
    int interval = 0;  // ms between particles; 0 = none
    float x = 0.0f, y = 0.0f, z = 0.0f;
    SMOKE_PARTICLE* particles = nullptr;
    int timer = 0;
    SMOKE_PARTICLE templ;
    int textureSlot = 22;
    int falling = 0;
    int quads = 0;       // triangles written this frame (2 per particle)
    int firstVertex = 0;
    int active = 1;
    float randHalfHeightGrowth = 0.0f;
    float randHalfWidthGrowth = 0.0f;
    float randXSpeed = 0.0f;
    float randYSpeed = 0.0f;
    float randZSpeed = 0.0f;
    float randAngle = 0.0f;
    float randFade = 0.0f;
};

// Emission interval in ms for a rate per second; 0 (no emission) for a rate
// that is not a positive finite number.
int SmokeIntervalFromRate(float rate);

class SMOKE_SYSTEM {
public:
    static constexpr int MAXQUADS = 300;
    static constexpr int MAXVERTICES = 1800;
    static constexpr int VERTEXSIZE = 24;
    static constexpr unsigned FVF = 322;  // position, diffuse, one texture coordinate pair

    SMOKE_SYSTEM();
    ~SMOKE_SYSTEM();
    SMOKE_SYSTEM(const SMOKE_SYSTEM&) = delete;
    SMOKE_SYSTEM& operator=(const SMOKE_SYSTEM&) = delete;

    void InitVB();
    void ReleaseVB();
    void AddSmokeSource(const void* owner, int kind, float rate, float x, float y, float z);
    void RemoveSmokeSource(const void* owner, int kind);
    void SetSourceActive(const void* owner, int kind, int flag);
    void SetSourceParams(const void* owner, int kind, float rate, float x, float y, float z, float zSpeed,
                         float halfWidthGrowth, float halfHeightGrowth, float fade, int textureSlot);
    void SetSourceRandom(const void* owner, int kind, float halfWidthGrowth, float halfHeightGrowth, float xSpeed,
                         float ySpeed, float zSpeed, float fade, float angle);
    void RemoveAll();
    void Update();
    void UpdateBy(int dt);  // Update with an explicit frame time
    void FillVB();
    void Render();

    SMOKE_SOURCE* FindSource(const void* owner, int kind) const;
    SMOKE_SOURCE* GetFirstSource() const { return sources; }
    // Writes the particle quads into vertices (room for maxVertices of 6
    // floats each); answers the number of vertices written.
    int WriteVertices(unsigned char* vertices, int maxVertices);

private:
    SMOKE_SOURCE* sources = nullptr;
    DISPLAY_BUFFER* vertexBuffer = nullptr;
    int maxQuads = MAXQUADS;
    int maxVertices = MAXVERTICES;
    int filled = 0;  // the buffer holds this frame's particles
};

extern SMOKE_SYSTEM smokeSystem;
