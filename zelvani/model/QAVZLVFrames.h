// The frames (packet structures) of a packet library, with the lookups that pick
// the frame for packing and unpacking.
#pragma once

#include <string>

#include "zelvani/model/DispatchCollection.h"

namespace zelvani {

class TQAVZLVFrames final : public DispatchCollectionBase<IQAVZLVFrames, IQAVZLVFrame> {
 public:
  HRESULT get_PacketLibraray(IQAVZLVPacketLibrary** result) override;
  HRESULT put_PacketLibraray(IQAVZLVPacketLibrary* value) override;
  HRESULT get_Items(LONG i, IQAVZLVFrame** result) override;
  HRESULT FindByPacketType(LONG packetType, IQAVZLVFrame** result) override;
  HRESULT FindByPacketID(BSTR id, LONG packetType, IQAVZLVFrame** result) override;
  HRESULT LoadFromFile(BSTR fileName, VARIANT_BOOL* result) override;
  HRESULT SaveToFile(BSTR fileName, VARIANT_BOOL* result) override;
  HRESULT Clear() override;
  HRESULT CopyFrom(IQAVZLVFrames* source, VARIANT_BOOL* result) override;
  HRESULT Edit(VARIANT_BOOL* result) override;

  // The library that owns this collection. The library holds the collection, so
  // the collection keeps only a plain pointer back to it (a counted one would
  // keep both alive for ever); the library clears it when it is destroyed.
  // While an owner is set it is the collection's library unless a client puts
  // another one.
  void SetOwnerLibrary(IQAVZLVPacketLibrary* owner);
  void ClearOwnerLibrary();
  IQAVZLVPacketLibrary* OwnerLibrary() const { return owner_; }

  // The library whose packet definitions FindByPacketID consults (not counted
  // when it is the owner).
  IQAVZLVPacketLibrary* Library() const { return library_; }
  // Stores the library as a put does: a counted reference unless it is the owner.
  void SetLibrary(IQAVZLVPacketLibrary* library);

  // Lookups (ANSI texts). FindPacketType: the first frame of exactly that type.
  // FindPacketID: the frame of the first definition of the library whose ID and
  // PacketType equal the arguments and whose frame identifier names a frame
  // here; throws when the collection has no library.
  ComPtr<IQAVZLVFrame> FindPacketType(LONG packetType) const;
  ComPtr<IQAVZLVFrame> FindPacketID(const std::string& id, LONG packetType) const;

  // Deep copy: cleared, then one new frame per source frame, created through
  // the object layer, appended and made to copy it. A collection that no library
  // owns then takes the source's library; an owned one keeps its own. False for
  // null.
  bool CopyFromSource(IQAVZLVFrames* source);

 protected:
  void ItemAdded(IQAVZLVFrame* item, LONG index) override;

 private:
  IQAVZLVPacketLibrary* owner_ = nullptr;
  IQAVZLVPacketLibrary* library_ = nullptr;
  ComPtr<IQAVZLVPacketLibrary> heldLibrary_;  // the counted reference to a library that is not the owner
};

}  // namespace zelvani
