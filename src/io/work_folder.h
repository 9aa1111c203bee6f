#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "io/atomic_file.h"

namespace vardeck {

// A folder where the program reads and writes its files, set up from the installed defaults:
// the folder (and its parents) are created if missing, and every default file that the folder
// lacks is copied in. Files already there are never touched.
//
// Everything that could stop the set-up is checked before anything is changed, each file is
// copied through a temporary and renamed into place, and a failure halfway removes what this
// set-up made, so the folder is either complete or as it was.
class WorkFolder {
public:
    WorkFolder(std::filesystem::path folder, std::filesystem::path defaults,
               AtomicWriteOptions saveOptions = {})
        : folder_(std::move(folder)),
          defaults_(std::move(defaults)),
          saveOptions_(std::move(saveOptions)) {}

    // Returns false, with error() set, when the folder cannot be made complete.
    bool prepare();

    const std::string& error() const { return error_; }
    // The files copied by prepare(), relative to the folder.
    const std::vector<std::filesystem::path>& copied() const { return copied_; }

    // The user's own folder of the program, "$XDG_DATA_HOME/vardeck" or
    // "$HOME/.local/share/vardeck" (a relative or empty XDG_DATA_HOME is ignored, as the XDG base
    // directory rules say). Empty when neither variable gives an absolute folder.
    static std::filesystem::path userFolder(const char* xdgDataHome, const char* home);

private:
    bool fail(std::string message);
    bool listDefaults(std::vector<std::filesystem::path>& folders,
                      std::vector<std::filesystem::path>& files);
    bool checkFolderCanBeMade();
    bool checkNothingInTheWay(const std::vector<std::filesystem::path>& folders,
                              const std::vector<std::filesystem::path>& files);
    bool makeFolder(const std::filesystem::path& path);
    bool copyFile(const std::filesystem::path& relative);
    void undo();

    std::filesystem::path folder_;
    std::filesystem::path defaults_;
    AtomicWriteOptions saveOptions_;
    std::string error_;
    std::vector<std::filesystem::path> copied_;
    std::vector<std::filesystem::path> madeFolders_;
};

}  // namespace vardeck
