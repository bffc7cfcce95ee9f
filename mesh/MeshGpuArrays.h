#pragma once
// The CPU side of a mesh upload: the corner arrays of the groups that changed and the edge lines,
// built without any GL call so that the layout can be checked on its own. Ranged uploads stage
// their records in them; a full upload fills the same layout straight into the mapped buffer.
#include <cstdint>
#include <vector>

#include "foundation/LargeMemory.h"
#include "foundation/Mat.h"
#include "foundation/Pbr.h"

namespace kal {

class Mesh;
struct pbr;

// Groups of the corner buffer, in partChanged order.
enum MeshGpuGroup : int { GroupPositions = 0, GroupNormals = 1, GroupMaterials = 2, GroupIds = 3 };

// Bytes per corner of each array, in attribute order (position, normal, colour, light, material, id).
constexpr uint32_t cornerAttributeBytes[6] = {12, 6, 4, 4, 4, 4};
constexpr uint32_t bytesPerCorner = 34;

// Byte offset of attribute a (0..5; 6 gives the end) in a buffer of `corners` corners.
uint32_t cornerOffset(int a, int32_t corners);

struct MeshCornerArrays {
    int32_t corners = 0;  // 3 x alive triangles
    int32_t segments = 0; // edge lines, counted only with positions
    // sized uninitialised, then written whole
    LargeVector<float> positions;   // 3 per corner
    LargeVector<uint16_t> normals;  // 3 half floats per corner
    LargeVector<uint8_t> colours;   // 4 per corner
    LargeVector<uint8_t> lights;    // 4 per corner
    LargeVector<int16_t> materials; // roughness, metalness per corner
    LargeVector<uint32_t> ids;      // triangle index per corner
    std::vector<float> lines;       // 2 x 3 floats per segment

    // Calls f(array, values per corner) on each array of the groups set in `groups`, so that every
    // sizing of the arrays follows one map from groups to arrays.
    template <class F>
    void forGroups(const bool groups[4], F&& f) {
        if (groups[GroupPositions]) f(positions, 3);
        if (groups[GroupNormals]) f(normals, 3);
        if (groups[GroupMaterials]) {
            f(colours, 4);
            f(lights, 4);
            f(materials, 2);
        }
        if (groups[GroupIds]) f(ids, 1);
    }
};

// Fills the arrays of the groups set in parts (the others stay empty) from the alive triangles,
// and the edge lines when positions are set; with starts, also each record's first corner.
void buildCornerArrays(const Mesh& mesh, const bool parts[4], MeshCornerArrays& out,
                       std::vector<int32_t>* starts = nullptr);
// The same for triangle records first..end-1 only, without lines. With starts, also the first
// corner of each of those records, one more entry ending the last.
void buildCornerRange(const Mesh& mesh, const bool parts[4], int first, int end, MeshCornerArrays& out,
                      std::vector<int32_t>* starts = nullptr);
// The edge lines of the whole mesh into segments and lines.
void buildEdgeLines(const Mesh& mesh, MeshCornerArrays& out);

// The matrix that turns corner normals into view space for a model matrix: the inverse transpose
// of its linear part, sign-corrected for mirrors (normals keep pointing out), then the view's rotation.
mat3 meshNormalMatrix(const mat4& model, const mat4& view);

// GL side shared by every element drawn in the corner layout with "Mesh/Mesh" (context current):
// binds the buffer and points attributes 0..5 at the arrays, and the reverse.
void pointCornerAttributes(uint32_t buffer, const uint32_t offsets[6]);
void unpointCornerAttributes();
// GL: a context and the shared quad's vertex array (a core context draws nothing without one).
bool quadArrayReady();
// GL: the steps of a surface's bind once its buffers are current (`current`): an element already
// bound stays so; else, with the vertex array ready, point() sets the attributes and it is bound.
template <class Point>
bool bindOnce(bool current, bool& bound, Point point) {
    if (!current) return false;
    if (bound) return true;
    if (!quadArrayReady()) return false;
    point();
    bound = true;
    return true;
}
// GL: sets the uniforms every surface draw shares on the current program, for a model matrix
// under the camera: "ProjectionModelViewMatrix", "NormalMatrix", "ObjectId", "ItemId", and the
// material as "ObjectColor", "ObjectLight" and "ObjectMaterial" (roughness and metalness doubled).
void setSurfaceUniforms(uint32_t objectId, int32_t itemId, const mat4& model, const pbr& material);
// GL: the part of those without matrices: "ObjectId", "ItemId", "ObjectColor", "ObjectLight" and
// "ObjectMaterial", for programs that take no normals (the curve lines).
void setObjectUniforms(uint32_t objectId, int32_t itemId, const pbr& material);
// GL: draws `vertices` line ends (three floats each) from `buffer` with the current flat-colour
// program, placed by pmv, in one colour; last leaves attribute 0 and the array buffer unbound.
void drawLineBuffer(uint32_t buffer, int32_t vertices, const mat4& pmv, const uint8_t* colour, bool last);

} // namespace kal
