// The communication report: line format and texts, the file and its name, the
// save switch, appending within one second, keeping lines a failed save could
// not write, the line cap, concurrent writers and the save at unload. Every
// test runs in its own temporary current directory with a fixed report clock.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <thread>

#include "platform/com/locale.h"
#include "zelvani/devices/CommunicationReport.h"

namespace zelvani {
namespace {

namespace fs = std::filesystem;

SYSTEMTIME g_now{2024, 3, 2, 5, 14, 7, 9, 42};
void FixedNow(SYSTEMTIME* t) { *t = g_now; }

constexpr const char* kFileName = "REPORT 2024.03.05 14.07.09.TXT";
constexpr const char* kStamp = "[14:07:09.042] ";

class ReportTest : public ::testing::Test {
 protected:
  void SetUp() override {
    home_ = fs::current_path();
    dir_ = NewDir();
    fs::current_path(dir_);
    clock_ = SetReportClock(&FixedNow);
    ClearReportLines();
    SetReportSaving(true);
  }
  void TearDown() override {
    ClearReportLines();
    SetReportSaving(true);
    SetReportLineCap(kDefaultReportLineCap);
    SetReportClock(clock_);
    fs::current_path(home_);
    std::error_code ec;
    for (const fs::path& p : made_) fs::remove_all(p, ec);
  }

  fs::path NewDir() {
    std::string tmpl = (fs::temp_directory_path() / "zelvani-report-XXXXXX").string();
    EXPECT_NE(mkdtemp(tmpl.data()), nullptr);
    made_.push_back(tmpl);
    return tmpl;
  }

  static std::string ReadFile(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }

  static std::vector<std::string> FilesIn(const fs::path& dir) {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }

