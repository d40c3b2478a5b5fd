// The definitions file readers (grammar, fields, running offsets), the report
// switch, and the packet library: loading and its mixed state after a failure,
// CreatePacket, Edit, SaveToFile and the library's lifetime.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <climits>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "platform/com/ansi.h"
#include "tests/platform/BoundedCall.h"
#include "zelvani/model/EditorHook.h"
#include "zelvani/model/PacketLibraryReader.h"
#include "zelvani/model/QAVZLVFieldDef.h"
#include "zelvani/model/QAVZLVFlow.h"
#include "zelvani/model/QAVZLVFrame.h"
#include "zelvani/model/QAVZLVFrames.h"
#include "zelvani/model/QAVZLVPacketDef.h"
#include "zelvani/model/QAVZLVPacketLibrary.h"

namespace zelvani {
namespace {

namespace fs = std::filesystem;
using Texts = std::vector<std::string>;

const std::string kFull = std::string(TEST_DATA_DIR) + "/full.pkd";
const std::string kItem = "1;PC->;x;0;;0;0;0;;0;";  // a valid flow item line

// A temporary file holding the given bytes.
class TempFile {
 public:
  explicit TempFile(const std::string& content) {
    static std::atomic<int> counter{0};
    path_ = (fs::temp_directory_path() / ("plib-" + std::to_string(::getpid()) + "-" +
                                          std::to_string(counter++) + ".pkd"))
                .string();
    Write(content);
  }
  ~TempFile() { std::error_code ec; fs::remove(path_, ec); }
  void Write(const std::string& content) const { std::ofstream(path_, std::ios::binary) << content; }
  const std::string& Path() const { return path_; }

