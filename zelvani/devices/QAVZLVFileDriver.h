// The batch file driver: one call of Execute sends a whole text file of packets
// to the register through a serial device of its own and writes the register's
// answers to an output file; every failure becomes a line of an error file.
//
// Each input line is one packet, in the delimited form ("D;I;COFFEE;1250;A;7;")
// or positional (the data string). A start packet connects, is sent and is
// followed by the register's records, which go to the output file; any other
// packet connects and sends a start packet first when its identifier differs
// from the previous line's. The run stops at the first line that fails; the
// error file then tells which line failed and why, in lines "code;line;text".
// A line's numbers reach the register as the line gives them or not at all:
// an amount that is no amount, or a number too wide for its field, refuses
// the line before anything of it is sent.
//
// Nothing is lost silently and nothing hangs the host: the three files must be
// regular files (a FIFO or a device is refused before it is opened) and three
// different files (compared by what they are, not by how they are spelt, and
// by what is open, so that a name replaced by a link while the run goes on
// never leads a write to the input; nothing is emptied before that check), the
// input is read a line at a time as the run goes, a failed write of the output
// is a failure, the reading of records ends on every way a register can stop
// answering, and each run closes its output and starts with empty lists.
#pragma once

#include <cstdio>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/com/regularfile.h"
#include "zelvani/model/PacketLibraryReader.h"
#include "zelvani/model/ZelvaniServer.h"

namespace zelvani {

class TQAVZLVFileDriver : public ZelvaniObject<IQAVZLVFileDriver> {
 public:
  // The defaults; a protocol object and a serial device made by their class
  // identifiers, the device's Protocol set to the protocol object.
  TQAVZLVFileDriver();
  // Closes an output file left open by a failed run.
  ~TQAVZLVFileDriver() override;

  // The driver's messages, "code;text".
  static constexpr std::string_view kTextCannotBeFormatted = "3;Text cannot be formatted into packet.";
  static constexpr std::string_view kTimeout = "101;Timeout.";
  static constexpr std::string_view kCannotWritePacket = "100;Cannot write packet.";
  static constexpr std::string_view kCannotReadPacket = "100;Cannot read packet.";
  static constexpr std::string_view kCannotWritePacketData = "100;Cannot write packet data.";
  static constexpr std::string_view kRviReceived = "103;RVI received.";
  static constexpr std::string_view kConnectionFailure = "1;Connection failure.";
  static constexpr std::string_view kFileNotFound = "1;File not found.";
  static constexpr std::string_view kCannotReadFile = "1;Cannot read input file.";
  static constexpr std::string_view kSameFiles = "100;Input, output and error files must be different files.";

  // Reading records ends after this many refused reads in a row.
  static constexpr int kMaxRefusedReads = 5;
  // The longest input line that is turned into a packet: four times the
  // largest data area a packet library may define, far beyond any delimited
  // form of a packet. A longer line is refused as text that makes no packet,
  // without being held whole.
  static constexpr std::size_t kMaxLineLength = 4 * kMaxDefinitionsPacketSize;

  // ---- IQAVZLVFileDriver
  HRESULT get_InputFile(BSTR* result) override;
  HRESULT put_InputFile(BSTR value) override;
  HRESULT get_OutputFile(BSTR* result) override;
  HRESULT put_OutputFile(BSTR value) override;
  HRESULT get_ErrorFile(BSTR* result) override;
  HRESULT put_ErrorFile(BSTR value) override;
  HRESULT get_PortName(BSTR* result) override;
  HRESULT put_PortName(BSTR value) override;
  HRESULT get_PortParams(BSTR* result) override;
  HRESULT put_PortParams(BSTR value) override;
  HRESULT get_InputFormat(LONG* result) override;
  HRESULT put_InputFormat(LONG value) override;
  HRESULT get_OutputFormat(LONG* result) override;
  HRESULT put_OutputFormat(LONG value) override;
  HRESULT get_Timeout(LONG* result) override;
  HRESULT put_Timeout(LONG value) override;
  HRESULT get_MaxWackCount(LONG* result) override;
  HRESULT put_MaxWackCount(LONG value) override;
  HRESULT get_DataPath(BSTR* result) override;
  HRESULT put_DataPath(BSTR value) override;
  HRESULT get_StartLine(LONG* result) override;
  HRESULT put_StartLine(LONG value) override;
  HRESULT get_SeparatorChar(BSTR* result) override;
  HRESULT put_SeparatorChar(BSTR value) override;
  HRESULT get_BracketOpen(BSTR* result) override;
  HRESULT put_BracketOpen(BSTR value) override;
  HRESULT get_BracketClose(BSTR* result) override;
  HRESULT put_BracketClose(BSTR value) override;
  HRESULT get_BracketMode(LONG* result) override;
  HRESULT put_BracketMode(LONG value) override;
  HRESULT get_NewLineChar(BSTR* result) override;
  HRESULT put_NewLineChar(BSTR value) override;
  HRESULT Execute(LONG* result) override;
  HRESULT get_PacketsSent(LONG* result) override;
  HRESULT get_PacketsReceived(LONG* result) override;
  HRESULT get_ReceiveCache(VARIANT_BOOL* result) override;
  HRESULT put_ReceiveCache(VARIANT_BOOL value) override;
  HRESULT get_PacketDefFile(BSTR* result) override;
  HRESULT put_PacketDefFile(BSTR value) override;
  HRESULT get_Statistics(IQAVZLVDeviceStatistics** result) override;

