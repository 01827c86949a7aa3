#pragma once
// One running program per user: a lock file and, beside it, the local
// socket through which a second start hands over its file names, both in
// the user's runtime folder (or a private folder of the user's when there
// is none).
#include <string>
#include <vector>

#include <QObject>
#include <QStringList>

class QLocalServer;

namespace qv {

class CSingleInstance : public QObject {
  Q_OBJECT
public:
  // key "" : "quorvex-<uid>".
  explicit CSingleInstance(const std::string& key = std::string());
  ~CSingleInstance() override;

  // True when this is the only instance; it then listens for others.
  bool Acquire();
  // From a second instance: passes the files to the running one, trying
  // for up to timeoutMs while it may still be starting. False when it could
  // not be reached.
  bool SendFiles(const std::vector<std::string>& files, int timeoutMs = 3000);

  // $XDG_RUNTIME_DIR, else <temporary folder>/quorvex-runtime-<uid> (mode 0700);
  // "" when neither can be had.
  static QString Folder();

  const QString& LockPath() const { return m_lockPath; }
  const QString& ServerName() const { return m_serverName; }

signals:
  void filesReceived(const QStringList& files);

private:
  void OnNewConnection();

  QString m_lockPath;
  QString m_serverName;
  int m_lockFd = -1;
  QLocalServer* m_pServer = nullptr;
};

} // namespace qv
