#include "cli/commands.h"

namespace vardeck::cli {

int generateCommand(Arguments&) { throw UsageError{"not available yet"}; }

}  // namespace vardeck::cli
