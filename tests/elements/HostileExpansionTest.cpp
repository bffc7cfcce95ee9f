// Small records that expand into much more once read: Bezier axes, the circles of older
// revolutions, the surfaces tubes and revolutions sweep and the samples of following curves are
// charged to the read that makes them, and following curves derive in work linear in what they
// follow.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <utility>

#include "elements/CurveRecord.h"
#include "scene/Tool.h"
#include "tests/support/HostileScenes.h"
#include "tests/support/ResidentBytes.h"

using namespace kal;
using namespace kal::test;

namespace {

// The points of the element the first tool holds after a read; -1 for a refused file.
int readPoints(const std::string& bytes) {
    registerCurveRecords();
    registerBezierCurveRecords();
    Scene s;
    if (!readSceneBytes(s, reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size())) return -1;
    if (s.sceneRoot->children.empty()) return 0;
    return static_cast<Curve*>(s.sceneRoot->children[0]->element)->pointCount();
}

TEST(HostileExpansion, recordsThatExpandAreRefusedPastTheReadBound) {
    EXPECT_EQ(readPoints(bezierRecords(16)), 0);
    EXPECT_EQ(readPoints(olderRevolutions(4, 64)), 0);
    // half a megabyte of Bezier records, or nine kilobytes of circles, would take gigabytes
    EXPECT_EQ(readPoints(bezierRecords(65536)), -1);
    EXPECT_EQ(readPoints(olderRevolutions(200, 65536)), -1);
}

// How many tools a read hands over, -1 for a refused file (why then holds the reason).
int readTools(const std::string& bytes, std::string* why = nullptr) {
    registerCurveRecords();
    Scene s;
    if (!readSceneBytes(s, reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), why)) return -1;
    return int(s.sceneRoot->children.size());
}

TEST(HostileExpansion, surfacesAreChargedTheSweepsTheFileDoesNotStore) {
    // surfaces over curves the file stores, each the first of the read to sweep them, are what
    // drawing in the program makes, however large: forty of 400 x 64 points stage 210 MB, one of
    // 800 x 800 points 130 MB
    Scene many;
    for (int i = 0; i < 40; ++i) hold(many, new Tube(straightCurve(399), Curve::makeCircle(64, false)));
    EXPECT_EQ(readTools(sceneBytes(many)), 40);
    EXPECT_EQ(readTools(sharedSweeps(1, straightCurve(799), 800, true)), 1);
    // an older record's circle is not stored: cheap alone, but not the surface it sweeps along a
    // long axis
    EXPECT_EQ(readTools(olderRevolutions(1, 4096, 64, true)), 1);
    EXPECT_EQ(readTools(olderRevolutions(1, 65536, 64, true)), -1);

    // four hundred records sweeping one pair of curves ask for 330 MB of corners from 30 KB
    std::string why;
    EXPECT_EQ(readTools(sharedSweeps(400, straightCurve(63), 64, true), &why), -1);
    EXPECT_EQ(why, overBudgetReason);
    // an axis that follows a curve of radius 0 has its thousands of samples only after linking:
    // one such tube is what the program saves, but not many records sweeping it again
    auto following = [] {
        Curve* base = new Curve({vec3(0, 0, 0), vec3(1, 0, 0)}, false, 0);
        for (CurvePoint& p : base->points) p.radius = 0.0f;
        return new UCurve(base, 0);
    };
    EXPECT_EQ(readTools(sharedSweeps(1, following(), 128, false)), 1);
    why.clear();
    EXPECT_EQ(readTools(sharedSweeps(64, following(), 128, false), &why), -1);
    EXPECT_EQ(why, overBudgetReason);
}

TEST(HostileExpansion, surfacesOverStoredCurvesDrawOnOneAllowancePerRead) {
    // one surface over curves the file stores opens however large: 1000 x 1000 points from
    // 134 KB, or the largest a build makes
    EXPECT_EQ(readTools(storedSweeps(1, 1000)), 1);
    EXPECT_EQ(readTools(storedSweeps(1, 3245)), 1);
    EXPECT_EQ(readTools(oneLiveQuadTube(12000)), 1);
    // but what a file opens with stages no more than one largest surface and a share of its
    // bytes: two or eight of the largest (4 or 17 GB of corners from 0.9 or 3.6 MB) do not open
    for (int tubes : {2, 8}) {
        const std::string bytes = storedSweeps(tubes, 3245);
        std::string why;
        const int read = readTools(bytes, &why);
        const uint64_t staged = read < 0 ? 0 : uint64_t(tubes) * 3244 * 3245 * 6 * bytesPerCorner;
        EXPECT_LE(staged, readSurfaceSlack + readBytesPerFileByte * bytes.size()) << tubes;
        EXPECT_EQ(why, read < 0 ? overBudgetReason : "") << tubes;
    }
}

// The most a build of the first tool's surface holds beyond what the read left resident.
size_t buildPeak(const std::string& bytes) {
    registerCurveRecords();
    Scene s;
    EXPECT_TRUE(readSceneBytes(s, reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()));
    CurveSurface* surface = curveSurfaceOf(s.sceneRoot->children.at(0)->element);
    SurfaceArrays arrays;
    const bool all[4] = {true, true, true, true};
    const size_t before = residentBytes();
    restartResidentPeak();
    EXPECT_TRUE(surface->buildArrays(all, arrays));
    EXPECT_EQ(arrays.corners, 6);
    return std::max(peakResidentBytes(), before) - before;
}

