#pragma once
// What the batch engine asks of the desktop program: a visible working
// document window, the progress dialog, the main status pane.
#include "batch/BatchEngine.h"
#include "batch/BatchRun.h"

namespace qv {

class CQuorvexApp;

class CBatchHost : public IBatchHost {
public:
  explicit CBatchHost(CQuorvexApp& app);

  CImageDoc* OpenWorkDocument(const std::string& title) override;
  void CloseWorkDocument(CImageDoc* doc) override;
  void UpdateViews(CImageDoc* doc) override;
  IBatchProgress* CreateProgress() override;
  void DestroyProgress(IBatchProgress* progress) override;
  void SetStatusText(const std::string& text) override;

  // The main window is closing: the run ends where it is, without its
  // count message.
  void AbandonRun();

  // The progress dialog while a run shows one.
  IBatchProgress* Progress() const { return m_pProgress; }
  // The run this host drives, idle between runs.
  CBatchRun& Run() { return m_run; }
  const CBatchRun& Run() const { return m_run; }

private:
  CQuorvexApp& m_app;
  CBatchRun m_run;
  IBatchProgress* m_pProgress = nullptr;
};

} // namespace qv