  // ---- C++ access (texts are 8-bit, Windows-1250)
  IQAVZLVDevice* Device() const { return device_.Get(); }
  IQAVZLVProtocol* Protocol() const { return protocol_.Get(); }
  // The packet made when the library was loaded; null before, or when the
  // library has no packet for it.
  IQAVZLVPacket* WorkingPacket() const { return workingPacket_.Get(); }
  // The three paths of a run: DataPath (with a "/" added when it has none at
  // its end) followed by the file name; the name alone when DataPath is empty.
  std::string InputPath() const { return PathOf(inputFile_); }
  std::string OutputPath() const { return PathOf(outputFile_); }
  std::string ErrorPath() const { return PathOf(errorFile_); }

  // The whole run; the result of Execute.
  LONG Run();

 private:
  std::string PathOf(const std::string& name) const;

  // Adds the error line of MESSAGE ("code;text") for the current line index;
  // returns the code (-1 when the message has none).
  LONG AddError(std::string_view message);
  // Whether ID is one of the files of the running run (runFiles_).
  bool IsRunFile(const com::RegularFile::Identity& id) const;
  // Writes the error lines to the error file; false when it could not be
  // written or is one of the run's files.
  bool WriteErrorFile(const std::string& path) const;
  // Closes the output file; false when its last data could not be written.
  bool CloseOutput();

  LONG ProcessLine(const std::string& line);
  // A clean packet filled from LINE; null when the line makes none.
  ComPtr<IQAVZLVPacket> FillPacket(const std::string& line) const;
  // A packet of the library bound from identifier and type together, filled
  // from LINE with OPTIONS; null when it cannot be bound, has no frame, or the
  // line does not fill it.
  ComPtr<IQAVZLVPacket> FillDelimited(const std::string& line, const std::string& id, LONG type,
                                      LONG options) const;
  // Makes the line's numbers what the register gets and checks them: each
  // amount read as the engine reads an amount (ReadCurrency: no grouping) and
  // scaled as its field's conversions say (the line gives it in hundredths or
  // thousandths), then each integer and amount asked of its field definition
  // whether it fits. False when an amount is no number or a number does not
  // fit its field: the packet would cut it to another number.
  bool ReadNumbers(IQAVZLVPacket* packet) const;
  LONG SendPacket(IQAVZLVPacket* packet);
  LONG ReceiveAll(IQAVZLVPacket* packet);
  std::string OutputLine(IQAVZLVPacket* packet) const;
  // Writes the packet's output line with CR LF, flushed when FLUSH; false when
  // the write or the flush failed.
  bool WriteOutput(IQAVZLVPacket* packet, bool flush);

  bool DeviceConnect();
  bool DeviceDisconnect();
  bool DeviceModeSwitch();

  // Properties.
  std::string inputFile_ = "data_in.txt";
  std::string outputFile_ = "data_out.txt";
  std::string errorFile_ = "error.txt";
  std::string portName_ = "COM1";
  std::string portParams_ = "Speed=9600;Parity=N;DataBits=8;StopBits=1";
  LONG inputFormat_ = qzlvftDelimited;
  LONG outputFormat_ = qzlvftDelimited;
  LONG timeout_ = 10000;
  LONG maxWackCount_ = 50;
  std::string dataPath_;
  LONG startLine_ = 0;
  std::string separatorChar_ = ";";
  std::string bracketOpen_ = "[";
  std::string bracketClose_ = "]";
  LONG bracketMode_ = 0;
  std::string newLineChar_ = "\r";
  bool receiveCache_ = false;
  std::string packetDefFile_;

  // State.
  ComPtr<IQAVZLVProtocol> protocol_;
  ComPtr<IQAVZLVDevice> device_;
  ComPtr<IQAVZLVPacket> workingPacket_;
  std::vector<std::string> errorLines_;
  std::FILE* output_ = nullptr;
  // The input and the output of the running run, by what is open: the files
  // that no file it opens later for writing may be.
  std::vector<com::RegularFile::Identity> runFiles_;
  std::optional<std::string> previousId_;  // none: the next packet's identifier is new
  LONG lineIndex_ = 0;
};

}  // namespace zelvani
