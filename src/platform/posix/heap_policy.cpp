#include "platform/heap_policy.h"

#include <cstdlib>  // defines __GLIBC__ on the GNU C library

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace platform {

void KeepLargeBlocksForReuse() noexcept {
#if defined(__GLIBC__)
  // Blocks below 32 MiB come from the heap instead of fresh mappings, and up
  // to 64 MiB of free heap stays with the process.
  mallopt(M_MMAP_THRESHOLD, 32 * 1024 * 1024);
  mallopt(M_TRIM_THRESHOLD, 64 * 1024 * 1024);
  // A document of many small values is freed all at once; without fast bins
  // its blocks merge as they are freed instead of in one long pass at the
  // next large request.
  mallopt(M_MXFAST, 0);
  // One heap for all threads: the worker's first allocation then makes no
  // heap of its own (a large reservation, two unmaps and a protection change
  // at every start), and the main thread allocates too little to contend.
  mallopt(M_ARENA_MAX, 1);
#endif
}

}  // namespace platform
