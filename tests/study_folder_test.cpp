// A study's folder is replaced as a whole: a kill or a stop at any step of the commit leaves
// the old study or the new one, never parts of both, and the next commit clears what a killed
// one left behind.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/syscall.h>

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

TEST(StudyFolderTest, AKillOrAStopAtAnyStepLeavesTheOldStudyOrTheNew) {
    test::TempDir dir;
    // An old study with its calls, a new one without.
    const Snapshot before = {{"runs.csv", "old runs"},
                             {"calls.csv", "old calls"},
                             {"report.html", "old"},
                             {"study.txt", "calls 1"}};
    const Snapshot after = {{"runs.csv", "new runs"}, {"study.txt", "calls 0"}};
    const FolderUpdate::Files files(after.begin(), after.end());
    for (const std::string target : {"out", "fresh/sub"}) {
        const Snapshot old = target == "out" ? before : test::snapshot("none");
        const auto reset = [&] {
            fs::remove_all("fresh");
            fs::remove_all("out");
            if (target == "out") study::writeStudyFiles("out", {before.begin(), before.end()}, {});
        };
        for (int at = 1;; ++at) {
            SCOPED_TRACE(target + " step " + std::to_string(at));
            reset();
            const pid_t child = ::fork();
            if (child == 0) {
                FolderUpdate update(target, study::studyFileNames());
                update.setStepHook([&, step = 0](const char*) mutable {
                    if (++step == at) ::raise(SIGKILL);
                });
                ::_exit(update.commit(files).empty() ? 0 : 1);
            }
            int status = 0;
            ASSERT_EQ(::waitpid(child, &status, 0), child);
            const Snapshot now = test::snapshot(target);
            EXPECT_TRUE(now == old || now == after);
            EXPECT_EQ(fs::exists("fresh"), target != "out" && now != old) << "made too early";

            // The next commit into the same parent clears what the killed one left once it is
            // a minute old.
            const timespec aged[2] = {{::time(nullptr) - 120, 0}, {::time(nullptr) - 120, 0}};
            for (const auto& item : fs::recursive_directory_iterator("."))
                ::utimensat(AT_FDCWD, item.path().c_str(), aged, AT_SYMLINK_NOFOLLOW);
            ASSERT_EQ(study::writeStudyFiles(target, files, nullptr), "");
            EXPECT_EQ(test::filesIn("."),
                      (std::set<std::string>{target.substr(0, target.find('/'))}));

            // A stop at the same step gives up exactly when nothing was put in place yet.
            reset();
            std::atomic<bool> stop{false};
            FolderUpdate update(target, study::studyFileNames());
            update.setStepHook([&, step = 0](const char*) mutable { stop = stop || ++step == at; });
            const std::string result = update.commit(files, &stop);
            EXPECT_EQ(test::snapshot(target), result == "interrupted" ? old : after) << result;
            EXPECT_TRUE(result == "interrupted" || result.empty()) << result;
            if (WIFEXITED(status)) break;  // no step left to kill at
        }
    }
}

// Modes come from the umask through the kernel, or from the file replaced, and the umask of the
// process is never touched on the way, as other threads may be making files meanwhile.
TEST(StudyFolderTest, ModesComeFromTheUmaskOrTheOldFilesWithoutChangingIt) {
    test::TempDir dir;
    const mode_t saved = static_cast<mode_t>(::syscall(SYS_umask, 027));
    const FolderUpdate::Files files = {{"runs.csv", "runs"}, {"study.txt", "study"}};
    ASSERT_EQ(study::writeStudyFiles("out", files, nullptr), "");
    ::chmod("out/runs.csv", 0604);
    ASSERT_EQ(study::writeStudyFiles("out", files, nullptr), "");
    const auto mode = [](const char* path) { return unsigned(fs::status(path).permissions()); };
    EXPECT_EQ(mode("out") * 01000000 + mode("out/runs.csv") * 01000 + mode("out/study.txt"),
              0750604640u);
    EXPECT_EQ(umaskCalls, 0);
    ::syscall(SYS_umask, saved);
}

}  // namespace
}  // namespace vardeck
