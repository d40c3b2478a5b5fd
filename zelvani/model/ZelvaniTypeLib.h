// The type library of Zelvani: the single description of its interfaces,
// coclasses and enumerations that dispatch and registration use.
#pragma once

#include "platform/com/typelib.h"
#include "zelvani/Zelvani.h"

namespace zelvani {

const com::TypeLibDesc& ZelvaniTypeLib();

}  // namespace zelvani
