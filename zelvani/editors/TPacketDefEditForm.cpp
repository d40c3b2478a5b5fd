#include "zelvani/editors/TPacketDefEditForm.h"

#include "zelvani/model/EditorHook.h"

namespace zelvani::editors {

TPacketDefEditForm::TPacketDefEditForm()
    : TEditForm({"PacketDefEditForm", "PacketDefEditFrame", 544, 504, false, false}) {}

bool EditPacketDef(IQAVZLVPacketDef* object) { return RunEditForm<TPacketDefEditForm, IQAVZLVPacketDef>(object); }

namespace {

const bool kInstalled = (InstallEditor(EditorKind::PacketDef, &RunEditForm<TPacketDefEditForm, IQAVZLVPacketDef>), true);

}  // namespace

}  // namespace zelvani::editors
