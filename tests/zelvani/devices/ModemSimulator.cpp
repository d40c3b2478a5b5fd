#include "tests/zelvani/devices/ModemSimulator.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "tests/zelvani/devices/RegisterSimulator.h"

namespace zelvani {

namespace {

std::string Upper(std::string s) {
  for (char& c : s)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return s;
}

std::string Trim(const std::string& s) {
  const auto b = s.find_first_not_of(" \t\n");
  if (b == std::string::npos) return {};
  return s.substr(b, s.find_last_not_of(" \t\n") - b + 1);
}

// The numeric code of a result word (verbose off).
std::string NumericCode(const std::string& word) {
  struct Code {
    const char* word;
    const char* code;
  };
  static constexpr Code kCodes[] = {{"OK", "0"},          {"CONNECT", "1"}, {"RING", "2"},  {"NO CARRIER", "3"},
                                    {"ERROR", "4"},       {"NO DIALTONE", "6"}, {"BUSY", "7"}, {"NO ANSWER", "8"}};
  for (const Code& c : kCodes)
    if (word == c.word || (std::strcmp(c.word, "CONNECT") == 0 && word.rfind("CONNECT", 0) == 0)) return c.code;
  return word;
}

bool Dialable(const std::string& number) {
  if (number.empty()) return false;
  for (char c : Upper(number))
    if (!((c >= '0' && c <= '9') || std::strchr("*#,WP!@ -()ABCD", c))) return false;
  return true;
}

void SkipDigits(const std::string& s, std::size_t& i) {
  while (i < s.size() && s[i] >= '0' && s[i] <= '9') ++i;
}

}  // namespace

ModemSimulator::ModemSimulator(const std::string& port) : port_(port) {
  pty_.MapTo(port);
  SetCarrier(false);
}

ModemSimulator::~ModemSimulator() {
  Stop();
  CloseBridge();
}

ModemSimulator& ModemSimulator::Dial(const std::string& number, Outcome outcome) {
  std::lock_guard lock(mu_);
  outcomes_[number] = std::move(outcome);
  return *this;
}

ModemSimulator& ModemSimulator::OtherNumbers(Outcome outcome) {
  std::lock_guard lock(mu_);
  other_ = std::move(outcome);
  return *this;
}

ModemSimulator& ModemSimulator::Bridge(RegisterSimulator& reg) {
  std::lock_guard lock(mu_);
  bridgeTo_ = &reg;
  return *this;
}

ModemSimulator& ModemSimulator::Guard(ms guard) {
  std::lock_guard lock(mu_);
  guard_ = guard;
  return *this;
}

ModemSimulator& ModemSimulator::Silent() {
  std::lock_guard lock(mu_);
  silent_ = true;
  return *this;
}

ModemSimulator& ModemSimulator::Garbage() {
  std::lock_guard lock(mu_);
  garbage_ = true;
  return *this;
}

ModemSimulator& ModemSimulator::IgnoreDtr() {
  std::lock_guard lock(mu_);
  dtrWired_ = false;
  return *this;
}

ModemSimulator& ModemSimulator::Quiet() {
  std::lock_guard lock(mu_);
  quiet_ = profileQuiet_ = true;
  return *this;
}

ModemSimulator& ModemSimulator::CarrierDetectAlwaysOn() {
  std::lock_guard lock(mu_);
  dcdOn_ = profileDcdOn_ = true;
  SetCarrier(carrier_);
  return *this;
}

ModemSimulator& ModemSimulator::FixedRate(unsigned baud, bool rtsCts) {
  std::lock_guard lock(mu_);
  fixedRate_ = baud;
  fixedRtsCts_ = rtsCts;
  return *this;
}

void ModemSimulator::SlowLine(ms perByte) {
  std::lock_guard lock(mu_);
  slowLine_ = perByte;
}

ModemSimulator& ModemSimulator::HoldReadsUntil(std::size_t bytes) {
  std::lock_guard lock(mu_);
  holdUntil_ = bytes;
  return *this;
}

void ModemSimulator::Start() { thread_ = std::thread([this] { Run(); }); }

void ModemSimulator::Stop() {
  {
    std::lock_guard lock(mu_);
    stop_ = true;
  }
  changed_.notify_all();
  if (thread_.joinable()) thread_.join();
}

bool ModemSimulator::Stopping() const { return stop_; }

// ---- requests of the test

void ModemSimulator::Ring(int times, ms every, ms answerDelay) {
  std::lock_guard lock(mu_);
  if (mode_ != Mode::Command) return;
  mode_ = Mode::Ringing;
  ringsLeft_ = times;
  ringEvery_ = every;
  answerDelay_ = answerDelay;
  nextRing_ = Clock::now();
}

void ModemSimulator::LoseCarrier() {
  std::lock_guard lock(mu_);
  loseCarrier_ = true;
}

void ModemSimulator::ClosePort() {
  std::lock_guard lock(mu_);
  closePort_ = true;
}

void ModemSimulator::Send(const std::string& bytes) {
  std::lock_guard lock(mu_);
  toSend_.push_back(bytes);
}

// ---- observations

std::vector<std::string> ModemSimulator::Commands() const {
  std::lock_guard lock(mu_);
  return commands_;
}
int ModemSimulator::Dials() const {
  std::lock_guard lock(mu_);
  return dials_;
}
int ModemSimulator::Answers() const {
  std::lock_guard lock(mu_);
  return answers_;
}
int ModemSimulator::Hangups() const {
  std::lock_guard lock(mu_);
  return hangups_;
}
bool ModemSimulator::InCall() const {
  std::lock_guard lock(mu_);
  return mode_ == Mode::Data || mode_ == Mode::Online;
}
bool ModemSimulator::DataMode() const {
  std::lock_guard lock(mu_);
  return mode_ == Mode::Data;
}
std::string ModemSimulator::Data() const {
  std::lock_guard lock(mu_);
  return data_;
}

bool ModemSimulator::WaitFor(const std::function<bool()>& what, ms timeout) const {
  const auto end = Clock::now() + timeout;
  while (!what()) {
    if (Clock::now() >= end) return false;
    std::this_thread::sleep_for(ms(5));
  }
  return true;
}

// ---- the line

void ModemSimulator::SetCarrier(bool on) {
  carrier_ = on;
  comm::testing::SetModemStatus(port_, (on || dcdOn_ ? MS_RLSD_ON : 0) | MS_DSR_ON | MS_CTS_ON);
}

bool ModemSimulator::WrongRate() const {
  if (fixedRate_ == 0) return false;
  struct Rate {
    unsigned baud;
    speed_t code;
  };
  static constexpr Rate kRates[] = {{1200, B1200},   {2400, B2400},   {4800, B4800},  {9600, B9600},
                                    {19200, B19200}, {38400, B38400}, {57600, B57600}, {115200, B115200}};
  termios t{};
  if (tcgetattr(pty_.master(), &t) != 0) return true;
  bool rate = false;
  for (const Rate& r : kRates)
    if (r.baud == fixedRate_) rate = cfgetospeed(&t) == r.code;
  return !rate || (fixedRtsCts_ && !(t.c_cflag & CRTSCTS));
}

void ModemSimulator::Write(const std::string& bytes) {
  if (closed_) return;
  std::string_view rest(bytes);
  const auto end = Clock::now() + ms(1000);
  while (!rest.empty() && Clock::now() < end) {
    const ssize_t n = ::write(pty_.master(), rest.data(), rest.size());
    if (n > 0) {
      rest.remove_prefix(static_cast<std::size_t>(n));
    } else if (n < 0 && errno != EAGAIN && errno != EINTR) {
      return;
    } else {
      pollfd p{pty_.master(), POLLOUT, 0};
      poll(&p, 1, 10);
    }
  }
}

void ModemSimulator::Result(const std::string& word) {
  if (quiet_) return;
  if (verbose_)
    Write("\r\n" + word + "\r\n");
  else
    Write(NumericCode(word) + "\r");
}

void ModemSimulator::OpenBridge() {
  if (!bridgeTo_ || bridge_ >= 0) return;
  bridge_ = ::open(bridgeTo_->SlavePath().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (bridge_ < 0) return;
  termios t{};
  tcgetattr(bridge_, &t);
  cfmakeraw(&t);
  tcsetattr(bridge_, TCSANOW, &t);
}

void ModemSimulator::CloseBridge() {
  if (bridge_ >= 0) ::close(bridge_);
  bridge_ = -1;
}

void ModemSimulator::PumpBridge() {
  if (bridge_ < 0) return;
  char buf[512];
  ssize_t n;
  while ((n = ::read(bridge_, buf, sizeof buf)) > 0) Write(std::string(buf, static_cast<std::size_t>(n)));
}

void ModemSimulator::Connected(const Outcome& outcome) {
  mode_ = Mode::Data;
  SetCarrier(true);
  OpenBridge();
  Result(outcome.result);
  if (!outcome.afterConnect.empty()) Write(outcome.afterConnect);
  carrierEnd_ = outcome.carrierFor.count() >= 0 ? Clock::now() + outcome.carrierFor : Clock::time_point::max();
  lastData_ = Clock::now();
  escape_.clear();
}

void ModemSimulator::HangUp(bool byDtr) {
  (void)byDtr;
  if (mode_ == Mode::Data || mode_ == Mode::Online || mode_ == Mode::Dialing || mode_ == Mode::Answering) ++hangups_;
  mode_ = Mode::Command;
  SetCarrier(false);
  CloseBridge();
  carrierEnd_ = Clock::time_point::max();
  escape_.clear();
}

void ModemSimulator::OnBytes(const std::string& bytes, bool late) {
  for (char c : bytes) {
    const auto now = Clock::now();
    // A complete escape and a command read together after this thread was held
    // up: the sender's second guard time passed while nobody read, so the
    // escape is taken and the rest is the command.
    if (mode_ == Mode::Data && late && escape_ == "+++" && c == 'A') {
      escape_.clear();
      mode_ = Mode::Online;
      Result("OK");
    }
    if (mode_ == Mode::Data) {
      // "+++" counts only after a guard time of silence and before another.
      if (c == '+' && (escape_.empty() ? now - lastData_ >= guard_ : escape_.size() < 3)) {
        escape_ += c;
        escapeAt_ = now;
        continue;
      }
      std::string out = escape_ + c;
      escape_.clear();
      lastData_ = now;
      if (bridge_ >= 0) {
        if (::write(bridge_, out.data(), out.size()) < 0) {
        }
      } else {
        data_ += out;
      }
      continue;
    }
    if (mode_ == Mode::Dialing || mode_ == Mode::Answering) {
      // Any character ends a dial or an answer under way.
      mode_ = Mode::Command;
      Result("NO CARRIER");
      continue;
    }
    if (echo_ && !silent_) Write(std::string(1, c));
    if (c == '\n') continue;
    if (c != '\r') {
      line_ += c;
      continue;
    }
    std::string line = line_;
    line_.clear();
    OnCommandLine(line);
  }
}

void ModemSimulator::OnCommandLine(const std::string& raw) {
  std::string line = Trim(raw);
  if (line.empty()) return;
  // A command starts at "AT": what came before it (data sent after the call
  // ended) is noise.
  if (const std::size_t at = Upper(line).find("AT"); at != std::string::npos) line.erase(0, at);
  commands_.push_back(line);
  if (silent_) return;
  if (garbage_) {
    Write("\r\n#%&x?\x7f!\r\n");
    return;
  }
  const std::string up = Upper(line);
  if (up.rfind("AT", 0) != 0) return;
  std::size_t i = 2;
  while (i < up.size()) {
    const char c = up[i++];
    switch (c) {
      case ' ':
        break;
      case 'D': {
        std::string number = Trim(line.substr(i));
        if (!number.empty() && (Upper(number)[0] == 'T' || Upper(number)[0] == 'P')) number = Trim(number.substr(1));
        if (mode_ == Mode::Online || !Dialable(number)) {
          Result("ERROR");
          return;
        }
        ++dials_;
        auto it = outcomes_.find(number);
        pending_ = it != outcomes_.end() ? it->second : other_;
        mode_ = Mode::Dialing;
        due_ = Clock::now() + pending_.delay;
        return;
      }
      case 'A':
        if (mode_ == Mode::Ringing) {
          ++answers_;
          mode_ = Mode::Answering;
          pending_ = Outcome{};
          due_ = Clock::now() + answerDelay_;
        } else {
          Result("NO CARRIER");
        }
        return;
      case 'H':
        SkipDigits(up, i);
        if (mode_ == Mode::Online) HangUp(false);
        break;
      case 'O':
        SkipDigits(up, i);
        if (mode_ != Mode::Online) {
          Result("ERROR");
          return;
        }
        mode_ = Mode::Data;
        lastData_ = Clock::now();
        Result("CONNECT 9600");
        return;
      case 'E':
      case 'V': {
        const bool on = i < up.size() && up[i] == '1';
        SkipDigits(up, i);
        (c == 'E' ? echo_ : verbose_) = on;
        break;
      }
      case 'Q': {
        quiet_ = i < up.size() && up[i] == '1';
        SkipDigits(up, i);
        break;
      }
      case 'Z':
        SkipDigits(up, i);
        echo_ = verbose_ = true;
        quiet_ = profileQuiet_;
        dcdOn_ = profileDcdOn_;
        ignoreDtr_ = false;
        SetCarrier(carrier_);
        break;
      case '&': {
        const char what = i < up.size() ? up[i++] : '\0';
        const std::size_t from = i;
        SkipDigits(up, i);
        const bool zero = up.substr(from, i - from) == "0";
        if (what == 'D') ignoreDtr_ = zero;
        if (what == 'C') {
          dcdOn_ = zero;
          SetCarrier(carrier_);
        }
        break;
      }
      case 'S': {
        const std::size_t from = i;
        SkipDigits(up, i);
        const int reg = std::atoi(up.substr(from, i - from).c_str());
        if (i < up.size() && up[i] == '=') {
          const std::size_t v = ++i;
          SkipDigits(up, i);
          if (reg == 12) guard_ = ms(20 * std::atoi(up.substr(v, i - v).c_str()));
        } else if (i < up.size() && up[i] == '?') {
          ++i;
        }
        break;
      }
      case 'X':
      case 'L':
      case 'M':
      case 'I':
        SkipDigits(up, i);
        break;
      default:
        Result("ERROR");
        return;
    }
  }
  Result("OK");
}

void ModemSimulator::WatchDtr() {
  // DTR dropped by the other side ends a call (and a dial).
  const bool dtr = comm::testing::GetOutputLines(port_).dtr;
  if (lastDtr_ && !dtr && dtrWired_ && !ignoreDtr_) {
    HangUp(true);
    if (slowLine_.count() > 0) {
      // What was still on the line is lost with the call.
      char buf[512];
      while (::read(pty_.master(), buf, sizeof buf) > 0) {
      }
      nextByteAt_ = {};
    }
  }
  lastDtr_ = dtr;
}

void ModemSimulator::ReadLine(Clock::time_point now) {
  const int master = pty_.master();
  char buf[512];
  ssize_t n;
  int waiting = 0;
  if (slowLine_.count() > 0) {
    WatchDtr();
    if (ioctl(master, FIONREAD, &waiting) != 0 || waiting <= 0) return;
    if (nextByteAt_ == Clock::time_point{}) nextByteAt_ = now + slowLine_;
    if (now < nextByteAt_) return;
    nextByteAt_ = waiting > 1 ? now + slowLine_ : Clock::time_point{};
    if (::read(master, buf, 1) == 1) OnBytes(std::string(1, buf[0]), false);
    return;
  }
  if (holdUntil_ > 0 && ioctl(master, FIONREAD, &waiting) == 0 && static_cast<std::size_t>(waiting) >= holdUntil_)
    holdUntil_ = 0;
  if (holdUntil_ == 0) {
    const bool late = lastRead_ != Clock::time_point{} && now - lastRead_ > guard_ / 2;
    lastRead_ = now;
    const bool noise = WrongRate();
    while ((n = ::read(master, buf, sizeof buf)) > 0)
      if (!noise) OnBytes(std::string(buf, static_cast<std::size_t>(n)), late);
  }
  WatchDtr();
}

void ModemSimulator::Run() {
  while (true) {
    int master = -1;
    {
      std::unique_lock lock(mu_);
      if (stop_) return;
      const auto now = Clock::now();
      if (closePort_ && !closed_) {
        HangUp(false);
        pty_.HangUp();
        closed_ = true;
      }
      if (closed_) {
        lock.unlock();
        std::this_thread::sleep_for(ms(5));
        continue;
      }
      master = pty_.master();
      for (const std::string& s : toSend_) Write(s);
      toSend_.clear();
      if (loseCarrier_ || ((mode_ == Mode::Data || mode_ == Mode::Online) && now >= carrierEnd_)) {
        loseCarrier_ = false;
        if (mode_ == Mode::Data || mode_ == Mode::Online) {
          HangUp(false);
          --hangups_;  // the carrier went: nobody hung up
          Result("NO CARRIER");
        }
      }
      ReadLine(now);
      if (mode_ == Mode::Dialing && !pending_.result.empty() && now >= due_) {
        if (pending_.result.rfind("CONNECT", 0) == 0) {
          Connected(pending_);
        } else {
          mode_ = Mode::Command;
          Result(pending_.result);
        }
      }
      if (mode_ == Mode::Answering && now >= due_) Connected(pending_);
      if (mode_ == Mode::Ringing && now >= nextRing_) {
        if (ringsLeft_-- > 0) {
          Result("RING");
          nextRing_ = now + ringEvery_;
        } else {
          mode_ = Mode::Command;
        }
      }
      if (mode_ == Mode::Data && escape_ == "+++" && now - escapeAt_ >= guard_) {
        escape_.clear();
        mode_ = Mode::Online;
        Result("OK");
      }
      if (mode_ == Mode::Data) PumpBridge();
    }
    changed_.notify_all();
    pollfd p[2] = {{master, POLLIN, 0}, {bridge_, POLLIN, 0}};
    poll(p, bridge_ >= 0 ? 2 : 1, 5);
  }
}

}  // namespace zelvani
