// The window's undo item through Form1's rules on a fake window over the
// real disk: when it is offered, what it asks, what it does and says.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

#include "app/session.h"
#include "form/form1.h"
#include "fsys/resolved_path.h"
#include "tests/form/fake_form1_controls.h"
#include "tests/support/temp_tree.h"
#include "tests/support/tree_files.h"

namespace tolvane::form {
namespace {

namespace tt = tolvane::testing;

TEST(UndoItem, OfferedForTheLastRunIntoText2AskedInNumbersThenDone) {
  tt::TempTree tree({"dst/"});
  // Enough copies that the journal outgrows the first lines the window
  // reads: that the run is undone must show all the same.
  constexpr int photos = 150;
  for (int k = 1; k <= photos; ++k) {
    tree.write("src/trip/" + std::to_string(k) + ".jpg", tt::random_bytes(64 + k, k));
  }
  const std::string count = std::to_string(photos);
  app::Session session;  // the disk, and this user's journals
  testing::FakeForm1Controls controls;
  Form1 form(controls, session);
  controls.form = &form;
  form.Form_Load();
  EXPECT_FALSE(controls.undo_enabled);

  controls.texts[Control::Text1] = tree.path("src");
  form.Command1_Click();
  controls.texts[Control::Text2] = tree.path("dst");
  form.Text2_Change();
  EXPECT_FALSE(controls.undo_enabled);  // nothing copied there yet
  form.Command2_Click();
  ASSERT_EQ(tt::files_below(tree.path("dst")).size(), std::size_t{photos});
  EXPECT_TRUE(controls.undo_enabled);

  // Another folder in Text2: nothing to undo there.
  controls.texts[Control::Text2] = tree.path("src");
  form.Text2_Change();
  EXPECT_FALSE(controls.undo_enabled);
  controls.texts[Control::Text2] = tree.path("dst");
  form.Text2_Change();
  ASSERT_TRUE(controls.undo_enabled);

  const std::string shown = fsys::absolute_folder(tree.path("dst") + "/");
  controls.answer_yes = false;
  form.Undo_Click();
  ASSERT_FALSE(controls.questions.empty());
  EXPECT_EQ(controls.questions.back(),
            "将删除上次拷贝到“" + shown + "”的" + count + "个文件。要撤销吗？");
  EXPECT_EQ(tt::files_below(tree.path("dst")).size(), std::size_t{photos});  // No touches nothing
  EXPECT_TRUE(controls.undo_enabled);

  controls.answer_yes = true;
  form.Undo_Click();
  EXPECT_EQ(tt::files_below(tree.path("dst")), tt::TreeFiles{});
  EXPECT_FALSE(std::filesystem::exists(tree.path("dst/trip")));
  EXPECT_EQ(controls.messages.back().first, "已撤销上次拷贝到“" + shown + "”的文件：删除了" +
                                                count +
                                                "个文件，放回了0个被替换的文件，移除了1个文件夹。");
  EXPECT_FALSE(controls.messages.back().second);
  EXPECT_FALSE(controls.undo_enabled);

  // Ctrl+Z again: the run is undone already, and the window says so.
  const std::size_t asked = controls.questions.size();
  form.Undo_Click();
  EXPECT_EQ(controls.questions.size(), asked);
  EXPECT_EQ(controls.messages.back().first,
            "没有可撤销的拷贝：上次拷贝到“" + shown + "”已撤销过。");
}

}  // namespace
}  // namespace tolvane::form
