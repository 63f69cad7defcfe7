// Each option's names, its words for --help and the manual page, and what it
// sets.  The words are Chinese, the option names English.
#include "cli/option_table.h"

#include <array>

namespace tolvane::cli {
namespace {

constexpr std::array<OptionRow, 8> table{{
    {"--ext", "", "TEXT", true, "--ext 后缺少扩展名，例如 --ext .png",
     "要读取的扩展名，默认为 .jpg：列出名称以它结尾的文件（英文字母不分大小写），"
     "拷贝的新名称原样以它结尾。“.*”列出所有不隐藏的文件并保留原名，同一文件夹中重名的"
     "拷贝在扩展名前加“(2)”“(3)”……，如 a(2).jpg。不得含路径分隔符。",
     "其中的“*”和“?”是通配符，与窗口的“扩展名：”相同。也可写作 --ext=TEXT。",
     [](Options& options, std::string_view value) { options.extension = value; }},
    {"--flat", "", "", false, "", "不建子文件夹，全部拷贝到 DEST 本身（窗口的“目录off”）。",
     "新名称仍是“文件夹名(序号)扩展名”。",
     [](Options& options, std::string_view) { options.flat = true; }},
    {"--dry-run", "", "", false, "",
     "只列出计划，不写入任何文件：每条一行“源 → 目标”，在【】中注明另取序号、替换原有文件"
     "（移入回收站或“被替换的文件”文件夹）、编号变动（目标处是之前拷贝的另一个源文件）、"
     "与原有文件相同而不拷贝、之前拷贝到 DEST 而不再拷贝、将失败及其原因的条目，"
     "最后是统计。",
     "也不新建 DEST，不写拷贝记录。计划由真正的拷贝代码在一个只读取、不写入的文件系统上得出，"
     "因此与随后的真正拷贝一致；磁盘已满、无写入权限等写入时才出现的错误除外。",
     [](Options& options, std::string_view) { options.dry_run = true; }},
    {"--dot-folders", "", "", false, "",
     "名称含“.”的文件夹也读取（窗口略过它们）；隐藏的文件夹（如 Linux 上的 .cache）仍不读取。",
     "不加此选项时与窗口相同：名称含“.”的文件夹（如 photos.old、2019.06 旅行）及其下的一切"
     "都不读取，只在标准错误输出中报告其数目和前几个的路径，计数行末尾加“，N个文件夹略过”。",
     [](Options& options, std::string_view) { options.dot_folders = true; }},
    {"--json", "", "", false, "",
     "每行输出一个 JSON 对象：每个条目一个，含 source、target、outcome（copied、replaced、"
     "set_aside、unchanged、earlier_copy 或 failed）、renumbered 和 reason；最后一个是 "
     "summary，含各项计数、message 和 exit_status。非 UTF-8 的路径中每个无效字节写作 "
     "U+FFFD，原始字节以十六进制另存于 source_hex / target_hex。",
     "条目对象的 type 为 entry，index 是它在列表中的序号；outcome 中，copied 是新拷贝，"
     "replaced 是替换、原有文件已移入回收站，set_aside 是替换、因该磁盘没有可用的回收站，"
     "原有文件已按原来的相对路径移入 DEST 下的“被替换的文件”文件夹，unchanged 是已有文件与"
     "源文件大小和修改时间相同、未重新拷贝，earlier_copy 是之前拷贝到 DEST 的文件、这次未再"
     "拷贝，failed 是失败；renumbered 为 true 时目标另取了序号；replaces_copy_of 是目标处"
     "原有的、之前拷贝的另一个源文件（编号变动），否则为 null；reason 是失败原因，否则为 "
     "null。summary 对象的 type 为 summary，含 dry_run、listed、folders_unreadable（无法读取"
     "的文件夹数）、folders_left_out（因名称含“.”而略过的文件夹数）、entries、copied、"
     "replaced、set_aside、unchanged、earlier_copies、renumbered、replaced_earlier_copies（其中"
     "因编号变动替换之前拷贝的文件数）、failed、message（窗口消息框的文字或预演的统计）和 "
     "exit_status。十六进制为小写。",
     [](Options& options, std::string_view) { options.json = true; }},
    {"--undo", "", "DEST", false, "",
     "撤销上次拷贝到 DEST 的文件：未改动的拷贝删除（其源文件已不在或已改动时移入回收站），"
     "被替换的文件放回原名，新建的空文件夹移除；拷贝后有改动的文件保留并列出。--dry-run "
     "只列出计划；--json 每步一个对象。退出状态：0 全部撤销，1 有文件保留，2 没有可撤销的拷贝。"
     "DEST 在 SOURCE 之内时，之后的拷贝不把之前拷贝到 DEST、未撤销也未改动的文件当作源文件"
     "再拷贝一次。",
     "与窗口右键菜单的“撤销上次拷贝”相同。每次拷贝的记录所在见“文件”一节。",
     [](Options& options, std::string_view) { options.undo = true; }},
    {"--help", "-h", "", false, "", "显示本说明。", "",
     [](Options& options, std::string_view) { options.help = true; }},
    {"--", "", "", false, "", "其后的参数都不是选项。", "", nullptr},
}};

}  // namespace

std::span<const OptionRow> option_table() { return table; }

std::string option_label(const OptionRow& row) {
  std::string label;
  if (!row.short_name.empty()) label.append(row.short_name).append(", ");
  label.append(row.long_name);
  if (!row.argument_name.empty()) label.append(" ").append(row.argument_name);
  return label;
}

}  // namespace tolvane::cli
