#include "core/ini_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <limits>
#include <system_error>
#include <utility>

namespace keblor {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view UTF8_BOM = "\xEF\xBB\xBF";

enum class LineKind { Blank, Comment, Section, Key, Other };

// One line of the file, as offsets into the whole content.
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

// The line end new lines get: that of the file's first line, "\n" when there is none.
std::string_view FileLineEnd(std::string_view content) {
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

// ---- files ----

enum class FileRead { Missing, Ok, Failed };

std::string ErrnoText(int error) { return std::strerror(error); }

FileRead ReadWholeFile(const fs::path& path, std::string& content, std::string& why) {
  content.clear();
  std::error_code ec;
  const fs::file_status status = fs::status(path, ec);
  if (status.type() == fs::file_type::not_found) return FileRead::Missing;
  if (ec) {
    why = ec.message();
    return FileRead::Failed;
  }
  if (status.type() != fs::file_type::regular) {
    why = "not a regular file";
    return FileRead::Failed;
  }
  std::FILE* file = std::fopen(path.string().c_str(), "rb");
  if (file == nullptr) {
    why = ErrnoText(errno);
    return FileRead::Failed;
  }
  char chunk[4096];
  bool tooLarge = false;
  for (;;) {
    const std::size_t got = std::fread(chunk, 1, sizeof chunk, file);
    if (got == 0) break;
    if (content.size() + got > INI_MAX_FILE_SIZE) {
      tooLarge = true;
      break;
    }
    content.append(chunk, got);
  }
  const bool readError = std::ferror(file) != 0;
  const int readErrno = errno;
  std::fclose(file);
  if (tooLarge) {
    why = "larger than " + std::to_string(INI_MAX_FILE_SIZE) + " bytes";
    return FileRead::Failed;
  }
  if (readError) {
    why = ErrnoText(readErrno);
    return FileRead::Failed;
  }
  return FileRead::Ok;
}

// Writes `content` to `temp` (which must not exist afterwards on failure) and renames it over
// `target`; `keepPermissions` are given to the new file first when set.
bool ReplaceFile(const fs::path& target, const fs::path& temp, std::string_view content,
                 const fs::perms* keepPermissions, std::string& why) {
  std::error_code ec;
  const fs::file_status stale = fs::symlink_status(temp, ec);
  if (stale.type() == fs::file_type::regular || stale.type() == fs::file_type::symlink) {
    // Left over from a write that was cut short; never written through.
    if (!fs::remove(temp, ec) || ec) {
      why = "cannot remove stale " + temp.string() + ": " + ec.message();
      return false;
    }
  }
  std::FILE* file = std::fopen(temp.string().c_str(), "wbx");
  if (file == nullptr) {
    why = "cannot create " + temp.string() + ": " + ErrnoText(errno);
    return false;
  }
  bool ok = std::fwrite(content.data(), 1, content.size(), file) == content.size();
  ok = std::fflush(file) == 0 && ok;
  int writeErrno = errno;
  if (std::fclose(file) != 0 && ok) {
    ok = false;
    writeErrno = errno;
  }
  if (!ok) {
    why = "cannot write " + temp.string() + ": " + ErrnoText(writeErrno);
  } else if (keepPermissions != nullptr) {
    fs::permissions(temp, *keepPermissions, fs::perm_options::replace, ec);
    if (ec) {
      ok = false;
      why = "cannot set permissions of " + temp.string() + ": " + ec.message();
    }
  }
  if (ok) {
    fs::rename(temp, target, ec);
    if (ec) {
      ok = false;
      why = "cannot rename " + temp.string() + ": " + ec.message();
    }
  }
  if (!ok) fs::remove(temp, ec);
  return ok;
}

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

std::optional<std::string_view> FindIniValue(std::string_view content, std::string_view section,
                                             std::string_view key) {
  const IniLookup found = Lookup(content, section, key);
  if (!found.keyFound) return std::nullopt;
  const IniLine& line = found.keyLine;
  return Trim(content.substr(line.valueBegin, line.textEnd - line.valueBegin));
}

std::int32_t ReadIniInt(std::string_view content, std::string_view section, std::string_view key,
                        std::int32_t defaultValue) {
  const std::optional<std::string_view> value = FindIniValue(content, section, key);
  return value ? ParseLeadingInt(*value) : defaultValue;
}

bool IsWritableIniEntry(std::string_view section, std::string_view key, std::string_view value) {
  if (HasLineBreak(section) || section.find(']') != std::string_view::npos || !IsTrimmed(section)) return false;
  if (key.empty() || HasLineBreak(key) || key.find('=') != std::string_view::npos || !IsTrimmed(key) ||
      key.front() == '[' || key.front() == ';') {
    return false;
  }
  return !HasLineBreak(value) && IsTrimmed(value);
}

std::optional<std::string> WriteIniValue(std::string_view content, std::string_view section,
                                         std::string_view key, std::string_view value) {
  if (!IsWritableIniEntry(section, key, value)) return std::nullopt;
  const IniLookup found = Lookup(content, section, key);
  std::string out;
  out.reserve(content.size() + section.size() + key.size() + value.size() + 8);

  if (found.keyFound) {
    // The key keeps its spelling and spacing, the line its line end.
    out.append(content.substr(0, found.keyLine.valueBegin));
    out.append(value);
    out.append(content.substr(found.keyLine.textEnd));
    return out;
  }

  const std::string_view fileEnd = FileLineEnd(content);
  if (found.sectionFound) {
    const IniLine& anchor = found.lastEntry;
    std::string_view lineEnd = content.substr(anchor.textEnd, anchor.end - anchor.textEnd);
    out.append(content.substr(0, anchor.end));
    if (lineEnd.empty()) {
      lineEnd = fileEnd;
      out.append(lineEnd);
    } else if (lineEnd == "\r") {
      // A last line cut short after its CR: complete the CRLF, or the new line would join it.
      lineEnd = "\r\n";
      out.append("\n");
    }
    out.append(key).append("=").append(value).append(lineEnd);
    out.append(content.substr(anchor.end));
    return out;
  }

  out.append(content);
  if (!out.empty() && out.back() == '\r') {
    out.append("\n");  // the reader already took that CR as the line's end
  } else if (!out.empty() && out.back() != '\n') {
    out.append(fileEnd);
  }
  out.append("[").append(section).append("]").append(fileEnd);
  out.append(key).append("=").append(value).append(fileEnd);
  return out;
}

std::string IniTempPath(const std::string& path) { return path + ".tmp"; }

IniFile::IniFile(std::string path) : path_(std::move(path)) {}

std::int32_t IniFile::ReadInt(const std::string& section, const std::string& key, std::int32_t defaultValue) {
  std::string content;
  std::string why;
  if (ReadWholeFile(fs::path(path_), content, why) != FileRead::Ok) return defaultValue;
  return ReadIniInt(content, section, key, defaultValue);
}

std::optional<std::string> IniFile::ReadString(const std::string& section, const std::string& key) {
  std::string content;
  std::string why;
  if (ReadWholeFile(fs::path(path_), content, why) != FileRead::Ok) return std::nullopt;
  const std::optional<std::string_view> value = FindIniValue(content, section, key);
  if (!value) return std::nullopt;
  return std::string(*value);
}

bool IniFile::WriteString(const std::string& section, const std::string& key, const std::string& value) {
  std::string why;
  const bool ok = [&] {
    std::error_code ec;
    // A link is followed to the file it names, which is replaced (or created, when the link
    // points to nothing yet); the link itself stays.
    fs::path target(path_);
    for (int hops = 0; fs::symlink_status(target, ec).type() == fs::file_type::symlink; ++hops) {
      const fs::path next = fs::read_symlink(target, ec);
      if (ec || hops == 40) {
        why = ec ? "cannot follow the link: " + ec.message() : std::string("too many links");
        return false;
      }
      target = next.is_absolute() ? next : target.parent_path() / next;
    }
    std::string content;
    const FileRead read = ReadWholeFile(target, content, why);
    if (read == FileRead::Failed) return false;

    const std::optional<std::string> updated = WriteIniValue(content, section, key, value);
    if (!updated) {
      why = "the entry cannot be written as a line of the file";
      return false;
    }
    if (read == FileRead::Ok && *updated == content) return true;
    // A file the program writes must read back: it cannot grow past the size reads accept.
    if (updated->size() > INI_MAX_FILE_SIZE) {
      why = "the file would grow past " + std::to_string(INI_MAX_FILE_SIZE) + " bytes";
      return false;
    }

    fs::perms permissions{};
    if (read == FileRead::Ok) {
      permissions = fs::status(target, ec).permissions();
      if (ec) {
        why = ec.message();
        return false;
      }
    }
    return ReplaceFile(target, fs::path(IniTempPath(target.string())), *updated,
                       read == FileRead::Ok ? &permissions : nullptr, why);
  }();
  if (!ok) {
    std::fprintf(stderr, "keblor: settings file %s: [%s] %s not written: %s\n", path_.c_str(), section.c_str(),
                 key.c_str(), why.c_str());
    lastError_ = why;
  }
  return ok;
}

}  // namespace keblor
