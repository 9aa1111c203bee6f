#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "cli/service_meter.h"
#include "cli/study_plan.h"

namespace vardeck::cli {

// The runs of a study, or of one shard of it, as they go into and come out of its folder.
struct StudyResults {
    StudyPlan plan;
    std::optional<Shard> shard;  // none for a whole study
    // Run indices in ascending order, and for each its row of `compare --csv` and its lines of
    // calls.csv.
    std::vector<std::size_t> indices;
    std::vector<std::string> rows;
    std::vector<std::string> callLines;

    bool complete() const { return !shard && indices.size() == plan.runCount(); }
};

// The lines of calls.csv for one run.
std::string callsCsvLines(const StudyRun& run, const std::vector<CallRecord>& calls);
std::string callsCsvHeader();

// Writes runs.csv, study.txt, calls.csv when the plan asks for calls, and for a whole study
// summary.csv and report.html, into `dir` (made if missing). Each file replaces the old one
// only once it is complete; files of an earlier output that this one lacks are removed.
// Returns an error message, empty on success.
std::string writeStudyResults(const std::string& dir, const StudyResults& results);

// Reads the shards in `dirs` and puts them together; throws StudyError when they are not the
// shards of one study, or when a run is missing or comes twice.
StudyResults mergeStudyShards(const std::vector<std::string>& dirs);

// Whether `dir` exists or can be made and takes new files. Returns an error message, empty
// when it can.
std::string checkOutputFolder(const std::string& dir);

}  // namespace vardeck::cli
