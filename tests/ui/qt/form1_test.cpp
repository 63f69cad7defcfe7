// Form1 through its real controls: the start-up state, the layout, the
// combo box, and scans of temporary trees started by clicking Command1.
#include "ui/qt/form1.h"

#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QtTest>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <memory>
#include <thread>

#include "form/form1_layout.h"
#include "fsys/forwarding_file_system.h"
#include "fsys/path_separator.h"
#include "tests/support/temp_tree.h"
#include "tests/ui/qt/form_control.h"
#include "ui/qt/application.h"
#include "ui/qt/file_list_model.h"

using tolvane::qt::FileListModel;
using tolvane::qt::Form1;
using tolvane::testing::TempTree;

namespace {

// The native file system, counting the folders it reads and, when asked,
// taking its time over each, so that a scan reaches its first event break.
class WatchedFileSystem : public tolvane::fsys::ForwardingFileSystem {
 public:
  explicit WatchedFileSystem(std::chrono::milliseconds delay = {}) : delay_(delay) {}

  tolvane::fsys::FolderContents read_folder(const std::string& folder) override {
    ++folders_read;
    std::this_thread::sleep_for(delay_);
    return ForwardingFileSystem::read_folder(folder);
  }

  int folders_read = 0;

 private:
  std::chrono::milliseconds delay_;
};

QString qt(const std::string& utf8) { return QString::fromStdString(utf8); }

// A folder text as the user types it: the folder path without its separator.
QString typed(const TempTree& tree, std::string_view relative) {
  std::string path = tree.path(relative);
  if (path.back() == tolvane::fsys::separator) path.pop_back();
  return qt(path);
}

QStringList column(const QListView* list) {
  QStringList texts;
  const QAbstractItemModel* model = list->model();
  for (int row = 0; row < model->rowCount(); ++row)
    texts << model->index(row, list->modelColumn()).data().toString();
  return texts;
}

}  // namespace

class Form1Test : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<Form1> form_;
  WatchedFileSystem* file_system_ = nullptr;

  template <typename T>
  T* control(const char* name) {
    return tolvane::testing::form_control<T>(*form_, name);
  }
  void open_form(std::chrono::milliseconds delay = {}) {
    auto file_system = std::make_unique<WatchedFileSystem>(delay);
    file_system_ = file_system.get();
    form_ = std::make_unique<Form1>(std::move(file_system));
    form_->show();
    QVERIFY(QTest::qWaitForWindowExposed(form_.get()));
  }
  void scan(const QString& folder_text) {
    control<QLineEdit>("Text1")->setText(folder_text);
    QTest::mouseClick(control<QPushButton>("Command1"), Qt::LeftButton);
  }
  void choose_typed_extension(const QString& text) {
    QLineEdit* edit = control<QComboBox>("Combo1")->lineEdit();
    edit->clear();
    QTest::keyClicks(edit, text);
  }

 private slots:
  void init() { open_form(); }
  void cleanup() { form_.reset(); }

  void captions_at_start_data();
  void captions_at_start();
  void start_state();
  void layout_data();
  void layout();
  void every_control_where_the_table_says();
  void tab_order();
  void assistive_names_data();
  void assistive_names();
  void application_identity();
  void combo_choice_sets_text();
  void typed_extension_is_what_scan_uses();
  void scan_lists_paths_and_tags_in_order();
  void scan_that_finds_nothing_leaves_copy_as_it_was();
  void folder_text_ending_in_separator_starts_no_walk_data();
  void folder_text_ending_in_separator_starts_no_walk();
  void name_that_is_not_utf8_keeps_its_bytes();
  void copy_button_resets_progress_and_disarms();
  void buttons_refuse_presses_during_scan();
  void closing_during_scan_stops_it_and_closes();
};

