// SPDX-License-Identifier: MIT
// One of the Live window's two owner-drawn buttons (100 x 30). Every press and
// release goes to the button logic as a selection change; the face the logic
// chose is then drawn unscaled. The button paints opaquely, so its repaints
// never repaint the window behind it (whose paint asks for live frames).
#pragma once

#include <QAbstractButton>
#include <functional>

namespace lumarel {

class LiveFaceButton final : public QAbstractButton {
  Q_OBJECT
 public:
  // `notify(selected)` runs the button logic; `face()` gives the bitmap id to show.
  LiveFaceButton(int id, std::function<void(bool selected)> notify, std::function<int()> face,
                 QWidget* parent);
  int Id() const { return id_; }
  int CurrentFace() const { return face_ ? face_() : 0; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  QSize sizeHint() const override { return {100, 30}; }

 private:
  int id_;
  std::function<void(bool)> notify_;
  std::function<int()> face_;
};

}  // namespace lumarel
