#pragma once
// Shared by the element record tests: raw fields appended to a byte vector, and a fixture that
// reads and writes at the current file version and puts the version before it back afterwards.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "FileVersionScope.h"
#include "scene/SceneFile.h"

namespace kal::test {

template <class T>
void put(std::vector<uint8_t>& b, T v) {
    const uint8_t* p = reinterpret_cast<const uint8_t*>(&v);
    b.insert(b.end(), p, p + sizeof v);
}

class CurrentVersionTest : public ::testing::Test {
protected:
    FileVersionScope version{currentFileVersion};
};

} // namespace kal::test
