// Surface arrays of tubes and revolutions built without GL, and their conversion to meshes,
// against grids and counts worked out by hand.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "elements/Curve.h"
#include "elements/Revoluton.h"
#include "elements/Tube.h"
#include "OneThreadScope.h"
#include "MeshInvariants.h"

using namespace kal;

namespace {

const bool all[4] = {true, true, true, true};

Curve* openAxis(std::vector<vec3> p) { return new Curve(p, false, 0); }

template <class V>
bool hasPoint(const V& xyz, vec3 p, float eps = 1e-4f) {
    for (size_t i = 0; i + 2 < xyz.size(); i += 3)
        if (std::fabs(xyz[i] - p.x) < eps && std::fabs(xyz[i + 1] - p.y) < eps && std::fabs(xyz[i + 2] - p.z) < eps)
            return true;
    return false;
}

// Normals of the six vertices of quad q, decoded from half floats.
vec3 normalAt(const SurfaceArrays& s, size_t vertex) {
    auto f = [](uint16_t h) {
        const int e = (h >> 10) & 31, m = h & 1023;
        const float v = e == 0 ? std::ldexp(float(m), -24) : std::ldexp(float(m | 1024), e - 25);
        return (h & 0x8000) ? -v : v;
    };
    return vec3(f(s.normals[3 * vertex]), f(s.normals[3 * vertex + 1]), f(s.normals[3 * vertex + 2]));
}

} // namespace

TEST(SurfaceBuild, oneAxisSegmentAroundAHexagonHasTwoRims) {
    Tube t(openAxis({vec3(0, 0, 0), vec3(0, 0, 2)}), Curve::makeCircle(6, false));
    SurfaceArrays s;
    ASSERT_TRUE(t.buildArrays(all, s));
    EXPECT_EQ(s.corners, 36);
    EXPECT_EQ(s.positions.size(), 108u);
    EXPECT_EQ(s.normals.size(), 108u);
    EXPECT_EQ(s.colours.size(), 144u);
    EXPECT_EQ(s.materials.size(), 72u);
    EXPECT_EQ(s.lines.size(), 12u * 6);
    // the rings sit at the axis points with the axis radius (1 by default)
    for (size_t i = 0; i < s.positions.size(); i += 3) {
        const float r = std::hypot(s.positions[i], s.positions[i + 1]);
        EXPECT_NEAR(r, 1.0f, 1e-5f);
        EXPECT_TRUE(s.positions[i + 2] == 0 || s.positions[i + 2] == 2);
    }
    EXPECT_EQ(s.ids[6 * 5], 5u); // axis segment 0, section segment 5
}

TEST(SurfaceBuild, closedUnmarkedCurvesHaveNoOutline) {
    Tube t(Curve::makeCircle(8, false), Curve::makeCircle(6, false));
    SurfaceArrays s;
    ASSERT_TRUE(t.buildArrays(all, s));
    EXPECT_EQ(s.corners, 8 * 6 * 6);
    EXPECT_TRUE(s.lines.empty());
}

TEST(SurfaceBuild, markedJointDrawsOneRingAndKeepsItsCrease) {
    const std::vector<vec3> bend = {vec3(0, 0, 0), vec3(0, 0, 2), vec3(0, 2, 2)};
    for (bool marked : {false, true}) {
        Curve* axis = openAxis(bend);
        if (marked) {
            axis->points[1].flags |= PointMarked;
            axis->rebuild(Recenter::Keep);
        }
        Tube t(axis, Curve::makeCircle(6, false));
        SurfaceArrays s;
        ASSERT_TRUE(t.buildArrays(all, s));
        EXPECT_EQ(s.lines.size() / 6, marked ? 18u : 12u);
        // quad (axis 0, section 0) corner c2 and quad (axis 1, section 0) corner c0 share a point
        const vec3 before = normalAt(s, 5), after = normalAt(s, 36);
        if (marked) {
            EXPECT_LT(dot(before, after), 0.9f);
        } else {
            EXPECT_NEAR(dot(before, after), 1.0f, 1e-2f);
        }
    }
}

