// The hidden names a copy is written under before it takes its own, and the
// rule that tells a leftover of a dead writer, for both backends.  Each
// backend supplies what only its platform knows: the process id, whether a
// process still runs, and (POSIX) the id of this boot.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace tolvane::fsys {

// The parts of ".tolvane-<writer>-<n>[-<mark>].tmp".
struct TemporaryName {
  std::uint32_t writer = 0;  // the writer's process id, never 0
  // What follows the counter: absent (the Windows names), "b" and eight hex
  // digits naming the boot (the POSIX names), or the digits of a clock that
  // older POSIX versions wrote.
  enum class Mark : std::uint8_t { none, boot, clock } mark = Mark::none;
  std::string boot;  // the eight hex digits of a boot mark
};

// Who writes temporaries: a process by its id and, where the platform
// marks its names with one (POSIX), the boot it runs in.  A run's journal
// keeps it, so that undo and the next run can clear what a killed run left.
struct TemporaryWriter {
  std::uint32_t process = 0;
  std::string boot;  // eight hex digits, or empty
};

// True when the temporary `name` was written by `writer`.
bool written_by(const TemporaryName& name, const TemporaryWriter& writer);

// The name, without its folder, for `writer`'s `counter`th temporary, with
// a boot mark of eight hex digits when `boot` is not empty.
std::string temporary_file_name(std::uint32_t writer, std::uint64_t counter,
                                std::string_view boot = {});

// The parts of `name` when it is exactly a name temporary_file_name makes
// (or the older POSIX one); nothing for any other name.
std::optional<TemporaryName> parse_temporary_name(std::string_view name);

// A temporary that no living writer owns: made in another boot than
// `this_boot` (when both are known), or by a process that is neither
// `this_process` nor running any more.
bool is_stale(const TemporaryName& name, std::uint32_t this_process, std::string_view this_boot,
              const std::function<bool(std::uint32_t)>& process_has_ended);

}  // namespace tolvane::fsys
