// The application's identity, set once at start.
#include "window/application.h"

#include <QApplication>

namespace tolvane::window {

QIcon application_icon() { return QIcon(QStringLiteral(":/tolvane/tolvane.png")); }

void set_up_application(QApplication& application) {
  QApplication::setApplicationName(QStringLiteral("Tolvane"));
  QApplication::setApplicationVersion(QString::fromLatin1(application_version));
  application.setWindowIcon(application_icon());
}

}  // namespace tolvane::window
