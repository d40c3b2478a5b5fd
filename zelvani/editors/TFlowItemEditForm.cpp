#include "zelvani/editors/TFlowItemEditForm.h"

#include "zelvani/model/EditorHook.h"

namespace zelvani::editors {

TFlowItemEditForm::TFlowItemEditForm()
    : TEditForm({"FlowItemEditForm", "FlowItemEditFrame", 370, 394, false, true}) {}

bool EditFlowItem(IQAVZLVFlowItem* object) { return RunEditForm<TFlowItemEditForm, IQAVZLVFlowItem>(object); }

namespace {

const bool kInstalled = (InstallEditor(EditorKind::FlowItem, &RunEditForm<TFlowItemEditForm, IQAVZLVFlowItem>), true);

}  // namespace

}  // namespace zelvani::editors
