// A long copy run over a slow file system: the window keeps painting and
// running its timers, yet no click, key, check-box change or assistive
// tool's press is acted on until the run ends.  A long scan keeps the window
// alive too and refuses presses, as its listing always has; Escape stops it.
#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QtTest>
#include <atomic>
#include <chrono>
#include <thread>

#include "fsys/path_separator.h"
#include "scan/file_list.h"
#include "tests/support/slow_file_system.h"
#include "tests/support/temp_tree.h"
#include "tests/support/tree_files.h"
#include "tests/ui/qt/form_control.h"
#include "ui/qt/form1.h"

using tolvane::qt::Form1;
using tolvane::testing::TempTree;
namespace tt = tolvane::testing;

namespace {

// Counts the paint events a widget receives.
class PaintCounter : public QObject {
 public:
  int paints = 0;

 protected:
  bool eventFilter(QObject* /*watched*/, QEvent* event) override {
    if (event->type() == QEvent::Paint) ++paints;
    return false;
  }
};

QString typed(const TempTree& tree, std::string_view relative) {
  std::string path = tree.path(relative);
  if (path.back() == tolvane::fsys::separator) path.pop_back();
  return QString::fromStdString(path);
}

void press_for_assistive_tool(QWidget* widget) {
  QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(widget);
  QVERIFY(accessible && accessible->actionInterface());
  accessible->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
}

}  // namespace

class BusyTest : public QObject {
  Q_OBJECT

 private:
  tolvane::testing::SlowFileSystem* file_system_ = nullptr;

  void slow_down(std::chrono::milliseconds delay) {
    file_system_->read_delay = delay;
    file_system_->copy_delay = delay;
  }
  std::unique_ptr<Form1> form_;

  template <typename T>
  T* control(const char* name) {
    return tolvane::testing::form_control<T>(*form_, name);
  }

  // Everything a user or another program might try while a run holds the
  // window: a click on Command1, typing in Text2, ticking Check1, closing.
  void try_every_input(bool and_close) {
    QTest::mouseClick(control<QPushButton>("Command1"), Qt::LeftButton);
    QTest::keyClicks(control<QLineEdit>("Text2"), QStringLiteral("x"));
    QTest::mouseClick(control<QCheckBox>("Check1"), Qt::LeftButton);
    if (and_close) form_->close();
  }

 private slots:
  void init() {
    auto file_system = std::make_unique<tolvane::testing::SlowFileSystem>();
    file_system->reads_ahead = true;
    file_system_ = file_system.get();
    form_ = std::make_unique<Form1>(std::move(file_system));
    form_->show();
    QVERIFY(QTest::qWaitForWindowExposed(form_.get()));
  }
  void cleanup() { form_.reset(); }

