#include "cli/commands.h"

namespace vardeck::cli {

int makePatternsCommand(Arguments&) { throw UsageError{"not available yet"}; }

}  // namespace vardeck::cli
