// The serial device's flow interpreter over a scripted transport (the way the
// hub and modem devices replace it): flow outcomes and result codes, whole-flow
// repetition, the wait and NAK counters, packet reception, missing flows, and
// statistics; and the settings string as the port component receives it.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>

#include "platform/com/interfaces.h"
#include "zelvani/devices/CommunicationReport.h"
#include "zelvani/devices/QAVZLVComDevice.h"
#include "zelvani/model/TextHelpers.h"

namespace zelvani {
namespace {

const std::string kAck = "\x06", kNak = "\x15", kWck = "\x09", kCan = "\x18", kSo = "\x0E";

// Reads come from `input`; a read that wants more than is left takes the rest
// and times out. Writes are recorded and answer `writeStatus`.
class TScriptedDevice final : public TQAVZLVComDevice {
 public:
  bool IsOpen() override { return open; }
  void SetActive(bool v) override {
    if (open && (KeepConnection() || !Master())) return;
    if (open != v) log += v ? "[open]" : "[close]";
    open = v;
  }
  BYTE WriteString(const std::string& d) override {
    log += d;
    writes.push_back(d);
    return writeStatus;
  }
  BYTE ReadString(std::string& d, LONG count, const std::string&) override {
    ++reads;
    const bool enough = static_cast<std::size_t>(count) <= input.size();
    d = input.substr(0, enough ? count : input.size());
    input.erase(0, d.size());
    return enough ? tsDone : tsReadTimeout;
  }
  bool DoReset() override {
    ++resets;
    return true;
  }

  bool open = true;
  std::string input;
  std::string log;  // writes and port changes in order
  std::vector<std::string> writes;
  BYTE writeStatus = tsDone;
  int reads = 0;
  int resets = 0;
};

std::string TempLibrary(const std::string& text) {
  static int n = 0;
  auto path = std::filesystem::temp_directory_path() /
              ("comdevice-" + std::to_string(getpid()) + "-" + std::to_string(++n) + ".pkd");
  std::ofstream(path) << text;
  return path.string();
}

ComPtr<IQAVZLVProtocol> LoadProtocol(const std::string& path) {
  auto protocol = Create<IQAVZLVProtocol>(CLSID_QAVZLVProtocol);
  ComPtr<IQAVZLVPacketLibrary> library;
  EXPECT_EQ(protocol->get_PacketLibrary(library.Out()), S_OK);
  VARIANT_BOOL ok = VARIANT_FALSE;
  Bstr name = Bstr::Attach(AnsiToBstr(path));
  EXPECT_EQ(library->LoadFromFile(name.Get(), &ok), S_OK);
  EXPECT_EQ(ok, VARIANT_TRUE) << path;
  return protocol;
}

ComPtr<IQAVZLVPacket> NewPacket(IQAVZLVProtocol* protocol, const char* id, LONG type = 0) {
  ComPtr<IQAVZLVPacket> packet;
  Bstr b = Bstr::Attach(AnsiToBstr(id));
  EXPECT_EQ(protocol->CreatePacket(b.Get(), Variant(), type, packet.Out()), S_OK);
  return packet;
}

std::string Wire(IQAVZLVProtocol* protocol, IQAVZLVPacket* packet) {
  Bstr wire;
  LONG r = -1;
  EXPECT_EQ(protocol->PackPacket(packet, wire.Out(), &r), S_OK);
  EXPECT_EQ(r, 0);
  return BstrToAnsi(wire.Get());
}

int Count(const std::string& text, const std::string& part) {
  int n = 0;
  for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + part.size())) ++n;
  return n;
}

std::string Message(IQAVZLVDevice* d) {
  Bstr m;
  EXPECT_EQ(d->get_LastErrorMessage(m.Out()), S_OK);
  return WideToUtf8(BstrView(m.Get()));
}

class ComDeviceTest : public ::testing::Test {
 protected:
  void SetUp() override { Use(TEST_DATA_DIR "/register.pkd"); }
  void Use(const std::string& library) {
    protocol_ = LoadProtocol(library);
    device_ = com::MakeObject<TScriptedDevice>();
    d().SetProtocol(protocol_.Get());
  }
  TScriptedDevice& d() { return *device_.Get(); }
  std::string Article() {
    packet_ = NewPacket(protocol_.Get(), "I");
    return Wire(protocol_.Get(), packet_.Get());
  }
  LONG Write() {
    LONG r = -1;
    EXPECT_EQ(device_->WritePacket(packet_.Get(), &r), S_OK);
    return r;
  }

