#pragma once
// The version of the file being read, held for one scope, so that a test reading an older layout
// leaves the next test the version it found.
#include <cstdint>

#include "GlobalScope.h"
#include "scene/SceneFile.h"

namespace kal::test {

class FileVersionScope : public GlobalScope<uint32_t> {
public:
    FileVersionScope() : GlobalScope(fileVersion) {}
    explicit FileVersionScope(uint32_t version) : GlobalScope(fileVersion, version) {}
};

} // namespace kal::test
