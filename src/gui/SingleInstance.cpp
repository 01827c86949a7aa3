#include "gui/SingleInstance.h"

#include <QElapsedTimer>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QThread>

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qv {
namespace {

bool IsDirectory(const QByteArray& path) {
  struct stat st {};
  return !path.isEmpty() && ::stat(path.constData(), &st) == 0 && S_ISDIR(st.st_mode);
}

// A folder of this user's alone, made when missing: a real directory (no
// link), owned by the user, closed to everybody else.
bool IsPrivateFolder(const QByteArray& path) {
  if (::mkdir(path.constData(), 0700) != 0 && errno != EEXIST) return false;
  struct stat st {};
  if (::lstat(path.constData(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::getuid()) return false;
  if ((st.st_mode & 077) != 0 && ::chmod(path.constData(), 0700) != 0) return false;
  return true;
}

} // namespace

QString CSingleInstance::Folder() {
  const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
  if (IsDirectory(runtime)) return QFile::decodeName(runtime);
  const QByteArray tmp = qgetenv("TMPDIR");
  const QByteArray base = IsDirectory(tmp) ? tmp : QByteArray("/tmp");
  const QByteArray own = base + "/quorvex-runtime-" + QByteArray::number(static_cast<qulonglong>(::getuid()));
  return IsPrivateFolder(own) ? QFile::decodeName(own) : QString();
}

CSingleInstance::CSingleInstance(const std::string& key) {
  const QString name = key.empty() ? QStringLiteral("quorvex-%1").arg(getuid()) : QString::fromStdString(key);
  // The lock and the socket stay together: whoever holds the lock is the
  // one that listens there.
  const QString folder = Folder();
  if (folder.isEmpty()) return;
  m_lockPath = folder + QLatin1Char('/') + name + QStringLiteral(".lock");
  m_serverName = folder + QLatin1Char('/') + name + QStringLiteral(".socket");
}

CSingleInstance::~CSingleInstance() {
  if (m_pServer) m_pServer->close();
  if (m_lockFd >= 0) {
    // The file stays: removing it would race with a starting instance that
    // has it open; the lock itself ends with the descriptor.
    flock(m_lockFd, LOCK_UN);
    ::close(m_lockFd);
  }
}

bool CSingleInstance::Acquire() {
  if (m_lockFd >= 0) return true;
  if (m_lockPath.isEmpty()) return true;  // no folder of our own: run without the guard
  m_lockFd = ::open(QFile::encodeName(m_lockPath).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (m_lockFd < 0) return true;
  if (flock(m_lockFd, LOCK_EX | LOCK_NB) != 0) {
    ::close(m_lockFd);
    m_lockFd = -1;
    return false;
  }
  m_pServer = new QLocalServer(this);
  m_pServer->setSocketOptions(QLocalServer::UserAccessOption);
  // A socket left behind by a crashed instance would block the name; the
  // lock says that nobody listens there any more.
  QLocalServer::removeServer(m_serverName);
  if (m_pServer->listen(m_serverName))
    connect(m_pServer, &QLocalServer::newConnection, this, &CSingleInstance::OnNewConnection);
  return true;
}

bool CSingleInstance::SendFiles(const std::vector<std::string>& files, int timeoutMs) {
  if (m_serverName.isEmpty()) return false;
  QByteArray payload;
  for (const std::string& f : files) payload += QByteArray::fromStdString(f) + '\n';
  // The running instance may still be starting: it takes the lock before
  // it listens.
  QElapsedTimer timer;
  timer.start();
  do {
    QLocalSocket socket;
    socket.connectToServer(m_serverName);
    if (socket.waitForConnected(500)) {
      socket.write(payload);
      socket.flush();
      const bool written = payload.isEmpty() || socket.waitForBytesWritten(1000) || socket.bytesToWrite() == 0;
      socket.disconnectFromServer();
      if (socket.state() != QLocalSocket::UnconnectedState) socket.waitForDisconnected(1000);
      if (written) return true;
    }
    QThread::msleep(100);
  } while (timer.elapsed() < timeoutMs);
  return false;
}

void CSingleInstance::OnNewConnection() {
  // The other instance writes its names and disconnects; they are read
  // once it has gone.
  auto takeFiles = [this](QLocalSocket* socket) {
    QStringList files;
    for (const QByteArray& line : socket->readAll().split('\n'))
      if (!line.isEmpty()) files << QFile::decodeName(line);
    socket->deleteLater();
    emit filesReceived(files);
  };
  while (QLocalSocket* socket = m_pServer->nextPendingConnection()) {
    if (socket->state() != QLocalSocket::ConnectedState) {
      takeFiles(socket);
      continue;
    }
    connect(socket, &QLocalSocket::disconnected, this, [takeFiles, socket] { takeFiles(socket); });
  }
}

} // namespace qv
