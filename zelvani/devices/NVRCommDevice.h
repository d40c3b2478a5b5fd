// The serial port component: opens a port exclusively, keeps its line settings in
// a device-control block applied on every change, and moves strings in and out
// of it on worker threads, synchronously (with a polling loop that keeps the
// host's window painted and watches the cancel key) or asynchronously (with
// completion events).
//
// Threads: the component is used from one thread, the one that made it (its
// "own" thread). A synchronous transfer runs on the calling thread itself, which
// keeps its duties (message pump, cancel key) while the line is silent; started
// transfers run on the worker of their request. Completion events of a request run on its worker thread
// (ctsmNone, ctsmThread) or on the own thread (ctsmVCLThread, and every request
// made by StartWrite/StartRead without a request of the caller's); these reach
// the own thread through its message queue, through the polling loop of a
// synchronous transfer, or through ProcessCompletions.
#pragma once

#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "platform/comm/comm.h"
#include "platform/win/win.h"
#include "zelvani/devices/NVRCommOperation.h"

namespace zelvani {

enum TNVRCommBaudRate : BYTE {
  cbr110 = 0,
  cbr300 = 1,
  cbr600 = 2,
  cbr1200 = 3,
  cbr2400 = 4,
  cbr4800 = 5,
  cbr9600 = 6,
  cbr14400 = 7,
  cbr19200 = 8,
  cbr38400 = 9,
  cbr56000 = 10,
  cbr57600 = 11,
  cbr115200 = 12,
  cbr128000 = 13,
  cbr256000 = 14,
};

// Bit n of the set is bit n of the DCB's flag word.
enum TNVRDCBFlag : BYTE {
  dcbBinary = 0,
  dcbParity = 1,
  dcbOutxCtsFlow = 2,
  dcbOutxDsrFlow = 3,
  dcbDtrEnable = 4,
  dcbDtrHandshake = 5,
  dcbDsrSensitivity = 6,
  dcbTXContinueOnXoff = 7,
  dcbOutX = 8,
  dcbInX = 9,
  dcbErrorChar = 10,
  dcbNull = 11,
  dcbRtsEnable = 12,
  dcbRtsHandshake = 13,
  dcbAbortOnError = 14,
};
using TNVRDCBFlags = WORD;
constexpr TNVRDCBFlags DCBFlagBit(TNVRDCBFlag f) { return static_cast<TNVRDCBFlags>(1u << f); }

enum TNVRCommParity : BYTE { cprNone = 0, cprOdd = 1, cprEven = 2, cprMark = 3, cprSpace = 4 };
enum TNVRCommStopBits : BYTE { csb1 = 0, csb1_5 = 1, csb2 = 2 };
using TNVRCommDataBits = BYTE;

// A key with Shift/Ctrl/Alt bits, as menus and actions keep it.
using TShortCut = WORD;

// What the component needs of a status bar control.
class TNVRStatusBar {
 public:
  virtual ~TNVRStatusBar() = default;
  virtual bool SimplePanel() const = 0;
  virtual void SetSimpleText(const std::string& text) = 0;
  virtual int PanelCount() const = 0;
  virtual void SetPanelText(int index, const std::string& text) = 0;
  virtual void Repaint() = 0;
};

// Failures of opening the port when no OnOpenError handler is assigned.
class ENVRCommError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class TNVRCommDevice {
 public:
  using TNotifyEvent = std::function<void(TNVRCommDevice& sender)>;
  using TNVRCommEvent = std::function<void(TNVRCommDevice& sender, TNVRCommOperation& operation)>;
  using TNVRCommBreakEvent =
      std::function<void(TNVRCommDevice& sender, TNVRCommOperation& operation, bool& cancel)>;

  static constexpr TShortCut scShift = 0x2000;
  static constexpr TShortCut scCtrl = 0x4000;
  static constexpr TShortCut scAlt = 0x8000;

  static constexpr int kPortCom = 1;  // PST_RS232
  static constexpr int kPortLpt = 2;  // PST_PARALLELPORT

