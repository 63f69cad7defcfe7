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

std::error_code FaultyFileSystem::copy_file(const std::string& source, const std::string& target,
                                            fsys::CopyOutcome& outcome) {
  {
    const std::lock_guard lock(mutex_);
    seen_.most_at_once = std::max(seen_.most_at_once, ++under_way_);
  }
  std::this_thread::sleep_for(copy_delay);
  outcome = fsys::CopyOutcome::copied;
  const Fault* fault = next_call(FsOperation::copy_file, target);
  const std::error_code error = fault ? fault->error : inner().copy_file(source, target, outcome);
  const std::lock_guard lock(mutex_);
  --under_way_;
  ++ended_;
  return error;
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
