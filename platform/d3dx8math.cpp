// Vector, matrix, quaternion, plane and colour maths of the extension library.
// Row vectors, left-handed coordinate systems: v' = v * M.
#include "platform/d3dx8math.h"

#include <algorithm>
#include <cmath>

// ---------------------------------------------------------------------------
// Operators that need out-of-line code

D3DXMATRIX& D3DXMATRIX::operator*=(const D3DXMATRIX& mat) {
    D3DXMatrixMultiply(this, this, &mat);
    return *this;
}

D3DXMATRIX D3DXMATRIX::operator*(const D3DXMATRIX& mat) const {
    D3DXMATRIX r;
    D3DXMatrixMultiply(&r, this, &mat);
    return r;
}

D3DXQUATERNION& D3DXQUATERNION::operator*=(const D3DXQUATERNION& q) {
    D3DXQuaternionMultiply(this, this, &q);
    return *this;
}

D3DXQUATERNION D3DXQUATERNION::operator*(const D3DXQUATERNION& q) const {
    D3DXQUATERNION r;
    D3DXQuaternionMultiply(&r, this, &q);
    return r;
}

// ---------------------------------------------------------------------------
// 2-D vectors

FLOAT D3DXVec2Length(const D3DXVECTOR2* pV) { return std::sqrt(pV->x * pV->x + pV->y * pV->y); }
FLOAT D3DXVec2LengthSq(const D3DXVECTOR2* pV) { return pV->x * pV->x + pV->y * pV->y; }
FLOAT D3DXVec2Dot(const D3DXVECTOR2* a, const D3DXVECTOR2* b) { return a->x * b->x + a->y * b->y; }
FLOAT D3DXVec2CCW(const D3DXVECTOR2* a, const D3DXVECTOR2* b) { return a->x * b->y - a->y * b->x; }

D3DXVECTOR2* D3DXVec2Add(D3DXVECTOR2* o, const D3DXVECTOR2* a, const D3DXVECTOR2* b) {
    *o = D3DXVECTOR2(a->x + b->x, a->y + b->y);
    return o;
}
D3DXVECTOR2* D3DXVec2Subtract(D3DXVECTOR2* o, const D3DXVECTOR2* a, const D3DXVECTOR2* b) {
    *o = D3DXVECTOR2(a->x - b->x, a->y - b->y);
    return o;
}
D3DXVECTOR2* D3DXVec2Minimize(D3DXVECTOR2* o, const D3DXVECTOR2* a, const D3DXVECTOR2* b) {
    *o = D3DXVECTOR2(std::min(a->x, b->x), std::min(a->y, b->y));
    return o;
}
D3DXVECTOR2* D3DXVec2Maximize(D3DXVECTOR2* o, const D3DXVECTOR2* a, const D3DXVECTOR2* b) {
    *o = D3DXVECTOR2(std::max(a->x, b->x), std::max(a->y, b->y));
    return o;
}
D3DXVECTOR2* D3DXVec2Scale(D3DXVECTOR2* o, const D3DXVECTOR2* v, FLOAT s) {
    *o = D3DXVECTOR2(v->x * s, v->y * s);
    return o;
}
D3DXVECTOR2* D3DXVec2Lerp(D3DXVECTOR2* o, const D3DXVECTOR2* a, const D3DXVECTOR2* b, FLOAT s) {
    *o = D3DXVECTOR2(a->x + s * (b->x - a->x), a->y + s * (b->y - a->y));
    return o;
}
D3DXVECTOR2* D3DXVec2Normalize(D3DXVECTOR2* o, const D3DXVECTOR2* v) {
    FLOAT len = D3DXVec2Length(v);
    if (len == 0.0f) {
        *o = D3DXVECTOR2(0.0f, 0.0f);
    } else {
        *o = D3DXVECTOR2(v->x / len, v->y / len);
    }
    return o;
}

namespace {

void HermiteWeights(FLOAT s, FLOAT& h1, FLOAT& h2, FLOAT& h3, FLOAT& h4) {
    FLOAT s2 = s * s, s3 = s2 * s;
    h1 = 2.0f * s3 - 3.0f * s2 + 1.0f;
    h2 = s3 - 2.0f * s2 + s;
    h3 = -2.0f * s3 + 3.0f * s2;
    h4 = s3 - s2;
}

FLOAT CatmullRom1(FLOAT v0, FLOAT v1, FLOAT v2, FLOAT v3, FLOAT s) {
    FLOAT s2 = s * s, s3 = s2 * s;
    return 0.5f * (2.0f * v1 + (v2 - v0) * s + (2.0f * v0 - 5.0f * v1 + 4.0f * v2 - v3) * s2 +
                   (3.0f * v1 - v0 - 3.0f * v2 + v3) * s3);
}

}  // namespace

D3DXVECTOR2* D3DXVec2Hermite(D3DXVECTOR2* o, const D3DXVECTOR2* v1, const D3DXVECTOR2* t1, const D3DXVECTOR2* v2,
                             const D3DXVECTOR2* t2, FLOAT s) {
    FLOAT h1, h2, h3, h4;
    HermiteWeights(s, h1, h2, h3, h4);
    *o = D3DXVECTOR2(h1 * v1->x + h2 * t1->x + h3 * v2->x + h4 * t2->x,
                     h1 * v1->y + h2 * t1->y + h3 * v2->y + h4 * t2->y);
    return o;
}
D3DXVECTOR2* D3DXVec2CatmullRom(D3DXVECTOR2* o, const D3DXVECTOR2* v0, const D3DXVECTOR2* v1,
                                const D3DXVECTOR2* v2, const D3DXVECTOR2* v3, FLOAT s) {
    *o = D3DXVECTOR2(CatmullRom1(v0->x, v1->x, v2->x, v3->x, s), CatmullRom1(v0->y, v1->y, v2->y, v3->y, s));
    return o;
}
D3DXVECTOR2* D3DXVec2BaryCentric(D3DXVECTOR2* o, const D3DXVECTOR2* v1, const D3DXVECTOR2* v2,
                                 const D3DXVECTOR2* v3, FLOAT f, FLOAT g) {
    *o = D3DXVECTOR2(v1->x + f * (v2->x - v1->x) + g * (v3->x - v1->x),
                     v1->y + f * (v2->y - v1->y) + g * (v3->y - v1->y));
    return o;
}
D3DXVECTOR4* D3DXVec2Transform(D3DXVECTOR4* o, const D3DXVECTOR2* v, const D3DXMATRIX* m) {
    D3DXVECTOR4 r(v->x * m->_11 + v->y * m->_21 + m->_41, v->x * m->_12 + v->y * m->_22 + m->_42,
                  v->x * m->_13 + v->y * m->_23 + m->_43, v->x * m->_14 + v->y * m->_24 + m->_44);
    *o = r;
    return o;
}
D3DXVECTOR2* D3DXVec2TransformCoord(D3DXVECTOR2* o, const D3DXVECTOR2* v, const D3DXMATRIX* m) {
    D3DXVECTOR4 r;
    D3DXVec2Transform(&r, v, m);
    FLOAT w = r.w == 0.0f ? 1.0f : r.w;
    *o = D3DXVECTOR2(r.x / w, r.y / w);
    return o;
}
D3DXVECTOR2* D3DXVec2TransformNormal(D3DXVECTOR2* o, const D3DXVECTOR2* v, const D3DXMATRIX* m) {
    D3DXVECTOR2 r(v->x * m->_11 + v->y * m->_21, v->x * m->_12 + v->y * m->_22);
    *o = r;
    return o;
}

