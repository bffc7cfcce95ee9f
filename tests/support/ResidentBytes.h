#pragma once
// How much of this process's memory is resident now, for tests that memory goes back, and the
// most it has had resident since a given moment, for tests that a read stays within a bound.
#include <unistd.h>

#include <cstddef>
#include <fstream>
#include <string>

namespace kal::test {

inline size_t residentBytes() {
    std::ifstream statm("/proc/self/statm");
    size_t total = 0, resident = 0;
    statm >> total >> resident;
    return resident * size_t(sysconf(_SC_PAGESIZE));
}

// Restarts the peak (peakResidentBytes) from what is resident now.
inline void restartResidentPeak() { std::ofstream("/proc/self/clear_refs") << "5"; }

// The most this process held resident since the last restart (or its start).
inline size_t peakResidentBytes() {
    std::ifstream status("/proc/self/status");
    std::string field;
    size_t kilobytes = 0;
    while (status >> field)
        if (field == "VmHWM:") return (status >> kilobytes) ? kilobytes << 10 : 0;
    return 0;
}

} // namespace kal::test
