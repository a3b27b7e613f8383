// SPDX-License-Identifier: MIT
// The index transfer (ResponseKind 0): the digit sequence that addresses
// picture 000, then one header and its data packets per picture, each preview
// decoded through the two scratch files into its PreviewSlot. The same handler
// carries the status steps of deleting, through DeleteHooks.
#pragma once

#include <cstdint>
#include <functional>

#include "link/CameraLink.h"
#include "link/PictureList.h"
#include "link/Protocol.h"

namespace lumarel {

// Area of the Preview window that shows the thumbnails.
inline constexpr Rect kPreviewGridArea{0, 60, 580, 510};

class IndexHandler final : public ResponseHandler {
 public:
  // Installed by the delete code: StatusAccepted while delete mode is on, and StatusDeleteDone.
  struct DeleteHooks {
    std::function<void()> onAccepted;
    std::function<void()> onDeleteDone;
    std::function<void(bool writeProtected)> onCardReport;
  };

  explicit IndexHandler(CameraLink& link);
  void Handle(const CameraPacket& packet) override;
  void Reset() override;

  // Makes the PreviewStore when the camera reports ready.
  void PrepareStore();
  // Reconnect and Reload: every slot and label blank, no entries.
  void EmptyIndex();
  void SetDeleteHooks(DeleteHooks hooks) { deleteHooks_ = std::move(hooks); }
  // Tells the Preview window that the list now has `count` entries (scrolls at
  // 13, 17, 21, ... and repaints). Also used when an upload adds an entry.
  void NotifyPreviewWindow(int count);

 private:
  void HandleStatus(const CameraPacket& packet);
  // False when the transfer stops here (end of list, empty card, refused size).
  bool HandleHeader(const CameraPacket& packet);
  void AppendData(const CameraPacket& packet);
  // A preview the cache knows: the entry is completed from it and the camera
  // asked for the next entry at once. False when the entry is to be read.
  bool TakeFromCache();
  void CompleteEntry();
  // The entry's label, count and slot, CmdNextEntry, and the Preview window told.
  void StoreEntry();
  void OfferToCache();
  enum class PreviewResult { Decoded, Bad, Abandoned };
  PreviewResult DecodePreview();
  void MakePlaceholder();
  void Reject();
  void ListComplete();
  void EmptyCard();

  CameraLink& link_;
  ItemHeader header_;
  Label pendingLabel_{};
  bool overflowed_ = false;
  bool listingBegun_ = false;  // the cache was told that entry 0 came
  int askedFor_ = -1;          // the entry the cache was last asked about
  DeleteHooks deleteHooks_;
};

}  // namespace lumarel
