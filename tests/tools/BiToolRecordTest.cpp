// Bi-tool and cable records against bodies laid out by hand, read back through the scene reader,
// and the partner links a hostile file may give.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "FileVersionScope.h"
#include "HandBytes.h"
#include "elements/Curve.h"
#include "foundation/ByteBuffer.h"
#include "scene/Scene.h"
#include "scene/SceneFile.h"
#include "tools/BiTool.h"
#include "tools/Cable.h"
#include "tools/ToolRecords.h"

using namespace kal;
using test::Bytes;

namespace {

ByteBuffer bufferOf(const std::string& s) {
    ByteBuffer b;
    b.bytes.assign(s.begin(), s.end());
    return b;
}

// The current body of an unlinked end without element: tool body, then partner, kind, rest.
std::string body(uint32_t self, uint32_t partner, uint8_t kind, float rest) {
    Bytes b;
    b.identity().identity();
    for (int i = 0; i < 6; ++i) b.f32(0);
    for (int v : {65535, 65535, 65535, 65535, 0, 0, 0, 65535, 0, 0}) b.u16(uint16_t(v));
    b.u8(1).u32(0).u32(self).u32(0xFFFFFFFF).f32(1).f32(1).f32(0);
    return b.u32(partner).u8(kind).f32(rest).s;
}

// Reads an end's body as the file reader does; null when it is refused.
std::unique_ptr<BiTool> readEnd(uint32_t tag, const std::string& s) {
    ByteBuffer in = bufferOf(s);
    bool ok = false;
    std::unique_ptr<BiTool> end(static_cast<BiTool*>(readBiToolRecord(in, tag, in.size(), ok)));
    EXPECT_EQ(ok, end != nullptr);
    EXPECT_TRUE(!ok || in.atEnd());
    return end;
}

std::string record(uint32_t tag, const std::string& payload) {
    return Bytes().u32(tag).u32(uint32_t(payload.size())).s + payload;
}

class BiToolRecord : public ::testing::Test {
protected:
    void SetUp() override { registerToolRecords(); }
    test::FileVersionScope version;
};

} // namespace

TEST_F(BiToolRecord, aPairIsTheToolBodyPlusNineBytesAndReadsBackPaired) {
    Scene scene;
    auto* a = static_cast<BiTool*>(scene.toolRoot->addChild(new BiTool(2, nullptr, mat4(), pbr(), false), false));
    auto* b = static_cast<BiTool*>(scene.toolRoot->addChild(new BiTool(0, nullptr, mat4(), pbr(), false), false));
    a->attachPartner(b);
    a->restLength = 2.5f;
    ByteBuffer out;
    writeSceneBytes(scene, out);
    const std::string file(reinterpret_cast<const char*>(out.data()), out.size());
    // each top-level tool in a chunk of its own
    EXPECT_NE(file.find(Bytes().u32(toolChunkTag).u32(214).s + record(biToolRecordTag, body(0, 1, 2, 2.5f))),
              std::string::npos);
    EXPECT_NE(file.find(record(biToolRecordTag, body(1, 0, 0, -1.0f))), std::string::npos);
    Scene back;
    ASSERT_TRUE(readSceneBytes(back, out.data(), out.size()));
    auto* ra = dynamic_cast<BiTool*>(back.toolRoot->children.at(0));
    auto* rb = dynamic_cast<BiTool*>(back.toolRoot->children.at(1));
    ASSERT_TRUE(ra && rb);
    EXPECT_TRUE(ra->partner() == rb && rb->partner() == ra);
    EXPECT_EQ(ra->biToolKind, 2u);
    EXPECT_EQ(ra->restLength, 2.5f);

    // an object file of one end does not name the other by a stale number
    b->index = 5;
    out.clear();
    writeObjectBytes(*a, out);
    EXPECT_NE(std::string(reinterpret_cast<const char*>(out.data()), out.size()).find(body(0, 0xFFFFFFFF, 2, 2.5f)),
              std::string::npos);

    // a cable is the same body under its own tag
    Cable cable(Curve::makeCircle(8, false), mat4(), pbr(), false);
    cable.restLength = 2.5f;
    cable.index = 0;
    out.clear();
    cable.serialize(out, true);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(out.data()), out.size()),
              record(cableRecordTag, body(0, 0xFFFFFFFF, 1, 2.5f)));
    fileVersion = currentFileVersion;
    const std::unique_ptr<BiTool> read = readEnd(cableRecordTag, body(0, 3, 1, 2.5f));
    ASSERT_TRUE(dynamic_cast<Cable*>(read.get()));
    EXPECT_TRUE(read->pendingPartner == 3u && read->biToolKind == 1u && read->restLength == 2.5f);
}

