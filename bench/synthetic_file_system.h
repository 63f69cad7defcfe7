// A file system made up in memory for the benchmarks: a photo-library-like
// tree of any number of files, computed from each folder's path when it is
// read, so a million files cost neither disk nor memory of their own.
#pragma once

#include <cstddef>
#include <string>
#include <system_error>

#include "fsys/file_system.h"

namespace tolvane::bench {

// Four levels below the root (y2000/m00/d00/trip0/), `files_per_folder`
// files in each folder of the fourth level, half of them *.jpg or *.JPG and
// one in twenty without a dot, as bench/make_tree.py makes them on disk.  Only reading is
// offered; copying and creating folders fail with "not supported".
class SyntheticFileSystem final : public fsys::WholeCopyFileSystem {
 public:
  SyntheticFileSystem(std::string root, std::size_t files, std::size_t files_per_folder = 20);

  fsys::FolderContents read_folder(const std::string& folder) override;
  std::error_code copy_whole(const std::string& source, const std::string& target,
                             fsys::LookAlike look_alike, fsys::CopyOutcome& outcome) override;
  std::error_code move_to_trash(const std::string& path) override;
  std::error_code flush() override;
  std::error_code make_folder(const std::string& folder) override;
  bool folder_exists(const std::string& folder) override;

  // The files whose names end in ".jpg" in any letter case.
  std::size_t jpg_files() const;

 private:
  std::string root_;  // ends in "/"
  std::size_t files_;
  std::size_t per_folder_;
  std::size_t leaves_;  // folders of the fourth level that hold files
  std::size_t branch_;  // folders per folder on the first three levels
};

}  // namespace tolvane::bench
