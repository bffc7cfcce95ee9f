// The scene file and the OBJ export checked against bytes and text laid out by hand from the
// format, not from our own writer: a writer and a reader that agree on a wrong layout would still
// pass every round trip.
#include <gtest/gtest.h>

#include <QFile>
#include <QImage>
#include <cstring>

#include "FileTestSupport.h"
#include "HandBytes.h"
#include "MeshFixtures.h"
#include "foundation/ByteBuffer.h"
#include "mesh/MeshRecord.h"
#include "scene/SceneFile.h"

using namespace kal;
using namespace kal::test;

namespace {

// A chunk or record: tag, length of what follows, then the payload.
Bytes framed(uint32_t tag, const Bytes& payload) {
    Bytes b;
    b.u32(tag).u32(payload.size()).add(payload);
    return b;
}

const float transformValues[16] = {1, 0, 0, 1.5f, 0, 2, 0, -2, 0, 0, 3, 4, 0, 0, 0, 1};

pbr toolMaterial() {
    pbr p;
    p.red = 1000, p.green = 2000, p.blue = 3000, p.opacity = 4000;
    p.lightRed = 5, p.lightGreen = 6, p.lightBlue = 7, p.refractivity = 8;
    p.roughness = -9, p.metalness = 10;
    return p;
}

pbr cornerMaterial(int c) {
    pbr p;
    p.red = uint16_t(100 + c), p.green = uint16_t(200 + c), p.blue = uint16_t(300 + c), p.opacity = 65535;
    p.lightRed = 1, p.lightGreen = 2, p.lightBlue = 3, p.refractivity = uint16_t(65000 + c);
    p.roughness = int16_t(-100 - c), p.metalness = int16_t(c);
    return p;
}

const float corners[3][3] = {{0, 0, 0}, {1, 0, 0}, {0, 0.5f, 0}};

Mesh* byteTriangle() {
    Mesh* m = new Mesh();
    for (const auto& p : corners) m->addVertex(vec3(p[0], p[1], p[2]));
    MeshTriangle t;
    for (int c = 0; c < 3; ++c) {
        t.vertex[c] = c;
        t.corner[c] = cornerMaterial(c);
    }
    t.flags = 0x08 | 0x01;
    m->addTriangle(t);
    m->vertices[1].flags = 0x08 | 0x02;
    m->translation = vec3(0.25f, -1, 2);
    m->scale = 3;
    return m;
}

// The record body of byteTriangle(), field by field.
Bytes byteTriangleBody() {
    Bytes mesh;
    mesh.f32(0.25f).f32(-1).f32(2).f32(3).u32(3);
    const uint8_t vertexFlags[3] = {0x08, 0x0A, 0x08};
    for (int v = 0; v < 3; ++v) mesh.f32(corners[v][0]).f32(corners[v][1]).f32(corners[v][2]).u8(vertexFlags[v]);
    mesh.u32(1);
    for (int c = 0; c < 3; ++c) {
        pbr p = cornerMaterial(c);
        mesh.u32(uint32_t(c)).u16(p.red).u16(p.green).u16(p.blue).u16(p.opacity);
        mesh.u16(p.lightRed).u16(p.lightGreen).u16(p.lightBlue).u16(p.refractivity).i16(p.roughness).i16(p.metalness);
    }
    mesh.u8(0x09);
    return mesh;
}

// The body of a tool left at its defaults, with the given flags and links.
Bytes defaultToolBody(uint8_t flags, std::initializer_list<uint32_t> children, uint32_t next, int32_t element) {
    Bytes b;
    for (int k = 0; k < 2; ++k)
        for (int i = 0; i < 16; ++i) b.f32(i % 5 == 0 ? 1.0f : 0.0f);
    for (int i = 0; i < 6; ++i) b.f32(0);
    b.u16(65535).u16(65535).u16(65535).u16(65535).u16(0).u16(0).u16(0).u16(65535).i16(0).i16(0);
    b.u8(flags).u32(uint32_t(children.size()));
    for (uint32_t c : children) b.u32(c);
    b.u32(next).i32(element).f32(1).f32(1).f32(0);
    return b;
}

std::string bytesOf(const ByteBuffer& b) { return std::string(reinterpret_cast<const char*>(b.data()), b.size()); }

bool readInto(Scene& s, const Bytes& b) {
    return readSceneBytes(s, reinterpret_cast<const uint8_t*>(b.s.data()), b.s.size());
}

struct FileBytes : ::testing::Test {
    void SetUp() override { registerMeshRecords(); }
};

// Hex dump of the first difference, so a failing layout says where it went wrong.
std::string firstDifference(const std::string& a, const std::string& b) {
    size_t i = 0;
    while (i < a.size() && i < b.size() && a[i] == b[i]) ++i;
    return "sizes " + std::to_string(a.size()) + "/" + std::to_string(b.size()) + ", first difference at byte " +
           std::to_string(i);
}

} // namespace

