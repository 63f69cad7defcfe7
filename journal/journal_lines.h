// The journal's text: one record a line, its fields separated by tabs, and
// a tab, a line break or a backslash inside a path written as \t, \n, \\.
// Each kind of line is spelled once, in one table that the writer, the
// reader and the quick looks at a journal's first lines all use.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "fsys/kept_file.h"

namespace tolvane::journal {

enum class LineKind : std::uint8_t {
  format,       // the journal's first line: its format's version
  destination,  // the run's destination, absolute
  writer,       // the process that ran it, as its temporaries are named
  folder,       // a folder the run made
  naming,       // a copy about to take its name (target, source, identity)
  named,        // a copy at its name, and where a file it replaced went
  ended,        // the run reached its end
  undone,       // the run was undone
};

// A kind of line: the word it starts with and how many fields it has, the
// word included.
struct LineShape {
  LineKind kind;
  std::string_view word;
  std::size_t fields;
};

inline constexpr LineShape line_shapes[] = {
    {LineKind::format, "tolvane-journal", 2},
    {LineKind::destination, "destination", 2},
    {LineKind::writer, "writer", 3},
    {LineKind::folder, "folder", 2},
    {LineKind::naming, "naming", 6},
    {LineKind::named, "named", 9},
    {LineKind::ended, "ended", 1},
    {LineKind::undone, "undone", 1},
};

// A line of `kind` with `fields` after its word, ending in "\n".
std::string line_of(LineKind kind, const std::vector<std::string>& fields = {});

// The kind of a line that starts with `word` and has `fields` fields, the
// word included: nothing for a word the table does not know or a count of
// fields that is not its kind's (a newer writer's line, or one cut short).
std::optional<LineKind> kind_of(std::string_view word, std::size_t fields);
std::optional<LineKind> kind_of(const std::vector<std::string>& fields);

// How a line of `kind` starts in a journal's text, with the line break
// before it: "\nnaming\t", "\nended\n".  For a look at a journal's first
// lines without reading them all.
std::string line_start(LineKind kind);

// The fields of one line (without its "\n").
std::vector<std::string> fields_of(std::string_view line);

// The same as they stand in the line, still escaped, into `fields`: a tab
// inside a field is written "\t", so every tab of the line separates two.
// For reading a journal of a million lines without a string per field.
void raw_fields_of(std::string_view line, std::vector<std::string_view>& fields);
// A raw field's own text.
std::string unescaped(std::string_view field);

// Where a replaced file went, as a journal line spells it, and back; a word
// that is none of them reads as nowhere.
std::string_view kept_word(fsys::KeptIn where);
fsys::KeptIn kept_in(std::string_view word);

}  // namespace tolvane::journal
