// The batch file driver: its properties, the run over the input file, one
// line's packet sent, the register's records received into the output file,
// and the error lines.
#include "zelvani/devices/QAVZLVFileDriver.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include "platform/win/clock.h"
#include "zelvani/model/InterfaceCalls.h"
#include "zelvani/model/TextHelpers.h"

namespace zelvani {

ZELVANI_CLASS(TQAVZLVFileDriver, CLSID_QAVZLVFileDriver);

namespace fs = std::filesystem;

namespace {

// Options of the delimited form: smart brackets, no conversion, identifier,
// with and without the packet type.
constexpr LONG kReadWithType = qzlvdsoSmartBrackets | qzlvdsoNoConversion | qzlvdsoPacketID | qzlvdsoPacketType;
constexpr LONG kReadWithoutType = qzlvdsoSmartBrackets | qzlvdsoNoConversion | qzlvdsoPacketID;
// The identifier of the packet made when the library is loaded.
constexpr const char* kWorkingPacketId = "I";
constexpr char kEot = 0x04;
// The code of a file that cannot be written.
constexpr LONG kFileWriteFailed = 100;

Bstr ToBstr(std::string_view ansi) { return Bstr::Attach(AnsiToBstr(ansi)); }

// The lines of TEXT, ended by CR LF, LF or CR; a last line without an end
// counts, an empty text after the last end does not.
std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\r' && text[i] != '\n') continue;
    lines.emplace_back(text, start, i - start);
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    start = i + 1;
  }
  if (start < text.size()) lines.emplace_back(text, start, text.size() - start);
  return lines;
}

// Whether two paths name the same file (also through "." and "..", or links).
bool SameFile(const std::string& a, const std::string& b) {
  std::error_code ea, eb;
  const fs::path ca = fs::weakly_canonical(a, ea);
  const fs::path cb = fs::weakly_canonical(b, eb);
  if (ea || eb) return a == b;
  return ca == cb;
}

// The packet type a delimited line's first token gives: "S" start, "D" read,
// "E" error; 0 for anything else.
LONG TypeOfToken(const std::string& token) {
  switch (token.empty() ? '\0' : token[0]) {
    case 'S': return qzlvptStart;
    case 'D': return qzlvptRead;
    case 'E': return qzlvptError;
    default: return 0;
  }
}

LONG PacketType(IQAVZLVPacket* packet) {
  LONG type = 0;
  CheckCall(packet->get_PacketType(&type), "Cannot read the packet type");
  return type;
}

std::string PacketID(IQAVZLVPacket* packet) { return ReadText(packet, &IQAVZLVPacket::get_ID, "Cannot read the packet ID"); }

}  // namespace

// ---------------------------------------------------------------------------

TQAVZLVFileDriver::TQAVZLVFileDriver()
    : protocol_(Create<IQAVZLVProtocol>(CLSID_QAVZLVProtocol)),
      device_(Create<IQAVZLVDevice>(CLSID_QAVZLVComDevice)) {
  CheckCall(device_->put_Protocol(protocol_.Get()), "Cannot give the device its protocol");
}

TQAVZLVFileDriver::~TQAVZLVFileDriver() {
  if (output_) std::fclose(output_);
}

// ---------------------------------------------------------------------------
// Properties

#define ZV_TEXT_PROP(Name, field)                                                        \
  HRESULT TQAVZLVFileDriver::get_##Name(BSTR* result) {                                 \
    return Get(result, [&] { return field; });                                           \
  }                                                                                      \
  HRESULT TQAVZLVFileDriver::put_##Name(BSTR value) {                                   \
    return Guard([&] { field = BstrToAnsi(value); });                                    \
  }
#define ZV_LONG_PROP(Name, field)                                                        \
  HRESULT TQAVZLVFileDriver::get_##Name(LONG* result) {                                 \
    return Get(result, [&] { return field; });                                           \
  }                                                                                      \
  HRESULT TQAVZLVFileDriver::put_##Name(LONG value) {                                   \
    return Guard([&] { field = value; });                                                \
  }

