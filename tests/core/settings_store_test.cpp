#include "core/settings_store.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "core/ini_file.h"
#include "temp_folder.h"

namespace keblor {
namespace {

namespace fs = std::filesystem;

// File content held in memory, every read and write logged in order.
class MemorySettingsFile : public SettingsFile {
 public:
  explicit MemorySettingsFile(std::string text = {}) : content(std::move(text)) {}
  std::int32_t ReadInt(const std::string& section, const std::string& key, std::int32_t defaultValue) override {
    reads.push_back(section + "/" + key + "/" + std::to_string(defaultValue));
    return ReadIniInt(content, section, key, defaultValue);
  }
  std::optional<std::string> ReadString(const std::string& section, const std::string& key) override {
    reads.push_back(section + "/" + key);
    const std::optional<std::string_view> value = FindIniValue(content, section, key);
    if (!value) return std::nullopt;
    return std::string(*value);
  }
  bool WriteString(const std::string& section, const std::string& key, const std::string& value) override {
    writes.push_back(section + "/" + key + "=" + value);
    if (failWrites) return false;
    auto updated = WriteIniValue(content, section, key, value);
    if (!updated) return false;
    content = *updated;
    return true;
  }
  std::string content;
  std::vector<std::string> reads;
  std::vector<std::string> writes;
  bool failWrites = false;
};

Settings Load(const std::string& content) {
  MemorySettingsFile file(content);
  Settings settings;
  // Start from values no rule would produce, so that every field must come from the load.
  settings.Channels = settings.BitsPerSample = settings.NumberOfAverages = -77;
  settings.VFO_A.Range = settings.VFO_B.Range = -77;
  settings.Pitch1 = settings.Pitch2 = settings.Pitch3 = -77;
  LoadSettings(settings, file);
  return settings;
}

TEST(LoadSettings, NoFileGivesTheDefaults) {
  MemorySettingsFile file;
  Settings s;
  s.Channels = 2;
  s.BitsPerSample = 8;
  s.NumberOfAverages = 9;
  s.FT1000MP = 1;
  s.Level = 1;
  s.AlwaysOnTop = 0;
  s.xPos = s.yPos = 5;
  s.ArrangeVertically = 1;
  s.VFO_A = {1, 0, 4};
  s.VFO_B = {1, 0, 4};
  s.Pitch1 = s.Pitch2 = s.Pitch3 = 1;
  LoadSettings(s, file);
  EXPECT_EQ(s.Channels, 1);
  EXPECT_EQ(s.BitsPerSample, 16);
  EXPECT_EQ(s.NumberOfAverages, 1);
  EXPECT_EQ(s.FT1000MP, 0);
  EXPECT_EQ(s.Level, 0);
  EXPECT_EQ(s.AlwaysOnTop, 1);
  EXPECT_EQ(s.xPos, 0);
  EXPECT_EQ(s.yPos, 0);
  EXPECT_EQ(s.ArrangeVertically, 0);
  EXPECT_EQ(s.VFO_A.PitchFreq, 500);
  EXPECT_EQ(s.VFO_A.Pitch, 1);
  EXPECT_EQ(s.VFO_A.Range, 1);
  EXPECT_EQ(s.VFO_B.PitchFreq, 500);
  EXPECT_EQ(s.VFO_B.Pitch, 1);
  EXPECT_EQ(s.VFO_B.Range, 3);
  EXPECT_EQ(s.Pitch1, 300);
  EXPECT_EQ(s.Pitch2, 500);
  EXPECT_EQ(s.Pitch3, 700);

  // The eighteen keys are read in table order, each with its default, then the tuning aids'.
  const std::vector<std::string> expected = {
      "General/Channels/1",        "General/BitsPerSample/16", "General/NumberOfAverages/1",
      "General/FT-1000MP/0",       "General/Level/0",          "General/AlwaysOnTop/1",
      "General/xPos/0",            "General/yPos/0",           "General/ArrangeVertically/0",
      "VFO-A/PitchFreq/500",       "VFO-A/Pitch/1",            "VFO-A/Range/1",
      "VFO-B/PitchFreq/500",       "VFO-B/Pitch/1",            "VFO-B/Range/3",
      "Pitch/Pitch1/300",          "Pitch/Pitch2/500",         "Pitch/Pitch3/700",
      "General/PitchReadout/0",    "General/RunningAverage/0", "General/Zoom/1",
      "General/Input"};
  EXPECT_EQ(file.reads, expected);
}

TEST(LoadSettings, EveryKeyIsTakenFromTheFile) {
  const Settings s = Load(
      "[General]\nChannels=2\nBitsPerSample=8\nNumberOfAverages=7\nFT-1000MP=1\nLevel=1\nAlwaysOnTop=0\n"
      "xPos=-1200\nyPos=33\nArrangeVertically=1\n"
      "[VFO-A]\nPitchFreq=650\nPitch=0\nRange=0\n"
      "[VFO-B]\nPitchFreq=800\nPitch=0\nRange=4\n"
      "[Pitch]\nPitch1=400\nPitch2=600\nPitch3=-20\n");
  EXPECT_EQ(s.Channels, 2);
  EXPECT_EQ(s.BitsPerSample, 8);
  EXPECT_EQ(s.NumberOfAverages, 7);
  EXPECT_EQ(s.FT1000MP, 1);
  EXPECT_EQ(s.Level, 1);
  EXPECT_EQ(s.AlwaysOnTop, 0);
  EXPECT_EQ(s.xPos, -1200);
  EXPECT_EQ(s.yPos, 33);
  EXPECT_EQ(s.ArrangeVertically, 1);
  EXPECT_EQ(s.VFO_A.PitchFreq, 650);
  EXPECT_EQ(s.VFO_A.Pitch, 0);
  EXPECT_EQ(s.VFO_A.Range, 0);
  EXPECT_EQ(s.VFO_B.PitchFreq, 800);
  EXPECT_EQ(s.VFO_B.Pitch, 0);
  EXPECT_EQ(s.VFO_B.Range, 4);
  EXPECT_EQ(s.Pitch1, 400);
  EXPECT_EQ(s.Pitch2, 600);
  EXPECT_EQ(s.Pitch3, -20);
}

TEST(LoadSettings, ChannelsAndBitsFallBackToMonoAnd8Bits) {
  EXPECT_EQ(Load("[General]\nChannels=0\n").Channels, 1);
  EXPECT_EQ(Load("[General]\nChannels=3\n").Channels, 1);
  EXPECT_EQ(Load("[General]\nChannels=-2\n").Channels, 1);
  EXPECT_EQ(Load("[General]\nChannels=stereo\n").Channels, 1);
  EXPECT_EQ(Load("[General]\nChannels=2\n").Channels, 2);
  // Anything but 16 is 8, even 24 or 12.
  EXPECT_EQ(Load("[General]\nBitsPerSample=24\n").BitsPerSample, 8);
  EXPECT_EQ(Load("[General]\nBitsPerSample=12\n").BitsPerSample, 8);
  EXPECT_EQ(Load("[General]\nBitsPerSample=0\n").BitsPerSample, 8);
  EXPECT_EQ(Load("[General]\nBitsPerSample=8\n").BitsPerSample, 8);
  EXPECT_EQ(Load("[General]\nBitsPerSample=16\n").BitsPerSample, 16);
}

// Held to 1..100 as the averaging keys hold it: a huge count would never update the display.
TEST(LoadSettings, AveragesAreHeldToTheKeysBounds) {
  EXPECT_EQ(Load("[General]\nNumberOfAverages=0\n").NumberOfAverages, 1);
  EXPECT_EQ(Load("[General]\nNumberOfAverages=-5\n").NumberOfAverages, 1);
  EXPECT_EQ(Load("[General]\nNumberOfAverages=-99999999999\n").NumberOfAverages, 1);
  EXPECT_EQ(Load("[General]\nNumberOfAverages=100\n").NumberOfAverages, 100);
  EXPECT_EQ(Load("[General]\nNumberOfAverages=250\n").NumberOfAverages, 100);
  EXPECT_EQ(Load("[General]\nNumberOfAverages=99999999999\n").NumberOfAverages, 100);
}

TEST(LoadSettings, RangesAreClampedToTheFiveSpans) {
  Settings s = Load("[VFO-A]\nRange=-1\n[VFO-B]\nRange=9\n");
  EXPECT_EQ(s.VFO_A.Range, 0);
  EXPECT_EQ(s.VFO_B.Range, 4);
  s = Load("[VFO-A]\nRange=9\n[VFO-B]\nRange=-1\n");
  EXPECT_EQ(s.VFO_A.Range, 4);
  EXPECT_EQ(s.VFO_B.Range, 0);
  s = Load("[VFO-A]\nRange=-2147483648\n[VFO-B]\nRange=2147483647\n");
  EXPECT_EQ(s.VFO_A.Range, 0);
  EXPECT_EQ(s.VFO_B.Range, 4);
  s = Load("[VFO-A]\nRange=2\n[VFO-B]\nRange=0\n");
  EXPECT_EQ(s.VFO_A.Range, 2);
  EXPECT_EQ(s.VFO_B.Range, 0);
}

TEST(LoadSettings, PitchesAndFlagsAreNotValidated) {
  const Settings s = Load(
      "[General]\nFT-1000MP=-3\nLevel=42\nAlwaysOnTop=-1\n"
      "[VFO-A]\nPitchFreq=9000\nPitch=5\n[VFO-B]\nPitchFreq=-250\n"
      "[Pitch]\nPitch1=99999\nPitch2=0\n");
  EXPECT_EQ(s.FT1000MP, -3);
  EXPECT_EQ(s.Level, 42);
  EXPECT_EQ(s.AlwaysOnTop, -1);
  EXPECT_EQ(s.VFO_A.PitchFreq, 9000);
  EXPECT_EQ(s.VFO_A.Pitch, 5);
  EXPECT_EQ(s.VFO_B.PitchFreq, -250);
  EXPECT_EQ(s.Pitch1, 99999);
  EXPECT_EQ(s.Pitch2, 0);
  EXPECT_EQ(s.Pitch3, 700);
}

// ---- saving ----

class SaveSettingsTest : public ::testing::Test {
 protected:
  void SetUp() override {
  }
  Settings settings;
  MemorySettingsFile memory;
};

TEST_F(SaveSettingsTest, FirstSaveCreatesTheThreeSectionsInWriteOrder) {
  settings.Channels = 2;
  settings.NumberOfAverages = 12;
  settings.VFO_A = {650, 0, 2};
  settings.VFO_B = {-40, 1, 4};
  settings.xPos = -8;
  settings.yPos = 1050;
  EXPECT_TRUE(SaveSettings(settings, &memory));
  EXPECT_EQ(memory.content,
            "[General]\n"
            "Channels=2\n"
            "BitsPerSample=16\n"
            "NumberOfAverages=12\n"
            "FT-1000MP=0\n"
            "Level=0\n"
            "AlwaysOnTop=1\n"
            "xPos=-8\n"
            "yPos=1050\n"
            "ArrangeVertically=0\n"
            "[VFO-A]\n"
            "Pitch=0\n"
            "PitchFreq=650\n"
            "Range=2\n"
            "[VFO-B]\n"
            "Pitch=1\n"
            "PitchFreq=-40\n"
            "Range=4\n");
  EXPECT_EQ(memory.writes.size(), 15u);
}

TEST_F(SaveSettingsTest, SaveKeepsPresetsCommentsOtherKeysAndLineEnds) {
  memory.content =
      "; tuned for the big rig\r\n"
      "[General]\r\n"
      "Channels = 7\r\n"
      "Callsign=XX1XX\r\n"
      "BitsPerSample=24\r\n"
      "\r\n"
      "[Pitch]\r\n"
      "Pitch1=350\r\n"
      "Pitch2=550\r\n"
      "Pitch3=750\r\n";
  LoadSettings(settings, memory);
  EXPECT_EQ(settings.Channels, 1);
  EXPECT_EQ(settings.BitsPerSample, 8);
  ASSERT_TRUE(SaveSettings(settings, &memory));
  // Out-of-range values from the file are written back corrected.
  EXPECT_EQ(memory.content,
            "; tuned for the big rig\r\n"
            "[General]\r\n"
            "Channels = 1\r\n"
            "Callsign=XX1XX\r\n"
            "BitsPerSample=8\r\n"
            "NumberOfAverages=1\r\n"
            "FT-1000MP=0\r\n"
            "Level=0\r\n"
            "AlwaysOnTop=1\r\n"
            "xPos=0\r\n"
            "yPos=0\r\n"
            "ArrangeVertically=0\r\n"
            "\r\n"
            "[Pitch]\r\n"
            "Pitch1=350\r\n"
            "Pitch2=550\r\n"
            "Pitch3=750\r\n"
            "[VFO-A]\r\n"
            "Pitch=1\r\n"
            "PitchFreq=500\r\n"
            "Range=1\r\n"
            "[VFO-B]\r\n"
            "Pitch=1\r\n"
            "PitchFreq=500\r\n"
            "Range=3\r\n");
  for (const std::string& write : memory.writes) EXPECT_EQ(write.find("Pitch/"), std::string::npos) << write;
}

// A file that never used the tuning aids gains no line for them; once one is on it is kept, and
// turning it off again is kept too. Zoom is held to 1..4 on reading.
TEST_F(SaveSettingsTest, TuningAidKeysAppearOnlyOnceUsed) {
  ASSERT_TRUE(SaveSettings(settings, &memory));
  EXPECT_EQ(memory.content.find("Zoom"), std::string::npos);
  EXPECT_EQ(memory.content.find("PitchReadout"), std::string::npos);
  settings.Zoom = 3;
  settings.RunningAverage = 1;
  ASSERT_TRUE(SaveSettings(settings, &memory));
  Settings loaded;
  LoadSettings(loaded, memory);
  EXPECT_EQ(loaded.Zoom, 3);
  EXPECT_EQ(loaded.RunningAverage, 1);
  EXPECT_EQ(loaded.PitchReadout, 0);
  EXPECT_EQ(memory.content.find("PitchReadout"), std::string::npos);
  settings.RunningAverage = 0;
  settings.Zoom = 1;
  ASSERT_TRUE(SaveSettings(settings, &memory));
  LoadSettings(loaded, memory);
  EXPECT_EQ(loaded.RunningAverage, 0);
  EXPECT_EQ(loaded.Zoom, 1);
  EXPECT_EQ(Load("[General]\nZoom=9\n").Zoom, 4);
}

// The input's name is kept as written; a file that never named one gains no line, and going back
// to the default input in a file that named one leaves the key empty, every other line as it was.
TEST_F(SaveSettingsTest, TheInputKeyAppearsOnlyOnceUsed) {
  EXPECT_EQ(Load("[General]\nInput = alsa_input.usb-Burr-Brown_USB_Audio_CODEC-00.analog-stereo \n").Input,
            "alsa_input.usb-Burr-Brown_USB_Audio_CODEC-00.analog-stereo");
  EXPECT_EQ(Load("[general]\ninput=Monitor of Rig & Co\n").Input, "Monitor of Rig & Co");
  memory.content = "; mine\r\n[General]\r\nChannels=1\r\n\r\n[VFO-A]\r\nPitchFreq=500\r\n";
  ASSERT_TRUE(SaveSettings(settings, &memory));
  EXPECT_EQ(memory.content.find("Input"), std::string::npos);

  settings.Input = "cw2.monitor";
  ASSERT_TRUE(SaveSettings(settings, &memory));
  EXPECT_EQ(Load(memory.content).Input, "cw2.monitor");
  const std::string withInput = memory.content;
  settings.Input.clear();
  ASSERT_TRUE(SaveSettings(settings, &memory));
  EXPECT_EQ(Load(memory.content).Input, "");
  std::string expected = withInput;
  expected.replace(expected.find("Input=cw2.monitor"), 17, "Input=");
  EXPECT_EQ(memory.content, expected);
  EXPECT_EQ(memory.content.rfind("; mine\r\n[General]\r\nChannels=1\r\n", 0), 0u);
}

TEST_F(SaveSettingsTest, FailedWritesAreReported) {
  memory.failWrites = true;
  testing::internal::CaptureStderr();
  EXPECT_FALSE(SaveSettings(settings, &memory));
  EXPECT_FALSE(testing::internal::GetCapturedStderr().empty());
  // Every value is still attempted, and the settings in memory stay as they are.
  EXPECT_EQ(memory.writes.size(), 15u);
  EXPECT_EQ(settings.Channels, 1);

  testing::internal::CaptureStderr();
  EXPECT_FALSE(SaveSettings(settings, nullptr));
  testing::internal::GetCapturedStderr();
}

// Load and save through the real file.
class SettingsOnDisk : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_FALSE(dir_.empty()); }
  std::string ReadFile() const {
    std::ifstream in(path_, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }

  TempFolder folder_{"keblor_settings"};
  fs::path dir_ = folder_.Path();
  std::string path_ = (dir_ / "keblor.ini").string();
  Settings settings;
};

TEST_F(SettingsOnDisk, SavedSettingsLoadBackUnchanged) {
  IniFile file(path_);
  settings.Channels = 2;
  settings.BitsPerSample = 8;
  settings.NumberOfAverages = 100;
  settings.FT1000MP = 1;
  settings.AlwaysOnTop = 0;
  settings.ArrangeVertically = 1;
  settings.VFO_A = {720, 0, 0};
  settings.VFO_B = {430, 1, 2};
  settings.xPos = 15;
  settings.yPos = 25;
  settings.Input = "alsa_input.usb-0d8c_USB_Sound_Device-00.mono-fallback";
  ASSERT_TRUE(SaveSettings(settings, &file));

  Settings loaded;
  LoadSettings(loaded, file);
  EXPECT_EQ(loaded.Input, settings.Input);
  EXPECT_EQ(loaded.Channels, 2);
  EXPECT_EQ(loaded.BitsPerSample, 8);
  EXPECT_EQ(loaded.NumberOfAverages, 100);
  EXPECT_EQ(loaded.FT1000MP, 1);
  EXPECT_EQ(loaded.AlwaysOnTop, 0);
  EXPECT_EQ(loaded.xPos, 15);
  EXPECT_EQ(loaded.yPos, 25);
  EXPECT_EQ(loaded.ArrangeVertically, 1);
  EXPECT_EQ(loaded.VFO_A.PitchFreq, 720);
  EXPECT_EQ(loaded.VFO_A.Pitch, 0);
  EXPECT_EQ(loaded.VFO_A.Range, 0);
  EXPECT_EQ(loaded.VFO_B.PitchFreq, 430);
  EXPECT_EQ(loaded.VFO_B.Range, 2);
  EXPECT_EQ(loaded.Pitch1, 300);
}

TEST_F(SettingsOnDisk, SaveThatCannotReplaceTheFileLeavesItIntact) {
  const std::string old = "[General]\nChannels=2\n[Pitch]\nPitch1=320\n";
  {
    std::ofstream out(path_, std::ios::binary);
    out << old;
  }
  fs::create_directory(IniTempPath(path_));
  IniFile file(path_);
  LoadSettings(settings, file);
  settings.Channels = 1;
  testing::internal::CaptureStderr();
  EXPECT_FALSE(SaveSettings(settings, &file));
  const std::string errors = testing::internal::GetCapturedStderr();
  EXPECT_NE(errors.find("not"), std::string::npos);
  EXPECT_EQ(ReadFile(), old);
  EXPECT_EQ(settings.Channels, 1);
}

}  // namespace
}  // namespace keblor
