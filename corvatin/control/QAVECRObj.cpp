// The driver engine of the cash-register control: the definitions of what
// QAVECRObj.h declares.
#include "corvatin/control/QAVECRObj.h"

#include <exception>
#include <optional>
#include <utility>

#include "corvatin/control/CalleeCalls.h"
#include "corvatin/control/CorvatinServer.h"
#include "corvatin/control/CorvatinTypeLib.h"
#include "corvatin/control/ErrorTexts.h"
#include "corvatin/control/FlagWord.h"
#include "corvatin/control/PacketIdentifiers.h"
#include "corvatin/control/QAVECRAbout.h"
#include "platform/com/ansi.h"
#include "platform/com/error.h"
#include "platform/com/object.h"
#include "platform/sys/sysdir.h"
#include "platform/ui/dialogs.h"

namespace corvatin {

namespace {

constexpr std::size_t kRangeTextLength = 18;
constexpr const char* kLibraryLoadError = "Error loading packet definitions file.";
// The default packet library's name in the system directory. The platform's
// paths use "/" where the control's home platform writes "\".
constexpr const char* kDefaultLibraryName = "/Quelm.pkd";
constexpr std::size_t kMaxPath = 260;

// The directory of the system-wide data files, read into a buffer of the
// platform's path length; empty when none can be named or it is longer.
std::string SystemDirectory() {
  char buffer[kMaxPath];
  const UINT length = GetSystemDirectoryA(buffer, sizeof buffer);
  return length > 0 && length < sizeof buffer ? std::string(buffer, length) : std::string();
}

bool CallBool(IQAVZLVDevice* device, HRESULT (IQAVZLVDevice::*member)(VARIANT_BOOL*), const char* what) {
  VARIANT_BOOL ok = VARIANT_FALSE;
  Check((device->*member)(&ok), what);
  return ok != VARIANT_FALSE;
}

LONG ReadOption(IQAVECRCommOptions* options, HRESULT (IQAVECRCommOptions::*getter)(LONG*), const char* what) {
  LONG v = 0;
  Check((options->*getter)(&v), what);
  return v;
}

std::u16string ReadOption(IQAVECRCommOptions* options, HRESULT (IQAVECRCommOptions::*getter)(BSTR*),
                          const char* what) {
  Bstr b;
  Check((options->*getter)(b.Out()), what);
  return std::u16string(b.View());
}

std::u16string Number(LONG v) { return Utf8ToWide(std::to_string(v)); }

std::string PadLeft(std::string text, char fill) {
  if (text.size() < kRangeTextLength) text.insert(0, kRangeTextLength - text.size(), fill);
  return text;
}

Variant FieldIndex(LONG n) { return Variant::I4(n); }

// The record kinds of the report reads: the second character of a received
// packet's identifier names the kind.
struct RecordKindRow {
  QAVECRDataType dataType;
  char c;
  QAVECRNextRecordType kind;
};

constexpr RecordKindRow kRecordKinds[] = {
    {ecrdtDailyReport, '1', ecrnrSaleRec},
    {ecrdtDailyReport, '2', ecrnrResetRec},
    {ecrdtDailyReport, '3', ecrnrResetRec},
    {ecrdtDailyReportEx, '1', ecrnrSaleRec},
    {ecrdtDailyReportEx, '2', ecrnrResetRec},
    {ecrdtDailyReportEx, '3', ecrnrResetRec},
    {ecrdtPeriodicalReport, '1', ecrnrSaleRec},
    {ecrdtPeriodicalReport, '2', ecrnrResetRec},
    {ecrdtPeriodicalReport, '3', ecrnrResetRec},
    {ecrdtPeriodicalReport, '4', ecrnrTaxChangeRec},
    {ecrdtPeriodicalReport, '6', ecrnrSaleSummaryRec},  // "5" names no kind here
    {ecrdtPeriodicalReportEx, '1', ecrnrSaleRec},
    {ecrdtPeriodicalReportEx, '2', ecrnrResetRec},
    {ecrdtPeriodicalReportEx, '3', ecrnrResetRec},
    {ecrdtPeriodicalReportEx, '4', ecrnrTaxChangeRec},
    {ecrdtPeriodicalReportEx, '6', ecrnrSaleSummaryRec},
    {ecrdtReceiptReport, '0', ecrnrReceiptItem},
    {ecrdtReceiptReport, '1', ecrnrReceiptItem},
    {ecrdtReceiptReport, '2', ecrnrReceiptItem},
    {ecrdtReceiptReport, '3', ecrnrReceiptItem},
    {ecrdtReceiptReport, '4', ecrnrReceiptSummary},
    {ecrdtReceiptReport, '5', ecrnrReceiptDiscountCard},
    {ecrdtReceiptReportEx, '0', ecrnrReceiptItem},
    {ecrdtReceiptReportEx, '1', ecrnrReceiptItem},
    {ecrdtReceiptReportEx, '2', ecrnrReceiptItem},
    {ecrdtReceiptReportEx, '3', ecrnrReceiptItem},
    {ecrdtReceiptReportEx, '4', ecrnrReceiptSummary},
    {ecrdtReceiptReportEx, '5', ecrnrReceiptDiscountCard},
};

}  // namespace

// ---------------------------------------------------------------------------
// Free helpers

std::string RangeText(const VARIANT& bound, LONG rangeType) {
  const Variant value(bound);
  switch (rangeType) {
    case ecrrtCodes:
      return PadLeft(BstrToAnsi(value.As(VT_BSTR).bstrVal), ' ');
    case ecrrtNumbers:
      return PadLeft(std::to_string(value.As(VT_I4).lVal), '0');
    case ecrrtDates: {
      SYSTEMTIME st{};
      if (!VariantTimeToSystemTime(value.As(VT_DATE).date, &st))
        throw ComError(DISP_E_OVERFLOW, "The range bound is not a date");
      auto twoDigits = [](unsigned v) { return std::string{char('0' + v / 10 % 10), char('0' + v % 10)}; };
      return PadLeft(twoDigits(st.wYear % 100) + twoDigits(st.wMonth) + twoDigits(st.wDay), ' ');
    }
    default:
      return std::string(kRangeTextLength, ' ');
  }
}

RecordKind RecordKindOf(LONG dataType, const std::string& packetId) {
  const char c = packetId.size() >= 2 ? packetId[1] : '\0';
  bool known = false;
  for (const RecordKindRow& row : kRecordKinds) {
    if (row.dataType != dataType) continue;
    known = true;
    if (row.c == c) return {row.kind, 0};
  }
  return {-1, known ? ecrecUnknownRecordType : ecrecUnknownDataType};
}

std::u16string SerialSettings(IQAVECRCommOptions* o) {
  using O = IQAVECRCommOptions;
  const LONG parity = ReadOption(o, &O::get_Parity, "Cannot read the parity");
  const LONG flow = ReadOption(o, &O::get_FlowControl, "Cannot read the flow control");
  std::u16string s = u"Speed=" + Number(ReadOption(o, &O::get_Speed, "Cannot read the speed"));
  s += u";DataBits=" + Number(ReadOption(o, &O::get_DataBits, "Cannot read the data bits"));
  s += u";StopBits=" + Number(ReadOption(o, &O::get_StopBits, "Cannot read the stop bits"));
  s += u";Parity=";
  s += parity == ecrptOdd ? u'O' : parity == ecrptEven ? u'E' : u'N';
  s += u";FlowControl=";
  s += flow == ecrfcXON_XOFF ? u'X' : flow == ecrfcRTS_CTS ? u'H' : u'N';
  s += u";Timeout=" + Number(ReadOption(o, &O::get_TimeOut, "Cannot read the time-out"));
  s += u";MUXName=" + ReadOption(o, &O::get_MultiplexerName, "Cannot read the multiplexer's name");
  s += u";MUXChannel=" + Number(ReadOption(o, &O::get_MultiplexerChannel, "Cannot read the multiplexer's channel"));
  s += u";MUXControlString=" +
       ReadOption(o, &O::get_MultiplexerControlString, "Cannot read the multiplexer's control string");
  return s;
}

std::u16string ModemSettings(IQAVECRCommOptions* o) {
  using O = IQAVECRCommOptions;
  std::u16string s = u"Speed=" + Number(ReadOption(o, &O::get_Speed, "Cannot read the speed"));
  s += u";PhoneNumber=" + ReadOption(o, &O::get_DeviceAddress, "Cannot read the telephone number");
  s += u";DeviceID=" + Number(ReadOption(o, &O::get_DeviceID, "Cannot read the device number"));
  s += u";RMUXName=" + ReadOption(o, &O::get_RemoteMultiplexerName, "Cannot read the remote multiplexer's name");
  s += u";RMUXChannel=" +
       Number(ReadOption(o, &O::get_RemoteMultiplexerChannel, "Cannot read the remote multiplexer's channel"));
  s += u";RMUXControlString=" + ReadOption(o, &O::get_RemoteMultiplexerControlString,
                                           "Cannot read the remote multiplexer's control string");
  return s;
}

// ---------------------------------------------------------------------------
// Creation

TQAVECRObj::TQAVECRObj() {
  commOptions_ = Create<IQAVECRCommOptions>(CLSID_QAVECRCommOptions);
  flags_ = Create<IQAVECRFlags>(CLSID_QAVECRFlags);
  device_ = Create<IQAVZLVDevice>(CLSID_QAVZLVComDevice);
  protocol_ = Create<IQAVZLVProtocol>(CLSID_QAVZLVProtocol);
  Check(device_->put_Protocol(protocol_.Get()), "Cannot give the device its protocol");
}

// The members release the packet, the protocol, the device, the flags and the
// options in that order (reverse order of declaration).
TQAVECRObj::~TQAVECRObj() = default;

template <class F>
HRESULT TQAVECRObj::Guard(F&& body) noexcept {
  try {
    body();
    return S_OK;
  } catch (...) {
    return com::ReportException(IQAVECR::Iid, "IQAVECR", std::current_exception());
  }
}

template <class T, class F>
HRESULT TQAVECRObj::Get(T* out, F&& body) noexcept {
  if (!out) return E_POINTER;
  com::InitOut(out);
  return Guard([&] { com::StoreOut(out, body()); });
}

// ---------------------------------------------------------------------------
// IUnknown, IDispatch

HRESULT TQAVECRObj::QueryInterface(REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  if (riid == IUnknown::Iid || riid == IDispatch::Iid || riid == IQAVECR::Iid) {
    *ppv = static_cast<IQAVECR*>(this);
    return S_OK;
  }
  return E_NOINTERFACE;
}

HRESULT TQAVECRObj::GetTypeInfoCount(UINT* count) {
  if (!count) return E_POINTER;
  *count = 1;
  return S_OK;
}

HRESULT TQAVECRObj::GetTypeInfo(UINT index, LCID, ITypeInfo** info) {
  if (!info) return E_POINTER;
  *info = nullptr;
  if (index != 0) return DISP_E_BADINDEX;
  return com::GetTypeInfoOf(CorvatinTypeLib(), IQAVECR::Iid, info);
}

HRESULT TQAVECRObj::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
  const com::InterfaceDesc* d = CorvatinTypeLib().FindInterface(IQAVECR::Iid);
  if (!d) {
    for (UINT i = 0; i < count; ++i) ids[i] = DISPID_UNKNOWN;
    return DISP_E_UNKNOWNNAME;
  }
  return com::DispGetIDsOfNames(*d, names, count, ids);
}

