// Picks against scene targets holding analytically drawn spheres: each pixel of a sphere writes the
// ids, colour, light, camera-space normal, depth and layer stencil a layer draw would, so the pick can
// be checked against the surface itself.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include <QOpenGLFunctions_4_0_Core>

#include "gpu/FBOScene.h"
#include "gpu/Filters.h"
#include "gpu/GLFunctions.h"
#include "gpu/GeometryBuffers.h"
#include "gpu/Shader.h"
#include "scene/CameraMatrices.h"
#include "scene/Element.h"
#include "scene/Scene.h"
#include "scene/Tool.h"
#include "viewport/GLView.h"
#include "viewport/Keyboard.h"
#include "viewport/PickReadback.h"
#include "VecExpect.h"

using namespace kal;

namespace {

class Blob : public Element {
public:
    Blob() : Element(MeshType) {}
};

struct Sphere {
    vec3 centre;
    float radius;
    uint32_t id;   // as written, flag bit included
    uint32_t item; // left half; the right half writes item + 1
    uint32_t materialWord;
    bool writeNormal = true;
};

std::unique_ptr<Shader> sphereProgram() {
    return std::unique_ptr<Shader>(Shader::fromLines({
        "##VERTEX",
        "#version 330 core",
        "layout(location = 0) in vec3 Position;",
        "uniform mat4 ProjectionModelViewMatrix;",
        "void main() { gl_Position = vec4(Position, 1.0) * ProjectionModelViewMatrix; }",
        "##FRAGMENT",
        "#version 330 core",
        "uniform mat4 InverseProjectionView;",
        "uniform mat4 ProjectionView;",
        "uniform mat4 CameraRotation;",
        "uniform vec2 Size;",
        "uniform vec3 Centre;",
        "uniform float Radius;",
        "uniform int ObjectId;",
        "uniform int Item;",
        "uniform int MaterialWord;",
        "uniform int WriteNormal;",
        "layout(location = 0) out uvec3 Id;",
        "layout(location = 1) out vec4 Color;",
        "layout(location = 2) out vec4 Light;",
        "layout(location = 3) out vec3 Normal;",
        "vec3 unproject(vec3 ndc) { vec4 w = vec4(ndc, 1.0) * InverseProjectionView; return w.xyz / w.w; }",
        "void main() {",
        "  vec2 ndc = gl_FragCoord.xy / Size * 2.0 - 1.0;",
        "  vec3 a = unproject(vec3(ndc, -1.0));",
        "  vec3 b = unproject(vec3(ndc, 1.0));",
        "  vec3 d = normalize(b - a);",
        // start the ray beside the sphere: from the far clip plane the quadratic loses its digits
        "  a += d * dot(Centre - a, d);",
        "  vec3 o = a - Centre;",
        "  float p = dot(o, d);",
        "  float q = dot(o, o) - Radius * Radius;",
        "  float disc = p * p - q;",
        "  if (disc < 0.0) discard;",
        "  vec3 hit = a + d * (-p - sqrt(disc));",
        "  vec4 clip = vec4(hit, 1.0) * ProjectionView;",
        "  gl_FragDepth = clip.z / clip.w * 0.5 + 0.5;",
        "  vec3 n = normalize(hit - Centre);",
        "  Id = uvec3(uint(ObjectId), uint(Item) + (hit.x > Centre.x ? 1u : 0u), uint(MaterialWord));",
        "  Color = vec4(1.0, 0.5, 0.0, 0.8);",
        "  Light = vec4(0.0, 0.2, 0.4, 1.0);",
        "  Normal = WriteNormal != 0 ? (vec4(n, 0.0) * CameraRotation).xyz : vec3(0.0);",
        "}",
    }));
}

class PickingGL : public ::testing::Test {
protected:
    void SetUp() override {
        gl->glGetError();
        keyboard.reset();
        view = std::make_unique<GLView>(64, 48);
        view->updateCamera();
        view->frame = FrameObject;
        program = sphereProgram();
        clearTargets();
    }
    void TearDown() override {
        keyboard.reset();
        view.reset();
    }

