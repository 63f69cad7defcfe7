// A file system that wraps another and passes every call on to it: the base
// of wrappers that watch, slow, fail or leave out a few calls (the tests'
// fakes, the benchmark's run without its final flush).  Every call of
// FileSystem is pure, so a call added there does not build here until it
// is forwarded: a fault a wrapper injects always travels the path
// production runs.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "fsys/file_system.h"

namespace tolvane::fsys {

class ForwardingFileSystem : public FileSystem {
 public:
  // Over the native file system, which this object owns.
  ForwardingFileSystem() : owned_(make_native_file_system()), inner_(*owned_) {}
  // Over `inner`, which must outlive this object.
  explicit ForwardingFileSystem(FileSystem& inner) : inner_(inner) {}
  // Over `inner`, which this object owns.
  explicit ForwardingFileSystem(std::unique_ptr<FileSystem> inner)
      : owned_(std::move(inner)), inner_(*owned_) {}

  FolderContents read_folder(const std::string& folder) override {
    return inner_.read_folder(folder);
  }
  bool reads_folders_from_any_thread() const override {
    return inner_.reads_folders_from_any_thread();
  }
  CopyStart start_copy(const std::string& source, const std::string& target,
                       LookAlike look_alike) override {
    return inner_.start_copy(source, target, look_alike);
  }
  void flush_staged(std::vector<CopyNaming>& batch) override { inner_.flush_staged(batch); }
  void name_copies(std::vector<CopyNaming>& batch) override { inner_.name_copies(batch); }
  std::size_t staged_copies_allowed() const override { return inner_.staged_copies_allowed(); }
  bool folds_letter_case(const std::string& folder) override {
    return inner_.folds_letter_case(folder);
  }
  void set_destination_root(const std::string& root, std::string_view set_aside_name) override {
    inner_.set_destination_root(root, set_aside_name);
  }
  std::error_code move_to_trash(const std::string& path) override {
    return inner_.move_to_trash(path);
  }
  std::error_code flush() override { return inner_.flush(); }
  std::error_code make_folder(const std::string& folder) override {
    return inner_.make_folder(folder);
  }
  bool folder_exists(const std::string& folder) override { return inner_.folder_exists(folder); }
  bool holds_only_this_run(const std::string& folder) override {
    return inner_.holds_only_this_run(folder);
  }

 protected:
  FileSystem& inner() { return inner_; }
  const FileSystem& inner() const { return inner_; }

 private:
  std::unique_ptr<FileSystem> owned_;
  FileSystem& inner_;
};

}  // namespace tolvane::fsys
