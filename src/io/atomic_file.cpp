#include "io/atomic_file.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>

namespace vardeck {

bool writeFileAtomically(const std::string& path, const std::function<bool(std::FILE*)>& write) {
    if (path.empty()) return false;
    const std::string temp = path + ".tmp" + std::to_string(::getpid());
    std::FILE* file = std::fopen(temp.c_str(), "w");
    if (!file) return false;
    bool ok = write(file);
    ok = (std::fflush(file) == 0) && ok;
    ok = !std::ferror(file) && ok;
    ok = (std::fclose(file) == 0) && ok;
    if (ok && std::rename(temp.c_str(), path.c_str()) == 0) return true;
    // The caller may report why the write failed.
    const int reason = errno;
    std::remove(temp.c_str());
    errno = reason;
    return false;
}

}  // namespace vardeck
