// SPDX-License-Identifier: MIT
// Base of every MDI child (Preview, Capture, Openfile, Live): one Command entry
// that answers whether it handled a command, the close question, F1 for help,
// and the services of the frame the child needs (ChildHost).
#pragma once

#include <QString>
#include <QWidget>

#include "platform/Notifier.h"
#include "windows/CommandIds.h"

namespace lumarel {

// What the frame offers its children.
class ChildHost {
 public:
  virtual ~ChildHost() = default;
  virtual bool ExitConfirmed() const = 0;
  virtual void OpenHelp(HelpTopic topic) = 0;
  virtual void SetStatusText(const QString& text) = 0;
  virtual void HideProgress() = 0;
  // Enables or grays an item of one menu; the state stays with that menu.
  virtual void SetMenuItemEnabled(MenuKind menu, int id, bool enabled) = 0;
  // The same on the menu the frame shows now (the active child's).
  virtual void SetCurrentMenuItemEnabled(int id, bool enabled) = 0;
  virtual Notifier& Messages() = 0;
};

enum class ChildKind { Preview, Capture, Openfile, Liveimage };

class ChildWindow : public QWidget {
  Q_OBJECT
 public:
  ChildWindow(ChildKind kind, ChildHost& host, QWidget* parent = nullptr);

  ChildKind Kind() const { return kind_; }
  MenuKind Menu() const;
  bool IsPermanent() const { return kind_ == ChildKind::Preview || kind_ == ChildKind::Liveimage; }

  // Returns true when the command was handled here.
  virtual bool Command(int id) { return false; }
  // The answer to "may this window close now?"; may ask the user first.
  virtual bool QueryEndSession();
  // Called when the window becomes the active child (palette remake and repaint).
  virtual void Activated() {}

 protected:
  ChildHost& Host() { return host_; }
  void keyPressEvent(QKeyEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  ChildKind kind_;
  ChildHost& host_;
};

}  // namespace lumarel
