#pragma once
// The frame of one image window: the view above a two-pane status bar
// (message text, zoom), the window icon by format code, and the greyed
// Close of the batch working document.
#include <QKeySequence>
#include <QList>
#include <QMdiSubWindow>

class QAction;
class QLabel;
class QStatusBar;

namespace qv {

class CDocument;
class CImageView;
class CQuorvexApp;

class CChildFrame : public QMdiSubWindow {
  Q_OBJECT
public:
  CChildFrame(CQuorvexApp& app, CDocument& doc, QWidget* parent = nullptr);
  ~CChildFrame() override;

  CImageView* View() const { return m_pView; }
  CDocument& Document() const { return m_doc; }
  QStatusBar* StatusBar() const { return m_pStatusBar; }

  // Small and large icons from a format code (132..139).
  void SetFrameIcon(int resourceId);
  int FrameIconId() const { return m_nIconId; }
  // Pane 0 (the window text) and pane 1 (the zoom).
  void SetStatusText(const QString& text);
  void SetPaneText(int pane, const QString& text);
  QString PaneText(int pane) const;
  void ShowStatusBar(bool show);

  bool IsCloseGreyed() const { return m_bCloseGreyed; }
  // The system menu's Close and its keys: Ctrl+F4 on every platform, and
  // Ctrl+W beside it.
  QAction* SystemMenuClose() const;
  static QList<QKeySequence> CloseKeys();
  // The caption is the document's title.
  void UpdateTitle();
  // Set by the document when it closes its windows itself.
  void SetClosingByDocument() { m_bClosingByDoc = true; }
  bool IsClosingByDocument() const { return m_bClosingByDoc; }

protected:
  void closeEvent(QCloseEvent* event) override;

private:
  CQuorvexApp& m_app;
  CDocument& m_doc;
  CImageView* m_pView = nullptr;
  QStatusBar* m_pStatusBar = nullptr;
  QLabel* m_pPane0 = nullptr;
  QLabel* m_pPane1 = nullptr;
  int m_nIconId = 0;
  bool m_bCloseGreyed = false;
  bool m_bClosingByDoc = false;
};

} // namespace qv
