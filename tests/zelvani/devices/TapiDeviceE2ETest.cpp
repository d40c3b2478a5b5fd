// The modem device end to end: the device dials through the telephony layer
// to the simulated modem, whose data mode is bridged to the register
// simulator. A dialled call with its open flow, a written and a read packet
// and the hang-up; each failure of the dial with its result code, its time
// bound and the line closed; a carrier lost during a transfer; the call kept
// across Disconnect and Connect; the line settings; and the mended faults:
// Abort drops the call, the modem never opens a port by name, a finished
// call's handle is not reused; and the modems met on real lines: one that
// ignores DTR, one left quiet or with carrier detect held on, one fixed at
// another rate, a slow line under Abort, a call lost just before Connect.
#include <dirent.h>
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <sstream>
#include <thread>

#include "platform/comm/testing.h"
#include "platform/tapi/lines.h"
#include "tests/zelvani/devices/ModemSimulator.h"
#include "tests/zelvani/devices/RegisterSimulator.h"
#include "zelvani/devices/CommunicationReport.h"
#include "zelvani/devices/QAVZLVTapiDevice.h"
#include "zelvani/model/TextHelpers.h"

namespace zelvani {
namespace {

using namespace std::chrono_literals;
using Fields = RegisterSimulator::Fields;
using Clock = std::chrono::steady_clock;
using Outcome = ModemSimulator::Outcome;

const Fields kCoffee{"COFFEE", "12.50", "A", "7"};
const Fields kAnna{"123.45", "42", "ANNA"};
constexpr int kShort = 400;  // ms: the port time-outs of these tests

int OpenDescriptors() {
  int n = 0;
  if (DIR* d = opendir("/proc/self/fd")) {
    while (readdir(d)) ++n;
    closedir(d);
  }
  return n;
}

class TapiDeviceE2ETest : public ::testing::Test {
 protected:
  void SetUp() override {
    reg_.emplace("COM5");
    modem_.emplace("COM6");
    modem().Bridge(*reg_).Guard(300ms);
    tapi::AddModemLine("Sim Modem", "COM6");
    tapi::AddModemLine("Other Modem", "COM96");
    protocol_ = Create<IQAVZLVProtocol>(CLSID_QAVZLVProtocol);
    protocol_->get_PacketLibrary(library_.Out());
    VARIANT_BOOL ok = VARIANT_FALSE;
    Bstr file = Bstr::Attach(AnsiToBstr(RegisterSimulator::DefaultLibrary()));
    ASSERT_EQ(library_->LoadFromFile(file.Get(), &ok), S_OK);
    ASSERT_EQ(ok, VARIANT_TRUE);
    device_ = com::MakeObject<TQAVZLVTapiDevice>();
    d().SetProtocol(protocol_.Get());
    d().SetAddress("DeviceID=0;PhoneNumber=5551234;ConnectionTimeout=3000");
    d().SetPacketTimeouts(kShort, kShort);
  }
  void TearDown() override {
    reg_->Stop();
    device_ = nullptr;
    modem_->Stop();
    modem_.reset();
    reg_.reset();
  }
  RegisterSimulator& reg() { return *reg_; }
  ModemSimulator& modem() { return *modem_; }
  TQAVZLVTapiDevice& d() { return *device_.Get(); }

