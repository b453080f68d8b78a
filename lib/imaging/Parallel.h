#pragma once
// Rows of one processor call spread over the machine's cores. The call stays synchronous: it
// returns when every row is done, and each row is computed exactly as on one thread, so the
// bytes do not depend on the number of threads. Nothing is shared across calls.
#include <algorithm>
#include <cstdint>

#include "Export.h"

namespace kv {

//! Threads a processor call may use: n ≥ 1, or 0 for one per core (the default).
KV_API void SetImagingThreads(int n);
//! The threads a call uses now.
KV_API int ImagingThreads();
//! Whether SetImagingThreads named a count (then small images are split too).
KV_API bool ImagingThreadsSet();

namespace detail {

//! Runs chunk(ctx, i) for i in [0, chunks), on up to `threads` threads (the caller's included).
KV_API void RunChunks(int chunks, int threads, void (*chunk)(void*, int), void* ctx);

//! body(y0, y1) over [0, rows) in contiguous ranges, a few a thread, taken by whichever thread is
//! free: a core that is busy elsewhere for a while leaves its share to the others instead of
//! holding up the call. A range that returns false makes the result false.
template <class Body>
bool ForRows(int rows, int64_t pixelsPerRow, Body&& body) {
    // With the default count, a thread is worth its start only for 64K pixels or more of work; a
    // count set explicitly is used as it is (rows permitting).
    constexpr int64_t kMinPixelsPerThread = 1 << 16;
    constexpr int kRangesPerThread = 4, kMinRowsPerRange = 64, kMaxRanges = 64;
    int threads = ImagingThreads();
    const bool explicitCount = ImagingThreadsSet();
    while (threads > 1 && (rows < threads || (!explicitCount && int64_t(rows) * pixelsPerRow < kMinPixelsPerThread * threads)))
        --threads;
    if (threads <= 1) return body(0, rows);
    const int parts = std::max(threads, std::min({threads * kRangesPerThread, rows / kMinRowsPerRange, kMaxRanges}));
    struct Ctx {
        Body* body;
        int rows, parts;
        bool ok[kMaxRanges];
    } ctx{&body, rows, parts, {}};
    for (bool& b : ctx.ok) b = true;
    RunChunks(parts, threads,
              [](void* p, int i) {
                  auto* c = static_cast<Ctx*>(p);
                  const int y0 = int(int64_t(c->rows) * i / c->parts), y1 = int(int64_t(c->rows) * (i + 1) / c->parts);
                  c->ok[i] = (*c->body)(y0, y1);
              },
              &ctx);
    for (int i = 0; i < parts; ++i)
        if (!ctx.ok[i]) return false;
    return true;
}

}  // namespace detail
}  // namespace kv
