// The clay's storage on a real context: upload, read-back into the mesh, conversion, record,
// copies, release, and what a draw leaves in the scene render target.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstring>
#include <memory>

#include "ClayFixtures.h"
#include "FileVersionScope.h"
#include "LogLines.h"
#include "SceneTargetTest.h"
#include "foundation/ByteBuffer.h"
#include "gpu/Shader.h"
#include "gpu/Texture2D.h"
#include "MeshInvariants.h"
#include "scene/Scene.h"
#include "scene/SceneFile.h"
#include "scene/Tool.h"

namespace {

using namespace kal;
using namespace kal::test;

QByteArray fileBytes(const std::string& path) {
    QFile f(QString::fromStdString(path));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Clay of a subdivided icosahedron placed at (1, 2, 3), scale 2.
std::unique_ptr<Clay> placedSphereClay() {
    std::unique_ptr<Mesh> mesh(subdividedIcosahedron());
    mesh->translation = vec3(1, 2, 3);
    mesh->scale = 2.0f;
    return std::make_unique<Clay>(mesh.get());
}

class ClayStorage : public ::testing::Test {
protected:
    void SetUp() override {
        gl->glGetError();
        registerClayRecords();
        clay = placedSphereClay();
        ASSERT_TRUE(clay->updateGpu());
    }
    void TearDown() override { EXPECT_EQ(gl->glGetError(), GLenum(GL_NO_ERROR)); }

    // A deform that moves a good part of the sphere.
    void sculpt(Clay& c) { c.deform({vec3(0, 1.7f, 1)}, {vec3(0.3f, 0.4f, -0.2f)}, 1.5f); }

    test::FileVersionScope version{currentFileVersion};
    std::unique_ptr<Clay> clay;
};

TEST_F(ClayStorage, uploadFillsBothBuffersWithEveryCornerInTriangleOrder) {
    const int n = clay->source->triangleCount();
    EXPECT_EQ(clay->vertexCount, 3 * n);
    const std::vector<vec3> want = meshCorners(*clay->source);
    EXPECT_EQ(gpuCorners(*clay), want);
    clay->current = 1;
    EXPECT_EQ(gpuCorners(*clay), want);
    clay->current = 0;
    GLint size = 0;
    gl->glBindBuffer(GL_ARRAY_BUFFER, clay->buffers[1]);
    gl->glGetBufferParameteriv(GL_ARRAY_BUFFER, GL_BUFFER_SIZE, &size);
    gl->glBindBuffer(GL_ARRAY_BUFFER, 0);
    EXPECT_EQ(size, 36 * n);
}

TEST_F(ClayStorage, clayWithoutTrianglesHasNothingToUploadOrDraw) {
    Mesh empty;
    Clay c(&empty);
    EXPECT_FALSE(c.updateGpu());
    EXPECT_FALSE(c.useShader());
    c.draw(1, -1, mat4(), pbr(), false, 0, true);
    EXPECT_EQ(c.buffers[0], 0u);
    EXPECT_FALSE(c.readBack());
    c.releaseGpu(); // never uploaded: nothing to do
    EXPECT_EQ(c.buffers[0], 0u);
}

TEST_F(ClayStorage, toMeshTakesEachVertexFromItsLastCornerAndKeepsTheTransform) {
    // every corner its own position, so the order of the copy shows
    std::vector<vec3> corners(size_t(clay->vertexCount));
    for (size_t i = 0; i < corners.size(); ++i) corners[i] = vec3(float(i), 0.5f * float(i), -float(i));
    gl->glBindBuffer(GL_ARRAY_BUFFER, clay->buffers[clay->current]);
    gl->glBufferSubData(GL_ARRAY_BUFFER, 0, GLsizeiptr(corners.size() * 12), corners.data());
    gl->glBindBuffer(GL_ARRAY_BUFFER, 0);

    std::unique_ptr<Element> e(clay->toMesh());
    ASSERT_TRUE(e && e->typeCode == MeshType);
    const Mesh& m = static_cast<const Mesh&>(*e);
    EXPECT_EQ(m.translation, vec3(1, 2, 3));
    EXPECT_EQ(m.scale, 2.0f);
    std::vector<int> lastCorner(size_t(m.vertexCount()), -1);
    for (int t = 0; t < m.triangleCount(); ++t)
        for (int k = 0; k < 3; ++k) lastCorner[size_t(m.triangles[t].vertex[k])] = 3 * t + k;
    for (int v = 0; v < m.vertexCount(); ++v) EXPECT_EQ(m.vertices[v].position, corners[size_t(lastCorner[v])]) << v;
}

TEST_F(ClayStorage, savedRecordIsTheSculptedMeshRecordUnderTheClayTag) {
    sculpt(*clay);
    const std::vector<vec3> sculpted = gpuCorners(*clay);
    ByteBuffer out;
    clay->save(out);
    uint32_t tag = 0, vertexCount = 0;
    std::memcpy(&tag, out.data(), 4);
    EXPECT_EQ(tag, 0xE000000Au);
    // the source now holds the sculpted positions: its own record matches from the length on
    ByteBuffer meshRecord;
    clay->source->save(meshRecord);
    ASSERT_EQ(out.size(), meshRecord.size());
    EXPECT_EQ(0, std::memcmp(out.data() + 4, meshRecord.data() + 4, out.size() - 4));
    // body: translation, scale, vertex count, then 13 bytes a vertex
    std::memcpy(&vertexCount, out.data() + 24, 4);
    ASSERT_EQ(int(vertexCount), clay->source->vertexCount());
    const MeshTriangle& t0 = clay->source->triangles[0];
    vec3 p;
    std::memcpy(&p, out.data() + 28 + 13 * size_t(t0.vertex[0]), 12);
    EXPECT_EQ(p, sculpted[0]);

    out.position = 0;
    bool ok = false;
    std::unique_ptr<Element> read(readElementRecord(out, ok));
    ASSERT_TRUE(ok && read);
    ASSERT_EQ(read->typeCode, ClayType);
    Clay& back = static_cast<Clay&>(*read);
    EXPECT_EQ(back.translation, vec3(1, 2, 3));
    EXPECT_EQ(back.scale, 2.0f);
    ASSERT_TRUE(back.updateGpu());
    EXPECT_EQ(gpuCorners(back), sculpted);
}

// The sculpting lives on the GPU: when it cannot come back (here the buffer is mapped already), the
// stale copy in the mesh must not be saved in its place. The file on disk stays as it was.
TEST_F(ClayStorage, saveWhoseReadBackFailsLeavesTheOldFileAndSaysWhy) {
    QTemporaryDir dir;
    const std::string path = dir.filePath("clay.k").toStdString();
    Scene scene;
    Tool* tool = scene.sceneRoot->addChild(new Tool(subdividedIcosahedron(), mat4(), pbr(), false), false);
    scene.rebuildToolLists();
    ASSERT_TRUE(scene.convertToClay(tool->element));
    Clay& c = static_cast<Clay&>(*tool->element);
    sculpt(c);
    const QByteArray before("an earlier scene");
    {
        QFile f(QString::fromStdString(path));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(before);
    }

    gl->glBindBuffer(GL_ARRAY_BUFFER, c.buffers[c.current]);
    ASSERT_NE(gl->glMapBuffer(GL_ARRAY_BUFFER, GL_READ_ONLY), nullptr);
    std::string why;
    EXPECT_FALSE(scene.save(path, &why));
    EXPECT_FALSE(why.empty());
    // nor is it exported, or saved as an object of its own, from the stale copy
    const QString obj = dir.filePath("clay.obj");
    EXPECT_FALSE(scene.save(obj.toStdString()));
    EXPECT_FALSE(tool->saveObject(dir.filePath("alone.ko").toStdString()));
    EXPECT_FALSE(tool->saveObject(dir.filePath("alone.obj").toStdString()));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"clay.k"});
    gl->glBindBuffer(GL_ARRAY_BUFFER, c.buffers[c.current]);
    gl->glUnmapBuffer(GL_ARRAY_BUFFER);
    gl->glBindBuffer(GL_ARRAY_BUFFER, 0);
    gl->glGetError(); // the refused map
    EXPECT_EQ(fileBytes(path), before);

