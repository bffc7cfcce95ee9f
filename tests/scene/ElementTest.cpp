#include <gtest/gtest.h>

#include <cmath>

#include "GlobalScope.h"
#include "TestElement.h"
#include "scene/Symmetry.h"

using namespace kal;
using kal::test::TestElement;

TEST(Element, freshElementHasInitialFields) {
    TestElement e(5);
    EXPECT_EQ(e.stamp, 0);
    EXPECT_EQ(e.id, -1);
    EXPECT_EQ(e.useCount, 0);
    EXPECT_FALSE(e.invalid);
    EXPECT_EQ(e.typeCode, 5);
    EXPECT_EQ(e.translation, vec3());
    EXPECT_EQ(e.scale, 1.0f);
}

TEST(Element, resetKeepsTypeCodeAndClearsPlacement) {
    TestElement e(4);
    e.stamp = 9;
    e.invalid = true;
    e.translation = {1, 2, 3};
    e.scale = 3;
    e.reset();
    EXPECT_EQ(e.stamp, 0);
    EXPECT_FALSE(e.invalid);
    EXPECT_EQ(e.translation, vec3());
    EXPECT_EQ(e.scale, 1.0f);
    EXPECT_EQ(e.typeCode, 4);
}

TEST(Element, copyStartsWithoutHoldersOrId) {
    TestElement a(2);
    a.useCount = 3;
    a.id = 7;
    a.transparent = true;
    a.translation = {1, 0, 0};
    TestElement b(a);
    EXPECT_EQ(b.useCount, 0);
    EXPECT_EQ(b.id, -1);
    EXPECT_TRUE(b.transparent);
    EXPECT_EQ(b.translation, a.translation);
}

TEST(Element, detachSharesWhileHeldOnceAndClonesWhenShared) {
    int before = TestElement::live;
    auto* shallow = new TestElement(2);
    shallow->acquire(1);
    EXPECT_EQ(shallow->detach(), shallow);
    EXPECT_EQ(shallow->useCount, 1);
    shallow->acquire(1);
    // the base clone stays shared and counts one more holder
    EXPECT_EQ(shallow->detach(), shallow);
    EXPECT_EQ(shallow->useCount, 3);

    auto* deep = new TestElement(0, true);
    deep->acquire(2);
    Element* copy = deep->detach();
    EXPECT_NE(copy, deep);
    EXPECT_EQ(copy->useCount, 0);
    delete copy;
    delete deep;
    delete shallow;
    EXPECT_EQ(TestElement::live, before);
}

TEST(Element, acquireAndReleaseWalkParts) {
    int before = TestElement::live;
    auto* part = new TestElement(2);
    auto* composite = new TestElement(5);
    composite->parts.push_back(part);
    composite->acquire(1);
    EXPECT_EQ(composite->useCount, 1);
    EXPECT_EQ(part->useCount, 1);
    // a part held only by the composite goes with the composite's last count; the composite stays
    composite->release(1);
    EXPECT_EQ(composite->useCount, 0);
    EXPECT_EQ(TestElement::live, before + 1);
    composite->parts.clear();
    delete composite;
    EXPECT_EQ(TestElement::live, before);
}

TEST(Element, sharedPartSurvivesOneCompositeRelease) {
    int before = TestElement::live;
    auto* part = new TestElement(2);
    part->acquire(1); // also held by a tool
    auto* composite = new TestElement(5);
    composite->parts.push_back(part);
    composite->acquire(1);
    EXPECT_TRUE(releaseElement(composite));
    EXPECT_EQ(part->useCount, 1);
    EXPECT_TRUE(releaseElement(part));
    EXPECT_EQ(TestElement::live, before);
}

TEST(Element, changeStampFollowsNewerParts) {
    test::GlobalScope frame(frameCounter, 10);
    TestElement part(2), composite(5);
    composite.parts.push_back(&part);
    // never touched: the running maximum starts at 1, so stamp 0 is always brought up
    EXPECT_EQ(composite.changeStamp(), 10);
    frameCounter = 11;
    EXPECT_EQ(composite.changeStamp(), 10); // no part newer
    part.touch();
    EXPECT_EQ(composite.changeStamp(), 11);
    EXPECT_EQ(composite.stamp, 11);
}

TEST(Element, changeStampOfCurrentFrameDoesNotListParts) {
    struct Counting : TestElement {
        int listed = 0;
        void collectAll(std::vector<Element*>& out) override {
            ++listed;
            TestElement::collectAll(out);
        }
    } e;
    test::GlobalScope frame(frameCounter, 4);
    e.touch();
    EXPECT_EQ(e.changeStamp(), 4);
    EXPECT_EQ(e.listed, 0);
}

TEST(Element, clearIdsReachesEveryPart) {
    TestElement a, b, c;
    a.parts.push_back(&b);
    b.parts.push_back(&c);
    a.id = 1;
    b.id = 2;
    c.id = 3;
    a.clearIds();
    EXPECT_EQ(a.id, -1);
    EXPECT_EQ(b.id, -1);
    EXPECT_EQ(c.id, -1);
    EXPECT_FALSE(a.animate(1.0, true));
}

TEST(Element, localAndWorldConversionsAreInverse) {
    TestElement e;
    e.translation = {1, -2, 3};
    e.scale = 2.5f;
    vec3 p(0.5f, 4, -1);
    vec3 q = e.toLocal(e.toWorld(p));
    EXPECT_NEAR(q.x, p.x, 1e-5);
    EXPECT_NEAR(q.y, p.y, 1e-5);
    EXPECT_NEAR(q.z, p.z, 1e-5);
    EXPECT_FLOAT_EQ(e.lengthToLocal(e.lengthToWorld(3)), 3);
    vec3 r = e.toWorld(p) * e.inverseTransform();
    EXPECT_NEAR(r.x, p.x, 1e-5);
    EXPECT_NEAR(r.y, p.y, 1e-5);
    EXPECT_NEAR(r.z, p.z, 1e-5);
}

