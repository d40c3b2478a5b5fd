// The batch file driver: its properties, the run over the input file, one
// line's packet sent, the register's records received into the output file,
// and the error lines.
#include "zelvani/devices/QAVZLVFileDriver.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>

#include "platform/com/regularfile.h"
#include "platform/win/clock.h"
#include "zelvani/model/InterfaceCalls.h"
#include "zelvani/model/QAVZLVFieldDef.h"
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

// The lines of a file, read one at a time as the run goes: CR LF, LF or CR
// end a line; a last line without an end counts, nothing after the last end
// does. Only the line being read is held, and only when it is kept.
class LineReader {
 public:
  enum class Next { Line, End, TooLong, Failed };

  explicit LineReader(int fd) : fd_(fd) {}

  // The next line, into LINE when KEEP (a line passed over takes no memory).
  // TooLong: a kept line would grow past MOST characters; it is left there.
  Next Read(std::string& line, bool keep, std::size_t most) {
    line.clear();
    bool any = false;  // a character of this line has been read
    for (;;) {
      if (pos_ == len_) {
        const ssize_t got = ::read(fd_, buffer_, sizeof buffer_);
        if (got < 0) {
          if (errno == EINTR) continue;
          return Next::Failed;
        }
        if (got == 0) return any ? Next::Line : Next::End;
        pos_ = 0;
        len_ = static_cast<std::size_t>(got);
      }
      // The LF of a CR LF that the previous line ended with.
      if (afterCr_) {
        afterCr_ = false;
        if (buffer_[pos_] == '\n') {
          ++pos_;
          continue;
        }
      }
      std::size_t end = pos_;
      while (end < len_ && buffer_[end] != '\r' && buffer_[end] != '\n') ++end;
      const std::size_t n = end - pos_;
      if (keep) {
        if (line.size() + n > most) return Next::TooLong;
        line.append(buffer_ + pos_, n);
      }
      any = any || n > 0;
      pos_ = end;
      if (pos_ < len_) {
        afterCr_ = buffer_[pos_] == '\r';
        ++pos_;
        return Next::Line;
      }
    }
  }

 private:
  int fd_;
  char buffer_[65536];
  std::size_t pos_ = 0;
  std::size_t len_ = 0;
  bool afterCr_ = false;
};

// What a path names, for the check that the three files differ: the device
// and inode of an existing file; for a name that does not exist yet, the
// directory it would be made in and its name there, found through the chain
// of symbolic links that creating it would follow. Two spellings of one file
// (".", "..", hard and symbolic links) thus have one identity.
struct FileIdentity {
  dev_t device = 0;
  ino_t inode = 0;
  std::string name;  // empty for an existing file

  bool operator==(const FileIdentity&) const = default;
};

FileIdentity IdentityOf(const std::string& spelling) {
  constexpr int kMostLinks = 40;  // as the system follows them
  fs::path path(spelling);
  struct stat st {};
  for (int hops = 0; hops < kMostLinks; ++hops) {
    if (::stat(path.c_str(), &st) == 0) return {st.st_dev, st.st_ino, {}};
    // A link to nothing: creating the file under the link creates its target.
    if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) break;
    std::error_code ec;
    const fs::path target = fs::read_symlink(path, ec);
    if (ec) break;
    path = target.is_absolute() ? target : path.parent_path() / target;
  }
  const fs::path parent = path.has_parent_path() ? path.parent_path() : fs::path(".");
  if (::stat(parent.c_str(), &st) == 0) return {st.st_dev, st.st_ino, path.filename().string()};
  // Nothing of it exists: the spelling, made whole and plain.
  std::error_code ec;
  const fs::path whole = fs::absolute(path, ec);
  return {0, 0, (ec ? path : whole).lexically_normal().string()};
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

constexpr std::int64_t kCyUnit = 10000;  // a currency counts ten-thousandths

