#include "gui/MainFrame.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QStyle>
#include <QStyleOptionTitleBar>
#include <QTimer>
#include <QWindow>

#include "gui/AppTexts.h"
#include "gui/ChildFrame.h"
#include "gui/ControlToolBar.h"
#include "gui/CommandIds.h"
#include "gui/DocTemplate.h"
#include "gui/Document.h"
#include "gui/QuorvexApp.h"
#include "gui/RecentFileList.h"
#include "gui/Resources.h"
#include "batch/BatchEngine.h"
#include "gui/BatchHost.h"
#include "gui/FilterHost.h"
#include "jpegmeta/ui/ExifInfoWnd.h"
#include "image/ImageDoc.h"
#include "platform/MessageSink.h"
#include "platform/ui/HelpWindow.h"
#include "gui/ImageView.h"
#include "gui/ViewCommandIds.h"

namespace qv {
namespace {

// Commands without a menu entry that the frame still carries.
const int kHiddenCommands[] = {ID_EDIT_PASTE,    ID_EDIT_CLEAR_ALL, ID_SETTINGS,      ID_EXIF_WINDOW,
                               ID_HELP_INDEX,    ID_HELP_FINDER,    ID_NOTHING_442,   ID_NOTHING_1320,
                               ID_NOTHING_1321,  ID_NOTHING_1322,   ID_SYNC_VIEWS,    ID_ZOOM_SELECTION,
                               ID_FILE_SAVE_AS,  ID_EDIT_COPY};

QString Utf8(const char* s) { return QString::fromUtf8(s); }

// Converts a clipboard picture into the document's pixel buffer: indexed
// pictures keep their palette, everything else becomes 24-bit rows.
bool ImageToBuffer(const QImage& source, CDibBitmap& bitmap) {
  const int w = source.width(), h = source.height();
  if (w <= 0 || h <= 0) return false;
  if (source.format() == QImage::Format_Indexed8 && source.colorCount() > 0 && source.colorCount() <= 256) {
    const int n = static_cast<int>(source.colorCount());
    const int64_t stride = DibStride(w, 8);
    std::vector<uint8_t> dib(sizeof(BitmapInfoHeader) + static_cast<size_t>(n) * 4 +
                             static_cast<size_t>(stride * h));
    BitmapInfoHeader hdr{};
    hdr.biSize = sizeof(BitmapInfoHeader);
    hdr.biWidth = w;
    hdr.biHeight = h;
    hdr.biPlanes = 1;
    hdr.biBitCount = 8;
    hdr.biCompression = BI_RGB;
    hdr.biClrUsed = static_cast<uint32_t>(n);
    std::memcpy(dib.data(), &hdr, sizeof hdr);
    auto* colors = reinterpret_cast<RgbQuad*>(dib.data() + sizeof hdr);
    for (int i = 0; i < n; ++i) {
      const QRgb c = source.color(i);
      colors[i] = RgbQuad{static_cast<uint8_t>(qBlue(c)), static_cast<uint8_t>(qGreen(c)),
                          static_cast<uint8_t>(qRed(c)), 0};
    }
    uint8_t* bits = dib.data() + sizeof hdr + static_cast<size_t>(n) * 4;
    for (int y = 0; y < h; ++y)
      std::memcpy(bits + (h - 1 - y) * stride, source.constScanLine(y), static_cast<size_t>(w));
    return bitmap.AttachDib(reinterpret_cast<const BitmapInfoHeader*>(dib.data()), nullptr);
  }
  const QImage rgb = source.convertToFormat(QImage::Format_BGR888);
  const int64_t stride = DibStride(w, 24);
  PixelBytes rows(static_cast<size_t>(stride * h));
  for (int y = 0; y < h; ++y)
    std::memcpy(rows.data() + (h - 1 - y) * stride, rgb.constScanLine(y), static_cast<size_t>(w) * 3);
  return bitmap.AdoptRows(w, h, kColorTrue, std::move(rows));
}

} // namespace

CMainFrame::CMainFrame(CQuorvexApp& app) : m_app(app) {
  setWindowTitle(Utf8(txt::kAppTitle));
  setWindowIcon(ResourceIcon(IDI_APPLICATION_ICON));
  m_pMdiArea = new QMdiArea(this);
  m_pMdiArea->setBackground(QColor(0xab, 0xab, 0xab));
  m_pMdiArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  m_pMdiArea->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  setCentralWidget(m_pMdiArea);
  connect(m_pMdiArea, &QMdiArea::subWindowActivated, this, &CMainFrame::OnSubWindowActivated);

  m_pInfoPane = new QLabel(Utf8(txt::kInfoPaneInitial), this);
  m_pInfoPane->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  m_pInfoPane->setTextFormat(Qt::PlainText);
  // The initial text gives the pane its width.
  m_pInfoPane->setMinimumWidth(m_pInfoPane->sizeHint().width());
  statusBar()->addPermanentWidget(m_pInfoPane);
  statusBar()->showMessage(Utf8(txt::kIdleMessage));

  CreateActions();
  BuildMenus(IDR_MAINFRAME);
  m_pToolBar = new CControlToolBar(*this, m_app);
  setAcceptDrops(true);
  resize(1000, 720);

  // Timer 1: the first tick after a second, then every 100 ms.
  m_pTimer = new QTimer(this);
  m_pTimer->setSingleShot(true);
  connect(m_pTimer, &QTimer::timeout, this, &CMainFrame::OnTimerTick);
  m_pTimer->start(1000);

  connect(QGuiApplication::clipboard(), &QClipboard::dataChanged, this, &CMainFrame::OnClipboardChanged);
  updateActions();
}

CMainFrame::~CMainFrame() {
  m_bClosing = true;
  // Frames go before the frame object: their views call back into it.
  delete m_pMdiArea;
  m_pMdiArea = nullptr;
}

void CMainFrame::CreateActions() {
  auto make = [this](int id, const QString& text) {
    if (m_actions.count(id)) return m_actions[id];
    auto* a = new QAction(text, this);
    a->setProperty("cmdId", id);
    a->setStatusTip(QString::fromStdString(CommandPromptLine(id)));
    connect(a, &QAction::triggered, this, [this, id] { OnCommand(id); });
    addAction(a);  // accelerators work whichever menu is shown
    m_actions[id] = a;
    return a;
  };
  for (int menuId : {IDR_IMAGETYPE, IDR_MAINFRAME})
    for (const MenuDef& m : MenuResource(menuId))
      for (const MenuItemDef& item : m.items)
        if (item.id != 0 && item.id != ID_FILE_MRU_FIRST) make(item.id, Utf8(item.text));
  for (int id : kHiddenCommands) make(id, QString());
  for (int id : CControlToolBar::Commands()) make(id, QString());
  for (int id = ID_ZOOM_RATE_FIRST; id <= ID_ZOOM_RATE_LAST; ++id) make(id, QString());
  for (const AccelDef& acc : Accelerators())
    if (QAction* a = Action(acc.id)) a->setShortcut(QKeySequence(QString::fromLatin1(acc.keys)));
  for (const AccelDef& acc : StandardKeys())
    if (QAction* a = Action(acc.id)) a->setShortcut(QKeySequence(QString::fromLatin1(acc.keys)));
  // Ctrl+F4 is the document window's own key (its system menu's Close),
  // as on the original platform; the menu only names it.
  m_actions[ID_VIEW_STATUS_BAR]->setCheckable(true);
}

QAction* CMainFrame::Action(int id) const {
  auto it = m_actions.find(id);
  if (it != m_actions.end()) return it->second;
  auto r = m_recentActions.find(id);
  return r != m_recentActions.end() ? r->second : nullptr;
}

void CMainFrame::BuildMenus(int menuId) {
  m_nMenuId = menuId;
  const QList<QAction*> old = menuBar()->actions();
  menuBar()->clear();
  for (QAction* a : old)
    if (QMenu* m = a->menu()) m->deleteLater();
  for (const MenuDef& def : MenuResource(menuId)) {
    QMenu* menu = menuBar()->addMenu(Utf8(def.title));
    bool hasRecent = false;
    for (const MenuItemDef& item : def.items) {
      if (item.id == 0) {
        menu->addSeparator();
      } else if (item.id == ID_FILE_MRU_FIRST) {
        hasRecent = true;
        menu->addAction(Utf8(txt::kRecentPlaceholder))->setProperty("recentSlot", true);
      } else {
        menu->addAction(m_actions[item.id]);
      }
    }
    if (hasRecent) {
      FillRecentItems(menu);
      connect(menu, &QMenu::aboutToShow, this, [this, menu] { FillRecentItems(menu); });
    }
    connect(menu, &QMenu::aboutToShow, this, &CMainFrame::updateActions);
  }
}

// The "Recent" item stands for the list: one item per entry, or the item
// itself, greyed, while the list is empty.
void CMainFrame::FillRecentItems(QMenu* menu) {
  CRecentFileList& recent = m_app.Recent();
  recent.ApplyPendingClear();
  QAction* before = nullptr;
  QList<QAction*> stale;
  for (QAction* a : menu->actions()) {
    if (a->property("recentSlot").toBool()) {
      stale << a;
    } else if (!stale.isEmpty() && !before) {
      before = a;
    }
  }
  for (QAction* a : stale) {
    menu->removeAction(a);
    if (a->parent() == menu || a->parent() == this) a->deleteLater();
  }
  m_recentActions.clear();
  if (recent.Size() == 0) {
    QAction* a = new QAction(Utf8(txt::kRecentPlaceholder), menu);
    a->setProperty("recentSlot", true);
    a->setProperty("cmdId", static_cast<int>(ID_FILE_MRU_FIRST));
    a->setEnabled(false);
    menu->insertAction(before, a);
    return;
  }
  for (int i = 0; i < recent.Size(); ++i) {
    const int id = ID_FILE_MRU_FIRST + i;
    QAction* a = new QAction(QString::fromStdString(recent.MenuText(i)), menu);
    a->setProperty("recentSlot", true);
    a->setProperty("cmdId", id);
    a->setStatusTip(QString::fromStdString(CommandPromptLine(id)));
    connect(a, &QAction::triggered, this, [this, id] { OnCommand(id); });
    menu->insertAction(before, a);
    m_recentActions[id] = a;
  }
}

CChildFrame* CMainFrame::ActiveChild() const {
  if (!m_pMdiArea) return nullptr;
  return qobject_cast<CChildFrame*>(m_pMdiArea->currentSubWindow());
}

CImageView* CMainFrame::ActiveView() const {
  CChildFrame* f = ActiveChild();
  return f ? f->View() : nullptr;
}

CDocument* CMainFrame::ActiveDocument() const {
  CChildFrame* f = ActiveChild();
  return f ? &f->Document() : nullptr;
}

void CMainFrame::UpdateInfoTexts(CDocument* doc) {
  if (!doc) doc = ActiveDocument();
  if (doc && !doc->IsClosing()) {
    SetInfoPaneText(QString::fromStdString(doc->Doc().m_strDescription));
    if (m_pExifWnd) m_pExifWnd->ShowDocument(doc->Title(), &doc->Doc().m_exifBlock);
  } else {
    SetInfoPaneText(Utf8(txt::kNoInfo));
    if (m_pExifWnd) m_pExifWnd->ShowDocument(txt::kNoInfo, nullptr);
  }
}

void CMainFrame::OnExifWindow() {
  if (m_pExifWnd) {
    DestroyExifWindow();
    return;
  }
  m_pExifWnd = new CExifInfoWnd(this);
  connect(m_pExifWnd.data(), &CExifInfoWnd::closeRequested, this, [this] {
    DestroyExifWindow();
    updateActions();
  });
  m_pExifWnd->ShowBesideParent();
  if (CDocument* doc = ActiveDocument())
    if (!doc->IsClosing()) m_pExifWnd->ShowDocument(doc->Title(), &doc->Doc().m_exifBlock);
}

CExifInfoWnd* CMainFrame::ExifWindow() const { return m_pExifWnd.data(); }

void CMainFrame::DestroyExifWindow() {
  if (!m_pExifWnd) return;
  m_pExifWnd->hide();
  m_pExifWnd->deleteLater();
  m_pExifWnd = nullptr;
}

void CMainFrame::SetInfoPaneText(const QString& text) {
  m_pInfoPane->setText(text);
  m_pInfoPane->repaint();
}

QString CMainFrame::InfoPaneText() const { return m_pInfoPane->text(); }

QString CMainFrame::MessagePaneText() const { return statusBar()->currentMessage(); }

bool CMainFrame::IsStatusBarShown() const { return !statusBar()->isHidden(); }

bool CMainFrame::ClipboardHasImage() const {
  const QMimeData* md = QGuiApplication::clipboard()->mimeData();
  return md && md->hasImage();
}

void CMainFrame::updateActions() {
  const bool idle = m_app.BatchIdle();
  CImageView* view = ActiveView();
  CDocument* doc = ActiveDocument();
  const bool anyChild = m_pMdiArea && !m_pMdiArea->subWindowList().isEmpty();
  for (auto& [id, action] : m_actions) {
    CmdUI ui;
    switch (id) {
    case ID_FILE_OPEN:
    case ID_APP_EXIT:
    case ID_CLOSE_ALL:
    case ID_HELP_INDEX:
    case ID_HELP_FINDER:
    case ID_NOTHING_442:
    case ID_NOTHING_1320:
    case ID_NOTHING_1321:
    case ID_NOTHING_1322:
      break;
    case ID_WINDOW_CASCADE:
    case ID_WINDOW_TILE_HORZ:
    case ID_WINDOW_TILE_VERT:
      ui.enabled = anyChild;
      break;
    case ID_FILE_CLOSE:
      ui.enabled = doc && !doc->IsBatchWorkDocument();
      break;
    case ID_BATCH_CONVERT:
    case ID_APP_ABOUT:
      ui.enabled = idle;
      break;
    case ID_VIEW_STATUS_BAR:
      ui.checkable = true;
      ui.checked = IsStatusBarShown();
      break;
    case ID_EDIT_PASTE:
    case ID_EDIT_CLEAR_ALL:
      ui.enabled = ClipboardHasImage();
      break;
    case ID_VIEW_TOOLBAR:
      ui.checkable = true;
      ui.checked = IsToolBarShown();
      break;
    case ID_MARKER_OPEN:
    case ID_SETTINGS:
      break;
    case ID_EXIF_WINDOW:
      ui.checkable = true;
      ui.checked = m_pExifWnd != nullptr;
      break;
    case ID_BULK_FILTER:
      ui.enabled = idle && !m_app.FilterHost().Running();
      break;
    default:
      if (!view || !view->UpdateCommand(id, ui)) ui.enabled = false;
      break;
    }
    action->setEnabled(ui.enabled);
    action->setCheckable(ui.checkable);
    if (ui.checkable) action->setChecked(ui.checked);
    if (ui.hasText) action->setText(ui.text);
  }
}

void CMainFrame::OnCommand(int id) {
  if (id >= ID_FILE_MRU_FIRST && id <= ID_FILE_MRU_LAST) {
    m_app.OnFileMru(id - ID_FILE_MRU_FIRST);
    updateActions();
    return;
  }
  switch (id) {
  case ID_FILE_OPEN: m_app.OnFileOpen(); break;
  case ID_FILE_CLOSE:
    if (CDocument* doc = ActiveDocument()) doc->OnCloseDocument(false);
    break;
  case ID_APP_EXIT: close(); break;
  case ID_BATCH_CONVERT: m_app.OnBatchConvert(); break;
  case ID_MARKER_OPEN: m_app.OnMarkerOpen(); break;
  case ID_EXIF_WINDOW: OnExifWindow(); break;
  case ID_BULK_FILTER: m_app.OnBulkFilter(); break;
  case ID_APP_ABOUT: m_app.OnAppAbout(); break;
  case ID_SETTINGS: m_app.OnSettings(); break;
  case ID_VIEW_STATUS_BAR: OnViewStatusBar(); break;
  case ID_VIEW_TOOLBAR: OnViewToolBar(); break;
  case ID_CLOSE_ALL: OnCloseAll(); break;
  case ID_WINDOW_CASCADE: ArrangeCascade(); break;
  case ID_WINDOW_TILE_HORZ: ArrangeTiled(true); break;
  case ID_WINDOW_TILE_VERT: ArrangeTiled(false); break;
  case ID_EDIT_PASTE: OnEditPaste(); break;
  case ID_EDIT_CLEAR_ALL: QGuiApplication::clipboard()->clear(); break;
  case ID_HELP_INDEX: CHelpWindow::ShowTopic(this, 1000); break;
  case ID_HELP_FINDER: CHelpWindow::ShowSearch(this); break;
  case ID_NOTHING_442:
  case ID_NOTHING_1320:
  case ID_NOTHING_1321:
  case ID_NOTHING_1322:
    break;
  default:
    if (CImageView* view = ActiveView()) view->OnCommand(id);
    break;
  }
  updateActions();
}

void CMainFrame::OnDocumentListChanged() {
  if (m_bClosing) return;
  const int want = m_app.Template().Count() > 0 ? IDR_IMAGETYPE : IDR_MAINFRAME;
  if (want != m_nMenuId) BuildMenus(want);
  UpdateCaption();
  updateActions();
}

QString CMainFrame::CaptionText() const {
  QString title = Utf8(txt::kAppTitle);
  if (CChildFrame* child = ActiveChild()) {
    const QString doc = QString::fromStdString(child->Document().Title());
    title += child->isMaximized() ? QStringLiteral(" - [") + doc + QLatin1Char(']') : QStringLiteral(" - ") + doc;
  }
  return title;
}

void CMainFrame::UpdateCaption() {
  const QString title = CaptionText();
  if (windowTitle() != title) setWindowTitle(title);
}

void CMainFrame::changeEvent(QEvent* event) {
  QMainWindow::changeEvent(event);
  // A maximised sub-window writes its own "<caption> - [<title>]" around
  // whatever the caption was, and puts back a stale one when restored: the
  // caption has one author.
  if (event->type() == QEvent::WindowTitleChange && !m_bClosing) UpdateCaption();
}

void CMainFrame::OnSubWindowActivated(QMdiSubWindow* window) {
  if (m_bClosing) return;
  if (auto* child = qobject_cast<CChildFrame*>(window))
    if (CImageView* view = child->View()) view->OnActivateView(true);
  UpdateCaption();
  updateActions();
}

void CMainFrame::OnCloseAll() {
  m_app.Template().CloseAllDocuments(false);
  CBatchRun& run = m_app.BatchHost().Run();
  run.batchIndex = run.batchTotal;
}

void CMainFrame::OnViewStatusBar() {
  const bool show = !IsStatusBarShown();
  statusBar()->setVisible(show);
  for (CDocument* doc : m_app.Template().Documents())
    for (CImageView* view : doc->Views())
      if (CChildFrame* f = view->Frame()) f->ShowStatusBar(show);
  updateActions();
}

void CMainFrame::ArrangeTiled(bool horizontal) {
  QList<QMdiSubWindow*> windows;
  for (QMdiSubWindow* w : m_pMdiArea->subWindowList())
    if (w->isVisible() && !w->isMinimized()) windows << w;
  const int n = static_cast<int>(windows.size());
  if (n == 0) return;
  // Horizontal: the windows lie one above another; vertical: side by side.
  // Larger numbers make a grid.
  const int major = n <= 3 ? n : static_cast<int>(std::ceil(std::sqrt(static_cast<double>(n))));
  const int minor = (n + major - 1) / major;
  const int rows = horizontal ? major : minor;
  const int cols = horizontal ? minor : major;
  const QSize area = m_pMdiArea->viewport()->size();
  for (int i = 0; i < n; ++i) {
    const int r = horizontal ? i % rows : i / cols;
    const int c = horizontal ? i / rows : i % cols;
    const int x0 = area.width() * c / cols, x1 = area.width() * (c + 1) / cols;
    const int y0 = area.height() * r / rows, y1 = area.height() * (r + 1) / rows;
    windows[i]->showNormal();
    windows[i]->setGeometry(x0, y0, x1 - x0, y1 - y0);
  }
}

void CMainFrame::ArrangeCascade() {
  // Qt's own cascade sizes the windows to their size hints; here they take
  // the size the framework gives them: the area less one step per place of
  // the stagger, each a title bar's height below and right of the one under it.
  QList<QMdiSubWindow*> windows;
  for (QMdiSubWindow* w : m_pMdiArea->subWindowList(QMdiArea::StackingOrder))
    if (w->isVisible() && !w->isMinimized()) windows << w;
  if (windows.isEmpty()) return;
  QStyleOptionTitleBar option;
  option.initFrom(windows.front());
  const int step = qMax(1, windows.front()->style()->pixelMetric(QStyle::PM_TitleBarHeight, &option, windows.front()));
  const QSize area = m_pMdiArea->viewport()->size();
  const int stagger = area.height() / (3 * step);
  const QSize size(qMax(1, area.width() - stagger * step), qMax(1, area.height() - stagger * step));
  QMdiSubWindow* active = m_pMdiArea->currentSubWindow();
  // Bottom first, so the active window ends where the stagger has got to.
  for (int i = 0; i < windows.size(); ++i) {
    const int k = i % (stagger + 1);
    if (windows[i]->isMaximized()) windows[i]->showNormal();
    windows[i]->setGeometry(QRect(QPoint(k * step, k * step), size));
  }
  if (active) m_pMdiArea->setActiveSubWindow(active);
}

void CMainFrame::OnTimerTick() {
  m_pTimer->stop();
  m_app.BatchHost().Run().Step(m_app.BatchHost());
  m_app.ReportLoadError();
  if (!m_bClosing) m_pTimer->start(100);
  updateActions();
}

void CMainFrame::OnEditPaste() {
  const QMimeData* md = QGuiApplication::clipboard()->mimeData();
  if (!md || !md->hasImage()) return;
  const QImage image = qvariant_cast<QImage>(md->imageData());
  if (image.isNull()) return;

  CDocument* doc = nullptr;
  for (CDocument* d : m_app.Template().Documents())
    if (d->IsClipboard()) {
      doc = d;
      break;
    }
  if (!doc) {
    doc = m_app.Template().OpenDocumentFile(nullptr, true);
    if (!doc) return;
    doc->Doc().m_nFileType = FT_CLIPBOARD;
    doc->Doc().m_bNumberedTitle = 1;
    doc->SetClipboard(true);
    doc->SetTitle(txt::kClipboardTitle);
  }
  CImageDoc& core = doc->Doc();
  core.ClearImage();
  core.m_exifBlock.clear();  // a pasted picture has no Exif of its own
  core.AddDefaultComment();
  if (!ImageToBuffer(image, core.Bitmap())) return;
  core.m_nFileSize = 0;

  char size[64];
  std::snprintf(size, sizeof size, txt::kSizeFormat, core.Bitmap().Width(), core.Bitmap().Height());
  std::string description = std::string(size) + txt::kClipboardImage;
  const auto& palette = core.Bitmap().Palette();
  if (!palette.empty()) {
    const int n = static_cast<int>(palette.size());
    char colors[32];
    std::snprintf(colors, sizeof colors, txt::kColorsFormat, n);
    description += colors;
    core.m_colorTable = palette;
    core.m_nBitsPerSample = n <= 2 ? 1 : n <= 16 ? 4 : 8;
  }
  CConverterApp& app = m_app.App();
  app.UnregisterDocumentId(core.m_nDocumentId);
  core.m_nDocumentId = app.NewDocumentId();
  app.RegisterDocumentId(core.m_nDocumentId);
  doc->SetDescription(description, true);
}

void CMainFrame::OnClipboardChanged() {
  if (m_bClosing) return;
  if (m_app.App().m_settings.AutoUpdateClipboard) {
    for (CDocument* d : m_app.Template().Documents()) {
      if (!d->IsClipboard()) continue;
      char number[32];
      std::snprintf(number, sizeof number, txt::kFrozenTitleFormat, NextClipboardNumber());
      d->SetClipboard(false);
      d->Doc().m_bNumberedTitle = 0;  // the title carries its number now
      d->SetTitle(d->Title() + number);
      break;
    }
    OnEditPaste();
  }
  updateActions();
}

void CMainFrame::closeEvent(QCloseEvent* event) {
  if (!m_bClosing) {
    CSettings& s = m_app.App().m_settings;
    const QRect r = OuterRect();
    s.WindowPosLeft = r.x();
    s.WindowPosTop = r.y();
    s.WindowPosWidth = r.width();
    s.WindowPosHeight = r.height();
    m_app.App().ResetEncoderChoices();
    m_pTimer->stop();
    DestroyExifWindow();
    m_bClosing = true;
    if (!m_app.BatchIdle()) m_app.BatchHost().AbandonRun();
    m_app.Template().CloseAllDocuments(true);
  }
  event->accept();
}

QRect CMainFrame::OuterRect() const {
  if (!(windowState() & (Qt::WindowMaximized | Qt::WindowMinimized | Qt::WindowFullScreen))) return frameGeometry();
  // The frame of a maximised window may differ from its normal one.
  return normalGeometry().marginsAdded(m_normalMargins);
}

void CMainFrame::RestoreOuterRect(const QRect& rect) {
  // The window manager's frame is known only once the window is up: until
  // then the rectangle is the client's, and the first exposure takes the
  // frame off it.
  m_restoreRect = rect;
  move(rect.topLeft());
  resize(rect.size());
}

void CMainFrame::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  if (QWindow* window = windowHandle()) window->installEventFilter(this);
}

