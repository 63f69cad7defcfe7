// The made-up tree: which entries a folder of it holds, from its path alone.
#include "bench/synthetic_file_system.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <vector>

#include "fsys/name_order.h"

namespace tolvane::bench {
namespace {

constexpr std::size_t trips_per_day = 10;

// The number after the letters of a folder name such as "m07" or "trip3".
std::size_t number_in(std::string_view name) {
  const std::size_t digits = name.find_first_of("0123456789");
  std::size_t value = 0;
  if (digits != std::string_view::npos) {
    std::from_chars(name.data() + digits, name.data() + name.size(), value);
  }
  return value;
}

std::string numbered(const char* format, std::size_t n) {
  char text[32];
  std::snprintf(text, sizeof text, format, n);
  return text;
}

// The name of file k, in the shares that bench/make_tree.py makes: of every
// 20 files 7 *.jpg, 3 *.JPG, 6 *.png, 3 *.txt and 1 without a dot.
const char* file_format(std::size_t k) {
  const std::size_t kind = k % 20;
  if (kind < 7) return "IMG_%07zu.jpg";
  if (kind < 10) return "IMG_%07zu.JPG";
  if (kind < 16) return "IMG_%07zu.png";
  if (kind < 19) return "IMG_%07zu.txt";
  return "NOTE%07zu";
}

}  // namespace

SyntheticFileSystem::SyntheticFileSystem(std::string root, std::size_t files,
                                         std::size_t files_per_folder)
    : root_(std::move(root)),
      files_(files),
      per_folder_(std::max<std::size_t>(1, files_per_folder)) {
  if (root_.empty() || root_.back() != '/') root_ += '/';
  leaves_ = (files_ + per_folder_ - 1) / per_folder_;
  branch_ = 1;
  while (branch_ * branch_ * branch_ * trips_per_day < leaves_) ++branch_;
}

fsys::FolderContents SyntheticFileSystem::read_folder(const std::string& folder) {
  fsys::FolderContents contents;
  if (!folder.starts_with(root_)) {
    contents.error = std::make_error_code(std::errc::no_such_file_or_directory);
    return contents;
  }
  // The folder's place: the numbers of its path's components below the root.
  std::vector<std::size_t> place;
  std::string_view rest = std::string_view(folder).substr(root_.size());
  while (!rest.empty()) {
    const std::size_t cut = rest.find('/');
    place.push_back(number_in(rest.substr(0, cut)));
    rest.remove_prefix(cut == std::string_view::npos ? rest.size() : cut + 1);
  }
  if (!place.empty()) place[0] -= 2000;

  // Leaves below a folder at depth d start at this index.
  std::size_t first_leaf = 0;
  const std::size_t widths[] = {branch_, branch_, branch_, trips_per_day};
  for (std::size_t level = 0; level < place.size() && level < 4; ++level) {
    std::size_t below = 1;
    for (std::size_t l = level + 1; l < 4; ++l) below *= widths[l];
    first_leaf += place[level] * below;
  }

  if (place.size() < 4) {
    const char* formats[] = {"y%zu", "m%02zu", "d%02zu", "trip%zu"};
    std::size_t below = 1;
    for (std::size_t l = place.size() + 1; l < 4; ++l) below *= widths[l];
    for (std::size_t i = 0; i < widths[place.size()]; ++i) {
      if (first_leaf + i * below >= leaves_) break;
      const std::size_t shown = place.empty() ? 2000 + i : i;
      contents.entries.push_back({numbered(formats[place.size()], shown), fsys::EntryKind::folder});
    }
  } else if (place.size() == 4 && first_leaf < leaves_) {
    const std::size_t end = std::min(files_, (first_leaf + 1) * per_folder_);
    for (std::size_t k = first_leaf * per_folder_; k < end; ++k) {
      contents.entries.push_back({numbered(file_format(k), k), fsys::EntryKind::file});
    }
  }
  std::sort(contents.entries.begin(), contents.entries.end(),
            [](const fsys::FolderEntry& a, const fsys::FolderEntry& b) {
              return fsys::name_before(a.name, b.name);
            });
  return contents;
}

std::error_code SyntheticFileSystem::copy_whole(const std::string&, const std::string&,
                                                fsys::LookAlike, fsys::CopyOutcome&) {
  return std::make_error_code(std::errc::operation_not_supported);
}

std::error_code SyntheticFileSystem::move_to_trash(const std::string&) {
  return std::make_error_code(std::errc::operation_not_supported);
}

std::error_code SyntheticFileSystem::flush() { return {}; }

std::error_code SyntheticFileSystem::make_folder(const std::string&) {
  return std::make_error_code(std::errc::operation_not_supported);
}

bool SyntheticFileSystem::folder_exists(const std::string&) { return false; }

std::size_t SyntheticFileSystem::jpg_files() const {
  return files_ / 20 * 10 + std::min<std::size_t>(files_ % 20, 10);
}

}  // namespace tolvane::bench
