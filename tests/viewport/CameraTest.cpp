#include <cmath>

#include <gtest/gtest.h>

#include "viewport/Camera.h"
#include "VecExpect.h"

using namespace kal;

namespace {

ProjectionSettings target(int w, int h, int perspective, float fov = 60.0f) {
    ProjectionSettings p;
    p.width = w;
    p.height = h;
    p.perspective = perspective;
    p.fieldOfView = fov;
    return p;
}

CameraState turnedPannedZoomed() {
    CameraState c;
    rotateCamera(c, 0.3f, -0.7f, 1.1f);
    c.translation = {40.0f, -25.0f, 3.0f};
    c.scale = 1.7f;
    return c;
}

} // namespace

TEST(Camera, OrthographicDefaultMapsWorkedExampleToWindow) {
    CameraMatrices m;
    ProjectionSettings p = target(1000, 800, 0);
    computeCameraMatrices(CameraState(), p, m);
    test::expectVecNear(worldToScreen(p, m, {0.5f, 0.25f, 0.0f}), {900.0f, 600.0f, 0.0f}, 1e-3f);
}

TEST(Camera, PerspectiveKeepsThePivotPlaneWhereOrthographicPutsIt) {
    CameraMatrices ortho, persp;
    ProjectionSettings po = target(1000, 800, 0, 90.0f), pp = target(1000, 800, 1, 90.0f);
    computeCameraMatrices(CameraState(), po, ortho);
    const float focal = computeCameraMatrices(CameraState(), pp, persp);
    EXPECT_NEAR(focal, 500.0f, 1e-3f);
    for (vec3 p : {vec3{0.5f, 0.25f, 0}, vec3{-0.3f, 0.4f, 0}, vec3{0, 0, 0}}) {
        vec3 a = worldToScreen(po, ortho, p), b = worldToScreen(pp, persp, p);
        EXPECT_NEAR(a.x, b.x, 1e-2f);
        EXPECT_NEAR(a.y, b.y, 1e-2f);
    }
}

TEST(Camera, WindowAndWorldRoundTripInBothProjections) {
    for (int perspective : {0, 1}) {
        CameraMatrices m;
        ProjectionSettings p = target(1280, 720, perspective);
        computeCameraMatrices(turnedPannedZoomed(), p, m);
        for (vec3 w : {vec3{0.1f, 0.2f, 0.05f}, vec3{-0.4f, 0.3f, -0.2f}, vec3{0.0f, -0.35f, 0.15f}}) {
            vec3 back = windowToWorld(p, m, worldToScreen(p, m, w));
            test::expectVecNear(back, w, 2e-3f);
            // depth-buffer values go the other way through screenToWorld
            vec3 ndc = worldToNdc(m, w);
            vec3 s = ndcToWindow(p, ndc);
            test::expectVecNear(screenToWorld(p, m, s.x, s.y, (ndc.z + 1.0f) * 0.5f), w, 2e-3f);
        }
    }
}

TEST(Camera, OrthographicDepthSpansMinusFarToFar) {
    CameraMatrices m;
    ProjectionSettings p = target(1000, 800, 0);
    computeCameraMatrices(CameraState(), p, m);
    EXPECT_FLOAT_EQ(nearPlaneOf(p), -10000.0f);
    // view z = f goes to ndc -1, z = -f to +1
    EXPECT_NEAR(viewZToDepth(m, 10000.0f), 0.0f, 1e-6f);
    EXPECT_NEAR(viewZToDepth(m, -10000.0f), 1.0f, 1e-6f);
    vec3 nearest = ndcToWindow(p, {0, 0, -1});
    vec3 farthest = ndcToWindow(p, {0, 0, 1});
    EXPECT_FLOAT_EQ(nearest.z, -10000.0f);
    EXPECT_FLOAT_EQ(farthest.z, 10000.0f);
}

TEST(Camera, LineProjectionIsOffsetTowardTheViewerOnly) {
    CameraMatrices ortho, persp;
    computeCameraMatrices(CameraState(), target(800, 600, 0), ortho);
    computeCameraMatrices(CameraState(), target(800, 600, 1), persp);
    EXPECT_NEAR(ortho.projection.m[11] - ortho.lineProjection.m[11], 1.5f / 10000.0f, 1e-9f);
    EXPECT_NEAR(persp.projection.m[11] - persp.lineProjection.m[11], 0.012f, 1e-6f);
    for (int i = 0; i < 16; ++i)
        if (i != 11) {
            EXPECT_EQ(ortho.projection.m[i], ortho.lineProjection.m[i]);
            EXPECT_EQ(persp.projection.m[i], persp.lineProjection.m[i]);
        }
}

