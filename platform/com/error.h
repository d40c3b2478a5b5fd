// The exception that carries a failing HRESULT out of a member body. Messages of
// all exceptions in the components are ANSI (Windows-1250) texts; the member
// guard turns them into the error information's description.
#pragma once

#include <stdexcept>
#include <string>

#include "platform/com/types.h"

class COM_API ComError : public std::runtime_error {
 public:
  ComError(HRESULT hr, const std::string& message) : std::runtime_error(message), hr_(hr) {}
  HRESULT Code() const noexcept { return hr_; }

 private:
  HRESULT hr_;
};

// Throws ComError(hr, message) when hr fails.
inline void ThrowIfFailed(HRESULT hr, const std::string& message) {
  if (FAILED(hr)) throw ComError(hr, message);
}
// The same for a literal message, which becomes a string only on failure (the
// checks sit on paths that run for every packet).
inline void ThrowIfFailed(HRESULT hr, const char* message) {
  if (FAILED(hr)) throw ComError(hr, message);
}
