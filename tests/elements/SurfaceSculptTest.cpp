// Picks and strokes on tubes and revolutions: where a pick lands on the surface, where its
// symmetric copies go, how strokes reach the curves, and the guards for picks that name no quad
// and for maps without an inverse. The curve's own operation is replaced by one that records
// what it was handed, so the translation is checked alone.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "CurveExpect.h"
#include "elements/Curve.h"
#include "elements/PatchSearch.h"
#include "elements/Revoluton.h"
#include "elements/Tube.h"
#include "elements/UCurve.h"
#include "scene/Gesture.h"

using namespace kal;
using test::expectNear;
using test::positionsOf;

namespace {

// A curve whose gesture operation keeps copies of what it received and moves nothing.
class RecordingCurve : public Curve {
public:
    using Curve::Curve;
    std::vector<Sculptor> seen;
    void applyGestures(const std::vector<Gesture*>& gestures) override {
        seen.clear();
        for (Gesture* g : gestures) seen.push_back(*static_cast<Sculptor*>(g));
    }
};

// A straight tube along z with an octagon section, moved and scaled away from the origin.
struct TubeFixture {
    RecordingCurve* axis = new RecordingCurve(std::vector<vec3>{vec3(0, 0, 0), vec3(0, 0, 4)}, false, 0);
    Curve* section = Curve::makeCircle(8, false);
    std::unique_ptr<Tube> tube;
    TubeFixture() {
        tube = std::make_unique<Tube>(axis, section);
        tube->translation = vec3(3, -1, 2);
        tube->scale = 2.0f;
        axis->updateFrames(true);
    }
    // Stored point of quad (axis segment 0, section segment 0) at (v, u), as the tube places it.
    vec3 quadPoint(float v, float u) const {
        const vec3 s0 = section->toLocal(section->points[size_t(section->segments[0].a)].position);
        const vec3 s1 = section->toLocal(section->points[size_t(section->segments[0].b)].position);
        const mat3 F0 = Curve::pointFrame(*axis, 0), F1 = Curve::pointFrame(*axis, 1);
        const vec3 a0 = axis->points[0].position, a1 = axis->points[1].position;
        const vec3 P00 = a0 + s0 * F0, P10 = a1 + s0 * F1, P01 = a0 + s1 * F0, P11 = a1 + s1 * F1;
        return (P00 * (1 - v) + P10 * v) * (1 - u) + (P01 * (1 - v) + P11 * v) * u;
    }
    vec3 toLocalSpace(vec3 stored) const { return stored * tube->inverseTransform(); }
};

struct Picks {
    std::vector<SymmetryOp> ops;
    std::vector<vec3> positions;
    std::vector<mat3> frames;
    std::vector<float> weights;
};

Picks pick(Element& e, vec3 p, vec3 n, int32_t item, bool section, bool mirrorX = false) {
    Picks r;
    e.symmetryFrames(r.ops, p, n, mirrorX, 0, 0, 0, 0, 0, 4, r.positions, r.frames, r.weights, item, section);
    return r;
}

// One gesture per point, every one with its samples offset by `step` from its first.
struct Stroke {
    std::vector<std::unique_ptr<Sculptor>> owned;
    std::vector<Gesture*> list;
    Stroke(Brush action, std::vector<vec3> starts, std::vector<int32_t> ids, vec3 step, bool section) {
        for (size_t g = 0; g < starts.size(); ++g) {
            auto s = std::make_unique<Sculptor>(action, SelectPatch, 2);
            s->sectionFlag = section ? 1 : 0;
            s->begin();
            StrokeSample a;
            a.point = starts[g];
            a.itemId = ids[g];
            StrokeSample b = a;
            b.point = starts[g] + step;
            s->samples = {a, b};
            list.push_back(s.get());
            owned.push_back(std::move(s));
        }
    }
    void setState(int32_t state) {
        for (auto& s : owned) s->state = state;
    }
    // One more tick, each gesture's new sample `step` past its last.
    void run(vec3 step) {
        for (auto& s : owned) {
            s->run();
            StrokeSample next = s->samples.back();
            next.point = next.point + step;
            s->samples.push_back(next);
        }
    }
    // The release: finished, with one more sample where the last one is.
    void finish() {
        run(vec3());
        setState(GestureFinished);
    }
};

} // namespace