  TNVRCommDevice();
  // Closes the port, aborting what is under way, and ends every worker.
  ~TNVRCommDevice();
  TNVRCommDevice(const TNVRCommDevice&) = delete;
  TNVRCommDevice& operator=(const TNVRCommDevice&) = delete;

  // ---- the port ------------------------------------------------------------

  bool Active() const { return active_; }
  // Opens or closes the port. A port that cannot be opened calls OnOpenError,
  // or throws ENVRCommError "Can't open <name> port!" when none is assigned.
  void SetActive(bool value);

  // Trimmed, upper-case; COM1..COM99 and LPT1..LPT99. A refused name calls
  // OnSetupError and changes nothing; an accepted one reopens an open port.
  const std::string& PortName() const { return portName_; }
  void SetPortName(std::string_view name);

  TNVRDCBFlags DCBFlags() const { return dcbFlags_; }
  void SetDCBFlags(TNVRDCBFlags flags);
  TNVRCommBaudRate BaudRate() const { return baudRate_; }
  void SetBaudRate(TNVRCommBaudRate rate);
  WORD XonLimit() const { return config_.dcb.XonLim; }
  void SetXonLimit(WORD value);
  WORD XoffLimit() const { return config_.dcb.XoffLim; }
  void SetXoffLimit(WORD value);
  TNVRCommParity Parity() const { return parity_; }
  void SetParity(TNVRCommParity parity);
  TNVRCommStopBits StopBits() const { return stopBits_; }
  void SetStopBits(TNVRCommStopBits stopBits);
  TNVRCommDataBits DataBits() const { return dataBits_; }
  void SetDataBits(TNVRCommDataBits bits);
  char XonChar() const { return config_.dcb.XonChar; }
  void SetXonChar(char c);
  char XoffChar() const { return config_.dcb.XoffChar; }
  void SetXoffChar(char c);
  char EofChar() const { return config_.dcb.EofChar; }
  void SetEofChar(char c);
  char EvtChar() const { return config_.dcb.EvtChar; }
  void SetEvtChar(char c);

  // The system's configuration dialog for the port; on OK the DCB is reread and
  // applied.
  void SystemCommSetup();
  // Purges, restores the line settings, clears errors and break, sends XON.
  void ResetPort();
  // Uses a port handle opened elsewhere (not closed here). An owned open port is
  // closed first.
  void AttachHandle(HANDLE handle);

  HANDLE PortHandle() const { return handle_; }
  HANDLE Handle() const { return handle_; }
  int PortKind() const { return portKind_; }
  bool OwnsHandle() const { return ownsHandle_; }
  const COMMCONFIG& CommConfig() const { return config_; }

  // The system error and the text of the last refused name, failed open or
  // refused line setting (0 and "" when none).
  DWORD LastPortError() const { return lastPortError_; }
  const std::string& LastPortErrorText() const { return lastPortErrorText_; }

  // ---- status text and cancel key -------------------------------------------

  TNVRStatusBar* StatusBar() const { return statusBar_; }
  void SetStatusBar(TNVRStatusBar* bar) { statusBar_ = bar; }
  int StatusBarPanel() const { return statusBarPanel_; }
  void SetStatusBarPanel(int index) { statusBarPanel_ = index; }
  const std::string& TaskInfo() const { return taskInfo_; }
  void SetTaskInfo(std::string text) { taskInfo_ = std::move(text); }
  const std::string& BreakInfo() const { return breakInfo_; }
  void SetBreakInfo(std::string text) { breakInfo_ = std::move(text); }
  bool AutoInfos() const { return autoInfos_; }
  void SetAutoInfos(bool value) { autoInfos_ = value; }
  const std::string& AutoRdInfo() const { return autoRdInfo_; }
  void SetAutoRdInfo(std::string text) { autoRdInfo_ = std::move(text); }
  const std::string& AutoWrInfo() const { return autoWrInfo_; }
  void SetAutoWrInfo(std::string text) { autoWrInfo_ = std::move(text); }
  TShortCut CancelShortcut() const { return cancelShortcut_; }
  void SetCancelShortcut(TShortCut shortcut) { cancelShortcut_ = shortcut; }
  // The text last composed for the status bar.
  const std::string& StatusText() const { return statusText_; }

