// The two-stage placement walk of bi-tool ends and their stretch, on pairs whose link is known
// by hand (a 3-4-5 triangle).
#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "tools/BiTool.h"

using namespace kal;

namespace {

struct Lists {
    std::vector<Tool*> items;
    std::vector<mat4> matrices;
    std::vector<int32_t> groups, args;
};

void reach(Tool* t, Lists& l, const mat4& parent, int group, int arg) {
    t->collectWorldTransforms(l.items, l.matrices, l.groups, l.args, parent, group, arg);
}

// Both ends hang from one root so that the pair is freed together.
struct Pair {
    std::unique_ptr<Root> root = std::make_unique<Root>();
    BiTool* a;
    BiTool* b;
    Pair(const mat4& at, const mat4& bt, uint32_t kind = BiToolBare) {
        a = new BiTool(kind, nullptr, at, pbr(), false);
        b = new BiTool(BiToolBare, nullptr, bt, pbr(), false);
        root->addChild(a, false);
        root->addChild(b, false);
        a->attachPartner(b);
    }
};

vec3 zAxis(const mat4& m) { return normalize(transformDirection(vec3(0, 0, 1), m)); }

void expectNear(vec3 got, vec3 want, float eps = 1e-5f) {
    EXPECT_NEAR(got.x, want.x, eps);
    EXPECT_NEAR(got.y, want.y, eps);
    EXPECT_NEAR(got.z, want.z, eps);
}

bool finite(const mat4& m) {
    for (float x : m.m)
        if (!std::isfinite(x)) return false;
    return true;
}

const mat4 atA = mat4::translation(vec3(1, 2, 3));
const mat4 atB = mat4::translation(vec3(4, 6, 3));

} // namespace

TEST(BiToolWalk, secondEndAppendsItselfItsChildrenThenTheTurnedFirstEnd) {
    Pair p(atA, atB);
    Tool* child = p.b->addChild(new Tool(nullptr, mat4::translation(vec3(0, 0, 1)), pbr(), false), false);
    Lists l;
    beginPlacementWalk(true);
    reach(p.a, l, mat4(), 7, 2);
    EXPECT_TRUE(l.items.empty());
    EXPECT_EQ(p.a->passState, 1);
    reach(p.b, l, mat4(), 9, 4);
    ASSERT_EQ(l.items, (std::vector<Tool*>{p.b, child, p.a}));
    EXPECT_EQ(l.groups, (std::vector<int32_t>{9, 0, 7}));
    EXPECT_EQ(l.args, (std::vector<int32_t>{4, -1, 2}));
    for (BiTool* end : {p.a, p.b}) {
        EXPECT_FLOAT_EQ(end->linkLength, 5.0f);
        EXPECT_FLOAT_EQ(end->restLength, 5.0f);
        EXPECT_EQ(end->passState, 0);
    }
    // the model matrix of the appended entry is the turned frame: +z onto the partner, which
    // lies at local (0, 0, L)
    const mat4 fb = p.b->Tool::modelMatrix(l.matrices[0]);
    const mat4 fa = p.a->Tool::modelMatrix(l.matrices[2]);
    expectNear(zAxis(fb), vec3(-0.6f, -0.8f, 0));
    expectNear(zAxis(fa), vec3(0.6f, 0.8f, 0));
    expectNear(vec3(0, 0, 5) * fb, vec3(1, 2, 3));
    expectNear(vec3(0, 0, 5) * fa, vec3(4, 6, 3));
    // the child hangs in the turned frame without the stretch
    expectNear(vec3(0, 0, 0) * child->modelMatrix(l.matrices[1]), vec3(0, 0, 1) * fb);
}

TEST(BiToolWalk, lengthsAreInEachEndsOwnUnitsAndCoincidentEndsMeasureZero) {
    mat4 scaled = mat4::uniformScaling(2);
    scaled *= atA;
    Pair p(scaled, atB);
    Lists l;
    beginPlacementWalk(true);
    reach(p.a, l, mat4(), 0, -1);
    reach(p.b, l, mat4(), 0, -1);
    EXPECT_FLOAT_EQ(p.a->linkLength, 2.5f);
    EXPECT_FLOAT_EQ(p.b->linkLength, 5.0f);

    Pair q(atA, atA, BiToolCylinder);
    beginPlacementWalk(true);
    reach(q.a, l, mat4(), 0, -1);
    reach(q.b, l, mat4(), 0, -1);
    EXPECT_EQ(q.a->linkLength, 0.0f);
    EXPECT_EQ(q.a->restLength, 0.0f);
    EXPECT_EQ(zAxis(q.a->Tool::modelMatrix(l.matrices.back())), vec3(0, 0, 1));
    EXPECT_FALSE(q.a->stretchDrawable()); // a cylinder of no length is not drawn
}

