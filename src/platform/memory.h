// Memory hints.  Thread-safe; a hint that the system cannot follow is
// silently ignored.
#ifndef WAKELORE_PLATFORM_MEMORY_H_
#define WAKELORE_PLATFORM_MEMORY_H_

#include <cstddef>

namespace wakelore {

// Tells the system that the untouched buffer [data, data + size) is about
// to be written from start to end, so that it may back it with large pages
// (far fewer page faults for outputs of many MiB).  Linux: transparent huge
// pages for the whole pages inside the range; Windows: nothing.
void AdviseSequentialFill(void* data, size_t size);

}  // namespace wakelore

#endif  // WAKELORE_PLATFORM_MEMORY_H_
