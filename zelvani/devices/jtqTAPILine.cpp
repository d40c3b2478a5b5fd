// The telephony line component: registration, the message thread and its
// dispatch, the line, the calls and the error texts.
#include "zelvani/devices/jtqTAPILine.h"

#include <cstring>

#include "platform/win/clock.h"
#include "platform/win/sync.h"
#include "platform/win/threads.h"

namespace zelvani {

namespace {

// The named line error codes, by the low bits of the code.
struct ErrorName {
  std::uint32_t low;
  const char* name;
};
constexpr ErrorName kErrorNames[] = {
    {0x01, "LINEERR_ALLOCATED"},
    {0x02, "LINEERR_BADDEVICEID"},
    {0x03, "LINEERR_BEARERMODEUNAVAIL"},
    {0x05, "LINEERR_CALLUNAVAIL"},
    {0x06, "LINEERR_COMPLETIONOVERRUN"},
    {0x07, "LINEERR_CONFERENCEFULL"},
    {0x08, "LINEERR_DIALBILLING"},
    {0x09, "LINEERR_DIALDIALTONE"},
    {0x0A, "LINEERR_DIALPROMPT"},
    {0x0B, "LINEERR_DIALQUIET"},
    {0x0C, "LINEERR_INCOMPATIBLEAPIVERSION"},
    {0x0D, "LINEERR_INCOMPATIBLEEXTVERSION"},
    {0x0F, "LINEERR_INUSE"},
    {0x10, "LINEERR_INVALADDRESS"},
    {0x11, "LINEERR_INVALADDRESSID"},
    {0x12, "LINEERR_INVALADDRESSMODE"},
    {0x13, "LINEERR_INVALADDRESSSTATE"},
    {0x14, "LINEERR_INVALAPPHANDLE"},
    {0x15, "LINEERR_INVALAPPNAME"},
    {0x16, "LINEERR_INVALBEARERMODE"},
    {0x17, "LINEERR_INVALCALLCOMPLMODE"},
    {0x18, "LINEERR_INVALCALLHANDLE"},
    {0x19, "LINEERR_INVALCALLPARAMS"},
    {0x1A, "LINEERR_INVALCALLPRIVILEGE"},
    {0x1B, "LINEERR_INVALCALLSELECT"},
    {0x1C, "LINEERR_INVALCALLSTATE"},
    {0x1D, "LINEERR_INVALCALLSTATELIST"},
    {0x1E, "LINEERR_INVALCARD"},
    {0x1F, "LINEERR_INVALCOMPLETIONID"},
    {0x21, "LINEERR_INVALCONSULTCALLHANDLE"},
    {0x22, "LINEERR_INVALCOUNTRYCODE"},
    {0x23, "LINEERR_INVALDEVICECLASS"},
    {0x24, "LINEERR_INVALDEVICEHANDLE"},
    {0x25, "LINEERR_INVALDIALPARAMS"},
    {0x26, "LINEERR_INVALDIGITLIST"},
    {0x27, "LINEERR_INVALDIGITMODE"},
    {0x28, "LINEERR_INVALDIGITS"},
    {0x29, "LINEERR_INVALEXTVERSION"},
    {0x2A, "LINEERR_INVALGROUPID"},
    {0x2B, "LINEERR_INVALLINEHANDLE"},
    {0x2C, "LINEERR_INVALLINESTATE"},
    {0x2D, "LINEERR_INVALLOCATION"},
    {0x2E, "LINEERR_INVALMEDIALIST"},
    {0x2F, "LINEERR_INVALMEDIAMODE"},
    {0x30, "LINEERR_INVALMESSAGEID"},
    {0x32, "LINEERR_INVALPARAM"},
    {0x33, "LINEERR_INVALPARKID"},
    {0x34, "LINEERR_INVALPARKMODE"},
    {0x35, "LINEERR_INVALPOINTER"},
    {0x36, "LINEERR_INVALPRIVSELECT"},
    {0x37, "LINEERR_INVALRATE"},
    {0x38, "LINEERR_INVALREQUESTMODE"},
    {0x3A, "LINEERR_INVALTERMINALMODE"},
    {0x3B, "LINEERR_INVALTIMEOUT"},
    {0x3C, "LINEERR_INVALTONE"},
    {0x3D, "LINEERR_INVALTONELIST"},
    {0x3E, "LINEERR_INVALTONEMODE"},
    {0x3F, "LINEERR_INVALTRANSFERMODE"},
    {0x40, "LINEERR_LINEMAPPERFAILED"},
    {0x41, "LINEERR_NOCONFERENCE"},
    {0x42, "LINEERR_NODEVICE"},
    {0x43, "LINEERR_NODRIVER"},
    {0x44, "LINEERR_NOMEM"},
    {0x45, "LINEERR_NOREQUEST"},
    {0x46, "LINEERR_NOTOWNER"},
    {0x47, "LINEERR_NOTREGISTERED"},
    {0x48, "LINEERR_OPERATIONFAILED"},
    {0x49, "LINEERR_OPERATIONUNAVAIL"},
    {0x4A, "LINEERR_RATEUNAVAIL"},
    {0x4B, "LINEERR_RESOURCEUNAVAIL"},
    {0x4C, "LINEERR_REQUESTOVERRUN"},
    {0x4D, "LINEERR_STRUCTURETOOSMALL"},
    {0x4E, "LINEERR_TARGETNOTFOUND"},
    {0x4F, "LINEERR_TARGETSELF"},
    {0x50, "LINEERR_UNINITIALIZED"},
    {0x51, "LINEERR_USERUSERINFOTOOBIG"},
    {0x52, "LINEERR_REINIT"},
    {0x53, "LINEERR_ADDRESSBLOCKED"},
    {0x54, "LINEERR_BILLINGREJECTED"},
    {0x55, "LINEERR_INVALFEATURE"},
    {0x56, "LINEERR_NOMULTIPLEINSTANCE"},
    {0x57, "LINEERR_INVALAGENTID"},
    {0x58, "LINEERR_INVALAGENTGROUP"},
    {0x59, "LINEERR_INVALPASSWORD"},
    {0x5A, "LINEERR_INVALAGENTSTATE"},
    {0x5B, "LINEERR_INVALAGENTACTIVITY"},
    {0x5C, "LINEERR_DIALVOICEDETECT"},
};

// The record sizes the component hands the layer.
constexpr DWORD kIdRecordSize = 1026;
constexpr DWORD kCapsRecordSize = 1276;
// The longest line name kept (the name buffer holds 200 bytes with its NUL).
constexpr std::size_t kMaxNameLength = 199;

bool Succeeded(LONG code) { return code >= 0; }

void Check(LONG code) {
  std::string ignored;
  TjtqTAPILine::TapiErrorText(code, true, ignored);
}

}  // namespace

// ---------------------------------------------------------------------------
// Texts

std::string TjtqTAPILine::ErrorText(LONG code) {
  if (code >= 0) return {};
  const auto low = static_cast<std::uint32_t>(code) & 0x7FFFFFFFu;
  if ((static_cast<std::uint32_t>(code) & 0x80000000u) != 0)
    for (const ErrorName& e : kErrorNames)
      if (e.low == low) return std::string("TAPI Line: ") + e.name;
  return "Unknown Error - " + std::to_string(code);
}

void TjtqTAPILine::TapiErrorText(LONG code, bool raise, std::string& text) {
  if (code >= 0) return;
  if (raise) throw ETapiError(ErrorText(code));
  text = ErrorText(code);
}

// ---------------------------------------------------------------------------
// Registration and the message thread

TTAPIMessagesThread::TTAPIMessagesThread(HANDLE event, HLINEAPP lineApp, TDispatch dispatch)
    : event_(event), lineApp_(lineApp), dispatch_(std::move(dispatch)) {
  thread_ = CreateThread(nullptr, 0, &TTAPIMessagesThread::Main, this, CREATE_SUSPENDED, nullptr);
  if (!thread_) throw ETapiError("The line's message thread could not be started");
  SetThreadPriority(thread_, THREAD_PRIORITY_BELOW_NORMAL);
}

TTAPIMessagesThread::~TTAPIMessagesThread() {
  // Not woken here: the event may have gone with the registration by now.
  win::RequestThreadTermination(thread_);
  CloseHandle(thread_);  // waits for the thread
}

void TTAPIMessagesThread::Resume() { ResumeThread(thread_); }

void TTAPIMessagesThread::Terminate() {
  win::RequestThreadTermination(thread_);
  SetEvent(event_);
}

DWORD TTAPIMessagesThread::Main(LPVOID self) {
  static_cast<TTAPIMessagesThread*>(self)->Execute();
  return 0;
}

void TTAPIMessagesThread::Execute() {
  while (!win::ThreadTerminationRequested()) {
    const DWORD w = WaitForSingleObject(event_, 500);
    if (w == WAIT_OBJECT_0) {
      LINEMESSAGE m{};
      if (Succeeded(lineGetMessage(lineApp_, &m, 500))) {
        // A failure inside a handler is lost; what it changed before stays.
        try {
          dispatch_(m);
        } catch (...) {
        }
      }
    } else if (w == WAIT_FAILED) {
      Sleep(50);  // the registration is gone; wait for the end
    }
  }
}

TjtqTAPILine::TjtqTAPILine(std::string applicationName) : applicationName_(std::move(applicationName)) {
  LINEINITIALIZEEXPARAMS params{};
  params.dwTotalSize = params.dwNeededSize = params.dwUsedSize = sizeof params;
  params.dwOptions = LINEINITIALIZEEXOPTION_USEEVENT;
  DWORD version = kHighVersion;
  Check(lineInitializeExA(&lineApp_, nullptr, nullptr, applicationName_.c_str(), &lineCount_, &version, &params));
  try {
    messageThread_ = std::make_unique<TTAPIMessagesThread>(params.Handles.hEvent, lineApp_,
                                                           [this](const LINEMESSAGE& m) { Dispatch(m); });
  } catch (...) {
    lineShutdown(lineApp_);
    throw;
  }
  messageThread_->Resume();
}

TjtqTAPILine::~TjtqTAPILine() {
  try {
    Drop();
    CloseLine();
  } catch (...) {
  }
  // The thread is asked to end and woken before the registration goes.
  if (messageThread_) messageThread_->Terminate();
  lineShutdown(lineApp_);
  messageThread_.reset();  // waits for the thread
}

void TjtqTAPILine::Dispatch(const LINEMESSAGE& m) {
  auto raise = [this](const TNotifyEvent& e) {
    if (e) e(*this);
  };
  // The current call, read once a dial has stored it: the states of an
  // earlier call (late after a drop) never act on the next one.
  HCALL current;
  {
    std::lock_guard lock(requestMutex_);
    current = CallHandle();
  }
  const bool ours = m.hDevice == current && current != 0;
  switch (m.dwMessageID) {
    case LINE_CALLSTATE:
      if (!ours && m.dwParam1 != LINECALLSTATE_IDLE && m.dwParam1 != LINECALLSTATE_OFFERING) break;
      switch (m.dwParam1) {
        case LINECALLSTATE_IDLE: {
          // The idle call is released; its handle is never used again.
          if (ours) {
            ForgetCommHandle();
            HCALL expected = current;
            callHandle_.compare_exchange_strong(expected, 0);
          } else {
            CloseRetiredHandle();
          }
          std::string ignored;
          if (m.hDevice != 0) TapiErrorText(lineDeallocateCall(m.hDevice), false, ignored);
          break;
        }
        case LINECALLSTATE_OFFERING:
          if (!Active()) break;
          callHandle_.store(m.hDevice);
          raise(OnIncomingCall);
          if (AutoAnswer()) {
            std::string ignored;
            TapiErrorText(lineAnswer(m.hDevice, nullptr, 0), false, ignored);
          }
          break;
        case LINECALLSTATE_RINGBACK:
          raise(OnRingBack);
          break;
        case LINECALLSTATE_BUSY:
          raise(OnBusy);
          break;
        case LINECALLSTATE_CONNECTED:
          FetchCommHandle();
          raise(OnConnect);
          break;
        case LINECALLSTATE_DISCONNECTED:
          ForgetCommHandle();
          raise(OnDisconnect);
          break;
        default:
          break;
      }
      break;
    case LINE_CLOSE:
      raise(OnUnexpectedClose);
      break;
    case LINE_REPLY:
      OnReply(static_cast<DWORD>(m.dwParam1), static_cast<LONG>(static_cast<DWORD>(m.dwParam2)));
      break;
    default:
      break;
  }
}

void TjtqTAPILine::OnReply(DWORD request, LONG result) {
  bool dial = false, drop = false;
  {
    std::lock_guard lock(requestMutex_);
    if (request != 0 && request == makeCallRequest_.load()) {
      makeCallRequest_.store(0);
      dial = true;
    }
    if (request != 0 && request == dropRequest_.load()) {
      dropRequest_.store(0);
      drop = true;
    }
  }
  if (dial) {
    // The rates are set only on a call that the dial really placed; their
    // failure is told and the reply is handled to its end all the same.
    if (Succeeded(result) && (MaxTransferRate() != 0 || MinTransferRate() != 0)) {
      const LONG r = lineSetCallParams(CallHandle(), LINEBEARERMODE_DATA, static_cast<DWORD>(MinTransferRate()),
                                       static_cast<DWORD>(MaxTransferRate()), nullptr);
      if (!Succeeded(r) && OnCallParamsError) OnCallParamsError(*this, r);
    }
    if (OnRequestMakeCall) OnRequestMakeCall(*this);
    if (!Succeeded(result) && OnCallError) OnCallError(*this, result);
  }
  if (drop && !Succeeded(result) && OnDropError) OnDropError(*this, result);
  if (static_cast<LONG>(request) == CloseResult() && OnClose) OnClose(*this);
}

void TjtqTAPILine::FetchCommHandle() {
  alignas(VARSTRING) unsigned char record[kIdRecordSize] = {};
  auto* id = reinterpret_cast<VARSTRING*>(record);
  id->dwTotalSize = kIdRecordSize;
  Check(lineGetID(LineHandle(), 0, CallHandle(), LINECALLSELECT_CALL, id, "comm/datamodem"));
  if (id->dwStringSize < 4 || id->dwStringOffset < sizeof(VARSTRING) ||
      id->dwStringOffset > kIdRecordSize - 4)
    throw ETapiError("The call has no communications handle");
  std::uint32_t value = 0;
  std::memcpy(&value, record + id->dwStringOffset, 4);
  const HANDLE h = reinterpret_cast<HANDLE>(static_cast<std::uintptr_t>(value));
  std::lock_guard lock(handleMutex_);
  const HANDLE old = commHandle_.exchange(h);
  if (old != INVALID_HANDLE_VALUE && old != h) CloseHandle(old);
}

void TjtqTAPILine::ForgetCommHandle() {
  std::lock_guard lock(handleMutex_);
  const HANDLE h = commHandle_.exchange(INVALID_HANDLE_VALUE);
  if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
  CloseRetiredHandle();
}

void TjtqTAPILine::RetireCommHandle() {
  std::lock_guard lock(handleMutex_);
  const HANDLE h = commHandle_.exchange(INVALID_HANDLE_VALUE);
  if (h == INVALID_HANDLE_VALUE) return;
  const HANDLE old = retiredHandle_.exchange(h);
  if (old != INVALID_HANDLE_VALUE) CloseHandle(old);
}

void TjtqTAPILine::CloseRetiredHandle() {
  std::lock_guard lock(handleMutex_);
  const HANDLE h = retiredHandle_.exchange(INVALID_HANDLE_VALUE);
  if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
}

// ---------------------------------------------------------------------------
// The line

void TjtqTAPILine::SetActive(bool value) {
  if (value)
    OpenLine();
  else
    CloseLine();
}

void TjtqTAPILine::SetDeviceID(DWORD id) {
  if (Active()) CloseLine();
  deviceID_ = id;
}

void TjtqTAPILine::OpenLine() {
  if (Active()) return;
  if (deviceID_ == kNoDevice) throw ETapiError(kInvalidDevice);
  apiVersion_ = 0;
  lineHandle_.store(0);
  LINEEXTENSIONID ext{};
  Check(lineNegotiateAPIVersion(lineApp_, deviceID_, kLowVersion, kHighVersion, &apiVersion_, &ext));
  HLINE line = 0;
  Check(lineOpen(lineApp_, deviceID_, &line, apiVersion_, 0, reinterpret_cast<DWORD_PTR>(this),
                 LINECALLPRIVILEGE_MONITOR | LINECALLPRIVILEGE_OWNER, LINEMEDIAMODE_DATAMODEM, nullptr));
  lineHandle_.store(line);
  active_.store(true);
}

void TjtqTAPILine::CloseLine() {
  if (!Active()) return;
  closeResult_.store(lineClose(LineHandle()));
  // A data handle being closed on the message thread (the call idle) closes
  // the port too: ForgetCommHandle waits for that close under the handle lock,
  // so the port is free when CloseLine returns.
  ForgetCommHandle();
  // The line's calls and requests end with it: a later dial or drop is never
  // blocked by a reply that cannot come any more.
  {
    std::lock_guard lock(requestMutex_);
    makeCallRequest_.store(0);
    dropRequest_.store(0);
  }
  callHandle_.store(0);
  active_.store(false);
}

bool TjtqTAPILine::MakeCall(const std::string& number) {
  if (!number.empty()) phoneNumber_ = number;
  if (deviceID_ == kNoDevice) throw ETapiError(kInvalidDevice);
  if (!Active()) throw ETapiError(kLineNotOpen);
  std::lock_guard lock(requestMutex_);
  if (makeCallRequest_.load() != 0) return false;
  LINECALLPARAMS params{};
  params.dwTotalSize = sizeof params;
  params.dwBearerMode = directAccess_ ? LINEBEARERMODE_PASSTHROUGH : LINEBEARERMODE_VOICE;
  params.dwMediaMode = LINEMEDIAMODE_DATAMODEM;
  HCALL call = 0;
  const LONG r = lineMakeCall(LineHandle(), &call, directAccess_ ? nullptr : phoneNumber_.c_str(), 0, &params);
  // Only a real request is outstanding; a refused one is reported at once.
  Check(r);
  callHandle_.store(call);
  makeCallRequest_.store(static_cast<DWORD>(r));
  return true;
}

bool TjtqTAPILine::Drop() {
  const HCALL call = CallHandle();
  if (call != 0 && dropRequest_.load() == 0) {
    LONG r;
    {
      std::lock_guard lock(requestMutex_);
      r = lineDrop(call, nullptr, 0);
      if (Succeeded(r)) dropRequest_.store(static_cast<DWORD>(r));
    }
    callHandle_.store(0);
    // The handle is forgotten at once but closed when the call is idle (or the
    // line closes): closing it closes the port, and the modem is being hung up
    // through that port.
    if (Succeeded(r))
      RetireCommHandle();
    else
      ForgetCommHandle();
    if (!Succeeded(r) && OnDropError) OnDropError(*this, r);
  }
  return true;
}

// ---------------------------------------------------------------------------
// Line names

std::string TjtqTAPILine::LineName(DWORD id) {
  DWORD version = 0;
  LINEEXTENSIONID ext{};
  const LONG r = lineNegotiateAPIVersion(lineApp_, id, kLowVersion, kHighVersion, &version, &ext);
  if (r == LINEERR_INCOMPATIBLEAPIVERSION)
    version = 0;
  else
    Check(r);
  if (version == 0) throw ETapiError(kLineUnavailable);
  alignas(LINEDEVCAPS) unsigned char record[kCapsRecordSize] = {};
  auto* caps = reinterpret_cast<LINEDEVCAPS*>(record);
  caps->dwTotalSize = kCapsRecordSize;
  Check(lineGetDevCaps(lineApp_, id, version, 0, caps));
  std::string name;
  // The name is taken only from inside the record.
  if (caps->dwLineNameSize != 0 && caps->dwLineNameOffset != 0 && caps->dwStringFormat == STRINGFORMAT_ASCII &&
      caps->dwLineNameOffset < kCapsRecordSize && caps->dwLineNameSize <= kCapsRecordSize - caps->dwLineNameOffset) {
    name.assign(reinterpret_cast<const char*>(record + caps->dwLineNameOffset), caps->dwLineNameSize);
    name = name.substr(0, name.find('\0'));
    if (name.size() > kMaxNameLength) name.resize(kMaxNameLength);
  }
  return name.empty() ? std::string(kNoName) : name;
}

void TjtqTAPILine::GetLineNames(std::vector<std::pair<std::string, DWORD>>& list) {
  list.clear();
  for (DWORD id = 0; id < lineCount_; ++id) {
    try {
      list.emplace_back(LineName(id), id);
    } catch (const ETapiError&) {
    }
  }
}

}  // namespace zelvani
