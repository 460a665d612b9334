#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>

#include "platform/memory.h"

namespace wakelore {

void AdviseSequentialFill(void* data, size_t size) {
#ifdef MADV_HUGEPAGE
  const long page = ::sysconf(_SC_PAGESIZE);
  if (page <= 0 || data == nullptr) return;
  const uintptr_t mask = static_cast<uintptr_t>(page) - 1;
  const uintptr_t begin = (reinterpret_cast<uintptr_t>(data) + mask) & ~mask;
  const uintptr_t end = (reinterpret_cast<uintptr_t>(data) + size) & ~mask;
  if (end > begin) ::madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
#else
  (void)data;
  (void)size;
#endif
}

}  // namespace wakelore
