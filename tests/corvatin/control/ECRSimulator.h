// A cash register for the control's end-to-end tests: the register simulator of
// the serial device (a pseudo-terminal master mapped to a "COMn" name, packing
// and unpacking with the engine's own protocol object) speaking the control's
// default packet library, corvatin/Quelm.pkd.
//
// It offers the simulator's script for tests that check exact exchanges, and a
// register that answers by its own state for tests that run whole transfers:
//
//   ECRSimulator sim("COM7");
//   sim.Offer("B", {{"B", {"Sklep"}}, {"B", {"ul. Polna 1"}}});
//   sim.RejectNext("08");
//   sim.Serve();
//   sim.Start();
//   ... the control connects, writes and reads ...
//   sim.Stop();
//   EXPECT_EQ(sim.Stored().size(), 1u);
//
// The serving register accepts a write session (a start packet of
// transmission type 1), stores the records written in it, refuses a record
// with a chosen native error code, answers the error record that a refusal
// leaves ready, serves the offered records of a read session with end of data
// on the last one (and "no record" after it), and refuses a record that
// arrives outside a write session with native code "0D".
#pragma once

#include <atomic>
#include <deque>
#include <map>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "tests/zelvani/devices/RegisterSimulator.h"

namespace corvatin {

// The control characters of Quelm.pkd.
namespace ecr {
inline const std::string kSoh{"\x01"};           // starts a start packet
inline const std::string kStx{"\x02"};           // starts a record
inline const std::string kEtx{"\x03"};           // ends a packet
inline const std::string kEot{"\x04"};           // close after writing; ends the last record of a read
inline const std::string kEnq{"\x05"};           // open the link
inline const std::string kAck{"\x06"};           // accepted
inline const std::string kWck{"\x09"};           // busy
inline const std::string kSo{"\x0E"};            // no record to send
inline const std::string kDc1{"\x11"};           // send the next record
inline const std::string kNak{"\x15"};           // not understood
inline const std::string kCan{"\x18"};           // refused
inline const std::string kSwitchToRead{"\x10R"};
inline const std::string kCloseRead{"\x10\x04"};
}  // namespace ecr

// A system directory of the test's own (PLATFORM_SYSTEM_DIR) holding the
// default packet library, so that an empty library name finds it; the folder
// goes when the object does.
class ScopedSystemDirectory {
 public:
  ScopedSystemDirectory();
  ~ScopedSystemDirectory();
  ScopedSystemDirectory(const ScopedSystemDirectory&) = delete;
  ScopedSystemDirectory& operator=(const ScopedSystemDirectory&) = delete;
  const std::string& path() const { return dir_; }

 private:
  std::string dir_;
};

class ECRSimulator : public zelvani::RegisterSimulator {
 public:
  // One record on the line: its identifier and its field values as texts
  // (Windows-1250, as the packet's field values hold them).
  struct Record {
    std::string id;
    Fields fields;
  };
  // A transfer that a start packet began.
  struct Session {
    std::string id;               // the data type's packet identifier
    int transmissionType = -1;    // 0 reading, 1 writing, 2 reading and resetting
    std::string rangeBegin;
    std::string rangeEnd;
  };
  // How the serving register answers.
  enum class Answer {
    Normal,   // by its state
    Silent,   // nothing at all
    Garbage,  // a lower-case letter where an answer is due
  };

  // corvatin/Quelm.pkd of the source tree.
  static std::string Library();
  // The ECR checksum of a frame: four upper-case hexadecimal digits of the
  // 16-bit exclusive or of each byte shifted left by its position modulo 9.
  static std::string EcrChecksum(std::string_view bytes);
  // A start packet as it goes on the line: <SOH>, the identifier, the
  // transmission type, the two 18-character range texts, <ETX> and the
  // checksum over everything after <SOH>.
  static std::string StartPacket(std::string_view id, int transmissionType, std::string_view rangeBegin,
                                 std::string_view rangeEnd);

  explicit ECRSimulator(const std::string& port, const std::string& library = Library());
  // Stops the register before its own state goes.
  ~ECRSimulator();

  // ---- the serving register
  // Ends the script: from here on the register answers by its state until
  // Stop. Records and refusals may be set before and while it serves.
  ECRSimulator& Serve();
  // The records that a read session of the data type with this start
  // identifier gets, in order; the last carries the end-of-data mark.
  void Offer(const std::string& startId, std::vector<Record> records);
  // The next record written is refused with this native code (two
  // hexadecimal digits); refusals queue.
  void RejectNext(const std::string& nativeCode);
  void SetAnswer(Answer answer);

  // ---- what the serving register saw (safe at any time)
  std::vector<Record> Stored() const;
  std::vector<Session> Sessions() const;
  // The error records it sent, in order.
  std::vector<Record> ErrorsSent() const;
  // CPU time of the simulator's thread while serving, in nanoseconds: what the
  // register side costs, to tell it apart from the control's own time.
  long long ServeCpuNanoseconds() const { return serveCpu_.load(); }

 private:
  struct PendingError {
    Session session;
    std::string refusedId;
    std::string code;
  };

  std::string ServeLoop();
  // Handles one message that begins with `first`; returns the answer to send
  // (empty: none) or throws on a failure of the line.
  std::string Handle(char first);
  std::string HandleStart();
  std::string HandleRecord();
  std::string NextReadAnswer();
  std::string Answered(std::string answer);
  // The length on the line of a written record with this identifier; 0 when
  // the library has no such record.
  std::size_t RecordLength(const std::string& id);
  std::string TakeBytes(std::size_t n);

  mutable std::mutex stateLock_;
  Answer answer_ = Answer::Normal;
  std::map<std::string, std::vector<Record>> offers_;
  std::deque<std::string> rejections_;
  std::vector<Record> stored_;
  std::vector<Session> sessions_;
  std::vector<Record> errorsSent_;
  std::map<std::string, std::size_t> recordLengths_;

  // Serving state (the simulator's thread only).
  bool writing_ = false;
  bool reading_ = false;
  Session current_;
  std::deque<Record> toSend_;
  std::string lastSent_;
  bool resend_ = false;
  bool errorReady_ = false;
  PendingError error_;

  std::atomic<long long> serveCpu_{0};
};

}  // namespace corvatin
