// Scene commands of the view: the default library object, stepping and rebuilding the insert
// tool, making an element unique, conversions, taking the picked object into the library, and
// the reset of the pick state that ends every one of them.
#include "elements/Curve.h"
#include "foundation/LargeMemory.h"
#include "mesh/Mesh.h"
#include "scene/Scene.h"
#include "scene/Tool.h"
#include "viewport/GLView.h"
#include "viewport/GLWorkGuard.h"

namespace kal {

void GLView::fillDefaultScene() {
    if (!scene) return;
    Mesh* icosahedron = Mesh::createIcosahedron();
    Mesh* sphere = Mesh::subdivided(icosahedron, 3, false, true);
    delete icosahedron;
    Tool* tool = new Tool(sphere, mat4::uniformScaling(2.0f), pbr(), false);
    addedTools = {tool};
    for (Tool* t : addedTools)
        if (t) scene->addToMainRoot(t);
}

void GLView::newScene() {
    if (insertKind != InsertKind::UseTool) discardPendingTools();
}

void GLView::forgetScene() {
    undoStack.clear();
    resetPick(false);
    copySource = nullptr;
    liveMaterial = false;
    materialTool = nullptr;
    chainTools.clear();
    chainMatrices.clear();
}

void GLView::clearScene() {
    newScene();
    forgetScene();
    addedTools.clear();
    // the library's current tool goes with the roots
    if (insertKind == InsertKind::UseTool) pendingTool = nullptr;
    if (scene) scene->createRoots();
    fillDefaultScene();
    resetPick(true);
    releaseRebuildScratch();
    returnFreedMemory();
}

void GLView::emptyToolLibrary() {
    if (!scene) return;
    // pending tools, picks, array items and records may all name library tools
    discardPendingTools();
    forgetScene();
    addedTools.clear();
    delete scene->toolRoot;
    scene->toolRoot = new Root();
    scene->currentTool = nullptr;
    scene->toolLists.clear();
    redraw = true;
    makeInsertTool(InsertKind::UseTool, true);
}

void GLView::discardPendingTools() {
    // for kind 0 the pending tool (and a picked partner) belong to the library, which the scene owns
    if (insertKind != InsertKind::UseTool) {
        // a paired template takes its partner with it
        if (pendingTool && pendingTool->partner() == pendingPartner) pendingPartner = nullptr;
        delete pendingTool;
        delete pendingPartner;
    }
    pendingTool = nullptr;
    pendingPartner = nullptr;
}

Tool* GLView::cycleTool(bool back) {
    if (chosenMode != ASSEMBLY) return pendingTool;
    if (command != Command::Insert && command != Command::Place && command != Command::Paint) return pendingTool;
    if (scene) scene->cycleCurrentTool(!back);
    makeInsertTool(InsertKind::UseTool, true);
    return pendingTool;
}

void GLView::rebuildInsertTool() {
    const InsertKind k = insertKind;
    makeInsertTool(InsertKind::UseTool, true);
    makeInsertTool(k, true);
}

bool GLView::makeUnique() {
    Tool* t = pressPick.object;
    if (!t) return false;
    redraw = t->detachElement();
    resetPick(false);
    return true;
}

bool GLView::convertToTriMesh() {
    Tool* t = pressPick.object;
    if (!t) return false;
    // a clay reads its positions back from the GPU
    GLWorkGuard guard;
    redraw = scene && scene->convertToTriMesh(t->element);
    resetPick(false);
    return true;
}

bool GLView::convertToClay() {
    Tool* t = pressPick.object;
    if (!t) return false;
    GLWorkGuard guard;
    redraw = scene && scene->convertToClay(t->element);
    resetPick(false);
    return true;
}

bool GLView::pickInto(Tool* tool, uint8_t level) {
    if (!tool) return false;
    if (level > 1 || !scene) return true;
    if (level == 1 && tool->isEmpty() && !tool->isArray()) return true;
    Tool* copy = tool->copy(false);
    if (level == 1) copy->deleteChildren();
    scene->addToMainRoot(copy);
    makeInsertTool(InsertKind::UseTool, false);
    pickPartnerOf(tool, level == 1);
    return true;
}

void GLView::pickPartnerOf(Tool* end, bool withoutChildren) {
    Tool* partner = end->isBiTool() ? end->partner() : nullptr;
    if (!partner || !pendingTool || !scene) return;
    // the library owns the partner copy; the view only points at it
    pendingPartner = partner->copy(false);
    if (withoutChildren) pendingPartner->deleteChildren();
    pendingTool->attachPartner(pendingPartner);
    scene->toolRoot->addChild(pendingPartner, false);
}

Curve* GLView::makeShapeCurve(int shape, bool axis, int extra) {
    switch (shape) {
    case ShapeSegment: return Curve::makeSegment();
    case ShapeTriangle: return Curve::makeTriangle();
    case ShapeSquare: return Curve::makeRectangle(1.0f, 1.0f);
    case ShapePentagon: return Curve::makeCircle(5, true);
    case ShapeHexagon: return Curve::makeCircle(6, true);
    case ShapeNGon: return Curve::makeCircle(axis ? axisNGonCount : sectionNGonCount, true);
    case ShapeCircle: return Curve::makeCircle(axis ? axisCircleCount : sectionCircleCount, false);
    case ShapeTrefoilKnot: return Curve::makeTrefoilKnot(trefoilCount);
    case ShapeTorusKnot: return Curve::makeTorusKnot(knotP, knotQ, knotSamples);
    case ShapeChainLink: return Curve::makeDoubleArc(axis ? axisCircleCount : sectionCircleCount, (extra & 0xFF) != 0);
    default: return new Curve(0);
    }
}

void GLView::dropSculptStroke() {
    // a stroke ended without its finishing call: the element lets go of what it kept for it
    if (!sculptors.empty() && pressPick.object && pressPick.object->element)
        pressPick.object->element->cancelGestures();
    // the list owns its gestures: emptying it without deleting them would leak every stroke
    for (Sculptor* s : sculptors) delete s;
    sculptors.clear();
}

void GLView::resetPick(bool rebuildTool) {
    dropSculptStroke();
    pressPick = PickRecord();
    hoverPick = PickRecord();
    assemblor.clear();
    busy = 0;
    if (rebuildTool) rebuildInsertTool();
}

} // namespace kal
