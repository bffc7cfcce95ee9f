// The bi-tool end: pairing, the pair's life (copies, deletion), drawing and the record.
#include "tools/BiTool.h"

#include <cmath>

#include "elements/Curve.h"
#include "foundation/ByteBuffer.h"
#include "mesh/Mesh.h"
#include "scene/Element.h"
#include "scene/Globals.h"
#include "scene/SceneFile.h"

namespace kal {

namespace {

Mesh* helperCube = nullptr;
Curve* helperSegment = nullptr;

BiTool* asBiTool(Tool* t) { return t && t->isBiTool() ? dynamic_cast<BiTool*>(t) : nullptr; }

} // namespace

Mesh* biToolHelperCube() {
    if (!helperCube) helperCube = Mesh::createColouredCube();
    return helperCube;
}

Curve* biToolHelperSegment() {
    if (!helperSegment) helperSegment = Curve::makeSegmentAtOrigin();
    return helperSegment;
}

void releaseBiToolHelpers() {
    delete helperCube;
    helperCube = nullptr;
    delete helperSegment;
    helperSegment = nullptr;
}

BiTool::BiTool(uint32_t kind, Element* e, const mat4& transform_, const pbr& material_, bool transparent)
    : Tool(e, transform_, material_, transparent), biToolKind(kind) {
    this->kind = BiToolKind;
}

BiTool::~BiTool() {
    if (!partnerEnd) return;
    BiTool* other = partnerEnd;
    forgetPartner();
    // off the tree first: the partner may hang above this end, and its subtree must not reach it
    if (parent) parent->removeChild(this);
    parent = nullptr;
    delete other;
}

void BiTool::forgetPartner() {
    if (partnerEnd) partnerEnd->partnerEnd = nullptr;
    partnerEnd = nullptr;
}

void BiTool::attachPartner(Tool* other) {
    BiTool* b = asBiTool(other);
    // an end paired with itself would delete itself
    if (!b || b == this) return;
    // ends paired before let go of their old partners, which would otherwise point back here
    if (partnerEnd != b) forgetPartner();
    if (b->partnerEnd != this) b->forgetPartner();
    partnerEnd = b;
    b->partnerEnd = this;
}

// ---- marks and copies ----

bool BiTool::isCopyMarked() { return mark() != 0 && partnerEnd && partnerEnd->mark() != 0; }

BiTool* BiTool::newEnd() { return new BiTool(biToolKind, element, transform, material, flags & TransparentFlag); }

Tool* BiTool::newCopyOfSelf(bool keepPivot) {
    BiTool* c = newEnd();
    c->restLength = restLength;
    copyFieldsTo(c, keepPivot);
    return c;
}

void BiTool::copied(Tool* copy) {
    if (partnerEnd && partnerEnd->copyRef) copy->attachPartner(partnerEnd->copyRef);
}

// ---- drawing ----

void BiTool::draw(uint32_t objectId, const mat4& parentMatrix, int32_t itemId) {
    const mat4 M = modelMatrix(parentMatrix);
    // the scene time as it is: the rate and offset of a plain tool do not apply to the link
    if (element && stretchDrawable())
        element->draw(objectId, itemId, M, material, (flags & ColourIsLightFlag) != 0, float(animationTime), true);
    if (!showHelpers) return;
    Mesh* cube = biToolHelperCube();
    mat4 turned = mat4::scaling(0.7f, 0.7f, 2.0f);
    turned *= Tool::modelMatrix(parentMatrix);
    cube->draw(objectId, itemId, turned, pbr(), false, 0.0f, true);
    cube->draw(objectId, itemId, Tool::modelMatrix(parentFrame), pbr(), false, 0.0f, true);
}

void BiTool::drawFlat(const mat4& parentMatrix, const uint8_t* colour) {
    const mat4 M = modelMatrix(parentMatrix);
    if (element && stretchDrawable()) element->drawFlat(M, colour, true);
}

bool BiTool::hasGeometry() { return element && element->hasGpuGeometry(); }

void BiTool::drawHelperFlat(const mat4& parentMatrix, const uint8_t* colour) {
    const mat4 M = modelMatrix(parentMatrix);
    if (element && stretchDrawable()) element->drawEditPreview(M, colour, true);
    if (!showHelpers || !partnerEnd) return;
    // the unit segment along x, carried from this end's origin onto the partner's
    const vec3 o = Tool::modelMatrix(parentFrame).translation();
    const vec3 v = partnerEnd->worldFrame.translation() - o;
    mat4 H = mat4::fromMat3(mat3{{v.x, 0, 0, v.y, 0, 0, v.z, 0, 0}});
    H *= mat4::translation(o);
    biToolHelperSegment()->drawFlat(H, colour, true);
}

bool BiTool::hasHelperGeometry() { return showHelpers || (element && element->hasEditPreview()); }

// ---- record ----

void BiTool::serializeBody(ByteBuffer& out, bool wholeScene) {
    Tool::serializeBody(out, wholeScene);
    // a partner the writer does not write (an object file of one end) is not named by a stale index
    const bool written = partnerEnd && (partnerEnd->flags & CollectFlag) && partnerEnd->index >= 0;
    out.write(written ? uint32_t(partnerEnd->index) : uint32_t(0xFFFFFFFF));
    out.write(uint8_t(biToolKind));
    out.write(restLength);
}

void BiTool::writeRecord(ByteBuffer& out, bool wholeScene, uint32_t tag) {
    ByteBuffer body;
    serializeBody(body, wholeScene);
    out.write(tag);
    out.write(uint32_t(body.size()));
    out.append(body.data(), body.size());
}

void BiTool::serialize(ByteBuffer& out, bool wholeScene) { writeRecord(out, wholeScene, biToolRecordTag); }

void BiTool::resolveLinks(const std::vector<Tool*>& tools, const std::vector<Element*>& elements) {
    Tool::resolveLinks(tools, elements);
    partnerEnd = nullptr;
    BiTool* b = pendingPartner < tools.size() ? asBiTool(tools[pendingPartner]) : nullptr;
    // only a pair that names itself both ways: an end named by one side only would keep a
    // pointer to an end that dies without it
    if (!b || b == this || b->pendingPartner >= tools.size() || tools[b->pendingPartner] != this) return;
    partnerEnd = b;
}

} // namespace kal
