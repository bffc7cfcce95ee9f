#include <gtest/gtest.h>

#include <memory>

#include "MeshInvariants.h"
#include "mesh/Mesh.h"

namespace kal::test {
namespace {

struct TileCase {
    const char* brush;
    Mesh* (*make)();
    int vertices;
    int triangles;
    int coloured;
};

int colouredTriangles(const Mesh& m) {
    int count = 0;
    for (int t = 0; t < m.triangleCount(); ++t) {
        const pbr& p = m.triangles[t].corner[0];
        if (p.red == 0 && p.green == 34952 && p.blue == 65535) ++count;
    }
    return count;
}

TEST(PatternTiles, BrushTilesHaveTheirCountsPinnedInnerVerticesAndColouredCentres) {
    const TileCase cases[] = {
        {"Pattern0", [] { return Mesh::createPatternTile(0.7f, false); }, 6, 7, 1},
        {"Pattern1", [] { return Mesh::createPatternTile(0.7f, true); }, 6, 6, 0},
        {"Pattern2", [] { return Mesh::createPatternTile2(0.3f, false); }, 6, 7, 4},
        {"Pattern3", [] { return Mesh::createPatternTile3(0.9f, false); }, 9, 13, 4},
        {"Pattern4", [] { return Mesh::createPatternTile3(0.9f, true); }, 9, 9, 0},
    };
    for (const TileCase& c : cases) {
        SCOPED_TRACE(c.brush);
        std::unique_ptr<Mesh> m(c.make());
        EXPECT_MESH_VALID(*m);
        EXPECT_FALSE(m->invalid);
        EXPECT_EQ(m->vertexCount(), c.vertices);
        EXPECT_EQ(m->triangleCount(), c.triangles);
        EXPECT_EQ(colouredTriangles(*m), c.coloured);
        for (int v = 3; v < m->vertexCount(); ++v) EXPECT_TRUE(m->vertices[v].pinned()) << "inner " << v;
    }
}

TEST(PatternTiles, FanTileIsAllSeamsWithAFreeInnerVertex) {
    std::unique_ptr<Mesh> m(Mesh::createPatternTile4(0.5f));
    EXPECT_MESH_VALID(*m);
    EXPECT_EQ(m->vertexCount(), 4);
    EXPECT_EQ(m->triangleCount(), 3);
    for (int t = 0; t < 3; ++t) EXPECT_EQ(m->triangles[t].flags & EdgeMarks, EdgeMarks);
    EXPECT_TRUE(m->vertices[3].seam());
}

} // namespace
} // namespace kal::test
