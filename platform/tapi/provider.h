// Inside the telephony layer: an application's message queue and the Hayes
// modem behind an open line, with its worker thread.
#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "platform/tapi/lines.h"
#include "platform/tapi/tapi.h"

namespace tapi {

// A new identifier for an application, line, call or request: positive as a
// LONG, never handed out twice in the process.
DWORD NewId();

// One registered application: its queue of line messages and the event that
// is signalled while the queue holds any.
class LineApp {
 public:
  LineApp();
  ~LineApp();
  LineApp(const LineApp&) = delete;
  LineApp& operator=(const LineApp&) = delete;

  HANDLE Event() const { return event_; }
  void Post(const LINEMESSAGE& message);
  // The oldest message, waiting up to `timeout` ms (INFINITE: no limit) for
  // one; false when none came.
  bool Get(LINEMESSAGE& message, DWORD timeout);
  // Wakes every waiting Get, which then finds nothing; later Gets fail at once.
  void Shutdown();

 private:
  std::mutex mu_;
  std::condition_variable cv_;
  std::deque<LINEMESSAGE> queue_;
  bool shutdown_ = false;
  HANDLE event_ = nullptr;
};

// The calls of every open line, by handle, so that call functions find their
// line.
class HayesLine;
void RegisterCall(HCALL call, const std::shared_ptr<HayesLine>& line);
void ForgetCall(HCALL call);

// An open line: the modem's port, the call on it (one at a time) and a worker
// thread that sends the modem its commands, reads its result lines in command
// mode and watches the carrier while a call is connected. Every wait of the
// worker is bounded by a limit of its own: the line reads only what has
// already arrived, so the time-outs that a call's user puts on the port it
// shares through its data handle never hold the line up.
class HayesLine : public std::enable_shared_from_this<HayesLine> {
 public:
  // How long a dial or an answer may wait for the modem's result.
  static constexpr std::chrono::milliseconds kDialLimit{180000};
  // How long the modem may take to answer a command with OK: its set-up when
  // the line opens, ATH after the escape.
  static constexpr std::chrono::milliseconds kReplyLimit{2000};
  // How long a hang-up waits for the port to send what it still holds.
  static constexpr std::chrono::milliseconds kDrainLimit{2000};
  // Silence between rings after which an offered call is taken as gone.
  static constexpr std::chrono::milliseconds kRingGap{8000};
  // DTR low for a hang-up; the carrier must fall within kCarrierFall after it.
  static constexpr std::chrono::milliseconds kDtrDrop{300};
  static constexpr std::chrono::milliseconds kCarrierFall{1000};
  // The escape's guard time before and after "+++".
  static constexpr std::chrono::milliseconds kGuard{1100};
  // How often the worker looks at the port.
  static constexpr std::chrono::milliseconds kPoll{20};

  HayesLine(std::shared_ptr<LineApp> app, HLINE line, DWORD_PTR instance, std::string portName,
            LineSettings settings);
  ~HayesLine();
  HayesLine(const HayesLine&) = delete;
  HayesLine& operator=(const HayesLine&) = delete;

  // Opens the port at the line's rate and flow control, sets the modem up with
  // the line's initialisation command (which must be answered OK) and starts
  // the worker; a LINEERR_* code on failure.
  LONG Open();
  // Hangs up a call that is up, stops the worker and closes the port; no
  // message is posted after it.
  void Close();

  const std::shared_ptr<LineApp>& App() const { return app_; }
  HLINE Handle() const { return line_; }

  // The call functions: a request identifier, or a LINEERR_* code.
  LONG MakeCall(HCALL& call, const std::string& number, bool passthrough);
  LONG Answer(HCALL call);
  LONG Drop(HCALL call);
  LONG SetCallParams(HCALL call);
  LONG Deallocate(HCALL call);
  // A new handle of the port for a connected call.
  LONG DataHandle(HCALL call, HANDLE& handle, std::string& portName);

 private:
  enum class State { None, Dialing, Offering, Answering, Connected, Busy, Disconnected, Idle };
  struct Command {
    enum class Kind { Dial, Answer, Drop, Reply };
    Kind kind;
    DWORD request;
    std::string text;
  };

  void Run();
  void Execute(const Command& c);
  void Watch();
  void OnResult(const std::string& line);
  void ReadLines();
  // Appends what has arrived on the port to `into` without waiting; 0, or the
  // error of a port that is closed or has gone.
  static DWORD ReadAvailable(HANDLE port, std::string& into);
  bool Write(const std::string& text);
  // Waits, at most kDrainLimit, until the port has sent what it holds.
  static void DrainOutput(HANDLE port);
  void HangUp();
  bool Reopen();
  void PortLost();
  // 0, or the LINEERR_* code of a port that cannot be opened or set.
  LONG OpenPort();
  void ClosePort();
  // Reads result lines until OK comes, at most `limit`.
  bool WaitForOk(std::chrono::milliseconds limit);

  // Under mu_.
  State StateLocked() const { return state_; }
  void SetState(State s);
  void Post(DWORD message, DWORD device, DWORD_PTR p1, DWORD_PTR p2 = 0, DWORD_PTR p3 = 0);
  void Reply(DWORD request, LONG result);
  void CallState(DWORD state, DWORD_PTR detail = 0);
  void Disconnected(DWORD mode);
  void AnswerDial(LONG result);

  std::shared_ptr<LineApp> app_;
  const HLINE line_;
  const DWORD_PTR instance_;
  const std::string portName_;
  const LineSettings settings_;

  std::mutex mu_;  // guards what follows
  std::condition_variable cv_;
  std::deque<Command> commands_;
  bool stop_ = false;
  bool dead_ = false;  // the port was lost: the line only waits to be closed
  HANDLE port_ = nullptr;
  HCALL call_ = 0;
  State state_ = State::None;
  bool passthrough_ = false;
  // When a dial or an answer is given up; set with the state, before the
  // worker sends the command.
  std::chrono::steady_clock::time_point deadline_{};

  // The worker's own.
  std::string partial_;
  DWORD dialRequest_ = 0;
  std::chrono::steady_clock::time_point lastRing_{};
  std::thread thread_;
};

}  // namespace tapi
