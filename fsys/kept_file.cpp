// Whether a file is still the copy a run recorded.
#include "fsys/kept_file.h"

#include "fsys/quick_check.h"

namespace tolvane::fsys {

bool same_content_as_recorded(const FileIdentity& now, const FileIdentity& recorded) {
  return now.size == recorded.size &&
         same_modification_time(now.modified, recorded.modified, 1'000'000'000);
}

bool same_file_as_recorded(const FileIdentity& now, const FileIdentity& recorded) {
  if (!same_content_as_recorded(now, recorded)) return false;
  return now.file_id.empty() || recorded.file_id.empty() || now.file_id == recorded.file_id;
}

bool is_name_reservation(const FileIdentity& file) {
  constexpr std::int64_t day = 24 * 60 * 60;
  const std::int64_t seconds = file.modified / 1'000'000'000;
  return file.size == 0 && seconds > name_reservation_time - day &&
         seconds < name_reservation_time + day;
}

}  // namespace tolvane::fsys
