#include "gui/QuorvexApp.h"

#include <cstdio>

#include <QApplication>
#include <QFileInfo>
#include <QScreen>

#include "app/AppHelpers.h"
#include "app/Extension.h"
#include "app/Settings.h"
#include "jpegmeta/CommentText.h"
#include "gui/AboutDlg.h"
#include "gui/AppTexts.h"
#include "gui/DocTemplate.h"
#include "gui/Document.h"
#include "gui/MainFrame.h"
#include "gui/RecentFileList.h"
#include "gui/Resources.h"
#include "gui/SingleInstance.h"
#include "batch/BatchEngine.h"
#include "batch/ui/BatchConvertDlg.h"
#include "jpegmeta/ui/MarkerViewDlg.h"
#include "gui/BatchHost.h"
#include "gui/FilterHost.h"
#include "platform/ui/FileDialog.h"
#include "platform/ui/HelpWindow.h"
#include "platform/ui/QtMessageSink.h"
#include "gui/CommandIds.h"
#include "gui/ImageView.h"
#include "platform/MessageSink.h"
#include "view/DqtForm.h"
#include "view/ui/SettingsSheet.h"

namespace qv {

bool ParseCommandLine(const std::vector<std::string>& args, std::string& configDir, StartOptions& options) {
  bool onlyFiles = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (!onlyFiles && a == "--") {
      onlyFiles = true;
    } else if (!onlyFiles && a == "--config") {
      if (i + 1 >= args.size()) return false;
      configDir = args[++i];
    } else if (!onlyFiles && a.compare(0, 9, "--config=") == 0) {
      if (a.size() == 9) return false;
      configDir = a.substr(9);
    } else if (!onlyFiles && a.size() > 1 && a[0] == '-') {
      return false;
    } else {
      options.files.push_back(a);
    }
  }
  return true;
}

CQuorvexApp::CQuorvexApp(const std::string& configDir)
    : m_pSink(std::make_unique<CQtMessageSink>()),
      m_app(configDir, *m_pSink),
      m_pTemplate(std::make_unique<CDocTemplate>(*this)),
      m_pBatchHost(std::make_unique<CBatchHost>(*this)),
      m_pFilterHost(std::make_unique<CFilterHost>(*this)) {}

CQuorvexApp::~CQuorvexApp() { ExitInstance(); }

CQuorvexApp::StartResult CQuorvexApp::InitInstance(const StartOptions& options) {
  std::vector<std::string> files;
  for (const std::string& f : options.files)
    files.push_back(QFile::encodeName(QFileInfo(QFile::decodeName(f.c_str())).absoluteFilePath()).toStdString());

  // A second start hands its files to the running one and shows nothing.
  // When nobody takes them, this start goes on and opens them itself: a
  // file asked for never goes missing.
  if (options.singleInstance) {
    m_pInstance = std::make_unique<CSingleInstance>(options.instanceKey);
    if (!m_pInstance->Acquire()) {
      if (m_pInstance->SendFiles(files, options.handOverMs)) {
        m_pInstance.reset();
        return StartResult::OtherInstance;
      }
      // The holder may have ended meanwhile; then this start takes its place.
      if (!m_pInstance->Acquire()) m_pInstance.reset();
    }
    if (m_pInstance)
      connect(m_pInstance.get(), &CSingleInstance::filesReceived, this, &CQuorvexApp::OnOtherInstanceFiles);
  }

  m_app.LoadSettings();
  if (QScreen* screen = QGuiApplication::primaryScreen()) m_app.m_displayDepth = screen->depth();
  m_pRecent = std::make_unique<CRecentFileList>(m_app.m_settings.MaxMRU);
  m_pRecent->Load(m_app.Profile());
  CreateFileDialogs();
  LoadDefaultComment(m_app, m_app.m_settings.DefaultCommentPath);

  m_pMainFrame = new CMainFrame(*this);
  m_pSink->SetOwner(m_pMainFrame);
  m_pOpenDialog->SetParent(m_pMainFrame);
  m_pSaveDialog->SetParent(m_pMainFrame);
  m_tile = ResourceBitmap(IDB_BACKGROUND_TILE);

  const CSettings& s = m_app.m_settings;
  if (s.RestoreWindowPos && s.WindowPosWidth > 0 && s.WindowPosHeight > 0 && s.WindowPosLeft != INT_MIN &&
      s.WindowPosTop != INT_MIN) {
    m_pMainFrame->RestoreOuterRect(QRect(s.WindowPosLeft, s.WindowPosTop, s.WindowPosWidth, s.WindowPosHeight));
  }
  if (options.show) m_pMainFrame->show();

  m_app.lastLoadError = LOADERR_NONE;

  // Files named on the command line open like dropped files; one that does
  // not load is reported and the program keeps running.
  for (const std::string& f : files) {
    OpenDocumentFile(f);
    ReportLoadError();
  }
  return StartResult::Running;
}

