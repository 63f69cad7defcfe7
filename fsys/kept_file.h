// What undoing a copy run needs to know of a file it wrote or moved: the
// copy's identity, by which a later look tells whether it is still the run's
// copy, and where a file the copy replaced was kept.
#pragma once

#include <cstdint>
#include <string>

namespace tolvane::fsys {

struct FileIdentity {
  std::uint64_t size = 0;
  // Nanoseconds since 1970-01-01 UTC, as the volume keeps them.
  std::int64_t modified = 0;
  // The file's number on its volume, where the volume keeps it across
  // mounts; empty where it does not (FAT and exFAT through FUSE make numbers
  // up), and then size and time alone identify the copy.
  std::string file_id;

  bool known() const { return modified != 0 || size != 0 || !file_id.empty(); }
};

// True when `now` is still the file that `recorded` describes: the same size
// and time (the time cut as a coarse volume cuts it), and the same number
// where both have one.
bool same_file_as_recorded(const FileIdentity& now, const FileIdentity& recorded);

// The same content by size and time alone, as the quick check judges a
// target: a copy and its source, which are two files.
bool same_content_as_recorded(const FileIdentity& now, const FileIdentity& recorded);

// The modification time of the empty file by which a copy on a volume that
// cannot rename without replacing holds its target's name for an instant
// (1980-01-01 00:00:02 UTC, which FAT and exFAT keep exactly), in seconds.
inline constexpr std::int64_t name_reservation_time = 315532802;

// True for such a reservation, which a run killed in that instant leaves:
// nothing of the user's is in it.  FAT keeps local time, so a reservation
// read in another time zone is off by whole hours, never by a day.
bool is_name_reservation(const FileIdentity& file);

enum class KeptIn : std::uint8_t {
  nowhere,      // nothing was replaced
  trash,        // the freedesktop trash: the home one or the volume's .Trash-$uid
  set_aside,    // the destination's folder for replaced files
  recycle_bin,  // the Windows Recycle Bin
};

struct KeptFile {
  KeptIn where = KeptIn::nowhere;
  std::string file;    // where it now is (empty in the Recycle Bin)
  std::string record;  // the trash's .trashinfo record, if any
};

}  // namespace tolvane::fsys
