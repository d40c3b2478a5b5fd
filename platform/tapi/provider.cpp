// The Hayes modem behind an open line and the applications' message queues.
#include "platform/tapi/provider.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <map>

#include "platform/comm/comm.h"
#include "platform/win/clock.h"
#include "platform/tapi/text.h"
#include "platform/win/sync.h"

namespace tapi {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

DWORD NewId() {
  static std::atomic<DWORD> next{0};
  DWORD id = next.fetch_add(1) + 1;
  return id & 0x7FFFFFFFu ? id & 0x7FFFFFFFu : NewId();
}

// ---------------------------------------------------------------------------
// Applications

LineApp::LineApp() : event_(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {}

LineApp::~LineApp() {
  if (event_) CloseHandle(event_);
}

void LineApp::Post(const LINEMESSAGE& message) {
  {
    std::lock_guard lock(mu_);
    if (shutdown_) return;
    queue_.push_back(message);
    SetEvent(event_);
  }
  cv_.notify_all();
}

bool LineApp::Get(LINEMESSAGE& message, DWORD timeout) {
  std::unique_lock lock(mu_);
  auto ready = [&] { return shutdown_ || !queue_.empty(); };
  if (timeout == INFINITE)
    cv_.wait(lock, ready);
  else
    cv_.wait_for(lock, milliseconds(timeout), ready);
  if (queue_.empty()) return false;
  message = queue_.front();
  queue_.pop_front();
  if (queue_.empty()) ResetEvent(event_);
  return true;
}

void LineApp::Shutdown() {
  {
    std::lock_guard lock(mu_);
    shutdown_ = true;
    queue_.clear();
    ResetEvent(event_);
  }
  cv_.notify_all();
}

// ---------------------------------------------------------------------------
// Calls by handle

namespace {

struct CallTable {
  std::mutex mu;
  std::map<HCALL, std::weak_ptr<HayesLine>> calls;
};

CallTable& Calls() {
  static auto* t = new CallTable;
  return *t;
}


// The word of a numeric result code (verbose off).
std::string ResultWord(const std::string& line) {
  static const char* const kWords[] = {"OK",    "CONNECT", "RING",        "NO CARRIER",
                                       "ERROR", "",        "NO DIALTONE", "BUSY", "NO ANSWER"};
  if (line.size() == 1 && line[0] >= '0' && line[0] <= '8') return kWords[line[0] - '0'];
  if (line == "NO DIAL TONE") return "NO DIALTONE";
  return line;
}

// Takes the next complete line out of `pending` as a result word (empty for a
// blank line); false when no line is complete yet. A modem that talks without
// ever ending a line is not let to fill memory.
bool NextLine(std::string& pending, std::string& line) {
  const std::size_t at = pending.find_first_of("\r\n");
  if (at == std::string::npos) {
    if (pending.size() > 4096) pending.erase(0, pending.size() - 256);
    return false;
  }
  line = ResultWord(Upper(TrimBlanks(pending.substr(0, at))));
  pending.erase(0, at + 1);
  return true;
}

}  // namespace

void RegisterCall(HCALL call, const std::shared_ptr<HayesLine>& line) {
  std::lock_guard lock(Calls().mu);
  Calls().calls[call] = line;
}

void ForgetCall(HCALL call) {
  std::lock_guard lock(Calls().mu);
  Calls().calls.erase(call);
}

std::shared_ptr<HayesLine> FindCallLine(HCALL call) {
  std::lock_guard lock(Calls().mu);
  auto it = Calls().calls.find(call);
  return it == Calls().calls.end() ? nullptr : it->second.lock();
}

// ---------------------------------------------------------------------------
// The line

HayesLine::HayesLine(std::shared_ptr<LineApp> app, HLINE line, DWORD_PTR instance, std::string portName,
                     LineSettings settings)
    : app_(std::move(app)),
      line_(line),
      instance_(instance),
      portName_(std::move(portName)),
      settings_(std::move(settings)) {}

HayesLine::~HayesLine() { Close(); }

LONG HayesLine::OpenPort() {
  std::string name = portName_;
  if (!name.empty() && name[0] != '/' && name.rfind("\\\\.\\", 0) != 0) name = "\\\\.\\" + name;
  HANDLE h = CreateFileA(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    const DWORD e = GetLastError();
    return e == ERROR_ACCESS_DENIED ? LINEERR_ALLOCATED : e == ERROR_FILE_NOT_FOUND ? LINEERR_NODEVICE
                                                                                    : LINEERR_RESOURCEUNAVAIL;
  }
  // The line's rate and flow control, 8 data bits, no parity, one stop bit;
  // DTR up, as a modem needs it to stay in a call.
  DCB dcb{};
  dcb.DCBlength = sizeof dcb;
  GetCommState(h, &dcb);
  const bool rtsCts = settings_.flow == Flow::RtsCts, xon = settings_.flow == Flow::XonXoff;
  dcb.BaudRate = settings_.baudRate;
  dcb.fBinary = 1;
  dcb.fParity = 0;
  dcb.ByteSize = 8;
  dcb.Parity = NOPARITY;
  dcb.StopBits = ONESTOPBIT;
  dcb.fDtrControl = DTR_CONTROL_ENABLE;
  dcb.fOutxDsrFlow = 0;
  dcb.fDsrSensitivity = 0;
  dcb.fOutxCtsFlow = rtsCts;
  dcb.fRtsControl = rtsCts ? RTS_CONTROL_HANDSHAKE : RTS_CONTROL_ENABLE;
  dcb.fOutX = xon;
  dcb.fInX = xon;
  dcb.XonChar = 0x11;
  dcb.XoffChar = 0x13;
  if (!SetCommState(h, &dcb)) {
    CloseHandle(h);
    return LINEERR_INVALRATE;
  }
  // Reads return at once with what has arrived; writes give up after 2 s.
  COMMTIMEOUTS t{MAXDWORD, 0, 0, 0, 2000};
  SetCommTimeouts(h, &t);
  std::lock_guard lock(mu_);
  port_ = h;
  return 0;
}

void HayesLine::ClosePort() {
  HANDLE h;
  {
    std::lock_guard lock(mu_);
    h = port_;
    port_ = nullptr;
  }
  if (h) CloseHandle(h);
}

LONG HayesLine::Open() {
  if (portName_.empty()) return LINEERR_NODEVICE;
  if (LONG r = OpenPort(); r < 0) return r;
  if (!Write(settings_.init + "\r") || !WaitForOk(kReplyLimit)) {
    ClosePort();
    return LINEERR_OPERATIONFAILED;
  }
  thread_ = std::thread([this] { Run(); });
  return 0;
}

void HayesLine::Close() {
  {
    std::lock_guard lock(mu_);
    if (stop_) return;
    stop_ = true;
  }
  cv_.notify_all();
  if (thread_.joinable()) thread_.join();
  State s;
  HCALL call;
  {
    std::lock_guard lock(mu_);
    s = state_;
    call = call_;
  }
  if (s == State::Connected || s == State::Dialing || s == State::Answering || s == State::Offering) HangUp();
  if (call) ForgetCall(call);
  ClosePort();
}

bool HayesLine::Write(const std::string& text) {
  HANDLE h;
  {
    std::lock_guard lock(mu_);
    h = port_;
  }
  DWORD written = 0;
  return h && WriteFile(h, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
         written == text.size();
}

DWORD HayesLine::ReadAvailable(HANDLE port, std::string& into) {
  if (!port) return ERROR_INVALID_HANDLE;
  // Only as many bytes as are there: such a read never waits, whatever
  // time-outs are set on the port.
  COMSTAT stat{};
  DWORD errors = 0;
  if (!ClearCommError(port, &errors, &stat)) return GetLastError();
  if (stat.cbInQue == 0) return 0;
  char buf[256];
  DWORD n = 0;
  if (!ReadFile(port, buf, std::min<DWORD>(stat.cbInQue, sizeof buf), &n, nullptr)) return GetLastError();
  into.append(buf, n);
  return 0;
}

bool HayesLine::WaitForOk(milliseconds limit) {
  HANDLE h;
  {
    std::lock_guard lock(mu_);
    h = port_;
  }
  const auto end = Clock::now() + limit;
  std::string pending, line;
  while (true) {
    if (ReadAvailable(h, pending) != 0) return false;
    while (NextLine(pending, line))
      if (line == "OK") return true;
    if (Clock::now() >= end) return false;
    Sleep(static_cast<DWORD>(kPoll.count()));
  }
}

void HayesLine::DrainOutput(HANDLE port) {
  const auto end = Clock::now() + kDrainLimit;
  COMSTAT stat{};
  DWORD errors = 0;
  while (ClearCommError(port, &errors, &stat) && stat.cbOutQue > 0) {
    // A line held up by its flow control is not waited for any longer.
    if (Clock::now() >= end) return;
    Sleep(2);
  }
  FlushFileBuffers(port);  // what the device itself still holds, a few characters
}

// ---- messages (called with mu_ held or by the worker)

void HayesLine::Post(DWORD message, DWORD device, DWORD_PTR p1, DWORD_PTR p2, DWORD_PTR p3) {
  app_->Post(LINEMESSAGE{device, message, instance_, p1, p2, p3});
}

void HayesLine::Reply(DWORD request, LONG result) {
  if (request) Post(LINE_REPLY, 0, request, static_cast<DWORD_PTR>(static_cast<DWORD>(result)));
}

void HayesLine::SetState(State s) {
  std::lock_guard lock(mu_);
  state_ = s;
}

void HayesLine::CallState(DWORD state, DWORD_PTR detail) {
  HCALL call;
  {
    std::lock_guard lock(mu_);
    call = call_;
  }
  Post(LINE_CALLSTATE, call, state, detail, state == LINECALLSTATE_OFFERING ? LINECALLPRIVILEGE_OWNER : 0);
}

void HayesLine::Disconnected(DWORD mode) {
  SetState(State::Disconnected);
  CallState(LINECALLSTATE_DISCONNECTED, mode);
}

void HayesLine::AnswerDial(LONG result) {
  Reply(dialRequest_, result);
  dialRequest_ = 0;
}

// ---- the call functions (caller's thread)

LONG HayesLine::MakeCall(HCALL& call, const std::string& number, bool passthrough) {
  std::unique_lock lock(mu_);
  if (dead_) return LINEERR_OPERATIONFAILED;
  if (call_ != 0) return LINEERR_CALLUNAVAIL;
  call = call_ = NewId();
  state_ = passthrough ? State::Connected : State::Dialing;
  deadline_ = Clock::now() + kDialLimit;
  passthrough_ = passthrough;
  const DWORD request = NewId();
  commands_.push_back({passthrough ? Command::Kind::Reply : Command::Kind::Dial, request, number});
  lock.unlock();
  RegisterCall(call, shared_from_this());
  cv_.notify_all();
  return static_cast<LONG>(request);
}

LONG HayesLine::Answer(HCALL call) {
  std::unique_lock lock(mu_);
  if (call != call_ || call == 0) return LINEERR_INVALCALLHANDLE;
  if (state_ != State::Offering) return LINEERR_INVALCALLSTATE;
  state_ = State::Answering;
  deadline_ = Clock::now() + kDialLimit;
  const DWORD request = NewId();
  commands_.push_back({Command::Kind::Answer, request, {}});
  lock.unlock();
  cv_.notify_all();
  return static_cast<LONG>(request);
}

LONG HayesLine::Drop(HCALL call) {
  std::unique_lock lock(mu_);
  if (call != call_ || call == 0) return LINEERR_INVALCALLHANDLE;
  if (dead_) return LINEERR_OPERATIONFAILED;  // the modem is gone: nothing can be dropped
  if (state_ == State::Idle) return LINEERR_INVALCALLSTATE;
  const DWORD request = NewId();
  commands_.push_back({Command::Kind::Drop, request, {}});
  lock.unlock();
  cv_.notify_all();
  return static_cast<LONG>(request);
}

LONG HayesLine::SetCallParams(HCALL call) {
  std::unique_lock lock(mu_);
  if (call != call_ || call == 0) return LINEERR_INVALCALLHANDLE;
  if (state_ == State::Idle || state_ == State::Disconnected) return LINEERR_INVALCALLSTATE;
  // The modem sets its rate itself; the request only succeeds.
  const DWORD request = NewId();
  commands_.push_back({Command::Kind::Reply, request, "params"});
  lock.unlock();
  cv_.notify_all();
  return static_cast<LONG>(request);
}

LONG HayesLine::Deallocate(HCALL call) {
  {
    std::lock_guard lock(mu_);
    if (call != call_ || call == 0) return LINEERR_INVALCALLHANDLE;
    if (state_ == State::Connected || state_ == State::Dialing || state_ == State::Answering ||
        state_ == State::Offering)
      return LINEERR_INVALCALLSTATE;
    call_ = 0;
    state_ = State::None;
  }
  ForgetCall(call);
  return 0;
}

LONG HayesLine::DataHandle(HCALL call, HANDLE& handle, std::string& portName) {
  std::lock_guard lock(mu_);
  if (call != call_ || call == 0) return LINEERR_INVALCALLHANDLE;
  if (state_ != State::Connected || !port_) return LINEERR_INVALCALLSTATE;
  const win::HandleKind* kind = win::KindOfHandle(port_);
  std::shared_ptr<void> object = kind ? win::FindHandle(port_, *kind) : nullptr;
  if (!object) return LINEERR_OPERATIONFAILED;
  handle = win::NewHandle(*kind, std::move(object));
  if (!handle) return LINEERR_NOMEM;
  portName = portName_;
  return 0;
}

// ---- the worker

void HayesLine::Run() {
  while (true) {
    std::optional<Command> command;
    {
      std::unique_lock lock(mu_);
      cv_.wait_for(lock, kPoll, [&] { return stop_ || !commands_.empty(); });
      if (stop_) return;
      if (!commands_.empty()) {
        command = std::move(commands_.front());
        commands_.pop_front();
      }
      if (dead_) continue;
    }
    if (command) Execute(*command);
    Watch();
  }
}

void HayesLine::Execute(const Command& c) {
  switch (c.kind) {
    case Command::Kind::Dial:
      if (!Write("ATDT" + c.text + "\r")) {
        Reply(c.request, LINEERR_OPERATIONFAILED);
        SetState(State::Idle);
        CallState(LINECALLSTATE_IDLE);
        return;
      }
      dialRequest_ = c.request;
      return;
    case Command::Kind::Answer: {
      const bool sent = Write("ATA\r");
      Reply(c.request, sent ? 0 : LINEERR_OPERATIONFAILED);
      if (!sent) Disconnected(LINEDISCONNECTMODE_UNAVAIL);
      return;
    }
    case Command::Kind::Drop: {
      State s;
      {
        std::lock_guard lock(mu_);
        s = state_;
      }
      if (s == State::Connected || s == State::Dialing || s == State::Answering || s == State::Offering) HangUp();
      AnswerDial(0);
      Reply(c.request, 0);
      SetState(State::Idle);
      CallState(LINECALLSTATE_IDLE);
      return;
    }
    case Command::Kind::Reply:
      Reply(c.request, 0);
      if (c.text.empty()) CallState(LINECALLSTATE_CONNECTED);  // a pass-through call is connected at once
      return;
  }
}

void HayesLine::ReadLines() {
  HANDLE h;
  {
    std::lock_guard lock(mu_);
    h = port_;
  }
  if (const DWORD e = ReadAvailable(h, partial_); e != 0) {
    // A port closed under the line (through a data handle) is opened again; a
    // device that has gone closes the line.
    if (e == ERROR_INVALID_HANDLE)
      Reopen();
    else if (e == ERROR_DEVICE_NOT_CONNECTED)
      PortLost();
    return;
  }
  std::string line;
  while (NextLine(partial_, line))
    if (!line.empty()) OnResult(line);
}

void HayesLine::OnResult(const std::string& line) {
  if (line.rfind("AT", 0) == 0) return;  // an echo of our command
  State s;
  {
    std::lock_guard lock(mu_);
    s = state_;
  }
  const bool connect = line == "CONNECT" || line.rfind("CONNECT ", 0) == 0;
  if (s == State::Dialing) {
    if (connect) {
      AnswerDial(0);
      SetState(State::Connected);
      CallState(LINECALLSTATE_CONNECTED);
    } else if (line == "BUSY") {
      AnswerDial(0);
      SetState(State::Busy);
      CallState(LINECALLSTATE_BUSY);
    } else if (line == "NO CARRIER" || line == "NO ANSWER" || line == "NO DIALTONE") {
      // The call is over before its request is answered: a client acting on
      // the reply finds it disconnected.
      SetState(State::Disconnected);
      AnswerDial(0);
      Disconnected(line == "NO ANSWER"    ? LINEDISCONNECTMODE_NOANSWER
                   : line == "NO DIALTONE" ? LINEDISCONNECTMODE_NODIALTONE
                                           : LINEDISCONNECTMODE_UNAVAIL);
    } else if (line == "ERROR") {
      // The modem refused the dial command: the request fails, the call is over.
      AnswerDial(LINEERR_OPERATIONFAILED);
      SetState(State::Idle);
      CallState(LINECALLSTATE_IDLE);
    }
    return;
  }
  if (s == State::Answering) {
    if (connect) {
      SetState(State::Connected);
      CallState(LINECALLSTATE_CONNECTED);
    } else if (line == "NO CARRIER" || line == "ERROR" || line == "NO ANSWER") {
      Disconnected(LINEDISCONNECTMODE_UNAVAIL);
    }
    return;
  }
  if (line == "RING") {
    if (s == State::Offering) {
      lastRing_ = Clock::now();
      return;
    }
    if (s != State::None) return;  // a call not yet deallocated: the ring waits
    HCALL call = NewId();
    {
      std::lock_guard lock(mu_);
      call_ = call;
      state_ = State::Offering;
      passthrough_ = false;
    }
    RegisterCall(call, shared_from_this());
    lastRing_ = Clock::now();
    CallState(LINECALLSTATE_OFFERING);
    return;
  }
  if (line == "NO CARRIER" && s == State::Offering) Disconnected(LINEDISCONNECTMODE_NORMAL);
}

void HayesLine::Watch() {
  State s;
  HANDLE h;
  bool passthrough;
  {
    std::lock_guard lock(mu_);
    s = state_;
    h = port_;
    passthrough = passthrough_;
  }
  if (s == State::Connected) {
    DWORD status = 0;
    if (!GetCommModemStatus(h, &status)) {
      // The data handle was closed, and with it the port: the modem hung up.
      if (Reopen()) Disconnected(LINEDISCONNECTMODE_NORMAL);
      return;
    }
    if (!passthrough && !(status & MS_RLSD_ON)) Disconnected(LINEDISCONNECTMODE_NORMAL);
    return;
  }
  ReadLines();
  Clock::time_point deadline;
  {
    std::lock_guard lock(mu_);
    if (dead_) return;
    s = state_;
    deadline = deadline_;
  }
  const auto now = Clock::now();
  if ((s == State::Dialing || s == State::Answering) && now >= deadline) {
    Write("\r");  // any character ends the modem's dialling
    AnswerDial(0);
    Disconnected(s == State::Dialing ? LINEDISCONNECTMODE_NOANSWER : LINEDISCONNECTMODE_UNAVAIL);
  } else if (s == State::Offering && now - lastRing_ > kRingGap) {
    Disconnected(LINEDISCONNECTMODE_NORMAL);
  }
}

bool HayesLine::Reopen() {
  ClosePort();
  for (int attempt = 0; attempt < 10; ++attempt) {
    if (OpenPort() == 0) return true;
    Sleep(50);
  }
  PortLost();
  return false;
}

void HayesLine::PortLost() {
  State s;
  {
    std::lock_guard lock(mu_);
    if (dead_) return;
    dead_ = true;
    s = state_;
  }
  if (s == State::Connected || s == State::Dialing || s == State::Answering || s == State::Offering) {
    AnswerDial(0);
    Disconnected(LINEDISCONNECTMODE_UNAVAIL);
  }
  ClosePort();
  Post(LINE_CLOSE, line_, 0);
}

void HayesLine::HangUp() {
  HANDLE h;
  {
    std::lock_guard lock(mu_);
    h = port_;
  }
  DWORD status = 0;
  if (h && !GetCommModemStatus(h, &status)) {
    // The port was closed under the line (its data handle): closing it dropped
    // DTR already; reopen it for the next call.
    if (!Reopen()) return;
    {
      std::lock_guard lock(mu_);
      h = port_;
    }
    if (h && !GetCommModemStatus(h, &status)) return;
  }
  if (!h) return;
  State s;
  {
    std::lock_guard lock(mu_);
    s = state_;
  }
  const bool placing = s == State::Dialing || s == State::Answering;
  // Carrier detect follows the carrier (the set-up asks for it): a call whose
  // carrier has gone has nothing left to hang up.
  if (s != State::Offering && !placing && !(status & MS_RLSD_ON)) {
    PurgeComm(h, PURGE_RXCLEAR);
    partial_.clear();
    return;
  }
  // Any character ends a dial under way; in a call it would be data.
  if (placing) Write("\r");
  // What was written reaches the other side before DTR drops or the escape
  // comes: a hang-up never cuts the last bytes of a call off.
  DrainOutput(h);
  const auto silentSince = Clock::now();
  EscapeCommFunction(h, CLRDTR);
  Sleep(static_cast<DWORD>(kDtrDrop.count()));
  EscapeCommFunction(h, SETDTR);
  const auto fall = Clock::now() + kCarrierFall;
  bool carrier = true;
  while (Clock::now() < fall) {
    if (!GetCommModemStatus(h, &status) || !(status & MS_RLSD_ON)) {
      carrier = false;
      break;
    }
    Sleep(static_cast<DWORD>(kPoll.count()));
  }
  if (carrier) {
    // The modem ignores DTR: escape to command mode and hang up there. The
    // silence of the DTR drop counts towards the guard time before "+++".
    const auto silent = Clock::now() - silentSince;
    if (silent < kGuard) Sleep(static_cast<DWORD>(std::chrono::ceil<milliseconds>(kGuard - silent).count()));
    Write("+++");
    Sleep(static_cast<DWORD>(kGuard.count()));
    // The escape's own OK has come by now: only the reply to ATH counts.
    PurgeComm(h, PURGE_RXCLEAR);
    Write("ATH\r");
    WaitForOk(kReplyLimit);
  }
  PurgeComm(h, PURGE_RXCLEAR);
  partial_.clear();
}

}  // namespace tapi
