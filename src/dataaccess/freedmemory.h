// Handing freed memory back to the system. A run frees large results one after another on several
// threads; without this the C library keeps the freed pages of each thread's heap, and the process
// holds the peak of every phase at once.
#pragma once

#if defined(__GLIBC__)
#include <malloc.h>
#endif

inline void ReturnFreedMemory() {
#if defined(__GLIBC__)
  malloc_trim(0);
#endif
}
