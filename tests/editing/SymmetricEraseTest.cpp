// Erasing and cutting with symmetric copies: every copy's pick names its part on the mesh as it was
// before any copy erased, so no copy erases what an earlier copy's purge moved under its pick;
// copies whose cut planes or spheres coincide cut once where their regions meet; and a Patch cut's
// copies cut across the lines the copies before them drew.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <tuple>
#include <vector>

#include "EditingFixtures.h"
#include "MeshFixtures.h"
#include "MeshInvariants.h"
#include "TopologyChecks.h"

namespace kal::test {
namespace {

constexpr int kSegments = 12, kRings = 11;
constexpr float kPi = 3.14159265f;

// Three parts: a band of radius 1 round the x axis from x = -1 to 1, across the mirror plane, and
// a disc of radius 1.5 at each end, at x = +-2, facing out. Rings of the band at the given x are
// marked edges. Mirror X and turns about x by a third map it onto itself.
Mesh bandAndCaps(const std::vector<float>& markedRings) {
    Mesh m;
    auto at = [](float x, int j, float r) {
        const float a = 2 * kPi * float(j % kSegments) / kSegments;
        return vec3(x, r * std::cos(a), r * std::sin(a));
    };
    for (int i = 0; i < kRings; ++i)
        for (int j = 0; j < kSegments; ++j) m.addVertex(at(-1 + 0.2f * float(i), j, 1));
    auto band = [](int i, int j) { return i * kSegments + j % kSegments; };
    for (int i = 0; i + 1 < kRings; ++i)
        for (int j = 0; j < kSegments; ++j) {
            addTri(m, band(i, j), band(i + 1, j + 1), band(i + 1, j));
            addTri(m, band(i, j), band(i, j + 1), band(i + 1, j + 1));
        }
    for (float side : {1.0f, -1.0f}) {
        const int centre = m.addVertex(vec3(2 * side, 0, 0)), rim = m.vertexCount();
        for (int j = 0; j < kSegments; ++j) m.addVertex(at(2 * side, j, 1.5f));
        for (int j = 0; j < kSegments; ++j) {
            const int a = rim + j, b = rim + (j + 1) % kSegments;
            side > 0 ? addTri(m, centre, a, b) : addTri(m, centre, b, a);
        }
    }
    m.rebuild(Recenter::Keep);
    for (float x : markedRings)
        for (int t = 0; t < m.triangleCount(); ++t)
            for (int k = 0; k < 3; ++k) {
                const vec3 a = m.vertices[m.triangles[t].vertex[(k + 1) % 3]].position;
                const vec3 b = m.vertices[m.triangles[t].vertex[(k + 2) % 3]].position;
                if (std::fabs(a.x - x) < 1e-4f && std::fabs(b.x - x) < 1e-4f) m.setEdgeMark(t, k, true);
            }
    for (int v = 0; v < m.vertexCount(); ++v) m.updateVertexRing(v);
    m.updateNormals(NormalUpdate::Faces);
    return m;
}

// Where a copy's pick lands: the mirror image, or the click turned about x by a third.
vec3 copyOf(vec3 p, int copies, int k) {
    if (copies == 2) return k == 0 ? p : vec3(-p.x, p.y, p.z);
    const float a = 2 * kPi * float(k) / 3, c = std::cos(a), s = std::sin(a);
    return vec3(p.x, c * p.y - s * p.z, s * p.y + c * p.z);
}

// A click as the view makes it with symmetric copies: the press applied, then the finish with
// the release's sample. Only the click itself carries the triangle under it; a copy names none.
void clickWithCopies(Mesh& m, Brush action, int mode, vec3 point, int copies) {
    std::vector<std::unique_ptr<Sculptor>> strokes;
    for (int k = 0; k < copies; ++k) {
        const vec3 p = copyOf(point, copies, k);
        const int item = k == 0 ? m.closestTriangle(p) : -1;
        strokes.push_back(stroke(action, mode, GestureBegun, {sampleAt(p, 0.1f, item)}));
    }
    std::vector<Gesture*> list;
    for (auto& s : strokes) list.push_back(s.get());
    applyMeshGestures(m, list);
    for (int k = 0; k < copies; ++k) {
        const vec3 p = copyOf(point, copies, k);
        strokes[size_t(k)]->finish();
        strokes[size_t(k)]->samples.push_back(sampleAt(p, 0.1f, k == 0 ? m.closestTriangle(p) : -1));
    }
    applyMeshGestures(m, list);
}

std::vector<vec3> usedPositions(const Mesh& m) {
    std::vector<vec3> out;
    for (int t = 0; t < m.triangleCount(); ++t)
        if (m.triangles[t].alive())
            for (int32_t v : m.triangles[t].vertex) out.push_back(m.vertices[v].position);
    return out;
}

bool holds(const std::vector<vec3>& points, vec3 p) {
    return std::any_of(points.begin(), points.end(), [&](vec3 q) { return (q - p).length() < 1e-4f; });
}

// Every point's copies are among the points.
::testing::AssertionResult mapsOntoItself(const std::vector<vec3>& points, int copies) {
    for (vec3 p : points)
        for (int k = 1; k < copies; ++k)
            if (!holds(points, copyOf(p, copies, k)))
                return ::testing::AssertionFailure()
                       << "(" << p.x << ", " << p.y << ", " << p.z << ") has no copy " << k;
    return ::testing::AssertionSuccess();
}

int countNear(const std::vector<vec3>& points, float x) {
    return int(std::count_if(points.begin(), points.end(), [&](vec3 p) { return std::fabs(p.x - x) < 1e-4f; }));
}

using EraseCase = std::tuple<Brush, int>;

class SymmetricErase : public ::testing::TestWithParam<EraseCase> {};

// A click on the band beside the mirror plane, copied by the mirror or by turns about x: the
// copies land on the band too, and only what they name goes, whichever copy erases first.
TEST_P(SymmetricErase, CopiesEraseWhatTheyPickedOnTheMeshAsItWas) {
    const auto [action, copies] = GetParam();
    // the patch under the click crosses the mirror plane; the feature nearest it is the ring on
    // the plane, with two more rings either side
    Mesh m = action == Brush::EraseFeature ? bandAndCaps({0.0f, -0.4f, 0.4f}) : bandAndCaps({-0.4f, 0.4f});
    // the middle of a band face, a little right of the mirror plane
    const float a = 2 * kPi * 1.5f / kSegments;
    const vec3 click(0.1f, std::cos(kPi / kSegments) * std::cos(a), std::cos(kPi / kSegments) * std::sin(a));
    clickWithCopies(m, action, action == Brush::ErasePatch ? SelectPatch : SelectComponent, click, copies);

    InvariantOptions options;
    options.allowDeadRecords = false;
    ASSERT_MESH_VALID(m, options);
    const std::vector<vec3> kept = usedPositions(m);
    EXPECT_TRUE(mapsOntoItself(kept, copies));
    EXPECT_TRUE(mapsOntoItself(markedEdgeMiddles(m), copies));
    // both caps stay whatever was erased
    EXPECT_TRUE(holds(kept, vec3(2, 0, 0)));
    EXPECT_TRUE(holds(kept, vec3(-2, 0, 0)));
    switch (action) {
    case Brush::EraseComponent: EXPECT_EQ(m.triangleCount(), 2 * kSegments); break;
    case Brush::ErasePatch:
        // the band outside the marked rings stays, the part between them went
        EXPECT_EQ(m.triangleCount(), 2 * kSegments + 2 * 3 * 2 * kSegments);
        EXPECT_EQ(countNear(kept, 0.0f), 0);
        EXPECT_GT(countNear(kept, 0.4f), 0);
        EXPECT_GT(countNear(kept, -0.8f), 0);
        break;
    default: {
        // only the ring on the plane is no feature any more
        const std::vector<vec3> marked = markedEdgeMiddles(m);
        EXPECT_EQ(countNear(marked, 0.0f), 0);
        EXPECT_EQ(countNear(marked, 0.4f), kSegments);
        EXPECT_EQ(countNear(marked, -0.4f), kSegments);
        break;
    }
    }
}

INSTANTIATE_TEST_SUITE_P(EraseActions, SymmetricErase,
                         ::testing::Combine(::testing::Values(Brush::EraseComponent, Brush::ErasePatch,
                                                              Brush::EraseFeature),
                                            ::testing::Values(2, 3)),
                         [](const auto& info) {
                             return std::string("Brush") + brushName(std::get<0>(info.param)) + "Copies" +
                                    std::to_string(std::get<1>(info.param));
                         });

// A line drawn along x over the band's front at height 0.4, seen along -z, and its mirror image in
// x: the plane y = 0.4 is its own image. Applied as the view applies a stroke: the press, then the
// finish with the release's sample. Only the drawn copy names its triangle.
void cutAlongWithMirror(Mesh& m, Brush action, int mode, float x, bool withCopy) {
    const float z = std::sqrt(1 - 0.4f * 0.4f);
    std::vector<float> sides{1.0f};
    if (withCopy) sides.push_back(-1.0f);
    std::vector<std::unique_ptr<Sculptor>> strokes;
    std::vector<Gesture*> list;
    for (float side : sides) {
        const vec3 from(side * x, 0.4f, z);
        const int item = side > 0 ? m.closestTriangle(from) : -1;
        // a mirror copy looks the other way, so that its plane is the image of the drawn one
        strokes.push_back(stroke(action, mode, GestureBegun, {sampleAt(from, 0.1f, item)}, vec3(0, 0, -side)));
        list.push_back(strokes.back().get());
    }
    applyMeshGestures(m, list);
    for (size_t k = 0; k < strokes.size(); ++k) {
        strokes[k]->finish();
        strokes[k]->samples.push_back(sampleAt(vec3(sides[k] * (x + 0.1f), 0.4f, z)));
    }
    applyMeshGestures(m, list);
}

// The cut vertices on the plane y = 0.4 with x between lo and hi.
int cutVerticesBetween(const Mesh& m, float lo, float hi) {
    int n = 0;
    for (vec3 p : usedPositions(m))
        if (std::fabs(p.y - 0.4f) < 1e-5f && p.x > lo && p.x < hi) ++n;
    return n;
}

// mode, where the line starts (its copy at -x), whether the copy's region is the drawn one's
using PlaneCutCase = std::tuple<int, float, bool>;

class SymmetricPlaneCut : public ::testing::TestWithParam<PlaneCutCase> {};

// Where the copy's region is the drawn one's the pair cuts as the drawn copy alone does (the
// second cut would split edges at the first one's vertices); apart, each cuts its own region.
TEST_P(SymmetricPlaneCut, CopiesAlongOnePlaneCutOnceWhereTheirRegionsMeet) {
    const auto [mode, x, shared] = GetParam();
    Mesh once = bandAndCaps({-0.4f, 0.4f}), pair = once;
    cutAlongWithMirror(once, Brush::CutPlane, mode, x, false);
    cutAlongWithMirror(pair, Brush::CutPlane, mode, x, true);
    ASSERT_MESH_VALID(pair);
    EXPECT_EQ(zeroAreaTriangles(pair), 0);
    ASSERT_GT(cutVerticesBetween(once, 0, 3), 0) << "the drawn copy cut nothing";
    if (shared) {
        EXPECT_EQ(pair.triangleCount(), once.triangleCount());
        EXPECT_EQ(pair.vertexCount(), once.vertexCount());
    } else {
        // the patch between the marked rings at +-0.4 is cut by neither (bar its rings)
        EXPECT_EQ(cutVerticesBetween(pair, -0.35f, 0.35f), 0);
        EXPECT_EQ(cutVerticesBetween(pair, -3, -0.35f), cutVerticesBetween(once, 0.35f, 3));
        EXPECT_EQ(cutVerticesBetween(pair, 0.35f, 3), cutVerticesBetween(once, 0.35f, 3));
    }
}

// Element and Component act on the whole band; the patches are split by the rings at +-0.4.
INSTANTIATE_TEST_SUITE_P(Regions, SymmetricPlaneCut,
                         ::testing::Values(PlaneCutCase{SelectElement, 0.6f, true},
                                           PlaneCutCase{SelectComponent, 0.6f, true},
                                           PlaneCutCase{SelectPatch, 0.1f, true},
                                           PlaneCutCase{SelectPatch, 0.6f, false}));

// Cuts whose copies cross the drawn one on the band, drawn on its front and copied by the mirror
// or by the turns about x: the plane x + 0.8 y = 0.05 seen along -z, from a point of the band along
// the line, or a sphere of radius 0.35 round a point of the band near the mirror plane.
struct CrossingCut {
    Brush brush;
    int copies;

