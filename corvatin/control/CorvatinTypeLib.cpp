#include "corvatin/control/CorvatinTypeLib.h"

namespace corvatin {

namespace {

com::TypeLibDesc BuildTypeLib() {
  com::TypeLibDesc lib;
  lib.name = "Corvatin";
  lib.helpString = "Corvatin Library";
  lib.libid = LIBID_Corvatin;
  lib.majorVersion = 1;
  lib.minorVersion = 0;
  lib.lcid = 0x409;
  return lib;
}

}  // namespace

const com::TypeLibDesc& CorvatinTypeLib() {
  static const com::TypeLibDesc lib = BuildTypeLib();
  return lib;
}

}  // namespace corvatin
