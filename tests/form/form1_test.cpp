// Form1's behaviour on a fake window: the start state, Command2 across scans
// and copies, presses and close requests during a scan and a copy run, and
// the focus after a scan.  The front ends' own tests check their wiring.
#include "form/form1.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "app/plan_texts.h"
#include "fsys/forwarding_file_system.h"
#include "fsys/path_separator.h"
#include "fsys/resolved_path.h"
#include "tests/form/fake_form1_controls.h"
#include "tests/form/memory_tree.h"

namespace tolvane::form {
namespace {

using testing::FakeForm1Controls;
using testing::MemoryTree;

std::string quoted_separator() { return std::string("“") + fsys::separator + "”"; }

class Form1Test : public ::testing::Test {
 protected:
  void SetUp() override {
    window.form = &form;
    form.Form_Load();
  }

  void scan(const std::string& text) {
    window.texts[Control::Text1] = text;
    form.Command1_Click();
  }
  void copy(const std::string& text) {
    window.texts[Control::Text2] = text;
    form.Command2_Click();
  }

  MemoryTree tree{"a.jpg", "b.jpg", "empty/", "out/", "trip/c.jpg"};
  FakeForm1Controls window;
  // Over the tree, keeping no journal.
  app::Session session{std::make_unique<fsys::ForwardingFileSystem>(tree), ""};
  Form1 form{window, session};
};

// The captions and texts are checked through each front end's real controls;
// here, the state behind them.
TEST_F(Form1Test, LoadHandlerLeavesTheStartState) {
  EXPECT_EQ(window.combo_items.size(), 9u);
  EXPECT_EQ(window.selected, 0);
  EXPECT_EQ(window.texts[Control::Combo1], ".jpg");  // through Combo1's click
  EXPECT_EQ(window.texts[Control::Text1], fsys::start_folder_text);
  EXPECT_FALSE(window.enabled(Control::Command2));
  EXPECT_FALSE(window.captions.contains(Control::Check1));  // fixed by the layout
  EXPECT_EQ(window.captions[Control::Label2], "当前读取0条");
  EXPECT_EQ(window.progress_min, 0);
  EXPECT_EQ(window.progress_max, 100);
  EXPECT_EQ(window.progress_value, 0);
  EXPECT_EQ(window.check, 0);
}

TEST_F(Form1Test, Command2IsArmedOnlyByAScanThatFindsFiles) {
  scan(MemoryTree::root_text());
  EXPECT_EQ(window.captions[Control::Label2], "共计读取3条");
  EXPECT_TRUE(window.enabled(Control::Command2));
  EXPECT_EQ(window.progress_max, 3);

  // Nothing found: the list empties, Command2 and the maximum stay.
  scan(MemoryTree::native("R/empty"));
  EXPECT_EQ(window.captions[Control::Label2], "共计读取0条");
  EXPECT_EQ(window.files.size(), 0u);
  EXPECT_TRUE(window.enabled(Control::Command2));
  EXPECT_EQ(window.progress_max, 3);

  // A copy of the empty list still reports and disarms.
  copy(MemoryTree::native("R/out"));
  EXPECT_EQ(window.messages, (decltype(window.messages){{"已完成0条。", false}}));
  EXPECT_FALSE(window.enabled(Control::Command2));
  EXPECT_EQ(window.progress_value, 0);

  // A folder text ending in the separator starts no walk and arms nothing.
  const int reads = tree.folders_read;
  scan(MemoryTree::native("R/"));
  EXPECT_EQ(tree.folders_read, reads);
  EXPECT_EQ(window.captions[Control::Label2],
            "共计读取0条（末尾不要加" + quoted_separator() + "）");
  EXPECT_FALSE(window.enabled(Control::Command2));
}

// Each way a scan can read nothing says which on the count line, after the
// count; a folder that exists and holds nothing is no such case.  "/" is the
// separator on every platform, Windows included.  Advice to take the
// separator away never leaves an empty text: a root alone ("/", the start
// text on Linux) is written "/.".
TEST_F(Form1Test, CountLineSaysWhyAScanReadNothing) {
  const std::string no_separator = "共计读取0条（末尾不要加" + quoted_separator() + "）";
  const std::string root = "共计读取0条（根目录请写作“" + std::string(1, fsys::separator) + ".”）";
  const bool start_is_root = fsys::start_folder_text.size() == 1;
  const struct {
    std::string text1;
    std::string label2;
    bool walked;
  } cases[] = {
      {"", "共计读取0条（未填写文件夹）", false},
      {std::string(fsys::start_folder_text), start_is_root ? root : no_separator, false},
      {"/", root, false},
      {MemoryTree::native("R/"), no_separator, false},
      {"R/", no_separator, false},
      {MemoryTree::native("R/missing"), "共计读取0条（文件夹不存在）", true},
      {MemoryTree::native("R/empty"), "共计读取0条", true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text1);
    const int reads = tree.folders_read;
    scan(c.text1);
    EXPECT_EQ(window.captions[Control::Label2], c.label2);
    EXPECT_EQ(window.descriptions[Control::Label2], "");
    EXPECT_EQ(tree.folders_read > reads, c.walked);
  }
}

// The dot rule keeps its word, and the window tells: the count line counts
// the folders it left out (not those below them, nor files with a dot), the
// details name the first few, after any unreadable ones.
TEST_F(Form1Test, FoldersLeftOutByTheDotRuleAreCountedAndNamed) {
  for (const char* name : {"d1.x", "d2.x", "d3.x", "d4.x", "d5.x", "d6.x", "2019.06 旅行"}) {
    tree.add(std::string(name) + "/p.jpg");
    tree.add(std::string(name) + "/below.y/q.jpg");
  }
  tree.add("trip/old.z/r.jpg");
  scan(MemoryTree::root_text());
  EXPECT_EQ(window.files.size(), 3u);
  EXPECT_EQ(window.captions[Control::Label2], "共计读取3条，8个文件夹略过");
  std::string left_out = "8个文件夹因名称含“.”而略过：";
  // In the order the folder was read (this tree: as added).
  for (const char* folder : {"R/d1.x/", "R/d2.x/", "R/d3.x/", "R/d4.x/", "R/d5.x/"}) {
    left_out += "\n" + MemoryTree::native(folder);
  }
  left_out += "\n…另有3个";
  EXPECT_EQ(window.descriptions[Control::Label2], left_out);

  tree.unreadable.push_back(MemoryTree::native("R/trip/"));
  scan(MemoryTree::root_text());
  // Each kind counted on its own, as the tooltip tells them.
  EXPECT_EQ(window.captions[Control::Label2], "共计读取2条，未读1/略过7");
  const std::string details = window.descriptions[Control::Label2];
  EXPECT_EQ(details.rfind("1个文件夹无法读取：\n" + MemoryTree::native("R/trip/") + "：", 0), 0u)
      << details;
  EXPECT_NE(details.find("\n7个文件夹因名称含“.”而略过：\n"), std::string::npos) << details;

  // A clean scan takes the details away again.
  scan(MemoryTree::native("R/empty"));
  EXPECT_EQ(window.captions[Control::Label2], "共计读取0条");
  EXPECT_EQ(window.descriptions[Control::Label2], "");
}

// A destination text that names no folder, or names a file, copies nothing
// and says why, before any question; the list stays ready, so the mended
// text copies it without a new scan.
TEST_F(Form1Test, RefusedDestinationSaysWhyAndKeepsCommand2) {
  scan(MemoryTree::root_text());
  const std::string ends_in_separator =
      "另存为目录末尾不要加" + quoted_separator() + "：请去掉后再按“拷贝”。";
  const std::string root =
      "另存为目录不要只写" + quoted_separator() + "：请填写要拷贝到的文件夹，再按“拷贝”。";
  const std::string file = "另存为目录“" + fsys::absolute_folder(MemoryTree::native("R/a.jpg/")) +
                           "”是文件，不是文件夹。";
  const bool start_is_root = fsys::start_folder_text.size() == 1;
  const std::pair<std::string, std::string> cases[] = {
      {"", "请先填写另存为目录，再按“拷贝”。"},
      {std::string(fsys::start_folder_text), start_is_root ? root : ends_in_separator},
      {MemoryTree::native("R/out/"), ends_in_separator},
      {"R/out/", ends_in_separator},
      {MemoryTree::native("R/a.jpg"), file},
  };
  for (const auto& [text2, why] : cases) {
    SCOPED_TRACE(text2);
    window.messages.clear();
    form.set_progress_value(2);
    copy(text2);
    EXPECT_EQ(window.messages, (decltype(window.messages){{why, true}}));
    EXPECT_TRUE(window.questions.empty());
    EXPECT_TRUE(tree.made_folders.empty());
    EXPECT_TRUE(tree.copies.empty());
    EXPECT_TRUE(window.enabled(Control::Command2));
    EXPECT_TRUE(form.command2_enabled());
    EXPECT_EQ(window.progress_value, 2);
    EXPECT_EQ(window.files.size(), 3u);
  }
  window.messages.clear();
  copy("R/out");  // typed with "/" on Windows too
  EXPECT_EQ(window.messages, (decltype(window.messages){{"已完成3条。", false}}));
  // The copy threads may finish in any order.
  std::sort(tree.copies.begin(), tree.copies.end());
  EXPECT_EQ(tree.copies, (std::vector<std::string>{MemoryTree::native("R/out/R/R(1).jpg"),
                                                   MemoryTree::native("R/out/R/R(2).jpg"),
                                                   MemoryTree::native("R/out/trip/trip(1).jpg")}));
  EXPECT_FALSE(window.enabled(Control::Command2));
}

// "预览拷贝…" is there once the list holds files and Text2 is filled.  It
// refuses what 拷贝 refuses, in the same words; a missing destination is
// planned as made, said in the summary, and neither asked about nor made.
TEST_F(Form1Test, PreviewFollowsTheListAndText2AndWritesNothing) {
  EXPECT_FALSE(window.preview_enabled);
  scan(MemoryTree::root_text());
  EXPECT_TRUE(window.preview_enabled);
  window.texts[Control::Text2] = "";
  form.Text2_Change();
  EXPECT_FALSE(window.preview_enabled);

  window.texts[Control::Text2] = MemoryTree::native("R/out/");
  form.Text2_Change();
  form.Preview_Click();
  EXPECT_EQ(window.messages,
            (decltype(window.messages){
                {"另存为目录末尾不要加" + quoted_separator() + "：请去掉后再按“拷贝”。", true}}));
  EXPECT_TRUE(window.plans.empty());

  window.texts[Control::Text2] = MemoryTree::native("R/new/2026");
  form.Text2_Change();
  form.Preview_Click();
  ASSERT_EQ(window.plans.size(), 1u);
  const app::CopyPlan& plan = window.plans[0];
  // The tree is in memory, where a plan reading the disk finds no source:
  // what counts here is that each entry has its row and nothing was made.
  EXPECT_EQ(plan.rows.size(), 3u);
  EXPECT_TRUE(app::plan_summary_line(plan).starts_with(
      "另存为目录“" + fsys::absolute_folder(MemoryTree::native("R/new/2026/")) +
      "”不存在，拷贝时将新建。"))
      << app::plan_summary_line(plan);
  EXPECT_TRUE(window.questions.empty());
  EXPECT_TRUE(tree.made_folders.empty());
  EXPECT_TRUE(tree.copies.empty());
  EXPECT_TRUE(window.enabled(Control::Command2));
}

// A folder the scan could not read left its files out of the list: the copy
// of the rest ends with a warning that says so, as the command line's exit
// status does; the next scan that reads everything ends it.
TEST_F(Form1Test, AFolderTheScanCouldNotReadMakesTheCopyWarn) {
  tree.unreadable.push_back(MemoryTree::native("R/trip/"));
  scan(MemoryTree::root_text());
  copy(MemoryTree::native("R/out"));
  EXPECT_EQ(window.messages,
            (decltype(window.messages){
                {"已完成2条。\n另有1个文件夹无法读取，其中的文件未拷贝。", true}}));
  EXPECT_EQ(tree.copies.size(), 2u);

  tree.unreadable.clear();
  window.messages.clear();
  scan(MemoryTree::root_text());
  copy(MemoryTree::native("R/out"));
  ASSERT_EQ(window.messages.size(), 1u);
  EXPECT_FALSE(window.messages[0].second) << window.messages[0].first;
}

// "/" in a folder text is the separator it stands for: the start folder's
// files are tagged with its name and listed under the platform's separator.
TEST_F(Form1Test, SlashInTheStartTextIsTheSeparator) {
  scan("R/trip");
  ASSERT_EQ(window.files.size(), 1u);
  EXPECT_EQ(window.files.path(0), MemoryTree::native("R/trip/c.jpg"));
  EXPECT_EQ(window.files.tag(0), "trip");
}

// The taskbar follows the copy run: its progress while it runs, red from the
// first failed entry, the whole way when the message shows, nothing once it
// is dismissed.  A window left for another is asked to be looked at when a
// scan's count or a copy's message is there to read.
TEST_F(Form1Test, TaskbarFollowsTheCopyAndTheEndOfARunAsksForAttention) {
  std::string label2_at_end;
  window.on_run_ended = [&] { label2_at_end = window.captions[Control::Label2]; };
  scan(MemoryTree::root_text());
  EXPECT_EQ(window.runs_ended, 1);
  EXPECT_EQ(label2_at_end, "共计读取3条");
  EXPECT_TRUE(window.task_states.empty());  // a scan has no place on the taskbar

  using State = FakeForm1Controls::TaskState;
  form.set_copy_workers(1);
  tree.copy_delay = std::chrono::milliseconds(120);  // every entry refreshes the window
  tree.failing_target = "R(1)";
  std::vector<State> at_message;
  int runs_ended_at_message = 0;
  window.on_message = [&] {
    at_message = window.task_states;
    runs_ended_at_message = window.runs_ended;
  };
  copy(MemoryTree::native("R/out"));
  ASSERT_FALSE(at_message.empty());
  EXPECT_EQ(at_message.back(), (State{TaskProgress::error, 3, 3}));
  EXPECT_NE(std::find(at_message.begin(), at_message.end(), State{TaskProgress::error, 2, 3}),
            at_message.end());
  for (const State& seen : at_message) EXPECT_NE(seen.state, TaskProgress::none);
  EXPECT_EQ(runs_ended_at_message, 2);
  EXPECT_EQ(window.task_states.back(), (State{TaskProgress::none, 0, 0}));

  // Without a failure it stays normal to the end.
  scan(MemoryTree::root_text());
  tree.failing_target.clear();
  window.task_states.clear();
  copy(MemoryTree::native("R/out"));
  ASSERT_GE(at_message.size(), 2u);
  EXPECT_NE(std::find(at_message.begin(), at_message.end(), State{TaskProgress::normal, 1, 3}),
            at_message.end());
  for (const State& seen : at_message) EXPECT_EQ(seen.state, TaskProgress::normal);
  EXPECT_EQ(at_message.back(), (State{TaskProgress::normal, 3, 3}));
  EXPECT_EQ(window.task_states.back(), (State{TaskProgress::none, 0, 0}));
}

// Everything a user, an assistive tool or another program could press while
// a run holds the window; true when none of it had any effect.
struct Presses {
  Form1& form;
  FakeForm1Controls& window;
  MemoryTree& tree;
  int rounds = 0;
  bool all_refused = true;

