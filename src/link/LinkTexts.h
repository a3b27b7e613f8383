// SPDX-License-Identifier: MIT
// Texts and captions the link shows to the user, exactly as they appear.
#pragma once

namespace lumarel::text {

inline constexpr char kSetupInProgress[] = "Initial Setup with VIDMARELLE now proceeding";
inline constexpr char kReady[] = "Ready";
inline constexpr char kNotConnected[] = "Not connected to VIDMARELLE";
inline constexpr char kReceivePreview[] = "Receive Preview data";
inline constexpr char kReceiveImage[] = "Receive Image data";
inline constexpr char kSendImage[] = "Send Image data";
inline constexpr char kReceiveLive[] = "Receive Live Image data";

inline constexpr char kComPortError[] = "COM Port ERROR";
inline constexpr char kGetCommStateFault[] = "GetCommState FAULT.";
inline constexpr char kSetCommStateFault[] = "SetCommState FAULT.";
inline constexpr char kWarning[] = "WARNING";
inline constexpr char kWrongModel[] = "This Model type is wrong.";
inline constexpr char kConnectError[] = "connect error";
inline constexpr char kNoSpeed[] =
    "Minimum required communication speed for this program is not available.";
inline constexpr char kVcrMode[] =
    " VIDMARELLE is in VCR MODE.\n\nPlease switch to CAMERA(PHOTO) MODE.";
inline constexpr char kNoCard[] = " NO CARD!\n\nInsert the CompactFlash Card into the slot.";

inline constexpr char kError[] = "ERROR";
inline constexpr char kFileTypeWrong[] = "This file type is wrong.";
inline constexpr char kFileSizeWrong[] = "This file size is wrong. ";
inline constexpr char kDiskFull[] = "Disk is full.";
inline constexpr char kScratchWriteFailed[] =
    "The picture could not be written to the scratch folder.";
inline constexpr char kCameraRefused[] = "The camera refused the transfer.";
inline constexpr char kGlobalMemory[] = "Global Memory";
inline constexpr char kNotEnoughMemory[] = "Not enough memory.";
inline constexpr char kVidmarelleInfo[] = "Vidmarelle Info";
inline constexpr char kNoImages[] = "No images in the Vidmarelle memory.";

// Dialog texts.
inline constexpr char kDisconnected[] = "The line is disconnected.";
inline constexpr char kCheckConnection[] = "Please check PC/VIDMARELLE Connection.";
inline constexpr char kCancelOkCaution[] =
    "CAUTION: If you select OK, the following must be performed to connect the Vidmarelle:";
inline constexpr char kCancelOkSteps[] =
    "Turn the Vidmarelle POWER OFF, and then ON, Execute the Lumarel software again.";
inline constexpr char kDataTransferCaption[] = "DATA TRANSFER";
inline constexpr char kDataTransferText[] = "Data transfer is now in progress.";
inline constexpr char kEraseCaption[] = "DATA ERASE";
inline constexpr char kEraseText[] = "Data is now being erased.";
inline constexpr char kPleaseWait[] = "Please wait.";
inline constexpr char kPleaseWaitErase[] = "Please wait";
inline constexpr char kThirteenBlanks[] = "             ";

}  // namespace lumarel::text
