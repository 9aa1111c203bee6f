#include "study/folder_update.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <random>

namespace vardeck::study {

namespace fs = std::filesystem;

namespace {

constexpr const char* kInterrupted = "interrupted";
constexpr std::string_view kHiddenPrefix = ".vardeck-study-";
constexpr std::size_t kHiddenLetters = 6;
// No update goes a minute without touching its hidden folder.
constexpr std::time_t kStaleSeconds = 60;

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

void syncFolder(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

// A name in `parent` that nothing has yet.
std::string hiddenName(const std::string& parent) {
    static constexpr char kLetters[] =
        "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    thread_local std::mt19937 random{std::random_device{}()};
    std::uniform_int_distribution<std::size_t> letter(0, sizeof kLetters - 2);
    for (;;) {
        std::string name = parent + "/" + std::string(kHiddenPrefix);
        for (std::size_t i = 0; i < kHiddenLetters; ++i) name += kLetters[letter(random)];
        struct stat info {};
        if (::lstat(name.c_str(), &info) != 0) return name;
    }
}

bool isHiddenFolderName(const std::string& name) {
    return name.size() == kHiddenPrefix.size() + kHiddenLetters &&
           name.compare(0, kHiddenPrefix.size(), kHiddenPrefix) == 0;
}

// The newest change in a tree, to tell whether an update still works on it.
std::time_t newestChange(const std::string& path) {
    struct stat info {};
    std::time_t newest = ::lstat(path.c_str(), &info) == 0 ? info.st_mtime : 0;
    std::error_code error;
    for (fs::recursive_directory_iterator it(path, error), end; !error && it != end;
         it.increment(error))
        if (::lstat(it->path().c_str(), &info) == 0) newest = std::max(newest, info.st_mtime);
    return newest;
}

bool inside(const fs::path& path, const fs::path& folder) {
    auto p = path.begin();
    for (auto f = folder.begin(); f != folder.end(); ++f, ++p)
        if (p == path.end() || *p != *f) return false;
    return true;
}

}  // namespace

// Where the update happens: the existing folder `parent` gets its entry `name` put in place;
// `below` are the folders to make under it down to the output folder.
struct FolderUpdate::Place {
    std::string error;
    std::string parent;
    std::string name;
    std::vector<std::string> below;
    bool exists = false;
    mode_t mode = 0;  // the old folder's permission bits

