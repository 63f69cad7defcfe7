// A set of 64-bit hashes in one array, open addressing with linear probing:
// a look-up touches one or two cache lines where a node-based set follows a
// pointer per step, which a run over a million entries feels.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace tolvane::copy {

class HashSet64 {
 public:
  // Room for `count` hashes without growing.
  void reserve(std::size_t count) {
    std::size_t wanted = 16;
    while (wanted < 2 * count) wanted *= 2;
    if (wanted > slots_.size()) rehash(wanted);
  }

  // False when `hash` was in already.
  bool insert(std::uint64_t hash) {
    if (2 * (size_ + 1) > slots_.size()) rehash(slots_.empty() ? 16 : 2 * slots_.size());
    return place(stored(hash));
  }

  // Starts fetching the slot where `hash` would go, so that an insert or a
  // look-up of it a little later does not wait on memory: in a set of a
  // million hashes nearly every slot is a cache miss, the most of what a
  // look-up costs.
  void prefetch(std::uint64_t hash) const {
#if defined(__GNUC__)
    if (!slots_.empty()) __builtin_prefetch(&slots_[stored(hash) & mask_], 1);
#else
    (void)hash;
#endif
  }

  bool contains(std::uint64_t hash) const {
    if (slots_.empty()) return false;
    const std::uint64_t value = stored(hash);
    for (std::size_t at = value & mask_;; at = (at + 1) & mask_) {
      if (slots_[at] == value) return true;
      if (slots_[at] == empty) return false;
    }
  }

 private:
  static constexpr std::uint64_t empty = 0;
  // Zero marks an empty slot; the one hash that is zero is kept as one,
  // which can only make one more path look taken.
  static std::uint64_t stored(std::uint64_t hash) { return hash == empty ? 1 : hash; }

  bool place(std::uint64_t value) {
    for (std::size_t at = value & mask_;; at = (at + 1) & mask_) {
      if (slots_[at] == value) return false;
      if (slots_[at] == empty) {
        slots_[at] = value;
        ++size_;
        return true;
      }
    }
  }

  void rehash(std::size_t slots) {
    std::vector<std::uint64_t> old(slots, empty);
    old.swap(slots_);
    mask_ = slots - 1;
    size_ = 0;
    for (const std::uint64_t value : old) {
      if (value != empty) place(value);
    }
  }

  std::vector<std::uint64_t> slots_;  // a power of two of them, at most half full
  std::size_t mask_ = 0;
  std::size_t size_ = 0;
};

}  // namespace tolvane::copy
