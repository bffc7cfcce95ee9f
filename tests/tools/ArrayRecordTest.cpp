// The array's record: a round trip through whole scene images, bodies laid out by hand in the
// current and the older layout, and damaged images that the reader must refuse untouched.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "FileVersionScope.h"
#include "elements/Curve.h"
#include "elements/CurveRecord.h"
#include "elements/UCurve.h"
#include "foundation/ByteBuffer.h"
#include "mesh/Mesh.h"
#include "mesh/MeshRecord.h"
#include "scene/Scene.h"
#include "scene/SceneFile.h"
#include "tools/Array.h"
#include "tools/ToolRecords.h"

using namespace kal;

namespace {

struct Bytes {
    std::string s;
    template <class T>
    Bytes& raw(T v) {
        char b[sizeof v];
        std::memcpy(b, &v, sizeof v);
        s.append(b, sizeof v);
        return *this;
    }
    Bytes& u32(uint32_t v) { return raw(v); }
    Bytes& i32(int32_t v) { return raw(v); }
    Bytes& u8(uint8_t v) { return raw(v); }
    Bytes& f32(float v) { return raw(v); }
    Bytes& words(const float* m, int n) {
        for (int i = 0; i < n; ++i) f32(m[i]);
        return *this;
    }
    Bytes& record(uint32_t tag, const Bytes& body) {
        u32(tag).u32(uint32_t(body.s.size()));
        s += body.s;
        return *this;
    }
};

void registerRecords() {
    registerMeshRecords();
    registerCurveRecords();
    registerToolRecords();
}

mat4 numbered(float from) {
    mat4 m;
    for (int i = 0; i < 16; ++i) m.m[i] = from + float(i);
    return m;
}

Curve* openChain(int n) {
    std::vector<vec3> p;
    for (int i = 0; i <= n; ++i) p.push_back(vec3(float(i), float(i & 1), 0));
    return new Curve(p, false, 0);
}

bool readImage(Scene& s, const std::string& image) {
    return readSceneBytes(s, reinterpret_cast<const uint8_t*>(image.data()), image.size());
}

std::string sceneImage(Scene& s) {
    ByteBuffer out;
    writeSceneBytes(s, out);
    return std::string(reinterpret_cast<const char*>(out.data()), out.size());
}

// The current plain tool body: identity matrices, default material, flags 1, then the links.
Bytes toolBody(const std::vector<uint32_t>& children, uint32_t ring, int32_t element) {
    Bytes b;
    mat4 id;
    b.words(id.m, 16).words(id.m, 16);
    for (int i = 0; i < 6; ++i) b.f32(0);
    pbr p;
    b.raw(p).u8(1).u32(uint32_t(children.size()));
    for (uint32_t c : children) b.u32(c);
    b.u32(ring).i32(element).f32(1).f32(1).f32(0);
    return b;
}

Bytes arrayBody(const std::vector<uint32_t>& children, uint32_t ring, int32_t element,
                const std::vector<int32_t>& copies, uint32_t copyCount, uint32_t entryCount) {
    Bytes b = toolBody(children, ring, element);
    b.u32(copyCount);
    for (int32_t c : copies) b.i32(c);
    b.u32(entryCount);
    for (uint32_t i = 0; i < entryCount && i < 4; ++i) b.u32(arrayEntry(1, 1, EntryCyclic));
    mat4 id;
    b.u8(1).words(id.m, 16);
    return b;
}

std::string image(const Bytes& tools, const std::string& elements) {
    Bytes f;
    f.u32(versionChunkTag).u32(currentFileVersion);
    f.u32(toolChunkTag).u32(uint32_t(tools.s.size()));
    f.s += tools.s;
    f.u32(elementChunkTag).u32(uint32_t(elements.size()));
    f.s += elements;
    return f.s;
}

std::string elementRecords(std::initializer_list<Element*> list) {
    ByteBuffer out;
    for (Element* e : list) {
        e->save(out);
        delete e;
    }
    return std::string(reinterpret_cast<const char*>(out.data()), out.size());
}

} // namespace

// The placed copies of an array: matrices and step ids.
void layout(Tool* t, std::vector<mat4>& matrices, std::vector<int32_t>& steps) {
    std::vector<Tool*> tools;
    std::vector<int32_t> groups;
    t->collectWorldTransforms(tools, matrices, groups, steps, mat4(), 0, -1);
}

