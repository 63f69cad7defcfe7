// The base of the tests' file systems that touch no disk: every folder is
// empty and exists, every copy, trash move, flush and new folder succeeds.
// A fake overrides the calls its test is about.
#pragma once

#include <string>
#include <system_error>

#include "fsys/file_system.h"

namespace tolvane::testing {

class NoDiskFileSystem : public fsys::WholeCopyFileSystem {
 public:
  fsys::FolderContents read_folder(const std::string& /*folder*/) override { return {}; }
  std::error_code copy_whole(const std::string& /*source*/, const std::string& /*target*/,
                             fsys::LookAlike /*look_alike*/, fsys::CopyOutcome& outcome) override {
    outcome = fsys::CopyOutcome::copied;
    return {};
  }
  std::error_code move_to_trash(const std::string& /*path*/) override { return {}; }
  std::error_code flush() override { return {}; }
  std::error_code make_folder(const std::string& /*folder*/) override { return {}; }
  bool folder_exists(const std::string& /*folder*/) override { return true; }
};

}  // namespace tolvane::testing
