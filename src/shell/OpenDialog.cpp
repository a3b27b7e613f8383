// SPDX-License-Identifier: MIT
#include "shell/OpenDialog.h"

#include <QFileSystemModel>
#include <QGridLayout>
#include <QItemSelectionModel>
#include <QListView>
#include <algorithm>
#include <cstdio>
#include <cstring>

#include "imagefile/ExifDates.h"
#include "imagefile/FileUtil.h"
#include "imagefile/JpegDecode.h"
#include "imagefile/OpenMessages.h"
#include "imagefile/PictureType.h"
#include "imageproc/CanvasRead.h"
#include "windows/ModalRunner.h"

namespace lumarel {
namespace {

void Error(Notifier& notifier, const char* text) {
  notifier.Show(text, "ERROR", MessageButtons::Ok, MessageIcon::Exclamation);
}

void NotEnoughMemory(Notifier& notifier) {
  notifier.Show("Not enough memory.", "Global Memory", MessageButtons::Ok,
                MessageIcon::Exclamation);
}

}  // namespace

OpenDialog::OpenDialog(AppState& state, FileDialogRecord& record, Notifier& notifier,
                       QWidget* owner)
    : QFileDialog(owner) {
  setObjectName("OPEN");
  setOption(QFileDialog::DontUseNativeDialog, true);
  setFileMode(QFileDialog::ExistingFile);
  setAcceptMode(QFileDialog::AcceptOpen);
  record.filters = OpenFilters();
  if (!record.initialDirectory) record.initialDirectory = &state.InitialDirectory;
  PrepareFileDialog(*this, record);

  OpenPreviewContext context;
  context.filePreview = &state.FilePreview;
  context.tempPath = state.TempPathA;
  context.paletteDisplay = state.PaletteDisplay;
  context.defaultPalette = state.DefaultPaletteCopy.bytes();
  context.notifier = &notifier;
  preview_ = new OpenPreview(std::move(context), this);
  if (auto* grid = qobject_cast<QGridLayout*>(layout())) {
    grid->addWidget(preview_, 0, grid->columnCount(), grid->rowCount(), 1, Qt::AlignTop);
  }
  SizeFileDialog(*this);
  connect(this, &QFileDialog::currentChanged, preview_, &OpenPreview::OnSelectionChanged);
  // Typing a file's name selects it in the list without making it the current
  // item, so the selection is followed too (the pane skips the file it shows).
  auto* list = findChild<QListView*>("listView");
  if (list && list->selectionModel()) {
    connect(list->selectionModel(), &QItemSelectionModel::selectionChanged, preview_,
            [list, preview = preview_] {
              const QModelIndexList rows = list->selectionModel()->selectedRows();
              if (rows.isEmpty()) return;
              const QVariant path = rows.front().data(QFileSystemModel::FilePathRole);
              preview->OnSelectionChanged(path.toString());
            });
  }
}

int ReadFileIntoCanvas(int filterIndex, const std::string& path, const std::string& tempPath,
                       std::span<std::uint8_t> canvas, Notifier& notifier,
                       PictureDates* taken) {
  std::string source;
  // The first bytes decide, whatever the name and the filter say; only a file
  // that is neither is read as the filter says, so the refusal fits it.
  const fileutil::InputFile input = fileutil::OpenInput(path);
  if (input.file) {
    std::uint8_t head[3] = {};
    const std::size_t got = std::fread(head, 1, sizeof head, input.file.get());
    std::rewind(input.file.get());
    switch (SniffPictureType({head, got})) {
      case PictureType::Jpeg: filterIndex = kOpenFilterJpeg; break;
      case PictureType::Bmp: filterIndex = kOpenFilterBitmap; break;
      case PictureType::Unknown: break;
    }
  }
  if (filterIndex == kOpenFilterJpeg) {
    // A failed decode opens nothing: neither an earlier picture left in the
    // scratch file nor half of this one (a full scratch folder says so).
    DecodedSize size;
    if (const ImageResult decoded = DecodeJpegFile(path, tempPath, &size); !decoded) {
      ShowOpenFailure(notifier, decoded, size.width, size.height);
      return 0;
    }
    // Saved again, the picture keeps the dates it was taken.
    if (taken && input.file) *taken = JpegPictureDates(input.file.get());
    source = tempPath;
  } else if (filterIndex == kOpenFilterBitmap) {
    source = path;
  }
  if (source.empty()) {
    Error(notifier, "This file could not be found. ");
    return 0;
  }
  // Only a regular file is read, and only as far as its headers say.
  return ReadBitmapFileIntoCanvas(source, canvas, notifier) ? 1 : 0;
}

std::optional<OpenedPicture> LoadChosenPicture(const FileDialogRecord& record, AppState& state,
                                               Notifier& notifier) {
  MemoryBlock& workspace = state.Buffers.PictureWorkspace;
  if (!workspace) {  // its allocation failed at start-up
    NotEnoughMemory(notifier);
    return std::nullopt;
  }
  PictureDates taken;
  if (!ReadFileIntoCanvas(record.filterIndex, record.fileName, state.TempPathA, workspace,
                          notifier, &taken)) {
    return std::nullopt;
  }
  OpenedPicture opened;
  ImageDocInit& init = opened.init;
  if (!AllocateImageDocBlocks(init, kPictureBlockSize, state.PaletteDisplay, notifier)) {
    return std::nullopt;
  }
  init.PictureIndex = 0;
  init.Modified = 0;
  init.Taken = taken;
  init.ViewWidth = kOpenfileViewWidth;
  init.ViewHeight = kOpenfileViewHeight;
  const std::size_t n = std::min(workspace.size(), init.PictureBlock.size());
  std::memcpy(init.PictureBlock.data(), workspace.data(), n);
  opened.title = record.fileTitle;
  opened.path = record.fileName;
  state.NoteRecentFile(record.fileName);
  return opened;
}

std::optional<OpenedPicture> RunOpenCommand(AppState& state, FileDialogRecord& record,
                                            Notifier& notifier, QWidget* owner) {
  OpenDialog dialog(state, record, notifier, owner);
  if (RunModal(dialog) != QDialog::Accepted) return std::nullopt;
  if (!TakeFileDialogResult(dialog, record)) return std::nullopt;
  return LoadChosenPicture(record, state, notifier);
}

}  // namespace lumarel