TEST(ArrayRecord, roundTripKeepsSettingsCopiesAndLayout) {
    registerRecords();
    Scene s;
    Tool* first = s.addToMainRoot(new Tool(nullptr, mat4::translationXYZ(1, 0, 0), pbr(), false));
    Tool* second = s.addToMainRoot(new Tool(nullptr, mat4::translationXYZ(2, 0, 0), pbr(), false));
    const std::vector<uint32_t> sequence{arrayEntry(2, 3, EntryHead), arrayEntry(1, 1, EntryCyclic)};
    Array* a = new Array(new UCurve(Curve::makeCircle(9, false), 2), {second, first, nullptr, second}, sequence, 300,
                         numbered(0.5f), mat4(), pbr(), false);
    a->flags |= PlacedFlag;
    s.sceneRoot->addChild(a, false);
    std::vector<mat4> before, after;
    std::vector<int32_t> stepsBefore, stepsAfter;
    layout(a, before, stepsBefore);

    Scene r;
    ASSERT_TRUE(readImage(r, sceneImage(s)));
    ASSERT_EQ(r.sceneRoot->children.size(), 1u);
    ASSERT_TRUE(r.sceneRoot->children[0]->isArray());
    Array* b = static_cast<Array*>(r.sceneRoot->children[0]);
    EXPECT_EQ(b->mode, 300 & 0xFF); // one byte on file
    EXPECT_EQ(b->itemSequence, sequence);
    EXPECT_EQ(b->alternateMatrix, numbered(0.5f));
    ASSERT_NE(b->source, nullptr);
    EXPECT_EQ(b->source, b->element);
    EXPECT_EQ(b->source->typeCode, UCurveType);
    ASSERT_EQ(b->copies.size(), 4u);
    EXPECT_EQ(b->copies[2], nullptr);
    ASSERT_TRUE(b->copies[0] && b->copies[1] && b->copies[3]);
    EXPECT_NE(b->copies[0], b->copies[3]);
    ASSERT_EQ(r.toolRoot->children.size(), 2u);
    for (int i : {0, 1, 3}) {
        EXPECT_EQ(b->copies[size_t(i)]->parent, b);
        EXPECT_TRUE(b->copies[size_t(i)]->isLinkedWith(r.toolRoot->children[i == 1 ? 0 : 1])) << i;
    }
    layout(b, after, stepsAfter);
    ASSERT_EQ(after.size(), before.size());
    EXPECT_EQ(stepsAfter, stepsBefore);
    for (size_t i = 0; i < after.size(); ++i)
        for (int k = 0; k < 16; ++k) EXPECT_NEAR(after[i].m[k], before[i].m[k], 1e-4f) << i;
}

TEST(ArrayRecord, olderBodiesReadColumnOrderedMatricesAndByteColours) {
    test::FileVersionScope guard;
    for (uint32_t version : {20160914u, 20060410u}) {
        SCOPED_TRACE(version);
        Bytes b;
        const mat4 t = numbered(1), p = numbered(20), alt = numbered(40);
        for (const mat4* m : {&t, &p})
            for (int c = 0; c < 4; ++c)
                for (int r = 0; r < 4; ++r) b.f32(m->m[4 * r + c]);
        b.f32(0).f32(1).f32(0).f32(0).f32(0).f32(2); // constraint axes
        b.u32(0xDEADBEEF);                           // not read
        b.u8(1).u8(2).u8(3).u8(255).u8(4).u8(5).u8(6).u8(7);
        b.u8(0x21).u32(2).u32(3).u32(4).u32(9).i32(6);
        b.u32(3).i32(1).i32(-1).i32(2).u32(1).u32(arrayEntry(2, 1, EntryHead)).u8(1);
        for (int c = 0; c < 4; ++c)
            for (int r = 0; r < 4; ++r) b.f32(alt.m[4 * r + c]);
        if (version > 20060410) b.f32(0.5f).f32(2).f32(3);
        ByteBuffer in;
        in.bytes.assign(b.s.begin(), b.s.end());
        fileVersion = version;
        bool ok = false;
        const std::unique_ptr<Tool> read(readArrayRecord(in, arrayToolTag, in.size(), ok));
        ASSERT_TRUE(ok && read);
        EXPECT_TRUE(in.atEnd());
        Array& a = static_cast<Array&>(*read);
        EXPECT_EQ(a.transform, t);
        EXPECT_EQ(a.pivot, p);
        EXPECT_EQ(a.alternateMatrix, alt);
        EXPECT_EQ(a.translationAxis.z, 2.0f);
        EXPECT_EQ(a.material.red, 256);
        EXPECT_EQ(a.material.opacity, 255 * 256);
        EXPECT_EQ(a.material.refractivity, 7 * 256);
        EXPECT_EQ(a.flags, 0x21);
        EXPECT_EQ(a.pendingChildren, (std::vector<uint32_t>{3, 4}));
        EXPECT_EQ(a.pendingNext, 9u);
        EXPECT_EQ(a.pendingElement, 6);
        EXPECT_EQ(a.pendingCopies, (std::vector<int32_t>{1, -1, 2}));
        EXPECT_EQ(a.itemSequence, (std::vector<uint32_t>{arrayEntry(2, 1, EntryHead)}));
        EXPECT_EQ(a.mode, ArrayChain);
        EXPECT_EQ(a.multiplicity, version > 20060410 ? 0.5f : 1.0f);
        EXPECT_EQ(a.animationPhase, version > 20060410 ? 3.0f : 0.0f);
        a.pendingCopies.clear();
    }
}

