// Destination naming rules: folder, running number, mode and target path.
#include "copy/naming.h"

#include "fsys/path_separator.h"
#include "fsys/path_split.h"

namespace tolvane::copy {

std::string destination_folder(std::string_view root, std::string_view tag, bool flat) {
  // A root's own files have the empty tag; root + "" + separator would name
  // the root with a doubled separator, so it is the root.
  if (flat || tag.empty()) return std::string(root);
  std::string folder;
  folder.reserve(root.size() + tag.size() + 1);
  folder.append(root).append(tag) += fsys::separator;
  return folder;
}

std::size_t running_number(std::optional<std::string_view> previous_tag,
                           std::size_t previous_number, std::string_view tag) {
  if (!previous_tag || *previous_tag != tag) return 1;
  return previous_number + 1;
}

NamingMode naming_mode(std::string_view extension_text) {
  return extension_text == ".*" ? NamingMode::keep_name : NamingMode::numbered;
}

std::string numbered_target(std::string_view folder, std::string_view tag, std::size_t number,
                            std::string_view extension_text) {
  std::string target;
  target.reserve(folder.size() + tag.size() + extension_text.size() + 22);
  target.append(folder).append(tag);
  target += '(';
  target += std::to_string(number);
  target += ')';
  target.append(extension_text);
  return target;
}

std::string_view file_name_of(std::string_view path) { return fsys::last_name(path); }

bool is_single_name(std::string_view name) {
  if (name.empty() || name == "." || name == "..") return false;
  // Windows file names refuse more than the separators.
  constexpr bool windows_names = fsys::separator == '\\';
  for (const char c : name) {
    if (c == fsys::separator || c == '\0') return false;
    if (windows_names && (static_cast<unsigned char>(c) < 0x20 ||
                          std::string_view("/<>:\"|?*").find(c) != std::string_view::npos)) {
      return false;
    }
  }
  // Windows drops a trailing dot or blank from a name it is given, or FAT
  // refuses it: the copy would land under another name, or nowhere.
  return !(windows_names && (name.back() == '.' || name.back() == ' '));
}

std::string name_with_copy_number(std::string_view name, std::size_t k) {
  const std::size_t dot = name.rfind('.');
  const std::string_view stem = dot == std::string_view::npos ? name : name.substr(0, dot);
  const std::string_view extension = dot == std::string_view::npos ? "" : name.substr(dot);
  std::string result(stem);
  result += '(';
  result += std::to_string(k);
  result += ')';
  result.append(extension);
  return result;
}

}  // namespace tolvane::copy
