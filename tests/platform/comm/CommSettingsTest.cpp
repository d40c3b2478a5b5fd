// Line settings: the shadow DCB, what reaches termios, refusals, mode strings.
#include <termios.h>

#include <cstring>
#include <optional>

#include "platform/comm/comm.h"
#include "platform/comm/testing.h"
#include "tests/platform/comm/PortFixture.h"

namespace comm_test {
namespace {

using CommSettingsTest = PortTest;

DCB MakeDcb(DWORD baud, BYTE size, BYTE parity, BYTE stop, DWORD flags) {
  DCB d{};
  d.DCBlength = sizeof d;
  d.BaudRate = baud;
  d.ByteSize = size;
  d.Parity = parity;
  d.StopBits = stop;
  SetDcbFlagWord(d, flags);
  d.XonLim = 100;
  d.XoffLim = 200;
  d.XonChar = 17;
  d.XoffChar = 19;
  d.EofChar = 26;
  d.EvtChar = 10;
  return d;
}

TEST(CommDcbFlagWordTest, BitNOfTheWordIsTheNthFlag) {
  struct Row {
    DWORD word;
    bool cts, dsr, outX, inX;
    DWORD dtr, rts;
  };
  const Row rows[] = {
      {769, false, false, true, true, DTR_CONTROL_DISABLE, RTS_CONTROL_DISABLE},
      {4125, true, true, false, false, DTR_CONTROL_ENABLE, RTS_CONTROL_ENABLE},
      {4125 | 0x20 | 0x2000, true, true, false, false, 3, 3},
      {1, false, false, false, false, DTR_CONTROL_DISABLE, RTS_CONTROL_DISABLE},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.word);
    DCB d{};
    SetDcbFlagWord(d, row.word);
    EXPECT_EQ(d.fBinary, 1u);
    EXPECT_EQ(d.fOutxCtsFlow, row.cts);
    EXPECT_EQ(d.fOutxDsrFlow, row.dsr);
    EXPECT_EQ(d.fOutX, row.outX);
    EXPECT_EQ(d.fInX, row.inX);
    EXPECT_EQ(d.fDtrControl, row.dtr);
    EXPECT_EQ(d.fRtsControl, row.rts);
    EXPECT_EQ(DcbFlagWord(d), row.word);
    // The word lies at offset 8, as code that keeps the DCB as bytes expects.
    DWORD raw = 0;
    std::memcpy(&raw, reinterpret_cast<const char*>(&d) + 8, sizeof raw);
    EXPECT_EQ(raw & 0x7FFF, row.word);
  }
}

TEST_F(CommSettingsTest, SettingsRoundTripThroughTheShadowAndReachTermios) {
  struct Row {
    DCB dcb;
    tcflag_t cflagKept;  // the bits of c_cflag that a pseudo-terminal keeps
    tcflag_t iflag;      // IXON / IXOFF
  };
  const Row rows[] = {
      {MakeDcb(19200, 8, NOPARITY, ONESTOPBIT, 4125), CRTSCTS, 0},
      {MakeDcb(9600, 7, EVENPARITY, TWOSTOPBITS, 769), CSTOPB, IXON | IXOFF},
      {MakeDcb(115200, 8, ODDPARITY, ONESTOPBIT, 1 | 0x100), PARODD, IXON},
      {MakeDcb(14400, 6, MARKPARITY, TWOSTOPBITS, 1), PARODD | CMSPAR | CSTOPB, 0},
      {MakeDcb(256000, 5, SPACEPARITY, ONE5STOPBITS, 1 | 0x2000), CMSPAR | CSTOPB | CRTSCTS, 0},
      {MakeDcb(110, 8, NOPARITY, TWOSTOPBITS, 1 | 0x200), CSTOPB, IXOFF},
  };
  Open();
  for (const Row& row : rows) {
    SCOPED_TRACE(row.dcb.BaudRate);
    DCB in = row.dcb;
    ASSERT_TRUE(SetCommState(port_, &in)) << "error " << GetLastError();
    DCB out{};
    ASSERT_TRUE(GetCommState(port_, &out));
    EXPECT_EQ(std::memcmp(&in, &out, sizeof in), 0);
    EXPECT_EQ(comm::testing::PortSpeed(port_), row.dcb.BaudRate);
    termios t{};
    ASSERT_EQ(tcgetattr(comm::testing::PortDescriptor(port_), &t), 0);
    EXPECT_EQ(t.c_cflag & (PARODD | CMSPAR | CSTOPB | CRTSCTS), row.cflagKept);
    EXPECT_EQ(t.c_iflag & (IXON | IXOFF), row.iflag);
    EXPECT_EQ(t.c_cc[VSTART], 17);
    EXPECT_EQ(t.c_cc[VSTOP], 19);
    EXPECT_EQ(t.c_lflag & (ICANON | ECHO | ISIG), 0u);  // still raw
  }
}

TEST_F(CommSettingsTest, OutOfRangeSettingsAreRefusedAndChangeNothing) {
  struct Row {
    const char* what;
    void (*spoil)(DCB&);
    DWORD error;
  };
  const Row rows[] = {
      {"rate 0", [](DCB& d) { d.BaudRate = 0; }, ERROR_INVALID_PARAMETER},
      {"4 data bits", [](DCB& d) { d.ByteSize = 4; }, ERROR_INVALID_PARAMETER},
      {"9 data bits", [](DCB& d) { d.ByteSize = 9; }, ERROR_INVALID_PARAMETER},
      {"parity 5", [](DCB& d) { d.Parity = 5; }, ERROR_INVALID_PARAMETER},
      {"stop code 3", [](DCB& d) { d.StopBits = 3; }, ERROR_INVALID_PARAMETER},
      {"1.5 stop bits with 8 data bits", [](DCB& d) { d.StopBits = ONE5STOPBITS; }, ERROR_INVALID_PARAMETER},
      {"2 stop bits with 5 data bits",
       [](DCB& d) {
         d.ByteSize = 5;
         d.StopBits = TWOSTOPBITS;
       },
       ERROR_INVALID_PARAMETER},
      {"XON equal to XOFF", [](DCB& d) { d.XoffChar = d.XonChar; }, ERROR_INVALID_PARAMETER},
      {"DTR control 3", [](DCB& d) { d.fDtrControl = 3; }, ERROR_INVALID_PARAMETER},
      {"RTS toggling", [](DCB& d) { d.fRtsControl = RTS_CONTROL_TOGGLE; }, ERROR_NOT_SUPPORTED},
  };
  Open();
  DCB good = MakeDcb(19200, 8, NOPARITY, ONESTOPBIT, 4125);
  ASSERT_TRUE(SetCommState(port_, &good));
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    DCB bad = good;
    bad.BaudRate = 57600;  // would show in termios if anything were applied
    row.spoil(bad);
    SetLastError(0);
    EXPECT_FALSE(SetCommState(port_, &bad));
    EXPECT_EQ(GetLastError(), row.error);
    DCB out{};
    ASSERT_TRUE(GetCommState(port_, &out));
    EXPECT_EQ(std::memcmp(&good, &out, sizeof good), 0);
    EXPECT_EQ(comm::testing::PortSpeed(port_), 19200u);
  }
}

