// The window's undo item through Form1's rules on a fake window over the
// real disk: when it is offered, what it asks, what it does and says.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

#include "app/session.h"
#include "form/form1.h"
#include "fsys/resolved_path.h"
#include "fsys/restorer.h"
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
            "将删除上次拷贝到“" + shown + "”的" + count +
                "个文件，移除拷贝时新建的1个文件夹（“trip”）。要撤销吗？");
  EXPECT_EQ(tt::files_below(tree.path("dst")).size(), std::size_t{photos});  // No touches nothing
  EXPECT_TRUE(controls.undo_enabled);

  // What the window shows each time it repaints during the undo: the
  // question gone, then the bar and the progress line moving to the end.
  struct Shown {
    std::size_t questions;
    std::string line;
    int value, max;
  };
  std::vector<Shown> repaints;
  controls.on_keep_alive = [&] {
    repaints.push_back({controls.questions.size(), controls.captions[Control::Label6],
                        controls.progress_value, controls.progress_max});
  };
  controls.answer_yes = true;
  form.Undo_Click();
  controls.on_keep_alive = nullptr;
  const std::string steps = std::to_string(photos + 1);  // the copies and trip/
  ASSERT_GE(repaints.size(), 2u);
  EXPECT_EQ(repaints.front().line, "撤销：0/" + steps);
  EXPECT_EQ(repaints.back().line, "撤销：" + steps + "/" + steps);
  EXPECT_EQ(repaints.back().value, photos + 1);
  EXPECT_EQ(repaints.back().max, photos + 1);
  for (const Shown& shown_then : repaints) EXPECT_EQ(shown_then.questions, 2u);
  // Back as before the undo once it has said what it did.
  EXPECT_EQ(controls.captions[Control::Label6], "进度：");
  EXPECT_EQ(controls.progress_value, 0);
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

namespace tolvane::form {
namespace {

TEST(UndoItem, CopyThatCannotBeJournaledIsAskedAboutFirst) {
  tt::TempTree tree({"dst/", "state"});
  for (int k = 1; k <= 3; ++k) tree.write("src/trip/" + std::to_string(k) + ".jpg", "photo");
  // The journals' folder lies below a file: no journal can be written there.
  app::Session session(fsys::make_native_file_system(), tree.path("state/journals/"));
  testing::FakeForm1Controls controls;
  Form1 form(controls, session);
  controls.form = &form;
  form.Form_Load();
  controls.texts[Control::Text1] = tree.path("src");
  controls.texts[Control::Text2] = tree.path("dst");

  form.Command1_Click();
  controls.answer_yes = false;
  form.Command2_Click();
  ASSERT_EQ(controls.questions.size(), 1u);
  EXPECT_TRUE(controls.questions.back().starts_with("无法记录本次拷贝（"))
      << controls.questions.back();
  EXPECT_TRUE(controls.questions.back().ends_with("），之后不能撤销。仍要拷贝吗？"))
      << controls.questions.back();
  // No: nothing copied, nothing more said, and the list stays ready.
  EXPECT_EQ(tt::files_below(tree.path("dst")), tt::TreeFiles{});
  EXPECT_TRUE(controls.messages.empty());
  EXPECT_TRUE(form.command2_enabled());

  controls.answer_yes = true;
  form.Command2_Click();
  EXPECT_EQ(controls.questions.size(), 2u);
  EXPECT_EQ(tt::files_below(tree.path("dst")).size(), 3u);
  ASSERT_EQ(controls.messages.size(), 1u);
  EXPECT_EQ(controls.messages.back().first, "已完成3条。");
  EXPECT_FALSE(controls.undo_enabled);
}

}  // namespace
}  // namespace tolvane::form
