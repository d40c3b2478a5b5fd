// The plain properties of a record, described once in a table of rows (name,
// type, default) and stored here: the definitions of what PropertyValues.h
// declares.
#include "corvatin/records/PropertyValues.h"

#include <stdexcept>

namespace corvatin {

void PropertyValues::Reset() {
  for (const PropertyRow& row : rows_) {
    Stored& s = slots_[row.id];
    s = Stored{};
    switch (row.type) {
      case PropertyType::Long:
        s.number = row.number;
        break;
      case PropertyType::Bool:
        s.number = row.number ? 1 : 0;
        break;
      case PropertyType::Currency:
        s.money = static_cast<LONGLONG>(row.number) * 10000;
        break;
      case PropertyType::Date:
      case PropertyType::Double:
        s.date = row.number;
        break;
      case PropertyType::Text:
        s.text = row.text ? row.text : u"";
        break;
    }
  }
}

PropertyValues::Stored& PropertyValues::Slot(std::size_t id, PropertyType type) {
  return const_cast<Stored&>(static_cast<const PropertyValues*>(this)->Slot(id, type));
}

const PropertyValues::Stored& PropertyValues::Slot(std::size_t id, PropertyType type) const {
  if (id >= rows_.size() || rows_[id].type != type) {
    throw std::logic_error("Property " + std::to_string(id) + " has another type");
  }
  return slots_[id];
}

Variant PropertyValues::Value(std::size_t id) const {
  if (id >= rows_.size()) throw std::logic_error("No property " + std::to_string(id));
  switch (rows_[id].type) {
    case PropertyType::Long:
      return Variant::I4(Long(id));
    case PropertyType::Text:
      return Variant::Str(Text(id));
    case PropertyType::Currency:
      return Variant::Cy(Currency(id));
    case PropertyType::Bool:
      return Variant::Bool(Bool(id));
    case PropertyType::Date:
      return Variant::Date(Date(id));
    case PropertyType::Double:
      return Variant::R8(Double(id));
  }
  return Variant();
}

Variant PropertyValues::DefaultValue(const PropertyRow& row) {
  switch (row.type) {
    case PropertyType::Long:
      return Variant::I4(row.number);
    case PropertyType::Text:
      return Variant::Str(row.text ? row.text : u"");
    case PropertyType::Currency:
      return Variant::Cy(CY{static_cast<LONGLONG>(row.number) * 10000});
    case PropertyType::Bool:
      return Variant::Bool(row.number != 0);
    case PropertyType::Date:
      return Variant::Date(row.number);
    case PropertyType::Double:
      return Variant::R8(row.number);
  }
  return Variant();
}

}  // namespace corvatin
