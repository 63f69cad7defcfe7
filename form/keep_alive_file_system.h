// A file system that lets the window breathe between the folders a walk
// reads: a folder with no match never reaches a yield of the listing, and a
// walk over thousands of such folders must not leave the window looking hung.
#pragma once

#include <chrono>
#include <functional>

#include "fsys/file_system.h"

namespace tolvane::form {

class KeepAliveFileSystem : public fsys::FileSystem {
 public:
  // Every call goes to `inner`; before a folder is read, `breathe` runs when
  // some milliseconds have passed since it last ran.
  KeepAliveFileSystem(fsys::FileSystem& inner, std::function<void()> breathe);

  using fsys::FileSystem::copy_file;

  fsys::FolderContents read_folder(const std::string& folder) override;
  std::error_code copy_file(const std::string& source, const std::string& target,
                            fsys::CopyOutcome& outcome) override;
  std::error_code move_to_trash(const std::string& path) override;
  std::error_code flush() override;
  std::error_code make_folder(const std::string& folder) override;
  bool folder_exists(const std::string& folder) override;

 private:
  fsys::FileSystem& inner_;
  std::function<void()> breathe_;
  std::chrono::steady_clock::time_point last_;
};

}  // namespace tolvane::form
