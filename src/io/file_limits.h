#pragma once

#include <cstddef>

namespace vardeck {

// The largest file of one kind that its reader takes in, with the size as a message shows it.
struct FileSizeLimit {
    std::size_t bytes;
    const char* text;
};

// Each kind's limit is about ten times the largest file of that kind that the program itself
// writes, its numbers at their widest: room for any file the program or an editor makes, while a
// hostile or endless file is refused before it costs memory or time.
//
// vardeck.cfg: eleven lines, at most 487 bytes.
inline constexpr FileSizeLimit kSettingsFileLimit{std::size_t{4} << 10, "4 KB"};
// Network images: a solver image is at most about 41 KB (every value -3.4e38), the teacher's
// less.
inline constexpr FileSizeLimit kImageFileLimit{std::size_t{512} << 10, "512 KB"};
// Pattern files: make-patterns writes at most 2.3 KB.
inline constexpr FileSizeLimit kPatternFileLimit{std::size_t{32} << 10, "32 KB"};
// Press sequences: generate writes up to about 73 MB (a million callers). Ten times that would
// take gigabytes of memory once read, so the limit stays at three and a half times.
inline constexpr FileSizeLimit kPressFileLimit{std::size_t{256} << 20, "256 MB"};

}  // namespace vardeck
