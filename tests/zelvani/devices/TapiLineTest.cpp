// The telephony line component against the simulated modem: the error texts,
// the line list and its names, the dial's guards, the events of each call
// outcome in their order, the call parameters after the dial's reply, an
// answered incoming call, and the mended faults: a refused dial or drop never
// blocks later ones, a failed reply still reaches its handlers, the call's
// handle is closed once and forgotten on close, drop and idle.
#include <dirent.h>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <optional>
#include <thread>

#include "platform/comm/comm.h"
#include "platform/comm/testing.h"
#include "platform/tapi/lines.h"
#include "platform/win/clock.h"
#include "platform/win/handles.h"
#include "tests/zelvani/devices/ModemSimulator.h"
#include "tests/zelvani/devices/RegisterSimulator.h"
#include "zelvani/devices/jtqTAPILine.h"

namespace zelvani {
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

TEST(TapiErrorTextTest, CodesGiveTheirNamesOrTheUnknownText) {
  struct Row {
    LONG code;
    const char* text;  // nullptr: nothing happens
  };
  const Row rows[] = {
      {0, nullptr},
      {17, nullptr},  // request identifiers are not errors
      {static_cast<LONG>(0x80000001), "TAPI Line: LINEERR_ALLOCATED"},
      {static_cast<LONG>(0x80000005), "TAPI Line: LINEERR_CALLUNAVAIL"},
      {static_cast<LONG>(0x80000021), "TAPI Line: LINEERR_INVALCONSULTCALLHANDLE"},
      {static_cast<LONG>(0x80000048), "TAPI Line: LINEERR_OPERATIONFAILED"},
      {static_cast<LONG>(0x8000005C), "TAPI Line: LINEERR_DIALVOICEDETECT"},
      {static_cast<LONG>(0x80000031), "Unknown Error - -2147483599"},  // a gap in the numbering
      {static_cast<LONG>(0x80000004), "Unknown Error - -2147483644"},
      {static_cast<LONG>(0x8000005D), "Unknown Error - -2147483555"},  // past the last name
      {-1, "Unknown Error - -1"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.code);
    std::string text = "untouched";
    TjtqTAPILine::TapiErrorText(r.code, false, text);
    EXPECT_EQ(text, r.text ? r.text : "untouched");
    if (r.text) {
      try {
        TjtqTAPILine::TapiErrorText(r.code, true, text);
        ADD_FAILURE() << "no exception";
      } catch (const ETapiError& e) {
        EXPECT_STREQ(e.what(), r.text);
      }
    } else {
      EXPECT_NO_THROW(TjtqTAPILine::TapiErrorText(r.code, true, text));
    }
  }
}

// The events of the component in the order they came, from its thread.
class EventLog {
 public:
  void Bind(TjtqTAPILine& line) {
    auto note = [this](std::string what) {
      return [this, what](TjtqTAPILine&) { Add(what); };
    };
    auto noteCode = [this](std::string what) {
      return [this, what](TjtqTAPILine&, LONG code) { Add(what + " " + TjtqTAPILine::ErrorText(code)); };
    };
    line.OnRingBack = note("ringback");
    line.OnUnexpectedClose = note("close");
    line.OnIncomingCall = note("incoming");
    line.OnConnect = [this](TjtqTAPILine& l) {
      Add(l.CommHandle() != INVALID_HANDLE_VALUE ? "connect" : "connect without a handle");
    };
    line.OnDisconnect = note("disconnect");
    line.OnBusy = note("busy");
    line.OnRequestMakeCall = note("reply");
    line.OnCallError = noteCode("call error");
    line.OnDropError = noteCode("drop error");
    line.OnCallParamsError = noteCode("params error");
  }
  void Add(const std::string& e) {
    std::lock_guard lock(mu_);
    events_.push_back(e);
  }
  void Clear() {
    std::lock_guard lock(mu_);
    events_.clear();
  }
  std::vector<std::string> Events() {
    std::lock_guard lock(mu_);
    return events_;
  }
  bool WaitFor(const std::string& e, std::chrono::milliseconds within = 3000ms) {
    const auto end = Clock::now() + within;
    while (Clock::now() < end) {
      for (const auto& x : Events())
        if (x == e) return true;
      std::this_thread::sleep_for(5ms);
    }
    return false;
  }