TEST_F(BiToolRecord, olderBodiesHoldTheirFieldsInsideTheToolFieldsWithColumnMatricesAndByteColours) {
    const float columns[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 7, 8, 9, 1}; // translation (7, 8, 9)
    for (uint32_t v : {20160914u, 20060410u}) {
        Bytes b;
        b.matrix(columns).identity();
        for (int i = 0; i < 6; ++i) b.f32(0);
        b.u32(0xDEADBEEF).u8(255).u8(128).u8(0).u8(255).u8(0).u8(1).u8(2).u8(255); // skipped word, colours
        b.u8(0x21).u32(1).u32(4).u32(0).u32(0xFFFFFFFF).u32(2).u8(3).f32(1.5f);
        if (v > 20060410) b.f32(2).f32(3).f32(4);
        fileVersion = v;
        const std::unique_ptr<BiTool> read = readEnd(biToolRecordTag, b.s);
        ASSERT_TRUE(read) << v;
        const BiTool& t = *read;
        EXPECT_EQ(t.transform.translation(), vec3(7, 8, 9)) << v;
        EXPECT_TRUE(t.material.red == 65280 && t.material.green == 32768 && t.material.lightBlue == 512);
        EXPECT_EQ(t.pendingChildren, (std::vector<uint32_t>{4}));
        EXPECT_TRUE(t.pendingPartner == 2u && t.biToolKind == 3u && t.restLength == 1.5f);
        EXPECT_EQ(t.multiplicity, v > 20060410 ? 2.0f : 1.0f);
        EXPECT_EQ(t.animationPhase, v > 20060410 ? 4.0f : 0.0f);
    }
}

TEST_F(BiToolRecord, partnersThatDoNotNameThisEndBackAreRefused) {
    // tool i names partner[i]: itself, the plain tool 5, one-sided, out of range; only 3 <-> 4 hold
    const uint32_t partner[] = {0, 5, 3, 4, 3, 0xFFFFFFFF, 77};
    fileVersion = currentFileVersion;
    std::vector<Tool*> tools;
    for (uint32_t i = 0; i < 7; ++i) {
        tools.push_back(i == 5 ? new Tool(nullptr, mat4(), pbr(), false)
                               : readEnd(biToolRecordTag, body(i, partner[i], 0, 1)).release());
        tools.back()->pendingNext = i;
    }
    for (Tool* t : tools) t->resolveLinks(tools, {});
    for (uint32_t i = 0; i < 7; ++i)
        EXPECT_EQ(tools[i]->partner(), i == 3 ? tools[4] : i == 4 ? tools[3] : nullptr) << i;
    tools.erase(tools.begin() + 4); // goes with tool 3
    for (Tool* t : tools) delete t;
}

TEST_F(BiToolRecord, everyShortBodyRefusesTheFileNamingItAndLeavesTheSceneAlone) {
    const std::string whole = body(0, 0xFFFFFFFF, 1, 1.0f);
    for (uint32_t tag : {biToolRecordTag, cableRecordTag}) {
        for (size_t n = 0; n <= whole.size(); ++n) {
            const std::string records = record(tag, whole.substr(0, n));
            const std::string file =
                Bytes().u32(versionChunkTag).u32(currentFileVersion).u32(toolChunkTag).u32(uint32_t(records.size())).s +
                records;
            // a fresh allocation of exactly the file, so that a read past it is seen
            std::vector<uint8_t> bytes(file.begin(), file.end());
            Scene scene;
            std::string why;
            EXPECT_EQ(readSceneBytes(scene, bytes.data(), bytes.size(), &why), n == whole.size()) << n;
            EXPECT_EQ(scene.toolRoot->children.size(), n == whole.size() ? 1u : 0u);
            EXPECT_EQ(why, n == whole.size() ? "" : "tool record 1 is damaged") << n;
        }
    }
}
