// The batch driver without a register: its properties and defaults, the paths,
// and every way a run ends before a packet reaches the line: a missing or
// unreadable input, an unwritable output, files that are FIFOs or devices, the
// same file twice (also under another name, also when names are swapped for
// links to the input while runs go on), no library, and lines that make
// no packet (checked whole before the device is used: a line that does make
// one fails on the port, which no register holds, with "Connection failure.").
#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <optional>
#include <thread>

#include "tests/platform/BoundedCall.h"
#include "tests/zelvani/devices/RegisterSimulator.h"
#include "zelvani/devices/QAVZLVFileDriver.h"

namespace zelvani {
namespace {

namespace fs = std::filesystem;

Bstr B(std::string_view ansi) { return Bstr::Attach(AnsiToBstr(ansi)); }

std::string ReadAll(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// The highest memory the process has held since the last Reset, in KiB, where
// the system tells it.
class PeakMemory {
 public:
  static bool Reset() { return static_cast<bool>(std::ofstream("/proc/self/clear_refs") << "5" << std::flush); }
  static long KiB() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
      if (line.rfind("VmHWM:", 0) == 0) return std::stol(line.substr(6));
    }
    return -1;
  }
};

class FileDriverTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "filedriver-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
    driver_ = com::MakeObject<TQAVZLVFileDriver>();
  }
  void TearDown() override {
    driver_ = nullptr;
    std::error_code ignored;
    fs::permissions(dir_, fs::perms::owner_all, ignored);
    fs::remove_all(dir_, ignored);
  }
  // The simulator's library, the folder of this test, and a port no register
  // holds.
  void Ready() {
    ASSERT_EQ(driver_->put_PacketDefFile(B(RegisterSimulator::DefaultLibrary()).Get()), S_OK);
    ASSERT_EQ(driver_->put_DataPath(B(dir_.string()).Get()), S_OK);
    ASSERT_EQ(driver_->put_PortName(B("COM99").Get()), S_OK);
  }
  void Input(const std::string& text) { std::ofstream(dir_ / "data_in.txt", std::ios::binary) << text; }
  LONG Execute() {
    LONG r = -12345;
    EXPECT_EQ(driver_->Execute(&r), S_OK);
    return r;
  }
  std::string Errors() { return ReadAll(dir_ / "error.txt"); }

  ScopedTestRegistry registry_;
  fs::path dir_;
  ComPtr<TQAVZLVFileDriver> driver_;
};

