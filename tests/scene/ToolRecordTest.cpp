#include "FileVersionScope.h"
#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "foundation/ByteBuffer.h"
#include "scene/SceneFile.h"
#include "scene/Tool.h"
#include "scene/ToolRecordParts.h"

using namespace kal;

namespace {

Tool* plainTool(Element* e = nullptr) { return new Tool(e, mat4(), pbr(), false); }

uint32_t wordAt(const ByteBuffer& b, size_t offset) {
    uint32_t w;
    std::memcpy(&w, b.data() + offset, 4);
    return w;
}

// Offsets inside a plain tool body.
constexpr size_t flagsAt = 64 + 64 + 12 + 12 + 20;
constexpr size_t childCountAt = flagsAt + 1;

mat4 asymmetric() {
    mat4 m;
    for (int i = 0; i < 16; ++i) m.m[i] = float(i + 1);
    return m;
}

// Reads a body written by the current writer under another file version.
std::unique_ptr<Tool> readBody(const ByteBuffer& body, uint32_t version) {
    ByteBuffer in;
    in.bytes = body.bytes;
    test::FileVersionScope asWritten(version);
    bool ok = false;
    std::unique_ptr<Tool> t(readToolRecord(in, plainToolTag, in.size(), ok));
    EXPECT_TRUE(ok && t);
    return t;
}

} // namespace

TEST(ToolRecord, loneToolWritesMinimalRecord) {
    std::unique_ptr<Tool> t(plainTool());
    t->index = 0;
    ByteBuffer out;
    t->serialize(out, true);
    ASSERT_EQ(out.size(), 8u + 197u);
    EXPECT_EQ(wordAt(out, 0), plainToolTag);
    EXPECT_EQ(wordAt(out, 4), 197u);
    EXPECT_EQ(wordAt(out, 8 + childCountAt), 0u);
    EXPECT_EQ(wordAt(out, 8 + childCountAt + 4), 0u);          // ring successor: itself
    EXPECT_EQ(wordAt(out, 8 + childCountAt + 8), 0xFFFFFFFFu); // no element
}

TEST(ToolRecord, childrenAddFourBytesEachInOrder) {
    std::unique_ptr<Tool> p(plainTool());
    for (int i = 0; i < 3; ++i) p->addChild(plainTool(), false);
    std::vector<Tool*> list;
    p->enumerate(list);
    ByteBuffer out;
    p->serialize(out, true);
    ASSERT_EQ(wordAt(out, 4), 209u);
    EXPECT_EQ(wordAt(out, 8 + childCountAt), 3u);
    for (uint32_t i = 0; i < 3; ++i) EXPECT_EQ(wordAt(out, 8 + childCountAt + 4 + 4 * i), i + 1);
}

TEST(ToolRecord, transientFlagsAreNeverWritten) {
    std::unique_ptr<Tool> t(plainTool());
    t->index = 0;
    t->flags = 0xFF;
    ByteBuffer out;
    t->serializeBody(out, true);
    EXPECT_EQ(out.bytes[flagsAt], 0xED);
}

TEST(ToolRecord, ringLeavingTheWrittenSetClosesOnItself) {
    std::unique_ptr<Tool> a(plainTool()), outside(plainTool());
    a->link(outside.get());
    a->index = 0;
    outside->index = 7;
    a->flags |= CollectFlag; // only a is written
    ByteBuffer out;
    a->serializeBody(out, false);
    EXPECT_EQ(wordAt(out, childCountAt + 4), 0u);
    // a scene write names an unwritten member neither
    a->serializeBody(out, true);
    EXPECT_EQ(wordAt(out, 197 + childCountAt + 4), 0u);
}

TEST(ToolRecord, olderVersionsTransposeMatrices) {
    std::unique_ptr<Tool> t(plainTool());
    t->index = 0;
    t->transform = asymmetric();
    ByteBuffer body;
    t->serializeBody(body, true);
    EXPECT_EQ(readBody(body, 20161026)->transform, t->transform);
    mat4 r = readBody(body, 20161025)->transform;
    for (int i = 0; i < 4; ++i)
        for (int k = 0; k < 4; ++k) EXPECT_EQ(r.m[4 * i + k], t->transform.m[4 * k + i]);
}

TEST(ToolRecord, version20060410HasNoTrailingFloats) {
    std::unique_ptr<Tool> t(plainTool());
    t->index = 0;
    ByteBuffer body;
    t->serializeBody(body, true);
    body.bytes.resize(body.size() - 12);
    ByteBuffer in;
    in.bytes = body.bytes;
    // the old material is 12 bytes instead of 20
    in.bytes.erase(in.bytes.begin() + 152 + 12, in.bytes.begin() + 152 + 20);
    in.bytes[152 + 4] = 255; // colour red byte
    test::FileVersionScope guard;
    fileVersion = 20060410;
    bool ok = false;
    const std::unique_ptr<Tool> read(readToolRecord(in, plainToolTag, in.size(), ok));
    ASSERT_TRUE(ok && read);
    const Tool& r = *read;
    EXPECT_TRUE(in.atEnd());
    EXPECT_EQ(r.multiplicity, 1.0f);
    EXPECT_EQ(r.animationRate, 1.0f);
    EXPECT_EQ(r.animationPhase, 0.0f);
    EXPECT_EQ(r.material.red, 65280); // 255 * 256, not 65535
    EXPECT_EQ(r.material.roughness, 0);
}

TEST(ToolRecord, hugeChildCountIsRefusedWithoutAllocating) {
    std::unique_ptr<Tool> t(plainTool());
    t->index = 0;
    ByteBuffer body;
    t->serializeBody(body, true);
    uint32_t huge = 0x3FFFFFFF;
    std::memcpy(body.data() + childCountAt, &huge, 4);
    ByteBuffer in;
    in.bytes = body.bytes;
    Tool r(nullptr, mat4(), pbr(), false);
    readToolFields(r, in);
    EXPECT_TRUE(in.failed());
    EXPECT_TRUE(r.pendingChildren.empty());
}
