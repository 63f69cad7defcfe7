// The steps by which a copy replaces a file that stood at its target, and a
// probe called before each.  The tests stop a replacement at every step
// (with an error, or by killing the process) to show that the old content
// is at the target or in the trash at every instant.
#pragma once

#include <cstdint>
#include <system_error>

namespace tolvane::fsys {

enum class ReplaceStep : std::uint8_t {
  write_new_content,   // the copy, on the device, under a hidden name
  reserve_trash_info,  // the trash's record of the old file (POSIX)
  put_in_trash,        // the old file gets its name in the trash
  take_target_name,    // the copy is renamed over the target
  set_aside,           // the old file goes to the set-aside folder (no trash)
  take_back_name,      // undo: a kept file takes its name back where the
                       // volume cannot rename without replacing
};

// Called before each step; an error it returns fails that step as if the
// system had refused.  Null (the default) probes nothing.
using ReplaceStepProbe = std::error_code (*)(ReplaceStep);
void set_replace_step_probe(ReplaceStepProbe probe);

// What the probe says about `step`; no error when none is set.
std::error_code probe_replace_step(ReplaceStep step);

}  // namespace tolvane::fsys
