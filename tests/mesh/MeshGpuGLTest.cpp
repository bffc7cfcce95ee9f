// The mesh's GPU mirror against a real context: the corner buffer's layout read back from GL, which
// groups an upload rewrites, the edge lines, and what a draw leaves in the scene render target.
#include "foundation/ByteBuffer.h"
#include "gpu/FBOScene.h"
#include "gpu/GLFunctions.h"
#include "gpu/GeometryBuffers.h"
#include "gpu/Shader.h"
#include "gpu/ShaderTable.h"
#include "gpu/Texture2D.h"
#include "mesh/Mesh.h"
#include "mesh/MeshGpuArrays.h"
#include "scene/CameraMatrices.h"

#include <QOpenGLFunctions_4_0_Core>
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

// The fixtures are built into the plain test binary; this one compiles them itself.
#include "LogLines.h"
#include "MeshFixtures.h"
#include "SceneTargetTest.h"

namespace {

using namespace kal;
using kal::test::addTri;
using kal::test::rebuilt;

template <typename T>
std::vector<T> bufferContents(unsigned buffer, uint32_t offset, size_t count) {
    std::vector<T> out(count);
    gl->glBindBuffer(GL_ARRAY_BUFFER, buffer);
    if (count) gl->glGetBufferSubData(GL_ARRAY_BUFFER, offset, GLsizeiptr(count * sizeof(T)), out.data());
    gl->glBindBuffer(GL_ARRAY_BUFFER, 0);
    return out;
}

GLint bufferSize(unsigned buffer) {
    GLint size = -1;
    gl->glBindBuffer(GL_ARRAY_BUFFER, buffer);
    gl->glGetBufferParameteriv(GL_ARRAY_BUFFER, GL_BUFFER_SIZE, &size);
    gl->glBindBuffer(GL_ARRAY_BUFFER, 0);
    return size;
}

void flagOnly(Mesh& m, int group) {
    for (int g = 0; g < 4; ++g) m.partChanged[g] = g == group;
}

class MeshGpu : public ::testing::Test {
protected:
    void SetUp() override { gl->glGetError(); }
    void TearDown() override { EXPECT_EQ(gl->glGetError(), GLenum(GL_NO_ERROR)); }
};

TEST_F(MeshGpu, cornerBufferHoldsSixArraysOfAliveTrianglesInTriangleOrder) {
    Mesh m = kal::test::quadMesh();
    m.addVertex(vec3(5, 5, 5));
    addTri(m, 1, 4, 2);
    m.deleteTriangle(1); // the middle record is dead: ids must skip it, not renumber
    m.triangles[0].corner[0].red = 65535;
    m.triangles[0].corner[0].green = 255;
    m.triangles[0].corner[1].roughness = -1234;
    m.triangles[0].corner[1].metalness = 4321;
    m.triangles[0].corner[2].lightBlue = 0x8000;
    m.triangles[2].cornerNormal[0] = vec3(0, 0, 0);
    m.triangles[2].cornerNormal[1] = vec3(1e6f, -1e6f, 0.5f);

    ASSERT_TRUE(m.updateGpu());
    const int n = 6;
    ASSERT_EQ(m.gpuVertexCount, n);
    const uint32_t expected[6] = {0, 12 * n, 18 * n, 22 * n, 26 * n, 30 * n};
    for (int a = 0; a < 6; ++a) EXPECT_EQ(m.attributeOffset[a], expected[a]);
    EXPECT_EQ(bufferSize(m.glBuffer), 34 * n);

    auto positions = bufferContents<float>(m.glBuffer, 0, 3 * n);
    EXPECT_EQ(positions[3 * 4 + 0], 5.0f); // triangle 2, corner 1 is vertex 4
    EXPECT_EQ(positions[3 * 2 + 1], 1.0f); // triangle 0, corner 2 is vertex 2 (1, 1, 0)
    auto ids = bufferContents<uint32_t>(m.glBuffer, expected[5], n);
    EXPECT_EQ(ids, (std::vector<uint32_t>{0, 0, 0, 2, 2, 2}));
    auto colours = bufferContents<uint8_t>(m.glBuffer, expected[2], 4 * n);
    EXPECT_EQ(colours[0], 255); // 65535 keeps its upper byte
    EXPECT_EQ(colours[1], 0);   // 255 has none
    auto lights = bufferContents<uint8_t>(m.glBuffer, expected[3], 4 * n);
    EXPECT_EQ(lights[4 * 2 + 2], 0x80);
    EXPECT_EQ(lights[4 * 2 + 3], 255); // refractivity defaults to 65535
    auto materials = bufferContents<int16_t>(m.glBuffer, expected[4], 2 * n);
    EXPECT_EQ(materials[2], -1234);
    EXPECT_EQ(materials[3], 4321);
    auto normals = bufferContents<uint16_t>(m.glBuffer, expected[1], 3 * n);
    EXPECT_EQ(normals[9], 0);
    EXPECT_EQ(normals[10], 0);
    EXPECT_EQ(normals[11], 0);
    EXPECT_EQ(normals[12], 0x7C00); // +infinity
    EXPECT_EQ(normals[13], 0xFC00); // -infinity
    EXPECT_EQ(normals[14], halfFromFloat(0.5f));
    for (bool p : m.partChanged) EXPECT_FALSE(p);
    EXPECT_FALSE(m.geometryChanged);
}

TEST_F(MeshGpu, meshWithoutAliveTrianglesUploadsAnEmptyBuffer) {
    Mesh m = kal::test::quadMesh();
    m.deleteTriangle(0);
    m.deleteTriangle(1);
    ASSERT_TRUE(m.updateGpu());
    EXPECT_NE(m.glBuffer, 0u);
    EXPECT_EQ(m.gpuVertexCount, 0);
    for (uint32_t o : m.attributeOffset) EXPECT_EQ(o, 0u);
    EXPECT_EQ(m.flatBuffer, 0u);
    m.draw(1, -1, mat4(), pbr(), false, 0, true);
}

TEST_F(MeshGpu, edgeLinesAreMarkedEdgesOnceAndOpenEdges) {
    // a closed mesh without marks has no line, and the line buffer is never made
    Mesh closed = rebuilt(kal::test::octahedronMesh());
    ASSERT_TRUE(closed.updateGpu());
    EXPECT_EQ(closed.flatBuffer, 0u);
    EXPECT_FALSE(closed.hasGpuGeometry());

    // the cube's twelve marked edges are shared by two triangles each: twelve segments
    Mesh cube = rebuilt(kal::test::cubeMesh(true));
    ASSERT_TRUE(cube.updateGpu());
    EXPECT_EQ(cube.flatVertexCount, 24);
    EXPECT_TRUE(cube.hasGpuGeometry());
    auto lines = bufferContents<float>(cube.flatBuffer, 0, 6 * 12);
    for (float c : lines) EXPECT_EQ(std::fabs(c), 1.0f);
    // every segment runs along an axis: a diagonal would change two coordinates
    for (int s = 0; s < 12; ++s) {
        int changed = 0;
        for (int c = 0; c < 3; ++c) changed += lines[6 * s + c] != lines[6 * s + 3 + c];
        EXPECT_EQ(changed, 1) << "segment " << s;
    }

    // open quad: four open edges, one of them marked, plus the marked inner diagonal
    Mesh quad = rebuilt(kal::test::quadMesh());
    int t = 0, e = 0;
    ASSERT_TRUE(quad.findEdge(0, 2, t, e));
    quad.setEdgeMark(t, e, true);
    ASSERT_TRUE(quad.findEdge(0, 1, t, e));
    quad.setEdgeMark(t, e, true);
    ASSERT_TRUE(quad.updateGpu());
    EXPECT_EQ(quad.flatVertexCount, 2 * 5);
}

TEST_F(MeshGpu, onlyFlaggedGroupsAreRewrittenInPlace) {
    Mesh m = rebuilt(kal::test::gridMesh(8));
    ASSERT_TRUE(m.updateGpu());
    const int n = m.gpuVertexCount;
    const unsigned buffer = m.glBuffer;
    const auto positionsBefore = bufferContents<float>(buffer, 0, 3 * n);

    for (int t = 0; t < m.triangleCount(); ++t)
        for (pbr& c : m.triangles[t].corner) c.blue = 0;
    flagOnly(m, 2);
    const uint64_t before = m.bytesUploaded;
    ASSERT_TRUE(m.updateGpu());
    EXPECT_EQ(m.bytesUploaded - before, uint64_t(12) * n);
    EXPECT_EQ(m.glBuffer, buffer);
    EXPECT_EQ(bufferSize(buffer), 34 * n);
    EXPECT_EQ(bufferContents<float>(buffer, 0, 3 * n), positionsBefore);
    EXPECT_EQ(bufferContents<uint8_t>(buffer, m.attributeOffset[2], 4)[2], 0);

    // normals only: six bytes a corner
    flagOnly(m, 1);
    const uint64_t beforeNormals = m.bytesUploaded;
    ASSERT_TRUE(m.updateGpu());
    EXPECT_EQ(m.bytesUploaded - beforeNormals, uint64_t(6) * n);

    // nothing flagged: nothing moves
    const uint64_t idle = m.bytesUploaded;
    ASSERT_TRUE(m.updateGpu());
    EXPECT_EQ(m.bytesUploaded, idle);
}

// Several fill chunks, with dead records among them: each alive record's corners follow those of
// the alive records before it, in every array, whichever chunk wrote them.
TEST_F(MeshGpu, fullUploadOverManyChunksHoldsEveryAliveRecordInOrder) {
    Mesh m = rebuilt(kal::test::uvSphereMesh(60, 80));
    ASSERT_GT(m.triangleCount(), 9000);
    for (int t = 3; t < m.triangleCount(); t += 7) m.deleteTriangle(t);
    for (int t = 0; t < m.triangleCount(); ++t)
        for (int c = 0; c < 3; ++c) {
            m.triangles[t].corner[c].green = uint16_t(t * 3 + c);
            m.triangles[t].corner[c].metalness = int16_t(-t);
        }
    ASSERT_TRUE(m.updateGpu());
    const int n = m.gpuVertexCount;
    const auto positions = bufferContents<float>(m.glBuffer, 0, 3 * size_t(n));
    const auto normals = bufferContents<uint16_t>(m.glBuffer, m.attributeOffset[1], 3 * size_t(n));
    const auto colours = bufferContents<uint8_t>(m.glBuffer, m.attributeOffset[2], 4 * size_t(n));
    const auto materials = bufferContents<int16_t>(m.glBuffer, m.attributeOffset[4], 2 * size_t(n));
    const auto ids = bufferContents<uint32_t>(m.glBuffer, m.attributeOffset[5], size_t(n));
    int corner = 0;
    for (int t = 0; t < m.triangleCount(); ++t) {
        const MeshTriangle& tri = m.triangles[t];
        if (!tri.alive()) continue;
        for (int c = 0; c < 3; ++c, ++corner) {
            ASSERT_LT(corner, n);
            const size_t at = size_t(corner);
            ASSERT_EQ(ids[at], uint32_t(t)) << "corner " << corner;
            const vec3 p = m.vertices[tri.vertex[c]].position;
            EXPECT_EQ(vec3(positions[3 * at], positions[3 * at + 1], positions[3 * at + 2]), p) << corner;
            EXPECT_EQ(normals[3 * at + 2], halfFromFloat(tri.cornerNormal[c].z)) << corner;
            EXPECT_EQ(colours[4 * at + 1], uint8_t((t * 3 + c) >> 8)) << corner;
            EXPECT_EQ(materials[2 * at + 1], int16_t(-t)) << corner;
        }
    }
    EXPECT_EQ(corner, n);
}

// Positions and ids are the ends of the buffer: the arrays between them must keep their bytes.
TEST_F(MeshGpu, groupsAtBothEndsLeaveTheArraysBetweenThemAlone) {
    Mesh m = rebuilt(kal::test::gridMesh(8));
    ASSERT_TRUE(m.updateGpu());
    const int n = m.gpuVertexCount;
    const uint32_t middle = m.attributeOffset[1], middleBytes = m.attributeOffset[5] - middle;
    const auto between = bufferContents<uint8_t>(m.glBuffer, middle, middleBytes);

    for (int v = 0; v < m.vertexCount(); ++v) m.vertices[v].position.z = 2.0f;
    for (int t = 0; t < m.triangleCount(); ++t) m.triangles[t].corner[0].red = 0;
    m.partChanged[GroupPositions] = m.partChanged[GroupIds] = true;
    m.partChanged[GroupNormals] = m.partChanged[GroupMaterials] = false;
    const uint64_t before = m.bytesUploaded;
    ASSERT_TRUE(m.updateGpu());
    EXPECT_EQ(m.bytesUploaded - before, uint64_t(16) * n + uint64_t(12) * m.flatVertexCount) << "and the lines";
    EXPECT_EQ(bufferContents<uint8_t>(m.glBuffer, middle, middleBytes), between);
    EXPECT_EQ(bufferContents<float>(m.glBuffer, 0, 3)[2], 2.0f);
    EXPECT_EQ(bufferContents<uint32_t>(m.glBuffer, m.attributeOffset[5], size_t(n)).back(),
              uint32_t(m.triangleCount() - 1));
}

// A buffer that cannot be mapped (here: already mapped) is a failed upload, not a silent one; the
// groups stay flagged and the next upload writes them.
TEST_F(MeshGpu, failedMapReportsFailureAndKeepsTheGroupsFlagged) {
    Mesh m = rebuilt(kal::test::gridMesh(4));
    ASSERT_TRUE(m.updateGpu());
    const int n = m.gpuVertexCount;
    for (int t = 0; t < m.triangleCount(); ++t)
        for (vec3& normal : m.triangles[t].cornerNormal) normal = vec3(0, 0, -1);
    flagOnly(m, GroupNormals);

    gl->glBindBuffer(GL_ARRAY_BUFFER, m.glBuffer);
    ASSERT_NE(gl->glMapBufferRange(GL_ARRAY_BUFFER, 0, 4, GL_MAP_READ_BIT), nullptr);
    const uint64_t before = m.bytesUploaded;
    {
        // said once however often it is tried, with the GL error
        test::LogLines log;
        EXPECT_FALSE(m.updateGpu());
        EXPECT_FALSE(m.updateGpu());
        EXPECT_EQ(log.all().size(), 1u);
        EXPECT_EQ(log.count("GL_INVALID_OPERATION"), 1u);
    }
    EXPECT_TRUE(m.partChanged[GroupNormals]);
    EXPECT_EQ(m.bytesUploaded, before);
    gl->glBindBuffer(GL_ARRAY_BUFFER, m.glBuffer);
    gl->glUnmapBuffer(GL_ARRAY_BUFFER);
    gl->glBindBuffer(GL_ARRAY_BUFFER, 0);

    ASSERT_TRUE(m.updateGpu());
    EXPECT_FALSE(m.partChanged[GroupNormals]);
    const auto normals = bufferContents<uint16_t>(m.glBuffer, m.attributeOffset[1], 3 * size_t(n));
    for (int c = 0; c < n; ++c) EXPECT_EQ(normals[3 * size_t(c) + 2], halfFromFloat(-1.0f)) << c;
}

TEST_F(MeshGpu, markedRangeRewritesOnlyItsOwnCorners) {
    Mesh m = rebuilt(kal::test::uvSphereMesh(8, 16));
    ASSERT_TRUE(m.updateGpu());
    const int n = m.gpuVertexCount;
    const auto before = bufferContents<float>(m.glBuffer, 0, 3 * n);

    // a brush moves the first corner vertex of records 10..12
    const int v = m.triangles[10].vertex[0];
    m.vertices[v].position = vec3(0, 0, 3);
    m.markGpuRange(11, 12);
    m.markGpuRange(10, 10);
    flagOnly(m, 0);
    m.partChanged[1] = true;
    const uint64_t start = m.bytesUploaded;
    ASSERT_TRUE(m.updateGpu());
    EXPECT_EQ(m.bytesUploaded - start, uint64_t(18) * 9) << "positions and normals of three triangles";
    const auto after = bufferContents<float>(m.glBuffer, 0, 3 * n);
    for (int c = 0; c < n; ++c) {
        const bool inRange = c >= 30 && c < 39;
        const vec3 want = inRange ? m.vertices[m.triangles[c / 3].vertex[c % 3]].position
                                  : vec3(before[3 * c], before[3 * c + 1], before[3 * c + 2]);
        EXPECT_EQ(vec3(after[3 * c], after[3 * c + 1], after[3 * c + 2]), want) << "corner " << c;
    }
    // elsewhere the moved vertex keeps its old place until a wider upload
    EXPECT_EQ(m.gpuRangeLast, -1);
}

TEST_F(MeshGpu, farApartRangesAreWrittenAsSeparateRuns) {
    Mesh m = rebuilt(kal::test::uvSphereMesh(16, 24));
    ASSERT_TRUE(m.updateGpu());
    const int n = m.gpuVertexCount;
    const auto before = bufferContents<float>(m.glBuffer, 0, 3 * n);
    const int far = m.triangleCount() - 3;
    ASSERT_GT(far, 200);
    for (int t : {2, far}) m.vertices[m.triangles[t].vertex[0]].position += vec3(0, 0, 1);
    m.markGpuRange(far, far);
    m.markGpuRange(2, 2);
    flagOnly(m, 0);
    const uint64_t start = m.bytesUploaded;
    ASSERT_TRUE(m.updateGpu());
    EXPECT_EQ(m.bytesUploaded - start, uint64_t(12) * 6) << "the positions of two triangles, not of all between";
    const auto after = bufferContents<float>(m.glBuffer, 0, 3 * n);
    for (int c = 0; c < n; ++c) {
        const bool written = c / 3 == 2 || c / 3 == far;
        const vec3 want = written ? m.vertices[m.triangles[c / 3].vertex[c % 3]].position
                                  : vec3(before[3 * c], before[3 * c + 1], before[3 * c + 2]);
        EXPECT_EQ(vec3(after[3 * c], after[3 * c + 1], after[3 * c + 2]), want) << "corner " << c;
    }
    EXPECT_TRUE(m.gpuRuns.empty());
}

TEST_F(MeshGpu, markedRangeOverADeletedTriangleFallsBackToAFullUpload) {
    Mesh m = rebuilt(kal::test::uvSphereMesh(8, 16));
    ASSERT_TRUE(m.updateGpu());
    const int n = m.gpuVertexCount;
    m.deleteTriangle(5);
    m.markGpuRange(4, 6);
    flagOnly(m, 0);
    ASSERT_TRUE(m.updateGpu());
    EXPECT_EQ(m.gpuVertexCount, n - 3);
    EXPECT_EQ(bufferSize(m.glBuffer), 34 * (n - 3));
    auto ids = bufferContents<uint32_t>(m.glBuffer, m.attributeOffset[5], n - 3);
    EXPECT_EQ(ids[15], 6u) << "record 5 is gone from the id array";
}

TEST_F(MeshGpu, triangleCountChangeWithoutGeometryFlagReallocates) {
    Mesh m = rebuilt(kal::test::gridMesh(2));
    ASSERT_TRUE(m.updateGpu());
    ASSERT_EQ(m.gpuVertexCount, 24);
    const int lines = m.flatVertexCount;

    // grow by one triangle, but flag only the positions as a careless caller would
    int v = m.addVertex(vec3(3, 0, 0));
    addTri(m, 2, v, 5);
    flagOnly(m, 0);
    m.geometryChanged = false;
    ASSERT_TRUE(m.updateGpu());
    EXPECT_EQ(m.gpuVertexCount, 27);
    EXPECT_EQ(bufferSize(m.glBuffer), 34 * 27);
    auto ids = bufferContents<uint32_t>(m.glBuffer, m.attributeOffset[5], 27);
    EXPECT_EQ(ids[26], uint32_t(m.triangleCount() - 1));
    EXPECT_GT(m.flatVertexCount, lines);
    EXPECT_EQ(bufferSize(m.flatBuffer), 12 * m.flatVertexCount);

    // shrink: the line storage follows too
    m.deleteTriangle(m.triangleCount() - 1);
    flagOnly(m, 0);
    ASSERT_TRUE(m.updateGpu());
    EXPECT_EQ(m.gpuVertexCount, 24);
    EXPECT_EQ(bufferSize(m.glBuffer), 34 * 24);
    EXPECT_EQ(m.flatVertexCount, lines);
    EXPECT_EQ(bufferSize(m.flatBuffer), 12 * lines);
}

TEST_F(MeshGpu, releasedMeshUploadsEverythingAgain) {
    Mesh m = rebuilt(kal::test::cubeMesh(true));
    ASSERT_TRUE(m.updateGpu());
    m.releaseGpu();
    EXPECT_EQ(m.glBuffer, 0u);
    const uint64_t before = m.bytesUploaded;
    ASSERT_TRUE(m.updateGpu());
    EXPECT_EQ(m.bytesUploaded - before, uint64_t(34) * 36 + 24 * 12);
}

TEST(MeshPaint, paintWalksOneWayRoundTheVertexAndClampsSignedChannels) {
    Mesh fan = rebuilt(kal::test::hexagonFanMesh());
    pbr paint;
    paint.red = 100;
    paint.roughness = 32767;
    paint.metalness = -32768;
    fan.paintCorners(0, 0, paint, 1 | 4 | 8);
    for (int t = 0; t < 6; ++t) {
        const pbr& c = fan.triangles[t].corner[fan.triangles[t].cornerOf(0)];
        EXPECT_EQ(c.red, 100) << t;
        EXPECT_EQ(c.green, 65535) << "unmasked channels stay";
        EXPECT_EQ(c.roughness, 32766);
        EXPECT_EQ(c.metalness, -32766);
    }

    // a marked edge right after the start stops the walk at once
    Mesh marked = rebuilt(kal::test::hexagonFanMesh());
    const int i = marked.triangles[0].cornerOf(0);
    marked.setEdgeMark(0, (i + 1) % 3, true);
    marked.paintCorners(0, 0, paint, 1);
    int painted = 0;
    for (int t = 0; t < 6; ++t) painted += marked.triangles[t].corner[marked.triangles[t].cornerOf(0)].red == 100;
    EXPECT_EQ(painted, 1);
    EXPECT_EQ(marked.triangles[0].corner[i].red, 100);
}

TEST(MeshNormalMatrix, mirrorKeepsTheSignOfTheRotation) {
    const mat4 view;
    mat3 plain = meshNormalMatrix(mat4::uniformScaling(3), view);
    EXPECT_NEAR(plain[0], 1.0f / 3.0f, 1e-6f); // cofactor / |det| is the inverse transpose
    // a mirror in x: s = -1 turns diag(-1, 1, 1) into diag(1, -1, -1)
    mat3 mirror = meshNormalMatrix(mat4::scaling(-1, 1, 1), view);
    EXPECT_EQ(mirror[0], 1.0f);
    EXPECT_EQ(mirror[4], -1.0f);
    EXPECT_EQ(mirror[8], -1.0f);
    // a flat matrix gives finite numbers, never NaN
    mat3 flat = meshNormalMatrix(mat4::scaling(1, 1, 0), view);
    for (float f : flat.m) EXPECT_TRUE(std::isfinite(f));
}

// Draws into a small scene render target through an orthographic camera looking down -z at the
// box [-2, 2]^3: depth = 0.5 - z / 8, view space = world space.
class MeshDraw : public kal::test::SceneTargetTest {
protected:
    void SetUp() override {
        SceneTargetTest::SetUp();
        cameraMatrices.lineProjectionView = cameraMatrices.projectionView;
    }
    // Reads by pixel, not by world coordinate.
    std::vector<uint32_t> idAt(int x, int y) {
        std::vector<uint32_t> v(3);
        gl->glReadBuffer(GLenum(target.idTexture->attachment));
        gl->glReadPixels(x, y, 1, 1, GL_RGB_INTEGER, GL_UNSIGNED_INT, v.data());
        return v;
    }
    vec4 floatsAt(Texture2D* texture, int x, int y) {
        float v[4] = {0, 0, 0, 0};
        gl->glReadBuffer(GLenum(texture->attachment));
        gl->glReadPixels(x, y, 1, 1, GL_RGBA, GL_FLOAT, v);
        return vec4(v[0], v[1], v[2], v[3]);
    }
    float depthAt(int x, int y) {
        float d = -1;
        gl->glReadPixels(x, y, 1, 1, GL_DEPTH_COMPONENT, GL_FLOAT, &d);
        return d;
    }
};

TEST_F(MeshDraw, cubeWritesIdsMaterialDepthNormalColourAndLight) {
    Mesh cube = rebuilt(kal::test::cubeMesh(true));
    pbr material;
    material.green = 32768;
    material.lightRed = 65535;
    material.roughness = 100;
    material.metalness = -50;
    cube.draw(7, -1, mat4(), material, false, 0, true);

    const int c = size / 2 + 3;
    auto id = idAt(c, c);
    EXPECT_EQ(id[0], 7u);
    // the front face (z = +1) is the quad of records 2 and 3
    EXPECT_TRUE(id[1] == 2u || id[1] == 3u) << id[1];
    EXPECT_EQ(id[2], (uint32_t(-100 + 32767) << 16) | uint32_t(200 + 32767));
    EXPECT_NEAR(depthAt(c, c), 0.375f, 1e-4f);
    vec4 n = floatsAt(target.normalTexture, c, c);
    EXPECT_NEAR(n.x, 0.0f, 1e-3f);
    EXPECT_NEAR(n.y, 0.0f, 1e-3f);
    EXPECT_NEAR(n.z, 1.0f, 1e-3f);
    vec4 colour = floatsAt(target.colorTexture, c, c);
    EXPECT_NEAR(colour.x, 1.0f, 0.01f);
    EXPECT_NEAR(colour.y, 0.5f, 0.01f);
    vec4 light = floatsAt(target.lightTexture, c, c);
    EXPECT_NEAR(light.x, 1.0f, 0.01f);
    EXPECT_NEAR(light.w, 1.0f, 0.01f);

    // outside the cube the target keeps its clear values
    EXPECT_EQ(idAt(1, 1), (std::vector<uint32_t>{0, 0, 0}));
    EXPECT_EQ(depthAt(1, 1), 1.0f);
}

TEST_F(MeshDraw, givenItemIdIsWrittenForTheWholeMesh) {
    Mesh cube = rebuilt(kal::test::cubeMesh(false));
    cube.draw(3, 41, mat4(), pbr(), false, 0, true);
    for (int y = px(-0.9f); y <= px(0.9f); y += 4)
        for (int x = px(-0.9f); x <= px(0.9f); x += 4) EXPECT_EQ(idAt(x, y)[1], 41u);
}

TEST_F(MeshDraw, sphereNormalsAndDepthFollowTheSurfaceEvenWhenMirrored) {
    Mesh sphere = rebuilt(kal::test::uvSphereMesh(24, 48));
    for (float sign : {1.0f, -1.0f}) {
        gl->glClearBufferfi(GL_DEPTH_STENCIL, 0, 1.0f, 0);
        sphere.draw(1, -1, mat4::scaling(sign, 1, 1), pbr(), false, 0, true);
        const int x = px(0.5f), y = px(0.5f);
        // the pixel centre's world position
        const float wx = (x + 0.5f) / size * 4 - 2, wy = (y + 0.5f) / size * 4 - 2;
        const float wz = std::sqrt(1 - wx * wx - wy * wy);
        vec4 n = floatsAt(target.normalTexture, x, y);
        EXPECT_NEAR(n.x, wx, 0.05f) << "mirror " << sign;
        EXPECT_NEAR(n.y, wy, 0.05f) << "mirror " << sign;
        EXPECT_NEAR(n.z, wz, 0.05f) << "mirror " << sign;
        EXPECT_NEAR(depthAt(x, y), 0.5f - wz / 8, 0.01f);
    }
}

TEST_F(MeshDraw, markedEdgesDrawAsFlatLinesWithoutMaterial) {
    Mesh cube = rebuilt(kal::test::cubeMesh(true));
    cube.scale = 0.5f;             // the normalising matrix doubles the cube
    ASSERT_TRUE(cube.updateGpu()); // the main draw uploads; lines only use what is there
    ASSERT_TRUE(shaderCurve->bind());
    const uint8_t green[4] = {0, 255, 0, 255};
    cube.drawFlat(mat4::uniformScaling(0.7f), green, true);
    // the left edge of the front face runs at world x = -0.7 * 2, inside pixel column 4
    const int x = px(-1.4f), y = size / 2 + 1;
    vec4 c = floatsAt(target.colorTexture, x, y);
    EXPECT_NEAR(c.y, 1.0f, 0.01f);
    EXPECT_EQ(idAt(x, y)[2], 0u);
    // the quad's attribute 0 must be pointed again after a line draw
    EXPECT_FALSE(quadBound);
}

} // namespace
