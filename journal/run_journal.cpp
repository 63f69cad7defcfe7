// Journal lines as the run goes: "folder", "naming" before a batch takes its
// names (then synced), "named" after each copy, "stopped" when the user
// stopped the run, "ended" at the end.  Every path is written absolute, so
// that undo finds it from any folder.
#include "journal/run_journal.h"

#include "fsys/path_key.h"
#include "fsys/path_separator.h"
#include "fsys/resolved_path.h"
#include "journal/journal_lines.h"
#include "journal/recorded_run.h"

namespace tolvane::journal {
namespace {

std::vector<std::string> identity_fields(std::string target, std::string source,
                                         const fsys::FileIdentity& identity) {
  return {std::move(target), std::move(source), std::to_string(identity.size),
          std::to_string(identity.modified), identity.file_id};
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

std::string RunJournal::absolute(const std::string& path) {
  if (path.starts_with(root_)) {
    std::string absolute = absolute_root_;
    absolute.append(path, root_.size());
    return absolute;
  }
  const std::size_t cut = path.rfind(fsys::separator);
  // Built by appending: GCC 12 at -O3 (the package's build) takes a sum of
  // strings here for an overlapping copy and refuses it.
  std::string folder;
  if (cut == std::string::npos) {
    folder.push_back('.');
    folder.push_back(fsys::separator);
  } else {
    folder.assign(path, 0, cut + 1);
  }
  if (folder != last_folder_) {
    last_folder_ = folder;
    last_absolute_folder_ = fsys::absolute_folder(folder);
    last_absolute_folder_.push_back(fsys::separator);
  }
  std::string absolute = last_absolute_folder_;
  absolute.append(path, cut == std::string::npos ? 0 : cut + 1);
  return absolute;
}

void RunJournal::append(const std::string& text, bool sync) {
  // A journal that cannot be written costs the run its undo, never a copy;
  // the run says so at its end.
  if (!file_) return;
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
  const RecordedRun run = parse_journal(unfinished_run_, *text);
  if (!run.writer) return;
  for (const std::string& folder : run.folders_written()) {
    restorer_.remove_temporaries(folder, *run.writer);
  }
}

bool RunJournal::earlier_copy(const std::string& source) {
  // Every earlier copy lies in the destination, and a source listed there
  // is spelled as the destination is, as typed or resolved: resolving the
  // folder of every source (a readlink per step of its path) would cost a
  // re-run a fifth of its time.
  const std::string source_key = fsys::path_key(source);
  if (!source_key.starts_with(typed_root_key_) && !source_key.starts_with(root_key_)) return false;
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
  // The naming thread asks while the run's thread may make a folder
  // absolute: one lock for both, and for the first read.
  const std::lock_guard lock(mutex_);
  const EarlierCopies& earlier = this->earlier();
  if (earlier.empty()) return {};
  const std::string target = absolute(job.target);
  const auto found = earlier.find(fsys::path_key(target));
  if (found == earlier.end()) return {};
  // The same source's own copy is no renumbering: a re-run over a changed
  // source replaces it in place.
  const EarlierCopy& copy = found->second;
  if (fsys::path_key(copy.source) == fsys::path_key(absolute(job.source))) return {};
  // Changed since that run, it is the user's file, no longer our copy.
  const std::optional<fsys::FileIdentity> now = restorer_.identify(target);
  if (!now || !fsys::same_file_as_recorded(*now, copy.identity)) return {};
  return copy.source;
}

void RunJournal::folder_made(const std::string& folder) {
  const std::lock_guard lock(mutex_);
  append(line_of(LineKind::folder, {absolute(folder)}), false);
}

void RunJournal::naming(const std::vector<copy::CopyJob>& jobs,
                        const std::vector<fsys::CopyNaming>& namings) {
  std::string lines;
  const std::lock_guard lock(mutex_);
  for (std::size_t k = 0; k < jobs.size(); ++k) {
    if (!namings[k].staged) continue;
    lines += line_of(
        LineKind::naming,
        identity_fields(absolute(jobs[k].target), absolute(jobs[k].source), namings[k].identity));
  }
  if (!lines.empty()) append(lines, true);
}

void RunJournal::named(const copy::CopyResult& result) {
  fsys::FileIdentity identity = result.identity;
  // A file system that copies each file whole says nothing before: the
  // copy is looked at now.
  if (!identity.known()) identity = restorer_.identify(result.job.target).value_or(identity);
  const std::lock_guard lock(mutex_);
  std::vector<std::string> fields =
      identity_fields(absolute(result.job.target), absolute(result.job.source), identity);
  fields.emplace_back(kept_word(result.kept.where));
  fields.push_back(result.kept.file);
  fields.push_back(result.kept.record);
  append(line_of(LineKind::named, fields), false);
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