    // with the buffer free again the sculpting comes home and is written
    EXPECT_TRUE(scene.save(path));
}

TEST_F(ClayStorage, cloneUploadsOnFirstUseAndSculptsOnItsOwn) {
    sculpt(*clay);
    const std::vector<vec3> sculpted = gpuCorners(*clay);
    std::unique_ptr<Element> e(clay->clone());
    ASSERT_EQ(e->typeCode, ClayType);
    Clay& copy = static_cast<Clay&>(*e);
    EXPECT_EQ(copy.buffers[0], 0u);
    EXPECT_NE(copy.source, clay->source);
    EXPECT_EQ(copy.translation, clay->translation);
    ASSERT_TRUE(copy.updateGpu());
    EXPECT_EQ(gpuCorners(copy), sculpted);
    sculpt(copy);
    EXPECT_EQ(gpuCorners(*clay), sculpted);
    EXPECT_NE(gpuCorners(copy), sculpted);
}

TEST_F(ClayStorage, releaseGpuKeepsTheSculptingAndThePlacement) {
    sculpt(*clay);
    const std::vector<vec3> sculpted = gpuCorners(*clay);
    clay->releaseGpu();
    EXPECT_EQ(clay->buffers[0], 0u);
    EXPECT_EQ(clay->translation, vec3(1, 2, 3));
    EXPECT_EQ(clay->scale, 2.0f);
    ASSERT_TRUE(clay->updateGpu());
    EXPECT_EQ(gpuCorners(*clay), sculpted);
}