ZV_TEXT_PROP(InputFile, inputFile_)
ZV_TEXT_PROP(OutputFile, outputFile_)
ZV_TEXT_PROP(ErrorFile, errorFile_)
ZV_TEXT_PROP(PortName, portName_)
ZV_TEXT_PROP(PortParams, portParams_)
ZV_LONG_PROP(InputFormat, inputFormat_)
ZV_LONG_PROP(OutputFormat, outputFormat_)
ZV_LONG_PROP(Timeout, timeout_)
ZV_LONG_PROP(MaxWackCount, maxWackCount_)
ZV_TEXT_PROP(DataPath, dataPath_)
ZV_LONG_PROP(StartLine, startLine_)
ZV_TEXT_PROP(SeparatorChar, separatorChar_)
ZV_TEXT_PROP(BracketOpen, bracketOpen_)
ZV_TEXT_PROP(BracketClose, bracketClose_)
ZV_LONG_PROP(BracketMode, bracketMode_)
ZV_TEXT_PROP(NewLineChar, newLineChar_)

#undef ZV_TEXT_PROP
#undef ZV_LONG_PROP

HRESULT TQAVZLVFileDriver::get_ReceiveCache(VARIANT_BOOL* result) {
  return Get(result, [&] { return receiveCache_; });
}
HRESULT TQAVZLVFileDriver::put_ReceiveCache(VARIANT_BOOL value) {
  return Guard([&] { receiveCache_ = value != VARIANT_FALSE; });
}

HRESULT TQAVZLVFileDriver::get_Statistics(IQAVZLVDeviceStatistics** result) {
  return Get(result, [&] {
    ComPtr<IQAVZLVDeviceStatistics> stats;
    CheckCall(device_->get_Statistics(stats.Out()), "Cannot read the device statistics");
    return stats;
  });
}

HRESULT TQAVZLVFileDriver::get_PacketsSent(LONG* result) {
  return Get(result, [&] {
    ComPtr<IQAVZLVDeviceStatistics> stats;
    CheckCall(device_->get_Statistics(stats.Out()), "Cannot read the device statistics");
    return ReadLong(stats.Get(), &IQAVZLVDeviceStatistics::get_PacketsSent, "Cannot read PacketsSent");
  });
}

HRESULT TQAVZLVFileDriver::get_PacketsReceived(LONG* result) {
  return Get(result, [&] {
    ComPtr<IQAVZLVDeviceStatistics> stats;
    CheckCall(device_->get_Statistics(stats.Out()), "Cannot read the device statistics");
    return ReadLong(stats.Get(), &IQAVZLVDeviceStatistics::get_PacketsReceived, "Cannot read PacketsReceived");
  });
}

HRESULT TQAVZLVFileDriver::get_PacketDefFile(BSTR* result) {
  return Get(result, [&] { return packetDefFile_; });
}

HRESULT TQAVZLVFileDriver::put_PacketDefFile(BSTR value) {
  return Guard([&] {
    packetDefFile_ = BstrToAnsi(value);
    ComPtr<IQAVZLVPacketLibrary> library;
    CheckCall(protocol_->get_PacketLibrary(library.Out()), "Cannot reach the packet library");
    workingPacket_ = nullptr;
    if (!library) return;
    VARIANT_BOOL loaded = VARIANT_FALSE;
    Bstr file = ToBstr(packetDefFile_);
    CheckCall(library->LoadFromFile(file.Get(), &loaded), "Cannot load the packet library");
    Bstr id = ToBstr(kWorkingPacketId);
    CheckCall(library->CreatePacket(id.Get(), Variant(), qzlvptStart, workingPacket_.Out()),
              "Cannot create the working packet");
  });
}

HRESULT TQAVZLVFileDriver::Execute(LONG* result) {
  return Get(result, [&] { return Run(); });
}

// ---------------------------------------------------------------------------
// Paths, error lines, files

std::string TQAVZLVFileDriver::PathOf(const std::string& name) const {
  if (dataPath_.empty()) return name;
  // The platform's folders end with "/" where the driver's home platform
  // writes "\".
  return dataPath_.back() == '/' ? dataPath_ + name : dataPath_ + "/" + name;
}

