// The control as a host uses it, created by its class identifier, against the
// simulated register: a write with a refusal read back in Polish, a read to
// the end of data, the device's statistics and last packets handed through
// unchanged, and the line settings of its options.
#include <gtest/gtest.h>

#include <optional>

#include "corvatin/control/CorvatinServer.h"
#include "platform/com/ansi.h"
#include "tests/corvatin/control/ControlTestSupport.h"
#include "tests/corvatin/control/ECRSimulator.h"

namespace corvatin {
namespace {

using namespace std::chrono_literals;

constexpr const char* kPort = "COM8";

class ControlE2ETest : public ::testing::Test {
 protected:
  void SetUp() override {
    sim_.emplace(kPort);
    control_ = Create<IQAVECR>(CLSID_QAVECR);
    ASSERT_TRUE(control_);
    ASSERT_NO_FATAL_FAILURE(UseRegister(c(), kPort));
  }
  void TearDown() override {
    sim_->Stop();
    control_ = nullptr;
    sim_.reset();
  }
  IQAVECR* c() { return control_.Get(); }
  ECRSimulator& sim() { return *sim_; }

  // Runs a Boolean member; the HRESULT must be S_OK.
  template <class F>
  bool Call(F&& member) {
    VARIANT_BOOL r = VARIANT_FALSE;
    const HRESULT hr = member(&r);
    EXPECT_EQ(hr, S_OK);
    return r == VARIANT_TRUE;
  }
  LONG Code() {
    LONG code = -1;
    c()->get_LastErrorCode(&code);
    return code;
  }
  std::string LastPacketSent() {
    Bstr p;
    c()->get_LastPacketSent(p.Out());
    return BstrToAnsi(p.Get());
  }
  std::string LastPacketReceived() {
    Bstr p;
    c()->get_LastPacketReceived(p.Out());
    return BstrToAnsi(p.Get());
  }

  zelvani::ScopedTestRegistry registry_;
  ScopedSystemDirectory system_;
  std::optional<ECRSimulator> sim_;
  ComPtr<IQAVECR> control_;
};

TEST_F(ControlE2ETest, WritesRefusesAndReadsThroughTheControl) {
  sim().RejectNext("15");
  sim().Offer("C", {{"C", {Utf8ToAnsi("Dziękujemy")}}, {"C", {Utf8ToAnsi("Zapraszamy ponownie")}}});
  sim().Serve();
  sim().Start();
  ASSERT_EQ(c()->put_AutoReadNativeError(VARIANT_TRUE), S_OK);

  ASSERT_TRUE(Call([&](VARIANT_BOOL* r) { return c()->Connect(r); }));
  ASSERT_TRUE(Call([&](VARIANT_BOOL* r) { return c()->BeginWrite(ecrdtFooter, r); }));
  Bstr first = Wide("Zero w cenie");
  EXPECT_FALSE(Call([&](VARIANT_BOOL* r) { return c()->WriteText(first.Get(), r); }));
  EXPECT_EQ(Code(), qzlvpeRejected);
  Bstr native, nativeText, message;
  c()->get_LastNativeErrorCode(native.Out());
  c()->get_LastNativeErrorMessage(nativeText.Out());
  c()->get_LastErrorMessage(message.Out());
  EXPECT_EQ(Utf8(native.Get()), "15");
  EXPECT_EQ(Utf8(nativeText.Get()),
            "Cena poza zakresem 0..21474836,39 lub programowano cenę zerową, a nie ustawiono flagi \"cena otwarta\"");
  EXPECT_EQ(Utf8(message.Get()), "Pakiet został odrzucony przez urządzenie");
  // A refused record does not count as sent: the last packet sent is the
  // start packet; the last received is the register's error record.
  ASSERT_EQ(sim().ErrorsSent().size(), 1u);
  const std::string blanks(18, ' ');
  EXPECT_EQ(LastPacketSent(), ECRSimulator::StartPacket("C", 1, blanks, blanks));
  EXPECT_EQ(LastPacketReceived(), sim().Pack("F", sim().ErrorsSent()[0].fields, qzlvptError));

  ASSERT_TRUE(Call([&](VARIANT_BOOL* r) { return c()->BeginWrite(ecrdtFooter, r); }));
  Bstr second = Wide("Dziękujemy za zakupy");
  ASSERT_TRUE(Call([&](VARIANT_BOOL* r) { return c()->WriteText(second.Get(), r); }));
  EXPECT_EQ(Code(), 0);
  const std::string written = LastPacketSent();
  ASSERT_TRUE(Call([&](VARIANT_BOOL* r) { return c()->EndWrite(r); }));
  ASSERT_TRUE(Call([&](VARIANT_BOOL* r) { return c()->Disconnect(r); }));

  ASSERT_TRUE(Call([&](VARIANT_BOOL* r) { return c()->Connect(r); }));
  ASSERT_TRUE(Call([&](VARIANT_BOOL* r) { return c()->BeginRead(ecrdtFooter, Variant(), Variant(), 0, 0, r); }));
  std::vector<std::string> lines;
  VARIANT_BOOL eof = VARIANT_TRUE;
  c()->get_EOF(&eof);
  EXPECT_EQ(eof, VARIANT_FALSE);
  for (int guard = 0; eof == VARIANT_FALSE && guard < 10; ++guard) {
    Bstr line;
    ASSERT_TRUE(Call([&](VARIANT_BOOL* r) { return c()->ReadText(line.Out(), r); }));
    lines.push_back(Utf8(line.Get()));
    c()->get_EOF(&eof);
  }
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0].substr(0, lines[0].find_last_not_of(' ') + 1), "Dziękujemy");
  EXPECT_EQ(lines[1].substr(0, lines[1].find_last_not_of(' ') + 1), "Zapraszamy ponownie");
  EXPECT_EQ(LastPacketReceived(), sim().Pack("C", {Utf8ToAnsi("Zapraszamy ponownie")}, qzlvptRead, true))
      << "the last record with its end-of-data mark";
  ASSERT_TRUE(Call([&](VARIANT_BOOL* r) { return c()->ConfirmRead(r); }));
  ASSERT_TRUE(Call([&](VARIANT_BOOL* r) { return c()->Disconnect(r); }));
  sim().Stop();

  ASSERT_EQ(sim().Stored().size(), 1u);
  std::string stored = Utf8ToAnsi("Dziękujemy za zakupy");
  stored.resize(40, ' ');
  EXPECT_EQ(sim().Stored()[0].fields.at(0), stored);
  EXPECT_EQ(written, sim().Pack("C", {stored}, qzlvptWrite)) << "the record as the control sent it";

  // The device's statistics, handed through: the packets of both transfers.
  ComPtr<IQAVZLVDeviceStatistics> statistics;
  ASSERT_EQ(c()->get_Statistics(statistics.Out()), S_OK);
  ASSERT_TRUE(statistics);
  LONG sent = -1, received = -1;
  statistics->get_PacketsSent(&sent);
  statistics->get_PacketsReceived(&received);
  EXPECT_EQ(sent, 4) << "three start packets and the accepted record; a refused one is not counted";
  EXPECT_EQ(received, 3) << "the error record and two text records";
}

}  // namespace
}  // namespace corvatin
