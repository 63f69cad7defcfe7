// What only the Windows backend meets: attributes, Chinese names, paths over
// 260 characters, junctions, the atomic replace of read-only copies, volumes
// without a bin or hard links (replaced files set aside), names another
// program takes meanwhile, the times FAT and exFAT keep, and how its error
// codes are worded.
#include <gtest/gtest.h>
#include <windows.h>
#include <winioctl.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "fsys/file_system.h"
#include "fsys/quick_check.h"
#include "fsys/replace_steps.h"
#include "fsys/set_aside.h"
#include "fsys/trash_error.h"
#include "fsys/win32/entry_kind.h"
#include "fsys/win32/path.h"
#include "tests/support/temp_tree.h"
#include "tests/support/tree_files.h"

namespace tolvane::fsys {
namespace {

using testing::TempTree;
using win32::long_path;

// The entries of `folder`, each a name, folders marked by a trailing "\".
std::vector<std::string> listed(FileSystem& file_system, const std::string& folder) {
  FolderContents contents = file_system.read_folder(folder);
  EXPECT_FALSE(contents.error) << folder << ": " << contents.error.message();
  std::vector<std::string> names;
  for (const FolderEntry& entry : contents.entries) {
    names.push_back(entry.name + (entry.kind == EntryKind::folder ? "\\" : ""));
  }
  return names;
}

using Names = std::vector<std::string>;

// Every name in `folder`, hidden ones and temporaries included.
std::vector<std::string> raw_names(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(long_path(folder))) {
    names.push_back(win32::to_utf8(entry.path().filename().wstring()).value_or("?"));
  }
  return names;
}

void set_attributes(const std::string& path, DWORD attributes) {
  ASSERT_TRUE(SetFileAttributesW(long_path(path).c_str(), attributes)) << path;
}

DWORD attributes_of(const std::string& path) { return GetFileAttributesW(long_path(path).c_str()); }

FILETIME write_time_of(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  GetFileAttributesExW(long_path(path).c_str(), GetFileExInfoStandard, &data);
  return data.ftLastWriteTime;
}

void set_write_time(const std::string& path, FILETIME time) {
  HANDLE file = CreateFileW(long_path(path).c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr,
                            OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE) << path;
  EXPECT_TRUE(SetFileTime(file, nullptr, nullptr, &time));
  CloseHandle(file);
}

class Win32FileSystemTest : public ::testing::Test {
 protected:
  std::unique_ptr<FileSystem> file_system = make_native_file_system();
};

TEST_F(Win32FileSystemTest, LeavesOutHiddenAndSystemFilesAndFolders) {
  TempTree tree(
      {"a.jpg", "hidden.jpg", "system.jpg", "archive.jpg", "hid/x.jpg", "sys/x.jpg", "plain/"});
  set_attributes(tree.path("hidden.jpg"), FILE_ATTRIBUTE_HIDDEN);
  set_attributes(tree.path("system.jpg"), FILE_ATTRIBUTE_SYSTEM);
  set_attributes(tree.path("archive.jpg"), FILE_ATTRIBUTE_ARCHIVE);
  set_attributes(tree.path("hid"), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_DIRECTORY);
  set_attributes(tree.path("sys"), FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_DIRECTORY);

  EXPECT_EQ(listed(*file_system, tree.root()), (Names{"a.jpg", "archive.jpg", "plain\\"}));

  set_attributes(tree.path("hid"), FILE_ATTRIBUTE_DIRECTORY);
  set_attributes(tree.path("sys"), FILE_ATTRIBUTE_DIRECTORY);
  set_attributes(tree.path("hidden.jpg"), FILE_ATTRIBUTE_NORMAL);
  set_attributes(tree.path("system.jpg"), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(Win32FileSystemTest, ReadOnlyFileIsListedCopiedAndItsCopyReplaced) {
  TempTree tree({"src/old.jpg", "src/new.jpg", "out/"});
  set_attributes(tree.path("src/old.jpg"), FILE_ATTRIBUTE_READONLY);
  // An hour-aligned time far in the past: a copy that wrote "now" shows.
  const FILETIME old_time{0x12345600u, 0x01D00000u};
  set_write_time(tree.path("src/new.jpg"), old_time);

  EXPECT_EQ(listed(*file_system, tree.path("src/")), (Names{"new.jpg", "old.jpg"}));

  const std::string target = tree.path("out/trip(1).jpg");
  ASSERT_FALSE(file_system->copy_file(tree.path("src/old.jpg"), target));
  EXPECT_EQ(tree.read("out/trip(1).jpg"), "src/old.jpg");
  // The copy is read-only like its source; the next run must still replace it.
  EXPECT_TRUE(attributes_of(target) & FILE_ATTRIBUTE_READONLY);

  const std::error_code replaced = file_system->copy_file(tree.path("src/new.jpg"), target);
  ASSERT_FALSE(replaced) << replaced.message();
  EXPECT_EQ(tree.read("out/trip(1).jpg"), "src/new.jpg");
  const FILETIME copied_time = write_time_of(target);
  EXPECT_EQ(CompareFileTime(&old_time, &copied_time), 0);
  EXPECT_FALSE(attributes_of(target) & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN));

  // The sources are untouched, and no temporary file is left behind.
  EXPECT_EQ(tree.read("src/old.jpg"), "src/old.jpg");
  EXPECT_TRUE(attributes_of(tree.path("src/old.jpg")) & FILE_ATTRIBUTE_READONLY);
  EXPECT_EQ(raw_names(tree.path("out/")), Names{"trip(1).jpg"});
  set_attributes(tree.path("src/old.jpg"), FILE_ATTRIBUTE_NORMAL);
}

// A different file at the target goes to the Recycle Bin and an identical
// one is left as it is.  Under Wine the bin is the freedesktop.org trash
// under XDG_DATA_HOME (a folder of the test run's own), which is checked
// too: the old content under files/ and its record under info/.
TEST_F(Win32FileSystemTest, ReplacedFileGoesToTheRecycleBinAndAnUnchangedOneStays) {
  TempTree tree({"src/a.jpg", "out/"});
  tree.write("out/trip(1).jpg", "old trip");
  CopyOutcome outcome = CopyOutcome::copied;
  const std::string target = tree.path("out/trip(1).jpg");
  const std::error_code error = file_system->copy_file(tree.path("src/a.jpg"), target, outcome);
  ASSERT_FALSE(error) << error.message();
  EXPECT_EQ(outcome, CopyOutcome::replaced);
  EXPECT_EQ(tree.read("out/trip(1).jpg"), "src/a.jpg");
  EXPECT_EQ(raw_names(tree.path("out/")), Names{"trip(1).jpg"});

  if (const char* data_home = std::getenv("XDG_DATA_HOME")) {
    // Every test program of the run shares this trash: find this test's
    // record by its tree's own folder name.
    namespace fs = std::filesystem;
    const fs::path trash = fs::path("Z:" + std::string(data_home)) / "Trash";
    const std::string tree_name = fs::path(tree.root()).parent_path().filename().string();
    std::vector<std::string> found;
    for (const auto& entry : fs::directory_iterator(trash / "info")) {
      const std::string record = testing::read_file(entry.path().string());
      if (record.find(tree_name + "/out/trip") == std::string::npos) continue;
      EXPECT_TRUE(record.starts_with("[Trash Info]\nPath=/")) << record;
      EXPECT_NE(record.find("\nDeletionDate=20"), std::string::npos) << record;
      found.push_back(testing::read_file((trash / "files" / entry.path().stem()).string()));
    }
    EXPECT_EQ(found, Names{"old trip"});
  }

  const FILETIME before = write_time_of(target);
  ASSERT_FALSE(file_system->copy_file(tree.path("src/a.jpg"), target, outcome));
  EXPECT_EQ(outcome, CopyOutcome::unchanged);
  const FILETIME after = write_time_of(target);
  EXPECT_EQ(CompareFileTime(&before, &after), 0);
}

// The replace-step probe for the tests below: what each step answers, and
// a file another program writes at the target just before the copy takes
// its name.
std::error_code answer_put_in_trash;
std::error_code answer_set_aside;
std::error_code answer_take_target_name;
std::wstring written_meanwhile;

std::error_code injected(ReplaceStep step) {
  switch (step) {
    case ReplaceStep::put_in_trash:
      return answer_put_in_trash;
    case ReplaceStep::set_aside:
      return answer_set_aside;
    case ReplaceStep::take_target_name:
      if (!written_meanwhile.empty()) {
        HANDLE file = CreateFileW(written_meanwhile.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        DWORD written = 0;
        WriteFile(file, "another program", 15, &written, nullptr);
        CloseHandle(file);
      }
      return answer_take_target_name;
    default:
      return {};
  }
}

// What the recycle step says on a volume without hard links, or whose bin
// would delete for good: no usable bin there.
const std::error_code no_bin = std::make_error_code(std::errc::cross_device_link);
std::error_code win32_error(DWORD code) { return {static_cast<int>(code), std::system_category()}; }

// A stick, a share: the old file of a replaced target goes to the set-aside
// folder of the destination root, under its path below the root, never
// over a file kept there before; the copy takes its name.
class NoRecycleBin : public Win32FileSystemTest {
 protected:
  NoRecycleBin() {
    answer_put_in_trash = no_bin;
    answer_set_aside = answer_take_target_name = {};
    written_meanwhile.clear();
    set_replace_step_probe(injected);
    file_system->set_destination_root(tree.path("out/"), "被替换的文件");
  }
  ~NoRecycleBin() override { set_replace_step_probe(nullptr); }

  // Copies `source` over out/trip/trip(1).jpg, which holds `old` first.
  std::error_code replace(const std::string& source, const std::string& old, CopyOutcome& outcome) {
    tree.write("out/trip/trip(1).jpg", old);
    return file_system->copy_file(tree.path(source), target, outcome);
  }

  TempTree tree{"src/a.jpg", "src/b.jpg", "src/c.jpg", "src/d.jpg", "out/trip/"};
  const std::string target = tree.path("out/trip/trip(1).jpg");
  const std::string kept_folder = tree.path("out/被替换的文件/trip/");
};

TEST_F(NoRecycleBin, TheOldFileIsSetAsideUnderItsPathAndNeverOverAnEarlierOne) {
  CopyOutcome outcome = CopyOutcome::copied;
  // Read-only, as a copy of a read-only source is: it goes all the same.
  tree.write("out/trip/trip(1).jpg", "first old");
  set_attributes(target, FILE_ATTRIBUTE_READONLY);
  std::error_code error = file_system->copy_file(tree.path("src/a.jpg"), target, outcome);
  ASSERT_FALSE(error) << error.message();
  EXPECT_EQ(outcome, CopyOutcome::set_aside);
  EXPECT_EQ(tree.read("out/trip/trip(1).jpg"), "src/a.jpg");
  EXPECT_EQ(tree.read("out/被替换的文件/trip/trip(1).jpg"), "first old");
  EXPECT_TRUE(attributes_of(kept_folder + "trip(1).jpg") & FILE_ATTRIBUTE_READONLY);
  set_attributes(kept_folder + "trip(1).jpg", FILE_ATTRIBUTE_NORMAL);

  // The name there is taken now: the next two get the time, then a number
  // if it is still the same second.
  Names kept = {"trip(1).jpg"};
  for (const char* source : {"src/b.jpg", "src/c.jpg"}) {
    error = replace(source, std::string("before ") + source, outcome);
    ASSERT_FALSE(error) << error.message();
    EXPECT_EQ(outcome, CopyOutcome::set_aside);
    EXPECT_EQ(tree.read("out/trip/trip(1).jpg"), source);
    Names now = raw_names(kept_folder);
    ASSERT_EQ(now.size(), kept.size() + 1);
    const auto added = std::find_if(now.begin(), now.end(), [&](const std::string& name) {
      return std::find(kept.begin(), kept.end(), name) == kept.end();
    });
    ASSERT_NE(added, now.end());
    // "trip(1) 20260105-093000.jpg", or "...-2.jpg" when that stands already.
    const std::string stamp = added->substr(8, 15);
    const std::string plain = "trip(1) " + stamp + ".jpg";
    EXPECT_TRUE(*added == plain || (std::find(kept.begin(), kept.end(), plain) != kept.end() &&
                                    *added == "trip(1) " + stamp + "-2.jpg"))
        << *added;
    EXPECT_EQ(stamp[8], '-') << *added;
    EXPECT_EQ(tree.read("out/被替换的文件/trip/" + *added), std::string("before ") + source);
    kept.push_back(*added);
  }
  EXPECT_EQ(tree.read("out/被替换的文件/trip/trip(1).jpg"), "first old");

  // Nothing hidden is left beside the copy, and the folder is a plain one.
  EXPECT_EQ(raw_names(tree.path("out/trip/")), Names{"trip(1).jpg"});
  EXPECT_FALSE(attributes_of(tree.path("out/被替换的文件")) & FILE_ATTRIBUTE_HIDDEN);
  // Flat: the kept file sits at the set-aside folder's top.
  tree.write("out/flat(1).jpg", "flat old");
  ASSERT_FALSE(file_system->copy_file(tree.path("src/d.jpg"), tree.path("out/flat(1).jpg")));
  EXPECT_EQ(tree.read("out/被替换的文件/flat(1).jpg"), "flat old");
}

TEST_F(NoRecycleBin, WithoutADestinationRootTheOldFileStaysAndTheEntryFails) {
  file_system = make_native_file_system();  // never told a root
  CopyOutcome outcome = CopyOutcome::copied;
  const std::error_code error = replace("src/a.jpg", "old", outcome);
  EXPECT_EQ(error, trash_error(EXDEV));
  EXPECT_EQ(tree.read("out/trip/trip(1).jpg"), "old");
  EXPECT_EQ(raw_names(tree.path("out/trip/")), Names{"trip(1).jpg"});
  EXPECT_FALSE(file_system->folder_exists(tree.path("out/被替换的文件/")));
}

// Each failure after the copy is written leaves the old file at its name,
// the copy's temporary gone, and nothing in the set-aside folder.
TEST_F(NoRecycleBin, AFailureAtAnyLaterStepKeepsTheOldFileAtItsName) {
  struct Case {
    const char* name;
    std::error_code* answer;
    std::error_code error;
  };
  const Case cases[] = {
      {"the set-aside move is refused", &answer_set_aside, win32_error(ERROR_ACCESS_DENIED)},
      {"the copy cannot take the name", &answer_take_target_name, win32_error(ERROR_WRITE_PROTECT)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    *c.answer = c.error;
    CopyOutcome outcome = CopyOutcome::copied;
    const std::error_code error = replace("src/a.jpg", "old", outcome);
    EXPECT_EQ(error.value(), c.error.value()) << error.message();
    EXPECT_EQ(tree.read("out/trip/trip(1).jpg"), "old");
    EXPECT_EQ(raw_names(tree.path("out/trip/")), Names{"trip(1).jpg"});
    if (file_system->folder_exists(kept_folder)) {
      EXPECT_EQ(raw_names(kept_folder), Names{});
    }
    *c.answer = {};
  }
  // A failed set-aside says the old file stayed (set_aside.h).
  answer_set_aside = win32_error(ERROR_ACCESS_DENIED);
  EXPECT_EQ(file_system->copy_file(tree.path("src/a.jpg"), target).category(),
            set_aside_category());
}

// Another program holds the old file open without sharing its deletion, as
// a viewer may: neither the bin nor the set-aside folder can take it, and
// it stays whole at its name.
TEST_F(NoRecycleBin, AnOldFileInUseStaysWholeWithOrWithoutABin) {
  tree.write("out/trip/trip(1).jpg", "old, open elsewhere");
  HANDLE open_elsewhere = CreateFileW(long_path(target).c_str(), GENERIC_READ, FILE_SHARE_READ,
                                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(open_elsewhere, INVALID_HANDLE_VALUE);
  for (const std::error_code bin : {no_bin, std::error_code()}) {
    SCOPED_TRACE(bin ? "no bin" : "a bin");
    answer_put_in_trash = bin;
    const std::error_code error = file_system->copy_file(tree.path("src/a.jpg"), target);
    EXPECT_TRUE(error);
    EXPECT_EQ(error,
              bin ? set_aside_error(win32_error(ERROR_SHARING_VIOLATION)) : trash_error(EBUSY));
    EXPECT_EQ(tree.read("out/trip/trip(1).jpg"), "old, open elsewhere");
    EXPECT_EQ(raw_names(tree.path("out/trip/")), Names{"trip(1).jpg"});
  }
  CloseHandle(open_elsewhere);
}

// A file that another program writes at the target between the check and
// the rename is never written over, whether a file stood there before or
// not; an old file set aside for the copy stays in the set-aside folder.
TEST_F(NoRecycleBin, AFileWrittenMeanwhileAtTheNameIsNeverOverwritten) {
  written_meanwhile = long_path(target);
  CopyOutcome outcome = CopyOutcome::copied;
  std::error_code error = replace("src/a.jpg", "old", outcome);
  EXPECT_TRUE(error);
  EXPECT_EQ(tree.read("out/trip/trip(1).jpg"), "another program");
  EXPECT_EQ(tree.read("out/被替换的文件/trip/trip(1).jpg"), "old");
  EXPECT_EQ(raw_names(tree.path("out/trip/")), Names{"trip(1).jpg"});

  const std::string fresh = tree.path("out/trip/trip(2).jpg");
  written_meanwhile = long_path(fresh);
  error = file_system->copy_file(tree.path("src/b.jpg"), fresh, outcome);
  EXPECT_TRUE(error);
  EXPECT_EQ(tree.read("out/trip/trip(2).jpg"), "another program");
  EXPECT_EQ(raw_names(tree.path("out/trip/")).size(), 2u);
}

// Each coarser volume keeps the source's time cut to its own step, rounded
// down or up: FAT 2 s, some shares 1 s, exFAT 10 ms.  A re-run must find
// such a copy unchanged, and still see a copy whose time is really off.
TEST_F(Win32FileSystemTest, TimesCutToTheStepOfFatExfatOrAShareCountAsUnchanged) {
  TempTree tree({"source.jpg", "copy.jpg"});
  // 100 ns ticks; the source's time is on no step: 1.2345678 s past a
  // two-second mark.
  const std::uint64_t mark = 0x01D0000012345600ull / 20'000'000 * 20'000'000;
  const std::uint64_t original = mark + 12'345'678;
  const auto at = [](std::uint64_t ticks) {
    return FILETIME{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
  };
  set_write_time(tree.path("source.jpg"), at(original));
  tree.write("copy.jpg", "source.jpg");  // the same size
  struct Row {
    const char* kept_as;
    std::uint64_t kept;
    bool unchanged;
  };
  const Row rows[] = {
      {"the same", original, true},
      {"exFAT, down", mark + 12'300'000, true},
      {"exFAT, up", mark + 12'400'000, true},
      {"a share's second, down", mark + 10'000'000, true},
      {"a share's second, up", mark + 20'000'000, true},
      {"FAT, down", mark, true},
      {"FAT, up", mark + 20'000'000, true},
      {"5 ms off", original + 50'000, false},
      {"10 ms past the hundredth above", mark + 12'500'000, false},
      {"a tick before the two seconds below", mark - 1, false},
      {"two seconds past the mark above", mark + 40'000'000, false},
  };
  for (const Row& row : rows) {
    set_write_time(tree.path("copy.jpg"), at(row.kept));
    EXPECT_EQ(target_looks_unchanged(tree.path("source.jpg"), tree.path("copy.jpg")), row.unchanged)
        << row.kept_as;
  }
}

TEST_F(Win32FileSystemTest, FailedCopyLeavesNoTemporaryAndTheSourceWhole) {
  TempTree tree({"a.jpg", "taken/"});
  // The target names a folder: the move fails after the data was copied.
  EXPECT_TRUE(file_system->copy_file(tree.path("a.jpg"), tree.path("taken")));
  // Copying a file onto itself, in any letter case, is refused.
  EXPECT_TRUE(file_system->copy_file(tree.path("a.jpg"), tree.path("a.jpg")));
  EXPECT_TRUE(file_system->copy_file(tree.path("a.jpg"), tree.path("A.JPG")));
  EXPECT_TRUE(file_system->copy_file(tree.path("missing.jpg"), tree.path("b.jpg")));
  EXPECT_TRUE(file_system->copy_file(tree.path("a.jpg"), tree.path("nowhere/b.jpg")));

  EXPECT_EQ(tree.read("a.jpg"), "a.jpg");
  EXPECT_EQ(raw_names(tree.root()), (Names{"a.jpg", "taken"}));
  EXPECT_TRUE(raw_names(tree.path("taken/")).empty());
}

TEST_F(Win32FileSystemTest, FirstCopyIntoAFolderClearsTemporariesOfEndedWriters) {
  TempTree tree{"in/a.jpg", "out/"};
  // Process ids are multiples of four well below this one: none runs.
  const std::string ended = ".tolvane-4000000000-3.tmp";
  const std::string mine = ".tolvane-" + std::to_string(GetCurrentProcessId()) + "-900.tmp";
  const Names kept = {".tolvane-4000000000-3.tmp.keep", ".tolvane-x-3.tmp", mine};
  tree.write("out/" + ended, "stale");
  for (const std::string& name : kept) tree.write("out/" + name, "keep");

  ASSERT_FALSE(file_system->copy_file(tree.path("in/a.jpg"), tree.path("out/a(1).jpg")));
  Names expected = kept;
  expected.push_back("a(1).jpg");
  Names present = raw_names(tree.path("out/"));
  std::sort(expected.begin(), expected.end());
  std::sort(present.begin(), present.end());
  EXPECT_EQ(present, expected);
}

TEST_F(Win32FileSystemTest, ChineseFolderAndFileNamesAreListedAndCopied) {
  TempTree tree({"旅行/照片.jpg"});
  EXPECT_EQ(listed(*file_system, tree.root()), Names{"旅行\\"});
  EXPECT_EQ(listed(*file_system, tree.path("旅行/")), Names{"照片.jpg"});

  const std::string copies = tree.path("拷贝/");
  EXPECT_FALSE(file_system->folder_exists(copies));
  ASSERT_FALSE(file_system->make_folder(copies));
  EXPECT_TRUE(file_system->folder_exists(copies));
  ASSERT_FALSE(file_system->copy_file(tree.path("旅行/照片.jpg"), copies + "旅行(1).jpg"));
  EXPECT_EQ(tree.read("拷贝/旅行(1).jpg"), "旅行/照片.jpg");
}

// Removes a tree that may be too deep for the short-path API.
void remove_long_tree(const std::string& folder) {
  WIN32_FIND_DATAW data;
  const std::wstring base = long_path(folder);
  HANDLE find = FindFirstFileW((base + L"*").c_str(), &data);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      const std::wstring name = data.cFileName;
      if (name == L"." || name == L"..") continue;
      const std::string child = folder + *win32::to_utf8(name);
      if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        remove_long_tree(child + "\\");
      } else {
        SetFileAttributesW(long_path(child).c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileW(long_path(child).c_str());
      }
    } while (FindNextFileW(find, &data));
    FindClose(find);
  }
  RemoveDirectoryW(base.c_str());
}

TEST_F(Win32FileSystemTest, PathsOverTwoHundredSixtyCharactersWork) {
  TempTree tree({"short.jpg"});
  std::string deep = tree.root();
  const std::string level(60, 'd');
  while (deep.size() <= 300) {
    deep += level + "\\";
    ASSERT_FALSE(file_system->make_folder(deep)) << deep.size();
  }
  EXPECT_TRUE(file_system->folder_exists(deep));

  const std::string deep_file = deep + "照片(1).jpg";
  ASSERT_GT(deep_file.size(), 260u);
  ASSERT_FALSE(file_system->copy_file(tree.path("short.jpg"), deep_file));
  EXPECT_EQ(listed(*file_system, deep), Names{"照片(1).jpg"});
  ASSERT_FALSE(file_system->copy_file(deep_file, tree.path("back.jpg")));
  EXPECT_EQ(tree.read("back.jpg"), "short.jpg");

  remove_long_tree(tree.path(level + "/"));
  EXPECT_FALSE(file_system->folder_exists(tree.path(level + "/")));
}

TEST_F(Win32FileSystemTest, FolderExistsOnlyForFolders) {
  TempTree tree({"a.jpg", "sub/"});
  EXPECT_TRUE(file_system->folder_exists(tree.root()));
  EXPECT_TRUE(file_system->folder_exists(tree.path("sub/")));
  EXPECT_TRUE(file_system->folder_exists(tree.path("SUB/")));
  EXPECT_FALSE(file_system->folder_exists(tree.path("a.jpg/")));
  EXPECT_FALSE(file_system->folder_exists(tree.path("missing/")));
  EXPECT_TRUE(file_system->folder_exists("C:\\"));

  EXPECT_TRUE(file_system->make_folder(tree.path("sub/")));  // already there
  EXPECT_TRUE(file_system->make_folder(tree.path("missing/child/")));
  EXPECT_TRUE(file_system->read_folder(tree.path("missing/")).error);
  // A dotless file queued as a folder cannot be listed; that is no entry.
  const FolderContents file_as_folder = file_system->read_folder(tree.path("a.jpg/"));
  EXPECT_TRUE(file_as_folder.error);
  EXPECT_TRUE(file_as_folder.entries.empty());
}

// A junction (mount point) from `link` to `target`, both existing folders.
bool make_junction(const std::string& link, const std::string& target) {
  const std::wstring substitute = L"\\??\\" + long_path(target).substr(4);
  const std::size_t bytes = substitute.size() * sizeof(wchar_t);
  // REPARSE_DATA_BUFFER's mount point form, laid out by hand: the header,
  // then the substitute name and an empty print name, each null-terminated.
  std::vector<BYTE> buffer(8 + 8 + bytes + 2 * sizeof(wchar_t), 0);
  auto put16 = [&](std::size_t at, std::size_t value) {
    const WORD word = static_cast<WORD>(value);
    std::memcpy(buffer.data() + at, &word, sizeof word);
  };
  const DWORD tag = IO_REPARSE_TAG_MOUNT_POINT;
  std::memcpy(buffer.data(), &tag, sizeof tag);
  put16(4, buffer.size() - 8);         // ReparseDataLength
  put16(8, 0);                         // SubstituteNameOffset
  put16(10, bytes);                    // SubstituteNameLength
  put16(12, bytes + sizeof(wchar_t));  // PrintNameOffset
  put16(14, 0);                        // PrintNameLength
  std::memcpy(buffer.data() + 16, substitute.data(), bytes);

  HANDLE folder = CreateFileW(long_path(link).c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                              FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (folder == INVALID_HANDLE_VALUE) return false;
  DWORD returned = 0;
  const bool made =
      DeviceIoControl(folder, FSCTL_SET_REPARSE_POINT, buffer.data(),
                      static_cast<DWORD>(buffer.size()), nullptr, 0, &returned, nullptr) != 0;
  CloseHandle(folder);
  return made;
}

TEST_F(Win32FileSystemTest, JunctionsToFoldersAreNotListed) {
  TempTree tree({"real/a.jpg", "link/", "b.jpg"});
  if (!make_junction(tree.path("link"), tree.path("real"))) {
    const DWORD junction_error = GetLastError();
    // A linked folder is a reparse point as well; try that instead.
    RemoveDirectoryW(long_path(tree.path("link")).c_str());
    if (!CreateSymbolicLinkW(
            long_path(tree.path("link")).c_str(), long_path(tree.path("real")).c_str(),
            SYMBOLIC_LINK_FLAG_DIRECTORY | SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE)) {
      GTEST_SKIP() << "this system makes neither junctions (error " << junction_error
                   << ") nor linked folders (error " << GetLastError() << ")";
    }
  }
  const DWORD link_attributes = attributes_of(tree.path("link"));
  if (link_attributes == INVALID_FILE_ATTRIBUTES ||
      !(link_attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
    GTEST_SKIP() << "CreateSymbolicLinkW reported success but made no reparse point";
  }
  EXPECT_EQ(listed(*file_system, tree.root()), (Names{"b.jpg", "real\\"}));
  RemoveDirectoryW(long_path(tree.path("link")).c_str());  // the link, not its target
}

// The reparse points Wine cannot make, decided from what a listing reports.
TEST(Win32ListedKind, FoldersThatStandForOthersAreLeftOutCloudFoldersAreNot) {
  constexpr DWORD folder = FILE_ATTRIBUTE_DIRECTORY;
  constexpr DWORD reparse = FILE_ATTRIBUTE_REPARSE_POINT;
  constexpr DWORD cloud_tag = 0x9000601A;  // a cloud-file placeholder (not a surrogate)
  using win32::listed_kind;
  EXPECT_EQ(listed_kind(folder, 0, L"trip"), EntryKind::folder);
  EXPECT_EQ(listed_kind(folder | reparse, IO_REPARSE_TAG_MOUNT_POINT, L"junction"), std::nullopt);
  EXPECT_EQ(listed_kind(folder | reparse, IO_REPARSE_TAG_SYMLINK, L"linked"), std::nullopt);
  EXPECT_EQ(listed_kind(folder | reparse, cloud_tag, L"OneDrive"), EntryKind::folder);
  EXPECT_EQ(listed_kind(folder, 0, L"."), std::nullopt);
  EXPECT_EQ(listed_kind(folder, 0, L".."), std::nullopt);
  EXPECT_EQ(listed_kind(folder | FILE_ATTRIBUTE_HIDDEN, 0, L"h"), std::nullopt);
  EXPECT_EQ(listed_kind(folder | FILE_ATTRIBUTE_SYSTEM, 0, L"s"), std::nullopt);
  // A linked file counts as a file; its copy is the file behind it.
  EXPECT_EQ(listed_kind(reparse, IO_REPARSE_TAG_SYMLINK, L"a.jpg"), EntryKind::file);
  EXPECT_EQ(listed_kind(reparse, cloud_tag, L"a.jpg"), EntryKind::file);
  EXPECT_EQ(listed_kind(FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE, 0, L"a.jpg"),
            EntryKind::file);
  EXPECT_EQ(listed_kind(FILE_ATTRIBUTE_NORMAL, 0, L".jpg"), EntryKind::file);
  EXPECT_EQ(listed_kind(FILE_ATTRIBUTE_HIDDEN, 0, L"a.jpg"), std::nullopt);
  EXPECT_EQ(listed_kind(FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_READONLY, 0, L"a.jpg"),
            std::nullopt);
}

}  // namespace
}  // namespace tolvane::fsys
