#include "zelvani/model/InterfaceCalls.h"
#include "zelvani/model/QAVZLVPacketLibrary.h"

#include "platform/com/ansi.h"
#include "platform/com/variant.h"
#include "zelvani/model/EditorHook.h"
#include "zelvani/model/PacketLibraryReader.h"
#include "zelvani/model/QAVZLVFlow.h"
#include "zelvani/model/QAVZLVFrames.h"
#include "zelvani/model/QAVZLVPacket.h"
#include "zelvani/model/QAVZLVPacketDef.h"

namespace zelvani {

ZELVANI_CLASS(TQAVZLVPacketLibrary, CLSID_QAVZLVPacketLibrary);

namespace {

// The definition name that CreatePacket receives as a VARIANT, as model text.
// False when it names no definition: no value (Empty, Null, a missing
// argument), a value without a text form, or a text with a character that no
// model text holds.
bool DefinitionName(const VARIANT& pktDef, std::string& name) {
  Variant value;
  if (FAILED(VariantCopyInd(&value, &pktDef))) return false;
  if (value.vt == VT_EMPTY) {
    name.clear();
    return true;
  }
  if (value.vt == VT_NULL || value.vt == VT_ERROR) return false;
  Variant text;
  if (FAILED(value.TryAs(VT_BSTR, text, VARIANT_ALPHABOOL))) return false;
  return ArgumentToModelText(text.bstrVal, name);
}

}  // namespace

TQAVZLVPacketLibrary::TQAVZLVPacketLibrary()
    : flows_(Create<IQAVZLVFlows>(CLSID_QAVZLVFlows)),
      packetDefs_(Create<IQAVZLVPacketDefs>(CLSID_QAVZLVPacketDefs)),
      packetStructs_(Create<IQAVZLVFrames>(CLSID_QAVZLVFrames)) {
  // The frames point back to their library without counting it: the library
  // holds the frames, and a counted reference back would keep both alive.
  if (TQAVZLVFrames* frames = FrameList()) frames->SetOwnerLibrary(this);
}

TQAVZLVPacketLibrary::~TQAVZLVPacketLibrary() {
  if (TQAVZLVFrames* frames = FrameList()) frames->ClearOwnerLibrary();
}

TQAVZLVFlows* TQAVZLVPacketLibrary::FlowList() const { return OwnClass<TQAVZLVFlows>(flows_.Get()); }

TQAVZLVPacketDefs* TQAVZLVPacketLibrary::PacketDefList() const {
  return OwnClass<TQAVZLVPacketDefs>(packetDefs_.Get());
}

TQAVZLVFrames* TQAVZLVPacketLibrary::FrameList() const {
  return OwnClass<TQAVZLVFrames>(packetStructs_.Get());
}

HRESULT TQAVZLVPacketLibrary::get_ID(BSTR* result) {
  return Get(result, [&] { return id_; });
}
HRESULT TQAVZLVPacketLibrary::put_ID(BSTR value) {
  return Guard([&] { id_ = BstrToAnsi(value); });
}
HRESULT TQAVZLVPacketLibrary::get_Name(BSTR* result) {
  return Get(result, [&] { return name_; });
}
HRESULT TQAVZLVPacketLibrary::put_Name(BSTR value) {
  return Guard([&] { name_ = BstrToAnsi(value); });
}
HRESULT TQAVZLVPacketLibrary::get_Version(BSTR* result) {
  return Get(result, [&] { return version_; });
}
HRESULT TQAVZLVPacketLibrary::put_Version(BSTR value) {
  return Guard([&] { version_ = BstrToAnsi(value); });
}

HRESULT TQAVZLVPacketLibrary::get_Flows(IQAVZLVFlows** result) {
  return Get(result, [&] { return flows_; });
}
HRESULT TQAVZLVPacketLibrary::get_PacketDefs(IQAVZLVPacketDefs** result) {
  return Get(result, [&] { return packetDefs_; });
}
HRESULT TQAVZLVPacketLibrary::get_PacketStructs(IQAVZLVFrames** result) {
  return Get(result, [&] { return packetStructs_; });
}

HRESULT TQAVZLVPacketLibrary::get_CreateReport(VARIANT_BOOL* result) {
  return Get(result, [&] { return createReport_; });
}
HRESULT TQAVZLVPacketLibrary::put_CreateReport(VARIANT_BOOL value) {
  return Guard([&] { createReport_ = value != VARIANT_FALSE; });
}

HRESULT TQAVZLVPacketLibrary::get_FileName(BSTR* result) {
  return Get(result, [&] { return fileName_; });
}
HRESULT TQAVZLVPacketLibrary::put_FileName(BSTR value) {
  // Only the name: nothing is loaded.
  return Guard([&] { fileName_ = BstrToAnsi(value); });
}

HRESULT TQAVZLVPacketLibrary::SaveToFile(BSTR, VARIANT_BOOL* result) {
  // The library is never written back: the definitions file is edited as text.
  return Get(result, [] { return false; });
}

HRESULT TQAVZLVPacketLibrary::LoadFromFile(BSTR fileName, VARIANT_BOOL* result) {
  return Get(result, [&] { return Load(BstrToAnsi(fileName)); });
}

HRESULT TQAVZLVPacketLibrary::CreatePacket(BSTR pktId, VARIANT pktDef, LONG pktType, IQAVZLVPacket** result) {
  return Get(result, [&] {
    std::string id;
    std::string name;
    if (SysStringLen(pktId) > 0) {
      if (!ArgumentToModelText(pktId, id)) return ComPtr<IQAVZLVPacket>();
    } else if (!DefinitionName(pktDef, name)) {
      return ComPtr<IQAVZLVPacket>();
    }
    return NewPacket(id, name, pktType);
  });
}

HRESULT TQAVZLVPacketLibrary::Edit(VARIANT_BOOL* result) {
  return Get(result, [&] { return RunEditor(EditorKind::PacketLibrary, this); });
}

bool TQAVZLVPacketLibrary::Load(const std::string& fileName) {
  Bstr name = Bstr::Attach(AnsiToBstr(fileName));
  VARIANT_BOOL ok = VARIANT_FALSE;
  CheckCall(flows_->LoadFromFile(name.Get(), &ok), "Cannot load the flows");
  if (!ok) return false;
  CheckCall(packetStructs_->LoadFromFile(name.Get(), &ok), "Cannot load the frames");
  if (!ok) return false;
  CheckCall(packetDefs_->LoadFromFile(name.Get(), &ok), "Cannot load the packet definitions");
  if (!ok) return false;
  if (!ReadCreateReport(fileName)) return false;
  fileName_ = fileName;
  return true;
}

bool TQAVZLVPacketLibrary::ReadCreateReport(const std::string& fileName) {
  std::optional<std::string> text = ReadDefinitionsFile(fileName);
  if (!text) return false;
  // A file that grew past the limit since the readers passed it is refused
  // as they refuse it.
  if (text->size() > static_cast<std::size_t>(kMaxDefinitionsFileSize)) return false;
  const std::vector<std::string_view> lines = SplitDefinitionsLines(*text);
  // The value stands two lines below the keyword, counted in the raw file, so
  // comments and brackets count as lines here.
  for (std::size_t i = 0; i + 2 < lines.size(); ++i) {
    if (lines[i].find("CreateCommunicationReport") == std::string_view::npos) continue;
    std::string value(lines[i + 2]);
    std::erase(value, ' ');
    createReport_ = !value.empty() && value.front() == '1';
    break;
  }
  return true;
}

ComPtr<IQAVZLVPacket> TQAVZLVPacketLibrary::NewPacket(const std::string& id, const std::string& name, LONG type) {
  ComPtr<IQAVZLVPacket> packet = Create<IQAVZLVPacket>(CLSID_QAVZLVPacket);
  auto* bound = OwnClass<TQAVZLVPacket>(packet.Get());
  if (!bound) throw ComError(E_NOINTERFACE, "The packet class cannot be bound to a packet library");
  // One binding with the library, the type and the key together: binding after
  // each of them would let an intermediate binding change the packet type (a
  // write-and-read definition turns it into 6) before the requested identifier
  // is looked up.
  bound->BindOnce(this, type, id, name);
  Bstr boundName;
  CheckCall(packet->get_Name(boundName.Out()), "Cannot read the packet's name");
  if (boundName.Length() == 0) return nullptr;
  CheckCall(packet->LoadDefaults(), "Cannot load the packet's default values");
  return packet;
}

}  // namespace zelvani
