#include "gui/ChildFrame.h"

#include <QAction>
#include <QCloseEvent>
#include <QLabel>
#include <QMenu>
#include <QStatusBar>
#include <QVBoxLayout>

#include "gui/AppTexts.h"
#include "gui/BatchHost.h"
#include "gui/Document.h"
#include "gui/MainFrame.h"
#include "gui/QuorvexApp.h"
#include "gui/Resources.h"
#include "gui/ImageView.h"

namespace qv {
namespace {

QLabel* MakePane(QWidget* parent) {
  auto* pane = new QLabel(parent);
  pane->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  pane->setTextFormat(Qt::PlainText);
  return pane;
}

} // namespace

CChildFrame::CChildFrame(CQuorvexApp& app, CDocument& doc, QWidget* parent)
    : QMdiSubWindow(parent), m_app(app), m_doc(doc) {
  setAttribute(Qt::WA_DeleteOnClose);
  auto* body = new QWidget(this);
  auto* layout = new QVBoxLayout(body);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  m_pView = new CImageView(app, doc, body);
  layout->addWidget(m_pView, 1);

  m_pStatusBar = new QStatusBar(body);
  m_pStatusBar->setSizeGripEnabled(false);
  m_pPane0 = MakePane(m_pStatusBar);
  m_pPane1 = MakePane(m_pStatusBar);
  m_pPane1->setAlignment(Qt::AlignCenter);
  // The zoom pane is as wide as the widest zoom text.
  m_pPane1->setMinimumWidth(m_pPane1->fontMetrics().horizontalAdvance(QString::fromUtf8(txt::kZoomPaneSizer)) + 12);
  m_pStatusBar->addWidget(m_pPane0, 1);
  m_pStatusBar->addPermanentWidget(m_pPane1);
  layout->addWidget(m_pStatusBar);
  setWidget(body);

  // Qt gives the system menu's Close the platform's close key only (Ctrl+W
  // under X11); Ctrl+F4 is the key the menu names, so it goes first there.
  if (QAction* close = SystemMenuClose()) close->setShortcuts(CloseKeys());
  // The batch working document's window cannot be closed by the user.
  if (app.BatchHost().Run().batchState == BS_START) {
    m_bCloseGreyed = true;
    // As on the original platform, a greyed Close also takes the caption's
    // close button.
    setWindowFlags(Qt::SubWindow | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinMaxButtonsHint);
    if (QAction* close = SystemMenuClose()) close->setEnabled(false);
  }
  CMainFrame* main = app.MainFrame();
  ShowStatusBar(main ? main->IsStatusBarShown() : true);
  UpdateTitle();
  connect(&doc, &CDocument::titleChanged, this, &CChildFrame::UpdateTitle);
  // Maximising and restoring change the main caption's form.
  connect(this, &QMdiSubWindow::windowStateChanged, this, [this] {
    if (CMainFrame* frame = m_app.MainFrame()) frame->UpdateCaption();
  });
}

CChildFrame::~CChildFrame() {
  // The base class still reports its state while it is destroyed, when this
  // object's members are gone.
  disconnect(this, &QMdiSubWindow::windowStateChanged, nullptr, nullptr);
}

QList<QKeySequence> CChildFrame::CloseKeys() {
  return {QKeySequence(Qt::CTRL | Qt::Key_F4), QKeySequence(Qt::CTRL | Qt::Key_W)};
}

QAction* CChildFrame::SystemMenuClose() const {
  const QList<QAction*> items = systemMenu() ? systemMenu()->actions() : QList<QAction*>();
  for (auto it = items.rbegin(); it != items.rend(); ++it)
    if (!(*it)->isSeparator()) return *it;
  return nullptr;
}

void CChildFrame::SetFrameIcon(int resourceId) {
  if (resourceId == m_nIconId) return;
  m_nIconId = resourceId;
  setWindowIcon(ResourceIcon(resourceId));
}

void CChildFrame::SetStatusText(const QString& text) { m_pPane0->setText(text); }

void CChildFrame::SetPaneText(int pane, const QString& text) {
  if (pane == 0)
    m_pPane0->setText(text);
  else if (pane == 1)
    m_pPane1->setText(text);
}

QString CChildFrame::PaneText(int pane) const {
  return pane == 0 ? m_pPane0->text() : pane == 1 ? m_pPane1->text() : QString();
}

void CChildFrame::ShowStatusBar(bool show) { m_pStatusBar->setVisible(show); }

void CChildFrame::UpdateTitle() {
  setWindowTitle(QString::fromStdString(m_doc.Title()));
  if (CMainFrame* main = m_app.MainFrame()) main->UpdateCaption();
}

void CChildFrame::closeEvent(QCloseEvent* event) {
  if (!m_bClosingByDoc) {
    if (m_doc.IsBatchWorkDocument()) {
      event->ignore();
      return;
    }
    m_bClosingByDoc = true;
    m_doc.OnCloseDocument(false);
  }
  QMdiSubWindow::closeEvent(event);
}

} // namespace qv
