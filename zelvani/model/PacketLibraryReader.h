// Reading of the packet library's definitions file into the model.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zelvani {

class TQAVZLVFlows;
class TQAVZLVPacketDefs;
class TQAVZLVFrames;

// Limits that keep the memory a definitions file can claim bounded, whoever
// wrote the file. Each is far above anything a register's protocol needs; a
// file beyond one of them fails to load at the line that crosses it, with a
// "Parse error: ..." text, before anything is allocated from the value read.
//   kMaxDefinitionsFieldSize   the Size of one field definition or frame item
//                              (64 KiB): a field's text is padded to its Size.
//   kMaxDefinitionsPacketSize  the characters of one packet definition's data
//                              area, and of one frame's items besides the data
//                              (1 MiB): the data string is built at this length
//                              and packing pads each item to its Size. Negative
//                              sizes count as 0 here, since they take no room.
//   kMaxDefinitionsFileSize    the bytes of the file (64 MiB): the file is read
//                              in bounded chunks and no further than one byte
//                              past this, so a file that grows while it is read
//                              cannot grow the process.
inline constexpr long long kMaxDefinitionsFieldSize = 64 * 1024;
inline constexpr long long kMaxDefinitionsPacketSize = 1024 * 1024;
inline constexpr long long kMaxDefinitionsFileSize = 64 * 1024 * 1024;

// Reads the flow sections of the definitions file `fileName` into `flows`: a
// flow per flow header and an item per item line, added in file order. Answers
// whether the file was read. Implemented by the reader of the definitions file.
bool LoadFlowsFromFile(TQAVZLVFlows& flows, const std::string& fileName);

// Reads the packet-definition sections of `fileName` into `defs`. A missing file
// answers False and leaves the collection; otherwise the collection is cleared
// and refilled, and False stops at the first line that fails.
bool LoadPacketDefsFromFile(TQAVZLVPacketDefs& defs, const std::string& fileName);

// Reads the frame sections of `fileName` into `frames`, with the same rules.
bool LoadFramesFromFile(TQAVZLVFrames& frames, const std::string& fileName);

// Where and why a read of the definitions file stopped.
struct DefinitionsReadFailure {
  // 1-based number of the line that failed; 0 when the file has no lines (or
  // does not exist).
  int lineNumber = 0;
  // The parse error of that line ("Parse error: ..."), or the message of the
  // error that a property of a new item raised (a currency default that is no
  // number, for example).
  std::string text;
};

// The same readers, telling in `failure` (when given) why they answered False.
// The failure is left as it is when the read succeeds.
bool LoadFlowsFromFile(TQAVZLVFlows& flows, const std::string& fileName, DefinitionsReadFailure* failure);
bool LoadPacketDefsFromFile(TQAVZLVPacketDefs& defs, const std::string& fileName, DefinitionsReadFailure* failure);
bool LoadFramesFromFile(TQAVZLVFrames& frames, const std::string& fileName, DefinitionsReadFailure* failure);

// Splits 8-bit text into lines: CR LF, LF and CR each end a line; a line end at
// the very end of the text does not start another line. Bytes stay as they
// are. The lines are views into `text`.
std::vector<std::string_view> SplitDefinitionsLines(std::string_view text);

// The whole content of the file `fileName` (an ANSI name). nullopt when no such
// regular file exists (an empty name, a directory, a FIFO or a device included;
// none of them is opened in a way that could block); throws ComError with the
// file error's text when it exists but cannot be read. Reading stops one byte
// past kMaxDefinitionsFileSize: a longer text means the file is too large.
std::optional<std::string> ReadDefinitionsFile(const std::string& fileName);

}  // namespace zelvani
