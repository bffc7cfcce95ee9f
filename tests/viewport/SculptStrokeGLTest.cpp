// Sculpt strokes through the view's frames on a real context: press, drag and release over a lit
// sphere with mirror X on. The image changes only round the stroke and its mirror image, and after
// the release the mesh is sound and its buffer holds what a fresh upload would write.
#include "gpu/FBOScene.h"
#include "gpu/GLFunctions.h"
#include "gpu/GeometryBuffers.h"
#include "gpu/Shader.h"
#include "gpu/Texture2D.h"
#include "elements/Clay.h"
#include "elements/Curve.h"
#include "elements/Tube.h"
#include "mesh/Mesh.h"
#include "scene/Scene.h"
#include "scene/Tool.h"
#include "viewport/GLView.h"
#include "viewport/MouseState.h"
#include "GLTestContext.h"
#include "GLTestTargets.h"
#include "InputFixtures.h"
#include "MeshFixtures.h"
#include "MeshInvariants.h"

#include <QOpenGLFunctions_4_0_Core>
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstring>
#include <memory>
#include <tuple>
#include <vector>

namespace {

using namespace kal;

constexpr int W = 160, H = 120;

struct Image {
    std::vector<unsigned char> px;
    bool differs(const Image& o, int x, int y) const {
        for (int c = 0; c < 3; ++c)
            if (px[size_t((y * W + x) * 4 + c)] != o.px[size_t((y * W + x) * 4 + c)]) return true;
        return false;
    }
};

std::vector<unsigned char> bufferBytes(uint32_t buffer, uint32_t size) {
    std::vector<unsigned char> out(size);
    gl->glBindBuffer(GL_ARRAY_BUFFER, buffer);
    gl->glGetBufferSubData(GL_ARRAY_BUFFER, 0, GLsizeiptr(size), out.data());
    gl->glBindBuffer(GL_ARRAY_BUFFER, 0);
    return out;
}

const char* modeName(int mode) {
    switch (mode) {
    case SelectElement: return "Element";
    case SelectPatch: return "Patch";
    case SelectAllPatches: return "AllPatches";
    default: return "Component";
    }
}

// Where the copies act: on two spheres apart, or overlapping on one sphere the copies map onto itself.
enum class Layout { Apart, Overlapping };

class SculptStroke : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        test::ensureGLContext();
        test::resetSharedGeometry();
    }
    void SetUp() override {
        test::ensureApplication();
        test::resetInput();
        gl->glGetError();
        view = new GLView(W, H);
        view->startupFrame = 4;
        view->animate = false;
        view->textDisplay = false;
        view->glow = false;
        view->outside = false;
        view->updateCamera();
        const uint8_t mirrorX[6] = {1, 0, 0, 0, 0, 0};
        view->setSymmetry(mirrorX, 6);
        view->setMode(SCULPT);
        view->brushSize = 12;
    }
    // A sphere of radius 2 round the origin, which the mirrors in the three axes map onto itself.
    static Mesh* sphere(int subdivisions = 3) {
        Mesh* ico = Mesh::createIcosahedron();
        Mesh* m = Mesh::subdivided(ico, subdivisions, false, true);
        delete ico;
        return m;
    }
    // The element as an object scaled by size pixels (of its own fitted frame) and turned about
    // the world origin.
    Tool* place(Element* e, float size, const mat4& turn = mat4()) {
        mat4 world = mat4::uniformScaling(size * view->pixelVector(false).length());
        world *= turn;
        Tool* t = new Tool(e, world, pbr(), false);
        t->flags |= PlacedFlag;
        view->scene->sceneRoot->addChild(t, false);
        view->scene->rebuildToolLists();
        element = e;
        mesh = dynamic_cast<Mesh*>(e);
        tool = t;
        return t;
    }
    // A point of the element in the world, and where a cursor sees it.
    vec3 worldOf(vec3 p) const {
        mat4 toWorld = element->inverseTransform();
        toWorld *= tool->composeMatrix();
        return p * toWorld;
    }
    // Where the vertices that alive triangles use are in the world.
    std::vector<vec3> worldPositions() const {
        std::vector<char> used(size_t(mesh->vertexCount()), 0);
        for (int t = 0; t < mesh->triangleCount(); ++t)
            if (mesh->triangles[t].alive())
                for (int32_t v : mesh->triangles[t].vertex) used[size_t(v)] = 1;
        std::vector<vec3> out;
        for (int v = 0; v < mesh->vertexCount(); ++v)
            if (used[size_t(v)]) out.push_back(worldOf(mesh->vertices[v].position));
        return out;
    }
    // The alive triangles' corners in the world.
    std::vector<vec3> worldCorners() const {
        std::vector<vec3> out;
        for (int t = 0; t < mesh->triangleCount(); ++t)
            if (mesh->triangles[t].alive())
                for (int32_t v : mesh->triangles[t].vertex) out.push_back(worldOf(mesh->vertices[v].position));
        return out;
    }
    vec2 cursorAt(vec3 world) const {
        const vec3 s = view->worldToScreen(world);
        return {s.x, float(H) - s.y};
    }
    // Two spheres of radius 2 at x = +-kApart, which mirror X and a half turn about y map onto
    // themselves. Far enough apart that no copy's stamp or cut reaches the other sphere: copies
    // that overlap act on each other's result in turn, and the order shows.
    static constexpr float kApart = 4.0f;
    static Mesh* spherePair(int subdivisions = 3) {
        Mesh* pair = sphere(subdivisions);
        Mesh* other = sphere(subdivisions);
        for (int v = 0; v < pair->vertexCount(); ++v) pair->vertices[v].position.x += kApart;
        for (int v = 0; v < other->vertexCount(); ++v) other->vertices[v].position.x -= kApart;
        pair->append(other);
        delete other;
        return pair;
    }
    // A stroke of eight ticks over the sphere of radius 2 round centre (in the element's space), from
    // centre + from * r by step * r a tick, r being that sphere's radius in pixels, which it answers
    // (0 when too small to draw on). A wide brush is as wide as the sphere.
    float strokeOver(vec3 centre, vec2 from, vec2 step, bool wide) {
        const vec2 c = cursorAt(worldOf(centre));
        const float r = c.y - cursorAt(worldOf(centre + vec3(0, 2, 0))).y;
        if (!(r > 10.0f)) return 0.0f;
        if (wide) view->brushSize = r;
        drag(c + from * r, step * r, 8);
        return r;
    }
    // Rests the cursor on empty space, presses at start, drags by `by` a tick and releases.
    void drag(vec2 start, vec2 by, int ticks) {
        frame(2, 2, false);
        frame(3, 2, false);
        frame(start.x, start.y, false);
        frame(start.x, start.y, true);
        for (int i = 1; i <= ticks; ++i) frame(start.x + by.x * float(i), start.y + by.y * float(i), true);
        frame(start.x + by.x * float(ticks), start.y + by.y * float(ticks), false);
    }
    // Apart: a slanted stroke from inside the object round (kApart, 0, 0), out past its outer side,
    // below its centre. Overlapping: a short stroke down from near the top of the object round the
    // origin, right of its axis, with a brush as wide as the sphere, which the mirror copy and the
    // copy turned about y both overlap.
    float strokeFor(Layout layout) {
        return layout == Layout::Apart ? strokeOver({kApart, 0, 0}, {-0.2f, 0.1f}, {0.15f, 0.1f}, false)
                                       : strokeOver({0, 0, 0}, {0.1f, -0.9f}, {0.05f, 0.04f}, true);
    }
    void TearDown() override {
        delete view;
        test::resetInput();
        Shader::unbindCurrent();
        gl->glBindFramebuffer(GL_FRAMEBUFFER, 0);
        EXPECT_EQ(gl->glGetError(), GLenum(GL_NO_ERROR));
    }

    // One tick of the view with the cursor at (x, y); the image it drew, if any.
    Image frame(float x, float y, bool left) {
        rawMouse.x = x;
        rawMouse.y = y;
        rawMouse.left = left ? 1 : 0;
        view->frameReady = true;
        view->redraw = true;
        Texture2D* image = view->update();
        Image out;
        if (!image) return out;
        FBO* owner = nullptr;
        for (FBO* f : view->renderTargets)
            for (Texture2D* x : f->textures)
                if (x == image) owner = f;
        if (!owner) return out;
        out.px.resize(size_t(W * H * 4));
        gl->glBindFramebuffer(GL_READ_FRAMEBUFFER, owner->framebuffer);
        gl->glReadBuffer(GLenum(image->attachment));
        gl->glReadPixels(0, 0, W, H, GL_RGBA, GL_UNSIGNED_BYTE, out.px.data());
        gl->glBindFramebuffer(GL_FRAMEBUFFER, 0);
        return out;
    }
    // The window point (origin bottom left, as read back) of a window cursor position.
    static vec2 readBack(float x, float y) { return vec2(x, float(H) - y); }

    GLView* view = nullptr;
    Element* element = nullptr;
    Mesh* mesh = nullptr;
    Tool* tool = nullptr;
};

} // namespace

