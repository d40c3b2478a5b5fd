// The three readers of the definitions file (flows, frames, packet definitions).
//
// Each reader feeds every line of the file through one state machine and takes
// only the sections of its own kind:
//   state 0  outside any section,
//   state 1  inside a section of the reader's kind (each line is an item),
//   state 2  inside a section of another kind (lines are passed over).
// The bracket lines, comments and the "*" tail comments are handled alike by
// all three; only the header and item lines differ. A line that breaks the
// grammar raises an error; the reader stops there and answers False, keeping
// what it added before that line.
#include "zelvani/model/InterfaceCalls.h"
#include "zelvani/model/PacketLibraryReader.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <ctime>
#include <new>
#include <stdexcept>

#include "platform/com/ansi.h"
#include "platform/com/error.h"
#include "platform/com/variant.h"
#include "zelvani/model/QAVZLVFlow.h"
#include "zelvani/model/QAVZLVFrames.h"
#include "zelvani/model/QAVZLVPacketDef.h"
#include "platform/com/regularfile.h"
#include "zelvani/model/TextHelpers.h"

namespace zelvani {

namespace {

// A line that breaks the grammar of the definitions file.
class ParseError : public std::runtime_error {
 public:
  explicit ParseError(const std::string& text) : std::runtime_error(text) {}
};

enum class State { Outside = 0, OwnSection = 1, OtherSection = 2 };

// ---------------------------------------------------------------------------
// Field readers

bool StartsWith(std::string_view s, std::string_view prefix) { return s.substr(0, prefix.size()) == prefix; }

// Removes blanks and control characters (codes up to 32) from both ends.
std::string_view TrimView(std::string_view s) {
  while (!s.empty() && static_cast<unsigned char>(s.front()) <= 32) s.remove_prefix(1);
  while (!s.empty() && static_cast<unsigned char>(s.back()) <= 32) s.remove_suffix(1);
  return s;
}

std::string UpperAscii(std::string_view s) {
  std::string r(s);
  for (char& c : r) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return r;
}

std::string LowerAscii(std::string_view s) {
  std::string r(s);
  for (char& c : r) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return r;
}

// A numeric field: an optional sign and decimal digits that fit in 32 bits.
// Anything else (the empty field, blanks, other characters, a number out of
// range) reads as 0.
LONG IntegerField(std::string_view s) {
  if (!s.empty() && s.front() == '+') {
    s.remove_prefix(1);
    if (!s.empty() && s.front() == '-') return 0;
  }
  if (s.empty()) return 0;
  std::int32_t value = 0;
  auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
  if (ec != std::errc() || end != s.data() + s.size()) return 0;
  return value;
}

// Adds in 32-bit two's complement, wrapping instead of overflowing, so that a
// file with huge sizes cannot overflow the running offset.
LONG WrappingAdd(LONG a, LONG b) {
  return static_cast<LONG>(static_cast<std::uint32_t>(a) + static_cast<std::uint32_t>(b));
}

// The Size of a field definition or a frame item. A size above
// kMaxDefinitionsFieldSize fails the line before anything is made from it;
// negative sizes stay as they are (they take no room in a packet).
LONG SizeField(std::string_view s, std::string_view line) {
  const LONG size = IntegerField(s);
  if (size > kMaxDefinitionsFieldSize) throw ParseError("Parse error: size too large (" + std::string(line) + ")");
  return size;
}

// Adds the room a size takes (none for a negative one) to a running total of
// a packet's or a frame's characters; a total above kMaxDefinitionsPacketSize
// fails the line with `what`. Sizes are at most kMaxDefinitionsFieldSize here,
// and the total stops at the limit, so the sum cannot overflow.
void AddRoom(std::int64_t& total, LONG size, const char* what, std::string_view line) {
  if (size > 0) total += size;
  if (total > kMaxDefinitionsPacketSize) throw ParseError(std::string(what) + " (" + std::string(line) + ")");
}

// The packet type of a header or packet flow item: a letter, or the number.
LONG PacketTypeField(std::string_view s) {
  if (s.empty()) throw ParseError("Parse error: missing packet type.");
  switch (s.front()) {
    case 'S':
      return qzlvptStart;
    case 'W':
      return qzlvptWrite;
    case 'R':
      return qzlvptRead;
    case 'B':
      return qzlvptWrite | qzlvptRead;
    case 'E':
      return qzlvptError;
    default:
      return IntegerField(s);
  }
}

struct Keyword {
  std::string_view text;
  LONG value;
};

constexpr Keyword kFlowTypes[] = {
    {"OPEN", qzlvftSendMsgOpen},
    {"SWITCHMODE", qzlvftSendMsgModeSwitch},
    {"CLOSEWRITING", qzlvftSendMsgCloseWrite},
    {"CLOSEREADING", qzlvftSendMsgCloseRead},
    {"ACK", qzlvftSendMsgACK},
    {"NAK", qzlvftSendMsgNAK},
    {"WRITEPACKET", qzlvftSendPacket},
    {"READPACKET", qzlvftReceivePacket},
    {"E_OPEN", qzlvftESendMsgOpen},
    {"E_SWITCHMODE", qzlvftESendMsgModeSwitch},
    {"E_CLOSEWRITING", qzlvftESendMsgCloseWrite},
    {"E_CLOSEREADING", qzlvftESendMsgCloseRead},
    {"E_ACK", qzlvftESendMsgACK},
    {"E_NAK", qzlvftESendMsgNAK},
    {"E_WRITEPACKET", qzlvftESendPacket},
    {"E_READPACKET", qzlvftEReceivePacket},
    {"E_WRITEERRORPACKET", qzlvftESendErrorPacket},
};

constexpr Keyword kItemTypes[] = {
    {"con", qzlvpstConst}, {"cou", qzlvpstCounter}, {"rec", qzlvpstReceiverID},
    {"pac", qzlvpstPacketID}, {"dat", qzlvpstData}, {"che", qzlvpstChecksum},
};

constexpr Keyword kDataTypes[] = {
    {"str", qzlvdaString}, {"cha", qzlvdaChar},    {"boo", qzlvdaBool}, {"cur", qzlvdaCurrency},
    {"int", qzlvdaInteger}, {"dat", qzlvdaDate}, {"tim", qzlvdaTime},
};

template <std::size_t N>
const Keyword* FindKeyword(const Keyword (&table)[N], std::string_view text) {
  for (const Keyword& k : table) {
    if (k.text == text) return &k;
  }
  return nullptr;
}

LONG FlowTypeField(std::string_view s) {
  const std::string upper = UpperAscii(s);
  if (const Keyword* k = FindKeyword(kFlowTypes, upper)) return k->value;
  return IntegerField(s);
}

// The first three characters of a field, lower-cased, looked up in a prefix
// table; a miss raises `error`.
LONG PrefixField(const Keyword* begin, const Keyword* end, std::string_view s, const char* error) {
  const std::string prefix = LowerAscii(s.substr(0, 3));
  for (const Keyword* k = begin; k != end; ++k) {
    if (k->text == prefix) return k->value;
  }
  throw ParseError(error);
}

template <std::size_t N>
LONG PrefixField(const Keyword (&table)[N], std::string_view s, const char* error) {
  return PrefixField(table, table + N, s, error);
}

bool IsDateOrTime(LONG dataType) { return dataType == qzlvdaDate || dataType == qzlvdaTime; }

// The current local date and time as an automation date.
Variant LocalNow() {
  const auto now = std::chrono::system_clock::now();
  const std::time_t t = std::chrono::system_clock::to_time_t(now);
  std::tm local{};
  localtime_r(&t, &local);
  const auto ms =
      std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
  SYSTEMTIME st{};
  st.wYear = static_cast<WORD>(local.tm_year + 1900);
  st.wMonth = static_cast<WORD>(local.tm_mon + 1);
  st.wDayOfWeek = static_cast<WORD>(local.tm_wday);
  st.wDay = static_cast<WORD>(local.tm_mday);
  st.wHour = static_cast<WORD>(local.tm_hour);
  st.wMinute = static_cast<WORD>(local.tm_min);
  st.wSecond = static_cast<WORD>(local.tm_sec > 59 ? 59 : local.tm_sec);
  st.wMilliseconds = static_cast<WORD>(ms < 0 ? 0 : ms);
  DATE d = 0;
  SystemTimeToVariantTime(&st, &d);
  return Variant::Date(d);
}

// ---------------------------------------------------------------------------
// Calls on the model's interfaces

// Turns a failing member call into an exception carrying its error description.
void Check(HRESULT hr) { CheckCall(hr, "The definitions file reader could not set a property"); }

Bstr Text(std::string_view ansi) { return Bstr::Attach(AnsiToBstr(ansi)); }

// Appends a new value holding `text` as a string to a value collection.
void AddTextValue(IQAVZLVValues* values, std::string_view text) {
  auto value = Create<IQAVZLVValue>(CLSID_QAVZLVValue);
  Check(value->put_Value(Variant::Ansi(text)));
  LONG position = 0;
  Check(values->Add(value.Get(), &position));
}

void AddDateValue(IQAVZLVValues* values) {
  auto value = Create<IQAVZLVValue>(CLSID_QAVZLVValue);
  Check(value->put_Value(LocalNow()));
  LONG position = 0;
  Check(values->Add(value.Get(), &position));
}

// Splits a "|"-separated field (loose form) and adds each part, escaped, as a
// text value.
void AddEscapedParts(IQAVZLVValues* values, std::string_view field) {
  std::vector<std::string> parts;
  SplitString(field, parts, -1, "|", false);
  for (const std::string& part : parts) AddTextValue(values, TextToControlChars(part));
}

// ---------------------------------------------------------------------------
// The shared line machine

class SectionReader {
 public:
  virtual ~SectionReader() = default;