TEST_F(FileDriverTest, PropertiesAndDefaults) {
  struct Text {
    const char* name;
    HRESULT (IQAVZLVFileDriver::*get)(BSTR*);
    HRESULT (IQAVZLVFileDriver::*put)(BSTR);
    const char* initial;
  } texts[] = {
      {"InputFile", &IQAVZLVFileDriver::get_InputFile, &IQAVZLVFileDriver::put_InputFile, "data_in.txt"},
      {"OutputFile", &IQAVZLVFileDriver::get_OutputFile, &IQAVZLVFileDriver::put_OutputFile, "data_out.txt"},
      {"ErrorFile", &IQAVZLVFileDriver::get_ErrorFile, &IQAVZLVFileDriver::put_ErrorFile, "error.txt"},
      {"PortName", &IQAVZLVFileDriver::get_PortName, &IQAVZLVFileDriver::put_PortName, "COM1"},
      {"PortParams", &IQAVZLVFileDriver::get_PortParams, &IQAVZLVFileDriver::put_PortParams,
       "Speed=9600;Parity=N;DataBits=8;StopBits=1"},
      {"DataPath", &IQAVZLVFileDriver::get_DataPath, &IQAVZLVFileDriver::put_DataPath, ""},
      {"SeparatorChar", &IQAVZLVFileDriver::get_SeparatorChar, &IQAVZLVFileDriver::put_SeparatorChar, ";"},
      {"BracketOpen", &IQAVZLVFileDriver::get_BracketOpen, &IQAVZLVFileDriver::put_BracketOpen, "["},
      {"BracketClose", &IQAVZLVFileDriver::get_BracketClose, &IQAVZLVFileDriver::put_BracketClose, "]"},
      {"NewLineChar", &IQAVZLVFileDriver::get_NewLineChar, &IQAVZLVFileDriver::put_NewLineChar, "\r"},
      {"PacketDefFile", &IQAVZLVFileDriver::get_PacketDefFile, &IQAVZLVFileDriver::put_PacketDefFile, ""},
  };
  IQAVZLVFileDriver* d = driver_.Get();
  for (const Text& t : texts) {
    Bstr v;
    ASSERT_EQ((d->*t.get)(v.Out()), S_OK) << t.name;
    EXPECT_EQ(BstrToAnsi(v.Get()), t.initial) << t.name;
    ASSERT_EQ((d->*t.put)(B(Utf8ToAnsi("zażółć")).Get()), S_OK) << t.name;
    Bstr back;
    (d->*t.get)(back.Out());
    EXPECT_EQ(WideToUtf8(back.View()), "zażółć") << t.name;
  }
  struct Number {
    const char* name;
    HRESULT (IQAVZLVFileDriver::*get)(LONG*);
    HRESULT (IQAVZLVFileDriver::*put)(LONG);
    LONG initial;
  } numbers[] = {
      {"InputFormat", &IQAVZLVFileDriver::get_InputFormat, &IQAVZLVFileDriver::put_InputFormat, qzlvftDelimited},
      {"OutputFormat", &IQAVZLVFileDriver::get_OutputFormat, &IQAVZLVFileDriver::put_OutputFormat, qzlvftDelimited},
      {"Timeout", &IQAVZLVFileDriver::get_Timeout, &IQAVZLVFileDriver::put_Timeout, 10000},
      {"MaxWackCount", &IQAVZLVFileDriver::get_MaxWackCount, &IQAVZLVFileDriver::put_MaxWackCount, 50},
      {"StartLine", &IQAVZLVFileDriver::get_StartLine, &IQAVZLVFileDriver::put_StartLine, 0},
      {"BracketMode", &IQAVZLVFileDriver::get_BracketMode, &IQAVZLVFileDriver::put_BracketMode, 0},
  };
  for (const Number& n : numbers) {
    LONG v = -1;
    ASSERT_EQ((d->*n.get)(&v), S_OK) << n.name;
    EXPECT_EQ(v, n.initial) << n.name;
    (d->*n.put)(7);
    (d->*n.get)(&v);
    EXPECT_EQ(v, 7) << n.name;
  }
  VARIANT_BOOL cache = VARIANT_TRUE;
  d->get_ReceiveCache(&cache);
  EXPECT_EQ(cache, VARIANT_FALSE);
  // The statistics are the device's own object.
  ComPtr<IQAVZLVDeviceStatistics> mine, devices;
  d->get_Statistics(mine.Out());
  driver_->Device()->get_Statistics(devices.Out());
  EXPECT_EQ(mine.Get(), devices.Get());
  LONG sent = -1, received = -1;
  d->get_PacketsSent(&sent);
  d->get_PacketsReceived(&received);
  EXPECT_EQ(sent, 0);
  EXPECT_EQ(received, 0);
}

TEST_F(FileDriverTest, PathsWithAndWithoutTrailingSeparator) {
  struct Row {
    const char* dataPath;
    const char* input;
  } rows[] = {
      {"/data/ecr", "/data/ecr/data_in.txt"},
      {"/data/ecr/", "/data/ecr/data_in.txt"},
      {"", "data_in.txt"},  // the names as they stand
  };
  for (const Row& row : rows) {
    driver_->put_DataPath(B(row.dataPath).Get());
    EXPECT_EQ(driver_->InputPath(), row.input) << row.dataPath;
  }
  driver_->put_DataPath(B("/data/ecr").Get());
  EXPECT_EQ(driver_->OutputPath(), "/data/ecr/data_out.txt");
  EXPECT_EQ(driver_->ErrorPath(), "/data/ecr/error.txt");
}

