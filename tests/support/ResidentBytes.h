#pragma once
// How much of this process's memory is resident now, for tests that memory goes back, and the
// most it has had resident since a given moment, for tests that a read stays within a bound.
#include <unistd.h>

#include <cstddef>
#include <cstdlib>
#include <fstream>
#include <string>

namespace kal::test {

inline size_t residentBytes() {
    std::ifstream statm("/proc/self/statm");
    size_t total = 0, resident = 0;
    statm >> total >> resident;
    return resident * size_t(sysconf(_SC_PAGESIZE));
}

// The process's peak resident size since the last resetPeakResident (or its start).
inline size_t peakResidentBytes() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.compare(0, 6, "VmHWM:") == 0) return size_t(std::atoll(line.c_str() + 6)) * 1024;
    return 0;
}

// Restarts the peak from what is resident now.
inline void resetPeakResident() { std::ofstream("/proc/self/clear_refs") << "5"; }

} // namespace kal::test
