#include "cli/Cli.h"

namespace qv::cli {

int RunExif(Context&, const Args&) { return UsageError("exif", "'exif' is not available in this build"); }

} // namespace qv::cli