 private:
  std::mutex mu_;
  std::vector<std::string> events_;
};

class TapiLineTest : public ::testing::Test {
 protected:
  void SetUp() override {
    modem_.emplace("COM6");
    tapi::AddModemLine("Sim Modem", "COM6");
    tapi::AddModemLine("", "COM97");
    line_.emplace("tests");
    log_.Bind(*line_);
  }
  void TearDown() override {
    line_.reset();
    modem_->Stop();
  }
  TjtqTAPILine& line() { return *line_; }
  ModemSimulator& modem() { return *modem_; }
  void Open() {
    line().SetDeviceID(0);
    line().SetActive(true);
  }
  // A call connected to a modem that ignores DTR, so that only the escape and
  // ATH can end it.
  void CallAModemThatIgnoresDtr() {
    modem().Dial("1", {"CONNECT 9600", 50ms}).IgnoreDtr().Guard(300ms);
    modem().Start();
    Open();
    ASSERT_TRUE(line().MakeCall("1"));
    ASSERT_TRUE(log_.WaitFor("connect"));
  }
  // The modem left the call through the escape and ATH.
  void ExpectHungUpWithTheEscape() {
    ASSERT_TRUE(modem().WaitFor([&] { return !modem().InCall(); }, 12s))
        << ::testing::PrintToString(modem().Commands());
    EXPECT_EQ(modem().Hangups(), 1);
    EXPECT_EQ(modem().Commands().back(), "ATH");
  }

