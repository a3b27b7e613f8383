// SPDX-License-Identifier: MIT
// Shared pieces of the picture-window tests: a recording frame host, an MDI
// area to hold the windows, synthetic pictures and a scripted save dialog.
#pragma once

#include <gtest/gtest.h>

#include <QFileDialog>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTemporaryDir>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "PlatformFakes.h"
#include "imagefile/DibImage.h"
#include "windows/CaptureWindowView.h"
#include "windows/ChildWindow.h"
#include "windows/ModalRunner.h"
#include "windows/SaveAsDialog.h"

namespace lumarel::testing {

class FakeHost final : public ChildHost {
 public:
  bool ExitConfirmed() const override { return false; }
  void OpenHelp(HelpTopic) override { ++helpOpened; }
  void SetStatusText(const QString& text) override { status = text; }
  void HideProgress() override { ++progressHidden; }
  void SetMenuItemEnabled(MenuKind, int, bool) override {}
  void SetCurrentMenuItemEnabled(int, bool) override {}
  Notifier& Messages() override { return notifier; }

  RecordingNotifier notifier;
  QString status;
  int helpOpened = 0;
  int progressHidden = 0;
};

// A w x h 24-bit picture in a block of blockSize bytes: blue = x, green = y,
// red = x + y (each mod 256).
inline MemoryBlock GradientPicture(int w, int h, std::size_t blockSize) {
  MemoryBlock block = AllocateBlock(blockSize);
  WriteDibHeader(block.bytes(), w, h, 24);
  const std::size_t stride = DibStride(static_cast<std::size_t>(w), 24);
  std::uint8_t* rows = DibPixels(block);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      std::uint8_t* px = rows + stride * static_cast<std::size_t>(y) + 3 * static_cast<std::size_t>(x);
      px[0] = static_cast<std::uint8_t>(x);
      px[1] = static_cast<std::uint8_t>(y);
      px[2] = static_cast<std::uint8_t>(x + y);
    }
  }
  return block;
}

inline ImageDocInit PictureInit(int w, int h, std::size_t blockSize, int modified = 0) {
  ImageDocInit init;
  init.Modified = modified;
  init.ViewWidth = static_cast<std::uint16_t>(w - 4);
  init.ViewHeight = static_cast<std::uint16_t>(h - 2);
  init.PictureBlock = GradientPicture(w, h, blockSize);
  return init;
}

// Answers the save dialog with a file and a filter index (0: cancel), and
// records the file name it proposed.
class SaveDialogScript {
 public:
  SaveDialogScript() {
    SetModalHook([this](QDialog& dialog) -> int {
      dialogs.push_back(dialog.objectName().toStdString());
      auto* files = qobject_cast<QFileDialog*>(&dialog);
      if (!files) return otherResult;
      proposed.push_back(files->selectedFiles().value(0).toStdString());
      if (filterIndex == 0) return QDialog::Rejected;
      files->selectNameFilter(files->nameFilters().value(filterIndex - 1));
      files->selectFile(QString::fromStdString(path));
      return QDialog::Accepted;
    });
  }
  ~SaveDialogScript() { SetModalHook(nullptr); }
  void Choose(const std::string& file, int filter) {
    path = file;
    filterIndex = filter;
  }

  std::string path;
  int filterIndex = 0;
  int otherResult = 0;
  std::vector<std::string> dialogs;
  std::vector<std::string> proposed;
};

// Windows live in an MDI area as in the program.
struct MdiHolder {
  MdiHolder() {
    area.resize(1000, 800);
    area.show();
  }
  QMdiSubWindow* Add(PictureWindow* window) {
    QMdiSubWindow* sub = area.addSubWindow(window);
    sub->setAttribute(Qt::WA_DeleteOnClose);
    sub->show();
    area.setActiveSubWindow(sub);
    return sub;
  }
  QMdiArea area;
};

inline std::vector<std::uint8_t> FileBytes(const std::filesystem::path& path) {
  std::ifstream f(path, std::ios::binary);
  return std::vector<std::uint8_t>((std::istreambuf_iterator<char>(f)), {});
}

inline std::uintmax_t FileSize(const std::filesystem::path& path) {
  std::error_code ec;
  const auto size = std::filesystem::file_size(path, ec);
  return ec ? 0 : size;
}

}  // namespace lumarel::testing
