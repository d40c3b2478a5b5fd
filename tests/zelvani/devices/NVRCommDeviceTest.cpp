// The port side of the serial port component: defaults, names, opening,
// line settings, reset and attached handles.
#include <termios.h>

#include "platform/comm/comm.h"
#include "tests/zelvani/devices/NVRCommFixture.h"

namespace zelvani::nvrcomm_test {
namespace {

using NVRCommPortTest = NVRCommTest;

DCB StateOf(HANDLE h) {
  DCB d{};
  EXPECT_TRUE(GetCommState(h, &d));
  return d;
}

TEST_F(NVRCommPortTest, StartsClosedWithTheDefaultsOfEveryProperty) {
  TNVRCommDevice dev;
  EXPECT_FALSE(dev.Active());
  EXPECT_EQ(dev.PortHandle(), INVALID_HANDLE_VALUE);
  EXPECT_EQ(dev.PortName(), "COM1");
  EXPECT_EQ(dev.PortKind(), 1);
  EXPECT_EQ(dev.DCBFlags(), 769);
  EXPECT_EQ(DcbFlagWord(dev.CommConfig().dcb), 769u);
  EXPECT_EQ(dev.BaudRate(), cbr9600);
  EXPECT_EQ(dev.CommConfig().dcb.BaudRate, 9600u);
  EXPECT_EQ(dev.Parity(), cprNone);
  EXPECT_EQ(dev.StopBits(), csb1);
  EXPECT_EQ(dev.DataBits(), 8);
  EXPECT_EQ(dev.XonLimit(), 0);
  EXPECT_EQ(dev.XoffLimit(), 0);
  EXPECT_EQ(dev.XonChar(), 17);
  EXPECT_EQ(dev.XoffChar(), 19);
  EXPECT_EQ(dev.CommConfig().dwSize, 52u);
  EXPECT_EQ(dev.CommConfig().wVersion, 1);
  EXPECT_EQ(dev.CommConfig().dwProviderSubType, 1u);
  EXPECT_EQ(dev.CommConfig().dcb.DCBlength, 28u);
  EXPECT_EQ(dev.StatusBar(), nullptr);
  EXPECT_EQ(dev.StatusBarPanel(), 0);
  EXPECT_TRUE(dev.AutoInfos());
  EXPECT_EQ(dev.AutoRdInfo(), "Receiving... ");
  EXPECT_EQ(dev.AutoWrInfo(), "Transmiting... ");
  EXPECT_EQ(dev.RdTimeout(), 5000);
  EXPECT_EQ(dev.WrTimeout(), 5000);
  EXPECT_EQ(dev.RdByteTimeout(), 0);
  EXPECT_EQ(dev.WrByteTimeout(), 0);
  EXPECT_FALSE(dev.UseRdTimeouts());
  EXPECT_FALSE(dev.UseWrTimeouts());
  EXPECT_EQ(dev.CancelShortcut(), VK_ESCAPE);
  EXPECT_EQ(dev.SyncMode(), ctsmNone);
  EXPECT_EQ(dev.LastErrorType(), cetNone);
  EXPECT_TRUE(dev.DefaultOperation().Done());
}

TEST_F(NVRCommPortTest, PortNamesAreTrimmedUpperCasedAndCheckedBeforeUse) {
  struct Row {
    const char* name;
    const char* stored;  // nullptr: refused
    int kind;
    const char* refusedAs;
  };
  const Row rows[] = {
      {" com3 ", "COM3", 1, ""},       {"COM99", "COM99", 1, ""},       {"lpt2", "LPT2", 2, ""},
      {"COM0", nullptr, 0, "COM0"},    {"LPT", nullptr, 0, "LPT"},      {"com", nullptr, 0, "COM"},
      {"COM100", nullptr, 0, "COM100"}, {" xyz1", nullptr, 0, "XYZ1"},  {"COM1X", nullptr, 0, "COM1X"},
      {"", nullptr, 0, ""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    TNVRCommDevice dev;
    int setupErrors = 0;
    dev.OnSetupError = [&](TNVRCommDevice&) { ++setupErrors; };
    dev.SetPortName(row.name);
    if (row.stored) {
      EXPECT_EQ(dev.PortName(), row.stored);
      EXPECT_EQ(dev.PortKind(), row.kind);
      EXPECT_EQ(setupErrors, 0);
    } else {
      EXPECT_EQ(dev.PortName(), "COM1");
      EXPECT_EQ(setupErrors, 1);
      EXPECT_EQ(dev.LastPortErrorText(), std::string("Invalid port name : ") + row.refusedAs);
    }
  }
}

TEST_F(NVRCommPortTest, TheSameNameAgainDoesNotReopenAndANewNameMovesTheOpenPort) {
  comm::testing::PseudoTerminal other;
  other.MapTo("COM8");
  TNVRCommDevice dev;
  Open(dev);
  HANDLE first = dev.PortHandle();
  dev.SetPortName(" com7");
  EXPECT_EQ(dev.PortHandle(), first);

  dev.SetPortName("COM8");
  ASSERT_TRUE(dev.Active());
  EXPECT_EQ(dev.PortName(), "COM8");
  EXPECT_TRUE(dev.WriteString("moved"));
  EXPECT_EQ(other.Receive(5, milliseconds(1000)), "moved");
  EXPECT_EQ(pty_.Receive(5, milliseconds(0)), "");
  // COM7 was given back.
  HANDLE h = CreateFileA("COM7", GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  EXPECT_NE(h, INVALID_HANDLE_VALUE);
  CloseHandle(h);
}

TEST_F(NVRCommPortTest, PortsThatCannotBeOpenedFailWithTheirNameInTheText) {
  // COM8 is not a terminal, COM9 does not exist, COM7 is held by another device.
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, "HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, nullptr, 0, KEY_ALL_ACCESS,
                            nullptr, &key, nullptr),
            ERROR_SUCCESS);
  ASSERT_EQ(RegSetValueExA(key, "/dev/null", 0, REG_SZ, reinterpret_cast<const BYTE*>("COM8"), 5), ERROR_SUCCESS);
  ASSERT_EQ(RegSetValueExA(key, "/nonexistent/tty9", 0, REG_SZ, reinterpret_cast<const BYTE*>("COM9"), 5),
            ERROR_SUCCESS);
  RegCloseKey(key);
  TNVRCommDevice holder;
  Open(holder);

  struct Row {
    const char* port;
    DWORD error;
  };
  const Row rows[] = {{"COM7", ERROR_ACCESS_DENIED}, {"COM8", ERROR_INVALID_NAME}, {"COM9", ERROR_FILE_NOT_FOUND},
                      {"LPT1", ERROR_FILE_NOT_FOUND}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.port);
    const std::string text = std::string("Can't open ") + row.port + " port!";
    TNVRCommDevice dev;
    dev.SetPortName(row.port);
    try {
      dev.SetActive(true);
      ADD_FAILURE() << "no exception";
    } catch (const ENVRCommError& e) {
      EXPECT_EQ(e.what(), text);
    }
    EXPECT_FALSE(dev.Active());
    EXPECT_EQ(dev.LastPortError(), row.error);

    int openErrors = 0;
    dev.OnOpenError = [&](TNVRCommDevice&) { ++openErrors; };
    EXPECT_NO_THROW(dev.SetActive(true));
    EXPECT_EQ(openErrors, 1);
    EXPECT_FALSE(dev.Active());
    EXPECT_EQ(dev.LastPortErrorText(), text);
  }
}

TEST_F(NVRCommPortTest, LineSettingsReachTheShadowDcbAndTheTerminal) {
  TNVRCommDevice dev;
  Open(dev);
  const int fd = comm::testing::PortDescriptor(dev.PortHandle());
  ASSERT_GE(fd, 0);
  const DWORD rates[] = {110,   300,   600,   1200,  2400,  4800,   9600,  14400,
                         19200, 38400, 56000, 57600, 115200, 128000, 256000};
  for (int i = 0; i < 15; ++i) {
    SCOPED_TRACE(rates[i]);
    dev.SetBaudRate(static_cast<TNVRCommBaudRate>(i));
    EXPECT_EQ(StateOf(dev.PortHandle()).BaudRate, rates[i]);
    EXPECT_EQ(comm::testing::PortSpeed(dev.PortHandle()), rates[i]);
  }
  // An ordinal outside the table changes nothing but is still applied.
  dev.SetBaudRate(static_cast<TNVRCommBaudRate>(15));
  EXPECT_EQ(StateOf(dev.PortHandle()).BaudRate, 256000u);

  dev.SetDataBits(7);
  dev.SetParity(cprEven);
  dev.SetStopBits(csb2);
  dev.SetDCBFlags(DCBFlagBit(dcbBinary) | DCBFlagBit(dcbOutxCtsFlow) | DCBFlagBit(dcbRtsHandshake));
  dev.SetXonLimit(100);
  dev.SetXoffLimit(200);
  dev.SetXonChar(1);
  dev.SetXoffChar(2);
  dev.SetEofChar(26);
  dev.SetEvtChar(10);
  const DCB d = StateOf(dev.PortHandle());
  EXPECT_EQ(d.ByteSize, 7);
  EXPECT_EQ(d.Parity, EVENPARITY);
  EXPECT_EQ(d.StopBits, TWOSTOPBITS);
  EXPECT_EQ(DcbFlagWord(d), 0x2005u);
  EXPECT_EQ(d.XonLim, 100);
  EXPECT_EQ(d.XoffLim, 200);
  EXPECT_EQ(d.XonChar, 1);
  EXPECT_EQ(d.XoffChar, 2);
  EXPECT_EQ(d.EofChar, 26);
  EXPECT_EQ(d.EvtChar, 10);
  termios t{};
  ASSERT_EQ(tcgetattr(fd, &t), 0);
  EXPECT_TRUE(t.c_cflag & CRTSCTS);  // hardware flow control reached the terminal
  EXPECT_FALSE(t.c_iflag & IXON);
}

TEST_F(NVRCommPortTest, SettingsMadeWhileClosedAreAppliedWhenThePortOpens) {
  TNVRCommDevice dev;
  dev.SetBaudRate(cbr19200);
  dev.SetDataBits(7);
  dev.SetParity(cprOdd);
  Open(dev);
  const DCB d = StateOf(dev.PortHandle());
  EXPECT_EQ(d.BaudRate, 19200u);
  EXPECT_EQ(d.ByteSize, 7);
  EXPECT_EQ(d.Parity, ODDPARITY);
  EXPECT_EQ(comm::testing::PortSpeed(dev.PortHandle()), 19200u);
}

TEST_F(NVRCommPortTest, SettingsThePortRefusesAreReportedAndLeaveTheLineAsItWas) {
  struct Row {
    const char* what;
    void (*set)(TNVRCommDevice&);
  };
  const Row rows[] = {
      {"data bits 4", [](TNVRCommDevice& d) { d.SetDataBits(4); }},
      {"data bits 9", [](TNVRCommDevice& d) { d.SetDataBits(9); }},
      {"parity 5", [](TNVRCommDevice& d) { d.SetParity(static_cast<TNVRCommParity>(5)); }},
      {"stop bits 3", [](TNVRCommDevice& d) { d.SetStopBits(static_cast<TNVRCommStopBits>(3)); }},
      {"1.5 stop bits with 8 data bits", [](TNVRCommDevice& d) { d.SetStopBits(csb1_5); }},
      {"XON equal to XOFF", [](TNVRCommDevice& d) { d.SetXonChar(19); }},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    for (bool handler : {false, true}) {
      TNVRCommDevice dev;
      Open(dev);
      int setupErrors = 0;
      if (handler) dev.OnSetupError = [&](TNVRCommDevice&) { ++setupErrors; };
      row.set(dev);
      EXPECT_EQ(setupErrors, handler ? 1 : 0);
      EXPECT_EQ(dev.LastErrorType(), handler ? cetSystem : cetNone);
      EXPECT_EQ(dev.LastErrorCode(), handler ? int(ERROR_INVALID_PARAMETER) : 0);
      EXPECT_EQ(dev.LastPortError(), DWORD(ERROR_INVALID_PARAMETER));
      EXPECT_EQ(dev.LastPortErrorText(), "Can't set COM7 parameters!");
      const DCB d = StateOf(dev.PortHandle());
      EXPECT_EQ(d.ByteSize, 8);
      EXPECT_EQ(d.StopBits, ONESTOPBIT);
      EXPECT_TRUE(dev.WriteString("still works"));
      EXPECT_EQ(pty_.Receive(11, milliseconds(1000)), "still works");
    }
  }
}

TEST_F(NVRCommPortTest, ResetDiscardsWhatWaitedAndRestoresTheLine) {
  TNVRCommDevice dev;
  Open(dev, 100);
  pty_.Send("stale");
  std::this_thread::sleep_for(milliseconds(20));
  DCB changed = StateOf(dev.PortHandle());
  changed.BaudRate = 2400;
  ASSERT_TRUE(SetCommState(dev.PortHandle(), &changed));
  dev.ResetPort();
  EXPECT_EQ(StateOf(dev.PortHandle()).BaudRate, 9600u);
  std::string data;
  EXPECT_FALSE(dev.ReadString(data, 5, ""));
  EXPECT_EQ(data, "");
  EXPECT_EQ(dev.LastErrorType(), cetTimeout);

  TNVRCommDevice closed;
  EXPECT_NO_THROW(closed.ResetPort());
}

TEST_F(NVRCommPortTest, AnAttachedHandleIsUsedAndRereadButNotClosed) {
  comm::testing::PseudoTerminal other;
  other.MapTo("COM8");
  HANDLE foreign = CreateFileA("COM8", GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(foreign, INVALID_HANDLE_VALUE);
  DCB d = StateOf(foreign);
  d.BaudRate = 19200;
  d.ByteSize = 7;
  d.Parity = EVENPARITY;
  d.StopBits = TWOSTOPBITS;
  d.fOutX = 0;
  ASSERT_TRUE(SetCommState(foreign, &d));

  TNVRCommDevice dev;
  Open(dev);
  HANDLE owned = dev.PortHandle();
  dev.AttachHandle(foreign);
  EXPECT_TRUE(dev.Active());
  EXPECT_FALSE(dev.OwnsHandle());
  EXPECT_EQ(dev.PortHandle(), foreign);
  EXPECT_EQ(dev.BaudRate(), cbr19200);
  EXPECT_EQ(dev.DataBits(), 7);
  EXPECT_EQ(dev.Parity(), cprEven);
  EXPECT_EQ(dev.StopBits(), csb2);
  EXPECT_EQ(dev.DCBFlags(), 769);  // not reread
  // The owned handle was closed, not leaked: COM7 is free again.
  DCB unused{};
  EXPECT_FALSE(GetCommState(owned, &unused));
  HANDLE again = CreateFileA("COM7", GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  EXPECT_NE(again, INVALID_HANDLE_VALUE);
  CloseHandle(again);

  EXPECT_TRUE(dev.WriteString("via foreign"));
  EXPECT_EQ(other.Receive(11, milliseconds(1000)), "via foreign");
  dev.SetActive(false);
  EXPECT_TRUE(GetCommState(foreign, &unused));  // still open: not ours to close
  EXPECT_TRUE(CloseHandle(foreign));

  dev.AttachHandle(INVALID_HANDLE_VALUE);
  EXPECT_FALSE(dev.Active());
}

}  // namespace
}  // namespace zelvani::nvrcomm_test
