// Each option's names, its --help lines and what it sets.  The texts are in
// Chinese, the option names in English; tolvane-cli.1.utf8 says the same at
// length.
#include "cli/option_table.h"

#include <array>

namespace tolvane::cli {
namespace {

constexpr std::array<OptionRow, 8> table{{
    {"--ext", "", "TEXT", true, "--ext 后缺少扩展名，例如 --ext .png",
     "扩展名，原样使用（默认 .jpg）；“.*”列出所有不隐藏的文件并保留原名，\n"
     "同一文件夹中重名的拷贝在扩展名前加“(2)”“(3)”……，如 a(2).jpg。\n"
     "不得含路径分隔符。",
     [](Options& options, std::string_view value) { options.extension = value; }, false},
    {"--flat", "", "", false, "", "不建子文件夹，全部拷贝到 DEST 本身（窗口的“目录off”）。",
     [](Options& options, std::string_view) { options.flat = true; }, false},
    {"--dry-run", "", "", false, "",
     "只列出计划，不写入任何文件：每条一行“源 → 目标”，并在【】中标出\n"
     "改号、替换（原有文件移入回收站或“被替换的文件”）、与原有文件相同\n"
     "而不拷贝、将失败（及原因）的条目，最后是统计。",
     [](Options& options, std::string_view) { options.dry_run = true; }},
    {"--dot-folders", "", "", false, "",
     "名称含“.”的文件夹也读取（窗口略过它们）；隐藏的文件夹（如 Linux 上的\n"
     ".cache）仍不读取，含“.”的文件名仍不当作文件夹。",
     [](Options& options, std::string_view) { options.dot_folders = true; }, false},
    {"--json", "", "", false, "",
     "每行一个 JSON 对象：每条的 source、target、outcome\n"
     "（copied/replaced/set_aside/unchanged/earlier_copy/failed；earlier_copy\n"
     "是之前拷贝到 DEST 的文件，未再拷贝）、renumbered、reason，\n"
     "最后一个 summary 对象（folders_unreadable 是无法读取的文件夹数，\n"
     "folders_left_out 是因名称含“.”而略过的文件夹数，set_aside 是原有文件\n"
     "移入“被替换的文件”的条数，earlier_copies 是之前拷贝到 DEST、这次未再\n"
     "拷贝的条数，journal 表示本次拷贝是否已记录、之后能否撤销）。\n"
     "非 UTF-8 的路径字节写作 U+FFFD，原始字节以\n"
     "十六进制另存于 source_hex / target_hex。",
     [](Options& options, std::string_view) { options.json = true; }},
    {"--undo", "", "DEST", false, "",
     "撤销上次拷贝到 DEST 的文件：未改动的拷贝删除（源文件已不在或已改动时\n"
     "移入回收站），被替换的文件放回原名，新建的空文件夹移除；拷贝后有改动\n"
     "的文件保留并列出。--dry-run 只列出计划；--json 每步一个对象\n"
     "（type 为 undo，step 为 delete_copy/trash_copy/put_back/remove_folder/\n"
     "changed_copy/kept_elsewhere/replaced_missing/failed，path、from、reason），\n"
     "最后一个 summary 对象（deleted、trashed、put_back、folders_removed、\n"
     "left、retry：有步骤被拒绝时为 true，可再次 --undo 完成）。\n"
     "不接受 --ext、--flat、--dot-folders。\n"
     "退出状态：0 全部撤销，1 有文件保留，2 没有可撤销的拷贝。\n"
     "之后的拷贝不再拷贝之前拷贝到同一目录的文件。",
     [](Options& options, std::string_view) { options.undo = true; }},
    {"--help", "-h", "", false, "", "显示本说明。",
     [](Options& options, std::string_view) { options.help = true; }},
    {"--", "", "", false, "", "其后的参数都不是选项。", nullptr},
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