HRESULT TQAVECRObj::Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                           EXCEPINFO* excep, UINT* argErr) {
  const com::InterfaceDesc* d = CorvatinTypeLib().FindInterface(IQAVECR::Iid);
  if (!d) return DISP_E_MEMBERNOTFOUND;
  return com::DispInvoke(static_cast<IQAVECR*>(this), *d, id, flags, params, result, excep, argErr);
}

// ---------------------------------------------------------------------------
// Result codes

void TQAVECRObj::SetEngineError(LONG code) {
  lastErrorCode_ = code;
  haveDeviceMessage_ = false;
  deviceMessage_.clear();
}

void TQAVECRObj::SetDeviceError(LONG code) {
  lastErrorCode_ = code;
  haveDeviceMessage_ = true;
  deviceMessage_.clear();
  if (device_) {
    Bstr message;
    Check(device_->get_LastErrorMessage(message.Out()), "Cannot read the device's message");
    deviceMessage_ = BstrToAnsi(message.Get());
  }
}

void TQAVECRObj::RefuseValue() {
  lastErrorCode_ = qzlvpeInvalidPacket;
  haveDeviceMessage_ = true;
  deviceMessage_ = InvalidPacketText();
}

std::string TQAVECRObj::LastErrorMessage() const {
  if (std::optional<std::string> text = EngineErrorText(lastErrorCode_)) return *std::move(text);
  // The device's text for the code that the engine stored, taken when it was
  // stored: a later call on the device (the reconnection after an error read)
  // must not turn a refusal into the text of a success.
  if (haveDeviceMessage_) return deviceMessage_;
  if (!device_) return {};
  Bstr message;
  Check(device_->get_LastErrorMessage(message.Out()), "Cannot read the device's message");
  return BstrToAnsi(message.Get());
}

