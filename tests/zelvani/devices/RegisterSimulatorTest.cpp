// The register simulator driven from the device's side of the line with plain
// port calls: the wire form of the test library's packets, each scripted
// behaviour, failed expectations, late replies, hang-up, a reopened port and a
// prompt stop.
#include "tests/zelvani/devices/RegisterSimulator.h"

#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
#include <thread>
#include <vector>

#include "platform/com/ansi.h"
#include "platform/comm/comm.h"
#include "platform/win/sync.h"

namespace zelvani {
namespace {

using namespace std::chrono_literals;
using Clock = RegisterSimulator::Clock;
using Fields = RegisterSimulator::Fields;

long long MillisecondsSince(Clock::time_point start) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

// The device's end of the line: COM5 opened as the serial device opens it.
class DevicePort {
 public:
  DevicePort() {
    handle_ = CreateFileA("COM5", GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_FLAG_OVERLAPPED,
                          nullptr);
    if (handle_ == INVALID_HANDLE_VALUE) throw std::runtime_error("cannot open COM5");
  }
  ~DevicePort() { CloseHandle(handle_); }

  bool Write(std::string data) { return Transfer(true, data, static_cast<DWORD>(data.size()), 2000); }
  // Up to n bytes within `timeout`; `error` gets the failure code, 0 when none.
  std::string Read(std::size_t n, DWORD timeout, DWORD* error = nullptr) {
    COMMTIMEOUTS t{0, 0, timeout, 0, 0};
    SetCommTimeouts(handle_, &t);
    std::string data(n, '\0');
    DWORD failure = 0;
    if (!Transfer(false, data, static_cast<DWORD>(n), timeout + 2000, &failure)) data.clear();
    if (error) *error = failure;
    return data;
  }

