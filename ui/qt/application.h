// The application's identity: name, version and icon.
#pragma once

#include <QIcon>

#include "tolvane_version.h"

class QApplication;

namespace tolvane::qt {

inline constexpr const char* application_version = TOLVANE_SHOWN_VERSION;

// The sizes at which the icon is drawn; 48 x 48 is the window's own.
inline constexpr int application_icon_sizes[] = {16, 24, 32, 48, 64, 128, 256};

// The program's icon: the same drawing at each of those sizes, with alpha.
QIcon application_icon();

// Sets the application's name, version and window icon, and loads Qt's
// Simplified Chinese translation for Qt's own words.
void set_up_application(QApplication& application);

}  // namespace tolvane::qt
