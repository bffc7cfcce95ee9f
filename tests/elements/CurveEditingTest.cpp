// Regions, sculpt operations and the gesture dispatch of a curve, each result run through the
// curve checker.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>

#include "CurveInvariants.h"
#include "GlobalScope.h"
#include "elements/Curve.h"
#include "scene/Gesture.h"

using namespace kal;

namespace {

// Points (0,0,0), (1,0,0), ... along x; `marks` lists interior points to mark.
Curve line(int n, std::vector<int> marks = {}) {
    std::vector<vec3> p;
    std::vector<float> r(size_t(n), 1.0f);
    std::vector<bool> m(size_t(n), false);
    for (int i = 0; i < n; ++i) p.push_back(vec3(float(i), 0, 0));
    for (int i : marks) m[size_t(i)] = true;
    return Curve(p, r, m, false, 0);
}

Curve loop(int n, float radius) {
    std::vector<vec3> p;
    for (int i = 0; i < n; ++i) {
        const double a = 2 * 3.141592653589793 * i / n;
        p.push_back(vec3(float(radius * std::cos(a)), float(radius * std::sin(a)), 0));
    }
    return Curve(p, true, 0);
}

std::vector<uint32_t> sorted(std::vector<uint32_t> v) {
    std::sort(v.begin(), v.end());
    return v;
}

int segmentFrom(const Curve& c, int a) {
    for (int s = 0; s < c.segmentCount(); ++s)
        if (c.segments[size_t(s)].alive() && c.segments[size_t(s)].a == a) return s;
    return -1;
}

TEST(CurveRegions, patchesEndAtMarkedPointsAndAnUnmarkedLoopIsOnePatch) {
    Curve c = line(7, {2, 4});
    int s = segmentFrom(c, 2);
    c.selectPatch(vec3(), true, s);
    std::vector<uint32_t> want = {uint32_t(segmentFrom(c, 2)), uint32_t(segmentFrom(c, 3))};
    EXPECT_EQ(sorted(c.selectedSegments), sorted(want));
    c.clearSelection();
    EXPECT_EQ(curveFault(c, true), "");

    Curve ring = loop(6, 1);
    int t = 0;
    ring.selectPatch(vec3(), true, t);
    EXPECT_EQ(ring.selectedSegments.size(), 6u);

    // a stale segment id picks the segment closest to the position
    int stale = 99;
    c.selectComponent(vec3(5.5f, 0.1f, 0), true, stale);
    EXPECT_EQ(stale, segmentFrom(c, 5));
    EXPECT_EQ(c.selectedSegments.size(), 6u);
    c.clearSelection();

    Curve empty(0);
    int none = -1;
    std::unique_ptr<Element> e(empty.extractSelection(vec3(), none, 1));
    EXPECT_EQ(static_cast<Curve&>(*e).pointCount(), 0);
    EXPECT_EQ(none, -1);
}

TEST(CurveRegions, extractingAPatchCopiesItAndNamesTheCopysSegment) {
    Curve c = line(7, {2, 4});
    const int picked = segmentFrom(c, 3);
    int item = picked;
    std::unique_ptr<Element> e(c.extractPatch(vec3(), item));
    Curve& patch = static_cast<Curve&>(*e);
    EXPECT_EQ(patch.pointCount(), 3);
    EXPECT_EQ(patch.segmentCount(), 2);
    EXPECT_EQ(curveFault(patch, true), "");
    // the selection starts at the picked segment: its copy is the first after the source's segments
    EXPECT_EQ(item, c.segmentCount());
    EXPECT_EQ(c.pointCount(), 7); // the source keeps everything
    EXPECT_TRUE(c.selectedSegments.empty());
    EXPECT_EQ(curveFault(c, true), "");
    float sum = 0;
    for (const CurvePoint& p : patch.points) sum += p.position.x;
    EXPECT_EQ(sum, 2 + 3 + 4);
}

TEST(CurveRegions, erasingAMiddlePatchLeavesTwoChainsAndAComponentTakesItsPoints) {
    Curve c = line(7, {2, 4});
    c.erasePatch(vec3(), segmentFrom(c, 2));
    EXPECT_EQ(curveFault(c, false), "");
    EXPECT_EQ(c.segmentCount(), 4);
    EXPECT_EQ(c.pointCount(), 6); // the inner point goes, the marked ends stay as ends of two chains
    int ends = 0;
    for (const CurvePoint& p : c.points) ends += (p.flags & PointChainEnd) && p.marked();
    EXPECT_EQ(ends, 4);

    c.eraseComponent(vec3(0.5f, 0, 0), -1);
    EXPECT_EQ(curveFault(c, false), "");
    EXPECT_EQ(c.pointCount(), 3);
    EXPECT_EQ(c.segmentCount(), 2);
    for (const CurvePoint& p : c.points) EXPECT_GE(p.position.x, 4.0f) << "the erased chain's points are gone";
}

TEST(CurveSculpt, inflateScalesRadiiByTheMoveAwayFromTheAxis) {
    Curve c = line(11);
    for (CurvePoint& p : c.points) p.position = p.position * 0.1f;
    // from 0.01 above point 5 to 0.02 above it: the distance from the axis doubles
    c.inflate(vec3(0.5f, 0.01f, 0), vec3(0.5f, 0.02f, 0), 0.3f, segmentFrom(c, 5));
    auto quartic = [](double t) { return 3 * t * t * t * t - 4 * t * t * t + 1; };
    // the point under the brush grows by nearly the full factor, points a radius away not at all
    EXPECT_NEAR(c.points[5].radius, 1 + quartic(0.01 / 0.3), 1e-4);
    EXPECT_EQ(c.points[0].radius, 1.0f);
    EXPECT_EQ(c.points[10].radius, 1.0f);
    EXPECT_GT(c.points[6].radius, 1.0f);
    EXPECT_LT(c.points[6].radius, c.points[5].radius);

    // on the axis there is nothing to scale from: the radii stay finite and unchanged
    Curve d = line(5);
    d.inflate(vec3(2, 0, 0), vec3(2, 1, 0), 1.5f, segmentFrom(d, 2));
    for (const CurvePoint& p : d.points) EXPECT_EQ(p.radius, 1.0f);
    EXPECT_TRUE(d.selectedPoints.empty());
}

TEST(CurveSculpt, degenerateBrushesAndDragsMoveNothing) {
    Curve c = line(5);
    const std::vector<CurvePoint> before = c.points;
    auto same = [&](const char* what) {
        for (size_t i = 0; i < before.size(); ++i) {
            EXPECT_EQ(c.points[i].position, before[i].position) << what << " " << i;
            EXPECT_EQ(c.points[i].radius, before[i].radius) << what << " " << i;
        }
        EXPECT_TRUE(c.selectedPoints.empty()) << what;
    };
    c.deformSphere(vec3(10, 10, 10), vec3(11, 10, 10), 1.0f);
    same("sphere touching nothing");
    for (float r : {0.0f, -1.0f, std::nanf("")}) c.deformSphere(vec3(2, 0, 0), vec3(2, 1, 0), r);
    same("radius that gathers nothing");
    // a drag doubling the projected distance in one tick is skipped
    c.translation = vec3(2, 0, 0);
    c.scaleSelection(vec3(3, 0, 0), vec3(4, 0, 0), -1, 0, false);
    same("scale direction doubling");
    c.scaleSelection(vec3(2, 0, 0), vec3(3, 0, 0), -1, 0, true);
    same("uniform scale from the centre");
    // a placed point on a loop without other marks has nothing to swing about
    Curve ring = loop(8, 1);
    const vec3 at = ring.points[3].position;
    ring.dragPlacedPoint(3, at + vec3(0.5f, 0, 0));
    EXPECT_EQ(ring.points[3].position, at);
    ring.dragPlacedPoint(-1, vec3());
    ring.dragPlacedPoint(99, vec3());
}

TEST(CurveSculpt, placedPointSwingsTheRunsToTheNextMarks) {
    Curve c = line(5);
    const int placed = c.insertPoint(vec3(2.5f, 0, 0), segmentFrom(c, 2));
    c.dragPlacedPoint(placed, vec3(2.5f, 1, 0));
    EXPECT_EQ(curveFault(c, false), "");
    EXPECT_NEAR(c.points[size_t(placed)].position.y, 1.0f, 1e-5f);
    EXPECT_EQ(c.points[0].position, vec3(0, 0, 0)); // the marked ends stay
    EXPECT_EQ(c.points[4].position, vec3(4, 0, 0));
    EXPECT_NEAR(c.points[1].position.y, 0.4f, 1e-5f); // a fifth of the way along the swung run
}

TEST(CurveSculpt, rotationAboutAnObliqueAxisTurnsByTheAngleAcrossIt) {
    const vec3 a = normalize(vec3(1, 1, 0)), e1 = normalize(vec3(1, -1, 0)), e2(0, 0, 1);
    Curve c({e1, e1 * 2.0f}, false, 0);
    ASSERT_EQ(c.translation, vec3(0, 0, 0)); // the turn is about the curve's placement
    // the parts of the drag along the axis do not count: a quarter turn from e1 to e2
    c.rotateSelection(e1 + a * 0.5f, e2 + a * 0.5f, -1, SelectElement, a);
    const vec3 p = c.points[1].position;
    EXPECT_NEAR(p.x, 0.0f, 1e-5f);
    EXPECT_NEAR(p.y, 0.0f, 1e-5f);
    EXPECT_NEAR(p.z, 2.0f, 1e-5f);
    EXPECT_EQ(curveFault(c, true), "");
}

TEST(CurveSculpt, planeCutMarksCrossingsAndClipDropsTheFrontPart) {
    Curve c = line(5);
    c.cutPlane(vec3(1.5f, 0, 0), vec3(1, 0, 0));
    EXPECT_EQ(curveFault(c, false), "");
    ASSERT_EQ(c.pointCount(), 6);
    EXPECT_EQ(c.points[5].position, vec3(1.5f, 0, 0));
    EXPECT_TRUE(c.points[5].marked());

    Curve d = line(5);
    d.clipPlane(vec3(2.5f, 0, 0), vec3(1, 0, 0));
    EXPECT_EQ(curveFault(d, false), "");
    for (const CurvePoint& p : d.points) EXPECT_LE(p.position.x, 2.5f);
    EXPECT_NEAR(d.length(), 2.5f, 1e-6f);
}

TEST(CurveSculpt, paintBlendsClampInsteadOfWrapping) {
    Curve c = line(3);
    pbr dark;
    dark.red = 0;
    dark.roughness = -32766;
    c.paintMaterial(vec3(1, 0, 0), 2.0f, segmentFrom(c, 0), dark, 1 | 4, 10.0f);
    for (const CurveSegment& s : c.segments) {
        EXPECT_EQ(s.material[0].red, 0) << "an overshooting blend stops at the end of the range";
        EXPECT_EQ(s.material[0].roughness, -32766);
        EXPECT_EQ(s.material[0].green, 65535); // channels outside the mask stay
    }
}

// ---- gesture dispatch ----

struct Stroke {
    std::vector<Gesture*> list;
    ~Stroke() {
        for (Gesture* g : list) delete g;
    }
    Sculptor& add(Brush action, int32_t mode, std::vector<vec3> points, int32_t state, int item = -1) {
        auto* s = new Sculptor(action, mode, 2);
        for (size_t i = 0; i < points.size(); ++i) {
            StrokeSample sample;
            sample.point = points[i];
            sample.radius = 1.0f;
            sample.itemId = item;
            sample.cursorX = float(100 * i);
            s->samples.push_back(sample);
        }
        s->state = state;
        list.push_back(s);
        return *s;
    }
};

TEST(CurveGestures, readinessDecidesWhetherTheCallGoesOn) {
    struct Row {
        Brush code;
        int32_t mode;
        int samples;
        int32_t state;
        bool goesOn;
    };
    const Row rows[] = {
        {Brush::Move, 1, 1, GestureBegun, false},         {Brush::Move, 1, 2, GestureRunning, true},
        {Brush::Twist, 0, 1, GestureBegun, false},        {Brush::DeformVolume, 0, 2, GestureRunning, true},
        {Brush::Subdivide, 0, 3, GestureRunning, false},  {Brush::Subdivide, 0, 3, GestureFinished, true},
        {Brush::ErasePatch, 0, 2, GestureRunning, false}, {Brush::CutPlane, 1, 1, GestureBegun, true},
        {Brush::CutPlane, 0, 1, GestureFinished, false},  {Brush::CutPlane, 0, 2, GestureFinished, true},
        {Brush::ClipPlane, 0, 2, GestureRunning, false},  {Brush::ClipSphere, 0, 2, GestureFinished, true},
        {Brush::PaintMaterial, 1, 1, GestureBegun, true}, {Brush::FillMaterial, 1, 2, GestureFinished, false},
        {Brush::PlacePoint, 0, 1, GestureBegun, true},    {Brush::PlacePoint, 0, 2, GestureFinished, false},
        {Brush::Bevel, 0, 1, GestureBegun, true},
    };
    test::GlobalScope frame(frameCounter, 77);
    for (const Row& r : rows) {
        Curve c = line(5);
        c.stamp = 0;
        Stroke s;
        std::vector<vec3> p;
        for (int i = 0; i < r.samples; ++i) p.push_back(vec3(1.5f + 0.1f * float(i), 0.2f, 0));
        s.add(r.code, r.mode, p, r.state).viewDirection = vec3(0, 0, 1);
        c.applyGestures(s.list);
        EXPECT_EQ(c.stamp == 77, r.goesOn)
            << "code " << brushName(r.code) << " mode " << r.mode << " samples " << r.samples;
        EXPECT_EQ(curveFault(c, false), "") << "code " << brushName(r.code);
    }
}

TEST(CurveGestures, copyMoveCopiesOnceAndMovesTheCopy) {
    Curve c = line(3);
    Stroke s;
    Sculptor& g = s.add(Brush::CopyMove, SelectComponent, {vec3(0.5f, 0, 0), vec3(0.5f, 1, 0)}, GestureRunning, 0);
    c.applyGestures(s.list);
    ASSERT_EQ(c.pointCount(), 6);
    EXPECT_EQ(curveFault(c, false), "");
    for (int i = 0; i < 3; ++i) EXPECT_EQ(c.points[size_t(i)].position, vec3(float(i), 0, 0));
    for (int i = 3; i < 6; ++i) EXPECT_EQ(c.points[size_t(i)].position.y, 1.0f);
    // the next tick moves the copy again and copies nothing
    StrokeSample next = g.samples.back();
    next.point = vec3(0.5f, 3, 0);
    g.samples.push_back(next);
    c.applyGestures(s.list);
    EXPECT_EQ(c.pointCount(), 6);
    for (int i = 3; i < 6; ++i) EXPECT_EQ(c.points[size_t(i)].position.y, 3.0f);
    EXPECT_EQ(c.points[1].position, vec3(1, 0, 0));
}

TEST(CurveGestures, subdivideOnceCutPlaneInPatchModeOnlyInsertsAndPlacedPointsWithoutEntries) {
    Curve c = line(3);
    Stroke sub;
    sub.add(Brush::Subdivide, 0, {vec3(), vec3()}, GestureFinished);
    sub.add(Brush::Subdivide, 0, {vec3(), vec3()}, GestureFinished);
    c.applyGestures(sub.list);
    EXPECT_EQ(c.segmentCount(), 4);

    Curve d = line(3);
    Stroke cut;
    Sculptor& g = cut.add(Brush::CutPlane, SelectPatch, {vec3(0.5f, 0, 0)}, GestureBegun);
    g.viewDirection = vec3(0, 0, 1);
    d.applyGestures(cut.list);
    EXPECT_EQ(d.pointCount(), 4);
    g.samples.push_back(g.samples[0]);
    g.samples.back().point = vec3(1.5f, 1, 0);
    g.state = GestureFinished;
    d.applyGestures(cut.list);
    EXPECT_EQ(d.pointCount(), 4); // never cuts
    EXPECT_EQ(curveFault(d, false), "");

    // a second gesture whose press found no entry drags nothing
    Curve e = line(3);
    Stroke place;
    place.add(Brush::PlacePoint, 0, {vec3(0.5f, 0, 0)}, GestureBegun);
    e.applyGestures(place.list);
    ASSERT_EQ(e.editList.size(), 1u);
    Stroke drag;
    drag.add(Brush::PlacePoint, 0, {vec3(0.5f, 0, 0), vec3(0.5f, 1, 0)}, GestureRunning);
    drag.add(Brush::PlacePoint, 0, {vec3(1.5f, 0, 0), vec3(1.5f, 1, 0)}, GestureRunning);
    e.applyGestures(drag.list);
    EXPECT_NEAR(e.points[3].position.y, 1.0f, 1e-5f);
    EXPECT_EQ(curveFault(e, false), "");
}

// The twist is one value for the whole curve: a stroke's symmetric copies, which all drag by the
// same step, turn it once, as the stroke alone would.
TEST(CurveGestures, aTwistTurnsTheCurveOnceHoweverManyCopiesTheStrokeHas) {
    for (size_t copies : {1, 2, 4}) {
        Curve c = line(3);
        Stroke s;
        for (size_t k = 0; k < copies; ++k)
            s.add(Brush::Twist, SelectElement, {vec3(0.5f, 0, 0), vec3(0.5f, 1, 0)}, GestureRunning);
        c.applyGestures(s.list);
        for (const CurvePoint& p : c.points) EXPECT_FLOAT_EQ(p.twist, 0.1f) << copies << " copies";
    }
}

} // namespace
