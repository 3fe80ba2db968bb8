// A small mesh builder that writes text .x files. Coordinates: x to the
// right, y forward, z up; triangles wind counter-clockwise seen from outside
// (the loader mirrors the height axis and swaps the winding).
#pragma once

#include <string>
#include <vector>

#include "content/layout.h"

namespace content {

struct V3 {
    float x = 0, y = 0, z = 0;
};
V3 operator+(V3 a, V3 b);
V3 operator-(V3 a, V3 b);
V3 operator*(V3 a, float s);
V3 Cross(V3 a, V3 b);
V3 Normalize(V3 a);

struct XMaterial {
    float r = 1, g = 1, b = 1, a = 1;
    float power = 20;
    float er = 0, eg = 0, eb = 0;  // emissive
    std::string texture;           // empty: none
};

class XMesh {
public:
    // Adds a material and answers its index.
    int Material(const XMaterial& m);
    int Material(uint32_t rgb, const std::string& texture = "", float alpha = 1.0f);

    // A quad p0..p3 (counter-clockwise seen from its front) with texture
    // coordinates over the rectangle uv (p0 at (u0, v1), p1 at (u1, v1), p2
    // at (u1, v0), p3 at (u0, v0)).
    void Quad(V3 p0, V3 p1, V3 p2, V3 p3, int mat, UvRect uv = {0, 0, 1, 1}, bool twoSided = false);
    void Tri(V3 a, V3 b, V3 c, int mat, float ua, float va, float ub, float vb, float uc, float vc);
    // An axis-aligned box; faces listed by mask (bit 0 -x, 1 +x, 2 -y, 3 +y, 4 bottom, 5 top).
    // The texture repeats every `tile` units on the sides (0: stretched over uv).
    void Box(V3 lo, V3 hi, int mat, UvRect uv = {0, 0, 1, 1}, float tile = 0, int faces = 63);
    // A vertical cylinder or cone frustum around (cx, cy) from z0 to z1.
    void Cylinder(float cx, float cy, float z0, float z1, float r0, float r1, int segments, int mat, UvRect uv,
                  bool capTop = true, bool capBottom = false);
    // A cylinder lying along the y axis (wheels, boilers, tanks).
    void CylinderY(float cx, float cz, float y0, float y1, float r, int segments, int mat, UvRect uv, bool caps = true);
    // An ellipsoid around c with radii (rx, ry, rz).
    void Ellipsoid(V3 c, float rx, float ry, float rz, int segments, int rings, int mat, UvRect uv);
    // A gabled roof over the rectangle (x0..x1, y0..y1) from eave height z0 to
    // the ridge at z1, ridge along y; overhang added on every side.
    void GableRoof(float x0, float y0, float x1, float y1, float z0, float z1, float overhang, int roofMat,
                   int gableMat, UvRect roofUv, UvRect gableUv, float tile = 0);

    // Turns every vertex added since `from` about the z axis and moves it.
    void Transform(size_t from, float degrees, V3 offset);
    size_t VertexCount() const { return verts_.size(); }

    // The .x text of the mesh.
    std::string ToX(const std::string& name) const;

private:
    struct Vtx {
        V3 p, n;
        float u, v;
    };
    struct Face {
        int a, b, c, mat;
    };
    int AddVertex(V3 p, V3 n, float u, float v);
    std::vector<Vtx> verts_;
    std::vector<Face> faces_;
    std::vector<XMaterial> mats_;
};

}  // namespace content
