// Renders the window to a PNG for the README, in one of four states:
// "start" as the program opens, "scanned" after a scan of a small made-up
// photo tree, "copied" after copying that tree's photos (the closing message
// box is dismissed by itself), "stop-question" with the question Escape asks
// during a copy of twenty thousand more photos, "stopped" with the closing
// message of that run stopped, "question" with the question a copy into a
// destination that does not exist asks drawn over the window where it
// opens (answered No); "undo-menu" after the copy, List1's menu open on
// "撤销上次拷贝"; "undo-question" with the question that item asks (answered
// No); "undo-progress" during the undo of a copy of twenty thousand more
// photos (answered Yes); or "count-lines": Label2 with its surroundings after each kind of
// scan that has a suffix to tell, one strip below the other; "plan": the
// plan window of a second gather into "out" after a photo was deleted.
// Usage: tolvane_screenshot STATE OUTPUT.png (the run journal of the undo
// states goes to a folder of the demo tree's, not the user's)
// The display scale follows QT_SCALE_FACTOR.
#include <QApplication>
#include <QContextMenuEvent>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>

#include "fsys/file_system.h"
#include "ui/qt/application.h"
#include "ui/qt/form1.h"
#include "ui/qt/plan_window.h"

namespace {

bool make_tree(const QString& root) {
  const char* files[] = {
      "photos/cover.jpg",         "photos/2019/IMG_0001.jpg",    "photos/2019/IMG_0002.jpg",
      "photos/2019/notes.txt",    "photos/trip/IMG_0101.jpg",    "photos/trip/IMG_0102.jpg",
      "photos/trip/IMG_0103.JPG", "photos/trip/beach/DSC_7.jpg", "photos/old.bak/skip.jpg",
  };
  for (const char* relative : files) {
    const QString path = root + QLatin1Char('/') + QString::fromLatin1(relative);
    if (!QDir().mkpath(QFileInfo(path).path())) return false;
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return false;
  }
  return QDir().mkpath(root + QStringLiteral("/out"));
}

// `count` more empty photos in one folder of the tree.
bool make_many(const QString& root, int count) {
  const QString folder = root + QStringLiteral("/photos/2020 全家福");
  if (!QDir().mkpath(folder)) return false;
  for (int k = 0; k < count; ++k) {
    QFile file(folder + QStringLiteral("/IMG_%1.jpg").arg(k, 5, 10, QLatin1Char('0')));
    if (!file.open(QIODevice::WriteOnly)) return false;
  }
  return true;
}

template <typename T>
T* control(tolvane::qt::Form1& form, const char* name) {
  return form.findChild<T*>(QString::fromLatin1(name));
}

void scan(tolvane::qt::Form1& form, const QDir& dir) {
  control<QLineEdit>(form, "Text1")->setText(QDir::toNativeSeparators(dir.path() + "/photos"));
  control<QPushButton>(form, "Command1")->click();
}

// Copies the scanned photos; false unless the run ended in its message box
// and the progress line reached 100 %.
bool copy(tolvane::qt::Form1& form, const QDir& dir) {
  control<QLineEdit>(form, "Text2")->setText(QDir::toNativeSeparators(dir.path() + "/out"));
  // The copy run ends in a modal message box; close it as soon as it shows.
  int boxes_closed = 0;
  QTimer dismiss;
  QObject::connect(&dismiss, &QTimer::timeout, [&boxes_closed] {
    if (QWidget* box = QApplication::activeModalWidget()) {
      box->close();
      ++boxes_closed;
    }
  });
  dismiss.start(20);
  control<QPushButton>(form, "Command2")->click();
  return boxes_closed == 1 &&
         control<QLabel>(form, "Label6")->text().endsWith(QStringLiteral("100.00%"));
}

// `shown` drawn over the window's picture where it stands on the screen,
// with a line at its edge (offscreen windows have no frame):
// offscreen, both windows stand where they would on a screen.
void draw_over(QImage& picture, const QWidget& form, QWidget& shown) {
  QPainter painter(&picture);
  const QPoint at = shown.frameGeometry().topLeft() - form.geometry().topLeft();
  painter.drawImage(at, shown.grab().toImage());
  painter.setPen(QColor(0x70, 0x70, 0x70));
  painter.drawRect(QRect(at, shown.frameGeometry().size()).adjusted(0, 0, -1, -1));
}

// The window with the question `ask` brings up drawn over it at its place,
// then answered No.  A null image when no question came.
QImage answered_no(tolvane::qt::Form1& form, const std::function<void()>& ask) {
  QImage picture;
  QTimer answer;
  QObject::connect(&answer, &QTimer::timeout, [&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (box == nullptr || !box->isVisible()) return;
    QApplication::processEvents();
    picture = form.grab().toImage();
    draw_over(picture, form, *box);
    box->button(QMessageBox::No)->click();
  });
  answer.start(20);
  ask();
  // A queued press is handled once control is back in the event loop.
  for (int i = 0; i < 100 && picture.isNull(); ++i) {
    QApplication::processEvents(QEventLoop::AllEvents, 20);
  }
  return picture;
}

// The question a copy into `dir`/out/2026, which does not exist, asks.
QImage question(tolvane::qt::Form1& form, const QDir& dir) {
  control<QLineEdit>(form, "Text2")->setText(QDir::toNativeSeparators(dir.path() + "/out/2026"));
  return answered_no(form, [&] { control<QPushButton>(form, "Command2")->click(); });
}

// A copy of twenty thousand more photos into `dir`/out stopped by Escape:
// the question Escape asks drawn over the window (answered Yes), or, with
// `message`, the closing message the stopped run shows.  A null image when
// the run ended before either showed.
QImage stopped_copy(tolvane::qt::Form1& form, const QDir& dir, bool message) {
  control<QLineEdit>(form, "Text2")->setText(QDir::toNativeSeparators(dir.path() + "/out"));
  QImage picture;
  bool pressed = false;
  QTimer user;
  QObject::connect(&user, &QTimer::timeout, [&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (box == nullptr) {
      if (form.busy() && !pressed && form.progress_value() > 0) {
        pressed = true;
        QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QApplication::sendEvent(control<QLineEdit>(form, "Text2"), &escape);
      }
      return;
    }
    if (!box->isVisible()) return;
    QAbstractButton* yes = box->button(QMessageBox::Yes);
    if ((yes == nullptr) == message) {
      QApplication::processEvents();
      picture = form.grab().toImage();
      draw_over(picture, form, *box);
    }
    (yes != nullptr ? yes : box->button(QMessageBox::Ok))->click();
  });
  user.start(20);
  control<QPushButton>(form, "Command2")->click();
  return picture;
}

// After a copy: List1's menu open over the list.  A null image when no
// menu showed.
QImage undo_menu(tolvane::qt::Form1& form) {
  auto* list1 = control<QListView>(form, "List1");
  QContextMenuEvent opened(QContextMenuEvent::Mouse, QPoint(60, 40),
                           list1->viewport()->mapToGlobal(QPoint(60, 40)));
  QApplication::sendEvent(list1->viewport(), &opened);
  QApplication::processEvents();
  auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
  if (menu == nullptr) return {};
  QImage picture = form.grab().toImage();
  draw_over(picture, form, *menu);
  menu->close();
  return picture;
}

// After a copy: the question "撤销上次拷贝" asks.
QImage undo_question(tolvane::qt::Form1& form) {
  return answered_no(form, [&] { form.undo_action()->trigger(); });
}

// The window during the undo of a big copy run: the question answered Yes,
// then the window pictured while the progress line stands between the
// first step and the last.  A null image when no such moment came.
QImage undo_progress(tolvane::qt::Form1& form) {
  QImage picture;
  bool ended = false;  // the closing message has come and gone
  QTimer watch;
  QObject::connect(&watch, &QTimer::timeout, [&] {
    if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
      // Yes to the question, OK to the closing message.
      if (QAbstractButton* yes = box->button(QMessageBox::Yes)) {
        yes->click();
      } else {
        box->close();
        ended = true;
      }
      return;
    }
    const QString line = control<QLabel>(form, "Label6")->text();
    if (!picture.isNull() || !line.startsWith(QStringLiteral("撤销："))) return;
    const QStringList counts = line.mid(3).split(QLatin1Char('/'));
    if (counts.size() == 2 && counts[0].toInt() > 0 && counts[0].toInt() < counts[1].toInt()) {
      picture = form.grab().toImage();
    }
  });
  watch.start(20);
  form.undo_action()->trigger();
  for (int i = 0; i < 3000 && !ended; ++i) QApplication::processEvents(QEventLoop::AllEvents, 20);
  return picture;
}

