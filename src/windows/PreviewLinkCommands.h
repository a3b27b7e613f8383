// SPDX-License-Identifier: MIT
// The Preview window's camera commands besides the downloads: Delete Page,
// Delete All and Reload as link operations (the link asks, refuses a
// write-protected card and credits the free capacity itself), and what
// activation does to the port.
#pragma once

namespace lumarel {

class CameraLink;
class ChildHost;
class LinkOperations;

inline constexpr const char* kReloadQuestion =
    "To load the picture from the Vidmarelle to your PC again?";
inline constexpr const char* kReloadCaption = "RELOAD";

class PreviewLinkCommands {
 public:
  PreviewLinkCommands(const CameraLink& link, LinkOperations& operations)
      : link_(link), operations_(operations) {}

  // Delete Page, Delete All or Reload; false for any other command.
  bool Run(int id, ChildHost& host);
  // The Preview window became active: once the list is loaded, whatever the
  // camera sent for another window is dropped.
  void Activated();

 private:
  void Reload(ChildHost& host);
  void DeleteSelected();

  const CameraLink& link_;
  LinkOperations& operations_;
};

}  // namespace lumarel
