// The real Win32 window, driven as a user drives it: every control found by
// its id, class and place in twips at 96, 144 and 192 DPI, the start-up
// state, a scan and a copy of a tree with Chinese names through the buttons
// and the closing message box, folder drops, and the program itself.
#include "ui/win32/form1_window.h"

#include <gtest/gtest.h>
#include <shlobj.h>
#include <windows.h>

#include <cstring>
#include <cwctype>
#include <string>
#include <vector>

#include "form/form1_layout.h"
#include "fsys/win32/path.h"
#include "tests/app/longest_captions.h"
#include "tests/support/temp_tree.h"
#include "tests/ui/win32/window_test_support.h"
#include "ui/win32/context_menu.h"

namespace tolvane::win32 {
namespace {

using form::Control;
using testing::MessageBoxWatcher;
using testing::window_text;
using ::tolvane::testing::TempTree;

// The native side of each row of the layout table (form/form1_layout.h),
// row for row: the id a test finds the control by and its window class.
struct NativeExpected {
  int id;
  const wchar_t* window_class;
};
const NativeExpected expected_native[] = {
    {101, L"Button"},
    {102, L"Edit"},
    {103, L"SysListView32"},
    {104, L"Button"},
    {105, L"SysListView32"},
    {106, L"Static"},
    {107, L"Static"},
    {108, L"Static"},
    {109, L"ComboBox"},
    {110, L"Static"},
    {111, L"Static"},
    {112, L"Edit"},
    {113, L"msctls_progress32"},
    {114, L"Static"},
    {115, L"Static"},
    {116, L"Static"},
    {117, L"Button"},
};
static_assert(std::size(expected_native) == form::form1_layout.size());

constexpr int command1 = 101, text1 = 102, list1 = 103, command2 = 104, label2 = 106, combo1 = 109,
              text2 = 112, progress_bar1 = 113, label6 = 114, check1 = 117;

int pixels(int twips, UINT dpi) { return MulDiv(twips, static_cast<int>(dpi), 1440); }

std::wstring lower(std::wstring text) {
  for (wchar_t& c : text) c = static_cast<wchar_t>(std::towlower(c));
  return text;
}

std::wstring wide(std::string_view utf8) { return fsys::win32::to_utf16(utf8); }

// A folder text as the user types it: the path without its separator.
std::wstring typed(const TempTree& tree, std::string_view relative) {
  std::wstring path = wide(tree.path(relative));
  if (path.back() == L'\\') path.pop_back();
  return path;
}

RECT client_rect_of(HWND control, HWND parent) {
  RECT rect;
  GetWindowRect(control, &rect);
  MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

std::wstring list_row(HWND list, int row) {
  wchar_t text[2048] = {};
  LVITEMW item{};
  item.iSubItem = 0;
  item.pszText = text;
  item.cchTextMax = 2048;
  SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
  return text;
}

// How far a control's caption runs over its control, in pixels (0 when it
// fits): measured with the control's own font.
SIZE caption_overflow(HWND control, UINT dpi, bool check_box) {
  const std::wstring caption = window_text(control);
  HDC context = GetDC(control);
  HGDIOBJ previous =
      SelectObject(context, reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)));
  SIZE text{};
  GetTextExtentPoint32W(context, caption.c_str(), static_cast<int>(caption.size()), &text);
  SelectObject(context, previous);
  ReleaseDC(control, context);
  RECT client;
  GetClientRect(control, &client);
  wchar_t name[32] = {};
  GetClassNameW(control, name, 32);
  int room = client.right;
  if (check_box) {
    room -= MulDiv(13 + 4, static_cast<int>(dpi), 96);  // the box and its gap
  } else if (lower(name) == L"button") {
    room -= 2 * MulDiv(3, static_cast<int>(dpi), 96);  // the button's frame
  }
  return SIZE{std::max(0L, text.cx - room), std::max(0L, text.cy - client.bottom)};
}

class Form1WindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(form.handle(), nullptr) << "no window: is there a display (DISPLAY)?";
    ShowWindow(form.handle(), SW_SHOW);
    UpdateWindow(form.handle());
    testing::pump_messages();
  }

  HWND item(int id) const { return GetDlgItem(form.handle(), id); }
  void click(int id) { SendMessageW(item(id), BM_CLICK, 0, 0); }
  void set_text(int id, const std::wstring& text) { SetWindowTextW(item(id), text.c_str()); }

  Form1Window form;
};

