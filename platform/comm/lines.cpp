#include "platform/comm/lines.h"

#include <poll.h>
#include <sys/ioctl.h>

#include <algorithm>
#include <map>

namespace comm::lines {

namespace {

// The states by device key. The table's lock is taken only to find a state;
// each state has its own lock.
struct Table {
  std::mutex mu;
  std::map<std::string, std::shared_ptr<State>> ports;
};

Table& table() {
  static auto* t = new Table;  // never destroyed: ports may close after exit starts
  return *t;
}

template <class F>
auto With(const std::string& key, F f) {
  std::shared_ptr<State> s = StateOf(key);
  std::lock_guard lock(s->mu);
  return f(*s);
}

}  // namespace

std::shared_ptr<State> StateOf(const std::string& key) {
  Table& t = table();
  std::lock_guard lock(t.mu);
  auto& s = t.ports[key];
  if (!s) s = std::make_shared<State>();
  return s;
}

Outputs GetOutputs(const std::string& key) {
  return With(key, [](State& s) { return s.outputs; });
}
void SetDtr(const std::string& key, bool on) {
  With(key, [on](State& s) { s.outputs.dtr = on; });
}
void SetRts(const std::string& key, bool on) {
  With(key, [on](State& s) { s.outputs.rts = on; });
}
void SetBreak(const std::string& key, bool on) {
  With(key, [on](State& s) { s.outputs.brk = on; });
}
DWORD GetModemStatus(const std::string& key) {
  return With(key, [](State& s) { return s.modemStatus; });
}
void SetModemStatus(const std::string& key, DWORD status) {
  With(key, [status](State& s) { s.modemStatus = status; });
}
void SetPeer(const std::string& key, int masterFd) {
  With(key, [masterFd](State& s) { s.peer = masterFd; });
}
DWORD PeerUnread(State& s) {
  std::lock_guard lock(s.mu);
  int n = 0;
  if (s.peer < 0) return 0;
  // A pseudo-terminal hands what was written to its other side a moment after
  // the write returned; polling the other side hands it over now, so that a
  // byte on its way is counted rather than missed.
  pollfd p{s.peer, POLLIN, 0};
  poll(&p, 1, 0);
  if (ioctl(s.peer, FIONREAD, &n) != 0) return 0;
  return static_cast<DWORD>(std::max(n, 0));
}
void InjectErrors(const std::string& key, DWORD errors) { StateOf(key)->errors.fetch_or(errors); }
DWORD TakeErrors(const std::string& key) { return TakeErrors(*StateOf(key)); }
void Reset(const std::string& key) {
  With(key, [](State& s) {
    s.outputs = Outputs{};
    s.modemStatus = 0;
    s.errors.store(0);
  });
}

}  // namespace comm::lines
