// The fixed-function vertex stage of the device, run on the CPU: vertex
// blending, world/view/projection transforms, Direct3D lighting (directional,
// point and spot lights with range, attenuation and falloff, material colour
// sources), vertex fog and texture coordinate generation and transformation.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "platform/d3d8_internal.h"

namespace plat::d3d {

FvfLayout DecodeFvf(DWORD fvf) {
    FvfLayout l;
    UINT off = 0;
    DWORD pos = fvf & D3DFVF_POSITION_MASK;
    if (pos == D3DFVF_XYZRHW) {
        l.posCount = 4;
        off = 16;
    } else if (pos == D3DFVF_XYZ) {
        off = 12;
    } else if (pos >= D3DFVF_XYZB1) {
        l.betas = (int)(pos - 4) / 2;
        l.lastBetaUbyte4 = (fvf & D3DFVF_LASTBETA_UBYTE4) != 0;
        off = 12 + 4 * (UINT)l.betas;
    } else {
        off = 0;
        l.posCount = 0;
    }
    if (fvf & D3DFVF_NORMAL) {
        l.normal = (int)off;
        off += 12;
    }
    if (fvf & D3DFVF_PSIZE) {
        l.psize = (int)off;
        off += 4;
    }
    if (fvf & D3DFVF_DIFFUSE) {
        l.diffuse = (int)off;
        off += 4;
    }
    if (fvf & D3DFVF_SPECULAR) {
        l.specular = (int)off;
        off += 4;
    }
    l.texCount = (int)((fvf & D3DFVF_TEXCOUNT_MASK) >> D3DFVF_TEXCOUNT_SHIFT);
    if (l.texCount > 8) l.texCount = 8;
    for (int i = 0; i < l.texCount; ++i) {
        DWORD code = (fvf >> (16 + 2 * i)) & 3;
        int dim = code == 0 ? 2 : code == 1 ? 3 : code == 2 ? 4 : 1;
        l.tex[i] = (int)off;
        l.texDim[i] = dim;
        off += 4 * (UINT)dim;
    }
    l.size = off;
    return l;
}

namespace {

struct V3 {
    float x, y, z;
};
inline V3 operator+(V3 a, V3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
inline V3 operator-(V3 a, V3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
inline V3 operator*(V3 a, float s) { return {a.x * s, a.y * s, a.z * s}; }
inline float Dot(V3 a, V3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
inline float Len(V3 a) { return std::sqrt(Dot(a, a)); }
inline V3 Norm(V3 a) {
    float l = Len(a);
    return l > 0.0f ? a * (1.0f / l) : V3{0, 0, 0};
}

struct Rgba {
    float r, g, b, a;
};

inline Rgba FromColor(DWORD c) {
    return {((c >> 16) & 0xff) / 255.0f, ((c >> 8) & 0xff) / 255.0f, (c & 0xff) / 255.0f, ((c >> 24) & 0xff) / 255.0f};
}
inline Rgba FromValue(const D3DCOLORVALUE& c) { return {c.r, c.g, c.b, c.a}; }
inline float Clamp01(float v) { return v < 0.0f ? 0.0f : (v > 1.0f ? 1.0f : v); }

inline float AsFloat(DWORD d) {
    float f;
    std::memcpy(&f, &d, 4);
    return f;
}

V3 TransformPoint(const D3DMATRIX& m, V3 p) {
    return {p.x * m._11 + p.y * m._21 + p.z * m._31 + m._41, p.x * m._12 + p.y * m._22 + p.z * m._32 + m._42,
            p.x * m._13 + p.y * m._23 + p.z * m._33 + m._43};
}
V3 TransformDir(const D3DMATRIX& m, V3 p) {
    return {p.x * m._11 + p.y * m._21 + p.z * m._31, p.x * m._12 + p.y * m._22 + p.z * m._32,
            p.x * m._13 + p.y * m._23 + p.z * m._33};
}
void Transform4(const D3DMATRIX& m, const float in[4], float out[4]) {
    float r[4];
    for (int c = 0; c < 4; ++c) r[c] = in[0] * m.m[0][c] + in[1] * m.m[1][c] + in[2] * m.m[2][c] + in[3] * m.m[3][c];
    std::memcpy(out, r, sizeof(r));
}

struct PreparedLight {
    D3DLIGHTTYPE type;
    Rgba diffuse, specular, ambient;
    V3 position;   // camera space
    V3 direction;  // camera space, normalised
    float range;
    float falloff;
    float att0, att1, att2;
    float cosHalfTheta, cosHalfPhi;
};

struct BlendMatrices {
    D3DMATRIX wv;      // world * view
    D3DMATRIX normal;  // inverse transpose of wv (upper 3x3 used)
};

BlendMatrices PrepareBlend(const D3DMATRIX& world, const D3DMATRIX& view) {
    BlendMatrices b;
    D3DXMATRIX wv;
    D3DXMatrixMultiply(&wv, (const D3DXMATRIX*)&world, (const D3DXMATRIX*)&view);
    b.wv = wv;
    D3DXMATRIX inv;
    if (D3DXMatrixInverse(&inv, nullptr, &wv)) {
        D3DXMATRIX it;
        D3DXMatrixTranspose(&it, &inv);
        b.normal = it;
    } else {
        b.normal = wv;
    }
    return b;
}

}  // namespace

void ProcessVertices(const DeviceState& st, const VertexInput& in, UINT first, UINT count,
                     std::vector<ProcessedVertex>& out) {
    out.resize(count);
    const FvfLayout L = DecodeFvf(in.fvf);
    const auto& rs = st.rs;
    const D3DMATRIX& view = st.transforms[0];
    const D3DMATRIX& proj = st.transforms[1];
    const D3DVIEWPORT8& vp = st.viewport;
    const bool pretransformed = L.posCount == 4;
    const bool fogOn = rs[D3DRS_FOGENABLE] != FALSE;

    // Texture stage inputs
    struct StageTc {
        DWORD index, gen, flags;
        bool active;
    } stages[kMaxStages];
    for (int s = 0; s < kMaxStages; ++s) {
        DWORD tci = st.tss[s][D3DTSS_TEXCOORDINDEX];
        stages[s].index = tci & 0xffff;
        stages[s].gen = tci & 0xffff0000u;
        stages[s].flags = st.tss[s][D3DTSS_TEXTURETRANSFORMFLAGS];
        stages[s].active = true;
    }

    if (pretransformed) {
        float vw = (float)std::max<DWORD>(1, vp.Width), vh = (float)std::max<DWORD>(1, vp.Height);
        float zr = vp.MaxZ - vp.MinZ;
        for (UINT i = 0; i < count; ++i) {
            const BYTE* v = in.data + (size_t)(first + i) * in.stride;
            float p[4];
            std::memcpy(p, v, 16);
            ProcessedVertex& o = out[i];
            float rhw = p[3];
            float w = (rhw != 0.0f && std::isfinite(rhw)) ? 1.0f / rhw : 1.0f;
            float nx = (p[0] - vp.X) / vw * 2.0f - 1.0f;
            float ny = 1.0f - (p[1] - vp.Y) / vh * 2.0f;
            float nz = zr != 0.0f ? (p[2] - vp.MinZ) / zr : p[2];
            o.clip[0] = nx * w;
            o.clip[1] = ny * w;
            o.clip[2] = nz * w;
            o.clip[3] = w;
            Rgba d = L.diffuse >= 0 ? FromColor(*(const DWORD*)(v + L.diffuse)) : Rgba{1, 1, 1, 1};
            Rgba sp = L.specular >= 0 ? FromColor(*(const DWORD*)(v + L.specular)) : Rgba{0, 0, 0, 0};
            o.diffuse[0] = d.r; o.diffuse[1] = d.g; o.diffuse[2] = d.b; o.diffuse[3] = d.a;
            o.specular[0] = sp.r; o.specular[1] = sp.g; o.specular[2] = sp.b; o.specular[3] = sp.a;
            o.fog = (fogOn && L.specular >= 0) ? sp.a : 1.0f;
            for (int s = 0; s < kMaxStages; ++s) {
                float* t = o.tex[s];
                t[0] = t[1] = t[2] = 0.0f;
                t[3] = 1.0f;
                int idx = (int)stages[s].index;
                if (idx < L.texCount) {
                    const float* tc = (const float*)(v + L.tex[idx]);
                    for (int c = 0; c < L.texDim[idx] && c < 3; ++c) t[c] = tc[c];
                }
            }
        }
        return;
    }

    // Vertex blending set-up
    int blendWeights = 0;  // number of weights read from the vertex
    DWORD vb = rs[D3DRS_VERTEXBLEND];
    if (vb >= D3DVBF_1WEIGHTS && vb <= D3DVBF_3WEIGHTS) blendWeights = (int)vb;
    bool indexed = rs[D3DRS_INDEXEDVERTEXBLENDENABLE] != FALSE && L.lastBetaUbyte4;
    int usableBetas = L.betas - (L.lastBetaUbyte4 ? 1 : 0);
    if (blendWeights > usableBetas) blendWeights = std::max(0, usableBetas);
    const int matrixCount = blendWeights + 1;

    BlendMatrices fixedBlend[4];
    if (!indexed)
        for (int i = 0; i < matrixCount; ++i) fixedBlend[i] = PrepareBlend(st.transforms[10 + i], view);
    std::map<int, BlendMatrices> indexedBlend;

    // Lights in camera space
    const bool lighting = rs[D3DRS_LIGHTING] != FALSE;
    std::vector<PreparedLight> lights;
    if (lighting) {
        for (const auto& kv : st.lights) {
            if (!kv.second.enabled) continue;
            const D3DLIGHT8& l = kv.second.light;
            PreparedLight p;
            p.type = l.Type;
            p.diffuse = FromValue(l.Diffuse);
            p.specular = FromValue(l.Specular);
            p.ambient = FromValue(l.Ambient);
            p.position = TransformPoint(view, {l.Position.x, l.Position.y, l.Position.z});
            p.direction = Norm(TransformDir(view, {l.Direction.x, l.Direction.y, l.Direction.z}));
            p.range = l.Range;
            p.falloff = l.Falloff;
            p.att0 = l.Attenuation0;
            p.att1 = l.Attenuation1;
            p.att2 = l.Attenuation2;
            p.cosHalfTheta = std::cos(l.Theta * 0.5f);
            p.cosHalfPhi = std::cos(l.Phi * 0.5f);
            lights.push_back(p);
        }
    }
    const Rgba globalAmbient = FromColor(rs[D3DRS_AMBIENT]);
    const bool specularOn = rs[D3DRS_SPECULARENABLE] != FALSE;
    const bool localViewer = rs[D3DRS_LOCALVIEWER] != FALSE;
    const bool normalize = rs[D3DRS_NORMALIZENORMALS] != FALSE;
    const bool colorVertex = rs[D3DRS_COLORVERTEX] != FALSE;
    const D3DMATERIAL8& mat = st.material;

    auto source = [&](DWORD src, const Rgba& matValue, const BYTE* v) -> Rgba {
        if (colorVertex) {
            if (src == D3DMCS_COLOR1 && L.diffuse >= 0) return FromColor(*(const DWORD*)(v + L.diffuse));
            if (src == D3DMCS_COLOR2 && L.specular >= 0) return FromColor(*(const DWORD*)(v + L.specular));
        }
        return matValue;
    };

    // Fog set-up
    const DWORD fogVertexMode = rs[D3DRS_FOGVERTEXMODE];
    const DWORD fogTableMode = rs[D3DRS_FOGTABLEMODE];
    const DWORD fogMode = fogTableMode != D3DFOG_NONE ? fogTableMode : fogVertexMode;
    const float fogStart = AsFloat(rs[D3DRS_FOGSTART]);
    const float fogEnd = AsFloat(rs[D3DRS_FOGEND]);
    const float fogDensity = AsFloat(rs[D3DRS_FOGDENSITY]);
    const bool rangeFog = rs[D3DRS_RANGEFOGENABLE] != FALSE && fogTableMode == D3DFOG_NONE;

    for (UINT i = 0; i < count; ++i) {
        const BYTE* v = in.data + (size_t)(first + i) * in.stride;
        ProcessedVertex& o = out[i];
        const float* pos = (const float*)v;
        V3 p{pos[0], pos[1], pos[2]};
        V3 n{0, 0, 0};
        if (L.normal >= 0) {
            const float* np = (const float*)(v + L.normal);
            n = {np[0], np[1], np[2]};
        }

        // Blend
        float weights[4] = {1.0f, 0.0f, 0.0f, 0.0f};
        if (blendWeights > 0) {
            float sum = 0.0f;
            for (int k = 0; k < blendWeights; ++k) {
                weights[k] = pos[3 + k];
                sum += weights[k];
            }
            weights[blendWeights] = 1.0f - sum;
        }
        V3 pc{0, 0, 0}, nc{0, 0, 0};
        for (int k = 0; k < matrixCount; ++k) {
            const BlendMatrices* bm;
            if (indexed) {
                const BYTE* idx = v + 12 + 4 * (L.betas - 1);
                int m = idx[k];
                auto it = indexedBlend.find(m);
                if (it == indexedBlend.end())
                    it = indexedBlend.emplace(m, PrepareBlend(st.transforms[10 + m], view)).first;
                bm = &it->second;
            } else {
                bm = &fixedBlend[k];
            }
            pc = pc + TransformPoint(bm->wv, p) * weights[k];
            if (L.normal >= 0) nc = nc + TransformDir(bm->normal, n) * weights[k];
        }
        if (normalize) nc = Norm(nc);

        float pc4[4] = {pc.x, pc.y, pc.z, 1.0f};
        Transform4(proj, pc4, o.clip);

        // Colours
        Rgba diffuse, specular{0, 0, 0, 0};
        if (lighting) {
            Rgba md = source(rs[D3DRS_DIFFUSEMATERIALSOURCE], FromValue(mat.Diffuse), v);
            Rgba ma = source(rs[D3DRS_AMBIENTMATERIALSOURCE], FromValue(mat.Ambient), v);
            Rgba ms = source(rs[D3DRS_SPECULARMATERIALSOURCE], FromValue(mat.Specular), v);
            Rgba me = source(rs[D3DRS_EMISSIVEMATERIALSOURCE], FromValue(mat.Emissive), v);
            Rgba amb = globalAmbient, dif{0, 0, 0, 0}, spe{0, 0, 0, 0};
            V3 toEye = localViewer ? Norm(pc * -1.0f) : V3{0, 0, -1};
            for (const PreparedLight& l : lights) {
                V3 ldir;
                float atten = 1.0f, spot = 1.0f;
                if (l.type == D3DLIGHT_DIRECTIONAL) {
                    ldir = l.direction * -1.0f;
                } else {
                    V3 d = l.position - pc;
                    float dist = Len(d);
                    if (dist > l.range) continue;
                    ldir = dist > 0.0f ? d * (1.0f / dist) : V3{0, 0, 0};
                    float den = l.att0 + l.att1 * dist + l.att2 * dist * dist;
                    atten = den > 0.0f ? 1.0f / den : 1.0f;
                    if (l.type == D3DLIGHT_SPOT) {
                        float rho = Dot(l.direction, ldir * -1.0f);
                        if (rho > l.cosHalfTheta) {
                            spot = 1.0f;
                        } else if (rho <= l.cosHalfPhi) {
                            spot = 0.0f;
                        } else {
                            float denom = l.cosHalfTheta - l.cosHalfPhi;
                            float base = denom > 0.0f ? (rho - l.cosHalfPhi) / denom : 1.0f;
                            spot = l.falloff == 1.0f ? base : std::pow(base, l.falloff);
                        }
                    }
                }
                float k = atten * spot;
                amb.r += l.ambient.r * k;
                amb.g += l.ambient.g * k;
                amb.b += l.ambient.b * k;
                float ndl = Dot(nc, ldir);
                if (ndl > 0.0f) {
                    dif.r += l.diffuse.r * ndl * k;
                    dif.g += l.diffuse.g * ndl * k;
                    dif.b += l.diffuse.b * ndl * k;
                    if (specularOn) {
                        V3 h = Norm(ldir + toEye);
                        float ndh = Dot(Norm(nc), h);
                        if (ndh > 0.0f) {
                            float sp = std::pow(ndh, mat.Power) * k;
                            spe.r += l.specular.r * sp;
                            spe.g += l.specular.g * sp;
                            spe.b += l.specular.b * sp;
                        }
                    }
                }
            }
            diffuse = {me.r + ma.r * amb.r + md.r * dif.r, me.g + ma.g * amb.g + md.g * dif.g,
                       me.b + ma.b * amb.b + md.b * dif.b, md.a};
            if (specularOn) specular = {ms.r * spe.r, ms.g * spe.g, ms.b * spe.b, ms.a};
        } else {
            diffuse = L.diffuse >= 0 ? FromColor(*(const DWORD*)(v + L.diffuse)) : Rgba{1, 1, 1, 1};
            specular = L.specular >= 0 ? FromColor(*(const DWORD*)(v + L.specular)) : Rgba{0, 0, 0, 0};
        }
        o.diffuse[0] = Clamp01(diffuse.r);
        o.diffuse[1] = Clamp01(diffuse.g);
        o.diffuse[2] = Clamp01(diffuse.b);
        o.diffuse[3] = Clamp01(diffuse.a);
        o.specular[0] = Clamp01(specular.r);
        o.specular[1] = Clamp01(specular.g);
        o.specular[2] = Clamp01(specular.b);
        o.specular[3] = Clamp01(specular.a);

        // Fog factor
        o.fog = 1.0f;
        if (fogOn) {
            if (fogMode == D3DFOG_NONE) {
                o.fog = L.specular >= 0 ? FromColor(*(const DWORD*)(v + L.specular)).a : 1.0f;
            } else {
                float d = rangeFog ? Len(pc) : pc.z;
                float f = 1.0f;
                if (fogMode == D3DFOG_LINEAR) {
                    f = fogEnd != fogStart ? (fogEnd - d) / (fogEnd - fogStart) : (d < fogEnd ? 1.0f : 0.0f);
                } else if (fogMode == D3DFOG_EXP) {
                    f = std::exp(-d * fogDensity);
                } else if (fogMode == D3DFOG_EXP2) {
                    f = std::exp(-(d * fogDensity) * (d * fogDensity));
                }
                o.fog = Clamp01(f);
            }
        }

        // Texture coordinates
        for (int s = 0; s < kMaxStages; ++s) {
            float tin[4] = {0, 0, 0, 0};
            const StageTc& sc = stages[s];
            if (sc.gen == D3DTSS_TCI_CAMERASPACEPOSITION) {
                tin[0] = pc.x; tin[1] = pc.y; tin[2] = pc.z; tin[3] = 1.0f;
            } else if (sc.gen == D3DTSS_TCI_CAMERASPACENORMAL) {
                tin[0] = nc.x; tin[1] = nc.y; tin[2] = nc.z; tin[3] = 1.0f;
            } else if (sc.gen == D3DTSS_TCI_CAMERASPACEREFLECTIONVECTOR) {
                V3 e = localViewer ? Norm(pc) : V3{0, 0, 1};
                V3 nn = Norm(nc);
                V3 r = e - nn * (2.0f * Dot(nn, e));
                tin[0] = r.x; tin[1] = r.y; tin[2] = r.z; tin[3] = 1.0f;
            } else if ((int)sc.index < L.texCount) {
                const float* tc = (const float*)(v + L.tex[sc.index]);
                int dim = L.texDim[sc.index];
                for (int c = 0; c < dim; ++c) tin[c] = tc[c];
                if (dim < 4) tin[dim] = 1.0f;
            } else {
                tin[2] = 1.0f;
            }
            float* t = o.tex[s];
            DWORD cnt = sc.flags & 0xff;
            if (cnt == D3DTTFF_DISABLE) {
                t[0] = tin[0]; t[1] = tin[1]; t[2] = tin[2]; t[3] = 1.0f;
                if (sc.flags & D3DTTFF_PROJECTED) {
                    // Projection without a transform divides by the last input element.
                    t[3] = tin[2] != 0.0f ? tin[2] : 1.0f;
                }
            } else {
                float r4[4];
                Transform4(st.transforms[2 + s], tin, r4);
                t[0] = r4[0];
                t[1] = r4[1];
                t[2] = r4[2];
                t[3] = 1.0f;
                if (sc.flags & D3DTTFF_PROJECTED) {
                    int qi = std::clamp((int)cnt - 1, 0, 3);
                    t[3] = r4[qi];
                    if (qi <= 1) t[qi] = 1.0f;  // degenerate counts: keep s, t meaningful
                }
            }
        }
    }
}

}  // namespace plat::d3d