std::string TQAVECRObj::LastNativeErrorMessage() const { return NativeErrorText(lastNativeErrorCode_); }

IQAVZLVDevice* TQAVECRObj::RequireDevice() {
  if (!device_) SetEngineError(ecrecUnknownDeviceType);
  return device_.Get();
}

IQAVZLVPacket* TQAVECRObj::RequirePacket() const {
  if (!packet_)
    throw ComError(E_UNEXPECTED, "There is no current packet: no transfer has been begun, or its packet "
                                 "could not be made");
  return packet_.Get();
}

// ---------------------------------------------------------------------------
// Packets

Variant TQAVECRObj::FieldValue(LONG n) const {
  Variant v;
  Check(RequirePacket()->get_FieldValues(FieldIndex(n), &v), "Cannot read a field of the packet");
  return v;
}

void TQAVECRObj::SetFieldValue(LONG n, const VARIANT& value) {
  Check(RequirePacket()->put_FieldValues(FieldIndex(n), value), "Cannot set a field of the packet");
}

bool TQAVECRObj::CreateCurrentPacket(const std::string& id, LONG packetType) {
  packet_ = nullptr;
  ComPtr<IQAVZLVPacketLibrary> library;
  Check(protocol_->get_PacketLibrary(library.Out()), "Cannot read the protocol's packet library");
  if (library) {
    Bstr pktId = Bstr::Attach(AnsiToBstr(id));
    Variant noDefinition = Variant::Str(u"");
    Check(library->CreatePacket(pktId.Get(), noDefinition, packetType, packet_.Out()), "Cannot create a packet");
  }
  if (!packet_) {
    SetEngineError(ecrecCreatePacketFailed);
    return false;
  }
  return true;
}