  // "Ctrl+Shift+X", "Esc", ...: the display name of a shortcut ("" for none).
  static std::string ShortCutToText(TShortCut shortcut);

  // ---- time-outs and transfers ----------------------------------------------

  int RdTimeout() const { return rdTimeout_; }
  void SetRdTimeout(int ms) { rdTimeout_ = ms; }
  int WrTimeout() const { return wrTimeout_; }
  void SetWrTimeout(int ms) { wrTimeout_ = ms; }
  int RdByteTimeout() const { return rdByteTimeout_; }
  void SetRdByteTimeout(int ms) { rdByteTimeout_ = ms; }
  int WrByteTimeout() const { return wrByteTimeout_; }
  void SetWrByteTimeout(int ms) { wrByteTimeout_ = ms; }
  bool UseRdTimeouts() const { return useRdTimeouts_; }
  void SetUseRdTimeouts(bool value) { useRdTimeouts_ = value; }
  bool UseWrTimeouts() const { return useWrTimeouts_; }
  void SetUseWrTimeouts(bool value) { useWrTimeouts_ = value; }
  TNVRCommThreadSyncMode SyncMode() const { return syncMode_; }
  void SetSyncMode(TNVRCommThreadSyncMode mode) { syncMode_ = mode; }

  // The class and code of the last finished transfer of any request, or of the
  // last refused transfer or line setting.
  TNVRCommErrorType LastErrorType() const { return lastErrorType_.load(std::memory_order_acquire); }
  int LastErrorCode() const { return lastErrorCode_.load(std::memory_order_acquire); }

  // Synchronous write of all of `data`; true when it went out completely.
  bool WriteString(const std::string& data);
  // Synchronous read of `count` bytes, or up to and including `terminator`
  // (at most `count` bytes). `data` gets what was read, also on a short read.
  bool ReadString(std::string& data, int count, const std::string& terminator);
  // Asynchronous transfers; without a request a temporary one is made and freed
  // after its completion. False when the port is closed (or an LPT port for a
  // read) or the request still has a transfer pending. A read's bytes are the
  // request's ReadData in the completion events; `data` is only sized to
  // `count` at the start.
  bool StartWrite(const std::string& data, TNVRCommOperation* operation = nullptr);
  bool StartRead(std::string& data, int count, const std::string& terminator,
                 TNVRCommOperation* operation = nullptr);

  // Runs the completions that wait for this thread: on the own thread all of
  // them, on another thread none.
  void ProcessCompletions();

  TNVRCommOperation& DefaultOperation() { return *defaultOperation_; }
  int PendingWrites() const { return pendingWrites_.load(); }
  int PendingReads() const { return pendingReads_.load(); }
  // Workers of requests other than DefaultOperation that are still kept.
  std::size_t WorkerCount() const;

  // ---- events (called only when assigned) ------------------------------------

  TNVRCommEvent OnWriteCompleted;
  TNVRCommBreakEvent OnWriteError;
  TNVRCommBreakEvent OnWriteUserBreak;
  TNVRCommEvent OnReadCompleted;
  TNVRCommBreakEvent OnReadError;
  TNVRCommBreakEvent OnReadUserBreak;
  TNotifyEvent OnOpenError;
  TNotifyEvent OnSetupError;
  TNotifyEvent OnError;
  TNVRCommBreakEvent OnUserBreak;
  TNVRCommEvent OnCompleted;

  // Where the component's error boxes go (the one run-time box: queue sizes
  // refused on opening). By default the text goes to standard error.
  static void SetMessageBoxHandler(std::function<void(const std::string&)> handler);

 private:
  friend class TNVRCommOperation;
  friend class TNVRCommWaitThread;
  friend class TNVRCommTransfer;

  struct CompletionQueue;

  void OpenPort();
  void ClosePort();
  void ApplySettings();
  void RereadDcb();
  void ReportSetupError(DWORD error);
  void RefuseTransfer(DWORD error);

