#include "core/settings_store.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <tuple>

#include "core/ini_file.h"
#include "fakes/memory_settings_file.h"
#include "temp_folder.h"

namespace keblor::test {
namespace {

// Every field of the settings, to compare two of them whole.
template <class S>
auto Fields(S& s) {
  return std::tie(s.Channels, s.BitsPerSample, s.NumberOfAverages, s.FT1000MP, s.Level, s.AlwaysOnTop, s.xPos,
                  s.yPos, s.ArrangeVertically, s.PitchReadout, s.RunningAverage, s.Zoom, s.Waterfall, s.Input,
                  s.VFO_A.PitchFreq, s.VFO_A.Pitch, s.VFO_A.Range, s.VFO_B.PitchFreq, s.VFO_B.Pitch, s.VFO_B.Range,
                  s.Rig.Model, s.Rig.Port, s.Rig.Speed, s.Rig.Sideband, s.Skimmer.Decode, s.Skimmer.Signals,
                  s.Skimmer.xPos, s.Skimmer.yPos, s.Skimmer.Width, s.Skimmer.Height, s.Spots.Host, s.Spots.Port,
                  s.Spots.Call, s.Spots.Minutes, s.Pitch1, s.Pitch2, s.Pitch3);
}

void Poison(std::int32_t& value) { value = -77; }
void Poison(std::string& text) { text = "poison"; }

// Loads from this file text into settings that start from values no rule would produce, so that
// every field must come from the load.
Settings Load(const std::string& content) {
  MemorySettingsFile file(content);
  Settings settings;
  std::apply([](auto&... field) { (Poison(field), ...); }, Fields(settings));
  LoadSettings(settings, file);
  EXPECT_EQ(file.loads, 1);
  return settings;
}

TEST(LoadSettings, NoFileGivesTheDefaults) {
  const Settings DEFAULTS;
  const Settings loaded = Load("");
  EXPECT_EQ(Fields(loaded), Fields(DEFAULTS));
}

TEST(LoadSettings, EveryKeyIsTakenFromTheFile) {
  const Settings expected{.Channels = 2, .BitsPerSample = 8, .NumberOfAverages = 7, .FT1000MP = 1, .Level = 1,
                          .AlwaysOnTop = 0, .xPos = -1200, .yPos = 33, .ArrangeVertically = 1, .PitchReadout = 1,
                          .RunningAverage = 1, .Zoom = 3, .Waterfall = 1, .Input = "rig", .VFO_A = {650, 0, 0},
                          .VFO_B = {800, 0, 4}, .Rig = {2, "localhost:4532", 9600, 2},
                          .Skimmer = {1, 1, -300, 40, 420, 180}, .Spots = {"rbn.example", 7001, "DL1ABC", 30},
                          .Pitch1 = 400,
                          .Pitch2 = 600, .Pitch3 = -20};
  const Settings s = Load(
      "[General]\nChannels=2\nBitsPerSample=8\nNumberOfAverages=7\nFT-1000MP=1\nLevel=1\nAlwaysOnTop=0\n"
      "xPos=-1200\nyPos=33\nArrangeVertically=1\nPitchReadout=1\nRunningAverage=1\nZoom=3\nWaterfall=1\nInput=rig\n"
      "[VFO-A]\nPitchFreq=650\nPitch=0\nRange=0\n"
      "[VFO-B]\nPitchFreq=800\nPitch=0\nRange=4\n"
      "[Pitch]\nPitch1=400\nPitch2=600\nPitch3=-20\n"
      "[Rig]\nModel=2\nPort=localhost:4532\nSpeed=9600\nSideband=2\n"
      "[Skimmer]\nDecode=1\nSignals=1\nxPos=-300\nyPos=40\nWidth=420\nHeight=180\n"
      "[Spots]\nHost=rbn.example\nPort=7001\nCall=DL1ABC\nMinutes=30\n");
  EXPECT_EQ(Fields(s), Fields(expected));
}

// Channels other than 2 are mono and bits other than 16 are 8; ranges are held to the five
// spans. Averages below 1 are 1, and a count the keys would not reach is used as it is (250
// blocks, 25 s a picture), up to 10000 (17 minutes): 2147483647 would never give a picture.
TEST(LoadSettings, FormatAveragesAndRangesAreHeldToWhatTheProgramCanShow) {
  EXPECT_EQ(Load("[General]\nChannels=0\n").Channels, 1);
  EXPECT_EQ(Load("[General]\nChannels=3\n").Channels, 1);
  EXPECT_EQ(Load("[General]\nChannels=-2\n").Channels, 1);
  EXPECT_EQ(Load("[General]\nBitsPerSample=24\n").BitsPerSample, 8);
  EXPECT_EQ(Load("[General]\nBitsPerSample=0\n").BitsPerSample, 8);
  EXPECT_EQ(Load("[General]\nNumberOfAverages=0\n").NumberOfAverages, 1);
  EXPECT_EQ(Load("[General]\nNumberOfAverages=-5\n").NumberOfAverages, 1);
  EXPECT_EQ(Load("[General]\nNumberOfAverages=150\n").NumberOfAverages, 150);
  EXPECT_EQ(Load("[General]\nNumberOfAverages=250\n").NumberOfAverages, 250);
  EXPECT_EQ(Load("[General]\nNumberOfAverages=10000\n").NumberOfAverages, 10000);
  EXPECT_EQ(Load("[General]\nNumberOfAverages=10001\n").NumberOfAverages, 10000);
  EXPECT_EQ(Load("[General]\nNumberOfAverages=2147483647\n").NumberOfAverages, 10000);
  Settings s = Load("[VFO-A]\nRange=-1\n[VFO-B]\nRange=9\n");
  EXPECT_EQ(s.VFO_A.Range, 0);
  EXPECT_EQ(s.VFO_B.Range, 4);
  s = Load("[VFO-A]\nRange=9\n[VFO-B]\nRange=-2147483648\n");
  EXPECT_EQ(s.VFO_A.Range, 4);
  EXPECT_EQ(s.VFO_B.Range, 0);
  // The tuning aids: zoom 1..4, the waterfall on or off. The rig: a negative model or speed is
  // none, a sideband other than 1 or 2 comes from the rig's mode.
  EXPECT_EQ(Load("[General]\nZoom=9\n").Zoom, 4);
  EXPECT_EQ(Load("[General]\nWaterfall=-2\n").Waterfall, 1);
  EXPECT_EQ(Load("[Rig]\nModel=-1\nSpeed=-9600\nSideband=3\n").Rig, RigSettings{});
  EXPECT_EQ(Load("[Rig]\nSideband=-1\n").Rig.Sideband, 0);
  EXPECT_EQ(Load("[Rig]\nSideband=2\n").Rig.Sideband, 2);
  EXPECT_EQ(Load("[Spots]\nPort=0\nMinutes=0\n").Spots, (SpotsSettings{"", 7000, "", 1}));
  EXPECT_EQ(Load("[Spots]\nPort=65536\nMinutes=1441\n").Spots, (SpotsSettings{"", 7000, "", 1440}));
}

TEST(LoadSettings, PitchesAndFlagsAreNotValidated) {
  const Settings expected{.FT1000MP = -3, .Level = 42, .AlwaysOnTop = -1, .Input = "", .VFO_A = {9000, 5, 1},
                          .VFO_B = {-250, 1, 3}, .Pitch1 = 99999, .Pitch2 = 0};
  const Settings s = Load(
      "[General]\nFT-1000MP=-3\nLevel=42\nAlwaysOnTop=-1\n"
      "[VFO-A]\nPitchFreq=9000\nPitch=5\n[VFO-B]\nPitchFreq=-250\n"
      "[Pitch]\nPitch1=99999\nPitch2=0\n");
  EXPECT_EQ(Fields(s), Fields(expected));
}

// ---- saving ----

class SaveSettingsTest : public ::testing::Test {
 protected:
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
  EXPECT_TRUE(SaveSettings(settings, &memory).Ok());
  EXPECT_EQ(memory.saves, 1);
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
  ASSERT_TRUE(SaveSettings(settings, &memory).Ok());
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
}

// What a file may never have used (the tuning aids, the input, the rig) gains no line until it
// is used, and keeps its lines when it goes back to the default: a number at its default, an
// empty text. [Rig] keeps its keys in order; the file's other lines stay as they were.
TEST_F(SaveSettingsTest, KeysOfWhatWasNeverUsedAppearOnlyOnceUsed) {
  memory.content = "; mine\r\n[General]\r\nChannels=1\r\n";
  ASSERT_TRUE(SaveSettings(settings, &memory).Ok());
  for (const char* key : {"Zoom", "PitchReadout", "RunningAverage", "Waterfall", "Input", "Rig", "Skimmer", "Spots"})
    EXPECT_EQ(memory.content.find(key), std::string::npos) << key;

  settings.Zoom = 3;
  settings.Waterfall = 1;
  settings.Input = "Monitor of Rig & Co";
  settings.Rig = {2, "localhost:4532", 0, 0};
  settings.Skimmer.Signals = 1;
  ASSERT_TRUE(SaveSettings(settings, &memory).Ok());
  EXPECT_NE(memory.content.find("[Skimmer]\r\nSignals=1\r\n"), std::string::npos);
  Settings loaded = Load(memory.content);
  EXPECT_EQ(Fields(loaded), Fields(settings));
  EXPECT_EQ(memory.content.find("PitchReadout"), std::string::npos);
  EXPECT_NE(memory.content.find("[Rig]\r\nModel=2\r\nPort=localhost:4532\r\n"), std::string::npos);
  EXPECT_EQ(memory.content.find("Speed"), std::string::npos);
  settings.Rig = {2, "localhost:4532", 9600, 1};
  ASSERT_TRUE(SaveSettings(settings, &memory).Ok());
  EXPECT_NE(memory.content.find("[Rig]\r\nModel=2\r\nPort=localhost:4532\r\nSpeed=9600\r\nSideband=1\r\n"),
            std::string::npos);

  settings = Settings{};
  ASSERT_TRUE(SaveSettings(settings, &memory).Ok());
  loaded = Load(memory.content);
  EXPECT_EQ(Fields(loaded), Fields(settings));
  for (const char* line : {"Zoom=1\r\n", "Waterfall=0\r\n", "Input=\r\n", "[Rig]\r\nModel=0\r\nPort=\r\nSpeed=0\r\nSideband=0\r\n"})
    EXPECT_NE(memory.content.find(line), std::string::npos) << line;
  EXPECT_EQ(memory.content.rfind("; mine\r\n[General]\r\nChannels=1\r\n", 0), 0u);
}

// A save that fails gives one reason; the file and the settings in memory stay
// as they are. A value that cannot be one line of the file (an input's name with a line break)
// fails the whole save, not only its own key.
TEST_F(SaveSettingsTest, AFailedSaveGivesOneReasonAndChangesNothing) {
  memory.content = "[General]\nChannels=2\n";
  settings.Channels = 1;
  memory.failSaves = true;
  Status saved = SaveSettings(settings, &memory);
  EXPECT_FALSE(saved.Ok());
  EXPECT_EQ(saved.reason, "No space left on device");
  EXPECT_EQ(memory.content, "[General]\nChannels=2\n");
  EXPECT_EQ(settings.Channels, 1);

  memory.failSaves = false;
  settings.Input = "rig\n[General]";
  saved = SaveSettings(settings, &memory);
  EXPECT_EQ(saved.reason, "the value of [General] Input cannot be written as one line of the file");
  EXPECT_EQ(memory.content, "[General]\nChannels=2\n");

  EXPECT_EQ(SaveSettings(settings, nullptr).reason, "there is no settings file");
}

// Saved through the real file, every saved value loads back as it was.
TEST(SettingsOnDisk, SavedSettingsLoadBackUnchanged) {
  TempFolder folder{"keblor_settings"};
  ASSERT_FALSE(folder.Path().empty());
  IniFile file((folder.Path() / "keblor.ini").string());
  const Settings saved{.Channels = 2, .BitsPerSample = 8, .NumberOfAverages = 250, .FT1000MP = 1, .AlwaysOnTop = 0,
                       .xPos = 15, .yPos = 25, .ArrangeVertically = 1, .Input = "alsa_input.usb-0d8c_USB-00.mono",
                       .VFO_A = {720, 0, 0}, .VFO_B = {430, 1, 2}};
  ASSERT_TRUE(SaveSettings(saved, &file).Ok());
  Settings loaded;
  LoadSettings(loaded, file);
  EXPECT_EQ(Fields(loaded), Fields(saved));
}

}  // namespace
}  // namespace keblor::test
