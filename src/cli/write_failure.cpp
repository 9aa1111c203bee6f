#include "cli/write_failure.h"

#include <cstdio>

#include "io/atomic_file.h"

namespace vardeck::cli {

int cannotWrite(const std::string& command, const std::string& what, const std::string& reason) {
    std::fprintf(stderr, "vardeck-cli%s%s: cannot write %s%s%s\n", command.empty() ? "" : " ",
                 command.c_str(), what.c_str(), reason.empty() ? "" : ": ", reason.c_str());
    return 1;
}

int cannotWriteFile(const std::string& command, const std::string& path, int error) {
    return cannotWrite(command, "'" + path + "'", saveErrorText(error));
}

}  // namespace vardeck::cli
