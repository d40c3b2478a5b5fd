// BSTR: a UTF-16 string with a 32-bit byte-length prefix in front of the first
// character and a terminating NUL after the last; NUL characters inside are data.
// A null BSTR is the empty string everywhere.
#pragma once

#include <string>
#include <string_view>
#include <utility>

#include "platform/com/types.h"

extern "C" {
COM_API BSTR SysAllocString(const OLECHAR* s);
COM_API BSTR SysAllocStringLen(const OLECHAR* s, UINT len);
COM_API BSTR SysAllocStringByteLen(const char* s, UINT bytes);
COM_API int SysReAllocStringLen(BSTR* p, const OLECHAR* s, UINT len);
COM_API void SysFreeString(BSTR s);
COM_API UINT SysStringLen(BSTR s);
COM_API UINT SysStringByteLen(BSTR s);
}

// The characters of a BSTR as a view; empty for null.
inline std::u16string_view BstrView(BSTR s) { return s ? std::u16string_view(s, SysStringLen(s)) : std::u16string_view(); }

COM_API BSTR SysAllocStringView(std::u16string_view s);

// Move-only owner of a BSTR.
class Bstr {
 public:
  Bstr() = default;
  explicit Bstr(std::u16string_view s) : s_(SysAllocStringView(s)) {}
  Bstr(const char16_t* s) : s_(SysAllocString(s)) {}
  Bstr(const Bstr&) = delete;
  Bstr& operator=(const Bstr&) = delete;
  Bstr(Bstr&& o) noexcept : s_(std::exchange(o.s_, nullptr)) {}
  Bstr& operator=(Bstr&& o) noexcept {
    if (this != &o) {
      SysFreeString(s_);
      s_ = std::exchange(o.s_, nullptr);
    }
    return *this;
  }
  ~Bstr() { SysFreeString(s_); }

  // Takes ownership of an allocated BSTR.
  static Bstr Attach(BSTR s) {
    Bstr b;
    b.s_ = s;
    return b;
  }
  // Gives up ownership.
  BSTR Detach() { return std::exchange(s_, nullptr); }
  // Frees the current string and hands out the slot for an out-parameter.
  BSTR* Out() {
    SysFreeString(s_);
    s_ = nullptr;
    return &s_;
  }
  BSTR Get() const { return s_; }
  UINT Length() const { return SysStringLen(s_); }
  std::u16string_view View() const { return BstrView(s_); }
  BSTR Copy() const { return SysAllocStringView(View()); }

 private:
  BSTR s_ = nullptr;
};
