#pragma once

#include <cstdio>
#include <memory>
#include <string>

#include "io/file_limits.h"

namespace vardeck {

enum class FileReadResult { Ok, CannotOpen, NotAFile, TooLarge };

// A user's file opened for reading, the one way every reader opens its input. The open never
// waits (on a pipe without a writer, on a device), and only a regular file within its kind's
// size limit stays open: anything else is refused before a byte of it is read, so no reader
// hangs or is fed without end.
class InputFile {
public:
    InputFile(const std::string& path, FileSizeLimit limit);

    FileReadResult result() const { return result_; }
    bool ok() const { return result_ == FileReadResult::Ok; }
    // The open file at its start; null unless ok().
    std::FILE* get() const { return file_.get(); }
    // Reads the rest of the file into `text`; more than the limit (a file that grew since it was
    // opened) is TooLarge, a failed read CannotOpen.
    FileReadResult readAll(std::string& text);
    // Why the file is refused, to follow its name in a message ("cannot be read: Permission
    // denied", "is a folder", "is larger than 4 KB").
    std::string problem() const;
    // The same as an errno value: the system's reason, EISDIR for a folder, EINVAL for another
    // file that is no regular file, EFBIG for one over the limit; 0 when ok().
    int error() const;

private:
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file_{nullptr, &std::fclose};
    FileSizeLimit limit_;
    FileReadResult result_ = FileReadResult::CannotOpen;
    int error_ = 0;
    bool folder_ = false;
};

// Reads a whole file of the kind that `limit` belongs to into `text` in one go.
FileReadResult readWholeFile(const std::string& path, FileSizeLimit limit, std::string& text);

}  // namespace vardeck