TEST(PatchSearch, findsTheNearestGridPointOfAFlatQuadAndTheFirstOnTies) {
    float v = -1, u = -1;
    // a unit square; a target above (0.3, 0.7) snaps to the nearest step of 1/511
    vec3 X = closestPatchPoint({0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0}, {0.3f, 0.7f, 5}, v, u);
    EXPECT_FLOAT_EQ(v, std::round(0.3f * 511) / 511);
    EXPECT_FLOAT_EQ(u, std::round(0.7f * 511) / 511);
    expectNear(X, vec3(v, u, 0), 1e-6f);
    // every grid point of a quad collapsed into one point is as near as the first
    X = closestPatchPoint({1, 2, 3}, {1, 2, 3}, {1, 2, 3}, {1, 2, 3}, {9, 9, 9}, v, u);
    EXPECT_EQ(v, 0.0f);
    EXPECT_EQ(u, 0.0f);
    expectNear(X, vec3(1, 2, 3), 0);
}

TEST(TubePicks, axisModeCopiesThePickAsTheAxisDoesAndTheAxisPointInLocalSpace) {
    TubeFixture f;
    const vec3 p = f.toLocalSpace(f.quadPoint(0.25f, 0.5f));
    const Picks r = pick(*f.tube, p, vec3(1, 0, 0), 0, false, true);
    const Picks own = pick(*f.axis, p, vec3(1, 0, 0), 0, false, true);
    ASSERT_EQ(r.positions.size(), 2u);
    for (size_t i = 0; i < 2; ++i) {
        expectNear(r.positions[i], own.positions[i], 0);
        EXPECT_EQ(r.frames[i], own.frames[i]);
    }
    ASSERT_EQ(f.tube->axisPoints.size(), 2u);
    expectNear(f.tube->axisPoints[0], f.tube->axisPoint, 1e-5f);
    // the mirror image of the axis point under the picks' mirror (local x = 0), not the stored one
    const vec3 a = f.toLocalSpace(f.tube->axisPoints[0]), b = f.toLocalSpace(f.tube->axisPoints[1]);
    expectNear(b, vec3(-a.x, a.y, a.z));
}

TEST(TubePicks, picksPlacingNothingKeepTheLocationAnswerThePickAloneAndEditNothing) {
    TubeFixture f;
    pick(*f.tube, f.toLocalSpace(f.quadPoint(0.5f, 0.5f)), vec3(1, 0, 0), 0, true);
    const vec3 kept = f.tube->axisPoint;
    const std::vector<vec3> before = positionsOf(*f.section);
    auto refused = [&](int32_t id, vec3 at, bool located = false) {
        const vec3 p = f.toLocalSpace(at);
        const Picks r = pick(*f.tube, p, vec3(1, 0, 0), id, true, true);
        if (!located) {
            EXPECT_EQ(f.tube->axisPoint, kept) << id;
        }
        ASSERT_EQ(r.positions.size(), 1u) << id;
        for (int k : {0, 1, 2}) EXPECT_TRUE(std::isfinite((&r.positions[0].x)[k]));
        Stroke s(Brush::Move, {at}, {id}, vec3(0.5f, 0, 0), true);
        f.tube->applyGestures(s.list);
        EXPECT_EQ(f.tube->editPreview, nullptr);
        s.finish();
        f.tube->applyGestures(s.list);
        EXPECT_EQ(positionsOf(*f.section), before) << id;
    };
    f.section->segments[2].flags = 0; // erased, not yet compacted
    for (int32_t id : {-1, (5 << 16), 99, 2}) refused(id, f.quadPoint(0.1f, 0.5f));
    // an array copy drawn far away under an id that names a quad of this tube
    refused(0, vec3(30, 0, 1));
    // a radius of 0 places the whole section in one point (located there, but with no way back
    // into the section's space)
    for (CurvePoint& p : f.axis->points) p.radius = 0.0f;
    f.axis->updateFrames(true);
    refused(0, vec3(0, 0, 1), true);
}