// ---------------------------------------------------------------------------
// 3-D vectors

FLOAT D3DXVec3Length(const D3DXVECTOR3* v) { return std::sqrt(v->x * v->x + v->y * v->y + v->z * v->z); }
FLOAT D3DXVec3LengthSq(const D3DXVECTOR3* v) { return v->x * v->x + v->y * v->y + v->z * v->z; }
FLOAT D3DXVec3Dot(const D3DXVECTOR3* a, const D3DXVECTOR3* b) { return a->x * b->x + a->y * b->y + a->z * b->z; }

D3DXVECTOR3* D3DXVec3Cross(D3DXVECTOR3* o, const D3DXVECTOR3* a, const D3DXVECTOR3* b) {
    D3DXVECTOR3 r(a->y * b->z - a->z * b->y, a->z * b->x - a->x * b->z, a->x * b->y - a->y * b->x);
    *o = r;
    return o;
}
D3DXVECTOR3* D3DXVec3Add(D3DXVECTOR3* o, const D3DXVECTOR3* a, const D3DXVECTOR3* b) {
    *o = D3DXVECTOR3(a->x + b->x, a->y + b->y, a->z + b->z);
    return o;
}
D3DXVECTOR3* D3DXVec3Subtract(D3DXVECTOR3* o, const D3DXVECTOR3* a, const D3DXVECTOR3* b) {
    *o = D3DXVECTOR3(a->x - b->x, a->y - b->y, a->z - b->z);
    return o;
}
D3DXVECTOR3* D3DXVec3Minimize(D3DXVECTOR3* o, const D3DXVECTOR3* a, const D3DXVECTOR3* b) {
    *o = D3DXVECTOR3(std::min(a->x, b->x), std::min(a->y, b->y), std::min(a->z, b->z));
    return o;
}
D3DXVECTOR3* D3DXVec3Maximize(D3DXVECTOR3* o, const D3DXVECTOR3* a, const D3DXVECTOR3* b) {
    *o = D3DXVECTOR3(std::max(a->x, b->x), std::max(a->y, b->y), std::max(a->z, b->z));
    return o;
}
D3DXVECTOR3* D3DXVec3Scale(D3DXVECTOR3* o, const D3DXVECTOR3* v, FLOAT s) {
    *o = D3DXVECTOR3(v->x * s, v->y * s, v->z * s);
    return o;
}
D3DXVECTOR3* D3DXVec3Lerp(D3DXVECTOR3* o, const D3DXVECTOR3* a, const D3DXVECTOR3* b, FLOAT s) {
    *o = D3DXVECTOR3(a->x + s * (b->x - a->x), a->y + s * (b->y - a->y), a->z + s * (b->z - a->z));
    return o;
}
D3DXVECTOR3* D3DXVec3Normalize(D3DXVECTOR3* o, const D3DXVECTOR3* v) {
    FLOAT len = D3DXVec3Length(v);
    if (len == 0.0f) {
        *o = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
    } else {
        *o = D3DXVECTOR3(v->x / len, v->y / len, v->z / len);
    }
    return o;
}
D3DXVECTOR3* D3DXVec3Hermite(D3DXVECTOR3* o, const D3DXVECTOR3* v1, const D3DXVECTOR3* t1, const D3DXVECTOR3* v2,
                             const D3DXVECTOR3* t2, FLOAT s) {
    FLOAT h1, h2, h3, h4;
    HermiteWeights(s, h1, h2, h3, h4);
    *o = D3DXVECTOR3(h1 * v1->x + h2 * t1->x + h3 * v2->x + h4 * t2->x,
                     h1 * v1->y + h2 * t1->y + h3 * v2->y + h4 * t2->y,
                     h1 * v1->z + h2 * t1->z + h3 * v2->z + h4 * t2->z);
    return o;
}
D3DXVECTOR3* D3DXVec3CatmullRom(D3DXVECTOR3* o, const D3DXVECTOR3* v0, const D3DXVECTOR3* v1,
                                const D3DXVECTOR3* v2, const D3DXVECTOR3* v3, FLOAT s) {
    *o = D3DXVECTOR3(CatmullRom1(v0->x, v1->x, v2->x, v3->x, s), CatmullRom1(v0->y, v1->y, v2->y, v3->y, s),
                     CatmullRom1(v0->z, v1->z, v2->z, v3->z, s));
    return o;
}
D3DXVECTOR3* D3DXVec3BaryCentric(D3DXVECTOR3* o, const D3DXVECTOR3* v1, const D3DXVECTOR3* v2,
                                 const D3DXVECTOR3* v3, FLOAT f, FLOAT g) {
    *o = D3DXVECTOR3(v1->x + f * (v2->x - v1->x) + g * (v3->x - v1->x),
                     v1->y + f * (v2->y - v1->y) + g * (v3->y - v1->y),
                     v1->z + f * (v2->z - v1->z) + g * (v3->z - v1->z));
    return o;
}
D3DXVECTOR4* D3DXVec3Transform(D3DXVECTOR4* o, const D3DXVECTOR3* v, const D3DXMATRIX* m) {
    D3DXVECTOR4 r(v->x * m->_11 + v->y * m->_21 + v->z * m->_31 + m->_41,
                  v->x * m->_12 + v->y * m->_22 + v->z * m->_32 + m->_42,
                  v->x * m->_13 + v->y * m->_23 + v->z * m->_33 + m->_43,
                  v->x * m->_14 + v->y * m->_24 + v->z * m->_34 + m->_44);
    *o = r;
    return o;
}
D3DXVECTOR3* D3DXVec3TransformCoord(D3DXVECTOR3* o, const D3DXVECTOR3* v, const D3DXMATRIX* m) {
    D3DXVECTOR4 r;
    D3DXVec3Transform(&r, v, m);
    FLOAT w = r.w == 0.0f ? 1.0f : r.w;
    *o = D3DXVECTOR3(r.x / w, r.y / w, r.z / w);
    return o;
}
D3DXVECTOR3* D3DXVec3TransformNormal(D3DXVECTOR3* o, const D3DXVECTOR3* v, const D3DXMATRIX* m) {
    D3DXVECTOR3 r(v->x * m->_11 + v->y * m->_21 + v->z * m->_31, v->x * m->_12 + v->y * m->_22 + v->z * m->_32,
                  v->x * m->_13 + v->y * m->_23 + v->z * m->_33);
    *o = r;
    return o;
}

namespace {

D3DXMATRIX CombineWvp(const D3DXMATRIX* proj, const D3DXMATRIX* view, const D3DXMATRIX* world) {
    D3DXMATRIX m;
    D3DXMatrixIdentity(&m);
    if (world) D3DXMatrixMultiply(&m, &m, world);
    if (view) D3DXMatrixMultiply(&m, &m, view);
    if (proj) D3DXMatrixMultiply(&m, &m, proj);
    return m;
}

}  // namespace

D3DXVECTOR3* D3DXVec3Project(D3DXVECTOR3* o, const D3DXVECTOR3* v, const D3DVIEWPORT8* vp, const D3DXMATRIX* proj,
                             const D3DXMATRIX* view, const D3DXMATRIX* world) {
    D3DXMATRIX m = CombineWvp(proj, view, world);
    D3DXVECTOR3 r;
    D3DXVec3TransformCoord(&r, v, &m);
    if (vp) {
        r.x = vp->X + vp->Width * (1.0f + r.x) * 0.5f;
        r.y = vp->Y + vp->Height * (1.0f - r.y) * 0.5f;
        r.z = vp->MinZ + r.z * (vp->MaxZ - vp->MinZ);
    }
    *o = r;
    return o;
}

