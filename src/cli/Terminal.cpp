#include "cli/Cli.h"

#include "jpegmeta/Charset.h"

namespace qv::cli {

std::string ToTerminal(const std::string& internalText) { return InternalToUtf8(internalText); }

} // namespace qv::cli
