// Discards user input while it is installed: the window goes on painting
// and answering the window system, but no click, key or drop reaches it.
// Escape passes, for the window to ask whether to stop the run.
#pragma once

#include <QObject>

namespace tolvane::qt {

class InputBlocker : public QObject {
 public:
  // Filters every event of the application for as long as it lives.
  InputBlocker();
  ~InputBlocker() override;
  InputBlocker(const InputBlocker&) = delete;
  InputBlocker& operator=(const InputBlocker&) = delete;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
};

}  // namespace tolvane::qt