TEST_F(SculptStroke, SmoothAndDeformChangeOnlyRoundTheStrokeAndItsMirrorImage) {
    for (Brush brush : {Brush::Smooth, Brush::Deform}) {
        SCOPED_TRACE(brushName(brush));
        view->setSculptBrush(brush);
        if (!mesh) place(sphere(), 45);
        // the cursor rests on empty space while the images are taken: no brush circle in them
        frame(2, 2, false);
        const Image before = frame(3, 2, false);
        ASSERT_FALSE(before.px.empty());
        const float y = H / 2.0f, x0 = W / 2.0f + 14, x1 = W / 2.0f + 26;
        frame(x0, y, false);
        frame(x0, y, true);
        for (float x = x0 + 3; x <= x1; x += 3) frame(x, y, true);
        frame(x1, y, false);
        EXPECT_EQ(view->busy, 0);
        EXPECT_MESH_VALID(*mesh);
        // the release renormalled everything, and its upload covered the whole stroke
        const uint32_t size = mesh->cornerBytesAllocated;
        ASSERT_GT(size, 0u);
        std::vector<unsigned char> uploaded = bufferBytes(mesh->glBuffer, size);
        Mesh fresh(*mesh);
        ASSERT_TRUE(fresh.updateGpu());
        ASSERT_EQ(fresh.cornerBytesAllocated, size);
        const std::vector<unsigned char> full = bufferBytes(fresh.glBuffer, size);
        size_t differing = 0;
        for (size_t i = 0; i < size; ++i) differing += full[i] != uploaded[i];
        EXPECT_EQ(differing, 0u) << "bytes the stroke's uploads left stale";
        fresh.releaseGpu();

        frame(2, 2, false);
        const Image after = frame(3, 2, false);
        ASSERT_FALSE(after.px.empty());
        // the stroke and its mirror image, in read-back coordinates
        const vec3 w0 = view->screenToWorld(x0, y, view->focusDepth()),
                   w1 = view->screenToWorld(x1, y, view->focusDepth());
        const vec3 m0 = view->worldToScreen(vec3(-w0.x, w0.y, w0.z)), m1 = view->worldToScreen(vec3(-w1.x, w1.y, w1.z));
        const vec2 a = readBack(x0, y), b = readBack(x1, y);
        const vec2 c = vec2{m0.x, m0.y}, d = vec2{m1.x, m1.y};
        auto nearSegment = [](vec2 p, vec2 s, vec2 e, float r) {
            vec2 se = e - s;
            float t = std::fmax(0.0f, std::fmin(1.0f, dot(p - s, se) / dot(se, se)));
            return length(p - (s + se * t)) <= r;
        };
        int nearStroke = 0, nearMirror = 0, elsewhere = 0;
        for (int py = 0; py < H; ++py)
            for (int px = 0; px < W; ++px) {
                if (!after.differs(before, px, py)) continue;
                const vec2 p = vec2{float(px), float(py)};
                if (nearSegment(p, a, b, 3 * 12.0f))
                    ++nearStroke;
                else if (nearSegment(p, c, d, 3 * 12.0f))
                    ++nearMirror;
                else
                    ++elsewhere;
            }
        EXPECT_GT(nearStroke, 0);
        EXPECT_GT(nearMirror, 0);
        EXPECT_EQ(elsewhere, 0);
    }
}

