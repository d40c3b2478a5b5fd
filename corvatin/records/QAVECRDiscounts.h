// The discount table: a list of discount objects, filled by Add or by the
// engine's reader, with a find cursor that walks the discounts of one kind.
// The cursor lives in the list: two searches over the same list interleave,
// and a search goes on from its last find even when the list changed since.
#pragma once

#include "corvatin/records/QAVECRCollection.h"

namespace corvatin {

class TQAVECRDiscounts final : public TQAVECRCollection<IQAVECRDiscounts> {
 public:
  HRESULT get_Count(LONG* result) override;
  HRESULT get_Items(LONG i, IQAVECRDiscount** result) override;
  HRESULT Add(LONG discountType, CY value, BSTR info, VARIANT_BOOL* result) override;
  HRESULT Delete(LONG i, VARIANT_BOOL* result) override;
  HRESULT Clear(VARIANT_BOOL* result) override;
  HRESULT FindFirst(LONG discountType, IQAVECRDiscount** result) override;
  HRESULT FindNext(IQAVECRDiscount** result) override;

  // Creates a discount by class identifier, sets its kind, value and text in
  // this order and appends it; nothing is appended when any step fails.
  bool AddDiscount(LONG discountType, CY value, BSTR info);

  // Starts a search for discounts of kind TYPE and returns the first (null
  // when there is none).
  ComPtr<IQAVECRDiscount> First(LONG type);
  // The next discount of the searched kind after the last one found; null,
  // the cursor staying where it was, when none follows. Before any search the
  // kind searched for is -1.
  ComPtr<IQAVECRDiscount> Next();

  LONG FindType() const { return findType_; }
  LONG FindIndex() const { return findIndex_; }

 private:
  LONG findType_ = -1;
  LONG findIndex_ = -1;
};

}  // namespace corvatin
