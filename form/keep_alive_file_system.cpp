// The keep-alive pass-through: every call goes to the inner file system.
#include "form/keep_alive_file_system.h"

namespace tolvane::form {
namespace {

// Well inside the few seconds after which desktops call a window hung, and
// rare enough that a walk of small folders does not pay for it.
constexpr std::chrono::milliseconds keep_alive_interval{50};

}  // namespace

KeepAliveFileSystem::KeepAliveFileSystem(fsys::FileSystem& inner, Form1Controls& controls)
    : inner_(inner), controls_(controls), last_(std::chrono::steady_clock::now()) {}

void KeepAliveFileSystem::breathe() {
  if (std::chrono::steady_clock::now() - last_ < keep_alive_interval) return;
  controls_.keep_alive();
  last_ = std::chrono::steady_clock::now();
}

fsys::FolderContents KeepAliveFileSystem::read_folder(const std::string& folder) {
  breathe();
  return inner_.read_folder(folder);
}

std::error_code KeepAliveFileSystem::copy_file(const std::string& source, const std::string& target,
                                               fsys::CopyOutcome& outcome) {
  breathe();
  return inner_.copy_file(source, target, outcome);
}

std::error_code KeepAliveFileSystem::move_to_trash(const std::string& path) {
  return inner_.move_to_trash(path);
}

std::error_code KeepAliveFileSystem::flush() { return inner_.flush(); }

std::error_code KeepAliveFileSystem::make_folder(const std::string& folder) {
  return inner_.make_folder(folder);
}

bool KeepAliveFileSystem::folder_exists(const std::string& folder) {
  return inner_.folder_exists(folder);
}

}  // namespace tolvane::form
