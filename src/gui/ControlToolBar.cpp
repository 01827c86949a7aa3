#include "gui/ControlToolBar.h"

#include <QAction>
#include <QMenu>
#include <QToolButton>

#include "app/ConverterApp.h"
#include "gui/AppTexts.h"
#include "gui/CommandIds.h"
#include "gui/MainFrame.h"
#include "gui/QuorvexApp.h"
#include "gui/Resources.h"
#include "gui/ViewCommandIds.h"

namespace qv {
namespace {

QString ToolTipOf(int id) {
  const std::string name = CommandShortName(id);
  return QString::fromStdString(name.empty() ? CommandPromptLine(id) : name);
}

// Commands without a menu entry have no text of their own: the short name
// serves, for the right-click menu and for reading the bar.
void Describe(QAction* action, int id) {
  if (action->text().isEmpty()) action->setText(ToolTipOf(id));
  action->setToolTip(ToolTipOf(id));
}

} // namespace

const std::vector<int>& CControlToolBar::Layout() {
  static const std::vector<int> layout = {
      ID_FILE_SAVE_AS,    ID_FILE_RELOAD,       0,
      ID_MARKER_OPEN,     ID_MARKER_EDIT,       0,
      ID_EDIT_COPY,       ID_EDIT_PASTE,        0,
      ID_ZOOM_RATE_FIRST, ID_SYNC_VIEWS,        0,
      ID_RESIZE,          ID_GAMMA,             ID_SEPARATE_YCC,    ID_CONVERT_PREVIEW, 0,
      ID_COMMENT_EDIT,    ID_COMMENT_TOGGLE,    ID_CUSTOM_DQT_TOGGLE, ID_CUSTOM_DQT_EDIT, 0,
      ID_PNG_GAMMA,       ID_PNG_TRANSPARENT,   0,
      ID_EXIF_WINDOW,     ID_BULK_FILTER,       ID_SETTINGS,        0,
      ID_HELP_INDEX,
  };
  return layout;
}

std::vector<int> CControlToolBar::Commands() {
  std::vector<int> ids;
  for (int id : Layout()) {
    if (id == ID_ZOOM_RATE_FIRST) {
      for (int z = ID_ZOOM_RATE_FIRST; z <= ID_ZOOM_RATE_LAST; ++z) ids.push_back(z);
    } else if (id != 0) {
      ids.push_back(id);
    }
  }
  ids.push_back(ID_VIEW_TOOLBAR);
  return ids;
}

const char* CControlToolBar::IconName(int id) {
  if (id >= ID_ZOOM_RATE_FIRST && id <= ID_ZOOM_RATE_LAST) return "zoom-rates";
  switch (id) {
  case ID_FILE_SAVE_AS: return "save-as";
  case ID_FILE_RELOAD: return "reload";
  case ID_MARKER_OPEN: return "marker-open";
  case ID_MARKER_EDIT: return "marker-edit";
  case ID_EDIT_COPY: return "copy";
  case ID_EDIT_PASTE: return "paste";
  case ID_SYNC_VIEWS: return "sync-views";
  case ID_RESIZE: return "resize";
  case ID_GAMMA: return "gamma";
  case ID_SEPARATE_YCC: return "separate-ycc";
  case ID_CONVERT_PREVIEW: return "jpeg-preview";
  case ID_COMMENT_EDIT: return "comment-edit";
  case ID_COMMENT_TOGGLE: return "comment-toggle";
  case ID_CUSTOM_DQT_TOGGLE: return "dqt-toggle";
  case ID_CUSTOM_DQT_EDIT: return "dqt-edit";
  case ID_PNG_GAMMA: return "png-gamma";
  case ID_PNG_TRANSPARENT: return "png-transparent";
  case ID_EXIF_WINDOW: return "exif-window";
  case ID_BULK_FILTER: return "bulk-filter";
  case ID_SETTINGS: return "settings";
  case ID_HELP_INDEX: return "help";
  default: return nullptr;
  }
}

CControlToolBar::CControlToolBar(CMainFrame& frame, CQuorvexApp& app)
    : QToolBar(QString::fromUtf8(txt::kControlBarTitle), &frame), m_frame(frame) {
  setObjectName(QStringLiteral("ControlToolBar"));
  setIconSize(QSize(16, 16));
  // Shown or hidden by command 443 only, so that the setting follows it.
  setFloatable(false);
  toggleViewAction()->setVisible(false);
  for (int id : Layout()) {
    if (id == 0) {
      addSeparator();
    } else if (id == ID_ZOOM_RATE_FIRST) {
      auto* menu = new QMenu(this);
      const CConverterApp& core = app.App();
      for (int z = ID_ZOOM_RATE_FIRST; z <= ID_ZOOM_RATE_LAST; ++z) {
        QAction* a = frame.Action(z);
        if (!a) continue;
        const int k = z - ID_ZOOM_RATE_FIRST;
        // The view names them once there is one; until then the table does.
        if (a->text().isEmpty() && core.m_zoomRates[k] != 0)
          a->setText(QString::fromStdString(core.m_zoomLabels[k]));
        menu->addAction(a);
        connect(a, &QAction::changed, this, &CControlToolBar::FollowZoomRates);
      }
      m_pZoomRates = new QToolButton(this);
      m_pZoomRates->setProperty("cmdId", static_cast<int>(ID_ZOOM_RATE_FIRST));
      m_pZoomRates->setIcon(ToolbarIcon(IconName(id)));
      m_pZoomRates->setToolTip(QString::fromUtf8(txt::kZoomRatesTip));
      m_pZoomRates->setStatusTip(QString::fromStdString(CommandPromptLine(id)));
      m_pZoomRates->setMenu(menu);
      m_pZoomRates->setPopupMode(QToolButton::InstantPopup);
      m_pZoomRates->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
      addWidget(m_pZoomRates);
      FollowZoomRates();
    } else if (QAction* a = frame.Action(id)) {
      Describe(a, id);
      a->setIcon(ToolbarIcon(IconName(id)));
      addAction(a);
    }
  }
  if (QAction* toggle = frame.Action(ID_VIEW_TOOLBAR)) Describe(toggle, ID_VIEW_TOOLBAR);
  frame.addToolBar(Qt::TopToolBarArea, this);
  setVisible(app.App().m_settings.ShowToolBar != 0);
}

QToolButton* CControlToolBar::Button(int id) const {
  if (id >= ID_ZOOM_RATE_FIRST && id <= ID_ZOOM_RATE_LAST) return m_pZoomRates;
  QAction* a = m_frame.Action(id);
  return a ? qobject_cast<QToolButton*>(widgetForAction(a)) : nullptr;
}

// The drop-down stands for its entries: usable while one of them is, and
// named by the one that is checked.
void CControlToolBar::FollowZoomRates() {
  if (!m_pZoomRates) return;
  bool any = false;
  QString current;
  for (QAction* a : m_pZoomRates->menu()->actions()) {
    any = any || a->isEnabled();
    if (a->isChecked()) current = a->text();
  }
  m_pZoomRates->setEnabled(any);
  m_pZoomRates->setText(current);
}

// ---- the frame's side of the bar ----

bool CMainFrame::IsToolBarShown() const { return m_pToolBar && !m_pToolBar->isHidden(); }

void CMainFrame::OnViewToolBar() {
  if (!m_pToolBar) return;
  const bool show = !IsToolBarShown();
  m_pToolBar->setVisible(show);
  // Kept in the setting at once, so that exit writes what is shown.
  m_app.App().m_settings.ShowToolBar = show ? 1 : 0;
  updateActions();
}

// A right click on the bar or the menu bar offers command 443, checked.
QMenu* CMainFrame::createPopupMenu() {
  updateActions();
  auto* menu = new QMenu(this);
  if (QAction* toggle = Action(ID_VIEW_TOOLBAR)) menu->addAction(toggle);
  return menu;
}

} // namespace qv
