// The telephony layer against a modem scripted on a pseudo-terminal: the line
// errors of bad handles, devices and arguments, version negotiation and
// capabilities, the message queue and its event, each result of a dial as
// the line's messages, a refused number, a modem that is silent, talks
// garbage or disappears, an incoming call, the data handle, and the set-up,
// rate and flow control a line's key chooses. Every wait is bounded and no
// descriptor is left open.
#include <dirent.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>

#include "platform/com/registry.h"
#include "platform/comm/comm.h"
#include "platform/comm/testing.h"
#include "platform/tapi/lines.h"
#include "platform/tapi/tapi.h"
#include "platform/win/sync.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

int OpenDescriptors() {
  int n = 0;
  if (DIR* d = opendir("/proc/self/fd")) {
    while (readdir(d)) ++n;
    closedir(d);
  }
  return n;
}

// A modem that answers each command line it receives with what `answer` gives
// (nothing for an empty text), on a thread of its own.
class ScriptedModem {
 public:
  using Answer = std::function<std::string(const std::string& line)>;
  ScriptedModem(comm::testing::PseudoTerminal& pty, Answer answer)
      : pty_(pty), answer_(std::move(answer)), thread_([this] { Run(); }) {}
  ~ScriptedModem() {
    stop_ = true;
    thread_.join();
  }
  std::vector<std::string> Lines() {
    std::lock_guard lock(mu_);
    return lines_;
  }
  // Every byte received, lines and all.
  std::string Raw() {
    std::lock_guard lock(mu_);
    return raw_;
  }
  bool WaitForRaw(const std::string& bytes, std::chrono::milliseconds within) {
    const auto end = Clock::now() + within;
    while (Raw().find(bytes) == std::string::npos)
      if (Clock::now() >= end) return false;
      else std::this_thread::sleep_for(5ms);
    return true;
  }

 private:
  void Run() {
    std::string buf;
    while (!stop_) {
      if (pty_.master() < 0) {
        std::this_thread::sleep_for(5ms);
        continue;
      }
      const std::string got = pty_.Receive(256, 5ms);
      buf += got;
      {
        std::lock_guard lock(mu_);
        raw_ += got;
      }
      std::size_t at;
      while ((at = buf.find('\r')) != std::string::npos) {
        std::string line = buf.substr(0, at);
        buf.erase(0, at + 1);
        {
          std::lock_guard lock(mu_);
          lines_.push_back(line);
        }
        const std::string reply = answer_(line);
        if (!reply.empty() && pty_.master() >= 0) pty_.Send(reply);
      }
    }
  }
  comm::testing::PseudoTerminal& pty_;
  Answer answer_;
  std::mutex mu_;
  std::vector<std::string> lines_;
  std::string raw_;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

// Answers OK to everything but a dial, which gets `dialResult`.
ScriptedModem::Answer Hayes(std::string dialResult) {
  return [dialResult](const std::string& line) -> std::string {
    if (line.find("ATDT") != std::string::npos) return dialResult.empty() ? "" : "\r\n" + dialResult + "\r\n";
    return "\r\nOK\r\n";
  };
}

class TapiLinesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (std::filesystem::temp_directory_path() / "tapi-test-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
    setenv("PLATFORM_REGISTRY", (dir_ + "/registry.reg").c_str(), 1);
    registry::ResetCacheForTests();
    pty_.MapTo("COM9");
    tapi::AddModemLine("Test Modem", "COM9");
    tapi::AddModemLine("", "COM98");  // a line without a name on a port that does not exist
    Initialize();
  }
  void TearDown() override {
    if (app_) lineShutdown(app_);
    unsetenv("PLATFORM_REGISTRY");
    registry::ResetCacheForTests();
    std::filesystem::remove_all(dir_);
  }

  void Initialize() {
    LINEINITIALIZEEXPARAMS p{};
    p.dwTotalSize = sizeof p;
    p.dwOptions = LINEINITIALIZEEXOPTION_USEEVENT;
    DWORD version = TAPI_CURRENT_VERSION;
    ASSERT_EQ(lineInitializeExA(&app_, nullptr, nullptr, "test", &devices_, &version, &p), 0);
    event_ = p.Handles.hEvent;
  }

