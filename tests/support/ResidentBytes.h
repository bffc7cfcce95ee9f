#pragma once
// How much of this process's memory is resident now, for tests that memory goes back.
#include <unistd.h>

#include <cstddef>
#include <fstream>

namespace kal::test {

inline size_t residentBytes() {
    std::ifstream statm("/proc/self/statm");
    size_t total = 0, resident = 0;
    statm >> total >> resident;
    return resident * size_t(sysconf(_SC_PAGESIZE));
}

} // namespace kal::test