LONG TQAVZLVFileDriver::AddError(std::string_view message) {
  const std::size_t semicolon = message.find(';');
  const std::string codeText(message.substr(0, semicolon));
  const std::string text(semicolon == std::string_view::npos ? std::string_view() : message.substr(semicolon + 1));
  LONG code = -1;
  char* end = nullptr;
  errno = 0;
  const long parsed = std::strtol(codeText.c_str(), &end, 10);
  if (!codeText.empty() && end && *end == '\0' && errno == 0) code = static_cast<LONG>(parsed);
  errorLines_.push_back(std::to_string(code) + ";" + std::to_string(lineIndex_) + ";" + text);
  return code;
}

bool TQAVZLVFileDriver::WriteErrorFile(const std::string& path) const {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  bool ok = true;
  for (const std::string& line : errorLines_) {
    ok = ok && std::fwrite(line.data(), 1, line.size(), f) == line.size();
    ok = ok && std::fwrite("\r\n", 1, 2, f) == 2;
  }
  return std::fclose(f) == 0 && ok;
}

bool TQAVZLVFileDriver::CloseOutput() {
  if (!output_) return true;
  const bool ok = std::fclose(output_) == 0;
  output_ = nullptr;
  return ok;
}

// ---------------------------------------------------------------------------
// The run

LONG TQAVZLVFileDriver::Run() {
  // Whatever happens, the run ends with its output closed and its lists empty,
  // so that the next run starts clean.
  struct EndOfRun {
    TQAVZLVFileDriver& d;
    ~EndOfRun() {
      d.CloseOutput();
      d.inputLines_.clear();
      d.errorLines_.clear();
    }
  } endOfRun{*this};
  errorLines_.clear();
  inputLines_.clear();

  const std::string inputPath = InputPath();
  const std::string outputPath = OutputPath();
  const std::string errorPath = ErrorPath();

  // Creating the output or the error file must never destroy the input (nor
  // the error file the output).
  if (SameFile(inputPath, outputPath) || SameFile(inputPath, errorPath) || SameFile(outputPath, errorPath)) {
    const LONG code = AddError(kSameFiles);
    if (!SameFile(inputPath, errorPath)) WriteErrorFile(errorPath);
    return code;
  }

  // The input is read whole before the output is created.
  {
    std::error_code ec;
    if (!fs::exists(inputPath, ec)) {
      const LONG code = AddError(kFileNotFound);
      WriteErrorFile(errorPath);
      return code;
    }
    std::ifstream in(inputPath, std::ios::binary);
    std::string text;
    if (in && !fs::is_directory(inputPath, ec)) text.assign(std::istreambuf_iterator<char>(in), {});
    if (!in || in.bad() || fs::is_directory(inputPath, ec)) {
      const LONG code = AddError(kCannotReadFile);
      WriteErrorFile(errorPath);
      return code;
    }
    inputLines_ = SplitLines(text);
  }

  previousId_.reset();
  output_ = std::fopen(outputPath.c_str(), "wb");
  if (!output_) {
    const LONG code = AddError(kCannotWritePacketData);
    WriteErrorFile(errorPath);
    return code;
  }

  Bstr port = ToBstr(portName_);
  CheckCall(device_->put_Port(port.Get()), "Cannot set the device's port");
  Bstr params = ToBstr(portParams_);
  CheckCall(device_->put_Address(params.Get()), "Cannot set the device's settings");

  LONG result = qzlvpeOK;
  const LONG count = static_cast<LONG>(inputLines_.size());
  for (LONG index = startLine_ < 0 ? 0 : startLine_; index < count; ++index) {
    lineIndex_ = index;
    Sleep(1);
    result = ProcessLine(inputLines_[static_cast<std::size_t>(index)]);
    if (result != qzlvpeOK && result != qzlvpeEndOfData) break;
  }

  VARIANT_BOOL connected = VARIANT_FALSE;
  CheckCall(device_->get_IsConnected(&connected), "Cannot read the device's state");
  if (connected) DeviceDisconnect();

  const bool succeeded = result == qzlvpeOK || result == qzlvpeEndOfData;
  // Records held back by ReceiveCache are written now; losing them is a failure.
  if (!CloseOutput()) {
    const LONG code = AddError(kCannotWritePacketData);
    if (succeeded) result = code;
  }
  // A run whose error file cannot be written does not report success.
  if (!WriteErrorFile(errorPath) && (result == qzlvpeOK || result == qzlvpeEndOfData)) result = kFileWriteFailed;
  return result;
}

