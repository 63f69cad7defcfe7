// The counting operator new and delete.  Each block carries its size in
// front of it.
#include "tests/scan/allocation_count.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace tolvane::testing {
namespace {

std::atomic<std::size_t> allocations{0};
std::atomic<std::size_t> held{0};
constexpr std::size_t size_header = alignof(std::max_align_t);

void* counted_new(std::size_t size) {
  auto* block = static_cast<char*>(std::malloc(size + size_header));
  if (block == nullptr) throw std::bad_alloc();
  *reinterpret_cast<std::size_t*>(block) = size;
  held += size;
  allocations.fetch_add(1, std::memory_order_relaxed);
  return block + size_header;
}

void counted_delete(void* pointer) noexcept {
  if (pointer == nullptr) return;
  char* block = static_cast<char*>(pointer) - size_header;
  held -= *reinterpret_cast<std::size_t*>(block);
  std::free(block);
}

}  // namespace

std::size_t allocations_so_far() { return allocations.load(); }
std::size_t bytes_held() { return held.load(); }

}  // namespace tolvane::testing

void* operator new(std::size_t size) { return tolvane::testing::counted_new(size); }
void* operator new[](std::size_t size) { return tolvane::testing::counted_new(size); }
void operator delete(void* pointer) noexcept { tolvane::testing::counted_delete(pointer); }
void operator delete[](void* pointer) noexcept { tolvane::testing::counted_delete(pointer); }
void operator delete(void* pointer, std::size_t) noexcept {
  tolvane::testing::counted_delete(pointer);
}
void operator delete[](void* pointer, std::size_t) noexcept {
  tolvane::testing::counted_delete(pointer);
}
