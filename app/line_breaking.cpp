// Widths and line breaks of Chinese text mixed with Latin words.
#include "app/line_breaking.h"

namespace tolvane::app {
namespace {

constexpr std::u32string_view closing = U"，。；：、？！）】」』》〉”’…";
constexpr std::u32string_view opening = U"（【「『《〈“‘";

// The sequence at `text[k]`, read by its lead byte alone: the texts laid out
// here are the program's own.
TextCharacter character_at(std::string_view text, std::size_t k) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte(k);
  const std::size_t size = lead < 0xC0 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
  if (k + size > text.size()) return {k, 1, U'\uFFFD'};
  char32_t code = size == 1 ? lead : lead & (0x7F >> size);
  for (std::size_t i = 1; i < size; ++i) code = (code << 6) | (byte(k + i) & 0x3F);
  return {k, size, code};
}

std::size_t width_of(char32_t code) { return is_wide(code) ? 2 : 1; }

// One paragraph, without '\n', appended to `lines`.
void wrap_paragraph(std::string_view text, std::size_t width, std::vector<std::string>& lines) {
  const std::vector<TextCharacter> characters = text_characters(text);
  const std::size_t count = characters.size();
  const auto is_blank = [&](std::size_t k) { return characters[k].code == U' '; };
  const auto bytes = [&](std::size_t from, std::size_t to) {
    const std::size_t begin = characters[from].offset;
    const std::size_t end = to < count ? characters[to].offset : text.size();
    return std::string(text.substr(begin, end - begin));
  };
  std::size_t start = 0;
  while (true) {
    while (start < count && is_blank(start)) ++start;
    if (start == count) return;
    // The line holds [start, end); the next one starts at `next`.
    std::size_t end = start;
    std::size_t next = start;
    std::size_t used = 0;
    std::size_t k = start;
    for (; k < count; ++k) {
      if (is_blank(k)) {
        end = k, next = k + 1;
      } else if (k > start && !is_blank(k - 1) &&
                 may_break_between(characters[k - 1].code, characters[k].code)) {
        end = k, next = k;
      }
      if (used + width_of(characters[k].code) > width) break;
      used += width_of(characters[k].code);
    }
    if (k == count) {
      end = next = count;
    } else if (end == start) {
      // Nowhere to break before the edge: the word runs on to its end.
      end = k;
      while (end < count && !is_blank(end) &&
             !(end > start && may_break_between(characters[end - 1].code, characters[end].code))) {
        ++end;
      }
      next = end;
    }
    std::size_t last = end;
    while (last > start && is_blank(last - 1)) --last;
    lines.push_back(bytes(start, last));
    start = next;
  }
}

}  // namespace

std::vector<TextCharacter> text_characters(std::string_view text) {
  std::vector<TextCharacter> characters;
  characters.reserve(text.size());
  for (std::size_t k = 0; k < text.size();) {
    characters.push_back(character_at(text, k));
    k += characters.back().size;
  }
  return characters;
}

bool is_closing(char32_t code) { return closing.find(code) != std::u32string_view::npos; }

bool is_opening(char32_t code) { return opening.find(code) != std::u32string_view::npos; }

bool is_wide(char32_t code) {
  // Arrows (→) are as wide as Chinese in a Chinese terminal's font.
  const bool arrow = code >= 0x2190 && code <= 0x21FF;
  return code >= 0x2E80 || arrow || is_closing(code) || is_opening(code);
}

std::size_t display_width(std::string_view text) {
  std::size_t width = 0;
  for (const TextCharacter& character : text_characters(text)) width += width_of(character.code);
  return width;
}

bool may_break_between(char32_t before, char32_t after) {
  if (is_opening(before) || is_closing(after)) return false;
  if (is_closing(before)) return after != U' ';
  // A Chinese character and a Latin one stay together ("目录off"): the
  // texts set blanks where a word may part from them.
  return is_wide(before) && is_wide(after);
}

std::vector<std::string> wrap_lines(std::string_view text, std::size_t width) {
  std::vector<std::string> lines;
  for (std::size_t end = text.find('\n'); end != std::string_view::npos; end = text.find('\n')) {
    const std::size_t before = lines.size();
    wrap_paragraph(text.substr(0, end), width, lines);
    if (lines.size() == before) lines.emplace_back();
    text.remove_prefix(end + 1);
  }
  wrap_paragraph(text, width, lines);
  return lines;
}

}  // namespace tolvane::app
