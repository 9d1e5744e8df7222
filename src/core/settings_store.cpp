#include "core/settings_store.h"

#include "core/display_commands.h"  // MAX_ZOOM

#include <algorithm>
#include <string>
#include <string_view>

namespace keblor {
namespace {

using FieldOf = std::int32_t& (*)(Settings&);

struct SettingKey {
  const char* section;
  const char* key;
  std::int32_t defaultValue;
  FieldOf field;
};

// Every key of the file, in the order they are read.
constexpr SettingKey LOAD_ORDER[] = {
    {"General", "Channels", 1, [](Settings& s) -> std::int32_t& { return s.Channels; }},
    {"General", "BitsPerSample", 16, [](Settings& s) -> std::int32_t& { return s.BitsPerSample; }},
    {"General", "NumberOfAverages", 1, [](Settings& s) -> std::int32_t& { return s.NumberOfAverages; }},
    {"General", "FT-1000MP", 0, [](Settings& s) -> std::int32_t& { return s.FT1000MP; }},
    {"General", "Level", 0, [](Settings& s) -> std::int32_t& { return s.Level; }},
    {"General", "AlwaysOnTop", 1, [](Settings& s) -> std::int32_t& { return s.AlwaysOnTop; }},
    {"General", "xPos", 0, [](Settings& s) -> std::int32_t& { return s.xPos; }},
    {"General", "yPos", 0, [](Settings& s) -> std::int32_t& { return s.yPos; }},
    {"General", "ArrangeVertically", 0, [](Settings& s) -> std::int32_t& { return s.ArrangeVertically; }},
    {"VFO-A", "PitchFreq", 500, [](Settings& s) -> std::int32_t& { return s.VFO_A.PitchFreq; }},
    {"VFO-A", "Pitch", 1, [](Settings& s) -> std::int32_t& { return s.VFO_A.Pitch; }},
    {"VFO-A", "Range", 1, [](Settings& s) -> std::int32_t& { return s.VFO_A.Range; }},
    {"VFO-B", "PitchFreq", 500, [](Settings& s) -> std::int32_t& { return s.VFO_B.PitchFreq; }},
    {"VFO-B", "Pitch", 1, [](Settings& s) -> std::int32_t& { return s.VFO_B.Pitch; }},
    {"VFO-B", "Range", 3, [](Settings& s) -> std::int32_t& { return s.VFO_B.Range; }},
    {"Pitch", "Pitch1", 300, [](Settings& s) -> std::int32_t& { return s.Pitch1; }},
    {"Pitch", "Pitch2", 500, [](Settings& s) -> std::int32_t& { return s.Pitch2; }},
    {"Pitch", "Pitch3", 700, [](Settings& s) -> std::int32_t& { return s.Pitch3; }},
};

// The keys a save writes, in the order written. The pitch presets are the user's to edit.
constexpr SettingKey SAVE_ORDER[] = {
    LOAD_ORDER[0], LOAD_ORDER[1], LOAD_ORDER[2], LOAD_ORDER[3], LOAD_ORDER[4],
    LOAD_ORDER[5], LOAD_ORDER[6], LOAD_ORDER[7], LOAD_ORDER[8],
    LOAD_ORDER[10], LOAD_ORDER[9], LOAD_ORDER[11],   // VFO-A Pitch, PitchFreq, Range
    LOAD_ORDER[13], LOAD_ORDER[12], LOAD_ORDER[14],  // VFO-B Pitch, PitchFreq, Range
};

// The tuning aids' keys: read like the others, written only when not at their
// default or when the file holds them already (so that turning an aid off is saved too).
constexpr SettingKey AID_KEYS[] = {
    {"General", "PitchReadout", 0, [](Settings& s) -> std::int32_t& { return s.PitchReadout; }},
    {"General", "RunningAverage", 0, [](Settings& s) -> std::int32_t& { return s.RunningAverage; }},
    {"General", "Zoom", 1, [](Settings& s) -> std::int32_t& { return s.Zoom; }},
    {"General", "Waterfall", 0, [](Settings& s) -> std::int32_t& { return s.Waterfall; }},
};
// [Rig] the same way, after the input; the port (a text) is written after the model.
constexpr SettingKey RIG_MODEL = {"Rig", "Model", 0, [](Settings& s) -> std::int32_t& { return s.Rig.Model; }};
constexpr SettingKey RIG_KEYS_AFTER_PORT[] = {
    {"Rig", "Speed", 0, [](Settings& s) -> std::int32_t& { return s.Rig.Speed; }},
    {"Rig", "Sideband", 0, [](Settings& s) -> std::int32_t& { return s.Rig.Sideband; }},
};

// [Skimmer] the same way, after the rig.
constexpr SettingKey SKIMMER_KEYS[] = {
    {"Skimmer", "Decode", 0, [](Settings& s) -> std::int32_t& { return s.Skimmer.Decode; }},
    {"Skimmer", "Signals", 0, [](Settings& s) -> std::int32_t& { return s.Skimmer.Signals; }},
    {"Skimmer", "xPos", 0, [](Settings& s) -> std::int32_t& { return s.Skimmer.xPos; }},
    {"Skimmer", "yPos", 0, [](Settings& s) -> std::int32_t& { return s.Skimmer.yPos; }},
    {"Skimmer", "Width", 0, [](Settings& s) -> std::int32_t& { return s.Skimmer.Width; }},
    {"Skimmer", "Height", 0, [](Settings& s) -> std::int32_t& { return s.Skimmer.Height; }},
};

// [Spots]: the host and the call are texts, written like the rig's port.
constexpr SettingKey SPOTS_PORT = {"Spots", "Port", 7000, [](Settings& s) -> std::int32_t& { return s.Spots.Port; }};
constexpr SettingKey SPOTS_MINUTES = {"Spots", "Minutes", 15, [](Settings& s) -> std::int32_t& { return s.Spots.Minutes; }};
constexpr int MAX_SPOT_MINUTES = 24 * 60;

// The chosen input's id, a text; an empty one is the default input.
constexpr const char* INPUT_SECTION = "General";
constexpr const char* INPUT_KEY = "Input";
// The rig's port, a text like the input's.
constexpr const char* RIG_SECTION = "Rig";
constexpr const char* PORT_KEY = "Port";

}  // namespace

void ReadSettings(Settings& settings, const IniDocument& document) {
  for (const SettingKey& entry : LOAD_ORDER) {
    entry.field(settings) = document.ReadInt(entry.section, entry.key, entry.defaultValue);
  }
  if (settings.Channels != 2) settings.Channels = 1;
  if (settings.BitsPerSample != 16) settings.BitsPerSample = 8;
  for (const SettingKey& entry : AID_KEYS) entry.field(settings) = document.ReadInt(entry.section, entry.key, entry.defaultValue);
  settings.NumberOfAverages = std::clamp(settings.NumberOfAverages, 1, MAX_FILE_AVERAGES);
  settings.PitchReadout = settings.PitchReadout != 0 ? 1 : 0;
  settings.RunningAverage = settings.RunningAverage != 0 ? 1 : 0;
  settings.Zoom = std::clamp(settings.Zoom, 1, MAX_ZOOM);
  settings.Waterfall = settings.Waterfall != 0 ? 1 : 0;
  settings.VFO_A.Range = std::max(settings.VFO_A.Range, 0);
  settings.VFO_B.Range = std::max(settings.VFO_B.Range, 0);
  settings.VFO_A.Range = std::min(settings.VFO_A.Range, 4);
  settings.VFO_B.Range = std::min(settings.VFO_B.Range, 4);
  settings.Input = std::string(document.Find(INPUT_SECTION, INPUT_KEY).value_or(std::string_view()));
  settings.Rig.Model = std::max(document.ReadInt(RIG_MODEL.section, RIG_MODEL.key, RIG_MODEL.defaultValue), 0);
  settings.Rig.Port = std::string(document.Find(RIG_SECTION, PORT_KEY).value_or(std::string_view()));
  for (const SettingKey& entry : RIG_KEYS_AFTER_PORT)
    entry.field(settings) = document.ReadInt(entry.section, entry.key, entry.defaultValue);
  settings.Rig.Speed = std::max(settings.Rig.Speed, 0);
  if (settings.Rig.Sideband < 0 || settings.Rig.Sideband > 2) settings.Rig.Sideband = 0;
  for (const SettingKey& entry : SKIMMER_KEYS) entry.field(settings) = document.ReadInt(entry.section, entry.key, entry.defaultValue);
  settings.Skimmer.Decode = settings.Skimmer.Decode != 0 ? 1 : 0;
  settings.Skimmer.Signals = settings.Skimmer.Signals != 0 ? 1 : 0;
  settings.Skimmer.Width = std::max(settings.Skimmer.Width, 0);
  settings.Skimmer.Height = std::max(settings.Skimmer.Height, 0);
  settings.Spots.Host = std::string(document.Find("Spots", "Host").value_or(std::string_view()));
  settings.Spots.Call = std::string(document.Find("Spots", "Call").value_or(std::string_view()));
  for (const SettingKey& entry : {SPOTS_PORT, SPOTS_MINUTES})
    entry.field(settings) = document.ReadInt(entry.section, entry.key, entry.defaultValue);
  if (settings.Spots.Port < 1 || settings.Spots.Port > 65535) settings.Spots.Port = SPOTS_PORT.defaultValue;
  settings.Spots.Minutes = std::clamp(settings.Spots.Minutes, 1, MAX_SPOT_MINUTES);
}

void ApplyChoices(Settings& settings, const SettingsChoices& choices) {
  settings.Rig.Model = choices.rigModel.value_or(settings.Rig.Model);
  settings.Rig.Port = choices.rigPort.value_or(settings.Rig.Port);
  settings.Spots.Host = choices.spotsHost.value_or(settings.Spots.Host);
  settings.Spots.Port = choices.spotsPort.value_or(settings.Spots.Port);
  settings.Spots.Call = choices.spotsCall.value_or(settings.Spots.Call);
}

void LoadSettings(Settings& settings, SettingsFile& file) { ReadSettings(settings, file.Load()); }

Status ApplySettings(const Settings& settings, IniDocument& document) {
  Settings values = settings;  // the field table hands out references
  const auto set = [&document](const char* section, const char* key, const std::string& value) {
    if (document.Set(section, key, value)) return Status{};
    return Status::Refusal(std::string("the value of [") + section + "] " + key +
                              " cannot be written as one line of the file");
  };
  // A key at its default is written only when the file holds it already.
  const auto setIfUsed = [&](const SettingKey& entry) {
    const std::int32_t value = entry.field(values);
    if (value == entry.defaultValue && !document.Find(entry.section, entry.key)) return Status{};
    return set(entry.section, entry.key, std::to_string(value));
  };
  const auto setTextIfUsed = [&](const char* section, const char* key, const std::string& value) {
    if (value.empty() && !document.Find(section, key)) return Status{};
    return set(section, key, value);
  };
  for (const SettingKey& entry : SAVE_ORDER) {
    if (Status r = set(entry.section, entry.key, std::to_string(entry.field(values))); !r.Ok()) return r;
  }
  for (const SettingKey& entry : AID_KEYS) {
    if (Status r = setIfUsed(entry); !r.Ok()) return r;
  }
  if (Status r = setTextIfUsed(INPUT_SECTION, INPUT_KEY, settings.Input); !r.Ok()) return r;
  if (Status r = setIfUsed(RIG_MODEL); !r.Ok()) return r;
  if (Status r = setTextIfUsed(RIG_SECTION, PORT_KEY, settings.Rig.Port); !r.Ok()) return r;
  for (const SettingKey& entry : RIG_KEYS_AFTER_PORT) {
    if (Status r = setIfUsed(entry); !r.Ok()) return r;
  }
  for (const SettingKey& entry : SKIMMER_KEYS) {
    if (Status r = setIfUsed(entry); !r.Ok()) return r;
  }
  if (Status r = setTextIfUsed("Spots", "Host", settings.Spots.Host); !r.Ok()) return r;
  if (Status r = setIfUsed(SPOTS_PORT); !r.Ok()) return r;
  if (Status r = setTextIfUsed("Spots", "Call", settings.Spots.Call); !r.Ok()) return r;
  if (Status r = setIfUsed(SPOTS_MINUTES); !r.Ok()) return r;
  return {};
}

Status SaveSettings(const Settings& settings, SettingsFile* file) {
  if (file == nullptr) return Status::Refusal("there is no settings file");
  return file->Save([&settings](IniDocument& document) { return ApplySettings(settings, document); });
}

std::string SaveFailureText(const Status& result) {
  return "The settings were not saved" + (result.reason.empty() ? std::string(".") : ": " + result.reason + ".");
}

}  // namespace keblor
