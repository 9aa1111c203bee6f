#include "io/input_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <new>
#include <stdexcept>
#include <utility>

namespace vardeck {

InputFile::InputFile(const std::string& path, FileSizeLimit limit) : limit_(limit) {
    // Without O_NONBLOCK the open itself waits for a pipe's writer; a terminal must not become
    // the process's controlling one.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        error_ = errno;
        return;
    }
    struct stat st;
    if (::fstat(fd, &st) != 0) {
        error_ = errno;
        ::close(fd);
        return;
    }
    if (!S_ISREG(st.st_mode)) {
        folder_ = S_ISDIR(st.st_mode);
        result_ = FileReadResult::NotAFile;
        ::close(fd);
        return;
    }
    if (static_cast<unsigned long long>(st.st_size) > limit_.bytes) {
        result_ = FileReadResult::TooLarge;
        ::close(fd);
        return;
    }
    // A regular file never waits; reads are plain blocking ones again.
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0) ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    file_.reset(::fdopen(fd, "rb"));
    if (!file_) {
        error_ = errno;
        ::close(fd);
        return;
    }
    result_ = FileReadResult::Ok;
}

FileReadResult InputFile::readAll(std::string& text) {
    if (!ok()) return result_;
    std::string content;
    errno = 0;
    try {
        char chunk[65536];
        std::size_t got = 0;
        while ((got = std::fread(chunk, 1, sizeof chunk, file_.get())) > 0) {
            if (content.size() + got > limit_.bytes) return result_ = FileReadResult::TooLarge;
            content.append(chunk, got);
        }
    } catch (const std::bad_alloc&) {
        return result_ = FileReadResult::TooLarge;
    } catch (const std::length_error&) {
        return result_ = FileReadResult::TooLarge;
    }
    if (std::ferror(file_.get())) {
        error_ = errno != 0 ? errno : EIO;
        return result_ = FileReadResult::CannotOpen;
    }
    text = std::move(content);
    return FileReadResult::Ok;
}

int InputFile::error() const {
    switch (result_) {
        case FileReadResult::Ok:
            return 0;
        case FileReadResult::NotAFile:
            return folder_ ? EISDIR : EINVAL;
        case FileReadResult::TooLarge:
            return EFBIG;
        default:
            return error_ != 0 ? error_ : EIO;
    }
}

std::string InputFile::problem() const {
    switch (result_) {
        case FileReadResult::Ok:
            return {};
        case FileReadResult::CannotOpen:
            return std::string("cannot be read: ") + std::strerror(error_ != 0 ? error_ : EIO);
        case FileReadResult::NotAFile:
            return folder_ ? "is a folder" : "is not a regular file";
        case FileReadResult::TooLarge:
            return std::string("is larger than ") + limit_.text;
    }
    return {};
}

FileReadResult readWholeFile(const std::string& path, FileSizeLimit limit, std::string& text) {
    InputFile file(path, limit);
    return file.readAll(text);
}

}  // namespace vardeck