void Form1Test::captions_at_start_data() {
  QTest::addColumn<QString>("name");
  QTest::addColumn<QString>("text");
  const QString start = qt(std::string(tolvane::fsys::start_folder_text));
  // clang-format off
  QTest::newRow("Command1") << "Command1" << "开始读取";
  QTest::newRow("Command2") << "Command2" << "拷贝";
  QTest::newRow("Label1") << "Label1" << "显示信息：";
  QTest::newRow("Label2 counts an empty list") << "Label2" << "当前读取0条";
  QTest::newRow("Label3") << "Label3" << "读取的目录(文件夹)：";
  QTest::newRow("Label4") << "Label4" << "扩展名：";
  QTest::newRow("Label5") << "Label5" << "另存为目录(文件夹)：";
  QTest::newRow("Label6") << "Label6" << "进度：";
  QTest::newRow("Label7 publisher") << "Label7" << "Vurla 软件工作室";
  QTest::newRow("Label8 web address") << "Label8" << "https://vurla.example.com";
  QTest::newRow("Check1") << "Check1" << "目录off";
  QTest::newRow("Text1 at the root") << "Text1" << start;
  QTest::newRow("Text2 at the root") << "Text2" << start;
  QTest::newRow("Combo1 shows the first item") << "Combo1" << ".jpg";
  // clang-format on
}

void Form1Test::captions_at_start() {
  QFETCH(QString, name);
  QFETCH(QString, text);
  QWidget* widget = form_->findChild<QWidget*>(name);
  QVERIFY(widget);
  QString shown;
  if (auto* label = qobject_cast<QLabel*>(widget))
    shown = label->text();
  else if (auto* button = qobject_cast<QAbstractButton*>(widget))
    shown = button->text();
  else if (auto* edit = qobject_cast<QLineEdit*>(widget))
    shown = edit->text();
  else if (auto* combo = qobject_cast<QComboBox*>(widget))
    shown = combo->currentText();
  QCOMPARE(shown, text);
}

void Form1Test::start_state() {
  QCOMPARE(form_->windowTitle(), QStringLiteral("Tolvane Vurla"));
  QVERIFY(!control<QPushButton>("Command2")->isEnabled());
  QVERIFY(control<QPushButton>("Command1")->isEnabled());
  QCOMPARE(control<QCheckBox>("Check1")->checkState(), Qt::Unchecked);
  QCOMPARE(form_->check1_value(), 0);

  auto* combo = control<QComboBox>("Combo1");
  QVERIFY(combo->isEditable());
  QCOMPARE(combo->currentIndex(), 0);
  QStringList items;
  for (int i = 0; i < combo->count(); ++i) items << combo->itemText(i);
  QCOMPARE(items,
           (QStringList{".jpg", ".png", ".raw", ".bmp", ".JPEG", ".pdf", ".txt", ".docx", ".*"}));

  auto* bar = control<QProgressBar>("ProgressBar1");
  QCOMPARE(form_->progress_max(), 100.0f);
  QCOMPARE(form_->progress_value(), 0.0f);
  QCOMPARE(bar->minimum(), 0);
  QCOMPARE(bar->maximum(), 100);
  QCOMPARE(bar->value(), 0);
  QCOMPARE(control<QListView>("List1")->model()->rowCount(), 0);
}

void Form1Test::layout_data() {
  QTest::addColumn<QString>("name");
  QTest::addColumn<QRect>("rect");
  // clang-format off
  QTest::newRow("Command1") << "Command1" << QRect(152, 72, 97, 25);
  QTest::newRow("Text1") << "Text1" << QRect(16, 32, 233, 25);
  QTest::newRow("List1") << "List1" << QRect(256, 32, 233, 232);
  QTest::newRow("List2") << "List2" << QRect(256, 56, 233, 208);
  QTest::newRow("Combo1") << "Combo1" << QRect(64, 72, 65, 20);
  QTest::newRow("ProgressBar1") << "ProgressBar1" << QRect(16, 264, 225, 25);
  QTest::newRow("Check1 over Label8's end") << "Check1" << QRect(176, 216, 73, 17);
  QTest::newRow("Label2") << "Label2" << QRect(264, 272, 217, 17);
  // clang-format on
}

void Form1Test::layout() {
  QFETCH(QString, name);
  QFETCH(QRect, rect);
  QWidget* widget = form_->findChild<QWidget*>(name);
  QVERIFY(widget);
  QCOMPARE(widget->geometry(), rect);
  QCOMPARE(form_->size(), QSize(496, 296));
  QCOMPARE(form_->minimumSize(), form_->maximumSize());
  // List2 only stores the tags: never on screen, though its window is.
  QVERIFY(!control<QListView>("List2")->isVisible());
  QVERIFY(control<QListView>("List1")->isVisible());
}

