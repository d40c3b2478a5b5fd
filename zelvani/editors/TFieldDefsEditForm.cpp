#include "zelvani/editors/TFieldDefsEditForm.h"

#include "zelvani/model/EditorHook.h"

namespace zelvani::editors {

TFieldDefsEditForm::TFieldDefsEditForm()
    : TEditForm({"FieldDefsEditForm", "FieldDefsEditFrame", 544, 405, false, false}) {}

bool EditFieldDefs(IQAVZLVFieldDefs* object) { return RunEditForm<TFieldDefsEditForm, IQAVZLVFieldDefs>(object); }

namespace {

const bool kInstalled = (InstallEditor(EditorKind::FieldDefs, &RunEditForm<TFieldDefsEditForm, IQAVZLVFieldDefs>), true);

}  // namespace

}  // namespace zelvani::editors
