// The driver engine without a register: its defaults, the result texts, the
// range texts of a read's start packet, the record kinds of a report read, the
// settings strings, and the conversation itself against a scripted device
// that stands in for Zelvani's serial device (installed through ChangeDevice
// from a module of this test).
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <algorithm>
#include <cstdio>
#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "corvatin/control/CorvatinServer.h"
#include "corvatin/control/ErrorTexts.h"
#include "corvatin/control/QAVECRObj.h"
#include "platform/com/ansi.h"
#include "platform/com/error.h"
#include "platform/ui/RecordingPresenter.h"
#include "zelvani/devices/QAVZLVDevice.h"
#include "zelvani/model/ZelvaniServer.h"

namespace corvatin {
namespace {

namespace fs = std::filesystem;

std::string Utf8(const std::string& ansi) { return AnsiToUtf8(ansi); }
std::string Utf8(BSTR b) { return WideToUtf8(BstrView(b)); }

// A packet library with start, record and error packets and no flows: the
// scripted device never runs a flow.
constexpr const char* kLibraryText = R"(; Packets of the engine's tests.
FrameStart;Start frame;S;
{
1;Const;String;1;<SOH>;0;
2;PacketID;String;1;;17;
3;Data;String;0;;16;
4;Const;String;1;<ETX>;16;
}
FrameData;Record frame;B;
{
1;Const;String;1;<STX>;0;
2;PacketID;String;2;;17;
3;Data;String;0;;16;
4;Const;String;1;<ETX>;16;
}
FrameError;Error frame;E;
{
1;Const;String;1;<STX>;0;
2;PacketID;String;1;;17;
3;Data;String;0;;16;
4;Const;String;1;<ETX>;16;
}
S;_default;S;FrameStart;
{
1;Kind;Integer;1;0;;0;
2;From;String;18;;;0;
3;To;String;18;;;0;
}
E;_default;E;FrameError;
{
1;Record;String;1;;;0;
2;Transmission;Integer;1;0;;0;
3;Code;String;2;;;0;
4;From;String;18;;;0;
5;To;String;18;;;0;
}
B;Header;B;FrameData;
{
1;Text;String;40;;;0;
}
M;UniqueID;B;FrameData;
{
1;ID;String;20;;;0;
}
P;ECRNumber;B;FrameData;
{
1;Number;String;8;;;0;
}
k;Receipt;B;FrameData;
{
1;Number;Integer;6;0;;16;
}
W;Daily report;R;FrameData;
{
1;Kind;String;1;;;0;
}
W4;Daily report line;R;FrameData;
{
1;Text;String;10;;;0;
}
O;Receipts;R;FrameData;
{
1;Kind;String;1;;;0;
}
O4;Receipt summary;R;FrameData;
{
1;Text;String;10;;;0;
}
Y;Periodical by dates;R;FrameData;
{
1;Kind;String;1;;;0;
}
Z;Periodical by numbers;R;FrameData;
{
1;Kind;String;1;;;0;
}
)";

// ---------------------------------------------------------------------------
// The scripted device

// A field value as text (Empty as "").
std::string FieldText(IQAVZLVPacket* p, LONG n) {
  Variant v;
  EXPECT_EQ(p->get_FieldValues(Variant::I4(n), &v), S_OK);
  Variant text;
  if (v.IsEmpty() || FAILED(v.TryAs(VT_BSTR, text))) return "";
  return BstrToAnsi(text.bstrVal);
}

// Records every call; answers from its script, and sets its own error state as
// the serial device does, so that its message follows its last result.
class TScriptedDevice final : public zelvani::TQAVZLVDevice {
 public:
  struct Answer {
    LONG code = qzlvpeOK;
    LONG packetType = qzlvptRead;
    std::string id;
    std::vector<Variant> fields;  // 1..n
  };
  struct Written {
    std::string id;
    std::vector<std::string> fields;
  };

  explicit TScriptedDevice(LONG type) { SetDeviceType(type); }
  void ReportType(LONG type) { SetDeviceType(type); }

  // The port name is kept without the disconnection that the serial device
  // makes first, so that the calls show the engine's own.
  std::string Port() const override { return port; }
  void SetPort(std::string name) override { port = std::move(name); }

  bool DoConnect() override {
    calls.push_back("Connect");
    portAtConnect = Port();
    addressAtConnect = Address();
    SetError(connectResult ? qzlvpeOK : qzlvpeCantConnect);
    return connectResult;
  }
  bool DoDisconnect() override {
    calls.push_back("Disconnect");
    return disconnectResult;
  }
  bool DoModeSwitch() override {
    calls.push_back("ModeSwitch");
    SetError(modeSwitchResult ? qzlvpeOK : qzlvpeTimeout);
    return modeSwitchResult;
  }
  bool DoReset() override {
    calls.push_back("Reset");
    return true;
  }
  void DoSendACK() override { calls.push_back("ACK"); }
  LONG DoWritePacket(IQAVZLVPacket* packet) override {
    Written w;
    Bstr id;
    EXPECT_EQ(packet->get_ID(id.Out()), S_OK);
    w.id = BstrToAnsi(id.Get());
    LONG count = 0;
    EXPECT_EQ(packet->get_FieldsCount(&count), S_OK);
    for (LONG n = 1; n <= count; ++n) w.fields.push_back(FieldText(packet, n));
    calls.push_back("Write " + w.id);
    written.push_back(std::move(w));
    LONG code = qzlvpeOK;
    if (!writeResults.empty()) {
      code = writeResults.front();
      writeResults.pop_front();
    }
    return SetError(code);
  }
  LONG DoReadPacket(IQAVZLVPacket* packet) override {
    calls.push_back("Read");
    if (answers.empty()) return SetError(qzlvpeTimeout);
    Answer a = std::move(answers.front());
    answers.pop_front();
    if (!a.id.empty()) {
      EXPECT_EQ(packet->put_PacketType(a.packetType), S_OK);
      Bstr id = Bstr::Attach(AnsiToBstr(a.id));
      EXPECT_EQ(packet->put_ID(id.Get()), S_OK);
    }
    for (std::size_t i = 0; i < a.fields.size(); ++i)
      EXPECT_EQ(packet->put_FieldValues(Variant::I4(LONG(i + 1)), a.fields[i]), S_OK);
    return SetError(a.code);
  }

