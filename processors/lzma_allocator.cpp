#include "processors/lzma_allocator.h"

#include <cstddef>
#include <cstdlib>
#include <limits>
#include <vector>

namespace qv {
namespace {

// A size header in front of every block, as large as malloc's alignment.
constexpr std::size_t kHeader = alignof(std::max_align_t);
std::size_t& SizeOf(void* block) { return *static_cast<std::size_t*>(block); }

#ifdef _WIN32
// mingw-w64 keeps thread_local objects in emulated TLS, whose storage can be freed
// before the object's destructor runs at thread exit: a cache would then free
// pointers read from freed memory, and a pool thread that ends crashes. There every
// block goes straight to malloc and back.
void* Allocate(void* /*opaque*/, std::size_t count, std::size_t size) {
  if (size != 0 && count > (std::numeric_limits<std::size_t>::max() - kHeader) / size) return nullptr;
  void* block = std::malloc(kHeader + count * size);
  if (block == nullptr) return nullptr;
  SizeOf(block) = count * size;
  return static_cast<char*>(block) + kHeader;
}

void Free(void* /*opaque*/, void* pointer) {
  if (pointer != nullptr) std::free(static_cast<char*>(pointer) - kHeader);
}
#else
constexpr std::size_t kMaxCachedBlocks = 8;
constexpr std::size_t kMaxCachedBytes = 16u * 1024 * 1024;

struct BlockCache {
  std::vector<void*> blocks;  // as malloc gave them, header first
  std::size_t nBytes = 0;
  ~BlockCache() {
    for (void* block : blocks) std::free(block);
  }
};

thread_local BlockCache t_cache;

void* Allocate(void* /*opaque*/, std::size_t count, std::size_t size) {
  if (size != 0 && count > (std::numeric_limits<std::size_t>::max() - kHeader) / size) return nullptr;
  const std::size_t bytes = count * size;
  std::vector<void*>& blocks = t_cache.blocks;
  for (std::size_t i = 0; i < blocks.size(); ++i) {
    if (SizeOf(blocks[i]) != bytes) continue;
    void* block = blocks[i];
    blocks.erase(blocks.begin() + static_cast<std::ptrdiff_t>(i));
    t_cache.nBytes -= bytes;
    return static_cast<char*>(block) + kHeader;
  }
  void* block = std::malloc(kHeader + bytes);
  if (block == nullptr) return nullptr;
  SizeOf(block) = bytes;
  return static_cast<char*>(block) + kHeader;
}

void Free(void* /*opaque*/, void* pointer) {
  if (pointer == nullptr) return;
  void* block = static_cast<char*>(pointer) - kHeader;
  const std::size_t bytes = SizeOf(block);
  if (t_cache.blocks.size() >= kMaxCachedBlocks || t_cache.nBytes + bytes > kMaxCachedBytes) {
    std::free(block);
    return;
  }
  t_cache.blocks.push_back(block);
  t_cache.nBytes += bytes;
}
#endif

const lzma_allocator kAllocator = {Allocate, Free, nullptr};

}  // namespace

const lzma_allocator* ReusingLzmaAllocator() { return &kAllocator; }

}  // namespace qv