  bool Connect() {
    VARIANT_BOOL ok = VARIANT_FALSE;
    EXPECT_EQ(device_->Connect(&ok), S_OK);
    return ok == VARIANT_TRUE;
  }
  bool Disconnect() {
    VARIANT_BOOL ok = VARIANT_FALSE;
    EXPECT_EQ(device_->Disconnect(&ok), S_OK);
    return ok == VARIANT_TRUE;
  }
  ComPtr<IQAVZLVPacket> Packet(const char* id, const Fields& fields = {}) {
    ComPtr<IQAVZLVPacket> p;
    Bstr b = Bstr::Attach(AnsiToBstr(id));
    EXPECT_EQ(protocol_->CreatePacket(b.Get(), Variant(), 0, p.Out()), S_OK);
    for (std::size_t i = 0; i < fields.size(); ++i)
      p->put_FieldValues(Variant::I4(static_cast<LONG>(i + 1)), Variant::Ansi(fields[i]));
    return p;
  }
  LONG Write(IQAVZLVPacket* p) {
    LONG r = -1;
    EXPECT_EQ(device_->WritePacket(p, &r), S_OK);
    return r;
  }
  std::string Message() {
    Bstr m;
    device_->get_LastErrorMessage(m.Out());
    return WideToUtf8(BstrView(m.Get()));
  }
  void Done() { ASSERT_TRUE(reg().WaitDone(5s)) << reg().Report(); }
  // The hang-up (DTR held low, then the carrier's fall) ends the call well
  // within this; the wait is long only for a loaded machine.
  bool CallEnded() {
    return modem().WaitFor([&] { return !modem().InCall(); }, 10s);
  }

  // A new modem on the line, bridged to the register as in SetUp.
  ModemSimulator& NewModem() {
    modem_.reset();
    modem_.emplace("COM6");
    modem().Bridge(*reg_).Guard(300ms);
    return modem();
  }
  // Writes an article while the remote end hangs up as soon as the register
  // has it (`received` bytes in all by then): the write ends with the lost call.
  LONG WriteWhileTheRemoteHangsUp(std::size_t received) {
    std::thread remote([&] {
      reg().WaitReceived(received, 5s);
      modem().LoseCarrier();
    });
    auto article = Packet("I", kCoffee);
    const LONG r = Write(article.Get());
    remote.join();
    return r;
  }
  std::size_t ArticleSize() { return reg().Pack("I", kCoffee).size(); }

