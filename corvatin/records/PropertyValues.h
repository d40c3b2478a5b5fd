// The plain properties of a record, described once in a table of rows (name,
// type, default) and stored here. A record's get and put accessors, the values
// a new record starts with, the engine's readers and writers and the tests all
// read the same table, so each property's name, type and default stand in one
// place, next to the interface member of the same name.
#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/com/variant.h"

namespace corvatin {

enum class PropertyType { Long, Text, Currency, Bool, Date, Double };

// One property. ID is the row's own position in its table (checked at compile
// time with RowsInOrder), so records address their properties by named
// constants rather than by counting rows.
struct PropertyRow {
  std::size_t id;
  const char* name;  // the interface's property name
  PropertyType type;
  LONG number = 0;  // default of Long; whole units of Currency; 0/1 of Bool; days of Date; whole Double
  const char16_t* text = u"";  // default of Text
};

// Whether every row of the table stands at the position its id names.
template <std::size_t N>
constexpr bool RowsInOrder(const PropertyRow (&rows)[N]) {
  for (std::size_t i = 0; i < N; ++i) {
    if (rows[i].id != i) return false;
  }
  return true;
}

class PropertyValues {
 public:
  template <std::size_t N>
  explicit PropertyValues(const PropertyRow (&rows)[N]) : rows_(rows, N), slots_(N) {
    Reset();
  }

  // Every property back to its default.
  void Reset();

  std::span<const PropertyRow> Rows() const { return rows_; }
  const PropertyRow& Row(std::size_t id) const { return rows_[id]; }

  // Typed access; asking a property for another type than its row's is a
  // programming error and throws std::logic_error.
  LONG Long(std::size_t id) const { return Slot(id, PropertyType::Long).number; }
  void SetLong(std::size_t id, LONG v) { Slot(id, PropertyType::Long).number = v; }
  const std::u16string& Text(std::size_t id) const { return Slot(id, PropertyType::Text).text; }
  void SetText(std::size_t id, std::u16string_view v) { Slot(id, PropertyType::Text).text.assign(v); }
  CY Currency(std::size_t id) const { return CY{Slot(id, PropertyType::Currency).money}; }
  void SetCurrency(std::size_t id, CY v) { Slot(id, PropertyType::Currency).money = v.int64; }
  bool Bool(std::size_t id) const { return Slot(id, PropertyType::Bool).number != 0; }
  void SetBool(std::size_t id, bool v) { Slot(id, PropertyType::Bool).number = v ? 1 : 0; }
  DATE Date(std::size_t id) const { return Slot(id, PropertyType::Date).date; }
  void SetDate(std::size_t id, DATE v) { Slot(id, PropertyType::Date).date = v; }
  double Double(std::size_t id) const { return Slot(id, PropertyType::Double).date; }
  void SetDouble(std::size_t id, double v) { Slot(id, PropertyType::Double).date = v; }

  // The property as a VARIANT of its type (VT_I4, VT_BSTR, VT_CY, VT_BOOL, VT_DATE, VT_R8).
  Variant Value(std::size_t id) const;
  // The default of a row as a VARIANT of its type.
  static Variant DefaultValue(const PropertyRow& row);

 private:
  struct Stored {
    LONG number = 0;
    LONGLONG money = 0;
    DATE date = 0;  // a Date or a Double
    std::u16string text;
  };
  Stored& Slot(std::size_t id, PropertyType type);
  const Stored& Slot(std::size_t id, PropertyType type) const;

  std::span<const PropertyRow> rows_;
  std::vector<Stored> slots_;
};

}  // namespace corvatin