std::string TQAVECRObj::GetPacketID(LONG dataType, LONG rangeType) { return PacketIdOf(dataType, rangeType); }

bool TQAVECRObj::ReadPacket() {
  IQAVZLVDevice* device = RequireDevice();
  if (!device) return false;
  LONG err = 0;
  Check(device->ReadPacket(RequirePacket(), &err), "Cannot read a packet");
  if (err != qzlvpeOK && err != qzlvpeEndOfData) {
    SetDeviceError(err);
    return false;
  }
  eof_ = err == qzlvpeEndOfData;
  SetDeviceError(qzlvpeOK);
  return true;
}

bool TQAVECRObj::CreateWritePacket() {
  const std::string id = GetPacketID(dataType_, ecrrtNumbers);
  if (id.empty()) {
    SetEngineError(ecrecUnknownDataType);
    return true;
  }
  return !CreateCurrentPacket(id, qzlvptWrite);
}

bool TQAVECRObj::WritePacket() {
  IQAVZLVDevice* device = RequireDevice();
  if (!device) return false;
  LONG err = 0;
  Check(device->WritePacket(RequirePacket(), &err), "Cannot write a packet");
  SetDeviceError(err);
  if (err == qzlvpeRejected && autoReadNativeError_) {
    // A code from an earlier refusal must not stand for this one when the
    // error record cannot be read.
    lastNativeErrorCode_ = "00";
    LONG transmissionType = 0;
    std::string rangeBeg;
    std::string rangeEnd;
    if (DoReadError(transmissionType, lastNativeErrorCode_, rangeBeg, rangeEnd)) {
      DoConfirmRead();
      DoDisconnect();
      DoConnect();
    }
  }
  return err == qzlvpeOK;
}

// ---------------------------------------------------------------------------
// Operations

bool TQAVECRObj::DoConnect() {
  IQAVZLVDevice* device = RequireDevice();
  if (!device) return false;
  LONG type = qzlvdtUnknown;
  Check(device->get_DeviceType(&type), "Cannot read the device's type");
  if (type == qzlvdtComDevice) {
    Bstr port;
    Check(commOptions_->get_Port(port.Out()), "Cannot read the port");
    Check(device->put_Port(port.Get()), "Cannot set the device's port");
    Bstr settings(SerialSettings(commOptions_.Get()));
    Check(device->put_Address(settings.Get()), "Cannot set the device's settings");
  } else if (type == qzlvdtTAPIDevice) {
    Bstr settings(ModemSettings(commOptions_.Get()));
    Check(device->put_Address(settings.Get()), "Cannot set the device's settings");
  } else {
    // No settings are built for this device (the hub device among them): the
    // connection fails, and says so in LastErrorCode.
    SetEngineError(ecrecConnectFailed);
    return false;
  }
  if (!CallBool(device, &IQAVZLVDevice::Connect, "Cannot connect the device")) {
    SetEngineError(ecrecConnectFailed);
    return false;
  }
  return true;
}

