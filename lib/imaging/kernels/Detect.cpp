// The one choice of kernel set: what the processor and its system support, capped by KV_KERNELS,
// made on the first call and kept for the process. The checks also see whether the system saves
// the wider registers (the compiler's run-time check reads XGETBV as well as CPUID).
#include <atomic>
#include <cstdlib>
#include <cstring>

#include "imaging/kernels/RowKernels.h"

namespace kv::detail {

namespace {

bool CpuHasAvx2() {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2") != 0;
}

bool CpuHasAvx512() {
    // F, BW, VL and DQ: the rows use 512-bit doubles, 16-bit lanes and 256-bit masked compares.
    __builtin_cpu_init();
    return CpuHasAvx2() && __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
           __builtin_cpu_supports("avx512vl") && __builtin_cpu_supports("avx512dq");
}

const RowKernels& Choose() {
    const RowKernels* widest = CpuHasAvx512() ? &kAvx512Kernels : CpuHasAvx2() ? &kAvx2Kernels : &kScalarKernels;
    const char* wanted = std::getenv("KV_KERNELS");
    if (!wanted || !*wanted) return *widest;
    // The named set, when this processor has it; an unknown name or a wider set than the
    // processor has leaves the widest it has.
    for (const RowKernels* k = widest; k; k = k->narrower)
        if (std::strcmp(k->name, wanted) == 0) return *k;
    return *widest;
}

std::atomic<const RowKernels*> g_forTests{nullptr};

}  // namespace

const RowKernels& Kernels() {
    if (const RowKernels* k = g_forTests.load(std::memory_order_relaxed)) return *k;
    static const RowKernels& chosen = Choose();
    return chosen;
}

int RunnableKernels(const RowKernels* out[3]) {
    int n = 0;
    const RowKernels* widest = CpuHasAvx512() ? &kAvx512Kernels : CpuHasAvx2() ? &kAvx2Kernels : &kScalarKernels;
    for (const RowKernels* k = widest; k && n < 3; k = k->narrower) out[n++] = k;
    return n;
}

void UseKernelsForTests(const RowKernels* k) { g_forTests.store(k, std::memory_order_relaxed); }

}  // namespace kv::detail

const char* kv::KernelSetName() { return detail::Kernels().name; }
