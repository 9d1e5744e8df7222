#include "core/ini_document.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <string_view>

namespace keblor {
namespace {

constexpr std::int32_t INT32_MAX_ = std::numeric_limits<std::int32_t>::max();
constexpr std::int32_t INT32_MIN_ = std::numeric_limits<std::int32_t>::min();

// One look-up or one Set in a document made from `text`.
std::int32_t ReadInt(const std::string& text, std::string_view section, std::string_view key, std::int32_t def) {
  return IniDocument(text).ReadInt(section, key, def);
}
std::optional<std::string> Value(const std::string& text, std::string_view section, std::string_view key) {
  const IniDocument document(text);
  const std::optional<std::string_view> value = document.Find(section, key);
  return value ? std::optional<std::string>(*value) : std::nullopt;
}
// The text after the Set, or nothing when it was refused.
std::optional<std::string> Written(const std::string& text, std::string_view section, std::string_view key,
                                   std::string_view value) {
  IniDocument document(text);
  if (!document.Set(section, key, value)) return std::nullopt;
  return document.Text();
}

// ---- reading values ----

// A value reads as its leading signed decimal number, saturated to 32 bits; 0 when there is none.
TEST(IniDocument, ValuesReadAsTheirLeadingNumber) {
  EXPECT_EQ(ParseLeadingInt("123"), 123);
  EXPECT_EQ(ParseLeadingInt("-45"), -45);
  EXPECT_EQ(ParseLeadingInt("+7"), 7);
  EXPECT_EQ(ParseLeadingInt("007"), 7);
  EXPECT_EQ(ParseLeadingInt("12abc"), 12);
  EXPECT_EQ(ParseLeadingInt("0x10"), 0);  // decimal only
  EXPECT_EQ(ParseLeadingInt("abc"), 0);
  EXPECT_EQ(ParseLeadingInt(""), 0);
  EXPECT_EQ(ParseLeadingInt("+-5"), 0);
  EXPECT_EQ(ParseLeadingInt("2147483647"), INT32_MAX_);
  EXPECT_EQ(ParseLeadingInt("2147483648"), INT32_MAX_);
  EXPECT_EQ(ParseLeadingInt("-2147483648"), INT32_MIN_);
  EXPECT_EQ(ParseLeadingInt("-2147483649"), INT32_MIN_);
  EXPECT_EQ(ParseLeadingInt(std::string(100000, '9')), INT32_MAX_);
}

TEST(IniDocument, SectionsAndKeysMatchWithoutCaseAndBlanksAroundThem) {
  const std::string content =
      "[general]\n"
      "  CHANNELS   =   2  \n"
      "\tLevel\t=\t-3\t\n"
      "[ Vfo-a ]\n"
      "pitchfreq=700\n";
  EXPECT_EQ(ReadInt(content, "General", "Channels", 1), 2);
  EXPECT_EQ(ReadInt(content, "GENERAL", "level", 0), -3);
  EXPECT_EQ(ReadInt(content, "VFO-A", "PitchFreq", 500), 700);
  EXPECT_EQ(Value(content, "General", "Channels"), std::optional<std::string>("2"));
}

TEST(IniDocument, MissingSectionOrKeyGivesTheDefault) {
  const std::string content =
      "Orphan=5\n"  // before any section: belongs to none
      "[General]\n"
      "Channels=2\n"
      "[VFO-A]\n"
      "Range=4\n";
  EXPECT_EQ(ReadInt("", "General", "Channels", 1), 1);
  EXPECT_EQ(ReadInt(content, "Pitch", "Pitch1", 300), 300);
  EXPECT_EQ(ReadInt(content, "General", "BitsPerSample", 16), 16);
  EXPECT_EQ(ReadInt(content, "General", "Orphan", -1), -1);
  // A key of another section does not count.
  EXPECT_EQ(ReadInt(content, "General", "Range", 1), 1);
  EXPECT_EQ(ReadInt(content, "VFO-A", "Channels", 9), 9);
}

// Of a section or key that is there twice, the first is the one read and written.
TEST(IniDocument, TheFirstOfDuplicatesIsReadAndWritten) {
  {
    const std::string content =
        "[General]\n"
        "Channels=2\n"
        "channels=1\n"
        "[GENERAL]\n"
        "Channels=1\n"
        "Level=1\n";
    EXPECT_EQ(ReadInt(content, "General", "Channels", 0), 2);
    // Only the first section of a name is searched.
    EXPECT_EQ(ReadInt(content, "General", "Level", 5), 5);
  }
  {
    const std::string content =
        "[General]\n"
        "Level=1\n"
        "Level=2\n"
        "[General]\n"
        "Level=3\n";
    EXPECT_EQ(Written(content, "General", "Level", "9"),
              std::optional<std::string>("[General]\nLevel=9\nLevel=2\n[General]\nLevel=3\n"));
    EXPECT_EQ(Written(content, "General", "Channels", "2"),
              std::optional<std::string>("[General]\nLevel=1\nLevel=2\nChannels=2\n[General]\nLevel=3\n"));
  }
}

// Comments, lines without '=', a byte order mark, binary junk and huge lines are skipped by the
// reader and kept by a write.
TEST(IniDocument, OddLinesAndJunkAreSkippedAndKept) {
  {
    const std::string content =
        "\xEF\xBB\xBF[General]\r\n"
        "; Channels=2\r\n"
        "Channels\r\n"  // no '=': not a key
        "junk \x01\x02\xff\r\n"
        "Level=1\r\n"
        "[Broken\r\n"  // no ']': still opens a section
        "Range=3";     // no final line end
    EXPECT_EQ(ReadInt(content, "General", "Channels", 1), 1);
    EXPECT_EQ(ReadInt(content, "General", "Level", 0), 1);
    EXPECT_EQ(ReadInt(content, "Broken", "Range", 0), 3);
    EXPECT_EQ(ReadInt(content, "General", "Range", 0), 0);
  }
  {
    std::string junk;
    for (int i = 0; i < 4096; ++i) junk.push_back(static_cast<char>((i * 7919) & 0xFF));
    const std::string content = junk + "\n[General]\n" + std::string(200000, 'x') + "=1\nLevel=" +
                                std::string(50000, '7') + "\n" + junk;
    EXPECT_EQ(ReadInt(content, "General", "Level", 0), INT32_MAX_);
    EXPECT_EQ(ReadInt(content, "General", "Channels", 1), 1);
  }
  {
    const std::string content = std::string("\xEF\xBB\xBF[General]\n\x01\x02=\xff\nChannels=2\n");
    const auto written = Written(content, "General", "Channels", "1");
    ASSERT_TRUE(written);
    EXPECT_EQ(*written, std::string("\xEF\xBB\xBF[General]\n\x01\x02=\xff\nChannels=1\n"));
  }
}

// ---- setting values ----

TEST(IniDocument, WriteReplacesTheValueInPlaceAndKeepsEveryOtherByte) {
  const std::string content =
      "; my receiver\r\n"
      "[general]\r\n"
      "  channels = 2 ; stereo\r\n"
      "Level=0\r\n"
      "\r\n"
      "[Pitch]\r\n"
      "Pitch1=350\r\n";
  const auto written = Written(content, "General", "Channels", "1");
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
  EXPECT_EQ(Written(*written, "GENERAL", "CHANNELS", "1"), written);
}

TEST(IniDocument, MissingKeyGoesAfterTheLastKeyOfItsSection) {
  const std::string content =
      "[General]\n"
      "Channels=2\n"
      "; comment inside\n"
      "Level=1\n"
      "\n"
      "; about the next section\n"
      "[VFO-A]\n"
      "Range=2\n";
  const auto written = Written(content, "general", "xPos", "-40");
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
  EXPECT_EQ(Written("[Empty]\r\n\r\n[Next]\r\n", "Empty", "A", "1"),
            std::optional<std::string>("[Empty]\r\nA=1\r\n\r\n[Next]\r\n"));
}

TEST(IniDocument, MissingSectionGoesAtTheEnd) {
  EXPECT_EQ(Written("", "General", "Channels", "1"), std::optional<std::string>("[General]\nChannels=1\n"));
  EXPECT_EQ(Written("[A]\r\nx=1\r\n", "B", "y", "2"), std::optional<std::string>("[A]\r\nx=1\r\n[B]\r\ny=2\r\n"));
  // A last line without a line end gets one before anything is added after it.
  EXPECT_EQ(Written("[A]\nx=1", "B", "y", "2"), std::optional<std::string>("[A]\nx=1\n[B]\ny=2\n"));
  EXPECT_EQ(Written("[A]\r\nx=1", "A", "y", "2"), std::optional<std::string>("[A]\r\nx=1\r\ny=2\r\n"));
  // Replacing the last value keeps the missing line end missing.
  EXPECT_EQ(Written("[A]\nx=1", "A", "X", "22"), std::optional<std::string>("[A]\nx=22"));
}

TEST(IniDocument, LastLineEndingInCarriageReturnIsCompletedBeforeAnAddition) {
  // A file cut short after the CR of its last CRLF: the CR ends that line for the reader, so
  // what is added after it must start on a line of its own and leave the old value as it read.
  const std::string content = "[A]\r\nx=1\r";
  ASSERT_EQ(Value(content, "A", "x"), std::optional<std::string>("1"));
  EXPECT_EQ(Written(content, "A", "y", "2"), std::optional<std::string>("[A]\r\nx=1\r\ny=2\r\n"));
  EXPECT_EQ(Written(content, "B", "y", "2"), std::optional<std::string>("[A]\r\nx=1\r\n[B]\r\ny=2\r\n"));
  // The same in a file whose other lines end in LF alone: only the missing LF is added.
  const auto mixed = Written("[A]\nx=1\r", "A", "y", "2");
  ASSERT_TRUE(mixed);
  EXPECT_EQ(ReadInt(*mixed, "A", "y", -1), 2);
  EXPECT_EQ(Value(*mixed, "A", "x"), std::optional<std::string>("1"));
}

TEST(IniDocument, EntriesThatCannotBeWrittenAsOneLineAreRefused) {
  EXPECT_FALSE(Written("", "General", "Channels", "1\n[Evil]"));
  EXPECT_FALSE(Written("", "General", "Chan=nels", "1"));
  EXPECT_FALSE(Written("", "Gen]eral", "Channels", "1"));
  EXPECT_FALSE(Written("", "General", "", "1"));
  EXPECT_FALSE(Written("", "General", "[Key", "1"));
  EXPECT_FALSE(Written("", "General", ";Key", "1"));
  EXPECT_FALSE(Written("", " General", "Key", "1"));
  EXPECT_FALSE(Written("", "General", "Key", "1 "));
  EXPECT_FALSE(Written("", "General", "Key\r", "1"));
  EXPECT_TRUE(Written("", "FT-1000MP", "Key", ""));
}

// Changed tells a save whether there is anything to write: setting the value a line already
// holds is no change, and a refused Set changes nothing.
TEST(IniDocument, ChangedOnlyWhenAByteChanged) {
  IniDocument document("[General]\nLevel=1\n");
  EXPECT_FALSE(document.Set("General", "Level", "1 "));
  ASSERT_TRUE(document.Set("GENERAL", "level", "1"));
  EXPECT_FALSE(document.Changed());
  ASSERT_TRUE(document.Set("General", "Level", "2"));
  EXPECT_TRUE(document.Changed());
}

}  // namespace
}  // namespace keblor