  ComPtr<IQAVZLVProtocol> protocol_;
  ComPtr<TScriptedDevice> device_;
  ComPtr<IQAVZLVPacket> packet_;
};

TEST_F(ComDeviceTest, WritePacketOutcomes) {
  const std::string garbage = "x";
  struct Row {
    std::string replies;
    LONG result;
    int sends;  // the packet was sent this many times
    int nakFlows;
    LONG retransmissions;
  } rows[] = {
      {kAck, 0, 1, 0, 0},
      {kNak + kAck, 0, 2, 0, 1},
      {kNak + kNak + kNak, 32, 3, 0, 2},         // RetryCount 2: the third NAK ends it
      {kWck + kWck + kWck + kAck, 0, 1, 0, 0},   // read again after each wait
      {kWck + kWck + kWck + kWck, 33, 1, 0, 0},  // RetryCount 3: the fourth wait ends it
      {kNak + kWck + kCan, 64, 2, 0, 1},
      {garbage + kAck, 0, 2, 1, 1},              // no match: the whole flow again, NAK flow between
      {"", 33, 5, 4, 4},                         // five read time-outs
      {garbage + garbage + garbage + garbage + garbage, 33, 5, 4, 4},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(ControlCharsToText(r.replies));
    SetUp();
    const std::string wire = Article();
    d().input = r.replies;
    EXPECT_EQ(Write(), r.result);
    EXPECT_EQ(d().LastError(), r.result);
    EXPECT_EQ(std::count(d().writes.begin(), d().writes.end(), wire), r.sends);
    EXPECT_EQ(std::count(d().writes.begin(), d().writes.end(), kNak), r.nakFlows);
    EXPECT_EQ(d().Stats().Retransmissions(), r.retransmissions);
    EXPECT_EQ(d().Stats().PacketsSent(), r.result == 0 ? 1 : 0);
    EXPECT_EQ(d().LastPacketSent(), r.result == 0 ? wire : "");
    // A master closes and reopens its port, and sends its NAK flow, before
    // every repeated run.
    EXPECT_EQ(Count(d().log, "[close][open]" + kNak + wire), r.nakFlows);
  }
}

TEST_F(ComDeviceTest, FailedWritesEndTheFlowAtOnce) {
  struct Row {
    BYTE status;
    LONG result;
    const char* text;
  } rows[] = {
      {tsWriteTimeout, 33, "Operacja nie zakończyła się w przewidywanym czasie (timeout)"},
      {tsUserBreak, 100, "Wykonywane zadanie zostało przerwane przez użytkownika"},
      {tsSystemError, 70, "Błąd wewnętrzny urządzenia"},
      {tsLineError, 70, "Błąd wewnętrzny urządzenia"},
      {tsFailed, 32, "Negatywne potwierdzenie pakietu"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.result);
    SetUp();
    Article();
    d().writeStatus = r.status;
    EXPECT_EQ(Write(), r.result);
    EXPECT_EQ(Message(device_.Get()), r.text);
    EXPECT_EQ(d().writes.size(), 1u);
    LONG sendResult = -1;
    Bstr s = Bstr::Attach(AnsiToBstr("abc"));
    ASSERT_EQ(device_->SendString(s.Get(), &sendResult), S_OK);
    EXPECT_EQ(sendResult, r.status == tsFailed ? 65 : r.result);
    EXPECT_EQ(d().LastError(), r.result) << "SendString leaves LastError alone";
  }
}

TEST_F(ComDeviceTest, MissingFlowsAndProtocol) {
  packet_ = NewPacket(protocol_.Get(), "R");
  Use(TempLibrary("FlowAck;ACK;\n{\n}\n"));
  LONG r = -1;
  ASSERT_EQ(device_->ReadPacket(packet_.Get(), &r), S_OK);
  EXPECT_EQ(r, 6);
  EXPECT_EQ(Message(device_.Get()), "Nie znaleziono definicji przepływu informacji");
  device_->SendNAK();
  EXPECT_EQ(d().LastError(), 6);
  device_->SendACK();  // a flow without items ends at once
  EXPECT_EQ(d().LastError(), 0);
  VARIANT_BOOL ok = VARIANT_FALSE;
  ASSERT_EQ(device_->ModeSwitch(&ok), S_OK);
  EXPECT_EQ(ok, VARIANT_TRUE);
  EXPECT_TRUE(d().ReadingMode());
  EXPECT_TRUE(d().writes.empty());

  d().SetProtocol(nullptr);  // no library at all: no flows, no frames
  ASSERT_EQ(device_->WritePacket(packet_.Get(), &r), S_OK);
  EXPECT_EQ(r, 5);
  ASSERT_EQ(device_->ReadPacket(packet_.Get(), &r), S_OK);
  EXPECT_EQ(r, 6);
}

