// Journals are named by the time their run started, so that names sort as
// runs do; a run is found by the destination line near the top of its file.
#include "journal/journals.h"

#include <algorithm>
#include <chrono>
#include <cstdio>

#include "fsys/path_key.h"
#include "fsys/path_separator.h"
#include "fsys/resolved_path.h"
#include "journal/journal_lines.h"

namespace tolvane::journal {
namespace {

constexpr std::string_view journal_prefix = "run-";
constexpr std::string_view journal_suffix = ".journal";
// The empty file beside an undone journal.
constexpr std::string_view undone_suffix = ".undone";
// Enough for the header of any journal, whatever its destination's length.
constexpr std::size_t header_bytes = 16384;

std::string destination_of(const std::string& text) {
  const std::size_t start = text.find("\ndestination\t");
  if (start == std::string::npos) return {};
  const std::size_t end = text.find('\n', start + 1);
  if (end == std::string::npos) return {};
  const std::vector<std::string> fields =
      fields_of(std::string_view(text).substr(start + 1, end - start - 1));
  return fields.size() == 2 ? fields[1] : std::string();
}

}  // namespace

std::string absolute_root(const std::string& root) {
  return fsys::absolute_folder(root) + fsys::separator;
}

Journals::Journals(std::string folder, fsys::Restorer& restorer)
    : folder_(std::move(folder)), restorer_(restorer) {}

std::vector<std::string> Journals::journal_names(std::vector<std::string>* all) {
  std::vector<std::string> names;
  if (folder_.empty()) return names;
  for (std::string& name : restorer_.file_names(folder_)) {
    if (name.starts_with(journal_prefix) && name.ends_with(journal_suffix)) names.push_back(name);
    if (all != nullptr) all->push_back(std::move(name));
  }
  std::sort(names.rbegin(), names.rend());
  return names;
}

EarlierCopies Journals::earlier_copies(const std::vector<std::string>& names,
                                      const std::string& destination) {
  const std::string key = fsys::path_key(destination);
  EarlierCopies earlier;
  for (const std::string& name : names) {
    const std::optional<std::string> head = restorer_.read_text(folder_ + name, header_bytes);
    if (!head || fsys::path_key(destination_of(*head)) != key) continue;
    const std::optional<std::string> text = restorer_.read_text(folder_ + name, SIZE_MAX);
    if (!text) continue;
    const RecordedRun run = parse_journal(folder_ + name, *text);
    if (run.undone) continue;
    for (const RecordedCopy& copy : run.copies) {
      earlier.try_emplace(fsys::path_key(copy.target), EarlierCopy{copy.identity, copy.source});
    }
  }
  return earlier;
}

std::unique_ptr<RunJournal> Journals::start_run(const std::string& root) {
  if (folder_.empty()) return nullptr;
  if (read_only_) {
    return std::make_unique<RunJournal>(restorer_, nullptr, root, absolute_root(root), [this, root] {
      return earlier_copies(journal_names(), absolute_root(root));
    });
  }
  if (restorer_.make_folders(folder_)) return nullptr;
  const std::string destination = absolute_root(root);
  std::vector<std::string> names = journal_names();
  // Read only if a listed file lies in the destination: only then can the
  // run meet a copy an earlier run made there, and reading every earlier
  // journal would cost a re-run more than its look at each file.
  const std::size_t kept = std::min(names.size(), kept_runs - 1);
  auto earlier = [this, older = std::vector<std::string>(names.begin(), names.begin() + kept),
                  destination] { return earlier_copies(older, destination); };
  // The oldest go, leaving room for this one.
  for (std::size_t k = kept_runs - 1; k < names.size(); ++k) {
    restorer_.remove_file(folder_ + names[k]);
    restorer_.remove_file(folder_ + names[k] + std::string(undone_suffix));
  }

  const auto now = std::chrono::duration_cast<std::chrono::nanoseconds>(
                       std::chrono::system_clock::now().time_since_epoch())
                       .count();
  std::unique_ptr<fsys::AppendedFile> file;
  std::error_code error;
  for (int attempt = 0; attempt < 100 && !file; ++attempt) {
    char name[64];
    std::snprintf(name, sizeof name, "%s%020lld-%02d%s", journal_prefix.data(),
                  static_cast<long long>(now), attempt, journal_suffix.data());
    file = restorer_.open_appended(folder_ + name, true, error);
    if (!file && error != std::errc::file_exists) return nullptr;
  }
  if (!file) return nullptr;
  if (file->append(line_of({"tolvane-journal", "1"}) + line_of({"destination", destination})) ||
      file->sync()) {
    return nullptr;
  }
  return std::make_unique<RunJournal>(restorer_, std::move(file), root, destination,
                                      std::move(earlier));
}

std::optional<RecordedRun> Journals::last_run_into(const std::string& root) {
  const std::string key = fsys::path_key(absolute_root(root));
  for (const std::string& name : journal_names()) {
    const std::optional<std::string> head = restorer_.read_text(folder_ + name, header_bytes);
    if (!head || fsys::path_key(destination_of(*head)) != key) continue;
    const std::optional<std::string> text = restorer_.read_text(folder_ + name, SIZE_MAX);
    if (!text) return std::nullopt;
    RecordedRun run = parse_journal(folder_ + name, *text);
    // A re-run that found every copy in place wrote nothing: the run to
    // undo is the one before it.
    if (!run.undone && run.copies.empty() && run.folders.empty()) continue;
    return run;
  }
  return std::nullopt;
}

bool Journals::can_undo(const std::string& root) {
  // Enough of a journal to see whether its run wrote anything: a run that
  // did writes its first folder or copy in its first lines.
  constexpr std::size_t first_lines = header_bytes + 4096;
  const std::string key = fsys::path_key(absolute_root(root));
  std::vector<std::string> all;
  for (const std::string& name : journal_names(&all)) {
    const std::optional<std::string> head = restorer_.read_text(folder_ + name, first_lines);
    if (!head || fsys::path_key(destination_of(*head)) != key) continue;
    const bool undone = head->find("\nundone\n") != std::string::npos ||
                        std::find(all.begin(), all.end(), name + std::string(undone_suffix)) != all.end();
    const bool wrote = head->find("\nfolder\t") != std::string::npos ||
                       head->find("\nnaming\t") != std::string::npos ||
                       head->find("\nnamed\t") != std::string::npos;
    // A re-run that found every copy in place wrote nothing: the run to
    // undo is the one before it.
    if (!undone && !wrote) continue;
    return !undone;
  }
  return false;
}

std::error_code Journals::mark_undone(const RecordedRun& run) {
  std::error_code error;
  const std::unique_ptr<fsys::AppendedFile> file = restorer_.open_appended(run.journal, false, error);
  if (!file) return error;
  if (const std::error_code written = file->append(line_of({"undone"}))) return written;
  if (const std::error_code synced = file->sync()) return synced;
  const std::unique_ptr<fsys::AppendedFile> mark =
      restorer_.open_appended(run.journal + std::string(undone_suffix), true, error);
  return mark ? mark->sync() : error;
}

}  // namespace tolvane::journal
