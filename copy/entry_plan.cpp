// Per entry, in list order: folder, running number, target; exactly the
// steps the serial run always took, so a parallel run names every copy the
// same way.
#include "copy/entry_plan.h"

#include <optional>
#include <string_view>

#include "copy/naming.h"

namespace tolvane::copy {
namespace {

std::error_code unusable_name() { return std::make_error_code(std::errc::invalid_argument); }

}  // namespace

EntryPlanner::EntryPlanner(const CopyRequest& request, fsys::FileSystem& file_system,
                           RunRecorder* recorder)
    : request_(request),
      destination_(request.destination),
      file_system_(file_system),
      recorder_(recorder),
      entries_(request.entries.size()) {
  // On a volume that folds letter case, folders "Trip" and "trip" are one,
  // and so are the names trip(1).jpg and Trip(1).jpg in it.
  if (entries_ > 0 && file_system_.folds_letter_case(destination_)) targets_.fold_letter_case();
  targets_.reserve(entries_);
  for (std::size_t i = 0; i < entries_; ++i) {
    const std::string source(request_.entries.path(i));
    // An earlier copy's name is free for this run's copy of the same file,
    // which the quick check then finds unchanged.
    if (recorder_ != nullptr && recorder_->earlier_copy(source)) {
      if (left_out_.empty()) left_out_.resize(entries_, false);
      left_out_[i] = true;
      continue;
    }
    targets_.add_source(source);
  }
}

std::error_code EntryPlanner::ensure_folder(const std::string& folder) {
  auto [known, inserted] = folder_outcome_.try_emplace(targets_.key(folder));
  if (inserted && !file_system_.folder_exists(folder)) {
    std::error_code error = file_system_.make_folder(folder);
    // Another program may have made it since the test: the folder is
    // there, which is all this run needs.
    if (error == std::errc::file_exists && file_system_.folder_exists(folder)) {
      error.clear();
    } else if (!error && recorder_ != nullptr) {
      recorder_->folder_made(folder);
    }
    known->second = error;
  }
  return known->second;
}

void EntryPlanner::begin(std::size_t index) {
  index_ = index;
  source_ = request_.entries.path(index);
  tag_ = request_.entries.tag(index);

  const bool flat = request_.flat;
  // Entries of one tag follow each other: its folder and its names are
  // looked at when the tag changes.
  if (index == 0 || tag_ != previous_tag_) {
    folder_ = destination_folder(destination_, tag_, flat);
    // A tag such as ".." would put the per-tag folder outside the root.
    folder_named_ = flat || tag_.empty() || is_single_name(tag_);
    folder_error_ = flat || !folder_named_ ? std::error_code() : ensure_folder(folder_);
    folder_new_ = folder_named_ && !folder_error_ && file_system_.holds_only_this_run(folder_);
    // The extension is typed by the user: it may hold a separator or "..",
    // and no copy may land outside its folder.  The number cannot spoil a
    // numbered name.
    numbered_name_usable_ = is_single_name(numbered_target("", tag_, 1, request_.extension));
  }

  number_ = running_number(
      index == 0 ? std::nullopt : std::optional<std::string_view>(previous_tag_), number_, tag_);
  previous_tag_ = tag_;
}

bool EntryPlanner::finish(CopyJob& job, CopyFailure& failure) {
  if (!folder_named_) {
    failure = {index_, source_, folder_, CopyOperation::check_name, unusable_name()};
    return false;
  }
  if (folder_error_) {
    failure = {index_, source_, folder_, CopyOperation::make_folder, folder_error_};
    return false;
  }
  const std::string& extension = request_.extension;
  const bool keep_name = naming_mode(extension) == NamingMode::keep_name;
  if (keep_name ? !is_single_name(file_name_of(source_)) : !numbered_name_usable_) {
    const std::string name = keep_name ? std::string(file_name_of(source_))
                                       : numbered_target("", tag_, number_, extension);
    failure = {index_, source_, folder_ + name, CopyOperation::check_name, unusable_name()};
    return false;
  }
  job.index = index_;
  job.source = source_;
  if (keep_name) {
    const std::string_view name = file_name_of(source_);
    job.target = targets_.claim_kept(folder_, name);
    job.renumbered = job.target.size() != folder_.size() + name.size();
  } else {
    job.target = targets_.claim_numbered(folder_, tag_, number_, extension, &job.renumbered);
  }
  job.parts = {number_, keep_name};
  job.in_new_folder = folder_new_;
  return true;
}

void EntryPlanner::renumber(CopyJob& job) {
  const TargetParts& parts = job.parts;
  const std::string_view tag = request_.entries.tag(job.index);
  const std::string folder = destination_folder(destination_, tag, request_.flat);
  // The held target is claimed already, so each claim gives a new name.
  job.target = parts.keep_name
                   ? targets_.claim_kept(folder, file_name_of(job.source))
                   : targets_.claim_numbered(folder, tag, parts.number, request_.extension);
  job.renumbered = true;
}

}  // namespace tolvane::copy
