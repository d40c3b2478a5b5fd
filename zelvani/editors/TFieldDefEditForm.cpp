#include "zelvani/editors/TFieldDefEditForm.h"

#include "zelvani/model/EditorHook.h"

namespace zelvani::editors {

TFieldDefEditForm::TFieldDefEditForm()
    : TEditForm({"FieldDefEditForm", "FieldDefEditFrame", 378, 414, false, false}) {}

bool EditFieldDef(IQAVZLVFieldDef* object) { return RunEditForm<TFieldDefEditForm, IQAVZLVFieldDef>(object); }

namespace {

const bool kInstalled = (InstallEditor(EditorKind::FieldDef, &RunEditForm<TFieldDefEditForm, IQAVZLVFieldDef>), true);

}  // namespace

}  // namespace zelvani::editors
