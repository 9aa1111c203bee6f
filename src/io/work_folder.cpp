#include "io/work_folder.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "io/atomic_file.h"
#include "io/input_file.h"

namespace fs = std::filesystem;

namespace vardeck {
namespace {

std::string quoted(const fs::path& path) {
    return "\"" + path.string() + "\"";
}

// True when something, even a dangling link, has this name.
bool taken(const fs::path& path) {
    std::error_code ignored;
    return fs::exists(fs::symlink_status(path, ignored));
}

bool isFolder(const fs::path& path) {
    std::error_code ignored;
    return fs::is_directory(fs::status(path, ignored));
}

// What a name that is in the way is, for a message: a link that cannot be followed to its end
// is no file.
std::string whatIsInTheWay(const fs::path& path) {
    std::error_code error;
    (void)fs::status(path, error);
    if (error == std::errc::too_many_symbolic_link_levels)
        return "it is a symbolic link that loops";
    if (fs::is_symlink(fs::symlink_status(path, error))) return "it is a symbolic link to nothing";
    return "it is a file and not a folder";
}

}  // namespace

bool WorkFolder::prepare() {
    error_.clear();
    copied_.clear();
    madeFolders_.clear();
    std::vector<fs::path> folders;
    std::vector<fs::path> files;
    if (!listDefaults(folders, files) || !checkFolderCanBeMade() ||
        !checkNothingInTheWay(folders, files)) {
        return false;
    }
    bool ok = makeFolder(folder_);
    for (const fs::path& relative : folders) ok = ok && makeFolder(folder_ / relative);
    for (const fs::path& relative : files) {
        ok = ok && (taken(folder_ / relative) || copyFile(relative));
    }
    if (!ok) undo();
    return ok;
}

fs::path WorkFolder::userFolder(const char* xdgDataHome, const char* home) {
    if (xdgDataHome && fs::path(xdgDataHome).is_absolute()) {
        return fs::path(xdgDataHome) / "vardeck";
    }
    if (home && fs::path(home).is_absolute()) return fs::path(home) / ".local/share/vardeck";
    return {};
}

bool WorkFolder::fail(std::string message) {
    error_ = std::move(message);
    return false;
}

bool WorkFolder::listDefaults(std::vector<fs::path>& folders, std::vector<fs::path>& files) {
    std::error_code error;
    for (fs::recursive_directory_iterator it(defaults_, error), end; !error && it != end;
         it.increment(error)) {
        const fs::path relative = it->path().lexically_relative(defaults_);
        if (it->is_directory(error)) {
            folders.push_back(relative);
        } else if (it->is_regular_file(error)) {
            files.push_back(relative);
        }
    }
    if (error || files.empty()) {
        return fail("The installed data folder " + quoted(defaults_) +
                    " is missing or unreadable, so the working folder " + quoted(folder_) +
                    " cannot be set up. Reinstall Vardeck.");
    }
    // Parents come before their contents.
    std::sort(folders.begin(), folders.end());
    std::sort(files.begin(), files.end());
    return true;
}

bool WorkFolder::checkFolderCanBeMade() {
    if (folder_.empty()) return fail("The working folder has no name.");
    std::error_code error;
    const fs::path absolute = fs::absolute(folder_, error);
    if (error) return fail("Cannot find the working folder " + quoted(folder_) + ".");
    // The nearest part of the path that exists must be a folder.
    for (fs::path path = absolute;; path = path.parent_path()) {
        if (taken(path)) {
            if (isFolder(path)) return true;
            return fail("Cannot create the working folder " + quoted(folder_) + ": " +
                        quoted(path) + " is in the way, " + whatIsInTheWay(path) + ".");
        }
        if (path == path.parent_path()) return true;
    }
}

bool WorkFolder::checkNothingInTheWay(const std::vector<fs::path>& folders,
                                      const std::vector<fs::path>& files) {
    for (const fs::path& relative : folders) {
        const fs::path path = folder_ / relative;
        if (taken(path) && !isFolder(path)) {
            return fail("Cannot set up the working folder " + quoted(folder_) + ": " +
                        quoted(path) + " is in the way, it is a file where a folder belongs.");
        }
    }
    for (const fs::path& relative : files) {
        const fs::path path = folder_ / relative;
        if (taken(path) && isFolder(path)) {
            return fail("Cannot set up the working folder " + quoted(folder_) + ": " +
                        quoted(path) + " is in the way, it is a folder where a file belongs.");
        }
    }
    return true;
}

bool WorkFolder::makeFolder(const fs::path& path) {
    std::vector<fs::path> missing;
    for (fs::path part = path; !part.empty() && !taken(part); part = part.parent_path()) {
        missing.push_back(part);
        if (part == part.parent_path()) break;
    }
    for (auto it = missing.rbegin(); it != missing.rend(); ++it) {
        std::error_code error;
        if (!fs::create_directory(*it, error) || error) {
            return fail("Cannot create the folder " + quoted(*it) + ": " + error.message() + ".");
        }
        madeFolders_.push_back(*it);
    }
    return true;
}

bool WorkFolder::copyFile(const fs::path& relative) {
    const fs::path source = defaults_ / relative;
    const fs::path target = folder_ / relative;
    // Every default file is of a kind that the program reads; the press sequences have the
    // largest limit.
    const InputFile in(source, kPressFileLimit);
    if (!in.ok()) {
        return fail("The installed file " + quoted(source) + " " + in.problem() +
                    ". Reinstall Vardeck.");
    }
    int readError = 0;
    const bool written = writeFileAtomically(
        target.string(),
        [&](std::FILE* out) {
            char buffer[1 << 14];
            std::size_t count;
            errno = 0;
            while ((count = std::fread(buffer, 1, sizeof buffer, in.get())) > 0) {
                if (std::fwrite(buffer, 1, count, out) != count) return false;
            }
            if (std::ferror(in.get())) readError = errno ? errno : EIO;
            return readError == 0;
        },
        saveOptions_);
    if (readError != 0) {
        return fail("Cannot read the installed file " + quoted(source) + ": " +
                    std::strerror(readError) + ". Reinstall Vardeck.");
    }
    if (!written) {
        return fail("Cannot write " + quoted(target) + ": " + saveErrorText(errno) + ".");
    }
    copied_.push_back(relative);
    return true;
}

void WorkFolder::undo() {
    std::error_code ignored;
    for (auto it = copied_.rbegin(); it != copied_.rend(); ++it) fs::remove(folder_ / *it, ignored);
    for (auto it = madeFolders_.rbegin(); it != madeFolders_.rend(); ++it) fs::remove(*it, ignored);
    copied_.clear();
    madeFolders_.clear();
}

}  // namespace vardeck