 private:
  bool Transfer(bool write, std::string& data, DWORD count, DWORD wait, DWORD* error = nullptr) {
    HANDLE event = CreateEventA(nullptr, TRUE, TRUE, nullptr);
    OVERLAPPED ov{};
    ov.hEvent = event;
    DWORD done = 0;
    BOOL ok = write ? WriteFile(handle_, data.data(), count, nullptr, &ov)
                    : ReadFile(handle_, data.data(), count, nullptr, &ov);
    if (ok || GetLastError() == ERROR_IO_PENDING) {
      WaitForSingleObject(event, wait);
      ok = GetOverlappedResult(handle_, &ov, &done, FALSE);
    }
    if (!ok && error) *error = GetLastError();
    CloseHandle(event);
    if (!write) data.resize(ok ? done : 0);
    return ok && done == count;
  }
  HANDLE handle_ = INVALID_HANDLE_VALUE;
};

const Fields kCoffee{"COFFEE", "12.50", "A", "7"};
const Fields kAnna{"123.45", "42", "ANNA"};

class RegisterSimulatorTest : public ::testing::Test {
 protected:
  ScopedTestRegistry registry_;
  RegisterSimulator sim_{"COM5"};
};

// The wire form of register.pkd's packets, as the serial device's tests will
// see them, and the way back.
TEST_F(RegisterSimulatorTest, PacketsOfTheLibraryOnTheLine) {
  struct Row {
    const char* id;
    LONG type;
    Fields fields;
    bool last;
    std::string wire;
    const char* definition;  // unpacked into a packet of this definition and type
    LONG definitionType;
    LONG result;
    Fields unpacked;
  };
  const Row rows[] = {
      {"I", 0, kCoffee, false, "\x02ICOFFEE            00001250A000007\x03" "3BA2", "I", 6, 0,
       {"COFFEE            ", "12.5", "A", "7"}},
      {"I", 1, {"1", "A", "Z"}, false, "\x01" "00I1A                 Z                 \x03" "017C", "S", 1, 0,
       {"1", "A                 ", "Z                 "}},
      {"R", 0, kAnna, false, "\x02R0000012345000042ANNA             \x03" "439A", "R", 4, 0,
       {"123.45", "42", "ANNA             "}},
      {"R", 0, kAnna, true, "\x02R0000012345000042ANNA             \x04" "401A", "R", 4, 16,
       {"123.45", "42", "ANNA             "}},
      {"E", 0, {"7", "PAPER OUT"}, false, "\x02" "E0007PAPER OUT                    \x03" "7E13", "E", 8, 0,
       {"7", "PAPER OUT                    "}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.wire);
    EXPECT_EQ(sim_.Pack(row.id, row.fields, row.type, row.last), row.wire);
    RegisterSimulator::Packet p = sim_.Unpack(row.wire, row.definition, row.definitionType);
    EXPECT_EQ(p.result, row.result);
    EXPECT_EQ(p.id, row.id);
    EXPECT_EQ(p.fields, row.unpacked);
  }
}

// Every flow type the serial device runs has its flow, beginning on the side
// that speaks first.
TEST(RegisterLibrary, HasAFlowOfEveryType) {
  struct Row {
    LONG type;
    LONG firstDirection;  // 0 sent by the device, 1 received
    LONG items;
  };
  const Row rows[] = {{1, 0, 4},  {2, 0, 3},  {3, 0, 2},  {4, 0, 2},  {5, 0, 1},  {6, 0, 1},
                      {7, 0, 5},  {8, 1, 3},  {9, 1, 2},  {10, 1, 2}, {11, 1, 2}, {12, 1, 2},
                      {13, 0, 1}, {14, 0, 1}, {15, 0, 3}, {16, 1, 1}, {17, 0, 2}};
  auto protocol = Create<IQAVZLVProtocol>(CLSID_QAVZLVProtocol);
  ComPtr<IQAVZLVPacketLibrary> library;
  ASSERT_EQ(protocol->get_PacketLibrary(library.Out()), S_OK);
  VARIANT_BOOL ok = VARIANT_FALSE;
  Bstr file = Bstr::Attach(AnsiToBstr(RegisterSimulator::DefaultLibrary()));
  ASSERT_EQ(library->LoadFromFile(file.Get(), &ok), S_OK);
  ASSERT_EQ(ok, VARIANT_TRUE);
  ComPtr<IQAVZLVFlows> flows;
  ASSERT_EQ(library->get_Flows(flows.Out()), S_OK);
  for (const Row& row : rows) {
    SCOPED_TRACE(row.type);
    ComPtr<IQAVZLVFlow> flow;
    ASSERT_EQ(flows->FindByFlowType(row.type, flow.Out()), S_OK);
    ASSERT_TRUE(flow);
    ComPtr<IQAVZLVFlowItems> items;
    ASSERT_EQ(flow->get_FlowItems(items.Out()), S_OK);
    LONG count = 0, direction = -1;
    items->get_Count(&count);
    EXPECT_EQ(count, row.items);
    ComPtr<IQAVZLVFlowItem> first;
    ASSERT_EQ(items->get_Items(0, first.Out()), S_OK);
    first->get_Direction(&direction);
    EXPECT_EQ(direction, row.firstDirection);
  }
}

TEST_F(RegisterSimulatorTest, ExchangesBytesAndPacketsAndRecordsThem) {
  const std::string start = sim_.Pack("I", {"0"}, 1);
  const std::string article = sim_.Pack("I", kCoffee);
  const std::string report = sim_.Pack("R", kAnna);
  sim_.Expect(reg::kEnq).Ack().ExpectPacket("I", 1).ExpectPacket("I").ReplyPacket("R", kAnna).Expect(reg::kAck);
  sim_.Start();

  DevicePort port;
  ASSERT_TRUE(port.Write(reg::kEnq));
  EXPECT_EQ(port.Read(1, 2000), reg::kAck);
  ASSERT_TRUE(port.Write(start + article));
  EXPECT_EQ(port.Read(report.size(), 2000), report);
  ASSERT_TRUE(port.Write(reg::kAck));

  ASSERT_TRUE(sim_.WaitDone(3s)) << sim_.Report();
  EXPECT_EQ(sim_.StepsDone(), 6u);
  EXPECT_EQ(sim_.Received(), reg::kEnq + start + article + reg::kAck);
  EXPECT_EQ(sim_.Unconsumed(), "");
  EXPECT_EQ(sim_.Sent(), reg::kAck + report);
  auto packets = sim_.Packets();
  ASSERT_EQ(packets.size(), 2u);
  EXPECT_EQ(packets[0].wire, start);
  EXPECT_EQ(packets[1].wire, article);
  EXPECT_EQ(packets[1].fields[1], "12.5");
  // Events are in order and in time.
  auto events = sim_.Events();
  for (std::size_t i = 1; i < events.size(); ++i) EXPECT_LE(events[i - 1].at, events[i].at);
}

// Each answer as the device reads it, and what the engine's protocol makes of
// the packets among them.
TEST_F(RegisterSimulatorTest, EachScriptedAnswerArrivesAsScripted) {
  struct Row {
    const char* name;
    std::function<void(RegisterSimulator&)> answer;
    std::string bytes;  // empty: a packet, checked by unpacking
    const char* id;
    LONG type;
    LONG result;
  };
  const Row rows[] = {
      {"nak", [](RegisterSimulator& s) { s.Nak(); }, reg::kNak, nullptr, 0, 0},
      {"wait", [](RegisterSimulator& s) { s.Wait(); }, reg::kWck, nullptr, 0, 0},
      {"reject", [](RegisterSimulator& s) { s.Reject(); }, reg::kCan, nullptr, 0, 0},
      {"no data", [](RegisterSimulator& s) { s.NoData(); }, reg::kSo, nullptr, 0, 0},
      {"garbage", [](RegisterSimulator& s) { s.Garbage(5); }, "abcde", nullptr, 0, 0},
      {"packet", [](RegisterSimulator& s) { s.ReplyPacket("R", kAnna); }, "", "R", 4, 0},
      {"end of data", [](RegisterSimulator& s) { s.EndOfData("R", kAnna); }, "", "R", 4, 16},
      {"bad checksum", [](RegisterSimulator& s) { s.BadChecksum("I", kCoffee); }, "", "I", 6, 4},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    RegisterSimulator sim("COM5");
    sim.Expect(reg::kEnq);
    row.answer(sim);
    sim.Start();
    DevicePort port;
    ASSERT_TRUE(port.Write(reg::kEnq));
    const std::size_t size = row.id ? 40 : row.bytes.size();
    std::string got = port.Read(size, 2000);
    ASSERT_TRUE(sim.WaitDone(2s)) << sim.Report();
    EXPECT_EQ(got, sim.Sent());
    if (!row.id) {
      EXPECT_EQ(got, row.bytes);
      continue;
    }
    EXPECT_EQ(sim.Unpack(got, row.id, row.type).result, row.result);
    // A bad checksum differs from the good packet in one checksum digit.
    const std::string good = sim.Pack(row.id, row.id[0] == 'I' ? kCoffee : kAnna, 0, row.result == 16);
    ASSERT_EQ(got.size(), good.size());
    EXPECT_EQ(got.substr(0, 36), good.substr(0, 36));
    EXPECT_EQ(got.substr(36) == good.substr(36), row.result != 4);
  }
}

TEST_F(RegisterSimulatorTest, LateReplyComesAfterItsDelay) {
  sim_.Expect(reg::kEnq).ReplyLate(300ms, reg::kAck);
  sim_.Start();
  DevicePort port;
  const auto start = Clock::now();
  ASSERT_TRUE(port.Write(reg::kEnq));
  EXPECT_EQ(port.Read(1, 3000), reg::kAck);
  const long long elapsed = MillisecondsSince(start);
  EXPECT_GE(elapsed, 300);
  EXPECT_LT(elapsed, 1300);
  ASSERT_TRUE(sim_.WaitDone(1s)) << sim_.Report();
  auto events = sim_.Events();
  ASSERT_EQ(events.size(), 3u);
  EXPECT_EQ(events[1].kind, RegisterSimulator::Event::Kind::Received);
  EXPECT_EQ(events[2].kind, RegisterSimulator::Event::Kind::Sent);
  EXPECT_GE(events[2].at - events[1].at, 300ms);
}

// A failed step ends the script: nothing more is sent, the failure says why.
TEST_F(RegisterSimulatorTest, FailedExpectationsEndTheScript) {
  struct Row {
    const char* name;
    std::function<void(RegisterSimulator&)> expect;
    std::string sent;
    const char* failure;
  };
  const Row rows[] = {
      {"other bytes", [](RegisterSimulator& s) { s.Expect(reg::kEnq); }, "X",
       "step 1 Expect('<ENQ>'): got 'X'"},
      {"nothing", [](RegisterSimulator& s) { s.Within(100ms).Expect(reg::kEnq); }, "", "1 bytes wanted"},
      {"bad packet", [](RegisterSimulator& s) { s.ExpectPacket("I"); },
       "\x02ICOFFEE            00001250A000007\x03" "3BA3", "unpacks with 4 as packet 'I'"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    RegisterSimulator sim("COM5");
    row.expect(sim);
    sim.Ack();
    sim.Start();
    DevicePort port;
    if (!row.sent.empty()) {
      ASSERT_TRUE(port.Write(row.sent));
    }
    EXPECT_FALSE(sim.WaitDone(2s));
    EXPECT_NE(sim.Failure().find(row.failure), std::string::npos) << sim.Failure();
    EXPECT_EQ(sim.StepsDone(), 0u);
    EXPECT_EQ(sim.Sent(), "");
  }
}

TEST_F(RegisterSimulatorTest, HangUpIsSeenByTheDevice) {
  sim_.Expect(reg::kEnq).HangUp();
  EXPECT_THROW(sim_.Ack(), std::logic_error);
  sim_.Start();
  DevicePort port;
  ASSERT_TRUE(port.Write(reg::kEnq));
  ASSERT_TRUE(sim_.WaitDone(2s)) << sim_.Report();
  DWORD error = 0;
  EXPECT_EQ(port.Read(1, 1000, &error), "");
  EXPECT_EQ(error, ERROR_DEVICE_NOT_CONNECTED);
}

// The device closes its port after a silent answer and opens it again, as a
// master does between two runs of a flow; the script goes on across it.
TEST_F(RegisterSimulatorTest, ScriptRunsAcrossAReopenedPort) {
  sim_.Expect(reg::kEnq).Expect(reg::kNak).Expect(reg::kEnq).Ack().Never();
  sim_.Start();
  {
    DevicePort port;
    ASSERT_TRUE(port.Write(reg::kEnq));
    EXPECT_EQ(port.Read(1, 200), "");
  }
  DevicePort port;
  ASSERT_TRUE(port.Write(reg::kNak + reg::kEnq));
  EXPECT_EQ(port.Read(1, 2000), reg::kAck);
  ASSERT_TRUE(sim_.WaitDone(2s)) << sim_.Report();
  // After Never the register stays silent but keeps recording.
  ASSERT_TRUE(port.Write("more"));
  EXPECT_TRUE(sim_.WaitReceived(7, 2s));
  EXPECT_EQ(sim_.Unconsumed(), "more");
  EXPECT_EQ(port.Read(1, 200), "");
  EXPECT_EQ(sim_.Sent(), reg::kAck);
  // Both opens of the port are on record, in their place among the bytes.
  using Kind = RegisterSimulator::Event::Kind;
  std::vector<Kind> kinds;
  for (const auto& e : sim_.Events())
    if (kinds.empty() || e.kind != Kind::Received || kinds.back() != Kind::Received) kinds.push_back(e.kind);
  const std::vector<Kind> expected{Kind::Opened, Kind::Received, Kind::Closed, Kind::Opened,
                                   Kind::Received, Kind::Sent, Kind::Received};
  EXPECT_EQ(kinds, expected) << sim_.Report();
  EXPECT_EQ(sim_.Opens(), 2);
  EXPECT_TRUE(sim_.PortOpen());
}

// A simulator that speaks first waits for the device's port to be open, so
// that the open does not flush what it sends.
TEST_F(RegisterSimulatorTest, SpeaksFirstOnceThePortIsOpen) {
  sim_.WaitOpen().Send(reg::kEnq).Expect(reg::kAck);
  sim_.Start();
  std::this_thread::sleep_for(100ms);
  EXPECT_EQ(sim_.StepsDone(), 0u);
  DevicePort port;
  EXPECT_EQ(port.Read(1, 2000), reg::kEnq);
  ASSERT_TRUE(port.Write(reg::kAck));
  ASSERT_TRUE(sim_.WaitDone(2s)) << sim_.Report();
}

TEST_F(RegisterSimulatorTest, StopEndsAWaitingStepAtOnce) {
  sim_.Within(60s).Expect(reg::kEnq);
  sim_.Start();
  const auto start = Clock::now();
  sim_.Stop();
  EXPECT_LT(MillisecondsSince(start), 1000);
  EXPECT_NE(sim_.Failure().find("stopped"), std::string::npos) << sim_.Failure();
  EXPECT_THROW(sim_.Start(), std::logic_error);
}

}  // namespace
}  // namespace zelvani
