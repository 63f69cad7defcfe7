// Form1's behaviour, written once for every front end: the load handler,
// the click handlers of Command1 (the scan), Command2 (the copy) and
// Combo1, the refusals while a run is under way, and the progress display.
// It reaches the window only through Form1Controls, and the disk only
// through the application session, handing it the controls' values when a
// button is pressed.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "app/run_events.h"
#include "app/session.h"
#include "app/stop_request.h"
#include "copy/copy_worker_count.h"
#include "form/form1_controls.h"

namespace tolvane::form {

class Form1 : public app::ScanEvents {
 public:
  // Scans, copies and undo go through `session`, which keeps the journals;
  // both references must outlive the form.
  Form1(Form1Controls& controls, app::Session& session);
  ~Form1() override;
  Form1(const Form1&) = delete;
  Form1& operator=(const Form1&) = delete;

  // Sets every caption and default; run once, right after the controls exist.
  void Form_Load();

  // The handlers.  Each refuses to run while a scan or a copy run is under
  // way, whatever raised it: a click, a key, an assistive tool's action or a
  // message sent by another program.
  void Command1_Click();
  void Command2_Click();
  void Combo1_Click();
  // Text2's text changed: the undo item follows the folder it names.
  void Text2_Change();
  // "撤销上次拷贝" (the context menu, Ctrl+Z): asks, in numbers, then undoes
  // the last run into the folder Text2 names and says what was done and
  // left.  Says there is nothing to undo when there is no such run.
  void Undo_Click();
  // True when the journal holds a run into Text2's folder not yet undone.
  bool undo_available();
  // "预览拷贝…" (the context menu, Ctrl+P): the plan of 拷贝 as it would run
  // now (the listed entries, Text2, Combo1, Check1), made by the same
  // planner over a file system that writes nothing, shown in the plan
  // window.  A destination 拷贝 would refuse is refused in the same words.
  void Preview_Click();
  // True when the list holds entries and Text2 is filled, and no run is
  // under way.
  bool preview_available();

  // The window system asks to close the window: true when it may close now.
  // During a scan the scan stops and the window closes once it has
  // returned; during a copy run the user is asked whether to stop it, as by
  // Escape, and the window closes once a run so stopped has ended.
  bool close_requested();
  // Escape: stops a scan at once (the list keeps what it found); during a
  // copy run asks whether to stop it, at the run's next chance to ask.
  void Escape_Press();
  // The copy run's display offers the question Escape or the close button
  // asked for, with the entries `done` so far; on Yes the run stops.
  void ask_to_stop(std::size_t done);

  // True from the start of a scan or copy run until its handler returns
  // (for a copy, after its closing message has been dismissed).
  bool busy() const { return scanning_ || copying_; }
  bool scanning() const { return scanning_; }
  bool copying() const { return copying_; }

  // ProgressBar1's Max and Value, single precision as the bar keeps them.
  float progress_max() const { return progress_max_; }
  float progress_value() const { return progress_value_; }
  void set_progress_max(float value);
  void set_progress_value(float value);
  // For the copy run, which sets the value for every entry but draws it only
  // now and then.
  void set_progress_value_quietly(float value) { progress_value_ = value; }
  void show_progress();
  // The copy run's progress outside the window: where the bar stands, or
  // the whole way once `finished`.
  void show_task_progress(TaskProgress state, bool finished = false);

  bool command2_enabled() const { return command2_enabled_; }

  // How many threads copy the data in a copy run; copy::default_copy_workers()
  // unless a benchmark compares others.
  void set_copy_workers(std::size_t count) { copy_workers_ = count; }

  // The end of every Command2 click: the bar back to 0, Command2 disarmed.
  void end_copy_command();

  Form1Controls& controls() { return controls_; }

  // app::ScanEvents
  std::string extension_text() override;
  void append_file(std::string_view path, std::string_view tag) override;
  bool yield() override;
  void breathe() override;
  void walk_starting() override;

 private:
  // Holds the buttons disabled for the length of a walk.
  class ScanGuard;
  void set_command2_enabled(bool enabled);
  // True when the missing destination `destination` has been made, with the
  // folders above it, on the user's Yes; `made` gets those folders.
  bool destination_made(const app::DestinationCheck& destination, std::vector<std::string>& made);

  // Enables or disables the undo item as undo_available() says.
  void follow_undo();
  // Enables or disables the preview item as preview_available() says.
  void follow_preview();
  // What 拷贝 hands the session, from the controls as they stand now.
  app::CopyRequest copy_request(std::string destination_text, std::vector<std::string> made);

  Form1Controls& controls_;
  app::Session& session_;
  std::unique_ptr<ScanGuard> scan_guard_;  // for the length of a walk
  // Folders the last scan could not read: the list lacks their files.
  std::size_t folders_unreadable_ = 0;

  float progress_min_ = 0;
  float progress_max_ = 100;
  float progress_value_ = 0;

  bool scanning_ = false;
  bool copying_ = false;
  bool close_requested_ = false;  // the window was closed during a scan

  // What a scan and a copy run listen to.
  app::StopRequest stop_;
  // From the start of a copy run to its end, its closing message excluded.
  bool copy_running_ = false;
  // Escape or the close button asked to stop the copy run: the question is
  // put at the run's next chance, not inside the key's own event.
  enum class StopAsked : std::uint8_t { no, by_key, by_close };
  StopAsked stop_asked_ = StopAsked::no;
  bool asking_to_stop_ = false;
  // The user stopped the copy run by closing the window: it closes once the
  // run has ended and its message has been read.
  bool close_after_copy_ = false;
  bool command2_enabled_ = false;
  std::size_t copy_workers_ = copy::default_copy_workers();
  std::chrono::steady_clock::time_point last_events_;
  std::chrono::steady_clock::duration events_wait_{};  // from one processing of events to the next
};

}  // namespace tolvane::form
