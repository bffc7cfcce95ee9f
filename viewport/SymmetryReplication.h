#pragma once
// The symmetry family beyond what the scene keeps in scene/Symmetry.h (the operation list, the base
// frame and replication with handedness signs): copy masks, merging of coincident copies, rotation
// blocks without signs, replication of placement matrices and replication in a given space.
// Plain maths on caller-owned arrays; no GL.
#include <cstdint>
#include <vector>

#include "scene/Symmetry.h"

namespace kal {

// The affine inverse, or the identity when the 3x3 part cannot be inverted: a flat or broken
// placement must not spread NaN into picks and tool transforms.
mat4 inverseAffineOrIdentity(const mat4& m);
// The affine inverse into `inverse`; false, with `inverse` untouched, when there is none.
bool inverseAffineChecked(const mat4& m, mat4& inverse);

// One mask per copy, in replication order: the source 0, then for every copy the kinds that made it
// (bit 1 << kind).
void symmetryMasks(std::vector<uint8_t>& masks, const std::vector<SymmetryOp>& ops);

// The operations that the ORed masks name, in ascending kind; rotations carry count.
void symmetryOpsFromMasks(const std::vector<uint8_t>& masks, int32_t count, std::vector<SymmetryOp>& ops);

// Merges copies lying closer than threshold. With pairsFirst empty the merges are found and recorded;
// otherwise the recorded pairs are replayed without a distance test (pairs that do not fit the arrays
// are skipped). Merging averages positions and vectors and multiplies the signs; dropping keeps the
// surviving entry as it is. count (the rotation item count) drops by one per merge of equal masks.
void mergeCoincidentCopies(std::vector<vec3>& positions, std::vector<uint8_t>& masks, int32_t& count,
                           std::vector<std::vector<vec3>>& vectors, std::vector<float>& signs,
                           std::vector<int32_t>& pairsFirst, std::vector<int32_t>& pairsSecond, float threshold);
void dropCoincidentCopies(std::vector<vec3>& positions, std::vector<uint8_t>& masks, int32_t& count,
                          std::vector<std::vector<vec3>>& vectors, std::vector<float>& signs,
                          std::vector<int32_t>& pairsFirst, std::vector<int32_t>& pairsSecond, float threshold);

// Appends count - 1 blocks, each the previous one turned by rotation.
void replicateRotation(std::vector<vec3>& positions, std::vector<mat3>& frames, const mat3& rotation, int count);

// Doubles the list: entry n + i is entry i followed by the mirror across the plane with this normal.
void mirrorPlacements(std::vector<mat4>& matrices, vec3 normal);
// Appends count - 1 blocks, each the previous block followed by a turn of 2 pi / count about axis.
void rotatePlacements(std::vector<mat4>& matrices, vec3 axis, int count);

// Replication about the axes of the space of m, without signs.
void replicateInFrame(std::vector<vec3>& positions, std::vector<mat3>& frames, const mat4& m,
                      const std::vector<SymmetryOp>& ops);

// Rebuilds a frame from the averaged columns of a merged copy: Z along c2, and the longer of c0 and
// c1 as the hint (c1 as Y when it is at least as long, else c0 as X).
mat3 frameFromMergedColumns(vec3 c0, vec3 c1, vec3 c2);

} // namespace kal
