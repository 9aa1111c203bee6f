// Saving files: what a save leaves behind when it succeeds, fails, races another save or is
// killed half-way.

#include "io/atomic_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "test_support.h"

namespace vardeck {
namespace {

namespace fs = std::filesystem;

bool save(const std::string& path, const std::string& text) {
    return writeFileAtomically(path, [&text](std::FILE* file) {
        return std::fwrite(text.data(), 1, text.size(), file) == text.size();
    });
}

std::vector<std::string> folderEntries(const std::string& folder = ".") {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

TEST(AtomicFileTest, TargetsOfEveryKind) {
    test::TempDir dir;
    // Any name the file system takes, and only the target is left in the folder.
    const std::string longName(255, 'n');
    EXPECT_TRUE(save(longName, "long"));
    EXPECT_EQ(test::readFile(longName), "long");
    EXPECT_EQ(folderEntries(), std::vector<std::string>{longName});

    // The permission bits of the file replaced.
    test::writeFile("private.cfg", "old");
    ::chmod("private.cfg", 0600);
    EXPECT_TRUE(save("private.cfg", "new"));
    struct stat st;
    ASSERT_EQ(::stat("private.cfg", &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0600u);

    // A link is written through, relative to the link's own folder, and stays a link.
    fs::create_directories("real");
    fs::create_directories("links");
    test::writeFile("real/vardeck.cfg", "old");
    fs::create_symlink("../real/vardeck.cfg", "links/vardeck.cfg");
    EXPECT_TRUE(save("links/vardeck.cfg", "new"));
    EXPECT_TRUE(fs::is_symlink("links/vardeck.cfg"));
    EXPECT_EQ(test::readFile("real/vardeck.cfg"), "new");
    EXPECT_EQ(folderEntries("real"), std::vector<std::string>{"vardeck.cfg"});

    // A folder or a pipe is not replaced by a plain file; a missing folder fails.
    fs::create_directories("folder");
    EXPECT_FALSE(save("folder", "x"));
    EXPECT_TRUE(fs::is_directory("folder"));
    ASSERT_EQ(::mkfifo("pipe", 0600), 0);
    EXPECT_FALSE(save("pipe", "x"));
    EXPECT_TRUE(fs::is_fifo("pipe"));
    EXPECT_FALSE(save("missing/file", "x"));
    EXPECT_FALSE(save("", "x"));
}

TEST(AtomicFileTest, AFailedSaveLeavesTheOldFileAndNothingElse) {
    test::TempDir dir;
    test::writeFile("solver.img", "old");
    EXPECT_FALSE(writeFileAtomically("solver.img", [](std::FILE* file) {
        std::fputs("half", file);
        return false;
    }));
    EXPECT_EQ(test::readFile("solver.img"), "old");
    EXPECT_EQ(folderEntries(), std::vector<std::string>{"solver.img"});
}

TEST(AtomicFileTest, AKilledSaveLeavesTheOldFileAndNothingElse) {
    test::TempDir dir;
    test::writeFile("solver.img", "old");
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        writeFileAtomically("solver.img", [](std::FILE* file) {
            const std::string block(1 << 20, 'x');
            std::fwrite(block.data(), 1, block.size(), file);
            std::fflush(file);
            ::raise(SIGKILL);
            return true;
        });
        ::_exit(0);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status));
    EXPECT_EQ(test::readFile("solver.img"), "old");
    EXPECT_EQ(folderEntries(), std::vector<std::string>{"solver.img"});
}

// Two threads save one path over and over; each save lands whole.
TEST(AtomicFileTest, ConcurrentSavesOfOnePathEachLandWhole) {
    test::TempDir dir;
    const std::string texts[2] = {std::string(20000, 'a'), std::string(15000, 'b')};
    int wrong[2] = {0, 0};
    auto saver = [&](int which) {
        for (int i = 0; i < 300; ++i) {
            if (!save("vardeck.cfg", texts[which])) continue;
            const std::string seen = test::readFile("vardeck.cfg");
            if (seen != texts[0] && seen != texts[1]) ++wrong[which];
        }
    };
    std::thread other(saver, 1);
    saver(0);
    other.join();
    EXPECT_EQ(wrong[0] + wrong[1], 0);
    EXPECT_EQ(folderEntries(), std::vector<std::string>{"vardeck.cfg"});
}

}  // namespace
}  // namespace vardeck