TEST_F(CommSettingsTest, TimeoutsMaskAndQueuesAreKeptPerHandle) {
  Open();
  COMMTIMEOUTS t{MAXDWORD, 2, 300, 4, 500};
  ASSERT_TRUE(SetCommTimeouts(port_, &t));
  COMMTIMEOUTS back{};
  ASSERT_TRUE(GetCommTimeouts(port_, &back));
  EXPECT_EQ(std::memcmp(&t, &back, sizeof t), 0);

  DWORD mask = 99;
  ASSERT_TRUE(GetCommMask(port_, &mask));
  EXPECT_EQ(mask, 0u);
  ASSERT_TRUE(SetCommMask(port_, EV_RXCHAR | EV_ERR));
  ASSERT_TRUE(GetCommMask(port_, &mask));
  EXPECT_EQ(mask, EV_RXCHAR | EV_ERR);
  SetLastError(0);
  EXPECT_FALSE(SetCommMask(port_, 0x80000000u));
  EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));

  EXPECT_TRUE(SetupComm(port_, 2048, 2048));
}

struct ModeRow {
  const char* text;
  bool ok;
  DWORD baud = 0;
  BYTE parity = 0, data = 0, stop = 0;
  DWORD flags = 0;  // the DCB flag word afterwards
};

constexpr DWORD kPlain = 1 | DTR_CONTROL_ENABLE << 4 | RTS_CONTROL_ENABLE << 12;