TEST(TubeStrokes, axisCopiesStartAtTheAxisPointsKeepingTheirOffsetsAndIdsGoBack) {
    TubeFixture f;
    const vec3 onSurface = f.quadPoint(0.25f, 0.5f);
    pick(*f.tube, f.toLocalSpace(onSurface), vec3(1, 0, 0), (0 << 16) + 3, false, true);
    ASSERT_EQ(f.tube->axisPoints.size(), 2u);
    const vec3 step(0.5f, 0.25f, 0);
    Stroke s(Brush::Move, {onSurface, vec3(-1, 0, 1)}, {(0 << 16) + 3, -1}, step, false);
    f.tube->applyGestures(s.list);
    ASSERT_EQ(f.axis->seen.size(), 2u);
    for (size_t g = 0; g < 2; ++g) {
        expectNear(f.axis->seen[g].samples[0].point, f.tube->axisPoints[g], 1e-5f);
        expectNear(f.axis->seen[g].samples[1].point, f.tube->axisPoints[g] + step, 1e-5f);
    }
    EXPECT_EQ(f.axis->seen[0].samples[0].itemId, 0); // the axis half
    EXPECT_EQ(f.axis->seen[1].samples[0].itemId, -1);
    EXPECT_EQ(s.owned[1]->samples[0].itemId, -1);
    EXPECT_EQ(f.tube->editPreview, f.axis);
    // inflating keeps the surface points
    Stroke inflate(Brush::Inflate, {onSurface, vec3(-1, 0, 1)}, {3, -1}, step, false);
    inflate.setState(GestureFinished);
    f.tube->applyGestures(inflate.list);
    expectNear(f.axis->seen[0].samples[0].point, onSurface, 0);
    EXPECT_EQ(f.tube->editPreview, nullptr); // the axis itself is not deleted (ASan would tell)
    EXPECT_EQ(f.axis->pointCount(), 2);
}

TEST(TubeStrokes, aFollowingAxisNamesTheSourceSegmentOnTheFirstCallOnly) {
    // a source of three unit segments along z followed at steps of a quarter
    auto* source =
        new RecordingCurve(std::vector<vec3>{vec3(0, 0, 0), vec3(0, 0, 1), vec3(0, 0, 2), vec3(0, 0, 3)}, false, 0);
    for (CurvePoint& p : source->points) p.radius = 0.25f;
    auto* follower = new UCurve(source, 2);
    follower->ownsSource = true;
    Tube tube(follower, Curve::makeCircle(8, false));
    ASSERT_GT(follower->segmentCount(), 6);
    // a following segment in the middle source segment, by where it lies
    int k = -1;
    for (int i = 0; i < follower->segmentCount() && k < 0; ++i) {
        const CurveSegment& seg = follower->segments[size_t(i)];
        const float z =
            0.5f * (follower->points[size_t(seg.a)].position.z + follower->points[size_t(seg.b)].position.z);
        if (z > 1.2f && z < 1.8f) k = i;
    }
    ASSERT_GE(k, 0);
    const int32_t id = (k << 16) + 1;
    const vec3 at = follower->points[size_t(follower->segments[size_t(k)].a)].position;
    pick(tube, at * tube.inverseTransform(), vec3(1, 0, 0), id, false);
    Stroke s(Brush::Move, {at}, {id}, vec3(), false);
    tube.applyGestures(s.list);
    ASSERT_EQ(source->seen.size(), 1u);
    EXPECT_EQ(source->seen[0].samples[0].itemId, 1);
    EXPECT_EQ(s.owned[0]->samples[0].itemId, (1 << 16) + 1);
    // later ticks carry the source index already
    s.run(vec3());
    tube.applyGestures(s.list);
    EXPECT_EQ(source->seen[0].samples[0].itemId, 1);
    s.finish();
    tube.applyGestures(s.list);
}

