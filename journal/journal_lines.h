// The journal's text: one record a line, its fields separated by tabs, and
// a tab, a line break or a backslash inside a path written as \t, \n, \\.
// Each kind of line is spelled once, in one table that the writer, the
// reader and the quick looks at a journal's first lines all use.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "fsys/kept_file.h"

namespace tolvane::journal {

// The journal's format, on its first line.  Format 1 wrote two lines a copy
// with both paths absolute; format 2 writes a folder once and its copies by
// name, one line each.  Both are read.
inline constexpr std::string_view journal_format = "2";

enum class LineKind : std::uint8_t {
  format,       // the journal's first line: its format's version
  destination,  // the run's destination, absolute, ending in the separator
  writer,       // the process that ran it, as its temporaries are named
  folder,       // a folder the run made, absolute
  // Format 2: where the copy lines that follow lie, and their names.
  source,        // the folder that `from` lines are relative to, absolute (or
                 // empty: they are absolute themselves)
  from,          // the folder of the sources that follow, below `source`
  into,          // the folder of the copies that follow, below the destination
  names,         // numbered names: what stands before and after each copy's part
  copy,          // a copy about to take its name: its part of the name between
                 // those of `names`, its source's name (empty: the copy's), its
                 // identity.  Copy lines are numbered from 0 in the order written.
  named_copies,  // copies that took their names: the first's number, and how many
  replaced,      // a copy that took its name, and where the file it replaced went
  // Either format.
  stopped,  // the user stopped the run before its end (an "ended" line follows)
  ended,    // the run reached its end
  undone,   // the run was undone
  // Format 1, read only: both paths absolute.
  naming,  // a copy about to take its name (target, source, identity)
  named,   // a copy at its name, and where a file it replaced went
};

// A kind of line: the word it starts with, how many fields it has, the
// word included, and whether it says the run wrote something (a folder, a
// copy).
struct LineShape {
  LineKind kind;
  std::string_view word;
  std::size_t fields;
  bool writes = false;
};

inline constexpr LineShape line_shapes[] = {
    {LineKind::format, "tolvane-journal", 2},
    {LineKind::destination, "destination", 2},
    {LineKind::writer, "writer", 3},
    {LineKind::folder, "folder", 2, true},
    {LineKind::source, "source", 2},
    {LineKind::from, "from", 2},
    {LineKind::into, "into", 2},
    {LineKind::names, "names", 3},
    {LineKind::copy, "copy", 6, true},
    {LineKind::named_copies, "named-copies", 3},
    {LineKind::replaced, "replaced", 5},
    {LineKind::naming, "naming", 6, true},
    {LineKind::named, "named", 9, true},
    {LineKind::stopped, "stopped", 1},
    {LineKind::ended, "ended", 1},
    {LineKind::undone, "undone", 1},
};

// A line of `kind` with `fields` after its word, ending in "\n".
std::string line_of(LineKind kind, const std::vector<std::string>& fields = {});
// The same, appended to `text`: a run writes a batch's lines into one text.
void append_line(std::string& text, LineKind kind, std::initializer_list<std::string_view> fields);

// The kind of a line that starts with `word` and has `fields` fields, the
// word included: nothing for a word the table does not know or a count of
// fields that is not its kind's (a newer writer's line, or one cut short).
std::optional<LineKind> kind_of(std::string_view word, std::size_t fields);

// How a line of `kind` starts in a journal's text, with the line break
// before it: "\ncopy\t", "\nended\n".  For a look at a journal's first
// lines without reading them all.
std::string line_start(LineKind kind);

// The fields of one line (without its "\n") as they stand in it, still
// escaped, into `fields`: a tab inside a field is written "\t", so every tab
// of the line separates two.  A journal of a million lines is read without
// a string per field.
void raw_fields_of(std::string_view line, std::vector<std::string_view>& fields);
// A raw field's own text, appended to `text` or alone.
void append_unescaped(std::string& text, std::string_view field);
std::string unescaped(std::string_view field);

// Where a replaced file went, as a journal line spells it, and back; a word
// that is none of them reads as nowhere.
std::string_view kept_word(fsys::KeptIn where);
fsys::KeptIn kept_in(std::string_view word);

}  // namespace tolvane::journal
