#include "core/ini_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <memory>
#include <string>

#include "fakes/memory_ini_storage.h"
#include "temp_folder.h"

#if !defined(_WIN32)
#include <csignal>
#include <sys/resource.h>
#endif

namespace keblor {
namespace {

namespace fs = std::filesystem;

#if defined(_WIN32)
constexpr bool WINDOWS = true;
#else
constexpr bool WINDOWS = false;
#endif

struct Entry {
  const char* section;
  const char* key;
  const char* value;
};

// One save of these entries, each set in turn.
Status SaveEntries(SettingsFile& file, std::initializer_list<Entry> entries) {
  return file.Save([entries](IniDocument& document) {
    for (const Entry& e : entries) {
      if (!document.Set(e.section, e.key, e.value)) return Status::Refusal(std::string("refused ") + e.key);
    }
    return Status{};
  });
}

// A start loads once; a save reads once more (keeping what was edited by hand meanwhile) and
// replaces the file once, whatever the number of values; a save that changes nothing writes
// nothing.
TEST(IniFile, LoadReadsOnceAndASaveReadsOnceAndReplacesOnce) {
  auto owned = std::make_unique<test::MemoryIniStorage>("[General]\r\nChannels=2\r\n");
  test::MemoryIniStorage& storage = *owned;
  IniFile file("keblor.ini", std::move(owned));
  const IniDocument loaded = file.Load();
  EXPECT_EQ(loaded.ReadInt("General", "Channels", 1), 2);
  EXPECT_EQ(storage.reads, 1);

  storage.file = "; edited by hand\r\n[General]\r\nChannels=2\r\n";
  ASSERT_TRUE(SaveEntries(file, {{"General", "Channels", "1"}, {"General", "Level", "1"}, {"VFO-A", "Pitch", "0"}}).Ok());
  EXPECT_EQ(storage.reads, 2);
  EXPECT_EQ(storage.replaces, 1);
  EXPECT_EQ(*storage.file, "; edited by hand\r\n[General]\r\nChannels=1\r\nLevel=1\r\n[VFO-A]\r\nPitch=0\r\n");

  ASSERT_TRUE(SaveEntries(file, {{"General", "Channels", "1"}, {"vfo-a", "PITCH", "0"}}).Ok());
  EXPECT_EQ(storage.reads, 3);
  EXPECT_EQ(storage.replaces, 1);
}

// All or nothing: an edit that fails half way leaves the file as it was, with the edit's reason.
TEST(IniFile, AnEditThatFailsHalfWayWritesNothing) {
  auto owned = std::make_unique<test::MemoryIniStorage>("[General]\nChannels=2\n");
  test::MemoryIniStorage& storage = *owned;
  IniFile file("keblor.ini", std::move(owned));
  const Status saved = SaveEntries(file, {{"General", "Channels", "1"}, {"General", "Input", " x"}});
  EXPECT_EQ(saved.reason, "refused Input");
  EXPECT_EQ(storage.replaces, 0);
}

// ---- on disk ----

class IniFileTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_FALSE(dir_.empty()); }

  static void WriteFile(const fs::path& path, const std::string& content) {
    std::ofstream out(path, std::ios::binary);
    out << content;
  }
  static std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  int EntriesInDir() const {
    return static_cast<int>(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()));
  }

  TempFolder folder_{"keblor_ini"};
  fs::path dir_ = folder_.Path();
  std::string path_ = (dir_ / "keblor.ini").string();
};

TEST_F(IniFileTest, MissingFileLoadsEmptyAndTheFirstSaveCreatesIt) {
  IniFile file(path_);
  EXPECT_EQ(file.Load().ReadInt("General", "Channels", 1), 1);
  EXPECT_FALSE(fs::exists(path_));
  ASSERT_TRUE(SaveEntries(file, {{"General", "Channels", "2"}, {"General", "BitsPerSample", "8"}, {"VFO-A", "Pitch", "0"}}).Ok());
  EXPECT_EQ(ReadFile(path_), "[General]\nChannels=2\nBitsPerSample=8\n[VFO-A]\nPitch=0\n");
  EXPECT_EQ(file.Load().ReadInt("general", "channels", 1), 2);
  EXPECT_EQ(EntriesInDir(), 1);  // no temporary file left behind
}