namespace {

// Every point has its image under map among the points (and so the image of the set is the set).
::testing::AssertionResult mapsOntoItself(const std::vector<vec3>& points, vec3 (*map)(vec3), float tolerance) {
    for (const vec3& p : points) {
        const vec3 q = map(p);
        float nearest = INFINITY;
        for (const vec3& o : points) nearest = std::fmin(nearest, (o - q).length());
        if (!(nearest <= tolerance))
            return ::testing::AssertionFailure() << "(" << p.x << ", " << p.y << ", " << p.z << ") has no image; the "
                                                 << "nearest point is " << nearest << " away";
    }
    return ::testing::AssertionSuccess();
}

// The closest point of triangle abc to p.
vec3 closestOnTriangle(vec3 p, vec3 a, vec3 b, vec3 c) {
    const vec3 ab = b - a, ac = c - a, ap = p - a;
    const float d1 = dot(ab, ap), d2 = dot(ac, ap);
    if (d1 <= 0 && d2 <= 0) return a;
    const vec3 bp = p - b;
    const float d3 = dot(ab, bp), d4 = dot(ac, bp);
    if (d3 >= 0 && d4 <= d3) return b;
    const float vc = d1 * d4 - d3 * d2;
    if (vc <= 0 && d1 >= 0 && d3 <= 0) return a + ab * (d1 / (d1 - d3));
    const vec3 cp = p - c;
    const float d5 = dot(ab, cp), d6 = dot(ac, cp);
    if (d6 >= 0 && d5 <= d6) return c;
    const float vb = d5 * d2 - d1 * d6;
    if (vb <= 0 && d2 >= 0 && d6 <= 0) return a + ac * (d2 / (d2 - d6));
    const float va = d3 * d6 - d5 * d4;
    if (va <= 0 && d4 - d3 >= 0 && d5 - d6 >= 0) return b + (c - b) * ((d4 - d3) / ((d4 - d3) + (d5 - d6)));
    const float scale = 1.0f / (va + vb + vc);
    return a + ab * (vb * scale) + ac * (vc * scale);
}

// How far the image under map of a surface (three corners a triangle) lies from the surface: the
// corners, edge midpoints and centres of every image triangle against every triangle. The surface
// is its own image whatever the triangles, so this holds where a cut's tessellation may not.
::testing::AssertionResult isItsOwnImage(const std::vector<vec3>& corners, vec3 (*map)(vec3), float tolerance) {
    for (size_t i = 0; i + 2 < corners.size(); i += 3) {
        const vec3 a = map(corners[i]), b = map(corners[i + 1]), c = map(corners[i + 2]);
        for (vec3 p : {a, b, c, (a + b) * 0.5f, (b + c) * 0.5f, (c + a) * 0.5f, (a + b + c) * (1.0f / 3)}) {
            float nearest = INFINITY;
            for (size_t j = 0; j + 2 < corners.size() && nearest > tolerance; j += 3)
                nearest =
                    std::fmin(nearest, length(closestOnTriangle(p, corners[j], corners[j + 1], corners[j + 2]) - p));
            if (!(nearest <= tolerance))
                return ::testing::AssertionFailure() << "(" << p.x << ", " << p.y << ", " << p.z << ") of the image is "
                                                     << nearest << " from the surface";
        }
    }
    return ::testing::AssertionSuccess();
}

vec3 mirroredInX(vec3 p) { return {-p.x, p.y, p.z}; }
vec3 mirroredInY(vec3 p) { return {p.x, -p.y, p.z}; }
vec3 mirroredInZ(vec3 p) { return {p.x, p.y, -p.z}; }
vec3 turnedHalfAboutX(vec3 p) { return {p.x, -p.y, -p.z}; }
vec3 turnedHalfAboutY(vec3 p) { return {-p.x, p.y, -p.z}; }
vec3 turnedHalfAboutZ(vec3 p) { return {-p.x, -p.y, p.z}; }

// A patch border round each sphere's top (and bottom), so that patch actions have an open patch
// to act on.
void markCaps(Mesh& m, bool bottomToo) {
    auto cap = [&](int t) {
        float y = 0;
        for (int32_t v : m.triangles[t].vertex) y += m.vertices[v].position.y;
        return y > 1.5f ? 1 : bottomToo && y < -1.5f ? -1 : 0;
    };
    for (int t = 0; t < m.triangleCount(); ++t)
        for (int k = 0; k < 3; ++k)
            if (cap(t) != cap(m.triangles[t].neighbour[k])) m.setEdgeMark(t, k, true);
}

enum class Copies { MirrorX, TwoAboutY };

using StrokeCase = std::tuple<Brush, Copies, Layout>;

// Cuts, clips and stamps of copies that overlap cut one after another: the same surface, but the
// second copy's cut splits the first one's triangles, so only the shape is compared.
bool cutsTheSurface(Brush brush) {
    return brushGroup(brush) == BrushGroup::Plane || brushGroup(brush) == BrushGroup::Sphere;
}

std::vector<StrokeCase> strokeCases() {
    std::vector<StrokeCase> out;
    for (Brush brush :
         {// moves and surface brushes
          Brush::Move, Brush::CopyMove, Brush::Rotate, Brush::CopyRotate, Brush::Scale, Brush::CopyScale,
          Brush::ScaleDirection, Brush::Deform, Brush::DeformVolume, Brush::Smooth, Brush::Grow, Brush::Pinch,
          Brush::Twist,
          // erases, extrusions and tears
          Brush::EraseComponent, Brush::ErasePatch, Brush::EraseFeature, Brush::Extrude, Brush::ExtrudeScale,
          Brush::ExtrudeDeform, Brush::ExtrudeInflate, Brush::TearNormal, Brush::TearScale, Brush::TearDeform,
          // cuts, clips and stamps
          Brush::CutPlane, Brush::ClipPlane, Brush::SubPlane, Brush::CutSphere, Brush::ClipSphere, Brush::AddSphere,
          Brush::SubSphere, Brush::CutSphereReverse, Brush::AddSphereReverse, Brush::SubSphereReverse})
        for (Copies copies : {Copies::MirrorX, Copies::TwoAboutY}) {
            out.emplace_back(brush, copies, Layout::Apart);
            // a move, turn or stretch acts once on the region both copies share, which cannot
            // stay symmetric; a uniform scale about the region's centre can
            if (brushGroup(brush) != BrushGroup::Region || brush == Brush::Scale || brush == Brush::CopyScale)
                out.emplace_back(brush, copies, Layout::Overlapping);
        }
    return out;
}

class SymmetricStroke : public SculptStroke, public ::testing::WithParamInterface<StrokeCase> {
protected:
    // The middles of the marked edges in the world.
    std::vector<vec3> worldMarks() const {
        std::vector<vec3> out = test::markedEdgeMiddles(*mesh);
        for (vec3& p : out) p = worldOf(p);
        return out;
    }
};

} // namespace

