// The words the window says about a scan and a refused copy: Label2's count
// line with why nothing was read, the details behind it (its tooltip and
// accessible description), and the message for a destination text that
// names no folder.  Plain UTF-8, the same for every front end.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "scan/folder_walk.h"

namespace tolvane::form {

// Why a Command1 click read nothing, as the count line tells it.
enum class NothingRead : std::uint8_t {
  empty_text,         // Text1 is empty
  ends_in_separator,  // Text1 ends in a separator, "C:\" included: no walk
  folder_missing,     // the walk found no folder at Text1's path
};

// Why the scan of `text1` read nothing, if that is what happened: no walk
// (`walked` false), or a walk whose start folder does not exist.
std::optional<NothingRead> nothing_read(std::string_view text1, bool walked,
                                        const scan::ScanResult& result);

// Label2 after a scan that listed `files`: "共计读取120条" with the folders
// that were not read or left out by the dot rule, and why nothing was read
// when `why` says so ("共计读取0条（文件夹不存在）").  Short enough for
// Label2 at every scale.
std::string count_caption(std::size_t files, const scan::ScanResult& result,
                          std::optional<NothingRead> why);

// The folders behind the count line, unreadable ones first, then those left
// out; empty when there are none.
std::string scan_details(const scan::ScanResult& result);

// The message a Command2 click shows instead of copying when `text2` names
// no destination folder (empty, or ending in a separator); nothing when it
// does.
std::optional<std::string> destination_refusal(std::string_view text2);

}  // namespace tolvane::form
