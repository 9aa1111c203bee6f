#pragma once

namespace vardeck::study {

// The program's version as the build states it, written into every study and report.
inline constexpr const char* kProgramVersion = VARDECK_VERSION;

}  // namespace vardeck::study