    Tool* addObject(Element* element, vec3 at = {0, 0, 0}) {
        Tool* t = new Tool(element, mat4::translation(at), pbr(), false);
        view->scene->sceneRoot->addChild(t, false);
        view->scene->rebuildToolLists();
        return t;
    }
    uint32_t idOf(Tool* t) { return uint32_t(view->scene->idOf(t)); }

    void clearTargets() {
        for (FBOScene* target :
             {static_cast<FBOScene*>(view->opaqueTarget), static_cast<FBOScene*>(view->transparentTarget)}) {
            ASSERT_TRUE(target->bind());
            const GLuint zeroIds[4] = {0, 0, 0, 0};
            const GLfloat zero[4] = {0, 0, 0, 0};
            gl->glClearBufferuiv(GL_COLOR, 0, zeroIds);
            gl->glClearBufferfv(GL_COLOR, 1, zero);
            gl->glClearBufferfv(GL_COLOR, 2, zero);
            gl->glClearBufferfv(GL_COLOR, 3, zero);
            gl->glClearBufferfi(GL_DEPTH_STENCIL, 0, 1.0f, 0);
            target->unbind();
        }
    }

    void draw(FBOScene& target, const Sphere& s) {
        ASSERT_TRUE(target.bind());
        const GLenum buffers[4] = {GL_COLOR_ATTACHMENT0, GL_COLOR_ATTACHMENT1, GL_COLOR_ATTACHMENT2,
                                   GL_COLOR_ATTACHMENT3};
        gl->glDrawBuffers(4, buffers);
        gl->glViewport(0, 0, target.width, target.height);
        gl->glEnable(GL_DEPTH_TEST);
        gl->glDepthFunc(GL_LESS);
        gl->glEnable(GL_STENCIL_TEST);
        gl->glStencilFunc(GL_ALWAYS, target.layer, 0xFF);
        gl->glStencilOp(GL_KEEP, GL_KEEP, GL_REPLACE);
        ASSERT_TRUE(program->bind());
        setUniformMat4("ProjectionModelViewMatrix", screenQuadMatrix);
        setUniformMat4("InverseProjectionView", cameraMatrices.inverseProjectionView);
        setUniformMat4("ProjectionView", cameraMatrices.projectionView);
        setUniformMat4("CameraRotation", mat4::fromMat3(cameraMatrices.cameraRotation));
        setUniformVec2("Size", vec2(float(target.width), float(target.height)));
        setUniformVec3("Centre", s.centre);
        setUniformFloat("Radius", s.radius);
        setUniformInt("ObjectId", int(s.id));
        setUniformInt("Item", int(s.item));
        setUniformInt("MaterialWord", int(s.materialWord));
        setUniformInt("WriteNormal", s.writeNormal ? 1 : 0);
        drawQuad(true);
        gl->glDisable(GL_DEPTH_TEST);
        gl->glDisable(GL_STENCIL_TEST);
        target.unbind();
        ASSERT_EQ(gl->glGetError(), GLenum(GL_NO_ERROR));
    }

    void cursorAt(int x, int y) {
        view->lastCursorX = x;
        view->lastCursorY = y;
    }

    // The analytic surface point seen at the centre of the cursor's pixel.
    vec3 surfaceAt(const Sphere& s, int x, int y) {
        const vec3 a = view->screenToWorld(float(x) + 0.5f, float(y) + 0.5f, 0.0f);
        const vec3 b = view->screenToWorld(float(x) + 0.5f, float(y) + 0.5f, 1.0f);
        const vec3 d = normalize(b - a);
        const vec3 start = a + d * dot(s.centre - a, d);
        const vec3 o = start - s.centre;
        const float p = dot(o, d), q = dot(o, o) - s.radius * s.radius;
        return start + d * (-p - std::sqrt(p * p - q));
    }

    void holdKey(int key, bool down) {
        uint8_t table[256] = {};
        if (down) table[key] = 0x80;
        keyboard.pollFrom(table);
    }

    std::unique_ptr<GLView> view;
    std::unique_ptr<Shader> program;
};

// One world unit is 48 pixels in this 64 x 48 view; half a pixel is about 0.0104.
constexpr float kHalfPixel = 0.011f;
// roughness 1000, metalness -2000
constexpr uint32_t kMaterialWord = (uint32_t(-2000 + 32767) << 16) | uint32_t(1000 + 32767);

} // namespace

