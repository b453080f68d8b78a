// Module state and the library's entry point. The library registers nothing with the program at
// load time beyond recording its own module: its resources are found through the resource
// switch (CKarvoLocalResource), not through a search chain.
#include "framework/ModuleState.h"

#include <atomic>
#include <cstdio>
#include <exception>

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

void CountCaughtException(const char* where) noexcept {
    ++g_caughtExceptions;
    const char* what = "not a standard exception";
    try {
        if (std::exception_ptr e = std::current_exception()) std::rethrow_exception(e);
    } catch (const std::exception& e) {
        what = e.what();
    } catch (...) {
    }
    char line[512];
    std::snprintf(line, sizeof line, "Karvo: exception caught in %s: %s\n", where ? where : "?", what);
    ::OutputDebugStringA(line);
}

int CaughtExceptionCount() noexcept { return g_caughtExceptions.load(); }

}  // namespace kv::fw

void KvSetResourceHandle(HINSTANCE module) { g_libraryResources = module; }

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) noexcept {
    if (reason == DLL_PROCESS_ATTACH) {
        g_libraryModule = instance;
        ::DisableThreadLibraryCalls(instance);
    }
    return TRUE;
}
