// A cash register for the control's end-to-end tests: the definitions of what
// ECRSimulator.h declares.
#include "tests/corvatin/control/ECRSimulator.h"

#include <stdlib.h>
#include <time.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <stdexcept>
#include <system_error>

namespace corvatin {

namespace {

using Clock = zelvani::RegisterSimulator::Clock;

// Thrown when Stop ends a wait inside a message.
struct Stopped {};

long long ThreadCpuNanoseconds() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<long long>(t.tv_sec) * 1000000000LL + t.tv_nsec;
}

// A text fitted to 18 characters as the error record carries a range.
std::string Range18(std::string text) {
  text.resize(18, ' ');
  return text;
}

}  // namespace

// ---------------------------------------------------------------- system directory

ScopedSystemDirectory::ScopedSystemDirectory() {
  namespace fs = std::filesystem;
  std::string pattern = (fs::temp_directory_path() / "corvatin-system-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) throw std::system_error(errno, std::generic_category(), "mkdtemp");
  dir_ = pattern;
  fs::copy_file(ECRSimulator::Library(), fs::path(dir_) / "Quelm.pkd");
  setenv("PLATFORM_SYSTEM_DIR", dir_.c_str(), 1);
}

ScopedSystemDirectory::~ScopedSystemDirectory() {
  unsetenv("PLATFORM_SYSTEM_DIR");
  std::error_code ignored;
  std::filesystem::remove_all(dir_, ignored);
}

// ---------------------------------------------------------------- the register

std::string ECRSimulator::Library() { return CORVATIN_DATA_DIR "/Quelm.pkd"; }

std::string ECRSimulator::EcrChecksum(std::string_view bytes) {
  unsigned x = 0;
  for (std::size_t i = 0; i < bytes.size(); ++i)
    x ^= (static_cast<unsigned>(static_cast<unsigned char>(bytes[i])) << (i % 9)) & 0xFFFFu;
  char text[8];
  std::snprintf(text, sizeof text, "%04X", x & 0xFFFFu);
  return text;
}

std::string ECRSimulator::StartPacket(std::string_view id, int transmissionType, std::string_view rangeBegin,
                                      std::string_view rangeEnd) {
  std::string body = std::string(id) + std::to_string(transmissionType) + std::string(rangeBegin) +
                     std::string(rangeEnd) + ecr::kEtx;
  return ecr::kSoh + body + EcrChecksum(body);
}

ECRSimulator::ECRSimulator(const std::string& port, const std::string& library)
    : zelvani::RegisterSimulator(port, library) {}

ECRSimulator::~ECRSimulator() { Stop(); }

// ---------------------------------------------------------------- set-up

ECRSimulator& ECRSimulator::Serve() {
  Add("Serve()", [this] { return ServeLoop(); }, true);
  return *this;
}

void ECRSimulator::Offer(const std::string& startId, std::vector<Record> records) {
  std::lock_guard<std::mutex> guard(stateLock_);
  offers_[startId] = std::move(records);
}

void ECRSimulator::RejectNext(const std::string& nativeCode) {
  std::lock_guard<std::mutex> guard(stateLock_);
  rejections_.push_back(nativeCode);
}

void ECRSimulator::SetAnswer(Answer answer) {
  std::lock_guard<std::mutex> guard(stateLock_);
  answer_ = answer;
}

std::vector<ECRSimulator::Record> ECRSimulator::Stored() const {
  std::lock_guard<std::mutex> guard(stateLock_);
  return stored_;
}

std::vector<ECRSimulator::Session> ECRSimulator::Sessions() const {
  std::lock_guard<std::mutex> guard(stateLock_);
  return sessions_;
}

std::vector<ECRSimulator::Record> ECRSimulator::ErrorsSent() const {
  std::lock_guard<std::mutex> guard(stateLock_);
  return errorsSent_;
}

// ---------------------------------------------------------------- serving

std::string ECRSimulator::TakeBytes(std::size_t n) {
  std::string taken;
  // The rest of a message follows its first byte at once; a line that stops
  // in the middle of one leaves the bytes to be read one by one.
  std::string error = Take(n, Clock::now() + std::chrono::milliseconds(1000), taken);
  if (error == "stopped") throw Stopped{};
  return error.empty() ? taken : std::string();
}

std::string ECRSimulator::ServeLoop() {
  const long long cpuStart = ThreadCpuNanoseconds();
  for (;;) {
    std::string first;
    std::string error = Take(1, Clock::now() + std::chrono::hours(24), first);
    if (error == "stopped") return {};
    if (!error.empty()) continue;
    std::string answer;
    try {
      answer = Handle(first[0]);
    } catch (const Stopped&) {
      return {};
    }
    if (!answer.empty()) {
      std::string failure = Write(answer);
      if (!failure.empty()) return failure;
    }
    serveCpu_ = ThreadCpuNanoseconds() - cpuStart;
  }
}

std::string ECRSimulator::Answered(std::string answer) {
  Answer mode;
  {
    std::lock_guard<std::mutex> guard(stateLock_);
    mode = answer_;
  }
  if (mode == Answer::Silent) return {};
  if (mode == Answer::Garbage) return "q";
  return answer;
}

std::string ECRSimulator::Handle(char first) {
  switch (first) {
    case '\x05':  // open the link
      writing_ = reading_ = false;
      return Answered(ecr::kAck);
    case '\x04':  // close after writing
      writing_ = false;
      return Answered(ecr::kAck);
    case '\x10': {  // switch to reading, or close after reading
      std::string second = TakeBytes(1);
      if (second == "R") {
        reading_ = true;
        return Answered(ecr::kAck);
      }
      if (second == ecr::kEot) {
        reading_ = writing_ = false;
        toSend_.clear();
        errorReady_ = false;
        return Answered(ecr::kAck);
      }
      return {};
    }
    case '\x11':  // send the next record
      return Answered(NextReadAnswer());
    case '\x15':  // the last record did not arrive well: send it again when asked
      resend_ = !lastSent_.empty();
      return {};
    case '\x01':
      return HandleStart();
    case '\x02':
      return HandleRecord();
    default:  // the PC's ACK, and anything no message begins with
      return {};
  }
}

std::string ECRSimulator::HandleStart() {
  // Identifier, 37 data characters, <ETX>, checksum.
  std::string rest = TakeBytes(1 + 37 + 1 + 4);
  if (rest.empty()) return {};
  Packet p = Unpack(ecr::kSoh + rest, "#", 1);
  if (p.result != 0 || p.fields.size() != 3) return Answered(ecr::kNak);
  Session s;
  s.id = rest.substr(0, 1);
  s.transmissionType = std::atoi(p.fields[0].c_str());
  s.rangeBegin = p.fields[1];
  s.rangeEnd = p.fields[2];
  current_ = s;
  writing_ = s.transmissionType == 1;
  reading_ = false;
  errorReady_ = false;
  lastSent_.clear();
  resend_ = false;
  toSend_.clear();
  {
    std::lock_guard<std::mutex> guard(stateLock_);
    sessions_.push_back(s);
    if (!writing_) {
      auto offer = offers_.find(s.id);
      if (offer != offers_.end()) toSend_.assign(offer->second.begin(), offer->second.end());
    }
  }
  return Answered(ecr::kAck);
}

std::size_t ECRSimulator::RecordLength(const std::string& id) {
  {
    std::lock_guard<std::mutex> guard(stateLock_);
    auto known = recordLengths_.find(id);
    if (known != recordLengths_.end()) return known->second;
  }
  std::size_t length = 0;
  try {
    length = Pack(id, {}, 2).size();
  } catch (const std::exception&) {
    length = 0;  // no written record with this identifier
  }
  std::lock_guard<std::mutex> guard(stateLock_);
  recordLengths_[id] = length;
  return length;
}

std::string ECRSimulator::HandleRecord() {
  std::string id = TakeBytes(1);
  if (id.empty()) return {};
  const std::size_t length = RecordLength(id);
  if (length < 2) return Answered(ecr::kNak);
  std::string rest = TakeBytes(length - 2);
  if (rest.empty()) return {};
  Packet p = Unpack(ecr::kStx + id + rest, id, 2);
  if (p.result != 0 || p.id != id) return Answered(ecr::kNak);

  std::string code;
  {
    std::lock_guard<std::mutex> guard(stateLock_);
    if (!writing_) {
      code = "0D";  // no programming or sending of data outside a write session
    } else if (!rejections_.empty()) {
      code = rejections_.front();
      rejections_.pop_front();
    } else {
      stored_.push_back({id, p.fields});
    }
  }
  if (code.empty()) return Answered(ecr::kAck);
  error_.session = writing_ ? current_ : Session{id, 1, "", ""};
  error_.refusedId = id;
  error_.code = code;
  errorReady_ = true;
  return Answered(ecr::kCan);
}

std::string ECRSimulator::NextReadAnswer() {
  if (resend_) {
    resend_ = false;
    return lastSent_;
  }
  if (errorReady_) {
    errorReady_ = false;
    Record r{"F",
             {error_.session.id.empty() ? error_.refusedId : error_.session.id,
              std::to_string(error_.session.transmissionType < 0 ? 1 : error_.session.transmissionType),
              error_.code, Range18(error_.session.rangeBegin), Range18(error_.session.rangeEnd)}};
    lastSent_ = Pack(r.id, r.fields, 8);
    std::lock_guard<std::mutex> guard(stateLock_);
    errorsSent_.push_back(r);
    return lastSent_;
  }
  if (!reading_ || toSend_.empty()) {
    lastSent_.clear();
    return ecr::kSo;
  }
  Record r = toSend_.front();
  toSend_.pop_front();
  lastSent_ = Pack(r.id, r.fields, 4, toSend_.empty());
  return lastSent_;
}

}  // namespace corvatin
