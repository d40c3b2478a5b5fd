// The control's default packet library, corvatin/Quelm.pkd, as the packet
// engine reads it: it loads; it has a flow for every operation that the
// control's (master) device runs; every data type's start packet can be made
// and goes on the line as a register expects it; every record the readers and
// writers address has the fields they address; the values the writers put in
// come back through the register's read definitions; the error record carries
// what the engine's error read takes from it.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "corvatin/control/PacketIdentifiers.h"
#include "corvatin/control/QAVECRObj.h"
#include "platform/com/ansi.h"
#include "platform/com/variant.h"
#include "tests/corvatin/control/ECRSimulator.h"
#include "zelvani/model/ZelvaniServer.h"

namespace corvatin {
namespace {

Bstr B(std::string_view ansi) { return Bstr::Attach(AnsiToBstr(ansi)); }

std::string Text(const Variant& v) {
  Variant text;
  return SUCCEEDED(v.TryAs(VT_BSTR, text)) ? BstrToAnsi(text.bstrVal) : "?";
}

class QuelmLibraryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    protocol_ = zelvani::Create<IQAVZLVProtocol>(CLSID_QAVZLVProtocol);
    ASSERT_EQ(protocol_->get_PacketLibrary(library_.Out()), S_OK);
    VARIANT_BOOL ok = VARIANT_FALSE;
    ASSERT_EQ(library_->LoadFromFile(B(ECRSimulator::Library()).Get(), &ok), S_OK);
    ASSERT_EQ(ok, VARIANT_TRUE) << "Quelm.pkd does not load";
  }

  // The library's packet definitions in order: each one's identifier and type.
  using Definition = std::pair<std::string, LONG>;
  std::vector<Definition> Definitions() {
    std::vector<Definition> list;
    ComPtr<IQAVZLVPacketDefs> defs;
    EXPECT_EQ(library_->get_PacketDefs(defs.Out()), S_OK);
    LONG count = 0;
    defs->get_Count(&count);
    for (LONG i = 0; i < count; ++i) {
      ComPtr<IQAVZLVPacketDef> def;
      EXPECT_EQ(defs->get_Items(i, def.Out()), S_OK);
      Bstr id;
      LONG type = 0;
      def->get_ID(id.Out());
      def->get_PacketType(&type);
      list.emplace_back(BstrToAnsi(id.Get()), type);
    }
    return list;
  }
  ComPtr<IQAVZLVPacket> Make(const std::string& id, LONG type) {
    ComPtr<IQAVZLVPacket> p;
    EXPECT_EQ(protocol_->CreatePacket(B(id).Get(), Variant(), type, p.Out()), S_OK);
    return p;
  }
  static LONG Count(IQAVZLVPacket* p) {
    LONG n = -1;
    p->get_FieldsCount(&n);
    return n;
  }
  static LONG Type(IQAVZLVPacket* p) {
    LONG t = -1;
    p->get_PacketType(&t);
    return t;
  }
  static std::string Id(IQAVZLVPacket* p) {
    Bstr id;
    p->get_ID(id.Out());
    return BstrToAnsi(id.Get());
  }
  std::string Pack(IQAVZLVPacket* p, LONG* result = nullptr) {
    Bstr wire;
    LONG r = -1;
    EXPECT_EQ(protocol_->PackPacket(p, wire.Out(), &r), S_OK);
    if (result) *result = r;
    return BstrToAnsi(wire.Get());
  }

  ComPtr<IQAVZLVProtocol> protocol_;
  ComPtr<IQAVZLVPacketLibrary> library_;
};

TEST_F(QuelmLibraryTest, HasAMasterFlowForEveryOperationOfTheDevice) {
  ComPtr<IQAVZLVFlows> flows;
  ASSERT_EQ(library_->get_Flows(flows.Out()), S_OK);
  // Open, mode switch, close after writing and after reading, ACK, NAK, write
  // and read: what Connect, ModeSwitch, Disconnect, Abort, SendACK, SendNAK,
  // WritePacket, ReadPacket and the repetitions between runs use.
  for (LONG type = qzlvftSendMsgOpen; type <= qzlvftReceivePacket; ++type) {
    ComPtr<IQAVZLVFlow> flow;
    ASSERT_EQ(flows->FindByFlowType(type, flow.Out()), S_OK);
    EXPECT_TRUE(flow) << "no flow of type " << type;
  }
  // The control never makes its device a slave.
  for (LONG type = qzlvftESendMsgOpen; type <= qzlvftESendErrorPacket; ++type) {
    ComPtr<IQAVZLVFlow> flow;
    ASSERT_EQ(flows->FindByFlowType(type, flow.Out()), S_OK);
    EXPECT_FALSE(flow) << "slave flow of type " << type;
  }
}

