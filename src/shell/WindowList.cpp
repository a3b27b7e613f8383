// SPDX-License-Identifier: MIT
#include "shell/WindowList.h"

#include <QAction>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QPointer>

namespace lumarel {
namespace {

// Marks the actions this list owns, so a rebuild removes exactly them.
constexpr const char* kListProperty = "lumarelWindowList";

bool IsListed(const QAction* action) { return action->property(kListProperty).toBool(); }

// "&1 title" .. "&9 title"; later windows have no mnemonic.
QString ItemText(int number, const QString& title) {
  QString escaped = title;
  escaped.replace('&', "&&");
  return number <= 9 ? QString("&%1 %2").arg(number).arg(escaped)
                     : QString("%1 %2").arg(number).arg(escaped);
}

}  // namespace

WindowList::WindowList(QMdiArea* area, QObject* parent) : QObject(parent), area_(area) {}

void WindowList::Attach(QMenu* popup) {
  if (!popup) return;
  connect(popup, &QMenu::aboutToShow, this, [this, popup] { Rebuild(popup); });
}

void WindowList::Rebuild(QMenu* popup) {
  for (QAction* action : popup->actions()) {
    if (IsListed(action)) {
      popup->removeAction(action);
      action->deleteLater();
    }
  }
  const QList<QMdiSubWindow*> windows = area_->subWindowList(QMdiArea::CreationOrder);
  if (windows.isEmpty()) return;
  QAction* separator = popup->addSeparator();
  separator->setProperty(kListProperty, true);
  int number = 0;
  for (QMdiSubWindow* window : windows) {
    const QString title = window->widget() ? window->widget()->windowTitle() : window->windowTitle();
    QAction* item = popup->addAction(ItemText(++number, title));
    item->setProperty(kListProperty, true);
    item->setCheckable(true);
    item->setChecked(window == area_->activeSubWindow());
    QPointer<QMdiSubWindow> target(window);
    connect(item, &QAction::triggered, this, [this, target] {
      if (!target) return;
      if (target->isMinimized()) target->showNormal();
      area_->setActiveSubWindow(target);
    });
  }
}

QList<QAction*> WindowList::Entries(const QMenu* popup) {
  QList<QAction*> entries;
  for (QAction* action : popup->actions()) {
    if (IsListed(action) && !action->isSeparator()) entries.push_back(action);
  }
  return entries;
}

}  // namespace lumarel