  ScopedTestRegistry registry_;
  std::optional<ModemSimulator> modem_;
  std::optional<TjtqTAPILine> line_;
  EventLog log_;
};

TEST_F(TapiLineTest, LinesAreListedWithTheirNames) {
  EXPECT_EQ(line().LineCount(), 2u);
  std::vector<std::pair<std::string, DWORD>> names;
  line().GetLineNames(names);
  ASSERT_EQ(names.size(), 2u);
  EXPECT_EQ(names[0], std::make_pair(std::string("Sim Modem"), DWORD{0}));
  EXPECT_EQ(names[1], std::make_pair(std::string("<no name>"), DWORD{1}));

  tapi::RemoveModemLines();
  TjtqTAPILine empty;
  empty.GetLineNames(names);
  EXPECT_TRUE(names.empty());
}

TEST_F(TapiLineTest, DialGuardsComeBeforeAnythingIsSent) {
  modem().Start();
  struct Row {
    DWORD device;
    bool open;
    const char* text;
  };
  const Row rows[] = {
      {TjtqTAPILine::kNoDevice, false, TjtqTAPILine::kInvalidDevice},  // the device is checked first
      {0, false, TjtqTAPILine::kLineNotOpen},
  };
  for (const Row& r : rows) {
    line().SetDeviceID(r.device);
    try {
      line().MakeCall("123");
      ADD_FAILURE() << r.text;
    } catch (const ETapiError& e) {
      EXPECT_STREQ(e.what(), r.text);
    }
  }
  line().SetDeviceID(TjtqTAPILine::kNoDevice);
  EXPECT_THROW(line().SetActive(true), ETapiError);
  line().SetDeviceID(1);  // listed, but its port does not exist
  try {
    line().SetActive(true);
    ADD_FAILURE();
  } catch (const ETapiError& e) {
    EXPECT_STREQ(e.what(), "TAPI Line: LINEERR_NODEVICE");
  }
  EXPECT_FALSE(line().Active());
  EXPECT_EQ(modem().Dials(), 0);
}

TEST_F(TapiLineTest, EachOutcomeRaisesItsEventsInOrder) {
  struct Row {
    const char* number;
    ModemSimulator::Outcome outcome;
    std::vector<std::string> events;
  };
  const Row rows[] = {
      {"100", {"CONNECT 9600", 50ms}, {"reply", "connect"}},
      {"200", {"BUSY", 50ms}, {"reply", "busy"}},
      {"300", {"NO CARRIER", 50ms}, {"reply", "disconnect"}},
      {"400", {"ERROR", 50ms}, {"reply", "call error TAPI Line: LINEERR_OPERATIONFAILED"}},
  };
  for (const Row& r : rows) modem().Dial(r.number, r.outcome);
  modem().Start();
  Open();
  for (const Row& r : rows) {
    SCOPED_TRACE(r.number);
    ASSERT_TRUE(line().MakeCall(r.number));
    EXPECT_EQ(line().PhoneNumber(), r.number);
    ASSERT_TRUE(log_.WaitFor(r.events.back())) << ::testing::PrintToString(log_.Events());
    EXPECT_EQ(log_.Events(), r.events);
    EXPECT_EQ(line().MakeCallRequest(), 0u);
    line().Drop();
    line().SetActive(false);
    line().SetActive(true);
    log_.Clear();
  }
}

TEST_F(TapiLineTest, ADialWhileOneIsOutstandingSendsNothing) {
  modem().Dial("1", {"", 0ms});  // silence: the dial stays outstanding
  modem().Start();
  Open();
  ASSERT_TRUE(line().MakeCall("1"));
  EXPECT_NE(line().MakeCallRequest(), 0u);
  EXPECT_FALSE(line().MakeCall("2"));
  std::this_thread::sleep_for(200ms);
  EXPECT_EQ(modem().Dials(), 1);
  EXPECT_EQ(line().PhoneNumber(), "2");
}

// A refused request was once stored as the outstanding one and blocked every
// later dial; now it is reported at once and nothing stays outstanding.
TEST_F(TapiLineTest, ARefusedDialDoesNotBlockTheNextOne) {
  modem().Dial("555", {"CONNECT 9600", 50ms});
  modem().Start();
  Open();
  EXPECT_THROW(line().MakeCall("55x5"), ETapiError);
  EXPECT_EQ(line().MakeCallRequest(), 0u);
  ASSERT_TRUE(line().MakeCall("555"));
  EXPECT_TRUE(log_.WaitFor("connect"));
}

// A drop refused at once is told at once and never stays outstanding; closing
// the line clears the requests.
TEST_F(TapiLineTest, ARefusedDropIsToldAtOnceAndCloseClearsTheRequests) {
  modem().Dial("1", {"", 0ms});
  modem().Start();
  Open();
  ASSERT_TRUE(line().MakeCall("1"));
  ASSERT_TRUE(modem().WaitFor([&] { return modem().Dials() == 1; }, 2s));
  modem().ClosePort();
  ASSERT_TRUE(log_.WaitFor("close"));
  EXPECT_TRUE(line().Drop());
  EXPECT_TRUE(log_.WaitFor("drop error TAPI Line: LINEERR_OPERATIONFAILED", 100ms))
      << ::testing::PrintToString(log_.Events());
  EXPECT_EQ(line().DropRequest(), 0u);
  line().SetActive(false);
  EXPECT_EQ(line().MakeCallRequest(), 0u);
  EXPECT_EQ(line().CallHandle(), 0u);
}

// The rates were once set before the reply's result was looked at, and their
// failure skipped the reply's handlers.
TEST_F(TapiLineTest, CallParametersFollowOnlyASuccessfulReply) {
  modem().Dial("1", {"ERROR", 50ms}).Dial("2", {"NO CARRIER", 50ms}).Dial("3", {"CONNECT 9600", 50ms});
  modem().Start();
  line().SetMaxTransferRate(9600);
  line().SetMinTransferRate(9600);
  Open();
  ASSERT_TRUE(line().MakeCall("1"));
  ASSERT_TRUE(log_.WaitFor("call error TAPI Line: LINEERR_OPERATIONFAILED"));
  EXPECT_EQ(log_.Events(), (std::vector<std::string>{"reply", "call error TAPI Line: LINEERR_OPERATIONFAILED"}));

  line().SetActive(false);
  line().SetActive(true);
  log_.Clear();
  ASSERT_TRUE(line().MakeCall("2"));  // the call is gone when its reply comes: the rates cannot be set
  ASSERT_TRUE(log_.WaitFor("disconnect"));
  EXPECT_EQ(log_.Events(), (std::vector<std::string>{"params error TAPI Line: LINEERR_INVALCALLSTATE", "reply",
                                                     "disconnect"}));

  line().SetActive(false);
  line().SetActive(true);
  log_.Clear();
  ASSERT_TRUE(line().MakeCall("3"));
  ASSERT_TRUE(log_.WaitFor("connect"));
  EXPECT_EQ(log_.Events(), (std::vector<std::string>{"reply", "connect"}));
}

// The call's handle was once closed by a close of the line but kept, so a
// later close could reach an unrelated handle and a new Connect skipped its
// dial; now it is closed once and forgotten on close, drop and idle.
TEST_F(TapiLineTest, TheCallsHandleIsClosedOnceAndForgotten) {
  modem().Dial("1", {"CONNECT 9600", 50ms});
  modem().Start();
  const int fds = OpenDescriptors();
  struct Row {
    const char* how;
    std::function<void(TjtqTAPILine&)> end;
  };
  const Row rows[] = {
      {"line closed", [](TjtqTAPILine& l) { l.SetActive(false); }},
      {"call dropped", [](TjtqTAPILine& l) { l.Drop(); }},
      {"carrier lost", [this](TjtqTAPILine&) { modem().LoseCarrier(); }},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.how);
    Open();
    ASSERT_TRUE(line().MakeCall("1"));
    ASSERT_TRUE(log_.WaitFor("connect"));
    const HANDLE h = line().CommHandle();
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(line().CallConnected());
    r.end(line());
    const auto end = Clock::now() + 3s;
    while (line().CommHandle() != INVALID_HANDLE_VALUE && Clock::now() < end) std::this_thread::sleep_for(5ms);
    EXPECT_EQ(line().CommHandle(), INVALID_HANDLE_VALUE);
    EXPECT_FALSE(line().CallConnected());
    // Closed by the component (after a drop, once the call is idle).
    while (win::KindOfHandle(h) != nullptr && Clock::now() < end) std::this_thread::sleep_for(5ms);
    EXPECT_EQ(win::KindOfHandle(h), nullptr);
    line().SetActive(false);
    ASSERT_TRUE(modem().WaitFor([&] { return !modem().InCall(); }, 3s));
    log_.Clear();
  }
  EXPECT_EQ(OpenDescriptors(), fds);
}

