// Finds one of Form1's controls by its designer name, as the window tests
// reach every control.
#pragma once

#include <QWidget>
#include <QtGlobal>

namespace tolvane::testing {

template <typename T>
T* form_control(QWidget& form, const char* name) {
  T* found = form.findChild<T*>(QString::fromLatin1(name));
  if (!found) qFatal("no control %s", name);
  return found;
}

}  // namespace tolvane::testing