TEST(BiToolWalk, anUnpairedEndWaitsAndNeverAppends) {
    auto end = std::make_unique<BiTool>(BiToolBare, nullptr, atA, pbr(), false);
    Lists l;
    for (float x : {0.0f, 10.0f}) {
        beginPlacementWalk(true);
        reach(end.get(), l, mat4::translation(vec3(x, 0, 0)), 0, -1);
        EXPECT_EQ(end->passState, 1);
        expectNear(end->worldFrame.translation(), vec3(1 + x, 2, 3));
    }
    EXPECT_TRUE(l.items.empty());
}

TEST(BiToolWalk, anEndLeftWaitingByAnotherWalkIsPlacedByTheWalkThatCompletesThePair) {
    Pair p(atA, atB);
    Lists stray, l;
    // a walk of a template below no root reaches one end only, under a parent far away
    beginPlacementWalk(false);
    reach(p.a, stray, mat4::translation(vec3(100, 0, 0)), 0, -1);
    EXPECT_TRUE(stray.items.empty());
    // the next walk reaches the partner first: the end's frames of the other walk are not used
    beginPlacementWalk(true);
    reach(p.b, l, mat4(), 5, -1);
    EXPECT_TRUE(l.items.empty());
    reach(p.a, l, mat4(), 6, 3);
    ASSERT_EQ(l.items, (std::vector<Tool*>{p.a, p.b}));
    EXPECT_EQ(l.groups, (std::vector<int32_t>{6, 5}));
    EXPECT_FLOAT_EQ(p.a->restLength, 5.0f);
    EXPECT_FLOAT_EQ(p.b->restLength, 5.0f);
}

TEST(BiToolWalk, aPairAcrossTwoRootWalksEntersOnceWithTheFarEndAsItsOwnGroup) {
    Pair p(atA, atB);
    Lists first, second;
    beginPlacementWalk(true);
    reach(p.a, first, mat4(), 4, 1);
    beginPlacementWalk(true);
    reach(p.b, second, mat4(), 2, -1);
    // the waiting end's indices belong to the first walk's lists
    ASSERT_EQ(second.items, (std::vector<Tool*>{p.b, p.a}));
    EXPECT_EQ(second.groups, (std::vector<int32_t>{2, 1}));
    EXPECT_EQ(second.args, (std::vector<int32_t>{-1, -1}));
    EXPECT_FLOAT_EQ(p.a->linkLength, 5.0f);
    // reached again by its own parent in this walk, it is not listed twice
    reach(p.a, second, mat4(), 3, -1);
    EXPECT_EQ(second.items.size(), 2u);
    EXPECT_EQ(p.a->passState, 0);
}

TEST(BiToolWalk, anEndOfARootIsItsOwnGroupWhereverItIsAppended) {
    Pair p(atA, atB);
    Tool* other = p.root->addChild(new Tool(nullptr, mat4(), pbr(), false), false);
    std::swap(p.root->children[1], p.root->children[2]); // a, other, b
    Lists l;
    beginPlacementWalk(true);
    p.root->collectWorldTransforms(l.items, l.matrices, l.groups, l.args, mat4(), 0, -1);
    ASSERT_EQ(l.items, (std::vector<Tool*>{other, p.b, p.a}));
    EXPECT_EQ(l.groups, (std::vector<int32_t>{0, 1, 2}));
}

TEST(BiToolWalk, aSingularFrameMeasuresNothingAndKeepsItsOwnFrame) {
    mat4 flat = mat4::scaling(0, 0, 0);
    flat *= atA;
    Pair p(flat, atB);
    Lists l;
    beginPlacementWalk(true);
    reach(p.a, l, mat4(), 0, -1);
    reach(p.b, l, mat4(), 0, -1);
    ASSERT_EQ(l.items.size(), 2u);
    for (const mat4& m : l.matrices) EXPECT_TRUE(finite(m));
    EXPECT_EQ(p.a->restLength, -1.0f); // never a NaN that a file would keep
    EXPECT_EQ(p.a->linkLength, 0.0f);
    EXPECT_EQ(l.matrices[1], mat4());
    EXPECT_FLOAT_EQ(p.b->linkLength, 5.0f);
}

TEST(BiToolStretch, modelMatrixScalesTheElementByKindBeforeTheFrame) {
    BiTool end(BiToolBare, nullptr, atA, pbr(), false);
    end.linkLength = 4;
    end.restLength = 4;
    EXPECT_EQ(end.modelMatrix(mat4()), atA);
    const vec3 corner(1, 1, 1);
    end.biToolKind = BiToolCylinder;
    expectNear(corner * end.modelMatrix(mat4()), vec3(1.3f, 2.3f, 7));
    end.biToolKind = BiToolUniform;
    expectNear(corner * end.modelMatrix(mat4()), vec3(5, 6, 7));
    end.biToolKind = BiToolVolume;
    end.linkLength = 1;
    expectNear(corner * end.modelMatrix(mat4()), vec3(3, 4, 4)); // x and y by sqrt(4 / 1)
    EXPECT_TRUE(end.stretchDrawable());
    end.restLength = -1; // not measured: no size to keep
    EXPECT_FALSE(end.stretchDrawable());
}
