// Erasing with symmetric copies: every copy's pick names its part on the mesh as it was before any
// copy erased, so no copy erases what an earlier copy's purge moved under its pick.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <tuple>

#include "EditingFixtures.h"
#include "MeshFixtures.h"
#include "MeshInvariants.h"

namespace kal::test {
namespace {

constexpr int kSegments = 12, kRings = 11;
constexpr float kPi = 3.14159265f;

// Three parts: a band of radius 1 round the x axis from x = -1 to 1, across the mirror plane, and
// a disc of radius 1.5 at each end, at x = +-2, facing out. Rings of the band at the given x are
// marked edges. Mirror X and turns about x by a third map it onto itself.
Mesh bandAndCaps(std::initializer_list<float> markedRings) {
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

} // namespace
} // namespace kal::test
