// The threads behind ForRows: the system's thread pool on Windows, the standard library's
// threads elsewhere. The calling thread takes chunks too, so one thread means no other.
#include "imaging/Parallel.h"

#include <algorithm>
#include <atomic>
#include <thread>
#include <vector>

#if defined(_WIN32)
#include <windows.h>
#endif

namespace kv {

namespace {

std::atomic<int> g_threads{0};

struct Job {
    void (*chunk)(void*, int);
    void* ctx;
    int chunks;
    std::atomic<int> next{0};
    void Work() {
        for (int i; (i = next.fetch_add(1)) < chunks;) chunk(ctx, i);
    }
};

}  // namespace

void SetImagingThreads(int n) { g_threads = std::max(n, 0); }

bool ImagingThreadsSet() { return g_threads.load() > 0; }

int ImagingThreads() {
    const int set = g_threads.load();
    if (set > 0) return std::min(set, 64);
    const unsigned cores = std::thread::hardware_concurrency();
    return int(std::clamp(cores, 1u, 64u));
}

namespace detail {

void RunChunks(int chunks, int threads, void (*chunk)(void*, int), void* ctx) {
    Job job;
    job.chunk = chunk, job.ctx = ctx, job.chunks = chunks;
    const int helpers = std::clamp(threads, 1, chunks) - 1;
    if (helpers <= 0) {
        job.Work();
        return;
    }
#if defined(_WIN32)
    PTP_WORK work = ::CreateThreadpoolWork(
        [](PTP_CALLBACK_INSTANCE, PVOID p, PTP_WORK) noexcept { static_cast<Job*>(p)->Work(); }, &job, nullptr);
    if (work) {
        for (int i = 0; i < helpers; ++i) ::SubmitThreadpoolWork(work);
        job.Work();
        ::WaitForThreadpoolWorkCallbacks(work, FALSE);
        ::CloseThreadpoolWork(work);
        return;
    }
    job.Work();  // no pool: all on this thread
#else
    std::vector<std::thread> pool;
    try {
        for (int i = 0; i < helpers; ++i) pool.emplace_back([&job] { job.Work(); });
    } catch (...) {
        // fewer threads than asked for: the chunks are shared among those that started
    }
    job.Work();
    for (std::thread& t : pool) t.join();
#endif
}

}  // namespace detail
}  // namespace kv