TEST(SurfaceBuild, materialsAloneLeaveFramesAndOtherArraysAlone) {
    Curve* axis = openAxis({vec3(0, 0, 0), vec3(0, 0, 2)});
    axis->segments[0].material[0].red = 65535;
    Curve* section = Curve::makeCircle(4, false);
    section->segments[0].material[0].red = 32768;
    section->segments[0].material[0].lightGreen = 65535;
    axis->segments[0].material[0].lightGreen = 1;
    axis->segments[0].material[0].roughness = 30000;
    section->segments[0].material[0].roughness = 30000;
    Tube t(axis, section);
    axis->framesValid = false;
    const bool materials[4] = {false, false, true, false};
    SurfaceArrays s;
    ASSERT_TRUE(t.buildArrays(materials, s));
    EXPECT_FALSE(axis->framesValid);
    EXPECT_TRUE(s.positions.empty() && s.normals.empty() && s.ids.empty() && s.lines.empty());
    EXPECT_EQ(s.colours[0], 32768 >> 8); // 65535 x 32768 / 65535
    EXPECT_EQ(s.lights[1], 255);         // 65535 + 1, clamped
    EXPECT_EQ(s.materials[0], 32766);    // 30000 + 30000, clamped
    const pbr m = combineMaterials(axis->segments[0].material[0], section->segments[0].material[0]);
    EXPECT_EQ(m.red, 32768);
    EXPECT_EQ(m.lightGreen, 65535);
}

TEST(SurfaceBuild, emptyCurvesBuildNothing) {
    Tube t(openAxis({vec3(0, 0, 0), vec3(0, 0, 2)}), new Curve(0));
    SurfaceArrays s;
    EXPECT_FALSE(t.buildArrays(all, s));
    EXPECT_EQ(s.corners, 0);
    EXPECT_EQ(t.toMesh(), nullptr);
}

TEST(SurfaceBuild, revolutionMapsSectionPointsAroundY) {
    Curve* axis = openAxis({vec3(2, 0, 0), vec3(0, 3, 1), vec3(0, 5, 0)});
    Curve* section = new Curve({vec3(1, 0, 0), vec3(0, 1, 0)}, false, 0);
    Revoluton r(axis, section);
    SurfaceArrays s;
    ASSERT_TRUE(r.buildArrays(all, s));
    // section point (1, 0, 0) reproduces the axis
    EXPECT_TRUE(hasPoint(s.positions, vec3(2, 0, 0)));
    EXPECT_TRUE(hasPoint(s.positions, vec3(0, 3, 1)));
    // (0, 1, 0) is the horizontal tangent: (-az, 0, ax) scaled, at the axis height
    EXPECT_TRUE(hasPoint(s.positions, vec3(0, 0, 2)));
    EXPECT_TRUE(hasPoint(s.positions, vec3(-1, 3, 0)));
    // the ring of an axis point on Y is that point
    EXPECT_TRUE(hasPoint(s.positions, vec3(0, 5, 0)));

    Revoluton placed(Curve::makeLine(2, Recenter::Keep), Curve::makeCircle(4, false));
    placed.axis->points[0].position = vec3(3, 4, 5);
    placed.rebuild(Recenter::Mean);
    EXPECT_EQ(placed.translation.x, 0.0f);
    EXPECT_EQ(placed.translation.z, 0.0f);
    EXPECT_NEAR(placed.translation.y, 4.0f / 3, 1e-5f);
}

