#include "zelvani/model/QAVZLVFrame.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <mutex>
#include <random>
#include <type_traits>
#include <typeinfo>
#include <vector>

#include "platform/com/ansi.h"
#include "zelvani/model/EditorHook.h"

namespace zelvani {

ZELVANI_CLASS(TQAVZLVFrame, CLSID_QAVZLVFrame);
ZELVANI_CLASS(TQAVZLVFrameItem, CLSID_QAVZLVFrameItem);
ZELVANI_CLASS(TQAVZLVFrameItems, CLSID_QAVZLVFrameItems);

namespace {

// One generator for the whole process, seeded from the clock the first time a
// counter needs a start value, so that items created in the same clock tick
// still start at different numbers.
std::int64_t RandomCounterStart() {
  static std::mutex lock;
  static std::mt19937 generator(static_cast<std::mt19937::result_type>(
      std::chrono::high_resolution_clock::now().time_since_epoch().count()));
  std::lock_guard g(lock);
  return std::uniform_int_distribution<int>(0, 99)(generator);
}

// 10 to the power DIGITS for 0..18; 10^18 is the largest power of ten that a
// signed 64-bit number holds, so more digits run modulo 10^18.
std::int64_t CounterModulus(LONG digits) {
  std::int64_t m = 1;
  for (LONG i = 0; i < std::min<LONG>(digits, 18); ++i) m *= 10;
  return m;
}

// The ANSI text of a frame item's ID, read through the class when it is ours.
std::string ItemID(IQAVZLVFrameItem* item) {
  if (auto* own = OwnClass<TQAVZLVFrameItem>(item)) return own->ID();
  Bstr id;
  ThrowIfFailed(item->get_ID(id.Out()), "Cannot read the frame item's ID");
  return BstrToAnsi(id.Get());
}

LONG ItemTypeOf(IQAVZLVFrameItem* item) {
  if (auto* own = OwnClass<TQAVZLVFrameItem>(item)) return own->ItemType();
  LONG type = -1;
  ThrowIfFailed(item->get_ItemType(&type), "Cannot read the frame item's type");
  return type;
}

// Copies a value collection deeply, through the class when it is ours so that
// its own error travels unchanged.
bool CopyValues(IQAVZLVValues* target, IQAVZLVValues* source) {
  if (auto* own = OwnClass<TQAVZLVValues>(target)) return own->CopyFromSource(source);
  VARIANT_BOOL ok = VARIANT_FALSE;
  ThrowIfFailed(target->CopyFrom(source, &ok), "Cannot copy the values");
  return ok != VARIANT_FALSE;
}

bool CopyItems(IQAVZLVFrameItems* target, IQAVZLVFrameItems* source) {
  if (auto* own = OwnClass<TQAVZLVFrameItems>(target)) return own->CopyFromSource(source);
  VARIANT_BOOL ok = VARIANT_FALSE;
  ThrowIfFailed(target->CopyFrom(source, &ok), "Cannot copy the frame items");
  return ok != VARIANT_FALSE;
}

constexpr char kHexDigits[] = "0123456789ABCDEF";

// The ANSI bytes of a BSTR, as the wire text is 8-bit. The same mapping as
// BstrToAnsi, with the characters below U+2200 (every character the ANSI code
// page has lies there) looked up in a table built once from it.
std::string WireBytes(BSTR s) {
  static constexpr char16_t kTableEnd = 0x2200;
  static const auto table = [] {
    std::array<char, kTableEnd> t{};
    for (char16_t c = 0; c < kTableEnd; ++c) t[c] = WideCharToAnsi(c);
    return t;
  }();
  const std::u16string_view view = BstrView(s);
  std::string r(view.size(), '\0');
  for (std::size_t i = 0; i < view.size(); ++i) {
    const char16_t c = view[i];
    r[i] = c < kTableEnd ? table[c] : WideCharToAnsi(c);
  }
  return r;
}

}  // namespace

// ---------------------------------------------------------------------------
// Checksums

std::string EcrChecksum(std::string_view buff) {
  // The shift runs 0..8 and starts over, so each run of nine bytes is one
  // block; the blocks are folded independently of one another.
  const auto* p = reinterpret_cast<const unsigned char*>(buff.data());
  std::size_t n = buff.size();
  std::uint32_t x = 0;
  std::size_t i = 0;
  for (; i + 9 <= n; i += 9) {
    x ^= (std::uint32_t{p[i]}) ^ (std::uint32_t{p[i + 1]} << 1) ^ (std::uint32_t{p[i + 2]} << 2) ^
         (std::uint32_t{p[i + 3]} << 3) ^ (std::uint32_t{p[i + 4]} << 4) ^ (std::uint32_t{p[i + 5]} << 5) ^
         (std::uint32_t{p[i + 6]} << 6) ^ (std::uint32_t{p[i + 7]} << 7) ^ (std::uint32_t{p[i + 8]} << 8);
  }
  for (unsigned shift = 0; i < n; ++i, ++shift) x ^= std::uint32_t{p[i]} << shift;
  x &= 0xFFFF;
  return {kHexDigits[(x >> 12) & 15], kHexDigits[(x >> 8) & 15], kHexDigits[(x >> 4) & 15], kHexDigits[x & 15]};
}

std::string Trx810Checksum(std::string_view buff) {
  // Unsigned 16-bit arithmetic wraps at 65536 by itself.
  const auto* p = reinterpret_cast<const unsigned char*>(buff.data());
  std::uint16_t sum = 0;
  for (std::size_t i = 0, n = buff.size(); i < n; ++i) sum = static_cast<std::uint16_t>(sum + p[i]);
  unsigned r = sum % 100u;
  return {static_cast<char>('0' + r / 10), static_cast<char>('0' + r % 10)};
}

// ---------------------------------------------------------------------------
// TQAVZLVFrameItem

TQAVZLVFrameItem::TQAVZLVFrameItem()
    : counter_(RandomCounterStart()), values_(Create<IQAVZLVValues>(CLSID_QAVZLVValues)) {}

HRESULT TQAVZLVFrameItem::get_ItemType(LONG* result) {
  return Get(result, [&] { return itemType_; });
}
HRESULT TQAVZLVFrameItem::put_ItemType(LONG value) {
  return Guard([&] { itemType_ = value; });
}
HRESULT TQAVZLVFrameItem::get_Index(LONG* result) {
  return Get(result, [&] { return index_; });
}
HRESULT TQAVZLVFrameItem::put_Index(LONG value) {
  return Guard([&] { index_ = value; });
}
HRESULT TQAVZLVFrameItem::get_ID(BSTR* result) {
  return Get(result, [&]() -> const std::string& { return id_; });
}
HRESULT TQAVZLVFrameItem::put_ID(BSTR value) {
  return Guard([&] { id_ = BstrToAnsi(value); });
}
HRESULT TQAVZLVFrameItem::get_DataType(LONG* result) {
  return Get(result, [&] { return dataType_; });
}
HRESULT TQAVZLVFrameItem::put_DataType(LONG value) {
  return Guard([&] { dataType_ = value; });
}
HRESULT TQAVZLVFrameItem::get_Offset(LONG* result) {
  return Get(result, [&] { return offset_; });
}
HRESULT TQAVZLVFrameItem::put_Offset(LONG value) {
  return Guard([&] { offset_ = value; });
}
HRESULT TQAVZLVFrameItem::get_Size(LONG* result) {
  return Get(result, [&] { return size_; });
}
HRESULT TQAVZLVFrameItem::put_Size(LONG value) {
  return Guard([&] { size_ = value; });
}
HRESULT TQAVZLVFrameItem::get_Values(IQAVZLVValues** result) {
  return Get(result, [&] { return values_; });
}
HRESULT TQAVZLVFrameItem::get_Flags(LONG* result) {
  return Get(result, [&] { return flags_; });
}
HRESULT TQAVZLVFrameItem::put_Flags(LONG value) {
  return Guard([&] { flags_ = value; });
}

HRESULT TQAVZLVFrameItem::ValueToStr(LONG valueIndex, BSTR* result) {
  return Get(result, [&] { return ValueText(valueIndex); });
}

HRESULT TQAVZLVFrameItem::Format(BSTR itemStr, BSTR* result) {
  return Get(result, [&] { return FormatText(BstrToAnsi(itemStr)); });
}

HRESULT TQAVZLVFrameItem::CalculateChecksum(BSTR buff, BSTR* result) {
  // The characters become bytes through the ANSI code page: the wire text is
  // 8-bit.
  return Get(result, [&] { return Checksum(WireBytes(buff)); });
}

HRESULT TQAVZLVFrameItem::CounterToStr(BSTR* result) {
  return Get(result, [&] { return NextCounterText(); });
}

HRESULT TQAVZLVFrameItem::CopyFrom(IQAVZLVFrameItem* source, VARIANT_BOOL* result) {
  return Get(result, [&] { return CopyFromSource(source); });
}

HRESULT TQAVZLVFrameItem::Edit(VARIANT_BOOL* result) {
  return Get(result, [&] { return RunEditor(EditorKind::FrameItem, this); });
}

std::string TQAVZLVFrameItem::FormatText(std::string_view text) const {
  if (size_ == 0) return std::string(text);
  const bool data = itemType_ == qzlvpstData;
  if (size_ < 0) return data ? std::string(text) : std::string();
  const auto size = static_cast<std::size_t>(size_);
  if (text.size() >= size) return std::string(data ? text : text.substr(0, size));
  std::string result(text);
  const char pad = HasFlag(qzlvpsfZeroPadded) ? '0' : ' ';
  if (HasFlag(qzlvpsfLeftJustify))
    result.append(size - result.size(), pad);
  else if (HasFlag(qzlvpsfRightJustify))
    result.insert(0, size - result.size(), pad);
  return result;
}

std::string TQAVZLVFrameItem::ValueText(LONG valueIndex) const {
  if (itemType_ != qzlvpstConst) return {};
  ComPtr<IQAVZLVValue> item;
  if (auto* own = OwnClass<TQAVZLVValues>(values_.Get()))
    item = own->At(valueIndex);  // the list index error for an index outside
  else
    ThrowIfFailed(values_->get_Items(valueIndex, item.Out()), "Cannot read the constant value");
  // A text value of this module is read where it is: no copy, no coercion.
  if (auto* ownValue = OwnClass<TQAVZLVValue>(item.Get())) {
    const Variant& held = ownValue->Value();
    if (held.vt == VT_BSTR) return FormatText(BstrToAnsi(held.bstrVal));
  }
  Variant value;
  ThrowIfFailed(item->get_Value(&value), "Cannot read the constant value");
  Variant text = value.As(VT_BSTR, VARIANT_ALPHABOOL);  // booleans as "True"/"False"
  return FormatText(BstrToAnsi(text.bstrVal));
}

std::string TQAVZLVFrameItem::NextCounterText() {
  if (itemType_ != qzlvpstCounter) return {};
  // A negative Size leaves no room for digits: nothing to count, nothing sent.
  if (size_ < 0) return {};
  const std::int64_t modulus = CounterModulus(size_);
  // A placed value outside 0..modulus-1 is first brought into that range, so
  // the text never carries a sign or more than Size digits.
  std::int64_t c = counter_ % modulus;
  if (c < 0) c += modulus;
  counter_ = (c + 1) % modulus;
  return FormatText(std::to_string(counter_));
}

std::string TQAVZLVFrameItem::Checksum(std::string_view buff) const {
  if (HasFlag(qzlvcrcECR)) return FormatText(EcrChecksum(buff));
  if (HasFlag(qzlvcrcTRX810)) return FormatText(Trx810Checksum(buff));
  return FormatText({});
}

bool TQAVZLVFrameItem::CopyFromSource(IQAVZLVFrameItem* source) {
  if (!source) return false;
  LONG dataType, flags, index, itemType, offset, size;
  Bstr id;
  ComPtr<IQAVZLVValues> values;
  ThrowIfFailed(source->get_DataType(&dataType), "Cannot read the source's data type");
  ThrowIfFailed(source->get_Flags(&flags), "Cannot read the source's flags");
  ThrowIfFailed(source->get_ID(id.Out()), "Cannot read the source's ID");
  ThrowIfFailed(source->get_Index(&index), "Cannot read the source's index");
  ThrowIfFailed(source->get_ItemType(&itemType), "Cannot read the source's item type");
  ThrowIfFailed(source->get_Offset(&offset), "Cannot read the source's offset");
  ThrowIfFailed(source->get_Size(&size), "Cannot read the source's size");
  ThrowIfFailed(source->get_Values(values.Out()), "Cannot read the source's values");
  dataType_ = dataType;
  flags_ = flags;
  id_ = BstrToAnsi(id.Get());
  index_ = index;
  itemType_ = itemType;
  offset_ = offset;
  size_ = size;
  CopyValues(values_.Get(), values.Get());
  return true;
}

// ---------------------------------------------------------------------------
// TQAVZLVFrameItems

HRESULT TQAVZLVFrameItems::get_Items(LONG i, IQAVZLVFrameItem** result) {
  return Get(result, [&] { return At(i); });
}

HRESULT TQAVZLVFrameItems::FindByID(BSTR id, LONG /*itemType*/, IQAVZLVFrameItem** result) {
  // The item type is not looked at.
  return Get(result, [&] {
    const std::u16string_view wanted = BstrView(id);
    for (const auto& item : items_)
      if (AnsiToWide(ItemID(item.Get())) == wanted) return item;
    return ComPtr<IQAVZLVFrameItem>();
  });
}

HRESULT TQAVZLVFrameItems::FindByItemType(LONG itemType, IQAVZLVFrameItem** result) {
  return Get(result, [&] { return FindItemByType(itemType); });
}

HRESULT TQAVZLVFrameItems::Clear() {
  return Guard([&] { RemoveAll(); });
}

HRESULT TQAVZLVFrameItems::CopyFrom(IQAVZLVFrameItems* source, VARIANT_BOOL* result) {
  return Get(result, [&] { return CopyFromSource(source); });
}

HRESULT TQAVZLVFrameItems::Edit(VARIANT_BOOL* result) {
  return Get(result, [&] { return RunEditor(EditorKind::FrameItems, this); });
}

ComPtr<IQAVZLVFrameItem> TQAVZLVFrameItems::FindItemByID(std::string_view id) const {
  for (const auto& item : items_)
    if (ItemID(item.Get()) == id) return item;
  return {};
}

ComPtr<IQAVZLVFrameItem> TQAVZLVFrameItems::FindItemByType(LONG itemType) const {
  for (const auto& item : items_)
    if (ItemTypeOf(item.Get()) == itemType) return item;
  return {};
}

bool TQAVZLVFrameItems::CopyFromSource(IQAVZLVFrameItems* source) {
  if (!source) return false;
  LONG count = 0;
  ThrowIfFailed(source->get_Count(&count), "Cannot read the source's count");
  // The source's items are held before clearing, so that copying a collection
  // onto itself copies the items it had.
  std::vector<ComPtr<IQAVZLVFrameItem>> from;
  from.reserve(static_cast<std::size_t>(std::max<LONG>(count, 0)));
  for (LONG i = 0; i < count; ++i) {
    ComPtr<IQAVZLVFrameItem> item;
    ThrowIfFailed(source->get_Items(i, item.Out()), "Cannot read the source's frame item");
    from.push_back(std::move(item));
  }
  RemoveAll();
  for (const auto& original : from) {
    ComPtr<IQAVZLVFrameItem> copy = Create<IQAVZLVFrameItem>(CLSID_QAVZLVFrameItem);
    Append(copy.Get());
    if (auto* own = OwnClass<TQAVZLVFrameItem>(copy.Get())) {
      own->CopyFromSource(original.Get());
    } else {
      VARIANT_BOOL ok;
      ThrowIfFailed(copy->CopyFrom(original.Get(), &ok), "Cannot copy the frame item");
    }
  }
  return true;
}

void TQAVZLVFrameItems::ItemAdded(IQAVZLVFrameItem* item, LONG index) {
  ThrowIfFailed(item->put_Index(index), "Cannot set the frame item's index");
}

// ---------------------------------------------------------------------------
// TQAVZLVFrame

TQAVZLVFrame::TQAVZLVFrame() : items_(Create<IQAVZLVFrameItems>(CLSID_QAVZLVFrameItems)) {}

HRESULT TQAVZLVFrame::get_PacketType(LONG* result) {
  return Get(result, [&] { return packetType_; });
}
HRESULT TQAVZLVFrame::put_PacketType(LONG value) {
  return Guard([&] { packetType_ = value; });
}
HRESULT TQAVZLVFrame::get_Index(LONG* result) {
  return Get(result, [&] { return index_; });
}
HRESULT TQAVZLVFrame::put_Index(LONG value) {
  return Guard([&] { index_ = value; });
}
HRESULT TQAVZLVFrame::get_ID(BSTR* result) {
  return Get(result, [&]() -> const std::string& { return id_; });
}
HRESULT TQAVZLVFrame::put_ID(BSTR value) {
  return Guard([&] { id_ = BstrToAnsi(value); });
}
HRESULT TQAVZLVFrame::get_Name(BSTR* result) {
  return Get(result, [&]() -> const std::string& { return name_; });
}
HRESULT TQAVZLVFrame::put_Name(BSTR value) {
  return Guard([&] { name_ = BstrToAnsi(value); });
}
HRESULT TQAVZLVFrame::get_PacketStructItems(IQAVZLVFrameItems** result) {
  return Get(result, [&] { return items_; });
}

HRESULT TQAVZLVFrame::CopyFrom(IQAVZLVFrame* source, VARIANT_BOOL* result) {
  return Get(result, [&] { return CopyFromSource(source); });
}

HRESULT TQAVZLVFrame::Edit(VARIANT_BOOL* result) {
  return Get(result, [&] { return RunEditor(EditorKind::Frame, this); });
}

bool TQAVZLVFrame::CopyFromSource(IQAVZLVFrame* source) {
  if (!source) return false;
  ComPtr<IQAVZLVFrameItems> items;
  ThrowIfFailed(source->get_PacketStructItems(items.Out()), "Cannot read the source's frame items");
  CopyItems(items_.Get(), items.Get());
  Bstr id, name;
  LONG index, packetType;
  ThrowIfFailed(source->get_ID(id.Out()), "Cannot read the source's ID");
  ThrowIfFailed(source->get_Index(&index), "Cannot read the source's index");
  ThrowIfFailed(source->get_Name(name.Out()), "Cannot read the source's name");
  ThrowIfFailed(source->get_PacketType(&packetType), "Cannot read the source's packet type");
  id_ = BstrToAnsi(id.Get());
  index_ = index;
  name_ = BstrToAnsi(name.Get());
  packetType_ = packetType;
  return true;
}

}  // namespace zelvani