TEST_F(PickingGL, backgroundGivesKindZeroAtFocusDepthAndClearsThePickedPair) {
    Tool* t = addObject(new Blob);
    view->scene->pick(int32_t(idOf(t)));
    ASSERT_NE(view->scene->pickedObject, nullptr);
    cursorAt(10, 10);
    const PickRecord r = view->pickAt(PlaceOnObject, nullptr);
    EXPECT_EQ(r.kind, 0);
    EXPECT_EQ(r.stencilBits, 0);
    EXPECT_EQ(r.objectId, 0u);
    EXPECT_EQ(r.itemId, 0u);
    EXPECT_FLOAT_EQ(r.depth, view->focusDepth());
    test::expectVecNear(r.point, view->screenToWorld(10, 10, view->focusDepth()), 1e-5f);
    test::expectVecNear(r.normal, view->screenNormal(), 1e-6f);
    EXPECT_EQ(view->scene->pickedObject, nullptr);
}

TEST_F(PickingGL, hitGivesObjectItemSurfacePointNormalAndMaterial) {
    Tool* t = addObject(new Blob);
    const Sphere s{{0, 0, 0}, 0.3f, idOf(t), 40, kMaterialWord};
    draw(*view->opaqueTarget, s);
    for (int x : {27, 36}) {
        cursorAt(x, 27);
        const PickRecord r = view->pickAt(PlaceOnObject, nullptr);
        ASSERT_EQ(r.kind, 1);
        EXPECT_EQ(r.stencilBits, 1);
        EXPECT_EQ(r.objectId, idOf(t));
        EXPECT_EQ(r.itemId, x < 32 ? 40u : 41u);
        EXPECT_EQ(r.object, t);
        EXPECT_EQ(view->scene->pickedObject, t);
        const vec3 surface = surfaceAt(s, x, 27);
        test::expectVecNear(r.point, surface, 2 * kHalfPixel);
        EXPECT_NEAR((r.point - s.centre).length(), s.radius, 2 * kHalfPixel);
        test::expectVecNear(r.normal, normalize(surface - s.centre), 5e-3f);
        // the material under the cursor comes from the texels
        EXPECT_EQ(r.surfaceMaterial.roughness, 1000);
        EXPECT_EQ(r.surfaceMaterial.metalness, -2000);
        EXPECT_EQ(r.surfaceMaterial.red, 65535);
        EXPECT_NEAR(r.surfaceMaterial.green, 0.5 * 65535, 300);
        EXPECT_EQ(r.surfaceMaterial.blue, 0);
        EXPECT_NEAR(r.surfaceMaterial.opacity, 0.8 * 65535, 300);
        EXPECT_NEAR(r.surfaceMaterial.lightBlue, 0.4 * 65535, 300);
    }
}

TEST_F(PickingGL, placementFramesFollowTheObjectAndTheHierarchyTarget) {
    Tool* t = addObject(new Blob, {0.5f, 0, 0});
    const Sphere s{{0, 0, 0}, 0.3f, idOf(t), 1, kMaterialWord};
    draw(*view->opaqueTarget, s);
    cursorAt(32, 24);
    view->hierarchyTarget = 2;
    view->relativeToChild = 2;
    PickRecord r = view->pickAt(PlaceOnObject, nullptr);
    ASSERT_EQ(r.kind, 1);
    test::expectVecNear(r.point * r.worldToFrame, r.point - vec3(0.5f, 0, 0), 1e-5f);
    EXPECT_EQ(r.frameToTarget, mat4());
    view->hierarchyTarget = 0;
    r = view->pickAt(PlaceOnObject, nullptr);
    test::expectVecNear((r.point * r.worldToFrame) * r.frameToTarget, r.point, 1e-5f);
    view->relativeToChild = 3;
    r = view->pickAt(PlaceOnObject, nullptr);
    EXPECT_EQ(r.worldToFrame, mat4());
    // an object squashed flat has no inverse: its frame falls back to the identity, never NaN
    t->transform = mat4::uniformScaling(0.0f);
    view->relativeToChild = 2;
    view->hierarchyTarget = 2;
    r = view->pickAt(PlaceOnObject, nullptr);
    EXPECT_EQ(r.worldToFrame, mat4());
    r = view->pickSculpt(PlaceOnObject, nullptr);
    ASSERT_EQ(r.kind, 1);
    EXPECT_EQ(r.worldToFrame, mat4());
}

