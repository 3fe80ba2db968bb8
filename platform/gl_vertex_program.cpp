// GLSL vertex programs for Direct3D 8's fixed-function vertex stage. The
// formulas follow the CPU stage (d3d8_vertex.cpp) step by step, so that both
// draw the same picture; see that file for the Direct3D rules themselves.
#include "platform/gl_vertex_program.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "platform/gl_functions.h"

namespace plat::d3d {

namespace {

void ValueToFloats(const D3DCOLORVALUE& c, float out[4]) {
    out[0] = c.r;
    out[1] = c.g;
    out[2] = c.b;
    out[3] = c.a;
}

// Uniforms of every program (a program may not use all of them).
enum Uniform {
    kUWorldView,  // mat4[4]: world * view per blend matrix
    kUNormal,     // mat4[4]: inverse transpose of the above
    kUProjection,
    kUAdjust,     // x, y: the pixel-centre shift in clip units; z, w: viewport min z and depth range
    kUViewport,   // x, y, width, height
    kUAmbient,
    kUMatDiffuse,
    kUMatAmbient,
    kUMatSpecular,
    kUMatEmissive,
    kUPower,
    kULights,     // vec4[7] per light: diffuse, specular, ambient, camera-space position and range,
                  // direction, attenuation 0 to 2 and falloff, cosines of the half cone angles
    kUFog,        // start, end, density
    kUTexture0,   // mat4 per stage
    kUniformCount = kUTexture0 + kMaxStages,
};

const char* const kUniformNames[kUniformCount] = {
    "u_wv",     "u_nm",   "u_proj", "u_adjust", "u_viewport", "u_ambient", "u_matDiffuse", "u_matAmbient",
    "u_matSpecular", "u_matEmissive", "u_power", "u_light", "u_fog", "u_tex0", "u_tex1",
    "u_tex2",   "u_tex3", "u_tex4", "u_tex5",   "u_tex6",     "u_tex7"};

constexpr int kLightVec4s = 7;

// The material colour source of a lighting input: vertex colours count only
// with D3DRS_COLORVERTEX and when the vertex has that colour.
uint8_t ColourSource(DWORD src, bool colorVertex, const FvfLayout& l) {
    if (!colorVertex) return 0;
    if (src == D3DMCS_COLOR1 && l.diffuse >= 0) return 1;
    if (src == D3DMCS_COLOR2 && l.specular >= 0) return 2;
    return 0;
}

GLuint Compile(GLenum kind, const std::string& src) {
    GLuint sh = gl.CreateShader(kind);
    const char* text = src.c_str();
    gl.ShaderSource(sh, 1, &text, nullptr);
    gl.CompileShader(sh);
    GLint ok = 0;
    gl.GetShaderiv(sh, GL_COMPILE_STATUS, &ok);
    if (!ok) {
        char log[2048] = {};
        gl.GetShaderInfoLog(sh, sizeof log - 1, nullptr, log);
        std::fprintf(stderr, "GL vertex program not compiled, the CPU vertex stage draws instead:\n%s\n", log);
        gl.DeleteShader(sh);
        return 0;
    }
    return sh;
}

}  // namespace

// ---------------------------------------------------------------------------
// Keys

bool VertexProgramKey::operator<(const VertexProgramKey& o) const {
    return std::memcmp(this, &o, sizeof *this) < 0;
}

unsigned VertexProgramKey::TexSetsRead() const {
    unsigned sets = 0;
    for (int s = 0; s < units; ++s)
        if (texGen[s] == 0 && texSet[s] != 0) sets |= 1u << (texSet[s] - 1);
    return sets;
}

bool MakeVertexProgramKey(const DeviceState& st, const FvfLayout& l, int units, const int lightCounts[3],
                          VertexProgramKey* key) {
    static_assert(sizeof(VertexProgramKey) == 20 + 4 * kMaxStages, "the key must have no padding");
    VertexProgramKey k;
    const auto& rs = st.rs;
    if (l.posCount == 0) return false;
    k.pretransformed = l.posCount == 4;
    k.hasDiffuse = l.diffuse >= 0;
    k.hasSpecular = l.specular >= 0;
    k.units = (uint8_t)std::clamp(units, 0, kMaxStages);
    const bool fogOn = rs[D3DRS_FOGENABLE] != FALSE;
    if (k.pretransformed) {
        k.fog = fogOn && l.specular >= 0 ? 1 : 0;
        for (int s = 0; s < k.units; ++s) {
            const int idx = (int)(st.tss[s][D3DTSS_TEXCOORDINDEX] & 0xffff);
            if (idx < l.texCount) {
                k.texSet[s] = (uint8_t)(idx + 1);
                k.texDim[s] = (uint8_t)l.texDim[idx];
            }
        }
        *key = k;
        return true;
    }

    const DWORD vb = rs[D3DRS_VERTEXBLEND];
    int weights = vb >= D3DVBF_1WEIGHTS && vb <= D3DVBF_3WEIGHTS ? (int)vb : 0;
    const int usableBetas = l.betas - (l.lastBetaUbyte4 ? 1 : 0);
    if (weights > usableBetas) weights = std::max(0, usableBetas);
    // Indexed blending reads any of 256 world matrices: the CPU stage does it.
    if (rs[D3DRS_INDEXEDVERTEXBLENDENABLE] != FALSE && l.lastBetaUbyte4) return false;
    k.blendWeights = (uint8_t)weights;
    k.hasNormal = l.normal >= 0;
    k.normalize = rs[D3DRS_NORMALIZENORMALS] != FALSE;
    k.localViewer = rs[D3DRS_LOCALVIEWER] != FALSE;
    k.lighting = rs[D3DRS_LIGHTING] != FALSE;
    if (k.lighting) {
        if (lightCounts[0] + lightCounts[1] + lightCounts[2] > kMaxProgramLights) return false;
        for (int t = 0; t < 3; ++t) k.lights[t] = (uint8_t)lightCounts[t];
        const bool cv = rs[D3DRS_COLORVERTEX] != FALSE;
        k.diffuseSource = ColourSource(rs[D3DRS_DIFFUSEMATERIALSOURCE], cv, l);
        k.ambientSource = ColourSource(rs[D3DRS_AMBIENTMATERIALSOURCE], cv, l);
        k.specularSource = ColourSource(rs[D3DRS_SPECULARMATERIALSOURCE], cv, l);
        k.emissiveSource = ColourSource(rs[D3DRS_EMISSIVEMATERIALSOURCE], cv, l);
    }
    k.specular = rs[D3DRS_SPECULARENABLE] != FALSE;
    if (fogOn) {
        const DWORD table = rs[D3DRS_FOGTABLEMODE];
        const DWORD mode = table != D3DFOG_NONE ? table : rs[D3DRS_FOGVERTEXMODE];
        if (mode == D3DFOG_NONE) k.fog = 1;
        else if (mode == D3DFOG_LINEAR) k.fog = 2;
        else if (mode == D3DFOG_EXP) k.fog = 3;
        else if (mode == D3DFOG_EXP2) k.fog = 4;
        else k.fog = 5;  // an unknown mode leaves the vertex unfogged
        k.rangeFog = k.fog >= 2 && rs[D3DRS_RANGEFOGENABLE] != FALSE && table == D3DFOG_NONE;
    }
    for (int s = 0; s < k.units; ++s) {
        const DWORD tci = st.tss[s][D3DTSS_TEXCOORDINDEX];
        const DWORD gen = tci & 0xffff0000u;
        const int idx = (int)(tci & 0xffff);
        if (gen == D3DTSS_TCI_CAMERASPACEPOSITION) k.texGen[s] = 1;
        else if (gen == D3DTSS_TCI_CAMERASPACENORMAL) k.texGen[s] = 2;
        else if (gen == D3DTSS_TCI_CAMERASPACEREFLECTIONVECTOR) k.texGen[s] = 3;
        else if (idx < l.texCount) {
            k.texSet[s] = (uint8_t)(idx + 1);
            k.texDim[s] = (uint8_t)l.texDim[idx];
        }
        const DWORD flags = st.tss[s][D3DTSS_TEXTURETRANSFORMFLAGS];
        k.texFlags[s] = (uint8_t)(std::min<DWORD>(flags & 0xff, 4) + ((flags & D3DTTFF_PROJECTED) ? 8 : 0));
    }
    *key = k;
    return true;
}

// ---------------------------------------------------------------------------
// Source

std::string VertexProgramSource(const VertexProgramKey& k) {
    std::string s;
    auto add = [&s](const char* text) { s += text; };
    auto addf = [&s](const char* fmt, auto... args) {
        char buf[512];
        std::snprintf(buf, sizeof buf, fmt, args...);
        s += buf;
    };
    add("#version 120\n");
    add("attribute vec4 a_pos;\n");
    add("attribute vec4 a_diffuse;\n");   // bytes b, g, r, a
    add("attribute vec4 a_specular;\n");
    for (int i = 0; i < 8; ++i)
        if (k.TexSetsRead() & (1u << i)) addf("attribute vec4 a_tex%d;\n", i);
    add("uniform vec4 u_adjust;\n");
    // Colours of the vertex, as the CPU stage reads them.
    const char* diffuse = k.hasDiffuse ? "a_diffuse.zyxw" : "vec4(1.0)";
    const char* specular = k.hasSpecular ? "a_specular.zyxw" : "vec4(0.0)";

    if (k.pretransformed) {
        add("uniform vec4 u_viewport;\n");
        add("void main() {\n");
        add("  vec4 p = a_pos;\n");
        add("  float w = (abs(p.w) > 0.0 && abs(p.w) < 3.0e38) ? 1.0 / p.w : 1.0;\n");
        add("  float nx = (p.x - u_viewport.x) / u_viewport.z * 2.0 - 1.0;\n");
        add("  float ny = 1.0 - (p.y - u_viewport.y) / u_viewport.w * 2.0;\n");
        add("  float nz = u_adjust.w != 0.0 ? (p.z - u_adjust.z) / u_adjust.w : p.z;\n");
        add("  vec4 clip = vec4(nx * w, ny * w, nz * w, w);\n");
        add("  gl_Position = vec4(clip.x + w * u_adjust.x, clip.y - w * u_adjust.y, 2.0 * clip.z - w, w);\n");
        addf("  gl_FrontColor = clamp(%s, 0.0, 1.0);\n", diffuse);
        if (k.specular) addf("  gl_FrontSecondaryColor = clamp(%s, 0.0, 1.0);\n", specular);
        else add("  gl_FrontSecondaryColor = vec4(0.0);\n");
        addf("  gl_FogFragCoord = %s;\n", k.fog == 1 ? "1.0 - a_specular.w" : "0.0");
        for (int u = 0; u < k.units; ++u) {
            if (!k.texSet[u]) {
                addf("  gl_TexCoord[%d] = vec4(0.0, 0.0, 0.0, 1.0);\n", u);
                continue;
            }
            const int set = k.texSet[u] - 1, dim = std::min<int>(k.texDim[u], 3);
            addf("  gl_TexCoord[%d] = vec4(%s, 1.0);\n", u,
                 dim == 1 ? (std::string("a_tex") + std::to_string(set) + ".x, 0.0, 0.0").c_str()
                 : dim == 2 ? (std::string("a_tex") + std::to_string(set) + ".xy, 0.0").c_str()
                            : (std::string("a_tex") + std::to_string(set) + ".xyz").c_str());
        }
        add("}\n");
        return s;
    }

    const int matrices = k.blendWeights + 1;
    if (k.blendWeights) add("attribute vec4 a_weights;\n");
    if (k.hasNormal) add("attribute vec3 a_normal;\n");
    addf("uniform mat4 u_wv[%d];\n", matrices);
    addf("uniform mat4 u_nm[%d];\n", matrices);
    add("uniform mat4 u_proj;\n");
    const int lights = k.lights[0] + k.lights[1] + k.lights[2];
    if (k.lighting) {
        add("uniform vec4 u_ambient, u_matDiffuse, u_matAmbient, u_matSpecular, u_matEmissive;\n");
        add("uniform float u_power;\n");
        if (lights) addf("uniform vec4 u_light[%d];\n", lights * kLightVec4s);
    }
    if (k.fog >= 2) add("uniform vec3 u_fog;\n");
    for (int u = 0; u < k.units; ++u)
        if (k.texFlags[u] & 7) addf("uniform mat4 u_tex%d;\n", u);
    add("vec3 safeNorm(vec3 v) {\n  float l = length(v);\n  return l > 0.0 ? v * (1.0 / l) : vec3(0.0);\n}\n");
    add("void main() {\n");
    add("  vec3 p = a_pos.xyz;\n");
    if (k.hasNormal) add("  vec3 n = a_normal;\n");
    else add("  vec3 n = vec3(0.0);\n");
    if (k.blendWeights) {
        add("  float wt[4];\n");
        add("  float sum = 0.0;\n");
        for (int i = 0; i < k.blendWeights; ++i) addf("  wt[%d] = a_weights[%d];\n  sum += wt[%d];\n", i, i, i);
        addf("  wt[%d] = 1.0 - sum;\n", (int)k.blendWeights);
        add("  vec3 pc = vec3(0.0), nc = vec3(0.0);\n");
        for (int i = 0; i < matrices; ++i) {
            addf("  pc += (u_wv[%d] * vec4(p, 1.0)).xyz * wt[%d];\n", i, i);
            if (k.hasNormal) addf("  nc += (mat3(u_nm[%d]) * n) * wt[%d];\n", i, i);
        }
    } else {
        add("  vec3 pc = (u_wv[0] * vec4(p, 1.0)).xyz;\n");
        add("  vec3 nc = mat3(u_nm[0]) * n;\n");
    }
    if (k.normalize) add("  nc = safeNorm(nc);\n");
    add("  vec4 clip = u_proj * vec4(pc, 1.0);\n");
    add("  gl_Position = vec4(clip.x + clip.w * u_adjust.x, clip.y - clip.w * u_adjust.y, 2.0 * clip.z - clip.w, "
        "clip.w);\n");
    addf("  vec4 vd = %s;\n", diffuse);
    addf("  vec4 vs = %s;\n", specular);
    add("  vec4 diffuse, specular = vec4(0.0);\n");
    if (k.lighting) {
        auto src = [](uint8_t source, const char* material) {
            return std::string(source == 1 ? "vd" : source == 2 ? "vs" : material);
        };
        addf("  vec4 md = %s, ma = %s, ms = %s, me = %s;\n", src(k.diffuseSource, "u_matDiffuse").c_str(),
             src(k.ambientSource, "u_matAmbient").c_str(), src(k.specularSource, "u_matSpecular").c_str(),
             src(k.emissiveSource, "u_matEmissive").c_str());
        add("  vec3 amb = u_ambient.rgb, dif = vec3(0.0), spe = vec3(0.0);\n");
        if (lights) {
            addf("  vec3 toEye = %s;\n", k.localViewer ? "safeNorm(-pc)" : "vec3(0.0, 0.0, -1.0)");
            add("  vec3 nn = safeNorm(nc);\n");
            add("  vec3 ldir, d;\n  float k, dist;\n");
        }
        // Directional lights, then point lights, then spot lights, each with
        // the indices of its uniforms written out.
        for (int i = 0; i < lights; ++i) {
            const int type = i < k.lights[0] ? 0 : i < k.lights[0] + k.lights[1] ? 1 : 2;
            const int b = i * kLightVec4s;
            add("  {\n");
            if (type == 0) {
                addf("    ldir = -u_light[%d].xyz;\n    k = 1.0;\n", b + 4);
            } else {
                addf("    d = u_light[%d].xyz - pc;\n", b + 3);
                add("    dist = length(d);\n");
                addf("    if (dist <= u_light[%d].w) {\n", b + 3);
                add("    ldir = dist > 0.0 ? d * (1.0 / dist) : vec3(0.0);\n");
                addf("    vec4 at = u_light[%d];\n", b + 5);
                add("    float den = at.x + at.y * dist + at.z * dist * dist;\n");
                add("    k = den > 0.0 ? 1.0 / den : 1.0;\n");
                if (type == 2) {
                    addf("    vec4 cone = u_light[%d];\n", b + 6);
                    addf("    float rho = dot(u_light[%d].xyz, -ldir);\n", b + 4);
                    add("    float spot;\n");
                    add("    if (rho > cone.x) spot = 1.0;\n");
                    add("    else if (rho <= cone.y) spot = 0.0;\n");
                    add("    else {\n");
                    add("      float denom = cone.x - cone.y;\n");
                    add("      float base = denom > 0.0 ? (rho - cone.y) / denom : 1.0;\n");
                    add("      spot = at.w == 1.0 ? base : pow(base, at.w);\n");
                    add("    }\n");
                    add("    k *= spot;\n");
                }
            }
            // The light's share: ambient always, diffuse and specular when
            // the surface faces it.
            addf("    amb += u_light[%d].rgb * k;\n", b + 2);
            add("    float ndl = dot(nc, ldir);\n");
            add("    if (ndl > 0.0) {\n");
            addf("      dif += u_light[%d].rgb * ndl * k;\n", b);
            if (k.specular) {
                add("      vec3 h = safeNorm(ldir + toEye);\n");
                add("      float ndh = dot(nn, h);\n");
                addf("      if (ndh > 0.0) spe += u_light[%d].rgb * (pow(ndh, u_power) * k);\n", b + 1);
            }
            add("    }\n");
            if (type != 0) add("    }\n");
            add("  }\n");
        }
        add("  diffuse = vec4(me.rgb + ma.rgb * amb + md.rgb * dif, md.a);\n");
        if (k.specular) add("  specular = vec4(ms.rgb * spe, ms.a);\n");
    } else {
        add("  diffuse = vd;\n");
        add("  specular = vs;\n");
    }
    add("  gl_FrontColor = clamp(diffuse, 0.0, 1.0);\n");
    // Colour sum adds the specular colour only when specular is on.
    addf("  gl_FrontSecondaryColor = %s;\n", k.specular ? "clamp(specular, 0.0, 1.0)" : "vec4(0.0)");
    if (k.fog == 0 || k.fog == 5) {
        add("  gl_FogFragCoord = 0.0;\n");
    } else if (k.fog == 1) {
        add("  gl_FogFragCoord = 1.0 - vs.a;\n");
    } else {
        addf("  float fd = %s;\n", k.rangeFog ? "length(pc)" : "pc.z");
        if (k.fog == 2)
            add("  float f = u_fog.y != u_fog.x ? (u_fog.y - fd) / (u_fog.y - u_fog.x) : (fd < u_fog.y ? 1.0 : 0.0);\n");
        else if (k.fog == 3)
            add("  float f = exp(-fd * u_fog.z);\n");
        else
            add("  float f = exp(-(fd * u_fog.z) * (fd * u_fog.z));\n");
        add("  gl_FogFragCoord = 1.0 - clamp(f, 0.0, 1.0);\n");
    }
    for (int u = 0; u < k.units; ++u) {
        addf("  {\n    vec4 tin;\n");
        switch (k.texGen[u]) {
            case 1: add("    tin = vec4(pc, 1.0);\n"); break;
            case 2: add("    tin = vec4(nc, 1.0);\n"); break;
            case 3:
                addf("    vec3 e = %s;\n", k.localViewer ? "safeNorm(pc)" : "vec3(0.0, 0.0, 1.0)");
                add("    vec3 rn = safeNorm(nc);\n");
                add("    tin = vec4(e - rn * (2.0 * dot(rn, e)), 1.0);\n");
                break;
            default:
                if (!k.texSet[u]) {
                    add("    tin = vec4(0.0, 0.0, 1.0, 0.0);\n");
                } else {
                    const int set = k.texSet[u] - 1;
                    switch (k.texDim[u]) {
                        case 1: addf("    tin = vec4(a_tex%d.x, 1.0, 0.0, 0.0);\n", set); break;
                        case 2: addf("    tin = vec4(a_tex%d.xy, 1.0, 0.0);\n", set); break;
                        case 3: addf("    tin = vec4(a_tex%d.xyz, 1.0);\n", set); break;
                        default: addf("    tin = a_tex%d;\n", set); break;
                    }
                }
                break;
        }
        const int count = k.texFlags[u] & 7;
        const bool projected = (k.texFlags[u] & 8) != 0;
        if (count == 0) {
            add("    vec4 t = vec4(tin.xyz, 1.0);\n");
            if (projected) add("    t.w = tin.z != 0.0 ? tin.z : 1.0;\n");
        } else {
            addf("    vec4 r = u_tex%d * tin;\n", u);
            add("    vec4 t = vec4(r.xyz, 1.0);\n");
            if (projected) {
                const int qi = std::clamp(count - 1, 0, 3);
                const char comp = "xyzw"[qi];
                addf("    t.w = r.%c;\n", comp);
                if (qi <= 1) addf("    t.%c = 1.0;\n", comp);
            }
        }
        addf("    gl_TexCoord[%d] = t;\n  }\n", u);
    }
    if (k.clipVertex) add("  gl_ClipVertex = gl_Position;\n");
    add("}\n");
    return s;
}

// ---------------------------------------------------------------------------
// Programs

struct VertexPrograms::Program {
    GLuint name = 0;
    GLint loc[kUniformCount] = {};
    std::vector<float> sent[kUniformCount];  // last values uploaded
};

VertexPrograms::VertexPrograms() = default;
VertexPrograms::~VertexPrograms() = default;

void VertexPrograms::Release() {
    if (bound_) gl.UseProgram(0);
    bound_ = false;
    current_ = nullptr;
    for (auto& kv : programs_)
        if (kv.second && kv.second->name) gl.DeleteProgram(kv.second->name);
    programs_.clear();
}

void VertexPrograms::Unbind() {
    if (!bound_) return;
    gl.UseProgram(0);
    bound_ = false;
}

std::unique_ptr<VertexPrograms::Program> VertexPrograms::Build(const VertexProgramKey& key) {
    auto p = std::make_unique<Program>();
    GLuint vs = Compile(GL_VERTEX_SHADER, VertexProgramSource(key));
    if (vs) {
        p->name = gl.CreateProgram();
        gl.AttachShader(p->name, vs);
        gl.BindAttribLocation(p->name, kAttrPosition, "a_pos");
        gl.BindAttribLocation(p->name, kAttrWeights, "a_weights");
        gl.BindAttribLocation(p->name, kAttrNormal, "a_normal");
        gl.BindAttribLocation(p->name, kAttrDiffuse, "a_diffuse");
        gl.BindAttribLocation(p->name, kAttrSpecular, "a_specular");
        for (unsigned i = 0; i < 8; ++i) {
            const std::string n = "a_tex" + std::to_string(i);
            gl.BindAttribLocation(p->name, kAttrTex0 + i, n.c_str());
        }
        gl.LinkProgram(p->name);
        gl.DeleteShader(vs);
        GLint ok = 0;
        gl.GetProgramiv(p->name, GL_LINK_STATUS, &ok);
        if (!ok) {
            char log[2048] = {};
            gl.GetProgramInfoLog(p->name, sizeof log - 1, nullptr, log);
            std::fprintf(stderr, "GL vertex program not linked, the CPU vertex stage draws instead:\n%s\n", log);
            gl.DeleteProgram(p->name);
            p->name = 0;
        }
    }
    if (p->name) {
        for (int u = 0; u < kUniformCount; ++u) p->loc[u] = gl.GetUniformLocation(p->name, kUniformNames[u]);
    }
    return p;  // a failed build is kept too, so that it is not tried again
}

void VertexPrograms::PrepareLights(const DeviceState& st, unsigned lightsVersion) {
    const D3DMATRIX& view = st.transforms[0];
    if (lightsVersion == lightsVersion_ && std::memcmp(&view, &lightsView_, sizeof view) == 0) return;
    lightsVersion_ = lightsVersion;
    lightsView_ = view;
    std::vector<float> byType[3];
    lightCounts_[0] = lightCounts_[1] = lightCounts_[2] = 0;
    for (const auto& kv : st.lights) {
        if (!kv.second.enabled) continue;
        const D3DLIGHT8& l = kv.second.light;
        const int t = l.Type == D3DLIGHT_DIRECTIONAL ? 0 : l.Type == D3DLIGHT_POINT ? 1 : 2;
        ++lightCounts_[t];
        std::vector<float>& out = byType[t];
        float c[4];
        ValueToFloats(l.Diffuse, c);
        out.insert(out.end(), c, c + 4);
        ValueToFloats(l.Specular, c);
        out.insert(out.end(), c, c + 4);
        ValueToFloats(l.Ambient, c);
        out.insert(out.end(), c, c + 4);
        // Position and direction in camera space, as the CPU stage has them.
        const D3DMATRIX& m = view;
        const float px = l.Position.x, py = l.Position.y, pz = l.Position.z;
        const float pos[4] = {px * m._11 + py * m._21 + pz * m._31 + m._41, px * m._12 + py * m._22 + pz * m._32 + m._42,
                              px * m._13 + py * m._23 + pz * m._33 + m._43, l.Range};
        out.insert(out.end(), pos, pos + 4);
        const float dx = l.Direction.x, dy = l.Direction.y, dz = l.Direction.z;
        float dir[4] = {dx * m._11 + dy * m._21 + dz * m._31, dx * m._12 + dy * m._22 + dz * m._32,
                        dx * m._13 + dy * m._23 + dz * m._33, 0.0f};
        const float len = std::sqrt(dir[0] * dir[0] + dir[1] * dir[1] + dir[2] * dir[2]);
        for (int i = 0; i < 3; ++i) dir[i] = len > 0.0f ? dir[i] * (1.0f / len) : 0.0f;
        out.insert(out.end(), dir, dir + 4);
        const float att[4] = {l.Attenuation0, l.Attenuation1, l.Attenuation2, l.Falloff};
        out.insert(out.end(), att, att + 4);
        const float cone[4] = {std::cos(l.Theta * 0.5f), std::cos(l.Phi * 0.5f), 0.0f, 0.0f};
        out.insert(out.end(), cone, cone + 4);
    }
    lightData_.clear();
    for (auto& v : byType) lightData_.insert(lightData_.end(), v.begin(), v.end());
}

namespace {

// Uploads a uniform when its value differs from the last one sent.
template <class Send>
void SendIfChanged(std::vector<float>& sent, const float* v, size_t n, Send send) {
    if (sent.size() == n && std::memcmp(sent.data(), v, n * sizeof(float)) == 0) return;
    sent.assign(v, v + n);
    send();
}

}  // namespace

void VertexPrograms::Upload(Program& p, const VertexProgramKey& key, const DeviceState& st) {
    auto vec = [&](int u, const float* v, int comps, int count = 1) {
        if (p.loc[u] < 0) return;
        SendIfChanged(p.sent[u], v, (size_t)comps * count, [&] {
            if (comps == 1) gl.Uniform1fv(p.loc[u], count, v);
            else if (comps == 3) gl.Uniform3fv(p.loc[u], count, v);
            else gl.Uniform4fv(p.loc[u], count, v);
        });
    };
    auto mat = [&](int u, const float* v, int count = 1) {
        if (p.loc[u] < 0) return;
        SendIfChanged(p.sent[u], v, (size_t)16 * count, [&] { gl.UniformMatrix4fv(p.loc[u], count, GL_FALSE, v); });
    };
    const D3DVIEWPORT8& vp = st.viewport;
    const float vw = (float)std::max<DWORD>(1, vp.Width), vh = (float)std::max<DWORD>(1, vp.Height);
    constexpr float kPixelShift = 0.5f - 1.0f / 64.0f;
    const float adjust[4] = {2.0f * kPixelShift / vw, 2.0f * kPixelShift / vh, vp.MinZ, vp.MaxZ - vp.MinZ};
    vec(kUAdjust, adjust, 4);
    if (key.pretransformed) {
        const float viewport[4] = {(float)vp.X, (float)vp.Y, vw, vh};
        vec(kUViewport, viewport, 4);
        return;
    }
    const int matrices = key.blendWeights + 1;
    const D3DMATRIX& view = st.transforms[0];
    float wv[16 * kMaxBlendMatrices], nm[16 * kMaxBlendMatrices];
    for (int i = 0; i < matrices; ++i) {
        Blend& b = blend_[i];
        const D3DMATRIX& world = st.transforms[10 + i];
        if (!b.valid || std::memcmp(&b.world, &world, sizeof world) != 0 || std::memcmp(&b.view, &view, sizeof view) != 0) {
            b.world = world;
            b.view = view;
            b.valid = true;
            D3DXMATRIX m, inv, it;
            D3DXMatrixMultiply(&m, (const D3DXMATRIX*)&world, (const D3DXMATRIX*)&view);
            std::memcpy(b.wv, &m, sizeof b.wv);
            if (D3DXMatrixInverse(&inv, nullptr, &m)) {
                D3DXMatrixTranspose(&it, &inv);
                std::memcpy(b.normal, &it, sizeof b.normal);
            } else {
                std::memcpy(b.normal, &m, sizeof b.normal);
            }
        }
        std::memcpy(wv + 16 * i, b.wv, sizeof b.wv);
        std::memcpy(nm + 16 * i, b.normal, sizeof b.normal);
    }
    mat(kUWorldView, wv, matrices);
    mat(kUNormal, nm, matrices);
    mat(kUProjection, &st.transforms[1]._11);
    if (key.lighting) {
        float c[4];
        ColorToFloats(st.rs[D3DRS_AMBIENT], c);
        vec(kUAmbient, c, 4);
        ValueToFloats(st.material.Diffuse, c);
        vec(kUMatDiffuse, c, 4);
        ValueToFloats(st.material.Ambient, c);
        vec(kUMatAmbient, c, 4);
        ValueToFloats(st.material.Specular, c);
        vec(kUMatSpecular, c, 4);
        ValueToFloats(st.material.Emissive, c);
        vec(kUMatEmissive, c, 4);
        vec(kUPower, &st.material.Power, 1);
        if (!lightData_.empty()) vec(kULights, lightData_.data(), 4, (int)lightData_.size() / 4);
    }
    if (key.fog >= 2) {
        const float fog[3] = {AsFloat(st.rs[D3DRS_FOGSTART]), AsFloat(st.rs[D3DRS_FOGEND]),
                              AsFloat(st.rs[D3DRS_FOGDENSITY])};
        vec(kUFog, fog, 3);
    }
    for (int u = 0; u < key.units; ++u)
        if (key.texFlags[u] & 7) mat(kUTexture0 + u, &st.transforms[2 + u]._11);
}

bool VertexPrograms::Use(const DeviceState& st, const FvfLayout& layout, int units, unsigned lightsVersion,
                         bool clipVertex, const VertexProgramKey** keyOut) {
    const bool lighting = st.rs[D3DRS_LIGHTING] != FALSE && layout.posCount == 3;
    if (lighting) PrepareLights(st, lightsVersion);
    static const int kNoLights[3] = {0, 0, 0};
    VertexProgramKey key;
    if (!MakeVertexProgramKey(st, layout, units, lighting ? lightCounts_ : kNoLights, &key)) return false;
    key.clipVertex = clipVertex && !key.pretransformed;
    auto it = programs_.find(key);
    if (it == programs_.end()) it = programs_.emplace(key, Build(key)).first;
    Program* p = it->second.get();
    if (!p->name) return false;
    if (p != current_ || !bound_) {
        gl.UseProgram(p->name);
        current_ = p;
        bound_ = true;
    }
    Upload(*p, key, st);
    *keyOut = &it->first;
    return true;
}

}  // namespace plat::d3d