  // Runs one raw line through the grammar's steps.
  void Feed(std::string_view raw) {
    std::string_view line = TrimView(raw);
    if (line.empty()) return;
    if (line.front() == ';') return;
    if (line.front() == '{') {
      if (state_ == State::Outside) throw ParseError("Parse error: unexpected bracket {");
      return;
    }
    if (line.front() == '}') {
      if (state_ == State::Outside) throw ParseError("Parse error: unexpected bracket }");
      state_ = State::Outside;
      return;
    }
    const std::size_t star = line.find('*');
    if (star != std::string_view::npos) line = TrimView(line.substr(0, star));
    if (state_ == State::OwnSection) {
      ItemLine(line);
    } else {
      OtherLine(line);
    }
  }

 protected:
  // A line inside a section of the reader's kind.
  virtual void ItemLine(std::string_view line) = 0;
  // A line outside any section or inside a section of another kind: a header
  // of the reader's kind opens a section, anything else is passed over.
  virtual void OtherLine(std::string_view line) = 0;

  State state_ = State::Outside;
};

// Splits an item line that must hold exactly `count` ";"-terminated fields.
std::vector<std::string> StrictFields(std::string_view line, int count) {
  std::vector<std::string> fields;
  if (!SplitString(line, fields, count, ";", true)) {
    throw ParseError("Parse error: invalid line (" + std::string(line) + ")");
  }
  return fields;
}

// ---------------------------------------------------------------------------
// Flows

class FlowReader final : public SectionReader {
 public:
  explicit FlowReader(TQAVZLVFlows& flows) : flows_(flows) {}

