#pragma once
// Runs the parallel passes of test builds in one mode for a scope and puts the mode before back,
// also when an assertion ends the test early.
#include "foundation/Parallel.h"

namespace kal::test {

constexpr ParallelMode oneThread{true, false};
constexpr ParallelMode smallBlocks{false, true}; // every loop of two or more records split

class ParallelModeScope {
public:
    explicit ParallelModeScope(ParallelMode mode) { setParallelMode(mode); }
    ~ParallelModeScope() { setParallelMode(saved_); }
    ParallelModeScope(const ParallelModeScope&) = delete;
    ParallelModeScope& operator=(const ParallelModeScope&) = delete;

private:
    ParallelMode saved_ = parallelMode();
};

} // namespace kal::test
