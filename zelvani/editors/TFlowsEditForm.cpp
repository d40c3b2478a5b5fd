#include "zelvani/editors/TFlowsEditForm.h"

#include "zelvani/model/EditorHook.h"

namespace zelvani::editors {

TFlowsEditForm::TFlowsEditForm()
    : TEditForm({"FlowsEditForm", "FlowsEditFrame", 711, 475, true, false}) {}

bool EditFlows(IQAVZLVFlows* object) { return RunEditForm<TFlowsEditForm, IQAVZLVFlows>(object); }

namespace {

const bool kInstalled = (InstallEditor(EditorKind::Flows, &RunEditForm<TFlowsEditForm, IQAVZLVFlows>), true);

}  // namespace

}  // namespace zelvani::editors
