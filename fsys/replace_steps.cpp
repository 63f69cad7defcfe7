// The replacement probe: one process-wide pointer, null outside the tests.
#include "fsys/replace_steps.h"

#include <atomic>

namespace tolvane::fsys {
namespace {

std::atomic<ReplaceStepProbe> probe{nullptr};

}  // namespace

void set_replace_step_probe(ReplaceStepProbe new_probe) { probe.store(new_probe); }

std::error_code probe_replace_step(ReplaceStep step) {
  const ReplaceStepProbe current = probe.load(std::memory_order_relaxed);
  return current != nullptr ? current(step) : std::error_code();
}

}  // namespace tolvane::fsys
