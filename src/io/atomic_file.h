#pragma once

#include <cstdio>
#include <functional>
#include <string>

namespace vardeck {

// Writes a file through a temporary beside it and renames it over the target only when every
// write succeeded, so a failed write never destroys the previous file.
// `write` returns false to abandon the file. Returns true when the target was replaced; on a
// failure errno tells why.
bool writeFileAtomically(const std::string& path, const std::function<bool(std::FILE*)>& write);

}  // namespace vardeck
