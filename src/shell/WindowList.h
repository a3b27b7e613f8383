// SPDX-License-Identifier: MIT
// The open windows at the end of each "&Window" popup, as a multiple-document
// program lists them: a separator, then one item per window in the order the
// windows were created ("&1 Preview Window" ...), the active one checked.
// Choosing an item activates its window. The list is rebuilt each time a popup
// is about to show, so titles changed by Save As are current.
#pragma once

#include <QList>
#include <QObject>

class QAction;
class QMdiArea;
class QMenu;

namespace lumarel {

class WindowList final : public QObject {
  Q_OBJECT
 public:
  explicit WindowList(QMdiArea* area, QObject* parent = nullptr);

  // Keeps the end of `popup` listing the windows.
  void Attach(QMenu* popup);
  // Replaces the list at the end of `popup` by the windows open now.
  void Rebuild(QMenu* popup);
  // The window items of `popup` (without the separator), top to bottom.
  static QList<QAction*> Entries(const QMenu* popup);

 private:
  QMdiArea* area_;
};

}  // namespace lumarel
