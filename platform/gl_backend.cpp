// OpenGL drawing of the Direct3D 8 device (compatibility profile). The vertex
// stage is a GLSL vertex program (gl_vertex_program.cpp) reading the
// device's buffers as GL buffer objects, or, as the reference, the CPU stage
// whose results arrive as client arrays. The pixel stage stays fixed
// function. This file maps Direct3D's pixel rules onto GL: pixel centres at
// integer coordinates with the top-left fill rule, depth 0..1, winding seen in
// a y-down screen, texture stages through texture-environment combiners, fog
// by a per-vertex fog coordinate and specular through the colour sum. The GL
// state is cached, so that a draw sends only what changed since the last one.
#include "platform/gl_backend.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "platform/gl_functions.h"

namespace plat::d3d {

GlFunctions gl;

namespace {

unsigned nextContextId = 1;

template <class T>
bool Load(T& fn, const char* name) {
    fn = reinterpret_cast<T>(SDL_GL_GetProcAddress(name));
    return fn != nullptr;
}

bool LoadFunctions() {
    bool ok = true;
    ok &= Load(gl.GenFramebuffers, "glGenFramebuffers");
    ok &= Load(gl.BindFramebuffer, "glBindFramebuffer");
    ok &= Load(gl.DeleteFramebuffers, "glDeleteFramebuffers");
    ok &= Load(gl.FramebufferRenderbuffer, "glFramebufferRenderbuffer");
    ok &= Load(gl.CheckFramebufferStatus, "glCheckFramebufferStatus");
    ok &= Load(gl.GenRenderbuffers, "glGenRenderbuffers");
    ok &= Load(gl.BindRenderbuffer, "glBindRenderbuffer");
    ok &= Load(gl.DeleteRenderbuffers, "glDeleteRenderbuffers");
    ok &= Load(gl.RenderbufferStorage, "glRenderbufferStorage");
    ok &= Load(gl.BlitFramebuffer, "glBlitFramebuffer");
    ok &= Load(gl.ActiveTexture, "glActiveTexture");
    ok &= Load(gl.ClientActiveTexture, "glClientActiveTexture");
    ok &= Load(gl.SecondaryColorPointer, "glSecondaryColorPointer");
    ok &= Load(gl.FogCoordPointer, "glFogCoordPointer");
    ok &= Load(gl.BlendEquation, "glBlendEquation");
    Load(gl.ProvokingVertex, "glProvokingVertex");  // optional
    return ok;
}

// The entry points of vertex programs and buffer objects; false leaves the
// vertex stage on the CPU.
bool LoadProgramFunctions() {
    bool ok = true;
    ok &= Load(gl.DrawRangeElements, "glDrawRangeElements");
    ok &= Load(gl.GenBuffers, "glGenBuffers");
    ok &= Load(gl.BindBuffer, "glBindBuffer");
    ok &= Load(gl.BufferData, "glBufferData");
    ok &= Load(gl.BufferSubData, "glBufferSubData");
    ok &= Load(gl.DeleteBuffers, "glDeleteBuffers");
    ok &= Load(gl.CreateShader, "glCreateShader");
    ok &= Load(gl.ShaderSource, "glShaderSource");
    ok &= Load(gl.CompileShader, "glCompileShader");
    ok &= Load(gl.GetShaderiv, "glGetShaderiv");
    ok &= Load(gl.GetShaderInfoLog, "glGetShaderInfoLog");
    ok &= Load(gl.DeleteShader, "glDeleteShader");
    ok &= Load(gl.CreateProgram, "glCreateProgram");
    ok &= Load(gl.AttachShader, "glAttachShader");
    ok &= Load(gl.BindAttribLocation, "glBindAttribLocation");
    ok &= Load(gl.LinkProgram, "glLinkProgram");
    ok &= Load(gl.GetProgramiv, "glGetProgramiv");
    ok &= Load(gl.GetProgramInfoLog, "glGetProgramInfoLog");
    ok &= Load(gl.DeleteProgram, "glDeleteProgram");
    ok &= Load(gl.UseProgram, "glUseProgram");
    ok &= Load(gl.GetUniformLocation, "glGetUniformLocation");
    ok &= Load(gl.Uniform1fv, "glUniform1fv");
    ok &= Load(gl.Uniform2fv, "glUniform2fv");
    ok &= Load(gl.Uniform3fv, "glUniform3fv");
    ok &= Load(gl.Uniform4fv, "glUniform4fv");
    ok &= Load(gl.UniformMatrix4fv, "glUniformMatrix4fv");
    ok &= Load(gl.VertexAttribPointer, "glVertexAttribPointer");
    ok &= Load(gl.EnableVertexAttribArray, "glEnableVertexAttribArray");
    ok &= Load(gl.DisableVertexAttribArray, "glDisableVertexAttribArray");
    ok &= Load(gl.VertexAttrib4f, "glVertexAttrib4f");
    // GLSL 1.20 (OpenGL 2.1) at least.
    const char* glsl = (const char*)glGetString(GL_SHADING_LANGUAGE_VERSION);
    int major = 0, minor = 0;
    if (!glsl || std::sscanf(glsl, "%d.%d", &major, &minor) != 2) return false;
    return ok && (major > 1 || (major == 1 && minor >= 20));
}

const GLenum kCapEnums[] = {GL_DEPTH_TEST, GL_POLYGON_OFFSET_FILL, GL_POLYGON_OFFSET_LINE, GL_ALPHA_TEST, GL_BLEND,
                            GL_CULL_FACE,  GL_DITHER,             GL_STENCIL_TEST,        GL_FOG,        GL_COLOR_SUM,
                            GL_SCISSOR_TEST, GL_CLIP_PLANE0, GL_CLIP_PLANE1, GL_CLIP_PLANE2, GL_CLIP_PLANE3,
                            GL_CLIP_PLANE4, GL_CLIP_PLANE5};

// Pixel centres: a Direct3D pixel (i, j) is centred on integer coordinates,
// a GL pixel on half-integers. Shifting by half a pixel less a small amount
// also reproduces the top-left rule for centres that lie exactly on an edge
// (the amount stays above the rasteriser's sub-pixel precision).
constexpr float kPixelShift = 0.5f - 1.0f / 64.0f;

GLenum CompareFunc(DWORD f) {
    switch (f) {
        case D3DCMP_NEVER: return GL_NEVER;
        case D3DCMP_LESS: return GL_LESS;
        case D3DCMP_EQUAL: return GL_EQUAL;
        case D3DCMP_LESSEQUAL: return GL_LEQUAL;
        case D3DCMP_GREATER: return GL_GREATER;
        case D3DCMP_NOTEQUAL: return GL_NOTEQUAL;
        case D3DCMP_GREATEREQUAL: return GL_GEQUAL;
        default: return GL_ALWAYS;
    }
}

GLenum BlendFactor(DWORD b) {
    switch (b) {
        case D3DBLEND_ZERO: return GL_ZERO;
        case D3DBLEND_ONE: return GL_ONE;
        case D3DBLEND_SRCCOLOR: return GL_SRC_COLOR;
        case D3DBLEND_INVSRCCOLOR: return GL_ONE_MINUS_SRC_COLOR;
        case D3DBLEND_SRCALPHA: return GL_SRC_ALPHA;
        case D3DBLEND_INVSRCALPHA: return GL_ONE_MINUS_SRC_ALPHA;
        case D3DBLEND_DESTALPHA: return GL_DST_ALPHA;
        case D3DBLEND_INVDESTALPHA: return GL_ONE_MINUS_DST_ALPHA;
        case D3DBLEND_DESTCOLOR: return GL_DST_COLOR;
        case D3DBLEND_INVDESTCOLOR: return GL_ONE_MINUS_DST_COLOR;
        case D3DBLEND_SRCALPHASAT: return GL_SRC_ALPHA_SATURATE;
        default: return GL_ONE;
    }
}

GLenum StencilOp(DWORD op) {
    switch (op) {
        case D3DSTENCILOP_ZERO: return GL_ZERO;
        case D3DSTENCILOP_REPLACE: return GL_REPLACE;
        case D3DSTENCILOP_INCRSAT: return GL_INCR;
        case D3DSTENCILOP_DECRSAT: return GL_DECR;
        case D3DSTENCILOP_INVERT: return GL_INVERT;
        case D3DSTENCILOP_INCR: return GL_INCR_WRAP;
        case D3DSTENCILOP_DECR: return GL_DECR_WRAP;
        default: return GL_KEEP;
    }
}

GLenum AddressMode(DWORD a) {
    switch (a) {
        case D3DTADDRESS_MIRROR: return GL_MIRRORED_REPEAT;
        case D3DTADDRESS_CLAMP: return GL_CLAMP_TO_EDGE;
        case D3DTADDRESS_BORDER: return GL_CLAMP_TO_BORDER;
        case D3DTADDRESS_MIRRORONCE: return GL_MIRRORED_REPEAT;
        default: return GL_REPEAT;
    }
}

struct CombineArg {
    GLenum source;
    GLenum operand;
};

CombineArg MapArg(DWORD arg, bool alpha, bool hasTexture) {
    DWORD sel = arg & D3DTA_SELECTMASK;
    GLenum src;
    switch (sel) {
        case D3DTA_DIFFUSE: src = GL_PRIMARY_COLOR; break;
        case D3DTA_TEXTURE: src = GL_TEXTURE; break;
        case D3DTA_TFACTOR: src = GL_CONSTANT; break;
        case D3DTA_SPECULAR: src = GL_PRIMARY_COLOR; break;
        default: src = GL_PREVIOUS; break;
    }
    (void)hasTexture;
    bool complement = (arg & D3DTA_COMPLEMENT) != 0;
    GLenum op;
    if (alpha || (arg & D3DTA_ALPHAREPLICATE))
        op = complement ? GL_ONE_MINUS_SRC_ALPHA : GL_SRC_ALPHA;
    else
        op = complement ? GL_ONE_MINUS_SRC_COLOR : GL_SRC_COLOR;
    return {src, op};
}

// Sets the RGB or alpha half of a combiner from a Direct3D texture operation.
void SetCombine(bool alpha, DWORD op, DWORD arg1, DWORD arg2, DWORD arg0, bool hasTexture) {
    const GLenum combine = alpha ? GL_COMBINE_ALPHA : GL_COMBINE_RGB;
    const GLenum src[3] = {alpha ? (GLenum)GL_SRC0_ALPHA : (GLenum)GL_SRC0_RGB,
                           alpha ? (GLenum)GL_SRC1_ALPHA : (GLenum)GL_SRC1_RGB,
                           alpha ? (GLenum)GL_SRC2_ALPHA : (GLenum)GL_SRC2_RGB};
    const GLenum opnd[3] = {alpha ? (GLenum)GL_OPERAND0_ALPHA : (GLenum)GL_OPERAND0_RGB,
                            alpha ? (GLenum)GL_OPERAND1_ALPHA : (GLenum)GL_OPERAND1_RGB,
                            alpha ? (GLenum)GL_OPERAND2_ALPHA : (GLenum)GL_OPERAND2_RGB};
    const GLenum scale = alpha ? GL_ALPHA_SCALE : GL_RGB_SCALE;
    auto setArg = [&](int i, CombineArg a) {
        glTexEnvi(GL_TEXTURE_ENV, src[i], (GLint)a.source);
        glTexEnvi(GL_TEXTURE_ENV, opnd[i], (GLint)a.operand);
    };
    CombineArg a1 = MapArg(arg1, alpha, hasTexture), a2 = MapArg(arg2, alpha, hasTexture),
               a0 = MapArg(arg0, alpha, hasTexture);
    GLenum mode = GL_MODULATE;
    float s = 1.0f;
    auto blendBy = [&](GLenum source) {
        mode = GL_INTERPOLATE;
        setArg(0, a1);
        setArg(1, a2);
        setArg(2, {source, GL_SRC_ALPHA});
    };
    switch (op) {
        case D3DTOP_SELECTARG1:
            mode = GL_REPLACE;
            setArg(0, a1);
            break;
        case D3DTOP_SELECTARG2:
            mode = GL_REPLACE;
            setArg(0, a2);
            break;
        case D3DTOP_MODULATE4X: s = 4.0f; [[fallthrough]];
        case D3DTOP_MODULATE2X:
            if (s == 1.0f) s = 2.0f;
            [[fallthrough]];
        case D3DTOP_MODULATE:
        case D3DTOP_PREMODULATE:
        case D3DTOP_MODULATEALPHA_ADDCOLOR:
        case D3DTOP_MODULATECOLOR_ADDALPHA:
        case D3DTOP_MODULATEINVALPHA_ADDCOLOR:
        case D3DTOP_MODULATEINVCOLOR_ADDALPHA:
        case D3DTOP_MULTIPLYADD:
            mode = GL_MODULATE;
            setArg(0, a1);
            setArg(1, a2);
            break;
        case D3DTOP_ADD:
        case D3DTOP_ADDSMOOTH:
            mode = GL_ADD;
            setArg(0, a1);
            setArg(1, a2);
            break;
        case D3DTOP_ADDSIGNED2X: s = 2.0f; [[fallthrough]];
        case D3DTOP_ADDSIGNED:
            mode = GL_ADD_SIGNED;
            setArg(0, a1);
            setArg(1, a2);
            break;
        case D3DTOP_SUBTRACT:
            mode = GL_SUBTRACT;
            setArg(0, a1);
            setArg(1, a2);
            break;
        case D3DTOP_BLENDDIFFUSEALPHA: blendBy(GL_PRIMARY_COLOR); break;
        case D3DTOP_BLENDTEXTUREALPHA:
        case D3DTOP_BLENDTEXTUREALPHAPM: blendBy(GL_TEXTURE); break;
        case D3DTOP_BLENDFACTORALPHA: blendBy(GL_CONSTANT); break;
        case D3DTOP_BLENDCURRENTALPHA: blendBy(GL_PREVIOUS); break;
        case D3DTOP_DOTPRODUCT3:
            mode = alpha ? GL_MODULATE : GL_DOT3_RGBA;
            setArg(0, a1);
            setArg(1, a2);
            break;
        case D3DTOP_LERP:
            mode = GL_INTERPOLATE;
            setArg(0, a1);
            setArg(1, a2);
            setArg(2, a0);
            break;
        default:
            // Operations without a combiner form pass the previous result on.
            mode = GL_REPLACE;
            setArg(0, {GL_PREVIOUS, alpha ? (GLenum)GL_SRC_ALPHA : (GLenum)GL_SRC_COLOR});
            break;
    }
    glTexEnvi(GL_TEXTURE_ENV, combine, (GLint)mode);
    glTexEnvf(GL_TEXTURE_ENV, scale, s);
}

GLenum PrimitiveMode(D3DPRIMITIVETYPE t) {
    switch (t) {
        case D3DPT_POINTLIST: return GL_POINTS;
        case D3DPT_LINELIST: return GL_LINES;
        case D3DPT_LINESTRIP: return GL_LINE_STRIP;
        case D3DPT_TRIANGLESTRIP: return GL_TRIANGLE_STRIP;
        case D3DPT_TRIANGLEFAN: return GL_TRIANGLE_FAN;
        default: return GL_TRIANGLES;
    }
}

}  // namespace

// ---------------------------------------------------------------------------

GlBackend::~GlBackend() {
    if (context_) {
        SDL_GL_MakeCurrent(window_, (SDL_GLContext)context_);
        programs_.Release();
        DestroyTargets();
        if (whiteTexture_) glDeleteTextures(1, &whiteTexture_);
        SDL_GL_MakeCurrent(window_, nullptr);
        SDL_GL_DeleteContext((SDL_GLContext)context_);
    }
}

std::unique_ptr<GlBackend> GlBackend::Create(SDL_Window* window, UINT width, UINT height, int depthBits) {
    if (!window) return nullptr;
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 2);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 1);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GLContext ctx = SDL_GL_CreateContext(window);
    if (!ctx) return nullptr;
    std::unique_ptr<GlBackend> b(new GlBackend());
    b->window_ = window;
    b->context_ = ctx;
    b->contextId_ = nextContextId++;
    SDL_GL_MakeCurrent(window, ctx);
    if (!LoadFunctions()) return nullptr;
    b->hasPrograms_ = LoadProgramFunctions();
    GLint units = 1;
    glGetIntegerv(GL_MAX_TEXTURE_UNITS, &units);
    b->maxUnits_ = std::clamp<int>(units, 1, kMaxStages);
    // A white texel stands in for a stage without a texture.
    glGenTextures(1, &b->whiteTexture_);
    glBindTexture(GL_TEXTURE_2D, b->whiteTexture_);
    const uint32_t white = 0xffffffffu;
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, 1, 1, 0, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, &white);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
    if (!b->CreateTargets(width, height, depthBits)) return nullptr;
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glDisable(GL_LIGHTING);
    glFrontFace(GL_CCW);
    glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
    if (gl.ProvokingVertex) gl.ProvokingVertex(GL_FIRST_VERTEX_CONVENTION);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glFogi(GL_FOG_COORD_SRC, GL_FOG_COORD);
    glFogi(GL_FOG_MODE, GL_LINEAR);
    glFogf(GL_FOG_START, 0.0f);
    glFogf(GL_FOG_END, 1.0f);
    glLightModeli(GL_LIGHT_MODEL_COLOR_CONTROL, GL_SEPARATE_SPECULAR_COLOR);
    b->ForgetState();
    return b;
}