  std::vector<std::string> calls;
  std::vector<Written> written;
  std::deque<LONG> writeResults;
  std::deque<Answer> answers;
  bool connectResult = true;
  bool disconnectResult = true;
  bool modeSwitchResult = true;
  std::string port;
  std::string portAtConnect;
  std::string addressAtConnect;
};

// The register's error record as the scripted device answers it.
TScriptedDevice::Answer ErrorRecord(const std::string& code) {
  return {qzlvpeOK, qzlvptError, "E", {Variant::Str(u""), Variant::I4(1), Variant::Ansi(code),
                                       Variant::Ansi("b"), Variant::Ansi("e")}};
}

// A module of this test that serves the modem and hub device classes with the
// scripted device, reporting the device type the test chose.
class ScriptedDeviceModule final : public com::LoadedModule, public IClassFactory {
 public:
  bool HasClass(REFCLSID clsid) const override {
    return clsid == CLSID_QAVZLVTapiDevice || clsid == CLSID_QAVZLVTandrelDevice;
  }
  HRESULT GetClassObject(REFCLSID clsid, REFIID riid, void** ppv) override {
    if (!HasClass(clsid)) return CLASS_E_CLASSNOTAVAILABLE;
    return QueryInterface(riid, ppv);
  }
  HRESULT QueryInterface(REFIID riid, void** ppv) override {
    if (!ppv) return E_POINTER;
    *ppv = riid == IUnknown::Iid || riid == IClassFactory::Iid ? static_cast<IClassFactory*>(this) : nullptr;
    return *ppv ? S_OK : E_NOINTERFACE;
  }
  ULONG AddRef() override { return 2; }
  ULONG Release() override { return 1; }
  HRESULT CreateInstance(IUnknown*, REFIID riid, void** ppv) override {
    ComPtr<TScriptedDevice> device(new TScriptedDevice(reportedType));
    return device->QueryInterface(riid, ppv);
  }
  HRESULT LockServer(BOOL) override { return S_OK; }

  LONG reportedType = qzlvdtTAPIDevice;
};

class EngineTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "engine-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
    setenv("PLATFORM_REGISTRY", (dir_ / "registry.reg").c_str(), 1);
    setenv("PLATFORM_SYSTEM_DIR", dir_.c_str(), 1);
    library_ = (dir_ / "engine.pkd").string();
    std::ofstream(library_) << kLibraryText;
    // This test's module answers before the engine module, whatever classes
    // that module serves.
    com::WithdrawModule(&zelvani::ZelvaniModule());
    com::AnnounceModule(&module_);
    com::AnnounceModule(&zelvani::ZelvaniModule());
    engine_ = std::make_unique<TQAVECRObj>();
  }
  void TearDown() override {
    engine_.reset();
    com::WithdrawModule(&module_);
    unsetenv("PLATFORM_SYSTEM_DIR");
    unsetenv("PLATFORM_REGISTRY");
    fs::remove_all(dir_);
  }

  TQAVECRObj& E() { return *engine_; }

  void LoadLibrary() {
    E().SetPacketLibraryFile(library_);
    ASSERT_TRUE(presenter_->Messages().empty()) << "the test library did not load";
  }

  // Installs the scripted device (reporting TYPE) in place of the serial one.
  TScriptedDevice& Scripted(LONG type = qzlvdtComDevice) {
    module_.reportedType = qzlvdtTAPIDevice;
    EXPECT_TRUE(E().DoChangeDevice(ecrdtTAPIDevice));
    auto* device = dynamic_cast<TScriptedDevice*>(E().Device());
    EXPECT_NE(device, nullptr);
    device->ReportType(type);
    return *device;
  }

  std::string ErrorMessage() { return Utf8(E().LastErrorMessage()); }

  fs::path dir_;
  std::string library_;
  ScriptedDeviceModule module_;
  std::shared_ptr<ui::RecordingPresenter> presenter_ = std::make_shared<ui::RecordingPresenter>();
  ui::ScopedPresenter scopedPresenter_{presenter_};
  std::unique_ptr<TQAVECRObj> engine_;
};

// ---------------------------------------------------------------------------
// Texts

TEST(EngineErrorTextTest, TextOfEveryCode) {
  struct Row {
    LONG code;
    const char* text;  // nullptr: the device's text answers
  } rows[] = {
      {10000, "Nieznany typ danych..."},
      {10001, "Nie powiodło się nawiązanie połączenia z kasą..."},
      {10002, "Nie powiodło się odłączenie od kasy..."},
      {10003, "Nie powiodło się utworzenie pakietu..."},
      {10004, "Nie powiodło się przełączenie trybu zapisu na tryb odczytu..."},
      {10005, "Nieznany typ rekordu..."},
      {10006, "Funkcjonalność nie obsługiwana..."},
      {10007, "Nieznany rodzaj urządzenia..."},
      {10009, "Nieznany błąd. Kod: 10009"},
      {9999999, "Nieznany błąd. Kod: 9999999"},
      {32, "Kasa nie rozpoznała przysłanych danych"},
      {0, nullptr},
      {16, nullptr},
      {64, nullptr},
      {9999, nullptr},
      {-1, nullptr},
  };
  for (const Row& row : rows) {
    std::optional<std::string> text = EngineErrorText(row.code);
    if (!row.text) {
      EXPECT_FALSE(text) << row.code;
      continue;
    }
    ASSERT_TRUE(text) << row.code;
    EXPECT_EQ(Utf8(*text), row.text) << row.code;
  }
}

TEST(NativeErrorTextTest, RowsAndEdgeCases) {
  struct Row {
    const char* code;
    const char* text;
  } rows[] = {
      {"01", "Typ zadania niezgodny z typem pakietu startowego"},
      {"0D", "Brak uprawnień do programowania lub wysyłania danych"},
      {"0d", "Brak uprawnień do programowania lub wysyłania danych"},
      {"15", "Cena poza zakresem 0..21474836,39 lub programowano cenę zerową, a nie ustawiono flagi "
             "\"cena otwarta\""},
      {"19", "Wzajemnie wykluczają się ustawienia flag opakowania, precyzji i połączenia tandemu"},
      {"20", "Towar  w polu tandem nie istnieje"},
      {"2a", "Numer wydruku jest mniejszy od najmniejszego bądź większy od największego numeru wydruku w "
             "buforze online"},
      {"2B", "Bufor online pusty"},
      {"1", "Typ zadania niezgodny z typem pakietu startowego"},  // one digit is enough
      {"0001", "Typ zadania niezgodny z typem pakietu startowego"},
      // No row: the code as stored follows the text.
      {"00", "Nieznany błąd. Kod: 00"},
      {"24", "Nieznany błąd. Kod: 24"},
      {"1A", "Nieznany błąd. Kod: 1A"},
      {"", "Nieznany błąd. Kod: "},
      // Too large for any number: saturates, never wraps round onto a row.
      {"10000000000000001", "Nieznany błąd. Kod: 10000000000000001"},
      {"FFFFFFFFFFFFFFFFFFFF2A", "Nieznany błąd. Kod: FFFFFFFFFFFFFFFFFFFF2A"},
      // Not hexadecimal.
      {"G1", "Nieprawidłowy kod błędu: \"G1\""},
      {" 1", "Nieprawidłowy kod błędu: \" 1\""},
      {"-1", "Nieprawidłowy kod błędu: \"-1\""},
  };
  for (const Row& row : rows) EXPECT_EQ(Utf8(NativeErrorText(row.code)), row.text) << row.code;
}

