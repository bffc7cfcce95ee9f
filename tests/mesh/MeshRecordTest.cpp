#include "FileVersionScope.h"
#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "MeshFixtures.h"
#include "MeshInvariants.h"
#include "foundation/ByteBuffer.h"
#include "mesh/MeshRecord.h"
#include "scene/SceneFile.h"

using namespace kal;
using namespace kal::test;

namespace {

uint32_t wordAt(const ByteBuffer& b, size_t offset) {
    uint32_t w;
    std::memcpy(&w, b.data() + offset, 4);
    return w;
}

// The body of a record (header dropped), ready to be read.
ByteBuffer bodyOf(const ByteBuffer& record) {
    ByteBuffer b;
    b.bytes.assign(record.bytes.begin() + 8, record.bytes.end());
    return b;
}

// Reads a record body as the file reader does: null when it is refused.
std::unique_ptr<Mesh> readBody(ByteBuffer& in) {
    bool ok = false;
    std::unique_ptr<Mesh> m(static_cast<Mesh*>(readMeshRecord(in, meshRecordTag, in.size(), ok)));
    EXPECT_EQ(ok, m != nullptr);
    return m;
}

} // namespace

TEST(MeshRecord, emptyMeshIsThirtyTwoBytes) {
    Mesh m;
    ByteBuffer out;
    m.save(out);
    ASSERT_EQ(out.size(), 32u);
    EXPECT_EQ(wordAt(out, 0), meshRecordTag);
    EXPECT_EQ(wordAt(out, 4), 24u);
}

TEST(MeshRecord, oneTriangleBodyIs136Bytes) {
    Mesh m;
    for (int i = 0; i < 3; ++i) m.addVertex(vec3(float(i), 0, 0));
    addTri(m, 0, 1, 2);
    ByteBuffer out;
    m.save(out);
    EXPECT_EQ(wordAt(out, 4), 136u);
}

TEST(MeshRecord, roundTripKeepsRecordsIndexForIndex) {
    test::FileVersionScope guard;
    fileVersion = currentFileVersion;
    Mesh m = cubeMesh();
    m.translation = vec3(1, 2, 3);
    m.scale = 2.5f;
    m.triangles[3].corner[1].red = 1234;
    m.triangles[3].corner[1].metalness = -77;
    m.vertices[2].flags |= VertexPinned;
    ByteBuffer out;
    m.save(out);
    ByteBuffer in = bodyOf(out);
    const std::unique_ptr<Mesh> read = readBody(in);
    ASSERT_TRUE(read);
    Mesh& r = *read;
    EXPECT_TRUE(in.atEnd());
    EXPECT_FALSE(in.failed());
    EXPECT_EQ(r.translation.y, 2.0f);
    EXPECT_EQ(r.scale, 2.5f);
    ASSERT_EQ(r.vertexCount(), m.vertexCount());
    ASSERT_EQ(r.triangleCount(), m.triangleCount());
    for (int v = 0; v < m.vertexCount(); ++v) {
        EXPECT_EQ(r.vertices[v].position, m.vertices[v].position);
        EXPECT_EQ(r.vertices[v].flags, m.vertices[v].flags);
    }
    for (int t = 0; t < m.triangleCount(); ++t) {
        for (int c = 0; c < 3; ++c) {
            EXPECT_EQ(r.triangles[t].vertex[c], m.triangles[t].vertex[c]);
            EXPECT_EQ(r.triangles[t].corner[c], m.triangles[t].corner[c]);
        }
        EXPECT_EQ(r.triangles[t].flags, m.triangles[t].flags);
    }
    r.rebuild(Recenter::Keep);
    EXPECT_MESH_VALID(r);
}

