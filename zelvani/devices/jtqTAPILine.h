// The telephony line component: registers with the telephony layer in event
// mode, opens one line device for data-modem calls, dials or answers, hands
// out the communications handle of a connected data call, drops calls, and
// turns the layer's asynchronous line messages into notification events. A
// message thread of its own (TTAPIMessagesThread) waits for the layer's event
// and dispatches the messages, so every event handler runs on that thread.
//
// The modem device places its calls through this component and then runs its
// serial flows over the call's handle.
//
// Shared between the caller's thread and the message thread: the call handle,
// the communications handle and the outstanding dial and drop requests, all
// atomic. The communications handle belongs to this component: it is
// forgotten when the call is disconnected, dropped or idle and when the line
// closes, and closed exactly once (after a drop, once the call is idle, since
// closing it closes the port the modem is hung up through), so a stale value
// never reaches a later call.
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "platform/tapi/tapi.h"

namespace zelvani {

// A failure of the component: a line error's text or one of the component's
// own messages.
class ETapiError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The component's message thread: until asked to end, it waits up to 500 ms
// for the telephony layer's event of one registration and, when the event is
// signalled, fetches one message (waiting up to 500 ms) and hands it to the
// dispatch; a failure inside the dispatch is lost. Made suspended, one step
// below normal priority; the component resumes it.
class TTAPIMessagesThread {
 public:
  using TDispatch = std::function<void(const LINEMESSAGE& message)>;

  // Throws ETapiError when the thread cannot be made.
  TTAPIMessagesThread(HANDLE event, HLINEAPP lineApp, TDispatch dispatch);
  // Asks the thread to end and waits for it (it looks at least every 500 ms).
  ~TTAPIMessagesThread();
  TTAPIMessagesThread(const TTAPIMessagesThread&) = delete;
  TTAPIMessagesThread& operator=(const TTAPIMessagesThread&) = delete;

  void Resume();
  // Asks the thread to end and wakes it, so that it leaves at once instead of
  // at its next look.
  void Terminate();

 private:
  static DWORD Main(LPVOID self);
  void Execute();

  HANDLE event_;
  HLINEAPP lineApp_;
  TDispatch dispatch_;
  HANDLE thread_ = nullptr;
};

class TjtqTAPILine {
 public:
  using TNotifyEvent = std::function<void(TjtqTAPILine& sender)>;
  using TJTQTAPIErrEvent = std::function<void(TjtqTAPILine& sender, LONG errCode)>;

  static constexpr DWORD kNoDevice = 0xFFFFFFFF;
  // The versions negotiated for a line.
  static constexpr DWORD kLowVersion = 0x00010004;
  static constexpr DWORD kHighVersion = 0x00020000;

  // The component's texts.
  static constexpr const char* kInvalidDevice = "Invalid device handle or device is not a TAPI line.";
  static constexpr const char* kLineNotOpen = "Line is not open.";
  static constexpr const char* kNoName = "<no name>";
  static constexpr const char* kLineUnavailable = "Line unavailable.";

  // Registers with the telephony layer and starts the message thread; throws
  // ETapiError with the line error's text when the layer refuses.
  explicit TjtqTAPILine(std::string applicationName = {});
  // Drops the call, closes the line, shuts the registration down and ends the
  // message thread (which looks for the end at least every 500 ms).
  ~TjtqTAPILine();
  TjtqTAPILine(const TjtqTAPILine&) = delete;
  TjtqTAPILine& operator=(const TjtqTAPILine&) = delete;

  // ---- events (called on the message thread when assigned)
  TNotifyEvent OnClose;
  TNotifyEvent OnRingBack;
  TNotifyEvent OnUnexpectedClose;
  TNotifyEvent OnIncomingCall;
  TNotifyEvent OnCallAnswering;  // never raised
  TNotifyEvent OnConnect;
  TNotifyEvent OnDisconnect;
  TNotifyEvent OnBusy;
  TNotifyEvent OnRequestMakeCall;
  TJTQTAPIErrEvent OnCallError;
  TJTQTAPIErrEvent OnDropError;
  // The call parameters could not be set after a successful dial reply (the
  // call goes on at the rates the modem chose).
  TJTQTAPIErrEvent OnCallParamsError;

