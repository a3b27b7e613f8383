// SPDX-License-Identifier: MIT
#include "windows/CaptureWindowScroll.h"

#include <algorithm>

namespace lumarel {

void ScrollAxis::SetMaximum(int maximum) {
  maximum_ = std::max(0, maximum);
  position_ = std::clamp(position_, 0, maximum_);
}

ScrollOutcome ScrollAxis::Step(int delta) {
  const int wanted = position_ + delta;
  ScrollOutcome outcome;
  outcome.moved = true;
  if (wanted < 0 || wanted > maximum_) {
    position_ = wanted < 0 ? 0 : maximum_;
    outcome.repaintAll = true;
  } else {
    position_ = wanted;
    outcome.scrollBy = delta;
  }
  return outcome;
}

ScrollOutcome ScrollAxis::Apply(PictureScrollAction action, int thumbPosition) {
  switch (action) {
    case PictureScrollAction::LineBack: return Step(-kPictureLineStep);
    case PictureScrollAction::LineForward: return Step(kPictureLineStep);
    case PictureScrollAction::PageBack: return Step(-kPicturePageStep);
    case PictureScrollAction::PageForward: return Step(kPicturePageStep);
    case PictureScrollAction::ThumbTrack:
      position_ = std::clamp(thumbPosition, 0, maximum_);
      return ScrollOutcome{true, true, 0};
    case PictureScrollAction::Other: break;
  }
  return {};
}

int ScrollMaximumFor(int client, int fullClient, int reference) {
  return client < fullClient ? std::max(0, reference - client) : 0;
}

int PictureOffset(int client, int picture, int scrollPosition) {
  return client > picture ? (client - picture) / 2 : -scrollPosition;
}

}  // namespace lumarel