D3DXVECTOR3* D3DXVec3Unproject(D3DXVECTOR3* o, const D3DXVECTOR3* v, const D3DVIEWPORT8* vp,
                               const D3DXMATRIX* proj, const D3DXMATRIX* view, const D3DXMATRIX* world) {
    D3DXMATRIX m = CombineWvp(proj, view, world);
    D3DXMATRIX inv;
    if (!D3DXMatrixInverse(&inv, nullptr, &m)) return nullptr;
    D3DXVECTOR3 r = *v;
    if (vp) {
        r.x = 2.0f * (r.x - vp->X) / vp->Width - 1.0f;
        r.y = 1.0f - 2.0f * (r.y - vp->Y) / vp->Height;
        FLOAT range = vp->MaxZ - vp->MinZ;
        r.z = range != 0.0f ? (r.z - vp->MinZ) / range : 0.0f;
    }
    D3DXVec3TransformCoord(o, &r, &inv);
    return o;
}

// ---------------------------------------------------------------------------
// 4-D vectors

FLOAT D3DXVec4Length(const D3DXVECTOR4* v) { return std::sqrt(D3DXVec4LengthSq(v)); }
FLOAT D3DXVec4LengthSq(const D3DXVECTOR4* v) { return v->x * v->x + v->y * v->y + v->z * v->z + v->w * v->w; }
FLOAT D3DXVec4Dot(const D3DXVECTOR4* a, const D3DXVECTOR4* b) {
    return a->x * b->x + a->y * b->y + a->z * b->z + a->w * b->w;
}
D3DXVECTOR4* D3DXVec4Add(D3DXVECTOR4* o, const D3DXVECTOR4* a, const D3DXVECTOR4* b) {
    *o = *a + *b;
    return o;
}
D3DXVECTOR4* D3DXVec4Subtract(D3DXVECTOR4* o, const D3DXVECTOR4* a, const D3DXVECTOR4* b) {
    *o = *a - *b;
    return o;
}
D3DXVECTOR4* D3DXVec4Minimize(D3DXVECTOR4* o, const D3DXVECTOR4* a, const D3DXVECTOR4* b) {
    *o = D3DXVECTOR4(std::min(a->x, b->x), std::min(a->y, b->y), std::min(a->z, b->z), std::min(a->w, b->w));
    return o;
}
D3DXVECTOR4* D3DXVec4Maximize(D3DXVECTOR4* o, const D3DXVECTOR4* a, const D3DXVECTOR4* b) {
    *o = D3DXVECTOR4(std::max(a->x, b->x), std::max(a->y, b->y), std::max(a->z, b->z), std::max(a->w, b->w));
    return o;
}
D3DXVECTOR4* D3DXVec4Scale(D3DXVECTOR4* o, const D3DXVECTOR4* v, FLOAT s) {
    *o = *v * s;
    return o;
}
D3DXVECTOR4* D3DXVec4Lerp(D3DXVECTOR4* o, const D3DXVECTOR4* a, const D3DXVECTOR4* b, FLOAT s) {
    *o = *a + (*b - *a) * s;
    return o;
}
D3DXVECTOR4* D3DXVec4Cross(D3DXVECTOR4* o, const D3DXVECTOR4* u, const D3DXVECTOR4* v, const D3DXVECTOR4* w) {
    FLOAT a = v->x * w->y - v->y * w->x;
    FLOAT b = v->x * w->z - v->z * w->x;
    FLOAT c = v->x * w->w - v->w * w->x;
    FLOAT d = v->y * w->z - v->z * w->y;
    FLOAT e = v->y * w->w - v->w * w->y;
    FLOAT f = v->z * w->w - v->w * w->z;
    D3DXVECTOR4 r(u->y * f - u->z * e + u->w * d, -(u->x * f) + u->z * c - u->w * b, u->x * e - u->y * c + u->w * a,
                  -(u->x * d) + u->y * b - u->z * a);
    *o = r;
    return o;
}
D3DXVECTOR4* D3DXVec4Normalize(D3DXVECTOR4* o, const D3DXVECTOR4* v) {
    FLOAT len = D3DXVec4Length(v);
    if (len == 0.0f) {
        *o = D3DXVECTOR4(0.0f, 0.0f, 0.0f, 0.0f);
    } else {
        *o = *v / len;
    }
    return o;
}
D3DXVECTOR4* D3DXVec4Transform(D3DXVECTOR4* o, const D3DXVECTOR4* v, const D3DXMATRIX* m) {
    D3DXVECTOR4 r(v->x * m->_11 + v->y * m->_21 + v->z * m->_31 + v->w * m->_41,
                  v->x * m->_12 + v->y * m->_22 + v->z * m->_32 + v->w * m->_42,
                  v->x * m->_13 + v->y * m->_23 + v->z * m->_33 + v->w * m->_43,
                  v->x * m->_14 + v->y * m->_24 + v->z * m->_34 + v->w * m->_44);
    *o = r;
    return o;
}

// ---------------------------------------------------------------------------
// Matrices

D3DXMATRIX* D3DXMatrixIdentity(D3DXMATRIX* o) {
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) o->m[r][c] = r == c ? 1.0f : 0.0f;
    return o;
}

BOOL D3DXMatrixIsIdentity(const D3DXMATRIX* m) {
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            if (m->m[r][c] != (r == c ? 1.0f : 0.0f)) return FALSE;
    return TRUE;
}

FLOAT D3DXMatrixfDeterminant(const D3DXMATRIX* pm) {
    const auto& m = pm->m;
    FLOAT s0 = m[0][0] * m[1][1] - m[1][0] * m[0][1];
    FLOAT s1 = m[0][0] * m[1][2] - m[1][0] * m[0][2];
    FLOAT s2 = m[0][0] * m[1][3] - m[1][0] * m[0][3];
    FLOAT s3 = m[0][1] * m[1][2] - m[1][1] * m[0][2];
    FLOAT s4 = m[0][1] * m[1][3] - m[1][1] * m[0][3];
    FLOAT s5 = m[0][2] * m[1][3] - m[1][2] * m[0][3];
    FLOAT c5 = m[2][2] * m[3][3] - m[3][2] * m[2][3];
    FLOAT c4 = m[2][1] * m[3][3] - m[3][1] * m[2][3];
    FLOAT c3 = m[2][1] * m[3][2] - m[3][1] * m[2][2];
    FLOAT c2 = m[2][0] * m[3][3] - m[3][0] * m[2][3];
    FLOAT c1 = m[2][0] * m[3][2] - m[3][0] * m[2][2];
    FLOAT c0 = m[2][0] * m[3][1] - m[3][0] * m[2][1];
    return s0 * c5 - s1 * c4 + s2 * c3 + s3 * c2 - s4 * c1 + s5 * c0;
}

D3DXMATRIX* D3DXMatrixTranspose(D3DXMATRIX* o, const D3DXMATRIX* m) {
    D3DXMATRIX r;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) r.m[i][j] = m->m[j][i];
    *o = r;
    return o;
}

