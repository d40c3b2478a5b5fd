#include "zelvani/model/InterfaceCalls.h"
#include "zelvani/model/QAVZLVPacketDef.h"

#include <vector>

#include "zelvani/model/EditorHook.h"
#include "zelvani/model/PacketLibraryReader.h"

namespace zelvani {

ZELVANI_CLASS(TQAVZLVPacketDef, CLSID_QAVZLVPacketDef);
ZELVANI_CLASS(TQAVZLVPacketDefs, CLSID_QAVZLVPacketDefs);

namespace {

bool PassesTypeFilter(LONG definitionType, LONG pktType) { return pktType == 0 || (definitionType & pktType) != 0; }

}  // namespace

bool ArgumentToModelText(BSTR s, std::string& out) {
  out = BstrToAnsi(s);
  return AnsiToWide(out) == BstrView(s);
}

PacketDefFields::PacketDefFields(IQAVZLVPacketDef* def) : own_(OwnClass<const TQAVZLVPacketDef>(def)) {
  if (own_) return;
  id_ = ReadText(def, &IQAVZLVPacketDef::get_ID, "Cannot read the packet definition's identifier");
  name_ = ReadText(def, &IQAVZLVPacketDef::get_Name, "Cannot read the packet definition's name");
  structId_ = ReadText(def, &IQAVZLVPacketDef::get_PacketStructID, "Cannot read the packet definition's frame identifier");
  type_ = ReadLong(def, &IQAVZLVPacketDef::get_PacketType, "Cannot read the packet definition's packet type");
}

// ---------------------------------------------------------------------------
// TQAVZLVPacketDef

TQAVZLVPacketDef::TQAVZLVPacketDef() : fieldDefs_(Create<IQAVZLVFieldDefs>(CLSID_QAVZLVFieldDefs)) {}

HRESULT TQAVZLVPacketDef::get_ID(BSTR* result) {
  return Get(result, [&] { return id_; });
}
HRESULT TQAVZLVPacketDef::put_ID(BSTR value) {
  return Guard([&] { id_ = BstrToAnsi(value); });
}
HRESULT TQAVZLVPacketDef::get_Name(BSTR* result) {
  return Get(result, [&] { return name_; });
}
HRESULT TQAVZLVPacketDef::put_Name(BSTR value) {
  return Guard([&] { name_ = BstrToAnsi(value); });
}
HRESULT TQAVZLVPacketDef::get_PacketType(LONG* result) {
  return Get(result, [&] { return packetType_; });
}
HRESULT TQAVZLVPacketDef::put_PacketType(LONG value) {
  return Guard([&] { packetType_ = value; });
}
HRESULT TQAVZLVPacketDef::get_PacketStructID(BSTR* result) {
  return Get(result, [&] { return packetStructId_; });
}
HRESULT TQAVZLVPacketDef::put_PacketStructID(BSTR value) {
  return Guard([&] { packetStructId_ = BstrToAnsi(value); });
}
HRESULT TQAVZLVPacketDef::get_Index(LONG* result) {
  return Get(result, [&] { return index_; });
}
HRESULT TQAVZLVPacketDef::put_Index(LONG value) {
  return Guard([&] { index_ = value; });
}
HRESULT TQAVZLVPacketDef::get_FieldDefs(IQAVZLVFieldDefs** result) {
  return Get(result, [&] { return fieldDefs_; });
}
HRESULT TQAVZLVPacketDef::CopyFrom(IQAVZLVPacketDef* source, VARIANT_BOOL* result) {
  return Get(result, [&] { return CopyFromSource(source); });
}
HRESULT TQAVZLVPacketDef::Edit(VARIANT_BOOL* result) {
  return Get(result, [&] { return RunEditor(EditorKind::PacketDef, this); });
}

bool TQAVZLVPacketDef::CopyFromSource(IQAVZLVPacketDef* source) {
  if (!source) return false;
  ComPtr<IQAVZLVFieldDefs> sourceFields;
  ThrowIfFailed(source->get_FieldDefs(sourceFields.Out()), "Cannot read the source's field definitions");
  VARIANT_BOOL copied = VARIANT_FALSE;
  ThrowIfFailed(fieldDefs_->CopyFrom(sourceFields.Get(), &copied), "Cannot copy the field definitions");
  id_ = ReadText(source, &IQAVZLVPacketDef::get_ID, "Cannot read the packet definition's identifier");
  index_ = ReadLong(source, &IQAVZLVPacketDef::get_Index, "Cannot read the packet definition's index");
  name_ = ReadText(source, &IQAVZLVPacketDef::get_Name, "Cannot read the packet definition's name");
  packetStructId_ = ReadText(source, &IQAVZLVPacketDef::get_PacketStructID, "Cannot read the packet definition's frame identifier");
  packetType_ = ReadLong(source, &IQAVZLVPacketDef::get_PacketType, "Cannot read the packet definition's packet type");
  return true;
}

// ---------------------------------------------------------------------------
// TQAVZLVPacketDefs

HRESULT TQAVZLVPacketDefs::get_Items(LONG i, IQAVZLVPacketDef** result) {
  return Get(result, [&] { return At(i); });
}

HRESULT TQAVZLVPacketDefs::FindByName(BSTR name, LONG pktType, IQAVZLVPacketDef** result) {
  return Get(result, [&] {
    std::string text;
    return ArgumentToModelText(name, text) ? FindName(text, pktType) : ComPtr<IQAVZLVPacketDef>();
  });
}

HRESULT TQAVZLVPacketDefs::FindByID(BSTR id, LONG pktType, IQAVZLVPacketDef** result) {
  return Get(result, [&] {
    std::string text;
    return ArgumentToModelText(id, text) ? FindIDPrefix(text, pktType) : ComPtr<IQAVZLVPacketDef>();
  });
}

HRESULT TQAVZLVPacketDefs::LoadFromFile(BSTR fileName, VARIANT_BOOL* result) {
  return Get(result, [&] { return LoadPacketDefsFromFile(*this, BstrToAnsi(fileName)); });
}

HRESULT TQAVZLVPacketDefs::SaveToFile(BSTR, VARIANT_BOOL* result) {
  return Get(result, [] { return false; });
}

HRESULT TQAVZLVPacketDefs::CopyFrom(IQAVZLVPacketDefs* source, VARIANT_BOOL* result) {
  return Get(result, [&] { return CopyFromSource(source); });
}

HRESULT TQAVZLVPacketDefs::Clear() {
  return Guard([&] { RemoveAll(); });
}

HRESULT TQAVZLVPacketDefs::Edit(VARIANT_BOOL* result) {
  return Get(result, [&] { return RunEditor(EditorKind::PacketDefs, this); });
}

ComPtr<IQAVZLVPacketDef> TQAVZLVPacketDefs::FindName(const std::string& name, LONG pktType) const {
  for (const auto& def : items_) {
    PacketDefFields f(def.Get());
    if (PassesTypeFilter(f.PacketType(), pktType) && f.Name() == name) return def;
  }
  return nullptr;
}

ComPtr<IQAVZLVPacketDef> TQAVZLVPacketDefs::FindIDPrefix(const std::string& id, LONG pktType) const {
  for (const auto& def : items_) {
    PacketDefFields f(def.Get());
    if (PassesTypeFilter(f.PacketType(), pktType) && f.ID().starts_with(id)) return def;
  }
  return nullptr;
}

bool TQAVZLVPacketDefs::CopyFromSource(IQAVZLVPacketDefs* source) {
  if (!source) return false;
  LONG count = 0;
  ThrowIfFailed(source->get_Count(&count), "Cannot read the source's count");
  // The source's definitions are held before clearing, so that a collection
  // copied onto itself keeps what it copies.
  std::vector<ComPtr<IQAVZLVPacketDef>> from(static_cast<std::size_t>(count));
  for (LONG i = 0; i < count; ++i)
    ThrowIfFailed(source->get_Items(i, from[static_cast<std::size_t>(i)].Out()),
                  "Cannot read the source's packet definition");
  RemoveAll();
  for (const auto& def : from) {
    ComPtr<IQAVZLVPacketDef> copy = Create<IQAVZLVPacketDef>(CLSID_QAVZLVPacketDef);
    Append(copy.Get());
    VARIANT_BOOL copied = VARIANT_FALSE;
    ThrowIfFailed(copy->CopyFrom(def.Get(), &copied), "Cannot copy a packet definition");
  }
  return true;
}

void TQAVZLVPacketDefs::ItemAdded(IQAVZLVPacketDef* item, LONG index) {
  ThrowIfFailed(item->put_Index(index), "Cannot set the packet definition's index");
}

}  // namespace zelvani
