#pragma once
// Selection steps shared by the editing operations: a vertex joins the selection list (flag and
// link), and the drag offsets follow the selection; and the corners a cut renormals.
#include <vector>

#include "foundation/Parallel.h"
#include "mesh/Mesh.h"

namespace kal::editing {

// Sizes the drag offsets to the selection: new entries zero, existing ones kept.
inline void sizeOffsets(Mesh& m) { m.dragOffsets.resize(m.selectedVertices.size(), vec3()); }

// Selects v unless it already is; answers whether it was added.
inline bool selectVertex(Mesh& m, int v) {
    MeshVertex& vx = m.vertices[v];
    if (vx.flags & VertexSelected) return false;
    vx.flags |= VertexSelected;
    vx.link = int32_t(m.selectedVertices.size());
    m.selectedVertices.push_back(v);
    return true;
}

// The drag offset of a selected vertex; null when v has none.
inline vec3* offsetOf(Mesh& m, int v) {
    int32_t link = m.vertices[v].link;
    if (link < 0 || size_t(link) >= m.dragOffsets.size()) return nullptr;
    return &m.dragOffsets[size_t(link)];
}

// Gives each not yet selected corner of the selected triangles a brush record of weight 0 and
// selects it; the record's offset is the corner normal when asked, else zero.
inline void collectRegionVertices(Mesh& m, bool cornerNormals) {
    for (int32_t t : m.selectedTriangles) {
        const MeshTriangle& tri = m.triangles[t];
        for (int c = 0; c < 3; ++c)
            if (selectVertex(m, tri.vertex[c]))
                m.brushVertices.push_back(
                    BrushVertex{tri.vertex[c], 0.0f, cornerNormals ? tri.cornerNormal[c] : vec3()});
    }
}

// clearSelection with the listed records' flags cleared in parallel (each is listed once).
inline void clearSelectionInParallel(Mesh& m) {
    parallelFor(int(m.selectedVertices.size()), [&](int begin, int end) {
        for (int i = begin; i < end; ++i) {
            MeshVertex& vx = m.vertices[m.selectedVertices[size_t(i)]];
            vx.flags &= uint8_t(~VertexSelected);
            vx.link = -1;
        }
    });
    parallelFor(int(m.selectedTriangles.size()), [&](int begin, int end) {
        for (int i = begin; i < end; ++i)
            m.triangles[m.selectedTriangles[size_t(i)]].flags &= uint8_t(~(TriangleSelected | TriangleVisited));
    });
    m.selectedVertices.clear();
    m.selectedTriangles.clear();
    m.clearSelection();
}

// The corners round the vertices a cut made, each once: every record the cut changed lies round
// one of them, so renormalling these is what the full pass would change.
class CutCorners {
public:
    explicit CutCorners(Mesh& m) : m(m), seen(size_t(m.vertexCount()), 0) {}
    // Adds the corners of the triangles round v; renormals those faces first when faces.
    void addRound(int v, bool faces) {
        m.vertexTriangles(v, ring);
        for (int32_t t : ring) {
            if (faces) m.updateFaceNormal(t);
            for (int32_t w : m.triangles[t].vertex) add(w);
        }
    }
    // Adds the alive corners of the listed triangles (their rings lost the triangles a deletion
    // took), found in parallel chunks.
    void addCornersOf(const std::vector<int32_t>& tris) {
        constexpr int kChunk = 4096;
        std::vector<std::vector<int32_t>> found(tris.size() / kChunk + 1);
        parallelForChunks(int(tris.size()), kChunk, [&](int k, int begin, int end) {
            for (int i = begin; i < end; ++i)
                for (int32_t w : m.triangles[tris[size_t(i)]].vertex)
                    if (w >= 0 && w < int(seen.size()) && m.vertices[w].alive()) found[size_t(k)].push_back(w);
        });
        for (const std::vector<int32_t>& chunk : found)
            for (int32_t w : chunk) add(w);
    }
    // Adds every alive vertex made since the store held count records.
    void addMadeSince(int count) {
        for (int w = count; w < int(seen.size()); ++w)
            if (m.vertices[w].alive()) add(w);
    }
    void renormal() {
        for (int32_t w : corners) m.updateVertexNormal(w);
    }

private:
    void add(int32_t w) {
        if (seen[size_t(w)]) return;
        seen[size_t(w)] = 1;
        corners.push_back(w);
    }

    Mesh& m;
    std::vector<int32_t> ring, corners;
    std::vector<uint8_t> seen;
};

} // namespace kal::editing
