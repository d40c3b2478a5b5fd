#include "zelvani/editors/TFieldDefsEditFrame.h"

namespace zelvani::editors {

TFieldDefsEditFrame::TFieldDefsEditFrame()
    : TListEditFrame(CLSID_QAVZLVFieldDefs, "Fields", "FieldDefsTV", "FieldDefEditFrame", true) {}

std::string TFieldDefsEditFrame::NodeCaption(IQAVZLVFieldDef* field) {
  constexpr char kWhat[] = "Cannot read the field definition";
  return "ID = " + ReadText(field, &IQAVZLVFieldDef::get_ID, kWhat) + ": " +
         ReadText(field, &IQAVZLVFieldDef::get_Name, kWhat);
}

}  // namespace zelvani::editors
