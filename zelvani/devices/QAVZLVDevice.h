// The abstract device behind IQAVZLVDevice: the settings every device has, the
// error state with its Polish texts, the statistics object and the last packet
// strings, and do-nothing transfer operations that the concrete devices (serial,
// hub, modem) replace.
//
// Each interface member runs its body under the member guard and calls one
// virtual slot below; a concrete device replaces a member by overriding the
// slot, never the interface member itself. The class has no class factory: only
// the concrete devices, registered with their own class identifiers, can be
// created.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "zelvani/devices/QAVZLVDeviceStatistics.h"
#include "zelvani/model/ZelvaniServer.h"

namespace zelvani {

// The message table of the result codes: one line per code, "<code>=<text>",
// lines separated by CR LF, in Windows-1250. Codes 7 and 18 have no line.
const std::string& ErrorMessageTable();
// "Wystąpił niezidentyfikowany błąd: <code>", the text of a code without a line.
std::string FallbackErrorText(LONG code);

class TQAVZLVDevice : public ZelvaniObject<IQAVZLVDevice> {
 public:
  // IQAVZLVDevice: each member calls its slot.
  HRESULT get_Address(BSTR* result) final;
  HRESULT put_Address(BSTR value) final;
  HRESULT get_Port(BSTR* result) final;
  HRESULT put_Port(BSTR value) final;
  HRESULT get_DeviceType(LONG* result) final;
  HRESULT get_Master(VARIANT_BOOL* result) final;
  HRESULT put_Master(VARIANT_BOOL value) final;
  HRESULT get_Protocol(IQAVZLVProtocol** result) final;
  HRESULT put_Protocol(IQAVZLVProtocol* value) final;
  HRESULT get_KeepConnection(VARIANT_BOOL* result) final;
  HRESULT put_KeepConnection(VARIANT_BOOL value) final;
  HRESULT get_IsConnected(VARIANT_BOOL* result) final;
  HRESULT get_LastError(LONG* result) final;
  HRESULT get_LastErrorMessage(BSTR* result) final;
  HRESULT get_Statistics(IQAVZLVDeviceStatistics** result) final;
  HRESULT get_LastPacketSent(BSTR* result) final;
  HRESULT get_LastPacketReceived(BSTR* result) final;
  HRESULT Connect(VARIANT_BOOL* result) final;
  HRESULT Disconnect(VARIANT_BOOL* result) final;
  HRESULT ModeSwitch(VARIANT_BOOL* result) final;
  HRESULT WritePacket(IQAVZLVPacket* packet, LONG* result) final;
  HRESULT ReadPacket(IQAVZLVPacket* packet, LONG* result) final;
  HRESULT SendString(BSTR buffer, LONG* result) final;
  HRESULT SendACK() final;
  HRESULT SendNAK() final;
  HRESULT Abort() final;
  HRESULT Listen(VARIANT_BOOL* result) final;
  HRESULT Reset(VARIANT_BOOL* result) final;

  // ---- Slots. Texts are 8-bit (Windows-1250).

  // False.
  virtual bool IsConnected();
  // The device settings string, "Key=value" pairs separated by ";".
  virtual std::string Address() const;
  virtual void SetAddress(std::string address);
  // The port name ("COM2" and the like).
  virtual std::string Port() const;
  // Disconnects first (its result ignored), then stores the name.
  virtual void SetPort(std::string port);
  // The device's statistics object, the same one on every call.
  virtual ComPtr<IQAVZLVDeviceStatistics> Statistics() const;
  // A QAVZLVDeviceType value; each concrete class sets its own.
  virtual LONG DeviceType() const;
  // True when the PC is the master of the exchange (the default).
  virtual bool Master() const;
  virtual void SetMaster(bool master);
  // The protocol object that packs and unpacks and holds the packet library.
  virtual ComPtr<IQAVZLVProtocol> Protocol() const;
  virtual void SetProtocol(IQAVZLVProtocol* protocol);
  // Keep an open port open between operations.
  virtual bool KeepConnection() const;
  virtual void SetKeepConnection(bool keep);
  // The result of the last operation (a QAVZLVProtocolError code) and its text.
  virtual LONG LastError() const;
  virtual std::string LastErrorMessage() const;
  // Wire strings of the last packet sent successfully and the last one identified.
  virtual std::string LastPacketSent() const;
  virtual std::string LastPacketReceived() const;

  // The transfer operations: the base versions do nothing and fail.
  // False.
  virtual bool DoConnect();
  // False.
  virtual bool DoDisconnect();
  // Nothing.
  virtual void DoAbort();
  // False.
  virtual bool DoModeSwitch();
  // qzlvpeUnexpected (65), LastError unchanged.
  virtual LONG DoWritePacket(IQAVZLVPacket* packet);
  // qzlvpeUnexpected (65), LastError unchanged.
  virtual LONG DoReadPacket(IQAVZLVPacket* packet);
  // qzlvpeUnexpected (65); sending a string never stores its result in LastError.
  virtual LONG DoSendString(const std::string& buffer);
  // Nothing.
  virtual void DoSendACK();
  virtual void DoSendNAK();
  // SetError(65); false.
  virtual bool DoListen();
  // True.
  virtual bool DoReset();

  // Fills ErrorTexts with the message table. The constructor calls the base
  // version; a device that overrides it calls its own in its constructor.
  virtual void LoadErrorTexts();

  // LastError := CODE and LastErrorMessage := its text from ErrorTexts (the
  // value of the line named by the decimal code), or the fallback text when
  // there is none or it is empty. Returns CODE.
  LONG SetError(LONG code);

  // The text of CODE as SetError would give it.
  std::string ErrorText(LONG code) const;

  const std::vector<std::string>& ErrorTexts() const { return errorTexts_; }

  // The statistics object's counters, for the transfer operations.
  TQAVZLVDeviceStatistics& Stats() const { return *stats_; }

  // Whether report lines are written: the packet library's CreateReport switch
  // of this device's protocol; false while no protocol or library is set.
  bool ReportOn() const;
  // Adds TEXT to the communication report when ReportOn; returns ReportOn.
  bool Report(std::string_view text) const;

 protected:
  // Creates the statistics object through the object layer, Master True,
  // KeepConnection False, the message table loaded; LastError 0 with an empty
  // message.
  TQAVZLVDevice();

  void SetDeviceType(LONG type) { deviceType_ = type; }
  void SetLastPacketSent(std::string s) { lastPacketSent_ = std::move(s); }
  void SetLastPacketReceived(std::string s) { lastPacketReceived_ = std::move(s); }
  std::vector<std::string>& MutableErrorTexts() { return errorTexts_; }

 private:
  ComPtr<IQAVZLVDeviceStatistics> statistics_;
  TQAVZLVDeviceStatistics* stats_ = nullptr;  // the class behind statistics_
  std::vector<std::string> errorTexts_;
  std::string address_;
  std::string port_;
  LONG deviceType_ = qzlvdtUnknown;
  bool master_ = true;
  ComPtr<IQAVZLVProtocol> protocol_;
  bool keepConnection_ = false;
  LONG lastError_ = qzlvpeOK;
  std::string lastErrorMessage_;
  std::string lastPacketReceived_;
  std::string lastPacketSent_;
};

}  // namespace zelvani