// One stroke over two spheres apart on x, or over one sphere on the axes with copies that overlap:
// whatever the action did, the mesh keeps the symmetry the stroke was copied by.
TEST_P(SymmetricStroke, OneStrokeKeepsTheMeshSymmetric) {
    const auto [brush, copies, layout] = GetParam();
    const uint8_t mirrorX[6] = {1, 0, 0, 0, 0, 0}, aboutY[6] = {0, 0, 0, 0, 1, 0};
    view->setSymmetry(copies == Copies::MirrorX ? mirrorX : aboutY, 2);
    view->setSculptBrush(brush);
    // each copy keeps to its own sphere: region moves in Element mode turn the whole mesh once
    view->setSelectionMode(SelectComponent);
    Mesh* m = layout == Layout::Apart ? spherePair() : sphere();
    markCaps(*m, false);
    place(m, 44);
    vec3 (*const image)(vec3) = copies == Copies::MirrorX ? mirroredInX : turnedHalfAboutY;
    const std::vector<vec3> before = worldPositions(), marksBefore = worldMarks();
    ASSERT_TRUE(mapsOntoItself(before, image, 1e-5f));

    const float r = strokeFor(layout);
    ASSERT_GT(r, 0.0f);
    ASSERT_EQ(view->busy, 0);
    const std::vector<vec3> after = worldPositions(), marksAfter = worldMarks();
    // an erased feature line moves nothing: it only takes marks away
    ASSERT_TRUE(after != before || marksAfter != marksBefore) << "the stroke did nothing";
    const float pixel = view->pixelVector(false).length();
    if (!cutsTheSurface(brush)) {
        EXPECT_TRUE(mapsOntoItself(marksAfter, image, 1e-3f * r * pixel));
    }
    if (layout == Layout::Overlapping && cutsTheSurface(brush)) {
        // where two stamps meet, a triangle of one cut spans the seam as a chord, and the two
        // cuts lay their triangles out differently
        EXPECT_TRUE(isItsOwnImage(worldCorners(), image, 0.02f * r * pixel));
    } else {
        EXPECT_TRUE(mapsOntoItself(after, image, 1e-3f * r * pixel));
    }
}

