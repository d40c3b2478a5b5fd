// The control's engine end to end: its IQAVECR members driving a Zelvani serial
// device over a pseudo-terminal to the simulated register, which speaks the
// default packet library from the system directory. Connecting with the line
// settings built from the options, the start packet of every data type and
// read mode byte for byte, writes accepted and refused with the register's own
// code and text, reads to the end of data, and a register that answers
// garbage or nothing.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <optional>

#include "corvatin/control/CorvatinServer.h"
#include "corvatin/control/PacketIdentifiers.h"
#include "corvatin/control/QAVECRObj.h"
#include "platform/com/ansi.h"
#include "platform/comm/comm.h"
#include "tests/corvatin/control/ControlTestSupport.h"
#include "tests/corvatin/control/ECRSimulator.h"
#include "zelvani/devices/QAVZLVComDevice.h"

namespace corvatin {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using Record = ECRSimulator::Record;

constexpr const char* kPort = "COM7";

// A UTF-8 text as the register holds it in a field of `size` characters:
// Windows-1250, padded with blanks.
std::string Field(std::string_view utf8, std::size_t size) {
  std::string s = Utf8ToAnsi(utf8);
  s.resize(size, ' ');
  return s;
}
// The same as the host gets it back (UTF-8 here).
std::string Padded(std::string_view utf8, std::size_t size) { return AnsiToUtf8(Field(utf8, size)); }

class EngineE2ETest : public ::testing::Test {
 protected:
  void SetUp() override {
    sim_.emplace(kPort);
    engine_ = std::make_unique<TQAVECRObj>();
    ASSERT_NO_FATAL_FAILURE(UseRegister(e(), kPort));
  }
  void TearDown() override {
    sim_->Stop();
    engine_.reset();  // closes the port before the line goes
    sim_.reset();
  }

  IQAVECR* e() { return engine_.get(); }
  ECRSimulator& sim() { return *sim_; }
  void Serve() {
    sim().Serve();
    sim().Start();
  }

  // (The member runs before its result is looked at: callers keep the HRESULT
  // in a variable of its own.)
  bool Ok(HRESULT hr, VARIANT_BOOL result) {
    EXPECT_EQ(hr, S_OK);
    return result == VARIANT_TRUE;
  }
  bool Connect() {
    VARIANT_BOOL r = VARIANT_FALSE;
    const HRESULT hr = e()->Connect(&r);
    return Ok(hr, r);
  }
  bool Disconnect() {
    VARIANT_BOOL r = VARIANT_FALSE;
    const HRESULT hr = e()->Disconnect(&r);
    return Ok(hr, r);
  }
  bool BeginWrite(LONG dataType) {
    VARIANT_BOOL r = VARIANT_FALSE;
    const HRESULT hr = e()->BeginWrite(dataType, &r);
    return Ok(hr, r);
  }
  bool BeginRead(LONG dataType, const Variant& from = Variant(), const Variant& to = Variant(),
                 LONG rangeType = ecrrtNone, LONG readMode = ecrrmNotResetting) {
    VARIANT_BOOL r = VARIANT_FALSE;
    const HRESULT hr = e()->BeginRead(dataType, from, to, rangeType, readMode, &r);
    return Ok(hr, r);
  }
  bool WriteText(std::string_view utf8) {
    VARIANT_BOOL r = VARIANT_FALSE;
    Bstr text = Wide(utf8);
    const HRESULT hr = e()->WriteText(text.Get(), &r);
    return Ok(hr, r);
  }
  bool ReadText(std::string& utf8) {
    VARIANT_BOOL r = VARIANT_FALSE;
    Bstr text;
    const HRESULT hr = e()->ReadText(text.Out(), &r);
    const bool ok = Ok(hr, r);
    utf8 = Utf8(text.Get());
    return ok;
  }
  bool Eof() {
    VARIANT_BOOL eof = VARIANT_FALSE;
    EXPECT_EQ(e()->get_EOF(&eof), S_OK);
    return eof == VARIANT_TRUE;
  }
  LONG Code() {
    LONG code = -1;
    EXPECT_EQ(e()->get_LastErrorCode(&code), S_OK);
    return code;
  }
  std::string Message() {
    Bstr m;
    EXPECT_EQ(e()->get_LastErrorMessage(m.Out()), S_OK);
    return Utf8(m.Get());
  }
  std::string NativeCode() {
    Bstr m;
    EXPECT_EQ(e()->get_LastNativeErrorCode(m.Out()), S_OK);
    return Utf8(m.Get());
  }
  std::string NativeMessage() {
    Bstr m;
    EXPECT_EQ(e()->get_LastNativeErrorMessage(m.Out()), S_OK);
    return Utf8(m.Get());
  }

