// Frames: the wire layout of the packets of one packet type. A frame is an
// ordered list of frame items, each a fixed-width slot of the string that goes
// on the line: a constant mark, a rolling counter, the receiver's identifier,
// the packet identifier, the data area or a checksum. The items format their
// slot's text and compute the checksums; the protocol walks the items to pack
// and unpack packets.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "zelvani/model/DispatchCollection.h"
#include "zelvani/model/QAVZLVValue.h"

namespace zelvani {

class TQAVZLVFrameItem final : public ZelvaniObject<IQAVZLVFrameItem> {
 public:
  // The counter starts at a random number 0..99.
  TQAVZLVFrameItem();

  HRESULT get_ItemType(LONG* result) override;
  HRESULT put_ItemType(LONG value) override;
  HRESULT get_Index(LONG* result) override;
  HRESULT put_Index(LONG value) override;
  HRESULT get_ID(BSTR* result) override;
  HRESULT put_ID(BSTR value) override;
  HRESULT get_DataType(LONG* result) override;
  HRESULT put_DataType(LONG value) override;
  HRESULT get_Offset(LONG* result) override;
  HRESULT put_Offset(LONG value) override;
  HRESULT get_Size(LONG* result) override;
  HRESULT put_Size(LONG value) override;
  HRESULT get_Values(IQAVZLVValues** result) override;
  HRESULT get_Flags(LONG* result) override;
  HRESULT put_Flags(LONG value) override;
  HRESULT ValueToStr(LONG valueIndex, BSTR* result) override;
  HRESULT Format(BSTR itemStr, BSTR* result) override;
  HRESULT CalculateChecksum(BSTR buff, BSTR* result) override;
  HRESULT CounterToStr(BSTR* result) override;
  HRESULT CopyFrom(IQAVZLVFrameItem* source, VARIANT_BOOL* result) override;
  HRESULT Edit(VARIANT_BOOL* result) override;

  // C++ access (texts are 8-bit: ANSI in memory, code page 852 on the wire).
  LONG ItemType() const { return itemType_; }
  void SetItemType(LONG v) { itemType_ = v; }
  LONG Index() const { return index_; }
  void SetIndex(LONG v) { index_ = v; }
  const std::string& ID() const { return id_; }
  void SetID(std::string v) { id_ = std::move(v); }
  LONG DataType() const { return dataType_; }
  void SetDataType(LONG v) { dataType_ = v; }
  LONG Offset() const { return offset_; }
  void SetOffset(LONG v) { offset_ = v; }
  LONG Size() const { return size_; }
  void SetSize(LONG v) { size_ = v; }
  LONG Flags() const { return flags_; }
  void SetFlags(LONG v) { flags_ = v; }
  bool HasFlag(LONG flag) const { return (flags_ & flag) != 0; }
  // The owned collection of constant texts.
  IQAVZLVValues* Values() const { return values_.Get(); }

  // Fits a text to the slot: a text of Size characters or more is cut to Size
  // characters (never for a data item), a shorter one is padded with "0"
  // (zero-padded) or blanks, after it (left-justified) or in front of it
  // (right-justified); with neither flag it stays short. Size 0 leaves the text
  // as it is; a negative Size leaves no room (empty text) except in a data item,
  // whose text is kept.
  std::string FormatText(std::string_view text) const;

  // The formatted text of constant value VALUEINDEX (from 0) of a constant
  // item; the empty string for any other item. A constant item fails with the
  // list index error for an index outside its values, and with a conversion
  // error for a value that has no text form.
  std::string ValueText(LONG valueIndex) const;

  // Advances the counter of a counter item and returns its formatted decimal
  // text; the empty string for any other item. The counter runs modulo 10 to
  // the power Size: Size 0 gives the one-digit modulus 1 (always "0"); a
  // negative Size leaves no counter digits (the counter stays, the text is
  // empty); a Size of 19 or more runs modulo 10^18, the largest power of ten in
  // 64 bits.
  std::string NextCounterText();

  // The checksum of the 8-bit text BUFF by the first variant flag set (ECR, then
  // TRX810), formatted; with neither (VORDAN or none) the formatted empty text.
  std::string Checksum(std::string_view buff) const;

