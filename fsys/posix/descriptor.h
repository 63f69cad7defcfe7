// An owned POSIX file descriptor and folder stream, and errno as an error
// code.
#pragma once

#include <dirent.h>
#include <unistd.h>

#include <cerrno>
#include <memory>
#include <system_error>
#include <utility>

namespace tolvane::fsys::posix {

inline std::error_code last_error() { return {errno, std::generic_category()}; }

// The answers of a volume that does not offer a call or one of its flags.
inline bool not_offered(int error) {
  return error == EINVAL || error == ENOSYS || error == EOPNOTSUPP || error == ENOTSUP;
}

class Descriptor {
 public:
  explicit Descriptor(int fd = -1) : fd_(fd) {}
  ~Descriptor() { close(); }
  Descriptor(Descriptor&& other) noexcept : fd_(other.release()) {}
  Descriptor& operator=(Descriptor&& other) noexcept {
    if (this != &other) {
      close();
      fd_ = other.release();
    }
    return *this;
  }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;

  int get() const { return fd_; }
  explicit operator bool() const { return fd_ >= 0; }
  int release() { return std::exchange(fd_, -1); }
  // Closes now and reports close's own failure (which a late write error on
  // some file systems shows up as).
  int close() { return fd_ >= 0 ? ::close(std::exchange(fd_, -1)) : 0; }

 private:
  int fd_;
};

struct FolderStreamCloser {
  void operator()(DIR* dir) const { ::closedir(dir); }
};
// A folder read entry by entry, closed with its owner.
using FolderStream = std::unique_ptr<DIR, FolderStreamCloser>;

}  // namespace tolvane::fsys::posix
