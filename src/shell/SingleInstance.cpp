// SPDX-License-Identifier: MIT
#include "shell/SingleInstance.h"

#include <QDataStream>
#include <QLocalServer>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QTimer>

namespace lumarel {
namespace {

constexpr char kReceived = '1';
// A list longer than this is no file list; the connection is dropped.
constexpr qint64 kMaxMessageBytes = 1 << 20;

QString DefaultSocketPath() {
  return QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation) + "/lumarel.socket";
}

}  // namespace

SingleInstance::SingleInstance(QString socketPath, QObject* parent)
    : QObject(parent), socketPath_(socketPath.isEmpty() ? DefaultSocketPath() : socketPath) {}

SingleInstance::~SingleInstance() = default;

bool SingleInstance::HandOver(const QStringList& files, int timeoutMs) const {
  QLocalSocket socket;
  socket.connectToServer(socketPath_);
  if (!socket.waitForConnected(timeoutMs)) return false;
  QByteArray message;
  QDataStream out(&message, QIODevice::WriteOnly);
  out << files;
  socket.write(message);
  if (!socket.waitForBytesWritten(timeoutMs)) return false;
  if (!socket.waitForReadyRead(timeoutMs)) return false;
  char answer = 0;
  return socket.getChar(&answer) && answer == kReceived;
}

bool SingleInstance::Listen(FilesHandler handler) {
  handler_ = std::move(handler);
  server_ = new QLocalServer(this);
  server_->setSocketOptions(QLocalServer::UserAccessOption);
  connect(server_, &QLocalServer::newConnection, this, &SingleInstance::OnConnection);
  if (server_->listen(socketPath_)) return true;
  // Nobody answered on it (HandOver came first), so the socket is a leftover.
  QLocalServer::removeServer(socketPath_);
  return server_->listen(socketPath_);
}

void SingleInstance::OnConnection() {
  while (QLocalSocket* socket = server_->nextPendingConnection()) {
    connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
      if (socket->bytesAvailable() > kMaxMessageBytes) {
        socket->abort();
        return;
      }
      QDataStream in(socket);
      in.startTransaction();
      QStringList files;
      in >> files;
      if (!in.commitTransaction()) return;  // the rest is still on its way
      socket->putChar(kReceived);
      socket->flush();
      // Opening may show a message box; its event loop must not run inside
      // this signal of the socket, which the other side's hang-up deletes.
      QTimer::singleShot(0, this, [this, files] {
        if (handler_) handler_(files);
      });
    });
  }
}

}  // namespace lumarel
