// The versions of the register's three parts (application module, fiscal
// module, printing device) as the register reports them. A status record
// holds one; a host may also read it on its own.
#pragma once

#include "corvatin/records/TableRecord.h"

namespace corvatin {

struct VersionProperty {
  enum : std::size_t { ApplicationModule, FiscalModule, PrintingDevice };
};

inline constexpr PropertyRow kVersionRows[] = {
    {VersionProperty::ApplicationModule, "ApplicationModule", PropertyType::Text},
    {VersionProperty::FiscalModule, "FiscalModule", PropertyType::Text},
    {VersionProperty::PrintingDevice, "PrintingDevice", PropertyType::Text},
};
static_assert(RowsInOrder(kVersionRows));

class TQAVECRVersion final : public TableRecord<IQAVECRVersion> {
 public:
  TQAVECRVersion() : TableRecord(kVersionRows) {}

  HRESULT get_ApplicationModule(BSTR* r) override { return GetText(VersionProperty::ApplicationModule, r); }
  HRESULT put_ApplicationModule(BSTR v) override { return PutText(VersionProperty::ApplicationModule, v); }
  HRESULT get_FiscalModule(BSTR* r) override { return GetText(VersionProperty::FiscalModule, r); }
  HRESULT put_FiscalModule(BSTR v) override { return PutText(VersionProperty::FiscalModule, v); }
  HRESULT get_PrintingDevice(BSTR* r) override { return GetText(VersionProperty::PrintingDevice, r); }
  HRESULT put_PrintingDevice(BSTR v) override { return PutText(VersionProperty::PrintingDevice, v); }
};

}  // namespace corvatin
