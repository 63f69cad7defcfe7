// The folder texts a user types, and the destination checked before a copy,
// written once for the window and the command line: which texts name no
// folder and why, and whether the folder a destination text names is there,
// is a file, or is missing.  The command line foresees more before it reads
// anything (destination_writable).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "fsys/file_system.h"

namespace tolvane::app {

// Why a folder text (Text1, Text2, SOURCE, DEST) names no folder.
enum class TextFault : std::uint8_t {
  empty,              // nothing typed
  ends_in_separator,  // "C:\", "photos/": taking the separator away names the folder
  root,               // only separators ("/"): taking them away would leave nothing
};

// Why `text` (untrimmed) names no folder; nothing when it names one.
std::optional<TextFault> text_fault(std::string_view text);

enum class DestinationProblem : std::uint8_t {
  none,
  text,            // the text names no folder: see text_fault
  is_file,         // a file stands at its path
  not_writable,    // an existing folder this process may not write in
  cannot_be_made,  // missing, and the nearest folder above it may not be written in
};

struct DestinationCheck {
  // The folder path the text names, ending in the separator; empty when it
  // names none.
  std::string root;
  // Where the user finds it: its absolute path without the separator (the
  // text itself when it names no folder).
  std::string shown;
  DestinationProblem problem = DestinationProblem::none;
  std::optional<TextFault> text_fault;
  // No folder there yet: a run into it makes it first, with the folders
  // above it.
  bool missing = false;
  // For cannot_be_made: the nearest folder above that exists, as shown; empty
  // when there is none (a drive or a share that is not there).
  std::string nearest;

  bool usable() const { return problem == DestinationProblem::none; }
};

// What `text` (untrimmed) names as a destination, looked at through
// `file_system`: a folder that is there, a missing one, a file, or nothing.
DestinationCheck check_destination(std::string_view text, fsys::FileSystem& file_system);

// The command line refuses before the run what would fail every entry alike:
// sets not_writable or cannot_be_made on a `check` that was usable when this
// process may not write in the folder, or in the nearest folder above a
// missing one.  Asked of the system itself (fsys/folder_access.h).
void destination_writable(DestinationCheck& check, fsys::FileSystem& file_system);

}  // namespace tolvane::app
