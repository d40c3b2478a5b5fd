// The hub device through the stand-in hub: the channel opened with its
// arguments on the running hub or a newly created one, released before the
// next and at the end, the flows over the link with their exact bytes, failed
// writes, silent reads, failing hub calls, the report lines, and a device
// without a channel that never touches a link.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>

#include "tests/zelvani/devices/FakeHub.h"
#include "tests/zelvani/devices/RegisterSimulator.h"
#include "zelvani/devices/CommunicationReport.h"
#include "zelvani/devices/QAVZLVTandrelDevice.h"
#include "zelvani/model/TextHelpers.h"

namespace zelvani {
namespace {

using Clock = std::chrono::steady_clock;

class TandrelDeviceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    protocol_ = Create<IQAVZLVProtocol>(CLSID_QAVZLVProtocol);
    protocol_->get_PacketLibrary(library_.Out());
    VARIANT_BOOL ok = VARIANT_FALSE;
    Bstr file = Bstr::Attach(AnsiToBstr(RegisterSimulator::DefaultLibrary()));
    ASSERT_EQ(library_->LoadFromFile(file.Get(), &ok), S_OK);
    ASSERT_EQ(ok, VARIANT_TRUE);
    device_ = com::MakeObject<TQAVZLVTandrelDevice>();
    device_->SetProtocol(protocol_.Get());
    TQAVZLVTandrelDevice::SetMessageBoxHandler([this](const std::string& text) { boxes_.push_back(text); });
    savingWas_ = ReportSaving();
    SetReportSaving(false);
  }
  void TearDown() override {
    device_ = nullptr;
    TQAVZLVTandrelDevice::SetMessageBoxHandler(nullptr);
    SetReportSaving(savingWas_);
    ClearReportLines();
  }

  HRESULT PutMaster(bool master) { return device_->put_Master(master ? VARIANT_TRUE : VARIANT_FALSE); }
  bool Connect() {
    VARIANT_BOOL ok = VARIANT_FALSE;
    EXPECT_EQ(device_->Connect(&ok), S_OK);
    return ok == VARIANT_TRUE;
  }
  bool Disconnect() {
    VARIANT_BOOL ok = VARIANT_FALSE;
    EXPECT_EQ(device_->Disconnect(&ok), S_OK);
    return ok == VARIANT_TRUE;
  }
  ComPtr<IQAVZLVPacket> Article() {
    ComPtr<IQAVZLVPacket> p;
    Bstr id = Bstr::Attach(AnsiToBstr("I"));
    EXPECT_EQ(protocol_->CreatePacket(id.Get(), Variant(), 0, p.Out()), S_OK);
    p->put_FieldValues(Variant::I4(1), Variant::Ansi("COFFEE"));
    return p;
  }
  std::string Wire(IQAVZLVPacket* p) {
    Bstr s;
    LONG r = -1;
    EXPECT_EQ(protocol_->PackPacket(p, s.Out(), &r), S_OK);
    return BstrToAnsi(s.Get());
  }
  LONG Write(IQAVZLVPacket* p, HRESULT expected = S_OK) {
    LONG r = -1;
    EXPECT_EQ(device_->WritePacket(p, &r), expected);
    return r;
  }
  std::string Port() {
    Bstr b;
    device_->get_Port(b.Out());
    return BstrToAnsi(b.Get());
  }
  LONG Type() {
    LONG t = -1;
    device_->get_DeviceType(&t);
    return t;
  }
  static std::vector<std::string> ReportTexts() {
    std::vector<std::string> t;
    for (const std::string& line : ReportLines()) t.push_back(line.substr(15));
    return t;
  }

  ScopedTestRegistry registry_;
  ComPtr<IQAVZLVProtocol> protocol_;
  ComPtr<IQAVZLVPacketLibrary> library_;
  ComPtr<TQAVZLVTandrelDevice> device_;
  std::vector<std::string> boxes_;
  bool savingWas_ = true;
};