  LONG Open(HLINE& line, DWORD device = 0) {
    return lineOpen(app_, device, &line, TAPI_CURRENT_VERSION, 0, 77, LINECALLPRIVILEGE_OWNER,
                    LINEMEDIAMODE_DATAMODEM, nullptr);
  }

  // The next message, waiting on the event first as a client does.
  bool Next(LINEMESSAGE& m, std::chrono::milliseconds within = 3000ms) {
    if (WaitForSingleObject(event_, static_cast<DWORD>(within.count())) != WAIT_OBJECT_0) return false;
    return lineGetMessage(app_, &m, 0) == 0;
  }
  // Skips messages until one with this identifier (and call state) comes.
  bool Expect(DWORD id, LINEMESSAGE& m, DWORD state = 0, std::chrono::milliseconds within = 3000ms) {
    const auto end = Clock::now() + within;
    while (Clock::now() < end) {
      if (!Next(m, std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now()) + 1ms)) return false;
      if (m.dwMessageID == id && (state == 0 || m.dwParam1 == state)) return true;
    }
    return false;
  }

  std::string dir_;
  comm::testing::PseudoTerminal pty_;
  HLINEAPP app_ = 0;
  DWORD devices_ = 0;
  HANDLE event_ = nullptr;
};

TEST_F(TapiLinesTest, BadHandlesDevicesAndArgumentsGiveLineErrors) {
  struct Row {
    const char* what;
    std::function<LONG()> call;
    LONG expected;
  };
  LINEEXTENSIONID ext{};
  DWORD version = 0;
  HLINE line = 0;
  HCALL call = 0;
  LINEMESSAGE m{};
  alignas(VARSTRING) char record[64] = {};
  auto* id = reinterpret_cast<VARSTRING*>(record);
  id->dwTotalSize = sizeof record;
  const Row rows[] = {
      {"shutdown of an unknown application", [] { return lineShutdown(123456); }, LINEERR_INVALAPPHANDLE},
      {"negotiation for a device beyond the list",
       [&] { return lineNegotiateAPIVersion(app_, 2, 0x10004, 0x20000, &version, &ext); }, LINEERR_BADDEVICEID},
      {"negotiation for 0xFFFFFFFF",
       [&] { return lineNegotiateAPIVersion(app_, 0xFFFFFFFF, 0x10004, 0x20000, &version, &ext); },
       LINEERR_BADDEVICEID},
      {"negotiation above the served versions",
       [&] { return lineNegotiateAPIVersion(app_, 0, 0x30000, 0x30001, &version, &ext); },
       LINEERR_INCOMPATIBLEAPIVERSION},
      {"negotiation without a result", [&] { return lineNegotiateAPIVersion(app_, 0, 0x10004, 0x20000, nullptr, &ext); },
       LINEERR_INVALPOINTER},
      {"open of a device beyond the list", [&] { return Open(line, 5); }, LINEERR_BADDEVICEID},
      {"open of a port that does not exist", [&] { return Open(line, 1); }, LINEERR_NODEVICE},
      {"open with an unknown application",
       [&] { return lineOpen(99, 0, &line, 0x20000, 0, 0, LINECALLPRIVILEGE_OWNER, LINEMEDIAMODE_DATAMODEM, nullptr); },
       LINEERR_INVALAPPHANDLE},
      {"close of a line never opened", [] { return lineClose(424242); }, LINEERR_INVALLINEHANDLE},
      {"dial on a line never opened", [&] { return lineMakeCall(424242, &call, "123", 0, nullptr); },
       LINEERR_INVALLINEHANDLE},
      {"answer of an unknown call", [] { return lineAnswer(424242, nullptr, 0); }, LINEERR_INVALCALLHANDLE},
      {"drop of an unknown call", [] { return lineDrop(424242, nullptr, 0); }, LINEERR_INVALCALLHANDLE},
      {"release of an unknown call", [] { return lineDeallocateCall(424242); }, LINEERR_INVALCALLHANDLE},
      {"call parameters of an unknown call",
       [] { return lineSetCallParams(424242, LINEBEARERMODE_DATA, 0, 9600, nullptr); }, LINEERR_INVALCALLHANDLE},
      {"handle of an unknown call",
       [&] { return lineGetID(0, 0, 424242, LINECALLSELECT_CALL, id, "comm/datamodem"); }, LINEERR_INVALCALLHANDLE},
      {"handle of another device class", [&] { return lineGetID(0, 0, 424242, LINECALLSELECT_CALL, id, "wave/in"); },
       LINEERR_INVALDEVICECLASS},
      {"message without a record", [&] { return lineGetMessage(app_, nullptr, 0); }, LINEERR_INVALPOINTER},
      {"message of an unknown application", [&] { return lineGetMessage(99, &m, 0); }, LINEERR_INVALAPPHANDLE},
      {"message when none waits", [&] { return lineGetMessage(app_, &m, 0); }, LINEERR_OPERATIONFAILED},
  };
  const int fds = OpenDescriptors();
  for (const Row& r : rows) EXPECT_EQ(r.call(), r.expected) << r.what;
  EXPECT_EQ(OpenDescriptors(), fds);
}

