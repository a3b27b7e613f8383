// SPDX-License-Identifier: MIT
// The one file-name record that Open and every Save As share: the filter list
// each user sets before its dialog, the filter index the last dialog returned
// (offered again by the next one), the chosen path and file title, the shared
// initial directory and the default extension. Header-only so that the Save
// As dialogs of the picture windows can use it without linking the shell.
#pragma once

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontMetrics>
#include <QHeaderView>
#include <QListView>
#include <QMimeDatabase>
#include <QSplitter>
#include <QTreeView>
#include <QStringList>
#include <algorithm>
#include <string>
#include <vector>

#include "windows/FitIntoScreen.h"

namespace lumarel {

struct FileFilter {
  std::string description;  // shown in the dialog, e.g. "JPEG (*.JPG)"
  std::string pattern;      // matched against file names, e.g. "*.jpg"
};

struct FileDialogRecord {
  std::vector<FileFilter> filters;          // set by each user before its dialog
  int filterIndex = 0;                      // 1-based as returned; 0 offers the first filter
  std::string fileName;                     // in: initial name; out: chosen full path
  std::string fileTitle;                    // out: chosen file name without directory
  std::string* initialDirectory = nullptr;  // the shared InitialDirectory
  std::string defaultExtension = "bmp";
};

inline std::vector<FileFilter> OpenFilters() {
  return {{"JPEG (*.JPG)", "*.jpg *.jpeg *.jpe"}, {"Bitmap (*.BMP)", "*.bmp"}};
}

inline std::vector<FileFilter> SaveFilters() {
  return {{"JPEG (*.JPG)", "*.jpg"},
          {"Full Color BMP (*.BMP)", "*.bmp"},
          {"256 Color BMP (*.BMP)", "*.bmp"}};
}

// Qt name filters "description (pattern)". The dialog hides the appended
// pattern, so the user sees the description alone; Qt matches case-insensitively.
inline QStringList QtNameFilters(const std::vector<FileFilter>& filters) {
  QStringList list;
  for (const FileFilter& f : filters) {
    list << QString::fromStdString(f.description + " (" + f.pattern + ")");
  }
  return list;
}

// Sets up a non-native dialog from the record: filters with the remembered
// one selected, initial directory and file name, default extension.
inline void PrepareFileDialog(QFileDialog& dialog, const FileDialogRecord& record) {
  dialog.setOption(QFileDialog::DontUseNativeDialog, true);
  dialog.setOption(QFileDialog::HideNameFilterDetails, true);
  const QStringList names = QtNameFilters(record.filters);
  dialog.setNameFilters(names);
  const int index = record.filterIndex >= 1 && record.filterIndex <= names.size()
                        ? record.filterIndex - 1
                        : 0;
  if (!names.isEmpty()) dialog.selectNameFilter(names[index]);
  if (record.initialDirectory && !record.initialDirectory->empty()) {
    dialog.setDirectory(QString::fromStdString(*record.initialDirectory));
  }
  if (!record.fileName.empty()) dialog.selectFile(QString::fromStdString(record.fileName));
  dialog.setDefaultSuffix(QString::fromStdString(record.defaultExtension));
}

// Opens a non-native dialog wide enough that neither its side bar (the
// places) nor the columns of its file list (name, size, type, date) are cut:
// each column gets room for a typical entry, the side bar for its widest
// place. Call once the dialog has all its widgets.
inline void SizeFileDialog(QFileDialog& dialog) {
  auto* splitter = dialog.findChild<QSplitter*>("splitter");
  auto* sidebar = dialog.findChild<QListView*>("sidebar");
  auto* tree = dialog.findChild<QTreeView*>("treeView");
  if (!splitter || !sidebar || !tree) return;
  const QFontMetrics fm(tree->font());
  // The type column shows the system's names of the two picture types.
  const QMimeDatabase types;
  const int typeWidth =
      std::max({fm.horizontalAdvance("JPEG image"),
                fm.horizontalAdvance(types.mimeTypeForName("image/jpeg").comment()),
                fm.horizontalAdvance(types.mimeTypeForName("image/bmp").comment())});
  const int columns[] = {fm.horizontalAdvance("7F00-12-31(13-42).jpg") + 48,
                         fm.horizontalAdvance("999.9 KiB") + 24, typeWidth + 32,
                         fm.horizontalAdvance("31/12/2026 23:59") + 32};
  int listWidth = 2 * tree->frameWidth() + 24;  // frame and vertical scroll bar
  QHeaderView* header = tree->header();
  for (int i = 0; i < 4 && i < header->count(); ++i) {
    header->resizeSection(i, columns[i]);
    listWidth += columns[i];
  }
  const int sidebarWidth = sidebar->sizeHintForColumn(0) + 2 * sidebar->frameWidth() + 16;
  // Everything beside the splitter (labels, margins, a preview pane) keeps its own width.
  const int besides = std::max(0, dialog.sizeHint().width() - splitter->sizeHint().width());
  const int width = besides + sidebarWidth + splitter->handleWidth() + listWidth;
  dialog.resize(std::max(width, dialog.sizeHint().width()), std::max(dialog.sizeHint().height(), 440));
  splitter->setSizes({sidebarWidth, listWidth});
  FitSizeIntoScreen(dialog);
}

// The 1-based index of the filter the dialog has selected now; 0 when none matches.
inline int SelectedFilterIndex(const QFileDialog& dialog) {
  const QString selected = dialog.selectedNameFilter();
  const QStringList names = dialog.nameFilters();
  for (int i = 0; i < names.size(); ++i) {
    // Depending on the style the dialog reports the filter with or without its pattern.
    if (names[i] == selected || names[i].startsWith(selected + " (")) return i + 1;
  }
  return 0;
}

// Copies an accepted dialog's answer into the record: path, title and filter
// index, and makes the chosen file's directory the initial directory.
// Returns false when the dialog chose no file.
inline bool TakeFileDialogResult(const QFileDialog& dialog, FileDialogRecord& record) {
  const QStringList files = dialog.selectedFiles();
  if (files.isEmpty() || files.front().isEmpty()) return false;
  const QFileInfo chosen(files.front());
  record.fileName = QDir::toNativeSeparators(chosen.absoluteFilePath()).toStdString();
  record.fileTitle = chosen.fileName().toStdString();
  record.filterIndex = SelectedFilterIndex(dialog);
  if (record.initialDirectory) *record.initialDirectory = chosen.absolutePath().toStdString();
  return true;
}

}  // namespace lumarel
