// What the Win32 window tests share: texts of controls, the message pump,
// and a watcher that finds the closing message box from a second thread,
// reads it and dismisses it as a user would.
#pragma once

#include <windows.h>

#include <atomic>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <thread>

namespace tolvane::win32::testing {

std::wstring window_text(HWND window);

// Dispatches what waits in this thread's queue, as the program's loop would.
void pump_messages();

struct SeenMessage {
  std::wstring title;
  std::wstring text;
  bool icon = false;     // an icon is shown beside the text
  bool only_ok = false;  // an OK button and no other
};

// Watches `thread`'s windows for a message box (class #32770); when one
// opens, reads it, runs `while_open` with it (on the watcher's thread) and
// presses its OK button.
class MessageBoxWatcher {
 public:
  explicit MessageBoxWatcher(std::function<void(HWND box)> while_open = {},
                             DWORD thread = GetCurrentThreadId());
  ~MessageBoxWatcher();
  MessageBoxWatcher(const MessageBoxWatcher&) = delete;
  MessageBoxWatcher& operator=(const MessageBoxWatcher&) = delete;

  // The first box seen, once it has been dismissed.
  std::optional<SeenMessage> seen();

 private:
  void watch();

  DWORD thread_;
  std::function<void(HWND)> while_open_;
  std::optional<SeenMessage> seen_;
  std::atomic<bool> done_{false};
  std::atomic<bool> stop_{false};
  std::thread watcher_;
};

}  // namespace tolvane::win32::testing
