// SPDX-License-Identifier: MIT
#include "windows/ImageDoc.h"

namespace lumarel {
namespace {

void NotEnoughMemory(Notifier& notifier) {
  notifier.Show("Not enough memory.", "Global Memory", MessageButtons::Ok,
                MessageIcon::Exclamation);
}

}  // namespace

std::unique_ptr<ImageDoc> MakeImageDoc(ImageDocInit&& init) {
  auto doc = std::make_unique<ImageDoc>();
  doc->PictureIndex = init.PictureIndex;
  doc->Modified = init.Modified;
  doc->ViewWidth = init.ViewWidth;
  doc->ViewHeight = init.ViewHeight;
  doc->FullClientHeight = init.FullClientHeight;
  doc->FullClientWidth = init.FullClientWidth;
  doc->PictureBlock = std::move(init.PictureBlock);
  doc->PaletteBlock = std::move(init.PaletteBlock);
  doc->Taken = init.Taken;
  return doc;
}

bool AllocateImageDocBlocks(ImageDocInit& init, std::size_t pictureSize, bool paletteDisplay,
                            Notifier& notifier) {
  init.PictureBlock = AllocateBlock(pictureSize);
  if (!init.PictureBlock) {
    NotEnoughMemory(notifier);
    return false;
  }
  if (paletteDisplay) {
    init.PaletteBlock = AllocateBlock(kLogicalPaletteSize);
    if (!init.PaletteBlock) NotEnoughMemory(notifier);
  }
  return true;
}

std::size_t CapturePictureBlockSize(int width, int height) {
  if (width <= 0 || height <= 0) return 100;
  return static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 3 + 100;
}

}  // namespace lumarel
