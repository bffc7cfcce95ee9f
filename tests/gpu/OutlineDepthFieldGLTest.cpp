#include "gpu/OutlineDepthField.h"

#include "gpu/GLCallCounter.h"
#include "gpu/GLFunctions.h"
#include "gpu/TextureUnits.h"

#include <QOpenGLFunctions_4_0_Core>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>

namespace {

using kal::Outline;
using kal::vec2;
using kal::vec3;

struct FieldMesh {
    std::vector<vec3> points;
    std::vector<bool> flags;
    std::vector<int> triangles;
};

Outline polygon(std::vector<vec2> points, std::vector<bool> flags = {}) {
    flags.resize(points.size(), false);
    return Outline{std::move(points), std::move(flags)};
}

Outline square(float side) { return polygon({{0, 0}, {side, 0}, {side, side}, {0, side}}); }

FieldMesh field(const Outline& outline, int profile, float resolution) {
    FieldMesh mesh;
    EXPECT_TRUE(
        kal::outlineDepthField(outline, mesh.points, mesh.flags, mesh.triangles, std::uint8_t(profile), resolution));
    return mesh;
}

// The invariants every result keeps: indices in range, one flag per point, finite
// points inside the outline's box, heights not below the plate.
void expectSoundMesh(const FieldMesh& mesh, vec2 low, vec2 high) {
    ASSERT_FALSE(mesh.points.empty());
    ASSERT_FALSE(mesh.triangles.empty());
    EXPECT_EQ(mesh.flags.size(), mesh.points.size());
    EXPECT_EQ(mesh.triangles.size() % 3, 0u);
    for (int index : mesh.triangles) {
        ASSERT_GE(index, 0);
        ASSERT_LT(std::size_t(index), mesh.points.size());
    }
    const float slack = 1e-4f * std::max(high.x - low.x, high.y - low.y);
    for (const vec3& p : mesh.points) {
        ASSERT_TRUE(kal::isFinite(p));
        EXPECT_GE(p.x, low.x - slack);
        EXPECT_LE(p.x, high.x + slack);
        EXPECT_GE(p.y, low.y - slack);
        EXPECT_LE(p.y, high.y + slack);
        EXPECT_GE(p.z, 0.0f);
    }
}

const vec3& highest(const FieldMesh& mesh) {
    return *std::max_element(mesh.points.begin(), mesh.points.end(),
                             [](const vec3& a, const vec3& b) { return a.z < b.z; });
}

class OutlineDepthFieldGL : public ::testing::Test {
protected:
    void SetUp() override { kal::gl->glGetError(); }
    void TearDown() override {
        EXPECT_EQ(kal::gl->glGetError(), GLenum(GL_NO_ERROR));
        EXPECT_EQ(kal::textureUnitCounter, 0);
        GLint framebuffer = -1;
        kal::gl->glGetIntegerv(GL_FRAMEBUFFER_BINDING, &framebuffer);
        EXPECT_EQ(framebuffer, 0);
    }
};

TEST_F(OutlineDepthFieldGL, DistanceProfilePeaksAtTheCentreOfASquare) {
    const FieldMesh mesh = field(square(10), 4, 32);
    expectSoundMesh(mesh, {0, 0}, {10, 10});
    const vec3& top = highest(mesh);
    const float cell = 10.0f / 32.0f;
    EXPECT_NEAR(top.x, 5.0f, 1.5f * cell);
    EXPECT_NEAR(top.y, 5.0f, 1.5f * cell);
    // Half the side, less what smoothing takes off the tip.
    EXPECT_GT(top.z, 4.0f);
    EXPECT_LT(top.z, 5.0f + cell);
}

TEST_F(OutlineDepthFieldGL, EveryProfileGivesASoundMeshOverTheSameGrid) {
    const FieldMesh flat = field(square(10), 0, 12);
    for (int profile = 1; profile <= 8; ++profile) {
        SCOPED_TRACE(profile);
        const FieldMesh mesh = field(square(10), profile, 12);
        expectSoundMesh(mesh, {0, 0}, {10, 10});
        ASSERT_EQ(mesh.points.size(), flat.points.size());
        EXPECT_EQ(mesh.triangles, flat.triangles);
        for (std::size_t i = 0; i < mesh.points.size(); ++i) {
            EXPECT_EQ(mesh.points[i].x, flat.points[i].x);
            EXPECT_EQ(mesh.points[i].y, flat.points[i].y);
        }
        EXPECT_GT(highest(mesh).z, 2.0f);
        EXPECT_LT(highest(mesh).z, 6.0f);
    }
}

TEST_F(OutlineDepthFieldGL, FlatProfileTouchesNoGpuState) {
    const long programs = kal::glCallCounts().useProgram;
    const FieldMesh mesh = field(square(3), 0, 10);
    expectSoundMesh(mesh, {0, 0}, {3, 3});
    for (const vec3& p : mesh.points) EXPECT_EQ(p.z, 0.0f);
    EXPECT_EQ(kal::glCallCounts().useProgram, programs);
}

TEST_F(OutlineDepthFieldGL, OnlyPinnedOutlinePointsMakeFlaggedVertices) {
    const Outline outline = polygon({{0, 0}, {8, 0}, {8, 8}, {0, 8}}, {true, false, false, false});
    const FieldMesh mesh = field(outline, 0, 8);
    expectSoundMesh(mesh, {0, 0}, {8, 8});
    int flagged = 0;
    for (std::size_t i = 0; i < mesh.points.size(); ++i)
        if (mesh.flags[i]) {
            ++flagged;
            EXPECT_NEAR(mesh.points[i].x, 0.0f, 1e-5f);
            EXPECT_NEAR(mesh.points[i].y, 0.0f, 1e-5f);
        }
    EXPECT_EQ(flagged, 1);
}

TEST_F(OutlineDepthFieldGL, ResultsAreAppendedWithIndicesIntoTheWholeList) {
    FieldMesh mesh;
    mesh.points.assign(5, vec3{9, 9, 9});
    mesh.flags.assign(5, true);
    mesh.triangles = {0, 1, 2};
    ASSERT_TRUE(kal::outlineDepthField(square(4), mesh.points, mesh.flags, mesh.triangles, 0, 8));
    EXPECT_EQ(mesh.points[0], (vec3{9, 9, 9}));
    EXPECT_EQ(mesh.flags.size(), mesh.points.size());
    for (std::size_t i = 3; i < mesh.triangles.size(); ++i) EXPECT_GE(mesh.triangles[i], 5);
}

TEST_F(OutlineDepthFieldGL, OutlinesWithoutAreaAreRefusedWithoutTouchingTheOutput) {
    const std::vector<Outline> degenerate = {
        polygon({{1, 1}, {1, 1}, {1, 1}}), polygon({{0, 0}, {5, 0}, {2, 0}}),   polygon({{0, 0}, {0, 5}, {0, 2}}),
        polygon({{0, 0}, {1, 0}}),         polygon({{0, 0}, {NAN, 0}, {1, 1}}),
    };
    for (const Outline& outline : degenerate) {
        FieldMesh mesh;
        EXPECT_FALSE(kal::outlineDepthField(outline, mesh.points, mesh.flags, mesh.triangles, 4, 16));
        EXPECT_TRUE(mesh.points.empty());
        EXPECT_TRUE(mesh.triangles.empty());
    }
    FieldMesh mesh;
    EXPECT_FALSE(kal::outlineDepthField(square(1), mesh.points, mesh.flags, mesh.triangles, 4, 0.0f));
    EXPECT_FALSE(kal::outlineDepthField(square(1), mesh.points, mesh.flags, mesh.triangles, 4, NAN));
}

TEST_F(OutlineDepthFieldGL, TwoLobesTouchingInOneCellShareAPinchOfTwoVertices) {
    // Two diamonds, one above the other, meeting tip to tip at (4, 4); at this
    // resolution the tip lands in one cell with neighbours above and below only.
    const Outline figureEight = polygon({{4, 4}, {6, 6}, {4, 8}, {2, 6}, {4, 4}, {2, 2}, {4, 0}, {6, 2}});
    const FieldMesh mesh = field(figureEight, 0, 9);
    expectSoundMesh(mesh, {2, 0}, {6, 8});
    // Coincident pairs are made one right after the other; both copies carry triangles.
    std::map<int, int> uses;
    for (int index : mesh.triangles) ++uses[index];
    int pinches = 0;
    for (std::size_t i = 0; i + 1 < mesh.points.size(); ++i)
        if (mesh.points[i] == mesh.points[i + 1]) {
            ++pinches;
            EXPECT_GT(uses[int(i)], 0);
            EXPECT_GT(uses[int(i) + 1], 0);
        }
    EXPECT_GE(pinches, 1);
}

} // namespace
