#pragma once
// One step of inverse kinematics over a chain of tools, each the parent of the next: the grabbed
// point follows the target while every bone keeps its length (one backward and one forward
// reaching pass), and each joint turns through its constrained rotation.
#include <vector>

#include "foundation/Mat.h"

namespace kal {

class Tool;

// handed[i] is the matrix chain[i]'s parent hands down to it; the entries after the first are
// brought up to date as the joints turn. A chain longer than handed is left alone.
void solveToolChain(const std::vector<Tool*>& chain, std::vector<mat4>& handed, const vec3& grabbed,
                    const vec3& target);

} // namespace kal
