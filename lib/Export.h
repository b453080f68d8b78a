#pragma once
// KV_API marks what KarvoLib exports. The portable core is also a static library (native tests,
// fuzzers), where the macro is empty.
#if defined(_WIN32) && defined(KV_SHARED)
#if defined(KARVOLIB_BUILD)
#define KV_API __declspec(dllexport)
#else
#define KV_API __declspec(dllimport)
#endif
#else
#define KV_API
#endif
