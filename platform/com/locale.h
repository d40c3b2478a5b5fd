// The process-wide format settings. Everything in the system that reads or writes
// numbers and dates as text "in the locale's format" reads them here; a host or a
// test changes them with SetFormatSettings.
#pragma once

#include <string>

#include "platform/com/types.h"

struct FormatSettings {
  char16_t DecimalSeparator = u'.';
  char16_t ThousandSeparator = u',';
  char16_t DateSeparator = u'-';
  char16_t TimeSeparator = u':';
  // Order and width of the short date: "y" year, "m" month, "d" day letters with
  // the date separator written as "/" (for example "yyyy/mm/dd" or "dd/mm/yyyy").
  std::u16string ShortDateFormat = u"yyyy/mm/dd";
};

COM_API FormatSettings GetFormatSettings();
COM_API void SetFormatSettings(const FormatSettings& s);
// Single separators without copying the whole settings (hot paths).
COM_API char16_t GetDecimalSeparator();
COM_API char16_t GetTimeSeparator();

// Sets the settings for the lifetime of the object and restores the old ones.
class ScopedFormatSettings {
 public:
  explicit ScopedFormatSettings(const FormatSettings& s) : saved_(GetFormatSettings()) { SetFormatSettings(s); }
  ~ScopedFormatSettings() { SetFormatSettings(saved_); }
  ScopedFormatSettings(const ScopedFormatSettings&) = delete;
  ScopedFormatSettings& operator=(const ScopedFormatSettings&) = delete;

 private:
  FormatSettings saved_;
};