TEST_F(TapiLinesTest, RegistrationRefusesWhatItDoesNotServe) {
  struct Row {
    const char* what;
    DWORD options;
    DWORD size;
    LONG expected;
  };
  const Row rows[] = {
      {"event notification", LINEINITIALIZEEXOPTION_USEEVENT, sizeof(LINEINITIALIZEEXPARAMS), 0},
      {"a hidden window", LINEINITIALIZEEXOPTION_USEHIDDENWINDOW, sizeof(LINEINITIALIZEEXPARAMS), LINEERR_INVALPARAM},
      {"a completion port", LINEINITIALIZEEXOPTION_USECOMPLETIONPORT, sizeof(LINEINITIALIZEEXPARAMS),
       LINEERR_INVALPARAM},
      {"a record too small", LINEINITIALIZEEXOPTION_USEEVENT, 8, LINEERR_STRUCTURETOOSMALL},
  };
  for (const Row& r : rows) {
    LINEINITIALIZEEXPARAMS p{};
    p.dwTotalSize = r.size;
    p.dwOptions = r.options;
    HLINEAPP app = 0;
    DWORD n = 0;
    EXPECT_EQ(lineInitializeExA(&app, nullptr, nullptr, "x", &n, nullptr, &p), r.expected) << r.what;
    if (r.expected == 0) {
      EXPECT_EQ(n, 2u);
      EXPECT_NE(p.Handles.hEvent, nullptr);
      EXPECT_EQ(lineShutdown(app), 0);
      EXPECT_EQ(lineShutdown(app), LINEERR_INVALAPPHANDLE) << "a second shutdown";
    }
  }
}

TEST_F(TapiLinesTest, VersionsAreNegotiatedAndCapabilitiesNameTheLine) {
  EXPECT_EQ(devices_, 2u);
  LINEEXTENSIONID ext{};
  DWORD version = 0;
  ASSERT_EQ(lineNegotiateAPIVersion(app_, 0, 0x10004, 0x20000, &version, &ext), 0);
  EXPECT_EQ(version, 0x20000u);
  ASSERT_EQ(lineNegotiateAPIVersion(app_, 0, 0x10004, 0x10004, &version, &ext), 0);
  EXPECT_EQ(version, 0x10004u);

  alignas(LINEDEVCAPS) char record[512] = {};
  auto* caps = reinterpret_cast<LINEDEVCAPS*>(record);
  caps->dwTotalSize = sizeof record;
  ASSERT_EQ(lineGetDevCaps(app_, 0, 0x20000, 0, caps), 0);
  EXPECT_EQ(caps->dwStringFormat, STRINGFORMAT_ASCII);
  ASSERT_NE(caps->dwLineNameOffset, 0u);
  EXPECT_STREQ(record + caps->dwLineNameOffset, "Test Modem");
  EXPECT_EQ(caps->dwLineNameSize, 11u);

  // A record that holds only the fixed part tells what it would need.
  caps->dwTotalSize = sizeof(LINEDEVCAPS);
  ASSERT_EQ(lineGetDevCaps(app_, 0, 0x20000, 0, caps), 0);
  EXPECT_EQ(caps->dwLineNameOffset, 0u);
  EXPECT_EQ(caps->dwNeededSize, sizeof(LINEDEVCAPS) + 11);
  caps->dwTotalSize = 8;
  EXPECT_EQ(lineGetDevCaps(app_, 0, 0x20000, 0, caps), LINEERR_STRUCTURETOOSMALL);
}