TEST_F(TapiLineTest, AnIncomingCallIsAnsweredAutomaticallyOrLeftRinging) {
  modem().Start();
  Open();
  modem().Ring(10, 300ms);
  ASSERT_TRUE(log_.WaitFor("connect")) << ::testing::PrintToString(log_.Events())
                                       << ::testing::PrintToString(modem().Commands());
  EXPECT_EQ(log_.Events(), (std::vector<std::string>{"incoming", "connect"}));
  EXPECT_EQ(modem().Answers(), 1);
  EXPECT_TRUE(modem().DataMode());
  line().Drop();
  ASSERT_TRUE(modem().WaitFor([&] { return !modem().InCall(); }, 3s));
  EXPECT_EQ(modem().Hangups(), 1);
  line().SetActive(false);

  log_.Clear();
  line().SetAutoAnswer(false);
  Open();
  modem().Ring(2, 200ms);
  ASSERT_TRUE(log_.WaitFor("incoming"));
  std::this_thread::sleep_for(600ms);
  EXPECT_EQ(modem().Answers(), 1) << "not answered again";
  EXPECT_NE(line().CallHandle(), 0u);
}

TEST_F(TapiLineTest, DirectAccessOpensTheCallWithoutDialling) {
  modem().Start();
  comm::testing::SetModemStatus("COM6", 0);  // no carrier: the call is the bare line
  line().SetDirectAccess(true);
  line().SetPhoneNumber("5551234");
  Open();
  ASSERT_TRUE(line().MakeCall());
  ASSERT_TRUE(log_.WaitFor("connect"));
  EXPECT_EQ(log_.Events(), (std::vector<std::string>{"reply", "connect"}));
  std::this_thread::sleep_for(200ms);
  EXPECT_TRUE(line().CallConnected()) << "no carrier is watched on a pass-through call";
  EXPECT_EQ(modem().Dials(), 0);
  // The application talks to the modem itself.
  DWORD written = 0;
  ASSERT_TRUE(WriteFile(line().CommHandle(), "ATI\r", 4, &written, nullptr));
  EXPECT_TRUE(modem().WaitFor(
      [&] {
        const auto c = modem().Commands();
        return !c.empty() && c.back() == "ATI";
      },
      2s));
}

TEST_F(TapiLineTest, AModemThatIgnoresDtrIsHungUpWithTheEscape) {
  ASSERT_NO_FATAL_FAILURE(CallAModemThatIgnoresDtr());
  const auto start = Clock::now();
  line().Drop();
  // DTR low, the carrier stays: "+++" once the line has been silent for the
  // guard time (the DTR drop counts), guard time, ATH; about 2.5 s, bounded
  // with room for a loaded machine.
  ExpectHungUpWithTheEscape();
  EXPECT_LT(Clock::now() - start, 9s);
}

// The modem's reader held up past both guard times reads "+++ATH" in one piece:
// the call still ends with the escape and ATH.
TEST_F(TapiLineTest, AModemThatReadsTheEscapeLateIsStillHungUp) {
  ASSERT_NO_FATAL_FAILURE(CallAModemThatIgnoresDtr());
  modem().HoldReadsUntil(std::string("+++ATH\r").size());
  line().Drop();
  ExpectHungUpWithTheEscape();
}

TEST_F(TapiLineTest, DestructionHangsUpAndEndsTheThread) {
  modem().Dial("1", {"CONNECT 9600", 50ms});
  modem().Start();
  Open();
  ASSERT_TRUE(line().MakeCall("1"));
  ASSERT_TRUE(log_.WaitFor("connect"));
  const auto start = Clock::now();
  line_.reset();
  EXPECT_LT(Clock::now() - start, 3s);
  ASSERT_TRUE(modem().WaitFor([&] { return !modem().InCall(); }, 3s));
  EXPECT_EQ(modem().Hangups(), 1);
}

}  // namespace
}  // namespace zelvani
