// A walk and a copy run hold the window's thread, yet the window answers the
// window system's hung-window checks throughout, and takes no input: clicks
// posted to Command1 during the run, and one sent while the closing message
// box is open, start nothing.  Escape and the close button stop a copy run.
#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <chrono>
#include <cwchar>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "fsys/file_system.h"
#include "fsys/win32/path.h"
#include "tests/support/no_disk_file_system.h"
#include "tests/support/slow_file_system.h"
#include "tests/support/temp_tree.h"
#include "tests/support/tree_files.h"
#include "tests/ui/win32/window_test_support.h"
#include "ui/win32/form1_window.h"

namespace tolvane::win32 {
namespace {

using testing::MessageBoxWatcher;
using testing::window_text;
using ::tolvane::testing::TempTree;

constexpr int command1 = 101, text1 = 102, list1 = 103, command2 = 104, label2 = 106, text2 = 112;

// What a probe from another thread saw while the run was under way.
struct Probe {
  bool answered = false;  // WM_NULL answered within a second
  bool hung = true;       // IsHungAppWindow
  bool controls_enabled = false;
  bool during_run = false;
};

// Probes `window` from another thread, `count` times, while `progress()`
// stays below `end`, and posts a click to Command1 and a key to Text2 each
// time, as another program or a user would.
std::vector<Probe> probe_while(HWND window, const std::atomic<int>& progress, int end, int count) {
  std::vector<Probe> probes;
  while (progress == 0) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  for (int i = 0; i < count; ++i) {
    Probe probe;
    DWORD_PTR result = 0;
    probe.answered =
        SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 1000, &result) != 0;
    probe.hung = IsHungAppWindow(window) != FALSE;
    probe.controls_enabled =
        IsWindowEnabled(GetDlgItem(window, command1)) && IsWindowEnabled(GetDlgItem(window, text2));
    PostMessageW(GetDlgItem(window, command1), BM_CLICK, 0, 0);
    PostMessageW(GetDlgItem(window, text2), WM_CHAR, L'x', 0);
    probe.during_run = progress < end;
    probes.push_back(probe);
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
  }
  return probes;
}

bool click_left_in_queue(HWND button) {
  MSG message;
  return PeekMessageW(&message, button, BM_CLICK, BM_CLICK, PM_NOREMOVE) != 0;
}

class KeepAliveTest : public ::testing::Test {
 protected:
  void SetUp() override {
    auto file_system = std::make_unique<::tolvane::testing::SlowFileSystem>();
    file_system_ = file_system.get();
    form_ = std::make_unique<Form1Window>(std::move(file_system));
    ASSERT_NE(form_->handle(), nullptr) << "no window: is there a display (DISPLAY)?";
    ShowWindow(form_->handle(), SW_SHOW);
    testing::pump_messages();
  }

  HWND item(int id) const { return GetDlgItem(form_->handle(), id); }

