// The words of tolvane-cli's --help and manual page: each option's, what
// the command does, and its exit statuses.  The option table (cli/) declares
// the options and takes their words from here.  Plain UTF-8.
#pragma once

#include <array>
#include <string_view>

namespace tolvane::app::command_line {

// One option's words: the message when its value is missing (for an option
// that takes one), what it does in one paragraph (--help, then the manual
// page), and what the manual page says after that.
struct OptionWords {
  std::string_view missing_value;
  std::string_view help;
  std::string_view manual;
};

inline constexpr OptionWords ext_words{
    "--ext 后缺少扩展名，例如 --ext .png",
    "要读取的扩展名，默认为 .jpg：列出名称以它结尾的文件（英文字母不分大小写），"
    "拷贝的新名称原样以它结尾。“.*”列出所有不隐藏的文件并保留原名，同一文件夹中重名的"
    "拷贝在扩展名前加“(2)”“(3)”……，如 a(2).jpg。不得含路径分隔符。",
    "其中的“*”和“?”是通配符，与窗口的“扩展名：”相同。也可写作 --ext=TEXT。",
};

inline constexpr OptionWords flat_words{
    "",
    "不建子文件夹，全部拷贝到 DEST 本身（窗口的“目录off”）。",
    "新名称仍是“文件夹名(序号)扩展名”。",
};

inline constexpr OptionWords dry_run_words{
    "",
    "只列出计划，不写入任何文件：每条一行“源 → 目标”，在【】中注明另取序号、替换原有文件"
    "（移入回收站或“被替换的文件”文件夹）、编号变动（目标处是之前拷贝的另一个源文件）、"
    "与原有文件相同而不拷贝、之前拷贝到 DEST 而不再拷贝、将失败及其原因的条目，"
    "最后是统计。",
    "也不新建 DEST，不写拷贝记录。计划由真正的拷贝代码在一个只读取、不写入的文件系统上得出，"
    "因此与随后的真正拷贝一致；磁盘已满、无写入权限等写入时才出现的错误除外。",
};

inline constexpr OptionWords dot_folders_words{
    "",
    "名称含“.”的文件夹也读取（窗口略过它们）；隐藏的文件夹（如 Linux 上的 .cache）仍不读取。",
    "不加此选项时与窗口相同：名称含“.”的文件夹（如 photos.old、2019.06 旅行）及其下的一切"
    "都不读取，只在标准错误输出中报告其数目和前几个的路径，计数行末尾加“，N个文件夹略过”。",
};

inline constexpr OptionWords json_words{
    "",
    "每行输出一个 JSON 对象：每个条目一个，含 source、target、outcome（copied、replaced、"
    "set_aside、unchanged、earlier_copy 或 failed）、renumbered 和 reason；最后一个是 "
    "summary，含各项计数、message 和 exit_status。非 UTF-8 的路径中每个无效字节写作 "
    "U+FFFD，原始字节以十六进制另存于 source_hex / target_hex。",
    "条目对象的 type 为 entry，index 是它在列表中的序号；outcome 中，copied 是新拷贝，"
    "replaced 是替换、原有文件已移入回收站，set_aside 是替换、因该磁盘没有可用的回收站，"
    "原有文件已按原来的相对路径移入 DEST 下的“被替换的文件”文件夹，unchanged 是已有文件与"
    "源文件大小和修改时间相同、不重新拷贝，earlier_copy 是之前拷贝到 DEST 的文件、这次不再"
    "拷贝，failed 是失败；renumbered 为 true 时目标另取了序号；replaces_copy_of 是目标处"
    "原有的、之前拷贝的另一个源文件（编号变动），否则为 null；reason 是失败原因，否则为 "
    "null。summary 对象的 type 为 summary，含 dry_run、listed、folders_unreadable（无法读取"
    "的文件夹数）、folders_left_out（因名称含“.”而略过的文件夹数）、entries、copied、"
    "replaced、set_aside、unchanged、earlier_copies、renumbered、replaced_earlier_copies（其中"
    "因编号变动替换之前拷贝的文件数）、failed、journal（本次拷贝"
    "已记录、之后能撤销时为 true；记录无法写入时为 false，标准错误输出在拷贝前说明原因；预演"
    "不写记录，也为 false）、message（窗口消息框的文字或预演的统计）和 exit_status。"
    "十六进制为小写。",
};

inline constexpr OptionWords undo_words{
    "",
    "撤销上次拷贝到 DEST 的文件：未改动的拷贝删除（其源文件已不在或已改动时移入回收站），"
    "被替换的文件放回原名，新建的空文件夹移除；拷贝后有改动的文件保留并列出。--dry-run "
    "只列出计划；--json 每步一个对象，最后一个 summary。不接受 --ext、--flat、--dot-folders。"
    "退出状态：0 全部撤销，1 有文件保留，2 没有可撤销的拷贝。"
    "DEST 在 SOURCE 之内时，之后的拷贝不把之前拷贝到 DEST、未撤销也未改动的文件当作源文件"
    "再拷贝一次。",
    "与窗口右键菜单的“撤销上次拷贝”相同。每次拷贝的记录所在见“文件”一节。步骤对象的 type "
    "为 undo，step 为 delete_copy（未改动的拷贝已删除）、trash_copy（其源文件已不在或已改动，"
    "拷贝移入回收站）、put_back（被替换的文件放回原名）、remove_folder（拷贝时新建、现已空的"
    "文件夹已移除），或保留原样的 changed_copy（拷贝后有改动）、kept_elsewhere（被替换的文件"
    "仍在回收站或别处）、replaced_missing（被替换的文件已不在原来保存的地方）、failed（该步"
    "被拒绝）；path 是拷贝、被替换文件的原名或文件夹，from 是被替换的文件所在，reason 是保留"
    "的原因，没有时为 null。summary 对象的 type 为 summary，含 dry_run、deleted、trashed、"
    "put_back、folders_removed、left、retry（有步骤被拒绝时为 true：记录不标为已撤销，再次 "
    "--undo 可完成其余的）、message 和 exit_status。",
};

inline constexpr OptionWords help_words{
    "",
    "显示本说明。",
    "",
};

inline constexpr OptionWords end_of_options_words{
    "",
    "其后的参数都不是选项。",
    "",
};

// --help's first lines: how the command is called.
inline constexpr std::string_view help_synopsis =
    R"(用法：tolvane-cli SOURCE DEST [--ext .jpg] [--flat] [--dry-run] [--json]
                  [--dot-folders]
      tolvane-cli --undo DEST [--dry-run] [--json]
)";

