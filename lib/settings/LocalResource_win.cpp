#include "settings/LocalResource.h"

#include "framework/ModuleState.h"

CKarvoLocalResource::CKarvoLocalResource() : m_hOldResource(kv::fw::GetResourceHandle()) {
    kv::fw::SetResourceHandle(kv::fw::GetLibraryResourceModule());
}

CKarvoLocalResource::~CKarvoLocalResource() { kv::fw::SetResourceHandle(m_hOldResource); }