TEST_F(FileDriverTest, FilesThatStopTheRunBeforeTheFirstLine) {
  Ready();
  // No input file.
  EXPECT_EQ(Execute(), 1);
  EXPECT_EQ(Errors(), "1;0;File not found.\r\n");
  EXPECT_FALSE(fs::exists(dir_ / "data_out.txt"));
  // An input that cannot be read.
  fs::create_directory(dir_ / "data_in.txt");
  EXPECT_EQ(Execute(), 1);
  EXPECT_EQ(Errors(), "1;0;Cannot read input file.\r\n");
  fs::remove(dir_ / "data_in.txt");
  // An output folder that cannot be written.
  Input("D;I;COFFEE;1250;A;7;\r\n");
  driver_->put_OutputFile(B("missing/data_out.txt").Get());
  EXPECT_EQ(Execute(), 100);
  EXPECT_EQ(Errors(), "100;0;Cannot write packet data.\r\n");
}

TEST_F(FileDriverTest, AnErrorFileThatCannotBeWrittenIsNoSuccess) {
  Ready();
  Input("bad\r\n");
  driver_->put_StartLine(1);  // nothing to process: a success, but for the error file
  EXPECT_EQ(Execute(), 0);
  driver_->put_ErrorFile(B("missing/error.txt").Get());
  EXPECT_EQ(Execute(), 100);
}

TEST_F(FileDriverTest, TheSameFileTwiceIsRefusedAndTheInputKept) {
  Ready();
  const std::string input = "D;I;COFFEE;1250;A;7;\r\n";
  Input(input);
  struct Row {
    const char* output;
    const char* error;
    const char* errorFileRead;  // where the error line can be read
  } rows[] = {
      {"data_in.txt", "error.txt", "error.txt"},
      {"./data_in.txt", "error.txt", "error.txt"},  // the same file by another name
      {"data_out.txt", "data_in.txt", nullptr},     // an error file would destroy the input
      {"data_out.txt", "data_out.txt", "data_out.txt"},
  };
  for (const Row& row : rows) {
    fs::remove(dir_ / "error.txt");
    driver_->put_OutputFile(B(row.output).Get());
    driver_->put_ErrorFile(B(row.error).Get());
    EXPECT_EQ(Execute(), 100) << row.output << " " << row.error;
    EXPECT_EQ(ReadAll(dir_ / "data_in.txt"), input) << row.output << " " << row.error;
    if (row.errorFileRead) {
      EXPECT_EQ(ReadAll(dir_ / row.errorFileRead), "100;0;Input, output and error files must be different files.\r\n");
    }
  }
}

