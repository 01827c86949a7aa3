#pragma once
// One batch conversion in progress: its state machine and its fields, owned
// by whoever drives the run (the desktop program's batch host, the CLI).
//
//   1 Start -> 2 Convert (once per file) -> 30 CloseProgress -> 31 Report
//   -> 32 Finish -> 0 Idle;  2 -> 50 Abort -> 32 when a save or resize fails.
#include <string>
#include <vector>

#include "batch/BatchEngine.h"

namespace qv {

class CConverterApp;
class CImageDoc;
class IBatchProgress;
struct BatchRunRequest;

class CBatchRun {
public:
  explicit CBatchRun(CConverterApp& app) : m_app(app) {}
  CBatchRun(const CBatchRun&) = delete;
  CBatchRun& operator=(const CBatchRun&) = delete;

  // Sets up a run from the dialog's result; false (and nothing started)
  // when there is nothing to do or a directory is missing.
  bool Start(const BatchRunRequest& request);
  // One step of the state machine; nested calls return at once.
  void Step(IBatchHost& host);
  bool Idle() const { return batchState == BS_IDLE; }
  // The program is closing: the run ends where it is, without its count.
  void Abandon(IBatchHost& host);
  // Converts batchCurrent into the next device file: CONVERT_DONE,
  // CONVERT_SKIPPED (not loaded, or not writable as a device file) or
  // CONVERT_STOP.
  int ConvertOne();

  int batchState = BS_IDLE;
  int stepBusy = 0;
  std::vector<std::string> batchFiles;  // names in run order, at most 1000
  int batchTotal = 0;
  int batchIndex = 0;
  int batchConverted = 0;
  std::string batchSrcDir;
  std::string batchDstDir;
  std::string batchCurrent;
  int targetWidth = 1024;
  int targetHeight = 768;
  std::string progressText;
  int workDocCounter = 0;
  int nextSeqNo = 1;
  CImageDoc* m_pWorkDoc = nullptr;        // not owned
  IBatchProgress* m_pProgress = nullptr;  // not owned
  std::string m_srcPath;  // of the file converted last
  std::string m_dstPath;

private:
  void StepStart(IBatchHost& host);
  void StepConvert(IBatchHost& host);
  void StepCloseProgress(IBatchHost& host);
  void StepReport();
  void StepFinish(IBatchHost& host);
  void StepAbort(IBatchHost& host);
  void End();

  CConverterApp& m_app;
};

} // namespace qv
