#pragma once

#include <optional>
#include <string>
#include <vector>

#include "cli/arguments.h"
#include "cli/controller_options.h"
#include "study/study_plan.h"

namespace vardeck::cli {

// What `vardeck-cli study` was asked to do: run a plan (or a shard of it), or merge shards.
struct StudyOptions {
    study::StudyPlan plan;
    unsigned jobs = 1;
    std::optional<study::Shard> shard;
    std::vector<std::string> merge;
    std::string output;
    ControllerOptions controllers;
    // --systems and --baseline as given, read once every controller is known.
    std::string systems, baseline;
};

// Reads study's command line and checks the plan; nullopt when --help printed the usage.
std::optional<StudyOptions> readStudyOptions(Arguments& args);

}  // namespace vardeck::cli
