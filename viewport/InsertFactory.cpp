// The insert factory: turns the chosen shape kind into the pending template that Insert and
// Place copy into the scene, and moves the assembly command to Draw for the kinds whose
// geometry the user draws.
#include <unordered_set>

#include "elements/Curve.h"
#include "elements/Lightning.h"
#include "elements/Revoluton.h"
#include "elements/Tube.h"
#include "elements/UCurve.h"
#include "mesh/Mesh.h"
#include "scene/Scene.h"
#include "scene/Tool.h"
#include "tools/Array.h"
#include "tools/BiTool.h"
#include "tools/Cable.h"
#include "viewport/GLView.h"

namespace kal {

namespace {

// Profiles, revolutions and tubes with a drawn section are always drawn; tubes, arrays and
// chains only when their axis is drawn too.
bool isDrawnKind(InsertKind kind, int axisShape) {
    if (isProfileKind(kind) || kind == InsertKind::Revolution || kind == InsertKind::TubeDrawnSection) return true;
    return (kind == InsertKind::Tube || isArrayKind(kind)) && axisShape == ShapeFree;
}

Mesh* meshOfKind(InsertKind kind) {
    switch (kind) {
    case InsertKind::Tetrahedron: return Mesh::createTetrahedron();
    case InsertKind::Cube: return Mesh::createCube();
    case InsertKind::Octahedron: return Mesh::createOctahedron();
    case InsertKind::Dodecahedron: return Mesh::createDodecahedron();
    case InsertKind::Icosahedron: return Mesh::createIcosahedron();
    case InsertKind::Sphere: {
        Mesh* icosahedron = Mesh::createIcosahedron();
        Mesh* sphere = Mesh::subdivided(icosahedron, 3, false, true);
        delete icosahedron;
        return sphere;
    }
    case InsertKind::Cylinder: return Mesh::createCylinder(24, false);
    case InsertKind::Capsule: return Mesh::createCapsule(5, false);
    default: return nullptr;
    }
}

// The picked items that are still in the scene; one removed since it was picked leaves its place
// empty, so the sequence's item numbers keep meaning the same items.
std::vector<Tool*> itemsInScene(Scene* scene, const std::vector<ToolRef>& picked) {
    std::vector<Tool*> all;
    if (scene) {
        scene->toolRoot->enumerate(all);
        scene->sceneRoot->enumerate(all);
    }
    std::unordered_set<Tool*> present(all.begin(), all.end());
    std::vector<Tool*> items;
    for (Tool* t : picked) items.push_back(present.count(t) ? t : nullptr);
    return items;
}

// The chain link: a chain-link tube with a round section, scaled by 0.6 and turned a quarter
// about X.
const mat4 chainLinkPlacement{{0.6f, 0, 0, 0, 0, 0, -0.6f, 0, 0, 0.6f, 0, 0, 0, 0, 0, 1}};

} // namespace

bool GLView::loadArrayForEditing(Tool* tool) {
    if (!tool || !tool->isArray()) return false;
    Array* array = static_cast<Array*>(tool);
    addedTools.assign(array->copies.begin(), array->copies.end());
    arrayItems = array->itemSequence;
    return true;
}

// Arrays and chains follow the axis preset (or the drawn curve, later) through a following curve.
Tool* GLView::makeArrayTemplate(InsertKind kind) {
    UCurve* path = new UCurve(makeShapeCurve(axisShape, true, 1), 2);
    if (kind == InsertKind::Array)
        return new Array(path, itemsInScene(scene, addedTools), arrayItems, arrayMode, arrayAlternateMatrix(arrayMode),
                         mat4(), pbr(), false);
    Tube* link = new Tube(makeShapeCurve(ShapeChainLink, true, 0), makeShapeCurve(ShapeCircle, false, 1));
    Tool* linkTool = new Tool(link, chainLinkPlacement, assemblyMaterial, false);
    Array* chain = new Array(path, {linkTool}, {arrayEntry(1, 1, EntryCyclic)}, ArrayChain,
                             arrayAlternateMatrix(ArrayChain), mat4(), pbr(), false);
    delete linkTool; // the chain holds its own copy
    return chain;
}

// The element of a new template: a solid, the empty curve a profile's stroke replaces, or a
// surface whose empty curve the stroke fills.
Element* GLView::elementOfKind(InsertKind kind) {
    if (isProfileKind(kind)) return new Curve(0);
    switch (kind) {
    case InsertKind::Revolution: return new Revoluton(new Curve(0), makeShapeCurve(sectionShape, false, 1));
    case InsertKind::TubeDrawnSection: {
        Curve* axis = new Curve({vec3(0, 0, 0), vec3(0, 0, -100)}, {0.0f, 1.0f}, {true, true}, false, 0);
        return new Tube(axis, new Curve(0));
    }
    case InsertKind::Tube: return new Tube(makeShapeCurve(axisShape, true, 1), makeShapeCurve(sectionShape, false, 1));
    default: return meshOfKind(kind);
    }
}

// The end of a two-object tool that carries the element; the other end is always a bare one.
Tool* GLView::firstEndOfKind(InsertKind kind) {
    switch (kind) {
    case InsertKind::Hydraulics: {
        // the cylinder spans z -1..1 with radius 1: placed so that it spans the link's 0..1, radius 0.5
        Mesh* cylinder = meshOfKind(InsertKind::Cylinder);
        cylinder->translation = vec3(0, 0, -1.0f);
        cylinder->scale = 2.0f;
        return new BiTool(BiToolCylinder, cylinder, mat4(), assemblyMaterial, false);
    }
    case InsertKind::Muscle: {
        Mesh* sphere = meshOfKind(InsertKind::Sphere);
        // the sphere's centre at the middle of the link
        sphere->translation = vec3(0, 0, -0.5f * sphere->scale);
        return new BiTool(BiToolVolume, sphere, mat4(), assemblyMaterial, false);
    }
    case InsertKind::Lightning:
        return new BiTool(BiToolUniform, new Lightning(vec2(0.15f, 0.007f), vec2(0.005f, 1e-5f), 6), mat4(), pbr(),
                          false);
    case InsertKind::Cable: return new Cable(makeShapeCurve(sectionShape, false, 1), mat4(), pbr(), false);
    default: return new BiTool(BiToolBare, nullptr, mat4(), pbr(), false);
    }
}

void GLView::makeInsertTool(InsertKind kind, bool applyMaterial) {
    if (chosenCommand == Command::Insert || chosenCommand == Command::Place || chosenCommand == Command::Draw) {
        if (isDrawnKind(kind, axisShape)) {
            chosenCommand = command = lastPlacingCommand = Command::Draw;
        } else {
            chosenCommand = command = lastPlacingCommand = lastInsertCommand;
        }
        redraw = true;
    }

    if (insertKind != InsertKind::UseTool && insertKind == kind) return;
    if (insertKind != InsertKind::UseTool) discardPendingTools();
    insertKind = kind;

    if (kind == InsertKind::UseTool) {
        pendingTool = scene ? scene->currentTool : nullptr;
        pendingPartner = nullptr;
    } else if (isArrayKind(kind)) {
        pendingTool = makeArrayTemplate(kind);
        pendingPartner = nullptr;
    } else if (isTwoObjectKind(kind)) {
        // unpaired until Place puts copies of both at the two picked objects
        pendingTool = firstEndOfKind(kind);
        pendingPartner = new BiTool(BiToolBare, nullptr, mat4(), pbr(), false);
    } else {
        pendingTool = new Tool(elementOfKind(kind), mat4(), pbr(), false);
        pendingPartner = nullptr;
    }

    if (applyMaterial && chosenMode == ASSEMBLY) applyAssemblyMaterial();
    redraw = true;
}

} // namespace kal
