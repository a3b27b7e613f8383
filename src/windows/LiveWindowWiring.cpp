// SPDX-License-Identifier: MIT
#include "windows/LiveWindowWiring.h"

#include "windows/DisplayPalette.h"

namespace lumarel {

void WireLiveWindow(LiveImageWindow& window, ChildHost& host, LiveLink* link,
                    PictureWindowContext& pictures, const LiveBuffers& buffers,
                    std::function<bool(int id)> menuItemEnabled, AddFileWindow add) {
  LiveWindowServices s;
  s.link = link;
  s.liveFrame = buffers.liveFrame;
  s.livePhoto = buffers.livePhoto;
  s.workspace = buffers.workspace;
  s.palette = pictures.paletteDisplay ? &SharedDisplayPalette() : nullptr;
  s.defaultPalette = buffers.defaultPalette;
  s.save.record = pictures.fileDialog;
  s.save.save.tempPathA = pictures.tempPathA;
  s.save.save.tempPathB = pictures.tempPathB;
  s.save.save.freeSpace = pictures.freeSpace;
  s.save.clock = pictures.clock;
  s.menuItemEnabled = std::move(menuItemEnabled);
  s.openFileWindow = [&host, &pictures, add = std::move(add)](ImageDocInit&& init,
                                                             const std::string& title) {
    OpenFileWindow(host, pictures, std::move(init), title, add);
  };
  window.Attach(std::move(s));
}

}  // namespace lumarel
