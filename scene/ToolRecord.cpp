// The plain tool's record in scene and object files: body layout, the older layouts, and the
// turning of record indices into pointers once a whole file has been read.
#include <utility>

#include "foundation/ByteBuffer.h"
#include "scene/Element.h"
#include "scene/SceneFile.h"
#include "scene/Tool.h"
#include "scene/ToolRecordParts.h"

namespace kal {

namespace {

void writeMat4(ByteBuffer& out, const mat4& m) { out.append(m.m, sizeof m.m); }

void transposeInPlace(mat4& m) {
    for (int r = 0; r < 4; ++r)
        for (int c = r + 1; c < 4; ++c) std::swap(m.m[4 * r + c], m.m[4 * c + r]);
}

// The first member after t, in ring order, that is being written (collect flag); t itself when none.
// The walk is bounded so that a ring that never comes back cannot hang the writer.
Tool* writtenRingSuccessor(Tool* t) {
    Tool* m = t->next;
    for (int steps = 0; m && m != t && steps < (1 << 24); ++steps) {
        if (m->flags & CollectFlag) return m;
        m = m->next;
    }
    return t;
}

} // namespace

pbr readByteMaterial(ByteBuffer& in) {
    uint8_t b[8];
    in.read(b, 8);
    return pbrFromBytes(b);
}

mat4 readColumnMat4(ByteBuffer& in) {
    mat4 m = in.readMat4();
    transposeInPlace(m);
    return m;
}

Tool::Tool(ByteBuffer& in) : Tool(nullptr, mat4(), pbr(), false) { Tool::deserialize(in); }

void Tool::serializeBody(ByteBuffer& out, bool wholeScene) {
    writeMat4(out, transform);
    writeMat4(out, pivot);
    out.write(rotationAxis);
    out.write(translationAxis);
    out.write(material);
    out.write(uint8_t(flags & 0xED));
    out.write(uint32_t(children.size()));
    for (Tool* c : children) out.write(uint32_t(c->index));
    // The writers flag every tool they write. In a scene file that is every ring member, so the
    // walk answers `next`; a member the writer did not reach is never named by a stale index.
    Tool* successor = wholeScene && (next->flags & CollectFlag) ? next : writtenRingSuccessor(this);
    out.write(uint32_t(successor->index));
    int32_t elementIndex = (isEmpty() && !isArray()) || !element ? -1 : element->id;
    out.write(elementIndex);
    out.write(multiplicity);
    out.write(animationRate);
    out.write(animationPhase);
}

void Tool::serialize(ByteBuffer& out, bool wholeScene) {
    ByteBuffer body;
    serializeBody(body, wholeScene);
    out.write(plainToolTag);
    out.write(uint32_t(body.size()));
    out.append(body.data(), body.size());
}

void Tool::deserialize(ByteBuffer& in) {
    const uint32_t v = fileVersion;
    transform = in.readMat4();
    pivot = in.readMat4();
    rotationAxis = in.readVec3();
    translationAxis = in.readVec3();
    if (v > 20060411) {
        material = in.readPbr();
    } else {
        in.skip(4);
        material = readByteMaterial(in);
    }
    flags = in.readU8();
    // the count is bounded by the bytes left, so a damaged count cannot allocate more than the file holds
    uint32_t n = in.readCount(4);
    pendingChildren.assign(n, 0);
    for (uint32_t i = 0; i < n; ++i) pendingChildren[i] = in.readU32();
    pendingNext = in.readU32();
    pendingElement = in.readI32();
    if (v > 20060410) {
        multiplicity = in.readFloat();
        animationRate = in.readFloat();
        animationPhase = in.readFloat();
    }
    if (v <= 20161025) {
        transposeInPlace(transform);
        transposeInPlace(pivot);
    }
}

void Tool::deserializeLegacy(ByteBuffer& in) { deserialize(in); }

void Tool::readLegacyHead(ByteBuffer& in) {
    transform = readColumnMat4(in);
    pivot = readColumnMat4(in);
    rotationAxis = in.readVec3();
    translationAxis = in.readVec3();
    in.skip(4);
    material = readByteMaterial(in);
    flags = in.readU8();
    const uint32_t n = in.readCount(4);
    pendingChildren.assign(n, 0);
    for (uint32_t i = 0; i < n; ++i) pendingChildren[i] = in.readU32();
    pendingNext = in.readU32();
    pendingElement = in.readI32();
}

void Tool::readLegacyTail(ByteBuffer& in) {
    if (fileVersion <= 20060410) return;
    multiplicity = in.readFloat();
    animationRate = in.readFloat();
    animationPhase = in.readFloat();
}

void Tool::resolveLinks(const std::vector<Tool*>& tools, const std::vector<Element*>& elements) {
    // The reader has checked the structure; indices outside the tables are still never followed.
    children.assign(pendingChildren.size(), nullptr);
    size_t k = 0;
    for (uint32_t i : pendingChildren)
        if (i < tools.size() && tools[i]) setChild(int(k++), tools[i]);
    children.resize(k);
    pendingChildren.clear();
    if (pendingNext < tools.size() && tools[pendingNext]) next = tools[pendingNext];
    element = nullptr;
    if (pendingElement >= 0 && size_t(pendingElement) < elements.size()) {
        element = elements[size_t(pendingElement)];
        if (element) element->resolveLinks(elements);
    }
    pendingElement = -1;
}

} // namespace kal
