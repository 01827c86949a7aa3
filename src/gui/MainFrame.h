#pragma once
// The multiple-document main window: menus 122 and 131, accelerators, the
// two-pane status bar, dropped files, the clipboard, window arranging and
// the timer that drives the batch conversion.
#include <map>
#include <string>

#include <QMainWindow>
#include <QMargins>
#include <QPointer>
#include <QRect>

class QAction;
class QLabel;
class QMdiArea;
class QMdiSubWindow;
class QMenu;
class QTimer;

namespace qv {

class CChildFrame;
class CControlToolBar;
class CDocument;
class CExifInfoWnd;
class CImageView;
class CQuorvexApp;

class CMainFrame : public QMainWindow {
  Q_OBJECT
public:
  explicit CMainFrame(CQuorvexApp& app);
  ~CMainFrame() override;

  QMdiArea* MdiArea() const { return m_pMdiArea; }
  CChildFrame* ActiveChild() const;
  CImageView* ActiveView() const;
  CDocument* ActiveDocument() const;

  // Pane 1: the given document's description, else the active one's, else " ".
  void UpdateInfoTexts(CDocument* doc = nullptr);
  void SetInfoPaneText(const QString& text);
  QString InfoPaneText() const;
  QString MessagePaneText() const;

  // The menu resource now shown: 122 or 131.
  int CurrentMenuId() const { return m_nMenuId; }
  // The action of a command id, or null.
  QAction* Action(int id) const;
  // Enables, checks and names every command of this window; the active
  // view answers for its own commands.
  void updateActions();
  // Runs a command as the menus and keys do.
  void OnCommand(int id);

  // After a document was added or removed: the menu and the caption.
  void OnDocumentListChanged();
  void UpdateCaption();
  // "Quorvex", "Quorvex - title", or "Quorvex - [title]" while the active
  // window is maximised.
  QString CaptionText() const;
  // Numbers frozen clipboard documents and marked clipboard titles: 1, 2, ...
  int NextClipboardNumber() { return ++m_nClipboardCounter; }
  bool IsStatusBarShown() const;

  // Paste (57637): the clipboard image into the live clipboard document.
  void OnEditPaste();
  // A clipboard change, as the viewer chain delivers it.
  void OnClipboardChanged();
  void OnCloseAll();
  void OnViewStatusBar();
  // The control toolbar and command 443 (in ControlToolBar.cpp).
  CControlToolBar* ToolBar() const { return m_pToolBar; }
  bool IsToolBarShown() const;
  void OnViewToolBar();
  // Stepped by timer 1: one batch step, then pending load errors.
  void OnTimerTick();
  // Timer 1 (tests step the batch themselves).
  QTimer* BatchTimer() const { return m_pTimer; }
  void ArrangeTiled(bool horizontal);
  // The window's outer rectangle, frame included ("WindowPos..."): the
  // normal one while maximised or minimised.
  QRect OuterRect() const;
  // Places the window so that its outer rectangle is the given one.
  void RestoreOuterRect(const QRect& rect);
  // "&Layer": the framework's cascade.
  void ArrangeCascade();
  // 444: opens the EXIF information window, or destroys it when open.
  void OnExifWindow();
  CExifInfoWnd* ExifWindow() const;

protected:
  void changeEvent(QEvent* event) override;
  void showEvent(QShowEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  bool event(QEvent* event) override;
  QMenu* createPopupMenu() override;

private:
  void CreateActions();
  void BuildMenus(int menuId);
  void FillRecentItems(QMenu* menu);
  void OnSubWindowActivated(QMdiSubWindow* window);
  bool ClipboardHasImage() const;
  void DestroyExifWindow();

  CQuorvexApp& m_app;
  QMdiArea* m_pMdiArea = nullptr;
  QLabel* m_pInfoPane = nullptr;
  QTimer* m_pTimer = nullptr;
  CControlToolBar* m_pToolBar = nullptr;
  QPointer<CExifInfoWnd> m_pExifWnd;
  std::map<int, QAction*> m_actions;
  std::map<int, QAction*> m_recentActions;
  int m_nMenuId = 0;
  int m_nClipboardCounter = 0;
  bool m_bClosing = false;
  QRect m_restoreRect;      // to be had once the frame is known
  QMargins m_normalMargins; // the frame of the normal window
};

} // namespace qv
