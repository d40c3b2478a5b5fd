// The item frame of one field definition: where the field lies in the data
// area, its data type, separator, constraints, the three values and the
// conversion flags.
#pragma once

#include "platform/ui/Form.h"
#include "zelvani/Zelvani.h"

namespace zelvani::editors {

class TFieldDefEditFrame : public ui::Frame {
 public:
  TFieldDefEditFrame();

  void LoadItem(IQAVZLVFieldDef* field);
  // Reads every number, and on a currency field the default value, before
  // writing anything.
  void SaveItem(IQAVZLVFieldDef* field);
  void Validate() const;

 private:
  struct Numbers {
    LONG index, size, constraints, offset;
  };
  Numbers ReadNumbers() const;
  LONG SelectedDataType() const;

  ui::Edit* IndexED;
  ui::Edit* IDED;
  ui::Edit* NameED;
  ui::Edit* SizeED;
  ui::Edit* OffsetED;
  ui::Edit* SeparatorED;
  ui::ComboBox* DataTypeCO;
  ui::CheckBox* RequiredCB;
  ui::Edit* ConstraintsED;
  ui::Edit* MinValueED;
  ui::Edit* MaxValueED;
  ui::Edit* DefaultValueED;
  ui::CheckListBox* ConversionsLB;
};

}  // namespace zelvani::editors