// A line's amount: a text read by the rule of the engine's amounts, any other
// value (a packet's own default, a positional field already read) as the
// currency it converts to. False when it is no amount.
bool ReadAmount(const VARIANT& value, CY& amount) {
  if (value.vt == VT_BSTR) {
    const std::string text = BstrToAnsi(value.bstrVal);
    return AnsiToWide(text) == BstrView(value.bstrVal) && SUCCEEDED(ReadCurrency(text, amount));
  }
  Variant cy;
  if (FAILED(VariantChangeType(&cy, &value, 0, VT_CY))) return false;
  amount = cy.cyVal;
  return true;
}

// The whole units of AMOUNT, rounded half to even.
std::int64_t RoundedToUnits(CY amount) {
  std::int64_t q = amount.int64 / kCyUnit;
  std::int64_t r = amount.int64 % kCyUnit;
  if (r < 0) r = -r;
  if (2 * r > kCyUnit || (2 * r == kCyUnit && (q & 1))) q += amount.int64 < 0 ? -1 : 1;
  return q;
}

// Whether VALUE goes into FIELD whole, as the field definition answers it.
bool FitsField(IQAVZLVFieldDef* field, const VARIANT& value) {
  const LONG size = ReadLong(field, &IQAVZLVFieldDef::get_Size, "Cannot read a field size");
  Bstr buffer = Bstr(std::u16string(static_cast<std::size_t>(std::max<LONG>(size, 1)), u' '));
  BSTR raw = buffer.Detach();
  VARIANT_BOOL fits = VARIANT_FALSE;
  const HRESULT hr = field->PasteValue(&raw, value, 1, &fits);
  buffer = Bstr::Attach(raw);
  CheckCall(hr, "Cannot paste a field value");
  return fits != VARIANT_FALSE;
}

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

bool TQAVZLVFileDriver::IsRunFile(const com::RegularFile::Identity& id) const {
  return std::find(runFiles_.begin(), runFiles_.end(), id) != runFiles_.end();
}

