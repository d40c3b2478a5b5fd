// The serial device: a register on a serial port, driven by the flows of the
// protocol's packet library.
//
// Every operation that talks to the register (the open flow of Connect and
// Listen, ModeSwitch, the close flow of Disconnect, Abort, SendACK, SendNAK,
// WritePacket, ReadPacket) picks a flow type by operation and by the Master
// role, finds that flow in the packet library and runs its items one by one:
// an item sends characters or a packet, or reads characters or a packet and
// decides from its flags whether the step succeeded, must wait and read again,
// must be repeated after a NAK, or ends the exchange with a result code. A run
// that times out while reading, or reads something that matches nothing, is
// repeated as a whole: at most five runs, a master closing and reopening its
// port and sending its NAK flow in between; then the result is a time-out.
//
// A device without a protocol (or whose protocol has no packet library) works
// as with an empty library: every flow is missing (6) and no packet can be
// packed (5).
//
// The transport (IsOpen, SetActive, WriteString, ReadString) and the
// connection members are virtual: the hub and modem devices derive from this
// class, replace those and run the same interpreter.
//
// Texts are 8-bit: Windows-1250 in memory, packet wire strings as they go on
// the line.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "zelvani/devices/NVRCommDevice.h"
#include "zelvani/devices/QAVZLVDevice.h"

namespace zelvani {

// The result of one WriteString or ReadString.
enum TransferStatus : BYTE {
  tsDone = 1,
  tsReadTimeout = 7,   // a read ran out of time
  tsFailed = 8,        // failed for another reason
  tsUserBreak = 9,     // broken with the cancel key
  tsWriteTimeout = 10, // a write ran out of time
  tsSystemError = 11,  // a system call failed
  tsLineError = 12,    // the port reported a line error
};

// The outcome of one flow item, on which the flow run acts. Outcomes 7 to 12
// equal the transfer statuses that cause them.
enum FlowOutcome : BYTE {
  foNext = 1,             // go on: to the matched item's NextFlowItemID, else the next step
  foEndTransmission = 2,  // end the flow with 18
  foWait = 3,             // wait, then run the matched item's NextFlowItemID
  foNakRepeat = 4,        // repeat from the matched item's NextFlowItemID after a NAK
  foRejected = 5,         // end with 64
  foNoData = 6,           // run NextFlowItemID once, then end with 17
  foNoMatch = 7,          // nothing matched, or a read timed out: end with 7 (the flow is run again)
  foNak = 8,              // end with 32
  foUserBreak = 9,        // end with 100
  foWriteTimeout = 10,    // end with 33
  foSystemError = 11,     // end with 70
  foLineError = 12,       // end with 70
};

// The wait and NAK repetition counters of one flow run. A counter is unset
// (-1) until the first wait or NAK outcome of the run sets it from the matched
// item: RetryCount + 1, with the item's Interval.
struct FlowRunCounters {
  LONG waitCounter = -1;
  LONG waitInterval = 0;
  LONG nakCounter = -1;
  LONG nakInterval = 0;
};

class TQAVZLVComDevice : public TQAVZLVDevice {
 public:
  // The port component with this device's defaults (COM2, 19200 Bd, 8N1,
  // hardware handshake flags, 20 s time-outs); DeviceType 1.
  TQAVZLVComDevice();
  // Closes the port (through the component) before the base goes.
  ~TQAVZLVComDevice() override;

  // Read and write time-outs of the port while a packet is written or read.
  static constexpr int kPacketReadTimeout = 2000;
  static constexpr int kPacketWriteTimeout = 1000;
  // Open-flow time-outs that Connect uses when none are set, and Listen's.
  static constexpr int kOpenTimeout = 10000;
  static constexpr int kListenTimeout = 500;
  // A received packet never grows beyond this many characters, whatever the
  // library's frames say.
  static constexpr std::size_t kMinPacketCap = 4096;
  // One run of a flow executes at most this many items between two of its
  // wait or NAK repetitions (which the items' RetryCount bounds): a library
  // whose steps lead back to themselves must not write or read for ever. Real
  // flows take a handful of steps between repetitions.
  static constexpr int kMaxFlowSteps = 10000;

  // ---- IQAVZLVDevice slots
  // IsOpen.
  bool IsConnected() override;
  // Port name, line settings from Address, port opened, multiplexer switched,
  // open flow run. False with 69 when the port cannot be opened (its name
  // refused, the component failing; the port is then closed), with 67
  // when the multiplexer cannot be switched (the port is then closed), or with
  // the open flow's result.
  bool DoConnect() override;
  // Close flow, drain, pause, port off (kept open by KeepConnection or a slave).
  bool DoDisconnect() override;
  // Close-writing flow and port off, when open.
  void DoAbort() override;
  // The SWITCHMODE flow; reading mode from now on.
  bool DoModeSwitch() override;
  // Packs the packet and runs the WRITEPACKET flow (a slave's error packet:
  // E_WRITEERRORPACKET) with the packet time-outs on the port; counts the
  // packet and keeps its string when the result is 0.
  LONG DoWritePacket(IQAVZLVPacket* packet) override;
  // Runs the READPACKET flow with the packet time-outs and identifies what it
  // read: as the packet was prepared, then as each definition in order.
  LONG DoReadPacket(IQAVZLVPacket* packet) override;
  // WriteString, its status as a result code; LastError is not changed.
  LONG DoSendString(const std::string& buffer) override;
  void DoSendACK() override;
  void DoSendNAK() override;
  // Connect with short open time-outs and without saving the report.
  bool DoListen() override;
  // Closes and reopens an open port (as SetActive allows).
  bool DoReset() override;

