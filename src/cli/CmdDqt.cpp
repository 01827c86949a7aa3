#include "cli/Cli.h"

namespace qv::cli {

int RunDqt(Context&, const Args&) { return UsageError("dqt", "'dqt' is not available in this build"); }

} // namespace qv::cli