// The plan of a second gather into "out": one trip photo deleted since the
// first (the rest renumbered), a new folder, the user's own file at a target
// and an earlier copy unchanged.  The plan window alone, as it opens.
QImage plan_window(const QDir& dir) {
  const auto write = [&dir](const char* relative, int bytes) {
    QDir().mkpath(QFileInfo(dir.filePath(QString::fromUtf8(relative))).path());
    QFile file(dir.filePath(QString::fromUtf8(relative)));
    return file.open(QIODevice::WriteOnly) && file.write(QByteArray(bytes, 'x')) == bytes;
  };
  // Sizes apart, as photos are: a copy is told from another file by them.
  int bytes = 100;
  for (const char* photo :
       {"photos/cover.jpg", "photos/2019/IMG_0001.jpg", "photos/2019/IMG_0002.jpg",
        "photos/trip/IMG_0101.jpg", "photos/trip/IMG_0102.jpg", "photos/trip/IMG_0103.JPG",
        "photos/trip/beach/DSC_7.jpg"}) {
    if (!write(photo, bytes += 10)) return {};
  }
  ::setenv("XDG_STATE_HOME", (dir.path() + "/state").toLocal8Bit().constData(), 1);
  tolvane::qt::Form1 form;
  form.show();
  scan(form, dir);
  if (!copy(form, dir)) return {};
  if (!QFile::remove(dir.filePath(QStringLiteral("photos/trip/IMG_0101.jpg"))) ||
      !write("photos/2020/IMG_2001.jpg", 300) || !write("out/2019/2019(2).jpg", 7)) {
    return {};
  }
  scan(form, dir);
  form.preview_action()->trigger();
  for (int i = 0; i < 100 && form.plan_window() == nullptr; ++i) {
    QApplication::processEvents(QEventLoop::AllEvents, 20);
  }
  if (form.plan_window() == nullptr) return {};
  QApplication::processEvents();
  return form.plan_window()->grab().toImage();
}

