#include "foundation/Parallel.h"

#include <algorithm>
#include <cstdlib>
#include <memory>

#include <tbb/blocked_range.h>
#include <tbb/global_control.h>
#include <tbb/info.h>
#include <tbb/parallel_for.h>

namespace kal {

namespace {

// Loops over fewer records run serially.
constexpr int kParallelMinimum = 8192;

} // namespace

// KAL_THREADS is read on the first call; its cap lives as long as the process, and a tighter cap
// set for a while wins over it.
int allowedThreads() {
    static const std::unique_ptr<tbb::global_control> fromEnvironment = [] {
        const char* text = std::getenv("KAL_THREADS");
        const long n = text ? std::strtol(text, nullptr, 10) : 0;
        if (n <= 0) return std::unique_ptr<tbb::global_control>();
        const long threads = std::min<long>(n, std::max(1, tbb::info::default_concurrency()));
        return std::make_unique<tbb::global_control>(tbb::global_control::max_allowed_parallelism, size_t(threads));
    }();
    return int(tbb::global_control::active_value(tbb::global_control::max_allowed_parallelism));
}

void parallelFor(int count, const std::function<void(int, int)>& body, int minimum) {
    if (count <= 0) return;
    const int threads = count < minimum ? 1 : allowedThreads();
    if (threads <= 1) {
        body(0, count);
        return;
    }
    // a few blocks per worker for balance
    const int grain = std::max(1, count / (threads * 8));
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
