// The register's tax-rate table: an owning list of rates, each a value and a
// name (the rate's letter), addressed by 0-based index.
#pragma once

#include <string>
#include <vector>

#include "corvatin/control/CorvatinServer.h"

namespace corvatin {

// One tax rate of the table; a plain item owned by its list.
struct TQAVECRTaxRate {
  CY Value{};
  std::u16string Name;
};

class TQAVECRTaxRates final : public CorvatinObject<IQAVECRTaxRates> {
 public:
  HRESULT get_Count(LONG* result) override;
  HRESULT get_Values(LONG i, CY* result) override;
  HRESULT put_Values(LONG i, CY value) override;
  HRESULT get_Names(LONG i, BSTR* result) override;
  HRESULT put_Names(LONG i, BSTR value) override;
  HRESULT Add(CY value, BSTR name, VARIANT_BOOL* result) override;
  HRESULT Delete(LONG i, VARIANT_BOOL* result) override;
  HRESULT Clear(VARIANT_BOOL* result) override;

  // C++ access; an index outside the list throws the list's index error.
  const std::vector<TQAVECRTaxRate>& Rates() const { return rates_; }
  void Append(CY value, std::u16string_view name) { rates_.push_back({value, std::u16string(name)}); }
  void Remove(LONG i);
  void RemoveAll() { rates_.clear(); }

 private:
  std::vector<TQAVECRTaxRate> rates_;
};

}  // namespace corvatin