TEST_F(PickingGL, transparentSurfaceInFrontWinsAndTheSelectionBitIsCleared) {
    Tool* back = addObject(new Blob);
    Tool* front = addObject(new Blob);
    const Sphere opaque{{0, 0, 0}, 0.3f, idOf(back), 7, kMaterialWord};
    const Sphere glass{{0.2f, 0, 0.4f}, 0.2f, idOf(front) | 0x80000000u, 9, kMaterialWord};
    draw(*view->opaqueTarget, opaque);
    draw(*view->transparentTarget, glass);

    cursorAt(42, 24); // x = 0.21: both spheres cover it
    PickRecord r = view->pickAt(PlaceOnObject, nullptr);
    ASSERT_EQ(r.kind, 1);
    EXPECT_EQ(r.stencilBits, 2);
    EXPECT_EQ(r.objectId, idOf(front));
    EXPECT_EQ(r.object, front);
    EXPECT_NEAR(r.point.z, surfaceAt(glass, 42, 24).z, 2 * kHalfPixel);

    cursorAt(22, 24); // x = -0.21: only the opaque sphere
    r = view->pickAt(PlaceOnObject, nullptr);
    ASSERT_EQ(r.kind, 1);
    EXPECT_EQ(r.stencilBits, 1);
    EXPECT_EQ(r.objectId, idOf(back));
}

TEST_F(PickingGL, zeroNormalIsRebuiltFromTheNeighbouringDepths) {
    Tool* t = addObject(new Blob);
    Sphere s{{0, 0, 0}, 0.4f, idOf(t), 1, kMaterialWord};
    s.writeNormal = false;
    draw(*view->opaqueTarget, s);
    cursorAt(40, 30);
    const PickRecord r = view->pickAt(PlaceOnObject, nullptr);
    ASSERT_EQ(r.kind, 1);
    EXPECT_NEAR(r.normal.length(), 1.0f, 1e-4f);
    test::expectVecNear(r.normal, normalize(surfaceAt(s, 40, 30) - s.centre), 0.03f);
}

TEST_F(PickingGL, pivotKeyPutsThePointOnThePivotInEveryPlacementMode) {
    Tool* t = addObject(new Blob);
    t->pivot = mat4::translationXYZ(0.1f, 0.2f, 0.05f);
    draw(*view->opaqueTarget, {{0, 0, 0}, 0.3f, idOf(t), 1, kMaterialWord});
    cursorAt(34, 25);
    const PickRecord plain = view->pickAt(PlaceOnObject, nullptr);
    ASSERT_EQ(plain.kind, 1);
    for (int key : {0x50, int(VkF1)}) {
        holdKey(key, true);
        for (int mode = 1; mode <= 5; ++mode) {
            const PickRecord r = view->pickAt(mode, mode == 1 ? nullptr : &plain);
            EXPECT_EQ(r.kind, 1) << mode;
            test::expectVecNear(r.point, {0.1f, 0.2f, 0.05f}, 1e-5f);
        }
        holdKey(key, false);
    }
}

TEST_F(PickingGL, dragOverBackgroundKeepsIdsAndThePreviousDepth) {
    Tool* t = addObject(new Blob);
    draw(*view->opaqueTarget, {{0, 0, 0}, 0.3f, idOf(t), 5, kMaterialWord});
    cursorAt(33, 25);
    const PickRecord press = view->pickAt(PlaceOnObject, nullptr);
    ASSERT_EQ(press.kind, 1);
    cursorAt(5, 40);
    const PickRecord r = view->pickAt(PlaceOnObject, &press);
    EXPECT_EQ(r.kind, 2);
    EXPECT_EQ(r.objectId, press.objectId);
    EXPECT_EQ(r.object, t);
    EXPECT_NEAR(view->worldToScreen(r.point).z, view->worldToScreen(press.point).z, 1e-3f);
    test::expectVecNear(r.delta, r.point - press.point, 1e-6f);
    // the scene's picked pair stays that of the press
    EXPECT_EQ(view->scene->pickedObject, t);
}

