#include <gtest/gtest.h>

#include <QDir>
#include <cstring>
#include <memory>

#include "FileSizeLimit.h"
#include "FileTestSupport.h"
#include "MeshFixtures.h"
#include "MeshInvariants.h"
#include "foundation/ByteBuffer.h"
#include "mesh/MeshRecord.h"
#include "scene/SceneFile.h"

using namespace kal;
using namespace kal::test;

namespace {

std::string bytesOf(const ByteBuffer& b) { return std::string(reinterpret_cast<const char*>(b.data()), b.size()); }

std::string sceneBytes(Scene& s) {
    ByteBuffer out;
    writeSceneBytes(s, out);
    return bytesOf(out);
}

bool readInto(Scene& s, const std::string& bytes) {
    return readSceneBytes(s, reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
}

struct SceneFiles : ::testing::Test {
    QTemporaryDir dir;
    void SetUp() override { registerMeshRecords(); }
    std::string path(const char* name) { return (dir.path() + "/" + name).toStdString(); }
};

// A shelf tool, and a placed group P holding Q and R that share one mesh; Q is linked with a
// placed copy S beside P. Transforms, pivots, axes, materials and flags all differ from defaults.
void buildScene(Scene& s) {
    Tool* shelf = newTool(heapMesh(rebuilt(quadMesh())), false);
    s.addToMainRoot(shelf);
    Mesh* shared = heapMesh(rebuilt(cubeMesh()));
    Tool* p = newTool(nullptr, true);
    p->transform = mat4::translationXYZ(1, 2, 3);
    p->pivot = mat4::translationXYZ(0, 0.5f, 0);
    Tool* q = newTool(shared, true);
    q->rotationAxis = vec3(0, 0, 1);
    q->translationAxis = vec3(1, 0, 0);
    q->material.red = 1000;
    q->material.metalness = 3000;
    q->flags |= TransparentFlag | ColourIsLightFlag | 0x40;
    Tool* r = newTool(shared, true);
    r->multiplicity = 4.0f;
    r->animationRate = 0.5f;
    p->addChild(q, false);
    p->addChild(r, false);
    s.sceneRoot->addChild(p, false);
    Tool* copy = newTool(shared, true);
    copy->transform = mat4::translationXYZ(-5, 0, 0);
    s.sceneRoot->addChild(copy, false);
    q->link(copy);
}

size_t toolCount(Scene& s) { return allTools(s).size(); }

// Replaces the little-endian word at offset.
void putWord(std::string& bytes, size_t offset, uint32_t w) { std::memcpy(&bytes[offset], &w, 4); }
void appendWord(std::string& b, uint32_t w) { b.append(reinterpret_cast<const char*>(&w), 4); }
void appendFloat(std::string& b, float f) { b.append(reinterpret_cast<const char*>(&f), 4); }

} // namespace

TEST_F(SceneFiles, emptySceneIsVersionAndEmptyElementChunk) {
    Scene s;
    std::string b = sceneBytes(s);
    ASSERT_EQ(b.size(), 16u);
    const uint32_t expect[4] = {versionChunkTag, currentFileVersion, elementChunkTag, 0};
    EXPECT_EQ(std::memcmp(b.data(), expect, 16), 0);
}

TEST_F(SceneFiles, sceneRoundTripsExactly) {
    Scene s;
    buildScene(s);
    ASSERT_TRUE(s.save(path("a.k")));
    Scene r;
    ASSERT_TRUE(r.readFile(path("a.k")));
    // writing what was read gives the same bytes: structure, rings, sharing and every field survive
    EXPECT_EQ(sceneBytes(r), readWholeFile(path("a.k")));

    ASSERT_EQ(r.toolRoot->children.size(), 1u);
    EXPECT_EQ(r.currentTool, r.toolRoot->children[0]);
    ASSERT_EQ(r.sceneRoot->children.size(), 2u);
    Tool* p = r.sceneRoot->children[0];
    ASSERT_EQ(p->children.size(), 2u);
    Tool *q = p->children[0], *rr = p->children[1], *copy = r.sceneRoot->children[1];
    EXPECT_EQ(q->parent, p);
    EXPECT_EQ(p->parent, r.sceneRoot);
    EXPECT_EQ(q->element, rr->element);
    EXPECT_EQ(q->element, copy->element);
    EXPECT_EQ(q->element->useCount, 3);
    EXPECT_TRUE(q->isLinkedWith(copy));
    EXPECT_FALSE(q->isLinkedWith(rr));
    EXPECT_EQ(p->transform, mat4::translationXYZ(1, 2, 3));
    EXPECT_EQ(q->flags, LiveFlag | PlacedFlag | TransparentFlag | ColourIsLightFlag | 0x40);
    EXPECT_EQ(q->material.metalness, 3000);
    EXPECT_EQ(rr->multiplicity, 4.0f);
    EXPECT_MESH_VALID(*static_cast<Mesh*>(q->element));
    EXPECT_EQ(q->element->id, -1);
}

TEST_F(SceneFiles, writingLeavesTheSceneAsItWas) {
    Scene s;
    buildScene(s);
    std::vector<Tool*> tools = allTools(s);
    tools[2]->flags |= CollectFlag | HighlightFlag;
    std::vector<uint8_t> before;
    for (Tool* t : tools) before.push_back(t->flags);
    std::string first = sceneBytes(s);
    for (size_t i = 0; i < tools.size(); ++i) EXPECT_EQ(tools[i]->flags, before[i]);
    for (Tool* t : tools)
        if (t->element) {
            EXPECT_EQ(t->element->id, -1);
        }
    EXPECT_EQ(sceneBytes(s), first);
}

TEST_F(SceneFiles, objectKeepsSharingAndDropsOutsideLinks) {
    Scene s;
    buildScene(s);
    Tool* p = s.sceneRoot->children[0];
    ASSERT_TRUE(p->saveObject(path("p.ko")));
    std::string b = readWholeFile(path("p.ko"));
    // version chunk, one tool chunk of three records, one element chunk of one record
    uint32_t toolLength;
    std::memcpy(&toolLength, b.data() + 12, 4);
    EXPECT_EQ(toolLength, 3 * 8 + 3 * 197 + 8u);
    size_t elementChunk = 16 + toolLength;
    uint32_t tag, elementLength;
    std::memcpy(&tag, b.data() + elementChunk, 4);
    std::memcpy(&elementLength, b.data() + elementChunk + 4, 4);
    EXPECT_EQ(tag, elementChunkTag);
    EXPECT_EQ(elementChunk + 8 + elementLength, b.size());
    uint32_t meshLength;
    std::memcpy(&meshLength, b.data() + elementChunk + 12, 4);
    EXPECT_EQ(elementLength, 8 + meshLength);

    Scene r;
    ASSERT_TRUE(r.readFile(path("p.ko")));
    ASSERT_TRUE(r.readFile(path("p.ko")));
    ASSERT_EQ(r.sceneRoot->children.size(), 2u);
    Tool* a = r.sceneRoot->children[0];
    Tool* c = r.sceneRoot->children[1];
    EXPECT_NE(a, c);
    EXPECT_EQ(a->children[0]->element, a->children[1]->element);
    EXPECT_NE(a->children[0]->element, c->children[0]->element);
    EXPECT_EQ(a->children[0]->element->useCount, 2);
    // the link to the copy outside the object is gone
    EXPECT_FALSE(a->children[0]->isLinked());
}

TEST_F(SceneFiles, lastShelfTopBecomesCurrentTool) {
    Scene s;
    for (int i = 0; i < 3; ++i) s.addToMainRoot(newTool(nullptr, false));
    Scene r;
    ASSERT_TRUE(readInto(r, sceneBytes(s)));
    ASSERT_EQ(r.toolRoot->children.size(), 3u);
    EXPECT_EQ(r.currentTool, r.toolRoot->children[2]);
}

TEST_F(SceneFiles, unknownChunksAreSkipped) {
    Scene s;
    buildScene(s);
    std::string b = sceneBytes(s);
    // insert a chunk of an unknown kind before the element chunk
    size_t elementChunk = b.rfind(std::string("\xEE\xEE\xEE\xEE", 4));
    std::string extra(8 + 5, '\x07');
    putWord(extra, 0, 0x12345678);
    putWord(extra, 4, 5);
    b.insert(elementChunk, extra);
    Scene r;
    ASSERT_TRUE(readInto(r, b));
    EXPECT_EQ(sceneBytes(r), sceneBytes(s));
}

// The placeholder is the create menu's sphere: the icosahedron subdivided three times, whose 642
// vertices all lie at one distance from its centre (a bare icosahedron has 12).
TEST_F(SceneFiles, unknownElementKindReadsAsPlaceholderSphere) {
    Scene s;
    s.sceneRoot->addChild(newTool(heapMesh(rebuilt(quadMesh())), true), false);
    std::string b = sceneBytes(s);
    size_t record = b.rfind(std::string("\xEE\xEE\xEE\xEE", 4)) + 8;
    putWord(b, record, 0xE0DDDDDD);
    Scene r;
    ASSERT_TRUE(readInto(r, b));
    Element* e = r.sceneRoot->children[0]->element;
    ASSERT_NE(e, nullptr);
    ASSERT_EQ(e->typeCode, MeshType);
    const Mesh& placeholder = *static_cast<Mesh*>(e);
    ASSERT_EQ(placeholder.vertexCount(), 642);
    ASSERT_EQ(placeholder.triangleCount(), 1280);
    for (int v = 0; v < placeholder.vertexCount(); ++v)
        EXPECT_NEAR(length(placeholder.vertices[v].position - placeholder.translation), 2.0, 1e-4) << v;
    std::unique_ptr<Mesh> icosahedron(Mesh::createIcosahedron());
    std::unique_ptr<Mesh> sphere(Mesh::subdivided(icosahedron.get(), 3, false, true));
    sphere->rebuild(Recenter::Keep);
    expectSameRecords(placeholder, *sphere);
}

namespace {

int placeholdersMade = 0;
// Each placeholder stands for a megabyte here, so the read's budget runs out after some dozens.
Element* countedPlaceholder(bool charged) {
    if (charged && !chargeRead(size_t(1) << 20)) return nullptr;
    ++placeholdersMade;
    return new Mesh();
}

// The scene's bytes with its element chunk replaced by `count` bare records (8 bytes each) of
// the unknown kinds kind(i); the placeholder count is reset, the read is left to the caller.
template <class Kind>
std::string withBareUnknownRecords(Scene& s, int count, Kind kind) {
    std::string b = sceneBytes(s);
    size_t chunk = b.rfind(std::string("\xEE\xEE\xEE\xEE", 4));
    b.resize(chunk + 8);
    std::string records;
    for (int i = 0; i < count; ++i) {
        appendWord(records, kind(i));
        appendWord(records, 0);
    }
    putWord(b, chunk + 4, uint32_t(records.size()));
    b += records;
    placeholdersMade = 0;
    return b;
}

} // namespace

// A chunk of bare unknown records (8 bytes each) costs no sphere: one is made per record a tool
// holds, and none for the rest.
TEST_F(SceneFiles, placeholdersAreMadeOnlyForHeldRecords) {
    registerPlaceholderElement(countedPlaceholder);
    Scene s;
    s.sceneRoot->addChild(newTool(heapMesh(rebuilt(quadMesh())), true), false);
    s.sceneRoot->addChild(newTool(heapMesh(rebuilt(quadMesh())), true), false);
    const std::string b = withBareUnknownRecords(s, 1000, [](int i) { return 0xE0DDDD00 + uint32_t(i % 7); });
    Scene r;
    bool read = readInto(r, b);
    registerMeshRecords();
    ASSERT_TRUE(read);
    EXPECT_EQ(placeholdersMade, 2);
    ASSERT_EQ(r.sceneRoot->children.size(), 2u);
    EXPECT_NE(r.sceneRoot->children[0]->element, nullptr);
    EXPECT_NE(r.sceneRoot->children[1]->element, nullptr);
}

// Past the read's budget further placeholders share the first instead of growing the memory a
// small file can demand; every tool still holds one.
TEST_F(SceneFiles, placeholdersPastTheBudgetShareTheFirst) {
    registerPlaceholderElement(countedPlaceholder);
    Scene s;
    const int tools = 100;
    for (int i = 0; i < tools; ++i) s.sceneRoot->addChild(newTool(heapMesh(rebuilt(quadMesh())), true), false);
    const std::string b = withBareUnknownRecords(s, tools, [](int) { return 0xE0DDDD00u; });
    Scene r;
    bool read = readInto(r, b);
    registerMeshRecords();
    ASSERT_TRUE(read);
    EXPECT_GT(placeholdersMade, 1);
    EXPECT_LE(size_t(placeholdersMade), 2 + ((readBytesSlack + readBytesPerFileByte * b.size()) >> 20));
    EXPECT_LT(placeholdersMade, tools);
    Element* first = r.sceneRoot->children[0]->element;
    EXPECT_EQ(r.sceneRoot->children.back()->element, first);
    EXPECT_EQ(first->useCount, 1 + tools - placeholdersMade);
}

TEST_F(SceneFiles, unreadableFilesAnswerFalseAndKeepTheScene) {
    Scene s;
    buildScene(s);
    size_t before = toolCount(s);
    EXPECT_FALSE(s.readFile(path("missing.k")));
    writeWholeFile(path("empty.k"), "");
    EXPECT_FALSE(s.readFile(path("empty.k")));
    EXPECT_FALSE(s.readFile("/dev/zero"));
    EXPECT_EQ(toolCount(s), before);
}

TEST_F(SceneFiles, damagedLinksAreRefused) {
    Scene s;
    Tool* p = newTool(nullptr, true);
    p->addChild(newTool(nullptr, true), false);
    p->addChild(newTool(nullptr, true), false);
    s.sceneRoot->addChild(p, false);
    const std::string good = sceneBytes(s);
    // records start after the version chunk and the tool chunk header
    const size_t rec0 = 16, body0 = rec0 + 8;
    const size_t children0 = body0 + 177;          // first child index of P
    const size_t ring1 = rec0 + 8 + 205 + 8 + 177; // ring successor of the first child
    struct Case {
        const char* what;
        size_t offset;
        uint32_t value;
    } cases[] = {
        {"child index past the tools", children0, 3}, {"child names the top record", children0, 0},
        {"duplicate child", children0 + 4, 1},        {"ring successor past the tools", ring1, 9},
        {"two tools name one successor", ring1, 2},   {"element index past the elements", ring1 + 4, 0},
    };
    for (const Case& c : cases) {
        std::string bad = good;
        putWord(bad, c.offset, c.value);
        Scene r;
        r.addToMainRoot(newTool(nullptr, false));
        EXPECT_FALSE(readInto(r, bad)) << c.what;
        EXPECT_EQ(toolCount(r), 1u) << c.what;
        EXPECT_EQ(r.sceneRoot->children.size(), 0u) << c.what;
    }
    // a child that names its own parent chain: Q names P's other child, R names Q
    std::string cycle = good;
    putWord(cycle, children0 - 4, 1); // P keeps one child
    Scene r;
    EXPECT_FALSE(readInto(r, cycle));
}

TEST_F(SceneFiles, truncatedOrPaddedFilesNeverBecomeSpheres) {
    Scene s;
    buildScene(s);
    std::string b = sceneBytes(s);
    // a file cut inside its element chunk, and the same with the missing tail as zero bytes
    std::string cut = b.substr(0, b.size() - 40);
    Scene r1;
    EXPECT_FALSE(readInto(r1, cut));
    std::string padded = b;
    size_t elementChunk = b.rfind(std::string("\xEE\xEE\xEE\xEE", 4));
    uint32_t length;
    std::memcpy(&length, b.data() + elementChunk + 4, 4);
    putWord(padded, elementChunk + 4, length + 16);
    padded.append(16, '\0');
    Scene r2;
    EXPECT_FALSE(readInto(r2, padded));
    EXPECT_TRUE(r2.sceneRoot->children.empty());
}

// Every prefix, in a heap block of exactly its size, is read or refused; never read past.
TEST_F(SceneFiles, everyPrefixIsReadOrRefusedCleanly) {
    Scene s;
    buildScene(s);
    std::string scene = sceneBytes(s);
    ByteBuffer object;
    writeObjectBytes(*s.sceneRoot->children[0], object);
    for (const std::string& full : {scene, bytesOf(object)}) {
        for (size_t n = 0; n <= full.size(); ++n) {
            std::unique_ptr<uint8_t[]> block(new uint8_t[n ? n : 1]);
            std::memcpy(block.get(), full.data(), n);
            Scene r;
            bool ok = readSceneBytes(r, block.get(), n);
            if (n == full.size()) {
                EXPECT_TRUE(ok);
            }
            if (!ok) {
                EXPECT_TRUE(allTools(r).empty()) << n;
            }
        }
    }
}

TEST_F(SceneFiles, failedSaveKeepsThePreviousFile) {
    Scene s;
    buildScene(s);
    const std::string target = path("keep.k");
    writeWholeFile(target, "previous contents");
    EXPECT_FALSE(s.save(path("no/such/folder/x.k")));
    // a file size limit makes the write itself fail half-way, after a part of it went through
    std::string why;
    bool saved;
    {
        FileSizeLimit limit(64);
        ASSERT_TRUE(limit.active());
        saved = s.save(target, &why);
    }
    EXPECT_FALSE(saved);
    EXPECT_EQ(why, FileSizeLimit::reason()); // the write's own reason, not lost with the cancelled file
    EXPECT_EQ(readWholeFile(target), "previous contents");
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"keep.k"});
}

