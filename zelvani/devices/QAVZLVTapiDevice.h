// The modem device: a register reached through a modem. It dials a data call
// on a telephony line with the line component, hands the call's handle to its
// serial port component, and from then on runs exactly the flows of the serial
// device over that handle.
//
// Only the connection members (Connect, Disconnect, Abort, Reset) and the
// transport's SetActive are its own, with the transfer operations wrapped to
// take in the line's events first: the port is the call, so SetActive
// re-attaches the call's handle or leaves an established call alone, and never
// opens a port by name.
//
// Line events arrive on the line component's message thread. They are queued
// there and applied on the caller's thread (in the dial wait and at the start
// of every operation), so the error state is only ever written by the caller's
// thread. A call lost during an operation makes that operation end with 68,
// and the next Connect dials a new call instead of reusing it.
#pragma once

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "zelvani/devices/QAVZLVComDevice.h"
#include "zelvani/devices/jtqTAPILine.h"

namespace zelvani {

class TQAVZLVTapiDevice : public TQAVZLVComDevice {
 public:
  // Time allowed for a call to connect when the settings name none.
  static constexpr LONG kDefaultConnectionTimeout = 120000;
  // How often the dial wait looks at the line's events.
  static constexpr DWORD kDialPoll = 50;

  // The serial device with port name COM1, the line component registered
  // (throws when the telephony layer refuses) with its events bound;
  // DeviceType 2.
  TQAVZLVTapiDevice();
  // Drops a call that is up and closes the line before the component goes.
  ~TQAVZLVTapiDevice() override;

  // ---- IQAVZLVDevice slots
  // Dials (unless a call is up and not seen lost), resets the port, switches a remote
  // multiplexer and runs the open flow over the call. False with 70 when the
  // dial cannot be started, 33 when the call does not connect within the
  // connection time-out, 65/67/68/69 from the line's events (the call is then
  // dropped and the line closed), or the open flow's result.
  bool DoConnect() override;
  // The serial close flow over the call; the call dropped and the line closed
  // unless KeepConnection.
  bool DoDisconnect() override;
  // The close-writing flow over an open call, then the call dropped and the
  // line closed unless KeepConnection.
  void DoAbort() override;
  // Purges and restores the call's port; true.
  bool DoReset() override;

  // ---- transport
  // Re-attaches the call's handle (true) or lets go of a call that is gone
  // (false); an established call is left alone either way.
  void SetActive(bool value) override;
  BYTE WriteString(const std::string& data) override;
  BYTE ReadString(std::string& data, LONG count, const std::string& terminator) override;
  // The serial run; 68 when the call was lost meanwhile.
  LONG RunFlow(LONG flowType, std::string& data) override;

  // ---- state
  TjtqTAPILine& TapiLine() { return *line_; }
  LONG ConnectionTimeout() const { return connectionTimeout_; }
  bool Waiting() const { return waiting_.load(); }

 private:
  struct LineEvent {
    bool connect;  // the call connected: attach its handle
    LONG code;     // else the result code to set
  };

  // The line settings of Address; throws when the named line does not exist.
  void ApplyLineSettings();
  void SendRemoteMux();
  // "DIAL '<number>'": the report line of a dial; its failure adds " : <code>".
  std::string DialLine() const;
  // Called on the line's thread: keeps the event for the caller's thread
  // while a call is being placed or held.
  void QueueLineEvent(LineEvent e);
  // Applies the queued events on the caller's thread.
  void ApplyLineEvents();
  // The modem's carrier on the call's port (always true for a call opened
  // without dialling).
  bool CarrierPresent();
  // Drops the call, closes the line and lets go of the handle; no failure
  // escapes. Events of that call are no longer taken in.
  void DropCall() noexcept;

  std::unique_ptr<TjtqTAPILine> line_;
  std::atomic<bool> waiting_{false};
  DWORD dialStart_ = 0;
  LONG connectionTimeout_ = kDefaultConnectionTimeout;
  // Caller's thread only: a call was established by the last Connect, and it
  // has been lost since (the next Connect then dials).
  bool callUp_ = false;
  bool callLost_ = false;

  std::mutex eventsMutex_;
  std::vector<LineEvent> events_;
  bool acceptingEvents_ = false;
};

}  // namespace zelvani
