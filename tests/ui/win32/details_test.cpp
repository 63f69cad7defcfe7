// What the window tells beyond its captions, under Wine on a virtual
// display: Label2's tooltip shown when the real pointer rests on it, the
// same text as Label2's accessible description, and a copy run's progress
// and the end of a run on the taskbar (through a recording taskbar: Wine's
// own is a stub that shows nothing).
#include <gtest/gtest.h>
#include <windows.h>
// clang-format off
#include <oleacc.h>
// clang-format on

#include <chrono>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "fsys/win32/path.h"
#include "tests/support/temp_tree.h"
#include "tests/ui/win32/window_test_support.h"
#include "ui/win32/form1_window.h"
#include "ui/win32/shown_window.h"

namespace tolvane::win32 {
namespace {

using form::TaskProgress;
using testing::MessageBoxWatcher;
using testing::window_text;
using ::tolvane::testing::TempTree;

constexpr int command1 = 101, text1 = 102, command2 = 104, label2 = 106, text2 = 112;

std::wstring wide(std::string_view utf8) { return fsys::win32::to_utf16(utf8); }

std::wstring typed(const TempTree& tree, std::string_view relative) {
  std::wstring path = wide(tree.path(relative));
  if (path.back() == L'\\') path.pop_back();
  return path;
}

class RecordingTaskbar final : public Taskbar {
 public:
  struct Call {
    bool flash = false;
    TaskProgress state = TaskProgress::none;
    int value = 0, max = 0;
    bool operator==(const Call&) const = default;
  };

  void show_progress(HWND, TaskProgress state, int value, int max) override {
    const std::lock_guard hold(lock_);
    calls_.push_back({false, state, value, max});
  }
  void flash(HWND) override {
    const std::lock_guard hold(lock_);
    calls_.push_back({true});
  }
  // Read from the message box watcher's thread too.
  std::vector<Call> calls() {
    const std::lock_guard hold(lock_);
    return calls_;
  }
  void forget() {
    const std::lock_guard hold(lock_);
    calls_.clear();
  }

 private:
  std::mutex lock_;
  std::vector<Call> calls_;
};

class DetailsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(form.handle(), nullptr) << "no window: is there a display (DISPLAY)?";
    ShowWindow(form.handle(), SW_SHOW);
    UpdateWindow(form.handle());
    SetForegroundWindow(form.handle());
    testing::pump_messages();
  }

  HWND item(int id) const { return GetDlgItem(form.handle(), id); }
  void click(int id) { SendMessageW(item(id), BM_CLICK, 0, 0); }
  // The button's command without the click, which would focus the button
  // and so bring the window to the front: the user has gone elsewhere
  // since pressing it.
  void command(int id) {
    SendMessageW(form.handle(), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(item(id)));
  }
  void set_text(int id, const std::wstring& text) { SetWindowTextW(item(id), text.c_str()); }

  RecordingTaskbar* taskbar = new RecordingTaskbar;
  Form1Window form{fsys::make_native_file_system(), std::unique_ptr<Taskbar>(taskbar)};
};

