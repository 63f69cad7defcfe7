// Escaping, so that any name a volume holds fits one field of one line.
#include "journal/journal_lines.h"

#include <algorithm>

namespace tolvane::journal {

namespace {

const LineShape& shape_of(LineKind kind) {
  for (const LineShape& shape : line_shapes) {
    if (shape.kind == kind) return shape;
  }
  return line_shapes[0];  // every kind is in the table
}

void append_escaped(std::string& text, std::string_view field) {
  for (const char c : field) {
    if (c == '\\') {
      text += "\\\\";
    } else if (c == '\t') {
      text += "\\t";
    } else if (c == '\n') {
      text += "\\n";
    } else {
      text += c;
    }
  }
}

// A line of `kind` with `fields` (strings or views) after its word.
template <typename Fields>
void append_fields(std::string& text, LineKind kind, const Fields& fields) {
  text.append(shape_of(kind).word);
  for (const auto& field : fields) {
    text += '\t';
    append_escaped(text, field);
  }
  text += '\n';
}

}  // namespace

std::string line_of(LineKind kind, const std::vector<std::string>& fields) {
  std::string line;
  append_fields(line, kind, fields);
  return line;
}

void append_line(std::string& text, LineKind kind, std::initializer_list<std::string_view> fields) {
  append_fields(text, kind, fields);
}

std::optional<LineKind> kind_of(std::string_view word, std::size_t fields) {
  for (const LineShape& shape : line_shapes) {
    if (shape.word == word) {
      return fields == shape.fields ? std::optional(shape.kind) : std::nullopt;
    }
  }
  return std::nullopt;
}

std::string line_start(LineKind kind) {
  const LineShape& shape = shape_of(kind);
  std::string start = "\n";
  start += shape.word;
  start += shape.fields > 1 ? '\t' : '\n';
  return start;
}

void raw_fields_of(std::string_view line, std::vector<std::string_view>& fields) {
  fields.clear();
  for (std::size_t start = 0;;) {
    const std::size_t tab = line.find('\t', start);
    fields.push_back(line.substr(start, tab - start));
    if (tab == std::string_view::npos) return;
    start = tab + 1;
  }
}

void append_unescaped(std::string& text, std::string_view field) {
  // Most fields hold no escape: the text up to the first goes whole.
  const std::size_t first = std::min(field.find('\\'), field.size());
  text.append(field.substr(0, first));
  for (std::size_t k = first; k < field.size(); ++k) {
    const char c = field[k];
    if (c == '\\' && k + 1 < field.size()) {
      const char next = field[++k];
      text += next == 't' ? '\t' : next == 'n' ? '\n' : next;
    } else {
      text += c;
    }
  }
}

std::string unescaped(std::string_view field) {
  std::string text;
  text.reserve(field.size());
  append_unescaped(text, field);
  return text;
}

namespace {

struct KeptName {
  fsys::KeptIn where;
  std::string_view word;
};

constexpr KeptName kept_names[] = {
    {fsys::KeptIn::trash, "trash"},
    {fsys::KeptIn::set_aside, "set_aside"},
    {fsys::KeptIn::recycle_bin, "recycle_bin"},
};

}  // namespace

std::string_view kept_word(fsys::KeptIn where) {
  for (const KeptName& name : kept_names) {
    if (name.where == where) return name.word;
  }
  return "-";
}

fsys::KeptIn kept_in(std::string_view word) {
  for (const KeptName& name : kept_names) {
    if (name.word == word) return name.where;
  }
  return fsys::KeptIn::nowhere;
}

}  // namespace tolvane::journal
