// A scan and a copy through Form1's real buttons, the closing message box
// read and dismissed as a user would.
#include <QApplication>
#include <QCheckBox>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QtTest>
#include <optional>
#include <vector>

#include "fsys/path_separator.h"
#include "scan/file_list.h"
#include "tests/support/temp_tree.h"
#include "tests/ui/qt/form_control.h"
#include "ui/qt/application.h"
#include "ui/qt/form1.h"

using tolvane::qt::Form1;
using tolvane::testing::TempTree;

namespace {

// What a message box showed before the test pressed its button.
struct SeenMessage {
  QString title;
  QString text;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  int buttons = 0;
  QString name;            // the box's object name
  QStringList words;       // its buttons' texts, Yes first
  bool yes_first = false;  // Yes is the default button
};

QString typed(const TempTree& tree, std::string_view relative) {
  std::string path = tree.path(relative);
  if (path.back() == tolvane::fsys::separator) path.pop_back();
  return QString::fromStdString(path);
}

}  // namespace

class CopyTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<Form1> form_;
  std::optional<SeenMessage> message_;  // the last box of the last copy
  std::vector<SeenMessage> boxes_;      // every box of the last copy, in order
  bool answer_yes_ = false;             // to a Yes/No question

  template <typename T>
  T* control(const char* name) {
    return tolvane::testing::form_control<T>(*form_, name);
  }

  void scan(const QString& folder_text) {
    control<QLineEdit>("Text1")->setText(folder_text);
    QTest::mouseClick(control<QPushButton>("Command1"), Qt::LeftButton);
  }

  // Clicks Command2 with Text2 set, answering each message box that comes:
  // OK, or answer_yes_ to a question.
  void copy(const QString& destination_text) {
    control<QLineEdit>("Text2")->setText(destination_text);
    message_.reset();
    boxes_.clear();
    QTimer watcher;
    QObject::connect(&watcher, &QTimer::timeout, [this] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (!box || !box->isVisible()) return;
      message_ = SeenMessage{
          box->windowTitle(), box->text(), box->icon(), static_cast<int>(box->buttons().size()),
          box->objectName(),  {},          false};
      QAbstractButton* yes = box->button(QMessageBox::Yes);
      if (yes) {
        message_->words = {yes->text(), box->button(QMessageBox::No)->text()};
        message_->yes_first = box->defaultButton() == yes;
      } else if (QAbstractButton* ok = box->button(QMessageBox::Ok)) {
        message_->words = {ok->text()};
      }
      boxes_.push_back(*message_);
      (yes ? box->button(answer_yes_ ? QMessageBox::Yes : QMessageBox::No)
           : box->button(QMessageBox::Ok))
          ->click();
    });
    watcher.start(10);
    QTest::mouseClick(control<QPushButton>("Command2"), Qt::LeftButton);
  }

 private slots:
  // As the program starts: Qt's own words in Chinese.
  void initTestCase() {
    tolvane::qt::set_up_application(*qobject_cast<QApplication*>(QCoreApplication::instance()));
  }
  void init() {
    form_ = std::make_unique<Form1>();
    form_->show();
    QVERIFY(QTest::qWaitForWindowExposed(form_.get()));
  }
  void cleanup() { form_.reset(); }

  void scan_then_copy_names_every_file() {
    TempTree tree{"src/2019/a.jpg", "src/2019/b.jpg", "src/trip/c.jpg",
                  "src/trip/d.jpg", "src/trip/e.jpg", "out/"};
    scan(typed(tree, "src"));
    QCOMPARE(control<QLabel>("Label2")->text(), QStringLiteral("共计读取5条"));
    copy(typed(tree, "out"));

    QVERIFY(message_);
    QCOMPARE(message_->title, QStringLiteral("Tolvane"));
    QCOMPARE(message_->text, QStringLiteral("已完成5条。"));
    QCOMPARE(message_->icon, QMessageBox::NoIcon);
    QCOMPARE(message_->words, QStringList{QStringLiteral("确定")});
    QCOMPARE(message_->buttons, 1);
    QCOMPARE(tree.read("out/2019/2019(1).jpg"), std::string("src/2019/a.jpg"));
    QCOMPARE(tree.read("out/2019/2019(2).jpg"), std::string("src/2019/b.jpg"));
    QCOMPARE(tree.read("out/trip/trip(1).jpg"), std::string("src/trip/c.jpg"));
    QCOMPARE(tree.read("out/trip/trip(3).jpg"), std::string("src/trip/e.jpg"));
    QCOMPARE(control<QLabel>("Label6")->text(), QStringLiteral("进度：100.00%"));
    QCOMPARE(control<QProgressBar>("ProgressBar1")->value(), 0);
    QVERIFY(!control<QPushButton>("Command2")->isEnabled());
    QCOMPARE(form_->file_list().size(), std::size_t{5});
  }

  void flat_mode_puts_every_copy_in_the_destination() {
    TempTree tree{"src/2019/a.jpg", "src/trip/b.jpg", "out/"};
    scan(typed(tree, "src"));
    QTest::mouseClick(control<QCheckBox>("Check1"), Qt::LeftButton);
    copy(typed(tree, "out"));
    QVERIFY(message_);
    QCOMPARE(tree.read("out/2019(1).jpg"), std::string("src/2019/a.jpg"));
    QCOMPARE(tree.read("out/trip(1).jpg"), std::string("src/trip/b.jpg"));
  }

  void refused_destination_says_why_and_keeps_the_list_ready() {
    TempTree tree{"src/a.jpg", "out/"};
    scan(typed(tree, "src"));
    form_->set_progress_value(1);
    const QString empty = QStringLiteral("请先填写另存为目录，再按“拷贝”。");
    const QString separator = QStringLiteral("另存为目录末尾不要加“/”：请去掉后再按“拷贝”。");
    for (const auto& [text, why] :
         {std::pair{QString(), empty},
          std::pair{QString::fromStdString(tree.path("out/")), separator}}) {
      copy(text);
      QVERIFY(message_);
      QCOMPARE(message_->text, why);
      QCOMPARE(message_->icon, QMessageBox::Warning);
      QCOMPARE(control<QProgressBar>("ProgressBar1")->value(), 1);
      QVERIFY(control<QPushButton>("Command2")->isEnabled());
      QCOMPARE(form_->file_list().size(), std::size_t{1});
    }
    // Mended, the same list copies without a new scan.
    copy(typed(tree, "out"));
    QVERIFY(message_);
    QCOMPARE(message_->text, QStringLiteral("已完成1条。"));
    QCOMPARE(tree.read("out/src/src(1).jpg"), std::string("src/a.jpg"));
  }

  // A destination two levels below the last folder that exists: the
  // question names it, its answer No copies nothing and keeps the list
  // ready, Yes makes both folders and copies.
  void missing_destination_is_made_on_yes() {
    TempTree tree{"src/a.jpg", "out/"};
    scan(typed(tree, "src"));
    const QString question =
        QStringLiteral("另存为目录“%1”不存在，要新建吗？").arg(typed(tree, "out/new/2026"));
    answer_yes_ = false;
    copy(typed(tree, "out/new/2026"));
    QCOMPARE(boxes_.size(), std::size_t{1});
    QCOMPARE(boxes_[0].name, QStringLiteral("question"));
    QCOMPARE(boxes_[0].title, QStringLiteral("Tolvane"));
    QCOMPARE(boxes_[0].text, question);
    QCOMPARE(boxes_[0].icon, QMessageBox::Question);
    QCOMPARE(boxes_[0].words, (QStringList{QStringLiteral("是"), QStringLiteral("否")}));
    QVERIFY(boxes_[0].yes_first);
    QVERIFY(!QFileInfo::exists(typed(tree, "out/new")));
    QVERIFY(control<QPushButton>("Command2")->isEnabled());

    answer_yes_ = true;
    copy(typed(tree, "out/new/2026"));
    QCOMPARE(boxes_.size(), std::size_t{2});
    QCOMPARE(boxes_[0].text, question);
    QCOMPARE(boxes_[1].text, QStringLiteral("已完成1条。"));
    QCOMPARE(tree.read("out/new/2026/src/src(1).jpg"), std::string("src/a.jpg"));
    QVERIFY(!control<QPushButton>("Command2")->isEnabled());
  }

  void failed_entries_are_reported_with_a_warning() {
    TempTree tree{"src/trip/a.jpg", "src/trip/b.jpg", "src/ok/c.jpg", "out/trip"};
    scan(typed(tree, "src"));
    copy(typed(tree, "out"));
    QVERIFY(message_);
    QCOMPARE(message_->icon, QMessageBox::Warning);
    QVERIFY2(message_->text.startsWith(QStringLiteral("已完成3条。")), qPrintable(message_->text));
    QVERIFY2(message_->text.contains(QStringLiteral("2条失败")), qPrintable(message_->text));
    QCOMPARE(tree.read("out/ok/ok(1).jpg"), std::string("src/ok/c.jpg"));
    QCOMPARE(tree.read("out/trip"), std::string("out/trip"));  // the file in the way is kept
  }
};

QTEST_MAIN(CopyTest)
#include "copy_test.moc"
