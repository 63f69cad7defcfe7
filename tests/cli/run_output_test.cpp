// The --json lines for each outcome a copy can have, the set-aside one
// included: one word per entry, one count per outcome in the summary, and
// every entry counted exactly once.
#include "cli/run_output.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "tests/cli/json_reader.h"

namespace tolvane::cli {
namespace {

TEST(RunOutputJson, EachOutcomeHasItsWordAndItsCount) {
  std::ostringstream out;
  Options options;
  options.json = true;
  RunOutput output(out, options);
  const std::vector<fsys::CopyOutcome> outcomes = {
      fsys::CopyOutcome::copied,    fsys::CopyOutcome::set_aside, fsys::CopyOutcome::replaced,
      fsys::CopyOutcome::set_aside, fsys::CopyOutcome::unchanged,
  };
  copy::CopyReport report;
  for (std::size_t i = 0; i < outcomes.size(); ++i) {
    copy::EntryResult result;
    result.index = i;
    result.source = "s";
    result.target = "t";
    result.outcome = outcomes[i];
    output.entry(result);
  }
  report.entries = outcomes.size();
  output.finish(report, "已完成5条。", 0);

  const std::vector<testing::JsonObject> lines = testing::parse_json_lines(out.str());
  ASSERT_EQ(lines.size(), outcomes.size() + 1);
  std::vector<std::string> words;
  for (std::size_t i = 0; i < outcomes.size(); ++i) words.push_back(lines[i].at("outcome").text);
  EXPECT_EQ(words, (std::vector<std::string>{"copied", "set_aside", "replaced", "set_aside",
                                             "unchanged"}));
  const testing::JsonObject& summary = lines.back();
  EXPECT_EQ(summary.at("copied").text, "1");
  EXPECT_EQ(summary.at("replaced").text, "1");
  EXPECT_EQ(summary.at("set_aside").text, "2");
  EXPECT_EQ(summary.at("unchanged").text, "1");
  EXPECT_EQ(summary.at("failed").text, "0");
}

}  // namespace
}  // namespace tolvane::cli
