// The clay record and the conversions that need no GPU: hand-laid bytes, damaged records, a
// scene round trip, and a clay that was never drawn (its mesh is its only store).
#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "RecordBytes.h"
#include "elements/Clay.h"
#include "elements/Curve.h"
#include "elements/Tube.h"
#include "foundation/ByteBuffer.h"
#include "mesh/Mesh.h"
#include "MeshInvariants.h"
#include "scene/Scene.h"
#include "scene/SceneFile.h"
#include "scene/Tool.h"

namespace {

using namespace kal;

using test::put;

// A clay record of one triangle, laid out field by field: placement, 3 vertices of 13 bytes,
// 1 triangle of 73 bytes (three corners of index and material, then flags).
std::vector<uint8_t> oneTriangleClayRecord() {
    std::vector<uint8_t> body;
    put(body, 0.5f), put(body, -1.0f), put(body, 2.0f); // translation
    put(body, 3.0f);                                    // scale
    put(body, uint32_t(3));
    const float p[3][3] = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
    for (const auto& v : p) {
        for (float f : v) put(body, f);
        put(body, uint8_t(0x08));
    }
    put(body, uint32_t(1));
    for (uint32_t c = 0; c < 3; ++c) {
        put(body, c);
        for (int k = 0; k < 10; ++k) put(body, uint16_t(k < 4 || k == 7 ? 65535 : 0));
    }
    put(body, uint8_t(0x08));
    std::vector<uint8_t> record;
    put(record, uint32_t(0xE000000A));
    put(record, uint32_t(body.size()));
    record.insert(record.end(), body.begin(), body.end());
    return record;
}

class ClayRecord : public ::testing::Test {
protected:
    void SetUp() override { registerClayRecords(); }
    test::FileVersionScope version{currentFileVersion};
};

TEST_F(ClayRecord, readerBuildsAClayOverTheMeshBody) {
    ByteBuffer in;
    in.bytes = oneTriangleClayRecord();
    bool ok = false;
    std::unique_ptr<Element> e(readElementRecord(in, ok));
    ASSERT_TRUE(ok && e);
    EXPECT_EQ(e->typeCode, ClayType);
    EXPECT_EQ(in.position, in.size());
    Clay& clay = static_cast<Clay&>(*e);
    EXPECT_EQ(clay.translation, vec3(0.5f, -1, 2));
    EXPECT_EQ(clay.scale, 3.0f);
    ASSERT_EQ(clay.source->vertexCount(), 3);
    EXPECT_EQ(clay.source->vertices[1].position, vec3(1, 0, 0));
    EXPECT_EQ(clay.buffers, (std::vector<uint32_t>{0, 0}));

    // never drawn: saving writes the mesh's positions and placement back under the clay tag
    ByteBuffer out;
    clay.save(out);
    const std::vector<uint8_t> laid = oneTriangleClayRecord();
    ASSERT_EQ(out.size(), laid.size());
    EXPECT_EQ(0, std::memcmp(out.data(), laid.data(), 28)); // tag, length, placement, count
    for (int v = 0; v < 3; ++v) EXPECT_EQ(0, std::memcmp(out.data() + 28 + 13 * v, laid.data() + 28 + 13 * v, 12));
}

TEST_F(ClayRecord, damagedRecordsAreRefusedWithoutAnElement) {
    const std::vector<uint8_t> whole = oneTriangleClayRecord();
    for (size_t cut = 8; cut < whole.size(); ++cut) {
        ByteBuffer in;
        in.bytes.assign(whole.begin(), whole.begin() + long(cut));
        bool ok = true;
        Element* e = readElementRecord(in, ok);
        EXPECT_FALSE(ok) << cut;
        EXPECT_EQ(e, nullptr) << cut;
        delete e;
    }
    // a corner naming a vertex that does not exist
    std::vector<uint8_t> bad = whole;
    const size_t firstCorner = 8 + 16 + 4 + 3 * 13 + 4;
    bad[firstCorner] = 7;
    ByteBuffer in;
    in.bytes = bad;
    bool ok = true;
    EXPECT_EQ(readElementRecord(in, ok), nullptr);
    EXPECT_FALSE(ok);
    // a vertex count far beyond the bytes
    bad = whole;
    bad[24] = bad[25] = bad[26] = bad[27] = 0xFF;
    in.bytes = bad;
    in.position = 0;
    in.clearFailure();
    EXPECT_EQ(readElementRecord(in, ok), nullptr);
    EXPECT_FALSE(ok);
}

TEST_F(ClayRecord, sceneWithAClayReadsBackAsClay) {
    Scene scene;
    Tool* tool = scene.sceneRoot->addChild(new Tool(Mesh::createIcosahedron(), mat4(), pbr(), false), false);
    scene.rebuildToolLists();
    ASSERT_TRUE(scene.convertToClay(tool->element));
    ByteBuffer bytes;
    writeSceneBytes(scene, bytes);

    Scene back;
    ASSERT_TRUE(readSceneBytes(back, bytes.data(), bytes.size()));
    Element* e = nullptr;
    for (Tool* root : {static_cast<Tool*>(back.sceneRoot), static_cast<Tool*>(back.toolRoot)})
        for (Tool* t : root->children)
            if (t->element) e = t->element;
    ASSERT_TRUE(e);
    ASSERT_EQ(e->typeCode, ClayType);
    const Mesh& source = *static_cast<Clay*>(e)->source;
    const Mesh& original = *static_cast<Clay*>(tool->element)->source;
    ASSERT_EQ(source.vertexCount(), original.vertexCount());
    for (int v = 0; v < source.vertexCount(); ++v)
        EXPECT_EQ(source.vertices[v].position, original.vertices[v].position);
}

TEST_F(ClayRecord, aTubeBecomesClayAndComesBackAsAValidMesh) {
    Scene scene;
    Tube* tube = new Tube(Curve::makeSegment(), Curve::makeCircle(8, false));
    Tool* tool = scene.sceneRoot->addChild(new Tool(tube, mat4(), pbr(), false), false);
    scene.rebuildToolLists();
    ASSERT_TRUE(scene.convertToClay(tool->element));
    ASSERT_EQ(tool->element->typeCode, ClayType);
    const Mesh& source = *static_cast<Clay*>(tool->element)->source;
    EXPECT_GT(source.triangleCount(), 0);
    EXPECT_MESH_VALID(source);
    ASSERT_TRUE(scene.convertToTriMesh(tool->element));
    ASSERT_EQ(tool->element->typeCode, MeshType);
    EXPECT_MESH_VALID(static_cast<const Mesh&>(*tool->element));
}

TEST_F(ClayRecord, conversionReachesToolsAddedSinceTheListsWereBuiltAndRefusesStrangers) {
    Scene scene;
    scene.sceneRoot->addChild(new Tool(Mesh::createIcosahedron(), mat4(), pbr(), false), false);
    scene.rebuildToolLists();
    // two holders of one tube, added after the last rebuild
    Tube* tube = new Tube(Curve::makeSegment(), Curve::makeCircle(8, false));
    Tool* a = scene.sceneRoot->addChild(new Tool(tube, mat4(), pbr(), false), false);
    Tool* b = a->addChild(new Tool(tube, mat4(), pbr(), false), false);
    ASSERT_TRUE(scene.convertToTriMesh(tube));
    ASSERT_EQ(a->element->typeCode, MeshType);
    EXPECT_EQ(b->element, a->element);
    ASSERT_TRUE(scene.convertToClay(a->element));
    EXPECT_EQ(a->element->typeCode, ClayType);
    EXPECT_EQ(b->element, a->element);
    // an element no scene tool holds changes nothing and says so
    std::unique_ptr<Tube> loose(new Tube(Curve::makeSegment(), Curve::makeCircle(8, false)));
    EXPECT_FALSE(scene.convertToTriMesh(loose.get()));
    EXPECT_FALSE(scene.convertToClay(loose.get()));
}

TEST_F(ClayRecord, sharedLoadedClayOutlivesItsFirstHolder) {
    // a loaded clay is counted by its holders, its mesh not: letting go of one holder must not
    // free the mesh the other still draws
    ByteBuffer in;
    in.bytes = oneTriangleClayRecord();
    bool ok = false;
    Element* e = readElementRecord(in, ok);
    ASSERT_TRUE(e);
    e->resolveLinks({});
    e->resolveLinks({});
    EXPECT_FALSE(releaseElement(e));
    EXPECT_EQ(static_cast<Clay*>(e)->source->vertexCount(), 3);
    EXPECT_TRUE(releaseElement(e));
}

} // namespace
