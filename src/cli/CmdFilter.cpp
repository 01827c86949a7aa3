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

enum : int {
  kIn = 1, kOut, kLog, kRemoveApp,
  // switches: the settings field each sets
  kRecurse, kRemoveThumb, kRemoveJfxx, kRemoveCom, kUniteDqt, kUniteDht, kConvertExif, kExifComment, kEnglish,
  kUserComment,
};

struct SwitchField {
  int id;
  int CBulkFilterSettings::*field;
};

const SwitchField kSwitchFields[] = {
    {kRecurse, &CBulkFilterSettings::RecurseDir},       {kRemoveThumb, &CBulkFilterSettings::RemoveThumb},
    {kRemoveJfxx, &CBulkFilterSettings::RemoveJFXX},    {kRemoveCom, &CBulkFilterSettings::RemoveCOM},
    {kUniteDqt, &CBulkFilterSettings::UniteDQT},        {kUniteDht, &CBulkFilterSettings::UniteDHT},
    {kConvertExif, &CBulkFilterSettings::ConvertExif},  {kExifComment, &CBulkFilterSettings::ExifGenCmt},
    {kEnglish, &CBulkFilterSettings::ExifGenEng},       {kUserComment, &CBulkFilterSettings::ExifUserCmt},
};

const char kSection[] = "bulkfilter";

} // namespace

const CommandTable& FilterCommand() {
  static const CommandTable table{
      "filter", "--in DIR --out DIR [OPTION...]", "rewrite the marker segments of a folder of JPEG files",
      "The JPEG bulk filter. Rewrites the marker segments of every JPEG file of the input folder (and its "
      "subfolders with --recurse) into the same place under the output folder, without touching the scan "
      "data; each output name ends in .jpg. A file that cannot be read or written is named and the run goes "
      "on. Options not given take the settings' values (1 on, 0 off).",
      {
          Option(kIn, "in", 0, "the input folder (required)").Path("DIR"),
          Option(kOut, "out", 'o', "the output folder (required)").Path("DIR"),
          Option(kRecurse, "recurse", 0, "go into subfolders").Default("0", kSection, "RecurseDir"),
          Option(kLog, "log", 0, "write an HTML log of the run to FILE")
              .Path("FILE")
              .Default("no log", kSection, "CreateLog, LogFilePath"),
          Option(kRemoveThumb, "remove-thumb", 0, "replace a JFIF APP0 segment holding a thumbnail by one without")
              .Default("0", kSection, "RemoveThumb"),
          Option(kRemoveJfxx, "remove-jfxx", 0, "remove the JFXX APP0 segments").Default("0", kSection, "RemoveJFXX"),
          Option(kRemoveApp, "remove-app", 0,
                 "remove the APPn segments of the numbers in LIST, 1 to 15 separated by commas (1,2,13)")
              .Text("LIST")
              .Default("none", kSection, "RemoveAppX, RemoveAPP1 to RemoveAPP15"),
          Option(kRemoveCom, "remove-com", 0, "remove the COM segments").Default("0", kSection, "RemoveCOM"),
          Option(kUniteDqt, "unite-dqt", 0, "unite the DQT segments between two scans into one")
              .Default("0", kSection, "UniteDQT"),
          Option(kUniteDht, "unite-dht", 0, "unite the DHT segments between two scans into one")
              .Default("0", kSection, "UniteDHT"),
          Option(kConvertExif, "convert-exif", 0, "replace the Exif APP1 segment by a JFIF APP0 segment and a comment")
              .Negatable()
              .Default("1", kSection, "ConvertExif"),
          Option(kExifComment, "exif-comment", 0, "put the Exif summary lines into that comment")
              .Negatable()
              .Default("1", kSection, "ExifGenCmt"),
          Option(kEnglish, "english", 0, "the summary lines in English instead of Japanese")
              .Default("0", kSection, "ExifGenEng"),
          Option(kUserComment, "user-comment", 0, "put the Exif user comment into that comment")
              .Negatable()
              .Default("1", kSection, "ExifUserCmt"),
      },
      "The files filtered are those that [bulkfilter] StrExtFilter admits, else .jpg;.jfif;.jpeg."};
  return table;
}

int RunFilter(Context& ctx, const ParsedArgs& args) {
  CBulkFilterSettings s;
  s.Load(ctx.app->Profile());
  bool haveIn = false, haveOut = false;
  for (const OptionValue& v : args.options) {
    switch (v.id) {
    case kIn:
      s.SrcDirectory = v.text;
      haveIn = true;
      break;
    case kOut:
      s.DstDirectory = v.text;
      haveOut = true;
      break;
    case kLog:
      s.CreateLog = 1;
      s.LogFilePath = v.text;
      break;
    case kRemoveApp:
      if (!ParseAppList(v.text, s))
        return UsageError("filter",
                          "--remove-app: '" + v.text + "' is not a list of numbers from 1 to 15, e.g. 1,2,13");
      break;
    default:
      for (const SwitchField& f : kSwitchFields)
        if (f.id == v.id) s.*f.field = v.on ? 1 : 0;
    }
  }
  if (!args.operands.empty()) return UsageError("filter", "unexpected argument '" + args.operands[0] + "'");
  if (!haveIn || !haveOut) return UsageError("filter", "--in and --out are required");

  CTerminalProgress progress(ctx.stderrIsTerminal);
  ClearingSink sink(ctx.sink, progress);
  CBulkFilter filter(ctx.app->m_settings, sink, s);
  filter.m_pProgress = &progress;
  // Also with a log: the closing count alone does not say which files failed.
  filter.onFileError = [&progress](const std::string& path, const std::string& reason) {
    progress.Clear();
    Say(path + ": " + reason);
  };
  const bool ok = filter.RunCommand();
  return ok ? kExitOk : kExitPartial;
}

} // namespace qv::cli
