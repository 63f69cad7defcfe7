// What makes Form1 pleasant on a desktop, through its real controls: folders
// dropped onto the folder texts, captions that fit at the display scale the
// test runs under (QT_SCALE_FACTOR), the icon at every size, the names a
// screen reader announces and the tab order.
#include <QAbstractButton>
#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDropEvent>
#include <QFontMetricsF>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMimeData>
#include <QPushButton>
#include <QStyleOptionButton>
#include <QWindow>
#include <QtTest>

#include "form/form1_layout.h"
#include "fsys/path_separator.h"
#include "scan/file_list.h"
#include "tests/app/longest_captions.h"
#include "tests/support/temp_tree.h"
#include "tests/ui/qt/form_control.h"
#include "ui/qt/application.h"
#include "ui/qt/folder_drop.h"
#include "ui/qt/form1.h"

using tolvane::qt::Form1;
using tolvane::testing::TempTree;

namespace {

QString qt(const std::string& utf8) { return QString::fromStdString(utf8); }

// A path as a file manager puts it on the clipboard, and the same path as
// the folder text shows it: the platform's separators, no trailing one.
QUrl url_of(const std::string& path) { return QUrl::fromLocalFile(qt(path)); }
QString folder_text(std::string path) {
  while (path.size() > 1 && path.back() == tolvane::fsys::separator) path.pop_back();
  return QDir::toNativeSeparators(qt(path));
}

QMimeData* mime_with(const QList<QUrl>& urls) {
  auto* mime = new QMimeData;
  mime->setUrls(urls);
  return mime;
}

struct DragResult {
  bool entered = false;
  bool dropped = false;
  Qt::DropAction action = Qt::IgnoreAction;
};

// Drags `mime` over the window at `where` (window coordinates) and drops it
// there if the window takes it, as the window system would deliver it: to
// the window, which hands it to the widget under the pointer.
DragResult drag_and_drop(QWidget& window, QPoint where, const QMimeData& mime,
                         Qt::DropActions actions = Qt::CopyAction | Qt::MoveAction |
                                                   Qt::LinkAction) {
  QWindow* handle = window.windowHandle();
  DragResult result;
  QDragEnterEvent enter(where, actions, &mime, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(handle, &enter);
  result.entered = enter.isAccepted();
  if (!result.entered) {
    QDragLeaveEvent leave;
    QCoreApplication::sendEvent(handle, &leave);
    return result;
  }
  QDragMoveEvent move(where, actions, &mime, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(handle, &move);
  QDropEvent drop(where, actions, &mime, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(handle, &drop);
  result.dropped = drop.isAccepted();
  result.action = drop.dropAction();
  return result;
}

// Pixels that differ between two pictures of the same size (QImage's ==
// also compares colour space tags, which a decoded PNG carries).
int differing_pixels(const QImage& a, const QImage& b) {
  int count = 0;
  for (int y = 0; y < a.height(); ++y)
    for (int x = 0; x < a.width(); ++x) count += a.pixel(x, y) != b.pixel(x, y) ? 1 : 0;
  return count;
}

// The display scale this run was started with.
qreal expected_scale() {
  bool ok = false;
  const qreal scale = qEnvironmentVariable("QT_SCALE_FACTOR").toDouble(&ok);
  return ok ? scale : 1.0;
}

}  // namespace

class DesktopTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<Form1> form_;

  template <typename T>
  T* control(const char* name) {
    return tolvane::testing::form_control<T>(*form_, name);
  }
  QPoint centre_of(const char* name) {
    QWidget* widget = control<QWidget>(name);
    return widget->mapTo(form_.get(), widget->rect().center());
  }

 private slots:
  void init() {
    form_ = std::make_unique<Form1>();
    form_->show();
    QVERIFY(QTest::qWaitForWindowExposed(form_.get()));
  }
  void cleanup() { form_.reset(); }

  void dropped_item_sets_folder_text_data();
  void dropped_item_sets_folder_text();
  void unusable_drops_leave_text_alone_data();
  void unusable_drops_leave_text_alone();
  void drop_never_reports_a_move();
  void only_folder_texts_take_drops();
  void dropped_folder_is_what_scan_walks();
  void captions_fit_at_this_scale();
  void window_scales_as_a_whole();
  void icon_has_a_drawing_for_every_size();
  void every_input_has_a_chinese_name();
  void tab_order_follows_the_table();
};

void DesktopTest::dropped_item_sets_folder_text_data() {
  // The rows' trees live until the test function has run.
  static TempTree tree{"photos/trip/a.jpg", "photos/2019/b.jpg", "其他/c.jpg"};
  QTest::addColumn<QString>("target");
  QTest::addColumn<QList<QUrl>>("urls");
  QTest::addColumn<QString>("expected");
  const std::string trip = tree.path("photos/trip/");
  // clang-format off
  QTest::newRow("folder onto Text1") << "Text1" << QList<QUrl>{url_of(trip)} << folder_text(trip);
  QTest::newRow("folder onto Text2") << "Text2" << QList<QUrl>{url_of(trip)} << folder_text(trip);
  QTest::newRow("folder URL without its separator")
      << "Text1" << QList<QUrl>{url_of(folder_text(trip).toStdString())} << folder_text(trip);
  QTest::newRow("file gives its folder")
      << "Text1" << QList<QUrl>{url_of(tree.path("photos/trip/a.jpg"))} << folder_text(trip);
  QTest::newRow("Chinese folder name")
      << "Text2" << QList<QUrl>{url_of(tree.path("其他/"))} << folder_text(tree.path("其他/"));
  QTest::newRow("several items: the first")
      << "Text1" << QList<QUrl>{url_of(tree.path("photos/2019/")), url_of(trip)}
      << folder_text(tree.path("photos/2019/"));
  QTest::newRow("remote item before a local one is passed over")
      << "Text1" << QList<QUrl>{QUrl("https://example.com/photos/"), url_of(trip)}
      << folder_text(trip);
  QTest::newRow("missing item before a present one is passed over")
      << "Text1" << QList<QUrl>{url_of(tree.path("gone/")), url_of(trip)} << folder_text(trip);
  // A root keeps its separator: like the start text, it starts no walk.
  QTest::newRow("root") << "Text1" << QList<QUrl>{url_of(QDir::rootPath().toStdString())}
                        << QDir::toNativeSeparators(QDir::rootPath());
  // clang-format on
}

void DesktopTest::dropped_item_sets_folder_text() {
  QFETCH(QString, target);
  QFETCH(QList<QUrl>, urls);
  QFETCH(QString, expected);
  auto* text = control<QLineEdit>(qPrintable(target));
  text->setText(QStringLiteral("typed before"));
  const std::unique_ptr<QMimeData> mime(mime_with(urls));
  const DragResult result = drag_and_drop(*form_, centre_of(qPrintable(target)), *mime);
  QVERIFY(result.entered);
  QVERIFY(result.dropped);
  QCOMPARE(text->text(), expected);
  // The drop is one edit: undo brings back what was typed.
  text->undo();
  QCOMPARE(text->text(), QStringLiteral("typed before"));
}

void DesktopTest::unusable_drops_leave_text_alone_data() {
  QTest::addColumn<QList<QUrl>>("urls");
  QTest::addColumn<QString>("plain_text");
  // clang-format off
  QTest::newRow("web address") << QList<QUrl>{QUrl("https://example.com/photos/")} << QString();
  QTest::newRow("missing folder") << QList<QUrl>{url_of("/no/such/folder/at/all/")} << QString();
  QTest::newRow("plain text") << QList<QUrl>{} << QStringLiteral("/some/typed/path");
  QTest::newRow("nothing") << QList<QUrl>{} << QString();
  // clang-format on
}

void DesktopTest::unusable_drops_leave_text_alone() {
  QFETCH(QList<QUrl>, urls);
  QFETCH(QString, plain_text);
  QMimeData mime;
  if (!urls.isEmpty()) mime.setUrls(urls);
  if (!plain_text.isNull()) mime.setText(plain_text);
  for (const char* name : {"Text1", "Text2"}) {
    auto* text = control<QLineEdit>(name);
    const QString before = text->text();
    const DragResult result = drag_and_drop(*form_, centre_of(name), mime);
    QVERIFY2(!result.entered, name);
    QCOMPARE(text->text(), before);
  }
  QCOMPARE(tolvane::qt::folder_text_for_drop(urls), QString());
}

void DesktopTest::drop_never_reports_a_move() {
  TempTree tree{"photos/a.jpg"};
  const std::unique_ptr<QMimeData> mime(mime_with({url_of(tree.path("photos/a.jpg"))}));
  // A file manager that offers move and link only: the drop must say link.
  DragResult result =
      drag_and_drop(*form_, centre_of("Text1"), *mime, Qt::MoveAction | Qt::LinkAction);
  QVERIFY(result.dropped);
  QCOMPARE(result.action, Qt::LinkAction);
  result = drag_and_drop(*form_, centre_of("Text2"), *mime, Qt::MoveAction | Qt::CopyAction);
  QCOMPARE(result.action, Qt::CopyAction);
  // Move alone would tell the source to delete its files: refused.
  control<QLineEdit>("Text1")->setText(QStringLiteral("kept"));
  result = drag_and_drop(*form_, centre_of("Text1"), *mime, Qt::MoveAction);
  QVERIFY(!result.entered);
  QCOMPARE(control<QLineEdit>("Text1")->text(), QStringLiteral("kept"));
}

void DesktopTest::only_folder_texts_take_drops() {
  TempTree tree{"photos/a.jpg"};
  const std::unique_ptr<QMimeData> mime(mime_with({url_of(tree.path("photos/"))}));
  const std::unique_ptr<QMimeData> text_mime(new QMimeData);
  text_mime->setText(QStringLiteral(".gif"));
  control<QPushButton>("Command2")->setEnabled(true);
  for (const char* name : {"Command1", "List1", "Command2", "Label2", "Label3", "Label1", "Combo1",
                           "Label4", "Label5", "ProgressBar1", "Label6", "Label7", "Check1"}) {
    const QString combo_before = control<QComboBox>("Combo1")->currentText();
    QVERIFY2(!drag_and_drop(*form_, centre_of(name), *mime).entered, name);
    QVERIFY2(!drag_and_drop(*form_, centre_of(name), *text_mime).entered, name);
    QCOMPARE(control<QComboBox>("Combo1")->currentText(), combo_before);
  }
  // The window's margin between the controls.
  QVERIFY(!drag_and_drop(*form_, QPoint(2, 2), *mime).entered);
  QCOMPARE(control<QListView>("List1")->model()->rowCount(), 0);
  for (QWidget* widget : form_->findChildren<QWidget*>()) {
    const bool folder_text =
        widget == control<QWidget>("Text1") || widget == control<QWidget>("Text2");
    QVERIFY2(widget->acceptDrops() == folder_text, qPrintable(widget->objectName()));
  }
}

void DesktopTest::dropped_folder_is_what_scan_walks() {
  TempTree tree{"photos/a.jpg", "photos/trip/b.jpg"};
  const std::unique_ptr<QMimeData> mime(mime_with({url_of(tree.path("photos/"))}));
  QVERIFY(drag_and_drop(*form_, centre_of("Text1"), *mime).dropped);
  QTest::mouseClick(control<QPushButton>("Command1"), Qt::LeftButton);
  QCOMPARE(form_->file_list().size(), std::size_t{2});
  QCOMPARE(control<QLabel>("Label2")->text(), QStringLiteral("共计读取2条"));
}

void DesktopTest::captions_fit_at_this_scale() {
  // The captions at start, and the longest each label will show later:
  // Label2 with each of its suffixes in turn.
  for (const std::string& count_line : tolvane::app::testing::longest_count_captions()) {
    control<QLabel>("Label2")->setText(QString::fromStdString(count_line));
    control<QLabel>("Label6")->setText(QStringLiteral("进度：100.00%"));
    QStringList checked;
    for (QWidget* widget : form_->findChildren<QWidget*>()) {
      if (!widget->isVisible() || widget->objectName().isEmpty()) continue;
      QString caption;
      QRectF room;
      if (auto* label = qobject_cast<QLabel*>(widget)) {
        caption = label->text();
        room = label->contentsRect();
        // A control laid over the label's line (Check1 over Label8's end)
        // leaves it only the part before that control.
        for (QWidget* over : form_->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
          if (over != label && over->isVisible() &&
              over->geometry().intersects(label->geometry()) && over->x() > label->x())
            room.setRight(std::min(room.right(), qreal(over->x() - label->x())));
        }
      } else if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
        caption = button->text();
        QStyleOptionButton option;
        option.initFrom(button);
        option.text = caption;
        const bool is_check = qobject_cast<QCheckBox*>(button) != nullptr;
        room = button->style()->subElementRect(
            is_check ? QStyle::SE_CheckBoxContents : QStyle::SE_PushButtonContents, &option,
            button);
      } else {
        continue;
      }
      const QFontMetricsF metrics(widget->font(), widget);
      const QRectF ink = metrics.boundingRect(caption);
      QVERIFY2(ink.width() <= room.width() && metrics.ascent() + metrics.descent() <= room.height(),
               qPrintable(QStringLiteral("%1 \"%2\" needs %3 x %4 in %5 x %6")
                              .arg(widget->objectName(), caption)
                              .arg(ink.width())
                              .arg(metrics.ascent() + metrics.descent())
                              .arg(room.width())
                              .arg(room.height())));
      checked << widget->objectName();
    }
    QCOMPARE(checked.size(), 11);  // eight labels, two buttons, the check box
  }

  // The longest extension in the list fits the combo box's edit field.
  auto* combo = control<QComboBox>("Combo1");
  QLineEdit* edit = combo->lineEdit();
  for (int i = 0; i < combo->count(); ++i) {
    const qreal needed = QFontMetricsF(edit->font()).horizontalAdvance(combo->itemText(i));
    QVERIFY2(needed < edit->width() - 4, qPrintable(combo->itemText(i)));
  }
}

void DesktopTest::window_scales_as_a_whole() {
  // The whole window grows with the display scale and keeps its design.
  const qreal scale = expected_scale();
  QCOMPARE(form_->devicePixelRatioF(), scale);
  QCOMPARE(form_->size(), QSize(496, 296));
  const QPixmap picture = form_->grab();
  QCOMPARE(picture.size(), (QSizeF(496, 296) * scale).toSize());
}

void DesktopTest::icon_has_a_drawing_for_every_size() {
  const QIcon icon = form_->windowIcon();
  QList<int> sizes;
  for (const QSize& size : icon.availableSizes()) {
    QCOMPARE(size.width(), size.height());
    sizes << size.width();
  }
  std::sort(sizes.begin(), sizes.end());
  QCOMPARE(sizes, (QList<int>{16, 24, 32, 48, 64, 128, 256}));
  // At this scale a 32-point icon takes its pixels from the drawing made for
  // that many pixels, not from a neighbour stretched to fit.
  const int pixels = qRound(32 * expected_scale());
  if (!sizes.contains(pixels)) QSKIP("no drawing for this scale's pixel size");
  // Compared premultiplied, the form a pixmap keeps its pixels in.
  const QImage shown = icon.pixmap(QSize(32, 32), expected_scale())
                           .toImage()
                           .convertToFormat(QImage::Format_ARGB32_Premultiplied);
  const QString file = pixels == 48 ? QStringLiteral(":/tolvane/tolvane.png")
                                    : QStringLiteral(":/tolvane/icons/tolvane_%1.png").arg(pixels);
  const QImage drawn = QImage(file).convertToFormat(QImage::Format_ARGB32_Premultiplied);
  QCOMPARE(shown.size(), QSize(pixels, pixels));
  QCOMPARE(differing_pixels(shown, drawn), 0);
  QVERIFY(drawn.hasAlphaChannel());
}

void DesktopTest::every_input_has_a_chinese_name() {
  const QHash<QString, QString> names{
      {"Text1", "读取的目录(文件夹)："},
      {"Combo1", "扩展名："},
      {"Text2", "另存为目录(文件夹)："},
      {"List1", "显示信息："},
      {"Command1", "开始读取"},
      {"Command2", "拷贝"},
      {"Check1", "目录off"},
  };
  // Every control that can take the focus, found by what it is, not by name.
  control<QPushButton>("Command2")->setEnabled(true);
  QStringList inputs;
  for (QWidget* widget : form_->findChildren<QWidget*>()) {
    if (!(widget->focusPolicy() & Qt::TabFocus) || widget->isHidden()) continue;
    // The combo box's pop-up list is a window of its own.
    if (widget->window() != form_.get()) continue;
    // The combo box's edit field speaks for the combo box.
    if (qobject_cast<QComboBox*>(widget->parentWidget())) continue;
    inputs << widget->objectName();
    QVERIFY2(names.contains(widget->objectName()), widget->metaObject()->className());
    const QString spoken = names.value(widget->objectName());
    QAccessibleInterface* face = QAccessible::queryAccessibleInterface(widget);
    QVERIFY(face);
    // A screen reader takes the name, or for an editable combo box on
    // Linux the label it is labelled by.
    QStringList heard{face->text(QAccessible::Name)};
    for (const auto& [label, relation] : face->relations(QAccessible::Label))
      heard << label->text(QAccessible::Name);
    QVERIFY2(heard.contains(spoken), qPrintable(heard.join(QLatin1Char('|'))));
  }
  QCOMPARE(inputs.size(), names.size());
}

void DesktopTest::tab_order_follows_the_table() {
  // The focusable controls in the order of the window's table.
  control<QPushButton>("Command2")->setEnabled(true);
  QStringList order;
  QWidget* first = control<QWidget>("Command1");
  QWidget* widget = first;
  do {
    QWidget* taker = widget->focusProxy() ? widget->focusProxy() : widget;
    if (qobject_cast<QComboBox*>(taker->parentWidget())) taker = taker->parentWidget();
    if (taker->isVisible() && taker->isEnabled() && (taker->focusPolicy() & Qt::TabFocus) &&
        !order.contains(taker->objectName()))
      order << taker->objectName();
    widget = widget->nextInFocusChain();
  } while (widget != first);
  QStringList table_order;
  for (const tolvane::form::ControlPlace& place : tolvane::form::form1_layout) {
    if (place.tab_stop) table_order << QString::fromUtf8(place.name.data(), place.name.size());
  }
  QCOMPARE(table_order,
           (QStringList{"Command1", "Text1", "List1", "Command2", "Combo1", "Text2", "Check1"}));
  QCOMPARE(order, table_order);

  // And Tab itself walks it.
  QStringList tabbed;
  control<QPushButton>("Command1")->setFocus();
  for (int i = 0; i < 7; ++i) {
    QWidget* focus = QApplication::focusWidget();
    QVERIFY(focus);
    if (qobject_cast<QComboBox*>(focus->parentWidget())) focus = focus->parentWidget();
    tabbed << focus->objectName();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
  }
  QCOMPARE(tabbed, order);
  QCOMPARE(QApplication::focusWidget(), control<QWidget>("Command1"));
}

QTEST_MAIN(DesktopTest)
#include "desktop_test.moc"
