// One frame of the viewport: both scene layers drawn and composed, the transparent layer laid over
// the opaque one with refraction, outlines across both, overlays, glow, lens chromatism and the
// status text. Everything is drawn off screen; the widget presents the texture we return.
#include <QOpenGLFunctions_4_0_Core>

#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <utility>
#include <vector>

#include "editing/StrokeChain.h"
#include "gpu/FBOScene.h"
#include "gpu/Filters.h"
#include "gpu/Fonts.h"
#include "gpu/GLFunctions.h"
#include "gpu/GeometryBuffers.h"
#include "gpu/Shader.h"
#include "gpu/ShaderTable.h"
#include "gpu/Texture2D.h"
#include "scene/CameraMatrices.h"
#include "scene/Element.h"
#include "scene/Scene.h"
#include "scene/Tool.h"
#include "viewport/GLView.h"
#include "viewport/Keyboard.h"
#include "viewport/MouseState.h"
#include "viewport/StatusText.h"

namespace kal {

namespace {

constexpr int KeyShift = 16;

const uint8_t red[4] = {255, 0, 0, 255};
const uint8_t white[4] = {255, 255, 255, 255};
const uint8_t amber[4] = {239, 186, 0, 0};

GLenum attachmentOf(const Texture2D* texture) { return GLenum(texture->attachment); }

bool hasPick(const PickRecord& p) { return p.kind != kPickNothing && p.object; }

// The objects of one pass, bound in order; a failed bind releases the ones already bound.
class BindGroup {
public:
    bool bindAll(std::initializer_list<GLAtom*> objects) {
        for (GLAtom* object : objects) {
            if (!object) continue;
            if (!object->bind()) {
                releaseAll();
                return false;
            }
            members_.push_back(object);
        }
        return true;
    }
    void releaseAll() {
        for (auto it = members_.rbegin(); it != members_.rend(); ++it) (*it)->unbind();
        members_.clear();
    }
    ~BindGroup() { releaseAll(); }

private:
    std::vector<GLAtom*> members_;
};

// The hover highlight's tools carry the collect flag, which the object writer also uses: whatever
// way the frame ends, none of them may keep it.
class HoverFlags {
public:
    std::vector<Tool*> tools;
    void clear() { unflagCollectedTools(tools); }
    ~HoverFlags() { clear(); }
};

void setUnit(const char* name, Texture* texture) { setUniformInt(name, texture->unit()); }

vec4 unitColour(const wvec4& c) { return vec4(c.r / 65535.0f, c.g / 65535.0f, c.b / 65535.0f, c.a / 65535.0f); }

void completeNormals(GLView& v, FBOScene* target) {
    const float n = v.nearDistance, f = v.farDistance;
    if (v.perspective == 0)
        target->normalsOrthogonal(target->normalTexture, target->normalScratch, target->depthTexture, 2.0f * f, true);
    else
        target->normalsPerspective(target->normalTexture, target->normalScratch, target->depthTexture,
                                   (f + n) / (f - n), 2.0f * n * f / (f - n), true);
}

void flagHovered(GLView& v, HoverFlags& flags) {
    if (!hasPick(v.pressPick)) return;
    Tool* tool = v.pressPick.object;
    if (v.mode == ASSEMBLY) {
        const Command c = v.assemblyCommand();
        if (c == Command::InverseKinematics) return;
        if (c == Command::Draw || c == Command::Insert || c == Command::Multiply || c == Command::Place)
            tool->collectFlaggedRing(flags.tools, v.isAddOnLinked(), false);
        else
            tool->collectFlaggedRing(flags.tools, v.isLinked(), keyboard.isDown(KeyShift));
    } else if (v.mode == SCULPT) {
        tool->collectFlaggedRing(flags.tools, false, false);
    }
}

// The picking of the frame; true asks for the preview layer.
bool pickUnderCursor(GLView& v) {
    if (!v.isCursorInView()) return false;
    const Command c = v.assemblyCommand();
    if (v.mode == ASSEMBLY && v.busy == 0) {
        if (!(c == Command::Draw && !v.assemblor.strokes.empty())) v.pressPlacement();
        return false;
    }
    if (v.mode == SCULPT) {
        v.updateSymmetricPicks(v.busy == 0);
        return false;
    }
    if (v.mode != ASSEMBLY) return false;
    if (c == Command::Place || c == Command::Draw) return v.dragPlacement() != 0;
    if (c == Command::Insert || c == Command::Multiply) return v.pressPlacement() != 0;
    const int placement = c == Command::Rotate || c == Command::Scale || c == Command::RotateScale ? 2 : v.placement;
    v.hoverPick = v.pickAt(placement, &v.hoverPick);
    return false;
}

int strokePickCount(const Assemblor& a) {
    int n = 0;
    for (const AStroke& s : a.strokes) n += int(s.picks.size());
    return n;
}

// ---- overlays ----

struct OverlayScale {
    vec3 P, F;   // one-pixel vectors: current and frozen
    float s = 0; // marker size
    float f = 0; // frozen pixel length
};

// A window-space matrix for the circle and line helpers: pixels in, the whole view out.
mat4 windowMatrix(const GLView& v, vec3 centre, float radius) {
    return screenQuadMatrix * mat4::scaling(1.0f / float(v.width), 1.0f / float(v.height), 1.0f) *
           mat4::translation(centre) * mat4::uniformScaling(radius);
}

void drawWindowSegment(const GLView& v, vec2 a, vec2 b, const uint8_t colour[4]) {
    drawSegment3D(vec3(a.x, a.y, 0), vec3(b.x, b.y, 0), windowMatrix(v, vec3(0, 0, 0), 1.0f), colour);
}

void drawWireSphere(vec3 centre, float radius, vec3 normal, const mat4& pmv) {
    const mat3 frame = mat3::frameFromDirection(normal);
    for (int axis = 0; axis < 3; ++axis) {
        const vec3 column(frame.m[axis], frame.m[3 + axis], frame.m[6 + axis]);
        drawCircle3D(radius, column, centre, pmv, red);
    }
}

void drawDrawPreview(GLView& v, const OverlayScale& k, const mat4& pmv) {
    if (v.chosenMode != ASSEMBLY || v.assemblyCommand() != Command::Draw || v.busy == 0) return;
    const vec3 facing = v.screenNormal();
    const std::vector<PickRecord>& picks = v.assemblor.picks;
    if (!picks.empty()) {
        const vec3 a = picks[0].point;
        const vec3 b = picks.size() > 1 ? picks[1].point : a;
        drawSquare3D(k.s, facing, a, pmv, amber);
        drawSquare3D(k.s, facing, b, pmv, amber);
        drawSegment3D(a, b, pmv, amber);
    }
    const int count = strokePickCount(v.assemblor);
    if (count == 0) return;
    // the chain lies in the drawing frame: back to the world through the frame, then through the
    // inverse placement of the first recorded point
    const PickRecord* first = !picks.empty() ? &picks[0] : nullptr;
    for (const AStroke& stroke : v.assemblor.strokes)
        if (!first && !stroke.picks.empty()) first = &stroke.picks[0];
    mat4 placement = first->worldToFrame;
    placement *= first->frameToTarget;
    // the drawing matrix is the drawing's first placement, as the drawn tool is built
    mat4 F = v.firstPlacement;
    F *= inverseAffine(placement);
    if (count >= 2) {
        static const uint8_t green[4] = {0, 255, 0, 255};
        std::vector<vec3> positions, normals;
        std::vector<float> radii;
        std::vector<bool> marks;
        const bool closed = v.drawnCurveClosed();
        buildStrokeChain(v.assemblor, positions, normals, radii, marks, closed, v.firstPlacement);
        for (size_t i = 0; i + 1 < positions.size(); ++i)
            drawSegment3D(positions[i] * F, positions[i + 1] * F, pmv, green);
        if (closed && positions.size() > 1) drawSegment3D(positions.back() * F, positions.front() * F, pmv, green);
    }
    // the stroke points by kind: corner red, arc white, smooth blue; plain points unmarked
    static const uint8_t kindColours[3][4] = {{255, 0, 0, 255}, {255, 255, 255, 255}, {0, 0, 255, 255}};
    std::vector<StrokeSample> samples;
    transformPrimitives(v.assemblor, samples, v.firstPlacement);
    for (const StrokeSample& p : samples)
        if (p.pointKind >= 1 && p.pointKind <= 3)
            drawSquare3D(k.s, facing, p.point * F, pmv, kindColours[p.pointKind - 1]);
}

void drawPlacePartner(GLView& v, const OverlayScale& k, const mat4& pmv) {
    const vec3 a = v.pressPick.point + v.pressPick.normal * k.s;
    const vec3 b = v.hoverPick.point + v.hoverPick.normal * k.s;
    drawSquare3D(k.s, v.pressPick.normal, a, pmv, red);
    drawSquare3D(k.s, v.hoverPick.normal, b, pmv, red);
    drawSegment3D(a, b, pmv, red);
    drawCircle3D(v.brushSize * k.f, v.pressPick.normal, a, pmv, red);
    drawCircle3D(v.brushSize * k.f, v.hoverPick.normal, b, pmv, red);
}

bool showsPivot(Command c) {
    return isPivotCommand(c) || c == Command::Move || c == Command::Rotate || c == Command::Scale ||
           c == Command::RotateScale || c == Command::Orientation;
}

bool isZero(vec3 a) { return a.x == 0 && a.y == 0 && a.z == 0; }

void drawPivotGizmo(GLView& v, const OverlayScale& k, const mat4& pmv) {
    if (!v.pivots || v.mode != ASSEMBLY || v.pressPick.kind == kPickNothing) return;
    if (!showsPivot(v.assemblyCommand()) || !v.scene) return;
    SceneLists& work = v.scene->workLists;
    SceneLists& main = v.scene->sceneLists;
    if (work.tools.empty() && main.tools.empty()) return;
    Tool* tool = nullptr;
    mat4 world;
    if (!work.tools.empty()) {
        tool = work.tools[0];
        world = work.worlds[0];
    } else if (hasPick(v.pressPick)) {
        tool = v.pressPick.object;
        const int i = tool->index;
        if (i < 0 || i >= main.size() || main.tools[size_t(i)] != tool) return;
        world = main.worlds[size_t(i)];
    }
    if (!tool) return;
    mat4 frame = tool->pivot;
    frame *= world;
    const vec3 origin = vec3(0, 0, 0) * frame;
    const float a = 150.0f * k.f;
    if (isZero(tool->rotationAxis) && isZero(tool->translationAxis)) {
        static const uint8_t axisColours[3][4] = {{255, 68, 68, 255}, {68, 255, 68, 255}, {68, 68, 255, 0}};
        static const char* const labels[3] = {"x", "y", "z"};
        for (int i = 0; i < 3; ++i) {
            vec3 unit(0, 0, 0);
            (&unit.x)[i] = 1;
            const vec3 axis = normalize(transformDirection(unit, frame));
            drawSegment3D(origin, origin + axis * a, pmv, axisColours[i]);
            if (!hudFont) setLargeFonts(false);
            const vec3 at = v.worldToScreen(origin + axis * (a + 10.0f * k.f));
            const vec2 pen(at.x - hudFont->cellWidth * 0.5f, at.y - hudFont->cellHeight * 0.5f);
            hudFont->drawText(labels[i], pen, vec2(float(v.width), float(v.height)), white);
        }
    } else {
        for (vec3 axis : {tool->rotationAxis, tool->translationAxis})
            if (!isZero(axis)) drawSegment3D(origin, origin + normalize(axis) * a, pmv, amber);
    }
    static const uint8_t magenta[4] = {255, 0, 255, 0};
    const vec3 cursorPoint = v.busy ? v.hoverPick.point : v.pressPick.point;
    drawSegment3D(origin, cursorPoint, pmv, magenta);
    drawSquare3D(k.s, v.screenNormal(), origin, pmv, white);
}

// A number no brush has shows the circle too.
bool showsCircle(Brush b) { return brushGroup(b) == BrushGroup::None || hasBrushFlag(b, BrushCircle); }

void drawBrushCursor(GLView& v, const OverlayScale& k, const mat4& pmv) {
    gl->glEnable(GL_DEPTH_TEST);
    const Brush b = v.brush;
    const size_t count =
        b == Brush::PickMaterial ? std::min<size_t>(1, v.symmetricPicks.size()) : v.symmetricPicks.size();
    for (size_t i = 0; i < count; ++i) {
        const PickRecord& p = v.symmetricPicks[i];
        drawSquare3D(k.s, p.normal, p.point + p.normal * k.s, pmv, red);
    }
    if (showsCircle(b) && !v.symmetricPicks.empty()) {
        const PickRecord& p = v.symmetricPicks[0];
        drawCircle3D(p.radius * p.pixelVector.length(), p.normal, p.point, pmv, red);
    }
    gl->glDisable(GL_DEPTH_TEST);
}

void drawSculptStroke(GLView& v, const mat4& pmv) {
    const PickRecord& hover = v.pressPick;
    const PickRecord& stroke = v.hoverPick;
    if (hover.objectId == stroke.objectId && hover.itemId == stroke.itemId) return;
    const Brush b = v.brush;
    if (drawsPlaneGuide(b)) {
        const vec3 h = v.worldToScreen(hover.point);
        const vec3 s = v.worldToScreen(stroke.point);
        const vec2 d(s.x - h.x, s.y - h.y);
        const float reach = float(v.width + v.height);
        const vec2 dir = d.length() > 0 ? normalize(d) : vec2(1, 0);
        const vec2 at(h.x, h.y);
        drawWindowSegment(v, at - dir * reach, at + dir * reach, red);
        if (b != Brush::CutPlane) drawWindowSegment(v, at, at + normalize(vec2(d.y, -d.x)) * 20.0f, red);
    } else if (drawsSphereGuide(b)) {
        gl->glEnable(GL_DEPTH_TEST);
        const float radius = (stroke.point - hover.point).length();
        if (hasBrushFlag(b, BrushReversed))
            drawWireSphere(stroke.point, radius, stroke.normal, pmv);
        else
            drawWireSphere(hover.point, radius, hover.normal, pmv);
        gl->glDisable(GL_DEPTH_TEST);
    }
}

void drawOverlays(GLView& v) {
    OverlayScale k;
    k.P = v.pixelVector(false);
    k.F = v.pixelVector(true);
    k.s = 4.0f * k.P.length();
    k.f = k.F.length();
    const mat4& pmv = cameraMatrices.projectionView;

    drawDrawPreview(v, k, pmv);
    if (!v.isCursorInView() || v.mode == VIEW) return;
    const Command c = v.assemblyCommand();
    if (v.mode == ASSEMBLY && c == Command::Draw && (v.insertKind == InsertKind::Tube || isArrayKind(v.insertKind))) {
        float radius = v.brushSize;
        if (v.insertKind == InsertKind::Tube && v.penState >= 2) radius *= v.pressure;
        const float P = k.P.length();
        if (P > 0) radius *= k.f / P;
        drawCircleOutline(windowMatrix(v, vec3(frameMouse.x, frameMouse.y, 0), radius), red);
    }
    if (v.mode == ASSEMBLY && v.busy && c == Command::Place && v.pendingPartner) drawPlacePartner(v, k, pmv);
    drawPivotGizmo(v, k, pmv);
    if (v.mode == SCULPT && hasPick(v.pressPick) && v.busy == 0) drawBrushCursor(v, k, pmv);
    if (v.mode == SCULPT && v.busy) drawSculptStroke(v, pmv);
}

// ---- final composite ----

bool mixLayers(GLView& v, FBOScene* opaque, FBOSceneTransparent* transparent) {
    Shader* shader = v.glow ? (v.objectsChromatism ? shaderMixRefractGlowChroma : shaderMixRefractGlow)
                            : (v.objectsChromatism ? shaderMixRefractChroma : shaderMixRefract);
    BindGroup group;
    if (!group.bindAll({shader, opaque->currentColor, v.glow ? opaque->lightTexture : nullptr,
                        transparent->currentColor, transparent->lightTexture, transparent->normalTexture}))
        return false;
    const GLenum buffers[2] = {attachmentOf(transparent->spareColor), attachmentOf(transparent->extraTexture)};
    gl->glDrawBuffers(v.glow ? 2 : 1, buffers);
    setUnit("OpaqueColor", opaque->currentColor);
    if (v.glow) setUnit("OpaqueLight", opaque->lightTexture);
    setUnit("TransparentColor", transparent->currentColor);
    setUnit("TransparentLight", transparent->lightTexture);
    setUnit("TransparentNormal", transparent->normalTexture);
    const float s = 0.3f * v.refractionStrength * float(std::min(v.width, v.height));
    setUniformVec2("wh", vec2(s / float(v.width), s / float(v.height)));
    if (v.objectsChromatism) {
        const vec4 chroma = unitColour(v.objectsChromatismColor);
        setUniformFloat("scale", chroma.w + 1.0f);
        setUniformVec4("chroma", chroma);
    }
    setUniformMat4("ProjectionModelViewMatrix", screenQuadMatrix);
    const GLuint bit = transparent->layer;
    gl->glStencilFunc(GL_EQUAL, GLint(bit), bit);
    gl->glStencilOp(GL_KEEP, GL_KEEP, GL_KEEP);
    gl->glEnable(GL_STENCIL_TEST);
    drawQuadStrip(true);
    group.releaseAll();
    gl->glDisable(GL_STENCIL_TEST);
    return true;
}

bool mixContours(GLView& v, FBOScene* opaque, FBOSceneTransparent* transparent) {
    std::swap(transparent->currentColor, transparent->spareColor);
    Shader* shader = v.displayState >= 2 ? shaderContourSelectionMix : shaderContourMix;
    BindGroup group;
    if (!group.bindAll({shader, transparent->idTexture, opaque->idTexture, transparent->currentColor})) return false;
    gl->glDrawBuffer(attachmentOf(transparent->spareColor));
    setUnit("TransparentId", transparent->idTexture);
    setUnit("OpaqueId", opaque->idTexture);
    setUnit("Input", transparent->currentColor);
    setUniformFloat("w", 1.0f / float(v.width));
    setUniformFloat("h", 1.0f / float(v.height));
    setUniformVec4("Contour", unitColour(v.contourColor));
    if (v.selectionDisplay) {
        setUniformVec4("SelectionColor", vec4(1, 0, 0, 0.01f));
        setUniformVec4("SelectionContour", vec4(1, 0, 0, 1));
    }
    setUniformMat4("ProjectionModelViewMatrix", screenQuadMatrix);
    drawQuadStrip(true);
    group.releaseAll();
    Shader::unbindCurrent();
    return true;
}

void blit(const GLView& v, FBO* from, Texture2D* source, FBO* to, Texture2D* destination) {
    gl->glBindFramebuffer(GL_READ_FRAMEBUFFER, from->framebuffer);
    gl->glBindFramebuffer(GL_DRAW_FRAMEBUFFER, to->framebuffer);
    gl->glReadBuffer(attachmentOf(source));
    gl->glDrawBuffer(attachmentOf(destination));
    gl->glBlitFramebuffer(0, 0, v.width, v.height, 0, 0, v.width, v.height, GL_COLOR_BUFFER_BIT, GL_NEAREST);
}

} // namespace

bool GLView::pickForFrame() {
    bool extra = pickUnderCursor(*this);
    if (chosenMode == ASSEMBLY && chosenCommand == Command::Draw && (mode == IDLE || mode == VIEW) &&
        strokePickCount(assemblor) >= 2 && scene) {
        scene->collectTargets(pendingTool, placements, effectiveHierarchyTarget(false), isAddOnLinked());
        extra = true;
    }
    return extra;
}

Texture2D* GLView::render() {
    if (!redraw) return nullptr;
    FBOScene* opaque = opaqueTarget;
    FBOSceneTransparent* transparent = transparentTarget;
    // a view without a context or targets has nothing to draw into; the request stays
    if (!glReady() || !opaque || !transparent || width <= 0 || height <= 0) return nullptr;
    undrawnThisFrame = 0;

    // Stage 1: state, viewport, camera.
    gl->glEnable(GL_DEPTH_TEST);
    gl->glDisable(GL_CULL_FACE);
    gl->glDisable(GL_MULTISAMPLE);
    gl->glDisable(GL_BLEND);
    gl->glEnable(GL_TEXTURE_CUBE_MAP_SEAMLESS);
    gl->glViewport(0, 0, width, height);
    updateCamera();
    if (scene) scene->rebuildToolLists();

    // Stage 2: the tools under the cursor are drawn highlighted by both layer passes.
    HoverFlags hover;
    flagHovered(*this, hover);

    // Stage 3: the opaque layer.
    if (!opaque->bind()) return nullptr;
    if (!drawLayer(opaque, 0, false)) {
        opaque->unbind();
        return nullptr;
    }
    completeNormals(*this, opaque);
    if (!compositLayer(opaque)) {
        opaque->unbind();
        return nullptr;
    }
    opaque->unbind();

    // Stage 4: the transparent layer, then the picking that reads both layers of this frame.
    if (!transparent->bind()) return nullptr;
    if (!drawLayer(transparent, 1, false)) {
        transparent->unbind();
        return nullptr;
    }
    hover.clear();
    const bool extra = pickForFrame();
    // picking may have read from other framebuffers
    transparent->bind();
    if (extra) drawLayer(transparent, 2, true);
    ++frameCounter;
    completeNormals(*this, transparent);
    if (!compositLayer(transparent)) {
        transparent->unbind();
        return nullptr;
    }
    transparent->unbind();

    // Stage 5: the composited opaque layer into the transparent target's output, the transparent
    // layer refracted over it, then outlines across both.
    gl->glDisable(GL_STENCIL_TEST);
    gl->glDisable(GL_DEPTH_TEST);
    std::swap(opaque->currentColor, opaque->spareColor);
    std::swap(transparent->currentColor, transparent->spareColor);
    blit(*this, opaque, opaque->currentColor, transparent, transparent->spareColor);
    if (glow) blit(*this, opaque, opaque->lightTexture, transparent, transparent->extraTexture);
    if (!mixLayers(*this, opaque, transparent)) return nullptr;
    if (!mixContours(*this, opaque, transparent)) return nullptr;

    // Stage 6: overlays over the image.
    gl->glDrawBuffer(attachmentOf(transparent->spareColor));
    drawOverlays(*this);
    Shader::unbindCurrent();

    // Stage 7: glow, then lens chromatism.
    gl->glDisable(GL_DEPTH_TEST);
    FBOScene* imageTarget = transparent;
    if (glow) {
        const int levels = transparent->extraTexture->generateMipmaps();
        // the image moves to the opaque target only when the sum was written there
        if (opaque->bind()) {
            if (filterAddMipMaps({transparent->spareColor, transparent->extraTexture}, levels - 1, opaque->spareColor))
                imageTarget = opaque;
            opaque->unbind();
        }
    }
    if (lensChromatism && imageTarget->bind()) {
        const wvec4& c = lensChromatismColor;
        const uint8_t colour[4] = {uint8_t(c.r >> 8), uint8_t(c.g >> 8), uint8_t(c.b >> 8), uint8_t(c.a >> 8)};
        const float scale = (float(colour[3]) / 255.0f) / 5.0f + 1.0f;
        if (filterChroma(imageTarget->spareColor, imageTarget->lightTexture, colour, scale, vec2(0.5f, 0.5f)))
            imageTarget->spareColor = imageTarget->lightTexture;
        imageTarget->unbind();
    }

    // Stage 8: the status text, then hand the GL state back.
    if (textDisplay && !hiRes && imageTarget->bind()) {
        gl->glDrawBuffer(attachmentOf(imageTarget->spareColor));
        drawHud();
        imageTarget->unbind();
    }
    Shader::unbindCurrent();
    gl->glBindFramebuffer(GL_FRAMEBUFFER, 0);
    gl->glDisable(GL_DEPTH_TEST);
    gl->glDisable(GL_STENCIL_TEST);
    // the layer passes narrow the stencil writes to their own bit; later clears need all of them
    gl->glStencilMask(0xFF);
    redraw = false;
    return imageTarget->spareColor;
}

} // namespace kal
