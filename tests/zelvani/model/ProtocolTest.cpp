// The protocol object: the exact wire strings of packing with every frame item
// kind and both checksums, every result code of unpacking, received strings that
// do not fit their frame, and the members that go to the packet library.
#include <gtest/gtest.h>

#include "zelvani/model/EditorHook.h"
#include "zelvani/model/QAVZLVFrame.h"
#include "zelvani/model/QAVZLVPacket.h"
#include "zelvani/model/QAVZLVProtocol.h"

namespace zelvani {
namespace {

Bstr B(std::string_view ansi) { return Bstr::Attach(AnsiToBstr(ansi)); }
Variant Text(std::string_view ansi) { return Variant::Ansi(ansi); }

// A packet object of another implementation: forwards every member to a packet
// of this module, so the protocol must reach it through the interface alone.
class ForeignPacket final : public ZelvaniObject<IQAVZLVPacket> {
 public:
  explicit ForeignPacket(IQAVZLVPacket* inner) : in_(inner) {}
  HRESULT get_ID(BSTR* r) override { return in_->get_ID(r); }
  HRESULT put_ID(BSTR v) override { return in_->put_ID(v); }
  HRESULT get_Name(BSTR* r) override { return in_->get_Name(r); }
  HRESULT put_Name(BSTR v) override { return in_->put_Name(v); }
  HRESULT get_PacketType(LONG* r) override { return in_->get_PacketType(r); }
  HRESULT put_PacketType(LONG v) override { return in_->put_PacketType(v); }
  HRESULT get_PacketStruct(IQAVZLVFrame** r) override { return in_->get_PacketStruct(r); }
  HRESULT get_PacketDef(IQAVZLVPacketDef** r) override { return in_->get_PacketDef(r); }
  HRESULT get_DefinitionIndex(LONG* r) override { return in_->get_DefinitionIndex(r); }
  HRESULT get_FieldsCount(LONG* r) override { return in_->get_FieldsCount(r); }
  HRESULT get_FieldValues(VARIANT i, VARIANT* r) override { return in_->get_FieldValues(i, r); }
  HRESULT put_FieldValues(VARIANT i, VARIANT v) override { return in_->put_FieldValues(i, v); }
  HRESULT get_DataString(BSTR* r) override { return in_->get_DataString(r); }
  HRESULT put_DataString(BSTR v) override { return in_->put_DataString(v); }
  HRESULT get_PacketLibrary(IQAVZLVPacketLibrary** r) override { return in_->get_PacketLibrary(r); }
  HRESULT put_PacketLibrary(IQAVZLVPacketLibrary* v) override { return in_->put_PacketLibrary(v); }
  HRESULT get_Length(LONG* r) override { return in_->get_Length(r); }
  HRESULT get_IsLast(VARIANT_BOOL* r) override { return in_->get_IsLast(r); }
  HRESULT put_IsLast(VARIANT_BOOL v) override { return in_->put_IsLast(v); }
  HRESULT LoadDefaults() override { return in_->LoadDefaults(); }
  HRESULT GetDelimitedString(BSTR d, BSTR b, BSTR n, LONG o, BSTR* r) override {
    return in_->GetDelimitedString(d, b, n, o, r);
  }
  HRESULT SetFromDelimitedString(BSTR s, BSTR d, BSTR b, BSTR n, LONG o, LONG* r) override {
    return in_->SetFromDelimitedString(s, d, b, n, o, r);
  }

 private:
  ComPtr<IQAVZLVPacket> in_;
};

class ProtocolTest : public ::testing::Test {
 protected:
  void SetUp() override {
    protocol_ = Create<IQAVZLVProtocol>(CLSID_QAVZLVProtocol);
    ASSERT_EQ(protocol_->get_PacketLibrary(library_.Out()), S_OK);
    VARIANT_BOOL ok = VARIANT_FALSE;
    ASSERT_EQ(library_->LoadFromFile(B(TEST_DATA_DIR "/protocol_test.pkd").Get(), &ok), S_OK);
    ASSERT_EQ(ok, VARIANT_TRUE);
  }

