#include "cli/Cli.h"

namespace qv::cli {

int RunMarkers(Context&, const Args&) { return UsageError("markers", "'markers' is not available in this build"); }

} // namespace qv::cli
