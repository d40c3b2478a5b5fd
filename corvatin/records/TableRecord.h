// The base of the control's record objects whose properties are plain values
// described by a table (see PropertyValues.h): each interface accessor is one
// line that names its table row, and the bodies here run under the member
// guard like every other automation member.
#pragma once

#include <cstddef>

#include "corvatin/control/CorvatinServer.h"
#include "corvatin/records/PropertyValues.h"
#include "platform/com/bstr.h"

namespace corvatin {

template <class Itf>
class TableRecord : public CorvatinObject<Itf> {
 public:
  // C++ access to the properties (the engine's readers and writers use it).
  const PropertyValues& Values() const { return values_; }
  PropertyValues& Values() { return values_; }

 protected:
  template <std::size_t N>
  explicit TableRecord(const PropertyRow (&rows)[N]) : values_(rows) {}

  HRESULT GetLong(std::size_t id, LONG* result) {
    return this->Get(result, [&] { return values_.Long(id); });
  }
  HRESULT PutLong(std::size_t id, LONG value) {
    return this->Guard([&] { values_.SetLong(id, value); });
  }
  HRESULT GetText(std::size_t id, BSTR* result) {
    return this->Get(result, [&] { return Bstr(values_.Text(id)); });
  }
  HRESULT PutText(std::size_t id, BSTR value) {
    return this->Guard([&] { values_.SetText(id, BstrView(value)); });
  }
  HRESULT GetCurrency(std::size_t id, CY* result) {
    return this->Get(result, [&] { return values_.Currency(id); });
  }
  HRESULT PutCurrency(std::size_t id, CY value) {
    return this->Guard([&] { values_.SetCurrency(id, value); });
  }
  HRESULT GetBool(std::size_t id, VARIANT_BOOL* result) {
    return this->Get(result, [&] { return values_.Bool(id); });
  }
  HRESULT PutBool(std::size_t id, VARIANT_BOOL value) {
    return this->Guard([&] { values_.SetBool(id, value != VARIANT_FALSE); });
  }
  HRESULT GetDate(std::size_t id, DATE* result) {
    return this->Get(result, [&] { return values_.Date(id); });
  }
  HRESULT PutDate(std::size_t id, DATE value) {
    return this->Guard([&] { values_.SetDate(id, value); });
  }
  HRESULT GetDouble(std::size_t id, double* result) {
    return this->Get(result, [&] { return values_.Double(id); });
  }
  HRESULT PutDouble(std::size_t id, double value) {
    return this->Guard([&] { values_.SetDouble(id, value); });
  }

  PropertyValues values_;
};

}  // namespace corvatin