bool TQAVECRObj::DoDisconnect() {
  IQAVZLVDevice* device = RequireDevice();
  if (!device) return false;
  if (!CallBool(device, &IQAVZLVDevice::Disconnect, "Cannot disconnect the device")) {
    SetEngineError(ecrecDisconnectFailed);
    return false;
  }
  return true;
}

bool TQAVECRObj::DoResetCommunication() {
  IQAVZLVDevice* device = RequireDevice();
  if (!device) return false;
  return CallBool(device, &IQAVZLVDevice::Reset, "Cannot reset the device");
}

bool TQAVECRObj::DoBeginRead(LONG dataType, const VARIANT& rangeBeg, const VARIANT& rangeEnd, LONG rangeType,
                             LONG readMode) {
  dataType_ = dataType;
  rangeBeg_ = rangeBeg;
  rangeEnd_ = rangeEnd;
  rangeType_ = rangeType;
  readMode_ = readMode;
  const std::string id = GetPacketID(dataType, rangeType);
  if (id.empty()) {
    SetEngineError(ecrecUnknownDataType);
    return false;
  }
  const std::string begText = RangeText(rangeBeg, rangeType);
  const std::string endText = RangeText(rangeEnd, rangeType);
  if (!CreateCurrentPacket(id, qzlvptStart)) return false;
  SetFieldValue(1, Variant::I4(readMode == ecrrmResetting ? ecrttReadingResettingReport : ecrttReading));
  SetFieldValue(2, Variant::Ansi(begText));
  SetFieldValue(3, Variant::Ansi(endText));
  if (!WritePacket()) return false;
  if (!CallBool(device_.Get(), &IQAVZLVDevice::ModeSwitch, "Cannot switch the device's mode")) {
    SetEngineError(ecrecModeSwitchFailed);
    return false;
  }
  SetDeviceError(qzlvpeOK);
  // A new read has data to come until the register says otherwise, so that
  // the host's "read while not EOF" loop runs.
  eof_ = false;
  return true;
}

bool TQAVECRObj::DoBeginWrite(LONG dataType) {
  dataType_ = dataType;
  const std::string id = GetPacketID(dataType, ecrrtNumbers);
  if (id.empty()) {
    SetEngineError(ecrecUnknownDataType);
    return false;
  }
  if (!CreateCurrentPacket(id, qzlvptStart)) return false;
  const std::string blanks(kRangeTextLength, ' ');
  SetFieldValue(1, Variant::I4(ecrttWriting));
  SetFieldValue(2, Variant::Ansi(blanks));
  SetFieldValue(3, Variant::Ansi(blanks));
  if (!WritePacket()) return false;
  SetDeviceError(qzlvpeOK);
  return true;
}

bool TQAVECRObj::DoConfirmRead() {
  IQAVZLVDevice* device = RequireDevice();
  if (!device) return false;
  Check(device->SendACK(), "Cannot acknowledge the record");
  return true;
}

bool TQAVECRObj::DoReadNextRecordType(LONG& nextRecordType) {
  nextRecordType = -1;
  if (!ReadPacket()) return false;
  Bstr id;
  Check(RequirePacket()->get_ID(id.Out()), "Cannot read the packet's identifier");
  const RecordKind kind = RecordKindOf(dataType_, BstrToAnsi(id.Get()));
  if (kind.error != 0) {
    SetEngineError(kind.error);
    return false;
  }
  nextRecordType = kind.kind;
  return true;
}

bool TQAVECRObj::DoReadText(std::string& text) {
  if (!ReadPacket()) return false;
  text = BstrToAnsi(FieldValue(1).As(VT_BSTR).bstrVal);
  return true;
}

bool TQAVECRObj::DoWriteText(const std::string& text) {
  if (CreateWritePacket()) return false;
  SetFieldValue(1, Variant::Ansi(text));
  return WritePacket();
}

bool TQAVECRObj::DoReadIdentifier(Variant& identifier) {
  if (!ReadPacket()) return false;
  identifier = FieldValue(1);
  return true;
}

bool TQAVECRObj::DoSetCurrentReceipt(LONG receiptNumber) {
  if (CreateWritePacket()) return false;
  SetFieldValue(1, Variant::I4(receiptNumber));
  return SendWritePacket();
}

