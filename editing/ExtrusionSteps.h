#pragma once
// The push steps of the extrusion and tear strokes, for the dispatcher.
#include <algorithm>
#include <mutex>
#include <vector>

#include "foundation/Parallel.h"
#include "mesh/Mesh.h"

namespace kal::editing {

// Pushes the patch of the triangle (every patch seeded below the start count when `all` is set)
// along its mean normal by the step from previous to current measured on the picked patch. With
// `keep`, the mesh's stroke cache keeps the patches and normals found, and a later step of the same
// stroke moves those without looking for them again: the steps change no face normal.
void pushStep(Mesh& m, const vec3& previous, const vec3& current, int triangle, bool all, bool keep);

// selectPatch(point, true, triangle) with the previous selection cleared in parallel.
bool selectPatchAfresh(Mesh& m, const vec3& point, int& triangle);

// What collect(i, items) adds for the indices of one parallel block starting at begin.
struct ListedBlock {
    int begin = 0;
    std::vector<int32_t> items;
};

// collect(i, items) over [0, count) in parallel blocks, the blocks in index order: their items
// read in turn are what one serial loop would list.
template <class Collect>
std::vector<ListedBlock> listedBlocks(int count, Collect&& collect) {
    std::vector<ListedBlock> blocks;
    std::mutex gather;
    parallelFor(count, [&](int begin, int end) {
        ListedBlock block{begin, {}};
        for (int i = begin; i < end; ++i) collect(i, block.items);
        std::lock_guard<std::mutex> lock(gather);
        blocks.push_back(std::move(block));
    });
    std::sort(blocks.begin(), blocks.end(),
              [](const ListedBlock& a, const ListedBlock& b) { return a.begin < b.begin; });
    return blocks;
}

} // namespace kal::editing