void GlBackend::MakeCurrent() {
    if (SDL_GL_GetCurrentContext() != (SDL_GLContext)context_) SDL_GL_MakeCurrent(window_, (SDL_GLContext)context_);
}

bool GlBackend::CreateTargets(UINT width, UINT height, int depthBits) {
    width_ = width;
    height_ = height;
    gl.GenFramebuffers(1, &fbo_);
    gl.BindFramebuffer(GL_FRAMEBUFFER, fbo_);
    gl.GenRenderbuffers(1, &colorRb_);
    gl.BindRenderbuffer(GL_RENDERBUFFER, colorRb_);
    gl.RenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, (GLsizei)width, (GLsizei)height);
    gl.FramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, colorRb_);
    gl.GenRenderbuffers(1, &depthRb_);
    gl.BindRenderbuffer(GL_RENDERBUFFER, depthRb_);
    if (depthBits == 16) {
        gl.RenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT16, (GLsizei)width, (GLsizei)height);
        gl.FramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, depthRb_);
    } else {
        gl.RenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH24_STENCIL8, (GLsizei)width, (GLsizei)height);
        gl.FramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, depthRb_);
        gl.FramebufferRenderbuffer(GL_FRAMEBUFFER, GL_STENCIL_ATTACHMENT, GL_RENDERBUFFER, depthRb_);
    }
    return gl.CheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
}

