#pragma once
// convert's options: the table that parses them and prints their help.
#include <string>
#include <vector>

#include "cli/Options.h"

namespace qv::cli {

// What the command line said; what it did not say comes from section
// "bulkconv" of the settings.
struct ConvertOptions {
  std::string in, out;  // "" when not given
  std::string start;    // "N" or "next"; "" when not given
  int quality = -1;     // 1..100; -1 when not given
  int width = 0, height = 0;  // 1..65500 each; 0 when not given
  int jobs = 0;         // 1..64; 0: the number of cores
  bool overwrite = false, dryRun = false, verbose = false;
  std::vector<std::string> files;
};

const CommandTable& ConvertCommand();

// The values of a command line that ParseArgs accepted with ConvertCommand().
ConvertOptions ConvertOptionsFrom(const ParsedArgs& parsed);

// Both steps. Usage sets error (naming the option); Help when -h/--help
// was given.
Parsed ParseConvertOptions(const Args& args, ConvertOptions& options, std::string& error);

} // namespace qv::cli
