// The serial device end to end: a pseudo-terminal line to the register
// simulator, the device opening it as COM5 through its settings string. Line
// settings through the port's DCB, the open, close, write, read, ACK and NAK
// flows with their exact bytes, every ReadPacket outcome, repeated runs and the
// final time-out, the port time-outs around each flow, the multiplexers on the
// virtual modem lines, the report, and the mended faults: a refused port name,
// a multiplexer that cannot be switched, a line that never ends its packet.
#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <optional>
#include <filesystem>
#include <fstream>
#include <thread>

#include "platform/comm/comm.h"
#include "platform/comm/testing.h"
#include "tests/zelvani/devices/RegisterSimulator.h"
#include "zelvani/devices/CommunicationReport.h"
#include "zelvani/devices/QAVZLVComDevice.h"
#include "zelvani/model/TextHelpers.h"

namespace zelvani {
namespace {

using namespace std::chrono_literals;
using Fields = RegisterSimulator::Fields;
using Clock = std::chrono::steady_clock;

const Fields kCoffee{"COFFEE", "12.50", "A", "7"};
const Fields kAnna{"123.45", "42", "ANNA"};
constexpr int kShort = 300;  // ms: the port time-outs of these tests

// Records the port's read and write time-outs at every read.
class TRecordingDevice final : public TQAVZLVComDevice {
 public:
  BYTE ReadString(std::string& data, LONG count, const std::string& terminator) override {
    timeouts.emplace_back(CommPort().RdTimeout(), CommPort().WrTimeout());
    return TQAVZLVComDevice::ReadString(data, count, terminator);
  }
  LONG ExecuteFlow(LONG flowType, std::string& data) override {
    const std::size_t before = timeouts.size();
    const LONG r = TQAVZLVComDevice::ExecuteFlow(flowType, data);
    readsPerRun.push_back(timeouts.size() - before);
    return r;
  }
  std::vector<std::pair<int, int>> timeouts;
  std::vector<std::size_t> readsPerRun;
};

std::string Text(IQAVZLVDevice* d) {
  Bstr m;
  d->get_LastErrorMessage(m.Out());
  return WideToUtf8(BstrView(m.Get()));
}

class ComDeviceE2ETest : public ::testing::Test {
 protected:
  void SetUp() override {
    sim_.emplace("COM5");
    protocol_ = Create<IQAVZLVProtocol>(CLSID_QAVZLVProtocol);
    protocol_->get_PacketLibrary(library_.Out());
    VARIANT_BOOL ok = VARIANT_FALSE;
    Bstr file = Bstr::Attach(AnsiToBstr(RegisterSimulator::DefaultLibrary()));
    ASSERT_EQ(library_->LoadFromFile(file.Get(), &ok), S_OK);
    ASSERT_EQ(ok, VARIANT_TRUE);
    device_ = com::MakeObject<TRecordingDevice>();
    d().SetProtocol(protocol_.Get());
    d().SetPort("COM5");
    d().SetAddress("Timeout=" + std::to_string(kShort));
    d().SetPacketTimeouts(kShort, kShort);
  }
  void TearDown() override {
    sim_->Stop();
    device_ = nullptr;  // closes the port before the line goes
    sim_.reset();
  }
  RegisterSimulator& sim() { return *sim_; }

