#include "platform/com/locale.h"

#include <atomic>
#include <mutex>

namespace {

// One settings object for the whole process. Function-local statics so that
// code running during static initialisation of other libraries sees defaults.
std::mutex& SettingsMutex() {
  static std::mutex m;
  return m;
}

FormatSettings& Settings() {
  static FormatSettings s;
  return s;
}

// Copies of the separators that readers take without the lock.
std::atomic<char16_t> g_decimal{FormatSettings{}.DecimalSeparator};
std::atomic<char16_t> g_time{FormatSettings{}.TimeSeparator};

}  // namespace

char16_t GetDecimalSeparator() { return g_decimal.load(std::memory_order_relaxed); }
char16_t GetTimeSeparator() { return g_time.load(std::memory_order_relaxed); }

FormatSettings GetFormatSettings() {
  std::lock_guard<std::mutex> lock(SettingsMutex());
  return Settings();
}

void SetFormatSettings(const FormatSettings& s) {
  std::lock_guard<std::mutex> lock(SettingsMutex());
  Settings() = s;
  g_decimal.store(s.DecimalSeparator, std::memory_order_relaxed);
  g_time.store(s.TimeSeparator, std::memory_order_relaxed);
}
