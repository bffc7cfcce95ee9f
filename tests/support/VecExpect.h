#pragma once
// Vectors compared component by component, within a tolerance.
#include <gtest/gtest.h>

#include "foundation/Vec.h"

namespace kal::test {

inline void expectVecNear(vec3 a, vec3 b, float tolerance) {
    EXPECT_NEAR(a.x, b.x, tolerance);
    EXPECT_NEAR(a.y, b.y, tolerance);
    EXPECT_NEAR(a.z, b.z, tolerance);
}

} // namespace kal::test
