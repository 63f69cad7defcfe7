// The fault-injecting wrapper: counts every call per operation and fails the
// planned ones without touching the real file system.
#include "tests/support/faulty_file_system.h"

#include <algorithm>
#include <thread>

namespace tolvane::testing {

const Fault* FaultyFileSystem::next_call(FsOperation operation, const std::string& path) {
  const std::lock_guard lock(mutex_);
  const std::size_t call = ++calls_[static_cast<std::size_t>(operation)];
  for (const Fault& fault : faults_) {
    if (fault.operation == operation && (fault.nth == 0 ? fault.path == path : fault.nth == call)) {
      ++injected_;
      struck_.push_back(path);
      return &fault;
    }
  }
  return nullptr;
}

fsys::FolderContents FaultyFileSystem::read_folder(const std::string& folder) {
  if (const Fault* fault = next_call(FsOperation::read_folder, folder)) {
    return {{}, fault->error};
  }
  return inner().read_folder(folder);
}

fsys::CopyStart FaultyFileSystem::start_copy(const std::string& source, const std::string& target,
                                             fsys::LookAlike look_alike) {
  {
    const std::lock_guard lock(mutex_);
    seen_.most_at_once = std::max(seen_.most_at_once, ++under_way_);
  }
  std::this_thread::sleep_for(copy_delay);
  fsys::CopyStart start;
  if (const Fault* fault = next_call(FsOperation::start_copy, target)) {
    start.error = fault->error;
  } else {
    start = inner().start_copy(source, target, look_alike);
  }
  const std::lock_guard lock(mutex_);
  --under_way_;
  if (start.staged) {
    staged_targets_[start.staged.get()] = target;
  } else {
    ++ended_;
  }
  return start;
}

std::string FaultyFileSystem::target_of(const fsys::StagedCopy* staged) {
  const std::lock_guard lock(mutex_);
  const auto found = staged_targets_.find(staged);
  return found == staged_targets_.end() ? std::string() : found->second;
}

void FaultyFileSystem::ended() {
  const std::lock_guard lock(mutex_);
  ++ended_;
}

void FaultyFileSystem::flush_staged(std::vector<fsys::CopyNaming>& batch) {
  // A batch's flush fails as a whole, as a syncfs of its volume would; a
  // path fault fails only that copy's data.
  const Fault* whole = next_call(FsOperation::flush_staged, "");
  for (fsys::CopyNaming& naming : batch) {
    if (!naming.staged) continue;
    const Fault* fault = whole;
    if (fault == nullptr) {
      const std::string target = target_of(naming.staged.get());
      for (const Fault& planned : faults_) {
        if (planned.operation == FsOperation::flush_staged && planned.nth == 0 &&
            planned.path == target) {
          fault = &planned;
          const std::lock_guard lock(mutex_);
          ++injected_;
          struck_.push_back(target);
        }
      }
    }
    if (fault == nullptr) continue;
    naming.error = fault->error;
    {
      const std::lock_guard lock(mutex_);
      staged_targets_.erase(naming.staged.get());
    }
    naming.staged.reset();
    ended();
  }
  inner().flush_staged(batch);
}

void FaultyFileSystem::name_copies(std::vector<fsys::CopyNaming>& batch) {
  std::vector<const fsys::StagedCopy*> ending;
  std::vector<std::string> naming_targets;
  for (fsys::CopyNaming& naming : batch) {
    if (!naming.staged) continue;
    ending.push_back(naming.staged.get());
    const std::string target = target_of(naming.staged.get());
    if (const Fault* fault = next_call(FsOperation::name_copy, target)) {
      naming.error = fault->error;
      naming.staged.reset();
    } else {
      naming_targets.push_back(target);
    }
  }
  if (before_naming && !naming_targets.empty()) before_naming(naming_targets);
  inner().name_copies(batch);
  const std::lock_guard lock(mutex_);
  for (const fsys::StagedCopy* staged : ending) staged_targets_.erase(staged);
  ended_ += static_cast<int>(ending.size());
}

std::error_code FaultyFileSystem::flush() {
  {
    const std::lock_guard lock(mutex_);
    seen_.under_way_at_flush = under_way_;
    seen_.ended_at_flush = ended_;
  }
  if (const Fault* fault = next_call(FsOperation::flush, "")) return fault->error;
  return inner().flush();
}

FaultyFileSystem::CopiesSeen FaultyFileSystem::copies_seen() const {
  const std::lock_guard lock(mutex_);
  return seen_;
}

std::error_code FaultyFileSystem::make_folder(const std::string& folder) {
  if (const Fault* fault = next_call(FsOperation::make_folder, folder)) return fault->error;
  return inner().make_folder(folder);
}

bool FaultyFileSystem::folder_exists(const std::string& folder) {
  const bool truth = inner().folder_exists(folder);
  if (next_call(FsOperation::folder_exists, folder) != nullptr) return !truth;
  return truth;
}

std::size_t FaultyFileSystem::calls(FsOperation operation) const {
  const std::lock_guard lock(mutex_);
  return calls_[static_cast<std::size_t>(operation)];
}

std::size_t FaultyFileSystem::injected() const {
  const std::lock_guard lock(mutex_);
  return injected_;
}

std::vector<std::string> FaultyFileSystem::struck() const {
  const std::lock_guard lock(mutex_);
  return struck_;
}

}  // namespace tolvane::testing
