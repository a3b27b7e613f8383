// SPDX-License-Identifier: MIT
// Fault switches that change what the card holds or when the camera stops
// cooperating: --truncated-picture, --write-protect-after, --nak-upload-after.
#include <string>

#include "SimCamera.h"

namespace lumarel::sim {

// The picture keeps the first half of its JPEG data. Its header announces the
// cut size, so the packets agree with each other, but the data ends without an
// end-of-image marker. Following the picture itself, not its position, the cut
// stays with it when pictures before it are deleted.
void SimCamera::TruncatePicture() {
  const int k = settings_.truncatedPicture;
  if (k < 1 || static_cast<std::size_t>(k) > pictures_.size()) return;
  std::vector<std::uint8_t>& jpeg = pictures_[static_cast<std::size_t>(k) - 1].jpeg;
  jpeg.resize(jpeg.size() / 2);
}

// Every byte taken as a command counts, from the latest identification on
// (upload packets and bytes lost at a wrong speed do not). Once the Nth command
// after an identification has been answered, the switch turns on, as SIGUSR2
// would turn it, and the switch is left to SIGUSR2 from then on.
void SimCamera::CountForWriteProtect(std::uint8_t command) {
  if (settings_.writeProtectAfter < 0) return;
  if (command == CmdIdentify) commandsSinceIdentify_ = 0;
  else if (commandsSinceIdentify_ >= 0) ++commandsSinceIdentify_;
  if (commandsSinceIdentify_ < settings_.writeProtectAfter) return;
  settings_.writeProtectAfter = -1;
  Log("   write-protect switch turned on");
  SetWriteProtected(true);
}

// The running upload has taken all the packets it takes; every further one,
// a resend included, gets ReplyNak.
bool SimCamera::UploadNaksFromNow() const {
  return settings_.nakUploadAfter >= 0 && uploadPacketsSeen_ >= settings_.nakUploadAfter;
}

}  // namespace lumarel::sim