bool TQAVECRObj::DoRefresh() {
  auto readOne = [&](LONG dataType, Variant& value) {
    return DoConnect() && DoBeginRead(dataType, Variant::I4(0), Variant::I4(0), ecrrtNumbers, ecrrmNotResetting) &&
           DoReadIdentifier(value) && DoConfirmRead() && DoDisconnect();
  };
  Variant uniqueId;
  Variant ecrNumber;
  if (!readOne(ecrdtUniqueID, uniqueId) || !readOne(ecrdtECRNumber, ecrNumber)) return false;
  std::string idText = BstrToAnsi(uniqueId.As(VT_BSTR).bstrVal);
  std::string numberText = BstrToAnsi(ecrNumber.As(VT_BSTR).bstrVal);
  id_ = std::move(idText);
  ecrNumber_ = std::move(numberText);
  return true;
}

bool TQAVECRObj::DoReadError(LONG& transmissionType, std::string& errorCode, std::string& rangeBeg,
                             std::string& rangeEnd) {
  IQAVZLVDevice* device = RequireDevice();
  if (!device) return false;
  if (!CallBool(device, &IQAVZLVDevice::ModeSwitch, "Cannot switch the device's mode")) {
    SetEngineError(ecrecModeSwitchFailed);
    return false;
  }
  LONG err = 0;
  Check(device->ReadPacket(RequirePacket(), &err), "Cannot read the register's error");
  if (err != qzlvpeOK && err != qzlvpeEndOfData) {
    SetDeviceError(err);
    return false;
  }
  LONG type = FieldValue(2).As(VT_I4).lVal;
  std::string code = BstrToAnsi(FieldValue(3).As(VT_BSTR).bstrVal);
  std::string beg = BstrToAnsi(FieldValue(4).As(VT_BSTR).bstrVal);
  std::string end = BstrToAnsi(FieldValue(5).As(VT_BSTR).bstrVal);
  transmissionType = type;
  errorCode = std::move(code);
  rangeBeg = std::move(beg);
  rangeEnd = std::move(end);
  if (!autoReadNativeError_) SetDeviceError(qzlvpeOK);
  return true;
}

bool TQAVECRObj::DoChangeDevice(LONG deviceType) {
  device_ = nullptr;
  struct Choice {
    QAVECRDeviceType deviceType;
    const CLSID* clsid;
    QAVZLVDeviceType expected;
    QAVZLVDeviceType alsoAccepted;  // qzlvdtUnknown: none
  };
  // A new hub device reports the serial device's type until its channel to
  // the hub is open, which only its Master put opens: it is accepted with
  // either type, or the hub could never be chosen.
  static constexpr Choice kChoices[] = {
      {ecrdtCommDevice, &CLSID_QAVZLVComDevice, qzlvdtComDevice, qzlvdtUnknown},
      {ecrdtTAPIDevice, &CLSID_QAVZLVTapiDevice, qzlvdtTAPIDevice, qzlvdtUnknown},
      {ecrdtQAVTandrelDevice, &CLSID_QAVZLVTandrelDevice, qzlvdtQAVTandrelDevice, qzlvdtComDevice},
  };
  for (const Choice& choice : kChoices) {
    if (choice.deviceType != deviceType) continue;
    ComPtr<IQAVZLVDevice> device;
    // A class that cannot be created leaves no device, as an unknown type does.
    if (FAILED(CoCreateInstance(*choice.clsid, nullptr, CLSCTX_INPROC_SERVER, IQAVZLVDevice::Iid,
                                device.OutVoid()))) {
      TakeErrorDescription();
      device = nullptr;
    }
    if (!device) break;
    LONG type = qzlvdtUnknown;
    Check(device->get_DeviceType(&type), "Cannot read the device's type");
    if (type != choice.expected && (choice.alsoAccepted == qzlvdtUnknown || type != choice.alsoAccepted)) break;
    Check(device->put_Protocol(protocol_.Get()), "Cannot give the device its protocol");
    device_ = std::move(device);
    return true;
  }
  SetEngineError(ecrecUnknownDeviceType);
  return false;
}

void TQAVECRObj::SetPacketLibraryFile(const std::string& fileName) {
  packetLibraryFile_ = fileName.empty() ? SystemDirectory() + kDefaultLibraryName : fileName;
  ComPtr<IQAVZLVPacketLibrary> library;
  Check(protocol_->get_PacketLibrary(library.Out()), "Cannot read the protocol's packet library");
  VARIANT_BOOL loaded = VARIANT_FALSE;
  if (library) {
    Bstr name = Bstr::Attach(AnsiToBstr(packetLibraryFile_));
    Check(library->LoadFromFile(name.Get(), &loaded), "Cannot load the packet library");
  }
  if (!loaded) MessageBoxA(nullptr, kLibraryLoadError, "", MB_OK | MB_ICONERROR);
}

