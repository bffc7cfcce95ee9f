#include "elements/PatchSearch.h"

#include <array>

namespace kal {

namespace {

struct GridSteps {
    std::array<float, kPatchGrid> t;
    std::array<float, kPatchGrid> rest; // 1 - t
    GridSteps() {
        for (int k = 0; k < kPatchGrid; ++k) {
            t[size_t(k)] = float(k) / float(kPatchGrid - 1);
            rest[size_t(k)] = 1.0f - t[size_t(k)];
        }
    }
};

const GridSteps& steps() {
    static const GridSteps s;
    return s;
}

} // namespace

vec3 closestPatchPoint(vec3 P00, vec3 P10, vec3 P01, vec3 P11, vec3 q, float& v, float& u) {
    const GridSteps& g = steps();
    // the row ends depend on v only: hoisted out of the inner loop, the same float operations
    // per grid point as the blend written out in full
    float best = 0.0f;
    int bi = 0, bj = 0;
    bool first = true;
    for (int i = 0; i < kPatchGrid; ++i) {
        const float vi = g.t[size_t(i)], wi = g.rest[size_t(i)];
        const vec3 A = P00 * wi + P10 * vi;
        const vec3 B = P01 * wi + P11 * vi;
        for (int j = 0; j < kPatchGrid; ++j) {
            const float uj = g.t[size_t(j)], wj = g.rest[size_t(j)];
            const float dx = (A.x * wj + B.x * uj) - q.x;
            const float dy = (A.y * wj + B.y * uj) - q.y;
            const float dz = (A.z * wj + B.z * uj) - q.z;
            const float d = dx * dx + dy * dy + dz * dz;
            if (first || d < best) {
                best = d;
                bi = i;
                bj = j;
                first = false;
            }
        }
    }
    v = g.t[size_t(bi)];
    u = g.t[size_t(bj)];
    const vec3 A = P00 * g.rest[size_t(bi)] + P10 * v;
    const vec3 B = P01 * g.rest[size_t(bi)] + P11 * v;
    return A * g.rest[size_t(bj)] + B * u;
}

} // namespace kal
