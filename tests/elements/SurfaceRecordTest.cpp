// Tube and revolution records: linked round trips through whole scene files, older embedded
// records laid out by hand, hostile indices and counts refused with the scene untouched, and the
// rules for replacing and cloning their curves.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "RecordBytes.h"
#include "elements/Curve.h"
#include "elements/CurveRecord.h"
#include "elements/Revoluton.h"
#include "elements/Tube.h"
#include "foundation/ByteBuffer.h"
#include "mesh/Mesh.h"
#include "mesh/MeshRecord.h"
#include "scene/Scene.h"
#include "scene/SceneFile.h"
#include "scene/Tool.h"

using namespace kal;

namespace {

struct Registered {
    Registered() {
        registerMeshRecords();
        registerCurveRecords();
    }
};
const Registered registered;

using test::put;

// A file of one placed empty tool and one element chunk holding the given records.
std::vector<uint8_t> fileOf(const std::vector<uint8_t>& records) {
    Scene s;
    Tool* t = new Tool(nullptr, mat4(), pbr(), false);
    t->flags |= PlacedFlag;
    s.sceneRoot->addChild(t, false);
    ByteBuffer tools;
    writeSceneBytes(s, tools);
    // the written file: version, tools, an empty element chunk; the last is replaced
    std::vector<uint8_t> out(tools.bytes.begin(), tools.bytes.end() - 8);
    put<uint32_t>(out, elementChunkTag);
    put<uint32_t>(out, uint32_t(records.size()));
    out.insert(out.end(), records.begin(), records.end());
    return out;
}

std::vector<uint8_t> bareCurveRecord(const Curve& c) {
    ByteBuffer full;
    const_cast<Curve&>(c).save(full);
    std::vector<uint8_t> r;
    put<uint32_t>(r, bareCurveRecordTag);
    put<uint32_t>(r, uint32_t(full.size() - 16));
    r.insert(r.end(), full.bytes.begin() + 16, full.bytes.end());
    return r;
}

std::unique_ptr<Element> readRecord(const std::vector<uint8_t>& bytes, bool& ok) {
    ByteBuffer in;
    in.bytes = bytes;
    return std::unique_ptr<Element>(readElementRecord(in, ok));
}

class SurfaceRecord : public test::CurrentVersionTest {};

} // namespace

TEST_F(SurfaceRecord, linkedTubeRoundTripSharesOneTubeAndItsCurves) {
    Scene s;
    Tube* tube = new Tube(Curve::makeSegment(), Curve::makeCircle(5, true));
    for (int i = 0; i < 2; ++i) {
        Tool* t = new Tool(tube, mat4::translation(vec3(float(i), 0, 0)), pbr(), false);
        t->flags |= PlacedFlag;
        s.sceneRoot->addChild(t, false);
    }
    ByteBuffer file;
    writeSceneBytes(s, file);
    // the tube's record: tag, length 8, the indices of its curves (written right after it)
    const uint32_t expected[4] = {0xE1000005, 8, 1, 2};
    bool found = false;
    for (size_t i = 0; i + 16 <= file.size(); ++i) found = found || std::memcmp(file.data() + i, expected, 16) == 0;
    EXPECT_TRUE(found);

    Scene back;
    ASSERT_TRUE(readSceneBytes(back, file.data(), file.size()));
    ASSERT_EQ(back.sceneRoot->children.size(), 2u);
    Element* e = back.sceneRoot->children[0]->element;
    ASSERT_EQ(e->typeCode, TubeType);
    EXPECT_EQ(back.sceneRoot->children[1]->element, e);
    Tube* t = static_cast<Tube*>(e);
    EXPECT_EQ(t->useCount, 2);
    ASSERT_TRUE(t->axis && t->section);
    EXPECT_EQ(t->axis->useCount, 2);
    EXPECT_EQ(t->section->useCount, 2);
    EXPECT_EQ(t->section->pointCount(), 5);
    EXPECT_EQ(t->axis->pointCount(), 2);
}

TEST_F(SurfaceRecord, linkedRecordsNamingNoCurveAreRefused) {
    Curve c({vec3(0, 0, 0), vec3(1, 0, 0)}, false, 0);
    ByteBuffer curve;
    c.save(curve);
    Mesh* m = Mesh::createTetrahedron();
    ByteBuffer mesh;
    m->save(mesh);
    delete m;
    auto linked = [&](uint32_t tag, uint32_t length, uint32_t a, uint32_t b, bool withMesh) {
        std::vector<uint8_t> r;
        put(r, tag);
        put(r, length);
        put(r, a);
        put(r, b);
        if (length == 12) put<uint32_t>(r, 0);
        r.insert(r.end(), curve.bytes.begin(), curve.bytes.end());
        if (withMesh) r.insert(r.end(), mesh.bytes.begin(), mesh.bytes.end());
        return r;
    };
    for (uint32_t tag : {tubeRecordTag, revolutonRecordTag}) {
        Scene s;
        const std::vector<uint8_t> good = fileOf(linked(tag, 8, 1, 1, false));
        EXPECT_TRUE(readSceneBytes(s, good.data(), good.size()));
        for (const auto& bad : {linked(tag, 8, 1, 7, false), linked(tag, 8, 1, 2, true), linked(tag, 8, 0, 1, false),
                                linked(tag, 12, 1, 1, false)}) {
            Scene r;
            const std::vector<uint8_t> f = fileOf(bad);
            EXPECT_FALSE(readSceneBytes(r, f.data(), f.size())) << std::hex << tag;
            EXPECT_TRUE(r.sceneRoot->children.empty());
        }
    }
}

