// The cable's Bezier tube between two ends: placed at the first real length, left alone while
// nothing moves, stretched with a section of one size, and copied with a tube of its own.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "elements/BezierCurve.h"
#include "elements/Tube.h"
#include "mesh/Mesh.h"
#include "tools/Cable.h"

using namespace kal;

namespace {

// A cable at the origin, its bare far end on +z; both under one root that frees them.
struct Link {
    std::unique_ptr<Root> root = std::make_unique<Root>();
    Cable* cable;
    BiTool* far;
    Link(Cable* c, float distance) : cable(c) {
        far = new BiTool(BiToolBare, nullptr, mat4::translation(vec3(0, 0, distance)), pbr(), false);
        root->addChild(cable, false);
        root->addChild(far, false);
        cable->attachPartner(far);
    }
    explicit Link(float distance) : Link(new Cable(Curve::makeCircle(8, false), mat4(), pbr(), false), distance) {}
    // One placement walk; answers the matrix the cable is drawn with.
    mat4 walk() {
        std::vector<Tool*> items;
        std::vector<mat4> matrices;
        std::vector<int32_t> groups, args;
        beginPlacementWalk(true);
        root->collectWorldTransforms(items, matrices, groups, args, mat4(), 0, -1);
        const size_t i = items[0] == cable ? 0 : 1;
        return cable->modelMatrix(matrices.at(i));
    }
};

bool finite(const mat4& m) {
    for (float x : m.m)
        if (!std::isfinite(x)) return false;
    return true;
}

// How far from the axis a section point is drawn: its local point carried by M.
float drawnRadius(Cable& c, const mat4& M) {
    Tube* t = c.tube();
    return length(transformDirection(t->sectionToLocal(t->section->points[0].position), M));
}

} // namespace

TEST(Cable, nothingIsShapedBeforeARealLengthNorForAnElementThatIsNoBezierTube) {
    Link lone(0.0f); // coincident ends: L = 0
    EXPECT_EQ(lone.cable->axis()->pointCount(), cableAxisSegments + 1);
    const float scale = lone.cable->tube()->sectionScale;
    EXPECT_TRUE(finite(lone.walk()));
    EXPECT_TRUE(finite(lone.cable->modelMatrix(mat4())));
    EXPECT_EQ(lone.cable->axis()->handle, -1.0f);
    EXPECT_EQ(lone.cable->tube()->sectionScale, scale);

    Link other(4.0f);
    Mesh* mesh = Mesh::createCube();
    other.cable->setElement(mesh);
    EXPECT_TRUE(finite(other.walk()));
    std::unique_ptr<Tool> copy(other.cable->copy(false));
    EXPECT_TRUE(dynamic_cast<Cable*>(copy.get()) && copy->element == mesh);
}

TEST(Cable, theAxisSpansTheLinkAndTheSectionKeepsItsSizeWhenStretched) {
    Link w(4.0f);
    const mat4 M = w.walk();
    BezierCurve* axis = w.cable->axis();
    EXPECT_EQ(axis->handle, 4.0f);
    EXPECT_EQ(w.cable->tube()->sectionScale, 50.0f);
    EXPECT_NEAR((axis->points.back().position * M).z, 4.0f, 1e-5f);
    const float radius = drawnRadius(*w.cable, M);
    EXPECT_NEAR(radius, 4.0f / 50.0f, 1e-6f);
    // nothing moves, or less than 1 %: the points stay where they are
    const std::vector<CurvePoint> before = axis->points;
    w.walk();
    w.far->transform = mat4::translation(vec3(0, 0, 4.02f));
    w.walk();
    EXPECT_EQ(axis->lastDistance, 4.0f);
    for (size_t i = 0; i < before.size(); ++i) EXPECT_EQ(axis->points[i].position, before[i].position);

    w.far->transform = mat4::translation(vec3(0, 0, 8));
    const mat4 stretched = w.walk();
    EXPECT_EQ(w.cable->tube()->sectionScale, 100.0f);
    EXPECT_NEAR((axis->points.back().position * stretched).z, 8.0f, 1e-5f);
    EXPECT_NEAR(drawnRadius(*w.cable, stretched), radius, 1e-6f);
}

TEST(Cable, aCopyHasItsOwnTubeAndAxisOnTheSharedSectionAndRebuildsWithItsOwnScale) {
    Link w(4.0f);
    w.walk();
    Curve* section = w.cable->tube()->section;
    auto* copy = static_cast<Cable*>(w.cable->copy(false));
    {
        Link twice(copy, 8.0f); // rest length 4 taken over: scale 100 against the source's 50
        EXPECT_TRUE(copy->tube() != w.cable->tube() && copy->axis() != w.cable->axis());
        EXPECT_EQ(copy->tube()->section, section);
        EXPECT_EQ(copy->axis()->handle, -1.0f);
        EXPECT_EQ(section->useCount, 2);
        // each tube keeps its own scale for the shared section, which is left as it was: once
        // both are shaped, frames in which nothing moves rebuild neither
        const float sectionScale = section->scale;
        frameCounter = 1000;
        twice.walk();
        w.walk();
        EXPECT_EQ(copy->tube()->sectionScale, 100.0f);
        EXPECT_EQ(w.cable->tube()->sectionScale, 50.0f);
        for (int32_t frame : {1001, 1002, 1003}) {
            frameCounter = frame;
            w.walk();
            twice.walk();
        }
        EXPECT_LE(w.cable->tube()->stamp, 1000);
        EXPECT_LE(copy->tube()->stamp, 1000);
        EXPECT_EQ(section->scale, sectionScale);
    }
    EXPECT_EQ(section->useCount, 1); // axis, tube and the share of the section went with the copy
}

TEST(Cable, twoCablesHoldingOneTubeShapeItOncePerFrameAndNotAgainWhileNothingMoves) {
    Link first(4.0f);
    Link second(8.0f);
    second.cable->setElement(first.cable->tube());
    for (int32_t frame : {2000, 2001, 2002}) {
        frameCounter = frame;
        first.walk();
        second.walk();
    }
    // shaped by the first to reach it, at its length, in the first frame only
    EXPECT_EQ(first.cable->tube()->sectionScale, 50.0f);
    EXPECT_LE(first.cable->tube()->stamp, 2000);
}
