#pragma once
#include <string>

#include "Export.h"

class KV_API CHelper {
public:
    //! The running program's folder with a trailing separator ("\" on Windows); "\" when the
    //! module name holds no separator. Any path length.
    static std::wstring GetAppPath();
};