TEST_F(PickingGL, cursorOutsideTheTargetsReadsAsBackground) {
    addObject(new Blob);
    cursorAt(-3, 400);
    const PickRecord r = view->pickAt(PlaceOnObject, nullptr);
    EXPECT_EQ(r.kind, 0);
}

TEST_F(PickingGL, sameDepthSnapsToAPixelGridAnchoredAtThePreviousPoint) {
    PickRecord previous;
    previous.kind = 1;
    previous.point = view->windowToWorld({20.5f, 20.25f, view->worldToScreen({0, 0, 0.1f}).z});
    cursorAt(34, 27);
    view->snapGrid = true;
    view->gridStep = 10;
    const PickRecord r = view->pickAt(PlaceSameDepth, &previous);
    EXPECT_EQ(r.kind, 2);
    const vec3 s = view->worldToScreen(r.point);
    EXPECT_NEAR(s.x, 30.5f, 1e-3f);
    EXPECT_NEAR(s.y, 30.25f, 1e-3f);
    EXPECT_NEAR(r.point.z, 0.1f, 1e-4f);
}

TEST_F(PickingGL, onNormalFollowsTheNormalsScreenDirectionAndIgnoresSinglePixels) {
    PickRecord previous;
    previous.kind = 1;
    previous.point = view->screenToWorld(32, 24, 0.5f);
    previous.normal = {1, 0, 0};
    cursorAt(42, 30);
    PickRecord r = view->pickAt(PlaceOnNormal, &previous);
    EXPECT_EQ(r.kind, 3);
    test::expectVecNear(r.delta, {10.0f / 48.0f, 0, 0}, 1e-4f);
    cursorAt(33, 35);
    r = view->pickAt(PlaceOnNormal, &previous);
    EXPECT_EQ(r.kind, 3);
    EXPECT_EQ(r.delta, vec3(0, 0, 0));
    test::expectVecNear(r.point, previous.point, 1e-6f);
    // a normal facing the camera has no screen direction: the record stays as it was
    previous.normal = {0, 0, 1};
    r = view->pickAt(PlaceOnNormal, &previous);
    EXPECT_EQ(r.kind, 1);
    test::expectVecNear(r.point, previous.point, 1e-6f);
}

TEST_F(PickingGL, orthographicNormalPlaneSeenEdgeOnKeepsTheRecordInsteadOfNaN) {
    PickRecord previous;
    previous.kind = 1;
    previous.point = view->screenToWorld(32, 24, 0.5f);
    previous.normal = {1, 0, 0};
    cursorAt(40, 30);
    // an axis latched by an earlier pick along the normal, and one pointing at the camera: both give
    // a plane whose window normal has no z
    for (vec3 axis : {vec3(1, 0, 0), vec3(0, 0, 1)}) {
        view->latchedAxis = axis;
        const PickRecord r = view->pickAt(PlaceNormalPlane, &previous);
        EXPECT_EQ(r.kind, 1);
        EXPECT_TRUE(std::isfinite(r.point.x) && std::isfinite(r.point.y) && std::isfinite(r.point.z));
        test::expectVecNear(r.point, previous.point, 1e-6f);
    }
    // a sound axis moves the point within the plane of normal and axis
    view->latchedAxis = {0, 0, 0};
    const PickRecord r = view->pickAt(PlaceNormalPlane, &previous);
    EXPECT_EQ(r.kind, 4);
    EXPECT_NEAR(r.point.z, previous.point.z, 1e-3f);
    EXPECT_NE(view->latchedAxis, vec3(0, 0, 0));
}

TEST_F(PickingGL, tangentPlaneFacingTheCameraKeepsTheDepth) {
    PickRecord previous;
    previous.kind = 1;
    previous.point = view->screenToWorld(32, 24, 0.5f);
    previous.normal = {0, 0, 1};
    cursorAt(50, 10);
    const PickRecord r = view->pickAt(PlaceTangentPlane, &previous);
    EXPECT_EQ(r.kind, 5);
    test::expectVecNear(r.point, view->screenToWorld(50, 10, 0.5f), 1e-4f);
    // seen edge-on the tangent plane gives no point
    previous.normal = {1, 0, 0};
    EXPECT_EQ(view->pickAt(PlaceTangentPlane, &previous).kind, 1);
}

