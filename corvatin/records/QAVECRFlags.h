// The register's configuration flags: five sets of bit flags (sale, print,
// keyboard, scales, power, misc) and three numbers passed to the register as
// they are. The engine owns one Flags object and carries its sets through the
// 64-bit flag word; this object only stores each value as given.
#pragma once

#include "corvatin/records/TableRecord.h"

namespace corvatin {

struct FlagsProperty {
  enum : std::size_t { Sale, Print, Keyboard, Scales, Power, Misc, ScalesCodeType, ScalesType, PLUStaling };
};

inline constexpr PropertyRow kFlagsRows[] = {
    {FlagsProperty::Sale, "Sale", PropertyType::Long, 0},                      // QAVECRSaleFlags
    {FlagsProperty::Print, "Print", PropertyType::Long, 0},                    // QAVECRPrintFlags
    {FlagsProperty::Keyboard, "Keyboard", PropertyType::Long, 0},              // QAVECRKeyboardFlags
    {FlagsProperty::Scales, "Scales", PropertyType::Long, 0},                  // QAVECRScalesFlags
    {FlagsProperty::Power, "Power", PropertyType::Long, 0},                    // QAVECRPowerFlags
    {FlagsProperty::Misc, "Misc", PropertyType::Long, 0},                      // QAVECRMiscFlags
    {FlagsProperty::ScalesCodeType, "ScalesCodeType", PropertyType::Long, 0},  // a number of the register's
    {FlagsProperty::ScalesType, "ScalesType", PropertyType::Long, 0},          // a number of the register's
    {FlagsProperty::PLUStaling, "PLUStaling", PropertyType::Long, 0},          // a number of the register's
};
static_assert(RowsInOrder(kFlagsRows));

class TQAVECRFlags final : public TableRecord<IQAVECRFlags> {
 public:
  TQAVECRFlags() : TableRecord(kFlagsRows) {}

  HRESULT get_Sale(LONG* r) override { return GetLong(FlagsProperty::Sale, r); }
  HRESULT put_Sale(LONG v) override { return PutLong(FlagsProperty::Sale, v); }
  HRESULT get_Print(LONG* r) override { return GetLong(FlagsProperty::Print, r); }
  HRESULT put_Print(LONG v) override { return PutLong(FlagsProperty::Print, v); }
  HRESULT get_Keyboard(LONG* r) override { return GetLong(FlagsProperty::Keyboard, r); }
  HRESULT put_Keyboard(LONG v) override { return PutLong(FlagsProperty::Keyboard, v); }
  HRESULT get_Scales(LONG* r) override { return GetLong(FlagsProperty::Scales, r); }
  HRESULT put_Scales(LONG v) override { return PutLong(FlagsProperty::Scales, v); }
  HRESULT get_Power(LONG* r) override { return GetLong(FlagsProperty::Power, r); }
  HRESULT put_Power(LONG v) override { return PutLong(FlagsProperty::Power, v); }
  HRESULT get_Misc(LONG* r) override { return GetLong(FlagsProperty::Misc, r); }
  HRESULT put_Misc(LONG v) override { return PutLong(FlagsProperty::Misc, v); }
  HRESULT get_ScalesCodeType(LONG* r) override { return GetLong(FlagsProperty::ScalesCodeType, r); }
  HRESULT put_ScalesCodeType(LONG v) override { return PutLong(FlagsProperty::ScalesCodeType, v); }
  HRESULT get_ScalesType(LONG* r) override { return GetLong(FlagsProperty::ScalesType, r); }
  HRESULT put_ScalesType(LONG v) override { return PutLong(FlagsProperty::ScalesType, v); }
  HRESULT get_PLUStaling(LONG* r) override { return GetLong(FlagsProperty::PLUStaling, r); }
  HRESULT put_PLUStaling(LONG v) override { return PutLong(FlagsProperty::PLUStaling, v); }

  // C++ access by property (FlagsProperty::Keyboard, ...), for the flag word.
  LONG Value(std::size_t property) const { return values_.Long(property); }
  void SetValue(std::size_t property, LONG v) { values_.SetLong(property, v); }
};

}  // namespace corvatin
