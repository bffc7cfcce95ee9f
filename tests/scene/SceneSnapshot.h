#pragma once
// A text picture of a scene that two states can be compared by: every listed node in pre-order
// with its depth, fields (as exact bit patterns), element and the listed successor on its ring.
#include <cstdio>
#include <cstring>
#include <string>
#include <unordered_map>
#include <vector>

#include "scene/Scene.h"
#include "scene/Tool.h"

namespace kal::test {

inline void appendBits(std::string& s, const float* f, int n) {
    char buf[16];
    for (int i = 0; i < n; ++i) {
        uint32_t u;
        std::memcpy(&u, &f[i], 4);
        std::snprintf(buf, sizeof buf, "%08x ", u);
        s += buf;
    }
}

inline void listTree(Tool* t, int depth, std::vector<std::pair<Tool*, int>>& out) {
    out.push_back({t, depth});
    for (Tool* c : t->children) listTree(c, depth + 1, out);
}

inline std::string snapshot(Scene& scene) {
    std::vector<std::pair<Tool*, int>> nodes;
    for (Tool* c : scene.toolRoot->children) listTree(c, 0, nodes);
    nodes.push_back({scene.sceneRoot, -1});
    for (Tool* c : scene.sceneRoot->children) listTree(c, 0, nodes);
    std::unordered_map<Tool*, int> at;
    for (size_t i = 0; i < nodes.size(); ++i) at[nodes[i].first] = int(i);
    std::unordered_map<const Element*, int> elements;
    std::string s;
    char buf[160];
    for (auto& [t, depth] : nodes) {
        // the next member on the ring that is part of the trees; -1 for none besides itself
        int successor = -1;
        for (Tool* m = t->next; m != t; m = m->next)
            if (at.count(m)) {
                successor = at[m];
                break;
            }
        int element = -1;
        if (t->element) element = elements.emplace(t->element, int(elements.size())).first->second;
        const pbr& p = t->material;
        std::snprintf(buf, sizeof buf, "d%d k%d f%02x e%d r%d m%u,%u,%u,%u,%u,%u,%u,%u,%d,%d | ", depth, t->kind,
                      unsigned(t->flags & ~(HighlightFlag | CollectFlag)), element, successor, p.red, p.green, p.blue,
                      p.opacity, p.lightRed, p.lightGreen, p.lightBlue, p.refractivity, p.roughness, p.metalness);
        s += buf;
        appendBits(s, t->transform.m, 16);
        appendBits(s, t->pivot.m, 16);
        appendBits(s, &t->rotationAxis.x, 3);
        appendBits(s, &t->translationAxis.x, 3);
        appendBits(s, &t->multiplicity, 1);
        appendBits(s, &t->animationRate, 1);
        appendBits(s, &t->animationPhase, 1);
        s += "\n";
    }
    return s;
}

} // namespace kal::test
