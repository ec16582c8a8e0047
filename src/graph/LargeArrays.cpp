#include "graph/LargeArrays.h"

#include <QtGlobal>

#include <cstdlib>
#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace LargeArrays
{

#if defined(Q_OS_WIN)

// Windows' heap gives every block of this size its own pages and releases
// them when the block is freed.
void returnToTheSystemWhenFreed() {}

#elif defined(Q_OS_WASM)

// A page's memory grows and never shrinks: nothing freed goes back anyway.
void returnToTheSystemWhenFreed() {}

#elif defined(__GLIBC__)

// glibc maps blocks above a threshold on their own, but raises the threshold
// to the size of each such block freed (up to 32 MB). From then on a fit's
// 16 MB of points comes from its heap, and freed there stays with the
// process. A fixed threshold keeps every large block mapped on its own.
void returnToTheSystemWhenFreed()
{
    mallopt(M_MMAP_THRESHOLD, 1 << 20);
}

#else

void returnToTheSystemWhenFreed() {}

#endif

} // namespace LargeArrays
