#pragma once

#include <cstdio>
#include <functional>
#include <string>

namespace vardeck {

// Writes a file through a temporary beside it and renames it over the target only when every
// write succeeded and the data is on disk, so a failed write or a power cut never destroys the
// previous file. The temporary is unique to the call, so saves of one path from several threads
// or processes each land whole. The new file keeps the old one's permission bits; a symbolic
// link is written through to its target. A target that exists but is no regular file (a folder,
// a device) is refused.
// `write` returns false to abandon the file; it may be called twice. Returns true when the target
// was replaced; on a failure errno tells why.
bool writeFileAtomically(const std::string& path, const std::function<bool(std::FILE*)>& write);

}  // namespace vardeck
