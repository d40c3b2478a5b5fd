#include "tests/zelvani/devices/RegisterSimulator.h"

#include <poll.h>
#include <stdlib.h>
#include <sys/eventfd.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <system_error>

#include "platform/com/ansi.h"
#include "platform/com/registry.h"
#include "platform/com/variant.h"
#include "zelvani/model/TextHelpers.h"

namespace zelvani {

namespace {

using std::chrono::milliseconds;

Bstr B(std::string_view ansi) { return Bstr::Attach(AnsiToBstr(ansi)); }

void Check(HRESULT hr, const std::string& what) {
  if (FAILED(hr)) throw std::runtime_error(what + " failed: " + WideToUtf8(TakeErrorDescription()));
}

std::string Text(std::string_view bytes) { return ControlCharsToText(bytes); }

long long MillisecondsSince(RegisterSimulator::Clock::time_point start) {
  return std::chrono::duration_cast<milliseconds>(RegisterSimulator::Clock::now() - start).count();
}

}  // namespace

// ---------------------------------------------------------------- registry

ScopedTestRegistry::ScopedTestRegistry() {
  std::string pattern = (std::filesystem::temp_directory_path() / "register-sim-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) throw std::system_error(errno, std::generic_category(), "mkdtemp");
  dir_ = pattern;
  setenv("PLATFORM_REGISTRY", (dir_ + "/registry.reg").c_str(), 1);
  registry::ResetCacheForTests();
}

ScopedTestRegistry::~ScopedTestRegistry() {
  unsetenv("PLATFORM_REGISTRY");
  registry::ResetCacheForTests();
  std::error_code ignored;
  std::filesystem::remove_all(dir_, ignored);
}

// ---------------------------------------------------------------- set-up

std::string RegisterSimulator::DefaultLibrary() { return TEST_DATA_DIR "/register.pkd"; }

RegisterSimulator::RegisterSimulator(const std::string& port, const std::string& library) : port_(port) {
  pty_.MapTo(port);
  protocol_ = Create<IQAVZLVProtocol>(CLSID_QAVZLVProtocol);
  ComPtr<IQAVZLVPacketLibrary> packetLibrary;
  Check(protocol_->get_PacketLibrary(packetLibrary.Out()), "PacketLibrary");
  VARIANT_BOOL ok = VARIANT_FALSE;
  Check(packetLibrary->LoadFromFile(B(library).Get(), &ok), "LoadFromFile");
  if (ok != VARIANT_TRUE) throw std::runtime_error("cannot load the packet library " + library);
  watch_ = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  if (watch_ < 0) throw std::system_error(errno, std::generic_category(), "inotify_init1");
  wake_ = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
  if (wake_ < 0 || inotify_add_watch(watch_, pty_.slavePath().c_str(), IN_OPEN | IN_CLOSE) < 0) {
    int error = errno;
    ::close(watch_);
    if (wake_ >= 0) ::close(wake_);
    throw std::system_error(error, std::generic_category(), "watch of the slave");
  }
}

RegisterSimulator::~RegisterSimulator() {
  Stop();
  ::close(wake_);
  ::close(watch_);
}

// ---------------------------------------------------------------- protocol

ComPtr<IQAVZLVPacket> RegisterSimulator::NewPacket(std::string_view id, LONG type) const {
  ComPtr<IQAVZLVPacket> packet;
  Check(protocol_->CreatePacket(B(id).Get(), Variant(), type, packet.Out()), "CreatePacket");
  if (!packet) throw std::invalid_argument("the library has no packet " + std::string(id));
  return packet;
}

namespace {

void SetFields(IQAVZLVPacket* packet, const RegisterSimulator::Fields& fields) {
  LONG count = 0;
  Check(packet->get_FieldsCount(&count), "FieldsCount");
  if (static_cast<LONG>(fields.size()) > count)
    throw std::invalid_argument("more field values than the packet has fields");
  for (std::size_t i = 0; i < fields.size(); ++i)
    Check(packet->put_FieldValues(Variant::I4(static_cast<LONG>(i + 1)), Variant::Ansi(fields[i])), "FieldValues");
}

std::string PackWire(IQAVZLVProtocol* protocol, IQAVZLVPacket* packet) {
  Bstr wire;
  LONG result = -1;
  Check(protocol->PackPacket(packet, wire.Out(), &result), "PackPacket");
  if (result != 0) throw std::runtime_error("PackPacket answered " + std::to_string(result));
  return BstrToAnsi(wire.Get());
}

// Where the checksum item of the packet's frame lies in its wire string.
std::size_t ChecksumPosition(IQAVZLVPacket* packet, std::size_t wireLength) {
  ComPtr<IQAVZLVFrame> frame;
  Check(packet->get_PacketStruct(frame.Out()), "PacketStruct");
  ComPtr<IQAVZLVFrameItems> items;
  if (frame) Check(frame->get_PacketStructItems(items.Out()), "PacketStructItems");
  LONG count = 0;
  if (items) Check(items->get_Count(&count), "Count");
  // The data area takes what the other items leave.
  std::vector<LONG> types(count), sizes(count);
  std::size_t fixed = 0;
  for (LONG i = 0; i < count; ++i) {
    ComPtr<IQAVZLVFrameItem> item;
    Check(items->get_Items(i, item.Out()), "Items");
    Check(item->get_ItemType(&types[i]), "ItemType");
    Check(item->get_Size(&sizes[i]), "Size");
    if (types[i] != qzlvpstData) fixed += static_cast<std::size_t>(sizes[i]);
  }
  std::size_t position = 0;
  for (LONG i = 0; i < count; ++i) {
    if (types[i] == qzlvpstChecksum && sizes[i] > 0) return position;
    position += types[i] == qzlvpstData ? wireLength - fixed : static_cast<std::size_t>(sizes[i]);
  }
  throw std::invalid_argument("the packet's frame has no checksum");
}

}  // namespace

std::string RegisterSimulator::Pack(std::string_view id, const Fields& fields, LONG type, bool last) {
  std::lock_guard<std::mutex> guard(protocolLock_);
  ComPtr<IQAVZLVPacket> packet = NewPacket(id, type);
  SetFields(packet.Get(), fields);
  Check(packet->put_IsLast(last ? VARIANT_TRUE : VARIANT_FALSE), "IsLast");
  return PackWire(protocol_.Get(), packet.Get());
}

RegisterSimulator::Packet RegisterSimulator::Unpack(const std::string& wire, std::string_view definitionId,
                                                    LONG type) {
  std::lock_guard<std::mutex> guard(protocolLock_);
  ComPtr<IQAVZLVPacket> packet = NewPacket(definitionId, type);
  Packet p;
  p.wire = wire;
  Check(protocol_->UnpackPacket(B(wire).Get(), packet.Get(), &p.result), "UnpackPacket");
  Bstr id;
  Check(packet->get_ID(id.Out()), "ID");
  p.id = BstrToAnsi(id.Get());
  LONG count = 0;
  Check(packet->get_FieldsCount(&count), "FieldsCount");
  for (LONG i = 1; i <= count; ++i) {
    Variant value;
    Check(packet->get_FieldValues(Variant::I4(i), &value), "FieldValues");
    Variant text;
    if (value.IsNull()) p.fields.push_back("Null");
    else if (SUCCEEDED(value.TryAs(VT_BSTR, text))) p.fields.push_back(BstrToAnsi(text.bstrVal));
    else p.fields.push_back("?");
  }
  return p;
}

// ---------------------------------------------------------------- the script

RegisterSimulator& RegisterSimulator::Add(std::string label, std::function<std::string()> run, bool ends) {
  std::lock_guard<std::mutex> guard(lock_);
  if (started_) throw std::logic_error("the script cannot change once started");
  if (!steps_.empty() && steps_.back().ends)
    throw std::logic_error(label + " after " + steps_.back().label + ", which ends the script");
  steps_.push_back({std::move(label), std::move(run), ends});
  return *this;
}

RegisterSimulator& RegisterSimulator::Within(milliseconds within) {
  within_ = within;
  return *this;
}

RegisterSimulator& RegisterSimulator::Expect(std::string_view bytes) {
  std::string wanted(bytes);
  const milliseconds within = within_;
  return Add("Expect('" + Text(wanted) + "')", [this, wanted, within] {
    std::string got;
    std::string error = Take(wanted.size(), Clock::now() + within, got);
    if (error.empty() && got != wanted) error = "got '" + Text(got) + "'";
    return error;
  });
}

RegisterSimulator& RegisterSimulator::ExpectPacket(std::string_view id, LONG type) {
  // The definition, its type after binding and the length of its packets on
  // the line come from a packet that the library makes with the same
  // arguments.
  std::string wanted(id);
  std::string definitionId;
  LONG definitionType = 0;
  std::size_t length = 0;
  {
    std::lock_guard<std::mutex> guard(protocolLock_);
    ComPtr<IQAVZLVPacket> packet = NewPacket(id, type);
    ComPtr<IQAVZLVPacketDef> def;
    Check(packet->get_PacketDef(def.Out()), "PacketDef");
    Bstr defId;
    Check(def->get_ID(defId.Out()), "ID");
    definitionId = BstrToAnsi(defId.Get());
    Check(packet->get_PacketType(&definitionType), "PacketType");
    length = PackWire(protocol_.Get(), packet.Get()).size();
  }
  const milliseconds within = within_;
  return Add("ExpectPacket(" + wanted + ")", [=, this] {
    std::string wire;
    std::string error = Take(length, Clock::now() + within, wire);
    if (!error.empty()) return error;
    Packet packet = Unpack(wire, definitionId, definitionType);
    {
      std::lock_guard<std::mutex> guard(lock_);
      packets_.push_back(packet);
    }
    if ((packet.result != 0 && packet.result != 16) || packet.id != wanted)
      return "'" + Text(wire) + "' unpacks with " + std::to_string(packet.result) + " as packet '" + packet.id +
             "'";
    return std::string();
  });
}

RegisterSimulator& RegisterSimulator::Send(std::string_view bytes) {
  std::string data(bytes);
  return Add("Send('" + Text(data) + "')", [this, data] { return Write(data); });
}

RegisterSimulator& RegisterSimulator::SendPacket(std::string_view id, const Fields& fields, LONG type) {
  std::string wire = Pack(id, fields, type, false);
  return Add("SendPacket(" + std::string(id) + ")", [this, wire] { return Write(wire); });
}

RegisterSimulator& RegisterSimulator::EndOfData(std::string_view id, const Fields& fields, LONG type) {
  std::string wire = Pack(id, fields, type, true);
  return Add("EndOfData(" + std::string(id) + ")", [this, wire] { return Write(wire); });
}

RegisterSimulator& RegisterSimulator::BadChecksum(std::string_view id, const Fields& fields, LONG type) {
  std::string wire;
  {
    std::lock_guard<std::mutex> guard(protocolLock_);
    ComPtr<IQAVZLVPacket> packet = NewPacket(id, type);
    SetFields(packet.Get(), fields);
    Check(packet->put_IsLast(VARIANT_FALSE), "IsLast");
    wire = PackWire(protocol_.Get(), packet.Get());
    char& digit = wire[ChecksumPosition(packet.Get(), wire.size())];
    digit = digit == '0' ? '1' : '0';
  }
  return Add("BadChecksum(" + std::string(id) + ")", [this, wire] { return Write(wire); });
}

RegisterSimulator& RegisterSimulator::WaitOpen(milliseconds settle) {
  const milliseconds within = within_;
  return Add("WaitOpen()", [this, settle, within] {
    const auto start = Clock::now();
    if (!Pump(start + within, [this] { return PortOpen(); })) return std::string("stopped");
    if (!PortOpen()) return "the port was not opened in " + std::to_string(MillisecondsSince(start)) + " ms";
    return Pump(Clock::now() + settle, [] { return false; }) ? std::string() : std::string("stopped");
  });
}

RegisterSimulator& RegisterSimulator::Pause(milliseconds delay) {
  return Add("Pause(" + std::to_string(delay.count()) + " ms)", [this, delay] {
    return Pump(Clock::now() + delay, [] { return false; }) ? std::string() : std::string("stopped");
  });
}

RegisterSimulator& RegisterSimulator::Do(std::string label, std::function<void()> action) {
  return Add("Do(" + label + ")", [action = std::move(action)] {
    action();
    return std::string();
  });
}

RegisterSimulator& RegisterSimulator::ReplyLate(milliseconds delay, std::string_view bytes) {
  std::string data(bytes);
  return Add("ReplyLate(" + std::to_string(delay.count()) + " ms, '" + Text(data) + "')", [this, delay, data] {
    if (!Pump(Clock::now() + delay, [] { return false; })) return std::string("stopped");
    return Write(data);
  });
}

RegisterSimulator& RegisterSimulator::Garbage(std::size_t n) {
  std::string data;
  for (std::size_t i = 0; i < n; ++i) data += static_cast<char>('a' + i % 26);
  return Add("Garbage(" + std::to_string(n) + ")", [this, data] { return Write(data); });
}

RegisterSimulator& RegisterSimulator::Never() {
  return Add("Never()", [] { return std::string(); }, true);
}

RegisterSimulator& RegisterSimulator::HangUp() {
  return Add(
      "HangUp()",
      [this] {
        pty_.HangUp();
        return std::string();
      },
      true);
}

// ---------------------------------------------------------------- running

void RegisterSimulator::Start() {
  std::lock_guard<std::mutex> guard(lock_);
  if (started_) throw std::logic_error("the simulator runs once");
  started_ = true;
  thread_ = std::thread([this] { Run(); });
}

void RegisterSimulator::Stop() {
  {
    std::lock_guard<std::mutex> guard(lock_);
    stopping_ = true;
  }
  eventfd_write(wake_, 1);
  if (thread_.joinable()) thread_.join();
}

bool RegisterSimulator::Stopping() const {
  std::lock_guard<std::mutex> guard(lock_);
  return stopping_;
}

void RegisterSimulator::Run() {
  for (std::size_t i = 0; i < steps_.size(); ++i) {
    std::string error;
    try {
      error = Stopping() ? "stopped" : steps_[i].run();
    } catch (const std::exception& e) {
      error = e.what();
    }
    std::lock_guard<std::mutex> guard(lock_);
    if (!error.empty()) {
      failure_ = "step " + std::to_string(i + 1) + " " + steps_[i].label + ": " + error;
      break;
    }
    ++stepsDone_;
    changed_.notify_all();
  }
  {
    std::lock_guard<std::mutex> guard(lock_);
    finished_ = true;
    changed_.notify_all();
  }
  // The line is still watched and recorded until Stop.
  while (Pump(Clock::now() + std::chrono::hours(1), [] { return false; })) {
  }
}

bool RegisterSimulator::Pump(Clock::time_point deadline, const std::function<bool()>& ready) {
  for (;;) {
    if (ready()) return true;
    if (Stopping()) return false;
    auto left = std::chrono::ceil<milliseconds>(deadline - Clock::now()).count();
    if (left <= 0) return true;
    pollfd fds[3] = {{wake_, POLLIN, 0}, {watch_, POLLIN, 0}, {pty_.master(), POLLIN, 0}};
    const nfds_t count = pty_.master() >= 0 ? 3 : 2;
    int n = poll(fds, count, static_cast<int>(std::min<long long>(left, 1000)));
    // Port events first: bytes that came after an open are read after it.
    if (n > 0 && (fds[1].revents & POLLIN)) ReadPortEvents();
    if (n > 0 && count == 3 && (fds[2].revents & POLLIN)) {
      ReadAvailable();
    } else if (n > 0 && count == 3 && fds[2].revents != 0) {
      // A master without readers on the other side reports a hang-up on every
      // poll; pace the loop instead of spinning.
      pollfd wake{wake_, POLLIN, 0};
      poll(&wake, 1, static_cast<int>(std::min<long long>(left, 10)));
    }
  }
}

void RegisterSimulator::ReadAvailable() {
  char buffer[4096];
  for (;;) {
    ssize_t n = ::read(pty_.master(), buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;
    std::lock_guard<std::mutex> guard(lock_);
    received_.append(buffer, static_cast<std::size_t>(n));
    events_.push_back({Event::Kind::Received, Clock::now(), std::string(buffer, static_cast<std::size_t>(n))});
    changed_.notify_all();
  }
}

void RegisterSimulator::ReadPortEvents() {
  alignas(inotify_event) char buffer[4096];
  for (;;) {
    ssize_t n = ::read(watch_, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;
    std::lock_guard<std::mutex> guard(lock_);
    for (char* p = buffer; p < buffer + n;) {
      const auto* e = reinterpret_cast<const inotify_event*>(p);
      if (e->mask & IN_OPEN) {
        ++opens_;
        events_.push_back({Event::Kind::Opened, Clock::now(), {}});
      }
      if (e->mask & IN_CLOSE) {
        ++closes_;
        events_.push_back({Event::Kind::Closed, Clock::now(), {}});
      }
      p += sizeof(inotify_event) + e->len;
    }
    changed_.notify_all();
  }
}

std::string RegisterSimulator::Write(const std::string& bytes) {
  const int fd = pty_.master();
  if (fd < 0) return "the line is hung up";
  const auto deadline = Clock::now() + milliseconds(1000);
  std::size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n > 0) {
      done += static_cast<std::size_t>(n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno != EAGAIN) return "write failed: " + std::string(strerror(errno));
    if (Clock::now() >= deadline) return "the line takes no more bytes";
    pollfd p{fd, POLLOUT, 0};
    poll(&p, 1, 10);
  }
  std::lock_guard<std::mutex> guard(lock_);
  events_.push_back({Event::Kind::Sent, Clock::now(), bytes});
  changed_.notify_all();
  return {};
}

std::string RegisterSimulator::Take(std::size_t n, Clock::time_point deadline, std::string& taken) {
  const auto start = Clock::now();
  auto ready = [this, n] {
    std::lock_guard<std::mutex> guard(lock_);
    return received_.size() - consumed_ >= n;
  };
  if (!Pump(deadline, ready)) return "stopped";
  std::lock_guard<std::mutex> guard(lock_);
  if (received_.size() - consumed_ < n)
    return "got '" + Text(received_.substr(consumed_)) + "' in " + std::to_string(MillisecondsSince(start)) +
           " ms, " + std::to_string(n) + " bytes wanted";
  taken = received_.substr(consumed_, n);
  consumed_ += n;
  return {};
}

bool RegisterSimulator::WaitDone(milliseconds timeout) {
  std::unique_lock<std::mutex> guard(lock_);
  changed_.wait_for(guard, timeout, [this] { return finished_; });
  return finished_ && failure_.empty();
}

bool RegisterSimulator::WaitReceived(std::size_t n, milliseconds timeout) {
  std::unique_lock<std::mutex> guard(lock_);
  return changed_.wait_for(guard, timeout, [this, n] { return received_.size() >= n; });
}

// ---------------------------------------------------------------- records

bool RegisterSimulator::Done() const {
  std::lock_guard<std::mutex> guard(lock_);
  return finished_ && failure_.empty();
}

std::string RegisterSimulator::Failure() const {
  std::lock_guard<std::mutex> guard(lock_);
  return failure_;
}

std::size_t RegisterSimulator::StepsDone() const {
  std::lock_guard<std::mutex> guard(lock_);
  return stepsDone_;
}

std::string RegisterSimulator::Received() const {
  std::lock_guard<std::mutex> guard(lock_);
  return received_;
}

std::string RegisterSimulator::Unconsumed() const {
  std::lock_guard<std::mutex> guard(lock_);
  return received_.substr(consumed_);
}

std::string RegisterSimulator::Sent() const {
  std::lock_guard<std::mutex> guard(lock_);
  std::string sent;
  for (const Event& e : events_)
    if (e.kind == Event::Kind::Sent) sent += e.bytes;
  return sent;
}

int RegisterSimulator::Opens() const {
  std::lock_guard<std::mutex> guard(lock_);
  return opens_;
}

bool RegisterSimulator::PortOpen() const {
  std::lock_guard<std::mutex> guard(lock_);
  return opens_ > closes_;
}

std::vector<RegisterSimulator::Event> RegisterSimulator::Events() const {
  std::lock_guard<std::mutex> guard(lock_);
  return events_;
}

std::vector<RegisterSimulator::Packet> RegisterSimulator::Packets() const {
  std::lock_guard<std::mutex> guard(lock_);
  return packets_;
}

std::string RegisterSimulator::Report() const {
  std::lock_guard<std::mutex> guard(lock_);
  std::string r = "register simulator on " + port_ + ":\n";
  for (std::size_t i = 0; i < steps_.size(); ++i) {
    const char* state = i < stepsDone_ ? "done" : (i == stepsDone_ && !failure_.empty()) ? "FAILED" : "pending";
    r += "  " + std::to_string(i + 1) + ". " + steps_[i].label + ": " + state + "\n";
  }
  if (!failure_.empty()) r += "failure: " + failure_ + "\n";
  if (events_.empty()) return r + "nothing on the line\n";
  const Clock::time_point first = events_.front().at;
  for (const Event& e : events_) {
    auto ms = std::chrono::duration_cast<milliseconds>(e.at - first).count();
    r += "  +" + std::to_string(ms) + " ms ";
    switch (e.kind) {
      case Event::Kind::Received: r += "device -> '" + Text(e.bytes) + "'\n"; break;
      case Event::Kind::Sent: r += "register -> '" + Text(e.bytes) + "'\n"; break;
      case Event::Kind::Opened: r += "device opened the port\n"; break;
      case Event::Kind::Closed: r += "device closed the port\n"; break;
    }
  }
  return r;
}

}  // namespace zelvani
