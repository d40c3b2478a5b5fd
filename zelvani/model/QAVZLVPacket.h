// A packet: one instance of a packet definition of a packet library. It is bound
// to its definition by identifier or name and packet type, holds one value per
// field and keeps two views of its content in step: the field values (national
// letters in Windows-1250) and the data string, the fixed-width text of the data
// area as it travels on the line (national letters in code page 852).
#pragma once

#include <string>
#include <string_view>
#include <type_traits>
#include <typeinfo>
#include <vector>

#include "platform/com/variant.h"
#include "zelvani/model/ZelvaniServer.h"

namespace zelvani {

class TQAVZLVFieldDefs;
class TQAVZLVFrameItem;

class TQAVZLVPacket final : public ZelvaniObject<IQAVZLVPacket> {
 public:
  HRESULT get_ID(BSTR* result) override;
  HRESULT put_ID(BSTR value) override;
  HRESULT get_Name(BSTR* result) override;
  HRESULT put_Name(BSTR value) override;
  HRESULT get_PacketType(LONG* result) override;
  HRESULT put_PacketType(LONG value) override;
  HRESULT get_PacketStruct(IQAVZLVFrame** result) override;
  HRESULT get_PacketDef(IQAVZLVPacketDef** result) override;
  HRESULT get_DefinitionIndex(LONG* result) override;
  HRESULT get_FieldsCount(LONG* result) override;
  HRESULT get_FieldValues(VARIANT index, VARIANT* result) override;
  HRESULT put_FieldValues(VARIANT index, VARIANT value) override;
  HRESULT get_DataString(BSTR* result) override;
  HRESULT put_DataString(BSTR value) override;
  HRESULT get_PacketLibrary(IQAVZLVPacketLibrary** result) override;
  HRESULT put_PacketLibrary(IQAVZLVPacketLibrary* value) override;
  HRESULT get_Length(LONG* result) override;
  HRESULT get_IsLast(VARIANT_BOOL* result) override;
  HRESULT put_IsLast(VARIANT_BOOL value) override;
  HRESULT LoadDefaults() override;
  HRESULT GetDelimitedString(BSTR delimiter, BSTR brackets, BSTR newLineChar, LONG options, BSTR* result) override;
  HRESULT SetFromDelimitedString(BSTR str, BSTR delimiter, BSTR brackets, BSTR newLineChar, LONG options,
                                 LONG* result) override;

  // Binds once with everything the library's CreatePacket sets: the library,
  // the packet type, and the identifier, or the name when `id` is empty.
  void BindOnce(IQAVZLVPacketLibrary* library, LONG type, const std::string& id, const std::string& name);

  // C++ access (texts are 8-bit: ANSI, the data string in code page 852).
  const std::string& ID() const { return id_; }
  const std::string& Name() const { return name_; }
  LONG PacketType() const { return packetType_; }
  bool IsLast() const { return isLast_; }
  void SetIsLast(bool v) { isLast_ = v; }
  IQAVZLVPacketLibrary* PacketLibrary() const { return packetLibrary_.Get(); }
  IQAVZLVPacketDef* PacketDef() const { return packetDef_.Get(); }
  IQAVZLVFrame* PacketStruct() const { return packetStruct_.Get(); }
  LONG DefinitionIndex() const { return definitionIndex_; }
  // Each setter stores and then binds the packet: by name after SetName, by
  // identifier after the others.
  void SetID(std::string id);
  void SetName(std::string name);
  void SetPacketType(LONG type);
  void SetPacketLibrary(IQAVZLVPacketLibrary* library);

  // The number of field definitions of the bound definition; -1 when unbound.
  LONG FieldsCount() const;
  // The sum of the sizes of the bound definition's fields; 0 when unbound.
  LONG Length() const;

  // One field value by 1-based number or by name (a text index); Empty when no
  // field answers to the index. A read first brings the values in step with the
  // data string; a write makes the values the packet's current content.
  Variant FieldValue(const VARIANT& index);
  void SetFieldValue(const VARIANT& index, const VARIANT& value);

  // The data string rebuilt from the field values (the stored text for a packet
  // without field values); the store parses the text into the field values.
  const std::string& DataString();
  void SetDataString(std::string text);

  // Gives every field its definition's default value and rebuilds the data
  // string.
  void LoadFieldDefaults();

  // The delimited text form, both ways (QAVZLVDelimitedStrOptions bits).
  std::string DelimitedString(std::string_view delimiter, std::string_view brackets, LONG options);
  LONG SetFromDelimited(std::string_view str, std::string_view delimiter, LONG options);

 private:
  enum class Key { ID, Name };

  // Looks up the definition by the packet's key and type, with the fallbacks of
  // error and start packets, and adopts what it finds.
  void Bind(Key key);
  ComPtr<IQAVZLVPacketDef> FindDefinition(Key key, const std::string& text, LONG type) const;
  ComPtr<IQAVZLVFrame> FindFrame(LONG type) const;

  // The field definition at `position` of the bound definition's fields (null
  // when there is none), and the field that an index of FieldValues names.
  ComPtr<IQAVZLVFieldDef> FieldAt(LONG position) const;
  // The same without a reference of its own for a definition of this module's
  // class (the collection holds it); any other is kept in `holder` while it is
  // used, since its members may call back.
  IQAVZLVFieldDef* FieldPtr(LONG position, ComPtr<IQAVZLVFieldDef>& holder) const;
  LONG FieldCountNow() const;
  // The place in the field values of the field that `index` names; -1 for none.
  LONG ValueSlot(const VARIANT& index) const;

  // Builds the data string from the field values (with or without the
  // conversion to code page 852) and parses it back, each only while the two
  // views are out of step.
  void Build(bool convert);
  void Parse();

  std::string dataString_;
  std::string building_;  // the text Build writes, kept for its storage
  LONG definitionIndex_ = -1;
  // FieldValues is an array exactly while a definition with fields is bound;
  // otherwise it stands for the integer 1 and holds no field.
  bool hasValues_ = false;
  std::vector<Variant> fieldValues_;
  std::string id_;
  std::string name_;
  ComPtr<IQAVZLVPacketDef> packetDef_;
  ComPtr<IQAVZLVFrame> packetStruct_;
  ComPtr<IQAVZLVPacketLibrary> packetLibrary_;
  LONG packetType_ = 0;
  bool isLast_ = true;
  bool inStep_ = false;
  // The bound definition's field definitions (the same collection for the
  // definition's whole life), and its class when it is this module's.
  ComPtr<IQAVZLVFieldDefs> fieldDefs_;
  TQAVZLVFieldDefs* ownFieldDefs_ = nullptr;
};

// A frame item seen through this module's class when it is one, through its
// interface otherwise. Texts are 8-bit.
class FrameItemView {
 public:
  explicit FrameItemView(IQAVZLVFrameItem* item);

  LONG ItemType() const;
  LONG Size() const;
  LONG Offset() const;
  LONG Flags() const;
  bool HasFlag(LONG flag) const { return (Flags() & flag) != 0; }
  void SetOffset(LONG offset);
  void SetSize(LONG size);
  LONG ValueCount() const;
  std::string ValueText(LONG valueIndex) const;
  std::string Format(std::string_view text) const;
  std::string NextCounterText();
  std::string Checksum(std::string_view buff) const;

 private:
  IQAVZLVFrameItem* itf_;
  TQAVZLVFrameItem* own_;
};

// The items of a frame in wire order; throws for a null frame.
std::vector<ComPtr<IQAVZLVFrameItem>> FrameItemsOf(IQAVZLVFrame* frame);

}  // namespace zelvani
