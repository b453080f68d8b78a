#pragma once
// The IUnknown part of our own small COM objects: a thread-safe reference count, deletion at
// zero, and QueryInterface for IUnknown plus the interfaces the object names.
#include <objbase.h>

#include <atomic>

namespace kv {

template <class Interface>
class ComObject : public Interface {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
        if (!out) return E_POINTER;
        if (riid == IID_IUnknown || Implements(riid)) {
            *out = static_cast<Interface*>(this);
            this->AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++m_refs; }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG left = --m_refs;
        if (left == 0) delete this;
        return left;
    }

protected:
    virtual ~ComObject() = default;
    //! Whether riid is one of the object's interfaces (besides IUnknown).
    virtual bool Implements(REFIID riid) const = 0;

private:
    std::atomic<ULONG> m_refs{1};
};

}  // namespace kv
