#include "platform/com/registry.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <mutex>
#include <new>
#include <string_view>
#include <unordered_set>
#include <utility>

#include "platform/com/regularfile.h"

// A handle names a key by its root and path, not by a node of the tree: the tree
// is replaced whenever the file is read again, and a key may be deleted while a
// handle to it is open (later calls through the handle then find nothing).
struct RegistryKeyHandle {
  int root;
  std::vector<std::string> path;
};

namespace {

constexpr LSTATUS kErrorOutOfMemory = 14;  // ERROR_OUTOFMEMORY

constexpr std::array<const char*, 3> kRootNames = {"HKEY_CLASSES_ROOT", "HKEY_CURRENT_USER", "HKEY_LOCAL_MACHINE"};
constexpr std::array<const char*, 3> kRootShortNames = {"HKCR", "HKCU", "HKLM"};

// ---------------------------------------------------------------------------
// The tree

struct Value {
  std::string name;
  std::string data;
};

// Children and values keep the order in which they were first created; names
// keep the spelling of their first creation.
struct Key {
  std::string name;
  std::vector<Value> values;
  std::vector<Key> children;
};

using Tree = std::array<Key, 3>;

char FoldAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (FoldAscii(a[i]) != FoldAscii(b[i])) return false;
  return true;
}

Key* FindChild(Key& key, std::string_view name) {
  for (Key& child : key.children)
    if (SameName(child.name, name)) return &child;
  return nullptr;
}

Key* Locate(Key& root, const std::vector<std::string>& path) {
  Key* key = &root;
  for (const std::string& part : path)
    if (!(key = FindChild(*key, part))) return nullptr;
  return key;
}

Value* FindValue(Key& key, std::string_view name) {
  for (Value& v : key.values)
    if (SameName(v.name, name)) return &v;
  return nullptr;
}

// Returns the key at `path` below `root`, creating what is missing.
Key& EnsureKey(Key& root, const std::vector<std::string>& path, bool* created) {
  Key* key = &root;
  for (const std::string& part : path) {
    Key* child = FindChild(*key, part);
    if (!child) {
      key->children.push_back(Key{part, {}, {}});
      child = &key->children.back();
      if (created) *created = true;
    }
    key = child;
  }
  return *key;
}

bool SetValueIn(Key& key, std::string_view name, std::string_view data) {
  if (Value* v = FindValue(key, name)) {
    if (v->data == data) return false;
    v->data = data;
    return true;
  }
  key.values.push_back(Value{std::string(name), std::string(data)});
  return true;
}

bool RemoveValue(Key& key, std::string_view name) {
  for (auto it = key.values.begin(); it != key.values.end(); ++it)
    if (SameName(it->name, name)) {
      key.values.erase(it);
      return true;
    }
  return false;
}

bool RemoveChild(Key& key, std::string_view name) {
  for (auto it = key.children.begin(); it != key.children.end(); ++it)
    if (SameName(it->name, name)) {
      key.children.erase(it);
      return true;
    }
  return false;
}

bool ClearKey(Key& key) {
  bool changed = !key.values.empty() || !key.children.empty();
  key.values.clear();
  key.children.clear();
  return changed;
}

// ---------------------------------------------------------------------------
// Paths

// Splits a path below a key into names. Empty names (a doubled or trailing "\")
// are skipped; a leading "\" is refused, as are names that would break the
// file's one-line headers.
bool SplitSubPath(std::string_view s, std::vector<std::string>& out) {
  if (!s.empty() && s.front() == '\\') return false;
  std::size_t pos = 0;
  while (pos <= s.size()) {
    std::size_t end = s.find('\\', pos);
    if (end == std::string_view::npos) end = s.size();
    std::string_view part = s.substr(pos, end - pos);
    if (part.find_first_of("\r\n") != std::string_view::npos) return false;
    if (!part.empty()) out.emplace_back(part);
    pos = end + 1;
  }
  return true;
}

int RootIndex(std::string_view name) {
  for (std::size_t i = 0; i < kRootNames.size(); ++i)
    if (SameName(name, kRootNames[i]) || SameName(name, kRootShortNames[i])) return static_cast<int>(i);
  return -1;
}

struct FullPath {
  int root = -1;
  std::vector<std::string> parts;
};

// "HKEY_CLASSES_ROOT\CLSID\{...}" or with a short root name.
bool ParseFullPath(std::string_view s, FullPath& out) {
  std::size_t sep = s.find('\\');
  out.root = RootIndex(s.substr(0, sep));
  if (out.root < 0) return false;
  out.parts.clear();
  return sep == std::string_view::npos || SplitSubPath(s.substr(sep + 1), out.parts);
}

// ---------------------------------------------------------------------------
// The file's text

void AppendEscaped(std::string& out, std::string_view s) {
  out += '"';
  for (char c : s) {
    switch (c) {
      case '\\': out += "\\\\"; break;
      case '"': out += "\\\""; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      default: out += c;
    }
  }
  out += '"';
}

