// The amounts of a report or receipt: a list of amount objects, each created
// by its class identifier when it is added, handed out by 0-based index.
#pragma once

#include "corvatin/records/QAVECRCollection.h"

namespace corvatin {

class TQAVECRAmounts final : public TQAVECRCollection<IQAVECRAmounts> {
 public:
  HRESULT get_Count(LONG* result) override;
  HRESULT get_Items(LONG i, IQAVECRAmount** result) override;
  HRESULT Add(LONG amountType, CY value, BSTR name, BSTR info, VARIANT_BOOL* result) override;
  HRESULT Delete(LONG i, VARIANT_BOOL* result) override;
  HRESULT Clear(VARIANT_BOOL* result) override;

  // Creates an amount by class identifier, sets its kind, value, name and
  // text in this order and appends it; nothing is appended when any step
  // fails.
  bool AddAmount(LONG amountType, CY value, BSTR name, BSTR info);
};

}  // namespace corvatin
