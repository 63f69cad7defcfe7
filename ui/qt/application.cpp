// The application's identity, set once at start.
#include "ui/qt/application.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace tolvane::qt {

QIcon application_icon() {
  // One drawing per size, so the window system never has to scale a picture.
  QIcon icon;
  for (const int size : application_icon_sizes) {
    icon.addFile(size == 48 ? QStringLiteral(":/tolvane/tolvane.png")
                            : QStringLiteral(":/tolvane/icons/tolvane_%1.png").arg(size),
                 QSize(size, size));
  }
  return icon;
}

void set_up_application(QApplication& application) {
  QApplication::setApplicationName(QStringLiteral("Tolvane"));
  QApplication::setApplicationVersion(QString::fromLatin1(application_version));
  application.setWindowIcon(application_icon());
  // Ties the running window to its desktop entry (tolvane.desktop), so that
  // the desktop shows the entry's name and icon for it.
  QGuiApplication::setDesktopFileName(QStringLiteral("tolvane"));
  // Qt's own words, the message box's button and the text boxes' menus, in
  // the window's language whatever the desktop's; without the translation
  // (qt6-translations-l10n) they stay English.
  auto* translation = new QTranslator(&application);
  if (translation->load(QLocale(QLocale::Chinese, QLocale::China), QStringLiteral("qtbase"),
                        QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    QCoreApplication::installTranslator(translation);
  }
}

}  // namespace tolvane::qt
