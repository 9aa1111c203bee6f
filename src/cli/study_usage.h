#pragma once

namespace vardeck::cli {

// What `vardeck-cli study --help` prints.
extern const char* const kStudyUsage;

}  // namespace vardeck::cli
