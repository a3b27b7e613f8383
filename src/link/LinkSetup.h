// SPDX-License-Identifier: MIT
// Finding the camera and bringing the link up: the port scan COM1..COM4, the
// identification, the speed negotiation (115200, 57600, 19200), the answers at
// the new speed, the reconnect sequence and the COM_DISCONNECT / COM_RECONNECT
// dialogs. Driven by the frame timers 1..4 and by the set-up handler, which
// receives every response while LinkPhase is not 0.
#pragma once

#include <cstdint>

#include "link/CameraLink.h"
#include "link/Protocol.h"
#include "platform/Notifier.h"

namespace lumarel {

class CameraLink;
class Timers;

namespace setup_period {
inline constexpr int kIdentifyMs = 800;      // time the camera gets to answer
inline constexpr int kSpeedSwitchMs = 50;    // from the speed command to our own switch
inline constexpr int kOpenPortMs = 300;
inline constexpr int kReconnectResetMs = 200;
// From CmdSpeedConfirm to the camera's ready answer; a lost answer then opens
// the disconnect dialog instead of leaving the link waiting for ever.
inline constexpr int kConfirmAnswerMs = 5000;
inline constexpr int kReconnectIdentifyNtMs = 3000;
inline constexpr int kReconnectIdentifyOtherMs = 2500;
}  // namespace setup_period

class LinkSetup {
 public:
  explicit LinkSetup(CameraLink& link);

  // Start of the link when the frame is created.
  void Start();
  // A frame timer expired (ids 1..4; others are ignored here).
  void OnTimer(int id);
  // A complete response while LinkPhase is not 0.
  void HandleResponse(const CameraPacket& packet);

  // Reconnect steps 1 and 2 (Reconnect in COM_DISCONNECT; Reload).
  void BeginReconnect();
  // Button ids of COM_DISCONNECT and COM_RECONNECT: 1 Reconnect/Retry, 2 Cancel, 3 Help.
  // True when the dialog closes.
  bool DisconnectDialogCommand(int id);
  bool ReconnectDialogCommand(int id);
  // Exit: CmdReset, stop the receiver, close the port.
  void CloseLink();

 private:
  Timers& FrameTimers();
  void OpenPortStep();
  void SetupStep();
  void ReconnectResetStep();
  void ReconnectIdentifyStep();
  void MoveScanOn();
  void OpenReconnectDialog();
  void TrySpeed(std::uint8_t command, LinkPhase nextPhase);
  void SwitchUp(std::uint32_t speed, LinkPhase nextPhase);
  void Identify(const CameraPacket& packet);
  void AnswerAtNewSpeed(const CameraPacket& packet);
  void CameraReady();
  void ModeWarning(const char* text, MessageIcon icon);
  void ResetLinkState();
  void Warn(const char* text, const char* caption);
  // COM_CANCELOK for Cancel; true when the user gave the connection up.
  bool GiveUpAsked();

  CameraLink& link_;
  bool confirmPending_ = false;  // CmdSpeedConfirm sent, ready answer not yet in
};

}  // namespace lumarel