// The disk as it is, except one folder whose reading is denied: the picture
// needs an unreadable folder whoever runs the tool (root reads everything).
class OneFolderDenied final : public tolvane::fsys::WholeCopyFileSystem {
 public:
  explicit OneFolderDenied(std::string denied) : denied_(std::move(denied)) {}
  tolvane::fsys::FolderContents read_folder(const std::string& folder) override {
    if (folder == denied_) return {{}, std::make_error_code(std::errc::permission_denied)};
    return disk_->read_folder(folder);
  }
  std::error_code copy_whole(const std::string& source, const std::string& target,
                             tolvane::fsys::LookAlike look_alike,
                             tolvane::fsys::CopyOutcome& outcome) override {
    return disk_->copy_file(source, target, outcome, look_alike);
  }
  std::error_code move_to_trash(const std::string& path) override {
    return disk_->move_to_trash(path);
  }
  std::error_code flush() override { return disk_->flush(); }
  std::error_code make_folder(const std::string& folder) override {
    return disk_->make_folder(folder);
  }
  bool folder_exists(const std::string& folder) override { return disk_->folder_exists(folder); }

 private:
  std::unique_ptr<tolvane::fsys::FileSystem> disk_ = tolvane::fsys::make_native_file_system();
  std::string denied_;
};

// Each count line with a suffix, in the window as it shows after the scan
// that gives it: the strip around Label2, stacked.
QImage count_lines(const QDir& dir) {
  const QString root = QDir::toNativeSeparators(dir.path());
  const QString photos = root + QDir::separator() + QStringLiteral("photos");
  const std::string denied =
      (photos + QDir::separator() + QStringLiteral("trip") + QDir::separator()).toStdString();
  const QString texts[] = {
      photos,                                               // 1 folder left out (old.bak)
      photos + QDir::separator() + QStringLiteral("2019"),  // nothing to tell: for comparison
      photos,                                               // trip unreadable, old.bak left out
      photos + QDir::separator() + QStringLiteral("trip"),  // unreadable alone
      photos + QDir::separator(),                           // ends in the separator
      QString(QDir::separator()),                           // a root alone
      QString(),                                            // empty
      root + QDir::separator() + QStringLiteral("fotos"),   // a typo
  };
  QList<QImage> strips;
  for (std::size_t i = 0; i < std::size(texts); ++i) {
    const bool with_denied = i == 2 || i == 3;
    tolvane::qt::Form1 form(with_denied ? std::make_unique<OneFolderDenied>(denied)
                                        : tolvane::fsys::make_native_file_system());
    form.show();
    control<QLineEdit>(form, "Text1")->setText(texts[i]);
    control<QPushButton>(form, "Command1")->click();
    QApplication::processEvents();
    const QLabel* label2 = control<QLabel>(form, "Label2");
    // Label2 with a little of the list above it and the window's edge below.
    QRect strip = label2->geometry().adjusted(-8, -10, 8, 0);
    strip.setBottom(form.height() - 1);
    strips << form.grab(strip).toImage();
  }
  QImage sheet(strips.front().width(), strips.front().height() * static_cast<int>(strips.size()),
               QImage::Format_ARGB32);
  sheet.setDevicePixelRatio(strips.front().devicePixelRatio());
  sheet.fill(Qt::white);
  QPainter painter(&sheet);
  const qreal ratio = strips.front().devicePixelRatio();
  for (int i = 0; i < strips.size(); ++i) {
    painter.drawImage(QPointF(0, i * strips[i].height() / ratio), strips[i]);
  }
  return sheet;
}

}  // namespace

