#include "cli/Options.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <getopt.h>

namespace qv::cli {

Option& Option::Int(int lo, int hi, const char* value) {
  arg = Arg::Int;
  min = lo;
  max = hi;
  valueName = value;
  return *this;
}

Option& Option::Real(double lo, double hi, const char* value) {
  arg = Arg::Real;
  min = lo;
  max = hi;
  valueName = value;
  return *this;
}

Option& Option::Size(int hi, const char* value) {
  arg = Arg::Size;
  min = 1;
  max = hi;
  valueName = value;
  return *this;
}

Option& Option::Text(const char* value) {
  arg = Arg::Text;
  valueName = value;
  return *this;
}

Option& Option::Path(const char* value) {
  arg = Arg::Path;
  valueName = value;
  return *this;
}

Option& Option::OrWord(const char* w) {
  word = w;
  return *this;
}

Option& Option::Negatable() {
  negatable = true;
  return *this;
}

Option& Option::Default(const char* value, const char* fromSection, const char* fromKey) {
  defaultValue = value;
  section = fromSection;
  key = fromKey;
  return *this;
}

std::string UnknownOption(const std::string& word) {
  return "unknown option '" + word + "' (a file name starting with '-' goes after --)";
}

const OptionValue* ParsedArgs::Last(int id) const {
  for (auto it = options.rbegin(); it != options.rend(); ++it)
    if (it->id == id) return &*it;
  return nullptr;
}

bool ParseInt(const std::string& text, int& value) {
  if (text.empty()) return false;
  char* end = nullptr;
  errno = 0;
  const long v = std::strtol(text.c_str(), &end, 10);
  if (*end != '\0' || errno == ERANGE || v < -2147483647L - 1 || v > 2147483647L) return false;
  value = static_cast<int>(v);
  return true;
}

bool ParseSize(const std::string& text, int& width, int& height) {
  const size_t x = text.find_first_of("xX");
  if (x == std::string::npos) return false;
  int w = 0, h = 0;
  if (!ParseInt(text.substr(0, x), w) || !ParseInt(text.substr(x + 1), h) || w <= 0 || h <= 0) return false;
  width = w;
  height = h;
  return true;
}

namespace {

enum : int { kHelpId = -1, kQuietId = -2 };
// getopt's numbers for options without a short form, and for --no-NAME.
enum : int { kLongVal = 1000, kNegatedVal = 2000 };

std::vector<Option> AllOptions(const CommandTable& table) {
  std::vector<Option> all = table.options;
  all.push_back(Option(kHelpId, "help", 'h', "print this help and exit"));
  all.push_back(Option(kQuietId, "quiet", 0, "print nothing but errors: no progress line, no closing count"));
  return all;
}

std::string Number(double v) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.10g", v);
  return buf;
}

// "a number from 1 to 100", as a usage message says what the option takes.
std::string Expected(const Option& o) {
  switch (o.arg) {
  case Arg::Int:
  case Arg::Real:
    return "a number from " + Number(o.min) + " to " + Number(o.max) +
           (o.word ? std::string(" or '") + o.word + "'" : "");
  case Arg::Size: return "a size WxH, each side from " + Number(o.min) + " to " + Number(o.max);
  case Arg::Path: return "a path";
  default: return "a value";
  }
}

bool ParseReal(const std::string& text, double& value) {
  if (text.empty()) return false;
  char* end = nullptr;
  errno = 0;
  const double v = std::strtod(text.c_str(), &end);
  if (*end != '\0' || errno == ERANGE || !std::isfinite(v)) return false;
  value = v;
  return true;
}

// Checks and converts one value; "" when it is good, else the message.
std::string TakeValue(const Option& o, const char* text, OptionValue& v) {
  v.text = text ? text : "";
  const std::string bad = std::string("--") + o.name + ": '" + v.text + "' is not " + Expected(o);
  switch (o.arg) {
  case Arg::None:
  case Arg::Text: return "";
  case Arg::Path: return v.text.empty() ? std::string("--") + o.name + ": the path is empty" : "";
  case Arg::Int:
    if (o.word && v.text == o.word) return "";
    return ParseInt(v.text, v.number) && v.number >= o.min && v.number <= o.max ? "" : bad;
  case Arg::Real: return ParseReal(v.text, v.real) && v.real >= o.min && v.real <= o.max ? "" : bad;
  case Arg::Size:
    return ParseSize(v.text, v.number, v.height) && v.number <= o.max && v.height <= o.max ? "" : bad;
  }
  return bad;
}

// The long names that begin with what was typed, when more than one does.
std::string Ambiguity(const std::vector<Option>& all, const std::string& typed) {
  const std::string prefix = typed.substr(2);
  std::string names;
  int count = 0;
  auto consider = [&](const std::string& name) {
    if (name.compare(0, prefix.size(), prefix) != 0) return;
    names += (count++ ? ", --" : "--") + name;
  };
  for (const Option& o : all) {
    consider(o.name);
    if (o.negatable) consider(std::string("no-") + o.name);
  }
  return count > 1 ? "option '" + typed + "' is ambiguous: " + names : "";
}

int FindByVal(const std::vector<Option>& all, int val, bool& negated) {
  negated = val >= kNegatedVal;
  if (negated) return val - kNegatedVal;
  if (val >= kLongVal) return val - kLongVal;
  for (size_t i = 0; i < all.size(); ++i)
    if (all[i].shortName == val) return static_cast<int>(i);
  return -1;
}

} // namespace

