#include "io/work_folder.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <functional>
#include <map>

#include "test_support.h"

namespace vardeck {
namespace {

namespace fs = std::filesystem;
using test::readFile;
using test::writeFile;

using test::kData;

std::string fingerprint(const std::string& content) {
    return std::to_string(content.size()) + "/" + std::to_string(std::hash<std::string>{}(content));
}

// Every file and folder under `root` with a fingerprint of each file, to see what changed.
std::map<std::string, std::string> snapshot(const fs::path& root) {
    std::map<std::string, std::string> entries;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        const std::string name = entry.path().lexically_relative(root).string();
        entries[name] = entry.is_symlink()     ? "<link>"
                        : entry.is_directory() ? "<folder>"
                                               : fingerprint(readFile(entry.path().string()));
    }
    return entries;
}

std::map<std::string, std::string> shippedFiles() {
    std::map<std::string, std::string> files = snapshot(kData);
    EXPECT_TRUE(files.count("vardeck.cfg") && files.count("traffic/up-peak.but"));
    return files;
}

std::size_t shippedFileCount() {
    std::size_t count = 0;
    for (const auto& [name, content] : shippedFiles()) count += content != "<folder>";
    return count;
}

TEST(WorkFolderTest, FreshFolderGetsEveryDefaultFile) {
    // Also where saves cannot name their unnamed temporaries (no /proc).
    const AtomicWriteOptions noProc{[](int, const std::string&) {
        errno = ENOENT;
        return false;
    }};
    for (const AtomicWriteOptions& options : {AtomicWriteOptions{}, noProc}) {
        test::TempDir dir;
        WorkFolder folder("home/user/.local/share/vardeck", kData, options);
        ASSERT_TRUE(folder.prepare()) << folder.error();
        EXPECT_EQ(snapshot("home/user/.local/share/vardeck"), shippedFiles());
        EXPECT_EQ(folder.copied().size(), shippedFileCount());

        // A second start finds everything in place and copies nothing.
        ASSERT_TRUE(folder.prepare()) << folder.error();
        EXPECT_TRUE(folder.copied().empty());
    }
}

TEST(WorkFolderTest, KeepsTheUsersFilesAndAddsOnlyWhatIsMissing) {
    test::TempDir dir;
    fs::create_directories("work/traffic");
    writeFile("work/vardeck.cfg", "changed settings\n");
    writeFile("work/my-morning.but", "a recording\n");
    writeFile("work/traffic/lunch.but", "my own lunch traffic\n");

    WorkFolder folder("work", kData);
    ASSERT_TRUE(folder.prepare()) << folder.error();

    std::map<std::string, std::string> expected = shippedFiles();
    expected["vardeck.cfg"] = fingerprint("changed settings\n");
    expected["my-morning.but"] = fingerprint("a recording\n");
    expected["traffic/lunch.but"] = fingerprint("my own lunch traffic\n");
    EXPECT_EQ(snapshot("work"), expected);
    for (const fs::path& copied : folder.copied()) {
        EXPECT_NE(copied, "vardeck.cfg");
        EXPECT_NE(copied, "traffic/lunch.but");
    }
    EXPECT_EQ(folder.copied().size(), shippedFileCount() - 2);
}

// Each case blocks the set-up in a way that stops root as well as a user; nothing may change.
TEST(WorkFolderTest, BlockedFolderGivesAnErrorAndWritesNothing) {
    struct Case {
        const char* what;
        std::function<void()> arrange;
        const char* folder;
        const char* defaults;  // empty: the shipped data
        std::string errorNames;
    };
    const Case cases[] = {
        {"a file where the folder should be", [] { writeFile("blocked", "x"); }, "blocked", "",
         "\"blocked\""},
        {"a file where a parent should be", [] { writeFile("parent", "x"); }, "parent/a/work", "",
         "/parent\" is in the way, it is a file and not a folder"},
        {"a link that loops where the folder should be", [] { fs::create_symlink("loop", "loop"); },
         "loop/work", "", "/loop\" is in the way, it is a symbolic link that loops"},
        {"a file where traffic/ belongs",
         [] {
             fs::create_directory("work");
             writeFile("work/traffic", "x");
         },
         "work", "", "\"work/traffic\""},
        {"a folder where vardeck.cfg belongs", [] { fs::create_directories("work/vardeck.cfg"); },
         "work", "", "\"work/vardeck.cfg\""},
        {"the installed data missing", [] {}, "new/work", "no-such-data", "\"no-such-data\""},
        {"the installed data empty", [] { fs::create_directories("empty/traffic"); }, "new/work",
         "empty", "\"empty\""},
        // The last default file cannot be read (reading it gives an I/O error): the copy fails
        // after others were made.
        {"a copy failing halfway",
         [] {
             fs::copy(kData, "data", fs::copy_options::recursive);
             fs::create_symlink("/proc/self/mem", "data/zzz-unreadable");
         },
         "new/work", "data", "zzz-unreadable"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        test::TempDir dir;
        c.arrange();
        const auto before = snapshot(".");
        WorkFolder folder(c.folder, *c.defaults ? fs::path(c.defaults) : fs::path(kData));
        EXPECT_FALSE(folder.prepare());
        EXPECT_NE(folder.error().find(c.errorNames), std::string::npos) << folder.error();
        EXPECT_TRUE(folder.copied().empty());
        EXPECT_EQ(snapshot("."), before);
    }
}

TEST(WorkFolderTest, UserFolderFollowsTheXdgRules) {
    EXPECT_EQ(WorkFolder::userFolder("/data", "/home/ann"), "/data/vardeck");
    EXPECT_EQ(WorkFolder::userFolder("", "/home/ann"), "/home/ann/.local/share/vardeck");
    EXPECT_EQ(WorkFolder::userFolder("rel", "/home/ann"), "/home/ann/.local/share/vardeck");
    EXPECT_EQ(WorkFolder::userFolder(nullptr, "/home/ann"), "/home/ann/.local/share/vardeck");
    EXPECT_EQ(WorkFolder::userFolder(nullptr, nullptr), "");
    EXPECT_EQ(WorkFolder::userFolder("", "relative"), "");
}

}  // namespace
}  // namespace vardeck