    bool plane() const { return brush == Brush::CutPlane; }
    vec3 from() const { return plane() ? vec3(0.29f, -0.3f, std::sqrt(1 - 0.09f)) : vec3(0.12f, -0.3f, 0.954f); }
    vec3 to() const { return plane() ? from() + vec3(-0.08f, 0.1f, 0) : from() + vec3(0.35f, 0, 0); }

    // Applied as the view applies a cut: the press, then the finish with the release's sample.
    // Only the drawn copy names its triangle.
    void apply(Mesh& m, int applied) const {
        std::vector<std::unique_ptr<Sculptor>> strokes;
        std::vector<Gesture*> list;
        for (int k = 0; k < applied; ++k) {
            const vec3 p = copyOf(from(), copies, k);
            const int item = k == 0 ? m.closestTriangle(p) : -1;
            // a mirror copy looks the other way, so that its plane is the image of the drawn one
            const vec3 view = copies == 2 ? vec3(0, 0, k == 0 ? -1.0f : 1.0f) : copyOf(vec3(0, 0, -1), copies, k);
            strokes.push_back(stroke(brush, SelectPatch, GestureBegun, {sampleAt(p, 0.1f, item)}, view));
            list.push_back(strokes.back().get());
        }
        applyMeshGestures(m, list);
        for (int k = 0; k < applied; ++k) {
            strokes[size_t(k)]->finish();
            strokes[size_t(k)]->samples.push_back(sampleAt(copyOf(to(), copies, k)));
        }
        applyMeshGestures(m, list);
    }

