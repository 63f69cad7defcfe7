// What a screen reader hears while a scan fills the lists: the rows a batch
// at a time, never one event per row.  Runs under X with the accessibility
// bus switched on (tests/ui/qt/with_accessibility_bus), so that Qt's bridge
// is active and the views send their events; the events are counted through
// QAccessible's update handler instead of reaching the bridge.
#include <QAccessible>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QtTest>
#include <chrono>
#include <map>
#include <memory>
#include <string>

#include "scan/file_list.h"
#include "tests/support/slow_file_system.h"
#include "tests/support/temp_tree.h"
#include "tests/ui/qt/form_control.h"
#include "ui/qt/form1.h"

using tolvane::qt::Form1;
using tolvane::testing::TempTree;

namespace {

// The events the window sends while it lives, by type, and per list (its
// object name) the row announcements and the rows they cover; a reset
// announces every row the list has after it (none when it empties the list).
class EventLog {
 public:
  EventLog() {
    log_ = this;
    previous_ = QAccessible::installUpdateHandler(&EventLog::take);
  }
  ~EventLog() {
    QAccessible::installUpdateHandler(previous_);
    log_ = nullptr;
  }
  EventLog(const EventLog&) = delete;
  EventLog& operator=(const EventLog&) = delete;

  int total = 0;
  std::map<QAccessible::Event, int> by_type;
  std::map<QString, int> row_events, rows_announced;

  QString summary() const {
    QString text = QString::number(total) + " events:";
    for (const auto& [type, count] : by_type)
      text += QString::asprintf(" 0x%x×%d", static_cast<unsigned>(type), count);
    return text;
  }

 private:
  static void take(QAccessibleEvent* event) {
    EventLog& log = *log_;
    ++log.total;
    ++log.by_type[event->type()];
    if (event->type() != QAccessible::TableModelChanged || event->object() == nullptr) return;
    const QString list = event->object()->objectName();
    const auto* change = static_cast<QAccessibleTableModelChangeEvent*>(event);
    if (change->modelChangeType() == QAccessibleTableModelChangeEvent::RowsInserted) {
      ++log.row_events[list];
      log.rows_announced[list] += change->lastRow() - change->firstRow() + 1;
    } else if (change->modelChangeType() == QAccessibleTableModelChangeEvent::ModelReset) {
      const int rows =
          QAccessible::queryAccessibleInterface(event->object())->tableInterface()->rowCount();
      if (rows > 0) ++log.row_events[list];
      log.rows_announced[list] = rows;
    }
  }

  static inline EventLog* log_ = nullptr;
  QAccessible::UpdateHandler previous_ = nullptr;
};

// The texts of the items of a list as a screen reader reads them.
int readable_items(QWidget* list) {
  QAccessibleInterface* face = QAccessible::queryAccessibleInterface(list);
  int readable = 0;
  for (int i = 0; i < face->childCount(); ++i)
    if (!face->child(i)->text(QAccessible::Name).isEmpty()) ++readable;
  return readable;
}

}  // namespace

class AccessibilityEventsTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() {
    // The bridge comes up once it has heard from the accessibility bus.
    Form1 probe;
    probe.show();
    QElapsedTimer waited;
    waited.start();
    while (!QAccessible::isActive() && waited.elapsed() < 10000) QTest::qWait(50);
    QVERIFY2(QAccessible::isActive(), "no accessibility bridge came up");
  }

  void a_scan_announces_rows_a_batch_at_a_time() {
    auto file_system = std::make_unique<tolvane::testing::SlowFileSystem>();
    // Folders read slowly, so that the window yields, and shows new rows,
    // many times during the scan.
    file_system->read_delay = std::chrono::milliseconds(20);
    Form1 form(std::move(file_system));
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    constexpr int folders = 12;
    constexpr int files_per_folder = 50;
    constexpr int rows = folders * files_per_folder;
    TempTree tree;
    for (int folder = 0; folder < folders; ++folder)
      for (int file = 0; file < files_per_folder; ++file)
        tree.add("s/f" + std::to_string(folder) + "/" + std::to_string(file) + ".jpg");
    tolvane::testing::form_control<QLineEdit>(form, "Text1")
        ->setText(QString::fromStdString(tree.path("s")));
    auto* list1 = tolvane::testing::form_control<QListView>(form, "List1");
    auto* list2 = tolvane::testing::form_control<QListView>(form, "List2");

    for (int scan = 0; scan < 2; ++scan) {
      // The second scan starts over rows a screen reader has read, as one
      // does that walks the window between scans.
      EventLog log;
      tolvane::testing::form_control<QPushButton>(form, "Command1")->click();
      QCOMPARE(form.file_list().size(), std::size_t{rows});
      for (const char* list : {"List1", "List2"}) {
        // Every row announced, so a reader can reach each one...
        QCOMPARE(log.rows_announced[list], rows);
        // ...as the list grows during the scan (about one batch a folder,
        // more on a loaded machine), yet in far fewer announcements than rows.
        QVERIFY2(log.row_events[list] > 1 && log.row_events[list] <= rows / 10,
                 qPrintable(QString::number(log.row_events[list]) + ", " + log.summary()));
      }
      // Nothing else speaks once per row either: not the count line, not
      // the progress bar, not the lists' scroll bars.
      QVERIFY2(log.total < rows / 4, qPrintable(log.summary()));
      QCOMPARE(readable_items(list1), rows);
      QCOMPARE(readable_items(list2), rows);
    }
  }
};

QTEST_MAIN(AccessibilityEventsTest)
#include "accessibility_events_test.moc"
