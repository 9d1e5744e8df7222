#pragma once
// The settings file's text as a document, in private-profile ("INI") form: `[Section]` lines open
// sections, `key=value` lines give values, lines starting with ';' are comments. Sections and keys
// match without regard to ASCII letter case; spaces and tabs around section names, keys and
// values do not count. When a section or a key appears twice, the first one is the one read and
// set. Lines end with "\n" or "\r\n"; a UTF-8 byte order mark before the first line is skipped.
//
// The document holds the file's bytes: every line it does not set (comments, unknown keys and
// sections, letter case, spacing, line ends, the byte order mark, bytes that are no text) stays
// exactly as it was read.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace keblor {

// The leading signed decimal number of `text` ('+' or '-' then digits), 0 when there is none;
// values beyond 32 bits saturate to INT32_MIN or INT32_MAX.
std::int32_t ParseLeadingInt(std::string_view text);

// Whether `section`, `key` and `value` can be set so that they read back as given: no line
// breaks anywhere, no ']' in the section, a non-empty key without '=' that does not start like
// a section or a comment, and no spaces or tabs at either end of any of them.
bool IsWritableIniEntry(std::string_view section, std::string_view key, std::string_view value);

class IniDocument {
 public:
  IniDocument() = default;  // an empty file
  explicit IniDocument(std::string text) : text_(std::move(text)) {}

  // The trimmed value of `key` in `section`, or nothing when the section or key is missing.
  // Valid until the next Set.
  std::optional<std::string_view> Find(std::string_view section, std::string_view key) const;
  // ParseLeadingInt of the value, or `defaultValue` when the section or key is missing.
  std::int32_t ReadInt(std::string_view section, std::string_view key, std::int32_t defaultValue) const;

  // Sets `key` in `section` to `value`: the value is replaced in place; a missing key is added
  // after the last key line of its section (before any blank lines and comments that end it); a
  // missing section is added with the key at the end. Every other line keeps its bytes, except
  // that a last line without a line end gains one when something is added after it (a last line
  // ending in a lone "\r" gains the "\n" that makes it "\r\n"). New lines end like the first
  // line ("\n" when it has no line end). False, with nothing changed, when IsWritableIniEntry
  // refuses the entry.
  bool Set(std::string_view section, std::string_view key, std::string_view value);

  // The whole text, as a file would hold it.
  const std::string& Text() const { return text_; }
  // Whether a Set has changed a byte since the document was made.
  bool Changed() const { return changed_; }

 private:
  std::string text_;
  bool changed_ = false;
};

}  // namespace keblor
