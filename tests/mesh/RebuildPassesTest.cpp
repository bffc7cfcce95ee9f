// The full rebuild runs some of its passes together in one sweep; its records must be exactly
// those of the passes run one after another through the public calls.
#include <gtest/gtest.h>

#include "MeshFixtures.h"
#include "MeshInvariants.h"
#include "ResidentBytes.h"

namespace kal::test {
namespace {

Mesh passByPass(Mesh m, Recenter mode, bool markCreases = false) {
    m.invalid = !m.buildLinks();
    if (m.invalid) return m;
    m.orientComponents();
    m.updateAllRings();
    if (markCreases) m.markNormalCreases();
    m.updateNormals(NormalUpdate::All);
    m.recenter(mode);
    m.splitPinchedVertices();
    m.purgeDeleted(false);
    return m;
}

TEST(RebuildPasses, rebuildEqualsItsPassesRunOneByOne) {
    for (Recenter mode : {Recenter::Keep, Recenter::Mean, Recenter::Box}) {
        for (Mesh m : {awkwardGrid(), cubeMesh(true), cubeMesh(false), uvSphereMesh(5, 8), bowTieMesh(),
                       hexagonFanMesh(), threeOnEdgeMesh()}) {
            Mesh expected = passByPass(m, mode);
            m.rebuild(mode);
            expectSameRecords(m, expected);
            if (!m.invalid) {
                EXPECT_MESH_VALID(m);
            }
        }
    }
}

// Imported corner normals carry the file's normal numbers; where two sides of an edge disagree the
// import marks a crease. Files with and without such disagreements finish like the passes.
TEST(RebuildPasses, importFinishEqualsItsPassesWithAndWithoutCreases) {
    auto numbered = [](Mesh m, int disagreeing) {
        for (int t = 0; t < m.triangleCount(); ++t)
            for (int c = 0; c < 3; ++c) {
                float number = float(m.triangles[t].vertex[c] % 4 + 1);
                m.triangles[t].cornerNormal[c] = vec3(number, number, number);
            }
        if (disagreeing >= 0) m.triangles[disagreeing].cornerNormal[1] = vec3(9, 9, 9);
        return m;
    };
    for (int disagreeing : {-1, 4, 17}) {
        for (Mesh m : {numbered(gridMesh(4), disagreeing), numbered(uvSphereMesh(5, 8), disagreeing)}) {
            Mesh expected = passByPass(m, Recenter::Mean, true);
            m.finishImport(Recenter::Mean);
            expectSameRecords(m, expected);
            EXPECT_MESH_VALID(m);
        }
    }
}

// After a subdivision the records of one ring lie far apart; the per-vertex passes then take the
// vertices in triangle order. Their results must be those of plain vertex order.
Mesh scatteredMesh() {
    Mesh m = awkwardGrid();
    m.rebuild(Recenter::Keep);
    m.subdivide(false);
    for (int v = 0; v < m.vertexCount(); ++v) m.vertices[v].position.z += float((v * 11) % 5) * 0.1f;
    m.updateNormals(NormalUpdate::Faces);
    return m;
}

TEST(RebuildPasses, perVertexPassesMatchPlainVertexOrder) {
    Mesh base = scatteredMesh();
    ASSERT_MESH_VALID(base);
    // a vertex whose triangles were all deleted (no purge yet) is still visited
    std::vector<int32_t> ring;
    base.vertexTriangles(0, ring);
    for (int32_t t : ring) base.triangles[t].flags &= uint8_t(~TriangleAlive);
    for (int32_t t : ring) base.triangles[t].cornerNormal[base.triangles[t].cornerOf(0)] = vec3(5, 5, 5);
    Mesh normals = base, expectedNormals = base;
    normals.updateNormals(NormalUpdate::All);
    for (int v = 0; v < base.vertexCount(); ++v)
        if (expectedNormals.vertices[v].alive()) expectedNormals.updateVertexNormal(v);
    expectSameRecords(normals, expectedNormals);

    Mesh rings = base, expectedRings = base;
    for (int v = 0; v < base.vertexCount(); v += 3) rings.vertices[v].flags |= VertexOpen; // stale flags to mend
    expectedRings = rings;
    rings.updateAllRings();
    for (int v = 0; v < base.vertexCount(); ++v)
        if (expectedRings.vertices[v].alive()) expectedRings.updateVertexRing(v);
    for (int v = 0; v < base.vertexCount(); ++v)
        if (expectedRings.vertices[v].alive() && expectedRings.isSeamCorner(v))
            expectedRings.vertices[v].setPinned(true);
    expectSameRecords(rings, expectedRings);
}

TEST(RebuildPasses, smoothedSubdivisionMovesOldVerticesByTheirTargets) {
    Mesh m = rebuilt(awkwardGrid());
    int oldCount = m.vertexCount();
    Mesh expected = m;
    m.subdivide(true);
    expected.subdivide(false);
    std::vector<vec3> targets(static_cast<size_t>(oldCount));
    for (int v = 0; v < oldCount; ++v)
        if (expected.vertices[v].alive()) targets[size_t(v)] = expected.smoothTarget(v);
    for (int v = 0; v < oldCount; ++v) {
        MeshVertex& vx = expected.vertices[v];
        if (vx.alive()) vx.position = ((dvec3(vx.position) + dvec3(targets[size_t(v)])) * 0.5).toFloat();
    }
    expected.updateNormals(NormalUpdate::All);
    expectSameRecords(m, expected);
    EXPECT_MESH_VALID(m);
}

// The rebuilds share one set of arrays, one mesh after another: a mesh rebuilt after a larger
// one is built as if alone, and a closed scene gives the arrays back.
TEST(RebuildPasses, sharedArraysServeMeshAfterMeshAndGoBack) {
    const Mesh small = uvSphereMesh(5, 8);
    Mesh alone = small;
    alone.rebuild(Recenter::Keep);
    {
        Mesh large = uvSphereMesh(500, 600);
        large.rebuild(Recenter::Keep);
        EXPECT_MESH_VALID(large);
    }
    Mesh after = small;
    after.rebuild(Recenter::Keep);
    expectSameRecords(after, alone);
    // the corners, links and edge buckets of 600,000 triangles: about 29 MB
    const size_t held = residentBytes();
    releaseRebuildScratch();
    EXPECT_LE(residentBytes() + (size_t(20) << 20), held);
}

} // namespace
} // namespace kal::test
