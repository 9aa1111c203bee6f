#pragma once

#include <string>

namespace vardeck::cli {

// Refuses, with a UsageError, a --play file that the recorder would read as an empty recording
// or not at all: one that cannot be read, is no regular file, is larger than kPressFileLimit or
// does not begin with an entry count.
void checkRecording(const std::string& path);

}  // namespace vardeck::cli
