// Symmetric copies of points, frames and placement matrices, and the merging of copies that coincide.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "viewport/GLView.h"
#include "viewport/SymmetricPlacement.h"
#include "viewport/SymmetryReplication.h"
#include "VecExpect.h"

using namespace kal;

namespace {

std::vector<SymmetryOp> opsOf(bool mx, bool my, bool mz, bool rx, bool ry, bool rz, int count) {
    std::vector<SymmetryOp> ops;
    symmetryOps(ops, mx, my, mz, rx, ry, rz, count);
    return ops;
}

// Replicates one point with a frame along +Z through the signed routine.
struct Copies {
    std::vector<vec3> positions;
    std::vector<mat3> frames;
    std::vector<float> signs;
    Copies(vec3 p, const std::vector<SymmetryOp>& ops, const mat4& m = mat4()) : positions{p}, frames{mat3()} {
        replicateBySymmetry(positions, frames, signs, m, ops);
    }
};

std::vector<std::vector<vec3>> columnsOf(const std::vector<mat3>& frames) {
    std::vector<std::vector<vec3>> cols(3);
    for (const mat3& f : frames)
        for (int c = 0; c < 3; ++c) cols[size_t(c)].push_back(f.column(c));
    return cols;
}

} // namespace

TEST(SymmetryReplication, threeMirrorsGiveEightCopiesInOrderWithSignsAndMasks) {
    const auto ops = opsOf(true, true, true, false, false, false, 6);
    Copies c({1, 2, 3}, ops);
    ASSERT_EQ(c.positions.size(), 8u);
    const vec3 expected[8] = {{1, 2, 3},  {-1, 2, 3},  {1, -2, 3},  {-1, -2, 3},
                              {1, 2, -3}, {-1, 2, -3}, {1, -2, -3}, {-1, -2, -3}};
    const float signs[8] = {1, -1, -1, 1, -1, 1, 1, -1};
    for (size_t i = 0; i < 8; ++i) {
        test::expectVecNear(c.positions[i], expected[i], 1e-5f);
        EXPECT_EQ(c.signs[i], signs[i]) << i;
        // a mirror image's frame has the opposite handedness: its determinant carries the sign
        EXPECT_NEAR(det(c.frames[i]), signs[i], 1e-5f) << i;
    }
    std::vector<uint8_t> masks;
    symmetryMasks(masks, ops);
    ASSERT_EQ(masks.size(), 8u);
    for (size_t i = 0; i < 8; ++i) EXPECT_EQ(masks[i], i);
}

TEST(SymmetryReplication, mirrorXThenFourfoldZInterleavesTurnedBlocks) {
    const auto ops = opsOf(true, false, false, false, false, true, 4);
    ASSERT_EQ(ops.size(), 2u);
    Copies c({1, 0, 0.5f}, ops);
    ASSERT_EQ(c.positions.size(), 8u);
    // p, Mx p, R p, R Mx p, ... with R a quarter turn about Z
    for (size_t k = 0; k < 4; ++k) {
        const vec3 a = c.positions[2 * k], b = c.positions[2 * k + 1];
        test::expectVecNear(b, {-a.x, -a.y, a.z}, 1e-5f);
        EXPECT_NEAR(a.z, 0.5f, 1e-6f);
        EXPECT_NEAR(vec3(a.x, a.y, 0).length(), 1.0f, 1e-5f);
        EXPECT_EQ(c.signs[2 * k], 1.0f);
        EXPECT_EQ(c.signs[2 * k + 1], -1.0f);
        for (size_t j = 0; j < k; ++j) EXPECT_GT((c.positions[2 * j] - a).length(), 1.0f);
    }
    test::expectVecNear(c.positions[0], {1, 0, 0.5f}, 1e-5f);
    test::expectVecNear(c.positions[1], {-1, 0, 0.5f}, 1e-5f);
    std::vector<uint8_t> masks;
    symmetryMasks(masks, ops);
    const uint8_t expected[8] = {0, 1, 32, 33, 32, 33, 32, 33};
    ASSERT_EQ(masks.size(), 8u);
    for (size_t i = 0; i < 8; ++i) EXPECT_EQ(masks[i], expected[i]) << i;
}

