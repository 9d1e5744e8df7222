#include "core/ini_document.h"

#include <limits>

namespace keblor {
namespace {

constexpr std::string_view UTF8_BOM = "\xEF\xBB\xBF";

enum class LineKind { Blank, Comment, Section, Key, Other };

// One line of the text, as offsets into the whole text.
struct IniLine {
  std::size_t begin = 0;
  std::size_t textEnd = 0;  // where the line end ("\n" or "\r\n") starts
  std::size_t end = 0;      // after the line end
  LineKind kind = LineKind::Blank;
  std::string_view name;        // section name or key, trimmed
  std::size_t valueBegin = 0;   // Key: first byte of the value after the blanks that follow '='
};

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view Trim(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool EqualNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
  }
  return true;
}

IniLine ScanLine(std::string_view content, std::size_t begin) {
  IniLine line;
  line.begin = begin;
  const std::size_t newline = content.find('\n', begin);
  line.end = newline == std::string_view::npos ? content.size() : newline + 1;
  line.textEnd = newline == std::string_view::npos ? content.size() : newline;
  if (line.textEnd > begin && content[line.textEnd - 1] == '\r') --line.textEnd;

  std::size_t pos = begin;
  if (begin == 0 && content.substr(0, line.textEnd).starts_with(UTF8_BOM)) pos += UTF8_BOM.size();
  while (pos < line.textEnd && IsBlank(content[pos])) ++pos;
  const std::string_view text = content.substr(pos, line.textEnd - pos);

  if (text.empty()) {
    line.kind = LineKind::Blank;
  } else if (text.front() == ';') {
    line.kind = LineKind::Comment;
  } else if (text.front() == '[') {
    line.kind = LineKind::Section;
    const std::size_t close = text.find(']');
    line.name = Trim(text.substr(1, close == std::string_view::npos ? std::string_view::npos : close - 1));
  } else if (const std::size_t equals = text.find('='); equals != std::string_view::npos) {
    line.kind = LineKind::Key;
    line.name = Trim(text.substr(0, equals));
    line.valueBegin = pos + equals + 1;
    while (line.valueBegin < line.textEnd && IsBlank(content[line.valueBegin])) ++line.valueBegin;
  } else {
    line.kind = LineKind::Other;
  }
  return line;
}

// The line end new lines get: that of the first line, "\n" when there is none.
std::string_view FirstLineEnd(std::string_view content) {
  const std::size_t newline = content.find('\n');
  if (newline != std::string_view::npos && newline > 0 && content[newline - 1] == '\r') return "\r\n";
  return "\n";
}

// Where a key lives: the first section of that name, and in it the first line of that key.
struct IniLookup {
  bool sectionFound = false;
  bool keyFound = false;
  IniLine keyLine;     // when keyFound
  IniLine lastEntry;   // header or last key (or other non-comment) line of the section
};

IniLookup Lookup(std::string_view content, std::string_view section, std::string_view key) {
  IniLookup found;
  std::size_t pos = 0;
  while (pos < content.size()) {
    const IniLine line = ScanLine(content, pos);
    pos = line.end;
    if (line.kind == LineKind::Section) {
      if (found.sectionFound) break;  // the first section of that name has ended
      if (EqualNoCase(line.name, section)) {
        found.sectionFound = true;
        found.lastEntry = line;
      }
    } else if (found.sectionFound && (line.kind == LineKind::Key || line.kind == LineKind::Other)) {
      if (line.kind == LineKind::Key && EqualNoCase(line.name, key)) {
        found.keyFound = true;
        found.keyLine = line;
        return found;
      }
      found.lastEntry = line;
    }
  }
  return found;
}

bool HasLineBreak(std::string_view text) { return text.find_first_of("\r\n") != std::string_view::npos; }

bool IsTrimmed(std::string_view text) { return text.empty() || (!IsBlank(text.front()) && !IsBlank(text.back())); }

}  // namespace

std::int32_t ParseLeadingInt(std::string_view text) {
  constexpr std::int64_t LIMIT = std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1;
  std::size_t i = 0;
  while (i < text.size() && IsBlank(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  std::int64_t magnitude = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    magnitude = magnitude * 10 + (text[i] - '0');
    if (magnitude > LIMIT) magnitude = LIMIT;  // saturated; the remaining digits cannot matter
  }
  if (negative) return static_cast<std::int32_t>(-magnitude);  // -LIMIT is INT32_MIN
  return static_cast<std::int32_t>(magnitude >= LIMIT ? LIMIT - 1 : magnitude);
}

bool IsWritableIniEntry(std::string_view section, std::string_view key, std::string_view value) {
  if (HasLineBreak(section) || section.find(']') != std::string_view::npos || !IsTrimmed(section)) return false;
  if (key.empty() || HasLineBreak(key) || key.find('=') != std::string_view::npos || !IsTrimmed(key) ||
      key.front() == '[' || key.front() == ';') {
    return false;
  }
  return !HasLineBreak(value) && IsTrimmed(value);
}

std::optional<std::string_view> IniDocument::Find(std::string_view section, std::string_view key) const {
  const IniLookup found = Lookup(text_, section, key);
  if (!found.keyFound) return std::nullopt;
  const IniLine& line = found.keyLine;
  return Trim(std::string_view(text_).substr(line.valueBegin, line.textEnd - line.valueBegin));
}

std::int32_t IniDocument::ReadInt(std::string_view section, std::string_view key, std::int32_t defaultValue) const {
  const std::optional<std::string_view> value = Find(section, key);
  return value ? ParseLeadingInt(*value) : defaultValue;
}

bool IniDocument::Set(std::string_view section, std::string_view key, std::string_view value) {
  if (!IsWritableIniEntry(section, key, value)) return false;
  const IniLookup found = Lookup(text_, section, key);

  if (found.keyFound) {
    // The key keeps its spelling and spacing, the line its line end.
    const std::size_t begin = found.keyLine.valueBegin;
    const std::size_t length = found.keyLine.textEnd - begin;
    if (std::string_view(text_).substr(begin, length) != value) {
      text_.replace(begin, length, value);
      changed_ = true;
    }
    return true;
  }

  const std::string_view fileEnd = FirstLineEnd(text_);
  std::string_view before;  // what the line before the new ones gains
  std::string added;
  std::size_t at = text_.size();
  if (found.sectionFound) {
    const IniLine& anchor = found.lastEntry;
    std::string_view lineEnd = std::string_view(text_).substr(anchor.textEnd, anchor.end - anchor.textEnd);
    if (lineEnd.empty()) {
      lineEnd = fileEnd;
      before = fileEnd;
    } else if (lineEnd == "\r") {
      // A last line cut short after its CR: complete the CRLF, or the new line would join it.
      lineEnd = "\r\n";
      before = "\n";
    }
    added.append(before).append(key).append("=").append(value).append(lineEnd);
    at = anchor.end;
  } else {
    if (!text_.empty() && text_.back() == '\r') {
      before = "\n";  // the reader already took that CR as the line's end
    } else if (!text_.empty() && text_.back() != '\n') {
      before = fileEnd;
    }
    added.append(before).append("[").append(section).append("]").append(fileEnd);
    added.append(key).append("=").append(value).append(fileEnd);
  }
  text_.insert(at, added);
  changed_ = true;
  return true;
}

}  // namespace keblor