TEST(Camera, DepthAndViewZAreInverse) {
    for (int perspective : {0, 1}) {
        CameraMatrices m;
        computeCameraMatrices(CameraState(), target(800, 600, perspective), m);
        for (float z : {-20.0f, -500.0f, -3000.0f}) {
            float d = viewZToDepth(m, z);
            EXPECT_GE(d, 0.0f);
            EXPECT_LE(d, 1.0f);
            EXPECT_NEAR(depthToViewZ(m, d), z, std::fabs(z) * 1e-3f);
        }
    }
}

TEST(Camera, DirectionsRotateAndNormaliseButZeroStaysZero) {
    CameraMatrices m;
    computeCameraMatrices(turnedPannedZoomed(), target(800, 600, 0), m);
    vec3 zero = worldToViewDirection(m, {0, 0, 0});
    EXPECT_EQ(zero.x, 0.0f);
    EXPECT_EQ(zero.y, 0.0f);
    EXPECT_EQ(zero.z, 0.0f);
    vec3 v = worldToViewDirection(m, {3, -4, 12});
    EXPECT_NEAR(v.length(), 1.0f, 1e-6f);
    test::expectVecNear(viewToWorldDirection(m, v), normalize(vec3{3, -4, 12}), 1e-5f);
}

TEST(Camera, ZeroSizedTargetGivesFiniteMatrices) {
    for (int perspective : {0, 1}) {
        CameraMatrices m;
        ProjectionSettings p = target(0, 0, perspective);
        float focal = computeCameraMatrices(CameraState(), p, m);
        EXPECT_TRUE(std::isfinite(focal));
        for (float e : m.projectionView.m) EXPECT_TRUE(std::isfinite(e));
        vec3 w = screenToWorld(p, m, 0.0f, 0.0f, 0.5f);
        EXPECT_TRUE(std::isfinite(w.x) && std::isfinite(w.y) && std::isfinite(w.z));
    }
}

TEST(Camera, DegenerateFieldOfViewKeepsAFiniteFocalLength) {
    CameraMatrices m;
    for (float fov : {0.0f, 180.0f, -30.0f}) {
        float focal = computeCameraMatrices(CameraState(), target(800, 600, 1, fov), m);
        EXPECT_TRUE(std::isfinite(focal) && focal > 0.0f) << fov;
        for (float e : m.inverseProjectionView.m) EXPECT_TRUE(std::isfinite(e)) << fov;
    }
}

TEST(Camera, InverseOfSingularMatrixIsIdentityNotNaN) {
    mat4 singular;
    for (float& e : singular.m) e = 1.0f;
    mat4 r = inverseFull(singular);
    for (int i = 0; i < 16; ++i) EXPECT_EQ(r.m[i], (i % 5 == 0) ? 1.0f : 0.0f);
}

TEST(CameraOperations, ZoomScalesTranslationAndNeverGoesBelowFloor) {
    CameraState c;
    c.translation = {10, 20, 30};
    zoomCamera(c, -120.0f / 1000.0f);
    EXPECT_NEAR(c.scale, 0.88f, 1e-6f);
    EXPECT_NEAR(c.translation.y, 17.6f, 1e-4f);
    zoomCamera(c, -1.5f); // a factor below zero
    EXPECT_FLOAT_EQ(c.scale, kMinCameraScale);
}

TEST(CameraOperations, TurntableMakesAFullTurnIn1440Steps) {
    CameraState c;
    rotateCamera(c, 0.2f, 0.0f, 0.0f);
    mat3 start = c.rotation;
    for (int i = 0; i < 720; ++i) turnCamera(c);
    // half a turn about the camera's own Y: a point on its X axis comes out mirrored
    vec3 x = vec3{1, 0, 0} * c.rotation, x0 = vec3{1, 0, 0} * start;
    EXPECT_NEAR(x.x, -x0.x, 1e-3f);
    for (int i = 0; i < 720; ++i) turnCamera(c);
    for (int i = 0; i < 9; ++i) EXPECT_NEAR(c.rotation.m[i], start.m[i], 2e-3f);
}
