// SPDX-License-Identifier: MIT
// The link record and its owner: port, line state, transfer bookkeeping, the
// picture list, the receive buffers, and the dispatch of each complete response
// to the set-up handler (while the link is not connected) or to the handler of
// the current ResponseKind.
//
// Threads: everything here belongs to the event-loop thread. The receive thread
// reads only ExpectedLength() and ResponseEpoch() (atomic) and hands each
// response over through the Dispatcher, tagged with the epoch it was begun in;
// HandleResponse then runs on the event-loop thread.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "imagefile/ImageResult.h"
#include "link/LinkOutcome.h"
#include "link/LinkUi.h"
#include "link/PictureList.h"
#include "link/Protocol.h"
#include "platform/Notifier.h"
#include "platform/SerialPort.h"
#include "platform/serial/PortMap.h"
#include "platform/Timers.h"

namespace lumarel {

class CameraLink;
class Dispatcher;
class IndexHandler;
class PreviewCache;
class LinkSetup;
class LinkWatchdog;
class WaitDialog;

enum class ResponseKind : std::uint8_t {
  Index = 0,
  Picture = 1,
  LiveFrame = 2,
  ZoomPicture = 3,
  UploadReply = 4,
};
inline constexpr std::size_t kResponseKinds = 5;


// A handler for one ResponseKind. Contract: take the packet (already a private
// copy), clear AwaitingPacket where the transfer says so, write at most one
// reply and return; never wait for the camera.
class ResponseHandler {
 public:
  virtual ~ResponseHandler() = default;
  virtual void Handle(const CameraPacket& packet) = 0;
  // Forget any per-item state (reconnect, Reload).
  virtual void Reset() {}
};

// What collects responses from the port: the ReceiveThread, or a test double.
// Destroying it stops it (never blocking on the event-loop thread).
class Receiver {
 public:
  virtual ~Receiver() = default;
  // Drops a partly collected response (received length := 0) before the next read.
  virtual void DiscardPartial() = 0;
};
using ReceiverFactory =
    std::function<std::unique_ptr<Receiver>(SerialPort& port, CameraLink& link)>;

// Decodes a JPEG file into a 24-bit BMP file; a Done result is judged by
// reading the output. A failure says whose it was: the data (a JPEG that is no
// JPEG, or is not whole: it ends before its end marker and would decode partly
// grey) or the PC (the scratch BMP could not be written: a full disk is
// DiskFull), so the user is told the truth.
using JpegDecoder =
    std::function<ImageResult(const std::string& jpegPath, const std::string& bmpPath)>;

// Everything the link is given from outside.
struct LinkServices {
  SerialPortOpener* opener = nullptr;
  PortMap portMap;  // device paths behind COM1..COM4
  Timers* frameTimers = nullptr;       // ids 1..5 (FrameTimer)
  Timers* previewTimers = nullptr;     // id 1: the Preview window's watchdog
  Timers* waitDialogTimers = nullptr;  // id 1: the wait dialog's blink
  Notifier* notifier = nullptr;
  LinkUi* ui = nullptr;
  Dispatcher* dispatcher = nullptr;  // used by the default receiver (ReceiveThread)
  ReceiverFactory makeReceiver;      // empty: a ReceiveThread over dispatcher
  JpegDecoder decodeJpeg;
  std::string tempPathA;  // JPEG scratch file
  std::string tempPathB;  // BMP scratch file
  bool ntFamily = true;   // selects the 3000 ms (else 2500 ms) reconnect pause
  // The fastest speed offered to the camera (115200, 57600 or 19200): the
  // negotiation starts there, as with a camera that cannot go faster.
  std::uint32_t maxSpeed = 115200;
  // Upper bound for the preview store (tests force "Not enough memory." with it).
  std::size_t previewStoreLimit = static_cast<std::size_t>(-1);
  // Previews the index may take instead of reading them (see PreviewCache.h);
  // null: every preview is read.
  PreviewCache* previewCache = nullptr;
};

// Frame timer ids.
namespace frame_timer {
inline constexpr int kSetupStep = 1;       // 800 or 50 ms, by LinkPhase
inline constexpr int kOpenPort = 2;        // 300 ms
inline constexpr int kReconnectReset = 3;  // 200 ms
inline constexpr int kReconnectIdentify = 4;  // 3000 ms (2500 ms off the NT family)
inline constexpr int kNextDownload = 5;    // 500 ms pause before a chained download
}  // namespace frame_timer

// Where the link set-up stands. Set-up answers go to LinkSetup in every phase
// but Connected; the speed phases alternate between our own switch to a speed
// and waiting for the camera's answer at it.
enum class LinkPhase : std::uint8_t {
  Connected = 0,
  Identifying = 1,
  Switching115200 = 2,
  Answer115200 = 3,
  Switching57600 = 4,
  Answer57600 = 5,
  Switching19200 = 6,
  Answer19200 = 7,
};

// The link record's fields (event-loop thread only). Front ends read them;
// only the link writes them.
struct LinkState {
  // Port and set-up.
  std::uint16_t portId = kPortCom1;
  LinkPhase linkPhase = LinkPhase::Identifying;
  std::uint32_t shownSpeed = 9600;
  std::uint32_t savedSpeed = 0;
  bool reconnecting = false;
  bool modelVariant = false;   // 631
  bool writeProtected = false;
  std::uint32_t capacity = 0;             // identification bytes 16..19
  std::uint16_t identifiedPictures = 0;   // identification bytes 20..21
  bool indexLoaded = false;               // lets the Live window start

