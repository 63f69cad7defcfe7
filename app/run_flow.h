// The scan and the copy run as every front end drives them, written once:
// the Qt and Win32 windows through Form1, the command line directly.  A
// scan reads the source folder a text names into a file list; a copy run
// copies that list into the folder another text names, then words what
// happened in one closing message and ends the command.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "app/run_display.h"
#include "app/user_texts.h"
#include "copy/copy_run.h"
#include "copy/copy_worker_count.h"
#include "fsys/file_system.h"
#include "scan/folder_walk.h"
#include "scan/scan_front_end.h"

namespace tolvane::app {

// What a scan did: the folder its text named (none: no walk), the walk's
// result, and why nothing was read when that is what happened.
struct ScanOutcome {
  std::optional<std::string> folder;
  scan::ScanResult result;
  std::optional<NothingRead> nothing_read;
};

// Why the scan of `source_text` read nothing, if that is what happened: no
// walk (`walked` false), or a walk whose start folder does not exist.
std::optional<NothingRead> nothing_read(std::string_view source_text, bool walked,
                                        const scan::ScanResult& result);

// Walks the folder `source_text` (untrimmed) names into `front_end`'s file
// list; no walk when the text names no folder.  `walk_starting` runs just
// before a walk, so that a window can refuse presses for its length.
ScanOutcome scan_source(std::string_view source_text, fsys::FileSystem& file_system,
                        scan::ScanFrontEnd& front_end,
                        scan::DottedFolders dotted = scan::DottedFolders::left_out,
                        const std::function<void()>& walk_starting = {});

// Copies every entry of `display` into `destination` (a folder path ending in
// the separator), as copy::copy_entries does, then shows the closing message.
// A run whose journal cannot be written asks the display first; on its No
// nothing is copied or shown.
copy::CopyReport copy_folder(const std::string& destination, fsys::FileSystem& file_system,
                             RunDisplay& display,
                             std::size_t workers = copy::default_copy_workers());

// The copy command: copies into the folder that `destination_text`
// (untrimmed) names, unless it is empty or already ends in the separator;
// then, in every case, display.end_copy_command().  Returns the report of
// the run, or nothing when no run took place.
std::optional<copy::CopyReport> run_copy_command(
    std::string_view destination_text, fsys::FileSystem& file_system, RunDisplay& display,
    std::size_t workers = copy::default_copy_workers());

}  // namespace tolvane::app
