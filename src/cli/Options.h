#pragma once
// The one argument parser of quorvex-cli. Each command declares its options
// once, in a table: getopt_long reads the command line from it and --help
// prints it, so the two never disagree.
#include <cstdio>
#include <string>
#include <vector>

namespace qv::cli {

// The arguments after the command name.
using Args = std::vector<std::string>;

// What an option's value is. Int, Real and each side of Size are checked
// against the option's range; a Path must not be empty.
enum class Arg { None, Int, Real, Size, Text, Path };

struct Option {
  Option(int id, const char* name, char shortName, const char* help)
      : id(id), name(name), shortName(shortName), help(help) {}
  Option& Int(int lo, int hi, const char* value);
  Option& Real(double lo, double hi, const char* value);
  Option& Size(int hi, const char* value = "WxH");
  Option& Text(const char* value);
  Option& Path(const char* value);
  // An Int option that also takes this word ("next").
  Option& OrWord(const char* w);
  // --no-NAME turns it off.
  Option& Negatable();
  // What applies when the option is not given: the value, and the settings
  // section and key it is read from first (none for a fixed default).
  Option& Default(const char* value, const char* fromSection = nullptr, const char* fromKey = nullptr);

  int id;                // the command's own number for it (never 0)
  const char* name;      // "quality" for --quality
  char shortName;        // 'q' for -q, or 0
  const char* help;
  Arg arg = Arg::None;
  const char* valueName = nullptr;  // "Q" in --quality=Q
  double min = 0, max = 0;
  const char* word = nullptr;
  bool negatable = false;
  const char* defaultValue = nullptr;
  const char* section = nullptr;
  const char* key = nullptr;
};

struct CommandTable {
  const char* name;      // "convert"; "" for the options before a command
  const char* synopsis;  // after "quorvex-cli convert" in the usage line
  const char* summary;   // the one line of `quorvex-cli --help`
  const char* description;
  std::vector<Option> options;
  const char* notes = nullptr;  // printed after the options
};

// One option as the command line gave it.
struct OptionValue {
  int id = 0;
  std::string text;  // the value as written ("" for Arg::None)
  int number = 0;    // Int (0 when the word was given), Size's width
  int height = 0;    // Size
  double real = 0;   // Real
  bool on = true;    // false for --no-NAME
};

struct ParsedArgs {
  Args args;                         // as given
  std::vector<OptionValue> options;  // in the order given
  Args operands;                     // in the order given
  bool help = false;                 // -h or --help
  bool quiet = false;                // --quiet
  // The last value given for id, or nullptr.
  const OptionValue* Last(int id) const;
};

enum class Parsed { Ok, Help, Usage };

// Reads args as GNU tools do: options and operands in any order, "--" ends
// the options, --opt=value and --opt value, short forms, unique prefixes of
// long names. Every command also takes -h/--help and --quiet. With
// stopAtOperand the first operand and all after it are operands (for the
// options before a command). Usage sets error, which names the option.
Parsed ParseArgs(const CommandTable& table, const Args& args, ParsedArgs& out, std::string& error,
                 bool stopAtOperand = false);

// "usage: quorvex-cli NAME SYNOPSIS", the description, every option with
// its range, its default and where that comes from, then the notes.
void PrintHelp(std::FILE* out, const CommandTable& table);
// Only the option lines of that help.
void PrintOptions(std::FILE* out, const CommandTable& table);

// "unknown option '<word>'" with the hint about "--".
std::string UnknownOption(const std::string& word);
// A decimal integer and nothing else.
bool ParseInt(const std::string& text, int& value);
// "WxH" with both sides above 0.
bool ParseSize(const std::string& text, int& width, int& height);

} // namespace qv::cli
