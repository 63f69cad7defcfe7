// Form1's controls and layout in Qt Widgets, and the controls' side of the
// form's behaviour: each call of form::Form1Controls done with a widget.
#include "ui/qt/form1.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalBlocker>

#include "app/plan_texts.h"
#include "app/undo_texts.h"
#include "app/user_texts.h"
#include "form/form1_layout.h"
#include "ui/qt/application.h"
#include "ui/qt/file_list_model.h"
#include "ui/qt/folder_drop.h"
#include "ui/qt/input_blocker.h"
#include "ui/qt/plan_window.h"

namespace tolvane::qt {
namespace {

using form::Control;

// The layout is drawn in twips; 15 twips make one logical pixel.
constexpr int twips_per_pixel = 15;

QString from_utf8(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

std::string to_utf8(const QString& text) { return text.toUtf8().toStdString(); }

// The widget for `control`, named and placed as the layout table says.
template <typename Widget>
Widget* place(QWidget* parent, Control control) {
  const form::ControlPlace& where = form::place_of(control);
  auto* widget = new Widget(parent);
  widget->setObjectName(from_utf8(where.name));
  widget->setGeometry(where.left / twips_per_pixel, where.top / twips_per_pixel,
                      where.width / twips_per_pixel, where.height / twips_per_pixel);
  return widget;
}

}  // namespace

Form1::Form1(std::unique_ptr<fsys::FileSystem> file_system, QWidget* parent)
    : QWidget(parent), session_(std::move(file_system)) {
  create_controls();
  create_undo_item();
  create_preview_item();
  form_ = std::make_unique<form::Form1>(static_cast<form::Form1Controls&>(*this), session_);
  form_->Form_Load();
  connect(Text2, &QLineEdit::textChanged, this, [this] { form_->Text2_Change(); });
  name_controls_for_assistive_tools();
  accept_folder_drops(*this, {Text1, Text2});
  // Whichever control has the focus, and before the blocker of a copy run
  // lets the key through to it.
  QCoreApplication::instance()->installEventFilter(this);
}

Form1::~Form1() = default;

// One action serves the two context menus and the key, so that the menus
// show Ctrl+Z beside the item and assistive tools reach it as a menu item.
void Form1::create_undo_item() {
  undo_action_ = new QAction(from_utf8(app::undo_item), this);
  undo_action_->setObjectName(QStringLiteral("UndoLastCopy"));
  undo_action_->setShortcut(QKeySequence(QKeySequence::Undo));
  undo_action_->setShortcutContext(Qt::WindowShortcut);
  undo_action_->setEnabled(false);
  // Queued: the question box runs an event loop of its own, and a screen
  // reader that pressed the item waits for its press to return first.
  connect(
      undo_action_, &QAction::triggered, this, [this] { form_->Undo_Click(); },
      Qt::QueuedConnection);
  addAction(undo_action_);
  // One menu for the window's whole life, rather than one made per click:
  // a screen reader meets the same menu and item each time it opens.
  context_menu_ = new QMenu(this);
  context_menu_->addAction(undo_action_);
  setContextMenuPolicy(Qt::CustomContextMenu);
  connect(this, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& at) { context_menu_->popup(mapToGlobal(at)); });
  // A list reports where it was clicked in its viewport.
  List1->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(List1, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& at) { context_menu_->popup(List1->viewport()->mapToGlobal(at)); });
}

void Form1::set_undo_enabled(bool enabled) { undo_action_->setEnabled(enabled); }

// Beside undo in the same menus, as that item is made and for the same
// reasons.
void Form1::create_preview_item() {
  preview_action_ = new QAction(from_utf8(app::preview_item), this);
  preview_action_->setObjectName(QStringLiteral("PreviewCopy"));
  preview_action_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_P));
  preview_action_->setShortcutContext(Qt::WindowShortcut);
  preview_action_->setEnabled(false);
  connect(
      preview_action_, &QAction::triggered, this, [this] { form_->Preview_Click(); },
      Qt::QueuedConnection);
  addAction(preview_action_);
  context_menu_->addAction(preview_action_);
}

void Form1::set_preview_enabled(bool enabled) { preview_action_->setEnabled(enabled); }

