#include "io/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <random>

namespace vardeck {

namespace {

// A symbolic link is written through to the file it names, so that the link stays a link.
// Gives the path of the file to replace, or "" for a loop or a chain too long to follow.
std::string resolveLinks(std::string path) {
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st;
        if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
        std::string target(static_cast<std::size_t>(PATH_MAX), '\0');
        const ssize_t length = ::readlink(path.c_str(), target.data(), target.size());
        if (length <= 0 || static_cast<std::size_t>(length) >= target.size()) return {};
        target.resize(static_cast<std::size_t>(length));
        if (target.front() == '/') {
            path = target;
        } else {
            const std::size_t slash = path.rfind('/');
            path = slash == std::string::npos ? target : path.substr(0, slash + 1) + target;
        }
    }
    return {};
}

std::string folderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

// A short hidden name that no other save can be using: the caller creates it exclusively and
// tries another one if it exists.
std::string temporaryName(const std::string& folder) {
    static constexpr char kLetters[] =
        "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    thread_local std::mt19937 generator{std::random_device{}()};
    std::uniform_int_distribution<int> pick(0, static_cast<int>(sizeof kLetters) - 2);
    std::string name = folder + "/.vardeck-";
    for (int i = 0; i < 8; ++i) name += kLetters[pick(generator)];
    return name;
}

void syncFolder(const std::string& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    // Some file systems refuse to sync a folder; the file itself is already on disk then.
    ::fsync(fd);
    ::close(fd);
}

// The new content goes to a file without a name while it is written, so a process killed
// meanwhile leaves nothing behind; it gets its hidden name only for the rename. Gives -1 where
// the file system has no unnamed files.
int openUnnamed(const std::string& folder) {
#ifdef O_TMPFILE
    return ::open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
#else
    (void)folder;
    errno = EOPNOTSUPP;
    return -1;
#endif
}

bool nameUnnamed(int fd, const std::string& name) {
    const std::string self = "/proc/self/fd/" + std::to_string(fd);
    return ::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0;
}

enum class Outcome { Written, Failed, NoUnnamedFiles };

Outcome writeThrough(const std::string& target, const struct stat* old,
                     const std::function<bool(std::FILE*)>& write, bool unnamed) {
    const std::string folder = folderOf(target);
    std::string temp;
    int fd = -1;
    if (unnamed) {
        fd = openUnnamed(folder);
        if (fd < 0) {
            return errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL
                       ? Outcome::NoUnnamedFiles
                       : Outcome::Failed;
        }
    }
    for (int attempt = 0; fd < 0 && attempt < 100; ++attempt) {
        temp = temporaryName(folder);
        fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST) return Outcome::Failed;
    }
    if (fd < 0) return Outcome::Failed;
    // The first failure's errno is what the caller learns; the clean-up may change errno.
    int reason = 0;
    const auto succeeded = [&reason](bool step) {
        if (!step && reason == 0) reason = errno != 0 ? errno : EIO;
        return step;
    };
    std::FILE* file = ::fdopen(fd, "w");
    if (!succeeded(file != nullptr)) {
        ::close(fd);
        if (!temp.empty()) ::unlink(temp.c_str());
        errno = reason;
        return Outcome::Failed;
    }

    errno = 0;
    bool ok = old == nullptr || succeeded(::fchmod(fd, old->st_mode & 07777) == 0);
    ok = ok && succeeded(write(file));
    ok = ok && succeeded(std::fflush(file) == 0 && !std::ferror(file));
    ok = ok && succeeded(::fsync(fd) == 0);
    bool named = !unnamed;
    for (int attempt = 0; ok && !named && attempt < 100; ++attempt) {
        temp = temporaryName(folder);
        named = nameUnnamed(fd, temp);
        if (!named && errno != EEXIST) {
            std::fclose(file);
            return Outcome::NoUnnamedFiles;
        }
    }
    ok = succeeded(std::fclose(file) == 0) && ok && succeeded(named);
    if (ok && succeeded(std::rename(temp.c_str(), target.c_str()) == 0)) {
        syncFolder(folder);
        return Outcome::Written;
    }
    if (named) ::unlink(temp.c_str());
    errno = reason;
    return Outcome::Failed;
}

}  // namespace

bool writeFileAtomically(const std::string& path, const std::function<bool(std::FILE*)>& write) {
    if (path.empty()) {
        errno = ENOENT;
        return false;
    }
    const std::string target = resolveLinks(path);
    if (target.empty()) {
        errno = ELOOP;
        return false;
    }
    struct stat old;
    const bool replacing = ::stat(target.c_str(), &old) == 0;
    // A device, a pipe or a folder is never replaced by a plain file.
    if (replacing && !S_ISREG(old.st_mode)) {
        errno = S_ISDIR(old.st_mode) ? EISDIR : EINVAL;
        return false;
    }
    const struct stat* previous = replacing ? &old : nullptr;
    Outcome outcome = writeThrough(target, previous, write, true);
    if (outcome == Outcome::NoUnnamedFiles) outcome = writeThrough(target, previous, write, false);
    return outcome == Outcome::Written;
}

}  // namespace vardeck
