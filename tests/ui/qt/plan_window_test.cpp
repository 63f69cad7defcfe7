// "预览拷贝…" through the real window: a destination inside the photos that
// holds the user's own file, an identical file, a folder whose numbers moved
// since the last run and that run's copies; the plan is judged by what its
// table shows, and 拷贝 then does what it said.
#include "ui/qt/plan_window.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTableView>
#include <QTimer>
#include <QtTest>
#include <chrono>
#include <filesystem>

#include "tests/support/temp_tree.h"
#include "tests/support/tree_files.h"
#include "tests/ui/qt/form_control.h"
#include "ui/qt/application.h"
#include "ui/qt/form1.h"

using tolvane::qt::Form1;
using tolvane::testing::TempTree;

namespace {

QString path_of(const TempTree& tree, std::string_view relative) {
  return QString::fromStdString(tree.path(relative));
}

// Every row the table shows, its cells joined by " | ".
QStringList table_rows(const QTableView& table) {
  QStringList rows;
  const QAbstractItemModel& model = *table.model();
  for (int row = 0; row < model.rowCount(); ++row) {
    QStringList cells;
    for (int column = 0; column < model.columnCount(); ++column) {
      cells << model.data(model.index(row, column)).toString();
    }
    rows << cells.join(QStringLiteral(" | "));
  }
  return rows;
}

}  // namespace

class PlanWindowTest : public QObject {
  Q_OBJECT

 private:
  template <typename T>
  T* control(Form1& form, const char* name) {
    return tolvane::testing::form_control<T>(form, name);
  }