TEST_F(QuelmLibraryTest, EveryDataTypeHasItsStartPacketOnTheLine) {
  for (LONG dataType = 0; dataType <= 41; ++dataType) {
    for (LONG rangeType : {ecrrtNumbers, ecrrtDates}) {
      const std::string id = PacketIdOf(dataType, rangeType);
      ASSERT_FALSE(id.empty()) << dataType;
      ComPtr<IQAVZLVPacket> start = Make(id, qzlvptStart);
      ASSERT_TRUE(start) << "no start packet for data type " << dataType << " (" << id << ")";
      EXPECT_EQ(Type(start.Get()), qzlvptStart);
      EXPECT_EQ(Id(start.Get()).substr(0, 1), id);
      start->put_FieldValues(Variant::I4(1), Variant::I4(2));
      start->put_FieldValues(Variant::I4(2), Variant::Ansi(std::string(17, '0') + "5"));
      start->put_FieldValues(Variant::I4(3), Variant::Ansi(std::string(18, ' ')));
      LONG result = -1;
      const std::string wire = Pack(start.Get(), &result);
      EXPECT_EQ(result, 0);
      EXPECT_EQ(wire, ECRSimulator::StartPacket(id, 2, std::string(17, '0') + "5", std::string(18, ' ')))
          << "data type " << dataType;
    }
  }
}

TEST_F(QuelmLibraryTest, RecordsHaveTheFieldsTheirReadersAndWritersAddress) {
  struct Row {
    const char* id;
    LONG type;
    LONG fields;
  } rows[] = {
      {"A", qzlvptWrite, 7},  {"A", qzlvptRead, 7},   {"s", qzlvptWrite, 10}, {"s", qzlvptRead, 10},
      {"B", qzlvptWrite, 1},  {"B", qzlvptRead, 1},   {"C", qzlvptWrite, 1},  {"D", qzlvptWrite, 3},
      {"D", qzlvptRead, 3},   {"E", qzlvptWrite, 15}, {"E", qzlvptRead, 15},  {"G", qzlvptWrite, 8},
      {"G", qzlvptRead, 8},   {"H", qzlvptWrite, 7},  {"H", qzlvptRead, 7},   {"I", qzlvptWrite, 10},
      {"I", qzlvptRead, 10},  {"r", qzlvptWrite, 7},  {"J", qzlvptWrite, 2},  {"J", qzlvptRead, 2},
      {"K", qzlvptWrite, 6},  {"K", qzlvptRead, 6},   {"0", qzlvptWrite, 7},  {"0", qzlvptRead, 7},
      {"L", qzlvptWrite, 2},  {"L", qzlvptRead, 2},   {"M", qzlvptRead, 1},   {"N", qzlvptRead, 1},
      {"P", qzlvptRead, 1},   {"1", qzlvptRead, 1},   {"h", qzlvptWrite, 2},  {"h", qzlvptRead, 2},
      {"j", qzlvptWrite, 17}, {"j", qzlvptRead, 16},  {"k", qzlvptWrite, 1},  {"O", qzlvptWrite, 1},
      {"e", qzlvptRead, 3},   {"p", qzlvptRead, 8},   {"R", qzlvptRead, 8},   {"f", qzlvptRead, 11},
      {"o", qzlvptRead, 17},  {"S", qzlvptRead, 9},   {"g", qzlvptRead, 13},  {"n", qzlvptRead, 19},
      {"T", qzlvptRead, 4},   {"U", qzlvptRead, 6},   {"d", qzlvptRead, 6},   {"l", qzlvptRead, 5},
      {"W1", qzlvptRead, 16}, {"w1", qzlvptRead, 18}, {"W2", qzlvptRead, 5},  {"Z4", qzlvptRead, 8},
      {"z4", qzlvptRead, 9},  {"Z6", qzlvptRead, 24}, {"z6", qzlvptRead, 26}, {"y6", qzlvptRead, 26},
      {"b", qzlvptRead, 24},  {"v", qzlvptRead, 26},  {"O0", qzlvptRead, 7},  {"O4", qzlvptRead, 14},
      {"O5", qzlvptRead, 2},  {"k1", qzlvptRead, 6},  {"k4", qzlvptRead, 14}, {"k5", qzlvptRead, 2},
  };
  for (const Row& r : rows) {
    ComPtr<IQAVZLVPacket> p = Make(r.id, r.type);
    ASSERT_TRUE(p) << r.id << " of type " << r.type;
    EXPECT_EQ(Id(p.Get()), r.id);
    EXPECT_EQ(Type(p.Get()), r.type) << r.id;
    EXPECT_EQ(Count(p.Get()), r.fields) << r.id << " of type " << r.type;
  }
}

