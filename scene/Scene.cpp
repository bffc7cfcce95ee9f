#include "scene/Scene.h"

#include <algorithm>
#include <unordered_map>

#include "scene/Element.h"
#include "scene/Registry.h"
#include "scene/Tool.h"

namespace kal {

namespace {
ClayFactory clayFactory = nullptr;
}

void registerClayFactory(ClayFactory factory) { clayFactory = factory; }

Scene::Scene() { createRoots(); }

Scene::~Scene() {
    delete sceneRoot;
    delete toolRoot;
}

void Scene::createRoots() {
    currentTool = selectedGroup = selectedObject = pickedGroup = pickedObject = nullptr;
    delete sceneRoot;
    delete toolRoot;
    sceneRoot = new Root();
    toolRoot = new Root();
    sceneLists.clear();
    workLists.clear();
    toolLists.clear();
}

Tool* Scene::addToMainRoot(Tool* tool) {
    Tool* t = toolRoot->addChild(tool, false);
    currentTool = t;
    return t;
}

Tool* Scene::cycleCurrentTool(bool backwards) {
    const std::vector<Tool*>& c = toolRoot->children;
    int k = int(c.size());
    if (k == 0) return currentTool = nullptr;
    int p = toolRoot->indexOfChild(currentTool);
    if (p < 0)
        currentTool = c[0];
    else
        currentTool = c[size_t(backwards ? (p + k - 1) % k : (p + 1) % k)];
    return currentTool;
}

void Scene::setTime(double t) {
    sceneAnimationTime = t;
    sceneRoot->setTime();
    toolRoot->setTime();
}

bool Scene::repairRings() {
    std::vector<Tool*> list;
    toolRoot->enumerate(list);
    sceneRoot->enumerate(list);
    std::unordered_map<Tool*, size_t> at;
    at.reserve(list.size());
    for (size_t i = 0; i < list.size(); ++i) at.emplace(list[i], i);
    // A member whose ring leaves the list, or never comes back to it, cannot be walked safely:
    // every such member is unlinked, so that each remaining ring is a closed cycle. Each member is
    // walked over once: a walk from an unseen member follows the ring until it leaves the list,
    // comes back to a member seen before, or closes.
    enum : uint8_t { Unseen, OnWalk, Closed, Broken };
    std::vector<uint8_t> state(list.size(), Unseen);
    std::vector<size_t> path;
    for (size_t i = 0; i < list.size(); ++i) {
        if (state[i] != Unseen || list[i]->next == list[i]) continue;
        path.clear();
        size_t k = i, loopStart = path.size();
        bool loop = false;
        for (;;) {
            ++ringSteps;
            state[k] = OnWalk;
            path.push_back(k);
            auto it = at.find(list[k]->next);
            if (it == at.end()) break;
            size_t n = it->second;
            if (state[n] == OnWalk) {
                // back on this walk: the members from there on form a ring, those before lead into it
                loop = true;
                loopStart = size_t(std::find(path.begin(), path.end(), n) - path.begin());
                break;
            }
            if (state[n] != Unseen) break;
            k = n;
        }
        for (size_t p = 0; p < path.size(); ++p) state[path[p]] = loop && p >= loopStart ? Closed : Broken;
    }
    for (size_t i = 0; i < list.size(); ++i)
        if (state[i] == Broken) list[i]->next = list[i];
    return true;
}

// ---- lists and ids ----

void Scene::rebuildToolLists() {
    sceneLists.clear();
    workLists.clear();
    sceneLists.update(sceneRoot);
    sceneLists.classify();
    toolLists.clear();
    toolLists.update(toolRoot);
    toolLists.classify();
}

Tool* Scene::objectById(int32_t id) {
    if (id == 0) return sceneRoot;
    if (id >= 1 && id <= sceneLists.size()) return sceneLists.tools[size_t(id - 1)];
    if (id <= -1 && id >= -toolLists.size()) return toolLists.tools[size_t(-id - 1)];
    return nullptr;
}

int32_t Scene::idOf(Tool* tool) {
    if (!tool) return noId;
    if (tool->isRoot()) return 0;
    for (int i = 0; i < sceneLists.size(); ++i)
        if (sceneLists.tools[size_t(i)] == tool) return i + 1;
    for (int i = 0; i < toolLists.size(); ++i)
        if (toolLists.tools[size_t(i)] == tool) return -(i + 1);
    return noId;
}

int Scene::groupRootOf(int i) const {
    // parents always come before their children, so the walk ends; the bound guards a corrupt table
    for (int steps = 0; steps <= sceneLists.size(); ++steps) {
        int g = sceneLists.groups[size_t(i)];
        if (g == i || g < 0 || g >= sceneLists.size()) return i;
        i = g;
    }
    return i;
}

bool Scene::pick(int32_t id) {
    pickedGroup = pickedObject = nullptr;
    if (id < 1 || id > sceneLists.size()) return false;
    pickedIndex = id - 1;
    pickedObject = sceneLists.tools[size_t(pickedIndex)];
    pickedGroupIndex = groupRootOf(pickedIndex);
    pickedGroup = sceneLists.tools[size_t(pickedGroupIndex)];
    return true;
}

bool Scene::lookupWithMatrices(int32_t id, ToolRef& group, ToolRef& object, mat4& groupMatrix, mat4& objectMatrix,
                               bool setPicked) {
    group = object = nullptr;
    if (setPicked) pickedGroup = pickedObject = nullptr;
    groupMatrix = mat4();
    objectMatrix = mat4();
    if (id < 1 || id > sceneLists.size()) return false;
    int i = id - 1;
    object = sceneLists.tools[size_t(i)];
    objectMatrix = sceneLists.worlds[size_t(i)];
    int g = groupRootOf(i);
    group = sceneLists.tools[size_t(g)];
    groupMatrix = sceneLists.worlds[size_t(g)];
    if (setPicked) {
        pickedIndex = i;
        pickedGroupIndex = g;
        pickedGroup = group;
        pickedObject = object;
    }
    return true;
}

bool Scene::select(int32_t id) {
    clearSelection();
    if (!pick(id)) return false;
    selectedGroup = pickedGroup;
    selectedObject = pickedObject;
    return true;
}

void Scene::clearSelection() { selectedGroup = selectedObject = pickedGroup = pickedObject = nullptr; }

bool Scene::collectById(int32_t id, std::vector<Tool*>& chain, std::vector<mat4>& matrices, int count) {
    chain.clear();
    matrices.clear();
    if (id < 1 || id > sceneLists.size()) return false;
    if (count == 0) return true;
    int i = id - 1;
    for (int steps = 0; steps <= sceneLists.size(); ++steps) {
        int g = sceneLists.groups[size_t(i)];
        if (g == i || g < 0 || g >= sceneLists.size()) break;
        Tool* t = sceneLists.tools[size_t(i)];
        t->flags ^= CollectFlag;
        chain.insert(chain.begin(), t);
        matrices.insert(matrices.begin(), t->isBiTool() ? t->firstEndFrame() : sceneLists.worlds[size_t(i)]);
        if (count > 0 && --count == 0) break;
        i = g;
    }
    return true;
}

// ---- structural changes ----

Tool* Scene::attachCollecting(Tool* host, Tool* c, bool toRing, std::vector<Tool*>* created) {
    std::vector<Tool*> receivers;
    if (created) {
        host->collectRing(receivers, toRing);
        if (receivers.empty()) receivers.push_back(host); // nothing highlighted: the host keeps the node
    }
    Tool* r = host->addChild(c, toRing);
    if (created)
        for (Tool* m : receivers)
            if (!m->children.empty()) created->push_back(m->children.back());
    return r;
}

Tool* Scene::attachCopy(Tool* tool, const mat4& m, int mode, bool link) {
    if (!tool) return nullptr;
    if (!selectedObject) mode = 0;
    Tool* host = mode == 0 ? sceneRoot : mode == 1 ? selectedGroup : mode == 2 ? selectedObject : nullptr;
    if (!host) return nullptr; // no place to go: make no copy that nobody would own
    Tool* c = tool->copyTransformed(m, link, 0);
    return host->addChild(c, mode != 0);
}

Tool* Scene::place(Tool* tmpl, const std::vector<mat4>& placements, std::vector<Tool*>* created, int mode, bool toRing,
                   bool keepRing) {
    if (!tmpl || placements.empty()) return nullptr;
    if (!selectedObject) mode = 0;
    Tool* host = mode == 0 ? sceneRoot : mode == 1 ? selectedGroup : mode == 2 ? selectedObject : nullptr;
    if (!host) return nullptr;
    bool ringWide = toRing && mode != 0;
    if (ringWide) host->setHighlight(true, false);
    Tool* clone = tmpl->copy(false);
    if (!keepRing) clone->unlink();
    Tool* last = nullptr;
    for (const mat4& m : placements) {
        Tool* c = clone->copyTransformed(m, true, 0);
        last = attachCollecting(host, c, ringWide, created);
    }
    delete clone;
    if (ringWide) host->clearHighlight(true, false);
    return last;
}

Tool* Scene::placeTool(Tool* tmpl, const std::vector<mat4>& placements, int mode, bool toRing, bool keepRing) {
    return place(tmpl, placements, nullptr, mode, toRing, keepRing);
}

Tool* Scene::insertCopies(Tool* tmpl, const std::vector<mat4>& placements, std::vector<Tool*>& created, int mode,
                          bool toRing, bool keepRing) {
    return place(tmpl, placements, &created, mode, toRing, keepRing);
}

Tool* Scene::insertInPlaceCopy(std::vector<Tool*>& created, bool toRing, int mode) {
    Tool* p = pickedObject;
    if (!p) return nullptr;
    auto inPlaceCopy = [p] {
        Tool* c = p->copyTransformed(mat4(), false, 0);
        c->pivot = inverseAffine(p->transform);
        c->transform = p->transform;
        return c;
    };
    Tool* host = p;
    if (mode != 2) {
        if (!p->parent || p->parent->isRoot()) {
            Tool* c = inPlaceCopy();
            created.push_back(c);
            return sceneRoot->addChild(c, false);
        }
        int g = pickedIndex >= 0 && pickedIndex < sceneLists.size() ? sceneLists.groups[size_t(pickedIndex)] : -1;
        host = g >= 0 && g < sceneLists.size() ? sceneLists.tools[size_t(g)] : p->parent;
    }
    if (toRing) host->setHighlight(true, false);
    Tool* r = attachCollecting(host, inPlaceCopy(), toRing, &created);
    if (toRing) host->clearHighlight(true, false);
    return r;
}

void Scene::removeTool(Tool* tool, bool withRing) {
    if (pickedObject) pickedObject->clearCollect(true, false);
    if (tool) {
        if (withRing)
            tool->setCollect(true, false);
        else
            tool->flags |= CollectFlag;
    }
    sceneRoot->purgeChildren();
    clearSelection();
}

bool Scene::replaceElement(Element* old, Element* e) {
    // the lists are only as fresh as the last render or undo record: a tool added since must convert too
    sceneLists.clear();
    sceneLists.update(sceneRoot);
    sceneLists.classify();
    bool replaced = false;
    for (Tool* t : sceneLists.tools) {
        if (t->element != old) continue;
        replaced = true;
        if (t->setElement(e) == 2) break;
    }
    return replaced;
}

bool Scene::convertToTriMesh(Element* element) {
    if (!element) return false;
    int32_t type = element->typeCode;
    if (type == MeshType || type == SpriteType || type == AnimatedSpriteType) return false;
    Element* mesh = element->toMesh();
    if (!mesh) return false; // nothing to convert to: the tools keep their element
    bool replaced = replaceElement(element, mesh);
    if (mesh->useCount <= 0) delete mesh; // no scene tool held the element
    return replaced;
}

bool Scene::convertToClay(Element* element) {
    if (!element) return false;
    if (!clayFactory) throw EmptyRegistry("clay factory");
    int32_t type = element->typeCode;
    if (type == ClayType || type == SpriteType || type == AnimatedSpriteType) return false;
    Element* mesh = type == MeshType ? element->detach() : element->toMesh();
    if (!mesh) return false;
    Element* clay = clayFactory(mesh);
    if (mesh != element) {
        // a detach of a kind without deep copy answers the element itself; anything else is ours
        delete mesh;
    }
    if (!clay) return false;
    bool replaced = replaceElement(element, clay);
    if (clay->useCount <= 0) delete clay;
    return replaced;
}

// ---- working lists and drawing by id ----

void Scene::collectTargets(Tool* tool, const std::vector<mat4>& placements, int mode, bool ring) {
    if (!tool) return;
    if (mode < 0 || mode > 2) {
        workLists.classify();
        return;
    }
    Tool* anchor = nullptr;
    int anchorIndex = 0;
    if (mode == 1 && pickedObject) {
        anchor = pickedGroup;
        anchorIndex = pickedGroupIndex;
    } else if (mode == 2 && pickedObject) {
        anchor = pickedObject;
        anchorIndex = pickedIndex;
    }
    workLists.appendPlaced(tool, placements, &sceneLists, anchor, anchorIndex, anchor ? ring : true);
    workLists.classify();
}

void Scene::filterLists(int mode, bool groupIds, bool working) {
    if (working)
        workLists.drawWithIds(sceneLists.size(), mode, groupIds);
    else
        sceneLists.drawWithIds(0, mode, groupIds);
}

} // namespace kal
