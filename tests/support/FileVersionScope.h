#pragma once
// Holds the version of the file being read for one scope, and puts the one before back after it,
// so that a test reading an older layout leaves the next test the version it found.
#include <cstdint>

#include "scene/SceneFile.h"

namespace kal::test {

class FileVersionScope {
public:
    FileVersionScope() = default;
    explicit FileVersionScope(uint32_t version) { fileVersion = version; }
    ~FileVersionScope() { fileVersion = saved; }
    FileVersionScope(const FileVersionScope&) = delete;
    FileVersionScope& operator=(const FileVersionScope&) = delete;

private:
    uint32_t saved = fileVersion;
};

} // namespace kal::test
