#include <cerrno>
#include <cstdio>
#include <cstring>

#include "app/AppHelpers.h"
#include "cli/Cli.h"
#include "app/DqtFile.h"

namespace qv::cli {
namespace {

enum : int { kQuality = 1, kOut, kRead };

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
  errno = 0;
  if (WriteDqtFile(out, values) != 128) {
    const int error = errno;
    PrintFileError("SaveDQT", out, kCantOpenFile, error ? std::strerror(error) : "");
    return kExitPartial;
  }
  return kExitOk;
}

// Table 0 needs 64 values, table 1 the next 64; a shorter file holds no table.
int ReadTables(const std::string& path) {
  if (!CheckInputFile(path)) return kExitPartial;
  uint16_t values[128] = {};
  errno = 0;
  const int n = ReadDqtFile(path, values);
  if (n < 0) {
    PrintFileError("LoadDQT", path, kCantOpenFile, FailureReason(path, errno));
    return kExitPartial;
  }
  if (n < 64) {
    Say(path + ": holds " + std::to_string(n) + " values; a table needs 64");
    return kExitPartial;
  }
  const int tables = n == 128 ? 2 : 1;
  for (int k = 0; k < tables; ++k) PrintTable(values + 64 * k);
  for (int k = 0; k < tables; ++k) std::printf("Qf=%s\n", EstimateQuality(TableSum(values + 64 * k)).c_str());
  return kExitOk;
}

} // namespace

const CommandTable& DqtCommand() {
  static const CommandTable table{
      "dqt", "--quality Q [-o FILE] | --read FILE", "write or read quantization-table files",
      "With --quality: writes the standard luminance and chrominance quantization tables scaled to quality Q "
      "in the DQT text format, to FILE or standard output. With --read: prints the tables read from FILE and "
      "the quality estimate of each (Qf=...).",
      {
          Option(kQuality, "quality", 'q', "the quality the standard tables are scaled to").Int(1, 100, "Q"),
          Option(kOut, "out", 'o', "the file to write the tables to").Path("FILE").Default("standard output"),
          Option(kRead, "read", 0, "the DQT file to read").Path("FILE"),
      }};
  return table;
}

int RunDqt(Context&, const ParsedArgs& args) {
  if (!args.operands.empty()) return UsageError("dqt", "unexpected argument '" + args.operands[0] + "'");
  const OptionValue* q = args.Last(kQuality);
  const OptionValue* o = args.Last(kOut);
  const OptionValue* r = args.Last(kRead);
  const bool haveQuality = q != nullptr, haveOut = o != nullptr;
  const int quality = q ? q->number : 0;
  const std::string out = o ? o->text : std::string(), read = r ? r->text : std::string();
  if (haveQuality == !read.empty()) return UsageError("dqt", "dqt needs either --quality or --read");
  if (!read.empty()) {
    if (haveOut) return UsageError("dqt", "-o goes with --quality");
    return ReadTables(read);
  }
  return WriteStandardTables(quality, out);
}

} // namespace qv::cli
