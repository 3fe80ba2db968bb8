#include "content/xmesh.h"

#include <cmath>
#include <cstdio>

namespace content {

namespace {
constexpr float PI = 3.14159265f;
float Lerp(float a, float b, float t) { return a + (b - a) * t; }
}  // namespace

V3 operator+(V3 a, V3 b) { return V3{a.x + b.x, a.y + b.y, a.z + b.z}; }
V3 operator-(V3 a, V3 b) { return V3{a.x - b.x, a.y - b.y, a.z - b.z}; }
V3 operator*(V3 a, float s) { return V3{a.x * s, a.y * s, a.z * s}; }
V3 Cross(V3 a, V3 b) { return V3{a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
V3 Normalize(V3 a) {
    const float l = std::sqrt(a.x * a.x + a.y * a.y + a.z * a.z);
    return l > 1e-9f ? a * (1.0f / l) : V3{0, 0, 1};
}

int XMesh::Material(const XMaterial& m) {
    mats_.push_back(m);
    return static_cast<int>(mats_.size()) - 1;
}

int XMesh::Material(uint32_t rgb, const std::string& texture, float alpha) {
    XMaterial m;
    m.r = ((rgb >> 16) & 0xff) / 255.0f;
    m.g = ((rgb >> 8) & 0xff) / 255.0f;
    m.b = (rgb & 0xff) / 255.0f;
    m.a = alpha;
    m.texture = texture;
    return Material(m);
}

int XMesh::AddVertex(V3 p, V3 n, float u, float v) {
    verts_.push_back(Vtx{p, n, u, v});
    return static_cast<int>(verts_.size()) - 1;
}

void XMesh::Tri(V3 a, V3 b, V3 c, int mat, float ua, float va, float ub, float vb, float uc, float vc) {
    const V3 n = Normalize(Cross(b - a, c - a));
    const int ia = AddVertex(a, n, ua, va), ib = AddVertex(b, n, ub, vb), ic = AddVertex(c, n, uc, vc);
    faces_.push_back(Face{ia, ib, ic, mat});
}

void XMesh::Quad(V3 p0, V3 p1, V3 p2, V3 p3, int mat, UvRect uv, bool twoSided) {
    const V3 n = Normalize(Cross(p1 - p0, p3 - p0));
    const int i0 = AddVertex(p0, n, uv.u0, uv.v1), i1 = AddVertex(p1, n, uv.u1, uv.v1);
    const int i2 = AddVertex(p2, n, uv.u1, uv.v0), i3 = AddVertex(p3, n, uv.u0, uv.v0);
    faces_.push_back(Face{i0, i1, i2, mat});
    faces_.push_back(Face{i0, i2, i3, mat});
    if (twoSided) Quad(p1, p0, p3, p2, mat, UvRect{uv.u1, uv.v0, uv.u0, uv.v1}, false);
}

void XMesh::Box(V3 lo, V3 hi, int mat, UvRect uv, float tile, int faces) {
    auto rect = [&](float w, float h) {
        if (tile <= 0) return uv;
        return UvRect{uv.u0, uv.v0, uv.u0 + (uv.u1 - uv.u0) * w / tile, uv.v0 + (uv.v1 - uv.v0) * h / tile};
    };
    const float dx = hi.x - lo.x, dy = hi.y - lo.y, dz = hi.z - lo.z;
    if (faces & 1)  // -x
        Quad(V3{lo.x, hi.y, lo.z}, V3{lo.x, lo.y, lo.z}, V3{lo.x, lo.y, hi.z}, V3{lo.x, hi.y, hi.z}, mat, rect(dy, dz));
    if (faces & 2)  // +x
        Quad(V3{hi.x, lo.y, lo.z}, V3{hi.x, hi.y, lo.z}, V3{hi.x, hi.y, hi.z}, V3{hi.x, lo.y, hi.z}, mat, rect(dy, dz));
    if (faces & 4)  // -y
        Quad(V3{lo.x, lo.y, lo.z}, V3{hi.x, lo.y, lo.z}, V3{hi.x, lo.y, hi.z}, V3{lo.x, lo.y, hi.z}, mat, rect(dx, dz));
    if (faces & 8)  // +y
        Quad(V3{hi.x, hi.y, lo.z}, V3{lo.x, hi.y, lo.z}, V3{lo.x, hi.y, hi.z}, V3{hi.x, hi.y, hi.z}, mat, rect(dx, dz));
    if (faces & 16)  // bottom
        Quad(V3{lo.x, hi.y, lo.z}, V3{hi.x, hi.y, lo.z}, V3{hi.x, lo.y, lo.z}, V3{lo.x, lo.y, lo.z}, mat, rect(dx, dy));
    if (faces & 32)  // top
        Quad(V3{lo.x, lo.y, hi.z}, V3{hi.x, lo.y, hi.z}, V3{hi.x, hi.y, hi.z}, V3{lo.x, hi.y, hi.z}, mat, rect(dx, dy));
}

void XMesh::Cylinder(float cx, float cy, float z0, float z1, float r0, float r1, int segments, int mat, UvRect uv,
                     bool capTop, bool capBottom) {
    for (int i = 0; i < segments; ++i) {
        const float a0 = 2 * PI * i / segments, a1 = 2 * PI * (i + 1) / segments;
        const V3 b0{cx + r0 * std::cos(a0), cy + r0 * std::sin(a0), z0};
        const V3 b1{cx + r0 * std::cos(a1), cy + r0 * std::sin(a1), z0};
        const V3 t0{cx + r1 * std::cos(a0), cy + r1 * std::sin(a0), z1};
        const V3 t1{cx + r1 * std::cos(a1), cy + r1 * std::sin(a1), z1};
        const float u0 = Lerp(uv.u0, uv.u1, float(i) / segments), u1 = Lerp(uv.u0, uv.u1, float(i + 1) / segments);
        if (r1 > 1e-5f)
            Quad(b0, b1, t1, t0, mat, UvRect{u0, uv.v0, u1, uv.v1});
        else
            Tri(b0, b1, t0, mat, u0, uv.v1, u1, uv.v1, (u0 + u1) / 2, uv.v0);
        const float um = (uv.u0 + uv.u1) / 2, vm = (uv.v0 + uv.v1) / 2;
        if (capTop && r1 > 1e-5f) Tri(V3{cx, cy, z1}, t0, t1, mat, um, vm, u0, uv.v0, u1, uv.v0);
        if (capBottom && r0 > 1e-5f) Tri(V3{cx, cy, z0}, b1, b0, mat, um, vm, u1, uv.v1, u0, uv.v1);
    }
}

void XMesh::CylinderY(float cx, float cz, float y0, float y1, float r, int segments, int mat, UvRect uv, bool caps) {
    for (int i = 0; i < segments; ++i) {
        const float a0 = 2 * PI * i / segments, a1 = 2 * PI * (i + 1) / segments;
        const V3 p0{cx + r * std::cos(a0), y0, cz + r * std::sin(a0)};
        const V3 p1{cx + r * std::cos(a1), y0, cz + r * std::sin(a1)};
        const V3 q0{p0.x, y1, p0.z}, q1{p1.x, y1, p1.z};
        const float u0 = Lerp(uv.u0, uv.u1, float(i) / segments), u1 = Lerp(uv.u0, uv.u1, float(i + 1) / segments);
        Quad(p0, q0, q1, p1, mat, UvRect{u0, uv.v0, u1, uv.v1});
        if (caps) {
            const float um = (uv.u0 + uv.u1) / 2, vm = (uv.v0 + uv.v1) / 2;
            Tri(V3{cx, y0, cz}, p0, p1, mat, um, vm, u0, uv.v0, u1, uv.v0);
            Tri(V3{cx, y1, cz}, q1, q0, mat, um, vm, u1, uv.v1, u0, uv.v1);
        }
    }
}

void XMesh::Ellipsoid(V3 c, float rx, float ry, float rz, int segments, int rings, int mat, UvRect uv) {
    auto pt = [&](int i, int j) {
        const float a = 2 * PI * i / segments, e = -PI / 2 + PI * j / rings;
        return V3{c.x + rx * std::cos(e) * std::cos(a), c.y + ry * std::cos(e) * std::sin(a), c.z + rz * std::sin(e)};
    };
    for (int j = 0; j < rings; ++j)
        for (int i = 0; i < segments; ++i) {
            const V3 p00 = pt(i, j), p10 = pt(i + 1, j), p11 = pt(i + 1, j + 1), p01 = pt(i, j + 1);
            const float u0 = Lerp(uv.u0, uv.u1, float(i) / segments), u1 = Lerp(uv.u0, uv.u1, float(i + 1) / segments);
            const float v0 = Lerp(uv.v1, uv.v0, float(j) / rings), v1 = Lerp(uv.v1, uv.v0, float(j + 1) / rings);
            if (j == 0)
                Tri(p00, p11, p01, mat, u0, v0, u1, v1, u0, v1);
            else if (j == rings - 1)
                Tri(p00, p10, p11, mat, u0, v0, u1, v0, u1, v1);
            else
                Quad(p00, p10, p11, p01, mat, UvRect{u0, v1, u1, v0});
        }
}

void XMesh::GableRoof(float x0, float y0, float x1, float y1, float z0, float z1, float overhang, int roofMat,
                      int gableMat, UvRect roofUv, UvRect gableUv, float tile) {
    const float xm = (x0 + x1) / 2;
    const float ox0 = x0 - overhang, ox1 = x1 + overhang, oy0 = y0 - overhang, oy1 = y1 + overhang;
    // The eaves drop a little with the overhang.
    const float slope = (z1 - z0) / ((x1 - x0) / 2);
    const float ze = z0 - overhang * slope;
    UvRect r = roofUv;
    if (tile > 0) {
        const float len = oy1 - oy0, wid = std::hypot((x1 - x0) / 2 + overhang, z1 - ze);
        r = UvRect{roofUv.u0, roofUv.v0, roofUv.u0 + (roofUv.u1 - roofUv.u0) * len / tile,
                   roofUv.v0 + (roofUv.v1 - roofUv.v0) * wid / tile};
    }
    // Two slopes.
    Quad(V3{ox0, oy1, ze}, V3{ox0, oy0, ze}, V3{xm, oy0, z1}, V3{xm, oy1, z1}, roofMat, r);
    Quad(V3{ox1, oy0, ze}, V3{ox1, oy1, ze}, V3{xm, oy1, z1}, V3{xm, oy0, z1}, roofMat, r);
    // Undersides, so the roof has no holes seen from below.
    Quad(V3{ox0, oy0, ze}, V3{ox0, oy1, ze}, V3{xm, oy1, z1 - 0.02f}, V3{xm, oy0, z1 - 0.02f}, gableMat, gableUv);
    Quad(V3{ox1, oy1, ze}, V3{ox1, oy0, ze}, V3{xm, oy0, z1 - 0.02f}, V3{xm, oy1, z1 - 0.02f}, gableMat, gableUv);
    // Gables (triangles on the walls' ends).
    Tri(V3{x0, y0, z0}, V3{x1, y0, z0}, V3{xm, y0, z1}, gableMat, gableUv.u0, gableUv.v1, gableUv.u1, gableUv.v1,
        (gableUv.u0 + gableUv.u1) / 2, gableUv.v0);
    Tri(V3{x1, y1, z0}, V3{x0, y1, z0}, V3{xm, y1, z1}, gableMat, gableUv.u0, gableUv.v1, gableUv.u1, gableUv.v1,
        (gableUv.u0 + gableUv.u1) / 2, gableUv.v0);
}

void XMesh::Transform(size_t from, float degrees, V3 offset) {
    const float a = degrees * PI / 180, c = std::cos(a), s = std::sin(a);
    for (size_t i = from; i < verts_.size(); ++i) {
        Vtx& v = verts_[i];
        const V3 p = v.p, n = v.n;
        v.p = V3{c * p.x - s * p.y + offset.x, s * p.x + c * p.y + offset.y, p.z + offset.z};
        v.n = V3{c * n.x - s * n.y, s * n.x + c * n.y, n.z};
    }
}

std::string XMesh::ToX(const std::string& name) const {
    std::string s = "xof 0302txt 0032\n\n";
    char buf[256];
    s += "Mesh " + name + " {\n";
    std::snprintf(buf, sizeof buf, " %zu;\n", verts_.size());
    s += buf;
    for (size_t i = 0; i < verts_.size(); ++i) {
        std::snprintf(buf, sizeof buf, " %.4f;%.4f;%.4f;%s\n", verts_[i].p.x, verts_[i].p.y, verts_[i].p.z,
                      i + 1 < verts_.size() ? "," : ";");
        s += buf;
    }
    std::snprintf(buf, sizeof buf, " %zu;\n", faces_.size());
    s += buf;
    for (size_t i = 0; i < faces_.size(); ++i) {
        std::snprintf(buf, sizeof buf, " 3;%d,%d,%d;%s\n", faces_[i].a, faces_[i].b, faces_[i].c,
                      i + 1 < faces_.size() ? "," : ";");
        s += buf;
    }
    // Materials.
    std::snprintf(buf, sizeof buf, " MeshMaterialList {\n  %zu;\n  %zu;\n", mats_.size(), faces_.size());
    s += buf;
    for (size_t i = 0; i < faces_.size(); ++i) {
        std::snprintf(buf, sizeof buf, "  %d%s\n", faces_[i].mat, i + 1 < faces_.size() ? "," : ";");
        s += buf;
    }
    for (const XMaterial& m : mats_) {
        std::snprintf(buf, sizeof buf,
                      "  Material {\n   %.3f;%.3f;%.3f;%.3f;;\n   %.1f;\n   0.300;0.300;0.300;;\n   %.3f;%.3f;%.3f;;\n",
                      m.r, m.g, m.b, m.a, m.power, m.er, m.eg, m.eb);
        s += buf;
        if (!m.texture.empty()) s += "   TextureFilename {\n    \"" + m.texture + "\";\n   }\n";
        s += "  }\n";
    }
    s += " }\n";
    // Normals, one per vertex.
    std::snprintf(buf, sizeof buf, " MeshNormals {\n  %zu;\n", verts_.size());
    s += buf;
    for (size_t i = 0; i < verts_.size(); ++i) {
        std::snprintf(buf, sizeof buf, "  %.4f;%.4f;%.4f;%s\n", verts_[i].n.x, verts_[i].n.y, verts_[i].n.z,
                      i + 1 < verts_.size() ? "," : ";");
        s += buf;
    }
    std::snprintf(buf, sizeof buf, "  %zu;\n", faces_.size());
    s += buf;
    for (size_t i = 0; i < faces_.size(); ++i) {
        std::snprintf(buf, sizeof buf, "  3;%d,%d,%d;%s\n", faces_[i].a, faces_[i].b, faces_[i].c,
                      i + 1 < faces_.size() ? "," : ";");
        s += buf;
    }
    s += " }\n";
    std::snprintf(buf, sizeof buf, " MeshTextureCoords {\n  %zu;\n", verts_.size());
    s += buf;
    for (size_t i = 0; i < verts_.size(); ++i) {
        std::snprintf(buf, sizeof buf, "  %.4f;%.4f;%s\n", verts_[i].u, verts_[i].v, i + 1 < verts_.size() ? "," : ";");
        s += buf;
    }
    s += " }\n}\n";
    return s;
}

}  // namespace content
