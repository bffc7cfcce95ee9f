#include "scene/SceneLists.h"

#include "scene/Element.h"
#include "scene/Tool.h"

namespace kal {

void SceneLists::clear() {
    tools.clear();
    worlds.clear();
    groups.clear();
    drawArgs.clear();
    geometryIndex.clear();
    helperIndex.clear();
    arraysCapped = false;
}

void SceneLists::update(Tool* root) {
    if (!root) return;
    std::vector<Tool*> t;
    std::vector<mat4> w;
    std::vector<int32_t> g, a;
    beginPlacementWalk(true);
    root->collectWorldTransforms(t, w, g, a, mat4(), 0, -1);
    arraysCapped |= placementWalk.capped;
    int32_t c = int32_t(tools.size());
    for (size_t k = 0; k < t.size(); ++k) {
        t[k]->index = c + int32_t(k);
        g[k] += c;
    }
    tools.insert(tools.end(), t.begin(), t.end());
    worlds.insert(worlds.end(), w.begin(), w.end());
    groups.insert(groups.end(), g.begin(), g.end());
    drawArgs.insert(drawArgs.end(), a.begin(), a.end());
}

void SceneLists::classify() {
    geometryIndex.clear();
    helperIndex.clear();
    for (int i = 0; i < size(); ++i) {
        if (tools[size_t(i)]->hasGeometry()) geometryIndex.push_back(i);
        if (tools[size_t(i)]->hasHelperGeometry()) helperIndex.push_back(i);
    }
}

void SceneLists::appendPlaced(Tool* tool, const std::vector<mat4>& placements, const SceneLists* scene, Tool* anchor,
                              int anchorIndex, bool ring) {
    if (!tool) return;
    std::vector<Tool*> t;
    std::vector<mat4> w;
    std::vector<int32_t> g, a;
    beginPlacementWalk(false);
    tool->collectWorldTransforms(t, w, g, a, mat4(), 0, -1);
    bool sceneEmpty = !scene || scene->tools.empty();
    Tool* current = anchor;
    int currentIndex = anchorIndex;
    for (;;) {
        mat4 anchorMatrix;
        if (current && !sceneEmpty) {
            anchorMatrix = current->composeMatrix();
            // the index may be older than the lists: the tool's own index field is as new as they
            // are; an anchor from another tree has no entry here and is placed by its own matrix
            auto listedAt = [&](int i) { return i >= 0 && i < scene->size() && scene->tools[size_t(i)] == current; };
            if (!listedAt(currentIndex)) currentIndex = current->index;
            if (listedAt(currentIndex)) anchorMatrix *= scene->worlds[size_t(currentIndex)];
        }
        for (const mat4& p : placements) {
            int32_t base = int32_t(tools.size());
            for (size_t k = 0; k < t.size(); ++k) {
                mat4 m = w[k];
                m *= p;
                m *= anchorMatrix;
                tools.push_back(t[k]);
                worlds.push_back(m);
                groups.push_back(g[k] + base);
                drawArgs.push_back(a[k]);
            }
        }
        if (!ring || !current || sceneEmpty) break;
        Tool* m = current->next;
        while (m != anchor && !(m->flags & PlacedFlag)) m = m->next;
        if (m == anchor) break;
        current = m;
        currentIndex = m->index;
    }
}

int SceneLists::transparencyClass(int i) const {
    const Tool* t = tools[size_t(i)];
    if (t->element && t->element->transparent) return 1;
    if (t->flags & TransparentFlag) return 1;
    return t->material.opacity < 0xFF00 ? 1 : 0;
}

void SceneLists::idFor(int i, int base, bool groupIds, uint32_t& id, int32_t& drawArg) const {
    int owner = i;
    drawArg = -1;
    int g = groups[size_t(i)];
    Tool* parent = (groupIds && g != i && g >= 0 && g < size()) ? tools[size_t(g)] : nullptr;
    if (parent) {
        if ((parent->isArray() || parent->isBiTool()) && drawArgs[size_t(i)] != -1) {
            owner = g;
            drawArg = drawArgs[size_t(i)];
        } else if (!parent->isArray() && !parent->isBiTool() && !parent->isRoot() && parent->isEmpty()) {
            owner = g;
        }
    }
    id = uint32_t(base + 1 + owner);
    if (tools[size_t(owner)]->flags & (HighlightFlag | CollectFlag)) id |= 0x80000000u;
}

void SceneLists::drawGeometry(int mode, const uint8_t* colour) {
    for (int32_t i : geometryIndex)
        if (i >= 0 && i < size() && matches(i, mode)) tools[size_t(i)]->drawFlat(worlds[size_t(i)], colour);
}

void SceneLists::drawHelpers(int mode, const uint8_t* colour) {
    for (int32_t i : helperIndex)
        if (i >= 0 && i < size() && matches(i, mode)) tools[size_t(i)]->drawHelperFlat(worlds[size_t(i)], colour);
}

void SceneLists::drawWithIds(int base, int mode, bool groupIds) {
    for (int i = 0; i < size(); ++i) {
        if (!matches(i, mode)) continue;
        uint32_t id;
        int32_t arg;
        idFor(i, base, groupIds, id, arg);
        tools[size_t(i)]->draw(id, worlds[size_t(i)], arg);
    }
}

} // namespace kal
