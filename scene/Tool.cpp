#include "scene/Tool.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <unordered_map>
#include <unordered_set>

#include "scene/CameraMatrices.h"
#include "scene/Element.h"

namespace kal {

double sceneAnimationTime = 0.0;
PlacementWalk placementWalk;

void beginPlacementWalk(bool world) {
    ++placementWalk.serial;
    placementWalk.world = world;
    placementWalk.capped = false;
}

Tool::Tool(Element* e, const mat4& transform_, const pbr& material_, bool transparent)
    : element(e ? e->acquire(1) : nullptr), transform(transform_), material(material_),
      flags(transparent ? LiveFlag | TransparentFlag : LiveFlag) {}

void listSubtree(Tool* top, std::vector<Tool*>& out) {
    std::vector<Tool*> stack{top};
    while (!stack.empty()) {
        Tool* t = stack.back();
        stack.pop_back();
        out.push_back(t);
        for (auto it = t->children.rbegin(); it != t->children.rend(); ++it)
            if (*it) stack.push_back(*it);
    }
}

namespace {

// Takes every listed tool out of its ring with one walk per ring touched; the others of each ring
// keep their order.
void unlinkAll(const std::vector<Tool*>& gone) {
    if (gone.size() == 1) {
        Tool* t = gone[0];
        if (t->next != t) t->unlink();
        return;
    }
    std::unordered_set<Tool*> leaving(gone.begin(), gone.end()), walked;
    std::vector<Tool*> ring;
    for (Tool* t : gone) {
        if (t->next == t || walked.count(t)) continue;
        ring.clear();
        Tool* m = t;
        do {
            KAL_RING_STEP();
            ring.push_back(m);
            walked.insert(m);
            m = m->next;
        } while (!walked.count(m));
        Tool *first = nullptr, *last = nullptr;
        for (Tool* r : ring) {
            if (leaving.count(r)) continue;
            (last ? last->next : first) = r;
            last = r;
        }
        if (last) last->next = first;
        for (Tool* r : ring)
            if (leaving.count(r)) r->next = r;
    }
}

} // namespace

void ToolRef::attach(Tool* t) {
    tool_ = t;
    if (!t) return;
    prev_ = nullptr;
    next_ = t->refs_;
    if (next_) next_->prev_ = this;
    t->refs_ = this;
}

void ToolRef::detach() {
    if (!tool_) return;
    if (prev_)
        prev_->next_ = next_;
    else
        tool_->refs_ = next_;
    if (next_) next_->prev_ = prev_;
    tool_ = nullptr;
    prev_ = next_ = nullptr;
}

Tool::~Tool() {
    for (ToolRef* r = refs_; r;) {
        ToolRef* n = r->next_;
        r->tool_ = nullptr;
        r->prev_ = r->next_ = nullptr;
        r = n;
    }
    refs_ = nullptr;
    // The whole subtree goes at once: its rings are spliced in one walk each, and its tools are
    // deleted deepest first from a list, so neither a long ring nor a deep chain costs more than
    // its length, nor any call depth. Each of them then has no ring and no children left.
    // Detached first: a partner that goes with this tool may hang above it.
    if (parent) parent->removeChild(this);
    parent = nullptr;
    std::vector<Tool*> doomed;
    collectWithPartners(this, doomed);
    std::unordered_set<Tool*> inDoomed;
    bool partners = false;
    for (size_t i = 1; i < doomed.size() && !partners; ++i) partners = doomed[i]->partner() != nullptr;
    if (partners) {
        // pairs inside the doomed set come apart first, so that no end deletes its partner again
        inDoomed.insert(doomed.begin(), doomed.end());
        for (size_t i = 1; i < doomed.size(); ++i) doomed[i]->forgetPartner();
    }
    unlinkAll(doomed);
    releaseElement(element);
    element = nullptr;
    for (size_t i = doomed.size(); i-- > 1;) {
        Tool* d = doomed[i];
        d->children.clear();
        // a partner's subtree hangs from a tool that stays
        if (partners && d->parent && !inDoomed.count(d->parent)) d->parent->removeChild(d);
        d->parent = nullptr;
        delete d;
    }
    children.clear();
}

void collectWithPartners(Tool* top, std::vector<Tool*>& out) {
    out.clear();
    listSubtree(top, out);
    std::unordered_set<Tool*> in;
    std::vector<Tool*> more;
    for (size_t i = 0; i < out.size(); ++i) {
        Tool* p = out[i]->partner();
        if (!p) continue;
        if (in.empty()) in.insert(out.begin(), out.end());
        if (in.count(p)) continue;
        // an earlier partner's subtree may lie below this one: it is listed once
        more.clear();
        listSubtree(p, more);
        for (Tool* t : more)
            if (in.insert(t).second) out.push_back(t);
    }
}

void deleteTools(const std::vector<Tool*>& list) {
    std::unordered_set<Tool*> gone;
    std::vector<Tool*> taken;
    for (Tool* t : list) {
        if (!t || gone.count(t)) continue;
        collectWithPartners(t, taken);
        gone.insert(taken.begin(), taken.end());
        delete t;
    }
}

// ---- ring-wide setters ----

void Tool::ringTargets(std::vector<Tool*>& out, bool ring, bool sameParent, bool startNeedsPlaced) {
    if (!ring) {
        if (!startNeedsPlaced || (flags & PlacedFlag)) out.push_back(this);
        return;
    }
    Tool* t = this;
    do {
        if ((t->flags & PlacedFlag) && (!sameParent || t->parent == parent)) out.push_back(t);
        t = t->next;
    } while (t != this);
}

void Tool::switchFlag(uint8_t flag, bool on, bool ring, bool sameParent) {
    std::vector<Tool*> targets;
    ringTargets(targets, ring, sameParent, true);
    for (Tool* t : targets) t->flags = on ? uint8_t(t->flags | flag) : uint8_t(t->flags & ~flag);
}

void Tool::setHighlight(bool ring, bool sameParent) { switchFlag(HighlightFlag, true, ring, sameParent); }
void Tool::clearHighlight(bool ring, bool sameParent) { switchFlag(HighlightFlag, false, ring, sameParent); }
void Tool::setCollect(bool ring, bool sameParent) { switchFlag(CollectFlag, true, ring, sameParent); }
void Tool::clearCollect(bool ring, bool sameParent) { switchFlag(CollectFlag, false, ring, sameParent); }

void Tool::collectFlaggedRing(std::vector<Tool*>& out, bool ring, bool sameParent) {
    std::vector<Tool*> targets;
    ringTargets(targets, ring, sameParent, true);
    for (Tool* t : targets) {
        t->flags |= CollectFlag;
        out.push_back(t);
    }
}

void unflagCollectedTools(std::vector<Tool*>& list) {
    for (Tool* t : list) t->flags &= uint8_t(~CollectFlag);
    list.clear();
}

void Tool::setMaterial(const pbr& p, byte mask, bool ring, bool sameParent) {
    std::vector<Tool*> targets;
    ringTargets(targets, ring, sameParent, false);
    for (Tool* t : targets) pbrCopyMasked(t->material, p, mask);
}

void Tool::setColorIsLight(bool on, bool ring, bool sameParent) {
    std::vector<Tool*> targets;
    ringTargets(targets, ring, sameParent, false);
    for (Tool* t : targets) t->flags = on ? uint8_t(t->flags | ColourIsLightFlag) : uint8_t(t->flags & ~ColourIsLightFlag);
}

void Tool::setFlagMode(uint8_t mode, bool ring, bool sameParent) {
    std::vector<Tool*> targets;
    ringTargets(targets, ring, sameParent, false);
    for (Tool* t : targets) t->flags = uint8_t((t->flags & 0x3F) | (mode & FacingMask));
}

void Tool::setRingFloatA(float rate, bool ring, bool sameParent) {
    std::vector<Tool*> targets;
    ringTargets(targets, ring, sameParent, false);
    for (Tool* t : targets) t->animationRate = rate;
}

void Tool::setRingFloatB(float phase, bool ring, bool sameParent) {
    std::vector<Tool*> targets;
    ringTargets(targets, ring, sameParent, false);
    for (Tool* t : targets) t->animationPhase = phase;
}

int Tool::collectRing(std::vector<Tool*>& out, bool ring) {
    if (!ring) {
        out.push_back(this);
        return int(out.size());
    }
    Tool* t = this;
    do {
        if (t->flags & HighlightFlag) out.push_back(t);
        t = t->next;
    } while (t != this);
    return int(out.size());
}

// ---- children ----

Tool* Tool::setChild(int i, Tool* c) {
    if (!c || i < 0 || i >= int(children.size())) return nullptr;
    c->parent = this;
    children[size_t(i)] = c;
    return c;
}

Tool* Tool::addChild(Tool* c, bool toRing) {
    if (!c) return nullptr;
    if (!toRing) {
        c->parent = this;
        children.push_back(c);
        return c;
    }
    // The node itself goes to the first highlighted member (the start tool when it is highlighted),
    // linked copies to the others; with no highlighted member it stays with the start tool, so the
    // node is never dropped.
    Tool* owner = nullptr;
    std::vector<Tool*> others;
    Tool* t = this;
    do {
        if (t->flags & HighlightFlag) {
            if (!owner)
                owner = t;
            else
                others.push_back(t);
        }
        t = t->next;
    } while (t != this);
    if (!owner) owner = this;
    owner->addChild(c, false);
    for (Tool* member : others) member->addChild(c->copyTransformed(mat4(), true, 0), false);
    return c;
}

int Tool::removeChild(Tool* c) {
    int i = indexOfChild(c);
    if (i >= 0) children.erase(children.begin() + i);
    return i;
}

int Tool::indexOfChild(Tool* c) {
    auto it = std::find(children.begin(), children.end(), c);
    return it == children.end() ? -1 : int(it - children.begin());
}

Tool* Tool::insertChild(int i, Tool* c) {
    if (!c) return nullptr;
    c->parent = this;
    i = std::clamp(i, 0, int(children.size()));
    children.insert(children.begin() + i, c);
    return c;
}

void Tool::deleteChildren() {
    while (!children.empty()) {
        Tool* c = children.back();
        children.pop_back();
        c->parent = nullptr;
        delete c;
    }
}

void Tool::purgeChildren() {
    // Children first, on an explicit stack (see walkSubtree): each tool drops its collected
    // children, in order, once everything below them (an array's copies too) has been purged.
    struct Pending {
        Tool* tool;
        bool childrenDone;
    };
    std::vector<Pending> stack{{this, false}};
    std::vector<Tool*> dropped, below;
    while (!stack.empty()) {
        Pending p = stack.back();
        Tool* t = p.tool;
        if (!p.childrenDone) {
            stack.back().childrenDone = true;
            below.clear();
            pushBelow(t, below);
            for (Tool* b : below) stack.push_back({b, false});
            continue;
        }
        stack.pop_back();
        size_t kept = 0;
        dropped.clear();
        for (Tool* c : t->children) {
            if (c->flags & CollectFlag)
                dropped.push_back(c);
            else
                t->children[kept++] = c;
        }
        t->children.resize(kept);
        for (Tool* c : dropped) c->parent = nullptr;
        // both ends of a pair may be dropped: the first takes the second
        deleteTools(dropped);
    }
}

// ---- marks and copies ----

bool Tool::isCopyMarked() { return mark() != 0; }

void Tool::setMark(uint8_t m) {
    markState = m;
    copyRef = nullptr;
}

uint8_t Tool::mark() { return markState; }

void Tool::markSubtree(uint8_t m) {
    walkSubtree([m](Tool* t) { t->setMark(m); });
}

void Tool::setStateRecursive(uint8_t m) {
    // a pair end takes its partner's subtree along, unless the partner has the state already
    std::vector<Tool*> stack{this};
    while (!stack.empty()) {
        Tool* t = stack.back();
        stack.pop_back();
        t->setMark(m);
        Tool* p = t->partner();
        if (p && p->mark() != m) stack.push_back(p);
        pushBelow(t, stack);
    }
}

void Tool::copyFieldsTo(Tool* t, bool keepPivot) const {
    t->flags |= flags & (ColourIsLightFlag | FacingMask);
    if (keepPivot) t->pivot = pivot;
    t->rotationAxis = rotationAxis;
    t->translationAxis = translationAxis;
    t->multiplicity = multiplicity;
    t->animationRate = animationRate;
    t->animationPhase = animationPhase;
}

Tool* Tool::newCopyOfSelf(bool keepPivot) {
    Tool* t = new Tool(element, transform, material, flags & TransparentFlag);
    copyFieldsTo(t, keepPivot);
    return t;
}

Tool* Tool::placedLinkedCopy(Tool* c) {
    Tool* copy = c->newCopyOfSelf(true);
    copy->flags |= PlacedFlag;
    copy->pivot *= mat4();
    c->link(copy);
    return copy;
}

void Tool::copyDescendants(Tool* copyOfThis, bool onlyMarked, Tool* (*make)(Tool*),
                           const std::function<Tool*(Tool*)>& other) {
    struct Pending {
        Tool* original;
        Tool* parentCopy;
    };
    std::vector<Pending> stack;
    auto pushChildren = [&stack](Tool* original, Tool* copy) {
        for (auto it = original->children.rbegin(); it != original->children.rend(); ++it) stack.push_back({*it, copy});
    };
    pushChildren(this, copyOfThis);
    while (!stack.empty()) {
        Pending p = stack.back();
        stack.pop_back();
        Tool* c = p.original;
        if (onlyMarked && !c->isCopyMarked()) continue;
        if (c->copyRef) {
            p.parentCopy->addChild(c->copyRef, false);
        } else if (c->kind != PlainKind) {
            p.parentCopy->addChild(other(c), false);
        } else {
            Tool* copy = make(c);
            c->copyRef = copy;
            p.parentCopy->addChild(copy, false);
            pushChildren(c, copy);
        }
    }
}

Tool* Tool::copy(bool keepPivot, bool withChildren) {
    if (withChildren) markSubtree(1);
    Tool* t = newCopyOfSelf(keepPivot);
    link(t);
    copyRef = t;
    copyDescendants(
        t, true,
        [](Tool* c) {
            Tool* copy = c->newCopyOfSelf(true);
            c->link(copy);
            return copy;
        },
        [](Tool* c) { return c->copy(true, false); });
    if (withChildren) markSubtree(0);
    return t;
}

void Tool::markForCopy(uint8_t markMode, uint8_t on) {
    if (markMode == 1) markSubtree(on);
    if (markMode == 2) setStateRecursive(on);
}

void Tool::placeCopy(Tool* t, const mat4& m, bool linkCopy) {
    t->flags |= PlacedFlag;
    t->pivot *= m;
    if (linkCopy) link(t);
    copyRef = t;
}

Tool* Tool::copyTransformedMode(const mat4& m, bool linkCopy, uint8_t markMode) {
    markForCopy(markMode, 1);
    Tool* t = newCopyOfSelf(true);
    placeCopy(t, m, linkCopy);
    copyDescendants(t, true, placedLinkedCopy, [](Tool* c) { return c->copyTransformedMode(mat4(), true, 0); });
    markForCopy(markMode, 0);
    return t;
}

Tool* Tool::copyTransformedAll(const mat4& m, bool linkCopy, bool markPass) {
    if (markPass) markSubtree(1);
    Tool* t = newCopyOfSelf(true);
    placeCopy(t, m, linkCopy);
    copyDescendants(t, false, placedLinkedCopy, [](Tool* c) { return c->copyTransformedAll(mat4(), true, false); });
    if (markPass) markSubtree(0);
    return t;
}

void Tool::collectCutLinks(std::vector<Tool*>& roots, std::vector<Tool*>& partnerFrom, std::vector<Tool*>& partnerTo,
                           std::vector<Tool*>& ringFrom, std::vector<Tool*>& ringTo, bool markAll, bool markSub,
                           bool inner) {
    (void)inner;
    if (markAll) setStateRecursive(2);
    if (markSub) markSubtree(1);
    // The subtree in pre-order (null marks where a tool of another kind takes its own turn)
    // then the ring predecessors the checks need, found in one walk per ring rather than one
    // walk round the ring per member.
    std::vector<Tool*> order, others;
    walkSubtree([&](Tool* t) { order.push_back(t); },
                [&](Tool* t) {
                    order.push_back(nullptr);
                    others.push_back(t);
                });
    std::unordered_map<Tool*, Tool*> previous;
    for (Tool* t : order) {
        if (!t || t->next->mark() != t->mark() || previous.count(t)) continue;
        Tool* m = t;
        do {
            KAL_RING_STEP();
            previous[m->next] = m;
            m = m->next;
        } while (m != t && !previous.count(m->next));
    }
    size_t other = 0;
    for (Tool* t : order) {
        if (!t) {
            others[other++]->collectCutLinks(roots, partnerFrom, partnerTo, ringFrom, ringTo, false, false, true);
            continue;
        }
        if (!t->parent || t->parent->mark() == 0) roots.push_back(t);
        if (t->next->mark() != t->mark()) {
            ringFrom.push_back(t);
            ringTo.push_back(t->next);
        } else if (previous[t]->mark() != t->mark()) {
            ringFrom.push_back(previous[t]);
            ringTo.push_back(t);
        }
    }
    if (markSub) markSubtree(2);
    if (markAll) setStateRecursive(0);
}

void Tool::collectOwnCut(std::vector<Tool*>& roots, std::vector<Tool*>& ringFrom, std::vector<Tool*>& ringTo) {
    if (!parent || parent->mark() == 0) roots.push_back(this);
    Tool* previous = previousLinked();
    if (next->mark() != mark()) {
        ringFrom.push_back(this);
        ringTo.push_back(next);
    } else if (previous->mark() != mark()) {
        ringFrom.push_back(previous);
        ringTo.push_back(this);
    }
}

void Tool::attachPartner(Tool*) {}

// ---- element ----

int32_t Tool::setElement(Element* e) {
    if (e == element) return 0;
    Element* old = element;
    element = e ? e->acquire(1) : nullptr;
    if (!old) return 2;
    return releaseElement(old) ? 2 : 1;
}

bool Tool::detachElement() {
    if (!element) return false;
    int32_t before = element->useCount;
    Element* e = element->detach();
    if (e == element) {
        // a class without a deep copy stays shared; give back the count its clone took
        if (element->useCount > before) element->release(element->useCount - before);
        return false;
    }
    return setElement(e) != 0;
}

// ---- flattening ----

void Tool::enumerate(std::vector<Tool*>& list) {
    walkSubtree([&list](Tool* t) {
        // an array's curve is placed on afresh after a flattening
        if (t->heldCopies() && t->element) t->element->changeStamp();
        t->index = int32_t(list.size());
        list.push_back(t);
    });
}

int32_t PlacementWalker::append(Tool* t, const mat4& m, int32_t group, int32_t drawArg, bool placed) {
    const int32_t k = int32_t(items.size());
    items.push_back(t);
    matrices.push_back(m);
    groups.push_back(group);
    drawArgs.push_back(drawArg);
    if (placed) ++arrayWork;
    return k;
}

void PlacementWalker::pushChildren(Tool* t, const mat4& w, int32_t k, bool placed) {
    for (auto it = t->children.rbegin(); it != t->children.rend(); ++it) pending.push_back({*it, w, k, -1, 0, placed});
}

bool PlacementWalker::mayPlace() {
    if (arrayWork < arrayPlacementCap) return true;
    capped = true;
    return false;
}

void Tool::collectWorldTransforms(std::vector<Tool*>& items, std::vector<mat4>& matrices, std::vector<int32_t>& groups,
                                  std::vector<int32_t>& drawArgs, mat4 handed, int group, int drawArg) {
    static uint64_t walks = 0;
    PlacementWalker walker{items, matrices, groups, drawArgs, {}, ++walks};
    walker.pending.push_back({this, handed, group, drawArg});
    while (!walker.pending.empty()) {
        PlacementStep s = walker.pending.back();
        walker.pending.pop_back();
        if (s.group == ownIndexGroup) s.group = int32_t(items.size());
        s.tool->placementStep(walker, s);
    }
    if (walker.capped) placementWalk.capped = true;
}

void Tool::placementStep(PlacementWalker& walker, const PlacementStep& s) {
    const int32_t k = walker.append(this, s.handed, s.group, s.drawArg, s.placed);
    mat4 w = composeMatrix();
    w *= s.handed;
    walker.pushChildren(this, w, k, s.placed);
}

void Tool::pushBelow(Tool* t, std::vector<Tool*>& stack) {
    if (std::vector<Tool*>* copies = t->heldCopies())
        for (auto it = copies->rbegin(); it != copies->rend(); ++it)
            if (*it) stack.push_back(*it);
    for (auto it = t->children.rbegin(); it != t->children.rend(); ++it) stack.push_back(*it);
}

// ---- ring ----

Tool* Tool::previousLinked() {
    Tool* t = this;
    while (t->next != this) {
        KAL_RING_STEP();
        t = t->next;
    }
    return t;
}

bool Tool::isLinked() { return next != this; }

bool Tool::isLinkedWith(Tool* t) {
    Tool* m = this;
    do {
        if (m == t) return true;
        m = m->next;
    } while (m != this);
    return false;
}

void Tool::link(Tool* t) {
    if (!t || isLinkedWith(t)) return;
    std::swap(next, t->next);
}

Tool* Tool::unlink() {
    Tool* p = previousLinked();
    p->next = next;
    next = this;
    return p;
}

// ---- matrices and drawing ----

mat4 Tool::composeMatrix() {
    mat4 m = transform;
    m *= pivot;
    return m;
}

mat4 Tool::modelMatrix(const mat4& parentMatrix) {
    mat4 w = composeMatrix();
    w *= parentMatrix;
    uint8_t mode = flags & FacingMask;
    if (mode == 0) return w;
    mat4 v = w;
    v *= mode == 0x40 ? cameraMatrices.cameraTransform : cameraMatrices.projectionView;
    mat3 v3 = v.upper3();
    float s = float(std::cbrt(std::fabs(double(det(v3)))));
    if (!(s > 0.0f) || !std::isfinite(s)) return w; // a flat camera block has no rotation to undo
    for (float& x : v3.m) x /= s;
    mat4 r = mat4::fromMat3(v3);
    r *= w;
    return r;
}

bool Tool::isEmpty() { return element == nullptr; }
bool Tool::isPlainTool() { return kind == PlainKind; }
bool Tool::isArray() { return kind == ArrayKind; }
bool Tool::isBiTool() { return kind == BiToolKind; }
bool Tool::isRoot() { return kind == RootKind; }

void Tool::draw(uint32_t objectId, const mat4& parentMatrix, int32_t itemId) {
    if (isEmpty()) return;
    float time = float((double(animationPhase) + animationTime) * double(animationRate));
    element->draw(objectId, itemId, modelMatrix(parentMatrix), material, (flags & ColourIsLightFlag) != 0, time, true);
}

void Tool::drawFlat(const mat4& parentMatrix, const uint8_t* colour) {
    if (isEmpty()) return;
    element->drawFlat(modelMatrix(parentMatrix), colour, true);
}

bool Tool::hasGeometry() { return element && element->hasGpuGeometry(); }

void Tool::drawHelperFlat(const mat4& parentMatrix, const uint8_t* colour) {
    if (isEmpty()) return;
    element->drawEditPreview(modelMatrix(parentMatrix), colour, true);
}

bool Tool::hasHelperGeometry() { return element && element->hasEditPreview(); }

void Tool::applyGestures(const std::vector<Gesture*>& gestures) {
    if (element) element->applyGestures(gestures);
}

// The record layout is written and read in ToolRecord.cpp.

void Tool::setTime() {
    walkSubtree([](Tool* t) {
        t->animationTime = sceneAnimationTime;
        if (t->element) t->element->animate(t->animationTime, true);
    });
}

mat4 Tool::firstEndFrame() { return mat4(); }

// ---- root ----

Root::Root() : Tool(nullptr, mat4(), pbr(), false) { kind = RootKind; }

void Root::enumerate(std::vector<Tool*>& list) {
    for (Tool* c : children) c->enumerate(list);
}

void Root::placementStep(PlacementWalker& walker, const PlacementStep& s) {
    for (auto it = children.rbegin(); it != children.rend(); ++it)
        walker.pending.push_back({*it, s.handed, ownIndexGroup, -1, 0, s.placed});
}

} // namespace kal
