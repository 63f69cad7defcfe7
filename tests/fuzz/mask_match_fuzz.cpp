// Fuzzes the mask matcher against a plain dynamic-programming matcher and
// against the promise the listing rests on: "*" + ext matches exactly the
// names that end in ext, letter case aside.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "fsys/mask_match.h"

namespace {

char fold(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

// The reference: table[i][j] says whether mask[i..] matches name[j..].
bool plain_match(std::string_view mask, std::string_view name) {
  const std::size_t m = mask.size(), n = name.size();
  std::vector<std::vector<char>> table(m + 1, std::vector<char>(n + 1, 0));
  table[m][n] = 1;
  for (std::size_t i = m; i-- > 0;) {
    for (std::size_t j = n + 1; j-- > 0;) {
      if (mask[i] == '*') {
        table[i][j] = table[i + 1][j] || (j < n && table[i][j + 1]);
      } else if (j < n && (mask[i] == '?' || fold(mask[i]) == fold(name[j]))) {
        table[i][j] = table[i + 1][j + 1];
      }
    }
  }
  return table[0][0];
}

// A mask's trailing ".*" may also stand for no extension at all, once.
bool reference_match(std::string_view mask, std::string_view name) {
  if (mask.size() >= 2 && mask.substr(mask.size() - 2) == ".*" &&
      name.find('.') == std::string_view::npos && plain_match(mask.substr(0, mask.size() - 2), name))
    return true;
  return plain_match(mask, name);
}

bool ends_with_folded(std::string_view name, std::string_view ext) {
  if (ext.size() > name.size()) return false;
  const std::string_view tail = name.substr(name.size() - ext.size());
  for (std::size_t i = 0; i < ext.size(); ++i)
    if (fold(tail[i]) != fold(ext[i])) return false;
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // The first byte splits the input into a mask and a name.
  if (size == 0) return 0;
  const std::string_view rest(reinterpret_cast<const char*>(data + 1), size - 1);
  const std::size_t split = rest.empty() ? 0 : data[0] % (rest.size() + 1);
  const std::string_view mask = rest.substr(0, split);
  const std::string_view name = rest.substr(split);
  if (mask.size() > 64 || name.size() > 256) return 0;

  // "?" takes a whole UTF-8 character where one stands; the byte-wise
  // reference agrees wherever the name is ASCII.
  const bool ascii_name = std::all_of(name.begin(), name.end(),
                                      [](char c) { return static_cast<unsigned char>(c) < 0x80; });
  if (ascii_name && tolvane::fsys::mask_matches(mask, name) != reference_match(mask, name))
    std::abort();

  // The mask a listing builds from a plain extension text.  Such a text comes
  // from the window as UTF-8, so it never starts inside a character.
  const bool starts_a_character =
      mask.empty() || (static_cast<unsigned char>(mask[0]) & 0xC0) != 0x80;
  if (starts_a_character && mask.find_first_of("*?") == std::string_view::npos) {
    const bool listed = tolvane::fsys::mask_matches("*" + std::string(mask), name);
    if (listed != ends_with_folded(name, mask)) std::abort();
  }
  if (!tolvane::fsys::mask_matches("*", name) || !tolvane::fsys::mask_matches("*.*", name))
    std::abort();
  return 0;
}
