// The quick check on Windows, for the copy and for a plan's look ahead.
#include "fsys/win32/quick_check.h"

#include <cstdint>

#include "fsys/quick_check.h"
#include "fsys/win32/path.h"

namespace tolvane::fsys {
namespace win32 {
namespace {

std::uint64_t ticks(const FILETIME& time) {
  return (std::uint64_t{time.dwHighDateTime} << 32) | time.dwLowDateTime;
}

}  // namespace

std::optional<WIN32_FILE_ATTRIBUTE_DATA> file_data(const std::wstring& path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return std::nullopt;
  return data;
}

bool looks_unchanged(const WIN32_FILE_ATTRIBUTE_DATA& existing,
                     const WIN32_FILE_ATTRIBUTE_DATA& source) {
  if (existing.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return false;
  if (existing.nFileSizeHigh != source.nFileSizeHigh ||
      existing.nFileSizeLow != source.nFileSizeLow) {
    return false;
  }
  // FILETIME counts 100 ns ticks.
  return same_modification_time(static_cast<std::int64_t>(ticks(existing.ftLastWriteTime)),
                                static_cast<std::int64_t>(ticks(source.ftLastWriteTime)),
                                10'000'000);
}

}  // namespace win32

bool target_looks_unchanged(const std::string& source, const std::string& target) {
  const std::optional<WIN32_FILE_ATTRIBUTE_DATA> existing = win32::file_data(win32::long_path(target));
  const std::optional<WIN32_FILE_ATTRIBUTE_DATA> original = win32::file_data(win32::long_path(source));
  return existing && original && win32::looks_unchanged(*existing, *original);
}

}  // namespace tolvane::fsys
