#pragma once
// Flat views of a tool tree, rebuilt before every frame: one entry per node with the matrix its
// ancestors hand down, its parent's index (a union-find table whose roots are the top-level nodes)
// and its draw argument, plus index lists of the entries that have something to draw.
#include <cstdint>
#include <vector>

#include "foundation/Mat.h"

namespace kal {

class Tool;

struct SceneLists {
    std::vector<Tool*> tools;
    std::vector<mat4> worlds;
    std::vector<int32_t> groups;
    std::vector<int32_t> drawArgs;
    std::vector<int32_t> geometryIndex;
    std::vector<int32_t> helperIndex;
    bool arraysCapped = false; // some array stopped at arrayPlacementCap

    int size() const { return int(tools.size()); }
    // Empties every array; the index lists go too so that they never point past the entries.
    void clear();
    // Appends the flattened tree under root and stores each node's position in its index field.
    void update(Tool* root);
    void classify();
    // Appends the nodes of tool once per placement and per placed member of the anchor's ring.
    void appendPlaced(Tool* tool, const std::vector<mat4>& placements, const SceneLists* scene, Tool* anchor,
                      int anchorIndex, bool ring);
    // 1 for the transparent draw class, 0 for the opaque one.
    int transparencyClass(int i) const;
    bool matches(int i, int mode) const { return mode == 2 || transparencyClass(i) == mode; }
    // The id and draw argument entry i is drawn with (bit 31 set for highlighted or collected nodes).
    void idFor(int i, int base, bool groupIds, uint32_t& id, int32_t& drawArg) const;

    void drawGeometry(int mode, const uint8_t* colour);
    void drawHelpers(int mode, const uint8_t* colour);
    void drawWithIds(int base, int mode, bool groupIds);
};

} // namespace kal
