// A linked-code record: an article's code and the code of the article sold
// together with it (a deposit bottle with its drink, for instance).
#pragma once

#include "corvatin/records/TableRecord.h"

namespace corvatin {

struct LinkedCodeRecProperty {
  enum : std::size_t { Code, LinkedCode };
};

inline constexpr PropertyRow kLinkedCodeRecRows[] = {
    {LinkedCodeRecProperty::Code, "Code", PropertyType::Text},
    {LinkedCodeRecProperty::LinkedCode, "LinkedCode", PropertyType::Text},
};
static_assert(RowsInOrder(kLinkedCodeRecRows));

class TQAVECRLinkedCodeRec final : public TableRecord<IQAVECRLinkedCodeRec> {
 public:
  TQAVECRLinkedCodeRec() : TableRecord(kLinkedCodeRecRows) {}

  HRESULT get_Code(BSTR* r) override { return GetText(LinkedCodeRecProperty::Code, r); }
  HRESULT put_Code(BSTR v) override { return PutText(LinkedCodeRecProperty::Code, v); }
  HRESULT get_LinkedCode(BSTR* r) override { return GetText(LinkedCodeRecProperty::LinkedCode, r); }
  HRESULT put_LinkedCode(BSTR v) override { return PutText(LinkedCodeRecProperty::LinkedCode, v); }
};

}  // namespace corvatin
