// The batch driver end to end: input files sent to the register simulator over
// a pseudo-terminal line, with the exact bytes checked on the simulator's side,
// the records read into the output file, and every failure in the error file
// with its line: rejections, read time-outs, records that cannot be read, an
// output that cannot be written, a register that hangs up; amounts read as the
// engine reads them and numbers that must fit their fields; a file name
// replaced by a link to the input in the middle of an exchange.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <functional>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>

#include "platform/com/locale.h"
#include "tests/zelvani/devices/RegisterSimulator.h"
#include "zelvani/devices/QAVZLVComDevice.h"
#include "zelvani/devices/QAVZLVFileDriver.h"

namespace zelvani {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using Fields = RegisterSimulator::Fields;
using Clock = std::chrono::steady_clock;

constexpr int kShort = 300;  // ms: the port and packet time-outs of these tests
const Fields kAnna{"123.45", "42", "ANNA"};
const Fields kBob{"7", "1", "BOB"};
const std::string kAnnaLine = "R;0000012345;000042;ANNA;";
const std::string kBobLine = "R;0000000700;000001;BOB;";
const std::string kStartLine = "S;I;0;;;\r\n";

Bstr B(std::string_view ansi) { return Bstr::Attach(AnsiToBstr(ansi)); }

std::string ReadAll(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// While it lives, no file of this process grows past a number of bytes: a
// write beyond fails as on a full disk.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(std::size_t bytes) : signal_(std::signal(SIGXFSZ, SIG_IGN)) {
    getrlimit(RLIMIT_FSIZE, &old_);
    rlimit limit = old_;
    limit.rlim_cur = bytes;
    EXPECT_EQ(setrlimit(RLIMIT_FSIZE, &limit), 0);
  }
  ~FileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &old_);
    std::signal(SIGXFSZ, signal_);
  }
  FileSizeLimit(const FileSizeLimit&) = delete;
  FileSizeLimit& operator=(const FileSizeLimit&) = delete;

 private:
  rlimit old_{};
  void (*signal_)(int);
};

class FileDriverE2ETest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "filedriver-e2e-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
    sim_.emplace("COM6");
    driver_ = com::MakeObject<TQAVZLVFileDriver>();
    ASSERT_EQ(driver_->put_PacketDefFile(B(RegisterSimulator::DefaultLibrary()).Get()), S_OK);
    driver_->put_DataPath(B(dir_.string()).Get());
    driver_->put_PortName(B("COM6").Get());
    driver_->put_PortParams(B("Speed=9600;Parity=N;DataBits=8;StopBits=1;Timeout=" + std::to_string(kShort)).Get());
    auto* device = dynamic_cast<TQAVZLVComDevice*>(driver_->Device());
    ASSERT_NE(device, nullptr);
    device->SetPacketTimeouts(kShort, kShort);
  }
  void TearDown() override {
    sim_->Stop();
    driver_ = nullptr;
    sim_.reset();
    std::error_code ignored;
    fs::remove_all(dir_, ignored);
  }
  RegisterSimulator& sim() { return *sim_; }
  void Input(const std::string& text) { std::ofstream(dir_ / "data_in.txt", std::ios::binary) << text; }
  LONG Execute() {
    LONG r = -12345;
    EXPECT_EQ(driver_->Execute(&r), S_OK);
    return r;
  }
  std::string Output() { return ReadAll(dir_ / "data_out.txt"); }
  std::string Errors() { return ReadAll(dir_ / "error.txt"); }
  LONG Counter(HRESULT (IQAVZLVFileDriver::*get)(LONG*)) {
    LONG v = -1;
    (driver_.Get()->*get)(&v);
    return v;
  }
  // The start of a reading: connect, the start packet, the switch to reading.
  RegisterSimulator& StartReading() {
    return sim().Expect(reg::kEnq).Ack().ExpectPacket("I", qzlvptStart).Ack().Expect(reg::kSwitchToRead).Ack();
  }
  void Done() { ASSERT_TRUE(sim().WaitDone(5s)) << sim().Report(); }

  ScopedTestRegistry registry_;
  fs::path dir_;
  std::optional<RegisterSimulator> sim_;
  ComPtr<TQAVZLVFileDriver> driver_;
};

