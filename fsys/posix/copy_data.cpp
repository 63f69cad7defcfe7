// The data of a copy: in-kernel where the file systems allow it (sharing
// extents where they can), then sendfile, then plain reads and writes.
#include "fsys/posix/copy_data.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/sendfile.h>
#include <sys/types.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <memory>

#include "fsys/posix/descriptor.h"

namespace tolvane::fsys::posix {
namespace {

enum class Step { done, unsupported, failed };

constexpr std::size_t copy_chunk = std::size_t{1} << 30;

// A copy between volumes is one more thing a call may not offer.
bool not_offered_here(int error) { return error == EXDEV || not_offered(error); }

// The ways below read `in` at the offset `from`, which each carries on from,
// never at its file position: the copy starts at the file's start without a
// seek, whatever the position.

// In-kernel copy, which lets file systems that can share extents do so.
// It stops at `size`, what fstat said when the source was opened, without
// the call that would answer 0 at the end: a small file is then one call,
// not two, and its copy holds what the size and time it is given describe.
// A size of 0 says nothing (procfs, some FUSE mounts): the end is the call
// that copies nothing.
Step copy_in_kernel(int in, off_t& from, off_t size, int out, std::error_code& error) {
  for (bool first = true;; first = false) {
    const std::size_t wanted =
        size > from ? std::min(copy_chunk, static_cast<std::size_t>(size - from)) : copy_chunk;
    const ssize_t copied = ::copy_file_range(in, &from, out, nullptr, wanted, 0);
    if (copied > 0) {
      if (size > 0 && from >= size) return Step::done;
      continue;
    }
    // Nothing on the first call may also mean a file that does not know its
    // size (as under /proc): the read loop decides.
    if (copied == 0) return first ? Step::unsupported : Step::done;
    if (errno == EINTR) continue;
    if (not_offered_here(errno)) return Step::unsupported;
    error = last_error();
    return Step::failed;
  }
}

// Like the in-kernel copy, it stops at `size` when that is known, without
// the call that would answer 0 at the end: one call fewer per copy.
Step copy_by_sendfile(int in, off_t& from, off_t size, int out, std::error_code& error) {
  for (;;) {
    const ssize_t copied = ::sendfile(out, in, &from, copy_chunk);
    if (copied > 0) {
      if (size > 0 && from >= size) return Step::done;
      continue;
    }
    if (copied == 0) return Step::done;
    if (errno == EINTR) continue;
    if (not_offered_here(errno)) return Step::unsupported;
    error = last_error();
    return Step::failed;
  }
}

std::error_code copy_by_reading(int in, off_t from, int out) {
  constexpr std::size_t buffer_size = 128 * 1024;
  const auto buffer = std::make_unique<char[]>(buffer_size);
  for (;;) {
    const ssize_t got = ::pread(in, buffer.get(), buffer_size, from);
    if (got == 0) return {};
    if (got < 0) {
      if (errno == EINTR) continue;
      return last_error();
    }
    from += got;
    for (ssize_t put = 0; put < got;) {
      const ssize_t wrote = ::write(out, buffer.get() + put, static_cast<std::size_t>(got - put));
      if (wrote < 0) {
        if (errno == EINTR) continue;
        return last_error();
      }
      put += wrote;
    }
  }
}

// Copies every byte of `in` from its start into `out` at out's position.  Each
// way carries on from the offsets the previous one left, so a fallback in
// the middle loses nothing.
std::error_code copy_data(int in, off_t size, int out) {
  off_t from = 0;
  std::error_code error;
  Step step = copy_in_kernel(in, from, size, out, error);
  if (step == Step::unsupported) step = copy_by_sendfile(in, from, size, out, error);
  if (step == Step::unsupported) return copy_by_reading(in, from, out);
  return error;
}

}  // namespace

std::error_code fill(int in, int out, const struct stat& source) {
  if (const std::error_code error = copy_data(in, source.st_size, out)) return error;
  const struct timespec times[2] = {source.st_atim, source.st_mtim};
  if (::futimens(out, times) != 0) return last_error();
  return {};
}

}  // namespace tolvane::fsys::posix
