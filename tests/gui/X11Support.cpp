#include "X11Support.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include <QDir>
#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>
#include <QTest>
#include <QWidget>

#if QUORVEX_HAVE_XCB
#include <QtGui/qguiapplication_platform.h>
#include <xcb/xcb.h>
#endif

namespace qv::test {
namespace {

#if QUORVEX_HAVE_XCB
xcb_connection_t* Connection() {
  if (!OnX11()) return nullptr;
  auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
  return x11 ? x11->connection() : nullptr;
}

xcb_atom_t Atom(xcb_connection_t* c, const char* name) {
  xcb_intern_atom_reply_t* reply =
      xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, static_cast<uint16_t>(std::strlen(name)), name), nullptr);
  const xcb_atom_t atom = reply ? reply->atom : static_cast<xcb_atom_t>(XCB_ATOM_NONE);
  std::free(reply);
  return atom;
}

// Any type; format 0 in the reply means the window lacks the property.
xcb_get_property_reply_t* GetProperty(unsigned window, const char* atom) {
  xcb_connection_t* c = Connection();
  if (!c || !window) return nullptr;
  return xcb_get_property_reply(
      c, xcb_get_property(c, 0, window, Atom(c, atom), XCB_GET_PROPERTY_TYPE_ANY, 0, 1 << 16), nullptr);
}
#endif

} // namespace

bool OnX11() { return QGuiApplication::platformName() == QLatin1String("xcb"); }

unsigned XRootWindow() {
#if QUORVEX_HAVE_XCB
  if (xcb_connection_t* c = Connection()) return xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
#endif
  return 0;
}

bool WindowManagerRunning() {
  // The check window names itself: a root property left by a window
  // manager that has gone does not count.
  const std::vector<unsigned> check = XListProperty(XRootWindow(), "_NET_SUPPORTING_WM_CHECK");
  if (check.empty()) return false;
  const std::vector<unsigned> self = XListProperty(check[0], "_NET_SUPPORTING_WM_CHECK");
  return !self.empty() && self[0] == check[0];
}

unsigned XWindowOf(QWidget* widget) { return OnX11() && widget ? static_cast<unsigned>(widget->winId()) : 0; }

std::optional<QByteArray> XTextProperty(unsigned window, const char* atom) {
#if QUORVEX_HAVE_XCB
  xcb_get_property_reply_t* r = GetProperty(window, atom);
  if (!r) return std::nullopt;
  std::optional<QByteArray> out;
  if (r->format == 8)
    out = QByteArray(static_cast<const char*>(xcb_get_property_value(r)), xcb_get_property_value_length(r));
  std::free(r);
  return out;
#else
  (void)window;
  (void)atom;
  return std::nullopt;
#endif
}

std::vector<unsigned> XListProperty(unsigned window, const char* atom) {
  std::vector<unsigned> out;
#if QUORVEX_HAVE_XCB
  xcb_get_property_reply_t* r = GetProperty(window, atom);
  if (!r) return out;
  if (r->format == 32) {
    const auto* items = static_cast<const uint32_t*>(xcb_get_property_value(r));
    out.assign(items, items + xcb_get_property_value_length(r) / 4);
  }
  std::free(r);
#else
  (void)window;
  (void)atom;
#endif
  return out;
}

std::vector<unsigned> XStackingOrder() { return XListProperty(XRootWindow(), "_NET_CLIENT_LIST_STACKING"); }

int XStackingIndex(unsigned window) {
  const std::vector<unsigned> order = XStackingOrder();
  const auto it = std::find(order.begin(), order.end(), window);
  return it == order.end() ? -1 : static_cast<int>(it - order.begin());
}

bool SyncWithWindowManager(int timeoutMs) {
#if QUORVEX_HAVE_XCB
  xcb_connection_t* c = Connection();
  if (!c) return false;
  const xcb_window_t probe = xcb_generate_id(c);
  xcb_create_window(c, XCB_COPY_FROM_PARENT, probe, XRootWindow(), 0, 0, 1, 1, 0, XCB_WINDOW_CLASS_INPUT_OUTPUT,
                    XCB_COPY_FROM_PARENT, 0, nullptr);
  xcb_client_message_event_t request{};
  request.response_type = XCB_CLIENT_MESSAGE;
  request.format = 32;
  request.window = probe;
  request.type = Atom(c, "_NET_REQUEST_FRAME_EXTENTS");
  xcb_send_event(c, 0, XRootWindow(), XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                 reinterpret_cast<const char*>(&request));
  xcb_flush(c);
  const bool answered = QTest::qWaitFor([&] { return !XListProperty(probe, "_NET_FRAME_EXTENTS").empty(); }, timeoutMs);
  xcb_destroy_window(c, probe);
  xcb_flush(c);
  return answered;
#else
  (void)timeoutMs;
  return false;
#endif
}

void ScreenShotOfScreen(const char* name, const QRect& part) {
  QScreen* screen = QGuiApplication::primaryScreen();
  if (!screen) return;
  QPixmap shot = screen->grabWindow(0);
  if (!part.isNull()) shot = shot.copy(part);
  const QString folder = QStringLiteral(QUORVEX_SCREENSHOT_DIR);
  QDir().mkpath(folder);
  shot.save(folder + QLatin1Char('/') + QString::fromLatin1(name) + QStringLiteral(".png"));
}

} // namespace qv::test
