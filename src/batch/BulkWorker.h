#pragma once
// The per-command worker of the batch conversion and the bulk filter.
#include <cstdio>
#include <functional>
#include <string>

namespace qv {

class CConverterApp;
class CImageDoc;
class IBatchProgress;

class CBulkWorker {
public:
  CBulkWorker() = default;
  virtual ~CBulkWorker();
  CBulkWorker(const CBulkWorker&) = delete;
  CBulkWorker& operator=(const CBulkWorker&) = delete;

  // Converts app.batchCurrent into the next device file: CONVERT_DONE,
  // CONVERT_SKIPPED (not loaded) or CONVERT_STOP.
  int ConvertOne(CConverterApp& app);

  // Counts the files of a tree as the bulk filter's progress needs; -1 when
  // the root cannot be read. `pump` runs one pass of the event loop and
  // returns false when the program is quitting.
  int CountFiles(const std::string& root);

  // Log emphasis for error lines of the HTML log.
  void BeginEmphasis();
  void EndEmphasis();
  // Creates the folder made of the first n-1 characters of the output path.
  bool MakeOutputSubdirectory(size_t n);

  // ---- state ----
  CImageDoc* m_pWorkDoc = nullptr;   // not owned
  IBatchProgress* m_pProgress = nullptr;  // not owned
  int nextSeqNo = 1;
  std::string m_srcPath;
  std::string m_dstPath;
  std::string m_extList = ".jpg;.jfif;.jpeg";
  bool m_bExtFilter = true;
  bool m_bRecurse = false;
  bool m_bAbort = false;
  int m_nFileCount = 0;
  FILE* m_pLog = nullptr;  // the HTML log, open only during a filter run
  std::function<bool()> pump;  // one pass of the event loop; false: quitting

private:
  int CountDirectory(const std::string& dir);
};

} // namespace qv
