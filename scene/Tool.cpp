#include "scene/Tool.h"

#include <algorithm>
#include <cmath>
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
            ++ringSteps;
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

namespace {

// Takes the listed tools (but the first) from the parents outside the list that hold them.
void detachFromStaying(const std::vector<Tool*>& doomed, const std::unordered_set<Tool*>& inDoomed) {
    // A partner's subtree hangs from a tool that stays. Each such parent drops its doomed children
    // in one pass: one removal at a time would cost the square of a wide parent's children.
    std::vector<Tool*> parents;
    std::unordered_set<Tool*> seen;
    for (size_t i = 1; i < doomed.size(); ++i) {
        Tool* p = doomed[i]->parent;
        if (!p || inDoomed.count(p)) continue;
        if (p->heldCopies()) {
            p->removeChild(doomed[i]); // an array also empties a copy slot
            doomed[i]->parent = nullptr;
        } else if (seen.insert(p).second) {
            parents.push_back(p);
        }
    }
    for (Tool* p : parents)
        p->children.erase(std::remove_if(p->children.begin(), p->children.end(),
                                         [&inDoomed](Tool* c) { return inDoomed.count(c) != 0; }),
                          p->children.end());
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
    if (partners) detachFromStaying(doomed, inDoomed);
    for (size_t i = doomed.size(); i-- > 1;) {
        Tool* d = doomed[i];
        d->children.clear();
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
    for (Tool* t : targets)
        t->flags = on ? uint8_t(t->flags | ColourIsLightFlag) : uint8_t(t->flags & ~ColourIsLightFlag);
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
    // out of their rings together: one child at a time would walk a ring they share once each
    std::vector<Tool*> gone;
    for (Tool* c : children) listSubtree(c, gone);
    unlinkAll(gone);
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

Tool* Tool::copyNode(CopyForm form, const mat4& m, bool keepPivot, bool linkCopy) {
    Tool* t = newCopyOfSelf(form == CopyForm::Plain ? keepPivot : true);
    if (form != CopyForm::Plain) {
        t->flags |= PlacedFlag;
        t->pivot *= m;
    }
    if (form == CopyForm::Plain || linkCopy) link(t);
    copyRef = t;
    return t;
}

Tool* Tool::copyPass(CopyForm form, const mat4& m, bool keepPivot, bool linkCopy) {
    enum Slot : uint8_t { Child, HeldCopy, Finish };
    struct Pending {
        Tool* original; // null for an empty copy slot, which stays empty
        Tool* into;     // the copy it goes below, or its own copy to finish
        Slot slot;
    };
    std::vector<Pending> stack;
    // everything below pops in order, children before copies, then the tool itself is finished
    auto pushBelow = [&stack](Tool* original, Tool* copy) {
        stack.push_back({original, copy, Finish});
        if (std::vector<Tool*>* held = original->heldCopies())
            for (auto it = held->rbegin(); it != held->rend(); ++it) stack.push_back({*it, copy, HeldCopy});
        for (auto it = original->children.rbegin(); it != original->children.rend(); ++it)
            stack.push_back({*it, copy, Child});
    };
    Tool* top = copyNode(form, m, keepPivot, linkCopy);
    pushBelow(this, top);
    while (!stack.empty()) {
        const Pending p = stack.back();
        stack.pop_back();
        Tool* c = p.original;
        if (p.slot == Finish) {
            c->copied(p.into);
            continue;
        }
        if (!c) {
            p.into->heldCopies()->push_back(nullptr);
            continue;
        }
        // unmarked copies are left out, so the later ones move up
        if (form != CopyForm::All && !c->isCopyMarked()) continue;
        Tool* made = c->copyRef;
        if (!made) {
            made = c->copyNode(form, mat4(), true, true);
            pushBelow(c, made);
        }
        if (p.slot == Child) {
            p.into->addChild(made, false);
        } else {
            made->parent = p.into;
            p.into->heldCopies()->push_back(made);
        }
    }
    return top;
}

Tool* Tool::copy(bool keepPivot, bool withChildren) {
    if (withChildren) markSubtree(1);
    Tool* t = copyPass(CopyForm::Plain, mat4(), keepPivot, true);
    if (withChildren) markSubtree(0);
    return t;
}

void Tool::markForCopy(uint8_t markMode, uint8_t on) {
    if (markMode == 1) markSubtree(on);
    if (markMode == 2) setStateRecursive(on);
}

Tool* Tool::copyTransformedMode(const mat4& m, bool linkCopy, uint8_t markMode) {
    markForCopy(markMode, 1);
    Tool* t = copyPass(CopyForm::Transformed, m, true, linkCopy);
    markForCopy(markMode, 0);
    return t;
}

Tool* Tool::copyTransformedAll(const mat4& m, bool linkCopy, bool markPass) {
    if (markPass) markSubtree(1);
    Tool* t = copyPass(CopyForm::All, m, true, linkCopy);
    if (markPass) markSubtree(0);
    return t;
}

void Tool::collectCutLinks(std::vector<Tool*>& roots, std::vector<Tool*>& partnerFrom, std::vector<Tool*>& partnerTo,
                           std::vector<Tool*>& ringFrom, std::vector<Tool*>& ringTo, bool markAll, bool markSub,
                           bool followPartner) {
    // Marks say where a tool is: 0 outside the set, 1 in the subtree being taken, 2 elsewhere in
    // the set. A pair end whose partner is marked otherwise takes the partner's subtree next, as
    // a subtree of its own.
    struct Pending {
        Tool* tool;
        bool after; // its subtree is done
        bool markSub, follow;
    };
    if (markAll) setStateRecursive(2);
    // ring predecessors, found in one walk per ring rather than one walk round the ring per member
    std::unordered_map<Tool*, Tool*> previous;
    auto previousOf = [&previous](Tool* t) {
        auto it = previous.find(t);
        if (it != previous.end()) return it->second;
        Tool* m = t;
        do {
            ++ringSteps;
            previous[m->next] = m;
            m = m->next;
        } while (m != t);
        return previous[t];
    };
    std::vector<Pending> stack{{this, false, markSub, followPartner}};
    std::vector<Tool*> below;
    while (!stack.empty()) {
        const Pending p = stack.back();
        stack.pop_back();
        Tool* t = p.tool;
        if (p.after) {
            Tool* other = t->partner();
            const bool cut = p.follow && other && other->mark() != t->mark();
            if (cut) {
                partnerFrom.push_back(t);
                partnerTo.push_back(other);
            }
            if (p.markSub) t->markSubtree(2);
            if (cut) stack.push_back({other, false, true, false});
            continue;
        }
        if (p.markSub) t->markSubtree(1);
        if (!t->parent || t->parent->mark() == 0) roots.push_back(t);
        if (t->next->mark() != t->mark()) {
            ringFrom.push_back(t);
            ringTo.push_back(t->next);
        } else if (t->next != t && previousOf(t)->mark() != t->mark()) {
            ringFrom.push_back(previousOf(t));
            ringTo.push_back(t);
        }
        stack.push_back({t, true, p.markSub, p.follow});
        below.clear();
        pushBelow(t, below);
        for (Tool* b : below) stack.push_back({b, false, false, true});
    }
    if (markAll) setStateRecursive(0);
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
    if (!e) return false; // no copy could be made now: the tool keeps sharing
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
        ++ringSteps;
        t = t->next;
    }
    return t;
}

bool Tool::isLinked() { return next != this; }

bool Tool::isLinkedWith(Tool* t) {
    if (!t) return false;
    // Both rings at once, so the shorter ends the search: a fresh copy joining a long ring costs
    // one step, not the ring.
    Tool *m = this, *n = t;
    do {
        ++ringSteps;
        if (m == t || n == this) return true;
        m = m->next;
        n = n->next;
    } while (m != this && n != t);
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
