// --help: the usage in Chinese, option names in English; the manual page
// tolvane-cli.1.in says the same at length.
#include "cli/help_text.h"

namespace tolvane::cli {

std::string_view help_text() {
  return R"(用法：tolvane-cli SOURCE DEST [--ext .jpg] [--flat] [--dry-run] [--json]
                    [--dot-folders]

读取 SOURCE 文件夹树中扩展名为 --ext 的文件（广度优先，与窗口的“开始读取”相同），
名称含“.”的文件夹（如 photos.old）及其下的一切不读取，只在标准错误输出中列出；
再拷贝到 DEST（与窗口的“拷贝”相同）：每个文件夹名一个子文件夹，文件改名为
“文件夹名(序号)扩展名”，例如 trip 文件夹的第三个文件成为 trip/trip(3).jpg。
源文件只读不写。目标名已被本次拷贝占用时取下一个空闲序号；目标处已有的文件
大小和修改时间相同则不动，不同则先移入回收站（磁盘没有可用的回收站时移入 DEST 下的
“被替换的文件”文件夹，保持原来的相对路径）；名称不可用的条目不拷贝并说明原因。

选项：
  --ext TEXT   扩展名，原样使用（默认 .jpg）；".*" 列出所有文件并保留原名。
               不得含路径分隔符。
  --flat       不建子文件夹，全部拷贝到 DEST 本身（窗口的“目录off”）。
  --dry-run    只列出计划，不写入任何文件：每条一行“源 → 目标”，并标出
               改号、替换（原有文件移入回收站）、与原有文件相同而不拷贝、
               名称不可用或将失败的条目，最后是统计。
  --dot-folders
               名称含“.”的文件夹也读取（窗口略过它们）；含“.”的文件名
               仍不当作文件夹。
  --json       每行一个 JSON 对象：每条的 source、target、outcome
               （copied/replaced/set_aside/unchanged/failed）、renumbered、reason，
               最后一个 summary 对象（folders_left_out 是因名称含“.”而
               略过的文件夹数）。非 UTF-8 的路径字节写作 U+FFFD，原始字节以
               十六进制另存于 source_hex / target_hex。
  -h, --help   显示本说明。
  --           其后的参数都不是选项。

SOURCE 和 DEST 与窗口的文本框一样：不得为空，也不得以路径分隔符结尾。
标准错误输出是终端时显示进度（百分比、条数、每秒文件数、剩余时间）。

退出状态：0 全部拷贝成功；1 有条目失败（预演时：有条目将失败）；
          2 用法错误、SOURCE 无法读取、DEST 不存在/不是文件夹/不可写入、
            --ext 含路径分隔符。
)";
}

}  // namespace tolvane::cli
