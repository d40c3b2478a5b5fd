#include "zelvani/editors/TFlowItemsEditForm.h"

#include "zelvani/model/EditorHook.h"

namespace zelvani::editors {

TFlowItemsEditForm::TFlowItemsEditForm()
    : TEditForm({"FlowItemsEditForm", "FlowItemsEditFrame", 543, 422, false, false}) {}

bool EditFlowItems(IQAVZLVFlowItems* object) { return RunEditForm<TFlowItemsEditForm, IQAVZLVFlowItems>(object); }

namespace {

const bool kInstalled = (InstallEditor(EditorKind::FlowItems, &RunEditForm<TFlowItemsEditForm, IQAVZLVFlowItems>), true);

}  // namespace

}  // namespace zelvani::editors
