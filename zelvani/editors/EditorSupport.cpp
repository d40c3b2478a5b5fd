#include "zelvani/editors/EditorSupport.h"

#include <charconv>

#include "zelvani/model/Errors.h"
#include "zelvani/model/TextHelpers.h"
#include "zelvani/model/ZelvaniServer.h"

namespace zelvani::editors {

LONG ParseInteger(std::string_view text) {
  std::string_view digits = text;
  bool negative = false;
  if (!digits.empty() && (digits.front() == '-' || digits.front() == '+')) {
    negative = digits.front() == '-';
    digits.remove_prefix(1);
  }
  bool valid = !digits.empty();
  for (char c : digits) valid = valid && c >= '0' && c <= '9';
  long long value = 0;
  if (valid) {
    auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    valid = ec == std::errc() && end == digits.data() + digits.size();
    if (negative) value = -value;
    valid = valid && value >= INT32_MIN && value <= INT32_MAX;
  }
  if (!valid) throw EConvertError("'" + std::string(text) + "' is not a valid integer value");
  return static_cast<LONG>(value);
}

void SetControlState(ui::Control& control, bool enabled, bool visible) {
  control.SetVisible(visible);
  control.SetEnabled(enabled);
  const ui::ControlKind kind = control.Kind();
  if (kind == ui::ControlKind::Label || kind == ui::ControlKind::CheckBox || kind == ui::ControlKind::RadioButton)
    return;
  if (enabled) {
    control.SetParentColor(false);
    control.SetColor(ui::clWindow);
  } else {
    control.SetParentColor(true);
  }
}

ui::Label& AddLabel(ui::Control& parent, const std::string& name, const std::string& caption, int left, int top) {
  ui::Label& label = parent.Add<ui::Label>(name);
  label.SetCaption(caption);
  label.SetBounds(left, top, 120, 13);
  return label;
}

ui::Edit& LabeledEdit(ui::Control& parent, const std::string& name, const std::string& caption, int left, int top,
                      int width, bool readOnly) {
  std::string labelName = name;
  if (labelName.size() > 2 && labelName.ends_with("ED")) labelName.resize(labelName.size() - 2);
  AddLabel(parent, labelName + "LA", caption, left, top);
  ui::Edit& edit = parent.Add<ui::Edit>(name);
  edit.SetBounds(left, top + 16, width, 21);
  if (readOnly) {
    edit.SetReadOnly(true);
    edit.SetParentColor(true);
  }
  return edit;
}

std::string IntegerText(LONG value) { return std::to_string(value); }

std::string VariantText(const VARIANT& v) {
  Variant direct;
  ThrowIfFailed(VariantCopyInd(&direct, &v), "The value cannot be read");
  if (direct.vt == VT_EMPTY || direct.vt == VT_NULL) return {};
  Variant text;
  ThrowIfFailed(VariantChangeType(&text, &direct, VARIANT_ALPHABOOL, VT_BSTR), "The value has no text form");
  return BstrToAnsi(text.bstrVal);
}

std::vector<std::string> ValueLines(IQAVZLVValues* values) {
  std::vector<std::string> lines;
  const LONG count = CountOf(values);
  for (LONG i = 0; i < count; ++i) {
    ComPtr<IQAVZLVValue> value = ItemAt<IQAVZLVValues, IQAVZLVValue>(values, i);
    lines.push_back(ControlCharsToText(VariantText(ReadVariant(value.Get(), &IQAVZLVValue::get_Value,
                                                               "Cannot read a value"))));
  }
  return lines;
}

void FillValues(IQAVZLVValues* values, const std::vector<std::string>& lines) {
  CheckCall(values->Clear(), "Cannot clear the values");
  for (const std::string& line : lines) {
    ComPtr<IQAVZLVValue> value = Create<IQAVZLVValue>(CLSID_QAVZLVValue);
    LONG position = 0;
    CheckCall(values->Add(value.Get(), &position), "Cannot add a value");
    const LONG last = CountOf(values) - 1;
    ComPtr<IQAVZLVValue> added = ItemAt<IQAVZLVValues, IQAVZLVValue>(values, last);
    CheckCall(added->put_Value(Variant::Ansi(TextToControlChars(line))), "Cannot write a value");
  }
}

}  // namespace zelvani::editors
