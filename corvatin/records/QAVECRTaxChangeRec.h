// A tax-rate change record of the periodical report: the date of the change
// and the new rates, named "A", "B", ... by the reader, in a list the record
// owns.
#pragma once

#include "corvatin/records/TableRecord.h"

namespace corvatin {

struct TaxChangeRecProperty {
  enum : std::size_t { Date };
};

inline constexpr PropertyRow kTaxChangeRecRows[] = {
    {TaxChangeRecProperty::Date, "Date", PropertyType::Date, -1},
};
static_assert(RowsInOrder(kTaxChangeRecRows));

class TQAVECRTaxChangeRec final : public TableRecord<IQAVECRTaxChangeRec> {
 public:
  // Creates the tax-rate list by class identifier; when that fails, the
  // record is not made.
  TQAVECRTaxChangeRec();

  HRESULT get_Date(DATE* r) override { return GetDate(TaxChangeRecProperty::Date, r); }
  HRESULT put_Date(DATE v) override { return PutDate(TaxChangeRecProperty::Date, v); }
  HRESULT get_TaxRates(IQAVECRTaxRates** r) override;

  IQAVECRTaxRates* TaxRates() const { return taxRates_.Get(); }

 private:
  const ComPtr<IQAVECRTaxRates> taxRates_;
};

}  // namespace corvatin
