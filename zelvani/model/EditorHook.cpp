#include "zelvani/model/EditorHook.h"

#include <array>
#include <mutex>

#include "platform/com/error.h"

namespace zelvani {

namespace {

constexpr std::size_t kKinds = static_cast<std::size_t>(EditorKind::PacketLibrary) + 1;

const char* KindName(EditorKind k) {
  static const char* const names[kKinds] = {
      "field definition", "field definitions", "packet definition", "packet definitions", "frame",
      "frame item",       "frame items",       "frames",            "flow",               "flow item",
      "flow items",       "flows",             "packet library",
  };
  return names[static_cast<std::size_t>(k)];
}

struct Editors {
  std::mutex lock;
  std::array<EditorRoutine, kKinds> routines;
};

Editors& TheEditors() {
  static Editors e;
  return e;
}

}  // namespace

void InstallEditor(EditorKind kind, EditorRoutine routine) {
  Editors& e = TheEditors();
  std::lock_guard g(e.lock);
  e.routines[static_cast<std::size_t>(kind)] = std::move(routine);
}

bool RunEditor(EditorKind kind, IDispatch* target) {
  EditorRoutine routine;
  {
    Editors& e = TheEditors();
    std::lock_guard g(e.lock);
    routine = e.routines[static_cast<std::size_t>(kind)];
  }
  if (!routine) throw ComError(E_NOTIMPL, std::string("No editor is available for the ") + KindName(kind));
  return routine(target);
}

}  // namespace zelvani
