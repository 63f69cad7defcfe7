// Drag and drop onto the folder texts: a folder dragged from the file manager
// onto Text1 or Text2 becomes that text, a dropped file gives its folder, and
// nothing else in the window takes drops.
#pragma once

#include <QList>
#include <QString>
#include <QUrl>

class QLineEdit;
class QWidget;

namespace tolvane::qt {

// The folder text for dropped items by form::folder_text_for_drop's rule,
// over the local files among them.  Empty when no item is a local file or
// folder that exists.
QString folder_text_for_drop(const QList<QUrl>& urls);

// Lets each of `folder_texts` take folder drops, which replace its text, and
// makes every other widget inside `window` refuse drops.  Call once the
// window's controls exist.
void accept_folder_drops(QWidget& window, const QList<QLineEdit*>& folder_texts);

}  // namespace tolvane::qt
