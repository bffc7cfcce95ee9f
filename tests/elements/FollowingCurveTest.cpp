// Chain resampling and the following curve: derivation, links, record bytes and hostile files.
#include "FileVersionScope.h"
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>

#include "CurveInvariants.h"
#include "elements/Clay.h"
#include "elements/CurveRecord.h"
#include "elements/UCurve.h"
#include "foundation/ByteBuffer.h"
#include "mesh/Mesh.h"
#include "mesh/MeshRecord.h"
#include "scene/Scene.h"
#include "scene/SceneFile.h"
#include "scene/Tool.h"

using namespace kal;

namespace {

Curve* straight(float length, float radius) {
    Curve* c = new Curve({vec3(0, 0, 0), vec3(length * 0.5f, 0, 0), vec3(length, 0, 0)}, false, 0);
    for (CurvePoint& p : c->points) p.radius = radius;
    return c;
}

Curve* circle(int n, float r, float pointRadius) {
    std::vector<vec3> p;
    for (int i = 0; i < n; ++i) {
        const double a = 2 * 3.141592653589793 * i / n;
        p.push_back(vec3(float(r * std::cos(a)), float(r * std::sin(a)), 0));
    }
    Curve* c = new Curve(p, true, 0);
    for (CurvePoint& q : c->points) q.radius = pointRadius;
    return c;
}

TEST(CurveChains, stepsFollowTheRadiusAndTheEndIsKept) {
    std::unique_ptr<Curve> none(new Curve(0));
    std::unique_ptr<Curve> empty(none->extractChains());
    EXPECT_EQ(empty->pointCount(), 0);

    // 2.3 long at steps of 1: samples at 0, 1, 2, and the short rest snaps the last onto the end
    std::unique_ptr<Curve> c(straight(2.3f, 1.0f));
    std::unique_ptr<Curve> r(c->extractChains());
    EXPECT_EQ(curveFault(*r, true), "");
    ASSERT_EQ(r->pointCount(), 3);
    EXPECT_NEAR(r->points[0].position.x, 0.0f, 1e-5f);
    EXPECT_NEAR(r->points[2].position.x, 2.3f, 1e-5f);
    for (const CurvePoint& p : r->points) EXPECT_GE(p.link, 0) << "each sample names its source segment";

    // shorter than half a step: nothing comes out
    std::unique_ptr<Curve> tiny(straight(0.4f, 1.0f));
    std::unique_ptr<Curve> t(tiny->extractChains());
    EXPECT_EQ(t->pointCount(), 0);
    // the source keeps no visited mark
    for (const CurvePoint& p : tiny->points) EXPECT_FALSE(p.flags & PointSelected);
}

TEST(CurveChains, aLoopStaysClosedAndEvenlySpaced) {
    std::unique_ptr<Curve> c(circle(64, 2.0f, 0.5f));
    std::unique_ptr<Curve> r(c->extractChains());
    EXPECT_EQ(curveFault(*r, true), "");
    ASSERT_GT(r->pointCount(), 20);
    EXPECT_EQ(r->segmentCount(), r->pointCount()); // closed: as many segments as points
    float shortest = 1e9f, longest = 0;
    for (const CurveSegment& s : r->segments) {
        EXPECT_NE(s.neighbour[0], -1);
        EXPECT_NE(s.neighbour[1], -1);
        const float l = length(r->points[size_t(s.b)].position - r->points[size_t(s.a)].position);
        shortest = std::min(shortest, l);
        longest = std::max(longest, l);
    }
    EXPECT_GT(shortest, 0.3f);
    EXPECT_LT(longest, 0.6f);
}

TEST(CurveChains, aRadiusOfZeroOrNoNumberStillEnds) {
    for (float bad : {0.0f, std::nanf(""), -1.0f}) {
        std::unique_ptr<Curve> c(straight(2.0f, bad));
        std::unique_ptr<Curve> r(c->extractChains());
        EXPECT_LE(r->pointCount(), 4097) << bad;
        for (const CurvePoint& p : r->points) EXPECT_TRUE(isFinite(p.position)) << bad;
    }
}

TEST(FollowingCurve, followsItsSourceAndWritesTwelveBytes) {
    Curve* source = straight(2.3f, 1.0f);
    source->translation = vec3(1, 2, 3);
    UCurve u(source, 2);
    EXPECT_EQ(u.typeCode, UCurveType);
    EXPECT_EQ(u.pointCount(), 3);
    source->id = 5;
    u.reserved = 0.5f;
    ByteBuffer out;
    u.save(out);
    std::vector<uint8_t> want;
    auto put = [&](uint32_t v) {
        want.insert(want.end(), {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)});
    };
    put(0xE1000007);
    put(12);
    put(0x3F000000); // 0.5f
    put(2);
    put(5);
    EXPECT_EQ(out.bytes, want);

