// What a copy run needs of the window: the file list and settings it reads,
// the progress display and closing message it writes.  Form1 implements it
// with its widgets; the tests with a plain fake.  Settings are read at the
// moment they are used, once per entry, never copied beforehand.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "fsys/file_system.h"

namespace tolvane::copy {

struct CopyFailure;

// What became of one entry, told to the window right after the run has
// dealt with it.  The views live only for the length of the call.
struct EntryResult {
  std::size_t index = 0;
  std::string_view source;
  // The path written, or the one that failed or was refused.
  std::string_view target;
  // The target's first name was taken (by a listed source or an earlier
  // copy of this run), so it took the next free number or "(k)".
  bool renumbered = false;
  // What the copy did with the target (meaningless when it failed).
  fsys::CopyOutcome outcome = fsys::CopyOutcome::copied;
  // Set when the entry was not copied.
  const CopyFailure* failure = nullptr;
};

class CopyWindow {
 public:
  virtual ~CopyWindow() = default;

  // The number of items in List1 (read once, when the run starts).
  virtual std::size_t entry_count() = 0;
  // Item `index` of List1: a listed file's full path.
  virtual std::string source_path(std::size_t index) = 0;
  // Item `index` of List2: that file's folder tag.
  virtual std::string folder_tag(std::size_t index) = 0;

  // True when Check1's value is 1 (flat mode: no per-tag subfolders).
  virtual bool flat_mode() = 0;
  // The text of Combo1 as it stands at this moment.
  virtual std::string extension_text() = 0;

  // ProgressBar1.Max.
  virtual float progress_max() = 0;
  // Sets ProgressBar1.Value to `value` and Label6's caption.  The run holds
  // the window's thread: the window repaints these two a few times a second
  // here, processing paint events only, never user input.
  virtual void set_progress(int value, std::string_view label6_caption) = 0;
  // The same, drawn at once: for a state the run stays in for a while, such
  // as waiting for the copies to reach the disk.
  virtual void set_progress_now(int value, std::string_view label6_caption) {
    set_progress(value, label6_caption);
  }

  // Called on the run's thread while it waits for copies made on other
  // threads, every few dozen milliseconds: the window may answer the window
  // system, as during set_progress, never take input.
  virtual void keep_alive() {}

  // The closing message box: title "Tolvane", one OK button, `text`; a
  // warning icon when `warning` is set, otherwise no icon.  Modal.
  virtual void show_report(std::string_view text, bool warning) = 0;

  // Called once per entry, after its copy or its failure; a front end that
  // lists outcomes (the command line) overrides it, the window does not.
  virtual void entry_done(const EntryResult& /*result*/) {}

  // After a Command2 click, run or not: ProgressBar1.Value back to 0 and
  // Command2 disabled.
  virtual void end_copy_command() = 0;
};

}  // namespace tolvane::copy
