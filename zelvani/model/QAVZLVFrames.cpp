#include "zelvani/model/QAVZLVFrames.h"

#include <optional>
#include <vector>

#include "zelvani/model/EditorHook.h"
#include "zelvani/model/PacketLibraryReader.h"
#include "zelvani/model/QAVZLVFrame.h"
#include "zelvani/model/QAVZLVPacketDef.h"

namespace zelvani {

ZELVANI_CLASS(TQAVZLVFrames, CLSID_QAVZLVFrames);

HRESULT TQAVZLVFrames::get_PacketLibraray(IQAVZLVPacketLibrary** result) {
  return Get(result, [&] { return ComPtr<IQAVZLVPacketLibrary>(library_); });
}

HRESULT TQAVZLVFrames::put_PacketLibraray(IQAVZLVPacketLibrary* value) {
  return Guard([&] { SetLibrary(value); });
}

HRESULT TQAVZLVFrames::get_Items(LONG i, IQAVZLVFrame** result) {
  return Get(result, [&] { return At(i); });
}

HRESULT TQAVZLVFrames::FindByPacketType(LONG packetType, IQAVZLVFrame** result) {
  return Get(result, [&] { return FindPacketType(packetType); });
}

HRESULT TQAVZLVFrames::FindByPacketID(BSTR id, LONG packetType, IQAVZLVFrame** result) {
  return Get(result, [&] {
    std::string text;
    // An identifier with a character the model's texts cannot hold equals no
    // definition's; the search still requires a library.
    bool representable = ArgumentToModelText(id, text);
    ComPtr<IQAVZLVFrame> found = FindPacketID(text, packetType);
    return representable ? found : ComPtr<IQAVZLVFrame>();
  });
}

HRESULT TQAVZLVFrames::LoadFromFile(BSTR fileName, VARIANT_BOOL* result) {
  return Get(result, [&] { return LoadFramesFromFile(*this, BstrToAnsi(fileName)); });
}

HRESULT TQAVZLVFrames::SaveToFile(BSTR, VARIANT_BOOL* result) {
  return Get(result, [] { return false; });
}

HRESULT TQAVZLVFrames::Clear() {
  return Guard([&] { RemoveAll(); });
}

HRESULT TQAVZLVFrames::CopyFrom(IQAVZLVFrames* source, VARIANT_BOOL* result) {
  return Get(result, [&] { return CopyFromSource(source); });
}

HRESULT TQAVZLVFrames::Edit(VARIANT_BOOL* result) {
  return Get(result, [&] { return RunEditor(EditorKind::Frames, this); });
}

void TQAVZLVFrames::SetOwnerLibrary(IQAVZLVPacketLibrary* owner) {
  owner_ = owner;
  library_ = owner;
  heldLibrary_ = nullptr;
}

void TQAVZLVFrames::ClearOwnerLibrary() {
  if (library_ == owner_) library_ = nullptr;
  owner_ = nullptr;
}

void TQAVZLVFrames::SetLibrary(IQAVZLVPacketLibrary* library) {
  // The old counted reference goes only after the new one is stored, in case
  // its release ends up back here.
  ComPtr<IQAVZLVPacketLibrary> old = std::move(heldLibrary_);
  library_ = library;
  if (library && library != owner_) heldLibrary_ = ComPtr<IQAVZLVPacketLibrary>(library);
}

ComPtr<IQAVZLVFrame> TQAVZLVFrames::FindPacketType(LONG packetType) const {
  for (const auto& frame : items_) {
    LONG type = 0;
    if (const auto* own = OwnClass<TQAVZLVFrame>(frame.Get()))
      type = own->PacketType();
    else
      ThrowIfFailed(frame->get_PacketType(&type), "Cannot read the frame's packet type");
    if (type == packetType) return frame;
  }
  return nullptr;
}

ComPtr<IQAVZLVFrame> TQAVZLVFrames::FindPacketID(const std::string& id, LONG packetType) const {
  if (!library_) throw ComError(E_UNEXPECTED, "The frames have no packet library to look packet definitions up in");
  ComPtr<IQAVZLVPacketDefs> defs;
  ThrowIfFailed(library_->get_PacketDefs(defs.Out()), "Cannot read the packet library's definitions");
  if (!defs || packetType < 0) return nullptr;

  // The frames' identifiers, read once when the first definition qualifies.
  std::optional<std::vector<std::string>> frameIds;
  auto frameFor = [&](const std::string& structId) -> ComPtr<IQAVZLVFrame> {
    if (!frameIds) {
      frameIds.emplace();
      frameIds->reserve(items_.size());
      for (const auto& frame : items_) {
        Bstr frameId;
        ThrowIfFailed(frame->get_ID(frameId.Out()), "Cannot read the frame's identifier");
        frameIds->push_back(BstrToAnsi(frameId.Get()));
      }
    }
    for (std::size_t i = 0; i < frameIds->size(); ++i)
      if ((*frameIds)[i] == structId) return items_[i];
    return nullptr;
  };
  auto visit = [&](IQAVZLVPacketDef* def) -> ComPtr<IQAVZLVFrame> {
    PacketDefFields f(def);
    if (f.ID() != id || f.PacketType() != packetType) return nullptr;
    return frameFor(f.PacketStructID());
  };

  if (auto* own = OwnClass<TQAVZLVPacketDefs>(defs.Get())) {
    for (const auto& def : own->Items())
      if (auto frame = visit(def.Get())) return frame;
    return nullptr;
  }
  LONG count = 0;
  ThrowIfFailed(defs->get_Count(&count), "Cannot read the number of packet definitions");
  for (LONG i = 0; i < count; ++i) {
    ComPtr<IQAVZLVPacketDef> def;
    ThrowIfFailed(defs->get_Items(i, def.Out()), "Cannot read a packet definition");
    if (!def) continue;
    if (auto frame = visit(def.Get())) return frame;
  }
  return nullptr;
}

bool TQAVZLVFrames::CopyFromSource(IQAVZLVFrames* source) {
  if (!source) return false;
  LONG count = 0;
  ThrowIfFailed(source->get_Count(&count), "Cannot read the source's count");
  // The source's frames are held before clearing, so that a collection copied
  // onto itself keeps what it copies.
  std::vector<ComPtr<IQAVZLVFrame>> from(static_cast<std::size_t>(count));
  for (LONG i = 0; i < count; ++i)
    ThrowIfFailed(source->get_Items(i, from[static_cast<std::size_t>(i)].Out()), "Cannot read the source's frame");
  RemoveAll();
  for (const auto& frame : from) {
    ComPtr<IQAVZLVFrame> copy = Create<IQAVZLVFrame>(CLSID_QAVZLVFrame);
    Append(copy.Get());
    VARIANT_BOOL copied = VARIANT_FALSE;
    ThrowIfFailed(copy->CopyFrom(frame.Get(), &copied), "Cannot copy a frame");
  }
  // A library's own frames keep looking definitions up in that library; only a
  // free-standing collection (an editor's working copy) takes the source's.
  if (!owner_) {
    ComPtr<IQAVZLVPacketLibrary> library;
    ThrowIfFailed(source->get_PacketLibraray(library.Out()), "Cannot read the source's packet library");
    SetLibrary(library.Get());
  }
  return true;
}

void TQAVZLVFrames::ItemAdded(IQAVZLVFrame* item, LONG index) {
  ThrowIfFailed(item->put_Index(index), "Cannot set the frame's index");
}

}  // namespace zelvani
