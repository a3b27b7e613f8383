// SPDX-License-Identifier: MIT
// An owner-drawn picture button: a greyed face while it has nothing to act on,
// a pressed face while held, a raised face otherwise. Its command fires when
// it is released after having been pressed, and only while it is active.
#pragma once

#include <QAbstractButton>
#include <functional>

namespace lumarel {

class FaceButton final : public QAbstractButton {
  Q_OBJECT
 public:
  struct Faces {
    int inactive;
    int pressed;
    int released;
  };
  FaceButton(int id, Faces faces, std::function<bool()> active, QWidget* parent);
  int Id() const { return id_; }
  // The bitmap id the button shows now.
  int CurrentFace() const;

 signals:
  void Command(int id);

 protected:
  void paintEvent(QPaintEvent* event) override;
  QSize sizeHint() const override;

 private:
  int id_;
  Faces faces_;
  std::function<bool()> active_;
};

}  // namespace lumarel
