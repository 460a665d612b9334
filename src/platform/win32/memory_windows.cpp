#include "platform/memory.h"

namespace wakelore {

// Large pages on Windows need a privilege that ordinary users lack.
void AdviseSequentialFill(void*, size_t) {}

}  // namespace wakelore