TEST(SymmetryReplication, rotationCountsBelowTwoAddNothingAndTwoAddsAHalfTurn) {
    for (int count : {-3, 0, 1}) {
        Copies c({1, 0, 0}, opsOf(false, false, false, false, false, true, count));
        EXPECT_EQ(c.positions.size(), 1u) << count;
        std::vector<uint8_t> masks;
        symmetryMasks(masks, opsOf(false, false, false, false, false, true, count));
        EXPECT_EQ(masks.size(), 1u);
    }
    Copies two({1, 0, 0}, opsOf(false, false, false, false, false, true, 2));
    ASSERT_EQ(two.positions.size(), 2u);
    test::expectVecNear(two.positions[1], {-1, 0, 0}, 1e-5f);
}

TEST(SymmetryReplication, replicationInFrameMirrorsAcrossTheFramesPlanes) {
    // the space of m is shifted by 2 along x: the mirror plane is x = 2
    std::vector<vec3> p{{3, 1, 0}};
    std::vector<mat3> f{mat3()};
    replicateInFrame(p, f, mat4::translationXYZ(2, 0, 0), opsOf(true, false, false, false, false, false, 2));
    ASSERT_EQ(p.size(), 2u);
    test::expectVecNear(p[0], {3, 1, 0}, 1e-5f);
    test::expectVecNear(p[1], {1, 1, 0}, 1e-5f);
    EXPECT_NEAR(det(f[1]), -1.0f, 1e-5f);
}

TEST(SymmetryReplication, singularOrBrokenMatricesReplicateAboutTheWorldAxesWithoutNaN) {
    mat4 flat;
    flat.m[0] = 0; // squashes x: no inverse
    Copies c({1, 2, 3}, opsOf(true, false, false, false, false, false, 2), flat);
    ASSERT_EQ(c.positions.size(), 2u);
    // copies made about the world axes, then mapped by the matrix itself
    test::expectVecNear(c.positions[0], {0, 2, 3}, 1e-5f);
    test::expectVecNear(c.positions[1], {0, 2, 3}, 1e-5f);

    mat4 broken;
    broken.m[5] = std::numeric_limits<float>::quiet_NaN();
    Copies n({1, 2, 3}, opsOf(true, false, false, false, false, false, 2), broken);
    ASSERT_EQ(n.positions.size(), 2u);
    EXPECT_TRUE(std::isfinite(n.positions[1].x));

    EXPECT_EQ(inverseAffineOrIdentity(flat), mat4());
    EXPECT_EQ(inverseAffineOrIdentity(broken), mat4());
    const mat4 inv = inverseAffineOrIdentity(mat4::translationXYZ(1, 2, 3));
    test::expectVecNear(vec3(1, 2, 3) * inv, {0, 0, 0}, 1e-5f);
}

TEST(SymmetryReplication, aPointOnTheMirrorPlaneMergesWithItsImage) {
    const auto ops = opsOf(true, false, false, false, false, false, 6);
    Copies c({0, 1, 1}, ops);
    std::vector<uint8_t> masks;
    symmetryMasks(masks, ops);
    auto cols = columnsOf(c.frames);
    int32_t count = 6;
    std::vector<int32_t> first, second;
    mergeCoincidentCopies(c.positions, masks, count, cols, c.signs, first, second, 0.1f);
    ASSERT_EQ(c.positions.size(), 1u);
    EXPECT_EQ(masks, (std::vector<uint8_t>{0}));
    EXPECT_EQ(first, (std::vector<int32_t>{0}));
    EXPECT_EQ(second, (std::vector<int32_t>{1}));
    EXPECT_EQ(count, 6);          // masks differed
    EXPECT_EQ(c.signs[0], -1.0f); // +1 times -1
    std::vector<SymmetryOp> rebuilt;
    symmetryOpsFromMasks(masks, count, rebuilt);
    EXPECT_TRUE(rebuilt.empty());
    for (auto& col : cols) EXPECT_EQ(col.size(), 1u);
}