TEST_F(FileBytes, sceneOfOneToolWithOneTriangleMatchesTheLayout) {
    Scene s;
    Tool* t = new Tool(byteTriangle(), mat4(), pbr(), false);
    std::memcpy(t->transform.m, transformValues, sizeof transformValues);
    for (int i = 0; i < 16; ++i) t->pivot.m[i] = float(100 + i);
    t->rotationAxis = vec3(0, 0, 1);
    t->translationAxis = vec3(1, 0, 0);
    t->material = toolMaterial();
    t->flags = PlacedFlag | HighlightFlag | TransparentFlag;
    t->multiplicity = 4;
    t->animationRate = 0.5f;
    t->animationPhase = 0.25f;
    s.sceneRoot->addChild(t, false);

    Bytes tool;
    for (float v : transformValues) tool.f32(v);
    for (int i = 0; i < 16; ++i) tool.f32(float(100 + i));
    tool.f32(0).f32(0).f32(1).f32(1).f32(0).f32(0);
    tool.u16(1000).u16(2000).u16(3000).u16(4000).u16(5).u16(6).u16(7).u16(8).i16(-9).i16(10);
    tool.u8(0x0C); // highlight left out
    tool.u32(0);   // no children
    tool.u32(0);   // its own ring successor
    tool.i32(0);   // element record 0
    tool.f32(4).f32(0.5f).f32(0.25f);
    ASSERT_EQ(tool.size(), 197u);

    Bytes mesh = byteTriangleBody();
    ASSERT_EQ(mesh.size(), 136u);

    Bytes expected;
    expected.u32(0xFFFFAAAA).u32(20161026);
    expected.add(framed(0xABCDEF01, framed(0xABCDEF02, tool)));
    expected.add(framed(0xEEEEEEEE, framed(0xE0000001, mesh)));

    ByteBuffer out;
    writeSceneBytes(s, out);
    std::string written = bytesOf(out);
    EXPECT_TRUE(written == expected.s) << firstDifference(written, expected.s);
    // the writer's transient marks are gone again
    EXPECT_EQ(t->flags, PlacedFlag | HighlightFlag | TransparentFlag);
    EXPECT_EQ(t->element->id, -1);
}

