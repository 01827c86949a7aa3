#include "cli/Cli.h"

namespace qv::cli {

// Until the character-set converters exist the bytes pass unchanged.
std::string ToTerminal(const std::string& internalText) { return internalText; }

} // namespace qv::cli
