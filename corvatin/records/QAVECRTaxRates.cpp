// The register's tax-rate table: the definitions of what QAVECRTaxRates.h
// declares.
#include "corvatin/records/QAVECRTaxRates.h"

#include "corvatin/records/RecordErrors.h"

namespace corvatin {

CORVATIN_CLASS(TQAVECRTaxRates, CLSID_QAVECRTaxRates);

HRESULT TQAVECRTaxRates::get_Count(LONG* result) {
  return Get(result, [&] { return static_cast<LONG>(rates_.size()); });
}

HRESULT TQAVECRTaxRates::get_Values(LONG i, CY* result) {
  return Get(result, [&] { return ListItem(rates_, i).Value; });
}

HRESULT TQAVECRTaxRates::put_Values(LONG i, CY value) {
  return Guard([&] { ListItem(rates_, i).Value = value; });
}

HRESULT TQAVECRTaxRates::get_Names(LONG i, BSTR* result) {
  return Get(result, [&] { return Bstr(ListItem(rates_, i).Name); });
}

HRESULT TQAVECRTaxRates::put_Names(LONG i, BSTR value) {
  return Guard([&] { ListItem(rates_, i).Name.assign(BstrView(value)); });
}

HRESULT TQAVECRTaxRates::Add(CY value, BSTR name, VARIANT_BOOL* result) {
  return Get(result, [&] {
    Append(value, BstrView(name));
    return true;
  });
}

HRESULT TQAVECRTaxRates::Delete(LONG i, VARIANT_BOOL* result) {
  return Get(result, [&] {
    Remove(i);
    return true;
  });
}

HRESULT TQAVECRTaxRates::Clear(VARIANT_BOOL* result) {
  return Get(result, [&] {
    RemoveAll();
    return true;
  });
}

void TQAVECRTaxRates::Remove(LONG i) {
  ListItem(rates_, i);
  rates_.erase(rates_.begin() + i);
}

}  // namespace corvatin
