#include "gui/SingleInstance.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QThread>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace qv {
namespace {

QString RuntimeFolder() {
  QString dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
  if (dir.isEmpty()) dir = QDir::tempPath();
  return dir;
}

} // namespace

CSingleInstance::CSingleInstance(const std::string& key) {
  const QString name = key.empty() ? QStringLiteral("quorvex-%1").arg(getuid()) : QString::fromStdString(key);
  m_lockPath = RuntimeFolder() + QLatin1Char('/') + name + QStringLiteral(".lock");
  m_serverName = name;
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
  m_lockFd = ::open(QFile::encodeName(m_lockPath).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (m_lockFd < 0) return true;  // no runtime folder: run without the guard
  if (flock(m_lockFd, LOCK_EX | LOCK_NB) != 0) {
    ::close(m_lockFd);
    m_lockFd = -1;
    return false;
  }
  m_pServer = new QLocalServer(this);
  m_pServer->setSocketOptions(QLocalServer::UserAccessOption);
  // A server left behind by a crashed instance would block the name.
  QLocalServer::removeServer(m_serverName);
  if (m_pServer->listen(m_serverName))
    connect(m_pServer, &QLocalServer::newConnection, this, &CSingleInstance::OnNewConnection);
  return true;
}

bool CSingleInstance::SendFiles(const std::vector<std::string>& files) {
  QByteArray payload;
  for (const std::string& f : files) payload += QByteArray::fromStdString(f) + '\n';
  // The running instance may still be starting: it takes the lock before
  // it listens.
  QElapsedTimer timer;
  timer.start();
  while (timer.elapsed() < 3000) {
    QLocalSocket socket;
    socket.connectToServer(m_serverName);
    if (socket.waitForConnected(500)) {
      socket.write(payload);
      socket.flush();
      socket.waitForBytesWritten(1000);
      socket.disconnectFromServer();
      if (socket.state() != QLocalSocket::UnconnectedState) socket.waitForDisconnected(1000);
      return true;
    }
    QThread::msleep(100);
  }
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