  ComPtr<IQAVZLVPacket> Packet(LONG type, std::string_view id) {
    auto packet = com::MakeObject<TQAVZLVPacket>();
    packet->BindOnce(library_.Get(), type, std::string(id), "");
    return ComPtr<IQAVZLVPacket>(packet.Get());
  }
  // The packet P with the name ABC, the price 12.50 and the quantity 7.
  ComPtr<IQAVZLVPacket> Plu() {
    auto p = Packet(6, "P");
    p->put_FieldValues(Variant::I4(1), Text("ABC"));
    p->put_FieldValues(Variant::I4(2), Variant::Cy(CY{125000}));
    p->put_FieldValues(Variant::I4(3), Variant::I4(7));
    return p;
  }
  // The start packet I with kind 1 and the range AB.
  ComPtr<IQAVZLVPacket> Ident() {
    auto p = Packet(1, "I");
    p->put_FieldValues(Variant::I4(1), Variant::I4(1));
    p->put_FieldValues(Variant::I4(2), Text("AB"));
    return p;
  }

  // Item `index` of the first frame of that packet type.
  ComPtr<IQAVZLVFrameItem> FrameItem(LONG type, LONG index) {
    ComPtr<IQAVZLVFrames> frames;
    library_->get_PacketStructs(frames.Out());
    ComPtr<IQAVZLVFrame> frame;
    frames->FindByPacketType(type, frame.Out());
    ComPtr<IQAVZLVFrameItems> items;
    frame->get_PacketStructItems(items.Out());
    ComPtr<IQAVZLVFrameItem> item;
    items->get_Items(index, item.Out());
    return item;
  }
  void SetCounter(std::int64_t value) {
    auto* counter = dynamic_cast<TQAVZLVFrameItem*>(FrameItem(qzlvptStart, 1).Get());
    ASSERT_NE(counter, nullptr);
    counter->SetCounter(value);
  }

  LONG Pack(IQAVZLVPacket* packet, std::string& wire) {
    Bstr s;
    LONG code = -1;
    EXPECT_EQ(protocol_->PackPacket(packet, s.Out(), &code), S_OK);
    wire = BstrToAnsi(s.Get());
    return code;
  }
  std::string Packed(IQAVZLVPacket* packet) {
    std::string wire;
    EXPECT_EQ(Pack(packet, wire), qzlvpeOK);
    return wire;
  }
  LONG Unpack(std::string_view wire, IQAVZLVPacket* packet) {
    LONG code = -1;
    EXPECT_EQ(protocol_->UnpackPacket(B(wire).Get(), packet, &code), S_OK);
    return code;
  }
  static std::string Str(IQAVZLVPacket* p, HRESULT (IQAVZLVPacket::*getter)(BSTR*)) {
    Bstr s;
    EXPECT_EQ((p->*getter)(s.Out()), S_OK);
    return BstrToAnsi(s.Get());
  }
  static std::string FieldText(IQAVZLVPacket* p, LONG n) {
    Variant v;
    EXPECT_EQ(p->get_FieldValues(Variant::I4(n), &v), S_OK);
    Variant text;
    return v.TryAs(VT_BSTR, text) == S_OK ? BstrToAnsi(text.bstrVal) : "<no text>";
  }