void GlBackend::DestroyTargets() {
    if (fbo_) {
        gl.BindFramebuffer(GL_FRAMEBUFFER, 0);
        gl.DeleteFramebuffers(1, &fbo_);
    }
    if (colorRb_) gl.DeleteRenderbuffers(1, &colorRb_);
    if (depthRb_) gl.DeleteRenderbuffers(1, &depthRb_);
    fbo_ = colorRb_ = depthRb_ = 0;
}

bool GlBackend::Resize(UINT width, UINT height, int depthBits) {
    MakeCurrent();
    DestroyTargets();
    const bool ok = CreateTargets(width, height, depthBits);
    ForgetState();
    return ok;
}

// ---------------------------------------------------------------------------
// The state cache

void GlBackend::ForgetState() {
    std::fill(std::begin(caps_), std::end(caps_), -1);
    fboBound_ = false;
    viewport_[2] = -1;
    depthRange_[0] = depthRange_[1] = -1.0f;
    renderKeyValid_ = false;
    activeUnit_ = -1;
    for (UnitState& u : units_) u = UnitState{};
    arrayBuffer_ = elementBuffer_ = ~0u;
    arrays_ = Arrays::Unknown;
    clientTexArrays_ = -1;
    genericKnown_ = false;
    attributes_ = AttributeSource{};
}

void GlBackend::Enable(Cap cap, bool on) {
    if (caps_[cap] == (int)on) return;
    caps_[cap] = on;
    if (on) glEnable(kCapEnums[cap]);
    else glDisable(kCapEnums[cap]);
}

