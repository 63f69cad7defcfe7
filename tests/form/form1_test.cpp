// Form1's behaviour on a fake window: the start state, Command2 across scans
// and copies, presses and close requests during a scan and a copy run, and
// the focus after a scan.  The front ends' own tests check their wiring.
#include "form/form1.h"

#include <gtest/gtest.h>

#include <string>

#include "fsys/path_separator.h"
#include "tests/form/fake_form1_controls.h"
#include "tests/form/memory_tree.h"

namespace tolvane::form {
namespace {

using testing::FakeForm1Controls;
using testing::MemoryTree;

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

  MemoryTree tree{"a.jpg", "b.jpg", "empty/", "trip/c.jpg"};
  FakeForm1Controls window;
  Form1 form{window, tree};
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
  EXPECT_EQ(window.captions[Control::Label2], "共计读取0条");
  EXPECT_FALSE(window.enabled(Control::Command2));
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
