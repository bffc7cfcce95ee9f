#pragma once
// Strokes for the editing tests: sculptors with hand-made samples, applied through the dispatcher.
#include <memory>
#include <vector>

#include "editing/MeshEditing.h"
#include "mesh/Mesh.h"
#include "scene/Gesture.h"

namespace kal::test {

inline StrokeSample sampleAt(vec3 point, float radius = 1.0f, int item = -1, vec3 normal = vec3(0, 0, 1)) {
    StrokeSample s;
    s.point = point;
    s.normal = normal;
    s.radius = radius;
    s.itemId = item;
    return s;
}

// A sculptor of the given brush and mode in the given state, holding the samples.
inline std::unique_ptr<Sculptor> stroke(Brush action, int mode, int state, std::vector<StrokeSample> samples,
                                        vec3 view = vec3()) {
    auto s = std::make_unique<Sculptor>(action, mode, 2);
    s->state = state;
    s->samples = std::move(samples);
    s->viewDirection = view;
    s->paintMask = 0xFF;
    return s;
}

inline void apply(Mesh& m, std::initializer_list<Sculptor*> gestures) {
    std::vector<Gesture*> list(gestures.begin(), gestures.end());
    applyMeshGestures(m, list);
}

// Positions of every vertex, for before/after comparisons.
inline std::vector<vec3> positionsOf(const Mesh& m) {
    std::vector<vec3> out;
    for (int v = 0; v < m.vertexCount(); ++v) out.push_back(m.vertices[v].position);
    return out;
}

inline void clearUploadFlags(Mesh& m) {
    m.geometryChanged = false;
    for (bool& p : m.partChanged) p = false;
}

} // namespace kal::test