 private:
  std::string path_;
};

std::string Missing() { return (fs::temp_directory_path() / "plib-no-such-file.pkd").string(); }
Bstr B(const std::string& ansi) { return Bstr::Attach(AnsiToBstr(ansi)); }
std::string Text(const VARIANT& v) { return BstrToAnsi(Variant(v).As(VT_BSTR).bstrVal); }

Texts StringValues(IQAVZLVValues* values) {
  Texts texts;
  LONG n = 0;
  values->get_Count(&n);
  for (LONG i = 0; i < n; ++i) {
    ComPtr<IQAVZLVValue> value;
    values->get_Items(i, value.Out());
    Variant v;
    value->get_Value(&v);
    EXPECT_EQ(v.vt, VT_BSTR);
    texts.push_back(Text(v));
  }
  return texts;
}

template <class T, class I>
T& As(const ComPtr<I>& p) { return dynamic_cast<T&>(*p); }
TQAVZLVFlow& FlowAt(TQAVZLVFlows& c, LONG i) { return As<TQAVZLVFlow>(c.At(i)); }
TQAVZLVFlowItem& ItemAt(TQAVZLVFlow& f, LONG i) { return As<TQAVZLVFlowItem>(f.Items()->At(i)); }
TQAVZLVFrame& FrameAt(TQAVZLVFrames& c, LONG i) { return As<TQAVZLVFrame>(c.At(i)); }
TQAVZLVFrameItem& ItemAt(TQAVZLVFrame& f, LONG i) { return As<TQAVZLVFrameItem>(f.Items()->At(i)); }
TQAVZLVPacketDef& DefAt(TQAVZLVPacketDefs& c, LONG i) { return As<TQAVZLVPacketDef>(c.At(i)); }
TQAVZLVFieldDefs& FieldsOf(TQAVZLVPacketDef& d) { return As<TQAVZLVFieldDefs>(d.FieldDefs()); }
TQAVZLVFieldDef& FieldAt(TQAVZLVPacketDef& d, LONG i) { return As<TQAVZLVFieldDef>(FieldsOf(d).At(i)); }

// One collection of each kind, for the readers.
struct Readers {
  ComPtr<IQAVZLVFlows> flowsItf = Create<IQAVZLVFlows>(CLSID_QAVZLVFlows);
  ComPtr<IQAVZLVFrames> framesItf = Create<IQAVZLVFrames>(CLSID_QAVZLVFrames);
  ComPtr<IQAVZLVPacketDefs> defsItf = Create<IQAVZLVPacketDefs>(CLSID_QAVZLVPacketDefs);
  TQAVZLVFlows& flows = As<TQAVZLVFlows>(flowsItf);
  TQAVZLVFrames& frames = As<TQAVZLVFrames>(framesItf);
  TQAVZLVPacketDefs& defs = As<TQAVZLVPacketDefs>(defsItf);
};

// ---------------------------------------------------------------------------
// The grammar: per file, what each reader answers, where it stopped and why,
// and how many sections it kept.

struct Outcome {
  bool ok;
  int line;
  std::string text;
  LONG count;
};
Outcome Ok(LONG count) { return {true, 0, "", count}; }
Outcome Fails(int line, std::string text, LONG count = 0) { return {false, line, std::move(text), count}; }

struct GrammarCase {
  const char* name;
  std::string text;
  Outcome flows, frames, defs;
};

const std::string kNoLines = "The file holds no lines";
const std::string kOpen = "Parse error: unexpected bracket {";
const std::string kClose = "Parse error: unexpected bracket }";
const std::string kFieldType = "Parse error: unknown field type.";
const std::string kNoType = "Parse error: missing packet type.";

// N field-definition lines of SIZE each, numbered from 1.
std::string Fields(int n, const std::string& size) {
  std::string text;
  for (int i = 1; i <= n; ++i) text += std::to_string(i) + ";F;String;" + size + ";;;0;\n";
  return text;
}
// N constant frame items of SIZE each.
std::string Items(int n, const std::string& size) {
  std::string text;
  for (int i = 1; i <= n; ++i) text += std::to_string(i) + ";Const;String;" + size + ";;0;\n";
  return text;
}
const std::string kTooLarge = "Parse error: size too large (";

const GrammarCase kGrammar[] = {
    {"comments and blank lines only", "; one\n\n  \t \n;two\n", Ok(0), Ok(0), Ok(0)},
    {"empty file", "", Fails(0, kNoLines), Fails(0, kNoLines), Fails(0, kNoLines)},
    {"closing bracket at top level", "}\n", Fails(1, kClose), Fails(1, kClose), Fails(1, kClose)},
    {"opening bracket after a closing one", "FlowA;OPEN;\n{\n}\n{\n", Fails(4, kOpen, 1), Fails(4, kOpen),
     Fails(4, kOpen)},
    {"opening brackets inside sections", "FlowA;OPEN;\n{\n{\n" + kItem + "\n}\nFrame1;F;S;\n{\n{\n}\n", Ok(1), Ok(1),
     Ok(0)},
    {"rest of a bracket line unread", "FlowA;OPEN;\n{ FlowB;ACK;\n" + kItem + "\n} FlowC;NAK;\n", Ok(1), Ok(0), Ok(0)},
    {"section left open at the end", "FlowA;OPEN;\n" + kItem + "\n", Ok(1), Ok(0), Ok(0)},
    {"header inside an open section", "FlowA;OPEN;\n" + kItem + "\nFlowB;ACK;\n",
     Fails(3, "Parse error: invalid line (FlowB;ACK;)", 1), Ok(0), Ok(0)},
    {"flow item without final separator", "FlowA;OPEN;\n1;PC->;x;0;;0;0;0;;0\n",
     Fails(2, "Parse error: invalid line (1;PC->;x;0;;0;0;0;;0)", 1), Ok(0), Ok(0)},
    {"flow item with eleven fields", "FlowA;OPEN;\n" + kItem + "9;\n",
     Fails(2, "Parse error: invalid line (" + kItem + "9;)", 1), Ok(0), Ok(0)},
    {"invalid line quoted without its tail comment", "FlowA;OPEN;\n 1;PC->;x; * note\n",
     Fails(2, "Parse error: invalid line (1;PC->;x;)", 1), Ok(0), Ok(0)},
    {"unknown flow direction", "FlowA;OPEN;\n1;PC=>;x;0;;0;0;0;;0;\n",
     Fails(2, "Parse error: unknown flow direction.", 1), Ok(0), Ok(0)},
    {"packet flow item without a type", "FlowA;OPEN;\n1;PC->;PACKET;;;0;0;0;;0;\n", Fails(2, kNoType, 1), Ok(0),
     Ok(0)},
    {"frame header with an empty type", "Frame1;Name;;\n", Ok(0), Fails(1, kNoType), Ok(0)},
    {"unknown frame item type", "Frame1;F;S;\n1;Bogus;String;1;;0;\n", Ok(0), Fails(2, kFieldType, 1), Ok(0)},
    {"frame item type shorter than a prefix", "Frame1;F;S;\n1;Co;String;1;;0;\n", Ok(0), Fails(2, kFieldType, 1),
     Ok(0)},
    {"unknown frame item data type", "Frame1;F;S;\n1;Const;Float;1;;0;\n", Ok(0),
     Fails(2, "Parse error: unknown data type.", 1), Ok(0)},
    {"frame item with five fields", "Frame1;F;S;\n1;Const;String;1;;\n", Ok(0),
     Fails(2, "Parse error: invalid line (1;Const;String;1;;)", 1), Ok(0)},
    {"unknown field data type", "P;Pkt;W;F;\n1;A;Float;1;;;0;\n", Ok(0), Ok(0), Fails(2, kFieldType, 1)},
    {"packet header with an empty type", "P;Pkt;;F;\n", Ok(0), Ok(0), Fails(1, kNoType)},
    {"star line in a flow section", "FlowA;OPEN;\n{\n* note\n}\n", Fails(3, "Parse error: invalid line ()", 1),
     Ok(0), Ok(0)},
    {"star line in a frame section", "Frame1;F;S;\n{\n* note\n}\n", Ok(0),
     Fails(3, "Parse error: invalid line ()", 1), Ok(0)},
    {"star line in a packet section", "P;Pkt;W;F;\n{\n* note\n}\n", Ok(0), Ok(0), Fails(3, kFieldType, 1)},
    {"star line outside any section", "* note\n", Ok(0), Ok(0), Fails(1, kNoType)},
    {"Flow line in a packet section", "P;Pkt;W;F;\n{\nFlowX;ACK;\n" + kItem + "\n}\n", Ok(1), Ok(0),
     Fails(3, kFieldType, 1)},
    {"report section passed over", "CreateCommunicationReport\n{\n1\n}\nFrame1;F;S;\n{\n1;Const;String;1;;0;\n}\n",
     Ok(0), Ok(1), Ok(0)},
    {"packet reader ignores lines of another section", "CreateCommunicationReport\nP;Pkt;W;F;\n1;A;B;C;\n", Ok(0),
     Ok(0), Ok(0)},
    {"comment lines inside sections", "FlowA;OPEN;\n;1;PC=>;\n" + kItem + "\n}\n", Ok(1), Ok(0), Ok(0)},
    {"CR, CR LF and LF line ends", "FlowA;OPEN;\r" + kItem + "\r\n}\r\nFlowB;ACK;\n}", Ok(2), Ok(0), Ok(0)},
    {"blanks and controls around lines", "\t FlowA;OPEN; \x01\n\x02 " + kItem + " \n }\t\n", Ok(1), Ok(0), Ok(0)},
    {"binary garbage", std::string("\x01\xff\xfe{\n\0\0}\n", 9), Ok(0), Ok(0), Fails(1, kNoType)},
    {"currency default that is no number", "P;Pkt;W;F;\n2;A;Currency;4;1.25;;0;\n1;B;Currency;4;abc;;0;\n", Ok(0),
     Ok(0), Fails(3, "", 1)},
    // Amounts have "." as their decimal point and no grouping.
    {"currency default with a comma", "P;Pkt;W;F;\n1;B;Currency;6;12,50;;0;\n", Ok(0), Ok(0),
     Fails(2, "'12,50' is not a valid floating point value", 1)},
    // An amount field may have no default.
    {"empty currency default", "P;Pkt;W;F;\n1;B;Currency;4;;;0;\n", Ok(0), Ok(0), Ok(1)},
    // Sizes: 64 KiB per field or frame item, 1 MiB per packet's data or frame;
    // negative sizes take no room.
    {"field size at the limit", "P;Pkt;W;F;\n" + Fields(1, "65536"), Ok(0), Ok(0), Ok(1)},
    {"field size above the limit", "P;Pkt;W;F;\n1;A;String;65537;;;0;\n", Ok(0), Ok(0),
     Fails(2, kTooLarge + "1;A;String;65537;;;0;)", 1)},
    {"field size of two thousand million", "P;Pkt;W;F;\n1;A;String;2000000000;x;;0;\n", Ok(0), Ok(0),
     Fails(2, kTooLarge + "1;A;String;2000000000;x;;0;)", 1)},
    {"packet data at the limit", "P;Pkt;W;F;\n" + Fields(16, "65536") + "}\nQ;Pkt;W;F;\n" + Fields(16, "65536"),
     Ok(0), Ok(0), Ok(2)},
    {"packet data above the limit", "P;Pkt;W;F;\n" + Fields(16, "65536") + "17;F;String;-9;;;0;\n18;F;String;1;;;0;\n",
     Ok(0), Ok(0), Fails(19, "Parse error: packet data too long (18;F;String;1;;;0;)", 1)},
    {"negative field sizes", "P;Pkt;W;F;\n" + Fields(3, "-2147483648"), Ok(0), Ok(0), Ok(1)},
    {"frame item size above the limit", "Frame1;F;S;\n1;Const;String;65537;;0;\n", Ok(0),
     Fails(2, kTooLarge + "1;Const;String;65537;;0;)", 1), Ok(0)},
    {"frame at the limit", "Frame1;F;S;\n" + Items(16, "65536"), Ok(0), Ok(1), Ok(0)},
    {"frame above the limit", "Frame1;F;S;\n" + Items(16, "65536") + "17;Data;String;0;;0;\n18;Const;String;1;;0;\n",
     Ok(0), Fails(19, "Parse error: frame too long (18;Const;String;1;;0;)", 1), Ok(0)},
};

class GrammarTest : public testing::TestWithParam<GrammarCase> {};

void Expect(const char* reader, bool ok, const DefinitionsReadFailure& failure, LONG count, const Outcome& want) {
  SCOPED_TRACE(reader);
  EXPECT_EQ(ok, want.ok);
  EXPECT_EQ(count, want.count);
  if (want.ok) return;
  EXPECT_EQ(failure.lineNumber, want.line);
  if (want.text.empty()) {
    EXPECT_NE(failure.text, "");  // the text of the error that the property raised
  } else {
    EXPECT_EQ(failure.text, want.text);
  }
}

TEST_P(GrammarTest, EachReaderAnswersAndStopsAtTheFailingLine) {
  const GrammarCase& c = GetParam();
  TempFile file(c.text);
  Readers r;
  DefinitionsReadFailure f1, f2, f3;
  const bool flows = LoadFlowsFromFile(r.flows, file.Path(), &f1);
  const bool frames = LoadFramesFromFile(r.frames, file.Path(), &f2);
  const bool defs = LoadPacketDefsFromFile(r.defs, file.Path(), &f3);
  Expect("flows", flows, f1, r.flows.Size(), c.flows);
  Expect("frames", frames, f2, r.frames.Size(), c.frames);
  Expect("definitions", defs, f3, r.defs.Size(), c.defs);
}

// A case prints as its name: the test lists (and ctest, which names each case
// after it) show the name instead of the bytes of the whole row.
void PrintTo(const GrammarCase& c, std::ostream* os) { *os << c.name; }

INSTANTIATE_TEST_SUITE_P(PacketLibraryReader, GrammarTest, testing::ValuesIn(kGrammar));

TEST(PacketLibraryReaderTest, GrammarCasesPrintAsTheirNames) {
  for (const GrammarCase& c : kGrammar) EXPECT_EQ(testing::PrintToString(c), c.name);
}

TEST(PacketLibraryReaderTest, MissingUnreadableAndRefilledFiles) {
  TempFile file("FlowA;OPEN;\n" + kItem + "\n}\nFlowB;ACK;\n" + kItem + "\n}\n");
  Readers r;
  ASSERT_TRUE(LoadFlowsFromFile(r.flows, file.Path()));
  ASSERT_TRUE(LoadFlowsFromFile(r.flows, file.Path()));
  EXPECT_EQ(r.flows.Size(), 2);  // cleared before each read

  for (const std::string& name : {Missing(), std::string(), fs::temp_directory_path().string(), std::string("a\0b", 3)}) {
    EXPECT_FALSE(LoadFlowsFromFile(r.flows, name));
  }
  // An existing file that cannot be read fails the call with the file error.
  VARIANT_BOOL ok = VARIANT_TRUE;
  EXPECT_EQ(r.flowsItf->LoadFromFile(B("/proc/self/mem").Get(), &ok), E_FAIL);
  EXPECT_EQ(WideToAnsi(TakeErrorDescription()).rfind("Cannot read file \"/proc/self/mem\".", 0), 0u);
  EXPECT_EQ(r.flows.Size(), 2);  // all of it left the collection as it was

  // A failing line keeps the sections and items read before it.
  file.Write("FlowC;NAK;\n" + kItem + "\n" + kItem + "\n1;XX;x;0;;0;0;0;;0;\n" + kItem + "\n}\n");
  EXPECT_FALSE(LoadFlowsFromFile(r.flows, file.Path()));
  ASSERT_EQ(r.flows.Size(), 1);
  EXPECT_EQ(FlowAt(r.flows, 0).Items()->Size(), 2);
}

TEST(PacketLibraryReaderTest, FlowTypesAndPacketTypesOfHeaders) {
  const std::pair<std::string, LONG> flowTypes[] = {
      {"Flow7;open;", 1}, {"Flow7;e_writeerrorpacket;", 17}, {"Flow7;99;", 99}, {"Flow7;-3;", -3},
      {"Flow7;+4;", 4},   {"Flow7;OPEN", 0},                 {"Flow7;OPEN ;", 0}, {"Flow7; 5;", 0},
      {"Flow7;2147483648;", 0}, {"Flow7;12x;", 0},
  };
  const std::pair<std::string, LONG> packetTypes[] = {
      {"S", 1}, {"W", 2}, {"R", 4}, {"B", 6}, {"E", 8}, {"Start", 1}, {"s", 0}, {"12", 12}, {"-1", -1}, {" S", 0},
  };
  std::string text;
  for (const auto& [header, type] : flowTypes) text += header + "\n}\n";
  for (const auto& [field, type] : packetTypes) text += "Frame1;F;" + field + ";\n}\n";
  TempFile file(text);
  Readers r;
  ASSERT_TRUE(LoadFlowsFromFile(r.flows, file.Path()));
  ASSERT_TRUE(LoadFramesFromFile(r.frames, file.Path()));
  ASSERT_EQ(r.flows.Size(), LONG(std::size(flowTypes)));
  ASSERT_EQ(r.frames.Size(), LONG(std::size(packetTypes)));
  for (LONG i = 0; i < r.flows.Size(); ++i) EXPECT_EQ(FlowAt(r.flows, i).FlowType(), flowTypes[i].second) << i;
  for (LONG i = 0; i < r.frames.Size(); ++i) EXPECT_EQ(FrameAt(r.frames, i).PacketType(), packetTypes[i].second) << i;
}

TEST(PacketLibraryReaderTest, RunningOffsetsRestartWithEachFrameAndDefinition) {
  TempFile file(
      "Frame1;F;S;\n1;Const;String;1;;0;\n2;Const;String;1;;0;\n3;Data;String;0;;0;\n4;Checksum;String;4;;32;\n"
      "5;Const;String;2;;0;\n}\nFrame2;F;W;\n1;Const;String;3;;0;\n2;Const;String;-2147483648;;0;\n"
      "3;Const;String;-5;;0;\n4;Const;String;2;;0;\n}\n"
      "P;Pkt;W;Frame1;\n1;A;String;10;;;0;\n2;B;Integer;4;0;;0;\n3;C;Char;;x;;0;\n4;D;Char;1;y;;0;\n}\n"
      "Q;Pkt;R;Frame1;\n1;A;String;3;;;0;\n2;B;String;-2;;;0;\n3;C;String;1;;;0;\n}\n");
  Readers r;
  ASSERT_TRUE(LoadFramesFromFile(r.frames, file.Path()));
  ASSERT_TRUE(LoadPacketDefsFromFile(r.defs, file.Path()));
  auto frameOffsets = [&](LONG f) {
    std::vector<LONG> v;
    for (LONG i = 0; i < FrameAt(r.frames, f).Items()->Size(); ++i) v.push_back(ItemAt(FrameAt(r.frames, f), i).Offset());
    return v;
  };
  auto fieldOffsets = [&](LONG d) {
    std::vector<LONG> v;
    for (LONG i = 0; i < FieldsOf(DefAt(r.defs, d)).Size(); ++i) v.push_back(FieldAt(DefAt(r.defs, d), i).Offset());
    return v;
  };
  EXPECT_EQ(frameOffsets(0), (std::vector<LONG>{1, 2, 3, 3, 7}));
  EXPECT_EQ(frameOffsets(1), (std::vector<LONG>{1, 4, -2147483644, 2147483647}));  // 32-bit wrap, no overflow
  EXPECT_EQ(fieldOffsets(0), (std::vector<LONG>{1, 11, 15, 15}));
  EXPECT_EQ(fieldOffsets(1), (std::vector<LONG>{1, 4, 2}));
}

// The local clock as an automation date, to the second.
DATE LocalNow() {
  const std::time_t t = std::time(nullptr);
  std::tm tm{};
  localtime_r(&t, &tm);
  SYSTEMTIME st{WORD(tm.tm_year + 1900), WORD(tm.tm_mon + 1), 0, WORD(tm.tm_mday), WORD(tm.tm_hour),
                WORD(tm.tm_min), WORD(tm.tm_sec), 0};
  DATE d = 0;
  SystemTimeToVariantTime(&st, &d);
  return d;
}

TEST(PacketLibraryReaderTest, EmptyDateAndTimeSlotsTakeTheLoadingMoment) {
  TempFile file(
      "Frame1;F;S;\n3;Data;Date;8;;0;\n4;Data;String;8;;0;\n5;Const;Time;4;12|;0;\n}\n"
      "P;Pkt;W;Frame1;\n1;Day;Date;8;;;0;\n2;When;Time;4;;;0;\n3;Text;String;10;;;0;\n4;Year;Date;8;2024;;0;\n}\n");
  Readers r;
  const DATE start = LocalNow();
  ASSERT_TRUE(LoadFramesFromFile(r.frames, file.Path()));
  ASSERT_TRUE(LoadPacketDefsFromFile(r.defs, file.Path()));
  const DATE end = LocalNow() + 1.0 / 86400;
  auto isNow = [&](const VARIANT& v) { return v.vt == VT_DATE && v.date >= start && v.date <= end; };

  TQAVZLVFrame& frame = FrameAt(r.frames, 0);
  ComPtr<IQAVZLVValue> value;
  ASSERT_EQ(ItemAt(frame, 0).Values()->get_Items(0, value.Out()), S_OK);
  Variant v;
  value->get_Value(&v);
  EXPECT_TRUE(isNow(v));
  EXPECT_EQ(StringValues(ItemAt(frame, 1).Values()), Texts{});
  EXPECT_EQ(StringValues(ItemAt(frame, 2).Values()), Texts{"12"});

  TQAVZLVPacketDef& def = DefAt(r.defs, 0);
  EXPECT_TRUE(isNow(FieldAt(def, 0).DefaultValue()));
  EXPECT_TRUE(isNow(FieldAt(def, 1).DefaultValue()));
  EXPECT_EQ(FieldAt(def, 2).DefaultValue().vt, VT_BSTR);
  EXPECT_EQ(Text(FieldAt(def, 2).DefaultValue()), "");
  EXPECT_EQ(FieldAt(def, 3).DefaultValue().vt, VT_BSTR);  // a given default stays text
}

TEST(PacketLibraryReaderTest, RandomBytesNeverCrashAReader) {
  std::mt19937 random(12345);
  const std::string alphabet = std::string("FlowFrame;|{}*<>#$PC->PACKET0123456789-\r\n \t\x01\xff") + '\0';
  for (int round = 0; round < 300; ++round) {
    std::string text;
    for (int i = int(random() % 400); i > 0; --i) {
      text += (random() % 4 == 0) ? char(random() % 256) : alphabet[random() % alphabet.size()];
    }
    TempFile file(text);
    Readers r;
    DefinitionsReadFailure f1, f2, f3;
    // Each reader answers; a False comes with its reason.
    EXPECT_TRUE(LoadFlowsFromFile(r.flows, file.Path(), &f1) || !f1.text.empty());
    EXPECT_TRUE(LoadFramesFromFile(r.frames, file.Path(), &f2) || !f2.text.empty());
    EXPECT_TRUE(LoadPacketDefsFromFile(r.defs, file.Path(), &f3) || !f3.text.empty());
  }
}

// ---------------------------------------------------------------------------
// The shared test library, full.pkd

class FullLibraryTest : public testing::Test {
 protected:
  void SetUp() override {
    VARIANT_BOOL ok = VARIANT_FALSE;
    ASSERT_EQ(library->LoadFromFile(B(kFull).Get(), &ok), S_OK);
    ASSERT_EQ(ok, VARIANT_TRUE);
  }
  ComPtr<IQAVZLVPacketLibrary> library = Create<IQAVZLVPacketLibrary>(CLSID_QAVZLVPacketLibrary);
  TQAVZLVPacketLibrary& lib = As<TQAVZLVPacketLibrary>(library);
  TQAVZLVFlows& flows = *lib.FlowList();
  TQAVZLVFrames& frames = *lib.FrameList();
  TQAVZLVPacketDefs& defs = *lib.PacketDefList();
};

TEST_F(FullLibraryTest, Flows) {
  EXPECT_TRUE(lib.CreateReport());
  EXPECT_EQ(lib.FileName(), kFull);
  ASSERT_EQ(flows.Size(), 18);
  std::vector<LONG> types, counts;
  for (LONG i = 0; i < 18; ++i) {
    types.push_back(FlowAt(flows, i).FlowType());
    counts.push_back(FlowAt(flows, i).Items()->Size());
  }
  EXPECT_EQ(types, (std::vector<LONG>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 99}));
  EXPECT_EQ(counts, (std::vector<LONG>{3, 2, 1, 1, 1, 1, 5, 5, 2, 2, 1, 1, 1, 1, 2, 2, 1, 2}));

