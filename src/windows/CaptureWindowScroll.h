// SPDX-License-Identifier: MIT
// Scrolling and placement of a picture window's picture (Capture and
// Openfile): one axis per scroll bar with the window's line (4 pixels) and page
// (20 pixels) steps, the range a client size gives, and where the picture is
// drawn. Pure logic; the widgets apply the outcomes.
#pragma once

namespace lumarel {

inline constexpr int kPictureLineStep = 4;
inline constexpr int kPicturePageStep = 20;

enum class PictureScrollAction { LineBack, LineForward, PageBack, PageForward, ThumbTrack, Other };

// What one scroll notification does to the window's contents.
struct ScrollOutcome {
  bool moved = false;       // the position was set (the bar is redrawn)
  bool repaintAll = false;  // the whole client area is repainted (limit reached, or thumb)
  int scrollBy = 0;         // else the contents move by this many pixels (+: towards the end)
};

// One scroll bar: range 0..Maximum(); a range of 0..0 hides the bar.
class ScrollAxis {
 public:
  int Maximum() const { return maximum_; }
  int Position() const { return position_; }
  bool Visible() const { return maximum_ > 0; }

  // A negative maximum hides the bar like 0 does; the position stays in range.
  void SetMaximum(int maximum);
  void Hide() { SetMaximum(0); }
  // Line and page steps clamp to the range and repaint there; the thumb sets
  // the position and repaints; every other code changes nothing.
  ScrollOutcome Apply(PictureScrollAction action, int thumbPosition = 0);

 private:
  ScrollOutcome Step(int delta);

  int maximum_ = 0;
  int position_ = 0;
};

// The maximum of a bar for a client extent: `reference - client` while the
// client is smaller than the full client extent the window had at creation,
// else 0 (hidden). The Capture window's reference is its view size (picture
// size less 4 or 2), the Openfile window's the full client extent itself.
int ScrollMaximumFor(int client, int fullClient, int reference);

// Where the picture starts along one axis: centred when the client is larger
// than the picture (integer halving), else at minus the scroll position.
int PictureOffset(int client, int picture, int scrollPosition);

}  // namespace lumarel
