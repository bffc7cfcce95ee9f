#include "viewport/SymmetryReplication.h"

#include <algorithm>
#include <cmath>

namespace kal {

bool inverseAffineChecked(const mat4& m, mat4& inverse) {
    const float d = det(m.upper3());
    if (d == 0.0f || !std::isfinite(d)) return false;
    const mat4 r = inverseAffine(m);
    for (float e : r.m)
        if (!std::isfinite(e)) return false;
    inverse = r;
    return true;
}

mat4 inverseAffineOrIdentity(const mat4& m) {
    mat4 r;
    return inverseAffineChecked(m, r) ? r : mat4();
}

void symmetryMasks(std::vector<uint8_t>& masks, const std::vector<SymmetryOp>& ops) {
    masks.push_back(0);
    for (const SymmetryOp& op : ops) {
        if (op.kind < 0 || op.kind > 5) continue;
        const uint8_t bit = uint8_t(1u << op.kind);
        const size_t n = masks.size();
        if (op.kind <= 2) {
            for (size_t i = 0; i < n; ++i) masks.push_back(uint8_t(masks[i] | bit));
            continue;
        }
        if (op.count <= 1) continue;
        for (int k = 1; k < op.count; ++k) {
            const size_t from = (size_t(k) - 1) * n;
            for (size_t i = 0; i < n; ++i) masks.push_back(uint8_t(masks[from + i] | bit));
        }
    }
}

void symmetryOpsFromMasks(const std::vector<uint8_t>& masks, int32_t count, std::vector<SymmetryOp>& ops) {
    uint8_t all = 0;
    for (uint8_t m : masks) all |= m;
    for (int32_t kind = 0; kind <= 5; ++kind)
        if (all & (1u << kind)) ops.push_back({kind, kind <= 2 ? 0 : count});
}

namespace {

// The parallel arrays of one merge call; every index is checked against the shortest of them.
struct CopyArrays {
    std::vector<vec3>& positions;
    std::vector<uint8_t>& masks;
    std::vector<std::vector<vec3>>& vectors;
    std::vector<float>& signs;
    int32_t& count;
    bool average;

    size_t size() const {
        size_t n = std::min(positions.size(), masks.size());
        for (const auto& v : vectors) n = std::min(n, v.size());
        return n;
    }

    void merge(size_t i, size_t j) {
        if (masks[i] == masks[j]) --count;
        masks[i] = uint8_t(masks[i] & masks[j]);
        if (average) {
            positions[i] = (positions[i] + positions[j]) * 0.5f;
            for (auto& v : vectors) v[i] = (v[i] + v[j]) * 0.5f;
            if (j < signs.size() && i < signs.size()) signs[i] *= signs[j];
        }
        positions.erase(positions.begin() + std::ptrdiff_t(j));
        masks.erase(masks.begin() + std::ptrdiff_t(j));
        for (auto& v : vectors) v.erase(v.begin() + std::ptrdiff_t(j));
        if (j < signs.size()) signs.erase(signs.begin() + std::ptrdiff_t(j));
    }
};

void mergeCopies(CopyArrays a, std::vector<int32_t>& pairsFirst, std::vector<int32_t>& pairsSecond, float threshold) {
    if (!pairsFirst.empty()) {
        // Pairs recorded on one frame are replayed on another, whose element may have made a
        // different number of copies: a pair that no longer fits is skipped.
        const size_t pairs = std::min(pairsFirst.size(), pairsSecond.size());
        for (size_t k = 0; k < pairs; ++k) {
            const int32_t i = pairsFirst[k], j = pairsSecond[k];
            if (i < 0 || j < 0 || i == j) continue;
            const size_t n = a.size();
            if (size_t(i) >= n || size_t(j) >= n) continue;
            a.merge(size_t(i), size_t(j));
        }
        return;
    }
    const float limit = threshold * threshold;
    bool merged = true;
    while (merged) {
        merged = false;
        for (size_t i = 0; i + 1 < a.size(); ++i) {
            for (size_t j = i + 1; j < a.size(); ++j) {
                if (float((a.positions[i] - a.positions[j]).lengthSquared()) < limit) {
                    pairsFirst.push_back(int32_t(i));
                    pairsSecond.push_back(int32_t(j));
                    a.merge(i, j);
                    merged = true;
                    break;
                }
            }
        }
    }
}

} // namespace

void mergeCoincidentCopies(std::vector<vec3>& positions, std::vector<uint8_t>& masks, int32_t& count,
                           std::vector<std::vector<vec3>>& vectors, std::vector<float>& signs,
                           std::vector<int32_t>& pairsFirst, std::vector<int32_t>& pairsSecond, float threshold) {
    mergeCopies({positions, masks, vectors, signs, count, true}, pairsFirst, pairsSecond, threshold);
}

void dropCoincidentCopies(std::vector<vec3>& positions, std::vector<uint8_t>& masks, int32_t& count,
                          std::vector<std::vector<vec3>>& vectors, std::vector<float>& signs,
                          std::vector<int32_t>& pairsFirst, std::vector<int32_t>& pairsSecond, float threshold) {
    mergeCopies({positions, masks, vectors, signs, count, false}, pairsFirst, pairsSecond, threshold);
}

void replicateRotation(std::vector<vec3>& positions, std::vector<mat3>& frames, const mat3& rotation, int count) {
    if (count < 2 || frames.size() != positions.size()) return;
    std::vector<float> signs(positions.size(), 1.0f);
    replicateRotationSigned(positions, frames, signs, rotation, count);
}

void mirrorPlacements(std::vector<mat4>& matrices, vec3 normal) {
    const mat4 mirror = mat4::reflection(normal);
    const size_t n = matrices.size();
    matrices.reserve(2 * n);
    for (size_t i = 0; i < n; ++i) {
        mat4 m = matrices[i];
        m *= mirror;
        matrices.push_back(m);
    }
}

void rotatePlacements(std::vector<mat4>& matrices, vec3 axis, int count) {
    if (count < 2) return;
    const mat4 turn = mat4::fromMat3(mat3::rotationAxisAngle(axis, 6.283185307179586f / float(count)));
    const size_t n = matrices.size();
    matrices.reserve(n * size_t(count));
    for (int k = 1; k < count; ++k) {
        const size_t from = (size_t(k) - 1) * n;
        for (size_t i = 0; i < n; ++i) {
            mat4 m = matrices[from + i];
            m *= turn;
            matrices.push_back(m);
        }
    }
}

void replicateInFrame(std::vector<vec3>& positions, std::vector<mat3>& frames, const mat4& m,
                      const std::vector<SymmetryOp>& ops) {
    if (positions.empty() || ops.empty() || frames.size() != positions.size()) return;
    const mat4 inv = inverseAffineOrIdentity(m);
    for (size_t i = 0; i < positions.size(); ++i) {
        positions[i] = positions[i] * inv;
        frames[i] = mat3::rotatedBy(frames[i], inv);
    }
    // The copies themselves are made about the coordinate axes; the signs are not wanted here.
    std::vector<float> signs;
    replicateBySymmetry(positions, frames, signs, mat4(), ops);
    for (size_t i = 0; i < positions.size(); ++i) {
        positions[i] = positions[i] * m;
        frames[i] = mat3::rotatedBy(frames[i], m);
    }
}

mat3 frameFromMergedColumns(vec3 c0, vec3 c1, vec3 c2) {
    if (c0.lengthSquared() <= c1.lengthSquared()) return mat3::frameFromDirectionAndUp(c1, c2);
    return mat3::frameFromDirectionAndSide(c0, c2);
}

} // namespace kal
