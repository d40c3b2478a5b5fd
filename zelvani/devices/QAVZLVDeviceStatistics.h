// The traffic counters of a device: packets sent and received, repeated
// transmissions, and the average number of packets per minute since the last
// reset. The device moves the counters; the host reads them through the
// device's Statistics property.
#pragma once

#include <atomic>
#include <mutex>

#include "zelvani/model/ZelvaniServer.h"

namespace zelvani {

class TQAVZLVDeviceStatistics final : public ZelvaniObject<IQAVZLVDeviceStatistics> {
 public:
  // Starts with every counter at 0 and the time base at the current tick.
  TQAVZLVDeviceStatistics();

  HRESULT get_PacketsSent(LONG* result) override;
  HRESULT get_PacketsReceived(LONG* result) override;
  HRESULT get_Retransmissions(LONG* result) override;
  HRESULT get_AverageSpeed(double* result) override;
  HRESULT ResetStatistics() override;

  // C++ access. The counters are read as they are, without the lock.
  LONG PacketsSent() const { return packetsSent_.load(std::memory_order_relaxed); }
  LONG PacketsReceived() const { return packetsReceived_.load(std::memory_order_relaxed); }
  LONG Retransmissions() const { return retransmissions_.load(std::memory_order_relaxed); }

  // The devices' increments: atomic, so a counter stays exact whatever thread
  // moves it.
  void IncPacketsSent() { packetsSent_.fetch_add(1, std::memory_order_relaxed); }
  void IncPacketsReceived() { packetsReceived_.fetch_add(1, std::memory_order_relaxed); }
  void IncRetransmissions() { retransmissions_.fetch_add(1, std::memory_order_relaxed); }

  // Zeroes the counters and the average and restarts the time base.
  void Reset();

  // Packets sent plus received per minute since the last reset, idle time
  // included (retransmissions do not count). The elapsed time is the 32-bit tick
  // difference, so one wrap of the tick counter is harmless. Read in the same
  // millisecond as the reset (elapsed 0) there is no rate to compute: the value
  // of the previous read is returned unchanged, which is 0 right after a reset.
  double AverageSpeed();

 private:
  std::mutex lock_;  // makes the reset and the average each one step
  double averageSpeed_ = 0;
  std::atomic<LONG> packetsReceived_{0};
  std::atomic<LONG> packetsSent_{0};
  std::atomic<LONG> retransmissions_{0};
  DWORD startTick_ = 0;
};

}  // namespace zelvani
