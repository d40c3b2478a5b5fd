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
// file exists (a directory or an empty name included); throws ComError with the
// file error's text when it exists but cannot be read.
std::optional<std::string> ReadDefinitionsFile(const std::string& fileName);

}  // namespace zelvani