TEST_F(Form1WindowTest, ControlsSitWhereTheTwipsSayAtEveryDpi) {
  const UINT own_dpi = form.dpi();
  for (UINT dpi : {own_dpi, 144u, 192u}) {
    SCOPED_TRACE("at " + std::to_string(dpi) + " DPI");
    if (dpi != own_dpi) {
      // What Windows sends when the window moves to a monitor of that DPI.
      RECT suggested{50, 50, 50 + pixels(form::form_width_twips, dpi) + 20,
                     50 + pixels(form::form_height_twips, dpi) + 40};
      SendMessageW(form.handle(), WM_DPICHANGED, MAKEWPARAM(dpi, dpi),
                   reinterpret_cast<LPARAM>(&suggested));
      testing::pump_messages();
    }
    RECT client;
    GetClientRect(form.handle(), &client);
    EXPECT_EQ(client.right, pixels(form::form_width_twips, dpi));
    EXPECT_EQ(client.bottom, pixels(form::form_height_twips, dpi));

    for (std::size_t row = 0; row < form::form1_layout.size(); ++row) {
      const form::ControlPlace& place = form::form1_layout[row];
      const NativeExpected& expected = expected_native[row];
      SCOPED_TRACE(std::string(place.name));
      HWND control = item(expected.id);
      ASSERT_NE(control, nullptr);
      wchar_t name[64] = {};
      GetClassNameW(control, name, 64);
      EXPECT_EQ(lower(name), lower(expected.window_class));
      const RECT rect = client_rect_of(control, form.handle());
      EXPECT_EQ(rect.left, pixels(place.left, dpi));
      EXPECT_EQ(rect.top, pixels(place.top, dpi));
      EXPECT_EQ(rect.right - rect.left, pixels(place.width, dpi));
      if (expected.id == combo1) {
        // A closed drop-down combo box is one line of its font high: the
        // layout's height, or the least the system allows for the font.
        EXPECT_GE(rect.bottom - rect.top, pixels(place.height, dpi));
        EXPECT_LE(rect.bottom - rect.top, pixels(place.height, dpi) + MulDiv(2, dpi, 96));
      } else {
        EXPECT_EQ(rect.bottom - rect.top, pixels(place.height, dpi));
      }
      EXPECT_EQ(IsWindowVisible(control) != FALSE, expected.id != 105);  // List2 is never seen
      EXPECT_EQ((GetWindowLongPtrW(control, GWL_STYLE) & WS_TABSTOP) != 0, place.tab_stop);
      if (!place.caption.empty()) {
        EXPECT_EQ(window_text(control), wide(place.caption));
      }

      const bool has_caption = lower(name) == L"static" || lower(name) == L"button";
      if (has_caption) {
        const SIZE overflow = caption_overflow(control, dpi, expected.id == check1);
        EXPECT_EQ(overflow.cx, 0) << "caption too wide";
        EXPECT_EQ(overflow.cy, 0) << "caption too tall";
      }
    }
    // The longest count lines Label2 will show, each suffix in turn.
    const std::wstring count_line = window_text(item(label2));
    for (const std::string& caption : app::testing::longest_count_captions()) {
      SetWindowTextW(item(label2), wide(caption).c_str());
      const SIZE overflow = caption_overflow(item(label2), dpi, false);
      EXPECT_EQ(overflow.cx, 0) << caption << " too wide";
      EXPECT_EQ(overflow.cy, 0) << caption << " too tall";
    }
    SetWindowTextW(item(label2), count_line.c_str());
  }
  const auto style = static_cast<DWORD>(GetWindowLongPtrW(form.handle(), GWL_STYLE));
  EXPECT_EQ(style & (WS_THICKFRAME | WS_MAXIMIZEBOX), 0u) << "the size is fixed";
}

