// The curve record against bytes laid out by hand from the record tables, the older layouts, and
// damaged or hostile records that the reader must refuse without touching the scene.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "CurveInvariants.h"
#include "RecordBytes.h"
#include "elements/Curve.h"
#include "elements/CurveRecord.h"
#include "foundation/ByteBuffer.h"
#include "scene/SceneFile.h"

using namespace kal;

namespace {

struct Registered {
    Registered() { registerCurveRecords(); }
};
const Registered registered;

using test::put;

// A full body: two points, one segment from 0 to 1 (flags as given).
std::vector<uint8_t> twoPointBody(uint8_t pointFlags, uint8_t segmentFlags, uint32_t a = 0, uint32_t b = 1) {
    std::vector<uint8_t> out;
    put<uint32_t>(out, 0);
    put<uint32_t>(out, 5); // word
    for (float f : {1.f, 2.f, 3.f, 0.5f}) put(out, f);
    put<uint32_t>(out, 2);
    for (int i = 0; i < 2; ++i) {
        for (float f : {float(i), 0.f, 0.f, 1.25f, 0.5f}) put(out, f);
        put<uint8_t>(out, pointFlags);
    }
    put<uint32_t>(out, 1);
    for (uint32_t end : {a, b}) {
        put(out, end);
        for (uint16_t c : {100, 200, 300, 400, 500, 600, 700, 800}) put(out, c);
        put<int16_t>(out, -7);
        put<int16_t>(out, 9);
    }
    put<uint8_t>(out, segmentFlags);
    return out;
}

ByteBuffer record(uint32_t tag, const std::vector<uint8_t>& body) {
    ByteBuffer r;
    r.write(tag);
    r.write(uint32_t(body.size()));
    r.append(body.data(), body.size());
    return r;
}

std::unique_ptr<Element> read(ByteBuffer r, bool& ok) {
    r.position = 0;
    return std::unique_ptr<Element>(readElementRecord(r, ok));
}

class CurveRecord : public test::CurrentVersionTest {};

} // namespace

TEST_F(CurveRecord, emptyCurveAndTwoPointCurveSaveByTheTable) {
    Curve empty(0);
    ByteBuffer out;
    empty.save(out);
    ASSERT_EQ(out.size(), 40u);
    uint32_t head[2];
    std::memcpy(head, out.data(), 8);
    EXPECT_EQ(head[0], 0xE1000002u);
    EXPECT_EQ(head[1], 32u);

    Curve c({vec3(0, 0, 0), vec3(1, 0, 0)}, false, 5);
    c.translation = vec3(1, 2, 3);
    c.scale = 0.5f;
    for (CurvePoint& p : c.points) p.radius = 1.25f, p.twist = 0.5f;
    for (pbr& m : c.segments[0].material) {
        m = pbr{100, 200, 300, 400, 500, 600, 700, 800, -7, 9};
    }
    ByteBuffer saved;
    c.save(saved);
    const std::vector<uint8_t> body = twoPointBody(c.points[0].flags, c.segments[0].flags);
    ASSERT_EQ(body.size(), 123u);
    ASSERT_EQ(saved.size(), 131u);
    EXPECT_EQ(std::vector<uint8_t>(saved.bytes.begin() + 8, saved.bytes.end()), body);
}

TEST_F(CurveRecord, roundTripClearsSelectionMarks) {
    bool ok = false;
    auto e = read(
        record(0xE1000002, twoPointBody(PointAlive | PointMarked | PointSelected, SegmentAlive | SegmentVisited)), ok);
    ASSERT_TRUE(ok);
    ASSERT_TRUE(e);
    Curve& c = static_cast<Curve&>(*e);
    EXPECT_EQ(c.word, 5u);
    EXPECT_EQ(c.translation, vec3(1, 2, 3));
    EXPECT_EQ(c.points[1].position, vec3(1, 0, 0));
    EXPECT_EQ(c.points[0].flags, PointAlive | PointMarked);
    EXPECT_EQ(c.segments[0].flags, SegmentAlive);
    EXPECT_EQ(c.segments[0].material[1].metalness, 9);
    EXPECT_TRUE(c.selectedPoints.empty());
    c.rebuild(Recenter::Keep);
    EXPECT_EQ(curveFault(c, true), "");
}

TEST_F(CurveRecord, bareAndOldLayouts) {
    std::vector<uint8_t> bare = twoPointBody(PointAlive, SegmentAlive);
    bare.erase(bare.begin(), bare.begin() + 8);
    bool ok = false;
    auto e = read(record(0xE0000002, bare), ok);
    ASSERT_TRUE(ok && e);
    EXPECT_EQ(e->id, 0);
    EXPECT_EQ(static_cast<Curve&>(*e).word, 0u);
    EXPECT_EQ(static_cast<Curve&>(*e).pointCount(), 2);

    fileVersion = 20060411;
    std::vector<uint8_t> old = twoPointBody(PointAlive, 0);
    old.resize(70); // up to the segment count
    put<uint32_t>(old, 1);
    for (uint32_t end : {0u, 1u}) {
        put(old, end);
        for (uint8_t ch : {255, 1, 2, 3, 4, 5, 6, 7}) put(old, ch);
    }
    put<uint32_t>(old, 0xDEADBEEF); // not read
    put<uint8_t>(old, SegmentAlive);
    auto o = read(record(0xE1000002, old), ok);
    ASSERT_TRUE(ok && o);
    const CurveSegment& s = static_cast<Curve&>(*o).segments[0];
    EXPECT_EQ(s.material[0].red, 65280);
    EXPECT_EQ(s.material[1].refractivity, 7 * 256);
    EXPECT_EQ(s.material[0].roughness, 0);
    EXPECT_EQ(s.flags, SegmentAlive);
}

TEST_F(CurveRecord, everyTruncatedPrefixIsRefused) {
    const std::vector<uint8_t> body = twoPointBody(PointAlive, SegmentAlive);
    for (size_t n = 0; n < body.size(); ++n) {
        ByteBuffer r;
        r.write(uint32_t(0xE1000002));
        r.write(uint32_t(n));
        r.append(body.data(), n); // exactly the prefix: ASan sees any read past it
        bool ok = true;
        r.position = 0;
        std::unique_ptr<Element> e(readElementRecord(r, ok));
        EXPECT_FALSE(ok) << n;
    }
}

TEST_F(CurveRecord, hostileCountsAndIndicesAreRefused) {
    bool ok = true;
    read(record(0xE1000002, twoPointBody(PointAlive, SegmentAlive, 0, 2)), ok);
    EXPECT_FALSE(ok); // b names no point
    read(record(0xE1000002, twoPointBody(0, SegmentAlive)), ok);
    EXPECT_FALSE(ok); // an alive segment on dead points
    read(record(0xE1000002, twoPointBody(0, 0)), ok);
    EXPECT_TRUE(ok); // dead on dead is merely unused

    std::vector<uint8_t> huge = twoPointBody(PointAlive, SegmentAlive);
    const uint32_t big = 0x7FFFFFFF;
    std::memcpy(huge.data() + 24, &big, 4);
    read(record(0xE1000002, huge), ok);
    EXPECT_FALSE(ok);

    // a count that fits the chunk but not the record's own length
    std::vector<uint8_t> body = twoPointBody(PointAlive, SegmentAlive);
    ByteBuffer r = record(0xE1000002, body);
    const uint32_t shortLength = 60;
    std::memcpy(r.data() + 4, &shortLength, 4);
    read(r, ok);
    EXPECT_FALSE(ok);
}
