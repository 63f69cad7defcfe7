// Shared by the tests that run the program onto a real volume on a loop
// device: a whole run read from its --json lines, and the checks that every
// copy on the volume is whole and that no temporary was left behind.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "cli/command_line_run.h"
#include "tests/cli/cli_process.h"
#include "tests/cli/json_reader.h"
#include "tests/support/loop_volume.h"
#include "tests/support/tree_files.h"

// Skips the test when the machine lacks what a loop volume needs, fails it
// when the volume could not be made for another reason.
#define TOLVANE_NEED_VOLUME(volume)                                \
  do {                                                             \
    if ((volume).unavailable()) GTEST_SKIP() << (volume).reason(); \
    ASSERT_TRUE((volume).ready()) << (volume).reason();            \
  } while (false)

namespace tolvane::cli::testing {

// A run as the --json lines tell it.
struct VolumeRun {
  int exit_status = -1;  // -1 when the program did not exit by itself
  std::vector<JsonObject> entries;
  JsonObject summary;

  std::size_t count(const std::string& key) const {
    const auto found = summary.find(key);
    return found == summary.end() ? 0 : std::stoul(found->second.text);
  }
  std::string message() const {
    const auto found = summary.find("message");
    return found == summary.end() ? "(no summary line)" : found->second.text;
  }
};

inline VolumeRun read_run(int wait_status, const std::string& out_file) {
  VolumeRun run;
  if (WIFEXITED(wait_status)) run.exit_status = WEXITSTATUS(wait_status);
  for (JsonObject& line : parse_json_lines(::tolvane::testing::read_file(out_file))) {
    const std::string type = line["type"].text;
    if (type == "entry") run.entries.push_back(std::move(line));
    if (type == "summary") run.summary = std::move(line);
  }
  return run;
}

// Runs the program to its end with `arguments` and --json.
inline VolumeRun run_to_end(std::vector<std::string> arguments, const std::string& out_file) {
  arguments.push_back("--json");
  CliProcess program(arguments, out_file);
  EXPECT_TRUE(program.started());
  return read_run(program.wait(), out_file);
}

// Prints a closing message as the program printed it, one "[ closing ]"
// line a line, so the figures of a run can be quoted from the test's log.
inline void print_closing(const std::string& label, const VolumeRun& run) {
  std::cout << "[ closing  ] " << label << " (exit status " << run.exit_status << "):\n";
  std::string text = run.message();
  for (std::size_t start = 0; start <= text.size();) {
    const std::size_t end = std::min(text.find('\n', start), text.size());
    std::cout << "[ closing  ]   " << text.substr(start, end - start) << "\n";
    start = end + 1;
  }
}

// The paths, relative to `folder`, of the temporaries the program names
// ".tolvane-…" that are below it.
inline std::vector<std::string> temporaries_below(const std::string& folder) {
  std::vector<std::string> found;
  for (const std::string& hidden : ::tolvane::testing::hidden_files_below(folder)) {
    const std::size_t cut = hidden.rfind('/');
    if (hidden.substr(cut == std::string::npos ? 0 : cut + 1).starts_with(".tolvane-")) {
      found.push_back(hidden);
    }
  }
  return found;
}

// How many files below `folder` have a name that is not hidden, without
// reading them: cheap enough to ask while a run goes on.
inline std::size_t visible_files_below(const std::string& folder) {
  namespace fs = std::filesystem;
  std::size_t count = 0;
  std::error_code error;
  for (auto it = fs::recursive_directory_iterator(folder, error);
       !error && it != fs::recursive_directory_iterator(); it.increment(error)) {
    if (it->path().filename().string().starts_with(".")) {
      if (it->is_directory()) it.disable_recursion_pending();
    } else if (it->is_regular_file()) {
      ++count;
    }
  }
  return count;
}

inline std::string joined(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\n";
  return text;
}

}  // namespace tolvane::cli::testing
