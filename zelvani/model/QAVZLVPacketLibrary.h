// The packet library: the root of one protocol's definitions. It owns the flows,
// the frames (packet structures) and the packet definitions, loads all three
// from one definitions file, reads the communication report switch from it and
// makes packets bound to its definitions.
#pragma once

#include <string>

#include "zelvani/model/ZelvaniServer.h"

namespace zelvani {

class TQAVZLVFlows;
class TQAVZLVPacketDefs;
class TQAVZLVFrames;

class TQAVZLVPacketLibrary final : public ZelvaniObject<IQAVZLVPacketLibrary> {
 public:
  // Creates the flows, the packet definitions and the frames, in that order,
  // through the object layer, and makes the frames point back to this library.
  TQAVZLVPacketLibrary();
  // Withdraws the frames' pointer back to this library: the frames may outlive
  // it when a client still holds them.
  ~TQAVZLVPacketLibrary() override;

  HRESULT get_ID(BSTR* result) override;
  HRESULT put_ID(BSTR value) override;
  HRESULT get_Name(BSTR* result) override;
  HRESULT put_Name(BSTR value) override;
  HRESULT get_Version(BSTR* result) override;
  HRESULT put_Version(BSTR value) override;
  HRESULT get_Flows(IQAVZLVFlows** result) override;
  HRESULT get_PacketDefs(IQAVZLVPacketDefs** result) override;
  HRESULT get_PacketStructs(IQAVZLVFrames** result) override;
  HRESULT get_CreateReport(VARIANT_BOOL* result) override;
  HRESULT put_CreateReport(VARIANT_BOOL value) override;
  HRESULT get_FileName(BSTR* result) override;
  HRESULT put_FileName(BSTR value) override;
  HRESULT SaveToFile(BSTR fileName, VARIANT_BOOL* result) override;
  HRESULT LoadFromFile(BSTR fileName, VARIANT_BOOL* result) override;
  HRESULT CreatePacket(BSTR pktId, VARIANT pktDef, LONG pktType, IQAVZLVPacket** result) override;
  HRESULT Edit(VARIANT_BOOL* result) override;

  // C++ access (texts are ANSI).
  const std::string& ID() const { return id_; }
  void SetID(std::string v) { id_ = std::move(v); }
  const std::string& Name() const { return name_; }
  void SetName(std::string v) { name_ = std::move(v); }
  const std::string& Version() const { return version_; }
  void SetVersion(std::string v) { version_ = std::move(v); }
  const std::string& FileName() const { return fileName_; }
  void SetFileName(std::string v) { fileName_ = std::move(v); }
  bool CreateReport() const { return createReport_; }
  void SetCreateReport(bool v) { createReport_ = v; }

  // The owned collections: the interfaces, and their classes (null only if an
  // object of another module stood in for one).
  IQAVZLVFlows* Flows() const { return flows_.Get(); }
  IQAVZLVPacketDefs* PacketDefs() const { return packetDefs_.Get(); }
  IQAVZLVFrames* PacketStructs() const { return packetStructs_.Get(); }
  TQAVZLVFlows* FlowList() const;
  TQAVZLVPacketDefs* PacketDefList() const;
  TQAVZLVFrames* FrameList() const;

  // Loads the definitions file: the flows, then the frames, then the packet
  // definitions, each stopping the load at its failure, then the report switch.
  // On success FileName becomes `fileName`. A failure leaves the collections
  // read before it with the new content and the later ones as they were.
  // Throws when an existing file cannot be read.
  bool Load(const std::string& fileName);

  // The report switch: the first line that mentions CreateCommunicationReport
  // and has a line two below it decides CreateReport by whether that line,
  // without its blanks, begins with "1". False when the file does not exist;
  // True otherwise, with CreateReport unchanged when no line decides it.
  bool ReadCreateReport(const std::string& fileName);

  // A new packet of this library bound to the definition with identifier `id`
  // (or, when `id` is empty, with name `name`) of packet type `type`, its field
  // values set to their defaults; null when no definition binds.
  ComPtr<IQAVZLVPacket> NewPacket(const std::string& id, const std::string& name, LONG type);

 private:
  std::string id_;
  std::string name_;
  std::string version_;
  ComPtr<IQAVZLVFlows> flows_;
  ComPtr<IQAVZLVPacketDefs> packetDefs_;
  ComPtr<IQAVZLVFrames> packetStructs_;
  bool createReport_ = false;
  std::string fileName_;
};

}  // namespace zelvani
