#pragma once
// The parallel loops of a scope on the calling thread alone, whatever KAL_THREADS allows, and
// as many threads as before once the scope ends (also when an assertion ends the test early).
#include <atomic>

#include <tbb/global_control.h>

#include "foundation/Parallel.h"

namespace kal::test {

struct OneThreadScope {
    tbb::global_control cap{tbb::global_control::max_allowed_parallelism, 1};
};

// Whether a loop over this many records now falls into more than one block; always true when
// one thread is allowed, where there is nothing to split. Fixtures meant to cross block
// boundaries check it, so that they keep doing so if the size at which loops split changes.
inline bool splitsWhereThreadsAllow(int records) {
    if (tbb::global_control::active_value(tbb::global_control::max_allowed_parallelism) <= 1) return true;
    std::atomic<int> blocks{0};
    parallelFor(records, [&](int, int) { ++blocks; });
    return blocks > 1;
}

} // namespace kal::test