INSTANTIATE_TEST_SUITE_P(StrokeActions, SymmetricStroke, ::testing::ValuesIn(strokeCases()), [](const auto& info) {
    return std::string("Brush") + brushName(std::get<0>(info.param)) +
           (std::get<1>(info.param) == Copies::MirrorX ? "MirrorX" : "TwoAboutY") +
           (std::get<2>(info.param) == Layout::Apart ? "Apart" : "Overlapping");
});

namespace {

struct CutSymmetry {
    const char* name;
    std::array<uint8_t, 6> flags;
    // the maps the copies make, which the result must be its own image under
    std::vector<vec3 (*)(vec3)> images;
    // some copy lands on the sphere the stroke is drawn on
    bool sharesTheSphere;
};

const std::vector<CutSymmetry>& cutSymmetries() {
    static const std::vector<CutSymmetry> all = {
        {"MirrorX", {1, 0, 0, 0, 0, 0}, {mirroredInX}, false},
        {"MirrorY", {0, 1, 0, 0, 0, 0}, {mirroredInY}, true},
        {"MirrorZ", {0, 0, 1, 0, 0, 0}, {mirroredInZ}, true},
        {"MirrorXY", {1, 1, 0, 0, 0, 0}, {mirroredInX, mirroredInY}, true},
        {"TwoAboutX", {0, 0, 0, 1, 0, 0}, {turnedHalfAboutX}, true},
        {"TwoAboutY", {0, 0, 0, 0, 1, 0}, {turnedHalfAboutY}, false},
        {"TwoAboutZ", {0, 0, 0, 0, 0, 1}, {turnedHalfAboutZ}, false},
    };
    return all;
}

// brush, index into cutSymmetries(), selection mode, drawn from off the object
using CutCase = std::tuple<Brush, size_t, int, bool>;

bool cutsAlongAPlane(Brush b) { return b == Brush::CutPlane || b == Brush::ClipPlane || b == Brush::SubPlane; }

std::vector<CutCase> cutCases() {
    std::vector<CutCase> out;
    for (Brush brush : {Brush::CutPlane, Brush::ClipPlane, Brush::SubPlane, Brush::CutSphere, Brush::ClipSphere,
                        Brush::CutSphereReverse}) {
        // the plane clips act on the whole element in every mode, and the sphere cuts on it in All
        // Patches as in Element
        const bool byMode = brush != Brush::ClipPlane && brush != Brush::SubPlane;
        for (size_t s = 0; s < cutSymmetries().size(); ++s)
            for (int mode : {SelectElement, SelectPatch, SelectAllPatches, SelectComponent}) {
                if (!byMode && mode != SelectElement) continue;
                if (mode == SelectAllPatches && brush != Brush::CutPlane) continue;
                for (bool off : {false, true}) out.emplace_back(brush, s, mode, off);
            }
    }
    return out;
}

class SymmetricCut : public SculptStroke, public ::testing::WithParamInterface<CutCase> {};

} // namespace