  bool PrepareTimeouts(bool write, COMMTIMEOUTS& set);
  // Fills the request for a transfer and counts it pending; false when it
  // still has one pending. `temporary` receives a request made here.
  bool Prepare(TNVRCommOperation*& operation, bool write, BYTE temporaryKind, const std::string& data, int count,
               const std::string& terminator, std::unique_ptr<TNVRCommOperation>& temporary);
  bool Start(TNVRCommOperation* operation, bool write, BYTE temporaryKind, const std::string& data, int count,
             const std::string& terminator);
  // A synchronous transfer of DefaultOperation on the calling thread, with the
  // message pump and the cancel key looked after while it waits; false when it
  // could not start. `cancel` carries the break state.
  bool TransferHere(bool write, const std::string& data, int count, const std::string& terminator, bool& cancel);
  void PumpFiltered();
  bool CancelKeyDown() const;
  void ShowStatus();
  void ClearStatus();
  void ShowStatusText(const std::string& text, bool repaint);

  // Called by a worker after a transfer: delivers the completion.
  void TransferEnded(TNVRCommOperation& operation);
  void Complete(TNVRCommOperation& operation);
  void DeliverQueued(const TNVRCommOperation* only);
  bool OnOwnThread() const;
  // Ends the worker of `operation`, aborting a transfer under way.
  void RetireWorker(TNVRCommOperation& operation);
  void RegisterOperation(TNVRCommOperation& operation);
  void ForgetOperation(TNVRCommOperation& operation);
  TNVRCommDeadlineWatch& Watch();

  // Port.
  bool active_ = false;
  std::string portName_;
  int portKind_ = kPortCom;
  HANDLE handle_ = INVALID_HANDLE_VALUE;
  bool ownsHandle_ = false;
  COMMCONFIG config_{};
  TNVRDCBFlags dcbFlags_ = 0;
  TNVRCommBaudRate baudRate_ = cbr9600;
  TNVRCommParity parity_ = cprNone;
  TNVRCommStopBits stopBits_ = csb1;
  TNVRCommDataBits dataBits_ = 8;
  DWORD lastPortError_ = 0;
  std::string lastPortErrorText_;

  // Status.
  TNVRStatusBar* statusBar_ = nullptr;
  int statusBarPanel_ = 0;
  std::string taskInfo_;
  std::string breakInfo_;
  bool autoInfos_ = true;
  std::string autoRdInfo_ = "Receiving... ";
  std::string autoWrInfo_ = "Transmiting... ";
  TShortCut cancelShortcut_ = VK_ESCAPE;
  std::string currentInfo_;
  std::string statusText_;
  // What statusText_ was last built from: a transfer with the same information,
  // shortcut and break text shows it again without building it anew.
  struct StatusSource {
    bool built = false;
    bool autoInfos = false;
    TShortCut shortcut = 0;
    std::string info;
    std::string breakInfo;
  } statusSource_;

  // Transfers.
  int rdTimeout_ = 5000;
  int wrTimeout_ = 5000;
  int rdByteTimeout_ = 0;
  int wrByteTimeout_ = 0;
  bool useRdTimeouts_ = false;
  bool useWrTimeouts_ = false;
  TNVRCommThreadSyncMode syncMode_ = ctsmNone;
  std::atomic<int> pendingWrites_{0};
  std::atomic<int> pendingReads_{0};
  std::atomic<TNVRCommErrorType> lastErrorType_{cetNone};
  std::atomic<int> lastErrorCode_{0};
  std::atomic<bool> destroying_{false};

  const DWORD ownThread_;
  std::shared_ptr<CompletionQueue> completions_;
  std::unique_ptr<TNVRCommDeadlineWatch> watch_;
  std::mutex watchMutex_;

  // Every request of this component but DefaultOperation (their workers are
  // the component's worker list), and the temporary requests, owned here until
  // their completion.
  mutable std::mutex operationsMutex_;
  std::vector<TNVRCommOperation*> operations_;
  std::vector<std::unique_ptr<TNVRCommOperation>> temporaries_;

  std::unique_ptr<TNVRCommOperation> defaultOperation_;
  // Carries out DefaultOperation's synchronous transfers on the calling thread.
  std::unique_ptr<TNVRCommTransfer> ownTransfer_;
};

}  // namespace zelvani
