// Form1 in Qt Widgets: creates the controls of the window, lays them out and
// forwards their events to the form's behaviour (form::Form1), which it
// serves through form::Form1Controls.  It holds no rule of its own.
#pragma once

#include <QAction>
#include <QWidget>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "app/session.h"
#include "form/form1.h"
#include "form/form1_controls.h"
#include "fsys/file_system.h"

class QCheckBox;
class QMenu;
class QComboBox;
class QLabel;
class QLineEdit;
class QListView;
class QProgressBar;
class QPushButton;

namespace tolvane::scan {
class FileList;
}

namespace tolvane::qt {

class FileListModel;
class PlanWindow;

class Form1 : public QWidget, private form::Form1Controls {
  Q_OBJECT

 public:
  // Builds the controls and runs the load handler.  Scans and copies reach
  // the disk through `file_system`, in the window's one application session.
  explicit Form1(std::unique_ptr<fsys::FileSystem> file_system = fsys::make_native_file_system(),
                 QWidget* parent = nullptr);
  ~Form1() override;

  // What the tests and tools read of the form's state.
  std::string extension_text() { return form_->extension_text(); }
  const scan::FileList& file_list() const;  // List1 paths, List2 tags
  std::int16_t check1_value() const;        // 1 checked, 0 unchecked
  float progress_max() const { return form_->progress_max(); }
  float progress_value() const { return form_->progress_value(); }
  void set_progress_value(float value) { form_->set_progress_value(value); }
  void set_progress_line(const QString& text);  // Label6's caption
  bool scanning() const { return form_->scanning(); }
  bool busy() const { return form_->busy(); }
  void set_copy_workers(std::size_t count) { form_->set_copy_workers(count); }
  // "撤销上次拷贝": in the context menu of List1 and of the window, and Ctrl+Z.
  QAction* undo_action() const { return undo_action_; }
  // "预览拷贝…": in the same menus, and Ctrl+P.
  QAction* preview_action() const { return preview_action_; }
  // The plan window; null until a plan has been shown.
  PlanWindow* plan_window() const { return plan_window_; }

 public slots:
  void Command1_Click() { form_->Command1_Click(); }
  void Command2_Click() { form_->Command2_Click(); }
  void Combo1_Click() { form_->Combo1_Click(); }

 protected:
  void closeEvent(QCloseEvent* event) override;
  // Escape anywhere in the window while a scan or a copy run holds it.
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void create_controls();
  void create_undo_item();
  void create_preview_item();
  void name_controls_for_assistive_tools();
  QWidget* widget(form::Control control) const;

  // form::Form1Controls
  void set_caption(form::Control control, std::string_view text) override;
  std::string text(form::Control control) override;
  void set_text(form::Control control, std::string_view text) override;
  void set_enabled(form::Control control, bool enabled) override;
  void set_description(form::Control control, std::string_view text) override;
  void add_combo_item(std::string_view text) override;
  void set_combo_index(int index) override;
  int combo_index() override;
  std::string combo_item(int index) override;
  std::int16_t check_value() override;
  void set_check_value(std::int16_t value) override;
  void clear_lists() override;
  void append_to_lists(std::string_view path, std::string_view tag) override;
  void show_new_rows() override;
  const scan::FileList& lists() override;
  void show_progress(int min, int max, int value) override;
  void show_message(std::string_view text, bool warning) override;
  bool ask_yes_no(std::string_view text) override;
  bool has_focus(form::Control control) override;
  void set_focus(form::Control control) override;
  std::uintptr_t focus_mark() override;
  void process_events() override;
  void keep_alive() override;
  void close_window() override;
  void set_undo_enabled(bool enabled) override;
  void set_preview_enabled(bool enabled) override;
  void show_plan(app::CopyPlan plan) override;
  void run_ended() override;

  app::Session session_;
  QAction* undo_action_ = nullptr;
  QMenu* context_menu_ = nullptr;
  QAction* preview_action_ = nullptr;
  PlanWindow* plan_window_ = nullptr;
  FileListModel* file_model_ = nullptr;

  QPushButton* Command1 = nullptr;
  QLineEdit* Text1 = nullptr;
  QListView* List1 = nullptr;
  QPushButton* Command2 = nullptr;
  QListView* List2 = nullptr;
  QLabel* Label2 = nullptr;
  QLabel* Label3 = nullptr;
  QLabel* Label1 = nullptr;
  QComboBox* Combo1 = nullptr;
  QLabel* Label4 = nullptr;
  QLabel* Label5 = nullptr;
  QLineEdit* Text2 = nullptr;
  QProgressBar* ProgressBar1 = nullptr;
  QLabel* Label6 = nullptr;
  QLabel* Label8 = nullptr;
  QLabel* Label7 = nullptr;
  QCheckBox* Check1 = nullptr;

  std::unique_ptr<form::Form1> form_;
};

}  // namespace tolvane::qt