D3DXMATRIX* D3DXMatrixMultiply(D3DXMATRIX* o, const D3DXMATRIX* a, const D3DXMATRIX* b) {
    D3DXMATRIX r;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            r.m[i][j] = a->m[i][0] * b->m[0][j] + a->m[i][1] * b->m[1][j] + a->m[i][2] * b->m[2][j] +
                        a->m[i][3] * b->m[3][j];
    *o = r;
    return o;
}

D3DXMATRIX* D3DXMatrixMultiplyTranspose(D3DXMATRIX* o, const D3DXMATRIX* a, const D3DXMATRIX* b) {
    D3DXMATRIX r;
    D3DXMatrixMultiply(&r, a, b);
    return D3DXMatrixTranspose(o, &r);
}

D3DXMATRIX* D3DXMatrixInverse(D3DXMATRIX* o, FLOAT* pDeterminant, const D3DXMATRIX* pm) {
    const auto& m = pm->m;
    FLOAT s0 = m[0][0] * m[1][1] - m[1][0] * m[0][1];
    FLOAT s1 = m[0][0] * m[1][2] - m[1][0] * m[0][2];
    FLOAT s2 = m[0][0] * m[1][3] - m[1][0] * m[0][3];
    FLOAT s3 = m[0][1] * m[1][2] - m[1][1] * m[0][2];
    FLOAT s4 = m[0][1] * m[1][3] - m[1][1] * m[0][3];
    FLOAT s5 = m[0][2] * m[1][3] - m[1][2] * m[0][3];
    FLOAT c5 = m[2][2] * m[3][3] - m[3][2] * m[2][3];
    FLOAT c4 = m[2][1] * m[3][3] - m[3][1] * m[2][3];
    FLOAT c3 = m[2][1] * m[3][2] - m[3][1] * m[2][2];
    FLOAT c2 = m[2][0] * m[3][3] - m[3][0] * m[2][3];
    FLOAT c1 = m[2][0] * m[3][2] - m[3][0] * m[2][2];
    FLOAT c0 = m[2][0] * m[3][1] - m[3][0] * m[2][1];
    FLOAT det = s0 * c5 - s1 * c4 + s2 * c3 + s3 * c2 - s4 * c1 + s5 * c0;
    if (pDeterminant) *pDeterminant = det;
    if (det == 0.0f || !std::isfinite(det)) return nullptr;
    FLOAT inv = 1.0f / det;
    D3DXMATRIX r;
    r.m[0][0] = (m[1][1] * c5 - m[1][2] * c4 + m[1][3] * c3) * inv;
    r.m[0][1] = (-m[0][1] * c5 + m[0][2] * c4 - m[0][3] * c3) * inv;
    r.m[0][2] = (m[3][1] * s5 - m[3][2] * s4 + m[3][3] * s3) * inv;
    r.m[0][3] = (-m[2][1] * s5 + m[2][2] * s4 - m[2][3] * s3) * inv;
    r.m[1][0] = (-m[1][0] * c5 + m[1][2] * c2 - m[1][3] * c1) * inv;
    r.m[1][1] = (m[0][0] * c5 - m[0][2] * c2 + m[0][3] * c1) * inv;
    r.m[1][2] = (-m[3][0] * s5 + m[3][2] * s2 - m[3][3] * s1) * inv;
    r.m[1][3] = (m[2][0] * s5 - m[2][2] * s2 + m[2][3] * s1) * inv;
    r.m[2][0] = (m[1][0] * c4 - m[1][1] * c2 + m[1][3] * c0) * inv;
    r.m[2][1] = (-m[0][0] * c4 + m[0][1] * c2 - m[0][3] * c0) * inv;
    r.m[2][2] = (m[3][0] * s4 - m[3][1] * s2 + m[3][3] * s0) * inv;
    r.m[2][3] = (-m[2][0] * s4 + m[2][1] * s2 - m[2][3] * s0) * inv;
    r.m[3][0] = (-m[1][0] * c3 + m[1][1] * c1 - m[1][2] * c0) * inv;
    r.m[3][1] = (m[0][0] * c3 - m[0][1] * c1 + m[0][2] * c0) * inv;
    r.m[3][2] = (-m[3][0] * s3 + m[3][1] * s1 - m[3][2] * s0) * inv;
    r.m[3][3] = (m[2][0] * s3 - m[2][1] * s1 + m[2][2] * s0) * inv;
    *o = r;
    return o;
}

D3DXMATRIX* D3DXMatrixScaling(D3DXMATRIX* o, FLOAT sx, FLOAT sy, FLOAT sz) {
    D3DXMatrixIdentity(o);
    o->_11 = sx;
    o->_22 = sy;
    o->_33 = sz;
    return o;
}

D3DXMATRIX* D3DXMatrixTranslation(D3DXMATRIX* o, FLOAT x, FLOAT y, FLOAT z) {
    D3DXMatrixIdentity(o);
    o->_41 = x;
    o->_42 = y;
    o->_43 = z;
    return o;
}

D3DXMATRIX* D3DXMatrixRotationX(D3DXMATRIX* o, FLOAT a) {
    FLOAT c = std::cos(a), s = std::sin(a);
    D3DXMatrixIdentity(o);
    o->_22 = c;
    o->_23 = s;
    o->_32 = -s;
    o->_33 = c;
    return o;
}

D3DXMATRIX* D3DXMatrixRotationY(D3DXMATRIX* o, FLOAT a) {
    FLOAT c = std::cos(a), s = std::sin(a);
    D3DXMatrixIdentity(o);
    o->_11 = c;
    o->_13 = -s;
    o->_31 = s;
    o->_33 = c;
    return o;
}

D3DXMATRIX* D3DXMatrixRotationZ(D3DXMATRIX* o, FLOAT a) {
    FLOAT c = std::cos(a), s = std::sin(a);
    D3DXMatrixIdentity(o);
    o->_11 = c;
    o->_12 = s;
    o->_21 = -s;
    o->_22 = c;
    return o;
}

D3DXMATRIX* D3DXMatrixRotationAxis(D3DXMATRIX* o, const D3DXVECTOR3* pv, FLOAT a) {
    D3DXVECTOR3 v;
    D3DXVec3Normalize(&v, pv);
    FLOAT c = std::cos(a), s = std::sin(a), t = 1.0f - c;
    D3DXMatrixIdentity(o);
    o->_11 = t * v.x * v.x + c;
    o->_12 = t * v.x * v.y + s * v.z;
    o->_13 = t * v.x * v.z - s * v.y;
    o->_21 = t * v.x * v.y - s * v.z;
    o->_22 = t * v.y * v.y + c;
    o->_23 = t * v.y * v.z + s * v.x;
    o->_31 = t * v.x * v.z + s * v.y;
    o->_32 = t * v.y * v.z - s * v.x;
    o->_33 = t * v.z * v.z + c;
    return o;
}

D3DXMATRIX* D3DXMatrixRotationQuaternion(D3DXMATRIX* o, const D3DXQUATERNION* q) {
    FLOAT x = q->x, y = q->y, z = q->z, w = q->w;
    D3DXMatrixIdentity(o);
    o->_11 = 1.0f - 2.0f * (y * y + z * z);
    o->_12 = 2.0f * (x * y + z * w);
    o->_13 = 2.0f * (x * z - y * w);
    o->_21 = 2.0f * (x * y - z * w);
    o->_22 = 1.0f - 2.0f * (x * x + z * z);
    o->_23 = 2.0f * (y * z + x * w);
    o->_31 = 2.0f * (x * z + y * w);
    o->_32 = 2.0f * (y * z - x * w);
    o->_33 = 1.0f - 2.0f * (x * x + y * y);
    return o;
}

