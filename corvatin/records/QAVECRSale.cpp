// The sale of a daily or periodical report: the definitions of what
// QAVECRSale.h declares.
#include "corvatin/records/QAVECRSale.h"

#include "corvatin/records/RecordErrors.h"

namespace corvatin {

CORVATIN_CLASS(TQAVECRSale, CLSID_QAVECRSale);

HRESULT TQAVECRSale::get_Count(LONG* result) {
  return Get(result, [&] { return static_cast<LONG>(lines_.size()); });
}

HRESULT TQAVECRSale::get_Grosses(LONG i, CY* result) {
  return Get(result, [&] { return ListItem(lines_, i).Gross; });
}

HRESULT TQAVECRSale::get_Netts(LONG i, CY* result) {
  return Get(result, [&] { return ListItem(lines_, i).Nett; });
}

HRESULT TQAVECRSale::get_Taxes(LONG i, CY* result) {
  return Get(result, [&] { return ListItem(lines_, i).Tax; });
}

HRESULT TQAVECRSale::get_Infos(LONG i, BSTR* result) {
  return Get(result, [&] { return Bstr(ListItem(lines_, i).Info); });
}

HRESULT TQAVECRSale::Add(CY gross, CY nett, CY tax, BSTR info, VARIANT_BOOL* result) {
  return Get(result, [&] {
    Append(gross, nett, tax, BstrView(info));
    return true;
  });
}

HRESULT TQAVECRSale::Delete(LONG i, VARIANT_BOOL* result) {
  return Get(result, [&] {
    Remove(i);
    return true;
  });
}

HRESULT TQAVECRSale::Clear(VARIANT_BOOL* result) {
  return Get(result, [&] {
    RemoveAll();
    return true;
  });
}

void TQAVECRSale::Append(CY gross, CY nett, CY tax, std::u16string_view info) {
  lines_.push_back({gross, nett, tax, std::u16string(info)});
}

void TQAVECRSale::Remove(LONG i) {
  ListItem(lines_, i);
  lines_.erase(lines_.begin() + i);
}

}  // namespace corvatin
