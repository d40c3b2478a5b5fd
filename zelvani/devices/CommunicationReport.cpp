#include "zelvani/devices/CommunicationReport.h"

#include <array>
#include <atomic>
#include <cstdio>
#include <deque>
#include <mutex>

#include "platform/com/ansi.h"
#include "platform/com/locale.h"
#include "platform/win/clock.h"
#include "zelvani/model/TextHelpers.h"

namespace zelvani {

namespace {

std::atomic<bool> g_saving{true};
std::atomic<ReportClock> g_clock{nullptr};

void Now(SYSTEMTIME* t) {
  ReportClock clock = g_clock.load();
  if (clock) {
    clock(t);
  } else {
    GetLocalTime(t);
  }
}

// Writes V with at least WIDTH digits.
void AppendNumber(std::string& out, unsigned v, int width) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%0*u", width, v);
  out += buf;
}

// The lines waiting to be saved. One object for the process: it lives from the
// library's load to its unload, and its destructor writes what is left.
class ReportList {
 public:
  ~ReportList() {
    std::lock_guard<std::mutex> hold(mutex_);
    SaveLocked();
  }

  void Add(std::string line) {
    std::lock_guard<std::mutex> hold(mutex_);
    lines_.push_back(std::move(line));
    TrimLocked();
  }

  bool Save() {
    std::lock_guard<std::mutex> hold(mutex_);
    return SaveLocked();
  }

  std::vector<std::string> Snapshot() {
    std::lock_guard<std::mutex> hold(mutex_);
    std::vector<std::string> r;
    if (dropped_ > 0) r.push_back(DroppedMarker());
    r.insert(r.end(), lines_.begin(), lines_.end());
    return r;
  }

  void Clear() {
    std::lock_guard<std::mutex> hold(mutex_);
    lines_.clear();
    dropped_ = 0;
  }

  std::size_t SetCap(std::size_t cap) {
    std::lock_guard<std::mutex> hold(mutex_);
    std::size_t old = cap_;
    cap_ = cap < 1 ? 1 : cap;
    TrimLocked();
    return old;
  }

 private:
  void TrimLocked() {
    while (lines_.size() > cap_) {
      lines_.pop_front();
      ++dropped_;
    }
  }

  std::string DroppedMarker() const { return "--- " + std::to_string(dropped_) + " earlier lines dropped ---"; }

  // Appends the lines to the file of the current moment. Every failure, a
  // failed allocation included, keeps the lines for the next save.
  bool SaveLocked() noexcept {
    if (!g_saving.load() || lines_.empty()) return true;
    try {
      std::string text;
      if (dropped_ > 0) text += DroppedMarker() + "\r\n";
      for (const std::string& line : lines_) {
        text += line;
        text += "\r\n";
      }
      SYSTEMTIME now{};
      Now(&now);
      const std::string name = ReportFileName(now);
      std::FILE* f = std::fopen(name.c_str(), "ab");
      if (!f) return false;
      const bool written = std::fwrite(text.data(), 1, text.size(), f) == text.size();
      const bool closed = std::fclose(f) == 0;
      if (!written || !closed) return false;
      lines_.clear();
      dropped_ = 0;
      return true;
    } catch (...) {
      return false;
    }
  }

  std::mutex mutex_;
  std::deque<std::string> lines_;
  std::size_t dropped_ = 0;  // lines dropped from the front since the last save
  std::size_t cap_ = kDefaultReportLineCap;
};

ReportList& List() {
  static ReportList list;
  return list;
}

// Creates the list while the library loads, so that it is destroyed (and its
// lines saved) late in the unload, after the objects created later.
[[maybe_unused]] ReportList& g_listAtLoad = List();

std::string DataLine(std::string_view head, std::string_view data, std::string_view tail) {
  std::string r(head);
  r += ControlCharsToText(data);
  r += tail;
  return r;
}

constexpr std::array<std::string_view, 5> kErrorTails{
    "' : ERROR (LastErrorType = cetNone)",    "' : ERROR (LastErrorType = cetUserBreak)",
    "' : ERROR (LastErrorType = cetTimeout)", "' : ERROR (LastErrorType = cetSystem)",
    "' : ERROR (LastErrorType = cetDevice)",
};

}  // namespace