D3DXMATRIX* D3DXMatrixRotationYawPitchRoll(D3DXMATRIX* o, FLOAT yaw, FLOAT pitch, FLOAT roll) {
    D3DXMATRIX z, x, y;
    D3DXMatrixRotationZ(&z, roll);
    D3DXMatrixRotationX(&x, pitch);
    D3DXMatrixRotationY(&y, yaw);
    D3DXMatrixMultiply(o, &z, &x);
    D3DXMatrixMultiply(o, o, &y);
    return o;
}

D3DXMATRIX* D3DXMatrixTransformation(D3DXMATRIX* o, const D3DXVECTOR3* pScalingCenter,
                                     const D3DXQUATERNION* pScalingRotation, const D3DXVECTOR3* pScaling,
                                     const D3DXVECTOR3* pRotationCenter, const D3DXQUATERNION* pRotation,
                                     const D3DXVECTOR3* pTranslation) {
    D3DXMATRIX r, t;
    D3DXMatrixIdentity(&r);
    D3DXVECTOR3 sc = pScalingCenter ? *pScalingCenter : D3DXVECTOR3(0, 0, 0);
    if (pScaling) {
        D3DXMatrixTranslation(&t, -sc.x, -sc.y, -sc.z);
        D3DXMatrixMultiply(&r, &r, &t);
        D3DXMATRIX sr, srInv;
        if (pScalingRotation) {
            D3DXMatrixRotationQuaternion(&sr, pScalingRotation);
            D3DXMatrixTranspose(&srInv, &sr);
            D3DXMatrixMultiply(&r, &r, &srInv);
        }
        D3DXMatrixScaling(&t, pScaling->x, pScaling->y, pScaling->z);
        D3DXMatrixMultiply(&r, &r, &t);
        if (pScalingRotation) D3DXMatrixMultiply(&r, &r, &sr);
        D3DXMatrixTranslation(&t, sc.x, sc.y, sc.z);
        D3DXMatrixMultiply(&r, &r, &t);
    }
    if (pRotation) {
        D3DXVECTOR3 rc = pRotationCenter ? *pRotationCenter : D3DXVECTOR3(0, 0, 0);
        D3DXMatrixTranslation(&t, -rc.x, -rc.y, -rc.z);
        D3DXMatrixMultiply(&r, &r, &t);
        D3DXMatrixRotationQuaternion(&t, pRotation);
        D3DXMatrixMultiply(&r, &r, &t);
        D3DXMatrixTranslation(&t, rc.x, rc.y, rc.z);
        D3DXMatrixMultiply(&r, &r, &t);
    }
    if (pTranslation) {
        D3DXMatrixTranslation(&t, pTranslation->x, pTranslation->y, pTranslation->z);
        D3DXMatrixMultiply(&r, &r, &t);
    }
    *o = r;
    return o;
}

D3DXMATRIX* D3DXMatrixAffineTransformation(D3DXMATRIX* o, FLOAT scaling, const D3DXVECTOR3* pRotationCenter,
                                           const D3DXQUATERNION* pRotation, const D3DXVECTOR3* pTranslation) {
    D3DXVECTOR3 s(scaling, scaling, scaling);
    return D3DXMatrixTransformation(o, nullptr, nullptr, &s, pRotationCenter, pRotation, pTranslation);
}

namespace {

D3DXMATRIX* LookAt(D3DXMATRIX* o, const D3DXVECTOR3* eye, const D3DXVECTOR3* up, D3DXVECTOR3 zaxis) {
    D3DXVECTOR3 xaxis, yaxis;
    D3DXVec3Normalize(&zaxis, &zaxis);
    D3DXVec3Cross(&xaxis, up, &zaxis);
    D3DXVec3Normalize(&xaxis, &xaxis);
    D3DXVec3Cross(&yaxis, &zaxis, &xaxis);
    D3DXMatrixIdentity(o);
    o->_11 = xaxis.x; o->_12 = yaxis.x; o->_13 = zaxis.x;
    o->_21 = xaxis.y; o->_22 = yaxis.y; o->_23 = zaxis.y;
    o->_31 = xaxis.z; o->_32 = yaxis.z; o->_33 = zaxis.z;
    o->_41 = -D3DXVec3Dot(&xaxis, eye);
    o->_42 = -D3DXVec3Dot(&yaxis, eye);
    o->_43 = -D3DXVec3Dot(&zaxis, eye);
    return o;
}

void ZeroMatrix(D3DXMATRIX* o) {
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) o->m[r][c] = 0.0f;
}

}  // namespace

D3DXMATRIX* D3DXMatrixLookAtRH(D3DXMATRIX* o, const D3DXVECTOR3* eye, const D3DXVECTOR3* at, const D3DXVECTOR3* up) {
    return LookAt(o, eye, up, *eye - *at);
}

D3DXMATRIX* D3DXMatrixLookAtLH(D3DXMATRIX* o, const D3DXVECTOR3* eye, const D3DXVECTOR3* at, const D3DXVECTOR3* up) {
    return LookAt(o, eye, up, *at - *eye);
}

D3DXMATRIX* D3DXMatrixPerspectiveRH(D3DXMATRIX* o, FLOAT w, FLOAT h, FLOAT zn, FLOAT zf) {
    ZeroMatrix(o);
    o->_11 = 2.0f * zn / w;
    o->_22 = 2.0f * zn / h;
    o->_33 = zf / (zn - zf);
    o->_34 = -1.0f;
    o->_43 = zn * zf / (zn - zf);
    return o;
}

D3DXMATRIX* D3DXMatrixPerspectiveLH(D3DXMATRIX* o, FLOAT w, FLOAT h, FLOAT zn, FLOAT zf) {
    ZeroMatrix(o);
    o->_11 = 2.0f * zn / w;
    o->_22 = 2.0f * zn / h;
    o->_33 = zf / (zf - zn);
    o->_34 = 1.0f;
    o->_43 = zn * zf / (zn - zf);
    return o;
}

D3DXMATRIX* D3DXMatrixPerspectiveFovRH(D3DXMATRIX* o, FLOAT fovy, FLOAT aspect, FLOAT zn, FLOAT zf) {
    FLOAT ys = 1.0f / std::tan(fovy * 0.5f);
    ZeroMatrix(o);
    o->_11 = ys / aspect;
    o->_22 = ys;
    o->_33 = zf / (zn - zf);
    o->_34 = -1.0f;
    o->_43 = zn * zf / (zn - zf);
    return o;
}

D3DXMATRIX* D3DXMatrixPerspectiveFovLH(D3DXMATRIX* o, FLOAT fovy, FLOAT aspect, FLOAT zn, FLOAT zf) {
    FLOAT ys = 1.0f / std::tan(fovy * 0.5f);
    ZeroMatrix(o);
    o->_11 = ys / aspect;
    o->_22 = ys;
    o->_33 = zf / (zf - zn);
    o->_34 = 1.0f;
    o->_43 = -zn * zf / (zf - zn);
    return o;
}

