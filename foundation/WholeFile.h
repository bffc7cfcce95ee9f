#pragma once
// Reading a whole file into memory, for the readers that parse one in a single pass (scenes,
// objects, OBJ meshes, shader sources, texture lists).
#include <cstdint>
#include <string>
#include <vector>

namespace kal {

// Larger files are refused before anything is allocated for them.
constexpr std::uint64_t maxWholeFileBytes = (std::uint64_t(1) << 31) - 1;

// Reads the file at path into bytes. Answers why it could not (bytes then empty), or an empty
// string when it could. A device or pipe is refused without being opened: it has no end to read
// up to. bytes.data() is never null after a successful read, even of an empty file.
std::string readWholeFile(const std::string& path, std::vector<char>& bytes);

} // namespace kal