namespace {

// An element kind that has no record of its own.
struct Unsaved : Element {
    Unsaved() : Element(CurveType) {}
};

} // namespace

TEST_F(SceneFiles, elementWithoutRecordKeepsLaterIndicesInStep) {
    Scene s;
    Tool* a = newTool(new Unsaved(), true);
    Tool* b = newTool(heapMesh(rebuilt(quadMesh())), true);
    s.sceneRoot->addChild(a, false);
    s.sceneRoot->addChild(b, false);
    Scene r;
    ASSERT_TRUE(readInto(r, sceneBytes(s)));
    ASSERT_EQ(r.sceneRoot->children.size(), 2u);
    ASSERT_NE(r.sceneRoot->children[1]->element, nullptr);
    EXPECT_EQ(static_cast<Mesh*>(r.sceneRoot->children[1]->element)->triangleCount(), 2);
}

TEST_F(SceneFiles, olderVersionChunkGovernsTheChunksAfterIt) {
    Scene s;
    Tool* t = newTool(nullptr, true);
    for (int i = 0; i < 16; ++i) t->transform.m[i] = float(i);
    s.sceneRoot->addChild(t, false);
    std::string b = sceneBytes(s);
    putWord(b, 4, 20161025);
    Scene r;
    ASSERT_TRUE(readInto(r, b));
    const mat4& m = r.sceneRoot->children[0]->transform;
    EXPECT_EQ(m.m[1], 4.0f);
    EXPECT_EQ(m.m[4], 1.0f);
}

