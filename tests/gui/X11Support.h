#pragma once
// What the X server and the window manager make of our windows, read from
// the server itself: empty answers on any other platform.
#include <optional>
#include <vector>

#include <QByteArray>
#include <QRect>

class QWidget;

namespace qv::test {

// Running on the X11 platform.
bool OnX11();
// A window manager that says so on the root window (_NET_SUPPORTING_WM_CHECK).
bool WindowManagerRunning();
// The X window of a top-level widget (created on demand).
unsigned XWindowOf(QWidget* widget);
// A property's bytes (8-bit data), or nothing when the window lacks it.
std::optional<QByteArray> XTextProperty(unsigned window, const char* atom);
// A property of 32-bit items (windows, cardinals); empty when missing.
std::vector<unsigned> XListProperty(unsigned window, const char* atom);
unsigned XRootWindow();
// Bottom to top, as the window manager stacks its clients.
std::vector<unsigned> XStackingOrder();
// Where in the stacking order a window stands, or -1.
int XStackingIndex(unsigned window);
// Returns once the window manager has handled every request sent so far
// (it answers a frame-extents request, which queues behind them); false when
// it did not within the time.
bool SyncWithWindowManager(int timeoutMs = 5000);
// The whole screen as the X server shows it, saved beside the other pictures.
void ScreenShotOfScreen(const char* name, const QRect& part = QRect());

} // namespace qv::test