void Form1Test::every_control_where_the_table_says() {
  // The pixel places above pin the table down; this holds every row of it,
  // captions drawn with the window included, to what the window shows.
  for (const tolvane::form::ControlPlace& place : tolvane::form::form1_layout) {
    const QString name = qt(std::string(place.name));
    QWidget* widget = form_->findChild<QWidget*>(name);
    QVERIFY2(widget, qPrintable(name));
    QCOMPARE(widget->geometry(),
             QRect(place.left / 15, place.top / 15, place.width / 15, place.height / 15));
    if (!place.caption.empty()) {
      auto* button = qobject_cast<QAbstractButton*>(widget);
      QVERIFY2(button, qPrintable(name));
      QCOMPARE(button->text(), qt(std::string(place.caption)));
    }
  }
  QCOMPARE(form_->size(),
           QSize(tolvane::form::form_width_twips / 15, tolvane::form::form_height_twips / 15));
}

void Form1Test::tab_order() {
  QStringList order;
  QWidget* widget = control<QWidget>("Command1");
  do {
    if (widget->isVisible() && widget->isEnabled() && (widget->focusPolicy() & Qt::TabFocus) &&
        widget->focusProxy() == nullptr)
      order << widget->objectName();
    widget = widget->nextInFocusChain();
  } while (widget != control<QWidget>("Command1"));
  // Command2 is disabled at start, so Tab passes over it.
  QCOMPARE(order.mid(0, 3), (QStringList{"Command1", "Text1", "List1"}));
  QCOMPARE(order.indexOf("Text2") - order.indexOf("List1"), 2);  // the combo's edit between
  QCOMPARE(order.last(), QStringLiteral("Check1"));
}

void Form1Test::assistive_names_data() {
  QTest::addColumn<QString>("name");
  QTest::addColumn<QString>("spoken");
  QTest::addColumn<bool>("titled");  // an input titled by a label
  // clang-format off
  QTest::newRow("Text1") << "Text1" << "读取的目录(文件夹)：" << true;
  QTest::newRow("Combo1") << "Combo1" << "扩展名：" << true;
  QTest::newRow("Text2") << "Text2" << "另存为目录(文件夹)：" << true;
  QTest::newRow("List1") << "List1" << "显示信息：" << true;
  QTest::newRow("Command1") << "Command1" << "开始读取" << false;
  QTest::newRow("Check1") << "Check1" << "目录off" << false;
  // clang-format on
}

void Form1Test::assistive_names() {
  QFETCH(QString, name);
  QFETCH(QString, spoken);
  QFETCH(bool, titled);
  QWidget* widget = control<QWidget>(qPrintable(name));
  QAccessibleInterface* face = QAccessible::queryAccessibleInterface(widget);
  QVERIFY(face);
  if (!titled) {
    QCOMPARE(face->text(QAccessible::Name), spoken);
    return;
  }
  // A screen reader finds an input's title by its name or by its label
  // relation (on Linux a combo box speaks its own text as its name).
  QStringList titles{face->text(QAccessible::Name)};
  for (const auto& [other, relation] : face->relations(QAccessible::Label))
    titles << other->text(QAccessible::Name);
  QVERIFY2(titles.contains(spoken), qPrintable(titles.join(QLatin1Char('|'))));
  QCOMPARE(widget->accessibleName(), spoken);
}

