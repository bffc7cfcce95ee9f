#include "foundation/Parallel.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <memory>

#include <tbb/blocked_range.h>
#include <tbb/global_control.h>
#include <tbb/parallel_for.h>
#include <tbb/partitioner.h>

namespace kal {

namespace {

// Loops over fewer records run serially.
constexpr int kParallelMinimum = 8192;

#ifdef KAL_TEST_HOOKS
std::atomic<bool> forcedSerial{false};
std::atomic<bool> splitSmall{false};
#else
constexpr bool forcedSerial = false;
constexpr bool splitSmall = false;
#endif

// KAL_THREADS read once; its cap on the workers lives as long as the process.
int threadsFromEnvironment() {
    static const int threads = [] {
        const char* text = std::getenv("KAL_THREADS");
        long n = text ? std::strtol(text, nullptr, 10) : 0;
        int hardware = int(tbb::global_control::active_value(tbb::global_control::max_allowed_parallelism));
        if (n <= 0) return std::max(1, hardware);
        n = std::min<long>(n, std::max(1, hardware));
        static std::unique_ptr<tbb::global_control> cap;
        if (n > 1) cap = std::make_unique<tbb::global_control>(tbb::global_control::max_allowed_parallelism, size_t(n));
        return int(n);
    }();
    return threads;
}

int threadsForLoops() { return forcedSerial ? 1 : threadsFromEnvironment(); }

} // namespace

#ifdef KAL_TEST_HOOKS
int parallelThreads() { return threadsForLoops(); }

ParallelMode parallelMode() { return {forcedSerial.load(), splitSmall.load()}; }

void setParallelMode(ParallelMode mode) {
    forcedSerial = mode.serial;
    splitSmall = mode.splitSmall;
}
#endif

void parallelFor(int count, const std::function<void(int, int)>& body, int minimum) {
    if (count <= 0) return;
    const bool split = splitSmall;
    const int threads = threadsForLoops();
    if (threads <= 1 || (split ? count < 2 : count < minimum)) {
        body(0, count);
        return;
    }
    if (split) {
        // blocks of up to three records, so even a small fixture crosses block boundaries everywhere
        tbb::parallel_for(
            tbb::blocked_range<int>(0, count, 3), [&](const tbb::blocked_range<int>& r) { body(r.begin(), r.end()); },
            tbb::simple_partitioner());
        return;
    }
    // a few blocks per worker for balance
    int grain = std::max(1, count / (threads * 8));
    tbb::parallel_for(tbb::blocked_range<int>(0, count, grain),
                      [&](const tbb::blocked_range<int>& r) { body(r.begin(), r.end()); });
}

void parallelFor(int count, const std::function<void(int, int)>& body) { parallelFor(count, body, kParallelMinimum); }

void parallelForChunks(int records, int chunk, const std::function<void(int, int, int)>& body) {
    if (records <= 0) return;
    const int chunks = records / chunk + (records % chunk != 0);
    auto each = [&](int begin, int end) {
        for (int k = begin; k < end; ++k) {
            const int first = k * chunk;
            body(k, first, first + std::min(chunk, records - first));
        }
    };
    // the records decide whether to split, as they would for a loop over them
    if (records < kParallelMinimum)
        each(0, chunks);
    else
        parallelFor(chunks, each, 1);
}

} // namespace kal