TEST_F(QuelmLibraryTest, TheRecordsOfTheMixedReportsNameTheirKinds) {
  struct Row {
    LONG dataType;
    LONG rangeType;
    const char* seconds;  // the second characters of the report's records
  } rows[] = {
      {ecrdtDailyReport, ecrrtNumbers, "123"},          {ecrdtDailyReportEx, ecrrtNumbers, "123"},
      {ecrdtPeriodicalReport, ecrrtNumbers, "12346"},   {ecrdtPeriodicalReport, ecrrtDates, "12346"},
      {ecrdtPeriodicalReportEx, ecrrtNumbers, "12346"}, {ecrdtPeriodicalReportEx, ecrrtDates, "12346"},
      {ecrdtReceiptReport, ecrrtNumbers, "012345"},     {ecrdtReceiptReportEx, ecrrtNumbers, "012345"},
  };
  for (const Row& r : rows) {
    const std::string start = PacketIdOf(r.dataType, r.rangeType);
    for (const char* c = r.seconds; *c; ++c) {
      const std::string id = start + *c;
      ComPtr<IQAVZLVPacket> p = Make(id, qzlvptRead);
      ASSERT_TRUE(p) << id;
      EXPECT_EQ(Id(p.Get()), id);
      const RecordKind kind = RecordKindOf(r.dataType, id);
      EXPECT_EQ(kind.error, 0) << id << " names no record kind of data type " << r.dataType;
    }
  }
}

// Every record goes on the line and comes back from it as itself: the frame
// that its definition names takes the identifier and the data it packs.
TEST_F(QuelmLibraryTest, EveryRecordUnpacksFromItsOwnWireString) {
  const std::vector<Definition> definitions = Definitions();
  ASSERT_GT(definitions.size(), 90u);
  for (const auto& [id, type] : definitions) {
    if (type == qzlvptStart) continue;  // the start packet carries the data type's identifier
    ComPtr<IQAVZLVPacket> out = Make(id, type);
    ASSERT_TRUE(out) << id;
    EXPECT_EQ(Id(out.Get()), id) << "another definition takes the identifier " << id;
    out->put_IsLast(VARIANT_FALSE);
    LONG packed = -1;
    const std::string wire = Pack(out.Get(), &packed);
    ASSERT_EQ(packed, 0) << id;
    ComPtr<IQAVZLVPacket> in = Make(id, type);
    LONG result = -1;
    ASSERT_EQ(protocol_->UnpackPacket(B(wire).Get(), in.Get(), &result), S_OK);
    EXPECT_EQ(result, 0) << id << " of type " << type;
    EXPECT_EQ(Id(in.Get()), id);
  }
}

// The device identifies a received record by trying the definitions in the
// library's order, and a write definition's frame takes every record but the
// last of a read: for each identifier that the register both takes and sends,
// its read definition must come first, or the record is unpacked with the
// writer's field types.
TEST_F(QuelmLibraryTest, ReadDefinitionsComeBeforeTheirWriteDefinitions) {
  const std::vector<Definition> definitions = Definitions();
  std::map<std::string, std::size_t> firstRead, firstWrite;
  for (std::size_t i = 0; i < definitions.size(); ++i) {
    const auto& [id, type] = definitions[i];
    if (type == qzlvptRead) firstRead.try_emplace(id, i);
    if (type == qzlvptWrite) firstWrite.try_emplace(id, i);
  }
  int pairs = 0;
  for (const auto& [id, write] : firstWrite) {
    auto read = firstRead.find(id);
    if (read == firstRead.end()) continue;
    ++pairs;
    EXPECT_LT(read->second, write) << "the write definition of " << id << " comes first";
  }
  EXPECT_GE(pairs, 19) << "every programming record with both definitions was checked";
}

