// "预览拷贝…" in the real Win32 window under Wine: a re-run into last run's
// destination after a photo was deleted, with the user's own file at a
// target.  The plan window's list is read as a user and a screen reader
// read it, its filter and its button pressed, and 拷贝 then does what it
// said.
#include <gtest/gtest.h>
#include <windows.h>
// clang-format off
#include <oleacc.h>
// clang-format on

#include <string>
#include <vector>

#include "fsys/win32/path.h"
#include "tests/support/temp_tree.h"
#include "tests/ui/win32/window_test_support.h"
#include "ui/win32/context_menu.h"
#include "ui/win32/form1_window.h"

namespace tolvane::win32 {
namespace {

using testing::MessageBoxWatcher;
using testing::window_text;
using ::tolvane::testing::TempTree;

constexpr int command1 = 101, text1 = 102, command2 = 104, text2 = 112;

std::wstring wide(std::string_view utf8) { return fsys::win32::to_utf16(utf8); }

std::wstring typed(const TempTree& tree, std::string_view relative) {
  std::wstring path = wide(tree.path(relative));
  if (path.back() == L'\\') path.pop_back();
  return path;
}

// Every row the list shows, its cells joined by " | ", as the list view
// asks the window for them.
std::vector<std::wstring> list_rows(HWND list) {
  std::vector<std::wstring> rows;
  const auto count = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
  for (int row = 0; row < count; ++row) {
    std::wstring line;
    for (int column = 0; column < 3; ++column) {
      wchar_t text[2048] = {};
      LVITEMW item{};
      item.iSubItem = column;
      item.pszText = text;
      item.cchTextMax = 2048;
      SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(row),
                   reinterpret_cast<LPARAM>(&item));
      line += (column > 0 ? L" | " : L"") + std::wstring(text);
    }
    rows.push_back(line);
  }
  return rows;
}

// What a screen reader reads of the list through MSAA: each row's name.
std::vector<std::wstring> accessible_rows(HWND list) {
  std::vector<std::wstring> names;
  IAccessible* object = nullptr;
  if (FAILED(AccessibleObjectFromWindow(list, static_cast<DWORD>(OBJID_CLIENT), IID_IAccessible,
                                        reinterpret_cast<void**>(&object)))) {
    return names;
  }
  LONG count = 0;
  object->get_accChildCount(&count);
  for (LONG child = 1; child <= count; ++child) {
    VARIANT id;
    VariantInit(&id);
    id.vt = VT_I4;
    id.lVal = child;
    BSTR name = nullptr;
    names.push_back(object->get_accName(id, &name) == S_OK && name != nullptr ? name : L"");
    SysFreeString(name);
  }
  object->Release();
  return names;
}

class PlanWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(form.handle(), nullptr) << "no window: is there a display (DISPLAY)?";
    ShowWindow(form.handle(), SW_SHOW);
    testing::pump_messages();
  }
  HWND item(int id) const { return GetDlgItem(form.handle(), id); }
  void click(int id) { SendMessageW(item(id), BM_CLICK, 0, 0); }
  void set_text(int id, const std::wstring& text) { SetWindowTextW(item(id), text.c_str()); }
  std::wstring copy() {
    MessageBoxWatcher watcher;
    click(command2);
    const auto seen = watcher.seen();
    return seen ? seen->text : L"(no message)";
  }

  Form1Window form;
};

TEST_F(PlanWindowTest, ShowsEveryEntryFiltersAndTheCopyDoesWhatItSaid) {
  TempTree tree{"目标/"};
  tree.write("源/旅行/a.jpg", "a");
  tree.write("源/旅行/b.jpg", "bb");
  tree.write("源/旅行/c.jpg", "ccc");
  set_text(text1, typed(tree, "源"));
  click(command1);
  set_text(text2, typed(tree, "目标"));
  ASSERT_EQ(copy(), L"已完成3条。");

  DeleteFileW(typed(tree, "源/旅行/a.jpg").c_str());
  tree.write("源/新/n.jpg", "nnnn");
  tree.write("目标/新/新(1).jpg", "the user's own");
  click(command1);
  SendMessageW(form.handle(), WM_COMMAND, MAKEWPARAM(preview_command_id, 0), 0);
  testing::pump_messages();
  ASSERT_NE(form.plan_window(), nullptr);
  const PlanWindow& plan = *form.plan_window();
  EXPECT_TRUE(IsWindowVisible(plan.handle()));
  EXPECT_TRUE(IsWindowEnabled(form.handle())) << "the plan must leave the window usable";
  EXPECT_EQ(window_text(plan.handle()), L"预览拷贝");

  const std::wstring moved = L"编号变动：原来是" + wide(tree.path("源/旅行/"));
  const std::vector<std::wstring> all = {
      typed(tree, "源/新/n.jpg") + L" | 新\\新(1).jpg | 替换（原有文件移入回收站）",
      typed(tree, "源/旅行/b.jpg") + L" | 旅行\\旅行(1).jpg | " + moved +
          L"a.jpg的拷贝；替换（原有文件移入回收站）",
      typed(tree, "源/旅行/c.jpg") + L" | 旅行\\旅行(2).jpg | " + moved +
          L"b.jpg的拷贝；替换（原有文件移入回收站）",
  };
  HWND list = plan.control(PlanWindow::list_id);
  EXPECT_EQ(list_rows(list), all);
  EXPECT_EQ(window_text(plan.control(PlanWindow::summary_id)),
            L"共3条：替换1条（原有文件移入回收站），编号变动2条（之前拷贝的文件移入回收站）。");
  const std::vector<std::wstring> read = accessible_rows(list);
  ASSERT_EQ(read.size(), all.size());
  EXPECT_EQ(read[1], typed(tree, "源/旅行/b.jpg") + L" → 旅行\\旅行(1).jpg：" + moved +
                         L"a.jpg的拷贝；替换（原有文件移入回收站）");

  // Nothing here is a plain new copy: the filter keeps every row.  A plain
  // one added and the plan made again is left out by it.
  tree.write("源/新/z.jpg", "zzzzz");
  click(command1);
  SendMessageW(form.handle(), WM_COMMAND, MAKEWPARAM(preview_command_id, 0), 0);
  testing::pump_messages();
  EXPECT_EQ(list_rows(list).size(), 4u);
  SendMessageW(plan.control(PlanWindow::filter_id), BM_CLICK, 0, 0);
  EXPECT_EQ(list_rows(list), all);

  SendMessageW(plan.control(PlanWindow::close_id), BM_CLICK, 0, 0);
  EXPECT_FALSE(IsWindowVisible(plan.handle()));
  EXPECT_EQ(tree.read("目标/旅行/旅行(1).jpg"), "a") << "closing the plan changed a file";
  EXPECT_EQ(copy(),
            L"已完成4条。\n其中1条替换了原有文件，原有文件已移入回收站。\n"
            L"其中2条因编号变动替换了之前拷贝的文件（已移入回收站）");
  EXPECT_EQ(tree.read("目标/旅行/旅行(1).jpg"), "bb");
  EXPECT_EQ(tree.read("目标/旅行/旅行(2).jpg"), "ccc");
  EXPECT_EQ(tree.read("目标/新/新(1).jpg"), "nnnn");
  EXPECT_EQ(tree.read("目标/新/新(2).jpg"), "zzzzz");
}

}  // namespace
}  // namespace tolvane::win32
