#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "scene/IKChain.h"
#include "scene/Tool.h"

using namespace kal;

namespace {

// root -> t0 -> t1 -> t2, each joint one unit along X from the previous one. Placed tools carry
// their placement in the pivot, so the joints sit at the pivots' origins.
struct Arm {
    std::unique_ptr<Tool> root{new Tool(nullptr, mat4(), pbr(), false)};
    std::vector<Tool*> chain;
    explicit Arm(int n) {
        Tool* parent = root.get();
        for (int i = 0; i < n; ++i) {
            Tool* t = parent->addChild(new Tool(nullptr, mat4(), pbr(), false), false);
            if (i > 0) t->pivot = mat4::translationXYZ(1, 0, 0);
            chain.push_back(t);
            parent = t;
        }
    }
    std::vector<mat4> handed() const {
        std::vector<mat4> h{mat4()};
        for (size_t i = 1; i < chain.size(); ++i) {
            mat4 m = chain[i - 1]->composeMatrix();
            m *= h.back();
            h.push_back(m);
        }
        return h;
    }
    // The world matrix of the last tool's own space.
    mat4 tip(const std::vector<mat4>& h) const {
        mat4 m = chain.back()->composeMatrix();
        m *= h.back();
        return m;
    }
    std::vector<vec3> joints(const std::vector<mat4>& h) const {
        std::vector<vec3> j;
        for (size_t i = 0; i < chain.size(); ++i) {
            mat4 f = chain[i]->pivot;
            f *= h[i];
            j.push_back(f.translation());
        }
        return j;
    }
};

void expectFinite(const mat4& m) {
    for (float x : m.m) EXPECT_TRUE(std::isfinite(x));
}

} // namespace

TEST(IKChain, emptyChainChangesNothing) {
    std::vector<mat4> h;
    solveToolChain({}, h, {1, 0, 0}, {0, 1, 0});
    EXPECT_TRUE(h.empty());
}

TEST(IKChain, singleToolTurnsTheGrabbedPointOntoItsSphereTowardsTheTarget) {
    Arm arm(1);
    auto h = arm.handed();
    vec3 grabbed(1, 0, 0);
    solveToolChain(arm.chain, h, grabbed, {0, 2, 0});
    vec3 moved = grabbed * arm.tip(h);
    EXPECT_NEAR(moved.x, 0, 1e-5);
    EXPECT_NEAR(moved.y, 1, 1e-5);
    EXPECT_NEAR(moved.z, 0, 1e-5);
}

TEST(IKChain, bonesKeepTheirLengthsAndTheGrabbedPointApproaches) {
    Arm arm(3);
    auto h = arm.handed();
    vec3 grabbed(3, 0, 0);
    vec3 local = grabbed * inverseAffine(arm.tip(h));
    auto before = arm.joints(h);
    vec3 target(1.5f, 1.5f, 0.5f);
    float startDistance = length(grabbed - target);
    for (int step = 0; step < 5; ++step) {
        vec3 now = local * arm.tip(h);
        solveToolChain(arm.chain, h, now, target);
    }
    auto after = arm.joints(h);
    for (size_t k = 0; k + 1 < after.size(); ++k)
        EXPECT_NEAR(length(after[k + 1] - after[k]), length(before[k + 1] - before[k]), 1e-4);
    vec3 reached = local * arm.tip(h);
    EXPECT_NEAR(length(reached - after.back()), length(grabbed - before.back()), 1e-4);
    EXPECT_LT(length(reached - target), startDistance * 0.2f);
    EXPECT_EQ(after[0], before[0]); // the base joint stays put
}

TEST(IKChain, targetAtTheGrabbedPointKeepsTheTransforms) {
    Arm arm(3);
    arm.chain[1]->transform *= mat4::fromMat3(mat3::rotationAxisAngle(vec3(0, 0, 1), 0.4f));
    auto h = arm.handed();
    vec3 grabbed = vec3(1, 0.5f, 0) * arm.tip(h);
    std::vector<mat4> was;
    for (Tool* t : arm.chain) was.push_back(t->transform);
    solveToolChain(arm.chain, h, grabbed, grabbed);
    for (size_t i = 0; i < was.size(); ++i)
        for (int e = 0; e < 16; ++e) EXPECT_NEAR(arm.chain[i]->transform.m[e], was[i].m[e], 1e-5);
}

TEST(IKChain, jointWithAnAxisTurnsOnlyAboutIt) {
    Arm arm(2);
    arm.chain[0]->rotationAxis = {0, 0, 1};
    auto h = arm.handed();
    solveToolChain(arm.chain, h, {2, 0, 0}, {1, 1, 1.5f});
    vec3 z = transformDirection({0, 0, 1}, arm.chain[0]->transform);
    EXPECT_NEAR(z.z, 1, 1e-5);
    // the child follows the turn of its parent
    vec3 childJoint = arm.joints(h)[1];
    EXPECT_NEAR(childJoint.z, 0, 1e-5);
    EXPECT_NEAR(length(childJoint), 1, 1e-5);
}

TEST(IKChain, shortBoneIsNotTurned) {
    Arm arm(1);
    auto h = arm.handed();
    solveToolChain(arm.chain, h, {1e-6f, 0, 0}, {0, 1, 0});
    EXPECT_EQ(arm.chain[0]->transform, mat4());
}

TEST(IKChain, flatJointFrameLeavesThatJointAndStaysFinite) {
    Arm arm(2);
    arm.chain[0]->pivot = mat4::scaling(0, 1, 1);
    auto h = arm.handed();
    mat4 was = arm.chain[0]->transform;
    solveToolChain(arm.chain, h, {2, 0, 0}, {0, 2, 0});
    EXPECT_EQ(arm.chain[0]->transform, was);
    for (Tool* t : arm.chain) expectFinite(t->transform);
    for (const mat4& m : h) expectFinite(m);
}

TEST(IKChain, chainLongerThanItsMatricesIsLeftAlone) {
    Arm arm(2);
    std::vector<mat4> h{mat4()};
    solveToolChain(arm.chain, h, {2, 0, 0}, {0, 2, 0});
    EXPECT_EQ(arm.chain[0]->transform, mat4());
}
