// Temporary names: how they are spelt and when one is a leftover.
#include "fsys/temporary_names.h"

namespace tolvane::fsys {
namespace {

constexpr std::string_view prefix = ".tolvane-";
constexpr std::string_view suffix = ".tmp";

std::size_t leading_digits(std::string_view text) {
  std::size_t digits = 0;
  while (digits < text.size() && text[digits] >= '0' && text[digits] <= '9') ++digits;
  return digits;
}

bool hex_digits(std::string_view text) {
  for (const char c : text) {
    if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return false;
  }
  return true;
}

}  // namespace

std::string temporary_file_name(std::uint32_t writer, std::uint64_t counter,
                                std::string_view boot) {
  std::string name(prefix);
  name += std::to_string(writer) + "-" + std::to_string(counter);
  if (!boot.empty()) {
    name += "-b";
    name += boot;
  }
  name += suffix;
  return name;
}

std::optional<TemporaryName> parse_temporary_name(std::string_view name) {
  if (!name.starts_with(prefix) || !name.ends_with(suffix)) return std::nullopt;
  name.remove_prefix(prefix.size());
  name.remove_suffix(suffix.size());
  const std::size_t writer_digits = leading_digits(name);
  if (writer_digits == 0 || writer_digits > 10) return std::nullopt;
  std::uint64_t writer = 0;
  for (std::size_t i = 0; i < writer_digits; ++i) writer = writer * 10 + (name[i] - '0');
  if (writer == 0 || writer > 0xFFFFFFFFu) return std::nullopt;
  TemporaryName parts;
  parts.writer = static_cast<std::uint32_t>(writer);
  name.remove_prefix(writer_digits);
  if (!name.starts_with('-')) return std::nullopt;
  name.remove_prefix(1);
  const std::size_t counter_digits = leading_digits(name);
  if (counter_digits == 0) return std::nullopt;
  name.remove_prefix(counter_digits);
  if (name.empty()) return parts;
  if (!name.starts_with('-')) return std::nullopt;
  name.remove_prefix(1);
  if (name.starts_with('b')) {
    name.remove_prefix(1);
    if (name.size() != 8 || !hex_digits(name)) return std::nullopt;
    parts.mark = TemporaryName::Mark::boot;
    parts.boot = std::string(name);
    return parts;
  }
  if (name.empty() || leading_digits(name) != name.size()) return std::nullopt;
  parts.mark = TemporaryName::Mark::clock;
  return parts;
}

bool written_by(const TemporaryName& name, const TemporaryWriter& writer) {
  return name.writer == writer.process && name.boot == writer.boot;
}

bool is_stale(const TemporaryName& name, std::uint32_t this_process, std::string_view this_boot,
              const std::function<bool(std::uint32_t)>& process_has_ended) {
  if (name.mark == TemporaryName::Mark::boot && !this_boot.empty() && name.boot != this_boot) {
    return true;
  }
  if (name.writer == this_process) return false;
  return process_has_ended(name.writer);
}

}  // namespace tolvane::fsys
