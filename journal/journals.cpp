// Journals are named by the time their run started, so that names sort as
// runs do; a run is found by the destination line near the top of its file.
#include "journal/journals.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <unordered_set>

#include "fsys/path_key.h"
#include "fsys/path_separator.h"
#include "fsys/resolved_path.h"
#include "journal/journal_lines.h"

namespace tolvane::journal {
namespace {

constexpr std::string_view journal_suffix = ".journal";
// The empty file beside an undone journal.
constexpr std::string_view undone_suffix = ".undone";
// Enough for the header of any journal, whatever its destination's length.
constexpr std::size_t header_bytes = 16384;
// Enough of a journal to see whether its run wrote anything: a run that did
// writes its first folder or copy in its first lines.
constexpr std::size_t first_lines = header_bytes + 4096;
// Enough of a journal's end to find its run's last line: "ended", perhaps
// followed by "undone" lines.
constexpr std::size_t last_lines = 4096;

std::string destination_of(const std::string& text) {
  const std::size_t start = text.find(line_start(LineKind::destination));
  if (start == std::string::npos) return {};
  const std::size_t end = text.find('\n', start + 1);
  if (end == std::string::npos) return {};
  std::vector<std::string_view> fields;
  raw_fields_of(std::string_view(text).substr(start + 1, end - start - 1), fields);
  return kind_of(fields.front(), fields.size()) == LineKind::destination ? unescaped(fields[1])
                                                                         : std::string();
}

bool wrote_anything(const std::string& head) {
  for (const LineShape& shape : line_shapes) {
    if (shape.writes && head.find(line_start(shape.kind)) != std::string::npos) return true;
  }
  return false;
}

std::int64_t now_ns() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(
             std::chrono::system_clock::now().time_since_epoch())
      .count();
}

}  // namespace

std::string absolute_root(const std::string& root) {
  return fsys::absolute_folder(root) + fsys::separator;
}

Journals::Journals(std::string folder, fsys::Restorer& restorer, JournalLimits limits)
    : folder_(std::move(folder)), restorer_(restorer), limits_(limits) {}

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

std::optional<Journals::JournalHead> Journals::head_of(
    const std::string& name, const std::unordered_set<std::string>& marks) {
  const std::optional<std::string> head = restorer_.read_text(folder_ + name, first_lines);
  if (!head) return std::nullopt;
  JournalHead journal{name, fsys::path_key(destination_of(*head)), wrote_anything(*head)};
  journal.undone = head->find(line_start(LineKind::undone)) != std::string::npos ||
                   marks.contains(name + std::string(undone_suffix));
  journal.started = journal_started(name);
  return journal;
}

std::vector<Journals::JournalHead> Journals::heads(const std::vector<std::string>& names,
                                                   const std::vector<std::string>& all) {
  const std::unordered_set<std::string> marks(all.begin(), all.end());
  std::vector<JournalHead> found;
  for (const std::string& name : names) {
    std::optional<JournalHead> journal = head_of(name, marks);
    if (!journal) continue;
    journal->bytes = restorer_.identify(folder_ + name).value_or(fsys::FileIdentity{}).size;
    found.push_back(std::move(*journal));
  }
  return found;
}

std::vector<std::string> Journals::runs_into(const std::vector<JournalHead>& journals,
                                             const std::string& destination) {
  const std::string key = fsys::path_key(destination);
  std::vector<std::string> names;
  for (const JournalHead& journal : journals) {
    if (journal.destination == key) names.push_back(journal.name);
  }
  return names;
}

void Journals::prune(std::vector<JournalHead>& journals) {
  // Newest first: the first journal met for a destination that wrote
  // anything or was undone is its last run.
  std::unordered_set<std::string> destinations_met;
  std::vector<bool> needed(journals.size());
  for (std::size_t k = 0; k < journals.size(); ++k) {
    const JournalHead& journal = journals[k];
    if (!journal.wrote && !journal.undone) continue;
    const bool last = destinations_met.insert(journal.destination).second;
    needed[k] = last || !journal.undone;
  }
  const std::int64_t now = now_ns();
  const auto older_than = [&](const JournalHead& journal, std::chrono::hours age) {
    return journal.started <
           now - std::chrono::duration_cast<std::chrono::nanoseconds>(age).count();
  };
  std::vector<bool> going(journals.size());
  std::uint64_t total = 0;
  for (std::size_t k = 0; k < journals.size(); ++k) {
    going[k] = older_than(journals[k], needed[k] ? limits_.needed_for : limits_.unneeded_for);
    if (!going[k]) total += journals[k].bytes;
  }
  // While all take too much, those nothing needs go first, then the oldest
  // of the others; the newest stays, however large.
  for (const bool needed_ones : {false, true}) {
    for (std::size_t k = journals.size(); k-- > 1 && total > limits_.kept_bytes;) {
      if (going[k] || needed[k] != needed_ones) continue;
      going[k] = true;
      total -= journals[k].bytes;
    }
  }
  std::vector<JournalHead> kept;
  for (std::size_t k = 0; k < journals.size(); ++k) {
    if (!going[k]) {
      kept.push_back(std::move(journals[k]));
      continue;
    }
    restorer_.remove_file(folder_ + journals[k].name);
    restorer_.remove_file(folder_ + journals[k].name + std::string(undone_suffix));
  }
  journals = std::move(kept);
}

