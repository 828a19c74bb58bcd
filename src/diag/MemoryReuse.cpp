#include "diag/MemoryReuse.h"

#include <malloc.h>

void KeepFreedMemoryForReuse() {
    // Free memory at the top of the heap is kept up to this much. A fixed threshold for mapping
    // large blocks on their own also ends the allocator's own adjusting of both, which otherwise
    // starts to return memory again after the first large block is freed.
    constexpr int kKeptBytes = 512 << 20;
    constexpr int kOwnMappingBytes = 32 << 20;  // the largest the allocator takes
    mallopt(M_TRIM_THRESHOLD, kKeptBytes);
    mallopt(M_MMAP_THRESHOLD, kOwnMappingBytes);
    mallopt(M_MXFAST, 0);
}
