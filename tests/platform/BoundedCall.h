// Calls that might block for good, run so that a hang fails the test instead
// of holding up the whole run: a FIFO planted where a file is expected, and a
// runner that waits a generous while for a call on a thread of its own.
#pragma once

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <functional>
#include <future>
#include <string>
#include <thread>

namespace bounded_call {

// A FIFO under a path. Nobody holds either end, unless a writer that never
// stops is started; Unblock frees an open that waits for either end.
class Fifo {
 public:
  explicit Fifo(std::filesystem::path path) : path_(std::move(path)) {
    std::error_code ignored;
    std::filesystem::remove(path_, ignored);
    EXPECT_EQ(::mkfifo(path_.c_str(), 0600), 0) << path_;
  }
  ~Fifo() {
    Unblock();
    if (reader_ >= 0) ::close(reader_);
    std::error_code ignored;
    std::filesystem::remove(path_, ignored);
  }
  Fifo(const Fifo&) = delete;
  Fifo& operator=(const Fifo&) = delete;

  std::string Path() const { return path_.string(); }

  // Writes without end (a little at a time) until Unblock.
  void StartWriting() {
    const int fd = ::open(path_.c_str(), O_RDWR | O_NONBLOCK);  // never waits for a reader
    ASSERT_GE(fd, 0);
    writer_ = std::thread([this, fd] {
      const std::string chunk(1024, '\n');
      while (!stop_) {
        [[maybe_unused]] const ssize_t ignored = ::write(fd, chunk.data(), chunk.size());
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
      }
      ::close(fd);  // the reader now reads the end
    });
  }

  // A reader waiting in its open gets a writer that leaves at once (it reads
  // the end); a writer waiting in its open gets a reader that stays; a writer
  // that never stops stops.
  void Unblock() {
    stop_ = true;
    if (writer_.joinable()) writer_.join();
    const int writer = ::open(path_.c_str(), O_WRONLY | O_NONBLOCK);
    if (writer >= 0) ::close(writer);
    if (reader_ < 0) reader_ = ::open(path_.c_str(), O_RDONLY | O_NONBLOCK);
  }

 private:
  std::filesystem::path path_;
  int reader_ = -1;
  std::thread writer_;
  std::atomic<bool> stop_{false};
};

// Runs CALL on a thread of its own. A call that has not returned within a
// generous bound is blocked: the test fails, and UNBLOCK frees it, again and
// again until the call returns (a call may block on the same FIFO more than
// once).
inline void WithinBound(const std::function<void()>& call, const std::function<void()>& unblock) {
  std::promise<void> done;
  std::future<void> finished = done.get_future();
  std::thread runner([&] {
    call();
    done.set_value();
  });
  if (finished.wait_for(std::chrono::seconds(10)) != std::future_status::ready) {
    ADD_FAILURE() << "the call blocked";
    do unblock();
    while (finished.wait_for(std::chrono::milliseconds(100)) != std::future_status::ready);
  }
  runner.join();
}

}  // namespace bounded_call
