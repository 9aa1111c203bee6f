// A study's folder is replaced as a whole: a kill or a stop at any step of the commit leaves
// the old study or the new one, never parts of both, and the next commit clears what a killed
// one left behind.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <map>

#include "study/folder_update.h"
#include "study/study_results.h"
#include "test_support.h"

// Every call of umask in this program, which changes the mask of the whole process even when
// it only means to read it.
std::atomic<int> umaskCalls{0};
extern "C" mode_t umask(mode_t mask) noexcept {
    ++umaskCalls;
    return static_cast<mode_t>(::syscall(SYS_umask, mask));
}

namespace vardeck {
namespace {

namespace fs = std::filesystem;
using study::FolderUpdate;

using Snapshot = std::map<std::string, std::string>;

// The files of a folder with their content; one entry "(none)" when there is no folder.
Snapshot snapshot(const std::string& dir) {
    if (!fs::exists(dir)) return {{"(none)", ""}};
    Snapshot files;
    for (const auto& item : fs::directory_iterator(dir))
        files[item.path().filename().string()] = test::readFile(item.path().string());
    return files;
}

Snapshot asSnapshot(const FolderUpdate::Files& files) {
    return Snapshot(files.begin(), files.end());
}

// Makes everything hidden in the current folder look two minutes old.
void ageHiddenEntries() {
    const timespec old[2] = {{::time(nullptr) - 120, 0}, {::time(nullptr) - 120, 0}};
    for (const auto& item : fs::recursive_directory_iterator("."))
        if (item.path().string().find("/.vardeck-study-") != std::string::npos)
            ::utimensat(AT_FDCWD, item.path().c_str(), old, AT_SYMLINK_NOFOLLOW);
    for (const auto& item : fs::directory_iterator("."))
        ::utimensat(AT_FDCWD, item.path().c_str(), old, AT_SYMLINK_NOFOLLOW);
}

TEST(StudyFolderTest, AKillOrAStopAtAnyStepLeavesTheOldStudyOrTheNew) {
    test::TempDir dir;
    // An old study with its calls, a new one without.
    const FolderUpdate::Files before = {{"runs.csv", "old runs"},
                                        {"calls.csv", "old calls"},
                                        {"report.html", "old report"},
                                        {"study.txt", "calls 1"}};
    const FolderUpdate::Files after = {
        {"runs.csv", "new runs"}, {"report.html", "new report"}, {"study.txt", "calls 0"}};
    for (const std::string target : {"out", "fresh/sub"}) {
        const Snapshot old = target == "out" ? asSnapshot(before) : snapshot("none");
        const auto reset = [&] {
            fs::remove_all("fresh");
            fs::remove_all("out");
            if (target == "out") {
                ASSERT_EQ(study::writeStudyFiles("out", before, nullptr), "");
            }
        };
        for (int at = 1;; ++at) {
            SCOPED_TRACE(target + " step " + std::to_string(at));
            reset();
            const pid_t child = ::fork();
            if (child == 0) {
                FolderUpdate update(target, study::studyFileNames());
                int step = 0;
                update.setStepHook([&](const char*) {
                    if (++step == at) ::raise(SIGKILL);
                });
                ::_exit(update.commit(after).empty() ? 0 : 1);
            }
            int status = 0;
            ASSERT_EQ(::waitpid(child, &status, 0), child);
            const Snapshot now = snapshot(target);
            EXPECT_TRUE(now == old || now == asSnapshot(after));
            EXPECT_EQ(fs::exists("fresh"), target != "out" && now != old) << "made too early";

            // The next commit into the same parent clears what the killed one left.
            ageHiddenEntries();
            ASSERT_EQ(study::writeStudyFiles(target, after, nullptr), "");
            EXPECT_EQ(test::filesIn("."),
                      (std::set<std::string>{target == "out" ? "out" : "fresh"}));

            // A stop at the same step gives up exactly when nothing was put in place yet.
            reset();
            std::atomic<bool> stop{false};
            FolderUpdate update(target, study::studyFileNames());
            int step = 0;
            update.setStepHook([&](const char*) { stop = stop || ++step == at; });
            const std::string result = update.commit(after, &stop);
            EXPECT_EQ(snapshot(target), result == "interrupted" ? old : asSnapshot(after))
                << result;
            EXPECT_TRUE(result == "interrupted" || result.empty()) << result;

            if (WIFEXITED(status)) {
                EXPECT_EQ(WEXITSTATUS(status), 0);
                EXPECT_GT(at, 5) << "a commit takes several steps";
                break;
            }
        }
    }
}

mode_t modeOf(const std::string& path) {
    struct stat info {};
    ::stat(path.c_str(), &info);
    return info.st_mode & 07777;
}

// Modes come from the umask through the kernel, or from the file replaced, and the umask of the
// process is never touched on the way, as other threads may be making files meanwhile.
TEST(StudyFolderTest, ModesComeFromTheUmaskOrTheOldFilesWithoutChangingIt) {
    test::TempDir dir;
    const mode_t saved = static_cast<mode_t>(::syscall(SYS_umask, 027));
    const int calls = umaskCalls;
    const FolderUpdate::Files files = {{"runs.csv", "runs"}, {"study.txt", "study"}};
    ASSERT_EQ(study::writeStudyFiles("out", files, nullptr), "");
    EXPECT_EQ(modeOf("out"), 0750u);
    EXPECT_EQ(modeOf("out/runs.csv"), 0640u);
    ::chmod("out", 0700);
    ::chmod("out/runs.csv", 0604);
    ASSERT_EQ(study::writeStudyFiles("out", files, nullptr), "");
    EXPECT_EQ(modeOf("out"), 0700u);
    EXPECT_EQ(modeOf("out/runs.csv"), 0604u);
    EXPECT_EQ(modeOf("out/study.txt"), 0640u);
    EXPECT_EQ(umaskCalls, calls);
    ::syscall(SYS_umask, saved);
}

}  // namespace
}  // namespace vardeck
