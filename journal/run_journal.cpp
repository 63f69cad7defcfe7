// Journal lines as the run goes: "folder" (absolute), a "copy" line for
// each copy before its batch takes its names (then synced), with the lines
// that place it where its folders or its name's frame change, then one
// "named-copies" line for the run of copies that took their names, and a
// "replaced" line for each that replaced a file; "stopped" when the user
// stopped the run, "ended" at the end.
#include "journal/run_journal.h"

#include <charconv>
#include <limits>
#include <string_view>

#include "fsys/path_key.h"
#include "fsys/path_separator.h"
#include "fsys/resolved_path.h"
#include "journal/journal_lines.h"
#include "journal/recorded_run.h"

namespace tolvane::journal {
namespace {

constexpr std::uint64_t no_line = std::numeric_limits<std::uint64_t>::max();

// A number as a journal field, in a buffer of the caller's.
template <typename Number>
std::string_view number_field(Number number, char (&buffer)[24]) {
  const auto end = std::to_chars(buffer, buffer + sizeof buffer, number).ptr;
  return {buffer, static_cast<std::size_t>(end - buffer)};
}

// `path` cut after its last separator: its folder (empty: none) and name.
std::pair<std::string_view, std::string_view> folder_and_name(std::string_view path) {
  const std::size_t cut = path.rfind(fsys::separator);
  if (cut == std::string_view::npos) return {{}, path};
  return {path.substr(0, cut + 1), path.substr(cut + 1)};
}

// The folder `a` and `b` both lie in, ending in the separator: the longest
// they begin with that ends in one (empty: none).
std::string_view common_folder(std::string_view a, std::string_view b) {
  std::size_t same = 0;
  while (same < a.size() && same < b.size() && a[same] == b[same]) ++same;
  if (same == 0) return {};
  const std::size_t cut = a.rfind(fsys::separator, same - 1);
  return cut == std::string_view::npos ? std::string_view() : a.substr(0, cut + 1);
}

// Whether `path` names the file `name` in `folder` (ending in the
// separator) does, by the platform's rule, without joining the two where
// a path is its own key.
bool names_same_file(std::string_view path, std::string_view folder, std::string_view name) {
  if constexpr (fsys::path_is_its_key) {
    return path.size() == folder.size() + name.size() && path.starts_with(folder) &&
           path.ends_with(name);
  } else {
    std::string joined(folder);
    joined.append(name);
    return fsys::paths_equal(path, joined);
  }
}

// A copy's name in three parts: a numbered name "trip(12).jpg" as "trip(",
// "12" and ").jpg", so that a folder of numbered copies writes only each
// one's number; any other name whole, between two empty parts.
struct NameParts {
  std::string_view before, part, after;
};
NameParts name_parts(std::string_view name) {
  const std::size_t close = name.rfind(')');
  if (close != std::string_view::npos) {
    std::size_t open = close;
    while (open > 0 && name[open - 1] >= '0' && name[open - 1] <= '9') --open;
    if (open < close && open > 0 && name[open - 1] == '(') {
      return {name.substr(0, open), name.substr(open, close - open), name.substr(close)};
    }
  }
  return {{}, name, {}};
}

}  // namespace

RunJournal::RunJournal(fsys::Restorer& restorer, std::unique_ptr<fsys::AppendedFile> file,
                       std::string root, std::string absolute_root,
                       std::function<EarlierCopies()> earlier)
    : restorer_(restorer),
      file_(std::move(file)),
      root_(std::move(root)),
      absolute_root_(std::move(absolute_root)),
      read_earlier_(std::move(earlier)),
      root_key_(fsys::path_key(absolute_root_)),
      typed_root_key_(fsys::path_key(root_)) {}

const std::string& RunJournal::absolute_folder_of(std::string_view folder) {
  const auto known = absolute_folders_.find(folder);
  if (known != absolute_folders_.end()) return known->second;
  std::string absolute;
  if (folder.starts_with(root_)) {
    absolute = absolute_root_;
    absolute.append(folder.substr(root_.size()));
  } else {
    absolute = fsys::absolute_folder(folder.empty() ? std::string{'.', fsys::separator}
                                                    : std::string(folder));
    if (!absolute.ends_with(fsys::separator)) absolute.push_back(fsys::separator);
  }
  return absolute_folders_.emplace(std::string(folder), std::move(absolute)).first->second;
}

std::string RunJournal::absolute(const std::string& path) {
  const auto [folder, name] = folder_and_name(path);
  std::string absolute = absolute_folder_of(folder);
  absolute.append(name);
  return absolute;
}

void RunJournal::append(const std::string& text, bool sync) {
  // A journal that cannot be written costs the run its undo, never a copy;
  // the run says so at its end.
  if (!file_ || write_error_) return;
  std::error_code error = file_->append(text);
  if (!error && sync) error = file_->sync();
  if (error && !write_error_) write_error_ = error;
}

std::error_code RunJournal::write_error() {
  const std::lock_guard lock(mutex_);
  return write_error_;
}

void RunJournal::clear_unfinished_run() {
  if (unfinished_run_.empty()) return;
  const std::optional<std::string> text = restorer_.read_text(unfinished_run_, SIZE_MAX);
  if (!text) return;
  remove_run_temporaries(parse_journal(unfinished_run_, *text), restorer_);
}

bool RunJournal::earlier_copy(const std::string& source) {
  // Every earlier copy lies in the destination, and a source listed there
  // is spelled as the destination is, as typed or resolved: resolving the
  // folder of every source (a readlink per step of its path) would cost a
  // re-run a fifth of its time.
  const std::string source_key = fsys::path_key(source);
  if (!source_key.starts_with(typed_root_key_) && !source_key.starts_with(root_key_)) return false;
  const std::lock_guard lock(places_mutex_);
  const std::string path = absolute(source);
  const std::string key = fsys::path_key(path);
  if (!key.starts_with(root_key_)) return false;
  const EarlierCopies& earlier = this->earlier();
  const auto found = earlier.find(key);
  if (found == earlier.end()) return false;
  const std::optional<fsys::FileIdentity> now = restorer_.identify(path);
  return now && fsys::same_file_as_recorded(*now, found->second.identity);
}

const EarlierCopies& RunJournal::earlier() {
  if (!earlier_) earlier_ = read_earlier_ ? read_earlier_() : EarlierCopies();
  return *earlier_;
}

std::string RunJournal::earlier_copy_at(const copy::CopyJob& job) {
  // The run's thread asks of every entry while the naming thread writes: not
  // behind the journal's lock, which a batch holds across its write and
  // sync.
  const std::lock_guard lock(places_mutex_);
  const EarlierCopies& earlier = this->earlier();
  if (earlier.empty()) return {};
  // A re-run asks this of every entry: no string is made for the answer
  // "none" but the target's absolute path, in memory kept from the last.
  const auto [target_folder, target_name] = folder_and_name(job.target);
  asked_target_ = absolute_folder_of(target_folder);
  asked_target_.append(target_name);
  const auto found = fsys::path_is_its_key ? earlier.find(asked_target_)
                                           : earlier.find(fsys::path_key(asked_target_));
  if (found == earlier.end()) return {};
  // The same source's own copy is no renumbering: a re-run over a changed
  // source replaces it in place.
  const EarlierCopy& copy = found->second;
  const auto [source_folder, source_name] = folder_and_name(job.source);
  if (names_same_file(copy.source, absolute_folder_of(source_folder), source_name)) return {};
  // Changed since that run, it is the user's file, no longer our copy.
  const std::optional<fsys::FileIdentity> now = restorer_.identify(asked_target_);
  if (!now || !fsys::same_file_as_recorded(*now, copy.identity)) return {};
  return copy.source;
}

void RunJournal::folder_made(const std::string& folder) {
  std::string line;
  {
    const std::lock_guard places(places_mutex_);
    line = line_of(LineKind::folder, {absolute(folder)});
  }
  const std::lock_guard lock(mutex_);
  append(line, false);
}

void RunJournal::place_sources(std::string_view listed) {
  listed_from_ = listed;
  std::string folder;
  {
    const std::lock_guard places(places_mutex_);
    folder = absolute_folder_of(listed);
  }
  // The root of the sources is the folder they all lie in, found as they
  // come: the first folder, then the one it shares with each folder outside.
  if (!placed_ || !folder.starts_with(source_root_)) {
    source_root_ = placed_ ? std::string(common_folder(source_root_, folder)) : folder;
    append_line(lines_, LineKind::source, {source_root_});
  }
  append_line(lines_, LineKind::from, {std::string_view(folder).substr(source_root_.size())});
}

std::uint64_t RunJournal::add_copy(const std::string& target, const std::string& source,
                                   const fsys::FileIdentity& identity) {
  const auto [source_folder, source_name] = folder_and_name(source);
  if (!placed_ || source_folder != listed_from_) place_sources(source_folder);
  // Every target lies in the destination, as the run names it.
  const auto [target_folder, target_name] = folder_and_name(target);
  const std::string_view into =
      target_folder.substr(target_folder.starts_with(root_) ? root_.size() : 0);
  if (!placed_ || into != into_) {
    into_ = into;
    append_line(lines_, LineKind::into, {into});
  }
  const NameParts name = name_parts(target_name);
  if (name.before != before_ || name.after != after_) {
    before_ = name.before;
    after_ = name.after;
    append_line(lines_, LineKind::names, {before_, after_});
  }
  placed_ = true;
  char size[24];
  char modified[24];
  append_line(lines_, LineKind::copy,
              {name.part, source_name == target_name ? std::string_view() : source_name,
               number_field(identity.size, size), number_field(identity.modified, modified),
               identity.file_id});
  return copies_++;
}

void RunJournal::naming(const std::vector<copy::CopyJob>& jobs,
                        const std::vector<fsys::CopyNaming>& namings) {
  const std::lock_guard lock(mutex_);
  lines_.clear();
  batch_numbers_.assign(jobs.size(), no_line);
  for (std::size_t k = 0; k < jobs.size(); ++k) {
    if (!namings[k].staged) continue;
    batch_numbers_[k] = add_copy(jobs[k].target, jobs[k].source, namings[k].identity);
  }
  if (!lines_.empty()) append(lines_, true);
}

void RunJournal::named(const std::vector<copy::CopyJob>& jobs,
                       const std::vector<fsys::CopyNaming>& namings) {
  const std::lock_guard lock(mutex_);
  lines_.clear();
  // Copies mostly take their names one after another: each unbroken run of
  // them is one line.
  std::uint64_t first = 0;
  std::uint64_t count = 0;
  const auto end_run = [&] {
    if (count == 0) return;
    char first_field[24];
    char count_field[24];
    append_line(lines_, LineKind::named_copies,
                {number_field(first, first_field), number_field(count, count_field)});
    count = 0;
  };
  for (std::size_t k = 0; k < jobs.size() && k < batch_numbers_.size(); ++k) {
    const std::uint64_t number = batch_numbers_[k];
    const fsys::CopyNaming& naming = namings[k];
    if (number == no_line || !copy::took_name(naming.error, naming.outcome)) continue;
    if (naming.kept.where != fsys::KeptIn::nowhere) {
      end_run();
      char number_text[24];
      append_line(lines_, LineKind::replaced,
                  {number_field(number, number_text), kept_word(naming.kept.where),
                   naming.kept.file, naming.kept.record});
    } else if (count > 0 && first + count == number) {
      ++count;
    } else {
      end_run();
      first = number;
      count = 1;
    }
  }
  end_run();
  batch_numbers_.clear();
  if (!lines_.empty()) append(lines_, false);
}

void RunJournal::named_whole(const copy::CopyResult& result) {
  fsys::FileIdentity identity = result.identity;
  // A file system that copies each file whole says nothing before: the
  // copy is looked at now.
  if (!identity.known()) identity = restorer_.identify(result.job.target).value_or(identity);
  const std::lock_guard lock(mutex_);
  lines_.clear();
  const std::uint64_t number = add_copy(result.job.target, result.job.source, identity);
  char number_text[24];
  if (result.kept.where != fsys::KeptIn::nowhere) {
    append_line(lines_, LineKind::replaced,
                {number_field(number, number_text), kept_word(result.kept.where), result.kept.file,
                 result.kept.record});
  } else {
    append_line(lines_, LineKind::named_copies, {number_field(number, number_text), "1"});
  }
  append(lines_, false);
}

void RunJournal::run_stopped() {
  const std::lock_guard lock(mutex_);
  append(line_of(LineKind::stopped), false);
}

void RunJournal::run_ended() {
  const std::lock_guard lock(mutex_);
  append(line_of(LineKind::ended), true);
}

}  // namespace tolvane::journal