void Form1Test::application_identity() {
  auto* app = qobject_cast<QApplication*>(QCoreApplication::instance());
  tolvane::qt::set_up_application(*app);
  // The version of project() as shown: major, minor in two digits, the
  // revision in four (2.3.0.7 would show as 2.03.0007).
  QCOMPARE(QCoreApplication::applicationVersion(),
           QStringLiteral("%1.%2.%3")
               .arg(TOLVANE_VERSION_MAJOR)
               .arg(TOLVANE_VERSION_MINOR, 2, 10, QLatin1Char('0'))
               .arg(TOLVANE_VERSION_TWEAK, 4, 10, QLatin1Char('0')));
  QCOMPARE(QCoreApplication::applicationName(), QStringLiteral("Tolvane"));
  const QImage icon(QStringLiteral(":/tolvane/tolvane.png"));
  QCOMPARE(icon.size(), QSize(48, 48));
  QVERIFY(icon.hasAlphaChannel());
  QVERIFY(!form_->windowIcon().isNull());
  // Qt's own words in the window are Chinese too: a text box's menu.
  const std::unique_ptr<QMenu> menu(control<QLineEdit>("Text1")->createStandardContextMenu());
  QStringList words;
  for (const QAction* action : menu->actions()) words << action->text();
  QVERIFY2(words.filter(QStringLiteral("复制")).size() == 1, qPrintable(words.join(u'|')));
  QVERIFY2(words.filter(QStringLiteral("Copy")).isEmpty(), qPrintable(words.join(u'|')));
}

void Form1Test::combo_choice_sets_text() {
  auto* combo = control<QComboBox>("Combo1");
  combo->setCurrentIndex(8);  // a selection made in code
  QCOMPARE(combo->currentText(), QStringLiteral(".*"));
  choose_typed_extension("gif");
  // The user picks the item that is already selected: the click handler
  // still puts its text back.
  emit combo->activated(8);
  QCOMPARE(combo->currentText(), QStringLiteral(".*"));
  combo->setCurrentIndex(4);
  QCOMPARE(combo->currentText(), QStringLiteral(".JPEG"));
  QCOMPARE(combo->count(), 9);
}

void Form1Test::typed_extension_is_what_scan_uses() {
  TempTree tree{"pics/a.gif", "pics/b.jpg", "pics/c.GIF"};
  choose_typed_extension("gif");
  // Enter must neither add the text as an item nor turn it into another.
  QTest::keyClick(control<QComboBox>("Combo1")->lineEdit(), Qt::Key_Return);
  auto* combo = control<QComboBox>("Combo1");
  QCOMPARE(combo->currentText(), QStringLiteral("gif"));
  QCOMPARE(combo->count(), 9);
  QCOMPARE(form_->extension_text(), std::string("gif"));
  scan(typed(tree, "pics"));
  QCOMPARE(column(control<QListView>("List1")),
           (QStringList{qt(tree.path("pics/a.gif")), qt(tree.path("pics/c.GIF"))}));
}

void Form1Test::scan_lists_paths_and_tags_in_order() {
  TempTree tree{"photos/a.jpg",      "photos/trip/b.jpg", "photos/trip/c.JPG",
                "photos/2019/d.jpg", "photos/2019/e.png", "photos/x.old/f.jpg"};
  control<QPushButton>("Command2")->setEnabled(false);
  scan(typed(tree, "photos"));

  QCOMPARE(column(control<QListView>("List1")),
           (QStringList{qt(tree.path("photos/a.jpg")), qt(tree.path("photos/2019/d.jpg")),
                        qt(tree.path("photos/trip/b.jpg")), qt(tree.path("photos/trip/c.JPG"))}));
  QCOMPARE(column(control<QListView>("List2")), (QStringList{"photos", "2019", "trip", "trip"}));
  QCOMPARE(form_->file_list().size(), std::size_t{4});
  // x.old is left out by the dot rule, and says so.
  QCOMPARE(control<QLabel>("Label2")->text(), QStringLiteral("共计读取4条，1个文件夹略过"));
  const QString left_out = qt("1个文件夹因名称含“.”而略过：\n" + tree.path("photos/x.old/"));
  QCOMPARE(control<QLabel>("Label2")->toolTip(), left_out);
  QCOMPARE(control<QLabel>("Label2")->accessibleDescription(), left_out);
  QVERIFY(control<QPushButton>("Command2")->isEnabled());
  QVERIFY(control<QPushButton>("Command1")->isEnabled());
  QCOMPARE(form_->progress_max(), 4.0f);
  QCOMPARE(control<QProgressBar>("ProgressBar1")->maximum(), 4);

  // A second scan starts from empty lists and a reset progress display.
  form_->set_progress_value(3);
  form_->set_progress_line(QStringLiteral("进度：75.00%"));
  // Started from the keyboard: the focus comes back to Command1 afterwards.
  control<QLineEdit>("Text1")->setText(typed(tree, "photos/trip"));
  control<QPushButton>("Command1")->setFocus();
  QTest::keyClick(control<QPushButton>("Command1"), Qt::Key_Space);
  QCOMPARE(QApplication::focusWidget(), control<QWidget>("Command1"));
  QCOMPARE(column(control<QListView>("List2")), (QStringList{"trip", "trip"}));
  QCOMPARE(control<QLabel>("Label2")->text(), QStringLiteral("共计读取2条"));
  QCOMPARE(control<QLabel>("Label2")->toolTip(), QString());
  QCOMPARE(control<QProgressBar>("ProgressBar1")->value(), 0);
  QCOMPARE(control<QLabel>("Label6")->text(), QStringLiteral("进度："));
  QCOMPARE(form_->progress_max(), 2.0f);
}