namespace {

// One placed tool holding element 0, laid out as a file of the given version writes it: matrices
// column by column up to 20161025, 8-bit materials up to 20060411, no trailing floats up to 20060410.
Bytes olderToolBody(uint32_t v) {
    Bytes b;
    const bool columns = v <= 20161025;
    for (int i = 0; i < 16; ++i) b.f32(transformValues[columns ? 4 * (i % 4) + i / 4 : i]);
    for (int i = 0; i < 16; ++i) b.f32(i % 5 == 0 ? 1.0f : 0.0f);
    b.f32(0).f32(1).f32(0).f32(0).f32(0).f32(1);
    if (v <= 20060411) {
        b.u32(0xDEADBEEF); // not read
        b.u8(255).u8(128).u8(0).u8(255);
        b.u8(1).u8(2).u8(3).u8(255);
    } else {
        b.u16(1000).u16(2000).u16(3000).u16(4000).u16(5).u16(6).u16(7).u16(8).i16(-9).i16(10);
    }
    b.u8(PlacedFlag).u32(0).u32(0).i32(0);
    if (v > 20060410) b.f32(2).f32(3).f32(0.5f);
    return b;
}

Bytes olderMeshBody(uint32_t v) {
    Bytes b;
    b.f32(0).f32(0).f32(0).f32(1).u32(3);
    for (const auto& p : corners) b.f32(p[0]).f32(p[1]).f32(p[2]).u8(0x08);
    b.u32(1);
    for (int c = 0; c < 3; ++c) {
        b.u32(uint32_t(c));
        if (v <= 20060411) {
            b.u8(0x80).u8(uint8_t(c)).u8(255).u8(255).u8(1).u8(0).u8(0).u8(255);
        } else {
            pbr p = cornerMaterial(c);
            b.u16(p.red).u16(p.green).u16(p.blue).u16(p.opacity);
            b.u16(p.lightRed).u16(p.lightGreen).u16(p.lightBlue).u16(p.refractivity).i16(p.roughness).i16(p.metalness);
        }
    }
    if (v <= 20060411) b.u32(0xCAFEF00D); // not read
    b.u8(0x08);
    return b;
}

// version 0 means a file without a version chunk
Bytes olderFile(uint32_t v) {
    Bytes f;
    if (v) f.u32(0xFFFFAAAA).u32(v);
    f.add(framed(0xABCDEF01, framed(0xABCDEF02, olderToolBody(v))));
    f.add(framed(0xEEEEEEEE, framed(0xE0000001, olderMeshBody(v))));
    return f;
}

void expectOlderFileRead(uint32_t v) {
    SCOPED_TRACE(v);
    Scene s;
    ASSERT_TRUE(readInto(s, olderFile(v)));
    ASSERT_EQ(s.sceneRoot->children.size(), 1u);
    ASSERT_TRUE(s.toolRoot->children.empty());
    Tool* t = s.sceneRoot->children[0];
    for (int i = 0; i < 16; ++i) EXPECT_EQ(t->transform.m[i], transformValues[i]) << "transform element " << i;
    EXPECT_EQ(t->pivot, mat4());
    EXPECT_EQ(t->rotationAxis, vec3(0, 1, 0));
    EXPECT_EQ(t->translationAxis, vec3(0, 0, 1));
    pbr want = toolMaterial();
    if (v <= 20060411) {
        want.red = 65280, want.green = 32768, want.blue = 0, want.opacity = 65280;
        want.lightRed = 256, want.lightGreen = 512, want.lightBlue = 768, want.refractivity = 65280;
        want.roughness = 0, want.metalness = 0;
    }
    EXPECT_EQ(t->material, want);
    EXPECT_EQ(t->multiplicity, v <= 20060410 ? 1.0f : 2.0f);
    EXPECT_EQ(t->animationRate, v <= 20060410 ? 1.0f : 3.0f);
    EXPECT_EQ(t->animationPhase, v <= 20060410 ? 0.0f : 0.5f);
    EXPECT_EQ(t->next, t);

    ASSERT_NE(t->element, nullptr);
    ASSERT_EQ(t->element->typeCode, MeshType);
    const Mesh& m = static_cast<const Mesh&>(*t->element);
    ASSERT_EQ(m.triangleCount(), 1);
    ASSERT_EQ(m.vertexCount(), 3);
    const MeshTriangle& tri = m.triangles[0];
    for (int c = 0; c < 3; ++c) {
        EXPECT_EQ(tri.vertex[c], c);
        pbr corner = cornerMaterial(c);
        if (v <= 20060411) {
            corner.red = 32768, corner.green = uint16_t(c * 256), corner.blue = 65280, corner.opacity = 65280;
            corner.lightRed = 256, corner.lightGreen = 0, corner.lightBlue = 0, corner.refractivity = 65280;
            corner.roughness = 0, corner.metalness = 0;
        }
        EXPECT_EQ(tri.corner[c], corner) << "corner " << c;
    }
}

} // namespace