void GlBackend::ActiveUnit(int unit) {
    if (activeUnit_ == unit) return;
    activeUnit_ = unit;
    gl.ActiveTexture(GL_TEXTURE0 + unit);
}

void GlBackend::BindTexture(int unit, unsigned name) {
    ActiveUnit(unit);
    if (units_[unit].texture == name) return;
    units_[unit].texture = name;
    glBindTexture(GL_TEXTURE_2D, name);
}

void GlBackend::BindBuffer(bool index, unsigned name) {
    unsigned& bound = index ? elementBuffer_ : arrayBuffer_;
    if (bound == name) return;
    bound = name;
    gl.BindBuffer(index ? GL_ELEMENT_ARRAY_BUFFER : GL_ARRAY_BUFFER, name);
}

void GlBackend::SetupTarget(const DeviceState& st) {
    if (!fboBound_) {
        gl.BindFramebuffer(GL_FRAMEBUFFER, fbo_);
        fboBound_ = true;
    }
    const D3DVIEWPORT8& vp = st.viewport;
    const int v[4] = {(int)vp.X, (int)height_ - (int)(vp.Y + vp.Height), (int)vp.Width, (int)vp.Height};
    if (std::memcmp(v, viewport_, sizeof v) != 0) {
        std::memcpy(viewport_, v, sizeof v);
        glViewport(v[0], v[1], v[2], v[3]);
    }
    if (depthRange_[0] != vp.MinZ || depthRange_[1] != vp.MaxZ) {
        depthRange_[0] = vp.MinZ;
        depthRange_[1] = vp.MaxZ;
        glDepthRange(vp.MinZ, vp.MaxZ);
    }
}

// ---------------------------------------------------------------------------

void GlBackend::Clear(const D3DVIEWPORT8& vp, DWORD count, const D3DRECT* rects, DWORD flags, D3DCOLOR color,
                      float z, DWORD stencil, DWORD) {
    if (!fboBound_) {
        gl.BindFramebuffer(GL_FRAMEBUFFER, fbo_);
        fboBound_ = true;
    }
    GLbitfield mask = 0;
    if (flags & D3DCLEAR_TARGET) {
        float c[4];
        ColorToFloats(color, c);
        glClearColor(c[0], c[1], c[2], c[3]);
        glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
        mask |= GL_COLOR_BUFFER_BIT;
    }
    if (flags & D3DCLEAR_ZBUFFER) {
        glClearDepth(std::clamp(z, 0.0f, 1.0f));
        glDepthMask(GL_TRUE);
        mask |= GL_DEPTH_BUFFER_BIT;
    }
    if (flags & D3DCLEAR_STENCIL) {
        glClearStencil((GLint)stencil);
        glStencilMask(0xffffffffu);
        mask |= GL_STENCIL_BUFFER_BIT;
    }
    if (!mask) return;
    // The masks above belong to the draws' render states too.
    renderKeyValid_ = false;
    Enable(kCapScissor, true);
    auto clearRect = [&](LONG x1, LONG y1, LONG x2, LONG y2) {
        x1 = std::max<LONG>(x1, (LONG)vp.X);
        y1 = std::max<LONG>(y1, (LONG)vp.Y);
        x2 = std::min<LONG>(x2, (LONG)(vp.X + vp.Width));
        y2 = std::min<LONG>(y2, (LONG)(vp.Y + vp.Height));
        if (x2 <= x1 || y2 <= y1) return;
        glScissor(x1, (GLint)height_ - y2, x2 - x1, y2 - y1);
        glClear(mask);
    };
    if (count == 0 || !rects) {
        clearRect((LONG)vp.X, (LONG)vp.Y, (LONG)(vp.X + vp.Width), (LONG)(vp.Y + vp.Height));
    } else {
        for (DWORD i = 0; i < count; ++i) clearRect(rects[i].x1, rects[i].y1, rects[i].x2, rects[i].y2);
    }
    Enable(kCapScissor, false);
}

// ---------------------------------------------------------------------------
// Textures

void GlBackend::UploadTexture(Texture* tex) {
    if (tex->glName && tex->glContextId != contextId_) tex->glName = 0;  // made in another context
    if (!tex->glName) {
        glGenTextures(1, &tex->glName);
        tex->glContextId = contextId_;
        tex->dirty = true;
        tex->glMinFilter = tex->glMagFilter = tex->glWrapS = tex->glWrapT = tex->glBaseLevel = -1;
    }
    BindTexture(activeUnit_, tex->glName);
    if (!tex->dirty) return;
    std::vector<uint32_t> px;
    for (size_t i = 0; i < tex->levels.size(); ++i) {
        const ImageLevel& lv = tex->levels[i];
        DecodeLevel(tex->format, lv, px);
        glTexImage2D(GL_TEXTURE_2D, (GLint)i, GL_RGBA8, (GLsizei)lv.width, (GLsizei)lv.height, 0, GL_BGRA,
                     GL_UNSIGNED_INT_8_8_8_8_REV, px.data());
    }
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_BASE_LEVEL, 0);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, (GLint)tex->levels.size() - 1);
    tex->glBaseLevel = 0;
    tex->dirty = false;
}

void GlBackend::DeleteTexture(Texture* tex) {
    MakeCurrent();
    glDeleteTextures(1, &tex->glName);
    // GL unbinds a deleted texture; its name may come back for another one.
    for (UnitState& u : units_)
        if (u.texture == tex->glName) u.texture = ~0u;
    tex->glName = 0;
}

// Sampling parameters of the bound texture for a stage's states.
void GlBackend::SetTextureParameters(Texture* tex, const std::array<DWORD, D3D_MAXTEXTURESTAGESTATES>& t) {
    const DWORD minF = t[D3DTSS_MINFILTER], magF = t[D3DTSS_MAGFILTER], mipF = t[D3DTSS_MIPFILTER];
    const bool linMin = minF >= D3DTEXF_LINEAR;
    GLenum minMode;
    if (mipF == D3DTEXF_NONE || tex->levels.size() == 1)
        minMode = linMin ? GL_LINEAR : GL_NEAREST;
    else if (mipF == D3DTEXF_POINT)
        minMode = linMin ? GL_LINEAR_MIPMAP_NEAREST : GL_NEAREST_MIPMAP_NEAREST;
    else
        minMode = linMin ? GL_LINEAR_MIPMAP_LINEAR : GL_NEAREST_MIPMAP_LINEAR;
    auto set = [](int& cached, GLenum pname, int value) {
        if (cached == value) return;
        cached = value;
        glTexParameteri(GL_TEXTURE_2D, pname, value);
    };
    set(tex->glMinFilter, GL_TEXTURE_MIN_FILTER, (int)minMode);
    set(tex->glMagFilter, GL_TEXTURE_MAG_FILTER, magF >= D3DTEXF_LINEAR ? GL_LINEAR : GL_NEAREST);
    set(tex->glWrapS, GL_TEXTURE_WRAP_S, (int)AddressMode(t[D3DTSS_ADDRESSU]));
    set(tex->glWrapT, GL_TEXTURE_WRAP_T, (int)AddressMode(t[D3DTSS_ADDRESSV]));
    const bool borderUsed = t[D3DTSS_ADDRESSU] == D3DTADDRESS_BORDER || t[D3DTSS_ADDRESSV] == D3DTADDRESS_BORDER;
    if (borderUsed && tex->glBorder != t[D3DTSS_BORDERCOLOR]) {
        tex->glBorder = t[D3DTSS_BORDERCOLOR];
        float border[4];
        ColorToFloats(t[D3DTSS_BORDERCOLOR], border);
        glTexParameterfv(GL_TEXTURE_2D, GL_TEXTURE_BORDER_COLOR, border);
    }
    set(tex->glBaseLevel, GL_TEXTURE_BASE_LEVEL,
        (int)std::min<DWORD>(t[D3DTSS_MAXMIPLEVEL], (DWORD)tex->levels.size() - 1));
}

