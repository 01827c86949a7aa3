#pragma once
// The worker of the bulk filter: the counting walk, the log and the output
// folders. (The batch conversion's side of it is batch/BatchRun.h.)
#include <cstdio>
#include <functional>
#include <string>

namespace qv {

class IBatchProgress;

class CBulkWorker {
public:
  CBulkWorker() = default;
  virtual ~CBulkWorker();
  CBulkWorker(const CBulkWorker&) = delete;
  CBulkWorker& operator=(const CBulkWorker&) = delete;

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
  IBatchProgress* m_pProgress = nullptr;  // not owned
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