  ComPtr<IQAVZLVProtocol> protocol_;
  ComPtr<IQAVZLVPacketLibrary> library_;
};

const std::string kPluWire = "\x02PABC   1250  007\x03" "2FD7";
const std::string kIdentWire = "\x01" "05" " 0" "I " "1AB  " "\x17" "53";

// ---------------------------------------------------------------------------
// Packing

TEST_F(ProtocolTest, PacksEveryItemKindToTheExactWireString) {
  SetCounter(4);
  auto lastOff = Ident();
  lastOff->put_IsLast(VARIANT_FALSE);
  auto errorOff = Packet(8, "E");
  errorOff->put_FieldValues(Variant::I4(1), Variant::I4(5));
  errorOff->put_IsLast(VARIANT_FALSE);
  auto error = Packet(8, "E");
  error->put_FieldValues(Variant::I4(1), Variant::I4(5));
  auto pair = Packet(6, "P1");
  pair->put_FieldValues(Variant::I4(1), Text("A;B"));
  pair->put_FieldValues(Variant::I4(2), Text("Note"));
  pair->put_FieldValues(Variant::I4(3), Variant::Cy(CY{15000}));

  struct Case {
    const char* what;
    ComPtr<IQAVZLVPacket> packet;
    std::string wire;
  } cases[] = {
      // constant, raw packet identifier, data, flagged constant, ECR checksum
      {"write-and-read", Plu(), kPluWire},
      // counter, receiver identifier, formatted identifier, TRX810 checksum; the
      // first of two constant values while IsLast is True
      {"start", Ident(), kIdentWire},
      {"start, not last", lastOff, "\x01" "06" " 0" "I " "1AB  " "\x03" "34"},
      // a write identifier goes out raw even when longer than its slot
      {"identifier longer than its slot", pair, "\x02P1A;B  Note150   \x03" "5D1C"},
      {"no data item", Packet(2, "N"), "\x02N\x03" "0048"},
      // no checksum item; the two values of the end mark
      {"error", error, "\x02" "E05\x04"},
      {"error, not last", errorOff, "\x02" "E05\x03"},
  };
  for (auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(Packed(c.packet.Get()), c.wire);
  }
}

TEST_F(ProtocolTest, CounterAdvancesOncePerPackedPacketAndWraps) {
  SetCounter(98);
  auto packet = Ident();
  EXPECT_EQ(Packed(packet.Get()).substr(1, 2), "99");
  EXPECT_EQ(Packed(packet.Get()).substr(1, 2), "00");
  EXPECT_EQ(Packed(packet.Get()).substr(1, 2), "01");
}

TEST_F(ProtocolTest, ReceiverSlotCarriesTheProtocolsIdentifier) {
  SetCounter(4);
  ASSERT_EQ(protocol_->put_ID(B("7").Get()), S_OK);
  EXPECT_EQ(Packed(Ident().Get()).substr(3, 2), " 7");
}

TEST_F(ProtocolTest, NationalLettersGoOnTheWireInCodePage852) {
  auto p = Plu();
  p->put_FieldValues(Variant::I4(1), Text("\xB9\xEA"));  // ą ę in Windows-1250
  const std::string wire = "\x02P\xA5\xA9    1250  007\x03" "2EAB";
  EXPECT_EQ(Packed(p.Get()), wire);

  auto received = Packet(6, "P");
  EXPECT_EQ(Unpack(wire, received.Get()), qzlvpeOK);
  EXPECT_EQ(FieldText(received.Get(), 1), "\xB9\xEA    ");
}

TEST_F(ProtocolTest, PackingWithoutAWireStringReportsTheCause) {
  std::string wire = "x";
  EXPECT_EQ(Pack(Packet(16, "Z").Get(), wire), qzlvpeUnknownPacketStructure);  // no frame serves type 16
  EXPECT_EQ(wire, "");
  EXPECT_EQ(Pack(Create<IQAVZLVPacket>(CLSID_QAVZLVPacket).Get(), wire), qzlvpeUnknownPacketStructure);
  EXPECT_EQ(Pack(Packet(32, "V").Get(), wire), qzlvpeUnknownPacket);  // every slot empty
  EXPECT_EQ(wire, "");
}

TEST_F(ProtocolTest, ItemOfNoKnownKindAddsNothing) {
  ComPtr<IQAVZLVFrames> frames;
  library_->get_PacketStructs(frames.Out());
  ComPtr<IQAVZLVFrame> frame;
  frames->FindByPacketType(qzlvptError, frame.Out());
  ComPtr<IQAVZLVFrameItems> items;
  frame->get_PacketStructItems(items.Out());
  auto odd = Create<IQAVZLVFrameItem>(CLSID_QAVZLVFrameItem);
  odd->put_ItemType(9);
  odd->put_Size(3);
  odd->put_Flags(qzlvpsfUseToCRCCalculation | qzlvpsfLeftJustify);
  LONG pos = 0;
  items->Add(odd.Get(), &pos);
  auto error = Packet(8, "E");
  error->put_FieldValues(Variant::I4(1), Variant::I4(5));
  EXPECT_EQ(Packed(error.Get()), "\x02" "E05\x04");
}

TEST_F(ProtocolTest, ConstantWithoutValuesFailsThePack) {
  ComPtr<IQAVZLVValues> values;
  FrameItem(qzlvptError, 0)->get_Values(values.Out());
  values->Clear();
  Bstr wire;
  LONG code = -1;
  EXPECT_TRUE(FAILED(protocol_->PackPacket(Packet(8, "E").Get(), wire.Out(), &code)));
  EXPECT_NE(TakeErrorDescription(), u"");
}

// ---------------------------------------------------------------------------
// Unpacking

TEST_F(ProtocolTest, UnpacksIntoTheBoundPacket) {
  auto p = Packet(6, "P");
  ASSERT_EQ(Unpack(kPluWire, p.Get()), qzlvpeOK);
  EXPECT_EQ(FieldText(p.Get(), 1), "ABC   ");
  EXPECT_EQ(FieldText(p.Get(), 2), "12.5");
  EXPECT_EQ(FieldText(p.Get(), 3), "7");
  // The data item keeps the place and width of the data area it was given.
  LONG offset = 0, size = 0;
  FrameItem(6, 2)->get_Offset(&offset);
  FrameItem(6, 2)->get_Size(&size);
  EXPECT_EQ(offset, 3);
  EXPECT_EQ(size, 15);
}

TEST_F(ProtocolTest, UnpackReportsEveryResultCode) {
  auto replaced = [](std::string s, std::size_t at, char c) { return s.replace(at, 1, 1, c); };
  struct Case {
    const char* what;
    LONG type;
    const char* id;
    std::string wire;
    LONG code;
  } cases[] = {
      {"fits", 6, "P", kPluWire, qzlvpeOK},
      {"one character too many", 6, "P", kPluWire + "x", qzlvpeUnknownPacket},
      {"one character short", 6, "P", kPluWire.substr(0, kPluWire.size() - 1), qzlvpeUnknownPacket},
      {"shorter than the frame around the data", 6, "P", "\x02P", qzlvpeUnknownPacket},
      {"empty", 6, "P", "", qzlvpeUnknownPacket},
      {"wrong start mark", 6, "P", replaced(kPluWire, 0, 'X'), qzlvpeInvalidPacket},
      {"wrong end mark", 6, "P", replaced(kPluWire, 17, 'X'), qzlvpeInvalidPacket},
      {"wrong identifier", 6, "P", replaced(kPluWire, 1, 'Q'), qzlvpeInvalidPacket},
      {"wrong checksum", 6, "P", replaced(kPluWire, 21, '8'), qzlvpeBadChecksum},
      {"data changed under the checksum", 6, "P", replaced(kPluWire, 2, 'Z'), qzlvpeBadChecksum},
      {"definition names a missing frame", 6, "M", kPluWire, qzlvpeUnknownPacketStructure},
      // "?" in the definition's identifier takes any character
      {"wildcard", 4, "R", "\x02R70042\x03" "38", qzlvpeOK},
      {"wildcard, other character", 4, "R", "\x02RX0042\x03" "71", qzlvpeOK},
      {"wildcard, fixed character differs", 4, "R", "\x02Q70042\x03" "38", qzlvpeInvalidPacket},
      // the first value of an end-of-data item, after every other check
      {"end of data", 4, "R", "\x02R70042\x04" "39", qzlvpeEndOfData},
      {"end of data, bad checksum", 4, "R", "\x02R70042\x04" "38", qzlvpeBadChecksum},
      {"end mark, second value", 8, "E", "\x02" "E00\x03", qzlvpeOK},
      {"end mark, first value", 8, "E", "\x02" "E00\x04", qzlvpeEndOfData},
      {"end mark, neither value", 8, "E", "\x02" "E00\x05", qzlvpeInvalidPacket},
      {"no checksum item: never a bad checksum", 8, "E", "\x02" "E99\x03", qzlvpeOK},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(Unpack(c.wire, Packet(c.type, c.id).Get()), c.code);
  }
}

TEST_F(ProtocolTest, UnpackNeedsATypeAndAnIdentifier) {
  // Bound to nothing: type 0 and no identifier.
  EXPECT_EQ(Unpack(kPluWire, Create<IQAVZLVPacket>(CLSID_QAVZLVPacket).Get()), qzlvpeUnknownPacket);
  // A type but no identifier (nothing binds without a library).
  auto typed = Create<IQAVZLVPacket>(CLSID_QAVZLVPacket);
  typed->put_PacketType(qzlvptRead);
  EXPECT_EQ(Unpack(kPluWire, typed.Get()), qzlvpeUnknownPacket);
}

TEST_F(ProtocolTest, StartPacketTakesTheReceivedIdentifier) {
  struct Case {
    std::string wire;
    const char* id;
    const char* name;
  } cases[] = {
      {kIdentWire, "I", "Ident"},
      {"\x01" "05" " 0" "J " "1AB  " "\x17" "54", "J", "Journal"},
      // no start definition P: the default start definition carries P
      {"\x01" "05" " 0" "P " "1AB  " "\x17" "60", "P", "_default"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.id);
    auto p = Packet(1, "I");
    EXPECT_EQ(Unpack(c.wire, p.Get()), qzlvpeOK);
    EXPECT_EQ(Str(p.Get(), &IQAVZLVPacket::get_ID), c.id);
    EXPECT_EQ(Str(p.Get(), &IQAVZLVPacket::get_Name), c.name);
    EXPECT_EQ(FieldText(p.Get(), 2), "AB  ");
  }
}

TEST_F(ProtocolTest, PackAndUnpackReachAPacketOfAnotherImplementation) {
  SetCounter(4);
  auto foreign = com::MakeObject<ForeignPacket>(Ident().Get());
  EXPECT_EQ(Packed(foreign.Get()), kIdentWire);
  auto into = com::MakeObject<ForeignPacket>(Packet(1, "I").Get());
  EXPECT_EQ(Unpack("\x01" "05" " 0" "J " "1AB  " "\x17" "54", into.Get()), qzlvpeOK);
  EXPECT_EQ(Str(into.Get(), &IQAVZLVPacket::get_ID), "J");
}

// Received strings that do not fit their frame give result codes: no slot is
// read outside the string.
TEST_F(ProtocolTest, StringsShorterThanTheirFrameGiveResultCodes) {
  struct Case {
    std::string wire;
    LONG code;
  } cases[] = {
      {"", qzlvpeInvalidPacket},
      {"\x02", qzlvpeInvalidPacket},        // identifier slot past the end
      {"\x02N", qzlvpeInvalidPacket},       // end mark past the end
      {"\x02N\x03", qzlvpeBadChecksum},     // checksum past the end
      {"\x02N\x03" "00", qzlvpeBadChecksum},
      {"\x02N\x03" "0048", qzlvpeOK},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.wire.size());
    EXPECT_EQ(Unpack(c.wire, Packet(2, "N").Get()), c.code);
  }
}

TEST_F(ProtocolTest, NegativeSlotSizesGiveResultCodes) {
  // The end mark declared with a negative size: the data area looks longer than
  // head and tail say, and the end mark's slot and text are both empty.
  FrameItem(6, 3)->put_Size(-3);
  const std::string wire = "\x02P" + std::string(15, ' ') + "\x03";
  EXPECT_EQ(Unpack(wire, Packet(6, "P").Get()), qzlvpeBadChecksum);  // the checksum slot lies past the end
  EXPECT_EQ(Unpack(kPluWire, Packet(6, "P").Get()), qzlvpeUnknownPacket);
  // With a tail of -7 a string of 10 characters has a data area of 15 that runs
  // past its end: only the characters there are taken.
  FrameItem(6, 4)->put_Size(-4);
  auto p = Packet(6, "P");
  EXPECT_EQ(Unpack("\x02PABCDEFGH", p.Get()), qzlvpeOK);
  EXPECT_EQ(FieldText(p.Get(), 1), "ABCDEF");
  // A start packet whose identifier slot lies past the end of the string: the
  // counter's negative size makes the head -5, so three characters pass the
  // length check.
  FrameItem(qzlvptStart, 1)->put_Size(-10);
  EXPECT_EQ(Unpack("\x01" "ab", Packet(1, "I").Get()), qzlvpeInvalidPacket);
}

// ---------------------------------------------------------------------------
// Library members

TEST_F(ProtocolTest, CreatePacketGoesToTheLibrary) {
  ComPtr<IQAVZLVPacket> packet;
  ASSERT_EQ(protocol_->CreatePacket(B("P").Get(), Variant(), 6, packet.Out()), S_OK);
  ASSERT_TRUE(packet);
  EXPECT_EQ(Str(packet.Get(), &IQAVZLVPacket::get_DataString), "      0     001");  // defaults loaded
  ASSERT_EQ(protocol_->CreatePacket(B("").Get(), Text("Ident"), 1, packet.Out()), S_OK);
  ASSERT_TRUE(packet);
  EXPECT_EQ(Str(packet.Get(), &IQAVZLVPacket::get_ID), "I");
  ASSERT_EQ(protocol_->CreatePacket(B("Q").Get(), Variant(), 2, packet.Out()), S_OK);
  EXPECT_FALSE(packet);
}

TEST_F(ProtocolTest, EditOpensTheLibrarysEditor) {
  IDispatch* edited = nullptr;
  InstallEditor(EditorKind::PacketLibrary, [&](IDispatch* target) {
    edited = target;
    return true;
  });
  VARIANT_BOOL ok = VARIANT_FALSE;
  EXPECT_EQ(protocol_->Edit(&ok), S_OK);
  EXPECT_EQ(ok, VARIANT_TRUE);
  EXPECT_EQ(QueryAs<IQAVZLVPacketLibrary>(edited).Get(), library_.Get());
  InstallEditor(EditorKind::PacketLibrary, nullptr);
}

TEST_F(ProtocolTest, WithoutALibraryOrPacketTheCallsFailCleanly) {
  Bstr wire;
  LONG code = -1;
  EXPECT_TRUE(FAILED(protocol_->PackPacket(nullptr, wire.Out(), &code)));
  EXPECT_NE(TakeErrorDescription(), u"");
  EXPECT_TRUE(FAILED(protocol_->UnpackPacket(B("x").Get(), nullptr, &code)));
  EXPECT_NE(TakeErrorDescription(), u"");

  ASSERT_EQ(protocol_->put_PacketLibrary(nullptr), S_OK);
  ComPtr<IQAVZLVPacketLibrary> none;
  ASSERT_EQ(protocol_->get_PacketLibrary(none.Out()), S_OK);
  EXPECT_FALSE(none);

  auto p = Plu();
  EXPECT_TRUE(FAILED(protocol_->PackPacket(p.Get(), wire.Out(), &code)));
  EXPECT_NE(TakeErrorDescription(), u"");
  EXPECT_TRUE(FAILED(protocol_->UnpackPacket(B(kPluWire).Get(), p.Get(), &code)));
  EXPECT_NE(TakeErrorDescription(), u"");

  ComPtr<IQAVZLVPacket> created;
  EXPECT_EQ(protocol_->CreatePacket(B("P").Get(), Variant(), 6, created.Out()), S_OK);
  EXPECT_FALSE(created);
  VARIANT_BOOL edited = VARIANT_TRUE;
  EXPECT_EQ(protocol_->Edit(&edited), S_OK);
  EXPECT_EQ(edited, VARIANT_FALSE);

  // Another library put in its place is used from then on.
  ASSERT_EQ(protocol_->put_PacketLibrary(library_.Get()), S_OK);
  EXPECT_EQ(Packed(p.Get()), kPluWire);
}

}  // namespace
}  // namespace zelvani
