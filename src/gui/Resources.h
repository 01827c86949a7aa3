#pragma once
// The program's images by their resource numbers: the application icon
// (122), the window icons by format code (132..139), the view's cursors
// (111 open hand, 112 closed hand), the background tile (159) and the
// About picture (160).
class QCursor;
class QIcon;
class QPixmap;

namespace qv {

constexpr int IDI_APPLICATION_ICON = 122;
constexpr int IDC_HAND_OPEN = 111;
constexpr int IDC_HAND_CLOSED = 112;
constexpr int IDC_LINK_HAND = 117;
constexpr int IDB_BACKGROUND_TILE = 159;
constexpr int IDB_ABOUT = 160;

QIcon ResourceIcon(int id);
QCursor ResourceCursor(int id);
QPixmap ResourceBitmap(int id);
// A control toolbar picture: res/toolbar/<name>.png.
QIcon ToolbarIcon(const char* name);

} // namespace qv
