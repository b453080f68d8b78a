#pragma once
// The one owner of a COM interface reference in the library: move-only, closed by Release.
// It adopts the reference it is given (a creating call's result) and never adds one of its own,
// so one owner stands for one reference. It does not count in LiveOwnerCount: put() hands the
// slot to the callee, which may leave it empty.
#include <objbase.h>

#include <utility>

namespace kv {

template <class T>
class UniqueCom {
public:
    UniqueCom() = default;
    //! Adopts p's reference (no AddRef).
    explicit UniqueCom(T* p) : m_p(p) {}
    ~UniqueCom() { reset(); }
    UniqueCom(const UniqueCom&) = delete;
    UniqueCom& operator=(const UniqueCom&) = delete;
    UniqueCom(UniqueCom&& o) noexcept : m_p(std::exchange(o.m_p, nullptr)) {}
    UniqueCom& operator=(UniqueCom&& o) noexcept {
        if (this != &o) reset(o.release());
        return *this;
    }
    T* get() const { return m_p; }
    T* operator->() const { return m_p; }
    explicit operator bool() const { return m_p != nullptr; }
    //! Releases the held reference and adopts p's.
    void reset(T* p = nullptr) {
        if (T* old = std::exchange(m_p, p)) old->Release();
    }
    //! Gives the reference up without releasing it.
    T* release() { return std::exchange(m_p, nullptr); }
    //! Releases the held reference and lends the empty slot to a call that fills it.
    T** put() {
        reset();
        return &m_p;
    }
    void** put_void() { return reinterpret_cast<void**>(put()); }

private:
    T* m_p = nullptr;
};

}  // namespace kv