D3DXMATRIX* D3DXMatrixPerspectiveOffCenterRH(D3DXMATRIX* o, FLOAT l, FLOAT r, FLOAT b, FLOAT t, FLOAT zn, FLOAT zf) {
    ZeroMatrix(o);
    o->_11 = 2.0f * zn / (r - l);
    o->_22 = 2.0f * zn / (t - b);
    o->_31 = (l + r) / (r - l);
    o->_32 = (t + b) / (t - b);
    o->_33 = zf / (zn - zf);
    o->_34 = -1.0f;
    o->_43 = zn * zf / (zn - zf);
    return o;
}

D3DXMATRIX* D3DXMatrixPerspectiveOffCenterLH(D3DXMATRIX* o, FLOAT l, FLOAT r, FLOAT b, FLOAT t, FLOAT zn, FLOAT zf) {
    ZeroMatrix(o);
    o->_11 = 2.0f * zn / (r - l);
    o->_22 = 2.0f * zn / (t - b);
    o->_31 = (l + r) / (l - r);
    o->_32 = (t + b) / (b - t);
    o->_33 = zf / (zf - zn);
    o->_34 = 1.0f;
    o->_43 = zn * zf / (zn - zf);
    return o;
}

D3DXMATRIX* D3DXMatrixOrthoRH(D3DXMATRIX* o, FLOAT w, FLOAT h, FLOAT zn, FLOAT zf) {
    D3DXMatrixIdentity(o);
    o->_11 = 2.0f / w;
    o->_22 = 2.0f / h;
    o->_33 = 1.0f / (zn - zf);
    o->_43 = zn / (zn - zf);
    return o;
}

D3DXMATRIX* D3DXMatrixOrthoLH(D3DXMATRIX* o, FLOAT w, FLOAT h, FLOAT zn, FLOAT zf) {
    D3DXMatrixIdentity(o);
    o->_11 = 2.0f / w;
    o->_22 = 2.0f / h;
    o->_33 = 1.0f / (zf - zn);
    o->_43 = zn / (zn - zf);
    return o;
}

D3DXMATRIX* D3DXMatrixOrthoOffCenterRH(D3DXMATRIX* o, FLOAT l, FLOAT r, FLOAT b, FLOAT t, FLOAT zn, FLOAT zf) {
    D3DXMatrixIdentity(o);
    o->_11 = 2.0f / (r - l);
    o->_22 = 2.0f / (t - b);
    o->_33 = 1.0f / (zn - zf);
    o->_41 = (l + r) / (l - r);
    o->_42 = (t + b) / (b - t);
    o->_43 = zn / (zn - zf);
    return o;
}

D3DXMATRIX* D3DXMatrixOrthoOffCenterLH(D3DXMATRIX* o, FLOAT l, FLOAT r, FLOAT b, FLOAT t, FLOAT zn, FLOAT zf) {
    D3DXMatrixIdentity(o);
    o->_11 = 2.0f / (r - l);
    o->_22 = 2.0f / (t - b);
    o->_33 = 1.0f / (zf - zn);
    o->_41 = (l + r) / (l - r);
    o->_42 = (t + b) / (b - t);
    o->_43 = zn / (zn - zf);
    return o;
}

D3DXMATRIX* D3DXMatrixShadow(D3DXMATRIX* o, const D3DXVECTOR4* L, const D3DXPLANE* pPlane) {
    D3DXPLANE p;
    D3DXPlaneNormalize(&p, pPlane);
    FLOAT d = p.a * L->x + p.b * L->y + p.c * L->z + p.d * L->w;
    const FLOAT pl[4] = {p.a, p.b, p.c, p.d};
    const FLOAT lv[4] = {L->x, L->y, L->z, L->w};
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) o->m[r][c] = (r == c ? d : 0.0f) - pl[r] * lv[c];
    return o;
}

D3DXMATRIX* D3DXMatrixReflect(D3DXMATRIX* o, const D3DXPLANE* pPlane) {
    D3DXPLANE p;
    D3DXPlaneNormalize(&p, pPlane);
    D3DXMatrixIdentity(o);
    o->_11 = 1.0f - 2.0f * p.a * p.a;
    o->_12 = -2.0f * p.a * p.b;
    o->_13 = -2.0f * p.a * p.c;
    o->_21 = -2.0f * p.a * p.b;
    o->_22 = 1.0f - 2.0f * p.b * p.b;
    o->_23 = -2.0f * p.b * p.c;
    o->_31 = -2.0f * p.a * p.c;
    o->_32 = -2.0f * p.b * p.c;
    o->_33 = 1.0f - 2.0f * p.c * p.c;
    o->_41 = -2.0f * p.a * p.d;
    o->_42 = -2.0f * p.b * p.d;
    o->_43 = -2.0f * p.c * p.d;
    return o;
}

// ---------------------------------------------------------------------------
// Quaternions

FLOAT D3DXQuaternionLength(const D3DXQUATERNION* q) { return std::sqrt(D3DXQuaternionLengthSq(q)); }
FLOAT D3DXQuaternionLengthSq(const D3DXQUATERNION* q) { return q->x * q->x + q->y * q->y + q->z * q->z + q->w * q->w; }
FLOAT D3DXQuaternionDot(const D3DXQUATERNION* a, const D3DXQUATERNION* b) {
    return a->x * b->x + a->y * b->y + a->z * b->z + a->w * b->w;
}
D3DXQUATERNION* D3DXQuaternionIdentity(D3DXQUATERNION* o) {
    *o = D3DXQUATERNION(0.0f, 0.0f, 0.0f, 1.0f);
    return o;
}
BOOL D3DXQuaternionIsIdentity(const D3DXQUATERNION* q) {
    return q->x == 0.0f && q->y == 0.0f && q->z == 0.0f && q->w == 1.0f;
}
D3DXQUATERNION* D3DXQuaternionConjugate(D3DXQUATERNION* o, const D3DXQUATERNION* q) {
    *o = D3DXQUATERNION(-q->x, -q->y, -q->z, q->w);
    return o;
}
void D3DXQuaternionToAxisAngle(const D3DXQUATERNION* q, D3DXVECTOR3* pAxis, FLOAT* pAngle) {
    if (pAxis) *pAxis = D3DXVECTOR3(q->x, q->y, q->z);
    if (pAngle) *pAngle = 2.0f * std::acos(std::clamp(q->w, -1.0f, 1.0f));
}

D3DXQUATERNION* D3DXQuaternionRotationMatrix(D3DXQUATERNION* o, const D3DXMATRIX* m) {
    FLOAT trace = m->_11 + m->_22 + m->_33;
    D3DXQUATERNION q;
    if (trace > 0.0f) {
        FLOAT s = std::sqrt(trace + 1.0f) * 2.0f;
        q.w = 0.25f * s;
        q.x = (m->_23 - m->_32) / s;
        q.y = (m->_31 - m->_13) / s;
        q.z = (m->_12 - m->_21) / s;
    } else if (m->_11 > m->_22 && m->_11 > m->_33) {
        FLOAT s = std::sqrt(1.0f + m->_11 - m->_22 - m->_33) * 2.0f;
        q.w = (m->_23 - m->_32) / s;
        q.x = 0.25f * s;
        q.y = (m->_12 + m->_21) / s;
        q.z = (m->_13 + m->_31) / s;
    } else if (m->_22 > m->_33) {
        FLOAT s = std::sqrt(1.0f + m->_22 - m->_11 - m->_33) * 2.0f;
        q.w = (m->_31 - m->_13) / s;
        q.x = (m->_12 + m->_21) / s;
        q.y = 0.25f * s;
        q.z = (m->_23 + m->_32) / s;
    } else {
        FLOAT s = std::sqrt(1.0f + m->_33 - m->_11 - m->_22) * 2.0f;
        q.w = (m->_12 - m->_21) / s;
        q.x = (m->_13 + m->_31) / s;
        q.y = (m->_23 + m->_32) / s;
        q.z = 0.25f * s;
    }
    *o = q;
    return o;
}

