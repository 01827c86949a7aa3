#include "cli/Cli.h"

namespace qv::cli {

int RunSeparate(Context&, const Args&) { return UsageError("separate", "'separate' is not available in this build"); }

} // namespace qv::cli
