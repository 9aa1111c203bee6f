#pragma once

#include <atomic>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace vardeck::study {

// Replaces a folder as a whole. The new files are written into a hidden folder beside it
// (".vardeck-study-" and six letters), which then takes the folder's place in one step; the
// old folder, now under the hidden name, is removed after. A kill at any moment leaves the
// folder's name holding either all of the old files or all of the new ones. Folders that do
// not exist yet are made only in that last step, so a failure or a kill before it leaves no
// trace but a hidden folder, which the next update into the same parent removes once it is a
// minute old.
class FolderUpdate {
public:
    using Files = std::vector<std::pair<std::string, std::string>>;

    // `ownNames`: the files such a folder holds. A folder with anything else in it is never
    // replaced, so that nothing of the user's goes with it.
    FolderUpdate(std::string dir, std::vector<std::string> ownNames);

    // Whether the folder could be replaced now; creates nothing. Returns an error message,
    // empty when it could.
    std::string check() const;
    // Makes the folder hold exactly `files` (name, content). Until the folder is exchanged,
    // `stop` going up abandons the update and gives "interrupted"; after it, the update
    // finishes. Returns an error message, empty on success; on failure the folder is as it was.
    std::string commit(const Files& files, const std::atomic<bool>* stop = nullptr);

    // Called before each step of a commit that changes the file system (making, renaming or
    // removing), with a word for the step; lets a test end the process there.
    void setStepHook(std::function<void(const char* step)> hook) { hook_ = std::move(hook); }

private:
    struct Place;

    Place locate() const;
    void step(const char* what) const;
    std::string writeFolder(const Place& place, const std::string& temporary, const Files& files,
                            const std::atomic<bool>* stop) const;
    void removeTree(const std::string& path) const;
    void removeStale(const std::string& parent) const;

    std::string dir_;
    std::vector<std::string> ownNames_;
    std::function<void(const char*)> hook_;
};

}  // namespace vardeck::study