// Flows of a library of their own, each run through ModeSwitch (SWITCHMODE)
// as master or E_SWITCHMODE as slave.
TEST_F(ComDeviceTest, FlowSteps) {
  struct Row {
    const char* name;
    const char* items;
    std::string input;
    LONG result;
    std::string log;
    bool slave = false;
  } rows[] = {
      {"alternatives by their own flags", "1;PC->;a;0;;0;0;0;;0;\n2;PC<-;<ACK>;0;;0;0;0;;4;\n2;PC<-;<NAK>;0;;0;0;0;;8;\n",
       kNak, 32, "a"},
      {"no match, five runs, NAK flow between", "1;PC->;a;0;;0;0;0;;0;\n2;PC<-;<ACK>;0;;0;0;0;;4;\n", "q",
       33, "a[close][open]na[close][open]na[close][open]na[close][open]na"},
      {"a slave neither reopens nor sends NAK", "1;PC->;a;0;;0;0;0;;0;\n2;PC<-;<ACK>;0;;0;0;0;;4;\n", "q", 33,
       "aaaaa", true},
      {"send with EndTransmission", "1;PC->;a;0;;0;0;0;;1024;\n2;PC->;b;0;;0;0;0;;0;\n", "", 18, "a"},
      {"received EndTransmission", "1;PC<-;z;0;;0;0;0;;1024;\n", "z", 18, ""},
      {"NextFlowItemID jumps", "1;PC->;a;0;;0;0;0;3;0;\n2;PC->;b;0;;0;0;0;;0;\n3;PC->;c;0;;0;0;0;;0;\n", "", 0,
       "ac"},
      {"NextFlowItemID naming no item ends well", "1;PC->;a;0;;0;0;0;9;0;\n2;PC->;b;0;;0;0;0;;0;\n", "", 0, "a"},
      {"no data runs the next item once", "1;PC<-;z;0;;0;0;0;2;256;\n2;PC->;b;0;;0;0;0;;0;\n3;PC->;c;0;;0;0;0;;0;\n",
       "z", 17, "b"},
      {"wait with RetryCount 0 ends at the first", "1;PC<-;w;0;;0;0;0;1;16;\n1;PC<-;k;0;;0;0;0;;4;\n", "w", 33,
       ""},
      {"NAK without NextFlowItemID: 32 at once", "1;PC->;a;0;;0;0;0;;0;\n2;PC<-;n;0;;0;5;0;;8;\n", "n", 32, "a"},
      {"two NAK items share the first one's counter",
       "1;PC->;a;0;;0;0;0;;0;\n2;PC<-;n;0;;0;1;0;1;8;\n2;PC<-;k;0;;0;0;0;;4;\n3;PC->;b;0;;0;0;0;;0;\n"
       "4;PC<-;m;0;;0;9;0;3;8;\n4;PC<-;k;0;;0;0;0;;4;\n",
       "nkm", 32, "aab"},
      {"a packet ending in a delimiter the first characters held", "1;PC<-;xy;0;;0;0;0;;4;\n1;PC<-;PACKET;R;y;0;0;0;;0;\n",
       "ayz", 0, ""},
      {"a packet read that fails ends the item with its status", "1;PC<-;PACKET;R;<ETX>;0;0;0;;0;\n", "abc", 33,
       "[close][open]n[close][open]n[close][open]n[close][open]n"},
      {"rejected", "1;PC<-;r;0;;0;0;0;;32;\n", "r", 64, ""},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    Use(TempLibrary(std::string("FlowSwitch;") + (r.slave ? "E_SWITCHMODE" : "SWITCHMODE") + ";\n{\n" + r.items +
                    "}\nFlowNak;NAK;\n{\n1;PC->;n;0;;0;0;0;;0;\n}\n"));
    d().SetMaster(!r.slave);
    d().input = r.input;
    VARIANT_BOOL ok = VARIANT_TRUE;
    ASSERT_EQ(device_->ModeSwitch(&ok), S_OK);
    EXPECT_EQ(d().LastError(), r.result);
    EXPECT_EQ(ok, r.result == 0 ? VARIANT_TRUE : VARIANT_FALSE);
    EXPECT_EQ(d().log, r.log);
  }
}

