// Saving files: what a save leaves behind when it succeeds, fails, races another save or is
// killed half-way, or meets a system without /proc, another user's link or a set-id file.

#include "io/atomic_file.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <ctime>
#include <filesystem>
#include <functional>
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

TEST(AtomicFileTest, TargetsOfEveryKind) {
    test::TempDir dir;
    // Any name the file system takes, and only the target is left in the folder.
    const std::string longName(255, 'n');
    EXPECT_TRUE(save(longName, "long"));
    EXPECT_EQ(test::readFile(longName), "long");
    EXPECT_EQ(test::filesIn(), (std::set<std::string>{longName}));

    // A link is written through, relative to the link's own folder, and stays a link.
    fs::create_directories("real");
    fs::create_directories("links");
    test::writeFile("real/vardeck.cfg", "old");
    fs::create_symlink("../real/vardeck.cfg", "links/vardeck.cfg");
    EXPECT_TRUE(save("links/vardeck.cfg", "new"));
    EXPECT_TRUE(fs::is_symlink("links/vardeck.cfg"));
    EXPECT_EQ(test::readFile("real/vardeck.cfg"), "new");
    EXPECT_EQ(test::filesIn("real"), (std::set<std::string>{"vardeck.cfg"}));

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

mode_t modeOf(const std::string& path) {
    struct stat st;
    return ::lstat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
}

void makeOld(const std::string& path, int minutes) {
    test::writeFile(path, "left by a killed save");
    const std::time_t then = std::time(nullptr) - minutes * 60;
    const struct timespec times[2] = {{then, 0}, {then, 0}};
    ::utimensat(AT_FDCWD, path.c_str(), times, 0);
}

// Each case saves "new" over the file "target" holds ("old") and says what must be true after.
// Cases whose files belong to another user need root to make them.
TEST(AtomicFileTest, WriterFaults) {
    constexpr uid_t kOther = 65534;
    const AtomicWriteOptions noProc{[](int, const std::string&) {
        errno = ENOENT;
        return false;
    }};
    struct Case {
        const char* what;
        std::function<void()> arrange;
        AtomicWriteOptions options;
        int error;  // 0: the save succeeds
        std::function<void()> check;
        bool asRoot = false;
    };
    const Case cases[] = {
        // Without /proc the unnamed temporary cannot be named; what was written still lands,
        // and the writer ran once.
        {"no /proc", [] { ::chmod("target", 0640); }, noProc, 0,
         [] {
             EXPECT_EQ(modeOf("target"), 0640u);
             EXPECT_EQ(test::filesIn(), (std::set<std::string>{"real", "target"}));
         }},
        {"set-id bits dropped",
         [] { ::chmod("target", 04755); },
         {},
         0,
         [] { EXPECT_EQ(modeOf("target"), 0755u); }},
        {"set-group-id and sticky bits dropped without /proc", [] { ::chmod("target", 03750); },
         noProc, 0, [] { EXPECT_EQ(modeOf("target"), 0750u); }},
        {"stale temporaries of this user removed, others kept",
         [] {
             makeOld(".vardeck-Ab3dE6gH", 2);
             makeOld(".vardeck-young123", 0);
             makeOld(".vardeck-toolongname", 2);
             makeOld(".vardeck-abc", 2);
             makeOld("real/.vardeck-Zz9zZz9z", 2);
         },
         {},
         0,
         [] {
             EXPECT_EQ(test::filesIn(),
                       (std::set<std::string>{".vardeck-abc", ".vardeck-toolongname",
                                              ".vardeck-young123", "real", "target"}));
             EXPECT_EQ(test::filesIn("real"), (std::set<std::string>{".vardeck-Zz9zZz9z"}));
         }},
        {"another user's stale temporary kept",
         [] {
             makeOld(".vardeck-Ab3dE6gH", 2);
             ::lchown(".vardeck-Ab3dE6gH", kOther, kOther);
         },
         {},
         0,
         [] { EXPECT_TRUE(fs::exists(".vardeck-Ab3dE6gH")); },
         true},
        {"own link followed",
         [] {
             fs::rename("target", "real/file");
             fs::create_symlink("real/file", "target");
         },
         noProc, 0,
         [] {
             EXPECT_TRUE(fs::is_symlink("target"));
             EXPECT_EQ(test::readFile("real/file"), "new");
         }},
        {"another user's link refused",
         [] {
             fs::rename("target", "real/file");
             fs::create_symlink("real/file", "target");
             ::lchown("target", kOther, kOther);
         },
         {},
         kLinkNotFollowed,
         [] {
             EXPECT_TRUE(fs::is_symlink("target"));
             EXPECT_EQ(test::readFile("real/file"), "old");
         },
         true},
        {"the folder owner's link followed",
         [] {
             fs::rename("target", "file");
             fs::create_symlink("../file", "real/target");
             ::lchown("real/target", kOther, kOther);
             ::chown("real", kOther, kOther);
             fs::create_symlink("real/target", "target");
         },
         {},
         0,
         [] { EXPECT_EQ(test::readFile("file"), "new"); },
         true},
        {"own link in a folder everybody writes to refused",
         [] {
             fs::rename("target", "file");
             fs::create_symlink("../file", "real/target");
             ::chmod("real", 01777);
             fs::create_symlink("real/target", "target");
         },
         {},
         kLinkNotFollowed,
         [] { EXPECT_EQ(test::readFile("file"), "old"); }}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        if (c.asRoot && ::geteuid() != 0) continue;
        test::TempDir dir;
        fs::create_directory("real");
        test::writeFile("target", "old");
        c.arrange();
        int calls = 0;
        errno = 0;
        // Like a copy from a stream: a second call would find nothing more to write.
        const bool saved = writeFileAtomically(
            "target",
            [&calls](std::FILE* file) {
                const std::string text = ++calls == 1 ? "new" : "";
                return std::fwrite(text.data(), 1, text.size(), file) == text.size();
            },
            c.options);
        EXPECT_EQ(saved, c.error == 0);
        if (c.error != 0) {
            EXPECT_EQ(errno, c.error);
            EXPECT_EQ(calls, 0);
        } else {
            EXPECT_EQ(calls, 1);
            EXPECT_EQ(test::readFile("target"), "new");
        }
        c.check();
    }
}

TEST(AtomicFileTest, AFailedSaveLeavesTheOldFileAndNothingElse) {
    test::TempDir dir;
    test::writeFile("solver.img", "old");
    EXPECT_FALSE(writeFileAtomically("solver.img", [](std::FILE* file) {
        std::fputs("half", file);
        return false;
    }));
    EXPECT_EQ(test::readFile("solver.img"), "old");
    EXPECT_EQ(test::filesIn(), (std::set<std::string>{"solver.img"}));
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
    EXPECT_EQ(test::filesIn(), (std::set<std::string>{"solver.img"}));
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
    EXPECT_EQ(test::filesIn(), (std::set<std::string>{"vardeck.cfg"}));
}

}  // namespace
}  // namespace vardeck