void Form1Test::scan_that_finds_nothing_leaves_copy_as_it_was() {
  TempTree tree{"full/a.jpg", "full/b.jpg", "full/c.jpg", "empty/"};
  scan(typed(tree, "empty"));  // from start-up: nothing to copy yet
  QVERIFY(!control<QPushButton>("Command2")->isEnabled());
  scan(typed(tree, "full"));
  QCOMPARE(form_->progress_max(), 3.0f);
  scan(typed(tree, "empty"));
  QCOMPARE(control<QListView>("List1")->model()->rowCount(), 0);
  QCOMPARE(form_->file_list().size(), std::size_t{0});
  QCOMPARE(control<QLabel>("Label2")->text(), QStringLiteral("共计读取0条"));
  QVERIFY(control<QPushButton>("Command2")->isEnabled());
  QCOMPARE(form_->progress_max(), 3.0f);
  QCOMPARE(control<QProgressBar>("ProgressBar1")->maximum(), 3);

  // A missing folder is a scan that finds nothing, not a failure; the count
  // line says why.
  scan(typed(tree, "missing"));
  QCOMPARE(control<QLabel>("Label2")->text(), QStringLiteral("共计读取0条（文件夹不存在）"));
  QVERIFY(control<QPushButton>("Command2")->isEnabled());
}

void Form1Test::folder_text_ending_in_separator_starts_no_walk_data() {
  TempTree tree{"a.jpg"};
  QTest::addColumn<QString>("text");
  QTest::addColumn<QString>("count_line");
  const QString no_separator = QStringLiteral("共计读取0条（末尾不要加“/”）");
  // Taking the separator from "/" would leave nothing: the root is "/.".
  QTest::newRow("start text") << qt(std::string(tolvane::fsys::start_folder_text))
                              << QStringLiteral("共计读取0条（根目录请写作“/.”）");
  QTest::newRow("empty") << QString() << QStringLiteral("共计读取0条（未填写文件夹）");
  QTest::newRow("folder with its separator") << qt(tree.root()) << no_separator;
}

void Form1Test::folder_text_ending_in_separator_starts_no_walk() {
  QFETCH(QString, text);
  QFETCH(QString, count_line);
  scan(text);
  QCOMPARE(file_system_->folders_read, 0);
  QCOMPARE(control<QLabel>("Label2")->text(), count_line);
  QVERIFY(!control<QPushButton>("Command2")->isEnabled());
  QCOMPARE(form_->progress_max(), 100.0f);
}

void Form1Test::name_that_is_not_utf8_keeps_its_bytes() {
  // "测" in GBK, as an old archive may hold it.
  const std::string gbk_name = "\xb2\xe2.jpg";
  TempTree tree;
  tree.add("old/" + gbk_name);
  scan(typed(tree, "old"));
  const QAbstractItemModel* model = control<QListView>("List1")->model();
  QCOMPARE(model->rowCount(), 1);
  const QModelIndex row = model->index(0, 0);
  QVERIFY(row.data().toString().contains(QChar::ReplacementCharacter));
  const std::string exact = tree.path("old/" + gbk_name);
  QCOMPARE(row.data(FileListModel::bytes_role).toByteArray(), QByteArray::fromStdString(exact));
  QCOMPARE(std::string(form_->file_list().path(0)), exact);
}

