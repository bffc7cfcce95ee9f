// The array tool: construction, its own node of a copy, the walks that must reach its copies,
// and its file record (the current body and the older one with column-ordered matrices).
#include "tools/Array.h"

#include "foundation/ByteBuffer.h"
#include "scene/Element.h"
#include "scene/SceneFile.h"

namespace kal {

mat4 arrayAlternateMatrix(int32_t mode) {
    if (mode == ArrayChain) return mat4{{0, -1, 0, 0, 1, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}};
    if (mode == ArrayZipper) return mat4::reflection(vec3(0, 1, 0));
    return mat4();
}

Array::Array(Element* source_, const std::vector<Tool*>& items, const std::vector<uint32_t>& sequence, int32_t mode_,
             const mat4& alternate, const mat4& transform_, const pbr& material_, bool transparent)
    : Tool(source_, transform_, material_, transparent), mode(mode_), itemSequence(sequence),
      alternateMatrix(alternate) {
    kind = ArrayKind;
    source = element;
    copies.assign(items.size(), nullptr);
    for (size_t i = 0; i < items.size(); ++i) {
        if (!items[i]) continue;
        Tool* clone = items[i]->copy(true, true);
        if (clone) clone->parent = this;
        copies[i] = clone;
    }
}

Array::~Array() {
    // A copy may hold arrays whose copies hold arrays, as deep as a file nests them: every copy
    // below this array is taken from its array first, then each is deleted on its own, so that
    // no deletion reaches another through a copy list.
    std::vector<Tool*> held, below;
    auto take = [&held](std::vector<Tool*>& from) {
        for (Tool* c : from) {
            if (!c) continue;
            c->parent = nullptr; // not among the children: nothing to remove it from
            held.push_back(c);
        }
        from.clear();
    };
    take(copies);
    for (size_t i = 0; i < held.size(); ++i) {
        below.clear();
        listSubtree(held[i], below);
        for (Tool* t : below)
            if (std::vector<Tool*>* c = t->heldCopies()) take(*c);
    }
    deleteTools(held);
}

Tool* Array::setCopy(int i, Tool* t) {
    if (i < 0 || size_t(i) >= copies.size()) return nullptr;
    copies[size_t(i)] = t;
    if (t) t->parent = this;
    return t;
}

Tool* Array::addCopy(Tool* t) {
    copies.push_back(t);
    if (t) t->parent = this;
    return t;
}

// ---- copies ----

Tool* Array::newCopyOfSelf(bool keepPivot) {
    // the copies are carried by the copy pass, in their slots
    Array* a = new Array(element, {}, itemSequence, mode, alternateMatrix, transform, material,
                         (flags & TransparentFlag) != 0);
    copyFieldsTo(a, keepPivot);
    return a;
}

// ---- element ----

int Array::removeChild(Tool* c) {
    for (Tool*& slot : copies)
        if (c && slot == c) {
            slot = nullptr;
            return -1;
        }
    return Tool::removeChild(c);
}

int32_t Array::setElement(Element* e) {
    int32_t r = Tool::setElement(e);
    source = element;
    return r;
}

bool Array::isEmpty() { return true; }
bool Array::isArray() { return true; }

// ---- record ----

void Array::serializeBody(ByteBuffer& out, bool wholeScene) {
    Tool::serializeBody(out, wholeScene);
    out.write(uint32_t(copies.size()));
    for (Tool* c : copies) out.write(int32_t(c ? c->index : -1));
    out.write(uint32_t(itemSequence.size()));
    for (uint32_t e : itemSequence) out.write(e);
    out.write(uint8_t(mode));
    out.append(alternateMatrix.m, sizeof alternateMatrix.m);
}

void Array::serialize(ByteBuffer& out, bool wholeScene) {
    ByteBuffer body;
    serializeBody(body, wholeScene);
    out.write(arrayToolTag);
    out.write(uint32_t(body.size()));
    out.append(body.data(), body.size());
}

void Array::resolveLinks(const std::vector<Tool*>& tools, const std::vector<Element*>& elements) {
    Tool::resolveLinks(tools, elements);
    source = element;
    copies.assign(pendingCopies.size(), nullptr);
    for (size_t i = 0; i < pendingCopies.size(); ++i) {
        int32_t k = pendingCopies[i];
        if (k >= 0 && size_t(k) < tools.size()) setCopy(int(i), tools[size_t(k)]);
    }
    pendingCopies.clear();
}

} // namespace kal