  ::tolvane::testing::SlowFileSystem* file_system_ = nullptr;
  std::unique_ptr<Form1Window> form_;
};

TEST_F(KeepAliveTest, CopyRunAnswersTheWindowSystemAndTakesNoInput) {
  constexpr int files = 120;
  TempTree tree{"out/"};
  for (int i = 0; i < files; ++i) tree.add("src/f" + std::to_string(1000 + i) + ".jpg");
  std::wstring source = fsys::win32::to_utf16(tree.path("src"));
  SetWindowTextW(item(text1), source.c_str());
  SendMessageW(item(command1), BM_CLICK, 0, 0);
  ASSERT_EQ(window_text(item(label2)), L"共计读取120条");
  const int reads_after_scan = file_system_->folders_read;

  std::wstring destination = fsys::win32::to_utf16(tree.path("out"));
  SetWindowTextW(item(text2), destination.c_str());
  // About 2 s in all with the run's four copy threads.
  file_system_->copy_delay = std::chrono::milliseconds(60);

  // With the message open, a click sent to Command1 (what an assistive tool's
  // press does; the box's modality does not stop it) must not scan.
  std::wstring label2_with_box_open;
  LRESULT rows_with_box_open = -1;
  HWND window = form_->handle();
  MessageBoxWatcher watcher([&](HWND) {
    SendMessageW(GetDlgItem(window, command1), BM_CLICK, 0, 0);
    label2_with_box_open = window_text(GetDlgItem(window, label2));
    rows_with_box_open = SendMessageW(GetDlgItem(window, list1), LVM_GETITEMCOUNT, 0, 0);
  });
  std::vector<Probe> probes;
  std::thread prober([&] { probes = probe_while(window, file_system_->copies, files, 4); });
  SendMessageW(item(command2), BM_CLICK, 0, 0);
  prober.join();

  ASSERT_TRUE(watcher.seen());
  EXPECT_EQ(watcher.seen()->text, L"已完成120条。");
  EXPECT_EQ(file_system_->copies, files);
  for (const Probe& probe : probes) {
    EXPECT_TRUE(probe.during_run) << "the run ended before the probe: make it longer";
    EXPECT_TRUE(probe.answered);
    EXPECT_FALSE(probe.hung);
    EXPECT_TRUE(probe.controls_enabled) << "the controls keep their look";
  }
  EXPECT_EQ(label2_with_box_open, L"共计读取120条");
  EXPECT_EQ(rows_with_box_open, files);
  // The posted clicks and keys were dropped, not kept for later.
  EXPECT_FALSE(click_left_in_queue(item(command1)));
  testing::pump_messages();
  EXPECT_EQ(file_system_->folders_read, reads_after_scan);
  EXPECT_EQ(window_text(item(text2)), destination);
  EXPECT_EQ(window_text(item(label2)), L"共计读取120条");
}

// Escape and the close button as the keyboard and the frame send them: Escape
// answered No goes on; the close button answered Yes stops the run, which
// says what it did, keeps what it named and nothing it had only staged, and
// the window then closes.
TEST_F(KeepAliveTest, EscapeAnsweredNoGoesOnAndTheCloseButtonStopsTheRunThenTheWindow) {
  constexpr int files = 40;
  TempTree tree{"out/"};
  for (int i = 0; i < files; ++i) tree.add("src/f" + std::to_string(1000 + i) + ".jpg");
  SetWindowTextW(item(text1), fsys::win32::to_utf16(tree.path("src")).c_str());
  SendMessageW(item(command1), BM_CLICK, 0, 0);
  SetWindowTextW(item(text2), fsys::win32::to_utf16(tree.path("out")).c_str());
  // Two threads for about two seconds: the first batch is named after one.
  file_system_->copy_delay = std::chrono::milliseconds(100);
  form_->form().set_copy_workers(2);
  // Listed without opening a file, which would stand in the way of a
  // rename; staged copies wait under hidden temporary names.
  const auto named = [&] {
    int count = 0;
    std::error_code error;
    for (auto it = std::filesystem::recursive_directory_iterator(
             std::filesystem::path(fsys::win32::to_utf16(tree.path("out"))), error);
         !error && it != std::filesystem::recursive_directory_iterator(); it.increment(error)) {
      count += it->is_regular_file(error) && it->path().filename().wstring()[0] != L'.';
    }
    return count;
  };

  HWND window = form_->handle();
  std::atomic<int> boxes{0};
  MessageBoxWatcher watcher([&](HWND) { ++boxes; }, GetCurrentThreadId(), {IDNO, IDYES, IDOK});
  std::thread user([&] {
    while (file_system_->copies < 2) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    PostMessageW(item(text2), WM_KEYDOWN, VK_ESCAPE, 0);
    while (boxes < 1 || named() == 0) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    std::this_thread::sleep_for(std::chrono::milliseconds(100));  // the No is on its way
    PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
  });
  SendMessageW(item(command2), BM_CLICK, 0, 0);
  user.join();

  const std::vector<testing::SeenMessage> seen = watcher.seen_all();
  ASSERT_EQ(seen.size(), 3u);
  const std::wstring question = L"正在拷贝：已完成";
  EXPECT_TRUE(seen[0].yes_no && seen[0].text.starts_with(question));
  EXPECT_TRUE(seen[1].yes_no && seen[1].text.starts_with(question));
  EXPECT_NE(seen[0].text.find(L"条，共40条。要停止吗？"), std::wstring::npos);
  int done = -1;
  int left = -1;
  EXPECT_EQ(swscanf(seen[2].text.c_str(), L"已停止：已拷贝%d条，余下%d条未拷贝。", &done, &left),
            2);
  EXPECT_TRUE(done > 0 && left > 0 && done + left == files) << done << " " << left;
  EXPECT_EQ(named(), done) << fsys::win32::to_utf8(seen[2].text).value_or("");
  EXPECT_EQ(::tolvane::testing::hidden_files_below(tree.path("out")), std::vector<std::string>{});
  EXPECT_FALSE(IsWindow(window));
}

// A tree that exists only here: one folder of 40 empty subfolders, each
// read slowly.
class SlowFakeTree : public ::tolvane::testing::NoDiskFileSystem {
 public:
  explicit SlowFakeTree(bool read_ahead) : read_ahead_(read_ahead) {}
  std::atomic<int> folders_read{0};
  bool reads_folders_from_any_thread() const override { return read_ahead_; }

