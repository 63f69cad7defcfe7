#include "fsys/posix/folder_listing.h"

#include <dirent.h>
#include <fcntl.h>

#include <algorithm>
#include <string_view>

#include "fsys/name_order.h"
#include "fsys/posix/descriptor.h"
#include "fsys/posix/entry_kind.h"
#include "fsys/posix/reading_open.h"

namespace tolvane::fsys::posix {

FolderContents list_folder(const std::string& folder) {
  FolderContents contents;
  Descriptor fd(open_for_reading(AT_FDCWD, folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (!fd) {
    contents.error = last_error();
    return contents;
  }
  // The entries straight from the kernel, a buffer at a time: a directory
  // stream would first ask about the folder three more times (fstat and
  // two fcntl), which in a walk of small folders is almost as much again.
  constexpr std::size_t buffer_size = 32 * 1024;
  alignas(struct dirent64) char buffer[buffer_size];
  for (;;) {
    const ssize_t got = ::getdents64(fd.get(), buffer, buffer_size);
    if (got == 0) break;
    if (got < 0) {
      contents.error = last_error();
      contents.entries.clear();
      return contents;
    }
    for (ssize_t at = 0; at < got;) {
      const auto* entry = reinterpret_cast<const struct dirent64*>(buffer + at);
      at += entry->d_reclen;
      // Hidden names, "." and ".." among them, are never listed.
      if (entry->d_name[0] == '.') continue;
      if (const auto kind = listed_kind(fd.get(), entry->d_name, entry->d_type)) {
        contents.entries.push_back({entry->d_name, *kind});
      }
    }
  }
  std::sort(contents.entries.begin(), contents.entries.end(),
            [](const FolderEntry& a, const FolderEntry& b) { return name_before(a.name, b.name); });
  return contents;
}

bool folder_is_empty(const std::string& folder) {
  Descriptor fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (!fd) return false;
  alignas(struct dirent64) char buffer[1024];
  for (;;) {
    const ssize_t got = ::getdents64(fd.get(), buffer, sizeof buffer);
    if (got == 0) return true;
    if (got < 0) return false;
    for (ssize_t at = 0; at < got;) {
      const auto* entry = reinterpret_cast<const struct dirent64*>(buffer + at);
      at += entry->d_reclen;
      const std::string_view name(entry->d_name);
      if (name != "." && name != "..") return false;
    }
  }
}

}  // namespace tolvane::fsys::posix
