#include "viewport/Camera.h"

#include <algorithm>
#include <cmath>

namespace kal {

namespace {

constexpr double kPi = 3.14159265358979323846;

// A zero-sized target (a hidden or minimised widget) must not divide by zero.
float sideOf(int pixels) { return float(std::max(pixels, 1)); }

vec3 mapPoint(const mat4& m, vec3 p, float w = 1.0f) {
    const float* a = m.m;
    double x = double(a[0]) * p.x + double(a[1]) * p.y + double(a[2]) * p.z + double(a[3]) * w;
    double y = double(a[4]) * p.x + double(a[5]) * p.y + double(a[6]) * p.z + double(a[7]) * w;
    double z = double(a[8]) * p.x + double(a[9]) * p.y + double(a[10]) * p.z + double(a[11]) * w;
    double q = double(a[12]) * p.x + double(a[13]) * p.y + double(a[14]) * p.z + double(a[15]) * w;
    if (q == 0.0) return {float(x), float(y), float(z)};
    return {float(x / q), float(y / q), float(z / q)};
}

vec3 normalisedOrKept(vec3 v) { return v.lengthSquared() > 1e-20 ? normalize(v) : v; }

} // namespace

mat4 inverseFull(const mat4& src) {
    double a[16], inv[16];
    for (int i = 0; i < 16; ++i) a[i] = src.m[i];
    inv[0] = a[5] * a[10] * a[15] - a[5] * a[11] * a[14] - a[9] * a[6] * a[15] + a[9] * a[7] * a[14] +
             a[13] * a[6] * a[11] - a[13] * a[7] * a[10];
    inv[4] = -a[4] * a[10] * a[15] + a[4] * a[11] * a[14] + a[8] * a[6] * a[15] - a[8] * a[7] * a[14] -
             a[12] * a[6] * a[11] + a[12] * a[7] * a[10];
    inv[8] = a[4] * a[9] * a[15] - a[4] * a[11] * a[13] - a[8] * a[5] * a[15] + a[8] * a[7] * a[13] +
             a[12] * a[5] * a[11] - a[12] * a[7] * a[9];
    inv[12] = -a[4] * a[9] * a[14] + a[4] * a[10] * a[13] + a[8] * a[5] * a[14] - a[8] * a[6] * a[13] -
              a[12] * a[5] * a[10] + a[12] * a[6] * a[9];
    inv[1] = -a[1] * a[10] * a[15] + a[1] * a[11] * a[14] + a[9] * a[2] * a[15] - a[9] * a[3] * a[14] -
             a[13] * a[2] * a[11] + a[13] * a[3] * a[10];
    inv[5] = a[0] * a[10] * a[15] - a[0] * a[11] * a[14] - a[8] * a[2] * a[15] + a[8] * a[3] * a[14] +
             a[12] * a[2] * a[11] - a[12] * a[3] * a[10];
    inv[9] = -a[0] * a[9] * a[15] + a[0] * a[11] * a[13] + a[8] * a[1] * a[15] - a[8] * a[3] * a[13] -
             a[12] * a[1] * a[11] + a[12] * a[3] * a[9];
    inv[13] = a[0] * a[9] * a[14] - a[0] * a[10] * a[13] - a[8] * a[1] * a[14] + a[8] * a[2] * a[13] +
              a[12] * a[1] * a[10] - a[12] * a[2] * a[9];
    inv[2] = a[1] * a[6] * a[15] - a[1] * a[7] * a[14] - a[5] * a[2] * a[15] + a[5] * a[3] * a[14] +
             a[13] * a[2] * a[7] - a[13] * a[3] * a[6];
    inv[6] = -a[0] * a[6] * a[15] + a[0] * a[7] * a[14] + a[4] * a[2] * a[15] - a[4] * a[3] * a[14] -
             a[12] * a[2] * a[7] + a[12] * a[3] * a[6];
    inv[10] = a[0] * a[5] * a[15] - a[0] * a[7] * a[13] - a[4] * a[1] * a[15] + a[4] * a[3] * a[13] +
              a[12] * a[1] * a[7] - a[12] * a[3] * a[5];
    inv[14] = -a[0] * a[5] * a[14] + a[0] * a[6] * a[13] + a[4] * a[1] * a[14] - a[4] * a[2] * a[13] -
              a[12] * a[1] * a[6] + a[12] * a[2] * a[5];
    inv[3] = -a[1] * a[6] * a[11] + a[1] * a[7] * a[10] + a[5] * a[2] * a[11] - a[5] * a[3] * a[10] -
             a[9] * a[2] * a[7] + a[9] * a[3] * a[6];
    inv[7] = a[0] * a[6] * a[11] - a[0] * a[7] * a[10] - a[4] * a[2] * a[11] + a[4] * a[3] * a[10] +
             a[8] * a[2] * a[7] - a[8] * a[3] * a[6];
    inv[11] = -a[0] * a[5] * a[11] + a[0] * a[7] * a[9] + a[4] * a[1] * a[11] - a[4] * a[3] * a[9] -
              a[8] * a[1] * a[7] + a[8] * a[3] * a[5];
    inv[15] = a[0] * a[5] * a[10] - a[0] * a[6] * a[9] - a[4] * a[1] * a[10] + a[4] * a[2] * a[9] + a[8] * a[1] * a[6] -
              a[8] * a[2] * a[5];
    double det = a[0] * inv[0] + a[1] * inv[4] + a[2] * inv[8] + a[3] * inv[12];
    mat4 r;
    if (det == 0.0 || !std::isfinite(det)) return r;
    for (int i = 0; i < 16; ++i) r.m[i] = float(inv[i] / det);
    return r;
}

float computeCameraMatrices(const CameraState& camera, const ProjectionSettings& p, CameraMatrices& out) {
    const float w = sideOf(p.width), h = sideOf(p.height);
    const float hw = w * 0.5f, hh = h * 0.5f;
    const float t = float(std::tan(double(p.fieldOfView) / 360.0 * kPi));
    // A field of view at 0 or 180 degrees has no finite focal length: keep the last sane one.
    const float focal = (t > 0.0f && std::isfinite(hw / t)) ? hw / t : hw / float(std::tan(60.0 / 360.0 * kPi));
    const float m = std::min(w, h);

    mat4 v0 = mat4::uniformScaling(camera.scale);
    v0 *= mat4::fromMat3(camera.rotation);
    v0 *= mat4::translation(camera.translation);
    out.cameraTransform = v0;

    mat4 view = mat4::uniformScaling(m);
    view *= v0;

    mat4 proj;
    for (float& e : proj.m) e = 0.0f;
    mat4 lineProj;
    const float f = p.farDistance;
    if (p.perspective == 0) {
        proj.m[0] = 2.0f / (2.0f * hw);
        proj.m[5] = 2.0f / (2.0f * hh);
        proj.m[10] = 2.0f / (-2.0f * f);
        proj.m[15] = 1.0f;
        lineProj = proj;
        lineProj.m[11] -= 1.5f / f;
    } else {
        const float n = p.nearDistance;
        const float right = hw * n / focal, top = hh * n / focal;
        proj.m[0] = 2.0f * n / (2.0f * right);
        proj.m[5] = 2.0f * n / (2.0f * top);
        proj.m[10] = (n + f) / (n - f);
        proj.m[11] = 2.0f * f * n / (n - f);
        proj.m[14] = -1.0f;
        lineProj = proj;
        lineProj.m[11] -= p.fieldOfView / 5000.0f;
        view *= mat4::translationXYZ(0, 0, -focal);
    }

    out.viewMatrix = view;
    out.projection = proj;
    out.lineProjection = lineProj;
    out.lineProjectionView = view;
    out.lineProjectionView *= lineProj;
    out.cameraRotation = camera.rotation;
    mat3 tr;
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) tr.m[3 * i + j] = camera.rotation.m[3 * j + i];
    out.inverseCameraRotation = tr;
    out.projectionView = view;
    out.projectionView *= proj;
    out.inverseProjectionView = inverseFull(out.projectionView);
    out.inverseView = inverseAffine(view);
    return focal;
}

