// A plain stand-in for the window during a scan: it records the file list
// and can change the extension text or ask to stop at a chosen yield.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "scan/scan_front_end.h"

namespace tolvane::testing {

class RecordingScanWindow : public scan::ScanFrontEnd {
 public:
  using Entry = std::pair<std::string, std::string>;  // path, tag

  explicit RecordingScanWindow(std::string extension) : extension_(std::move(extension)) {}

  std::string extension_text() override {
    ++extension_reads;
    return extension_;
  }
  void append_file(std::string_view path, std::string_view tag) override {
    entries.emplace_back(std::string(path), std::string(tag));
  }
  bool yield() override {
    ++yields;
    if (on_yield) on_yield(*this);
    return yields != stop_at_yield;
  }

  void set_extension(std::string extension) { extension_ = std::move(extension); }

  std::vector<Entry> entries;
  std::size_t yields = 0;
  std::size_t extension_reads = 0;
  std::size_t stop_at_yield = 0;  // 0: never stop
  std::function<void(RecordingScanWindow&)> on_yield;

 private:
  std::string extension_;
};

}  // namespace tolvane::testing
