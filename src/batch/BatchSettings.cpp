#include "batch/BatchSettings.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <optional>
#include <sys/stat.h>

#include "app/AppHelpers.h"
#include "app/ConverterApp.h"
#include "app/Extension.h"
#include "app/Profile.h"
#include "app/ProfileKeys.h"
#include "batch/BatchEngine.h"
#include "platform/MessageSink.h"

namespace qv {

const char kSectionBulkConv[] = "bulkconv";
const char kBatchCaption[] = "Batch Convert";
const char kReplaceQuestion[] =
    "%d files of the output directory would be replaced, the first being %s.    \n"
    "Yes: replace them.  No: number after %s.  Cancel: do not convert.";
const char kNoNumbersLeft[] = "No file numbers are left after %s in the output directory.    \nChoose another output directory.";

std::string ConvertedCountText(int converted) {
  char text[64];
  std::snprintf(text, sizeof text, "%d files converted.      ", converted);
  return text;
}

namespace {

std::string Format1(const char* fmt, const std::string& arg) {
  const int n = std::snprintf(nullptr, 0, fmt, arg.c_str());
  std::string out(static_cast<size_t>(n > 0 ? n : 0), '\0');
  std::snprintf(out.data(), out.size() + 1, fmt, arg.c_str());
  return out;
}

// One directory on disk whatever its spelling (".", "..", links, a
// trailing slash); folders that do not exist yet compare by their text.
bool SameDirectory(const std::string& a, const std::string& b) { return SameFileOnDisk(a, b) || a == b; }

// The first device file of the run that is also one of its sources, as
// "target\nsource"; empty when there is none.
std::string SourceOverwrittenBy(const BatchRunRequest& r) {
  std::vector<std::pair<dev_t, ino_t>> sources;
  struct stat st {};
  for (const std::string& name : r.files) {
    const std::string path = !name.empty() && name[0] == '/' ? name : r.srcDir + "/" + name;
    if (stat(path.c_str(), &st) == 0) sources.emplace_back(st.st_dev, st.st_ino);
  }
  int seq = r.firstSeqNo;
  for (size_t i = 0; i < r.files.size(); ++i, seq = NextSeqNo(seq)) {
    const std::string target = r.dstDir + "/" + DeviceFileName(seq);
    if (stat(target.c_str(), &st) != 0) continue;
    for (size_t k = 0; k < sources.size(); ++k)
      if (sources[k].first == st.st_dev && sources[k].second == st.st_ino) return target;
  }
  return std::string();
}

// An unsigned number as the dialog reads it; false when the text is none.
bool ReadUnsigned(const std::string& text, long& value) {
  size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  if (i >= text.size() || text[i] < '0' || text[i] > '9') return false;
  long v = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    v = v * 10 + (text[i] - '0');
    if (v > 99999999) v = 99999999;  // far out of range either way
  }
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  if (i != text.size()) return false;
  value = v;
  return true;
}

} // namespace

CBatchSettings::CBatchSettings()
    : SrcDirectory(MapDefaultPath("C:\\KXM410")),
      DstDirectory(MapDefaultPath("C:\\DCIM\\100KXCAM")),
      LogFilePath(MapDefaultPath("C:\\blkcnv.htm")) {}

