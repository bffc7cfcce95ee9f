#include "scene/Acts.h"

#include <algorithm>
#include <cmath>
#include <unordered_map>
#include <unordered_set>

#include "scene/Scene.h"
#include "scene/Tool.h"

namespace kal {

Act::~Act() = default;
bool Act::hasEffect() { return true; }

namespace {

bool floatsDiffer(const float* a, const float* b, int n) {
    for (int i = 0; i < n; ++i)
        if (!(a[i] == b[i])) return true; // NaN is never equal, so it counts as a change
    return false;
}

std::vector<Tool*> resolveIds(Scene* scene, const std::vector<int32_t>& ids) {
    std::vector<Tool*> nodes;
    for (int32_t id : ids)
        nodes.push_back(id >= 1 && id <= scene->sceneLists.size() ? scene->sceneLists.tools[size_t(id - 1)] : nullptr);
    return nodes;
}

std::vector<int32_t> idsOf(Scene* scene, const std::vector<Tool*>& nodes) {
    std::vector<int32_t> ids;
    for (Tool* t : nodes) ids.push_back(scene->idOf(t));
    return ids;
}

// Resolves every id first, so that all of them refer to the same flattening, then deletes the
// nodes (last first when asked). Nodes are named by id rather than pointer because undoing a later
// removal brings nodes back as new objects.
void deleteByIds(Scene* scene, const std::vector<int32_t>& ids, bool lastFirst = false) {
    std::vector<Tool*> nodes = resolveIds(scene, ids);
    if (lastFirst) std::reverse(nodes.begin(), nodes.end());
    std::unordered_set<Tool*> doomed(nodes.begin(), nodes.end());
    std::vector<Tool*> tops;
    for (Tool* t : nodes) {
        if (!t) continue;
        bool goesWithAncestor = false;
        for (Tool* p = t->parent; p && !goesWithAncestor; p = p->parent) goesWithAncestor = doomed.count(p) > 0;
        if (!goesWithAncestor) tops.push_back(t);
    }
    // both ends of a pair may be listed: the first takes the second
    deleteTools(tops);
    scene->rebuildToolLists();
}

// Takes every node of a subtree out of its ring.
void isolate(Tool* t) {
    std::vector<Tool*> nodes;
    listSubtree(t, nodes);
    unlinkAll(nodes);
}

// The copy of a template that a record keeps.
Tool* keptCopy(Tool* tmpl) {
    if (!tmpl) return nullptr;
    Tool* t = tmpl->copy(false);
    isolate(t);
    return t;
}

// A record's kept template copy stays out of every ring between runs, so that no ring-wide edit
// reaches it and no ring order depends on it. While the record places copies, each of its nodes
// stands right after the template node it was made from, as a fresh linked copy would.
class TemplateRings {
public:
    TemplateRings(Scene* scene, int32_t templateId, Tool* kept) : kept_(kept) {
        Tool* original = templateId != noId && templateId != 0 ? scene->objectById(templateId) : nullptr;
        if (!original || !kept) return;
        std::vector<Tool*> from, to;
        listSubtree(original, from);
        listSubtree(kept, to);
        if (from.size() != to.size()) return; // the template changed shape since: place unlinked
        for (size_t i = 0; i < from.size(); ++i) from[i]->link(to[i]);
    }
    ~TemplateRings() {
        if (kept_) isolate(kept_);
    }

private:
    Tool* kept_;
};

} // namespace

// ---- property records ----

ActObjectProperty::ActObjectProperty(int32_t k, Scene* s, int32_t i, bool r) : Act(k), id(i), ring(r), scene(s) {}

bool ActObjectProperty::gatherTargets() {
    targets.clear();
    if (!scene->select(id) || !scene->selectedObject) {
        scene->clearSelection();
        return false;
    }
    Tool* object = scene->selectedObject;
    object->setHighlight(ring, false);
    resize(object->collectRing(targets, ring));
    return true;
}

void ActObjectProperty::releaseTargets() {
    if (scene->selectedObject) scene->selectedObject->clearHighlight(ring, false);
    scene->clearSelection();
    targets.clear();
}

void ActObjectProperty::toggle() {
    if (!gatherTargets()) return;
    for (int i = 0; i < int(targets.size()); ++i) {
        if (first)
            capture(i);
        else
            swap(i);
    }
    first = false;
    releaseTargets();
}

bool ActObjectProperty::hasEffect() {
    if (!gatherTargets()) return false;
    bool any = false;
    for (int i = 0; i < int(targets.size()) && !any; ++i) any = differs(i);
    releaseTargets();
    return any;
}

bool ActObjectProperty::changed(const vec3& a, const vec3& b) { return floatsDiffer(&a.x, &b.x, 3); }
bool ActObjectProperty::changed(const mat4& a, const mat4& b) { return floatsDiffer(a.m, b.m, 16); }

// ---- additions ----

ActObjectAdd::ActObjectAdd(Scene* s, int32_t i, Tool* tmpl, const std::vector<mat4>& p, int32_t m, bool tr, bool kr)
    : Act(ActAddKind), templateTool(keptCopy(tmpl)), id(i), scene(s), placements(p), mode(m), toRing(tr), keepRing(kr),
      templateId(s->idOf(tmpl)) {
    toggle();
}

ActObjectAdd::~ActObjectAdd() { delete templateTool; }

void ActObjectAdd::toggle() {
    if (applied) {
        deleteByIds(scene, createdIds);
        applied = false;
        return;
    }
    TemplateRings joined(scene, templateId, templateTool);
    scene->select(id);
    if (first) {
        std::vector<Tool*> created;
        scene->insertCopies(templateTool, placements, created, mode, toRing, keepRing);
        scene->rebuildToolLists();
        for (Tool* t : created) createdIds.push_back(scene->idOf(t));
        first = false;
    } else {
        scene->placeTool(templateTool, placements, mode, toRing, keepRing);
        scene->rebuildToolLists();
    }
    scene->clearSelection();
    applied = true;
}

ActObjectAddBiTool::ActObjectAddBiTool(Scene* s, int32_t i, int32_t pi, Tool* tmpl, Tool* partnerTmpl,
                                       const std::vector<mat4>& p, const std::vector<mat4>& pp, int32_t m, bool tr,
                                       bool kr)
    : Act(ActAddBiToolKind), templateTool(keptCopy(tmpl)), partnerTemplate(keptCopy(partnerTmpl)), id(i), partnerId(pi),
      scene(s), placements(p), partnerPlacements(pp), mode(m), toRing(tr), keepRing(kr), templateId(s->idOf(tmpl)),
      partnerTemplateId(s->idOf(partnerTmpl)) {}

ActObjectAddBiTool::~ActObjectAddBiTool() {
    delete templateTool;
    delete partnerTemplate;
}

void ActObjectAddBiTool::toggle() {
    if (applied) {
        deleteByIds(scene, createdIds);
        applied = false;
        return;
    }
    std::vector<Tool*> created;
    TemplateRings joined(scene, templateId, templateTool);
    TemplateRings partnerJoined(scene, partnerTemplateId, partnerTemplate);
    scene->select(id);
    Tool* end = first ? scene->insertCopies(templateTool, placements, created, mode, toRing, keepRing)
                      : scene->placeTool(templateTool, placements, mode, toRing, keepRing);
    scene->select(partnerId);
    Tool* other = scene->placeTool(partnerTemplate, partnerPlacements, mode, toRing, keepRing);
    scene->clearSelection();
    if (end && other) end->attachPartner(other);
    scene->rebuildToolLists();
    if (first) {
        for (Tool* t : created) createdIds.push_back(scene->idOf(t));
        first = false;
    }
    applied = true;
}

// ---- removal ----

namespace {

// Every node a deletion of top frees with it, the copies of its arrays included, in an order its
// deep copies share. (Numbers the nodes' index fields, which the next list rebuild sets again.)
void listRemovable(Tool* top, std::vector<Tool*>& out) { top->enumerate(out); }

// A deep copy that keeps every field but joins no ring: what the record keeps must never be
// reached by a ring-wide edit of the scene.
Tool* isolatedCopy(Tool* source) {
    Tool* copy = source->copyTransformedAll(mat4(), false);
    std::vector<Tool*> from, to;
    listRemovable(source, from);
    listRemovable(copy, to);
    for (size_t i = 0; i < to.size() && i < from.size(); ++i) {
        if (i > 0) to[i]->unlink();
        to[i]->flags = uint8_t(from[i]->flags & ~(HighlightFlag | CollectFlag));
        to[i]->pivot = from[i]->pivot; // bit for bit: a product with identity would turn -0 into +0
        to[i]->animationTime = from[i]->animationTime;
    }
    return copy;
}

} // namespace

ActObjectRemove::ActObjectRemove(Scene* s, int32_t i) : Act(ActRemoveKind), id(i), scene(s) {}

ActObjectRemove::~ActObjectRemove() {
    for (Tool* c : clones) delete c;
}

void ActObjectRemove::firstApply() {
    // only objects of the scene tree are removed; a template's parent could not be told apart
    // from the scene root by id when it comes back
    if (id < 1) return;
    Tool* t = scene->objectById(id);
    if (!t || t->isRoot()) return;
    // an array's copy is no child of it: it could not be put back where it was
    if (t->parent && t->parent->indexOfChild(t) < 0) return;
    std::vector<Tool*> roots, partnerFrom, partnerTo, ringFrom, ringTo;
    t->collectCutLinks(roots, partnerFrom, partnerTo, ringFrom, ringTo, true, true, true);

    std::vector<Tool*> parents;
    std::vector<Tool*> removed; // every node of the removed subtrees, root by root
    for (Tool* r : roots) {
        clones.push_back(isolatedCopy(r));
        listRemovable(r, removed);
    }
    std::unordered_map<Tool*, int32_t> position;
    for (size_t p = 0; p < removed.size(); ++p) position.emplace(removed[p], int32_t(p));

    linkFrom.assign(partnerFrom.size(), -1);
    linkTo.assign(partnerTo.size(), -1);
    for (size_t j = 0; j < partnerFrom.size(); ++j) {
        auto f = position.find(partnerFrom[j]);
        auto g = position.find(partnerTo[j]);
        if (f != position.end()) linkFrom[j] = f->second;
        if (g != position.end()) linkTo[j] = g->second;
    }

    // each parent's children are numbered once: a parent may hold thousands of the roots
    std::unordered_map<Tool*, size_t> parentSlot;
    std::unordered_map<Tool*, int32_t> childAt;
    for (size_t i = 0; i < roots.size(); ++i) {
        Tool* parent = roots[i]->parent;
        auto [it, fresh] = parentSlot.emplace(parent, parents.size());
        if (fresh) {
            parents.push_back(parent);
            insertions.emplace_back();
            if (parent)
                for (size_t c = 0; c < parent->children.size(); ++c) childAt.emplace(parent->children[c], int32_t(c));
        }
        auto at = childAt.find(roots[i]);
        insertions[it->second].push_back({int32_t(i), !parent ? 0 : at != childAt.end() ? at->second : -1});
    }
    for (auto& list : insertions)
        std::sort(list.begin(), list.end(), [](const auto& a, const auto& b) { return a.second < b.second; });

    // Rings that cross the removed set, member by member in ring order, starting at a removed node.
    std::vector<std::vector<Tool*>> ringMembers;
    std::unordered_map<Tool*, bool> seen;
    for (Tool* r : removed) {
        if (!r->isLinked() || seen.count(r)) continue;
        std::vector<Tool*> members;
        Tool* m = r;
        do {
            seen[m] = true;
            members.push_back(m);
            m = m->next;
        } while (m != r);
        ringMembers.push_back(members);
    }

    delete t;
    scene->rebuildToolLists();
    for (Tool* p : parents) parentIds.push_back(p ? scene->idOf(p) : noId);
    for (const auto& members : ringMembers) {
        std::vector<RingRef> refs;
        for (Tool* m : members) {
            auto it = position.find(m);
            refs.push_back(it != position.end() ? RingRef{true, it->second} : RingRef{false, scene->idOf(m)});
        }
        rings.push_back(refs);
    }
    first = false;
    applied = true;
}

void ActObjectRemove::revert() {
    std::vector<Tool*> parents;
    for (int32_t pid : parentIds) parents.push_back(pid == noId ? nullptr : scene->objectById(pid));
    // the members that stayed are resolved before the restored nodes shift any id
    std::vector<std::vector<Tool*>> stayed(rings.size());
    for (size_t r = 0; r < rings.size(); ++r)
        for (const RingRef& ref : rings[r]) stayed[r].push_back(ref.removed ? nullptr : scene->objectById(ref.value));

    std::vector<Tool*> restoredRoots(clones.size(), nullptr);
    for (size_t k = 0; k < insertions.size(); ++k) {
        Tool* parent = k < parents.size() ? parents[k] : nullptr;
        if (!parent) continue; // the parent went away outside of undo order; nothing to restore into
        for (const auto& entry : insertions[k]) {
            size_t i = size_t(entry.first);
            if (i >= clones.size()) continue;
            restoredRoots[i] = parent->insertChild(entry.second, isolatedCopy(clones[i]));
        }
    }
    std::vector<Tool*> restored;
    for (Tool* r : restoredRoots)
        if (r) listRemovable(r, restored);
    auto nodeAt = [&](int32_t p) -> Tool* {
        return p >= 0 && p < int32_t(restored.size()) ? restored[size_t(p)] : nullptr;
    };

    for (size_t j = 0; j < linkFrom.size() && j < linkTo.size(); ++j) {
        Tool* a = nodeAt(linkFrom[j]);
        Tool* b = nodeAt(linkTo[j]);
        if (a && b) a->attachPartner(b);
    }

    // Put every restored node back at its place in its ring: after the member it followed. Members
    // that are in neither tree (templates kept by other records) cannot be named by id; they are
    // counted instead, and stepped over on the live ring.
    for (size_t r = 0; r < rings.size(); ++r) {
        const std::vector<RingRef>& refs = rings[r];
        size_t n = refs.size();
        auto memberAt = [&](size_t k) -> Tool* { return refs[k].removed ? nodeAt(refs[k].value) : stayed[r][k]; };
        size_t start = n;
        for (size_t k = 0; k < n && start == n; ++k)
            if (!refs[k].removed && stayed[r][k]) start = k;
        if (start == n) {
            // every member that can be named was removed: they close a ring of their own
            std::vector<Tool*> own;
            for (size_t k = 0; k < n; ++k)
                if (Tool* m = memberAt(k)) own.push_back(m);
            for (size_t k = 0; k < own.size(); ++k) own[k]->next = own[(k + 1) % own.size()];
            continue;
        }
        Tool* anchor = stayed[r][start];
        int hidden = 0;
        for (size_t step = 1; step < n; ++step) {
            size_t k = (start + step) % n;
            Tool* m = memberAt(k);
            if (!m) {
                ++hidden;
                continue;
            }
            if (refs[k].removed) {
                Tool* before = anchor;
                for (int j = 0; j < hidden && before->next != anchor; ++j) before = before->next;
                m->next = before->next;
                before->next = m;
            }
            anchor = m;
            hidden = 0;
        }
    }
    scene->rebuildToolLists();
    applied = false;
}

void ActObjectRemove::toggle() {
    if (applied) {
        revert();
        return;
    }
    if (first) {
        firstApply();
        return;
    }
    Tool* t = scene->objectById(id);
    if (t && !t->isRoot()) delete t;
    scene->rebuildToolLists();
    applied = true;
}

// ---- copies of existing objects ----

ActObjectMultiply::ActObjectMultiply(Scene* s, int32_t i, const std::vector<mat4>& p, bool tr, bool kr)
    : Act(ActMultiplyKind), id(i), scene(s), placements(p), toRing(tr), keepRing(kr) {}

void ActObjectMultiply::toggle() {
    if (applied) {
        deleteByIds(scene, createdIds, true);
        created.clear();
        applied = false;
        return;
    }
    if (!scene->select(id) || !scene->selectedObject) {
        scene->clearSelection();
        return;
    }
    Tool* object = scene->selectedObject;
    Tool* parent = object->parent;
    scene->selectedObject = parent && !parent->isRoot() ? parent : nullptr;
    created.clear();
    scene->insertCopies(object, placements, created, 2, toRing, keepRing);
    scene->clearSelection();
    scene->rebuildToolLists();
    createdIds = idsOf(scene, created);
    applied = true;
}

ActObjectCopyTransform::ActObjectCopyTransform(Scene* s, int32_t i, int32_t m, bool tr)
    : Act(ActCopyTransformKind), id(i), scene(s), mode(m), toRing(tr) {}

void ActObjectCopyTransform::toggle() {
    if (applied) {
        std::vector<Tool*> nodes = resolveIds(scene, createdIds);
        savedPivots.resize(nodes.size());
        savedTransforms.resize(nodes.size());
        for (size_t i = 0; i < nodes.size(); ++i) {
            if (!nodes[i]) continue;
            savedPivots[i] = nodes[i]->pivot;
            savedTransforms[i] = nodes[i]->transform;
        }
        deleteByIds(scene, createdIds, true);
        created.clear();
        applied = false;
        return;
    }
    ToolRef group = scene->pickedGroup;
    ToolRef object = scene->pickedObject;
    int32_t groupIndex = scene->pickedGroupIndex;
    int32_t index = scene->pickedIndex;
    created.clear();
    if (scene->pick(id)) scene->insertInPlaceCopy(created, toRing, mode);
    scene->pickedGroup = group;
    scene->pickedObject = object;
    scene->pickedGroupIndex = groupIndex;
    scene->pickedIndex = index;
    for (size_t i = 0; i < created.size() && i < savedPivots.size(); ++i) {
        created[i]->pivot = savedPivots[i];
        created[i]->transform = savedTransforms[i];
    }
    scene->rebuildToolLists();
    createdIds = idsOf(scene, created);
    applied = !created.empty();
}

// ---- rings ----

ActObjectLink::ActObjectLink(Scene* s, int32_t a, int32_t b) : Act(ActLinkKind), idA(a), idB(b), scene(s) {}

void ActObjectLink::toggle() {
    Tool* a = scene->objectById(idA);
    Tool* b = scene->objectById(idB);
    if (!a || !b) return;
    if (first) {
        if (a == b || a->isLinkedWith(b)) {
            idA = idB; // nothing to do: the record has no effect and is dropped
            return;
        }
        first = false;
    }
    std::swap(a->next, b->next);
}

ActObjectUnlink::ActObjectUnlink(Scene* s, int32_t i) : Act(ActUnlinkKind), id(i), scene(s) {}

void ActObjectUnlink::toggle() {
    Tool* t = scene->objectById(id);
    if (!t) return;
    if (first) {
        // the successor is remembered by id, so it must be a node of the trees; members in neither
        // tree (templates kept by other records) are stepped over and counted
        hiddenBefore = 0;
        for (Tool* m = t->next; m != t && successorId == 0; m = m->next) {
            int32_t found = scene->idOf(m);
            if (found != noId)
                successorId = found;
            else
                ++hiddenBefore;
        }
        if (successorId == 0) return;
        first = false;
    }
    if (!applied) {
        t->unlink();
        applied = true;
        return;
    }
    Tool* n = scene->objectById(successorId);
    if (!n || t->isLinked()) return;
    // back in front of the member it pointed at: hiddenBefore places before the successor
    Tool* follower = n;
    for (int j = 0; j < hiddenBefore; ++j) {
        Tool* p = follower->previousLinked();
        if (p == n) break;
        follower = p;
    }
    follower->previousLinked()->next = t;
    t->next = follower;
    applied = false;
}

} // namespace kal