// A file as the oldest writers made it: no version chunk, 8-bit materials, no trailing floats
// in the tool, 41-byte triangles, and matrices stored column by column.
TEST_F(SceneFiles, fileWithoutVersionChunkReadsOldestLayouts) {
    std::string tool;
    for (int i = 0; i < 16; ++i)
        appendFloat(tool, i == 0 || i == 5 || i == 10 || i == 15 ? 1.0f : i == 12 ? 7.0f : 0.0f);
    for (int i = 0; i < 16; ++i) appendFloat(tool, i % 5 == 0 ? 1.0f : 0.0f);
    for (int i = 0; i < 6; ++i) appendFloat(tool, 0.0f);
    appendWord(tool, 0);
    tool += std::string("\xFF\x80\x00\xFF", 4) + std::string("\x00\x00\x00\xFF", 4);
    tool += char(LiveFlag | PlacedFlag);
    appendWord(tool, 0); // children
    appendWord(tool, 0); // ring successor: itself
    appendWord(tool, 0); // element 0
    std::string mesh;
    for (int i = 0; i < 3; ++i) appendFloat(mesh, 0.0f);
    appendFloat(mesh, 1.0f);
    appendWord(mesh, 3);
    for (int v = 0; v < 3; ++v) {
        appendFloat(mesh, float(v == 1));
        appendFloat(mesh, float(v == 2));
        appendFloat(mesh, 0.0f);
        mesh += char(VertexAlive);
    }
    appendWord(mesh, 1);
    for (uint32_t c = 0; c < 3; ++c) {
        appendWord(mesh, c);
        mesh += std::string("\x10\x20\x30\xFF", 4) + std::string("\x00\x00\x00\xFF", 4);
    }
    appendWord(mesh, 0);
    mesh += char(TriangleAlive);
    std::string file;
    appendWord(file, toolChunkTag);
    appendWord(file, uint32_t(8 + tool.size()));
    appendWord(file, plainToolTag);
    appendWord(file, uint32_t(tool.size()));
    file += tool;
    appendWord(file, elementChunkTag);
    appendWord(file, uint32_t(8 + mesh.size()));
    appendWord(file, meshRecordTag);
    appendWord(file, uint32_t(mesh.size()));
    file += mesh;

    Scene r;
    ASSERT_TRUE(readInto(r, file));
    ASSERT_EQ(r.sceneRoot->children.size(), 1u);
    Tool* t = r.sceneRoot->children[0];
    EXPECT_EQ(t->transform.m[3], 7.0f); // translation came from the transposed storage
    EXPECT_EQ(t->material.red, 65280);
    EXPECT_EQ(t->material.green, 32768);
    EXPECT_EQ(t->multiplicity, 1.0f);
    ASSERT_NE(t->element, nullptr);
    Mesh* m = static_cast<Mesh*>(t->element);
    ASSERT_EQ(m->triangleCount(), 1);
    EXPECT_EQ(m->triangles[0].corner[0].blue, 0x30 * 256);
    EXPECT_EQ(m->triangles[0].corner[0].refractivity, 65280);
}