 protected:
  void OtherLine(std::string_view line) override {
    if (!StartsWith(line, "Flow")) {
      state_ = State::OtherSection;
      return;
    }
    auto flow = Create<IQAVZLVFlow>(CLSID_QAVZLVFlow);
    Check(flow->put_ID(Text(GetToken(line, 0, ';')).Get()));
    Check(flow->put_FlowType(FlowTypeField(GetToken(line, 1, ';'))));
    ComPtr<IQAVZLVFlowItems> items;
    Check(flow->get_FlowItems(items.Out()));
    if (!items) throw ComError(E_POINTER, "The flow has no item collection");
    flows_.Append(flow.Get());
    items_ = std::move(items);
    state_ = State::OwnSection;
  }

  void ItemLine(std::string_view line) override {
    const std::vector<std::string> f = StrictFields(line, 10);
    auto item = Create<IQAVZLVFlowItem>(CLSID_QAVZLVFlowItem);
    Check(item->put_ID(Text(f[0]).Get()));

    const std::string direction = UpperAscii(f[1]);
    if (direction == "PC->") {
      Check(item->put_Direction(qzlvfdtFromPC));
    } else if (direction == "PC<-") {
      Check(item->put_Direction(qzlvfdtToPC));
    } else {
      throw ParseError("Parse error: unknown flow direction.");
    }

    if (UpperAscii(f[2]) == "PACKET") {
      Check(item->put_Data(Variant::Ansi("")));
      Check(item->put_PacketType(PacketTypeField(f[3])));
    } else {
      Check(item->put_Data(Variant::Ansi(TextToControlChars(f[2]))));
      Check(item->put_PacketType(0));
    }

    ComPtr<IQAVZLVValues> delimiters;
    Check(item->get_PacketDelimiters(delimiters.Out()));
    if (!delimiters) throw ComError(E_POINTER, "The flow item has no delimiter collection");
    AddEscapedParts(delimiters.Get(), f[4]);

    Check(item->put_CharsAfterDelimiter(IntegerField(f[5])));
    Check(item->put_RetryCount(IntegerField(f[6])));
    Check(item->put_Interval(IntegerField(f[7])));
    Check(item->put_NextFlowItemID(Text(f[8]).Get()));
    Check(item->put_Flags(IntegerField(f[9])));

    LONG position = 0;
    Check(items_->Add(item.Get(), &position));
  }

