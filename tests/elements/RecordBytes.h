#pragma once
// Shared by the element record tests: raw fields appended to a byte vector, and a fixture that
// reads and writes at the current file version and leaves the version unset afterwards.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "scene/SceneFile.h"

namespace kal::test {

template <class T> void put(std::vector<uint8_t>& b, T v) {
    const uint8_t* p = reinterpret_cast<const uint8_t*>(&v);
    b.insert(b.end(), p, p + sizeof v);
}

class CurrentVersionTest : public ::testing::Test {
protected:
    void SetUp() override { fileVersion = currentFileVersion; }
    void TearDown() override { fileVersion = 0; }
};

} // namespace kal::test
