// A cash register at the far end of a serial line, for end-to-end tests of the
// serial device. It holds the master side of a pseudo-terminal pair whose slave
// is mapped to a "COMn" name, so the device opens it through its usual port
// name, and it speaks the protocol of a packet library (tests/data/register.pkd
// unless told otherwise) through the engine's own protocol object: the packets
// it sends are packed, and the packets it expects unpacked, by that object.
//
// A test writes a script of steps before Start; the simulator runs them in
// order on a thread of its own:
//
//   RegisterSimulator sim("COM5");
//   sim.Expect(reg::kEnq).Ack()
//      .ExpectPacket("I").Nak()
//      .ExpectPacket("I").Ack()
//      .Expect(reg::kEot).Ack();
//   sim.Start();
//   ... the device connects, writes an article twice, disconnects ...
//   ASSERT_TRUE(sim.WaitDone(5s)) << sim.Report();
//
// Silence needs no step of its own: an Expect followed by another Expect
// answers nothing in between (a read time-out for the device), and the script
// may end there or with Never. A failed step ends the script; Report() tells
// which and shows the traffic.
//
// Everything that arrives is recorded with its time of arrival, whether or not
// a step looks at it, from Start until Stop; so is everything sent. The pair
// stays open while the device closes and reopens its port (the slave is held
// open by the pseudo-terminal), so scripts run across the device's retries.
// The device's opens and closes of its port are recorded too (through inotify
// on the slave's path). Every wait has a deadline and Stop ends the thread at
// once.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "platform/comm/testing.h"
#include "zelvani/model/ZelvaniServer.h"

namespace zelvani {

// The control characters of tests/data/register.pkd.
namespace reg {
inline const std::string kSoh{"\x01"};
inline const std::string kStx{"\x02"};
inline const std::string kEtx{"\x03"};
inline const std::string kEot{"\x04"};           // close after writing; ends the last report record
inline const std::string kEnq{"\x05"};           // open the link
inline const std::string kAck{"\x06"};           // accepted
inline const std::string kWck{"\x09"};           // busy: wait and read again
inline const std::string kSo{"\x0E"};            // nothing to send
inline const std::string kNak{"\x15"};           // not accepted: send again
inline const std::string kCan{"\x18"};           // rejected
inline const std::string kSwitchToRead{"\x10R"};
inline const std::string kCloseRead{"\x10\x04"};
}  // namespace reg

// A registry of the test's own in a temporary folder (PLATFORM_REGISTRY), so
// that port names can be mapped; the folder goes when the object does.
class ScopedTestRegistry {
 public:
  ScopedTestRegistry();
  ~ScopedTestRegistry();
  ScopedTestRegistry(const ScopedTestRegistry&) = delete;
  ScopedTestRegistry& operator=(const ScopedTestRegistry&) = delete;

 private:
  std::string dir_;
};

class RegisterSimulator {
 public:
  using Clock = std::chrono::steady_clock;
  using Fields = std::vector<std::string>;  // field values 1..n as ANSI texts
  static constexpr std::chrono::milliseconds kDefaultWithin{5000};

  // One thing on the line, as the simulator saw it: bytes from the device or
  // from the simulator, or the device opening or closing its port.
  struct Event {
    enum class Kind { Received, Sent, Opened, Closed };
    Kind kind;
    Clock::time_point at;
    std::string bytes;  // empty for Opened and Closed
  };

  // A packet that an ExpectPacket step took from the line.
  struct Packet {
    std::string wire;
    LONG result = -1;  // UnpackPacket's code
    std::string id;    // the identifier after unpacking
    Fields fields;     // each field value as text (Empty as "")
  };

  // tests/data/register.pkd.
  static std::string DefaultLibrary();

  // Opens the pair, maps its slave to `port` ("COMn") in the registry (which
  // must be a test's own, see ScopedTestRegistry) and loads `library` into a
  // new protocol object. Throws when either fails.
  explicit RegisterSimulator(const std::string& port, const std::string& library = DefaultLibrary());
  ~RegisterSimulator();
  RegisterSimulator(const RegisterSimulator&) = delete;
  RegisterSimulator& operator=(const RegisterSimulator&) = delete;