TEST_F(TapiLinesTest, EachDialResultBecomesTheCallsMessages) {
  struct Row {
    const char* result;
    LONG reply;       // the dial request's result
    DWORD state;      // the call state that follows
    DWORD detail;     // its second parameter
  };
  const Row rows[] = {
      {"CONNECT 9600", 0, LINECALLSTATE_CONNECTED, 0},
      {"BUSY", 0, LINECALLSTATE_BUSY, 0},
      {"NO CARRIER", 0, LINECALLSTATE_DISCONNECTED, LINEDISCONNECTMODE_UNAVAIL},
      {"NO ANSWER", 0, LINECALLSTATE_DISCONNECTED, LINEDISCONNECTMODE_NOANSWER},
      {"NO DIALTONE", 0, LINECALLSTATE_DISCONNECTED, LINEDISCONNECTMODE_NODIALTONE},
      {"ERROR", LINEERR_OPERATIONFAILED, LINECALLSTATE_IDLE, 0},
      {"7", 0, LINECALLSTATE_BUSY, 0},  // numeric result codes read as their words
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.result);
    ScriptedModem modem(pty_, Hayes(r.result));
    HLINE line = 0;
    ASSERT_EQ(Open(line), 0);
    if (r.state == LINECALLSTATE_CONNECTED) comm::testing::SetModemStatus("COM9", MS_RLSD_ON);
    HCALL call = 0;
    const LONG request = lineMakeCall(line, &call, "5551234", 0, nullptr);
    ASSERT_GT(request, 0);
    LINEMESSAGE m{};
    ASSERT_TRUE(Expect(LINE_REPLY, m));
    EXPECT_EQ(m.dwParam1, static_cast<DWORD_PTR>(request));
    EXPECT_EQ(static_cast<LONG>(static_cast<DWORD>(m.dwParam2)), r.reply);
    EXPECT_EQ(m.dwCallbackInstance, 77u);
    ASSERT_TRUE(Expect(LINE_CALLSTATE, m));
    EXPECT_EQ(m.hDevice, call);
    EXPECT_EQ(m.dwParam1, r.state);
    EXPECT_EQ(m.dwParam2, r.detail);
    const LONG drop = lineDrop(call, nullptr, 0);
    if (r.state != LINECALLSTATE_IDLE) {
      ASSERT_GT(drop, 0);
      ASSERT_TRUE(Expect(LINE_CALLSTATE, m, LINECALLSTATE_IDLE, 4000ms));
    }
    EXPECT_EQ(lineDeallocateCall(call), 0);
    EXPECT_EQ(lineClose(line), 0);
    comm::testing::SetModemStatus("COM9", 0);
    const auto lines = modem.Lines();
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[0], tapi::kDefaultInit);
    EXPECT_EQ(lines[1], "ATDT5551234");
  }
}

