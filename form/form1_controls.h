// What Form1's behaviour needs of a window: the controls it reads and sets,
// the modal message box, and the two ways of letting the window breathe.
// Each front end (Qt, Win32, tests' fakes) implements it with its own
// controls; Form1 holds every rule and never sees a toolkit.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "app/copy_plan.h"

namespace tolvane::scan {
class FileList;
}

namespace tolvane::form {

// The window and its controls by their designer names, in tab order.
enum class Control : std::uint8_t {
  Form1,
  Command1,
  Text1,
  List1,
  Command2,
  List2,
  Label2,
  Label3,
  Label1,
  Combo1,
  Label4,
  Label5,
  Text2,
  ProgressBar1,
  Label6,
  Label8,
  Label7,
  Check1,
};

// How many controls there are, window included, for tables indexed by
// Control: Check1 is the last, and a control added after it moves this.
inline constexpr std::size_t control_count = static_cast<std::size_t>(Control::Check1) + 1;

// How a copy run stands, for a desktop that shows it beside the window (the
// taskbar button on Windows).
enum class TaskProgress : std::uint8_t {
  none,    // no run: nothing shown
  normal,  // under way, nothing failed so far
  error,   // under way or just ended, with entries that failed
};

// Texts are UTF-8 throughout; a front end converts at its own boundary.
class Form1Controls {
 public:
  virtual ~Form1Controls() = default;

  // The caption of the window (Control::Form1), a label, a button or the
  // check box.
  virtual void set_caption(Control control, std::string_view text) = 0;
  // The text of Text1, Text2 or Combo1's edit field, exactly as it stands.
  virtual std::string text(Control control) = 0;
  virtual void set_text(Control control, std::string_view text) = 0;
  virtual void set_enabled(Control control, bool enabled) = 0;
  // A longer text that assistive tools read and the pointer shows (the
  // tooltip and accessible description); empty removes it.
  virtual void set_description(Control control, std::string_view text) = 0;

  // Combo1's list.  Adding an item never raises Combo1's click; setting the
  // selected index does, and the front end forwards it to
  // Form1::Combo1_Click like a user's choice.
  virtual void add_combo_item(std::string_view text) = 0;
  virtual void set_combo_index(int index) = 0;
  virtual int combo_index() = 0;  // -1 when nothing is selected
  virtual std::string combo_item(int index) = 0;

  // Check1: 1 checked, 0 unchecked.
  virtual std::int16_t check_value() = 0;
  virtual void set_check_value(std::int16_t value) = 0;

  // List1 (paths) and List2 (tags), which grow together.  Appended entries
  // may reach the screen only at the next show_new_rows(), so a scan of a
  // million files does not redraw a million times.
  virtual void clear_lists() = 0;
  virtual void append_to_lists(std::string_view path, std::string_view tag) = 0;
  virtual void show_new_rows() = 0;
  virtual const scan::FileList& lists() = 0;

  // ProgressBar1 in whole steps.
  virtual void show_progress(int min, int max, int value) = 0;

  // A modal message box titled "Tolvane" with one OK button, a warning icon
  // when `warning` is set; returns when the user has dismissed it.
  virtual void show_message(std::string_view text, bool warning) = 0;
  // A modal message box titled "Tolvane" with a question icon and the
  // buttons Yes (the default) and No; true when the user chose Yes.
  virtual bool ask_yes_no(std::string_view text) = 0;

  virtual bool has_focus(Control control) = 0;
  virtual void set_focus(Control control) = 0;
  // An opaque mark of whatever holds the keyboard focus now, to tell later
  // whether the user has moved it.
  virtual std::uintptr_t focus_mark() = 0;

  // Processes every pending event, input included: a scan's listing lets the
  // user act while it runs (the handlers refuse what must not run then).
  virtual void process_events() = 0;
  // Processes only what keeps the window alive (painting, the window
  // system's pings, moving and minimising) and discards user input: the
  // walk and the copy run take no input, yet must never look hung.
  virtual void keep_alive() = 0;

  // The item "撤销上次拷贝" of the window's context menu, and its Ctrl+Z.
  virtual void set_undo_enabled(bool enabled) = 0;

  // The item "预览拷贝…" of the window's context menu, and its Ctrl+P.
  virtual void set_preview_enabled(bool enabled) = 0;
  // Shows `plan` in the plan window, a window of its own that the user may
  // resize and keep open beside this one, opened if it is not and brought to
  // the front; a plan shown earlier is replaced.  Returns at once.
  virtual void show_plan(app::CopyPlan plan) = 0;

  // Closes the window for good (a close asked for during a scan, granted
  // once the scan has returned).
  virtual void close_window() = 0;

  // A copy run's progress, `value` of `max` steps, where the desktop shows
  // it outside the window; a front end whose desktop has no such place
  // leaves it out.
  virtual void show_task_progress(TaskProgress /*state*/, int /*value*/, int /*max*/) {}
  // A scan or a copy run has ended, a copy's before its closing message: a
  // window the user has left for another may ask to be looked at.
  virtual void run_ended() {}
};

}  // namespace tolvane::form
