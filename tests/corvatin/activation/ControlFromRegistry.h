// The control as a host makes it: found by its program identifier in the
// registry, created from the module the registry names, and given the default
// packet library (an empty PacketLibraryFile).
#pragma once

#include <gtest/gtest.h>

#include "corvatin/Corvatin.h"
#include "platform/com/activation.h"

namespace corvatin {

// Fails the calling test (fatally, check with ASSERT_NO_FATAL_FAILURE) when the
// control cannot be made; a library that does not load fails it too.
inline void CreateControlWithDefaultLibrary(ComPtr<IQAVECR>& control) {
  CLSID clsid{};
  ASSERT_EQ(CLSIDFromProgID(u"Corvatin.QAVECR", &clsid), S_OK) << "the control is not registered";
  ASSERT_EQ(clsid, CLSID_QAVECR);
  ASSERT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IQAVECR::Iid, control.OutVoid()), S_OK);
  Bstr empty;
  ASSERT_EQ(control->put_PacketLibraryFile(empty.Get()), S_OK);
  LONG code = -1;
  ASSERT_EQ(control->get_LastErrorCode(&code), S_OK);
  EXPECT_EQ(code, 0) << "the default packet library did not load";
}

}  // namespace corvatin
