// Finding a module's file by the name the system's code gives it, and reading a
// named section of an ELF file without loading it.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/com/types.h"

namespace sys {

// The Linux file name of a module named as on the home platform: "Corvatin.ocx"
// and "Zelvani.dll" become "libcorvatin.so" and "libzelvani.so" (extension .dll,
// .ocx or .exe dropped, lower case, "lib" and ".so" added). Other names are kept.
COM_API std::string LinuxModuleName(const std::string& name);

// The path of a module file. A name with a '/' is a path and is used as given.
// A bare name is looked for under itself and under its Linux module name, in
// this order: a module already loaded in the process, the directory of the
// running program, the current directory, the system directory, then each
// directory of LD_LIBRARY_PATH. nullopt when no regular file is found.
COM_API std::optional<std::string> FindModuleFile(const std::string& name);

// The contents of the section `section` of the ELF file at `path`; nullopt when
// the file cannot be read, is not a 64-bit little-endian ELF file, is damaged
// (offsets outside the file) or has no such section. Sections above 1 MiB are
// refused.
COM_API std::optional<std::vector<char>> ReadElfSection(const std::string& path, const std::string& section);

}  // namespace sys