TEST_F(Form1WindowTest, StartsInTheLoadHandlersState) {
  EXPECT_EQ(window_text(form.handle()), L"Tolvane Vurla");
  EXPECT_EQ(window_text(item(command1)), L"开始读取");
  EXPECT_EQ(window_text(item(command2)), L"拷贝");
  EXPECT_EQ(window_text(item(108)), L"显示信息：");
  EXPECT_EQ(window_text(item(label2)), L"当前读取0条");
  EXPECT_EQ(window_text(item(107)), L"读取的目录(文件夹)：");
  EXPECT_EQ(window_text(item(110)), L"扩展名：");
  EXPECT_EQ(window_text(item(111)), L"另存为目录(文件夹)：");
  EXPECT_EQ(window_text(item(label6)), L"进度：");
  EXPECT_EQ(window_text(item(check1)), L"目录off");
  EXPECT_EQ(window_text(item(text1)), L"C:\\");
  EXPECT_EQ(window_text(item(text2)), L"C:\\");
  EXPECT_EQ(window_text(item(combo1)), L".jpg");

  std::vector<std::wstring> items;
  const auto count = SendMessageW(item(combo1), CB_GETCOUNT, 0, 0);
  for (int i = 0; i < count; ++i) {
    wchar_t text[32] = {};
    SendMessageW(item(combo1), CB_GETLBTEXT, static_cast<WPARAM>(i),
                 reinterpret_cast<LPARAM>(text));
    items.emplace_back(text);
  }
  EXPECT_EQ(items, (std::vector<std::wstring>{L".jpg", L".png", L".raw", L".bmp", L".JPEG", L".pdf",
                                              L".txt", L".docx", L".*"}));
  EXPECT_EQ(SendMessageW(item(combo1), CB_GETCURSEL, 0, 0), 0);
  EXPECT_TRUE(IsWindowEnabled(item(command1)));
  EXPECT_FALSE(IsWindowEnabled(item(command2)));
  EXPECT_EQ(SendMessageW(item(check1), BM_GETCHECK, 0, 0), BST_UNCHECKED);
  EXPECT_EQ(SendMessageW(item(list1), LVM_GETITEMCOUNT, 0, 0), 0);
  EXPECT_EQ(SendMessageW(item(progress_bar1), PBM_GETPOS, 0, 0), 0);
  EXPECT_EQ(SendMessageW(item(progress_bar1), PBM_GETRANGE, FALSE, 0), 100);  // the maximum

  // Tab goes through the focusable controls in the table's order (Command2
  // is disabled and skipped).
  std::vector<int> order;
  HWND at = item(command1);
  for (int i = 0; i < 7; ++i) {
    order.push_back(GetDlgCtrlID(at));
    at = GetNextDlgTabItem(form.handle(), at, FALSE);
  }
  EXPECT_EQ(order, (std::vector<int>{command1, text1, list1, combo1, text2, check1, command1}));
}

TEST_F(Form1WindowTest, ArrowKeyInTheComboChoosesTheNextExtension) {
  HWND edit = GetWindow(item(combo1), GW_CHILD);
  ASSERT_NE(edit, nullptr);
  SendMessageW(edit, WM_KEYDOWN, VK_DOWN, 0);
  EXPECT_EQ(SendMessageW(item(combo1), CB_GETCURSEL, 0, 0), 1);
  EXPECT_EQ(window_text(item(combo1)), L".png");
}

TEST_F(Form1WindowTest, ScanAndCopyThroughTheButtonsAndTheMessageBox) {
  TempTree tree{"源/说明.txt", "源/2019/丙.jpg", "源/旅行/a甲.jpg", "源/旅行/b乙.JPG", "目标/"};
  set_text(text1, typed(tree, "源"));
  click(command1);
  EXPECT_EQ(window_text(item(label2)), L"共计读取3条");
  ASSERT_EQ(SendMessageW(item(list1), LVM_GETITEMCOUNT, 0, 0), 3);
  EXPECT_EQ(list_row(item(list1), 0), wide(tree.path("源/2019/丙.jpg")));
  EXPECT_EQ(list_row(item(list1), 1), wide(tree.path("源/旅行/a甲.jpg")));
  EXPECT_EQ(list_row(item(list1), 2), wide(tree.path("源/旅行/b乙.JPG")));
  EXPECT_EQ(list_row(GetDlgItem(form.handle(), 105), 2), L"旅行");  // List2: the tag
  EXPECT_TRUE(IsWindowEnabled(item(command2)));

  set_text(text2, typed(tree, "目标"));
  MessageBoxWatcher watcher;
  click(command2);
  const auto seen = watcher.seen();
  ASSERT_TRUE(seen) << "no message box";
  EXPECT_EQ(seen->title, L"Tolvane");
  EXPECT_EQ(seen->text, L"已完成3条。");
  EXPECT_FALSE(seen->icon);
  EXPECT_TRUE(seen->only_ok);

  EXPECT_EQ(tree.read("目标/2019/2019(1).jpg"), "源/2019/丙.jpg");
  EXPECT_EQ(tree.read("目标/旅行/旅行(1).jpg"), "源/旅行/a甲.jpg");
  EXPECT_EQ(tree.read("目标/旅行/旅行(2).jpg"), "源/旅行/b乙.JPG");
  EXPECT_EQ(window_text(item(label6)), L"进度：100.00%");
  EXPECT_EQ(SendMessageW(item(progress_bar1), PBM_GETPOS, 0, 0), 0);
  EXPECT_FALSE(IsWindowEnabled(item(command2)));
}

