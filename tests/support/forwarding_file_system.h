// The base of the tests' file systems that wrap another: every call goes on
// to the wrapped one (the native backend unless told otherwise), and a fake
// overrides only the calls it watches, slows or fails.
//
// start_copy and name_copies are not forwarded: FileSystem's own do the
// whole copy through copy_file, so a fake that watches copy_file sees every
// copy.  Neither are reads_folders_from_any_thread and folds_letter_case,
// which keep FileSystem's answers unless a fake gives its own.
#pragma once

#include <memory>
#include <string>
#include <system_error>
#include <utility>

#include "fsys/file_system.h"

namespace tolvane::testing {

class ForwardingFileSystem : public fsys::FileSystem {
 public:
  // Over the native file system, which this object owns.
  ForwardingFileSystem() : owned_(fsys::make_native_file_system()), inner_(*owned_) {}
  // Over `inner`, which must outlive this object.
  explicit ForwardingFileSystem(fsys::FileSystem& inner) : inner_(inner) {}

  fsys::FolderContents read_folder(const std::string& folder) override {
    return inner_.read_folder(folder);
  }
  std::error_code copy_file(const std::string& source, const std::string& target,
                            fsys::CopyOutcome& outcome) override {
    return inner_.copy_file(source, target, outcome);
  }
  using fsys::FileSystem::copy_file;
  std::error_code move_to_trash(const std::string& path) override {
    return inner_.move_to_trash(path);
  }
  std::error_code flush() override { return inner_.flush(); }
  std::error_code make_folder(const std::string& folder) override {
    return inner_.make_folder(folder);
  }
  bool folder_exists(const std::string& folder) override { return inner_.folder_exists(folder); }

 protected:
  fsys::FileSystem& inner() { return inner_; }

 private:
  std::unique_ptr<fsys::FileSystem> owned_;
  fsys::FileSystem& inner_;
};

}  // namespace tolvane::testing
