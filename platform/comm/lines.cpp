#include "platform/comm/lines.h"

#include <map>
#include <mutex>

namespace comm::lines {

namespace {

struct State {
  Outputs outputs;
  DWORD modemStatus = 0;
  DWORD errors = 0;
};

struct Table {
  std::mutex mu;
  std::map<std::string, State> ports;
};

Table& table() {
  static Table t;
  return t;
}

template <class F>
auto With(const std::string& key, F f) {
  Table& t = table();
  std::lock_guard lock(t.mu);
  return f(t.ports[key]);
}

}  // namespace

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
void InjectErrors(const std::string& key, DWORD errors) {
  With(key, [errors](State& s) { s.errors |= errors; });
}
DWORD TakeErrors(const std::string& key) {
  return With(key, [](State& s) {
    DWORD e = s.errors;
    s.errors = 0;
    return e;
  });
}
void Reset(const std::string& key) {
  Table& t = table();
  std::lock_guard lock(t.mu);
  t.ports.erase(key);
}

}  // namespace comm::lines
