// Registers or unregisters an in-process server module in the registry:
//   comreg <module.so>        calls the module's DllRegisterServer
//   comreg -u <module.so>     calls its DllUnregisterServer
#include <dlfcn.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "platform/com/activation.h"
#include "platform/com/ansi.h"
#include "platform/com/registry.h"

int main(int argc, char** argv) {
  bool unregister = false;
  const char* path = nullptr;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "-u") == 0 || std::strcmp(argv[i], "/u") == 0)
      unregister = true;
    else if (!path)
      path = argv[i];
    else
      path = nullptr, argc = 0;
  }
  if (!path) {
    std::fprintf(stderr, "usage: comreg [-u] <module>\n");
    return 2;
  }
  std::string why;
  void* handle = com::LoadModuleFile(path, why);
  if (!handle) {
    std::fprintf(stderr, "comreg: cannot load %s: %s\n", path, why.c_str());
    return 1;
  }
  const char* entry = unregister ? "DllUnregisterServer" : "DllRegisterServer";
  auto fn = reinterpret_cast<DllRegisterServerFn>(dlsym(handle, entry));
  if (!fn) {
    std::fprintf(stderr, "comreg: %s has no %s\n", path, entry);
    return 1;
  }
  HRESULT hr = fn();
  if (FAILED(hr)) {
    std::string why = WideToUtf8(TakeErrorDescription());
    std::fprintf(stderr, "comreg: %s failed (0x%08X)%s%s\n", entry, static_cast<unsigned>(hr), why.empty() ? "" : ": ",
                 why.c_str());
    return 1;
  }
  std::printf("comreg: %s %s in %s\n", path, unregister ? "unregistered" : "registered", registry::FilePath().c_str());
  return 0;
}
