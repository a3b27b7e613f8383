// SPDX-License-Identifier: MIT
// One program per user: a second `lumarel FILE...` hands its files to the one
// already running (which opens each in its own window and comes to the front)
// and ends, instead of starting a second frame that would find the camera's
// port held. The two talk over a local socket in the user's runtime folder
// ($XDG_RUNTIME_DIR, mode 0700): the files as a QStringList of absolute paths,
// answered with one byte once the running program has them.
#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>

class QLocalServer;

namespace lumarel {

class SingleInstance final : public QObject {
  Q_OBJECT
 public:
  using FilesHandler = std::function<void(const QStringList& files)>;

  // `socketPath` empty: lumarel.socket in the user's runtime folder.
  explicit SingleInstance(QString socketPath = {}, QObject* parent = nullptr);
  ~SingleInstance() override;

  // Hands `files` to a running program; true once it has confirmed them.
  // False when none runs (or it did not answer within `timeoutMs`).
  bool HandOver(const QStringList& files, int timeoutMs = 3000) const;
  // Takes the socket (removing one left by a program that did not end
  // normally) and calls `handler` with each list another program hands over.
  bool Listen(FilesHandler handler);
  const QString& SocketPath() const { return socketPath_; }

 private:
  void OnConnection();

  QString socketPath_;
  QLocalServer* server_ = nullptr;
  FilesHandler handler_;
};

}  // namespace lumarel
