// The events a user sends: pointer, keyboard, wheel, touch, drops, menus.
#include "ui/qt/input_blocker.h"

#include <QCoreApplication>
#include <QEvent>
#include <QKeyEvent>

namespace tolvane::qt {

InputBlocker::InputBlocker() { QCoreApplication::instance()->installEventFilter(this); }

InputBlocker::~InputBlocker() { QCoreApplication::instance()->removeEventFilter(this); }

bool InputBlocker::eventFilter(QObject* /*watched*/, QEvent* event) {
  switch (event->type()) {
    case QEvent::KeyPress:
      return static_cast<QKeyEvent*>(event)->key() != Qt::Key_Escape;
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::InputMethod:
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop:
    case QEvent::ContextMenu:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TabletPress:
    case QEvent::TabletRelease:
      return true;
    default:
      return false;
  }
}

}  // namespace tolvane::qt
