#include "zelvani/devices/QAVZLVDeviceStatistics.h"

#include "platform/win/clock.h"

namespace zelvani {

ZELVANI_CLASS(TQAVZLVDeviceStatistics, CLSID_QAVZLVDeviceStatistics);

TQAVZLVDeviceStatistics::TQAVZLVDeviceStatistics() { Reset(); }

HRESULT TQAVZLVDeviceStatistics::get_PacketsSent(LONG* result) {
  return Get(result, [&] { return PacketsSent(); });
}

HRESULT TQAVZLVDeviceStatistics::get_PacketsReceived(LONG* result) {
  return Get(result, [&] { return PacketsReceived(); });
}

HRESULT TQAVZLVDeviceStatistics::get_Retransmissions(LONG* result) {
  return Get(result, [&] { return Retransmissions(); });
}

HRESULT TQAVZLVDeviceStatistics::get_AverageSpeed(double* result) {
  return Get(result, [&] { return AverageSpeed(); });
}

HRESULT TQAVZLVDeviceStatistics::ResetStatistics() {
  return Guard([&] { Reset(); });
}

void TQAVZLVDeviceStatistics::Reset() {
  std::lock_guard<std::mutex> hold(lock_);
  averageSpeed_ = 0;
  packetsReceived_.store(0, std::memory_order_relaxed);
  packetsSent_.store(0, std::memory_order_relaxed);
  retransmissions_.store(0, std::memory_order_relaxed);
  startTick_ = GetTickCount();
}

double TQAVZLVDeviceStatistics::AverageSpeed() {
  std::lock_guard<std::mutex> hold(lock_);
  const DWORD elapsed = GetTickCount() - startTick_;
  if (elapsed != 0) {
    const double packets = static_cast<double>(PacketsReceived()) + static_cast<double>(PacketsSent());
    averageSpeed_ = packets * 60000.0 / static_cast<double>(elapsed);
  }
  return averageSpeed_;
}

}  // namespace zelvani
