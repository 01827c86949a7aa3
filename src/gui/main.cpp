// quorvex: the desktop program.
#include <clocale>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include <QApplication>

#include "app/Profile.h"
#include "gui/QuorvexApp.h"
#include "quorvex_version.h"

namespace {

const char kUsage[] = "usage: quorvex [--config DIR] [--] [FILE...]\n"
                      "       quorvex --help | --version\n";

// --help and --version are answered before Qt starts, so they need no display.
// 0: neither was asked for; else 1 for --help, 2 for --version.
int AskedFor(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--") == 0) break;
    if (std::strcmp(argv[i], "--config") == 0) {
      ++i;
      continue;
    }
    if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) return 1;
    if (std::strcmp(argv[i], "--version") == 0) return 2;
  }
  return 0;
}

} // namespace

int main(int argc, char** argv) {
  switch (AskedFor(argc, argv)) {
  case 1:
    std::fputs(kUsage, stdout);
    std::fputs("Opens each FILE in a window of its own inside one main window; a second start\n"
               "hands its FILEs to the running program.\n\n"
               "      --config=DIR  use the settings folder DIR (default: $QUORVEX_CONFIG_DIR,\n"
               "                    else $XDG_CONFIG_HOME/quorvex, else ~/.config/quorvex)\n"
               "      --            every later argument is a file name\n"
               "  -h, --help        print this help and exit\n"
               "      --version     print the version and exit\n\n"
               "The same jobs without a window: quorvex-cli.\n",
               stdout);
    return std::fflush(stdout) == 0 ? 0 : 1;
  case 2:
    std::printf("quorvex %s\n", QUORVEX_VERSION);
    return std::fflush(stdout) == 0 ? 0 : 1;
  }

  QApplication qapp(argc, argv);
  // Qt took the whole locale from the environment; the settings file, the
  // gamma texts and the numbers the core prints keep a '.' whatever it is.
  std::setlocale(LC_NUMERIC, "C");
  QApplication::setApplicationName(QStringLiteral("quorvex"));
  QApplication::setDesktopFileName(QStringLiteral("quorvex"));

  std::vector<std::string> args;
  for (const QString& a : QApplication::arguments().mid(1)) args.push_back(a.toLocal8Bit().toStdString());
  std::string configOverride;
  qv::StartOptions options;
  if (!qv::ParseCommandLine(args, configOverride, options)) {
    std::fputs(kUsage, stderr);
    return 2;
  }

  qv::CQuorvexApp app(qv::ConfigDirectory(configOverride));
  switch (app.InitInstance(options)) {
  case qv::CQuorvexApp::StartResult::OtherInstance: return 0;
  case qv::CQuorvexApp::StartResult::Failed: return 1;
  case qv::CQuorvexApp::StartResult::Running: break;
  }
  const int rc = QApplication::exec();
  app.ExitInstance();
  return rc;
}
