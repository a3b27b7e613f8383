// SPDX-License-Identifier: MIT
// Uploads: the program sends 116-byte packets (picture header and data, then
// preview header and data) and the camera paces them with one-byte replies.
#include <algorithm>

#include "Packets.h"
#include "SimCamera.h"

namespace lumarel::sim {

void SimCamera::StartUpload(bool fine, Answers& out) {
  transfer_ = Transfer::None;
  if (settings_.writeProtected || CardFull(0)) {
    SendReply(ReplyMemoryFull, out);
    return;
  }
  if (settings_.uploadNoReply) {
    Log("   upload command left unanswered");
    return;
  }
  transfer_ = Transfer::Upload;
  uploadPacketsSeen_ = 0;
  uploadPhase_ = UploadPhase::PictureHeader;
  uploadFine_ = fine;
  partial_.clear();
  uploadPicture_.clear();
  uploadPreview_.clear();
  counter_ = 0;
  SendReply(ReplySendHeader, out);
}

void SimCamera::CollectUploadByte(std::uint8_t byte, Answers& out) {
  partial_.push_back(byte);
  if (partial_.size() < kPacketSize) return;
  Packet packet;
  std::copy(partial_.begin(), partial_.end(), packet.begin());
  partial_.clear();
  HandleUploadPacket(packet, out);
}

// A packet is taken when it is a data packet with the expected sequence number,
// the complement of it in byte 2 and 0 in byte 115; anything else gets ReplyNak
// and the program sends the same packet again.
void SimCamera::HandleUploadPacket(const Packet& packet, Answers& out) {
  if (UploadFellSilent()) {
    Log("rx upload packet, left unanswered");
    return;
  }
  if (UploadNaksFromNow()) {
    Log("rx upload packet, refused (--nak-upload-after)");
    SendReply(ReplyNak, out);
    return;
  }
  ++uploadPacketsSeen_;
  const auto sequence = static_cast<std::uint8_t>(counter_);
  const auto complement = static_cast<std::uint8_t>(256 - sequence);
  if (packet[0] != kDataMarker || packet[1] != sequence || packet[2] != complement ||
      packet[115] != 0) {
    Log("rx bad upload packet (expected sequence " + std::to_string(sequence) + ")");
    SendReply(ReplyNak, out);
    return;
  }
  Log("rx upload DataPacket seq " + std::to_string(sequence));
  if (counter_ == 0) UploadHeader(packet, out);
  else UploadData(packet, out);
}

void SimCamera::UploadHeader(const Packet& packet, Answers& out) {
  uploadSize_ = GetBe32(&packet[4]);
  if (uploadPhase_ == UploadPhase::PictureHeader) {
    if (CardFull(uploadSize_)) {
      transfer_ = Transfer::None;
      SendReply(ReplyMemoryFull, out);
      return;
    }
    uploadTime_ = {1900 + packet[22], packet[23], packet[24], packet[25], packet[26]};
    uploadPhase_ = UploadPhase::PictureData;
  } else {
    if (uploadSize_ > kLargestPicture || uploadSize_ + uploadPicture_.size() > FreeBytes()) {
      transfer_ = Transfer::None;
      SendReply(ReplyMemoryFull, out);
      return;
    }
    uploadPhase_ = UploadPhase::PreviewData;
  }
  packets_ = PacketsForSize(uploadSize_);
  counter_ = 1;
  SendReply(ReplyAck, out);
}

void SimCamera::UploadData(const Packet& packet, Answers& out) {
  std::vector<std::uint8_t>& data =
      uploadPhase_ == UploadPhase::PictureData ? uploadPicture_ : uploadPreview_;
  const std::size_t take = std::min<std::size_t>(kPayloadSize, uploadSize_ - data.size());
  data.insert(data.end(), packet.begin() + kPayloadOffset, packet.begin() + kPayloadOffset + take);
  if (counter_ < packets_) {
    ++counter_;
    SendReply(ReplyAck, out);
    return;
  }
  counter_ = 0;
  if (uploadPhase_ == UploadPhase::PictureData) {
    uploadPhase_ = UploadPhase::PreviewHeader;
    SendReply(ReplySendPreview, out);
    return;
  }
  StoreUpload();
  transfer_ = Transfer::None;
  SendReply(ReplyUploadDone, out);
}

// Sizes come from the JPEG data where it can be read, else from the quality.
void SimCamera::StoreUpload() {
  StoredPicture picture;
  int width = uploadFine_ ? 640 : 320, height = uploadFine_ ? 480 : 240;
  ReadJpegSize(uploadPicture_, width, height);
  int previewWidth = kPreviewWidth, previewHeight = kPreviewHeight;
  ReadJpegSize(uploadPreview_, previewWidth, previewHeight);
  picture.jpeg = std::move(uploadPicture_);
  picture.preview = std::move(uploadPreview_);
  picture.quality = uploadFine_ ? 0x01 : 0x00;
  picture.width = static_cast<std::uint16_t>(width);
  picture.height = static_cast<std::uint16_t>(height);
  picture.previewWidth = static_cast<std::uint16_t>(previewWidth);
  picture.previewHeight = static_cast<std::uint16_t>(previewHeight);
  picture.taken = uploadTime_;
  pictures_.push_back(std::move(picture));
  uploadPicture_.clear();
  uploadPreview_.clear();
  ++uploadsTaken_;
}

}  // namespace lumarel::sim