// Every cut and clip, in every selection mode, drawn on the object or from (or out to) off it,
// under mirrors and half turns, over two small spheres at x = +-kApart. A vertical plane is its own
// image under mirror Y, mirror Z and the half turn about x: those copies cut once. Whatever the
// cut, the mesh is sound, holds no triangle without area and keeps the symmetry it was cut by.
TEST_P(SymmetricCut, LeavesASoundSymmetricMeshWithNoZeroAreaTriangle) {
    const auto [brush, which, mode, off] = GetParam();
    const CutSymmetry& symmetry = cutSymmetries()[which];
    view->setSymmetry(symmetry.flags.data(), 2);
    view->setSculptBrush(brush);
    view->setSelectionMode(mode);
    Mesh* m = spherePair(2);
    markCaps(*m, true);
    place(m, 44);
    const std::vector<vec3> before = worldPositions();
    for (auto image : symmetry.images) ASSERT_TRUE(mapsOntoItself(before, image, 1e-5f));
    const int trianglesBefore = mesh->triangleCount();

    // a plane: a vertical line right of the sphere's centre, inside its outline or across it; a
    // sphere: from the sphere's upper right out to a rim on it or off it
    const vec2 from = cutsAlongAPlane(brush) ? vec2{0.4f, off ? -1.3f : -0.6f} : vec2{0.2f, -0.5f};
    const vec2 to = cutsAlongAPlane(brush) ? vec2{0.4f, off ? 1.3f : 0.6f} : vec2{off ? 1.4f : 0.45f, -0.5f};
    const vec2 c = cursorAt(worldOf({kApart, 0, 0}));
    const float r = c.y - cursorAt(worldOf({kApart, 2, 0})).y;
    ASSERT_GT(r, 10.0f);
    // pressed on a whole pixel, as the view rounds a press, the line is vertical: under mirror Y
    // its plane is its own image
    const vec2 start = c + from * r;
    drag(vec2(std::round(start.x), std::round(start.y)), (to - from) * (r / 4), 4);
    ASSERT_EQ(view->busy, 0);
    const std::vector<vec3> after = worldPositions();
    ASSERT_TRUE(after != before || mesh->triangleCount() != trianglesBefore) << "the stroke did nothing";
    EXPECT_MESH_VALID(*mesh);
    EXPECT_EQ(test::zeroAreaTriangles(*mesh), 0);
    const float pixel = view->pixelVector(false).length();
    // spheres cut out to off the object reach their copies on the same sphere, which then cut
    // each other's triangles, and a cap lays its inner vertices out along the stroke: only the
    // shape is the same
    const bool shapeOnly = brush == Brush::SubPlane || (!cutsAlongAPlane(brush) && off && symmetry.sharesTheSphere);
    for (auto image : symmetry.images) {
        if (shapeOnly)
            EXPECT_TRUE(isItsOwnImage(worldCorners(), image, 0.02f * r * pixel));
        else
            EXPECT_TRUE(mapsOntoItself(after, image, 1e-3f * r * pixel));
    }
}

std::string cutCaseName(const ::testing::TestParamInfo<CutCase>& info) {
    const auto [brush, which, mode, off] = info.param;
    return "Brush" + std::to_string(int(brush)) + cutSymmetries()[which].name + modeName(mode) +
           (off ? "OffTheObject" : "OnTheObject");
}

INSTANTIATE_TEST_SUITE_P(Cuts, SymmetricCut, ::testing::ValuesIn(cutCases()), cutCaseName);

namespace {

class SymmetricCrossingCut : public SculptStroke, public ::testing::WithParamInterface<size_t> {};

} // namespace

