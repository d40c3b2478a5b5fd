// The failures that the control's records report: an index outside one of
// their lists, and a text that cannot be converted as asked. Messages are ANSI
// (Windows-1250) texts; the member guard hands them to the host as the error
// information's description.
#pragma once

#include <stdexcept>
#include <string>
#include <vector>

#include "platform/com/error.h"
#include "platform/com/types.h"

namespace corvatin {

// A text that does not denote what is asked of it (a format pattern, a number).
class EConvertError : public std::runtime_error {
 public:
  explicit EConvertError(const std::string& message) : std::runtime_error(message) {}
};

// Throws the list's index error, the same error the packet engine's lists give.
[[noreturn]] inline void ThrowListIndexError(LONG index) {
  throw ComError(DISP_E_BADINDEX, "List index out of bounds (" + std::to_string(index) + ")");
}

// Element I of a list, or the list's index error when I lies outside it.
template <class T>
T& ListItem(std::vector<T>& list, LONG i) {
  if (i < 0 || static_cast<std::size_t>(i) >= list.size()) ThrowListIndexError(i);
  return list[static_cast<std::size_t>(i)];
}
template <class T>
const T& ListItem(const std::vector<T>& list, LONG i) {
  if (i < 0 || static_cast<std::size_t>(i) >= list.size()) ThrowListIndexError(i);
  return list[static_cast<std::size_t>(i)];
}

}  // namespace corvatin
