// The file system a dry run copies into: it reads the real disk to see what
// stands where, remembers the folders and files the run would have made, and
// writes nothing.  The real copy run goes over it unchanged, so its names,
// renumberings and refusals are the ones a real run makes.
#pragma once

#include <optional>
#include <string>
#include <unordered_map>
#include <unordered_set>

#include "fsys/file_system.h"

namespace tolvane::app {

class PlanFileSystem final : public fsys::WholeCopyFileSystem {
 public:
  // `disk` is only read; it must outlive this.
  explicit PlanFileSystem(fsys::FileSystem& disk) : disk_(disk) {}

  fsys::FolderContents read_folder(const std::string& folder) override;
  // Fails as the disk would for a missing source, one that cannot be opened
  // for reading, a missing folder, a name too long or a folder at the
  // target; otherwise notes the target and succeeds.  Faults it cannot
  // foresee (a full disk, a folder without write permission below DEST)
  // show only in a real run.  `outcome` is what the copy would do with a
  // file already there: the disk's own quick check says whether it is left
  // unchanged (unless `look_alike` says it holds another source's copy),
  // and its trash whether a different one goes there or is set aside in
  // the destination.
  std::error_code copy_whole(const std::string& source, const std::string& target,
                             fsys::LookAlike look_alike, fsys::CopyOutcome& outcome) override;
  // Nothing goes to the trash and nothing needs flushing: nothing is written.
  std::error_code move_to_trash(const std::string& path) override;
  std::error_code flush() override { return {}; }
  // Fails for a missing parent, a name too long or one already in use;
  // otherwise notes the folder.
  std::error_code make_folder(const std::string& folder) override;
  bool folder_exists(const std::string& folder) override;
  // Asked of the disk without writing: a name listed in `folder` is looked
  // for in the other letter case.  An empty folder tells nothing, and the
  // plan then takes the volume to keep case apart.
  bool folds_letter_case(const std::string& folder) override;
  // Where a replaced file would be set aside, as the disk's backend keeps it.
  void set_destination_root(const std::string& root, std::string_view /*name*/) override {
    set_aside_root_ = root;
  }

 private:
  // What the disk or the plan holds at `path` (a path without a trailing
  // separator); nothing when the name is free.
  std::optional<fsys::EntryKind> kind_at(const std::string& path);

  fsys::FileSystem& disk_;
  // Per folder key: its listing on the disk, by name key.
  std::unordered_map<std::string, std::unordered_map<std::string, fsys::EntryKind>> listings_;
  std::unordered_set<std::string> planned_folders_;  // path keys, without the separator
  std::unordered_set<std::string> planned_files_;    // path keys
  std::string set_aside_root_;                       // empty: none told
};

}  // namespace tolvane::app
