#pragma once

#include <cstddef>

namespace vardeck {

// The largest user file that a reader takes in (settings, recordings, patterns, images); more
// than any of them ever needs, and far less than an endless device would feed.
inline constexpr std::size_t kMaxUserFileSize = std::size_t{256} << 20;
inline constexpr const char* kMaxUserFileSizeText = "256 MB";

}  // namespace vardeck
