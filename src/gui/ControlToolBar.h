#pragma once
// The control toolbar (command 443): a button for every command that the
// menus leave out, so that nothing the program can do is out of reach. The
// buttons are the frame's own actions, so their enabling and checking stay
// with the frame's update and the active view's.
#include <vector>

#include <QToolBar>

class QToolButton;

namespace qv {

class CMainFrame;
class CQuorvexApp;

class CControlToolBar : public QToolBar {
  Q_OBJECT
public:
  // Adds itself to the frame, shown as the setting "ShowToolBar" says.
  CControlToolBar(CMainFrame& frame, CQuorvexApp& app);

  // The bar from left to right: command ids, 0 for a separator; the zoom
  // rates stand there as one drop-down under ID_ZOOM_RATE_FIRST.
  static const std::vector<int>& Layout();
  // Every command the bar reaches, the twelve zoom rates included.
  static std::vector<int> Commands();
  // The picture's name in res/toolbar, or null.
  static const char* IconName(int id);

  // A command's button (the drop-down for any zoom rate), or null.
  QToolButton* Button(int id) const;
  QToolButton* ZoomRatesButton() const { return m_pZoomRates; }

private:
  void FollowZoomRates();

  CMainFrame& m_frame;
  QToolButton* m_pZoomRates = nullptr;
};

} // namespace qv
