#include "scene/IKChain.h"

#include <cmath>

#include "scene/Tool.h"

namespace kal {

namespace {

mat4 jointFrame(Tool* t, const mat4& handed) {
    mat4 f = t->pivot;
    f *= handed;
    return f;
}

bool isFinite(const mat4& m) {
    for (float x : m.m)
        if (!std::isfinite(x)) return false;
    return true;
}

} // namespace

void solveToolChain(const std::vector<Tool*>& chain, std::vector<mat4>& handed, const vec3& grabbed,
                    const vec3& target) {
    size_t n = chain.size();
    if (n == 0 || handed.size() < n) return;

    std::vector<vec3> p(n + 1);
    for (size_t k = 0; k < n; ++k) p[k] = jointFrame(chain[k], handed[k]).translation();
    p[n] = grabbed;
    const std::vector<vec3> q = p;
    std::vector<float> bone(n);
    for (size_t k = 0; k < n; ++k) bone[k] = length(p[k + 1] - p[k]);

    p[n] = target;
    for (size_t k = n - 1; k >= 1; --k) p[k] = p[k + 1] + normalize(p[k] - p[k + 1]) * bone[k];

    for (size_t k = 0; k < n; ++k) {
        p[k + 1] = p[k] + normalize(p[k + 1] - p[k]) * bone[k];
        mat4 frame = jointFrame(chain[k], handed[k]);
        mat4 turn;
        // a flat joint frame has no inverse: that joint keeps its transform, the rest still follows
        float d = det(frame.upper3());
        if (bone[k] >= 1e-05f && d != 0.0f && std::isfinite(d)) {
            mat4 g = inverseAffine(frame);
            vec3 a = q[k + 1] * g;
            vec3 b = p[k + 1] * g;
            turn = mat4::rotationBetween(a, b);
            if (!isFinite(turn)) turn = mat4();
        }
        chain[k]->rotateConstrained(turn, false, 0);
        for (size_t j = k + 1; j < n; ++j) {
            mat4 h = chain[j - 1]->composeMatrix();
            h *= handed[j - 1];
            handed[j] = h;
        }
    }
}

} // namespace kal