  void copy_run_stays_alive_and_takes_no_input() {
    TempTree tree{
        "src/trip/a.jpg", "src/trip/b.jpg", "src/trip/c.jpg", "src/trip/d.jpg", "src/trip/e.jpg",
        "src/trip/f.jpg", "src/trip/g.jpg", "src/trip/h.jpg", "other/z.jpg",    "out/"};
    control<QLineEdit>("Text1")->setText(typed(tree, "src"));
    QTest::mouseClick(control<QPushButton>("Command1"), Qt::LeftButton);
    QCOMPARE(control<QLabel>("Label2")->text(), QStringLiteral("共计读取8条"));
    const QString destination = typed(tree, "out");
    control<QLineEdit>("Text2")->setText(destination);
    // A scan that slipped through would list this one file instead.
    control<QLineEdit>("Text1")->setText(typed(tree, "other"));
    slow_down(std::chrono::milliseconds(120));
    // Two threads: the run lasts four copies' time whatever the machine.
    form_->set_copy_workers(2);

    PaintCounter painted;
    control<QWidget>("Label6")->installEventFilter(&painted);
    int ticks_during_run = 0;
    bool tried_during_run = false;
    QString message;
    QString count_line_under_message;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (!box) ++ticks_during_run;
      if (!box && file_system_->copies > 2 && !tried_during_run) {
        tried_during_run = true;
        try_every_input(false);
      } else if (box && message.isEmpty()) {
        message = box->text();
        // The message is open: an assistive tool's press on Command1 must
        // not start a scan underneath it.
        press_for_assistive_tool(control<QPushButton>("Command1"));
        QTest::qWait(300);  // a button pressed this way clicks after a short delay
        count_line_under_message = control<QLabel>("Label2")->text();
        box->button(QMessageBox::Ok)->click();
      }
    });
    ticker.start(20);
    QTest::mouseClick(control<QPushButton>("Command2"), Qt::LeftButton);
    ticker.stop();

    QVERIFY(tried_during_run);
    QCOMPARE(message, QStringLiteral("已完成8条。"));
    QCOMPARE(count_line_under_message, QStringLiteral("共计读取8条"));
    QVERIFY2(ticks_during_run >= 3, qPrintable(QString::number(ticks_during_run)));
    QVERIFY2(painted.paints >= 2, qPrintable(QString::number(painted.paints)));
    QCOMPARE(control<QLineEdit>("Text2")->text(), destination);
    QVERIFY(!control<QCheckBox>("Check1")->isChecked());
    QVERIFY(form_->isVisible());
    QCOMPARE(form_->file_list().size(), std::size_t{8});
    QCOMPARE(tree.read("out/trip/trip(8).jpg"), std::string("src/trip/h.jpg"));

    // Afterwards the window takes input as before.
    slow_down(std::chrono::milliseconds(0));
    QTest::mouseClick(control<QPushButton>("Command1"), Qt::LeftButton);
    QCOMPARE(control<QLabel>("Label2")->text(), QStringLiteral("共计读取1条"));
    QCOMPARE(QString::fromStdString(std::string(form_->file_list().path(0))),
             typed(tree, "other/z.jpg"));
    QTest::mouseClick(control<QCheckBox>("Check1"), Qt::LeftButton);
    QVERIFY(control<QCheckBox>("Check1")->isChecked());
  }

  void scan_stays_alive_and_refuses_presses() {
    // Folders without a match reach no yield of the listing: only the
    // breaths between folder reads keep the window alive there.
    TempTree tree{"src/z.jpg",   "src/a/x.png", "src/b/x.png", "src/c/x.png",
                  "src/d/x.png", "src/e/x.png", "src/f/x.png", "src/g/x.png",
                  "src/h/x.png", "other/y.jpg", "other/z.jpg"};
    control<QLineEdit>("Text1")->setText(typed(tree, "src"));
    const QString text2 = control<QLineEdit>("Text2")->text();
    slow_down(std::chrono::milliseconds(60));
    int ticks = 0;
    bool close_too = false;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] {
      if (++ticks != 3) return;
      // A second scan of another folder must not start over the first.
      control<QLineEdit>("Text1")->setText(typed(tree, "other"));
      press_for_assistive_tool(control<QPushButton>("Command1"));
      try_every_input(close_too);
    });
    ticker.start(20);
    QTest::mouseClick(control<QPushButton>("Command1"), Qt::LeftButton);
    QVERIFY2(ticks >= 3, qPrintable(QString::number(ticks)));
    QCOMPARE(control<QLabel>("Label2")->text(), QStringLiteral("共计读取1条"));
    // Typing and ticking go on as the list fills; only presses are refused.
    QCOMPARE(control<QLineEdit>("Text2")->text(), text2 + QStringLiteral("x"));
    QVERIFY(control<QCheckBox>("Check1")->isChecked());
    QVERIFY(form_->isVisible());

    // A close asked for during the scan stops it, and is granted once the
    // scan has returned, not acted on in the middle of it.
    ticks = 0;
    close_too = true;
    control<QLineEdit>("Text1")->setText(typed(tree, "src"));
    QTest::mouseClick(control<QPushButton>("Command1"), Qt::LeftButton);
    ticker.stop();
    QVERIFY(!form_->isVisible());
  }

  // A scan stopped by Escape lists what it found, and 拷贝 copies exactly
  // that.  (stop_by_keyboard and the Win32 window's test stop copy runs.)
  void escape_stops_a_scan_whose_list_copies_as_usual() {
    TempTree tree{"out/"};
    for (int f = 0; f < 30; ++f) tree.add("src/d" + std::to_string(100 + f) + "/a.jpg");
    control<QLineEdit>("Text1")->setText(typed(tree, "src"));
    control<QLineEdit>("Text2")->setText(typed(tree, "out"));
    slow_down(std::chrono::milliseconds(30));
    int ticks = 0;
    QStringList messages;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] {
      if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
        messages << box->text();
        box->button(QMessageBox::Ok)->click();
      } else if (form_->scanning() && ++ticks == 4) {
        QTest::keyClick(control<QLineEdit>("Text1"), Qt::Key_Escape);
      }
    });
    ticker.start(20);
    QTest::mouseClick(control<QPushButton>("Command1"), Qt::LeftButton);
    const auto listed = static_cast<int>(form_->file_list().size());
    QVERIFY2(listed > 0 && listed < 30, qPrintable(QString::number(listed)));
    QCOMPARE(control<QLabel>("Label2")->text(),
             QStringLiteral("共计读取%1条（已停止）").arg(listed));
    slow_down(std::chrono::milliseconds(0));
    QTest::mouseClick(control<QPushButton>("Command2"), Qt::LeftButton);
    QCOMPARE(messages, QStringList{QStringLiteral("已完成%1条。").arg(listed)});
    QCOMPARE(static_cast<int>(tt::files_below(tree.path("out")).size()), listed);
  }
};

QTEST_MAIN(BusyTest)
#include "busy_test.moc"