    // an edit elsewhere shows at the next draw's stamp check
    source->points[2].position.x = 4.0f;
    {
        test::GlobalScope frame(frameCounter, 40);
        source->touch();
        u.changeStamp();
        EXPECT_NEAR(u.points.back().position.x, 4.0f, 1e-5f);
    }

    // a source without segments: nothing derived, the record is still 12 bytes
    Curve* bare = new Curve(0);
    UCurve e(bare, 2);
    EXPECT_EQ(e.pointCount(), 0);
    ByteBuffer b;
    e.save(b);
    EXPECT_EQ(b.size(), 20u);
    delete bare;
    delete source;
}

TEST(FollowingCurve, cloneCopiesTheSourceAndLinksResolveOnce) {
    Curve* source = straight(3.0f, 1.0f);
    UCurve u(source, 2);
    u.reserved = 7;
    u.translation = vec3(0, 1, 0);
    std::unique_ptr<Element> e(u.clone());
    UCurve& copy = static_cast<UCurve&>(*e);
    EXPECT_NE(copy.source, source);
    EXPECT_EQ(copy.word, 2u);
    EXPECT_EQ(copy.reserved, 0.0f);
    EXPECT_EQ(copy.translation, vec3(0, 1, 0));
    EXPECT_EQ(copy.pointCount(), u.pointCount());
    delete source;

    // read from a record: the first link turns the index into the source, the second only counts
    ByteBuffer in;
    for (uint32_t v : {0xE1000007u, 12u, 0u, 2u, 1u}) in.write(v);
    registerCurveRecords();
    bool ok = false;
    std::unique_ptr<Element> read(readElementRecord(in, ok));
    ASSERT_TRUE(ok && read);
    UCurve& r = static_cast<UCurve&>(*read);
    EXPECT_EQ(r.id, -1);
    std::unique_ptr<Curve> target(straight(2.0f, 1.0f));
    const std::vector<Element*> table = {read.get(), target.get()};
    ASSERT_TRUE(r.partLinksHold(table));
    r.resolveLinks(table);
    EXPECT_EQ(r.id, 0);
    EXPECT_EQ(r.source, target.get());
    r.resolveLinks(table);
    EXPECT_EQ(r.useCount, 2);
    EXPECT_EQ(target->useCount, 2);
    r.source = nullptr; // the test owns the target
}

TEST(FollowingCurve, aSourceItsRebuildRefusesGivesNothingToFollow) {
    // three segments at one point: the rebuild leaves its links half made
    Curve* star = new Curve(0);
    for (int i = 0; i < 4; ++i) star->addPoint(vec3(float(i == 1), float(i == 2), float(i == 3)));
    for (int i = 1; i < 4; ++i) star->addSegment(0, i);
    UCurve u(star, 2);
    EXPECT_TRUE(star->invalid);
    EXPECT_EQ(u.pointCount(), 0);
    EXPECT_EQ(u.segmentCount(), 0);
    delete star;
}

TEST(FollowingCurve, withoutASourceNothingIsForwardedAndTheShapeIsSaved) {
    UCurve u(nullptr, 2);
    u.touch();
    u.rebuild(Recenter::Keep);
    u.close();
    u.applyGestures({});
    EXPECT_EQ(u.pointCount(), 0);
    ByteBuffer out;
    u.save(out);
    uint32_t tag = 0;
    std::memcpy(&tag, out.data(), 4);
    EXPECT_EQ(tag, 0xE1000002u); // a plain curve record in its place
}

// A scene image with one tool holding element `held` and the given element records.
std::vector<uint8_t> sceneWith(Scene& scene) {
    ByteBuffer bytes;
    writeSceneBytes(scene, bytes);
    return bytes.bytes;
}

