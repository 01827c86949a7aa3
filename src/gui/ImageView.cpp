#include "gui/ImageView.h"

#include <algorithm>
#include <cstring>

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QMdiArea>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QScrollBar>
#include <QStyle>

#include "app/AppHelpers.h"
#include "gui/AppTexts.h"
#include "gui/ChildFrame.h"
#include "gui/CommandIds.h"
#include "gui/DocTemplate.h"
#include "gui/Document.h"
#include "gui/MainFrame.h"
#include "gui/QuorvexApp.h"
#include "gui/Resources.h"
#include "platform/ui/FileDialog.h"
#include "gui/ViewCommandIds.h"

namespace qv {
namespace {

int TableCount(const int* table) {
  int n = 0;
  while (n < kZoomStepCount && table[n] != 0) ++n;
  return n;
}

} // namespace

CImageView::CImageView(CQuorvexApp& app, CDocument& doc, QWidget* parent)
    : QAbstractScrollArea(parent), m_app(app), m_doc(doc) {
  setFrameShape(QFrame::NoFrame);
  setFocusPolicy(Qt::StrongFocus);
  viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
  viewport()->setAutoFillBackground(false);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  doc.AddView(this);
  m_docGuard = &doc;
}

CImageView::~CImageView() {
  // The document may have gone before its closed windows are deleted.
  if (m_docGuard) m_doc.RemoveView(this);
}

CChildFrame* CImageView::Frame() const {
  for (QWidget* w = parentWidget(); w; w = w->parentWidget())
    if (auto* f = qobject_cast<CChildFrame*>(w)) return f;
  return nullptr;
}

const int* CImageView::ZoomTable() const { return m_app.App().m_zoomRates; }

// ---- geometry ----

ZPoint CImageView::ScrollPosition() const {
  return {horizontalScrollBar()->value(), verticalScrollBar()->value()};
}

void CImageView::ScrollToPosition(ZPoint pos) {
  horizontalScrollBar()->setValue(pos.x);
  verticalScrollBar()->setValue(pos.y);
}

ZSize CImageView::ClientSize() const { return {viewport()->width(), viewport()->height()}; }

ZSize CImageView::ZoomedSize() const {
  const CDibBitmap& bmp = m_doc.Doc().Bitmap();
  if (bmp.IsEmpty()) return {0, 0};
  return GetZoomedSize(bmp.Width(), bmp.Height(), m_nZoom);
}

void CImageView::SetScrollSizes(ZSize total) {
  m_total = total;
  UpdateScrollRanges();
}

// Scroll bars appear exactly when the extent exceeds the client area, and
// at once: a second Fit Window relies on the client size the first left.
void CImageView::UpdateScrollRanges() {
  const QSize full = maximumViewportSize();
  const int bar = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
  bool needH = m_total.cx > full.width();
  bool needV = m_total.cy > full.height();
  if (needH && !needV) needV = m_total.cy > full.height() - bar;
  if (needV && !needH) needH = m_total.cx > full.width() - bar;
  const Qt::ScrollBarPolicy h = needH ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff;
  const Qt::ScrollBarPolicy v = needV ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff;
  if (horizontalScrollBarPolicy() != h) setHorizontalScrollBarPolicy(h);
  if (verticalScrollBarPolicy() != v) setVerticalScrollBarPolicy(v);
  const int cw = full.width() - (needV ? bar : 0);
  const int ch = full.height() - (needH ? bar : 0);
  QScrollBar* hb = horizontalScrollBar();
  QScrollBar* vb = verticalScrollBar();
  hb->setRange(0, std::max(0, m_total.cx - cw));
  vb->setRange(0, std::max(0, m_total.cy - ch));
  hb->setPageStep(std::max(1, cw));
  vb->setPageStep(std::max(1, ch));
  hb->setSingleStep(std::max(1, cw / 10));
  vb->setSingleStep(std::max(1, ch / 10));
}

void CImageView::resizeEvent(QResizeEvent* event) {
  QAbstractScrollArea::resizeEvent(event);
  UpdateScrollRanges();
}

void CImageView::scrollContentsBy(int, int) { viewport()->update(); }

// ---- document updates ----

void CImageView::OnInitialUpdate() {
  m_nZoom = 100;
  SetViewCursor(IDC_HAND_OPEN);
  OnUpdate(nullptr, 0);
  OnUpdate(nullptr, 1);
  if (m_app.App().m_settings.AutoFitting) FitFrameToImage();
  ScrollToPosition({0, 0});
  m_nDrawState = 0;
}

void CImageView::OnUpdate(CImageView*, int hint) {
  const CImageDoc& doc = m_doc.Doc();
  const CDibBitmap& bmp = doc.Bitmap();
  SetScrollSizes(bmp.IsEmpty() ? ZSize{0, 0} : ZSize{bmp.Width(), bmp.Height()});

  CChildFrame* frame = Frame();
  if (frame) {
    QString status = QString::fromUtf8(txt::kNoFileSize);
    if (doc.m_nFileSize > 0) {
      const uint32_t n = doc.m_nFileSize > 0xFFFFFFFFLL ? 0xFFFFFFFFu : static_cast<uint32_t>(doc.m_nFileSize);
      const ByteCountText t = FormatByteCount(n);
      status = QString::asprintf(txt::kByteCountFormat, t.grouped.c_str(), t.shortText.c_str());
    }
    frame->SetStatusText(status);
    frame->SetFrameIcon(doc.m_nFileType);
  }

  const int zoom = m_nZoom;
  m_nZoom = 100;
  SetZoom(zoom);
  if (hint == 0) viewport()->update();
  // Each frame has this one view, so it is always its frame's active view.
  if (CMainFrame* main = m_app.MainFrame())
    main->SetInfoPaneText(QString::fromStdString(doc.m_strDescription));
}

void CImageView::OnActivateView(bool activate) {
  if (!activate) return;
  if (CMainFrame* main = m_app.MainFrame()) main->UpdateInfoTexts(&m_doc);
}

// ---- zoom ----

int CImageView::SetZoom(int newZoom, const ZPoint* centre) {
  m_nDrawState = 1;
  if (newZoom != m_nZoom && newZoom > 0) {
    const ZSize before = ZoomedSize();
    const ZPoint c = centre ? *centre : VisibleCentre(ScrollPosition(), ClientSize(), before, m_nZoom);
    m_nZoom = newZoom;
    const ZSize after = ZoomedSize();
    SetScrollSizes(after);
    ScrollToPosition(ScrollForCentre(c, m_nZoom, after, ClientSize()));
    viewport()->update();
  }
  ShowZoomPane();
  m_nDrawState = 0;
  return m_nZoom;
}

void CImageView::ShowZoomPane() {
  if (CChildFrame* frame = Frame()) frame->SetPaneText(1, QString::asprintf("%d%%", m_nZoom));
}

void CImageView::OnSizeUp() {
  const int next = ZoomStepUp(ZoomTable(), m_nZoom);
  if (next != 0) SetZoom(next);
}

void CImageView::OnSizeDown() {
  // Not before the last zoom change has been painted.
  if (m_nDrawState != 2) return;
  const int next = ZoomStepDown(ZoomTable(), m_nZoom);
  if (next != 0) SetZoom(next);
}

void CImageView::OnSizeRaw() {
  const ZPoint origin{0, 0};
  SetZoom(100, &origin);
}

void CImageView::OnZoomRate(int index) {
  if (index < 0 || index >= TableCount(ZoomTable())) return;  // never past the terminator
  SetZoom(ZoomTable()[index]);
}

void CImageView::OnFitWindow() {
  FitFrameToImage();
  FitFrameToImage();
}

void CImageView::FitFrameToImage() {
  CChildFrame* frame = Frame();
  QMdiArea* mdi = frame ? frame->mdiArea() : nullptr;
  if (!mdi) return;
  if (frame->isMaximized() || frame->isMinimized()) frame->showNormal();
  const QSize area = mdi->viewport()->size();
  const QRect g = frame->geometry();
  const ZRect r = FitFrameRect({area.width(), area.height()}, {g.x(), g.y()}, {g.width(), g.height()}, ClientSize(),
                               ZoomedSize());
  frame->setGeometry(r.x, r.y, r.cx, r.cy);
}

void CImageView::OnSyncViews() {
  const ZPoint p = ScrollPosition();
  const ZSize c = ClientSize();
  const ZPoint centre = DeviceToImage(ZPoint{p.x + c.cx / 2, p.y + c.cy / 2}, m_nZoom);
  const int id = m_doc.Doc().m_nDocumentId;
  for (CDocument* other : m_app.Template().Documents()) {
    if (other == &m_doc || other->Doc().m_nDocumentId != id) continue;
    CImageView* v = other->FirstView();
    if (!v || (v->Frame() && v->Frame()->isMinimized())) continue;
    if (v->GetZoom() == m_nZoom)
      v->ScrollToPosition(p);
    else
      v->SetZoom(m_nZoom, &centre);
  }
}

// ---- commands ----

bool CImageView::OnCommand(int id) {
  if (id >= ID_ZOOM_RATE_FIRST && id <= ID_ZOOM_RATE_LAST) {
    OnZoomRate(id - ID_ZOOM_RATE_FIRST);
    return true;
  }
  switch (id) {
  case ID_SIZE_UP: OnSizeUp(); return true;
  case ID_SIZE_DOWN: OnSizeDown(); return true;
  case ID_SIZE_RAW: OnSizeRaw(); return true;
  case ID_FIT_WINDOW: OnFitWindow(); return true;
  case ID_SYNC_VIEWS: OnSyncViews(); return true;
  case ID_ZOOM_SELECTION: return true;
  case ID_EDIT_COPY: OnEditCopy(); return true;
  case ID_FILE_SAVE_AS: OnFileSaveAs(); return true;
  // The document's commands come through its view, as the framework routes them.
  case ID_FILE_RELOAD: m_doc.OnReload(); return true;
  case ID_RESIZE: m_doc.OnResize(window()); return true;
  case ID_GAMMA: m_doc.OnGamma(window()); return true;
  case ID_COMMENT_TOGGLE: m_doc.OnCommentToggle(); return true;
  case ID_CUSTOM_DQT_TOGGLE: m_doc.OnCustomDqtToggle(); return true;
  case ID_CUSTOM_DQT_EDIT: m_doc.OnCustomDqtEdit(window()); return true;
  case ID_SEPARATE_YCC: m_doc.OnSeparateYCbCr(); return true;
  case ID_MARKER_EDIT: m_doc.OnMarkerEdit(window()); return true;
  case ID_CONVERT_PREVIEW: m_doc.OnConvertPreview(); return true;
  case ID_PNG_GAMMA: m_doc.OnShowPngGamma(); return true;
  case ID_PNG_TRANSPARENT: m_doc.OnShowTransparentColor(window()); return true;
  case ID_COMMENT_EDIT: m_doc.OnCommentEdit(window()); return true;
  default: return false;
  }
}

bool CImageView::UpdateCommand(int id, CmdUI& ui) const {
  const bool idle = m_app.BatchIdle();
  const int* table = ZoomTable();
  if (id >= ID_ZOOM_RATE_FIRST && id <= ID_ZOOM_RATE_LAST) {
    const int k = id - ID_ZOOM_RATE_FIRST;
    const bool usable = k < TableCount(table);
    ui.enabled = usable;
    ui.checkable = true;
    ui.checked = usable && table[k] == m_nZoom;
    ui.hasText = true;
    ui.text = usable ? QString::fromStdString(m_app.App().m_zoomLabels[k]) : QString();
    return true;
  }
  switch (id) {
  case ID_SIZE_UP: ui.enabled = idle && ZoomStepUp(table, m_nZoom) != 0; return true;
  case ID_SIZE_DOWN: ui.enabled = idle && table[0] != 0 && FindZoomIndex(table, m_nZoom) - 1 >= 0; return true;
  case ID_SIZE_RAW: ui.enabled = idle && m_nZoom != 100; return true;
  case ID_FIT_WINDOW:
  case ID_SYNC_VIEWS:
  case ID_EDIT_COPY:
  case ID_FILE_SAVE_AS: ui.enabled = true; return true;
  case ID_ZOOM_SELECTION: ui.enabled = false; return true;
  // The document's commands.
  case ID_FILE_RELOAD: ui.enabled = !m_doc.PathName().empty() && !m_doc.Doc().m_bConverted; return true;
  case ID_RESIZE:
  case ID_GAMMA:
  case ID_SEPARATE_YCC: ui.enabled = true; return true;
  case ID_COMMENT_TOGGLE:
    ui.checkable = true;
    ui.checked = m_doc.Doc().m_bComment != 0;
    return true;
  case ID_CUSTOM_DQT_TOGGLE:
    ui.checkable = true;
    ui.checked = m_doc.Doc().m_bCustomDqt != 0;
    return true;
  case ID_CONVERT_PREVIEW: ui.enabled = !m_doc.Doc().m_bConverted; return true;
  case ID_PNG_GAMMA: ui.enabled = m_doc.Doc().m_nFileType == FT_PNG && m_doc.Doc().m_bGamma; return true;
  case ID_PNG_TRANSPARENT: ui.enabled = m_doc.Doc().m_nFileType == FT_PNG && m_doc.Doc().m_bTransparent; return true;
  case ID_MARKER_EDIT:
    ui.enabled = m_doc.Doc().m_nFileType == FT_JPEG || m_doc.Doc().m_nFileType == FT_PNG;
    return true;
  case ID_CUSTOM_DQT_EDIT: ui.enabled = true; return true;
  case ID_COMMENT_EDIT:
    ui.checkable = true;
    ui.checked = m_doc.Doc().m_bComment != 0;
    return true;
  default: return false;
  }
}

void CImageView::OnEditCopy() {
  const CDibBitmap& bmp = m_doc.Doc().Bitmap();
  if (bmp.IsEmpty()) return;
  const int w = bmp.Width(), h = bmp.Height();
  QImage image(w, h, QImage::Format_BGR888);
  for (int y = 0; y < h; ++y) std::memcpy(image.scanLine(y), bmp.Row(h - 1 - y), static_cast<size_t>(w) * 3);
  QGuiApplication::clipboard()->setImage(image);
}

void CImageView::OnFileSaveAs() {
  CFileDialog& dlg = m_app.SaveDialog();
  const std::string& path = m_doc.PathName();
  const size_t slash = path.find_last_of('/');
  dlg.SetFileName(path.empty() ? std::string(txt::kAnyFileName)
                               : slash == std::string::npos ? path : path.substr(slash + 1));
  if (!dlg.Run()) return;
  m_doc.OnSaveDocument(dlg.Path());
  m_app.RememberWriteDir();
}

// ---- painting ----

void CImageView::paintEvent(QPaintEvent*) {
  QPainter painter(viewport());
  EraseBackground(painter);
  if (m_nDrawState == 1) return;
  DrawImage(painter);
  m_nDrawState = 2;
}

// Everything outside the image takes the background tile, cut at the
// scroll position so that the pattern moves with the image.
void CImageView::EraseBackground(QPainter& painter) {
  const ZPoint scroll = ScrollPosition();
  const ZSize zoomed = ZoomedSize();
  QRegion outside(viewport()->rect());
  outside -= QRect(-scroll.x, -scroll.y, zoomed.cx, zoomed.cy);
  if (outside.isEmpty()) return;
  const QPixmap& tile = m_app.BackgroundTile();
  if (tile.width() >= 16 && tile.height() >= 16) {
    const ZPoint off = TileOffset(scroll);
    const QBrush brush(tile.copy(off.x, off.y, 8, 8));
    painter.setBrushOrigin(0, 0);
    for (const QRect& r : outside) painter.fillRect(r, brush);
  } else {
    for (const QRect& r : outside) painter.fillRect(r, Qt::white);
  }
}

// Draws only the part of the image that meets the client area, through an
// image header over the buffer's own rows (no copy). The rows are
// bottom-up, so the header sees the part upside down and the painter
// flips it back.
void CImageView::DrawImage(QPainter& painter) {
  const CDibBitmap& bmp = m_doc.Doc().Bitmap();
  if (bmp.IsEmpty()) return;
  const int w = bmp.Width(), h = bmp.Height();
  const PaintPlan plan = ComputePaintPlan(ScrollPosition(), ClientSize(), w, h, m_nZoom);
  if (plan.empty() || plan.dest.cx <= 0 || plan.dest.cy <= 0) return;
  const int firstMemoryRow = h - plan.source.y - plan.source.cy;
  const uchar* start = bmp.Row(firstMemoryRow) + static_cast<ptrdiff_t>(plan.source.x) * 3;
  const QImage part(start, plan.source.cx, plan.source.cy, static_cast<qsizetype>(bmp.Stride()),
                    QImage::Format_BGR888);
  const ZPoint scroll = ScrollPosition();
  const QRectF target(plan.dest.x - scroll.x, plan.dest.y - scroll.y, plan.dest.cx, plan.dest.cy);
  painter.save();
  painter.setRenderHint(QPainter::SmoothPixmapTransform,
                        m_nZoom != 100 && m_app.App().m_settings.bUseHalfToneStretch != 0);
  painter.translate(target.left(), target.bottom());
  painter.scale(target.width() / plan.source.cx, -target.height() / plan.source.cy);
  painter.drawImage(QPointF(0, 0), part);
  painter.restore();
}

// ---- keyboard, mouse, focus, cursor ----

void CImageView::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
  case Qt::Key_CapsLock:
    m_bCapsLock = !m_bCapsLock;
    UpdateCursor();
    event->ignore();
    return;
  case Qt::Key_PageUp: StepScroll({0, -16}); break;
  case Qt::Key_PageDown: StepScroll({0, 16}); break;
  case Qt::Key_Left: StepScroll({-1, 0}); break;
  case Qt::Key_Up: StepScroll({0, -1}); break;
  case Qt::Key_Right: StepScroll({1, 0}); break;
  case Qt::Key_Down: StepScroll({0, 1}); break;
  default: QWidget::keyPressEvent(event); return;
  }
  event->accept();
}

