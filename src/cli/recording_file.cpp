#include "cli/recording_file.h"

#include <sys/stat.h>

#include <cstdio>
#include <memory>

#include "cli/arguments.h"
#include "io/file_limits.h"

namespace vardeck::cli {

void checkRecording(const std::string& path) {
    const std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "r"),
                                                               &std::fclose);
    if (!file) throw UsageError{"cannot read the press-sequence file '" + path + "'"};
    struct stat st;
    if (::fstat(::fileno(file.get()), &st) != 0 || !S_ISREG(st.st_mode))
        throw UsageError{"'" + path + "' is not a press-sequence file"};
    if (static_cast<unsigned long long>(st.st_size) > kMaxUserFileSize)
        throw UsageError{"'" + path + "' is larger than " + kMaxUserFileSizeText};
    int count = 0;
    if (std::fscanf(file.get(), "%d", &count) != 1)
        throw UsageError{"'" + path + "' is not a press-sequence file"};
}

}  // namespace vardeck::cli