TEST(Element, zeroScaleNeverYieldsInfinities) {
    TestElement e;
    e.scale = 0;
    EXPECT_TRUE(isFinite(e.toLocal({1, 2, 3})));
    EXPECT_TRUE(std::isfinite(e.lengthToLocal(2)));
    mat4 m = e.inverseTransform();
    for (float v : m.m) EXPECT_TRUE(std::isfinite(v));
}

TEST(Element, baseConversionsAndExtractionsAnswerNothingOrSelf) {
    TestElement e;
    e.acquire(1);
    int item = -1;
    EXPECT_EQ(e.toMesh(), nullptr);
    EXPECT_EQ(e.detachComponent(0), nullptr);
    EXPECT_EQ(e.extractPatch({0, 0, 0}, item), &e);
    EXPECT_EQ(e.extractComponent({0, 0, 0}, item), &e);
    EXPECT_FALSE(e.subdivide(true));
}

TEST(ElementSymmetry, noFlagsGivesOneCentreAndTheUpHintFrame) {
    TestElement e;
    std::vector<SymmetryOp> ops{{3, 3}};
    std::vector<vec3> centres;
    std::vector<mat3> frames;
    std::vector<float> signs;
    e.symmetryFrames(ops, {1, 2, 3}, {0, 0, 1}, 0, 0, 0, 0, 0, 0, 4, centres, frames, signs, -1, 0);
    EXPECT_TRUE(ops.empty());
    ASSERT_EQ(centres.size(), 1u);
    ASSERT_EQ(frames.size(), 1u);
    ASSERT_EQ(signs.size(), 1u);
    EXPECT_EQ(frames[0], mat3()); // up (0,1,0) about Z is the identity frame
    EXPECT_EQ(signs[0], 1.0f);
}

TEST(ElementSymmetry, mirrorYAndRotateZListOpsInOrderWithXHint) {
    TestElement e;
    std::vector<SymmetryOp> ops;
    std::vector<vec3> centres;
    std::vector<mat3> frames;
    std::vector<float> signs;
    e.symmetryFrames(ops, {1, 2, 0.5f}, {0, 0, 1}, 0, 1, 0, 0, 0, 1, 6, centres, frames, signs, -1, 0);
    ASSERT_EQ(ops.size(), 2u);
    EXPECT_EQ(ops[0].kind, 1);
    EXPECT_EQ(ops[0].count, 0);
    EXPECT_EQ(ops[1].kind, 5);
    EXPECT_EQ(ops[1].count, 6);
    ASSERT_EQ(centres.size(), 12u);
    ASSERT_EQ(frames.size(), 12u);
    ASSERT_EQ(signs.size(), 12u);
    // hint (1,0,0) about Z: the Y column of the first frame is X
    vec3 y = frames[0].column(1);
    EXPECT_NEAR(y.x, 1, 1e-6);
    // the mirror image flips y and handedness; every copy keeps its distance from the Z axis
    EXPECT_NEAR(centres[1].y, -2, 1e-6);
    EXPECT_EQ(signs[1], -1.0f);
    for (size_t i = 0; i < centres.size(); ++i) {
        EXPECT_NEAR(std::hypot(centres[i].x, centres[i].y), std::sqrt(5.0), 1e-5);
        EXPECT_NEAR(det(frames[i]), signs[i], 1e-5);
    }
}

TEST(ElementSymmetry, replicationOfAllThreeMirrorsGivesSignsInOrder) {
    std::vector<vec3> p{{1, 2, 3}};
    std::vector<mat3> f{mat3()};
    std::vector<float> s;
    replicateBySymmetry(p, f, s, mat4(), {{0, 0}, {1, 0}, {2, 0}});
    const float expected[8] = {1, -1, -1, 1, -1, 1, 1, -1};
    ASSERT_EQ(s.size(), 8u);
    for (int i = 0; i < 8; ++i) EXPECT_EQ(s[i], expected[i]) << i;
    EXPECT_EQ(p[3], vec3(-1, -2, 3));
}

TEST(ElementSymmetry, replicationAboutATranslatedFrameMirrorsAcrossItsPlane) {
    std::vector<vec3> p{{3, 0, 0}};
    std::vector<mat3> f{mat3()};
    std::vector<float> s;
    mat4 m;
    m[3] = 1; // the mirror plane is x = 1
    replicateBySymmetry(p, f, s, m, {{0, 0}});
    ASSERT_EQ(p.size(), 2u);
    EXPECT_NEAR(p[1].x, -1, 1e-6);
}

TEST(ElementSymmetry, emptyInputsOnlySizeTheSigns) {
    std::vector<vec3> p{{1, 0, 0}, {2, 0, 0}};
    std::vector<mat3> f{mat3()};
    std::vector<float> s{5, 5, 5};
    replicateBySymmetry(p, f, s, mat4(), {{0, 0}});
    EXPECT_EQ(p.size(), 2u);
    EXPECT_EQ(s.size(), 2u);
    std::vector<mat3> f2{mat3(), mat3()};
    replicateBySymmetry(p, f2, s, mat4(), {{3, 1}});
    EXPECT_EQ(p.size(), 2u);
}