bool TQAVZLVFileDriver::WriteErrorFile(const std::string& path) const {
  // Opened without truncating it, and emptied only once it is known to be
  // none of the run's files, whatever its name leads to by now.
  com::RegularFile file = com::RegularFile::OpenForWriting(path);
  const std::optional<com::RegularFile::Identity> id = file.Id();
  if (!id || IsRunFile(*id) || !file.Truncate()) return false;
  std::FILE* f = file.ToStream("wb");
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
      d.errorLines_.clear();
      d.runFiles_.clear();
    }
  } endOfRun{*this};
  errorLines_.clear();
  runFiles_.clear();

  const std::string inputPath = InputPath();
  const std::string outputPath = OutputPath();
  const std::string errorPath = ErrorPath();

  // Creating the output or the error file must never destroy the input (nor
  // the error file the output), under whatever name each is given, nor when a
  // name is replaced while the run goes on. The input is opened first and
  // known by what is open; the output and the error file are opened without
  // truncating them, compared with the run's files by what is open, and only
  // then emptied.
  com::RegularFile in = com::RegularFile::OpenForReading(inputPath);
  if (const std::optional<com::RegularFile::Identity> id = in.Id()) runFiles_.push_back(*id);

  // The names are compared as well, before anything is opened for writing: a
  // name that leads to no file yet may lead where another name will.
  const FileIdentity input = IdentityOf(inputPath);
  const FileIdentity output = IdentityOf(outputPath);
  const FileIdentity errors = IdentityOf(errorPath);
  if (input == output || input == errors || output == errors) {
    const LONG code = AddError(kSameFiles);
    if (!(input == errors)) WriteErrorFile(errorPath);
    return code;
  }
  // An error file that is a FIFO or a device cannot take the error lines:
  // the run does nothing.
  if (com::RegularFile::IsOtherThanRegular(errorPath)) return kFileWriteFailed;

  if (!in.IsOpen()) {
    const LONG code = AddError(in.Why() == com::RegularFile::Failure::Missing ? kFileNotFound : kCannotReadFile);
    WriteErrorFile(errorPath);
    return code;
  }

  previousId_.reset();
  com::RegularFile out = com::RegularFile::OpenForWriting(outputPath);
  const std::optional<com::RegularFile::Identity> outputId = out.Id();
  if (outputId && IsRunFile(*outputId)) {
    const LONG code = AddError(kSameFiles);
    WriteErrorFile(errorPath);
    return code;
  }
  if (outputId && out.Truncate()) output_ = out.ToStream("wb");
  if (!output_) {
    const LONG code = AddError(kCannotWritePacketData);
    WriteErrorFile(errorPath);
    return code;
  }
  runFiles_.push_back(*outputId);

  Bstr port = ToBstr(portName_);
  CheckCall(device_->put_Port(port.Get()), "Cannot set the device's port");
  Bstr params = ToBstr(portParams_);
  CheckCall(device_->put_Address(params.Get()), "Cannot set the device's settings");

  LONG result = qzlvpeOK;
  const std::int64_t first = startLine_ < 0 ? 0 : startLine_;
  LineReader lines(in.Descriptor());
  std::string line;
  for (std::int64_t index = 0;; ++index) {
    const bool process = index >= first;
    const LineReader::Next next = lines.Read(line, process, kMaxLineLength);
    if (next == LineReader::Next::End) break;
    if (next == LineReader::Next::Failed) {
      lineIndex_ = static_cast<LONG>(index);
      result = AddError(kCannotReadFile);
      break;
    }
    if (!process) continue;
    lineIndex_ = static_cast<LONG>(index);
    if (next == LineReader::Next::TooLong) {
      result = AddError(kTextCannotBeFormatted);
      break;
    }
    Sleep(1);
    result = ProcessLine(line);
    if (result != qzlvpeOK && result != qzlvpeEndOfData) break;
  }

  VARIANT_BOOL connected = VARIANT_FALSE;
  CheckCall(device_->get_IsConnected(&connected), "Cannot read the device's state");
  if (connected) DeviceDisconnect();

  const bool succeeded = result == qzlvpeOK || result == qzlvpeEndOfData;
  // Records held back by ReceiveCache are written now; losing them is a
  // failure, and so is an output whose name no longer leads to the file that
  // the run wrote (the host would read something else under it).
  if (!CloseOutput() || com::RegularFile::IdOf(outputPath) != outputId) {
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

bool TQAVZLVFileDriver::ReadNumbers(IQAVZLVPacket* packet) const {
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
    if (dataType != qzlvdaCurrency && dataType != qzlvdaInteger) continue;
    const Variant index = Variant::I4(i + 1);
    Variant value;
    CheckCall(packet->get_FieldValues(index, &value), "Cannot read a field value");
    if (dataType == qzlvdaCurrency) {
      CY amount{};
      if (!ReadAmount(value, amount)) return false;
      const LONG conversions = ReadLong(field.Get(), &IQAVZLVFieldDef::get_Conversions, "Cannot read conversions");
      // Whole hundredths or thousandths, rounded half to even.
      if (conversions & qzlvdcHundredths) amount.int64 = RoundedToUnits(amount) * (kCyUnit / 100);
      if (conversions & qzlvdcThousands) amount.int64 = RoundedToUnits(amount) * (kCyUnit / 1000);
      value = Variant::Cy(amount);
      CheckCall(packet->put_FieldValues(index, value), "Cannot set a field value");
    }
    if (!FitsField(field.Get(), value)) return false;
  }
  return true;
}

LONG TQAVZLVFileDriver::ProcessLine(const std::string& line) {
  // A line is checked whole before anything goes to the register.
  ComPtr<IQAVZLVPacket> packet = FillPacket(line);
  if (!packet || !ReadNumbers(packet.Get())) return AddError(kTextCannotBeFormatted);
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
    // The register's error is flushed at once, whatever ReceiveCache says.
    const bool written = !DeviceDisconnect() || WriteOutput(packet, true);
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
        if (!WriteOutput(packet, !receiveCache_)) {
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

bool TQAVZLVFileDriver::WriteOutput(IQAVZLVPacket* packet, bool flush) {
  if (!output_) return false;
  const std::string line = OutputLine(packet) + "\r\n";
  if (std::fwrite(line.data(), 1, line.size(), output_) != line.size()) return false;
  return !flush || std::fflush(output_) == 0;
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
