#include "platform/sys/modulefile.h"

#include <dlfcn.h>
#include <elf.h>
#include <link.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "platform/com/regularfile.h"
#include "platform/sys/sysdir.h"

namespace sys {

namespace {

std::string BaseName(const std::string& path) {
  auto p = path.rfind('/');
  return p == std::string::npos ? path : path.substr(p + 1);
}

std::string DirName(const std::string& path) {
  auto p = path.rfind('/');
  return p == std::string::npos ? std::string(".") : p == 0 ? std::string("/") : path.substr(0, p);
}

std::string Lower(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return s;
}

// A loaded module whose file's base name is one of `names`.
std::optional<std::string> LoadedModule(const std::vector<std::string>& names) {
  struct Search {
    const std::vector<std::string>* names;
    std::optional<std::string> found;
  } search{&names, std::nullopt};
  dl_iterate_phdr(
      [](dl_phdr_info* info, size_t, void* data) -> int {
        auto* s = static_cast<Search*>(data);
        if (!info->dlpi_name || !*info->dlpi_name) return 0;
        const std::string path = info->dlpi_name;
        for (const std::string& n : *s->names) {
          if (BaseName(path) == n && com::RegularFile::IsRegular(path)) {
            s->found = path;
            return 1;
          }
        }
        return 0;
      },
      &search);
  return search.found;
}

std::string ProgramDirectory() {
  char buf[4096];
  ssize_t n = readlink("/proc/self/exe", buf, sizeof(buf) - 1);
  if (n <= 0) return {};
  return DirName(std::string(buf, static_cast<size_t>(n)));
}

std::string SystemDir() {
  char buf[4096];
  UINT n = GetSystemDirectoryA(buf, sizeof(buf));
  return n > 0 && n < sizeof(buf) ? std::string(buf, n) : std::string();
}

}  // namespace

std::string LinuxModuleName(const std::string& name) {
  const std::string lower = Lower(name);
  for (const char* ext : {".dll", ".ocx", ".exe"}) {
    const std::size_t n = std::strlen(ext);
    if (lower.size() > n && lower.compare(lower.size() - n, n, ext) == 0)
      return "lib" + lower.substr(0, lower.size() - n) + ".so";
  }
  return name;
}

std::optional<std::string> FindModuleFile(const std::string& name) {
  if (name.empty()) return std::nullopt;
  if (name.find('/') != std::string::npos) {
    if (com::RegularFile::IsRegular(name)) return name;
    return std::nullopt;
  }
  std::vector<std::string> names{name};
  if (std::string alias = LinuxModuleName(name); alias != name) names.push_back(alias);

  if (auto loaded = LoadedModule(names)) return loaded;
  std::vector<std::string> dirs{ProgramDirectory(), ".", SystemDir()};
  if (const char* p = std::getenv("LD_LIBRARY_PATH"); p && *p) {
    std::string all = p;
    std::size_t start = 0;
    while (start <= all.size()) {
      std::size_t end = all.find(':', start);
      if (end == std::string::npos) end = all.size();
      dirs.push_back(all.substr(start, end - start));
      start = end + 1;
    }
  }
  for (const std::string& dir : dirs) {
    if (dir.empty()) continue;
    for (const std::string& n : names) {
      const std::string path = dir + "/" + n;
      if (com::RegularFile::IsRegular(path)) return path;
    }
  }
  return std::nullopt;
}

std::optional<std::vector<char>> ReadElfSection(const std::string& path, const std::string& section) {
  constexpr std::uint64_t kMaxSection = 1u << 20;
  // Only a regular file is read, and its open never waits (a FIFO may have
  // taken the module's name since it was found).
  const com::RegularFile file = com::RegularFile::OpenForReading(path);
  struct stat st {};
  if (!file.IsOpen() || ::fstat(file.Descriptor(), &st) != 0) return std::nullopt;
  const std::uint64_t fileSize = static_cast<std::uint64_t>(st.st_size);
  auto readAt = [&](std::uint64_t offset, void* out, std::uint64_t size) {
    if (offset > fileSize || size > fileSize - offset) return false;
    auto* to = static_cast<char*>(out);
    while (size > 0) {
      const ssize_t n = ::pread(file.Descriptor(), to, size, static_cast<off_t>(offset));
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) return false;
      to += n;
      offset += static_cast<std::uint64_t>(n);
      size -= static_cast<std::uint64_t>(n);
    }
    return true;
  };

  Elf64_Ehdr eh{};
  if (!readAt(0, &eh, sizeof(eh))) return std::nullopt;
  if (std::memcmp(eh.e_ident, ELFMAG, SELFMAG) != 0 || eh.e_ident[EI_CLASS] != ELFCLASS64 ||
      eh.e_ident[EI_DATA] != ELFDATA2LSB)
    return std::nullopt;
  if (eh.e_shentsize != sizeof(Elf64_Shdr) || eh.e_shnum == 0 || eh.e_shstrndx == SHN_UNDEF ||
      eh.e_shstrndx >= eh.e_shnum)
    return std::nullopt;
  std::vector<Elf64_Shdr> sections(eh.e_shnum);
  if (!readAt(eh.e_shoff, sections.data(), sizeof(Elf64_Shdr) * sections.size())) return std::nullopt;

  const Elf64_Shdr& names = sections[eh.e_shstrndx];
  if (names.sh_type == SHT_NOBITS || names.sh_size > kMaxSection) return std::nullopt;
  std::vector<char> nameTable(names.sh_size);
  if (!readAt(names.sh_offset, nameTable.data(), nameTable.size())) return std::nullopt;

  for (const Elf64_Shdr& s : sections) {
    if (s.sh_name >= nameTable.size()) continue;
    const char* n = nameTable.data() + s.sh_name;
    const std::size_t room = nameTable.size() - s.sh_name;
    if (strnlen(n, room) == room || section != n) continue;
    if (s.sh_type == SHT_NOBITS || s.sh_size > kMaxSection) return std::nullopt;
    std::vector<char> data(s.sh_size);
    if (!readAt(s.sh_offset, data.data(), data.size())) return std::nullopt;
    return data;
  }
  return std::nullopt;
}

}  // namespace sys