TEST_F(FileDriverE2ETest, LinesOfOneIdentifierFollowOneConnectAndOneStartPacket) {
  Input("D;I;COFFEE;1250;A;7;\r\nD;I;TEA;990;B;12;\r\nD;I;MILK;1234;A;3;\r\n");
  sim().Expect(reg::kEnq).Ack().ExpectPacket("I", qzlvptStart).Ack();
  for (int i = 0; i < 3; ++i) sim().ExpectPacket("I").Ack();
  sim().Expect(reg::kEot).Ack();
  sim().Start();
  EXPECT_EQ(Execute(), 0);
  Done();
  EXPECT_EQ(Errors(), "");
  EXPECT_EQ(Output(), "");
  // Amounts come in hundredths: 1234 goes out as 12.34.
  const std::string expected = reg::kEnq + sim().Pack("I", {"1", "", ""}, qzlvptStart) +
                               sim().Pack("I", {"COFFEE", "12.50", "A", "7"}) +
                               sim().Pack("I", {"TEA", "9.90", "B", "12"}) +
                               sim().Pack("I", {"MILK", "12.34", "A", "3"}) + reg::kEot;
  EXPECT_EQ(sim().Received(), expected);
  EXPECT_EQ(sim().Opens(), 1);
  EXPECT_EQ(Counter(&IQAVZLVFileDriver::get_PacketsSent), 4);
}

TEST_F(FileDriverE2ETest, AStartLineReceivesEveryRecordIntoTheOutput) {
  for (bool cache : {false, true}) {
    SCOPED_TRACE(cache ? "cached" : "flushed");
    sim().Stop();
    sim_.reset();
    sim_.emplace("COM6");
    driver_->put_ReceiveCache(cache ? VARIANT_TRUE : VARIANT_FALSE);
    Input(kStartLine);
    StartReading()
        .SendPacket("R", kAnna).Expect(reg::kAck)
        .EndOfData("R", kBob).Expect(reg::kAck)
        .Expect(reg::kCloseRead).Ack();
    sim().Start();
    EXPECT_EQ(Execute(), qzlvpeEndOfData);
    Done();
    EXPECT_EQ(Output(), kAnnaLine + "\r\n" + kBobLine + "\r\n");
    EXPECT_EQ(Errors(), "");
  }
}

TEST_F(FileDriverE2ETest, PositionalLinesInAndOut) {
  driver_->put_InputFormat(qzlvftPositional);
  driver_->put_OutputFormat(qzlvftPositional);
  Input("1" + std::string(36, ' ') + "\n");
  StartReading().EndOfData("R", kAnna).Expect(reg::kAck).Expect(reg::kCloseRead).Ack();
  sim().Start();
  EXPECT_EQ(Execute(), qzlvpeEndOfData);
  Done();
  EXPECT_EQ(sim().Packets()[0].fields, (Fields{"1", std::string(18, ' '), std::string(18, ' ')}));
  EXPECT_EQ(Output(), "R0000012345000042ANNA" + std::string(13, ' ') + "\r\n");
}

TEST_F(FileDriverE2ETest, ARejectedPacketKeepsTheRegistersErrorAndStops) {
  Input("D;I;COFFEE;1250;A;7;\r\nD;I;TEA;990;B;12;\r\n");
  sim().Expect(reg::kEnq).Ack().ExpectPacket("I", qzlvptStart).Ack().ExpectPacket("I").Reject()
      .Expect(reg::kSwitchToRead).Ack()
      .SendPacket("E", {"42", "PAPER OUT"}).Expect(reg::kAck)
      .Expect(reg::kCloseRead).Ack();
  sim().Start();
  EXPECT_EQ(Execute(), 103);
  Done();
  EXPECT_EQ(Output(), "E;0042;PAPER OUT;\r\n");
  EXPECT_EQ(Errors(), "103;0;RVI received.\r\n");
  // Nothing of the second line reached the line.
  EXPECT_EQ(sim().Unconsumed(), "");
}

