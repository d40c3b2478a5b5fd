// Opening a file only when it is a regular file: the path is looked at before
// it is opened, and the descriptor after.
#include "platform/com/regularfile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

namespace com {

RegularFile::RegularFile(RegularFile&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)), failure_(other.failure_), error_(other.error_) {}

RegularFile& RegularFile::operator=(RegularFile&& other) noexcept {
  if (this != &other) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = std::exchange(other.fd_, -1);
    failure_ = other.failure_;
    error_ = other.error_;
  }
  return *this;
}

RegularFile::~RegularFile() {
  if (fd_ >= 0) ::close(fd_);
}

RegularFile RegularFile::Refused(Failure why, int error) {
  RegularFile file;
  file.failure_ = why;
  file.error_ = error;
  return file;
}

RegularFile RegularFile::OpenForReading(const std::string& path) { return Open(path, O_RDONLY); }

RegularFile RegularFile::CreateForWriting(const std::string& path) {
  return Open(path, O_WRONLY | O_CREAT | O_TRUNC);
}

RegularFile RegularFile::OpenForWriting(const std::string& path) { return Open(path, O_WRONLY | O_CREAT); }

std::optional<RegularFile::Identity> RegularFile::Id() const {
  struct stat st {};
  if (fd_ < 0 || ::fstat(fd_, &st) != 0) return std::nullopt;
  return Identity{static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)};
}

std::optional<RegularFile::Identity> RegularFile::IdOf(const std::string& path) {
  struct stat st {};
  if (path.find('\0') != std::string::npos || ::stat(path.c_str(), &st) != 0) return std::nullopt;
  return Identity{static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)};
}

bool RegularFile::Truncate() {
  if (fd_ < 0) return false;
  int r;
  do {
    r = ::ftruncate(fd_, 0);
  } while (r != 0 && errno == EINTR);
  return r == 0;
}

bool RegularFile::IsOtherThanRegular(const std::string& path) {
  struct stat st {};
  return path.find('\0') == std::string::npos && ::stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode);
}

bool RegularFile::IsRegular(const std::string& path) {
  struct stat st {};
  return path.find('\0') == std::string::npos && ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

RegularFile RegularFile::Open(const std::string& path, int flags) {
  // A name with a NUL in it names no file the system could open.
  if (path.empty() || path.find('\0') != std::string::npos) return Refused(Failure::Missing, ENOENT);
  // Whatever exists under the path must be a regular file before it is
  // opened at all: opening a device may act on it, a FIFO may block.
  struct stat st {};
  if (::stat(path.c_str(), &st) == 0) {
    if (!S_ISREG(st.st_mode)) return Refused(Failure::NotRegular, 0);
  } else {
    const int err = errno;
    const bool missing = err == ENOENT || err == ENOTDIR;
    if (!missing) return Refused(Failure::System, err);
    if (!(flags & O_CREAT)) return Refused(Failure::Missing, err);
  }
  // Non-blocking, in case a FIFO took the path's place since: its open then
  // returns at once (or fails with ENXIO when it has no reader).
  int fd;
  do {
    fd = ::open(path.c_str(), flags | O_NONBLOCK | O_CLOEXEC | O_NOCTTY, 0666);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) {
    const int err = errno;
    if (err == ENXIO) return Refused(Failure::NotRegular, 0);
    if ((err == ENOENT || err == ENOTDIR) && !(flags & O_CREAT)) return Refused(Failure::Missing, err);
    return Refused(Failure::System, err);
  }
  RegularFile file;
  file.fd_ = fd;
  if (::fstat(fd, &st) != 0) {
    const int err = errno;
    return Refused(Failure::System, err);  // `file` closes the descriptor
  }
  if (!S_ISREG(st.st_mode)) return Refused(Failure::NotRegular, 0);
  // A regular file: reads and writes wait as they normally do.
  const int status = ::fcntl(fd, F_GETFL);
  if (status < 0 || ::fcntl(fd, F_SETFL, status & ~O_NONBLOCK) < 0) {
    const int err = errno;
    return Refused(Failure::System, err);
  }
  return file;
}

std::FILE* RegularFile::ToStream(const char* mode) {
  if (fd_ < 0) return nullptr;
  std::FILE* stream = ::fdopen(fd_, mode);
  if (!stream) ::close(fd_);
  fd_ = -1;
  return stream;
}

}  // namespace com