  // Presses OK on each message box `form` shows while `act` runs; the last
  // box's text.
  QString answering_boxes(const std::function<void()>& act) {
    QString text;
    QTimer watcher;
    QObject::connect(&watcher, &QTimer::timeout, [&text] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (box == nullptr || !box->isVisible()) return;
      text = box->text();
      box->button(QMessageBox::Ok)->click();
    });
    watcher.start(10);
    act();
    return text;
  }

 private slots:
  void initTestCase() {
    tolvane::qt::set_up_application(*qobject_cast<QApplication*>(QCoreApplication::instance()));
  }

  void plan_shows_every_entry_and_the_copy_does_what_it_said() {
    namespace fs = std::filesystem;
    TempTree tree{"照片/归集/"};
    // Sizes differ: a copy is told from another file by size and time.
    tree.write("照片/trip/a.jpg", "a");
    tree.write("照片/trip/b.jpg", "bb");
    tree.write("照片/trip/c.jpg", "ccc");
    Form1 form;
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QAction& preview = *form.preview_action();
    QVERIFY(!preview.isEnabled());

    // Last year's gather into 归集, inside the photos.
    control<QLineEdit>(form, "Text1")->setText(path_of(tree, "照片"));
    QTest::mouseClick(control<QPushButton>(form, "Command1"), Qt::LeftButton);
    control<QLineEdit>(form, "Text2")->setText(path_of(tree, "照片/归集"));
    QCOMPARE(answering_boxes([&] {
               QTest::mouseClick(control<QPushButton>(form, "Command2"), Qt::LeftButton);
             }),
             QStringLiteral("已完成3条。"));

    // This year: a.jpg deleted, new photos, and a scan that lists last
    // year's copies too.
    fs::remove(fs::u8path(tree.path("照片/trip/a.jpg")));
    tree.write("照片/2019/x.jpg", "xxxx");
    tree.write("照片/new/n.jpg", "nnnnn");
    tree.write("照片/ok/o.jpg", "oooooo");
    QTest::mouseClick(control<QPushButton>(form, "Command1"), Qt::LeftButton);
    QCOMPARE(control<QLabel>(form, "Label2")->text(), QStringLiteral("共计读取8条"));
    // Then files the list does not hold reach the destination: the user's
    // own at x.jpg's target, and o.jpg's copy with its time.
    tree.write("照片/归集/2019/2019(1).jpg", "the user's own");
    tree.write("照片/归集/ok/ok(1).jpg", "oooooo");
    const auto when = std::chrono::floor<std::chrono::seconds>(
        fs::last_write_time(fs::u8path(tree.path("照片/ok/o.jpg"))));
    fs::last_write_time(fs::u8path(tree.path("照片/ok/o.jpg")), when);
    fs::last_write_time(fs::u8path(tree.path("照片/归集/ok/ok(1).jpg")), when);
    const tolvane::testing::TreeFiles before = tolvane::testing::files_below(tree.path("照片"));

    // Filled Text2 and a list: the item is there; an empty Text2 greys it.
    QVERIFY(preview.isEnabled());
    control<QLineEdit>(form, "Text2")->clear();
    QVERIFY(!preview.isEnabled());
    control<QLineEdit>(form, "Text2")->setText(path_of(tree, "照片/归集"));
    QVERIFY(preview.isEnabled());
    preview.trigger();
    QTRY_VERIFY(form.plan_window() != nullptr && form.plan_window()->isVisible());
    const tolvane::qt::PlanWindow& plan = *form.plan_window();
    QVERIFY(!plan.isModal());

    const QString replaced = QStringLiteral("替换（原有文件移入回收站）");
    const QString earlier = QStringLiteral("之前拷贝到该目录的文件，不再拷贝");
    const auto moved = [&](const char* source) {
      return QStringLiteral("编号变动：原来是") + path_of(tree, source) +
             QStringLiteral("的拷贝；") + replaced;
    };
    const QStringList all = {
        path_of(tree, "照片/2019/x.jpg") + " | 2019/2019(1).jpg | " + replaced,
        path_of(tree, "照片/new/n.jpg") + " | new/new(1).jpg | 新拷贝",
        path_of(tree, "照片/ok/o.jpg") + " | ok/ok(1).jpg | 相同，不拷贝",
        path_of(tree, "照片/trip/b.jpg") + " | trip/trip(1).jpg | " + moved("照片/trip/a.jpg"),
        path_of(tree, "照片/trip/c.jpg") + " | trip/trip(2).jpg | " + moved("照片/trip/b.jpg"),
        path_of(tree, "照片/归集/trip/trip(1).jpg") + " |  | " + earlier,
        path_of(tree, "照片/归集/trip/trip(2).jpg") + " |  | " + earlier,
        path_of(tree, "照片/归集/trip/trip(3).jpg") + " |  | " + earlier,
    };
    QCOMPARE(table_rows(*plan.table()), all);
    QCOMPARE(
        plan.summary()->text(),
        QStringLiteral("共8条：新拷贝1条，替换1条（原有文件移入回收站），编号变动2条（之前拷贝的"
                       "文件移入回收站），与原有文件相同1条。另有3条是之前拷贝到该目录的文件，"
                       "不再拷贝。"));
    // The filter leaves out the one plain new copy, and gives it back.
    plan.filter()->click();
    QStringList notable = all;
    notable.removeAt(1);
    QCOMPARE(table_rows(*plan.table()), notable);
    QCOMPARE(plan.table()->model()->headerData(1, Qt::Vertical).toString(), QStringLiteral("3"));
    plan.filter()->click();
    QCOMPARE(table_rows(*plan.table()).size(), 8);

    // Closing the plan changes nothing; 拷贝 then does what it said.
    form.plan_window()->close();
    QCOMPARE(
        tolvane::testing::tree_difference(tolvane::testing::files_below(tree.path("照片")), before),
        std::string());
    QCOMPARE(answering_boxes([&] {
               QTest::mouseClick(control<QPushButton>(form, "Command2"), Qt::LeftButton);
             }),
             QStringLiteral("已完成8条。\n其中1条替换了原有文件，原有文件已移入回收站。\n"
                            "其中2条因编号变动替换了之前拷贝的文件（已移入回收站）\n"
                            "其中3条是之前拷贝到该目录的文件，不再拷贝。\n"
                            "其中1条与原有文件相同，不重新拷贝。"));
    for (const auto& [target, source] : {std::pair{"2019/2019(1).jpg", "2019/x.jpg"},
                                         {"new/new(1).jpg", "new/n.jpg"},
                                         {"ok/ok(1).jpg", "ok/o.jpg"},
                                         {"trip/trip(1).jpg", "trip/b.jpg"},
                                         {"trip/trip(2).jpg", "trip/c.jpg"}}) {
      QCOMPARE(tree.read(std::string("照片/归集/") + target),
               tree.read(std::string("照片/") + source));
    }
  }
};

QTEST_MAIN(PlanWindowTest)
#include "plan_window_test.moc"