// Through a hard or a symbolic link, or a link to a file that the run would
// create, one file can stand under two names: each is refused as the same name
// twice would be, before any file is opened for writing.
TEST_F(FileDriverTest, TheSameFileUnderAnotherNameIsRefused) {
  Ready();
  const std::string input = "D;I;COFFEE;1250;A;7;\r\n";
  const fs::path in = dir_ / "data_in.txt", out = dir_ / "data_out.txt", err = dir_ / "error.txt";
  const std::string refused = "100;0;Input, output and error files must be different files.\r\n";
  struct Row {
    const char* name;
    std::function<void()> make;
    LONG result;
    bool errorFileHoldsTheLine;  // else the error file is the input, left as it was
  } rows[] = {
      {"output hard-linked to the input", [&] { fs::create_hard_link(in, out); }, 100, true},
      {"output a symbolic link to the input", [&] { fs::create_symlink("data_in.txt", out); }, 100, true},
      {"error file hard-linked to the input", [&] { fs::create_hard_link(in, err); }, 100, false},
      {"error file a dangling symbolic link to the output",
       [&] { fs::create_symlink("data_out.txt", err); }, 100, true},
      {"error file a chain of links ending at the output",
       [&] {
         fs::create_symlink(out, dir_ / "hop");
         fs::create_symlink("hop", err);
       },
       100, true},
      {"output hard-linked as the error file",
       [&] {
         std::ofstream(out) << "old";
         fs::create_hard_link(out, err);
       },
       100, true},
      // A link to another file that does not exist yet is no clash.
      {"error file a dangling symbolic link elsewhere", [&] { fs::create_symlink("other.txt", err); }, 1, false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    for (const char* name : {"data_out.txt", "error.txt", "hop", "other.txt"}) fs::remove(dir_ / name);
    Input(input);
    row.make();
    EXPECT_EQ(Execute(), row.result);
    EXPECT_EQ(ReadAll(in), input);
    if (row.errorFileHoldsTheLine) {
      EXPECT_EQ(ReadAll(err), refused);
    }
  }
}

// However the names of the output and the error file change while runs go on,
// no run truncates or writes the input: a thread keeps replacing each of them
// by a file of its own and by a link to the input, for a few dozen runs.
TEST_F(FileDriverTest, NamesSwappedForLinksToTheInputDuringRunsNeverReachIt) {
  Ready();
  std::string input;
  for (int i = 0; i < 50; ++i) input += "D;I;TEA;12,5;B;12;\r\n";  // refused at once: no port is needed
  Input(input);
  std::atomic<bool> stop{false};
  std::thread swapper([&] {
    std::error_code ignored;
    while (!stop) {
      for (const char* name : {"data_out.txt", "error.txt"}) {
        fs::create_symlink("data_in.txt", dir_ / "link", ignored);
        fs::rename(dir_ / "link", dir_ / name, ignored);
        std::ofstream(dir_ / "plain") << "plain";
        fs::rename(dir_ / "plain", dir_ / name, ignored);
      }
    }
  });
  for (int run = 0; run < 60; ++run) {
    EXPECT_NE(Execute(), 0) << "run " << run;
    ASSERT_TRUE(ReadAll(dir_ / "data_in.txt") == input) << "run " << run << " changed the input";
  }
  stop = true;
  swapper.join();
}

// A FIFO or a device under a file's name: refused without opening it, so
// that a run neither waits for the other end of a FIFO nor reads a stream
// that never ends, and nothing is written to it.
TEST_F(FileDriverTest, FilesThatAreNoRegularFilesAreRefusedWithoutBlocking) {
  Ready();
  const fs::path in = dir_ / "data_in.txt", out = dir_ / "data_out.txt", err = dir_ / "error.txt";
  enum Kind { kFifo, kEndlessFifo, kDevice };
  struct Row {
    const char* name;
    fs::path special;
    Kind kind;
    LONG result;
    const char* errors;  // the error file's text; null when it is the special one
  } rows[] = {
      {"input: a FIFO nobody writes", in, kFifo, 1, "1;0;Cannot read input file.\r\n"},
      {"input: a FIFO whose writer never stops", in, kEndlessFifo, 1, "1;0;Cannot read input file.\r\n"},
      {"input: a device", in, kDevice, 1, "1;0;Cannot read input file.\r\n"},
      {"output: a FIFO nobody reads", out, kFifo, 100, "100;0;Cannot write packet data.\r\n"},
      {"output: a device", out, kDevice, 100, "100;0;Cannot write packet data.\r\n"},
      {"error file: a FIFO nobody reads", err, kFifo, 100, nullptr},
      {"error file: a device", err, kDevice, 100, nullptr},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    for (const fs::path& p : {in, out, err}) fs::remove(p);
    if (row.special != in) Input("D;I;COFFEE;1250;A;7;\r\n");
    std::optional<bounded_call::Fifo> fifo;
    if (row.kind == kDevice) {
      fs::create_symlink("/dev/null", row.special);
    } else {
      fifo.emplace(row.special);
      if (row.kind == kEndlessFifo) fifo->StartWriting();
    }
    LONG result = -1;
    bounded_call::WithinBound([&] { result = Execute(); }, [&] {
      if (fifo) fifo->Unblock();
    });
    EXPECT_EQ(result, row.result);
    if (row.errors) {
      EXPECT_EQ(Errors(), row.errors);
    }
    // The output is not made when the run cannot go on.
    if (row.special != out) {
      EXPECT_FALSE(fs::exists(out));
    }
  }
}

TEST_F(FileDriverTest, APacketLibraryThatIsAFifoIsRefusedWithoutBlocking) {
  bounded_call::Fifo fifo(dir_ / "planted.pkd");
  HRESULT hr = E_FAIL;
  bounded_call::WithinBound([&] { hr = driver_->put_PacketDefFile(B((dir_ / "planted.pkd").string()).Get()); },
              [&] { fifo.Unblock(); });
  EXPECT_EQ(hr, S_OK);
  EXPECT_EQ(driver_->WorkingPacket(), nullptr);
}

// The input is read a line at a time: lines before StartLine are passed over
// without being kept, and a line longer than any packet can be is refused
// without being kept whole.
TEST_F(FileDriverTest, TheInputIsReadAsItGoes) {
  Ready();
  // One line of 64 MiB of zero bytes, without a line end (a sparse file).
  const fs::path in = dir_ / "data_in.txt";
  std::ofstream(in).close();
  fs::resize_file(in, std::uintmax_t{64} << 20);
  if (!PeakMemory::Reset() || PeakMemory::KiB() < 0) GTEST_SKIP() << "the peak of memory cannot be measured";
  struct Row {
    LONG startLine;
    LONG result;
    const char* errors;
  } rows[] = {
      {1, 0, ""},  // passed over: no line processed
      {0, 3, "3;0;Text cannot be formatted into packet.\r\n"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.startLine);
    driver_->put_StartLine(row.startLine);
    ASSERT_TRUE(PeakMemory::Reset());
    const long before = PeakMemory::KiB();
    EXPECT_EQ(Execute(), row.result);
    EXPECT_LT(PeakMemory::KiB() - before, 32 * 1024);
    EXPECT_EQ(Errors(), row.errors);
  }
}

TEST_F(FileDriverTest, WithoutALibraryEveryLineFailsWithItsIndex) {
  driver_->put_DataPath(B(dir_.string()).Get());
  driver_->put_PortName(B("COM99").Get());
  Input("D;I;COFFEE;1250;A;7;\r\nD;I;TEA;990;A;1;\r\n");
  driver_->put_StartLine(1);
  EXPECT_EQ(Execute(), 3);
  EXPECT_EQ(Errors(), "3;1;Text cannot be formatted into packet.\r\n");
  EXPECT_EQ(ReadAll(dir_ / "data_out.txt"), "");
}

// Each line alone: 3 when it makes no packet, else the port's failure.
TEST_F(FileDriverTest, LinesThatMakeNoPacket) {
  Ready();
  struct Row {
    const char* line;
    const char* error;
  } rows[] = {
      {"", "3;0;Text cannot be formatted into packet."},
      {"no separators here", "3;0;Text cannot be formatted into packet."},
      {"X;Q;COFFEE;1250;A;7;", "3;0;Text cannot be formatted into packet."},  // unknown kind and identifier
      {"D;Q;COFFEE;1250;A;7;", "3;0;Text cannot be formatted into packet."},  // unknown identifier
      {"D;I;COFFEE;1250;A;1234567;", "3;0;Text cannot be formatted into packet."},         // longer than 6
      {"D;I;COFFEE;12x;A;7;", "3;0;Text cannot be formatted into packet."},                // no amount
      {"D;I;COFFEE;1250;A;7;", "1;0;Connection failure."},
      {"D;I;EIGHTEEN CHARS....;1250;A;7;", "1;0;Connection failure."},  // exactly 18
      {"D;I;A NAME OF NINETEEN C;1250;A;7;", "1;0;Connection failure."},  // a text is cut to its 18
      {"I;COFFEE;1250;A;7;", "1;0;Connection failure."},                // no kind: the second reading
      {"E;0001;Paper out;", "1;0;Connection failure."},                 // "E" is the identifier here
      {"S;I;1;;;", "1;0;Connection failure."},
  };
  for (const Row& row : rows) {
    Input(std::string(row.line) + "\r\n");
    const LONG expected = row.error[0] == '3' ? 3 : 1;
    EXPECT_EQ(Execute(), expected) << row.line;
    EXPECT_EQ(Errors(), std::string(row.error) + "\r\n") << row.line;
  }
}

TEST_F(FileDriverTest, LineEndsAndStartLine) {
  Ready();
  // Line 1 is the only good one; a line end of two characters counted twice
  // would make it an empty line.
  struct Row {
    const char* text;
    LONG startLine;
    const char* error;
  } rows[] = {
      {"bad\r\nD;I;COFFEE;1250;A;7;\r\nbad\r\n", 1, "1;1;Connection failure."},
      {"bad\nD;I;COFFEE;1250;A;7;\nbad\n", 1, "1;1;Connection failure."},
      {"bad\rD;I;COFFEE;1250;A;7;\rbad", 1, "1;1;Connection failure."},
      {"bad\r\nD;I;COFFEE;1250;A;7;\r\nbad", 2, "3;2;Text cannot be formatted into packet."},
      {"bad\r\n\r\nD;I;COFFEE;1250;A;7;\r\n", 1, "3;1;Text cannot be formatted into packet."},  // an empty line
      {"bad\r\nbad\r\n", -4, "3;0;Text cannot be formatted into packet."},
  };
  for (const Row& row : rows) {
    Input(row.text);
    driver_->put_StartLine(row.startLine);
    Execute();
    EXPECT_EQ(Errors(), std::string(row.error) + "\r\n") << row.text;
  }
}

TEST_F(FileDriverTest, EachRunStartsCleanAndClosesItsOutput) {
  Ready();
  Input("bad\r\nbad\r\n");
  EXPECT_EQ(Execute(), 3);
  EXPECT_EQ(Errors(), "3;0;Text cannot be formatted into packet.\r\n");
  // No line processed: no error line, nothing of the previous run.
  driver_->put_StartLine(2);
  EXPECT_EQ(Execute(), 0);
  EXPECT_EQ(Errors(), "");
  // The output was closed: it can be removed and the run makes it anew.
  fs::remove(dir_ / "data_out.txt");
  EXPECT_EQ(Execute(), 0);
  EXPECT_TRUE(fs::exists(dir_ / "data_out.txt"));
  // An index before the first line is the one the previous run left.
  driver_->put_StartLine(1);
  EXPECT_EQ(Execute(), 3);
  EXPECT_EQ(Errors(), "3;1;Text cannot be formatted into packet.\r\n");
  fs::remove(dir_ / "data_in.txt");
  EXPECT_EQ(Execute(), 1);
  EXPECT_EQ(Errors(), "1;1;File not found.\r\n");
}

TEST_F(FileDriverTest, ThroughDispatch) {
  Ready();
  Input("bad\r\n");
  IDispatch* d = driver_.Get();
  LPOLESTR name = const_cast<LPOLESTR>(u"Execute");
  DISPID id = 0;
  ASSERT_EQ(d->GetIDsOfNames(GUID_NULL, &name, 1, 0, &id), S_OK);
  EXPECT_EQ(id, 17);
  DISPPARAMS none{};
  Variant result;
  ASSERT_EQ(d->Invoke(id, GUID_NULL, 0, DISPATCH_METHOD, &none, &result, nullptr, nullptr), S_OK);
  EXPECT_EQ(result.As(VT_I4).lVal, 3);
}

}  // namespace
}  // namespace zelvani
