// Reading a journal back, in either format: a copy's lines in format 1 (its
// naming, then its name) complete each other by its target; format 2's
// copy lines take their folders and names from the lines before them, and
// later lines name them by their number.
#include "journal/recorded_run.h"

#include <charconv>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

#include "fsys/path_separator.h"
#include "fsys/path_split.h"
#include "journal/journal_lines.h"

namespace tolvane::journal {
namespace {

template <typename Number>
Number number_of(std::string_view text) {
  Number value{};
  std::from_chars(text.data(), text.data() + text.size(), value);
  return value;
}

// What format 2's lines say of the copy lines that follow them.
struct CopyPlaces {
  std::string source_root;
  std::string from;  // absolute, ending in the separator (or empty)
  std::string into;  // absolute, ending in the separator
  std::string before, after;
};

void add_copy(RecordedRun& run, CopyPlaces& places, const std::vector<std::string_view>& fields) {
  RecordedCopy& copy = run.copies.emplace_back();
  copy.target = places.into;
  const std::size_t name_start = copy.target.size();
  copy.target += places.before;
  append_unescaped(copy.target, fields[1]);
  copy.target += places.after;
  copy.source = places.from;
  if (fields[2].empty()) {
    copy.source.append(copy.target, name_start);
  } else {
    append_unescaped(copy.source, fields[2]);
  }
  copy.identity = {number_of<std::uint64_t>(fields[3]), number_of<std::int64_t>(fields[4]),
                   unescaped(fields[5])};
}

}  // namespace

RecordedRun parse_journal(const std::string& path, const std::string& text) {
  RecordedRun run;
  run.journal = path;
  run.started = journal_started(path);
  // Format 1: by the target as the text spells it: the writer escaped a
  // path the same way each time, and the text outlives the map.
  std::unordered_map<std::string_view, std::size_t> by_target;
  CopyPlaces places;
  // Format 2 records its copies by copy lines alone, so that a copy's
  // number is its place among the run's copies.
  const auto numbered = [&](std::string_view number) -> RecordedCopy* {
    const auto k = number_of<std::size_t>(number);
    return k < run.copies.size() ? &run.copies[k] : nullptr;
  };
  std::vector<std::string_view> fields;
  std::size_t start = 0;
  while (start < text.size()) {
    const std::size_t end = text.find('\n', start);
    if (end == std::string::npos) break;  // cut short
    raw_fields_of(std::string_view(text).substr(start, end - start), fields);
    start = end + 1;
    const std::optional<LineKind> kind = kind_of(fields.front(), fields.size());
    if (!kind) continue;
    switch (*kind) {
      case LineKind::format:
        break;
      case LineKind::destination:
        run.destination = unescaped(fields[1]);
        places.into = run.destination;
        break;
      case LineKind::writer:
        run.writer =
            fsys::TemporaryWriter{number_of<std::uint32_t>(fields[1]), unescaped(fields[2])};
        break;
      case LineKind::folder:
        run.folders.push_back(unescaped(fields[1]));
        break;
      case LineKind::source:
        places.source_root = unescaped(fields[1]);
        break;
      case LineKind::from:
        places.from = places.source_root;
        append_unescaped(places.from, fields[1]);
        break;
      case LineKind::into:
        places.into = run.destination;
        append_unescaped(places.into, fields[1]);
        break;
      case LineKind::names:
        places.before = unescaped(fields[1]);
        places.after = unescaped(fields[2]);
        break;
      case LineKind::copy:
        add_copy(run, places, fields);
        break;
      case LineKind::named_copies: {
        const auto first = number_of<std::size_t>(fields[1]);
        const auto count = number_of<std::size_t>(fields[2]);
        for (std::size_t k = first; k < run.copies.size() && k - first < count; ++k) {
          run.copies[k].named = true;
        }
        break;
      }
      case LineKind::replaced:
        if (RecordedCopy* copy = numbered(fields[1])) {
          copy->named = true;
          copy->kept = {kept_in(fields[2]), unescaped(fields[3]), unescaped(fields[4])};
        }
        break;
      case LineKind::naming:
      case LineKind::named: {
        auto [place, added] = by_target.try_emplace(fields[1], run.copies.size());
        if (added) {
          RecordedCopy& copy = run.copies.emplace_back();
          copy.target = unescaped(fields[1]);
          copy.source = unescaped(fields[2]);
        }
        RecordedCopy& copy = run.copies[place->second];
        copy.identity = {number_of<std::uint64_t>(fields[3]), number_of<std::int64_t>(fields[4]),
                         unescaped(fields[5])};
        if (*kind == LineKind::named) {
          copy.named = true;
          copy.kept = {kept_in(fields[6]), unescaped(fields[7]), unescaped(fields[8])};
        }
        break;
      }
      case LineKind::stopped:
        run.stopped = true;
        break;
      case LineKind::ended:
        run.ended = true;
        break;
      case LineKind::undone:
        run.undone = true;
        break;
    }
  }
  return run;
}

std::int64_t journal_started(std::string_view path) {
  std::int64_t started = 0;
  const std::size_t name = path.rfind(journal_prefix);
  if (name != std::string_view::npos) {
    const std::size_t start = name + journal_prefix.size();
    std::from_chars(path.data() + start, path.data() + path.size(), started);
  }
  return started;
}

void remove_run_temporaries(const RecordedRun& run, fsys::Restorer& restorer) {
  if (!run.writer) return;
  for (const std::string& folder : run.folders_written()) {
    restorer.remove_temporaries(folder, *run.writer);
  }
}

std::vector<std::string> RecordedRun::folders_written() const {
  std::vector<std::string> written;
  std::unordered_set<std::string> seen;
  const auto add = [&](std::string folder) {
    if (!folder.empty() && seen.insert(folder).second) written.push_back(std::move(folder));
  };
  add(destination);
  for (const std::string& folder : folders) {
    add(folder.ends_with(fsys::separator) ? folder : folder + fsys::separator);
  }
  // Copies come folder by folder: each folder is made a string once.
  std::string_view last;
  for (const RecordedCopy& copy : copies) {
    const std::string_view folder = fsys::folder_part(copy.target);
    if (folder.empty() || folder == last) continue;
    last = folder;
    add(std::string(folder));
  }
  return written;
}

}  // namespace tolvane::journal
