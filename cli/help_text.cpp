// --help: the usage in Chinese, option names in English, each text wrapped to
// 80 columns.  The options' own words come from the option table, which the
// manual page reads too, so a new option shows in both by being declared
// there.
#include "cli/help_text.h"

#include <array>
#include <string_view>

#include "cli/line_breaking.h"
#include "cli/option_table.h"

namespace tolvane::cli {
namespace {

// A terminal's width; Chinese characters take two columns of it.
constexpr std::size_t line_width = 80;

constexpr std::string_view synopsis =
    R"(用法：tolvane-cli SOURCE DEST [--ext .jpg] [--flat] [--dry-run] [--json]
                  [--dot-folders]
      tolvane-cli --undo DEST [--dry-run] [--json]
)";

// What the command does, paragraph by paragraph.
constexpr std::array<std::string_view, 3> description{
    "先读取 SOURCE 文件夹树中扩展名为 --ext 的文件（广度优先，与窗口的“开始读取”相同）：名称含“.”"
    "的文件夹（如 "
    "photos.old）及其下的一切不读取，只在标准错误输出中说明其数目和前几个；隐藏的文件和文件夹从不"
    "读取（Linux 上名称以“.”开头的，Windows 上带隐藏或系统属性的）。",
    "再拷贝到 DEST（与窗口的“拷贝”相同）：每个文件夹名一个子文件夹，文件改名为“文件夹名(序号)"
    "扩展名”，例如 trip 文件夹的第三个文件成为 trip/trip(3).jpg。源文件只读不写。DEST 不存在时"
    "先新建（连同其上缺少的文件夹），并在标准错误输出中说明。",
    "目标名已被本次拷贝或源文件占用时取下一个空闲序号。目标处已有文件时，与源文件大小和修改时间"
    "都相同则不动，不同则先把它移入回收站（Linux 上为该磁盘的 freedesktop.org 回收站，Windows 上"
    "为回收站）；该磁盘没有可用的回收站时，它按原来的相对路径移入 DEST 下的“被替换的文件”文件夹。"
    "名称不可用的条目不拷贝，并说明原因。",
};

// After the options: what holds for every run.
constexpr std::string_view closing =
    "SOURCE 和 DEST 与窗口的文本框一样：不得为空，也不得以路径分隔符结尾。标准错误输出是终端时"
    "显示进度（百分比、条数、每秒文件数、剩余时间）。";

struct ExitStatus {
  std::string_view status;
  std::string_view meaning;
};
constexpr std::array<ExitStatus, 3> exit_statuses{{
    {"0", "全部拷贝成功。"},
    {"1", "有条目失败，有文件夹无法读取（读取不完整），或拷贝最后写入磁盘时出错；预演时同样。"},
    {"2",
     "用法错误，SOURCE 无法读取，SOURCE 或 DEST 为空或以路径分隔符结尾，DEST 是文件、不可写入"
     "或无法新建，或 --ext 含路径分隔符。"},
}};

// Where an option's description starts, so the descriptions line up.
constexpr std::size_t option_column = 15;
constexpr std::size_t status_column = 5;

// `text` wrapped from `column` to the line's end, `lead` before its first
// line; a lead that leaves less than two blanks before `column` takes a line
// of its own.
void append_wrapped(std::string& out, std::string_view lead, std::size_t column,
                    std::string_view text) {
  out.append(lead);
  const std::size_t used = display_width(lead);
  if (used + 2 <= column) {
    out.append(column - used, ' ');
  } else if (used > 0) {
    out.append("\n").append(column, ' ');
  }
  bool first = true;
  for (const std::string& line : wrap_lines(text, line_width - column)) {
    if (!first) out.append(column, ' ');
    out.append(line).append("\n");
    first = false;
  }
}

}  // namespace

std::string help_text() {
  std::string text(synopsis);
  for (std::string_view paragraph : description) {
    text.append("\n");
    append_wrapped(text, "", 0, paragraph);
  }
  text.append("\n选项：\n");
  for (const OptionRow& row : option_table()) {
    append_wrapped(text, "  " + option_label(row), option_column, row.help);
  }
  text.append("\n");
  append_wrapped(text, "", 0, closing);
  text.append("\n退出状态：\n");
  for (const ExitStatus& exit : exit_statuses) {
    append_wrapped(text, std::string("  ").append(exit.status), status_column, exit.meaning);
  }
  return text;
}

}  // namespace tolvane::cli
