#include "scene/Gesture.h"

#include <cmath>

namespace kal {

Gesture::~Gesture() = default;

void Gesture::begin() {
    reset();
    state = GestureBegun;
}
void Gesture::run() { state = GestureRunning; }
void Gesture::finish() { state = GestureFinished; }
bool Gesture::isStarted() const { return state == GestureBegun; }
bool Gesture::isRunning() const { return state == GestureRunning; }
bool Gesture::isFinished() const { return state == GestureFinished; }

namespace {

// Row r of the upper 3x3 applied to v, summed in double.
double row3(const mat4& M, int r, const vec3& v) {
    const float* m = M.m + 4 * r;
    return double(m[0]) * v.x + double(m[1]) * v.y + double(m[2]) * v.z;
}

vec3 direction(const mat4& M, const vec3& v) {
    return {float(row3(M, 0, v)), float(row3(M, 1, v)), float(row3(M, 2, v))};
}

double lengthOf(const vec3& v) {
    const double l2 = double(v.x) * v.x + double(v.y) * v.y + double(v.z) * v.z;
    return std::sqrt(l2);
}

} // namespace

StrokeSample::StrokeSample(const PickRecord& pick) {
    mat4 M = pick.worldToFrame;
    M *= pick.frameToTarget;

    pointKind = pick.pointKind;
    cursorX = float(pick.cursorX);
    cursorY = float(pick.cursorY);
    reserved = 0;

    const vec3& p = pick.point;
    const double w = row3(M, 3, p) + M.m[15];
    // a degenerate placement (w = 0) would make every coordinate infinite: keep the point as picked
    if (w != 0.0 && std::isfinite(w))
        point = vec3(float((row3(M, 0, p) + M.m[3]) / w), float((row3(M, 1, p) + M.m[7]) / w),
                     float((row3(M, 2, p) + M.m[11]) / w));
    else
        point = p;

    normal = direction(M, pick.normal);
    if (normal.lengthSquared() > kNullLengthSquared) {
        const double l = lengthOf(normal);
        normal = vec3(float(normal.x / l), float(normal.y / l), float(normal.z / l));
    }

    // the pick's pixel vector is one screen pixel in world units; the brush radius is in pixels
    radius = float(lengthOf(direction(M, pick.pixelVector)) * double(pick.radius) * double(pick.scale));

    material = pick.material;
    objectId = int32_t(pick.objectId);
    itemId = int32_t(pick.itemId);
    factor = pick.factor;
}

Sculptor::Sculptor(Brush action_, int32_t selectionMode_, int32_t option_)
    : action(action_), selectionMode(selectionMode_), option(option_) {}

void Sculptor::reset() {
    state = GestureIdle;
    samples.clear();
}

void AStroke::reset() {
    state = GestureIdle;
    picks.clear();
}

void Assemblor::reset() { state = GestureIdle; }

void Assemblor::addStroke(const PickRecord& pick) {
    AStroke stroke;
    stroke.state = GestureBegun;
    stroke.picks.push_back(pick);
    strokes.push_back(std::move(stroke));
    ++strokeCount;
}

void Assemblor::clear() {
    state = GestureIdle;
    strokeCount = 0;
    strokes.clear();
    picks.clear();
}

} // namespace kal
