#pragma once
// The desktop program's application object: the core application with its
// settings, the shared file dialogs, the recent-file list, the document
// template and the main window; start-up and exit.
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include <QObject>
#include <QPixmap>

#include "app/ConverterApp.h"

namespace qv {

class CBatchHost;
class CDocTemplate;
class CDocument;
class CFileDialog;
class CFilterHost;
class CMainFrame;
class CQtMessageSink;
class CRecentFileList;
class CSingleInstance;
struct DqtSource;

struct StartOptions {
  std::vector<std::string> files;  // opened after start-up
  bool singleInstance = true;
  std::string instanceKey;         // "" : one instance per user
  int handOverMs = 3000;           // how long a second start tries to reach the first
  bool show = true;
};

// "--config DIR" and file names; false for a wrong command line.
bool ParseCommandLine(const std::vector<std::string>& args, std::string& configDir, StartOptions& options);

class CQuorvexApp : public QObject {
  Q_OBJECT
public:
  explicit CQuorvexApp(const std::string& configDir);
  ~CQuorvexApp() override;

  enum class StartResult { Running, OtherInstance, Failed };
  StartResult InitInstance(const StartOptions& options);
  // Saves the settings and releases what start-up created.
  void ExitInstance();

  CConverterApp& App() { return m_app; }
  CMainFrame* MainFrame() const { return m_pMainFrame; }
  CDocTemplate& Template() { return *m_pTemplate; }
  CRecentFileList& Recent() { return *m_pRecent; }
  CFileDialog& OpenDialog() { return *m_pOpenDialog; }
  CFileDialog& SaveDialog() { return *m_pSaveDialog; }
  CBatchHost& BatchHost() { return *m_pBatchHost; }
  CFilterHost& FilterHost() { return *m_pFilterHost; }
  CQtMessageSink& QtSink() { return *m_pSink; }
  const QPixmap& BackgroundTile() const { return m_tile; }
  bool BatchIdle() const;
  // Queues the load error just made, then shows every queued one in order,
  // outside a run and outside another report.
  void ReportLoadError();
  size_t PendingLoadErrors() const { return m_pendingLoadErrors.size(); }

  // ---- commands handled by the application ----
  void OnFileOpen();
  void OnFileMru(int index);
  void OnAppAbout();
  void OnBatchConvert();
  // 436: a file chosen in an open dialog of its own, shown in the marker
  // view, and opened as a document when the view saved it.
  void OnMarkerOpen();
  // The marker view on a path; 1 when it saved the file.
  int RunMarkerView(QWidget* parent, const std::string& path);
  // 441: the settings sheet; what it stored takes effect in the open windows.
  void OnSettings();
  // The open documents with their tables, for the DQT dialog's import list.
  std::vector<DqtSource> DqtSources() const;
  // 439: the JPEG bulk filter's dialog and run.
  void OnBulkFilter();

  // Opens the paths in ascending case-insensitive order, skipping paths
  // without a '.', each followed by the load-error report.
  void OpenFiles(const std::vector<std::string>& paths);
  // Opens one file as a visible document (or reloads the window that
  // already shows it) and adds it to the recent-file list. A pipe, device
  // or socket fails at once as an unopenable file.
  CDocument* OpenDocumentFile(const std::string& path);
  // The open dialog's bookkeeping: "ReadDir", "ReadFilterIdx", next folder.
  void RememberReadDir();
  // The save dialog's bookkeeping: "WriteDir", "WriteFilterIdx", next folder.
  void RememberWriteDir();

private slots:
  void OnOtherInstanceFiles(const QStringList& files);

private:
  void CreateFileDialogs();

  std::unique_ptr<CQtMessageSink> m_pSink;
  CConverterApp m_app;
  std::unique_ptr<CSingleInstance> m_pInstance;
  std::unique_ptr<CRecentFileList> m_pRecent;
  std::unique_ptr<CFileDialog> m_pOpenDialog;
  std::unique_ptr<CFileDialog> m_pSaveDialog;
  std::unique_ptr<CDocTemplate> m_pTemplate;
  std::unique_ptr<CBatchHost> m_pBatchHost;
  std::unique_ptr<CFilterHost> m_pFilterHost;
  CMainFrame* m_pMainFrame = nullptr;  // deleted at exit
  QPixmap m_tile;
  bool m_bExited = false;
  bool m_bReportBusy = false;
  struct PendingLoadError {
    int code;
    std::string name;
  };
  std::deque<PendingLoadError> m_pendingLoadErrors;
};

} // namespace qv
