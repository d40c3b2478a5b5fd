#include "zelvani/model/QAVZLVPacket.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cstdint>

#include "zelvani/model/QAVZLVFieldDef.h"
#include "zelvani/model/QAVZLVFrame.h"
#include "zelvani/model/QAVZLVFrames.h"
#include "zelvani/model/QAVZLVPacketDef.h"
#include "zelvani/model/QAVZLVPacketLibrary.h"
#include "zelvani/model/QAVZLVValue.h"
#include "zelvani/model/TextHelpers.h"

namespace zelvani {

ZELVANI_CLASS(TQAVZLVPacket, CLSID_QAVZLVPacket);

namespace {

// The name of the definitions that stand in for error packets and start packets
// without a definition of their own.
constexpr const char* kDefaultName = "_default";

// Byte maps between two rows of the national character table; the first
// matching column wins, as in ConvertCodePage.
using ByteMap = std::array<unsigned char, 256>;

constexpr ByteMap MakeByteMap(int from, int to) {
  ByteMap map{};
  for (std::size_t c = 0; c < map.size(); ++c) map[c] = static_cast<unsigned char>(c);
  for (std::size_t column = kNationalLetterCount; column-- > 0;)
    map[kNationalChars[static_cast<std::size_t>(from)][column]] = kNationalChars[static_cast<std::size_t>(to)][column];
  return map;
}

constexpr ByteMap kToWire = MakeByteMap(kCodePageWindows1250, kCodePage852);
constexpr ByteMap kFromWire = MakeByteMap(kCodePage852, kCodePageWindows1250);

void MapBytes(std::string& s, const ByteMap& map) {
  for (char& c : s) c = static_cast<char>(map[static_cast<unsigned char>(c)]);
}

Bstr ToBstr(std::string_view ansi) { return Bstr::Attach(AnsiToBstr(ansi)); }

std::string ReadText(IQAVZLVFrameItem* item, HRESULT (IQAVZLVFrameItem::*member)(BSTR, BSTR*), std::string_view arg,
                     const char* what) {
  Bstr in = ToBstr(arg);
  Bstr out;
  ThrowIfFailed((item->*member)(in.Get(), out.Out()), std::string("Cannot ") + what);
  return BstrToAnsi(out.Get());
}

LONG ReadLong(IQAVZLVFrameItem* item, HRESULT (IQAVZLVFrameItem::*getter)(LONG*), const char* what) {
  LONG v = 0;
  ThrowIfFailed((item->*getter)(&v), std::string("Cannot read the frame item's ") + what);
  return v;
}

// ---------------------------------------------------------------------------
// Field definitions: this module's class directly, any other through its
// interface.

LONG FieldSize(IQAVZLVFieldDef* field) {
  if (auto* own = OwnClass<TQAVZLVFieldDef>(field)) return own->Size();
  LONG v = 0;
  ThrowIfFailed(field->get_Size(&v), "Cannot read the field's size");
  return v;
}

LONG FieldIndex(IQAVZLVFieldDef* field) {
  if (auto* own = OwnClass<TQAVZLVFieldDef>(field)) return own->Index();
  LONG v = 0;
  ThrowIfFailed(field->get_Index(&v), "Cannot read the field's index");
  return v;
}

LONG FieldDataType(IQAVZLVFieldDef* field) {
  if (auto* own = OwnClass<TQAVZLVFieldDef>(field)) return own->DataType();
  LONG v = 0;
  ThrowIfFailed(field->get_DataType(&v), "Cannot read the field's data type");
  return v;
}

Variant FieldDefault(IQAVZLVFieldDef* field) {
  if (auto* own = OwnClass<TQAVZLVFieldDef>(field)) return own->DefaultValue();
  Variant v;
  ThrowIfFailed(field->get_DefaultValue(&v), "Cannot read the field's default value");
  return v;
}

// Pastes a value into an 8-bit buffer; the result is not looked at.
void FieldPaste(IQAVZLVFieldDef* field, std::string& buffer, const VARIANT& value, LONG position) {
  if (auto* own = OwnClass<TQAVZLVFieldDef>(field)) {
    own->Paste(buffer, value, position);
    return;
  }
  Bstr b = ToBstr(buffer);
  BSTR raw = b.Detach();
  VARIANT_BOOL ok = VARIANT_FALSE;
  HRESULT hr = field->PasteValue(&raw, value, position, &ok);
  b = Bstr::Attach(raw);
  ThrowIfFailed(hr, "Cannot paste the field's value");
  buffer = BstrToAnsi(b.Get());
}

// A value as plain text: Empty and Null give the empty text.
std::string PlainText(const VARIANT& value) {
  if (value.vt == VT_EMPTY || value.vt == VT_NULL) return {};
  Variant text;
  ThrowIfFailed(VariantChangeType(&text, &value, VARIANT_ALPHABOOL, VT_BSTR), "The field value has no text form");
  return BstrToAnsi(text.bstrVal);
}

IQAVZLVPacketDefs* DefinitionsOf(IQAVZLVPacketLibrary* library, ComPtr<IQAVZLVPacketDefs>& holder) {
  if (auto* own = OwnClass<TQAVZLVPacketLibrary>(library)) return own->PacketDefs();
  if (FAILED(library->get_PacketDefs(holder.Out()))) return nullptr;
  return holder.Get();
}

IQAVZLVFrames* FramesOf(IQAVZLVPacketLibrary* library, ComPtr<IQAVZLVFrames>& holder) {
  if (auto* own = OwnClass<TQAVZLVPacketLibrary>(library)) return own->PacketStructs();
  if (FAILED(library->get_PacketStructs(holder.Out()))) return nullptr;
  return holder.Get();
}

}  // namespace

// ---------------------------------------------------------------------------
// Frame items

FrameItemView::FrameItemView(IQAVZLVFrameItem* item) : itf_(item), own_(OwnClass<TQAVZLVFrameItem>(item)) {}

LONG FrameItemView::ItemType() const {
  return own_ ? own_->ItemType() : ReadLong(itf_, &IQAVZLVFrameItem::get_ItemType, "type");
}
LONG FrameItemView::Size() const { return own_ ? own_->Size() : ReadLong(itf_, &IQAVZLVFrameItem::get_Size, "size"); }
LONG FrameItemView::Offset() const {
  return own_ ? own_->Offset() : ReadLong(itf_, &IQAVZLVFrameItem::get_Offset, "offset");
}
LONG FrameItemView::Flags() const {
  return own_ ? own_->Flags() : ReadLong(itf_, &IQAVZLVFrameItem::get_Flags, "flags");
}

void FrameItemView::SetOffset(LONG offset) {
  if (own_)
    own_->SetOffset(offset);
  else
    ThrowIfFailed(itf_->put_Offset(offset), "Cannot set the frame item's offset");
}

void FrameItemView::SetSize(LONG size) {
  if (own_)
    own_->SetSize(size);
  else
    ThrowIfFailed(itf_->put_Size(size), "Cannot set the frame item's size");
}

LONG FrameItemView::ValueCount() const {
  ComPtr<IQAVZLVValues> held;
  IQAVZLVValues* values = nullptr;
  if (own_) {
    values = own_->Values();
    if (auto* list = OwnClass<TQAVZLVValues>(values)) return list->Size();
  } else {
    ThrowIfFailed(itf_->get_Values(held.Out()), "Cannot read the frame item's values");
    values = held.Get();
  }
  if (!values) return 0;
  LONG n = 0;
  ThrowIfFailed(values->get_Count(&n), "Cannot count the frame item's values");
  return n;
}

std::string FrameItemView::ValueText(LONG valueIndex) const {
  if (own_) return own_->ValueText(valueIndex);
  Bstr out;
  ThrowIfFailed(itf_->ValueToStr(valueIndex, out.Out()), "Cannot read the frame item's value");
  return BstrToAnsi(out.Get());
}

std::string FrameItemView::Format(std::string_view text) const {
  if (own_) return own_->FormatText(text);
  return ReadText(itf_, &IQAVZLVFrameItem::Format, text, "format the frame item's text");
}

std::string FrameItemView::NextCounterText() {
  if (own_) return own_->NextCounterText();
  Bstr out;
  ThrowIfFailed(itf_->CounterToStr(out.Out()), "Cannot advance the frame item's counter");
  return BstrToAnsi(out.Get());
}

std::string FrameItemView::Checksum(std::string_view buff) const {
  if (own_) return own_->Checksum(buff);
  return ReadText(itf_, &IQAVZLVFrameItem::CalculateChecksum, buff, "calculate the checksum");
}

std::vector<ComPtr<IQAVZLVFrameItem>> FrameItemsOf(IQAVZLVFrame* frame) {
  if (!frame) throw ComError(E_POINTER, "The packet has no frame for its packet type");
  if (auto* own = OwnClass<TQAVZLVFrame>(frame))
    if (TQAVZLVFrameItems* items = own->Items()) return items->Items();
  ComPtr<IQAVZLVFrameItems> items;
  ThrowIfFailed(frame->get_PacketStructItems(items.Out()), "Cannot read the frame's items");
  std::vector<ComPtr<IQAVZLVFrameItem>> result;
  if (!items) return result;
  LONG n = 0;
  ThrowIfFailed(items->get_Count(&n), "Cannot count the frame's items");
  result.resize(static_cast<std::size_t>(std::max<LONG>(n, 0)));
  for (LONG i = 0; i < n; ++i)
    ThrowIfFailed(items->get_Items(i, result[static_cast<std::size_t>(i)].Out()), "Cannot read the frame's item");
  return result;
}

// ---------------------------------------------------------------------------
// Automation members

HRESULT TQAVZLVPacket::get_ID(BSTR* result) {
  return Get(result, [&] { return id_; });
}
HRESULT TQAVZLVPacket::put_ID(BSTR value) {
  return Guard([&] { SetID(BstrToAnsi(value)); });
}
HRESULT TQAVZLVPacket::get_Name(BSTR* result) {
  return Get(result, [&] { return name_; });
}
HRESULT TQAVZLVPacket::put_Name(BSTR value) {
  return Guard([&] { SetName(BstrToAnsi(value)); });
}
HRESULT TQAVZLVPacket::get_PacketType(LONG* result) {
  return Get(result, [&] { return packetType_; });
}
HRESULT TQAVZLVPacket::put_PacketType(LONG value) {
  return Guard([&] { SetPacketType(value); });
}
HRESULT TQAVZLVPacket::get_PacketStruct(IQAVZLVFrame** result) {
  return Get(result, [&] { return packetStruct_; });
}
HRESULT TQAVZLVPacket::get_PacketDef(IQAVZLVPacketDef** result) {
  return Get(result, [&] { return packetDef_; });
}
HRESULT TQAVZLVPacket::get_DefinitionIndex(LONG* result) {
  return Get(result, [&] { return definitionIndex_; });
}
HRESULT TQAVZLVPacket::get_FieldsCount(LONG* result) {
  return Get(result, [&] { return FieldsCount(); });
}
HRESULT TQAVZLVPacket::get_FieldValues(VARIANT index, VARIANT* result) {
  return Get(result, [&] { return FieldValue(index); });
}
HRESULT TQAVZLVPacket::put_FieldValues(VARIANT index, VARIANT value) {
  return Guard([&] { SetFieldValue(index, value); });
}
HRESULT TQAVZLVPacket::get_DataString(BSTR* result) {
  return Get(result, [&] { return DataString(); });
}
HRESULT TQAVZLVPacket::put_DataString(BSTR value) {
  return Guard([&] { SetDataString(BstrToAnsi(value)); });
}
HRESULT TQAVZLVPacket::get_PacketLibrary(IQAVZLVPacketLibrary** result) {
  return Get(result, [&] { return packetLibrary_; });
}
HRESULT TQAVZLVPacket::put_PacketLibrary(IQAVZLVPacketLibrary* value) {
  return Guard([&] { SetPacketLibrary(value); });
}
HRESULT TQAVZLVPacket::get_Length(LONG* result) {
  return Get(result, [&] { return Length(); });
}
HRESULT TQAVZLVPacket::get_IsLast(VARIANT_BOOL* result) {
  return Get(result, [&] { return isLast_; });
}
HRESULT TQAVZLVPacket::put_IsLast(VARIANT_BOOL value) {
  return Guard([&] { isLast_ = value != VARIANT_FALSE; });
}
HRESULT TQAVZLVPacket::LoadDefaults() {
  return Guard([&] { LoadFieldDefaults(); });
}
HRESULT TQAVZLVPacket::GetDelimitedString(BSTR delimiter, BSTR brackets, BSTR, LONG options, BSTR* result) {
  return Get(result, [&] { return DelimitedString(BstrToAnsi(delimiter), BstrToAnsi(brackets), options); });
}
HRESULT TQAVZLVPacket::SetFromDelimitedString(BSTR str, BSTR delimiter, BSTR, BSTR, LONG options, LONG* result) {
  return Get(result, [&] { return SetFromDelimited(BstrToAnsi(str), BstrToAnsi(delimiter), options); });
}

// ---------------------------------------------------------------------------
// Binding

void TQAVZLVPacket::SetID(std::string id) {
  id_ = std::move(id);
  Bind(Key::ID);
}

void TQAVZLVPacket::SetName(std::string name) {
  name_ = std::move(name);
  Bind(Key::Name);
}

void TQAVZLVPacket::SetPacketType(LONG type) {
  packetType_ = type;
  Bind(Key::ID);
}

void TQAVZLVPacket::SetPacketLibrary(IQAVZLVPacketLibrary* library) {
  packetLibrary_ = ComPtr<IQAVZLVPacketLibrary>(library);
  Bind(Key::ID);
}

void TQAVZLVPacket::BindOnce(IQAVZLVPacketLibrary* library, LONG type, const std::string& id,
                             const std::string& name) {
  packetLibrary_ = ComPtr<IQAVZLVPacketLibrary>(library);
  packetType_ = type;
  if (!id.empty()) {
    id_ = id;
    Bind(Key::ID);
  } else {
    name_ = name;
    Bind(Key::Name);
  }
}

ComPtr<IQAVZLVPacketDef> TQAVZLVPacket::FindDefinition(Key key, const std::string& text, LONG type) const {
  if (!packetLibrary_) return nullptr;
  ComPtr<IQAVZLVPacketDefs> holder;
  IQAVZLVPacketDefs* defs = DefinitionsOf(packetLibrary_.Get(), holder);
  if (!defs) return nullptr;
  if (auto* own = OwnClass<TQAVZLVPacketDefs>(defs))
    return key == Key::Name ? own->FindName(text, type) : own->FindIDPrefix(text, type);
  Bstr arg = ToBstr(text);
  ComPtr<IQAVZLVPacketDef> found;
  HRESULT hr = key == Key::Name ? defs->FindByName(arg.Get(), type, found.Out())
                                : defs->FindByID(arg.Get(), type, found.Out());
  ThrowIfFailed(hr, "Cannot look the packet definition up");
  return found;
}

ComPtr<IQAVZLVFrame> TQAVZLVPacket::FindFrame(LONG type) const {
  if (!packetLibrary_) return nullptr;
  ComPtr<IQAVZLVFrames> holder;
  IQAVZLVFrames* frames = FramesOf(packetLibrary_.Get(), holder);
  if (!frames) return nullptr;
  if (auto* own = OwnClass<TQAVZLVFrames>(frames)) return own->FindPacketType(type);
  ComPtr<IQAVZLVFrame> found;
  ThrowIfFailed(frames->FindByPacketType(type, found.Out()), "Cannot look the frame up");
  return found;
}

void TQAVZLVPacket::Bind(Key key) {
  const std::string& keyText = key == Key::Name ? name_ : id_;
  std::string remembered;
  ComPtr<IQAVZLVPacketDef> def = FindDefinition(key, keyText, packetType_);
  if (!def && packetType_ == qzlvptError) {
    // An error packet without a definition of its own takes the default error
    // definition and keeps the identifier it was given.
    remembered = id_;
    def = FindDefinition(Key::Name, kDefaultName, qzlvptError);
  }
  if (!def && packetType_ == qzlvptStart) {
    // A start packet for a write or read definition takes the default start
    // definition and carries the identifier of the definition it stands for.
    if (ComPtr<IQAVZLVPacketDef> stood = FindDefinition(key, keyText, qzlvptWrite | qzlvptRead)) {
      remembered = PacketDefFields(stood.Get()).ID();
      def = FindDefinition(Key::Name, kDefaultName, qzlvptStart);
    }
  }

  // Everything that can fail is read before the packet changes.
  std::string newId, newName;
  LONG newIndex = -1;
  LONG newType = packetType_;
  ComPtr<IQAVZLVFieldDefs> fields;
  LONG fieldCount = 0;
  ComPtr<IQAVZLVFrame> frame;
  if (def) {
    PacketDefFields f(def.Get());
    newId = f.ID();
    newName = f.Name();
    newType = f.PacketType();
    if (auto* own = OwnClass<TQAVZLVPacketDef>(def.Get())) {
      newIndex = own->Index();
      fields = own->FieldDefs();
    } else {
      ThrowIfFailed(def->get_Index(&newIndex), "Cannot read the packet definition's index");
      ThrowIfFailed(def->get_FieldDefs(fields.Out()), "Cannot read the packet definition's fields");
    }
    if (fields) ThrowIfFailed(fields->get_Count(&fieldCount), "Cannot count the packet definition's fields");
    frame = FindFrame(newType);
  }

  packetDef_ = def;
  id_ = std::move(newId);
  name_ = std::move(newName);
  definitionIndex_ = newIndex;
  packetType_ = newType;
  fieldDefs_ = fields;
  ownFieldDefs_ = OwnClass<TQAVZLVFieldDefs>(fields.Get());
  fieldValues_.clear();
  hasValues_ = fieldCount > 0;
  if (hasValues_) fieldValues_.resize(static_cast<std::size_t>(fieldCount));
  if (!remembered.empty() && (packetType_ == qzlvptStart || packetType_ == qzlvptError)) id_ = std::move(remembered);
  packetStruct_ = frame;
  inStep_ = false;
}

// ---------------------------------------------------------------------------
// Fields

LONG TQAVZLVPacket::FieldCountNow() const {
  if (ownFieldDefs_) return ownFieldDefs_->Size();
  if (!fieldDefs_) return 0;
  LONG n = 0;
  ThrowIfFailed(fieldDefs_->get_Count(&n), "Cannot count the packet definition's fields");
  return n;
}

ComPtr<IQAVZLVFieldDef> TQAVZLVPacket::FieldAt(LONG position) const {
  if (position < 0 || position >= FieldCountNow()) return nullptr;
  if (ownFieldDefs_) return ownFieldDefs_->Items()[static_cast<std::size_t>(position)];
  ComPtr<IQAVZLVFieldDef> field;
  ThrowIfFailed(fieldDefs_->get_Items(position, field.Out()), "Cannot read the packet definition's field");
  return field;
}

IQAVZLVFieldDef* TQAVZLVPacket::FieldPtr(LONG position, ComPtr<IQAVZLVFieldDef>& holder) const {
  if (!ownFieldDefs_) {
    holder = FieldAt(position);
    return holder.Get();
  }
  const auto& items = ownFieldDefs_->Items();
  if (position < 0 || position >= static_cast<LONG>(items.size())) return nullptr;
  IQAVZLVFieldDef* field = items[static_cast<std::size_t>(position)].Get();
  if (!OwnClass<TQAVZLVFieldDef>(field)) holder = items[static_cast<std::size_t>(position)];
  return field;
}

LONG TQAVZLVPacket::FieldsCount() const { return packetDef_ ? FieldCountNow() : -1; }

LONG TQAVZLVPacket::Length() const {
  // Summed in 64 bits and held to the range of the result: sizes set through
  // automation may be anything, and a sum past the 32-bit range must neither
  // overflow nor wrap into a length of the opposite sign.
  std::int64_t sum = 0;
  const LONG n = FieldCountNow();
  for (LONG i = 0; i < n; ++i) {
    ComPtr<IQAVZLVFieldDef> holder;
    if (IQAVZLVFieldDef* field = FieldPtr(i, holder)) sum += FieldSize(field);
  }
  return static_cast<LONG>(std::clamp<std::int64_t>(sum, INT32_MIN, INT32_MAX));
}

LONG TQAVZLVPacket::ValueSlot(const VARIANT& index) const {
  if (!packetDef_ || !hasValues_ || !fieldDefs_) return -1;
  Variant arg = CopyOfValue(index);
  ComPtr<IQAVZLVFieldDef> field;
  if (arg.vt == VT_BSTR) {
    std::string name;
    if (!ArgumentToModelText(arg.bstrVal, name)) return -1;
    if (ownFieldDefs_) {
      field = ownFieldDefs_->FindName(name);
    } else {
      ThrowIfFailed(fieldDefs_->FindByName(arg.bstrVal, field.Out()), "Cannot look the field up");
    }
  } else {
    Variant number;
    if (FAILED(VariantChangeType(&number, &arg, 0, VT_I4))) return -1;
    if (number.lVal < 1) return -1;
    field = FieldAt(number.lVal - 1);
  }
  if (!field) return -1;
  const LONG slot = FieldIndex(field.Get());
  return slot >= 0 && slot < static_cast<LONG>(fieldValues_.size()) ? slot : -1;
}

Variant TQAVZLVPacket::FieldValue(const VARIANT& index) {
  if (!inStep_ && hasValues_) Parse();
  const LONG slot = ValueSlot(index);
  return slot < 0 ? Variant() : fieldValues_[static_cast<std::size_t>(slot)];
}

void TQAVZLVPacket::SetFieldValue(const VARIANT& index, const VARIANT& value) {
  const LONG slot = ValueSlot(index);
  if (slot < 0) return;
  fieldValues_[static_cast<std::size_t>(slot)] = CopyOfValue(value);
  // The values now carry the packet's content: a later read must not parse a
  // data string that predates them over them. The next read of the data string
  // rebuilds it from the values all the same.
  inStep_ = true;
}

// ---------------------------------------------------------------------------
// Data string

void TQAVZLVPacket::Build(bool convert) {
  if (inStep_ || !hasValues_) return;
  // Built apart and swapped in, so a failure leaves the last text as it was;
  // the two strings keep their storage from one packing to the next.
  std::string& buffer = building_;
  buffer.assign(static_cast<std::size_t>(std::max<LONG>(Length(), 0)), ' ');
  for (std::size_t i = 0; i < fieldValues_.size(); ++i) {
    ComPtr<IQAVZLVFieldDef> holder;
    IQAVZLVFieldDef* field = FieldPtr(static_cast<LONG>(i), holder);
    if (!field) break;
    FieldPaste(field, buffer, fieldValues_[i], -1);
  }
  if (convert) MapBytes(buffer, kToWire);
  dataString_.swap(buffer);
  inStep_ = true;
}

void TQAVZLVPacket::Parse() {
  if (inStep_ || !hasValues_) return;
  std::string text = dataString_;
  MapBytes(text, kFromWire);
  Bstr textBstr;  // made once, for field definitions of another module
  for (std::size_t i = 0; i < fieldValues_.size(); ++i) {
    ComPtr<IQAVZLVFieldDef> holder;
    IQAVZLVFieldDef* field = FieldPtr(static_cast<LONG>(i), holder);
    if (!field) break;
    if (auto* own = OwnClass<TQAVZLVFieldDef>(field)) {
      fieldValues_[i].Clear();
      own->Extract(text, fieldValues_[i]);
    } else {
      if (!textBstr.Get()) textBstr = ToBstr(text);
      Variant value;
      VARIANT_BOOL ok = VARIANT_FALSE;
      ThrowIfFailed(field->ExtractValue(textBstr.Get(), &value, &ok), "Cannot extract the field's value");
      fieldValues_[i] = std::move(value);
    }
  }
  inStep_ = true;
}

const std::string& TQAVZLVPacket::DataString() {
  inStep_ = false;
  Build(true);
  return dataString_;
}

void TQAVZLVPacket::SetDataString(std::string text) {
  dataString_ = std::move(text);
  inStep_ = false;
  Parse();
}

void TQAVZLVPacket::LoadFieldDefaults() {
  if (!hasValues_) return;
  try {
    for (std::size_t i = 0; i < fieldValues_.size(); ++i) {
      ComPtr<IQAVZLVFieldDef> field = FieldAt(static_cast<LONG>(i));
      if (!field) break;
      fieldValues_[i] = FieldDefault(field.Get());
    }
  } catch (const std::exception&) {
    // A default that cannot be read ends the copying; the fields copied so far
    // keep their defaults.
  }
  inStep_ = false;
  Build(true);
}

// ---------------------------------------------------------------------------
// Delimited text form

std::string TQAVZLVPacket::DelimitedString(std::string_view delimiter, std::string_view brackets, LONG options) {
  if (!hasValues_) return {};
  const std::string_view pair = brackets.size() == 2 ? brackets : std::string_view("[]");
  std::string result;
  for (const auto& item : FrameItemsOf(packetStruct_.Get())) {
    FrameItemView view(item.Get());
    const LONG type = view.ItemType();
    if (type == qzlvpstPacketID) {
      if (options & (qzlvdsoPacketID | qzlvdsoPacketSubID)) {
        const std::string formatted = view.Format(id_);
        if (options & qzlvdsoPacketID) result += formatted;
        if ((options & qzlvdsoPacketSubID) && id_.size() > formatted.size()) result += id_.substr(formatted.size());
      }
      result += delimiter;
    } else if (type == qzlvpstData) {
      std::string fields;
      for (std::size_t i = 0; i < fieldValues_.size(); ++i) {
        ComPtr<IQAVZLVFieldDef> field = FieldAt(static_cast<LONG>(i));
        if (!field) break;
        std::string text;
        if (options & qzlvdsoNoConversion) {
          std::string wire(static_cast<std::size_t>(std::max<LONG>(FieldSize(field.Get()), 0)), ' ');
          FieldPaste(field.Get(), wire, fieldValues_[i], 1);
          text = Trim(wire);
        } else {
          text = PlainText(fieldValues_[i]);
        }
        if (FieldDataType(field.Get()) == qzlvdaString) {
          const bool enclose = !(options & qzlvdsoSmartBrackets) ||
                               (!delimiter.empty() && text.find(delimiter) != std::string::npos);
          if (enclose) text = pair[0] + text + pair[1];
        }
        fields += text;
        fields += delimiter;
      }
      if (!(options & qzlvdsoNoConversion)) MapBytes(fields, kToWire);
      result += fields;
    }
  }
  if (options & qzlvdsoPacketType) {
    std::string letter;
    switch (packetType_) {
      case qzlvptStart: letter = "S"; break;
      case qzlvptWrite:
      case qzlvptRead:
      case qzlvptWrite | qzlvptRead: letter = "D"; break;
      case qzlvptError: letter = "E"; break;
      default: break;
    }
    result = letter + std::string(delimiter) + result;
  }
  return result;
}

LONG TQAVZLVPacket::SetFromDelimited(std::string_view str, std::string_view delimiter, LONG options) {
  // The tokens are the fields that the first character of the delimiter ends;
  // an empty delimiter ends none.
  auto token = [&](int k) { return delimiter.empty() ? std::string() : GetToken(str, k, delimiter[0]); };
  int k = 0;
  if (options & qzlvdsoPacketType) {
    const std::string first = token(k);
    LONG type = 0;
    switch (first.empty() ? '\0' : first[0]) {
      case 'S': type = qzlvptStart; break;
      case 'D': type = qzlvptRead; break;
      case 'E': type = qzlvptError; break;
      default: break;
    }
    SetPacketType(type);
    if (type != 0) ++k;
  }
  // The items of the frame bound now are walked to the end, even when the
  // identifier below binds the packet to another definition.
  const auto items = FrameItemsOf(packetStruct_.Get());
  for (const auto& item : items) {
    const LONG type = FrameItemView(item.Get()).ItemType();
    if (type == qzlvpstPacketID) {
      if (!(options & qzlvdsoPacketID)) continue;
      std::string id = token(k++);
      if (options & qzlvdsoPacketSubID) id += token(k++);
      SetID(std::move(id));
    } else if (type == qzlvpstData) {
      if (name_.empty()) return qzlvpeInvalidPacket;
      for (auto& value : fieldValues_) value = Variant::Ansi(token(k++));
    }
  }
  Build(!(options & qzlvdsoNoConversion));
  return qzlvpeOK;
}

}  // namespace zelvani
