#pragma once
// The image view: paints the document's pixel buffer at a zoom from the
// application's zoom table, pans with the left button and the arrow and
// page keys, fits its frame around the image, keeps views of the same
// image in step, copies and saves the image.
#include <QAbstractScrollArea>
#include <QCursor>
#include <QPointer>
#include <QString>

#include "view/ZoomMath.h"

namespace qv {

class CChildFrame;
class CDocument;
class CQuorvexApp;

// What a view says about one of its commands.
struct CmdUI {
  bool enabled = true;
  bool checkable = false;
  bool checked = false;
  bool hasText = false;
  QString text;
};

class CImageView : public QAbstractScrollArea {
  Q_OBJECT
public:
  CImageView(CQuorvexApp& app, CDocument& doc, QWidget* parent = nullptr);
  ~CImageView() override;

  CDocument& Document() const { return m_doc; }
  CChildFrame* Frame() const;

  int GetZoom() const { return m_nZoom; }
  // Changes the zoom keeping `centre` (image pixels) in view; without one,
  // the centre of the visible area. Returns the zoom now in force.
  int SetZoom(int newZoom, const ZPoint* centre = nullptr);
  void FitFrameToImage();

  void OnInitialUpdate();
  void OnUpdate(CImageView* sender, int hint);
  void OnActivateView(bool activate);

  // The view's commands: true when `id` is one of them.
  bool OnCommand(int id);
  bool UpdateCommand(int id, CmdUI& ui) const;

  void OnSizeUp();
  void OnSizeDown();
  void OnSizeRaw();
  void OnZoomRate(int index);
  void OnFitWindow();
  void OnSyncViews();
  void OnEditCopy();
  void OnFileSaveAs();

  ZPoint ScrollPosition() const;
  void ScrollToPosition(ZPoint pos);
  ZSize ClientSize() const;
  ZSize ZoomedSize() const;
  int DrawState() const { return m_nDrawState; }
  bool IsPanning() const { return m_bPanning; }
  bool HasFocus() const { return m_bHasFocus; }
  // 111, 112 or 0 for the cross.
  int CursorId() const { return m_nCursorId; }

protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void scrollContentsBy(int dx, int dy) override;
  void keyPressEvent(QKeyEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;

private:
  void SetScrollSizes(ZSize total);
  void UpdateScrollRanges();
  void DrawImage(class QPainter& painter);
  void EraseBackground(QPainter& painter);
  void UpdateCursor();
  void SetViewCursor(int id);
  void ShowZoomPane();
  void StepScroll(ZPoint step);
  const int* ZoomTable() const;

  CQuorvexApp& m_app;
  CDocument& m_doc;
  QPointer<QObject> m_docGuard;
  bool m_bHasFocus = false;
  int m_nDrawState = 0;  // 0 idle, 1 zoom change in progress, 2 painted
  ZPoint m_panLimits;
  ZPoint m_scrollAtPress;
  ZPoint m_mouseAtPress;
  bool m_bPanning = false;
  int m_nZoom = 100;
  int m_nCursorId = 0;
  bool m_bCapsLock = false;
  ZSize m_total;  // scroll extent
};

} // namespace qv