std::uint64_t TQAVECRObj::GetFlagsWord() const { return corvatin::GetFlagsWord(flags_.Get()); }

void TQAVECRObj::SetFlagsWord(std::uint64_t word) { corvatin::SetFlagsWord(flags_.Get(), word); }

// ---------------------------------------------------------------------------
// IQAVECR: properties

HRESULT TQAVECRObj::get_Version(BSTR* result) {
  return Get(result, [&] { return ControlFileVersion(); });
}

HRESULT TQAVECRObj::get_PacketLibraryFile(BSTR* result) {
  return Get(result, [&] { return packetLibraryFile_; });
}

HRESULT TQAVECRObj::put_PacketLibraryFile(BSTR value) {
  return Guard([&] { SetPacketLibraryFile(BstrToAnsi(value)); });
}

HRESULT TQAVECRObj::get_CommOptions(IQAVECRCommOptions** result) {
  return Get(result, [&] { return commOptions_; });
}

HRESULT TQAVECRObj::get_Flags(IQAVECRFlags** result) {
  return Get(result, [&] { return flags_; });
}

HRESULT TQAVECRObj::get_ECRNumber(BSTR* result) {
  return Get(result, [&] { return ecrNumber_; });
}

HRESULT TQAVECRObj::put_ECRNumber(BSTR value) {
  return Guard([&] { ecrNumber_ = BstrToAnsi(value); });
}

HRESULT TQAVECRObj::get_ID(BSTR* result) {
  return Get(result, [&] { return id_; });
}

HRESULT TQAVECRObj::put_ID(BSTR value) {
  return Guard([&] { id_ = BstrToAnsi(value); });
}

HRESULT TQAVECRObj::get_EOF(VARIANT_BOOL* result) {
  return Get(result, [&] { return eof_; });
}

HRESULT TQAVECRObj::get_LastPacketSent(BSTR* result) {
  return Get(result, [&] {
    Bstr text;
    if (device_) Check(device_->get_LastPacketSent(text.Out()), "Cannot read the last packet sent");
    return text;
  });
}

HRESULT TQAVECRObj::get_LastPacketReceived(BSTR* result) {
  return Get(result, [&] {
    Bstr text;
    if (device_) Check(device_->get_LastPacketReceived(text.Out()), "Cannot read the last packet received");
    return text;
  });
}

HRESULT TQAVECRObj::get_LastErrorCode(LONG* result) {
  return Get(result, [&] { return lastErrorCode_; });
}

HRESULT TQAVECRObj::get_LastErrorMessage(BSTR* result) {
  return Get(result, [&] { return LastErrorMessage(); });
}

HRESULT TQAVECRObj::get_AutoReadNativeError(VARIANT_BOOL* result) {
  return Get(result, [&] { return autoReadNativeError_; });
}

HRESULT TQAVECRObj::put_AutoReadNativeError(VARIANT_BOOL value) {
  return Guard([&] { autoReadNativeError_ = value != VARIANT_FALSE; });
}

HRESULT TQAVECRObj::get_LastNativeErrorCode(BSTR* result) {
  return Get(result, [&] { return lastNativeErrorCode_; });
}

HRESULT TQAVECRObj::get_LastNativeErrorMessage(BSTR* result) {
  return Get(result, [&] { return LastNativeErrorMessage(); });
}

HRESULT TQAVECRObj::get_Driver(BSTR* result) {
  return Get(result, [&] { return driver_; });
}

HRESULT TQAVECRObj::put_Driver(BSTR value) {
  return Guard([&] { driver_ = BstrToAnsi(value); });
}

HRESULT TQAVECRObj::get_KeepConnection(VARIANT_BOOL* result) {
  return Get(result, [&] {
    VARIANT_BOOL keep = VARIANT_FALSE;
    if (device_) Check(device_->get_KeepConnection(&keep), "Cannot read the device's KeepConnection");
    return keep != VARIANT_FALSE;
  });
}

HRESULT TQAVECRObj::put_KeepConnection(VARIANT_BOOL value) {
  return Guard([&] {
    if (device_) Check(device_->put_KeepConnection(value), "Cannot set the device's KeepConnection");
  });
}

HRESULT TQAVECRObj::get_Statistics(IQAVZLVDeviceStatistics** result) {
  return Get(result, [&] {
    ComPtr<IQAVZLVDeviceStatistics> statistics;
    if (device_) Check(device_->get_Statistics(statistics.Out()), "Cannot read the device's statistics");
    return statistics;
  });
}

// ---------------------------------------------------------------------------
// IQAVECR: transfers

