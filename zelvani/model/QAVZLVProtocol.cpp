#include "zelvani/model/QAVZLVProtocol.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "zelvani/model/QAVZLVFrames.h"
#include "zelvani/model/QAVZLVPacket.h"
#include "zelvani/model/QAVZLVPacketLibrary.h"

namespace zelvani {

ZELVANI_CLASS(TQAVZLVProtocol, CLSID_QAVZLVProtocol);

namespace {

// A packet seen through this module's class when it is one, through its
// interface otherwise.
class PacketView {
 public:
  explicit PacketView(IQAVZLVPacket* packet) : itf_(packet), own_(OwnClass<TQAVZLVPacket>(packet)) {}

  std::string ID() const {
    if (own_) return own_->ID();
    Bstr id;
    ThrowIfFailed(itf_->get_ID(id.Out()), "Cannot read the packet's identifier");
    return BstrToAnsi(id.Get());
  }
  void SetID(std::string id) {
    if (own_) return own_->SetID(std::move(id));
    Bstr text = Bstr::Attach(AnsiToBstr(id));
    ThrowIfFailed(itf_->put_ID(text.Get()), "Cannot set the packet's identifier");
  }
  LONG PacketType() const {
    if (own_) return own_->PacketType();
    LONG type = 0;
    ThrowIfFailed(itf_->get_PacketType(&type), "Cannot read the packet's type");
    return type;
  }
  bool IsLast() const {
    if (own_) return own_->IsLast();
    VARIANT_BOOL last = VARIANT_TRUE;
    ThrowIfFailed(itf_->get_IsLast(&last), "Cannot read the packet's IsLast");
    return last != VARIANT_FALSE;
  }
  LONG Length() const {
    if (own_) return own_->Length();
    LONG length = 0;
    ThrowIfFailed(itf_->get_Length(&length), "Cannot read the packet's length");
    return length;
  }
  // The data string, rebuilt from the field values.
  std::string DataString() {
    if (own_) return own_->DataString();
    Bstr text;
    ThrowIfFailed(itf_->get_DataString(text.Out()), "Cannot read the packet's data string");
    return BstrToAnsi(text.Get());
  }
  void SetDataString(std::string_view text) {
    if (own_) return own_->SetDataString(std::string(text));
    Bstr b = Bstr::Attach(AnsiToBstr(text));
    ThrowIfFailed(itf_->put_DataString(b.Get()), "Cannot set the packet's data string");
  }

