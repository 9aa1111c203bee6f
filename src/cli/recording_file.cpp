#include "cli/recording_file.h"

#include <cstdio>

#include "cli/arguments.h"
#include "io/input_file.h"

namespace vardeck::cli {

void checkRecording(const std::string& path) {
    const InputFile file(path, kPressFileLimit);
    switch (file.result()) {
        case FileReadResult::Ok:
            break;
        case FileReadResult::CannotOpen:
            throw UsageError{"the press-sequence file '" + path + "' " + file.problem()};
        case FileReadResult::NotAFile:
        case FileReadResult::TooLarge:
            throw UsageError{"'" + path + "' is not a press-sequence file: it " + file.problem()};
    }
    int count = 0;
    if (std::fscanf(file.get(), "%d", &count) != 1)
        throw UsageError{"'" + path + "' is not a press-sequence file"};
}

}  // namespace vardeck::cli