TEST_F(FileBytes, filesOfEveryOlderLayoutRead) {
    for (uint32_t v : {0u, 20060410u, 20060411u, 20060412u, 20160914u, 20161025u, 20161026u}) expectOlderFileRead(v);
}

TEST_F(FileBytes, versionChunkGovernsOnlyTheChunksAfterIt) {
    // the tool chunk comes first and so reads with version 0: transposed, 8-bit, no trailing floats
    Bytes f;
    f.add(framed(0xABCDEF01, framed(0xABCDEF02, olderToolBody(0))));
    f.u32(0xFFFFAAAA).u32(20161026);
    f.add(framed(0xEEEEEEEE, framed(0xE0000001, olderMeshBody(20161026))));
    Scene s;
    ASSERT_TRUE(readInto(s, f));
    ASSERT_EQ(s.sceneRoot->children.size(), 1u);
    Tool* t = s.sceneRoot->children[0];
    EXPECT_EQ(t->transform.m[3], 1.5f);
    EXPECT_EQ(t->material.red, 65280);
    EXPECT_EQ(t->multiplicity, 1.0f);
    ASSERT_NE(t->element, nullptr);
    EXPECT_EQ(static_cast<const Mesh&>(*t->element).triangles[0].corner[1], cornerMaterial(1));
}

TEST_F(FileBytes, unknownChunksAndToolRecordsAreSkippedByTheirLength) {
    Bytes f;
    f.u32(0xFFFFAAAA).u32(20161026);
    Bytes records;
    records.add(framed(0xABCDEF99, Bytes().u32(1).u32(2).u32(3)));
    records.add(framed(0xABCDEF02, olderToolBody(20161026)));
    f.add(framed(0xABCDEF01, records));
    f.add(framed(0x12345678, Bytes().u32(7).u8(1)));
    f.add(framed(0xEEEEEEEE, framed(0xE0000001, olderMeshBody(20161026))));
    Scene s;
    ASSERT_TRUE(readInto(s, f));
    // the unknown record used no index, so the known one is the chunk's top and tool 0
    ASSERT_EQ(s.sceneRoot->children.size(), 1u);
    EXPECT_EQ(s.sceneRoot->children[0]->multiplicity, 2.0f);
    EXPECT_NE(s.sceneRoot->children[0]->element, nullptr);
}

