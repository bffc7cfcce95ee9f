// The cable's Bezier tube between two ends: placed at the first real length, left alone while
// nothing moves, stretched with a section of one size, and copied with a tube of its own.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "elements/BezierCurve.h"
#include "elements/Tube.h"
#include "mesh/Mesh.h"
#include "scene/Element.h"
#include "tools/Cable.h"

using namespace kal;

namespace {

struct Walkable {
    std::unique_ptr<Root> root = std::make_unique<Root>();
    Cable* cable;
    BiTool* far;
    Walkable(Curve* section, float distance) {
        cable = new Cable(section, mat4(), pbr(), false);
        far = new BiTool(BiToolBare, nullptr, mat4::translation(vec3(0, 0, distance)), pbr(), false);
        root->addChild(cable, false);
        root->addChild(far, false);
        cable->attachPartner(far);
    }
    // One placement walk; answers the matrix the cable is drawn with.
    mat4 walk() {
        std::vector<Tool*> items;
        std::vector<mat4> matrices;
        std::vector<int32_t> groups, args;
        beginPlacementWalk(true);
        root->collectWorldTransforms(items, matrices, groups, args, mat4(), 0, -1);
        for (size_t i = 0; i < items.size(); ++i)
            if (items[i] == cable) return cable->modelMatrix(matrices[i]);
        return mat4();
    }
};

bool finite(const mat4& m) {
    for (float x : m.m)
        if (!std::isfinite(x)) return false;
    return true;
}

// The drawn distance of a section point from the axis: the section's local point carried by M.
float drawnRadius(Cable& c, const mat4& M) {
    Curve* s = c.tube()->section;
    const vec3 local = s->toLocal(s->points[0].position);
    return length(transformDirection(local, M));
}

} // namespace

TEST(Cable, aFreshCableWaitsForARealLengthBeforePlacingItsAxis) {
    Cable lone(Curve::makeCircle(8, false), mat4(), pbr(), false);
    ASSERT_TRUE(lone.axis());
    EXPECT_EQ(lone.axis()->pointCount(), cableAxisSegments + 1);
    Curve* section = lone.tube()->section;
    const float scale = section->scale;
    // no partner, nothing measured: the matrix stays finite and nothing is shaped
    EXPECT_TRUE(finite(lone.modelMatrix(mat4())));
    EXPECT_EQ(lone.axis()->handle, -1.0f);
    EXPECT_EQ(section->scale, scale);

    Walkable w(Curve::makeCircle(8, false), 0.0f); // coincident ends: L = 0
    EXPECT_TRUE(finite(w.walk()));
    EXPECT_EQ(w.cable->axis()->handle, -1.0f);
    EXPECT_EQ(w.cable->tube()->section->scale, scale);
}

TEST(Cable, theAxisSpansTheLinkAndTheSectionKeepsItsSizeWhenStretched) {
    Walkable w(Curve::makeCircle(8, false), 4.0f);
    const mat4 M = w.walk();
    BezierCurve* axis = w.cable->axis();
    EXPECT_EQ(axis->handle, 4.0f);
    EXPECT_EQ(w.cable->tube()->section->scale, 50.0f);
    const vec3 last = axis->points.back().position * M;
    EXPECT_NEAR(last.z, 4.0f, 1e-5f);
    EXPECT_NEAR(length(axis->points.front().position * M), 0.0f, 1e-6f);
    const float radius = drawnRadius(*w.cable, M);
    EXPECT_NEAR(radius, 4.0f / 50.0f, 1e-6f);

    // nothing moves: the points stay where they are
    const std::vector<CurvePoint> before = axis->points;
    frameCounter += 5;
    w.walk();
    EXPECT_EQ(axis->lastDistance, 4.0f);
    for (size_t i = 0; i < before.size(); ++i) EXPECT_EQ(axis->points[i].position, before[i].position);
    // less than 1 % is no move either
    w.far->transform = mat4::translation(vec3(0, 0, 4.02f));
    w.walk();
    EXPECT_EQ(axis->lastDistance, 4.0f);

    w.far->transform = mat4::translation(vec3(0, 0, 8));
    const mat4 stretched = w.walk();
    EXPECT_EQ(w.cable->tube()->section->scale, 100.0f);
    EXPECT_EQ(axis->lastDistance, 8.0f);
    EXPECT_NEAR((axis->points.back().position * stretched).z, 8.0f, 1e-5f);
    EXPECT_NEAR(drawnRadius(*w.cable, stretched), radius, 1e-6f);
}

TEST(Cable, aCopyHasItsOwnTubeAndAxisOnTheSharedSectionAndRebuildsWithItsOwnScale) {
    Walkable w(Curve::makeCircle(8, false), 4.0f);
    w.walk();
    Curve* section = w.cable->tube()->section;
    std::unique_ptr<Root> other = std::make_unique<Root>();
    // a copy of both ends, placed twice as far apart
    other->addChild(w.cable->copy(false), false);
    other->addChild(w.far->copy(false), false);
    auto* copy = dynamic_cast<Cable*>(other->children[0]);
    ASSERT_TRUE(copy && copy->tube());
    EXPECT_NE(copy->tube(), w.cable->tube());
    EXPECT_NE(copy->axis(), w.cable->axis());
    EXPECT_EQ(copy->tube()->section, section);
    EXPECT_EQ(copy->axis()->handle, -1.0f); // taken at its own first request
    EXPECT_EQ(section->useCount, 2);
    copy->attachPartner(other->children[1]);
    other->children[1]->transform = mat4::translation(vec3(0, 0, 8));
    EXPECT_EQ(copy->restLength, 4.0f); // stretched to twice its rest length: scale 100 against 50

    std::vector<Tool*> items;
    std::vector<mat4> matrices;
    std::vector<int32_t> groups, args;
    beginPlacementWalk(true);
    other->collectWorldTransforms(items, matrices, groups, args, mat4(), 0, -1);
    ASSERT_EQ(items.size(), 2u);
    const mat4 copyParent = matrices[items[0] == copy ? 0 : 1];

    // each cable writes its own scale into the shared section: a tube that finds another's
    // scale there is touched, so it rebuilds with its own
    frameCounter = 1000;
    copy->modelMatrix(copyParent);
    EXPECT_EQ(copy->tube()->stamp, 1000);
    frameCounter = 1001;
    w.walk();
    EXPECT_EQ(w.cable->tube()->stamp, 1001);
    frameCounter = 1002;
    copy->modelMatrix(copyParent);
    EXPECT_EQ(copy->tube()->stamp, 1002);
    frameCounter = 1003;
    copy->modelMatrix(copyParent); // unchanged: no rebuild
    EXPECT_EQ(copy->tube()->stamp, 1002);

    other.reset();
    EXPECT_EQ(section->useCount, 1);
}

TEST(Cable, aCableCarryingSomethingElseIsNotShapedAndItsCopiesShareIt) {
    Walkable w(Curve::makeCircle(8, false), 4.0f);
    Mesh* mesh = Mesh::createCube();
    w.cable->setElement(mesh);
    EXPECT_EQ(w.cable->tube(), nullptr);
    EXPECT_TRUE(finite(w.walk()));
    std::unique_ptr<Tool> copy(w.cable->copy(false));
    ASSERT_TRUE(dynamic_cast<Cable*>(copy.get()));
    EXPECT_EQ(copy->element, mesh);
    EXPECT_EQ(mesh->useCount, 2);
}