namespace {

// Stands in for the curve kind's embedded reader: a u32 point count, then that many floats.
Element* standInCurve(ByteBuffer& in, uint32_t, size_t, bool& ok) {
    uint32_t n = in.readCount(4);
    in.skip(4 * size_t(n));
    ok = !in.failed();
    Mesh* m = new Mesh();
    m->scale = float(n); // what the test can see after the rebuild
    return m;
}

} // namespace

TEST_F(SceneFiles, legacyCompoundKeepsItsCurveAndDropsItsInnerRecord) {
    // the stand-in must not outlive the test: later tests see the registry as it was
    struct Restore {
        ElementReader previous = registerElementReader(0xE0000007, standInCurve);
        ~Restore() { registerElementReader(0xE0000007, previous); }
    } restore;
    std::string body;
    appendWord(body, meshRecordTag); // inner record: an empty mesh, read and dropped
    appendWord(body, 24);
    body.append(24, '\0');
    body.append(8, '\x5A');
    appendWord(body, 2); // the curve: two points
    appendFloat(body, 1.0f);
    appendFloat(body, 2.0f);
    body.append(64, '\x5A');
    std::string elements;
    appendWord(elements, legacyCompoundTag);
    appendWord(elements, 0xDEADBEEF); // its length word is not used
    elements += body;

    Scene s;
    s.sceneRoot->addChild(newTool(heapMesh(rebuilt(quadMesh())), true), false);
    std::string b = sceneBytes(s);
    size_t chunk = b.rfind(std::string("\xEE\xEE\xEE\xEE", 4));
    b.resize(chunk + 4);
    appendWord(b, uint32_t(elements.size()));
    b += elements;
    Scene r;
    ASSERT_TRUE(readInto(r, b));
    Element* e = r.sceneRoot->children[0]->element;
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e->scale, 2.0f);
    // cut inside the trailing 64 bytes: refused
    std::string cut = b.substr(0, b.size() - 10);
    putWord(cut, chunk + 4, uint32_t(elements.size() - 10));
    Scene r2;
    EXPECT_FALSE(readInto(r2, cut));
}
