// SPDX-License-Identifier: MIT
// Items (index entries, pictures), live frames and zoom stills: one packet per
// CmdAck, the first one straight after the command.
#include <string>

#include "LiveEncoding.h"
#include "Packets.h"
#include "Scene.h"
#include "SimCamera.h"

namespace lumarel::sim {

ItemHeader SimCamera::HeaderFor(const StoredPicture& picture) const {
  ItemHeader header = CardHeader();
  header.quality = picture.quality;
  header.width = picture.width;
  header.height = picture.height;
  header.previewWidth = picture.previewWidth;
  header.previewHeight = picture.previewHeight;
  header.time = picture.taken;
  return header;
}

void SimCamera::StartIndex(Answers& out) {
  transfer_ = Transfer::None;
  if (pictures_.empty()) {
    Send(MakeItemHeader(CardHeader()), "index header: the card is empty", out);
    return;
  }
  StartIndexEntry(AddressedNumber(), out);
}

// Entry `position`, or the end marker (a header with bytes 12 and 13 zero) past the last.
void SimCamera::StartIndexEntry(std::size_t position, Answers& out) {
  if (position >= pictures_.size()) {
    transfer_ = Transfer::None;
    Send(MakeItemHeader(CardHeader()), "index end marker", out);
    return;
  }
  const StoredPicture& picture = pictures_[position];
  ItemHeader header = HeaderFor(picture);
  header.size = static_cast<std::uint32_t>(picture.preview.size());
  header.entryMark = static_cast<std::uint16_t>(position + 1);
  transfer_ = Transfer::Index;
  position_ = position;
  itemHeader_ = MakeItemHeader(header);
  itemData_ = &picture.preview;
  if (settings_.badPreview == static_cast<int>(position) + 1) {
    // Same size, but no JPEG marker anywhere: the program cannot decode it.
    badPreviewData_.assign(picture.preview.size(), 0x5A);
    itemData_ = &badPreviewData_;
    Log("   index entry " + std::to_string(position) + ": preview is not a JPEG");
  }
  packets_ = PacketsForSize(header.size);
  itemName_ = "index entry " + std::to_string(position);
  counter_ = 0;
  SendItemPacket(out);
}

// After the last data packet, or straight after the header: a program that
// knows the preview already moves on without it.
void SimCamera::NextEntry(Answers& out) {
  if (transfer_ == Transfer::Index && counter_ == 0) {
    Log("   index entry " + std::to_string(position_) + ": preview skipped");
    StartIndexEntry(position_ + 1, out);
    return;
  }
  if (transfer_ != Transfer::Index || counter_ < packets_) {
    Log("   CmdNextEntry outside a complete entry, ignored");
    return;
  }
  StartIndexEntry(position_ + 1, out);
}

void SimCamera::StartPicture(Answers& out) {
  transfer_ = Transfer::None;
  const std::size_t position = AddressedNumber();
  if (position >= pictures_.size()) {
    Log("   no picture " + std::to_string(position) + ": refused");
    SendStatus(StatusNoPicture, out);
    return;
  }
  const StoredPicture& picture = pictures_[position];
  ItemHeader header = HeaderFor(picture);
  header.size = static_cast<std::uint32_t>(picture.jpeg.size());
  header.entryMark = static_cast<std::uint16_t>(position + 1);
  transfer_ = Transfer::Picture;
  position_ = position;
  itemHeader_ = MakeItemHeader(header);
  itemData_ = &picture.jpeg;
  packets_ = PacketsForSize(header.size);
  itemName_ = "picture " + std::to_string(position);
  counter_ = 0;
  SendItemPacket(out);
}

void SimCamera::SendNextItemPacket(Answers& out) {
  switch (transfer_) {
    case Transfer::Index:
    case Transfer::Picture:
      if (counter_ >= packets_) return;  // the item is complete; the program moves on
      ++counter_;
      SendItemPacket(out);
      return;
    case Transfer::Live:
    case Transfer::Zoom:
      if (counter_ + 1 >= (transfer_ == Transfer::Live ? kLivePackets : kZoomPackets)) return;
      ++counter_;
      SendLivePacket(out);
      return;
    default:
      Log("   CmdAck with no transfer running, ignored");
      return;
  }
}

void SimCamera::SendItemPacket(Answers& out) {
  const std::string where = " (" + itemName_ + ", " + std::to_string(counter_) + "/" +
                            std::to_string(packets_) + ")";
  if (counter_ == 0) {
    Send(itemHeader_, "DataPacket seq 0 header" + where, out);
    return;
  }
  const std::size_t offset = static_cast<std::size_t>(counter_ - 1) * kPayloadSize;
  const std::size_t left = offset < itemData_->size() ? itemData_->size() - offset : 0;
  const Packet packet =
      MakeDataPacket(counter_, left ? itemData_->data() + offset : nullptr, left);
  Send(packet, "DataPacket seq " + std::to_string(packet[1]) + where, out);
  if (transfer_ == Transfer::Picture) out.back().pictureData = true;
}

void SimCamera::StartLiveFrame(Answers& out) {
  transfer_ = Transfer::None;
  ++framesInRun_;
  if (settings_.busyDuringLive && framesInRun_ == 3) {
    SendStatus(StatusBusy, out);
    return;
  }
  liveImage_ = RenderScene(kLiveWidth, kLiveHeight, settings_.sceneSeed, liveFrameNumber_++, -1);
  transfer_ = Transfer::Live;
  counter_ = 0;
  SendLivePacket(out);
}

void SimCamera::StartZoom(Answers& out) {
  liveImage_ = RenderScene(kZoomWidth, kZoomHeight, settings_.sceneSeed, liveFrameNumber_, -1);
  transfer_ = Transfer::Zoom;
  counter_ = 0;
  SendLivePacket(out);
}

void SimCamera::SendLivePacket(Answers& out) {
  const bool live = transfer_ == Transfer::Live;
  const Packet packet = live ? EncodeLivePacket(liveImage_, counter_) : EncodeZoomPacket(liveImage_, counter_);
  Send(packet,
       std::string(live ? "live" : "zoom") + " DataPacket seq " + std::to_string(packet[1]) + " (" +
           std::to_string(counter_ + 1) + "/" + std::to_string(live ? kLivePackets : kZoomPackets) + ")",
       out);
}

}  // namespace lumarel::sim