D3DXQUATERNION* D3DXQuaternionRotationAxis(D3DXQUATERNION* o, const D3DXVECTOR3* pv, FLOAT a) {
    D3DXVECTOR3 v;
    D3DXVec3Normalize(&v, pv);
    FLOAT s = std::sin(a * 0.5f);
    *o = D3DXQUATERNION(v.x * s, v.y * s, v.z * s, std::cos(a * 0.5f));
    return o;
}

D3DXQUATERNION* D3DXQuaternionRotationYawPitchRoll(D3DXQUATERNION* o, FLOAT yaw, FLOAT pitch, FLOAT roll) {
    FLOAT sy = std::sin(yaw * 0.5f), cy = std::cos(yaw * 0.5f);
    FLOAT sp = std::sin(pitch * 0.5f), cp = std::cos(pitch * 0.5f);
    FLOAT sr = std::sin(roll * 0.5f), cr = std::cos(roll * 0.5f);
    *o = D3DXQUATERNION(sy * cp * sr + cy * sp * cr, sy * cp * cr - cy * sp * sr, cy * cp * sr - sy * sp * cr,
                        cy * cp * cr + sy * sp * sr);
    return o;
}

// The product applies q1 first, then q2 (the Hamilton product q2 q1).
D3DXQUATERNION* D3DXQuaternionMultiply(D3DXQUATERNION* o, const D3DXQUATERNION* q1, const D3DXQUATERNION* q2) {
    D3DXQUATERNION r(q2->w * q1->x + q2->x * q1->w + q2->y * q1->z - q2->z * q1->y,
                     q2->w * q1->y - q2->x * q1->z + q2->y * q1->w + q2->z * q1->x,
                     q2->w * q1->z + q2->x * q1->y - q2->y * q1->x + q2->z * q1->w,
                     q2->w * q1->w - q2->x * q1->x - q2->y * q1->y - q2->z * q1->z);
    *o = r;
    return o;
}

D3DXQUATERNION* D3DXQuaternionNormalize(D3DXQUATERNION* o, const D3DXQUATERNION* q) {
    FLOAT len = D3DXQuaternionLength(q);
    if (len == 0.0f) {
        *o = D3DXQUATERNION(0.0f, 0.0f, 0.0f, 0.0f);
    } else {
        *o = *q / len;
    }
    return o;
}

D3DXQUATERNION* D3DXQuaternionInverse(D3DXQUATERNION* o, const D3DXQUATERNION* q) {
    FLOAT n = D3DXQuaternionLengthSq(q);
    if (n == 0.0f) {
        *o = D3DXQUATERNION(0.0f, 0.0f, 0.0f, 0.0f);
    } else {
        *o = D3DXQUATERNION(-q->x / n, -q->y / n, -q->z / n, q->w / n);
    }
    return o;
}

D3DXQUATERNION* D3DXQuaternionLn(D3DXQUATERNION* o, const D3DXQUATERNION* q) {
    FLOAT w = std::clamp(q->w, -1.0f, 1.0f);
    FLOAT t = std::acos(w);
    FLOAT s = std::sin(t);
    FLOAT k = s != 0.0f ? t / s : 1.0f;
    *o = D3DXQUATERNION(q->x * k, q->y * k, q->z * k, 0.0f);
    return o;
}

D3DXQUATERNION* D3DXQuaternionExp(D3DXQUATERNION* o, const D3DXQUATERNION* q) {
    FLOAT n = std::sqrt(q->x * q->x + q->y * q->y + q->z * q->z);
    FLOAT k = n != 0.0f ? std::sin(n) / n : 1.0f;
    *o = D3DXQUATERNION(q->x * k, q->y * k, q->z * k, std::cos(n));
    return o;
}

D3DXQUATERNION* D3DXQuaternionSlerp(D3DXQUATERNION* o, const D3DXQUATERNION* a, const D3DXQUATERNION* b, FLOAT t) {
    FLOAT dot = D3DXQuaternionDot(a, b);
    FLOAT sign = 1.0f;
    if (dot < 0.0f) {
        dot = -dot;
        sign = -1.0f;
    }
    FLOAT k0, k1;
    if (1.0f - dot > 0.001f) {
        FLOAT theta = std::acos(std::min(dot, 1.0f));
        FLOAT s = std::sin(theta);
        k0 = std::sin((1.0f - t) * theta) / s;
        k1 = std::sin(t * theta) / s;
    } else {
        k0 = 1.0f - t;
        k1 = t;
    }
    k1 *= sign;
    *o = D3DXQUATERNION(k0 * a->x + k1 * b->x, k0 * a->y + k1 * b->y, k0 * a->z + k1 * b->z, k0 * a->w + k1 * b->w);
    return o;
}

D3DXQUATERNION* D3DXQuaternionSquad(D3DXQUATERNION* o, const D3DXQUATERNION* q1, const D3DXQUATERNION* a,
                                    const D3DXQUATERNION* b, const D3DXQUATERNION* c, FLOAT t) {
    D3DXQUATERNION t1, t2;
    D3DXQuaternionSlerp(&t1, q1, c, t);
    D3DXQuaternionSlerp(&t2, a, b, t);
    return D3DXQuaternionSlerp(o, &t1, &t2, 2.0f * t * (1.0f - t));
}

D3DXQUATERNION* D3DXQuaternionBaryCentric(D3DXQUATERNION* o, const D3DXQUATERNION* q1, const D3DXQUATERNION* q2,
                                          const D3DXQUATERNION* q3, FLOAT f, FLOAT g) {
    FLOAT fg = f + g;
    if (fg == 0.0f) {
        *o = *q1;
        return o;
    }
    D3DXQUATERNION t1, t2;
    D3DXQuaternionSlerp(&t1, q1, q2, fg);
    D3DXQuaternionSlerp(&t2, q1, q3, fg);
    return D3DXQuaternionSlerp(o, &t1, &t2, g / fg);
}

// ---------------------------------------------------------------------------
// Planes

FLOAT D3DXPlaneDot(const D3DXPLANE* p, const D3DXVECTOR4* v) { return p->a * v->x + p->b * v->y + p->c * v->z + p->d * v->w; }
FLOAT D3DXPlaneDotCoord(const D3DXPLANE* p, const D3DXVECTOR3* v) { return p->a * v->x + p->b * v->y + p->c * v->z + p->d; }
FLOAT D3DXPlaneDotNormal(const D3DXPLANE* p, const D3DXVECTOR3* v) { return p->a * v->x + p->b * v->y + p->c * v->z; }

D3DXPLANE* D3DXPlaneNormalize(D3DXPLANE* o, const D3DXPLANE* p) {
    FLOAT len = std::sqrt(p->a * p->a + p->b * p->b + p->c * p->c);
    if (len == 0.0f) {
        *o = D3DXPLANE(0.0f, 0.0f, 0.0f, 0.0f);
    } else {
        *o = D3DXPLANE(p->a / len, p->b / len, p->c / len, p->d / len);
    }
    return o;
}