TEST(NativeErrorTextTest, EveryRowOfTheRegistersTable) {
  const int withRows[] = {1,  2,  3,  4,  5,  6,  7,  8,  9,  10, 11, 12, 13, 14, 15, 16, 17, 18,
                          19, 20, 21, 22, 23, 24, 25, 32, 33, 34, 35, 37, 38, 39, 40, 42, 43};
  for (int value = 0; value < 64; ++value) {
    char code[3];
    std::snprintf(code, sizeof code, "%02X", value);
    const bool hasRow = std::find(std::begin(withRows), std::end(withRows), value) != std::end(withRows);
    const std::string text = Utf8(NativeErrorText(code));
    EXPECT_EQ(text.rfind("Nieznany błąd", 0) != 0, hasRow) << code << ": " << text;
  }
}

// ---------------------------------------------------------------------------
// Range texts, record kinds, settings strings

DATE DateOf(int y, int m, int d) {
  SYSTEMTIME st{};
  st.wYear = WORD(y);
  st.wMonth = WORD(m);
  st.wDay = WORD(d);
  DATE date = 0;
  EXPECT_TRUE(SystemTimeToVariantTime(&st, &date));
  return date;
}

TEST(RangeTextTest, EachRangeType) {
  struct Row {
    Variant bound;
    LONG rangeType;
    std::string text;
  } rows[] = {
      {Variant::I4(5), ecrrtNumbers, "000000000000000005"},
      {Variant::I4(123), ecrrtNumbers, "000000000000000123"},
      {Variant::Str(u" 42 "), ecrrtNumbers, "000000000000000042"},  // trimmed before it is parsed
      {Variant::R8(2.5), ecrrtNumbers, "000000000000000002"},       // rounded half to even
      {Variant(), ecrrtNumbers, "000000000000000000"},
      {Variant::Str(u"ABC"), ecrrtCodes, "               ABC"},
      {Variant::I4(77), ecrrtCodes, "                77"},
      {Variant::Date(DateOf(2003, 5, 14) + 0.5), ecrrtDates, "            030514"},
      {Variant::Date(DateOf(1999, 12, 31)), ecrrtDates, "            991231"},
      {Variant::Str(u"ABC"), ecrrtNone, std::string(18, ' ')},
      {Variant::I4(5), 7, std::string(18, ' ')},
      // A text of 18 characters or more is kept whole.
      {Variant::Str(u"12345678901234567890"), ecrrtCodes, "12345678901234567890"},
      {Variant::I4(123456789), ecrrtNumbers, "000000000123456789"},
  };
  for (const Row& row : rows) EXPECT_EQ(RangeText(row.bound, row.rangeType), row.text) << row.text;
}

TEST(RangeTextTest, BoundThatDoesNotConvertThrows) {
  EXPECT_THROW(RangeText(Variant::Null(), ecrrtCodes), ComError);
  EXPECT_THROW(RangeText(Variant::Str(u"abc"), ecrrtNumbers), ComError);
  EXPECT_THROW(RangeText(Variant::Str(u"not a date"), ecrrtDates), ComError);
}

TEST(RecordKindTest, SecondCharacterOfTheIdentifier) {
  struct Row {
    LONG dataType;
    const char* id;
    LONG kind;
    LONG error;
  } rows[] = {
      {ecrdtDailyReport, "W1", ecrnrSaleRec, 0},
      {ecrdtDailyReport, "W2", ecrnrResetRec, 0},
      {ecrdtDailyReportEx, "w3", ecrnrResetRec, 0},
      {ecrdtDailyReport, "W4", -1, ecrecUnknownRecordType},
      {ecrdtPeriodicalReport, "Z4", ecrnrTaxChangeRec, 0},
      {ecrdtPeriodicalReportEx, "z6", ecrnrSaleSummaryRec, 0},
      {ecrdtPeriodicalReport, "Z5", -1, ecrecUnknownRecordType},  // 5 is no kind of a periodical report
      {ecrdtReceiptReport, "O0", ecrnrReceiptItem, 0},
      {ecrdtReceiptReport, "O3", ecrnrReceiptItem, 0},
      {ecrdtReceiptReport, "O4", ecrnrReceiptSummary, 0},
      {ecrdtReceiptReportEx, "k5", ecrnrReceiptDiscountCard, 0},
      {ecrdtReceiptReport, "O6", -1, ecrecUnknownRecordType},
      {ecrdtReceiptReport, "O", -1, ecrecUnknownRecordType},  // a short identifier names no kind
      {ecrdtReceiptReport, "", -1, ecrecUnknownRecordType},
      {ecrdtPLU, "I1", -1, ecrecUnknownDataType},
      {ecrdtPeriodicalSummaryReport, "b1", -1, ecrecUnknownDataType},
  };
  for (const Row& row : rows) {
    RecordKind k = RecordKindOf(row.dataType, row.id);
    EXPECT_EQ(k.kind, row.kind) << row.dataType << " " << row.id;
    EXPECT_EQ(k.error, row.error) << row.dataType << " " << row.id;
  }
}

// ---------------------------------------------------------------------------
// The engine

