#include "errors/modules.h"

#include <dlfcn.h>
#include <limits.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string_view>

namespace {

// readlink gives the full path, up to the system's path limit; only the name
// after the last '/' is kept.
constexpr std::size_t kExecutablePathCapacity = PATH_MAX;

char ProgramName[kModuleNameCapacity] = {};
const void* ProgramBase = nullptr;

// The part of path after its last '/', cut at kModuleNameCapacity - 1 bytes,
// into name with a zero byte after it.
void CopyFileName(std::string_view path, char (&name)[kModuleNameCapacity]) {
  std::size_t slash = path.rfind('/');
  if (slash != std::string_view::npos) path.remove_prefix(slash + 1);
  std::size_t length = path.size() < kModuleNameCapacity ? path.size() : kModuleNameCapacity - 1;
  std::memcpy(name, path.data(), length);
  name[length] = '\0';
}

}  // namespace

void RecordProgramModule() {
  static char executablePath[kExecutablePathCapacity];
  ssize_t length = readlink("/proc/self/exe", executablePath, sizeof executablePath);
  if (length > 0) {
    CopyFileName({executablePath, static_cast<std::size_t>(length)}, ProgramName);
  } else {
    CopyFileName(program_invocation_name, ProgramName);
  }
  Dl_info info;
  if (dladdr(reinterpret_cast<const void*>(&RecordProgramModule), &info) != 0) {
    ProgramBase = info.dli_fbase;
  }
}

CodeModule ModuleOfAddress(const void* address) {
  CodeModule module{false, 0, {}};
  Dl_info info;
  if (address != nullptr && dladdr(address, &info) != 0 && info.dli_fbase != nullptr) {
    module.Found = true;
    module.Base = reinterpret_cast<std::uintptr_t>(info.dli_fbase);
    // The loader names the program itself by its command line, or not at all.
    if (info.dli_fbase != ProgramBase && info.dli_fname != nullptr && info.dli_fname[0] != '\0') {
      CopyFileName(info.dli_fname, module.Name);
      return module;
    }
  }
  std::memcpy(module.Name, ProgramName, sizeof ProgramName);
  return module;
}