namespace {

// The longest side the JPEG encoder accepts.
constexpr int kMaxJpegSide = 65500;

using B = CBatchSettings;
// The keys in the order the dialog writes them.
const ProfileKey<B> kBulkConvKeys[] = {
    StringKey<B>("SrcDirectory", &B::SrcDirectory), StringKey<B>("DstDirectory", &B::DstDirectory),
    IntKey<B>("CreateLog", &B::CreateLog),           StringKey<B>("LogFilePath", &B::LogFilePath),
    IntKey<B>("SizeConvertMode", &B::SizeConvertMode), IntKey<B>("SizeAlignMode", &B::SizeAlignMode),
    IntKey<B>("FileSeqNo", &B::FileSeqNo),           IntKey<B>("SizeWidth", &B::SizeWidth),
    IntKey<B>("SizeHeight", &B::SizeHeight),         IntKey<B>("JpegQuality", &B::JpegQuality),
    IntKey<B>("NotEnlarge", &B::NotEnlarge),         IntKey<B>("ExtFilter", &B::ExtFilter),
    StringKey<B>("StrExtFilter", &B::StrExtFilter),  IntKey<B>("RecurseDir", &B::RecurseDir),
    IntKey<B>("UsePngFormat", &B::UsePngFormat),     IntKey<B>("ExtThrough", &B::ExtThrough),
    IntKey<B>("AltIsOriginalSize", &B::AltIsOriginalSize),
};

} // namespace

void CBatchSettings::Load(const CProfile& p) {
  const CBatchSettings defaults;
  LoadProfileKeys(p, kSectionBulkConv, kBulkConvKeys, defaults, *this);
  ExtFilter = 1;  // written, never read
  // Edited files must not reach the converter with sizes it cannot make.
  // The sequence number needs no check here: the OK handler refuses it.
  auto inRange = [](int& value, int low, int high, int def) {
    if (value < low || value > high) value = def;
  };
  inRange(SizeWidth, 1, kMaxJpegSide, defaults.SizeWidth);
  inRange(SizeHeight, 1, kMaxJpegSide, defaults.SizeHeight);
  inRange(JpegQuality, 1, 100, defaults.JpegQuality);
}

bool CBatchSettings::Save(CProfile& p) const {
  p.BeginBatch();  // one file write for all the keys
  bool ok = SaveProfileKeys(p, kSectionBulkConv, kBulkConvKeys, *this);
  ok &= p.EndBatch();
  return ok;
}

void CBatchSettings::ForceControlValues() {
  CreateLog = 0;
  SizeConvertMode = 1;
  SizeAlignMode = 1;
  NotEnlarge = 0;
  RecurseDir = 0;
  AltIsOriginalSize = 0;
  UsePngFormat = 0;
}

int ValidateDirName(const std::string& name) {
  if (name.empty()) return -1;
  if (name.size() > 260) return -3;
  // "/" alone stands for a bare drive root, which is refused.
  if (name[0] != '/' || name.size() < 2) return -2;
  // Any other byte may stand in a Linux name, '"', '*', ':', '<', '>', '?'
  // and '|' included.
  for (size_t i = 0; i < name.size(); ++i) {
    if (static_cast<unsigned char>(name[i]) < 0x20) return -2;
    if (i > 0 && name[i] == '/' && name[i - 1] == '/') return -2;
  }
  return 1;
}

