#pragma once
// What the sculpt dispatcher keeps on a mesh over one stroke, so that each tick of a stroke costs
// what it touches rather than a pass over the whole mesh. The dispatcher builds and trusts it only
// while the same stroke goes on; the mesh itself only grows the run boxes while they are lent out.
#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

#include "foundation/Vec.h"

namespace kal {

struct MeshStrokeCache {
    // Vertex records are boxed in runs of this many: short runs keep a box to a stretch of one
    // latitude ring of a generated sphere, so a small brush reads few records. Spans of kSpan
    // runs are boxed too, so that most short boxes are never read.
    static constexpr int kRun = 64;
    static constexpr int kSpan = 64;
    // The stroke it was kept for (an identity, never dereferenced), that stroke's sample count and
    // the mesh's record counts at the end of its last tick.
    const void* stroke = nullptr;
    size_t samples = 0;
    int vertexCount = 0;
    int triangleCount = 0;
    // The low and high corner of each run of vertex records; the brush gathering skips runs that
    // miss the brush while `lent` is set, and applyDrag grows them then.
    std::vector<vec3> runBounds, spanBounds;
    bool lent = false;
    // Per triangle: whether it lies in the stroke's patch or component.
    std::vector<uint8_t> region;
    // The patches an extrusion stroke's push steps move: their vertices, one list per patch (the
    // picked patch first; pushStarts has one more entry than there are patches), and mean normals.
    std::vector<int32_t> pushVertices, pushStarts;
    std::vector<vec3> pushNormals;
    // While set, applyDrag keeps each selected vertex's offset here instead of moving it, so that
    // symmetric copies whose dabs overlap all gather from the same surface; the dispatcher adds
    // what they held together afterwards.
    bool holdDrag = false;
    std::vector<std::pair<int32_t, vec3>> heldDrag;
    // While set, the patch cuts of symmetric copies flag the vertices of the lines they draw, and
    // the patch walks of the copies after them cross the marked edges between two flagged
    // vertices: each copy cuts its patch as it was before the stroke, not the piece of it that an
    // earlier copy's line cut off.
    bool keepLines = false;
    std::vector<uint8_t> lineVertices;

    void keepLineVertex(int v) {
        if (!keepLines || v < 0) return;
        if (size_t(v) >= lineVertices.size()) lineVertices.resize(size_t(v) + 1, 0);
        lineVertices[size_t(v)] = 1;
    }
    // Whether edge a-b runs along a line an earlier copy of the stroke drew.
    bool alongDrawnLine(int a, int b) const {
        return a >= 0 && b >= 0 && size_t(a) < lineVertices.size() && size_t(b) < lineVertices.size() &&
               lineVertices[size_t(a)] && lineVertices[size_t(b)];
    }

    void clear() {
        stroke = nullptr;
        runBounds.clear();
        spanBounds.clear();
        lent = false;
        region.clear();
        pushVertices.clear();
        pushStarts.clear();
        pushNormals.clear();
        holdDrag = false;
        heldDrag.clear();
        keepLines = false;
        lineVertices.clear();
    }
};

} // namespace kal