  struct Row {
    LONG flow, item, direction;
    std::string data;
    LONG type;
    Texts delimiters;
    LONG chars, retries, interval;
    std::string next;
    LONG flags;
  } rows[] = {
      {0, 0, 0, "\x05", 0, {}, 0, 3, 500, "", 0},
      {0, 2, 1, "\x15", 0, {}, 0, 0, 0, "1", 8},
      {1, 1, 1, "\x06", 0, {}, 0, 0, 0, "", 4},
      {7, 0, 1, "", 4, {"\x03", "\x17"}, 4, 3, 100, "", 4},
      {14, 0, 0, "", 6, {}, 0, 0, 0, "", 0},
      {15, 0, 1, "", 1, {"\x03"}, 4, 0, 0, "", 128},
      {17, 0, 0, "\x1f" "A@;", 0, {}, 0, -1, 0, "", 0},
      {17, 1, 1, "", 12, {"\r\n", std::string(1, '\0')}, 1, -5, 7, "1", 2047},
  };
  for (const Row& row : rows) {
    TQAVZLVFlowItem& item = ItemAt(FlowAt(flows, row.flow), row.item);
    SCOPED_TRACE(FlowAt(flows, row.flow).ID() + " item " + std::to_string(row.item));
    EXPECT_EQ(item.Direction(), row.direction);
    EXPECT_EQ(item.Data().vt, VT_BSTR);
    EXPECT_EQ(item.DataText(), row.data);
    EXPECT_EQ(item.PacketType(), row.type);
    EXPECT_EQ(StringValues(item.PacketDelimiters()), row.delimiters);
    EXPECT_EQ(item.CharsAfterDelimiter(), row.chars);
    EXPECT_EQ(item.RetryCount(), row.retries);
    EXPECT_EQ(item.Interval(), row.interval);
    EXPECT_EQ(item.NextFlowItemID(), row.next);
    EXPECT_EQ(item.Flags(), row.flags);
  }
}

TEST_F(FullLibraryTest, Frames) {
  struct FrameRow {
    const char* id;
    const char* name;
    LONG type;
    std::vector<LONG> itemTypes, dataTypes;
  } frameRows[] = {
      {"FrameStart", "Start frame", 1, {0, 1, 2, 3, 4, 0, 5}, {1, 5, 1, 1, 1, 1, 1}},
      {"FrameWrite", "Write frame", 2, {0, 3, 4, 0, 5}, {1, 2, 1, 1, 4}},
      {"FrameRead", "Read frame", 4, {0, 1, 3, 4, 0, 5}, {1, 5, 1, 1, 1, 1}},
      {"FrameBoth", "Write and read frame", 6, {0, 2, 3, 4, 0, 5}, {2, 1, 1, 1, 1, 1}},
      {"FrameError", "Error frame", 8, {0, 3, 4, 0, 5}, {1, 1, 1, 1, 1}},
      {"Frame12", "Numbered frame", 12, {0, 4, 0}, {3, 6, 7}},
  };
  ASSERT_EQ(frames.Size(), 6);
  for (LONG f = 0; f < 6; ++f) {
    TQAVZLVFrame& frame = FrameAt(frames, f);
    SCOPED_TRACE(frame.ID());
    EXPECT_EQ(frame.ID(), frameRows[f].id);
    EXPECT_EQ(frame.Name(), frameRows[f].name);
    EXPECT_EQ(frame.PacketType(), frameRows[f].type);
    std::vector<LONG> itemTypes, dataTypes;
    for (LONG i = 0; i < frame.Items()->Size(); ++i) {
      itemTypes.push_back(ItemAt(frame, i).ItemType());
      dataTypes.push_back(ItemAt(frame, i).DataType());
    }
    EXPECT_EQ(itemTypes, frameRows[f].itemTypes);
    EXPECT_EQ(dataTypes, frameRows[f].dataTypes);
  }
  struct ItemRow {
    LONG frame, item, offset, size, flags;
    Texts values;
  } itemRows[] = {
      {0, 0, 1, 1, 0, {"\x02"}},  {0, 1, 2, 2, 22, {}},     {0, 2, 4, 2, 22, {}},           {0, 4, 7, 0, 16, {}},
      {0, 6, 8, 4, 32, {}},       {1, 3, 3, 1, 16, {"\x03", "\x17"}}, {1, 4, 4, 2, 64, {}}, {2, 4, 5, 1, 1040, {"\x17", "\x03"}},
      {3, 1, 2, 3, 5, {}},        {4, 4, 4, 2, 130, {}},    {5, 2, 2, 2, 0, {"\r\n"}},
  };
  for (const ItemRow& row : itemRows) {
    TQAVZLVFrameItem& item = ItemAt(FrameAt(frames, row.frame), row.item);
    SCOPED_TRACE(FrameAt(frames, row.frame).ID() + " item " + std::to_string(row.item));
    EXPECT_EQ(item.Offset(), row.offset);
    EXPECT_EQ(item.Size(), row.size);
    EXPECT_EQ(item.Flags(), row.flags);
    EXPECT_EQ(StringValues(item.Values()), row.values);
  }
  ComPtr<IQAVZLVPacketLibrary> back;
  ASSERT_EQ(frames.get_PacketLibraray(back.Out()), S_OK);
  EXPECT_EQ(back.Get(), library.Get());
}

TEST_F(FullLibraryTest, PacketDefinitions) {
  struct DefRow {
    const char* id;
    const char* name;
    LONG type;
    const char* frame;
    LONG fields;
  } defRows[] = {
      {"I", "Identification", 1, "FrameStart", 2}, {"S", "_default", 1, "FrameStart", 3},
      {"P", "Article", 2, "FrameWrite", 11},        {"P", "Article", 4, "FrameRead", 4},
      {"D", "Date and time", 6, "FrameBoth", 3},    {"T", "Tax rates", 6, "FrameBoth", 2},
      {"E", "Error", 8, "FrameError", 1},           {"X", "_default", 8, "FrameError", 1},
      {"N", "Numbered", 12, "Frame12", 1},
  };
  ASSERT_EQ(defs.Size(), LONG(std::size(defRows)));
  for (LONG d = 0; d < defs.Size(); ++d) {
    TQAVZLVPacketDef& def = DefAt(defs, d);
    SCOPED_TRACE(d);
    EXPECT_EQ(def.ID(), defRows[d].id);
    EXPECT_EQ(def.Name(), defRows[d].name);
    EXPECT_EQ(def.PacketType(), defRows[d].type);
    EXPECT_EQ(def.PacketStructID(), defRows[d].frame);
    EXPECT_EQ(FieldsOf(def).Size(), defRows[d].fields);
  }
  struct FieldRow {
    const char* name;
    LONG dataType, size, offset;
    std::string separator;
    LONG conversions;
  } article[] = {
      {"Delete", 3, 1, 1, "", 0},         {"Code", 5, 6, 2, "", 80},   {"Name", 1, 20, 8, ";", 256},
      {"Price", 4, 8, 28, "", 2},         {"Quantity", 4, 8, 36, "", 4}, {"Discount", 4, 6, 44, "", 10},
      {"Group", 5, 2, 50, "", 128},       {"Tax", 2, 1, 52, "", 0},    {"Barcode", 1, 13, 53, "\r", 512},
      {"Shelf", 5, 4, 66, "", 64},        {"Label", 1, 6, 70, "", 32},
  };
  TQAVZLVPacketDef& write = DefAt(defs, 2);
  for (LONG i = 0; i < 11; ++i) {
    TQAVZLVFieldDef& field = FieldAt(write, i);
    SCOPED_TRACE(article[i].name);
    EXPECT_EQ(field.ID(), std::to_string(i + 1));
    EXPECT_EQ(field.Name(), article[i].name);
    EXPECT_EQ(field.DataType(), article[i].dataType);
    EXPECT_EQ(field.Size(), article[i].size);
    EXPECT_EQ(field.Offset(), article[i].offset);
    EXPECT_EQ(field.Separator(), article[i].separator);
    EXPECT_EQ(field.Conversions(), article[i].conversions);
  }
  EXPECT_EQ(Text(FieldAt(write, 2).DefaultValue()), "\xaf\xf3\xb3w");  // Windows-1250 as in the file
  EXPECT_EQ(FieldAt(write, 3).DefaultValue().vt, VT_CY);
  EXPECT_EQ(FieldAt(write, 5).DefaultValue().cyVal.int64, -25000);
  TQAVZLVFieldDef& mode = FieldAt(DefAt(defs, 0), 1);  // a line that stops after the default
  EXPECT_EQ(Text(mode.DefaultValue()), "R");
  EXPECT_EQ(mode.Separator(), "");
  EXPECT_EQ(mode.Conversions(), 0);
}

// ---------------------------------------------------------------------------
// The report switch

TEST(PacketLibraryReportSwitchTest, TheLineTwoBelowTheKeywordDecides) {
  struct Row {
    std::string text;
    bool from, expected;
  } rows[] = {
      {"CreateCommunicationReport\n{\n 1 \n}\n", false, true},
      {"CreateCommunicationReport\n{\n10\n}\n", false, true},
      {"CreateCommunicationReport\n{\n0\n}\n", true, false},
      {"CreateCommunicationReport\n{\n\n}\n", true, false},
      {"CreateCommunicationReport\n{\n\t1\n}\n", false, false},  // only blanks are removed
      {"CreateCommunicationReport\n1\n0\n", true, false},         // raw lines are counted
      {"x\nCreateCommunicationReport\n{\n", true, true},          // on the second-to-last line
      {"x\ny\nCreateCommunicationReport", false, false},          // on the last line
      {"; no CreateCommunicationReport here\n;\n1\n", false, true},
      {"; CreateCommunicationReport\n;\n0\nCreateCommunicationReport\n{\n1\n}\n", true, false},
      {"createcommunicationreport\n{\n1\n}\n", false, false},
      {"CreateCommunicationReport\r{\r1\r}\r", false, true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.text);
    TempFile file(row.text);
    auto library = com::MakeObject<TQAVZLVPacketLibrary>();
    library->SetCreateReport(row.from);
    EXPECT_TRUE(library->ReadCreateReport(file.Path()));
    EXPECT_EQ(library->CreateReport(), row.expected);
  }
  auto library = com::MakeObject<TQAVZLVPacketLibrary>();
  library->SetCreateReport(true);
  EXPECT_FALSE(library->ReadCreateReport(Missing()));
  EXPECT_TRUE(library->CreateReport());
}

// ---------------------------------------------------------------------------
// The library

std::string FileNameOf(IQAVZLVPacketLibrary* library) {
  Bstr name;
  library->get_FileName(name.Out());
  return WideToAnsi(name.View());
}

bool Load(IQAVZLVPacketLibrary* library, const std::string& path) {
  VARIANT_BOOL ok = VARIANT_TRUE;
  EXPECT_EQ(library->LoadFromFile(B(path).Get(), &ok), S_OK);
  return ok != VARIANT_FALSE;
}

TEST(PacketLibraryTest, LoadOutcomesAndTheMixedStateAfterAFailure) {
  auto library = Create<IQAVZLVPacketLibrary>(CLSID_QAVZLVPacketLibrary);
  auto& lib = As<TQAVZLVPacketLibrary>(library);
  ComPtr<IQAVZLVFlows> flows;
  library->get_Flows(flows.Out());
  auto counts = [&] {
    return std::vector<LONG>{lib.FlowList()->Size(), lib.FrameList()->Size(), lib.PacketDefList()->Size()};
  };
  // FileName put only stores the name.
  library->put_FileName(B(kFull).Get());
  EXPECT_EQ(counts(), (std::vector<LONG>{0, 0, 0}));
  ASSERT_TRUE(Load(library.Get(), kFull));
  EXPECT_EQ(counts(), (std::vector<LONG>{18, 6, 9}));

  EXPECT_FALSE(Load(library.Get(), Missing()));  // changes nothing
  EXPECT_EQ(counts(), (std::vector<LONG>{18, 6, 9}));

  TempFile empty("");  // fails at the flows: they are emptied, the rest kept
  EXPECT_FALSE(Load(library.Get(), empty.Path()));
  EXPECT_EQ(counts(), (std::vector<LONG>{0, 6, 9}));
  EXPECT_EQ(FileNameOf(library.Get()), kFull);

  // Flows read, frames failing in the second frame: the definitions and the
  // report switch are not read.
  ASSERT_TRUE(Load(library.Get(), kFull));
  lib.SetCreateReport(false);
  TempFile framesFail(
      "CreateCommunicationReport\n{\n1\n}\nFlowA;OPEN;\n}\nFlowB;ACK;\n}\nFrame1;F;S;\n1;Const;String;1;;0;\n}\n"
      "Frame2;F;W;\n1;Bogus;String;1;;0;\n}\nP;Pkt;W;Frame1;\n}\n");
  EXPECT_FALSE(Load(library.Get(), framesFail.Path()));
  EXPECT_EQ(counts(), (std::vector<LONG>{2, 2, 9}));
  EXPECT_FALSE(lib.CreateReport());
  EXPECT_EQ(FileNameOf(library.Get()), kFull);

  lib.SetCreateReport(true);
  TempFile comments("; nothing\n\n;here\n");  // every reader succeeds with nothing
  EXPECT_TRUE(Load(library.Get(), comments.Path()));
  EXPECT_EQ(counts(), (std::vector<LONG>{0, 0, 0}));
  EXPECT_TRUE(lib.CreateReport());
  EXPECT_EQ(FileNameOf(library.Get()), comments.Path());

  ComPtr<IQAVZLVFlows> after;  // refilled in place
  library->get_Flows(after.Out());
  EXPECT_EQ(after.Get(), flows.Get());

  VARIANT_BOOL ok = VARIANT_TRUE;
  EXPECT_EQ(library->LoadFromFile(B("/proc/self/mem").Get(), &ok), E_FAIL);
  EXPECT_EQ(WideToAnsi(TakeErrorDescription()).rfind("Cannot read file", 0), 0u);
  EXPECT_EQ(FileNameOf(library.Get()), comments.Path());
}

TEST(PacketLibraryTest, SaveToFileWritesNothingAndEditRunsTheLibraryEditor) {
  auto library = Create<IQAVZLVPacketLibrary>(CLSID_QAVZLVPacketLibrary);
  ASSERT_TRUE(Load(library.Get(), kFull));
  VARIANT_BOOL ok = VARIANT_TRUE;
  ASSERT_EQ(library->SaveToFile(B(Missing()).Get(), &ok), S_OK);
  EXPECT_EQ(ok, VARIANT_FALSE);
  EXPECT_FALSE(fs::exists(Missing()));

  IDispatch* seen = nullptr;
  InstallEditor(EditorKind::PacketLibrary, [&](IDispatch* target) { return (seen = target) != nullptr; });
  EXPECT_EQ(library->Edit(&ok), S_OK);
  EXPECT_EQ(ok, VARIANT_TRUE);
  EXPECT_EQ(QueryAs<IQAVZLVPacketLibrary>(seen).Get(), library.Get());
  InstallEditor(EditorKind::PacketLibrary, [](IDispatch*) -> bool { throw ComError(E_FAIL, "Cannot open"); });
  EXPECT_EQ(library->Edit(&ok), E_FAIL);
  EXPECT_EQ(WideToAnsi(TakeErrorDescription()), "Cannot open");
  InstallEditor(EditorKind::PacketLibrary, nullptr);
}

TEST(PacketLibraryTest, LibraryIsReleasedThoughItsFramesPointBackToIt) {
  const long baseline = ZelvaniModule().LiveObjects();
  ComPtr<IQAVZLVFrames> frames;
  {
    auto library = Create<IQAVZLVPacketLibrary>(CLSID_QAVZLVPacketLibrary);
    ASSERT_TRUE(Load(library.Get(), kFull));
    ComPtr<IQAVZLVPacket> packet;
    ASSERT_EQ(library->CreatePacket(B("P").Get(), Variant(), qzlvptWrite, packet.Out()), S_OK);
    ASSERT_TRUE(packet);
    library->get_PacketStructs(frames.Out());
  }
  // The frames outlive their library and no longer point to it.
  ComPtr<IQAVZLVPacketLibrary> back;
  ASSERT_EQ(frames->get_PacketLibraray(back.Out()), S_OK);
  EXPECT_FALSE(back);
  frames = nullptr;
  EXPECT_EQ(ZelvaniModule().LiveObjects(), baseline);
}

TEST(PacketLibraryTest, CreatePacketBindsOnceWithTheRequestedKeyAndType) {
  // A write-and-read definition first: binding after each property would turn
  // the packet into type 6 before its identifier is looked up and so bind the
  // write definition for a read request.
  TempFile file(
      "Q;Both;B;FB;\n1;A;String;1;;;0;\n}\nP;Writing;W;FW;\n1;A;String;2;ab;;0;\n}\nP;Reading;R;FR;\n"
      "1;A;String;3;xyz;;0;\n}\nS;_default;S;FS;\n1;A;Integer;1;0;;0;\n}\nZ;_default;E;FE;\n}\n");
  auto library = Create<IQAVZLVPacketLibrary>(CLSID_QAVZLVPacketLibrary);
  ASSERT_TRUE(Load(library.Get(), file.Path()));
  struct Row {
    std::u16string id;
    Variant def;
    LONG type;
    std::string expectedId, expectedName;  // empty name: no packet
    LONG expectedType;
  } rows[] = {
      {u"P", Variant(), qzlvptRead, "P", "Reading", 4},
      {u"P", Variant(), qzlvptWrite, "P", "Writing", 2},
      {u"P", Variant(), 0, "P", "Writing", 2},
      {u"Q", Variant(), qzlvptRead, "Q", "Both", 6},
      {u"P", Variant::Str(u"Reading"), qzlvptWrite, "P", "Writing", 2},  // the identifier wins
      {u"", Variant::Str(u"Reading"), qzlvptRead, "P", "Reading", 4},
      {u"P", Variant(), qzlvptStart, "P", "_default", 1},   // a start packet standing for P
      {u"K", Variant(), qzlvptError, "K", "_default", 8},   // an error packet keeps its identifier
      {u"", Variant::Str(u"Reading"), qzlvptWrite, "", "", 0},
      {u"R", Variant(), qzlvptWrite, "", "", 0},
      {u"", Variant::Str(u"Nothing"), qzlvptWrite, "", "", 0},
      {u"", Variant(), qzlvptWrite, "", "", 0},
      {u"", Variant::Null(), qzlvptWrite, "", "", 0},
      {u"P\u4e00", Variant(), qzlvptWrite, "", "", 0},  // no model text holds it
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(WideToAnsi(row.id) + " / " + std::to_string(row.type));
    ComPtr<IQAVZLVPacket> packet;
    ASSERT_EQ(library->CreatePacket(Bstr(row.id).Get(), row.def, row.type, packet.Out()), S_OK);
    ASSERT_EQ(bool(packet), !row.expectedName.empty());
    if (!packet) continue;
    Bstr id, name;
    LONG type = -1;
    packet->get_ID(id.Out());
    packet->get_Name(name.Out());
    packet->get_PacketType(&type);
    EXPECT_EQ(WideToAnsi(id.View()), row.expectedId);
    EXPECT_EQ(WideToAnsi(name.View()), row.expectedName);
    EXPECT_EQ(type, row.expectedType);
  }
}

TEST(PacketLibraryTest, CreatePacketLoadsTheDefaults) {
  auto library = Create<IQAVZLVPacketLibrary>(CLSID_QAVZLVPacketLibrary);
  ASSERT_TRUE(Load(library.Get(), kFull));
  ComPtr<IQAVZLVPacket> packet;
  ASSERT_EQ(library->CreatePacket(B("").Get(), Variant::Str(u"Identification"), qzlvptStart, packet.Out()), S_OK);
  ASSERT_TRUE(packet);
  Bstr data;
  ASSERT_EQ(packet->get_DataString(data.Out()), S_OK);
  EXPECT_EQ(WideToAnsi(data.View()), "0000R");
}

// ---------------------------------------------------------------------------
// Files that ask for more than a register could need

TEST(PacketLibraryLimitsTest, ASmallFileAskingForGigabytesFailsToLoad) {
  // 73 bytes; the field's size would have made CreatePacket build a 2 GB
  // data string.
  const std::string text = "Frame1;F;W;\n1;Data;Str;0;;0;\n}\nP;P;W;Frame1;\n1;A;String;2000000000;;;0;\n}";
  ASSERT_EQ(text.size(), 73u);
  TempFile file(text);
  auto library = Create<IQAVZLVPacketLibrary>(CLSID_QAVZLVPacketLibrary);
  EXPECT_FALSE(Load(library.Get(), file.Path()));
  Readers r;
  DefinitionsReadFailure failure;
  EXPECT_FALSE(LoadPacketDefsFromFile(r.defs, file.Path(), &failure));
  EXPECT_EQ(failure.lineNumber, 5);
  EXPECT_EQ(failure.text, "Parse error: size too large (1;A;String;2000000000;;;0;)");
  ASSERT_EQ(r.defs.Size(), 1);
  EXPECT_EQ(FieldsOf(DefAt(r.defs, 0)).Size(), 0);  // the field was never made
}

// The packet's length is the sum of its sizes, held to the 32-bit range; the
// data string is built at that length, or empty when it is not positive.
TEST(PacketLibraryLimitsTest, LengthSumsSizesWithoutOverflow) {
  struct Row {
    std::vector<std::string> sizes;
    LONG length;
  } rows[] = {
      {{"-2147483648", "-1"}, INT32_MIN},  // one below the 32-bit range
      {{"-2147483648", "-2147483648", "5"}, INT32_MIN},
      {{"-1", "3"}, 2},
      {{"65536", "-1"}, 65535},
      {{"65536", "65536", "-2147483648"}, -2147352576},
  };
  for (const Row& row : rows) {
    std::string text = "Frame1;F;W;\n1;Data;String;0;;0;\n}\nP;Pkt;W;Frame1;\n";
    int n = 0;
    for (const std::string& size : row.sizes) text += std::to_string(++n) + ";A;String;" + size + ";x;;0;\n";
    SCOPED_TRACE(text);
    TempFile file(text + "}\n");
    auto library = Create<IQAVZLVPacketLibrary>(CLSID_QAVZLVPacketLibrary);
    ASSERT_TRUE(Load(library.Get(), file.Path()));
    ComPtr<IQAVZLVPacket> packet;
    ASSERT_EQ(library->CreatePacket(B("P").Get(), Variant(), 0, packet.Out()), S_OK);
    ASSERT_TRUE(packet);
    LONG length = 0;
    ASSERT_EQ(packet->get_Length(&length), S_OK);
    EXPECT_EQ(length, row.length);
    Bstr data;
    ASSERT_EQ(packet->get_DataString(data.Out()), S_OK);
    EXPECT_EQ(LONG(data.Length()), std::max<LONG>(row.length, 0));
  }
  // Sizes set through automation beyond the file's limits saturate too.
  TempFile file("P;Pkt;W;F;\n1;A;String;1;;;0;\n2;B;String;1;;;0;\n}\n");
  auto library = Create<IQAVZLVPacketLibrary>(CLSID_QAVZLVPacketLibrary);
  ASSERT_TRUE(Load(library.Get(), file.Path()));
  ComPtr<IQAVZLVPacket> packet;
  ASSERT_EQ(library->CreatePacket(B("P").Get(), Variant(), 0, packet.Out()), S_OK);
  ASSERT_TRUE(packet);
  auto& lib = As<TQAVZLVPacketLibrary>(library);
  FieldAt(DefAt(*lib.PacketDefList(), 0), 0).put_Size(INT32_MAX);
  FieldAt(DefAt(*lib.PacketDefList(), 0), 1).put_Size(INT32_MAX);
  LONG length = 0;
  ASSERT_EQ(packet->get_Length(&length), S_OK);
  EXPECT_EQ(length, INT32_MAX);
}

// A file of comment lines of 1 KiB each, `bytes` long in all.
std::string CommentLines(std::size_t bytes) {
  std::string line(1023, ';');
  line += '\n';
  std::string text;
  text.reserve(bytes);
  while (text.size() + line.size() <= bytes) text += line;
  text.append(bytes - text.size(), ';');
  return text;
}

TEST(PacketLibraryLimitsTest, AFileLargerThanTheLimitFailsAtTheLineThatCrossesIt) {
  const auto limit = static_cast<std::size_t>(kMaxDefinitionsFileSize);
  TempFile file(CommentLines(limit));
  auto library = Create<IQAVZLVPacketLibrary>(CLSID_QAVZLVPacketLibrary);
  EXPECT_TRUE(Load(library.Get(), file.Path()));  // exactly at the limit

  file.Write(CommentLines(limit + 1));
  EXPECT_FALSE(Load(library.Get(), file.Path()));
  Readers r;
  DefinitionsReadFailure failure;
  EXPECT_FALSE(LoadFramesFromFile(r.frames, file.Path(), &failure));
  EXPECT_EQ(failure.lineNumber, int(limit / 1024) + 1);
  EXPECT_EQ(failure.text, "Parse error: file too large.");
  // The scan of the report switch refuses it as well.
  auto scan = com::MakeObject<TQAVZLVPacketLibrary>();
  EXPECT_FALSE(scan->ReadCreateReport(file.Path()));
}

// Only a regular file is a definitions file. Anything else under the name is
// refused as a missing file is, without opening it: a FIFO nobody writes does
// not block the load, one that never ends and a device are not read.
TEST(PacketLibraryLimitsTest, PathsThatAreNoRegularFilesAreRefusedWithoutBlocking) {
  auto library = Create<IQAVZLVPacketLibrary>(CLSID_QAVZLVPacketLibrary);
  ASSERT_TRUE(Load(library.Get(), kFull));
  for (const bool endless : {false, true}) {
    SCOPED_TRACE(endless ? "a FIFO that never ends" : "a FIFO nobody writes");
    bounded_call::Fifo fifo(fs::temp_directory_path() / ("plib-fifo-" + std::to_string(::getpid())));
    if (endless) fifo.StartWriting();
    bool loaded = true;
    bounded_call::WithinBound([&] { loaded = Load(library.Get(), fifo.Path()); }, [&] { fifo.Unblock(); });
    EXPECT_FALSE(loaded);
    EXPECT_EQ(FileNameOf(library.Get()), kFull);
  }
  EXPECT_FALSE(Load(library.Get(), "/dev/zero"));
  EXPECT_EQ(FileNameOf(library.Get()), kFull);
  Readers r;
  DefinitionsReadFailure failure;
  EXPECT_FALSE(LoadFlowsFromFile(r.flows, "/dev/zero", &failure));
  EXPECT_EQ(failure.lineNumber, 0);
}

// A sparse file that claims a terabyte: neither reserved nor read whole.
TEST(PacketLibraryLimitsTest, AFileThatClaimsMoreThanItHoldsIsRefusedQuickly) {
  const auto start = std::chrono::steady_clock::now();
  TempFile sparse("");
  ASSERT_EQ(::truncate(sparse.Path().c_str(), off_t{1} << 40), 0);
  Readers r;
  DefinitionsReadFailure failure;
  EXPECT_FALSE(LoadFramesFromFile(r.frames, sparse.Path(), &failure));
  EXPECT_EQ(failure.text, "Parse error: file too large.");
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20));
}

}  // namespace
}  // namespace zelvani
