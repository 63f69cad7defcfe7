// Reading a journal back: later lines about a target complete earlier ones.
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

}  // namespace

RecordedRun parse_journal(const std::string& path, const std::string& text) {
  RecordedRun run;
  run.journal = path;
  // Journals are named "run-<start in ns>-<n>.journal".
  const std::size_t name = path.rfind("run-");
  if (name != std::string::npos) {
    std::from_chars(path.data() + name + 4, path.data() + path.size(), run.started);
  }
  // By the target as the text spells it: the writer escapes a path the same
  // way each time, and the text outlives the map.
  std::unordered_map<std::string_view, std::size_t> by_target;
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
        break;
      case LineKind::writer:
        run.writer =
            fsys::TemporaryWriter{number_of<std::uint32_t>(fields[1]), unescaped(fields[2])};
        break;
      case LineKind::folder:
        run.folders.push_back(unescaped(fields[1]));
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
