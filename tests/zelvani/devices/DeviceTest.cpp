// The abstract device through a minimal concrete device: defaults, the result
// codes' texts, the base operations, slots replaced by a subclass, the
// statistics object's identity and lifetime, and the report switch.
#include <gtest/gtest.h>

#include <stdexcept>

#include "platform/com/ansi.h"
#include "zelvani/devices/CommunicationReport.h"
#include "zelvani/devices/QAVZLVDevice.h"

namespace zelvani {
namespace {

// The base as it is, with a few slots that record or replace behaviour when a
// test asks for it.
class TTestDevice final : public TQAVZLVDevice {
 public:
  bool DoDisconnect() override {
    ++disconnects;
    portAtDisconnect = Port();
    return TQAVZLVDevice::DoDisconnect();
  }
  bool DoConnect() override { return connectResult; }
  bool DoReset() override {
    if (resetThrows) throw std::runtime_error("Reset failed here");
    return TQAVZLVDevice::DoReset();
  }
  using TQAVZLVDevice::SetDeviceType;

  int disconnects = 0;
  std::string portAtDisconnect;
  bool connectResult = false;
  bool resetThrows = false;
};

std::string Utf8Of(BSTR b) { return WideToUtf8(BstrView(b)); }

std::string MessageOf(IQAVZLVDevice* d) {
  Bstr m;
  EXPECT_EQ(d->get_LastErrorMessage(m.Out()), S_OK);
  return Utf8Of(m.Get());
}

LONG LastErrorOf(IQAVZLVDevice* d) {
  LONG e = -12345;
  EXPECT_EQ(d->get_LastError(&e), S_OK);
  return e;
}

TEST(DeviceTest, NewDeviceDefaults) {
  auto d = com::MakeObject<TTestDevice>();
  VARIANT_BOOL b = VARIANT_TRUE;
  ASSERT_EQ(d->get_IsConnected(&b), S_OK);
  EXPECT_EQ(b, VARIANT_FALSE);
  ASSERT_EQ(d->get_Master(&b), S_OK);
  EXPECT_EQ(b, VARIANT_TRUE);
  ASSERT_EQ(d->get_KeepConnection(&b), S_OK);
  EXPECT_EQ(b, VARIANT_FALSE);
  EXPECT_EQ(LastErrorOf(d.Get()), 0);
  EXPECT_EQ(MessageOf(d.Get()), "");
  LONG type = -1;
  ASSERT_EQ(d->get_DeviceType(&type), S_OK);
  EXPECT_EQ(type, qzlvdtUnknown);
  ComPtr<IQAVZLVProtocol> protocol;
  ASSERT_EQ(d->get_Protocol(protocol.Out()), S_OK);
  EXPECT_FALSE(protocol);
  for (auto getter : {&IQAVZLVDevice::get_Address, &IQAVZLVDevice::get_Port, &IQAVZLVDevice::get_LastPacketSent,
                      &IQAVZLVDevice::get_LastPacketReceived}) {
    Bstr s;
    ASSERT_EQ((d.Get()->*getter)(s.Out()), S_OK);
    EXPECT_EQ(s.Length(), 0u);
  }
}

TEST(DeviceTest, EveryResultCodeHasItsText) {
  struct Row {
    LONG code;
    const char* text;
  } rows[] = {
      {0, "Operacja zakończona poprawnie"},
      {1, "Odebrano pakiet nieznanego typu"},
      {2, "Nieprawidłowa długość pakietu"},
      {3, "Nieprawidłowa budowa pakietu"},
      {4, "Błąd sumy kontrolnej"},
      {5, "Nie znaleziono definicji struktury pakietu"},
      {6, "Nie znaleziono definicji przepływu informacji"},
      {7, "Wystąpił niezidentyfikowany błąd: 7"},
      {16, "Nie ma więcej danych"},
      {17, "Brak danych"},
      {18, "Wystąpił niezidentyfikowany błąd: 18"},
      {32, "Negatywne potwierdzenie pakietu"},
      {33, "Operacja nie zakończyła się w przewidywanym czasie (timeout)"},
      {64, "Pakiet został odrzucony przez urządzenie"},
      {65, "Wystąpił nieznany błąd"},
      {66, "Urządzenie nie odpowiada"},
      {67, "Nie można nawiązać połączenia"},
      {68, "Urządzenie zerwało połączenie"},
      {69, "Urządzenie jest obecnie zajęte"},
      {70, "Błąd wewnętrzny urządzenia"},
      {100, "Wykonywane zadanie zostało przerwane przez użytkownika"},
      {-1, "Wystąpił niezidentyfikowany błąd: -1"},
      {8, "Wystąpił niezidentyfikowany błąd: 8"},
      {101, "Wystąpił niezidentyfikowany błąd: 101"},
      {-2147483647 - 1, "Wystąpił niezidentyfikowany błąd: -2147483648"},
  };
  auto d = com::MakeObject<TTestDevice>();
  for (const Row& r : rows) {
    SCOPED_TRACE(r.code);
    EXPECT_EQ(d->SetError(r.code), r.code);
    EXPECT_EQ(LastErrorOf(d.Get()), r.code);
    EXPECT_EQ(MessageOf(d.Get()), r.text);
  }
}

// A device's own message table: a line is named by the whole decimal code (not
// a prefix of it), the first line of a code wins, and a line without text falls
// back. Each code is set twice in a row and after a longer and a shorter
// message, so a message left over from an earlier result shows.
class TOwnTextsDevice final : public TQAVZLVDevice {
 public:
  TOwnTextsDevice() { TOwnTextsDevice::LoadErrorTexts(); }
  void LoadErrorTexts() override {
    MutableErrorTexts() = {"64=Sixty-four", "6=", "12=Twelve", "12=Second twelve", "-1=Minus one", "noequals",
                           "7=A rather long message that outgrows any short one", "3=S"};
  }
};

TEST(DeviceTest, OwnMessageTableLinesAreMatchedByTheWholeCode) {
  const std::pair<LONG, const char*> rows[] = {
      {64, "Sixty-four"},
      {6, "Wystąpił niezidentyfikowany błąd: 6"},
      {7, "A rather long message that outgrows any short one"},
      {3, "S"},
      {12, "Twelve"},
      {1, "Wystąpił niezidentyfikowany błąd: 1"},
      {-1, "Minus one"},
      {4, "Wystąpił niezidentyfikowany błąd: 4"},
      {3, "S"},
  };
  auto d = com::MakeObject<TOwnTextsDevice>();
  for (const auto& [code, text] : rows) {
    SCOPED_TRACE(code);
    for (int round = 0; round < 2; ++round) {
      EXPECT_EQ(d->SetError(code), code);
      EXPECT_EQ(MessageOf(d.Get()), text);
      EXPECT_EQ(WideToUtf8(AnsiToWide(d->ErrorText(code))), text);
    }
  }
}

TEST(DeviceTest, MessageTableIsOneCrLfLinePerCodeInOrderInTheAnsiCodePage) {
  const std::string& table = ErrorMessageTable();
  EXPECT_EQ(table.find('\n'), table.find("\r\n") + 1);
  EXPECT_EQ(table.substr(0, table.find("\r\n")), Utf8ToAnsi("0=Operacja zakończona poprawnie"));
  EXPECT_EQ(table.substr(table.rfind("\r\n") + 2),
            Utf8ToAnsi("100=Wykonywane zadanie zostało przerwane przez użytkownika"));
  EXPECT_NE(table.find("\xB3\xB9" "d"), std::string::npos);  // "łąd" of "Błąd" in Windows-1250

  auto d = com::MakeObject<TTestDevice>();
  std::vector<std::string> names;
  for (const std::string& line : d->ErrorTexts()) names.push_back(line.substr(0, line.find('=')));
  EXPECT_EQ(names, (std::vector<std::string>{"0", "1", "2", "3", "4", "5", "6", "16", "17", "32", "33", "64", "65",
                                              "66", "67", "68", "69", "70", "100"}));
}

TEST(DeviceTest, BaseOperationsDoNothingAndFail) {
  auto d = com::MakeObject<TTestDevice>();
  d->SetError(33);  // the operations that leave LastError alone keep this

  VARIANT_BOOL b = VARIANT_TRUE;
  ASSERT_EQ(d->Disconnect(&b), S_OK);
  EXPECT_EQ(b, VARIANT_FALSE);
  ASSERT_EQ(d->ModeSwitch(&b), S_OK);
  EXPECT_EQ(b, VARIANT_FALSE);
  auto packet = Create<IQAVZLVPacket>(CLSID_QAVZLVPacket);
  LONG r = 0;
  ASSERT_EQ(d->WritePacket(packet.Get(), &r), S_OK);
  EXPECT_EQ(r, qzlvpeUnexpected);
  ASSERT_EQ(d->ReadPacket(packet.Get(), &r), S_OK);
  EXPECT_EQ(r, qzlvpeUnexpected);
  r = 0;
  ASSERT_EQ(d->SendString(Bstr(u"abc").Get(), &r), S_OK);
  EXPECT_EQ(r, qzlvpeUnexpected);
  EXPECT_EQ(d->SendACK(), S_OK);
  EXPECT_EQ(d->SendNAK(), S_OK);
  EXPECT_EQ(d->Abort(), S_OK);
  b = VARIANT_FALSE;
  ASSERT_EQ(d->Reset(&b), S_OK);
  EXPECT_EQ(b, VARIANT_TRUE);
  EXPECT_EQ(LastErrorOf(d.Get()), 33);
  EXPECT_EQ(MessageOf(d.Get()), "Operacja nie zakończyła się w przewidywanym czasie (timeout)");

  b = VARIANT_TRUE;
  ASSERT_EQ(d->Listen(&b), S_OK);
  EXPECT_EQ(b, VARIANT_FALSE);
  EXPECT_EQ(LastErrorOf(d.Get()), qzlvpeUnexpected);
  EXPECT_EQ(MessageOf(d.Get()), "Wystąpił nieznany błąd");
}

TEST(DeviceTest, SubclassSlotsReplaceMembersAndExceptionsFailTheCall) {
  auto d = com::MakeObject<TTestDevice>();
  d->connectResult = true;
  d->SetDeviceType(qzlvdtComDevice);
  VARIANT_BOOL b = VARIANT_FALSE;
  ASSERT_EQ(d->Connect(&b), S_OK);
  EXPECT_EQ(b, VARIANT_TRUE);
  LONG type = 0;
  ASSERT_EQ(d->get_DeviceType(&type), S_OK);
  EXPECT_EQ(type, qzlvdtComDevice);

  // Through IDispatch by the type library's DISPID (Connect is 4).
  DISPPARAMS none{nullptr, nullptr, 0, 0};
  Variant result;
  ASSERT_EQ(d->Invoke(4, GUID_NULL, 0, DISPATCH_METHOD, &none, &result, nullptr, nullptr), S_OK);
  EXPECT_EQ(result.vt, VT_BOOL);
  EXPECT_EQ(result.boolVal, VARIANT_TRUE);

  d->resetThrows = true;
  b = VARIANT_TRUE;
  EXPECT_TRUE(FAILED(d->Reset(&b)));
  EXPECT_EQ(b, VARIANT_FALSE);
  EXPECT_EQ(WideToAnsi(TakeErrorDescription()), "Reset failed here");
}

TEST(DeviceTest, SettingThePortDisconnectsFirst) {
  auto d = com::MakeObject<TTestDevice>();
  ASSERT_EQ(d->put_Port(Bstr(u"COM1").Get()), S_OK);
  ASSERT_EQ(d->put_Port(Bstr(u"COM2").Get()), S_OK);
  EXPECT_EQ(d->disconnects, 2);
  EXPECT_EQ(d->portAtDisconnect, "COM1");  // the old port was still set when it disconnected
  Bstr port;
  ASSERT_EQ(d->get_Port(port.Out()), S_OK);
  EXPECT_EQ(std::u16string(BstrView(port.Get())), u"COM2");

  ASSERT_EQ(d->put_Address(Bstr(u"Speed=9600;Parity=N").Get()), S_OK);
  EXPECT_EQ(d->disconnects, 2);
  EXPECT_EQ(d->Address(), "Speed=9600;Parity=N");
}

TEST(DeviceTest, PropertiesRoundTripTheirValues) {
  auto d = com::MakeObject<TTestDevice>();
  ASSERT_EQ(d->put_Master(VARIANT_FALSE), S_OK);
  ASSERT_EQ(d->put_KeepConnection(VARIANT_TRUE), S_OK);
  EXPECT_FALSE(d->Master());
  EXPECT_TRUE(d->KeepConnection());
  ASSERT_EQ(d->put_Address(Bstr(u"PhoneNumber=ąę").Get()), S_OK);
  EXPECT_EQ(d->Address(), Utf8ToAnsi("PhoneNumber=ąę"));

  auto protocol = Create<IQAVZLVProtocol>(CLSID_QAVZLVProtocol);
  ASSERT_EQ(d->put_Protocol(protocol.Get()), S_OK);
  ComPtr<IQAVZLVProtocol> back;
  ASSERT_EQ(d->get_Protocol(back.Out()), S_OK);
  EXPECT_EQ(back.Get(), protocol.Get());
  ASSERT_EQ(d->put_Protocol(nullptr), S_OK);
  ASSERT_EQ(d->get_Protocol(back.Out()), S_OK);
  EXPECT_FALSE(back);
}

TEST(DeviceTest, StatisticsIsOneObjectThatOutlivesTheDevice) {
  ComPtr<IQAVZLVDeviceStatistics> first, second;
  {
    auto d = com::MakeObject<TTestDevice>();
    ASSERT_EQ(d->get_Statistics(first.Out()), S_OK);
    ASSERT_EQ(d->get_Statistics(second.Out()), S_OK);
    ASSERT_TRUE(first);
    EXPECT_EQ(first.Get(), second.Get());
    d->Stats().IncPacketsSent();
    d->Stats().IncPacketsReceived();
    d->Stats().IncPacketsReceived();
  }
  LONG sent = 0, received = 0;
  ASSERT_EQ(first->get_PacketsSent(&sent), S_OK);
  ASSERT_EQ(first->get_PacketsReceived(&received), S_OK);
  EXPECT_EQ(sent, 1);
  EXPECT_EQ(received, 2);
}

TEST(DeviceTest, TheAbstractDeviceHasNoFactory) {
  ComPtr<IQAVZLVDevice> d;
  HRESULT hr = CoCreateInstance(CLSID_QAVZLVDevice, nullptr, CLSCTX_INPROC_SERVER, IQAVZLVDevice::Iid, d.OutVoid());
  EXPECT_TRUE(FAILED(hr));
  EXPECT_FALSE(d);
  TakeErrorDescription();
}

TEST(DeviceTest, ReportLinesFollowTheLibrarysSwitch) {
  ClearReportLines();
  auto d = com::MakeObject<TTestDevice>();
  EXPECT_FALSE(d->Report(kReportConnect));  // no protocol yet

  auto protocol = Create<IQAVZLVProtocol>(CLSID_QAVZLVProtocol);
  ComPtr<IQAVZLVPacketLibrary> library;
  ASSERT_EQ(protocol->get_PacketLibrary(library.Out()), S_OK);
  ASSERT_EQ(d->put_Protocol(protocol.Get()), S_OK);
  EXPECT_FALSE(d->Report(kReportConnect));  // the switch starts off
  EXPECT_TRUE(ReportLines().empty());

  ASSERT_EQ(library->put_CreateReport(VARIANT_TRUE), S_OK);
  EXPECT_TRUE(d->Report(kReportConnect));
  auto lines = ReportLines();
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0].substr(lines[0].find("] ") + 2), "--- Connect ---");
  ClearReportLines();
}

}  // namespace
}  // namespace zelvani
