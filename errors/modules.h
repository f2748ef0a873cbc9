// Which loaded object holds a code address, and where it is loaded, for the
// module name and the printed addresses of the report and the plain line.
#pragma once

#include <cstddef>
#include <cstdint>

// A module's file name without its directory is kept to 260 bytes, with room
// for the terminating zero byte.
inline constexpr std::size_t kModuleNameCapacity = 261;

struct CodeModule {
  // False when no loaded object maps the address (or it is null); Name is
  // then the program's own and Base is 0.
  bool Found;
  std::uintptr_t Base;  // the load address of the object
  char Name[kModuleNameCapacity];
};

// Records the program's own file name (from /proc/self/exe) and load address;
// run when the exception support is installed, before any fault can need
// them. Safe to run again.
void RecordProgramModule();

// The module that holds address: the program itself (named by its file, as
// recorded), or a shared library ("libc.so.6"). Never allocates; reads only
// the loader's tables.
CodeModule ModuleOfAddress(const void* address);