TEST_F(TandrelDeviceTest, MasterPutOpensTheChannelWithItsArguments) {
  struct Row {
    bool master;
    const char* description;
  } rows[] = {{true, "ZV as master"}, {false, "ZV as slave"}};
  for (const Row& row : rows) {
    RunningHub running;
    // Created by its class identifier, as a host creates it.
    ComPtr<IQAVZLVDevice> created = Create<IQAVZLVDevice>(CLSID_QAVZLVTandrelDevice);
    device_ = ComPtr<TQAVZLVTandrelDevice>(dynamic_cast<TQAVZLVTandrelDevice*>(created.Get()));
    ASSERT_NE(device_, nullptr);
    created = nullptr;
    EXPECT_EQ(Type(), qzlvdtComDevice);
    ASSERT_EQ(PutMaster(row.master), S_OK);
    const auto channels = running.hub().Channels();
    ASSERT_EQ(channels.size(), 1u) << row.description;
    EXPECT_EQ(channels[0].number, 1);
    EXPECT_EQ(channels[0].name, "Channel 1");
    EXPECT_EQ(channels[0].master, row.master);
    EXPECT_EQ(channels[0].description, row.description);
    EXPECT_EQ(Type(), qzlvdtQAVTandrelDevice);
    EXPECT_EQ(Port(), "QAVTandrel");
    EXPECT_EQ(device_->Link(), channels[0].link);
    device_ = nullptr;  // gives the channel back while the hub runs
    EXPECT_EQ(running.hub().Releases(), 1);
  }
  EXPECT_TRUE(boxes_.empty());
}

TEST_F(TandrelDeviceTest, EachMasterPutReleasesTheHeldChannelFirst) {
  RunningHub running;
  ASSERT_EQ(PutMaster(true), S_OK);
  // Held but never connected: still given back.
  ASSERT_EQ(PutMaster(false), S_OK);
  EXPECT_EQ(running.hub().Releases(), 1);
  // Held and open.
  running.hub().LastLink()->Preload(reg::kEnq);
  ASSERT_TRUE(Connect());
  EXPECT_TRUE(device_->IsConnected());
  ASSERT_EQ(PutMaster(true), S_OK);
  EXPECT_FALSE(device_->IsConnected());
  EXPECT_EQ(running.hub().Releases(), 2);
  EXPECT_EQ(running.hub().ForeignReleases(), 0);
  EXPECT_EQ(running.hub().Channels().size(), 3u);
  device_ = nullptr;
  EXPECT_EQ(running.hub().Releases(), 3);
}

TEST_F(TandrelDeviceTest, WithoutARunningHubANewOneIsCreated) {
  RegisterHubProgId();
  HubClassModule module;
  ASSERT_EQ(PutMaster(true), S_OK);
  ASSERT_EQ(module.Created(), 1);
  EXPECT_EQ(module.Last()->Channels().size(), 1u);
  EXPECT_EQ(Type(), qzlvdtQAVTandrelDevice);
  device_ = nullptr;
  EXPECT_EQ(module.Last()->Releases(), 1);
}

TEST_F(TandrelDeviceTest, FailuresToOpenAChannel) {
  // A COM failure of the second attempt fails the put with its text; any
  // other failure shows the box. Either way no channel: type 0, no port.
  {
    // No program identifier registered: nothing to find, nothing to create.
    EXPECT_TRUE(FAILED(PutMaster(true)));
    EXPECT_FALSE(TakeErrorDescription().empty());
    EXPECT_EQ(Type(), qzlvdtUnknown);
    EXPECT_EQ(Port(), "");
    EXPECT_TRUE(boxes_.empty());
  }
  {
    // The running hub refuses the channel and none can be created.
    RunningHub running;
    running.hub().FailOpen(E_FAIL);
    EXPECT_TRUE(FAILED(PutMaster(true)));
    EXPECT_EQ(Type(), qzlvdtUnknown);
  }
  {
    // The running hub refuses, a new one gives the channel.
    RunningHub running;
    running.hub().FailOpen(E_FAIL);
    HubClassModule module;
    EXPECT_EQ(PutMaster(true), S_OK);
    EXPECT_EQ(module.Created(), 1);
    EXPECT_EQ(Type(), qzlvdtQAVTandrelDevice);
    device_ = com::MakeObject<TQAVZLVTandrelDevice>();
  }
  {
    // A hub that answers without a link.
    RunningHub running;
    running.hub().GiveNoLink(true);
    EXPECT_EQ(PutMaster(true), S_OK);
    EXPECT_EQ(boxes_, std::vector<std::string>{"Can't connect to QAVTandrel"});
    EXPECT_EQ(Type(), qzlvdtUnknown);
    EXPECT_EQ(Port(), "");
    EXPECT_EQ(device_->Link(), nullptr);
  }
  boxes_.clear();
  {
    // The running object is no hub.
    RegisterHubProgId();
    auto* notAHub = new FakeLink();
    notAHub->AddRef();
    DWORD reg = 0;
    ASSERT_EQ(RegisterActiveObject(notAHub, CLSID_FakeHub, ACTIVEOBJECT_STRONG, &reg), S_OK);
    EXPECT_EQ(PutMaster(false), S_OK);
    EXPECT_EQ(boxes_, std::vector<std::string>{"Can't connect to QAVTandrel"});
    EXPECT_EQ(Type(), qzlvdtUnknown);
    RevokeActiveObject(reg, nullptr);
    notAHub->Release();
  }
}

