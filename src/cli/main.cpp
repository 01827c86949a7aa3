// quorvex-cli: the program's jobs without a window.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>

#include "cli/Cli.h"

namespace qv::cli {
namespace {

struct Command {
  const char* name;
  int (*run)(Context&, const Args&);
  const char* usage;
};

const Command kCommands[] = {
    {"convert", RunConvert,
     "convert [--in DIR] [--out DIR] [--start N] [--quality Q] [--size WxH] [--jobs N] [FILE...]"},
    {"filter", RunFilter,
     "filter --in DIR --out DIR [--recurse] [--log FILE] [--remove-thumb] [--remove-jfxx] [--remove-app LIST] "
     "[--remove-com] [--unite-dqt] [--unite-dht] [--[no-]convert-exif] [--[no-]exif-comment] [--english] "
     "[--[no-]user-comment]"},
    {"markers", RunMarkers, "markers FILE"},
    {"exif", RunExif, "exif FILE [--english]"},
    {"info", RunInfo, "info FILE"},
    {"save", RunSave,
     "save IN -o OUT [--resize WxH] [--gamma G] [--contrast C] [--bias B] [--quality Q] [--png-mode N] "
     "[--interlace]"},
    {"separate", RunSeparate, "separate IN -o DIR"},
    {"dqt", RunDqt, "dqt --quality Q [-o FILE] | dqt --read FILE"},
};

void PrintUsage(FILE* out) {
  std::fprintf(out, "usage: quorvex-cli [--config DIR] COMMAND ...\n");
  for (const Command& c : kCommands) std::fprintf(out, "  quorvex-cli %s\n", c.usage);
}

} // namespace

int UsageError(const std::string& command, const std::string& message) {
  std::fprintf(stderr, "quorvex-cli: %s\n", message.c_str());
  for (const Command& c : kCommands)
    if (command == c.name) std::fprintf(stderr, "usage: quorvex-cli %s\n", c.usage);
  return kExitUsage;
}

bool ParseInt(const std::string& text, int& value) {
  if (text.empty()) return false;
  char* end = nullptr;
  errno = 0;
  long v = std::strtol(text.c_str(), &end, 10);
  if (*end != '\0' || errno == ERANGE || v < -2147483647L - 1 || v > 2147483647L) return false;
  value = static_cast<int>(v);
  return true;
}

bool ParseSize(const std::string& text, int& width, int& height) {
  const size_t x = text.find_first_of("xX");
  if (x == std::string::npos) return false;
  return ParseInt(text.substr(0, x), width) && ParseInt(text.substr(x + 1), height) && width > 0 &&
         height > 0;
}

} // namespace qv::cli

int main(int argc, char** argv) {
  using namespace qv::cli;
  Args args(argv + 1, argv + argc);
  std::string configOverride;
  while (!args.empty() && args[0] == "--config") {
    if (args.size() < 2) return UsageError("", "--config needs a folder");
    configOverride = args[1];
    args.erase(args.begin(), args.begin() + 2);
  }
  if (args.empty() || args[0] == "--help" || args[0] == "-h") {
    PrintUsage(args.empty() ? stderr : stdout);
    return args.empty() ? kExitUsage : kExitOk;
  }
  const std::string name = args[0];
  args.erase(args.begin());
  for (const Command& c : kCommands) {
    if (name != c.name) continue;
    Context ctx;
    ctx.configDir = qv::ConfigDirectory(configOverride);
    ctx.app = std::make_unique<qv::CConverterApp>(ctx.configDir, ctx.sink);
    ctx.app->LoadSettings();
    ctx.stderrIsTerminal = isatty(STDERR_FILENO) != 0;
    return FinishOutput(c.run(ctx, args));
  }
  std::fprintf(stderr, "quorvex-cli: unknown command '%s'\n", name.c_str());
  PrintUsage(stderr);
  return kExitUsage;
}