void CImageView::StepScroll(ZPoint step) {
  ScrollToPosition(KeyScrollTarget(ScrollPosition(), step, m_nZoom, ZoomedSize(), ClientSize()));
}

void CImageView::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) {
    m_panLimits = MaxScrollPosition(ZoomedSize(), ClientSize());
    m_scrollAtPress = ScrollPosition();
    const QPoint p = event->position().toPoint();
    m_mouseAtPress = {p.x(), p.y()};
    m_bPanning = true;
    UpdateCursor();
  }
  event->accept();  // the right button does nothing: no context menu
}

void CImageView::mouseMoveEvent(QMouseEvent* event) {
  if (!m_bPanning) {
    QAbstractScrollArea::mouseMoveEvent(event);
    return;
  }
  const QPoint p = event->position().toPoint();
  ScrollToPosition(PanTarget(m_scrollAtPress, {p.x(), p.y()}, m_mouseAtPress, m_panLimits));
  event->accept();
}

void CImageView::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton && m_bPanning) {
    m_bPanning = false;
    UpdateCursor();
  }
  event->accept();
}

void CImageView::contextMenuEvent(QContextMenuEvent* event) { event->accept(); }

void CImageView::focusInEvent(QFocusEvent* event) {
  QAbstractScrollArea::focusInEvent(event);
  if (!m_bHasFocus) {
    m_bHasFocus = true;
    viewport()->update();
  }
}

void CImageView::focusOutEvent(QFocusEvent* event) {
  QAbstractScrollArea::focusOutEvent(event);
  m_bHasFocus = false;
  m_bPanning = false;
  UpdateCursor();
}

void CImageView::UpdateCursor() {
  SetViewCursor(m_bPanning ? IDC_HAND_CLOSED : m_bCapsLock ? 0 : IDC_HAND_OPEN);
}

void CImageView::SetViewCursor(int id) {
  if (id == m_nCursorId && viewport()->testAttribute(Qt::WA_SetCursor)) return;
  m_nCursorId = id;
  viewport()->setCursor(id == 0 ? QCursor(Qt::CrossCursor) : ResourceCursor(id));
}

} // namespace qv
