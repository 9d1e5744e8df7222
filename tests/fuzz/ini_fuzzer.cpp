// libFuzzer target for the settings file's document: the reader must take any bytes, and a Set
// must give back the value set while every other line stays as it was; the file behind it is
// replaced by a save whole, or not at all. The numbers a value reads as, and which lines the
// reader takes for sections and keys, are the unit tests' to pin down: no second parser here.
//
// Input: CONTENT \0 SECTION \0 KEY \0 VALUE, split at the last three NUL bytes, so the content
// itself may hold NULs. With fewer than three NULs the whole input is the content and the entry
// written is General/xPos=100, so that plain settings files make useful seeds.

#include <sys/stat.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/ini_document.h"
#include "core/ini_file.h"

namespace {

namespace fs = std::filesystem;
using keblor::IniDocument;
using keblor::IniFile;
using keblor::IsWritableIniEntry;
using keblor::Status;

[[noreturn]] void Fail(const char* what) {
  std::fprintf(stderr, "ini_fuzzer: %s\n", what);
  std::fflush(stderr);
  __builtin_trap();
}

void Check(bool ok, const char* what) {
  if (!ok) Fail(what);
}

struct Entry {
  std::string_view section;
  std::string_view key;
  std::string_view value;
};

struct Input {
  std::string_view content;
  Entry entry;
};

Input Split(std::string_view data) {
  std::array<std::string_view, 3> fields;
  std::string_view rest = data;
  for (std::size_t i = fields.size(); i-- > 0;) {
    const std::size_t nul = rest.rfind('\0');
    if (nul == std::string_view::npos) return Input{data, Entry{"General", "xPos", "100"}};
    fields[i] = rest.substr(nul + 1);
    rest = rest.substr(0, nul);
  }
  return Input{rest, Entry{fields[0], fields[1], fields[2]}};
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// The content's lines, each with its "\n" (the last one may have none).
std::vector<std::string_view> Lines(std::string_view content) {
  std::vector<std::string_view> lines;
  std::size_t begin = 0;
  while (begin < content.size()) {
    const std::size_t newline = content.find('\n', begin);
    const std::size_t end = newline == std::string_view::npos ? content.size() : newline + 1;
    lines.push_back(content.substr(begin, end - begin));
    begin = end;
  }
  return lines;
}

// The line end a line finishes with: "\r\n", "\n", a lone "\r" at the end of the file, or none.
std::string_view LineEnd(std::string_view line) {
  if (line.ends_with("\r\n")) return line.substr(line.size() - 2);
  if (line.ends_with('\n') || line.ends_with('\r')) return line.substr(line.size() - 1);
  return {};
}

bool IsNewLineEnd(std::string_view end) { return end == "\n" || end == "\r\n"; }

std::optional<std::string> Read(std::string_view content, std::string_view section, std::string_view key) {
  const IniDocument document{std::string(content)};
  const std::optional<std::string_view> value = document.Find(section, key);
  if (!value) {
    Check(document.ReadInt(section, key, -77) == -77, "a missing key does not read as the default");
    return std::nullopt;
  }
  Check(value->empty() || (!IsBlank(value->front()) && !IsBlank(value->back())), "a value reads with blanks around it");
  return std::string(*value);
}

// The content after one Set of the entry, or nothing when the document refuses it.
std::optional<std::string> Written(std::string_view content, const Entry& entry) {
  IniDocument document{std::string(content)};
  if (!document.Set(entry.section, entry.key, entry.value)) {
    Check(!document.Changed() && document.Text() == content, "a refused Set changed the document");
    return std::nullopt;
  }
  Check(document.Changed() == (document.Text() != content), "Changed does not tell whether the text changed");
  // The same Set again finds the value in place and changes nothing more.
  IniDocument again{document.Text()};
  Check(again.Set(entry.section, entry.key, entry.value) && !again.Changed(), "setting the same value twice changed the text");
  return document.Text();
}

// The written content differs from the old one only by the written entry: one key line with its
// new value, one new key line, or a new section with the key at the end.
void CheckOnlyTheEntryChanged(std::string_view before, std::string_view after, const Entry& entry, bool keyExisted) {
  const std::vector<std::string_view> old = Lines(before);
  const std::vector<std::string_view> now = Lines(after);
  const std::string keyLine = std::string(entry.key) + "=" + std::string(entry.value);

  if (keyExisted) {
    Check(now.size() == old.size(), "replacing a value changed the number of lines");
    int changed = 0;
    for (std::size_t i = 0; i < old.size(); ++i) {
      if (now[i] == old[i]) continue;
      ++changed;
      // Key, '=' and the blanks after it stay; the value follows, then the old line end.
      std::size_t prefix = old[i].find('=');
      Check(prefix != std::string_view::npos, "a line without '=' was rewritten");
      ++prefix;
      while (prefix < old[i].size() && IsBlank(old[i][prefix])) ++prefix;
      const std::string expected =
          std::string(old[i].substr(0, prefix)) + std::string(entry.value) + std::string(LineEnd(old[i]));
      Check(now[i] == expected, "the rewritten key line is not key, '=' and the new value");
    }
    Check(changed <= 1, "replacing a value changed more than one line");
    return;
  }

  // A line that was last and had no line end may have gained one.
  auto sameOrEnded = [&](std::size_t i, std::string_view line) {
    if (line == old[i]) return true;
    return i + 1 == old.size() && !old[i].ends_with('\n') && line.starts_with(old[i]) &&
           IsNewLineEnd(line.substr(old[i].size()));
  };

  if (now.size() == old.size() + 2) {
    const std::string_view end = LineEnd(now.back());
    Check(IsNewLineEnd(end), "an added line has no proper line end");
    Check(now[old.size()] == "[" + std::string(entry.section) + "]" + std::string(end),
          "the added section header is wrong");
    Check(now[old.size() + 1] == keyLine + std::string(end), "the key line after a new section is wrong");
    for (std::size_t i = 0; i < old.size(); ++i) Check(sameOrEnded(i, now[i]), "adding a section changed a line");
    return;
  }

  Check(now.size() == old.size() + 1, "adding a key did not add exactly one line");
  std::size_t same = 0;
  while (same < old.size() && now[same] == old[same]) ++same;
  // The new line is at `same`, or right after a last line that gained its line end.
  for (std::size_t at : {same, same + 1}) {
    if (at >= now.size() || now[at].substr(0, now[at].size() - LineEnd(now[at]).size()) != keyLine ||
        !IsNewLineEnd(LineEnd(now[at]))) {
      continue;
    }
    bool ok = true;
    for (std::size_t i = 0; i < at && ok; ++i) ok = sameOrEnded(i, now[i]);
    for (std::size_t i = at + 1; i < now.size() && ok; ++i) ok = now[i] == old[i - 1];
    if (ok) return;
  }
  Fail("adding a key changed another line");
}

// ---- the file behind the text ----

std::string g_path;

void RemoveTempDir() {
  std::error_code ec;
  if (!g_path.empty()) fs::remove_all(fs::path(g_path).parent_path(), ec);
}

void WriteWhole(const std::string& path, std::string_view content) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  Check(file != nullptr, "cannot create the fuzzer's file");
  Check(std::fwrite(content.data(), 1, content.size(), file) == content.size(), "cannot write the fuzzer's file");
  Check(std::fclose(file) == 0, "cannot close the fuzzer's file");
}

std::string ReadWhole(const std::string& path) {
  std::string content;
  std::FILE* file = std::fopen(path.c_str(), "rb");
  Check(file != nullptr, "the settings file is gone");
  char chunk[4096];
  for (std::size_t got; (got = std::fread(chunk, 1, sizeof chunk, file)) > 0;) content.append(chunk, got);
  std::fclose(file);
  return content;
}

Status SetEntry(IniDocument& document, const Entry& entry) {
  if (!document.Set(entry.section, entry.key, entry.value)) return Status::Refusal("refused");
  return {};
}

// The file layer gives what the document gives, a save is all or nothing, and no temporary file
// stays behind.
void CheckFile(std::string_view content, const Entry& entry, const std::optional<std::string>& written) {
  WriteWhole(g_path, content);
  IniFile file(g_path);
  Check(file.Load().ReadInt(entry.section, entry.key, -77) == IniDocument(std::string(content)).ReadInt(entry.section, entry.key, -77),
        "the file reads otherwise than its text");
  // An edit that fails after setting the entry leaves every byte.
  const Status cut = file.Save([&entry](IniDocument& document) {
    SetEntry(document, entry);
    return Status::Refusal("cut short");
  });
  Check(!cut.Ok() && cut.reason == "cut short", "a failed edit did not fail the save with its reason");
  Check(ReadWhole(g_path) == content, "a failed save changed the file");
  const Status saved = file.Save([&entry](IniDocument& document) { return SetEntry(document, entry); });
  Check(saved.Ok() == written.has_value(), "the file save and the document Set disagree");
  Check(ReadWhole(g_path) == (written ? std::string_view(*written) : content), "the file holds the wrong content");
  struct stat info {};
  Check(stat(keblor::IniTempPath(g_path).c_str(), &info) != 0, "the temporary file was left behind");
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  std::string pattern = (fs::temp_directory_path() / "ini_fuzzer_XXXXXX").string();
  Check(mkdtemp(pattern.data()) != nullptr, "cannot create a temporary directory");
  g_path = pattern + "/keblor.ini";
  std::atexit(RemoveTempDir);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const Input input = Split(std::string_view(reinterpret_cast<const char*>(data), size));
  const std::string_view content = input.content;
  const Entry& entry = input.entry;

  const std::optional<std::string> old = Read(content, entry.section, entry.key);

  const std::optional<std::string> written = Written(content, entry);
  Check(written.has_value() == IsWritableIniEntry(entry.section, entry.key, entry.value),
        "the document refuses what it calls writable, or the other way round");
  if (written) {
    const std::optional<std::string> back = Read(*written, entry.section, entry.key);
    Check(back.has_value() && *back == entry.value, "the value set does not read back");
    CheckOnlyTheEntryChanged(content, *written, entry, old.has_value());
  }

  CheckFile(content, entry, written);
  return 0;
}
