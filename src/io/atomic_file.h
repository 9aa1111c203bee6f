#pragma once

#include <cerrno>
#include <cstdio>
#include <functional>
#include <string>

namespace vardeck {

// How a save gets its temporary a name; tests replace the default to take the way that only
// some systems take.
struct AtomicWriteOptions {
    // Gives the written unnamed temporary `fd` its hidden `name`, false with errno set when it
    // cannot. The default links it through /proc/self/fd. Where that fails for another reason
    // than a taken name (as without /proc), the content is copied to a named temporary instead.
    std::function<bool(int fd, const std::string& name)> nameUnnamed;
};

// errno of a save refused because its target is a symbolic link that is not followed.
inline constexpr int kLinkNotFollowed = ENOLINK;

// Writes a file through a temporary beside it and renames it over the target only when every
// write succeeded and the data is on disk, so a failed write or a power cut never destroys the
// previous file. The temporary is unique to the call, so saves of one path from several threads
// or processes each land whole; the temporaries that a killed save of this user left in the
// folder are removed once they are a minute old. The new file keeps the old one's permission
// bits (not its set-id and sticky bits).
//
// A symbolic link is written through to its target, so it stays a link, but only a link that
// no other user could have made: one that belongs to this user or to the owner of its folder,
// in a folder that is not writable by all and sticky (as /tmp). Any other link is refused with
// errno kLinkNotFollowed. A target that exists but is no regular file (a folder, a device) is
// refused.
//
// `write` is called once; it returns false to abandon the file. Returns true when the target
// was replaced; on a failure errno tells why.
bool writeFileAtomically(const std::string& path, const std::function<bool(std::FILE*)>& write,
                         const AtomicWriteOptions& options = {});

// Whether writeFileAtomically could save `path` now, as far as can be known without writing it:
// the links and the target are checked as a save checks them, and a temporary is made in the
// folder and removed again. Changes nothing else; errno tells why not.
bool canWriteFileAtomically(const std::string& path);

// Why a save failed with errno `error`, to follow the file name in a message.
std::string saveErrorText(int error);

}  // namespace vardeck