  ScopedTestRegistry registry_;
  std::optional<RegisterSimulator> reg_;
  std::optional<ModemSimulator> modem_;
  ComPtr<IQAVZLVProtocol> protocol_;
  ComPtr<IQAVZLVPacketLibrary> library_;
  ComPtr<TQAVZLVTapiDevice> device_;
};

TEST_F(TapiDeviceE2ETest, ADialledCallCarriesTheFlowsAndIsHungUp) {
  modem().Dial("5551234", {"CONNECT 9600", 200ms});
  reg().Expect(reg::kEnq).Ack()
      .ExpectPacket("I").Ack()
      .Expect(reg::kSwitchToRead).Ack()
      .SendPacket("R", kAnna).Expect(reg::kAck)
      .Expect(reg::kCloseRead).Ack();
  reg().Start();
  modem().Start();
  EXPECT_EQ(d().DeviceType(), qzlvdtTAPIDevice);
  ASSERT_TRUE(Connect()) << d().LastError() << " " << reg().Report();
  EXPECT_TRUE(d().IsConnected());
  EXPECT_EQ(modem().Dials(), 1);
  EXPECT_EQ(modem().Commands().back(), "ATDT5551234");
  EXPECT_EQ(reg().Opens(), 1) << "the register sees its line come up with the call";

  auto article = Packet("I", kCoffee);
  ASSERT_EQ(Write(article.Get()), 0);
  VARIANT_BOOL ok = VARIANT_FALSE;
  ASSERT_EQ(device_->ModeSwitch(&ok), S_OK);
  ASSERT_EQ(ok, VARIANT_TRUE);
  auto read = Packet("R");
  LONG r = -1;
  ASSERT_EQ(device_->ReadPacket(read.Get(), &r), S_OK);
  EXPECT_EQ(r, 0) << Message();
  Variant v;
  read->get_FieldValues(Variant::I4(3), &v);
  EXPECT_EQ(Trim(BstrToAnsi(v.As(VT_BSTR).bstrVal)), "ANNA");
  ASSERT_EQ(device_->SendACK(), S_OK);

  EXPECT_TRUE(Disconnect());
  Done();
  EXPECT_TRUE(CallEnded());
  EXPECT_EQ(modem().Hangups(), 1);
  EXPECT_FALSE(d().IsConnected());
  EXPECT_FALSE(d().TapiLine().Active());
  EXPECT_EQ(d().TapiLine().CommHandle(), INVALID_HANDLE_VALUE);
}

TEST_F(TapiDeviceE2ETest, EachFailedDialHasItsCodeTimeAndClosedLine) {
  struct Row {
    const char* what;
    std::string address;
    Outcome outcome;
    LONG code;
    const char* message;
    std::chrono::milliseconds within;
  };
  const Row rows[] = {
      {"busy", "", {"BUSY", 100ms}, qzlvpeDeviceBusy, "Urządzenie jest obecnie zajęte", 1500ms},
      {"refused", "", {"ERROR", 100ms}, qzlvpeCantConnect, "Nie można nawiązać połączenia", 1500ms},
      {"no carrier", "", {"NO CARRIER", 100ms}, qzlvpeDisconnected, "Urządzenie zerwało połączenie", 1500ms},
      {"no answer in time", ";ConnectionTimeout=700", {"", 0ms}, qzlvpeTimeout,
       "Operacja nie zakończyła się w przewidywanym czasie (timeout)", 2500ms},
      {"slow connect", ";ConnectionTimeout=500", {"CONNECT 9600", 1500ms}, qzlvpeTimeout,
       "Operacja nie zakończyła się w przewidywanym czasie (timeout)", 2500ms},
      {"unknown line name", ";DeviceID=Nowhere", {}, qzlvpeDeviceError, "Błąd wewnętrzny urządzenia", 500ms},
      {"line without a port", ";DeviceID=1", {}, qzlvpeDeviceError, "Błąd wewnętrzny urządzenia", 500ms},
      {"line number out of range", ";DeviceID=7", {}, qzlvpeDeviceError, "Błąd wewnętrzny urządzenia", 500ms},
      {"number a modem refuses", ";PhoneNumber=55x5", {}, qzlvpeDeviceError, "Błąd wewnętrzny urządzenia", 500ms},
  };
  modem().Start();
  reg().Never();
  reg().Start();
  library_->put_CreateReport(VARIANT_TRUE);
  const int fds = OpenDescriptors();
  for (const Row& r : rows) {
    SCOPED_TRACE(r.what);
    modem().Dial("5551234", r.outcome);
    // Later keys do not replace earlier ones: the row's own keys go first.
    const std::string address = r.address.empty() ? std::string() : r.address.substr(1) + ";";
    d().SetAddress(address + "DeviceID=0;PhoneNumber=5551234;ConnectionTimeout=3000");
    ClearReportLines();
    const auto start = Clock::now();
    EXPECT_FALSE(Connect());
    EXPECT_LT(Clock::now() - start, r.within);
    const std::vector<std::string> report = ReportLines();
    ASSERT_FALSE(report.empty());
    EXPECT_EQ(report.front().substr(15), "--- Connect ---");
    const std::string dialLine = "DIAL '" + d().TapiLine().PhoneNumber() + "' : " + std::to_string(r.code);
    EXPECT_EQ(report.back().substr(15, dialLine.size()), dialLine) << report.back();
    EXPECT_EQ(d().LastError(), r.code);
    EXPECT_EQ(Message(), r.message);
    EXPECT_FALSE(d().TapiLine().Active()) << "the line is closed after a failed dial";
    EXPECT_FALSE(d().IsConnected());
    EXPECT_TRUE(CallEnded());
  }
  ClearReportLines();
  EXPECT_TRUE(reg().Received().empty()) << "no open flow ran";
  EXPECT_EQ(OpenDescriptors(), fds);
}

TEST_F(TapiDeviceE2ETest, AModemThatDisappearsDuringTheDialClosesTheLine) {
  modem().Dial("5551234", {"", 0ms});
  modem().Start();
  std::thread closer([&] {
    modem().WaitFor([&] { return modem().Dials() == 1; }, 3s);
    modem().ClosePort();
  });
  const auto start = Clock::now();
  EXPECT_FALSE(Connect());
  closer.join();
  EXPECT_LT(Clock::now() - start, 2s);
  EXPECT_EQ(d().LastError(), qzlvpeUnexpected);
  EXPECT_FALSE(d().TapiLine().Active());
}

TEST_F(TapiDeviceE2ETest, ACarrierLostDuringATransferEndsItWithDisconnected) {
  modem().Dial("5551234", {"CONNECT 9600", 100ms});
  reg().Expect(reg::kEnq).Ack().ExpectPacket("I").Never();
  reg().Start();
  modem().Start();
  ASSERT_TRUE(Connect());
  std::thread loser([&] {
    reg().WaitReceived(2, 3s);
    modem().LoseCarrier();
  });
  auto article = Packet("I", kCoffee);
  const auto start = Clock::now();
  EXPECT_EQ(Write(article.Get()), qzlvpeDisconnected);
  loser.join();
  EXPECT_LT(Clock::now() - start, 5s);
  EXPECT_EQ(Message(), "Urządzenie zerwało połączenie");
  EXPECT_FALSE(Disconnect()) << "the close flow has no call to run over";
  EXPECT_EQ(d().LastError(), qzlvpeDisconnected);
  EXPECT_FALSE(d().TapiLine().Active());
  EXPECT_FALSE(d().IsConnected());
}

// Disconnect once answered success and left the line open when the line had
// forgotten the lost call before the failed flow, so that the port was let
// go before Disconnect came.
TEST_F(TapiDeviceE2ETest, ADisconnectAfterTheLineForgotTheLostCallClosesTheLine) {
  modem().Dial("5551234", {"CONNECT 9600", 100ms});
  reg().Expect(reg::kEnq).Ack().Never();
  reg().Start();
  modem().Start();
  ASSERT_TRUE(Connect());
  modem().LoseCarrier();
  const auto end = Clock::now() + 10s;
  while (d().TapiLine().CallConnected() && Clock::now() < end) std::this_thread::sleep_for(5ms);
  ASSERT_FALSE(d().TapiLine().CallConnected());
  auto article = Packet("I", kCoffee);
  EXPECT_EQ(Write(article.Get()), qzlvpeDisconnected);
  EXPECT_FALSE(Disconnect()) << "the close flow has no call to run over";
  EXPECT_EQ(d().LastError(), qzlvpeDisconnected);
  EXPECT_FALSE(d().TapiLine().Active());
  EXPECT_FALSE(d().IsConnected());
}

// Line events were once applied on the line's own thread, writing the error
// text while a flow wrote it on the caller's; now they wait for the caller.
TEST_F(TapiDeviceE2ETest, ALineEventChangesNothingUntilTheCallersNextOperation) {
  modem().Dial("5551234", {"CONNECT 9600", 100ms});
  reg().Expect(reg::kEnq).Ack().Never();
  reg().Start();
  modem().Start();
  ASSERT_TRUE(Connect());
  modem().LoseCarrier();
  const auto end = Clock::now() + 3s;
  while (d().TapiLine().CallConnected() && Clock::now() < end) std::this_thread::sleep_for(5ms);
  ASSERT_FALSE(d().TapiLine().CallConnected());
  std::this_thread::sleep_for(100ms);  // the event has been raised on the line's thread by now
  EXPECT_EQ(d().LastError(), qzlvpeOK);
  EXPECT_EQ(Message(), "Operacja zakończona poprawnie");
  auto article = Packet("I", kCoffee);
  EXPECT_EQ(Write(article.Get()), qzlvpeDisconnected);
  EXPECT_EQ(d().LastError(), qzlvpeDisconnected);
}

TEST_F(TapiDeviceE2ETest, GarbageThatComesWithTheCallIsPurgedBeforeTheOpenFlow) {
  modem().Dial("5551234", {"CONNECT 9600", 100ms, "zzzz"});
  reg().Expect(reg::kEnq).Ack();
  reg().Start();
  modem().Start();
  // The reset after the dial purges what the line brought with the call.
  EXPECT_TRUE(Connect()) << d().LastError();
  EXPECT_TRUE(modem().InCall());
}

TEST_F(TapiDeviceE2ETest, KeepConnectionHoldsTheCallAcrossDisconnectAndConnect) {
  modem().Dial("5551234", {"CONNECT 9600", 100ms});
  // The last open flow comes after a hang-up and a new dial: its deadline
  // allows for a loaded machine.
  reg().Expect(reg::kEnq).Ack().Expect(reg::kEot).Ack().Expect(reg::kEnq).Ack().Expect(reg::kEot).Ack()
      .Within(20s).Expect(reg::kEnq).Ack();
  reg().Start();
  modem().Start();
  d().SetKeepConnection(true);
  ASSERT_TRUE(Connect());
  EXPECT_TRUE(Disconnect());
  EXPECT_TRUE(modem().InCall());
  EXPECT_TRUE(d().TapiLine().CallConnected());
  ASSERT_TRUE(Connect());
  EXPECT_EQ(modem().Dials(), 1) << "no second dial";
  d().SetKeepConnection(false);
  EXPECT_TRUE(Disconnect());
  EXPECT_TRUE(CallEnded());

  // The next Connect dials again: the ended call's handle is forgotten.
  ASSERT_TRUE(Connect()) << d().LastError() << ::testing::PrintToString(modem().Commands()) << reg().Report();
  EXPECT_EQ(modem().Dials(), 2);
  Done();
}

// Abort once closed the port first, so the disconnect behind it found nothing
// open and never dropped the call.
TEST_F(TapiDeviceE2ETest, AbortDropsTheCallUnlessKept) {
  modem().Dial("5551234", {"CONNECT 9600", 100ms});
  reg().Expect(reg::kEnq).Ack().Expect(reg::kEot).Ack().Expect(reg::kEnq).Ack().Expect(reg::kEot).Ack();
  reg().Start();
  modem().Start();
  d().SetKeepConnection(true);
  ASSERT_TRUE(Connect());
  ASSERT_EQ(device_->Abort(), S_OK);
  EXPECT_TRUE(modem().InCall()) << "kept";
  d().SetKeepConnection(false);
  ASSERT_TRUE(Connect());
  ASSERT_EQ(device_->Abort(), S_OK);
  Done();
  EXPECT_TRUE(CallEnded());
  EXPECT_FALSE(d().TapiLine().Active());
  EXPECT_FALSE(d().IsConnected());
}

// The serial SetActive opened the component's port by name (COM1) during a
// retry or after an abort; the modem's acts on the call only.
TEST_F(TapiDeviceE2ETest, NoPortIsEverOpenedByName) {
  RegisterSimulator com1("COM1");
  com1.Never();
  com1.Start();
  modem().Dial("5551234", {"CONNECT 9600", 100ms});
  reg().Expect(reg::kEnq).Ack().Expect(reg::kEot).Ack();
  reg().Start();
  modem().Start();
  ASSERT_TRUE(Connect());
  ASSERT_EQ(device_->Abort(), S_OK);
  VARIANT_BOOL ok = VARIANT_FALSE;
  ASSERT_EQ(device_->Reset(&ok), S_OK);
  EXPECT_EQ(ok, VARIANT_TRUE);
  auto article = Packet("I", kCoffee);
  EXPECT_NE(Write(article.Get()), 0) << "no call, no port";
  EXPECT_EQ(com1.Opens(), 0);
  EXPECT_FALSE(d().IsConnected());
  com1.Stop();
}

TEST_F(TapiDeviceE2ETest, SettingsChooseTheLineTheNumberAndTheRates) {
  modem().Dial("777", {"CONNECT 9600", 100ms});
  reg().Expect("CTRL").Expect(reg::kEnq).Ack();
  reg().Start();
  modem().Start();
  d().SetAddress("DeviceID=sim MODEM;PhoneNumber=777;Speed=9600;RMUXName=aster;RMUXControlString=CTRL");
  ASSERT_TRUE(Connect()) << d().LastError() << reg().Report();
  Done();
  EXPECT_EQ(d().TapiLine().DeviceID(), 0u);
  EXPECT_EQ(d().TapiLine().MaxTransferRate(), 9600);
  EXPECT_EQ(d().TapiLine().MinTransferRate(), 9600);
  EXPECT_EQ(d().ConnectionTimeout(), 120000) << "the default";
  EXPECT_EQ(modem().Commands().back(), "ATDT777");
}

// The hang-up's reply is read with a limit of its own: it once waited with
// the read time-out the device had left on the call's port, and Disconnect
// from a modem that ignores DTR took many seconds more than the escape's
// guard times and the reply (about 2.5 s).
TEST_F(TapiDeviceE2ETest, DisconnectFromAModemThatIgnoresDtrTakesOnlyTheEscape) {
  modem().Dial("5551234", {"CONNECT 9600", 100ms}).IgnoreDtr();
  reg().Expect(reg::kEnq).Ack().Expect(reg::kEot).Ack();
  reg().Start();
  modem().Start();
  // Long read time-outs on the port, as a host's device has them.
  d().SetPacketTimeouts(RegisterSimulator::kDefaultWithin.count(), 1000);
  ASSERT_TRUE(Connect()) << d().LastError();
  const auto start = Clock::now();
  EXPECT_TRUE(Disconnect());
  EXPECT_LT(Clock::now() - start, 7s);
  Done();
  EXPECT_TRUE(CallEnded());
  EXPECT_EQ(modem().Commands().back(), "ATH");
  EXPECT_FALSE(d().TapiLine().Active());
}

// A Connect right after a write that ended with the lost call once ran the
// open flow over that call, before the line's thread had taken in its end.
// A call whose carrier has gone is let go without a hang-up, so the tries
// are quick.
TEST_F(TapiDeviceE2ETest, ConnectRightAfterALostCallAlwaysDialsANewOne) {
  constexpr int kTries = 100;
  modem().Dial("5551234", {"CONNECT 9600", 10ms});
  for (int i = 0; i < kTries; ++i) reg().Expect(reg::kEnq).Ack().ExpectPacket("I");
  reg().Never();
  reg().Start();
  modem().Start();
  const std::size_t perTry = reg::kEnq.size() + ArticleSize();
  for (int i = 0; i < kTries; ++i) {
    SCOPED_TRACE(i);
    ASSERT_TRUE(Connect()) << d().LastError() << ::testing::PrintToString(modem().Commands());
    ASSERT_EQ(WriteWhileTheRemoteHangsUp(perTry * (i + 1)), qzlvpeDisconnected);
  }
  EXPECT_EQ(modem().Dials(), kTries) << "every Connect dialled";
}

// The line sets a modem up with what it needs: a modem left quiet once failed
// every Connect (70), and one that held carrier detect on never told a remote
// hang-up (33 instead of 68) and could not dial again.
TEST_F(TapiDeviceE2ETest, ModemsLeftQuietOrWithCarrierDetectOnAreSetUp) {
  struct Row {
    const char* what;
    std::function<void(ModemSimulator&)> leftAs;
  };
  const Row rows[] = {
      {"quiet (Q1)", [](ModemSimulator& m) { m.Quiet(); }},
      {"carrier detect held on (&C0)", [](ModemSimulator& m) { m.CarrierDetectAlwaysOn(); }},
  };
  for (std::size_t i = 0; i < std::size(rows); ++i)
    reg().Expect(reg::kEnq).Ack().ExpectPacket("I").Expect(reg::kEnq).Ack().Expect(reg::kEot).Ack();
  reg().Start();
  std::size_t received = 0;
  for (const Row& r : rows) {
    SCOPED_TRACE(r.what);
    r.leftAs(NewModem().Dial("5551234", {"CONNECT 9600", 50ms}));
    modem().Start();
    ASSERT_TRUE(Connect()) << d().LastError();
    EXPECT_EQ(modem().Commands().front(), tapi::kDefaultInit);
    received += reg::kEnq.size() + ArticleSize();
    EXPECT_EQ(WriteWhileTheRemoteHangsUp(received), qzlvpeDisconnected);
    ASSERT_TRUE(Connect()) << "dials again: " << d().LastError();
    EXPECT_EQ(modem().Dials(), 2);
    EXPECT_TRUE(Disconnect());
    received += reg::kEnq.size() + reg::kEot.size();
    modem().Stop();
  }
  Done();
}

// A modem fixed at 19200 baud that needs RTS/CTS is reached only through a
// line whose key says so; the call's port keeps those settings.
TEST_F(TapiDeviceE2ETest, TheLinesKeySetsThePortsRateAndFlowControl) {
  struct Row {
    const char* what;
    tapi::ModemLine line;
    bool connects;
  };
  const Row rows[] = {
      {"the defaults", {"Sim Modem", "COM6", "", "", ""}, false},
      {"19200 baud and RTS/CTS", {"Sim Modem", "COM6", "", "19200", "rts/cts"}, true},
  };
  reg().Expect(reg::kEnq).Ack();
  reg().Start();
  modem().Dial("5551234", {"CONNECT 9600", 50ms}).FixedRate(19200, true);
  modem().Start();
  for (const Row& r : rows) {
    SCOPED_TRACE(r.what);
    tapi::RemoveModemLines();
    tapi::AddModemLine(r.line);
    ASSERT_EQ(Connect(), r.connects);
    if (!r.connects) {
      EXPECT_EQ(d().LastError(), qzlvpeDeviceError);
      continue;
    }
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    ASSERT_TRUE(GetCommState(d().CommPort().Handle(), &dcb));
    EXPECT_EQ(dcb.BaudRate, 19200u);
    EXPECT_EQ(dcb.fOutxCtsFlow, 1u);
    EXPECT_EQ(dcb.fRtsControl, RTS_CONTROL_HANDSHAKE);
    EXPECT_EQ(comm::testing::PortSpeed(d().CommPort().Handle()), 19200u);
  }
  Done();
}

// Abort once dropped DTR a few milliseconds after its EOT, with nothing
// drained: on a slow line the EOT never reached the register.
TEST_F(TapiDeviceE2ETest, TheEotOfAbortReachesTheRegisterBeforeDtrDrops) {
  // The library's close flow without its acknowledgement: nothing holds the
  // hang-up back but the drain.
  std::ifstream in(RegisterSimulator::DefaultLibrary());
  std::stringstream text;
  text << in.rdbuf();
  std::string library = text.str();
  const std::string closeWrite = "FlowCloseWrite;CLOSEWRITING;\n{\n1;PC->;<EOT>;0;;0;0;0;;0;\n";
  const std::size_t at = library.find(closeWrite);
  ASSERT_NE(at, std::string::npos);
  library.erase(at + closeWrite.size(), library.find('}', at) - at - closeWrite.size());
  const auto path = std::filesystem::temp_directory_path() / ("tapi-abort-" + std::to_string(getpid()) + ".pkd");
  std::ofstream(path) << library;
  VARIANT_BOOL ok = VARIANT_FALSE;
  Bstr file = Bstr::Attach(AnsiToBstr(path.string()));
  ASSERT_EQ(library_->LoadFromFile(file.Get(), &ok), S_OK);
  std::filesystem::remove(path);
  ASSERT_EQ(ok, VARIANT_TRUE);

  modem().Dial("5551234", {"CONNECT 9600", 50ms});
  reg().Expect(reg::kEnq).Ack().Expect(reg::kEot).Never();
  reg().Start();
  modem().Start();
  ASSERT_TRUE(Connect()) << d().LastError();
  modem().SlowLine(150ms);
  ASSERT_EQ(device_->Abort(), S_OK);
  EXPECT_TRUE(CallEnded());
  Done();
  EXPECT_EQ(modem().Hangups(), 1);
}

}  // namespace
}  // namespace zelvani
