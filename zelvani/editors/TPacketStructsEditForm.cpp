#include "zelvani/editors/TPacketStructsEditForm.h"

#include "zelvani/model/EditorHook.h"

namespace zelvani::editors {

TPacketStructsEditForm::TPacketStructsEditForm()
    : TEditForm({"PacketStructsEditForm", "PacketStructsEditFrame", 711, 436, false, false}) {}

bool EditPacketStructs(IQAVZLVFrames* object) { return RunEditForm<TPacketStructsEditForm, IQAVZLVFrames>(object); }

namespace {

const bool kInstalled = (InstallEditor(EditorKind::Frames, &RunEditForm<TPacketStructsEditForm, IQAVZLVFrames>), true);

}  // namespace

}  // namespace zelvani::editors