std::optional<std::string_view> ReportErrorTail(int errorType) {
  if (errorType < 0 || errorType >= static_cast<int>(kErrorTails.size())) return std::nullopt;
  return kErrorTails[static_cast<std::size_t>(errorType)];
}

std::string ReportSentLine(std::string_view data) { return DataLine("PC-> '", data, "' : OK"); }

std::string ReportReceivedLine(std::string_view data) { return DataLine("PC<- '", data, "' : OK"); }

std::optional<std::string> ReportSendErrorLine(std::string_view data, int errorType) {
  auto tail = ReportErrorTail(errorType);
  if (!tail) return std::nullopt;
  return DataLine("PC-> '", data, *tail);
}

std::optional<std::string> ReportReceiveErrorLine(std::string_view data, int errorType) {
  auto tail = ReportErrorTail(errorType);
  if (!tail) return std::nullopt;
  return DataLine("PC<- '", data, *tail);
}

std::string ReportPacketLine(std::string_view packet) { return DataLine("Packet: '", packet, "'"); }

std::string ReportResetLine(std::string_view port) {
  std::string r = "RESET '";
  r += port;
  r += "'";
  return r;
}

std::string ReportHubWriteErrorLine(std::string_view data) {
  return DataLine("PC-> '", data, "' : ERROR (QAVTandrel - WriteString)");
}

std::string ReportHubReadTimeoutLine(std::string_view data) {
  return DataLine("PC<- '", data, "' : ERROR (QAVTandrel - Receive timeout)");
}

void AddReportLine(std::string_view text) {
  SYSTEMTIME now{};
  Now(&now);
  std::string line = ReportTimeStamp(now);
  line += ConvertCodePage(text, kCodePage852, kCodePageWindows1250);
  List().Add(std::move(line));
}

bool SaveCommunicationReport() noexcept { return List().Save(); }

bool ReportSaving() { return g_saving.load(); }

void SetReportSaving(bool on) { g_saving.store(on); }

ReportSavingSuspended::ReportSavingSuspended() : saved_(g_saving.exchange(false)) {}

ReportSavingSuspended::~ReportSavingSuspended() { g_saving.store(saved_); }

std::vector<std::string> ReportLines() { return List().Snapshot(); }

void ClearReportLines() { List().Clear(); }

std::size_t SetReportLineCap(std::size_t cap) { return List().SetCap(cap); }

std::string ReportTimeStamp(const SYSTEMTIME& t) {
  const char sep = WideCharToAnsi(GetTimeSeparator());
  std::string r = "[";
  AppendNumber(r, t.wHour, 2);
  r += sep;
  AppendNumber(r, t.wMinute, 2);
  r += sep;
  AppendNumber(r, t.wSecond, 2);
  r += '.';
  AppendNumber(r, t.wMilliseconds, 3);
  r += "] ";
  return r;
}

std::string ReportFileName(const SYSTEMTIME& t) {
  std::string r = "REPORT ";
  AppendNumber(r, t.wYear, 4);
  r += '.';
  AppendNumber(r, t.wMonth, 2);
  r += '.';
  AppendNumber(r, t.wDay, 2);
  r += ' ';
  AppendNumber(r, t.wHour, 2);
  r += '.';
  AppendNumber(r, t.wMinute, 2);
  r += '.';
  AppendNumber(r, t.wSecond, 2);
  r += ".TXT";
  return r;
}

ReportClock SetReportClock(ReportClock clock) { return g_clock.exchange(clock); }

}  // namespace zelvani