TEST_F(TandrelDeviceTest, ConnectWriteAndDisconnectOverTheLink) {
  RunningHub running;
  ASSERT_EQ(PutMaster(true), S_OK);
  FakeLink& link = *running.hub().LastLink();
  link.Answer(reg::kAck).Answer(reg::kAck).Answer(reg::kAck);
  ASSERT_TRUE(Connect());
  EXPECT_TRUE(device_->IsConnected());
  ComPtr<IQAVZLVPacket> p = Article();
  EXPECT_EQ(Write(p.Get()), qzlvpeOK);
  ASSERT_TRUE(Disconnect());
  EXPECT_FALSE(device_->IsConnected());
  EXPECT_EQ(link.Writes(), (std::vector<std::string>{reg::kEnq, Wire(p.Get()), reg::kEot}));
  // The channel stays open until the next Master put.
  EXPECT_EQ(running.hub().Releases(), 0);
  LONG sent = 0;
  ComPtr<IQAVZLVDeviceStatistics> stats;
  device_->get_Statistics(stats.Out());
  stats->get_PacketsSent(&sent);
  EXPECT_EQ(sent, 1);
}

TEST_F(TandrelDeviceTest, SlaveConnectRunsTheSlaveOpenFlow) {
  RunningHub running;
  ASSERT_EQ(PutMaster(false), S_OK);
  FakeLink& link = *running.hub().LastLink();
  link.Preload(reg::kEnq);
  const int readTimeout = device_->CommPort().RdTimeout();
  const int writeTimeout = device_->CommPort().WrTimeout();
  ASSERT_TRUE(Connect());
  EXPECT_EQ(link.Written(), reg::kAck);
  // The unused port keeps its time-outs.
  EXPECT_EQ(device_->CommPort().RdTimeout(), readTimeout);
  EXPECT_EQ(device_->CommPort().WrTimeout(), writeTimeout);
  EXPECT_EQ(link.ReadCounts(), std::vector<LONG>{1});
}

TEST_F(TandrelDeviceTest, FailedWritesAndSilentReadsEndTheFlowAtOnce) {
  struct Row {
    const char* name;
    bool report;
    bool failWrite;
    LONG result;
    const char* line;  // the report's error line, when the report is on
  } rows[] = {
      {"failed write", false, true, qzlvpeDeviceError, nullptr},
      {"failed write, reported", true, true, qzlvpeDeviceError, "PC-> '<ENQ>' : ERROR (QAVTandrel - WriteString)"},
      {"silent read", false, false, qzlvpeTimeout, nullptr},
      {"silent read, reported", true, false, qzlvpeTimeout, "PC<- '' : ERROR (QAVTandrel - Receive timeout)"},
  };
  for (const Row& row : rows) {
    RunningHub running;
    ASSERT_EQ(PutMaster(true), S_OK);
    FakeLink& link = *running.hub().LastLink();
    library_->put_CreateReport(row.report ? VARIANT_TRUE : VARIANT_FALSE);
    ClearReportLines();
    link.FailWrites(row.failWrite);
    link.Silent(!row.failWrite);
    const auto start = Clock::now();
    EXPECT_FALSE(Connect()) << row.name;
    const auto took = Clock::now() - start;
    LONG error = -1;
    device_->get_LastError(&error);
    EXPECT_EQ(error, row.result) << row.name;
    // One run only: one write attempt, and a silent read gives up after a second.
    EXPECT_EQ(link.Writes().size(), row.failWrite ? 0u : 1u) << row.name;
    if (!row.failWrite) {
      EXPECT_GE(took, std::chrono::milliseconds(TQAVZLVTandrelDevice::kReadTimeout)) << row.name;
      EXPECT_LT(took, std::chrono::milliseconds(3 * TQAVZLVTandrelDevice::kReadTimeout)) << row.name;
    }
    const auto texts = ReportTexts();
    if (row.line) {
      EXPECT_NE(std::find(texts.begin(), texts.end(), row.line), texts.end()) << row.name;
    } else {
      EXPECT_TRUE(texts.empty()) << row.name;
    }
  }
}