int GlBackend::ActiveUnits(const DeviceState& st) const {
    int used = 0;
    while (used < maxUnits_ && st.tss[used][D3DTSS_COLOROP] != D3DTOP_DISABLE) ++used;
    return used;
}

void GlBackend::SetupStages(const DeviceState& st) {
    usedUnits_ = ActiveUnits(st);
    const DWORD tfactor = st.rs[D3DRS_TEXTUREFACTOR];
    for (int s = 0; s < maxUnits_; ++s) {
        UnitState& u = units_[s];
        const bool on = s < usedUnits_;
        if (u.enabled != (int)on) {
            ActiveUnit(s);
            u.enabled = on;
            if (on) glEnable(GL_TEXTURE_2D);
            else glDisable(GL_TEXTURE_2D);
        }
        if (!on) continue;
        const auto& t = st.tss[s];
        Texture* tex = st.textures[s] ? dynamic_cast<Texture*>(st.textures[s]) : nullptr;
        float lodBias = 0.0f;
        if (tex) {
            ActiveUnit(s);
            UploadTexture(tex);
            SetTextureParameters(tex, t);
            std::memcpy(&lodBias, &t[D3DTSS_MIPMAPLODBIAS], 4);
        } else {
            BindTexture(s, whiteTexture_);
        }
        if (u.lodBias != lodBias) {
            ActiveUnit(s);
            u.lodBias = lodBias;
            glTexEnvf(GL_TEXTURE_FILTER_CONTROL, GL_TEXTURE_LOD_BIAS, lodBias);
        }
        DWORD alphaOp = t[D3DTSS_ALPHAOP];
        DWORD a1 = t[D3DTSS_ALPHAARG1], a2 = t[D3DTSS_ALPHAARG2];
        if (alphaOp == D3DTOP_DISABLE) {
            alphaOp = D3DTOP_SELECTARG1;
            a1 = D3DTA_CURRENT;
        }
        // Without a texture, an alpha taken from the texture alone comes from
        // the stage's input instead.
        if (!tex && alphaOp == D3DTOP_SELECTARG1 && (a1 & D3DTA_SELECTMASK) == D3DTA_TEXTURE) a1 = D3DTA_CURRENT;
        if (!tex && alphaOp == D3DTOP_SELECTARG2 && (a2 & D3DTA_SELECTMASK) == D3DTA_TEXTURE) a2 = D3DTA_CURRENT;
        const uint32_t combiner[8] = {t[D3DTSS_COLOROP], t[D3DTSS_COLORARG1], t[D3DTSS_COLORARG2], t[D3DTSS_COLORARG0],
                                      alphaOp | (tex ? 0x80000000u : 0u), a1, a2 ^ (t[D3DTSS_ALPHAARG0] << 16), tfactor};
        if (u.combinerValid && std::memcmp(u.combiner, combiner, sizeof combiner) == 0) continue;
        std::memcpy(u.combiner, combiner, sizeof combiner);
        u.combinerValid = true;
        ActiveUnit(s);
        float factor[4];
        ColorToFloats(tfactor, factor);
        glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_COMBINE);
        glTexEnvfv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_COLOR, factor);
        SetCombine(false, t[D3DTSS_COLOROP], t[D3DTSS_COLORARG1], t[D3DTSS_COLORARG2], t[D3DTSS_COLORARG0], tex != nullptr);
        SetCombine(true, alphaOp, a1, a2, t[D3DTSS_ALPHAARG0], tex != nullptr);
    }
}

// ---------------------------------------------------------------------------
// Render states

