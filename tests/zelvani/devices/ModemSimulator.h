// A Hayes-compatible modem at the far end of a serial line, for end-to-end
// tests of the telephony layer and the modem device. It holds the master side
// of a pseudo-terminal pair whose slave is mapped to a "COMn" name and listed
// as a telephony line, so the layer opens it as it opens a real modem, and it
// drives the carrier (DCD) on the serial layer's virtual lines.
//
// In command mode it parses "AT" lines (case-insensitive, several commands per
// line: D, A, H, O, E, V, Q, Z, &C, &D, &F, S registers and the rest answered
// OK), echoes and answers verbosely or with numeric codes as E and V say, and
// not at all in quiet mode (Q1); the result of a line follows the settings as
// that line left them, so "ATQ0" in quiet mode answers OK; what comes before
// "AT" on a line is noise. A dial looks its
// number up in the script: each number has an outcome ("CONNECT 9600",
// "BUSY", "NO ANSWER", "NO CARRIER", "NO DIALTONE", silence) after a delay,
// and a number with characters a modem refuses gets ERROR. After CONNECT the
// line is in data mode: bytes are bridged to a register simulator (which sees
// its port opened), or kept when no register is bridged. "+++" between guard
// times returns to command mode with the call held; DTR dropped by the other
// side hangs up unless &D0. Carrier detect (DCD) follows the carrier, or is
// held on with &C0. Faults: a modem that never answers, one that answers only
// garbage, garbage after CONNECT, the carrier lost during a call, the port
// closed (the line disappears), a modem that never sees DTR, one fixed at a
// rate, and a slow line on which bytes still travelling when DTR drops are
// lost.
//
//   ModemSimulator modem("COM7");
//   modem.Dial("5551234", {"CONNECT 9600", 200ms});
//   modem.Bridge(registerSim);
//   modem.Start();
#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/comm/testing.h"

namespace zelvani {

class RegisterSimulator;

class ModemSimulator {
 public:
  using Clock = std::chrono::steady_clock;
  using ms = std::chrono::milliseconds;

  // What a dial of one number brings.
  struct Outcome {
    Outcome(std::string result = "CONNECT 9600", ms delay = ms(100), std::string afterConnect = {},
            ms carrierFor = ms(-1))
        : result(std::move(result)), delay(delay), afterConnect(std::move(afterConnect)), carrierFor(carrierFor) {}
    std::string result;        // the result line; empty: the modem stays silent
    ms delay;                  // from the dial command to the result
    std::string afterConnect;  // bytes sent right after CONNECT (line noise)
    ms carrierFor;             // the carrier drops this long after CONNECT (<0: never)
  };

  // Opens the pair and maps its slave to `port` (the test's own registry).
  explicit ModemSimulator(const std::string& port);
  ~ModemSimulator();
  ModemSimulator(const ModemSimulator&) = delete;
  ModemSimulator& operator=(const ModemSimulator&) = delete;

  // ---- script (before Start)
  ModemSimulator& Dial(const std::string& number, Outcome outcome);
  // Outcome of numbers without one of their own (default: NO CARRIER after 100 ms).
  ModemSimulator& OtherNumbers(Outcome outcome);
  // Data mode talks to this register (its port seen opened at CONNECT, closed at hang-up).
  ModemSimulator& Bridge(RegisterSimulator& reg);
  // Guard time of the escape sequence (the S12 register, 1 s by default).
  ModemSimulator& Guard(ms guard);
  // The modem answers nothing at all / answers every command line with garbage.
  ModemSimulator& Silent();
  ModemSimulator& Garbage();
  // The modem never sees DTR (a cable without it), whatever &D says: only
  // "+++" and ATH end a call.
  ModemSimulator& IgnoreDtr();
  // Left in quiet mode (Q1): no result codes until a Q0.
  ModemSimulator& Quiet();
  // Left with carrier detect held on (&C0) until a &C1.
  ModemSimulator& CarrierDetectAlwaysOn();
  // The modem talks only at `baud` (and, with `rtsCts`, only to a port with
  // RTS/CTS flow control); at any other setting of the port it hears noise and
  // answers nothing.
  ModemSimulator& FixedRate(unsigned baud, bool rtsCts);
  // The modem reads nothing until `bytes` characters wait on the line, as a
  // modem thread held up by a loaded machine would: they are then read in one
  // piece.
  ModemSimulator& HoldReadsUntil(std::size_t bytes);

