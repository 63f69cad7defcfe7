// The one order of folder entries, independent of the platform's own.
#include "fsys/name_order.h"

#include <algorithm>
#include <cstddef>

namespace tolvane::fsys {
namespace {

unsigned char folded(char c) {
  const auto byte = static_cast<unsigned char>(c);
  return byte >= 'a' && byte <= 'z' ? static_cast<unsigned char>(byte - 'a' + 'A') : byte;
}

}  // namespace

bool name_before(std::string_view a, std::string_view b) {
  const std::size_t common = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < common; ++i) {
    if (folded(a[i]) != folded(b[i])) return folded(a[i]) < folded(b[i]);
  }
  if (a.size() != b.size()) return a.size() < b.size();
  // Equal but for letter case: the exact bytes decide, so the order is total.
  for (std::size_t i = 0; i < common; ++i) {
    const auto x = static_cast<unsigned char>(a[i]);
    const auto y = static_cast<unsigned char>(b[i]);
    if (x != y) return x < y;
  }
  return false;
}

}  // namespace tolvane::fsys
