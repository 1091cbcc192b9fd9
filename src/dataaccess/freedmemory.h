// Handing freed memory back to the system. A run frees large results one after another on several
// threads; without this the C library keeps the freed pages of each thread's heap, and the process
// holds the peak of every phase at once.
#pragma once

// Under a sanitizer, whose allocator holds the memory, trimming the C library's heap does nothing.
#if defined(__GLIBC__) && !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)
#define ICB_TRIM_FREED_MEMORY 1
#include <malloc.h>
#endif

inline void ReturnFreedMemory() {
#if defined(ICB_TRIM_FREED_MEMORY)
  malloc_trim(0);
#endif
}
