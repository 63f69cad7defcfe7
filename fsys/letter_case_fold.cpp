// Simple case folding over the scripts that photo folders are named in.
#include "fsys/letter_case_fold.h"

#include <cstddef>
#include <cstdint>

namespace tolvane::fsys {
namespace {

char32_t lower_letter(char32_t c) {
  if (c >= U'A' && c <= U'Z') return c + 0x20;
  // Latin-1: À..Þ less ×.
  if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return c + 0x20;
  // Latin Extended-A pairs upper/lower on even/odd code points, except
  // the run Ĺ..Ň and Ź..Ž, which pair odd/even; İ, ı, ĸ and ŉ stand alone.
  if (c >= 0x100 && c <= 0x137 && c != 0x130) return (c % 2 == 0) ? c + 1 : c;
  if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E)) return (c % 2 == 1) ? c + 1 : c;
  if (c >= 0x14A && c <= 0x177) return (c % 2 == 0) ? c + 1 : c;
  if (c == 0x178) return 0xFF;
  // Greek: Α..Ω (less the gap at 0x3A2), and the accented capitals.
  if (c >= 0x391 && c <= 0x3AB && c != 0x3A2) return c + 0x20;
  if (c == 0x386) return 0x3AC;
  if (c >= 0x388 && c <= 0x38A) return c + 0x25;
  if (c == 0x38C) return 0x3CC;
  if (c == 0x38E || c == 0x38F) return c + 0x3F;
  // Cyrillic: Ѐ..Џ and А..Я.
  if (c >= 0x400 && c <= 0x40F) return c + 0x50;
  if (c >= 0x410 && c <= 0x42F) return c + 0x20;
  return c;
}

void append_utf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

}  // namespace

std::string letter_case_folded(std::string_view path) {
  std::string out;
  out.reserve(path.size());
  for (std::size_t i = 0; i < path.size();) {
    const auto byte = static_cast<unsigned char>(path[i]);
    if (byte < 0x80) {
      out += static_cast<char>(byte >= 'A' && byte <= 'Z' ? byte + 0x20 : byte);
      ++i;
      continue;
    }
    // Only two-byte sequences hold letters this folds; everything else,
    // valid or not, is copied byte for byte.
    if ((byte & 0xE0) == 0xC0 && i + 1 < path.size() &&
        (static_cast<unsigned char>(path[i + 1]) & 0xC0) == 0x80) {
      const char32_t c = (char32_t{byte & 0x1Fu} << 6) | (static_cast<unsigned char>(path[i + 1]) & 0x3Fu);
      if (c >= 0x80) {
        append_utf8(out, lower_letter(c));
        i += 2;
        continue;
      }
    }
    out += path[i++];
  }
  return out;
}

}  // namespace tolvane::fsys