TEST(ArrayRecord, damagedLinksAndCountsAreRefusedWithTheSceneUnchanged) {
    registerRecords();
    const std::string curve = elementRecords({openChain(3)});
    const std::string mesh = elementRecords({Mesh::createCube()});
    auto arrayAt0 = [&](const std::vector<uint32_t>& children, const std::vector<int32_t>& copies) {
        Bytes b;
        return b.record(arrayToolTag, arrayBody(children, 0, 0, copies, uint32_t(copies.size()), 1));
    };
    struct Case {
        const char* what;
        std::string image;
        bool accepted;
    } cases[] = {
        {"a copy and an empty entry",
         image(Bytes(arrayAt0({}, {1, -1})).record(plainToolTag, toolBody({}, 1, -1)), curve), true},
        {"copies past the end", image(Bytes().record(arrayToolTag, arrayBody({}, 0, 0, {}, 1000, 1)), curve), false},
        {"entries past the end", image(Bytes().record(arrayToolTag, arrayBody({}, 0, 0, {}, 0, 1 << 20)), curve),
         false},
        {"a copy named twice", image(Bytes(arrayAt0({}, {1, 1})).record(plainToolTag, toolBody({}, 1, -1)), curve),
         false},
        {"a copy that is a child", image(Bytes(arrayAt0({1}, {1})).record(plainToolTag, toolBody({}, 1, -1)), curve),
         false},
        {"a copy that is the top", image(arrayAt0({}, {0}), curve), false},
        {"a copy past the tools", image(arrayAt0({}, {5}), curve), false},
        {"copies naming each other",
         image(Bytes(arrayAt0({}, {}))
                   .record(arrayToolTag, arrayBody({}, 1, 0, {2}, 1, 1))
                   .record(arrayToolTag, arrayBody({}, 2, 0, {1}, 1, 1)),
               curve),
         false},
        {"a mesh as the curve", image(arrayAt0({}, {}), mesh), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Scene s;
        ASSERT_EQ(readImage(s, c.image), c.accepted);
        if (!c.accepted) {
            EXPECT_TRUE(s.sceneRoot->children.empty());
            EXPECT_TRUE(s.toolRoot->children.empty());
        }
    }
}

TEST(ArrayRecord, everyTruncatedSceneWithAChainIsReadOrRefusedCleanly) {
    registerRecords();
    Scene s;
    Tool* link = new Tool(openChain(2), mat4(), pbr(), false);
    s.addToMainRoot(link);
    Array* chain = new Array(openChain(5), {link}, {arrayEntry(1, 1, EntryCyclic)}, ArrayChain,
                             arrayAlternateMatrix(ArrayChain), mat4(), pbr(), false);
    chain->flags |= PlacedFlag;
    s.sceneRoot->addChild(chain, false);
    const std::string whole = sceneImage(s);
    for (size_t n = 0; n < whole.size(); ++n) {
        std::unique_ptr<uint8_t[]> prefix(new uint8_t[n ? n : 1]);
        std::memcpy(prefix.get(), whole.data(), n);
        Scene r;
        if (!readSceneBytes(r, prefix.get(), n)) {
            EXPECT_TRUE(r.sceneRoot->children.empty()) << n;
            EXPECT_TRUE(r.toolRoot->children.empty()) << n;
        }
    }
}