TEST_F(PickingGL, sculptPickGivesPointsAndMatricesInTheElementsCoordinates) {
    Blob* blob = new Blob;
    blob->translation = {0.2f, 0, 0};
    blob->scale = 2.0f;
    Tool* t = addObject(blob, {0.25f, 0, 0});
    const Sphere s{{0, 0, 0}, 0.3f, idOf(t), 12, kMaterialWord};
    draw(*view->opaqueTarget, s);
    view->pressure = 0.4f;
    view->penState = 2;
    view->brushMaterial.red = 1234;
    cursorAt(35, 26);
    const PickRecord r = view->pickSculpt(PlaceOnObject, nullptr);
    ASSERT_EQ(r.kind, 1);
    EXPECT_EQ(r.object, t);
    EXPECT_EQ(r.itemId, 13u);
    EXPECT_EQ(r.radius, view->brushSize);
    EXPECT_FLOAT_EQ(r.scale, 0.4f);
    EXPECT_EQ(r.material.red, 1234);
    test::expectVecNear(r.viewAxis, view->screenNormal(), 1e-6f);
    test::expectVecNear(r.point, surfaceAt(s, 35, 26), 2 * kHalfPixel);
    // world -> object -> element: undoing both steps gives the world point back
    const vec3 local = r.point * r.worldToFrame;
    test::expectVecNear(local, r.point - vec3(0.25f, 0, 0), 1e-5f);
    const vec3 element = local * r.frameToTarget;
    test::expectVecNear(element * blob->inverseTransform(), local, 1e-5f);
    EXPECT_EQ(view->scene->pickedObject, t);
}

TEST_F(PickingGL, sculptPickRefusesObjectsWithoutAnElementAndLeavesSelectionOnBackground) {
    Tool* bare = addObject(nullptr);
    draw(*view->opaqueTarget, {{0, 0, 0}, 0.3f, idOf(bare), 1, kMaterialWord});
    view->scene->select(int32_t(idOf(bare)));
    cursorAt(32, 24);
    const PickRecord r = view->pickSculpt(PlaceOnObject, nullptr);
    EXPECT_EQ(r.kind, 6);
    EXPECT_EQ(r.cursorX, 0);
    EXPECT_EQ(r.object, nullptr);
    EXPECT_EQ(view->scene->selectedObject, nullptr);
    EXPECT_EQ(view->scene->pickedObject, nullptr);

    view->scene->select(int32_t(idOf(bare)));
    cursorAt(2, 2);
    EXPECT_EQ(view->pickSculpt(PlaceOnObject, nullptr).kind, 0);
    EXPECT_EQ(view->scene->selectedObject, bare);
}

TEST_F(PickingGL, strokeCrossingOntoAnotherObjectKeepsItsItemToolsAndMatrices) {
    Tool* a = addObject(new Blob, {-0.3f, 0, 0});
    Tool* b = addObject(new Blob, {0.3f, 0, 0});
    draw(*view->opaqueTarget, {{-0.3f, 0, 0}, 0.25f, idOf(a), 100, kMaterialWord});
    draw(*view->opaqueTarget, {{0.3f, 0, 0}, 0.25f, idOf(b), 200, kMaterialWord});
    cursorAt(14, 24);
    const PickRecord start = view->pickSculpt(PlaceOnObject, nullptr);
    ASSERT_EQ(start.object, a);
    cursorAt(50, 24);
    const PickRecord r = view->pickSculpt(PlaceOnObject, &start);
    EXPECT_EQ(r.kind, 1);
    EXPECT_EQ(r.objectId, idOf(b));
    EXPECT_EQ(r.itemId, start.itemId);
    EXPECT_EQ(r.object, a);
    EXPECT_EQ(r.worldToFrame, start.worldToFrame);
    test::expectVecNear(r.delta, r.point - start.point, 1e-6f);
}

