// What assistive tools meet after a scan: List1 and List2 read one item per
// entry (the path, the tag), and a count line that names unreadable folders
// carries their list as Label2's tooltip and accessible description.
#include <sys/stat.h>

#include <QAccessible>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QtTest>
#include <memory>
#include <optional>
#include <string>

#include "tests/support/posix_setup.h"
#include "tests/support/temp_tree.h"
#include "tests/window/form_control.h"
#include "window/form1.h"

using tolvane::testing::TempTree;
using tolvane::window::Form1;

namespace {

QString qt(const std::string& utf8) { return QString::fromStdString(utf8); }

// The texts of an accessible object's children, in order.
QStringList child_texts(QWidget* widget) {
  QAccessibleInterface* face = QAccessible::queryAccessibleInterface(widget);
  QStringList texts;
  for (int i = 0; face != nullptr && i < face->childCount(); ++i)
    texts << face->child(i)->text(QAccessible::Name);
  return texts;
}

}  // namespace

class AccessibilityTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    form_ = std::make_unique<Form1>();
    form_->show();
  }
  void cleanup() { form_.reset(); }

  void lists_read_one_item_per_entry() {
    TempTree tree{"album/IMG_0001.JPG", "album/IMG_0002.jpg", "album/trip/a.jpg"};
    auto* list1 = control<QListView>("List1");
    // A reader already attached: the lists' objects exist before the scan.
    QCOMPARE(child_texts(list1), QStringList());
    scan(tree.path("album/"));
    QCOMPARE(child_texts(list1),
             QStringList({qt(tree.path("album/IMG_0001.JPG")), qt(tree.path("album/IMG_0002.jpg")),
                          qt(tree.path("album/trip/a.jpg"))}));
    QCOMPARE(child_texts(control<QListView>("List2")), QStringList({"album", "album", "trip"}));
  }

  void unreadable_folders_are_named_by_label2() {
    TempTree tree{"u/locked/a.jpg", "u/b.jpg", "u/c.jpg"};
    QVERIFY(::chmod(tree.path("u/locked").c_str(), 0) == 0);
    std::string reason;
    // Root reads any folder: the scan runs as nobody in a child then.
    const std::optional<std::string> seen = tolvane::testing::run_unprivileged(
        [&] {
          scan(tree.path("u/"));
          auto* label2 = control<QLabel>("Label2");
          QAccessibleInterface* face = QAccessible::queryAccessibleInterface(label2);
          return (label2->text() + "|" + label2->toolTip() + "|" +
                  face->text(QAccessible::Description))
              .toStdString();
        },
        reason);
    ::chmod(tree.path("u/locked").c_str(), 0755);
    if (!seen) QSKIP(qPrintable("no unreadable folder to test: " + qt(reason)));
    const QString details =
        "1个文件夹无法读取：\n" + qt(tree.path("u/locked/")) + "：没有权限（Permission denied）";
    QCOMPARE(qt(*seen), "共计读取2条，1个文件夹未读|" + details + "|" + details);

    // Every folder read: the count line alone, and nothing left over.
    scan(tree.path("u/"));
    QCOMPARE(control<QLabel>("Label2")->text(), QStringLiteral("共计读取3条"));
    QCOMPARE(control<QLabel>("Label2")->toolTip(), QString());
    QCOMPARE(control<QLabel>("Label2")->accessibleDescription(), QString());
  }

 private:
  template <typename T>
  T* control(const char* name) {
    return tolvane::testing::form_control<T>(*form_, name);
  }
  // Types `folder` (a path ending in the separator) without its separator
  // and presses Command1.
  void scan(std::string folder) {
    folder.pop_back();
    control<QLineEdit>("Text1")->setText(qt(folder));
    control<QPushButton>("Command1")->click();
  }

  std::unique_ptr<Form1> form_;
};

QTEST_MAIN(AccessibilityTest)
#include "accessibility_test.moc"
