// The module object and the in-process server entry points.
#include "zelvani/model/ZelvaniServer.h"

#include "platform/sys/version.h"
#include "zelvani/model/ZelvaniTypeLib.h"

// The module file's version record, read through GetFileVersionInfoA("Zelvani.dll").
PLATFORM_VERSION_RECORD(ZELVANI_FILE_VERSION, "Zelvani", "Zelvani Library", "");

namespace zelvani {

com::ComModule& ZelvaniModule() {
  static com::ComModule module(&ZelvaniTypeLib);
  return module;
}

}  // namespace zelvani
