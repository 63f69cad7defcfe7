// Renders the window to a PNG for the README, in one of three states:
// "start" as the program opens, "scanned" after a scan of a small made-up
// photo tree, "copied" after copying that tree's photos (the closing message
// box is dismissed by itself).  Usage: tolvane_screenshot STATE OUTPUT.png
// The display scale follows QT_SCALE_FACTOR.
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <cstdio>
#include <cstring>

#include "ui/qt/application.h"
#include "ui/qt/form1.h"

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

}  // namespace

int main(int argc, char* argv[]) {
  QApplication application(argc, argv);
  tolvane::qt::set_up_application(application);
  const bool known_state =
      argc == 3 && (std::strcmp(argv[1], "start") == 0 || std::strcmp(argv[1], "scanned") == 0 ||
                    std::strcmp(argv[1], "copied") == 0);
  if (!known_state) {
    std::fprintf(stderr, "usage: tolvane_screenshot start|scanned|copied OUTPUT.png\n");
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
  tolvane::qt::Form1 form;
  form.show();
  if (std::strcmp(state, "start") != 0) scan(form, dir);
  if (std::strcmp(state, "copied") == 0 && !copy(form, dir)) {
    std::fprintf(stderr, "the copy run did not end at 100 %% with its message\n");
    return 1;
  }
  QApplication::processEvents();
  if (!form.grab().save(QString::fromLocal8Bit(argv[2]))) {
    std::fprintf(stderr, "cannot write %s\n", argv[2]);
    return 1;
  }
  return 0;
}
