// The plain tool's record in scene and object files: body layout, the older layouts, and the
// turning of record indices into pointers once a whole file has been read.
#include <memory>
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

// Colour then light as four bytes each (a byte x 256 is the 16-bit channel); roughness and
// metalness 0.
pbr readByteMaterial(ByteBuffer& in) {
    uint8_t b[8];
    in.read(b, 8);
    return pbrFromBytes(b);
}

} // namespace

mat4 readColumnMat4(ByteBuffer& in) {
    mat4 m = in.readMat4();
    transposeInPlace(m);
    return m;
}

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

void readToolFields(Tool& t, ByteBuffer& in) {
    const uint32_t v = fileVersion;
    t.transform = in.readMat4();
    t.pivot = in.readMat4();
    t.rotationAxis = in.readVec3();
    t.translationAxis = in.readVec3();
    if (v > 20060411) {
        t.material = in.readPbr();
    } else {
        in.skip(4);
        t.material = readByteMaterial(in);
    }
    t.flags = in.readU8();
    // the count is bounded by the bytes left, so a damaged count cannot allocate more than the file holds
    uint32_t n = in.readCount(4);
    t.pendingChildren.assign(n, 0);
    for (uint32_t i = 0; i < n; ++i) t.pendingChildren[i] = in.readU32();
    t.pendingNext = in.readU32();
    t.pendingElement = in.readI32();
    if (v > 20060410) {
        t.multiplicity = in.readFloat();
        t.animationRate = in.readFloat();
        t.animationPhase = in.readFloat();
    }
    if (v <= 20161025) {
        transposeInPlace(t.transform);
        transposeInPlace(t.pivot);
    }
}

void readOlderKindHead(Tool& t, ByteBuffer& in) {
    t.transform = readColumnMat4(in);
    t.pivot = readColumnMat4(in);
    t.rotationAxis = in.readVec3();
    t.translationAxis = in.readVec3();
    in.skip(4);
    t.material = readByteMaterial(in);
    t.flags = in.readU8();
    const uint32_t n = in.readCount(4);
    t.pendingChildren.assign(n, 0);
    for (uint32_t i = 0; i < n; ++i) t.pendingChildren[i] = in.readU32();
    t.pendingNext = in.readU32();
    t.pendingElement = in.readI32();
}

void readOlderKindTail(Tool& t, ByteBuffer& in) {
    if (fileVersion <= 20060410) return;
    t.multiplicity = in.readFloat();
    t.animationRate = in.readFloat();
    t.animationPhase = in.readFloat();
}

Tool* readToolRecord(ByteBuffer& in, uint32_t, size_t, bool& ok) {
    std::unique_ptr<Tool> t(new Tool(nullptr, mat4(), pbr(), false));
    readToolFields(*t, in);
    return wholeToolOrNull(std::move(t), in, ok);
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