TEST_F(FileDriverE2ETest, AReadTimeOutSendsOneEotAndGives101) {
  Input(kStartLine);
  StartReading().Never();
  sim().Start();
  const auto start = Clock::now();
  EXPECT_EQ(Execute(), 101);
  EXPECT_LT(Clock::now() - start, 20s);
  EXPECT_EQ(Errors(), "101;0;Timeout.\r\n");
  // After the switch: the repeated runs' NAKs, one EOT, then the close flow.
  std::string after = sim().Received();
  after.erase(0, after.find(reg::kSwitchToRead) + reg::kSwitchToRead.size());
  for (std::size_t at; (at = after.find(reg::kCloseRead)) != std::string::npos;) after.erase(at, reg::kCloseRead.size());
  EXPECT_EQ(std::count(after.begin(), after.end(), reg::kEot[0]), 1) << sim().Report();
}

TEST_F(FileDriverE2ETest, RecordsThatCannotBeReadEndTheReading) {
  Input(kStartLine);
  StartReading().SendPacket("R", kAnna).Expect(reg::kAck);
  for (int i = 0; i < TQAVZLVFileDriver::kMaxRefusedReads; ++i) sim().BadChecksum("R", kBob).Expect(reg::kNak);
  // The register would go on sending bad records for ever.
  sim().BadChecksum("R", kBob).Expect(reg::kCloseRead).Ack();
  sim().Start();
  const auto start = Clock::now();
  EXPECT_EQ(Execute(), 100);
  EXPECT_LT(Clock::now() - start, 20s);
  EXPECT_EQ(Output(), kAnnaLine + "\r\n");
  EXPECT_EQ(Errors(), "100;0;Cannot read packet.\r\n");
}

TEST_F(FileDriverE2ETest, ALibraryWithoutAReadFlowEndsTheReadingAtOnce) {
  // The register's library without its READPACKET flow: every read gives 6.
  std::string text = ReadAll(RegisterSimulator::DefaultLibrary());
  const std::size_t from = text.find("FlowRead;READPACKET;");
  ASSERT_NE(from, std::string::npos);
  text.erase(from, text.find("}\n", from) + 2 - from);
  std::ofstream(dir_ / "noread.pkd", std::ios::binary) << text;
  ASSERT_EQ(driver_->put_PacketDefFile(B((dir_ / "noread.pkd").string()).Get()), S_OK);
  Input(kStartLine);
  StartReading().Expect(reg::kCloseRead).Ack();
  sim().Start();
  EXPECT_EQ(Execute(), 100);
  Done();
  EXPECT_EQ(Errors(), "100;0;Cannot read packet.\r\n");
  EXPECT_EQ(Output(), "");
}

// Files may grow only so far that the output's first records fit and the
// next write does not, while the error lines still fit.
TEST_F(FileDriverE2ETest, AnOutputThatCannotBeWrittenIsAFailure) {
  const std::string anna = kAnnaLine + "\r\n";
  const std::string rejection = "E;0042;PAPER OUT - REPLACE THE ROLL.;\r\n";
  // The register rejects the record written after the first was read, and
  // tells why.
  const auto rejectedAfterReading = [&](RegisterSimulator& sim) {
    StartReading().SendPacket("R", kAnna).Expect(reg::kAck).EndOfData("R", kAnna).Expect(reg::kAck)
        .Expect(reg::kCloseRead).Ack();
    sim.Expect(reg::kEnq).Ack().ExpectPacket("I", qzlvptStart).Ack().ExpectPacket("I").Reject()
        .Expect(reg::kSwitchToRead).Ack()
        .SendPacket("E", {"42", "PAPER OUT - REPLACE THE ROLL."}).Expect(reg::kAck)
        .Expect(reg::kCloseRead).Ack();
  };
  struct Row {
    const char* name;
    bool cache;
    std::string input;
    std::function<void(RegisterSimulator&)> script;
    std::string fits;  // the output before the write that fails
    std::string fails;
    std::string errors;
    LONG result;
  } rows[] = {
      // Not written, the record is not taken.
      {"a record, flushed", false, kStartLine,
       [&](RegisterSimulator&) {
         StartReading().SendPacket("R", kAnna).Expect(reg::kAck).EndOfData("R", kBob)
             .Expect(reg::kCloseRead).Ack();
       },
       anna, kBobLine + "\r\n", "100;0;Cannot write packet data.\r\n", 100},
      // Held back, the records are taken; they are lost when the output is closed.
      {"a record, cached", true, kStartLine,
       [&](RegisterSimulator&) {
         StartReading().SendPacket("R", kAnna).Expect(reg::kAck).EndOfData("R", kBob).Expect(reg::kAck)
             .Expect(reg::kCloseRead).Ack();
       },
       anna, kBobLine + "\r\n", "100;0;Cannot write packet data.\r\n", 100},
      // The register's answer to a rejected packet is flushed at once, also
      // when the records are cached.
      {"a rejection, flushed", false, kStartLine + "D;I;COFFEE;1250;A;7;\r\n",
       rejectedAfterReading, anna + anna, rejection, "103;1;RVI received.\r\n100;1;Cannot write packet data.\r\n", 100},
      {"a rejection, cached", true, kStartLine + "D;I;COFFEE;1250;A;7;\r\n",
       rejectedAfterReading, anna + anna, rejection, "103;1;RVI received.\r\n100;1;Cannot write packet data.\r\n", 100},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    sim().Stop();
    sim_.reset();
    sim_.emplace("COM6");
    driver_->put_ReceiveCache(row.cache ? VARIANT_TRUE : VARIANT_FALSE);
    Input(row.input);
    row.script(sim());
    sim().Start();
    const std::size_t limit = std::max(row.fits.size(), row.errors.size()) + 1;
    ASSERT_GT(row.fits.size() + row.fails.size(), limit);
    LONG result = -1;
    {
      FileSizeLimit files(limit);
      result = Execute();
    }
    EXPECT_EQ(result, row.result);
    Done();
    EXPECT_EQ(Output().substr(0, row.fits.size()), row.fits);
    EXPECT_EQ(Errors(), row.errors);
  }
}

