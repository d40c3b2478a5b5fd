// The editors of the model's objects. Each model object's Edit member opens a
// modal editor on itself through this hook; the editor subsystem installs the
// routines. Without an installed routine, Edit fails with a clear error.
#pragma once

#include <functional>
#include <string>

#include "platform/com/interfaces.h"

namespace zelvani {

enum class EditorKind {
  FieldDef,
  FieldDefs,
  PacketDef,
  PacketDefs,
  Frame,
  FrameItem,
  FrameItems,
  Frames,
  Flow,
  FlowItem,
  FlowItems,
  Flows,
  PacketLibrary,
};

// An editor routine: opens the modal editor on `target` and answers whether the
// user closed it with OK.
using EditorRoutine = std::function<bool(IDispatch* target)>;

void InstallEditor(EditorKind kind, EditorRoutine routine);
// Runs the installed editor; throws when none is installed.
bool RunEditor(EditorKind kind, IDispatch* target);

}  // namespace zelvani
