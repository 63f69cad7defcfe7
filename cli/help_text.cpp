// --help: the usage in Chinese, option names in English; the manual page
// tolvane-cli.1.in says the same at length.  The options' own lines come
// from the option table, so a new option shows here by being declared there.
#include "cli/help_text.h"

#include <string_view>

#include "cli/option_table.h"

namespace tolvane::cli {
namespace {

// Before the options: how the command is called and what it does.
constexpr std::string_view usage =
    R"(用法：tolvane-cli SOURCE DEST [--ext .jpg] [--flat] [--dry-run] [--json]
                    [--dot-folders]
      tolvane-cli --undo DEST [--dry-run] [--json]

读取 SOURCE 文件夹树中扩展名为 --ext 的文件（广度优先，与窗口的“开始读取”相同），
名称含“.”的文件夹（如 photos.old）及其下的一切不读取，只在标准错误输出中列出；
隐藏的文件和文件夹从不读取（Linux 上名称以“.”开头的，Windows 上带隐藏或系统属性的）。
再拷贝到 DEST（与窗口的“拷贝”相同）：每个文件夹名一个子文件夹，文件改名为
“文件夹名(序号)扩展名”，例如 trip 文件夹的第三个文件成为 trip/trip(3).jpg。
源文件只读不写。DEST 不存在时先新建（连同其上缺少的文件夹），并在标准错误输出中说明。
目标名已被本次拷贝或源文件占用时取下一个空闲序号。目标处已有的文件大小和修改时间
相同则不动，不同则先移入回收站（Linux 上为该磁盘的 freedesktop.org 回收站，Windows 上
为回收站）；该磁盘没有可用的回收站时（Linux 与 Windows 相同），原有文件按原来的相对路径
移入 DEST 下的“被替换的文件”文件夹。名称不可用的条目不拷贝并说明原因。

选项：
)";

// After them, past a blank line: what holds for every run.
constexpr std::string_view closing = R"(
SOURCE 和 DEST 与窗口的文本框一样：不得为空，也不得以路径分隔符结尾。
标准错误输出是终端时显示进度（百分比、条数、每秒文件数、剩余时间）。

退出状态：0 全部拷贝成功；
          1 有条目失败，或有文件夹无法读取（读取不完整）；预演时同样；
          2 用法错误、SOURCE 无法读取、DEST 是文件或不可写入、DEST 无法新建、
            --ext 含路径分隔符。
)";

// Where each option's description starts, so the descriptions line up: a
// label that leaves less than two blanks before it takes a line of its own.
constexpr std::size_t label_indent = 2;
constexpr std::size_t description_column = 15;

void append_option(std::string& text, const OptionRow& row) {
  const std::string label = option_label(row);
  text.append(label_indent, ' ').append(label);
  const std::size_t used = label_indent + label.size();
  if (used + 2 <= description_column) {
    text.append(description_column - used, ' ');
  } else {
    text.append("\n").append(description_column, ' ');
  }
  std::string_view lines = row.help;
  for (std::size_t end = lines.find('\n'); end != std::string_view::npos; end = lines.find('\n')) {
    text.append(lines.substr(0, end + 1)).append(description_column, ' ');
    lines.remove_prefix(end + 1);
  }
  text.append(lines).append("\n");
}

}  // namespace

std::string help_text() {
  std::string text(usage);
  for (const OptionRow& row : option_table()) append_option(text, row);
  text.append(closing);
  return text;
}

}  // namespace tolvane::cli
