// The modem device: line settings, the dial and its wait, the line's events,
// and the connection members over the call.
#include "zelvani/devices/QAVZLVTapiDevice.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <optional>

#include "platform/win/clock.h"
#include "zelvani/devices/CommunicationReport.h"
#include "zelvani/model/TextHelpers.h"

namespace zelvani {

ZELVANI_CLASS(TQAVZLVTapiDevice, CLSID_QAVZLVTapiDevice);

namespace {

std::optional<long> Integer(const std::optional<std::string>& text) {
  if (!text) return std::nullopt;
  const std::string t = Trim(*text);
  if (t.empty()) return std::nullopt;
  std::size_t i = (t[0] == '+' || t[0] == '-') ? 1 : 0;
  if (i == t.size()) return std::nullopt;
  for (std::size_t j = i; j < t.size(); ++j)
    if (t[j] < '0' || t[j] > '9') return std::nullopt;
  errno = 0;
  const long long v = std::strtoll(t.c_str(), nullptr, 10);
  if (errno == ERANGE || v < INT_MIN || v > INT_MAX) return std::nullopt;
  return static_cast<long>(v);
}

// KEY's value as the multiplexer keys are read: the first KEY + "=" anywhere,
// case-sensitive, up to ";" or "|" or the end, not trimmed.
std::string RawValue(const std::string& settings, const std::string& key) {
  const std::size_t at = settings.find(key + "=");
  if (at == std::string::npos) return {};
  const std::size_t from = at + key.size() + 1;
  const std::size_t to = settings.find_first_of(";|", from);
  return settings.substr(from, (to == std::string::npos ? settings.size() : to) - from);
}

std::string Upper(std::string s) {
  for (char& c : s)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return s;
}

}  // namespace

TQAVZLVTapiDevice::TQAVZLVTapiDevice() {
  CommPort().SetPortName("COM1");
  line_ = std::make_unique<TjtqTAPILine>();
  line_->SetActive(false);
  line_->SetAutoAnswer(true);
  line_->SetDeviceID(0);
  line_->SetDirectAccess(false);
  line_->SetMaxTransferRate(0);
  line_->SetMinTransferRate(0);
  line_->OnConnect = [this](TjtqTAPILine&) { QueueLineEvent({true, 0}); };
  line_->OnUnexpectedClose = [this](TjtqTAPILine&) { QueueLineEvent({false, qzlvpeUnexpected}); };
  line_->OnCallError = [this](TjtqTAPILine&, LONG) { QueueLineEvent({false, qzlvpeCantConnect}); };
  line_->OnDisconnect = [this](TjtqTAPILine&) { QueueLineEvent({false, qzlvpeDisconnected}); };
  line_->OnBusy = [this](TjtqTAPILine&) { QueueLineEvent({false, qzlvpeDeviceBusy}); };
  SetDeviceType(qzlvdtTAPIDevice);
}

TQAVZLVTapiDevice::~TQAVZLVTapiDevice() {
  if (IsOpen() || line_->Active()) DropCall();
  // The line's thread ends with the component, before the handlers' object.
  line_.reset();
}

// ---------------------------------------------------------------------------
// Line events

void TQAVZLVTapiDevice::QueueLineEvent(LineEvent e) {
  std::lock_guard lock(eventsMutex_);
  if (acceptingEvents_) events_.push_back(e);
}

void TQAVZLVTapiDevice::ApplyLineEvents() {
  std::vector<LineEvent> events;
  {
    std::lock_guard lock(eventsMutex_);
    events.swap(events_);
  }
  for (const LineEvent& e : events) {
    if (e.connect) {
      CommPort().AttachHandle(line_->CommHandle());
    } else {
      SetError(e.code);
      if (callUp_) callLost_ = true;
    }
    waiting_.store(false);
  }
}

void TQAVZLVTapiDevice::DropCall() noexcept {
  {
    std::lock_guard lock(eventsMutex_);
    acceptingEvents_ = false;
    events_.clear();
  }
  waiting_.store(false);
  try {
    line_->Drop();
  } catch (...) {
  }
  try {
    line_->SetActive(false);
  } catch (...) {
  }
  try {
    CommPort().AttachHandle(INVALID_HANDLE_VALUE);
  } catch (...) {
  }
  callUp_ = false;
  callLost_ = false;
}

// ---------------------------------------------------------------------------
// Settings

void TQAVZLVTapiDevice::ApplyLineSettings() {
  const std::string settings = Address();
  const long speed = Integer(GetParamValue(settings, "Speed")).value_or(0);
  line_->SetMaxTransferRate(speed);
  line_->SetMinTransferRate(speed);
  const long timeout = Integer(GetParamValue(settings, "ConnectionTimeout")).value_or(kDefaultConnectionTimeout);
  connectionTimeout_ = timeout < 0 ? kDefaultConnectionTimeout : timeout;
  line_->SetPhoneNumber(GetParamValue(settings, "PhoneNumber").value_or(std::string()));

  const std::optional<std::string> device = GetParamValue(settings, "DeviceID");
  DWORD id = 0;
  if (const std::optional<long> number = Integer(device)) {
    id = static_cast<DWORD>(*number);
  } else {
    // A line named by its name, in any letter case.
    const std::string wanted = Upper(device.value_or(std::string()));
    std::vector<std::pair<std::string, DWORD>> names;
    line_->GetLineNames(names);
    bool found = false;
    for (const auto& [name, lineId] : names) {
      if (Upper(name) == wanted) {
        id = lineId;
        found = true;
        break;
      }
    }
    if (!found) throw ETapiError("No telephony line is named " + device.value_or(std::string()));
  }
  line_->SetDeviceID(id);
}

std::string TQAVZLVTapiDevice::DialLine() const {
  return "DIAL '" + (line_->DirectAccess() ? std::string() : line_->PhoneNumber()) + "'";
}

void TQAVZLVTapiDevice::SendRemoteMux() {
  const std::string settings = Address();
  const std::string name = Upper(RawValue(settings, "RMUXName"));
  const std::string control = RawValue(settings, "RMUXControlString");
  if (name == "ASTER" && !control.empty()) WriteString(control);
}

// ---------------------------------------------------------------------------
// Connection

bool TQAVZLVTapiDevice::DoConnect() {
  SetError(qzlvpeOK);
  SetReadingMode(false);
  ReportLine(kReportConnect);
  ApplyLineEvents();
  // A call this thread has seen lost (a transfer ended with it, the line told
  // so, its carrier has gone) is never used again, whether or not the line's
  // own thread has taken in its end by now: the next Connect dials.
  const bool lost = callLost_ || (callUp_ && IsOpen() && !CarrierPresent());
  if (lost || !line_->CallConnected()) {
    // Whatever is left of a call that is gone is let go before a new dial.
    if (IsOpen() || line_->Active()) DropCall();
    SetError(qzlvpeOK);
    try {
      ApplyLineSettings();
      {
        std::lock_guard lock(eventsMutex_);
        events_.clear();
        acceptingEvents_ = true;
      }
      waiting_.store(true);
      line_->SetActive(true);
      line_->MakeCall();
    } catch (const std::exception& e) {
      DropCall();
      SetError(qzlvpeDeviceError);
      ReportLine(DialLine() + " : " + std::to_string(qzlvpeDeviceError) + " (" + e.what() + ")");
      return false;
    }
    ReportLine(DialLine());
    dialStart_ = GetTickCount();
    while (waiting_.load()) {
      ApplyLineEvents();
      if (!waiting_.load()) break;
      if (GetTickCount() - dialStart_ >= static_cast<DWORD>(connectionTimeout_)) {
        SetError(qzlvpeTimeout);
        waiting_.store(false);
        break;
      }
      Sleep(kDialPoll);
    }
    if (LastError() != qzlvpeOK || !IsOpen()) {
      if (LastError() == qzlvpeOK) SetError(qzlvpeDisconnected);  // connected without a handle
      ReportLine(DialLine() + " : " + std::to_string(LastError()));
      DropCall();
      return false;
    }
  } else if (!IsOpen()) {
    SetActive(true);
  }
  callUp_ = true;
  callLost_ = false;
  if (OpenReadTimeout() < 0 || OpenWriteTimeout() < 0)
    SetOpenTimeouts(OpenReadTimeout() < 0 ? kOpenTimeout : OpenReadTimeout(),
                    OpenWriteTimeout() < 0 ? kOpenTimeout : OpenWriteTimeout());
  struct UnsetOpenTimeouts {
    TQAVZLVTapiDevice& d;
    ~UnsetOpenTimeouts() { d.SetOpenTimeouts(-1, -1); }
  } unset{*this};
  DoReset();
  SendRemoteMux();
  return Open();
}

bool TQAVZLVTapiDevice::DoDisconnect() {
  ApplyLineEvents();
  if (!IsOpen()) {
    // The port can be let go before Disconnect (a reset after a failed flow)
    // once the line has forgotten a lost call: the close flow has no call to
    // run over, and the line still has to be closed.
    if (callUp_ && (callLost_ || !line_->CallConnected())) {
      SetError(qzlvpeDisconnected);
      waiting_.store(false);
      if (!KeepConnection()) DropCall();
      return false;
    }
    return true;
  }
  const bool ok = TQAVZLVComDevice::DoDisconnect();
  waiting_.store(false);
  if (!KeepConnection()) DropCall();
  return ok;
}

void TQAVZLVTapiDevice::DoAbort() {
  ApplyLineEvents();
  ReportLine(kReportAbort);
  AbortOpenPort();
  if (!KeepConnection()) DropCall();
}

bool TQAVZLVTapiDevice::DoReset() {
  ApplyLineEvents();
  CommPort().ResetPort();
  return true;
}

// ---------------------------------------------------------------------------
// Transport

void TQAVZLVTapiDevice::SetActive(bool value) {
  if (value) {
    if (!IsOpen() && line_->CallConnected()) CommPort().AttachHandle(line_->CommHandle());
  } else if (IsOpen() && !line_->CallConnected()) {
    CommPort().AttachHandle(INVALID_HANDLE_VALUE);
  }
}

bool TQAVZLVTapiDevice::CarrierPresent() {
  // A call opened without dialling has no carrier to watch.
  if (line_->DirectAccess()) return true;
  DWORD status = 0;
  return IsOpen() && GetCommModemStatus(CommPort().Handle(), &status) && (status & MS_RLSD_ON) != 0;
}

BYTE TQAVZLVTapiDevice::WriteString(const std::string& data) {
  ApplyLineEvents();
  return TQAVZLVComDevice::WriteString(data);
}

BYTE TQAVZLVTapiDevice::ReadString(std::string& data, LONG count, const std::string& terminator) {
  ApplyLineEvents();
  return TQAVZLVComDevice::ReadString(data, count, terminator);
}

LONG TQAVZLVTapiDevice::RunFlow(LONG flowType, std::string& data) {
  ApplyLineEvents();
  LONG result = TQAVZLVComDevice::RunFlow(flowType, data);
  ApplyLineEvents();
  // A run that failed on a call that is no longer there failed because the
  // call was lost: the line forgets the call's handle before it raises the
  // event, and the modem drops its carrier before the line sees it (what the
  // modem says then reads as an answer that matches nothing).
  if (result != qzlvpeOK && callUp_ && (!line_->CallConnected() || !CarrierPresent())) callLost_ = true;
  if (callLost_ && result != qzlvpeOK) result = SetError(qzlvpeDisconnected);
  return result;
}

}  // namespace zelvani
