#include "zelvani/editors/TPacketDefsEditForm.h"

#include "zelvani/model/EditorHook.h"

namespace zelvani::editors {

TPacketDefsEditForm::TPacketDefsEditForm()
    : TEditForm({"PacketDefsEditForm", "PacketDefsEditFrame", 712, 504, false, false}) {}

bool EditPacketDefs(IQAVZLVPacketDefs* object) { return RunEditForm<TPacketDefsEditForm, IQAVZLVPacketDefs>(object); }

namespace {

const bool kInstalled = (InstallEditor(EditorKind::PacketDefs, &RunEditForm<TPacketDefsEditForm, IQAVZLVPacketDefs>), true);

}  // namespace

}  // namespace zelvani::editors
