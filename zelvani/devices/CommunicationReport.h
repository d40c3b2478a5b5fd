// The communication report: a diagnostic log of what the devices send and
// receive. Lines collect in one list for the whole process, shared by every
// device, and go to a text file named after the moment of saving
// ("REPORT yyyy.mm.dd hh.nn.ss.TXT" in the current directory) after each
// transfer error and when the library is unloaded.
//
// Texts are 8-bit (Windows-1250 in memory). The list is guarded, so devices on
// any thread may add lines. Saving never throws: a file that cannot be written
// leaves the lines in the list for the next save.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/com/variant.h"  // SYSTEMTIME

namespace zelvani {

// ---------------------------------------------------------------------------
// Texts of the report lines. D below is a data string, written through
// ControlCharsToText by the helpers.

inline constexpr std::string_view kReportConnect = "--- Connect ---";
inline constexpr std::string_view kReportDisconnect = "--- Disconnect ---";
inline constexpr std::string_view kReportAbort = "--- Abort ---";
inline constexpr std::string_view kReportModeSwitch = "--- ModeSwitch ---";
inline constexpr std::string_view kReportWritePacket = "--- WritePacket ---";
inline constexpr std::string_view kReportReadPacket = "--- ReadPacket ---";
inline constexpr std::string_view kReportSendACK = "--- SendACK ---";
inline constexpr std::string_view kReportSendNAK = "--- SendNAK ---";
inline constexpr std::string_view kReportListen = "--- Listen ---";
inline constexpr std::string_view kReportCrash = "--- Crash ---";

// The error type of a serial transfer, as the port component reports it:
// cetNone 0, cetUserBreak 1, cetTimeout 2, cetSystem 3, cetDevice 4.
// The tail of a failed transfer's line, "' : ERROR (LastErrorType = cetXxx)";
// none for a type outside these five.
std::optional<std::string_view> ReportErrorTail(int errorType);

// "PC-> 'D' : OK", a string sent.
std::string ReportSentLine(std::string_view data);
// "PC<- 'D' : OK", a string received.
std::string ReportReceivedLine(std::string_view data);
// "PC-> 'D" + the error tail: a failed serial write; none for an unknown type.
std::optional<std::string> ReportSendErrorLine(std::string_view data, int errorType);
// "PC<- 'D" + the error tail: a failed serial read, D what was read before the
// failure; none for an unknown type.
std::optional<std::string> ReportReceiveErrorLine(std::string_view data, int errorType);
// "Packet: 'D'", the whole of a received packet.
std::string ReportPacketLine(std::string_view packet);
// "RESET 'Port'", the port name as it is.
std::string ReportResetLine(std::string_view port);
// "PC-> 'D' : ERROR (QAVTandrel - WriteString)", a failed write of the hub device.
std::string ReportHubWriteErrorLine(std::string_view data);
// "PC<- 'D' : ERROR (QAVTandrel - Receive timeout)", a hub read that got nothing.
std::string ReportHubReadTimeoutLine(std::string_view data);

// ---------------------------------------------------------------------------
// The report list

// Appends "[hh:nn:ss.zzz] " (the time of day, ":" being the locale's time
// separator) and TEXT with its national letters converted from code page 852
// to Windows-1250. Lines are added whatever the save switch says.
void AddReportLine(std::string_view text);

// When saving is on and lines are waiting, appends them, each ended by CR LF,
// to the file named after the current moment (a second save within the same
// second adds to the first one's file) and empties the list. A file that
// cannot be written leaves the lines in the list, to be written by the next
// save. Never throws. False when a write failed.
bool SaveCommunicationReport() noexcept;

// The process-wide save switch, initially on. It governs only saving.
bool ReportSaving();
void SetReportSaving(bool on);

// Turns saving off for its lifetime and restores the previous state (Listen
// connects this way).
class ReportSavingSuspended {
 public:
  ReportSavingSuspended();
  ~ReportSavingSuspended();
  ReportSavingSuspended(const ReportSavingSuspended&) = delete;
  ReportSavingSuspended& operator=(const ReportSavingSuspended&) = delete;

 private:
  bool saved_;
};

// A copy of the waiting lines, oldest first.
std::vector<std::string> ReportLines();
// Drops the waiting lines without writing them.
void ClearReportLines();

// The list keeps at most this many lines: past it the oldest are dropped and
// the file starts with a line saying how many ("--- N earlier lines dropped
// ---"), so a report that cannot be written for a long time stays bounded.
inline constexpr std::size_t kDefaultReportLineCap = 100000;
// Sets the cap (at least 1), trimming at once; returns the previous cap.
std::size_t SetReportLineCap(std::size_t cap);

// ---------------------------------------------------------------------------
// Formats and the clock

// "[hh:nn:ss.zzz] " with the locale's time separator.
std::string ReportTimeStamp(const SYSTEMTIME& t);
// "REPORT yyyy.mm.dd hh.nn.ss.TXT".
std::string ReportFileName(const SYSTEMTIME& t);

// The clock of the report's stamps and file names, GetLocalTime unless a test
// replaces it. Returns the previous clock; null restores GetLocalTime.
using ReportClock = void (*)(SYSTEMTIME*);
ReportClock SetReportClock(ReportClock clock);

}  // namespace zelvani