TEST_F(EngineTest, NewEngineDefaults) {
  EXPECT_TRUE(E().Eof());
  EXPECT_EQ(E().LastErrorCode(), 0);
  EXPECT_EQ(E().LastNativeErrorCode(), "00");
  EXPECT_EQ(Utf8(E().LastNativeErrorMessage()), "Nieznany błąd. Kod: 00");
  EXPECT_FALSE(E().AutoReadNativeError());
  EXPECT_EQ(E().DataType(), 0);
  EXPECT_EQ(E().Packet(), nullptr);
  for (auto getter : {&IQAVECR::get_Version, &IQAVECR::get_PacketLibraryFile, &IQAVECR::get_ECRNumber,
                      &IQAVECR::get_ID, &IQAVECR::get_Driver, &IQAVECR::get_LastErrorMessage}) {
    Bstr s;
    ASSERT_EQ((E().*getter)(s.Out()), S_OK);
    EXPECT_EQ(s.Length(), 0u);
  }
  // The options and flags are the engine's own, the same object on every read.
  ComPtr<IQAVECRCommOptions> o1, o2;
  ComPtr<IQAVECRFlags> f1, f2;
  ASSERT_EQ(E().get_CommOptions(o1.Out()), S_OK);
  ASSERT_EQ(E().get_CommOptions(o2.Out()), S_OK);
  ASSERT_EQ(E().get_Flags(f1.Out()), S_OK);
  ASSERT_EQ(E().get_Flags(f2.Out()), S_OK);
  EXPECT_TRUE(o1 && o1 == o2 && o1.Get() == E().CommOptions());
  EXPECT_TRUE(f1 && f1 == f2 && f1.Get() == E().Flags());
  // A serial device that holds the engine's protocol.
  LONG type = 0;
  ASSERT_EQ(E().Device()->get_DeviceType(&type), S_OK);
  EXPECT_EQ(type, qzlvdtComDevice);
  ComPtr<IQAVZLVProtocol> protocol;
  ASSERT_EQ(E().Device()->get_Protocol(protocol.Out()), S_OK);
  EXPECT_EQ(protocol.Get(), E().Protocol());
  ComPtr<IQAVZLVDeviceStatistics> stats;
  ASSERT_EQ(E().get_Statistics(stats.Out()), S_OK);
  EXPECT_TRUE(stats);
  VARIANT_BOOL keep = VARIANT_TRUE;
  ASSERT_EQ(E().get_KeepConnection(&keep), S_OK);
  EXPECT_EQ(keep, VARIANT_FALSE);
}

TEST_F(EngineTest, VersionIsTheControlModulesFileVersion) {
  // The control file is found by its name through the system's search, which
  // ends in the system directory.
  fs::create_symlink(CORVATIN_MODULE_PATH, dir_ / "libcorvatin.so");
  Bstr version;
  ASSERT_EQ(E().get_Version(version.Out()), S_OK);
  const std::string text = Utf8(version.Get());
  ASSERT_FALSE(text.empty());
  EXPECT_EQ(text.find_first_not_of("0123456789."), std::string::npos) << text;
  EXPECT_NE(text.find('.'), std::string::npos) << text;
}

TEST_F(EngineTest, AboutBoxIsShownModallyThroughThePresenter) {
  ASSERT_EQ(E().AboutBox(), S_OK);
  ASSERT_EQ(presenter_->Forms().size(), 1u);
  EXPECT_EQ(presenter_->Forms()[0].name, "QAVECRAbout");
}

TEST_F(EngineTest, EmptyLibraryNameLoadsTheSystemDirectorysLibrary) {
  fs::copy_file(library_, dir_ / "Quelm.pkd");
  Bstr empty(u"");
  ASSERT_EQ(E().put_PacketLibraryFile(empty.Get()), S_OK);
  Bstr path;
  ASSERT_EQ(E().get_PacketLibraryFile(path.Out()), S_OK);
  EXPECT_EQ(Utf8(path.Get()), (dir_ / "Quelm.pkd").string());
  EXPECT_TRUE(presenter_->Messages().empty());
  // Loaded: the library makes the header's start packet.
  VARIANT_BOOL ok = VARIANT_FALSE;
  Scripted();
  ASSERT_EQ(E().BeginWrite(ecrdtHeader, &ok), S_OK);
  EXPECT_EQ(ok, VARIANT_TRUE);
}

TEST_F(EngineTest, LibraryThatDoesNotLoadIsReportedInAMessageBox) {
  const std::string missing = (dir_ / "missing.pkd").string();
  Bstr name = Bstr::Attach(AnsiToBstr(missing));
  ASSERT_EQ(E().put_PacketLibraryFile(name.Get()), S_OK);
  ASSERT_EQ(presenter_->Messages().size(), 1u);
  EXPECT_EQ(presenter_->Messages()[0].text, "Error loading packet definitions file.");
  EXPECT_EQ(E().PacketLibraryFile(), missing);
  // Without the file (in the system directory too) the empty name is reported the same way.
  presenter_->Clear();
  Bstr empty(u"");
  ASSERT_EQ(E().put_PacketLibraryFile(empty.Get()), S_OK);
  EXPECT_EQ(presenter_->Messages().size(), 1u);
  EXPECT_EQ(E().PacketLibraryFile(), (dir_ / "Quelm.pkd").string());
}

TEST_F(EngineTest, ChangeDeviceOutcomes) {
  struct Row {
    LONG deviceType;
    LONG reported;  // the type the created modem or hub device reports
    bool ok;
    LONG installedType;  // 0: no device
  } rows[] = {
      {ecrdtCommDevice, 0, true, qzlvdtComDevice},
      {ecrdtTAPIDevice, qzlvdtTAPIDevice, true, qzlvdtTAPIDevice},
      {ecrdtQAVTandrelDevice, qzlvdtQAVTandrelDevice, true, qzlvdtQAVTandrelDevice},
      // A new hub device reads as a serial one until its channel is open.
      {ecrdtQAVTandrelDevice, qzlvdtComDevice, true, qzlvdtComDevice},
      {ecrdtQAVTandrelDevice, qzlvdtUnknown, false, 0},
      {ecrdtTAPIDevice, qzlvdtComDevice, false, 0},  // not the kind of device asked for
      {ecrdtQAVTandrelDevice, qzlvdtTAPIDevice, false, 0},
      {3, 0, false, 0},
      {-1, 0, false, 0},
  };
  for (const Row& row : rows) {
    engine_ = std::make_unique<TQAVECRObj>();
    module_.reportedType = row.reported;
    VARIANT_BOOL ok = VARIANT_FALSE;
    ASSERT_EQ(E().ChangeDevice(row.deviceType, &ok), S_OK);
    EXPECT_EQ(ok != VARIANT_FALSE, row.ok) << row.deviceType;
    if (!row.ok) {
      EXPECT_EQ(E().Device(), nullptr) << row.deviceType;
      EXPECT_EQ(E().LastErrorCode(), ecrecUnknownDeviceType) << row.deviceType;
      continue;
    }
    EXPECT_EQ(E().LastErrorCode(), 0) << row.deviceType;  // a success leaves the code as it was
    ASSERT_NE(E().Device(), nullptr);
    LONG type = 0;
    ASSERT_EQ(E().Device()->get_DeviceType(&type), S_OK);
    EXPECT_EQ(type, row.installedType);
    ComPtr<IQAVZLVProtocol> protocol;
    ASSERT_EQ(E().Device()->get_Protocol(protocol.Out()), S_OK);
    EXPECT_EQ(protocol.Get(), E().Protocol()) << "the same protocol goes on";
  }
}

