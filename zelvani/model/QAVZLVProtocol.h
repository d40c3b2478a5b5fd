// The protocol object: owns a packet library, turns a packet into the exact
// string that goes on the line (PackPacket) and checks a received string against
// a packet, filling the packet from it (UnpackPacket).
#pragma once

#include <string>
#include <string_view>

#include "zelvani/model/ZelvaniServer.h"

namespace zelvani {

class TQAVZLVProtocol final : public ZelvaniObject<IQAVZLVProtocol> {
 public:
  // Creates the owned, empty packet library through the object layer.
  TQAVZLVProtocol();

  HRESULT get_ID(BSTR* result) override;
  HRESULT put_ID(BSTR value) override;
  HRESULT get_Name(BSTR* result) override;
  HRESULT put_Name(BSTR value) override;
  HRESULT get_Version(BSTR* result) override;
  HRESULT put_Version(BSTR value) override;
  HRESULT get_PacketLibrary(IQAVZLVPacketLibrary** result) override;
  HRESULT put_PacketLibrary(IQAVZLVPacketLibrary* value) override;
  HRESULT PackPacket(IQAVZLVPacket* packet, BSTR* pktStr, LONG* result) override;
  HRESULT UnpackPacket(BSTR pktStr, IQAVZLVPacket* packet, LONG* result) override;
  HRESULT CreatePacket(BSTR pktId, VARIANT pktDef, LONG pktType, IQAVZLVPacket** result) override;
  HRESULT Edit(VARIANT_BOOL* result) override;

  // C++ access (texts are 8-bit: ANSI, wire strings in code page 852).
  const std::string& ID() const { return id_; }
  void SetID(std::string v) { id_ = std::move(v); }
  const std::string& Name() const { return name_; }
  void SetName(std::string v) { name_ = std::move(v); }
  const std::string& Version() const { return version_; }
  void SetVersion(std::string v) { version_ = std::move(v); }
  IQAVZLVPacketLibrary* PacketLibrary() const { return library_.Get(); }
  void SetPacketLibrary(IQAVZLVPacketLibrary* library) { library_ = ComPtr<IQAVZLVPacketLibrary>(library); }

  // The wire string of PACKET into WIRE (emptied first); the result is a
  // QAVZLVProtocolError code. Throws without a library or packet, and when a
  // frame item fails (a constant item without values).
  LONG Pack(IQAVZLVPacket* packet, std::string& wire);
  // Checks the received string WIRE against PACKET and fills the packet from
  // it; the result is a QAVZLVProtocolError code.
  LONG Unpack(std::string_view wire, IQAVZLVPacket* packet);

 private:
  IQAVZLVFrames* Frames(ComPtr<IQAVZLVFrames>& holder) const;

  std::string id_ = "0";
  std::string name_;
  ComPtr<IQAVZLVPacketLibrary> library_;
  std::string version_;
};

}  // namespace zelvani
