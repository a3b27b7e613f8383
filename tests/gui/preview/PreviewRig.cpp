// SPDX-License-Identifier: MIT
#include "PreviewRig.h"

#include <QTest>
#include <algorithm>
#include <fstream>

#include "link/CameraLink.h"

namespace lumarel::testing {

PreviewRig::PreviewRig(int pictures, sim::CameraSettings settings) {
  camera = std::make_unique<sim::SimCamera>(settings, sim::GeneratePictures(pictures, 7));
  camera->SetLog([this](const std::string& line) {
    // "rx CmdDeletePicture at 115200"
    if (line.rfind("rx Cmd", 0) != 0) return;
    const std::string name = line.substr(3, line.find(' ', 3) - 3);
    std::lock_guard lock(mutex_);
    received_.push_back(name);
  });
  transport = std::make_unique<sim::PtyTransport>(*camera, sim::TransportSettings{});
  std::string error;
  if (!transport->Open(error)) {
    ADD_FAILURE() << error;
    return;
  }
  server_ = std::thread([this] { transport->Run(); });
  std::ofstream(scratch.SettingsPath())
      << "[Ports]\nCOM1=" << transport->SlavePath() << "\nCOM2=\nCOM3=\nCOM4=\n";
}

PreviewRig::~PreviewRig() {
  if (frame) {
    frame->close();
    frame.reset();
  }
  link.reset();
  transport->Stop();
  if (server_.joinable()) server_.join();
}

bool PreviewRig::StartAndLoad() {
  link = std::make_unique<CameraFrameLink>();
  frame = std::make_unique<Frame>(*link, scratch.env);
  link->AttachPreview();
  frame->show();
  return WaitFor([this] { return frame->MdiClientEnabled(); });
}

bool PreviewRig::WaitFor(const std::function<bool()>& done, int milliseconds) {
  return QTest::qWaitFor(done, milliseconds);
}

PictureList& PreviewRig::List() { return link->Link()->Pictures(); }

bool PreviewRig::MenuEnabled(int id) const {
  QAction* item = frame->MenuItem(MenuKind::Preview, id);
  return item && item->isEnabled();
}

void PreviewRig::ClickPicture(int index, Qt::KeyboardModifiers modifiers) {
  const QPoint centre(10 + 140 * (index % 4) + 60, 60 + 130 * (index / 4) + 45);
  QTest::mouseClick(&Preview(), Qt::LeftButton, modifiers, centre);
}

std::vector<std::string> PreviewRig::Received() const {
  std::lock_guard lock(mutex_);
  return {received_.begin() + static_cast<std::ptrdiff_t>(mark_), received_.end()};
}

void PreviewRig::Mark() {
  std::lock_guard lock(mutex_);
  mark_ = received_.size();
}

int PreviewRig::Count(const std::string& command) const {
  const std::vector<std::string> all = Received();
  return static_cast<int>(std::count(all.begin(), all.end(), command));
}

std::vector<std::string> PreviewRig::MessageTexts() const {
  std::vector<std::string> texts;
  for (const MessageRequest& m : messages.shown) texts.push_back(m.text);
  return texts;
}

}  // namespace lumarel::testing
