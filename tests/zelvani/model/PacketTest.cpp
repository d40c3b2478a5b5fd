// Packets: binding to definitions with the error and start fallbacks, field
// values by number and name, the data string in both directions with the
// national letters in code page 852, defaults, and the delimited text form.
#include <gtest/gtest.h>

#include "platform/com/locale.h"
#include "zelvani/model/QAVZLVPacket.h"

namespace zelvani {
namespace {

Bstr B(std::string_view ansi) { return Bstr::Attach(AnsiToBstr(ansi)); }

ComPtr<IQAVZLVPacketLibrary> LoadTestLibrary() {
  auto library = Create<IQAVZLVPacketLibrary>(CLSID_QAVZLVPacketLibrary);
  VARIANT_BOOL ok = VARIANT_FALSE;
  EXPECT_EQ(library->LoadFromFile(B(TEST_DATA_DIR "/protocol_test.pkd").Get(), &ok), S_OK);
  EXPECT_EQ(ok, VARIANT_TRUE);
  return library;
}

// Field values as they travel through automation.
Variant Text(std::string_view ansi) { return Variant::Ansi(ansi); }
Variant Money(std::int64_t tenThousandths) { return Variant::Cy(CY{tenThousandths}); }

class PacketTest : public ::testing::Test {
 protected:
  // A packet bound once to the definition with that identifier and type, as the
  // library's CreatePacket binds it (without loading the defaults).
  ComPtr<IQAVZLVPacket> Packet(LONG type, std::string_view id) {
    auto packet = com::MakeObject<TQAVZLVPacket>();
    packet->BindOnce(library_.Get(), type, std::string(id), "");
    return ComPtr<IQAVZLVPacket>(packet.Get());
  }

  static std::string ID(IQAVZLVPacket* p) {
    Bstr s;
    EXPECT_EQ(p->get_ID(s.Out()), S_OK);
    return BstrToAnsi(s.Get());
  }
  static std::string Name(IQAVZLVPacket* p) {
    Bstr s;
    EXPECT_EQ(p->get_Name(s.Out()), S_OK);
    return BstrToAnsi(s.Get());
  }
  static LONG Long(IQAVZLVPacket* p, HRESULT (IQAVZLVPacket::*getter)(LONG*)) {
    LONG v = -99;
    EXPECT_EQ((p->*getter)(&v), S_OK);
    return v;
  }
  static std::string FrameID(IQAVZLVPacket* p) {
    ComPtr<IQAVZLVFrame> frame;
    EXPECT_EQ(p->get_PacketStruct(frame.Out()), S_OK);
    if (!frame) return "(none)";
    Bstr id;
    frame->get_ID(id.Out());
    return BstrToAnsi(id.Get());
  }
  static Variant Field(IQAVZLVPacket* p, const Variant& index) {
    Variant v;
    EXPECT_EQ(p->get_FieldValues(index, &v), S_OK);
    return v;
  }
  static void SetField(IQAVZLVPacket* p, const Variant& index, const Variant& value) {
    EXPECT_EQ(p->put_FieldValues(index, value), S_OK);
  }
  // The data string's bytes (code page 852 on the wire).
  static std::string Data(IQAVZLVPacket* p) {
    Bstr s;
    EXPECT_EQ(p->get_DataString(s.Out()), S_OK);
    return BstrToAnsi(s.Get());
  }
  static void SetData(IQAVZLVPacket* p, std::string_view bytes) {
    EXPECT_EQ(p->put_DataString(B(bytes).Get()), S_OK);
  }
  static std::string Delimited(IQAVZLVPacket* p, LONG options, std::string_view delimiter = ";",
                               std::string_view brackets = "[]") {
    Bstr s;
    EXPECT_EQ(p->GetDelimitedString(B(delimiter).Get(), B(brackets).Get(), B("\r\n").Get(), options, s.Out()),
              S_OK);
    return BstrToAnsi(s.Get());
  }
  static LONG FromDelimited(IQAVZLVPacket* p, std::string_view text, LONG options) {
    LONG code = -1;
    EXPECT_EQ(p->SetFromDelimitedString(B(text).Get(), B(";").Get(), B("[]").Get(), B("\r\n").Get(), options, &code),
              S_OK);
    return code;
  }
  static std::string AsText(const Variant& v) {
    if (v.vt != VT_BSTR) return "<vt " + std::to_string(v.vt) + ">";
    return BstrToAnsi(v.bstrVal);
  }

