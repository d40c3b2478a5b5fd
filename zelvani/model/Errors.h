// Exceptions of the packet model. Messages are ANSI (Windows-1250) texts.
#pragma once

#include <stdexcept>
#include <string>

namespace zelvani {

// A text that does not denote the value asked of it (hexadecimal digits, numbers).
class EConvertError : public std::runtime_error {
 public:
  explicit EConvertError(const std::string& message) : std::runtime_error(message) {}
};

// An index outside a list.
class EListError : public std::runtime_error {
 public:
  explicit EListError(const std::string& message) : std::runtime_error(message) {}
};

}  // namespace zelvani
