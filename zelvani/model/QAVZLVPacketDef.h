// A packet definition (one kind of packet: identifier, name, type, frame and its
// field definitions) and the library's collection of them with the lookups that
// bind packets to their definitions.
#pragma once

#include <string>

#include "zelvani/model/DispatchCollection.h"

namespace zelvani {

class TQAVZLVPacketDef final : public ZelvaniObject<IQAVZLVPacketDef> {
 public:
  // Creates the owned field definitions through the object layer.
  TQAVZLVPacketDef();

  HRESULT get_ID(BSTR* result) override;
  HRESULT put_ID(BSTR value) override;
  HRESULT get_Name(BSTR* result) override;
  HRESULT put_Name(BSTR value) override;
  HRESULT get_PacketType(LONG* result) override;
  HRESULT put_PacketType(LONG value) override;
  HRESULT get_PacketStructID(BSTR* result) override;
  HRESULT put_PacketStructID(BSTR value) override;
  HRESULT get_Index(LONG* result) override;
  HRESULT put_Index(LONG value) override;
  HRESULT get_FieldDefs(IQAVZLVFieldDefs** result) override;
  HRESULT CopyFrom(IQAVZLVPacketDef* source, VARIANT_BOOL* result) override;
  HRESULT Edit(VARIANT_BOOL* result) override;

  // C++ access (texts are ANSI).
  const std::string& ID() const { return id_; }
  const std::string& Name() const { return name_; }
  const std::string& PacketStructID() const { return packetStructId_; }
  LONG PacketType() const { return packetType_; }
  LONG Index() const { return index_; }
  const ComPtr<IQAVZLVFieldDefs>& FieldDefs() const { return fieldDefs_; }
  void SetID(std::string id) { id_ = std::move(id); }
  void SetName(std::string name) { name_ = std::move(name); }
  void SetPacketStructID(std::string id) { packetStructId_ = std::move(id); }
  void SetPacketType(LONG type) { packetType_ = type; }
  void SetIndex(LONG index) { index_ = index; }

  // The owned field definitions copy the source's deeply, then the plain fields
  // are taken over. False, changing nothing, for null.
  bool CopyFromSource(IQAVZLVPacketDef* source);

 private:
  ComPtr<IQAVZLVFieldDefs> fieldDefs_;
  std::string id_;
  std::string name_;
  std::string packetStructId_;
  LONG packetType_ = 0;
  LONG index_ = -1;
};

// A BSTR argument as model text (ANSI). False when it holds a character that the
// ANSI code page lacks: no model text can then equal it or begin with it.
bool ArgumentToModelText(BSTR s, std::string& out);

// The lookup fields of any packet definition: read directly from this module's
// class, through the interface from any other implementation.
class PacketDefFields {
 public:
  explicit PacketDefFields(IQAVZLVPacketDef* def);
  const std::string& ID() const { return own_ ? own_->ID() : id_; }
  const std::string& Name() const { return own_ ? own_->Name() : name_; }
  const std::string& PacketStructID() const { return own_ ? own_->PacketStructID() : structId_; }
  LONG PacketType() const { return own_ ? own_->PacketType() : type_; }

 private:
  const TQAVZLVPacketDef* own_;
  std::string id_;
  std::string name_;
  std::string structId_;
  LONG type_ = 0;
};

class TQAVZLVPacketDefs final : public DispatchCollectionBase<IQAVZLVPacketDefs, IQAVZLVPacketDef> {
 public:
  HRESULT get_Items(LONG i, IQAVZLVPacketDef** result) override;
  HRESULT FindByName(BSTR name, LONG pktType, IQAVZLVPacketDef** result) override;
  HRESULT FindByID(BSTR id, LONG pktType, IQAVZLVPacketDef** result) override;
  HRESULT LoadFromFile(BSTR fileName, VARIANT_BOOL* result) override;
  HRESULT SaveToFile(BSTR fileName, VARIANT_BOOL* result) override;
  HRESULT CopyFrom(IQAVZLVPacketDefs* source, VARIANT_BOOL* result) override;
  HRESULT Clear() override;
  HRESULT Edit(VARIANT_BOOL* result) override;

  // Lookups (ANSI texts). A definition passes the type filter when pktType is 0
  // or shares a bit with its PacketType. FindName wants the exact name,
  // FindIDPrefix a definition ID that begins with `id`.
  ComPtr<IQAVZLVPacketDef> FindName(const std::string& name, LONG pktType) const;
  ComPtr<IQAVZLVPacketDef> FindIDPrefix(const std::string& id, LONG pktType) const;

  // Deep copy: cleared, then one new definition per source definition, created
  // through the object layer, appended and made to copy it. False for null.
  bool CopyFromSource(IQAVZLVPacketDefs* source);

 protected:
  void ItemAdded(IQAVZLVPacketDef* item, LONG index) override;
};

}  // namespace zelvani
