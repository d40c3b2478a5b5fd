// Synchronous transfers of the serial port component: counts, terminators,
// time-outs and their classes, hang-ups, the cancel key, the status text and
// the filtered message pump.
#include <poll.h>
#include <sys/resource.h>

#include <atomic>
#include <functional>
#include <stdexcept>
#include <vector>

#include "platform/comm/comm.h"
#include "tests/zelvani/devices/NVRCommFixture.h"

namespace zelvani::nvrcomm_test {
namespace {

using NVRCommTransferTest = NVRCommTest;

TEST_F(NVRCommTransferTest, ReadsEndAtTheCountOrJustAfterTheTerminator) {
  struct Row {
    const char* what;
    std::string arriving;
    int count;
    std::string terminator;
    std::string expected;
  };
  const Row rows[] = {
      {"exact count", "ABCDEFGH", 5, "", "ABCDE"},
      {"terminator", "12\x03" "45", 100, "\x03", "12\x03"},
      {"two-byte terminator", "ab\r\ncd", 100, "\r\n", "ab\r\n"},
      {"terminator never comes", std::string(120, 'x'), 100, "\x03", std::string(100, 'x')},
      {"all 256 byte values", [] {
         std::string s;
         for (int i = 0; i < 256; ++i) s.push_back(static_cast<char>(i));
         return s;
       }(), 256, "", ""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    TNVRCommDevice dev;
    Open(dev, 1000);
    dev.SetDCBFlags(DCBFlagBit(dcbBinary));  // no XON/XOFF: every byte value is data
    pty_.Send(row.arriving);
    std::string data;
    ASSERT_TRUE(dev.ReadString(data, row.count, row.terminator));
    EXPECT_EQ(data, row.expected.empty() ? row.arriving : row.expected);
    EXPECT_EQ(dev.LastErrorType(), cetNone);
  }
}

TEST_F(NVRCommTransferTest, TimeOutsEndShortWithTheTimeoutClassWithinTheirLimits) {
  struct Row {
    const char* what;
    std::string arriving;
    int count;
    std::string terminator;
    int timeout, byteTimeout;
    long long minMs, maxMs;
  };
  const Row rows[] = {
      {"nothing arrives", "", 5, "", 150, 0, 140, 1500},
      {"part arrives", "abc", 5, "", 150, 0, 140, 1500},
      {"per-byte time added", "", 5, "", 50, 30, 190, 1500},
      {"terminated read, no terminator", "ab", 10, "\x03", 150, 0, 140, 1500},
      // All port time-outs zero: only the wait limit (0 + 20 ms) ends the read.
      {"zero time-outs", "", 5, "", 0, 0, 15, 1500},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    TNVRCommDevice dev;
    Open(dev, row.timeout);
    dev.SetRdByteTimeout(row.byteTimeout);
    int readErrors = 0, errors = 0;
    dev.OnReadError = [&](TNVRCommDevice&, TNVRCommOperation&, bool& cancel) {
      ++readErrors;
      EXPECT_FALSE(cancel);
    };
    dev.OnError = [&](TNVRCommDevice&) { ++errors; };
    if (!row.arriving.empty()) pty_.Send(row.arriving);
    std::string data = "old";
    const auto start = Clock::now();
    EXPECT_FALSE(dev.ReadString(data, row.count, row.terminator));
    const long long ms = MillisecondsSince(start);
    EXPECT_GE(ms, row.minMs);
    EXPECT_LE(ms, row.maxMs);
    EXPECT_EQ(data, row.arriving);
    EXPECT_EQ(dev.LastErrorType(), cetTimeout);
    EXPECT_EQ(dev.LastErrorCode(), -1);
    EXPECT_EQ(readErrors, 1);
    EXPECT_EQ(errors, 1);
  }
}

// Time-outs another user of the handle puts between transfers do not stay: the
// next transfer puts its own again, and leaves the other direction's alone.
TEST_F(NVRCommTransferTest, EachTransferPutsItsTimeOutsEvenWhenTheHandleWasChangedMeanwhile) {
  TNVRCommDevice dev;
  Open(dev, 100);
  std::string data;
  EXPECT_FALSE(dev.ReadString(data, 1, ""));
  COMMTIMEOUTS t{};
  ASSERT_TRUE(GetCommTimeouts(dev.Handle(), &t));
  EXPECT_EQ(t.ReadTotalTimeoutConstant, 100u);
  // Reads that would wait without end, and a write time-out of another user.
  COMMTIMEOUTS other{0, 0, 0, 7, 9};
  ASSERT_TRUE(SetCommTimeouts(dev.Handle(), &other));
  const auto start = Clock::now();
  EXPECT_FALSE(dev.ReadString(data, 1, ""));
  const long long ms = MillisecondsSince(start);
  EXPECT_GE(ms, 90);
  EXPECT_LE(ms, 1500);
  EXPECT_EQ(dev.LastErrorType(), cetTimeout);
  ASSERT_TRUE(GetCommTimeouts(dev.Handle(), &t));
  EXPECT_EQ(t.ReadTotalTimeoutConstant, 100u);
  EXPECT_EQ(t.WriteTotalTimeoutMultiplier, 7u);
  EXPECT_EQ(t.WriteTotalTimeoutConstant, 9u);
}

// A write call first clears the line errors earlier transfers left, and the
// errors it reports are those the port holds when its time runs out. The error
// is therefore injected once the write has begun (its first bytes reached the
// other end), and the write's time is long beside that, so that neither end of
// the race depends on how busy the machine is.
TEST_F(NVRCommTransferTest, AWriteTheLineCannotTakeEndsAsTimeoutOrAsLineErrorWhenTheFlagsSaySo) {
  for (bool lineError : {false, true}) {
    SCOPED_TRACE(lineError);
    comm::testing::PseudoTerminal pty;  // a fresh line: the master never reads
    pty.MapTo("COM7");
    TNVRCommDevice dev;
    Open(dev, lineError ? 2000 : 300);
    std::thread inject;
    std::atomic<bool> injected{false};
    if (lineError)
      inject = std::thread([&] {
        pollfd begun{pty.master(), POLLIN, 0};
        if (poll(&begun, 1, 10000) != 1) return;  // the write never began
        comm::testing::InjectLineErrors("COM7", CE_FRAME);
        injected = true;
      });
    EXPECT_FALSE(dev.WriteString(std::string(1 << 20, 'z')));
    if (inject.joinable()) inject.join();
    EXPECT_EQ(injected.load(), lineError);
    EXPECT_EQ(dev.LastErrorType(), lineError ? cetDevice : cetTimeout);
    EXPECT_EQ(dev.LastErrorCode(), lineError ? int(CE_FRAME) : -1);
    EXPECT_GT(dev.DefaultOperation().BytesTransferred(), 0u);
  }
}

TEST_F(NVRCommTransferTest, AHangUpEndsTransfersAsSystemFailures) {
  TNVRCommDevice dev;
  Open(dev, 5000);
  std::thread hangUp([&] {
    std::this_thread::sleep_for(milliseconds(100));
    pty_.Send("ab");
    std::this_thread::sleep_for(milliseconds(50));  // taken in before the hang-up flushes the line
    pty_.HangUp();
  });
  std::string data;
  const auto start = Clock::now();
  EXPECT_FALSE(dev.ReadString(data, 10, ""));
  hangUp.join();
  EXPECT_LT(MillisecondsSince(start), 3000);
  EXPECT_EQ(dev.LastErrorType(), cetSystem);
  EXPECT_EQ(dev.LastErrorCode(), int(ERROR_DEVICE_NOT_CONNECTED));
  EXPECT_EQ(data, "ab");  // what arrived before the hang-up
  EXPECT_FALSE(dev.WriteString("after"));
  EXPECT_EQ(dev.LastErrorType(), cetSystem);
  EXPECT_TRUE(dev.Active());  // a failed transfer leaves the port open
}

TEST_F(NVRCommTransferTest, TransfersOnAClosedPortFailWithTheSystemClassAndNoEvent) {
  TNVRCommDevice dev;
  Open(dev, 50);
  std::string data;
  EXPECT_FALSE(dev.ReadString(data, 1, ""));
  ASSERT_EQ(dev.LastErrorType(), cetTimeout);
  dev.SetActive(false);
  int events = 0;
  dev.OnError = [&](TNVRCommDevice&) { ++events; };
  EXPECT_FALSE(dev.WriteString("x"));
  EXPECT_EQ(dev.LastErrorType(), cetSystem);
  EXPECT_EQ(dev.LastErrorCode(), int(ERROR_INVALID_HANDLE));
  dev.SetActive(true);
  EXPECT_FALSE(dev.ReadString(data, 1, ""));  // time-out again
  dev.SetActive(false);
  EXPECT_FALSE(dev.ReadString(data, 1, ""));
  EXPECT_EQ(dev.LastErrorType(), cetSystem);
  EXPECT_FALSE(dev.StartWrite("x"));
  EXPECT_EQ(events, 1);  // only the time-out
}

TEST_F(NVRCommTransferTest, ReadsOnAParallelPortAreRefusedWithoutEvents) {
  HANDLE h = CreateFileA("COM7", GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  TNVRCommDevice dev;
  dev.SetPortName("LPT1");
  dev.AttachHandle(h);
  ASSERT_TRUE(dev.Active());
  int events = 0;
  dev.OnError = [&](TNVRCommDevice&) { ++events; };
  dev.OnReadCompleted = [&](TNVRCommDevice&, TNVRCommOperation&) { ++events; };
  std::string data;
  EXPECT_FALSE(dev.ReadString(data, 1, ""));
  EXPECT_FALSE(dev.StartRead(data, 1, ""));
  EXPECT_EQ(events, 0);
  EXPECT_TRUE(dev.WriteString("printer"));
  EXPECT_EQ(pty_.Receive(7, milliseconds(1000)), "printer");
  dev.SetActive(false);
  CloseHandle(h);
}

// ---- cancel key -------------------------------------------------------------

TEST_F(NVRCommTransferTest, TheCancelKeyBreaksAReadWhenItAndItsModifiersAreDown) {
  constexpr TShortCut kCtrlX = TNVRCommDevice::scCtrl | 'X';
  struct Row {
    const char* what;
    TShortCut shortcut;
    std::vector<int> keys;
    bool appActive;
    bool breaks;
  };
  const Row rows[] = {
      {"Esc", VK_ESCAPE, {VK_ESCAPE}, true, true},
      {"Esc, application inactive", VK_ESCAPE, {VK_ESCAPE}, false, false},
      {"no shortcut", 0, {VK_ESCAPE}, true, false},
      {"Ctrl+X without Ctrl", kCtrlX, {'X'}, true, false},
      {"Ctrl+X", kCtrlX, {VK_LCONTROL, 'X'}, true, true},
      {"Ctrl+X with Shift too", kCtrlX, {VK_RCONTROL, VK_SHIFT, 'X'}, true, true},
      {"Shift+Alt+F5 without Alt", TNVRCommDevice::scShift | TNVRCommDevice::scAlt | VK_F5, {VK_SHIFT, VK_F5},
       true, false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    win::ResetAsyncKeyStates();
    win::App().SetActive(row.appActive);
    TNVRCommDevice dev;
    Open(dev, 300);
    dev.SetCancelShortcut(row.shortcut);
    std::vector<std::string> calls;
    dev.OnReadUserBreak = [&](TNVRCommDevice&, TNVRCommOperation&, bool& cancel) {
      calls.push_back(cancel ? "read break, cancel" : "read break");
    };
    dev.OnUserBreak = [&](TNVRCommDevice&, TNVRCommOperation&, bool&) { calls.push_back("break"); };
    dev.OnReadError = [&](TNVRCommDevice&, TNVRCommOperation&, bool& cancel) {
      calls.push_back(cancel ? "error, cancel" : "error");
    };
    for (int k : row.keys) win::SetAsyncKeyState(k, true);
    std::string data;
    const auto start = Clock::now();
    EXPECT_FALSE(dev.ReadString(data, 5, ""));
    if (row.breaks) {
      EXPECT_LT(MillisecondsSince(start), 250);
      EXPECT_EQ(dev.LastErrorType(), cetUserBreak);
      EXPECT_EQ(dev.LastErrorCode(), -1);
      EXPECT_EQ(calls, (std::vector<std::string>{"read break, cancel", "break", "error, cancel"}));
    } else {
      EXPECT_EQ(dev.LastErrorType(), cetTimeout);
      EXPECT_EQ(calls, std::vector<std::string>{"error"});
    }
  }
}

TEST_F(NVRCommTransferTest, AHandlerThatClearsCancelLetsTheReadGoOnAndTheKeyIsNotLookedAtAgain) {
  TNVRCommDevice dev;
  Open(dev, 2000);
  int breaks = 0;
  dev.OnUserBreak = [&](TNVRCommDevice&, TNVRCommOperation&, bool& cancel) {
    ++breaks;
    cancel = false;
  };
  win::SetAsyncKeyState(VK_ESCAPE, true);
  DelayedSend send(pty_, "later", milliseconds(150));
  std::string data;
  EXPECT_TRUE(dev.ReadString(data, 5, ""));
  EXPECT_EQ(data, "later");
  EXPECT_EQ(breaks, 1);
}

TEST_F(NVRCommTransferTest, TheCancelKeyPurgesAPendingWrite) {
  comm::testing::PseudoTerminal pty;  // never read: the write cannot finish
  pty.MapTo("COM7");
  TNVRCommDevice dev;
  dev.SetPortName("COM7");
  dev.SetActive(true);  // no time-outs
  int writeBreaks = 0;
  dev.OnWriteUserBreak = [&](TNVRCommDevice&, TNVRCommOperation&, bool&) { ++writeBreaks; };
  std::thread press([] {
    std::this_thread::sleep_for(milliseconds(100));
    win::SetAsyncKeyState(VK_ESCAPE, true);
  });
  const auto start = Clock::now();
  EXPECT_FALSE(dev.WriteString(std::string(1 << 20, 'q')));
  press.join();
  EXPECT_LT(MillisecondsSince(start), 3000);
  EXPECT_EQ(writeBreaks, 1);
  EXPECT_EQ(dev.LastErrorType(), cetUserBreak);
  EXPECT_EQ(dev.LastErrorCode(), int(ERROR_OPERATION_ABORTED));
}

// A break asked for when the read has just completed does not spoil it.
TEST_F(NVRCommTransferTest, ALateBreakLeavesACompletedReadIntact) {
  for (int round = 0; round < 20; ++round) {
    SCOPED_TRACE(round);
    win::ResetAsyncKeyStates();
    TNVRCommDevice dev;
    Open(dev, 2000);
    // The key goes down inside the completion, before the request is Done.
    dev.OnReadCompleted = [](TNVRCommDevice&, TNVRCommOperation&) { win::SetAsyncKeyState(VK_ESCAPE, true); };
    DelayedSend send(pty_, "done!", milliseconds(5));
    std::string data;
    EXPECT_TRUE(dev.ReadString(data, 5, ""));
    EXPECT_EQ(data, "done!");
    EXPECT_EQ(dev.LastErrorType(), cetNone);
  }
}

// ---- the calling thread's own transfers ----------------------------------------

TEST_F(NVRCommTransferTest, SynchronousTransfersRunOnTheCallingThreadWithoutAWorker) {
  TNVRCommDevice dev;
  Open(dev, 500);
  const DWORD caller = GetCurrentThreadId();
  std::vector<std::string> events;
  auto on = [&](const char* name) {
    return [&, name](TNVRCommDevice&, TNVRCommOperation& op) {
      events.push_back(std::string(name) + (GetCurrentThreadId() == caller ? " here" : " elsewhere") +
                       (op.Done() ? ", done" : ", pending"));
    };
  };
  dev.OnWriteCompleted = on("write");
  dev.OnReadCompleted = on("read");
  dev.OnCompleted = on("any");
  DelayedSend reply(pty_, "pong", milliseconds(30));  // the read has to wait
  EXPECT_TRUE(dev.WriteString("ping"));
  std::string data;
  EXPECT_TRUE(dev.ReadString(data, 4, ""));
  EXPECT_EQ(data, "pong");
  EXPECT_EQ(pty_.Receive(4, milliseconds(500)), "ping");
  EXPECT_EQ(events, (std::vector<std::string>{"write here, pending", "any here, pending", "read here, pending",
                                              "any here, pending"}));
  EXPECT_FALSE(dev.DefaultOperation().HasWorker());
  EXPECT_TRUE(dev.DefaultOperation().Done());
  EXPECT_EQ(dev.PendingReads(), 0);
  EXPECT_EQ(dev.PendingWrites(), 0);
}

TEST_F(NVRCommTransferTest, ABreakHandlerThatClosesThePortEndsTheWaitingRead) {
  TNVRCommDevice dev;
  Open(dev, 5000);
  dev.OnUserBreak = [](TNVRCommDevice& sender, TNVRCommOperation&, bool&) { sender.SetActive(false); };
  win::SetAsyncKeyState(VK_ESCAPE, true);
  std::string data;
  const auto start = Clock::now();
  EXPECT_FALSE(dev.ReadString(data, 5, ""));
  EXPECT_LT(MillisecondsSince(start), 2000);
  EXPECT_FALSE(dev.Active());
  EXPECT_EQ(dev.LastErrorType(), cetUserBreak);
  EXPECT_TRUE(dev.DefaultOperation().Done());
  win::ResetAsyncKeyStates();
  Open(dev, 500);  // the port was given back
  DelayedSend send(pty_, "again", milliseconds(10));
  EXPECT_TRUE(dev.ReadString(data, 5, ""));
  EXPECT_EQ(data, "again");
}

TEST_F(NVRCommTransferTest, AHandlerThatRaisesWhileTheReadWaitsBreaksItAndTheExceptionGoesOn) {
  TNVRCommDevice dev;
  Open(dev, 5000);
  int errors = 0;
  dev.OnReadError = [&](TNVRCommDevice&, TNVRCommOperation&, bool&) { ++errors; };
  dev.OnUserBreak = [](TNVRCommDevice&, TNVRCommOperation&, bool&) { throw std::runtime_error("handler failed"); };
  win::SetAsyncKeyState(VK_ESCAPE, true);
  std::string data;
  const auto start = Clock::now();
  EXPECT_THROW(dev.ReadString(data, 5, ""), std::runtime_error);
  EXPECT_LT(MillisecondsSince(start), 2000);
  EXPECT_EQ(errors, 0);  // the exception, not the error event, tells the caller
  EXPECT_TRUE(dev.DefaultOperation().Done());
  EXPECT_EQ(dev.LastErrorType(), cetUserBreak);
  win::ResetAsyncKeyStates();
  DelayedSend send(pty_, "fine!", milliseconds(10));
  EXPECT_TRUE(dev.ReadString(data, 5, ""));
  EXPECT_EQ(data, "fine!");
}

// ---- status text and message pump ---------------------------------------------

class RecordingStatusBar : public TNVRStatusBar {
 public:
  bool SimplePanel() const override { return simple; }
  void SetSimpleText(const std::string& text) override { texts.push_back("simple:" + text); }
  int PanelCount() const override { return panels; }
  void SetPanelText(int index, const std::string& text) override {
    texts.push_back(std::to_string(index) + ":" + text);
  }
  void Repaint() override { texts.push_back("repaint"); }

  bool simple = true;
  int panels = 0;
  std::vector<std::string> texts;
};

TEST_F(NVRCommTransferTest, TheStatusTextNamesTheTransferAndTheCancelKey) {
  struct Row {
    const char* what;
    bool autoInfos;
    TShortCut shortcut;
    bool simple;
    int panels, panel;
    std::vector<std::string> texts;
  };
  const Row rows[] = {
      {"defaults", true, VK_ESCAPE, true, 0, 0,
       {"simple:Transmiting...  (Esc-STOP)", "repaint", "simple:OK"}},
      {"own texts", false, TNVRCommDevice::scCtrl | TNVRCommDevice::scShift | 'B', true, 0, 0,
       {"simple:Sending (Shift+Ctrl+B-Stop it)", "repaint", "simple:OK"}},
      {"no cancel key", true, 0, true, 0, 0, {"simple:Transmiting... ", "repaint", "simple:OK"}},
      {"panel", true, VK_F2, false, 3, 2, {"2:Transmiting...  (F2-STOP)", "repaint", "2:OK"}},
      {"panel out of range", true, VK_F2, false, 2, 2, {"repaint"}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    RecordingStatusBar bar;
    bar.simple = row.simple;
    bar.panels = row.panels;
    TNVRCommDevice dev;
    Open(dev);
    dev.SetStatusBar(&bar);
    dev.SetStatusBarPanel(row.panel);
    dev.SetAutoInfos(row.autoInfos);
    dev.SetTaskInfo("Sending");
    dev.SetBreakInfo("Stop it");
    dev.SetCancelShortcut(row.shortcut);
    HCURSOR during = nullptr;
    dev.OnWriteCompleted = [&](TNVRCommDevice&, TNVRCommOperation&) { during = GetCursor(); };
    ASSERT_TRUE(dev.WriteString("s"));
    EXPECT_EQ(bar.texts, row.texts);
    EXPECT_EQ(during, LoadCursorA(nullptr, IDC_WAIT));
    EXPECT_EQ(GetCursor(), LoadCursorA(nullptr, IDC_ARROW));
  }
  TNVRCommDevice dev;
  Open(dev, 50);
  std::string data;
  dev.ReadString(data, 1, "");
  EXPECT_EQ(dev.StatusText(), "Receiving...  (Esc-STOP)");
}

// One device through a run of transfers: each shows the status of its own
// direction and of the settings as they stand at that moment.
TEST_F(NVRCommTransferTest, TheStatusFollowsEveryChangeOfItsSources) {
  struct Step {
    const char* what;
    std::function<void(TNVRCommDevice&)> change;
    bool write;
    const char* status;
  };
  const Step steps[] = {
      {"first write", [](TNVRCommDevice&) {}, true, "Transmiting...  (Esc-STOP)"},
      {"same again", [](TNVRCommDevice&) {}, true, "Transmiting...  (Esc-STOP)"},
      {"read", [](TNVRCommDevice&) {}, false, "Receiving...  (Esc-STOP)"},
      {"task info while automatic", [](TNVRCommDevice& d) { d.SetTaskInfo("Task"); }, true,
       "Transmiting...  (Esc-STOP)"},
      {"own infos", [](TNVRCommDevice& d) { d.SetAutoInfos(false); }, true, "Task (Esc-)"},
      {"break info", [](TNVRCommDevice& d) { d.SetBreakInfo("Halt"); }, false, "Task (Esc-Halt)"},
      {"task info", [](TNVRCommDevice& d) { d.SetTaskInfo("Other"); }, false, "Other (Esc-Halt)"},
      {"shortcut", [](TNVRCommDevice& d) { d.SetCancelShortcut(VK_F2); }, true, "Other (F2-Halt)"},
      {"no shortcut", [](TNVRCommDevice& d) { d.SetCancelShortcut(0); }, true, "Other"},
      {"break info without shortcut", [](TNVRCommDevice& d) { d.SetBreakInfo("Quit"); }, true, "Other"},
      {"shortcut back", [](TNVRCommDevice& d) { d.SetCancelShortcut(VK_ESCAPE); }, true, "Other (Esc-Quit)"},
      {"automatic again", [](TNVRCommDevice& d) { d.SetAutoInfos(true); }, false, "Receiving...  (Esc-STOP)"},
  };
  TNVRCommDevice dev;
  Open(dev, 20);
  for (const Step& step : steps) {
    SCOPED_TRACE(step.what);
    step.change(dev);
    std::string data;
    if (step.write)
      dev.WriteString("s");
    else
      dev.ReadString(data, 1, "");
    EXPECT_EQ(dev.StatusText(), step.status);
  }
}

TEST_F(NVRCommTransferTest, WhileWaitingOnlyPaintingAndActivationAreDispatched) {
  std::vector<UINT> dispatched;
  HWND window = win::AllocateHWnd([&](HWND, UINT message, WPARAM, LPARAM) {
    dispatched.push_back(message);
    return LRESULT{0};
  });
  TNVRCommDevice dev;
  Open(dev, 100);
  for (UINT m : {WM_KEYDOWN, WM_PAINT, WM_LBUTTONDOWN, WM_ACTIVATE, WM_TIMER, WM_NCPAINT, WM_COMMAND, WM_NCACTIVATE,
                 WM_NCMOUSEMOVE, WM_CHAR})
    PostMessageA(window, m, 0, 0);
  std::string data;
  EXPECT_FALSE(dev.ReadString(data, 1, ""));
  EXPECT_EQ(dispatched, (std::vector<UINT>{WM_PAINT, WM_ACTIVATE, WM_NCPAINT, WM_NCACTIVATE}));
  // Nothing is left for the host's own loop.
  MSG msg{};
  EXPECT_FALSE(PeekMessageA(&msg, window, 0, 0, PM_REMOVE));
  win::DeallocateHWnd(window);
}

TEST_F(NVRCommTransferTest, WaitingForASilentLineCostsLittleProcessorTime) {
  TNVRCommDevice dev;
  Open(dev, 1000);
  rusage before{}, after{};
  getrusage(RUSAGE_SELF, &before);
  const auto start = Clock::now();
  std::string data;
  EXPECT_FALSE(dev.ReadString(data, 10, ""));
  const double wallMs = static_cast<double>(MillisecondsSince(start));
  getrusage(RUSAGE_SELF, &after);
  auto ms = [](const timeval& t) { return t.tv_sec * 1000.0 + t.tv_usec / 1000.0; };
  const double cpuMs = ms(after.ru_utime) - ms(before.ru_utime) + ms(after.ru_stime) - ms(before.ru_stime);
  EXPECT_GE(wallMs, 990);
  EXPECT_LT(cpuMs, 0.10 * wallMs) << "processor time " << cpuMs << " ms in " << wallMs << " ms";
}

}  // namespace
}  // namespace zelvani::nvrcomm_test
