// The clay's brush dispatch: which pass runs with which values, read back against the CPU
// formulas, for built gesture lists as the view hands them over.
#include <gtest/gtest.h>

#include <memory>

#include "ClayFixtures.h"

namespace {

using namespace kal;
using namespace kal::test;

// Owns the gestures of one call, as the view's list does.
struct Strokes {
    std::vector<Gesture*> list;
    ~Strokes() {
        for (Gesture* g : list) delete g;
    }
    Strokes& add(Sculptor* s) {
        list.push_back(s);
        return *this;
    }
};

class ClaySculpt : public IcosahedronClay {
protected:
    void SetUp() override {
        IcosahedronClay::SetUp();
        top = clay->source->vertices[4].position; // (0, 1.7013, 1.05146), a vertex of the ico
    }
    vec3 top;
};

TEST_F(ClaySculpt, symmetricDeformsRunOnePassWithTheLastGesturesRadius) {
    const vec3 mirrored(-top.x, top.y, -top.z);
    Strokes s;
    s.add(stroke(Brush::Deform, {top, top + vec3(0.1f, 0.2f, 0)}, 0.8f, GestureRunning));
    s.add(stroke(Brush::Deform, {mirrored, mirrored + vec3(-0.1f, 0.2f, 0)}, 1.6f, GestureRunning));
    const uint8_t start = clay->current;
    clay->applyGestures(s.list);
    EXPECT_NE(clay->current, start); // one pass, not one per gesture
    const std::vector<vec3> c = {top, mirrored};
    const std::vector<vec3> d = {vec3(0.1f, 0.2f, 0), vec3(-0.1f, 0.2f, 0)};
    expectCorners([&](vec3 p) { return deformReference(p, c, d, 1.6f); }, "two deforms");
}

TEST_F(ClaySculpt, pinchAndGrowClampTheirStepToThreeTenthsOfTheRadius) {
    Strokes pinch;
    pinch.add(stroke(Brush::Pinch, {top, top + vec3(0.75f, 0, 0)}, 1.5f, GestureRunning));
    clay->applyGestures(pinch.list);
    expectCorners([&](vec3 p) { return pinchReference(p, {top}, 0.06, 1.5f); }, "pinch");

    Strokes grow;
    grow.add(stroke(Brush::Grow, {top, top + vec3(0.75f, 0, 0)}, 1.5f, GestureRunning));
    clay->applyGestures(grow.list);
    expectCorners([&](vec3 p) { return pinchReference(p, {top}, -0.06, 1.5f); }, "grow");
}

TEST_F(ClaySculpt, flattenIntensityGrowsWithTheStepUpToFour) {
    const float R = 1.5f;
    const vec3 n(0, 0, 1);
    for (auto [step, intensity] : {std::pair<float, double>{0.75f, 2.0}, {3.0f, 4.0}}) {
        Strokes s;
        s.add(stroke(Brush::Flatten, {top, top + vec3(step, 0, 0)}, R, GestureRunning));
        clay->applyGestures(s.list);
        const vec3 centre = top - n * (0.02f * R);
        expectCorners([&](vec3 p) { return flattenReference(p, {centre}, {n}, intensity, R); }, "flatten");
    }
}

TEST_F(ClaySculpt, onThePressOnlyInflateMoves) {
    for (Brush brush : {Brush::Deform, Brush::DeformVolume, Brush::Grow, Brush::Pinch, Brush::Twist, Brush::Flatten}) {
        Strokes s;
        s.add(stroke(brush, {top}, 0.7f, GestureBegun));
        clay->applyGestures(s.list);
        EXPECT_EQ(gpuCorners(*clay), before) << brushName(brush);
    }
    Strokes inflate;
    inflate.add(stroke(Brush::Inflate, {top}, 0.6f, GestureBegun));
    clay->applyGestures(inflate.list);
    // the vertex under the centre rises by R / 30 along the sample normal
    const std::vector<vec3> got = gpuCorners(*clay);
    for (size_t i = 0; i < got.size(); ++i) {
        if (before[i] != top) continue;
        EXPECT_NEAR(got[i].z, top.z + 0.02f, 1e-6f);
        EXPECT_EQ(got[i].x, top.x);
    }
    Strokes deflate;
    before = got;
    deflate.add(stroke(Brush::Deflate, {top}, 0.6f, GestureBegun));
    clay->applyGestures(deflate.list);
    expectCorners([&](vec3 p) { return deformReference(p, {top}, {vec3(0, 0, -0.02f)}, 0.6f); }, "deflate");
}

TEST_F(ClaySculpt, twistTurnsByTheAngleSweptAcrossAnObliqueAxis) {
    // the axis lies along no coordinate; the two offsets across it are 60 degrees apart
    const vec3 a = normalize(vec3(1, 1, 0));
    const vec3 e1 = normalize(vec3(1, -1, 0)), e2(0, 0, -1); // e1 x e2 = a
    const float R = 1.5f;
    const vec3 F = top, P = F + e1 * 2.0f;
    const vec3 L = F + (e1 * 0.5f + e2 * 0.8660254f) * 2.0f + a * 0.3f; // the part along a is ignored
    Sculptor* g = stroke(Brush::Twist, {F, P, L}, R, GestureRunning);
    g->viewDirection = a;
    Strokes s;
    s.add(g);
    clay->applyGestures(s.list);
    // the sine side of the angle is taken from the unnormalised offsets (2 x 2 here), the cosine
    // side from the unit ones
    const double angle = std::atan2(4 * std::sin(3.14159265358979 / 3), std::cos(3.14159265358979 / 3));
    expectCorners([&](vec3 p) { return twistReference(p, {F}, {a}, angle, R); }, "twist");
}

TEST_F(ClaySculpt, subPlaneAndSubdivideActAtTheReleaseOnly) {
    const vec3 axis(0, 1, 0);
    auto subPlane = [&](int32_t state) {
        Sculptor* g = stroke(Brush::SubPlane, {vec3(0, 0, 0), vec3(1, 0, 0)}, 1.0f, state);
        g->viewDirection = axis;
        return g;
    };
    Strokes running;
    running.add(subPlane(GestureRunning));
    clay->applyGestures(running.list);
    EXPECT_EQ(gpuCorners(*clay), before);

    Strokes released;
    released.add(subPlane(GestureFinished));
    clay->applyGestures(released.list);
    // normal along cross((0,1,0), F - L) = +z: everything above z = 0 comes down onto it
    expectCorners([&](vec3 p) { return subPlaneReference(p, {vec3(0, 0, 0)}, {vec3(0, 0, 1)}); }, "subPlane");

    const int triangles = clay->source->triangleCount();
    Strokes drag;
    for (int i = 0; i < 3; ++i) drag.add(stroke(Brush::Subdivide, {top, top}, 1.0f, GestureRunning));
    clay->applyGestures(drag.list);
    EXPECT_EQ(clay->source->triangleCount(), triangles);
    Strokes release;
    for (int i = 0; i < 3; ++i) release.add(stroke(Brush::Subdivide, {top, top}, 1.0f, GestureFinished));
    clay->applyGestures(release.list);
    EXPECT_EQ(clay->source->triangleCount(), 4 * triangles);
    EXPECT_EQ(clay->vertexCount, 12 * triangles);
}

TEST_F(ClaySculpt, unusableListsRunNoPass) {
    const uint8_t start = clay->current;
    clay->applyGestures({});
    Strokes empty;
    empty.add(stroke(Brush::Deform, {}, 1.0f, GestureRunning));
    clay->applyGestures(empty.list);
    for (float bad : {std::nanf(""), INFINITY}) {
        Strokes s;
        s.add(stroke(Brush::Deform, {top}, 1.0f, GestureRunning));
        s.add(stroke(Brush::Deform, {top, vec3(bad, 0, 0)}, 1.0f, GestureRunning));
        clay->applyGestures(s.list);
        Strokes r;
        r.add(stroke(Brush::Inflate, {top}, bad, GestureRunning));
        clay->applyGestures(r.list);
    }
    EXPECT_EQ(clay->current, start);
    EXPECT_EQ(gpuCorners(*clay), before);
}

TEST_F(ClaySculpt, twentyFiveGesturesAreAllApplied) {
    Strokes s;
    std::vector<vec3> centres, moves;
    for (int v = 0; v < 25; ++v) {
        const vec3 p = clay->source->vertices[v].position;
        s.add(stroke(Brush::Deform, {p, p + vec3(0.01f * float(v + 1), 0, 0)}, 0.05f, GestureRunning));
        centres.push_back(p);
        moves.push_back(vec3(0.01f * float(v + 1), 0, 0));
    }
    clay->applyGestures(s.list);
    expectCorners([&](vec3 p) { return deformReference(p, centres, moves, 0.05f); }, "25 gestures");
}

} // namespace