void GlBackend::SetupRenderStates(const DeviceState& st, bool pretransformed, bool vertexFog) {
    const auto& rs = st.rs;
    const DWORD planes = pretransformed ? 0 : rs[D3DRS_CLIPPLANEENABLE];
    static const D3DRENDERSTATETYPE kKeyStates[] = {
        D3DRS_ZENABLE,        D3DRS_ZFUNC,           D3DRS_ZWRITEENABLE,  D3DRS_ZBIAS,          D3DRS_ALPHATESTENABLE,
        D3DRS_ALPHAFUNC,      D3DRS_ALPHAREF,        D3DRS_ALPHABLENDENABLE, D3DRS_SRCBLEND,    D3DRS_DESTBLEND,
        D3DRS_BLENDOP,        D3DRS_CULLMODE,        D3DRS_FILLMODE,      D3DRS_SHADEMODE,      D3DRS_DITHERENABLE,
        D3DRS_STENCILENABLE,  D3DRS_STENCILFUNC,     D3DRS_STENCILREF,    D3DRS_STENCILMASK,    D3DRS_STENCILFAIL,
        D3DRS_STENCILZFAIL,   D3DRS_STENCILPASS,     D3DRS_STENCILWRITEMASK, D3DRS_COLORWRITEENABLE, D3DRS_FOGCOLOR,
        D3DRS_SPECULARENABLE};
    constexpr size_t kKeySize = sizeof kKeyStates / sizeof kKeyStates[0] + 2;
    static_assert(kKeySize <= sizeof renderKey_ / sizeof renderKey_[0]);
    uint32_t key[kKeySize];
    for (size_t i = 0; i + 2 < kKeySize; ++i) key[i] = rs[kKeyStates[i]];
    key[kKeySize - 2] = vertexFog;
    key[kKeySize - 1] = planes;
    // Clip planes follow the matrices, so they are set again for every draw.
    if (renderKeyValid_ && planes == 0 && std::memcmp(key, renderKey_, sizeof key) == 0) return;
    std::memcpy(renderKey_, key, sizeof key);
    renderKeyValid_ = true;

    // Depth
    const bool depth = rs[D3DRS_ZENABLE] != D3DZB_FALSE;
    Enable(kCapDepthTest, depth);
    if (depth) glDepthFunc(CompareFunc(rs[D3DRS_ZFUNC]));
    glDepthMask(rs[D3DRS_ZWRITEENABLE] ? GL_TRUE : GL_FALSE);
    Enable(kCapPolygonOffsetFill, rs[D3DRS_ZBIAS] != 0);
    Enable(kCapPolygonOffsetLine, rs[D3DRS_ZBIAS] != 0);
    if (rs[D3DRS_ZBIAS] != 0) glPolygonOffset(0.0f, -2.0f * (float)std::min<DWORD>(rs[D3DRS_ZBIAS], 16));
    // Alpha test
    Enable(kCapAlphaTest, rs[D3DRS_ALPHATESTENABLE] != FALSE);
    if (rs[D3DRS_ALPHATESTENABLE])
        glAlphaFunc(CompareFunc(rs[D3DRS_ALPHAFUNC]), (float)(rs[D3DRS_ALPHAREF] & 0xff) / 255.0f);
    // Blending
    Enable(kCapBlend, rs[D3DRS_ALPHABLENDENABLE] != FALSE);
    if (rs[D3DRS_ALPHABLENDENABLE]) {
        DWORD src = rs[D3DRS_SRCBLEND], dst = rs[D3DRS_DESTBLEND];
        GLenum s = BlendFactor(src), d = BlendFactor(dst);
        if (src == D3DBLEND_BOTHSRCALPHA) {
            s = GL_SRC_ALPHA;
            d = GL_ONE_MINUS_SRC_ALPHA;
        } else if (src == D3DBLEND_BOTHINVSRCALPHA) {
            s = GL_ONE_MINUS_SRC_ALPHA;
            d = GL_SRC_ALPHA;
        }
        glBlendFunc(s, d);
        GLenum eq = GL_FUNC_ADD;
        switch (rs[D3DRS_BLENDOP]) {
            case D3DBLENDOP_SUBTRACT: eq = GL_FUNC_SUBTRACT; break;
            case D3DBLENDOP_REVSUBTRACT: eq = GL_FUNC_REVERSE_SUBTRACT; break;
            case D3DBLENDOP_MIN: eq = GL_MIN; break;
            case D3DBLENDOP_MAX: eq = GL_MAX; break;
            default: break;
        }
        gl.BlendEquation(eq);
    }
    // Culling: the picture keeps its orientation on the screen (Direct3D's y
    // down becomes GL's y up by the viewport flip), so a triangle Direct3D
    // calls clockwise is clockwise, a back face, for GL too.
    const DWORD cull = rs[D3DRS_CULLMODE];
    Enable(kCapCullFace, cull == D3DCULL_CW || cull == D3DCULL_CCW);
    if (cull == D3DCULL_CW) glCullFace(GL_BACK);
    else if (cull == D3DCULL_CCW) glCullFace(GL_FRONT);
    switch (rs[D3DRS_FILLMODE]) {
        case D3DFILL_POINT: glPolygonMode(GL_FRONT_AND_BACK, GL_POINT); break;
        case D3DFILL_WIREFRAME: glPolygonMode(GL_FRONT_AND_BACK, GL_LINE); break;
        default: glPolygonMode(GL_FRONT_AND_BACK, GL_FILL); break;
    }
    glShadeModel(rs[D3DRS_SHADEMODE] == D3DSHADE_FLAT ? GL_FLAT : GL_SMOOTH);
    Enable(kCapDither, rs[D3DRS_DITHERENABLE] != FALSE);
    // Stencil
    Enable(kCapStencilTest, rs[D3DRS_STENCILENABLE] != FALSE);
    if (rs[D3DRS_STENCILENABLE]) {
        glStencilFunc(CompareFunc(rs[D3DRS_STENCILFUNC]), (GLint)rs[D3DRS_STENCILREF], rs[D3DRS_STENCILMASK]);
        glStencilOp(StencilOp(rs[D3DRS_STENCILFAIL]), StencilOp(rs[D3DRS_STENCILZFAIL]),
                    StencilOp(rs[D3DRS_STENCILPASS]));
        glStencilMask(rs[D3DRS_STENCILWRITEMASK]);
    }
    DWORD cw = rs[D3DRS_COLORWRITEENABLE];
    glColorMask((cw & 1) ? GL_TRUE : GL_FALSE, (cw & 2) ? GL_TRUE : GL_FALSE, (cw & 4) ? GL_TRUE : GL_FALSE,
                (cw & 8) ? GL_TRUE : GL_FALSE);
    // Fog and specular
    Enable(kCapFog, vertexFog);
    if (vertexFog) {
        float c[4];
        ColorToFloats(rs[D3DRS_FOGCOLOR], c);
        glFogfv(GL_FOG_COLOR, c);
    }
    Enable(kCapColorSum, rs[D3DRS_SPECULARENABLE] != FALSE);
    // User clip planes (world space) for transformed vertices
    for (int i = 0; i < 6; ++i) {
        if (!(planes & (1u << i))) {
            Enable(Cap(kCapClipPlane0 + i), false);
            continue;
        }
        // Plane in GL clip space: p_gl = inverse(view * proj * adjust) * p.
        D3DXMATRIX vpm, adj, full, inv;
        D3DXMatrixMultiply(&vpm, (const D3DXMATRIX*)&st.transforms[0], (const D3DXMATRIX*)&st.transforms[1]);
        D3DXMatrixIdentity(&adj);
        float vw = (float)std::max<DWORD>(1, st.viewport.Width), vh = (float)std::max<DWORD>(1, st.viewport.Height);
        adj._41 = 0.0f;
        adj._44 = 1.0f;
        adj.m[3][0] = 2.0f * kPixelShift / vw;   // x += w * a
        adj.m[3][1] = -2.0f * kPixelShift / vh;  // y -= w * b
        adj.m[2][2] = 2.0f;                      // z' = 2z - w
        adj.m[3][2] = -1.0f;
        D3DXMatrixMultiply(&full, &vpm, &adj);
        if (!D3DXMatrixInverse(&inv, nullptr, &full)) {
            Enable(Cap(kCapClipPlane0 + i), false);
            continue;
        }
        const auto& p = st.clipPlanes[i];
        double eq[4];
        for (int j = 0; j < 4; ++j)
            eq[j] = inv.m[j][0] * p[0] + inv.m[j][1] * p[1] + inv.m[j][2] * p[2] + inv.m[j][3] * p[3];
        glClipPlane(GL_CLIP_PLANE0 + i, eq);
        Enable(Cap(kCapClipPlane0 + i), true);
    }
}

// ---------------------------------------------------------------------------
// Drawing

template <class F>
void GlBackend::CallDraw(F&& draw) {
    if (!drawCallMs_) return draw();
    const auto t0 = std::chrono::steady_clock::now();
    draw();
    *drawCallMs_ += std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
}

