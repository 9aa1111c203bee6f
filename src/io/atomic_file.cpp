#include "io/atomic_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <random>
#include <string_view>

namespace vardeck {

namespace {

constexpr int kMaxLinkHops = 40;
constexpr std::string_view kTemporaryPrefix = ".vardeck-";
constexpr char kTemporaryLetters[] =
    "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
constexpr std::size_t kTemporaryLetterCount = 8;
// No save goes a minute without writing to its temporary.
constexpr std::time_t kStaleSeconds = 60;
constexpr int kNameAttempts = 100;

std::string folderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

// A link that another user could have put there would let that user redirect the save to any
// file this user may write, so only links of this user or of the folder's owner are followed,
// and none in a folder where everybody may make files (the kernel's protected links look at the
// opening of a link; a save only renames onto the target it found, which they never see).
bool mayFollow(const std::string& link, const struct stat& linkStat) {
    struct stat folder;
    if (::stat(folderOf(link).c_str(), &folder) != 0) return false;
    const bool shared = (folder.st_mode & S_ISVTX) != 0 && (folder.st_mode & S_IWOTH) != 0;
    const bool trusted = linkStat.st_uid == ::geteuid() || linkStat.st_uid == folder.st_uid;
    return trusted && !shared;
}

// Turns `path` into the file to replace: a symbolic link is written through to the file it
// names, so that the link stays a link. False with errno set for a loop, a chain too long to
// follow or a link that is not followed.
bool resolveLinks(std::string& path) {
    for (int hops = 0; hops < kMaxLinkHops; ++hops) {
        struct stat st;
        if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return true;
        if (!mayFollow(path, st)) {
            errno = kLinkNotFollowed;
            return false;
        }
        std::string target(static_cast<std::size_t>(PATH_MAX), '\0');
        const ssize_t length = ::readlink(path.c_str(), target.data(), target.size());
        if (length < 0) return false;
        if (length == 0 || static_cast<std::size_t>(length) >= target.size()) {
            errno = ENAMETOOLONG;
            return false;
        }
        target.resize(static_cast<std::size_t>(length));
        if (target.front() == '/') {
            path = target;
        } else {
            const std::size_t slash = path.rfind('/');
            path = slash == std::string::npos ? target : path.substr(0, slash + 1) + target;
        }
    }
    errno = ELOOP;
    return false;
}

// The file that a save replaces, and what it was before.
struct Target {
    std::string path;
    std::string folder;
    struct stat old {};
    bool replacing = false;
};

bool findTarget(const std::string& path, Target& target) {
    if (path.empty()) {
        errno = ENOENT;
        return false;
    }
    target.path = path;
    if (!resolveLinks(target.path)) return false;
    target.folder = folderOf(target.path);
    target.replacing = ::stat(target.path.c_str(), &target.old) == 0;
    // A device, a pipe or a folder is never replaced by a plain file.
    if (target.replacing && !S_ISREG(target.old.st_mode)) {
        errno = S_ISDIR(target.old.st_mode) ? EISDIR : EINVAL;
        return false;
    }
    return true;
}

// A short hidden name that no other save can be using: the caller creates it exclusively and
// tries another one if it exists.
std::string temporaryName(const std::string& folder) {
    thread_local std::mt19937 generator{std::random_device{}()};
    std::uniform_int_distribution<int> pick(0, static_cast<int>(sizeof kTemporaryLetters) - 2);
    std::string name = folder + "/" + std::string(kTemporaryPrefix);
    for (std::size_t i = 0; i < kTemporaryLetterCount; ++i)
        name += kTemporaryLetters[pick(generator)];
    return name;
}

bool isTemporaryName(std::string_view name) {
    if (name.size() != kTemporaryPrefix.size() + kTemporaryLetterCount ||
        name.substr(0, kTemporaryPrefix.size()) != kTemporaryPrefix) {
        return false;
    }
    return name.find_first_not_of(kTemporaryLetters, kTemporaryPrefix.size()) ==
           std::string_view::npos;
}

// A save killed while it wrote a named temporary leaves it behind; this user's that have not
// been written for a minute belong to no running save.
void removeStaleTemporaries(const std::string& folder) {
    const int savedErrno = errno;
    if (DIR* dir = ::opendir(folder.c_str())) {
        const int dirFd = ::dirfd(dir);
        const std::time_t now = std::time(nullptr);
        while (const dirent* entry = ::readdir(dir)) {
            if (!isTemporaryName(entry->d_name)) continue;
            struct stat st;
            if (::fstatat(dirFd, entry->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 &&
                S_ISREG(st.st_mode) && st.st_uid == ::geteuid() &&
                st.st_mtime < now - kStaleSeconds) {
                ::unlinkat(dirFd, entry->d_name, 0);
            }
        }
        ::closedir(dir);
    }
    errno = savedErrno;
}

// The new content goes to a file without a name while it is written, so a process killed
// meanwhile leaves nothing behind; it gets its hidden name only for the rename. Gives -1 with
// errno set; see noUnnamedFiles.
int openUnnamed(const std::string& folder) {
#ifdef O_TMPFILE
    // Readable too: where it cannot be named, its content is copied out.
    return ::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0666);
#else
    (void)folder;
    errno = EOPNOTSUPP;
    return -1;
#endif
}

bool noUnnamedFiles(int error) {
    return error == EOPNOTSUPP || error == EISDIR || error == EINVAL;
}

int openNamed(const std::string& folder, std::string& name) {
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        const std::string candidate = temporaryName(folder);
        const int fd = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            name = candidate;
            return fd;
        }
        if (errno != EEXIST) return -1;
    }
    return -1;
}

