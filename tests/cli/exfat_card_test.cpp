// The program gathering onto a camera's card: a real exFAT file system on a
// loop device, mounted through exfat-fuse.  Such a card folds letter case,
// refuses ":" in names, has no hard links and no unnamed files, and its
// renames take no flags; every copy must land all the same, and no copy of
// a run may take another's place.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "fsys/replace_steps.h"
#include "tests/cli/run_cli.h"
#include "tests/cli/volume_run.h"
#include "tests/support/loop_volume.h"
#include "tests/support/temp_tree.h"
#include "tests/support/tree_files.h"

namespace tolvane::cli {
namespace {

namespace tt = ::tolvane::testing;
using testing::VolumeRun;

// Three folders whose names differ only in case meet in one folder on the
// card; Chinese names; tags with a character the card cannot hold.
const std::vector<std::string> card_photos = {
    "2019/Trip/IMG_0001.jpg", "2019/Trip/IMG_0002.jpg", "2019/Trip/IMG_0003.jpg",
    "2020/trip/IMG_0001.jpg", "2020/trip/IMG_0002.jpg", "2020/trip/海滩.jpg",
    "2021/TRIP/IMG_0001.jpg", "2021/TRIP/IMG_0002.jpg", "2021/TRIP/IMG_0003.jpg",
    "家人/春节/团圆饭.jpg",   "家人/春节/饺子.jpg",     "旅行/海边日落.jpg",
    "12:30/午饭.jpg",         "12:30/合影.jpg",         "好吗?/问号.jpg",
};
constexpr std::size_t refused_photos = 3;
const std::size_t landing_photos = card_photos.size() - refused_photos;

// The character of the source's tag that the card refuses; 0 for none.
char refused_character(const std::string& source) {
  if (source.find("/12:30/") != std::string::npos) return ':';
  if (source.find("/好吗?/") != std::string::npos) return '?';
  return 0;
}

// The card: an exFAT image with the destination folder made on it.
class ExfatCard : public ::testing::Test {
 protected:
  void SetUp() override {
    TOLVANE_NEED_VOLUME(card_);
    ASSERT_TRUE(std::filesystem::create_directory(dst()));
    for (std::size_t k = 0; k < card_photos.size(); ++k) {
      source_.write("src/" + card_photos[k], tt::random_bytes(24'000 + 1'000 * k, 2000 + k));
    }
  }

  std::string dst() const { return card_.path("归集"); }
  // The card's own trash, $topdir/.Trash-$uid, which the file managers show.
  std::string trash(const std::string& part) const {
    return card_.path(".Trash-" + std::to_string(::getuid()) + "/" + part);
  }
  std::string trash_files() const { return trash("files"); }
  VolumeRun run(const std::string& label) {
    const VolumeRun result = testing::run_to_end({source_.path("src"), dst()}, source_.path("out"));
    testing::print_closing(label, result);
    return result;
  }

  // Every entry either failed for the ":" or "?" in its tag, with a reason
  // that names the character, or has its own source's bytes at its target;
  // the destination holds one file per such entry and nothing hidden.
  void expect_every_copy_lands(const VolumeRun& run) {
    EXPECT_EQ(run.entries.size(), card_photos.size());
    std::size_t landed = 0;
    std::size_t failed = 0;
    std::size_t wrong = 0;
    std::size_t refused = 0;
    for (const testing::JsonObject& entry : run.entries) {
      const std::string source = testing::path_bytes(entry, "source");
      const std::string target = testing::path_bytes(entry, "target");
      const std::string reason = entry.at("reason").text;
      if (const char character = refused_character(source)) {
        EXPECT_EQ(entry.at("outcome").text, "failed") << source;
        // The reason names the character: the path is not part of it.
        EXPECT_NE(reason.find(character), std::string::npos) << source << ": " << reason;
        if (entry.at("outcome").text == "failed") ++refused;
        continue;
      }
      if (entry.at("outcome").text == "failed") {
        ++failed;
        ADD_FAILURE() << source << " → " << target << ": " << reason;
        continue;
      }
      ++landed;
      if (tt::read_file(target) != tt::read_file(source)) {
        ++wrong;
        ADD_FAILURE() << target << " does not hold the bytes of " << source;
      }
    }
    const std::size_t on_card = tt::files_below(dst()).size();
    std::cout << "[ figures  ] " << landed << " of " << landing_photos << " copies landed ("
              << wrong << " with other bytes), " << failed << " failed besides the refused names, "
              << refused << " of " << refused_photos << " with \":\" or \"?\" failed; " << on_card
              << " files in DEST\n";
    EXPECT_EQ(landed, landing_photos);
    // One file per copy: two copies of the run never share a name.
    EXPECT_EQ(on_card, landed);
    EXPECT_EQ(testing::joined(tt::hidden_files_below(dst())), "");
  }

