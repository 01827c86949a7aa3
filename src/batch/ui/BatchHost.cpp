#include "batch/ui/BatchHost.h"

#include "app/ConverterApp.h"
#include "app/ui/DocTemplate.h"
#include "app/ui/Document.h"
#include "app/ui/MainFrame.h"
#include "app/ui/QuorvexApp.h"
#include "batch/BulkWorker.h"
#include "batch/ui/ProgressDlg.h"

namespace qv {

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
  auto* dlg = new CProgressDlg(nullptr);
  dlg->show();
  dlg->CentreOver(m_app.MainFrame());
  m_pProgress = dlg;
  return dlg;
}

void CBatchHost::DestroyProgress(IBatchProgress* progress) {
  if (progress == m_pProgress) m_pProgress = nullptr;
  delete static_cast<CProgressDlg*>(progress);
}

void CBatchHost::AbandonRun() {
  CConverterApp& app = m_app.App();
  if (app.batchWorker && app.batchWorker->m_pProgress) {
    DestroyProgress(app.batchWorker->m_pProgress);
    app.batchWorker->m_pProgress = nullptr;
  }
  app.batchWorker.reset();
  app.batchState = BS_IDLE;
  app.stepBusy = 0;
}

void CBatchHost::SetStatusText(const std::string& text) {
  if (CMainFrame* main = m_app.MainFrame()) main->SetInfoPaneText(QString::fromStdString(text));
}

} // namespace qv
