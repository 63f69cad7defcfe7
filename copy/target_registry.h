// The targets one copy run may still write.  A path is taken when this run
// has already written it or when it is a listed source: such a target gets
// the next free name instead, so no copy overwrites another copy of the same
// run and no source is ever written to.  Every step is a hash look-up, and
// only a 64-bit hash of each path is kept (a million entries cost tens of
// megabytes, not hundreds): two paths sharing a hash can only make a free
// name look taken, so the run skips a name, never overwrites one.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>

#include "copy/hash_set_64.h"
#include "fsys/path_key.h"

namespace tolvane::copy {

class TargetRegistry {
 public:
  void reserve(std::size_t entry_count);

  // From now on paths that differ only in letter case are one path: the
  // destination's volume compares names so.  Called before any claim.
  void fold_letter_case() { fold_letter_case_ = true; }

  // The key by which this registry compares `path`.
  std::string key(std::string_view path) const;

  // Marks a listed source path as taken for the whole run.
  void add_source(std::string_view path);

  // True when `path` is a listed source or a target this run has claimed
  // (compared by fsys::path_key).
  bool taken(std::string_view path);

  // Claims `folder` + `tag` + "(" + `number` + ")" + `extension_text`; when
  // that is taken, the same with the next number that this run has not used
  // for `folder` + `tag` and that is free, and sets `*renumbered`.
  std::string claim_numbered(std::string_view folder, std::string_view tag, std::size_t number,
                             std::string_view extension_text, bool* renumbered = nullptr);

  // Claims `folder` + `name`; when that is taken, `name` with the smallest
  // free "(k)", k >= 2, before its extension.
  std::string claim_kept(std::string_view folder, std::string_view name);

 private:
  void claim(const std::string& path);
  // Puts the sources still waiting in `pending_` into the set.
  void settle_sources();

  // True where a path is hashed as it stands, not by a key made from it.
  bool hashes_path_itself() const { return fsys::path_is_its_key && !fold_letter_case_; }
  std::uint64_t path_hash(std::string_view path) const;
  // The hash of last_prefix_ + "(" + number + ")" + extension, from the
  // prefix's hash state: a target is hashed by its last few bytes only.
  std::uint64_t numbered_hash(std::size_t number, std::string_view extension_text) const;

  bool fold_letter_case_ = false;
  HashSet64 taken_;  // hashes of path keys
  // Per folder + tag key: the highest number claimed, so a collision search
  // starts above it instead of counting up from 1 again.
  std::unordered_map<std::string, std::size_t> highest_number_;
  // The entries of one tag follow each other: the folder + tag claimed last
  // and its highest number (elements of an unordered_map stay put).
  std::string last_prefix_;
  std::size_t* last_highest_ = nullptr;
  // The hash state after last_prefix_, where a path is hashed as it stands;
  // then a target's hash continues from it (the hash runs byte by byte).
  std::uint64_t prefix_state_ = 0;
  // Sources hashed, their slots being fetched, not yet in the set: they go
  // in a few sources later, when their slots have arrived.
  std::array<std::uint64_t, 16> pending_{};
  std::size_t pending_first_ = 0;
  std::size_t pending_count_ = 0;
  // Per kept-name target key: the next "(k)" to try.
  std::unordered_map<std::string, std::size_t> next_copy_number_;
};

}  // namespace tolvane::copy