void Form1::show_plan(app::CopyPlan plan) {
  if (plan_window_ == nullptr) plan_window_ = new PlanWindow(this);
  plan_window_->show_plan(std::move(plan));
  plan_window_->show();
  plan_window_->raise();
  plan_window_->activateWindow();
}

void Form1::create_controls() {
  setObjectName(QStringLiteral("Form1"));
  setWindowIcon(application_icon());
  setFixedSize(form::form_width_twips / twips_per_pixel, form::form_height_twips / twips_per_pixel);
  // The layout was drawn for a 9-point font at 96 dots per inch; a fixed
  // pixel size keeps every caption inside its control on any screen setting.
  QFont form_font = font();
  form_font.setPixelSize(12);
  setFont(form_font);

  file_model_ = new FileListModel(this);

  // Created in tab order, which Qt takes as the focus chain.
  Command1 = place<QPushButton>(this, Control::Command1);
  Text1 = place<QLineEdit>(this, Control::Text1);
  List1 = place<QListView>(this, Control::List1);
  Command2 = place<QPushButton>(this, Control::Command2);
  List2 = place<QListView>(this, Control::List2);
  Label2 = place<QLabel>(this, Control::Label2);
  Label3 = place<QLabel>(this, Control::Label3);
  Label1 = place<QLabel>(this, Control::Label1);
  Combo1 = place<QComboBox>(this, Control::Combo1);
  Label4 = place<QLabel>(this, Control::Label4);
  Label5 = place<QLabel>(this, Control::Label5);
  Text2 = place<QLineEdit>(this, Control::Text2);
  ProgressBar1 = place<QProgressBar>(this, Control::ProgressBar1);
  Label6 = place<QLabel>(this, Control::Label6);
  Label8 = place<QLabel>(this, Control::Label8);
  Label7 = place<QLabel>(this, Control::Label7);
  Check1 = place<QCheckBox>(this, Control::Check1);
  QWidget* previous_stop = nullptr;
  for (const form::ControlPlace& where : form::form1_layout) {
    if (!where.tab_stop) continue;
    if (previous_stop != nullptr) setTabOrder(previous_stop, widget(where.control));
    previous_stop = widget(where.control);
  }
  for (const form::ControlPlace& where : form::form1_layout) {
    if (!where.caption.empty()) set_caption(where.control, where.caption);
  }

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

  connect(Command1, &QPushButton::clicked, this, &Form1::Command1_Click);
  connect(Command2, &QPushButton::clicked, this, &Form1::Command2_Click);
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

QWidget* Form1::widget(Control control) const {
  switch (control) {
    case Control::Form1:
      return const_cast<Form1*>(this);
    case Control::Command1:
      return Command1;
    case Control::Text1:
      return Text1;
    case Control::List1:
      return List1;
    case Control::Command2:
      return Command2;
    case Control::List2:
      return List2;
    case Control::Label2:
      return Label2;
    case Control::Label3:
      return Label3;
    case Control::Label1:
      return Label1;
    case Control::Combo1:
      return Combo1;
    case Control::Label4:
      return Label4;
    case Control::Label5:
      return Label5;
    case Control::Text2:
      return Text2;
    case Control::ProgressBar1:
      return ProgressBar1;
    case Control::Label6:
      return Label6;
    case Control::Label8:
      return Label8;
    case Control::Label7:
      return Label7;
    case Control::Check1:
      return Check1;
  }
  return nullptr;
}

void Form1::set_caption(Control control, std::string_view text) {
  const QString caption = from_utf8(text);
  QWidget* target = widget(control);
  if (control == Control::Form1) {
    setWindowTitle(caption);
  } else if (auto* label = qobject_cast<QLabel*>(target)) {
    label->setText(caption);
  } else if (auto* button = qobject_cast<QAbstractButton*>(target)) {
    button->setText(caption);
  }
}

std::string Form1::text(Control control) {
  if (control == Control::Combo1) return to_utf8(Combo1->currentText());
  if (auto* edit = qobject_cast<QLineEdit*>(widget(control))) return to_utf8(edit->text());
  return {};
}

void Form1::set_text(Control control, std::string_view text) {
  if (control == Control::Combo1) {
    Combo1->setEditText(from_utf8(text));
  } else if (auto* edit = qobject_cast<QLineEdit*>(widget(control))) {
    edit->setText(from_utf8(text));
  }
}

void Form1::set_enabled(Control control, bool enabled) { widget(control)->setEnabled(enabled); }

void Form1::set_description(Control control, std::string_view text) {
  QWidget* target = widget(control);
  target->setToolTip(from_utf8(text));
  target->setAccessibleDescription(from_utf8(text));
}

void Form1::add_combo_item(std::string_view text) {
  // Adding the first item would select it by itself; only the form's own
  // selection counts and raises the click handler.
  const QSignalBlocker quiet(Combo1);
  const int selected = Combo1->currentIndex();
  Combo1->addItem(from_utf8(text));
  Combo1->setCurrentIndex(selected);
}

void Form1::set_combo_index(int index) { Combo1->setCurrentIndex(index); }

int Form1::combo_index() { return Combo1->currentIndex(); }

std::string Form1::combo_item(int index) { return to_utf8(Combo1->itemText(index)); }

std::int16_t Form1::check_value() { return check1_value(); }

void Form1::set_check_value(std::int16_t value) {
  Check1->setCheckState(value == 1 ? Qt::Checked : Qt::Unchecked);
}

void Form1::clear_lists() { file_model_->clear(); }

void Form1::append_to_lists(std::string_view path, std::string_view tag) {
  file_model_->append(path, tag);
}

void Form1::show_new_rows() { file_model_->publish_rows(); }

const scan::FileList& Form1::lists() { return file_list(); }

void Form1::show_progress(int min, int max, int value) {
  ProgressBar1->setRange(min, max);
  ProgressBar1->setValue(value);
}

void Form1::show_message(std::string_view text, bool warning) {
  // Whatever the run last set is on the screen before the message.
  ProgressBar1->repaint();
  Label6->repaint();
  QMessageBox box(warning ? QMessageBox::Warning : QMessageBox::NoIcon, QStringLiteral("Tolvane"),
                  from_utf8(text), QMessageBox::Ok, this);
  box.setObjectName(QStringLiteral("copy_report"));
  box.exec();
}

bool Form1::ask_yes_no(std::string_view text) {
  QMessageBox box(QMessageBox::Question, QStringLiteral("Tolvane"), from_utf8(text),
                  QMessageBox::Yes | QMessageBox::No, this);
  box.setObjectName(QStringLiteral("question"));
  // The window's own words: Qt's translation would add the keys, "是(&Y)".
  box.button(QMessageBox::Yes)->setText(from_utf8(app::yes_button));
  box.button(QMessageBox::No)->setText(from_utf8(app::no_button));
  box.setDefaultButton(QMessageBox::Yes);
  box.setEscapeButton(QMessageBox::No);
  return box.exec() == QMessageBox::Yes;
}

bool Form1::has_focus(Control control) { return widget(control)->hasFocus(); }

void Form1::set_focus(Control control) { widget(control)->setFocus(); }

std::uintptr_t Form1::focus_mark() { return reinterpret_cast<std::uintptr_t>(focusWidget()); }

void Form1::process_events() { QCoreApplication::processEvents(); }

void Form1::keep_alive() {
  const InputBlocker no_input;
  QCoreApplication::processEvents();
}

void Form1::close_window() { close(); }

// The desktop marks the window's entry in its task list when the user is
// elsewhere; nothing happens while the window is active.
void Form1::run_ended() { QApplication::alert(this); }

bool Form1::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::KeyPress || !form_ || !form_->busy() ||
      static_cast<QKeyEvent*>(event)->key() != Qt::Key_Escape) {
    return false;
  }
  // Only a key in this window: Escape in a message box is its own No.
  auto* widget = qobject_cast<QWidget*>(watched);
  if (widget == nullptr || widget->window() != this) return false;
  form_->Escape_Press();
  return true;
}

void Form1::closeEvent(QCloseEvent* event) {
  if (form_->close_requested()) {
    event->accept();
  } else {
    event->ignore();
  }
}

const scan::FileList& Form1::file_list() const { return file_model_->files(); }

std::int16_t Form1::check1_value() const { return Check1->isChecked() ? 1 : 0; }

void Form1::set_progress_line(const QString& text) { Label6->setText(text); }

}  // namespace tolvane::qt