TEST(TubeStrokes, aCancelledAxisStrokeIsNeverTakenForASectionStroke) {
    TubeFixture f;
    const vec3 onSurface = f.quadPoint(0.5f, 0.5f);
    pick(*f.tube, f.toLocalSpace(onSurface), vec3(1, 0, 0), 0, false);
    Stroke axisStroke(Brush::Move, {onSurface}, {0}, vec3(), false);
    f.tube->applyGestures(axisStroke.list); // no finishing call follows
    ASSERT_EQ(f.tube->editPreview, f.axis);
    const size_t sectionPoints = f.section->points.size();
    Stroke sectionStroke(Brush::Move, {onSurface}, {0}, vec3(), true);
    sectionStroke.setState(GestureFinished); // as Delete sends it: finished at once
    f.tube->applyGestures(sectionStroke.list);
    EXPECT_EQ(f.section->points.size(), sectionPoints);
    EXPECT_EQ(f.axis->pointCount(), 2);
    EXPECT_EQ(f.tube->editPreview, nullptr);
    // an empty list changes nothing
    f.tube->applyGestures({});
    EXPECT_EQ(f.section->points.size(), sectionPoints);
    // nor does an axis swapped under a stroke leave its preview behind
    f.tube->applyGestures(axisStroke.list);
    f.tube->setAxis(new Curve(std::vector<vec3>{vec3(0, 0, 0), vec3(1, 0, 0)}, false, 0));
    EXPECT_EQ(f.tube->editPreview, nullptr);
}

TEST(TubeStrokes, aStrokeFreezesThePickUntilItIsCancelledWithItsWorkingCurve) {
    TubeFixture f;
    const vec3 onSurface = f.quadPoint(0.5f, 0.5f);
    pick(*f.tube, f.toLocalSpace(onSurface), vec3(1, 0, 0), 0, true);
    const vec3 kept = f.tube->axisPoint;
    Stroke s(Brush::ErasePatch, {onSurface}, {0}, vec3(), true);
    f.tube->applyGestures(s.list);
    ASSERT_NE(f.tube->editPreview, nullptr);
    pick(*f.tube, f.toLocalSpace(f.quadPoint(0.9f, 0.5f)), vec3(1, 0, 0), 3, true);
    EXPECT_EQ(f.tube->axisPoint, kept);
    f.tube->cancelGestures(); // the working curve goes (ASan reports a leak otherwise)
    EXPECT_EQ(f.tube->editPreview, nullptr);
    pick(*f.tube, f.toLocalSpace(f.quadPoint(0.9f, 0.5f)), vec3(1, 0, 0), 0, true);
    EXPECT_NEAR(f.tube->axisPoint.z, 4 * 0.9f, 0.01f);
    // a stroke left running when the tube goes: its destructor frees the working curve
    f.tube->applyGestures(s.list);
    EXPECT_NE(f.tube->editPreview, nullptr);
}

namespace {

// A revolution of an upright segment at x = 1 and an octagon section.
struct RevolutionFixture {
    Curve* axis = new Curve(std::vector<vec3>{vec3(1, 0, 0), vec3(1, 2, 0)}, false, 0);
    Curve* section = Curve::makeCircle(8, false);
    std::unique_ptr<Revoluton> rev;
    RevolutionFixture() {
        rev = std::make_unique<Revoluton>(axis, section);
        rev->translation = vec3(-2, 1, 0.5f);
        rev->scale = 0.5f;
    }
    vec3 toLocalSpace(vec3 stored) const { return stored * rev->inverseTransform(); }
};

} // namespace