HRESULT TQAVECRObj::BeginRead(LONG dataType, VARIANT rangeBeg, VARIANT rangeEnd, LONG rangeType, LONG readMode,
                              VARIANT_BOOL* result) {
  return Get(result, [&] { return DoBeginRead(dataType, rangeBeg, rangeEnd, rangeType, readMode); });
}

HRESULT TQAVECRObj::ConfirmRead(VARIANT_BOOL* result) {
  return Get(result, [&] { return DoConfirmRead(); });
}

HRESULT TQAVECRObj::Connect(VARIANT_BOOL* result) {
  return Get(result, [&] { return DoConnect(); });
}

HRESULT TQAVECRObj::Disconnect(VARIANT_BOOL* result) {
  return Get(result, [&] { return DoDisconnect(); });
}

HRESULT TQAVECRObj::ResetCommunication(VARIANT_BOOL* result) {
  return Get(result, [&] { return DoResetCommunication(); });
}

HRESULT TQAVECRObj::BeginWrite(LONG dataType, VARIANT_BOOL* result) {
  return Get(result, [&] { return DoBeginWrite(dataType); });
}

HRESULT TQAVECRObj::EndWrite(VARIANT_BOOL* result) {
  return Get(result, [&] { return true; });
}

HRESULT TQAVECRObj::ReadNextRecordType(LONG* nextRecordType, VARIANT_BOOL* result) {
  if (!nextRecordType) return E_POINTER;
  return Get(result, [&] { return DoReadNextRecordType(*nextRecordType); });
}

HRESULT TQAVECRObj::ReadText(BSTR* text, VARIANT_BOOL* result) {
  if (!text) return E_POINTER;
  return Get(result, [&] {
    std::string value;
    if (!DoReadText(value)) return false;
    SysFreeString(*text);
    *text = AnsiToBstr(value);
    return true;
  });
}

HRESULT TQAVECRObj::WriteText(BSTR text, VARIANT_BOOL* result) {
  return Get(result, [&] { return DoWriteText(BstrToAnsi(text)); });
}

HRESULT TQAVECRObj::ReadIdentifier(VARIANT* identifier, VARIANT_BOOL* result) {
  if (!identifier) return E_POINTER;
  return Get(result, [&] {
    Variant value;
    if (!DoReadIdentifier(value)) return false;
    Check(VariantClear(identifier), "Cannot clear the identifier");
    value.Detach(identifier);
    return true;
  });
}

HRESULT TQAVECRObj::SetCurrentReceipt(LONG receiptNumber, VARIANT_BOOL* result) {
  return RecordMember(result, this, [&] { return DoSetCurrentReceipt(receiptNumber); });
}

HRESULT TQAVECRObj::Refresh(VARIANT_BOOL* result) {
  return Get(result, [&] { return DoRefresh(); });
}

HRESULT TQAVECRObj::ReadError(LONG* transmissionType, BSTR* errorCode, BSTR* rangeBeg, BSTR* rangeEnd,
                              VARIANT_BOOL* result) {
  if (!transmissionType || !errorCode || !rangeBeg || !rangeEnd) return E_POINTER;
  return Get(result, [&] {
    LONG type = *transmissionType;
    std::string code = BstrToAnsi(*errorCode);
    std::string beg = BstrToAnsi(*rangeBeg);
    std::string end = BstrToAnsi(*rangeEnd);
    if (!DoReadError(type, code, beg, end)) return false;
    *transmissionType = type;
    for (auto [slot, text] : {std::pair{errorCode, &code}, std::pair{rangeBeg, &beg}, std::pair{rangeEnd, &end}}) {
      SysFreeString(*slot);
      *slot = AnsiToBstr(*text);
    }
    return true;
  });
}

HRESULT TQAVECRObj::ChangeDevice(LONG deviceType, VARIANT_BOOL* result) {
  return Get(result, [&] { return DoChangeDevice(deviceType); });
}

HRESULT TQAVECRObj::AboutBox() {
  return Guard([] { ShowAbout(); });
}

HRESULT TQAVECRObj::EditPacketLibraryFile(VARIANT_BOOL* result) {
  return Get(result, [&] {
    ComPtr<IQAVZLVPacketLibrary> library;
    Check(protocol_->get_PacketLibrary(library.Out()), "Cannot read the protocol's packet library");
    VARIANT_BOOL edited = VARIANT_FALSE;
    if (library) Check(library->Edit(&edited), "Cannot edit the packet library");
    return edited != VARIANT_FALSE;
  });
}

}  // namespace corvatin