TEST_F(EngineTest, WithoutADeviceMembersFailCleanly) {
  LoadLibrary();
  VARIANT_BOOL ok = VARIANT_TRUE;
  ASSERT_EQ(E().ChangeDevice(3, &ok), S_OK);
  ASSERT_EQ(E().Device(), nullptr);

  using Call = std::function<HRESULT(VARIANT_BOOL*)>;
  LONG next = 0;
  Bstr text;
  const std::pair<const char*, Call> members[] = {
      {"Connect", [&](VARIANT_BOOL* r) { return E().Connect(r); }},
      {"Disconnect", [&](VARIANT_BOOL* r) { return E().Disconnect(r); }},
      {"ResetCommunication", [&](VARIANT_BOOL* r) { return E().ResetCommunication(r); }},
      {"ConfirmRead", [&](VARIANT_BOOL* r) { return E().ConfirmRead(r); }},
      {"BeginWrite", [&](VARIANT_BOOL* r) { return E().BeginWrite(ecrdtHeader, r); }},
      {"BeginRead", [&](VARIANT_BOOL* r) {
         return E().BeginRead(ecrdtUniqueID, Variant(), Variant(), ecrrtNone, ecrrmNotResetting, r);
       }},
      {"WriteText", [&](VARIANT_BOOL* r) { return E().WriteText(text.Get(), r); }},
      {"ReadText", [&](VARIANT_BOOL* r) { return E().ReadText(text.Out(), r); }},
      {"ReadNextRecordType", [&](VARIANT_BOOL* r) { return E().ReadNextRecordType(&next, r); }},
      {"Refresh", [&](VARIANT_BOOL* r) { return E().Refresh(r); }},
  };
  for (const auto& [name, call] : members) {
    E().DoBeginWrite(ecrdtHeader);  // a current packet for the members that send or read one
    VARIANT_BOOL r = VARIANT_TRUE;
    EXPECT_EQ(call(&r), S_OK) << name;
    EXPECT_EQ(r, VARIANT_FALSE) << name;
    EXPECT_EQ(E().LastErrorCode(), ecrecUnknownDeviceType) << name;
  }
  EXPECT_EQ(ErrorMessage(), "Nieznany rodzaj urządzenia...");
  for (auto getter : {&IQAVECR::get_LastPacketSent, &IQAVECR::get_LastPacketReceived}) {
    Bstr s(u"x");
    ASSERT_EQ((E().*getter)(s.Out()), S_OK);
    EXPECT_EQ(s.Length(), 0u);
  }
  ComPtr<IQAVZLVDeviceStatistics> stats;
  ASSERT_EQ(E().get_Statistics(stats.Out()), S_OK);
  EXPECT_FALSE(stats);
  EXPECT_EQ(E().put_KeepConnection(VARIANT_TRUE), S_OK);
  VARIANT_BOOL keep = VARIANT_TRUE;
  ASSERT_EQ(E().get_KeepConnection(&keep), S_OK);
  EXPECT_EQ(keep, VARIANT_FALSE);
}

TEST_F(EngineTest, ConnectGivesASerialDeviceItsPortAndSettings) {
  TScriptedDevice& d = Scripted(qzlvdtComDevice);
  IQAVECRCommOptions* o = E().CommOptions();
  Bstr port(u"COM7");
  ASSERT_EQ(o->put_Port(port.Get()), S_OK);
  ASSERT_EQ(o->put_Speed(115200), S_OK);
  ASSERT_EQ(o->put_Parity(ecrptEven), S_OK);
  ASSERT_EQ(o->put_FlowControl(ecrfcXON_XOFF), S_OK);
  ASSERT_TRUE(E().DoConnect());
  EXPECT_EQ(d.portAtConnect, "COM7");
  EXPECT_EQ(d.addressAtConnect,
            "Speed=115200;DataBits=8;StopBits=1;Parity=E;FlowControl=X;Timeout=20000;MUXName=;MUXChannel=1;"
            "MUXControlString=");
  EXPECT_EQ(E().LastErrorCode(), 0);
}

TEST_F(EngineTest, ParityAndFlowControlLetters) {
  struct Row {
    LONG parity, flow;
    const char* letters;
  } rows[] = {
      {ecrptNone, ecrfcNone, "Parity=N;FlowControl=N"}, {ecrptOdd, ecrfcRTS_CTS, "Parity=O;FlowControl=H"},
      {ecrptEven, ecrfcXON_XOFF, "Parity=E;FlowControl=X"}, {7, -1, "Parity=N;FlowControl=N"},
  };
  IQAVECRCommOptions* o = E().CommOptions();
  for (const Row& row : rows) {
    ASSERT_EQ(o->put_Parity(row.parity), S_OK);
    ASSERT_EQ(o->put_FlowControl(row.flow), S_OK);
    EXPECT_NE(WideToUtf8(SerialSettings(o)).find(row.letters), std::string::npos) << row.letters;
  }
}

TEST_F(EngineTest, MultiplexerChannelByteSurvivesInTheSettings) {
  IQAVECRCommOptions* o = E().CommOptions();
  Bstr aster(u"ASTER");
  ASSERT_EQ(o->put_MultiplexerName(aster.Get()), S_OK);
  ASSERT_EQ(o->put_MultiplexerChannel(0), S_OK);
  const std::u16string s = SerialSettings(o);
  const std::u16string tail = u"MUXName=ASTER;MUXChannel=0;MUXControlString=$$$";
  ASSERT_GE(s.size(), tail.size() + 1);
  EXPECT_EQ(s.substr(s.size() - tail.size() - 1, tail.size()), tail);
  EXPECT_EQ(s.back(), u'\0');
}