    std::string target() const { return parent + (parent == "/" ? "" : "/") + name; }
};

FolderUpdate::FolderUpdate(std::string dir, std::vector<std::string> ownNames)
    : dir_(std::move(dir)), ownNames_(std::move(ownNames)) {}

void FolderUpdate::step(const char* what) const {
    if (hook_) hook_(what);
}

FolderUpdate::Place FolderUpdate::locate() const {
    Place place;
    const auto fail = [&](const std::string& why) {
        place.error = "cannot make the folder '" + dir_ + "': " + why;
        return place;
    };
    fs::path path(dir_);
    if (path.empty()) return fail("no name");
    if (!path.has_filename()) path = path.parent_path();
    // Up to the nearest folder that exists; what is missing below it is made at the end.
    std::vector<std::string> missing;
    for (;;) {
        const std::string text = path.empty() ? "." : path.string();
        struct stat info {};
        if (::stat(text.c_str(), &info) == 0) {
            if (!S_ISDIR(info.st_mode)) return fail(std::strerror(ENOTDIR));
            place.mode = info.st_mode & 07777;
            break;
        }
        if (errno != ENOENT) return fail(std::strerror(errno));
        if (::lstat(text.c_str(), &info) == 0) return fail("a link to nothing");
        const std::string name = path.filename().string();
        if (name == "..") return fail("'..' after a folder that does not exist");
        if (name != "." && !name.empty()) missing.push_back(name);
        path = path.parent_path();
    }
    std::error_code error;
    const fs::path real = fs::canonical(path.empty() ? fs::path(".") : path, error);
    if (error) return fail(error.message());
    if (missing.empty()) {
        place.exists = true;
        place.parent = real.parent_path().string();
        place.name = real.filename().string();
        const fs::path here = fs::current_path(error);
        if (place.name.empty() || (!error && inside(here, real)))
            return fail("it holds the working folder");
        // Only a folder of the kind being written is replaced, lest other files go with it.
        for (fs::directory_iterator it(real, error), end; !error && it != end;
             it.increment(error)) {
            const std::string name = it->path().filename().string();
            const bool own = std::find(ownNames_.begin(), ownNames_.end(), name) != ownNames_.end();
            // Hidden files of earlier writers of such a folder count as its own.
            const bool hidden =
                name.rfind(".vardeck-", 0) == 0 || name.rfind(".study-probe-", 0) == 0 ||
                std::any_of(ownNames_.begin(), ownNames_.end(),
                            [&](auto& own) { return name.rfind("." + own + ".", 0) == 0; });
            struct stat info {};
            if (!(own || hidden) || ::lstat(it->path().c_str(), &info) != 0 ||
                !S_ISREG(info.st_mode)) {
                place.error = "cannot replace the folder '" + dir_ + "': '" +
                              (fs::path(dir_) / name).string() +
                              "' is not one of the files it is made of";
                return place;
            }
        }
        if (error) return fail(error.message());
    } else {
        place.parent = real.string();
        place.name = missing.back();
        place.below.assign(missing.rbegin() + 1, missing.rend());
    }
    if (::access(place.parent.c_str(), W_OK | X_OK) != 0) {
        const std::string why = std::strerror(errno);
        if (!place.exists) return fail(why);
        place.error =
            "cannot replace the folder '" + dir_ + "': " + why + " in '" + place.parent + "'";
    }
    return place;
}

std::string FolderUpdate::check() const {
    return locate().error;
}

std::string FolderUpdate::writeFolder(const Place& place, const std::string& temporary,
                                      const Files& files, const std::atomic<bool>* stop) const {
    std::string folder = temporary;
    for (const std::string& name : place.below) {
        folder += "/" + name;
        step("mkdir");
        if (::mkdir(folder.c_str(), 0777) != 0)
            return "cannot make the folder '" + dir_ + "': " + std::strerror(errno);
    }
    for (const auto& [name, text] : files) {
        if (stop && stop->load()) return kInterrupted;
        const std::string shown = (fs::path(dir_) / name).string();
        step("create");
        const int fd =
            ::open((folder + "/" + name).c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0) return "cannot write '" + shown + "': " + std::strerror(errno);
        // A file keeps the permission bits of the one it replaces, as the program's other
        // writers do; a new one gets what the umask leaves.
        struct stat old {};
        const bool written =
            writeAll(fd, text) &&
            (!place.exists || ::stat((place.target() + "/" + name).c_str(), &old) != 0 ||
             ::fchmod(fd, old.st_mode & 07777) == 0) &&
            ::fsync(fd) == 0;
        const int writeError = errno;
        if (::close(fd) != 0 || !written)
            return "cannot write '" + shown + "': " + std::strerror(written ? errno : writeError);
    }
    for (std::string path = folder; path.size() >= temporary.size();
         path = fs::path(path).parent_path().string())
        syncFolder(path);
    return {};
}

std::string FolderUpdate::commit(const Files& files, const std::atomic<bool>* stop) {
    if (stop && stop->load()) return kInterrupted;
    const Place place = locate();
    if (!place.error.empty()) return place.error;
    removeStale(place.parent);

    const std::string target = place.target();
    std::string temporary = hiddenName(place.parent);
    step("mkdir");
    if (::mkdir(temporary.c_str(), 0777) != 0 ||
        (place.exists && ::chmod(temporary.c_str(), place.mode) != 0))
        return "cannot write in '" + place.parent + "': " + std::strerror(errno);
    std::string problem = writeFolder(place, temporary, files, stop);
    if (problem.empty() && stop && stop->load()) problem = kInterrupted;
    // The last moment to give up: once the new folder is in place, the update finishes.
    if (problem.empty()) {
        step("rename");
        if (!place.exists) {
            if (::renameat2(AT_FDCWD, temporary.c_str(), AT_FDCWD, target.c_str(),
                            RENAME_NOREPLACE) != 0 &&
                ((errno != EINVAL && errno != ENOSYS) ||
                 ::rename(temporary.c_str(), target.c_str()) != 0))
                problem = "cannot make the folder '" + dir_ + "': " + std::strerror(errno);
        } else if (::renameat2(AT_FDCWD, temporary.c_str(), AT_FDCWD, target.c_str(),
                               RENAME_EXCHANGE) != 0) {
            if (errno != EINVAL && errno != ENOSYS) {
                problem = "cannot replace the folder '" + dir_ + "': " + std::strerror(errno);
            } else {
                // A file system that cannot exchange (NFS): two renames, with a moment
                // between them in which the name is free.
                const std::string old = hiddenName(place.parent);
                if (::rename(target.c_str(), old.c_str()) != 0) {
                    problem = "cannot replace the folder '" + dir_ + "': " + std::strerror(errno);
                } else {
                    step("rename");
                    if (::rename(temporary.c_str(), target.c_str()) != 0) {
                        problem =
                            "cannot replace the folder '" + dir_ + "': " + std::strerror(errno);
                        ::rename(old.c_str(), target.c_str());
                    } else {
                        temporary = old;
                    }
                }
            }
        }
    }
    if (!problem.empty()) {
        removeTree(temporary);
        return problem;
    }
    syncFolder(place.parent);
    // The old folder, now under the hidden name.
    if (place.exists) removeTree(temporary);
    return {};
}

void FolderUpdate::removeTree(const std::string& path) const {
    std::vector<std::string> names;
    std::error_code error;
    for (fs::directory_iterator it(path, error), end; !error && it != end; it.increment(error))
        names.push_back(it->path().string());
    for (const std::string& name : names) {
        struct stat info {};
        if (::lstat(name.c_str(), &info) != 0) continue;
        if (S_ISDIR(info.st_mode)) {
            removeTree(name);
        } else {
            step("unlink");
            ::unlink(name.c_str());
        }
    }
    step("rmdir");
    ::rmdir(path.c_str());
}

void FolderUpdate::removeStale(const std::string& parent) const {
    const std::time_t now = std::time(nullptr);
    std::error_code error;
    std::vector<std::string> stale;
    for (fs::directory_iterator it(parent, error), end; !error && it != end; it.increment(error)) {
        struct stat info {};
        if (!isHiddenFolderName(it->path().filename().string()) ||
            ::lstat(it->path().c_str(), &info) != 0 || !S_ISDIR(info.st_mode) ||
            info.st_uid != ::geteuid())
            continue;
        if (newestChange(it->path().string()) < now - kStaleSeconds)
            stale.push_back(it->path().string());
    }
    for (const std::string& path : stale) removeTree(path);
}

}  // namespace vardeck::study