  // The last counter value sent. Settable so that a test or a caller that
  // resumes a numbering can place it.
  std::int64_t Counter() const { return counter_; }
  void SetCounter(std::int64_t v) { counter_ = v; }

  // Copies DataType, Flags, ID, Index, ItemType, Offset and Size, then the
  // values deeply; the counter is kept. False, changing nothing, for null.
  bool CopyFromSource(IQAVZLVFrameItem* source);

 private:
  std::int64_t counter_;
  LONG dataType_ = -1;
  LONG flags_ = -1;
  std::string id_;
  LONG index_ = -1;
  LONG itemType_ = -1;
  LONG offset_ = -1;
  LONG size_ = -1;
  ComPtr<IQAVZLVValues> values_;
};

// The two checksum algorithms over 8-bit text, unformatted.
// ECR: a 16-bit exclusive-or of each byte shifted left by (position - 1) mod 9
// bits, positions from 1, as four upper-case hexadecimal digits.
std::string EcrChecksum(std::string_view buff);
// TRX810: the bytes summed in 16 bits (wrapping), modulo 100, as two digits.
std::string Trx810Checksum(std::string_view buff);

class TQAVZLVFrameItems final : public DispatchCollectionBase<IQAVZLVFrameItems, IQAVZLVFrameItem> {
 public:
  HRESULT get_Items(LONG i, IQAVZLVFrameItem** result) override;
  HRESULT FindByID(BSTR id, LONG itemType, IQAVZLVFrameItem** result) override;
  HRESULT FindByItemType(LONG itemType, IQAVZLVFrameItem** result) override;
  HRESULT Clear() override;
  HRESULT CopyFrom(IQAVZLVFrameItems* source, VARIANT_BOOL* result) override;
  HRESULT Edit(VARIANT_BOOL* result) override;

  // The first item whose ID equals ID exactly (case-sensitive); null when none.
  ComPtr<IQAVZLVFrameItem> FindItemByID(std::string_view id) const;
  // The first item of that item type; null when none.
  ComPtr<IQAVZLVFrameItem> FindItemByType(LONG itemType) const;

  // Deep copy: cleared, then per source item a new item is created, added and
  // made a copy of it. False, changing nothing, for null.
  bool CopyFromSource(IQAVZLVFrameItems* source);

 protected:
  void ItemAdded(IQAVZLVFrameItem* item, LONG index) override;
};

class TQAVZLVFrame final : public ZelvaniObject<IQAVZLVFrame> {
 public:
  TQAVZLVFrame();

  HRESULT get_PacketType(LONG* result) override;
  HRESULT put_PacketType(LONG value) override;
  HRESULT get_Index(LONG* result) override;
  HRESULT put_Index(LONG value) override;
  HRESULT get_ID(BSTR* result) override;
  HRESULT put_ID(BSTR value) override;
  HRESULT get_Name(BSTR* result) override;
  HRESULT put_Name(BSTR value) override;
  HRESULT get_PacketStructItems(IQAVZLVFrameItems** result) override;
  HRESULT CopyFrom(IQAVZLVFrame* source, VARIANT_BOOL* result) override;
  HRESULT Edit(VARIANT_BOOL* result) override;

  const std::string& ID() const { return id_; }
  void SetID(std::string v) { id_ = std::move(v); }
  LONG Index() const { return index_; }
  void SetIndex(LONG v) { index_ = v; }
  const std::string& Name() const { return name_; }
  void SetName(std::string v) { name_ = std::move(v); }
  LONG PacketType() const { return packetType_; }
  void SetPacketType(LONG v) { packetType_ = v; }
  // The owned item collection, and its class (null only if an object of another
  // module stood in for it).
  IQAVZLVFrameItems* PacketStructItems() const { return items_.Get(); }
  TQAVZLVFrameItems* Items() const { return OwnClass<TQAVZLVFrameItems>(items_.Get()); }

  // Copies the items deeply, then ID, Index, Name and PacketType. False,
  // changing nothing, for null.
  bool CopyFromSource(IQAVZLVFrame* source);

 private:
  std::string id_;
  LONG index_ = -1;
  std::string name_;
  ComPtr<IQAVZLVFrameItems> items_;
  LONG packetType_ = -1;
};

}  // namespace zelvani