TEST(SurfaceBuild, tubeToMeshIsAClosedBandWithMarkedRims) {
    Curve* axis = openAxis({vec3(0, 0, 0), vec3(0, 0, 2)});
    Curve* section = Curve::makeCircle(4, false);
    section->points[1].flags |= PointMarked;
    section->rebuild(Recenter::Keep);
    Tube t(axis, section);
    t.translation = vec3(1, 2, 3);
    std::unique_ptr<Element> e(t.toMesh());
    ASSERT_TRUE(e);
    const Mesh& m = static_cast<const Mesh&>(*e);
    EXPECT_EQ(m.vertexCount(), 8);
    EXPECT_EQ(m.triangleCount(), 8);
    EXPECT_MESH_VALID(m);
    EXPECT_EQ(m.vertices[1].flags & 0x0B, 0x0B); // both points marked
    EXPECT_EQ(m.vertices[0].flags & 0x0B, 0x09);
    EXPECT_EQ(m.translation, vec3(1, 2, 3));
    int rimEdges = 0;
    for (int i = 0; i < m.triangleCount(); ++i)
        for (int k = 0; k < 3; ++k) rimEdges += m.triangles[i].marked(k);
    EXPECT_GE(rimEdges, 8); // two rims of four edges, plus the crease along the marked point
}

TEST(SurfaceBuild, neverDrawnTubeGetsFramesForItsMesh) {
    Curve* axis = openAxis({vec3(0, 0, 0), vec3(2, 0, 0), vec3(4, 0, 0)});
    Tube t(axis, Curve::makeCircle(4, false));
    axis->removeSegment(0); // compaction moves the records the frames belonged to
    for (CurveSegment& s : axis->segments) s.tangent = s.normal = vec3();
    std::unique_ptr<Element> e(t.toMesh());
    ASSERT_TRUE(e);
    const Mesh& m = static_cast<const Mesh&>(*e);
    EXPECT_EQ(m.vertexCount(), 8);
    for (int v = 0; v < m.vertexCount(); ++v) {
        const vec3 p = m.vertices[v].position;
        EXPECT_NEAR(std::hypot(p.y, p.z), 1.0f, 1e-4f) << v; // a real ring, not the axis point
    }
}

TEST(SurfaceBuild, revolutionToMeshCollapsesRingsOnTheAxis) {
    Curve* axis = openAxis({vec3(0, 0, 0), vec3(1, 1, 0), vec3(0, 2, 0)});
    Revoluton r(axis, Curve::makeCircle(4, false));
    std::unique_ptr<Element> e(r.toMesh());
    ASSERT_TRUE(e);
    const Mesh& m = static_cast<const Mesh&>(*e);
    EXPECT_EQ(m.vertexCount(), 6);   // one apex each end and one ring
    EXPECT_EQ(m.triangleCount(), 8); // two cones of four
    EXPECT_MESH_VALID(m);

    Revoluton flat(openAxis({vec3(0, 0, 0), vec3(0, 1, 0)}), Curve::makeCircle(4, false));
    std::unique_ptr<Element> none(flat.toMesh());
    ASSERT_TRUE(none);
    EXPECT_EQ(static_cast<const Mesh&>(*none).triangleCount(), 0);
}

TEST(SurfaceBuild, blocksOfQuadsGiveTheSerialArrays) {
    // mixed materials and a marked joint, so the per-block caches and neighbour sums are exercised
    Curve* axis = openAxis({vec3(0, 0, 0), vec3(0, 0, 1), vec3(0, 1, 2), vec3(1, 1, 3), vec3(2, 0, 3)});
    axis->points[2].flags |= PointMarked;
    axis->rebuild(Recenter::Keep);
    axis->segments[1].material[0].red = 1000;
    axis->segments[2].material[1].roughness = -300;
    // a section fine enough that the quads fall into several blocks
    Tube t(axis, Curve::makeCircle(2100, true));
    SurfaceArrays serial, split;
    {
        test::OneThreadScope one;
        ASSERT_TRUE(t.buildArrays(all, serial));
    }
    ASSERT_TRUE(t.buildArrays(all, split));
    EXPECT_TRUE(test::splitsWhereThreadsAllow(serial.corners / 6));
    test::expectSameCornerArrays(serial, split);
}
