#include "gui/Resources.h"

#include <QCursor>
#include <QIcon>
#include <QPixmap>

// The resource file sits in a static library: nothing references its
// initialiser, so it is called by hand before the first look-up.
static void InitQuorvexResources() { Q_INIT_RESOURCE(quorvex); }

namespace qv {
namespace {

void EnsureResources() {
  static const bool done = (InitQuorvexResources(), true);
  (void)done;
}

bool IsFormatIcon(int id) { return (id >= 132 && id <= 137) || id == 139; }

} // namespace

QIcon ResourceIcon(int id) {
  EnsureResources();
  QIcon icon;
  if (id == IDI_APPLICATION_ICON) {
    for (int s : {16, 32, 48, 64, 128, 256}) icon.addFile(QStringLiteral(":/icons/quorvex-%1.png").arg(s));
  } else if (IsFormatIcon(id)) {
    for (int s : {16, 32}) icon.addFile(QStringLiteral(":/icons/format%1-%2.png").arg(id).arg(s));
  }
  return icon;
}

QCursor ResourceCursor(int id) {
  EnsureResources();
  switch (id) {
  case IDC_HAND_OPEN: return QCursor(QPixmap(QStringLiteral(":/cursors/hand-open.png")), 8, 8);
  case IDC_HAND_CLOSED: return QCursor(QPixmap(QStringLiteral(":/cursors/hand-closed.png")), 8, 8);
  case IDC_LINK_HAND: return QCursor(Qt::PointingHandCursor);
  default: return QCursor(Qt::ArrowCursor);
  }
}

QPixmap ResourceBitmap(int id) {
  EnsureResources();
  switch (id) {
  case IDB_BACKGROUND_TILE: return QPixmap(QStringLiteral(":/bitmaps/tile.png"));
  case IDB_ABOUT: return QPixmap(QStringLiteral(":/bitmaps/about.png"));
  default: return QPixmap();
  }
}

QIcon ToolbarIcon(const char* name) {
  EnsureResources();
  if (!name) return QIcon();
  return QIcon(QStringLiteral(":/toolbar/%1.png").arg(QLatin1String(name)));
}

} // namespace qv
