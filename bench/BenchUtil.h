#pragma once
// Timing helpers: best of N runs, and the memcpy of the same buffer as the reference that every
// figure is divided by.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace kvbench {

template <class Fn>
double BestSeconds(int runs, Fn&& fn) {
    double best = 1e30;
    for (int i = 0; i < runs; ++i) {
        const auto t0 = std::chrono::steady_clock::now();
        fn();
        const auto t1 = std::chrono::steady_clock::now();
        best = std::min(best, std::chrono::duration<double>(t1 - t0).count());
    }
    return best;
}

// Every run's seconds, sorted: the median is what a user gets on a typical run, the ends the
// spread.
template <class Fn>
std::vector<double> SortedSeconds(int runs, Fn&& fn) {
    std::vector<double> t;
    for (int i = 0; i < runs; ++i) {
        const auto t0 = std::chrono::steady_clock::now();
        fn();
        const auto t1 = std::chrono::steady_clock::now();
        t.push_back(std::chrono::duration<double>(t1 - t0).count());
    }
    std::sort(t.begin(), t.end());
    return t;
}
inline double Median(const std::vector<double>& t) {
    return t.empty() ? 0 : t.size() % 2 ? t[t.size() / 2] : (t[t.size() / 2 - 1] + t[t.size() / 2]) / 2;
}

// memcpy between two buffers that have been written once (no first-touch page faults).
inline double MemcpySeconds(size_t bytes, int runs) {
    std::vector<unsigned char> a(bytes, 1), b(bytes, 2);
    return BestSeconds(runs, [&] {
        std::memcpy(b.data(), a.data(), bytes);
        asm volatile("" : : "r"(b.data()) : "memory");
    });
}

struct Table {
    std::string text;
    //! A table of medians with their spread, on one thread and on all cores.
    void SpreadHeader(const std::string& title, int cores) {
        char buf[512];
        std::snprintf(buf, sizeof buf,
                      "\n| %s | 1 thread: median ms | × memcpy (spread) | %d cores: median ms | × memcpy (spread) | speed-up |\n"
                      "|---|---:|---:|---:|---:|---:|\n",
                      title.c_str(), cores);
        text += buf;
    }
    void SpreadRow(const std::string& name, const std::vector<double>& one, const std::vector<double>& all, double reference) {
        char buf[512];
        std::snprintf(buf, sizeof buf, "| %s | %.2f | %.1f (%.1f–%.1f) | %.2f | %.1f (%.1f–%.1f) | %.2f |\n", name.c_str(),
                      Median(one) * 1e3, Median(one) / reference, one.front() / reference, one.back() / reference,
                      Median(all) * 1e3, Median(all) / reference, all.front() / reference, all.back() / reference,
                      Median(one) / Median(all));
        text += buf;
        std::fputs(buf, stdout);
        std::fflush(stdout);
    }
    void Header(const std::string& title) {
        text += "\n| " + title + " | ms | × memcpy |\n|---|---:|---:|\n";
    }
    void Row(const std::string& name, double seconds, double reference) {
        char buf[256];
        std::snprintf(buf, sizeof buf, "| %s | %.2f | %.2f |\n", name.c_str(), seconds * 1e3, seconds / reference);
        text += buf;
        std::fputs(buf, stdout);
        std::fflush(stdout);
    }
};

}  // namespace kvbench