void CQuorvexApp::CreateFileDialogs() {
  const CSettings& s = m_app.m_settings;
  m_pOpenDialog = std::make_unique<CFileDialog>(CFileDialog::OpenMultiple, txt::kOpenFilter, nullptr);
  m_pOpenDialog->SetInitialDir(s.ReadDir);
  m_pOpenDialog->SetFilterIndex(s.ReadFilterIdx);
  m_pSaveDialog = std::make_unique<CFileDialog>(CFileDialog::Save, txt::kSaveFilter, nullptr);
  m_pSaveDialog->SetInitialDir(s.WriteDir);
  m_pSaveDialog->SetFilterIndex(s.WriteFilterIdx);
}

void CQuorvexApp::ExitInstance() {
  if (m_bExited) return;
  m_bExited = true;
  if (!BatchIdle()) m_pBatchHost->AbandonRun();
  if (m_pMainFrame) {
    m_app.SaveSettings();
    if (m_app.m_settings.SaveConfig && m_pRecent) {
      // A clear asked for in the settings holds even when no menu showed it.
      m_pRecent->ApplyPendingClear();
      m_pRecent->Save(m_app.Profile());
    }
  }
  m_pOpenDialog.reset();
  m_pSaveDialog.reset();
  m_pSink->SetOwner(nullptr);
  delete m_pMainFrame;
  m_pMainFrame = nullptr;
  // Closed documents and windows waiting for deletion go while the
  // application object they refer to still exists.
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  m_pInstance.reset();
}

bool CQuorvexApp::BatchIdle() const { return !m_pBatchHost || m_pBatchHost->Run().Idle(); }

void CQuorvexApp::ReportLoadError() {
  // Taken at once, so that the next failure cannot overwrite it.
  if (m_app.lastLoadError != LOADERR_NONE) {
    m_pendingLoadErrors.push_back({m_app.lastLoadError, m_app.loadErrorName});
    m_app.lastLoadError = LOADERR_NONE;
  }
  // A run shows only its own boxes: what failed meanwhile is shown when it
  // is back to idle (the timer asks after every step). A nested report (a
  // box's own event loop) leaves the rest to the outer one.
  // Nor while the bulk filter's run has the main window disabled: its box
  // could not be answered.
  if (m_bReportBusy || !BatchIdle() || m_pFilterHost->Running()) return;
  m_bReportBusy = true;
  while (!m_pendingLoadErrors.empty()) {
    const PendingLoadError e = m_pendingLoadErrors.front();
    m_pendingLoadErrors.pop_front();
    ShowLoadError(m_app.Messages(), e.code, e.name, false);
  }
  m_bReportBusy = false;
}

void CQuorvexApp::OnFileOpen() {
  CFileDialog& dlg = *m_pOpenDialog;
  dlg.SetFileName(std::string());
  std::vector<std::string> list;
  if (dlg.Run()) {
    for (const std::string& p : dlg.Paths())
      if (FindExtension(p) != kNoPosition) InsertSorted(list, p);
  }
  for (const std::string& p : list) {
    OpenDocumentFile(p);
    ReportLoadError();
  }
  RememberReadDir();
}

void CQuorvexApp::OpenFiles(const std::vector<std::string>& paths) {
  std::vector<std::string> list;
  for (const std::string& p : paths)
    if (FindExtension(p) != kNoPosition) InsertSorted(list, p);
  for (const std::string& p : list) {
    OpenDocumentFile(p);
    ReportLoadError();
  }
}

void CQuorvexApp::OnFileMru(int index) {
  if (!m_pRecent || index < 0 || index >= m_pRecent->Size()) return;
  const std::string path = m_pRecent->Path(index);
  CDocument* doc = OpenDocumentFile(path);
  // A path already open was reloaded in its window: the entry stays.
  if (!doc && !m_pTemplate->FindByPath(path)) m_pRecent->Remove(index);
  ReportLoadError();
  if (m_pMainFrame) m_pMainFrame->OnDocumentListChanged();
}