TEST(RevolutonPicks, axisModeIsTheAxisCurvesOwnAndSectionModeSnapsOntoTheSurface) {
    RevolutionFixture f;
    const vec3 p = f.toLocalSpace(vec3(1.5f, 1, 0.2f));
    const Picks r = pick(*f.rev, p, vec3(0, 1, 0), 0, false, true);
    const Picks own = pick(*f.axis, p, vec3(0, 1, 0), 0, false, true);
    ASSERT_EQ(r.positions.size(), own.positions.size());
    for (size_t i = 0; i < r.positions.size(); ++i) expectNear(r.positions[i], own.positions[i], 0);
    EXPECT_EQ(f.rev->axisPoint, vec3());

    // at axis point (1, y, 0) a section point s lies at (s.x, y + s.z, s.y): section point 0 of
    // the octagon is the corner nearest to a pick beside it
    const vec3 s = f.section->toLocal(f.section->points[0].position);
    const Picks on = pick(*f.rev, f.toLocalSpace(vec3(s.x + 0.2f, 1 + s.z, s.y)), vec3(1, 0, 0), 0, true);
    ASSERT_EQ(on.positions.size(), 1u);
    expectNear(f.rev->axisPoint, vec3(1, 1, 0), 0.01f);
    const vec3 stored = on.positions[0] * inverseAffine(f.rev->inverseTransform());
    expectNear(stored, vec3(s.x, 1 + s.z, s.y), 0.01f);
}

TEST(RevolutonStrokes, anAxisStrokeSnapsItsFirstSampleAndCarriesTheMoveBackOntoTheAxis) {
    RevolutionFixture f;
    const std::vector<vec3> before = positionsOf(*f.axis);
    Stroke s(Brush::Move, {vec3(1.6f, 1, 0.05f)}, {0}, vec3(), false);
    f.rev->applyGestures(s.list);
    ASSERT_NE(f.rev->editPreview, nullptr);
    // the first sample now lies on section segment 0's quad: at radius |F G| from the Y axis
    const vec3 q = s.owned[0]->samples[0].point;
    EXPECT_NEAR(q.y, 1.0f, 0.01f);
    const vec3 G = f.rev->gesturePoint;
    EXPECT_NEAR(std::hypot(q.x, q.z), std::hypot(G.x, G.y), 0.01f);
    // a lift along Y stays a lift along Y on the axis, whatever the angle it was edited at
    s.run(vec3(0, 0.1f, 0));
    f.rev->applyGestures(s.list);
    s.finish();
    f.rev->applyGestures(s.list);
    EXPECT_EQ(f.rev->editPreview, nullptr);
    const std::vector<vec3> after = positionsOf(*f.axis);
    for (size_t i = 0; i < after.size(); ++i) expectNear(after[i], before[i] + vec3(0, 0.1f, 0), 1e-4f);
}

TEST(RevolutonStrokes, mapsWithoutAnInverseEditNothing) {
    // an axis on the Y axis (R = 0): section picks stay alone and section strokes edit nothing
    Curve* axis = new Curve(std::vector<vec3>{vec3(0, 0, 0), vec3(0, 2, 0)}, false, 0);
    Curve* section = Curve::makeCircle(8, false);
    Revoluton rev(axis, section);
    const std::vector<vec3> sectionBefore = positionsOf(*section);
    const Picks r = pick(rev, vec3(0, 1, 0), vec3(1, 0, 0), 0, true, true);
    EXPECT_EQ(r.positions.size(), 1u);
    Stroke s(Brush::Move, {vec3(0, 1, 0)}, {0}, vec3(0.3f, 0, 0), true);
    rev.applyGestures(s.list);
    s.setState(GestureFinished);
    rev.applyGestures(s.list);
    EXPECT_EQ(positionsOf(*section), sectionBefore);

    // a section point on the element's Y axis (G.x² + G.y² = 0): an axis stroke edits nothing
    for (CurvePoint& p : section->points) p.position = vec3(0, 0, p.position.z + 1);
    const std::vector<vec3> axisBefore = positionsOf(*axis);
    Stroke a(Brush::Move, {vec3(0, 1, 0)}, {0}, vec3(0.3f, 0, 0), false);
    rev.applyGestures(a.list);
    EXPECT_EQ(rev.editPreview, nullptr);
    a.setState(GestureFinished);
    rev.applyGestures(a.list);
    EXPECT_EQ(positionsOf(*axis), axisBefore);
}
