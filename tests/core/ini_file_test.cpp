#include "core/ini_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <string>

#include "temp_folder.h"

namespace keblor {
namespace {

namespace fs = std::filesystem;

#if defined(_WIN32)
constexpr bool WINDOWS = true;
#else
constexpr bool WINDOWS = false;
#endif

constexpr std::int32_t INT32_MAX_ = std::numeric_limits<std::int32_t>::max();
constexpr std::int32_t INT32_MIN_ = std::numeric_limits<std::int32_t>::min();

// ---- reading values ----

TEST(IniText, LeadingNumberIsReadAndSaturates) {
  EXPECT_EQ(ParseLeadingInt("123"), 123);
  EXPECT_EQ(ParseLeadingInt("-45"), -45);
  EXPECT_EQ(ParseLeadingInt("+7"), 7);
  EXPECT_EQ(ParseLeadingInt("007"), 7);
  EXPECT_EQ(ParseLeadingInt("12abc"), 12);
  EXPECT_EQ(ParseLeadingInt("3 ; three"), 3);
  EXPECT_EQ(ParseLeadingInt("0x10"), 0);  // decimal only
  EXPECT_EQ(ParseLeadingInt("abc"), 0);
  EXPECT_EQ(ParseLeadingInt(""), 0);
  EXPECT_EQ(ParseLeadingInt("-"), 0);
  EXPECT_EQ(ParseLeadingInt("+-5"), 0);
  EXPECT_EQ(ParseLeadingInt("2147483647"), INT32_MAX_);
  EXPECT_EQ(ParseLeadingInt("2147483648"), INT32_MAX_);
  EXPECT_EQ(ParseLeadingInt("-2147483648"), INT32_MIN_);
  EXPECT_EQ(ParseLeadingInt("-2147483649"), INT32_MIN_);
  EXPECT_EQ(ParseLeadingInt(std::string(100000, '9')), INT32_MAX_);
}

TEST(IniText, SectionsAndKeysMatchWithoutCaseAndBlanksAroundThem) {
  const std::string content =
      "[general]\n"
      "  CHANNELS   =   2  \n"
      "\tLevel\t=\t-3\t\n"
      "[ Vfo-a ]\n"
      "pitchfreq=700\n";
  EXPECT_EQ(ReadIniInt(content, "General", "Channels", 1), 2);
  EXPECT_EQ(ReadIniInt(content, "GENERAL", "level", 0), -3);
  EXPECT_EQ(ReadIniInt(content, "VFO-A", "PitchFreq", 500), 700);
  EXPECT_EQ(FindIniValue(content, "General", "Channels"), std::optional<std::string_view>("2"));
}

TEST(IniText, MissingSectionOrKeyGivesTheDefault) {
  const std::string content =
      "Orphan=5\n"  // before any section: belongs to none
      "[General]\n"
      "Channels=2\n"
      "[VFO-A]\n"
      "Range=4\n";
  EXPECT_EQ(ReadIniInt("", "General", "Channels", 1), 1);
  EXPECT_EQ(ReadIniInt(content, "Pitch", "Pitch1", 300), 300);
  EXPECT_EQ(ReadIniInt(content, "General", "BitsPerSample", 16), 16);
  EXPECT_EQ(ReadIniInt(content, "General", "Orphan", -1), -1);
  // A key of another section does not count.
  EXPECT_EQ(ReadIniInt(content, "General", "Range", 1), 1);
  EXPECT_EQ(ReadIniInt(content, "VFO-A", "Channels", 9), 9);
}

TEST(IniText, ValuesThatAreNotNumbersReadAsZero) {
  const std::string content =
      "[General]\n"
      "Channels=stereo\n"
      "Level=\n"
      "xPos=12px\n";
  EXPECT_EQ(ReadIniInt(content, "General", "Channels", 1), 0);
  EXPECT_EQ(ReadIniInt(content, "General", "Level", 7), 0);
  EXPECT_EQ(ReadIniInt(content, "General", "xPos", 0), 12);
}

TEST(IniText, FirstOfDuplicateSectionsAndKeysWins) {
  const std::string content =
      "[General]\n"
      "Channels=2\n"
      "channels=1\n"
      "[GENERAL]\n"
      "Channels=1\n"
      "Level=1\n";
  EXPECT_EQ(ReadIniInt(content, "General", "Channels", 0), 2);
  // Only the first section of a name is searched.
  EXPECT_EQ(ReadIniInt(content, "General", "Level", 5), 5);
}

TEST(IniText, OddLinesAreSkipped) {
  const std::string content =
      "\xEF\xBB\xBF[General]\r\n"
      "; Channels=2\r\n"
      "Channels\r\n"  // no '=': not a key
      "junk \x01\x02\xff\r\n"
      "Level=1\r\n"
      "[Broken\r\n"  // no ']': still opens a section
      "Range=3";     // no final line end
  EXPECT_EQ(ReadIniInt(content, "General", "Channels", 1), 1);
  EXPECT_EQ(ReadIniInt(content, "General", "Level", 0), 1);
  EXPECT_EQ(ReadIniInt(content, "Broken", "Range", 0), 3);
  EXPECT_EQ(ReadIniInt(content, "General", "Range", 0), 0);
}

TEST(IniText, BinaryJunkAndHugeLinesDoNotStopTheReader) {
  std::string junk;
  for (int i = 0; i < 4096; ++i) junk.push_back(static_cast<char>((i * 7919) & 0xFF));
  const std::string content = junk + "\n[General]\n" + std::string(200000, 'x') + "=1\nLevel=" +
                              std::string(50000, '7') + "\n" + junk;
  EXPECT_EQ(ReadIniInt(content, "General", "Level", 0), INT32_MAX_);
  EXPECT_EQ(ReadIniInt(content, "General", "Channels", 1), 1);
}

// ---- writing values ----

TEST(IniText, WriteReplacesTheValueInPlaceAndKeepsEveryOtherByte) {
  const std::string content =
      "; my receiver\r\n"
      "[general]\r\n"
      "  channels = 2 ; stereo\r\n"
      "Level=0\r\n"
      "\r\n"
      "[Pitch]\r\n"
      "Pitch1=350\r\n";
  const auto written = WriteIniValue(content, "General", "Channels", "1");
  ASSERT_TRUE(written);
  EXPECT_EQ(*written,
            "; my receiver\r\n"
            "[general]\r\n"
            "  channels = 1\r\n"
            "Level=0\r\n"
            "\r\n"
            "[Pitch]\r\n"
            "Pitch1=350\r\n");
  // The same value again changes nothing.
  EXPECT_EQ(WriteIniValue(*written, "GENERAL", "CHANNELS", "1"), written);
}

TEST(IniText, MissingKeyGoesAfterTheLastKeyOfItsSection) {
  const std::string content =
      "[General]\n"
      "Channels=2\n"
      "; comment inside\n"
      "Level=1\n"
      "\n"
      "; about the next section\n"
      "[VFO-A]\n"
      "Range=2\n";
  const auto written = WriteIniValue(content, "general", "xPos", "-40");
  ASSERT_TRUE(written);
  EXPECT_EQ(*written,
            "[General]\n"
            "Channels=2\n"
            "; comment inside\n"
            "Level=1\n"
            "xPos=-40\n"
            "\n"
            "; about the next section\n"
            "[VFO-A]\n"
            "Range=2\n");

  // A section without keys gets the key right after its header.
  EXPECT_EQ(WriteIniValue("[Empty]\r\n\r\n[Next]\r\n", "Empty", "A", "1"),
            std::optional<std::string>("[Empty]\r\nA=1\r\n\r\n[Next]\r\n"));
}

TEST(IniText, MissingSectionGoesAtTheEnd) {
  EXPECT_EQ(WriteIniValue("", "General", "Channels", "1"), std::optional<std::string>("[General]\nChannels=1\n"));
  EXPECT_EQ(WriteIniValue("[A]\r\nx=1\r\n", "B", "y", "2"), std::optional<std::string>("[A]\r\nx=1\r\n[B]\r\ny=2\r\n"));
  // A last line without a line end gets one before anything is added after it.
  EXPECT_EQ(WriteIniValue("[A]\nx=1", "B", "y", "2"), std::optional<std::string>("[A]\nx=1\n[B]\ny=2\n"));
  EXPECT_EQ(WriteIniValue("[A]\r\nx=1", "A", "y", "2"), std::optional<std::string>("[A]\r\nx=1\r\ny=2\r\n"));
  // Replacing the last value keeps the missing line end missing.
  EXPECT_EQ(WriteIniValue("[A]\nx=1", "A", "X", "22"), std::optional<std::string>("[A]\nx=22"));
}

TEST(IniText, LastLineEndingInCarriageReturnIsCompletedBeforeAnAddition) {
  // A file cut short after the CR of its last CRLF: the CR ends that line for the reader, so
  // what is added after it must start on a line of its own and leave the old value as it read.
  const std::string content = "[A]\r\nx=1\r";
  ASSERT_EQ(FindIniValue(content, "A", "x"), std::optional<std::string_view>("1"));
  EXPECT_EQ(WriteIniValue(content, "A", "y", "2"), std::optional<std::string>("[A]\r\nx=1\r\ny=2\r\n"));
  EXPECT_EQ(WriteIniValue(content, "B", "y", "2"), std::optional<std::string>("[A]\r\nx=1\r\n[B]\r\ny=2\r\n"));
  // The same in a file whose other lines end in LF alone: only the missing LF is added.
  const auto mixed = WriteIniValue("[A]\nx=1\r", "A", "y", "2");
  ASSERT_TRUE(mixed);
  EXPECT_EQ(ReadIniInt(*mixed, "A", "y", -1), 2);
  EXPECT_EQ(FindIniValue(*mixed, "A", "x"), std::optional<std::string_view>("1"));
}

TEST(IniText, WriteGoesToTheFirstOfDuplicates) {
  const std::string content =
      "[General]\n"
      "Level=1\n"
      "Level=2\n"
      "[General]\n"
      "Level=3\n";
  EXPECT_EQ(WriteIniValue(content, "General", "Level", "9"),
            std::optional<std::string>("[General]\nLevel=9\nLevel=2\n[General]\nLevel=3\n"));
  EXPECT_EQ(WriteIniValue(content, "General", "Channels", "2"),
            std::optional<std::string>("[General]\nLevel=1\nLevel=2\nChannels=2\n[General]\nLevel=3\n"));
}

TEST(IniText, WriteKeepsByteOrderMarkAndJunk) {
  const std::string content = std::string("\xEF\xBB\xBF[General]\n\x01\x02=\xff\nChannels=2\n");
  const auto written = WriteIniValue(content, "General", "Channels", "1");
  ASSERT_TRUE(written);
  EXPECT_EQ(*written, std::string("\xEF\xBB\xBF[General]\n\x01\x02=\xff\nChannels=1\n"));
}

TEST(IniText, EntriesThatCannotBeWrittenAsOneLineAreRefused) {
  EXPECT_FALSE(WriteIniValue("", "General", "Channels", "1\n[Evil]"));
  EXPECT_FALSE(WriteIniValue("", "General", "Chan=nels", "1"));
  EXPECT_FALSE(WriteIniValue("", "Gen]eral", "Channels", "1"));
  EXPECT_FALSE(WriteIniValue("", "General", "", "1"));
  EXPECT_FALSE(WriteIniValue("", "General", "[Key", "1"));
  EXPECT_FALSE(WriteIniValue("", "General", ";Key", "1"));
  EXPECT_FALSE(WriteIniValue("", " General", "Key", "1"));
  EXPECT_FALSE(WriteIniValue("", "General", "Key", "1 "));
  EXPECT_FALSE(WriteIniValue("", "General", "Key\r", "1"));
  EXPECT_TRUE(WriteIniValue("", "FT-1000MP", "Key", ""));
}

// ---- the file ----

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

TEST_F(IniFileTest, MissingFileReadsDefaultsAndFirstWriteCreatesIt) {
  IniFile file(path_);
  EXPECT_EQ(file.ReadInt("General", "Channels", 1), 1);
  EXPECT_FALSE(fs::exists(path_));
  EXPECT_TRUE(file.WriteString("General", "Channels", "2"));
  EXPECT_TRUE(file.WriteString("General", "BitsPerSample", "8"));
  EXPECT_TRUE(file.WriteString("VFO-A", "Pitch", "0"));
  EXPECT_EQ(ReadFile(path_), "[General]\nChannels=2\nBitsPerSample=8\n[VFO-A]\nPitch=0\n");
  EXPECT_EQ(file.ReadInt("general", "channels", 1), 2);
  EXPECT_EQ(EntriesInDir(), 1);  // no temporary file left behind
}

TEST_F(IniFileTest, WriteKeepsTheFilesPermissions) {
  if (WINDOWS) GTEST_SKIP() << "Windows files have no POSIX permission bits";
  WriteFile(path_, "[General]\nChannels=1\n");
  fs::permissions(path_, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  IniFile file(path_);
  ASSERT_TRUE(file.WriteString("General", "Channels", "2"));
  EXPECT_EQ(ReadFile(path_), "[General]\nChannels=2\n");
  EXPECT_EQ(fs::status(path_).permissions(), fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
}

// A file the program writes always reads back: a write that would grow it past the read limit
// fails and leaves it as it was, while one that stays within the limit goes through.
TEST_F(IniFileTest, WritesNeverGrowTheFilePastWhatReadsAccept) {
  const std::string head = "[General]\nChannels=2\n";
  std::string comment(INI_MAX_FILE_SIZE - head.size() - 12, 'x');
  const std::string old = head + ";" + comment + "\n";
  WriteFile(path_, old);
  IniFile file(path_);
  ASSERT_EQ(file.ReadInt("General", "Channels", 1), 2);
  testing::internal::CaptureStderr();
  EXPECT_FALSE(file.WriteString("General", "NumberOfAverages", "10"));
  testing::internal::GetCapturedStderr();
  EXPECT_NE(file.LastError().find("bytes"), std::string::npos);
  EXPECT_EQ(ReadFile(path_), old);
  EXPECT_TRUE(file.WriteString("General", "Level", "1"));
  EXPECT_EQ(ReadFile(path_).size(), INI_MAX_FILE_SIZE - 2);
  EXPECT_EQ(file.ReadInt("General", "Level", 0), 1);
}

TEST_F(IniFileTest, FailedWriteLeavesTheOldFileAndSaysSo) {
  const std::string old = "; mine\r\n[General]\r\nChannels=2\r\n";
  WriteFile(path_, old);
  // Something in the way of the temporary file: the new content cannot be written.
  fs::create_directory(IniTempPath(path_));
  IniFile file(path_);
  testing::internal::CaptureStderr();
  EXPECT_FALSE(file.WriteString("General", "Channels", "1"));
  EXPECT_FALSE(file.WriteString("VFO-B", "Range", "1"));
  const std::string errors = testing::internal::GetCapturedStderr();
  EXPECT_EQ(ReadFile(path_), old);
  EXPECT_EQ(file.ReadInt("General", "Channels", 1), 2);
  EXPECT_NE(errors.find("keblor.ini"), std::string::npos);
  EXPECT_EQ(std::count(errors.begin(), errors.end(), '\n'), 2);  // one line per failed write
}

TEST_F(IniFileTest, StaleTemporaryFileDoesNotBlockWrites) {
  WriteFile(IniTempPath(path_), "half written");
  IniFile file(path_);
  EXPECT_TRUE(file.WriteString("General", "Level", "1"));
  EXPECT_EQ(ReadFile(path_), "[General]\nLevel=1\n");
  EXPECT_FALSE(fs::exists(IniTempPath(path_)));
}

TEST_F(IniFileTest, PathInMissingDirectoryReadsDefaultsAndFailsWrites) {
  IniFile file((dir_ / "nowhere" / "keblor.ini").string());
  EXPECT_EQ(file.ReadInt("General", "Channels", 1), 1);
  testing::internal::CaptureStderr();
  EXPECT_FALSE(file.WriteString("General", "Channels", "2"));
  EXPECT_FALSE(testing::internal::GetCapturedStderr().empty());
  EXPECT_FALSE(fs::exists(dir_ / "nowhere"));
}

TEST_F(IniFileTest, DirectoryAtThePathReadsDefaultsAndFailsWrites) {
  fs::create_directory(path_);
  IniFile file(path_);
  EXPECT_EQ(file.ReadInt("General", "BitsPerSample", 16), 16);
  testing::internal::CaptureStderr();
  EXPECT_FALSE(file.WriteString("General", "BitsPerSample", "8"));
  testing::internal::GetCapturedStderr();
  EXPECT_TRUE(fs::is_directory(path_));
  EXPECT_TRUE(fs::is_empty(path_));
  EXPECT_EQ(EntriesInDir(), 1);
}

TEST_F(IniFileTest, OversizedFileIsNeitherReadNorReplaced) {
  std::string big = "[General]\nChannels=2\n";
  big.append(INI_MAX_FILE_SIZE, ';');
  WriteFile(path_, big);
  IniFile file(path_);
  EXPECT_EQ(file.ReadInt("General", "Channels", 1), 1);
  testing::internal::CaptureStderr();
  EXPECT_FALSE(file.WriteString("General", "Channels", "1"));
  testing::internal::GetCapturedStderr();
  EXPECT_EQ(fs::file_size(path_), big.size());
}

TEST_F(IniFileTest, SymbolicLinkIsFollowedAndKept) {
  if (WINDOWS) GTEST_SKIP() << "the C++ library makes no symbolic links on Windows";
  const fs::path real = dir_ / "real.ini";
  WriteFile(real, "[General]\nLevel=0\n");
  fs::create_symlink(real, path_);
  IniFile file(path_);
  EXPECT_EQ(file.ReadInt("General", "Level", 5), 0);
  ASSERT_TRUE(file.WriteString("General", "Level", "1"));
  EXPECT_TRUE(fs::is_symlink(path_));
  EXPECT_EQ(ReadFile(real), "[General]\nLevel=1\n");
}

TEST_F(IniFileTest, LinkToAMissingFileCreatesItsTargetAndLinkLoopsFail) {
  if (WINDOWS) GTEST_SKIP() << "the C++ library makes no symbolic links on Windows";
  fs::create_directory(dir_ / "conf");
  fs::create_symlink("conf/real.ini", path_);  // relative to the link's folder
  IniFile file(path_);
  EXPECT_EQ(file.ReadInt("General", "Level", 5), 5);
  ASSERT_TRUE(file.WriteString("General", "Level", "1"));
  EXPECT_TRUE(fs::is_symlink(path_));
  EXPECT_EQ(ReadFile(dir_ / "conf" / "real.ini"), "[General]\nLevel=1\n");

  const fs::path loop = dir_ / "loop.ini";
  fs::create_symlink(loop, loop);
  IniFile looped(loop.string());
  testing::internal::CaptureStderr();
  EXPECT_FALSE(looped.WriteString("General", "Level", "1"));
  EXPECT_NE(testing::internal::GetCapturedStderr().find("too many links"), std::string::npos);
  EXPECT_TRUE(fs::is_symlink(loop));
}

}  // namespace
}  // namespace keblor