  tt::LoopVolume card_{tt::VolumeKind::exfat, 64};
  tt::TempTree source_;
};

TEST_F(ExfatCard, FirstRunLandsEveryCopyAndRefusesOnlyNamesTheCardCannotHold) {
  const VolumeRun first = run("first run");
  expect_every_copy_lands(first);
  EXPECT_EQ(first.exit_status, exit_entries_failed);
  // Trip, trip and TRIP meet in one folder: the later copies are renumbered,
  // none replaces or trashes an earlier copy of this run.
  EXPECT_EQ(first.count("copied"), landing_photos);
  EXPECT_EQ(first.count("replaced"), 0u);
  EXPECT_EQ(first.count("failed"), refused_photos);
  EXPECT_GE(first.count("renumbered"), 6u);
  EXPECT_EQ(tt::files_below(trash_files()).size(), 0u);
}

// "已完成" is true of the card: pulled out the moment the run ends (its
// image copied once the device stands still), it holds every copy whole
// under its name.  The card's FUSE server writes only when a file is
// flushed, not when the volume is.
TEST_F(ExfatCard, EveryCopyIsOnTheCardTheMomentTheRunSaysDone) {
  const VolumeRun first = run("first run");
  EXPECT_EQ(first.count("copied"), landing_photos);
  const tt::TreeFiles copies = tt::files_below(dst());
  const std::string image = source_.path("pulled.img");
  ASSERT_TRUE(card_.copy_image(image)) << card_.reason();
  tt::LoopVolume pulled(tt::VolumeKind::exfat, tt::ImageFile{image});
  ASSERT_TRUE(pulled.ready()) << pulled.reason();
  EXPECT_EQ(tt::tree_difference(tt::files_below(pulled.path("归集")), copies), "");
}

TEST_F(ExfatCard, RerunCopiesNothingAndSaysSo) {
  const VolumeRun first = run("first run");
  expect_every_copy_lands(first);
  const tt::TreeFiles before = tt::files_below(card_.path());

  const VolumeRun again = run("re-run");
  // The card keeps times to 10 ms: the quick check must still see them equal.
  EXPECT_EQ(again.count("copied"), 0u);
  EXPECT_EQ(again.count("replaced"), 0u);
  EXPECT_EQ(again.count("unchanged"), landing_photos);
  EXPECT_EQ(again.count("failed"), refused_photos);
  EXPECT_NE(again.message().find("其中" + std::to_string(landing_photos) +
                                 "条与原有文件相同，不重新拷贝。"),
            std::string::npos)
      << again.message();
  EXPECT_EQ(tt::tree_difference(tt::files_below(card_.path()), before), "");
}

TEST_F(ExfatCard, ChangedSourceReplacesItsCopyAndKeepsTheOldInTheCardsTrash) {
  const VolumeRun first = run("first run");
  expect_every_copy_lands(first);
  // A photo of the middle folder: its copy was renumbered, so replacing the
  // wrong one of Trip/trip/TRIP would show.
  const std::string changed = "2020/trip/IMG_0002.jpg";
  std::string old_copy;
  for (const testing::JsonObject& entry : first.entries) {
    if (testing::path_bytes(entry, "source") == source_.path("src/" + changed)) {
      old_copy = tt::read_file(testing::path_bytes(entry, "target"));
    }
  }
  EXPECT_TRUE(old_copy == source_.read("src/" + changed)) << "the first run's copy of " << changed;
  source_.write("src/" + changed, tt::random_bytes(31'000, 77));

  const VolumeRun again = run("changed-source run");
  expect_every_copy_lands(again);
  EXPECT_EQ(again.count("replaced"), 1u);
  EXPECT_EQ(again.count("copied"), 0u);
  EXPECT_EQ(again.count("unchanged"), landing_photos - 1);
  const tt::TreeFiles trashed = tt::files_below(trash_files());
  ASSERT_EQ(trashed.size(), 1u) << "the card's trash " << trash_files();
  EXPECT_TRUE(trashed.begin()->second == old_copy) << "the trash holds other bytes";
  EXPECT_EQ(tt::files_below(trash("info")).count(trashed.begin()->first + ".trashinfo"), 1u);
}

// Undo on the card, which has no links: the copies go, the photo of the
// user's that a copy replaced comes back out of the card's own trash with
// its bytes and its time, and the card is as it was before the run.
TEST_F(ExfatCard, UndoLeavesTheCardAsItWasBeforeTheRun) {
  const std::string users = dst() + "/春节/春节(1).jpg";
  ASSERT_TRUE(std::filesystem::create_directory(dst() + "/春节"));
  std::ofstream(users, std::ios::binary) << "an older photo of the user's";
  struct stat before_info {};
  ASSERT_EQ(::stat(users.c_str(), &before_info), 0);
  const auto before = tt::files_below(dst());

  const VolumeRun copied = run("run to undo");
  EXPECT_EQ(copied.count("replaced"), 1u);
  EXPECT_EQ(tt::files_below(trash_files()).size(), 1u);

  const testing::CliResult undone = testing::run_cli({"--undo", dst()});
  std::cout << "[ closing  ] undo (exit status " << undone.status << "): " << undone.out;
  // 0: everything was put back.
  EXPECT_EQ(undone.status, 0) << undone.out << undone.err;
  EXPECT_EQ(tt::tree_difference(tt::files_below(dst()), before), "");
  struct stat after_info {};
  ASSERT_EQ(::stat(users.c_str(), &after_info), 0);
  EXPECT_EQ(after_info.st_mtime, before_info.st_mtime);
  EXPECT_EQ(tt::files_below(trash_files()).size(), 0u);
  EXPECT_EQ(tt::files_below(trash("info")).size(), 0u);
  EXPECT_EQ(testing::joined(tt::hidden_files_below(dst())), "");
}

// A card whose trash cannot be made: the user's older photos that copies
// replace go to the set-aside folder, never over one another.
TEST_F(ExfatCard, TwoReplacementsOfOneTargetKeepBothOldFilesSetAside) {
  std::ofstream(card_.path(".Trash-" + std::to_string(::getuid())), std::ios::binary)
      << "a file where the card's trash would be";
  const std::string target = dst() + "/春节/春节(1).jpg";
  ASSERT_TRUE(std::filesystem::create_directory(dst() + "/春节"));
  std::ofstream(target, std::ios::binary) << "the user's older photo";
  const VolumeRun first = run("first run");
  EXPECT_EQ(first.count("set_aside"), 1u);
  const std::string first_copy = tt::read_file(target);
  // The photo changes at its source: the second run replaces the first's copy.
  source_.write("src/家人/春节/团圆饭.jpg", tt::random_bytes(40'000, 99));
  const VolumeRun second = run("second run");
  EXPECT_EQ(second.count("set_aside"), 1u);
  std::multiset<std::string> kept;
  for (auto& [name, bytes] : tt::files_below(dst() + "/被替换的文件")) kept.insert(bytes);
  EXPECT_EQ(kept, (std::multiset<std::string>{"the user's older photo", first_copy}));

  // Undo of the second run: the first's copy back at its name, the user's
  // photo still set aside, as the first run left it.
  const testing::CliResult undone = testing::run_cli({"--undo", dst()});
  EXPECT_EQ(undone.status, 0) << undone.out << undone.err;
  EXPECT_TRUE(tt::read_file(target) == first_copy);
  EXPECT_EQ(tt::files_below(dst() + "/被替换的文件"),
            (tt::TreeFiles{{"春节/春节(1).jpg", "the user's older photo"}}));
}

// Undo puts a replaced file back only onto a free name: a file another
// program saves at that name after undo's first try (the card cannot rename
// without replacing) is never written over.
std::string taken_meanwhile;  // the path another program writes at that instant

std::error_code another_program_saves(fsys::ReplaceStep step) {
  if (step == fsys::ReplaceStep::take_back_name && !taken_meanwhile.empty()) {
    std::ofstream(taken_meanwhile, std::ios::binary) << "saved by another program";
  }
  return {};
}

TEST_F(ExfatCard, PutBackNeverTakesANameAnotherProgramTookMeanwhile) {
  const std::string target = dst() + "/春节/春节(1).jpg";
  ASSERT_TRUE(std::filesystem::create_directory(dst() + "/春节"));
  std::ofstream(target, std::ios::binary) << "the user's older photo";
  EXPECT_EQ(run("run to undo").count("replaced"), 1u);

  taken_meanwhile = target;
  fsys::set_replace_step_probe(another_program_saves);
  const testing::CliResult undone = testing::run_cli({"--undo", dst()});
  fsys::set_replace_step_probe(nullptr);
  taken_meanwhile.clear();
  EXPECT_EQ(undone.status, 1) << undone.out;
  EXPECT_NE(undone.out.find(target + "：未能撤销"), std::string::npos) << undone.out;
  EXPECT_EQ(tt::read_file(target), "saved by another program");
  const tt::TreeFiles trashed = tt::files_below(trash_files());
  ASSERT_EQ(trashed.size(), 1u);
  EXPECT_EQ(trashed.begin()->second, "the user's older photo");
}

// A run killed on the card leaves its copies half-written under hidden
// names (the card has no unnamed files); undo takes them with the rest.
TEST_F(ExfatCard, UndoOfAKilledRunLeavesNoTemporaryOnTheCard) {
  tt::TempTree big;
  for (int k = 0; k < 60; ++k) {
    big.write("src/旅行/照片" + std::to_string(k) + ".jpg", tt::random_bytes(256 << 10, 500 + k));
  }
  testing::CliProcess program({big.path("src"), dst()}, big.path("out"));
  ASSERT_TRUE(program.started());
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (program.running() && testing::visible_files_below(dst()) < 10 &&
         std::chrono::steady_clock::now() < deadline) {
  }
  program.kill();
  ASSERT_TRUE(WIFSIGNALED(program.wait())) << "the run ended before it could be killed";
  std::cout << "[ figures  ] killed with " << testing::visible_files_below(dst()) << " names and "
            << testing::temporaries_below(card_.path()).size() << " temporaries on the card\n";

  const testing::CliResult undone = testing::run_cli({"--undo", dst()});
  std::cout << "[ closing  ] undo (exit status " << undone.status << "): " << undone.out;
  EXPECT_EQ(undone.status, 0) << undone.out << undone.err;
  EXPECT_EQ(tt::files_below(dst()), tt::TreeFiles{});
  EXPECT_EQ(testing::joined(testing::temporaries_below(card_.path())), "");
}

TEST_F(ExfatCard, KilledRunsThenRerunLeaveEveryCopyWholeAndNothingReplaced) {
  // Larger photos, so that a run can be caught half-way: the same folders
  // without the refused tags.
  tt::TempTree big;
  std::set<std::string> contents;
  int seed = 0;
  for (const std::string folder : {"2019/Trip", "2020/trip", "2021/TRIP", "旅行", "家人/春节"}) {
    for (int k = 0; k < 20; ++k) {
      const std::string bytes = tt::random_bytes(256 << 10, 3000 + seed++);
      big.write("src/" + folder + "/照片" + std::to_string(k) + ".jpg", bytes);
      contents.insert(bytes);
    }
  }
  const std::vector<std::string> arguments = {big.path("src"), dst(), "--json"};
  // Two runs killed (SIGKILL) once some copies have their names, then one
  // to the end.  After each kill no name may hold other bytes than a photo.
  for (const std::size_t named_at_kill : {10u, 50u}) {
    testing::CliProcess program(arguments, big.path("out"));
    ASSERT_TRUE(program.started());
    std::size_t named = 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (program.running() && std::chrono::steady_clock::now() < deadline) {
      named = testing::visible_files_below(dst());
      if (named >= named_at_kill) break;
    }
    program.kill();
    const int status = program.wait();
    if (!WIFSIGNALED(status)) {
      const VolumeRun ended = testing::read_run(status, big.path("out"));
      testing::print_closing("run meant to be killed ended by itself", ended);
      FAIL() << "the run ended before " << named_at_kill << " copies had their names";
    }
    std::size_t whole = 0, empty = 0, torn = 0;
    for (const auto& [path, bytes] : tt::files_below(dst())) {
      if (path.starts_with(".") || path.find("/.") != std::string::npos) continue;
      ++(contents.contains(bytes) ? whole : bytes.empty() ? empty : torn);
    }
    std::cout << "[ figures  ] killed with " << named << " names seen: " << whole << " whole, "
              << empty << " empty, " << torn << " torn; "
              << testing::temporaries_below(card_.path()).size() << " temporaries\n";
    EXPECT_EQ(torn, 0u);
  }

  const VolumeRun last = testing::run_to_end({big.path("src"), dst()}, big.path("out"));
  testing::print_closing("re-run after the kills", last);
  EXPECT_EQ(last.exit_status, exit_all_copied);
  EXPECT_EQ(last.entries.size(), contents.size());
  // What the killed runs left unfinished is this program's own: finishing
  // it replaces nothing and puts nothing in the trash.
  EXPECT_EQ(last.count("replaced"), 0u);
  EXPECT_EQ(last.count("failed"), 0u);
  std::size_t whole = 0;
  for (const testing::JsonObject& entry : last.entries) {
    const std::string target = testing::path_bytes(entry, "target");
    if (tt::read_file(target) == tt::read_file(testing::path_bytes(entry, "source"))) ++whole;
  }
  std::cout << "[ figures  ] after the re-run " << whole << " of " << contents.size()
            << " copies whole, " << tt::files_below(dst()).size() << " files in DEST, "
            << tt::files_below(trash_files()).size() << " in the trash\n";
  EXPECT_EQ(whole, contents.size());
  EXPECT_EQ(tt::files_below(dst()).size(), contents.size());
  EXPECT_EQ(testing::joined(testing::temporaries_below(card_.path())), "");
  EXPECT_EQ(testing::joined(tt::hidden_files_below(dst())), "");
  EXPECT_EQ(tt::files_below(trash_files()).size(), 0u);
}

}  // namespace
}  // namespace tolvane::cli
