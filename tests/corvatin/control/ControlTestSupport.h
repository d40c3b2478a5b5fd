// What the control's tests share: texts between the tests' UTF-8 and the
// control's strings (Windows-1250 widened, as the control widens its 8-bit
// texts), and pointing the control or its engine at the simulated register:
// a packet library (empty: the default one from the system directory), the
// register's port, no flow control and a short time-out.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "corvatin/Corvatin.h"
#include "platform/com/ansi.h"

namespace corvatin {

inline std::string Utf8(BSTR b) { return WideToUtf8(BstrView(b)); }
inline Bstr Wide(std::string_view utf8) { return Bstr::Attach(AnsiToBstr(Utf8ToAnsi(utf8))); }

inline void UseRegister(IQAVECR* target, const char* port, const std::string& library = "") {
  Bstr file = Bstr::Attach(AnsiToBstr(library));
  ASSERT_EQ(target->put_PacketLibraryFile(file.Get()), S_OK);
  ComPtr<IQAVECRCommOptions> options;
  ASSERT_EQ(target->get_CommOptions(options.Out()), S_OK);
  Bstr name = Bstr::Attach(AnsiToBstr(port));
  ASSERT_EQ(options->put_Port(name.Get()), S_OK);
  ASSERT_EQ(options->put_FlowControl(ecrfcNone), S_OK);
  ASSERT_EQ(options->put_TimeOut(500), S_OK);
}

}  // namespace corvatin