TEST_F(PickingGL, pressPlacementMakesOnePlacementPerSymmetricCopy) {
    Tool* t = addObject(new Blob);
    draw(*view->opaqueTarget, {{0, 0, 0}, 0.3f, idOf(t), 1, kMaterialWord});
    view->setMode(ASSEMBLY);
    view->setAssemblyCommand(Command::Insert);
    view->symmetry = SymmetrySetting{};
    cursorAt(38, 27);
    ASSERT_EQ(view->pressPlacement(), 1);
    ASSERT_EQ(view->placements.size(), 1u);
    EXPECT_EQ(view->firstPlacement, view->placements[0]);
    // the first copy sits at the pick, in the object's frame
    test::expectVecNear(vec3(0, 0, 0) * view->placements[0], view->pressPick.point * view->pressPick.worldToFrame,
                        1e-5f);

    view->symmetry = SymmetrySetting{1, 0, 0, 0, 0, 1, 4};
    ASSERT_EQ(view->pressPlacement(), 1);
    ASSERT_EQ(view->placements.size(), 8u);
    const vec3 first = vec3(0, 0, 0) * view->placements[0];
    for (const mat4& m : view->placements) {
        const vec3 o = vec3(0, 0, 0) * m;
        EXPECT_NEAR(vec3(o.x, o.y, 0).length(), vec3(first.x, first.y, 0).length(), 1e-4f);
        EXPECT_NEAR(o.z, first.z, 1e-4f);
    }
}

TEST_F(PickingGL, snapSymmetryMergesACopyNearTheMirrorPlaneOntoIt) {
    Tool* t = addObject(new Blob);
    draw(*view->opaqueTarget, {{0, 0, 0}, 0.3f, idOf(t), 1, kMaterialWord});
    view->setMode(ASSEMBLY);
    view->setAssemblyCommand(Command::Insert);
    view->symmetry = SymmetrySetting{1, 0, 0, 0, 0, 0, 6};
    view->snapSymmetry = true;
    view->symmetryThreshold = 0.5f;
    view->brushSize = 4.0f; // merge within 2 pixels
    cursorAt(32, 27);
    ASSERT_EQ(view->pressPlacement(), 1);
    EXPECT_EQ(view->placements.size(), 1u);
    EXPECT_EQ(view->symmetryMerges.size(), 1u);
    EXPECT_NEAR(view->pressPick.point.x, 0.0f, 1e-5f);

    cursorAt(44, 27); // a quarter unit off the plane: two copies
    ASSERT_EQ(view->pressPlacement(), 1);
    EXPECT_EQ(view->placements.size(), 2u);
    EXPECT_TRUE(view->symmetryMerges.empty());
}

TEST_F(PickingGL, perspectivePicksLandOnTheSurfaceAndPlanePlacementsStayUnderTheCursor) {
    view->perspective = 1;
    view->updateCamera();
    Tool* t = addObject(new Blob);
    const Sphere s{{0, 0, 0}, 0.3f, idOf(t), 1, kMaterialWord};
    draw(*view->opaqueTarget, s);
    cursorAt(36, 27);
    const PickRecord hit = view->pickAt(PlaceOnObject, nullptr);
    ASSERT_EQ(hit.kind, 1);
    EXPECT_NEAR((hit.point - s.centre).length(), s.radius, 0.02f);
    test::expectVecNear(hit.normal, normalize(surfaceAt(s, 36, 27) - s.centre), 0.01f);

    cursorAt(45, 15);
    for (int mode : {PlaceNormalPlane, PlaceTangentPlane}) {
        view->latchedAxis = {0, 0, 0};
        const PickRecord r = view->pickAt(mode, &hit);
        ASSERT_EQ(r.kind, mode);
        const vec3 w = view->worldToScreen(r.point);
        EXPECT_NEAR(w.x, 45.0f, 0.05f) << mode;
        EXPECT_NEAR(w.y, 15.0f, 0.05f) << mode;
        test::expectVecNear(r.delta, r.point - hit.point, 1e-5f);
    }
    // the tangent plane holds the previous point: the move is across the normal
    const PickRecord r = view->pickAt(PlaceTangentPlane, &hit);
    EXPECT_NEAR(dot(r.point - hit.point, hit.normal), 0.0f, 1e-3f);
}

