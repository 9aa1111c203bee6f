#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "sim/simulation.h"
#include "study/controller_set.h"
#include "study/limits.h"
#include "study/study_profile.h"
#include "study/system_choice.h"
#include "study/traffic_generator.h"

namespace vardeck::study {

// One run of a study: a cell (profile, demand), a seed of its traffic and a system.
struct StudyRun {
    std::size_t index = 0;  // in the fixed order of the study
    StudyProfile profile = TrafficProfile::InterFloor;
    double demand = 0;
    std::uint32_t seed = 0;
    SystemChoice system = SystemKind::Schedule;
};

// The runs of a shard: those whose index taken mod `count` is `number` - 1.
struct Shard {
    std::size_t number = 1;
    std::size_t count = 1;

    bool holds(std::size_t index) const { return index % count == number - 1; }
};

// What a study runs: every profile, demand and seed under every system, in one fixed order
// (profile as given, demand ascending, seed ascending, system as given).
struct StudyPlan {
    std::vector<StudyProfile> profiles;
    std::vector<double> demands;  // calls per 1000 steps, ascending
    std::size_t seeds = 30;
    std::uint32_t firstSeed = 1;
    int steps = 3000;
    double noDestinationShare = 0.3;
    std::vector<SystemChoice> systems;
    SystemChoice baseline = SystemKind::Schedule;
    bool calls = false;
    // Passengers who wait longer than this many steps count as long waits.
    int longWait = kDefaultLongWait;
    // A fingerprint of the settings and network files the runs start from.
    std::string dataFingerprint;
    // The controllers that `systems` name, each with the fingerprint of the files its command
    // names.
    std::vector<ControllerSet::Controller> controllers;
    // programFingerprint() of the program that made the runs, and the host it ran on (told
    // in study.txt, not part of what a merge compares).
    std::string program;
    std::string host;

    std::size_t runCount() const;
    // Whether the plan has at most `limit` runs, without overflowing on the way.
    bool runCountWithin(std::size_t limit) const;
    StudyRun run(std::size_t index) const;
    // The system of the plan that goes by this name, if there is one.
    std::optional<SystemChoice> systemNamed(const std::string& name) const;
    // The index of a run, if the plan has it.
    std::optional<std::size_t> indexOf(const StudyProfile& profile, double demand,
                                       std::uint32_t seed, const SystemChoice& system) const;
    // Calls per run: demand x steps / 1000, halves rounded away from zero, worked out on the
    // demand's decimal text (as study.txt and runs.csv show it), so 2.05 x 30000 / 1000 is
    // 61.5 and gives 62. Capped at 2000000000.
    int callsFor(double demand) const;
    TrafficOptions traffic(const StudyRun& run) const;
    // Where the periods of a day profile begin, and the end; none for a stationary profile.
    std::vector<int> periodBoundsOf(const StudyProfile& profile) const;
    bool hasDayProfile() const;

    // study.txt: the plan, and with a shard the shard's place in it.
    std::string describe(const std::optional<Shard>& shard) const;
    // Reads study.txt and checks the plan as the command line does; throws StudyError with the
    // line at fault. `shard` receives the shard line if there is one.
    static StudyPlan parse(const std::string& text, std::optional<Shard>* shard);
};

// The most runs a study or a merge plans; more are refused before anything is allocated.
inline constexpr std::size_t kMaxStudyRuns = 10'000'000;

struct StudyError {
    std::string message;
    // The line of the file that holds the fault, 0 when no one line does.
    long long line = 0;
};

// Comma-separated lists; each throws StudyError on an empty list, an empty or unknown item or
// an item given twice. Demands come back ascending.
// Profiles: stationary ones, "day" and day files (read now).
std::vector<StudyProfile> parseProfileList(const std::string& list);
std::vector<double> parseDemandList(const std::string& list);
std::vector<SystemChoice> parseStudySystems(const std::string& list,
                                            const std::vector<std::string>& controllers = {});
// "K/N" with 1 <= K <= N.
Shard parseShard(const std::string& text);

// A number as the shortest decimal text, without exponent, that reads back as the same double
// ("5", "2.5", "0.3", "0.00001").
std::string shortestNumber(double value);

// A fingerprint of the files in the current directory that a run reads: vardeck.cfg, the
// pattern files and every network image. Only regular files are read, each up to 64 MiB; a
// name that is something else (a pipe, a device) counts as such. Returns an empty text when
// `stop` was set before it finished.
std::string studyDataFingerprint(const std::atomic<bool>* stop = nullptr);
// A fingerprint of every word of a controller's command that names a regular file (its script,
// its interpreter given by path): the word and the file, as studyDataFingerprint reads files.
std::string controllerFingerprint(const std::string& command);

// A fingerprint of the program itself: a hash of its executable, read once. Two builds that
// differ in anything a run does differ here, whatever version they say they are.
std::string programFingerprint();
// This machine's name, one word.
std::string hostName();

}  // namespace vardeck::study
