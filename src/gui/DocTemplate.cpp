#include "gui/DocTemplate.h"

#include <cstdio>

#include <QMdiArea>

#include "app/Extension.h"
#include "gui/ChildFrame.h"
#include "gui/Document.h"
#include "gui/MainFrame.h"
#include "gui/QuorvexApp.h"
#include "gui/ImageView.h"

namespace qv {

CDocTemplate::CDocTemplate(CQuorvexApp& app) : m_app(app) {}

CDocTemplate::~CDocTemplate() {
  for (CDocument* d : m_docs) delete d;
}

CDocument* CDocTemplate::OpenDocumentFile(const std::string* path, bool visible) {
  auto* doc = new CDocument(m_app);
  const int ok = path ? doc->OnOpenDocument(*path) : doc->OnNewDocument();
  if (!ok) {
    delete doc;
    return nullptr;
  }
  m_docs.push_back(doc);
  if (path) {
    doc->SetPathName(*path, true);
  } else {
    static int untitled = 0;
    char title[32];
    std::snprintf(title, sizeof title, "Image%d", ++untitled);
    doc->SetTitle(title);
  }
  CChildFrame* frame = CreateNewFrame(*doc);
  if (frame) InitialUpdateFrame(frame, visible);
  if (CMainFrame* main = m_app.MainFrame()) main->OnDocumentListChanged();
  return doc;
}

CChildFrame* CDocTemplate::CreateNewFrame(CDocument& doc) {
  CMainFrame* main = m_app.MainFrame();
  if (!main) return nullptr;
  QMdiArea* mdi = main->MdiArea();
  auto* frame = new CChildFrame(m_app, doc);
  mdi->addSubWindow(frame);
  // New windows take three quarters of the client area, each placed a
  // caption's height below and right of the one before.
  const QSize area = mdi->viewport()->size();
  const int step = 26;
  const int k = static_cast<int>(mdi->subWindowList().size() - 1) % 8;
  frame->resize(qMax(200, area.width() * 3 / 4), qMax(150, area.height() * 3 / 4));
  frame->move(k * step, k * step);
  return frame;
}

void CDocTemplate::InitialUpdateFrame(CChildFrame* frame, bool visible) {
  if (visible) frame->show();
  frame->View()->OnInitialUpdate();
  if (visible) {
    if (QMdiArea* mdi = frame->mdiArea()) mdi->setActiveSubWindow(frame);
    frame->View()->setFocus();
  }
}

std::vector<CDocument*> CDocTemplate::Documents() const { return m_docs; }

CDocument* CDocTemplate::FindByPath(const std::string& path, const CDocument* except) const {
  if (path.empty()) return nullptr;
  for (CDocument* d : m_docs)
    if (d != except && !d->PathName().empty() && CompareNoCase(d->PathName(), path) == 0) return d;
  return nullptr;
}

CDocument* CDocTemplate::FindByCore(const CImageDoc* core) const {
  for (CDocument* d : m_docs)
    if (&d->Doc() == core) return d;
  return nullptr;
}

void CDocTemplate::CloseAllDocuments(bool force) {
  const std::vector<CDocument*> docs = m_docs;
  for (CDocument* d : docs) d->OnCloseDocument(force);
}

void CDocTemplate::RemoveDocument(CDocument* doc) {
  for (auto it = m_docs.begin(); it != m_docs.end(); ++it) {
    if (*it == doc) {
      m_docs.erase(it);
      break;
    }
  }
  doc->deleteLater();
  if (CMainFrame* main = m_app.MainFrame()) main->OnDocumentListChanged();
}

} // namespace qv