TEST_F(FileDriverE2ETest, ATextLongerThanItsFieldIsCutToIt) {
  Input("D;I;A NAME LONGER THAN ITS FIELD;1250;A;7;\r\n");
  sim().Expect(reg::kEnq).Ack().ExpectPacket("I", qzlvptStart).Ack().ExpectPacket("I").Ack().Expect(reg::kEot).Ack();
  sim().Start();
  EXPECT_EQ(Execute(), 0);
  Done();
  const auto packets = sim().Packets();
  ASSERT_EQ(packets.size(), 2u);
  EXPECT_EQ(packets[1].fields, (Fields{"A NAME LONGER THAN", "12.5", "A", "7"}));
  EXPECT_EQ(Errors(), "");
}

// A line's amount is read as the engine reads an amount: blanks, a sign, "."
// or the locale's decimal separator, and no grouping; it counts hundredths
// (rounded half to even) and must fit its field of eight characters. Any
// other amount refuses the line with 3 before the register hears of it.
TEST_F(FileDriverE2ETest, AmountsAreReadAsAmountsAndMustFitTheirField) {
  const std::string refused = "3;0;Text cannot be formatted into packet.\r\n";
  struct Row {
    char16_t decimal;
    const char* amount;
    const char* sent;  // the price's field on the line; null: the line is refused
  } rows[] = {
      // Grouping is no part of an amount.
      {u'.', "12,5", nullptr}, {u'.', "1,250", nullptr}, {u',', "1 250", nullptr}, {u',', "1.250,5", nullptr},
      {u'.', "12x", nullptr}, {u'.', "", nullptr},
      // Wider than the field: 12345678.90 and 1234567.89 take ten and nine characters.
      {u'.', "1234567890", nullptr}, {u',', "123456789", nullptr}, {u'.', "99999999", "99999999"},
      // Well formed, under either separator (a sign stays behind the zeros).
      {u'.', "1250", "00001250"}, {u'.', "12.50", "00000012"}, {u'.', " -3.5 ", "000000-4"},
      {u',', "12,50", "00000012"}, {u',', "12.50", "00000012"}, {u',', "+1250", "00001250"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(row.amount) + (row.decimal == u',' ? " under \",\"" : " under \".\""));
    FormatSettings settings;
    settings.DecimalSeparator = row.decimal;
    settings.ThousandSeparator = row.decimal == u'.' ? u',' : u' ';
    ScopedFormatSettings locale(settings);
    sim().Stop();
    sim_.reset();
    sim_.emplace("COM6");
    Input(std::string("D;I;TEA;") + row.amount + ";B;12;\r\n");
    if (row.sent) {
      sim().Expect(reg::kEnq).Ack().ExpectPacket("I", qzlvptStart).Ack().ExpectPacket("I").Ack()
          .Expect(reg::kEot).Ack();
    }
    sim().Start();
    EXPECT_EQ(Execute(), row.sent ? 0 : 3);
    if (row.sent) {
      Done();
      // <STX>, "I", the name's 18 characters, then the price.
      ASSERT_EQ(sim().Packets().size(), 2u);
      EXPECT_EQ(sim().Packets()[1].wire.substr(2, 18 + 8), "TEA" + std::string(15, ' ') + row.sent);
    } else {
      EXPECT_EQ(sim().Received(), "") << "nothing is sent";
    }
    EXPECT_EQ(Errors(), row.sent ? "" : refused);
  }
}

