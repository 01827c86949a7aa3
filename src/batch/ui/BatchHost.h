#pragma once
// What the batch engine asks of the desktop program: a visible working
// document window, the progress dialog, the main status pane.
#include "batch/BatchEngine.h"

namespace qv {

class CQuorvexApp;

class CBatchHost : public IBatchHost {
public:
  explicit CBatchHost(CQuorvexApp& app) : m_app(app) {}

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

private:
  CQuorvexApp& m_app;
  IBatchProgress* m_pProgress = nullptr;
};

} // namespace qv
