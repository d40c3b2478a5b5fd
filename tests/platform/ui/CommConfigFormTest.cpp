// The port configuration dialog of CommConfigDialogA driven as a person: the
// lists it shows for a record, what OK writes (and what it never touches),
// Restore Defaults, Cancel, and the calls refused before any dialog opens.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <thread>

#include "platform/ui/CommConfigForm.h"
#include "platform/ui/RecordingPresenter.h"
#include "platform/ui/UserActions.h"

namespace {

// The record the serial port component starts with: 9600 8N1 from the mode
// string, flag word 769 (binary, XON/XOFF both ways), DC1/DC3.
COMMCONFIG ComponentRecord() {
  COMMCONFIG c{};
  c.dwSize = sizeof(COMMCONFIG);
  c.wVersion = 1;
  c.dwProviderSubType = PST_RS232;
  c.dcb.DCBlength = sizeof(DCB);
  EXPECT_TRUE(BuildCommDCBA("baud=9600 parity=N data=8 stop=1", &c.dcb));
  SetDcbFlagWord(c.dcb, 769);
  c.dcb.XonChar = 17;
  c.dcb.XoffChar = 19;
  c.dcb.XonLim = 100;
  c.dcb.XoffLim = 200;
  c.dcb.EofChar = 26;
  return c;
}

bool SameBytes(const COMMCONFIG& a, const COMMCONFIG& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

class CommConfigFormTest : public ::testing::Test {
 protected:
  ui::CommConfigForm& Form(ui::Form& f) { return static_cast<ui::CommConfigForm&>(f); }
  std::shared_ptr<ui::RecordingPresenter> rec_ = std::make_shared<ui::RecordingPresenter>();
  ui::ScopedPresenter scope_{rec_};
};

TEST_F(CommConfigFormTest, ShowsTheRecordsSettings) {
  COMMCONFIG c = ComponentRecord();
  c.dcb.BaudRate = 250000;  // not a listed rate
  c.dcb.Parity = 7;         // no such parity
  rec_->PlayForm([&](ui::Form& f) {
    auto& form = Form(f);
    EXPECT_EQ(form.Caption(), "COM3 Properties");
    EXPECT_EQ(form.BaudRateCO.Text(), "250000") << "an unlisted rate is shown as an extra item";
    EXPECT_EQ(form.BaudRateCO.ItemCount(), 16);
    EXPECT_EQ(form.DataBitsCO.Text(), "8");
    EXPECT_EQ(form.ParityCO.ItemIndex(), -1);
    EXPECT_EQ(form.StopBitsCO.Text(), "1");
    EXPECT_EQ(form.FlowControlCO.Text(), "Xon / Xoff");
    ui::Click(form.OKBT);
  });
  const COMMCONFIG before = c;
  ASSERT_TRUE(CommConfigDialogA("COM3", nullptr, &c));
  EXPECT_TRUE(SameBytes(c, before)) << "OK without a change writes back what was there, unknown codes included";
  auto forms = rec_->Forms();
  ASSERT_EQ(forms.size(), 1u);
  EXPECT_EQ(forms[0].name, "CommConfigForm");
  EXPECT_EQ(forms[0].Text("BaudRateLA"), "Bits per second:");
  EXPECT_EQ(forms[0].Text("DefaultsBT"), "Restore Defaults");
}

TEST_F(CommConfigFormTest, OKWritesWhatThePersonChose) {
  struct Case {
    const char* name;
    std::function<void(DCB&)> start;
    std::function<void(ui::CommConfigForm&)> act;
    std::function<void(DCB&)> expect;  // applied to the starting DCB
  };
  const Case cases[] = {
      {"rate", nullptr, [](ui::CommConfigForm& f) { ui::ChooseItem(f.BaudRateCO, "19200"); },
       [](DCB& d) { d.BaudRate = 19200; }},
      {"data bits, parity and stop bits",
       nullptr,
       [](ui::CommConfigForm& f) {
         ui::ChooseItem(f.DataBitsCO, "7");
         ui::ChooseItem(f.ParityCO, "Even");
         ui::ChooseItem(f.StopBitsCO, "2");
       },
       [](DCB& d) {
         d.ByteSize = 7;
         d.Parity = EVENPARITY;
         d.StopBits = TWOSTOPBITS;
       }},
      {"mark parity and one and a half stop bits",
       nullptr,
       [](ui::CommConfigForm& f) {
         ui::ChooseItem(f.ParityCO, "Mark");
         ui::ChooseItem(f.StopBitsCO, "1.5");
         ui::ChooseItem(f.DataBitsCO, "5");
       },
       [](DCB& d) {
         d.Parity = MARKPARITY;
         d.StopBits = ONE5STOPBITS;
         d.ByteSize = 5;
       }},
      {"hardware flow control", nullptr, [](ui::CommConfigForm& f) { ui::ChooseItem(f.FlowControlCO, "Hardware"); },
       [](DCB& d) {
         d.fOutX = d.fInX = 0;
         d.fOutxCtsFlow = 1;
         d.fRtsControl = RTS_CONTROL_HANDSHAKE;
         d.fDtrControl = DTR_CONTROL_ENABLE;
       }},
      {"no flow control", nullptr, [](ui::CommConfigForm& f) { ui::ChooseItem(f.FlowControlCO, "None"); },
       [](DCB& d) {
         d.fOutX = d.fInX = 0;
         d.fRtsControl = RTS_CONTROL_ENABLE;
         d.fDtrControl = DTR_CONTROL_ENABLE;
       }},
      {"XON/XOFF from hardware",
       [](DCB& d) {
         d.fOutX = d.fInX = 0;
         d.fOutxCtsFlow = 1;
         d.fRtsControl = RTS_CONTROL_HANDSHAKE;
       },
       [](ui::CommConfigForm& f) {
         EXPECT_EQ(f.FlowControlCO.Text(), "Hardware");
         ui::ChooseItem(f.FlowControlCO, "Xon / Xoff");
       },
       [](DCB& d) {
         d.fOutX = d.fInX = 1;
         d.fOutxCtsFlow = 0;
         d.fRtsControl = RTS_CONTROL_ENABLE;
         d.fDtrControl = DTR_CONTROL_ENABLE;
       }},
      // Output XON/XOFF alone is none of the three kinds: nothing is selected
      // and the flags are kept unless the person chooses one.
      {"flags of no known kind are kept", [](DCB& d) { d.fInX = 0; },
       [](ui::CommConfigForm& f) {
         EXPECT_EQ(f.FlowControlCO.ItemIndex(), -1);
         ui::ChooseItem(f.BaudRateCO, "1200");
       },
       [](DCB& d) { d.BaudRate = 1200; }},
      {"restore defaults",
       [](DCB& d) {
         d.BaudRate = 115200;
         d.ByteSize = 7;
         d.Parity = ODDPARITY;
         d.StopBits = TWOSTOPBITS;
       },
       [](ui::CommConfigForm& f) { ui::Click(f.DefaultsBT); },
       [](DCB& d) {
         d.BaudRate = 9600;
         d.ByteSize = 8;
         d.Parity = NOPARITY;
         d.StopBits = ONESTOPBIT;
         d.fOutX = d.fInX = 0;
         d.fRtsControl = RTS_CONTROL_ENABLE;
         d.fDtrControl = DTR_CONTROL_ENABLE;
       }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    COMMCONFIG config = ComponentRecord();
    if (c.start) c.start(config.dcb);
    COMMCONFIG expected = config;
    c.expect(expected.dcb);
    rec_->PlayForm([&](ui::Form& f) {
      c.act(Form(f));
      ui::PressEnter(f);
    });
    ASSERT_TRUE(CommConfigDialogA("COM1", nullptr, &config));
    EXPECT_TRUE(SameBytes(config, expected));
    // What the dialog never touches.
    EXPECT_EQ(config.dcb.fBinary, 1u);
    EXPECT_EQ(config.dcb.XonChar, 17);
    EXPECT_EQ(config.dcb.XoffLim, 200);
    EXPECT_EQ(config.dcb.EofChar, 26);
  }
}

TEST_F(CommConfigFormTest, CancelLeavesTheRecordAsItWas) {
  struct Case {
    const char* name;
    std::function<void(ui::CommConfigForm&)> close;
  };
  const Case cases[] = {
      {"Cancel button", [](ui::CommConfigForm& f) { ui::Click(f.CancelBT); }},
      {"Escape", [](ui::CommConfigForm& f) { ui::PressEscape(f); }},
      {"close box", [](ui::CommConfigForm& f) { ui::CloseBox(f); }},
      {"nobody answers", [](ui::CommConfigForm&) {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    COMMCONFIG config = ComponentRecord();
    const COMMCONFIG before = config;
    rec_->PlayForm([&](ui::Form& f) {
      auto& form = Form(f);
      ui::ChooseItem(form.BaudRateCO, "57600");
      ui::Click(form.DefaultsBT);
      ui::ChooseItem(form.FlowControlCO, "Hardware");
      c.close(form);
    });
    SetLastError(0);
    EXPECT_FALSE(CommConfigDialogA("COM2", nullptr, &config));
    EXPECT_EQ(GetLastError(), ERROR_CANCELLED);
    EXPECT_TRUE(SameBytes(config, before));
  }
}

TEST_F(CommConfigFormTest, BadCallsFailBeforeAnyDialogOpens) {
  struct Case {
    const char* name;
    const char* port;
    DWORD size;
    bool nullConfig;
    DWORD error;
  };
  const Case cases[] = {
      {"no record", "COM1", sizeof(COMMCONFIG), true, ERROR_INVALID_PARAMETER},
      {"record too small", "COM1", 10, false, 122},
      {"empty name", "", sizeof(COMMCONFIG), false, ERROR_INVALID_NAME},
      {"no name", nullptr, sizeof(COMMCONFIG), false, ERROR_INVALID_NAME},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    COMMCONFIG config = ComponentRecord();
    config.dwSize = c.size;
    const COMMCONFIG before = config;
    SetLastError(0);
    EXPECT_FALSE(CommConfigDialogA(c.port, nullptr, c.nullConfig ? nullptr : &config));
    EXPECT_EQ(GetLastError(), c.error);
    EXPECT_TRUE(SameBytes(config, before));
  }
  EXPECT_TRUE(rec_->Forms().empty());
}

TEST_F(CommConfigFormTest, AnotherThreadGetsAnErrorNotAnException) {
  ui::CommConfigForm first("COM1");  // makes this the forms' thread, if no form did
  COMMCONFIG config = ComponentRecord();
  const COMMCONFIG before = config;
  BOOL result = TRUE;
  DWORD error = 0;
  std::thread other([&] {
    result = CommConfigDialogA("COM1", nullptr, &config);
    error = GetLastError();
  });
  other.join();
  EXPECT_FALSE(result);
  EXPECT_EQ(error, ERROR_INVALID_THREAD_ID);
  EXPECT_TRUE(SameBytes(config, before));
  EXPECT_TRUE(rec_->Forms().empty());
}

}  // namespace
