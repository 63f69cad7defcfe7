// A window for Form1's behaviour without any toolkit: it keeps what the form
// sets, lets a test set what a user would, and runs a test's hooks where a
// real window would process events or show its message box.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "form/form1.h"
#include "form/form1_controls.h"
#include "scan/file_list.h"

namespace tolvane::form::testing {

class FakeForm1Controls : public Form1Controls {
 public:
  Form1* form = nullptr;  // receives Combo1_Click when the index is set

  std::map<Control, std::string> captions, texts, descriptions;
  std::map<Control, bool> disabled;
  std::vector<std::string> combo_items;
  int selected = -1;
  std::int16_t check = 0;
  scan::FileList files;
  int progress_min = -1, progress_max = -1, progress_value = -1;
  std::vector<std::pair<std::string, bool>> messages;  // text, warning
  std::vector<std::string> questions;                  // every Yes/No question asked
  bool answer_yes = false;                             // the answer to each
  Control focus = Control::Command1;
  int focus_moves = 0;  // bumped whenever the focus changes hands
  bool closed = false;
  bool undo_enabled = false;         // the undo item, as the form last set it
  bool preview_enabled = false;      // the preview item, as the form last set it
  std::vector<app::CopyPlan> plans;  // every plan shown, in order
  struct TaskState {
    TaskProgress state;
    int value, max;
    bool operator==(const TaskState&) const = default;
  };
  std::vector<TaskState> task_states;  // every show_task_progress, in order
  int runs_ended = 0;

  std::function<void()> on_process_events, on_keep_alive, on_message, on_question, on_run_ended;

  bool enabled(Control control) const {
    return !disabled.contains(control) || !disabled.at(control);
  }

  void set_caption(Control control, std::string_view text) override {
    captions[control] = std::string(text);
  }
  std::string text(Control control) override { return texts[control]; }
  void set_text(Control control, std::string_view text) override {
    texts[control] = std::string(text);
  }
  void set_enabled(Control control, bool enabled) override {
    disabled[control] = !enabled;
    // As on every desktop: a control that loses its enabled state gives the
    // focus away.
    if (!enabled && focus == control) move_focus(Control::Form1);
  }
  void set_description(Control control, std::string_view text) override {
    descriptions[control] = std::string(text);
  }
  void add_combo_item(std::string_view text) override { combo_items.emplace_back(text); }
  void set_combo_index(int index) override {
    selected = index;
    if (form != nullptr) form->Combo1_Click();
  }
  int combo_index() override { return selected; }
  std::string combo_item(int index) override {
    return combo_items.at(static_cast<std::size_t>(index));
  }
  std::int16_t check_value() override { return check; }
  void set_check_value(std::int16_t value) override { check = value; }
  void clear_lists() override { files.clear(); }
  void append_to_lists(std::string_view path, std::string_view tag) override {
    files.append(path, tag);
  }
  void show_new_rows() override {}
  const scan::FileList& lists() override { return files; }
  void show_progress(int min, int max, int value) override {
    progress_min = min;
    progress_max = max;
    progress_value = value;
  }
  void show_message(std::string_view text, bool warning) override {
    messages.emplace_back(text, warning);
    if (on_message) on_message();
  }
  bool ask_yes_no(std::string_view text) override {
    questions.emplace_back(text);
    if (on_question) on_question();
    return answer_yes;
  }
  bool has_focus(Control control) override { return focus == control; }
  void set_focus(Control control) override { move_focus(control); }
  std::uintptr_t focus_mark() override { return static_cast<std::uintptr_t>(focus_moves); }
  void process_events() override {
    if (on_process_events) on_process_events();
  }
  void keep_alive() override {
    if (on_keep_alive) on_keep_alive();
  }
  void close_window() override { closed = true; }
  void set_undo_enabled(bool enabled) override { undo_enabled = enabled; }
  void set_preview_enabled(bool enabled) override { preview_enabled = enabled; }
  void show_plan(app::CopyPlan plan) override { plans.push_back(std::move(plan)); }
  void show_task_progress(TaskProgress state, int value, int max) override {
    task_states.push_back({state, value, max});
  }
  void run_ended() override {
    ++runs_ended;
    if (on_run_ended) on_run_ended();
  }

  void move_focus(Control control) {
    focus = control;
    ++focus_moves;
  }
};

}  // namespace tolvane::form::testing