  fs::path home_, dir_;
  std::vector<fs::path> made_;
  ReportClock clock_ = nullptr;
};

TEST(ReportFormatTest, TimeStampAndFileName) {
  struct Row {
    SYSTEMTIME t;
    char16_t sep;
    const char* stamp;
    const char* file;
  } rows[] = {
      {{2024, 3, 2, 5, 14, 7, 9, 42}, u':', "[14:07:09.042] ", "REPORT 2024.03.05 14.07.09.TXT"},
      {{1999, 12, 5, 31, 0, 0, 0, 0}, u':', "[00:00:00.000] ", "REPORT 1999.12.31 00.00.00.TXT"},
      {{2030, 1, 0, 1, 23, 59, 59, 999}, u'.', "[23.59.59.999] ", "REPORT 2030.01.01 23.59.59.TXT"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.stamp);
    FormatSettings fs = GetFormatSettings();
    fs.TimeSeparator = r.sep;
    ScopedFormatSettings scoped(fs);
    EXPECT_EQ(ReportTimeStamp(r.t), r.stamp);
    EXPECT_EQ(ReportFileName(r.t), r.file);
  }
}

TEST(ReportFormatTest, LineTexts) {
  struct Row {
    std::optional<std::string> line;
    const char* expected;  // null: no line
  } rows[] = {
      {ReportSentLine("\x02" "A\x03@"), "PC-> '<STX>A<ETX><RVI>' : OK"},
      {ReportReceivedLine("\x06"), "PC<- '<ACK>' : OK"},
      {ReportSendErrorLine("X\x1f", 0), "PC-> 'X<#$1F>' : ERROR (LastErrorType = cetNone)"},
      {ReportSendErrorLine("X", 1), "PC-> 'X' : ERROR (LastErrorType = cetUserBreak)"},
      {ReportSendErrorLine("X", 2), "PC-> 'X' : ERROR (LastErrorType = cetTimeout)"},
      {ReportReceiveErrorLine("", 3), "PC<- '' : ERROR (LastErrorType = cetSystem)"},
      {ReportReceiveErrorLine("ab", 4), "PC<- 'ab' : ERROR (LastErrorType = cetDevice)"},
      {ReportSendErrorLine("X", 5), nullptr},
      {ReportReceiveErrorLine("X", -1), nullptr},
      {ReportPacketLine("\x02P;1\x03"), "Packet: '<STX>P;1<ETX>'"},
      {ReportResetLine("COM2"), "RESET 'COM2'"},
      {ReportHubWriteErrorLine("\x15"), "PC-> '<NAK>' : ERROR (QAVTandrel - WriteString)"},
      {ReportHubReadTimeoutLine(""), "PC<- '' : ERROR (QAVTandrel - Receive timeout)"},
      {std::string(kReportConnect), "--- Connect ---"},
      {std::string(kReportCrash), "--- Crash ---"},
  };
  for (const Row& r : rows) {
    if (!r.expected) {
      EXPECT_FALSE(r.line.has_value()) << *r.line;
    } else {
      ASSERT_TRUE(r.line.has_value()) << r.expected;
      EXPECT_EQ(*r.line, r.expected);
    }
  }
}

TEST_F(ReportTest, LinesAreStampedAndConvertedFrom852) {
  AddReportLine("--- Connect ---");
  AddReportLine("Packet: '\xA5\x86'");  // CP852 a-ogonek, c-acute
  EXPECT_EQ(ReportLines(), (std::vector<std::string>{std::string(kStamp) + "--- Connect ---",
                                                     std::string(kStamp) + "Packet: '\xB9\xE6'"}));
}

TEST_F(ReportTest, SaveWritesCrLfLinesToTheFileOfTheMomentAndEmptiesTheList) {
  EXPECT_TRUE(SaveCommunicationReport());  // nothing waiting: no file
  EXPECT_TRUE(FilesIn(dir_).empty());

  AddReportLine("one");
  AddReportLine("two");
  ASSERT_TRUE(SaveCommunicationReport());
  EXPECT_TRUE(ReportLines().empty());
  EXPECT_EQ(FilesIn(dir_), (std::vector<std::string>{kFileName}));
  EXPECT_EQ(ReadFile(dir_ / kFileName), std::string(kStamp) + "one\r\n" + kStamp + "two\r\n");

  g_now.wSecond = 10;  // a second later: a second file with only the new lines
  AddReportLine("three");
  ASSERT_TRUE(SaveCommunicationReport());
  g_now.wSecond = 9;
  EXPECT_EQ(ReadFile(dir_ / "REPORT 2024.03.05 14.07.10.TXT"), "[14:07:10.042] three\r\n");
  EXPECT_EQ(FilesIn(dir_).size(), 2u);
}

TEST_F(ReportTest, SecondSaveInTheSameSecondAppends) {
  AddReportLine("first");
  ASSERT_TRUE(SaveCommunicationReport());
  AddReportLine("second");
  ASSERT_TRUE(SaveCommunicationReport());
  EXPECT_EQ(ReadFile(dir_ / kFileName), std::string(kStamp) + "first\r\n" + kStamp + "second\r\n");
}

TEST_F(ReportTest, SavingSwitchedOffKeepsLinesForTheNextSave) {
  {
    ReportSavingSuspended listening;
    EXPECT_FALSE(ReportSaving());
    AddReportLine("during listen");
    EXPECT_TRUE(SaveCommunicationReport());
    EXPECT_TRUE(FilesIn(dir_).empty());
    EXPECT_EQ(ReportLines().size(), 1u);
  }
  EXPECT_TRUE(ReportSaving());
  ASSERT_TRUE(SaveCommunicationReport());
  EXPECT_EQ(ReadFile(dir_ / kFileName), std::string(kStamp) + "during listen\r\n");
}

TEST_F(ReportTest, UnwritableDirectoryKeepsLinesAndTheNextSaveWritesThem) {
  // The current directory disappears: no file can be made in it.
  fs::path gone = NewDir();
  fs::current_path(gone);
  fs::remove(gone);
  AddReportLine("kept");
  EXPECT_FALSE(SaveCommunicationReport());  // no exception either
  EXPECT_EQ(ReportLines().size(), 1u);

  // A name taken by a directory cannot be appended to either.
  fs::current_path(dir_);
  fs::create_directory(dir_ / kFileName);
  AddReportLine("also kept");
  EXPECT_FALSE(SaveCommunicationReport());
  EXPECT_EQ(ReportLines().size(), 2u);

  fs::remove(dir_ / kFileName);
  ASSERT_TRUE(SaveCommunicationReport());
  EXPECT_TRUE(ReportLines().empty());
  EXPECT_EQ(ReadFile(dir_ / kFileName), std::string(kStamp) + "kept\r\n" + kStamp + "also kept\r\n");
}

TEST_F(ReportTest, KeptLinesAreCappedWithAMarker) {
  SetReportLineCap(3);
  for (const char* t : {"a", "b", "c", "d", "e"}) AddReportLine(t);
  std::vector<std::string> expected{"--- 2 earlier lines dropped ---", std::string(kStamp) + "c",
                                    std::string(kStamp) + "d", std::string(kStamp) + "e"};
  EXPECT_EQ(ReportLines(), expected);
  ASSERT_TRUE(SaveCommunicationReport());
  std::string file;
  for (const auto& l : expected) file += l + "\r\n";
  EXPECT_EQ(ReadFile(dir_ / kFileName), file);

  AddReportLine("f");  // the count starts again after a save
  EXPECT_EQ(ReportLines(), (std::vector<std::string>{std::string(kStamp) + "f"}));
}

TEST_F(ReportTest, ConcurrentWritersAndSavesLoseNoLine) {
  constexpr int kThreads = 6;
  constexpr int kEach = 500;
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([t] {
      for (int i = 0; i < kEach; ++i) AddReportLine("t" + std::to_string(t) + "-" + std::to_string(i));
    });
  }
  std::thread saver([] {
    for (int i = 0; i < 50; ++i) SaveCommunicationReport();
  });
  for (auto& t : threads) t.join();
  saver.join();
  ASSERT_TRUE(SaveCommunicationReport());