D3DXVECTOR3* D3DXPlaneIntersectLine(D3DXVECTOR3* o, const D3DXPLANE* p, const D3DXVECTOR3* v1,
                                    const D3DXVECTOR3* v2) {
    D3DXVECTOR3 dir = *v2 - *v1;
    FLOAT denom = D3DXPlaneDotNormal(p, &dir);
    if (denom == 0.0f) return nullptr;
    FLOAT t = -D3DXPlaneDotCoord(p, v1) / denom;
    *o = *v1 + dir * t;
    return o;
}

D3DXPLANE* D3DXPlaneFromPointNormal(D3DXPLANE* o, const D3DXVECTOR3* point, const D3DXVECTOR3* n) {
    *o = D3DXPLANE(n->x, n->y, n->z, -D3DXVec3Dot(point, n));
    return o;
}

D3DXPLANE* D3DXPlaneFromPoints(D3DXPLANE* o, const D3DXVECTOR3* v1, const D3DXVECTOR3* v2, const D3DXVECTOR3* v3) {
    D3DXVECTOR3 e1 = *v2 - *v1, e2 = *v3 - *v1, n;
    D3DXVec3Cross(&n, &e1, &e2);
    D3DXVec3Normalize(&n, &n);
    return D3DXPlaneFromPointNormal(o, v1, &n);
}

D3DXPLANE* D3DXPlaneTransform(D3DXPLANE* o, const D3DXPLANE* p, const D3DXMATRIX* m) {
    D3DXPLANE r(p->a * m->_11 + p->b * m->_21 + p->c * m->_31 + p->d * m->_41,
                p->a * m->_12 + p->b * m->_22 + p->c * m->_32 + p->d * m->_42,
                p->a * m->_13 + p->b * m->_23 + p->c * m->_33 + p->d * m->_43,
                p->a * m->_14 + p->b * m->_24 + p->c * m->_34 + p->d * m->_44);
    *o = r;
    return o;
}

// ---------------------------------------------------------------------------
// Colours

D3DXCOLOR* D3DXColorNegative(D3DXCOLOR* o, const D3DXCOLOR* c) {
    *o = D3DXCOLOR(1.0f - c->r, 1.0f - c->g, 1.0f - c->b, c->a);
    return o;
}
D3DXCOLOR* D3DXColorAdd(D3DXCOLOR* o, const D3DXCOLOR* a, const D3DXCOLOR* b) {
    *o = *a + *b;
    return o;
}
D3DXCOLOR* D3DXColorSubtract(D3DXCOLOR* o, const D3DXCOLOR* a, const D3DXCOLOR* b) {
    *o = *a - *b;
    return o;
}
D3DXCOLOR* D3DXColorScale(D3DXCOLOR* o, const D3DXCOLOR* c, FLOAT s) {
    *o = *c * s;
    return o;
}
D3DXCOLOR* D3DXColorModulate(D3DXCOLOR* o, const D3DXCOLOR* a, const D3DXCOLOR* b) {
    *o = D3DXCOLOR(a->r * b->r, a->g * b->g, a->b * b->b, a->a * b->a);
    return o;
}
D3DXCOLOR* D3DXColorLerp(D3DXCOLOR* o, const D3DXCOLOR* a, const D3DXCOLOR* b, FLOAT s) {
    *o = D3DXCOLOR(a->r + s * (b->r - a->r), a->g + s * (b->g - a->g), a->b + s * (b->b - a->b),
                   a->a + s * (b->a - a->a));
    return o;
}
D3DXCOLOR* D3DXColorAdjustSaturation(D3DXCOLOR* o, const D3DXCOLOR* c, FLOAT s) {
    FLOAT grey = c->r * 0.2125f + c->g * 0.7154f + c->b * 0.0721f;
    *o = D3DXCOLOR(grey + s * (c->r - grey), grey + s * (c->g - grey), grey + s * (c->b - grey), c->a);
    return o;
}
D3DXCOLOR* D3DXColorAdjustContrast(D3DXCOLOR* o, const D3DXCOLOR* c, FLOAT k) {
    *o = D3DXCOLOR(0.5f + k * (c->r - 0.5f), 0.5f + k * (c->g - 0.5f), 0.5f + k * (c->b - 0.5f), c->a);
    return o;
}

// ---------------------------------------------------------------------------
// Intersections

BOOL D3DXIntersectTri(const D3DXVECTOR3* p0, const D3DXVECTOR3* p1, const D3DXVECTOR3* p2,
                      const D3DXVECTOR3* pos, const D3DXVECTOR3* dir, FLOAT* pU, FLOAT* pV, FLOAT* pDist) {
    D3DXVECTOR3 e1 = *p1 - *p0, e2 = *p2 - *p0, pv, qv;
    D3DXVec3Cross(&pv, dir, &e2);
    FLOAT det = D3DXVec3Dot(&e1, &pv);
    if (det == 0.0f || !std::isfinite(det)) return FALSE;
    FLOAT inv = 1.0f / det;
    D3DXVECTOR3 tv = *pos - *p0;
    FLOAT u = D3DXVec3Dot(&tv, &pv) * inv;
    if (u < 0.0f || u > 1.0f) return FALSE;
    D3DXVec3Cross(&qv, &tv, &e1);
    FLOAT v = D3DXVec3Dot(dir, &qv) * inv;
    if (v < 0.0f || u + v > 1.0f) return FALSE;
    FLOAT t = D3DXVec3Dot(&e2, &qv) * inv;
    if (t < 0.0f) return FALSE;
    if (pU) *pU = u;
    if (pV) *pV = v;
    if (pDist) *pDist = t;
    return TRUE;
}

BOOL D3DXSphereBoundProbe(const D3DXVECTOR3* center, FLOAT radius, const D3DXVECTOR3* pos, const D3DXVECTOR3* dir) {
    D3DXVECTOR3 d = *pos - *center;
    FLOAT a = D3DXVec3LengthSq(dir);
    FLOAT b = 2.0f * D3DXVec3Dot(dir, &d);
    FLOAT c = D3DXVec3LengthSq(&d) - radius * radius;
    if (a == 0.0f) return c <= 0.0f;
    FLOAT disc = b * b - 4.0f * a * c;
    if (disc < 0.0f) return FALSE;
    // The far intersection must lie ahead of the ray's start.
    FLOAT far = (-b + std::sqrt(disc)) / (2.0f * a);
    return far >= 0.0f;
}

BOOL D3DXBoxBoundProbe(const D3DXVECTOR3* mn, const D3DXVECTOR3* mx, const D3DXVECTOR3* pos, const D3DXVECTOR3* dir) {
    FLOAT tmin = -INFINITY, tmax = INFINITY;
    const FLOAT* o = &pos->x;
    const FLOAT* d = &dir->x;
    const FLOAT* lo = &mn->x;
    const FLOAT* hi = &mx->x;
    for (int i = 0; i < 3; ++i) {
        if (d[i] == 0.0f) {
            if (o[i] < lo[i] || o[i] > hi[i]) return FALSE;
            continue;
        }
        FLOAT t1 = (lo[i] - o[i]) / d[i], t2 = (hi[i] - o[i]) / d[i];
        if (t1 > t2) std::swap(t1, t2);
        tmin = std::max(tmin, t1);
        tmax = std::min(tmax, t2);
        if (tmin > tmax) return FALSE;
    }
    return tmax >= 0.0f;
}