CDocument* CQuorvexApp::OpenDocumentFile(const std::string& path) {
  // Every way in (dialog, recent list, command line, drop, a second start)
  // comes here. A pipe would hang the window in its open and a device might
  // never end; they get the open-failure text at once. Missing files and
  // folders take the usual way, which reports them just as fast.
  if (IsSpecialFile(path)) {
    m_app.lastLoadError = LOADERR_OPEN;
    m_app.loadErrorName = path;
    return nullptr;
  }
  return m_pTemplate->OpenDocumentFile(&path, true);
}

void CQuorvexApp::RememberReadDir() {
  CSettings& s = m_app.m_settings;
  s.ReadDir = m_pOpenDialog->Folder();
  s.ReadFilterIdx = m_pOpenDialog->FilterIndex();
  m_pOpenDialog->SetInitialDir(s.ReadDir);
}

void CQuorvexApp::RememberWriteDir() {
  CSettings& s = m_app.m_settings;
  s.WriteDir = m_pSaveDialog->Folder();
  s.WriteFilterIdx = m_pSaveDialog->FilterIndex();
  m_pSaveDialog->SetInitialDir(s.WriteDir);
}

void CQuorvexApp::OnAppAbout() {
  CAboutDlg dlg(m_pMainFrame);
  dlg.exec();
}

void CQuorvexApp::OnBatchConvert() {
  if (!BatchIdle()) return;
  CBatchConvertDlg dlg(m_app, m_pMainFrame);
  if (dlg.exec() != QDialog::Accepted || !dlg.HasRun()) return;
  // The timer takes it from here, one file per step.
  m_pBatchHost->Run().Start(dlg.Request());
}

void CQuorvexApp::OnMarkerOpen() {
  CFileDialog dlg(CFileDialog::Open, txt::kMarkerOpenFilter, m_pMainFrame);
  dlg.SetTitle(txt::kMarkerOpenTitle);
  dlg.SetInitialDir(m_app.m_settings.ReadDir);
  if (!dlg.Run()) return;
  const std::string path = dlg.Path();
  if (path.empty() || RunMarkerView(m_pMainFrame, path) != 1) return;
  OpenDocumentFile(path);
  ReportLoadError();
}

int CQuorvexApp::RunMarkerView(QWidget* parent, const std::string& path) {
  const std::string& temp = m_app.m_settings.TempDir;
  return RunMarkerViewDialog(parent, path, m_app.Messages(), temp.empty() ? SystemTempDirectory() : temp,
                             ShowHelpTopic);
}

std::vector<DqtSource> CQuorvexApp::DqtSources() const {
  std::vector<DqtSource> list;
  for (CDocument* doc : m_pTemplate->Documents()) {
    DqtSource s;
    s.title = doc->Title();
    s.fileType = doc->Doc().m_nFileType;
    s.tables[0] = doc->Doc().m_dqt[0];
    s.tables[1] = doc->Doc().m_dqt[1];
    list.push_back(s);
  }
  return list;
}

void CQuorvexApp::OnSettings() {
  SettingsSheetHost host;
  host.clearRecent = [this] {
    // Every slot's key goes from the profile now; the list in memory
    // empties when its menu is next shown.
    CRecentFileList(kMaxRecentFiles).Save(m_app.Profile());
    if (m_pRecent) m_pRecent->RequestClear();
  };
  host.help = ShowHelpTopic;
  host.documents = DqtSources();
  if (QScreen* screen = QGuiApplication::primaryScreen()) host.screenDepth = screen->depth();
  RunSettingsSheet(m_pMainFrame, m_app, std::move(host));
  // The views stretch by the half-tone setting as they paint.
  for (CDocument* doc : m_pTemplate->Documents())
    for (CImageView* view : doc->Views()) view->viewport()->update();
  if (m_pMainFrame) m_pMainFrame->updateActions();
}

void CQuorvexApp::OnBulkFilter() {
  // A batch run's boxes would come up over the filter's disabled window.
  if (!BatchIdle()) return;
  m_pFilterHost->OnBulkFilter();
}

void CQuorvexApp::OnOtherInstanceFiles(const QStringList& files) {
  for (const QString& f : files) {
    OpenDocumentFile(QFile::encodeName(f).toStdString());
    ReportLoadError();
  }
  if (m_pMainFrame) {
    if (m_pMainFrame->isMinimized()) m_pMainFrame->showNormal();
    m_pMainFrame->raise();
    m_pMainFrame->activateWindow();
  }
}

} // namespace qv
