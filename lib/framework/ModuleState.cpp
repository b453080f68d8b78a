// Module state and the library's entry point. The library registers nothing with the program at
// load time beyond recording its own module: its resources are found through the resource
// switch (CKarvoLocalResource), not through a search chain.
#include "framework/ModuleState.h"

#include <atomic>

namespace {

HINSTANCE g_libraryModule = nullptr;
HINSTANCE g_libraryResources = nullptr;
HINSTANCE g_currentResources = nullptr;  // null: the program's own
std::atomic<int> g_caughtExceptions{0};

}  // namespace

namespace kv::fw {

HINSTANCE GetInstanceHandle() { return ::GetModuleHandleW(nullptr); }
HINSTANCE GetResourceHandle() { return g_currentResources ? g_currentResources : GetInstanceHandle(); }
void SetResourceHandle(HINSTANCE module) { g_currentResources = module; }
HINSTANCE GetLibraryModule() { return g_libraryModule; }
HINSTANCE GetLibraryResourceModule() { return g_libraryResources ? g_libraryResources : g_libraryModule; }
void CountCaughtException() { g_caughtExceptions.fetch_add(1, std::memory_order_relaxed); }
int CaughtExceptionCount() { return g_caughtExceptions.load(std::memory_order_relaxed); }

}  // namespace kv::fw

void KvSetResourceHandle(HINSTANCE module) { g_libraryResources = module; }

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) noexcept {
    if (reason == DLL_PROCESS_ATTACH) {
        g_libraryModule = instance;
        ::DisableThreadLibraryCalls(instance);
    }
    return TRUE;
}
