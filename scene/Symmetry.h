#pragma once
// Symmetric copies of picks and frames: the user's mirror and rotation settings become a list of
// SymmetryOp, which is applied to parallel arrays of centres, frames and handedness signs.
#include <vector>

#include "scene/Element.h"

namespace kal {

// Appends {0,0},{1,0},{2,0} for the mirrors and {3,n},{4,n},{5,n} for the rotations that are on.
void symmetryOps(std::vector<SymmetryOp>& ops, bool mirrorX, bool mirrorY, bool mirrorZ, bool rotateX, bool rotateY,
                 bool rotateZ, int32_t count);

// The frame whose Z column is the direction and whose Y column follows a hint chosen from the flags.
mat3 symmetryFrame(vec3 direction, bool mirrorX, bool mirrorY, bool mirrorZ, bool rotateX, bool rotateY, bool rotateZ);

// Appends count - 1 blocks, each the previous block turned by `rotation`; signs are copied along.
void replicateRotationSigned(std::vector<vec3>& positions, std::vector<mat3>& frames, std::vector<float>& signs,
                             const mat3& rotation, int count);

// Rows row+1..row+3 and columns column+1..column+3 of m, all modulo 4.
mat3 cyclicMinor(const mat4& m, int row, int column);

// Adds the mirrored and rotated copies that ops asks for, made about the axes of the space of m.
// signs is sized to the positions first (new entries 1), even when nothing else happens.
void replicateBySymmetry(std::vector<vec3>& positions, std::vector<mat3>& frames, std::vector<float>& signs,
                         const mat4& m, const std::vector<SymmetryOp>& ops);

} // namespace kal
