// Renders the window to a PNG for the README: Form1 after a scan of a small
// made-up photo tree.  Usage: tolvane_screenshot OUTPUT.png
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <cstdio>

#include "window/application.h"
#include "window/form1.h"

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
  return true;
}

}  // namespace

int main(int argc, char* argv[]) {
  QApplication application(argc, argv);
  tolvane::window::set_up_application(application);
  if (argc != 2) {
    std::fprintf(stderr, "usage: tolvane_screenshot OUTPUT.png\n");
    return 2;
  }
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
  tolvane::window::Form1 form;
  form.show();
  form.findChild<QLineEdit*>(QStringLiteral("Text1"))
      ->setText(dir.path() + QStringLiteral("/photos"));
  form.findChild<QPushButton*>(QStringLiteral("Command1"))->click();
  QApplication::processEvents();
  if (!form.grab().save(QString::fromLocal8Bit(argv[1]))) {
    std::fprintf(stderr, "cannot write %s\n", argv[1]);
    return 1;
  }
  return 0;
}
