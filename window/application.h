// The application's identity: name, version and icon.
#pragma once

#include <QIcon>

class QApplication;

namespace tolvane::window {

inline constexpr const char* application_version = "1.00.0001";

// The program's icon, a 48 x 48 picture with alpha.
QIcon application_icon();

// Sets the application's name, version and window icon.
void set_up_application(QApplication& application);

}  // namespace tolvane::window
