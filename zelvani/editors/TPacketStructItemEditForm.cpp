#include "zelvani/editors/TPacketStructItemEditForm.h"

#include "zelvani/model/EditorHook.h"

namespace zelvani::editors {

TPacketStructItemEditForm::TPacketStructItemEditForm()
    : TEditForm({"PacketStructItemEditForm", "PacketStructItemEditFrame", 376, 338, false, false}) {}

bool EditPacketStructItem(IQAVZLVFrameItem* object) { return RunEditForm<TPacketStructItemEditForm, IQAVZLVFrameItem>(object); }

namespace {

const bool kInstalled = (InstallEditor(EditorKind::FrameItem, &RunEditForm<TPacketStructItemEditForm, IQAVZLVFrameItem>), true);

}  // namespace

}  // namespace zelvani::editors