bool CMainFrame::eventFilter(QObject* watched, QEvent* event) {
  QWindow* window = windowHandle();
  if (watched == window && window) {
    const bool normal = !(windowState() & (Qt::WindowMaximized | Qt::WindowMinimized | Qt::WindowFullScreen));
    if (event->type() == QEvent::Expose && window->isExposed() && m_restoreRect.isValid()) {
      const QRect want = m_restoreRect;
      m_restoreRect = QRect();
      const QMargins m = window->frameMargins();
      if (normal && m != QMargins()) {
        resize(qMax(1, want.width() - m.left() - m.right()), qMax(1, want.height() - m.top() - m.bottom()));
        move(want.topLeft());
      }
    }
    if (normal && (event->type() == QEvent::Expose || event->type() == QEvent::Move || event->type() == QEvent::Resize))
      m_normalMargins = window->frameMargins();
  }
  return QMainWindow::eventFilter(watched, event);
}

void CMainFrame::dragEnterEvent(QDragEnterEvent* event) {
  if (event->mimeData()->hasUrls()) {
    for (const QUrl& url : event->mimeData()->urls()) {
      if (url.isLocalFile()) {
        event->acceptProposedAction();
        return;
      }
    }
  }
  QMainWindow::dragEnterEvent(event);
}

void CMainFrame::dropEvent(QDropEvent* event) {
  if (!event->mimeData()->hasUrls()) return;
  const QList<QUrl> urls = event->mimeData()->urls();
  event->acceptProposedAction();
  for (const QUrl& url : urls) {
    if (!url.isLocalFile()) continue;
    m_app.OpenDocumentFile(QFile::encodeName(url.toLocalFile()).toStdString());
    m_app.ReportLoadError();
  }
}

bool CMainFrame::event(QEvent* event) {
  // Pane 0 shows a blank, not nothing, when no prompt is up.
  if (event->type() == QEvent::StatusTip) {
    auto* tip = static_cast<QStatusTipEvent*>(event);
    statusBar()->showMessage(tip->tip().isEmpty() ? Utf8(txt::kIdleMessage) : tip->tip());
    return true;
  }
  return QMainWindow::event(event);
}

} // namespace qv
