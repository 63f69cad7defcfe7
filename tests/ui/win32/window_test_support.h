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
#include <vector>

namespace tolvane::win32::testing {

std::wstring window_text(HWND window);

// Dispatches what waits in this thread's queue, as the program's loop would.
void pump_messages();

struct SeenMessage {
  std::wstring title;
  std::wstring text;
  bool icon = false;     // an icon is shown beside the text
  bool only_ok = false;  // an OK button and no other
  bool yes_no = false;   // Yes and No buttons and no other
};

// Watches `thread`'s windows for message boxes (class #32770), one after
// the other; as each opens, reads it, runs `while_open` with it (on the
// watcher's thread) and presses the button `presses` names for it in turn
// (IDOK, IDYES, IDNO), until each has had its box.
class MessageBoxWatcher {
 public:
  explicit MessageBoxWatcher(std::function<void(HWND box)> while_open = {},
                             DWORD thread = GetCurrentThreadId(),
                             std::vector<int> presses = {IDOK});
  ~MessageBoxWatcher();
  MessageBoxWatcher(const MessageBoxWatcher&) = delete;
  MessageBoxWatcher& operator=(const MessageBoxWatcher&) = delete;

  // The first box seen, once every box has been dismissed.
  std::optional<SeenMessage> seen();
  // Every box seen, in order, once every box has been dismissed.
  std::vector<SeenMessage> seen_all();

 private:
  void watch();

  DWORD thread_;
  std::function<void(HWND)> while_open_;
  std::vector<int> presses_;
  std::vector<SeenMessage> seen_;
  std::atomic<bool> done_{false};
  std::atomic<bool> stop_{false};
  std::thread watcher_;
};

}  // namespace tolvane::win32::testing