TEST(SymmetryReplication, sixfoldRotationOnItsAxisCollapsesToOneCopy) {
    const auto ops = opsOf(false, false, false, false, false, true, 6);
    Copies c({0, 0, 2}, ops);
    ASSERT_EQ(c.positions.size(), 6u);
    std::vector<uint8_t> masks;
    symmetryMasks(masks, ops);
    auto cols = columnsOf(c.frames);
    int32_t count = 6;
    std::vector<int32_t> first, second;
    mergeCoincidentCopies(c.positions, masks, count, cols, c.signs, first, second, 0.01f);
    EXPECT_EQ(c.positions.size(), 1u);
    EXPECT_EQ(first.size(), 5u);
    // two of the five merges joined rotated copies, whose masks are equal
    EXPECT_EQ(count, 4);
    std::vector<SymmetryOp> rebuilt;
    symmetryOpsFromMasks(masks, count, rebuilt);
    EXPECT_TRUE(rebuilt.empty());
}

TEST(SymmetryReplication, replayRepeatsRecordedMergesWithoutDistanceTest) {
    const auto ops = opsOf(true, false, false, false, false, false, 6);
    std::vector<int32_t> first, second;
    {
        Copies c({0.01f, 0, 0}, ops);
        std::vector<uint8_t> masks;
        symmetryMasks(masks, ops);
        auto cols = columnsOf(c.frames);
        int32_t count = 6;
        mergeCoincidentCopies(c.positions, masks, count, cols, c.signs, first, second, 0.1f);
        ASSERT_EQ(first.size(), 1u);
        test::expectVecNear(c.positions[0], {0, 0, 0}, 1e-5f); // merged to the midpoint, on the plane
    }
    // later in the stroke the point has moved off the plane, far beyond any threshold
    Copies c({3, 1, 0}, ops);
    std::vector<uint8_t> masks;
    symmetryMasks(masks, ops);
    auto cols = columnsOf(c.frames);
    int32_t count = 6;
    mergeCoincidentCopies(c.positions, masks, count, cols, c.signs, first, second, 0.0f);
    ASSERT_EQ(c.positions.size(), 1u);
    test::expectVecNear(c.positions[0], {0, 1, 0}, 1e-5f);
    EXPECT_EQ(first.size(), 1u); // replay leaves the record alone

    // dropping keeps the surviving copy as it was
    Copies d({3, 1, 0}, ops);
    std::vector<uint8_t> dmasks;
    symmetryMasks(dmasks, ops);
    auto dcols = columnsOf(d.frames);
    dropCoincidentCopies(d.positions, dmasks, count, dcols, d.signs, first, second, 0.0f);
    ASSERT_EQ(d.positions.size(), 1u);
    test::expectVecNear(d.positions[0], {3, 1, 0}, 1e-5f);
    EXPECT_EQ(d.signs[0], 1.0f);
}