// Flows whose steps lead back to themselves while every write succeeds: the
// run ends after its step limit with 65 and a report line saying why, also
// when waits came first.
TEST_F(ComDeviceTest, AFlowThatNeverEndsStopsAtItsStepLimit) {
  const std::string packets =
      "FrameW;W;W;\n{\n1;PacketID;String;1;;0;\n2;Data;String;0;;0;\n}\nP;Pkt;W;FrameW;\n{\n1;A;String;3;abc;;0;\n}\n";
  const int limit = TQAVZLVComDevice::kMaxFlowSteps;
  struct Row {
    const char* name;
    const char* items;
    std::string input;
    int writes;
    int packetsSent;
  } rows[] = {
      {"a packet item that is its own next step", "1;PC->;PACKET;W;;0;0;0;1;0;\n", "", limit, limit},
      {"two items that lead to each other", "1;PC->;PACKET;W;;0;0;0;2;0;\n2;PC->;x;0;;0;0;0;1;0;\n", "", limit,
       limit / 2},
      // The steps after the last wait count afresh: its read of ACK, then the packets.
      {"a step that leads to itself after waits",
       "1;PC<-;<WCK>;0;;0;5;0;1;16;\n1;PC<-;<ACK>;0;;0;0;0;;4;\n2;PC->;PACKET;W;;0;0;0;2;0;\n", kWck + kWck + kAck,
       limit - 1, limit - 1},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    Use(TempLibrary("CreateCommunicationReport\n{\n1\n}\nFlowWrite;WRITEPACKET;\n{\n" + std::string(r.items) + "}\n" +
                    packets));
    packet_ = NewPacket(protocol_.Get(), "P");
    ASSERT_TRUE(packet_);
    d().input = r.input;
    ClearReportLines();
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(Write(), 65);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
    EXPECT_EQ(d().writes.size(), std::size_t(r.writes));
    EXPECT_EQ(std::count(d().writes.begin(), d().writes.end(), "Pabc"), r.packetsSent);
    const std::vector<std::string> lines = ReportLines();
    ClearReportLines();
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back().substr(15), "--- Flow stopped: too many steps ---");
  }
}

// Waits and repetitions after a NAK are bounded by their item's RetryCount,
// however large: a register that keeps a long report printing answers WCK for
// as long as it takes. Only steps that nothing else bounds count towards the
// step limit.
TEST_F(ComDeviceTest, CountedWaitsAndNakRepetitionsRunPastTheStepLimit) {
  const int many = 2 * TQAVZLVComDevice::kMaxFlowSteps;
  auto repeat = [](const std::string& s, int n) {
    std::string out;
    for (int k = 0; k < n; ++k) out += s;
    return out;
  };
  auto flow = [](const char* reply, int retryCount, const char* next, int flags) {
    return "1;PC->;a;0;;0;0;0;;0;\n2;PC<-;<ACK>;0;;0;0;0;;4;\n2;PC<-;" + std::string(reply) + ";0;;0;" +
           std::to_string(retryCount) + ";0;" + next + ";" + std::to_string(flags) + ";\n";
  };
  struct Row {
    const char* name;
    std::string items;
    std::string input;
    LONG result;
    int writes;
  } rows[] = {
      {"a long wait that ends with ACK", flow("<WCK>", 50000, "2", 16), repeat(kWck, many) + kAck, 0, 1},
      {"a long wait that uses up its count", flow("<WCK>", many, "2", 16), repeat(kWck, many + 1), 33, 1},
      {"long repetitions after NAK", flow("<NAK>", 50000, "1", 8), repeat(kNak, many) + kAck, 0, many + 1},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    Use(TempLibrary("FlowSwitch;SWITCHMODE;\n{\n" + r.items + "}\n"));
    d().input = r.input;
    VARIANT_BOOL ok = VARIANT_FALSE;
    ASSERT_EQ(device_->ModeSwitch(&ok), S_OK);
    EXPECT_EQ(d().LastError(), r.result);
    EXPECT_EQ(d().writes.size(), std::size_t(r.writes));
    EXPECT_TRUE(d().input.empty());
  }
}