  void Start();
  void Stop();

  // From now on each byte from the port spends `perByte` on the line before
  // the modem has it, while DTR reaches it at once: bytes still on the line
  // when DTR hangs the modem up are lost.
  void SlowLine(ms perByte);

  // ---- during a test
  // An incoming call: RING every `every`, `times` times, until answered
  // (CONNECT after `answerDelay`).
  void Ring(int times, ms every = ms(300), ms answerDelay = ms(100));
  // The carrier goes now (NO CARRIER, data mode ends).
  void LoseCarrier();
  // The master side closes: the port disappears for the other side.
  void ClosePort();
  // Sends bytes to the other side as they stand.
  void Send(const std::string& bytes);

  // ---- what happened (safe at any time)
  std::vector<std::string> Commands() const;  // every command line received, as sent
  int Dials() const;
  int Answers() const;
  int Hangups() const;      // calls ended by DTR or ATH
  bool InCall() const;      // a call is up (data or command mode)
  bool DataMode() const;
  std::string Data() const; // bytes received in data mode without a bridge
  // Waits until `what` holds (checked under the simulator's lock).
  bool WaitFor(const std::function<bool()>& what, ms timeout) const;
  const std::string& SlavePath() const { return pty_.slavePath(); }
  const std::string& PortName() const { return port_; }

 private:
  enum class Mode { Command, Dialing, Ringing, Answering, Data, Online };  // Online: command mode in a call

  void Run();
  // `late`: the bytes were read after this thread had been held up for longer
  // than half the guard time, so how far apart they were sent is not known.
  void OnBytes(const std::string& bytes, bool late);
  void OnCommandLine(const std::string& line);
  void Result(const std::string& word);
  void Write(const std::string& bytes);
  void Connected(const Outcome& outcome);
  void HangUp(bool byDtr);
  void SetCarrier(bool on);
  void OpenBridge();
  void CloseBridge();
  void PumpBridge();
  bool Stopping() const;
  // The port's rate and flow control are not the ones the modem talks at.
  bool WrongRate() const;
  // Takes what the line brings: everything at once, or one byte per
  // slowLine_; DTR is looked at first on a slow line.
  void ReadLine(Clock::time_point now);
  void WatchDtr();

  std::string port_;
  comm::testing::PseudoTerminal pty_;

  mutable std::mutex mu_;
  mutable std::condition_variable changed_;
  std::map<std::string, Outcome> outcomes_;
  Outcome other_{"NO CARRIER", ms(100), {}, ms(-1)};
  RegisterSimulator* bridgeTo_ = nullptr;
  ms guard_{1000};
  bool silent_ = false;
  bool garbage_ = false;
  bool dtrWired_ = true;
  bool profileQuiet_ = false;  // what Z restores
  bool profileDcdOn_ = false;
  unsigned fixedRate_ = 0;     // 0: any rate
  bool fixedRtsCts_ = false;
  ms slowLine_{0};
  Clock::time_point nextByteAt_{};  // when the byte at the head of a slow line arrives
  std::size_t holdUntil_ = 0;  // reads wait for this many characters (0: no hold)
  bool stop_ = false;
  bool closed_ = false;

  // Modem state (the thread's; read by the observers under mu_).
  Mode mode_ = Mode::Command;
  bool echo_ = true;
  bool verbose_ = true;
  bool quiet_ = false;
  bool dcdOn_ = false;      // &C0
  bool ignoreDtr_ = false;  // &D0
  bool carrier_ = false;
  std::string line_;
  Outcome pending_;
  Clock::time_point due_{};
  Clock::time_point carrierEnd_ = Clock::time_point::max();
  int ringsLeft_ = 0;
  ms ringEvery_{300};
  ms answerDelay_{100};
  Clock::time_point nextRing_{};
  bool lastDtr_ = false;
  Clock::time_point lastData_{};
  std::string escape_;  // "+" characters of a possible escape
  Clock::time_point escapeAt_{};
  Clock::time_point lastRead_{};  // when this thread last read the line
  int bridge_ = -1;

  std::vector<std::string> commands_;
  int dials_ = 0;
  int answers_ = 0;
  int hangups_ = 0;
  std::string data_;
  std::vector<std::string> toSend_;
  bool loseCarrier_ = false;
  bool closePort_ = false;
  std::thread thread_;
};

}  // namespace zelvani