  // Receiving.
  ResponseKind responseKind = ResponseKind::Index;

  // Transfer bookkeeping.
  std::uint16_t indexPacketCounter = 0;    // index, live and zoom
  std::uint16_t picturePacketCounter = 0;  // download and upload
  std::uint16_t packetsInItem = 0;
  std::uint32_t indexDataOffset = 0;
  std::uint32_t pictureDataOffset = 0;
  std::uint32_t liveLineOffset = 0;
  std::uint32_t zoomLineOffset = 0;
  std::int8_t badPacketCount = 0;
  bool awaitingPacket = false;
  bool retryAllowed = true;
  std::uint8_t digitStep = 0;
  std::uint8_t deleteMode = 0;
  std::uint16_t currentPictureNumber = 0;
  std::uint8_t lastCommandByte = 0;

  // Activity flags.
  bool indexActive = false;
  bool deleteActive = false;  // a delete or erase waits for the camera's report
  bool downloadActive = false;
  bool liveActive = false;
  bool zoomActive = false;
  bool frameRequested = false;
  bool uploadPreviewPhase = false;

  // Upload sizes (picture and preview data handed over by the Openfile window).
  std::uint32_t uploadPictureSize = 0;
  std::uint32_t uploadPreviewSize = 0;
  bool uploadFine = false;
};

class CameraLink {
 public:
  explicit CameraLink(LinkServices services);
  ~CameraLink();
  CameraLink(const CameraLink&) = delete;
  CameraLink& operator=(const CameraLink&) = delete;

  LinkState& State() { return state_; }
  const LinkState& State() const { return state_; }
  PictureList& Pictures() { return pictures_; }
  const PictureList& Pictures() const { return pictures_; }
  LinkServices& Services() { return services_; }
  LinkUi& Ui() { return *services_.ui; }
  Notifier& Messages() { return *services_.notifier; }
  LinkSetup& Setup() { return *setup_; }
  IndexHandler& Index() { return *index_; }

  // The 59392-byte preview buffer (index entries, upload preview) and the
  // 925696-byte picture buffer (downloads, uploads).
  std::vector<std::uint8_t>& PreviewBuffer() { return previewBuffer_; }
  std::vector<std::uint8_t>& PictureBuffer() { return pictureBuffer_; }

  // Expected response length: 116, or 1 while an upload runs. Any thread may read.
  int ExpectedLength() const { return expectedLength_.load(std::memory_order_acquire); }
  void SetExpectedLength(int length) { expectedLength_.store(length, std::memory_order_release); }

  // Installs the handler of a ResponseKind (the link owns it).
  void SetHandler(ResponseKind kind, std::unique_ptr<ResponseHandler> handler);
  ResponseHandler* Handler(ResponseKind kind);
  // Routes one complete response: to the set-up handler while LinkPhase is not
  // 0, otherwise to the handler of ResponseKind. Event-loop thread.
  void HandleResponse(const CameraPacket& packet);
  // The same for a response whose collection began in `epoch`: one begun before
  // the latest DiscardPartialResponse() is dropped (it was handed over but had
  // not run yet when the port was purged or the ResponseKind changed).
  void HandleResponse(const CameraPacket& packet, std::uint64_t epoch);
  // Counts DiscardPartialResponse() calls. Any thread may read.
  std::uint64_t ResponseEpoch() const { return responseEpoch_.load(std::memory_order_acquire); }

  // Port, for the handlers and window code. All are no-ops without a port.
  bool PortOpen() const { return port_ != nullptr; }
  bool WriteCommand(std::uint8_t command);
  bool WritePacket(const CameraPacket& packet);
  bool SetOwnSpeed(std::uint32_t speed);  // shows "SetCommState FAULT." on failure
  bool CurrentSpeed(std::uint32_t& speed);
  void PurgePort();
  // Received length := 0 (the receive thread applies it before its next read),
  // and a response already handed over but not yet handled is dropped.
  void DiscardPartialResponse();

