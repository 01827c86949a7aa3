// quorvex-cli: the program's jobs without a window.
#include <cstdio>
#include <string>
#include <unistd.h>

#include "cli/Cli.h"
#include "cli/ConvertOptions.h"
#include "quorvex_version.h"

namespace qv::cli {
namespace {

struct Command {
  const CommandTable& (*table)();
  int (*run)(Context&, const ParsedArgs&);
};

const Command kCommands[] = {
    {ConvertCommand, RunConvert}, {FilterCommand, RunFilter}, {MarkersCommand, RunMarkers},
    {ExifCommand, RunExif},           {InfoCommand, RunInfo},     {SaveCommand, RunSave},
    {SeparateCommand, RunSeparate},   {DqtCommand, RunDqt},
};

const Command* FindCommand(const std::string& name) {
  for (const Command& c : kCommands)
    if (name == c.table().name) return &c;
  return nullptr;
}

enum : int { kConfig = 1, kVersion };

// The options before the command.
const CommandTable& ToolOptions() {
  static const CommandTable table{
      "", "", "", "",
      {
          Option(kConfig, "config", 0, "use the settings folder DIR")
              .Path("DIR")
              .Default("$QUORVEX_CONFIG_DIR, else $XDG_CONFIG_HOME/quorvex, else ~/.config/quorvex"),
          Option(kVersion, "version", 0, "print the version and exit"),
      }};
  return table;
}

void PrintToolUsage(std::FILE* out) {
  std::fputs("usage: quorvex-cli [--config DIR] [--quiet] COMMAND [OPTION...] [ARGUMENT...]\n"
             "       quorvex-cli COMMAND --help | help [COMMAND]\n"
             "       quorvex-cli --help | --version\n",
             out);
}

void PrintToolHelp(std::FILE* out) {
  PrintToolUsage(out);
  std::fputs("The jobs of the desktop program quorvex without a window: the batch conversion\n"
             "into KX-M410 device files, the JPEG bulk filter and the JPEG tools.\n\nCommands:\n",
             out);
  for (const Command& c : kCommands) std::fprintf(out, "  %-10s%s\n", c.table().name, c.table().summary);
  std::fprintf(out, "  %-10s%s\n", "help", "describe a command, its options and their defaults");
  std::fputs("\nOptions (before the command; --quiet and --help also after it):\n", out);
  PrintOptions(out, ToolOptions());
  std::fputs("\nOptions and operands mix; -- ends the options. 'quorvex-cli COMMAND --help'\n"
             "lists a command's options and where their defaults come from: the settings file\n"
             "quorvex.ini in the settings folder.\n"
             "Exit status: 0 when everything asked was done, 1 when some files were skipped\n"
             "or failed, 2 for wrong usage.\n",
             out);
}

int PrintVersion() {
  std::printf("quorvex-cli %s\n", QUORVEX_VERSION);
  return FinishOutput(kExitOk);
}

} // namespace

int UsageError(const std::string& command, const std::string& message) {
  Say(message);
  if (const Command* c = FindCommand(command)) {
    std::fprintf(stderr, "usage: quorvex-cli %s %s\n", c->table().name, c->table().synopsis);
    std::fprintf(stderr, "Try 'quorvex-cli %s --help' for more information.\n", c->table().name);
  } else {
    PrintToolUsage(stderr);
    std::fputs("Try 'quorvex-cli --help' for more information.\n", stderr);
  }
  return kExitUsage;
}

} // namespace qv::cli

int main(int argc, char** argv) {
  using namespace qv::cli;
  ParsedArgs tool;
  std::string error;
  // The first operand is the command: what follows is the command's.
  const Parsed toolParse = ParseArgs(ToolOptions(), Args(argv + 1, argv + argc), tool, error, true);
  if (toolParse == Parsed::Usage) return UsageError("", error);
  if (tool.Last(kVersion)) return PrintVersion();
  if (toolParse == Parsed::Help) {
    PrintToolHelp(stdout);
    return FinishOutput(kExitOk);
  }
  if (tool.operands.empty()) return UsageError("", "no COMMAND given");
  const std::string name = tool.operands[0];
  const Args args(tool.operands.begin() + 1, tool.operands.end());

  if (name == "help") {
    if (args.size() > 1) return UsageError("", "help takes one COMMAND");
    const Command* c = args.empty() ? nullptr : FindCommand(args[0]);
    if (!c && !args.empty() && args[0] != "help" && args[0] != "--help" && args[0] != "-h")
      return UsageError("", "unknown command '" + args[0] + "'");
    if (c)
      PrintHelp(stdout, c->table());
    else
      PrintToolHelp(stdout);
    return FinishOutput(kExitOk);
  }

  const Command* c = FindCommand(name);
  if (!c) return UsageError("", "unknown command '" + name + "'");
  ParsedArgs parsed;
  switch (ParseArgs(c->table(), args, parsed, error)) {
  case Parsed::Usage: return UsageError(name, error);
  case Parsed::Help:
    PrintHelp(stdout, c->table());
    return FinishOutput(kExitOk);
  case Parsed::Ok: break;
  }

  Context ctx;
  ctx.quiet = tool.quiet || parsed.quiet;
  ctx.sink.SetQuiet(ctx.quiet);
  const qv::cli::OptionValue* config = tool.Last(kConfig);
  ctx.configDir = qv::ConfigDirectory(config ? config->text : std::string());
  ctx.app = std::make_unique<qv::CConverterApp>(ctx.configDir, ctx.sink);
  ctx.app->LoadSettings();
  ctx.stderrIsTerminal = !ctx.quiet && isatty(STDERR_FILENO) != 0;
  return FinishOutput(c->run(ctx, parsed));
}
