#pragma once

#include <string>
#include <vector>

namespace vardeck::study {

// Replaces several files of one folder together: every new file is written in full beside its
// target first, and only then are they all renamed into place. A failed write, or a rename
// that fails half-way, leaves the folder as it was, so that it never holds parts of two
// different outputs. Whatever was staged but not committed is removed on destruction.
class FolderUpdate {
public:
    explicit FolderUpdate(std::string dir);
    ~FolderUpdate();
    FolderUpdate(const FolderUpdate&) = delete;
    FolderUpdate& operator=(const FolderUpdate&) = delete;

    // Writes `text` to a hidden file in the folder that becomes `name` on commit. Returns an
    // error message, empty on success.
    std::string stage(const std::string& name, const std::string& text);
    // `name`, if it exists, goes on commit.
    void remove(const std::string& name);
    // Puts the staged files in place, in the order they were staged, and removes the others.
    // Returns an error message, empty on success; on failure the folder is as it was.
    std::string commit();

private:
    struct Change {
        std::string name;
        std::string staged;  // empty for a removal
        std::string backup;  // where the old file went during commit, empty if there was none
    };

    std::string pathOf(const std::string& name) const;
    void rollBack(std::size_t done);

    std::string dir_;
    std::vector<Change> changes_;
};

}  // namespace vardeck::study
