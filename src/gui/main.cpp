// quorvex: the desktop program.
#include <cstdio>
#include <string>
#include <vector>

#include <QApplication>

#include "app/Profile.h"
#include "gui/QuorvexApp.h"

int main(int argc, char** argv) {
  QApplication qapp(argc, argv);
  QApplication::setApplicationName(QStringLiteral("quorvex"));
  QApplication::setDesktopFileName(QStringLiteral("quorvex"));

  std::vector<std::string> args;
  for (const QString& a : QApplication::arguments().mid(1)) args.push_back(a.toLocal8Bit().toStdString());
  std::string configOverride;
  qv::StartOptions options;
  if (!qv::ParseCommandLine(args, configOverride, options)) {
    std::fprintf(stderr, "usage: quorvex [--config DIR] [FILE...]\n");
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
