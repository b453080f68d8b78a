#pragma once
// Typed, move-only owners of Win32 handles; each alias names its closer. Every owner that
// closes a handle counts itself in a process-wide live count, which the tests read to prove that
// no handle leaks (GetGuiResources always returns 0 under Wine).
#include <windows.h>

#include <atomic>
#include <utility>

#include "Export.h"

namespace kv {

//! Owners holding a handle right now, across the program and the library.
KV_API std::atomic<long>& LiveOwnerCount();

template <class Traits>
class UniqueAny {
public:
    using Handle = typename Traits::Handle;
    UniqueAny() = default;
    explicit UniqueAny(Handle h) { reset(h); }
    ~UniqueAny() { reset(); }
    UniqueAny(const UniqueAny&) = delete;
    UniqueAny& operator=(const UniqueAny&) = delete;
    UniqueAny(UniqueAny&& o) noexcept : m_h(std::exchange(o.m_h, Traits::Invalid())) {}
    UniqueAny& operator=(UniqueAny&& o) noexcept {
        if (this != &o) reset(o.release());
        return *this;
    }
    Handle get() const { return m_h; }
    explicit operator bool() const { return m_h != Traits::Invalid(); }
    //! Closes the held handle and takes h.
    void reset(Handle h = Traits::Invalid()) {
        if (m_h != Traits::Invalid()) {
            Traits::Close(m_h);
            --LiveOwnerCount();
        }
        m_h = h;
        if (m_h != Traits::Invalid()) ++LiveOwnerCount();
    }
    //! Gives the handle up without closing it.
    Handle release() {
        if (m_h != Traits::Invalid()) --LiveOwnerCount();
        return std::exchange(m_h, Traits::Invalid());
    }

private:
    Handle m_h = Traits::Invalid();
};

namespace detail {
template <class H, auto Closer>
struct NullTraits {
    using Handle = H;
    static constexpr H Invalid() { return nullptr; }
    static void Close(H h) { Closer(h); }
};
inline void DeleteGdi(HGDIOBJ h) { ::DeleteObject(h); }
inline void CloseFileHandle(HANDLE h) { ::CloseHandle(h); }
inline void FreeGlobal(HGLOBAL h) { ::GlobalFree(h); }
struct FileTraits {
    using Handle = HANDLE;
    static HANDLE Invalid() { return INVALID_HANDLE_VALUE; }
    static void Close(HANDLE h) { ::CloseHandle(h); }
};
}  // namespace detail

using UniqueHdc = UniqueAny<detail::NullTraits<HDC, ::DeleteDC>>;
using UniqueHbitmap = UniqueAny<detail::NullTraits<HBITMAP, detail::DeleteGdi>>;
using UniqueHbrush = UniqueAny<detail::NullTraits<HBRUSH, detail::DeleteGdi>>;
using UniqueHpen = UniqueAny<detail::NullTraits<HPEN, detail::DeleteGdi>>;
using UniqueHfont = UniqueAny<detail::NullTraits<HFONT, detail::DeleteGdi>>;
using UniqueHrgn = UniqueAny<detail::NullTraits<HRGN, detail::DeleteGdi>>;
using UniqueHmenu = UniqueAny<detail::NullTraits<HMENU, ::DestroyMenu>>;
using UniqueHicon = UniqueAny<detail::NullTraits<HICON, ::DestroyIcon>>;
using UniqueHandle = UniqueAny<detail::NullTraits<HANDLE, detail::CloseFileHandle>>;
using UniqueHglobal = UniqueAny<detail::NullTraits<HGLOBAL, detail::FreeGlobal>>;
using UniqueFile = UniqueAny<detail::FileTraits>;

}  // namespace kv