  // ---- transport
  // The port component's state.
  virtual bool IsOpen();
  // Opens or closes the port; an open port of a slave or of a device with
  // KeepConnection is left open (and not reopened).
  virtual void SetActive(bool value);
  // Sends DATA; a TransferStatus.
  virtual BYTE WriteString(const std::string& data);
  // Reads COUNT characters, or up to TERMINATOR when one is given, into DATA
  // (what arrived, also on failure); a TransferStatus.
  virtual BYTE ReadString(std::string& data, LONG count, const std::string& terminator);

  // ---- flows
  // The open flow, with the open time-outs on the port; true when it ended
  // with 0 or when the library has no open flow.
  virtual bool Open();
  // The close flow for the current mode; true as for Open.
  virtual bool Close();
  // Switches the multiplexer that SETTINGS names; false when it could not be.
  virtual bool SwitchMux(const std::string& settings);
  // Runs ITEM and, when it reads, its alternatives: ITEM becomes the
  // alternative that matched. DATA is the packet string sent by a packet item,
  // or receives the packet that a packet item read. A FlowOutcome.
  virtual BYTE ExecuteFlowItem(IQAVZLVFlow* flow, ComPtr<IQAVZLVFlowItem>& item, std::string& data,
                               FlowRunCounters& counters);
  // One run of the flow of FLOWTYPE; the result (also in LastError). A run
  // that executes more than kMaxFlowSteps items without a wait or NAK
  // repetition ends with 65 and a report line.
  virtual LONG ExecuteFlow(LONG flowType, std::string& data);
  // Up to five runs of ExecuteFlow while a run ends with 7; then 33.
  virtual LONG RunFlow(LONG flowType, std::string& data);

  // The line settings of the settings string: Speed, DataBits, StopBits,
  // Parity, FlowControl, Timeout, each key set to its default when absent.
  void ApplyPortSettings(const std::string& settings);

  // ---- state
  TNVRCommDevice& CommPort() { return *port_; }
  const TNVRCommDevice& CommPort() const { return *port_; }
  // The multiplexer named by the last switch, upper-cased.
  const std::string& MUXName() const { return muxName_; }
  // Open-flow time-outs in ms; -1 when unset.
  LONG OpenReadTimeout() const { return openReadTimeout_; }
  LONG OpenWriteTimeout() const { return openWriteTimeout_; }
  void SetOpenTimeouts(LONG read, LONG write) {
    openReadTimeout_ = read;
    openWriteTimeout_ = write;
  }
  // True after ModeSwitch, false after Connect: picks the close flow.
  bool ReadingMode() const { return readingMode_; }
  void SetReadingMode(bool reading) { readingMode_ = reading; }

  // The port time-outs around WritePacket and ReadPacket (kPacketReadTimeout
  // and kPacketWriteTimeout unless changed).
  void SetPacketTimeouts(int readMs, int writeMs) {
    packetReadTimeout_ = readMs;
    packetWriteTimeout_ = writeMs;
  }

  // Whether report lines are written: the report switch of the protocol's
  // library (ReportOn, read directly from this module's objects).
  bool ReportEnabled() const;
  // Adds TEXT to the communication report when ReportEnabled.
  void ReportLine(std::string_view text) const;

  // The longest packet that a read takes in: twice the longest frame that the
  // protocol's library can produce, at least kMinPacketCap.
  std::size_t PacketCap() const;

 protected:
  // The close-writing flow of Abort and port off, when the port is open.
  void AbortOpenPort();
  // The flow of FLOWTYPE in the protocol's library; null when there is none
  // (also without a protocol or library).
  ComPtr<IQAVZLVFlow> FindFlow(LONG flowType) const;

 private:
  // Reads a packet item's packet onto DATA: one character at a time until a
  // delimiter of the item occurs, then the characters after it. A
  // TransferStatus, or foNoMatch when the packet passes the cap.
  BYTE ReceivePacket(IQAVZLVFlowItem* item, std::string& data);
  // The outcome of a matched alternative, by its flags.
  BYTE MatchedOutcome(IQAVZLVFlowItem* item, FlowRunCounters& counters);
  // The status of a failed transfer, from the component's error type.
  BYTE FailedStatus(bool write) const;
  // The guarded part of Connect; throws on any failure of the port.
  void OpenPortForConnect();
  // Closes the component's port, whatever the role, after a failed Connect.
  void ClosePortAfterFailedConnect() noexcept;
  LONG PackPacket(IQAVZLVPacket* packet, std::string& wire);
  LONG UnpackPacket(const std::string& wire, IQAVZLVPacket* packet);
  bool FlowOk() const;

  std::unique_ptr<TNVRCommDevice> port_;
  std::string muxName_;
  LONG openReadTimeout_ = -1;
  LONG openWriteTimeout_ = -1;
  bool readingMode_ = false;
  int packetReadTimeout_ = kPacketReadTimeout;
  int packetWriteTimeout_ = kPacketWriteTimeout;
};

}  // namespace zelvani
