#include "study/folder_update.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace vardeck::study {

namespace {

// A new empty file with a unique name built from `prefix`; empty when none could be made.
std::string uniqueFile(const std::string& prefix, int* fd) {
    std::string path = prefix + "XXXXXX";
    const int made = ::mkstemp(path.data());
    if (made < 0) return {};
    if (fd)
        *fd = made;
    else
        ::close(made);
    return path;
}

bool writeAll(int fd, const std::string& text) {
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += std::size_t(n);
    }
    return true;
}

// The bits a file made by the program's usual writers would get: those of the file it
// replaces, or the default under the umask.
mode_t modeFor(const std::string& target) {
    struct stat info {};
    if (::stat(target.c_str(), &info) == 0) return info.st_mode & 07777;
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

}  // namespace

FolderUpdate::FolderUpdate(std::string dir) : dir_(std::move(dir)) {}

FolderUpdate::~FolderUpdate() {
    for (const Change& change : changes_)
        if (!change.staged.empty()) ::unlink(change.staged.c_str());
}

std::string FolderUpdate::pathOf(const std::string& name) const {
    return dir_.empty() || dir_.back() == '/' ? dir_ + name : dir_ + "/" + name;
}

std::string FolderUpdate::stage(const std::string& name, const std::string& text) {
    const std::string target = pathOf(name);
    int fd = -1;
    const std::string staged = uniqueFile(pathOf("." + name + ".new-"), &fd);
    if (staged.empty()) return "cannot write '" + target + "': " + std::strerror(errno);
    changes_.push_back({name, staged, {}});
    const bool written =
        writeAll(fd, text) && ::fchmod(fd, modeFor(target)) == 0 && ::fsync(fd) == 0;
    const int writeError = errno;
    if (::close(fd) != 0 || !written)
        return "cannot write '" + target + "': " + std::strerror(written ? errno : writeError);
    return {};
}

void FolderUpdate::remove(const std::string& name) {
    changes_.push_back({name, {}, {}});
}

std::string FolderUpdate::commit() {
    for (std::size_t i = 0; i < changes_.size(); ++i) {
        Change& change = changes_[i];
        const std::string target = pathOf(change.name);
        struct stat info {};
        if (::lstat(target.c_str(), &info) == 0) {
            // The old file steps aside under a name of its own, to come back on a failure.
            change.backup = uniqueFile(pathOf("." + change.name + ".old-"), nullptr);
            if (change.backup.empty() || ::rename(target.c_str(), change.backup.c_str()) != 0) {
                const int error = errno;
                if (!change.backup.empty()) ::unlink(change.backup.c_str());
                change.backup.clear();
                rollBack(i);
                return "cannot replace '" + target + "': " + std::strerror(error);
            }
        }
        if (!change.staged.empty() && ::rename(change.staged.c_str(), target.c_str()) != 0) {
            const int error = errno;
            rollBack(i + 1);
            return "cannot replace '" + target + "': " + std::strerror(error);
        }
        // In place now (a removal is done once the old file stepped aside).
        change.staged.clear();
    }
    for (const Change& change : changes_)
        if (!change.backup.empty()) ::unlink(change.backup.c_str());
    changes_.clear();
    // The renames reach the disk with the folder.
    const int fd = ::open(dir_.empty() ? "." : dir_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
    return {};
}

void FolderUpdate::rollBack(std::size_t done) {
    for (std::size_t i = done; i-- > 0;) {
        Change& change = changes_[i];
        const std::string target = pathOf(change.name);
        if (change.backup.empty()) {
            // Nothing was there before: what was put there goes.
            if (change.staged.empty()) ::unlink(target.c_str());
        } else {
            ::rename(change.backup.c_str(), target.c_str());
            change.backup.clear();
        }
    }
}

}  // namespace vardeck::study
