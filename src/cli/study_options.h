#pragma once

#include <optional>
#include <string>
#include <vector>

#include "cli/arguments.h"
#include "study/study_plan.h"

namespace vardeck::cli {

// What `vardeck-cli study` was asked to do: run a plan (or a shard of it), or merge shards.
struct StudyOptions {
    study::StudyPlan plan;
    unsigned jobs = 1;
    std::optional<study::Shard> shard;
    std::vector<std::string> merge;
    std::string output;
};

// Reads study's command line and checks the plan; nullopt when --help printed the usage.
std::optional<StudyOptions> readStudyOptions(Arguments& args);

}  // namespace vardeck::cli
