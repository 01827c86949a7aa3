#include "cli/Cli.h"

namespace qv::cli {

int RunFilter(Context&, const Args&) { return UsageError("filter", "'filter' is not available in this build"); }

} // namespace qv::cli
