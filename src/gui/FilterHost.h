#pragma once
// Command 439, the JPEG bulk filter, in the desktop program: its settings
// dialog, then the run inside the command with the progress dialog, the
// main window disabled and the event loop pumped between files.
#include <functional>
#include <memory>

#include <QObject>

namespace qv {

class CProgressDlg;
class CQuorvexApp;
struct CBulkFilterSettings;

class CFilterHost : public QObject {
  Q_OBJECT
public:
  explicit CFilterHost(CQuorvexApp& app);
  ~CFilterHost() override;

  // The settings dialog and, after its OK, the run.
  void OnBulkFilter();
  // Counts, filters and shows the closing message; false when the run did
  // not start or did not finish (aborted, a file failed).
  bool Run(const CBulkFilterSettings& settings);

  bool Running() const { return m_bRunning; }
  // The progress dialog while a run shows one.
  CProgressDlg* Progress() const { return m_pProgress.get(); }
  // Called after every pass of the event loop during a run.
  std::function<void()> onPump;

protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

private:
  bool Pump();

  CQuorvexApp& m_app;
  std::unique_ptr<CProgressDlg> m_pProgress;
  bool m_bRunning = false;
  bool m_bQuit = false;  // the user closed the program during the run
};

} // namespace qv
