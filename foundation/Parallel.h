#pragma once
// Parallel loops over blocks of record indices, run on oneTBB's scheduler (whose idle workers
// sleep instead of spinning against the GL thread). Every index is handed to exactly one call of
// the body, and nothing is combined across blocks, so a loop whose outputs each depend only on
// their own inputs gives the serial loop's result bit for bit, however the blocks fall.
//
// The loops use as many threads as oneTBB allows when they start: KAL_THREADS=N in the environment
// caps them at N for the whole process (1: every loop on the calling thread), and a
// tbb::global_control of max_allowed_parallelism caps them while it lives.
#include <atomic>
#include <functional>

namespace kal {

// body(begin, end) over blocks of records that together cover [0, count) once. Loops over a few
// thousand records or fewer run serially on the calling thread (a brush dab touching a few hundred
// records must not pay for waking workers), and so does every loop when one thread is allowed.
void parallelFor(int count, const std::function<void(int begin, int end)>& body);

// The same over count units that each stand for many records (pages, bands of rows, chunks): serial
// below minimum units.
void parallelFor(int count, const std::function<void(int begin, int end)>& body, int minimum);

// The threads a loop over many records may use now.
int allowedThreads();

// body(k, first, end) once for each chunk k of records [first, end), the records [0, records) cut
// into chunks of chunk records from the front. Parallel over the chunks under the same rule as
// parallelFor over the records, so per-chunk results laid out by k come out the same however the
// blocks fall.
void parallelForChunks(int records, int chunk, const std::function<void(int k, int first, int end)>& body);

// Plain int storage that parallel blocks update in place, seen as a std::atomic of the same layout
// (std::atomic_ref is C++20): the shared arrays stay plain vectors that serial code reads and
// writes directly, and relaxed loads and stores cost what plain ones do.
template <class T>
std::atomic<T>& atomicView(T& value) {
    static_assert(sizeof(std::atomic<T>) == sizeof(T) && alignof(std::atomic<T>) == alignof(T),
                  "an atomic must have its value's layout");
    static_assert(std::atomic<T>::is_always_lock_free, "an atomic must be its value, without a lock");
    return reinterpret_cast<std::atomic<T>&>(value);
}

} // namespace kal
