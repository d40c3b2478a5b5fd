// The hub device: a register reached not through a port of its own but through
// a channel link of the communication hub service, a separate program found in
// the running-object table by its program identifier. Setting Master opens the
// channel (master or slave); Connect and Disconnect run the open and close
// flows over the link; reads, writes and resets go through the link.
//
// Only the transport (IsOpen, SetActive, WriteString, ReadString) and the
// connection members (Master put, Connect, Disconnect, Reset) are replaced:
// the flows run in the serial device's interpreter, which leaves the port
// time-outs alone for this device type. A failed write ends a flow with 70 and
// a read that gets nothing within a second with 33 at once.
//
// Without a channel (no Master put yet, or a failed one) nothing touches a
// link: Connect fails with 67, writes and reads fail with their failure status,
// Reset answers false.
#pragma once

#include <functional>
#include <string>

#include "zelvani/devices/QAVZLVComDevice.h"
#include "zelvani/devices/TandrelInterfaces.h"

namespace zelvani {

class TQAVZLVTandrelDevice : public TQAVZLVComDevice {
 public:
  // A serial device's defaults (DeviceType 1), no hub and no link.
  TQAVZLVTandrelDevice();
  // Gives the channel back when one is held.
  ~TQAVZLVTandrelDevice() override;

  // How long a read polls the link for its characters.
  static constexpr DWORD kReadTimeout = 1000;
  // The channel the device asks for, its name and descriptions.
  static constexpr LONG kChannel = 1;
  static constexpr const char* kChannelName = "Channel 1";
  static constexpr const char* kMasterDescription = "ZV as master";
  static constexpr const char* kSlaveDescription = "ZV as slave";
  // What Port reads once a channel is open.
  static constexpr const char* kPortName = "QAVTandrel";
  // The box shown when the hub cannot be used.
  static constexpr const char* kConnectFailedText = "Can't connect to QAVTandrel";

  // ---- IQAVZLVDevice slots
  // Stores the role, gives a held channel back, and opens a new one: on the
  // running hub, else (the running one failing with a COM error) on a newly
  // created one. DeviceType 4 and Port "QAVTandrel" then; DeviceType 0 and an
  // empty Port when no channel could be opened. A COM failure of the second
  // attempt fails the member with its text; any other failure shows the box
  // kConnectFailedText instead.
  void SetMaster(bool master) override;
  // Close flow when the link is marked open (the result is ignored), then the
  // open flow over the link; 67 without a channel.
  bool DoConnect() override;
  // Close flow and the link marked closed; true when it was not open.
  bool DoDisconnect() override;
  // Resets the channel; false without one.
  bool DoReset() override;

  // ---- transport
  // The link's open mark (the channel itself stays open).
  bool IsOpen() override;
  void SetActive(bool value) override;
  // Sends DATA through the link: tsDone, or tsSystemError when the hub did not
  // take it or there is no link.
  BYTE WriteString(const std::string& data) override;
  // Polls the link every millisecond for COUNT characters, at most
  // kReadTimeout: tsDone, or tsWriteTimeout (the status that ends a flow with
  // 33 at once) when none came or there is no link. The terminator is not used.
  BYTE ReadString(std::string& data, LONG count, const std::string& terminator) override;

  // ---- state
  IQAVTandrel* Hub() const { return hub_.Get(); }
  IQAVCommLink* Link() const { return link_.Get(); }

  // Where the device's message boxes go; by default the text goes to
  // standard error. Null restores the default.
  static void SetMessageBoxHandler(std::function<void(const std::string&)> handler);

 private:
  // Opens the channel on HUB; throws ComError when a call of the hub fails and
  // std::runtime_error when the object is no hub or gives no link.
  void OpenChannelOn(IUnknown* hub);
  // Gives the held channel back and drops hub and link; throws when the hub
  // fails the release (hub and link are dropped all the same).
  void ReleaseHeldChannel();

  ComPtr<IQAVTandrel> hub_;
  ComPtr<IQAVCommLink> link_;
  bool linkOpen_ = false;
};

}  // namespace zelvani