TEST_F(PickingGL, placeDragKeepsTheScreenMirrorPlaneOfThePressWhileTheCameraTurns) {
    Tool* t = addObject(new Blob);
    draw(*view->opaqueTarget, {{0, 0, 0}, 0.3f, idOf(t), 1, kMaterialWord});
    std::unique_ptr<Tool> pending(new Tool(new Blob, mat4(), pbr(), false));
    view->pendingTool = pending.get();
    view->setMode(ASSEMBLY);
    view->setAssemblyCommand(Command::Place);
    view->frame = FrameScreen;
    view->symmetry = SymmetrySetting{1, 0, 0, 0, 0, 0, 6};
    view->relativeToChild = 3;
    view->hierarchyTarget = 0; // placements in world space
    cursorAt(38, 27);
    ASSERT_EQ(view->pressPlacement(), 1);
    const vec3 press = view->pressPick.point;

    // the same pixel is no drag
    EXPECT_EQ(view->dragPlacement(), 0);
    EXPECT_EQ(view->hoverPick.kind, 6);

    view->rotateView(0, 1.5707964f, 0);
    view->updateCamera();
    cursorAt(44, 30);
    ASSERT_EQ(view->dragPlacement(), 1);
    ASSERT_EQ(view->placements.size(), 2u);
    test::expectVecNear(vec3(0, 0, 0) * view->placements[0], press, 1e-4f);
    // mirrored across the screen's x = 0 plane as it stood at the press, which is world x = 0
    test::expectVecNear(vec3(0, 0, 0) * view->placements[1], {-press.x, press.y, press.z}, 1e-4f);
    view->pendingTool = nullptr;
}

TEST_F(PickingGL, multiplyPreviewListsTheCopiesWithoutTheOriginal) {
    Tool* t = addObject(new Blob);
    draw(*view->opaqueTarget, {{0, 0, 0}, 0.3f, idOf(t), 1, kMaterialWord});
    view->setMode(ASSEMBLY);
    view->setAssemblyCommand(Command::Multiply);
    view->symmetry = SymmetrySetting{1, 0, 0, 0, 0, 1, 3};
    cursorAt(36, 26);
    EXPECT_EQ(view->pressPlacement(), 0); // no gesture yet
    view->busy = 1;
    ASSERT_EQ(view->pressPlacement(), 1);
    ASSERT_EQ(view->placements.size(), 5u);
    for (const mat4& m : view->placements) EXPECT_NE(m, mat4());
    EXPECT_EQ(view->scene->workLists.size(), 5);
    view->busy = 0;
}

TEST_F(PickingGL, drawingsFirstNormalPlanePickOrientsThePlacementsAlongItsFirstTwoAnchors) {
    Tool* t = addObject(new Blob);
    draw(*view->opaqueTarget, {{0, 0, 0}, 0.3f, idOf(t), 1, kMaterialWord});
    view->setMode(ASSEMBLY);
    view->setAssemblyCommand(Command::Draw);
    view->symmetry = SymmetrySetting{1, 0, 0, 0, 0, 0, 6};
    cursorAt(38, 27);
    ASSERT_EQ(view->pressPlacement(), 1);
    PickRecord first = view->pressPick, second = view->pressPick;
    second.point = first.point + vec3(0, 0.1f, 0);
    view->assemblor.picks = {first, second};
    view->busy = 3;
    cursorAt(40, 30);
    const PickRecord r = view->pickAt(PlaceNormalPlane, &second);
    EXPECT_EQ(view->busy, 4);
    test::expectVecNear(view->pressPick.normal, {0, 1, 0}, 1e-6f);
    ASSERT_EQ(view->placements.size(), 2u);
    EXPECT_EQ(view->firstPlacement, view->placements[0]);
    // a Draw on an object is turned upright: its Y axis follows the anchors' direction
    test::expectVecNear(normalize(transformDirection({0, 1, 0}, view->placements[0])), {0, 1, 0}, 1e-5f);
    EXPECT_EQ(r.kind, 4);
    view->busy = 0;
}