vec3 ndcToWorld(const CameraMatrices& c, vec3 ndc) { return mapPoint(c.inverseProjectionView, ndc); }

vec3 screenToWorld(const ProjectionSettings& p, const CameraMatrices& c, float x, float y, float depth) {
    vec3 ndc{2.0f * x / sideOf(p.width) - 1.0f, 2.0f * y / sideOf(p.height) - 1.0f, 2.0f * depth - 1.0f};
    return ndcToWorld(c, ndc);
}

vec3 worldToNdc(const CameraMatrices& c, vec3 world) { return mapPoint(c.projectionView, world); }

float nearPlaneOf(const ProjectionSettings& p) { return p.perspective ? p.nearDistance : -p.farDistance; }

vec3 ndcToWindow(const ProjectionSettings& p, vec3 ndc) {
    const float a = nearPlaneOf(p), b = p.farDistance;
    return {(ndc.x + 1.0f) * 0.5f * sideOf(p.width), (ndc.y + 1.0f) * 0.5f * sideOf(p.height),
            a + (b - a) * (ndc.z + 1.0f) * 0.5f};
}

vec3 windowToNdc(const ProjectionSettings& p, vec3 q) {
    const float a = nearPlaneOf(p), b = p.farDistance;
    const float span = (b - a) != 0.0f ? (b - a) : 1.0f;
    return {2.0f * q.x / sideOf(p.width) - 1.0f, 2.0f * q.y / sideOf(p.height) - 1.0f, 2.0f * (q.z - a) / span - 1.0f};
}

