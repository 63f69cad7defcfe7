// The native file system with flush() doing nothing: the benchmark times a
// copy run without its final flush this way.  The batches still put their
// data on the device before naming it: that is how every copy is made now.
// Never used by the program itself.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "fsys/file_system.h"

namespace tolvane::bench {

class NoFlushFileSystem final : public fsys::FileSystem {
 public:
  explicit NoFlushFileSystem(std::unique_ptr<fsys::FileSystem> inner) : inner_(std::move(inner)) {}

  using fsys::FileSystem::copy_file;

  fsys::FolderContents read_folder(const std::string& folder) override {
    return inner_->read_folder(folder);
  }
  std::error_code copy_file(const std::string& source, const std::string& target,
                            fsys::CopyOutcome& outcome) override {
    return inner_->copy_file(source, target, outcome);
  }
  fsys::CopyStart start_copy(const std::string& source, const std::string& target) override {
    return inner_->start_copy(source, target);
  }
  void flush_staged(std::vector<fsys::CopyNaming>& batch) override { inner_->flush_staged(batch); }
  void name_copies(std::vector<fsys::CopyNaming>& batch) override { inner_->name_copies(batch); }
  std::size_t staged_copies_allowed() const override { return inner_->staged_copies_allowed(); }
  bool folds_letter_case(const std::string& folder) override {
    return inner_->folds_letter_case(folder);
  }
  std::error_code move_to_trash(const std::string& path) override {
    return inner_->move_to_trash(path);
  }
  void set_destination_root(const std::string& root, std::string_view set_aside_name) override {
    inner_->set_destination_root(root, set_aside_name);
  }
  std::error_code flush() override { return {}; }
  std::error_code make_folder(const std::string& folder) override {
    return inner_->make_folder(folder);
  }
  bool folder_exists(const std::string& folder) override { return inner_->folder_exists(folder); }

 private:
  std::unique_ptr<fsys::FileSystem> inner_;
};

}  // namespace tolvane::bench