// Moves the real pointer onto the middle of `control`, from outside it, and
// waits, taking the window's messages, until a tooltip shows.
HWND rest_pointer_on(HWND control) {
  RECT rect;
  GetWindowRect(control, &rect);
  SetCursorPos(rect.left - 40, rect.top - 40);
  testing::pump_messages();
  SetCursorPos((rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
  const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (std::chrono::steady_clock::now() < give_up) {
    testing::pump_messages();
    if (HWND tooltip = shown_tooltip()) return tooltip;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return nullptr;
}

std::wstring accessible_description(HWND control) {
  IAccessible* object = nullptr;
  if (FAILED(AccessibleObjectFromWindow(control, static_cast<DWORD>(OBJID_CLIENT), IID_IAccessible,
                                        reinterpret_cast<void**>(&object)))) {
    return L"(no accessible object)";
  }
  VARIANT self;
  VariantInit(&self);
  self.vt = VT_I4;
  self.lVal = CHILDID_SELF;
  BSTR text = nullptr;
  std::wstring description;
  if (object->get_accDescription(self, &text) == S_OK && text != nullptr) description = text;
  SysFreeString(text);
  object->Release();
  return description;
}

TEST_F(DetailsTest, PointerOnLabel2ShowsTheLeftOutFoldersAndAScreenReaderReadsThemToo) {
  TempTree tree{"源/a.jpg", "源/旧.old/b.jpg", "源/2019.06 旅行/c.jpg"};
  set_text(text1, typed(tree, "源"));
  click(command1);
  EXPECT_EQ(window_text(item(label2)), L"共计读取1条，2个文件夹略过");
  const std::wstring details = L"2个文件夹因名称含“.”而略过：\n" +
                               wide(tree.path("源/2019.06 旅行/")) + L"\n" +
                               wide(tree.path("源/旧.old/"));

  HWND tooltip = rest_pointer_on(item(label2));
  ASSERT_NE(tooltip, nullptr) << "no tooltip with the pointer on Label2";
  EXPECT_EQ(window_text(tooltip), details);

  ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
  EXPECT_EQ(accessible_description(item(label2)), details);

  // A scan with nothing left out takes both away.
  set_text(text1, typed(tree, "源/旧.old"));
  click(command1);
  EXPECT_EQ(window_text(item(label2)), L"共计读取1条");
  EXPECT_EQ(accessible_description(item(label2)), L"");
  SetCursorPos(0, 0);
  testing::pump_messages();
  EXPECT_EQ(rest_pointer_on(item(label2)), nullptr);
  CoUninitialize();
}

TEST_F(DetailsTest, TaskbarShowsTheCopyRedWhenEntriesFailAndFlashesWhenTheUserIsElsewhere) {
  // A file stands where the folder of tag trip must go: one entry fails.
  TempTree tree{"s/ok/a.jpg", "s/trip/b.jpg", "out/trip"};
  set_text(text1, typed(tree, "s"));
  click(command1);
  set_text(text2, typed(tree, "out"));
  std::vector<RecordingTaskbar::Call> at_message;
  {
    MessageBoxWatcher watcher([&](HWND) { at_message = taskbar->calls(); });
    click(command2);
    ASSERT_TRUE(watcher.seen());
  }
  using Call = RecordingTaskbar::Call;
  ASSERT_FALSE(at_message.empty());
  // The window was in front: the run ends without a flash.
  EXPECT_EQ(at_message.back(), (Call{false, TaskProgress::error, 2, 2}));
  for (const Call& call : at_message) EXPECT_FALSE(call.flash);
  EXPECT_EQ(taskbar->calls().back(), (Call{false, TaskProgress::none, 0, 0}));

  // The user has gone to another window: a scan's end and a copy's message
  // flash the button; the copy that fails nothing stays green.
  HWND other = CreateWindowExW(0, L"STATIC", L"other", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 200,
                               100, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
  SetForegroundWindow(other);
  testing::pump_messages();
  if (GetForegroundWindow() != other) {
    DestroyWindow(other);
    GTEST_SKIP() << "this display cannot put another window in front";
  }
  taskbar->forget();
  set_text(text1, typed(tree, "s/ok"));
  command(command1);
  EXPECT_EQ(taskbar->calls(), (std::vector<Call>{Call{true}}));
  at_message.clear();
  {
    MessageBoxWatcher watcher([&](HWND) { at_message = taskbar->calls(); });
    command(command2);
    ASSERT_TRUE(watcher.seen());
  }
  DestroyWindow(other);
  ASSERT_GE(at_message.size(), 2u);
  EXPECT_EQ(at_message.back(), (Call{true}));
  EXPECT_EQ(at_message[at_message.size() - 2], (Call{false, TaskProgress::normal, 1, 1}));
  EXPECT_EQ(tree.read("out/ok/ok(1).jpg"), "s/ok/a.jpg");
}

}  // namespace
}  // namespace tolvane::win32