std::vector<std::string> FillFileList(const std::string& dir, bool extFilter, const std::string& extList) {
  std::vector<std::string> names;
  DIR* d = opendir(dir.c_str());
  if (!d) return names;
  while (dirent* e = readdir(d)) {
    const std::string name = e->d_name;
    if (name == "." || name == "..") continue;
    struct stat st {};
    const std::string full = dir + "/" + name;
    // Only regular files: a FIFO or device would hang or flood the run.
    if (stat(full.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
    if (extFilter) {
      const size_t dot = name.rfind('.');
      if (dot == std::string::npos) continue;
      if (MatchExtensionList(extList, name.substr(dot + 1)) == kNoPosition) continue;
    }
    InsertSorted(names, name);
  }
  closedir(d);
  return names;
}

namespace {

// The OK handler's steps. Each returns nothing when the handler goes on,
// else how it ends; messages and questions go to the sink.
using Outcome = std::optional<BatchOkOutcome>;

struct OkHandler {
  CConverterApp& app;
  CBatchSettings& fields;
  const BatchDialogValues& v;
  IMessageSink& sink;
  BatchRunRequest& request;
  const BatchCheckOptions& options;
  long seq = 0;
  bool seqIsNumber = false;

  Outcome Say(const std::string& text) {
    sink.MessageBox(text, kBatchCaption, MB_OK | MB_ICONEXCLAMATION);
    return BatchOkOutcome::Stay;
  }
  int Ask(const std::string& text, unsigned buttons) {
    return sink.MessageBox(text, kBatchCaption, buttons | MB_ICONEXCLAMATION);
  }

  Outcome CheckDirectoryNames() {
    switch (ValidateDirName(v.srcDir)) {
    case -1: return Say("Set the Input File Directory.    ");
    case -2: return Say("Input File Directory Name contains invalid expression!     ");
    case -3: return Say("Input File Directory name is too long.    ");
    default: break;
    }
    switch (ValidateDirName(v.dstDir)) {
    case -1: return Say("Set the Output File Directory.    ");
    case -2: return Say("Output File Directory Name contains invalid expression!     ");
    case -3: return Say("Output File Directory name is too long.    ");
    default: break;
    }
    return std::nullopt;
  }

  // The dialog's fields are kept from here on, even when a later check fails.
  void KeepFields(const char* seqText) {
    if (options.persist) {
      CProfile& profile = app.Profile();
      profile.BeginBatch();
      profile.WriteString(kSectionBulkConv, "SrcDirectory", v.srcDir);
      profile.WriteString(kSectionBulkConv, "DstDirectory", v.dstDir);
      profile.WriteString(kSectionBulkConv, "FileSeqNo", seqText);
      profile.WriteInt(kSectionBulkConv, "JpegQuality", app.m_settings.Param1);
      profile.EndBatch();
    }
    fields.SrcDirectory = v.srcDir;
    fields.DstDirectory = v.dstDir;
    fields.FileSeqNo = static_cast<int>(seqIsNumber ? seq : 0);
    fields.JpegQuality = v.quality;
    fields.SizeWidth = v.width;
    fields.SizeHeight = v.height;
    fields.ForceControlValues();
  }

  Outcome CheckSameDirectoryAndNumber() {
    if (SameDirectory(v.srcDir, v.dstDir)) return Say("Input and Output is same directory.    ");
    if (!seqIsNumber || seq < 1 || seq > 9999) return Say("Output File Top Seq No. is out of range!     ");
    return std::nullopt;
  }

  Outcome EnsureOutputDirectory() {
    if (DirectoryExists(v.dstDir) || !options.makeFolders) return std::nullopt;
    if (Ask(Format1("Output File Directory '%s' does not exist!       \nCreate the directory?", v.dstDir), MB_YESNO) !=
        IDYES)
      return BatchOkOutcome::Stay;
    if (MakeDirectoryPath(v.dstDir) != 1 || !DirectoryExists(v.dstDir))
      return Say("Can't create the directory.      \nCheck the Path.");
    return std::nullopt;
  }

  Outcome TakeTickedFiles() {
    if (v.files.empty()) {
      Say("File list is empty!    \n" + Format1("Check the directory '%s'.     \nAnd retry.", v.srcDir));
      return BatchOkOutcome::CloseNoRun;
    }
    std::vector<std::string> ticked;
    for (const auto& f : v.files)
      if (f.second) ticked.push_back(f.first);
    if (ticked.empty()) return Say("No check files!      \n");
    // The run table holds 1000 names; more are refused rather than cut.
    if (ticked.size() > static_cast<size_t>(kMaxBatchFiles)) {
      char text[160];
      std::snprintf(text, sizeof text, "%d files are checked; one run converts at most %d.      \nUncheck some files.",
                    static_cast<int>(ticked.size()), kMaxBatchFiles);
      return Say(text);
    }
    request.files = std::move(ticked);
    request.srcDir = v.srcDir;
    request.dstDir = v.dstDir;
    request.firstSeqNo = static_cast<int>(seq);
    request.targetWidth = v.width;
    request.targetHeight = v.height;
    return std::nullopt;
  }

  // Never a photo the run reads; other device files only when the user says so.
  Outcome CheckTargets() {
    const std::string overwritten = SourceOverwrittenBy(request);
    if (!overwritten.empty())
      return Say(Format1("The output file '%s' is one of the source files.    \nChoose another output directory or first number.",
                         overwritten));
    const std::vector<std::string> existing = ExistingTargets(request);
    if (existing.empty()) return std::nullopt;
    const int highest = HighestDeviceNumber(request.dstDir);
    char text[512];
    std::snprintf(text, sizeof text, kReplaceQuestion, static_cast<int>(existing.size()), existing[0].c_str(),
                  DeviceFileName(highest).c_str());
    switch (Ask(text, MB_YESNOCANCEL)) {
    case IDYES: return std::nullopt;
    case IDNO: return ContinueNumbering(highest);
    default: return BatchOkOutcome::CloseNoRun;
    }
  }

  Outcome ContinueNumbering(int highest) {
    if (highest >= 9999) return Say(Format1(kNoNumbersLeft, DeviceFileName(highest)));
    request.firstSeqNo = highest + 1;
    // Past 9999 the numbers wrap to 1, which may be taken too.
    const std::vector<std::string> still = ExistingTargets(request);
    if (!still.empty()) return Say(Format1(kNoNumbersLeft, DeviceFileName(highest)));
    return std::nullopt;
  }

  BatchOkOutcome OfferToCreateInput() {
    if (Ask(Format1("Input File Directory '%s' does not exist!       \nCreate the directory?", v.srcDir), MB_YESNO) != IDYES)
      return BatchOkOutcome::Stay;
    if (MakeDirectoryPath(v.srcDir) != 1 || !DirectoryExists(v.srcDir)) {
      Say("Can't create the directory.      \nCheck the Path.");
    } else {
      Say(Format1("Create the directory '%s' was succesfull.      \n", v.srcDir) +
          Format1("Set the source files into the directory '%s'.\nAnd retry.", v.srcDir));
    }
    return BatchOkOutcome::CloseNoRun;
  }

  BatchOkOutcome Run() {
    request = BatchRunRequest();
    seqIsNumber = ReadUnsigned(v.seqText, seq);
    char seqText[32];
    std::snprintf(seqText, sizeof seqText, "%04ld", seqIsNumber ? seq : 0L);
    app.m_settings.Param1 = v.quality;
    if (Outcome o = CheckDirectoryNames()) return *o;
    KeepFields(seqText);
    if (Outcome o = CheckSameDirectoryAndNumber()) return *o;
    if (!DirectoryExists(v.srcDir)) return OfferToCreateInput();
    for (Outcome (OkHandler::*step)() : {&OkHandler::EnsureOutputDirectory, &OkHandler::TakeTickedFiles,
                                         &OkHandler::CheckTargets}) {
      if (Outcome o = (this->*step)()) {
        if (*o != BatchOkOutcome::CloseRun) request = BatchRunRequest();
        return *o;
      }
    }
    return BatchOkOutcome::CloseRun;
  }
};

} // namespace

std::vector<std::string> ExistingTargets(const BatchRunRequest& r) {
  std::vector<std::string> existing;
  struct stat st {};
  for (const std::string& name : PlannedDeviceNames(r.firstSeqNo, r.files.size()))
    // A folder in the way is no file to replace; the save reports it.
    if (::lstat((r.dstDir + "/" + name).c_str(), &st) == 0 && !S_ISDIR(st.st_mode)) existing.push_back(name);
  return existing;
}

BatchOkOutcome CheckBatchDialog(CConverterApp& app, CBatchSettings& fields, const BatchDialogValues& v,
                                IMessageSink& sink, BatchRunRequest& request, const BatchCheckOptions& options) {
  OkHandler handler{app, fields, v, sink, request, options};
  return handler.Run();
}

} // namespace qv