    // How long the marked line that copy k drew is.
    float lineLength(const Mesh& m, int k) const {
        const vec3 n = copyOf(normalize(vec3(1, 0.8f, 0)), copies, k), c = copyOf(from(), copies, k);
        auto on = [&](int v) {
            const vec3 p = m.vertices[v].position;
            return plane() ? std::fabs(dot(p - c, n)) < 1e-5f : std::fabs((p - c).length() - 0.35f) < 1e-5f;
        };
        float length = 0;
        for (int t = 0; t < m.triangleCount(); ++t) {
            const MeshTriangle& tri = m.triangles[t];
            for (int e = 0; e < 3; ++e) {
                const int a = tri.vertex[(e + 1) % 3], b = tri.vertex[(e + 2) % 3];
                if (tri.alive() && tri.marked(e) && tri.neighbour[e] > t && on(a) && on(b))
                    length += (m.vertices[a].position - m.vertices[b].position).length();
            }
        }
        return length;
    }
};

class SymmetricCrossingCut : public ::testing::TestWithParam<CrossingCut> {};

// Each copy cuts across its patch as it was before the stroke, through the lines the copies before
// it drew: every copy's line is whole, as long as the drawn line alone.
TEST_P(SymmetricCrossingCut, PatchCopiesCutAcrossTheLinesOfTheCopiesBefore) {
    const CrossingCut cut = GetParam();
    Mesh alone = bandAndCaps({}), all = alone;
    cut.apply(alone, 1);
    cut.apply(all, cut.copies);
    ASSERT_MESH_VALID(all);
    EXPECT_EQ(zeroAreaTriangles(all), 0);
    const float whole = cut.lineLength(alone, 0);
    // round the band, or a circle of radius 0.35 on it
    ASSERT_GT(whole, cut.plane() ? 6.0f : 2.0f);
    // (the band's quads split along one diagonal: a mirrored arc is laid in other triangles)
    for (int k = 0; k < cut.copies; ++k) EXPECT_NEAR(cut.lineLength(all, k), whole, 1e-3f) << "copy " << k;
}

INSTANTIATE_TEST_SUITE_P(MirrorAndTurns, SymmetricCrossingCut,
                         ::testing::Values(CrossingCut{Brush::CutPlane, 2}, CrossingCut{Brush::CutPlane, 3},
                                           CrossingCut{Brush::CutSphere, 2}),
                         [](const auto& info) {
                             return std::string("Brush") + brushName(info.param.brush) + "Copies" +
                                    std::to_string(info.param.copies);
                         });

// mode, the rings marked, whether the copy's region is the drawn one's
using SphereClipCase = std::tuple<int, std::vector<float>, bool>;

class SymmetricSphereClip : public ::testing::TestWithParam<SphereClipCase> {};

// A sphere centred on the mirror plane, over the band's top, is its own image to within the float
// rounding of the copy: where the copy's region is the drawn one's the pair clips as the drawn copy
// alone does (the second clip would cut slivers off the first one's rim); apart, each clips its own.
TEST_P(SymmetricSphereClip, CopiesOfOneSphereClipOnceWhereTheirRegionsMeet) {
    const auto [mode, rings, shared] = GetParam();
    const Mesh band = bandAndCaps(rings);
    for (float off : {0.0f, 1e-6f}) {
        SCOPED_TRACE(testing::Message() << "centre " << off << " off the mirror plane");
        Mesh once = band, pair = once;
        for (Mesh* m : {&once, &pair}) {
            std::vector<std::unique_ptr<Sculptor>> strokes;
            for (float side : {1.0f, -1.0f}) {
                if (m == &once && side < 0) continue;
                const vec3 centre(side * off, 0, 1), rim(side * 0.35f, 0, 1);
                const bool drawn = side > 0;
                strokes.push_back(stroke(Brush::ClipSphere, mode, GestureFinished,
                                         {sampleAt(centre, 0.1f, drawn ? m->closestTriangle(centre) : -1),
                                          sampleAt(rim, 0.1f, drawn ? m->closestTriangle(rim) : -1)},
                                         vec3(0, 0, -1)));
            }
            std::vector<Gesture*> list;
            for (auto& s : strokes) list.push_back(s.get());
            applyMeshGestures(*m, list);
        }
        ASSERT_MESH_VALID(pair, (InvariantOptions{false, true, false}));
        EXPECT_EQ(zeroAreaTriangles(pair), 0);
        ASSERT_GT(countEdges(once).open, countEdges(band).open) << "the drawn copy clipped nothing";
        if (shared) {
            expectSameRecords(pair, once);
        } else {
            // the drawn copy leaves the ball's half past the marked ring; its copy clips that too
            auto inside = [](const Mesh& m) {
                int n = 0;
                for (vec3 p : usedPositions(m)) n += (p - vec3(0, 0, 1)).length() < 0.34f;
                return n;
            };
            EXPECT_GT(inside(once), 0);
            EXPECT_EQ(inside(pair), 0);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Regions, SymmetricSphereClip,
                         ::testing::Values(SphereClipCase{SelectElement, {}, true},
                                           SphereClipCase{SelectComponent, {}, true},
                                           SphereClipCase{SelectPatch, {-0.4f, 0.4f}, true},
                                           SphereClipCase{SelectPatch, {0.0f}, false}));

} // namespace
} // namespace kal::test
