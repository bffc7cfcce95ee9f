#pragma once
// Row-major matrices: m[4r+c] is row r, column c; the translation sits in m[3], m[7], m[11].
// A *= B makes B·A, so A is applied first, then B.
#include "Vec.h"

namespace kal {

struct mat4;

struct mat3 {
    float m[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
    float& operator[](int i) { return m[i]; }
    float operator[](int i) const { return m[i]; }
    mat3& operator*=(const mat3& rhs) {
        // both operands are copied first so that A *= A reads only old values
        float a[9], b[9];
        for (int i = 0; i < 9; ++i) {
            a[i] = m[i];
            b[i] = rhs.m[i];
        }
        for (int i = 0; i < 3; ++i)
            for (int j = 0; j < 3; ++j)
                m[3 * i + j] =
                    float(double(b[3 * i]) * a[j] + double(b[3 * i + 1]) * a[3 + j] + double(b[3 * i + 2]) * a[6 + j]);
        return *this;
    }
    vec3 column(int c) const { return {m[c], m[3 + c], m[6 + c]}; }
    void setColumn(int c, vec3 v) {
        m[c] = v.x;
        m[3 + c] = v.y;
        m[6 + c] = v.z;
    }

    // Builders (MatrixBuilders.cpp unless trivial). Angles are in radians.
    static mat3 scaling(float sx, float sy, float sz) { return mat3{{sx, 0, 0, 0, sy, 0, 0, 0, sz}}; }
    static mat3 reflection(vec3 n);
    static mat3 rotationEuler(float a, float b, float c);
    static mat3 rotationAxisAngle(vec3 axis, float angle);
    static mat3 rotationAxisAngle(float x, float y, float z, float angle) {
        return rotationAxisAngle(vec3(x, y, z), angle);
    }
    static mat3 rotationBetween(const vec3& a, const vec3& b);
    static mat3 stretch(vec3 n, float k);
    static mat3 mapVectorOnto(const vec3& a, const vec3& b);
    static mat3 rotatedBy(const mat3& a, const mat4& b);
    static void rotatedBy(mat3& out, const mat3& a, const mat4& b) { out = rotatedBy(a, b); }
    static mat3 frameFromDirection(vec3 d);
    static mat3 frameFromDirectionAndUp(vec3 up, vec3 d);
    static mat3 frameFromDirectionAndSide(vec3 side, vec3 d);
    static float angleAbout(mat3 a, vec3 axis);
    static mat3 constrainedRotation(mat3 a, vec3 axis);
};

struct dmat3 {
    double m[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
    double& operator[](int i) { return m[i]; }
    double operator[](int i) const { return m[i]; }
};

struct mat4 {
    float m[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    float& operator[](int i) { return m[i]; }
    float operator[](int i) const { return m[i]; }
    mat4& operator*=(const mat4& rhs) {
        float a[16], b[16];
        for (int i = 0; i < 16; ++i) {
            a[i] = m[i];
            b[i] = rhs.m[i];
        }
        for (int i = 0; i < 4; ++i)
            for (int j = 0; j < 4; ++j)
                m[4 * i + j] = float(double(b[4 * i]) * a[j] + double(b[4 * i + 1]) * a[4 + j] +
                                     double(b[4 * i + 2]) * a[8 + j] + double(b[4 * i + 3]) * a[12 + j]);
        return *this;
    }
    mat4& operator-=(const mat4& b) {
        for (int i = 0; i < 16; ++i) m[i] -= b.m[i];
        return *this;
    }
    vec3 column(int c) const { return {m[c], m[4 + c], m[8 + c]}; }
    void setColumn(int c, vec3 v) {
        m[c] = v.x;
        m[4 + c] = v.y;
        m[8 + c] = v.z;
    }
    vec3 translation() const { return {m[3], m[7], m[11]}; }
    void setTranslation(vec3 t) {
        m[3] = t.x;
        m[7] = t.y;
        m[11] = t.z;
    }
    mat3 upper3() const { return mat3{{m[0], m[1], m[2], m[4], m[5], m[6], m[8], m[9], m[10]}}; }

    // Builders (MatrixBuilders.cpp unless trivial).
    static mat4 fromMat3(const mat3& a) {
        const float* r = a.m;
        return mat4{{r[0], r[1], r[2], 0, r[3], r[4], r[5], 0, r[6], r[7], r[8], 0, 0, 0, 0, 1}};
    }
    static mat4 translation(const vec3& t) { return translationXYZ(t.x, t.y, t.z); }
    static mat4 translationXYZ(float x, float y, float z) {
        return mat4{{1, 0, 0, x, 0, 1, 0, y, 0, 0, 1, z, 0, 0, 0, 1}};
    }
    static mat4 uniformScaling(float s) { return scaling(s, s, s); }
    static mat4 scaling(float sx, float sy, float sz) {
        return mat4{{sx, 0, 0, 0, 0, sy, 0, 0, 0, 0, sz, 0, 0, 0, 0, 1}};
    }
    static mat4 rotationEuler(float a, float b, float c) { return fromMat3(mat3::rotationEuler(a, b, c)); }
    static mat4 rotationBetween(const vec3& a, const vec3& b) { return fromMat3(mat3::rotationBetween(a, b)); }
    static mat4 mapVectorOnto(const vec3& a, const vec3& b) { return fromMat3(mat3::mapVectorOnto(a, b)); }
    static mat4 reflection(const vec3& n) { return fromMat3(mat3::reflection(n)); }
    // Keeps pivot fixed and carries the point `from` exactly onto `to`.
    static mat4 mapPointAbout(const vec3& pivot, const vec3& from, const vec3& to);
    static mat4 frameFromPoints(const vec3& p0, const vec3& p1, const vec3& p2) { return mapPointAbout(p0, p1, p2); }
    static mat4 planeReflection(const vec3& n, const vec3& p);
    static mat4 constrainToAxis(const mat4& M, vec3 axis);
    static mat4 constrainRotationToAxis(const mat4& M, vec3 axis);
};

inline bool operator==(const mat4& a, const mat4& b) {
    for (int i = 0; i < 16; ++i)
        if (a.m[i] != b.m[i]) return false;
    return true;
}
inline bool operator!=(const mat4& a, const mat4& b) { return !(a == b); }
inline bool operator==(const mat3& a, const mat3& b) {
    for (int i = 0; i < 9; ++i)
        if (a.m[i] != b.m[i]) return false;
    return true;
}
inline bool operator!=(const mat3& a, const mat3& b) { return !(a == b); }

// A·B in ordinary notation: B is applied first.
inline mat4 operator*(const mat4& a, const mat4& b) {
    mat4 r = b;
    r *= a;
    return r;
}
inline mat3 operator*(const mat3& a, const mat3& b) {
    mat3 r = b;
    r *= a;
    return r;
}

inline vec3 operator*(vec3 v, const mat3& M) {
    const float* m = M.m;
    return {m[0] * v.x + m[1] * v.y + m[2] * v.z, m[3] * v.x + m[4] * v.y + m[5] * v.z,
            m[6] * v.x + m[7] * v.y + m[8] * v.z};
}

// The point M·p with the perspective divide; callers pass w != 0.
inline vec3 operator*(vec3 p, const mat4& M) {
    const float* m = M.m;
    float w = m[12] * p.x + m[13] * p.y + m[14] * p.z + m[15];
    float x = m[0] * p.x + m[1] * p.y + m[2] * p.z + m[3];
    float y = m[4] * p.x + m[5] * p.y + m[6] * p.z + m[7];
    float z = m[8] * p.x + m[9] * p.y + m[10] * p.z + m[11];
    return {x / w, y / w, z / w};
}

inline vec3 transformDirection(vec3 v, const mat4& M) {
    const float* m = M.m;
    return {m[0] * v.x + m[1] * v.y + m[2] * v.z, m[4] * v.x + m[5] * v.y + m[6] * v.z,
            m[8] * v.x + m[9] * v.y + m[10] * v.z};
}

// The transposed product: component i = m[i]x + m[4+i]y + m[8+i]z + m[12+i]w.
inline vec4 operator*(const mat4& M, vec4 v) {
    const float* m = M.m;
    return {m[0] * v.x + m[4] * v.y + m[8] * v.z + m[12] * v.w, m[1] * v.x + m[5] * v.y + m[9] * v.z + m[13] * v.w,
            m[2] * v.x + m[6] * v.y + m[10] * v.z + m[14] * v.w, m[3] * v.x + m[7] * v.y + m[11] * v.z + m[15] * v.w};
}

inline float det(const mat3& A) {
    const float* a = A.m;
    return a[0] * (a[4] * a[8] - a[5] * a[7]) + a[1] * (a[5] * a[6] - a[3] * a[8]) + a[2] * (a[3] * a[7] - a[4] * a[6]);
}
inline double det(const dmat3& A) {
    const double* a = A.m;
    return a[0] * (a[4] * a[8] - a[5] * a[7]) + a[1] * (a[5] * a[6] - a[3] * a[8]) + a[2] * (a[3] * a[7] - a[4] * a[6]);
}

// adj(A)/det(A); no determinant test: a singular input gives non-finite elements.
inline mat3 inverse(const mat3& A) {
    float d = det(A);
    mat3 r;
    for (int i = 0; i < 3; ++i) {
        const float* P = A.m + 3 * ((i + 1) % 3);
        const float* Q = A.m + 3 * ((i + 2) % 3);
        for (int j = 1; j <= 3; ++j) r.m[3 * (j - 1) + i] = (P[j % 3] * Q[(j + 1) % 3] - P[(j + 1) % 3] * Q[j % 3]) / d;
    }
    return r;
}
inline dmat3 inverse(const dmat3& A) {
    double d = det(A);
    dmat3 r;
    for (int i = 0; i < 3; ++i) {
        const double* P = A.m + 3 * ((i + 1) % 3);
        const double* Q = A.m + 3 * ((i + 2) % 3);
        for (int j = 1; j <= 3; ++j) r.m[3 * (j - 1) + i] = (P[j % 3] * Q[(j + 1) % 3] - P[(j + 1) % 3] * Q[j % 3]) / d;
    }
    return r;
}

inline mat4 inverseAffine(const mat4& M) {
    mat3 R = inverse(M.upper3());
    vec3 t = M.translation();
    vec3 it = -(t * R);
    mat4 r;
    r.m[0] = R.m[0];
    r.m[1] = R.m[1];
    r.m[2] = R.m[2];
    r.m[3] = it.x;
    r.m[4] = R.m[3];
    r.m[5] = R.m[4];
    r.m[6] = R.m[5];
    r.m[7] = it.y;
    r.m[8] = R.m[6];
    r.m[9] = R.m[7];
    r.m[10] = R.m[8];
    r.m[11] = it.z;
    r.m[12] = 0;
    r.m[13] = 0;
    r.m[14] = 0;
    r.m[15] = 1;
    return r;
}

} // namespace kal