  fsys::FolderContents read_folder(const std::string& folder) override {
    std::this_thread::sleep_for(std::chrono::milliseconds(40));
    ++folders_read;
    fsys::FolderContents contents;
    if (folder == "Q:\\slow\\") {
      for (int i = 0; i < 40; ++i) {
        contents.entries.push_back({"d" + std::to_string(10 + i), fsys::EntryKind::folder});
      }
    }
    return contents;
  }

 private:
  const bool read_ahead_;
};

// Over the native file system the walk reads ahead on other threads; over
// others it reads each folder in turn.  The window must breathe either way.
class KeepAliveWalk : public ::testing::TestWithParam<bool> {};
INSTANTIATE_TEST_SUITE_P(InTurnAndAhead, KeepAliveWalk, ::testing::Bool());

TEST_P(KeepAliveWalk, WalkAnswersTheWindowSystemAndRefusesPresses) {
  auto tree = std::make_unique<SlowFakeTree>(GetParam());
  SlowFakeTree& slow = *tree;
  Form1Window form(std::move(tree));
  ASSERT_NE(form.handle(), nullptr);
  ShowWindow(form.handle(), SW_SHOW);
  testing::pump_messages();
  SetWindowTextW(GetDlgItem(form.handle(), text1), L"Q:\\slow");

  std::vector<Probe> probes;
  std::thread prober([&] { probes = probe_while(form.handle(), slow.folders_read, 41, 4); });
  SendMessageW(GetDlgItem(form.handle(), command1), BM_CLICK, 0, 0);
  prober.join();

  EXPECT_EQ(slow.folders_read, 41);  // one walk, no second one
  for (const Probe& probe : probes) {
    EXPECT_TRUE(probe.during_run) << "the walk ended before the probe: make it longer";
    EXPECT_TRUE(probe.answered);
    EXPECT_FALSE(probe.hung);
  }
  EXPECT_FALSE(click_left_in_queue(GetDlgItem(form.handle(), command1)));
  testing::pump_messages();
  EXPECT_EQ(slow.folders_read, 41);
  // A scan refuses presses only: what is typed meanwhile reaches the text.
  EXPECT_NE(window_text(GetDlgItem(form.handle(), text2)), L"C:\\");
  EXPECT_EQ(window_text(GetDlgItem(form.handle(), label2)), L"共计读取0条");
}

}  // namespace
}  // namespace tolvane::win32