// A name of the run's output or error file that is replaced by a link to the
// input while the run goes on never leads the run to the input: the input is
// left byte for byte, and the run does not report success.
TEST_F(FileDriverE2ETest, AFileReplacedByALinkToTheInputDuringARunLeavesTheInput) {
  const std::string input = "D;I;TEA;990;B;12;\r\n";
  for (const char* name : {"error.txt", "data_out.txt"}) {
    SCOPED_TRACE(name);
    sim().Stop();
    sim_.reset();
    sim_.emplace("COM6");
    for (const char* old : {"error.txt", "data_out.txt"}) fs::remove(dir_ / old);
    Input(input);
    const auto swap = [&] {
      fs::create_symlink("data_in.txt", dir_ / "link");
      fs::rename(dir_ / "link", dir_ / name);
    };
    sim().Expect(reg::kEnq).Ack().ExpectPacket("I", qzlvptStart).Ack().ExpectPacket("I").Do(name, swap).Ack()
        .Expect(reg::kEot).Ack();
    sim().Start();
    EXPECT_NE(Execute(), 0);
    Done();
    EXPECT_EQ(ReadAll(dir_ / "data_in.txt"), input);
  }
}

TEST_F(FileDriverE2ETest, ARegisterThatHangsUpEndsTheRun) {
  Input(kStartLine + "D;I;COFFEE;1250;A;7;\r\n");
  StartReading().SendPacket("R", kAnna).Expect(reg::kAck).HangUp();
  sim().Start();
  const auto start = Clock::now();
  const LONG result = Execute();
  EXPECT_LT(Clock::now() - start, 30s);
  EXPECT_TRUE(result == 100 || result == 101) << result;
  EXPECT_EQ(Output(), kAnnaLine + "\r\n");
  EXPECT_EQ(Errors().substr(0, 6), std::to_string(result) + ";0;");
}

TEST_F(FileDriverE2ETest, WithoutAStartPacketTheStartStepIsSkipped) {
  // "E" has no write or read definition, so no start packet stands for it.
  Input("E;0001;Paper out;\r\n");
  sim().Expect(reg::kEnq).Ack().ExpectPacket("E").Ack().Expect(reg::kEot).Ack();
  sim().Start();
  EXPECT_EQ(Execute(), 0);
  Done();
  EXPECT_EQ(sim().Received(), reg::kEnq + sim().Pack("E", {"1", "Paper out"}) + reg::kEot);
  EXPECT_EQ(Errors(), "");
}

TEST_F(FileDriverE2ETest, EveryLineBindsItsOwnPacketAfterARead) {
  // After the records, the next line is read into a clean packet: the record
  // read last never decides what the line becomes.
  Input(kStartLine + "D;I;MILK;1234;A;3;\r\n");
  StartReading().EndOfData("R", kAnna).Expect(reg::kAck).Expect(reg::kCloseRead).Ack()
      .Expect(reg::kEnq).Ack().ExpectPacket("I", qzlvptStart).Ack().ExpectPacket("I").Ack()
      .Expect(reg::kEot).Ack();
  sim().Start();
  EXPECT_EQ(Execute(), 0);
  Done();
  const auto packets = sim().Packets();
  ASSERT_EQ(packets.size(), 3u);
  EXPECT_EQ(packets[2].fields, (Fields{"MILK" + std::string(14, ' '), "12.34", "A", "3"}));
  EXPECT_EQ(Output(), kAnnaLine + "\r\n");
}

}  // namespace
}  // namespace zelvani
