#include "zelvani/editors/TPacketStructItemsEditForm.h"

#include "zelvani/model/EditorHook.h"

namespace zelvani::editors {

TPacketStructItemsEditForm::TPacketStructItemsEditForm()
    : TEditForm({"PacketStructItemsEditForm", "PacketStructItemsEditFrame", 543, 337, false, false}) {}

bool EditPacketStructItems(IQAVZLVFrameItems* object) { return RunEditForm<TPacketStructItemsEditForm, IQAVZLVFrameItems>(object); }

namespace {

const bool kInstalled = (InstallEditor(EditorKind::FrameItems, &RunEditForm<TPacketStructItemsEditForm, IQAVZLVFrameItems>), true);

}  // namespace

}  // namespace zelvani::editors
