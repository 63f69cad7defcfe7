// Collision bookkeeping for one copy run.
#include "copy/target_registry.h"

#include <algorithm>

#include "copy/naming.h"
#include "fsys/letter_case_fold.h"
#include "fsys/path_key.h"

namespace tolvane::copy {

std::string TargetRegistry::key(std::string_view path) const {
  std::string key = fsys::path_key(path);
  return fold_letter_case_ ? fsys::letter_case_folded(key) : key;
}

// FNV-1a over the path key, then the splitmix64 finaliser so that paths that
// differ only in their last characters still spread over the buckets.  Fixed
// at 64 bits on every platform, unlike std::hash.
std::uint64_t TargetRegistry::path_hash(std::string_view path) const {
  std::uint64_t hash = 0xcbf29ce484222325u;
  const auto add = [&hash](std::string_view bytes) {
    for (const unsigned char c : bytes) hash = (hash ^ c) * 0x100000001b3u;
  };
  // The run looks up every target at least twice: where a path is its own
  // key, it is hashed as it stands rather than copied first.
  if (fsys::path_is_its_key && !fold_letter_case_) {
    add(path);
  } else {
    add(key(path));
  }
  hash = (hash ^ (hash >> 30)) * 0xbf58476d1ce4e5b9u;
  hash = (hash ^ (hash >> 27)) * 0x94d049bb133111ebu;
  return hash ^ (hash >> 31);
}

void TargetRegistry::reserve(std::size_t entry_count) {
  // Each entry adds its source and at most one target.
  taken_.reserve(2 * entry_count);
}

void TargetRegistry::add_source(std::string_view path) { taken_.insert(path_hash(path)); }

bool TargetRegistry::taken(std::string_view path) const { return taken_.contains(path_hash(path)); }

void TargetRegistry::claim(const std::string& path) { taken_.insert(path_hash(path)); }

std::string TargetRegistry::claim_numbered(std::string_view folder, std::string_view tag,
                                           std::size_t number, std::string_view extension_text,
                                           bool* renumbered) {
  const bool same_prefix = last_highest_ != nullptr && last_prefix_.size() == folder.size() + tag.size() &&
                           std::string_view(last_prefix_).starts_with(folder) &&
                           std::string_view(last_prefix_).substr(folder.size()) == tag;
  if (!same_prefix) {
    last_prefix_.assign(folder);
    last_prefix_.append(tag);
    last_highest_ = &highest_number_[key(last_prefix_)];
  }
  std::size_t& highest = *last_highest_;
  std::string target = numbered_target(folder, tag, number, extension_text);
  if (renumbered != nullptr) *renumbered = false;
  // A free name is claimed by the same look that finds it free.
  if (!taken_.insert(path_hash(target))) {
    if (renumbered != nullptr) *renumbered = true;
    // Every number up to `highest` is either claimed or was skipped as
    // taken, so the search starts above it.
    number = std::max(number, highest) + 1;
    target = numbered_target(folder, tag, number, extension_text);
    while (!taken_.insert(path_hash(target))) {
      target = numbered_target(folder, tag, ++number, extension_text);
    }
  }
  highest = std::max(highest, number);
  return target;
}

std::string TargetRegistry::claim_kept(std::string_view folder, std::string_view name) {
  std::string target(folder);
  target.append(name);
  if (taken(target)) {
    // Names tried before stay taken (the set only grows), so resuming at the
    // stored k still finds the smallest free one.
    std::size_t& k = next_copy_number_.try_emplace(key(target), 2).first->second;
    std::string candidate;
    do {
      candidate.assign(folder);
      candidate.append(name_with_copy_number(name, k++));
    } while (taken(candidate));
    target = std::move(candidate);
  }
  claim(target);
  return target;
}

}  // namespace tolvane::copy