namespace {

// getopt_long's tables of one command's options.
struct GetoptTables {
  std::string shorts;
  std::vector<std::string> negatedNames;  // the storage of "no-NAME"
  std::vector<option> longs;
};

void BuildTables(const std::vector<Option>& all, bool stopAtOperand, GetoptTables& t) {
  // ':' first: a missing value comes back as ':' instead of being printed.
  t.shorts = stopAtOperand ? "+:" : ":";
  t.negatedNames.reserve(all.size());
  for (size_t i = 0; i < all.size(); ++i) {
    const Option& o = all[i];
    const int hasArg = o.arg == Arg::None ? no_argument : required_argument;
    const int val = o.shortName ? o.shortName : kLongVal + static_cast<int>(i);
    t.longs.push_back({o.name, hasArg, nullptr, val});
    if (o.negatable) {
      t.negatedNames.push_back(std::string("no-") + o.name);
      t.longs.push_back({t.negatedNames.back().c_str(), no_argument, nullptr, kNegatedVal + static_cast<int>(i)});
    }
    if (o.shortName) t.shorts += std::string(1, o.shortName) + (hasArg == required_argument ? ":" : "");
  }
  t.longs.push_back({nullptr, 0, nullptr, 0});
}

// The usage text of getopt's ':' (a missing value) or '?' (anything else).
std::string GetoptError(int c, const std::vector<Option>& all, char* const* argv, int argc) {
  bool negated = false;
  if (c == ':') {
    const Option& o = all[static_cast<size_t>(FindByVal(all, optopt, negated))];
    return std::string("--") + o.name + ": missing value (" + Expected(o) + ")";
  }
  // optopt: 0 for an unknown long name, the number of a known option
  // given "=value" it takes none of, else the unknown letter.
  const std::string last = argv[optind - 1];
  const int i = optopt ? FindByVal(all, optopt, negated) : -1;
  if (i >= 0) return std::string("--") + (negated ? "no-" : "") + all[static_cast<size_t>(i)].name + " takes no value";
  if (optopt == 0) {
    const std::string typed = last.substr(0, last.find('='));
    const std::string ambiguous = Ambiguity(all, typed);
    return ambiguous.empty() ? UnknownOption(typed) : ambiguous;
  }
  // A letter inside "-abc" leaves optind on that word, the last letter
  // moves it past; the word is named whole, as it may be a file name.
  std::string word = last;
  if (word.size() < 2 || word[0] != '-' || word.back() != static_cast<char>(optopt))
    word = optind < argc ? argv[optind] : std::string("-") + static_cast<char>(optopt);
  return UnknownOption(word);
}

} // namespace

