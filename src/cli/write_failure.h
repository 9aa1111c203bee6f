#pragma once

#include <string>

namespace vardeck::cli {

// Tells on stderr, in one line, that `command` could not write `what` ("the output", "the
// image 'solver.img'") and why; nothing follows when `reason` is empty. Returns 1, the exit
// code of a failed write.
int cannotWrite(const std::string& command, const std::string& what, const std::string& reason);
// The same for the file at `path`, whose save failed with errno `error`.
int cannotWriteFile(const std::string& command, const std::string& path, int error);

}  // namespace vardeck::cli