TEST_F(EngineTest, ConnectGivesAModemOnlyItsSettings) {
  TScriptedDevice& d = Scripted(qzlvdtTAPIDevice);
  IQAVECRCommOptions* o = E().CommOptions();
  Bstr phone(u"0221234567");
  ASSERT_EQ(o->put_DeviceAddress(phone.Get()), S_OK);
  ASSERT_EQ(o->put_DeviceID(3), S_OK);
  ASSERT_TRUE(E().DoConnect());
  EXPECT_EQ(d.portAtConnect, "");
  EXPECT_EQ(d.addressAtConnect, "Speed=9600;PhoneNumber=0221234567;DeviceID=3;RMUXName=;RMUXChannel=1;RMUXControlString=");
}

TEST_F(EngineTest, ConnectAndDisconnectFailures) {
  TScriptedDevice& d = Scripted(qzlvdtComDevice);
  d.connectResult = false;
  EXPECT_FALSE(E().DoConnect());
  EXPECT_EQ(E().LastErrorCode(), ecrecConnectFailed);
  EXPECT_EQ(ErrorMessage(), "Nie powiodło się nawiązanie połączenia z kasą...");
  d.disconnectResult = false;
  EXPECT_FALSE(E().DoDisconnect());
  EXPECT_EQ(E().LastErrorCode(), ecrecDisconnectFailed);
  // A device without settings of its own (the hub) is not connected, and the
  // failure has its code.
  d.connectResult = true;
  d.ReportType(qzlvdtQAVTandrelDevice);
  d.calls.clear();
  E().DoDisconnect();
  EXPECT_FALSE(E().DoConnect());
  EXPECT_EQ(E().LastErrorCode(), ecrecConnectFailed);
  EXPECT_EQ(d.calls, std::vector<std::string>{"Disconnect"});
}

TEST_F(EngineTest, BeginReadSendsTheStartPacketAndSwitchesToReading) {
  LoadLibrary();
  TScriptedDevice& d = Scripted();
  VARIANT_BOOL ok = VARIANT_FALSE;
  ASSERT_EQ(E().BeginRead(ecrdtPeriodicalReport, Variant::Date(DateOf(2003, 5, 1)),
                          Variant::Date(DateOf(2003, 5, 31)), ecrrtDates, ecrrmResetting, &ok),
            S_OK);
  EXPECT_EQ(ok, VARIANT_TRUE);
  EXPECT_EQ(d.calls, (std::vector<std::string>{"Write Y", "ModeSwitch"}));
  ASSERT_EQ(d.written.size(), 1u);
  EXPECT_EQ(d.written[0].fields,
            (std::vector<std::string>{"2", "            030501", "            030531"}));
  EXPECT_FALSE(E().Eof()) << "a read begun has data to come";
  EXPECT_EQ(E().LastErrorCode(), 0);
  EXPECT_EQ(E().DataType(), ecrdtPeriodicalReport);
  EXPECT_EQ(E().RangeType(), ecrrtDates);
  EXPECT_EQ(E().ReadMode(), ecrrmResetting);

  // Numbers, not resetting: the other identifier, zero-padded bounds.
  d.written.clear();
  ASSERT_TRUE(E().DoBeginRead(ecrdtPeriodicalReport, Variant::I4(5), Variant::I4(123), ecrrtNumbers,
                              ecrrmNotResetting));
  ASSERT_EQ(d.written.size(), 1u);
  EXPECT_EQ(d.written[0].id, "Z");
  EXPECT_EQ(d.written[0].fields,
            (std::vector<std::string>{"0", "000000000000000005", "000000000000000123"}));
}

TEST_F(EngineTest, BeginReadFailures) {
  LoadLibrary();
  TScriptedDevice& d = Scripted();
  // Unknown data type: nothing is sent.
  EXPECT_FALSE(E().DoBeginRead(42, Variant(), Variant(), ecrrtNone, 0));
  EXPECT_EQ(E().LastErrorCode(), ecrecUnknownDataType);
  EXPECT_TRUE(d.calls.empty());
  // Refused start packet: the device's code.
  d.writeResults = {qzlvpeNak};
  EXPECT_FALSE(E().DoBeginRead(ecrdtUniqueID, Variant(), Variant(), ecrrtNone, 0));
  EXPECT_EQ(E().LastErrorCode(), qzlvpeNak);
  EXPECT_EQ(ErrorMessage(), "Kasa nie rozpoznała przysłanych danych");
  // Mode switch refused.
  d.modeSwitchResult = false;
  EXPECT_FALSE(E().DoBeginRead(ecrdtUniqueID, Variant(), Variant(), ecrrtNone, 0));
  EXPECT_EQ(E().LastErrorCode(), ecrecModeSwitchFailed);
  EXPECT_TRUE(E().Eof()) << "EOF changes only with a read that began";
  // No packet in the library: the transfer has no current packet, and a read
  // without one fails with a description instead of reaching the device.
  d.calls.clear();
  EXPECT_FALSE(E().DoBeginRead(ecrdtPLU, Variant(), Variant(), ecrrtNone, 0));
  EXPECT_EQ(E().LastErrorCode(), ecrecCreatePacketFailed);
  EXPECT_EQ(E().Packet(), nullptr);
  Bstr text(u"kept");
  VARIANT_BOOL ok = VARIANT_TRUE;
  EXPECT_EQ(E().ReadText(text.Out(), &ok), E_UNEXPECTED);
  EXPECT_EQ(ok, VARIANT_FALSE);
  EXPECT_FALSE(TakeErrorDescription().empty());
  EXPECT_TRUE(d.calls.empty());
}

TEST_F(EngineTest, MembersWithoutACurrentPacketFailWithADescription) {
  TScriptedDevice& d = Scripted();
  LONG next = 0;
  VARIANT_BOOL ok = VARIANT_TRUE;
  EXPECT_EQ(E().ReadNextRecordType(&next, &ok), E_UNEXPECTED);
  EXPECT_NE(WideToUtf8(TakeErrorDescription()).find("packet"), std::string::npos);
  Variant id;
  EXPECT_EQ(E().ReadIdentifier(&id, &ok), E_UNEXPECTED);
  LONG type = 0;
  Bstr code, beg, end;
  EXPECT_EQ(E().ReadError(&type, code.Out(), beg.Out(), end.Out(), &ok), E_UNEXPECTED);
  EXPECT_EQ(d.calls, std::vector<std::string>{"ModeSwitch"});
  // The library makes no packet either: a clean False with its code.
  EXPECT_EQ(E().SetCurrentReceipt(1, &ok), S_OK);
  EXPECT_EQ(ok, VARIANT_FALSE);
  EXPECT_EQ(E().LastErrorCode(), ecrecCreatePacketFailed);
}