TEST(CommBuildDcbTest, ModeStringsOfBothForms) {
  const ModeRow rows[] = {
      {"baud=9600 parity=N data=8 stop=1", true, 9600, NOPARITY, 8, ONESTOPBIT, kPlain},
      {"9600,n,8,1", true, 9600, NOPARITY, 8, ONESTOPBIT, kPlain},
      {"  9600 , n , 8 , 1  ", true, 9600, NOPARITY, 8, ONESTOPBIT, kPlain},
      {"COM1: baud=1200 PARITY=e data=7 stop=2", true, 1200, EVENPARITY, 7, TWOSTOPBITS, kPlain},
      {"COM12:19200,o,7,2", true, 19200, ODDPARITY, 7, TWOSTOPBITS, kPlain},
      {"baud=19 parity=m data=5 stop=1.5", true, 19200, MARKPARITY, 5, ONE5STOPBITS, kPlain},
      {"baud=96 parity=s", true, 9600, SPACEPARITY, 8, ONESTOPBIT, kPlain},
      {"baud=110", true, 110, NOPARITY, 8, TWOSTOPBITS, kPlain},
      {"baud=110 stop=1", true, 110, NOPARITY, 8, ONESTOPBIT, kPlain},
      {"baud=115200", true, 115200, NOPARITY, 8, ONESTOPBIT, kPlain},
      {"96,e,7,1,x", true, 9600, EVENPARITY, 7, ONESTOPBIT, kPlain | 0x100 | 0x200},
      {"96,e,7,1,p", true, 9600, EVENPARITY, 7, ONESTOPBIT,
       1 | 0x4 | 0x8 | DTR_CONTROL_HANDSHAKE << 4 | RTS_CONTROL_HANDSHAKE << 12},
      {"baud=2400 xon=on octs=on odsr=on idsr=on dtr=hs rts=hs to=on", true, 2400, NOPARITY, 8, ONESTOPBIT,
       1 | 0x4 | 0x8 | 0x40 | 0x100 | 0x200 | DTR_CONTROL_HANDSHAKE << 4 | RTS_CONTROL_HANDSHAKE << 12},
      {"baud=2400 dtr=off rts=tg", true, 2400, NOPARITY, 8, ONESTOPBIT, 1 | RTS_CONTROL_TOGGLE << 12},
      {"", false},
      {"baud=", false},
      {"baud=abc", false},
      {"baud=0", false},
      {"parity=x", false},
      {"data=9", false},
      {"data=4", false},
      {"stop=3", false},
      {"speed=9600", false},
      {"baud=9600,n", false},
      {"9600,n,8,1,z", false},
      {"9600,n,8,1,x,1", false},
      {"COM0: baud=9600", false},
      {"COM1x baud=9600", false},
  };
  for (const ModeRow& row : rows) {
    SCOPED_TRACE(row.text);
    DCB d = MakeDcb(300, 8, NOPARITY, ONESTOPBIT, 0xFFFF & ~0x3000u);  // every flag set but RTS
    const DCB before = d;
    SetLastError(0);
    EXPECT_EQ(BuildCommDCBA(row.text, &d), row.ok ? TRUE : FALSE);
    if (!row.ok) {
      EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
      EXPECT_EQ(std::memcmp(&d, &before, sizeof d), 0);
      continue;
    }
    EXPECT_EQ(d.BaudRate, row.baud);
    EXPECT_EQ(d.Parity, row.parity);
    EXPECT_EQ(d.ByteSize, row.data);
    EXPECT_EQ(d.StopBits, row.stop);
    // Flow control is switched off unless the string asks for it; the other
    // flags and members are left as they were.
    const DWORD flowBits = 0x4 | 0x8 | 0x30 | 0x100 | 0x200 | 0x3000;
    EXPECT_EQ(DcbFlagWord(d) & flowBits, row.flags & flowBits) << std::hex << DcbFlagWord(d);
    EXPECT_EQ(DcbFlagWord(d) & ~flowBits, DcbFlagWord(before) & ~flowBits);
    EXPECT_EQ(d.DCBlength, sizeof(DCB));
    EXPECT_EQ(d.XonChar, 17);
    EXPECT_EQ(d.EofChar, 26);
    EXPECT_EQ(d.XonLim, 100);
  }
}

}  // namespace
}  // namespace comm_test
