// An article or department record (a PLU): the values the host fills before
// writing it to the register and the reader fills from the register. Every
// property is plain storage; which of them travel is the engine's business.
// The attribute text that carries PLUAttributes (and an article's packing
// kind) on the wire is made and taken apart here, so the writers and readers
// share one rule for it.
#pragma once

#include <string>
#include <string_view>

#include "corvatin/records/TableRecord.h"

namespace corvatin {

struct PLUProperty {
  enum : std::size_t {
    Name,
    Code,
    Index,
    EAN,
    ShortName,
    PLUType,
    Price,
    DepartmentIndex,
    DepartmentCode,
    ContainerIndex,
    ContainerCode,
    LinkedIndex,
    LinkedCode,
    TaxRateIndex,
    TaxRateName,
    TaxRate,
    PLUAttributes,
    HALOIndex,
    HALOAmount,
    Precision,
  };
};

// PLUType and PLUAttributes start at -1: a new record has no kind and every
// attribute bit set until the host or a reader sets them.
inline constexpr PropertyRow kPLURows[] = {
    {PLUProperty::Name, "Name", PropertyType::Text},
    {PLUProperty::Code, "Code", PropertyType::Text},
    {PLUProperty::Index, "Index", PropertyType::Long, -1},
    {PLUProperty::EAN, "EAN", PropertyType::Text},
    {PLUProperty::ShortName, "ShortName", PropertyType::Text},
    {PLUProperty::PLUType, "PLUType", PropertyType::Long, -1},  // QAVECRPLUType
    {PLUProperty::Price, "Price", PropertyType::Currency, 0},
    {PLUProperty::DepartmentIndex, "DepartmentIndex", PropertyType::Long, -1},
    {PLUProperty::DepartmentCode, "DepartmentCode", PropertyType::Text},
    {PLUProperty::ContainerIndex, "ContainerIndex", PropertyType::Long, -1},
    {PLUProperty::ContainerCode, "ContainerCode", PropertyType::Text},
    {PLUProperty::LinkedIndex, "LinkedIndex", PropertyType::Long, -1},
    {PLUProperty::LinkedCode, "LinkedCode", PropertyType::Text},
    {PLUProperty::TaxRateIndex, "TaxRateIndex", PropertyType::Long, -1},
    {PLUProperty::TaxRateName, "TaxRateName", PropertyType::Text},
    {PLUProperty::TaxRate, "TaxRate", PropertyType::Currency, 0},
    {PLUProperty::PLUAttributes, "PLUAttributes", PropertyType::Long, -1},  // set of QAVECRPLUAttributes
    {PLUProperty::HALOIndex, "HALOIndex", PropertyType::Long, -1},
    {PLUProperty::HALOAmount, "HALOAmount", PropertyType::Long, -1},
    {PLUProperty::Precision, "Precision", PropertyType::Long, -1},
};
static_assert(RowsInOrder(kPLURows));

// The two layouts of the attribute text: a department's (also used by an
// article change) and an article's.
enum class AttributeLayout { Department, Article };

// What an attribute text says: the attribute bits and, for an article, its
// kind (ecrptPLU or ecrptPacking); a department's text carries no kind and
// answers ecrptDepartment.
struct PLUAttributeValues {
  LONG attributes = 0;
  LONG pluType = ecrptDepartment;
};

// The five-character attribute text of ATTRIBUTES (and, for an article, of
// the packing kind PLUTYPE): "1" where the flag is set, "0" elsewhere. Bits
// outside QAVECRPLUAttributes and other kinds leave "0".
std::u16string PLUAttributeText(AttributeLayout layout, LONG attributes, LONG pluType);

// The attribute bits and kind read from TEXT. Any character other than "0"
// sets its flag; a character the text does not have (a text the register
// sent short) leaves its flag unset, and an article text without its fourth
// character gives the plain article kind.
PLUAttributeValues ParsePLUAttributeText(AttributeLayout layout, std::u16string_view text);

class TQAVECRPLU final : public TableRecord<IQAVECRPLU> {
 public:
  TQAVECRPLU() : TableRecord(kPLURows) {}

