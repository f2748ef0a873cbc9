// Preloaded into simpson by the allocation test: appends one byte to the file
// named by SIMPSON_ALLOCATION_LOG for every heap allocation of the process,
// so that the count survives however the process ends.

#include <fcntl.h>
#include <unistd.h>

#include <cstddef>
#include <cstdlib>

extern "C" {
void* __libc_malloc(std::size_t size);
void* __libc_calloc(std::size_t count, std::size_t size);
void* __libc_realloc(void* pointer, std::size_t size);
void* __libc_memalign(std::size_t alignment, std::size_t size);
}

namespace {

void NoteAllocation() {
  static int log = -2;
  if (log == -2) {
    const char* path = getenv("SIMPSON_ALLOCATION_LOG");
    log = path ? open(path, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0600) : -1;
  }
  if (log >= 0 && write(log, "+", 1) != 1) log = -1;
}

}  // namespace

extern "C" {

void* malloc(std::size_t size) {
  NoteAllocation();
  return __libc_malloc(size);
}

void* calloc(std::size_t count, std::size_t size) {
  NoteAllocation();
  return __libc_calloc(count, size);
}

void* realloc(void* pointer, std::size_t size) {
  NoteAllocation();
  return __libc_realloc(pointer, size);
}

void* memalign(std::size_t alignment, std::size_t size) {
  NoteAllocation();
  return __libc_memalign(alignment, size);
}

void* aligned_alloc(std::size_t alignment, std::size_t size) {
  NoteAllocation();
  return __libc_memalign(alignment, size);
}

int posix_memalign(void** result, std::size_t alignment, std::size_t size) {
  NoteAllocation();
  *result = __libc_memalign(alignment, size);
  return *result ? 0 : 12;
}

}  // extern "C"
