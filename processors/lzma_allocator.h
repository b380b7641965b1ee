// The allocator the compression stage hands liblzma. liblzma builds its match
// finder afresh for every block, and for a small block the hash tables it allocates
// and clears (a quarter of a megabyte at least) cost more than the encoding; glibc
// returns such blocks to the kernel at every free, so each block also pays the page
// faults. Each thread keeps the last few blocks it freed for the next block of the
// same shape. liblzma clears what must be clear itself, so the bytes it writes do
// not depend on where its memory came from.
#pragma once

#include <lzma.h>

namespace qv {

const lzma_allocator* ReusingLzmaAllocator();

}  // namespace qv
