// SPDX-License-Identifier: MIT
// The five menus, each built once and kept for the whole run, so that an item
// enabled or grayed on one menu keeps its state while another menu is shown.
// Every item carries its command identifier; choosing it calls the handler.
#pragma once

#include <QAction>
#include <QList>
#include <QMenu>
#include <array>
#include <functional>
#include <map>

#include "windows/CommandIds.h"

namespace lumarel {

class MenuSet {
 public:
  using CommandHandler = std::function<void(int id)>;

  MenuSet(QWidget* owner, CommandHandler onCommand);

  // The popups of one menu, left to right.
  const QList<QMenu*>& Popups(MenuKind kind) const { return Menu(kind).popups; }
  // The menu's "&Window" popup, which ends with the list of open windows; null for the frame's menu.
  QMenu* WindowPopup(MenuKind kind) const;
  // The item of a menu with this identifier (the first, when a menu has it twice), or null.
  QAction* Item(MenuKind kind, int id) const;
  // The resource name of a menu: "qdserver", "preview", "capture", "imagefile", "liveimage".
  static const char* Name(MenuKind kind);

 private:
  struct Built {
    QList<QMenu*> popups;
    std::map<int, QAction*> items;
  };
  const Built& Menu(MenuKind kind) const { return menus_[static_cast<int>(kind)]; }
  void Build(MenuKind kind, QWidget* owner);

  CommandHandler onCommand_;
  std::array<Built, 5> menus_;
};

}  // namespace lumarel