// While the sculpting cannot come back (its buffer is mapped already, so the driver refuses the
// read), nothing lets the buffers go or works from the stale mesh, and each refusal says why:
// release keeps the buffers, a rebuild that would upload anew leaves the clay as it is, and no
// copy is made, so a tool that shares the clay keeps sharing it.
TEST_F(ClayStorage, aFailedReadBackKeepsTheSculptingOnTheGpu) {
    Clay* c = clay.release();
    Tool first(c, mat4(), pbr(), false), second(c, mat4(), pbr(), false);
    sculpt(*c);
    const std::vector<vec3> sculpted = gpuCorners(*c);
    c->source->triangles[0].flags &= uint8_t(~TriangleAlive); // a rebuild drops it and uploads anew
    auto setMapped = [c](bool mapped) {
        gl->glBindBuffer(GL_ARRAY_BUFFER, c->buffers[c->current]);
        if (mapped) {
            EXPECT_NE(gl->glMapBuffer(GL_ARRAY_BUFFER, GL_READ_ONLY), nullptr);
        } else {
            gl->glUnmapBuffer(GL_ARRAY_BUFFER);
        }
        gl->glBindBuffer(GL_ARRAY_BUFFER, 0);
        gl->glGetError(); // the refused maps
    };
    {
        LogLines log;
        setMapped(true);
        c->releaseGpu();
        EXPECT_NE(c->buffers[0], 0u);
        c->rebuild(Recenter::Keep);
        EXPECT_EQ(c->clone(), nullptr);
        EXPECT_FALSE(second.detachElement());
        EXPECT_EQ(second.element, c);
        EXPECT_EQ(c->useCount, 2);
        setMapped(false);
        EXPECT_EQ(log.count("could not come back from the GPU"), 4u);
    }
    EXPECT_EQ(gpuCorners(*c), sculpted);
    // free again: the release brings the sculpting home first
    c->releaseGpu();
    EXPECT_EQ(c->buffers[0], 0u);
    ASSERT_TRUE(c->updateGpu());
    EXPECT_EQ(gpuCorners(*c), sculpted);
}

TEST_F(ClayStorage, meshToClayAndBackToTriMeshStaysAValidMesh) {
    Scene scene;
    Tool* tool = scene.sceneRoot->addChild(new Tool(subdividedIcosahedron(), mat4(), pbr(), false), false);
    scene.rebuildToolLists();
    ASSERT_TRUE(scene.convertToClay(tool->element));
    ASSERT_EQ(tool->element->typeCode, ClayType);
    Clay& c = static_cast<Clay&>(*tool->element);
    sculpt(c);
    const std::vector<vec3> sculpted = gpuCorners(c);
    ASSERT_TRUE(scene.convertToTriMesh(tool->element));
    ASSERT_EQ(tool->element->typeCode, MeshType);
    const Mesh& m = static_cast<const Mesh&>(*tool->element);
    EXPECT_MESH_VALID(m);
    EXPECT_EQ(meshCorners(m), sculpted);
}

TEST_F(ClayStorage, subdivisionRefinesTheSculptedSurfaceAndUploadsItAgain) {
    sculpt(*clay);
    const int n = clay->source->triangleCount();
    ASSERT_TRUE(clay->subdivide(true));
    EXPECT_EQ(clay->source->triangleCount(), 4 * n);
    EXPECT_EQ(clay->current, 0);
    EXPECT_EQ(gpuCorners(*clay), meshCorners(*clay->source));
    EXPECT_MESH_VALID(*clay->source);
}

// The shared scene target: an orthographic camera down -z onto [-2, 2]^3.
class ClayDraw : public SceneTargetTest {};

TEST_F(ClayDraw, drawWritesIdsMaterialColourLightAndNoNormal) {
    std::unique_ptr<Clay> clay = placedSphereClay();
    ASSERT_TRUE(clay->updateGpu());
    // the float targets start white, so a zero normal is one the clay wrote
    const GLfloat one[4] = {1, 1, 1, 1};
    for (int b = 1; b < 4; ++b) gl->glClearBufferfv(GL_COLOR, b, one);

    pbr material;
    material.blue = 0;
    material.lightGreen = 65535;
    material.roughness = 10;
    material.metalness = -20;
    // a sphere of radius about 2 round the origin covers the middle of the view
    clay->translation = vec3(0, 0, 0);
    clay->scale = 1.0f;
    clay->draw(9, 5, mat4(), material, false, 0, true);

    const std::vector<uint32_t> id = idAt(0, 0);
    EXPECT_EQ(id[0], 9u);
    EXPECT_EQ(id[1], 5u);
    EXPECT_EQ(id[2], (uint32_t(-40 + 32767) << 16) | uint32_t(20 + 32767));
    EXPECT_EQ(floatsAt(target.colorTexture, 0, 0), vec4(1, 1, 0, 1));
    EXPECT_EQ(floatsAt(target.lightTexture, 0, 0), vec4(0, 1, 0, 1));
    EXPECT_EQ(floatsAt(target.normalTexture, 0, 0).xyz(), vec3(0, 0, 0));
}

} // namespace