TEST_F(TapiLinesTest, NumbersAModemRefusesAreNotDialled) {
  ScriptedModem modem(pty_, Hayes("CONNECT"));
  HLINE line = 0;
  ASSERT_EQ(Open(line), 0);
  for (const char* number : {"", "555;1234", "555\r\nATH", "12x4", "0123456789012345678901234567890123456789012345678901234567890123456789"}) {
    HCALL call = 0;
    EXPECT_EQ(lineMakeCall(line, &call, number, 0, nullptr), LINEERR_INVALADDRESS) << number;
  }
  HCALL call = 0;
  EXPECT_EQ(lineMakeCall(line, &call, nullptr, 0, nullptr), LINEERR_INVALADDRESS);
  EXPECT_EQ(lineMakeCall(line, nullptr, "123", 0, nullptr), LINEERR_INVALPOINTER);
  EXPECT_EQ(lineMakeCall(line, &call, "123", 48, nullptr), LINEERR_INVALCOUNTRYCODE);
  EXPECT_EQ(lineClose(line), 0);
  for (const std::string& l : modem.Lines()) EXPECT_EQ(l.find("ATD"), std::string::npos) << l;
}

TEST_F(TapiLinesTest, AModemThatDoesNotAnswerProperlyIsNotOpened) {
  struct Row {
    const char* what;
    ScriptedModem::Answer answer;
  };
  const Row rows[] = {
      {"silence", [](const std::string&) { return std::string(); }},
      {"garbage", [](const std::string&) { return std::string("\r\n#?x\x7f\r\n"); }},
      {"an echo and nothing else", [](const std::string& l) { return l + "\r"; }},
  };
  const int fds = OpenDescriptors();
  for (const Row& r : rows) {
    ScriptedModem modem(pty_, r.answer);
    HLINE line = 0;
    const auto start = Clock::now();
    EXPECT_EQ(Open(line), LINEERR_OPERATIONFAILED) << r.what;
    EXPECT_LT(Clock::now() - start, 3500ms) << r.what;
  }
  EXPECT_EQ(OpenDescriptors(), fds);
}

TEST_F(TapiLinesTest, TheConnectedCallsHandleCarriesDataAndItsCloseEndsTheCall) {
  ScriptedModem modem(pty_, Hayes("CONNECT 9600"));
  const int fds = OpenDescriptors();
  HLINE line = 0;
  ASSERT_EQ(Open(line), 0);
  comm::testing::SetModemStatus("COM9", MS_RLSD_ON);
  HCALL call = 0;
  ASSERT_GT(lineMakeCall(line, &call, "1", 0, nullptr), 0);
  LINEMESSAGE m{};
  ASSERT_TRUE(Expect(LINE_CALLSTATE, m, LINECALLSTATE_CONNECTED));

  alignas(VARSTRING) char record[128] = {};
  auto* id = reinterpret_cast<VARSTRING*>(record);
  id->dwTotalSize = sizeof record;
  EXPECT_EQ(lineGetID(line, 0, call, LINECALLSELECT_LINE, id, "comm/datamodem"), LINEERR_INVALCALLSELECT);
  ASSERT_EQ(lineGetID(line, 0, call, LINECALLSELECT_CALL, id, "comm/datamodem"), 0);
  ASSERT_GE(id->dwStringSize, 4u);
  std::uint32_t value = 0;
  std::memcpy(&value, record + id->dwStringOffset, 4);
  HANDLE data = reinterpret_cast<HANDLE>(static_cast<std::uintptr_t>(value));
  EXPECT_STREQ(record + id->dwStringOffset + 4, "COM9");
  DWORD written = 0;
  ASSERT_TRUE(WriteFile(data, "\x05", 1, &written, nullptr));
  EXPECT_TRUE(modem.WaitForRaw("\x05", 1000ms));

  // Closing the handle closes the port: the call is over, the line stays usable.
  ASSERT_TRUE(CloseHandle(data));
  ASSERT_TRUE(Expect(LINE_CALLSTATE, m, LINECALLSTATE_DISCONNECTED));
  ASSERT_GT(lineDrop(call, nullptr, 0), 0);
  ASSERT_TRUE(Expect(LINE_CALLSTATE, m, LINECALLSTATE_IDLE));
  EXPECT_EQ(lineDeallocateCall(call), 0);
  EXPECT_EQ(lineDeallocateCall(call), LINEERR_INVALCALLHANDLE) << "a released call is gone";
  ASSERT_GT(lineMakeCall(line, &call, "2", 0, nullptr), 0);
  ASSERT_TRUE(Expect(LINE_CALLSTATE, m, LINECALLSTATE_CONNECTED));
  comm::testing::SetModemStatus("COM9", 0);  // the modem follows DTR when the line closes
  EXPECT_EQ(lineClose(line), 0);
  EXPECT_EQ(OpenDescriptors(), fds);
}

