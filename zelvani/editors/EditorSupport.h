// What every editor frame shares: the strict integer reading of number edits,
// property reads and writes through the model's interfaces (a failing call
// becomes an exception with the callee's text), value lists shown one value per
// line in the escape notation, and the enumeration names the frames list.
//
// Texts are ANSI (Windows-1250), as everywhere inside the system.
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "platform/com/ansi.h"
#include "platform/com/variant.h"
#include "platform/ui/Form.h"
#include "zelvani/Zelvani.h"
#include "zelvani/model/InterfaceCalls.h"

namespace zelvani::editors {

// The integer that TEXT holds: an optional sign and decimal digits, nothing
// else, within 32 bits. Throws EConvertError "'<text>' is not a valid integer
// value" for anything else (the empty text included).
LONG ParseInteger(std::string_view text);
std::string IntegerText(LONG value);

// A BSTR of model text.
inline Bstr ModelText(std::string_view s) { return Bstr::Attach(AnsiToBstr(s)); }

// The text of a variant as an edit shows it: Empty and Null give the empty text,
// booleans read True/False. Throws ComError when the value has no text form.
std::string VariantText(const VARIANT& v);

// The lines of a value list: the escape notation of each value's text, in
// index order.
std::vector<std::string> ValueLines(IQAVZLVValues* values);
// Clears the value list, then appends one new value object per line holding
// the string that the line's escape notation stands for.
void FillValues(IQAVZLVValues* values, const std::vector<std::string>& lines);

// The packet type bits in the order of the packet type check lists.
inline constexpr std::array<LONG, 4> kPacketTypeBits{1, 2, 4, 8};
inline constexpr std::array<const char*, 4> kPacketTypeNames{"qzlvptStart", "qzlvptWrite", "qzlvptRead",
                                                             "qzlvptError"};
// The data type names in value order (1 to 7).
inline constexpr std::array<const char*, 7> kDataTypeNames{"qzlvdaString",  "qzlvdaChar",    "qzlvdaBool",
                                                           "qzlvdaCurrency", "qzlvdaInteger", "qzlvdaDate",
                                                           "qzlvdaTime"};

// Shows or hides a control and enables or disables it; an editable control
// takes the window colour when enabled and its parent's colour when not
// (labels, check boxes and radio buttons keep theirs).
void SetControlState(ui::Control& control, bool enabled, bool visible);

// A label with CAPTION above a new edit; returns the edit. A read-only edit
// takes its parent's colour.
ui::Edit& LabeledEdit(ui::Control& parent, const std::string& name, const std::string& caption, int left, int top,
                      int width, bool readOnly = false);
ui::Label& AddLabel(ui::Control& parent, const std::string& name, const std::string& caption, int left, int top);

// A check list of flag names: checks item i when BITS[i] is set in VALUE, and
// the sum of the bits of the checked items.
template <std::size_t N>
void CheckBits(ui::CheckListBox& list, const std::array<LONG, N>& bits, LONG value) {
  for (std::size_t i = 0; i < N; ++i) list.SetChecked(static_cast<int>(i), (value & bits[i]) != 0);
}
template <std::size_t N>
LONG CheckedBits(const ui::CheckListBox& list, const std::array<LONG, N>& bits) {
  LONG sum = 0;
  for (std::size_t i = 0; i < N; ++i)
    if (list.Checked(static_cast<int>(i))) sum += bits[i];
  return sum;
}
// Writes a flag word as the editors do: 0 first, then for each checked item in
// list order the property read back and written with that item's bit added.
template <class I, std::size_t N>
void WriteBits(I* obj, HRESULT (I::*getter)(LONG*), HRESULT (I::*setter)(LONG), const ui::CheckListBox& list,
               const std::array<LONG, N>& bits, const char* what) {
  CheckCall((obj->*setter)(0), what);
  for (std::size_t i = 0; i < N; ++i) {
    if (!list.Checked(static_cast<int>(i))) continue;
    const LONG value = ReadLong(obj, getter, what);
    CheckCall((obj->*setter)(value + bits[i]), what);
  }
}

// Writes a property through a put member; a failure throws with the callee's
// text.
template <class I, class T>
void Put(I* obj, HRESULT (I::*setter)(T), T value, const char* what) {
  CheckCall((obj->*setter)(value), what);
}
template <class I>
void PutText(I* obj, HRESULT (I::*setter)(BSTR), std::string_view value, const char* what) {
  Bstr b = ModelText(value);
  CheckCall((obj->*setter)(b.Get()), what);
}
template <class I>
Variant ReadVariant(I* obj, HRESULT (I::*getter)(VARIANT*), const char* what) {
  Variant v;
  CheckCall((obj->*getter)(&v), what);
  return v;
}
template <class I, class C>
ComPtr<C> ReadObject(I* obj, HRESULT (I::*getter)(C**), const char* what) {
  ComPtr<C> c;
  CheckCall((obj->*getter)(c.Out()), what);
  if (!c) throw ComError(E_POINTER, what);
  return c;
}

// The number of items of any collection of the model.
inline LONG CountOf(IDispatchCollection* collection) {
  return ReadLong(collection, &IDispatchCollection::get_Count, "Cannot count the items of the list");
}

// The item at position I of a typed collection.
template <class C, class Item>
ComPtr<Item> ItemAt(C* collection, LONG i) {
  ComPtr<Item> item;
  CheckCall(collection->get_Items(i, item.Out()), "Cannot read an item of the list");
  return item;
}

}  // namespace zelvani::editors
