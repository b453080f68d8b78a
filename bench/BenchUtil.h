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
