#pragma once

#include "cli/arguments.h"

namespace vardeck::cli {

// Each returns the process exit code; a bad command line throws UsageError.
int runCommand(Arguments& args);
int trainCommand(Arguments& args);
int makePatternsCommand(Arguments& args);
int generateCommand(Arguments& args);
int compareCommand(Arguments& args);
int studyCommand(Arguments& args);

}  // namespace vardeck::cli