  void press_everything() {
    ++rounds;
    const std::size_t listed = window.files.size();
    const int reads = tree.folders_read;
    const std::size_t copies = tree.copies.size();
    const std::size_t messages = window.messages.size();
    const std::string label2 = window.captions[Control::Label2];
    form.Command1_Click();
    form.Command2_Click();
    window.selected = 8;  // ".*"
    form.Combo1_Click();
    all_refused = all_refused && window.files.size() == listed && tree.folders_read == reads &&
                  tree.copies.size() == copies && window.messages.size() == messages &&
                  window.captions[Control::Label2] == label2 &&
                  window.texts[Control::Combo1] == ".jpg";
    window.selected = 0;
  }
};

TEST_F(Form1Test, HandlersRefuseDuringAScan) {
  scan(MemoryTree::root_text());  // arms Command2
  tree.read_delay = std::chrono::milliseconds(20);
  Presses presses{form, window, tree};
  bool buttons_disabled = true;
  window.on_process_events = [&] {
    buttons_disabled = buttons_disabled && !window.enabled(Control::Command1) &&
                       !window.enabled(Control::Command2);
    presses.press_everything();
  };
  window.on_keep_alive = [&] { presses.press_everything(); };
  scan(MemoryTree::root_text());
  ASSERT_GT(presses.rounds, 0) << "the scan never let the window process events";
  EXPECT_TRUE(presses.all_refused);
  EXPECT_TRUE(buttons_disabled);
  EXPECT_EQ(window.files.size(), 3u);
  EXPECT_TRUE(window.enabled(Control::Command1));
  EXPECT_TRUE(window.enabled(Control::Command2));
}

TEST_F(Form1Test, HandlersRefuseDuringACopyAndItsMessage) {
  scan(MemoryTree::root_text());
  Presses presses{form, window, tree};
  bool close_granted = false;
  window.on_keep_alive = [&] { presses.press_everything(); };
  window.on_message = [&] {
    presses.press_everything();
    close_granted = form.close_requested();
  };
  // Copies slow enough that the run refreshes the window between them.
  tree.copy_delay = std::chrono::milliseconds(60);
  copy(MemoryTree::native("R/out"));
  EXPECT_GE(presses.rounds, 2);  // during the run, and with the message open
  EXPECT_TRUE(presses.all_refused);
  EXPECT_FALSE(close_granted);
  EXPECT_FALSE(window.closed);  // refused, not kept for later
  EXPECT_EQ(window.messages.size(), 1u);
  EXPECT_EQ(tree.copies.size(), 3u);
  EXPECT_TRUE(form.close_requested());  // the run is over
}

// A destination that does not exist yet is asked about by its absolute
// path, presses refused while the question is open.  No copies nothing and
// keeps the list ready, as a refused text does; Yes makes it with every
// missing folder above it, then copies; a folder that cannot be made says
// why and copies nothing.
TEST_F(Form1Test, MissingDestinationIsMadeWithItsParentsOnlyOnYes) {
  scan(MemoryTree::root_text());
  Presses presses{form, window, tree};
  window.on_question = [&] { presses.press_everything(); };
  const std::string two_deep = MemoryTree::native("R/new/2026");
  copy(two_deep);
  ASSERT_EQ(window.questions.size(), 1u);
  const std::string& asked = window.questions[0];
  const std::string head = "另存为目录“";
  const std::string tail = two_deep + "”不存在，要新建吗？";
  ASSERT_TRUE(asked.starts_with(head) && asked.ends_with(tail)) << asked;
  const std::string shown = asked.substr(head.size(), asked.size() - head.size() - tail.size());
  EXPECT_TRUE(shown.starts_with(std::string(1, fsys::separator)) ||
              (shown.size() > 2 && shown[1] == ':' && shown[2] == fsys::separator))
      << "not absolute: " << asked;
  EXPECT_EQ(presses.rounds, 1);
  EXPECT_TRUE(presses.all_refused);
  EXPECT_TRUE(window.messages.empty());
  EXPECT_TRUE(tree.made_folders.empty());
  EXPECT_TRUE(tree.copies.empty());
  EXPECT_TRUE(window.enabled(Control::Command2));
  EXPECT_EQ(window.files.size(), 3u);

  window.answer_yes = true;
  for (const std::string& text : {MemoryTree::native("R/one"), two_deep}) {
    SCOPED_TRACE(text);
    scan(MemoryTree::root_text());
    tree.made_folders.clear();
    tree.copies.clear();
    window.messages.clear();
    copy(text);
    EXPECT_EQ(window.messages, (decltype(window.messages){{"已完成3条。", false}}));
    std::vector<std::string> made = {text + fsys::separator, text + MemoryTree::native("/R/"),
                                     text + MemoryTree::native("/trip/")};
    if (text == two_deep) made.insert(made.begin(), MemoryTree::native("R/new/"));
    EXPECT_EQ(tree.made_folders, made);
    std::sort(tree.copies.begin(), tree.copies.end());
    EXPECT_EQ(tree.copies,
              (std::vector<std::string>{text + MemoryTree::native("/R/R(1).jpg"),
                                        text + MemoryTree::native("/R/R(2).jpg"),
                                        text + MemoryTree::native("/trip/trip(1).jpg")}));
    EXPECT_FALSE(window.enabled(Control::Command2));
  }
  EXPECT_EQ(window.questions.size(), 3u);  // the existing one is not asked about again

  scan(MemoryTree::root_text());
  tree.unmakable = MemoryTree::native("R/locked/");
  tree.made_folders.clear();
  window.messages.clear();
  copy(MemoryTree::native("R/locked/x"));
  ASSERT_EQ(window.messages.size(), 1u);
  const auto& [why, warning] = window.messages[0];
  EXPECT_TRUE(why.starts_with("无法新建另存为目录“") &&
              why.find(MemoryTree::native("R/locked/x”：没有权限（")) != std::string::npos &&
              why.ends_with("）。"))
      << why;
  EXPECT_TRUE(warning);
  EXPECT_TRUE(tree.made_folders.empty());
  EXPECT_TRUE(window.enabled(Control::Command2));
}

TEST_F(Form1Test, CloseDuringAScanStopsItAndClosesAfterwards) {
  tree.read_delay = std::chrono::milliseconds(20);
  int requests = 0;
  bool closed_at_once = true;
  window.on_process_events = [&] {
    if (requests++ == 0) closed_at_once = form.close_requested();
  };
  scan(MemoryTree::root_text());
  EXPECT_FALSE(closed_at_once);
  EXPECT_TRUE(window.closed);
  EXPECT_EQ(window.runs_ended, 0);     // nobody to call back to a closed window
  EXPECT_LT(window.files.size(), 3u);  // stopped at the first break for events
  EXPECT_FALSE(form.busy());
}

TEST_F(Form1Test, FocusReturnsToCommand1UnlessTheUserMovedIt) {
  tree.read_delay = std::chrono::milliseconds(20);
  window.move_focus(Control::Command1);
  scan(MemoryTree::root_text());
  EXPECT_EQ(window.focus, Control::Command1);

  window.on_process_events = [&] {
    if (window.focus != Control::Text2) window.move_focus(Control::Text2);
  };
  scan(MemoryTree::root_text());
  EXPECT_EQ(window.focus, Control::Text2);
}

}  // namespace
}  // namespace tolvane::form