TEST(SymmetryReplication, replayedPairsOutsideTheArraysAreSkipped) {
    // pairs recorded on eight copies, replayed on an element form that made only two
    std::vector<int32_t> first{0, 5, -1, 1}, second{1, 7, 0, 1};
    std::vector<vec3> p{{1, 0, 0}, {-1, 0, 0}};
    std::vector<uint8_t> masks{0, 1};
    std::vector<std::vector<vec3>> vectors{{{0, 0, 1}, {0, 0, 1}}};
    std::vector<float> signs{1, -1};
    int32_t count = 6;
    mergeCoincidentCopies(p, masks, count, vectors, signs, first, second, 0.0f);
    ASSERT_EQ(p.size(), 1u);
    EXPECT_EQ(vectors[0].size(), 1u);
    EXPECT_EQ(signs.size(), 1u);
    test::expectVecNear(p[0], {0, 0, 0}, 1e-5f);

    // a mask array shorter than the positions bounds the replay as well
    std::vector<int32_t> f2{0}, s2{1};
    std::vector<vec3> q{{1, 0, 0}, {2, 0, 0}};
    std::vector<uint8_t> oneMask{0};
    std::vector<std::vector<vec3>> none;
    std::vector<float> noSigns;
    dropCoincidentCopies(q, oneMask, count, none, noSigns, f2, s2, 0.0f);
    EXPECT_EQ(q.size(), 2u);
}

TEST(SymmetryReplication, placementListsMirrorAndTurnEveryEntry) {
    std::vector<mat4> list{mat4::translationXYZ(1, 2, 0)};
    mirrorPlacements(list, {1, 0, 0});
    ASSERT_EQ(list.size(), 2u);
    test::expectVecNear(vec3(0, 0, 0) * list[1], {-1, 2, 0}, 1e-5f);
    rotatePlacements(list, {0, 0, 1}, 4);
    ASSERT_EQ(list.size(), 8u);
    // block k is block k - 1 turned by a quarter about Z, applied after the entry
    const vec3 o(0, 0, 0);
    EXPECT_NEAR(dot(o * list[2], {1, 2, 0}), 0.0f, 1e-5f);
    EXPECT_NEAR((o * list[2]).length(), std::sqrt(5.0f), 1e-5f);
    EXPECT_NEAR(dot(o * list[3], {-1, 2, 0}), 0.0f, 1e-5f);
    test::expectVecNear(o * list[4], {-1, -2, 0}, 1e-5f);
    test::expectVecNear(o * list[5], {1, -2, 0}, 1e-5f);
    rotatePlacements(list, {0, 0, 1}, 1);
    EXPECT_EQ(list.size(), 8u);
}

TEST(SymmetryReplication, mergedFrameTakesTheLongerHintAndTheSecondOnATie) {
    const mat3 up = frameFromMergedColumns({0.5f, 0, 0}, {0, 0.5f, 0}, {0, 0, 1});
    test::expectVecNear(up.column(1), {0, 1, 0}, 1e-5f);
    test::expectVecNear(up.column(2), {0, 0, 1}, 1e-5f);
    const mat3 side = frameFromMergedColumns({0.9f, 0.1f, 0}, {0, 0.2f, 0}, {0, 0, 1});
    test::expectVecNear(side.column(2), {0, 0, 1}, 1e-5f);
    EXPECT_GT(side.column(0).x, 0.99f);
}

namespace {

SymmetricPlacementInput pickAt(vec3 point, vec3 normal) {
    SymmetricPlacementInput in;
    in.point = point;
    in.normal = normal;
    in.pixelVector = {0.01f, 0, 0};
    return in;
}

vec3 originOf(const mat4& m) { return vec3(0, 0, 0) * m; }

} // namespace

TEST(SymmetricPlacement, withoutSymmetryThereIsOnePlacementAtThePick) {
    SymmetricPlacementInput in = pickAt({0.3f, 0.2f, 0.1f}, {0, 0, 1});
    in.worldToFrame = mat4::translationXYZ(-1, 0, 0);
    in.frameToTarget = mat4::translationXYZ(1, 0, 0);
    in.sizeInPixels = 20;
    SymmetricPlacementResult out;
    buildSymmetricPlacements(in, SymmetrySetting{0, 0, 0, 0, 0, 0, 6}, out);
    ASSERT_EQ(out.placements.size(), 1u);
    test::expectVecNear(originOf(out.placements[0]), {0.3f, 0.2f, 0.1f}, 1e-5f);
    // 20 pixels of 0.01 each
    test::expectVecNear(transformDirection({1, 0, 0}, out.placements[0]).length() * vec3(1, 0, 0), {0.2f, 0, 0}, 1e-5f);
    // the placement's Z axis is the normal
    test::expectVecNear(normalize(transformDirection({0, 0, 1}, out.placements[0])), {0, 0, 1}, 1e-5f);
}

