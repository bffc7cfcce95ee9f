// Bi-tool and cable records against bodies laid out by hand, read back through the scene reader,
// and the partner links a hostile file may give.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "elements/Curve.h"
#include "HandBytes.h"
#include "foundation/ByteBuffer.h"
#include "scene/Scene.h"
#include "scene/SceneFile.h"
#include "tools/BiTool.h"
#include "tools/Cable.h"
#include "tools/ToolRecords.h"

using namespace kal;
using test::Bytes;

namespace {

struct VersionGuard {
    uint32_t saved = fileVersion;
    ~VersionGuard() { fileVersion = saved; }
};

std::string recordOf(Tool& t) {
    ByteBuffer out;
    t.serialize(out, true);
    return std::string(reinterpret_cast<const char*>(out.data()), out.size());
}

ByteBuffer bufferOf(const std::string& s) {
    ByteBuffer b;
    b.bytes.assign(s.begin(), s.end());
    return b;
}

// A file of one tool chunk holding the given records.
std::string fileOf(const std::string& records) {
    Bytes f;
    f.u32(versionChunkTag).u32(currentFileVersion).u32(toolChunkTag).u32(uint32_t(records.size()));
    return f.s + records;
}

// The current body of an unlinked end without element: tool body, then partner, kind, rest.
std::string currentBody(uint32_t self, uint32_t partner, uint8_t kind, float rest) {
    Bytes b;
    b.identity().identity();
    for (int i = 0; i < 6; ++i) b.f32(0);
    for (uint16_t v : {65535, 65535, 65535, 65535, 0, 0, 0, 65535, 0, 0}) b.raw(uint16_t(v));
    b.u8(1).u32(0).u32(self).u32(0xFFFFFFFF).f32(1).f32(1).f32(0);
    b.u32(partner).u8(kind).f32(rest);
    return b.s;
}

std::string record(uint32_t tag, const std::string& body) {
    Bytes r;
    r.u32(tag).u32(uint32_t(body.size()));
    return r.s + body;
}

class BiToolRecord : public ::testing::Test {
protected:
    void SetUp() override { registerToolRecords(); }
    VersionGuard version;
};

} // namespace

TEST_F(BiToolRecord, aPairIsWrittenAsTheToolBodyPlusNineBytesAndReadsBackPaired) {
    Scene scene;
    auto* a = new BiTool(BiToolCylinder, nullptr, mat4(), pbr(), false);
    auto* b = new BiTool(BiToolBare, nullptr, mat4(), pbr(), false);
    scene.toolRoot->addChild(a, false);
    scene.toolRoot->addChild(b, false);
    a->attachPartner(b);
    a->restLength = 2.5f;
    b->restLength = 3.0f;
    ByteBuffer out;
    writeSceneBytes(scene, out);
    const std::string file(reinterpret_cast<const char*>(out.data()), out.size());
    // each top-level tool in a chunk of its own
    for (const std::string& r : {record(biToolRecordTag, currentBody(0, 1, 2, 2.5f)),
                                 record(biToolRecordTag, currentBody(1, 0, 0, 3.0f))}) {
        EXPECT_EQ(r.size(), 8u + 206u);
        EXPECT_NE(file.find(Bytes().u32(toolChunkTag).u32(8 + 206).s + r), std::string::npos);
    }

    Scene back;
    ASSERT_TRUE(readSceneBytes(back, out.data(), out.size()));
    ASSERT_EQ(back.toolRoot->children.size(), 2u);
    auto* ra = dynamic_cast<BiTool*>(back.toolRoot->children[0]);
    auto* rb = dynamic_cast<BiTool*>(back.toolRoot->children[1]);
    ASSERT_TRUE(ra && rb);
    EXPECT_EQ(ra->partnerEnd, rb);
    EXPECT_EQ(rb->partnerEnd, ra);
    EXPECT_EQ(ra->biToolKind, 2u);
    EXPECT_EQ(ra->restLength, 2.5f);
    EXPECT_EQ(rb->restLength, 3.0f);
}

TEST_F(BiToolRecord, anEndWrittenWithoutItsPartnerNamesNone) {
    Scene scene;
    auto* a = new BiTool(BiToolBare, nullptr, mat4(), pbr(), false);
    scene.sceneRoot->addChild(a, false);
    scene.sceneRoot->addChild(new BiTool(BiToolBare, nullptr, mat4(), pbr(), false), false);
    a->attachPartner(scene.sceneRoot->children[1]);
    a->partnerEnd->index = 5; // a stale number from some other numbering
    ByteBuffer out;
    writeObjectBytes(*a, out);
    const std::string file(reinterpret_cast<const char*>(out.data()), out.size());
    Bytes tail;
    tail.u32(0xFFFFFFFF).u8(0).f32(-1.0f);
    EXPECT_NE(file.find(tail.s), std::string::npos);
}