bool linkThroughProc(int fd, const std::string& name) {
    const std::string self = "/proc/self/fd/" + std::to_string(fd);
    return ::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0;
}

bool copyContent(int from, int to) {
    char buffer[1 << 16];
    for (off_t at = 0;;) {
        const ssize_t got = ::pread(from, buffer, sizeof buffer, at);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return got == 0;
        for (ssize_t done = 0; done < got;) {
            const ssize_t put = ::write(to, buffer + done, static_cast<std::size_t>(got - done));
            if (put < 0 && errno == EINTR) continue;
            if (put < 0) return false;
            done += put;
        }
        at += got;
    }
}

void syncFolder(const std::string& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    // Some file systems refuse to sync a folder; the file itself is already on disk then.
    ::fsync(fd);
    ::close(fd);
}

// One save: its temporary, removed again unless the save renamed it into place.
class Save {
public:
    Save(const Target& target, const AtomicWriteOptions& options)
        : target_(target), options_(options) {}
    ~Save() {
        const int savedErrno = errno;
        if (file_) std::fclose(file_);
        if (!name_.empty()) ::unlink(name_.c_str());
        errno = savedErrno;
    }
    Save(const Save&) = delete;
    Save& operator=(const Save&) = delete;

    bool run(const std::function<bool(std::FILE*)>& write) {
        if (!open() || !keepPermissions(fd_)) return false;
        errno = 0;
        const bool written = write(file_) && std::fflush(file_) == 0 && !std::ferror(file_);
        if (!written) {
            if (errno == 0) errno = EIO;
            return false;
        }
        if (::fsync(fd_) != 0 || (name_.empty() && !nameUnnamed())) return false;
        std::FILE* file = file_;
        file_ = nullptr;
        if (std::fclose(file) != 0 || std::rename(name_.c_str(), target_.path.c_str()) != 0)
            return false;
        name_.clear();
        syncFolder(target_.folder);
        return true;
    }

private:
    bool open() {
        fd_ = openUnnamed(target_.folder);
        if (fd_ < 0) {
            if (!noUnnamedFiles(errno)) return false;
            fd_ = openNamed(target_.folder, name_);
            if (fd_ < 0) return false;
        }
        file_ = ::fdopen(fd_, "w");
        if (file_) return true;
        const int error = errno;
        ::close(fd_);
        errno = error;
        return false;
    }

    // Only the permission bits: a set-id bit on a file that root saves would hand root's rights
    // to whoever runs it.
    bool keepPermissions(int fd) const {
        return !target_.replacing || ::fchmod(fd, target_.old.st_mode & 0777) == 0;
    }

    bool nameUnnamed() {
        for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
            const std::string name = temporaryName(target_.folder);
            const bool named =
                options_.nameUnnamed ? options_.nameUnnamed(fd_, name) : linkThroughProc(fd_, name);
            if (named) {
                name_ = name;
                return true;
            }
            if (errno != EEXIST) return copyToNamed();
        }
        return false;
    }

    // Where the unnamed file cannot be named (no /proc), what was written is copied to a named
    // temporary: `write` is called only once, and may read from a stream it cannot rewind.
    bool copyToNamed() {
        const int fd = openNamed(target_.folder, name_);
        if (fd < 0) return false;
        if (!keepPermissions(fd) || !copyContent(fd_, fd) || ::fsync(fd) != 0) {
            const int error = errno;
            ::close(fd);
            errno = error;
            return false;
        }
        return ::close(fd) == 0;
    }

    const Target& target_;
    const AtomicWriteOptions& options_;
    int fd_ = -1;
    std::FILE* file_ = nullptr;
    std::string name_;
};

}  // namespace

bool writeFileAtomically(const std::string& path, const std::function<bool(std::FILE*)>& write,
                         const AtomicWriteOptions& options) {
    Target target;
    if (!findTarget(path, target)) return false;
    removeStaleTemporaries(target.folder);
    Save save(target, options);
    return save.run(write);
}

bool canWriteFileAtomically(const std::string& path) {
    Target target;
    if (!findTarget(path, target)) return false;
    int fd = openUnnamed(target.folder);
    if (fd < 0) {
        if (!noUnnamedFiles(errno)) return false;
        std::string name;
        fd = openNamed(target.folder, name);
        if (fd < 0) return false;
        ::unlink(name.c_str());
    }
    ::close(fd);
    return true;
}

std::string saveErrorText(int error) {
    if (error == kLinkNotFollowed)
        return "it is a symbolic link of another user or in a folder that everybody can write "
               "to, and such links are not followed";
    return std::strerror(error);
}

}  // namespace vardeck