 private:
  TQAVZLVFlows& flows_;
  ComPtr<IQAVZLVFlowItems> items_;  // of the flow whose section is open
};

// ---------------------------------------------------------------------------
// Frames

class FrameReader final : public SectionReader {
 public:
  explicit FrameReader(TQAVZLVFrames& frames) : frames_(frames) {}

 protected:
  void OtherLine(std::string_view line) override {
    if (!StartsWith(line, "Frame")) {
      state_ = State::OtherSection;
      return;
    }
    auto frame = Create<IQAVZLVFrame>(CLSID_QAVZLVFrame);
    Check(frame->put_ID(Text(GetToken(line, 0, ';')).Get()));
    Check(frame->put_Name(Text(GetToken(line, 1, ';')).Get()));
    Check(frame->put_PacketType(PacketTypeField(GetToken(line, 2, ';'))));
    ComPtr<IQAVZLVFrameItems> items;
    Check(frame->get_PacketStructItems(items.Out()));
    if (!items) throw ComError(E_POINTER, "The frame has no item collection");
    frames_.Append(frame.Get());
    items_ = std::move(items);
    offset_ = 1;
    room_ = 0;
    state_ = State::OwnSection;
  }

  void ItemLine(std::string_view line) override {
    const std::vector<std::string> f = StrictFields(line, 6);
    auto item = Create<IQAVZLVFrameItem>(CLSID_QAVZLVFrameItem);
    Check(item->put_ID(Text(f[0]).Get()));
    Check(item->put_ItemType(PrefixField(kItemTypes, f[1], "Parse error: unknown field type.")));
    const LONG dataType = PrefixField(kDataTypes, f[2], "Parse error: unknown data type.");
    Check(item->put_DataType(dataType));
    Check(item->put_Offset(offset_));
    const LONG size = SizeField(f[3], line);
    AddRoom(room_, size, "Parse error: frame too long", line);
    Check(item->put_Size(size));
    offset_ = WrappingAdd(offset_, size);

    ComPtr<IQAVZLVValues> values;
    Check(item->get_Values(values.Out()));
    if (!values) throw ComError(E_POINTER, "The frame item has no value collection");
    if (f[4].empty() && IsDateOrTime(dataType)) {
      AddDateValue(values.Get());
    } else {
      AddEscapedParts(values.Get(), f[4]);
    }

    Check(item->put_Flags(IntegerField(f[5])));

    LONG position = 0;
    Check(items_->Add(item.Get(), &position));
  }

 private:
  TQAVZLVFrames& frames_;
  ComPtr<IQAVZLVFrameItems> items_;  // of the frame whose section is open
  LONG offset_ = 1;
  std::int64_t room_ = 0;  // characters the open frame's items take
};

// ---------------------------------------------------------------------------
// Packet definitions

class PacketDefReader final : public SectionReader {
 public:
  explicit PacketDefReader(TQAVZLVPacketDefs& defs) : defs_(defs) {}