// A Patch plane cut over one sphere round the origin, slanted from off the object, whose copy
// (index into cutSymmetries()) crosses the drawn line on the sphere's front: each copy cuts its
// patch as it was before the stroke, through the drawn copy's new line, and the copies are each
// other's images, marks too. Under mirror Y and the half turn about x the lines cross where the
// sphere's edges run along y = 0, so both copies meet at the one vertex the first made there.
TEST_P(SymmetricCrossingCut, PatchCopiesAreEachOthersImages) {
    const CutSymmetry& symmetry = cutSymmetries()[GetParam()];
    view->setSymmetry(symmetry.flags.data(), 2);
    view->setSculptBrush(Brush::CutPlane);
    view->setSelectionMode(SelectPatch);
    place(sphere(2), 44);
    const vec2 c = cursorAt(worldOf({0, 0, 0}));
    const float r = c.y - cursorAt(worldOf({0, 2, 0})).y;
    ASSERT_GT(r, 10.0f);
    const vec2 from{-0.2f, -1.33f}, to{1.0f, 1.07f};
    const vec2 start = c + from * r;
    drag(vec2(std::round(start.x), std::round(start.y)), (to - from) * (r / 4), 4);
    ASSERT_EQ(view->busy, 0);
    EXPECT_MESH_VALID(*mesh);
    EXPECT_EQ(test::zeroAreaTriangles(*mesh), 0);
    const float pixel = view->pixelVector(false).length();
    std::vector<vec3> marks = test::markedEdgeMiddles(*mesh);
    for (vec3& p : marks) p = worldOf(p);
    for (auto image : symmetry.images) {
        EXPECT_TRUE(mapsOntoItself(worldPositions(), image, 1e-3f * r * pixel));
        EXPECT_TRUE(mapsOntoItself(marks, image, 1e-3f * r * pixel));
    }
}

// mirror Y and the half turn about x
INSTANTIATE_TEST_SUITE_P(Crossing, SymmetricCrossingCut, ::testing::Values(size_t(1), size_t(4)),
                         [](const auto& info) { return std::string(cutSymmetries()[info.param].name); });

namespace {

// The element kinds whose sculpting runs outside the mesh code: a clay (its positions live on the
// GPU) and a tube (the stroke edits its axis curve).
enum class Kind { Clay, Tube };

using ElementCase = std::tuple<Kind, Brush, Layout>;

class SymmetricElementStroke : public SculptStroke, public ::testing::WithParamInterface<ElementCase> {
protected:
    // The clay's corners or the tube's axis points, in the world.
    std::vector<vec3> points() const {
        std::vector<vec3> out;
        if (const Clay* clay = dynamic_cast<const Clay*>(element)) {
            const std::vector<unsigned char> bytes =
                bufferBytes(clay->buffers[clay->current], uint32_t(clay->vertexCount) * 12u);
            std::vector<vec3> corners(size_t(clay->vertexCount));
            std::memcpy(corners.data(), bytes.data(), bytes.size());
            for (const vec3& p : corners) out.push_back(worldOf(p));
        } else if (const Tube* tube = dynamic_cast<const Tube*>(element)) {
            for (const CurvePoint& p : tube->axis->points) out.push_back(worldOf(p.position));
        }
        return out;
    }
};

} // namespace

// Two spheres of clay, or a tube whose axis runs up at x = +-kApart, and one stroke over the right
// one with mirror X; or one sphere of clay, or one tube, on the mirror plane, which the copies
// overlap on: each copy acts in its element's space with its own sign, on the element as it was
// before the tick, so the result is its own mirror image.
TEST_P(SymmetricElementStroke, OneStrokeKeepsTheElementItsOwnMirrorImage) {
    const auto [kind, brush, layout] = GetParam();
    view->setSymmetry(std::array<uint8_t, 6>{1, 0, 0, 0, 0, 0}.data(), 2);
    view->setSculptBrush(brush);
    // plane edits of a curve act on the whole curve; moves on the component under the stroke
    view->setSelectionMode(brushGroup(brush) == BrushGroup::Plane ? SelectElement : SelectComponent);
    if (kind == Kind::Clay) {
        std::unique_ptr<Mesh> shape(layout == Layout::Apart ? spherePair() : sphere());
        Clay* clay = new Clay(shape.get());
        place(clay, 44);
        ASSERT_TRUE(clay->updateGpu());
    } else {
        const float x = layout == Layout::Apart ? kApart : 0.0f;
        Curve* axis = new Curve(std::vector<vec3>{{x, -2, 0}, {x, -1, 0}, {x, 0, 0}, {x, 1, 0}, {x, 2, 0}}, false, 0);
        if (layout == Layout::Apart)
            axis->append(
                Curve(std::vector<vec3>{{-x, -2, 0}, {-x, -1, 0}, {-x, 0, 0}, {-x, 1, 0}, {-x, 2, 0}}, false, 0));
        // a tube keeps its curves' own units, where the pair of spheres is fitted into about 4
        place(new Tube(axis, Curve::makeCircle(8, false)), 11);
    }
    const std::vector<vec3> before = points();
    ASSERT_TRUE(mapsOntoItself(before, mirroredInX, 1e-5f));

    const float r = strokeFor(layout);
    ASSERT_GT(r, 0.0f);
    ASSERT_EQ(view->busy, 0);
    const std::vector<vec3> after = points();
    ASSERT_TRUE(after != before) << "the stroke did nothing";
    EXPECT_TRUE(mapsOntoItself(after, mirroredInX, 1e-3f * r * view->pixelVector(false).length()));
}

