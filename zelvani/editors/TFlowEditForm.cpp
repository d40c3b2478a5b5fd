#include "zelvani/editors/TFlowEditForm.h"

#include "zelvani/model/EditorHook.h"

namespace zelvani::editors {

TFlowEditForm::TFlowEditForm()
    : TEditForm({"FlowEditForm", "FlowEditFrame", 543, 476, true, false}) {}

bool EditFlow(IQAVZLVFlow* object) { return RunEditForm<TFlowEditForm, IQAVZLVFlow>(object); }

namespace {

const bool kInstalled = (InstallEditor(EditorKind::Flow, &RunEditForm<TFlowEditForm, IQAVZLVFlow>), true);

}  // namespace

}  // namespace zelvani::editors
