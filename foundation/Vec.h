#pragma once
// Plain float and double vectors. Squared lengths are summed in double and compared
// against kNullLengthSquared: anything not above it counts as having no length.
#include <cmath>

namespace kal {

constexpr double kNullLengthSquared = 1e-20;

struct vec2 {
    float x = 0, y = 0;
    constexpr vec2() = default;
    constexpr vec2(float x_, float y_) : x(x_), y(y_) {}
    float length() const { return float(std::sqrt(double(x) * x + double(y) * y)); }
    float& operator[](int i) { return (&x)[i]; }
    float operator[](int i) const { return (&x)[i]; }
};

struct vec3 {
    float x = 0, y = 0, z = 0;
    constexpr vec3() = default;
    constexpr vec3(float x_, float y_, float z_) : x(x_), y(y_), z(z_) {}
    static float length(vec3 v) { return v.length(); }
    float length() const { return float(std::sqrt(double(x) * x + double(y) * y + double(z) * z)); }
    double lengthSquared() const { return double(x) * x + double(y) * y + double(z) * z; }
    float& operator[](int i) { return (&x)[i]; }
    float operator[](int i) const { return (&x)[i]; }
};

struct vec4 {
    float x = 0, y = 0, z = 0, w = 0;
    constexpr vec4() = default;
    constexpr vec4(float x_, float y_, float z_, float w_) : x(x_), y(y_), z(z_), w(w_) {}
    constexpr vec4(vec3 v, float w_) : x(v.x), y(v.y), z(v.z), w(w_) {}
    vec3 xyz() const { return {x, y, z}; }
    float& operator[](int i) { return (&x)[i]; }
    float operator[](int i) const { return (&x)[i]; }
};

struct dvec2 {
    double x = 0, y = 0;
    constexpr dvec2() = default;
    constexpr dvec2(double x_, double y_) : x(x_), y(y_) {}
    double length() const { return std::sqrt(x * x + y * y); }
};

struct dvec3 {
    double x = 0, y = 0, z = 0;
    constexpr dvec3() = default;
    constexpr dvec3(double x_, double y_, double z_) : x(x_), y(y_), z(z_) {}
    explicit constexpr dvec3(vec3 v) : x(v.x), y(v.y), z(v.z) {}
    double length() const { return std::sqrt(x * x + y * y + z * z); }
    vec3 toFloat() const { return {float(x), float(y), float(z)}; }
};

// vec2
inline vec2 operator+(vec2 a, vec2 b) { return {a.x + b.x, a.y + b.y}; }
inline vec2 operator-(vec2 a, vec2 b) { return {a.x - b.x, a.y - b.y}; }
inline vec2 operator-(vec2 a) { return {-a.x, -a.y}; }
inline vec2 operator*(vec2 a, float s) { return {a.x * s, a.y * s}; }
inline vec2 operator*(float s, vec2 a) { return {a.x * s, a.y * s}; }
inline vec2 operator/(vec2 a, float s) { return {a.x / s, a.y / s}; }
inline vec2& operator+=(vec2& a, vec2 b) {
    a.x += b.x;
    a.y += b.y;
    return a;
}
inline vec2& operator-=(vec2& a, vec2 b) {
    a.x -= b.x;
    a.y -= b.y;
    return a;
}
inline vec2& operator*=(vec2& a, float s) {
    a.x *= s;
    a.y *= s;
    return a;
}
inline bool operator==(vec2 a, vec2 b) { return a.x == b.x && a.y == b.y; }
inline bool operator!=(vec2 a, vec2 b) { return !(a == b); }
inline float dot(vec2 a, vec2 b) { return a.x * b.x + a.y * b.y; }
inline float cross(vec2 a, vec2 b) { return a.x * b.y - a.y * b.x; }
inline float length(vec2 v) { return v.length(); }
inline vec2 normalize(vec2 v) {
    double l2 = double(v.x) * v.x + double(v.y) * v.y;
    if (!(l2 > kNullLengthSquared)) return v;
    float l = float(std::sqrt(l2));
    return {v.x / l, v.y / l};
}

// vec3
inline vec3 operator+(vec3 a, vec3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
inline vec3 operator-(vec3 a, vec3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
inline vec3 operator-(vec3 a) { return {-a.x, -a.y, -a.z}; }
inline vec3 operator*(vec3 a, float s) { return {a.x * s, a.y * s, a.z * s}; }
inline vec3 operator*(float s, vec3 a) { return {a.x * s, a.y * s, a.z * s}; }
inline vec3 operator*(vec3 a, vec3 b) { return {a.x * b.x, a.y * b.y, a.z * b.z}; }
inline vec3 operator/(vec3 a, float s) { return {a.x / s, a.y / s, a.z / s}; }
inline vec3& operator+=(vec3& a, vec3 b) {
    a.x += b.x;
    a.y += b.y;
    a.z += b.z;
    return a;
}
inline vec3& operator-=(vec3& a, vec3 b) {
    a.x -= b.x;
    a.y -= b.y;
    a.z -= b.z;
    return a;
}
inline vec3& operator*=(vec3& a, float s) {
    a.x *= s;
    a.y *= s;
    a.z *= s;
    return a;
}
inline vec3& operator/=(vec3& a, float s) {
    a.x /= s;
    a.y /= s;
    a.z /= s;
    return a;
}
inline bool operator==(vec3 a, vec3 b) { return a.x == b.x && a.y == b.y && a.z == b.z; }
inline bool operator!=(vec3 a, vec3 b) { return !(a == b); }
inline float dot(vec3 a, vec3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
inline vec3 cross(vec3 a, vec3 b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
inline float length(vec3 v) { return v.length(); }
inline double lengthSquared(vec3 v) { return v.lengthSquared(); }
inline vec3 normalize(vec3 v) {
    double l2 = v.lengthSquared();
    if (!(l2 > kNullLengthSquared)) return v;
    float l = float(std::sqrt(l2));
    return {v.x / l, v.y / l, v.z / l};
}
inline bool isFinite(vec3 v) { return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z); }

// vec4
inline vec4 operator+(vec4 a, vec4 b) { return {a.x + b.x, a.y + b.y, a.z + b.z, a.w + b.w}; }
inline vec4 operator-(vec4 a, vec4 b) { return {a.x - b.x, a.y - b.y, a.z - b.z, a.w - b.w}; }
inline vec4 operator*(vec4 a, float s) { return {a.x * s, a.y * s, a.z * s, a.w * s}; }
inline bool operator==(vec4 a, vec4 b) { return a.x == b.x && a.y == b.y && a.z == b.z && a.w == b.w; }
inline float dot(vec4 a, vec4 b) { return a.x * b.x + a.y * b.y + a.z * b.z + a.w * b.w; }

// dvec2 / dvec3
inline dvec2 operator+(dvec2 a, dvec2 b) { return {a.x + b.x, a.y + b.y}; }
inline dvec2 operator-(dvec2 a, dvec2 b) { return {a.x - b.x, a.y - b.y}; }
inline dvec2 operator*(dvec2 a, double s) { return {a.x * s, a.y * s}; }
inline dvec3 operator+(dvec3 a, dvec3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
inline dvec3 operator-(dvec3 a, dvec3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
inline dvec3 operator-(dvec3 a) { return {-a.x, -a.y, -a.z}; }
inline dvec3 operator*(dvec3 a, double s) { return {a.x * s, a.y * s, a.z * s}; }
inline dvec3 operator/(dvec3 a, double s) { return {a.x / s, a.y / s, a.z / s}; }
inline double dot(dvec2 a, dvec2 b) { return a.x * b.x + a.y * b.y; }
inline double dot(dvec3 a, dvec3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
inline dvec3 cross(dvec3 a, dvec3 b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
inline dvec3 normalize(dvec3 v) {
    double l2 = v.x * v.x + v.y * v.y + v.z * v.z;
    if (!(l2 > kNullLengthSquared)) return v;
    double l = std::sqrt(l2);
    return {v.x / l, v.y / l, v.z / l};
}

} // namespace kal