// ---------------------------------------------------------------------------
// One line

ComPtr<IQAVZLVPacket> TQAVZLVFileDriver::FillDelimited(const std::string& line, const std::string& id, LONG type,
                                                       LONG options) const {
  ComPtr<IQAVZLVPacketLibrary> library;
  CheckCall(protocol_->get_PacketLibrary(library.Out()), "Cannot reach the packet library");
  if (!library || id.empty()) return nullptr;
  ComPtr<IQAVZLVPacket> packet;
  Bstr key = ToBstr(id);
  CheckCall(library->CreatePacket(key.Get(), Variant(), type, packet.Out()), "Cannot create a packet");
  if (!packet) return nullptr;
  // A packet without a frame cannot be read from the delimited form.
  ComPtr<IQAVZLVFrame> frame;
  CheckCall(packet->get_PacketStruct(frame.Out()), "Cannot read the packet's frame");
  if (!frame) return nullptr;
  LONG filled = qzlvpeInvalidPacket;
  Bstr text = ToBstr(line);
  Bstr delimiter = ToBstr(separatorChar_);
  Bstr brackets = ToBstr("[]");
  Bstr newLine = ToBstr("\\");
  CheckCall(packet->SetFromDelimitedString(text.Get(), delimiter.Get(), brackets.Get(), newLine.Get(), options, &filled),
            "Cannot read the delimited line");
  if (filled != qzlvpeOK) return nullptr;
  if (ReadText(packet.Get(), &IQAVZLVPacket::get_Name, "Cannot read the packet's name").empty()) return nullptr;
  return packet;
}

ComPtr<IQAVZLVPacket> TQAVZLVFileDriver::FillPacket(const std::string& line) const {
  // Without a loaded library there is nothing to fill.
  if (!workingPacket_) return nullptr;
  if (inputFormat_ == qzlvftPositional) {
    ComPtr<IQAVZLVPacketLibrary> library;
    CheckCall(protocol_->get_PacketLibrary(library.Out()), "Cannot reach the packet library");
    ComPtr<IQAVZLVPacket> packet;
    Bstr id = ToBstr(kWorkingPacketId);
    CheckCall(library->CreatePacket(id.Get(), Variant(), qzlvptStart, packet.Out()), "Cannot create a packet");
    if (!packet) return nullptr;
    Bstr data = ToBstr(line);
    CheckCall(packet->put_DataString(data.Get()), "Cannot set the data string");
    return packet;
  }
  if (separatorChar_.empty()) return nullptr;
  const char sep = separatorChar_[0];
  // Each attempt binds a new packet once, from the line's identifier and type
  // together; a packet of the previous line never decides the binding.
  const LONG type = TypeOfToken(GetToken(line, 0, sep));
  if (ComPtr<IQAVZLVPacket> p = FillDelimited(line, GetToken(line, type != 0 ? 1 : 0, sep), type, kReadWithType))
    return p;
  // A line without a packet type: its first token is the identifier.
  return FillDelimited(line, GetToken(line, 0, sep), 0, kReadWithoutType);
}

bool TQAVZLVFileDriver::ValuesFitFields(IQAVZLVPacket* packet) const {
  ComPtr<IQAVZLVPacketDef> def;
  CheckCall(packet->get_PacketDef(def.Out()), "Cannot read the packet definition");
  if (!def) return true;
  ComPtr<IQAVZLVFieldDefs> fields;
  CheckCall(def->get_FieldDefs(fields.Out()), "Cannot read the field definitions");
  const LONG count = ReadLong(packet, &IQAVZLVPacket::get_FieldsCount, "Cannot read the field count");
  for (LONG i = 0; i < count; ++i) {
    ComPtr<IQAVZLVFieldDef> field;
    CheckCall(fields->get_Items(i, field.Out()), "Cannot read a field definition");
    const LONG dataType = ReadLong(field.Get(), &IQAVZLVFieldDef::get_DataType, "Cannot read a data type");
    const LONG conversions = ReadLong(field.Get(), &IQAVZLVFieldDef::get_Conversions, "Cannot read conversions");
    // Texts and plain integers would be cut to the field on the line; a hex
    // integer's text is not its width.
    if (dataType != qzlvdaString && (dataType != qzlvdaInteger || (conversions & qzlvdcHex))) continue;
    const LONG size = ReadLong(field.Get(), &IQAVZLVFieldDef::get_Size, "Cannot read a field size");
    Variant value;
    CheckCall(packet->get_FieldValues(Variant::I4(i + 1), &value), "Cannot read a field value");
    Variant text;
    if (FAILED(value.TryAs(VT_BSTR, text))) continue;
    if (static_cast<LONG>(SysStringLen(text.bstrVal)) > size) return false;
  }
  return true;
}