TEST_F(IniFileTest, SaveKeepsTheFilesPermissions) {
  if (WINDOWS) GTEST_SKIP() << "Windows files have no POSIX permission bits";
  WriteFile(path_, "[General]\nChannels=1\n");
  fs::permissions(path_, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  IniFile file(path_);
  ASSERT_TRUE(SaveEntries(file, {{"General", "Channels", "2"}}).Ok());
  EXPECT_EQ(ReadFile(path_), "[General]\nChannels=2\n");
  EXPECT_EQ(fs::status(path_).permissions(), fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
}

// A file the program writes always reads back. keblor.ini of 4 MiB less 40 bytes has room for
// the first new lines of a save but not for all: the save is refused whole and the file keeps
// every byte (one write after another used to write the first values and refuse the rest); a
// save that brings it to the limit exactly goes through, and the file reads back.
TEST_F(IniFileTest, ASaveThatCannotFitLeavesTheFileByteForByte) {
  const std::string head = "[General]\nChannels=2\n";
  const std::string old = head + ";" + std::string(INI_MAX_FILE_SIZE - 40 - head.size() - 2, 'x') + "\n";
  WriteFile(path_, old);
  IniFile file(path_);
  ASSERT_EQ(file.Load().ReadInt("General", "Channels", 1), 2);
  const Status tooLarge = SaveEntries(
      file, {{"General", "Level", "1"}, {"General", "xPos", "-1200"}, {"General", "NumberOfAverages", "2500"}});  // 41 bytes
  EXPECT_EQ(tooLarge.reason, "the file would grow past 4194304 bytes");
  EXPECT_TRUE(ReadFile(path_) == old);
  EXPECT_EQ(EntriesInDir(), 1);
  EXPECT_TRUE(SaveEntries(
      file, {{"General", "Level", "1"}, {"General", "xPos", "-1200"}, {"General", "NumberOfAverages", "250"}}).Ok());
  EXPECT_EQ(ReadFile(path_).size(), INI_MAX_FILE_SIZE);
  EXPECT_EQ(file.Load().ReadInt("General", "NumberOfAverages", 1), 250);
}

#if !defined(_WIN32)
// Files written by this process stop at `bytes` while it lives: a write past it comes back
// short, as on a full disk, instead of ending the process.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    getrlimit(RLIMIT_FSIZE, &old_);
    oldHandler_ = std::signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{bytes, old_.rlim_max};
    setrlimit(RLIMIT_FSIZE, &limit);
  }
  ~FileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &old_);
    std::signal(SIGXFSZ, oldHandler_);
  }
  FileSizeLimit(const FileSizeLimit&) = delete;
  FileSizeLimit& operator=(const FileSizeLimit&) = delete;

 private:
  rlimit old_{};
  void (*oldHandler_)(int) = SIG_DFL;
};

// A disk that fills while a save writes: the save fails and says why, the file keeps every
// byte and no temporary file is left (a short write taken for a whole one would replace the
// file with its first part).
TEST_F(IniFileTest, ASaveCutShortByAFullDiskLeavesTheFile) {
  const std::string old = "[General]\nChannels=2\n;" + std::string(200000, 'x') + "\n";
  WriteFile(path_, old);
  IniFile file(path_);
  Status saved;
  {
    const FileSizeLimit limit(100000);
    saved = SaveEntries(file, {{"General", "Channels", "1"}});
  }
  EXPECT_FALSE(saved.Ok());
  EXPECT_NE(saved.reason.find("cannot write"), std::string::npos) << saved.reason;
  EXPECT_TRUE(ReadFile(path_) == old);
  EXPECT_EQ(EntriesInDir(), 1);
}
#endif

// A failed save keeps the old file and gives the reason.
TEST_F(IniFileTest, FailedSaveLeavesTheOldFileAndSaysWhy) {
  const std::string old = "; mine\r\n[General]\r\nChannels=2\r\n";
  WriteFile(path_, old);
  // Something in the way of the temporary file: the new content cannot be written.
  fs::create_directory(IniTempPath(path_));
  IniFile file(path_);
  const Status saved = SaveEntries(file, {{"General", "Channels", "1"}, {"VFO-B", "Range", "1"}});
  EXPECT_FALSE(saved.Ok());
  EXPECT_NE(saved.reason.find("keblor.ini.tmp"), std::string::npos) << saved.reason;
  EXPECT_EQ(ReadFile(path_), old);
  EXPECT_EQ(file.Load().ReadInt("General", "Channels", 1), 2);
}

