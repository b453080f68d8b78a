#pragma once
// CKarvoLocalResource: while it lives, the library's resource module is the current one, so
// windows created from the library's templates find them. Guards nest; each puts back exactly
// the module it found.
#include <windows.h>

#include "Export.h"

class KV_API CKarvoLocalResource {
public:
    CKarvoLocalResource();
    ~CKarvoLocalResource();
    CKarvoLocalResource(const CKarvoLocalResource&) = delete;
    //! Copies the kept module.
    CKarvoLocalResource& operator=(const CKarvoLocalResource& other) {
        m_hOldResource = other.m_hOldResource;
        return *this;
    }

private:
    HINSTANCE m_hOldResource;
};
