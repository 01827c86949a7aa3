#include "cli/Cli.h"

namespace qv::cli {

int RunConvert(Context&, const Args&) { return UsageError("convert", "'convert' is not available in this build"); }

} // namespace qv::cli
