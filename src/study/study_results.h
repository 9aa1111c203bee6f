#pragma once

#include <atomic>
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "study/service_meter.h"
#include "study/study_plan.h"

namespace vardeck::study {

// The runs of a study, or of one shard of it, as they go into and come out of its folder.
struct StudyResults {
    StudyPlan plan;
    std::optional<Shard> shard;  // none for a whole study
    // Run indices in ascending order, and for each its row of `compare --csv` and its lines of
    // calls.csv.
    std::vector<std::size_t> indices;
    std::vector<std::string> rows;
    std::vector<std::string> callLines;
    // Lines of periods.csv, by run; empty for a run of a stationary profile.
    std::vector<std::string> periodLines;
    // What the controllers wrote to their stderr, for controllers.log; none for a merge.
    std::optional<std::string> controllersLog;

    bool complete() const { return !shard && indices.size() == plan.runCount(); }
};

// The lines of calls.csv for one run.
std::string callsCsvLines(const StudyRun& run, const std::vector<CallRecord>& calls);
std::string callsCsvHeader();

// The files of a study, by name: runs.csv, calls.csv when the plan asks for calls, periods.csv
// when it has a day profile, and for a whole study summary.csv and report.html,
// controllers.log when controllers ran, then study.txt.
std::vector<std::pair<std::string, std::string>> studyFiles(const StudyResults& results);

// Every file that a study's folder may hold; a new kind of output file adds its name here.
const std::vector<std::string>& studyFileNames();

// Makes `dir` hold exactly these files, all or nothing (see FolderUpdate): after a failure or a
// kill it holds the old study or, once the new one is in place, the new one, never parts of
// both; a folder that does not exist is made only then. `stop` going up before the new folder
// is put in place leaves everything as it was. Returns an error message, empty on success
// ("interrupted" when stopped).
std::string writeStudyFiles(const std::string& dir,
                            const std::vector<std::pair<std::string, std::string>>& files,
                            const std::atomic<bool>* stop);

// Reads the shards in `dirs` and puts them together; throws StudyError, naming the file and
// line, when they are not the shards of one study, when a run is missing or comes twice, when
// a cell is not what `compare --csv` writes in its column, or when calls.csv does not hold
// each run's calls, or periods.csv each day run's periods.
StudyResults mergeStudyShards(const std::vector<std::string>& dirs);

// Whether `dir` could be made or replaced by a study: it holds nothing but a study's files, and
// the folder that holds it takes new ones. Creates nothing. Returns an error message, empty
// when it can.
std::string checkOutputFolder(const std::string& dir);

}  // namespace vardeck::study
