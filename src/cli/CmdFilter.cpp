// quorvex-cli filter: the JPEG bulk filter over a folder tree.
#include <cstdio>
#include <string>

#include "batch/BatchEngine.h"
#include "cli/Cli.h"
#include "cli/TerminalProgress.h"
#include "jpegmeta/BulkFilter.h"

namespace qv::cli {
namespace {

// The line is cleared before any message so both stay readable.
class ClearingSink : public IMessageSink {
public:
  ClearingSink(IMessageSink& out, CTerminalProgress& progress) : m_out(out), m_progress(progress) {}
  int MessageBox(const std::string& text, const std::string& caption, unsigned style) override {
    m_progress.Clear();
    return m_out.MessageBox(text, caption, style);
  }

private:
  IMessageSink& m_out;
  CTerminalProgress& m_progress;
};

// "1,2,13": each number 1 to 15 turns its APPn on, every other one off.
bool ParseAppList(const std::string& text, CBulkFilterSettings& s) {
  int chosen[16] = {};
  size_t at = 0;
  for (;;) {
    const size_t comma = text.find(',', at);
    int n = 0;
    if (!ParseInt(text.substr(at, comma == std::string::npos ? std::string::npos : comma - at), n) || n < 1 ||
        n > 15)
      return false;
    chosen[n] = 1;
    if (comma == std::string::npos) break;
    at = comma + 1;
  }
  s.RemoveAppX = 1;
  for (int n = 1; n <= 15; ++n) s.RemoveAPP[n] = chosen[n];
  return true;
}

struct Switch {
  const char* name;
  int CBulkFilterSettings::*field;
  bool negatable;
};

const Switch kSwitches[] = {
    {"recurse", &CBulkFilterSettings::RecurseDir, false},
    {"remove-thumb", &CBulkFilterSettings::RemoveThumb, false},
    {"remove-jfxx", &CBulkFilterSettings::RemoveJFXX, false},
    {"remove-com", &CBulkFilterSettings::RemoveCOM, false},
    {"unite-dqt", &CBulkFilterSettings::UniteDQT, false},
    {"unite-dht", &CBulkFilterSettings::UniteDHT, false},
    {"convert-exif", &CBulkFilterSettings::ConvertExif, true},
    {"exif-comment", &CBulkFilterSettings::ExifGenCmt, true},
    {"english", &CBulkFilterSettings::ExifGenEng, false},
    {"user-comment", &CBulkFilterSettings::ExifUserCmt, true},
};

bool ApplySwitch(const std::string& arg, CBulkFilterSettings& s) {
  for (const Switch& sw : kSwitches) {
    if (arg == std::string("--") + sw.name) {
      s.*sw.field = 1;
      return true;
    }
    if (sw.negatable && arg == std::string("--no-") + sw.name) {
      s.*sw.field = 0;
      return true;
    }
  }
  return false;
}

} // namespace

int RunFilter(Context& ctx, const Args& args) {
  CBulkFilterSettings s;
  s.Load(ctx.app->Profile());
  bool haveIn = false, haveOut = false;
  OptionScan scan;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    const bool hasValue = i + 1 < args.size();
    if (scan.Ends(a)) continue;
    if (!scan.IsOption(a)) {
      return UsageError("filter", "unexpected argument " + a);
    } else if (a == "--in" && hasValue) {
      s.SrcDirectory = args[++i];
      haveIn = true;
    } else if (a == "--out" && hasValue) {
      s.DstDirectory = args[++i];
      haveOut = true;
    } else if (a == "--log" && hasValue) {
      s.CreateLog = 1;
      s.LogFilePath = args[++i];
    } else if (a == "--remove-app" && hasValue) {
      if (!ParseAppList(args[++i], s)) return UsageError("filter", "--remove-app takes numbers 1 to 15, e.g. 1,2,13");
    } else if (!ApplySwitch(a, s)) {
      return UsageError("filter", "unknown option or missing value: " + a);
    }
  }
  if (!haveIn || !haveOut) return UsageError("filter", "--in and --out are required");

  CTerminalProgress progress(ctx.stderrIsTerminal);
  ClearingSink sink(ctx.sink, progress);
  CBulkFilter filter(ctx.app->m_settings, sink, s);
  filter.m_pProgress = &progress;
  // Also with a log: the closing count alone does not say which files failed.
  filter.onFileError = [&progress](const std::string& path, const std::string& reason) {
    progress.Clear();
    std::fprintf(stderr, "quorvex-cli: %s: %s\n", path.c_str(), reason.c_str());
  };
  const bool ok = filter.RunCommand();
  return ok ? kExitOk : kExitPartial;
}

} // namespace qv::cli
