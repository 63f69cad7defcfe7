// --help: the usage in Chinese, option names in English; the manual page
// tolvane-cli.1.in says the same at length.
#include "cli/help_text.h"

namespace tolvane::cli {

std::string_view help_text() {
  return R"(用法：tolvane-cli SOURCE DEST [--ext .jpg] [--flat] [--dry-run] [--json]
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
  --ext TEXT   扩展名，原样使用（默认 .jpg）；“.*”列出所有不隐藏的文件并保留原名，
               同一文件夹中重名的拷贝在扩展名前加“(2)”“(3)”……，如 a(2).jpg。
               不得含路径分隔符。
  --flat       不建子文件夹，全部拷贝到 DEST 本身（窗口的“目录off”）。
  --dry-run    只列出计划，不写入任何文件：每条一行“源 → 目标”，并在【】中标出
               改号、替换（原有文件移入回收站或“被替换的文件”）、与原有文件相同
               而不拷贝、将失败（及原因）的条目，最后是统计。
  --dot-folders
               名称含“.”的文件夹也读取（窗口略过它们）；隐藏的文件夹（如 Linux 上的
               .cache）仍不读取，含“.”的文件名仍不当作文件夹。
  --json       每行一个 JSON 对象：每条的 source、target、outcome
               （copied/replaced/set_aside/unchanged/failed）、renumbered、reason，
               最后一个 summary 对象（folders_unreadable 是无法读取的文件夹数，
               folders_left_out 是因名称含“.”而略过的文件夹数，set_aside 是原有文件
               移入“被替换的文件”的条数，earlier_copies 是之前拷贝到 DEST、这次未再
               拷贝的条数）。非 UTF-8 的路径字节写作 U+FFFD，原始字节以
               十六进制另存于 source_hex / target_hex。
  --undo DEST  撤销上次拷贝到 DEST 的文件：未改动的拷贝删除（源文件已不在或已改动时
               移入回收站），被替换的文件放回原名，新建的空文件夹移除；拷贝后有改动
               的文件保留并列出。--dry-run 只列出计划；--json 每步一个对象。
               退出状态：0 全部撤销，1 有文件保留，2 没有可撤销的拷贝。
               之后的拷贝不再拷贝之前拷贝到同一目录的文件。
  -h, --help   显示本说明。
  --           其后的参数都不是选项。

SOURCE 和 DEST 与窗口的文本框一样：不得为空，也不得以路径分隔符结尾。
标准错误输出是终端时显示进度（百分比、条数、每秒文件数、剩余时间）。

退出状态：0 全部拷贝成功；
          1 有条目失败，或有文件夹无法读取（读取不完整）；预演时同样；
          2 用法错误、SOURCE 无法读取、DEST 是文件或不可写入、DEST 无法新建、
            --ext 含路径分隔符。
)";
}

}  // namespace tolvane::cli
