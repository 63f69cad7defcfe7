// The program's own words for its manual pages: Form1's load handler run
// over controls that only keep what it sets, and the texts app/ words.
#include "man/program_words.h"

#include <cstdint>
#include <memory>
#include <vector>

#include "app/plan_texts.h"
#include "app/session.h"
#include "app/undo_texts.h"
#include "app/user_texts.h"
#include "copy/copy_run.h"
#include "form/form1.h"
#include "form/form1_controls.h"
#include "form/form1_layout.h"
#include "fsys/file_system.h"
#include "journal/journals.h"
#include "scan/file_list.h"

namespace tolvane::man {
namespace {

using form::Control;

// A window that shows nothing: it keeps the captions, texts and list items
// the form gives it.
class CaptionRecorder final : public form::Form1Controls {
 public:
  std::map<Control, std::string> captions, texts;
  std::vector<std::string> combo_items;

  void set_caption(Control control, std::string_view text) override {
    captions[control] = std::string(text);
  }
  std::string text(Control control) override { return texts[control]; }
  void set_text(Control control, std::string_view text) override {
    texts[control] = std::string(text);
  }
  void set_enabled(Control, bool) override {}
  void set_description(Control, std::string_view) override {}
  void add_combo_item(std::string_view text) override { combo_items.emplace_back(text); }
  void set_combo_index(int index) override { index_ = index; }
  int combo_index() override { return index_; }
  std::string combo_item(int index) override {
    return index >= 0 && static_cast<std::size_t>(index) < combo_items.size() ? combo_items[index]
                                                                              : std::string();
  }
  std::int16_t check_value() override { return 0; }
  void set_check_value(std::int16_t) override {}
  void clear_lists() override { files_.clear(); }
  void append_to_lists(std::string_view path, std::string_view tag) override {
    files_.append(path, tag);
  }
  void show_new_rows() override {}
  const scan::FileList& lists() override { return files_; }
  void show_progress(int, int, int) override {}
  void show_message(std::string_view, bool) override {}
  bool ask_yes_no(std::string_view) override { return false; }
  bool has_focus(Control) override { return false; }
  void set_focus(Control) override {}
  std::uintptr_t focus_mark() override { return 0; }
  void process_events() override {}
  void keep_alive() override {}
  void set_undo_enabled(bool) override {}
  void set_preview_enabled(bool) override {}
  void show_plan(app::CopyPlan) override {}
  void close_window() override {}

 private:
  scan::FileList files_;
  int index_ = -1;
};

// The controls whose captions the load handler sets; a template calls each
// by its designer name.
constexpr Control captioned[] = {
    Control::Command1, Control::Command2, Control::Label1, Control::Label2, Control::Label3,
    Control::Label4,   Control::Label5,   Control::Label6, Control::Label7, Control::Label8};

std::string joined(const std::vector<std::string>& items, std::string_view between) {
  std::string out;
  for (const std::string& item : items) {
    if (!out.empty()) out.append(between);
    out.append(item);
  }
  return out;
}

}  // namespace

std::map<std::string, std::string> program_words() {
  CaptionRecorder window;
  // Keeping no journal: the load handler only asks whether there is a run to undo.
  app::Session session(fsys::make_native_file_system(), "");
  form::Form1 form(window, session);
  form.Form_Load();

  std::map<std::string, std::string> words;
  words["Form1"] = window.captions[Control::Form1];
  for (Control control : captioned) {
    words[std::string(form::place_of(control).name)] = window.captions[control];
  }
  // Drawn with the window rather than set by the load handler.
  words["Check1"] = std::string(form::place_of(Control::Check1).caption);
  words["start_text"] = window.texts[Control::Text1];
  words["extensions"] = joined(window.combo_items, "、");
  words["first_extension"] = window.combo_items.empty() ? "" : window.combo_items.front();

  words["count_line"] = app::count_line(120, 0);
  words["count_line_unreadable"] = app::count_line(120, 2);
  words["count_line_left_out"] = app::count_line(120, 0, 3);
  words["nothing_read"] =
      app::count_caption(0, scan::ScanResult{}, app::NothingRead::folder_missing);
  words["destination_empty"] = app::destination_refusal(session.check_destination("")).value_or("");
  words["destination_trailing"] =
      app::destination_refusal(session.check_destination("/home/user/归集/")).value_or("");
  words["destination_question"] = app::destination_question("/home/user/归集/2026");
  copy::CopyReport report;
  report.entries = 120;
  words["closing_message"] = app::closing_message(report);
  copy::CopyReport stopped;
  stopped.entries = 120;
  stopped.left = 180;
  stopped.stopped = true;
  words["stopped_message"] = app::closing_message(stopped);
  words["stop_question"] = app::stop_question(120, 300);
  scan::ScanResult scan_stopped;
  scan_stopped.stopped = true;
  words["scan_stopped"] = app::count_caption(120, scan_stopped, std::nullopt);
  words["progress_prefix"] = std::string(app::progress_prefix);
  words["flushing_suffix"] = std::string(app::flushing_suffix);
  words["set_aside_folder"] = std::string(app::set_aside_folder_name);
  words["undo_item"] = std::string(app::undo_item);
  words["undo_keys"] = std::string(app::undo_keys);
  words["preview_item"] = std::string(app::preview_item);
  words["preview_keys"] = std::string(app::preview_keys);
  words["plan_filter"] = std::string(app::plan_filter);
  const journal::JournalLimits limits;
  words["needed_days"] = std::to_string(limits.needed_for.count() / 24);
  words["unneeded_days"] = std::to_string(limits.unneeded_for.count() / 24);
  words["kept_gib"] = std::to_string(limits.kept_bytes >> 30);
  return words;
}

}  // namespace tolvane::man
