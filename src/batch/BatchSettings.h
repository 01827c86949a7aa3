#pragma once
// The Batch Convert dialog without its window: the "bulkconv" settings, the
// directory checks, the file list, and the OK handler's checks, shared by
// the dialog and the command-line tool.
#include <string>
#include <vector>

#include "app/AppHelpers.h"  // MakeDirectoryPath, DirectoryExists

namespace qv {

class CConverterApp;
class CProfile;
class IMessageSink;

constexpr int kMaxBatchFiles = 1000;
extern const char kSectionBulkConv[];  // "bulkconv"
extern const char kBatchCaption[];     // "Batch Convert"
// The run's closing message, "%d files converted.      ".
std::string ConvertedCountText(int converted);

struct CBatchSettings {
  std::string SrcDirectory;  // defaults under the home folder
  std::string DstDirectory;
  int FileSeqNo = 1;
  int JpegQuality = 75;
  int SizeWidth = 1024;
  int SizeHeight = 768;
  int ExtFilter = 1;
  std::string StrExtFilter = ".jpg;.jfif;.jpeg";
  int SizeConvertMode = 1;
  int SizeAlignMode = 0;
  int NotEnlarge = 0;
  int RecurseDir = 0;
  int UsePngFormat = 0;
  int ExtThrough = 0;
  int AltIsOriginalSize = 0;
  int CreateLog = 0;
  std::string LogFilePath;

  CBatchSettings();
  // Loads every key; the extension filter is always on afterwards.
  void Load(const CProfile& profile);
  // Writes every key in the dialog's order.
  bool Save(CProfile& profile) const;
  // The values that reading the dialog's controls forces.
  void ForceControlValues();
};

// 1 valid; -1 empty; -2 invalid expression; -3 longer than 260 characters.
int ValidateDirName(const std::string& name);
// File names (no folders) of a directory that pass the extension filter,
// in case-insensitive order. Empty when the directory cannot be read.
std::vector<std::string> FillFileList(const std::string& dir, bool extFilter, const std::string& extList);

// What the dialog hands the OK handler.
struct BatchDialogValues {
  std::string srcDir;
  std::string dstDir;
  std::string seqText;  // the sequence-number field's text
  int quality = 75;
  int width = 1024;
  int height = 768;
  // The list in its order, each name with its tick.
  std::vector<std::pair<std::string, bool>> files;
};

// What the run is given when OK succeeds.
struct BatchRunRequest {
  std::vector<std::string> files;
  std::string srcDir;
  std::string dstDir;
  int firstSeqNo = 1;
  int targetWidth = 1024;
  int targetHeight = 768;
};

enum class BatchOkOutcome {
  Stay,        // a message was shown; the dialog stays open
  CloseNoRun,  // the dialog closes, no run starts
  CloseRun,    // the dialog closes and `request` holds the run
};

// The OK handler: shows its messages and questions through `sink` (caption
// "Batch Convert"), writes the keys it writes to the profile (unless
// `persist` is false: the command line leaves the dialog's section alone),
// stores the quality into Param1, and fills `request` for a run.
// How the OK handler may act besides checking: the dialog keeps its fields
// in the settings and creates a missing output folder; the command line
// keeps nothing, and a dry run creates nothing.
struct BatchCheckOptions {
  bool persist = true;
  bool makeFolders = true;
};
BatchOkOutcome CheckBatchDialog(CConverterApp& app, CBatchSettings& fields, const BatchDialogValues& values,
                                IMessageSink& sink, BatchRunRequest& request,
                                const BatchCheckOptions& options = BatchCheckOptions());
// The run's device names that already exist in its output folder.
std::vector<std::string> ExistingTargets(const BatchRunRequest& request);
// The question asked when a run would replace device files: "%d" files,
// the first "%s", the highest present "%s". Yes replaces, No numbers after
// the highest, Cancel closes without a run.
extern const char kReplaceQuestion[];

} // namespace qv
