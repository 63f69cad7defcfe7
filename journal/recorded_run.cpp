// Reading a journal back: later lines about a target complete earlier ones.
#include "journal/recorded_run.h"

#include <charconv>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

#include "fsys/path_separator.h"
#include "journal/journal_lines.h"

namespace tolvane::journal {
namespace {

template <typename Number>
Number number_of(const std::string& text) {
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
  std::unordered_map<std::string, std::size_t> by_target;
  std::size_t start = 0;
  while (start < text.size()) {
    const std::size_t end = text.find('\n', start);
    if (end == std::string::npos) break;  // cut short
    const std::vector<std::string> fields =
        fields_of(std::string_view(text).substr(start, end - start));
    start = end + 1;
    const std::optional<LineKind> kind = kind_of(fields);
    if (!kind) continue;
    switch (*kind) {
      case LineKind::format:
        break;
      case LineKind::destination:
        run.destination = fields[1];
        break;
      case LineKind::writer:
        run.writer = fsys::TemporaryWriter{number_of<std::uint32_t>(fields[1]), fields[2]};
        break;
      case LineKind::folder:
        run.folders.push_back(fields[1]);
        break;
      case LineKind::naming:
      case LineKind::named: {
        auto [place, added] = by_target.try_emplace(fields[1], run.copies.size());
        if (added) run.copies.emplace_back();
        RecordedCopy& copy = run.copies[place->second];
        copy.target = fields[1];
        copy.source = fields[2];
        copy.identity = {number_of<std::uint64_t>(fields[3]), number_of<std::int64_t>(fields[4]),
                         fields[5]};
        if (*kind == LineKind::named) {
          copy.named = true;
          copy.kept = {kept_in(fields[6]), fields[7], fields[8]};
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
  for (const RecordedCopy& copy : copies) {
    const std::size_t cut = copy.target.rfind(fsys::separator);
    if (cut != std::string::npos) add(copy.target.substr(0, cut + 1));
  }
  return written;
}

}  // namespace tolvane::journal