 private:
  IQAVZLVPacket* itf_;
  TQAVZLVPacket* own_;
};

// COUNT characters of S from the 1-based POSITION; the part that lies outside S
// is not there, so a slot past the end of a received string is shorter or empty.
std::string_view Slot(std::string_view s, std::int64_t position, std::int64_t count) {
  const auto length = static_cast<std::int64_t>(s.size());
  const std::int64_t begin = std::clamp<std::int64_t>(position - 1, 0, length);
  const std::int64_t end = std::clamp<std::int64_t>(position - 1 + count, 0, length);
  return end > begin ? s.substr(static_cast<std::size_t>(begin), static_cast<std::size_t>(end - begin))
                     : std::string_view();
}

}  // namespace

TQAVZLVProtocol::TQAVZLVProtocol() : library_(Create<IQAVZLVPacketLibrary>(CLSID_QAVZLVPacketLibrary)) {}

HRESULT TQAVZLVProtocol::get_ID(BSTR* result) {
  return Get(result, [&] { return id_; });
}
HRESULT TQAVZLVProtocol::put_ID(BSTR value) {
  return Guard([&] { id_ = BstrToAnsi(value); });
}
HRESULT TQAVZLVProtocol::get_Name(BSTR* result) {
  return Get(result, [&] { return name_; });
}
HRESULT TQAVZLVProtocol::put_Name(BSTR value) {
  return Guard([&] { name_ = BstrToAnsi(value); });
}
HRESULT TQAVZLVProtocol::get_Version(BSTR* result) {
  return Get(result, [&] { return version_; });
}
HRESULT TQAVZLVProtocol::put_Version(BSTR value) {
  return Guard([&] { version_ = BstrToAnsi(value); });
}
HRESULT TQAVZLVProtocol::get_PacketLibrary(IQAVZLVPacketLibrary** result) {
  return Get(result, [&] { return library_; });
}
HRESULT TQAVZLVProtocol::put_PacketLibrary(IQAVZLVPacketLibrary* value) {
  return Guard([&] { SetPacketLibrary(value); });
}

HRESULT TQAVZLVProtocol::PackPacket(IQAVZLVPacket* packet, BSTR* pktStr, LONG* result) {
  if (!pktStr) return E_POINTER;
  *pktStr = nullptr;
  return Get(result, [&] {
    std::string wire;
    LONG code = Pack(packet, wire);
    *pktStr = AnsiToBstr(wire);
    return code;
  });
}

HRESULT TQAVZLVProtocol::UnpackPacket(BSTR pktStr, IQAVZLVPacket* packet, LONG* result) {
  return Get(result, [&] { return Unpack(BstrToAnsi(pktStr), packet); });
}

HRESULT TQAVZLVProtocol::CreatePacket(BSTR pktId, VARIANT pktDef, LONG pktType, IQAVZLVPacket** result) {
  if (!result) return E_POINTER;
  *result = nullptr;
  ComPtr<IQAVZLVPacketLibrary> library = library_;
  if (!library) return S_OK;
  return library->CreatePacket(pktId, pktDef, pktType, result);
}

HRESULT TQAVZLVProtocol::Edit(VARIANT_BOOL* result) {
  if (!result) return E_POINTER;
  *result = VARIANT_FALSE;
  ComPtr<IQAVZLVPacketLibrary> library = library_;
  if (!library) return S_OK;
  return library->Edit(result);
}

IQAVZLVFrames* TQAVZLVProtocol::Frames(ComPtr<IQAVZLVFrames>& holder) const {
  if (!library_) throw ComError(E_POINTER, "The protocol has no packet library");
  if (auto* own = OwnClass<TQAVZLVPacketLibrary>(library_.Get())) return own->PacketStructs();
  ThrowIfFailed(library_->get_PacketStructs(holder.Out()), "Cannot read the packet library's frames");
  return holder.Get();
}

LONG TQAVZLVProtocol::Pack(IQAVZLVPacket* packet, std::string& wire) {
  wire.clear();
  ComPtr<IQAVZLVFrames> framesHolder;
  IQAVZLVFrames* frames = Frames(framesHolder);
  if (!packet) throw ComError(E_POINTER, "No packet to pack");
  PacketView pkt(packet);
  const LONG packetType = pkt.PacketType();

  ComPtr<IQAVZLVFrame> frame;
  if (auto* own = OwnClass<TQAVZLVFrames>(frames))
    frame = own->FindPacketType(packetType);
  else if (frames)
    ThrowIfFailed(frames->FindByPacketType(packetType, frame.Out()), "Cannot look the frame up");
  if (!frame) return qzlvpeUnknownPacketStructure;

  // Room for a usual packet from the start: the text grows item by item.
  std::string out;
  out.reserve(128);
  std::string crc;
  crc.reserve(128);
  for (const auto& item : FrameItemsOf(frame.Get())) {
    FrameItemView view(item.Get());
    std::string text;
    switch (view.ItemType()) {
      case qzlvpstConst:
        // The second value goes out while more packets follow, unless the item
        // has one value only.
        text = view.ValueText(!pkt.IsLast() && view.ValueCount() != 1 ? 1 : 0);
        break;
      case qzlvpstCounter: text = view.NextCounterText(); break;
      case qzlvpstReceiverID: text = view.Format(id_); break;
      case qzlvpstPacketID: text = packetType == qzlvptStart ? view.Format(pkt.ID()) : pkt.ID(); break;
      case qzlvpstData: text = view.Format(pkt.DataString()); break;
      case qzlvpstChecksum: text = view.Checksum(crc); break;
      default: break;  // an item of no known kind puts nothing on the line
    }
    out += text;
    if (view.HasFlag(qzlvpsfUseToCRCCalculation)) crc += text;
  }
  wire = std::move(out);
  return wire.empty() ? qzlvpeUnknownPacket : qzlvpeOK;
}

LONG TQAVZLVProtocol::Unpack(std::string_view wire, IQAVZLVPacket* packet) {
  ComPtr<IQAVZLVFrames> framesHolder;
  IQAVZLVFrames* frames = Frames(framesHolder);
  if (!packet) throw ComError(E_POINTER, "No packet to unpack into");
  PacketView pkt(packet);
  const LONG type = pkt.PacketType();
  const std::string id = pkt.ID();
  if (type == 0 || id.empty()) return qzlvpeUnknownPacket;

  ComPtr<IQAVZLVFrame> frame;
  if (auto* own = OwnClass<TQAVZLVFrames>(frames)) {
    frame = own->FindPacketID(id, type);
  } else if (frames) {
    Bstr idText = Bstr::Attach(AnsiToBstr(id));
    ThrowIfFailed(frames->FindByPacketID(idText.Get(), type, frame.Out()), "Cannot look the frame up");
  }
  if (!frame) return qzlvpeUnknownPacketStructure;

  const auto items = FrameItemsOf(frame.Get());
  std::vector<FrameItemView> views;
  views.reserve(items.size());
  for (const auto& item : items) views.emplace_back(item.Get());

  // The data area lies between the items before the first data item and the
  // items after the last one; its length must be the packet's.
  std::ptrdiff_t firstData = -1, lastData = -1, checksumItem = -1;
  for (std::size_t i = 0; i < views.size(); ++i) {
    const LONG itemType = views[i].ItemType();
    if (itemType == qzlvpstData) {
      if (firstData < 0) firstData = static_cast<std::ptrdiff_t>(i);
      lastData = static_cast<std::ptrdiff_t>(i);
    } else if (itemType == qzlvpstChecksum && checksumItem < 0) {
      checksumItem = static_cast<std::ptrdiff_t>(i);
    }
  }
  if (firstData >= 0) {
    std::int64_t head = 0, tail = 0;
    for (std::ptrdiff_t i = 0; i < firstData; ++i) head += views[static_cast<std::size_t>(i)].Size();
    for (std::size_t i = static_cast<std::size_t>(lastData) + 1; i < views.size(); ++i) tail += views[i].Size();
    const std::int64_t dataLength = static_cast<std::int64_t>(wire.size()) - head - tail;
    if (dataLength < 0 || dataLength != pkt.Length()) return qzlvpeUnknownPacket;
    FrameItemView& data = views[static_cast<std::size_t>(firstData)];
    data.SetOffset(static_cast<LONG>(head + 1));
    data.SetSize(static_cast<LONG>(dataLength));
  }

  std::int64_t shift = 0;
  std::string crc;
  std::string_view checksumSlot;
  bool endOfData = false;
  for (std::size_t i = 0; i < views.size(); ++i) {
    FrameItemView& view = views[i];
    const LONG size = view.Size();
    const LONG offset = view.Offset();
    const std::string_view slot = Slot(wire, offset + shift, size);
    if (view.HasFlag(qzlvpsfUseToCRCCalculation)) crc += slot;
    switch (view.ItemType()) {
      case qzlvpstConst: {
        const LONG count = view.ValueCount();
        LONG match = -1;
        for (LONG k = 0; k < count && match < 0; ++k)
          if (view.ValueText(k) == slot) match = k;
        if (match < 0) return qzlvpeInvalidPacket;
        if (match == 0 && view.HasFlag(qzlvpsEndOfDataIfFirst)) endOfData = true;
        break;
      }
      case qzlvpstPacketID: {
        const bool start = pkt.PacketType() == qzlvptStart;
        const std::string packetId = pkt.ID();
        std::string pattern = start ? std::string(packetId.size(), '?') : packetId;
        const std::size_t positions = std::min<std::size_t>(pattern.size(), static_cast<std::size_t>(std::max<LONG>(size, 0)));
        for (std::size_t j = 0; j < positions; ++j) {
          if (pattern[j] != '?') continue;
          // An identifier cut short by the end of the string is no identifier.
          if (j >= slot.size()) return qzlvpeInvalidPacket;
          pattern[j] = slot[j];
        }
        if (start)
          pkt.SetID(std::move(pattern));
        else if (pattern != slot)
          return qzlvpeInvalidPacket;
        break;
      }
      case qzlvpstData:
        pkt.SetDataString(Slot(wire, offset, size));
        shift = size;
        break;
      case qzlvpstChecksum:
        if (static_cast<std::ptrdiff_t>(i) == checksumItem) checksumSlot = slot;
        break;
      default: break;
    }
  }
  if (checksumItem >= 0 && views[static_cast<std::size_t>(checksumItem)].Checksum(crc) != checksumSlot)
    return qzlvpeBadChecksum;
  return endOfData ? qzlvpeEndOfData : qzlvpeOK;
}

}  // namespace zelvani
