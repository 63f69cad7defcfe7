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
#include <string>
#include <vector>

#include "form/folder_drop.h"

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
  std::vector<std::string> paths;
  for (const QUrl& url : urls) {
    // Items that are no local files are passed over like missing ones.
    if (!url.isLocalFile()) continue;
    const QString path = QDir::cleanPath(QFileInfo(url.toLocalFile()).absoluteFilePath());
    paths.push_back(QDir::toNativeSeparators(path).toUtf8().toStdString());
  }
  const std::string folder =
      form::folder_text_for_drop(paths, [](const std::string& path) {
        const QFileInfo item(QString::fromUtf8(path.data(), static_cast<qsizetype>(path.size())));
        if (!item.exists()) return form::DroppedItem::missing;
        return item.isDir() ? form::DroppedItem::folder : form::DroppedItem::file;
      });
  return QString::fromUtf8(folder.data(), static_cast<qsizetype>(folder.size()));
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
