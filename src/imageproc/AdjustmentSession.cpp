// SPDX-License-Identifier: MIT
#include "imageproc/AdjustmentSession.h"

#include <algorithm>
#include <cstring>

namespace lumarel {
namespace {

constexpr std::size_t kPreviewStride = 3 * kPreviewWidth;
constexpr std::size_t kPreviewContent = kDibInfoHeaderSize + kPreviewStride * kPreviewHeight;
constexpr std::size_t kPreviewBlockSize = 57700;

}  // namespace

bool AdjustmentSession::Open(std::span<const std::uint8_t> picture) {
  Close();
  values_ = {};
  analysis_ = {};
  automaticPending_ = true;
  changed_ = false;
  const auto rows = Rows24Of(picture);
  if (!rows) return false;
  width_ = rows->width;
  height_ = rows->height;
  const std::size_t pixels = static_cast<std::size_t>(width_) * height_;
  // Sized for the full picture and never below what the previews need.
  const std::size_t result =
      std::max({pixels * 3 + 100, DibContentSize(picture), kPreviewContent});
  const std::size_t plane = std::max<std::size_t>(pixels, kPreviewPixels);
  before_ = AllocateBlock(kPreviewBlockSize);
  result_ = AllocateBlock(result);
  y_ = AllocateBlock(plane);
  cb_ = AllocateBlock(plane);
  cr_ = AllocateBlock(plane);
  padding_ = AllocateBlock(3 * static_cast<std::size_t>(std::max(height_, kPreviewHeight)));
  if (!before_ || !result_ || !y_ || !cb_ || !cr_ || !padding_) {
    Close();
    return false;
  }
  WriteDibHeader(before_, kPreviewWidth, kPreviewHeight, 24);
  SamplePreview(*rows, BeforeRows());
  std::memcpy(result_.data(), before_.data(), kPreviewContent);
  SplitIntoPlanes(BeforeRows(), Planes(kPreviewWidth, kPreviewHeight), &analysis_.histogram);
  analysis_.black = BlackPoint(analysis_.histogram, analysis_.pixels);
  analysis_.white = WhitePoint(analysis_.histogram, analysis_.pixels);
  state_ = ManualState(values_, analysis_.black, analysis_.white);
  return true;
}

void AdjustmentSession::Close() {
  for (MemoryBlock* b : {&before_, &result_, &y_, &cb_, &cr_, &padding_}) b->Reset();
}

std::span<const std::uint8_t> AdjustmentSession::Before() const {
  if (!IsOpen()) return {};
  return before_.bytes().first(kPreviewContent);
}

std::span<const std::uint8_t> AdjustmentSession::After() const {
  if (!IsOpen()) return {};
  return result_.bytes().first(kPreviewContent);
}

LumaPlanes AdjustmentSession::Planes(int width, int height) {
  return {y_.data(), reinterpret_cast<std::int8_t*>(cb_.data()),
          reinterpret_cast<std::int8_t*>(cr_.data()), padding_.data(), width, height};
}

Rows24 AdjustmentSession::BeforeRows() {
  return {before_.data() + kDibInfoHeaderSize, kPreviewWidth, kPreviewHeight, kPreviewStride};
}

Rows24 AdjustmentSession::AfterRows() {
  return {result_.data() + kDibInfoHeaderSize, kPreviewWidth, kPreviewHeight, kPreviewStride};
}

void AdjustmentSession::ProcessPreview() {
  // The planes are rebuilt from the Before preview (19200 conversions), so
  // they never depend on what an earlier full-picture pass left in them.
  SplitIntoPlanes(BeforeRows(), Planes(kPreviewWidth, kPreviewHeight), nullptr);
  std::memcpy(result_.data(), before_.data(), kDibInfoHeaderSize);
  ProcessPixels(Planes(kPreviewWidth, kPreviewHeight), state_, AfterRows());
}

int AdjustmentSession::Scroll(AdjustSlider slider, ScrollAction action, int position) {
  int& value = ValueOf(values_, slider);
  value = SliderValueAfter(slider, value, action, position);
  if (IsOpen()) {
    state_ = ManualState(values_, analysis_.black, analysis_.white);
    ProcessPreview();
  }
  automaticPending_ = true;
  changed_ = true;
  return value;
}

bool AdjustmentSession::ChooseAutomatic() {
  changed_ = true;
  if (!automaticPending_ || !IsOpen()) return false;
  automaticPending_ = false;
  SplitIntoPlanes(BeforeRows(), Planes(kPreviewWidth, kPreviewHeight), nullptr);
  if (AutomaticState(Planes(kPreviewWidth, kPreviewHeight), analysis_.black, analysis_.white,
                     values_, state_)) {
    ProcessPreview();
  }
  return true;
}

void AdjustmentSession::Revert() {
  values_ = {};
  if (IsOpen()) {
    state_ = ManualState(values_, analysis_.black, analysis_.white);
    ProcessPreview();
  }
  automaticPending_ = true;
  changed_ = false;
}

bool AdjustmentSession::Apply(std::span<std::uint8_t> picture) {
  if (!changed_ || !IsOpen()) return false;
  const auto rows = Rows24Of(picture);
  if (!rows || rows->width != width_ || rows->height != height_) return false;
  const std::size_t pixelOffset = static_cast<std::size_t>(rows->first - picture.data());
  const std::size_t content = DibContentSize(picture);
  const LumaPlanes planes = Planes(width_, height_);
  SplitIntoPlanes(*rows, planes, nullptr);
  std::memcpy(result_.data(), picture.data(), pixelOffset);
  ProcessPixels(planes, state_, {result_.data() + pixelOffset, width_, height_, rows->stride});
  std::memcpy(picture.data(), result_.data(), content);
  return true;
}

}  // namespace lumarel
