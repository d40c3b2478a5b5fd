// Modem lines and line errors on a device without them (virtual lines), and the
// output lines following the DCB's control modes.
#include <future>
#include <thread>

#include "platform/comm/comm.h"
#include "platform/comm/testing.h"
#include "tests/platform/comm/PortFixture.h"

namespace comm_test {
namespace {

using comm::testing::GetOutputLines;
using comm::testing::OutputLines;

using CommLinesTest = PortTest;

void ExpectLines(const OutputLines& got, bool dtr, bool rts, bool brk) {
  EXPECT_EQ(got.dtr, dtr);
  EXPECT_EQ(got.rts, rts);
  EXPECT_EQ(got.brk, brk);
}

TEST_F(CommLinesTest, EscapeFunctionsDriveTheOutputLines) {
  ExpectLines(GetOutputLines("COM7"), false, false, false);
  Open();
  ExpectLines(GetOutputLines("COM7"), true, true, false);  // raised by the open

  struct Step {
    DWORD function;
    bool dtr, rts, brk;
  };
  const Step steps[] = {
      {CLRDTR, false, true, false}, {CLRRTS, false, false, false}, {SETRTS, false, true, false},
      {SETDTR, true, true, false},  {SETBREAK, true, true, true},  {CLRBREAK, true, true, false},
  };
  for (const Step& s : steps) {
    SCOPED_TRACE(s.function);
    ASSERT_TRUE(EscapeCommFunction(port_, s.function));
    ExpectLines(GetOutputLines(pty_.slavePath()), s.dtr, s.rts, s.brk);
  }
  ASSERT_TRUE(SetCommBreak(port_));
  EXPECT_TRUE(GetOutputLines("COM7").brk);
  ASSERT_TRUE(ClearCommBreak(port_));
  EXPECT_FALSE(GetOutputLines("COM7").brk);

  for (DWORD bad : {0u, 7u, 10u}) {
    SetLastError(0);
    EXPECT_FALSE(EscapeCommFunction(port_, bad));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
  }

  ASSERT_TRUE(CloseHandle(port_));
  port_ = INVALID_HANDLE_VALUE;
  ExpectLines(GetOutputLines("COM7"), false, false, false);  // dropped by the close
}

TEST_F(CommLinesTest, XoffAndXonStopAndRestartOutput) {
  Open();
  ASSERT_TRUE(EscapeCommFunction(port_, SETXOFF));
  auto write = std::async(std::launch::async, [&] {
    DWORD n = 0;
    return WriteFile(port_, "held", 4, &n, nullptr) ? n : 0;
  });
  EXPECT_EQ(pty_.Receive(4, milliseconds(50)), "");
  ASSERT_TRUE(EscapeCommFunction(port_, SETXON));
  EXPECT_EQ(pty_.Receive(4, milliseconds(1000)), "held");
  EXPECT_EQ(write.get(), 4u);
}

TEST_F(CommLinesTest, TheControlModesOfTheDcbSetDtrAndRtsWhenTheyChange) {
  Open();
  DCB dcb{};
  ASSERT_TRUE(GetCommState(port_, &dcb));
  struct Step {
    const char* what;
    DWORD flags;           // DCB flag word to set, 0 = EscapeCommFunction(escape) instead
    DWORD escape;
    bool dtr, rts;
  };
  const Step steps[] = {
      {"XON/XOFF only: both disabled", 769, 0, false, false},
      {"DTR raised by hand", 0, SETDTR, true, false},
      {"the same modes again leave it raised", 769, 0, true, false},
      {"handshake modes", 1 | DTR_CONTROL_HANDSHAKE << 4 | RTS_CONTROL_HANDSHAKE << 12, 0, true, true},
      {"RTS dropped by hand", 0, CLRRTS, true, false},
      {"enable modes: RTS changes mode and rises", 4125, 0, true, true},
      {"binary only: both disabled", 1, 0, false, false},
  };
  for (const Step& s : steps) {
    SCOPED_TRACE(s.what);
    if (s.flags) {
      SetDcbFlagWord(dcb, s.flags);
      ASSERT_TRUE(SetCommState(port_, &dcb)) << GetLastError();
    } else {
      ASSERT_TRUE(EscapeCommFunction(port_, s.escape));
    }
    OutputLines lines = GetOutputLines("COM7");
    EXPECT_EQ(lines.dtr, s.dtr);
    EXPECT_EQ(lines.rts, s.rts);
  }
}

TEST_F(CommLinesTest, TheOtherSidesLinesReadAsSet) {
  Open();
  const DWORD states[] = {0,         MS_CTS_ON,  MS_DSR_ON, MS_RING_ON, MS_RLSD_ON, MS_CTS_ON | MS_RLSD_ON,
                          MS_CTS_ON | MS_DSR_ON | MS_RING_ON | MS_RLSD_ON};
  for (DWORD state : states) {
    comm::testing::SetModemStatus("COM7", state);
    DWORD got = 0xFFFF;
    ASSERT_TRUE(GetCommModemStatus(port_, &got));
    EXPECT_EQ(got, state);
  }
}

TEST_F(CommLinesTest, InjectedLineErrorsAreReportedOnceWithTheQueues) {
  comm::testing::InjectLineErrors("COM7", CE_FRAME);  // before the open: kept by the device
  Open();
  comm::testing::InjectLineErrors(pty_.slavePath(), CE_OVERRUN | CE_RXPARITY);
  pty_.Send("12345");
  std::this_thread::sleep_for(milliseconds(20));
  DWORD errors = 0;
  COMSTAT stat{};
  ASSERT_TRUE(ClearCommError(port_, &errors, &stat));
  EXPECT_EQ(errors, CE_FRAME | CE_OVERRUN | CE_RXPARITY);
  EXPECT_EQ(stat.cbInQue, 5u);
  EXPECT_EQ(stat.cbOutQue, 0u);

  ASSERT_TRUE(ClearCommError(port_, &errors, nullptr));
  EXPECT_EQ(errors, 0u);

  comm::testing::InjectLineErrors("COM7", CE_BREAK);
  ASSERT_TRUE(ClearCommError(port_, &errors, nullptr));
  EXPECT_EQ(errors, CE_BREAK);
}

// A pseudo-terminal hands written bytes to its other side a moment after the
// write returns; until they are read there they count as not sent, so that a
// drain before a hang-up never misses a byte still on its way.
TEST_F(CommLinesTest, WhatTheOtherSideHasNotReadCountsAsNotSent) {
  Open();
  for (int round = 0; round < 200; ++round) {
    SCOPED_TRACE(round);
    DWORD n = 0, errors = 0;
    ASSERT_TRUE(WriteFile(port_, "\x04", 1, &n, nullptr));
    ASSERT_EQ(n, 1u);
    COMSTAT stat{};
    ASSERT_TRUE(ClearCommError(port_, &errors, &stat));
    ASSERT_EQ(stat.cbOutQue, 1u) << "right after the write";
    ASSERT_EQ(pty_.Receive(1, milliseconds(1000)), "\x04");
    ASSERT_TRUE(ClearCommError(port_, &errors, &stat));
    ASSERT_EQ(stat.cbOutQue, 0u) << "once the other side has read it";
  }
}

TEST_F(CommLinesTest, AnotherDevicesStateIsSeparate) {
  comm::testing::PseudoTerminal other;
  other.MapTo("COM8");
  comm::testing::SetModemStatus("COM8", MS_RING_ON);
  comm::testing::InjectLineErrors("COM8", CE_FRAME);
  Open();
  DWORD status = 0, errors = 0;
  ASSERT_TRUE(GetCommModemStatus(port_, &status));
  EXPECT_EQ(status, 0u);
  ASSERT_TRUE(ClearCommError(port_, &errors, nullptr));
  EXPECT_EQ(errors, 0u);
  EXPECT_THROW(comm::testing::SetModemStatus("", 0), std::invalid_argument);
}

}  // namespace
}  // namespace comm_test