  TRecordingDevice& d() { return *device_.Get(); }
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
  bool ModeSwitch() {
    VARIANT_BOOL ok = VARIANT_FALSE;
    EXPECT_EQ(device_->ModeSwitch(&ok), S_OK);
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
  LONG Read(ComPtr<IQAVZLVPacket>& p) {
    p = Packet("R");
    LONG r = -1;
    EXPECT_EQ(device_->ReadPacket(p.Get(), &r), S_OK);
    return r;
  }
  std::string Field(IQAVZLVPacket* p, LONG i) {
    Variant v;
    p->get_FieldValues(Variant::I4(i), &v);
    return BstrToAnsi(v.As(VT_BSTR).bstrVal);
  }
  DCB LineSettings() {
    DCB dcb{};
    EXPECT_TRUE(GetCommState(d().CommPort().Handle(), &dcb));
    return dcb;
  }
  void Done() { ASSERT_TRUE(sim().WaitDone(5s)) << sim().Report(); }

  ScopedTestRegistry registry_;
  std::optional<RegisterSimulator> sim_;

  ComPtr<IQAVZLVProtocol> protocol_;
  ComPtr<IQAVZLVPacketLibrary> library_;
  ComPtr<TRecordingDevice> device_;
};

TEST_F(ComDeviceE2ETest, ConnectSetsTheLineAndDisconnectClosesIt) {
  sim().Expect(reg::kEnq).Ack().Expect(reg::kEot).Ack();
  sim().Start();
  d().SetAddress("Speed=19200;Parity=E;StopBits=2;DataBits=7;FlowControl=X;Timeout=" + std::to_string(kShort));
  ASSERT_TRUE(Connect());
  EXPECT_EQ(d().LastError(), 0);
  EXPECT_EQ(Text(device_.Get()), "Operacja zakończona poprawnie");
  const DCB dcb = LineSettings();
  EXPECT_EQ(dcb.BaudRate, CBR_19200);
  EXPECT_EQ(dcb.Parity, EVENPARITY);
  EXPECT_EQ(dcb.StopBits, TWOSTOPBITS);
  EXPECT_EQ(dcb.ByteSize, 7);
  EXPECT_EQ(DcbFlagWord(dcb), 769u);
  EXPECT_TRUE(Disconnect());
  EXPECT_FALSE(d().IsConnected());
  Done();
  EXPECT_EQ(sim().Received(), reg::kEnq + reg::kEot);
  EXPECT_TRUE(Disconnect()) << "closed: nothing to send";
  EXPECT_EQ(sim().Received(), reg::kEnq + reg::kEot);
}

TEST_F(ComDeviceE2ETest, WriteReadAckNakAndEveryReadOutcome) {
  sim().Expect(reg::kEnq).Ack()
      .ExpectPacket("I").Nak().ExpectPacket("I").Ack()
      .Expect(reg::kSwitchToRead).Ack()
      .SendPacket("R", kAnna).Expect(reg::kAck)
      .SendPacket("I", kCoffee)
      .BadChecksum("R", kAnna).Expect(reg::kNak)
      .Wait().EndOfData("R", kAnna)
      .NoData()
      .Expect(reg::kCloseRead).Ack();
  sim().Start();
  ASSERT_TRUE(Connect());
  auto article = Packet("I", kCoffee);
  ASSERT_EQ(Write(article.Get()), 0);
  EXPECT_EQ(d().Stats().PacketsSent(), 1);
  EXPECT_EQ(d().Stats().Retransmissions(), 1);
  ASSERT_TRUE(ModeSwitch());

  ComPtr<IQAVZLVPacket> p;
  const std::pair<LONG, const char*> outcomes[] = {
      {0, "Operacja zakończona poprawnie"},
      {0, "Operacja zakończona poprawnie"},  // an article: identified by the definitions after R
      {4, "Błąd sumy kontrolnej"},
      {16, "Nie ma więcej danych"},
      {17, "Brak danych"},
  };
  for (const auto& [result, text] : outcomes) {
    SCOPED_TRACE(result);
    if (result == 17) d().SetKeepConnection(true);  // no data closes the port unless kept
    EXPECT_EQ(Read(p), result);
    EXPECT_EQ(Text(device_.Get()), text);
    if (result == 4) device_->SendNAK();
    if (result == 0 && d().Stats().PacketsReceived() == 1) {
      device_->SendACK();
      EXPECT_EQ(Trim(Field(p.Get(), 3)), "ANNA");
    }
    if (result == 0 && d().Stats().PacketsReceived() == 2) {
      Bstr id;
      p->get_ID(id.Out());
      EXPECT_EQ(BstrToAnsi(id.Get()), "I");
      EXPECT_EQ(Trim(Field(p.Get(), 1)), "COFFEE");
    }
  }
  EXPECT_EQ(d().Stats().PacketsReceived(), 4);
  d().SetKeepConnection(false);
  EXPECT_TRUE(Disconnect());
  Done();
  const auto packets = sim().Packets();
  ASSERT_EQ(packets.size(), 2u);
  Fields got = packets[1].fields;
  got[0] = Trim(got[0]);
  EXPECT_EQ(got, (Fields{"COFFEE", "12.5", "A", "7"}));
  EXPECT_EQ(d().LastPacketSent(), packets[1].wire);
  EXPECT_EQ(sim().Received(), reg::kEnq + packets[0].wire + packets[1].wire + reg::kSwitchToRead + reg::kAck +
                                 reg::kNak + reg::kCloseRead);
}

TEST_F(ComDeviceE2ETest, UnknownPacketsUndefinedFlowAndTheFinalTimeOut) {
  const std::string foreign = reg::kStx + "Zabc" + reg::kEtx + "0000";
  sim().Expect(reg::kEnq).Ack().Send(foreign).Within(3000ms).Expect(reg::kNak + reg::kNak + reg::kNak + reg::kNak);
  sim().Start();
  ASSERT_TRUE(Connect());
  ComPtr<IQAVZLVPacket> p;
  EXPECT_EQ(Read(p), 1);
  EXPECT_EQ(Text(device_.Get()), "Odebrano pakiet nieznanego typu");
  EXPECT_EQ(d().LastPacketReceived(), "");

  // Nothing more comes: five runs, the port reopened and NAK sent between them.
  const auto start = Clock::now();
  EXPECT_EQ(Read(p), 33);
  EXPECT_EQ(Text(device_.Get()), "Operacja nie zakończyła się w przewidywanym czasie (timeout)");
  EXPECT_LT(Clock::now() - start, 5 * (kShort + 400) * 1ms);
  EXPECT_EQ(d().Stats().Retransmissions(), 4);
  Done();

  ComPtr<IQAVZLVFlows> flows;
  library_->get_Flows(flows.Out());
  ComPtr<IQAVZLVFlow> readFlow;
  flows->FindByFlowType(qzlvftReceivePacket, readFlow.Out());
  readFlow->put_FlowType(99);
  EXPECT_EQ(Read(p), 6);
  EXPECT_EQ(Text(device_.Get()), "Nie znaleziono definicji przepływu informacji");
}

TEST_F(ComDeviceE2ETest, ALineThatNeverEndsItsPacketIsCutAndRetried) {
  sim().Expect(reg::kEnq).Ack().Garbage(3 * TQAVZLVComDevice::kMinPacketCap).Never();
  sim().Start();
  ASSERT_TRUE(Connect());
  d().readsPerRun.clear();
  ComPtr<IQAVZLVPacket> p;
  EXPECT_EQ(Read(p), 33);
  // The first run reads one character for the first alternative, then the
  // packet up to the cap and one character past it.
  ASSERT_FALSE(d().readsPerRun.empty());
  EXPECT_EQ(d().readsPerRun[0], TQAVZLVComDevice::kMinPacketCap + 1);
  EXPECT_EQ(d().Stats().Retransmissions(), 4);
}

TEST_F(ComDeviceE2ETest, PortTimeoutsAroundEachFlow) {
  sim().Expect(reg::kEnq).Ack().ExpectPacket("I").Ack().Expect(reg::kEot).Ack().Expect(reg::kEnq).Ack();
  sim().Start();
  d().SetPacketTimeouts(TQAVZLVComDevice::kPacketReadTimeout, TQAVZLVComDevice::kPacketWriteTimeout);
  ASSERT_TRUE(Connect());
  Write(Packet("I", kCoffee).Get());
  EXPECT_TRUE(Disconnect());
  VARIANT_BOOL ok = VARIANT_FALSE;
  {
    SetReportSaving(true);
    ASSERT_EQ(device_->Listen(&ok), S_OK);
    EXPECT_TRUE(ReportSaving());
  }
  EXPECT_EQ(ok, VARIANT_TRUE);
  Done();
  EXPECT_EQ(d().timeouts, (std::vector<std::pair<int, int>>{
                              {10000, 10000}, {2000, 1000}, {kShort, kShort}, {500, 500}}));
  EXPECT_EQ(d().OpenReadTimeout(), -1);
  EXPECT_EQ(d().CommPort().RdTimeout(), kShort);
}

TEST_F(ComDeviceE2ETest, RefusedPortNamesFailAndOpenNothing) {
  sim().Expect(reg::kEnq).Ack().Expect(reg::kEot).Ack().Never();
  sim().Start();
  ASSERT_TRUE(Connect());
  for (const char* name : {"COM0", "", "XYZ1", "COM100"}) {
    SCOPED_TRACE(name);
    d().SetPort(name);  // disconnects the open port first
    EXPECT_FALSE(Connect());
    EXPECT_EQ(d().LastError(), 69);
    EXPECT_EQ(Text(device_.Get()), "Urządzenie jest obecnie zajęte");
    EXPECT_FALSE(d().IsConnected());
  }
  EXPECT_EQ(sim().Received(), reg::kEnq + reg::kEot) << "COM5 was never opened again";
}

// A FALWI multiplexer on the virtual lines: each DTR pulse steps it to its next
// channel, whose number the status lines show (carrier 8, ring 4, DSR 2, CTS 1).
class FalwiMultiplexer {
 public:
  explicit FalwiMultiplexer(long stuckAt = -1) : thread_([this, stuckAt] { Run(stuckAt); }) {}
  ~FalwiMultiplexer() {
    stop_ = true;
    thread_.join();
  }
  int Pulses() const { return pulses_; }

