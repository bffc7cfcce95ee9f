#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "scene/Tool.h"

using namespace kal;

namespace {

const float kPi = 3.14159265358979f;

std::unique_ptr<Tool> placed() {
    auto t = std::make_unique<Tool>(nullptr, mat4(), pbr(), false);
    t->flags |= PlacedFlag;
    return t;
}

void expectNear(const mat4& a, const mat4& b, float eps = 1e-5f) {
    for (int i = 0; i < 16; ++i) EXPECT_NEAR(a.m[i], b.m[i], eps) << "element " << i;
}

void expectFinite(const mat4& m) {
    for (float x : m.m) EXPECT_TRUE(std::isfinite(x));
}

vec3 apply(const Tool& t, vec3 p) { return p * t.transform; }

} // namespace

TEST(ToolTransform, ringWideTransformSkipsAnUnplacedStart) {
    auto a = std::make_unique<Tool>(nullptr, mat4(), pbr(), false);
    auto b = placed();
    a->link(b.get());
    mat4 m = mat4::translationXYZ(1, 0, 0);
    a->transformBy(m, true);
    EXPECT_EQ(a->transform, mat4());
    EXPECT_EQ(b->transform, m);
    a->transformBy(m, false);
    EXPECT_EQ(a->transform, m);
}

TEST(ToolTransform, movePivotKeepsTheLocalMatrix) {
    auto t = placed();
    t->transform = mat4::translationXYZ(1, 2, 3);
    t->transform *= mat4::fromMat3(mat3::rotationAxisAngle(vec3(0, 1, 0), 0.7f));
    mat4 before = t->composeMatrix();
    t->movePivot(mat4::translationXYZ(0.5f, -1, 2), false);
    expectNear(t->composeMatrix(), before);
    // a flat pivot change cannot be undone and is refused
    t->movePivot(mat4::scaling(0, 1, 1), false);
    expectFinite(t->transform);
    expectNear(t->composeMatrix(), before);
}

TEST(ToolTransform, transformPivotPrependsToThePivot) {
    auto t = placed();
    t->pivot = mat4::scaling(2, 2, 2);
    t->transformPivot(mat4::translationXYZ(1, 0, 0), false);
    vec3 p = vec3(0, 0, 0) * t->pivot;
    EXPECT_FLOAT_EQ(p.x, 2); // the move is applied before the old pivot
}

TEST(ToolTransform, translationAlongAnAxisIsNotNormalised) {
    auto t = placed();
    t->translationAxis = {0, 0, 2};
    t->translateConstrained(mat4::translationXYZ(1, 1, 1), false);
    vec3 o = apply(*t, {0, 0, 0});
    EXPECT_FLOAT_EQ(o.x, 0);
    EXPECT_FLOAT_EQ(o.y, 0);
    EXPECT_FLOAT_EQ(o.z, 4);
}

TEST(ToolTransform, ringWideTranslationScalesWithEachMember) {
    auto a = placed(), big = placed(), constrained = placed();
    big->transform = mat4::scaling(2, 2, 2);
    constrained->translationAxis = {1, 0, 0};
    a->link(big.get());
    a->link(constrained.get());
    a->translateConstrained(mat4::translationXYZ(1, 2, 0), true);
    EXPECT_EQ(apply(*a, {0, 0, 0}), vec3(1, 2, 0));
    vec3 o = apply(*big, {0, 0, 0});
    EXPECT_NEAR(o.x, 2, 1e-5);
    EXPECT_NEAR(o.y, 4, 1e-5);
    // a member with an axis does not follow a free move
    EXPECT_EQ(constrained->transform, mat4());
}

TEST(ToolTransform, rotationWithoutAxisAnswersMAndTurnsTheTranslationAxis) {
    auto t = placed();
    t->translationAxis = {1, 0, 0};
    mat4 m = mat4::fromMat3(mat3::rotationAxisAngle(vec3(0, 0, 1), kPi / 2));
    mat4 r = t->rotateConstrained(m, false);
    EXPECT_EQ(r, m);
    EXPECT_NEAR(t->translationAxis.x, 0, 1e-6);
    EXPECT_NEAR(t->translationAxis.y, 1, 1e-6);
}

TEST(ToolTransform, rotationAboutAnAxisKeepsOnlyThatTurn) {
    auto t = placed();
    t->rotationAxis = {0, 0, 1};
    mat4 m = mat4::fromMat3(mat3::rotationAxisAngle(vec3(0, 0, 1), 0.5f));
    m *= mat4::fromMat3(mat3::rotationAxisAngle(vec3(1, 0, 0), 0.3f));
    mat4 r = t->rotateConstrained(m, false);
    // r turns about Z only: the Z axis stays put
    vec3 z = transformDirection({0, 0, 1}, r);
    EXPECT_NEAR(z.z, 1, 1e-5);
    EXPECT_EQ(t->transform, r);
}

TEST(ToolTransform, multiplicityGearsRingWideRotation) {
    auto a = placed(), b = placed();
    a->rotationAxis = {0, 0, 1};
    b->rotationAxis = {0, 0, 1};
    b->multiplicity = 2;
    a->link(b.get());
    a->rotateConstrained(mat4::fromMat3(mat3::rotationAxisAngle(vec3(0, 0, 1), kPi / 2)), true);
    vec3 x = apply(*b, {1, 0, 0});
    EXPECT_NEAR(x.x, -1, 1e-5); // turned by 180 degrees
    EXPECT_NEAR(x.y, 0, 1e-5);
}

TEST(ToolTransform, zeroMultiplicityLeavesTheRingStillAndFinite) {
    auto a = placed(), b = placed();
    a->rotationAxis = {0, 0, 1};
    b->rotationAxis = {0, 0, 1};
    a->multiplicity = 0;
    a->link(b.get());
    a->rotateConstrained(mat4::fromMat3(mat3::rotationAxisAngle(vec3(0, 0, 1), 1.0f)), true);
    expectFinite(a->transform);
    expectFinite(b->transform);
    EXPECT_EQ(b->transform, mat4());
    vec3 x = apply(*a, {1, 0, 0});
    EXPECT_NEAR(x.x, std::cos(1.0f), 1e-5);
}

TEST(ToolTransform, mirroringRotationAboutAnAxisStaysFinite) {
    auto t = placed();
    t->rotationAxis = {0, 0, 1};
    mat4 r = t->rotateConstrained(mat4::scaling(-1, 1, 1), false);
    expectFinite(r);
    expectFinite(t->transform);
}

TEST(ToolTransform, membersWithADifferentAxisStateAreLeftAlone) {
    auto a = placed(), free = placed();
    a->rotationAxis = {0, 0, 1};
    a->link(free.get());
    a->rotateConstrained(mat4::fromMat3(mat3::rotationAxisAngle(vec3(0, 0, 1), 1.0f)), true);
    EXPECT_EQ(free->transform, mat4());
}

TEST(ToolTransform, constrainedTransformProjectsOnEachMembersAxes) {
    auto a = placed(), b = placed();
    b->translationAxis = {1, 0, 0};
    a->link(b.get());
    mat4 pre = mat4::translationXYZ(0, 0, 1);
    a->transformConstrained(mat4::translationXYZ(1, 1, 1), pre, mat4(), true);
    EXPECT_EQ(apply(*a, {0, 0, 0}), vec3(1, 1, 1));
    EXPECT_EQ(apply(*b, {0, 0, 0}), vec3(1, 0, 0));
    EXPECT_EQ(b->pivot, pre);
}