bool TQAVZLVFileDriver::ScaleAmounts(IQAVZLVPacket* packet) const {
  ComPtr<IQAVZLVPacketDef> def;
  CheckCall(packet->get_PacketDef(def.Out()), "Cannot read the packet definition");
  if (!def) return true;
  ComPtr<IQAVZLVFieldDefs> fields;
  CheckCall(def->get_FieldDefs(fields.Out()), "Cannot read the field definitions");
  const LONG count = ReadLong(packet, &IQAVZLVPacket::get_FieldsCount, "Cannot read the field count");
  for (LONG i = 0; i < count; ++i) {
    ComPtr<IQAVZLVFieldDef> field;
    CheckCall(fields->get_Items(i, field.Out()), "Cannot read a field definition");
    if (ReadLong(field.Get(), &IQAVZLVFieldDef::get_DataType, "Cannot read a data type") != qzlvdaCurrency) continue;
    const LONG conversions = ReadLong(field.Get(), &IQAVZLVFieldDef::get_Conversions, "Cannot read conversions");
    if (!(conversions & (qzlvdcHundredths | qzlvdcThousands))) continue;
    const Variant index = Variant::I4(i + 1);
    Variant value;
    CheckCall(packet->get_FieldValues(index, &value), "Cannot read a field value");
    Variant number;
    if (FAILED(value.TryAs(VT_R8, number))) return false;
    double amount = number.dblVal;
    // Rounded half to even, as the line's whole hundredths or thousandths.
    if (conversions & qzlvdcHundredths) amount = std::nearbyint(amount) / 100.0;
    if (conversions & qzlvdcThousands) amount = std::nearbyint(amount) / 1000.0;
    CheckCall(packet->put_FieldValues(index, Variant::R8(amount)), "Cannot set a field value");
  }
  return true;
}

LONG TQAVZLVFileDriver::ProcessLine(const std::string& line) {
  // A line is checked whole before anything goes to the register.
  ComPtr<IQAVZLVPacket> packet = FillPacket(line);
  if (!packet || !ValuesFitFields(packet.Get()) || !ScaleAmounts(packet.Get())) return AddError(kTextCannotBeFormatted);
  const LONG type = PacketType(packet.Get());
  const std::string id = PacketID(packet.Get());
  if (type == qzlvptStart) {
    if (!DeviceConnect()) return AddError(kConnectionFailure);
  } else if (!previousId_ || *previousId_ != id) {
    if (!DeviceConnect()) return AddError(kConnectionFailure);
    ComPtr<IQAVZLVPacketLibrary> library;
    CheckCall(protocol_->get_PacketLibrary(library.Out()), "Cannot reach the packet library");
    ComPtr<IQAVZLVPacket> start;
    Bstr key = ToBstr(id);
    if (library) CheckCall(library->CreatePacket(key.Get(), Variant(), qzlvptStart, start.Out()), "Cannot create a packet");
    // Without a start packet of the identifier the start step is skipped.
    if (start) {
      CheckCall(start->put_FieldValues(Variant::I4(1), Variant::I4(1)), "Cannot set a field value");
      SendPacket(start.Get());
    }
    previousId_ = id;
  }
  LONG result = SendPacket(packet.Get());
  if (result == qzlvpeOK && type == qzlvptStart) {
    result = ReceiveAll(packet.Get());
    DeviceDisconnect();
  }
  return result;
}