TEST_F(TapiLinesTest, ALostCarrierEndsTheCallAndADropLowersDtr) {
  ScriptedModem modem(pty_, Hayes("CONNECT"));
  HLINE line = 0;
  ASSERT_EQ(Open(line), 0);
  comm::testing::SetModemStatus("COM9", MS_RLSD_ON);
  HCALL call = 0;
  ASSERT_GT(lineMakeCall(line, &call, "1", 0, nullptr), 0);
  LINEMESSAGE m{};
  ASSERT_TRUE(Expect(LINE_CALLSTATE, m, LINECALLSTATE_CONNECTED));
  comm::testing::SetModemStatus("COM9", 0);
  ASSERT_TRUE(Expect(LINE_CALLSTATE, m, LINECALLSTATE_DISCONNECTED, 1000ms));
  EXPECT_EQ(m.dwParam2, LINEDISCONNECTMODE_NORMAL);
  ASSERT_GT(lineDrop(call, nullptr, 0), 0);
  ASSERT_TRUE(Expect(LINE_CALLSTATE, m, LINECALLSTATE_IDLE));
  EXPECT_EQ(lineDeallocateCall(call), 0);

  // A drop of a connected call holds DTR low for a moment.
  comm::testing::SetModemStatus("COM9", MS_RLSD_ON);
  ASSERT_GT(lineMakeCall(line, &call, "1", 0, nullptr), 0);
  ASSERT_TRUE(Expect(LINE_CALLSTATE, m, LINECALLSTATE_CONNECTED));
  std::atomic<bool> sawLow{false}, done{false};
  std::thread watch([&] {
    while (!done)
      if (!comm::testing::GetOutputLines("COM9").dtr) {
        sawLow = true;
        comm::testing::SetModemStatus("COM9", 0);  // the modem hangs up
      }
  });
  ASSERT_GT(lineDrop(call, nullptr, 0), 0);
  EXPECT_TRUE(Expect(LINE_CALLSTATE, m, LINECALLSTATE_IDLE, 3000ms));
  done = true;
  watch.join();
  EXPECT_TRUE(sawLow);
  EXPECT_EQ(lineClose(line), 0);
}

TEST_F(TapiLinesTest, ARingOffersACallThatAnAnswerConnects) {
  std::atomic<bool> answered{false};
  ScriptedModem modem(pty_, [&](const std::string& l) -> std::string {
    if (l == "ATA") {
      answered = true;
      return "\r\nCONNECT 2400\r\n";
    }
    return "\r\nOK\r\n";
  });
  HLINE line = 0;
  ASSERT_EQ(Open(line), 0);
  comm::testing::SetModemStatus("COM9", MS_RLSD_ON);
  pty_.Send("\r\nRING\r\n");
  LINEMESSAGE m{};
  ASSERT_TRUE(Expect(LINE_CALLSTATE, m, LINECALLSTATE_OFFERING));
  const HCALL call = m.hDevice;
  EXPECT_EQ(m.dwParam3, LINECALLPRIVILEGE_OWNER);
  pty_.Send("\r\nRING\r\n");  // further rings of the same call offer nothing new
  ASSERT_GT(lineAnswer(call, nullptr, 0), 0);
  EXPECT_EQ(lineAnswer(call, nullptr, 0), LINEERR_INVALCALLSTATE) << "answered once";
  ASSERT_TRUE(Expect(LINE_REPLY, m));
  ASSERT_TRUE(Expect(LINE_CALLSTATE, m, LINECALLSTATE_CONNECTED));
  EXPECT_EQ(m.hDevice, call);
  EXPECT_TRUE(answered);
  comm::testing::SetModemStatus("COM9", 0);
  EXPECT_EQ(lineClose(line), 0);
}

