#include "zelvani/devices/QAVZLVDevice.h"

#include <charconv>
#include <cstdio>
#include <utility>

#include "platform/com/ansi.h"
#include "zelvani/devices/CommunicationReport.h"

namespace zelvani {

// The abstract device has no factory: QAVZLVDevice cannot be created.

namespace {

struct ErrorLine {
  LONG code;
  const char* text;  // UTF-8
};

// The texts of the result codes, in the order of the message table. Codes 7 and
// 18 (invalid data, end of transmission) have none.
constexpr ErrorLine kErrorLines[] = {
    {qzlvpeOK, "Operacja zakończona poprawnie"},
    {qzlvpeUnknownPacket, "Odebrano pakiet nieznanego typu"},
    {qzlvpeBadPacketLen, "Nieprawidłowa długość pakietu"},
    {qzlvpeInvalidPacket, "Nieprawidłowa budowa pakietu"},
    {qzlvpeBadChecksum, "Błąd sumy kontrolnej"},
    {qzlvpeUnknownPacketStructure, "Nie znaleziono definicji struktury pakietu"},
    {qzlvpeUndefinedFlow, "Nie znaleziono definicji przepływu informacji"},
    {qzlvpeEndOfData, "Nie ma więcej danych"},
    {qzlvpeNoData, "Brak danych"},
    {qzlvpeNak, "Negatywne potwierdzenie pakietu"},
    {qzlvpeTimeout, "Operacja nie zakończyła się w przewidywanym czasie (timeout)"},
    {qzlvpeRejected, "Pakiet został odrzucony przez urządzenie"},
    {qzlvpeUnexpected, "Wystąpił nieznany błąd"},
    {qzlvpeDeviceDoesntRespond, "Urządzenie nie odpowiada"},
    {qzlvpeCantConnect, "Nie można nawiązać połączenia"},
    {qzlvpeDisconnected, "Urządzenie zerwało połączenie"},
    {qzlvpeDeviceBusy, "Urządzenie jest obecnie zajęte"},
    {qzlvpeDeviceError, "Błąd wewnętrzny urządzenia"},
    {qzlvpeUserBreak, "Wykonywane zadanie zostało przerwane przez użytkownika"},
};

constexpr const char* kFallbackText = "Wystąpił niezidentyfikowany błąd: %d";  // UTF-8

std::string BuildErrorMessageTable() {
  std::string table;
  for (const ErrorLine& line : kErrorLines) {
    if (!table.empty()) table += "\r\n";
    table += std::to_string(line.code);
    table += '=';
    table += Utf8ToAnsi(line.text);
  }
  return table;
}

// Splits TEXT into lines at CR LF, LF or CR.
std::vector<std::string> SplitLines(std::string_view text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find_first_of("\r\n", start);
    if (end == std::string_view::npos) end = text.size();
    lines.emplace_back(text.substr(start, end - start));
    if (end < text.size() && text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n') ++end;
    start = end + 1;
  }
  return lines;
}

}  // namespace

const std::string& ErrorMessageTable() {
  static const std::string table = BuildErrorMessageTable();
  return table;
}

std::string FallbackErrorText(LONG code) {
  static const std::string format = Utf8ToAnsi(kFallbackText);
  char buf[160];
  std::snprintf(buf, sizeof buf, format.c_str(), static_cast<int>(code));
  return buf;
}

// ---------------------------------------------------------------------------

TQAVZLVDevice::TQAVZLVDevice() {
  statistics_ = Create<IQAVZLVDeviceStatistics>(CLSID_QAVZLVDeviceStatistics);
  stats_ = OwnClass<TQAVZLVDeviceStatistics>(statistics_.Get());
  if (!stats_) throw ComError(E_NOINTERFACE, "The statistics object is not of this module");
  TQAVZLVDevice::LoadErrorTexts();
}

HRESULT TQAVZLVDevice::get_Address(BSTR* result) {
  return Get(result, [&] { return Address(); });
}

HRESULT TQAVZLVDevice::put_Address(BSTR value) {
  return Guard([&] { SetAddress(BstrToAnsi(value)); });
}

HRESULT TQAVZLVDevice::get_Port(BSTR* result) {
  return Get(result, [&] { return Port(); });
}

HRESULT TQAVZLVDevice::put_Port(BSTR value) {
  return Guard([&] { SetPort(BstrToAnsi(value)); });
}

HRESULT TQAVZLVDevice::get_DeviceType(LONG* result) {
  return Get(result, [&] { return DeviceType(); });
}

HRESULT TQAVZLVDevice::get_Master(VARIANT_BOOL* result) {
  return Get(result, [&] { return Master(); });
}

HRESULT TQAVZLVDevice::put_Master(VARIANT_BOOL value) {
  return Guard([&] { SetMaster(value != VARIANT_FALSE); });
}

HRESULT TQAVZLVDevice::get_Protocol(IQAVZLVProtocol** result) {
  return Get(result, [&] { return Protocol(); });
}

HRESULT TQAVZLVDevice::put_Protocol(IQAVZLVProtocol* value) {
  return Guard([&] { SetProtocol(value); });
}

HRESULT TQAVZLVDevice::get_KeepConnection(VARIANT_BOOL* result) {
  return Get(result, [&] { return KeepConnection(); });
}

HRESULT TQAVZLVDevice::put_KeepConnection(VARIANT_BOOL value) {
  return Guard([&] { SetKeepConnection(value != VARIANT_FALSE); });
}

HRESULT TQAVZLVDevice::get_IsConnected(VARIANT_BOOL* result) {
  return Get(result, [&] { return IsConnected(); });
}

HRESULT TQAVZLVDevice::get_LastError(LONG* result) {
  return Get(result, [&] { return LastError(); });
}

HRESULT TQAVZLVDevice::get_LastErrorMessage(BSTR* result) {
  return Get(result, [&] { return LastErrorMessage(); });
}

HRESULT TQAVZLVDevice::get_Statistics(IQAVZLVDeviceStatistics** result) {
  return Get(result, [&] { return Statistics(); });
}

HRESULT TQAVZLVDevice::get_LastPacketSent(BSTR* result) {
  return Get(result, [&] { return LastPacketSent(); });
}

HRESULT TQAVZLVDevice::get_LastPacketReceived(BSTR* result) {
  return Get(result, [&] { return LastPacketReceived(); });
}

HRESULT TQAVZLVDevice::Connect(VARIANT_BOOL* result) {
  return Get(result, [&] { return DoConnect(); });
}

HRESULT TQAVZLVDevice::Disconnect(VARIANT_BOOL* result) {
  return Get(result, [&] { return DoDisconnect(); });
}

HRESULT TQAVZLVDevice::ModeSwitch(VARIANT_BOOL* result) {
  return Get(result, [&] { return DoModeSwitch(); });
}

HRESULT TQAVZLVDevice::WritePacket(IQAVZLVPacket* packet, LONG* result) {
  return Get(result, [&] { return DoWritePacket(packet); });
}

HRESULT TQAVZLVDevice::ReadPacket(IQAVZLVPacket* packet, LONG* result) {
  return Get(result, [&] { return DoReadPacket(packet); });
}

HRESULT TQAVZLVDevice::SendString(BSTR buffer, LONG* result) {
  return Get(result, [&] { return DoSendString(BstrToAnsi(buffer)); });
}

HRESULT TQAVZLVDevice::SendACK() {
  return Guard([&] { DoSendACK(); });
}

HRESULT TQAVZLVDevice::SendNAK() {
  return Guard([&] { DoSendNAK(); });
}

HRESULT TQAVZLVDevice::Abort() {
  return Guard([&] { DoAbort(); });
}

HRESULT TQAVZLVDevice::Listen(VARIANT_BOOL* result) {
  return Get(result, [&] { return DoListen(); });
}

HRESULT TQAVZLVDevice::Reset(VARIANT_BOOL* result) {
  return Get(result, [&] { return DoReset(); });
}

// ---------------------------------------------------------------------------
// Slots

bool TQAVZLVDevice::IsConnected() { return false; }

std::string TQAVZLVDevice::Address() const { return address_; }

void TQAVZLVDevice::SetAddress(std::string address) { address_ = std::move(address); }

std::string TQAVZLVDevice::Port() const { return port_; }

void TQAVZLVDevice::SetPort(std::string port) {
  DoDisconnect();
  port_ = std::move(port);
}

ComPtr<IQAVZLVDeviceStatistics> TQAVZLVDevice::Statistics() const { return statistics_; }

LONG TQAVZLVDevice::DeviceType() const { return deviceType_; }

bool TQAVZLVDevice::Master() const { return master_; }

void TQAVZLVDevice::SetMaster(bool master) { master_ = master; }

ComPtr<IQAVZLVProtocol> TQAVZLVDevice::Protocol() const { return protocol_; }

void TQAVZLVDevice::SetProtocol(IQAVZLVProtocol* protocol) { protocol_ = ComPtr<IQAVZLVProtocol>(protocol); }

bool TQAVZLVDevice::KeepConnection() const { return keepConnection_; }

void TQAVZLVDevice::SetKeepConnection(bool keep) { keepConnection_ = keep; }

LONG TQAVZLVDevice::LastError() const { return lastError_; }

std::string TQAVZLVDevice::LastErrorMessage() const { return lastErrorMessage_; }

std::string TQAVZLVDevice::LastPacketSent() const { return lastPacketSent_; }

std::string TQAVZLVDevice::LastPacketReceived() const { return lastPacketReceived_; }

bool TQAVZLVDevice::DoConnect() { return false; }

bool TQAVZLVDevice::DoDisconnect() { return false; }

void TQAVZLVDevice::DoAbort() {}

bool TQAVZLVDevice::DoModeSwitch() { return false; }

LONG TQAVZLVDevice::DoWritePacket(IQAVZLVPacket*) { return qzlvpeUnexpected; }

LONG TQAVZLVDevice::DoReadPacket(IQAVZLVPacket*) { return qzlvpeUnexpected; }

LONG TQAVZLVDevice::DoSendString(const std::string&) { return qzlvpeUnexpected; }

void TQAVZLVDevice::DoSendACK() {}

void TQAVZLVDevice::DoSendNAK() {}

bool TQAVZLVDevice::DoListen() {
  SetError(qzlvpeUnexpected);
  return false;
}

bool TQAVZLVDevice::DoReset() { return true; }

void TQAVZLVDevice::LoadErrorTexts() { errorTexts_ = SplitLines(ErrorMessageTable()); }

// ---------------------------------------------------------------------------

namespace {

// The text after "CODE=" on the first line of TEXTS that names CODE; empty when
// that line has no text or no line names it.
std::string_view TableText(const std::vector<std::string>& texts, LONG code) {
  char name[16];
  const auto [end, ec] = std::to_chars(name, name + sizeof name, code);
  const std::string_view key(name, ec == std::errc() ? static_cast<std::size_t>(end - name) : 0);
  for (const std::string& line : texts) {
    const std::size_t eq = line.find('=');
    if (eq == std::string::npos || std::string_view(line).substr(0, eq) != key) continue;
    return std::string_view(line).substr(eq + 1);
  }
  return {};
}

}  // namespace

std::string TQAVZLVDevice::ErrorText(LONG code) const {
  const std::string_view text = TableText(errorTexts_, code);
  if (!text.empty()) return std::string(text);
  return FallbackErrorText(code);
}

LONG TQAVZLVDevice::SetError(LONG code) {
  lastError_ = code;
  // Assigned in place: every exchange sets a result, and the message's storage
  // is reused rather than made anew each time.
  const std::string_view text = TableText(errorTexts_, code);
  if (!text.empty())
    lastErrorMessage_.assign(text);
  else
    lastErrorMessage_ = FallbackErrorText(code);
  return code;
}

bool TQAVZLVDevice::ReportOn() const {
  if (!protocol_) return false;
  ComPtr<IQAVZLVPacketLibrary> library;
  ThrowIfFailed(protocol_->get_PacketLibrary(library.Out()), "Cannot read the protocol's packet library");
  if (!library) return false;
  VARIANT_BOOL on = VARIANT_FALSE;
  ThrowIfFailed(library->get_CreateReport(&on), "Cannot read the packet library's report switch");
  return on != VARIANT_FALSE;
}

bool TQAVZLVDevice::Report(std::string_view text) const {
  if (!ReportOn()) return false;
  AddReportLine(text);
  return true;
}

}  // namespace zelvani
