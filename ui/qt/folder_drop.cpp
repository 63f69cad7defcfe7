// Folder drops onto the folder texts, through an event filter that takes
// every drag event before the line edit's own text dropping sees it.
#include "ui/qt/folder_drop.h"

#include <QDir>
#include <QDropEvent>
#include <QFileInfo>
#include <QLineEdit>
#include <QMimeData>
#include <QObject>
#include <QWidget>

namespace tolvane::qt {
namespace {

class FolderDropFilter : public QObject {
 public:
  using QObject::QObject;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    const QEvent::Type type = event->type();
    if (type != QEvent::DragEnter && type != QEvent::DragMove && type != QEvent::Drop) {
      return QObject::eventFilter(watched, event);
    }
    // DragEnter and DragMove derive from QDropEvent.
    auto* drop = static_cast<QDropEvent*>(event);
    const QString folder = folder_text_for_drop(drop->mimeData()->urls());
    // The source learns what the drop did: the files are only named here, so
    // never report a move, which would tell a file manager to delete them.
    Qt::DropAction action = Qt::IgnoreAction;
    if (drop->possibleActions() & Qt::CopyAction) {
      action = Qt::CopyAction;
    } else if (drop->possibleActions() & Qt::LinkAction) {
      action = Qt::LinkAction;
    }
    if (folder.isEmpty() || action == Qt::IgnoreAction) {
      // Text and other drops are refused too: these texts hold folders.
      drop->ignore();
      return true;
    }
    drop->setDropAction(action);
    drop->accept();
    if (type == QEvent::Drop) {
      auto* text = static_cast<QLineEdit*>(watched);
      // Replacing through the edit keeps the old text one undo away.
      text->selectAll();
      text->insert(folder);
    }
    return true;
  }
};

}  // namespace

QString folder_text_for_drop(const QList<QUrl>& urls) {
  for (const QUrl& url : urls) {
    if (!url.isLocalFile()) continue;
    const QFileInfo item(url.toLocalFile());
    if (!item.exists()) continue;
    // cleanPath drops a trailing separator but keeps the one of a root.
    const QString folder =
        QDir::cleanPath(item.isDir() ? item.absoluteFilePath() : item.absolutePath());
    return QDir::toNativeSeparators(folder);
  }
  return {};
}

void accept_folder_drops(QWidget& window, const QList<QLineEdit*>& folder_texts) {
  window.setAcceptDrops(false);
  // A line edit takes text drops by itself, the combo box's edit field too.
  for (QWidget* widget : window.findChildren<QWidget*>()) widget->setAcceptDrops(false);
  auto* filter = new FolderDropFilter(&window);
  for (QLineEdit* text : folder_texts) {
    text->setAcceptDrops(true);
    text->installEventFilter(filter);
  }
}

}  // namespace tolvane::qt
