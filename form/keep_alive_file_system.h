// A file system that lets the window answer the window system between the
// folders a walk reads, so a walk over a large tree never looks hung.  User
// input is discarded meanwhile: the walk takes none.
#pragma once

#include <chrono>

#include "form/form1_controls.h"
#include "fsys/file_system.h"

namespace tolvane::form {

class KeepAliveFileSystem : public fsys::FileSystem {
 public:
  KeepAliveFileSystem(fsys::FileSystem& inner, Form1Controls& controls);

  using fsys::FileSystem::copy_file;

  fsys::FolderContents read_folder(const std::string& folder) override;
  std::error_code copy_file(const std::string& source, const std::string& target,
                            fsys::CopyOutcome& outcome) override;
  std::error_code move_to_trash(const std::string& path) override;
  std::error_code flush() override;
  std::error_code make_folder(const std::string& folder) override;
  bool folder_exists(const std::string& folder) override;

 private:
  void breathe();

  fsys::FileSystem& inner_;
  Form1Controls& controls_;
  std::chrono::steady_clock::time_point last_;
};

}  // namespace tolvane::form
