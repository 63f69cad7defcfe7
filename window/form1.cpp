// Form1's controls and layout, its load handler, and the handlers of
// Command1 (the scan), Command2 and Combo1.
#include "window/form1.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalBlocker>
#include <algorithm>
#include <cmath>
#include <limits>

#include "copy/copy_run.h"
#include "fsys/path_separator.h"
#include "scan/folder_walk.h"
#include "scan/scan_report.h"
#include "window/application.h"
#include "window/file_list_model.h"
#include "window/folder_drop.h"
#include "window/form1_copy_window.h"

namespace tolvane::window {
namespace {

// The layout is drawn in twips; 15 twips make one logical pixel.
constexpr int twips_per_pixel = 15;

QRect twips_rect(int left, int top, int width, int height) {
  return {left / twips_per_pixel, top / twips_per_pixel, width / twips_per_pixel,
          height / twips_per_pixel};
}

// Processing the window's events costs far more than listing a file, so the
// scan does it only when this much time has passed since the last time.
constexpr qint64 events_interval_ms = 15;

QString from_utf8(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

int bar_steps(float value) {
  if (std::isnan(value)) return 0;
  const double clamped =
      std::clamp<double>(value, std::numeric_limits<int>::min(), std::numeric_limits<int>::max());
  return static_cast<int>(std::lround(clamped));
}

template <typename Control>
Control* place(QWidget* parent, const char* name, QRect where) {
  auto* control = new Control(parent);
  control->setObjectName(QString::fromLatin1(name));
  control->setGeometry(where);
  return control;
}

}  // namespace

Form1::Form1(std::unique_ptr<fsys::FileSystem> file_system, QWidget* parent)
    : QWidget(parent), file_system_(std::move(file_system)) {
  create_controls();
  Form_Load();
  name_controls_for_assistive_tools();
  accept_folder_drops(*this, {Text1, Text2});
}

Form1::~Form1() = default;

void Form1::create_controls() {
  setObjectName(QStringLiteral("Form1"));
  setWindowIcon(application_icon());
  setFixedSize(7440 / twips_per_pixel, 4440 / twips_per_pixel);
  // The layout was drawn for a 9-point font at 96 dots per inch; a fixed
  // pixel size keeps every caption inside its control on any screen setting.
  QFont form_font = font();
  form_font.setPixelSize(12);
  setFont(form_font);

  file_model_ = new FileListModel(this);

  // Created in tab order, which Qt takes as the focus chain.
  Command1 = place<QPushButton>(this, "Command1", twips_rect(2280, 1080, 1455, 375));
  Text1 = place<QLineEdit>(this, "Text1", twips_rect(240, 480, 3495, 375));
  List1 = place<QListView>(this, "List1", twips_rect(3840, 480, 3495, 3480));
  Command2 = place<QPushButton>(this, "Command2", twips_rect(2280, 2160, 1455, 375));
  List2 = place<QListView>(this, "List2", twips_rect(3840, 840, 3495, 3120));
  Label2 = place<QLabel>(this, "Label2", twips_rect(3960, 4080, 3255, 255));
  Label3 = place<QLabel>(this, "Label3", twips_rect(240, 120, 3375, 255));
  Label1 = place<QLabel>(this, "Label1", twips_rect(3960, 120, 2895, 255));
  Combo1 = place<QComboBox>(this, "Combo1", twips_rect(960, 1080, 975, 300));
  Label4 = place<QLabel>(this, "Label4", twips_rect(240, 1080, 735, 255));
  Label5 = place<QLabel>(this, "Label5", twips_rect(240, 2280, 1935, 255));
  Text2 = place<QLineEdit>(this, "Text2", twips_rect(240, 2640, 3495, 375));
  ProgressBar1 = place<QProgressBar>(this, "ProgressBar1", twips_rect(240, 3960, 3375, 375));
  Label6 = place<QLabel>(this, "Label6", twips_rect(240, 3720, 3375, 255));
  Label8 = place<QLabel>(this, "Label8", twips_rect(240, 3240, 3375, 375));
  Label7 = place<QLabel>(this, "Label7", twips_rect(240, 1680, 3495, 375));
  Check1 = place<QCheckBox>(this, "Check1", twips_rect(2640, 3240, 1095, 255));
  setTabOrder(Command1, Text1);
  setTabOrder(Text1, List1);
  setTabOrder(List1, Command2);
  setTabOrder(Command2, Combo1);
  setTabOrder(Combo1, Text2);
  setTabOrder(Text2, Check1);

  List1->setModel(file_model_->paths());
  List2->setModel(file_model_->tags());
  for (QListView* list : {List1, List2}) {
    // Uniform sizes let the view lay out a million rows without measuring each.
    list->setUniformItemSizes(true);
    list->setEditTriggers(QAbstractItemView::NoEditTriggers);
  }
  List2->hide();
  List2->setFocusPolicy(Qt::NoFocus);

  Combo1->setEditable(true);
  // Typed text stays exactly as typed: no completion that could change its
  // letter case, and Enter never adds it to the list.
  Combo1->setCompleter(nullptr);
  Combo1->setInsertPolicy(QComboBox::NoInsert);
  // A user's choice raises the click handler (activated, even for the item
  // already selected), and so does a selection made in code.
  connect(Combo1, &QComboBox::activated, this, &Form1::Combo1_Click);
  connect(Combo1, &QComboBox::currentIndexChanged, this, &Form1::Combo1_Click);

  ProgressBar1->setTextVisible(false);
  show_progress();

  Check1->setText(QStringLiteral("目录off"));

  connect(Command1, &QPushButton::clicked, this, &Form1::Command1_Click);
  connect(Command2, &QPushButton::clicked, this, &Form1::Command2_Click);
}

void Form1::Form_Load() {
  setWindowTitle(QStringLiteral("Tolvane") + QStringLiteral(" Vurla"));
  Command1->setText(QStringLiteral("开始读取"));
  Label1->setText(QStringLiteral("显示信息："));
  Label2->setText(QStringLiteral("当前读取") + QString::number(file_model_->files().size()) +
                  QStringLiteral("条"));
  Label3->setText(QStringLiteral("读取的目录(文件夹)："));
  Label4->setText(QStringLiteral("扩展名："));
  Label6->setText(QStringLiteral("进度："));
  Label5->setText(QStringLiteral("另存为目录(文件夹)："));
  Label7->setText(QStringLiteral("Vurla 软件工作室"));
  Label8->setText(QStringLiteral("https://vurla.example.com"));
  Text1->setText(from_utf8(fsys::start_folder_text));
  Text2->setText(from_utf8(fsys::start_folder_text));
  Command2->setText(QStringLiteral("拷贝"));
  Command2->setEnabled(false);
  {
    // Adding the first item would select it by itself; the selection below
    // is the one that counts and raises the click handler.
    const QSignalBlocker quiet(Combo1);
    Combo1->addItems({QStringLiteral(".jpg"), QStringLiteral(".png"), QStringLiteral(".raw"),
                      QStringLiteral(".bmp"), QStringLiteral(".JPEG"), QStringLiteral(".pdf"),
                      QStringLiteral(".txt"), QStringLiteral(".docx"), QStringLiteral(".*")});
    Combo1->setCurrentIndex(-1);
  }
  Combo1->setCurrentIndex(0);
  progress_min_ = 0;
  set_progress_value(0);
  Check1->setCheckState(Qt::Unchecked);
}

void Form1::name_controls_for_assistive_tools() {
  // Inputs take the caption of the label that titles them; buttons, labels
  // and the check box are read out by their own text.
  Text1->setAccessibleName(Label3->text());
  Combo1->setAccessibleName(Label4->text());
  Text2->setAccessibleName(Label5->text());
  List1->setAccessibleName(Label1->text());
  ProgressBar1->setAccessibleName(Label6->text());
  Label3->setBuddy(Text1);
  Label4->setBuddy(Combo1);
  Label5->setBuddy(Text2);
  Label1->setBuddy(List1);
}

void Form1::Combo1_Click() {
  const int index = Combo1->currentIndex();
  if (index >= 0) Combo1->setEditText(Combo1->itemText(index));
}

void Form1::Command1_Click() {
  // A press that slips through while a scan yields would start a second scan
  // over the first one's list.
  if (scanning_) return;
  file_model_->clear();
  set_progress_value(0);
  set_progress_line(QStringLiteral("进度："));
  const QString p = Text1->text();
  scan::ScanResult result;
  if (const auto folder = scan::folder_path_from_text(p.toUtf8().toStdString())) {
    result = run_scan(*folder);
  }
  const std::size_t count = file_model_->files().size();
  Label2->setText(from_utf8(scan::count_line(count, result.folders_unreadable)));
  const QString unreadable =
      from_utf8(scan::unreadable_details(result.folders_unreadable, result.first_unreadable));
  Label2->setToolTip(unreadable);
  Label2->setAccessibleDescription(unreadable);
  if (count > 0) {
    Command2->setEnabled(true);
    set_progress_max(static_cast<float>(count));
  }
  if (close_requested_) {
    close_requested_ = false;
    close();
  }
}

scan::ScanResult Form1::run_scan(const std::string& folder) {
  // Both buttons refuse presses while the listing yields; afterwards they get
  // back the state they had, and Command2 then follows the scan's count.
  struct Busy {
    Form1& form;
    bool command2_was_enabled;
    bool command1_had_focus;
    QWidget* focus_moved_to = nullptr;

    explicit Busy(Form1& f)
        : form(f),
          command2_was_enabled(f.Command2->isEnabled()),
          command1_had_focus(f.Command1->hasFocus()) {
      form.scanning_ = true;
      form.Command1->setEnabled(false);
      form.Command2->setEnabled(false);
      focus_moved_to = form.focusWidget();
    }
    ~Busy() {
      form.file_model_->publish_rows();
      form.Command1->setEnabled(true);
      form.Command2->setEnabled(command2_was_enabled);
      // Disabling the focused button moved the focus on; give it back unless
      // the user has put it somewhere else meanwhile.
      if (command1_had_focus && form.focusWidget() == focus_moved_to) form.Command1->setFocus();
      form.scanning_ = false;
    }
    Busy(const Busy&) = delete;
    Busy& operator=(const Busy&) = delete;
  } busy(*this);

  since_events_.start();
  return scan::Search_folder(folder, *file_system_, *this);
}

void Form1::Command2_Click() {
  if (scanning_ || copying_) return;
  copying_ = true;
  Form1CopyWindow window(*this);
  copy::run_copy_command(destination_text(), *file_system_, window);
  copying_ = false;
}

void Form1::end_copy_command() {
  set_progress_value(0);
  Command2->setEnabled(false);
}

void Form1::show_progress_now(const QString& progress_line) {
  show_progress();
  set_progress_line(progress_line);
  // Paint now, without processing any input: the run holds the thread.
  ProgressBar1->repaint();
  Label6->repaint();
}

std::string Form1::extension_text() { return Combo1->currentText().toUtf8().toStdString(); }

void Form1::append_file(std::string_view path, std::string_view tag) {
  file_model_->append(path, tag);
}

bool Form1::yield() {
  if (since_events_.elapsed() >= events_interval_ms) {
    file_model_->publish_rows();
    QCoreApplication::processEvents();
    since_events_.restart();
  }
  return !close_requested_;
}

void Form1::closeEvent(QCloseEvent* event) {
  // The scan's stack still runs inside this window: let it stop at its next
  // yield, and close once Command1's handler has returned to it.  A copy run
  // takes no input until its closing message has been dismissed.
  if (copying_) {
    event->ignore();
    return;
  }
  if (scanning_) {
    close_requested_ = true;
    event->ignore();
    return;
  }
  event->accept();
}

const scan::FileList& Form1::file_list() const { return file_model_->files(); }

std::int16_t Form1::check1_value() const { return Check1->isChecked() ? 1 : 0; }

std::string Form1::destination_text() const { return Text2->text().toUtf8().toStdString(); }

void Form1::set_progress_max(float value) {
  progress_max_ = value;
  show_progress();
}

void Form1::set_progress_value(float value) {
  progress_value_ = value;
  show_progress();
}

void Form1::set_progress_line(const QString& text) { Label6->setText(text); }

void Form1::show_progress() {
  ProgressBar1->setRange(bar_steps(progress_min_), bar_steps(progress_max_));
  ProgressBar1->setValue(bar_steps(progress_value_));
}

}  // namespace tolvane::window
