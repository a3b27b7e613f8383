// SPDX-License-Identifier: MIT
// Changes to the card that the program must notice: previews of two sizes in
// one index, and a camera that comes back after an unplug with a picture
// deleted on it meanwhile.
#pragma once

#include <vector>

#include "Pictures.h"

namespace lumarel::sim {

struct CardChanges {
  bool smallPreviews = false;  // --small-previews: every second picture's preview is 80 x 60
  int returnAfterMs = -1;      // --return-after MS: after --hangup-after the line is back after MS
  int returnWithout = 0;       // --return-without K: ...with picture K (from 1) gone
};

// Every second picture (2, 4, ...) gets an 80 x 60 preview.
void ShrinkEverySecondPreview(std::vector<StoredPicture>& pictures);

// The card after the return: picture K removed when there is one.
void RemovePicture(std::vector<StoredPicture>& pictures, int k);

}  // namespace lumarel::sim
