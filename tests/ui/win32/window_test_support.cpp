// The watcher polls rather than hooking: a hook would run on the window's
// thread, which is the one the message box holds.
#include "tests/ui/win32/window_test_support.h"

#include <chrono>
#include <cwchar>

#include "ui/win32/shown_window.h"

namespace tolvane::win32::testing {
namespace {

// The text of a message box, and its icon under the ids Windows and Wine give it.
constexpr int message_text_id = 0xFFFF;
constexpr int icon_ids[] = {0x14, 1088};

HWND message_box_of(DWORD thread) { return shown_window_of_class(thread, L"#32770"); }

}  // namespace

std::wstring window_text(HWND window) {
  const int length = GetWindowTextLengthW(window);
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  text.resize(static_cast<std::size_t>(GetWindowTextW(window, text.data(), length + 1)));
  return text;
}

void pump_messages() {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

MessageBoxWatcher::MessageBoxWatcher(std::function<void(HWND)> while_open, DWORD thread,
                                     std::vector<int> presses)
    : thread_(thread),
      while_open_(std::move(while_open)),
      presses_(std::move(presses)),
      watcher_([this] { watch(); }) {}

MessageBoxWatcher::~MessageBoxWatcher() {
  stop_ = true;
  watcher_.join();
}

std::optional<SeenMessage> MessageBoxWatcher::seen() {
  if (!done_ || seen_.empty()) return std::nullopt;
  return seen_.front();
}

std::vector<SeenMessage> MessageBoxWatcher::seen_all() {
  if (!done_) return {};
  return seen_;
}

void MessageBoxWatcher::watch() {
  const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(120);
  HWND last = nullptr;
  while (!stop_ && std::chrono::steady_clock::now() < give_up) {
    HWND box = message_box_of(thread_);
    // The box just answered may still be on its way out.
    if (box == nullptr || (box == last && IsWindow(box))) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
      continue;
    }
    SeenMessage seen;
    seen.title = window_text(box);
    wchar_t text[1024] = {};
    GetDlgItemTextW(box, message_text_id, text, 1024);
    seen.text = text;
    for (int id : icon_ids) {
      HWND icon = GetDlgItem(box, id);
      seen.icon = seen.icon || (icon != nullptr && IsWindowVisible(icon) &&
                                SendMessageW(icon, STM_GETICON, 0, 0) != 0);
    }
    const auto has = [box](int id) { return GetDlgItem(box, id) != nullptr; };
    seen.only_ok = has(IDOK) && !has(IDCANCEL) && !has(IDYES) && !has(IDNO);
    seen.yes_no = has(IDYES) && has(IDNO) && !has(IDOK) && !has(IDCANCEL);
    if (while_open_) while_open_(box);
    const int press = presses_.at(seen_.size());
    seen_.push_back(seen);
    PostMessageW(box, WM_COMMAND, MAKEWPARAM(press, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(box, press)));
    last = box;
    if (seen_.size() == presses_.size()) {
      done_ = true;
      return;
    }
  }
}

}  // namespace tolvane::win32::testing