void GlBackend::UseArrays(Arrays kind) {
    if (arrays_ == kind) return;
    if (kind == Arrays::Client) {
        // Fixed-function vertices from client memory.
        if (hasPrograms_) {
            programs_.Unbind();
            for (unsigned a = 0; a < kAttrCount; ++a)
                if (!genericKnown_ || (genericEnabled_ & (1u << a))) gl.DisableVertexAttribArray(a);
            genericEnabled_ = 0;
            genericKnown_ = true;
            BindBuffer(false, 0);
            BindBuffer(true, 0);
        }
        glEnableClientState(GL_VERTEX_ARRAY);
        glEnableClientState(GL_COLOR_ARRAY);
        glEnableClientState(GL_SECONDARY_COLOR_ARRAY);
        glEnableClientState(GL_FOG_COORD_ARRAY);
    } else {
        glDisableClientState(GL_VERTEX_ARRAY);
        glDisableClientState(GL_COLOR_ARRAY);
        glDisableClientState(GL_SECONDARY_COLOR_ARRAY);
        glDisableClientState(GL_FOG_COORD_ARRAY);
        for (int s = 0; s < maxUnits_; ++s) {
            gl.ClientActiveTexture(GL_TEXTURE0 + s);
            glDisableClientState(GL_TEXTURE_COORD_ARRAY);
        }
        gl.ClientActiveTexture(GL_TEXTURE0);
        clientTexArrays_ = 0;
    }
    arrays_ = kind;
    attributes_ = AttributeSource{};
}

void GlBackend::Draw(const DeviceState& st, D3DPRIMITIVETYPE type, const std::vector<ProcessedVertex>& verts,
                     const std::vector<uint32_t>* indices, bool pretransformed, bool vertexFog) {
    if (verts.empty()) return;
    UseArrays(Arrays::Client);
    // Client memory: no buffer object may stay bound (buffer uploads bind
    // theirs between draws).
    if (hasPrograms_) {
        BindBuffer(false, 0);
        BindBuffer(true, 0);
    }
    SetupTarget(st);
    SetupRenderStates(st, pretransformed, vertexFog);
    SetupStages(st);
    const int units = usedUnits_;
    const D3DVIEWPORT8& vp = st.viewport;

    const size_t n = verts.size();
    posBuf_.resize(n * 4);
    colBuf_.resize(n * 4);
    specBuf_.resize(n * 3);
    fogBuf_.resize(n);
    for (int s = 0; s < units; ++s) texBuf_[s].resize(n * 4);
    const float ax = 2.0f * kPixelShift / (float)std::max<DWORD>(1, vp.Width);
    const float ay = 2.0f * kPixelShift / (float)std::max<DWORD>(1, vp.Height);
    for (size_t i = 0; i < n; ++i) {
        const ProcessedVertex& v = verts[i];
        float w = v.clip[3];
        posBuf_[i * 4 + 0] = v.clip[0] + w * ax;
        posBuf_[i * 4 + 1] = v.clip[1] - w * ay;
        posBuf_[i * 4 + 2] = 2.0f * v.clip[2] - w;
        posBuf_[i * 4 + 3] = w;
        std::memcpy(&colBuf_[i * 4], v.diffuse, 16);
        std::memcpy(&specBuf_[i * 3], v.specular, 12);
        fogBuf_[i] = 1.0f - v.fog;
        for (int s = 0; s < units; ++s) std::memcpy(&texBuf_[s][i * 4], v.tex[s], 16);
    }
    glVertexPointer(4, GL_FLOAT, 0, posBuf_.data());
    glColorPointer(4, GL_FLOAT, 0, colBuf_.data());
    gl.SecondaryColorPointer(3, GL_FLOAT, 0, specBuf_.data());
    gl.FogCoordPointer(GL_FLOAT, 0, fogBuf_.data());
    for (int s = 0; s < std::max(units, clientTexArrays_ < 0 ? maxUnits_ : clientTexArrays_); ++s) {
        gl.ClientActiveTexture(GL_TEXTURE0 + s);
        if (s < units) {
            glEnableClientState(GL_TEXTURE_COORD_ARRAY);
            glTexCoordPointer(4, GL_FLOAT, 0, texBuf_[s].data());
        } else {
            glDisableClientState(GL_TEXTURE_COORD_ARRAY);
        }
    }
    clientTexArrays_ = units;
    gl.ClientActiveTexture(GL_TEXTURE0);
    GLenum mode = PrimitiveMode(type);
    CallDraw([&] {
        if (indices)
            glDrawElements(mode, (GLsizei)indices->size(), GL_UNSIGNED_INT, indices->data());
        else
            glDrawArrays(mode, 0, (GLsizei)n);
    });
}

void GlBackend::SetAttributes(const ShadedDraw& d, const VertexProgramKey& key) {
    const FvfLayout& l = *d.layout;
    unsigned wanted = 1u << kAttrPosition;
    if (key.blendWeights) wanted |= 1u << kAttrWeights;
    if (!key.pretransformed && key.hasNormal) wanted |= 1u << kAttrNormal;
    if (key.hasDiffuse) wanted |= 1u << kAttrDiffuse;
    if (key.hasSpecular) wanted |= 1u << kAttrSpecular;
    const unsigned sets = key.TexSetsRead();
    for (unsigned i = 0; i < 8; ++i)
        if (sets & (1u << i)) wanted |= 1u << (kAttrTex0 + i);
    // In a buffer object, pointers are byte offsets.
    const BYTE* base = d.vertexBuffer ? reinterpret_cast<const BYTE*>((uintptr_t)d.vertexOffset) : d.vertices;
    const AttributeSource src{d.vertexBuffer, base, d.stride, d.fvf, wanted, key.blendWeights};
    // The layout's offsets follow from the vertex format: equal sources set
    // equal pointers.
    if (src.buffer == attributes_.buffer && src.base == attributes_.base && src.stride == attributes_.stride &&
        src.fvf == attributes_.fvf && src.sets == attributes_.sets && src.weights == attributes_.weights)
        return;
    attributes_ = src;
    BindBuffer(false, d.vertexBuffer);
    const GLsizei stride = (GLsizei)d.stride;
    auto pointer = [&](unsigned loc, int size, GLenum type, bool normalized, int offset) {
        gl.VertexAttribPointer(loc, size, type, normalized ? GL_TRUE : GL_FALSE, stride, base + offset);
    };
    pointer(kAttrPosition, l.posCount, GL_FLOAT, false, 0);
    if (key.blendWeights) pointer(kAttrWeights, key.blendWeights, GL_FLOAT, false, 12);
    if (wanted & (1u << kAttrNormal)) pointer(kAttrNormal, 3, GL_FLOAT, false, l.normal);
    if (key.hasDiffuse) pointer(kAttrDiffuse, 4, GL_UNSIGNED_BYTE, true, l.diffuse);
    if (key.hasSpecular) pointer(kAttrSpecular, 4, GL_UNSIGNED_BYTE, true, l.specular);
    for (unsigned i = 0; i < 8; ++i)
        if (sets & (1u << i)) pointer(kAttrTex0 + i, l.texDim[i], GL_FLOAT, false, l.tex[i]);
    // After the cache was forgotten every array is switched explicitly.
    const unsigned change = genericKnown_ ? wanted ^ genericEnabled_ : (1u << kAttrCount) - 1;
    for (unsigned a = 0; a < kAttrCount; ++a) {
        if (!(change & (1u << a))) continue;
        if (wanted & (1u << a)) gl.EnableVertexAttribArray(a);
        else gl.DisableVertexAttribArray(a);
    }
    genericEnabled_ = wanted;
    genericKnown_ = true;
}