void AppendKey(std::string& out, const Key& key, const std::string& path, bool isRoot) {
  // A root gets a header only for its own values; every other key gets one so
  // that empty keys survive and keys keep their order.
  if (!isRoot || !key.values.empty()) {
    if (!out.empty()) out += '\n';
    out += '[';
    out += path;
    out += "]\n";
    for (const Value& v : key.values) {
      if (v.name.empty())
        out += '@';
      else
        AppendEscaped(out, v.name);
      out += '=';
      AppendEscaped(out, v.data);
      out += '\n';
    }
  }
  for (const Key& child : key.children) AppendKey(out, child, path + '\\' + child.name, false);
}

std::string Serialize(const Tree& tree) {
  std::string out;
  for (std::size_t i = 0; i < tree.size(); ++i) AppendKey(out, tree[i], kRootNames[i], true);
  return out;
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

void SkipBlanks(std::string_view s, std::size_t& i) {
  while (i < s.size() && IsBlank(s[i])) ++i;
}

// Reads a quoted string starting at s[i] == '"'; leaves i after the closing quote.
bool ParseQuoted(std::string_view s, std::size_t& i, std::string& out, std::string& error) {
  ++i;
  while (i < s.size()) {
    char c = s[i++];
    if (c == '"') return true;
    if (c != '\\') {
      out += c;
      continue;
    }
    if (i >= s.size()) break;
    char e = s[i++];
    switch (e) {
      case '\\': out += '\\'; break;
      case '"': out += '"'; break;
      case 'n': out += '\n'; break;
      case 'r': out += '\r'; break;
      default: error = std::string("unknown escape \\") + e; return false;
    }
  }
  error = "unterminated quoted string";
  return false;
}

// Parses one value line: @="data" or "name"="data".
bool ParseValueLine(std::string_view line, std::string& name, std::string& data, std::string& error) {
  std::size_t i = 0;
  if (line[0] == '@') {
    i = 1;
  } else if (line[0] == '"') {
    if (!ParseQuoted(line, i, name, error)) return false;
  } else {
    error = "expected a [key] header, @=\"...\" or \"name\"=\"...\"";
    return false;
  }
  SkipBlanks(line, i);
  if (i >= line.size() || line[i] != '=') {
    error = "expected '=' after the value name";
    return false;
  }
  ++i;
  SkipBlanks(line, i);
  if (i >= line.size() || line[i] != '"') {
    error = "expected a quoted value after '='";
    return false;
  }
  if (!ParseQuoted(line, i, data, error)) return false;
  SkipBlanks(line, i);
  if (i != line.size()) {
    error = "unexpected text after the value";
    return false;
  }
  return true;
}

// Parses the whole file; on failure `error` names the line.
bool Parse(std::string_view text, const std::string& path, Tree& tree, std::string& error) {
  tree = Tree{};
  Key* current = nullptr;
  std::size_t pos = 0;
  int lineNo = 0;
  auto fail = [&](const std::string& what) {
    error = "registry file " + path + " line " + std::to_string(lineNo) + ": " + what;
    tree = Tree{};
    return false;
  };
  while (pos < text.size()) {
    std::size_t end = text.find('\n', pos);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(pos, end - pos);
    pos = end + 1;
    ++lineNo;
    while (!line.empty() && (IsBlank(line.back()) || line.back() == '\r')) line.remove_suffix(1);
    while (!line.empty() && IsBlank(line.front())) line.remove_prefix(1);
    if (line.empty() || line.front() == ';') continue;

    if (line.front() == '[') {
      if (line.back() != ']') return fail("key header without a closing ']'");
      FullPath key;
      if (!ParseFullPath(line.substr(1, line.size() - 2), key))
        return fail("bad key path \"" + std::string(line.substr(1, line.size() - 2)) + "\"");
      current = &EnsureKey(tree[key.root], key.parts, nullptr);
      continue;
    }
    std::string name, data, what;
    if (!ParseValueLine(line, name, data, what)) return fail(what);
    if (!current) return fail("value before any [key] header");
    SetValueIn(*current, name, data);
  }
  return true;
}

// ---------------------------------------------------------------------------
// Files

// What identifies one version of the file. A writer replaces the file by
// rename, so the inode changes; size and times catch editors that write in place.
struct FileId {
  bool exists = false;
  dev_t dev = 0;
  ino_t ino = 0;
  off_t size = 0;
  timespec mtime{};
  timespec ctime{};

  static FileId Of(const struct stat& st) {
    return FileId{true, st.st_dev, st.st_ino, st.st_size, st.st_mtim, st.st_ctim};
  }
  bool operator==(const FileId& o) const {
    return exists == o.exists && dev == o.dev && ino == o.ino && size == o.size &&
           mtime.tv_sec == o.mtime.tv_sec && mtime.tv_nsec == o.mtime.tv_nsec && ctime.tv_sec == o.ctime.tv_sec &&
           ctime.tv_nsec == o.ctime.tv_nsec;
  }
};

// Error texts take the errno value as an argument so that it is read before
// building the text allocates anything.
std::string SysError(const char* action, const std::string& subject, int err) {
  return std::string(action) + " " + subject + ": " + std::strerror(err);
}

std::string FileError(const std::string& path, const char* action, int err) {
  return "registry file " + path + ": " + action + ": " + std::strerror(err);
}

class Fd {
 public:
  explicit Fd(int fd = -1) : fd_(fd) {}
  ~Fd() {
    if (fd_ >= 0) ::close(fd_);
  }
  Fd(Fd&& o) noexcept : fd_(o.release()) {}
  Fd& operator=(Fd&& o) noexcept {
    if (this != &o) {
      if (fd_ >= 0) ::close(fd_);
      fd_ = o.release();
    }
    return *this;
  }
  int get() const { return fd_; }
  int release() { return std::exchange(fd_, -1); }

 private:
  int fd_;
};

// Reads and parses the file. A missing file is an empty registry.
LSTATUS LoadFile(const std::string& path, Tree& tree, FileId& id, std::string& error) {
  tree = Tree{};
  id = FileId{};
  error.clear();
  if (path.empty()) {
    error = "registry file unknown: neither PLATFORM_REGISTRY nor a home directory is set";
    return ERROR_CANTREAD;
  }
  // Only a regular file is read: a FIFO under the name is refused without
  // being opened for reading, which would wait for a writer for good.
  const com::RegularFile file = com::RegularFile::OpenForReading(path);
  struct stat st {};
  if (!file.IsOpen()) {
    switch (file.Why()) {
      case com::RegularFile::Failure::Missing:
        if (file.Error() == ENOENT) return ERROR_SUCCESS;
        error = FileError(path, "cannot open", file.Error());
        return ERROR_CANTREAD;
      case com::RegularFile::Failure::NotRegular:
        // Known by its identity, so that it is not looked at again until it changes.
        if (::stat(path.c_str(), &st) == 0) id = FileId::Of(st);
        error = "registry file " + path + ": not a regular file";
        return ERROR_CANTREAD;
      default:
        error = FileError(path, "cannot open", file.Error());
        return ERROR_CANTREAD;
    }
  }
  if (::fstat(file.Descriptor(), &st) != 0) {
    error = FileError(path, "cannot stat", errno);
    return ERROR_CANTREAD;
  }
  id = FileId::Of(st);
  std::string text;
  char buf[65536];
  for (;;) {
    ssize_t n = ::read(file.Descriptor(), buf, sizeof buf);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      error = FileError(path, "cannot read", errno);
      return ERROR_CANTREAD;
    }
    if (n == 0) break;
    text.append(buf, static_cast<std::size_t>(n));
  }
  return Parse(text, path, tree, error) ? ERROR_SUCCESS : ERROR_BADDB;
}