  // ---- the script; steps are added before Start and run in this order.
  // The deadline of the Expect steps added after this call.
  RegisterSimulator& Within(std::chrono::milliseconds within);
  // The next bytes from the device must be exactly these, within the deadline.
  RegisterSimulator& Expect(std::string_view bytes);
  // The next bytes from the device must be one packet with this identifier
  // (and packet type; 0 takes the first definition with the identifier, 1 a
  // start packet): as many bytes as such a packet takes on the line, which
  // must unpack with 0 or 16 into a packet of that identifier. Recorded in
  // Packets() either way.
  RegisterSimulator& ExpectPacket(std::string_view id, LONG type = 0);
  // Sends bytes; Reply is the same step under the name that reads better for
  // an answer.
  RegisterSimulator& Send(std::string_view bytes);
  RegisterSimulator& Reply(std::string_view bytes) { return Send(bytes); }
  // Sends a packet packed from these field values (more records follow: a
  // frame with an end-of-data mark gets its other mark).
  RegisterSimulator& SendPacket(std::string_view id, const Fields& fields = {}, LONG type = 0);
  RegisterSimulator& ReplyPacket(std::string_view id, const Fields& fields = {}, LONG type = 0) {
    return SendPacket(id, fields, type);
  }
  // The last record of a read: the packet with its end-of-data mark.
  RegisterSimulator& EndOfData(std::string_view id, const Fields& fields = {}, LONG type = 0);
  // The packet with one digit of its checksum changed.
  RegisterSimulator& BadChecksum(std::string_view id, const Fields& fields = {}, LONG type = 0);
  // Waits until the device holds its port open, then `settle` more, so that a
  // port that has just been opened (and flushed) gets what is sent next: the
  // first step of a script in which the simulator speaks first.
  RegisterSimulator& WaitOpen(std::chrono::milliseconds settle = std::chrono::milliseconds(50));
  // Pauses (still recording what arrives), then sends.
  RegisterSimulator& Pause(std::chrono::milliseconds delay);
  RegisterSimulator& ReplyLate(std::chrono::milliseconds delay, std::string_view bytes);
  // Runs ACTION on the simulator's thread at this point of the script: a
  // change in the world that must fall between two messages of the exchange.
  RegisterSimulator& Do(std::string label, std::function<void()> action);
  // The register's short answers.
  RegisterSimulator& Ack() { return Reply(reg::kAck); }
  RegisterSimulator& Nak() { return Reply(reg::kNak); }
  RegisterSimulator& Wait() { return Reply(reg::kWck); }
  RegisterSimulator& Reject() { return Reply(reg::kCan); }
  RegisterSimulator& NoData() { return Reply(reg::kSo); }
  // n bytes that no flow of the library expects (lower-case letters).
  RegisterSimulator& Garbage(std::size_t n);
  // Ends the script: the register answers nothing more (what arrives is still
  // recorded). Nothing may follow.
  RegisterSimulator& Never();
  // Closes the master side: the device sees the line hang up. Ends the script.
  RegisterSimulator& HangUp();

  // ---- running
  // Start before the device opens its port, so that its opens are timed.
  void Start();
  // Ends the thread (an unfinished step fails with "stopped") and joins it.
  void Stop();
  // True once every step has run without failure; false on a failure or when
  // `timeout` passes first.
  bool WaitDone(std::chrono::milliseconds timeout);
  // Waits until at least n bytes have arrived in all; false when `timeout`
  // passes first.
  bool WaitReceived(std::size_t n, std::chrono::milliseconds timeout);

  // ---- what happened (safe at any time)
  bool Done() const;
  std::string Failure() const;  // the first failure, empty when none
  std::size_t StepsDone() const;
  std::string Received() const;    // every byte from the device, in order
  std::string Unconsumed() const;  // what arrived after the last byte a step took
  std::string Sent() const;
  // How often the device opened its port since Start, and whether it holds
  // it open now.
  int Opens() const;
  bool PortOpen() const;
  std::vector<Event> Events() const;
  std::vector<Packet> Packets() const;
  // The script with each step's state, the failure and the traffic, in the
  // library's control-character notation: a message for a failed assertion.
  std::string Report() const;

  // ---- the protocol (safe at any time)
  // The wire string of a packet created by the library from identifier and
  // type, with these field values; `last` picks the end-of-data mark.
  std::string Pack(std::string_view id, const Fields& fields = {}, LONG type = 0, bool last = false);
  // Unpacks `wire` into a packet of definition `definitionId` (with `type`),
  // as ExpectPacket does.
  Packet Unpack(const std::string& wire, std::string_view definitionId, LONG type);

  const std::string& PortName() const { return port_; }
  const std::string& SlavePath() const { return pty_.slavePath(); }

 protected:
  // For simulators built on this one: their own steps, and the line.
  struct Step {
    std::string label;
    std::function<std::string()> run;  // empty result: done; else the failure
    bool ends = false;                 // nothing may follow
  };

  RegisterSimulator& Add(std::string label, std::function<std::string()> run, bool ends = false);
  ComPtr<IQAVZLVPacket> NewPacket(std::string_view id, LONG type) const;

  void Run();
  // Reads whatever has arrived, waiting until `deadline` or until `ready`
  // holds; false when Stop was asked for.
  bool Pump(Clock::time_point deadline, const std::function<bool()>& ready);
  void ReadAvailable();
  void ReadPortEvents();
  std::string Write(const std::string& bytes);
  // Waits for n more bytes than a step has taken and takes them.
  std::string Take(std::size_t n, Clock::time_point deadline, std::string& taken);
  bool Stopping() const;

 private:
  std::string port_;
  comm::testing::PseudoTerminal pty_;
  int wake_ = -1;     // eventfd that Stop signals
  int watch_ = -1;    // inotify on the slave: the device's opens and closes
  std::mutex protocolLock_;
  ComPtr<IQAVZLVProtocol> protocol_;
  std::vector<Step> steps_;
  std::chrono::milliseconds within_ = kDefaultWithin;

  mutable std::mutex lock_;
  std::condition_variable changed_;
  bool started_ = false;
  bool stopping_ = false;
  bool finished_ = false;
  std::size_t stepsDone_ = 0;
  std::string failure_;
  std::string received_;
  std::size_t consumed_ = 0;
  int opens_ = 0;
  int closes_ = 0;
  std::vector<Event> events_;
  std::vector<Packet> packets_;
  std::thread thread_;
};

}  // namespace zelvani
