// The process-wide handle table and the thread's last error.
#include "platform/win/handles.h"

#include <mutex>
#include <unordered_map>
#include <utility>

namespace {

struct Entry {
  const win::HandleKind* kind;
  std::shared_ptr<void> object;
};

class HandleTable {
 public:
  HANDLE Add(const win::HandleKind& kind, std::shared_ptr<void> object) {
    std::lock_guard lock(mutex_);
    if (entries_.size() >= kMaxEntries) return nullptr;
    // Values grow by 4 and wrap below 2^31, skipping any still in use, so a
    // closed handle is not handed out again soon (a stale handle then fails
    // instead of reaching a newer object).
    do {
      next_ = next_ >= kLastValue ? kStep : next_ + kStep;
    } while (entries_.contains(next_));
    entries_.emplace(next_, Entry{&kind, std::move(object)});
    return reinterpret_cast<HANDLE>(next_);
  }

  std::shared_ptr<void> Find(HANDLE h, const win::HandleKind* kind) {
    std::lock_guard lock(mutex_);
    auto it = entries_.find(reinterpret_cast<std::uintptr_t>(h));
    if (it == entries_.end() || (kind && it->second.kind != kind)) return {};
    return it->second.object;
  }

  const win::HandleKind* Kind(HANDLE h) {
    std::lock_guard lock(mutex_);
    auto it = entries_.find(reinterpret_cast<std::uintptr_t>(h));
    return it == entries_.end() ? nullptr : it->second.kind;
  }

  bool Remove(HANDLE h, Entry& out) {
    std::lock_guard lock(mutex_);
    auto it = entries_.find(reinterpret_cast<std::uintptr_t>(h));
    if (it == entries_.end()) return false;
    out = std::move(it->second);
    entries_.erase(it);
    return true;
  }

 private:
  static constexpr std::uintptr_t kStep = 4;
  static constexpr std::uintptr_t kLastValue = 0x7FFFFFFC;
  static constexpr std::size_t kMaxEntries = 1u << 24;

  std::mutex mutex_;
  std::unordered_map<std::uintptr_t, Entry> entries_;
  std::uintptr_t next_ = 0;
};

// Never destroyed: threads still running at exit may close handles after static
// destructors have run, and a thread object must not be destroyed unjoined.
HandleTable& Table() {
  static auto* table = new HandleTable;
  return *table;
}

thread_local DWORD t_lastError = 0;

}  // namespace

DWORD GetLastError() { return t_lastError; }

void SetLastError(DWORD code) { t_lastError = code; }

BOOL CloseHandle(HANDLE handle) {
  Entry entry{};
  if (!Table().Remove(handle, entry)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  // The close function runs outside the table's lock: closing a thread joins it,
  // and that thread may itself be opening or closing handles meanwhile.
  if (entry.kind->close) return entry.kind->close(entry.object.get());
  return TRUE;
}

namespace win {

HANDLE NewHandle(const HandleKind& kind, std::shared_ptr<void> object) {
  if (!object) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  HANDLE h = Table().Add(kind, std::move(object));
  if (!h) SetLastError(ERROR_NOT_ENOUGH_MEMORY);
  return h;
}

std::shared_ptr<void> FindHandle(HANDLE handle, const HandleKind& kind) {
  auto object = Table().Find(handle, &kind);
  if (!object) SetLastError(ERROR_INVALID_HANDLE);
  return object;
}

const HandleKind* KindOfHandle(HANDLE handle) { return Table().Kind(handle); }

}  // namespace win