TEST_F(EngineTest, BeginWriteSendsTheWritingStartPacket) {
  LoadLibrary();
  TScriptedDevice& d = Scripted();
  ASSERT_TRUE(E().DoBeginWrite(ecrdtHeader));
  EXPECT_EQ(d.calls, std::vector<std::string>{"Write B"});
  ASSERT_EQ(d.written.size(), 1u);
  EXPECT_EQ(d.written[0].fields, (std::vector<std::string>{"1", std::string(18, ' '), std::string(18, ' ')}));
  EXPECT_EQ(E().LastErrorCode(), 0);
  EXPECT_EQ(ErrorMessage(), "Operacja zakończona poprawnie") << "code 0 reads the device's text";
  // The text record of the same data type.
  ASSERT_TRUE(E().DoWriteText("Sklep"));
  EXPECT_EQ(d.written.back().id, "B");
  EXPECT_EQ(d.written.back().fields, std::vector<std::string>{"Sklep"});
  // A data type without an identifier: no packet, nothing sent.
  EXPECT_FALSE(E().DoBeginWrite(99));
  EXPECT_EQ(E().LastErrorCode(), ecrecUnknownDataType);
  EXPECT_FALSE(E().DoWriteText("x"));
  EXPECT_EQ(E().LastErrorCode(), ecrecUnknownDataType);
  EXPECT_EQ(d.written.size(), 2u);
}

TEST_F(EngineTest, SetCurrentReceiptUnderEitherDataTypeOfItsIdentifier) {
  LoadLibrary();
  TScriptedDevice& d = Scripted();
  for (LONG dataType : {ecrdtReceiptReportEx, ecrdtReceiptNumber}) {
    d.written.clear();
    ASSERT_TRUE(E().DoBeginWrite(dataType));
    ASSERT_TRUE(E().DoSetCurrentReceipt(1234));
    ASSERT_EQ(d.written.size(), 2u);
    EXPECT_EQ(d.written[1].id, "k");
    EXPECT_EQ(d.written[1].fields, std::vector<std::string>{"1234"});
  }
}

TEST_F(EngineTest, ReadsUntilEndOfData) {
  LoadLibrary();
  TScriptedDevice& d = Scripted();
  ASSERT_TRUE(E().DoBeginRead(ecrdtHeader, Variant(), Variant(), ecrrtNone, 0));
  d.answers = {{qzlvpeOK, qzlvptRead, "B", {Variant::Ansi("first")}},
               {qzlvpeEndOfData, qzlvptRead, "B", {Variant::Ansi("last")}}};
  Bstr text;
  VARIANT_BOOL ok = VARIANT_FALSE;
  ASSERT_EQ(E().ReadText(text.Out(), &ok), S_OK);
  EXPECT_EQ(ok, VARIANT_TRUE);
  EXPECT_EQ(Utf8(text.Get()), "first");
  EXPECT_FALSE(E().Eof());
  ASSERT_EQ(E().ReadText(text.Out(), &ok), S_OK);
  EXPECT_EQ(ok, VARIANT_TRUE) << "the end-of-data packet still counts as read";
  EXPECT_EQ(Utf8(text.Get()), "last");
  EXPECT_TRUE(E().Eof());
  EXPECT_EQ(E().LastErrorCode(), 0);
  // Nothing more: the device's time-out, the text left as it was.
  BSTR slot = text.Get();
  ASSERT_EQ(E().ReadText(&slot, &ok), S_OK);
  EXPECT_EQ(slot, text.Get());
  EXPECT_EQ(ok, VARIANT_FALSE);
  EXPECT_EQ(Utf8(text.Get()), "last");
  EXPECT_EQ(E().LastErrorCode(), qzlvpeTimeout);
  EXPECT_EQ(ErrorMessage(), "Operacja nie zakończyła się w przewidywanym czasie (timeout)");
  ASSERT_TRUE(E().DoConfirmRead());
  EXPECT_EQ(d.calls.back(), "ACK");
}

TEST_F(EngineTest, ReadNextRecordTypeNamesTheKindOrFails) {
  LoadLibrary();
  TScriptedDevice& d = Scripted();
  ASSERT_TRUE(E().DoBeginRead(ecrdtReceiptReport, Variant(), Variant(), ecrrtNone, 0));
  d.answers = {{qzlvpeOK, qzlvptRead, "O4", {}}};
  LONG next = -7;
  ASSERT_TRUE(E().DoReadNextRecordType(next));
  EXPECT_EQ(next, ecrnrReceiptSummary);

  ASSERT_TRUE(E().DoBeginRead(ecrdtDailyReport, Variant(), Variant(), ecrrtNone, 0));
  d.answers = {{qzlvpeOK, qzlvptRead, "W4", {}}};
  EXPECT_FALSE(E().DoReadNextRecordType(next));
  EXPECT_EQ(next, -1);
  EXPECT_EQ(E().LastErrorCode(), ecrecUnknownRecordType);
  EXPECT_EQ(ErrorMessage(), "Nieznany typ rekordu...");
}

TEST_F(EngineTest, RejectedWriteReadsTheRegistersErrorAndKeepsTheRejection) {
  LoadLibrary();
  TScriptedDevice& d = Scripted();
  E().SetAutoReadNativeError(true);
  ASSERT_TRUE(E().DoBeginWrite(ecrdtHeader));
  d.calls.clear();
  d.writeResults = {qzlvpeRejected};
  d.answers = {ErrorRecord("2A")};
  EXPECT_FALSE(E().DoWriteText("Sklep"));
  EXPECT_EQ(d.calls, (std::vector<std::string>{"Write B", "ModeSwitch", "Read", "ACK", "Disconnect", "Connect"}));
  EXPECT_EQ(E().LastErrorCode(), qzlvpeRejected);
  // The reconnection succeeded, yet the message is the refusal's.
  EXPECT_EQ(ErrorMessage(), "Pakiet został odrzucony przez urządzenie");
  EXPECT_EQ(E().LastNativeErrorCode(), "2A");
  EXPECT_EQ(Utf8(E().LastNativeErrorMessage()),
            "Numer wydruku jest mniejszy od najmniejszego bądź większy od największego numeru wydruku w buforze "
            "online");

  // A second refusal whose error record cannot be read does not keep the
  // first refusal's code.
  ASSERT_TRUE(E().DoBeginWrite(ecrdtHeader));
  d.calls.clear();
  d.writeResults = {qzlvpeRejected};
  EXPECT_FALSE(E().DoWriteText("Sklep"));
  EXPECT_EQ(d.calls, (std::vector<std::string>{"Write B", "ModeSwitch", "Read"}));
  EXPECT_EQ(E().LastNativeErrorCode(), "00");
  EXPECT_EQ(E().LastErrorCode(), qzlvpeTimeout);
}