 protected:
  void OtherLine(std::string_view line) override {
    if (StartsWith(line, "Frame") || StartsWith(line, "Flow") || StartsWith(line, "CreateCommunicationReport")) {
      state_ = State::OtherSection;
      return;
    }
    if (state_ == State::OtherSection) return;
    offset_ = 1;
    room_ = 0;
    auto def = Create<IQAVZLVPacketDef>(CLSID_QAVZLVPacketDef);
    Check(def->put_ID(Text(GetToken(line, 0, ';')).Get()));
    Check(def->put_Name(Text(GetToken(line, 1, ';')).Get()));
    Check(def->put_PacketType(PacketTypeField(GetToken(line, 2, ';'))));
    Check(def->put_PacketStructID(Text(GetToken(line, 3, ';')).Get()));
    ComPtr<IQAVZLVFieldDefs> fieldDefs;
    Check(def->get_FieldDefs(fieldDefs.Out()));
    if (!fieldDefs) throw ComError(E_POINTER, "The packet definition has no field collection");
    defs_.Append(def.Get());
    fieldDefs_ = std::move(fieldDefs);
    state_ = State::OwnSection;
  }

  void ItemLine(std::string_view line) override {
    auto field = Create<IQAVZLVFieldDef>(CLSID_QAVZLVFieldDef);
    Check(field->put_ID(Text(GetToken(line, 0, ';')).Get()));
    Check(field->put_Name(Text(GetToken(line, 1, ';')).Get()));
    const LONG dataType = PrefixField(kDataTypes, GetToken(line, 2, ';'), "Parse error: unknown field type.");
    Check(field->put_DataType(dataType));
    const LONG size = SizeField(GetToken(line, 3, ';'), line);
    AddRoom(room_, size, "Parse error: packet data too long", line);
    Check(field->put_Size(size));
    const std::string defaultText = GetToken(line, 4, ';');
    if (defaultText.empty() && IsDateOrTime(dataType)) {
      Check(field->put_DefaultValue(LocalNow()));
    } else {
      // A currency field takes the text as a number and fails on any other.
      Check(field->put_DefaultValue(Variant::Ansi(defaultText)));
    }
    Check(field->put_Separator(Text(TextToControlChars(GetToken(line, 5, ';'))).Get()));
    Check(field->put_Conversions(IntegerField(GetToken(line, 6, ';'))));
    Check(field->put_Offset(offset_));
    offset_ = WrappingAdd(offset_, size);

    LONG position = 0;
    Check(fieldDefs_->Add(field.Get(), &position));
  }

