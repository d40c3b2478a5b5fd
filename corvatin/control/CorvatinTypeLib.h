// The type library of Corvatin: the single description of the control's
// interfaces, coclasses and enumerations that dispatch and registration use.
#pragma once

#include "corvatin/Corvatin.h"
#include "platform/com/typelib.h"

namespace corvatin {

const com::TypeLibDesc& CorvatinTypeLib();

}  // namespace corvatin