  zelvani::ScopedTestRegistry registry_;
  ScopedSystemDirectory system_;
  std::optional<ECRSimulator> sim_;
  std::unique_ptr<TQAVECRObj> engine_;
};

TEST_F(EngineE2ETest, TheDefaultLibraryComesFromTheSystemDirectory) {
  Bstr file;
  ASSERT_EQ(e()->get_PacketLibraryFile(file.Out()), S_OK);
  EXPECT_EQ(fs::path(Utf8(file.Get())), fs::path(system_.path()) / "Quelm.pkd");
}

TEST_F(EngineE2ETest, ConnectSetsTheLineFromTheOptionsAndDisconnectClosesIt) {
  ComPtr<IQAVECRCommOptions> options;
  e()->get_CommOptions(options.Out());
  options->put_Speed(19200);
  options->put_DataBits(7);
  options->put_StopBits(2);
  options->put_Parity(ecrptEven);
  options->put_FlowControl(ecrfcXON_XOFF);
  options->put_MultiplexerChannel(3);
  sim().Expect(ecr::kEnq).Ack().Expect(ecr::kEot).Ack();
  sim().Start();

  ASSERT_TRUE(Connect()) << sim().Report();
  ASSERT_TRUE(engine_->Device());
  Bstr address;
  engine_->Device()->get_Address(address.Out());
  EXPECT_EQ(Utf8(address.Get()),
            "Speed=19200;DataBits=7;StopBits=2;Parity=E;FlowControl=X;Timeout=500;MUXName=;MUXChannel=3;"
            "MUXControlString=");
  auto* device = dynamic_cast<zelvani::TQAVZLVComDevice*>(engine_->Device());
  ASSERT_NE(device, nullptr) << "the engine's device is the serial device";
  DCB dcb{};
  ASSERT_TRUE(GetCommState(device->CommPort().Handle(), &dcb));
  EXPECT_EQ(dcb.BaudRate, CBR_19200);
  EXPECT_EQ(dcb.ByteSize, 7);
  EXPECT_EQ(dcb.StopBits, TWOSTOPBITS);
  EXPECT_EQ(dcb.Parity, EVENPARITY);
  EXPECT_EQ(DcbFlagWord(dcb) & 0x300u, 0x300u) << "XON/XOFF both ways";

  EXPECT_TRUE(Disconnect());
  ASSERT_TRUE(sim().WaitDone(5s)) << sim().Report();
  EXPECT_EQ(sim().Received(), ecr::kEnq + ecr::kEot);
}

TEST_F(EngineE2ETest, EveryDataTypeAndReadModeStartsWithItsStartPacket) {
  Serve();
  ASSERT_TRUE(Connect());
  const std::string blanks(18, ' ');
  std::string expected = ecr::kEnq;
  // Writing: transmission type 1 and blank ranges, for every data type.
  for (LONG dataType = 0; dataType <= 41; ++dataType) {
    ASSERT_TRUE(BeginWrite(dataType)) << dataType << ": " << Message();
    EXPECT_EQ(Code(), 0);
    expected += ECRSimulator::StartPacket(PacketIdOf(dataType, ecrrtNumbers), 1, blanks, blanks);
  }
  // Reading: the transmission type of the read mode, the ranges as the range
  // type makes them, then the switch to reading.
  struct Row {
    LONG dataType;
    Variant from, to;
    LONG rangeType, readMode;
    std::string wire;
  } rows[] = {
      {ecrdtPLU, Variant::I4(5), Variant::I4(123), ecrrtNumbers, ecrrmNotResetting,
       ECRSimulator::StartPacket("I", 0, std::string(17, '0') + "5", std::string(15, '0') + "123")},
      {ecrdtDailyReport, Variant(), Variant(), ecrrtNone, ecrrmResetting,
       ECRSimulator::StartPacket("W", 2, blanks, blanks)},
      {ecrdtCashier, Variant::Ansi("12"), Variant::Ansi("ANNA"), ecrrtCodes, ecrrmNotResetting,
       ECRSimulator::StartPacket("D", 0, std::string(16, ' ') + "12", std::string(14, ' ') + "ANNA")},
      // A range of dates selects the periodical report's second identifier.
      {ecrdtPeriodicalReport, Variant::Date(37755.0), Variant::Date(37772.5), ecrrtDates, ecrrmNotResetting,
       ECRSimulator::StartPacket("Y", 0, std::string(12, ' ') + "030514", std::string(12, ' ') + "030531")},
      {ecrdtPeriodicalReport, Variant::I4(1), Variant::I4(2), ecrrtNumbers, ecrrmResetting,
       ECRSimulator::StartPacket("Z", 2, std::string(17, '0') + "1", std::string(17, '0') + "2")},
      {ecrdtPeriodicalSummaryReportEx, Variant::Date(37755.0), Variant::Date(37755.0), ecrrtDates,
       ecrrmNotResetting, ECRSimulator::StartPacket("u", 0, std::string(12, ' ') + "030514",
                                                    std::string(12, ' ') + "030514")},
  };
  for (const Row& r : rows) {
    ASSERT_TRUE(BeginRead(r.dataType, r.from, r.to, r.rangeType, r.readMode)) << r.dataType << ": " << Message();
    EXPECT_EQ(Code(), 0);
    EXPECT_FALSE(Eof()) << "a started read is not at its end";
    expected += r.wire + ecr::kSwitchToRead;
  }
  EXPECT_EQ(sim().Received(), expected);
  EXPECT_EQ(sim().Sessions().size(), 42u + std::size(rows));
}

TEST_F(EngineE2ETest, AWriteSessionStoresTheRecordsItCarries) {
  Serve();
  ASSERT_TRUE(Connect());
  ASSERT_TRUE(BeginWrite(ecrdtHeader));
  ASSERT_TRUE(WriteText("Sklep „Żółw” Łódź")) << Message();
  EXPECT_EQ(Code(), 0);
  EXPECT_EQ(Message(), "Operacja zakończona poprawnie");
  ASSERT_TRUE(WriteText("ul. Długa 1"));
  // A text longer than its field is cut to the field; nothing else moves.
  const std::string longText = "Sklep spożywczy i przemysłowy „Pod Żabą” — zaprasza codziennie";
  ASSERT_TRUE(WriteText(longText));
  VARIANT_BOOL ended = VARIANT_FALSE;
  EXPECT_EQ(e()->EndWrite(&ended), S_OK);
  EXPECT_EQ(ended, VARIANT_TRUE);
  // The receipt number goes out as a record of its data type.
  ASSERT_TRUE(BeginWrite(ecrdtReceiptNumber));
  VARIANT_BOOL selected = VARIANT_FALSE;
  ASSERT_EQ(e()->SetCurrentReceipt(42, &selected), S_OK);
  EXPECT_EQ(selected, VARIANT_TRUE);
  ASSERT_EQ(e()->SetCurrentReceipt(2147483647, &selected), S_OK);
  EXPECT_EQ(selected, VARIANT_TRUE);
  // Eleven characters do not fit the ten of the field: refused, not cut.
  ASSERT_EQ(e()->SetCurrentReceipt(-1000000000, &selected), S_OK);
  EXPECT_EQ(selected, VARIANT_FALSE);
  EXPECT_EQ(Code(), qzlvpeInvalidPacket);
  EXPECT_EQ(Message(), "Nieprawidłowa budowa pakietu");
  EXPECT_TRUE(Disconnect());
  sim().Stop();

  const std::vector<Record> stored = sim().Stored();
  ASSERT_EQ(stored.size(), 5u);
  EXPECT_EQ(stored[0].id, "B");
  EXPECT_EQ(stored[0].fields.at(0), Field("Sklep „Żółw” Łódź", 40));
  EXPECT_EQ(stored[1].fields.at(0), Field("ul. Długa 1", 40));
  EXPECT_EQ(stored[2].fields.at(0), Utf8ToAnsi(longText).substr(0, 40));
  EXPECT_EQ(stored[3].id, "k");
  EXPECT_EQ(stored[3].fields.at(0), "42");
  EXPECT_EQ(stored[4].fields.at(0), "2147483647") << "the largest receipt number arrives whole";
  // Nothing of the refused number was sent.
  ASSERT_EQ(sim().Sessions().size(), 2u);
  EXPECT_EQ(sim().Sessions()[0].transmissionType, 1);
}

// A host selects the receipt to read in a write session of the receipt
// number's own data type or of either receipt report; the receipt's records
// then arrive as themselves.
TEST_F(EngineE2ETest, TheReceiptIsSelectedUnderEveryReceiptDataType) {
  struct Row {
    LONG dataType;
    const char* id;
  } rows[] = {
      {ecrdtReceiptNumber, "k"},
      {ecrdtReceiptReport, "O"},
      {ecrdtReceiptReportEx, "k"},
  };
  Serve();
  for (const Row& r : rows) {
    ASSERT_TRUE(Connect());
    ASSERT_TRUE(BeginWrite(r.dataType)) << Message();
    VARIANT_BOOL selected = VARIANT_FALSE;
    ASSERT_EQ(e()->SetCurrentReceipt(42, &selected), S_OK);
    EXPECT_EQ(selected, VARIANT_TRUE) << r.dataType << ": " << Code() << " " << Message();
    EXPECT_EQ(Code(), 0) << r.dataType;
    ASSERT_TRUE(Disconnect());
    const std::vector<Record> stored = sim().Stored();
    ASSERT_FALSE(stored.empty()) << r.dataType;
    EXPECT_EQ(stored.back().id, r.id) << r.dataType;
    EXPECT_EQ(stored.back().fields, ECRSimulator::Fields{"42"}) << r.dataType;
  }
  EXPECT_EQ(sim().Stored().size(), std::size(rows));

  // Every kind of the selected receipt's records is told apart from the
  // selection record.
  sim().Offer("O", {{"O0", {}}, {"O3", {}}, {"O4", {"3", "42"}}, {"O5", {"1234"}}});
  ASSERT_TRUE(Connect());
  ASSERT_TRUE(BeginRead(ecrdtReceiptReport, Variant::I4(42), Variant::I4(42), ecrrtNumbers));
  std::vector<LONG> kinds;
  for (int guard = 0; !Eof() && guard < 10; ++guard) {
    LONG kind = -1;
    VARIANT_BOOL ok = VARIANT_FALSE;
    ASSERT_EQ(e()->ReadNextRecordType(&kind, &ok), S_OK);
    ASSERT_EQ(ok, VARIANT_TRUE) << Message();
    kinds.push_back(kind);
  }
  EXPECT_EQ(kinds, (std::vector<LONG>{ecrnrReceiptItem, ecrnrReceiptItem, ecrnrReceiptSummary,
                                      ecrnrReceiptDiscountCard}));
}

TEST_F(EngineE2ETest, ARecordNotUnderstoodIsSentAgainAndABusyRegisterWaitedFor) {
  sim().Expect(ecr::kEnq).Ack()
      .ExpectPacket("B", qzlvptStart).Ack()
      .ExpectPacket("B", qzlvptWrite).Nak()
      .ExpectPacket("B", qzlvptWrite).Wait().ReplyLate(100ms, ecr::kAck)
      .Expect(ecr::kEot).Ack();
  sim().Start();
  ASSERT_TRUE(Connect());
  ASSERT_TRUE(BeginWrite(ecrdtHeader));
  EXPECT_TRUE(WriteText("Sklep")) << Message();
  EXPECT_EQ(Code(), 0);
  EXPECT_TRUE(Disconnect());
  ASSERT_TRUE(sim().WaitDone(5s)) << sim().Report();
  const auto packets = sim().Packets();
  ASSERT_EQ(packets.size(), 3u);
  EXPECT_EQ(packets[1].wire, packets[2].wire) << "the same record again";
  EXPECT_EQ(packets[2].fields.at(0), Field("Sklep", 40));
  ComPtr<IQAVZLVDeviceStatistics> statistics;
  ASSERT_EQ(e()->get_Statistics(statistics.Out()), S_OK);
  LONG retransmissions = -1;
  statistics->get_Retransmissions(&retransmissions);
  EXPECT_EQ(retransmissions, 1);
}

TEST_F(EngineE2ETest, ARefusedRecordBringsTheRegistersCodeAndText) {
  VARIANT_BOOL on = VARIANT_TRUE;
  ASSERT_EQ(e()->put_AutoReadNativeError(on), S_OK);
  sim().RejectNext("08");
  Serve();
  ASSERT_TRUE(Connect());
  ASSERT_TRUE(BeginWrite(ecrdtHeader));
  const std::size_t before = sim().Received().size();
  EXPECT_FALSE(WriteText("Kawa"));
  EXPECT_EQ(Code(), qzlvpeRejected);
  EXPECT_EQ(Message(), "Pakiet został odrzucony przez urządzenie")
      << "the refusal's text, not that of the reconnection after the error read";
  EXPECT_EQ(NativeCode(), "08");
  EXPECT_EQ(NativeMessage(), "Towar nie istnieje albo błąd kodu EAN");
  // After the refusal: the switch to reading, the request for the error
  // record, its acknowledgement, closing the read and opening the link again.
  const std::string after = sim().Received().substr(before);
  const std::string record = after.substr(0, after.find(ecr::kSwitchToRead));
  EXPECT_EQ(record.substr(0, 2), ecr::kStx + "B");
  EXPECT_EQ(after.substr(record.size()),
            ecr::kSwitchToRead + ecr::kDc1 + ecr::kAck + ecr::kCloseRead + ecr::kEnq);
  ASSERT_EQ(sim().ErrorsSent().size(), 1u);
  EXPECT_EQ(sim().ErrorsSent()[0].fields.at(0), "B");

  // The link is open again; the host begins its write anew.
  ASSERT_TRUE(BeginWrite(ecrdtHeader));
  EXPECT_TRUE(WriteText("Herbata"));
  EXPECT_EQ(Code(), 0);
  EXPECT_EQ(NativeCode(), "08") << "kept until the next refusal";
  sim().Stop();
  ASSERT_EQ(sim().Stored().size(), 1u);
  EXPECT_EQ(sim().Stored()[0].fields.at(0), Field("Herbata", 40));
}

TEST_F(EngineE2ETest, ARecordOutsideAWriteSessionIsRefusedWithCode0D) {
  Serve();
  ASSERT_TRUE(Connect());
  ASSERT_TRUE(BeginWrite(ecrdtFooter));
  ASSERT_TRUE(Disconnect());  // ends the write session
  ASSERT_TRUE(Connect());

  // Without the automatic read the host reads the error record itself.
  EXPECT_FALSE(WriteText("Dziękujemy"));
  EXPECT_EQ(Code(), qzlvpeRejected);
  EXPECT_EQ(NativeCode(), "00");
  LONG transmissionType = -1;
  Bstr code, from, to;
  VARIANT_BOOL read = VARIANT_FALSE;
  ASSERT_EQ(e()->ReadError(&transmissionType, code.Out(), from.Out(), to.Out(), &read), S_OK);
  ASSERT_EQ(read, VARIANT_TRUE) << Message();
  EXPECT_EQ(transmissionType, ecrttWriting);
  EXPECT_EQ(Utf8(code.Get()), "0D");
  EXPECT_EQ(Code(), 0);
  ASSERT_TRUE(Disconnect());

  // With it, the register's text for 0D.
  ASSERT_EQ(e()->put_AutoReadNativeError(VARIANT_TRUE), S_OK);
  ASSERT_TRUE(Connect());
  EXPECT_FALSE(WriteText("Dziękujemy"));
  EXPECT_EQ(Code(), qzlvpeRejected);
  EXPECT_EQ(NativeCode(), "0D");
  EXPECT_EQ(NativeMessage(), "Brak uprawnień do programowania lub wysyłania danych");
  sim().Stop();
  EXPECT_TRUE(sim().Stored().empty());
  EXPECT_EQ(sim().ErrorsSent().size(), 2u);
}

TEST_F(EngineE2ETest, AReadRunsToTheEndOfData) {
  sim().Offer("B", {{"B", {Utf8ToAnsi("Sklep")}}, {"B", {Utf8ToAnsi("ul. Długa 1")}}, {"B", {Utf8ToAnsi("Łódź")}}});
  Serve();
  ASSERT_TRUE(Connect());
  ASSERT_TRUE(BeginRead(ecrdtHeader)) << Message();
  std::vector<std::string> lines;
  for (int guard = 0; !Eof() && guard < 10; ++guard) {
    std::string line;
    ASSERT_TRUE(ReadText(line)) << Message();
    EXPECT_EQ(Code(), 0);
    lines.push_back(line);
  }
  EXPECT_EQ(lines, (std::vector<std::string>{Padded("Sklep", 40), Padded("ul. Długa 1", 40), Padded("Łódź", 40)}));
  EXPECT_TRUE(Eof());

  VARIANT_BOOL confirmed = VARIANT_FALSE;
  EXPECT_EQ(e()->ConfirmRead(&confirmed), S_OK);
  EXPECT_EQ(confirmed, VARIANT_TRUE);
  const std::string blanks(18, ' ');
  const std::string wire = ecr::kEnq + ECRSimulator::StartPacket("B", 0, blanks, blanks) + ecr::kSwitchToRead +
                           ecr::kDc1 + ecr::kDc1 + ecr::kDc1 + ecr::kAck;
  sim().WaitReceived(wire.size(), 2s);
  EXPECT_EQ(sim().Received(), wire) << "a request per record, then the acknowledgement";

  // Past the end the register has nothing to send.
  std::string none = "unchanged";
  EXPECT_FALSE(ReadText(none));
  EXPECT_EQ(Code(), qzlvpeNoData);
  EXPECT_EQ(Message(), "Brak danych");
  EXPECT_EQ(none, "");
  EXPECT_EQ(sim().Received().back(), '\x11');
}

TEST_F(EngineE2ETest, AMixedReportNamesEachRecordKind) {
  sim().Offer("W", {{"W1", {}}, {"W2", {}}});
  Serve();
  ASSERT_TRUE(Connect());
  ASSERT_TRUE(BeginRead(ecrdtDailyReport));
  std::vector<LONG> kinds;
  for (int guard = 0; !Eof() && guard < 10; ++guard) {
    LONG kind = -2;
    VARIANT_BOOL ok = VARIANT_FALSE;
    ASSERT_EQ(e()->ReadNextRecordType(&kind, &ok), S_OK);
    ASSERT_EQ(ok, VARIANT_TRUE) << Message();
    kinds.push_back(kind);
  }
  EXPECT_EQ(kinds, (std::vector<LONG>{ecrnrSaleRec, ecrnrResetRec}));
}

TEST_F(EngineE2ETest, AnArticleTravelsToTheRegisterAndBack) {
  Serve();
  ComPtr<IQAVECRPLU> plu = Create<IQAVECRPLU>(CLSID_QAVECRPLU);
  Bstr code = Wide("5901234123457"), name = Wide("Kawa ziarnista żółta"), tax = Wide("A"), linked = Wide("590");
  plu->put_Code(code.Get());
  plu->put_Name(name.Get());
  plu->put_Price(CY{125000});
  plu->put_TaxRateName(tax.Get());
  plu->put_Precision(2);
  plu->put_PLUAttributes(ecrpaPriceOpen | ecrpaAutoRepeat);
  plu->put_PLUType(ecrptPacking);
  plu->put_DepartmentIndex(3);
  plu->put_HALOIndex(1);
  plu->put_LinkedCode(linked.Get());
  ASSERT_TRUE(Connect());
  ASSERT_TRUE(BeginWrite(ecrdtPLU));
  for (LONG mode : {ecrwmInsertOrUpdate, ecrwmDelete}) {
    VARIANT_BOOL ok = VARIANT_FALSE;
    ASSERT_EQ(e()->WritePLU(plu.Get(), mode, &ok), S_OK);
    EXPECT_EQ(ok, VARIANT_TRUE) << Message();
  }
  ASSERT_TRUE(Disconnect());
  const std::vector<Record> stored = sim().Stored();
  ASSERT_EQ(stored.size(), 2u);
  const ECRSimulator::Fields expected{"1", "5901234123457", Field("Kawa ziarnista żółta", 18), "12.5", "A", "2",
                                      "10110", "3", "1", Field("590", 13)};
  EXPECT_EQ(stored[0].fields, expected);
  EXPECT_EQ(stored[1].fields.at(0), "0") << "the delete flag";

  // The register sends the article back as it stored it.
  sim().Offer("I", {stored[0]});
  ASSERT_TRUE(Connect());
  ASSERT_TRUE(BeginRead(ecrdtPLU));
  ComPtr<IQAVECRPLU> back = Create<IQAVECRPLU>(CLSID_QAVECRPLU);
  VARIANT_BOOL ok = VARIANT_FALSE;
  ASSERT_EQ(e()->ReadPLU(back.Get(), &ok), S_OK);
  ASSERT_EQ(ok, VARIANT_TRUE) << Message();
  EXPECT_TRUE(Eof());
  Bstr gotCode, gotName;
  CY price{};
  LONG attributes = -1, type = -1, department = -1, precision = -1;
  back->get_Code(gotCode.Out());
  back->get_Name(gotName.Out());
  back->get_Price(&price);
  back->get_PLUAttributes(&attributes);
  back->get_PLUType(&type);
  back->get_DepartmentIndex(&department);
  back->get_Precision(&precision);
  EXPECT_EQ(Utf8(gotCode.Get()), "5901234123457");
  EXPECT_EQ(Utf8(gotName.Get()), Padded("Kawa ziarnista żółta", 18));
  EXPECT_EQ(price.int64, 125000);
  EXPECT_EQ(attributes, ecrpaPriceOpen | ecrpaAutoRepeat);
  EXPECT_EQ(type, ecrptPacking);
  EXPECT_EQ(department, 3);
  EXPECT_EQ(precision, 2);
}

TEST_F(EngineE2ETest, TheFlagWordTravelsAsBytes) {
  Serve();
  ComPtr<IQAVECRFlags> flags;
  ASSERT_EQ(e()->get_Flags(flags.Out()), S_OK);
  flags->put_Misc(ecrftOnline);               // bit 20
  flags->put_Keyboard(ecrkfPLUChangesLocked);  // bit 24
  flags->put_Sale(ecrsfPriceInPennies);        // bit 30
  ASSERT_TRUE(Connect());
  for (LONG dataType : {ecrdtFlagsEx, ecrdtFlags}) {
    ASSERT_TRUE(BeginWrite(dataType));
    VARIANT_BOOL ok = VARIANT_FALSE;
    ASSERT_EQ(e()->WriteFlags(&ok), S_OK);
    EXPECT_EQ(ok, VARIANT_TRUE) << Message();
  }
  ASSERT_TRUE(Disconnect());
  const std::vector<Record> stored = sim().Stored();
  ASSERT_EQ(stored.size(), 2u);
  // Speed code 2 (9600); bytes least significant first: byte 2 holds bit 20,
  // byte 3 bits 24 and 30.
  EXPECT_EQ(stored[0].id, "s");
  EXPECT_EQ(stored[0].fields, (ECRSimulator::Fields{"0", "0", "0", "2", "0", "0", "0", "16", "65", "0"}));
  // The short word carries bytes 0-2 only.
  EXPECT_EQ(stored[1].id, "A");
  EXPECT_EQ(stored[1].fields, (ECRSimulator::Fields{"0", "0", "0", "2", "0", "0", "16"}));

  // Read back into cleared flags: the extended word restores all three.
  flags->put_Misc(0);
  flags->put_Keyboard(0);
  flags->put_Sale(0);
  sim().Offer("s", {stored[0]});
  ASSERT_TRUE(Connect());
  ASSERT_TRUE(BeginRead(ecrdtFlagsEx));
  VARIANT_BOOL ok = VARIANT_FALSE;
  ASSERT_EQ(e()->ReadFlags(&ok), S_OK);
  ASSERT_EQ(ok, VARIANT_TRUE) << Message();
  LONG misc = -1, keyboard = -1, sale = -1;
  flags->get_Misc(&misc);
  flags->get_Keyboard(&keyboard);
  flags->get_Sale(&sale);
  EXPECT_EQ(misc, ecrftOnline);
  EXPECT_EQ(keyboard, ecrkfPLUChangesLocked);
  EXPECT_EQ(sale, ecrsfPriceInPennies);
}

TEST_F(EngineE2ETest, RefreshReadsBothIdentifiersInTransfersOfTheirOwn) {
  sim().Offer("M", {{"M", {"ABC1234567890123"}}});
  sim().Offer("P", {{"P", {"00012345"}}});
  Serve();
  VARIANT_BOOL ok = VARIANT_FALSE;
  ASSERT_EQ(e()->Refresh(&ok), S_OK);
  ASSERT_EQ(ok, VARIANT_TRUE) << Message();
  Bstr id, number;
  e()->get_ID(id.Out());
  e()->get_ECRNumber(number.Out());
  EXPECT_EQ(Utf8(id.Get()), "ABC1234567890123");
  EXPECT_EQ(Utf8(number.Get()), "00012345");
  // Each identifier in a read of its own: open, start, switch, one record,
  // acknowledge, close after reading.
  const std::string zeros(18, '0');
  std::string expected;
  for (const char* startId : {"M", "P"})
    expected += ecr::kEnq + ECRSimulator::StartPacket(startId, 0, zeros, zeros) + ecr::kSwitchToRead + ecr::kDc1 +
                ecr::kAck + ecr::kCloseRead;
  sim().WaitReceived(expected.size(), 2s);
  EXPECT_EQ(sim().Received(), expected);
}

// A mixed report: each record's kind named from its identifier, then read by
// the reader of that kind from the fields the register sent.
TEST_F(EngineE2ETest, ADailyReportReadsItsSaleAndResetRecords) {
  sim().Offer("W", {{"W1", {"14 May 2003", "10:30", "7", "123.45", "100", "", "", "", "", "", "", "18.7", "12",
                            "13", "1", "99"}},
                    {"W3", {"14 May 2003", "", "10:30", "1", "4"}}});
  Serve();
  ASSERT_TRUE(Connect());
  ASSERT_TRUE(BeginRead(ecrdtDailyReport, Variant(), Variant(), ecrrtNone, ecrrmResetting));
  ComPtr<IQAVECRSaleRec> sale = Create<IQAVECRSaleRec>(CLSID_QAVECRSaleRec);
  ComPtr<IQAVECRResetRec> reset = Create<IQAVECRResetRec>(CLSID_QAVECRResetRec);
  LONG kind = -1;
  VARIANT_BOOL ok = VARIANT_FALSE;
  ASSERT_EQ(e()->ReadNextRecordType(&kind, &ok), S_OK);
  ASSERT_EQ(ok, VARIANT_TRUE) << Message();
  ASSERT_EQ(kind, ecrnrSaleRec);
  ASSERT_EQ(e()->ReadSaleRec(sale.Get(), &ok), S_OK);
  ASSERT_EQ(ok, VARIANT_TRUE) << Message();
  DATE date = 0;
  LONG number = -1, attributes = -1;
  sale->get_Date(&date);
  sale->get_Number(&number);
  sale->get_Attributes(&attributes);
  EXPECT_EQ(date, 37755.0);
  EXPECT_EQ(number, 7);
  EXPECT_EQ(attributes, 1) << "a reset occurred";
  ComPtr<IQAVECRSale> lines;
  sale->get_Sale(lines.Out());
  CY total{}, taxes{};
  lines->get_SaleTotal(&total);
  lines->get_TaxesTotal(&taxes);
  EXPECT_EQ(total.int64, 1234500);
  EXPECT_EQ(taxes.int64, 187000);
  EXPECT_FALSE(Eof());

  ASSERT_EQ(e()->ReadNextRecordType(&kind, &ok), S_OK);
  ASSERT_EQ(ok, VARIANT_TRUE) << Message();
  ASSERT_EQ(kind, ecrnrResetRec);
  EXPECT_TRUE(Eof());
  ASSERT_EQ(e()->ReadResetRec(reset.Get(), &ok), S_OK);
  ASSERT_EQ(ok, VARIANT_TRUE) << Message();
  LONG resetType = -1, reason = -1;
  DATE time = 0;
  reset->get_ResetType(&resetType);
  reset->get_Reason(&reason);
  reset->get_Number(&number);
  reset->get_Time(&time);
  EXPECT_EQ(resetType, ecrrtPLUReset);
  EXPECT_EQ(reason, ecrrrForced);
  EXPECT_EQ(number, 4);
  EXPECT_NEAR(time, 0.4375, 1e-9);
}

TEST_F(EngineE2ETest, AReceiptItemArrivesWithItsQuantityScaled) {
  sim().Offer("O", {{"O1", {"5901234123457", Utf8ToAnsi("Kawa żółta"), "A", "3", "1500", "12.5", "18.75"}},
                    {"O4", {"1", "42"}}});
  Serve();
  ASSERT_TRUE(Connect());
  ASSERT_TRUE(BeginRead(ecrdtReceiptReport, Variant::I4(42), Variant::I4(42), ecrrtNumbers));
  LONG kind = -1;
  VARIANT_BOOL ok = VARIANT_FALSE;
  ASSERT_EQ(e()->ReadNextRecordType(&kind, &ok), S_OK);
  ASSERT_EQ(ok, VARIANT_TRUE) << Message();
  ASSERT_EQ(kind, ecrnrReceiptItem);
  ComPtr<IQAVECRReceiptItem> item = Create<IQAVECRReceiptItem>(CLSID_QAVECRReceiptItem);
  ASSERT_EQ(e()->ReadReceiptItem(item.Get(), &ok), S_OK);
  ASSERT_EQ(ok, VARIANT_TRUE) << Message();
  LONG type = -1;
  double quantity = 0;
  CY price{}, value{};
  Bstr name;
  item->get_ItemType(&type);
  item->get_Quantity(&quantity);
  item->get_Price(&price);
  item->get_Value(&value);
  item->get_Name(name.Out());
  EXPECT_EQ(type, ecritPLUSale);
  EXPECT_DOUBLE_EQ(quantity, 1.5);
  EXPECT_EQ(price.int64, 125000);
  EXPECT_EQ(value.int64, 187500);
  EXPECT_EQ(Utf8(name.Get()), Padded("Kawa żółta", 18));
  ASSERT_EQ(e()->ReadNextRecordType(&kind, &ok), S_OK);
  EXPECT_EQ(kind, ecrnrReceiptSummary);
  EXPECT_TRUE(Eof());
}

TEST_F(EngineE2ETest, ARegisterAnsweringGarbageFailsTheConnection) {
  sim().SetAnswer(ECRSimulator::Answer::Garbage);
  Serve();
  const auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(Connect());
  EXPECT_EQ(Code(), ecrecConnectFailed);
  EXPECT_EQ(Message(), "Nie powiodło się nawiązanie połączenia z kasą...");
  EXPECT_LT(std::chrono::steady_clock::now() - start, 20s);
  // Five runs of the open flow, a NAK between two.
  const std::string received = sim().Received();
  EXPECT_EQ(std::count(received.begin(), received.end(), '\x05'), 5);
  EXPECT_EQ(std::count(received.begin(), received.end(), '\x15'), 4);
}

TEST_F(EngineE2ETest, ARegisterThatFallsSilentTimesOutWithoutHanging) {
  Serve();
  ASSERT_TRUE(Connect());
  sim().SetAnswer(ECRSimulator::Answer::Silent);
  const auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(BeginWrite(ecrdtHeader));
  EXPECT_EQ(Code(), qzlvpeTimeout);
  EXPECT_EQ(Message(), "Operacja nie zakończyła się w przewidywanym czasie (timeout)");
  EXPECT_LT(std::chrono::steady_clock::now() - start, 30s);
  const std::string received = sim().Received();
  EXPECT_EQ(std::count(received.begin(), received.end(), '\x01'), 5) << "the start packet, five times";
}

TEST_F(EngineE2ETest, BadInputGivesTheControlsCodes) {
  Serve();
  ASSERT_TRUE(Connect());
  struct Row {
    LONG dataType;
    const char* library;  // empty: the default one
    LONG code;
    const char* text;
  } rows[] = {
      {42, "", ecrecUnknownDataType, "Nieznany typ danych..."},
      {-1, "", ecrecUnknownDataType, "Nieznany typ danych..."},
      // A library without the control's packet identifiers.
      {ecrdtHeader, TEST_DATA_DIR "/register.pkd", ecrecCreatePacketFailed, "Nie powiodło się utworzenie pakietu..."},
  };
  for (const Row& r : rows) {
    Bstr library = Bstr::Attach(AnsiToBstr(r.library));
    ASSERT_EQ(e()->put_PacketLibraryFile(library.Get()), S_OK);
    EXPECT_FALSE(BeginWrite(r.dataType)) << r.dataType;
    EXPECT_EQ(Code(), r.code) << r.dataType;
    EXPECT_EQ(Message(), r.text) << r.dataType;
    EXPECT_FALSE(BeginRead(r.dataType)) << r.dataType;
    EXPECT_EQ(Code(), r.code) << r.dataType;
    EXPECT_FALSE(WriteText("x")) << r.dataType;
  }
  EXPECT_EQ(sim().Received(), ecr::kEnq) << "nothing was sent";
}

}  // namespace
}  // namespace corvatin
