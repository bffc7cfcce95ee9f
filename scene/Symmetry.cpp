#include "scene/Symmetry.h"

#include <cmath>

namespace kal {

void symmetryOps(std::vector<SymmetryOp>& ops, bool mirrorX, bool mirrorY, bool mirrorZ, bool rotateX, bool rotateY,
                 bool rotateZ, int32_t count) {
    if (mirrorX) ops.push_back({0, 0});
    if (mirrorY) ops.push_back({1, 0});
    if (mirrorZ) ops.push_back({2, 0});
    if (rotateX) ops.push_back({3, count});
    if (rotateY) ops.push_back({4, count});
    if (rotateZ) ops.push_back({5, count});
}

mat3 symmetryFrame(vec3 direction, bool mirrorX, bool mirrorY, bool mirrorZ, bool rotateX, bool rotateY, bool rotateZ) {
    vec3 hint(0, 1, 0);
    if (rotateX)
        hint = {1, 0, 0};
    else if (mirrorX || rotateY)
        hint = {0, 1, 0};
    else if (mirrorY)
        hint = {1, 0, 0};
    else if (rotateZ || mirrorZ)
        hint = {0, 0, 1};
    return mat3::frameFromDirectionAndUp(hint, direction);
}

void replicateRotationSigned(std::vector<vec3>& positions, std::vector<mat3>& frames, std::vector<float>& signs,
                             const mat3& rotation, int count) {
    if (count < 2) return;
    size_t n = positions.size();
    positions.reserve(n * size_t(count));
    frames.reserve(n * size_t(count));
    signs.reserve(n * size_t(count));
    for (int k = 1; k < count; ++k) {
        size_t from = (size_t(k) - 1) * n;
        for (size_t i = 0; i < n; ++i) {
            vec3 p = positions[from + i] * rotation;
            mat3 f = rotation * frames[from + i];
            float s = signs[from + i];
            positions.push_back(p);
            frames.push_back(f);
            signs.push_back(s);
        }
    }
}

mat3 cyclicMinor(const mat4& m, int row, int column) {
    mat3 r;
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) r.m[3 * i + j] = m.m[4 * ((row + 1 + i) % 4) + (column + 1 + j) % 4];
    return r;
}

static void mirrorStep(std::vector<vec3>& positions, std::vector<mat3>& frames, std::vector<float>& signs, int axis) {
    size_t n = positions.size();
    for (size_t i = 0; i < n; ++i) {
        vec3 p = positions[i];
        p[axis] = -p[axis];
        mat3 f = frames[i];
        for (int c = 0; c < 3; ++c) f.m[3 * axis + c] = -f.m[3 * axis + c];
        float s = -signs[i];
        positions.push_back(p);
        frames.push_back(f);
        signs.push_back(s);
    }
}

void replicateBySymmetry(std::vector<vec3>& positions, std::vector<mat3>& frames, std::vector<float>& signs,
                         const mat4& m, const std::vector<SymmetryOp>& ops) {
    signs.resize(positions.size(), 1.0f);
    if (positions.empty() || ops.empty() || frames.size() != positions.size()) return;

    float d = m.m[0] * det(cyclicMinor(m, 0, 0)) - m.m[4] * det(cyclicMinor(m, 1, 0)) +
              m.m[8] * det(cyclicMinor(m, 2, 0)) - m.m[12] * det(cyclicMinor(m, 3, 0));
    mat4 inv;
    // a NaN or infinite determinant is as singular as zero: the copies keep the world axes
    if (d != 0.0f && std::isfinite(d)) {
        for (int i = 0; i < 4; ++i)
            for (int j = 0; j < 4; ++j) inv.m[4 * i + j] = det(cyclicMinor(m, j, i)) / ((i + j) % 2 == 0 ? d : -d);
    }
    mat3 inv3 = inv.upper3();
    for (size_t i = 0; i < positions.size(); ++i) {
        positions[i] = positions[i] * inv;
        frames[i] = inv3 * frames[i];
    }

    const float fullTurn = 6.283185307179586f;
    for (const SymmetryOp& op : ops) {
        if (op.kind >= 0 && op.kind <= 2) {
            mirrorStep(positions, frames, signs, op.kind);
        } else if (op.kind >= 3 && op.kind <= 5) {
            if (op.count < 2) continue;
            float step = fullTurn / float(op.count);
            mat3 r = op.kind == 3   ? mat3::rotationEuler(step, 0, 0)
                     : op.kind == 4 ? mat3::rotationEuler(0, step, 0)
                                    : mat3::rotationEuler(0, 0, step);
            replicateRotationSigned(positions, frames, signs, r, op.count);
        }
    }

    mat3 m3 = m.upper3();
    for (size_t i = 0; i < positions.size(); ++i) {
        positions[i] = positions[i] * m;
        frames[i] = m3 * frames[i];
    }
}

void Element::symmetryFrames(std::vector<SymmetryOp>& ops, vec3 centre, vec3 axis, uint8_t mirrorX, uint8_t mirrorY,
                             uint8_t mirrorZ, uint8_t rotateX, uint8_t rotateY, uint8_t rotateZ, int32_t count,
                             std::vector<vec3>& centres, std::vector<mat3>& frames, std::vector<float>& signs, int32_t,
                             uint8_t) {
    centres.push_back(centre);
    frames.push_back(symmetryFrame(axis, mirrorX, mirrorY, mirrorZ, rotateX, rotateY, rotateZ));
    ops.clear();
    symmetryOps(ops, mirrorX, mirrorY, mirrorZ, rotateX, rotateY, rotateZ, count);
    replicateBySymmetry(centres, frames, signs, mat4(), ops);
}

} // namespace kal
