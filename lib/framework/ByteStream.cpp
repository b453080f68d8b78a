// The read-only memory stream behind image decoding. Writes are refused (the decoders never
// write); Clone, locking and transactions are not needed by any decoder and say so.
#include "framework/ByteStream.h"

#include "framework/ComObject.h"

#include <cstring>

namespace {

class ByteStream final : public kv::ComObject<IStream> {
public:
    explicit ByteStream(std::string bytes) : m_bytes(std::move(bytes)) {}

    HRESULT STDMETHODCALLTYPE Read(void* buffer, ULONG count, ULONG* read) override {
        if (!buffer && count) return STG_E_INVALIDPOINTER;
        const uint64_t size = m_bytes.size();
        const uint64_t left = m_pos < size ? size - m_pos : 0;
        const ULONG n = ULONG(count < left ? count : left);
        if (n) std::memcpy(buffer, m_bytes.data() + m_pos, n);
        m_pos += n;
        if (read) *read = n;
        return n == count ? S_OK : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE Write(const void*, ULONG, ULONG* written) override {
        if (written) *written = 0;
        return STG_E_ACCESSDENIED;
    }
    HRESULT STDMETHODCALLTYPE Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* newPos) override {
        long double base = 0;
        switch (origin) {
        case STREAM_SEEK_SET: base = 0; break;
        case STREAM_SEEK_CUR: base = static_cast<long double>(m_pos); break;
        case STREAM_SEEK_END: base = static_cast<long double>(m_bytes.size()); break;
        default: return STG_E_INVALIDFUNCTION;
        }
        const long double target = base + static_cast<long double>(move.QuadPart);
        if (target < 0 || target > static_cast<long double>(m_bytes.size())) return STG_E_INVALIDFUNCTION;
        m_pos = static_cast<uint64_t>(target);
        if (newPos) newPos->QuadPart = m_pos;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetSize(ULARGE_INTEGER) override { return STG_E_ACCESSDENIED; }
    HRESULT STDMETHODCALLTYPE CopyTo(IStream* to, ULARGE_INTEGER count, ULARGE_INTEGER* read,
                                     ULARGE_INTEGER* written) override {
        if (!to) return STG_E_INVALIDPOINTER;
        const uint64_t size = m_bytes.size();
        const uint64_t left = m_pos < size ? size - m_pos : 0;
        uint64_t n = count.QuadPart < left ? count.QuadPart : left;
        uint64_t done = 0;
        HRESULT hr = S_OK;
        while (done < n && SUCCEEDED(hr)) {
            const ULONG chunk = ULONG(n - done < (1u << 30) ? n - done : (1u << 30));
            ULONG w = 0;
            hr = to->Write(m_bytes.data() + m_pos + done, chunk, &w);
            done += w;
            if (w < chunk) break;
        }
        m_pos += done;
        if (read) read->QuadPart = done;
        if (written) written->QuadPart = done;
        return hr;
    }
    HRESULT STDMETHODCALLTYPE Commit(DWORD) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE Revert() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override { return STG_E_INVALIDFUNCTION; }
    HRESULT STDMETHODCALLTYPE UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override { return STG_E_INVALIDFUNCTION; }
    HRESULT STDMETHODCALLTYPE Stat(STATSTG* stat, DWORD) override {
        if (!stat) return STG_E_INVALIDPOINTER;
        *stat = STATSTG{};
        stat->type = STGTY_STREAM;
        stat->cbSize.QuadPart = m_bytes.size();
        stat->grfMode = STGM_READ;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Clone(IStream** out) override {
        if (!out) return STG_E_INVALIDPOINTER;
        ByteStream* copy = nullptr;
        try {
            copy = new ByteStream(m_bytes);
        } catch (...) {
            return E_OUTOFMEMORY;
        }
        copy->m_pos = m_pos;
        *out = copy;
        return S_OK;
    }

private:
    bool Implements(REFIID riid) const override { return riid == IID_IStream || riid == IID_ISequentialStream; }
    std::string m_bytes;
    uint64_t m_pos = 0;
};

}  // namespace

namespace kv {

IStream* CreateByteStream(std::string bytes) {
    try {
        return new ByteStream(std::move(bytes));
    } catch (...) {
        return nullptr;
    }
}

}  // namespace kv