TEST_F(ComDeviceTest, ResetFlagsAndBadDirection) {
  Use(TempLibrary("FlowSwitch;SWITCHMODE;\n{\n1;PC->;a;0;;0;0;0;;512;\n2;PC<-;k;0;;0;0;0;;132;\n}\n"));
  d().input = "k";
  VARIANT_BOOL ok = VARIANT_FALSE;
  ASSERT_EQ(device_->ModeSwitch(&ok), S_OK);
  EXPECT_EQ(ok, VARIANT_TRUE);
  EXPECT_EQ(d().resets, 2);
  // The loader refuses a bad direction; one set afterwards fails the call.
  ComPtr<IQAVZLVPacketLibrary> library;
  protocol_->get_PacketLibrary(library.Out());
  ComPtr<IQAVZLVFlows> flows;
  library->get_Flows(flows.Out());
  ComPtr<IQAVZLVFlow> flow;
  flows->FindByFlowType(qzlvftSendMsgModeSwitch, flow.Out());
  ComPtr<IQAVZLVFlowItems> items;
  flow->get_FlowItems(items.Out());
  ComPtr<IQAVZLVFlowItem> item;
  items->get_Items(0, item.Out());
  item->put_Direction(2);
  d().SetError(5);
  EXPECT_NE(device_->ModeSwitch(&ok), S_OK);
  EXPECT_EQ(WideToUtf8(TakeErrorDescription()), "Invalid flow direction.");
  EXPECT_EQ(d().LastError(), 5);
}

// ---------------------------------------------------------------------------
// Settings string

TEST(ComDeviceSettingsTest, KeysReachThePortComponent) {
  struct Row {
    const char* settings;
    TNVRCommBaudRate rate;
    int dataBits;
    TNVRCommStopBits stop;
    TNVRCommParity parity;
    TNVRDCBFlags flags;
    int timeout;
  } rows[] = {
      {"Speed=19200;Parity=E;StopBits=2", cbr19200, 8, csb2, cprEven, 1, 40000},
      {"", cbr9600, 8, csb1, cprNone, 1, 40000},
      {"Speed=12345;Parity=n;FlowControl=Xon", cbr9600, 8, csb1, cprNone, 769, 40000},
      {"Speed=abc;DataBits=7;StopBits=3;Parity=O;FlowControl=H;Timeout=150", cbr9600, 7, csb1, cprOdd, 4125, 150},
      {"Speed= 115200 ;Parity=M;FlowControl=x;Timeout=", cbr115200, 8, csb1, cprMark, 1, 40000},
      {"Unknown=1;Speed;DataBits=;Parity=S|Timeout=-5;DataBits=99", cbr9600, 8, csb1, cprSpace, 1, 40000},
      {"Timeout=99999999999;DataBits=4", cbr9600, 8, csb1, cprNone, 1, 40000},
      {"Speed=256000;DataBits=5;Timeout=0", cbr256000, 5, csb1, cprNone, 1, 0},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.settings);
    auto d = com::MakeObject<TQAVZLVComDevice>();
    d->ApplyPortSettings(r.settings);
    const TNVRCommDevice& p = d->CommPort();
    EXPECT_EQ(p.BaudRate(), r.rate);
    EXPECT_EQ(p.DataBits(), r.dataBits);
    EXPECT_EQ(p.StopBits(), r.stop);
    EXPECT_EQ(p.Parity(), r.parity);
    EXPECT_EQ(p.DCBFlags(), r.flags);
    EXPECT_EQ(p.RdTimeout(), r.timeout);
    EXPECT_EQ(p.WrTimeout(), r.timeout);
  }
}

TEST(ComDeviceSettingsTest, NewDevice) {
  auto d = com::MakeObject<TQAVZLVComDevice>();
  const TNVRCommDevice& p = d->CommPort();
  EXPECT_EQ(d->DeviceType(), qzlvdtComDevice);
  EXPECT_EQ(p.PortName(), "COM2");
  EXPECT_EQ(p.DCBFlags(), 4125);
  EXPECT_EQ(p.BaudRate(), cbr19200);
  EXPECT_EQ(p.RdTimeout(), 20000);
  EXPECT_TRUE(p.UseRdTimeouts() && p.UseWrTimeouts());
  EXPECT_EQ(p.AutoRdInfo(), "Transmisja...");
  EXPECT_FALSE(p.Active());
  EXPECT_EQ(d->OpenReadTimeout(), -1);
  VARIANT_BOOL ok = VARIANT_FALSE;
  ASSERT_EQ(d->Disconnect(&ok), S_OK);  // closed: nothing to do
  EXPECT_EQ(ok, VARIANT_TRUE);
}

}  // namespace
}  // namespace zelvani
