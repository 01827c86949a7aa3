#pragma once
// The batch conversion: a state machine advanced one step at a time, each
// Convert step handling one file through a visible working document.
//
//   1 Start -> 2 Convert (once per file) -> 30 CloseProgress -> 31 Report
//   -> 32 Finish -> 0 Idle;  2 -> 50 Abort -> 32 when a save or resize fails.
#include <string>

namespace qv {

class CConverterApp;
class CImageDoc;
struct BatchRunRequest;

enum BatchState : int {
  BS_IDLE = 0,
  BS_START = 1,
  BS_CONVERT = 2,
  BS_CLOSE_PROGRESS = 30,
  BS_REPORT = 31,
  BS_FINISH = 32,
  BS_ABORT = 50,
};

// The progress dialog as the engine sees it.
class IBatchProgress {
public:
  virtual ~IBatchProgress() = default;
  virtual void SetRange(int total) = 0;  // position 0, step 1
  virtual void SetFileName(const std::string& name) = 0;
  virtual void SetCounter(const std::string& text) = 0;
  virtual void StepIt() = 0;
  virtual bool AbortRequested() const = 0;
  // Shown again without activating it, after every Convert step.
  virtual void ShowAgain() {}
};

// What the engine asks of the program around it.
class IBatchHost {
public:
  virtual ~IBatchHost() = default;
  // A new, visible working document titled `title`; null when none can be made.
  virtual CImageDoc* OpenWorkDocument(const std::string& title) = 0;
  virtual void CloseWorkDocument(CImageDoc* doc) = 0;
  virtual void UpdateViews(CImageDoc* /*doc*/) {}
  // Null when the dialog cannot be created.
  virtual IBatchProgress* CreateProgress() = 0;
  virtual void DestroyProgress(IBatchProgress* progress) = 0;
  virtual void SetStatusText(const std::string& /*text*/) {}
};

// Sets up a run from the dialog's result; false (and nothing started) when
// there is nothing to do or a directory is missing.
bool StartBatch(CConverterApp& app, const BatchRunRequest& request);
// One step of the state machine; nested calls return at once.
void BatchStep(CConverterApp& app, IBatchHost& host);
// Shows a pending load error ("JPEG File Load"); with `batch` the text ends
// in "\nSkip convert.". Outside a run only.
void ReportLoadError(CConverterApp& app, bool batch);
// "Imag%04d.jpg" of a sequence number.
std::string DeviceFileName(int seqNo);
// The sequence number after n, wrapping 9999 -> 1.
int NextSeqNo(int n);

// Result of converting one file.
enum ConvertResult : int { CONVERT_STOP = 0, CONVERT_DONE = 1, CONVERT_SKIPPED = 2 };

// Converts `source` into the device file `outPath` on `doc`: the 160 x 120
// thumbnail is written to outPath first, then the full-size image over it,
// embedding the thumbnail. Shows the save-error message on failure.
int ConvertToDeviceFile(CImageDoc& doc, const std::string& source, const std::string& outPath, int targetWidth,
                        int targetHeight);

} // namespace qv
