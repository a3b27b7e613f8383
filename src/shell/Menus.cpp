// SPDX-License-Identifier: MIT
#include "shell/Menus.h"

#include <initializer_list>
#include <vector>

namespace lumarel {
namespace {

// One entry of a popup: a command (id != 0), a separator (text null), or a
// nested popup (sub not empty).
struct Entry {
  const char* text;
  int id;
  bool grayed;
  std::vector<Entry> sub;
};
struct Popup {
  const char* title;
  std::vector<Entry> entries;
};

const Entry kSeparator{nullptr, 0, false, {}};
Entry Item(const char* text, int id, bool grayed = false) { return {text, id, grayed, {}}; }

// The desktop's usual keys for the commands that have one. None of them is a
// key of the windows themselves (the Preview grid takes arrows, Space, Enter
// and Delete, with or without Ctrl and Shift).
QKeySequence StandardKeys(int id) {
  switch (id) {
    case kCmdOpen: return QKeySequence(Qt::CTRL | Qt::Key_O);
    case kCmdSaveAs: return QKeySequence(Qt::CTRL | Qt::Key_S);
    case kCmdPrint: return QKeySequence(Qt::CTRL | Qt::Key_P);
    case kCmdExit: return QKeySequence(Qt::CTRL | Qt::Key_Q);
    case kCmdCopyToClipboard: return QKeySequence(Qt::CTRL | Qt::Key_C);
    default: return {};
  }
}

// Flash All Erase; the Preview window's menu carries it too, because the
// frame's own menu shows only while no window is active.
Popup SpecialPopup() { return {"Special", {Item("&Flash All Erase", kCmdFlashErase)}}; }

Popup HelpPopup() {
  return {"&Help", {Item("&Help...", kCmdHelp), kSeparator, Item("&About...", kCmdAbout)}};
}

Popup ImagePopup() {
  return {"&Image",
          {Item("Image &Adjustment...", kCmdImageAdjust), kSeparator,
           Item("&Copy to Clipboard", kCmdCopyToClipboard)}};
}

std::vector<Popup> Layout(MenuKind kind) {
  const Entry open = Item("&Open...", kCmdOpen);
  const Entry saveAsGrayed = Item("Save &As...", kCmdSaveAs, true);
  const Entry communication = Item("&Communication...", kCmdCommunication);
  const Entry exit = Item("E&xit", kCmdExit);
  const Entry print = Item("&Print...", kCmdPrint);
  const Popup window{"&Window", {Item("C&lose Image", kCmdCloseImage)}};
  switch (kind) {
    case MenuKind::Frame:
      return {{"&File", {open, saveAsGrayed, kSeparator, communication, kSeparator, exit}},
              SpecialPopup(),
              HelpPopup()};
    case MenuKind::Preview:
      return {{"&File",
               {open, saveAsGrayed, kSeparator, Item("&Data in from camera", kCmdDataIn, true),
                Item("Delete &Page", kCmdDeletePage, true),
                Item("Delete A&ll", kCmdDeleteAll, true), kSeparator, communication, kSeparator,
                exit}},
              window,
              {"&Option", {Item("&Reload", kCmdReload, true)}},
              SpecialPopup(),
              HelpPopup()};
    case MenuKind::Capture:
      return {{"&File",
               {open, saveAsGrayed, kSeparator, communication, kSeparator, print, kSeparator,
                exit}},
              ImagePopup(),
              window,
              HelpPopup()};
    case MenuKind::Imagefile:
      return {{"&File",
               {open, Item("Save &As...", kCmdSaveAs), kSeparator,
                {"Data out &to camera",
                 0,
                 false,
                 {Item("&Fine mode", kCmdFineMode, true),
                  Item("&Normal mode", kCmdNormalMode, true)}},
                kSeparator, communication, kSeparator, print, kSeparator, exit}},
              ImagePopup(),
              window,
              HelpPopup()};
    case MenuKind::Liveimage:
      return {{"&File", {saveAsGrayed, kSeparator, communication, kSeparator, exit}},
              {"&Window",
               {Item("C&lose Image", kCmdCloseImage), kSeparator,
                Item("Live &photo Zoom In", kCmdZoomIn, true)}},
              HelpPopup()};
  }
  return {};
}

}  // namespace

MenuSet::MenuSet(QWidget* owner, CommandHandler onCommand) : onCommand_(std::move(onCommand)) {
  for (MenuKind kind : {MenuKind::Frame, MenuKind::Preview, MenuKind::Capture,
                        MenuKind::Imagefile, MenuKind::Liveimage}) {
    Build(kind, owner);
  }
}

void MenuSet::Build(MenuKind kind, QWidget* owner) {
  Built& built = menus_[static_cast<int>(kind)];
  std::function<void(QMenu*, const std::vector<Entry>&)> fill = [&](QMenu* menu,
                                                                     const std::vector<Entry>& es) {
    for (const Entry& e : es) {
      if (e.text == nullptr) {
        menu->addSeparator();
      } else if (!e.sub.empty()) {
        fill(menu->addMenu(e.text), e.sub);
      } else {
        QAction* action = menu->addAction(e.text);
        action->setData(e.id);
        action->setEnabled(!e.grayed);
        action->setShortcut(StandardKeys(e.id));
        const int id = e.id;
        QObject::connect(action, &QAction::triggered, menu, [this, id] { onCommand_(id); });
        built.items.emplace(e.id, action);
      }
    }
  };
  for (const Popup& popup : Layout(kind)) {
    auto* menu = new QMenu(popup.title, owner);
    menu->setObjectName(QString("%1/%2").arg(Name(kind), popup.title));
    fill(menu, popup.entries);
    built.popups.push_back(menu);
  }
}

QMenu* MenuSet::WindowPopup(MenuKind kind) const {
  for (QMenu* popup : Popups(kind)) {
    if (popup->title() == "&Window") return popup;
  }
  return nullptr;
}

QAction* MenuSet::Item(MenuKind kind, int id) const {
  const auto& items = Menu(kind).items;
  auto it = items.find(id);
  return it == items.end() ? nullptr : it->second;
}

const char* MenuSet::Name(MenuKind kind) {
  switch (kind) {
    case MenuKind::Frame: return "qdserver";
    case MenuKind::Preview: return "preview";
    case MenuKind::Capture: return "capture";
    case MenuKind::Imagefile: return "imagefile";
    case MenuKind::Liveimage: return "liveimage";
  }
  return "";
}

}  // namespace lumarel
