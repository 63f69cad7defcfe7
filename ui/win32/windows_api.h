// The Win32 headers of the window, in the order they need: windows.h first,
// then the common controls and the shell's drop functions that build on it.
#pragma once

// clang-format off
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>
// clang-format on
