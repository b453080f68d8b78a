#pragma once
// An IStream over bytes it owns, for decoders that read an image from memory. A read past the
// end returns what is there (S_FALSE when short) and a seek past the end fails, so a decoder
// that follows a lying offset gets a clean error instead of reading outside the bytes.
// Wine: the stream of CreateStreamOnHGlobal accepts such a seek and faults on the next read.
#include <objidl.h>

#include <string>

#include "Export.h"

namespace kv {

//! A new read-only stream holding bytes (moved in); the caller releases it. Null on failure.
KV_API IStream* CreateByteStream(std::string bytes);

}  // namespace kv