// Every reader charges the element it makes; the linked tube record once made its tube free.
TEST_F(SurfaceRecord, linkedRecordsChargeTheSurfaceTheyMake) {
    for (uint32_t tag : {tubeRecordTag, revolutonRecordTag}) {
        std::vector<uint8_t> rec;
        for (uint32_t word : {tag, 8u, 1u, 2u}) put(rec, word);
        bool ok = false;
        {
            ReadBudget budget(0, 64); // less than either surface
            readRecord(rec, ok);
            EXPECT_FALSE(ok) << std::hex << tag;
        }
        readRecord(rec, ok);
        EXPECT_TRUE(ok) << std::hex << tag;
    }
}

TEST_F(SurfaceRecord, embeddedTubeBuildsBothCurvesAndRefusesEveryPrefix) {
    Curve axis({vec3(0, 0, 0), vec3(0, 0, 3)}, false, 0);
    std::unique_ptr<Curve> section(Curve::makeCircle(4, false));
    std::vector<uint8_t> body = bareCurveRecord(axis);
    ByteBuffer full;
    section->save(full);
    body.insert(body.end(), full.bytes.begin(), full.bytes.end()); // a full head may stand here too
    std::vector<uint8_t> rec;
    put<uint32_t>(rec, embeddedTubeRecordTag);
    put<uint32_t>(rec, uint32_t(body.size()));
    rec.insert(rec.end(), body.begin(), body.end());

    bool ok = false;
    auto e = readRecord(rec, ok);
    ASSERT_TRUE(ok && e);
    const Tube& t = static_cast<const Tube&>(*e);
    EXPECT_EQ(t.id, 0);
    EXPECT_EQ(t.axis->pointCount(), 2);
    EXPECT_EQ(t.section->segmentCount(), 4);

    // every cut short record is refused, and the curves already read are freed (LeakSanitizer)
    for (size_t n = 8; n < rec.size(); ++n) {
        std::vector<uint8_t> cut(rec.begin(), rec.begin() + long(n));
        auto r = readRecord(cut, ok);
        EXPECT_FALSE(ok) << n;
    }
}

TEST_F(SurfaceRecord, embeddedRevolutionTakesACircleOfTheStoredCount) {
    Curve axis({vec3(1, 0, 0), vec3(1, 2, 0)}, false, 0);
    auto record = [&](uint32_t n) {
        std::vector<uint8_t> r;
        put<uint32_t>(r, embeddedRevolutonRecordTag);
        const std::vector<uint8_t> a = bareCurveRecord(axis);
        put<uint32_t>(r, uint32_t(4 + a.size()));
        put(r, n);
        r.insert(r.end(), a.begin(), a.end());
        return r;
    };
    bool ok = false;
    auto e = readRecord(record(6), ok);
    ASSERT_TRUE(ok && e);
    const Revoluton& r = static_cast<const Revoluton&>(*e);
    EXPECT_EQ(r.id, 0);
    EXPECT_EQ(r.section->pointCount(), 6);
    EXPECT_EQ(r.section->segmentCount(), 6);
    EXPECT_EQ(r.axis->points[1].position, vec3(1, 2, 0));
    for (uint32_t n : {0u, 0xFFFFFFFFu, 65537u}) {
        readRecord(record(n), ok);
        EXPECT_FALSE(ok) << n;
    }
}

TEST_F(SurfaceRecord, replacingAndCloningCurves) {
    Tube* t = new Tube(Curve::makeSegment(), Curve::makeCircle(4, false));
    Tool holder(t, mat4(), pbr(), false);
    ASSERT_EQ(t->useCount, 1);
    ASSERT_EQ(t->axis->useCount, 1);

    test::GlobalScope frame(frameCounter, 50);
    t->rebuildNeeded = false;
    t->setAxis(t->axis); // the same curve: nothing happens
    EXPECT_FALSE(t->rebuildNeeded);
    t->setAxis(nullptr);
    EXPECT_NE(t->axis, nullptr);

    Curve* kept = t->section;
    kept->acquire(1); // a second holder: survives the swap
    Curve* fresh = Curve::makeCircle(8, false);
    t->setSection(fresh);
    EXPECT_EQ(t->section, fresh);
    EXPECT_EQ(fresh->useCount, 1);
    EXPECT_EQ(kept->useCount, 1);
    EXPECT_TRUE(t->rebuildNeeded);
    EXPECT_EQ(t->stamp, 50);
    releaseElement(kept);

    t->translation = vec3(9, 8, 7);
    t->scale = 3;
    std::unique_ptr<Element> copy(t->clone());
    EXPECT_EQ(copy->translation, vec3(9, 8, 7));
    EXPECT_EQ(copy->scale, 3.0f);
    EXPECT_EQ(copy->useCount, 0);
    EXPECT_NE(static_cast<Tube&>(*copy).axis, t->axis);
}
