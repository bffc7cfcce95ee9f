// The two-stage placement walk of bi-tool ends and their stretch, on pairs whose link is known
// by hand (a 3-4-5 triangle).
#include <gtest/gtest.h>

#include <memory>

#include "tools/BiTool.h"

using namespace kal;

namespace {

struct Lists {
    std::vector<Tool*> items;
    std::vector<mat4> matrices;
    std::vector<int32_t> groups, args;
    void reach(Tool* t, const mat4& parent, int group, int arg) {
        t->collectWorldTransforms(items, matrices, groups, args, parent, group, arg);
    }
};

// Both ends hang from one root, which frees the pair.
struct Pair {
    std::unique_ptr<Root> root = std::make_unique<Root>();
    BiTool* a;
    BiTool* b;
    Pair(const mat4& at, const mat4& bt) {
        a = static_cast<BiTool*>(root->addChild(new BiTool(BiToolBare, nullptr, at, pbr(), false), false));
        b = static_cast<BiTool*>(root->addChild(new BiTool(BiToolBare, nullptr, bt, pbr(), false), false));
        a->attachPartner(b);
    }
};

void expectNear(vec3 got, vec3 want) {
    EXPECT_NEAR(got.x, want.x, 1e-5f);
    EXPECT_NEAR(got.y, want.y, 1e-5f);
    EXPECT_NEAR(got.z, want.z, 1e-5f);
}

const mat4 atA = mat4::translation(vec3(1, 2, 3));
const mat4 atB = mat4::translation(vec3(4, 6, 3));

} // namespace

TEST(BiToolWalk, secondEndAppendsItselfItsChildrenThenTheTurnedFirstEnd) {
    Pair p(atA, atB);
    Tool* child = p.b->addChild(new Tool(nullptr, mat4::translation(vec3(0, 0, 1)), pbr(), false), false);
    Lists l;
    beginPlacementWalk(true);
    l.reach(p.a, mat4(), 7, 2);
    EXPECT_TRUE(l.items.empty());
    l.reach(p.b, mat4(), 9, 4);
    ASSERT_EQ(l.items, (std::vector<Tool*>{p.b, child, p.a}));
    EXPECT_EQ(l.groups, (std::vector<int32_t>{9, 0, 7}));
    EXPECT_EQ(l.args, (std::vector<int32_t>{4, -1, 2}));
    for (BiTool* end : {p.a, p.b}) {
        EXPECT_EQ(end->linkLength, 5.0f);
        EXPECT_EQ(end->restLength, 5.0f);
        EXPECT_EQ(end->passState, 0);
    }
    // each appended entry gives the turned frame: +z along the link, the partner at (0, 0, L)
    const mat4 fb = p.b->Tool::modelMatrix(l.matrices[0]), fa = p.a->Tool::modelMatrix(l.matrices[2]);
    expectNear(normalize(transformDirection(vec3(0, 0, 1), fb)), vec3(-0.6f, -0.8f, 0));
    expectNear(normalize(transformDirection(vec3(0, 0, 1), fa)), vec3(0.6f, 0.8f, 0));
    expectNear(vec3(0, 0, 5) * fb, vec3(1, 2, 3));
    expectNear(vec3(0, 0, 5) * fa, vec3(4, 6, 3));
    // the child hangs in the turned frame, without the stretch
    expectNear(vec3(0, 0, 0) * child->modelMatrix(l.matrices[1]), vec3(0, 0, 1) * fb);
}

TEST(BiToolWalk, lengthsAreInEachEndsOwnUnitsAndASingularFrameMeasuresNothing) {
    mat4 scaled = mat4::uniformScaling(2), flat = mat4::scaling(0, 0, 0);
    scaled *= atA;
    flat *= atA;
    Pair p(scaled, atB), q(atA, atA), s(flat, atB);
    Lists l;
    for (Pair* pair : {&p, &q, &s}) {
        beginPlacementWalk(true);
        l.reach(pair->a, mat4(), 0, -1);
        l.reach(pair->b, mat4(), 0, -1);
    }
    EXPECT_EQ(p.a->linkLength, 2.5f);
    EXPECT_EQ(p.b->linkLength, 5.0f);
    EXPECT_EQ(q.a->linkLength, 0.0f); // coincident ends
    EXPECT_EQ(q.a->restLength, 0.0f);
    // no NaN for a file to keep; the flat end is appended in its own frame
    EXPECT_EQ(s.a->restLength, -1.0f);
    EXPECT_EQ(l.matrices[5], mat4());
    EXPECT_EQ(s.b->linkLength, 5.0f);
}

TEST(BiToolWalk, anEndLeftWaitingByAnotherWalkIsPlacedByTheWalkThatCompletesThePair) {
    Pair p(atA, atB);
    Lists stray, l;
    // a template's walk below no root reaches one end, under a parent far away
    beginPlacementWalk(false);
    stray.reach(p.a, mat4::translation(vec3(100, 0, 0)), 0, -1);
    beginPlacementWalk(true);
    l.reach(p.b, mat4(), 5, -1);
    EXPECT_TRUE(l.items.empty() && stray.items.empty());
    l.reach(p.a, mat4(), 6, 3);
    ASSERT_EQ(l.items, (std::vector<Tool*>{p.a, p.b}));
    EXPECT_EQ(l.groups, (std::vector<int32_t>{6, 5}));
    EXPECT_EQ(p.b->restLength, 5.0f);

    // ends in two root trees: the far end enters the second walk's lists once, as its own group
    Lists first, second;
    beginPlacementWalk(true);
    first.reach(p.a, mat4(), 4, 1);
    beginPlacementWalk(true);
    second.reach(p.b, mat4(), 2, -1);
    second.reach(p.a, mat4(), 3, -1);
    ASSERT_EQ(second.items, (std::vector<Tool*>{p.b, p.a}));
    EXPECT_EQ(second.groups, (std::vector<int32_t>{2, 1}));
    EXPECT_EQ(second.args, (std::vector<int32_t>{-1, -1}));
}

TEST(BiToolWalk, anEndOfARootIsItsOwnGroupWhereverItIsAppended) {
    Pair p(atA, atB);
    Tool* other = p.root->insertChild(1, new Tool(nullptr, mat4(), pbr(), false));
    Lists l;
    beginPlacementWalk(true);
    p.root->collectWorldTransforms(l.items, l.matrices, l.groups, l.args, mat4(), 0, -1);
    ASSERT_EQ(l.items, (std::vector<Tool*>{other, p.b, p.a}));
    EXPECT_EQ(l.groups, (std::vector<int32_t>{0, 1, 2}));
}

TEST(BiToolStretch, modelMatrixScalesTheElementByKindBeforeTheFrame) {
    BiTool end(BiToolBare, nullptr, atA, pbr(), false);
    end.linkLength = end.restLength = 4;
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
    end.restLength = -1; // never measured, or a link of no length: nothing to draw
    EXPECT_FALSE(end.stretchDrawable());
    end.biToolKind = BiToolCylinder;
    end.linkLength = 0;
    EXPECT_FALSE(end.stretchDrawable());
}
