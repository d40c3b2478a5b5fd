// Opening a file only when it is a regular file, without ever blocking.
//
// Files that a host, a registry or a configuration names (modules, the
// registry file, packet libraries, batch files) are opened through here, by
// every platform layer and by the engine. A name may stand for a FIFO (whose
// open waits for the other end for good, and whose data may never end), a
// device such as /dev/zero, or a terminal. Such a path is refused before it
// is opened, and the descriptor is opened non-blocking (the path may change in
// between) and checked again before it is used; normal I/O then blocks as
// usual.
//
// Files are told apart by what is open, not by how they are named: a name may
// be replaced by a link to another file at any moment, so a file that must not
// be some other file is opened without truncating it, its identity compared,
// and only then emptied.
#pragma once

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>

#include "platform/com/types.h"

namespace com {

class COM_API RegularFile {
 public:
  // Why an open was refused.
  enum class Failure {
    None,        // the file is open
    Missing,     // nothing can be found under the path
    NotRegular,  // a directory, FIFO, device or socket
    System,      // the open itself failed; Error() tells why
  };

  // What a file is, as the system tells files apart: every name of one file,
  // links included, leads to one identity.
  struct Identity {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    bool operator==(const Identity&) const = default;
  };

  RegularFile() = default;
  RegularFile(RegularFile&& other) noexcept;
  RegularFile& operator=(RegularFile&& other) noexcept;
  RegularFile(const RegularFile&) = delete;
  RegularFile& operator=(const RegularFile&) = delete;
  ~RegularFile();

  // Opens PATH (a name of this system's file layer) for reading.
  static RegularFile OpenForReading(const std::string& path);
  // Creates PATH, or truncates it when it is an existing regular file, for
  // writing (others may read it). An existing path that is not a regular file
  // is left untouched.
  static RegularFile CreateForWriting(const std::string& path);

  // Opens PATH for writing, creating it when nothing is there, without
  // truncating it (others may read it): the caller checks what it opened (Id)
  // before it empties it (Truncate). An existing path that is not a regular
  // file is left untouched.
  static RegularFile OpenForWriting(const std::string& path);

  bool IsOpen() const { return fd_ >= 0; }
  Failure Why() const { return failure_; }
  // The system error of a failed open (errno), 0 otherwise.
  int Error() const { return error_; }
  int Descriptor() const { return fd_; }

  // The identity of the open file; none when nothing is open.
  std::optional<Identity> Id() const;
  // The identity of the file that PATH leads to now (following links); none
  // when it leads to nothing.
  static std::optional<Identity> IdOf(const std::string& path);
  // Empties the open file; false when nothing is open or it cannot be emptied.
  bool Truncate();

  // Hands the descriptor over to a stdio stream opened with MODE; the stream
  // then owns it. Null (and the descriptor closed) when no stream can be made.
  std::FILE* ToStream(const char* mode);

  // Whether PATH exists (following links) and is something other than a
  // regular file.
  static bool IsOtherThanRegular(const std::string& path);
  // Whether PATH names a regular file (following links).
  static bool IsRegular(const std::string& path);

 private:
  static RegularFile Open(const std::string& path, int flags);
  static RegularFile Refused(Failure why, int error);

  int fd_ = -1;
  Failure failure_ = Failure::None;
  int error_ = 0;
};

}  // namespace com