Parsed ParseArgs(const CommandTable& table, const Args& args, ParsedArgs& out, std::string& error,
                 bool stopAtOperand) {
  out = ParsedArgs();
  out.args = args;
  error.clear();
  const std::vector<Option> all = AllOptions(table);
  GetoptTables tables;
  BuildTables(all, stopAtOperand, tables);

  // getopt permutes argv, so it works on copies.
  std::vector<std::string> words;
  words.reserve(args.size() + 1);
  words.push_back("quorvex-cli");
  words.insert(words.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& w : words) argv.push_back(&w[0]);
  argv.push_back(nullptr);
  const int argc = static_cast<int>(words.size());

  optind = 0;  // 0, not 1: glibc then also forgets a half-read "-abc" of the last run
  opterr = 0;
  for (;;) {
    const int c = getopt_long(argc, argv.data(), tables.shorts.c_str(), tables.longs.data(), nullptr);
    if (c == -1) break;
    if (c == ':' || c == '?') {
      error = GetoptError(c, all, argv.data(), argc);
      return Parsed::Usage;
    }
    bool negated = false;
    const int i = FindByVal(all, c, negated);
    if (i < 0) {
      error = UnknownOption(std::string("-") + static_cast<char>(c));
      return Parsed::Usage;
    }
    const Option& o = all[static_cast<size_t>(i)];
    if (o.id == kHelpId || o.id == kQuietId) {
      (o.id == kHelpId ? out.help : out.quiet) = true;
      continue;
    }
    OptionValue v;
    v.id = o.id;
    v.on = !negated;
    error = TakeValue(o, optarg, v);
    if (!error.empty()) return Parsed::Usage;
    out.options.push_back(v);
  }
  for (int k = optind; k < argc; ++k) out.operands.push_back(argv[static_cast<size_t>(k)]);
  return out.help ? Parsed::Help : Parsed::Ok;
}

// ---- help ----

namespace {

const size_t kHelpColumn = 27, kHelpWidth = 79;

// Words of text in lines of at most width characters; '\n' breaks a line.
std::vector<std::string> Wrap(const std::string& text, size_t width) {
  std::vector<std::string> lines;
  size_t at = 0;
  while (at <= text.size()) {
    const size_t nl = text.find('\n', at);
    const std::string para = text.substr(at, nl == std::string::npos ? std::string::npos : nl - at);
    std::string line;
    size_t w = 0;
    while (w < para.size()) {
      const size_t space = para.find(' ', w);
      const std::string word = para.substr(w, space == std::string::npos ? std::string::npos : space - w);
      if (!line.empty() && line.size() + 1 + word.size() > width) {
        lines.push_back(line);
        line.clear();
      }
      if (!word.empty()) line += (line.empty() ? "" : " ") + word;
      w = space == std::string::npos ? para.size() : space + 1;
    }
    lines.push_back(line);
    if (nl == std::string::npos) break;
    at = nl + 1;
  }
  return lines;
}

void PrintWrapped(std::FILE* out, const std::string& text, size_t indent) {
  for (const std::string& line : Wrap(text, kHelpWidth - indent))
    std::fprintf(out, "%*s%s\n", line.empty() ? 0 : static_cast<int>(indent), "", line.c_str());
}

std::string RangeText(const Option& o) {
  switch (o.arg) {
  case Arg::Int:
  case Arg::Real:
    return " (" + Number(o.min) + " to " + Number(o.max) + ")";
  case Arg::Size: return " (each side " + Number(o.min) + " to " + Number(o.max) + ")";
  default: return "";
  }
}

void PrintOption(std::FILE* out, const Option& o) {
  std::string left = o.shortName ? std::string("  -") + o.shortName + ", " : std::string("      ");
  left += std::string("--") + (o.negatable ? "[no-]" : "") + o.name;
  if (o.valueName) left += std::string("=") + o.valueName;
  std::string text = std::string(o.help) + RangeText(o);
  if (o.defaultValue || o.section) {
    text += "\ndefault: ";
    if (o.section) text += std::string("[") + o.section + "] " + o.key + (o.defaultValue ? ", else " : "");
    if (o.defaultValue) text += o.defaultValue;
  }
  const std::vector<std::string> lines = Wrap(text, kHelpWidth - kHelpColumn);
  size_t first = 0;
  if (left.size() + 2 <= kHelpColumn) {
    std::fprintf(out, "%-*s%s\n", static_cast<int>(kHelpColumn), left.c_str(), lines[0].c_str());
    first = 1;
  } else {
    std::fprintf(out, "%s\n", left.c_str());
  }
  for (size_t k = first; k < lines.size(); ++k)
    std::fprintf(out, "%*s%s\n", static_cast<int>(kHelpColumn), "", lines[k].c_str());
}

} // namespace

void PrintOptions(std::FILE* out, const CommandTable& table) {
  for (const Option& o : AllOptions(table)) PrintOption(out, o);
}

void PrintHelp(std::FILE* out, const CommandTable& table) {
  std::fprintf(out, "usage: quorvex-cli %s %s\n", table.name, table.synopsis);
  PrintWrapped(out, table.description, 0);
  std::fprintf(out, "\nOptions:\n");
  PrintOptions(out, table);
  if (table.notes) {
    std::fprintf(out, "\n");
    PrintWrapped(out, table.notes, 0);
  }
}

} // namespace qv::cli