int main(int argc, char* argv[]) {
  QApplication application(argc, argv);
  tolvane::qt::set_up_application(application);
  const bool known_state =
      argc == 3 &&
      (std::strcmp(argv[1], "start") == 0 || std::strcmp(argv[1], "scanned") == 0 ||
       std::strcmp(argv[1], "copied") == 0 || std::strcmp(argv[1], "question") == 0 ||
       std::strcmp(argv[1], "undo-menu") == 0 || std::strcmp(argv[1], "undo-question") == 0 ||
       std::strcmp(argv[1], "undo-progress") == 0 || std::strcmp(argv[1], "count-lines") == 0 ||
       std::strcmp(argv[1], "stop-question") == 0 || std::strcmp(argv[1], "stopped") == 0 ||
       std::strcmp(argv[1], "plan") == 0);
  if (!known_state) {
    std::fprintf(stderr,
                 "usage: tolvane_screenshot start|scanned|copied|question|undo-menu|undo-question|"
                 "undo-progress|count-lines|stop-question|stopped|plan OUTPUT.png\n");
    return 2;
  }
  const char* state = argv[1];
  // A fixed folder name, so that the picture only changes when the window does.
  QDir dir(QDir::tempPath() + QStringLiteral("/tolvane-demo"));
  dir.removeRecursively();
  const bool made = make_tree(dir.path());
  struct RemoveAtExit {
    QDir& dir;
    ~RemoveAtExit() { dir.removeRecursively(); }
  } remove_at_exit{dir};
  if (!made) {
    std::fprintf(stderr, "cannot make the demo tree\n");
    return 1;
  }
  if (std::strcmp(state, "count-lines") == 0) {
    if (!count_lines(dir).save(QString::fromLocal8Bit(argv[2]))) {
      std::fprintf(stderr, "cannot write %s\n", argv[2]);
      return 1;
    }
    return 0;
  }
  if (std::strcmp(state, "plan") == 0) {
    const QImage picture = plan_window(dir);
    if (picture.isNull() || !picture.save(QString::fromLocal8Bit(argv[2]))) {
      std::fprintf(stderr, "no plan to picture, or cannot write %s\n", argv[2]);
      return 1;
    }
    return 0;
  }
  const bool stop = std::strncmp(state, "stop", 4) == 0;
  if (stop && !make_many(dir.path(), 20000)) {
    std::fprintf(stderr, "cannot make the demo tree\n");
    return 1;
  }
  const bool undo = std::strncmp(state, "undo-", 5) == 0;
  // A big run to undo: twenty thousand photos more in one folder.
  if (std::strcmp(state, "undo-progress") == 0 && !make_many(dir.path(), 20000)) {
    std::fprintf(stderr, "cannot make the demo tree\n");
    return 1;
  }
  // The window reads the journal as it opens: it must be the demo's own.
  if (undo) ::setenv("XDG_STATE_HOME", (dir.path() + "/state").toLocal8Bit().constData(), 1);
  tolvane::qt::Form1 form;
  form.show();
  if (std::strcmp(state, "start") != 0) scan(form, dir);
  if ((std::strcmp(state, "copied") == 0 || undo) && !copy(form, dir)) {
    std::fprintf(stderr, "the copy run did not end at 100 %% with its message\n");
    return 1;
  }
  QApplication::processEvents();
  if (std::strcmp(state, "question") == 0) {
    const QImage picture = question(form, dir);
    if (picture.isNull() || !picture.save(QString::fromLocal8Bit(argv[2]))) {
      std::fprintf(stderr, "no question to picture, or cannot write %s\n", argv[2]);
      return 1;
    }
    return 0;
  }
  if (stop) {
    const QImage picture = stopped_copy(form, dir, std::strcmp(state, "stopped") == 0);
    if (picture.isNull() || !picture.save(QString::fromLocal8Bit(argv[2]))) {
      std::fprintf(stderr, "the run ended before it was stopped, or cannot write %s\n", argv[2]);
      return 1;
    }
    return 0;
  }
  if (undo) {
    const QImage picture = std::strcmp(state, "undo-menu") == 0       ? undo_menu(form)
                           : std::strcmp(state, "undo-progress") == 0 ? undo_progress(form)
                                                                      : undo_question(form);
    if (picture.isNull() || !picture.save(QString::fromLocal8Bit(argv[2]))) {
      std::fprintf(stderr, "no menu or question to picture, or cannot write %s\n", argv[2]);
      return 1;
    }
    return 0;
  }
  if (!form.grab().save(QString::fromLocal8Bit(argv[2]))) {
    std::fprintf(stderr, "cannot write %s\n", argv[2]);
    return 1;
  }
  return 0;
}
