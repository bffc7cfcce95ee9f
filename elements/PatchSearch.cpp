#include "elements/PatchSearch.h"

#include <algorithm>
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
    // The row ends depend on v only: hoisted out of the inner loop, with the same float operations
    // per grid point as the blend written out in full. A row's distances are made in one branch-free
    // pass (which vectorises) and scanned after, so ties still go to the first.
    float row[kPatchGrid];
    float best = 0.0f;
    int bi = 0, bj = 0;
    for (int i = 0; i < kPatchGrid; ++i) {
        const float vi = g.t[size_t(i)], wi = g.rest[size_t(i)];
        const float ax = P00.x * wi + P10.x * vi, ay = P00.y * wi + P10.y * vi, az = P00.z * wi + P10.z * vi;
        const float bx = P01.x * wi + P11.x * vi, by = P01.y * wi + P11.y * vi, bz = P01.z * wi + P11.z * vi;
        for (int j = 0; j < kPatchGrid; ++j) {
            const float uj = g.t[size_t(j)], wj = g.rest[size_t(j)];
            const float dx = (ax * wj + bx * uj) - q.x;
            const float dy = (ay * wj + by * uj) - q.y;
            const float dz = (az * wj + bz * uj) - q.z;
            row[j] = dx * dx + dy * dy + dz * dz;
        }
        int j = 0;
        if (i == 0) best = row[0];
        for (; j < kPatchGrid; ++j)
            if (row[j] < best) {
                best = row[j];
                bi = i;
                bj = j;
            }
    }
    v = g.t[size_t(bi)];
    u = g.t[size_t(bj)];
    const vec3 A = P00 * g.rest[size_t(bi)] + P10 * v;
    const vec3 B = P01 * g.rest[size_t(bi)] + P11 * v;
    return A * g.rest[size_t(bj)] + B * u;
}

bool pickOnPatch(vec3 P00, vec3 P10, vec3 P01, vec3 P11, vec3 q, vec3 X) {
    const vec3 c[4] = {P00, P10, P01, P11};
    float extent = 0.0f;
    for (int a = 0; a < 4; ++a)
        for (int b = a + 1; b < 4; ++b) extent = std::max(extent, float(lengthSquared(c[a] - c[b])));
    return float(lengthSquared(q - X)) <= 4.0f * extent;
}

} // namespace kal
