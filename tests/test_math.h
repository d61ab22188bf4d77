#pragma once

#include <gtest/gtest.h>

#include "core/vector.h"

// Each coordinate within `tolerance`.
inline void expectNear(const Vector& actual, const Vector& expected, float tolerance = 1e-5f) {
    EXPECT_NEAR(actual.x, expected.x, tolerance);
    EXPECT_NEAR(actual.y, expected.y, tolerance);
    EXPECT_NEAR(actual.z, expected.z, tolerance);
}