std::vector<ElementCase> elementCases() {
    std::vector<ElementCase> out;
    for (Brush brush : {Brush::Deform, Brush::DeformVolume, Brush::Twist, Brush::SubPlane})
        for (Layout layout : {Layout::Apart, Layout::Overlapping}) out.emplace_back(Kind::Clay, brush, layout);
    // a turn acts once on the one component the copies share (as on a mesh); a smooth moves
    // nothing on a straight axis
    for (Brush brush : {Brush::Rotate, Brush::CopyRotate, Brush::Deform, Brush::CutPlane, Brush::ClipPlane}) {
        out.emplace_back(Kind::Tube, brush, Layout::Apart);
        if (brush != Brush::Rotate && brush != Brush::CopyRotate)
            out.emplace_back(Kind::Tube, brush, Layout::Overlapping);
    }
    return out;
}

// No revolution: its copy is mirrored through its own Y axis, onto the stroke's own band, not a mirror band.
INSTANTIATE_TEST_SUITE_P(DirectedActions, SymmetricElementStroke, ::testing::ValuesIn(elementCases()),
                         [](const auto& info) {
                             return std::string(std::get<0>(info.param) == Kind::Clay ? "Clay" : "Tube") + "Brush" +
                                    brushName(std::get<1>(info.param)) +
                                    (std::get<2>(info.param) == Layout::Apart ? "Apart" : "Overlapping");
                         });

namespace {

// How far the drawn line reaches from the sphere's centre, in sphere radii (inside its outline, or
// from outside to outside), and the selection mode the cut works at.
class TurnedSphereCut : public SculptStroke, public ::testing::WithParamInterface<std::tuple<float, int>> {};

} // namespace

// A vertical line drawn over a sphere turned a quarter about y, mirrored in x: each copy cuts
// along the plane through its line and the line of sight, whatever the object's own axes. In the
// Patch and Component modes the copy cuts the region its own line crosses, wherever it started.
TEST_P(TurnedSphereCut, NewVerticesLieOnThePlanesOfTheDrawnLineAndItsMirrorImage) {
    const auto [reach, mode] = GetParam();
    view->setSculptBrush(Brush::CutPlane);
    view->setSelectionMode(mode);
    place(sphere(), 90, mat4::fromMat3(mat3::rotationAxisAngle(vec3(0, 1, 0), 1.5707964f)));
    const std::vector<vec3> before = worldPositions();
    const vec2 centre = cursorAt(worldOf({0, 0, 0}));
    const float r = length(cursorAt(worldOf({0, 2, 0})) - centre);
    ASSERT_GT(r, 20.0f);
    const float x = centre.x + 0.4f * r, top = centre.y - reach * r, bottom = centre.y + reach * r;
    ASSERT_GT(top, 0.0f);
    ASSERT_LT(bottom, float(H));
    frame(2, 2, false);
    frame(3, 2, false);
    frame(x, top, false);
    frame(x, top, true);
    for (float y = top + 4; y < bottom; y += 4) frame(x, y, true);
    frame(x, bottom, true);
    frame(x, bottom, false);
    ASSERT_EQ(view->busy, 0);

    // the drawn line swept along the line of sight, and its mirror image
    const float depth = view->focusDepth();
    const vec3 a = view->screenToWorld(x, top, depth), b = view->screenToWorld(x, bottom, depth);
    const vec3 n = normalize(cross(view->screenNormal(), b - a));
    const vec3 mirroredA = vec3(-a.x, a.y, a.z), mirroredN = vec3(-n.x, n.y, n.z);
    const float tolerance = 0.05f * view->pixelVector(false).length();
    int onLine = 0, onImage = 0, elsewhere = 0;
    for (const vec3& p : worldPositions()) {
        bool old = false;
        for (const vec3& q : before) old = old || (q - p).length() < tolerance;
        if (old) continue;
        if (std::fabs(dot(p - a, n)) < tolerance)
            ++onLine;
        else if (std::fabs(dot(p - mirroredA, mirroredN)) < tolerance)
            ++onImage;
        else
            ++elsewhere;
    }
    EXPECT_GT(onLine, 0);
    EXPECT_GT(onImage, 0);
    EXPECT_EQ(elsewhere, 0);
}

INSTANTIATE_TEST_SUITE_P(Strokes, TurnedSphereCut,
                         ::testing::Combine(::testing::Values(0.6f, 1.3f),
                                            ::testing::Values(int(SelectElement), int(SelectPatch),
                                                              int(SelectComponent))),
                         [](const auto& info) {
                             return std::string(std::get<0>(info.param) < 1.0f ? "InsideTheOutline"
                                                                               : "FromOffTheObject") +
                                    modeName(std::get<1>(info.param));
                         });
