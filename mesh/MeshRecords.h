#pragma once
// The vertex and triangle records of a mesh. Edge i of a triangle joins corner i+1 to corner i+2
// and lies opposite corner i; neighbour[i] is the triangle across it (-1 when open) and its hard-edge
// mark is bit 1 << i of the flags.
#include <cstdint>

#include "foundation/Pbr.h"
#include "foundation/Vec.h"

namespace kal {

enum MeshVertexFlag : uint8_t {
    VertexSeam = 0x01,
    VertexPinned = 0x02,
    VertexOpen = 0x04,
    VertexAlive = 0x08,
    VertexSelected = 0x10,
};

enum MeshTriangleFlag : uint8_t {
    EdgeMarks = 0x07,
    TriangleAlive = 0x08,
    TriangleSelected = 0x10,
    TriangleVisited = 0x20,
    TriangleProcessed = 0x40,
};

struct MeshVertex {
    vec3 position;
    int32_t firstTriangle = -1;
    int32_t link = -1;
    uint8_t flags = VertexAlive;

    MeshVertex() = default;
    MeshVertex(vec3 p, int32_t first, int32_t link_, uint8_t flags_)
        : position(p), firstTriangle(first), link(link_), flags(flags_) {}

    bool alive() const { return flags & VertexAlive; }
    bool seam() const { return flags & VertexSeam; }
    bool pinned() const { return flags & VertexPinned; }
    bool open() const { return flags & VertexOpen; }

    // An open-boundary vertex always stays a seam; clearing the seam also unpins.
    void setSeam(bool on) {
        if (on)
            flags |= VertexSeam;
        else if (flags & VertexOpen)
            flags &= uint8_t(~VertexPinned);
        else
            flags &= uint8_t(~(VertexSeam | VertexPinned));
    }
    // A pinned vertex is always a seam vertex.
    void setPinned(bool on) {
        if (on) {
            flags |= VertexPinned;
            setSeam(true);
        } else {
            flags &= uint8_t(~VertexPinned);
        }
    }
};

struct MeshTriangle {
    int32_t vertex[3] = {-1, -1, -1};
    int32_t neighbour[3] = {-1, -1, -1};
    vec3 faceNormal;
    vec3 cornerNormal[3];
    pbr corner[3];
    uint8_t flags = TriangleAlive;

    MeshTriangle() = default;
    MeshTriangle(int32_t a, int32_t b, int32_t c, int32_t na, int32_t nb, int32_t nc, bool mark0, bool mark1,
                 bool mark2, const pbr& m0, const pbr& m1, const pbr& m2);

    bool alive() const { return flags & TriangleAlive; }
    bool marked(int edge) const { return flags & (1 << edge); }
    // 0, 1 or 2 for the corner holding v; -1 when v is not a corner.
    int cornerOf(int32_t v) const { return vertex[0] == v ? 0 : vertex[1] == v ? 1 : vertex[2] == v ? 2 : -1; }
    // The edge slot whose neighbour is t; -1 when t is not a neighbour.
    int slotOf(int32_t t) const { return neighbour[0] == t ? 0 : neighbour[1] == t ? 1 : neighbour[2] == t ? 2 : -1; }
};

// One vertex under the brush: weight 0 at the centre and 1 at the rim, offset from the centre.
struct BrushVertex {
    int32_t vertex = 0;
    float weight = 0;
    vec3 offset;
};

// One vertex inside a patch brush, seen from one fan of triangles round it. The records of one
// vertex chain through `next`.
struct PatchBrushRecord {
    int32_t vertex = -1;
    int32_t fanTriangle = -1;
    int32_t next = -1;
    float weight = 0;
};

} // namespace kal