// Selection and the passes' scratch marks are not stored state. A Visited mark read back once
// kept a triangle wound against its neighbours out of the winding pass.
TEST(MeshRecord, workingFlagsDoNotOutliveTheirPass) {
    Mesh m = rebuilt(cubeMesh());
    m.selectAllWithTriangles();
    MeshTriangle& turned = m.triangles[0];
    std::swap(turned.vertex[0], turned.vertex[2]);
    turned.flags |= TriangleVisited;
    m.triangles[1].flags |= TriangleProcessed;
    ByteBuffer out;
    m.save(out);
    ByteBuffer in = bodyOf(out);
    test::FileVersionScope guard;
    fileVersion = currentFileVersion;
    const std::unique_ptr<Mesh> read = readBody(in);
    ASSERT_TRUE(read);
    Mesh& r = *read;
    r.rebuild(Recenter::Keep);
    ASSERT_EQ(r.triangleCount(), m.triangleCount());
    EXPECT_MESH_VALID(r);
    for (int v = 0; v < r.vertexCount(); ++v) EXPECT_FALSE(r.vertices[v].flags & VertexSelected);
    for (int t = 0; t < r.triangleCount(); ++t)
        EXPECT_FALSE(r.triangles[t].flags & (TriangleSelected | TriangleVisited | TriangleProcessed));
}

// A read mesh reserves memory in proportion to its records: a file of many one-triangle meshes
// once reserved a block of 4096 triangles for each.
TEST(MeshRecord, readStoresReserveInProportionToTheirRecords) {
    test::FileVersionScope guard;
    fileVersion = currentFileVersion;
    for (int n : {1, 2, 3, 100, 5000}) {
        Mesh m;
        for (int i = 0; i < n + 2; ++i) m.addVertex(vec3(float(i), float(i % 2), 0));
        for (int i = 0; i < n; ++i) addTri(m, i, i + 1, i + 2);
        ByteBuffer out;
        m.save(out);
        ByteBuffer in = bodyOf(out);
        const std::unique_ptr<Mesh> read = readBody(in);
        ASSERT_TRUE(read);
        Mesh& r = *read;
        ASSERT_EQ(r.triangleCount(), n);
        EXPECT_LE(r.vertices.reservedBytes(), 2 * sizeof(MeshVertex) * size_t(n + 2)) << n;
        EXPECT_LE(r.triangles.reservedBytes(), 2 * sizeof(MeshTriangle) * size_t(n)) << n;
    }
}

TEST(MeshRecord, oldVersionReadsByteColoursIn41ByteTriangles) {
    test::FileVersionScope guard;
    ByteBuffer body;
    body.write(vec3());
    body.write(1.0f);
    body.write(uint32_t(3));
    for (int i = 0; i < 3; ++i) {
        body.write(vec3(float(i), float(i * i), 0));
        body.write(uint8_t(VertexAlive));
    }
    body.write(uint32_t(1));
    for (uint32_t c = 0; c < 3; ++c) {
        body.write(c);
        const uint8_t colour[8] = {0x80, 255, 0, 255, 1, 2, 3, 4};
        body.append(colour, 8);
    }
    body.write(uint32_t(0));
    body.write(uint8_t(TriangleAlive | 1));
    ASSERT_EQ(body.size(), 24u + 39u + 41u);
    fileVersion = 20060411;
    const std::unique_ptr<Mesh> read = readBody(body);
    ASSERT_TRUE(read);
    Mesh& r = *read;
    EXPECT_TRUE(body.atEnd());
    ASSERT_EQ(r.triangleCount(), 1);
    EXPECT_EQ(r.triangles[0].corner[2].red, 32768);
    EXPECT_EQ(r.triangles[0].corner[2].green, 65280);
    EXPECT_EQ(r.triangles[0].corner[0].refractivity, 1024);
    EXPECT_EQ(r.triangles[0].flags, TriangleAlive | 1);
    // the same bytes in a current file are too short for one 73-byte triangle
    fileVersion = 20060412;
    body.position = 0;
    EXPECT_FALSE(readBody(body));
}

TEST(MeshRecord, damagedBodiesAreRefused) {
    test::FileVersionScope guard;
    fileVersion = currentFileVersion;
    Mesh m = octahedronMesh();
    ByteBuffer out;
    m.save(out);
    // corner index outside the vertex records
    ByteBuffer badIndex = bodyOf(out);
    uint32_t far = 6;
    std::memcpy(badIndex.data() + 24 + 13 * 6, &far, 4);
    EXPECT_FALSE(readBody(badIndex));
    // a vertex count larger than the body
    ByteBuffer badCount = bodyOf(out);
    uint32_t huge = 0x7FFFFFFF;
    std::memcpy(badCount.data() + 16, &huge, 4);
    EXPECT_FALSE(readBody(badCount));
}