TEST_F(TapiLinesTest, AModemThatDisappearsClosesTheLine) {
  std::optional<ScriptedModem> modem(std::in_place, pty_, Hayes(""));  // the dial gets no result
  const int fds = OpenDescriptors();
  HLINE line = 0;
  ASSERT_EQ(Open(line), 0);
  HCALL call = 0;
  ASSERT_GT(lineMakeCall(line, &call, "1", 0, nullptr), 0);
  ASSERT_TRUE(modem->WaitForRaw("ATDT1\r", 1000ms));
  modem.reset();
  pty_.HangUp();
  LINEMESSAGE m{};
  ASSERT_TRUE(Expect(LINE_CALLSTATE, m, LINECALLSTATE_DISCONNECTED, 2000ms));
  ASSERT_TRUE(Expect(LINE_CLOSE, m, 0, 2000ms));
  EXPECT_EQ(m.hDevice, line);
  EXPECT_EQ(lineMakeCall(line, &call, "1", 0, nullptr), LINEERR_OPERATIONFAILED) << "the line is gone";
  EXPECT_EQ(lineClose(line), 0);
  EXPECT_EQ(OpenDescriptors(), fds - 1) << "only the modem's own side was closed";
}

TEST_F(TapiLinesTest, TheLinesKeyChoosesItsSetUpRateAndFlowControl) {
  struct Row {
    const char* what;
    tapi::ModemLine line;
    LONG open;         // lineOpen's result
    std::string init;  // the first line the modem gets
    speed_t speed;
    bool rtsCts;
    bool xonXoff;
  };
  auto line = [](std::string init, std::string rate, std::string flow) {
    return tapi::ModemLine{"Test Modem", "COM9", std::move(init), std::move(rate), std::move(flow)};
  };
  const Row rows[] = {
      {"nothing but name and port", line("", "", ""), 0, tapi::kDefaultInit, B9600, false, false},
      {"a set-up, a rate and RTS/CTS", line("AT&F&C1&D2", "19200", "RTS/CTS"), 0, "AT&F&C1&D2", B19200, true, false},
      {"XON/XOFF in any letter case", line("", " 38400 ", "xon/xoff"), 0, tapi::kDefaultInit, B38400, false, true},
      {"no flow control named", line("", "", "None"), 0, tapi::kDefaultInit, B9600, false, false},
      {"a rate that is not a number", line("", "fast", ""), LINEERR_INVALPARAM, "", 0, false, false},
      {"a rate of 0", line("", "0", ""), LINEERR_INVALPARAM, "", 0, false, false},
      {"an unknown flow control", line("", "", "DTR/DSR"), LINEERR_INVALPARAM, "", 0, false, false},
      // It would reach the modem as two command lines.
      {"a set-up with a line break", line("ATZ\rATDT1", "", ""), LINEERR_INVALPARAM, "", 0, false, false},
  };
  const int fds = OpenDescriptors();
  for (const Row& r : rows) {
    SCOPED_TRACE(r.what);
    tapi::RemoveModemLines();
    tapi::AddModemLine(r.line);
    ScriptedModem modem(pty_, Hayes(""));
    HLINE h = 0;
    ASSERT_EQ(Open(h), r.open);
    if (r.open != 0) {
      EXPECT_TRUE(modem.Lines().empty()) << "nothing is sent";
      continue;
    }
    termios t{};
    ASSERT_EQ(tcgetattr(pty_.master(), &t), 0);  // the slave's settings
    EXPECT_EQ(cfgetospeed(&t), r.speed);
    EXPECT_EQ((t.c_cflag & CRTSCTS) != 0, r.rtsCts);
    EXPECT_EQ((t.c_iflag & IXON) != 0, r.xonXoff);
    EXPECT_EQ((t.c_iflag & IXOFF) != 0, r.xonXoff);
    ASSERT_FALSE(modem.Lines().empty());
    EXPECT_EQ(modem.Lines()[0], r.init);
    EXPECT_EQ(lineClose(h), 0);
  }
  EXPECT_EQ(OpenDescriptors(), fds);
}

}  // namespace