TEST_F(FileBytes, sceneExportTextMatchesByHand) {
    QTemporaryDir dir;
    Mesh tri;
    tri.addVertex(vec3(0, 0, 0));
    tri.addVertex(vec3(1.0f / 3.0f, 0, 0));
    tri.addVertex(vec3(0, 0.5f, 0));
    addTri(tri, 0, 1, 2);
    Mesh* shared = heapMesh(rebuilt(tri));
    shared->translation = vec3();
    shared->scale = 1;
    Scene s;
    Tool* a = newTool(shared, true);
    a->transform = mat4::translationXYZ(10, 0, 0);
    Tool* b = newTool(shared, true);
    b->transform = mat4::translationXYZ(1e-7f, 0, -2);
    s.sceneRoot->addChild(a, false);
    s.sceneRoot->addChild(b, false);
    // a shelf tool is never exported
    s.toolRoot->addChild(newTool(heapMesh(rebuilt(tri)), false), false);

    const std::string base = (dir.path() + "/scene").toStdString();
    ASSERT_TRUE(s.save(base + ".obj"));
    // two faces: a grid of 2 x 1 cells, maps 4 x 2 pixels
    const std::string expected = "# Kalvimor OBJ export\n"
                                 "\n"
                                 "mtllib scene.mtl\n"
                                 "\n"
                                 "# Global: 2 objects, 6 vertices, 2 faces\n"
                                 "\n"
                                 "o Object1\n"
                                 "# 3 vertices, 1 faces\n"
                                 "usemtl Material\n"
                                 "v 10 0 0\n"
                                 "v 10.3333 0 0\n"
                                 "v 10 0.5 0\n"
                                 "vt 0.125 0.25\n"
                                 "vt 0.375 0.25\n"
                                 "vt 0.25 0.75\n"
                                 "vn 0 0 1\n"
                                 "vn 0 0 1\n"
                                 "vn 0 0 1\n"
                                 "f 1/1/1 2/2/2 3/3/3\n"
                                 "\n"
                                 "o Object2\n"
                                 "# 3 vertices, 1 faces\n"
                                 "usemtl Material\n"
                                 "v 1e-07 0 -2\n"
                                 "v 0.333333 0 -2\n"
                                 "v 1e-07 0.5 -2\n"
                                 "vt 0.625 0.25\n"
                                 "vt 0.875 0.25\n"
                                 "vt 0.75 0.75\n"
                                 "vn 0 0 1\n"
                                 "vn 0 0 1\n"
                                 "vn 0 0 1\n"
                                 "f 4/4/4 5/5/5 6/6/6\n";
    EXPECT_EQ(readWholeFile(base + ".obj"), expected);
    EXPECT_EQ(readWholeFile(base + ".mtl"), "# Kalvimor MTL export\n\nnewmtl Material\n");
    QImage map(dir.path() + "/Material_basecolor.png");
    EXPECT_EQ(map.size(), QSize(4, 2));
}

TEST_F(FileBytes, emptySceneExportHasHeadersOnly) {
    QTemporaryDir dir;
    Scene s;
    const std::string base = (dir.path() + "/none").toStdString();
    ASSERT_TRUE(s.save(base + ".OBJ"));
    // the typed name stands; the material file takes the same base
    EXPECT_FALSE(QFile::exists(QString::fromStdString(base + ".obj")));
    EXPECT_EQ(readWholeFile(base + ".OBJ"),
              "# Kalvimor OBJ export\n\nmtllib none.mtl\n\n# Global: 0 objects, 0 vertices, 0 faces\n");
    EXPECT_EQ(readWholeFile(base + ".mtl"), "# Kalvimor MTL export\n");
}

TEST_F(FileBytes, plainMeshExportTextMatchesByHand) {
    QTemporaryDir dir;
    Mesh quad;
    quad.addVertex(vec3(0, 0, 0));
    quad.addVertex(vec3(2, 0, 0));
    quad.addVertex(vec3(2, 0.25f, 0));
    quad.addVertex(vec3(0, 0.25f, 0));
    addTri(quad, 0, 1, 2);
    addTri(quad, 0, 2, 3);
    Mesh m = rebuilt(quad);
    m.translation = vec3(5, 5, 5); // the plain export writes stored positions as they are
    const std::string path = (dir.path() + "/quad.Obj").toStdString();
    ASSERT_TRUE(m.saveToFile(path));
    // one smooth fan per vertex: the normal numbers are the vertex numbers
    EXPECT_EQ(readWholeFile(path), "# Kalvimor OBJ export\n"
                                   "# 4 vertices, 2 faces\n"
                                   "\n"
                                   "v 0 0 0\n"
                                   "v 2 0 0\n"
                                   "v 2 0.25 0\n"
                                   "v 0 0.25 0\n"
                                   "vn 0 0 1\n"
                                   "vn 0 0 1\n"
                                   "vn 0 0 1\n"
                                   "vn 0 0 1\n"
                                   "f 1//1 2//2 3//3\n"
                                   "f 1//1 3//3 4//4\n");
    for (int v = 0; v < m.vertexCount(); ++v) EXPECT_EQ(m.vertices[v].link, -1);
}