std::string ParentDir(const std::string& path) {
  std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

bool MakeDirs(const std::string& dir, std::string& error) {
  struct stat st {};
  if (::stat(dir.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) return true;
  for (std::size_t pos = 1; pos <= dir.size(); ++pos) {
    if (pos != dir.size() && dir[pos] != '/') continue;
    std::string prefix = dir.substr(0, pos);
    if (::mkdir(prefix.c_str(), 0777) != 0 && errno != EEXIST) {
      error = SysError("cannot create directory", prefix, errno);
      return false;
    }
  }
  if (::stat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
    error = "cannot create directory " + dir + ": not a directory";
    return false;
  }
  return true;
}

bool WriteAll(int fd, std::string_view data) {
  while (!data.empty()) {
    ssize_t n = ::write(fd, data.data(), data.size());
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return false;
    data.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

// Writes `text` to a new file in the target's directory, flushes it to disk and
// renames it over the target, so a reader sees either the old or the new file.
// A symbolic link is kept: its target is replaced.
bool ReplaceFile(const std::string& path, const std::string& text, std::string& error) {
  std::string target = path;
  struct stat st {};
  if (::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
    if (char* real = ::realpath(path.c_str(), nullptr)) {
      target = real;
      std::free(real);
    }
  }
  static std::atomic<unsigned> counter{0};
  std::string temp;
  Fd fd;
  for (int attempt = 0; attempt < 100 && fd.get() < 0; ++attempt) {
    temp = target + ".tmp." + std::to_string(::getpid()) + "." + std::to_string(counter++);
    Fd f(::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
    if (f.get() < 0 && errno != EEXIST) {
      error = SysError("cannot create", temp, errno);
      return false;
    }
    if (f.get() >= 0) fd = std::move(f);
  }
  if (fd.get() < 0) {
    error = "cannot create a temporary file next to " + target;
    return false;
  }
  auto fail = [&](const char* action) {
    error = SysError(action, temp, errno);
    ::unlink(temp.c_str());
    return false;
  };
  // Keep the permissions of the file being replaced.
  if (::stat(target.c_str(), &st) == 0) ::fchmod(fd.get(), st.st_mode & 07777);
  if (!WriteAll(fd.get(), text)) return fail("cannot write");
  if (::fsync(fd.get()) != 0) return fail("cannot flush");
  if (::close(fd.release()) != 0) return fail("cannot close");
  if (::rename(temp.c_str(), target.c_str()) != 0) return fail("cannot rename into place");
  // Make the rename itself durable.
  Fd dir(::open(ParentDir(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (dir.get() >= 0) ::fsync(dir.get());
  return true;
}

// Holds an exclusive advisory lock on "<file>.lock" against writers in other
// processes. The lock file is never removed: removing it would let two writers
// lock different files.
class WriterLock {
 public:
  bool Acquire(const std::string& path, std::string& error) {
    std::string lockPath = path + ".lock";
    fd_ = Fd(::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666));
    if (fd_.get() < 0) {
      error = SysError("cannot open lock file", lockPath, errno);
      return false;
    }
    while (::flock(fd_.get(), LOCK_EX) != 0) {
      if (errno == EINTR) continue;
      error = SysError("cannot lock", lockPath, errno);
      return false;
    }
    return true;
  }

 private:
  Fd fd_;
};

// ---------------------------------------------------------------------------
// The process-wide cache

struct State {
  std::mutex mu;
  std::string path;  // the file the cache belongs to
  bool valid = false;
  FileId id;
  Tree tree;
  LSTATUS loadStatus = ERROR_SUCCESS;
  std::string loadError;
  std::unordered_set<RegistryKeyHandle*> handles;
};

// Never destroyed, so that code running in other static destructors can still
// use the registry.
State& GetState() {
  static State* state = new State;
  return *state;
}

void FollowPath(State& s, const std::string& path) {
  if (path != s.path) {
    s.path = path;
    s.valid = false;
    s.tree = Tree{};
  }
}

void StoreLoad(State& s, LSTATUS status, Tree&& tree, const FileId& id, std::string&& error) {
  s.tree = std::move(tree);
  s.id = id;
  s.loadStatus = status;
  s.loadError = std::move(error);
  s.valid = true;
}

// Brings the cache up to date with the file; returns the load status. Called
// with the mutex held.
LSTATUS Refresh(State& s) {
  FollowPath(s, registry::FilePath());
  if (s.valid && !s.path.empty()) {
    // When stat fails for another reason than a missing file, reading reports it.
    struct stat st {};
    bool unchanged = ::stat(s.path.c_str(), &st) == 0 ? FileId::Of(st) == s.id : errno == ENOENT && !s.id.exists;
    if (unchanged) return s.loadStatus;
  }
  Tree tree;
  FileId id;
  std::string error;
  LSTATUS status = LoadFile(s.path, tree, id, error);
  StoreLoad(s, status, std::move(tree), id, std::move(error));
  return status;
}

struct WriteResult {
  enum Kind { kDone, kLoadFailed, kWriteFailed, kRejected } kind = kDone;
  LSTATUS status = ERROR_SUCCESS;
  std::string error;
};

// Changes the registry under the writer lock: reads the file again, applies
// `apply` to a copy of the tree and, when it changed something, replaces the
// file. `apply` returns ERROR_SUCCESS to go on and sets `changed`. Called with
// the mutex held.
//
// The file is always read again here, even when it looks unchanged: another
// process may have replaced it twice within one timestamp tick with a file of
// the same size that reused the inode, and losing its update would be worse
// than one extra read.
WriteResult ModifyLocked(State& s, const std::function<LSTATUS(Tree&, bool&)>& apply) {
  WriteResult r;
  FollowPath(s, registry::FilePath());
  if (s.path.empty()) {
    Tree tree;
    FileId id;
    std::string error;
    r.status = LoadFile(s.path, tree, id, error);
    r.kind = WriteResult::kLoadFailed;
    r.error = error;
    StoreLoad(s, r.status, std::move(tree), id, std::move(error));
    return r;
  }
  WriterLock lock;
  if (!MakeDirs(ParentDir(s.path), r.error) || !lock.Acquire(s.path, r.error)) {
    r.kind = WriteResult::kWriteFailed;
    r.status = ERROR_CANTWRITE;
    r.error = "cannot write registry file " + s.path + ": " + r.error;
    return r;
  }
  {
    Tree tree;
    FileId id;
    std::string error;
    LSTATUS status = LoadFile(s.path, tree, id, error);
    StoreLoad(s, status, std::move(tree), id, std::move(error));
  }
  if (s.loadStatus != ERROR_SUCCESS) {
    r.kind = WriteResult::kLoadFailed;
    r.status = s.loadStatus;
    r.error = s.loadError + " (not changed)";
    return r;
  }
  Tree next = s.tree;
  bool changed = false;
  r.status = apply(next, changed);
  if (r.status != ERROR_SUCCESS) {
    r.kind = WriteResult::kRejected;
    return r;
  }
  if (!changed) return r;
  std::string error;
  if (!ReplaceFile(s.path, Serialize(next), error)) {
    r.kind = WriteResult::kWriteFailed;
    r.status = ERROR_CANTWRITE;
    r.error = "cannot write registry file " + s.path + ": " + error;
    return r;
  }
  s.tree = std::move(next);
  struct stat st {};
  if (::stat(s.path.c_str(), &st) == 0)
    s.id = FileId::Of(st);
  else
    s.valid = false;
  return r;
}

LSTATUS ToStatus(const WriteResult& r) {
  return r.kind == WriteResult::kWriteFailed ? ERROR_CANTWRITE : r.status;
}

bool IsRootHandle(HKEY key);

bool ValidHandle(State& s, HKEY key) { return key && (IsRootHandle(key) || s.handles.count(key)); }

HKEY NewHandle(State& s, int root, std::vector<std::string> path) {
  auto* h = new RegistryKeyHandle{root, std::move(path)};
  s.handles.insert(h);
  return h;
}

// Path of a handle's key extended by `subKey` (null: the key itself).
bool JoinPath(HKEY key, const char* subKey, std::vector<std::string>& out) {
  out = key->path;
  return !subKey || SplitSubPath(subKey, out);
}

// Runs a Reg* body; no exception leaves a C function.
template <class F>
LSTATUS Guarded(F&& body) noexcept {
  try {
    return body();
  } catch (...) {
    return kErrorOutOfMemory;  // running out of memory is the failure expected here
  }
}

// Runs `read` on the key `subKey` below `key` in the up-to-date cache.
template <class F>
LSTATUS ReadKey(HKEY key, const char* subKey, F&& read) {
  return Guarded([&]() -> LSTATUS {
    State& s = GetState();
    std::lock_guard lock(s.mu);
    if (!ValidHandle(s, key)) return ERROR_INVALID_HANDLE;
    std::vector<std::string> path;
    if (!JoinPath(key, subKey, path)) return ERROR_INVALID_PARAMETER;
    if (LSTATUS status = Refresh(s); status != ERROR_SUCCESS) return status;
    Key* found = Locate(s.tree[key->root], path);
    if (!found) return ERROR_FILE_NOT_FOUND;
    return read(*found, path);
  });
}

// Copies a name into a caller's buffer of *size characters (with the NUL).
LSTATUS CopyName(const std::string& name, char* out, DWORD* size) {
  if (name.size() + 1 > *size) return ERROR_MORE_DATA;
  std::memcpy(out, name.c_str(), name.size() + 1);
  *size = static_cast<DWORD>(name.size());
  return ERROR_SUCCESS;
}

// Copies string data into a caller's buffer of *size bytes: a null buffer asks
// for the size only; *size becomes the bytes needed with the NUL.
LSTATUS CopyData(const std::string& data, BYTE* out, DWORD* size) {
  DWORD needed = static_cast<DWORD>(data.size() + 1);
  if (!out) {
    if (size) *size = needed;
    return ERROR_SUCCESS;
  }
  if (!size) return ERROR_INVALID_PARAMETER;
  DWORD available = *size;
  *size = needed;
  if (available < needed) return ERROR_MORE_DATA;
  std::memcpy(out, data.c_str(), needed);
  return ERROR_SUCCESS;
}

std::string_view ValueName(const char* name) { return name ? std::string_view(name) : std::string_view(); }

// Deletes the key `subKey` below `key`; with `tree` its subkeys go too, else a
// key with subkeys is refused. With `tree` and no subKey, the key's contents
// are deleted and the key stays.
LSTATUS DeleteKey(HKEY key, const char* subKey, bool tree) {
  return Guarded([&]() -> LSTATUS {
    State& s = GetState();
    std::lock_guard lock(s.mu);
    if (!ValidHandle(s, key)) return ERROR_INVALID_HANDLE;
    std::vector<std::string> path;
    if (!JoinPath(key, subKey, path)) return ERROR_INVALID_PARAMETER;
    bool contentsOnly = tree && path.size() == key->path.size();
    if (path.empty() && !contentsOnly) return ERROR_ACCESS_DENIED;  // a root cannot go
    return ToStatus(ModifyLocked(s, [&](Tree& t, bool& changed) {
      Key& root = t[key->root];
      Key* k = Locate(root, path);
      if (!k) return ERROR_FILE_NOT_FOUND;
      if (contentsOnly) {
        changed = ClearKey(*k);
        return ERROR_SUCCESS;
      }
      if (!tree && !k->children.empty()) return ERROR_ACCESS_DENIED;
      std::vector<std::string> parentPath(path.begin(), path.end() - 1);
      changed = RemoveChild(*Locate(root, parentPath), path.back());
      return ERROR_SUCCESS;
    }));
  });
}

constinit RegistryKeyHandle g_roots[3] = {{0, {}}, {1, {}}, {2, {}}};

bool IsRootHandle(HKEY key) { return key == &g_roots[0] || key == &g_roots[1] || key == &g_roots[2]; }

}  // namespace

HKEY const HKEY_CLASSES_ROOT = &g_roots[0];
HKEY const HKEY_CURRENT_USER = &g_roots[1];
HKEY const HKEY_LOCAL_MACHINE = &g_roots[2];

extern "C" {

LSTATUS RegOpenKeyExA(HKEY key, const char* subKey, DWORD /*options*/, DWORD /*access*/, HKEY* result) {
  if (!result) return ERROR_INVALID_PARAMETER;
  *result = nullptr;
  return ReadKey(key, subKey, [&](Key&, std::vector<std::string>& path) {
    *result = NewHandle(GetState(), key->root, std::move(path));
    return ERROR_SUCCESS;
  });
}

LSTATUS RegCreateKeyExA(HKEY key, const char* subKey, DWORD reserved, char* /*cls*/, DWORD /*options*/,
                        DWORD /*access*/, void* /*security*/, HKEY* result, DWORD* disposition) {
  if (!result || reserved != 0) return ERROR_INVALID_PARAMETER;
  *result = nullptr;
  return Guarded([&]() -> LSTATUS {
    State& s = GetState();
    std::lock_guard lock(s.mu);
    if (!ValidHandle(s, key)) return ERROR_INVALID_HANDLE;
    std::vector<std::string> path;
    if (!JoinPath(key, subKey, path)) return ERROR_INVALID_PARAMETER;
    bool created = false;
    // An existing key is opened without taking the writer lock.
    if (Refresh(s) != ERROR_SUCCESS || !Locate(s.tree[key->root], path)) {
      WriteResult r = ModifyLocked(s, [&](Tree& tree, bool& changed) {
        Key& root = tree[key->root];
        if (!Locate(root, key->path)) return ERROR_FILE_NOT_FOUND;  // the handle's key was deleted
        EnsureKey(root, path, &created);
        changed = created;
        return ERROR_SUCCESS;
      });
      if (r.kind != WriteResult::kDone) return ToStatus(r);
    }
    *result = NewHandle(s, key->root, std::move(path));
    if (disposition) *disposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
    return ERROR_SUCCESS;
  });
}

LSTATUS RegCloseKey(HKEY key) {
  State& s = GetState();
  std::lock_guard lock(s.mu);
  if (IsRootHandle(key)) return ERROR_SUCCESS;
  if (!key || !s.handles.erase(key)) return ERROR_INVALID_HANDLE;
  delete key;
  return ERROR_SUCCESS;
}

LSTATUS RegSetValueExA(HKEY key, const char* name, DWORD reserved, DWORD type, const BYTE* data, DWORD size) {
  if (reserved != 0 || type != REG_SZ || (!data && size != 0)) return ERROR_INVALID_PARAMETER;
  return Guarded([&]() -> LSTATUS {
    // A string ends at its first NUL, which also drops the trailing one.
    std::string_view text;
    if (data) {
      text = std::string_view(reinterpret_cast<const char*>(data), size);
      text = text.substr(0, text.find('\0'));
    }
    State& s = GetState();
    std::lock_guard lock(s.mu);
    if (!ValidHandle(s, key)) return ERROR_INVALID_HANDLE;
    return ToStatus(ModifyLocked(s, [&](Tree& tree, bool& changed) {
      Key* k = Locate(tree[key->root], key->path);
      if (!k) return ERROR_FILE_NOT_FOUND;
      changed = SetValueIn(*k, ValueName(name), text);
      return ERROR_SUCCESS;
    }));
  });
}

LSTATUS RegQueryValueExA(HKEY key, const char* name, DWORD* reserved, DWORD* type, BYTE* data, DWORD* size) {
  if (reserved) return ERROR_INVALID_PARAMETER;
  return ReadKey(key, nullptr, [&](Key& k, std::vector<std::string>&) {
    Value* v = FindValue(k, ValueName(name));
    if (!v) return ERROR_FILE_NOT_FOUND;
    if (type) *type = REG_SZ;
    return CopyData(v->data, data, size);
  });
}

LSTATUS RegDeleteValueA(HKEY key, const char* name) {
  return Guarded([&]() -> LSTATUS {
    State& s = GetState();
    std::lock_guard lock(s.mu);
    if (!ValidHandle(s, key)) return ERROR_INVALID_HANDLE;
    return ToStatus(ModifyLocked(s, [&](Tree& tree, bool& changed) {
      Key* k = Locate(tree[key->root], key->path);
      if (!k || !RemoveValue(*k, ValueName(name))) return ERROR_FILE_NOT_FOUND;
      changed = true;
      return ERROR_SUCCESS;
    }));
  });
}

LSTATUS RegDeleteTreeA(HKEY key, const char* subKey) { return DeleteKey(key, subKey, true); }

LSTATUS RegDeleteKeyA(HKEY key, const char* subKey) {
  if (!subKey) return ERROR_INVALID_PARAMETER;
  return DeleteKey(key, subKey, false);
}

LSTATUS RegEnumKeyExA(HKEY key, DWORD index, char* name, DWORD* nameSize, DWORD* reserved, char* cls,
                      DWORD* clsSize, void* /*lastWrite: no times are kept*/) {
  if (!name || !nameSize || reserved) return ERROR_INVALID_PARAMETER;
  return ReadKey(key, nullptr, [&](Key& k, std::vector<std::string>&) {
    if (index >= k.children.size()) return ERROR_NO_MORE_ITEMS;
    LSTATUS status = CopyName(k.children[index].name, name, nameSize);
    if (status == ERROR_SUCCESS && cls && clsSize && *clsSize > 0) {
      cls[0] = '\0';
      *clsSize = 0;
    }
    return status;
  });
}

LSTATUS RegEnumValueA(HKEY key, DWORD index, char* name, DWORD* nameSize, DWORD* reserved, DWORD* type, BYTE* data,
                      DWORD* dataSize) {
  if (!name || !nameSize || reserved || (data && !dataSize)) return ERROR_INVALID_PARAMETER;
  return ReadKey(key, nullptr, [&](Key& k, std::vector<std::string>&) {
    if (index >= k.values.size()) return ERROR_NO_MORE_ITEMS;
    const Value& v = k.values[index];
    if (LSTATUS status = CopyName(v.name, name, nameSize); status != ERROR_SUCCESS) return status;
    if (type) *type = REG_SZ;
    return CopyData(v.data, data, dataSize);
  });
}

}  // extern "C"

namespace registry {

std::string FilePath() {
  if (const char* p = std::getenv("PLATFORM_REGISTRY"); p && *p) return p;
  std::string base;
  if (const char* x = std::getenv("XDG_CONFIG_HOME"); x && *x == '/') {
    base = x;
  } else {
    std::string home;
    if (const char* h = std::getenv("HOME"); h && *h) {
      home = h;
    } else {
      passwd pw{};
      passwd* found = nullptr;
      char buf[4096];
      if (::getpwuid_r(::getuid(), &pw, buf, sizeof buf, &found) == 0 && found && found->pw_dir)
        home = found->pw_dir;
    }
    if (home.empty()) return "";
    base = home + "/.config";
  }
  return base + "/platform/registry.reg";
}

namespace {

// Runs `read` on the key at `keyPath` in the up-to-date cache; false when the
// file cannot be loaded, the path is malformed or the key does not exist.
template <class F>
bool ReadPath(const std::string& keyPath, F&& read) {
  FullPath path;
  if (!ParseFullPath(keyPath, path)) return false;
  State& s = GetState();
  std::lock_guard lock(s.mu);
  if (Refresh(s) != ERROR_SUCCESS) return false;
  Key* key = Locate(s.tree[path.root], path.parts);
  if (!key) return false;
  read(*key);
  return true;
}

}  // namespace

std::optional<std::string> GetValue(const std::string& keyPath, const std::string& name) {
  std::optional<std::string> result;
  ReadPath(keyPath, [&](Key& key) {
    if (Value* v = FindValue(key, name)) result = v->data;
  });
  return result;
}

std::vector<std::string> SubKeys(const std::string& keyPath) {
  std::vector<std::string> result;
  ReadPath(keyPath, [&](Key& key) {
    for (const Key& child : key.children) result.push_back(child.name);
  });
  return result;
}

std::vector<std::pair<std::string, std::string>> Values(const std::string& keyPath) {
  std::vector<std::pair<std::string, std::string>> result;
  ReadPath(keyPath, [&](Key& key) {
    for (const Value& v : key.values) result.emplace_back(v.name, v.data);
  });
  return result;
}

struct Transaction::Impl {
  enum Kind { kSetValue, kCreateKey, kDeleteTree, kDecide };
  struct Op {
    Kind kind;
    std::string keyPath;
    std::string name;
    std::string value;
    std::function<void(const Snapshot&, Transaction&)> decide;
  };
  std::vector<Op> ops;
};

namespace {

// The registry as a transaction finds it, changes made before included.
class TreeSnapshot final : public Snapshot {
 public:
  explicit TreeSnapshot(Tree& tree) : tree_(tree) {}
  bool HasKey(const std::string& keyPath) const override { return Find(keyPath) != nullptr; }
  std::vector<std::string> SubKeys(const std::string& keyPath) const override {
    std::vector<std::string> names;
    if (const Key* key = Find(keyPath))
      for (const Key& child : key->children) names.push_back(child.name);
    return names;
  }

 private:
  const Key* Find(const std::string& keyPath) const {
    FullPath path;
    return ParseFullPath(keyPath, path) ? Locate(tree_[path.root], path.parts) : nullptr;
  }
  Tree& tree_;
};

}  // namespace

// Applies a transaction's changes to the tree in order; a decided change
// reads the tree as the changes before it left it, and its own changes are
// applied at once. ERROR_INVALID_PARAMETER for a malformed key path.
struct TransactionApplier {
  static LSTATUS Apply(Tree& tree, const Transaction& t, bool& changed);
};

LSTATUS TransactionApplier::Apply(Tree& tree, const Transaction& t, bool& changed) {
  for (const Transaction::Impl::Op& op : t.impl_->ops) {
    if (op.kind == Transaction::Impl::kDecide) {
      Transaction decided;
      op.decide(TreeSnapshot(tree), decided);
      if (LSTATUS status = Apply(tree, decided, changed); status != ERROR_SUCCESS) return status;
      continue;
    }
    FullPath path;
    if (!ParseFullPath(op.keyPath, path)) return ERROR_INVALID_PARAMETER;
    Key& root = tree[path.root];
    const std::vector<std::string>& parts = path.parts;
    switch (op.kind) {
      case Transaction::Impl::kSetValue: {
        Key& key = EnsureKey(root, parts, &changed);
        changed |= SetValueIn(key, op.name, op.value);
        break;
      }
      case Transaction::Impl::kCreateKey:
        EnsureKey(root, parts, &changed);
        break;
      case Transaction::Impl::kDeleteTree:
        // Deleting a root clears it; a missing key is already deleted.
        if (parts.empty()) {
          changed |= ClearKey(root);
        } else if (Key* parent = Locate(root, std::vector<std::string>(parts.begin(), parts.end() - 1))) {
          changed |= RemoveChild(*parent, parts.back());
        }
        break;
      case Transaction::Impl::kDecide: break;
    }
  }
  return ERROR_SUCCESS;
}

Transaction::Transaction() : impl_(new Impl) {}

Transaction::~Transaction() { delete impl_; }

void Transaction::SetValue(const std::string& keyPath, const std::string& name, const std::string& value) {
  impl_->ops.push_back({Impl::kSetValue, keyPath, name, value, {}});
}

void Transaction::CreateKey(const std::string& keyPath) {
  impl_->ops.push_back({Impl::kCreateKey, keyPath, {}, {}, {}});
}

void Transaction::DeleteTree(const std::string& keyPath) {
  impl_->ops.push_back({Impl::kDeleteTree, keyPath, {}, {}, {}});
}

void Transaction::Decide(std::function<void(const Snapshot&, Transaction&)> decide) {
  impl_->ops.push_back({Impl::kDecide, {}, {}, {}, std::move(decide)});
}

HRESULT Transaction::Commit(std::string* error) {
  std::string text;
  HRESULT hr = S_OK;
  try {
    for (const Impl::Op& op : impl_->ops) {
      FullPath path;
      if (op.kind != Impl::kDecide && !ParseFullPath(op.keyPath, path)) {
        if (error) *error = "invalid registry key path \"" + op.keyPath + "\"";
        return E_INVALIDARG;
      }
    }
    State& s = GetState();
    std::lock_guard lock(s.mu);
    WriteResult r =
        ModifyLocked(s, [&](Tree& tree, bool& changed) { return TransactionApplier::Apply(tree, *this, changed); });
    switch (r.kind) {
      case WriteResult::kDone: impl_->ops.clear(); break;
      case WriteResult::kLoadFailed: hr = REGDB_E_READREGDB; break;
      case WriteResult::kWriteFailed: hr = REGDB_E_WRITEREGDB; break;
      case WriteResult::kRejected:
        hr = r.status == ERROR_INVALID_PARAMETER ? E_INVALIDARG : E_UNEXPECTED;
        if (hr == E_INVALIDARG) r.error = "invalid registry key path in a decided change";
        break;
    }
    text = std::move(r.error);
  } catch (const std::bad_alloc&) {
    hr = E_OUTOFMEMORY;
    text = "out of memory";
  }
  if (error) *error = std::move(text);
  return hr;
}

std::string LastLoadError() {
  State& s = GetState();
  std::lock_guard lock(s.mu);
  Refresh(s);
  return s.loadError;
}

void ResetCacheForTests() {
  State& s = GetState();
  std::lock_guard lock(s.mu);
  s.path.clear();
  s.valid = false;
  s.tree = Tree{};
}

}  // namespace registry
