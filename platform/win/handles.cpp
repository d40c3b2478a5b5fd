// The process-wide handle table and the thread's last error.
#include "platform/win/handles.h"

#include <atomic>
#include <mutex>
#include <unordered_map>
#include <utility>

namespace {

struct Entry {
  const win::HandleKind* kind;
  std::shared_ptr<void> object;
};

// The entries are spread over shards by handle value, each with its own mutex:
// consecutive handles land in different shards, so lookups of unrelated objects
// (every event, thread and port of a transfer is looked up by handle) do not
// queue on one lock. New values come from an atomic counter.
class HandleTable {
 public:
  HANDLE Add(const win::HandleKind& kind, std::shared_ptr<void> object) {
    if (count_.fetch_add(1, std::memory_order_relaxed) >= kMaxEntries) {
      count_.fetch_sub(1, std::memory_order_relaxed);
      return nullptr;
    }
    // Values grow by 4 and wrap below 2^31, skipping any still in use, so a
    // closed handle is not handed out again soon (a stale handle then fails
    // instead of reaching a newer object).
    for (;;) {
      const std::uintptr_t value = (next_.fetch_add(1, std::memory_order_relaxed) % kValues + 1) * kStep;
      Shard& shard = ShardOf(value);
      std::lock_guard lock(shard.mutex);
      if (shard.entries.contains(value)) continue;
      shard.entries.emplace(value, Entry{&kind, std::move(object)});
      return reinterpret_cast<HANDLE>(value);
    }
  }

  // `kind`: the kind the handle must be of, or null for any (`found` then
  // gets the handle's kind).
  std::shared_ptr<void> Find(HANDLE h, const win::HandleKind* kind, const win::HandleKind** found = nullptr) {
    const auto value = reinterpret_cast<std::uintptr_t>(h);
    Shard& shard = ShardOf(value);
    std::lock_guard lock(shard.mutex);
    auto it = shard.entries.find(value);
    if (it == shard.entries.end() || (kind && it->second.kind != kind)) return {};
    if (found) *found = it->second.kind;
    return it->second.object;
  }

  const win::HandleKind* Kind(HANDLE h) {
    const auto value = reinterpret_cast<std::uintptr_t>(h);
    Shard& shard = ShardOf(value);
    std::lock_guard lock(shard.mutex);
    auto it = shard.entries.find(value);
    return it == shard.entries.end() ? nullptr : it->second.kind;
  }

  bool Remove(HANDLE h, Entry& out) {
    const auto value = reinterpret_cast<std::uintptr_t>(h);
    Shard& shard = ShardOf(value);
    std::lock_guard lock(shard.mutex);
    auto it = shard.entries.find(value);
    if (it == shard.entries.end()) return false;
    out = std::move(it->second);
    shard.entries.erase(it);
    count_.fetch_sub(1, std::memory_order_relaxed);
    return true;
  }

 private:
  static constexpr std::uintptr_t kStep = 4;
  static constexpr std::uintptr_t kValues = 0x7FFFFFFC / kStep;  // handles 4 .. 0x7FFFFFFC
  static constexpr std::size_t kMaxEntries = 1u << 24;
  static constexpr std::size_t kShards = 256;

  struct alignas(64) Shard {
    std::mutex mutex;
    std::unordered_map<std::uintptr_t, Entry> entries;
  };

  Shard& ShardOf(std::uintptr_t value) { return shards_[(value / kStep) % kShards]; }

  Shard shards_[kShards];
  std::atomic<std::uintptr_t> next_{0};
  std::atomic<std::size_t> count_{0};
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

std::shared_ptr<void> FindAnyHandle(HANDLE handle, const HandleKind*& kind) {
  kind = nullptr;
  auto object = Table().Find(handle, nullptr, &kind);
  if (!object) SetLastError(ERROR_INVALID_HANDLE);
  return object;
}

}  // namespace win