  // Opens the port of PortId at 9600 and starts a receiver (timer 2's work).
  // False when the device cannot be opened.
  bool OpenPort();
  // Stops the receiver, then closes the port.
  void ClosePort();

  // Entry points of the front end: start of the link (frame created), frame
  // timers, the Preview window's timer, the link dialogs, exit.
  void Start();
  void OnFrameTimer(int id);
  void OnPreviewTimer(int id);
  void CloseLink();
  // Called (on the event-loop thread) once the receiver has sent CmdWake and CmdIdentify.
  void ReceiverStarted();

  // Wait dialogs: one is current at a time.
  void OpenWaitDialog(WaitDialogKind kind);
  bool WaitDialogOpen() const { return waitDialog_ != nullptr; }
  // Command 1 or 2 to the current wait dialog (closes it); no-op when none.
  void CloseWaitDialog(int command = 1);
  void OnWaitDialogTimer(int id);

  // COM_DISCONNECT, opened by a watchdog: the transfer on screen ends (wait
  // dialog closed, status "Ready"), a running operation ends as camera silent.
  // At most one is open: a fault while it is open (an unplug after a silence)
  // ends the transfer but opens no second dialog over the first.
  void OpenDisconnectDialog();

  // The link's work epoch. It moves on whenever the work in progress is
  // abandoned: a disconnect, a lost line, a reconnect or reload. A handler that
  // shows a message box runs a nested event loop in which any of these can
  // happen; ShowFromHandler tells it so, and it must then drop what it was
  // doing instead of writing into the new list or to the camera.
  std::uint64_t WorkEpoch() const { return workEpoch_; }
  void NewWorkEpoch() { ++workEpoch_; }
  // Shows a message from inside a response handler or timer. Nothing when the
  // work epoch moved on while the box was open.
  std::optional<MessageAnswer> ShowFromHandler(const std::string& text, const char* caption,
                                               MessageButtons buttons, MessageIcon icon);

  // The running operation (at most one). Begin ends an earlier one as
  // cancelled; Finish calls its completion exactly once and only when `kind`
  // is the running one (Operation::None: whichever runs). No-op otherwise.
  void BeginOperation(Operation kind, OperationDone done);
  void FinishOperation(Operation kind, const LinkOutcome& outcome);
  Operation RunningOperation() const { return operation_; }

  // The receive thread saw the port hang up (once): nothing more is written,
  // the transfer on screen ends, a running operation ends as line lost and
  // COM_DISCONNECT opens. Event-loop thread.
  void LineLost(const std::string& reason);
  bool LineIsLost() const { return lineLost_; }
  const std::string& LineLostReason() const { return lineLostReason_; }
  // Device path of the current port (for messages).
  std::string DevicePath() const { return services_.portMap.DevicePath(state_.portId); }
  // Retry after a lost line: the dead port is closed and opened again under
  // its path (an adapter plugged back in comes back there).
  void ReopenAfterLineLost();
  // Arms the 500 ms pause after which the Preview window fetches the next selected picture.
  void ScheduleNextDownload();

  LinkWatchdog& PreviewWatchdog() { return *previewWatchdog_; }
  // Why each port last failed to open (for the user interface).
  const PortOpenLog& OpenFailures() const { return openLog_; }
  // The scan gives up on the open port: no camera answered there. Kept in the
  // log until the port opens again, so the dialogs can name the device.
  void RecordNoCamera();

 private:
  void InstallHandlers();
  void ShowDisconnectDialog();
  // The transfer the user sees ends: wait dialog closed, progress hidden, "Ready".
  void EndVisibleTransfer();

  LinkServices services_;
  LinkState state_;
  PictureList pictures_;
  std::atomic<int> expectedLength_{static_cast<int>(kPacketSize)};
  std::atomic<std::uint64_t> responseEpoch_{0};
  std::vector<std::uint8_t> previewBuffer_;
  std::vector<std::uint8_t> pictureBuffer_;
  std::array<std::unique_ptr<ResponseHandler>, kResponseKinds> handlers_;
  IndexHandler* index_ = nullptr;  // owned by handlers_
  std::unique_ptr<LinkSetup> setup_;
  std::unique_ptr<LinkWatchdog> previewWatchdog_;
  std::unique_ptr<WaitDialog> waitDialog_;
  PortOpenLog openLog_;
  std::unique_ptr<SerialPort> port_;
  std::unique_ptr<Receiver> receiver_;
  Operation operation_ = Operation::None;
  OperationDone operationDone_;
  bool lineLost_ = false;
  std::string lineLostReason_;
  std::uint64_t workEpoch_ = 0;
  bool disconnectDialogOpen_ = false;
};

}  // namespace lumarel