// Offsets of every record with the tag in the image.
std::vector<size_t> find(const std::vector<uint8_t>& bytes, uint32_t tag) {
    std::vector<size_t> at;
    for (size_t i = 0; i + 4 <= bytes.size(); ++i) {
        uint32_t v;
        std::memcpy(&v, bytes.data() + i, 4);
        if (v == tag) at.push_back(i);
    }
    return at;
}

TEST(FollowingCurve, filesWithABadSourceAreRefused) {
    registerMeshRecords();
    registerCurveRecords();
    Scene scene;
    UCurve* first = new UCurve(straight(2.0f, 1.0f), 2);
    UCurve* second = new UCurve(straight(3.0f, 1.0f), 2);
    scene.sceneRoot->addChild(new Tool(first, mat4(), pbr(), false), false);
    scene.sceneRoot->addChild(new Tool(second, mat4(), pbr(), false), false);
    scene.sceneRoot->addChild(new Tool(Mesh::createTetrahedron(), mat4(), pbr(), false), false);
    const std::vector<uint8_t> good = sceneWith(scene);
    {
        Scene back;
        ASSERT_TRUE(readSceneBytes(back, good.data(), good.size()));
    }
    const std::vector<size_t> records = find(good, 0xE1000007);
    ASSERT_EQ(records.size(), 2u);
    // element order: first (0), its source (1), second (2), its source (3), the mesh (4)
    auto withSource = [&](size_t record, uint32_t index) {
        std::vector<uint8_t> bad = good;
        std::memcpy(bad.data() + record + 16, &index, 4);
        return bad;
    };
    const std::vector<std::vector<uint8_t>> hostile = {
        withSource(records[0], 99),
        withSource(records[0], 0),
        withSource(records[0], 4),
        // first follows second, second follows first
        [&] {
            std::vector<uint8_t> bad = withSource(records[0], 2);
            const uint32_t zero = 0;
            std::memcpy(bad.data() + records[1] + 16, &zero, 4);
            return bad;
        }(),
    };
    for (size_t i = 0; i < hostile.size(); ++i) {
        Scene back;
        const size_t tools = back.sceneRoot->children.size();
        EXPECT_FALSE(readSceneBytes(back, hostile[i].data(), hostile[i].size())) << i;
        EXPECT_EQ(back.sceneRoot->children.size(), tools) << i;
    }
}

TEST(FollowingCurve, olderRecordsCarryTheirSourceWithNarrowSegments) {
    // version 20060411: 29-byte segments with 8-bit channels
    ByteBuffer in;
    for (uint32_t v : {0xE0000007u, 0u}) in.write(v);
    in.write(vec3(0, 0, 0));
    in.write(1.0f);
    in.write(uint8_t(0));
    in.write(uint32_t(3));
    for (int i = 0; i < 3; ++i) {
        in.write(vec3(float(i), 0, 0));
        in.write(1.0f);
        in.write(0.0f);
        in.write(uint8_t(PointAlive));
    }
    in.write(uint32_t(2));
    for (uint32_t s = 0; s < 2; ++s) {
        for (uint32_t k = 0; k < 2; ++k) {
            in.write(s + k);
            for (int c = 0; c < 8; ++c) in.write(uint8_t(255));
        }
        in.write(uint32_t(0)); // four bytes the older layout keeps before the flags
        in.write(uint8_t(SegmentAlive));
    }
    const uint32_t length = uint32_t(in.size() - 8);
    std::memcpy(in.data() + 4, &length, 4);
    registerCurveRecords();
    test::FileVersionScope olderFile(20060411);
    bool ok = false;
    std::unique_ptr<Element> e(readElementRecord(in, ok));
    ASSERT_TRUE(ok && e);
    UCurve& u = static_cast<UCurve&>(*e);
    EXPECT_EQ(u.id, 0);
    EXPECT_EQ(u.word, 2u);
    ASSERT_EQ(u.source->segmentCount(), 2);
    EXPECT_EQ(u.source->segments[0].material[0].red, 65280);
    EXPECT_EQ(curveFault(*u.source, true), "");

    // cut short anywhere: refused
    for (size_t cut = 8; cut < in.size(); cut += 7) {
        ByteBuffer part;
        part.bytes.assign(in.bytes.begin(), in.bytes.begin() + long(cut));
        bool partOk = true;
        std::unique_ptr<Element> p(readElementRecord(part, partOk));
        EXPECT_FALSE(partOk && p) << cut;
    }
}

} // namespace