TEST_F(EngineTest, RejectedWriteWithoutAutomaticReadReadsNothing) {
  LoadLibrary();
  TScriptedDevice& d = Scripted();
  ASSERT_TRUE(E().DoBeginWrite(ecrdtHeader));
  d.calls.clear();
  d.writeResults = {qzlvpeRejected};
  EXPECT_FALSE(E().DoWriteText("Sklep"));
  EXPECT_EQ(d.calls, std::vector<std::string>{"Write B"});
  EXPECT_EQ(E().LastErrorCode(), qzlvpeRejected);
  EXPECT_EQ(E().LastNativeErrorCode(), "00");
}

TEST_F(EngineTest, ReadErrorByTheHostFillsItsArguments) {
  LoadLibrary();
  TScriptedDevice& d = Scripted();
  ASSERT_TRUE(E().DoBeginWrite(ecrdtHeader));
  d.writeResults = {qzlvpeRejected};
  EXPECT_FALSE(E().DoWriteText("x"));
  d.answers = {ErrorRecord("0d")};
  LONG type = -1;
  Bstr code(u"old"), beg, end;
  VARIANT_BOOL ok = VARIANT_FALSE;
  ASSERT_EQ(E().ReadError(&type, code.Out(), beg.Out(), end.Out(), &ok), S_OK);
  EXPECT_EQ(ok, VARIANT_TRUE);
  EXPECT_EQ(type, 1);
  EXPECT_EQ(Utf8(code.Get()), "0d");
  EXPECT_EQ(Utf8(beg.Get()), "b");
  EXPECT_EQ(Utf8(end.Get()), "e");
  EXPECT_EQ(E().LastErrorCode(), 0);
  EXPECT_EQ(E().LastNativeErrorCode(), "00") << "only the automatic read stores the code";
}

TEST_F(EngineTest, RefreshReadsBothIdentifiers) {
  LoadLibrary();
  TScriptedDevice& d = Scripted();
  d.answers = {{qzlvpeEndOfData, qzlvptRead, "M", {Variant::Ansi("ABC12345")}},
               {qzlvpeEndOfData, qzlvptRead, "P", {Variant::I4(17)}}};
  ASSERT_TRUE(E().DoRefresh());
  EXPECT_EQ(E().ID(), "ABC12345");
  EXPECT_EQ(E().ECRNumber(), "17");
  EXPECT_EQ(d.calls, (std::vector<std::string>{"Connect", "Write M", "ModeSwitch", "Read", "ACK", "Disconnect",
                                               "Connect", "Write P", "ModeSwitch", "Read", "ACK", "Disconnect"}));
}

TEST_F(EngineTest, RefreshThatCannotReadTheIdentifierChangesNothing) {
  LoadLibrary();
  TScriptedDevice& d = Scripted();
  Bstr id(u"keep"), number(u"1");
  ASSERT_EQ(E().put_ID(id.Get()), S_OK);
  ASSERT_EQ(E().put_ECRNumber(number.Get()), S_OK);
  VARIANT_BOOL ok = VARIANT_TRUE;
  ASSERT_EQ(E().Refresh(&ok), S_OK);  // no answer: the identifier read times out
  EXPECT_EQ(ok, VARIANT_FALSE);
  EXPECT_EQ(E().ID(), "keep");
  EXPECT_EQ(E().ECRNumber(), "1");
  EXPECT_EQ(d.calls, (std::vector<std::string>{"Connect", "Write M", "ModeSwitch", "Read"})) << "no disconnect";
}

TEST_F(EngineTest, RecordMembersOfLaterTransfers) {
  // A null record fails with E_POINTER; without a transfer (no packet library,
  // no current packet) a record is refused: False with a code, or a failure
  // with a description.
  ComPtr<IQAVECRHALO> halo = Create<IQAVECRHALO>(CLSID_QAVECRHALO);
  ComPtr<IQAVECRTaxRates> rates = Create<IQAVECRTaxRates>(CLSID_QAVECRTaxRates);
  using Call = std::function<HRESULT(bool nullRecord, VARIANT_BOOL*)>;
  const std::pair<const char*, Call> members[] = {
      {"ReadHALO", [&](bool n, VARIANT_BOOL* r) { return E().ReadHALO(n ? nullptr : halo.Get(), r); }},
      {"WriteHALO", [&](bool n, VARIANT_BOOL* r) { return E().WriteHALO(n ? nullptr : halo.Get(), r); }},
      {"ReadTaxRates", [&](bool n, VARIANT_BOOL* r) { return E().ReadTaxRates(n ? nullptr : rates.Get(), r); }},
      {"WriteTaxRates", [&](bool n, VARIANT_BOOL* r) { return E().WriteTaxRates(n ? nullptr : rates.Get(), r); }},
      {"ReadDateTime", [&](bool n, VARIANT_BOOL* r) {
         DATE d = 0;
         return E().ReadDateTime(n ? nullptr : &d, r);
       }},
  };
  for (const auto& [name, call] : members) {
    VARIANT_BOOL ok = VARIANT_TRUE;
    EXPECT_EQ(call(true, &ok), E_POINTER) << name;
    EXPECT_EQ(ok, VARIANT_FALSE) << name;
    ok = VARIANT_TRUE;
    const HRESULT hr = call(false, &ok);
    EXPECT_EQ(ok, VARIANT_FALSE) << name;
    if (SUCCEEDED(hr)) {
      EXPECT_EQ(E().LastErrorCode(), ecrecCreatePacketFailed) << name;
    } else {
      EXPECT_FALSE(WideToUtf8(TakeErrorDescription()).empty()) << name;
    }
  }
}

TEST_F(EngineTest, MembersByNameThroughDispatch) {
  // The engine answers IDispatch from the control's type library.
  OLECHAR name[] = u"LastNativeErrorCode";
  LPOLESTR names[] = {name};
  DISPID id = 0;
  ASSERT_EQ(E().GetIDsOfNames(GUID_NULL, names, 1, 0, &id), S_OK);
  DISPPARAMS none{};
  Variant result;
  ASSERT_EQ(E().Invoke(id, GUID_NULL, 0, DISPATCH_PROPERTYGET, &none, &result, nullptr, nullptr), S_OK);
  EXPECT_EQ(Utf8(result.bstrVal), "00");
}

}  // namespace
}  // namespace corvatin
