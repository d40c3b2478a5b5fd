#include "zelvani/editors/TPacketStructEditForm.h"

#include "zelvani/model/EditorHook.h"

namespace zelvani::editors {

TPacketStructEditForm::TPacketStructEditForm()
    : TEditForm({"PacketStructEditForm", "PacketStructEditFrame", 542, 437, false, false}) {}

bool EditPacketStruct(IQAVZLVFrame* object) { return RunEditForm<TPacketStructEditForm, IQAVZLVFrame>(object); }

namespace {

const bool kInstalled = (InstallEditor(EditorKind::Frame, &RunEditForm<TPacketStructEditForm, IQAVZLVFrame>), true);

}  // namespace

}  // namespace zelvani::editors