TEST_F(BiToolRecord, aCableIsTheBiToolBodyUnderItsOwnTagAndReadsBackAsACable) {
    Curve* section = Curve::makeCircle(8, false);
    Cable cable(section, mat4(), pbr(), false);
    BiTool end(BiToolUniform, nullptr, mat4(), pbr(), false);
    cable.restLength = end.restLength = 2.5f;
    for (Tool* t : {static_cast<Tool*>(&cable), static_cast<Tool*>(&end)}) t->index = 0;
    const std::string c = recordOf(cable), e = recordOf(end);
    ASSERT_EQ(c.size(), 8u + 206u);
    EXPECT_EQ(c.substr(0, 4), Bytes().u32(cableRecordTag).s);
    EXPECT_EQ(c.substr(4), e.substr(4));

    fileVersion = currentFileVersion;
    ByteBuffer in = bufferOf(currentBody(0, 3, 1, 2.5f));
    Cable read(in);
    EXPECT_FALSE(in.failed());
    EXPECT_EQ(read.biToolKind, 1u);
    EXPECT_EQ(read.restLength, 2.5f);
    EXPECT_EQ(read.pendingPartner, 3u);
    EXPECT_EQ(read.kind, BiToolKind);
}

TEST_F(BiToolRecord, olderBodiesHoldTheirFieldsInsideTheToolFieldsWithColumnMatricesAndByteColours) {
    const float columns[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 7, 8, 9, 1}; // translation (7, 8, 9)
    auto legacy = [&](bool trailing) {
        Bytes b;
        b.matrix(columns).identity();
        for (int i = 0; i < 6; ++i) b.f32(0);
        b.u32(0xDEADBEEF);                           // not read
        b.u8(255).u8(128).u8(0).u8(255);             // colour
        b.u8(0).u8(1).u8(2).u8(255);                 // light, refractivity
        b.u8(0x21).u32(1).u32(4).u32(0).u32(0xFFFFFFFF); // flags, one child (4), ring 0, no element
        b.u32(2).u8(3).f32(1.5f);                    // partner 2, kind 3, rest 1.5
        if (trailing) b.f32(2).f32(3).f32(4);
        return b.s;
    };
    for (uint32_t v : {20160914u, 20060410u}) {
        fileVersion = v;
        const std::string body = legacy(v > 20060410);
        EXPECT_EQ(body.size(), v > 20060410 ? 198u + 4 : 186u + 4);
        ByteBuffer in = bufferOf(body);
        BiTool t(in);
        EXPECT_FALSE(in.failed()) << v;
        EXPECT_TRUE(in.atEnd()) << v;
        EXPECT_EQ(t.transform.translation(), vec3(7, 8, 9)) << v;
        EXPECT_EQ(t.material.red, 65280);
        EXPECT_EQ(t.material.green, 32768);
        EXPECT_EQ(t.material.lightBlue, 512);
        EXPECT_EQ(t.material.roughness, 0);
        EXPECT_EQ(t.flags, 0x21);
        EXPECT_EQ(t.pendingChildren, (std::vector<uint32_t>{4}));
        EXPECT_EQ(t.pendingPartner, 2u);
        EXPECT_EQ(t.biToolKind, 3u);
        EXPECT_EQ(t.restLength, 1.5f);
        EXPECT_EQ(t.multiplicity, v > 20060410 ? 2.0f : 1.0f);
        EXPECT_EQ(t.animationRate, v > 20060410 ? 3.0f : 1.0f);
        EXPECT_EQ(t.animationPhase, v > 20060410 ? 4.0f : 0.0f);
    }
}

TEST_F(BiToolRecord, partnersThatDoNotNameThisEndBackAreRefused) {
    // tool i names partner[i]; the pairs that hold are 3 <-> 4 only
    const uint32_t partner[] = {0, 5, 3, 4, 3, 0xFFFFFFFF, 77};
    fileVersion = currentFileVersion;
    std::vector<Tool*> tools;
    for (uint32_t i = 0; i < 7; ++i) {
        ByteBuffer in = bufferOf(currentBody(i, partner[i], 0, 1));
        tools.push_back(i == 5 ? static_cast<Tool*>(new Tool(nullptr, mat4(), pbr(), false)) : new BiTool(in));
        tools.back()->pendingNext = i;
    }
    for (Tool* t : tools) t->resolveLinks(tools, {});
    for (uint32_t i = 0; i < 7; ++i) {
        if (i == 5) continue;
        Tool* expected = i == 3 ? tools[4] : i == 4 ? tools[3] : nullptr;
        EXPECT_EQ(tools[i]->partner(), expected) << "tool " << i; // self, plain tool, one-sided, out of range
    }
    delete tools[3]; // and its partner with it
    tools.erase(tools.begin() + 3, tools.begin() + 5);
    for (Tool* t : tools) delete t;
}

TEST_F(BiToolRecord, everyShortBodyRefusesTheFileAndLeavesTheSceneAlone) {
    const std::string body = currentBody(0, 0xFFFFFFFF, 1, 1.0f);
    for (uint32_t tag : {biToolRecordTag, cableRecordTag}) {
        for (size_t n = 0; n < body.size(); ++n) {
            const std::string file = fileOf(record(tag, body.substr(0, n)));
            // a fresh allocation of exactly the file, so that a read past it is seen
            std::vector<uint8_t> bytes(file.begin(), file.end());
            Scene scene;
            EXPECT_FALSE(readSceneBytes(scene, bytes.data(), bytes.size())) << n;
            EXPECT_TRUE(scene.toolRoot->children.empty() && scene.sceneRoot->children.empty());
        }
        const std::string whole = fileOf(record(tag, body));
        std::vector<uint8_t> bytes(whole.begin(), whole.end());
        Scene scene;
        EXPECT_TRUE(readSceneBytes(scene, bytes.data(), bytes.size()));
        EXPECT_EQ(scene.toolRoot->children.size(), 1u);
    }
}
