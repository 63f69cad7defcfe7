// A failed entry's reason: the scan's unreadable folders are worded the same
// way, so the phrases live with the file services; a refused trash says that
// the old file is untouched.
#include "copy/failure_reason.h"

#include "fsys/error_words.h"
#include "fsys/trash_error.h"

namespace tolvane::copy {

std::string failure_reason(std::error_code error) {
  if (error.category() != fsys::trash_category()) return fsys::error_in_words(error);
  // The old file is all the user may have left: say that it is untouched.
  const std::string kept = "原有文件无法移入回收站，已原样保留，未拷贝：";
  if (error == std::errc::cross_device_link) return kept + "该磁盘上没有可用的回收站";
  return kept + fsys::error_in_words(std::error_code(error.value(), std::generic_category()));
}

}  // namespace tolvane::copy