 private:
  void Run(long stuckAt) {
    comm::testing::SetModemStatus("COM5", 0);
    bool dtr = false, fell = false;
    while (!stop_) {
      const bool now = comm::testing::GetOutputLines("COM5").dtr;
      if (dtr && !now) fell = true;
      if (fell && now) {  // a pulse: DTR down and up again
        fell = false;
        const long channel = stuckAt >= 0 ? stuckAt : (pulses_ + 1) % 16;
        ++pulses_;
        comm::testing::SetModemStatus("COM5", (channel & 8 ? MS_RLSD_ON : 0) | (channel & 4 ? MS_RING_ON : 0) |
                                                  (channel & 2 ? MS_DSR_ON : 0) | (channel & 1 ? MS_CTS_ON : 0));
      }
      dtr = now;
      std::this_thread::sleep_for(100us);
    }
  }
  std::atomic<bool> stop_{false};
  std::atomic<int> pulses_{0};
  std::thread thread_;
};

TEST_F(ComDeviceE2ETest, FalwiStepsToItsChannel) {
  sim().Expect(reg::kEnq).Ack();
  sim().Start();
  FalwiMultiplexer mux;
  d().SetAddress("MUXName=falwi;MUXChannel=3");
  ASSERT_TRUE(Connect());
  EXPECT_EQ(mux.Pulses(), 3);
  EXPECT_EQ(d().MUXName(), "FALWI");
  const auto lines = comm::testing::GetOutputLines("COM5");
  EXPECT_TRUE(lines.dtr && lines.rts);
  EXPECT_EQ(d().CommPort().DCBFlags(), 1 | 32 | 8192) << "handshake flags added";
  Done();
}

TEST_F(ComDeviceE2ETest, MultiplexerNotFoundFailsWithCantConnect) {
  sim().Never();
  sim().Start();
  FalwiMultiplexer mux(0);
  d().SetAddress("MUXName=FALWI;MUXChannel=5");
  EXPECT_FALSE(Connect());
  // 32 tries, each followed by a pulse (a watcher starved for a whole pulse
  // may miss one).
  EXPECT_LE(mux.Pulses(), 32);
  EXPECT_GE(mux.Pulses(), 30);
  EXPECT_EQ(d().LastError(), 67);
  EXPECT_EQ(Text(device_.Get()), "Nie można nawiązać połączenia");
  EXPECT_FALSE(d().IsConnected());
  EXPECT_EQ(sim().Received(), "");
}

TEST_F(ComDeviceE2ETest, VeskaAndAsterMultiplexers) {
  struct Row {
    const char* settings;
    bool rts, dtr;
    TNVRDCBFlags flags;
    std::string control;
  } rows[] = {
      {"MUXName=VESKA;MUXChannel=1;FlowControl=H", true, false, 4125 & ~12, ""},
      {"MUXName=VESKA;MUXChannel=2;FlowControl=H", true, true, 4125 & ~12, ""},
      {"MUXName=VESKA;MUXChannel=3;FlowControl=H", false, false, 4125 & ~12, ""},
      {"MUXName=VESKA;MUXChannel=0", false, true, 1, ""},
      {"MUXName=Aster;MUXControlString=\x1b" "3", false, false, 1, "\x1b" "3"},
      {"RMUXName=ASTER;RMUXControlString=AB ", false, false, 1, "AB "},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.settings);
    TearDown();
    SetUp();
    sim().Expect(r.control + reg::kEnq).Ack();
    sim().Start();
    d().SetAddress(r.settings);
    ASSERT_TRUE(Connect());
    const auto lines = comm::testing::GetOutputLines("COM5");
    EXPECT_EQ(lines.rts, r.rts);
    EXPECT_EQ(lines.dtr, r.dtr);
    EXPECT_EQ(d().CommPort().DCBFlags(), r.flags);
    Done();
  }
}

TEST_F(ComDeviceE2ETest, ReportLinesAndTheFilesOfErrors) {
  std::string dir = (std::filesystem::temp_directory_path() / "comdevice-report-XXXXXX").string();
  ASSERT_NE(mkdtemp(dir.data()), nullptr);
  struct Home {
    std::filesystem::path home = std::filesystem::current_path();
    std::string dir;
    ~Home() {
      ClearReportLines();
      std::filesystem::current_path(home);
      std::filesystem::remove_all(dir);
    }
  } restore{std::filesystem::current_path(), dir};
  std::filesystem::current_path(dir);
  library_->put_CreateReport(VARIANT_TRUE);
  ClearReportLines();
  sim().Expect(reg::kEnq).Ack().ExpectPacket("I").Ack().SendPacket("R", kAnna).Never();
  sim().Start();
  ASSERT_TRUE(Connect());
  Write(Packet("I", kCoffee).Get());
  auto texts = [] {
    std::vector<std::string> t;
    for (const std::string& line : ReportLines()) t.push_back(line.substr(15));
    return t;
  };
  EXPECT_EQ(texts(), (std::vector<std::string>{"--- Connect ---", "PC-> '<ENQ>' : OK", "PC<- '<ACK>' : OK",
                                               "--- WritePacket ---",
                                               "PC-> '" + ControlCharsToText(sim().Packets()[0].wire) + "' : OK",
                                               "PC<- '<ACK>' : OK"}));
  ClearReportLines();
  const std::string record = sim().Pack("R", kAnna);
  ComPtr<IQAVZLVPacket> p;
  EXPECT_EQ(Read(p), 0);
  // A line per character up to the end mark, one for the checksum after it.
  ASSERT_EQ(texts().size(), 1 + (record.size() - 4) + 1 + 1);
  EXPECT_EQ(texts().front(), "--- ReadPacket ---");
  EXPECT_EQ(texts()[1], "PC<- '<STX>' : OK");
  EXPECT_EQ(texts().back(), "Packet: '" + ControlCharsToText(record) + "'");
  ClearReportLines();
  // Every failed read writes its line and saves what was collected.
  EXPECT_FALSE(ModeSwitch());
  EXPECT_EQ(texts(), std::vector<std::string>{"--- Crash ---"});
  std::string saved;
  for (const auto& f : std::filesystem::directory_iterator(dir)) {
    std::ifstream in(f.path(), std::ios::binary);
    saved.append(std::istreambuf_iterator<char>(in), {});
  }
  EXPECT_NE(saved.find("] PC-> '<DLE>R' : OK\r\n"), std::string::npos);
  EXPECT_NE(saved.find("] PC<- '' : ERROR (LastErrorType = cetTimeout)\r\n"), std::string::npos);
}

TEST_F(ComDeviceE2ETest, KeepConnectionResetAndAbort) {
  sim().Expect(reg::kEnq).Ack().Expect(reg::kEot).Ack().Expect(reg::kEot).Ack().Expect(reg::kEnq).Ack()
      .Expect(reg::kEot).Ack();
  sim().Start();
  d().SetKeepConnection(true);
  ASSERT_TRUE(Connect());
  const HANDLE h = d().CommPort().Handle();
  EXPECT_TRUE(Disconnect());
  EXPECT_TRUE(d().IsConnected()) << "kept open";
  ASSERT_TRUE(Connect());  // close flow of the kept port, then the open flow
  EXPECT_EQ(d().CommPort().Handle(), h);
  VARIANT_BOOL ok = VARIANT_FALSE;
  ASSERT_EQ(device_->Reset(&ok), S_OK);
  EXPECT_EQ(d().CommPort().Handle(), h) << "a kept port is not reopened";
  d().SetKeepConnection(false);
  ASSERT_EQ(device_->Abort(), S_OK);
  EXPECT_FALSE(d().IsConnected());
  Done();
}

}  // namespace
}  // namespace zelvani