void Form1Test::copy_button_resets_progress_and_disarms() {
  TempTree tree{"s/a.jpg", "s/b.jpg", "out/"};
  scan(typed(tree, "s"));
  form_->set_progress_value(1);
  control<QLineEdit>("Text2")->setText(typed(tree, "out"));
  // The closing message, dismissed as soon as it shows.
  QTimer answer;
  QObject::connect(&answer, &QTimer::timeout, [] {
    if (QWidget* box = QApplication::activeModalWidget()) box->close();
  });
  answer.start(10);
  QTest::mouseClick(control<QPushButton>("Command2"), Qt::LeftButton);
  QCOMPARE(control<QProgressBar>("ProgressBar1")->value(), 0);
  QVERIFY(!control<QPushButton>("Command2")->isEnabled());
  // The list and the maximum stay for the next run; only a scan re-arms.
  QCOMPARE(form_->file_list().size(), std::size_t{2});
  QCOMPARE(form_->progress_max(), 2.0f);
}

void Form1Test::buttons_refuse_presses_during_scan() {
  open_form(std::chrono::milliseconds(20));
  TempTree tree{"one/a.jpg", "one/b.jpg", "two/c.jpg", "out/"};
  control<QLineEdit>("Text2")->setText(typed(tree, "out"));
  scan(typed(tree, "one"));  // arms Command2
  QVERIFY(control<QPushButton>("Command2")->isEnabled());
  // A copy would end in its modal message: note it and close it.
  bool message_shown = false;
  QTimer answer;
  connect(&answer, &QTimer::timeout, [&] {
    if (auto* box = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
      message_shown = true;
      box->reject();
    }
  });
  answer.start(10);

  int checks = 0;
  bool buttons_disabled = true;
  int folders_read_before = 0;
  QTimer::singleShot(0, form_.get(), [&] {
    ++checks;
    buttons_disabled = !control<QPushButton>("Command1")->isEnabled() &&
                       !control<QPushButton>("Command2")->isEnabled();
    folders_read_before = file_system_->folders_read;
    // Neither a click nor a direct call may start a second scan or a copy.
    QTest::mouseClick(control<QPushButton>("Command1"), Qt::LeftButton);
    form_->Command1_Click();
    form_->Command2_Click();
    QCOMPARE(file_system_->folders_read, folders_read_before);
  });
  scan(typed(tree, "two"));
  QCOMPARE(checks, 1);
  QVERIFY(buttons_disabled);
  QVERIFY(!message_shown);
  QVERIFY(std::filesystem::is_empty(tree.path("out")));
  QCOMPARE(column(control<QListView>("List1")), (QStringList{qt(tree.path("two/c.jpg"))}));
  QVERIFY(control<QPushButton>("Command1")->isEnabled());
  QVERIFY(control<QPushButton>("Command2")->isEnabled());
  QCOMPARE(form_->progress_max(), 1.0f);
}

void Form1Test::closing_during_scan_stops_it_and_closes() {
  open_form(std::chrono::milliseconds(20));
  TempTree tree{"big/"};
  for (int i = 0; i < 50; ++i) tree.add("big/f" + std::to_string(100 + i) + ".jpg");
  bool closed_at_once = true;
  QTimer::singleShot(0, form_.get(), [&] { closed_at_once = form_->close(); });
  scan(typed(tree, "big"));
  QVERIFY(!closed_at_once);  // refused while the scan's stack runs
  QVERIFY(!form_->isVisible());
  QVERIFY(!form_->scanning());
  // Stopped at a break for events, well before the 50th file: at the first
  // break or, on a loaded machine, one earlier or later.
  const std::size_t listed = form_->file_list().size();
  QVERIFY2(listed < 50, qPrintable(QString::number(listed)));
  QCOMPARE(control<QLabel>("Label2")->text(),
           QStringLiteral("共计读取%1条（已停止）").arg(listed));
}

QTEST_MAIN(Form1Test)
#include "form1_test.moc"
