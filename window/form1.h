// Form1: the program's one window and the holder of all its state: the two
// folder texts, the extension, the flat-mode check box, the file list and
// the progress display.  It runs the load handler and the click handlers,
// and gives the scan what it needs of a window (scan::ScanWindow).
#pragma once

#include <QElapsedTimer>
#include <QWidget>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "fsys/file_system.h"
#include "scan/folder_walk.h"
#include "scan/scan_window.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListView;
class QProgressBar;
class QPushButton;

namespace tolvane::scan {
class FileList;
}

namespace tolvane::window {

class FileListModel;

class Form1 : public QWidget, public scan::ScanWindow {
  Q_OBJECT

 public:
  // Builds the controls and runs the load handler.  Scans and copies reach
  // the disk through `file_system`.
  explicit Form1(std::unique_ptr<fsys::FileSystem> file_system = fsys::make_native_file_system(),
                 QWidget* parent = nullptr);
  ~Form1() override;

  // scan::ScanWindow
  std::string extension_text() override;  // Combo1's current text, UTF-8
  void append_file(std::string_view path, std::string_view tag) override;
  bool yield() override;

  // What a copy run reads and sets.
  const scan::FileList& file_list() const;  // List1 paths, List2 tags
  std::int16_t check1_value() const;        // 1 checked, 0 unchecked
  bool flat_mode() const { return check1_value() == 1; }
  std::string destination_text() const;  // Text2's text, UTF-8, untrimmed
  float progress_max() const { return progress_max_; }
  float progress_value() const { return progress_value_; }
  void set_progress_max(float value);
  void set_progress_value(float value);
  void set_progress_line(const QString& text);  // Label6's caption
  // For the copy run, which sets the value for every entry but draws it only
  // now and then: the value without drawing, and drawing value and line now.
  void set_progress_value_quietly(float value) { progress_value_ = value; }
  void show_progress_now(const QString& progress_line);
  // The end of every Command2 click: the bar back to 0, Command2 disarmed.
  void end_copy_command();
  fsys::FileSystem& file_system() { return *file_system_; }
  bool scanning() const { return scanning_; }

 public slots:
  void Command1_Click();
  void Command2_Click();
  void Combo1_Click();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void create_controls();
  void Form_Load();
  void name_controls_for_assistive_tools();
  scan::ScanResult run_scan(const std::string& folder);
  void show_progress();

  std::unique_ptr<fsys::FileSystem> file_system_;
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

  // The progress bar's values are single precision; the bar shows them
  // rounded to whole steps.
  float progress_min_ = 0;
  float progress_max_ = 100;
  float progress_value_ = 0;

  bool scanning_ = false;
  bool close_requested_ = false;  // the window was closed during a scan
  bool copying_ = false;
  QElapsedTimer since_events_;  // time since the scan last processed events
};

}  // namespace tolvane::window
