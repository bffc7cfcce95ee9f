// The plain tool record against bodies laid out by hand, field by field, so that a field order,
// width or version switch shared by our writer and reader cannot hide.
#include "FileVersionScope.h"
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "HandBytes.h"
#include "foundation/ByteBuffer.h"
#include "scene/SceneFile.h"
#include "scene/Tool.h"
#include "scene/ToolRecordParts.h"

using namespace kal;
using test::Bytes;

namespace {

std::string bodyOf(Tool& t, bool wholeScene) {
    ByteBuffer out;
    t.serialize(out, wholeScene);
    return std::string(reinterpret_cast<const char*>(out.data()), out.size());
}

// The default body of an unlinked tool without element, up to (not including) the flags byte.
Bytes plainHead() {
    Bytes b;
    b.identity().identity();
    for (int i = 0; i < 6; ++i) b.f32(0);
    b.u16(65535).u16(65535).u16(65535).u16(65535).u16(0).u16(0).u16(0).u16(65535).u16(0).u16(0);
    return b;
}

Tool* plainTool() { return new Tool(nullptr, mat4(), pbr(), false); }

} // namespace

TEST(ToolRecordBytes, treeAndRingsMatchTheLayoutUnderBothRingRules) {
    std::unique_ptr<Tool> p(plainTool());
    Tool* a = plainTool();
    Tool* b = plainTool();
    Tool* c = plainTool();
    p->addChild(a, false);
    p->addChild(b, false);
    p->addChild(c, false);
    std::unique_ptr<Tool> outside(plainTool());
    a->link(c);
    c->link(outside.get()); // ring a -> c -> outside -> a
    std::vector<Tool*> list;
    p->enumerate(list);
    ASSERT_EQ(list.size(), 4u);
    outside->index = 7; // a stale number that no record may name
    // the writers mark what they write; the mark never reaches the file
    for (Tool* t : list) t->flags = uint8_t(t->flags | CollectFlag | HighlightFlag | 0x41);

    Bytes parent;
    parent.u32(0xABCDEF02).u32(209);
    parent.s += plainHead().s;
    parent.u8(uint8_t((p->flags & ~(CollectFlag | HighlightFlag)) & 0xFF));
    parent.u32(3).u32(1).u32(2).u32(3); // children in child order
    parent.u32(0).i32(-1).f32(1).f32(1).f32(0);
    EXPECT_EQ(bodyOf(*p, true), parent.s);
    EXPECT_EQ(parent.s[8 + 172], char(0x41));

    auto successorOf = [](const std::string& record) {
        uint32_t w;
        std::memcpy(&w, record.data() + 8 + 173 + 4, 4);
        return w;
    };
    EXPECT_EQ(successorOf(bodyOf(*a, true)), 3u);  // a's next, c
    EXPECT_EQ(successorOf(bodyOf(*a, false)), 3u); // first written member after a
    // c's next is outside the written set: the ring closes over the written members
    EXPECT_EQ(successorOf(bodyOf(*c, false)), 1u);
    EXPECT_EQ(successorOf(bodyOf(*b, false)), 2u);
    for (Tool* t : list) t->flags &= uint8_t(~CollectFlag);
    // nothing else of the ring is being written: the tool names itself
    EXPECT_EQ(successorOf(bodyOf(*a, false)), 1u);
    c->unlink();
    a->unlink();
}

TEST(ToolRecordBytes, olderBodiesReadTheirFieldsInPlace) {
    test::FileVersionScope guard;
    // 20060411: 12-byte material, then the same tail as today with the three floats
    Bytes old;
    old.identity().identity();
    for (int i = 0; i < 6; ++i) old.f32(float(i));
    old.u32(0xFFFFFFFF).u8(10).u8(20).u8(30).u8(40).u8(50).u8(60).u8(70).u8(80);
    old.u8(0x08).u32(2).u32(5).u32(6).u32(9).i32(-1).f32(2).f32(3).f32(4);
    ASSERT_EQ(old.s.size(), 177u + 8u + 12u);
    ByteBuffer in;
    in.bytes.assign(old.s.begin(), old.s.end());
    fileVersion = 20060411;
    bool ok = false;
    std::unique_ptr<Tool> t(readToolRecord(in, plainToolTag, in.size(), ok));
    ASSERT_TRUE(ok && t);
    EXPECT_TRUE(in.atEnd());
    EXPECT_EQ(t->translationAxis, vec3(3, 4, 5));
    EXPECT_EQ(t->material.red, 2560);
    EXPECT_EQ(t->material.opacity, 10240);
    EXPECT_EQ(t->material.lightRed, 12800);
    EXPECT_EQ(t->material.refractivity, 20480);
    EXPECT_EQ(t->flags, 0x08);
    EXPECT_EQ(t->pendingChildren, (std::vector<uint32_t>{5, 6}));
    EXPECT_EQ(t->pendingNext, 9u);
    EXPECT_EQ(t->multiplicity, 2.0f);
    EXPECT_EQ(t->animationPhase, 4.0f);
    t->pendingChildren.clear();
    t->pendingNext = 0;
    std::vector<Tool*> tools{t.get()};
    t->resolveLinks(tools, {});
    EXPECT_EQ(t->element, nullptr);
    EXPECT_EQ(t->next, t.get());

    // 20060410 ends with the element index: a body of 177 + 4n bytes
    Bytes oldest;
    oldest.s = old.s.substr(0, old.s.size() - 12);
    ByteBuffer in2;
    in2.bytes.assign(oldest.s.begin(), oldest.s.end());
    fileVersion = 20060410;
    std::unique_ptr<Tool> u(readToolRecord(in2, plainToolTag, in2.size(), ok));
    ASSERT_TRUE(ok && u);
    EXPECT_TRUE(in2.atEnd());
    EXPECT_EQ(u->multiplicity, 1.0f);
    EXPECT_EQ(u->animationRate, 1.0f);
    EXPECT_EQ(u->animationPhase, 0.0f);
    EXPECT_EQ(u->pendingNext, 9u);
}
