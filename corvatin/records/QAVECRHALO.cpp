// The register's HALO limit table: the definitions of what QAVECRHALO.h
// declares.
#include "corvatin/records/QAVECRHALO.h"

#include "corvatin/records/RecordErrors.h"

namespace corvatin {

CORVATIN_CLASS(TQAVECRHALO, CLSID_QAVECRHALO);

HRESULT TQAVECRHALO::get_Count(LONG* result) {
  return Get(result, [&] { return static_cast<LONG>(items_.size()); });
}

HRESULT TQAVECRHALO::get_Values(LONG i, CY* result) {
  return Get(result, [&] { return ListItem(items_, i).Value; });
}

HRESULT TQAVECRHALO::put_Values(LONG i, CY value) {
  return Guard([&] { ListItem(items_, i).Value = value; });
}

HRESULT TQAVECRHALO::Add(CY value, VARIANT_BOOL* result) {
  return Get(result, [&] {
    Append(value);
    return true;
  });
}

HRESULT TQAVECRHALO::Delete(LONG i, VARIANT_BOOL* result) {
  return Get(result, [&] {
    Remove(i);
    return true;
  });
}

HRESULT TQAVECRHALO::Clear(VARIANT_BOOL* result) {
  return Get(result, [&] {
    RemoveAll();
    return true;
  });
}

void TQAVECRHALO::Remove(LONG i) {
  ListItem(items_, i);
  items_.erase(items_.begin() + i);
}

}  // namespace corvatin