TEST(HostileExpansion, aSurfaceStagesWhatItDrawsNotWhatItsCurvesHold) {
    // one alive quad over curves of 1500 or 3000 points each: the dead segments and the points
    // only they end on are not in any table
    const size_t small = buildPeak(oneLiveQuadTube(1500)), large = buildPeak(oneLiveQuadTube(3000));
    EXPECT_LE(large, 2 * small + (size_t(8) << 20)) << small << " then " << large;
}

TEST(HostileExpansion, surfacesTheProgramWritesReopen) {
    // dead segments are written as they are: two tubes of one quad each over curves of 4000
    // points (1.1 MB) reopen, each builds its one quad, and the scene writes the same file again
    registerCurveRecords();
    const std::string bytes = oneLiveQuadTubes(2, 4000);
    Scene s;
    std::string why;
    ASSERT_TRUE(readSceneBytes(s, reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), &why)) << why;
    ASSERT_EQ(s.sceneRoot->children.size(), 2u);
    for (Tool* t : s.sceneRoot->children) {
        CurveSurface* surface = curveSurfaceOf(t->element);
        ASSERT_NE(surface, nullptr);
        EXPECT_EQ(surface->axis->pointCount(), 4000);
        SurfaceArrays arrays;
        const bool all[4] = {true, true, true, true};
        EXPECT_TRUE(surface->buildArrays(all, arrays));
        EXPECT_EQ(arrays.corners, 6);
    }
    EXPECT_EQ(sceneBytes(s), bytes);

    // cables that share one section, each along a long axis of its own (1.4 MB), reopen too
    Scene cables;
    Curve* section = Curve::makeCircle(64, false);
    for (int i = 0; i < 2; ++i) hold(cables, new Tube(straightCurve(10000), section));
    why.clear();
    EXPECT_EQ(readTools(sceneBytes(cables), &why), 2) << why;
}

TEST(HostileExpansion, followingCurvesResampleAndDeriveLinearly) {
    // levels over a radius of zero do not compound: each gives what the first does
    const int oneLevel = readPoints(followerChain(1, 0.0f));
    EXPECT_GT(oneLevel, 1000);
    EXPECT_LE(readPoints(followerChain(4, 0.0f)), 16 * 2 + 4096 + 1);

    // tiny chains share one floor of samples, rather than each taking one of its own
    const int some = readPoints(followerOfSeparateChains(100));
    const int four = readPoints(followerOfSeparateChains(400));
    EXPECT_GT(some, 0);
    EXPECT_LE(four, 16 * 800 + 4096 + 400);

    // a chain of following curves derives each member once on reading, not once per member above
    for (int n : {200, 400}) {
        const std::string bytes = followerChain(n, 0.25f);
        derivations = 0;
        EXPECT_EQ(readPoints(bytes), 5);
        EXPECT_LE(derivations, uint64_t(2 * n)) << n;
    }
}

// What a session does to a chain of n following curves read from a file: the read (links, then
// a rebuild of every member), a frame after the bottom curve changed, an animated frame's time
// handed down the chain, a copy of the tool holding
// the chain, a clone of the chain, a rebuild from the top, and the teardown. Answers the
// derivations made and the steps taken down the chain.
std::pair<uint64_t, uint64_t> chainWork(int n) {
    registerCurveRecords();
    const std::string bytes = followerChain(n, 0.25f);
    derivations = followingSteps = 0;
    {
        Scene s;
        EXPECT_TRUE(readSceneBytes(s, reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()));
        Tool* holder = s.sceneRoot->children.at(0);
        auto* top = static_cast<UCurve*>(holder->element);
        Curve* bottom = top->base();
        EXPECT_EQ(bottom->typeCode, CurveType);
        EXPECT_EQ(top->pointCount(), 5);
        ++frameCounter;
        bottom->points[1].position.x = 2.0f;
        bottom->touch();
        ++frameCounter;
        top->changeStamp();
        EXPECT_EQ(top->pointCount(), 9); // the longer curve reached the top
        s.setTime(1.0);
        std::unique_ptr<Tool> copy(holder->copy(false));
        EXPECT_EQ(bottom->useCount, 2);
        copy.reset();
        std::unique_ptr<Element> clone(top->clone());
        EXPECT_EQ(static_cast<Curve*>(clone.get())->pointCount(), 9);
        clone.reset();
        top->rebuild(Recenter::Keep);
        EXPECT_EQ(bottom->useCount, 1);
    }
    return {derivations, followingSteps};
}

TEST(HostileExpansion, chainsOfFollowingCurvesDeriveAndWalkInWorkLinearInTheirLength) {
    const auto [derivedSmall, stepsSmall] = chainWork(2000);
    const auto [derivedLarge, stepsLarge] = chainWork(8000);
    EXPECT_GT(derivedSmall, 0u);
    EXPECT_LE(derivedLarge, 5 * derivedSmall) << derivedSmall << " then " << derivedLarge;
    EXPECT_LE(stepsLarge, 5 * stepsSmall) << stepsSmall << " then " << stepsLarge;
}

} // namespace
