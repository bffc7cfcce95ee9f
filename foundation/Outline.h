#pragma once
// A closed 2D outline: points in order, the last joining the first, and one flag per
// point marking a point that must stay pinned where it is.
#include "foundation/Vec.h"

#include <vector>

namespace kal {

struct Outline {
    std::vector<vec2> points;
    std::vector<bool> flags; // at least as many entries as points
};

} // namespace kal
