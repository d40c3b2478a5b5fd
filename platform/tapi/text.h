// Text helpers of the telephony layer, for what the modem answers and what the
// registry holds: upper case of ASCII letters, and blanks trimmed.
#pragma once

#include <string>

namespace tapi {

inline std::string Upper(std::string s) {
  for (char& c : s)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return s;
}

// S without the blanks and tabs around it.
inline std::string TrimBlanks(const std::string& s) {
  const auto b = s.find_first_not_of(" \t");
  if (b == std::string::npos) return {};
  return s.substr(b, s.find_last_not_of(" \t") - b + 1);
}

}  // namespace tapi
