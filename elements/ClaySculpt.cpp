// Clay brush dispatch: every call turns the newest samples of each symmetric gesture into one
// brush instance and moves the clay by what happened since the previous sample, all instances
// in one pass; Subdivide and SubPlane act once the stroke is released.
#include <QOpenGLFunctions_4_0_Core>

#include <algorithm>
#include <cmath>

#include "elements/Clay.h"
#include "gpu/GLFunctions.h"
#include "scene/Gesture.h"

namespace kal {

namespace {

bool finiteSample(const StrokeSample& s) { return isFinite(s.point) && isFinite(s.normal) && std::isfinite(s.radius); }

// The removal of a's part from u; a is the unit twist axis.
vec3 acrossAxis(vec3 u, vec3 a) { return u - a * dot(a, u); }

// The twist of the last step, scaled down while the stroke is shorter than the brush radius.
void twistAngle(vec3 first, vec3 prev, vec3 last, vec3 a, float firstRadius, float& cosA, float& sinA) {
    const vec3 u = acrossAxis(prev - first, a);
    const vec3 v = acrossAxis(last - first, a);
    if (u == vec3(0, 0, 0) || v == vec3(0, 0, 0)) return;
    const double s = double(length(v)) / double(firstRadius);
    const vec3 uHat = normalize(u), vHat = normalize(v);
    double angle = std::atan2(double(dot(cross(u, v), a)), double(dot(uHat, vHat)));
    angle *= s < 0 ? 0.0 : std::min(s, 1.0);
    cosA = float(std::cos(angle));
    sinA = float(std::sin(angle));
}

} // namespace

void Clay::applyGestures(const std::vector<Gesture*>& gestures) {
    // every gesture must carry usable samples: a NaN reaching a pass would be saved for good
    std::vector<const Sculptor*> strokes;
    strokes.reserve(gestures.size());
    for (const Gesture* g : gestures) {
        const Sculptor* s = dynamic_cast<const Sculptor*>(g);
        if (!s || s->samples.empty()) return;
        for (const StrokeSample& sample : s->samples)
            if (!finiteSample(sample)) return;
        strokes.push_back(s);
    }
    if (strokes.empty() || !glReady()) return;

    const size_t n = strokes.size();
    std::vector<vec3> centres(n), seconds(n);
    std::vector<mat3> frames(n);
    float radius = 1.0f, x = 1.0f, cosA = 1.0f, sinA = 0.0f, weight = 0.0f;

    for (size_t i = 0; i < n; ++i) {
        const Sculptor& g = *strokes[i];
        const std::vector<StrokeSample>& samples = g.samples;
        const StrokeSample& first = samples.front();
        const StrokeSample& last = samples.back();
        const StrokeSample& prev = samples.size() >= 2 ? samples[samples.size() - 2] : last;
        const vec3 P = prev.point, L = last.point, F = first.point, N = prev.normal;
        const float R = prev.radius;
        const bool leading = i == 0;
        bool stop = false;
        const Brush brush = g.action;
        switch (brush) {
        case Brush::Deform:
            centres[i] = P;
            seconds[i] = L - P;
            radius = R;
            break;
        case Brush::Inflate:
        case Brush::Deflate:
            centres[i] = P;
            seconds[i] = N * (brush == Brush::Inflate ? R / 30.0f : -R / 30.0f);
            radius = R;
            break;
        case Brush::Grow:
        case Brush::Pinch:
            centres[i] = P;
            if (leading) {
                radius = R;
                x = (brush == Brush::Grow ? -length(L - P) : length(L - P)) / R;
            }
            break;
        case Brush::Flatten:
            centres[i] = P - N * (0.02f * R);
            seconds[i] = N;
            if (leading) {
                radius = R;
                x = length(L - P) / R;
            }
            break;
        case Brush::DeformVolume:
            centres[i] = P;
            frames[i] = mat3::frameFromDirection(L - P);
            if (leading) {
                radius = first.radius;
                weight = length(L - P);
            }
            break;
        case Brush::Twist:
            centres[i] = F;
            seconds[i] = g.viewDirection;
            if (leading) {
                radius = first.radius;
                twistAngle(F, P, L, g.viewDirection, first.radius, cosA, sinA);
            }
            break;
        case Brush::SubPlane:
            if (g.isFinished()) {
                centres[i] = F;
                seconds[i] = normalize(cross(g.viewDirection, F - L));
            }
            break;
        case Brush::Subdivide:
            // one subdivision for the whole symmetric stroke
            if (g.isFinished()) subdivide(true);
            stop = true;
            break;
        default: break;
        }
        if (stop) break;
    }

    gl->glFlush();
    gl->glEnable(GL_RASTERIZER_DISCARD);
    switch (strokes[0]->action) {
    case Brush::Deform:
    case Brush::Inflate:
    case Brush::Deflate: deform(centres, seconds, radius); break;
    case Brush::DeformVolume: deformVolume(centres, frames, weight, radius); break;
    case Brush::Grow:
    case Brush::Pinch: pinch(centres, float(std::clamp(double(x), -0.3, 0.3)), radius); break;
    case Brush::Twist: twist(centres, seconds, cosA, sinA, radius); break;
    case Brush::Flatten: {
        const float intensity = x < 0 ? 0.0f : x <= 1 ? 4.0f * x : 4.0f;
        flatten(centres, seconds, intensity, radius);
        break;
    }
    case Brush::SubPlane: subPlane(centres, seconds); break;
    default: break;
    }
    gl->glDisable(GL_RASTERIZER_DISCARD);
    bound = false;
}

} // namespace kal