vec3 worldToScreen(const ProjectionSettings& p, const CameraMatrices& c, vec3 world) {
    return ndcToWindow(p, worldToNdc(c, world));
}

vec3 windowToWorld(const ProjectionSettings& p, const CameraMatrices& c, vec3 window) {
    return ndcToWorld(c, windowToNdc(p, window));
}

vec3 projectToScreen(const ProjectionSettings& p, const CameraMatrices& c, vec3 world) {
    vec3 ndc = worldToNdc(c, world);
    vec3 s = ndcToWindow(p, ndc);
    s.z = ndc.z * p.farDistance;
    return s;
}

vec3 worldToViewDirection(const CameraMatrices& c, vec3 v) { return normalisedOrKept(v * c.cameraRotation); }
vec3 viewToWorldDirection(const CameraMatrices& c, vec3 v) { return normalisedOrKept(v * c.inverseCameraRotation); }

float viewZToDepth(const CameraMatrices& c, float z) {
    const float* P = c.projection.m;
    const float den = P[14] * z + P[15];
    if (den == 0.0f) return 0.0f;
    return ((P[10] * z + P[11]) / den + 1.0f) * 0.5f;
}

float depthToViewZ(const CameraMatrices& c, float depth) {
    const mat4 Q = inverseFull(c.projection);
    const float u = 2.0f * depth - 1.0f;
    const float den = Q.m[14] * u + Q.m[15];
    if (den == 0.0f) return 0.0f;
    return (Q.m[10] * u + Q.m[11]) / den;
}

void rotateCamera(CameraState& camera, float a, float b, float c) {
    camera.rotation = mat3::rotationEuler(a, b, c) * camera.rotation;
}

void zoomCamera(CameraState& camera, float d) {
    const float f = 1.0f + d;
    camera.scale = std::max(camera.scale * f, kMinCameraScale);
    camera.translation = camera.translation * f;
}

void zoomCameraAbout(CameraState& camera, float px, float py, float d) {
    const float f = 1.0f + d;
    camera.scale = std::max(camera.scale * f, kMinCameraScale);
    vec3& t = camera.translation;
    t.x = (t.x - px) * f + px;
    t.y = (t.y - py) * f + py;
    t.z *= f;
}

void resetCamera(CameraState& camera, bool position, bool rotation) {
    if (position) {
        camera.translation = {0, 0, 0};
        camera.scale = 1.0f;
    }
    if (rotation) camera.rotation = mat3();
}

void turnCamera(CameraState& camera) {
    // new = old · R: the turn is applied in the camera's own frame.
    camera.rotation = camera.rotation * mat3::rotationAxisAngle(0.0f, 1.0f, 0.0f, 0.004363323f);
}

} // namespace kal
