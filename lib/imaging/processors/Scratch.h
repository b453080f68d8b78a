#pragma once
// Per-call scratch arrays for the kernels (row and column tables). Allocation failure is
// reported, never thrown: a processor that cannot get its tables returns 0.
#include <cstddef>
#include <memory>
#include <new>

namespace kv::detail {

template <class T>
class Scratch {
public:
    explicit Scratch(ptrdiff_t n) : m_p(n > 0 ? new (std::nothrow) T[size_t(n)] : nullptr), m_ok(n <= 0 || m_p) {}
    explicit operator bool() const { return m_ok; }
    T* get() const { return m_p.get(); }
    T& operator[](ptrdiff_t i) const { return m_p[i]; }

private:
    std::unique_ptr<T[]> m_p;
    bool m_ok;
};

}  // namespace kv::detail