  ComPtr<IQAVZLVPacketLibrary> library_ = LoadTestLibrary();
};

// ---------------------------------------------------------------------------
// Binding

TEST_F(PacketTest, NewPacketIsUnbound) {
  auto packet = Create<IQAVZLVPacket>(CLSID_QAVZLVPacket);
  EXPECT_EQ(ID(packet.Get()), "");
  EXPECT_EQ(Long(packet.Get(), &IQAVZLVPacket::get_PacketType), 0);
  EXPECT_EQ(Long(packet.Get(), &IQAVZLVPacket::get_DefinitionIndex), -1);
  EXPECT_EQ(Long(packet.Get(), &IQAVZLVPacket::get_FieldsCount), -1);
  EXPECT_EQ(Long(packet.Get(), &IQAVZLVPacket::get_Length), 0);
  VARIANT_BOOL last = VARIANT_FALSE;
  EXPECT_EQ(packet->get_IsLast(&last), S_OK);
  EXPECT_EQ(last, VARIANT_TRUE);
  EXPECT_TRUE(Field(packet.Get(), Variant::I4(1)).IsEmpty());
  EXPECT_EQ(Data(packet.Get()), "");
}

struct BindCase {
  LONG type;
  const char* id;
  const char* boundId;
  const char* name;
  LONG fieldsCount;
  LONG definitionIndex;
  LONG typeAfter;
  const char* frame;
};

TEST_F(PacketTest, BindsByIdentifierWithErrorAndStartFallbacks) {
  const BindCase cases[] = {
      {6, "P", "P", "Plu", 3, 0, 6, "FrameData"},
      {2, "P", "P", "Plu", 3, 0, 6, "FrameData"},          // a "B" definition makes the packet type 6
      {0, "P1", "P1", "Pair", 3, 1, 6, "FrameData"},
      {4, "R", "R?", "Report", 1, 5, 4, "FrameRead"},      // the given identifier is a prefix
      {8, "E", "E", "Error", 1, 6, 8, "FrameError"},
      {8, "Q", "Q", "_default", 1, 7, 8, "FrameError"},    // default error definition, given ID kept
      {1, "I", "I", "Ident", 2, 2, 1, "FrameStart"},
      {1, "P", "P", "_default", 2, 4, 1, "FrameStart"},    // stands for the write-and-read definition P
      {1, "P1", "P1", "_default", 2, 4, 1, "FrameStart"},
      {1, "Q", "", "", -1, -1, 1, "(none)"},               // no start, write or read definition
      {2, "Q", "", "", -1, -1, 2, "(none)"},
      {2, "I", "", "", -1, -1, 2, "(none)"},               // a start definition does not serve type 2
      {32, "V", "V", "Void", 0, 11, 32, "FrameEmpty"},     // no fields: FieldsCount 0, no field values
      {16, "Z", "Z", "No frame for its type", 1, 10, 16, "(none)"},
      {6, "M", "M", "Missing frame", 1, 9, 6, "FrameData"},  // the frame follows the type, not the name
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string("type ") + std::to_string(c.type) + " id " + c.id);
    auto p = Packet(c.type, c.id);
    EXPECT_EQ(ID(p.Get()), c.boundId);
    EXPECT_EQ(Name(p.Get()), c.name);
    EXPECT_EQ(Long(p.Get(), &IQAVZLVPacket::get_FieldsCount), c.fieldsCount);
    EXPECT_EQ(Long(p.Get(), &IQAVZLVPacket::get_DefinitionIndex), c.definitionIndex);
    EXPECT_EQ(Long(p.Get(), &IQAVZLVPacket::get_PacketType), c.typeAfter);
    EXPECT_EQ(FrameID(p.Get()), c.frame);
    ComPtr<IQAVZLVPacketDef> def;
    EXPECT_EQ(p->get_PacketDef(def.Out()), S_OK);
    EXPECT_EQ(static_cast<bool>(def), c.definitionIndex >= 0);
  }
}

TEST_F(PacketTest, BindsByNameWithTheTypeFilterAndFallbacks) {
  struct Case {
    LONG type;
    const char* name;
    const char* boundId;
    const char* boundName;
  } cases[] = {
      {0, "Pair", "P1", "Pair"},     {4, "Pair", "P1", "Pair"}, {2, "Ident", "", ""},
      {0, "pair", "", ""},           {1, "Ident", "I", "Ident"},
      {1, "Pair", "P1", "_default"},  // the start fallback works with the name as key too
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    auto packet = com::MakeObject<TQAVZLVPacket>();
    packet->BindOnce(library_.Get(), c.type, "", c.name);
    EXPECT_EQ(packet->ID(), c.boundId);
    EXPECT_EQ(packet->Name(), c.boundName);
  }
}

// Each put binds at once, so a host's sequence of puts passes through the
// bindings in between.
TEST_F(PacketTest, EveryPutBindsInTurn) {
  auto p = Create<IQAVZLVPacket>(CLSID_QAVZLVPacket);
  ASSERT_EQ(p->put_ID(B("P").Get()), S_OK);  // no library: nothing binds
  EXPECT_EQ(ID(p.Get()), "");
  ASSERT_EQ(p->put_PacketLibrary(library_.Get()), S_OK);  // the empty identifier finds the first definition
  EXPECT_EQ(Name(p.Get()), "Plu");
  ASSERT_EQ(p->put_PacketType(qzlvptStart), S_OK);  // no start definition P: the default one, ID kept
  EXPECT_EQ(Name(p.Get()), "_default");
  EXPECT_EQ(ID(p.Get()), "P");
  ASSERT_EQ(p->put_ID(B("I").Get()), S_OK);
  EXPECT_EQ(Name(p.Get()), "Ident");
  ASSERT_EQ(p->put_Name(B("Pair").Get()), S_OK);
  EXPECT_EQ(ID(p.Get()), "P1");
  EXPECT_EQ(Name(p.Get()), "_default");
  ASSERT_EQ(p->put_PacketType(qzlvptWrite), S_OK);
  EXPECT_EQ(Name(p.Get()), "Pair");
  EXPECT_EQ(Long(p.Get(), &IQAVZLVPacket::get_PacketType), 6);
}

TEST_F(PacketTest, RebindingDiscardsFieldValuesAndAPacketWithoutLibraryStaysUnbound) {
  auto p = Packet(6, "P");
  SetField(p.Get(), Variant::I4(3), Variant::I4(9));
  ASSERT_EQ(p->put_ID(B("P1").Get()), S_OK);
  EXPECT_TRUE(Field(p.Get(), Variant::I4(3)).IsEmpty());

  ASSERT_EQ(p->put_PacketLibrary(nullptr), S_OK);
  EXPECT_EQ(ID(p.Get()), "");
  EXPECT_EQ(Long(p.Get(), &IQAVZLVPacket::get_FieldsCount), -1);
  EXPECT_EQ(FrameID(p.Get()), "(none)");
}

// ---------------------------------------------------------------------------
// Field values and the data string

TEST_F(PacketTest, FieldLookupsThatFindNoFieldReadEmptyAndIgnorePuts) {
  auto p = Packet(6, "P");
  const Variant misses[] = {Variant::I4(0), Variant::I4(4), Variant::I4(-1), Text("name"), Text("Nope"),
                            Variant(), Variant::Null(), Text("1")};
  for (const auto& index : misses) {
    SetField(p.Get(), index, Text("x"));
    EXPECT_TRUE(Field(p.Get(), index).IsEmpty());
  }
  EXPECT_EQ(Data(p.Get()), Data(Packet(6, "P").Get()));  // no put reached a field
  // A number as text is a name, a number of another type a number.
  SetField(p.Get(), Variant::R8(1.0), Text("ABC"));
  EXPECT_EQ(AsText(Field(p.Get(), Text("Name"))), "ABC");
  // A field number passed by reference, as a script engine passes it.
  Variant two = Variant::I4(2);
  Variant byRef;
  byRef.vt = VT_VARIANT | VT_BYREF;
  byRef.pvarVal = &two;
  SetField(p.Get(), byRef, Money(125000));
  EXPECT_EQ(Field(p.Get(), Text("Price")).vt, VT_CY);
}

TEST_F(PacketTest, DataStringIsRebuiltFromValuesAndParsedIntoThem) {
  auto p = Packet(6, "P");
  SetField(p.Get(), Variant::I4(1), Text("ABC"));
  SetField(p.Get(), Text("Price"), Money(125000));
  SetField(p.Get(), Variant::I4(3), Variant::I4(7));
  EXPECT_EQ(Long(p.Get(), &IQAVZLVPacket::get_Length), 15);
  EXPECT_EQ(Data(p.Get()), "ABC   1250  007");
  EXPECT_EQ(Data(p.Get()), "ABC   1250  007");

  SetData(p.Get(), "XYZ   0099  012");
  EXPECT_EQ(AsText(Field(p.Get(), Variant::I4(1))), "XYZ   ");
  Variant price = Field(p.Get(), Variant::I4(2));
  ASSERT_EQ(price.vt, VT_CY);
  EXPECT_EQ(price.cyVal.int64, 9900);
  Variant qty = Field(p.Get(), Variant::I4(3)).As(VT_I4);
  EXPECT_EQ(qty.lVal, 12);
  // Rebuilt, not echoed: the price loses its leading zeros.
  EXPECT_EQ(Data(p.Get()), "XYZ   99    012");
}

TEST_F(PacketTest, NationalLettersAreCodePage852InTheDataString) {
  auto p = Packet(6, "P");
  // ą ę Ł in Windows-1250: B9 EA A3; in code page 852: A5 A9 9D.
  SetField(p.Get(), Variant::I4(1), Text("\xB9\xEA\xA3"));
  EXPECT_EQ(Data(p.Get()).substr(0, 6), "\xA5\xA9\x9D   ");
  SetData(p.Get(), "\xA5\xA9\x9Dx  0000  000");
  EXPECT_EQ(AsText(Field(p.Get(), Variant::I4(1))), "\xB9\xEA\xA3x  ");
  // A byte of the code-page-852 row that is not a letter there stays as it is.
  SetData(p.Get(), "\xB9     0000  000");
  EXPECT_EQ(AsText(Field(p.Get(), Variant::I4(1))), "\xB9     ");
}

TEST_F(PacketTest, LoadDefaultsFillsEveryFieldAndBuildsTheDataString) {
  auto p = Packet(6, "P");
  ASSERT_EQ(p->LoadDefaults(), S_OK);
  EXPECT_EQ(AsText(Field(p.Get(), Variant::I4(1))), "");
  EXPECT_EQ(Field(p.Get(), Variant::I4(3)).As(VT_I4).lVal, 1);
  EXPECT_EQ(Data(p.Get()), "      0     001");
  // Without field values (unbound, or a definition without fields) nothing
  // happens and the data string keeps its text.
  auto v = Packet(32, "V");
  SetData(v.Get(), "kept");
  ASSERT_EQ(v->LoadDefaults(), S_OK);
  EXPECT_EQ(Data(v.Get()), "kept");
}

// The fault: a value written after binding was lost on the next read, because
// the read parsed the data string left from before the binding over it.
TEST_F(PacketTest, ValueWrittenAfterBindingReadsBack) {
  auto fresh = Packet(6, "P");
  SetField(fresh.Get(), Variant::I4(1), Text("NEW"));
  EXPECT_EQ(AsText(Field(fresh.Get(), Variant::I4(1))), "NEW");

  auto p = Packet(6, "P");
  SetData(p.Get(), "OLD   0100  005");
  ASSERT_EQ(p->put_ID(B("P").Get()), S_OK);  // rebinding keeps that data string
  SetField(p.Get(), Variant::I4(1), Text("NEW"));
  EXPECT_EQ(AsText(Field(p.Get(), Variant::I4(1))), "NEW");
  EXPECT_TRUE(Field(p.Get(), Variant::I4(2)).IsEmpty());  // not the stale 1.00
  // The data string is still rebuilt from the values on every read.
  EXPECT_EQ(Data(p.Get()).substr(0, 6), "NEW   ");
  SetField(p.Get(), Variant::I4(3), Variant::I4(42));
  EXPECT_EQ(Data(p.Get()).substr(12), "042");
  EXPECT_EQ(AsText(Field(p.Get(), Variant::I4(1))), "NEW");
}

// ---------------------------------------------------------------------------
// Delimited text form

class DelimitedTest : public PacketTest {
 protected:
  void SetUp() override {
    pair_ = Packet(6, "P1");
    SetField(pair_.Get(), Variant::I4(1), Text("A;B"));
    SetField(pair_.Get(), Variant::I4(2), Text("Nt"));
    SetField(pair_.Get(), Variant::I4(3), Money(15000));
  }
  ComPtr<IQAVZLVPacket> pair_;
};

TEST_F(DelimitedTest, WritesEveryOptionBit) {
  struct Case {
    LONG options;
    const char* delimiter;
    const char* brackets;
    const char* expected;
  } cases[] = {
      {qzlvdsoFieldsOnly, ";", "[]", ";[A;B];[Nt];1.5;"},
      {qzlvdsoPacketType, ";", "[]", "D;;[A;B];[Nt];1.5;"},
      {qzlvdsoPacketID, ";", "[]", "P;[A;B];[Nt];1.5;"},  // the identifier fitted to its one-character slot
      {qzlvdsoPacketSubID, ";", "[]", "1;[A;B];[Nt];1.5;"},
      {qzlvdsoPacketID | qzlvdsoPacketSubID, ";", "[]", "P1;[A;B];[Nt];1.5;"},
      {qzlvdsoNoConversion, ";", "[]", ";[A;B];[Nt];150;"},  // trimmed wire text
      {qzlvdsoSmartBrackets, ";", "[]", ";[A;B];Nt;1.5;"},   // brackets only around a delimiter
      {qzlvdsoDefault, ";", "[]", "P1;[A;B];Nt;150;"},
      {qzlvdsoDefault | qzlvdsoPacketType, ";", "[]", "D;P1;[A;B];Nt;150;"},
      {qzlvdsoDefault, "|", "[]", "P1|A;B|Nt|150|"},
      {qzlvdsoFieldsOnly, ";", "<>", ";<A;B>;<Nt>;1.5;"},
      {qzlvdsoFieldsOnly, ";", "<", ";[A;B];[Nt];1.5;"},  // not a pair: the default brackets
      {qzlvdsoFieldsOnly, ";", "<>!", ";[A;B];[Nt];1.5;"},
      {qzlvdsoPacketID, "", "[]", "P[A;B][Nt]1.5"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.options);
    EXPECT_EQ(Delimited(pair_.Get(), c.options, c.delimiter, c.brackets), c.expected);
  }
}

TEST_F(DelimitedTest, TypeLetterFollowsThePacketType) {
  struct Case {
    LONG type;
    const char* id;
    const char* prefix;
  } cases[] = {{6, "P", "D;"}, {1, "I", "S;"}, {8, "E", "E;"}, {8, "Q", "E;"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.id);
    EXPECT_EQ(Delimited(Packet(c.type, c.id).Get(), qzlvdsoPacketType).substr(0, 2), c.prefix);
  }
}

TEST_F(DelimitedTest, UnboundPacketAndDefinitionWithoutFieldsGiveEmptyText) {
  EXPECT_EQ(Delimited(Create<IQAVZLVPacket>(CLSID_QAVZLVPacket).Get(), qzlvdsoDefault | qzlvdsoPacketType), "");
  EXPECT_EQ(Delimited(Packet(32, "V").Get(), qzlvdsoPacketType), "");
}

TEST_F(DelimitedTest, NationalLettersAreConvertedUnlessNoConversion) {
  SetField(pair_.Get(), Variant::I4(1), Text("\xB9"));
  EXPECT_EQ(Delimited(pair_.Get(), qzlvdsoSmartBrackets), ";\xA5;Nt;1.5;");
  EXPECT_EQ(Delimited(pair_.Get(), qzlvdsoSmartBrackets | qzlvdsoNoConversion), ";\xB9;Nt;150;");
}

TEST_F(DelimitedTest, ReadsTypeIdentifierAndFields) {
  struct Case {
    const char* text;
    LONG options;
    const char* id;
    LONG type;
    const char* fields[3];
    const char* data;
  } cases[] = {
      {"D;P1;x;y;2.5;", qzlvdsoPacketType | qzlvdsoPacketID, "P1", 6, {"x", "y", "2.5"}, "x    y   250   "},
      {"P;1;u;v;3;", qzlvdsoPacketID | qzlvdsoPacketSubID, "P1", 6, {"u", "v", "3"}, "u    v   300   "},
      {"P;;x;1;1;", qzlvdsoDefault, "P", 6, {"x", "1", "1"}, "x     100   001"},  // empty sub-identifier
      {"[AB];C;1;", qzlvdsoFieldsOnly, "P1", 6, {"[AB]", "C", "1"}, "[AB] C   100   "},
      {"Q;x;y;", qzlvdsoPacketType, "P1", 6, {"Q", "x", "y"}, nullptr},  // no type: the token is a field
      {"a;b;", qzlvdsoNoConversion, "P1", 6, {"a", "b", ""}, nullptr},    // tokens past the end are empty
      {"\xB9;;;", qzlvdsoFieldsOnly, "P1", 6, {"\xB9", "", ""}, nullptr},  // stored as given
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    auto p = Packet(6, "P1");
    EXPECT_EQ(FromDelimited(p.Get(), c.text, c.options), qzlvpeOK);
    EXPECT_EQ(ID(p.Get()), c.id);
    EXPECT_EQ(Long(p.Get(), &IQAVZLVPacket::get_PacketType), c.type);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(AsText(Field(p.Get(), Variant::I4(i + 1))), c.fields[i]) << i;
    if (c.data) {
      EXPECT_EQ(Data(p.Get()), c.data);
    }
  }
}

TEST_F(DelimitedTest, UnknownIdentifierEndsWithInvalidPacket) {
  EXPECT_EQ(FromDelimited(pair_.Get(), "ZZ;x;y;1;", qzlvdsoPacketID), qzlvpeInvalidPacket);
  EXPECT_EQ(ID(pair_.Get()), "");
  EXPECT_EQ(Long(pair_.Get(), &IQAVZLVPacket::get_FieldsCount), -1);
}

TEST_F(DelimitedTest, KeepsWalkingTheFrameItStartedWith) {
  // N travels in a frame without a data item. The identifier binds the packet to
  // P, whose frame has one; the walk stays on N's items and stores no field.
  auto p = Packet(2, "N");
  EXPECT_EQ(FromDelimited(p.Get(), "P;x;2;3;", qzlvdsoPacketID), qzlvpeOK);
  EXPECT_EQ(ID(p.Get()), "P");
  EXPECT_TRUE(Field(p.Get(), Variant::I4(1)).IsEmpty());
}

TEST_F(DelimitedTest, PacketWithoutFrameFailsBothWaysCleanly) {
  auto unbound = Create<IQAVZLVPacket>(CLSID_QAVZLVPacket);
  LONG code = -1;
  EXPECT_TRUE(FAILED(unbound->SetFromDelimitedString(B("a;b;").Get(), B(";").Get(), B("").Get(), B("").Get(),
                                                     qzlvdsoFieldsOnly, &code)));
  EXPECT_NE(TakeErrorDescription(), u"");

  auto noFrame = Packet(16, "Z");  // bound, but no frame serves type 16
  EXPECT_TRUE(FAILED(noFrame->SetFromDelimitedString(B("a;").Get(), B(";").Get(), B("").Get(), B("").Get(),
                                                     qzlvdsoFieldsOnly, &code)));
  EXPECT_NE(TakeErrorDescription(), u"");
  Bstr text;
  EXPECT_TRUE(FAILED(noFrame->GetDelimitedString(B(";").Get(), B("").Get(), B("").Get(), 0, text.Out())));
  EXPECT_NE(TakeErrorDescription(), u"");
}

}  // namespace
}  // namespace zelvani
