// The process-wide key-state table and cursor.
#include "platform/win/input.h"

#include <array>
#include <atomic>
#include <cstdint>

struct CursorHandle {
  WORD id;
};

namespace {

constexpr std::uint8_t kDown = 1;
constexpr std::uint8_t kPressed = 2;  // went down since the key was last queried

std::array<std::atomic<std::uint8_t>, 256> g_keys{};

CursorHandle g_cursors[] = {{32512}, {32513}, {32514}, {32515}, {32649}, {32650}};

std::atomic<HCURSOR> g_current{&g_cursors[0]};

}  // namespace

SHORT GetAsyncKeyState(int vKey) {
  if (vKey < 0 || vKey > 255) return 0;
  // A generic modifier stands for itself and its left and right keys.
  int keys[3] = {vKey, vKey, vKey};
  switch (vKey) {
    case VK_SHIFT:
      keys[1] = VK_LSHIFT, keys[2] = VK_RSHIFT;
      break;
    case VK_CONTROL:
      keys[1] = VK_LCONTROL, keys[2] = VK_RCONTROL;
      break;
    case VK_MENU:
      keys[1] = VK_LMENU, keys[2] = VK_RMENU;
      break;
    default:
      break;
  }
  std::uint8_t state = 0;
  for (int k : keys) {
    auto& key = g_keys[static_cast<std::size_t>(k)];
    // Only a key with the pressed mark is written to: the common look at a key
    // that is up stays a read, which many threads share without contention.
    std::uint8_t was = key.load();
    if (was & kPressed) was = key.fetch_and(static_cast<std::uint8_t>(~kPressed));
    state |= was;
  }
  std::uint16_t result = 0;
  if (state & kDown) result |= 0x8000;
  if (state & kPressed) result |= 0x0001;
  return static_cast<SHORT>(result);
}

HCURSOR LoadCursorA(HINSTANCE instance, LPCSTR name) {
  auto id = reinterpret_cast<ULONG_PTR>(name);
  if (!instance)
    for (auto& c : g_cursors)
      if (c.id == id) return &c;
  SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
  return nullptr;
}

HCURSOR GetCursor() { return g_current.load(); }

HCURSOR SetCursor(HCURSOR cursor) {
  // Putting the cursor that is already up writes nothing: every transfer of
  // every port puts the hourglass, and the value is shared by all threads.
  HCURSOR current = g_current.load();
  if (current == cursor) return current;
  return g_current.exchange(cursor);
}

namespace win {

void SetAsyncKeyState(int vKey, bool down) {
  if (vKey < 0 || vKey > 255) return;
  auto& key = g_keys[static_cast<std::size_t>(vKey)];
  if (down)
    key.fetch_or(kDown | kPressed);
  else
    key.fetch_and(static_cast<std::uint8_t>(~kDown));
}

void ResetAsyncKeyStates() {
  for (auto& key : g_keys) key.store(0);
}

}  // namespace win
