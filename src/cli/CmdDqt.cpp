#include <cstdio>

#include "app/AppHelpers.h"
#include "cli/Cli.h"
#include "app/DqtFile.h"

namespace qv::cli {
namespace {

const char kCantOpen[] = "Can't open the file.";

// The DQT file's own layout: eight "%3d," values per line.
void PrintTable(const uint16_t table[64]) {
  for (int i = 0; i < 64; ++i) {
    std::printf("%3d,", table[i]);
    if (i % 8 == 7) std::putchar('\n');
  }
}

uint32_t TableSum(const uint16_t table[64]) {
  uint32_t sum = 0;
  for (int i = 0; i < 64; ++i) sum += table[i];
  return sum;
}

int WriteStandardTables(int quality, const std::string& out) {
  uint16_t values[128];
  MakeStandardTable(0, quality, values);
  MakeStandardTable(1, quality, values + 64);
  if (out.empty()) {
    PrintTable(values);
    PrintTable(values + 64);
    return kExitOk;
  }
  if (WriteDqtFile(out, values) != 128) {
    std::fprintf(stderr, "%s\n", FileErrorText("SaveDQT", out, kCantOpen).c_str());
    return kExitPartial;
  }
  return kExitOk;
}

// Table 0 needs 64 values, table 1 the next 64; a shorter file holds no table.
int ReadTables(const std::string& path) {
  if (!CheckInputFile(path)) return kExitPartial;
  uint16_t values[128] = {};
  const int n = ReadDqtFile(path, values);
  if (n < 0) {
    std::fprintf(stderr, "%s\n", FileErrorText("LoadDQT", path, kCantOpen).c_str());
    return kExitPartial;
  }
  if (n < 64) {
    std::fprintf(stderr, "quorvex-cli: %s holds %d values; a table needs 64\n", path.c_str(), n);
    return kExitPartial;
  }
  const int tables = n == 128 ? 2 : 1;
  for (int k = 0; k < tables; ++k) PrintTable(values + 64 * k);
  for (int k = 0; k < tables; ++k) std::printf("Qf=%s\n", EstimateQuality(TableSum(values + 64 * k)).c_str());
  return kExitOk;
}

} // namespace

int RunDqt(Context&, const Args& args) {
  std::string out, read;
  int quality = 0;
  bool haveQuality = false, haveOut = false;
  OptionScan scan;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    const bool hasValue = i + 1 < args.size();
    if (scan.Ends(a)) continue;
    if (!scan.IsOption(a)) {
      return UsageError("dqt", "unexpected argument " + a);
    } else if (a == "--quality") {
      if (!hasValue || !ParseInt(args[++i], quality) || quality < 1 || quality > 100)
        return UsageError("dqt", "--quality takes 1 to 100");
      haveQuality = true;
    } else if (a == "-o") {
      if (!hasValue || args[i + 1].empty()) return UsageError("dqt", "-o needs a path");
      out = args[++i];
      haveOut = true;
    } else if (a == "--read") {
      if (!hasValue || args[i + 1].empty()) return UsageError("dqt", "--read needs a file");
      read = args[++i];
    } else {
      return UsageError("dqt", "unexpected argument " + a);
    }
  }
  if (haveQuality == !read.empty()) return UsageError("dqt", "dqt needs either --quality or --read");
  if (!read.empty()) {
    if (haveOut) return UsageError("dqt", "-o goes with --quality");
    return ReadTables(read);
  }
  return WriteStandardTables(quality, out);
}

} // namespace qv::cli
