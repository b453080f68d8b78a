// The program folder in the native build: the directory of /proc/self/exe.
#include <unistd.h>

#include <climits>

#include "settings/Helper.h"

std::wstring CHelper::GetAppPath() {
    char buf[PATH_MAX + 1];
    const ssize_t n = ::readlink("/proc/self/exe", buf, PATH_MAX);
    if (n <= 0) return L"/";
    std::string path(buf, size_t(n));
    path.erase(path.rfind('/') + 1);
    // Native paths are ASCII in the test trees; bytes map one to one.
    return std::wstring(path.begin(), path.end());
}