 private:
  TQAVZLVPacketDefs& defs_;
  ComPtr<IQAVZLVFieldDefs> fieldDefs_;  // of the definition whose section is open
  LONG offset_ = 1;
  std::int64_t room_ = 0;  // characters the open definition's data area takes
};

// ---------------------------------------------------------------------------

// Calls `visit` with each line of `text` (CR LF, LF and CR end a line; a line
// end at the very end does not start another line) until it answers False.
template <class Visit>
void ForEachLine(std::string_view text, Visit&& visit) {
  std::size_t start = 0;
  const std::size_t n = text.size();
  while (start < n) {
    std::size_t end = start;
    while (end < n && text[end] != '\r' && text[end] != '\n') ++end;
    if (!visit(text.substr(start, end - start))) return;
    if (end < n && text[end] == '\r' && end + 1 < n && text[end + 1] == '\n') ++end;
    start = end + 1;
  }
}

// The common frame of the three readers: a missing file answers False and
// changes nothing; otherwise the file is read, the collection cleared and every
// line fed in order until one fails. The file is read before the collection is
// cleared, so that a file that exists but cannot be read fails the call and
// leaves the collection as it was.
template <class Collection, class Reader>
bool ReadSections(Collection& collection, const std::string& fileName, DefinitionsReadFailure* failure) {
  std::optional<std::string> text = ReadDefinitionsFile(fileName);
  if (!text) {
    if (failure) *failure = DefinitionsReadFailure{0, "No regular file of that name exists"};
    return false;
  }
  collection.RemoveAll();
  // Only an empty file has no lines.
  if (text->empty()) {
    if (failure) *failure = DefinitionsReadFailure{0, "The file holds no lines"};
    return false;
  }
  Reader reader(collection);
  int number = 0;
  bool ok = true;
  const std::string_view all = *text;
  ForEachLine(all, [&](std::string_view line) {
    ++number;
    try {
      // The text stops one byte past the limit: the line that reaches past it
      // is where a file too large fails.
      if (static_cast<std::size_t>(line.data() - all.data()) + line.size() > kMaxDefinitionsFileSize)
        throw ParseError("Parse error: file too large.");
      reader.Feed(line);
      return true;
    } catch (const std::bad_alloc&) {
      throw;
    } catch (const std::exception& e) {
      if (failure) *failure = DefinitionsReadFailure{number, e.what()};
      ok = false;
      return false;
    }
  });
  return ok;
}

}  // namespace

std::vector<std::string_view> SplitDefinitionsLines(std::string_view text) {
  std::vector<std::string_view> lines;
  ForEachLine(text, [&](std::string_view line) {
    lines.push_back(line);
    return true;
  });
  return lines;
}

std::optional<std::string> ReadDefinitionsFile(const std::string& fileName) {
  // A name with a NUL in it names no file the system could open.
  if (fileName.empty() || fileName.find('\0') != std::string::npos) return std::nullopt;
  // Only a regular file is a definitions file: a directory, a FIFO (whose
  // open would wait for a writer) or a device counts as no file at all.
  com::RegularFile file = com::RegularFile::OpenForReading(AnsiToUtf8(fileName));
  if (!file.IsOpen()) {
    if (file.Why() != com::RegularFile::Failure::System) return std::nullopt;
    throw ComError(E_FAIL, "Cannot open file \"" + fileName + "\". " + std::strerror(file.Error()));
  }
  // Read in chunks up to one byte past the limit, whatever the file claims to
  // hold: a file may grow while it is read, and a sparse file may claim more
  // than it is worth.
  constexpr std::size_t kMost = kMaxDefinitionsFileSize + 1;
  std::string text;
  struct stat st {};
  if (::fstat(file.Descriptor(), &st) == 0 && st.st_size > 0)
    text.reserve(std::min<std::size_t>(static_cast<std::size_t>(st.st_size), kMost));
  char buffer[65536];
  while (text.size() < kMost) {
    const ssize_t got = ::read(file.Descriptor(), buffer, std::min(sizeof buffer, kMost - text.size()));
    if (got == 0) break;
    if (got < 0) {
      if (errno == EINTR) continue;
      const int err = errno;
      throw ComError(E_FAIL, "Cannot read file \"" + fileName + "\". " + std::strerror(err));
    }
    text.append(buffer, static_cast<std::size_t>(got));
  }
  return text;
}

bool LoadFlowsFromFile(TQAVZLVFlows& flows, const std::string& fileName, DefinitionsReadFailure* failure) {
  return ReadSections<TQAVZLVFlows, FlowReader>(flows, fileName, failure);
}

bool LoadPacketDefsFromFile(TQAVZLVPacketDefs& defs, const std::string& fileName, DefinitionsReadFailure* failure) {
  return ReadSections<TQAVZLVPacketDefs, PacketDefReader>(defs, fileName, failure);
}

bool LoadFramesFromFile(TQAVZLVFrames& frames, const std::string& fileName, DefinitionsReadFailure* failure) {
  return ReadSections<TQAVZLVFrames, FrameReader>(frames, fileName, failure);
}

bool LoadFlowsFromFile(TQAVZLVFlows& flows, const std::string& fileName) {
  return LoadFlowsFromFile(flows, fileName, nullptr);
}

bool LoadPacketDefsFromFile(TQAVZLVPacketDefs& defs, const std::string& fileName) {
  return LoadPacketDefsFromFile(defs, fileName, nullptr);
}

bool LoadFramesFromFile(TQAVZLVFrames& frames, const std::string& fileName) {
  return LoadFramesFromFile(frames, fileName, nullptr);
}

}  // namespace zelvani
