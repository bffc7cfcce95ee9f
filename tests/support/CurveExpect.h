#pragma once
// For tests of curve edits: a curve's point positions, and vectors compared component by component.
#include <gtest/gtest.h>

#include <vector>

#include "elements/Curve.h"

namespace kal::test {

inline std::vector<vec3> positionsOf(const Curve& c) {
    std::vector<vec3> out;
    for (const CurvePoint& p : c.points) out.push_back(p.position);
    return out;
}

inline void expectNear(vec3 a, vec3 b, float eps = 1e-4f) {
    EXPECT_NEAR(a.x, b.x, eps);
    EXPECT_NEAR(a.y, b.y, eps);
    EXPECT_NEAR(a.z, b.z, eps);
}

} // namespace kal::test