// What a writer puts into a write packet comes back, through the data string on
// the line, from the register's read definition of the same record.
TEST_F(QuelmLibraryTest, WrittenValuesReadBackThroughTheReadDefinitions) {
  struct Row {
    const char* id;
    LONG field;
    Variant written;
    const char* onTheLine;  // the field's characters in the data string
    Variant read;           // what the read definition gives
  } rows[] = {
      {"I", 4, Variant::Cy(CY{125000}), "      1250", Variant::Cy(CY{125000})},
      {"I", 3, Variant::Ansi("KAWA"), "KAWA              ", Variant::Ansi("KAWA              ")},
      {"I", 7, Variant::Ansi("00011"), "00011", Variant::Ansi("00011")},
      {"I", 8, Variant::I4(7), "07", Variant::I4(7)},
      {"K", 1, Variant::Ansi("2300"), " 2300", Variant::Cy(CY{230000})},
      // A rate not in use travels as FFFF and reads as -1.
      {"K", 2, Variant::Ansi("FFFF"), " FFFF", Variant::I4(-1)},
      {"A", 5, Variant::I4(255), "FF", Variant::I4(255)},
      {"s", 10, Variant::I4(1), "01", Variant::I4(1)},
      {"J", 1, Variant::I4(12), "012", Variant::I4(12)},
      {"E", 1, Variant::Cy(CY{-50000}), "      -500", Variant::Cy(CY{-50000})},
      // 2003-05-14 10:30 goes out as the date in one field and the time in the other.
      {"L", 1, Variant::Date(37755.4375), "20030514", Variant::Date(37755.0)},
      {"L", 2, Variant::Date(37755.4375), "1030", Variant::Date(0.4375)},
  };
  for (const Row& r : rows) {
    ComPtr<IQAVZLVPacket> w = Make(r.id, qzlvptWrite);
    ASSERT_TRUE(w) << r.id;
    ASSERT_EQ(w->put_FieldValues(Variant::I4(r.field), r.written), S_OK);
    Bstr data;
    ASSERT_EQ(w->get_DataString(data.Out()), S_OK);
    ComPtr<IQAVZLVFieldDef> def;
    ComPtr<IQAVZLVPacketDef> packetDef;
    ComPtr<IQAVZLVFieldDefs> defs;
    w->get_PacketDef(packetDef.Out());
    packetDef->get_FieldDefs(defs.Out());
    defs->get_Items(r.field - 1, def.Out());
    LONG offset = 0, size = 0;
    def->get_Offset(&offset);
    def->get_Size(&size);
    EXPECT_EQ(BstrToAnsi(data.Get()).substr(static_cast<std::size_t>(offset - 1), static_cast<std::size_t>(size)),
              r.onTheLine)
        << r.id << " field " << r.field;

    ComPtr<IQAVZLVPacket> back = Make(r.id, qzlvptRead);
    ASSERT_TRUE(back) << r.id;
    ASSERT_EQ(back->put_DataString(data.Get()), S_OK);
    Variant got;
    ASSERT_EQ(back->get_FieldValues(Variant::I4(r.field), &got), S_OK);
    EXPECT_EQ(got.vt, r.read.vt) << r.id << " field " << r.field;
    EXPECT_EQ(Text(got), Text(r.read)) << r.id << " field " << r.field;
  }
}

TEST_F(QuelmLibraryTest, TheLastRecordOfAReadCarriesTheEndOfDataMark) {
  for (bool last : {false, true}) {
    ComPtr<IQAVZLVPacket> p = Make("B", qzlvptRead);
    ASSERT_TRUE(p);
    p->put_FieldValues(Variant::I4(1), Variant::Ansi("Sklep"));
    p->put_IsLast(last ? VARIANT_TRUE : VARIANT_FALSE);
    const std::string wire = Pack(p.Get());
    ASSERT_EQ(wire.size(), 1u + 1 + 40 + 1 + 4);
    const std::string body = wire.substr(1, wire.size() - 5);
    EXPECT_EQ(wire, ecr::kStx + body + ECRSimulator::EcrChecksum(body));
    EXPECT_EQ(body.back(), last ? '\x04' : '\x03');

    ComPtr<IQAVZLVPacket> into = Make("B", qzlvptRead);
    LONG result = -1;
    ASSERT_EQ(protocol_->UnpackPacket(B(wire).Get(), into.Get(), &result), S_OK);
    EXPECT_EQ(result, last ? qzlvpeEndOfData : qzlvpeOK);
  }
}

TEST_F(QuelmLibraryTest, TheErrorRecordCarriesWhatTheErrorReadTakes) {
  ComPtr<IQAVZLVPacket> e = Make("F", qzlvptError);
  ASSERT_TRUE(e);
  const ECRSimulator::Fields fields{"I", "1", "0D", "", ""};
  for (std::size_t i = 0; i < fields.size(); ++i)
    e->put_FieldValues(Variant::I4(static_cast<LONG>(i + 1)), Variant::Ansi(fields[i]));
  const std::string wire = Pack(e.Get());
  const std::string body = "FI10D" + std::string(36, ' ') + ecr::kEtx;
  EXPECT_EQ(wire, ecr::kStx + body + ECRSimulator::EcrChecksum(body));

  // Read back: fields 2 and 3 as the engine's error read converts them.
  ComPtr<IQAVZLVPacket> into = Make("F", qzlvptError);
  LONG result = -1;
  ASSERT_EQ(protocol_->UnpackPacket(B(wire).Get(), into.Get(), &result), S_OK);
  ASSERT_EQ(result, 0);
  Variant type, code;
  into->get_FieldValues(Variant::I4(2), &type);
  into->get_FieldValues(Variant::I4(3), &code);
  EXPECT_EQ(type.As(VT_I4).lVal, 1);
  EXPECT_EQ(BstrToAnsi(code.As(VT_BSTR).bstrVal), "0D");
}

}  // namespace
}  // namespace corvatin
