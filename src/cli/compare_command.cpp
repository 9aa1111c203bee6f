#include "cli/commands.h"

namespace vardeck::cli {

int compareCommand(Arguments&) { throw UsageError{"not available yet"}; }

}  // namespace vardeck::cli