  // ---- properties
  bool Active() const { return active_.load(); }
  // True opens the line (throws on failure), false closes it.
  void SetActive(bool value);
  bool AutoAnswer() const { return autoAnswer_.load(); }
  void SetAutoAnswer(bool value) { autoAnswer_.store(value); }
  DWORD DeviceID() const { return deviceID_; }
  // Closes an open line, then stores the identifier.
  void SetDeviceID(DWORD id);
  bool DirectAccess() const { return directAccess_; }
  void SetDirectAccess(bool value) { directAccess_ = value; }
  const std::string& PhoneNumber() const { return phoneNumber_; }
  void SetPhoneNumber(std::string number) { phoneNumber_ = std::move(number); }
  const std::string& ApplicationName() const { return applicationName_; }
  LONG MaxTransferRate() const { return maxRate_.load(); }
  void SetMaxTransferRate(LONG rate) { maxRate_.store(rate); }
  LONG MinTransferRate() const { return minRate_.load(); }
  void SetMinTransferRate(LONG rate) { minRate_.store(rate); }

  // ---- operations
  // Dials NUMBER (or PhoneNumber when it is empty; no number with
  // DirectAccess). False, sending nothing, while a dial is outstanding; throws
  // on a closed line, with no device, or when the request is refused (then
  // nothing is outstanding).
  bool MakeCall(const std::string& number = {});
  // Drops the current call and forgets its handle; always true. A drop request
  // that the layer refuses at once is reported through OnDropError at once.
  bool Drop();
  // The names of all line devices with their identifiers; a device whose
  // name cannot be read is left out.
  void GetLineNames(std::vector<std::pair<std::string, DWORD>>& list);
  // The name of one line device; throws when it cannot be read.
  std::string LineName(DWORD id);

  // The handle of the connected data call; INVALID_HANDLE_VALUE when none.
  HANDLE CommHandle() const { return commHandle_.load(); }
  // A call is up and its data handle is held.
  bool CallConnected() const { return CommHandle() != INVALID_HANDLE_VALUE && CallHandle() != 0; }

  // Nothing for a code >= 0; else "TAPI Line: <name>" or "Unknown Error - <code>",
  // thrown as ETapiError with RAISE, else stored in TEXT.
  static void TapiErrorText(LONG code, bool raise, std::string& text);
  // The text of a line error code (as TapiErrorText stores it).
  static std::string ErrorText(LONG code);

  // ---- state
  HLINEAPP LineApp() const { return lineApp_; }
  DWORD LineCount() const { return lineCount_; }
  HLINE LineHandle() const { return lineHandle_.load(); }
  HCALL CallHandle() const { return callHandle_.load(); }
  DWORD ApiVersion() const { return apiVersion_; }
  DWORD MakeCallRequest() const { return makeCallRequest_.load(); }
  DWORD DropRequest() const { return dropRequest_.load(); }
  LONG CloseResult() const { return closeResult_.load(); }

 private:
  void Dispatch(const LINEMESSAGE& m);
  void OnReply(DWORD request, LONG result);
  void FetchCommHandle();
  // Closes the held data handle, once, and forgets it (with a retired one).
  void ForgetCommHandle();
  // Forgets the data handle now and keeps it to be closed by the next
  // ForgetCommHandle (the call idle, the line closed).
  void RetireCommHandle();
  void CloseRetiredHandle();
  void OpenLine();
  void CloseLine();

  std::string applicationName_;
  HLINEAPP lineApp_ = 0;
  DWORD lineCount_ = 0;
  std::unique_ptr<TTAPIMessagesThread> messageThread_;

  std::atomic<bool> active_{false};
  std::atomic<bool> autoAnswer_{true};
  DWORD deviceID_ = kNoDevice;
  bool directAccess_ = false;
  std::string phoneNumber_;
  std::atomic<LONG> maxRate_{0};
  std::atomic<LONG> minRate_{0};

  std::atomic<HLINE> lineHandle_{0};
  std::atomic<HCALL> callHandle_{0};
  DWORD apiVersion_ = 0;
  // Held while a request is made and its identifier stored, and while a reply
  // is matched, so that a quick reply always finds the identifier.
  std::mutex requestMutex_;
  std::atomic<DWORD> makeCallRequest_{0};
  std::atomic<DWORD> dropRequest_{0};
  std::atomic<LONG> closeResult_{0};
  std::atomic<HANDLE> commHandle_{INVALID_HANDLE_VALUE};
  std::atomic<HANDLE> retiredHandle_{INVALID_HANDLE_VALUE};
  // Held while the data handle is closed: it closes the port of the line, and
  // a close that finds the port already closing returns before the port is
  // free, so CloseLine takes it to wait for a close under way.
  std::recursive_mutex handleMutex_;
};

}  // namespace zelvani
