// The mask matcher shared by every backend: greedy matching with one saved
// star position, so a mask of many stars costs at most name × mask steps.
#include "fsys/mask_match.h"

#include <cstddef>

namespace tolvane::fsys {
namespace {

char upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

bool is_continuation(unsigned char c) { return (c & 0xC0) == 0x80; }

// How many bytes the character at `at` takes: a whole well-formed UTF-8
// sequence when one stands there, otherwise one byte, so "?" matches "é" as
// one character and a name in another encoding (GBK bytes) byte by byte.
std::size_t char_length(std::string_view text, std::size_t at) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[at + i]); };
  const unsigned char lead = byte(0);
  std::size_t length = 1;
  // The range the second byte must lie in rules out overlong forms and
  // surrogates; later bytes are plain continuation bytes.
  unsigned char low = 0x80;
  unsigned char high = 0xBF;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  }
  if (length == 1 || at + length > text.size()) return 1;
  if (byte(1) < low || byte(1) > high) return 1;
  for (std::size_t i = 2; i < length; ++i) {
    if (!is_continuation(byte(i))) return 1;
  }
  return length;
}

// "*" and then plain ASCII, as "*.jpg": the name's end decides alone.  The
// star takes whole characters, and no ASCII byte lies inside a character, so
// the end of the name matches wherever it starts.
bool ends_like(std::string_view mask, std::string_view name, bool& decided) {
  decided = mask.size() >= 2 && mask.front() == '*';
  for (std::size_t m = 1; decided && m < mask.size(); ++m) {
    const auto c = static_cast<unsigned char>(mask[m]);
    decided = c < 0x80 && c != '*' && c != '?';
  }
  if (!decided) return false;
  const std::string_view end = mask.substr(1);
  if (name.size() < end.size()) return false;
  const std::string_view tail = name.substr(name.size() - end.size());
  for (std::size_t i = 0; i < end.size(); ++i) {
    if (upper(end[i]) != upper(tail[i])) return false;
  }
  return true;
}

bool plain_match(std::string_view mask, std::string_view name) {
  bool decided = false;
  const bool ends = ends_like(mask, name, decided);
  if (decided) return ends;
  std::size_t m = 0;
  std::size_t n = 0;
  // Where the last star stood in the mask, and where in the name its run
  // would end if the rest fails to match and it has to take one more
  // character.
  std::size_t star = std::string_view::npos;
  std::size_t star_end = 0;
  while (n < name.size()) {
    if (m < mask.size() && mask[m] == '*') {
      star = ++m;
      star_end = n;
    } else if (m < mask.size() && mask[m] == '?') {
      ++m;
      n += char_length(name, n);
    } else if (m < mask.size() && upper(mask[m]) == upper(name[n])) {
      ++m;
      ++n;
    } else if (star != std::string_view::npos) {
      star_end += char_length(name, star_end);
      m = star;
      n = star_end;
    } else {
      return false;
    }
  }
  while (m < mask.size() && mask[m] == '*') ++m;
  return m == mask.size();
}

}  // namespace

bool mask_matches(std::string_view mask, std::string_view name) {
  if (plain_match(mask, name)) return true;
  // The old DOS rule: "name.*" also stands for a name without any extension.
  if (mask.size() >= 2 && mask.ends_with(".*") && name.find('.') == std::string_view::npos) {
    return plain_match(mask.substr(0, mask.size() - 2), name);
  }
  return false;
}

}  // namespace tolvane::fsys
