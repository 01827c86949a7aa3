#include "gui/BatchHost.h"

#include "app/ConverterApp.h"
#include "gui/DocTemplate.h"
#include "gui/Document.h"
#include "gui/MainFrame.h"
#include "gui/QuorvexApp.h"
#include "batch/ui/ProgressDlg.h"

namespace qv {

CBatchHost::CBatchHost(CQuorvexApp& app) : m_app(app), m_run(app.App()) {}

CImageDoc* CBatchHost::OpenWorkDocument(const std::string& title) {
  CDocument* doc = m_app.Template().OpenDocumentFile(nullptr, true);
  if (!doc) return nullptr;
  doc->SetTitle(title);
  return &doc->Doc();
}

void CBatchHost::CloseWorkDocument(CImageDoc* core) {
  // The run is over: the window goes even though it refused the user.
  if (CDocument* doc = m_app.Template().FindByCore(core)) doc->OnCloseDocument(true);
}

void CBatchHost::UpdateViews(CImageDoc* core) {
  if (CDocument* doc = m_app.Template().FindByCore(core)) doc->UpdateAllViews(nullptr);
}

IBatchProgress* CBatchHost::CreateProgress() {
  // Owned by the main window: a non-modal dialog that stays above it.
  auto* dlg = new CProgressDlg(m_app.MainFrame());
  dlg->show();
  dlg->CentreOver(m_app.MainFrame());
  m_pProgress = dlg;
  return dlg;
}

void CBatchHost::DestroyProgress(IBatchProgress* progress) {
  if (progress == m_pProgress) m_pProgress = nullptr;
  delete static_cast<CProgressDlg*>(progress);
}

void CBatchHost::AbandonRun() { m_run.Abandon(*this); }

void CBatchHost::SetStatusText(const std::string& text) {
  if (CMainFrame* main = m_app.MainFrame()) main->SetInfoPaneText(QString::fromStdString(text));
}

} // namespace qv