TEST_F(TandrelDeviceTest, WithoutAChannelNothingTouchesALink) {
  ComPtr<IQAVZLVPacket> p = Article();
  EXPECT_FALSE(Connect());
  LONG error = -1;
  device_->get_LastError(&error);
  EXPECT_EQ(error, qzlvpeCantConnect);
  // A write without a link fails as a failed write.
  EXPECT_EQ(Write(p.Get()), qzlvpeDeviceError);
  VARIANT_BOOL reset = VARIANT_TRUE;
  EXPECT_EQ(device_->Reset(&reset), S_OK);
  EXPECT_EQ(reset, VARIANT_FALSE);
  std::string data = "x";
  EXPECT_EQ(device_->ReadString(data, 1, std::string()), tsWriteTimeout);
  EXPECT_EQ(data, "");
  EXPECT_EQ(device_->WriteString(reg::kEnq), tsSystemError);
}

TEST_F(TandrelDeviceTest, ResetAndTheReportOfTheLink) {
  RunningHub running;
  ASSERT_EQ(PutMaster(true), S_OK);
  FakeLink& link = *running.hub().LastLink();
  library_->put_CreateReport(VARIANT_TRUE);
  ClearReportLines();
  link.Answer(reg::kAck);
  ASSERT_TRUE(Connect());
  VARIANT_BOOL reset = VARIANT_FALSE;
  EXPECT_EQ(device_->Reset(&reset), S_OK);
  EXPECT_EQ(reset, VARIANT_TRUE);
  EXPECT_EQ(link.Resets(), 1);
  EXPECT_EQ(ReportTexts(), (std::vector<std::string>{"--- Connect ---", "PC-> '<ENQ>' : OK", "PC<- '<ACK>' : OK",
                                                     "RESET 'QAVTandrel'"}));
}

TEST_F(TandrelDeviceTest, FailingHubCallsFailTheMemberWithTheirText) {
  RunningHub running;
  ASSERT_EQ(PutMaster(true), S_OK);
  FakeLink& link = *running.hub().LastLink();
  link.Answer(reg::kAck);
  ASSERT_TRUE(Connect());
  link.FailCalls(E_FAIL, "The hub lost the line");
  LONG r = -1;
  ComPtr<IQAVZLVPacket> p = Article();
  EXPECT_EQ(device_->WritePacket(p.Get(), &r), E_FAIL);
  EXPECT_EQ(WideToUtf8(TakeErrorDescription()), "The hub lost the line");
  VARIANT_BOOL ok = VARIANT_FALSE;
  EXPECT_EQ(device_->Reset(&ok), E_FAIL);
  EXPECT_EQ(WideToUtf8(TakeErrorDescription()), "The hub lost the line");
  // A release the hub refuses fails the put; the device holds no channel then.
  running.hub().FailRelease(E_FAIL);
  EXPECT_EQ(PutMaster(false), E_FAIL);
  EXPECT_EQ(WideToUtf8(TakeErrorDescription()), "The channel cannot be released");
  EXPECT_EQ(device_->Link(), nullptr);
  EXPECT_EQ(Type(), qzlvdtUnknown);
}

}  // namespace
}  // namespace zelvani