// What the command does, paragraph by paragraph.
inline constexpr std::array<std::string_view, 3> help_description{
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
inline constexpr std::string_view help_closing =
    "SOURCE 和 DEST 与窗口的文本框一样：不得为空，也不得以路径分隔符结尾。标准错误输出是终端时"
    "显示进度（百分比、条数、每秒文件数、剩余时间）。";

// Each exit status and what it means.
struct ExitStatusWords {
  std::string_view status;
  std::string_view meaning;
};
inline constexpr std::array<ExitStatusWords, 4> exit_status_words{{
    {"0", "全部拷贝成功。"},
    {"1", "有条目失败，有文件夹无法读取（读取不完整），或拷贝最后写入磁盘时出错；预演时同样。"},
    {"2",
     "用法错误，SOURCE 无法读取，SOURCE 或 DEST 为空或以路径分隔符结尾，DEST 是文件、不可写入"
     "或无法新建，或 --ext 含路径分隔符。"},
    {"130",
     "读取或拷贝时按了 Ctrl-C（或收到 SIGTERM）：已拷贝的文件保留并写入磁盘，"
     "再运行同一命令即可拷贝完余下的文件。"},
}};

// The headings of --help's lists.
inline constexpr std::string_view options_heading = "选项：";
inline constexpr std::string_view exit_status_heading = "退出状态：";

}  // namespace tolvane::app::command_line
