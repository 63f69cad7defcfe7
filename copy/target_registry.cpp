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

namespace {

constexpr std::uint64_t hash_basis = 0xcbf29ce484222325u;

std::uint64_t hash_on(std::uint64_t state, std::string_view bytes) {
  for (const unsigned char c : bytes) state = (state ^ c) * 0x100000001b3u;
  return state;
}

// The splitmix64 finaliser, so that paths that differ only in their last
// characters still spread over the buckets.
std::uint64_t hash_end(std::uint64_t state) {
  state = (state ^ (state >> 30)) * 0xbf58476d1ce4e5b9u;
  state = (state ^ (state >> 27)) * 0x94d049bb133111ebu;
  return state ^ (state >> 31);
}

}  // namespace

// FNV-1a over the path key, then a finaliser.  Fixed at 64 bits on every
// platform, unlike std::hash.
std::uint64_t TargetRegistry::path_hash(std::string_view path) const {
  // The run looks up every target at least twice: where a path is its own
  // key, it is hashed as it stands rather than copied first.
  if (hashes_path_itself()) return hash_end(hash_on(hash_basis, path));
  return hash_end(hash_on(hash_basis, key(path)));
}

std::uint64_t TargetRegistry::numbered_hash(std::size_t number,
                                            std::string_view extension_text) const {
  // "(" and up to 20 digits and ")": the bytes numbered_target() puts
  // between the tag and the extension.
  char middle[24];
  std::size_t at = sizeof middle;
  middle[--at] = ')';
  do {
    middle[--at] = static_cast<char>('0' + number % 10);
    number /= 10;
  } while (number != 0);
  middle[--at] = '(';
  const std::uint64_t state =
      hash_on(prefix_state_, std::string_view(middle + at, sizeof middle - at));
  return hash_end(hash_on(state, extension_text));
}

void TargetRegistry::reserve(std::size_t entry_count) {
  // Each entry adds its source and at most one target.
  taken_.reserve(2 * entry_count);
}

void TargetRegistry::add_source(std::string_view path) {
  // A million sources would wait on memory a million times, one after the
  // other; with their slots fetched a few sources ahead, the waits overlap.
  const std::uint64_t hash = path_hash(path);
  taken_.prefetch(hash);
  if (pending_count_ == pending_.size()) {
    taken_.insert(pending_[pending_first_]);
    pending_[pending_first_] = hash;
    pending_first_ = (pending_first_ + 1) % pending_.size();
  } else {
    pending_[(pending_first_ + pending_count_++) % pending_.size()] = hash;
  }
}

void TargetRegistry::settle_sources() {
  for (; pending_count_ > 0; --pending_count_) {
    taken_.insert(pending_[pending_first_]);
    pending_first_ = (pending_first_ + 1) % pending_.size();
  }
}

bool TargetRegistry::taken(std::string_view path) {
  settle_sources();
  return taken_.contains(path_hash(path));
}

void TargetRegistry::claim(const std::string& path) { taken_.insert(path_hash(path)); }

std::string TargetRegistry::claim_numbered(std::string_view folder, std::string_view tag,
                                           std::size_t number, std::string_view extension_text,
                                           bool* renumbered) {
  settle_sources();
  const bool same_prefix = last_highest_ != nullptr && last_prefix_.size() == folder.size() + tag.size() &&
                           std::string_view(last_prefix_).starts_with(folder) &&
                           std::string_view(last_prefix_).substr(folder.size()) == tag;
  if (!same_prefix) {
    last_prefix_.assign(folder);
    last_prefix_.append(tag);
    last_highest_ = &highest_number_[key(last_prefix_)];
    if (hashes_path_itself()) prefix_state_ = hash_on(hash_basis, last_prefix_);
  }
  const auto hash_of = [&](const std::string& target, std::size_t n) {
    return hashes_path_itself() ? numbered_hash(n, extension_text) : path_hash(target);
  };
  std::size_t& highest = *last_highest_;
  std::string target = numbered_target(folder, tag, number, extension_text);
  if (renumbered != nullptr) *renumbered = false;
  // A free name is claimed by the same look that finds it free.
  if (!taken_.insert(hash_of(target, number))) {
    if (renumbered != nullptr) *renumbered = true;
    // Every number up to `highest` is either claimed or was skipped as
    // taken, so the search starts above it.
    number = std::max(number, highest) + 1;
    target = numbered_target(folder, tag, number, extension_text);
    while (!taken_.insert(hash_of(target, number))) {
      target = numbered_target(folder, tag, ++number, extension_text);
    }
  }
  highest = std::max(highest, number);
  // The entries of a tag follow each other: the next one's name is this
  // one's number plus one, whose slot is fetched while the entry is copied.
  if (hashes_path_itself()) taken_.prefetch(numbered_hash(number + 1, extension_text));
  return target;
}

std::string TargetRegistry::claim_kept(std::string_view folder, std::string_view name) {
  settle_sources();
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
