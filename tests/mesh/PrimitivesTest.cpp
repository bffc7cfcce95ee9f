#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "MeshFixtures.h"
#include "MeshInvariants.h"
#include "TopologyChecks.h"
#include "mesh/Primitives.h"

namespace kal::test {
namespace {

using MeshPtr = std::unique_ptr<Mesh>;

TEST(AddPolygon, TriangleTakesPolygonMarksOneTwoZeroOnEdgesZeroOneTwo) {
    Mesh m;
    for (int i = 0; i < 3; ++i) m.addVertex(vec3(float(i), float(i * i), 0));
    m.addPolygon({0, 1, 2}, {true, false, false});
    ASSERT_EQ(m.triangleCount(), 1);
    EXPECT_EQ(m.triangles[0].flags & EdgeMarks, 0x04); // polygon edge 0 (p0-p1) is triangle edge 2
    m.addPolygon({0, 1, 2}, {false, true, false});
    EXPECT_EQ(m.triangles[1].flags & EdgeMarks, 0x01);
    m.addPolygon({0, 1, 2}, {false, false, true});
    EXPECT_EQ(m.triangles[2].flags & EdgeMarks, 0x02);
}

TEST(AddPolygon, QuadDiagonalIsUnmarkedOnBothSidesAndShortPolygonsAreIgnored) {
    Mesh m;
    for (int i = 0; i < 4; ++i) m.addVertex(vec3(float(i & 1), float(i >> 1), 0));
    m.addPolygon({0, 1, 3, 2}, std::vector<bool>(4, true));
    ASSERT_EQ(m.triangleCount(), 2);
    EXPECT_EQ(m.triangles[0].flags & EdgeMarks, 0x01 | 0x04); // diagonal 3-0 is edge 1
    EXPECT_EQ(m.triangles[1].flags & EdgeMarks, 0x01 | 0x02); // diagonal 0-3 is edge 2
    m.addPolygon({0, 1}, {true, true});
    m.addPolygon({0, 1, 2});
    EXPECT_EQ(m.triangleCount(), 3);
    EXPECT_EQ(m.triangles[2].flags & EdgeMarks, 0);
}

TEST(Primitives, CubeHasEighteenEdgesOfWhichTheTwelveOutlineEdgesAreMarked) {
    MeshPtr cube(Mesh::createCube());
    EXPECT_MESH_VALID(*cube);
    EXPECT_EQ(cube->vertexCount(), 8);
    EXPECT_EQ(cube->triangleCount(), 12);
    EdgeCounts e = countEdges(*cube);
    // 24 marked edge slots, two per outline edge; the diagonals are the soft six
    EXPECT_EQ(e.marked + e.unmarked, 18);
    EXPECT_EQ(e.marked, 12);
    EXPECT_EQ(e.unmarked, 6);
    EXPECT_EQ(e.open, 0);
    // bounding-box centring
    EXPECT_NEAR(cube->translation.x, 0.5f, 1e-6f);
    EXPECT_NEAR(cube->scale, std::sqrt(3.0f), 1e-5f);
}

TEST(Primitives, CylinderCountsAndMarks) {
    MeshPtr soft(Mesh::createCylinder(24, false));
    EXPECT_MESH_VALID(*soft);
    EXPECT_EQ(soft->vertexCount(), 50);
    EXPECT_EQ(soft->triangleCount(), 96);
    EdgeCounts e = countEdges(*soft);
    EXPECT_EQ(e.marked, 48);             // both rims
    EXPECT_EQ(e.unmarked, 24 + 24 + 48); // verticals, side diagonals, cap spokes
    MeshPtr hard(Mesh::createCylinder(24, true));
    EXPECT_MESH_VALID(*hard);
    EXPECT_EQ(countEdges(*hard).marked, 72);
}

TEST(Primitives, CylinderWithoutSegmentsHasNoTriangles) {
    for (int segments : {0, -3}) {
        MeshPtr m(Mesh::createCylinder(segments, false));
        EXPECT_MESH_VALID(*m);
        EXPECT_EQ(m->triangleCount(), 0);
    }
    // one or two segments fold their quads flat; they must still build without harm
    MeshPtr one(Mesh::createCylinder(1, true)), two(Mesh::createCylinder(2, false));
    EXPECT_LE(two->triangleCount(), 8);
}

TEST(Primitives, EverySolidWindsOutwardLikeTheOthers) {
    MeshPtr solids[] = {MeshPtr(Mesh::createTetrahedron()),    MeshPtr(Mesh::createCube()),
                        MeshPtr(Mesh::createOctahedron()),     MeshPtr(Mesh::createDodecahedron()),
                        MeshPtr(Mesh::createIcosahedron()),    MeshPtr(Mesh::createCylinder(24, false)),
                        MeshPtr(Mesh::createCapsule(1, false))};
    const int counts[][2] = {{4, 4}, {8, 12}, {6, 8}, {20, 36}, {12, 20}, {50, 96}};
    for (size_t i = 0; i < 6; ++i) {
        EXPECT_EQ(solids[i]->vertexCount(), counts[i][0]);
        EXPECT_EQ(solids[i]->triangleCount(), counts[i][1]);
    }
    EXPECT_EQ(countEdges(*solids[3]).marked, 30); // the pentagon outlines of the dodecahedron
    for (const MeshPtr& m : solids) {
        EXPECT_MESH_VALID(*m);
        EXPECT_EQ(countEdges(*m).open, 0);
        EXPECT_GT(signedVolume(*m), 0.0);
    }
    // the cylinder's face normals point away from its axis and out of its caps
    MeshPtr cylinder(Mesh::createCylinder(12, false));
    for (int t = 0; t < cylinder->triangleCount(); ++t) {
        const MeshTriangle& tri = cylinder->triangles[t];
        vec3 centre;
        for (int c = 0; c < 3; ++c) centre += cylinder->vertices[tri.vertex[c]].position * (1.0f / 3);
        EXPECT_GT(dot(tri.faceNormal, centre), 0.0f) << "triangle " << t;
    }
}

TEST(Primitives, ColouredCubeFacesSquareToZYXAreRedGreenBlue) {
    MeshPtr m(Mesh::createColouredCube());
    const uint16_t expected[3][3] = {{65535, 0, 0}, {0, 65535, 0}, {0, 0, 65535}};
    for (int t = 0; t < 12; ++t)
        for (int c = 0; c < 3; ++c) {
            const pbr& p = m->triangles[t].corner[c];
            EXPECT_EQ(p.red, expected[t / 4][0]);
            EXPECT_EQ(p.green, expected[t / 4][1]);
            EXPECT_EQ(p.blue, expected[t / 4][2]);
            EXPECT_EQ(p.opacity, 65535);
            EXPECT_EQ(p.refractivity, 65535);
        }
    // the shared marker cube is built once, and again after a release
    EXPECT_EQ(colouredCube(), colouredCube());
    EXPECT_EQ(colouredCube()->triangles[0].corner[0].green, 0);
    releaseColouredCube();
    EXPECT_EQ(colouredCube()->triangleCount(), 12);
    releaseColouredCube();
}

TEST(Primitives, IcosahedronLiesOnRadiusTwoAndCentresWithSizeFour) {
    MeshPtr m(Mesh::createIcosahedron());
    EXPECT_EQ(m->vertexCount(), 12);
    EXPECT_EQ(m->triangleCount(), 20);
    for (int v = 0; v < 12; ++v) {
        EXPECT_NEAR(length(m->vertices[v].position), 2.0f, 1e-4f);
        EXPECT_TRUE(m->vertices[v].seam());
    }
    EXPECT_NEAR(length(m->translation), 0.0f, 1e-5f);
    EXPECT_NEAR(m->scale, 4.0f, 1e-3f);
    EXPECT_EQ(countEdges(*m).unmarked, 0);
}

TEST(Primitives, CapsuleWithoutLevelsBandsTheFourVertexRim) {
    MeshPtr m(Mesh::createCapsule(0, false));
    EXPECT_MESH_VALID(*m);
    EXPECT_EQ(m->vertexCount(), 16);
    EXPECT_EQ(m->triangleCount(), 10 + 10 + 8);
    EXPECT_EQ(countEdges(*m).open, 0);
}

TEST(Primitives, CapsuleSpansPoleToPoleWithUnitRadius) {
    for (bool hard : {false, true}) {
        MeshPtr m(Mesh::createCapsule(2, hard));
        EXPECT_MESH_VALID(*m);
        float lo = 0, hi = 0, radius = 0;
        for (int v = 0; v < m->vertexCount(); ++v) {
            vec3 p = m->vertices[v].position;
            lo = std::min(lo, p.z);
            hi = std::max(hi, p.z);
            radius = std::max(radius, std::sqrt(p.x * p.x + p.y * p.y));
        }
        EXPECT_NEAR(lo, -2.0f, 1e-4f);
        EXPECT_NEAR(hi, 2.0f, 1e-4f);
        EXPECT_NEAR(radius, 1.0f, 1e-4f);
        // the two rims are hard, so domes and band are separate patches
        EXPECT_GE(countEdges(*m).marked, 2 * 16);
    }
}

} // namespace
} // namespace kal::test