TEST(SymmetricPlacement, mirrorXWithFourfoldZGivesEightCopiesOrientedByTheYHint) {
    SymmetricPlacementInput in = pickAt({0.5f, 0.1f, 0.2f}, {1, 0, 0});
    SymmetricPlacementResult out;
    buildSymmetricPlacements(in, SymmetrySetting{1, 0, 0, 0, 0, 1, 4}, out);
    ASSERT_EQ(out.placements.size(), 8u);
    // hint (0, 1, 0): the first copy's Y axis is +Y, its Z axis the normal
    test::expectVecNear(normalize(transformDirection({0, 1, 0}, out.placements[0])), {0, 1, 0}, 1e-5f);
    test::expectVecNear(normalize(transformDirection({0, 0, 1}, out.placements[0])), {1, 0, 0}, 1e-5f);
    test::expectVecNear(originOf(out.placements[1]), {-0.5f, 0.1f, 0.2f}, 1e-5f);
    for (size_t i = 0; i < 8; ++i) {
        const vec3 o = originOf(out.placements[i]);
        EXPECT_NEAR(vec3(o.x, o.y, 0).length(), vec3(0.5f, 0.1f, 0).length(), 1e-5f);
        // mirror images turn handedness
        EXPECT_NEAR(det(out.placements[i].upper3()), i % 2 ? -1.0f : 1.0f, 1e-5f) << i;
    }
}

TEST(SymmetricPlacement, snappingPutsACopyNearTheMirrorPlaneOnItAndReplaysOnLaterPoints) {
    SymmetricPlacementInput in = pickAt({0.004f, 0.3f, 0}, {0, 0, 1});
    in.snap = true;
    in.snapPixels = 2; // 0.02 world units
    const SymmetrySetting mirrorX{1, 0, 0, 0, 0, 0, 6};
    SymmetricPlacementResult out;
    buildSymmetricPlacements(in, mirrorX, out);
    ASSERT_EQ(out.placements.size(), 1u);
    ASSERT_TRUE(out.snapped);
    test::expectVecNear(out.snappedPoint, {0, 0.3f, 0}, 1e-5f);
    test::expectVecNear(originOf(out.placements[0]), {0, 0.3f, 0}, 1e-5f);
    // a later point of the same drawing is kept on the plane by the recorded merge
    const vec3 later = symmetricFirstPoint({0.2f, 0.5f, 0}, mat4(), mat3(), mirrorX, out.mergesFirst, out.mergesSecond);
    test::expectVecNear(later, {0, 0.5f, 0}, 1e-5f);

    in.point = {0.2f, 0.3f, 0};
    buildSymmetricPlacements(in, mirrorX, out);
    EXPECT_EQ(out.placements.size(), 2u);
    EXPECT_FALSE(out.snapped);
    EXPECT_TRUE(out.mergesFirst.empty());
}

TEST(SymmetricPlacement, aSingularFrameFallsBackToTheIdentity) {
    SymmetricPlacementInput in = pickAt({0.5f, 0, 0}, {0, 0, 1});
    mat3 flat;
    flat.m[0] = 0;
    in.frame = flat;
    SymmetricPlacementResult out;
    buildSymmetricPlacements(in, SymmetrySetting{1, 0, 0, 0, 0, 0, 6}, out);
    ASSERT_EQ(out.placements.size(), 2u);
    for (const mat4& m : out.placements)
        for (float e : m.m) EXPECT_TRUE(std::isfinite(e));
    EXPECT_EQ(inverseOrIdentity(flat), mat3());
}
