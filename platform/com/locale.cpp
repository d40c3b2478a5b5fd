#include "platform/com/locale.h"

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

}  // namespace

FormatSettings GetFormatSettings() {
  std::lock_guard<std::mutex> lock(SettingsMutex());
  return Settings();
}

void SetFormatSettings(const FormatSettings& s) {
  std::lock_guard<std::mutex> lock(SettingsMutex());
  Settings() = s;
}