  std::string text = ReadFile(dir_ / kFileName);
  std::multiset<std::string> seen;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find("\r\n", start);
    ASSERT_NE(end, std::string::npos);
    std::string line = text.substr(start, end - start);
    ASSERT_EQ(line.rfind(kStamp, 0), 0u) << line;  // whole lines, never interleaved
    seen.insert(line.substr(std::string(kStamp).size()));
    start = end + 2;
  }
  EXPECT_EQ(seen.size(), static_cast<std::size_t>(kThreads * kEach));
  for (int t = 0; t < kThreads; ++t) {
    for (int i = 0; i < kEach; i += 97) EXPECT_EQ(seen.count("t" + std::to_string(t) + "-" + std::to_string(i)), 1u);
  }
}

TEST_F(ReportTest, RealClockNamesTheFile) {
  SetReportClock(nullptr);
  AddReportLine("now");
  ASSERT_TRUE(SaveCommunicationReport());
  auto files = FilesIn(dir_);
  ASSERT_EQ(files.size(), 1u);
  EXPECT_THAT(files[0], testing::MatchesRegex(R"(REPORT [0-9]{4}\.[0-9]{2}\.[0-9]{2} [0-9]{2}\.[0-9]{2}\.[0-9]{2}\.TXT)"));
  EXPECT_THAT(ReadFile(dir_ / files[0]), testing::MatchesRegex("\\[[0-9]{2}:[0-9]{2}:[0-9]{2}\\.[0-9]{3}\\] now\r\n"));
}

TEST_F(ReportTest, LinesLeftAreSavedWhenTheLibraryUnloads) {
  GTEST_FLAG_SET(death_test_style, "fast");
  EXPECT_EXIT(
      {
        AddReportLine("--- Disconnect ---");
        std::exit(0);  // static destruction, as at the library's unload
      },
      ::testing::ExitedWithCode(0), "");
  EXPECT_EQ(ReadFile(dir_ / kFileName), std::string(kStamp) + "--- Disconnect ---\r\n");
}

}  // namespace
}  // namespace zelvani
