// The GUI tests run inside one application object, on the offscreen
// platform unless QT_QPA_PLATFORM names another (xcb: scripts/gui-x11.sh).
#include <clocale>

#include <QApplication>
#include <QTemporaryDir>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  // Instance locks and sockets of the tests stay out of the user's own
  // runtime folder, where a running program keeps its own.
  QTemporaryDir runtime;
  if (runtime.isValid()) qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()));
  ::testing::InitGoogleTest(&argc, argv);
  QApplication app(argc, argv);
  std::setlocale(LC_NUMERIC, "C");  // as the program does
  // Tests close main windows; the process must go on.
  QApplication::setQuitOnLastWindowClosed(false);
  return RUN_ALL_TESTS();
}