TEST_F(IniFileTest, StaleTemporaryFileDoesNotBlockSaves) {
  WriteFile(IniTempPath(path_), "half written");
  IniFile file(path_);
  EXPECT_TRUE(SaveEntries(file, {{"General", "Level", "1"}}).Ok());
  EXPECT_EQ(ReadFile(path_), "[General]\nLevel=1\n");
  EXPECT_FALSE(fs::exists(IniTempPath(path_)));
}

// A path in a missing folder, a folder at the path, or a file over the size limit: the load is
// empty and a save fails, touching nothing.
TEST_F(IniFileTest, AFileThatCannotBeUsedLoadsEmptyAndFailsSaves) {
  {
    IniFile file((dir_ / "nowhere" / "keblor.ini").string());
    EXPECT_EQ(file.Load().ReadInt("General", "Channels", 1), 1);
    const Status saved = SaveEntries(file, {{"General", "Channels", "2"}});
    EXPECT_FALSE(saved.reason.empty());
    EXPECT_FALSE(fs::exists(dir_ / "nowhere"));
  }
  {
    fs::create_directory(path_);
    IniFile file(path_);
    EXPECT_EQ(file.Load().ReadInt("General", "BitsPerSample", 16), 16);
    EXPECT_EQ(SaveEntries(file, {{"General", "BitsPerSample", "8"}}).reason, "not a regular file");
    EXPECT_TRUE(fs::is_directory(path_));
    EXPECT_TRUE(fs::is_empty(path_));
    EXPECT_EQ(EntriesInDir(), 1);
  }
  {
    fs::remove(path_);  // the folder of the case before
    std::string big = "[General]\nChannels=2\n";
    big.append(INI_MAX_FILE_SIZE, ';');
    WriteFile(path_, big);
    IniFile file(path_);
    EXPECT_EQ(file.Load().ReadInt("General", "Channels", 1), 1);
    EXPECT_FALSE(SaveEntries(file, {{"General", "Channels", "1"}}).Ok());
    EXPECT_EQ(fs::file_size(path_), big.size());
  }
}

TEST_F(IniFileTest, SymbolicLinkIsFollowedAndKept) {
  if (WINDOWS) GTEST_SKIP() << "the C++ library makes no symbolic links on Windows";
  const fs::path real = dir_ / "real.ini";
  WriteFile(real, "[General]\nLevel=0\n");
  fs::create_symlink(real, path_);
  IniFile file(path_);
  EXPECT_EQ(file.Load().ReadInt("General", "Level", 5), 0);
  ASSERT_TRUE(SaveEntries(file, {{"General", "Level", "1"}}).Ok());
  EXPECT_TRUE(fs::is_symlink(path_));
  EXPECT_EQ(ReadFile(real), "[General]\nLevel=1\n");
}

TEST_F(IniFileTest, LinkToAMissingFileCreatesItsTargetAndLinkLoopsFail) {
  if (WINDOWS) GTEST_SKIP() << "the C++ library makes no symbolic links on Windows";
  fs::create_directory(dir_ / "conf");
  fs::create_symlink("conf/real.ini", path_);  // relative to the link's folder
  IniFile file(path_);
  EXPECT_EQ(file.Load().ReadInt("General", "Level", 5), 5);
  ASSERT_TRUE(SaveEntries(file, {{"General", "Level", "1"}}).Ok());
  EXPECT_TRUE(fs::is_symlink(path_));
  EXPECT_EQ(ReadFile(dir_ / "conf" / "real.ini"), "[General]\nLevel=1\n");

  const fs::path loop = dir_ / "loop.ini";
  fs::create_symlink(loop, loop);
  IniFile looped(loop.string());
  const Status saved = SaveEntries(looped, {{"General", "Level", "1"}});
  EXPECT_FALSE(saved.Ok());
  EXPECT_FALSE(saved.reason.empty());
  EXPECT_TRUE(fs::is_symlink(loop));
}

}  // namespace
}  // namespace keblor
