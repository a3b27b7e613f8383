// SPDX-License-Identifier: MIT
// Menu command identifiers. Each number is the identity of one command in
// every menu; windows compare the whole identifier.
#pragma once

namespace lumarel {

inline constexpr int kCmdCloseAllChildren = 33;  // internal, carried by no menu
inline constexpr int kCmdOpen = 40001;
inline constexpr int kCmdExit = 40002;
inline constexpr int kCmdSaveAs = 40003;
inline constexpr int kCmdDataIn = 40005;
inline constexpr int kCmdFineMode = 40006;
inline constexpr int kCmdCommunication = 40007;
inline constexpr int kCmdFlashErase = 40008;
inline constexpr int kCmdNormalMode = 40009;
inline constexpr int kCmdDeletePage = 40010;
inline constexpr int kCmdHelp = 40011;
inline constexpr int kCmdAbout = 40012;
inline constexpr int kCmdDeleteAll = 40013;
inline constexpr int kCmdZoomIn = 40014;
inline constexpr int kCmdCloseImage = 40015;
inline constexpr int kCmdImageAdjust = 40016;
inline constexpr int kCmdPrint = 40017;
inline constexpr int kCmdCopyToClipboard = 40018;
inline constexpr int kCmdReload = 40019;

// The five menus, one per window kind plus the frame's own.
enum class MenuKind { Frame, Preview, Capture, Imagefile, Liveimage };

// Where the help window opens.
enum class HelpTopic { Contents, Context1, Context2 };

}  // namespace lumarel
