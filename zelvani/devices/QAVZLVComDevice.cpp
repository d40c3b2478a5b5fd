// The serial device: its port, the settings string, the multiplexers, the
// connection members and the serial transport. The flows are run in
// FlowInterpreter.cpp.
#include "zelvani/devices/QAVZLVComDevice.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <optional>
#include <string_view>

#include "platform/win/clock.h"
#include "zelvani/devices/CommunicationReport.h"
#include "zelvani/model/TextHelpers.h"

namespace zelvani {

ZELVANI_CLASS(TQAVZLVComDevice, CLSID_QAVZLVComDevice);

namespace {

constexpr int kDefaultDataBits = 8;
constexpr int kDefaultTimeout = 40000;
// A Timeout above one day is taken for a mistake and reads as the default.
constexpr long kMaxTimeout = 24L * 60 * 60 * 1000;
constexpr DWORD kMuxSleep = 4;
constexpr int kFalwiTries = 32;

constexpr TNVRDCBFlags kFlagsHardware = 4125;  // binary, CTS and DSR flow, DTR and RTS on
constexpr TNVRDCBFlags kFlagsXonXoff = 769;    // binary, XON/XOFF both ways
constexpr TNVRDCBFlags kFlagsNone = 1;         // binary only

std::string UpperAscii(std::string s) {
  for (char& c : s)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return s;
}

// A decimal integer with an optional sign and blanks around it; none for any
// other text or a value beyond 32 bits.
std::optional<long> ParseInteger(std::string_view text) {
  std::string t = Trim(text);
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

// The value of KEY in the settings string, as GetParamValue finds it but not
// trimmed (the multiplexer keys): the first KEY + "=" anywhere, up to the next
// ";" or "|" or the end; none when absent or empty.
std::optional<std::string> RawParamValue(std::string_view settings, std::string_view key) {
  std::string pattern(key);
  pattern += '=';
  const std::size_t at = settings.find(pattern);
  if (at == std::string_view::npos) return std::nullopt;
  const std::size_t from = at + pattern.size();
  std::size_t to = settings.find_first_of(";|", from);
  if (to == std::string_view::npos) to = settings.size();
  if (to == from) return std::nullopt;
  return std::string(settings.substr(from, to - from));
}

long IntegerParam(const std::string& settings, std::string_view key, long fallback) {
  std::optional<std::string> text = GetParamValue(settings, key);
  if (!text) return fallback;
  return ParseInteger(*text).value_or(fallback);
}

TNVRCommBaudRate RateOf(long speed) {
  struct Rate {
    long speed;
    TNVRCommBaudRate rate;
  };
  static constexpr Rate kRates[] = {
      {110, cbr110},       {300, cbr300},       {600, cbr600},       {1200, cbr1200},     {2400, cbr2400},
      {4800, cbr4800},     {9600, cbr9600},     {14400, cbr14400},   {19200, cbr19200},   {38400, cbr38400},
      {56000, cbr56000},   {57600, cbr57600},   {115200, cbr115200}, {128000, cbr128000}, {256000, cbr256000},
  };
  for (const Rate& r : kRates)
    if (r.speed == speed) return r.rate;
  return cbr9600;
}

}  // namespace

// ---------------------------------------------------------------------------

TQAVZLVComDevice::TQAVZLVComDevice() : port_(std::make_unique<TNVRCommDevice>()) {
  TNVRCommDevice& p = *port_;
  p.SetActive(false);
  p.SetPortName("COM2");
  p.SetDCBFlags(kFlagsHardware);
  p.SetBaudRate(cbr19200);
  p.SetXonLimit(0);
  p.SetXoffLimit(0);
  p.SetParity(cprNone);
  p.SetStopBits(csb1);
  p.SetDataBits(8);
  p.SetXonChar(17);
  p.SetXoffChar(19);
  p.SetEofChar(0);
  p.SetEvtChar(0);
  p.SetStatusBarPanel(0);
  p.SetAutoInfos(true);
  p.SetAutoRdInfo("Transmisja...");
  p.SetAutoWrInfo("Transmisja...");
  p.SetRdTimeout(20000);
  p.SetWrTimeout(20000);
  p.SetRdByteTimeout(0);
  p.SetWrByteTimeout(0);
  p.SetUseRdTimeouts(true);
  p.SetUseWrTimeouts(true);
  p.SetCancelShortcut(VK_ESCAPE);
  p.SetSyncMode(ctsmNone);
  SetDeviceType(qzlvdtComDevice);
  openReadTimeout_ = -1;
  openWriteTimeout_ = -1;
}

TQAVZLVComDevice::~TQAVZLVComDevice() { port_.reset(); }

// ---------------------------------------------------------------------------
// Transport

bool TQAVZLVComDevice::IsOpen() { return port_->Active(); }

bool TQAVZLVComDevice::IsConnected() { return IsOpen(); }

void TQAVZLVComDevice::SetActive(bool value) {
  if (IsOpen() && (KeepConnection() || !Master())) return;
  port_->SetActive(value);
}

BYTE TQAVZLVComDevice::FailedStatus(bool write) const {
  switch (port_->LastErrorType()) {
    case cetUserBreak:
      return tsUserBreak;
    case cetTimeout:
      return write ? tsWriteTimeout : tsReadTimeout;
    case cetSystem:
      return tsSystemError;
    case cetDevice:
      return tsLineError;
    default:
      return tsFailed;
  }
}

BYTE TQAVZLVComDevice::WriteString(const std::string& data) {
  if (port_->WriteString(data)) {
    if (ReportEnabled()) AddReportLine(ReportSentLine(data));
    return tsDone;
  }
  const BYTE status = FailedStatus(true);
  if (ReportEnabled()) {
    if (auto line = ReportSendErrorLine(data, port_->LastErrorType())) AddReportLine(*line);
    SaveCommunicationReport();
  }
  return status;
}

BYTE TQAVZLVComDevice::ReadString(std::string& data, LONG count, const std::string& terminator) {
  std::string text;
  const bool ok = port_->ReadString(text, count < 0 ? 0 : static_cast<int>(count), terminator);
  data = std::move(text);
  if (ok) {
    if (ReportEnabled()) AddReportLine(ReportReceivedLine(data));
    return tsDone;
  }
  const BYTE status = FailedStatus(false);
  if (ReportEnabled()) {
    if (auto line = ReportReceiveErrorLine(data, port_->LastErrorType())) AddReportLine(*line);
    SaveCommunicationReport();
  }
  return status;
}

// ---------------------------------------------------------------------------
// Settings string and multiplexers

void TQAVZLVComDevice::ApplyPortSettings(const std::string& settings) {
  TNVRCommDevice& p = *port_;
  // Every key is set: an absent one to its default, a value out of range too.
  p.SetBaudRate(RateOf(IntegerParam(settings, "Speed", -1)));

  long dataBits = IntegerParam(settings, "DataBits", kDefaultDataBits);
  if (dataBits < 5 || dataBits > 8) dataBits = kDefaultDataBits;
  p.SetDataBits(static_cast<TNVRCommDataBits>(dataBits));

  p.SetStopBits(IntegerParam(settings, "StopBits", 1) == 2 ? csb2 : csb1);

  const std::string parity = GetParamValue(settings, "Parity").value_or(std::string());
  TNVRCommParity parityCode = cprNone;
  if (parity == "O") parityCode = cprOdd;
  else if (parity == "E") parityCode = cprEven;
  else if (parity == "S") parityCode = cprSpace;
  else if (parity == "M") parityCode = cprMark;
  p.SetParity(parityCode);

  const std::string flow = GetParamValue(settings, "FlowControl").value_or(std::string());
  TNVRDCBFlags flags = kFlagsNone;
  if (!flow.empty() && flow[0] == 'H') flags = kFlagsHardware;
  else if (!flow.empty() && flow[0] == 'X') flags = kFlagsXonXoff;
  p.SetDCBFlags(flags);

  long timeout = IntegerParam(settings, "Timeout", kDefaultTimeout);
  if (timeout < 0 || timeout > kMaxTimeout) timeout = kDefaultTimeout;
  p.SetRdTimeout(static_cast<int>(timeout));
  p.SetWrTimeout(static_cast<int>(timeout));
}

bool TQAVZLVComDevice::SwitchMux(const std::string& settings) {
  muxName_ = UpperAscii(RawParamValue(settings, "MUXName").value_or(std::string()));
  const std::optional<std::string> channelText = RawParamValue(settings, "MUXChannel");
  const long channel = channelText ? ParseInteger(*channelText).value_or(0) : 0;
  const std::string control = RawParamValue(settings, "MUXControlString").value_or(std::string());

  TNVRCommDevice& p = *port_;
  const HANDLE h = p.Handle();
  if (muxName_ == "FALWI") {
    EscapeCommFunction(h, SETDTR);
    EscapeCommFunction(h, SETRTS);
    Sleep(kMuxSleep);
    EscapeCommFunction(h, CLRRTS);
    bool found = false;
    for (int attempt = 0; attempt < kFalwiTries; ++attempt) {
      Sleep(kMuxSleep);
      DWORD status = 0;
      GetCommModemStatus(h, &status);
      long code = 0;
      if (status & MS_RLSD_ON) code += 8;
      if (status & MS_RING_ON) code += 4;
      if (status & MS_DSR_ON) code += 2;
      if (status & MS_CTS_ON) code += 1;
      if (code == channel) {
        found = true;
        break;
      }
      // Each DTR pulse steps the multiplexer to its next channel.
      EscapeCommFunction(h, CLRDTR);
      Sleep(kMuxSleep);
      EscapeCommFunction(h, SETDTR);
    }
    EscapeCommFunction(h, SETDTR);
    EscapeCommFunction(h, SETRTS);
    Sleep(kMuxSleep);
    p.SetDCBFlags(p.DCBFlags() | DCBFlagBit(dcbDtrHandshake) | DCBFlagBit(dcbRtsHandshake));
    return found;
  }
  if (muxName_ == "VESKA") {
    // The two low bits of the channel less one pick the RTS and DTR levels.
    const unsigned c = static_cast<unsigned>(channel - 1) & 3u;
    p.SetDCBFlags(p.DCBFlags() & static_cast<TNVRDCBFlags>(~(DCBFlagBit(dcbOutxCtsFlow) | DCBFlagBit(dcbOutxDsrFlow))));
    EscapeCommFunction(h, CLRRTS);
    EscapeCommFunction(h, CLRDTR);
    if ((c & 2u) == 0) EscapeCommFunction(h, SETRTS);
    if ((c & 1u) != 0) EscapeCommFunction(h, SETDTR);
    Sleep(kMuxSleep);
    return true;
  }
  if (muxName_ == "ASTER") {
    if (control.empty()) return true;
    return WriteString(control) == tsDone;
  }
  return true;
}

// ---------------------------------------------------------------------------
// Connection

void TQAVZLVComDevice::OpenPortForConnect() {
  port_->SetPortName(Port());
  // The component keeps its previous port when it refuses a name (trimmed and
  // upper-cased, it stores it as it is): opening that one could reach another
  // device.
  if (port_->PortName() != UpperAscii(Trim(Port()))) throw ComError(E_INVALIDARG, "Invalid port name : " + Port());
  ApplyPortSettings(Address());
  SetActive(true);
  if (!IsOpen()) throw ComError(E_FAIL, "The port did not open");
}

void TQAVZLVComDevice::ClosePortAfterFailedConnect() noexcept {
  try {
    port_->SetActive(false);
  } catch (...) {
  }
}

bool TQAVZLVComDevice::DoConnect() {
  SetError(qzlvpeOK);
  readingMode_ = false;
  if (Master()) DoDisconnect();
  ReportLine(kReportConnect);
  bool muxOk = true;
  try {
    OpenPortForConnect();
    muxOk = SwitchMux(Address());
  } catch (...) {
    SetError(qzlvpeDeviceBusy);
    ClosePortAfterFailedConnect();
    return false;
  }
  if (!muxOk) {
    // The register behind the multiplexer cannot be reached: a failure, told as one.
    SetError(qzlvpeCantConnect);
    ClosePortAfterFailedConnect();
    return false;
  }
  if (openReadTimeout_ < 0) openReadTimeout_ = kOpenTimeout;
  if (openWriteTimeout_ < 0) openWriteTimeout_ = kOpenTimeout;
  struct UnsetOpenTimeouts {
    TQAVZLVComDevice& d;
    ~UnsetOpenTimeouts() { d.SetOpenTimeouts(-1, -1); }
  } unset{*this};
  return Open();
}

bool TQAVZLVComDevice::DoDisconnect() {
  if (!IsOpen()) return true;
  ReportLine(kReportDisconnect);
  const bool ok = Close();
  FlushFileBuffers(port_->Handle());
  Sleep(100);
  SetActive(false);
  return ok;
}

bool TQAVZLVComDevice::DoListen() {
  ReportLine(kReportListen);
  SetOpenTimeouts(kListenTimeout, kListenTimeout);
  ReportSavingSuspended noSaving;
  return DoConnect();
}

bool TQAVZLVComDevice::DoReset() {
  const bool wasOpen = IsOpen();
  SetActive(false);
  SetActive(wasOpen);
  ReportLine(ReportResetLine(Port()));
  return true;
}

void TQAVZLVComDevice::AbortOpenPort() {
  if (!IsOpen()) return;
  std::string text;
  RunFlow(Master() ? qzlvftSendMsgCloseWrite : qzlvftESendMsgCloseWrite, text);
  SetActive(false);
}

void TQAVZLVComDevice::DoAbort() {
  ReportLine(kReportAbort);
  AbortOpenPort();
}

}  // namespace zelvani
