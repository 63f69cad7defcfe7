// The CPU time a benchmark program has used so far, its threads' user and
// system time together.  Not part of the product.
#pragma once

#include <sys/resource.h>

namespace tolvane::bench {

inline double process_cpu_seconds() {
  struct rusage usage {};
  ::getrusage(RUSAGE_SELF, &usage);
  const auto seconds = [](const timeval& time) { return time.tv_sec + time.tv_usec / 1e6; };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

}  // namespace tolvane::bench
