// Fixed-size blocks carved from large slabs, for the many small records of a
// document (nodes, boxes): no per-block bookkeeping of the C library, and a
// freed block is the next one handed out. Slabs stay for the life of the
// process (a resident program peaks at its largest screen and stays there).
// Under AddressSanitizer plain new and delete are used instead, so that it
// still sees every use after free. One thread only, like the engine.
#pragma once

#include <cstddef>
#include <new>
#include <vector>

#if defined(__SANITIZE_ADDRESS__)
#define ZARN_ENGINE_POOLS 0
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define ZARN_ENGINE_POOLS 0
#endif
#endif
#ifndef ZARN_ENGINE_POOLS
#define ZARN_ENGINE_POOLS 1
#endif

namespace engine {

template <size_t kSize>
class FixedPool {
 public:
  static_assert(kSize >= sizeof(void*), "a free block holds the next one");
  static constexpr size_t kPerSlab = 256;

  void* Allocate() {
#if ZARN_ENGINE_POOLS
    if (free_ == nullptr) Grow();
    void* block = free_;
    free_ = *static_cast<void**>(block);
    return block;
#else
    return ::operator new(kSize);
#endif
  }

  void Release(void* block) {
    if (block == nullptr) return;
#if ZARN_ENGINE_POOLS
    *static_cast<void**>(block) = free_;
    free_ = block;
#else
    ::operator delete(block);
#endif
  }

 private:
  void Grow() {
    // Blocks keep the alignment of the slab (that of operator new).
    constexpr size_t kStride = (kSize + alignof(std::max_align_t) - 1) / alignof(std::max_align_t) *
                               alignof(std::max_align_t);
    char* slab = static_cast<char*>(::operator new(kStride * kPerSlab));
    slabs_.push_back(slab);
    for (size_t i = kPerSlab; i-- > 0;) {
      void* block = slab + i * kStride;
      *static_cast<void**>(block) = free_;
      free_ = block;
    }
  }

  void* free_ = nullptr;
  std::vector<char*> slabs_;
};

}  // namespace engine