LONG TQAVZLVFileDriver::SendPacket(IQAVZLVPacket* packet) {
  LONG result = qzlvpeOK;
  CheckCall(device_->WritePacket(packet, &result), "Cannot write the packet");
  if (result == qzlvpeRejected) {
    // The register's error packet follows a rejection.
    DeviceModeSwitch();
    LONG read = qzlvpeOK;
    CheckCall(device_->ReadPacket(packet, &read), "Cannot read the packet");
    CheckCall(device_->SendACK(), "Cannot send ACK");
    const bool written = !DeviceDisconnect() || WriteOutput(packet);
    const LONG code = AddError(kRviReceived);
    return written ? code : AddError(kCannotWritePacketData);
  }
  if (result != qzlvpeOK) {
    CheckCall(device_->Abort(), "Cannot abort");
    return AddError(kCannotWritePacket);
  }
  return qzlvpeOK;
}

LONG TQAVZLVFileDriver::ReceiveAll(IQAVZLVPacket* packet) {
  if (!DeviceModeSwitch()) return AddError(kCannotReadPacket);
  int refused = 0;
  for (;;) {
    LONG result = qzlvpeOK;
    CheckCall(device_->ReadPacket(packet, &result), "Cannot read the packet");
    switch (result) {
      case qzlvpeOK:
      case qzlvpeEndOfData:
        refused = 0;
        if (!WriteOutput(packet)) {
          // The register's data could not be kept: a failure, told as one.
          const LONG code = AddError(kCannotWritePacketData);
          DeviceDisconnect();
          return code;
        }
        CheckCall(device_->SendACK(), "Cannot send ACK");
        if (result == qzlvpeEndOfData) return result;
        break;
      case qzlvpeTimeout: {
        Bstr eot = ToBstr(std::string(1, kEot));
        LONG sent = 0;
        CheckCall(device_->SendString(eot.Get(), &sent), "Cannot send EOT");
        return AddError(kTimeout);
      }
      // No flow to read with, a broken line, a cancelled transfer: no further
      // read can succeed.
      case qzlvpeUndefinedFlow:
      case qzlvpeDeviceError:
      case qzlvpeUserBreak:
        return AddError(kCannotReadPacket);
      default:
        CheckCall(device_->SendNAK(), "Cannot send NAK");
        if (result == qzlvpeNoData) return result;
        // A register that keeps sending what cannot be read is given up on.
        if (++refused >= kMaxRefusedReads) return AddError(kCannotReadPacket);
        break;
    }
  }
}

std::string TQAVZLVFileDriver::OutputLine(IQAVZLVPacket* packet) const {
  if (outputFormat_ == qzlvftPositional)
    return PacketID(packet) + ReadText(packet, &IQAVZLVPacket::get_DataString, "Cannot read the data string");
  Bstr delimiter = ToBstr(separatorChar_);
  Bstr brackets = ToBstr("[]");
  Bstr newLine = ToBstr("\\");
  Bstr text;
  CheckCall(packet->GetDelimitedString(delimiter.Get(), brackets.Get(), newLine.Get(), qzlvdsoDefault, text.Out()),
            "Cannot write the delimited line");
  return BstrToAnsi(text.Get());
}

bool TQAVZLVFileDriver::WriteOutput(IQAVZLVPacket* packet) {
  if (!output_) return false;
  const std::string line = OutputLine(packet) + "\r\n";
  if (std::fwrite(line.data(), 1, line.size(), output_) != line.size()) return false;
  return receiveCache_ || std::fflush(output_) == 0;
}

// ---------------------------------------------------------------------------
// The device

bool TQAVZLVFileDriver::DeviceConnect() {
  VARIANT_BOOL ok = VARIANT_FALSE;
  CheckCall(device_->Connect(&ok), "Cannot connect");
  return ok != VARIANT_FALSE;
}

bool TQAVZLVFileDriver::DeviceDisconnect() {
  VARIANT_BOOL ok = VARIANT_FALSE;
  CheckCall(device_->Disconnect(&ok), "Cannot disconnect");
  return ok != VARIANT_FALSE;
}

bool TQAVZLVFileDriver::DeviceModeSwitch() {
  VARIANT_BOOL ok = VARIANT_FALSE;
  CheckCall(device_->ModeSwitch(&ok), "Cannot switch the mode");
  return ok != VARIANT_FALSE;
}

}  // namespace zelvani