EarlierCopies Journals::earlier_copies(const std::vector<std::string>& names) {
  EarlierCopies earlier;
  for (const std::string& name : names) {
    const std::optional<std::string> text = restorer_.read_text(folder_ + name, SIZE_MAX);
    if (!text) continue;
    RecordedRun run = parse_journal(folder_ + name, *text);
    if (run.undone) continue;
    // The run's strings move into the map: a re-run reads tens of
    // thousands of copies here before its first entry.
    earlier.reserve(earlier.size() + run.copies.size());
    for (RecordedCopy& copy : run.copies) {
      std::string target =
          fsys::path_is_its_key ? std::move(copy.target) : fsys::path_key(copy.target);
      earlier.try_emplace(std::move(target),
                          EarlierCopy{std::move(copy.identity), std::move(copy.source)});
    }
  }
  return earlier;
}

std::unique_ptr<RunJournal> Journals::start_run(const std::string& root, std::error_code& error) {
  error.clear();
  if (folder_.empty()) {
    error = std::make_error_code(std::errc::no_such_file_or_directory);
    return nullptr;
  }
  const std::string destination = absolute_root(root);
  if (read_only_) {
    return std::make_unique<RunJournal>(restorer_, nullptr, root, destination, [this, destination] {
      std::vector<std::string> all;
      const std::vector<std::string> names = journal_names(&all);
      return earlier_copies(runs_into(heads(names, all), destination));
    });
  }
  if ((error = restorer_.make_folders(folder_))) return nullptr;
  std::vector<std::string> all;
  const std::vector<std::string> names = journal_names(&all);
  std::vector<JournalHead> journals = heads(names, all);
  prune(journals);
  // Newest first: the first is the destination's last run.
  std::vector<std::string> older = runs_into(journals, destination);
  const std::string previous = older.empty() ? std::string() : folder_ + older.front();
  // Read at the run's first question of them, not before: a run into a
  // destination no earlier run copied into has nothing to read.
  auto earlier = [this, older = std::move(older)] { return earlier_copies(older); };

  std::unique_ptr<fsys::AppendedFile> file;
  const std::int64_t now = now_ns();
  for (int attempt = 0; attempt < 100 && !file; ++attempt) {
    char name[64];
    std::snprintf(name, sizeof name, "%s%020lld-%02d%s", journal_prefix.data(),
                  static_cast<long long>(now), attempt, journal_suffix.data());
    file = restorer_.open_appended(folder_ + name, true, error);
    if (!file && error != std::errc::file_exists) return nullptr;
  }
  if (!file) return nullptr;
  const fsys::TemporaryWriter writer = restorer_.this_writer();
  if ((error = file->append(
           line_of(LineKind::format, {std::string(journal_format)}) +
           line_of(LineKind::destination, {destination}) +
           line_of(LineKind::writer, {std::to_string(writer.process), writer.boot}))) ||
      (error = file->sync())) {
    return nullptr;
  }
  auto journal = std::make_unique<RunJournal>(restorer_, std::move(file), root, destination,
                                              std::move(earlier));
  // A run that never reached its end may have left temporaries where this
  // one will not write; its undo, if any, took them away.
  if (!previous.empty()) {
    const std::optional<std::string> end = restorer_.read_end(previous, last_lines);
    const std::string lines = end ? "\n" + *end : std::string();
    if (end && lines.find(line_start(LineKind::ended)) == std::string::npos &&
        lines.find(line_start(LineKind::undone)) == std::string::npos) {
      journal->set_unfinished_run(previous);
    }
  }
  return journal;
}

std::optional<Journals::JournalHead> Journals::last_head_into(const std::string& root) {
  const std::string key = fsys::path_key(absolute_root(root));
  std::vector<std::string> all;
  const std::vector<std::string> names = journal_names(&all);
  const std::unordered_set<std::string> marks(all.begin(), all.end());
  for (const std::string& name : names) {
    std::optional<JournalHead> journal = head_of(name, marks);
    if (!journal || journal->destination != key) continue;
    // A re-run that found every copy in place wrote nothing: the run to
    // undo is the one before it.
    if (!journal->undone && !journal->wrote) continue;
    return journal;
  }
  return std::nullopt;
}

std::optional<RecordedRun> Journals::last_run_into(const std::string& root) {
  const std::optional<JournalHead> journal = last_head_into(root);
  if (!journal) return std::nullopt;
  const std::string path = folder_ + journal->name;
  const std::optional<std::string> text = restorer_.read_text(path, SIZE_MAX);
  if (!text) return std::nullopt;
  return parse_journal(path, *text);
}

bool Journals::can_undo(const std::string& root) {
  const std::optional<JournalHead> journal = last_head_into(root);
  return journal && !journal->undone;
}

std::error_code Journals::mark_undone(const RecordedRun& run) {
  std::error_code error;
  const std::unique_ptr<fsys::AppendedFile> file =
      restorer_.open_appended(run.journal, false, error);
  if (!file) return error;
  if (const std::error_code written = file->append(line_of(LineKind::undone))) return written;
  if (const std::error_code synced = file->sync()) return synced;
  const std::unique_ptr<fsys::AppendedFile> mark =
      restorer_.open_appended(run.journal + std::string(undone_suffix), true, error);
  return mark ? mark->sync() : error;
}

}  // namespace tolvane::journal
