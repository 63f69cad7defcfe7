// Fuzzes the naming rules with their collision handling through the real
// copy run: a sequence of entries (tag, source folder and name) is copied
// with an extension text, flat or not, by the application session into an
// in-memory file system, and the run must keep its promises: no two
// entries get the same target, no target is a listed source, every target
// lies inside the destination folder, no source changes, and every entry
// is either copied or reported.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "copy/copy_run.h"
#include "fsys/file_system.h"
#include "fsys/path_key.h"
#include "fsys/path_separator.h"
#include "tests/copy/fakes.h"

namespace {

using tolvane::copy::testing::FakeRunDisplay;
using tolvane::copy::testing::Log;
using tolvane::fsys::separator;

// Small alphabets, so that collisions are the rule rather than the exception.
const std::vector<std::string> tags = {"t", "trip", "2019", "", "..", ".", "t(1)", "T"};
const std::vector<std::string> names = {"a.jpg", "t(1).jpg", "t(2).jpg",   "(1).jpg",
                                        "a",     "a(2)",     "a(2).jpg",   "x.JPG",
                                        "t(1)",  ".jpg",     "trip(1).jpg"};
const std::vector<std::string> extensions = {".jpg", ".*", "",      "(1).jpg",
                                             "/x",   "..", ".JPG",  "/../e",
                                             " .*",  "\\", ".jpg/", std::string(1, '\0')};

std::string sep(std::string_view path) {
  std::string result(path);
  for (char& c : result) {
    if (c == '/') c = separator;
  }
  return result;
}

// Folders and files in memory: copies are recorded, never overwrite a folder.
class MemoryFileSystem final : public tolvane::fsys::WholeCopyFileSystem {
 public:
  std::set<std::string> folders;
  std::map<std::string, std::string> files;
  std::vector<std::string> targets;

  tolvane::fsys::FolderContents read_folder(const std::string&) override { return {}; }
  std::error_code copy_whole(const std::string& source, const std::string& target,
                             tolvane::fsys::LookAlike,
                             tolvane::fsys::CopyOutcome& outcome) override {
    outcome = tolvane::fsys::CopyOutcome::copied;
    targets.push_back(target);
    const auto found = files.find(source);
    if (found == files.end()) return std::make_error_code(std::errc::no_such_file_or_directory);
    if (!folders.contains(parent(target))) {
      return std::make_error_code(std::errc::no_such_file_or_directory);
    }
    files[target] = found->second;
    return {};
  }
  std::error_code make_folder(const std::string& folder) override {
    if (!folders.contains(parent(folder))) {
      return std::make_error_code(std::errc::no_such_file_or_directory);
    }
    folders.insert(folder);
    return {};
  }
  bool folder_exists(const std::string& folder) override { return folders.contains(folder); }
  std::error_code move_to_trash(const std::string&) override {
    return std::make_error_code(std::errc::operation_not_supported);
  }
  std::error_code flush() override { return {}; }

 private:
  static std::string parent(const std::string& path) {
    const std::size_t end = path.size() > 1 ? path.size() - 2 : 0;
    return path.substr(0, path.rfind(separator, end) + 1);
  }
};

// True when `target` lies inside `root`: below it, with no empty, "." or
// ".." part, and at most one folder between.
bool inside(const std::string& target, const std::string& root) {
  if (!target.starts_with(root)) return false;
  std::string_view rest(target);
  rest.remove_prefix(root.size());
  int parts = 0;
  for (;;) {
    const std::size_t cut = rest.find(separator);
    const std::string_view part = rest.substr(0, cut);
    if (part.empty() || part == "." || part == ".." || part.find('\0') != part.npos) return false;
    ++parts;
    if (cut == std::string_view::npos) break;
    rest.remove_prefix(cut + 1);
  }
  return parts <= 2;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1 || size > 1 + 2 * 400) return 0;
  const std::string root = sep("/d/");
  MemoryFileSystem disk;
  disk.folders = {sep("/"), root, sep("/s/")};
  Log log;
  FakeRunDisplay window(log);
  window.flat = (data[0] & 1) != 0;
  window.extension = extensions[(data[0] >> 1) % extensions.size()];

  // Two bytes an entry: tag, where the source lies and its name.
  for (std::size_t i = 1; i + 1 < size; i += 2) {
    const std::string& tag = tags[data[i] % tags.size()];
    const std::string& name = names[(data[i + 1] >> 2) % names.size()];
    std::string folder;
    switch (data[i + 1] & 3) {
      case 0:
        folder = sep("/s/") + (tag.empty() ? "" : tag + separator);
        break;
      case 1:  // a source inside the destination, where copies go
        folder = root + (tag.empty() || tag == "." || tag == ".." ? "" : tag + separator);
        break;
      case 2:
        folder = root;
        break;
      default:
        folder = sep("/s/x/");
        break;
    }
    disk.folders.insert(folder);
    const std::string source = folder + name;
    disk.files[source] = "source " + source;
    window.add(source, tag);
  }
  const std::map<std::string, std::string> before = disk.files;

  const tolvane::copy::CopyReport report =
      tolvane::copy::testing::copy_folder(root, disk, window, tolvane::copy::testing::serial);

  if (report.entries != window.list1.size()) std::abort();
  if (disk.targets.size() + report.failures.size() < report.entries) std::abort();
  std::set<std::string> seen;
  std::set<std::string> sources;
  for (const std::string& source : window.list1) sources.insert(tolvane::fsys::path_key(source));
  for (const std::string& target : disk.targets) {
    if (!seen.insert(tolvane::fsys::path_key(target)).second) std::abort();  // a target twice
    if (sources.contains(tolvane::fsys::path_key(target))) std::abort();     // a source written
    if (!inside(target, root)) std::abort();  // outside the destination
  }
  for (const auto& [path, content] : before) {
    if (disk.files.at(path) != content) std::abort();
  }
  return 0;
}
