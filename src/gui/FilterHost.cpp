#include "gui/FilterHost.h"

#include <cstdio>

#include <QApplication>
#include <QCloseEvent>
#include <QProgressBar>
#include <QTimer>
#include <QWindow>

#include "app/ConverterApp.h"
#include "batch/ui/ProgressDlg.h"
#include "gui/AppTexts.h"
#include "gui/MainFrame.h"
#include "gui/QuorvexApp.h"
#include "jpegmeta/BulkFilter.h"
#include "jpegmeta/ui/BulkFilterDlg.h"
#include "platform/MessageSink.h"
#include "platform/Progress.h"
#include "platform/ui/HelpWindow.h"

namespace qv {
namespace {

// The filter sets the bar's range once the count is done: that is when the
// first line changes from searching to converting.
// Escape hides the dialog without Abort; a run whose dialog is gone could
// no longer be stopped, so that counts as Abort too.
class CFilterProgress : public IBatchProgress {
public:
  explicit CFilterProgress(CProgressDlg& dlg) : m_dlg(dlg) {
    QObject::connect(&dlg, &QDialog::rejected, &dlg, [this] { m_bDismissed = true; });
  }
  void SetRange(int total) override {
    m_dlg.SetTitleLine(QString::fromUtf8(txt::kFilterConverting));
    m_dlg.SetRange(total);
  }
  void SetFileName(const std::string& name) override { m_dlg.SetFileName(name); }
  void SetCounter(const std::string& text) override { m_dlg.SetCounter(text); }
  void StepIt() override { m_dlg.StepIt(); }
  bool AbortRequested() const override { return m_dlg.AbortRequested() || m_bDismissed; }

private:
  CProgressDlg& m_dlg;
  bool m_bDismissed = false;
};

// A box owned by a disabled window could not be answered: the main window
// is enabled for the box (which blocks it anyway) and disabled again. After
// the user closed the program nothing more is asked.
class CRunSink : public IMessageSink {
public:
  CRunSink(IMessageSink& out, QWidget* main, const bool& quitting) : m_out(out), m_main(main), m_quitting(quitting) {}
  int MessageBox(const std::string& text, const std::string& caption, unsigned style) override {
    if (m_quitting) return (style & 0x0Fu) == MB_OK ? IDOK : IDCANCEL;
    if (m_main) m_main->setEnabled(true);
    const int answer = m_out.MessageBox(text, caption, style);
    if (m_main) m_main->setEnabled(false);
    return answer;
  }

private:
  IMessageSink& m_out;
  QWidget* m_main;
  const bool& m_quitting;
};

} // namespace

CFilterHost::CFilterHost(CQuorvexApp& app) : m_app(app) {}

CFilterHost::~CFilterHost() = default;

void CFilterHost::OnBulkFilter() {
  if (m_bRunning) return;
  CBulkFilterDlg dlg(m_app.App(), m_app.MainFrame(), ShowHelpTopic);
  if (dlg.exec() != QDialog::Accepted) return;
  Run(dlg.Settings());
}

bool CFilterHost::Run(const CBulkFilterSettings& settings) {
  if (m_bRunning) return false;
  m_bRunning = true;
  m_bQuit = false;
  CMainFrame* main = m_app.MainFrame();

  // No Qt parent: a disabled main window would disable its children, Abort
  // among them. It still stays above the main window.
  m_pProgress = std::make_unique<CProgressDlg>(nullptr);
  CProgressDlg& dlg = *m_pProgress;
  dlg.SetTitleLine(QString::fromUtf8(txt::kFilterSearching));
  dlg.Bar()->setValue(0);
  dlg.show();
  if (main && main->windowHandle() && dlg.windowHandle()) dlg.windowHandle()->setTransientParent(main->windowHandle());
  dlg.CentreOver(main);
  if (main) {
    main->setEnabled(false);
    main->installEventFilter(this);
  }
  qApp->installEventFilter(this);

  CFilterProgress progress(dlg);
  CRunSink sink(m_app.App().Messages(), main, m_bQuit);
  CBulkFilter filter(m_app.App().m_settings, sink, settings);
  filter.m_pProgress = &progress;
  filter.pump = [this] { return Pump(); };
  const bool ok = filter.RunCommand();

  qApp->removeEventFilter(this);
  if (main) {
    main->removeEventFilter(this);
    main->setEnabled(true);
  }
  m_pProgress.reset();
  m_bRunning = false;
  // The close asked for during the run happens now that it is over.
  if (m_bQuit && main) QTimer::singleShot(0, main, &QWidget::close);
  return ok;
}

bool CFilterHost::Pump() {
  QCoreApplication::processEvents(QEventLoop::AllEvents);
  if (onPump) onPump();
  return !m_bQuit;
}

bool CFilterHost::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::Close && watched == m_app.MainFrame()) {
    // The main window goes only after the run: its documents and settings
    // are closed and saved by the ordinary close.
    event->ignore();
    m_bQuit = true;
    return true;
  }
  if (event->type() == QEvent::Quit && watched == qApp) m_bQuit = true;
  return QObject::eventFilter(watched, event);
}

} // namespace qv