bool GlBackend::DrawShaded(const DeviceState& st, const ShadedDraw& d) {
    if (!hasPrograms_) return false;
    const bool pretransformed = d.layout->posCount == 4;
    const bool clip = !pretransformed && st.rs[D3DRS_CLIPPLANEENABLE] != 0;
    SetupTarget(st);
    SetupRenderStates(st, pretransformed, st.rs[D3DRS_FOGENABLE] != FALSE);
    SetupStages(st);
    const VertexProgramKey* key = nullptr;
    if (!programs_.Use(st, *d.layout, usedUnits_, d.lightsVersion, clip, &key)) return false;
    UseArrays(Arrays::Generic);
    SetAttributes(d, *key);
    const GLenum mode = PrimitiveMode(d.type);
    if (d.indexed) {
        BindBuffer(true, d.indexBuffer);
        const void* at = d.indexBuffer ? reinterpret_cast<const void*>((uintptr_t)d.indexOffset) : d.indices;
        CallDraw([&] {
            gl.DrawRangeElements(mode, d.minIndex, d.maxIndex, (GLsizei)d.count,
                                 d.index32 ? GL_UNSIGNED_INT : GL_UNSIGNED_SHORT, at);
        });
    } else {
        CallDraw([&] { glDrawArrays(mode, (GLint)d.first, (GLsizei)d.count); });
    }
    return true;
}

// ---------------------------------------------------------------------------
// Buffers

unsigned GlBackend::SyncBuffer(GlBufferCopy& b, bool index, const std::vector<BYTE>& data, size_t needEnd) {
    const GLenum target = index ? GL_ELEMENT_ARRAY_BUFFER : GL_ARRAY_BUFFER;
    const GLenum usage = b.dynamic ? GL_STREAM_DRAW : GL_STATIC_DRAW;
    if (b.name && b.contextId != contextId_) b.name = 0;  // made in another context
    if (!b.name) {
        gl.GenBuffers(1, &b.name);
        b.contextId = contextId_;
        BindBuffer(index, b.name);
        gl.BufferData(target, (GLsizeiptr)data.size(), data.data(), usage);
        b.dirtyLo = b.dirtyHi = 0;
        b.orphan = false;
        return b.name;
    }
    BindBuffer(index, b.name);
    if (b.dirtyLo >= b.dirtyHi || b.dirtyLo >= needEnd) return b.name;
    if (b.orphan) {
        // A fresh store: the draws still queued keep the old one.
        gl.BufferData(target, (GLsizeiptr)data.size(), nullptr, usage);
        b.orphan = false;
    }
    // A dynamic buffer is streamed as far as the draw reads it.
    const size_t hi = b.dynamic ? std::min(b.dirtyHi, needEnd) : b.dirtyHi;
    gl.BufferSubData(target, (GLintptr)b.dirtyLo, (GLsizeiptr)(hi - b.dirtyLo), data.data() + b.dirtyLo);
    b.dirtyLo = hi;
    if (b.dirtyLo >= b.dirtyHi) b.dirtyLo = b.dirtyHi = 0;
    return b.name;
}

void GlBackend::DeleteBuffer(GlBufferCopy& b) {
    gl.DeleteBuffers(1, &b.name);
    // GL unbinds a deleted buffer everywhere; its name may come back.
    if (arrayBuffer_ == b.name) arrayBuffer_ = ~0u;
    if (elementBuffer_ == b.name) elementBuffer_ = ~0u;
    if (attributes_.buffer == b.name) attributes_ = AttributeSource{};
    b.name = 0;
}

// ---------------------------------------------------------------------------

void GlBackend::Present(int swapInterval) {
    MakeCurrent();
    int dw = 0, dh = 0;
    SDL_GL_GetDrawableSize(window_, &dw, &dh);
    if (dw > 0 && dh > 0) {
        gl.BindFramebuffer(GL_READ_FRAMEBUFFER, fbo_);
        gl.BindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
        Enable(kCapScissor, false);
        glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
        renderKeyValid_ = false;
        glViewport(0, 0, dw, dh);
        viewport_[2] = -1;
        // Scale to fit, keeping the shape, centred.
        double s = std::min((double)dw / width_, (double)dh / height_);
        int w = (int)(width_ * s + 0.5), h = (int)(height_ * s + 0.5);
        int x = (dw - w) / 2, y = (dh - h) / 2;
        // Bars around the picture are black.
        if (w < dw || h < dh) {
            glClearColor(0, 0, 0, 1);
            glClear(GL_COLOR_BUFFER_BIT);
        }
        GLenum filter = (w == (int)width_ && h == (int)height_) ? GL_NEAREST : GL_LINEAR;
        gl.BlitFramebuffer(0, 0, (GLint)width_, (GLint)height_, x, y, x + w, y + h, GL_COLOR_BUFFER_BIT, filter);
        SDL_GL_SetSwapInterval(swapInterval);
        SDL_GL_SwapWindow(window_);
    }
    gl.BindFramebuffer(GL_FRAMEBUFFER, fbo_);
    fboBound_ = true;
}

void GlBackend::ReadBackBuffer(std::vector<uint32_t>& out) {
    MakeCurrent();
    gl.BindFramebuffer(GL_FRAMEBUFFER, fbo_);
    fboBound_ = true;
    BindBuffer(false, 0);
    std::vector<uint32_t> raw((size_t)width_ * height_);
    glReadPixels(0, 0, (GLsizei)width_, (GLsizei)height_, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, raw.data());
    out.resize(raw.size());
    for (UINT y = 0; y < height_; ++y)
        for (UINT x = 0; x < width_; ++x)
            out[(size_t)y * width_ + x] = raw[(size_t)(height_ - 1 - y) * width_ + x] | 0xff000000u;
}

D3DCOLOR GlBackend::ReadPixel(int x, int y) {
    gl.BindFramebuffer(GL_FRAMEBUFFER, fbo_);
    fboBound_ = true;
    uint32_t px = 0;
    glReadPixels(x, (GLint)height_ - 1 - y, 1, 1, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, &px);
    return px;
}

}  // namespace plat::d3d
