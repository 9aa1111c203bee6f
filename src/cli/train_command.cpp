#include "cli/commands.h"

namespace vardeck::cli {

int trainCommand(Arguments&) { throw UsageError{"not available yet"}; }

}  // namespace vardeck::cli