// A destination two levels below the last folder that exists: the system's
// Yes/No box with its question icon names it; No makes nothing and keeps
// 拷贝 enabled, Yes makes both folders and copies, then the closing message.
TEST_F(Form1WindowTest, MissingDestinationIsAskedAboutThenMadeOnYes) {
  TempTree tree{"源/旅行/a甲.jpg", "目标/"};
  set_text(text1, typed(tree, "源"));
  click(command1);
  set_text(text2, typed(tree, "目标/新/2026"));
  const std::wstring question =
      L"另存为目录“" + typed(tree, "目标/新/2026") + L"”不存在，要新建吗？";
  {
    MessageBoxWatcher watcher({}, GetCurrentThreadId(), {IDNO});
    click(command2);
    const auto seen = watcher.seen();
    ASSERT_TRUE(seen) << "no message box";
    EXPECT_EQ(seen->title, L"Tolvane");
    EXPECT_EQ(seen->text, question);
    EXPECT_TRUE(seen->icon);
    EXPECT_TRUE(seen->yes_no);
  }
  EXPECT_EQ(GetFileAttributesW(typed(tree, "目标/新").c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_TRUE(IsWindowEnabled(item(command2)));

  MessageBoxWatcher watcher({}, GetCurrentThreadId(), {IDYES, IDOK});
  click(command2);
  const std::vector<testing::SeenMessage> seen = watcher.seen_all();
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_EQ(seen[0].text, question);
  EXPECT_EQ(seen[1].text, L"已完成1条。");
  EXPECT_TRUE(seen[1].only_ok);
  EXPECT_EQ(tree.read("目标/新/2026/旅行/旅行(1).jpg"), "源/旅行/a甲.jpg");
  EXPECT_FALSE(IsWindowEnabled(item(command2)));
}

// Ctrl+Z stands for "撤销上次拷贝" (the program's loop sends the item's
// command): greyed, it does nothing at all; once Text2's folder holds a
// copy it can undo, it asks.
TEST_F(Form1WindowTest, UndoKeyDoesNothingWhileTheItemIsGreyed) {
  TempTree tree{"源/旅行/a甲.jpg", "目标/"};
  const auto press_undo_key = [&] {
    SendMessageW(form.handle(), WM_COMMAND, MAKEWPARAM(undo_command_id, 1), 0);
  };
  set_text(text2, typed(tree, "目标"));
  {
    MessageBoxWatcher watcher;
    press_undo_key();
    testing::pump_messages();
    EXPECT_FALSE(watcher.seen()) << "a message box while the item is greyed";
  }
  set_text(text1, typed(tree, "源"));
  click(command1);
  {
    MessageBoxWatcher watcher;
    click(command2);
    ASSERT_TRUE(watcher.seen()) << "no closing message";
  }
  MessageBoxWatcher watcher({}, GetCurrentThreadId(), {IDNO});
  press_undo_key();
  const auto seen = watcher.seen();
  ASSERT_TRUE(seen) << "no question";
  EXPECT_EQ(seen->text.rfind(L"将删除上次拷贝到“" + typed(tree, "目标") + L"”的1个文件", 0), 0u);
  EXPECT_TRUE(seen->yes_no);
  EXPECT_EQ(tree.read("目标/旅行/旅行(1).jpg"), "源/旅行/a甲.jpg");
}

TEST_F(Form1WindowTest, FailuresAreReportedWithAWarningIcon) {
  // A file stands where the tag's folder must go.
  TempTree tree{"s/trip/a.jpg", "out/trip"};
  set_text(text1, typed(tree, "s"));
  click(command1);
  set_text(text2, typed(tree, "out"));
  MessageBoxWatcher watcher;
  click(command2);
  const auto seen = watcher.seen();
  ASSERT_TRUE(seen);
  EXPECT_TRUE(seen->icon);
  EXPECT_EQ(seen->text.rfind(L"已完成1条。", 0), 0u)
      << fsys::win32::to_utf8(seen->text).value_or("");
}

// Builds what Explorer hands over on a drop: a DROPFILES block followed by
// the paths, each ending in a null, and a final null.
HDROP make_drop(const std::vector<std::wstring>& paths) {
  std::wstring list;
  for (const std::wstring& path : paths) list += path + L'\0';
  list += L'\0';
  const SIZE_T bytes = sizeof(DROPFILES) + list.size() * sizeof(wchar_t);
  HGLOBAL memory = GlobalAlloc(GHND, bytes);
  auto* header = static_cast<DROPFILES*>(GlobalLock(memory));
  header->pFiles = sizeof(DROPFILES);
  header->fWide = TRUE;
  std::memcpy(reinterpret_cast<char*>(header) + sizeof(DROPFILES), list.data(),
              list.size() * sizeof(wchar_t));
  GlobalUnlock(memory);
  return static_cast<HDROP>(memory);
}

TEST_F(Form1WindowTest, DroppedFolderBecomesTheTextItLandsOn) {
  TempTree tree{"照片/a.jpg", "other/"};
  const auto drop = [&](int id, const std::vector<std::wstring>& paths) {
    SendMessageW(item(id), WM_DROPFILES, reinterpret_cast<WPARAM>(make_drop(paths)), 0);
  };
  drop(text2, {wide(tree.path("gone/")), wide(tree.path("照片/"))});
  EXPECT_EQ(window_text(item(text2)), typed(tree, "照片"));
  EXPECT_EQ(window_text(item(text1)), L"C:\\");
  drop(text1, {wide(tree.path("照片/a.jpg"))});  // a file gives its folder
  EXPECT_EQ(window_text(item(text1)), typed(tree, "照片"));
  drop(text1, {wide(tree.path("gone/"))});  // nothing that exists: unchanged
  EXPECT_EQ(window_text(item(text1)), typed(tree, "照片"));
  EXPECT_TRUE(GetWindowLongPtrW(item(text1), GWL_EXSTYLE) & WS_EX_ACCEPTFILES);
  EXPECT_FALSE(GetWindowLongPtrW(item(list1), GWL_EXSTYLE) & WS_EX_ACCEPTFILES);
}

// The program file beside this test's build folder.
std::wstring program_path() {
  wchar_t own[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, own, MAX_PATH);
  std::wstring path = own;
  path.resize(path.find_last_of(L"\\/") + 1);
  return path + wide(TOLVANE_PROGRAM_FROM_TEST);
}

TEST(Program, CarriesItsManifestStartsIntoTheWindowAndClosesWhenAsked) {
  const std::wstring program = program_path();
  HMODULE image = LoadLibraryExW(program.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  ASSERT_NE(image, nullptr) << "no program at " << fsys::win32::to_utf8(program).value_or("");
  HRSRC found = FindResourceW(image, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24));
  ASSERT_NE(found, nullptr) << "no application manifest";
  const std::string manifest(static_cast<const char*>(LockResource(LoadResource(image, found))),
                             SizeofResource(image, found));
  FreeLibrary(image);
  EXPECT_NE(manifest.find("Microsoft.Windows.Common-Controls"), std::string::npos);
  EXPECT_NE(manifest.find("version=\"6.0.0.0\""), std::string::npos);
  EXPECT_NE(manifest.find("PerMonitorV2"), std::string::npos);

  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  std::wstring command_line = L"\"" + program + L"\"";
  ASSERT_TRUE(CreateProcessW(program.c_str(), command_line.data(), nullptr, nullptr, FALSE, 0,
                             nullptr, nullptr, &startup, &process));
  HWND window = nullptr;
  for (int i = 0; i < 300 && window == nullptr; ++i) {
    Sleep(50);
    for (HWND candidate = FindWindowW(L"TolvaneForm1", nullptr); candidate != nullptr;
         candidate = FindWindowExW(nullptr, candidate, L"TolvaneForm1", nullptr)) {
      DWORD owner = 0;
      GetWindowThreadProcessId(candidate, &owner);
      if (owner == process.dwProcessId && IsWindowVisible(candidate)) window = candidate;
    }
  }
  ASSERT_NE(window, nullptr) << "the program showed no window";
  EXPECT_EQ(window_text(window), L"Tolvane Vurla");
  PostMessageW(window, WM_CLOSE, 0, 0);
  EXPECT_EQ(WaitForSingleObject(process.hProcess, 20000), WAIT_OBJECT_0);
  DWORD exit_code = 1;
  GetExitCodeProcess(process.hProcess, &exit_code);
  EXPECT_EQ(exit_code, 0u);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
}

}  // namespace
}  // namespace tolvane::win32