  HRESULT get_Name(BSTR* r) override { return GetText(PLUProperty::Name, r); }
  HRESULT put_Name(BSTR v) override { return PutText(PLUProperty::Name, v); }
  HRESULT get_Code(BSTR* r) override { return GetText(PLUProperty::Code, r); }
  HRESULT put_Code(BSTR v) override { return PutText(PLUProperty::Code, v); }
  HRESULT get_Index(LONG* r) override { return GetLong(PLUProperty::Index, r); }
  HRESULT put_Index(LONG v) override { return PutLong(PLUProperty::Index, v); }
  HRESULT get_EAN(BSTR* r) override { return GetText(PLUProperty::EAN, r); }
  HRESULT put_EAN(BSTR v) override { return PutText(PLUProperty::EAN, v); }
  HRESULT get_ShortName(BSTR* r) override { return GetText(PLUProperty::ShortName, r); }
  HRESULT put_ShortName(BSTR v) override { return PutText(PLUProperty::ShortName, v); }
  HRESULT get_PLUType(LONG* r) override { return GetLong(PLUProperty::PLUType, r); }
  HRESULT put_PLUType(LONG v) override { return PutLong(PLUProperty::PLUType, v); }
  HRESULT get_Price(CY* r) override { return GetCurrency(PLUProperty::Price, r); }
  HRESULT put_Price(CY v) override { return PutCurrency(PLUProperty::Price, v); }
  HRESULT get_DepartmentIndex(LONG* r) override { return GetLong(PLUProperty::DepartmentIndex, r); }
  HRESULT put_DepartmentIndex(LONG v) override { return PutLong(PLUProperty::DepartmentIndex, v); }
  HRESULT get_DepartmentCode(BSTR* r) override { return GetText(PLUProperty::DepartmentCode, r); }
  HRESULT put_DepartmentCode(BSTR v) override { return PutText(PLUProperty::DepartmentCode, v); }
  HRESULT get_ContainerIndex(LONG* r) override { return GetLong(PLUProperty::ContainerIndex, r); }
  HRESULT put_ContainerIndex(LONG v) override { return PutLong(PLUProperty::ContainerIndex, v); }
  HRESULT get_ContainerCode(BSTR* r) override { return GetText(PLUProperty::ContainerCode, r); }
  HRESULT put_ContainerCode(BSTR v) override { return PutText(PLUProperty::ContainerCode, v); }
  HRESULT get_LinkedIndex(LONG* r) override { return GetLong(PLUProperty::LinkedIndex, r); }
  HRESULT put_LinkedIndex(LONG v) override { return PutLong(PLUProperty::LinkedIndex, v); }
  HRESULT get_LinkedCode(BSTR* r) override { return GetText(PLUProperty::LinkedCode, r); }
  HRESULT put_LinkedCode(BSTR v) override { return PutText(PLUProperty::LinkedCode, v); }
  HRESULT get_TaxRateIndex(LONG* r) override { return GetLong(PLUProperty::TaxRateIndex, r); }
  HRESULT put_TaxRateIndex(LONG v) override { return PutLong(PLUProperty::TaxRateIndex, v); }
  HRESULT get_TaxRateName(BSTR* r) override { return GetText(PLUProperty::TaxRateName, r); }
  HRESULT put_TaxRateName(BSTR v) override { return PutText(PLUProperty::TaxRateName, v); }
  HRESULT get_TaxRate(CY* r) override { return GetCurrency(PLUProperty::TaxRate, r); }
  HRESULT put_TaxRate(CY v) override { return PutCurrency(PLUProperty::TaxRate, v); }
  HRESULT get_PLUAttributes(LONG* r) override { return GetLong(PLUProperty::PLUAttributes, r); }
  HRESULT put_PLUAttributes(LONG v) override { return PutLong(PLUProperty::PLUAttributes, v); }
  HRESULT get_HALOIndex(LONG* r) override { return GetLong(PLUProperty::HALOIndex, r); }
  HRESULT put_HALOIndex(LONG v) override { return PutLong(PLUProperty::HALOIndex, v); }
  HRESULT get_HALOAmount(LONG* r) override { return GetLong(PLUProperty::HALOAmount, r); }
  HRESULT put_HALOAmount(LONG v) override { return PutLong(PLUProperty::HALOAmount, v); }
  HRESULT get_Precision(LONG* r) override { return GetLong(PLUProperty::Precision, r); }
  HRESULT put_Precision(LONG v) override { return PutLong(PLUProperty::Precision, v); }
};

}  // namespace corvatin