TEST_F(FileBytes, sceneAndObjectFilesNumberToolsElementsAndRingsByTheLayout) {
    // shelf tool S; placed P holding Q and R, which share one mesh; placed copy C linked with Q
    Scene s;
    Tool* shelf = newTool(nullptr, false);
    s.toolRoot->addChild(shelf, false);
    Mesh* shared = byteTriangle();
    Tool* p = newTool(nullptr, true);
    Tool* q = newTool(shared, true);
    Tool* r = newTool(shared, true);
    p->addChild(q, false);
    p->addChild(r, false);
    s.sceneRoot->addChild(p, false);
    Tool* c = newTool(shared, true);
    s.sceneRoot->addChild(c, false);
    q->link(c);
    shelf->flags = LiveFlag;
    for (Tool* t : {p, q, r, c}) t->flags = LiveFlag | PlacedFlag;
    const uint8_t placed = 0x09, bare = 0x01;

    Bytes scene;
    scene.u32(0xFFFFAAAA).u32(20161026);
    scene.add(framed(0xABCDEF01, framed(0xABCDEF02, defaultToolBody(bare, {}, 0, -1))));
    Bytes group;
    group.add(framed(0xABCDEF02, defaultToolBody(placed, {2, 3}, 1, -1)));
    group.add(framed(0xABCDEF02, defaultToolBody(placed, {}, 4, 0)));
    group.add(framed(0xABCDEF02, defaultToolBody(placed, {}, 3, 0)));
    scene.add(framed(0xABCDEF01, group));
    scene.add(framed(0xABCDEF01, framed(0xABCDEF02, defaultToolBody(placed, {}, 2, 0))));
    scene.add(framed(0xEEEEEEEE, framed(0xE0000001, byteTriangleBody())));
    ByteBuffer out;
    writeSceneBytes(s, out);
    std::string written = bytesOf(out);
    EXPECT_TRUE(written == scene.s) << firstDifference(written, scene.s);

    // the object leaves C out: Q's ring closes on Q itself
    Bytes object;
    object.u32(0xFFFFAAAA).u32(20161026);
    Bytes records;
    records.add(framed(0xABCDEF02, defaultToolBody(placed, {1, 2}, 0, -1)));
    records.add(framed(0xABCDEF02, defaultToolBody(placed, {}, 1, 0)));
    records.add(framed(0xABCDEF02, defaultToolBody(placed, {}, 2, 0)));
    object.add(framed(0xABCDEF01, records));
    object.add(framed(0xEEEEEEEE, framed(0xE0000001, byteTriangleBody())));
    ByteBuffer objectOut;
    writeObjectBytes(*p, objectOut);
    written = bytesOf(objectOut);
    EXPECT_TRUE(written == object.s) << firstDifference(written, object.s);
    EXPECT_EQ(q->next, c);
    EXPECT_EQ(q->flags & CollectFlag, 0);
}

TEST_F(FileBytes, toolRecordsLongerThanTheirBodyContinueAtTheirEnd) {
    // a writer that appends fields of its own after the plain body must not shift the next record
    Bytes top = defaultToolBody(0x09, {1}, 0, -1);
    top.u32(0x55555555).u32(0x66666666);
    Bytes records;
    records.add(framed(0xABCDEF02, top));
    records.add(framed(0xABCDEF02, defaultToolBody(0x09, {}, 1, 0)));
    Bytes f;
    f.u32(0xFFFFAAAA).u32(20161026);
    f.add(framed(0xABCDEF01, records));
    f.add(framed(0xEEEEEEEE, framed(0xE0000001, byteTriangleBody())));
    Scene s;
    ASSERT_TRUE(readInto(s, f));
    ASSERT_EQ(s.sceneRoot->children.size(), 1u);
    Tool* top0 = s.sceneRoot->children[0];
    ASSERT_EQ(top0->children.size(), 1u);
    EXPECT_EQ(top0->element, nullptr);
    ASSERT_NE(top0->children[0]->element, nullptr);
    EXPECT_EQ(top0->children[0]->element->typeCode, MeshType);
}
