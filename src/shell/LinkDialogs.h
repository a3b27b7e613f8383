// SPDX-License-Identifier: MIT
// The link's dialogs: the two wait dialogs that blink "Please wait" while a
// transfer or an erase runs, the disconnect and reconnect dialogs with their
// Help buttons, and the warning that confirms giving up the connection.
// Buttons carry their identifiers as object names ("button1"...), the blinking
// text field is "1005".
#pragma once

#include <QDialog>
#include <QTimer>
#include <functional>
#include <string>
#include <vector>

class QLabel;

namespace lumarel {

// DATA_TRANS (transfers) and PERASE_PROC (erasing). Closed by command 1 or 2,
// Enter or Esc.
class WaitDialogWindow final : public QDialog {
  Q_OBJECT
 public:
  enum class Kind { DataTransfer, Erase };
  static constexpr int kBlinkMilliseconds = 500;

  explicit WaitDialogWindow(Kind kind, QWidget* parent = nullptr);
  Kind DialogKind() const { return kind_; }
  QString BlinkText() const;
  // One blink: swaps the text field between its two texts and re-arms the timer.
  void Blink();
  const QTimer& BlinkTimer() const { return blink_; }
  // For a dialog whose blinking the link drives: stop the own timer, show a text.
  void StopOwnBlinking() { blink_.stop(); ownBlink_ = false; }
  void SetBlinkText(const QString& text);
  // Called when the user closes it with Enter or Esc (the id is 1 or 2).
  void SetClosedByUser(std::function<void(int id)> handler) { closedByUser_ = std::move(handler); }
  // A command sent by the link code: 1 or 2 close the dialog.
  void Command(int id);
  void accept() override { UserClose(1); }  // Enter
  void reject() override { UserClose(2); }  // Esc

 private:
  Kind kind_;
  QLabel* field_;
  void UserClose(int id);

  QTimer blink_;
  bool shown_ = true;
  bool ownBlink_ = true;
  std::function<void(int)> closedByUser_;
};

// COM_CANCELOK: result 1 for OK, 2 for Cancel.
class ComCancelOkDialog final : public QDialog {
  Q_OBJECT
 public:
  explicit ComCancelOkDialog(QWidget* parent = nullptr);
  void reject() override { done(2); }
};

// COM_DISCONNECT and COM_RECONNECT share their shape: a message, an action
// button (1: Reconnect or Retry), Cancel (2) that asks COM_CANCELOK first, and
// Help (3) that opens the help at a context and leaves the dialog open.
class LinkLostDialog final : public QDialog {
  Q_OBJECT
 public:
  enum class Kind { Disconnected, Reconnect };
  struct Actions {
    std::function<void()> action;  // Reconnect or Retry, before the dialog closes
    std::function<void()> help;    // help at context 1 or 2
    // When set, every button id goes here instead, and the dialog closes when
    // it answers true (the link then asks COM_CANCELOK and opens the help itself).
    std::function<bool(int id)> route;
  };

  // `problems`: why each port gave no camera and adapter advice, one line
  // each (the Communication dialog's lines), shown under the message.
  LinkLostDialog(Kind kind, Actions actions, QWidget* parent = nullptr,
                 const std::vector<std::string>& problems = {});
  Kind DialogKind() const { return kind_; }
  void Command(int id);
  void reject() override { Command(2); }

 private:
  Kind kind_;
  Actions actions_;
};

}  // namespace lumarel
