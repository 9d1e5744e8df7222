#include "core/ini_file.h"

#include <utility>

namespace keblor {
namespace {

namespace fs = std::filesystem;

std::string PathText(const fs::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

}  // namespace

IniFile::IniFile(std::string path) : file_(path), path_(std::move(path)), storage_(MakeStandardIniStorage()) {}

IniFile::IniFile(const fs::path& path, std::unique_ptr<IniStorage> storage)
    : file_(path), path_(PathText(path)), storage_(std::move(storage)) {}

IniDocument IniFile::Load() {
  std::string content;
  std::string why;
  if (storage_->ReadAll(file_, content, why) != IniRead::Ok) return IniDocument();
  return IniDocument(std::move(content));
}

Status IniFile::Save(const Edit& edit) {
  std::string content;
  std::string why;
  const IniRead read = storage_->ReadAll(file_, content, why);
  // A file that is there but cannot be read is not replaced: its lines would be lost.
  if (read == IniRead::Failed) return Status::Refusal(why);

  IniDocument document(std::move(content));
  if (Status edited = edit(document); !edited.Ok()) return edited;
  if (read == IniRead::Ok && !document.Changed()) return {};
  if (document.Text().size() > INI_MAX_FILE_SIZE) {
    return Status::Refusal("the file would grow past " + std::to_string(INI_MAX_FILE_SIZE) + " bytes");
  }
  if (!storage_->ReplaceAll(file_, document.Text(), why)) return Status::Refusal(why);
  return {};
}

}  // namespace keblor
